#include "mos_fastlock.h"

#include "../test_support.h"
#include "mos_umt.h"
#include "os_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

class FastlockTest : public testing::Test {
  protected:
    void SetUp() override {
        mosFastlock_Create(&lockA_);
        mosFastlock_Create(&lockB_);
    }
    MosFastlock lockA_{};
    MosFastlock lockB_{};
};

TEST_F(FastlockTest, FreeLockIsTakenWithoutWaitingAndOwnedOnlyHere) {
    EXPECT_EQ(mosFastlockBase_Acquire(&lockA_), 0u);
    EXPECT_EQ(mosFastlockBase_IsOwner(&lockA_), 1u);
    EXPECT_EQ(lockA_.ownerTid, osThread_GetCurrentId());
    uint32_t ownerElsewhere = 9, tryElsewhere = 9, heldElsewhere = 9;
    std::thread([&] {
        ownerElsewhere = mosFastlockBase_IsOwner(&lockA_);
        tryElsewhere = mosFastlockBase_TryAcquire(&lockA_);
        heldElsewhere = mosFastlockBase_GetNumAcquired();
    }).join();
    EXPECT_EQ(ownerElsewhere, 0u);
    EXPECT_EQ(tryElsewhere, 0u);
    EXPECT_EQ(heldElsewhere, 0u);
    mosFastlockBase_Release(&lockA_);
    EXPECT_EQ(lockA_.ownerTid, 0u);
    EXPECT_EQ(mosFastlockBase_IsOwner(&lockA_), 0u);
}

TEST_F(FastlockTest, HeldLockMakesAcquireWaitAndReportIt) {
    mosFastlockBase_Acquire(&lockA_);
    std::atomic<bool> bStarting{false};
    uint32_t contended = 9, ownerInWaiter = 9;
    std::thread waiter([&] {
        bStarting = true;
        contended = mosFastlockBase_Acquire(&lockA_);
        ownerInWaiter = mosFastlockBase_IsOwner(&lockA_);
        mosFastlockBase_Release(&lockA_);
    });
    while (!bStarting) {
        std::this_thread::yield();
    }
    // Hold on long enough for the waiter's first attempt to fail.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(mosFastlockBase_IsOwner(&lockA_), 1u);
    mosFastlockBase_Release(&lockA_);
    waiter.join();
    EXPECT_EQ(contended, 1u);
    EXPECT_EQ(ownerInWaiter, 1u);
    EXPECT_EQ(mosFastlockBase_IsOwner(&lockA_), 0u);
}

TEST_F(FastlockTest, HeldCountFollowsEveryOrderOfTwoLocks) {
    struct Order {
        bool bReleaseAFirst;
        bool bTryB;
    };
    for (Order order : {Order{true, false}, Order{false, false}, Order{true, true}}) {
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 0u);
        mosFastlockBase_Acquire(&lockA_);
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 1u);
        if (order.bTryB) {
            EXPECT_EQ(mosFastlockBase_TryAcquire(&lockB_), 1u);
        } else {
            mosFastlockBase_Acquire(&lockB_);
        }
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 2u);
        mosFastlockBase_Release(order.bReleaseAFirst ? &lockA_ : &lockB_);
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 1u);
        mosFastlockBase_Release(order.bReleaseAFirst ? &lockB_ : &lockA_);
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 0u);
    }
}

TEST_F(FastlockTest, ImplicitBookkeepingLeavesTheSlimLockAlone) {
    mosFastlockBase_Acquire(&lockA_);
    mosFastlockBase_ReleaseImplicit(&lockA_);
    EXPECT_EQ(lockA_.ownerTid, 0u);
    EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 0u);
    uint32_t tryElsewhere = 9;
    std::thread([&] { tryElsewhere = mosFastlockBase_TryAcquire(&lockA_); }).join();
    EXPECT_EQ(tryElsewhere, 0u) << "the slim lock must still be held";
    mosFastlockBase_AcquireImplicit(&lockA_);
    EXPECT_EQ(mosFastlockBase_IsOwner(&lockA_), 1u);
    EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 1u);
    mosFastlockBase_Release(&lockA_);
}

TEST_F(FastlockTest, ZeroFilledLockWorksBeforeCreation) {
    MosFastlock zeroed{};
    EXPECT_EQ(zeroed.ownerTid, 0u);
    EXPECT_EQ(mosFastlockBase_Acquire(&zeroed), 0u);
    mosFastlockBase_Release(&zeroed);
}

// The bracket moves the running user-mode thread's count with every
// acquisition and release, and a failed attempt moves nothing.
TEST_F(FastlockTest, UserModeThreadIsNonSuspendableWhileHoldingLocks) {
    MosUmt umt{};
    std::thread([&] {
        umtTls_G.pUmt = &umt;
        mosFastlockBase_Acquire(&lockA_);
        EXPECT_EQ(umt.nonSuspendable, 1u);
        EXPECT_EQ(mosFastlockBase_TryAcquire(&lockB_), 1u);
        EXPECT_EQ(umt.nonSuspendable, 2u);
        mosFastlockBase_Release(&lockB_);
        mosFastlockBase_ReleaseImplicit(&lockA_);
        EXPECT_EQ(umt.nonSuspendable, 0u);
        mosFastlockBase_AcquireImplicit(&lockA_);
        EXPECT_EQ(umt.nonSuspendable, 1u);
        mosFastlockBase_Release(&lockA_);
        EXPECT_EQ(umt.nonSuspendable, 0u);
        umtTls_G.pUmt = nullptr;
    }).join();

    mosFastlockBase_Acquire(&lockA_);
    std::thread([&] {
        umtTls_G.pUmt = &umt;
        EXPECT_EQ(mosFastlockBase_TryAcquire(&lockA_), 0u);
        EXPECT_EQ(umt.nonSuspendable, 0u);
        EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 0u);
        umtTls_G.pUmt = nullptr;
    }).join();
    mosFastlockBase_Release(&lockA_);
}

// Many threads, one counter: the lock must exclude (ThreadSanitizer also
// checks that the lock publishes the writes).
TEST_F(FastlockTest, ExcludesUnderContention) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    uint64_t counter = 0;
    std::atomic<uint32_t> contentions{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; i++) {
                contentions += mosFastlockBase_Acquire(&lockA_);
                counter++;
                mosFastlockBase_Release(&lockA_);
            }
            EXPECT_EQ(mosFastlockBase_GetNumAcquired(), 0u);
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, uint64_t{kThreads} * kRounds);
}

TEST(FastlockDeathTest, BrokenInvariantsEndInTheAssertionHandler) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MosFastlock lock{};
    EXPECT_EXIT((mostest::StdoutToStderr(), mosFastlockBase_Release(&lock)),
                mostest::ExitedWithMinusOne,
                "function mosFastlockBase_Release, PID .*Panic Expression tlsLockAcquires_G \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosFastlockBase_ReleaseImplicit(&lock)),
                mostest::ExitedWithMinusOne,
                "function mosFastlockBase_ReleaseImplicit, PID .*Expression tlsLockAcquires_G \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 mosFastlockBase_AdaptiveCreateInternal(nullptr, "f.cpp", "creator", 1)),
                mostest::ExitedWithMinusOne,
                "Panic Expression \\(pLock\\) != \\(\\(void \\*\\)0\\) \\.");
    MosUmt umt{};
    EXPECT_EXIT((mostest::StdoutToStderr(), umtTls_G.pUmt = &umt, mosUmt_SetSuspendable()),
                mostest::ExitedWithMinusOne,
                "function mosUmt_SetSuspendable, PID .*Expression 0 < pUmt->nonSuspendable \\.");
}

} // namespace
