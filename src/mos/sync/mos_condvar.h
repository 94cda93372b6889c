// The condition variable of the runtime library, waited on either with a
// fast lock (keeping the fast-lock bookkeeping true across the wait) or
// with a bare slim lock.
#pragma once

#include "mos_fastlock.h"
#include "mos_rc.h"

struct MosOSWCond {
    OsCondVar cond;
};
static_assert(sizeof(MosOSWCond) == 8);

// Initialises the variable; null is a broken invariant.
void mosOSWCond_Init(MosOSWCond *pCondVar);

// Wakes one waiter / all waiters.
void mosOSWCond_Signal(MosOSWCond *pCondVar);
void mosOSWCond_Broadcast(MosOSWCond *pCondVar);

// Waits without limit. The caller holds pLock; during the wait the lock is
// free (ownerTid 0, the thread's held count one lower) and on return it is
// held again with the bookkeeping restored. Spurious wake-ups happen:
// callers re-check their predicate.
void mosOSWCond_Wait(MosOSWCond *pCondVar, MosFastlock *pLock) MOS_REQUIRES(pLock);

// As mosOSWCond_Wait, with a bare slim lock and no bookkeeping. A failed
// wait is a broken invariant.
void mosOSWCond_WaitBase(MosOSWCond *pCondVar, OsSlimLock *pSlimLock);

// Waits on a bare slim lock for at most timeoutMs (-1: no limit).
// MOS_RC__SUCCESS when woken, MOS_RC__TIMEOUT when the time ran out,
// MOS_RC__INVALID on any other failure. No fast-lock bookkeeping: a caller
// passing the slim lock of a MosFastlock keeps its ownerTid and held
// count unchanged across the wait. The lock is held again on return.
[[nodiscard]] MOS_RC mosOSWCond_TimedWait(MosOSWCond *pCondVar, OsSlimLock *pSlimLock,
                                          int32_t timeoutMs);

// Sets every byte of the variable to 0x0F, so a use after destruction
// does not pass for a fresh variable.
void mosOSWCond_Destroy(MosOSWCond *pCondVar);
