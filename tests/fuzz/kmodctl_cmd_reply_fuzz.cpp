// The driver commands' reply handling over any record the driver could
// write: the list check, then the printer of what it accepted. Input:
// reply kind (byte 0), a driver failure instead of success (byte 1, bit
// 0), the extended flag (byte 1, bit 1), capacity (byte 2, modulo 8),
// record bytes returned (bytes 3-4, little-endian, at most the record
// size), then the record as the driver left it.
#include "ioctl_interface.h"
#include "kmodctl_list.h"
#include "kmodctl_mdm_cmds.h"
#include "kmodctl_params.h"
#include "kmodctl_stats.h"
#include "kmodctl_targets.h"
#include "kmodctl_trace.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Kind {
    KmodctlListShape shape;
    void (*print)(const uint8_t *pRecord, const KmodctlListShape &shape, uint64_t count,
                  uint32_t extended);
};

void printMdms8(const uint8_t *p, const KmodctlListShape &s, uint64_t n, uint32_t) {
    queryMdms_Print(p + s.headerSize, n, 8);
}
void printMdms16(const uint8_t *p, const KmodctlListShape &s, uint64_t n, uint32_t) {
    queryMdms_Print(p + s.headerSize, n, 16);
}
void printMdmsV130(const uint8_t *p, const KmodctlListShape &s, uint64_t n, uint32_t) {
    queryMdms_PrintV130(p + s.headerSize, n);
}
void printTgts(const uint8_t *p, const KmodctlListShape &s, uint64_t n, uint32_t extended) {
    // More than 8 addresses end the run by design; keep the fuzzer alive.
    for (uint64_t i = 0; i < n; i++) {
        uint32_t numIps;
        memcpy(&numIps, p + s.headerSize + i * s.entrySize + offsetof(QorniTgtInfo, numIps), 4);
        if (numIps > QORNI_TGT_MAX_IPS) {
            return;
        }
    }
    queryTgts_Print(p + s.headerSize, n, extended);
}
void printParams(const uint8_t *p, const KmodctlListShape &s, uint64_t n, uint32_t) {
    queryDynParams_Print(p + s.headerSize, n);
}
void printTrace(const uint8_t *p, const KmodctlListShape &, uint64_t n, uint32_t) {
    printTraceConfiguration(p, n);
}

const Kind kKinds[] = {
    {{"QUERY_MDMS", 12, 8, 4, 232}, printMdms8},
    {{"QUERY_MDMS", 12, 8, 4, 424}, printMdms16},
    {{"QUERY_MDMS_V130", 4, 0, 4, 64}, printMdmsV130},
    {{"IOCTL_BLK__GET_TGT_INFO", 20, 8, 8, 442}, printTgts},
    {{"QUERY_ALL_DYN_PARAMS", 16, 8, 8, 76}, printParams},
    {{"QUERY_TRACE_FREQUENCY", 81, 8, 8, 48}, printTrace},
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    (void)!freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 5) {
        return 0;
    }
    size_t kindCount = sizeof(kKinds) / sizeof(kKinds[0]);
    if (pData[0] == kindCount) { // the performance record, fixed size
        std::vector<uint8_t> record(sizeof(MosPerfStack_Query), 0);
        memcpy(record.data(), pData + 5, size - 5 < record.size() ? size - 5 : record.size());
        MosPerfStack_Query perf;
        memcpy(&perf, record.data(), sizeof(perf));
        (void)queryPerf_Print(perf);
        return 0;
    }
    const Kind &kind = kKinds[pData[0] % kindCount];
    MOS_RC rc = (pData[1] & 1) != 0 ? MOS_RC__SDC_IOCTL_ERROR : MOS_RC__SUCCESS;
    uint32_t extended = (pData[1] >> 1) & 1;
    uint64_t capacity = pData[2] % 8;
    std::vector<uint8_t> record(kind.shape.headerSize + capacity * kind.shape.entrySize, 0);
    size_t returned = static_cast<size_t>(pData[3] | (pData[4] << 8));
    returned = returned < record.size() ? returned : record.size();
    memcpy(record.data(), pData + 5, size - 5 < record.size() ? size - 5 : record.size());
    uint64_t count = 0;
    uint64_t growTo = 0;
    MOS_RC result =
        kmodctlList_CheckReply(kind.shape, rc, record.data(), returned, capacity, &count, &growTo);
    if (result == MOS_RC__SUCCESS && growTo == 0) {
        if (count > capacity) {
            __builtin_trap(); // accepted more entries than the record holds
        }
        kind.print(record.data(), kind.shape, count, extended);
    } else if (result == MOS_RC__SUCCESS && growTo <= capacity) {
        __builtin_trap(); // asks again only for a larger capacity
    }
    return 0;
}
