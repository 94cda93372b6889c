// The device layer's start-up: the number of disk test jobs and the
// debug-port type of devices (52). The devices themselves and their test
// jobs are not part of these programs; a device lists itself under the
// type with its entry.
#pragma once

#include "mos_obj.h"
#include "mos_perf.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// What a device keeps about itself, copied into its query as stored.
struct MosDevRaw {
    uint64_t fileSizeInLbs;
    char name[64];
    uint32_t sampleGrn;
    uint8_t reserved[4];
};
struct _MosDevQuery {
    MosPerfWindowResult readSizeBwc;
    MosPerfWindowResult writeSizeBwc;
    MosPerfWindowResult readLatencyBwc;
    MosPerfWindowResult writeLatencyBwc;
    MosDevRaw raw;
};
#pragma pack(pop)
static_assert(sizeof(MosDevRaw) == 80);
static_assert(sizeof(_MosDevQuery) == 160);
static_assert(offsetof(_MosDevQuery, writeLatencyBwc) == 60);
static_assert(offsetof(_MosDevQuery, raw) == 80);
static_assert(offsetof(_MosDevQuery, raw.name) == 88);
static_assert(offsetof(_MosDevQuery, raw.sampleGrn) == 152);

struct MosDev {
    MosObjEntry objEntry; // type 52
    MosDevRaw raw;
    MosPerfWindow readSizeBwc;
    MosPerfWindow writeSizeBwc;
    MosPerfWindow readLatencyBwc;
    MosPerfWindow writeLatencyBwc;
};

inline constexpr uint64_t MOS_DEV_DEFAULT_TEST_JOBS = 32;

struct MosDevLayer {
    MosObjType devType; // type 52
    uint64_t numTestJobs;
};
extern MosDevLayer mosDevLayer_G;

// pParams: a MosDevParams {number of disk test jobs} or null (32). A
// number of 0 becomes 1. Always MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC mosDevLayer_Create(void *pParams);
void mosDevLayer_Destroy();

// Fills the query of the device whose entry is pObj: its raw record, then
// the write-size, write-latency, read-size and read-latency windows, each
// under its lock. Returns the last window's code (MOS_RC__INVALID for a
// window that is off, whose record stays zero).
[[nodiscard]] MOS_RC mosDev_Query(MosObjEntry *pObj, const char *pName, void *pBuf);
// The type's query function: the debug port sends the record whatever the
// code.
void mosDev_SdbgQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
