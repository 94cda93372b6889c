#include "mos_obj.h"

#include "mos_assert_text.h"

#include <cstring>

namespace {

MosDsHash objTypeTable_G;

MosObjEntry *entryOf(MosListNode *pNode) {
    return pNode == nullptr ? nullptr : reinterpret_cast<MosObjEntry *>(pNode);
}

} // namespace

MOS_RC mosObjLayer_Init(void *pArg) {
    (void)pArg;
    memset(static_cast<void *>(&objTypeTable_G), 0, sizeof objTypeTable_G);
    if (!mosHash_Create(&objTypeTable_G, 64, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr)) {
        return MOS_RC__NO_RESOURCES;
    }
    return MOS_RC__SUCCESS;
}

void mosObjLayer_Destroy() {
    uint32_t objNum = mosHash_GetRecNum(&objTypeTable_G);
    MOS_ASSERT(objNum == 0);
    mosHash_Delete(&objTypeTable_G);
}

void mosObjType_RegObjType(MosObjType *pType, MosObjQueryFn pFunc, MosObjCommandFn pCmdFunc,
                           uint32_t typeId, uint32_t queryDataSize) {
    pType->objList = MosListAnchor{};
    pType->hashRec = MosHashRecord{};
    pType->pEnumObj = nullptr;
    pType->pCachedObj = nullptr;
    pType->cachedIndex = 0;
    pType->queryDataSize = queryDataSize;
    pType->typeId = typeId;
    pType->pFunc = pFunc;
    pType->pCmdFunc = pCmdFunc;
    mosFastlockBase_AdaptiveCreateInternal(&pType->lock, __FILE__, "mosObjType_RegObjType",
                                           __LINE__);
    void *pTypeInHash = nullptr;
    (void)mosHash_GetValueByKey(&objTypeTable_G, typeId, 0, &pTypeInHash);
    MOS_ASSERT((pTypeInHash) == ((void *)0));
    mosHash_Add(&objTypeTable_G, &pType->hashRec, typeId, pType);
}

void mosObjType_UnregObjType(MosObjType *pType) {
    void *pTypeInHash = nullptr;
    MosHashRecord *pRec =
        mosHash_GetRecordByKey(&objTypeTable_G, pType->typeId, MOS_HASH_FLAG_REMOVE, &pTypeInHash);
    MOS_ASSERT((pRec) != ((void *)0));
    MOS_ASSERT(pTypeInHash == pType);
    MOS_ASSERT(pRec == &pType->hashRec);
    MOS_ASSERT(((&pType->objList)->counter) == 0);
    pType->pCachedObj = nullptr;
    pType->cachedIndex = 0;
    mosFastlockBase_Destroy(&pType->lock);
}

MosObjType *mosObjType_GetById(uint32_t typeId) {
    void *pType = nullptr;
    if (!mosHash_GetValueByKey(&objTypeTable_G, typeId, 0, &pType)) {
        return nullptr;
    }
    return static_cast<MosObjType *>(pType);
}

uint32_t mosObjType_GetNumObjs(const MosObjType *pType) {
    return __atomic_load_n(&pType->objList.counter, __ATOMIC_RELAXED);
}

uint32_t mosObjType_GetQueryDataSize(const MosObjType *pType) {
    return pType->queryDataSize;
}

void mosObjType_RegObj(MosObjType *pType, MosObjEntry *pObj, const char *pName) {
    pObj->pName = pName;
    mosFastlockBase_Acquire(&pType->lock);
    __atomic_store_n(&pType->objList.counter, pType->objList.counter + 1, __ATOMIC_RELAXED);
    MOS_ASSERT((&pObj->node)->pPrev == ((void *)0));
    if (pType->objList.pLast == nullptr) {
        MOS_ASSERT_TEXT(pType->objList.counter == 1, "(&pType->objList)->counter==1");
    }
    mosList_Append(&pType->objList, &pObj->node);
    mosFastlockBase_Release(&pType->lock);
}

void mosObjType_UnregObj(MosObjType *pType, MosObjEntry *pObj) {
    mosFastlockBase_Acquire(&pType->lock);
    if (pObj->node.pPrev == nullptr && pObj->node.pNext == nullptr) {
        mosFastlockBase_Release(&pType->lock);
        return;
    }
    MOS_ASSERT((&pObj->node)->pPrev != ((void *)0));
    MOS_ASSERT((&pObj->node)->pNext != ((void *)0));
    __atomic_store_n(&pType->objList.counter, pType->objList.counter - 1, __ATOMIC_RELAXED);
    if (pObj->node.pPrev == mosList_End()) {
        MOS_ASSERT((&pType->objList)->pFirst == (&pObj->node));
    }
    if (pObj->node.pNext == mosList_End()) {
        MOS_ASSERT((&pType->objList)->pLast == (&pObj->node));
    }
    mosList_Unlink(&pType->objList, &pObj->node);
    // Later objects moved one index down.
    pType->pCachedObj = nullptr;
    pType->cachedIndex = 0;
    mosFastlockBase_Release(&pType->lock);
}

void mosObj_Query(MosObjEntry *pObj, MosObjType *pType, void *pBuf) {
    MOS_ASSERT(pType->queryDataSize != 0);
    MOS_ASSERT_TEXT(pType->pFunc != nullptr, "(pType->pFunc) != ((void *)0)");
    pType->pFunc(pObj, pObj->pName, pBuf);
}

void mosObj_Command(MosObjEntry *pObj, MosObjType *pType, uint32_t command, uint32_t argc,
                    const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    if (pType->pCmdFunc != nullptr) {
        pType->pCmdFunc(pObj, command, argc, pArgs);
    }
}

void mosObjType_EnumStart(MosObjType *pType) {
    mosFastlockBase_Acquire(&pType->lock);
    MOS_ASSERT((pType->pEnumObj) == ((void *)0));
}

MosObjEntry *mosObjType_EnumGetNextObj(MosObjType *pType) {
    MosObjEntry *pNext;
    if (pType->pEnumObj == nullptr) {
        pNext = entryOf(pType->objList.pFirst);
    } else {
        MOS_ASSERT((&pType->pEnumObj->node)->pPrev != ((void *)0));
        pNext = entryOf(mosList_Next(&pType->pEnumObj->node));
    }
    if (pNext != nullptr) {
        pType->pEnumObj = pNext;
    }
    return pNext;
}

void mosObjType_EnumEnd(MosObjType *pType) {
    pType->pEnumObj = nullptr;
    mosFastlockBase_Release(&pType->lock);
}

// Returns with the type's lock held or not, by what it found: beyond what
// the analysis can follow.
MosObjEntry *mosObjType_EnumStartAtIndex(MosObjType *pType,
                                         uint32_t index) MOS_NO_THREAD_SAFETY_ANALYSIS {
    mosObjType_EnumStart(pType);
    if (pType->pCachedObj != nullptr && pType->cachedIndex == index) {
        // The cursor moves to the cached object too, so that the walk goes
        // on from it whether or not the lookup was cached.
        pType->pEnumObj = pType->pCachedObj;
        return pType->pCachedObj;
    }
    MosListNode *pNode = pType->objList.pFirst;
    for (uint32_t i = 0; pNode != nullptr && i < index; i++) {
        pNode = mosList_Next(pNode);
    }
    if (pNode == nullptr) {
        mosObjType_EnumEnd(pType);
        return nullptr;
    }
    pType->pEnumObj = entryOf(pNode);
    pType->pCachedObj = pType->pEnumObj;
    pType->cachedIndex = index;
    return pType->pEnumObj;
}
