// Trace-frequency commands.
#include "kmodctl_trace.h"

#include "ioctl_interface.h"
#include "kmodctl_args.h"
#include "kmodctl_frontend.h"
#include "kmodctl_handlers.h"
#include "kmodctl_list.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kStartCapacity = 115;
constexpr uint32_t kMaxQueries = 9;
constexpr char kRule[] =
    "==========================================================================";
static_assert(sizeof(kRule) - 1 == 74);

MOS_RC sendSetRecord(QorniSetTraceFreqRecord *pRecord) {
    return qorniIntf_SendIoctl(QORNI_CODE__SET_TRACE_FREQUENCY, pRecord, sizeof(*pRecord),
                               "IOCTL__SET_TRACE_FREQUENCY");
}

// A table row; the fields may lack a terminating zero, so at most the
// field is printed. Standard output only.
void printRow(const char *pLeft, int leftSize, const char *pRight, int rightSize) {
    printf("\n| %-28.*s| %-41.*s|", leftSize, pLeft, rightSize, pRight);
}

} // namespace

MOS_RC setTraceFreqMapV200(const char *pMap) {
    QorniSetTraceFreqRecord record = {};
    record.mode = QORNI_TRACE_FREQ__MAP;
    kmodctl_CopyTextField(record.freqMap, sizeof(record.freqMap), pMap);
    return sendSetRecord(&record);
}

MOS_RC setAllTraceFreqV200(const char *pFreq) {
    QorniSetTraceFreqRecord record = {};
    record.mode = QORNI_TRACE_FREQ__ALL;
    kmodctl_CopyTextField(record.freq, sizeof(record.freq), pFreq);
    return sendSetRecord(&record);
}

MOS_RC setTraceFreqV200(const char *pComponent, const char *pFreq) {
    QorniSetTraceFreqRecord record = {};
    record.mode = QORNI_TRACE_FREQ__ONE;
    kmodctl_CopyTextField(record.component, sizeof(record.component), pComponent);
    kmodctl_CopyTextField(record.freq, sizeof(record.freq), pFreq);
    MOS_RC rc = sendSetRecord(&record);
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Trace frequency were successfully set\n");
    }
    return rc;
}

MOS_RC setAllTraceComponentsFreq(const char *pFreq) {
    MOS_RC rc = kmodctl_CallHandler<QORNI_CMD__SET_ALL_TRACE_FREQ>(pFreq);
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Trace frequency were successfully set\n");
    }
    return rc;
}

void printTraceConfiguration(const uint8_t *pRecord, uint64_t count) {
    QorniTraceFreqListHeader hdr;
    memcpy(&hdr, pRecord, sizeof(hdr));
    QORNI_REPORT_INFO("Trace Configuration:\n");
    QORNI_REPORT_INFO("%s\n", kRule);
    QORNI_REPORT_INFO(
        "| Component                   | Frequency                                |\n");
    QORNI_REPORT_INFO("%s", kRule);
    for (uint64_t i = 0; i < count; i++) {
        QorniTraceCompFreq entry;
        memcpy(&entry, pRecord + sizeof(hdr) + i * sizeof(entry), sizeof(entry));
        printRow(entry.component, sizeof(entry.component), entry.freq, sizeof(entry.freq));
    }
    QORNI_REPORT_INFO("\n%s\n", kRule);
    printRow("Configuration map:", sizeof("Configuration map:"), hdr.freqMap, sizeof(hdr.freqMap));
    QORNI_REPORT_INFO("\n%s\n", kRule);
}

MOS_RC queryTraceFreqV200() {
    const KmodctlListQuery query = {
        .shape = {"QUERY_TRACE_FREQUENCY", sizeof(QorniTraceFreqListHeader),
                  offsetof(QorniTraceFreqListHeader, numComponents), sizeof(uint64_t),
                  sizeof(QorniTraceCompFreq)},
        .code = QORNI_CODE__QUERY_TRACE_FREQUENCY,
        .startCapacity = kStartCapacity,
        .maxQueries = kMaxQueries,
    };
    KmodctlList list;
    MOS_RC rc = kmodctlList_Run(query, &list);
    if (list.bNoMemory || list.bTooManyQueries) {
        // Reported on standard output and the trace, not as an error line.
        QORNI_REPORT_INFO("Failed to query the trace frequencies: no room for %llu components\n",
                          static_cast<unsigned long long>(list.capacity));
        return MOS_RC__ERROR;
    }
    if (rc == MOS_RC__SUCCESS) {
        printTraceConfiguration(list.pRecord, list.count);
    }
    return rc;
}
