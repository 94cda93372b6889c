// Fast-lock acquisition and release over SRWLOCK, called directly: each
// extra call level before the atomic instruction shows in the uncontended
// cost.
#include "mos_fastlock_intrn.h"

#include <windows.h>

namespace {

SRWLOCK *srw(MosFastlock *pLock) {
    return reinterpret_cast<SRWLOCK *>(pLock->slimLock.bytes);
}

} // namespace

uint32_t mosFastlockBase_Acquire(MosFastlock *pLock) {
    // Entered first so a user-mode thread is not switched out while it
    // waits for the lock.
    mosUmt_SetNonSuspendable();
    uint32_t bContended = 0;
    if (!TryAcquireSRWLockExclusive(srw(pLock))) {
        AcquireSRWLockExclusive(srw(pLock));
        bContended = 1;
    }
    mosFastlock_NoteAcquired(pLock);
    return bContended;
}

uint32_t mosFastlockBase_TryAcquire(MosFastlock *pLock) {
    if (!TryAcquireSRWLockExclusive(srw(pLock))) {
        return 0;
    }
    mosUmt_SetNonSuspendable();
    mosFastlock_NoteAcquired(pLock);
    return 1;
}

void mosFastlockBase_Release(MosFastlock *pLock) {
    mosFastlock_NoteReleasing(pLock, __func__);
    ReleaseSRWLockExclusive(srw(pLock));
    mosUmt_SetSuspendable();
}
