// Diagnostic counters and performance statistics.
#include "kmodctl_stats.h"

#include "ioctl_interface.h"
#include "kmodctl_list.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint64_t kDiagStartCapacity = MOS_DIAG_COUNTER__LAST;
constexpr uint32_t kDiagMaxQueries = 9;
constexpr const char *kPerfFunc = "queryPerfV200";

constexpr size_t kDiagCountOffset =
    offsetof(QorniDiagCountersHeader, query) + offsetof(MosDiagCountersQuery, count);

// The query as the tool fills it: only-exceeded unless extended, every
// component, entries at offset 32 of the tool's own buffer.
void fillDiagQuery(uint8_t *pRecord, const void *pContext) {
    uint32_t bOnlyExceeded = *static_cast<const uint32_t *>(pContext) != 0 ? 0 : 1;
    uint8_t *pQuery = pRecord + offsetof(QorniDiagCountersHeader, query);
    memcpy(pQuery + offsetof(MosDiagCountersQuery, bOnlyExceeded), &bOnlyExceeded,
           sizeof(bOnlyExceeded));
    void *pEntries = pRecord + sizeof(QorniDiagCountersHeader);
    memcpy(pQuery + offsetof(MosDiagCountersQuery, pEntries), &pEntries, sizeof(pEntries));
}

MOS_RC sendHeaderOnly(uint32_t code, const char *pRequestName) {
    QorniCmdRecordHeader record = {};
    return qorniIntf_SendIoctl(code, &record, sizeof(record), pRequestName);
}

void printStats(const char *pPrefix, const MosPerfStatsQuery &s) {
    uint64_t avg = s.samples != 0 ? s.total / s.samples : 0;
    qorniIntf_Report(
        false, kPerfFunc, __LINE__,
        "%savg %llu, sampleNum %llu, max %llu, total %llu, overflows %llu, totalPow2 "
        "%llu\n",
        pPrefix, static_cast<unsigned long long>(avg), static_cast<unsigned long long>(s.samples),
        static_cast<unsigned long long>(s.max), static_cast<unsigned long long>(s.total),
        static_cast<unsigned long long>(s.overflows),
        static_cast<unsigned long long>(s.sumSquares));
}

// A stage after its first line.
void printStageBody(const MosPerfStageQuery &stage) {
    qorniIntf_Report(false, kPerfFunc, __LINE__, "min %llu, max %llu, %llu valid sample\n",
                     static_cast<unsigned long long>(stage.Histogram.minSample),
                     static_cast<unsigned long long>(stage.Histogram.maxSample),
                     static_cast<unsigned long long>(stage.Histogram.samples));
    printStats("", stage.Statistics);
}

} // namespace

MOS_RC queryDiagCountersV200(uint32_t extended) {
    const KmodctlListQuery query = {
        .shape = {"QUERY_DIAG_COUNTERS", sizeof(QorniDiagCountersHeader), kDiagCountOffset,
                  sizeof(uint32_t), sizeof(MosDiagCounterExtEntry)},
        .code = QORNI_CODE__QUERY_DIAG_COUNTERS,
        .startCapacity = kDiagStartCapacity,
        .maxQueries = kDiagMaxQueries,
        .pFill = fillDiagQuery,
        .pContext = &extended,
    };
    KmodctlList list;
    MOS_RC rc = kmodctlList_Run(query, &list);
    if (list.bNoMemory) {
        QORNI_REPORT_ERROR("Failed allocating %d bytes for sending QUERY_DIAG_COUNTERS ioctl\n",
                           static_cast<int>(sizeof(QorniDiagCountersHeader) +
                                            list.capacity * sizeof(MosDiagCounterExtEntry)));
        return MOS_RC__ERROR;
    }
    if (list.bTooManyQueries) {
        QORNI_REPORT_ERROR("Error allocating memory for sending QUERY_DIAG_COUNTERS ioctl\n");
        return MOS_RC__ERROR;
    }
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    // The reply overwrote the entry pointer: point it at this buffer again.
    MosDiagCountersQuery counters;
    memcpy(&counters, list.pRecord + offsetof(QorniDiagCountersHeader, query), sizeof(counters));
    counters.count = static_cast<uint32_t>(list.count);
    counters.pEntries = list.pRecord + sizeof(QorniDiagCountersHeader);
    mosDiagCounters_PrintQuery(&counters, "DIAGNOSTIC COUNTERS", "\t", false);
    return MOS_RC__SUCCESS;
}

MOS_RC resetDiagCountersV200() {
    MOS_RC rc = sendHeaderOnly(QORNI_CODE__RESET_DIAG_COUNTERS, "IOCTL__RESET_DIAG_COUNTERS");
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Diagnostics counters were successfully reset\n");
    }
    return rc;
}

MOS_RC queryPerf_Print(const MosPerfStack_Query &perf) {
    if (perf.numStages > MOS_PERF_MAX_STAGES) {
        QORNI_REPORT_ERROR(
            "Error: QUERY_PERF reports %u stages, more than the %u its record holds\n",
            perf.numStages, MOS_PERF_MAX_STAGES);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    const char kRule[] = "==============================================\n";
    const char kStageRule[] = "-----------------------------------------\n";
    qorniIntf_Report(false, kPerfFunc, __LINE__, "%s", kRule);
    qorniIntf_Report(false, kPerfFunc, __LINE__, "contextDescription %.*s, numStages %d\n",
                     static_cast<int>(sizeof(perf.contextDescription)), perf.contextDescription,
                     static_cast<int>(perf.numStages));
    printStats("ctxSwitchStat: ", perf.ctxSwitchStat);
    for (uint32_t i = 0; i < perf.numStages; i++) {
        const MosPerfStageQuery &stage = perf.stages[i];
        qorniIntf_Report(false, kPerfFunc, __LINE__, "%s", kStageRule);
        qorniIntf_Report(false, kPerfFunc, __LINE__,
                         "%d. %.*s. %llu Sample started, %llu sample finished\n",
                         static_cast<int>(i), static_cast<int>(sizeof(stage.stageName)),
                         stage.stageName, static_cast<unsigned long long>(stage.samplesStarted),
                         static_cast<unsigned long long>(stage.samplesFinished));
        printStageBody(stage);
    }
    qorniIntf_Report(false, kPerfFunc, __LINE__, "%s", kStageRule);
    const MosPerfStageQuery &total = perf.totalStage;
    qorniIntf_Report(false, kPerfFunc, __LINE__,
                     "Total: %.*s. %llu Sample started, %llu sample finished\n",
                     static_cast<int>(sizeof(total.stageName)), total.stageName,
                     static_cast<unsigned long long>(total.samplesStarted),
                     static_cast<unsigned long long>(total.samplesFinished));
    printStageBody(total);
    qorniIntf_Report(false, kPerfFunc, __LINE__, "%s", kRule);
    return MOS_RC__SUCCESS;
}

MOS_RC queryPerfV200(uint32_t /*unused*/) {
    // 22 KB: on the heap, not the stack.
    auto pRecord = std::make_unique<QorniPerfRecord>();
    memset(pRecord.get(), 0, sizeof(*pRecord));
    size_t returned = 0;
    MOS_RC rc = qorniIntf_SendIoctlEx(QORNI_CODE__QUERY_PERF, pRecord.get(), sizeof(*pRecord),
                                      "QUERY_PERF", &returned);
    if (rc == MOS_RC__SUCCESS) {
        rc = kmodctl_RequireReply("QUERY_PERF", returned, sizeof(*pRecord));
    }
    if (rc != MOS_RC__SUCCESS) {
        const char *pName = mos_RcName(rc);
        qorniIntf_Report(false, kPerfFunc, __LINE__,
                         "Failed to query SDC for performance, Status %s(%d)\n",
                         pName[0] != '\0' ? pName : "MOS_RC__UNKNOWN", static_cast<int>(rc));
        return rc;
    }
    return queryPerf_Print(pRecord->perf);
}

MOS_RC resetPerfV200() {
    MOS_RC rc = sendHeaderOnly(QORNI_CODE__RESET_PERF, "IOCTL__RESET_PERF");
    if (rc == MOS_RC__SUCCESS) {
        QORNI_REPORT_INFO("Performance statistics were successfully reset\n");
    }
    return rc;
}
