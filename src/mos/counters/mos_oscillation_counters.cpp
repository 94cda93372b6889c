// The oscillation-counter layer.
#include "mos_oscillation_counters.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_fastlock.h"
#include "mos_ticks.h"
#include "mos_trace.h"

#include <cstring>

namespace {

const uint32_t objTypeIds_G[MOS_OSC_CNT_TYPE__LAST] = {
    0,
#define MOS_OSC_CNT(counterType, objTypeId, name) objTypeId,
#include "mos_osc_counters.def"
#undef MOS_OSC_CNT
};

struct OscCntLayer {
    MosObjType types[MOS_OSC_CNT_TYPE__LAST]; // by counter type; 0 unused
    MosFastlock lock;
    uint32_t bActive;
    MosOscCntFailureNotifyCK mosOscCntFailureNotifyCKs[MOS_OSC_CNT_TYPE__LAST];
};
OscCntLayer oscCntLayer_G;

MosObjType *typeOf(uint32_t counterType) {
    MOS_ASSERT(counterType > 0 && counterType < MOS_OSC_CNT_TYPE__LAST);
    return &oscCntLayer_G.types[counterType];
}

} // namespace

MOS_RC mosOscCntLayer_Init(void * /*pUnused*/) {
    memset(oscCntLayer_G.mosOscCntFailureNotifyCKs, 0,
           sizeof oscCntLayer_G.mosOscCntFailureNotifyCKs);
    mosFastlock_Create(&oscCntLayer_G.lock);
    oscCntLayer_G.bActive = 1;
    for (uint32_t t = 1; t < MOS_OSC_CNT_TYPE__LAST; t++) {
        oscCntLayer_G.types[t] = MosObjType{};
        mosObjType_RegObjType(&oscCntLayer_G.types[t], mosOscCnt_SdbgQuery, nullptr,
                              objTypeIds_G[t], sizeof(MosOscCntEntry));
    }
    return MOS_RC__SUCCESS;
}

void mosOscCntLayer_Destroy() {
    if (!oscCntLayer_G.bActive) {
        return;
    }
    for (uint32_t t = 1; t < MOS_OSC_CNT_TYPE__LAST; t++) {
        mosObjType_UnregObjType(&oscCntLayer_G.types[t]);
    }
    for (uint32_t idx = 0; idx < MOS_OSC_CNT_TYPE__LAST; idx++) {
        MOS_ASSERT_TEXT(oscCntLayer_G.mosOscCntFailureNotifyCKs[idx] == nullptr,
                        "oscCntLayer_G.mosOscCntFailureNotifyCKs[idx] == ((void *)0)");
    }
    mosFastlockBase_Destroy(&oscCntLayer_G.lock);
    oscCntLayer_G.bActive = 0;
}

bool mosOscCnt_IsNetCounter(uint32_t counterType) {
    if (counterType >= MOS_OSC_CNT_TYPE__LAST) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Received an invalid counter type %u", counterType);
        return false;
    }
    return counterType >= 1 && counterType <= MOS_OSC_CNT_LAST_NET_TYPE;
}

uint32_t mosOscCnt_ObjTypeId(uint32_t counterType) {
    return counterType < MOS_OSC_CNT_TYPE__LAST ? objTypeIds_G[counterType] : 0;
}

void mosOscCnt_Register(MosOscCnt *pCnt, const char *pName) {
    mosObjType_RegObj(typeOf(pCnt->counterType), &pCnt->objEntry, pName);
}

void mosOscCnt_Unregister(MosOscCnt *pCnt) {
    mosObjType_UnregObj(typeOf(pCnt->counterType), &pCnt->objEntry);
}

void mosOscCnt_Init(MosOscCnt *pCnt, uint32_t counterType, const uint32_t windowSizeSec[3],
                    const uint32_t threshold[3]) {
    MOS_ASSERT(counterType > 0 && counterType < MOS_OSC_CNT_TYPE__LAST);
    *pCnt = MosOscCnt{};
    pCnt->counterType = counterType;
    const uint64_t now = mosTicks_GetCurrent();
    for (uint32_t w = 0; w < 3; w++) {
        pCnt->windows[w].windowSizeTicks =
            mosTicks_MillisToTicks(uint64_t{windowSizeSec[w]} * 1000);
        pCnt->windows[w].threshold = threshold[w];
        pCnt->windows[w].windowStartTick = now;
    }
}

namespace {

// True when this failure made the window reach its threshold.
bool countInWindow(MosOscCntWindow *pWin, uint64_t now) {
    if (pWin->windowSizeTicks == 0) {
        return false;
    }
    if (mosTicks_Distance(now, pWin->windowStartTick) >= pWin->windowSizeTicks) {
        pWin->windowStartTick = now;
        pWin->currentCount = 0;
    }
    pWin->currentCount++;
    if (pWin->currentCount > pWin->maxFailuresCount) {
        pWin->maxFailuresCount = pWin->currentCount;
        pWin->maxFailuresTick = now;
    }
    if (pWin->currentCount != pWin->threshold) {
        return false;
    }
    pWin->lastOscillationCount = pWin->currentCount;
    pWin->lastOscillationTick = now;
    return true;
}

} // namespace

void mosOscCnt_NotifyFailure(MosOscCnt *pCnt) {
    const uint64_t now = mosTicks_GetCurrent();
    for (MosOscCntWindow &win : pCnt->windows) {
        if (!countInWindow(&win, now)) {
            continue;
        }
        mosFastlockBase_Acquire(&oscCntLayer_G.lock);
        MosOscCntFailureNotifyCK pCK = oscCntLayer_G.mosOscCntFailureNotifyCKs[pCnt->counterType];
        mosFastlockBase_Release(&oscCntLayer_G.lock);
        if (pCK != nullptr) {
            pCK(pCnt);
        }
    }
}

void mosOscCnt_SetFailureNotifyCK(uint32_t counterType, MosOscCntFailureNotifyCK pCK) {
    MOS_ASSERT(counterType > 0 && counterType < MOS_OSC_CNT_TYPE__LAST);
    mosFastlockBase_Acquire(&oscCntLayer_G.lock);
    oscCntLayer_G.mosOscCntFailureNotifyCKs[counterType] = pCK;
    mosFastlockBase_Release(&oscCntLayer_G.lock);
}

void mosOscCnt_FillWindowQuery(const MosOscCntWindow *pWindow, MosOscCntWindowQuery *pQuery) {
    pQuery->windowSizeInSec =
        static_cast<uint32_t>(mosTicks_TicksToMillis(pWindow->windowSizeTicks) / 1000);
    if (pQuery->windowSizeInSec == 0) {
        return;
    }
    pQuery->threshold = pWindow->threshold;
    pQuery->lastOscillationCount = pWindow->lastOscillationCount;
    pQuery->lastOscillationTime = mosTicks_TicksToMillis(pWindow->lastOscillationTick);
    pQuery->maxFailuresCount = pWindow->maxFailuresCount;
    pQuery->maxFailuresTime = mosTicks_TicksToMillis(pWindow->maxFailuresTick);
    pQuery->last = pWindow->last;
}

void mosOscCnt_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pCnt = reinterpret_cast<const MosOscCnt *>(pEntry); // the entry comes first
    auto *q = static_cast<MosOscCntEntry *>(pBuf);
    mosOscCnt_FillWindowQuery(&pCnt->windows[MOS_OSC_WIN_SHORT], &q->shortWindow);
    mosOscCnt_FillWindowQuery(&pCnt->windows[MOS_OSC_WIN_MEDIUM], &q->mediumWindow);
    mosOscCnt_FillWindowQuery(&pCnt->windows[MOS_OSC_WIN_LONG], &q->longWindow);
    q->shortWindowCurrentCount = pCnt->windows[MOS_OSC_WIN_SHORT].currentCount;
    q->mediumWindowCurrentCount = pCnt->windows[MOS_OSC_WIN_MEDIUM].currentCount;
    q->longWindowCurrentCount = pCnt->windows[MOS_OSC_WIN_LONG].currentCount;
    if (mosOscCnt_IsNetCounter(pCnt->counterType)) {
        memcpy(q->addrStr, pCnt->addrStr, strnlen(pCnt->addrStr, sizeof q->addrStr - 1));
        q->remoteObjId = pCnt->remoteObjId;
    }
}
