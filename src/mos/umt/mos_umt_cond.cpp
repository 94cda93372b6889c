#include "mos_umt_cond.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_os_thread.h"
#include "mos_timer.h"

#include <cstddef>
#include <cstring>

namespace {

MosUmt *umtOfWaitNode(MosListNode *pNode) {
    return reinterpret_cast<MosUmt *>(reinterpret_cast<char *>(pNode) - offsetof(MosUmt, waitNode));
}

void linkWaiter(MosUmtCond *pCond, MosUmt *pUmt, uint32_t bAddAtHead) {
    MosListNode *pNode = &pUmt->waitNode;
    MOS_ASSERT_TEXT(pNode->pPrev == nullptr, "(pNode)->pPrev == ((void *)0)");
    pCond->waitersList.counter++;
    if (bAddAtHead != 0) {
        mosList_Prepend(&pCond->waitersList, pNode);
    } else {
        mosList_Append(&pCond->waitersList, pNode);
    }
}

void armTimer(MosUmt *pUmt, uint32_t timeout) {
    mosTimerReq_Init(&pUmt->timerReq, mosUmtCond_TimeoutCK);
    MOS_RC rc = (timeout & MOS_UMT_COND_TIMEOUT_QSET) != 0
                    ? mosTimerReq_AddByQ(&pUmt->timerReq, timeout & ~MOS_UMT_COND_TIMEOUT_QSET)
                    : mosTimerReq_Add(&pUmt->timerReq, timeout);
    MOS_ASSERT(rc == MOS_RC__PENDING);
}

// The wait's outcome from the wake state the waker left.
MOS_RC waitResult(const MosUmt *pUmt, uint32_t timeout, uint32_t *pbExplicitWake) {
    switch (pUmt->wakeState) {
        case MOS_UMT_WAKE__SIGNALLED:
            return MOS_RC__SUCCESS;
        case MOS_UMT_WAKE__EXPLICIT:
            if (pbExplicitWake != nullptr) {
                *pbExplicitWake = 1;
            }
            return MOS_RC__SUCCESS;
        case MOS_UMT_WAKE__TIMED_OUT:
            MOS_ASSERT_TEXT(timeout != 0, "timeToWaitMillis != 0");
            return MOS_RC__TIMEOUT;
        default:
            MOS_ASSERT(0);
            return MOS_RC__INVALID;
    }
}

// A waiter's whole weight is released: wake it, or, when its timer has
// already fired, leave it to the time-out callback. Returns the weight that
// counts as released.
uint32_t releaseWholeWaiter(MosUmtCond *pCond, MosUmt *pUmt, uint32_t reason) {
    uint32_t weight = pUmt->weightWanted;
    if (pUmt->wakeState == MOS_UMT_WAKE__TIMED_WAIT &&
        mosTimerReq_Abort(&pUmt->timerReq) != MOS_RC__SUCCESS) {
        mosList_Unlink(&pCond->waitersList, &pUmt->waitNode);
        pCond->waitersList.counter--;
        pUmt->wakeState = MOS_UMT_WAKE__TIMED_OUT;
        if (pCond->pReleaseCK != nullptr) {
            pCond->pReleaseCK(pCond, pUmt, 1, MOS_UMT_WAKE__TIMED_OUT);
        }
        pCond->totalWeight -= weight;
        return 0;
    }
    mosUmtcond_ReleaseWaitingUMTIntrn(pCond, pUmt, reason);
    mosUmt_ResumeUThread(pUmt);
    return weight;
}

} // namespace

MosUmtCond *mosUmtCond_GetCond(const MosUmt *pUmt) {
    return pUmt->pWaitCond;
}

void mosUmtCond_InitWithFuncLine(MosUmtCond *pCond, const char * /*pFile*/, const char * /*pFunc*/,
                                 uint32_t /*line*/) {
    MOS_ASSERT_TEXT(pCond != nullptr, "(pCond) != ((void *)0)");
    memset(static_cast<void *>(pCond), 0, sizeof *pCond);
}

void mosUmtCond_Destroy(MosUmtCond *pCond) {
    MOS_ASSERT_TEXT(pCond != nullptr, "(pCond) != ((void *)0)");
    MOS_ASSERT_TEXT(pCond->waitersList.counter == 0, "(((&pCond->waitersList)->counter) == 0)");
}

MOS_RC mosUmtCond_TimedWaitIntrn(MosUmtCond *pCond, MosFastlock *pLock, uint32_t timeout,
                                 uint32_t weight, uint32_t *pWeightLeft, uint64_t waitId,
                                 uint32_t *pbExplicitWake, uint32_t bAddAtHead) {
    MOS_ASSERT_TEXT(waitId == 0 || pbExplicitWake != nullptr,
                    "waitID == 0 || pbExplicitWake != ((void *)0)");
    MOS_ASSERT_TEXT(weight != 0, "weight != 0");
    MosUmt *pUmt = mosUmt_GetUThreadHdl();
    linkWaiter(pCond, pUmt, bAddAtHead);
    pUmt->pWaitCond = pCond;
    pUmt->pWaitLock = pLock;
    pUmt->weightWanted = weight;
    pUmt->waitId = waitId;
    pCond->totalWeight += weight;
    if (timeout == 0) {
        pUmt->wakeState = MOS_UMT_WAKE__WAIT;
    } else {
        pUmt->wakeState = MOS_UMT_WAKE__TIMED_WAIT;
        armTimer(pUmt, timeout);
    }
    mosUmt_SuspendUThread(pLock, MOS_OS_THRD_WAIT_COND);

    MOS_ASSERT_TEXT(pUmt->waitNode.pPrev == nullptr, "(pNode)->pPrev == ((void *)0)");
    if (pWeightLeft != nullptr) {
        *pWeightLeft = pUmt->weightWanted;
    }
    if (pbExplicitWake != nullptr) {
        *pbExplicitWake = 0;
    }
    MOS_RC rc = waitResult(pUmt, timeout, pbExplicitWake);
    pUmt->pWaitCond = nullptr;
    pUmt->wakeState = 0;
    pUmt->weightWanted = 0;
    return rc;
}

uint32_t mosUmtCond_SignalIntrn(MosUmtCond *pCond, uint32_t weightToRelease, uint64_t waitId,
                                uint32_t bFromHead) {
    uint32_t released = 0;
    MosListNode *pNode = bFromHead != 0 ? pCond->waitersList.pFirst : pCond->waitersList.pLast;
    while (pNode != nullptr && weightToRelease != 0) {
        MosListNode *pNextNode = bFromHead != 0 ? mosList_Next(pNode) : mosList_Prev(pNode);
        MosUmt *pUmt = umtOfWaitNode(pNode);
        MOS_ASSERT(mosUmtCond_GetCond(pUmt) == pCond);
        uint32_t curWeight = pUmt->weightWanted;
        MOS_ASSERT(curWeight != 0);
        if (waitId == 0 || pUmt->waitId == waitId) {
            if (weightToRelease < curWeight) {
                pUmt->weightWanted -= weightToRelease;
                pCond->totalWeight -= weightToRelease;
                return released + weightToRelease;
            }
            weightToRelease -= curWeight;
            uint32_t reason = waitId != 0 ? MOS_UMT_WAKE__EXPLICIT : MOS_UMT_WAKE__SIGNALLED;
            released += releaseWholeWaiter(pCond, pUmt, reason);
        }
        pNode = pNextNode;
    }
    return released;
}

void mosUmtcond_ReleaseWaitingUMTIntrn(MosUmtCond *pCond, MosUmt *pUmt, uint32_t wakeReason) {
    uint32_t weight = pUmt->weightWanted;
    MOS_ASSERT(weight != 0);
    MOS_ASSERT(pCond->totalWeight >= weight);
    MOS_ASSERT_TEXT(pUmt->waitNode.pPrev != nullptr, "(pNode)->pPrev != ((void *)0)");
    mosList_Unlink(&pCond->waitersList, &pUmt->waitNode);
    pCond->waitersList.counter--;
    pUmt->wakeState = wakeReason;
    if (pCond->pReleaseCK != nullptr) {
        pCond->pReleaseCK(pCond, pUmt, wakeReason == MOS_UMT_WAKE__TIMED_OUT ? 1 : 0, wakeReason);
    }
    pCond->totalWeight -= weight;
}

void mosUmtCond_TimeoutCK(MosTimerReq *pReq) {
    auto *pUmt =
        reinterpret_cast<MosUmt *>(reinterpret_cast<char *>(pReq) - offsetof(MosUmt, timerReq));
    MosFastlock *pLock = pUmt->pWaitLock;
    mosFastlockBase_Acquire(pLock);
    if (pUmt->wakeState == MOS_UMT_WAKE__TIMED_WAIT) {
        mosUmtcond_ReleaseWaitingUMTIntrn(pUmt->pWaitCond, pUmt, MOS_UMT_WAKE__TIMED_OUT);
    } else if (pUmt->wakeState != MOS_UMT_WAKE__TIMED_OUT) {
        ALWAYS_ASSERT();
    }
    mosUmt_ResumeUThread(pUmt);
    mosFastlockBase_Release(pLock);
}

void mosUmt_SleepMs(uint32_t ms) {
    MosUmtCond cond;
    MosFastlock lock;
    mosUmtCond_InitWithFuncLine(&cond, __FILE__, "mosUmt_SleepMs", __LINE__);
    mosFastlockBase_AdaptiveCreateInternal(&lock, __FILE__, "mosUmt_SleepMs", __LINE__);
    mosUmt_AcquireLock(&lock);
    MOS_RC rc =
        mosUmtCond_TimedWaitIntrn(&cond, &lock, ms == 0 ? 1 : ms, 1, nullptr, 0, nullptr, 0);
    MOS_ASSERT(rc == MOS_RC__TIMEOUT);
    mosUmt_ReleaseLock(&lock);
    mosFastlockBase_Destroy(&lock);
    mosUmtCond_Destroy(&cond);
}
