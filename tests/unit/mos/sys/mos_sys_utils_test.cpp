#include "mos_sys_utils.h"

#include "../test_support.h"
#include "../trace_fixture.h"
#include "os_mem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(RestrictedMode, RecordIsBuiltAndReleasedWhole) {
    mostest::EnsureCoreLayers();
    MosRestrictedACL record{};
    ASSERT_EQ(mos_CreateRestrictedModeACL(&record), MOS_RC__SUCCESS);
    EXPECT_NE(record.pAdminSid, nullptr);
    EXPECT_NE(record.pSystemSid, nullptr);
    EXPECT_NE(record.pACL, nullptr);
    ASSERT_NE(record.pSecurityDescriptor, nullptr);
    EXPECT_EQ(record.securityAttributes.nLength, 24u);
    EXPECT_EQ(record.securityAttributes.pSecurityDescriptor, record.pSecurityDescriptor);
    EXPECT_EQ(record.securityAttributes.bInheritHandle, 0u);
    mos_DestroyRestrictedModeACL(&record);
    const MosRestrictedACL zero{};
    EXPECT_EQ(memcmp(&record, &zero, sizeof record), 0);
}

TEST(RestrictedModeDeathTest, RecordThatHoldsAListIsABrokenInvariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    MosRestrictedACL record{};
    int dummy = 0;
    record.pACL = &dummy;
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mos_CreateRestrictedModeACL(&record)),
                mostest::ExitedWithMinusOne,
                "Expression \\(\\(void \\*\\)0\\) == pRestrcitedACL->pACL \\.");
}

class SysUtilsTraceTest : public mostest::LogDirFixture {
  protected:
    void SetUp() override {
        LogDirFixture::SetUp();
        MosTrcParams params = TextTraceParams(false);
        params.errFile = FileParams("err", false);
        ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    }
    std::string ErrFileAfterClose() {
        mosTrcLayer_Destroy();
        return ReadFile("err.0");
    }
};

TEST_F(SysUtilsTraceTest, FileGetsTheRestrictedListAndFailuresAreWarned) {
    const std::string path = Path("restricted.log");
    std::ofstream(path) << "x";
    EXPECT_EQ(mos_FullFileNameSetRestrictedMode(path.c_str()), MOS_RC__SUCCESS);
    const std::string missing = Path("missing") + "/none.log";
    const std::string missingFile = Path("none.log");
    EXPECT_EQ(mos_FullFileNameSetRestrictedMode(missing.c_str()), MOS_RC__ERROR);
    EXPECT_EQ(mos_FullFileNameSetRestrictedMode(missingFile.c_str()), MOS_RC__ERROR);
    uint64_t freeBytes = 0;
    EXPECT_EQ(mos_GetAvailableDiskSpace(missing.c_str(), &freeBytes), MOS_RC__ERROR);
    const std::string err = ErrFileAfterClose();
    EXPECT_NE(err.find("mos_FullFileNameSetRestrictedMode:"), std::string::npos) << err;
    EXPECT_NE(
        err.find("WARNING: Failed to set security descriptor in file '" + missing + "'. Error: "),
        std::string::npos)
        << err;
    EXPECT_NE(
        err.find("WARNING: Failed to get file system information for " + missing + ". Error: "),
        std::string::npos)
        << err;
}

TEST(SysUtils, DiskCoreSizeAndAffinityOfThisProcess) {
    mostest::EnsureCoreLayers();
    uint64_t freeBytes = 0;
    EXPECT_EQ(mos_GetAvailableDiskSpace(std::filesystem::temp_directory_path().string().c_str(),
                                        &freeBytes),
              MOS_RC__SUCCESS);
    EXPECT_GT(freeBytes, 0u);
    uint64_t coreBytes = 0;
    ASSERT_EQ(mos_GetEstimatedCoreSize(&coreBytes), MOS_RC__SUCCESS);
    EXPECT_GT(coreBytes, 209715200u);
    uint64_t mask = 0;
    ASSERT_EQ(mos_GetThreadGroupAffinityMask(&mask), MOS_RC__SUCCESS);
    EXPECT_NE(mask, 0u);
    // Group 0 with all its processors (whatever their number), a group
    // that does not exist refused.
    EXPECT_EQ(mos_SetThreadGroup(0), MOS_RC__SUCCESS);
    EXPECT_EQ(mos_SetThreadGroup(999), MOS_RC__ERROR);
    uint64_t allMask = 0;
    mos_SetDefaultAffinityMask(&allMask);
    EXPECT_EQ(allMask, ~uint64_t{0});
    uint64_t factor = 0;
    uint32_t bFixedPoint = 9;
    EXPECT_EQ(osTicks_GetRate(&factor, &bFixedPoint), MOS_RC__SUCCESS);
    EXPECT_EQ(factor, 1u);
    EXPECT_EQ(bFixedPoint, 0u);
}

TEST(SysUtils, ColourOnRedirectedOutputIsPlainText) {
    testing::internal::CaptureStdout();
    for (uint32_t color = 0; color <= 7; color++) {
        EXPECT_EQ(mos_ColorPrintf(color, "c%u;", color), 3);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "c0;c1;c2;c3;c4;c5;c6;c7;");
    const uint16_t attributes[] = {0, 12, 10, 14, 9, 13, 11, 8};
    for (uint32_t color = 0; color <= 7; color++) {
        EXPECT_EQ(mos_GetAnsiColorCode(color), attributes[color]);
    }
}

TEST(SysUtils, LargeRequestsFallBackToOrdinaryPages) {
    mostest::EnsureCoreLayers();
    for (uint64_t size : {uint64_t{4096}, uint64_t{3} << 20}) {
        auto *pMem = static_cast<uint8_t *>(mos_VirtualAllocLarge(size));
        ASSERT_NE(pMem, nullptr) << size;
        pMem[0] = 1;
        pMem[size - 1] = 2;
        mos_VirtualFree(pMem);
    }
    EXPECT_NE(mos_Rand() | mos_Rand() | mos_Rand(), 0u);
    EXPECT_EQ(mos_GetSystemPageSize(), osMem_GetPageSize());
    mos_NanoSleep(999999); // gives up the time slice only
    mos_NanoSleep(2500000);
}

TEST(SysUtilsDeathTest, MisalignedOrUnknownArgumentsAreBrokenInvariants) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    auto *pPage = static_cast<uint8_t *>(mos_VirtualAllocLarge(4096));
    EXPECT_EXIT(
        (mostest::StdoutToStderr(), mos_MarkRegionReadOnly(pPage + 1, 4096)),
        mostest::ExitedWithMinusOne,
        "function mos_MarkRegionReadOnly, PID .*Expression \\(\\(UINTP\\)pMem % pageSize\\) "
        "== 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mos_GetAnsiColorCode(8)), mostest::ExitedWithMinusOne,
                "function mos_GetAnsiColorCode, PID .*Expression ALWAYS_ASSERT");
    mos_MarkPageNotAvailable(pPage);
    EXPECT_DEATH(*reinterpret_cast<volatile uint8_t *>(pPage) = 1, "");
    mos_MarkPageAvailable(pPage);
    pPage[0] = 1;
    mos_VirtualFree(pPage);
}

} // namespace
