#include "mos_timer.h"

#include "core_layers.h"
#include "dport_request.h"
#include "mos_init_params.h"
#include "test_support.h"
#include "thread_names.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Fired {
    MosTimerReq req; // first: the callback finds its record from the request
    std::atomic<int> count{0};
    Clock::time_point at;
    std::vector<int> *pOrder = nullptr;
    int tag = 0;
};

std::mutex orderLock_G;

void onFire(MosTimerReq *pReq) {
    auto *f = reinterpret_cast<Fired *>(pReq);
    f->at = Clock::now();
    if (f->pOrder != nullptr) {
        std::lock_guard<std::mutex> g(orderLock_G);
        f->pOrder->push_back(f->tag);
    }
    f->count++;
}

bool waitFor(const std::atomic<int> &count, int expected, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (count.load() < expected && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return count.load() >= expected;
}

class TimerTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosTimer_Init(Params()), MOS_RC__SUCCESS);
    }
    void TearDown() override { mosTimer_Destroy(); }
    virtual MosTimerParams *Params() { return nullptr; }

    template <typename Query> static Query QueryOf(uint32_t typeId, uint32_t index) {
        MosObjType *pType = mosObjType_GetById(typeId);
        EXPECT_NE(pType, nullptr);
        Query q{};
        MosObjEntry *pObj = mosObjType_EnumStartAtIndex(pType, index);
        EXPECT_NE(pObj, nullptr);
        if (pObj != nullptr) {
            mosObjType_EnumEnd(pType);
            mosObj_Query(pObj, pType, &q);
        }
        return q;
    }
};

TEST_F(TimerTest, DelayPicksTheNearestPeriodTiesGoingShorter) {
    const std::pair<uint64_t, uint32_t> cases[] = {
        {0, MOS_TIMER_QUEUE_ID__100MILLI},    {100, MOS_TIMER_QUEUE_ID__100MILLI},
        {300, MOS_TIMER_QUEUE_ID__100MILLI},  {301, MOS_TIMER_QUEUE_ID__500MILLI},
        {700, MOS_TIMER_QUEUE_ID__500MILLI},  {750, MOS_TIMER_QUEUE_ID__500MILLI},
        {751, MOS_TIMER_QUEUE_ID__1SEC},      {3000, MOS_TIMER_QUEUE_ID__2SEC},
        {4500, MOS_TIMER_QUEUE_ID__4SEC},     {90000, MOS_TIMER_QUEUE_ID__1MIN},
        {1u << 31, MOS_TIMER_QUEUE_ID__5MIN},
    };
    for (auto [delayMs, setId] : cases) {
        EXPECT_EQ(mosTimer_SetForDelay(delayMs), setId) << delayMs;
    }
}

TEST_F(TimerTest, LayerPublishesElevenSetsAndTheirQueues) {
    MosObjType *pQType = mosObjType_GetById(MOS_OBJ_TYPE_TIMER_Q);
    MosObjType *pSetType = mosObjType_GetById(MOS_OBJ_TYPE_TIMER_QSET);
    ASSERT_TRUE(pQType != nullptr && pSetType != nullptr);
    EXPECT_EQ(mosObjType_GetNumObjs(pQType), 142u);
    EXPECT_EQ(mosObjType_GetNumObjs(pSetType), 11u);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pQType), 80u);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pSetType), 72u);
    auto set = QueryOf<MosTimerQSet_Query>(MOS_OBJ_TYPE_TIMER_QSET, 10);
    EXPECT_STREQ(set.name, "MOS_TIMER_QUEUE_ID__5MIN");
    EXPECT_EQ(set.ticks, 300000u);
    EXPECT_EQ(set.millis, 300000u);
    EXPECT_EQ(set.numWaiters + set.numExpirations + set.numAborts + set.reqCount, 0u);
    EXPECT_EQ(set.maxDiffTicks, 0u);
    // Set 2 starts after the 4 + 1 queues of sets 0 and 1.
    auto q = QueryOf<MosTimerQ_Query>(MOS_OBJ_TYPE_TIMER_Q, 5 + 3);
    EXPECT_STREQ(q.name, "MOS_TIMER_QUEUE_ID__1SEC_3");
    EXPECT_EQ(q.ticks, 1000u);
    EXPECT_EQ(q.millis, 1000u);
    EXPECT_EQ(mostest::WaitForThreadsNamed("mosTimer", 1), 1u);
}

MOS_RC collect(void *pCtx, const void *pData, uint32_t size) {
    auto *pOut = static_cast<std::vector<uint8_t> *>(pCtx);
    pOut->insert(pOut->end(), static_cast<const uint8_t *>(pData),
                 static_cast<const uint8_t *>(pData) + size);
    return MOS_RC__SUCCESS;
}

uint32_t wordAt(const std::vector<uint8_t> &b, size_t off) {
    uint32_t v = 0;
    memcpy(&v, b.data() + off, 4);
    return v;
}

// The whole list of a type as the debug port answers it.
std::vector<uint8_t> listOverThePort(uint32_t typeId, uint32_t n, uint32_t querySize) {
    const uint32_t payload[2] = {2, typeId};
    std::vector<uint8_t> out;
    SdbgResponse resp{{collect, &out}, 8 + n * (12 + querySize) + 12, 0};
    EXPECT_EQ(sdbgReq_Handle(sdbgReq_MosObjRegistry(), 2,
                             reinterpret_cast<const uint8_t *>(payload), sizeof payload, &resp),
              MOS_RC__SUCCESS);
    return out;
}

TEST_F(TimerTest, DebugPortListsEveryQueueAndSet) {
    EXPECT_EQ(mosObjType_GetQueryDataSize(mosObjType_GetById(7)), sdbg_GetObjQuerySize(7));
    EXPECT_EQ(mosObjType_GetQueryDataSize(mosObjType_GetById(8)), sdbg_GetObjQuerySize(8));
    std::vector<uint8_t> qs = listOverThePort(7, 142, 80);
    ASSERT_EQ(qs.size(), 8u + 142 * 92 + 12);
    EXPECT_EQ(wordAt(qs, 0), 1u);
    EXPECT_EQ(wordAt(qs, 4), 142u);
    const size_t last = 8 + 141 * 92;
    EXPECT_EQ(wordAt(qs, last), 7u);
    EXPECT_EQ(wordAt(qs, last + 4), 141u);
    EXPECT_STREQ(reinterpret_cast<const char *>(qs.data() + last + 12),
                 "MOS_TIMER_QUEUE_ID__5MIN_31");
    EXPECT_EQ(wordAt(qs, last + 12 + 56), 300000u); // millis
    std::vector<uint8_t> sets = listOverThePort(8, 11, 72);
    ASSERT_EQ(sets.size(), 8u + 11 * 84 + 12);
    EXPECT_STREQ(reinterpret_cast<const char *>(sets.data() + 8 + 12),
                 "MOS_TIMER_QUEUE_ID__100MILLI");
    EXPECT_EQ(wordAt(sets, 8 + 12 + 40), 100u); // millis
}

TEST_F(TimerTest, RequestFiresAfterItsSetsPeriod) {
    Fired f;
    mosTimerReq_Init(&f.req, onFire);
    const auto armedAt = Clock::now();
    EXPECT_EQ(mosTimerReq_Add(&f.req, 700), MOS_RC__PENDING);
    EXPECT_EQ(f.req.qSetId, MOS_TIMER_QUEUE_ID__500MILLI);
    ASSERT_TRUE(waitFor(f.count, 1, 5000));
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(f.at - armedAt).count();
    EXPECT_GE(elapsedMs, 499);  // the set's period, not the delay asked
    EXPECT_LT(elapsedMs, 1000); // the 1 s set would not have fired yet
    EXPECT_EQ(f.req.state, MOS_TIMER_REQ_STATE__IDLE);
    auto q = QueryOf<MosTimerQ_Query>(MOS_OBJ_TYPE_TIMER_Q, 4); // the 500 ms set's queue
    EXPECT_EQ(q.reqCount, 1u);
    EXPECT_EQ(q.numExpirations, 1u);
    EXPECT_EQ(q.numWaiters, 0u);
}

TEST_F(TimerTest, RequestsOfOneQueueFireInArmingOrder) {
    std::vector<int> order;
    Fired a, b;
    a.pOrder = b.pOrder = &order;
    a.tag = 1;
    b.tag = 2;
    mosTimerReq_Init(&a.req, onFire);
    mosTimerReq_Init(&b.req, onFire);
    (void)mosTimerReq_AddByQ(&a.req, MOS_TIMER_QUEUE_ID__100MILLI);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    (void)mosTimerReq_AddByQ(&b.req, MOS_TIMER_QUEUE_ID__100MILLI);
    ASSERT_EQ(a.req.qId, b.req.qId);
    ASSERT_TRUE(waitFor(b.count, 1, 5000));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(TimerTest, AbortDisarmsOnceAndCountsEveryCall) {
    Fired f;
    mosTimerReq_Init(&f.req, onFire);
    // Never armed: its ids are zero, so the abort finds the request idle.
    EXPECT_EQ(mosTimerReq_Abort(&f.req), MOS_RC__NOT_FOUND);
    (void)mosTimerReq_AddByQ(&f.req, MOS_TIMER_QUEUE_ID__100MILLI);
    MosTimerQ *pQ = mosTimer_GetQPtr(f.req.qSetId, f.req.qId);
    const uint32_t abortsBefore = pQ->numAborts;
    EXPECT_EQ(mosTimerReq_Abort(&f.req), MOS_RC__SUCCESS);
    EXPECT_EQ(mosTimerReq_Abort(&f.req), MOS_RC__NOT_FOUND);
    EXPECT_EQ(pQ->numAborts, abortsBefore + 2);
    EXPECT_EQ(pQ->reqAnchor.counter, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(f.count.load(), 0);
    // An aborted request can be armed again.
    EXPECT_EQ(mosTimerReq_AddByQ(&f.req, MOS_TIMER_QUEUE_ID__100MILLI), MOS_RC__PENDING);
    EXPECT_TRUE(waitFor(f.count, 1, 5000));
}

void rearmOnce(MosTimerReq *pReq) {
    auto *f = reinterpret_cast<Fired *>(pReq);
    if (++f->count == 1) {
        EXPECT_EQ(mosTimerReq_AddByQ(pReq, MOS_TIMER_QUEUE_ID__100MILLI), MOS_RC__PENDING);
    }
}

TEST_F(TimerTest, CallbackMayReArmItsRequest) {
    Fired f;
    mosTimerReq_Init(&f.req, rearmOnce);
    (void)mosTimerReq_AddByQ(&f.req, MOS_TIMER_QUEUE_ID__100MILLI);
    EXPECT_TRUE(waitFor(f.count, 2, 5000));
}

struct WindowSeen {
    uint8_t start[MOS_TIMER_QUEUE_ID__LAST];
    uint8_t size[MOS_TIMER_QUEUE_ID__LAST];
    std::atomic<int> ready{0};
    std::atomic<int> release{0};
};

void recordWindow(void *pArg) {
    auto *w = static_cast<WindowSeen *>(pArg);
    for (uint32_t s = 0; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        mosTimer_GetThreadWindow(s, &w->start[s], &w->size[s]);
    }
    w->ready = 1;
    while (w->release.load() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Starts two threads through the thread layer, the first still running
// when the second starts, and returns their windows. No other thread may
// start meanwhile: the fixtures using it run without the poll thread.
void twoThreadWindows(WindowSeen *pFirst, WindowSeen *pSecond) {
    MosOsThrd t1, t2;
    ASSERT_EQ(mosOsThrd_Create(&t1, recordWindow, pFirst, "window1"), MOS_RC__SUCCESS);
    while (pFirst->ready.load() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(mosOsThrd_Create(&t2, recordWindow, pSecond, "window2"), MOS_RC__SUCCESS);
    while (pSecond->ready.load() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pFirst->release = 1;
    pSecond->release = 1;
    mosOsThrd_Destroy(&t1);
    mosOsThrd_Destroy(&t2);
}

class TimerWindowTest : public TimerTest, public testing::WithParamInterface<uint64_t> {
  protected:
    MosTimerParams *Params() override {
        params_ = {GetParam(), 1, 1}; // no poll thread starting beside the test's threads
        return &params_;
    }
    MosTimerParams params_{};
};

TEST_P(TimerWindowTest, WideWindowsCoverWholeSetsAndNeverVanish) {
    const uint64_t power = GetParam();
    const uint32_t expected = 1u << (power < 7 ? power : 7);
    EXPECT_EQ(mosTimer_GetWindow(), expected);
    WindowSeen a, b;
    twoThreadWindows(&a, &b);
    for (uint32_t s = 0; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        const uint32_t n = mosTimer_GetNumQsInSet(s);
        const uint32_t size = expected < n ? expected : n;
        EXPECT_EQ(a.size[s], size) << s;
        EXPECT_EQ(b.size[s], size) << s;
    }
    EXPECT_EQ(a.start[MOS_TIMER_QUEUE_ID__100MILLI], 0u); // window 32 over 4 queues
}

// 5 is the configuration's largest; 8 and 16 would wrap an 8-bit window to 0.
INSTANTIATE_TEST_SUITE_P(Powers, TimerWindowTest, testing::Values(5, 8, 16));

// The layer without its poll thread, with the power and request-count type
// given.
template <uint64_t kPower, uint32_t kCountType> class TimerWithoutPollThread : public TimerTest {
  protected:
    MosTimerParams *Params() override {
        params_ = {kPower, 1, kCountType};
        return &params_;
    }
    MosTimerParams params_{};
};

using TimerWithoutThreadTest = TimerWithoutPollThread<0, 1>;

TEST_F(TimerWithoutThreadTest, NoPollThreadAndNothingFires) {
    EXPECT_EQ(mostest::CountThreadsNamed("mosTimer"), 0u);
    Fired f;
    mosTimerReq_Init(&f.req, onFire);
    (void)mosTimerReq_AddByQ(&f.req, MOS_TIMER_QUEUE_ID__100MILLI);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(f.count.load(), 0);
    // A pass run by hand fires it, late, and records the lateness.
    (void)mosTimer_PollAll();
    EXPECT_EQ(f.count.load(), 1);
    EXPECT_GE(mosTimer_GetQPtr(f.req.qSetId, f.req.qId)->maxDiffTicks, 150u);
}

// A tick source the test moves by hand, so that a pass sees exactly the
// time the test chose.
std::atomic<uint64_t> fakeNow_G{0};
uint64_t fakeTicks() {
    return fakeNow_G.load();
}

class TimerOnTestClockTest : public TimerWithoutThreadTest {
  protected:
    void SetUp() override {
        TimerWithoutThreadTest::SetUp();
        fakeNow_G = 1000000;
        m_pRealSource = mosTicksLayer_G.pTickSource;
        mosTicksLayer_G.pTickSource = fakeTicks;
    }
    void TearDown() override {
        mosTicksLayer_G.pTickSource = m_pRealSource;
        TimerWithoutThreadTest::TearDown();
    }
    MosTickSourceFn m_pRealSource = nullptr;
};

// A pass that fires the head of a queue moves the queue's next expiry to
// the request now at its head; left at the fired one, the poll thread
// would wake again at once, and the debug port would show a stale time.
TEST_F(TimerOnTestClockTest, PassMovesNextExpiryToTheRequestLeft) {
    Fired first, second;
    mosTimerReq_Init(&first.req, onFire);
    mosTimerReq_Init(&second.req, onFire);
    const uint64_t start = fakeNow_G.load();
    (void)mosTimerReq_AddByQ(&first.req, MOS_TIMER_QUEUE_ID__500MILLI); // the set's one queue
    fakeNow_G += 250;
    (void)mosTimerReq_AddByQ(&second.req, MOS_TIMER_QUEUE_ID__500MILLI);
    MosTimerQ *pQ = mosTimer_GetQPtr(MOS_TIMER_QUEUE_ID__500MILLI, 0);
    ASSERT_EQ(second.req.qId, first.req.qId);
    EXPECT_EQ(pQ->nextExpiry, start + 500);

    fakeNow_G = start + 500; // the first is due, the second 250 ms later
    const uint64_t nextWake = mosTimer_PollAll();
    EXPECT_EQ(first.count.load(), 1);
    EXPECT_EQ(second.count.load(), 0);
    EXPECT_EQ(pQ->nextExpiry, start + 750);
    EXPECT_EQ(nextWake, start + 600); // one period of the 100 ms set, the earlier
    auto q = QueryOf<MosTimerQ_Query>(MOS_OBJ_TYPE_TIMER_Q, 4);
    EXPECT_STREQ(q.name, "MOS_TIMER_QUEUE_ID__500MILLI_0");
    EXPECT_EQ(q.ticksToExpiration, 250u);
    EXPECT_EQ(q.numWaiters, 1u);

    fakeNow_G = start + 750;
    (void)mosTimer_PollAll();
    EXPECT_EQ(second.count.load(), 1);
    EXPECT_EQ(pQ->maxDiffTicks, 0u); // both fired on the tick they were due
}

TEST_F(TimerWithoutThreadTest, WindowOfOneGivesSuccessiveThreadsSuccessiveQueues) {
    EXPECT_EQ(mosTimer_GetWindow(), 1u);
    WindowSeen a, b;
    twoThreadWindows(&a, &b);
    for (uint32_t s = 0; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        const uint32_t n = mosTimer_GetNumQsInSet(s);
        EXPECT_EQ(a.size[s], 1u);
        EXPECT_EQ(b.start[s], (a.start[s] + 1u) % n) << s;
    }
    uint8_t start = 9, size = 9;
    mosTimer_GetThreadWindow(0, &start, &size); // this thread predates the layer
    EXPECT_EQ(size, 0u);
}

// A power above 16 is out of range: the whole parameter block gives way to
// the defaults (window 1, atomic per-set counter, poll thread on), not only
// the window.
TEST(TimerParams, PowerAboveSixteenFallsBackToTheDefaults) {
    mostest::EnsureCoreLayers();
    struct Case {
        uint64_t power;
        uint32_t window;
        uint32_t pollThreads;
        uint32_t setCounterStep; // the set's request counter after one arming
    };
    const Case cases[] = {
        {15, 128, 0, 0}, {16, 128, 0, 0}, {17, 1, 1, 1}, {64, 1, 1, 1}, {~uint64_t{0}, 1, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "power " << c.power);
        // Asked: no poll thread, the per-thread counter (the set's stays 0).
        MosTimerParams params{c.power, 1, 0};
        ASSERT_EQ(mosTimer_Init(&params), MOS_RC__SUCCESS);
        EXPECT_EQ(mosTimer_GetWindow(), c.window);
        EXPECT_EQ(mostest::WaitForThreadsNamed("mosTimer", c.pollThreads), c.pollThreads);
        Fired f;
        mosTimerReq_Init(&f.req, onFire);
        (void)mosTimerReq_AddByQ(&f.req, MOS_TIMER_QUEUE_ID__5MIN);
        EXPECT_EQ(mosTimer_GetQSetPtr(MOS_TIMER_QUEUE_ID__5MIN)->reqCounter, c.setCounterStep);
        EXPECT_EQ(mosTimerReq_Abort(&f.req), MOS_RC__SUCCESS);
        mosTimer_Destroy();
    }
}

// Arms from a thread of the thread layer whose window (32) covers all four
// queues of the 100 ms set; with the plain per-set counter (type 2)
// successive requests go to queues 0, 1, 2, 3, 0, ...
using TimerSetSumTest = TimerWithoutPollThread<5, 2>;

struct ArmJob {
    Fired *pFired;
    uint32_t count;
};

void armAll(void *pArg) {
    auto *pJob = static_cast<ArmJob *>(pArg);
    for (uint32_t i = 0; i < pJob->count; i++) {
        mosTimerReq_Init(&pJob->pFired[i].req, onFire);
        (void)mosTimerReq_AddByQ(&pJob->pFired[i].req, MOS_TIMER_QUEUE_ID__100MILLI);
    }
}

// The set's record adds up every queue of the set (and takes the largest
// lateness), whichever queue holds the requests.
TEST_F(TimerSetSumTest, SetQuerySumsEveryQueue) {
    constexpr uint32_t kQs = 4;
    constexpr uint32_t kPerQ = 3;
    Fired fired[kQs * kPerQ];
    ArmJob job{fired, kQs * kPerQ};
    MosOsThrd armer;
    ASSERT_EQ(mosOsThrd_Create(&armer, armAll, &job, "armer"), MOS_RC__SUCCESS);
    mosOsThrd_Destroy(&armer);
    for (uint32_t i = 0; i < kQs * kPerQ; i++) {
        ASSERT_EQ(fired[i].req.qId, i % kQs) << i;
    }
    // Queue q loses q of its requests to aborts: 0, 1, 2 and all 3.
    uint32_t armed = 0;
    for (uint32_t q = 0; q < kQs; q++) {
        for (uint32_t k = 0; k < kPerQ; k++) {
            if (k < q) {
                EXPECT_EQ(mosTimerReq_Abort(&fired[k * kQs + q].req), MOS_RC__SUCCESS);
            } else {
                armed++;
            }
        }
    }
    auto set = QueryOf<MosTimerQSet_Query>(MOS_OBJ_TYPE_TIMER_QSET, MOS_TIMER_QUEUE_ID__100MILLI);
    EXPECT_EQ(set.numWaiters, armed);
    EXPECT_EQ(set.numAborts, 0u + 1 + 2 + 3);
    EXPECT_EQ(set.numExpirations, 0u);
    EXPECT_EQ(set.reqCount, kQs * kPerQ);
    const auto end = Clock::now() + std::chrono::seconds(10);
    uint32_t expirations = 0;
    while (expirations < armed && Clock::now() < end) {
        (void)mosTimer_PollAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        expirations = 0;
        for (uint32_t q = 0; q < kQs; q++) {
            expirations += mosTimer_GetQPtr(MOS_TIMER_QUEUE_ID__100MILLI, q)->numExpirations;
        }
    }
    ASSERT_EQ(expirations, armed);
    set = QueryOf<MosTimerQSet_Query>(MOS_OBJ_TYPE_TIMER_QSET, MOS_TIMER_QUEUE_ID__100MILLI);
    EXPECT_EQ(set.numWaiters, 0u);
    EXPECT_EQ(set.numExpirations, armed);
    EXPECT_EQ(set.numAborts, 6u);
    uint64_t maxDiff = 0;
    for (uint32_t q = 0; q < kQs; q++) {
        const MosTimerQ *pQ = mosTimer_GetQPtr(MOS_TIMER_QUEUE_ID__100MILLI, q);
        EXPECT_EQ(pQ->numExpirations, kPerQ - q) << q;
        maxDiff = pQ->maxDiffTicks > maxDiff ? pQ->maxDiffTicks : maxDiff;
    }
    EXPECT_EQ(set.maxDiffTicks, maxDiff);
}

void armTwice() {
    mostest::StdoutToStderr();
    mostest::EnsureCoreLayers();
    MosTimerParams params{0, 1, 1};
    (void)mosTimer_Init(&params);
    static MosTimerReq req;
    mosTimerReq_Init(&req, onFire);
    (void)mosTimerReq_AddByQ(&req, MOS_TIMER_QUEUE_ID__1SEC);
    (void)mosTimerReq_AddByQ(&req, MOS_TIMER_QUEUE_ID__1SEC);
}

TEST(TimerDeathTest, ArmingAnActiveRequestIsFatal) {
    EXPECT_EXIT(armTwice(), mostest::ExitedWithMinusOne,
                "pReq->state == MOS_TIMER_REQ_STATE__IDLE");
}

} // namespace
