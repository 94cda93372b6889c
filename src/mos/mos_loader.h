// The layer loader and the runtime's start.
//
// The runtime is brought up as an ordered table of layers, each an init,
// its argument and a destroy. mos_Init runs the main table; one of its
// entries runs the table of process layers through the same loader. The
// first init that fails unwinds the layers already started, last first.
#pragma once

#include "mos_init_params.h"
#include "mos_rc.h"

#include <cstdint>

struct MosLoaderEntry {
    MOS_RC (*init)(void *pArg);
    void *arg;
    void (*destroy)();
};

// Runs the entries in order. MOS_RC__SUCCESS when all succeeded (also for
// a count of 0), else the first failing entry's code, after the error trace
// "mosLoader_Load-failed to run %d.Status %d(%s)\n" and the destroys of the
// entries before it, last first (the failing entry's own is not called).
[[nodiscard]] MOS_RC mosLoader_Load(MosLoaderEntry *pTable, uint32_t count);

// Calls every entry's destroy, last first.
void mosLoader_Unload(MosLoaderEntry *pTable, uint32_t count);

// Starts the runtime's layers with the block's slices, or every layer with
// its defaults when pParams is null. Called once per process.
[[nodiscard]] MOS_RC mos_Init(MosInitParams *pParams);

// The process layers (one main-table entry): pDbgSlice points at the
// block's debug settings, from which the later process slices follow.
[[nodiscard]] MOS_RC mosProcessLayers_Init(void *pDbgSlice);
void mosProcessLayers_Destroy();

// The lock settings the lock layer keeps (read by nothing else here).
struct MosLockSettings {
    uint64_t periodLog2;
    uint64_t maxContention;
    uint64_t maxLatencyCycles;
    uint32_t bUseSpinlock;
};
[[nodiscard]] MOS_RC mosLockSettings_Init(void *pLockParams);
MosLockSettings mosLockSettings_Get();

// The number of entries in each table as built in this program (layers
// whose modules are not part of it are left out).
uint32_t mos_MainLayerCount();
uint32_t mos_ProcessLayerCount();
