// Blocking objects and their workers.
#include "mos_blocking.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"

#include <cstring>

namespace {

struct BlockingLayer {
    MosObjType type;
    MosBlocking defaultBlocker;
    uint32_t bUp;
};
BlockingLayer blockingLayer_G;

MosBlockingReq *reqOf(MosListNode *pNode) {
    return reinterpret_cast<MosBlockingReq *>(reinterpret_cast<uint8_t *>(pNode) -
                                              offsetof(MosBlockingReq, asyncObj.node));
}

// The caller holds the object's lock.
void enqueue(MosBlocking *p, MosBlockingReq *pReq) {
    MOS_ASSERT_TEXT(!mosList_IsLinked(&pReq->asyncObj.node), "bIgnoreMultiSubmit");
    mosList_Append(&p->waiters, &pReq->asyncObj.node);
    // The counts are read without the lock by the query.
    __atomic_store_n(&p->waiters.counter, p->waiters.counter + 1, __ATOMIC_RELAXED);
}

MosBlockingReq *dequeue(MosBlocking *p) {
    MosListNode *pNode = p->waiters.pFirst;
    if (pNode == nullptr) {
        return nullptr;
    }
    mosList_Unlink(&p->waiters, pNode);
    __atomic_store_n(&p->waiters.counter, p->waiters.counter - 1, __ATOMIC_RELAXED);
    return reqOf(pNode);
}

// Runs one request without the lock; true when it asked to run again.
bool runRequest(MosBlockingReq *pReq) {
    const MosBlockingDoneCK pDoneCK = pReq->pDoneCK; // as it is before the request runs
    uint32_t flowControl = MOS_BLOCKING__DONE;
    pReq->result = pReq->pFunc(pReq->pUserData, &flowControl);
    MOS_ASSERT((flowControl == MOS_BLOCKING__DONE) || (flowControl == MOS_BLOCKING__RESUBMIT));
    if (flowControl == MOS_BLOCKING__RESUBMIT) {
        return true;
    }
    if (pDoneCK != nullptr) {
        pDoneCK(pReq);
    }
    return false;
}

void workerLoop(void *pArg) {
    auto *p = static_cast<MosBlocking *>(pArg);
    mosFastlockBase_Acquire(&p->lock);
    for (;;) {
        if (p->waiters.counter == 0 && !p->bStop) {
            mosOSWCond_Wait(&p->cond, &p->lock);
        }
        if (p->bStop) {
            break;
        }
        MosBlockingReq *pReq = dequeue(p);
        if (pReq == nullptr) {
            continue; // spurious wake-up
        }
        __atomic_store_n(&p->numRunning, p->numRunning + 1, __ATOMIC_RELAXED);
        mosFastlockBase_Release(&p->lock);
        const bool bResubmit = runRequest(pReq);
        mosFastlockBase_Acquire(&p->lock);
        if (bResubmit) {
            enqueue(p, pReq);
        }
        __atomic_store_n(&p->numRunning, p->numRunning - 1, __ATOMIC_RELAXED);
    }
    mosFastlockBase_Release(&p->lock);
}

} // namespace

void mosBlockingReq_Init(MosBlockingReq *pReq, MosBlockingFn pFunc, void *pUserData,
                         MosBlockingDoneCK pDoneCK) {
    *pReq = MosBlockingReq{};
    pReq->pFunc = pFunc;
    pReq->pUserData = pUserData;
    pReq->pDoneCK = pDoneCK;
}

MOS_RC mosBlocking_Create(MosBlocking *pBlocking, const char *pName, uint32_t numThreads) {
    MOS_ASSERT(pBlocking != ((void *)0));
    MOS_ASSERT(numThreads > 0);
    *pBlocking = MosBlocking{};
    const uint64_t bytes = uint64_t{numThreads} * sizeof(MosOsThrd);
    pBlocking->pThreads = static_cast<MosOsThrd *>(
        mos_MemCallocBare(bytes, MOS_MEM_MAX_SIZE, "mosBlocking_Create", true));
    if (pBlocking->pThreads == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    (void)mosMemPinning_Pin(pBlocking->pThreads, bytes, nullptr, nullptr, false);
    mosFastlock_Create(&pBlocking->lock);
    mosOSWCond_Init(&pBlocking->cond);
    strncpy(pBlocking->name, pName, sizeof pBlocking->name - 1);
    mosObjType_RegObj(&blockingLayer_G.type, &pBlocking->objEntry, pBlocking->name);
    for (uint32_t i = 0; i < numThreads; i++) {
        MOS_RC rc =
            mosOsThrd_Create(&pBlocking->pThreads[i], workerLoop, pBlocking, pBlocking->name);
        if (rc != MOS_RC__SUCCESS) {
            mosBlocking_Destroy(pBlocking);
            return rc;
        }
        pBlocking->numThreads++;
    }
    return MOS_RC__SUCCESS;
}

void mosBlocking_Destroy(MosBlocking *pBlocking) {
    mosFastlockBase_Acquire(&pBlocking->lock);
    pBlocking->bStop = 1;
    mosOSWCond_Broadcast(&pBlocking->cond);
    mosFastlockBase_Release(&pBlocking->lock);
    for (uint32_t i = 0; i < pBlocking->numThreads; i++) {
        mosOsThrd_Destroy(&pBlocking->pThreads[i]);
    }
    mosObjType_UnregObj(&blockingLayer_G.type, &pBlocking->objEntry);
    mos_MemFreeBare(pBlocking->pThreads);
    pBlocking->pThreads = nullptr;
    pBlocking->numThreads = 0;
}

MOS_RC mosBlocking_SubmitWaitEx(MosBlocking *pBlocking, MosBlockingReq *pReq) {
    MosBlocking *p = pBlocking != nullptr ? pBlocking : &blockingLayer_G.defaultBlocker;
    mosFastlockBase_Acquire(&p->lock);
    enqueue(p, pReq);
    mosOSWCond_Signal(&p->cond);
    mosFastlockBase_Release(&p->lock);
    return MOS_RC__PENDING;
}

void mosBlocking_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *p = reinterpret_cast<const MosBlocking *>(
        reinterpret_cast<const uint8_t *>(pEntry) - offsetof(MosBlocking, objEntry));
    auto *q = static_cast<MosBlocking_Query *>(pBuf);
    memcpy(q->name, p->name, strnlen(p->name, sizeof q->name));
    q->numBlockingThreads = p->numThreads;
    q->numRunningThreads = __atomic_load_n(&p->numRunning, __ATOMIC_RELAXED);
    q->waiters = __atomic_load_n(&p->waiters.counter, __ATOMIC_RELAXED);
}

MOS_RC mosBlocking_LayerInit(void * /*pUnused*/) {
    blockingLayer_G.type = MosObjType{};
    mosObjType_RegObjType(&blockingLayer_G.type, mosBlocking_SdbgQuery, nullptr,
                          MOS_OBJ_TYPE_BLOCKING, sizeof(MosBlocking_Query));
    MOS_RC rc = mosBlocking_Create(&blockingLayer_G.defaultBlocker, "Default blocker", 1);
    if (rc != MOS_RC__SUCCESS) {
        mosObjType_UnregObjType(&blockingLayer_G.type);
        return rc;
    }
    blockingLayer_G.bUp = 1;
    return MOS_RC__SUCCESS;
}

void mosBlocking_LayerDestroy() {
    if (!blockingLayer_G.bUp) {
        return;
    }
    mosBlocking_Destroy(&blockingLayer_G.defaultBlocker);
    mosObjType_UnregObjType(&blockingLayer_G.type);
    blockingLayer_G.bUp = 0;
}

MosBlocking *mosBlocking_GetDefault() {
    return blockingLayer_G.bUp ? &blockingLayer_G.defaultBlocker : nullptr;
}
