#include "mos_ut.h"

#include "mos_debug.h"
#include "mos_diag_counters.h"
#include "mos_sys_utils.h"
#include "mos_ticks.h"
#include "mos_umt.h"

#include <immintrin.h>
#include <x86intrin.h>

namespace {

constexpr const char *kThreshNames[] = {"None",
#define MOS_UT_THRESH(num, name) "mosUtThresh_" #name,
#include "mos_ut.def"
#undef MOS_UT_THRESH
                                        "INVALID"};
static_assert(sizeof kThreshNames / sizeof kThreshNames[0] == MOS_UT_THRESH__INVALID + 1);

constexpr const char *kActionNames[] = {"None",
#define MOS_UT_ACTION(num, name) "mosUtAction_" #name,
#include "mos_ut.def"
#undef MOS_UT_ACTION
                                        "INVALID"};
static_assert(sizeof kActionNames / sizeof kActionNames[0] == MOS_UT_ACTION__INVALID + 1);

constexpr MosUtThreshFn kThreshFns[] = {
    nullptr,
#define MOS_UT_THRESH(num, name) mosUtThresh_##name,
#include "mos_ut.def"
#undef MOS_UT_THRESH
};

constexpr MosUtActionFn kActionFns[] = {
    nullptr,
#define MOS_UT_ACTION(num, name) mosUtAction_##name,
#include "mos_ut.def"
#undef MOS_UT_ACTION
};

void busyWaitMs(uint64_t ms) {
    const uint64_t start = mosTicks_GetCurrent();
    while (mosTicks_MillisSince(start) < ms) {
        _mm_pause();
    }
}

} // namespace

bool mosUtThresh_Always(MosUtThresh * /*pThresh*/, uint64_t /*value*/) {
    return true;
}

bool mosUtThresh_EqualsTo(MosUtThresh *pThresh, uint64_t value) {
    return value == pThresh->param;
}

bool mosUtThresh_BiggerThan(MosUtThresh *pThresh, uint64_t value) {
    return value > pThresh->param;
}

bool mosUtThresh_SmallerThan(MosUtThresh *pThresh, uint64_t value) {
    return value < pThresh->param;
}

bool mosUtThresh_DifferentThan(MosUtThresh *pThresh, uint64_t value) {
    return value != pThresh->param;
}

bool mosUtThresh_RandOneOf(MosUtThresh *pThresh, uint64_t /*value*/) {
    return pThresh->param == 0 || __rdtsc() % pThresh->param == 0;
}

bool mosUtThresh_IsEven(MosUtThresh * /*pThresh*/, uint64_t value) {
    return value % 2 == 0;
}

bool mosUtThresh_IsOdd(MosUtThresh * /*pThresh*/, uint64_t value) {
    return value % 2 == 1;
}

bool mosUtThresh_CountTimes(MosUtThresh *pThresh, uint64_t /*value*/) {
    if (pThresh->param == 0) {
        return false;
    }
    pThresh->param--;
    return true;
}

uint64_t mosUtAction_ReturnConstant(MosUtAction *pAction, void * /*pUserCtx*/) {
    return pAction->param;
}

uint64_t mosUtAction_ReturnUserCtx(MosUtAction * /*pAction*/, void *pUserCtx) {
    return reinterpret_cast<uintptr_t>(pUserCtx);
}

// A parameter of 0 has no range to pick from: 0.
uint64_t mosUtAction_ReturnRandLimited(MosUtAction *pAction, void * /*pUserCtx*/) {
    return pAction->param == 0 ? 0 : mosTicks_GetCurrent() % pAction->param;
}

uint64_t mosUtAction_SpinInPlace(MosUtAction *pAction, void * /*pUserCtx*/) {
    const uint64_t start = __rdtsc();
    while (__rdtsc() - start < pAction->param) {
    }
    return pAction->param;
}

uint64_t mosUtAction_DelayThread(MosUtAction *pAction, void * /*pUserCtx*/) {
    busyWaitMs(pAction->param);
    return pAction->param;
}

uint64_t mosUtAction_Crash(MosUtAction * /*pAction*/, void * /*pUserCtx*/) {
    ALWAYS_ASSERT();
}

uint64_t mosUtAction_Exit(MosUtAction * /*pAction*/, void * /*pUserCtx*/) {
    mos_Exit(-1);
}

// Both weights 0 leave nothing to choose between: the delay.
uint64_t mosUtAction_ExitOrDelay(MosUtAction *pAction, void * /*pUserCtx*/) {
    const uint64_t exitWeight = (pAction->param >> 8) & 0xFFFFFF;
    const uint64_t delayWeight = pAction->param >> 32;
    const uint64_t delayMs = pAction->param & 0xFF;
    const uint64_t totalWeight = exitWeight + delayWeight;
    if (totalWeight != 0 && mos_Rand() % totalWeight < exitWeight) {
        mos_Exit(-1);
    }
    busyWaitMs(delayMs);
    return 0;
}

uint64_t mosUtAction_CallCk(MosUtAction *pAction, void * /*pUserCtx*/) {
    if (pAction->pCK == nullptr) {
        return 0;
    }
    return pAction->pCK(pAction, pAction->args[0], pAction->args[1], pAction->args[2]);
}

// Stirs the schedule: now and then spins the thread for a millisecond;
// otherwise a user-mode thread that may be switched out gives its turn to
// the others.
uint64_t mosUtAction_CrazySched(MosUtAction *pAction, void * /*pUserCtx*/) {
    if (pAction->param != 0 && mos_Rand() % pAction->param == 0) {
        mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__CRAZY_SCHED_SPIN);
        if (mosTicks_IsReady()) {
            busyWaitMs(1);
        }
        return 0;
    }
    const MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr && pUmt->state == MOS_UMT_STATE__RUNNING && mosUmt_IsSuspendable() != 0) {
        mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__CRAZY_SCHED_UMT_YIELD);
        mosUmt_Yield();
    }
    return 0;
}

const char *mosUt_ThreshName(uint32_t threshId) {
    return kThreshNames[threshId < MOS_UT_THRESH__INVALID ? threshId : MOS_UT_THRESH__INVALID];
}

const char *mosUt_ActionName(uint32_t actionId) {
    return kActionNames[actionId < MOS_UT_ACTION__INVALID ? actionId : MOS_UT_ACTION__INVALID];
}

MosUtThreshFn mosUt_ThreshFn(uint32_t threshId) {
    return threshId < MOS_UT_THRESH__INVALID ? kThreshFns[threshId] : nullptr;
}

MosUtActionFn mosUt_ActionFn(uint32_t actionId) {
    return actionId < MOS_UT_ACTION__INVALID ? kActionFns[actionId] : nullptr;
}
