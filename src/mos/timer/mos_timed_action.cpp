// The timed-action reaper.
#include "mos_timed_action.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_init_params.h"
#include "mos_mem.h"
#include "mos_ticks.h"
#include "mos_trace.h"

#include <cstddef>

MosTimedActionLayer mosTimedActionLayer_G;

namespace {

MosTimedActionLayer &TA = mosTimedActionLayer_G;

MosTimedAction *actionOf(MosListNode *pNode) {
    return reinterpret_cast<MosTimedAction *>(reinterpret_cast<uint8_t *>(pNode) -
                                              offsetof(MosTimedAction, node));
}

// One reaper period over the active actions; the caller holds the lock.
void countDown() {
    for (MosListNode *p = TA.activeList.pFirst; p != nullptr; p = mosList_Next(p)) {
        MosTimedAction *pTA = actionOf(p);
        if (pTA->countdown < 0 && pTA->bInterruptRequested) {
            // No thread interruption on this platform: only the wake-up.
            mosOSWCond_Signal(&pTA->cond);
        } else {
            pTA->countdown--;
        }
    }
}

// Releases the finished actions; the lock is dropped around each join.
void releaseFinished() MOS_REQUIRES(TA.lock) {
    while (TA.destroyList.pFirst != nullptr) {
        MosTimedAction *pTA = actionOf(TA.destroyList.pFirst);
        MOS_ASSERT_TEXT(pTA->node.pPrev == mosList_End(),
                        "(&mosTimedActionLayer_G.destroyList)->pFirst == (&pTA->node)");
        mosList_Unlink(&TA.destroyList, &pTA->node);
        TA.destroyList.counter--;
        mosFastlockBase_Release(&TA.lock);
        MOS_TRACE(MOS_COMP_MOS, 3, "Releasing os thread of timed action: %p",
                  static_cast<void *>(pTA));
        mosOsThrd_Destroy(&pTA->thrd);
        mosOSWCond_Destroy(&pTA->cond);
        mos_MemFreeBare(pTA);
        mosFastlockBase_Acquire(&TA.lock);
        TA.numPending--;
    }
}

bool keepRunning(uint32_t periodsSinceStop) {
    return !TA.bStop || (TA.numPending > 0 && periodsSinceStop < MOS_TIMED_ACTION_STOP_PERIODS);
}

void mosTimedActionLayer_Reaper(void * /*pArg*/) {
    uint64_t lastPeriodTick = mosTicks_GetCurrent();
    uint32_t periodsSinceStop = 0;
    mosFastlockBase_Acquire(&TA.lock);
    while (keepRunning(periodsSinceStop)) {
        const uint64_t now = mosTicks_GetCurrent();
        if (mosTicks_TicksToMillis(now - lastPeriodTick) >= MOS_TIMED_ACTION_REAPER_PERIOD_MS) {
            lastPeriodTick = now;
            countDown();
            periodsSinceStop += TA.bStop ? 1 : 0;
        }
        releaseFinished();
        if (TA.destroyList.pFirst != nullptr) {
            continue;
        }
        const bool bTimed = TA.activeList.pFirst != nullptr || TA.bStop;
        (void)mosOSWCond_TimedWait(&TA.cond, &TA.lock.slimLock,
                                   bTimed ? static_cast<int32_t>(MOS_TIMED_ACTION_REAPER_PERIOD_MS)
                                          : -1);
    }
    mosFastlockBase_Release(&TA.lock);
}

} // namespace

MOS_RC mosTimedActionLayer_Init(void *pParams) {
    TA = MosTimedActionLayer{};
    const auto *p = static_cast<const MosTimedActionParams *>(pParams);
    TA.maxPendingThreads = p != nullptr && p->max_pending_timed_action_threads != 0
                               ? p->max_pending_timed_action_threads
                               : 256;
    TA.osThreadThresholdMs = p != nullptr && p->timed_action_create_os_thrd_threshold_ms != 0
                                 ? p->timed_action_create_os_thrd_threshold_ms
                                 : 1000;
    mosFastlock_Create(&TA.lock);
    mosOSWCond_Init(&TA.cond);
    TA.bStop = 0;
    MOS_RC rc = mosOsThrd_Create(&TA.reaper, mosTimedActionLayer_Reaper, nullptr);
    if (rc != MOS_RC__SUCCESS) {
        mosOSWCond_Destroy(&TA.cond);
        mosFastlockBase_Destroy(&TA.lock);
    }
    return rc;
}

void mosTimedActionLayer_Destroy() {
    mosFastlockBase_Acquire(&TA.lock);
    TA.bStop = 1;
    mosOSWCond_Signal(&TA.cond);
    mosFastlockBase_Release(&TA.lock);
    mosOsThrd_Destroy(&TA.reaper);
    mosOSWCond_Destroy(&TA.cond);
    mosFastlockBase_Destroy(&TA.lock);
}

uint32_t mosTimedActionLayer_GetNumPending() {
    return __atomic_load_n(&TA.numPending, __ATOMIC_RELAXED);
}
