// Timer queues, their poll thread and the per-thread queue choice.
#include "mos_timer.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_init_params.h"
#include "mos_ticks.h"
#include "mos_trace.h"
#include "mos_utils.h"

#include <atomic>
#include <cstring>

const uint32_t mosTimerQsNumInSet_G[MOS_TIMER_QUEUE_ID__LAST] = {
#define MOS_TIMER_QSET(id, name, numQueues, periodMs) numQueues,
#include "mos_timer_qsets.def"
#undef MOS_TIMER_QSET
};

namespace {

struct QSetInfo {
    const char *pName;
    uint64_t periodMs;
};
const QSetInfo qSetInfo_G[MOS_TIMER_QUEUE_ID__LAST] = {
#define MOS_TIMER_QSET(id, name, numQueues, periodMs) {"MOS_TIMER_QUEUE_ID__" #name, periodMs},
#include "mos_timer_qsets.def"
#undef MOS_TIMER_QSET
};

// A window of 2^7 is the largest that fits its byte; no set has more
// queues than that, so clamping changes no queue choice.
constexpr uint64_t MAX_WINDOW_POWER = 7;

typedef uint32_t (*ReqCounterFn)(uint32_t qSetId);

struct TimerLayer {
    MosObjType qType;    // 7
    MosObjType qSetType; // 8
    uint32_t bTypesRegistered;
    MosTimerQSet sets[MOS_TIMER_QUEUE_ID__LAST];
    uint32_t numSetsBuilt;
    MosOsThrd pollThrd;
    uint32_t bStop;
    uint32_t bUsePollThread;
    uint32_t bPollThreadRunning;
    MosOSWCond pollCond;
    MosFastlock pollLock;
    uint32_t reqCountType;
    ReqCounterFn pReqCounter;
    uint8_t window;
    MosOsThrdCKs threadCKs;
};
TimerLayer timerLayer_G;

// The calling thread's window over each set's queues.
struct ThreadQWindow {
    uint8_t start;
    uint8_t size; // 0: the thread passed no start callback; it uses queue 0
    uint8_t counter;
};
thread_local ThreadQWindow tlsTimerQs_G[MOS_TIMER_QUEUE_ID__LAST];

uint32_t perThreadCounter(uint32_t qSetId) {
    return tlsTimerQs_G[qSetId].counter++;
}
uint32_t atomicSetCounter(uint32_t qSetId) {
    return __atomic_add_fetch(&timerLayer_G.sets[qSetId].reqCounter, 1, __ATOMIC_RELAXED);
}
uint32_t plainSetCounter(uint32_t qSetId) {
    return timerLayer_G.sets[qSetId].reqCounter++;
}

// Successive threads get successive windows of each set's queues.
void threadStartCK(void * /*pUserData*/) {
    const uint32_t threadIndex = mosOsThrdLayer_G.OSThreadCounter;
    for (uint32_t s = 0; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        const uint32_t n = mosTimerQsNumInSet_G[s];
        const uint32_t window = timerLayer_G.window;
        tlsTimerQs_G[s].size = static_cast<uint8_t>(window < n ? window : n);
        tlsTimerQs_G[s].start = static_cast<uint8_t>((threadIndex * window) % n);
        tlsTimerQs_G[s].counter = 0;
    }
}

MosTimerReq *reqOf(MosListNode *pNode) {
    return reinterpret_cast<MosTimerReq *>(reinterpret_cast<uint8_t *>(pNode) -
                                           offsetof(MosTimerReq, asyncObj.node));
}

void unlinkReq(MosTimerQ *pQ, MosTimerReq *pReq) MOS_REQUIRES(pQ->lock) {
    MosListNode *pNode = &pReq->asyncObj.node;
    MOS_ASSERT((&pReq->asyncObj.node)->pPrev != ((void *)0));
    MOS_ASSERT((&pReq->asyncObj.node)->pNext != ((void *)0));
    if (pNode->pPrev == mosList_End()) {
        MOS_ASSERT_TEXT(pQ->reqAnchor.pFirst == pNode,
                        "(&pQ->reqAnchor)->pFirst == (&pReq->asyncObj.node)");
    }
    if (pNode->pNext == mosList_End()) {
        MOS_ASSERT_TEXT(pQ->reqAnchor.pLast == pNode,
                        "(&pQ->reqAnchor)->pLast == (&pReq->asyncObj.node)");
    }
    mosList_Unlink(&pQ->reqAnchor, pNode);
    // Read without the lock by the poll pass and the queries.
    __atomic_store_n(&pQ->reqAnchor.counter, pQ->reqAnchor.counter - 1, __ATOMIC_RELAXED);
}

// Fires the due requests of one queue; the caller holds its lock, which is
// released around every callback.
void mosTimerQ_PollUnlocked(MosTimerQ *pQ, uint64_t now) MOS_REQUIRES(pQ->lock) {
    while (pQ->reqAnchor.pFirst != nullptr) {
        MosListNode *pNode = pQ->reqAnchor.pFirst;
        MosTimerReq *pReq = reqOf(pNode);
        if (mosTicks_IsAfter(pReq->expiry, now)) {
            pQ->nextExpiry = pReq->expiry;
            return;
        }
        const uint64_t lateness = now - pReq->expiry;
        pQ->maxDiffTicks = lateness > pQ->maxDiffTicks ? lateness : pQ->maxDiffTicks;
        MosListNode *pNode2 = pQ->reqAnchor.pFirst;
        MOS_ASSERT(pNode2 == pNode);
        unlinkReq(pQ, pReq);
        MOS_ASSERT(pReq->state == MOS_TIMER_REQ_STATE__ACTIVE);
        pReq->state = MOS_TIMER_REQ_STATE__IDLE;
        mosFastlockBase_Release(&pQ->lock);
        pQ->numExpirations++;
        pReq->pCK(pReq);
        mosFastlockBase_Acquire(&pQ->lock);
    }
}

void pollThread(void * /*pArg*/) {
    while (!__atomic_load_n(&timerLayer_G.bStop, __ATOMIC_ACQUIRE)) {
        const uint64_t nextWake = mosTimer_PollAll();
        const uint64_t now = mosTicks_GetCurrent();
        if (!mosTicks_IsAfter(nextWake, now)) {
            continue;
        }
        const uint64_t waitMs = mosTicks_TicksToMillis(nextWake - now);
        mosFastlockBase_Acquire(&timerLayer_G.pollLock);
        if (!timerLayer_G.bStop) {
            (void)mosOSWCond_TimedWait(&timerLayer_G.pollCond, &timerLayer_G.pollLock.slimLock,
                                       static_cast<int32_t>(waitMs));
        }
        mosFastlockBase_Release(&timerLayer_G.pollLock);
    }
}

void initQ(MosTimerQSet *pSet, uint32_t qId) {
    MosTimerQ *pQ = &pSet->qs[qId];
    *pQ = MosTimerQ{};
    pQ->pSet = pSet;
    pQ->qId = qId;
    mosFastlock_Create(&pQ->lock);
    pQ->nextExpiry = mosTicks_GetCurrent();
    (void)mos_Snprintf(pQ->name, sizeof pQ->name, "%s_%d", qSetInfo_G[pSet->setId].pName,
                       static_cast<int>(qId));
    mosObjType_RegObj(&timerLayer_G.qType, &pQ->objEntry, pQ->name);
    pSet->numQs++;
}

void mosTimer_InitQ(uint32_t qSetId) {
    MosTimerQSet *pSet = &timerLayer_G.sets[qSetId];
    memset(static_cast<void *>(pSet), 0, sizeof *pSet);
    pSet->setId = qSetId;
    pSet->ticks = mosTicks_MillisToTicks(qSetInfo_G[qSetId].periodMs);
    mosObjType_RegObj(&timerLayer_G.qSetType, &pSet->objEntry, qSetInfo_G[qSetId].pName);
    for (uint32_t q = 0; q < mosTimerQsNumInSet_G[qSetId]; q++) {
        initQ(pSet, q);
    }
}

// Teardown, once no thread uses the queue: its list is read without the lock.
void mosTimer_DestroyQ(MosTimerQ *pQ) MOS_NO_THREAD_SAFETY_ANALYSIS {
    MOS_ASSERT_TEXT(pQ->reqAnchor.counter == 0, "(((&pQ->reqAnchor)->counter) == 0)");
    mosObjType_UnregObj(&timerLayer_G.qType, &pQ->objEntry);
    mosFastlockBase_Destroy(&pQ->lock);
}

void tearDownSets() {
    for (uint32_t s = 0; s < timerLayer_G.numSetsBuilt; s++) {
        MosTimerQSet *pSet = &timerLayer_G.sets[s];
        for (uint32_t q = 0; q < pSet->numQs; q++) {
            mosTimer_DestroyQ(&pSet->qs[q]);
        }
        mosObjType_UnregObj(&timerLayer_G.qSetType, &pSet->objEntry);
    }
    timerLayer_G.numSetsBuilt = 0;
    if (timerLayer_G.bTypesRegistered) {
        mosObjType_UnregObjType(&timerLayer_G.qType);
        mosObjType_UnregObjType(&timerLayer_G.qSetType);
        timerLayer_G.bTypesRegistered = 0;
    }
    mosOsThrd_UnRegisterCKs(&timerLayer_G.threadCKs);
}

void applyParams(const MosTimerParams *p) {
    TimerLayer &L = timerLayer_G;
    L.window = 1;
    L.reqCountType = 1;
    L.pReqCounter = atomicSetCounter;
    L.bUsePollThread = 1;
    if (p == nullptr || p->timer_qs_power_per_thread > 16) {
        return;
    }
    L.reqCountType = p->timer_req_count_type;
    L.pReqCounter = L.reqCountType == 0   ? perThreadCounter
                    : L.reqCountType == 2 ? plainSetCounter
                                          : atomicSetCounter;
    const uint64_t power = p->timer_qs_power_per_thread < MAX_WINDOW_POWER
                               ? p->timer_qs_power_per_thread
                               : MAX_WINDOW_POWER;
    L.window = static_cast<uint8_t>(1u << power);
    L.bUsePollThread = p->bNoTimerThread ? 0 : 1;
}

} // namespace

MOS_RC mosTimer_Init(void *pParams) {
    TimerLayer &L = timerLayer_G;
    memset(static_cast<void *>(&L), 0, sizeof L);
    mosOSWCond_Init(&L.pollCond);
    mosFastlock_Create(&L.pollLock);
    L.threadCKs.pStartCK = threadStartCK;
    mosOsThrd_RegisterCKs(&L.threadCKs);
    applyParams(static_cast<const MosTimerParams *>(pParams));
    mosObjType_RegObjType(&L.qSetType, mosTimerQSet_SdbgQuery, nullptr, MOS_OBJ_TYPE_TIMER_QSET,
                          sizeof(MosTimerQSet_Query));
    mosObjType_RegObjType(&L.qType, mosTimerQ_SdbgQuery, nullptr, MOS_OBJ_TYPE_TIMER_Q,
                          sizeof(MosTimerQ_Query));
    L.bTypesRegistered = 1;
    for (uint32_t s = 0; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        mosTimer_InitQ(s);
        L.numSetsBuilt++;
    }
    L.bStop = 0;
    if (!L.bUsePollThread) {
        return MOS_RC__SUCCESS;
    }
    MOS_RC rc = mosOsThrd_Create(&L.pollThrd, pollThread, nullptr, "mosTimer");
    if (rc != MOS_RC__SUCCESS) {
        L.bStop = 1;
        tearDownSets();
        mosOSWCond_Destroy(&L.pollCond);
        mosFastlockBase_Destroy(&L.pollLock);
        return rc;
    }
    L.bPollThreadRunning = 1;
    return MOS_RC__SUCCESS;
}

void mosTimer_Destroy() {
    TimerLayer &L = timerLayer_G;
    mosFastlockBase_Acquire(&L.pollLock);
    __atomic_store_n(&L.bStop, 1, __ATOMIC_RELEASE);
    mosOSWCond_Signal(&L.pollCond);
    mosFastlockBase_Release(&L.pollLock);
    if (L.bPollThreadRunning) {
        mosOsThrd_Destroy(&L.pollThrd);
        L.bPollThreadRunning = 0;
    }
    tearDownSets();
    mosOSWCond_Destroy(&L.pollCond);
}

void mosTimerReq_Init(MosTimerReq *pReq, MosTimerCK pCK) {
    *pReq = MosTimerReq{};
    pReq->state = MOS_TIMER_REQ_STATE__IDLE;
    pReq->pCK = pCK;
}

uint32_t mosTimer_SetForDelay(uint64_t delayMs) {
    const uint64_t delay = mosTicks_MillisToTicks(delayMs);
    uint32_t best = 0;
    uint64_t bestDiff = mosTicks_Distance(timerLayer_G.sets[0].ticks, delay);
    for (uint32_t s = 1; s < MOS_TIMER_QUEUE_ID__LAST; s++) {
        const uint64_t diff = mosTicks_Distance(timerLayer_G.sets[s].ticks, delay);
        if (diff < bestDiff) {
            best = s;
            bestDiff = diff;
        }
    }
    return best;
}

MOS_RC mosTimerReq_Add(MosTimerReq *pReq, uint64_t delayMs) {
    return mosTimerReq_AddByQ(pReq, mosTimer_SetForDelay(delayMs));
}

MOS_RC mosTimerReq_AddByQ(MosTimerReq *pReq, uint32_t qSetId) {
    MosTimerQ *pQ = mosTimer_GetRandomQPtr(qSetId);
    const uint64_t expiry = mosTicks_GetCurrent() + pQ->pSet->ticks;
    mosFastlockBase_Acquire(&pQ->lock);
    MOS_ASSERT(pReq->state == MOS_TIMER_REQ_STATE__IDLE);
    MOS_ASSERT((&pReq->asyncObj.node)->pPrev == ((void *)0));
    pReq->expiry = expiry;
    pReq->qSetId = static_cast<uint16_t>(qSetId);
    pReq->qId = static_cast<uint16_t>(pQ->qId);
    pReq->state = MOS_TIMER_REQ_STATE__ACTIVE;
    pQ->reqCount++;
    if (pQ->reqAnchor.counter == 0) {
        pQ->nextExpiry = expiry;
    }
    mosList_Append(&pQ->reqAnchor, &pReq->asyncObj.node);
    __atomic_store_n(&pQ->reqAnchor.counter, pQ->reqAnchor.counter + 1, __ATOMIC_RELAXED);
    mosFastlockBase_Release(&pQ->lock);
    return MOS_RC__PENDING;
}

MOS_RC mosTimerReq_Abort(MosTimerReq *pReq) {
    MosTimerQ *pQ = mosTimer_GetQPtr(pReq->qSetId, pReq->qId);
    MOS_RC rc = MOS_RC__SUCCESS;
    mosFastlockBase_Acquire(&pQ->lock);
    pQ->numAborts++;
    if (pReq->state == MOS_TIMER_REQ_STATE__IDLE) {
        rc = MOS_RC__NOT_FOUND;
    } else if (pReq->state == MOS_TIMER_REQ_STATE__ACTIVE) {
        unlinkReq(pQ, pReq);
        pReq->state = MOS_TIMER_REQ_STATE__IDLE;
    } else {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Illegal state. pReq %p, qID %d, state %x",
                  static_cast<void *>(pReq), static_cast<int>(pReq->qId), pReq->state);
        ALWAYS_ASSERT();
    }
    mosFastlockBase_Release(&pQ->lock);
    return rc;
}

MosTimerQSet *mosTimer_GetQSetPtr(uint32_t qSetID) {
    MOS_ASSERT(qSetID < MOS_TIMER_QUEUE_ID__LAST);
    return &timerLayer_G.sets[qSetID];
}

MosTimerQ *mosTimer_GetQPtr(uint32_t qSetID, uint32_t qID) {
    MOS_ASSERT(qSetID < MOS_TIMER_QUEUE_ID__LAST);
    MOS_ASSERT(qID < mosTimerQsNumInSet_G[qSetID]);
    return &timerLayer_G.sets[qSetID].qs[qID];
}

uint32_t mosTimer_GetNumQsInSet(uint32_t qSetId) {
    MOS_ASSERT_TEXT(qSetId < MOS_TIMER_QUEUE_ID__LAST, "qSetID < MOS_TIMER_QUEUE_ID__LAST");
    return mosTimerQsNumInSet_G[qSetId];
}

uint8_t mosTimer_GetWindow() {
    return timerLayer_G.window;
}

MosTimerQ *mosTimer_GetRandomQPtr(uint32_t qSetId) {
    MOS_ASSERT_TEXT(qSetId < MOS_TIMER_QUEUE_ID__LAST, "qSetID < MOS_TIMER_QUEUE_ID__LAST");
    const ThreadQWindow &w = tlsTimerQs_G[qSetId];
    const uint32_t c = timerLayer_G.pReqCounter(qSetId);
    if (w.size == 0) {
        return mosTimer_GetQPtr(qSetId, 0);
    }
    const uint32_t qId = (w.start + ((w.size - 1u) & c)) % 256;
    return mosTimer_GetQPtr(qSetId, qId);
}

void mosTimer_GetThreadWindow(uint32_t qSetId, uint8_t *pStart, uint8_t *pSize) {
    MOS_ASSERT_TEXT(qSetId < MOS_TIMER_QUEUE_ID__LAST, "qSetID < MOS_TIMER_QUEUE_ID__LAST");
    *pStart = tlsTimerQs_G[qSetId].start;
    *pSize = tlsTimerQs_G[qSetId].size;
}

uint64_t mosTimer_PollAll() {
    const uint64_t now = mosTicks_GetCurrent();
    uint64_t nextWake = now + timerLayer_G.sets[0].ticks;
    for (uint32_t s = 0; s < timerLayer_G.numSetsBuilt; s++) {
        MosTimerQSet *pSet = &timerLayer_G.sets[s];
        for (uint32_t q = 0; q < pSet->numQs; q++) {
            MosTimerQ *pQ = &pSet->qs[q];
            if (__atomic_load_n(&pQ->reqAnchor.counter, __ATOMIC_RELAXED) == 0) {
                continue;
            }
            mosFastlockBase_Acquire(&pQ->lock);
            if (!mosTicks_IsAfter(pQ->nextExpiry, now)) {
                mosTimerQ_PollUnlocked(pQ, now);
            }
            // A queue emptied by this pass has no expiry to wait for.
            if (pQ->reqAnchor.counter != 0 && mosTicks_IsAfter(nextWake, pQ->nextExpiry)) {
                nextWake = pQ->nextExpiry;
            }
            mosFastlockBase_Release(&pQ->lock);
        }
    }
    return nextWake;
}

void mosTimerQ_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pQ = reinterpret_cast<const MosTimerQ *>(pEntry); // the entry comes first
    auto *q = static_cast<MosTimerQ_Query *>(pBuf);
    (void)mos_Snprintf(q->name, sizeof q->name, "%s", pQ->name);
    q->ticks = pQ->pSet->ticks;
    q->ticksToExpiration = mosTicks_Distance(pQ->nextExpiry, mosTicks_GetCurrent());
    q->maxDiffTicks = pQ->maxDiffTicks;
    q->millis = static_cast<uint32_t>(mosTicks_TicksToMillis(pQ->pSet->ticks));
    q->numWaiters = __atomic_load_n(&pQ->reqAnchor.counter, __ATOMIC_RELAXED);
    q->reqCount = pQ->reqCount;
    q->numExpirations = pQ->numExpirations;
    q->numAborts = pQ->numAborts;
}

void mosTimerQSet_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pSet = reinterpret_cast<const MosTimerQSet *>(pEntry); // the entry comes first
    auto *q = static_cast<MosTimerQSet_Query *>(pBuf);
    (void)mos_Snprintf(q->name, sizeof q->name, "%s", qSetInfo_G[pSet->setId].pName);
    q->ticks = pSet->ticks;
    q->millis = static_cast<uint32_t>(mosTicks_TicksToMillis(pSet->ticks));
    for (uint32_t i = 0; i < pSet->numQs; i++) {
        const MosTimerQ &tq = pSet->qs[i];
        q->numWaiters += __atomic_load_n(&tq.reqAnchor.counter, __ATOMIC_RELAXED);
        q->numExpirations += tq.numExpirations;
        q->numAborts += tq.numAborts;
        q->maxDiffTicks = tq.maxDiffTicks > q->maxDiffTicks ? tq.maxDiffTicks : q->maxDiffTicks;
    }
    q->reqCount = pSet->reqCounter;
}
