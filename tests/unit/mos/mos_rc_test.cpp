#include "mos_rc.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RcCase {
    MOS_RC rc;
    const char *name;
    const char *desc;
    uint32_t kind;
};

// Codes across the range: the ends, holes, each kind and the named oddities.
const RcCase kCases[] = {
    {0, "ILLEGAL", "Illegal", 1},
    {1, "ERROR", "Error", 1},
    {2, "PENDING", "The operation will continue asynchronously", 2},
    {5, "CLOSED", "Internal Error #", 1},
    {11, "INVALID", "Invalid", 1},
    {32, "RETRY", "Retry", 1},
    {64, "PARAMETER_OUT_OF_RANGE", "Parameter out of range", 1},
    {65, "SUCCESS", "Success", 2},
    {68, "TIMEOUT", "A timeout occurred", 2},
    {80, "INI_NOT_FOUND", "Could not find the SDC", 2},
    {126, "TGT_DEVICE_NOT_FOUND", nullptr, 2},
    {127, "", "", 0},
    {132, "", "", 0},
    {133, "VOL_DECREASE_NOT_SUPPORTED", nullptr, 2},
    {183, "NOTHING_TO_DO", "There are no volumes to delete", 2},
    {245, "", "", 0},
    {297, "NOT_SUPPORTED", "This command is not supported.", 2},
    {434, "SDC_IOCTL_ERROR", "SDC command failed", 2},
    {485, "ERROR_LOADING_OPENSSL", "Failed loading the OpenSSL library", 2},
    {535, "OPENSSL_VERSION_TOO_OLD", "The OpenSSL version is too old", 2},
    {700, "ERROR_WITH_INFO", "Error information available", 3},
    {885, "SHM_DIFF_FROM_FILE", "This MDM's shared memory differs from the file.", 3},
    {886, "SLAVE_SHM_DIFF_FROM_MASTER",
     "The Slave MDM's shared memory differs from the Master MDM.", 3},
    {2000, "PARTIAL_SUCCESS", "Partial success.", 2},
    {2020, "BLOCK_WAS_NOT_SHRINKED", "the block was not shrinked", 1},
    {2059, "", "", 0},
    {2066, "ERROR_ENABLING_FIPS", "Failed to enable FIPS mode", 2},
    {2559, "GUI_OFFLINE_MODE_COMMANDS_NOT_SUPPORTED", "Commands are not supported in Offline Mode",
     2},
};

TEST(ReturnCodes, NamesDescriptionsAndKindsOfSampleCodes) {
    for (const RcCase &c : kCases) {
        SCOPED_TRACE(c.rc);
        EXPECT_STREQ(mos_RcName(c.rc), c.name);
        if (c.desc != nullptr) {
            EXPECT_STREQ(mos_RcDescription(c.rc), c.desc);
        }
        EXPECT_EQ(mos_RcKind(c.rc), c.kind);
    }
}

TEST(ReturnCodes, EnumeratorsCarryTheirNumbers) {
    EXPECT_EQ(MOS_RC__SUCCESS, 65u);
    EXPECT_EQ(MOS_RC__ILLEGAL, 0u);
    EXPECT_EQ(MOS_RC__ERROR, 1u);
    EXPECT_EQ(MOS_RC__SDC_IOCTL_ERROR, 434u);
    EXPECT_EQ(MOS_RC__GUI_OFFLINE_MODE_COMMANDS_NOT_SUPPORTED, 2559u);
}

TEST(ReturnCodes, CodesBeyondTheTablesAreUnknown) {
    for (MOS_RC rc : {2560u, 3998u, 3999u, 0xFFFFFFFFu}) {
        EXPECT_STREQ(mos_RcName(rc), "MOS_RC__UNKNOWN");
        EXPECT_STREQ(mos_RcDescription(rc), "MOS_RC__UNKNOWN");
        EXPECT_EQ(mos_RcKind(rc), 0u);
    }
}

TEST(ReturnCodes, CountsOfDefinedInternalAndPublicCodes) {
    int defined = 0, internal = 0, pub = 0, withInfo = 0, internalError = 0;
    size_t longest = 0;
    for (MOS_RC rc = 0; rc < MOS_RC_TABLE_SIZE; rc++) {
        std::string name = mos_RcName(rc), desc = mos_RcDescription(rc);
        uint32_t kind = mos_RcKind(rc);
        // A code is defined exactly when it has a kind, and then it has both texts.
        EXPECT_EQ(kind != 0, !name.empty()) << rc;
        EXPECT_EQ(kind != 0, !desc.empty()) << rc;
        EXPECT_EQ(desc.find('%'), std::string::npos) << rc;
        defined += kind != 0;
        internal += kind == 1;
        pub += kind == 2;
        withInfo += kind == 3;
        internalError += desc == "Internal Error #";
        longest = std::max(longest, desc.size());
    }
    EXPECT_EQ(defined, 1102);
    EXPECT_EQ(internal, 147);
    EXPECT_EQ(withInfo, 3);
    EXPECT_EQ(pub, 1102 - 147 - 3);
    EXPECT_EQ(internalError, 40);
    EXPECT_LE(longest, 205u);
}

TEST(ReturnCodes, UndefinedCodesShareOneEmptyText) {
    EXPECT_EQ(mos_RcName(245), mos_RcName(127));
    EXPECT_EQ(mos_RcDescription(245), mos_RcName(245));
}

} // namespace
