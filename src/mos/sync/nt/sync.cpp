// Slim locks and condition variables: the Win32 primitives themselves.
#include "os_sync.h"

#include <windows.h>

#include <cstring>

static_assert(sizeof(SRWLOCK) <= sizeof(OsSlimLock));
static_assert(sizeof(CONDITION_VARIABLE) <= sizeof(OsCondVar));

static SRWLOCK *srw(OsSlimLock *pLock) {
    return reinterpret_cast<SRWLOCK *>(pLock->bytes);
}

static CONDITION_VARIABLE *cv(OsCondVar *pCond) {
    return reinterpret_cast<CONDITION_VARIABLE *>(pCond->bytes);
}

void osSlimLock_Init(OsSlimLock *pLock) {
    memset(pLock->bytes, 0, sizeof pLock->bytes);
    InitializeSRWLock(srw(pLock));
}

bool osSlimLock_TryAcquire(OsSlimLock *pLock) {
    return TryAcquireSRWLockExclusive(srw(pLock)) != 0;
}

void osSlimLock_Acquire(OsSlimLock *pLock) {
    AcquireSRWLockExclusive(srw(pLock));
}

void osSlimLock_Release(OsSlimLock *pLock) {
    ReleaseSRWLockExclusive(srw(pLock));
}

void osCondVar_Init(OsCondVar *pCond) {
    memset(pCond->bytes, 0, sizeof pCond->bytes);
    InitializeConditionVariable(cv(pCond));
}

void osCondVar_Signal(OsCondVar *pCond) {
    WakeConditionVariable(cv(pCond));
}

void osCondVar_Broadcast(OsCondVar *pCond) {
    WakeAllConditionVariable(cv(pCond));
}

MOS_RC osCondVar_Wait(OsCondVar *pCond, OsSlimLock *pLock, int32_t timeoutMs) {
    DWORD waitMs = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (SleepConditionVariableSRW(cv(pCond), srw(pLock), waitMs, 0)) {
        return MOS_RC__SUCCESS;
    }
    return GetLastError() == ERROR_TIMEOUT ? MOS_RC__TIMEOUT : MOS_RC__INVALID;
}
