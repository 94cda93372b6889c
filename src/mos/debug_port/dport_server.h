// The debug-port server: a runtime layer that, when the start-up
// parameters give it a module type, listens on a TCP port (IPv6 and IPv4
// on one socket) and answers one client at a time from the object
// registry on one thread named "sdbgServer". Further clients wait in the
// listen backlog until the current one disconnects.
//
// Also the layer of object type 164 (memory allocators).
#pragma once

#include "mos_init_params.h"
#include "mos_obj.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

// Module types the server reports (request type 3).
enum : uint32_t {
    SDBG_MODULE_TYPE__INI = 1,
    SDBG_MODULE_TYPE__TGT = 2,
    SDBG_MODULE_TYPE__MDM = 3,
    SDBG_MODULE_TYPE__VOTER = 4,
    SDBG_MODULE_TYPE__NONE = 6, // no server
};
inline constexpr uint16_t SDBG_DEFAULT_PORT = 33443;
inline constexpr uint8_t SDBG_SERVER_FLAG__OFF = 0x1;

// Layer start. pConf is an SdbgServerConf or null (module type 6, port
// 33443). Module type 6 or the off flag: no server. A listener or thread
// that cannot be had leaves the process without a debug port; the result
// is MOS_RC__SUCCESS in every case. A second start while one runs is a
// broken invariant ("Double start of SDBG server!").
[[nodiscard]] MOS_RC sdbgServer_Init(void *pConf);
// Closes the listener and the current client's connection, and waits for
// the server thread to end.
void sdbgServer_Destroy();
uint32_t sdbgServer_GetModuleType();
// True while the server thread runs (tests and tools).
bool sdbgServer_IsRunning();

inline constexpr uint32_t MOS_OBJ_TYPE_MEM_ALLOCATOR = 164;

#pragma pack(push, 1)
struct MosMemAllocator_Query {
    char name[32]; // NUL-padded; 32 characters or more fill it without a NUL
    uint64_t sizeBytes;
    uint64_t maxMemChunkSizeBytes;
    uint32_t numAllocatedBlocks;
    uint32_t allocatedBytes;
    uint32_t flBitmap; // first-level bitmap of the free lists
    uint32_t numMemChunks;
    uint32_t waitersNum;
    uint8_t zero[4];
};
#pragma pack(pop)
static_assert(sizeof(MosMemAllocator_Query) == 72);
static_assert(offsetof(MosMemAllocator_Query, sizeBytes) == 32);
static_assert(offsetof(MosMemAllocator_Query, numAllocatedBlocks) == 48);
static_assert(offsetof(MosMemAllocator_Query, waitersNum) == 64);

// What an allocator publishes under type 164: it embeds this record, keeps
// the figures current, and registers objEntry with its name.
struct MosMemAllocatorObj {
    MosObjEntry objEntry;
    uint64_t sizeBytes;
    uint64_t maxMemChunkSizeBytes;
    uint32_t numAllocatedBlocks;
    uint32_t allocatedBytes;
    uint32_t flBitmap;
    uint32_t numMemChunks;
    uint32_t waitersNum;
};

// Registers / unregisters object type 164 (no objects of its own).
[[nodiscard]] MOS_RC mosMemAllocatorLayer_Init(void *pArg);
void mosMemAllocatorLayer_Destroy();
void mosMemAllocatorLayer_RegObj(MosMemAllocatorObj *pAllocator, const char *pName);
void mosMemAllocatorLayer_UnregObj(MosMemAllocatorObj *pAllocator);
// The query function of type 164.
void mosMemAllocator_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
