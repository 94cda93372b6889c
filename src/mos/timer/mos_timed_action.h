// Timed actions: work that must finish within a deadline, watched by a
// reaper thread that counts each active action down every 100 ms, wakes
// (and, where the platform can, interrupts) an action that overran, and
// releases finished actions: their OS thread is joined and their record
// freed. This runtime creates no timed action; the layer runs its reaper
// and reports the number pending.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_os_thread.h"
#include "mos_rc.h"

#include <cstdint>

inline constexpr uint32_t MOS_TIMED_ACTION_REAPER_PERIOD_MS = 100;
inline constexpr uint32_t MOS_TIMED_ACTION_STOP_PERIODS = 100;

// A timed action as the reaper sees it. Records are heap blocks of the
// runtime allocator, freed by the reaper.
struct MosTimedAction {
    MosListNode node;  // in the active list, then in destroyList
    int32_t countdown; // reaper periods left; negative: overran
    uint32_t bInterruptRequested;
    MosOSWCond cond; // its waiter
    MosOsThrd thrd;
};

struct MosTimedActionLayer {
    MosOsThrd reaper;
    MosListAnchor destroyList;
    MosListAnchor activeList;
    MosFastlock lock;
    MosOSWCond cond;
    uint32_t bStop;
    uint32_t numPending;
    uint32_t maxPendingThreads;   // 0 in the settings: 256
    uint64_t osThreadThresholdMs; // 0 in the settings: 1000
};

extern MosTimedActionLayer mosTimedActionLayer_G;

// Layer start (pParams: a MosTimedActionParams or null); starts the
// reaper. Fails when the reaper cannot start.
[[nodiscard]] MOS_RC mosTimedActionLayer_Init(void *pParams);
// Stops the reaper; pending actions get up to 100 periods to finish.
void mosTimedActionLayer_Destroy();
uint32_t mosTimedActionLayer_GetNumPending();
