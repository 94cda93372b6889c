#include "mos_blocking.h"

#include "core_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A one-shot gate a request can wait on.
class Gate {
  public:
    void Open() {
        std::lock_guard<std::mutex> g(m_);
        bOpen_ = true;
        cv_.notify_all();
    }
    bool Wait(int timeoutMs = 10000) {
        std::unique_lock<std::mutex> g(m_);
        return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [this] { return bOpen_; });
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool bOpen_ = false;
};

struct Job {
    MosBlockingReq req;
    std::atomic<uint32_t> runs{0};
    std::atomic<uint32_t> callbacks{0};
    uint32_t resubmits = 0; // runs that ask to run again
    Gate *pHold = nullptr;  // waited on by the first run
    Gate *pStarted = nullptr;
    Gate done;
};

uint32_t runJob(void *pUserData, uint32_t *pFlowControl) {
    auto *pJob = static_cast<Job *>(pUserData);
    const uint32_t run = ++pJob->runs;
    if (run == 1 && pJob->pStarted != nullptr) {
        pJob->pStarted->Open();
    }
    if (run == 1 && pJob->pHold != nullptr) {
        pJob->pHold->Wait();
    }
    EXPECT_EQ(*pFlowControl, MOS_BLOCKING__DONE); // preset on every run
    if (run <= pJob->resubmits) {
        *pFlowControl = MOS_BLOCKING__RESUBMIT;
    }
    return run * 10;
}

void jobDone(MosBlockingReq *pReq) {
    auto *pJob = reinterpret_cast<Job *>(pReq);
    pJob->callbacks++;
    pJob->done.Open();
}

void initJob(Job *pJob) {
    mosBlockingReq_Init(&pJob->req, runJob, pJob, jobDone);
}

MosBlocking_Query query(MosBlocking *p) {
    MosBlocking_Query q{};
    mosBlocking_SdbgQuery(&p->objEntry, p->name, &q);
    return q;
}

class BlockingTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosBlocking_LayerInit(nullptr), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() {
        mosBlocking_LayerDestroy();
        EXPECT_EQ(mosObjType_GetById(MOS_OBJ_TYPE_BLOCKING), nullptr);
    }
};

TEST_F(BlockingTest, ResubmittedRequestRunsAgainWithoutItsCallback) {
    Job job;
    job.resubmits = 2;
    initJob(&job);
    EXPECT_EQ(mosBlocking_SubmitWaitEx(nullptr, &job.req), MOS_RC__PENDING);
    ASSERT_TRUE(job.done.Wait());
    EXPECT_EQ(job.runs.load(), 3u);
    EXPECT_EQ(job.callbacks.load(), 1u);
    EXPECT_EQ(job.req.result, 30u);
}

TEST_F(BlockingTest, DefaultBlockerIsAnObjectWithOneWorker) {
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_BLOCKING);
    ASSERT_NE(pType, nullptr);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 44u);
    MosObjEntry *pObj = mosObjType_EnumStartAtIndex(pType, 0);
    ASSERT_NE(pObj, nullptr);
    mosObjType_EnumEnd(pType);
    MosBlocking_Query q{};
    mosObj_Query(pObj, pType, &q);
    EXPECT_STREQ(q.name, "Default blocker");
    EXPECT_EQ(q.numBlockingThreads, 1u);
}

TEST_F(BlockingTest, QueryShowsRunningAndQueuedRequests) {
    MosBlocking blocking;
    ASSERT_EQ(mosBlocking_Create(&blocking, "two workers", 2), MOS_RC__SUCCESS);
    Gate hold, started1, started2;
    Job a, b, c;
    a.pHold = b.pHold = &hold;
    a.pStarted = &started1;
    b.pStarted = &started2;
    initJob(&a);
    initJob(&b);
    initJob(&c);
    (void)mosBlocking_SubmitWaitEx(&blocking, &a.req);
    (void)mosBlocking_SubmitWaitEx(&blocking, &b.req);
    ASSERT_TRUE(started1.Wait() && started2.Wait());
    (void)mosBlocking_SubmitWaitEx(&blocking, &c.req);
    MosBlocking_Query q = query(&blocking);
    EXPECT_STREQ(q.name, "two workers");
    EXPECT_EQ(q.numBlockingThreads, 2u);
    EXPECT_EQ(q.numRunningThreads, 2u);
    EXPECT_EQ(q.waiters, 1u);
    hold.Open();
    ASSERT_TRUE(a.done.Wait() && b.done.Wait() && c.done.Wait());
    mosBlocking_Destroy(&blocking);
}

// The running count as the query shows it, once it has settled on the
// value wanted or the deadline passed (the completion callback runs before
// the worker lowers it).
uint32_t runningOnceSettled(MosBlocking *p, uint32_t wanted) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (query(p).numRunningThreads != wanted && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return query(p).numRunningThreads;
}

// An idle object shows no busy worker, whichever way its requests ended
// (at once or after resubmitting) and however many workers ran them.
TEST_F(BlockingTest, RunningCountGoesBackToZeroAfterEveryRequest) {
    for (uint32_t numThreads : {1u, 3u}) {
        SCOPED_TRACE(testing::Message() << numThreads << " workers");
        MosBlocking blocking;
        ASSERT_EQ(mosBlocking_Create(&blocking, "settles", numThreads), MOS_RC__SUCCESS);
        Job jobs[6];
        for (uint32_t i = 0; i < 6; i++) {
            jobs[i].resubmits = i % 3;
            initJob(&jobs[i]);
            (void)mosBlocking_SubmitWaitEx(&blocking, &jobs[i].req);
        }
        for (Job &job : jobs) {
            ASSERT_TRUE(job.done.Wait());
        }
        EXPECT_EQ(runningOnceSettled(&blocking, 0), 0u);
        EXPECT_EQ(query(&blocking).waiters, 0u);
        // A later request counts as running while it runs, and not after.
        Gate hold, started;
        Job late;
        late.pHold = &hold;
        late.pStarted = &started;
        initJob(&late);
        (void)mosBlocking_SubmitWaitEx(&blocking, &late.req);
        ASSERT_TRUE(started.Wait());
        EXPECT_EQ(query(&blocking).numRunningThreads, 1u);
        hold.Open();
        ASSERT_TRUE(late.done.Wait());
        EXPECT_EQ(runningOnceSettled(&blocking, 0), 0u);
        mosBlocking_Destroy(&blocking);
    }
}

TEST_F(BlockingTest, DestroyRunsNoQueuedRequest) {
    MosBlocking blocking;
    ASSERT_EQ(mosBlocking_Create(&blocking, "one worker", 1), MOS_RC__SUCCESS);
    Gate hold, started;
    Job first, queued;
    first.pHold = &hold;
    first.pStarted = &started;
    initJob(&first);
    initJob(&queued);
    (void)mosBlocking_SubmitWaitEx(&blocking, &first.req);
    ASSERT_TRUE(started.Wait());
    (void)mosBlocking_SubmitWaitEx(&blocking, &queued.req);
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        hold.Open();
    });
    mosBlocking_Destroy(&blocking); // waits for the running request only
    opener.join();
    EXPECT_EQ(first.callbacks.load(), 1u);
    EXPECT_EQ(queued.runs.load(), 0u);
    EXPECT_EQ(queued.callbacks.load(), 0u);
}

// Death tests bring their layers up in the child only: a death-test suite
// runs before the others and must leave the parent's process untouched.
void submitQueuedRequestTwice() {
    mostest::StdoutToStderr();
    mostest::EnsureCoreLayers();
    (void)mosBlocking_LayerInit(nullptr);
    MosBlocking blocking;
    (void)mosBlocking_Create(&blocking, "one worker", 1);
    Gate hold;
    Gate started;
    Job first;
    Job queued;
    first.pHold = &hold;
    first.pStarted = &started;
    initJob(&first);
    initJob(&queued);
    (void)mosBlocking_SubmitWaitEx(&blocking, &first.req);
    started.Wait();
    (void)mosBlocking_SubmitWaitEx(&blocking, &queued.req);
    (void)mosBlocking_SubmitWaitEx(&blocking, &queued.req);
}

TEST(BlockingDeathTest, SubmittingAQueuedRequestAgainIsFatal) {
    EXPECT_EXIT(submitQueuedRequestTwice(), mostest::ExitedWithMinusOne, "bIgnoreMultiSubmit");
}

} // namespace
