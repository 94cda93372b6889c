// Operating-system seam of threads: identity, creation, joining, sleeping.
#pragma once

#include "mos_rc.h"

#include <cstdint>

// A platform thread: the Windows thread handle, or the pthread_t.
typedef uintptr_t OsThreadHandle;

typedef void (*OsThreadRoutine)(void *pArg);

// GetCurrentThreadId; on Linux the kernel's thread id (gettid), which is
// what ps, /proc and debuggers show. Cheap: no system call after the
// thread's first call.
uint32_t osThread_GetCurrentId();

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
