#include "mos_umt_semaphore.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_os_thread.h"

#include <cstring>

void mosUmtSem_InitWithFuncLine(MosUmtSem *pSem, const char *pFile, const char *pFunc,
                                uint32_t line) {
    MOS_ASSERT_TEXT(pSem != nullptr, "(pSem) != ((void *)0)");
    memset(static_cast<void *>(pSem), 0, sizeof *pSem);
    mosUmtCond_InitWithFuncLine(&pSem->cond, pFile, pFunc, line);
    mosFastlockBase_AdaptiveCreateInternal(&pSem->lock, pFile, pFunc, line);
}

void mosUmtSem_Destroy(MosUmtSem *pSem) {
    MOS_ASSERT_TEXT(pSem != nullptr, "(pSem) != ((void *)0)");
    mosUmtCond_Destroy(&pSem->cond);
    mosFastlockBase_Destroy(&pSem->lock);
}

void mosUmtSem_IncInter(MosUmtSem *pSem, uint32_t count, uint32_t bFromHead) {
    MOS_ASSERT_TEXT(pSem != nullptr, "(pSem) != ((void *)0)");
    mosFastlockBase_Acquire(&pSem->lock);
    mosUmtSem_IncInterNoLock(pSem, count, bFromHead);
    mosFastlockBase_Release(&pSem->lock);
}

void mosUmtSem_IncInterNoLock(MosUmtSem *pSem, uint32_t count, uint32_t bFromHead) {
    if (pSem->countBelowZero >= count) {
        pSem->countBelowZero -= count;
        return;
    }
    uint32_t countToInc = count - pSem->countBelowZero;
    pSem->countBelowZero = 0;
    if (pSem->count == 0) {
        uint32_t waiters = mosUmtCond_SignalIntrn(&pSem->cond, countToInc, 0, bFromHead);
        MOS_ASSERT(waiters <= countToInc);
        if (pSem->cond.waitersList.counter != 0) {
            return;
        }
        countToInc -= waiters;
    }
    pSem->count += countToInc;
}

namespace {

// A wait that ended without the whole count gives back what it obtained.
MOS_RC giveBack(MosUmtSem *pSem, uint32_t count, uint32_t weightLeft, MOS_RC rc) {
    uint32_t obtained = count - weightLeft;
    if (obtained != 0) {
        mosUmtSem_IncInterNoLock(pSem, obtained, 1);
    }
    return rc;
}

} // namespace

MOS_RC mosUmtSem_DecIntern(MosUmtSem *pSem, uint32_t count, uint64_t waitId, uint32_t timeout) {
    MOS_ASSERT_TEXT(pSem != nullptr, "(pSem) != ((void *)0)");
    if (umtTls_G.pUmt != nullptr && mosUmt_IsRunning() != 0) {
        mosUmt_AssertSuspendable();
    }
    MOS_ASSERT(mosOsThrd_NoIntrViolation());
    mosUmt_AcquireLock(&pSem->lock);
    MOS_RC rc = MOS_RC__SUCCESS;
    if (pSem->count >= count) {
        pSem->count -= count;
    } else if (timeout == MOS_UMT_SEM_NO_WAIT) {
        uint32_t oldBelowZero = pSem->countBelowZero;
        pSem->countBelowZero += count - pSem->count;
        pSem->count = 0;
        MOS_ASSERT(pSem->countBelowZero > oldBelowZero);
    } else {
        uint32_t shortfall = count - pSem->count;
        pSem->count = 0;
        uint32_t weightLeft = 0;
        uint32_t bExplicitWake = 0;
        MOS_RC waitRc = mosUmtCond_TimedWaitIntrn(&pSem->cond, &pSem->lock, timeout, shortfall,
                                                  &weightLeft, waitId, &bExplicitWake, 0);
        if (waitRc == MOS_RC__TIMEOUT) {
            rc = giveBack(pSem, count, weightLeft, MOS_RC__TIMEOUT);
        } else if (waitRc == MOS_RC__SUCCESS && bExplicitWake != 0) {
            rc = giveBack(pSem, count, weightLeft, MOS_RC__ABORTED);
        } else if (waitRc != MOS_RC__SUCCESS) {
            MOS_ASSERT(0);
        }
    }
    mosUmt_ReleaseLock(&pSem->lock);
    return rc;
}

MOS_RC mosUmtSem_DecTimed(MosUmtSem *pSem, uint32_t count, uint32_t timeout) {
    MOS_ASSERT_TEXT(timeout != MOS_UMT_SEM_NO_WAIT, "timeToWaitMillis != (0xFFFFFFFF)");
    return mosUmtSem_DecIntern(pSem, count, 0, timeout);
}

void mosUmtMutex_InitWithFuncLine(MosUmtMutex *pMutex, const char *pFile, const char *pFunc,
                                  uint32_t line) {
    mosUmtSem_InitWithFuncLine(&pMutex->sem, pFile, pFunc, line);
    mosUmtSem_IncInter(&pMutex->sem, 1, 1);
    pMutex->hOwner = nullptr;
}

void mosUmtMutex_Destroy(MosUmtMutex *pMutex) {
    MOS_ASSERT_TEXT(pMutex->hOwner == nullptr, "(pMutex->hOwner) == ((void *)0)");
    mosUmtSem_Destroy(&pMutex->sem);
}
