// The platform-independent part of the fast lock; acquisition and release
// live with the platform's slim lock (sync/<os>/os_fastlock_ops.h).
#include "mos_fastlock.h"

#include "mos_debug.h"
#include "mos_fastlock_intrn.h"

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

// Bookkeeping around a lock the platform took or gives back: the analysis
// takes the annotations of these two on trust.
void mosFastlockBase_AcquireImplicit(MosFastlock *pLock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    mosUmt_SetNonSuspendable();
    mosFastlock_NoteAcquired(pLock);
}

void mosFastlockBase_ReleaseImplicit(MosFastlock *pLock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    mosFastlock_NoteReleasing(pLock, __func__);
    mosUmt_SetSuspendable();
}

uint32_t mosFastlockBase_IsOwner(const MosFastlock *pLock) {
    return pLock->ownerTid == osThread_GetCurrentIdCached() ? 1 : 0;
}

void mosFastlock_ReleaseUnderflow(const char *pFunc, int line) {
    mosDbg_Panic("", __FILE__, pFunc, "tlsLockAcquires_G", "", line);
    mosDbg_AssertExit();
}

uint32_t mosFastlockBase_GetNumAcquired() {
    return tlsLockAcquires_G;
}
