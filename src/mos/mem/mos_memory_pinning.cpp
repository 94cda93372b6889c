// The memory-pinning layer and its thread.
#include "mos_memory_pinning.h"

#include "mos_debug.h"
#include "mos_diag_counters.h"
#include "mos_trace.h"
#include "os_mempin.h"

#include <cstring>

MosMemPinningLayer mosMemPinningLayer_G;

namespace {

MosMemPinningLayer &L = mosMemPinningLayer_G;

// Waits for a request in a loop: a wake-up without one (spurious, or the
// signal of a request another pass already took) must not hand out a
// stale record. False when the layer is stopping.
bool waitForRequest(MosMemPinningReq *pReq) {
    mosFastlockBase_Acquire(&L.lock);
    while (!L.bStop && mosCyclicBuffer_GetUsedBytes(&L.ring) < sizeof *pReq) {
        mosOSWCond_Wait(&L.cond, &L.lock);
    }
    const bool bGot =
        !L.bStop && mosCyclicBuffer_Read(&L.ring, pReq, sizeof *pReq) == MOS_RC__SUCCESS;
    mosFastlockBase_Release(&L.lock);
    return bGot;
}

void pinningThread(void * /*pArg*/) {
    MosMemPinningReq req;
    while (waitForRequest(&req)) {
        // A failed lock is silent: pinning is an optimisation.
        (void)mosMemPinning_LockInPortions(req.address, req.size, L.portionSize, osMemPin_Lock);
        if (req.pDoneCK != nullptr) {
            req.pDoneCK(req.pArg);
        }
    }
}

MOS_RC startThread() {
    if (mosCyclicBuffer_Create(&L.ring, MOS_MEM_PINNING_RING_BYTES) != MOS_RC__SUCCESS) {
        return MOS_RC__NO_RESOURCES;
    }
    mosFastlock_Create(&L.lock);
    mosOSWCond_Init(&L.cond);
    L.bStop = 0;
    MOS_RC rc = mosOsThrd_Create(&L.thrd, pinningThread, nullptr, "mosMemPinning");
    if (rc != MOS_RC__SUCCESS) {
        mosOSWCond_Destroy(&L.cond);
        mosFastlockBase_Destroy(&L.lock);
        mosCyclicBuffer_Destroy(&L.ring);
        return rc;
    }
    L.bThreadRunning = 1;
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC mosMemPinning_LayerInit(void *pParams) {
    L = MosMemPinningLayer{};
    L.portionSize = MOS_MEM_PINNING_DEFAULT_PORTION;
    L.threshold = MOS_MEM_PINNING_DEFAULT_THRESHOLD;
    const auto *p = static_cast<const MosMemPinningParams *>(pParams);
    if (p == nullptr) {
        return MOS_RC__SUCCESS;
    }
    L.bEnabled = p->mem_pinning_enabled;
    L.portionSize = p->mem_pinning_portion_size;
    L.threshold = p->mem_pinning_threshold;
    if (!L.bEnabled) {
        return MOS_RC__SUCCESS;
    }
    if (L.portionSize == 0) {
        L.portionSize = MOS_MEM_PINNING_DEFAULT_PORTION; // a zero portion would never advance
    }
    if (startThread() != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to init memory pinning layer");
        L.bEnabled = 0;
    }
    return MOS_RC__SUCCESS;
}

void mosMemPinning_LayerDestroy() {
    if (!L.bThreadRunning) {
        return;
    }
    mosFastlockBase_Acquire(&L.lock);
    L.bThreadRunning = 0;
    L.bStop = 1;
    mosOSWCond_Signal(&L.cond);
    mosFastlockBase_Release(&L.lock);
    mosOsThrd_Destroy(&L.thrd);
    mosOSWCond_Destroy(&L.cond);
    mosCyclicBuffer_Destroy(&L.ring);
    L.bEnabled = 0;
}

MOS_RC mosMemPinning_Pin(void *pAddress, uint64_t size, MosMemPinningDoneCK pDoneCK, void *pArg,
                         bool bForce) {
    if (!L.bEnabled || !L.bThreadRunning) {
        return MOS_RC__NOT_READY;
    }
    if (size < L.threshold && !bForce) {
        return MOS_RC__IGNORE;
    }
    const MosMemPinningReq req = {reinterpret_cast<uint64_t>(pAddress), size, pDoneCK, pArg};
    mosFastlockBase_Acquire(&L.lock);
    MOS_RC rc = mosCyclicBuffer_Write(&L.ring, &req, sizeof req);
    if (rc == MOS_RC__SUCCESS) {
        mosOSWCond_Signal(&L.cond);
    }
    mosFastlockBase_Release(&L.lock);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: Failed to queue memory pinning (%p, size: %llu)",
                  pAddress, static_cast<unsigned long long>(size));
        mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__MEMORY_PINNING_FAILED_QUEUE);
        return MOS_RC__NO_RESOURCES;
    }
    return pDoneCK != nullptr ? MOS_RC__PENDING : MOS_RC__SUCCESS;
}

MOS_RC mosMemPinning_LockInPortions(uint64_t address, uint64_t size, uint32_t portionSize,
                                    MosMemPinningLockFn pLockFn) {
    MOS_ASSERT(portionSize > 0);
    uint64_t offset = 0;
    while (offset < size) {
        const uint64_t portion = size - offset < portionSize ? size - offset : portionSize;
        __atomic_add_fetch(&L.numLockCalls, 1, __ATOMIC_RELAXED); // read by tests and tools
        if (!pLockFn(reinterpret_cast<void *>(address + offset), portion)) {
            return MOS_RC__ERROR;
        }
        offset += portion;
    }
    MOS_ASSERT(offset == size);
    return MOS_RC__SUCCESS;
}

MOS_RC mosMemPinning_EnableManageVolumePrivilege() {
    return osMemPin_EnableManageVolumePrivilege();
}
