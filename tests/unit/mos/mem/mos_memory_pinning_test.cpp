#include "mos_memory_pinning.h"

#include "../core_layers.h"
#include "../thread_names.h"
#include "mos_diag_counters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr uint64_t MiB = 1024 * 1024;

std::vector<std::pair<uint64_t, uint64_t>> calls_G;
uint32_t failAtCall_G = 0; // 1-based; 0: never

bool recordLock(void *pMem, uint64_t size) {
    calls_G.emplace_back(reinterpret_cast<uint64_t>(pMem), size);
    return calls_G.size() != failAtCall_G;
}

class PinningTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        calls_G.clear();
        failAtCall_G = 0;
    }
    void TearDown() override { mosMemPinning_LayerDestroy(); }
    void Start(uint32_t bEnabled) {
        MosMemPinningParams params{bEnabled, 32 * MiB, 1 * MiB};
        ASSERT_EQ(mosMemPinning_LayerInit(&params), MOS_RC__SUCCESS);
    }
};

TEST_F(PinningTest, RegionIsLockedInPortions) {
    ASSERT_EQ(mosMemPinning_LockInPortions(0x10000000, 100 * MiB, 32 * MiB, recordLock),
              MOS_RC__SUCCESS);
    const std::vector<std::pair<uint64_t, uint64_t>> expected = {{0x10000000, 32 * MiB},
                                                                 {0x12000000, 32 * MiB},
                                                                 {0x14000000, 32 * MiB},
                                                                 {0x16000000, 4 * MiB}};
    EXPECT_EQ(calls_G, expected);
}

TEST_F(PinningTest, FailedCallEndsTheRegionEarly) {
    failAtCall_G = 2;
    EXPECT_EQ(mosMemPinning_LockInPortions(0x10000000, 100 * MiB, 32 * MiB, recordLock),
              MOS_RC__ERROR);
    EXPECT_EQ(calls_G.size(), 2u);
}

TEST_F(PinningTest, DisabledLayerAnswersNotReadyAndRunsNoThread) {
    Start(0);
    EXPECT_EQ(mostest::CountThreadsNamed("mosMemPinning"), 0u);
    std::vector<uint8_t> region(2 * MiB);
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), nullptr, nullptr, true),
              MOS_RC__NOT_READY);
    ASSERT_EQ(mosMemPinning_LayerInit(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), nullptr, nullptr, true),
              MOS_RC__NOT_READY);
    EXPECT_EQ(mosMemPinningLayer_G.portionSize, 32 * MiB);
    EXPECT_EQ(mosMemPinningLayer_G.threshold, 1 * MiB);
}

void signalDone(void *pArg) {
    static_cast<std::atomic<int> *>(pArg)->fetch_add(1);
}

TEST_F(PinningTest, SmallRegionsAreIgnoredUnlessForced) {
    Start(1);
    EXPECT_EQ(mostest::WaitForThreadsNamed("mosMemPinning", 1), 1u);
    std::vector<uint8_t> region(512 * 1024);
    std::atomic<int> done{0};
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), signalDone, &done, false),
              MOS_RC__IGNORE);
    const uint64_t callsBefore =
        __atomic_load_n(&mosMemPinningLayer_G.numLockCalls, __ATOMIC_RELAXED);
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), signalDone, &done, true),
              MOS_RC__PENDING);
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), nullptr, nullptr, true),
              MOS_RC__SUCCESS);
    for (int i = 0;
         i < 1000 && (done.load() == 0 || __atomic_load_n(&mosMemPinningLayer_G.numLockCalls,
                                                          __ATOMIC_RELAXED) < callsBefore + 2);
         i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(done.load(), 1); // the callback runs whether or not the lock succeeded
    EXPECT_EQ(__atomic_load_n(&mosMemPinningLayer_G.numLockCalls, __ATOMIC_RELAXED),
              callsBefore + 2);
}

// The threshold is the smallest size worth pinning: a region of exactly
// that size is queued like a larger one; one byte less only when forced.
TEST_F(PinningTest, RegionOfExactlyTheThresholdIsQueued) {
    Start(1);
    EXPECT_EQ(mostest::WaitForThreadsNamed("mosMemPinning", 1), 1u);
    std::vector<uint8_t> region(MiB + 1);
    struct Case {
        uint64_t size;
        bool bForce;
        MOS_RC rc;
    };
    const Case cases[] = {
        {MiB - 1, false, MOS_RC__IGNORE},  {MiB - 1, true, MOS_RC__PENDING},
        {MiB, false, MOS_RC__PENDING},     {MiB, true, MOS_RC__PENDING},
        {MiB + 1, false, MOS_RC__PENDING},
    };
    std::atomic<int> done{0};
    int queued = 0;
    for (const Case &c : cases) {
        EXPECT_EQ(mosMemPinning_Pin(region.data(), c.size, signalDone, &done, c.bForce), c.rc)
            << c.size << (c.bForce ? " forced" : "");
        queued += c.rc == MOS_RC__PENDING ? 1 : 0;
    }
    for (int i = 0; i < 2000 && done.load() < queued; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(done.load(), queued);
}

// Portions split a region at exact multiples only.
TEST_F(PinningTest, PortionBoundaries) {
    const std::pair<uint64_t, std::vector<uint64_t>> cases[] = {
        {0, {}},
        {32 * MiB - 1, {32 * MiB - 1}},
        {32 * MiB, {32 * MiB}},
        {32 * MiB + 1, {32 * MiB, 1}},
        {64 * MiB, {32 * MiB, 32 * MiB}},
    };
    for (const auto &[size, portions] : cases) {
        calls_G.clear();
        ASSERT_EQ(mosMemPinning_LockInPortions(0x10000000, size, 32 * MiB, recordLock),
                  MOS_RC__SUCCESS);
        std::vector<uint64_t> sizes;
        for (const auto &call : calls_G) {
            sizes.push_back(call.second);
        }
        EXPECT_EQ(sizes, portions) << size;
    }
}

void blockUntilReleased(void *pArg) {
    auto *pGate = static_cast<std::atomic<int> *>(pArg);
    pGate->store(1);
    while (pGate->load() != 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST_F(PinningTest, FullRingIsCountedAndRefused) {
    Start(1);
    std::vector<uint8_t> region(4096);
    std::atomic<int> gate{0};
    // Hold the thread in a callback, then fill the ring behind it.
    ASSERT_EQ(mosMemPinning_Pin(region.data(), region.size(), blockUntilReleased, &gate, true),
              MOS_RC__PENDING);
    while (gate.load() != 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const uint32_t slots = MOS_MEM_PINNING_RING_BYTES / sizeof(MosMemPinningReq);
    for (uint32_t i = 0; i < slots; i++) {
        ASSERT_EQ(mosMemPinning_Pin(region.data(), region.size(), nullptr, nullptr, true),
                  MOS_RC__SUCCESS)
            << i;
    }
    MosDiagCounterExtEntry before[MOS_DIAG_COUNTER__LAST];
    MosDiagCountersQuery q{MOS_DIAG_COUNTER__LAST, 0, {}, before};
    ASSERT_EQ(mosDiagCounters_QueryExt(&q, true), MOS_RC__SUCCESS);
    EXPECT_EQ(mosMemPinning_Pin(region.data(), region.size(), nullptr, nullptr, true),
              MOS_RC__NO_RESOURCES);
    MosDiagCounterExtEntry after[MOS_DIAG_COUNTER__LAST];
    q = {MOS_DIAG_COUNTER__LAST, 0, {}, after};
    ASSERT_EQ(mosDiagCounters_QueryExt(&q, true), MOS_RC__SUCCESS);
    EXPECT_EQ(after[MOS_DIAG_COUNTER__MEMORY_PINNING_FAILED_QUEUE].base.value,
              before[MOS_DIAG_COUNTER__MEMORY_PINNING_FAILED_QUEUE].base.value + 1);
    gate.store(2);
}

} // namespace
