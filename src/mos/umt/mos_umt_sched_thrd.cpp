// Choosing a scheduler thread for a user-mode thread that becomes ready,
// and forwarding user contexts to the current scheduler.
#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_umt.h"
#include "mos_umt_sched.h"

#include <cstring>

const MosUmtSchedThrdPolicy mosUmtSchedThrdPolicies_G[MOS_UMT_SCHED_POLICIES] = {
    {"LEAST_Q_DEPTH", mosUmtSchedThrd_LeastQDepth},
    {"LEAST_Q_DEPTH_FULL", mosUmtSchedThrd_LeastQDepth},
    {"RR", mosUmtSchedThrd_RoundRobin},
    {"SOFT_AFFINITY", mosUmtSchedThrd_SoftAffinity},
};

const MosUmtSchedThrdPolicy *mosUmtSchedThrd_FindPolicy(const char *pName) {
    for (const MosUmtSchedThrdPolicy &policy : mosUmtSchedThrdPolicies_G) {
        if (pName != nullptr && strcmp(policy.pName, pName) == 0) {
            return &policy;
        }
    }
    return nullptr;
}

namespace {

uint32_t depthOf(const MosUmtSchedThrd *pThrd) {
    uint32_t depth = __atomic_load_n(&pThrd->qDepth[0], __ATOMIC_RELAXED) +
                     __atomic_load_n(&pThrd->qDepth[1], __ATOMIC_RELAXED);
    if (pThrd->pConf != nullptr && pThrd->pConf->mode == 1 && pThrd != umtTls_G.pCurSchedThrd &&
        __atomic_load_n(&pThrd->pRunningUmt, __ATOMIC_RELAXED) != nullptr) {
        depth++;
    }
    return depth;
}

} // namespace

MosUmtSchedThrd *mosUmtSchedThrd_LeastQDepth(MosUmtSched *pSched, MosUmt *pUmt) {
    bool bMayStay = mosUmt_GetMustMove(pUmt) == 0;
    MosUmtSchedThrd *pCur = umtTls_G.pCurSchedThrd;
    if (bMayStay && pCur != nullptr && umtTls_G.pCurSched == pSched &&
        depthOf(pCur) <= pSched->depthThreshold) {
        return pCur;
    }
    MosUmtSchedThrd *pChosenThrd = nullptr;
    uint32_t minDepth = 0;
    for (uint32_t i = 0; i < pSched->numThrds; i++) {
        MosUmtSchedThrd *pThrd = &pSched->pThrds[i];
        if (pThrd->bExcluded != 0) {
            continue;
        }
        uint32_t depth = depthOf(pThrd);
        if (bMayStay && depth <= pSched->depthThreshold) {
            return pThrd;
        }
        if (pChosenThrd == nullptr || depth < minDepth) {
            pChosenThrd = pThrd;
            minDepth = depth;
        }
    }
    MOS_ASSERT_TEXT(pChosenThrd != nullptr, "(pChosenThrd) != ((void *)0)");
    return pChosenThrd;
}

MosUmtSchedThrd *mosUmtSchedThrd_RoundRobin(MosUmtSched *pSched, MosUmt * /*pUmt*/) {
    MosUmtSchedThrd *pThrd = nullptr;
    do {
        uint32_t cursor = __atomic_fetch_add(&pSched->rrCursor, 1, __ATOMIC_RELAXED);
        pThrd = &pSched->pThrds[cursor % pSched->numThrds];
    } while (pThrd->bExcluded != 0);
    return pThrd;
}

MosUmtSchedThrd *mosUmtSchedThrd_SoftAffinity(MosUmtSched *pSched, MosUmt *pUmt) {
    uint32_t index = pUmt->preferredThrdIdx;
    MosUmtSchedThrd *pThrd = &pSched->pThrds[index % pSched->numThrds];
    while (pThrd->bExcluded != 0) {
        index++;
        pThrd = &pSched->pThrds[index % pSched->numThrds];
    }
    return pThrd;
}

namespace {

MosUmtSched *schedOrDefault(MosUmtSched *pSched) {
    MosUmtSched *p = pSched != nullptr ? pSched : mosUmtSched_GetDefault();
    MOS_ASSERT_TEXT(p != nullptr, "(pSched) != ((void *)0)");
    return p;
}

} // namespace

uint32_t mosUmtSched_SetUserContext(MosUmtSched *pSched, uint32_t contextMagic, uint64_t *pValue,
                                    MosUserContextCleanupCK pCleanupCK) {
    pSched = schedOrDefault(pSched);
    MOS_ASSERT_TEXT(pSched->pSetUserContextCK != nullptr,
                    "(pSched->pSetUserContextCK) != ((void *)0)");
    MOS_ASSERT_TEXT(pSched->pGetUserContextCK != nullptr,
                    "(pSched->pGetUserContextCK) != ((void *)0)");
    return pSched->pSetUserContextCK(pSched, contextMagic, pValue, pCleanupCK);
}

uint32_t mosUmtSched_GetUserContext(MosUmtSched *pSched, uint32_t contextMagic, uint64_t *pValue) {
    pSched = schedOrDefault(pSched);
    MOS_ASSERT_TEXT(pSched->pGetUserContextCK != nullptr,
                    "(pSched->pGetUserContextCK) != ((void *)0)");
    return pSched->pGetUserContextCK(pSched, contextMagic, pValue);
}

uint32_t mosUmtSched_ClearUserContext(MosUmtSched *pSched, uint32_t contextMagic,
                                      uint32_t bDeferred) {
    pSched = schedOrDefault(pSched);
    MOS_ASSERT_TEXT(pSched->pClearUserContextCK != nullptr,
                    "(pSched->pClearUserContextCK) != ((void *)0)");
    return pSched->pClearUserContextCK(pSched, contextMagic, bDeferred);
}

uint32_t mosUmt_SetUserContext(uint32_t contextMagic, uint64_t *pValue,
                               MosUserContextCleanupCK pCleanupCK) {
    return mosUmtSched_SetUserContext(mosUmt_GetCurSched(), contextMagic, pValue, pCleanupCK);
}

uint32_t mosUmt_GetUserContext(uint32_t contextMagic, uint64_t *pValue) {
    return mosUmtSched_GetUserContext(mosUmt_GetCurSched(), contextMagic, pValue);
}

uint32_t mosUmt_ClearUserContext(uint32_t contextMagic, uint32_t bDeferred) {
    return mosUmtSched_ClearUserContext(mosUmt_GetCurSched(), contextMagic, bDeferred);
}
