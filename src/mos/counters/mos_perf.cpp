// Performance windows and performance stacks.
#include "mos_perf.h"

#include "mos_debug.h"
#include "mos_init_params.h"
#include "mos_mem.h"
#include "mos_ticks.h"

#include <cstring>

namespace {

struct PerfWindowLayer {
    uint64_t samplePeriodTicks;
    uint32_t bEnabled;
};
PerfWindowLayer perfWindowLayer_G = {5000, 0};

struct PerfLayer {
    uint32_t bActive;
    MosFastlock lock;
    MosObjType type;
    MosPerfStack *pFirstStack; // the stacks the layer ends at its destroy
    MosPerfStack *pSecondStack;
};
PerfLayer perfLayer_G;

bool isAfter(uint64_t a, uint64_t b) {
    return mosTicks_IsAfter(a, b);
}

void reportWindow(const MosPerfWindowSlot &w, MosPerfWindowResult *pResult) {
    memcpy(pResult->values, w.values, sizeof pResult->values);
    const uint64_t seconds =
        mosTicks_TicksToMillis(mosTicks_Distance(w.endTick, w.startTick)) / 1000;
    pResult->seconds = seconds == 0 ? 1 : static_cast<uint32_t>(seconds);
}

} // namespace

MOS_RC mosPerfWindowLayer_Init(void *pParams) {
    const auto *p = static_cast<const MosBwcParams *>(pParams);
    const uint64_t millis =
        p != nullptr && p->bwc_win_size_sec != 0 ? uint64_t{p->bwc_win_size_sec} * 1000 : 5000;
    perfWindowLayer_G.samplePeriodTicks = mosTicks_MillisToTicks(millis);
    perfWindowLayer_G.bEnabled = p != nullptr && p->bwc_enable != 0 ? 1 : 0;
    return MOS_RC__SUCCESS;
}

uint64_t mosPerfWindowLayer_GetSamplePeriodTicks() {
    return perfWindowLayer_G.samplePeriodTicks;
}

uint32_t mosPerfWindowLayer_IsEnabled() {
    return perfWindowLayer_G.bEnabled;
}

MOS_RC mosPerfWindow_Query(const MosPerfWindow *pWindow, MosPerfWindowResult *pResult) {
    const uint32_t bEnabled = pWindow->mode == 2 ? perfWindowLayer_G.bEnabled : pWindow->mode;
    if (!bEnabled) {
        return MOS_RC__INVALID;
    }
    const uint64_t now = mosTicks_GetCurrent();
    const uint64_t period = pWindow->periodTicks == MOS_PERF_USE_LAYER_PERIOD
                                ? perfWindowLayer_G.samplePeriodTicks
                                : pWindow->periodTicks;
    const MosPerfWindowSlot &current = pWindow->windows[pWindow->index & 1];
    if (isAfter(current.endTick, now)) { // still being filled: the other one is complete
        reportWindow(pWindow->windows[(pWindow->index + 1) & 1], pResult);
        return MOS_RC__SUCCESS;
    }
    if (isAfter(now, current.endTick + period)) { // nothing recorded for over a period
        *pResult = MosPerfWindowResult{};
        return MOS_RC__SUCCESS;
    }
    reportWindow(current, pResult);
    return MOS_RC__SUCCESS;
}

namespace {

void resetStats(MosPerfStats *pStats) {
    const uint64_t limit = pStats->limit;
    *pStats = MosPerfStats{};
    pStats->limit = limit;
}

void resetHistogram(MosPerfHistogram *pHist) {
    pHist->minSample = MOS_PERF_UNBOUNDED;
    pHist->samples = 0;
    pHist->discardedSamples = 0;
    pHist->maxSample = 0;
    for (uint32_t b = 0; b < pHist->numBuckets; b++) {
        pHist->pBuckets[b].count = 0;
    }
}

void resetStage(MosPerfStage *pStage) {
    mosFastlockBase_Acquire(&pStage->lock);
    resetStats(&pStage->stats);
    resetHistogram(&pStage->histogram);
    pStage->samplesStarted = 0;
    pStage->samplesFinished = 0;
    mosFastlockBase_Release(&pStage->lock);
}

void copyStats(const MosPerfStats &s, MosPerfStatsQuery *q) {
    *q = {s.samples, s.max, s.overflows, s.sumSquares, s.total, s.discards, s.limit};
}

void copyStage(const MosPerfStage &s, MosPerfStageQuery *q) {
    const MosPerfHistogram &h = s.histogram;
    q->Histogram.numBuckets = h.numBuckets;
    q->Histogram.samples = h.samples;
    q->Histogram.minSample = h.minSample;
    q->Histogram.maxSample = h.maxSample;
    q->Histogram.expectedMin = h.expectedMin;
    q->Histogram.expectedMax = h.expectedMax;
    q->Histogram.discardedSamples = h.discardedSamples;
    if (h.numBuckets != 0) {
        memcpy(q->Histogram.buckets, h.pBuckets, h.numBuckets * sizeof(MosPerfBucketQuery));
    }
    copyStats(s.stats, &q->Statistics);
    memcpy(q->stageName, s.name, strnlen(s.name, sizeof q->stageName - 1));
    q->samplesStarted = s.samplesStarted;
    q->samplesFinished = s.samplesFinished;
}

void freeStage(MosPerfStage *pStage) {
    mos_MemFreeBare(pStage->histogram.pBuckets);
    pStage->histogram.pBuckets = nullptr;
}

} // namespace

void mosPerfStage_Init(MosPerfStage *pStage, const char *pName, const uint64_t *pBounds,
                       uint32_t numBounds, uint64_t statsLimit) {
    MOS_ASSERT(numBounds >= 1 && numBounds <= MOS_PERF_MAX_BUCKETS);
    *pStage = MosPerfStage{};
    mosFastlock_Create(&pStage->lock);
    strncpy(pStage->name, pName, sizeof pStage->name - 1);
    pStage->stats.limit = statsLimit;
    MosPerfHistogram &h = pStage->histogram;
    h.pBuckets = static_cast<MosPerfBucketQuery *>(mos_MemCallocBare(
        numBounds * sizeof(MosPerfBucketQuery), MOS_MEM_MAX_SIZE, "mosPerfStage_Init", false));
    h.numBuckets = numBounds;
    for (uint32_t b = 0; b < numBounds; b++) {
        h.pBuckets[b].lowerBound = pBounds[b];
        h.pBuckets[b].upperBound = b + 1 < numBounds ? pBounds[b + 1] : MOS_PERF_UNBOUNDED;
    }
    h.expectedMin = pBounds[0];
    h.expectedMax = pBounds[numBounds - 1];
    h.minSample = MOS_PERF_UNBOUNDED;
}

void mosPerfStage_AddSample(MosPerfStage *pStage, uint64_t ticks) {
    mosFastlockBase_Acquire(&pStage->lock);
    MosPerfStats &s = pStage->stats;
    s.samples++;
    s.total += ticks;
    s.sumSquares += ticks * ticks;
    s.max = ticks > s.max ? ticks : s.max;
    s.overflows += s.limit != 0 && ticks > s.limit ? 1 : 0;
    MosPerfHistogram &h = pStage->histogram;
    h.samples++;
    h.minSample = ticks < h.minSample ? ticks : h.minSample;
    h.maxSample = ticks > h.maxSample ? ticks : h.maxSample;
    bool bPlaced = false;
    for (uint32_t b = 0; b < h.numBuckets && !bPlaced; b++) {
        if (ticks >= h.pBuckets[b].lowerBound && ticks < h.pBuckets[b].upperBound) {
            h.pBuckets[b].count++;
            bPlaced = true;
        }
    }
    h.discardedSamples += bPlaced ? 0 : 1;
    pStage->samplesStarted++;
    pStage->samplesFinished++;
    mosFastlockBase_Release(&pStage->lock);
}

void mosPerfStack_Init(MosPerfStack *pStack, const char *pDescription, const uint64_t *pBounds,
                       uint32_t numBounds) {
    memset(static_cast<void *>(pStack), 0, sizeof *pStack);
    strncpy(pStack->contextDescription, pDescription, sizeof pStack->contextDescription - 1);
    mosPerfStage_Init(&pStack->totalStage, "Total", pBounds, numBounds, 0);
}

int32_t mosPerfStack_AddStage(MosPerfStack *pStack, const char *pName, const uint64_t *pBounds,
                              uint32_t numBounds, uint64_t statsLimit) {
    if (pStack->numStages == MOS_PERF_MAX_STAGES) {
        return -1;
    }
    mosPerfStage_Init(&pStack->stages[pStack->numStages], pName, pBounds, numBounds, statsLimit);
    return static_cast<int32_t>(pStack->numStages++);
}

void mosPerfStack_Register(MosPerfStack *pStack, const char *pName) {
    mosObjType_RegObj(&perfLayer_G.type, &pStack->objEntry, pName);
    mosFastlockBase_Acquire(&perfLayer_G.lock);
    pStack->bRegistered = 1;
    if (perfLayer_G.pFirstStack == nullptr) {
        perfLayer_G.pFirstStack = pStack;
    } else if (perfLayer_G.pSecondStack == nullptr) {
        perfLayer_G.pSecondStack = pStack;
    }
    mosFastlockBase_Release(&perfLayer_G.lock);
}

void mosPerfStack_Unregister(MosPerfStack *pStack) {
    mosObjType_UnregObj(&perfLayer_G.type, &pStack->objEntry);
    mosFastlockBase_Acquire(&perfLayer_G.lock);
    if (perfLayer_G.pFirstStack == pStack) {
        perfLayer_G.pFirstStack = nullptr;
    }
    if (perfLayer_G.pSecondStack == pStack) {
        perfLayer_G.pSecondStack = nullptr;
    }
    mosFastlockBase_Release(&perfLayer_G.lock);
    for (uint32_t i = 0; i < pStack->numStages; i++) {
        freeStage(&pStack->stages[i]);
    }
    freeStage(&pStack->totalStage);
    memset(static_cast<void *>(pStack), 0, sizeof *pStack);
}

void mosPerfStack_Reset(MosPerfStack *pStack) {
    for (uint32_t i = 0; i < pStack->numStages; i++) {
        resetStage(&pStack->stages[i]);
    }
    resetStage(&pStack->totalStage);
    pStack->ctxSwitchStat = MosPerfStats{};
}

void mosPerfStack_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pStack = reinterpret_cast<const MosPerfStack *>(pEntry); // the entry comes first
    auto *q = static_cast<MosPerfStack_Query *>(pBuf);
    memcpy(q->contextDescription, pStack->contextDescription,
           strnlen(pStack->contextDescription, sizeof q->contextDescription - 1));
    copyStats(pStack->ctxSwitchStat, &q->ctxSwitchStat);
    copyStage(pStack->totalStage, &q->totalStage);
    for (uint32_t i = 0; i < pStack->numStages; i++) {
        copyStage(pStack->stages[i], &q->stages[i]);
    }
    q->numStages = pStack->numStages;
}

void mosPerfStack_SdbgCommand(MosObjEntry *pEntry, uint32_t command, uint32_t /*argc*/,
                              const char (* /*pArgs*/)[MOS_OBJ_CMD_ARG_SIZE]) {
    if (command == MOS_PERF_CMD_RESET) {
        mosPerfStack_Reset(reinterpret_cast<MosPerfStack *>(pEntry));
    }
}

MOS_RC MosPerfLayer_Init(void * /*pUnused*/) {
    perfLayer_G.pFirstStack = nullptr;
    perfLayer_G.pSecondStack = nullptr;
    perfLayer_G.type = MosObjType{};
    mosObjType_RegObjType(&perfLayer_G.type, mosPerfStack_SdbgQuery, mosPerfStack_SdbgCommand,
                          MOS_OBJ_TYPE_PERF_STACK, sizeof(MosPerfStack_Query));
    perfLayer_G.bActive = 1;
    mosFastlock_Create(&perfLayer_G.lock);
    return MOS_RC__SUCCESS;
}

void MosPerfLayer_Destroy() {
    perfLayer_G.bActive = 0;
    mosFastlockBase_Acquire(&perfLayer_G.lock);
    MosPerfStack *pFirst = perfLayer_G.pFirstStack;
    MosPerfStack *pSecond = perfLayer_G.pSecondStack;
    const bool bFirst = pFirst != nullptr && pFirst->bRegistered;
    const bool bSecond = pSecond != nullptr && pSecond->bRegistered;
    mosFastlockBase_Release(&perfLayer_G.lock);
    if (bFirst) {
        mosPerfStack_Unregister(pFirst);
    }
    if (bSecond) {
        mosPerfStack_Unregister(pSecond);
    }
    mosObjType_UnregObjType(&perfLayer_G.type);
}

MOS_RC mosPerfWindow_QueryLocked(MosPerfWindow *pWindow, MosPerfWindowResult *pResult) {
    mosFastlockBase_Acquire(&pWindow->lock);
    MOS_RC rc = mosPerfWindow_Query(pWindow, pResult);
    mosFastlockBase_Release(&pWindow->lock);
    return rc;
}
