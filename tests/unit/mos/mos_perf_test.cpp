#include "mos_perf.h"

#include "core_layers.h"
#include "mos_init_params.h"
#include "mos_ticks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// ---- performance windows ----

MosPerfWindow windowOf(uint32_t mode, uint64_t period) {
    MosPerfWindow w{};
    w.mode = mode;
    w.periodTicks = period;
    return w;
}

void fill(MosPerfWindowSlot *pSlot, uint64_t start, uint64_t end, uint32_t base) {
    pSlot->startTick = start;
    pSlot->endTick = end;
    for (uint32_t i = 0; i < 4; i++) {
        pSlot->values[i] = base + i;
    }
}

TEST(PerfWindow, LayerDefaultsAndEnableSwitch) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosPerfWindowLayer_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(mosPerfWindowLayer_GetSamplePeriodTicks(), 5000u);
    EXPECT_EQ(mosPerfWindowLayer_IsEnabled(), 0u);
    MosPerfWindow w = windowOf(2, MOS_PERF_USE_LAYER_PERIOD);
    MosPerfWindowResult r{};
    EXPECT_EQ(mosPerfWindow_Query(&w, &r), MOS_RC__INVALID);
    w.mode = 0;
    EXPECT_EQ(mosPerfWindow_Query(&w, &r), MOS_RC__INVALID);
    MosBwcParams params{2, 1};
    ASSERT_EQ(mosPerfWindowLayer_Init(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosPerfWindowLayer_GetSamplePeriodTicks(), 2000u);
    w.mode = 2;
    EXPECT_EQ(mosPerfWindow_Query(&w, &r), MOS_RC__SUCCESS);
    params = {0, 0};
    ASSERT_EQ(mosPerfWindowLayer_Init(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosPerfWindowLayer_GetSamplePeriodTicks(), 5000u);
}

TEST(PerfWindow, ReportsTheLastCompleteWindow) {
    mostest::EnsureCoreLayers();
    const uint64_t now = mosTicks_GetCurrent();
    struct Case {
        const char *pWhat;
        uint64_t curStart, curEnd; // window 0 is the current one
        uint64_t otherStart, otherEnd;
        uint32_t expectedBase; // 0: all zero
        uint32_t expectedSeconds;
    };
    const Case cases[] = {
        {"current still filling: the other", now - 1000, now + 4000, now - 6000, now - 1000, 20, 5},
        {"current complete", now - 3000, now - 10, now - 8000, now - 3000, 10, 2},
        {"start equals end", now - 10, now - 10, 0, 0, 10, 1},
        {"silent for over a period", now - 9000, now - 7000, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pWhat);
        MosPerfWindow w = windowOf(1, 5000);
        fill(&w.windows[0], c.curStart, c.curEnd, 10);
        fill(&w.windows[1], c.otherStart, c.otherEnd, 20);
        MosPerfWindowResult r;
        memset(&r, 0xAB, sizeof r);
        ASSERT_EQ(mosPerfWindow_Query(&w, &r), MOS_RC__SUCCESS);
        for (uint32_t i = 0; i < 4; i++) {
            EXPECT_EQ(r.values[i], c.expectedBase == 0 ? 0 : c.expectedBase + i);
        }
        EXPECT_EQ(r.seconds, c.expectedSeconds);
    }
}

// ---- performance stacks ----

const uint64_t kBounds[] = {0, 10, 100};

class PerfStackTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(MosPerfLayer_Init(nullptr), MOS_RC__SUCCESS);
        mosPerfStack_Init(&stack_, "io path", kBounds, 3);
        ASSERT_EQ(mosPerfStack_AddStage(&stack_, "submit", kBounds, 3, 50), 0);
        ASSERT_EQ(mosPerfStack_AddStage(&stack_, "complete", kBounds, 3, 0), 1);
        mosPerfStack_Register(&stack_, "stack");
    }
    void TearDown() override {
        MosPerfLayer_Destroy(); // ends the registered stack
        EXPECT_EQ(stack_.bRegistered, 0u);
        EXPECT_EQ(mosObjType_GetById(MOS_OBJ_TYPE_PERF_STACK), nullptr);
    }
    MosPerfStack_Query *Query() {
        MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_PERF_STACK);
        EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 22112u);
        memset(&query_, 0, sizeof query_);
        mosObj_Query(&stack_.objEntry, pType, &query_);
        return &query_;
    }
    void Command(uint32_t code) {
        mosObj_Command(&stack_.objEntry, mosObjType_GetById(MOS_OBJ_TYPE_PERF_STACK), code, 0,
                       nullptr);
    }
    MosPerfStack stack_;
    MosPerfStack_Query query_;
};

TEST_F(PerfStackTest, QueryShowsStagesStatisticsAndHistograms) {
    for (uint64_t v : {5u, 20u, 60u, 500u}) {
        mosPerfStage_AddSample(&stack_.stages[0], v);
    }
    const MosPerfStack_Query *q = Query();
    EXPECT_STREQ(q->contextDescription, "io path");
    EXPECT_EQ(q->numStages, 2u);
    const MosPerfStageQuery &s = q->stages[0];
    EXPECT_STREQ(s.stageName, "submit");
    EXPECT_STREQ(q->stages[1].stageName, "complete");
    EXPECT_STREQ(q->totalStage.stageName, "Total");
    EXPECT_EQ(uint64_t(s.Statistics.samples), 4u);
    EXPECT_EQ(uint64_t(s.Statistics.total), 585u);
    EXPECT_EQ(uint64_t(s.Statistics.max), 500u);
    EXPECT_EQ(uint64_t(s.Statistics.sumSquares), 25u + 400 + 3600 + 250000);
    EXPECT_EQ(uint64_t(s.Statistics.overflows), 2u); // above the limit of 50
    EXPECT_EQ(uint64_t(s.Statistics.limit), 50u);
    EXPECT_EQ(s.Histogram.numBuckets, 3u);
    EXPECT_EQ(uint64_t(s.Histogram.minSample), 5u);
    EXPECT_EQ(uint64_t(s.Histogram.maxSample), 500u);
    EXPECT_EQ(uint64_t(s.Histogram.buckets[0].count), 1u);
    EXPECT_EQ(uint64_t(s.Histogram.buckets[1].count), 2u);
    EXPECT_EQ(uint64_t(s.Histogram.buckets[2].count), 1u);
    EXPECT_EQ(uint64_t(s.Histogram.buckets[2].upperBound), MOS_PERF_UNBOUNDED);
    EXPECT_EQ(q->stages[2].stageName[0], '\0'); // beyond numStages: untouched
}

TEST_F(PerfStackTest, ResetCommandClearsCountsAndKeepsSettings) {
    mosPerfStage_AddSample(&stack_.stages[0], 60);
    mosPerfStage_AddSample(&stack_.totalStage, 70);
    stack_.ctxSwitchStat.samples = 9;
    Command(2); // not a reset: nothing changes
    EXPECT_EQ(uint64_t(Query()->stages[0].Statistics.samples), 1u);
    Command(MOS_PERF_CMD_RESET);
    const MosPerfStack_Query *q = Query();
    for (const MosPerfStageQuery *s : {&q->stages[0], &q->totalStage}) {
        EXPECT_EQ(uint64_t(s->Histogram.minSample), MOS_PERF_UNBOUNDED);
        EXPECT_EQ(uint64_t(s->Histogram.samples) + s->Histogram.maxSample +
                      s->Histogram.buckets[1].count,
                  0u);
        EXPECT_EQ(uint64_t(s->Histogram.buckets[1].lowerBound), 10u);
        EXPECT_EQ(uint64_t(s->Histogram.buckets[1].upperBound), 100u);
        EXPECT_EQ(uint64_t(s->Histogram.expectedMax), 100u);
        EXPECT_EQ(uint64_t(s->Statistics.samples) + s->Statistics.total + s->samplesStarted, 0u);
    }
    EXPECT_EQ(uint64_t(q->stages[0].Statistics.limit), 50u);
    EXPECT_EQ(uint64_t(q->ctxSwitchStat.samples), 0u);
}

} // namespace
