// Conditions of user-mode threads. Waiters queue with a weight (how much
// they still want), an optional wait id and an optional time-out served by
// the timer layer. Every call runs under the lock of the condition's owner
// (the semaphore's lock for semaphores); a waiter is suspended on that lock
// and holds it again when its wait returns.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_rc.h"
#include "mos_umt.h"

#include <cstdint>

enum MosUmtWake : uint32_t {
    MOS_UMT_WAKE__TIMED_WAIT = 1,
    MOS_UMT_WAKE__WAIT = 2,
    MOS_UMT_WAKE__SIGNALLED = 3,
    MOS_UMT_WAKE__EXPLICIT = 4,
    MOS_UMT_WAKE__TIMED_OUT = 5,
};

// Time-out values: 0 none, else milliseconds, or with this bit a timer
// queue set id in the low bits (the wait lasts that set's period).
inline constexpr uint32_t MOS_UMT_COND_TIMEOUT_QSET = 0x10000000;

typedef void (*MosUmtCondReleaseCK)(MosUmtCond *pCond, MosUmt *pUmt, uint32_t bTimedOut,
                                    uint32_t wakeReason);

struct MosUmtCond {
    MosUmtCondReleaseCK pReleaseCK; // may be null
    MosListAnchor waitersList;      // through MosUmt::waitNode
    uint32_t totalWeight;           // weights still wanted by the waiters
};

// Zero-fills the condition; null is a broken invariant.
void mosUmtCond_InitWithFuncLine(MosUmtCond *pCond, const char *pFile, const char *pFunc,
                                 uint32_t line);
#define mosUmtCond_Init(pCond) mosUmtCond_InitWithFuncLine((pCond), __FILE__, __func__, __LINE__)
// No waiter may remain.
void mosUmtCond_Destroy(MosUmtCond *pCond);

// Waits for weight (above 0) on the condition, pLock held. *pWeightLeft
// (may be null) gets the weight still wanted on return. A wait id other
// than 0 needs pbExplicitWake, set to 1 when a signal named the id.
// MOS_RC__SUCCESS when signalled, MOS_RC__TIMEOUT when the time ran out.
[[nodiscard]] MOS_RC mosUmtCond_TimedWaitIntrn(MosUmtCond *pCond, MosFastlock *pLock,
                                               uint32_t timeout, uint32_t weight,
                                               uint32_t *pWeightLeft, uint64_t waitId,
                                               uint32_t *pbExplicitWake, uint32_t bAddAtHead);
// Releases up to weightToRelease to waiters whose wait id matches (0: all),
// from the head or from the tail. Returns the weight released.
uint32_t mosUmtCond_SignalIntrn(MosUmtCond *pCond, uint32_t weightToRelease, uint64_t waitId,
                                uint32_t bFromHead);
// Unlinks one waiter with the wake reason; the caller resumes it.
void mosUmtcond_ReleaseWaitingUMTIntrn(MosUmtCond *pCond, MosUmt *pUmt, uint32_t wakeReason);
// The timer callback of a timed waiter.
void mosUmtCond_TimeoutCK(MosTimerReq *pReq);
MosUmtCond *mosUmtCond_GetCond(const MosUmt *pUmt);

// Suspends the current user-mode thread for about ms milliseconds (at
// least one period of the shortest timer set). Needs the timer layer.
void mosUmt_SleepMs(uint32_t ms);
