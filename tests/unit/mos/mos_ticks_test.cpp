#include "mos_ticks.h"

#include "core_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr uint64_t kMax = ~uint64_t{0};
constexpr uint64_t kHalf = uint64_t{1} << 63;

TEST(Ticks, DistanceIsTheShorterWayRoundTheCircle) {
    struct Case {
        uint64_t a, b, distance;
        bool bAfter;
    };
    const Case cases[] = {
        {5, 3, 2, true},
        {3, 5, 2, false},
        {0, kMax, 1, true},
        {kMax, 0, 1, false},
        {7, 7, 0, false},
        {kHalf, 0, kHalf, false},
        {kHalf - 1, 0, kHalf - 1, true},
        {0, kHalf, kHalf, true},
        {0, kHalf + 1, kHalf - 1, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mosTicks_Distance(c.a, c.b), c.distance) << c.a << "," << c.b;
        EXPECT_EQ(mosTicks_IsAfter(c.a, c.b), c.bAfter) << c.a << "," << c.b;
    }
}

TEST(Ticks, ConversionsAtOneTickPerMillisecond) {
    mostest::EnsureCoreLayers();
    ASSERT_TRUE(mosTicks_IsReady());
    struct Case {
        uint64_t in, toTicks, toMillis;
    };
    for (Case c : {Case{0, 0, 0}, Case{1, 1, 1}, Case{5000000000ull, 4294967295ull, 5000000000ull},
                   Case{4294967295ull, 4294967295ull, 4294967295ull}}) {
        EXPECT_EQ(mosTicks_MillisToTicks(c.in), c.toTicks) << c.in;
        EXPECT_EQ(mosTicks_TicksToMillis(c.in), c.toMillis) << c.in;
    }
}

TEST(Ticks, MillisSinceCountsForwardFromTheSystemTick) {
    mostest::EnsureCoreLayers();
    uint64_t now = mosTicks_GetCurrent();
    EXPECT_LE(mosTicks_MillisSince(now), 60000u);
    EXPECT_GE(mosTicks_MillisSince(now - 1000), 1000u);
}

// The thread-time source counts the thread's user time in milliseconds,
// like every other tick here: a thread that has run 20 ms of user time
// reads at least 20 (not 1, as in units of ten seconds).
TEST(Ticks, LayerDownAndThreadTimeSource) {
    mostest::EnsureCoreLayers();
    mosTicksLayer_Destroy();
    EXPECT_FALSE(mosTicks_IsReady());
    MosTicksParams params{0, 1};
    ASSERT_EQ(mosTicksLayer_Init(&params), MOS_RC__SUCCESS);
    uint64_t freshThreadTicks = kMax;
    uint64_t busyThreadTicks = 0;
    std::thread([&] {
        freshThreadTicks = mosTicks_GetCurrent();
        // Spin on user time; the wall-clock bound only ends a broken source.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        volatile uint64_t sink = 0;
        while ((busyThreadTicks = mosTicks_GetCurrent()) < 20 &&
               std::chrono::steady_clock::now() < giveUp) {
            for (int i = 0; i < 100000; i++) {
                sink = sink + static_cast<uint64_t>(i);
            }
        }
    }).join();
    EXPECT_LT(freshThreadTicks, 1000u) << "a fresh thread has used almost no processor time";
    EXPECT_GE(busyThreadTicks, 20u);
    EXPECT_LT(busyThreadTicks, 10000u);
    mosTicksLayer_Destroy();
    ASSERT_EQ(mosTicksLayer_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_TRUE(mosTicks_IsReady());
}

TEST(TicksDeathTest, ConversionNeedsTheLayer) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    EXPECT_EXIT((mostest::StdoutToStderr(), mosTicksLayer_Destroy(), mosTicks_MillisToTicks(5)),
                mostest::ExitedWithMinusOne, "function mosTicks_MillisToTicks, PID ");
}

} // namespace
