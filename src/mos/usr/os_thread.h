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

// Sleep(ms); 0 gives up the rest of the time slice only.
void osThread_SleepMs(uint32_t ms);
