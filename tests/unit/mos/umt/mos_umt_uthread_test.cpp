#include "mos_umt.h"

#include "../test_support.h"
#include "mos_fastlock.h"
#include "mos_umt_sched.h"
#include "mos_umt_semaphore.h"
#include "umt_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace {

using mostest::UmtTest;

TEST(UmtNoScheduler, ThreadWithoutUmtIsSuspendableAndHasNoHandle) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EQ(mosUmt_IsSuspendable(), 1u);
    MosFastlock lock;
    mosFastlock_Create(&lock);
    mosFastlockBase_Acquire(&lock);
    EXPECT_EQ(mosUmt_IsSuspendable(), 1u); // the bracket does nothing here
    mosFastlockBase_Release(&lock);
    EXPECT_EXIT((mostest::StdoutToStderr(), mosUmt_GetUThreadHdl()), mostest::ExitedWithMinusOne,
                "Panic Expression pUmt != \\(\\(void \\*\\)0\\)");
}

// Every thread created runs exactly once, whatever the policy.
class UmtPolicyTest : public UmtTest, public testing::WithParamInterface<const char *> {};

TEST_P(UmtPolicyTest, EveryThreadRunsOnceAndIsDeleted) {
    StartSched(GetParam(), 3, 1);
    std::atomic<uint32_t> runs{0};
    std::function<void()> fn = [&] {
        runs++;
        mosUmt_Yield();
    };
    for (int i = 0; i < 200; ++i) {
        Start(&fn, MOS_UMT_NO_THRD, 0);
    }
    mosUmtSched_WaitIdle(&sched_);
    EXPECT_EQ(runs.load(), 200u);
    EXPECT_EQ(mosUmtSched_GetNumUmts(&sched_), 0u);
    EXPECT_EQ(sched_.defaultClass.list.counter, 0u);
    EXPECT_EQ(sched_.defaultClass.numCreated, 200u);
}

INSTANTIATE_TEST_SUITE_P(Policies, UmtPolicyTest,
                         testing::Values("LEAST_Q_DEPTH", "LEAST_Q_DEPTH_FULL", "RR",
                                         "SOFT_AFFINITY"));

TEST_F(UmtTest, CreationRefusesBadSettings) {
    MosUmtSched sched = {};
    struct Case {
        const char *pPolicy;
        uint32_t numThrds;
        uint32_t stackBytes;
    } cases[] = {{"FIFO", 1, 0}, {nullptr, 1, 0}, {"RR", 0, 0}, {"RR", 65, 0}, {"RR", 1, 4096}};
    for (const Case &c : cases) {
        MosUmtSchedParams params = {"bad", c.pPolicy, c.numThrds, 0, c.stackBytes};
        EXPECT_EQ(mosUmtSched_Create(&sched, &params), MOS_RC__INVALID)
            << (c.pPolicy ? c.pPolicy : "null") << " " << c.numThrds;
    }
    StartSched("RR", 2);
    MosUmtCreateParams params = {nullptr, 0, 2, 0, 0};
    std::function<void()> fn = [] {};
    EXPECT_EQ(mosUmt_Create(&sched_, mostest::RunLambda, &fn, &params, nullptr), MOS_RC__INVALID);
}

// Two threads on one scheduler thread take turns at each yield.
TEST_F(UmtTest, YieldGoesToTheBackOfTheReadyQueue) {
    StartSched("RR", 2);
    std::string order;
    std::function<void()> a = [&] {
        for (int i = 0; i < 3; ++i) {
            order += 'a';
            mosUmt_Yield();
        }
    };
    std::function<void()> b = [&] {
        for (int i = 0; i < 3; ++i) {
            order += 'b';
            mosUmt_Yield();
        }
    };
    RunQueuedTogether({&a, &b});
    EXPECT_EQ(order, "ababab");
}

// A user-mode thread joins another through a semaphore: the ended thread
// stays until the joiner lets go of it.
TEST_F(UmtTest, JoinFromAUserModeThread) {
    StartSched("RR", 2);
    MosUmtSem joinSem;
    mosUmtSem_Init(&joinSem);
    std::atomic<bool> bChildRan{false};
    std::function<void()> child = [&] { bChildRan = true; };
    RunInUmt([&] {
        MosUmtCreateParams params = {nullptr, 0, MOS_UMT_NO_THRD, 0, 0, &joinSem};
        MosUmt *pChild = nullptr;
        ASSERT_EQ(mosUmt_Create(&sched_, mostest::RunLambda, &child, &params, &pChild),
                  MOS_RC__SUCCESS);
        mosUmt_Join(pChild);
        EXPECT_TRUE(bChildRan.load());
    });
    EXPECT_EQ(mosUmtSched_GetNumUmts(&sched_), 0u);
    EXPECT_EQ(joinSem.count, 0u);
    mosUmtSem_Destroy(&joinSem);
}

TEST_F(UmtTest, CurrentThreadQueries) {
    StartSched("LEAST_Q_DEPTH", 2);
    RunInUmt([&] {
        MosUmt *pUmt = mosUmt_GetUThreadHdl();
        EXPECT_EQ(mosUmt_IsRunning(), 1u);
        EXPECT_EQ(pUmt->state, MOS_UMT_STATE__RUNNING);
        EXPECT_EQ(mosUmt_GetCurSched(), &sched_);
        ASSERT_NE(mosUmt_GetCurSchedThrd(), nullptr);
        EXPECT_EQ(mosUmt_GetCurSchedThrd()->pRunningUmt, pUmt);
        uint64_t left = mosUmt_GetStackSpaceLeftInBs();
        EXPECT_GT(left, 0u);
        EXPECT_LT(left, uint64_t{MOS_UMT_DEFAULT_STACK_BYTES});
        EXPECT_EQ(mosUmt_IsSuspendable(), 1u);
    });
    EXPECT_EQ(mosUmt_GetCurSched(), mosUmtSched_GetDefault());
    EXPECT_EQ(mosUmt_GetCurSchedThrd(), nullptr);
}

// Fast locks move the running thread's bracket; it is suspendable again
// once it holds none.
TEST_F(UmtTest, FastLocksMakeTheThreadNonSuspendable) {
    StartSched("RR", 1);
    MosFastlock lockA;
    MosFastlock lockB;
    mosFastlock_Create(&lockA);
    mosFastlock_Create(&lockB);
    RunInUmt([&] {
        MosUmt *pUmt = mosUmt_GetUThreadHdl();
        mosFastlockBase_Acquire(&lockA);
        EXPECT_EQ(mosUmt_IsSuspendable(), 0u);
        EXPECT_EQ(mosFastlockBase_TryAcquire(&lockB), 1u);
        EXPECT_EQ(pUmt->nonSuspendable, 2u);
        mosFastlockBase_Release(&lockB);
        mosFastlockBase_Release(&lockA);
        EXPECT_EQ(pUmt->nonSuspendable, 0u);
        EXPECT_EQ(mosUmt_IsSuspendable(), 1u);
        pUmt->bAlwaysSuspendable = 1;
        mosFastlockBase_Acquire(&lockA);
        EXPECT_EQ(mosUmt_IsSuspendable(), 1u);
        mosFastlockBase_Release(&lockA);
        pUmt->bAlwaysSuspendable = 0;
    });
}

// Waiting while another fast lock is held would carry it across a switch.
TEST_F(UmtTest, BlockingWhileHoldingALockIsABrokenInvariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            StartSched("RR", 1);
            MosFastlock lock;
            mosFastlock_Create(&lock);
            MosUmtSem sem;
            mosUmtSem_Init(&sem);
            RunInUmt([&] {
                mosFastlockBase_Acquire(&lock);
                (void)mosUmtSem_DecTimed(&sem, 1, 0);
            });
        },
        mostest::ExitedWithMinusOne, "ALWAYS_ASSERT This UMT cannot be suspended now");
}

TEST_F(UmtTest, SleepLastsAtLeastItsTime) {
    StartSched("RR", 1);
    auto start = std::chrono::steady_clock::now();
    RunInUmt([] { mosUmt_SleepMs(150); });
    auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    EXPECT_GE(elapsedMs, 90); // the nearest timer period is 100 ms
}

// A sleeping thread does not hold up the others of its scheduler thread.
TEST_F(UmtTest, SleepLetsOtherThreadsRun) {
    StartSched("RR", 1);
    std::atomic<bool> bSlept{false};
    std::atomic<bool> bOtherRanFirst{false};
    std::function<void()> sleeper = [&] {
        mosUmt_SleepMs(100);
        bSlept = true;
    };
    std::function<void()> other = [&] { bOtherRanFirst = !bSlept.load(); };
    MosUmt *pSleeper = Start(&sleeper, 0);
    MosUmt *pOther = Start(&other, 0);
    mosUmt_Join(pSleeper);
    mosUmt_Join(pOther);
    EXPECT_TRUE(bOtherRanFirst.load());
}

// Threads move between scheduler threads and keep running correctly.
TEST_F(UmtTest, ManySwitchesAcrossSchedulerThreads) {
    StartSched("RR", 4);
    MosUmtSem sem;
    mosUmtSem_Init(&sem);
    std::atomic<uint64_t> sum{0};
    std::function<void()> fn = [&] {
        for (int i = 0; i < 50; ++i) {
            mosUmtSem_IncInter(&sem, 1, 0);
            ASSERT_EQ(mosUmtSem_DecTimed(&sem, 1, 0), MOS_RC__SUCCESS);
            sum += 1;
            mosUmt_Yield();
        }
    };
    for (int i = 0; i < 16; ++i) {
        Start(&fn, MOS_UMT_NO_THRD, 0);
    }
    mosUmtSched_WaitIdle(&sched_);
    mosUmtSem_Destroy(&sem);
    EXPECT_EQ(sum.load(), 16u * 50u);
}

// ---- policies, on scheduler records without threads ----

struct PolicyFixture {
    MosUmtSchedThrd thrds[3] = {};
    MosUmtSchedThrdConf conf = {1};
    MosUmtSched sched = {};
    MosUmt umt = {};
    PolicyFixture() {
        sched.pThrds = thrds;
        sched.numThrds = 3;
        for (MosUmtSchedThrd &t : thrds) {
            t.pConf = &conf;
        }
    }
    uint32_t Pick(MosUmtSchedThrdPolicyFn pFn) {
        return static_cast<uint32_t>(pFn(&sched, &umt) - thrds);
    }
};

TEST(UmtSchedPolicy, RoundRobinSkipsExcludedThreads) {
    PolicyFixture f;
    f.thrds[1].bExcluded = 1;
    std::vector<uint32_t> picks;
    for (int i = 0; i < 4; ++i) {
        picks.push_back(f.Pick(mosUmtSchedThrd_RoundRobin));
    }
    EXPECT_EQ(picks, (std::vector<uint32_t>{0, 2, 0, 2}));
}

TEST(UmtSchedPolicy, SoftAffinityStartsAtThePreferredThread) {
    PolicyFixture f;
    struct Case {
        uint32_t preferred;
        uint32_t excluded; // index, 3: none
        uint32_t expected;
    } cases[] = {{1, 3, 1}, {4, 3, 1}, {1, 1, 2}, {2, 2, 0}};
    for (const Case &c : cases) {
        for (uint32_t i = 0; i < 3; ++i) {
            f.thrds[i].bExcluded = i == c.excluded ? 1 : 0;
        }
        f.umt.preferredThrdIdx = c.preferred;
        EXPECT_EQ(f.Pick(mosUmtSchedThrd_SoftAffinity), c.expected) << c.preferred;
    }
}

// Rows with a current thread run the policy as that scheduler thread
// calls it: it may stay there, and the thread it runs does not count in its
// own depth.
TEST(UmtSchedPolicy, LeastQueueDepth) {
    MosUmt running = {};
    constexpr uint32_t NONE = 3;
    struct Case {
        const char *pWhat;
        uint32_t depths[3];
        uint32_t threshold;
        uint32_t bMustMove;
        uint32_t excluded;    // NONE: none
        bool bRunningOnFirst; // thread 0 runs a user-mode thread
        uint32_t current;     // the calling scheduler thread; NONE: not one
        bool bSameSched;      // the calling thread belongs to the policy's scheduler
        uint32_t expected;
    } cases[] = {
        {"first within threshold", {2, 0, 0}, 2, 0, NONE, false, NONE, false, 0},
        {"running thread counts", {2, 0, 0}, 2, 0, NONE, true, NONE, false, 1},
        {"smallest when none within", {5, 4, 4}, 1, 0, NONE, false, NONE, false, 1},
        {"must move takes the smallest", {0, 1, 0}, 5, 1, 0, false, NONE, false, 2},
        {"excluded never chosen", {0, 3, 2}, 0, 0, 0, false, NONE, false, 2},
        {"stays within threshold", {0, 1, 0}, 1, 0, NONE, true, 1, true, 1},
        {"stays although others are shallower", {0, 2, 0}, 2, 0, NONE, true, 1, true, 1},
        {"own running thread not counted", {1, 0, 0}, 1, 0, NONE, true, 0, true, 0},
        {"must move leaves although within threshold", {0, 1, 2}, 1, 1, NONE, true, 1, true, 0},
        {"must move takes the smallest, the current one too",
         {2, 0, 3},
         5,
         1,
         NONE,
         true,
         1,
         true,
         1},
        {"over threshold scans from the first", {1, 3, 0}, 1, 0, NONE, true, 1, true, 2},
        {"another scheduler's thread does not stay", {0, 1, 0}, 1, 0, NONE, true, 1, false, 0},
    };
    const MosUmtTls saved = umtTls_G;
    for (const Case &c : cases) {
        PolicyFixture f;
        MosUmtSched other = {};
        f.sched.depthThreshold = c.threshold;
        f.umt.bMustMove = c.bMustMove;
        for (uint32_t i = 0; i < 3; ++i) {
            f.thrds[i].qDepth[0] = c.depths[i];
            f.thrds[i].bExcluded = i == c.excluded ? 1 : 0;
        }
        f.thrds[0].pRunningUmt = c.bRunningOnFirst ? &running : nullptr;
        if (c.current != NONE) {
            umtTls_G.pCurSched = c.bSameSched ? &f.sched : &other;
            umtTls_G.pCurSchedThrd = &f.thrds[c.current];
        }
        EXPECT_EQ(f.Pick(mosUmtSchedThrd_LeastQDepth), c.expected) << c.pWhat;
        umtTls_G = saved;
    }
}

TEST(UmtSchedPolicy, TableNamesFourPolicies) {
    EXPECT_EQ(mosUmtSchedThrd_FindPolicy("LEAST_Q_DEPTH_FULL")->pFunc, mosUmtSchedThrd_LeastQDepth);
    EXPECT_EQ(mosUmtSchedThrd_FindPolicy("RR")->pFunc, mosUmtSchedThrd_RoundRobin);
    EXPECT_EQ(mosUmtSchedThrd_FindPolicy("SOFT_AFFINITY")->pFunc, mosUmtSchedThrd_SoftAffinity);
    EXPECT_EQ(mosUmtSchedThrd_FindPolicy("rr"), nullptr);
}

// ---- user contexts through the schedulers ----

TEST_F(UmtTest, UserContextsFollowTheCallingThread) {
    StartSched("RR", 1);
    ASSERT_EQ(mosUserContext_LayerInit(nullptr), MOS_RC__SUCCESS);
    const uint32_t magic = mosUserContext_GenerateContextMagic();
    uint64_t value = 42;
    RunInUmt([&] {
        EXPECT_EQ(mosUmt_SetUserContext(magic, &value, nullptr), MOS_RC__SUCCESS);
        uint64_t got = 0;
        EXPECT_EQ(mosUmt_GetUserContext(magic, &got), MOS_RC__SUCCESS);
        EXPECT_EQ(got, 42u);
    });
    uint64_t got = 0;
    // Not on this thread: the scheduler thread holds it.
    EXPECT_EQ(mosUmt_GetUserContext(magic, &got), MOS_RC__NOT_FOUND);
    RunInUmt([&] { EXPECT_EQ(mosUmt_ClearUserContext(magic, 0), MOS_RC__SUCCESS); });
}

TEST(UmtUserContextForwarding, MissingCallbackIsABrokenInvariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MosUmtSched bare = {};
    uint64_t value = 0;
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosUmtSched_GetUserContext(&bare, 1, &value)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pSched->pGetUserContextCK\\) != \\(\\(void \\*\\)0\\)");
}

TEST(UmtBacktraces, WalkOfAnEmptyListPrintsNothing) {
    testing::internal::CaptureStdout();
    mosUmt_SetBacktraceMode(1);
    mosUmt_PrintAllBacktraces();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

} // namespace
