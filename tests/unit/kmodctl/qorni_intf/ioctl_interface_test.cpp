// The driver command interface without a device: return-code texts, the
// failure explanation by code kind, the command tables, and the refusals
// of an interface that is not open.
#include "ioctl_interface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct ReasonCase {
    MOS_RC rc;
    const char *pReason; // null: bad error type
};

const ReasonCase kReasons[] = {
    {80, "Could not find the SDC"}, // public: its own description
    {11, "SDC command failed"},     // internal: the generic text
    {127, nullptr},                 // undefined in the tables
    {700, "SDC command failed"},    // the three codes with extra information
    {885, "SDC command failed"},
    {886, "SDC command failed"},
    {884, "SDC command failed"},                         // internal, beside them
    {887, "SPEF can only be used for SSD storage pool"}, // public, beside them
    {2560, nullptr},                                     // beyond the tables
    {0xFFFFFFFFu, nullptr},
};

TEST(IoctlErrorReasonTest, ExplainsByKindAndRefusesWhatItCannotExplain) {
    qorniIntf_SetVerbose(true);
    for (const ReasonCase &c : kReasons) {
        SCOPED_TRACE(c.rc);
        QorniCmdRecordHeader record = {c.rc, 0};
        testing::internal::CaptureStderr();
        const char *pReason = Ioctl_GetErrorReason("QUERY_X", &record);
        std::string err = testing::internal::GetCapturedStderr();
        if (c.pReason != nullptr) {
            ASSERT_NE(pReason, nullptr);
            EXPECT_STREQ(pReason, c.pReason);
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(pReason, nullptr);
            EXPECT_EQ(err, "Failed to execute QUERY_X with bad error type " +
                               std::to_string(static_cast<int>(c.rc)) + "\n");
        }
    }
}

TEST(IoctlRcDescriptionTest, UnknownBeyondTablesAndForEmptyText) {
    EXPECT_STREQ(rcDescription(65), "Success");
    EXPECT_STREQ(rcDescription(127), "MOS_RC__UNKNOWN");
    EXPECT_STREQ(rcDescription(2560), "MOS_RC__UNKNOWN");
}

TEST(QorniProtocolTest, CodesTravelSignExtended) {
    EXPECT_EQ(qorni_FrameCode(QORNI_CODE__IS_QORNI), static_cast<int64_t>(0xFFFFFFFFEA7FCE48ull));
    EXPECT_STREQ(qorni_CodeRequestName(QORNI_CODE__GET_LBA_INFO), "IOCTL_BLK__GET_LBA_INFO");
    EXPECT_EQ(qorni_CodeRequestName(QORNI_CODE__SDBG_REQUEST), nullptr);
}

TEST(QorniProtocolTest, CommandTableSlotsAndBuiltInVectors) {
    ASSERT_NE(qorni_CmdInfo(27), nullptr);
    EXPECT_EQ(qorni_CmdInfo(28), nullptr);
    EXPECT_EQ(qorni_CmdInfo(13)->slotCount, 4u);
    EXPECT_STREQ(qorni_CmdInfo(13)->pName, "QUERY_VOLS");
    uint32_t v130Count = 0;
    for (uint32_t i = 0; i < QORNI_NUM_CMDS; i++) {
        v130Count += qorni_CmdInfo(i)->builtinV130 == QORNI_SLOT_V130;
        EXPECT_EQ(qorni_CmdInfo(i)->builtinV200, i <= 26 ? QORNI_SLOT_V200 : QORNI_SLOT_NONE);
    }
    EXPECT_EQ(v130Count, 5u); // QUERY_VERSION, QUERY_GUID, MOD_MDM, QUERY_MDMS, QUERY_BLK_DEV_ID
}

TEST(IoctlInterfaceTest, RefusesToSendOrChooseBeforeOpening) {
    qorniIntf_SetVerbose(true);
    qorniIntf_Init("kmodctl", true);
    QorniCmdRecordHeader record = {0, 0};
    testing::internal::CaptureStderr();
    EXPECT_EQ(qorniIntf_SendIoctl(QORNI_CODE__IS_QORNI, &record, sizeof(record), "IS_QORNI"),
              MOS_RC__INTERFACE_ERROR);
    EXPECT_EQ(qorniIntf_SendIoctl_v130(QORNI_CODE__IS_QORNI_V130, nullptr, 0, 0),
              static_cast<int32_t>(MOS_RC__INTERFACE_ERROR));
    uint32_t slot = 77;
    EXPECT_EQ(qorniIntf_GetHandlerSlot(QORNI_CMD__QUERY_VOLS, &slot), MOS_RC__NOT_SUPPORTED);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "SDC isn't opened.SDC isn't opened."
              "Command \"QUERY_VOLS\" cannot be sent to the driver due to version mismatch.\n"
              "kmodctl version: \nSDC driver version: \n");
    EXPECT_EQ(slot, 77u);
}

TEST(IoctlInterfaceTest, OpenWithoutAnyDeviceOfTheClassFindsNone) {
    // Windows asks SetupAPI for the class (none is present here); Linux
    // looks in a class directory that does not exist.
    static char rootSetting[] = "MOS_DEVINTF_ROOT=/nonexistent/kmodctl-tests";
    putenv(rootSetting);
    qorniIntf_SetVerbose(true);
    qorniIntf_Init("kmodctl", true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(qorniIntf_Open(), MOS_RC__INI_NOT_FOUND);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open kernel device\n");
    EXPECT_EQ(qorniIntf_Close(), MOS_RC__SUCCESS);
}

} // namespace
