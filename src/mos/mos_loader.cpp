#include "mos_loader.h"

#include "dport_server.h"
#include "mos_async_io.h"
#include "mos_blocking.h"
#include "mos_cpu.h"
#include "mos_crc32c.h"
#include "mos_cyclic_file.h"
#include "mos_debug.h"
#include "mos_dev.h"
#include "mos_diag_counters.h"
#include "mos_ds_hash.h"
#include "mos_fifo.h"
#include "mos_io.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_memory_tracker.h"
#include "mos_mempool.h"
#include "mos_net_sock.h"
#include "mos_obj.h"
#include "mos_once.h"
#include "mos_os_thread.h"
#include "mos_oscillation_counters.h"
#include "mos_perf.h"
#include "mos_process.h"
#include "mos_security.h"
#include "mos_shm_layer.h"
#include "mos_t10dif.h"
#include "mos_ticks.h"
#include "mos_timed_action.h"
#include "mos_timer.h"
#include "mos_trace.h"
#include "mos_umt_once.h"
#include "mos_user_context.h"
#include "mos_xmti.h"

#include <cstddef>
#include <cstring>

namespace {

MosLockSettings lockSettings_G = {10, 10, 60000, 0};

MOS_RC placeholderInit(void * /*pArg*/) {
    return MOS_RC__SUCCESS;
}

// An object-type record no module of these programs registers; its layer
// only starts it zeroed.
MosObjType reservedObjType_G;

MOS_RC reservedObjTypeInit(void * /*pArg*/) {
    std::memset(static_cast<void *>(&reservedObjType_G), 0, sizeof(reservedObjType_G));
    return MOS_RC__SUCCESS;
}

MOS_RC netLayerInit(void * /*pArg*/) {
    return osNetLayer_Create();
}

// The main table. Layers of modules that are not part of this build are
// absent rather than faked; their position in the order is kept by the
// order of the rows that remain.
constexpr size_t MAIN_LAYERS = 30;
MosLoaderEntry mainTable_G[MAIN_LAYERS];

constexpr size_t PROCESS_LAYERS = 18;
MosLoaderEntry processTable_G[PROCESS_LAYERS];

template <typename T> void *slice(MosInitParams *pParams, T MosInitParams::*pMember) {
    return pParams != nullptr ? static_cast<void *>(&(pParams->*pMember)) : nullptr;
}

// Rows in start order; the comment names each row's place in the full
// order of the runtime's layers.
void fillMainTable(MosInitParams *p) {
    size_t i = 0;
    mainTable_G[i++] = {mosUtilsLayer_Init, slice(p, &MosInitParams::utils),
                        mosUtilsLayer_Destroy};                                              // 0
    mainTable_G[i++] = {mosLockSettings_Init, slice(p, &MosInitParams::lock), nullptr};      // 1
    mainTable_G[i++] = {mosMemTrackerLayer_Init, nullptr, mosMemTrackerLayer_Destroy};       // 2
    mainTable_G[i++] = {mosCpu_Init, slice(p, &MosInitParams::crc), nullptr};                // 3
    mainTable_G[i++] = {mosCrc32c_Select, slice(p, &MosInitParams::crc), nullptr};           // 4
    mainTable_G[i++] = {mosObjLayer_Init, nullptr, mosObjLayer_Destroy};                     // 5
    mainTable_G[i++] = {mosMemTrackerObjLayer_Init, nullptr, mosMemTrackerObjLayer_Destroy}; // 6
    mainTable_G[i++] = {mosHashLayer_Init, nullptr, mosHashLayer_Destroy};                   // 7
    mainTable_G[i++] = {mosOsThrdLayer_Create, slice(p, &MosInitParams::thrd),
                        mosOsThrdLayer_Destroy};            // 8
    mainTable_G[i++] = {placeholderInit, nullptr, nullptr}; // 9
    mainTable_G[i++] = {mosTicksLayer_Init, slice(p, &MosInitParams::ticks),
                        mosTicksLayer_Destroy};                                                // 10
    mainTable_G[i++] = {mosTimer_Init, slice(p, &MosInitParams::timer), mosTimer_Destroy};     // 11
    mainTable_G[i++] = {mosBlocking_LayerInit, nullptr, mosBlocking_LayerDestroy};             // 12
    mainTable_G[i++] = {reservedObjTypeInit, nullptr, nullptr};                                // 13
    mainTable_G[i++] = {mosMemPoolLayer_Init, nullptr, mosMemPoolLayer_Destroy};               // 14
    mainTable_G[i++] = {mosDynamicMemPoolLayer_Init, nullptr, mosDynamicMemPoolLayer_Destroy}; // 15
    mainTable_G[i++] = {mosSmallIovPoolLayer_Init, slice(p, &MosInitParams::smallIov),
                        mosSmallIovPoolLayer_Destroy};                                    // 16
    mainTable_G[i++] = {mosPerfWindowLayer_Init, slice(p, &MosInitParams::bwc), nullptr}; // 17
    mainTable_G[i++] = {placeholderInit, nullptr, nullptr};                               // 18
    mainTable_G[i++] = {MosPerfLayer_Init, nullptr, MosPerfLayer_Destroy};                // 19
    mainTable_G[i++] = {mosProcessLayers_Init, slice(p, &MosInitParams::dbg),
                        mosProcessLayers_Destroy};                                            // 20
    mainTable_G[i++] = {mosDynamicArrayLayer_Init, nullptr, mosDynamicArrayLayer_Destroy};    // 21
    mainTable_G[i++] = {mosSecurityLayer_Load, nullptr, mosSecurityLayer_Destroy};            // 22
    mainTable_G[i++] = {sdbgServer_Init, slice(p, &MosInitParams::sdbg), sdbgServer_Destroy}; // 23
    mainTable_G[i++] = {mosDiagCountersLayer_Init, nullptr, mosDiagCountersLayer_Destroy};    // 24
    mainTable_G[i++] = {mosOscCntLayer_Init, nullptr, mosOscCntLayer_Destroy};                // 25
    mainTable_G[i++] = {mosT10Dif_Init, nullptr, nullptr};                                    // 26
    mainTable_G[i++] = {mosCpuLayer_Init, nullptr, mosCpuLayer_Destroy};                      // 27
    mainTable_G[i++] = {placeholderInit, nullptr, nullptr};                                   // 28
    mainTable_G[i++] = {mosMemAllocatorLayer_Init, nullptr, mosMemAllocatorLayer_Destroy};    // 29
}

void fillProcessTable(MosInitParams *p) {
    size_t i = 0;
    processTable_G[i++] = {mosProcessLayer_Init, nullptr, mosProcessLayer_Destroy};         // 0
    processTable_G[i++] = {mosCyclicFileLayer_Create, nullptr, mosCyclicFileLayer_Destroy}; // 1
    processTable_G[i++] = {mosDbgLayer_Init, slice(p, &MosInitParams::dbg),
                           mosDbgLayer_Destroy}; // 2
    processTable_G[i++] = {mosTrcLayer_Create, slice(p, &MosInitParams::trc),
                           mosTrcLayer_Destroy}; // 3
    processTable_G[i++] = {mosMemPinning_LayerInit, slice(p, &MosInitParams::memPinning),
                           mosMemPinning_LayerDestroy}; // 4
    processTable_G[i++] = {mosFifo_StartFifoHandler, slice(p, &MosInitParams::fifo),
                           mosFifo_StopFifoHandler};                                  // 5
    processTable_G[i++] = {netLayerInit, nullptr, osNetLayer_Destroy};                // 6
    processTable_G[i++] = {mosOnceLayer_Create, nullptr, mosOnceLayer_Destroy};       // 7
    processTable_G[i++] = {mosUmtOnceLayer_Create, nullptr, mosUmtOnceLayer_Destroy}; // 8
    processTable_G[i++] = {mosXmtiLayer_Init, nullptr, mosXmtiLayer_Destroy};         // 9
    processTable_G[i++] = {mosIOLayer_Create, nullptr, mosIOLayer_Destroy};           // 10
    processTable_G[i++] = {mosAsyncIOLayer_Create, slice(p, &MosInitParams::aio),
                           mosAsyncIOLayer_Destroy}; // 11
    processTable_G[i++] = {mosDevLayer_Create, slice(p, &MosInitParams::dev),
                           mosDevLayer_Destroy}; // 12
    processTable_G[i++] = {mosShmLayer_Create, slice(p, &MosInitParams::shm),
                           mosShmLayer_Destroy};                                            // 13
    processTable_G[i++] = {mosMemsetLayer_Init, slice(p, &MosInitParams::memset), nullptr}; // 14
    processTable_G[i++] = {mosNvramLayer_Init, slice(p, &MosInitParams::nvram),
                           mosNvramLayer_Destroy}; // 15
    processTable_G[i++] = {mosTimedActionLayer_Init, slice(p, &MosInitParams::timedAction),
                           mosTimedActionLayer_Destroy};                // 16
    processTable_G[i++] = {mosUserContext_LayerInit, nullptr, nullptr}; // 17
}

void callDestroy(const MosLoaderEntry &entry) {
    if (entry.destroy != nullptr) {
        entry.destroy();
    }
}

} // namespace

MOS_RC mosLoader_Load(MosLoaderEntry *pTable, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) {
        MOS_RC rc = pTable[i].init(pTable[i].arg);
        if (rc == MOS_RC__SUCCESS) {
            continue;
        }
        MOS_TRACE(MOS_COMP_MOS, 1, "mosLoader_Load-failed to run %d.Status %d(%s)\n",
                  static_cast<int>(i), static_cast<int>(rc), mos_RcName(rc));
        for (uint32_t j = i; j-- > 0;) {
            callDestroy(pTable[j]);
        }
        return rc;
    }
    return MOS_RC__SUCCESS;
}

void mosLoader_Unload(MosLoaderEntry *pTable, uint32_t count) {
    for (uint32_t j = count; j-- > 0;) {
        callDestroy(pTable[j]);
    }
}

MOS_RC mos_Init(MosInitParams *pParams) {
    fillMainTable(pParams);
    return mosLoader_Load(mainTable_G, MAIN_LAYERS);
}

MOS_RC mosProcessLayers_Init(void *pDbgSlice) {
    MosInitParams *pParams = nullptr;
    if (pDbgSlice != nullptr) {
        // The slice is the block from its debug settings on.
        pParams = reinterpret_cast<MosInitParams *>(static_cast<char *>(pDbgSlice) -
                                                    offsetof(MosInitParams, dbg));
    }
    fillProcessTable(pParams);
    return mosLoader_Load(processTable_G, PROCESS_LAYERS);
}

void mosProcessLayers_Destroy() {
    mosLoader_Unload(processTable_G, PROCESS_LAYERS);
}

MOS_RC mosLockSettings_Init(void *pLockParams) {
    const auto *p = static_cast<const MosLockParams *>(pLockParams);
    if (p == nullptr) {
        return MOS_RC__SUCCESS;
    }
    if (p->instrumented_lock_period_log2 != 0) {
        lockSettings_G.periodLog2 = p->instrumented_lock_period_log2;
    }
    if (p->instrumented_lock_max_contention != 0) {
        lockSettings_G.maxContention = p->instrumented_lock_max_contention;
    }
    if (p->instrumented_lock_max_latency_cycles != 0) {
        lockSettings_G.maxLatencyCycles = p->instrumented_lock_max_latency_cycles;
    }
    if (p->lock_use_spinlock != 0) {
        lockSettings_G.bUseSpinlock = 1;
    }
    return MOS_RC__SUCCESS;
}

MosLockSettings mosLockSettings_Get() {
    return lockSettings_G;
}

uint32_t mos_MainLayerCount() {
    return MAIN_LAYERS;
}

uint32_t mos_ProcessLayerCount() {
    return PROCESS_LAYERS;
}
