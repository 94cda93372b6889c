#include "mos_umt_sched.h"

#include "mos_debug.h"
#include "mos_ticks.h"
#include "mos_umt_semaphore.h"
#include "os_mem.h"

#include <cstdio>
#include <cstring>

namespace {

// The scheduler's allocation of one user-mode thread.
struct UmtBlock {
    MosUmt umt; // first: the block is reached from the record
    MosUmtOsEvent joinEvent;
    void *pStackMem; // guard page, then the stack
    size_t stackMemBytes;
    MosUmtRoutine pRoutine;
    void *pArg;
    uint64_t createdTicks;
    uint64_t firstReadyWaitMs;
};

uint32_t setUserContextCK(MosUmtSched * /*pSched*/, uint32_t contextMagic, uint64_t *pValue,
                          MosUserContextCleanupCK pCleanupCK) {
    return mosUserContextArr_Set(&pTlsThrd_G->userContexts, contextMagic, *pValue, pCleanupCK);
}

uint32_t getUserContextCK(MosUmtSched * /*pSched*/, uint32_t contextMagic, uint64_t *pValue) {
    return mosUserContextArr_Get(&pTlsThrd_G->userContexts, contextMagic, pValue);
}

uint32_t clearUserContextCK(MosUmtSched * /*pSched*/, uint32_t contextMagic, uint32_t bDeferred) {
    return mosUserContextArr_Clear(&pTlsThrd_G->userContexts, contextMagic, bDeferred);
}

void schedSwitch(MosUmtSched *pSched);
const MosUmtSchedOps schedOps_G = {nullptr, schedSwitch};

// The scheduler of threads that belong to none: no threads of its own;
// user contexts live in the calling thread's array.
MosUmtSched defaultSched_G = {&schedOps_G,      nullptr,           0, 0, 0, setUserContextCK,
                              getUserContextCK, clearUserContextCK};

MosObjType schedType_G;
uint32_t bTypesUp_G = 0;

} // namespace

MosUmtMgr umtMgr_G = {{}, {}, &defaultSched_G};

namespace {

UmtBlock *blockOf(MosUmt *pUmt) {
    return reinterpret_cast<UmtBlock *>(pUmt);
}

MosUmt *umtOfReadyNode(MosListNode *pNode) {
    return reinterpret_cast<MosUmt *>(reinterpret_cast<char *>(pNode) -
                                      offsetof(MosUmt, readyNode));
}

void pushReady(MosUmtSchedThrd *pThrd, MosUmt *pUmt) {
    mosFastlockBase_Acquire(&pThrd->lock);
    mosList_Append(&pThrd->readyList, &pUmt->readyNode);
    pThrd->readyList.counter++;
    __atomic_add_fetch(&pThrd->qDepth[0], 1, __ATOMIC_RELAXED);
    if (umtTls_G.pCurSchedThrd == pThrd) {
        pThrd->localScheds++;
    } else {
        pThrd->remoteScheds++;
    }
    if (pThrd->bIdle != 0) {
        mosOSWCond_Signal(&pThrd->cond);
    }
    mosFastlockBase_Release(&pThrd->lock);
}

// The caller holds the thread's lock.
MosUmt *takeReadyLocked(MosUmtSchedThrd *pThrd) {
    MosListNode *pNode = pThrd->readyList.pFirst;
    if (pNode == nullptr) {
        return nullptr;
    }
    mosList_Unlink(&pThrd->readyList, pNode);
    pThrd->readyList.counter--;
    __atomic_sub_fetch(&pThrd->qDepth[0], 1, __ATOMIC_RELAXED);
    return umtOfReadyNode(pNode);
}

MosUmt *popReady(MosUmtSchedThrd *pThrd) {
    mosFastlockBase_Acquire(&pThrd->lock);
    MosUmt *pUmt = takeReadyLocked(pThrd);
    mosFastlockBase_Release(&pThrd->lock);
    return pUmt;
}

// Sleeps until a thread is ready; null once the scheduler stops.
MosUmt *waitReady(MosUmtSchedThrd *pThrd) {
    mosFastlockBase_Acquire(&pThrd->lock);
    MosUmt *pUmt = takeReadyLocked(pThrd);
    while (pUmt == nullptr && pThrd->bStop == 0) {
        pThrd->bIdle = 1;
        mosOSWCond_Wait(&pThrd->cond, &pThrd->lock);
        pThrd->bIdle = 0;
        pUmt = takeReadyLocked(pThrd);
    }
    mosFastlockBase_Release(&pThrd->lock);
    return pUmt;
}

void enqueueByPolicy(const MosUmtSchedThrdOps * /*pOps*/, MosUmt *pUmt, uint32_t /*thrdIdx*/) {
    MosUmtSched *pSched = pUmt->pSched;
    pushReady(pSched->pPolicy->pFunc(pSched, pUmt), pUmt);
}

void enqueueOnThrd(const MosUmtSchedThrdOps * /*pOps*/, MosUmt *pUmt, uint32_t thrdIdx) {
    pushReady(&pUmt->pSched->pThrds[thrdIdx], pUmt);
}

const MosUmtSchedThrdOps schedThrdOps_G = {enqueueByPolicy, enqueueOnThrd};

[[noreturn]] void runUmt(MosUmtSchedThrd *pThrd, MosUmt *pNext, OsUmtFiber *pFromFiber,
                         bool bFromEnds) {
    __atomic_store_n(&pThrd->pRunningUmt, pNext, __ATOMIC_RELAXED);
    pThrd->switches++;
    osUmtFiber_Leave(pFromFiber, &pNext->fiber, bFromEnds);
    mosUmt_RestoreContext(pNext->pSavedContext);
}

// Runs on the stack of the thread switching out, which stays the thread's
// pUmt until the context switched to finalizes it.
void schedSwitch(MosUmtSched * /*pSched*/) {
    MosUmtSchedThrd *pThrd = umtTls_G.pCurSchedThrd;
    MosUmt *pCur = umtTls_G.pUmt;
    MOS_ASSERT(pThrd != nullptr && pCur != nullptr);
    bool bEnds = pCur->state == MOS_UMT_STATE__PREPARE_TO_DELETE;
    MosUmt *pNext = popReady(pThrd);
    if (pNext != nullptr) {
        runUmt(pThrd, pNext, &pCur->fiber, bEnds);
    }
    __atomic_store_n(&pThrd->pRunningUmt, nullptr, __ATOMIC_RELAXED);
    osUmtFiber_Leave(&pCur->fiber, &pThrd->loopFiber, bEnds);
    mosUmt_RestoreContext(&pThrd->loopContext);
}

__attribute__((noinline)) void firstRun(UmtBlock *pBlock) {
    MosUmt *pUmt = &pBlock->umt;
    osUmtFiber_Arrive(&pUmt->fiber);
    mosUmt_FinalizeSuspend();
    MOS_ASSERT(pUmt->state == MOS_UMT_STATE__READY);
    pUmt->state = MOS_UMT_STATE__RUNNING;
    umtTls_G.pUmt = pUmt;
    pUmt->runStartTicks = mosTicks_GetCurrent();
    pBlock->firstReadyWaitMs = mosTicks_TicksToMillis(pUmt->runStartTicks) - pUmt->readySinceMs;
}

[[noreturn]] __attribute__((noinline)) void endRun(UmtBlock *pBlock) {
    MosUmt *pUmt = &pBlock->umt;
    MOS_ASSERT(pUmt->nonSuspendable == 0);
    pUmt->state = MOS_UMT_STATE__PREPARE_TO_DELETE;
    schedSwitch(pUmt->pSched);
    MOS_ASSERT(0);
    mosDbg_AssertExit();
}

// The first code of every user-mode thread, on its own stack.
void umtEntry(void *pArg) {
    auto *pBlock = static_cast<UmtBlock *>(pArg);
    firstRun(pBlock);
    pBlock->pRoutine(pBlock->pArg);
    endRun(pBlock);
}

void freeBlock(UmtBlock *pBlock) {
    osUmtFiber_Destroy(&pBlock->umt.fiber);
    if (pBlock->pStackMem != nullptr) {
        osMem_PagesFree(pBlock->pStackMem);
    }
    osMem_HeapFree(pBlock);
}

void deleteDoneCK(const MosUmtOwnerOps * /*pOps*/, MosUmt *pUmt) {
    UmtBlock *pBlock = blockOf(pUmt);
    MosUmtSched *pSched = pUmt->pSched;
    uint64_t runMs = mosTicks_TicksToMillis(mosTicks_GetCurrent() - pBlock->createdTicks);
    mosUmtClass_AddSamples(pUmt->classRefNode.pClass != nullptr ? pUmt->classRefNode.pClass
                                                                : &pSched->defaultClass,
                           runMs, pBlock->firstReadyWaitMs);
    freeBlock(pBlock);
    mosFastlockBase_Acquire(&pSched->lock);
    if (--pSched->numUmts == 0) {
        mosOSWCond_Broadcast(&pSched->idleCond);
    }
    mosFastlockBase_Release(&pSched->lock);
}

const MosUmtOwnerOps ownerOps_G = {nullptr, deleteDoneCK};

void schedThrdMainStep(MosUmtSchedThrd *pThrd, uint32_t bResumed);

void schedThrdMain(void *pArg) {
    auto *pThrd = static_cast<MosUmtSchedThrd *>(pArg);
    umtTls_G.pCurSched = pThrd->pSched;
    umtTls_G.pCurSchedThrd = pThrd;
    osUmtFiber_InitForThread(&pThrd->loopFiber);
    // Every switch that finds nothing ready comes back here.
    uint32_t bResumed = mosUmt_SaveContext(&pThrd->loopContext);
    schedThrdMainStep(pThrd, bResumed);
    umtTls_G.pCurSched = nullptr;
    umtTls_G.pCurSchedThrd = nullptr;
}

// Out of line: on a return through the saved context nothing computed
// before the save may be reused.
__attribute__((noinline)) void schedThrdMainStep(MosUmtSchedThrd *pThrd, uint32_t bResumed) {
    if (bResumed != 0) {
        osUmtFiber_Arrive(&pThrd->loopFiber);
        mosUmt_FinalizeSuspend();
    }
    MosUmt *pNext = waitReady(pThrd);
    if (pNext != nullptr) {
        runUmt(pThrd, pNext, &pThrd->loopFiber, false);
    }
}

void copyName(char *pDst, size_t dstCapacity, const char *pSrc) {
    snprintf(pDst, dstCapacity, "%s", pSrc != nullptr ? pSrc : "");
}

MOS_RC checkParams(const MosUmtSchedParams *pParams) {
    if (mosUmtSchedThrd_FindPolicy(pParams->pPolicyName) == nullptr || pParams->numThrds == 0 ||
        pParams->numThrds > MOS_UMT_SCHED_MAX_THRDS ||
        (pParams->stackBytes != 0 && pParams->stackBytes < 16 * 1024)) {
        return MOS_RC__INVALID;
    }
    return MOS_RC__SUCCESS;
}

MosUmtSchedThrdConf thrdConf_G = {1};

void stopThreads(MosUmtSched *pSched, uint32_t numStarted) {
    for (uint32_t i = 0; i < numStarted; i++) {
        MosUmtSchedThrd *pThrd = &pSched->pThrds[i];
        mosFastlockBase_Acquire(&pThrd->lock);
        pThrd->bStop = 1;
        mosOSWCond_Signal(&pThrd->cond);
        mosFastlockBase_Release(&pThrd->lock);
    }
    for (uint32_t i = 0; i < numStarted; i++) {
        mosOsThrd_Destroy(&pSched->pThrds[i].osThrd);
        mosFastlockBase_Destroy(&pSched->pThrds[i].lock);
    }
}

MOS_RC startThreads(MosUmtSched *pSched) {
    for (uint32_t i = 0; i < pSched->numThrds; i++) {
        MosUmtSchedThrd *pThrd = &pSched->pThrds[i];
        pThrd->pSched = pSched;
        pThrd->index = i;
        pThrd->pConf = &thrdConf_G;
        mosFastlock_Create(&pThrd->lock);
        mosOSWCond_Init(&pThrd->cond);
        // Short enough for "<name>_<index>" to fit without truncation.
        snprintf(pThrd->name, sizeof pThrd->name, "%.20s_%u", pSched->name,
                 static_cast<unsigned>(i % 100));
        if (mosOsThrd_Create(&pThrd->osThrd, schedThrdMain, pThrd, pThrd->name) !=
            MOS_RC__SUCCESS) {
            stopThreads(pSched, i);
            return MOS_RC__NO_RESOURCES;
        }
    }
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC mosUmtSched_Create(MosUmtSched *pSched, const MosUmtSchedParams *pParams) {
    MOS_RC rc = checkParams(pParams);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    memset(static_cast<void *>(pSched), 0, sizeof *pSched);
    pSched->pThrds = static_cast<MosUmtSchedThrd *>(
        osMem_HeapCalloc(pParams->numThrds * sizeof(MosUmtSchedThrd)));
    if (pSched->pThrds == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    pSched->pOps = &schedOps_G;
    pSched->numThrds = pParams->numThrds;
    pSched->depthThreshold = pParams->depthThreshold;
    pSched->pSetUserContextCK = setUserContextCK;
    pSched->pGetUserContextCK = getUserContextCK;
    pSched->pClearUserContextCK = clearUserContextCK;
    pSched->pPolicy = mosUmtSchedThrd_FindPolicy(pParams->pPolicyName);
    pSched->stackBytes =
        pParams->stackBytes != 0 ? pParams->stackBytes : MOS_UMT_DEFAULT_STACK_BYTES;
    copyName(pSched->name, sizeof pSched->name, pParams->pName);
    mosFastlock_Create(&pSched->lock);
    mosOSWCond_Init(&pSched->idleCond);
    mosUmtClass_Init(&pSched->defaultClass, pSched->name);
    rc = startThreads(pSched);
    if (rc != MOS_RC__SUCCESS) {
        mosUmtClass_Destroy(&pSched->defaultClass);
        osMem_HeapFree(pSched->pThrds);
        pSched->pThrds = nullptr;
        return rc;
    }
    if (__atomic_load_n(&bTypesUp_G, __ATOMIC_ACQUIRE) != 0) {
        mosObjType_RegObj(&schedType_G, &pSched->objEntry, pSched->name);
    }
    return MOS_RC__SUCCESS;
}

void mosUmtSched_WaitIdle(MosUmtSched *pSched) {
    mosFastlockBase_Acquire(&pSched->lock);
    while (pSched->numUmts != 0) {
        mosOSWCond_Wait(&pSched->idleCond, &pSched->lock);
    }
    mosFastlockBase_Release(&pSched->lock);
}

void mosUmtSched_Destroy(MosUmtSched *pSched) {
    MOS_ASSERT(umtTls_G.pCurSched != pSched);
    mosUmtSched_WaitIdle(pSched);
    if (__atomic_load_n(&bTypesUp_G, __ATOMIC_ACQUIRE) != 0) {
        mosObjType_UnregObj(&schedType_G, &pSched->objEntry);
    }
    stopThreads(pSched, pSched->numThrds);
    mosUmtClass_Destroy(&pSched->defaultClass);
    mosOSWCond_Destroy(&pSched->idleCond);
    mosFastlockBase_Destroy(&pSched->lock);
    osMem_HeapFree(pSched->pThrds);
    pSched->pThrds = nullptr;
    pSched->numThrds = 0;
}

uint32_t mosUmtSched_GetNumUmts(MosUmtSched *pSched) {
    return __atomic_load_n(&pSched->numUmts, __ATOMIC_RELAXED);
}

void mosUmtSched_SetExcluded(MosUmtSched *pSched, uint32_t thrdIdx, uint32_t bExcluded) {
    MOS_ASSERT(thrdIdx < pSched->numThrds);
    __atomic_store_n(&pSched->pThrds[thrdIdx].bExcluded, bExcluded, __ATOMIC_RELAXED);
}

namespace {

// The guard page below the stack turns an overflow into a crash rather
// than a write into whatever lies below.
bool allocStack(UmtBlock *pBlock, uint32_t stackBytes) {
    size_t pageBytes = osMem_GetPageSize();
    size_t usable = (stackBytes + pageBytes - 1) / pageBytes * pageBytes;
    pBlock->stackMemBytes = usable + pageBytes;
    pBlock->pStackMem = osMem_PagesAlloc(pBlock->stackMemBytes);
    if (pBlock->pStackMem == nullptr) {
        return false;
    }
    (void)osMem_Protect(pBlock->pStackMem, pageBytes, OsMemProt::NoAccess);
    char *pLow = static_cast<char *>(pBlock->pStackMem) + pageBytes;
    pBlock->umt.stackLow = reinterpret_cast<uintptr_t>(pLow);
    osUmtCtx_Prepare(&pBlock->umt.startContext, pLow, usable, umtEntry, pBlock);
    osUmtFiber_InitForStack(&pBlock->umt.fiber, pLow, usable);
    return true;
}

void initRecord(UmtBlock *pBlock, MosUmtSched *pSched, const MosUmtCreateParams &params) {
    MosUmt *pUmt = &pBlock->umt;
    pUmt->state = MOS_UMT_STATE__SUSPENDED;
    pUmt->pOwnerOps = &ownerOps_G;
    pUmt->pSchedThrdOps = &schedThrdOps_G;
    pUmt->pSched = pSched;
    pUmt->preferredThrdIdx = params.preferredThrdIdx;
    pUmt->assignedThrdIdx = params.assignedThrdIdx;
    pUmt->bMustMove = params.bMustMove;
    pUmt->pSavedContext = &pUmt->startContext;
    if (params.pJoinerSem != nullptr) {
        pUmt->pJoinerSem = params.pJoinerSem;
        pUmt->joinerCount = 1;
    } else if (params.bJoinable != 0) {
        mosOSWCond_Init(&pBlock->joinEvent.cond);
        mosFastlock_Create(&pBlock->joinEvent.lock);
        pUmt->pJoinerSem =
            reinterpret_cast<void *>(reinterpret_cast<uintptr_t>(&pBlock->joinEvent) | 1);
        pUmt->joinerCount = 1;
    }
    pBlock->createdTicks = mosTicks_GetCurrent();
}

} // namespace

MOS_RC mosUmt_Create(MosUmtSched *pSched, MosUmtRoutine pRoutine, void *pArg,
                     const MosUmtCreateParams *pParams, MosUmt **ppUmt) {
    MosUmtCreateParams params = {nullptr, 0, MOS_UMT_NO_THRD, 0, 0};
    if (pParams != nullptr) {
        params = *pParams;
    }
    if (params.assignedThrdIdx != MOS_UMT_NO_THRD && params.assignedThrdIdx >= pSched->numThrds) {
        return MOS_RC__INVALID;
    }
    auto *pBlock = static_cast<UmtBlock *>(osMem_HeapCalloc(sizeof(UmtBlock)));
    if (pBlock == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    if (!allocStack(pBlock, pSched->stackBytes)) {
        freeBlock(pBlock);
        return MOS_RC__NO_RESOURCES;
    }
    pBlock->pRoutine = pRoutine;
    pBlock->pArg = pArg;
    initRecord(pBlock, pSched, params);
    MosUmt *pUmt = &pBlock->umt;
    mosUmtClass_AddToClass(params.pClass != nullptr ? params.pClass : &pSched->defaultClass, pUmt);
    mosUmt_AddToActiveList(pUmt);
    mosFastlockBase_Acquire(&pSched->lock);
    pSched->numUmts++;
    mosFastlockBase_Release(&pSched->lock);
    if (ppUmt != nullptr) {
        *ppUmt = pUmt;
    }
    mosUmt_Sched(pUmt);
    return MOS_RC__SUCCESS;
}

void mosUmt_Join(MosUmt *pUmt) {
    uintptr_t joiner = reinterpret_cast<uintptr_t>(pUmt->pJoinerSem);
    MOS_ASSERT(joiner != 0);
    if ((joiner & 1) == 0) {
        MOS_RC rc = mosUmtSem_DecTimed(static_cast<MosUmtSem *>(pUmt->pJoinerSem), 1, 0);
        MOS_ASSERT(rc == MOS_RC__SUCCESS);
        mosUmt_DeleteDone(pUmt);
        return;
    }
    MOS_ASSERT(umtTls_G.pCurSchedThrd == nullptr);
    auto *pEvent = reinterpret_cast<MosUmtOsEvent *>(joiner & ~uintptr_t{1});
    mosFastlockBase_Acquire(&pEvent->lock);
    while (pEvent->bSignalled == 0) {
        mosOSWCond_Wait(&pEvent->cond, &pEvent->lock);
    }
    mosFastlockBase_Release(&pEvent->lock);
    mosOSWCond_Destroy(&pEvent->cond);
    mosFastlockBase_Destroy(&pEvent->lock);
    mosUmt_DeleteDone(pUmt);
}

void mosUmtSched_RegisterTypes() {
    memset(static_cast<void *>(&schedType_G), 0, sizeof schedType_G);
    mosObjType_RegObjType(&schedType_G, mosUmtSched_SdbgQuery, nullptr, MOS_OBJ_TYPE_UMT_SCHED_THRD,
                          sizeof(MosUmtSchedThrd_Query));
    mosUmtClass_RegisterType();
    __atomic_store_n(&bTypesUp_G, 1, __ATOMIC_RELEASE);
}

void mosUmtSched_UnregisterTypes() {
    if (__atomic_exchange_n(&bTypesUp_G, 0, __ATOMIC_ACQ_REL) != 0) {
        mosUmtClass_UnregisterType();
        mosObjType_UnregObjType(&schedType_G);
    }
}

void mosUmtSched_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    auto *pSched = reinterpret_cast<MosUmtSched *>(reinterpret_cast<char *>(pEntry) -
                                                   offsetof(MosUmtSched, objEntry));
    MosUmtSchedThrd_Query q = {};
    copyName(q.name, sizeof q.name, pSched->name);
    copyName(q.schedPolicy, sizeof q.schedPolicy, pSched->pPolicy->pName);
    q.numThrds = pSched->numThrds;
    q.minActive = pSched->numThrds != 0 ? 0xFFFFFFFF : 0;
    uint32_t numReady = 0;
    for (uint32_t i = 0; i < pSched->numThrds; i++) {
        MosUmtSchedThrd *pThrd = &pSched->pThrds[i];
        mosFastlockBase_Acquire(&pThrd->lock);
        uint32_t depth = pThrd->qDepth[0];
        q.remoteScheds += static_cast<uint32_t>(pThrd->remoteScheds);
        q.localSched += static_cast<uint32_t>(pThrd->localScheds);
        mosFastlockBase_Release(&pThrd->lock);
        q.numActiveThrds += __atomic_load_n(&pThrd->pRunningUmt, __ATOMIC_RELAXED) != nullptr;
        q.maxActive = depth > q.maxActive ? depth : q.maxActive;
        q.minActive = depth < q.minActive ? depth : q.minActive;
        numReady += depth;
    }
    uint32_t numUmts = mosUmtSched_GetNumUmts(pSched);
    uint32_t busy = numReady + q.numActiveThrds;
    q.localWaiters = numReady;
    q.remoteWaiters = numUmts > busy ? numUmts - busy : 0;
    memcpy(pBuf, &q, sizeof q);
}
