// Bookkeeping shared by the platform files of the fast lock: what every
// acquisition and release does around the slim lock itself. Inline, so
// that the uncontended path is the slim lock's own cost plus a few stores.
#pragma once

#include "mos_debug.h"
#include "mos_fastlock.h"
#include "mos_umt.h"
#include "os_thread.h"

// After the slim lock was taken: owner and held count.
inline void mosFastlock_NoteAcquired(MosFastlock *pLock) {
    pLock->ownerTid = osThread_GetCurrentIdCached();
    tlsLockAcquires_G++;
}

// A release by a thread that holds no fast lock: the panic names pFunc.
[[noreturn]] void mosFastlock_ReleaseUnderflow(const char *pFunc, int line);

// Before the slim lock is released: owner cleared, held count checked and
// lowered. pFunc is the releasing operation, named by the panic.
inline void mosFastlock_NoteReleasing(MosFastlock *pLock, const char *pFunc) {
    pLock->ownerTid = 0;
    if (tlsLockAcquires_G == 0) {
        mosFastlock_ReleaseUnderflow(pFunc, __LINE__);
    }
    tlsLockAcquires_G--;
}
