// The fast lock: an exclusive, non-recursive lock over the platform's slim
// lock that records its holder and counts, per operating-system thread,
// how many fast locks that thread holds. Every acquisition also enters the
// non-suspendable bracket of the running user-mode thread, so it cannot be
// switched out while it holds a lock.
//
// A lock in zero-filled memory reads ownerTid 0 and is usable; every lock
// is still created through mosFastlockBase_AdaptiveCreateInternal with its
// creator's file, function and line. A lock must be released on the thread
// that acquired it.
#pragma once

#include "mos_lock_annotations.h"
#include "os_sync.h"

#include <cstdint>

struct MOS_CAPABILITY("mutex") MosFastlock {
    OsSlimLock slimLock; // only ever taken exclusively
    uint32_t ownerTid;   // holder's thread id, 0 while free
};
static_assert(sizeof(MosFastlock) == 16);

// Fast locks the calling thread holds now; 0 in every new thread.
extern thread_local constinit uint32_t tlsLockAcquires_G;

// Initialises the slim lock. The creator's file, function and line are for
// diagnostics and not kept. A null lock is a broken invariant.
void mosFastlockBase_AdaptiveCreateInternal(MosFastlock *pLock, const char *pFile,
                                            const char *pFunc, uint32_t line);

// Creates a lock named after the calling code.
#define mosFastlock_Create(pLock)                                                                  \
    mosFastlockBase_AdaptiveCreateInternal((pLock), __FILE__, __func__, __LINE__)

// Nothing to release on this platform; callers still call it on teardown.
void mosFastlockBase_Destroy(MosFastlock *pLock);

// Bookkeeping of an acquisition the platform already made (after a
// condition-variable wait); the slim lock is not touched.
void mosFastlockBase_AcquireImplicit(MosFastlock *pLock) MOS_ACQUIRE(pLock);

// Bookkeeping of a release the platform is about to make (before a
// condition-variable wait); the slim lock is not touched.
void mosFastlockBase_ReleaseImplicit(MosFastlock *pLock) MOS_RELEASE(pLock);

// 1 when the calling thread holds the lock, else 0.
uint32_t mosFastlockBase_IsOwner(const MosFastlock *pLock);

// The calling thread's count of held fast locks.
uint32_t mosFastlockBase_GetNumAcquired();

// The acquisition and release operations, defined out of line (Windows)
// or inline (Linux) by the platform's header of the same name.
//
// Takes the lock, waiting as long as it takes. 1 when it had to wait, 0
// when it was free. Never fails.
uint32_t mosFastlockBase_Acquire(MosFastlock *pLock) MOS_ACQUIRE(pLock);
// One attempt without waiting: 1 when taken, 0 (nothing changed) when held.
[[nodiscard]] uint32_t mosFastlockBase_TryAcquire(MosFastlock *pLock) MOS_TRY_ACQUIRE(1, pLock);
// Releases a lock the caller holds. Releasing while the thread holds no
// fast lock is a broken invariant, caught before the slim lock is touched.
void mosFastlockBase_Release(MosFastlock *pLock) MOS_RELEASE(pLock);
#include "os_fastlock_ops.h"
