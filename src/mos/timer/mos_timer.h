// Timers: one-shot requests of coarse, fixed periods. There are 11 queue
// sets, one per period from 100 ms to 5 minutes, each of 1 to 32 queues;
// all requests of a queue share its period, so a queue is a plain FIFO in
// expiry order and arming and aborting are constant time. A request's set
// is chosen by the caller (or by the period nearest to a delay), its queue
// by the calling thread's spread window, so threads spread their requests
// over a set's queues. One poll thread ("mosTimer") fires expired requests.
// Queues are objects of type 7 on the debug port, sets of type 8.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_os_thread.h"
#include "mos_rc.h"
#include "mos_timer_req.h"

#include <cstddef>
#include <cstdint>

enum MosTimerQueueId : uint32_t {
#define MOS_TIMER_QSET(id, name, numQueues, periodMs) MOS_TIMER_QUEUE_ID__##name = id,
#include "mos_timer_qsets.def"
#undef MOS_TIMER_QSET
    MOS_TIMER_QUEUE_ID__LAST
};
static_assert(MOS_TIMER_QUEUE_ID__LAST == 11);

inline constexpr uint32_t MOS_TIMER_MAX_QS_IN_SET = 32;
inline constexpr uint32_t MOS_OBJ_TYPE_TIMER_Q = 7;
inline constexpr uint32_t MOS_OBJ_TYPE_TIMER_QSET = 8;

extern const uint32_t mosTimerQsNumInSet_G[MOS_TIMER_QUEUE_ID__LAST];

struct MosTimerQSet;

struct MosTimerQ {
    MosObjEntry objEntry; // type 7
    char name[64];        // "<set name>_<index>"
    uint32_t reqCount;
    uint32_t numExpirations;
    uint32_t numAborts;
    MosFastlock lock;
    MosListAnchor reqAnchor MOS_GUARDED_BY(lock); // armed requests in expiry order
    // Written under the lock; the queries read both without it.
    uint64_t nextExpiry;   // ticks: when the head is due
    uint64_t maxDiffTicks; // largest lateness seen when firing
    MosTimerQSet *pSet;
    uint32_t qId;
};

struct MosTimerQSet {
    MosObjEntry objEntry; // type 8
    MosTimerQ qs[MOS_TIMER_MAX_QS_IN_SET];
    uint64_t ticks; // period
    uint32_t numQs;
    uint32_t setId;
    uint32_t reqCounter; // queue choices (request-count types 1 and 2)
};

#pragma pack(push, 1)
struct MosTimerQ_Query {
    char name[32];
    uint64_t ticks;
    uint64_t ticksToExpiration;
    uint64_t maxDiffTicks;
    uint32_t millis;
    uint32_t numWaiters;
    uint32_t reqCount;
    uint32_t numExpirations;
    uint32_t numAborts;
    uint32_t reserved;
};
struct MosTimerQSet_Query {
    char name[32];
    uint64_t ticks;
    uint32_t millis;
    uint32_t numWaiters;
    uint32_t numExpirations;
    uint32_t numAborts;
    uint64_t maxDiffTicks;
    uint32_t reqCount;
    uint32_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(MosTimerQ_Query) == 80);
static_assert(offsetof(MosTimerQ_Query, millis) == 56);
static_assert(offsetof(MosTimerQ_Query, numAborts) == 72);
static_assert(sizeof(MosTimerQSet_Query) == 72);
static_assert(offsetof(MosTimerQSet_Query, maxDiffTicks) == 56);
static_assert(offsetof(MosTimerQSet_Query, reqCount) == 64);

// Layer start (pParams: a MosTimerParams or null: window 1, atomic
// per-set counter, poll thread on). The window is 2 to the power
// timer_qs_power_per_thread, clamped to 128 so that it fits its byte and is
// never 0. Fails only when the poll thread cannot start.
[[nodiscard]] MOS_RC mosTimer_Init(void *pParams);
// Stops the poll thread; every queue must be empty.
void mosTimer_Destroy();

// Idle, unlinked, set and queue ids 0 (so aborting it before it was ever
// armed is safe and answers MOS_RC__NOT_FOUND).
void mosTimerReq_Init(MosTimerReq *pReq, MosTimerCK pCK);
// Arms an idle request on a queue of the set: MOS_RC__PENDING. It fires
// one period of the set after now, at the poll thread's next pass.
[[nodiscard]] MOS_RC mosTimerReq_AddByQ(MosTimerReq *pReq, uint32_t qSetId);
// Arms it on the set whose period is nearest to delayMs (ties: shorter).
[[nodiscard]] MOS_RC mosTimerReq_Add(MosTimerReq *pReq, uint64_t delayMs);
// MOS_RC__SUCCESS when an armed request was disarmed (its callback will
// not run), MOS_RC__NOT_FOUND when it was idle. Counted either way.
[[nodiscard]] MOS_RC mosTimerReq_Abort(MosTimerReq *pReq);

// The set nearest to a delay in milliseconds.
uint32_t mosTimer_SetForDelay(uint64_t delayMs);
MosTimerQSet *mosTimer_GetQSetPtr(uint32_t qSetId);
MosTimerQ *mosTimer_GetQPtr(uint32_t qSetId, uint32_t qId);
uint32_t mosTimer_GetNumQsInSet(uint32_t qSetId);
uint8_t mosTimer_GetWindow();
// The queue for the calling thread's next request of the set.
MosTimerQ *mosTimer_GetRandomQPtr(uint32_t qSetId);

// The calling thread's window over the set's queues (size 0: the thread
// was not started through the thread layer after the timer layer).
void mosTimer_GetThreadWindow(uint32_t qSetId, uint8_t *pStart, uint8_t *pSize);

// Fires whatever is due on every queue now; returns the tick at which the
// next pass is due. The poll thread's pass, callable where no thread polls.
uint64_t mosTimer_PollAll();

void mosTimerQ_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
void mosTimerQSet_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
