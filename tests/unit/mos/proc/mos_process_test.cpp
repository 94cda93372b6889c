// The process lock, the NVDIMM flag and the memset thresholds.
#include "../core_layers.h"
#include "../trace_capture.h"
#include "mos_init_params.h"
#include "mos_process.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessLayer, LockIsUsable) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosProcessLayer_Init(nullptr), MOS_RC__SUCCESS);
    mosFastlockBase_Acquire(mosProcess_GetLock());
    EXPECT_EQ(mosFastlockBase_IsOwner(mosProcess_GetLock()), 1u);
    mosFastlockBase_Release(mosProcess_GetLock());
    mosProcessLayer_Destroy();
}

TEST(MemsetLayer, ThresholdsAreBounded) {
    struct Case {
        uint64_t ms, bytes;
        uint64_t expectedMs, expectedBytes;
    };
    const Case cases[] = {
        {5000, 10, 1000, 1024},
        {0, 2048, 0, 2048},
        {1000, 1024, 1000, 1024},
        {10, 8388608, 10, 8388608},
    };
    for (const Case &c : cases) {
        MosMemsetParams params = {c.ms, c.bytes};
        ASSERT_EQ(mosMemsetLayer_Init(&params), MOS_RC__SUCCESS);
        EXPECT_EQ(mosMemset_GetThresholdMs(), c.expectedMs) << c.ms;
        EXPECT_EQ(mosMemset_GetThresholdBytes(), c.expectedBytes) << c.bytes;
    }
    // Without settings the stored values stay.
    ASSERT_EQ(mosMemsetLayer_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(mosMemset_GetThresholdMs(), 10u);
    EXPECT_EQ(mosMemset_GetThresholdBytes(), 8388608u);
}

TEST(NvramLayer, ServerEditionsFromVersionTen) {
    struct Case {
        OsVersionInfo info;
        bool bSupported;
    };
    const Case cases[] = {
        {{10, 0, 0, 0}, true},  // Server 2016 and later
        {{10, 0, 0, 1}, false}, // Windows 10 workstation
        {{6, 3, 0, 0}, false},  // Server 2012 R2
        {{6, 3, 1, 0}, false},  {{11, 0, 0, 0}, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mosNvram_VersionSupportsNvdimm(c.info), c.bSupported)
            << c.info.major << "." << c.info.minor << " workstation " << c.info.bWorkstation;
    }
}

TEST(NvramLayer, FlagFollowsTheSystemAndTracesWhenMissing) {
    mostest::EnsureCoreLayers();
    OsVersionInfo info = {};
    ASSERT_TRUE(osSys_GetVersionInfo(&info));
    mostest::TraceCapture capture;
    ASSERT_EQ(mosNvramLayer_Init(nullptr), MOS_RC__SUCCESS);
    const std::string traced = capture.Stop();
    const bool bSupported = mosNvram_VersionSupportsNvdimm(info);
    EXPECT_EQ(mosNvram_IsNvdimmSupported(), bSupported ? 1u : 0u);
    EXPECT_EQ(traced.find("has no NVDIMM support") != std::string::npos, !bSupported) << traced;
    mosNvramLayer_Destroy();
    EXPECT_EQ(mosNvram_IsNvdimmSupported(), 0u);
}

} // namespace
