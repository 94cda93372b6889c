#include "mos_xmti_bundle.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_trace.h"
#include "mos_utils.h"

#include <cstring>

namespace {

inline constexpr uint32_t XMTI_BUNDLE_TYPE_ID = 173;

MosXmtiBundle *bundleOfEntry(MosObjEntry *pObj) {
    return reinterpret_cast<MosXmtiBundle *>(reinterpret_cast<char *>(pObj) -
                                             offsetof(MosXmtiBundle, objEntry));
}

uint64_t nameKey(const char *pName) {
    return reinterpret_cast<uintptr_t>(pName);
}

MosXmtiBundle *findBundle(MosXmtiBundleRegistry *pRegistry, const char *pName) {
    void *pValue = nullptr;
    if (!mosHash_GetValueByKey(&pRegistry->bundleTable, nameKey(pName), 0, &pValue)) {
        return nullptr;
    }
    return static_cast<MosXmtiBundle *>(pValue);
}

void activateIntrn(MosXmtiDetourManager *pDetourManager, MosXmtiBundleRegistry *pRegistry,
                   MosXmtiBundle *pBundle, MosXmtiBundle *pRoot) {
    for (uint32_t i = 0; i < pBundle->numContained; i++) {
        MosXmtiBundle *pContained = findBundle(pRegistry, pBundle->ppContainedNames[i]);
        MOS_ASSERT_TEXT(pContained != nullptr, "(pNextHashRecord) != ((void *)0)");
        pContained->activatedByOtherRefCount++;
        activateIntrn(pDetourManager, pRegistry, pContained, pRoot);
    }
    for (uint32_t i = 0; i < pBundle->numBehaviorConfs; i++) {
        const MosXmtiBehaviorConf *pConf = &pBundle->pBehaviorConfs[i];
        void *pUserCtx = nullptr;
        if (pRoot->pUserCtxCK != nullptr) {
            pRoot->pUserCtxCK(pRoot->pUserData, pConf->detourID, &pUserCtx);
        }
        (void)detourManager_ActivateDetourBehavior(pDetourManager, pConf, pRoot, pUserCtx);
    }
}

// Pops the root's behaviours newest first, detaching each from its detour.
void destroyRootBehaviors(MosXmtiDetourManager *pDetourManager, MosXmtiBundle *pRoot) {
    while (pRoot->behaviorCount > 0) {
        MosXmtiBehavior *pDetourBehavior = pRoot->pBehaviorHead;
        MOS_ASSERT_TEXT(pDetourBehavior != nullptr, "(pDetourBehavior) != ((void *)0)");
        pRoot->pBehaviorHead = pDetourBehavior->pNextInBundle;
        if (--pRoot->behaviorCount == 0) {
            pRoot->pBehaviorTail = nullptr;
        }
        const MosXmtiBehaviorConf localBehaviorConf = {
            pDetourBehavior->detourID, pDetourBehavior->pDetourFuncName,
            pDetourBehavior->pDetourFunc, pDetourBehavior->pUserCtx};
        MosXmtiBehavior *pRemoved = detourManager_DeActivateDetourBehavior(
            pDetourManager, &localBehaviorConf, &pDetourBehavior->detourNode);
        MOS_ASSERT_TEXT(pRemoved == pDetourBehavior,
                        "detourManager_DeActivateDetourBehavior( pDetourManager, "
                        "&localBehaviorConf, &pDetourBehavior->detourNode) == pDetourBehavior");
        mos_MemFreeBare(pDetourBehavior);
    }
}

void lowerContainedRefs(MosXmtiBundleRegistry *pRegistry, const MosXmtiBundle *pBundle) {
    for (uint32_t i = pBundle->numContained; i-- > 0;) {
        MosXmtiBundle *pCurrBundleBundle = findBundle(pRegistry, pBundle->ppContainedNames[i]);
        MOS_ASSERT_TEXT(pCurrBundleBundle != nullptr, "(pHashRecord) != ((void *)0)");
        MOS_ASSERT_TEXT(pCurrBundleBundle->activatedByOtherRefCount > 0,
                        "pCurrBundleBundle->activatedByOtherRefCount-- > 0");
        pCurrBundleBundle->activatedByOtherRefCount--;
        lowerContainedRefs(pRegistry, pCurrBundleBundle);
    }
}

MOS_RC deactivateLocked(MosXmtiDetourManager *pDetourManager, MosXmtiBundleRegistry *pRegistry,
                        MosXmtiBundle *pBundle) {
    if (pBundle->isDirectlyActivated == 0) {
        return MOS_RC__NO_CHANGE;
    }
    pBundle->isDirectlyActivated = 0;
    destroyRootBehaviors(pDetourManager, pBundle);
    lowerContainedRefs(pRegistry, pBundle);
    pRegistry->numActiveBundles--;
    return MOS_RC__SUCCESS;
}

MOS_RC checkNewBundle(MosXmtiBundleRegistry *pRegistry, const MosXmtiBundle *pBundle) {
    if (pBundle->pName == nullptr || (pBundle->numContained > 0 && !pBundle->ppContainedNames) ||
        (pBundle->numBehaviorConfs > 0 && pBundle->pBehaviorConfs == nullptr)) {
        return MOS_RC__INVALID;
    }
    for (uint32_t i = 0; i < pBundle->numBehaviorConfs; i++) {
        const uint32_t id = pBundle->pBehaviorConfs[i].detourID;
        if (id == XMTI_DETOUR_ID__NONE || id >= XMTI_DETOUR_ID__LAST) {
            return MOS_RC__INVALID;
        }
    }
    if (findBundle(pRegistry, pBundle->pName) != nullptr) {
        return MOS_RC__ALREADY_EXISTS;
    }
    for (uint32_t i = 0; i < pBundle->numContained; i++) {
        if (pBundle->ppContainedNames[i] == nullptr ||
            findBundle(pRegistry, pBundle->ppContainedNames[i]) == nullptr) {
            return MOS_RC__NOT_FOUND;
        }
    }
    return MOS_RC__SUCCESS;
}

void removeLocked(MosXmtiBundleRegistry *pRegistry, MosXmtiBundle *pBundle) {
    for (uint32_t i = 0; i < pBundle->numContained; i++) {
        MosXmtiBundle *pContained = findBundle(pRegistry, pBundle->ppContainedNames[i]);
        if (pContained != nullptr && pContained->referencedByOtherCount > 0) {
            pContained->referencedByOtherCount--;
        }
    }
    (void)mosHash_DeleteRecordByKeyAndPtr(&pRegistry->bundleTable, nameKey(pBundle->pName),
                                          &pBundle->hashRec);
    mosObjType_UnregObj(&pRegistry->objType, &pBundle->objEntry);
    pRegistry->numRegisteredBundles--;
}

// A bundle among the registered ones that fits the filter, or null. The
// object list is walked without holding it past the call, so the caller
// may change the bundle afterwards.
MosXmtiBundle *firstBundle(MosXmtiBundleRegistry *pRegistry, bool bActiveOnly) {
    MosXmtiBundle *pFound = nullptr;
    mosObjType_EnumStart(&pRegistry->objType);
    for (MosObjEntry *pObj = mosObjType_EnumGetNextObj(&pRegistry->objType); pObj != nullptr;
         pObj = mosObjType_EnumGetNextObj(&pRegistry->objType)) {
        MosXmtiBundle *pBundle = bundleOfEntry(pObj);
        if (!bActiveOnly || pBundle->isDirectlyActivated != 0) {
            pFound = pBundle;
            break;
        }
    }
    mosObjType_EnumEnd(&pRegistry->objType);
    return pFound;
}

void copyText(char *pDst, size_t dstSize, const char *pSrc) {
    mos_Snprintf(pDst, dstSize, "%s", pSrc != nullptr ? pSrc : "");
}

} // namespace

void detourBundleRegistry_Init(MosXmtiBundleRegistry *pRegistry, uint32_t numBuckets) {
    memset(static_cast<void *>(pRegistry), 0, sizeof(*pRegistry));
    const bool bHashCreatedSuccessfully = mosHash_Create(
        &pRegistry->bundleTable, numBuckets, MOS_HASH_METHOD_STR_NOCASE, 0, nullptr, nullptr);
    MOS_ASSERT(bHashCreatedSuccessfully);
    mosFastlock_Create(&pRegistry->lock);
    mosObjType_RegObjType(&pRegistry->objType, detourBundleRegistry_BundleQuery, nullptr,
                          XMTI_BUNDLE_TYPE_ID, sizeof(_MosXmti_BundleQuery));
}

void detourBundleRegistry_Destroy(MosXmtiDetourManager *pDetourManager,
                                  MosXmtiBundleRegistry *pRegistry) {
    mosFastlockBase_Acquire(&pRegistry->lock);
    // Active bundles still hold behaviours on the detours; detach them so
    // the detours can go.
    for (MosXmtiBundle *p = firstBundle(pRegistry, true); p != nullptr;
         p = firstBundle(pRegistry, true)) {
        (void)deactivateLocked(pDetourManager, pRegistry, p);
    }
    for (MosXmtiBundle *p = firstBundle(pRegistry, false); p != nullptr;
         p = firstBundle(pRegistry, false)) {
        removeLocked(pRegistry, p);
    }
    mosFastlockBase_Release(&pRegistry->lock);
    mosHash_Clear(&pRegistry->bundleTable);
    mosHash_Delete(&pRegistry->bundleTable);
    mosObjType_UnregObjType(&pRegistry->objType);
    mosFastlockBase_Destroy(&pRegistry->lock);
}

MOS_RC detourBundleRegistry_RegisterBundle(MosXmtiBundleRegistry *pRegistry,
                                           MosXmtiBundle *pBundle) {
    mosFastlockBase_Acquire(&pRegistry->lock);
    const MOS_RC rc = checkNewBundle(pRegistry, pBundle);
    if (rc == MOS_RC__SUCCESS) {
        pBundle->isDirectlyActivated = 0;
        pBundle->activatedByOtherRefCount = 0;
        pBundle->referencedByOtherCount = 0;
        pBundle->pBehaviorHead = nullptr;
        pBundle->pBehaviorTail = nullptr;
        pBundle->behaviorCount = 0;
        pBundle->hashRec = {};
        pBundle->objEntry = {};
        for (uint32_t i = 0; i < pBundle->numContained; i++) {
            findBundle(pRegistry, pBundle->ppContainedNames[i])->referencedByOtherCount++;
        }
        mosHash_Add(&pRegistry->bundleTable, &pBundle->hashRec, nameKey(pBundle->pName), pBundle);
        mosObjType_RegObj(&pRegistry->objType, &pBundle->objEntry, pBundle->pName);
        pRegistry->numRegisteredBundles++;
    }
    mosFastlockBase_Release(&pRegistry->lock);
    return rc;
}

MOS_RC detourBundleRegistry_UnregisterBundle(MosXmtiBundleRegistry *pRegistry,
                                             const char *pBundleName) {
    mosFastlockBase_Acquire(&pRegistry->lock);
    MosXmtiBundle *pBundle = pBundleName != nullptr ? findBundle(pRegistry, pBundleName) : nullptr;
    MOS_RC rc = MOS_RC__NOT_FOUND;
    if (pBundle != nullptr) {
        const bool bBusy = pBundle->isDirectlyActivated != 0 ||
                           pBundle->activatedByOtherRefCount != 0 ||
                           pBundle->referencedByOtherCount != 0;
        rc = bBusy ? MOS_RC__BUSY : MOS_RC__SUCCESS;
    }
    if (rc == MOS_RC__SUCCESS) {
        removeLocked(pRegistry, pBundle);
    }
    mosFastlockBase_Release(&pRegistry->lock);
    return rc;
}

MOS_RC detourBundleRegistry_ActivateDetourBundle(MosXmtiDetourManager *pDetourManager,
                                                 MosXmtiBundleRegistry *pRegistry,
                                                 const char *pBundleName) {
    MOS_ASSERT_TEXT(pBundleName != nullptr, "(pBundleName) != ((void *)0)");
    mosFastlockBase_Acquire(&pRegistry->lock);
    MosXmtiBundle *pBundle = findBundle(pRegistry, pBundleName);
    MOS_RC rc = MOS_RC__NOT_FOUND;
    if (pBundle != nullptr && pBundle->isDirectlyActivated != 0) {
        rc = MOS_RC__NO_CHANGE;
    } else if (pBundle != nullptr) {
        pBundle->isDirectlyActivated = 1;
        activateIntrn(pDetourManager, pRegistry, pBundle, pBundle);
        pRegistry->numActiveBundles++;
        rc = MOS_RC__SUCCESS;
    }
    mosFastlockBase_Release(&pRegistry->lock);
    MOS_TRACE(MOS_COMP_XMTI, 1, "Detour Bundle %s activation finished with rc %s.\n ", pBundleName,
              mos_RcName(rc));
    return rc;
}

MOS_RC detourBundleRegistry_DeActivateDetourBundle(MosXmtiDetourManager *pDetourManager,
                                                   MosXmtiBundleRegistry *pRegistry,
                                                   const char *pBundleName) {
    MOS_ASSERT_TEXT(pBundleName != nullptr, "(pBundleName) != ((void *)0)");
    mosFastlockBase_Acquire(&pRegistry->lock);
    MosXmtiBundle *pBundle = findBundle(pRegistry, pBundleName);
    const MOS_RC rc = pBundle == nullptr ? MOS_RC__NOT_FOUND
                                         : deactivateLocked(pDetourManager, pRegistry, pBundle);
    mosFastlockBase_Release(&pRegistry->lock);
    MOS_TRACE(MOS_COMP_XMTI, 1, "Detour Bundle %s was de-activated with rc %s.", pBundleName,
              mos_RcName(rc));
    return rc;
}

MOS_RC detourBundleRegistry_TweakDetourBundle(MosXmtiBundleRegistry *pRegistry,
                                              const char *pBundleName, const char *const *ppArgs,
                                              uint32_t argc) {
    MOS_ASSERT_TEXT(pBundleName != nullptr, "(pBundleName) != ((void *)0)");
    mosFastlockBase_Acquire(&pRegistry->lock);
    MosXmtiBundle *pBundle = findBundle(pRegistry, pBundleName);
    MOS_RC rc = MOS_RC__NOT_FOUND;
    if (pBundle != nullptr && pBundle->pTweakCK != nullptr) {
        rc = pBundle->pTweakCK(pBundle->pUserData, ppArgs, argc);
    } else if (pBundle != nullptr) {
        MOS_TRACE(MOS_COMP_XMTI, 1, "Bundle %s is not tweakable.", pBundleName);
        rc = MOS_RC__NOT_SUPPORTED;
    }
    mosFastlockBase_Release(&pRegistry->lock);
    const char *pArg[8];
    for (uint32_t i = 0; i < 8; i++) {
        pArg[i] = i < argc && ppArgs != nullptr ? ppArgs[i] : "";
    }
    MOS_TRACE(MOS_COMP_XMTI, 1,
              "Tweak of bundle %s complete. Arguments (%d){ %s %s %s %s %s %s %s %s }rc = %s",
              pBundleName, static_cast<int>(argc), pArg[0], pArg[1], pArg[2], pArg[3], pArg[4],
              pArg[5], pArg[6], pArg[7], mos_RcName(rc));
    return rc;
}

void detourBundleRegistry_BundleQuery(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    const MosXmtiBundle *pBundle = bundleOfEntry(pObj);
    _MosXmti_BundleQuery query = {};
    query.version = 1;
    copyText(query.bundleName, sizeof query.bundleName, pBundle->pName);
    if (pBundle->pStatusCK != nullptr) {
        pBundle->pStatusCK(pBundle->pUserData, query.bundleStatus, sizeof query.bundleStatus);
        query.bundleStatus[sizeof query.bundleStatus - 1] = '\0';
    } else {
        copyText(query.bundleStatus, sizeof query.bundleStatus, "N/A");
    }
    query.isDirectlyActivated = pBundle->isDirectlyActivated;
    query.activatedByOtherCount = pBundle->activatedByOtherRefCount;
    query.referencedByOtherCount = pBundle->referencedByOtherCount;
    query.numContainedBundles = pBundle->numContained;
    query.numDetours = pBundle->numBehaviorConfs;
    for (uint32_t i = 0; i < XMTI_BUNDLE_QUERY_NAMES && i < pBundle->numContained; i++) {
        copyText(query.containedBundleNames[i], XMTI_NAME_SIZE, pBundle->ppContainedNames[i]);
    }
    for (uint32_t i = 0; i < XMTI_BUNDLE_QUERY_NAMES && i < pBundle->numBehaviorConfs; i++) {
        copyText(query.detourFuncNames[i], XMTI_NAME_SIZE,
                 pBundle->pBehaviorConfs[i].pDetourFuncName);
    }
    memcpy(pBuf, &query, sizeof query);
}
