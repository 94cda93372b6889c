// Diagnostic counters and performance statistics of kmodctl: the driver's
// runtime-library counters and its I/O-path performance stack, shown and
// reset.
#pragma once

#include "mos_diag_counters.h"
#include "mos_perf.h"
#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// QUERY_DIAG_COUNTERS: this header, then capacity MosDiagCounterExtEntry.
struct QorniDiagCountersHeader {
    QorniCmdRecordHeader hdr;
    MosDiagCountersQuery query; // count in: capacity; out: the driver's count
};
static_assert(sizeof(QorniDiagCountersHeader) == 32);
static_assert(offsetof(QorniDiagCountersHeader, query) == 8);

// QUERY_PERF.
struct QorniPerfRecord {
    QorniCmdRecordHeader hdr;
    MosPerfStack_Query perf;
};
static_assert(sizeof(QorniPerfRecord) == 22120);

#pragma pack(pop)

// QUERY_DIAG_COUNTERS at v2.00: the counters above their threshold, or
// with extended all of them. Never ends the run.
[[nodiscard]] MOS_RC queryDiagCountersV200(uint32_t extended);
// RESET_DIAG_COUNTERS at v2.00.
[[nodiscard]] MOS_RC resetDiagCountersV200();

// QUERY_PERF at v2.00 (the argument is ignored); RESET_PERF at v2.00.
[[nodiscard]] MOS_RC queryPerfV200(uint32_t unused);
[[nodiscard]] MOS_RC resetPerfV200();

// Prints a checked performance reply. A stage count beyond the 22 stage
// records is refused (reported; MOS_RC__SDC_IOCTL_ERROR, nothing printed).
[[nodiscard]] MOS_RC queryPerf_Print(const MosPerfStack_Query &perf);
