// Per-thread user contexts: small arrays of slots keyed by a context
// magic, each holding a value and the callback that cleans it up. Every
// operating-system thread and every scheduler thread carries one; the
// schedulers' user-context callbacks are backed by them.
//
// A context magic is the process's base (a random non-zero 16-bit number
// in the upper half, drawn at start-up) OR a counter, so magics of one
// process never collide and a zero slot is always free.
#pragma once

#include "mos_fastlock.h"
#include "mos_rc.h"
#include "mos_umt.h"

#include <cstdint>

struct MosUserContextSlot {
    uint64_t magic; // low 32 bits: the context magic; 0 = free
    uint64_t value;
    uint32_t bDeferredClear;
    MosUserContextCleanupCK pCleanupCK;
};

struct MosUserContextArr {
    MosFastlock lock; // used only when the array is locked
    MosUserContextSlot *pSlots;
    uint32_t numSlots;
    uint32_t editOpInProgress;         // atomic
    uint32_t numPendingDeferredClears; // atomic
    uint32_t bLocked;
};

inline constexpr uint32_t MOS_USER_CONTEXT_THRD_SLOTS = 4;

// Stores the slots (zeroed by the caller); a locked array gets its lock.
void mosUserContextArr_Init(MosUserContextArr *pArr, MosUserContextSlot *pSlots, uint32_t numSlots,
                            uint32_t bLocked);
// Clears every slot (bDeferredOnly: only the slots marked for a deferred
// clear), calling each cleared slot's callback outside the lock.
void mosUserContextArr_ClearAll(MosUserContextArr *pArr, uint32_t bDeferredOnly);
// A full clear, then the lock is destroyed and the header zeroed.
void mosUserContextArr_Destroy(MosUserContextArr *pArr);

// Slot operations behind the schedulers' callbacks. Set stores the value
// under the magic (replacing a value of the same magic without calling its
// callback): MOS_RC__SUCCESS, or MOS_RC__NO_RESOURCES when every slot is
// taken. Get: MOS_RC__SUCCESS or MOS_RC__NOT_FOUND. Clear empties the slot
// now, calling its callback, or (bDeferred) marks it for the next
// deferred-only clear: MOS_RC__SUCCESS or MOS_RC__NOT_FOUND. A magic of 0
// is MOS_RC__INVALID.
[[nodiscard]] MOS_RC mosUserContextArr_Set(MosUserContextArr *pArr, uint32_t contextMagic,
                                           uint64_t value, MosUserContextCleanupCK pCleanupCK);
[[nodiscard]] MOS_RC mosUserContextArr_Get(MosUserContextArr *pArr, uint32_t contextMagic,
                                           uint64_t *pValue);
[[nodiscard]] MOS_RC mosUserContextArr_Clear(MosUserContextArr *pArr, uint32_t contextMagic,
                                             uint32_t bDeferred);

// Process layer: draws the magic base, once per process (a later start
// keeps it). Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosUserContext_LayerInit(void *pArg);
// A new magic; the 65,535th of the process is a broken invariant.
uint32_t mosUserContext_GenerateContextMagic();
// Retires a magic of this process for good, on every thread at once: its
// owner has taken back every value stored under it, so slots that still
// hold it count as free (Set reuses them, a full clear drops them without
// their callbacks). For owners that cannot reach other threads' arrays.
void mosUserContext_RetireContextMagic(uint32_t contextMagic);
// The base drawn at start-up (0 before).
uint32_t mosUserContext_GetMagicBase();
