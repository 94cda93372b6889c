// Operating-system seam of threads: identity, creation, joining, sleeping.
#pragma once

#include "mos_rc.h"

#include <cstdint>

// A platform thread: the Windows thread handle, or the pthread_t.
typedef uintptr_t OsThreadHandle;

typedef void (*OsThreadRoutine)(void *pArg);

// GetCurrentThreadId; on Linux the kernel's thread id (gettid), which is
// what ps, /proc and debuggers show. Fills osThread_tlsTid_G.
uint32_t osThread_GetCurrentId();

// The calling thread's id once osThread_GetCurrentId has run in it, else 0
// (cleared in a forked child, whose thread has a new id).
extern thread_local constinit uint32_t osThread_tlsTid_G;

// The calling thread's id without a call once it is known: the fast lock
// stores it on every acquisition.
inline uint32_t osThread_GetCurrentIdCached() {
    uint32_t tid = osThread_tlsTid_G;
    return tid != 0 ? tid : osThread_GetCurrentId();
}

// CreateThread with a stack of stackBytes running pRoutine(pArg).
// MOS_RC__SUCCESS, or MOS_RC__NO_RESOURCES when the platform refuses (then
// *pHandle is untouched and no thread runs).
[[nodiscard]] MOS_RC osThread_Create(OsThreadHandle *pHandle, OsThreadRoutine pRoutine, void *pArg,
                                     uint32_t stackBytes);

// Waits without limit for the thread to end, then closes its handle. Must
// not be called by the thread itself. A failed wait is a broken invariant.
void osThread_Join(OsThreadHandle handle);

// A per-thread value whose callback runs in its thread as the thread ends
// (a Win32 fiber-local slot, a pthread key). Unlike a C++ thread_local's
// destructor, the callback is handed the value itself: the toolchains that
// emulate thread_local may free a thread's thread_local storage before its
// destructors run. Keys live as long as the process.
typedef void (*OsThreadExitCK)(void *pValue);
typedef uintptr_t OsThreadKey;

// MOS_RC__SUCCESS, or MOS_RC__NO_RESOURCES when the platform has no key left.
[[nodiscard]] MOS_RC osThread_KeyCreate(OsThreadKey *pKey, OsThreadExitCK pExitCK);
// The calling thread's value (nullptr until set).
void *osThread_KeyGet(OsThreadKey key);
// A value that is not null gets the key's callback when the thread ends.
// A failure to store it is a broken invariant.
void osThread_KeySet(OsThreadKey key, void *pValue);

// Sleep(ms); 0 gives up the rest of the time slice only.
void osThread_SleepMs(uint32_t ms);
