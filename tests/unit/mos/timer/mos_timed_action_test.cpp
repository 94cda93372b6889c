#include "mos_timed_action.h"

#include "../core_layers.h"
#include "mos_init_params.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

uint32_t waitForThreadCount(uint32_t expected) {
    for (int i = 0; i < 200 && mosOsThrd_GetNumThreads() != expected; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return mosOsThrd_GetNumThreads();
}

TEST(TimedActionLayer, ReaperRunsUntilDestroyAndSettingsTakeDefaults) {
    mostest::EnsureCoreLayers();
    const uint32_t before = mosOsThrd_GetNumThreads();
    struct Case {
        MosTimedActionParams params;
        bool bNull;
        uint32_t maxPending;
        uint64_t thresholdMs;
    };
    const Case cases[] = {
        {{0, 0}, true, 256, 1000}, {{0, 0}, false, 256, 1000}, {{8, 250}, false, 8, 250}};
    for (const Case &c : cases) {
        MosTimedActionParams params = c.params;
        ASSERT_EQ(mosTimedActionLayer_Init(c.bNull ? nullptr : &params), MOS_RC__SUCCESS);
        EXPECT_EQ(waitForThreadCount(before + 1), before + 1);
        EXPECT_EQ(mosTimedActionLayer_G.maxPendingThreads, c.maxPending);
        EXPECT_EQ(mosTimedActionLayer_G.osThreadThresholdMs, c.thresholdMs);
        EXPECT_EQ(mosTimedActionLayer_GetNumPending(), 0u);
        const auto start = std::chrono::steady_clock::now();
        mosTimedActionLayer_Destroy(); // nothing pending: no grace periods
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(waitForThreadCount(before), before);
    }
}

} // namespace
