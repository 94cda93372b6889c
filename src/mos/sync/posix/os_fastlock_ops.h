// Fast-lock acquisition and release over the stand-in's slim lock, inline.
//
// The stand-in slim lock is a futex word, as small and as zero-initialised
// as SRWLOCK: 0 free, 1 held, 2 held with sleepers. Taking a free lock is
// one compare-and-swap in the caller's code; only contention goes through
// the kernel (posix/sync.cpp). It is exclusive and not recursive.
#pragma once

#include "mos_fastlock_intrn.h"

#include <cstdint>

// Sleeps until the word is taken by this thread (contended path).
void osSlimLock_AcquireSlow(uint32_t *pWord);
// Wakes one sleeper after a release that found sleepers.
void osSlimLock_WakeOne(uint32_t *pWord);

inline uint32_t *osSlimLock_Word(OsSlimLock *pLock) {
    return reinterpret_cast<uint32_t *>(pLock->bytes);
}

inline bool osSlimLock_TryAcquireInline(uint32_t *pWord) {
    uint32_t expected = 0;
    return __atomic_compare_exchange_n(pWord, &expected, 1, false, __ATOMIC_ACQUIRE,
                                       __ATOMIC_RELAXED);
}

inline void osSlimLock_ReleaseInline(uint32_t *pWord) {
    if (__atomic_exchange_n(pWord, 0, __ATOMIC_RELEASE) == 2) {
        osSlimLock_WakeOne(pWord);
    }
}

// The lock's own operations: the analysis takes their annotations on
// trust, as it cannot see a futex word become a held lock.
inline uint32_t mosFastlockBase_Acquire(MosFastlock *pLock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    // Entered first so a user-mode thread is not switched out while it
    // waits for the lock.
    mosUmt_SetNonSuspendable();
    uint32_t *pWord = osSlimLock_Word(&pLock->slimLock);
    uint32_t bContended = 0;
    if (!osSlimLock_TryAcquireInline(pWord)) {
        osSlimLock_AcquireSlow(pWord);
        bContended = 1;
    }
    mosFastlock_NoteAcquired(pLock);
    return bContended;
}

[[nodiscard]] inline uint32_t
mosFastlockBase_TryAcquire(MosFastlock *pLock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    if (!osSlimLock_TryAcquireInline(osSlimLock_Word(&pLock->slimLock))) {
        return 0;
    }
    mosUmt_SetNonSuspendable();
    mosFastlock_NoteAcquired(pLock);
    return 1;
}

inline void mosFastlockBase_Release(MosFastlock *pLock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    mosFastlock_NoteReleasing(pLock, __func__);
    osSlimLock_ReleaseInline(osSlimLock_Word(&pLock->slimLock));
    mosUmt_SetSuspendable();
}
