// Views of the runtime library's own objects: threads, CPU, lock
// statistics, timer queues and sets, hashes, asynchronous I/O, memory
// pools, user-mode-thread schedulers, remote-syslog writers, blocking
// pools, dynamic arrays and dynamic memory pools.

#include "sdbg_view_catalog.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kOsThrdLayerRows[] = {
    SDBG_ROW(1, MosOsThrdLayer_Query, yielders, "#UMT-yielders:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, readWaiters, " #UMT-read-waiters:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, writeWaiters, " #UMT-write-waiters:", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, eventWaiters, " #UMT-event-waiters:", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, condWaiters, " #UMT-cond-waiters:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, mallocs, " #malloc:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrdLayer_Query, pendingTimedActions, " #pending-timed-actions:", LLU,
             SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kCpuLayerRows[] = {
    SDBG_ROW(1, MosCpuLayer_Query, processorInfoAndFeatureBits.eax, "Page 1:(EAX):", U, SDBG_VALUE),
    SDBG_ROW(2, MosCpuLayer_Query, processorInfoAndFeatureBits.ebx, "Page 1:(EBX):", U, SDBG_VALUE),
    SDBG_ROW(3, MosCpuLayer_Query, processorInfoAndFeatureBits.ecx, "Page 1:(ECX):", U, SDBG_VALUE),
    SDBG_ROW(4, MosCpuLayer_Query, processorInfoAndFeatureBits.edx, "Page 1:(EDX):", U, SDBG_VALUE),
    SDBG_ROW(5, MosCpuLayer_Query, bIsAvailPCLMULQDQ, "IsAvailPCLMULQDQ:", D, SDBG_VALUE),
    SDBG_ROW(6, MosCpuLayer_Query, bIsAvailSSE42, "IsAvailSSE4.2:", D, SDBG_VALUE),
    SDBG_ROW(7, MosCpuLayer_Query, bIsAvailAES, "bIsAvailAES:", D, SDBG_VALUE),
    SDBG_ROW(8, MosCpuLayer_Query, bIsAvailAVX, "bIsAvailAVX:", D, SDBG_VALUE),
    SDBG_ROW(9, MosCpuLayer_Query, bIsAvailHypervisor, "bIsAvailHypervisor:", D, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kOsThrdRows[] = {
    SDBG_ROW(1, MosOsThrd_Query, tid, "TID:", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(1, MosOsThrd_Query, numLocksAcquires, " #Acquired-locks:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrd_Query, numLocksContentions, " #lock-contention:", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOsThrd_Query, numMallocs, " #malloc-free:", LLD, SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kLockStatsMgrRows[] = {
    SDBG_ROW(1, _MosLockStatsManager_Query, numOfInstrumentedLocks, "Instrumented locks: ", U,
             SDBG_HIGHLIGHT),
};

void PrintBtSymbols(Sdbg_LogicalView &view, const MosLockStatsAvgMax_Query &rec) {
    uint64_t count =
        rec.numBtSymbols < MOS_LOCK_STATS_BT_SYMBOLS ? rec.numBtSymbols : MOS_LOCK_STATS_BT_SYMBOLS;
    for (uint64_t i = 0; i < count; ++i) {
        view.PrintStr("  ", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        Sdbg_PrintText(view, rec.btSymArr[i], sizeof(rec.btSymArr[i]), SDBG_COLOR_KEEP,
                       SDBG_COLOR_KEEP);
        view.NewLine();
    }
    // A full array says there may be more than it could hold.
    if (rec.numBtSymbols >= MOS_LOCK_STATS_BT_SYMBOLS) {
        view.PrintStr("..more..", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        view.NewLine();
    }
}

// One lock distribution: its values line, then its back-trace symbols
// (bounded by the array's 24 entries, whatever the count says).
void PrintMosLockStatsAvgMax_Query(Sdbg_LogicalView &view, const MosLockStatsAvgMax_Query &rec) {
    view.PrintStr("Average: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PrintUInt64(rec.avgCount, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_KEEP);
    view.PrintStr(" Max: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PrintUInt64(rec.maxCount, rec.maxCount != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE,
                     SDBG_COLOR_KEEP);
    view.PrintStr(" Overflows: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PrintUInt64(rec.overflows, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_KEEP);
    view.NewLine();
    PrintBtSymbols(view, rec);
}

void PrintXmlNumber(Sdbg_LogicalView &view, const char *pName, uint64_t value, int32_t fg) {
    Sdbg_PrintOpenTag(view, 3, pName);
    view.PrintUInt64(value, fg, SDBG_COLOR_KEEP);
    Sdbg_PrintCloseTag(view, pName);
}

void PrintMosLockStatsAvgMax_Query_xml(Sdbg_LogicalView &view,
                                       const MosLockStatsAvgMax_Query &rec) {
    view.NewLine();
    view.PutTabs(2);
    view.PrintStr("<MosLockStatsAvgMax_Query>", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    PrintXmlNumber(view, "avgCount", rec.avgCount, SDBG_COLOR_HIGHLIGHT);
    PrintXmlNumber(view, "maxCount", rec.maxCount,
                   rec.maxCount != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE);
    PrintXmlNumber(view, "overflows", rec.overflows, SDBG_COLOR_HIGHLIGHT);
    Sdbg_PrintOpenTag(view, 3, "btSymArr");
    PrintBtSymbols(view, rec);
    Sdbg_PrintCloseTag(view, "btSymArr");
    view.NewLine();
    view.PutTabs(2);
    view.PrintStr("</MosLockStatsAvgMax_Query>", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
}

void LockAvgMaxHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    MosLockStatsAvgMax_Query rec;
    std::memcpy(&rec, pWire + row.offset, sizeof(rec));
    if (bXml) {
        view.PrintStr(row.pLabel, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        PrintMosLockStatsAvgMax_Query_xml(view, rec);
        return;
    }
    PrintMosLockStatsAvgMax_Query(view, rec);
    view.NewLine();
}

constexpr Sdbg_ViewRow kLockStatsRows[] = {
    SDBG_ROW(1, _MosLockStats_Query, typeName, "Type: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _MosLockStats_Query, fileName, " Creating file: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _MosLockStats_Query, funcName, " Creating func: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _MosLockStats_Query, lineNum, " Line number: ", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosLockStats_Query, numInstances, "Instances: ", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosLockStats_Query, numAcquired, " Acquisitions: ", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosLockStats_Query, numBlocked, " Acquisitions blocked: ", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(2, _MosLockStats_Query, blockedPromil, " Acquisitions blocked promil: ", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_HOOK_ROW(3, _MosLockStats_Query, waitTimeNanos, "Wait time (nanos):  ", LockAvgMaxHook),
    SDBG_HOOK_ROW(3, _MosLockStats_Query, holdTimeNanos, "Hold time (nanos):  ", LockAvgMaxHook),
    SDBG_HOOK_ROW(3, _MosLockStats_Query, locksHeldOnAcquire,
                  "Locks held on acquire:  ", LockAvgMaxHook),
    SDBG_HOOK_ROW(3, _MosLockStats_Query, waitersOnRelease,
                  "Waiters on release:  ", LockAvgMaxHook),
};

constexpr Sdbg_ViewRow kTimerQRows[] = {
    SDBG_ROW(1, MosTimerQ_Query, name, "Q name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, MosTimerQ_Query, ticks, " ticks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, millis, " millis:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, numWaiters, " #waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, reqCount, " #Requests:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, numExpirations, " #Expirations:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, numAborts, " #Aborts:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQ_Query, ticksToExpiration, " #ticks-to-expire:", LLD, SDBG_VALUE),
    SDBG_ROW(1, MosTimerQ_Query, maxDiffTicks, " max-diff:", LLU, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kTimerQUnread[] = {SDBG_UNREAD(MosTimerQ_Query, reserved)};

constexpr Sdbg_ViewRow kTimerQSetRows[] = {
    SDBG_ROW(1, MosTimerQSet_Query, name, "Q set name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, MosTimerQSet_Query, ticks, " ticks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, millis, " millis:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, numWaiters, " #Totalwaiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, reqCount, " #TotalRequests:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, numExpirations, " #TotalExpirations:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, numAborts, " #TotalAborts:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosTimerQSet_Query, maxDiffTicks, " total-max-diff:", LLU, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kTimerQSetUnread[] = {SDBG_UNREAD(MosTimerQSet_Query, reserved)};

constexpr Sdbg_ViewRow kHashRows[] = {
    SDBG_ROW(1, MosHash_Query, hashName, "Hash name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, MosHash_Query, numOfRecordsInHash, " Total records:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosHash_Query, numOfBucketsInHash, " Total buckets:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosHash_Query, numOfEmptyBuckets, " Empty buckets:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MosHash_Query, mostLoadedIndex, " Bucket most loaded:", U, SDBG_VALUE),
    SDBG_ROW(2, MosHash_Query, mostLoadedCount, " Max record in bucket:", U, SDBG_VALUE),
    SDBG_ROW(2, MosHash_Query, leastLoadedIndex, " Bucket least loaded:", U, SDBG_VALUE),
    SDBG_ROW(2, MosHash_Query, leastLoadedCount, " Min record in bucket:", U, SDBG_VALUE),
    SDBG_ROW(2, MosHash_Query, bEnumActive, " In-Enum:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MosHash_Query, bEnumEnd, " EnumEnd:", D, SDBG_ZERO_ALERT),
};

constexpr Sdbg_ViewRow kAsyncIORows[] = {
    SDBG_ROW(1, MosAsyncIO_Query, inflights, "inflights:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosAsyncIO_Query, maxInflights, " Max-Inflights:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosAsyncIO_Query, waiters, " Waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosAsyncIO_Query, krnLowRsrc, " KRN-LOW_RSRC:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosAsyncIO_Query, thrdNum, " thrd-num:", U, SDBG_VALUE),
    SDBG_ROW(1, MosAsyncIO_Query, bDie, " Dying:", D, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kMemPoolRows[] = {
    SDBG_ROW(1, MosMemPool_Query, name, "name:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosMemPool_Query, objSize, " obj-size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, bGuardPage, " Guard-page:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, waiters, " Waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, objNum, " #total-obj:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, objFree, " #free-obj:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, objAcquired, " #used-obj:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, numTimesExhausted, " #times-exhausted:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosMemPool_Query, millisSinceLastExhausted, " millis-since-last-exhaust:", LLU,
             SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kMemPoolUnread[] = {SDBG_UNREAD(MosMemPool_Query, reserved)};

constexpr Sdbg_ViewRow kAsyncIOFileRows[] = {
    SDBG_ROW(1, MosAsyncIOFile_Query, fd, "fd:", U, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosAsyncIOFile_Query, inflights, " inflights:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosAsyncIOFile_Query, maxInflights, " Max-Inflights:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosAsyncIOFile_Query, waiters, " Waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosAsyncIOFile_Query, maxIoSizeBytes, " MaxIoSizeBytes:", U, SDBG_ZERO_ALERT),
};

constexpr Sdbg_ViewRow kUmtSchedThrdRows[] = {
    SDBG_ROW(1, MosUmtSchedThrd_Query, name, "name:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosUmtSchedThrd_Query, schedPolicy, " sched-policy:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosUmtSchedThrd_Query, numThrds, " #threads:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosUmtSchedThrd_Query, numActiveThrds, " #active-thrds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosUmtSchedThrd_Query, maxActive, " #max-waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosUmtSchedThrd_Query, minActive, " #min-waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MosUmtSchedThrd_Query, remoteWaiters, " #remote-waits:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MosUmtSchedThrd_Query, localWaiters, " #local-waits:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MosUmtSchedThrd_Query, remoteScheds, " #remote-scheds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MosUmtSchedThrd_Query, localSched, " #local-scheds:", U, SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kRSyslogWriterRows[] = {
    SDBG_ROW(1, _MosRSyslogWriterQuery, bQueueActive, "bQueueActive:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, bQueueInflated, " bQueueInflated:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, overflows, " overflows:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, queueLen, " queueLen:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, numOfEnqueued, " numOfEnqueued:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, hostName, " hostName:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, _MosRSyslogWriterQuery, resolvedHostName, " resolvedHostName:", Str,
             SDBG_PAIR(4, -1)),
    SDBG_ROW(1, _MosRSyslogWriterQuery, port, " port:", D, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, _MosRSyslogWriterQuery, socket, " socket:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, pWriter, " pWriter:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, state, " state:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, _MosRSyslogWriterQuery, facility, " facility:", D, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, _MosRSyslogWriterQuery, bSignaled, " bSignaled:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosRSyslogWriterQuery, bAttachEventCode, " bAttachEventCode:", D,
             SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kRSyslogWriterUnread[] = {
    SDBG_UNREAD(_MosRSyslogWriterQuery, reserved1),
    SDBG_UNREAD(_MosRSyslogWriterQuery, reserved2),
    SDBG_UNREAD(_MosRSyslogWriterQuery, reserved3),
};

constexpr Sdbg_ViewRow kBlockingRows[] = {
    SDBG_ROW(1, MosBlocking_Query, name, "name:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosBlocking_Query, numBlockingThreads, " num-threads:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosBlocking_Query, waiters, " Waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosBlocking_Query, numRunningThreads, " num-running-threads:", U, SDBG_ZERO_ALERT),
};

constexpr Sdbg_ViewRow kDynamicArrayRows[] = {
    SDBG_ROW(1, MosDynamic_Array__Query, name, "name:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosDynamic_Array__Query, arraySize, " array size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamic_Array__Query, blockSizeInBytes, " block size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamic_Array__Query, allocationSize, " allocation size:", U, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kDynamicArrayUnread[] = {SDBG_UNREAD(MosDynamic_Array__Query, reserved)};

constexpr Sdbg_ViewRow kDynamicMemPoolRows[] = {
    SDBG_ROW(1, MosDynamicMemPool_Query, name, "name:", Str, SDBG_PAIR(4, -1)),
    SDBG_ROW(1, MosDynamicMemPool_Query, unitSize, " unit size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, alignedUnitSize, " aligned unit size:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, numUnitsInBlock, " num units in block:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, numBlocks, " num allocated blocks:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, allocedNumBlocks, " max alloc'd number of blocks:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, allowedNumBlocks, " allowed number of blocks:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, minNumBlocks, " min number of blocks:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosDynamicMemPool_Query, waiters, " num of waiters:", U, SDBG_ZERO_ALERT),
};

} // namespace

SDBG_DEFINE_VIEW(kOsThrdLayerView, MosOsThrdLayer_Query, kOsThrdLayerRows, 0);
SDBG_DEFINE_VIEW(kCpuLayerView, MosCpuLayer_Query, kCpuLayerRows, 0);
SDBG_DEFINE_VIEW(kOsThrdView, MosOsThrd_Query, kOsThrdRows, 0);
SDBG_DEFINE_VIEW(kLockStatsMgrView, _MosLockStatsManager_Query, kLockStatsMgrRows, 0);
SDBG_DEFINE_VIEW(kLockStatsView, _MosLockStats_Query, kLockStatsRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTimerQView, MosTimerQ_Query, kTimerQRows, kTimerQUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kTimerQSetView, MosTimerQSet_Query, kTimerQSetRows, kTimerQSetUnread, 0);
SDBG_DEFINE_VIEW(kHashView, MosHash_Query, kHashRows, 0);
SDBG_DEFINE_VIEW(kAsyncIOView, MosAsyncIO_Query, kAsyncIORows, 0);
SDBG_DEFINE_VIEW_GAPS(kMemPoolView, MosMemPool_Query, kMemPoolRows, kMemPoolUnread, 0);
SDBG_DEFINE_VIEW(kAsyncIOFileView, MosAsyncIOFile_Query, kAsyncIOFileRows, 0);
SDBG_DEFINE_VIEW(kUmtSchedThrdView, MosUmtSchedThrd_Query, kUmtSchedThrdRows, 0);
SDBG_DEFINE_VIEW_GAPS(kRSyslogWriterView, _MosRSyslogWriterQuery, kRSyslogWriterRows,
                      kRSyslogWriterUnread, 0);
SDBG_DEFINE_VIEW(kBlockingView, MosBlocking_Query, kBlockingRows, 0);
SDBG_DEFINE_VIEW_GAPS(kDynamicArrayView, MosDynamic_Array__Query, kDynamicArrayRows,
                      kDynamicArrayUnread, 0);
SDBG_DEFINE_VIEW(kDynamicMemPoolView, MosDynamicMemPool_Query, kDynamicMemPoolRows, 0);
