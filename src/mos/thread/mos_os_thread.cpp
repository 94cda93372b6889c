#include "mos_os_thread.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_sys_utils.h"
#include "mos_trace.h"
#include "os_crash.h"

#include <cerrno>
#include <cstring>

MosOsThrdLayer mosOsThrdLayer_G;
MosOsThrd thrdDummy_G;
thread_local constinit MosOsThrd *pTlsThrd_G = &thrdDummy_G;

namespace {

// No-interrupt sections entered by this thread; none exist here.
thread_local constinit uint32_t tlsNoIntrDepth_G = 0;

// Per-thread counters are moved only by their thread but read by the
// totals query (and the dummy record is shared): plain-cost relaxed atomic
// accesses keep both sides well defined.
void addRelaxed(uint64_t *pCounter, int64_t delta) {
    __atomic_store_n(pCounter, __atomic_load_n(pCounter, __ATOMIC_RELAXED) + delta,
                     __ATOMIC_RELAXED);
}

uint64_t loadRelaxed(const uint64_t *pCounter) {
    return __atomic_load_n(pCounter, __ATOMIC_RELAXED);
}

MosOsThrd *thrdOf(MosObjEntry *pEntry) {
    static_assert(offsetof(MosOsThrd, objEntry) == 0);
    return reinterpret_cast<MosOsThrd *>(pEntry);
}

void mosOsThrdLayer_AddToActiveList(MosOsThrd *pThrd) {
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.activeListLock);
    mosOsThrdLayer_G.activeList.counter++;
    MOS_ASSERT((&pThrd->activeListNode)->pPrev == ((void *)0));
    mosList_Append(&mosOsThrdLayer_G.activeList, &pThrd->activeListNode);
    mosFastlockBase_Release(&mosOsThrdLayer_G.activeListLock);
}

void mosOsThrdLayer_RmvFromActiveList(MosOsThrd *pThrd) {
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.activeListLock);
    MOS_ASSERT((&pThrd->activeListNode)->pPrev != ((void *)0));
    mosList_Unlink(&mosOsThrdLayer_G.activeList, &pThrd->activeListNode);
    mosOsThrdLayer_G.activeList.counter--;
    mosFastlockBase_Release(&mosOsThrdLayer_G.activeListLock);
}

// Calls the start (bStart) or stop hook of every container, first to last;
// the caller holds the callbacks lock.
void runCallbacks(bool bStart) {
    for (MosListNode *pNode = mosOsThrdLayer_G.CKsList.pFirst; pNode != nullptr;
         pNode = mosList_Next(pNode)) {
        auto *pContainer = reinterpret_cast<MosOsThrdCKs *>(pNode);
        MosOsThrdCK pCK = bStart ? pContainer->pStartCK : pContainer->pStopCK;
        if (pCK != nullptr) {
            pCK(pContainer->pUserData);
        }
    }
}

void mosOsThrd_StartFunc(void *pParam) {
    auto *pThrd = static_cast<MosOsThrd *>(pParam);
    MOS_ASSERT(pTlsThrd_G == &thrdDummy_G);
    pTlsThrd_G = pThrd;
    pThrd->tid = osThread_GetCurrentId();
    mosUserContextArr_Init(&pThrd->userContexts, pThrd->userContextSlots,
                           MOS_USER_CONTEXT_THRD_SLOTS, 0);
    MOS_TRACE(MOS_COMP_MOS, 1, "Starting thread (%s) tid %d", pThrd->name,
              static_cast<int>(pThrd->tid));
    mosObjType_RegObj(&mosOsThrdLayer_G.thrdObjType, &pThrd->objEntry, nullptr);
    mosOsThrdLayer_AddToActiveList(pThrd);

    mosFastlockBase_Acquire(&mosOsThrdLayer_G.CKsLock);
    runCallbacks(true);
    __atomic_add_fetch(&mosOsThrdLayer_G.OSThreadCounter, 1, __ATOMIC_RELAXED);
    mosFastlockBase_Release(&mosOsThrdLayer_G.CKsLock);

    pThrd->pRoutine(pThrd->pArg);
    mosUserContextArr_Destroy(&pThrd->userContexts);

    mosFastlockBase_Acquire(&mosOsThrdLayer_G.CKsLock);
    MOS_ASSERT(mosOsThrdLayer_G.OSThreadCounter > 0);
    __atomic_sub_fetch(&mosOsThrdLayer_G.OSThreadCounter, 1, __ATOMIC_RELAXED);
    runCallbacks(false);
    mosFastlockBase_Release(&mosOsThrdLayer_G.CKsLock);

    mosOsThrdLayer_RmvFromActiveList(pThrd);
    mosObjType_UnregObj(&mosOsThrdLayer_G.thrdObjType, &pThrd->objEntry);
    mosFastlockBase_Destroy(&pThrd->lock);
}

} // namespace

MOS_RC mosOsThrdLayer_Create(void *pParams) {
    MosOsThrdLayer &layer = mosOsThrdLayer_G;
    memset(static_cast<void *>(&layer), 0, sizeof layer);
    if (thrdDummy_G.userContexts.pSlots == nullptr) {
        mosUserContextArr_Init(&thrdDummy_G.userContexts, thrdDummy_G.userContextSlots,
                               MOS_USER_CONTEXT_THRD_SLOTS, 1);
    }
    // Crashes from here on reach the debug layer's filter, before that
    // layer itself has started.
    osCrash_InstallFilter(mosDbg_ExceptionFilter);
    const auto *pSettings = static_cast<const MosOsThrdParams *>(pParams);
    if (pSettings != nullptr && pSettings->numa_affinity != -1) {
        (void)mos_SetThreadGroup(static_cast<uint16_t>(pSettings->numa_affinity));
    }
    mosObjType_RegObjType(&layer.thrdObjType, mosOsThrd_SdbgQuery, nullptr, MOS_OBJ_TYPE_OS_THRD,
                          sizeof(MosOsThrd_Query));
    mosObjType_RegObjType(&layer.layerObjType, mosOsThrdLayer_SdbgQuery, nullptr,
                          MOS_OBJ_TYPE_OS_THRD_LAYER, sizeof(MosOsThrdLayer_Query));
    mosObjType_RegObj(&layer.layerObjType, &layer.layerObj, nullptr);
    if (mos_GetThreadGroupAffinityMask(&layer.defaultAffinityMask) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "Failed to get current affinity. errno %d.Setting default mask to all CPUs",
                  errno);
        mos_SetDefaultAffinityMask(&layer.defaultAffinityMask);
    }
    mosFastlock_Create(&layer.activeListLock);
    mosFastlock_Create(&layer.CKsLock);
    return MOS_RC__SUCCESS;
}

void mosOsThrdLayer_Destroy() {
    MosOsThrdLayer &layer = mosOsThrdLayer_G;
    MOS_ASSERT(((&mosOsThrdLayer_G.CKsList)->counter) == 0);
    mosObjType_UnregObj(&layer.layerObjType, &layer.layerObj);
    mosObjType_UnregObjType(&layer.layerObjType);
    mosObjType_UnregObjType(&layer.thrdObjType);
    mosFastlockBase_Destroy(&layer.activeListLock);
    mosFastlockBase_Destroy(&layer.CKsLock);
}

MOS_RC mosOsThrd_Create(MosOsThrd *pThrd, MosOsThrdRoutine pRoutine, void *pArg,
                        const char *pName) {
    memset(static_cast<void *>(pThrd), 0, sizeof *pThrd);
    pThrd->pRoutine = pRoutine;
    pThrd->pArg = pArg;
    mosFastlockBase_AdaptiveCreateInternal(&pThrd->lock, __FILE__, "mosOsThrd_Create", __LINE__);
    if (pName != nullptr) {
        strncpy(pThrd->name, pName, sizeof pThrd->name - 1);
    }
    return osThread_Create(&pThrd->hThread, mosOsThrd_StartFunc, pThrd, MOS_OS_THRD_STACK_BYTES);
}

void mosOsThrd_Destroy(MosOsThrd *pThrd) {
    osThread_Join(pThrd->hThread);
}

void mosOsThrd_RegisterCKs(MosOsThrdCKs *pContainer) {
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.CKsLock);
    MOS_ASSERT((&pContainer->node)->pPrev == ((void *)0));
    mosList_Append(&mosOsThrdLayer_G.CKsList, &pContainer->node);
    mosOsThrdLayer_G.CKsList.counter++;
    mosFastlockBase_Release(&mosOsThrdLayer_G.CKsLock);
}

void mosOsThrd_UnRegisterCKs(MosOsThrdCKs *pContainer) {
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.CKsLock);
    MOS_ASSERT((&pContainer->node)->pPrev != ((void *)0));
    mosList_Unlink(&mosOsThrdLayer_G.CKsList, &pContainer->node);
    mosOsThrdLayer_G.CKsList.counter--;
    mosFastlockBase_Release(&mosOsThrdLayer_G.CKsLock);
}

uint32_t mosOsThrd_GetNumThreads() {
    return __atomic_load_n(&mosOsThrdLayer_G.OSThreadCounter, __ATOMIC_RELAXED);
}

uint32_t mosOsThrd_IsCurrent(const MosOsThrd *pThrd) {
    return pThrd->tid == osThread_GetCurrentId() ? 1 : 0;
}

uint32_t mosOsThrd_GetCurrentTid() {
    return osThread_GetCurrentId();
}

uint32_t mosOsThrd_NoIntrViolation() {
    return (mosUtils_GetIntrViolationCrash() && tlsNoIntrDepth_G > 0) ? 0 : 1;
}

void mosOsThrd_IncMallocs() {
    addRelaxed(&pTlsThrd_G->numMallocs, 1);
}

void mosOsThrd_DecMallocs() {
    addRelaxed(&pTlsThrd_G->numMallocs, -1);
}

void mosOsThrd_UpdateWaiters(uint32_t kind, bool bEntering) {
    MOS_ASSERT(kind < MOS_OS_THRD_WAIT_KINDS);
    addRelaxed(&pTlsThrd_G->waiters[kind], bEntering ? 1 : -1);
}

void mosOsThrd_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf) {
    (void)pName;
    const MosOsThrd *pThrd = thrdOf(pEntry);
    MosOsThrd_Query query = {pThrd->tid, loadRelaxed(&pThrd->numLocksAcquires),
                             loadRelaxed(&pThrd->numLocksContentions),
                             loadRelaxed(&pThrd->numMallocs)};
    memcpy(pBuf, &query, sizeof query);
}

void mosOsThrdLayer_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf) {
    (void)pEntry;
    (void)pName;
    MosOsThrdLayer_Query totals = {};
    MosObjType *pType = &mosOsThrdLayer_G.thrdObjType;
    mosObjType_EnumStart(pType);
    for (MosObjEntry *pObj = mosObjType_EnumGetNextObj(pType); pObj != nullptr;
         pObj = mosObjType_EnumGetNextObj(pType)) {
        const MosOsThrd *pThrd = thrdOf(pObj);
        totals.yielders += loadRelaxed(&pThrd->waiters[MOS_OS_THRD_WAIT_YIELD]);
        totals.readWaiters += loadRelaxed(&pThrd->waiters[MOS_OS_THRD_WAIT_READ_LOCK]);
        totals.writeWaiters += loadRelaxed(&pThrd->waiters[MOS_OS_THRD_WAIT_WRITE_LOCK]);
        totals.eventWaiters += loadRelaxed(&pThrd->waiters[MOS_OS_THRD_WAIT_EVENT]);
        totals.condWaiters += loadRelaxed(&pThrd->waiters[MOS_OS_THRD_WAIT_COND]);
        totals.mallocs += loadRelaxed(&pThrd->numMallocs);
    }
    mosObjType_EnumEnd(pType);
    // Timed actions are not built yet: none is ever pending.
    totals.pendingTimedActions = 0;
    memcpy(pBuf, &totals, sizeof totals);
}
