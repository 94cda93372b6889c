// Operating-system seam of the fast lock and the condition variable.
//
// OsSlimLock is the platform's slim exclusive lock (Windows SRWLOCK; a
// futex word in the Linux stand-in) and OsCondVar its condition variable
// (Windows CONDITION_VARIABLE; a futex sequence word on Linux), one pointer
// wide each on both. All-zero storage is an unlocked lock and an idle
// condition on both, so locks in zero-filled memory work before their
// creation call; the creation calls still initialise them.
#pragma once

#include "mos_rc.h"

#include <cstdint>

struct OsSlimLock {
    alignas(8) unsigned char bytes[8];
};

struct OsCondVar {
    alignas(8) unsigned char bytes[8];
};

// InitializeSRWLock. The lock must not be held.
void osSlimLock_Init(OsSlimLock *pLock);

// TryAcquireSRWLockExclusive: true when the lock was free and is now held.
[[nodiscard]] bool osSlimLock_TryAcquire(OsSlimLock *pLock);

// AcquireSRWLockExclusive: waits as long as it takes. Not recursive.
void osSlimLock_Acquire(OsSlimLock *pLock);

// ReleaseSRWLockExclusive. The caller holds the lock.
void osSlimLock_Release(OsSlimLock *pLock);

// InitializeConditionVariable.
void osCondVar_Init(OsCondVar *pCond);

// WakeConditionVariable / WakeAllConditionVariable.
void osCondVar_Signal(OsCondVar *pCond);
void osCondVar_Broadcast(OsCondVar *pCond);

// SleepConditionVariableSRW with the caller's held slim lock, which is
// released for the wait and held again on return, whatever the result.
// timeoutMs < 0 waits without limit. MOS_RC__SUCCESS when woken,
// MOS_RC__TIMEOUT when the time ran out (ERROR_TIMEOUT), MOS_RC__INVALID
// on any other failure.
[[nodiscard]] MOS_RC osCondVar_Wait(OsCondVar *pCond, OsSlimLock *pLock, int32_t timeoutMs);
