#include "mos_xmti_detour.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_trace.h"
#include "mos_utils.h"
#include "mos_xmti_bundle.h"

#include <cstring>

namespace {

constexpr const char *kDetourNames[XMTI_DETOUR_ID__LAST] = {
    "N/A",
#define XMTI_DETOUR(id, name) #name,
#include "mos_xmti_detours.def"
#undef XMTI_DETOUR
};

// The ids of the table run from 1 without gaps.
constexpr bool idsAreDense() {
    uint32_t expected = 1;
#define XMTI_DETOUR(id, name)                                                                      \
    if ((id) != expected++) {                                                                      \
        return false;                                                                              \
    }
#include "mos_xmti_detours.def"
#undef XMTI_DETOUR
    return true;
}
static_assert(idsAreDense());

constexpr const char *kNoDetour = "<No detour>";

MosXmtiDetour *detourOf(MosObjEntry *pObj) {
    return reinterpret_cast<MosXmtiDetour *>(reinterpret_cast<char *>(pObj) -
                                             offsetof(MosXmtiDetour, objEntry));
}

MosXmtiBehavior *behaviorOf(MosListNode *pNode) {
    return reinterpret_cast<MosXmtiBehavior *>(reinterpret_cast<char *>(pNode) -
                                               offsetof(MosXmtiBehavior, detourNode));
}

void copyName(char (&dst)[XMTI_NAME_SIZE], const char *pSrc) {
    mos_Snprintf(dst, sizeof dst, "%s", pSrc != nullptr ? pSrc : "");
}

// The texts the query shows come from the first behaviour; refreshed
// under the detour's lock after every change of the list.
void refreshCachedTexts(MosXmtiDetour *pDetour) {
    const MosListNode *pFirst = pDetour->behaviorList.pFirst;
    const MosXmtiBehavior *pBehavior =
        pFirst != nullptr ? behaviorOf(const_cast<MosListNode *>(pFirst)) : nullptr;
    const bool bNone = pBehavior == nullptr || pBehavior->pDetourFunc == nullptr;
    copyName(pDetour->detourFuncName, bNone ? kNoDetour : pBehavior->pDetourFuncName);
    pDetour->bNoBehavior = bNone ? 1 : 0;
    copyName(pDetour->bundleName, pBehavior != nullptr && pBehavior->pRootBundle != nullptr
                                      ? pBehavior->pRootBundle->pName
                                      : "");
}

void checkDetourId(uint32_t detourID) {
    MOS_ASSERT_TEXT(XMTI_DETOUR_ID__NONE < detourID && XMTI_DETOUR_ID__LAST > detourID,
                    "XMTI_DETOUR_ID__NONE < pDetourBehaviorConf->detourID && "
                    "XMTI_DETOUR_ID__LAST > pDetourBehaviorConf->detourID");
}

void appendToDetour(MosXmtiDetourManager *pDetourManager, MosXmtiDetour *pDetour,
                    MosXmtiBehavior *pBehavior) {
    mosFastlockBase_Acquire(&pDetour->lock);
    if (pDetour->behaviorList.counter == 0) {
        pDetourManager->numActiveDetours.fetch_add(1);
    }
    MOS_ASSERT_TEXT(pBehavior->detourNode.pPrev == nullptr,
                    "(&pBehavior->detourNode)->pPrev == ((void *)0)");
    mosList_Append(&pDetour->behaviorList, &pBehavior->detourNode);
    pDetour->behaviorList.counter++;
    MOS_ASSERT_TEXT(pDetour->behaviorList.pFirst != &pBehavior->detourNode ||
                        pDetour->behaviorList.counter == 1,
                    "(&pDetour->behaviorList)->counter==1");
    refreshCachedTexts(pDetour);
    mosFastlockBase_Release(&pDetour->lock);
}

void pushToBundle(MosXmtiBundle *pRootBundle, MosXmtiBehavior *pBehavior) {
    MOS_ASSERT_TEXT(pBehavior->pNextInBundle == nullptr,
                    "(&(pBehavior->bundleNode))->pNext == ((void *)0)");
    pBehavior->pNextInBundle = pRootBundle->pBehaviorHead;
    pRootBundle->pBehaviorHead = pBehavior;
    if (pRootBundle->behaviorCount++ == 0) {
        pRootBundle->pBehaviorTail = pBehavior;
    }
    MOS_ASSERT_TEXT(pBehavior->pNextInBundle != nullptr || pRootBundle->behaviorCount == 1,
                    "(&(pRootBundle->behaviorList))->counter==1");
}

MosListNode *findBehavior(MosXmtiDetour *pDetour, const MosXmtiBehaviorConf *pConf) {
    for (MosListNode *pNode = pDetour->behaviorList.pFirst; pNode != nullptr;
         pNode = mosList_Next(pNode)) {
        const MosXmtiBehavior *pBehavior = behaviorOf(pNode);
        if (pBehavior->pDetourFunc == pConf->pDetourFunc &&
            pBehavior->pUserCtx == pConf->pDefaultUserCtx) {
            return pNode;
        }
    }
    return nullptr;
}

void unlinkFromDetour(MosXmtiDetour *pDetour, MosListNode *pRemoveNode) {
    MOS_ASSERT_TEXT(pRemoveNode->pPrev != nullptr, "(pRemoveNode)->pPrev != ((void *)0)");
    MOS_ASSERT_TEXT(pRemoveNode->pNext != nullptr, "(pRemoveNode)->pNext != ((void *)0)");
    MOS_ASSERT_TEXT(pRemoveNode->pPrev != mosList_End() ||
                        pDetour->behaviorList.pFirst == pRemoveNode,
                    "(&pDetour->behaviorList)->pFirst == (pRemoveNode)");
    MOS_ASSERT_TEXT(pRemoveNode->pNext != mosList_End() ||
                        pDetour->behaviorList.pLast == pRemoveNode,
                    "(&pDetour->behaviorList)->pLast == (pRemoveNode)");
    mosList_Unlink(&pDetour->behaviorList, pRemoveNode);
    pDetour->behaviorList.counter--;
}

} // namespace

const char *mosXmti_DetourName(uint32_t detourID) {
    return detourID < XMTI_DETOUR_ID__LAST ? kDetourNames[detourID] : kDetourNames[0];
}

void detourManager_Init(MosXmtiDetourManager *pDetourManager) {
    mosObjType_RegObjType(&pDetourManager->objType, detourManager_DetourQuery, nullptr, 172,
                          sizeof(_MosXmti_DetourQuery));
    pDetourManager->numDetours = XMTI_NUM_DETOURS;
    pDetourManager->numActiveDetours.store(0);
    for (uint32_t id = 1; id < XMTI_DETOUR_ID__LAST; id++) {
        MosXmtiDetour *pDetour = &pDetourManager->detoursArr[id - 1];
        pDetour->behaviorList = {};
        pDetour->detourID = id;
        pDetour->objEntry = {};
        mosObjType_RegObj(&pDetourManager->objType, &pDetour->objEntry, nullptr);
        mosFastlock_Create(&pDetour->lock);
        refreshCachedTexts(pDetour);
    }
}

void detourManager_Destroy(MosXmtiDetourManager *pDetourManager) {
    for (uint32_t i = 0; i < XMTI_NUM_DETOURS; i++) {
        MosXmtiDetour *pDetour = &pDetourManager->detoursArr[i];
        MOS_ASSERT_TEXT(pDetour->behaviorList.counter == 0,
                        "(((&pDetourManager->detoursArr[i].behaviorList)->counter) == 0)");
        mosObjType_UnregObj(&pDetourManager->objType, &pDetour->objEntry);
        mosFastlockBase_Destroy(&pDetour->lock);
    }
    mosObjType_UnregObjType(&pDetourManager->objType);
}

MosXmtiDetour *detourManager_GetDetour(MosXmtiDetourManager *pDetourManager, uint32_t detourID) {
    MOS_ASSERT_TEXT(XMTI_DETOUR_ID__NONE < detourID && XMTI_DETOUR_ID__LAST > detourID,
                    "XMTI_DETOUR_ID__NONE < detourID && XMTI_DETOUR_ID__LAST > detourID");
    return &pDetourManager->detoursArr[detourID - 1];
}

MosXmtiBehavior *
detourManager_ActivateDetourBehavior(MosXmtiDetourManager *pDetourManager,
                                     const MosXmtiBehaviorConf *pDetourBehaviorConf,
                                     MosXmtiBundle *pRootBundle, void *pUserCtx) {
    MOS_ASSERT(pDetourManager != nullptr);
    MOS_ASSERT(pDetourBehaviorConf != nullptr);
    checkDetourId(pDetourBehaviorConf->detourID);
    auto *pBehavior = static_cast<MosXmtiBehavior *>(
        mos_MemCallocBare(sizeof(MosXmtiBehavior), MOS_MEM_MAX_SIZE, "xmtiBehavior", true));
    MOS_ASSERT_TEXT(pBehavior != nullptr, "(pBehavior) != ((void *)0)");
    (void)mosMemPinning_Pin(pBehavior, sizeof(*pBehavior), nullptr, nullptr, false);
    pBehavior->detourID = pDetourBehaviorConf->detourID;
    pBehavior->pDetourFuncName = pDetourBehaviorConf->pDetourFuncName;
    pBehavior->pDetourFunc = pDetourBehaviorConf->pDetourFunc;
    pBehavior->pUserCtx = pUserCtx != nullptr ? pUserCtx : pDetourBehaviorConf->pDefaultUserCtx;
    pBehavior->pRootBundle = pRootBundle;

    appendToDetour(pDetourManager,
                   detourManager_GetDetour(pDetourManager, pDetourBehaviorConf->detourID),
                   pBehavior);
    if (pRootBundle != nullptr) {
        pushToBundle(pRootBundle, pBehavior);
    }
    MOS_TRACE(MOS_COMP_XMTI, 1,
              "Detour Behavior was activated.\n Detour Name = %s, Detour Function Name = %s "
              "Detour function ptr = %p Detour function user context = %p ",
              mosXmti_DetourName(pBehavior->detourID), pBehavior->pDetourFuncName,
              pBehavior->pDetourFunc, pDetourBehaviorConf->pDefaultUserCtx);
    return pBehavior;
}

MosXmtiBehavior *
detourManager_DeActivateDetourBehavior(MosXmtiDetourManager *pDetourManager,
                                       const MosXmtiBehaviorConf *pDetourBehaviorConf,
                                       MosListNode *pNode) {
    MOS_ASSERT(pDetourManager != nullptr);
    MOS_ASSERT(pDetourBehaviorConf != nullptr);
    checkDetourId(pDetourBehaviorConf->detourID);
    MosXmtiDetour *pDetour = detourManager_GetDetour(pDetourManager, pDetourBehaviorConf->detourID);
    mosFastlockBase_Acquire(&pDetour->lock);
    MosListNode *pRemoveNode =
        pNode != nullptr ? pNode : findBehavior(pDetour, pDetourBehaviorConf);
    MOS_ASSERT(pRemoveNode);
    unlinkFromDetour(pDetour, pRemoveNode);
    if (pDetour->behaviorList.counter == 0) {
        pDetourManager->numActiveDetours.fetch_sub(1);
    }
    refreshCachedTexts(pDetour);
    mosFastlockBase_Release(&pDetour->lock);
    MosXmtiBehavior *pBehavior = behaviorOf(pRemoveNode);
    MOS_TRACE(MOS_COMP_XMTI, 1,
              "Detour Behavior was deactivated.\n Detour Name = %s, Detour Function Name = %s "
              "Detour function ptr = %p Detour function user context = %p ",
              mosXmti_DetourName(pBehavior->detourID), pBehavior->pDetourFuncName,
              pBehavior->pDetourFunc, pBehavior->pUserCtx);
    return pBehavior;
}

void detourManager_DetourQuery(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    MosXmtiDetour *pDetour = detourOf(pObj);
    _MosXmti_DetourQuery query = {};
    copyName(query.detourableFuncName, mosXmti_DetourName(pDetour->detourID));
    mosFastlockBase_Acquire(&pDetour->lock);
    copyName(query.detourFuncName, pDetour->detourFuncName);
    copyName(query.bundleName, pDetour->bundleName);
    mosFastlockBase_Release(&pDetour->lock);
    memcpy(pBuf, &query, sizeof query);
}
