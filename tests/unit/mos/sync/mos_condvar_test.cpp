#include "mos_condvar.h"

#include "../test_support.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class CondVarTest : public testing::Test {
  protected:
    void SetUp() override {
        mosFastlock_Create(&lock_);
        mosOSWCond_Init(&cond_);
    }
    // Takes the slim lock once bReady() holds under it, and keeps it.
    template <typename Ready> void HoldSlimLockOnce(Ready bReady) {
        for (;;) {
            osSlimLock_Acquire(&lock_.slimLock);
            if (bReady()) {
                return;
            }
            osSlimLock_Release(&lock_.slimLock);
            std::this_thread::yield();
        }
    }
    MosFastlock lock_{};
    MosOSWCond cond_{};
    bool bWaiting_ = false; // guarded by lock_
    bool bSignalled_ = false;
};

// The waiter holds the lock from setting bWaiting_ until its wait starts,
// so the main thread getting the lock with bWaiting_ set proves the wait
// released it.
TEST_F(CondVarTest, WaitReleasesTheFastLockAndRestoresItsBookkeeping) {
    uint32_t heldBefore = 9, heldAfter = 9, ownerAfter = 9;
    std::thread waiter([&] {
        mosFastlockBase_Acquire(&lock_);
        bWaiting_ = true;
        heldBefore = mosFastlockBase_GetNumAcquired();
        while (!bSignalled_) {
            mosOSWCond_Wait(&cond_, &lock_);
        }
        heldAfter = mosFastlockBase_GetNumAcquired();
        ownerAfter = mosFastlockBase_IsOwner(&lock_);
        mosFastlockBase_Release(&lock_);
    });
    for (;;) {
        mosFastlockBase_Acquire(&lock_);
        if (bWaiting_) {
            break;
        }
        mosFastlockBase_Release(&lock_);
        std::this_thread::yield();
    }
    EXPECT_EQ(mosFastlockBase_IsOwner(&lock_), 1u);
    bSignalled_ = true;
    mosOSWCond_Signal(&cond_);
    mosFastlockBase_Release(&lock_);
    waiter.join();
    EXPECT_EQ(heldBefore, 1u);
    EXPECT_EQ(heldAfter, 1u);
    EXPECT_EQ(ownerAfter, 1u);
}

TEST_F(CondVarTest, TimedWaitTimesOutWithTheLockHeldAndBookkeepingKept) {
    mosFastlockBase_Acquire(&lock_);
    for (int32_t timeoutMs : {0, 1, 20}) {
        EXPECT_EQ(mosOSWCond_TimedWait(&cond_, &lock_.slimLock, timeoutMs), MOS_RC__TIMEOUT)
            << timeoutMs;
        EXPECT_EQ(mosFastlockBase_IsOwner(&lock_), 1u);
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 1u);
        uint32_t tryElsewhere = 9;
        std::thread([&] { tryElsewhere = mosFastlockBase_TryAcquire(&lock_); }).join();
        EXPECT_EQ(tryElsewhere, 0u);
    }
    mosFastlockBase_Release(&lock_);
}

TEST_F(CondVarTest, TimedWaitAndBroadcastWakeEveryWaiter) {
    constexpr int kWaiters = 4;
    int waiting = 0;
    MOS_RC results[kWaiters] = {};
    std::thread waiters[kWaiters];
    for (int i = 0; i < kWaiters; i++) {
        waiters[i] = std::thread([&, i] {
            osSlimLock_Acquire(&lock_.slimLock);
            waiting++;
            MOS_RC rc = MOS_RC__SUCCESS;
            while (!bSignalled_ && rc == MOS_RC__SUCCESS) {
                rc = mosOSWCond_TimedWait(&cond_, &lock_.slimLock, i % 2 ? -1 : 60000);
            }
            results[i] = rc;
            osSlimLock_Release(&lock_.slimLock);
        });
    }
    HoldSlimLockOnce([&] { return waiting == kWaiters; });
    bSignalled_ = true;
    mosOSWCond_Broadcast(&cond_);
    osSlimLock_Release(&lock_.slimLock);
    for (auto &waiter : waiters) {
        waiter.join();
    }
    for (MOS_RC rc : results) {
        EXPECT_EQ(rc, MOS_RC__SUCCESS);
    }
}

TEST_F(CondVarTest, WaitBaseIsWokenBySignal) {
    bool bDone = false;
    std::thread waiter([&] {
        osSlimLock_Acquire(&lock_.slimLock);
        bWaiting_ = true;
        while (!bSignalled_) {
            mosOSWCond_WaitBase(&cond_, &lock_.slimLock);
        }
        bDone = true;
        osSlimLock_Release(&lock_.slimLock);
    });
    HoldSlimLockOnce([&] { return bWaiting_; });
    bSignalled_ = true;
    mosOSWCond_Signal(&cond_);
    osSlimLock_Release(&lock_.slimLock);
    waiter.join();
    EXPECT_TRUE(bDone);
}

// A bounded queue between producers and consumers: every item arrives
// exactly once and nobody sleeps through its wake-up.
TEST_F(CondVarTest, ProducersAndConsumersHandOverEveryItem) {
    constexpr int kPerProducer = 2000;
    constexpr int kPairs = 4;
    MosOSWCond notFull{};
    mosOSWCond_Init(&notFull);
    std::vector<int> queue; // guarded by lock_, at most 8 items
    int64_t consumedSum = 0;
    int produced = 0;
    std::vector<std::thread> threads;
    for (int p = 0; p < kPairs; p++) {
        threads.emplace_back([&, p] {
            for (int i = 1; i <= kPerProducer; i++) {
                mosFastlockBase_Acquire(&lock_);
                while (queue.size() >= 8) {
                    mosOSWCond_Wait(&notFull, &lock_);
                }
                queue.push_back(p * kPerProducer + i);
                produced++;
                mosOSWCond_Signal(&cond_);
                mosFastlockBase_Release(&lock_);
            }
        });
        threads.emplace_back([&] {
            for (int i = 0; i < kPerProducer; i++) {
                mosFastlockBase_Acquire(&lock_);
                while (queue.empty()) {
                    mosOSWCond_Wait(&cond_, &lock_);
                }
                consumedSum += queue.back();
                queue.pop_back();
                mosOSWCond_Broadcast(&notFull);
                mosFastlockBase_Release(&lock_);
            }
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    const int64_t n = int64_t{kPairs} * kPerProducer;
    EXPECT_EQ(produced, n);
    EXPECT_EQ(consumedSum, n * (n + 1) / 2);
    EXPECT_TRUE(queue.empty());
}

TEST_F(CondVarTest, DestroyFillsTheVariableWith0x0F) {
    mosOSWCond_Destroy(&cond_);
    const auto *pBytes = reinterpret_cast<const unsigned char *>(&cond_);
    for (size_t i = 0; i < sizeof cond_; i++) {
        EXPECT_EQ(pBytes[i], 0x0F) << i;
    }
}

TEST(CondVarDeathTest, NullVariableIsABrokenInvariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosOSWCond_Init(nullptr)), mostest::ExitedWithMinusOne,
                "function mosOSWCond_Init, PID .*Expression pCondVar != \\(\\(void \\*\\)0\\) \\.");
}

} // namespace
