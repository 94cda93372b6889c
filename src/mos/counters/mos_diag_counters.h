// Diagnostic counters: a fixed table of named event counters shared by
// every module. A module counts an event with one call; the counters are
// read on the debug port (one object type per counter kind), through a
// query into the caller's array, or as a printed table.
#pragma once

#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

enum MosDiagCounterId : uint32_t {
#define MOS_DIAG_COUNTER(id, name, kind, threshold) MOS_DIAG_COUNTER__##name = id,
#include "mos_diag_counters.def"
#undef MOS_DIAG_COUNTER
    MOS_DIAG_COUNTER__LAST
};
static_assert(MOS_DIAG_COUNTER__LAST == 247);

#pragma pack(push, 1)
// One counter as a query hands it out (48 bytes).
struct MosDiagCounterEntry {
    uint32_t value;
    uint32_t threshold; // a value above it counts as exceeded
    char component[8];  // the counter's kind, NUL-terminated
    char name[32];      // NUL-terminated
};
// The extended form, also the debug port's record of a counter (64 bytes).
struct MosDiagCounterExtEntry {
    MosDiagCounterEntry base;
    uint64_t countExtData;       // what the last count stored
    uint64_t lastCountTimeMilli; // milliseconds since the last count; 0: never counted
};
#pragma pack(pop)
static_assert(sizeof(MosDiagCounterEntry) == 48);
static_assert(sizeof(MosDiagCounterExtEntry) == 64);
static_assert(offsetof(MosDiagCounterExtEntry, countExtData) == 48);
static_assert(offsetof(MosDiagCounterExtEntry, lastCountTimeMilli) == 56);

// A caller's query (24 bytes, also sent to the client driver).
struct MosDiagCountersQuery {
    uint32_t count;         // in: capacity of pEntries; out: entries filled, or 247 when too small
    uint32_t bOnlyExceeded; // non-zero: only counters above their threshold
    char component[8];      // a kind to select; empty selects every kind
    void *pEntries;         // MosDiagCounterExtEntry[] or MosDiagCounterEntry[]
};
static_assert(sizeof(MosDiagCountersQuery) == 24);
static_assert(offsetof(MosDiagCountersQuery, pEntries) == 16);

// Adds 1 to the counter and records the time and 0xFFFFFFFF as ext data.
// A counter id of MOS_DIAG_COUNTER__LAST or more is a broken invariant.
void mosDiagCounters_CountAddValExt(uint32_t counterId);

// Fills the caller's array (extended entries when bExt, else plain ones).
// MOS_RC__NO_RESOURCES with count set to 247 when the array is too small
// (the entries that fitted are filled).
[[nodiscard]] MOS_RC mosDiagCounters_QueryExt(MosDiagCountersQuery *pQuery, bool bExt);

// Prints the extended entries of a filled query as a table, to standard
// output or (bToTrace) to the trace. Title and prefix may be null.
void mosDiagCounters_PrintQuery(const MosDiagCountersQuery *pQuery, const char *pTitle,
                                const char *pPrefix, bool bToTrace);

// Prints every counter above its threshold under "DIAGNOSTIC COUNTERS".
void mosDiagCounters_PrintExceeded(bool bToTrace);

uint32_t mosDiagCounters_GetNumOfCounters();

// Query function of the nine counter object types: the entry must be one
// of the layer's 247 object entries; fills a MosDiagCounterExtEntry.
void mosDiagCounters_SdbgQueryFunc(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Object type id of a counter kind ("NET" 104 ... "SPEF" 110); 0 when the
// kind is unknown.
uint32_t mosDiagCounters_GetKindTypeId(const char *pKind);

// The layer: registers the nine counter object types and the 247 counters.
[[nodiscard]] MOS_RC mosDiagCountersLayer_Init(void *pUnused);
void mosDiagCountersLayer_Destroy();
