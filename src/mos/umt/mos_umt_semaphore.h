// Counting semaphores and mutexes of user-mode threads, over a condition.
// A taker that may not wait takes what there is and owes the rest
// (countBelowZero), which later increments pay back first.
#pragma once

#include "mos_fastlock.h"
#include "mos_rc.h"
#include "mos_umt_cond.h"

#include <cstdint>

struct MosUmtSem {
    MosFastlock lock;
    MosUmtCond cond;
    uint32_t count;
    uint32_t countBelowZero; // taken without waiting, not yet paid back
};

struct MosUmtMutex {
    MosUmtSem sem;
    MosUmt *hOwner; // null when free
};

// The "time-out" that makes a decrement take what there is without waiting.
inline constexpr uint32_t MOS_UMT_SEM_NO_WAIT = 0xFFFFFFFF;

void mosUmtSem_InitWithFuncLine(MosUmtSem *pSem, const char *pFile, const char *pFunc,
                                uint32_t line);
#define mosUmtSem_Init(pSem) mosUmtSem_InitWithFuncLine((pSem), __FILE__, __func__, __LINE__)
// No waiter may remain.
void mosUmtSem_Destroy(MosUmtSem *pSem);
void mosUmtSem_IncInter(MosUmtSem *pSem, uint32_t count, uint32_t bFromHead);
// As mosUmtSem_IncInter with the semaphore's lock held by the caller.
void mosUmtSem_IncInterNoLock(MosUmtSem *pSem, uint32_t count, uint32_t bFromHead);
// Takes count: MOS_RC__SUCCESS, MOS_RC__TIMEOUT or MOS_RC__ABORTED (a
// signal named waitId); on the last two nothing is kept. A time-out of
// MOS_UMT_SEM_NO_WAIT never waits; 0 waits without limit. Waiting needs a
// current user-mode thread.
[[nodiscard]] MOS_RC mosUmtSem_DecIntern(MosUmtSem *pSem, uint32_t count, uint64_t waitId,
                                         uint32_t timeout);
[[nodiscard]] MOS_RC mosUmtSem_DecTimed(MosUmtSem *pSem, uint32_t count, uint32_t timeout);

// A semaphore with one unit and no owner. Locking and unlocking are not
// part of this library; only creation and destruction are.
void mosUmtMutex_InitWithFuncLine(MosUmtMutex *pMutex, const char *pFile, const char *pFunc,
                                  uint32_t line);
// There must be no owner.
void mosUmtMutex_Destroy(MosUmtMutex *pMutex);
