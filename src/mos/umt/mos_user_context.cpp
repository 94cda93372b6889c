#include "mos_user_context.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_sys_utils.h"

#include <cstring>

namespace {

uint32_t magicBase_G = 0;
uint32_t magicCounter_G = 0;
// One bit per magic counter of this process: set once the magic is retired.
constexpr uint32_t MAGIC_COUNTERS = 0x10000;
uint32_t retiredMagics_G[MAGIC_COUNTERS / 32];

bool isRetired(uint64_t slotMagic) {
    const auto magic = static_cast<uint32_t>(slotMagic);
    if (magic == 0 || (magic & 0xFFFF0000u) != magicBase_G) {
        return false;
    }
    const uint32_t counter = magic & 0xFFFFu;
    return (__atomic_load_n(&retiredMagics_G[counter / 32], __ATOMIC_ACQUIRE) &
            (1u << (counter % 32))) != 0;
}

// An array made without locking is never locked: a lock taken by a flag,
// which the analysis cannot follow.
void lockArr(MosUserContextArr *pArr) MOS_NO_THREAD_SAFETY_ANALYSIS {
    if (pArr->bLocked != 0) {
        mosFastlockBase_Acquire(&pArr->lock);
    }
}

void unlockArr(MosUserContextArr *pArr) MOS_NO_THREAD_SAFETY_ANALYSIS {
    if (pArr->bLocked != 0) {
        mosFastlockBase_Release(&pArr->lock);
    }
}

// A slot holding the magic; for magic 0, a free slot (a retired magic's
// slot is free too).
MosUserContextSlot *findSlot(MosUserContextArr *pArr, uint32_t contextMagic) {
    for (uint32_t i = 0; i < pArr->numSlots; i++) {
        const uint64_t slotMagic = pArr->pSlots[i].magic;
        if (static_cast<uint32_t>(slotMagic) == contextMagic ||
            (contextMagic == 0 && isRetired(slotMagic))) {
            return &pArr->pSlots[i];
        }
    }
    return nullptr;
}

void runCleanup(const MosUserContextSlot &copy) {
    if (copy.pCleanupCK != nullptr) {
        copy.pCleanupCK(static_cast<uint32_t>(copy.magic), copy.value);
    }
}

// Empties one slot under the lock; returns the copy whose callback the
// caller runs after releasing it.
MosUserContextSlot takeSlot(MosUserContextArr *pArr, MosUserContextSlot *pSlot) {
    MosUserContextSlot copy = *pSlot;
    if (pSlot->bDeferredClear != 0) {
        MOS_ASSERT_TEXT(__atomic_load_n(&pArr->numPendingDeferredClears, __ATOMIC_RELAXED) != 0,
                        "pContextArr->numPendingDeferredClears != 0");
        __atomic_sub_fetch(&pArr->numPendingDeferredClears, 1, __ATOMIC_RELAXED);
    }
    *pSlot = {};
    return copy;
}

} // namespace

void mosUserContextArr_Init(MosUserContextArr *pArr, MosUserContextSlot *pSlots, uint32_t numSlots,
                            uint32_t bLocked) {
    memset(static_cast<void *>(pArr), 0, sizeof *pArr);
    pArr->pSlots = pSlots;
    pArr->numSlots = numSlots;
    pArr->bLocked = bLocked;
    if (bLocked != 0) {
        mosFastlockBase_AdaptiveCreateInternal(&pArr->lock, __FILE__, "mosUserContextArr_Init",
                                               __LINE__);
    }
}

void mosUserContextArr_ClearAll(MosUserContextArr *pArr, uint32_t bDeferredOnly) {
    if (bDeferredOnly != 0 &&
        __atomic_load_n(&pArr->numPendingDeferredClears, __ATOMIC_RELAXED) == 0) {
        return;
    }
    if (bDeferredOnly == 0) {
        MOS_ASSERT_TEXT(__atomic_fetch_add(&pArr->editOpInProgress, 1, __ATOMIC_ACQ_REL) == 0,
                        "mosAtomic_AddUint32(&pContextArr->editOpInProgress, 1) == 0");
    }
    for (uint32_t i = 0; i < pArr->numSlots; i++) {
        MosUserContextSlot copy = {};
        lockArr(pArr);
        MosUserContextSlot *pSlot = &pArr->pSlots[i];
        if (bDeferredOnly == 0 || pSlot->bDeferredClear != 0) {
            copy = takeSlot(pArr, pSlot);
        }
        unlockArr(pArr);
        if (!isRetired(copy.magic)) {
            runCleanup(copy);
        }
    }
    if (bDeferredOnly == 0) {
        MOS_ASSERT_TEXT(__atomic_fetch_sub(&pArr->editOpInProgress, 1, __ATOMIC_ACQ_REL) == 1,
                        "mosAtomic_SubUint32(&pContextArr->editOpInProgress, 1) == 1");
    }
}

void mosUserContextArr_Destroy(MosUserContextArr *pArr) {
    mosUserContextArr_ClearAll(pArr, 0);
    if (pArr->bLocked != 0) {
        mosFastlockBase_Destroy(&pArr->lock);
    }
    memset(static_cast<void *>(pArr), 0, sizeof *pArr);
}

MOS_RC mosUserContextArr_Set(MosUserContextArr *pArr, uint32_t contextMagic, uint64_t value,
                             MosUserContextCleanupCK pCleanupCK) {
    if (contextMagic == 0) {
        return MOS_RC__INVALID;
    }
    lockArr(pArr);
    MosUserContextSlot *pSlot = findSlot(pArr, contextMagic);
    if (pSlot == nullptr) {
        pSlot = findSlot(pArr, 0);
    }
    MOS_RC rc = MOS_RC__NO_RESOURCES;
    if (pSlot != nullptr) {
        if (pSlot->bDeferredClear != 0) {
            // A new value cancels a pending deferred clear of the old one.
            __atomic_sub_fetch(&pArr->numPendingDeferredClears, 1, __ATOMIC_RELAXED);
        }
        *pSlot = {contextMagic, value, 0, pCleanupCK};
        rc = MOS_RC__SUCCESS;
    }
    unlockArr(pArr);
    return rc;
}

MOS_RC mosUserContextArr_Get(MosUserContextArr *pArr, uint32_t contextMagic, uint64_t *pValue) {
    if (contextMagic == 0) {
        return MOS_RC__INVALID;
    }
    lockArr(pArr);
    const MosUserContextSlot *pSlot = findSlot(pArr, contextMagic);
    if (pSlot != nullptr) {
        *pValue = pSlot->value;
    }
    unlockArr(pArr);
    return pSlot != nullptr ? MOS_RC__SUCCESS : MOS_RC__NOT_FOUND;
}

MOS_RC mosUserContextArr_Clear(MosUserContextArr *pArr, uint32_t contextMagic, uint32_t bDeferred) {
    if (contextMagic == 0) {
        return MOS_RC__INVALID;
    }
    MosUserContextSlot copy = {};
    lockArr(pArr);
    MosUserContextSlot *pSlot = findSlot(pArr, contextMagic);
    if (pSlot != nullptr && bDeferred != 0) {
        if (pSlot->bDeferredClear == 0) {
            pSlot->bDeferredClear = 1;
            __atomic_add_fetch(&pArr->numPendingDeferredClears, 1, __ATOMIC_RELAXED);
        }
    } else if (pSlot != nullptr) {
        copy = takeSlot(pArr, pSlot);
    }
    unlockArr(pArr);
    runCleanup(copy);
    return pSlot != nullptr ? MOS_RC__SUCCESS : MOS_RC__NOT_FOUND;
}

MOS_RC mosUserContext_LayerInit(void * /*pArg*/) {
    // Drawn once per process: slots still holding magics of an earlier
    // start keep meaning the same magics (retired ones stay retired).
    uint32_t base = magicBase_G;
    while (base == 0) {
        base = (mos_Rand() & 0xFFFF) << 16;
    }
    magicBase_G = base;
    return MOS_RC__SUCCESS;
}

uint32_t mosUserContext_GenerateContextMagic() {
    uint32_t contextIndex = __atomic_fetch_add(&magicCounter_G, 1, __ATOMIC_RELAXED);
    MOS_ASSERT(contextIndex < 0xFFFF);
    return magicBase_G | contextIndex;
}

void mosUserContext_RetireContextMagic(uint32_t contextMagic) {
    MOS_ASSERT((contextMagic & 0xFFFF0000u) == magicBase_G && contextMagic != 0);
    const uint32_t counter = contextMagic & 0xFFFFu;
    __atomic_fetch_or(&retiredMagics_G[counter / 32], 1u << (counter % 32), __ATOMIC_RELEASE);
}

uint32_t mosUserContext_GetMagicBase() {
    return magicBase_G;
}
