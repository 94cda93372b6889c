// Classes of user-mode threads: named groups the scheduler puts every
// thread into at creation; deletion takes it out again. Each class is an
// object of type 145 on the debug port while it is registered.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_perf.h"
#include "mos_umt.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OBJ_TYPE_UMT_CLASS = 145;
inline constexpr uint32_t MOS_UMT_CLASS_NAME_SIZE = 64;

struct MosUmtClass {
    char name[MOS_UMT_CLASS_NAME_SIZE];
    MosListAnchor list; // MosUmtClassRefNode of its threads
    MosFastlock lock;
    MosObjEntry objEntry;
    uint64_t numCreated;         // threads ever added
    MosPerfStatsQuery runStats;  // milliseconds from creation to end
    MosPerfStatsQuery waitStats; // milliseconds from first ready to first running
};

#pragma pack(push, 1)
struct MosUmtClassCounter {
    uint64_t value;
    char name[56];
};
struct MosUmtClassStatsEntry {
    MosPerfStatsQuery stats;
    char name[56];
};
struct MosUmtClassQuery {
    char className[64];
    MosUmtClassCounter counter;
    MosUmtClassStatsEntry stats[2];
};
#pragma pack(pop)
static_assert(sizeof(MosPerfStatsQuery) == 56);
static_assert(sizeof(MosUmtClassQuery) == 352);
static_assert(offsetof(MosUmtClassQuery, counter) == 64);
static_assert(offsetof(MosUmtClassQuery, stats) == 128);
static_assert(offsetof(MosUmtClassQuery, stats) + sizeof(MosUmtClassStatsEntry) == 240);

// Names the class (at most 63 characters kept) and registers it on the
// debug port when the object registry is up.
void mosUmtClass_Init(MosUmtClass *pClass, const char *pName);
// The class must have no threads left.
void mosUmtClass_Destroy(MosUmtClass *pClass);
// Links the thread into the class (it must be in none).
void mosUmtClass_AddToClass(MosUmtClass *pClass, MosUmt *pUmt);
// Unlinks the node from its class and clears its class pointer.
void mosUmtClass_DelFromClass(MosUmtClassRefNode *pClassRefNode);
uint32_t mosUmtClass_GetNumUmts(MosUmtClass *pClass);

// Registers / unregisters object type 145; classes initialised while it
// is not registered are not published.
void mosUmtClass_RegisterType();
void mosUmtClass_UnregisterType();
// Adds one sample of each statistic.
void mosUmtClass_AddSamples(MosUmtClass *pClass, uint64_t runMs, uint64_t readyWaitMs);
void mosUmtClass_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
