#include "mos_umt_class.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_trace.h"

#include <cstdio>
#include <cstring>

namespace {

MosObjType classType_G;
uint32_t bClassTypeUp_G = 0;

MosUmtClass *classOfEntry(MosObjEntry *pEntry) {
    return reinterpret_cast<MosUmtClass *>(reinterpret_cast<char *>(pEntry) -
                                           offsetof(MosUmtClass, objEntry));
}

void addSample(MosPerfStatsQuery *pStats, uint64_t value) {
    pStats->samples++;
    pStats->total += value;
    pStats->sumSquares += value * value;
    if (value > pStats->max) {
        pStats->max = value;
    }
}

void copyName(char *pDst, const char *pSrc, size_t dstCapacity) {
    snprintf(pDst, dstCapacity, "%s", pSrc);
}

} // namespace

void mosUmtClass_RegisterType() {
    memset(static_cast<void *>(&classType_G), 0, sizeof classType_G);
    mosObjType_RegObjType(&classType_G, mosUmtClass_SdbgQuery, nullptr, MOS_OBJ_TYPE_UMT_CLASS,
                          sizeof(MosUmtClassQuery));
    __atomic_store_n(&bClassTypeUp_G, 1, __ATOMIC_RELEASE);
}

void mosUmtClass_UnregisterType() {
    if (__atomic_exchange_n(&bClassTypeUp_G, 0, __ATOMIC_ACQ_REL) != 0) {
        mosObjType_UnregObjType(&classType_G);
    }
}

void mosUmtClass_Init(MosUmtClass *pClass, const char *pName) {
    memset(static_cast<void *>(pClass), 0, sizeof *pClass);
    copyName(pClass->name, pName, sizeof pClass->name);
    mosFastlock_Create(&pClass->lock);
    if (__atomic_load_n(&bClassTypeUp_G, __ATOMIC_ACQUIRE) != 0) {
        mosObjType_RegObj(&classType_G, &pClass->objEntry, pClass->name);
    }
}

void mosUmtClass_Destroy(MosUmtClass *pClass) {
    MOS_ASSERT(pClass->list.counter == 0);
    if (__atomic_load_n(&bClassTypeUp_G, __ATOMIC_ACQUIRE) != 0) {
        mosObjType_UnregObj(&classType_G, &pClass->objEntry);
    }
    mosFastlockBase_Destroy(&pClass->lock);
}

void mosUmtClass_AddToClass(MosUmtClass *pClass, MosUmt *pUmt) {
    MosUmtClassRefNode *pNode = &pUmt->classRefNode;
    MOS_ASSERT(pNode->pClass == nullptr);
    mosFastlockBase_Acquire(&pClass->lock);
    mosList_Append(&pClass->list, &pNode->node);
    pClass->list.counter++;
    pClass->numCreated++;
    pNode->pClass = pClass;
    mosFastlockBase_Release(&pClass->lock);
}

void mosUmtClass_DelFromClass(MosUmtClassRefNode *pClassRefNode) {
    MosUmtClass *pClass = pClassRefNode->pClass;
    MosListAnchor *pList = &pClass->list;
    MosListNode *pNode = &pClassRefNode->node;
    mosFastlockBase_Acquire(&pClass->lock);
    MOS_ASSERT_TEXT(pNode->pPrev != nullptr, "(pClassRefNode)->pPrev != ((void *)0)");
    MOS_ASSERT_TEXT(pNode->pPrev != mosList_End() || pList->pFirst == pNode,
                    "(mosUmtClass_GetList(pClass))->pFirst == (pClassRefNode)");
    MOS_ASSERT_TEXT(pNode->pNext != mosList_End() || pList->pLast == pNode,
                    "(mosUmtClass_GetList(pClass))->pLast == (pClassRefNode)");
    MOS_ASSERT_TEXT(pList->counter != 0, "(mosUmtClass_GetList(pClass))->counter != 0");
    mosList_Unlink(pList, pNode);
    pList->counter--;
    uint32_t remaining = pList->counter;
    mosFastlockBase_Release(&pClass->lock);
    MOS_TRACE(MOS_COMP_MOS, 3, "Class %s now has %d UMTs", pClass->name,
              static_cast<int>(remaining));
    pClassRefNode->pClass = nullptr;
}

uint32_t mosUmtClass_GetNumUmts(MosUmtClass *pClass) {
    return __atomic_load_n(&pClass->list.counter, __ATOMIC_RELAXED);
}

void mosUmtClass_AddSamples(MosUmtClass *pClass, uint64_t runMs, uint64_t readyWaitMs) {
    mosFastlockBase_Acquire(&pClass->lock);
    addSample(&pClass->runStats, runMs);
    addSample(&pClass->waitStats, readyWaitMs);
    mosFastlockBase_Release(&pClass->lock);
}

void mosUmtClass_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    MosUmtClass *pClass = classOfEntry(pEntry);
    MosUmtClassQuery q = {};
    copyName(q.className, pClass->name, sizeof q.className);
    mosFastlockBase_Acquire(&pClass->lock);
    q.counter.value = pClass->numCreated;
    q.stats[0].stats = pClass->runStats;
    q.stats[1].stats = pClass->waitStats;
    mosFastlockBase_Release(&pClass->lock);
    copyName(q.counter.name, "umts_created", sizeof q.counter.name);
    copyName(q.stats[0].name, "run_time_ms", sizeof q.stats[0].name);
    copyName(q.stats[1].name, "first_ready_wait_ms", sizeof q.stats[1].name);
    memcpy(pBuf, &q, sizeof q);
}
