// The user-mode thread's state machine: suspend, finalize, resume, yield
// and deletion, and the queries about the current thread.
#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_os_thread.h"
#include "mos_ticks.h"
#include "mos_umt.h"
#include "mos_umt_class.h"
#include "mos_umt_sched.h"
#include "mos_umt_semaphore.h"

#include <cstddef>

thread_local constinit MosUmtTls umtTls_G = {nullptr, nullptr, nullptr};

namespace {

uint32_t bBacktraceMode_G = 0;

MosUmt *umtOfActiveNode(MosListNode *pNode) {
    return reinterpret_cast<MosUmt *>(reinterpret_cast<char *>(pNode) -
                                      offsetof(MosUmt, activeUmtListNode));
}

void wakeJoiner(MosUmt *pUmt) {
    uintptr_t joiner = reinterpret_cast<uintptr_t>(pUmt->pJoinerSem);
    MOS_ASSERT_TEXT(joiner != 0, "(pUmt->pJoinerSem) != ((void *)0)");
    if ((joiner & 1) == 0) {
        mosUmtSem_IncInter(static_cast<MosUmtSem *>(pUmt->pJoinerSem), 1, 0);
        return;
    }
    auto *pEvent = reinterpret_cast<MosUmtOsEvent *>(joiner & ~uintptr_t{1});
    mosFastlockBase_Acquire(&pEvent->lock);
    pEvent->bSignalled = 1;
    mosOSWCond_Signal(&pEvent->cond);
    mosFastlockBase_Release(&pEvent->lock);
}

// The resumption, possibly on another operating-system thread. Out of line
// so that nothing derived from the previous thread's thread-local storage
// survives the switch in registers.
//
// The suspend lock changes hands with the stack: taken here again after a
// switch, released by the next thread's mosUmt_FinalizeSuspend. The
// analysis sees one stack at a time and cannot follow either.
__attribute__((noinline)) void
resumeAfterSwitch(MosUmt *pUmt, MosFastlock *pSuspendLock,
                  uint32_t waiterKind) MOS_NO_THREAD_SAFETY_ANALYSIS {
    osUmtFiber_Arrive(&pUmt->fiber);
    mosUmt_FinalizeSuspend();
    pUmt->pSuspendLock = nullptr;
    mosOsThrd_UpdateWaiters(waiterKind, false);
    mosFastlockBase_Acquire(pSuspendLock);
    MOS_ASSERT(pUmt->state == MOS_UMT_STATE__READY);
    pUmt->state = MOS_UMT_STATE__RUNNING;
    umtTls_G.pUmt = pUmt;
    pUmt->runStartTicks = mosTicks_GetCurrent();
}

} // namespace

__attribute__((noinline)) void mosUmt_AcquireLock(MosFastlock *pLock) {
    mosFastlockBase_Acquire(pLock);
}

__attribute__((noinline)) void mosUmt_ReleaseLock(MosFastlock *pLock) {
    mosFastlockBase_Release(pLock);
}

void mosUmt_SuspendableUnderflow() {
    mosDbg_Panic("", __FILE__, "mosUmt_SetSuspendable", "0 < pUmt->nonSuspendable", "", __LINE__);
    mosDbg_AssertExit();
}

MosUmt *mosUmt_GetUThreadHdl() {
    MosUmt *pUmt = umtTls_G.pUmt;
    MOS_ASSERT_TEXT(pUmt != nullptr, "pUmt != ((void *)0)");
    return pUmt;
}

uint32_t mosUmt_IsRunning() {
    return mosUmt_GetUThreadHdl()->state == MOS_UMT_STATE__RUNNING ? 1 : 0;
}

uint32_t mosUmt_IsSuspendable() {
    const MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr && pUmt->bAlwaysSuspendable == 0 && pUmt->nonSuspendable > 0) {
        return 0;
    }
    return 1;
}

void mosUmt_AssertSuspendable() {
    if (mosUmt_IsSuspendable() == 0) {
        mosDbg_Panic("", __FILE__, __func__, "ALWAYS_ASSERT", "This UMT cannot be suspended now",
                     __LINE__);
        mosDbg_AssertExit();
    }
}

uint64_t mosUmt_GetStackSpaceLeftInBs() {
    MosUmt *pUmt = umtTls_G.pUmt;
    MOS_ASSERT_TEXT(pUmt != nullptr, "(pUmt) != ((void *)0)");
    return mosUmt_GetStackPointer() - pUmt->stackLow;
}

MosUmtSched *mosUmt_GetCurSched() {
    return umtTls_G.pCurSched != nullptr ? umtTls_G.pCurSched : mosUmtSched_GetDefault();
}

MosUmtSchedThrd *mosUmt_GetCurSchedThrd() {
    return umtTls_G.pCurSchedThrd;
}

MosUmtSched *mosUmtSched_GetDefault() {
    return umtMgr_G.pDefaultSched;
}

uint32_t mosUmt_GetMustMove(const MosUmt *pUmt) {
    return pUmt->bMustMove;
}

// Runs on the thread's own stack; the second return of the save is the
// resumption, possibly on another operating-system thread.
void mosUmt_SuspendUThread(MosFastlock *pSuspendLock, uint32_t waiterKind) {
    MosUmt *pUmt = mosUmt_GetUThreadHdl();
    if (pUmt->bAlwaysSuspendable == 0) {
        if (mosFastlockBase_GetNumAcquired() != 1) {
            mosDbg_Panic("", __FILE__, __func__, "ALWAYS_ASSERT",
                         "This UMT cannot be suspended now. Unexpected fastlocks are acquired",
                         __LINE__);
            mosDbg_AssertExit();
        }
    }
    MOS_ASSERT(1 == pUmt->nonSuspendable || pUmt->bAlwaysSuspendable);
    mosOsThrd_UpdateWaiters(waiterKind, true);
    if (pUmt->state == MOS_UMT_STATE__RUNNING) {
        pUmt->state = MOS_UMT_STATE__SUSPENDING;
    } else if (pUmt->state != MOS_UMT_STATE__YIELDING) {
        MOS_ASSERT(0);
    }
    pUmt->suspendCount++;
    MosUmtSaveArea saveArea;
    pUmt->pSavedContext = &saveArea;
    pUmt->pSuspendLock = pSuspendLock;
    if (mosUmt_SaveContext(&saveArea) == 0) {
        MosUmtSched *pSched = mosUmt_GetCurSched();
        pSched->pOps->pSwitchCK(pSched);
    }
    resumeAfterSwitch(pUmt, pSuspendLock, waiterKind);
}

// Releases the suspend lock the previous thread took on its own stack
// (see resumeAfterSwitch).
void mosUmt_FinalizeSuspend() MOS_NO_THREAD_SAFETY_ANALYSIS {
    MosUmt *pPrev = umtTls_G.pUmt;
    if (pPrev == nullptr) {
        return;
    }
    umtTls_G.pUmt = nullptr;
    switch (pPrev->state) {
        case MOS_UMT_STATE__SUSPENDING:
            pPrev->state = MOS_UMT_STATE__SUSPENDED;
            mosFastlockBase_Release(pPrev->pSuspendLock);
            break;
        case MOS_UMT_STATE__PREPARE_TO_DELETE:
            mosUmt_DeleteDone(pPrev);
            break;
        case MOS_UMT_STATE__YIELDING:
            pPrev->state = MOS_UMT_STATE__SUSPENDED;
            // The yielder's lock is its own: nobody else can resume it.
            mosFastlockBase_Release(pPrev->pSuspendLock);
            mosUmt_Sched(pPrev);
            break;
        default:
            MOS_ASSERT(0);
    }
}

void mosUmt_ResumeUThread(MosUmt *pUmt) {
    MOS_ASSERT(pUmt->state == MOS_UMT_STATE__SUSPENDED);
    mosUmt_Sched(pUmt);
}

void mosUmt_Sched(MosUmt *pUmt) {
    MOS_ASSERT(pUmt->state == MOS_UMT_STATE__SUSPENDED);
    pUmt->readySinceMs = mosTicks_TicksToMillis(mosTicks_GetCurrent());
    pUmt->state = MOS_UMT_STATE__READY;
    const MosUmtSchedThrdOps *pOps = pUmt->pSchedThrdOps;
    if (pUmt->assignedThrdIdx != MOS_UMT_NO_THRD && pOps->pEnqueueOnThrdCK != nullptr) {
        pOps->pEnqueueOnThrdCK(pOps, pUmt, pUmt->assignedThrdIdx);
    } else {
        pOps->pEnqueueCK(pOps, pUmt, pUmt->assignedThrdIdx);
    }
}

void mosUmt_Yield() {
    MosUmt *pUmt = mosUmt_GetUThreadHdl();
    MosFastlock lock;
    mosFastlockBase_AdaptiveCreateInternal(&lock, __FILE__, "mosUmt_Yield", __LINE__);
    mosUmt_AcquireLock(&lock);
    pUmt->state = MOS_UMT_STATE__YIELDING;
    mosUmt_SuspendUThread(&lock, MOS_OS_THRD_WAIT_YIELD);
    mosUmt_ReleaseLock(&lock);
    mosFastlockBase_Destroy(&lock);
}

void mosUmt_DeleteDone(MosUmt *pUmt) {
    MOS_ASSERT(umtTls_G.pUmt != pUmt);
    MOS_ASSERT_TEXT(pUmt->pSuspendLock == nullptr, "(pUmt->pSuspendLock) == ((void *)0)");
    MOS_ASSERT(pUmt->state == MOS_UMT_STATE__PREPARE_TO_DELETE);
    if (__atomic_load_n(&pUmt->joinerCount, __ATOMIC_ACQUIRE) != 0) {
        if (__atomic_sub_fetch(&pUmt->joinerCount, 1, __ATOMIC_ACQ_REL) == 0) {
            wakeJoiner(pUmt);
        }
        return;
    }
    mosUmtClass_DelFromClass(&pUmt->classRefNode);
    pUmt->state = MOS_UMT_STATE__DELETED;
    pUmt->pClearedAtDeletion = nullptr;
    pUmt->pWaitCond = nullptr;
    pUmt->pJoinerSem = nullptr;
    mosUmt_RmvFromActiveList(pUmt);
    pUmt->pOwnerOps->pDeleteDoneCK(pUmt->pOwnerOps, pUmt);
}

void mosUmt_AddToActiveList(MosUmt *pUmt) {
    mosFastlockBase_Acquire(&umtMgr_G.lock);
    mosList_Append(&umtMgr_G.activeList, &pUmt->activeUmtListNode);
    umtMgr_G.activeList.counter++;
    mosFastlockBase_Release(&umtMgr_G.lock);
}

void mosUmt_RmvFromActiveList(MosUmt *pUmt) {
    MosListNode *pNode = &pUmt->activeUmtListNode;
    MosListAnchor *pList = &umtMgr_G.activeList;
    mosFastlockBase_Acquire(&umtMgr_G.lock);
    MOS_ASSERT_TEXT(pNode->pPrev != nullptr, "(pNode)->pPrev != ((void *)0)");
    MOS_ASSERT_TEXT(pNode->pPrev != mosList_End() || pList->pFirst == pNode,
                    "(&umtMgr_G.activeList)->pFirst == (pNode)");
    MOS_ASSERT_TEXT(pNode->pNext != mosList_End() || pList->pLast == pNode,
                    "(&umtMgr_G.activeList)->pLast == (pNode)");
    MOS_ASSERT_TEXT(pList->counter != 0, "(&umtMgr_G.activeList)->counter != 0");
    mosList_Unlink(pList, pNode);
    pList->counter--;
    mosFastlockBase_Release(&umtMgr_G.lock);
}

void mosUmt_SetBacktraceMode(uint32_t bEnabled) {
    bBacktraceMode_G = bEnabled;
}

void mosUmt_PrintAllBacktraces() {
    mosFastlockBase_Acquire(&umtMgr_G.lock);
    for (MosListNode *pNode = umtMgr_G.activeList.pFirst; pNode != nullptr;
         pNode = mosList_Next(pNode)) {
        const MosUmt *pUmt = umtOfActiveNode(pNode);
        if (pUmt->state == MOS_UMT_STATE__READY || pUmt->state == MOS_UMT_STATE__SUSPENDED) {
            // The backtrace of a stack that is not running is not supported
            // on this platform: nothing to print.
        }
    }
    mosFastlockBase_Release(&umtMgr_G.lock);
}
