#include "mos_umt_semaphore.h"

#include "../test_support.h"
#include "mos_timer.h"
#include "mos_umt_cond.h"
#include "mos_umt_once.h"
#include "os_thread.h"
#include "umt_fixture.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using mostest::UmtTest;

struct SemGuard {
    MosUmtSem sem;
    SemGuard() { mosUmtSem_Init(&sem); }
    ~SemGuard() { mosUmtSem_Destroy(&sem); }
};

uint32_t countOf(MosUmtSem *pSem) {
    mosFastlockBase_Acquire(&pSem->lock);
    uint32_t n = pSem->count;
    mosFastlockBase_Release(&pSem->lock);
    return n;
}

uint32_t numWaiters(MosUmtSem *pSem) {
    mosFastlockBase_Acquire(&pSem->lock);
    uint32_t n = pSem->cond.waitersList.counter;
    mosFastlockBase_Release(&pSem->lock);
    return n;
}

bool timerArmed(MosTimerReq *pReq) {
    MosTimerQ *pQ = mosTimer_GetQPtr(pReq->qSetId, pReq->qId);
    mosFastlockBase_Acquire(&pQ->lock);
    bool bArmed = pReq->state == MOS_TIMER_REQ_STATE__ACTIVE;
    mosFastlockBase_Release(&pQ->lock);
    return bArmed;
}

void waitForWaiters(MosUmtSem *pSem, uint32_t n) {
    while (numWaiters(pSem) != n) {
        osThread_SleepMs(1);
    }
}

// Increments and decrements that never wait, from any thread.
TEST(UmtSem, CountAndDebtWithoutWaiting) {
    struct Step {
        char op; // '+' increment, '-' decrement without waiting
        uint32_t n;
        uint32_t count;
        uint32_t countBelowZero;
    };
    struct Case {
        const char *pWhat;
        Step steps[3];
        uint32_t numSteps;
    } cases[] = {
        {"inc 3, dec 2", {{'+', 3, 3, 0}, {'-', 2, 1, 0}}, 2},
        {"debt, then paid", {{'+', 2, 2, 0}, {'-', 5, 0, 3}, {'+', 4, 1, 0}}, 3},
        {"debt paid in part", {{'-', 3, 0, 3}, {'+', 1, 0, 2}, {'+', 2, 0, 0}}, 3},
    };
    for (const Case &c : cases) {
        SemGuard g;
        for (uint32_t i = 0; i < c.numSteps; ++i) {
            const Step &s = c.steps[i];
            if (s.op == '+') {
                mosUmtSem_IncInter(&g.sem, s.n, 0);
            } else {
                EXPECT_EQ(mosUmtSem_DecIntern(&g.sem, s.n, 0, MOS_UMT_SEM_NO_WAIT),
                          MOS_RC__SUCCESS);
            }
            EXPECT_EQ(g.sem.count, s.count) << c.pWhat << " step " << i;
            EXPECT_EQ(g.sem.countBelowZero, s.countBelowZero) << c.pWhat << " step " << i;
        }
    }
}

// Waiters of weight 2 and 3 (in that order) and an increment of 4 from the
// head: the first is woken, the second still wants 1.
TEST_F(UmtTest, IncrementReleasesWeightInQueueOrder) {
    StartSched("RR", 2);
    SemGuard g;
    std::atomic<int> woken{0};
    std::function<void()> want2 = [&] {
        EXPECT_EQ(mosUmtSem_DecTimed(&g.sem, 2, 0), MOS_RC__SUCCESS);
        woken += 2;
    };
    std::function<void()> want3 = [&] {
        EXPECT_EQ(mosUmtSem_DecTimed(&g.sem, 3, 0), MOS_RC__SUCCESS);
        woken += 3;
    };
    MosUmt *p2 = Start(&want2);
    waitForWaiters(&g.sem, 1);
    MosUmt *p3 = Start(&want3);
    waitForWaiters(&g.sem, 2);
    mosUmtSem_IncInter(&g.sem, 4, 1);
    mosUmt_Join(p2);
    EXPECT_EQ(woken.load(), 2);
    EXPECT_EQ(countOf(&g.sem), 0u);
    EXPECT_EQ(numWaiters(&g.sem), 1u);
    EXPECT_EQ(g.sem.cond.totalWeight, 1u);
    mosUmtSem_IncInter(&g.sem, 2, 1);
    mosUmt_Join(p3);
    EXPECT_EQ(woken.load(), 5);
    EXPECT_EQ(g.sem.count, 1u);
}

// A wait that times out after half of its shortfall came gives that half
// back; nothing is lost.
TEST_F(UmtTest, TimedOutDecrementGivesBackWhatItGot) {
    StartSched("RR", 1);
    SemGuard g;
    MOS_RC rc = MOS_RC__SUCCESS;
    std::function<void()> fn = [&] { rc = mosUmtSem_DecTimed(&g.sem, 4, 100); };
    MosUmt *pUmt = Start(&fn);
    waitForWaiters(&g.sem, 1);
    mosUmtSem_IncInter(&g.sem, 2, 0);
    EXPECT_EQ(countOf(&g.sem), 0u);
    mosUmt_Join(pUmt);
    EXPECT_EQ(rc, MOS_RC__TIMEOUT);
    EXPECT_EQ(g.sem.count, 2u);
    EXPECT_EQ(g.sem.cond.totalWeight, 0u);
}

// A signal naming the wait id ends the wait with ABORTED; the count taken
// before waiting is given back.
TEST_F(UmtTest, ExplicitWakeAbortsTheDecrement) {
    StartSched("RR", 1);
    SemGuard g;
    mosUmtSem_IncInter(&g.sem, 1, 0);
    MOS_RC rc = MOS_RC__SUCCESS;
    std::function<void()> fn = [&] { rc = mosUmtSem_DecIntern(&g.sem, 3, 77, 0); };
    MosUmt *pUmt = Start(&fn);
    waitForWaiters(&g.sem, 1);
    mosFastlockBase_Acquire(&g.sem.lock);
    EXPECT_EQ(mosUmtCond_SignalIntrn(&g.sem.cond, 5, 76, 1), 0u); // another id
    EXPECT_EQ(mosUmtCond_SignalIntrn(&g.sem.cond, 5, 77, 1), 2u);
    mosFastlockBase_Release(&g.sem.lock);
    mosUmt_Join(pUmt);
    EXPECT_EQ(rc, MOS_RC__ABORTED);
    EXPECT_EQ(g.sem.count, 1u);
}

// A timed wait woken by a signal before its time: SUCCESS, and its timer
// no longer fires.
TEST_F(UmtTest, SignalBeatsTheTimeout) {
    StartSched("RR", 1);
    SemGuard g;
    MOS_RC rc = MOS_RC__TIMEOUT;
    std::function<void()> fn = [&] { rc = mosUmtSem_DecTimed(&g.sem, 1, 300); };
    MosUmt *pUmt = Start(&fn);
    waitForWaiters(&g.sem, 1);
    mosUmtSem_IncInter(&g.sem, 1, 0);
    mosUmt_Join(pUmt);
    EXPECT_EQ(rc, MOS_RC__SUCCESS);
    EXPECT_EQ(g.sem.count, 0u);
}

// The timer fires while a signaller holds the lock: the signaller finds
// the timer no longer armed, unlinks the waiter as timed out and keeps the
// unit; the time-out callback then only resumes it. The waiters list must
// count the waiter out, or the semaphore would believe it still has one.
TEST_F(UmtTest, SignalAfterTheTimerFiredLeavesTheWakeToTheTimeout) {
    StartSched("RR", 1);
    SemGuard g;
    MOS_RC rc = MOS_RC__SUCCESS;
    std::function<void()> fn = [&] { rc = mosUmtSem_DecTimed(&g.sem, 1, 100); };
    MosUmt *pUmt = Start(&fn);
    waitForWaiters(&g.sem, 1);
    mosFastlockBase_Acquire(&g.sem.lock);
    // The poll thread fires it, then waits for the lock in the callback.
    while (timerArmed(&pUmt->timerReq)) {
        osThread_SleepMs(5);
    }
    mosUmtSem_IncInterNoLock(&g.sem, 1, 0);
    EXPECT_EQ(g.sem.cond.waitersList.counter, 0u);
    EXPECT_EQ(g.sem.cond.totalWeight, 0u);
    EXPECT_EQ(g.sem.count, 1u);
    mosFastlockBase_Release(&g.sem.lock);
    mosUmt_Join(pUmt);
    EXPECT_EQ(rc, MOS_RC__TIMEOUT);
    EXPECT_EQ(countOf(&g.sem), 1u);
}

// The release callback sees every waiter leave, with its reason.
TEST_F(UmtTest, ReleaseCallbackSeesEachWake) {
    StartSched("RR", 1);
    static std::atomic<uint32_t> reasons{0};
    reasons = 0;
    SemGuard g;
    g.sem.cond.pReleaseCK = [](MosUmtCond *, MosUmt *, uint32_t bTimedOut, uint32_t reason) {
        reasons += reason * 10 + bTimedOut;
    };
    std::function<void()> fn = [&] {
        EXPECT_EQ(mosUmtSem_DecTimed(&g.sem, 1, 0), MOS_RC__SUCCESS);
    };
    MosUmt *pUmt = Start(&fn);
    waitForWaiters(&g.sem, 1);
    mosUmtSem_IncInter(&g.sem, 1, 0);
    mosUmt_Join(pUmt);
    EXPECT_EQ(reasons.load(), 30u);
}

TEST(UmtSem, DestroyingWithWaitersOrOwnerIsABrokenInvariant) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MosUmtCond cond;
    mosUmtCond_Init(&cond);
    MosUmt fake = {};
    mosList_Append(&cond.waitersList, &fake.waitNode);
    cond.waitersList.counter = 1;
    EXPECT_EXIT((mostest::StdoutToStderr(), mosUmtCond_Destroy(&cond)), mostest::ExitedWithMinusOne,
                "Expression \\(\\(\\(&pCond->waitersList\\)->counter\\) == 0\\)");
    MosUmtMutex mutex;
    mosUmtMutex_InitWithFuncLine(&mutex, __FILE__, __func__, __LINE__);
    mutex.hOwner = &fake;
    EXPECT_EXIT((mostest::StdoutToStderr(), mosUmtMutex_Destroy(&mutex)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pMutex->hOwner\\) == \\(\\(void \\*\\)0\\)");
    // Waiting needs a user-mode thread; a plain thread has none.
    SemGuard g;
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosUmtSem_DecTimed(&g.sem, 1, 0)),
                mostest::ExitedWithMinusOne, "Expression pUmt != \\(\\(void \\*\\)0\\)");
    EXPECT_EXIT(
        (mostest::StdoutToStderr(), (void)mosUmtSem_DecTimed(&g.sem, 1, MOS_UMT_SEM_NO_WAIT)),
        mostest::ExitedWithMinusOne, "timeToWaitMillis != \\(0xFFFFFFFF\\)");
}

TEST(UmtOnceLayer, LeavesAFreeMutexWithOneUnit) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosUmtOnceLayer_Create(nullptr), MOS_RC__SUCCESS);
    const MosUmtMutex *pMutex = mosUmtOnceLayer_GetMutex();
    EXPECT_EQ(pMutex->sem.count, 1u);
    EXPECT_EQ(pMutex->hOwner, nullptr);
    EXPECT_NE(mosObjType_GetById(13), nullptr);
    EXPECT_NE(mosObjType_GetById(145), nullptr);
    mosUmtOnceLayer_Destroy();
    EXPECT_EQ(mosObjType_GetById(13), nullptr);
    EXPECT_EQ(mosObjType_GetById(145), nullptr);
}

TEST(PerfWindowLocked, QueriesUnderTheRecordsLock) {
    MosPerfWindow window = {};
    mosFastlock_Create(&window.lock);
    MosPerfWindowResult result = {};
    EXPECT_EQ(mosPerfWindow_QueryLocked(&window, &result), mosPerfWindow_Query(&window, &result));
    EXPECT_EQ(mosFastlockBase_TryAcquire(&window.lock), 1u);
    mosFastlockBase_Release(&window.lock);
}

} // namespace
