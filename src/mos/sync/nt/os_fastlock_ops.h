// Fast-lock acquisition and release over SRWLOCK, defined in
// nt/fastlock.cpp so that includers need no windows.h.
#pragma once

#include <cstdint>

struct MosFastlock;

uint32_t mosFastlockBase_Acquire(MosFastlock *pLock);
[[nodiscard]] uint32_t mosFastlockBase_TryAcquire(MosFastlock *pLock);
void mosFastlockBase_Release(MosFastlock *pLock);
