#include "usr/mos_fastlock.h"

#include "mos_debug.h"
#include "umt/mos_umt.h"
#include "usr/os_thread.h"

thread_local constinit uint32_t tlsLockAcquires_G = 0;

void mosFastlockBase_AdaptiveCreateInternal(MosFastlock *pLock, const char *pFile,
                                            const char *pFunc, uint32_t line) {
    (void)pFile;
    (void)pFunc;
    (void)line;
    MOS_ASSERT((pLock) != ((void *)0));
    // ownerTid is left as it is: the holders of a lock write it, creation
    // does not (zero-filled owners read 0 until the first acquisition).
    osSlimLock_Init(&pLock->slimLock);
}

void mosFastlockBase_Destroy(MosFastlock *pLock) {
    (void)pLock;
}

uint32_t mosFastlockBase_Acquire(MosFastlock *pLock) {
    // Entered first so a user-mode thread is not switched out while it
    // waits for the lock.
    mosUmt_SetNonSuspendable();
    uint32_t bContended = 0;
    if (!osSlimLock_TryAcquire(&pLock->slimLock)) {
        osSlimLock_Acquire(&pLock->slimLock);
        bContended = 1;
    }
    pLock->ownerTid = osThread_GetCurrentId();
    tlsLockAcquires_G++;
    return bContended;
}

uint32_t mosFastlockBase_TryAcquire(MosFastlock *pLock) {
    if (!osSlimLock_TryAcquire(&pLock->slimLock)) {
        return 0;
    }
    mosUmt_SetNonSuspendable();
    pLock->ownerTid = osThread_GetCurrentId();
    tlsLockAcquires_G++;
    return 1;
}

void mosFastlockBase_Release(MosFastlock *pLock) {
    pLock->ownerTid = 0;
    MOS_ASSERT(tlsLockAcquires_G);
    tlsLockAcquires_G--;
    osSlimLock_Release(&pLock->slimLock);
    mosUmt_SetSuspendable();
}

void mosFastlockBase_AcquireImplicit(MosFastlock *pLock) {
    mosUmt_SetNonSuspendable();
    pLock->ownerTid = osThread_GetCurrentId();
    tlsLockAcquires_G++;
}

void mosFastlockBase_ReleaseImplicit(MosFastlock *pLock) {
    pLock->ownerTid = 0;
    MOS_ASSERT(tlsLockAcquires_G);
    tlsLockAcquires_G--;
    mosUmt_SetSuspendable();
}

uint32_t mosFastlockBase_IsOwner(const MosFastlock *pLock) {
    return pLock->ownerTid == osThread_GetCurrentId() ? 1 : 0;
}

uint32_t mosFastlockBase_GetNumAcquired() {
    return tlsLockAcquires_G;
}
