// Memory pinning: large allocations are locked into physical memory by a
// background thread ("mosMemPinning"), so the allocating caller never waits
// for it. Every large allocation site offers its memory right after
// allocating; the service is off unless the configuration enables it.
#pragma once

#include "mos_condvar.h"
#include "mos_cyclic_buffer.h"
#include "mos_fastlock.h"
#include "mos_init_params.h"
#include "mos_os_thread.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

typedef void (*MosMemPinningDoneCK)(void *pArg);

inline constexpr uint32_t MOS_MEM_PINNING_DEFAULT_PORTION = 33554432;  // 32 MiB
inline constexpr uint32_t MOS_MEM_PINNING_DEFAULT_THRESHOLD = 1048576; // 1 MiB
inline constexpr uint64_t MOS_MEM_PINNING_RING_BYTES = 0x8000;

#pragma pack(push, 1)
// One queued request in the ring (32 bytes).
struct MosMemPinningReq {
    uint64_t address;
    uint64_t size;
    MosMemPinningDoneCK pDoneCK; // may be null
    void *pArg;
};
#pragma pack(pop)
static_assert(sizeof(MosMemPinningReq) == 32);
static_assert(offsetof(MosMemPinningReq, pDoneCK) == 16);

struct MosMemPinningLayer {
    uint32_t bEnabled;
    uint32_t portionSize; // bytes locked per platform call
    uint32_t threshold;   // smallest size worth pinning
    MosCyclicBuffer ring;
    MosFastlock lock;
    MosOSWCond cond;
    uint32_t bStop;
    uint32_t bThreadRunning;
    MosOsThrd thrd;
    uint64_t numLockCalls;
};

extern MosMemPinningLayer mosMemPinningLayer_G;

// Layer start (pParams: a MosMemPinningParams or null: 32 MiB portions,
// 1 MiB threshold, disabled). When enabled, starts the "mosMemPinning"
// thread; when the ring or the thread cannot be made, traces "Failed to
// init memory pinning layer" and runs disabled. Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosMemPinning_LayerInit(void *pParams);
// Stops and joins the thread when it runs; requests still queued are
// dropped without their callbacks.
void mosMemPinning_LayerDestroy();

// Offers [address, address + size) for pinning. MOS_RC__NOT_READY when
// pinning is off; MOS_RC__IGNORE when size is below the threshold and
// bForce is clear; MOS_RC__NO_RESOURCES when the ring is full (warning and
// counter MEMORY_PINNING_FAILED_QUEUE); else queued: MOS_RC__PENDING when
// pDoneCK is given (it runs once pinning is done, whether or not it
// succeeded), MOS_RC__SUCCESS otherwise. Any result but MOS_RC__PENDING is
// final: no callback follows.
[[nodiscard]] MOS_RC mosMemPinning_Pin(void *pAddress, uint64_t size, MosMemPinningDoneCK pDoneCK,
                                       void *pArg, bool bForce);

// Locks a region with one call of pLockFn per portion of at most
// portionSize bytes; a failed call ends the region early. MOS_RC__SUCCESS
// when every call succeeded, else MOS_RC__ERROR. The calls are counted in
// the layer's numLockCalls.
typedef bool (*MosMemPinningLockFn)(void *pMem, uint64_t size);
[[nodiscard]] MOS_RC mosMemPinning_LockInPortions(uint64_t address, uint64_t size,
                                                  uint32_t portionSize,
                                                  MosMemPinningLockFn pLockFn);

// Enables the volume-management privilege of the process token.
// MOS_RC__SUCCESS or MOS_RC__ERROR.
[[nodiscard]] MOS_RC mosMemPinning_EnableManageVolumePrivilege();
