// Performance records.
//
// Performance windows: a double-buffered pair of sampling windows a module
// fills and the debug port reads, under a layer-wide sample period and
// enable switch.
//
// Performance stacks: up to 22 named processing stages of one execution
// context, each with running statistics and a latency histogram, plus a
// stage for the whole context and the context-switch statistics; one
// object of type 151 per registered stack, reset by its command 1.
#pragma once

#include "mos_fastlock.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OBJ_TYPE_PERF_STACK = 151;
inline constexpr uint32_t MOS_PERF_MAX_STAGES = 22;
inline constexpr uint32_t MOS_PERF_MAX_BUCKETS = 32;
inline constexpr uint64_t MOS_PERF_UNBOUNDED = ~uint64_t{0};
inline constexpr uint64_t MOS_PERF_USE_LAYER_PERIOD = 0xFFFFFFFF;
inline constexpr uint32_t MOS_PERF_CMD_RESET = 1;

// ---- performance windows ----

struct MosPerfWindowSlot {
    uint64_t startTick;
    uint64_t endTick;
    uint32_t values[4];
};

struct MosPerfWindow {
    MosPerfWindowSlot windows[2];
    uint64_t periodTicks; // MOS_PERF_USE_LAYER_PERIOD: the layer's sample period
    uint32_t mode;        // 0 off, 1 on, 2 follow the layer's enable switch
    uint32_t index;       // the window being filled
    MosFastlock lock;     // held by the reader
};

#pragma pack(push, 1)
struct MosPerfWindowResult {
    uint32_t values[4];
    uint32_t seconds;
};
#pragma pack(pop)
static_assert(sizeof(MosPerfWindowResult) == 20);

// pParams: a MosBwcParams {sample period in seconds, enable} or null
// (5 seconds, off). Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosPerfWindowLayer_Init(void *pParams);
uint64_t mosPerfWindowLayer_GetSamplePeriodTicks();
uint32_t mosPerfWindowLayer_IsEnabled();

// Reports the last complete window of the record (the caller holds its
// lock): MOS_RC__INVALID when the record is not enabled; all zero when
// nothing was recorded for more than a period.
[[nodiscard]] MOS_RC mosPerfWindow_Query(const MosPerfWindow *pWindow,
                                         MosPerfWindowResult *pResult);

// mosPerfWindow_Query under the record's lock.
[[nodiscard]] MOS_RC mosPerfWindow_QueryLocked(MosPerfWindow *pWindow,
                                               MosPerfWindowResult *pResult);

// ---- performance stacks ----

#pragma pack(push, 1)
struct MosPerfStatsQuery {
    uint64_t samples;
    uint64_t max;
    uint64_t overflows;
    uint64_t sumSquares;
    uint64_t total;
    uint64_t discards;
    uint64_t limit;
};
struct MosPerfBucketQuery {
    uint64_t lowerBound;
    uint64_t upperBound; // MOS_PERF_UNBOUNDED: none
    uint64_t count;
};
struct MosPerfHistogramQuery {
    uint32_t numBuckets;
    uint64_t samples;
    uint64_t minSample;
    uint64_t maxSample;
    uint64_t expectedMin;
    uint64_t expectedMax;
    uint64_t discardedSamples;
    MosPerfBucketQuery buckets[MOS_PERF_MAX_BUCKETS];
};
struct MosPerfStageQuery {
    MosPerfHistogramQuery Histogram;
    MosPerfStatsQuery Statistics;
    char stageName[64];
    uint64_t samplesStarted;
    uint64_t samplesFinished;
};
struct MosPerfStack_Query {
    MosPerfStageQuery stages[MOS_PERF_MAX_STAGES];
    MosPerfStageQuery totalStage;
    MosPerfStatsQuery ctxSwitchStat;
    char contextDescription[64];
    uint32_t numStages;
};
#pragma pack(pop)
static_assert(sizeof(MosPerfStatsQuery) == 56);
static_assert(sizeof(MosPerfHistogramQuery) == 820);
static_assert(offsetof(MosPerfHistogramQuery, minSample) == 12);
static_assert(offsetof(MosPerfHistogramQuery, buckets) == 52);
static_assert(sizeof(MosPerfStageQuery) == 956);
static_assert(offsetof(MosPerfStageQuery, stageName) == 876);
static_assert(offsetof(MosPerfStageQuery, samplesStarted) == 940);
static_assert(sizeof(MosPerfStack_Query) == 22112);
static_assert(offsetof(MosPerfStack_Query, totalStage) == 21032);
static_assert(offsetof(MosPerfStack_Query, ctxSwitchStat) == 21988);
static_assert(offsetof(MosPerfStack_Query, contextDescription) == 22044);
static_assert(offsetof(MosPerfStack_Query, numStages) == 22108);

struct MosPerfStats {
    uint64_t samples;
    uint64_t max;
    uint64_t overflows; // samples above the limit (still counted)
    uint64_t sumSquares;
    uint64_t total;
    uint64_t discards;
    uint64_t limit; // 0: none; kept by a reset
};

struct MosPerfHistogram {
    uint32_t numBuckets;
    uint64_t samples;
    uint64_t minSample; // all ones while no sample was taken
    uint64_t maxSample;
    uint64_t expectedMin; // the range's settings, kept by a reset
    uint64_t expectedMax;
    uint64_t discardedSamples; // samples no bucket holds
    MosPerfBucketQuery *pBuckets;
};

struct MosPerfStage {
    MosFastlock lock;
    MosPerfStats stats;
    MosPerfHistogram histogram;
    char name[64];
    uint64_t samplesStarted;
    uint64_t samplesFinished;
};

struct MosPerfStack {
    MosObjEntry objEntry;
    uint32_t bRegistered;
    char contextDescription[64];
    MosPerfStage stages[MOS_PERF_MAX_STAGES];
    MosPerfStage totalStage;
    MosPerfStats ctxSwitchStat;
    uint32_t numStages;
};

// A stage whose buckets are [bounds[i], bounds[i+1]), the last unbounded;
// numBounds from 1 to 32. statsLimit 0: none.
void mosPerfStage_Init(MosPerfStage *pStage, const char *pName, const uint64_t *pBounds,
                       uint32_t numBounds, uint64_t statsLimit);
// Records one sample (ticks) under the stage's lock.
void mosPerfStage_AddSample(MosPerfStage *pStage, uint64_t ticks);

// An empty stack with its total stage built like a stage.
void mosPerfStack_Init(MosPerfStack *pStack, const char *pDescription, const uint64_t *pBounds,
                       uint32_t numBounds);
// Adds a stage; its index, or -1 when the stack is full.
int32_t mosPerfStack_AddStage(MosPerfStack *pStack, const char *pName, const uint64_t *pBounds,
                              uint32_t numBounds, uint64_t statsLimit);
// Lists the stack under type 151 (the layer ends it at its destroy when
// it is one of the layer's two stacks).
void mosPerfStack_Register(MosPerfStack *pStack, const char *pName);
// Unlists the stack, frees its buckets and zeroes it.
void mosPerfStack_Unregister(MosPerfStack *pStack);
void mosPerfStack_Reset(MosPerfStack *pStack);

void mosPerfStack_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
void mosPerfStack_SdbgCommand(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                              const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);

[[nodiscard]] MOS_RC MosPerfLayer_Init(void *pUnused);
void MosPerfLayer_Destroy();
