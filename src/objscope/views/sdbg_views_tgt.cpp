// Views of the data server's devices, device files and I/O handler.
//
// Hooks that write line breaks of their own (histograms, sections, the I/O
// class counters) leave the renderer's line count behind the screen: the
// rows after such a hook carry the renderer's line, and the screen line is
// noted beside them.

#include "sdbg_views_tgt_hooks.h"

#include <cstring>

using namespace sdbg_wire;
using namespace sdbg_tgt;

namespace {

// ---- I/O handler ----

struct HistogramShape {
    const char *pTitle;   // text title
    const char *pXml;     // element of the whole histogram
    const char *pUnit;    // text unit after each bound
    const char *pXmlUnit; // bucket element: unit and bound
    uint32_t firstBound;  // bound of bucket 0; each next one doubles
    uint32_t buckets;
};

constexpr HistogramShape kIoCountShape{"Io Count:", "ioCount", "KB ", "KB", 4, kIohSizeBuckets};
constexpr HistogramShape kReadLatencyShape{"Read Io Latency:", "ioLatRead", "usec ", "usec", 64,
                                           kIohLatencyBuckets};
constexpr HistogramShape kWriteLatencyShape{"Write Io Latency:", "ioLatWrite", "usec ", "usec", 64,
                                            kIohLatencyBuckets};
constexpr HistogramShape kLatencyPercentShape{
    "Io Latency Percent:", "ioLatPercent", "% ", "percent", 64, kIohLatencyBuckets};
constexpr HistogramShape kReadCacheLatencyShape{
    "Read Cache Latency:", "ioLatReadCache", "usec ", "usec", 64, kIohLatencyBuckets};

// Text: the title, then three buckets to a line, then an empty line.
void PrintHistogramText(Sdbg_LogicalView &view, const HistogramShape &shape,
                        const uint32_t *pCounts) {
    view.PrintStr(shape.pTitle, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    for (uint32_t i = 0; i < shape.buckets; ++i) {
        if (i % 3 == 0) {
            view.NewLine();
        }
        char bucket[48];
        mos_Snprintf(bucket, sizeof(bucket), "  %u%s", shape.firstBound << i, shape.pUnit);
        view.PrintStr(bucket, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintUInt(pCounts[i], SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    }
    view.NewLine();
    view.NewLine();
}

// XML: one container element, one element per bucket named by unit and bound.
void PrintHistogramXml(Sdbg_LogicalView &view, const HistogramShape &shape,
                       const uint32_t *pCounts) {
    Sdbg_PrintOpenTag(view, 2, shape.pXml);
    view.NewLine();
    for (uint32_t i = 0; i < shape.buckets; ++i) {
        char tag[48];
        view.PutTabs(3);
        mos_Snprintf(tag, sizeof(tag), "<%s%u>", shape.pXmlUnit, shape.firstBound << i);
        view.PrintStr(tag, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintUInt(pCounts[i], SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        mos_Snprintf(tag, sizeof(tag), "</%s%u>", shape.pXmlUnit, shape.firstBound << i);
        view.PrintStr(tag, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.NewLine();
    }
    view.PutTabs(2);
    Sdbg_PrintCloseTag(view, shape.pXml);
}

void PrintHistogram(Sdbg_LogicalView &view, const HistogramShape &shape, const uint32_t *pCounts,
                    bool bXml) {
    if (bXml) {
        PrintHistogramXml(view, shape, pCounts);
    } else {
        PrintHistogramText(view, shape, pCounts);
    }
}

template <const HistogramShape &kShape>
void HistogramHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    static_assert(kShape.buckets <= kIohLatencyBuckets);
    uint32_t counts[kIohLatencyBuckets] = {};
    std::memcpy(counts, pWire + row.offset, kShape.buckets * sizeof(counts[0]));
    PrintHistogram(view, kShape, counts, bXml);
}

// A latency bucket as a share of all reads. The bucket and the read
// counters are kept apart on the server, so a bucket may exceed their sum:
// the share is held to what a u32 holds rather than converted out of range.
uint32_t LatencyPercent(uint32_t bucketCount, uint32_t readCount) {
    if (readCount == 0) {
        return 0;
    }
    double percent = static_cast<double>(bucketCount) / readCount * 100.0;
    return percent >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(percent);
}

// The read-cache latency follows the read latency's percentages, which
// no field of the record holds.
void ReadCacheLatencyHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                          bool bXml) {
    _IohQuery ioh;
    std::memcpy(&ioh, pWire, sizeof(ioh));
    uint32_t readCount = ioh.readCountPri + ioh.readCountSec;
    uint32_t percents[kIohLatencyBuckets];
    for (uint32_t i = 0; i < kIohLatencyBuckets; ++i) {
        percents[i] = LatencyPercent(ioh.ioLatRead[i], readCount);
    }
    PrintHistogram(view, kLatencyPercentShape, percents, bXml);
    HistogramHook<kReadCacheLatencyShape>(view, pWire, row, bXml);
}

void PrintTotalInMb(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    view.PrintUInt(ReadWire<uint32_t>(pWire, row.offset) >> 11, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    view.PrintStr("MB", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
}

constexpr Sdbg_ViewRow kIohRows[] = {
    SDBG_ROW(1, _IohQuery, smallIosCount, " Small Ios:", U, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(1, _IohQuery, totalInLbs, " Total:", ElementHook<PrintTotalInMb>),
    SDBG_ROW(2, _IohQuery, writeCountPri, " Primary Writes:", U, SDBG_VALUE),
    SDBG_ROW(2, _IohQuery, writeZeroCountPri, " Primary Zero Writes:", U, SDBG_VALUE),
    SDBG_ROW(2, _IohQuery, writeTestAndSetCountPri, " Primary TestAndSet Writes:", U, SDBG_VALUE),
    SDBG_ROW(2, _IohQuery, trimCountPri, " Primary Trim Writes:", U, SDBG_VALUE),
    SDBG_ROW(2, _IohQuery, readCountPri, " Primary Reads:", U, SDBG_VALUE),
    SDBG_ROW(3, _IohQuery, volMigrateWriPriDst, " Volume Migrate Writes:", U, SDBG_VALUE),
    SDBG_ROW(3, _IohQuery, writePriDstDurinVolMigrate, " Primary Dst Writes:", U, SDBG_VALUE),
    SDBG_ROW(3, _IohQuery, writeZeroPriDstDurinVolMigrate, " Primary Dst Write Zero:", U,
             SDBG_VALUE),
    SDBG_ROW(3, _IohQuery, trimPriDstDurinVolMigrate, " Primary Dst Trim:", U, SDBG_VALUE),
    SDBG_ROW(4, _IohQuery, volMigrateWriPriDstSpef, " Volume Migrate Writes SPEF:", U, SDBG_VALUE),
    SDBG_ROW(4, _IohQuery, writePriDstDurinVolMigrateSpef, " Primary Dst Writes SPEF:", U,
             SDBG_VALUE),
    SDBG_ROW(4, _IohQuery, writeZeroPriDstDurinVolMigrateSpef, " Primary Dst Write Zero SPEF:", U,
             SDBG_VALUE),
    SDBG_ROW(4, _IohQuery, trimPriDstDurinVolMigrateSpef, " Primary Dst Trim SPEF:", U, SDBG_VALUE),
    SDBG_ROW(5, _IohQuery, writeCountSec, " Secondary Writes:", U, SDBG_VALUE),
    SDBG_ROW(5, _IohQuery, writeZeroCountSec, " Secondary Zero Writes:", U, SDBG_VALUE),
    SDBG_ROW(5, _IohQuery, trimCountSec, " Secondary Trim Writes:", U, SDBG_VALUE),
    SDBG_ROW(5, _IohQuery, readCountSec, " Secondary Reads:", U, SDBG_VALUE),
    SDBG_ROW(6, _IohQuery, writeCountSecSpef, " Secondary Writes SPEF:", U, SDBG_VALUE),
    SDBG_ROW(6, _IohQuery, writeZeroCountSecSpef, " Secondary Zero Writes SPEF:", U, SDBG_VALUE),
    SDBG_ROW(6, _IohQuery, trimCountSecSpef, " Secondary Trim Writes SPEF:", U, SDBG_VALUE),
    SDBG_ROW(6, _IohQuery, readCountSecSpef, " Secondary Reads SPEF:", U, SDBG_VALUE),
    // Screen lines 7 to 35: each histogram ends with an empty line.
    SDBG_HOOK_ROW(7, _IohQuery, ioCount, nullptr, HistogramHook<kIoCountShape>),
    SDBG_HOOK_ROW(7, _IohQuery, ioLatRead, nullptr, HistogramHook<kReadLatencyShape>),
    SDBG_HOOK_ROW(7, _IohQuery, ioLatWrite, nullptr, HistogramHook<kWriteLatencyShape>),
    SDBG_HOOK_ROW(7, _IohQuery, ioLatReadCache, nullptr, ReadCacheLatencyHook),
    // Screen line 36.
    SDBG_ROW(7, _IohQuery, ioFlow.allocBuffer, "Io operations - Allocated:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.startToRun, " Running:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.read, " Reading:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.cacheAlloc, " cacheAlloc:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.cacheInsert, " cacheInsert:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.devRead, " devRead:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.write, " Writing:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.send, " Sending:", U, SDBG_VALUE),
    SDBG_ROW(7, _IohQuery, ioFlow.sendRsp, " Sending Rsp:", U, SDBG_VALUE),
};

// ---- Device ----

// An average per zero write, in KB: the server's 32-bit arithmetic, with
// the doubled count guarded too (a count of 2^31 or more doubles to 0).
void PrintZeroAverage(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    uint32_t divisor =
        ReadWire<uint32_t>(pWire, offsetof(_DevQuery, phyDev.zeroCount)) * static_cast<uint32_t>(2);
    uint32_t value = ReadWire<uint32_t>(pWire, row.offset);
    view.PrintUInt(divisor == 0 ? 0 : value / divisor, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
}

void PrintGranularity(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    view.PrintUInt(ReadWire<uint32_t>(pWire, row.offset), SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    view.PrintStr("KB ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
}

// A section title on a line of its own, then the first field of the
// section; in XML the section is an empty element before that field's.
struct SectionStart {
    const char *pTitle;
    const char *pXml;
    const char *pFieldLabel;
};

// The first field's value as a plain row of its width prints it.
void PrintPlainValue(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    Sdbg_ViewRow plain = row;
    plain.format = row.size == sizeof(uint64_t) ? Sdbg_Format::LLU : Sdbg_Format::U;
    Sdbg_PrintValue(view, plain, pWire);
}

template <const SectionStart &kSection>
void SectionStartHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                      bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, kSection.pXml);
        Sdbg_PrintCloseTag(view, kSection.pXml);
        ElementHook<PrintPlainValue>(view, pWire, row, true);
        return;
    }
    view.PrintStr(kSection.pTitle, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.NewLine();
    view.PrintStr(kSection.pFieldLabel, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    PrintPlainValue(view, pWire, row);
}

constexpr SectionStart kPellorinSection{"Pellorin Counters:", "pellorinCounters",
                                        "   average read time:"};
constexpr SectionStart kFineDrlSection{"fine DRL Counters:", "fineDrlCounters",
                                       "   Succesfull Tooth objects allocations in rebuild:"};
constexpr SectionStart kContDevSection{"Cont Dev:", "ContDev", "   Current # combs:"};

constexpr Sdbg_ViewRow kDevRows[] = {
    SDBG_ROW(1, _DevQuery, devId, " DevId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _DevQuery, phyDev.teethOffsetInLbs, " Comb offset:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _DevQuery, phyDev.totalSizeInLbs, " Device size:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _DevQuery, numOfInflights, " Number of in-flight DRL entries (SPEF only):", D,
             SDBG_VALUE),
    SDBG_ROW(2, _DevQuery, phyDev.maxNumOfCombs, " Max # of combs:", U, SDBG_VALUE),
    SDBG_ROW(2, _DevQuery, phyDev.curNumOfCombs, " Cur # of combs:", U, SDBG_VALUE),
    SDBG_ROW(2, _DevQuery, phyDev.numOfCombsAddedFromRestart, " # of combs from restart:", U,
             SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.maxNumOfTeeth, " Max # of Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.currSnapTeeth, " Cur # of Snapshot Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.currBaseTeeth, " Cur # of Base Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.currThinBaseTeeth, " Cur # of Thin Base Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.currToothDevTeeth, " Cur # of Tooth Dev Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _DevQuery, phyDev.snapReservedTeeth, " Cur # of Reserv Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _DevQuery, phyDev.currInitialTeeth, " Cur # of Initial Teeth:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _DevQuery, phyDev.zeroCount, " Zero Io Count:", U, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(5, _DevQuery, phyDev.zeroIOSize,
                           " Avg IO size (KB):", ElementHook<PrintZeroAverage>),
    SDBG_LABELLED_HOOK_ROW(5, _DevQuery, phyDev.zeroOverhead,
                           " Zero overhead (KB):", ElementHook<PrintZeroAverage>),
    SDBG_ROW(6, _DevQuery, phyDev.combArrayHardens, " Comb Array Io Count:", U, SDBG_VALUE),
    SDBG_ROW(6, _DevQuery, phyDev.combArrayHardenInLbs, " Comb Array Harden in Lbs:", LLU,
             SDBG_VALUE),
    SDBG_ROW(7, _DevQuery, phyDev.toothArrayHardens, " Tooth Array Io Count:", U, SDBG_VALUE),
    SDBG_ROW(7, _DevQuery, phyDev.toothArrayHardenInLbs, " Tooth Array Harden in Lbs:", LLU,
             SDBG_VALUE),
    SDBG_ROW(7, _DevQuery, phyDev.toothArrayHardenMaxInLbs, " Max Tooth Array Harden in Lbs:", U,
             SDBG_VALUE),
    // Screen lines 9 and 10; from here on the screen line is one more.
    SDBG_HOOK_ROW(9, _DevQuery, pellorinCounters.avgRdTime, nullptr,
                  SectionStartHook<kPellorinSection>),
    SDBG_ROW(9, _DevQuery, pellorinCounters.avgWrTime, " average write time:", LLU, SDBG_VALUE),
    SDBG_ROW(9, _DevQuery, pellorinCounters.downReads, " #read ios issued down to the device:", LLU,
             SDBG_VALUE),
    SDBG_ROW(9, _DevQuery, pellorinCounters.downWrites,
             " #write ios issued down to the device:", LLU, SDBG_VALUE),
    SDBG_ROW(10, _DevQuery, pellorinCounters.iosOutstanding, "   #ios outstanding:", LLU,
             SDBG_VALUE),
    SDBG_ROW(10, _DevQuery, pellorinCounters.readsPending, " #read ios waiting for tag:", LLU,
             SDBG_VALUE),
    SDBG_ROW(10, _DevQuery, pellorinCounters.writePending, " #write ios waiting for tag:", LLU,
             SDBG_VALUE),
    SDBG_ROW(10, _DevQuery, pellorinCounters.ioErrors, " #io errors:", LLU, SDBG_VALUE),
    SDBG_ROW(11, _DevQuery, pellorinCounters.readsFromCache, "   #reads from cache:", LLU,
             SDBG_VALUE),
    SDBG_ROW(11, _DevQuery, pellorinCounters.readHit, " read hit:", LLU, SDBG_VALUE),
    SDBG_ROW(11, _DevQuery, pellorinCounters.readMiss, " read miss:", LLU, SDBG_VALUE),
    SDBG_ROW(11, _DevQuery, pellorinCounters.writeHit, " write hit:", LLU, SDBG_VALUE),
    SDBG_ROW(11, _DevQuery, pellorinCounters.writeMiss, " write miss:", LLU, SDBG_VALUE),
    SDBG_ROW(12, _DevQuery, pellorinCounters.iosSkipped, "   #skipped ios:", LLU, SDBG_VALUE),
    SDBG_ROW(12, _DevQuery, pellorinCounters.readsSkipped, " #skipped read ios:", LLU, SDBG_VALUE),
    SDBG_ROW(13, _DevQuery, pellorinCounters.readsSkippedAlignedSizeGMaxIoSize,
             "   #read skipped aligned buffer greater than max io size:", LLU, SDBG_VALUE),
    SDBG_ROW(13, _DevQuery, pellorinCounters.readsSkippedMaxIoSize,
             " #read skipped max io size:", LLU, SDBG_VALUE),
    SDBG_ROW(13, _DevQuery, pellorinCounters.readsSkippedHeavyLoad,
             " #read skipped heavy io load:", LLU, SDBG_VALUE),
    SDBG_ROW(14, _DevQuery, pellorinCounters.readsSkippedStuckIo, "   #read skipped stuck io:", LLU,
             SDBG_VALUE),
    SDBG_ROW(14, _DevQuery, pellorinCounters.readsSkippedLowResources,
             " #read skipped low resources:", LLU, SDBG_VALUE),
    SDBG_ROW(14, _DevQuery, pellorinCounters.readsSkippedInternalError,
             " #read skipped internal error:", LLU, SDBG_VALUE),
    SDBG_ROW(14, _DevQuery, pellorinCounters.readsSkippedLockIos, " #read skipped lock tags:", LLU,
             SDBG_VALUE),
    SDBG_ROW(15, _DevQuery, pellorinCounters.writesSkippedMaxIoSize,
             "   #writes skipped max io size:", LLU, SDBG_VALUE),
    SDBG_ROW(15, _DevQuery, pellorinCounters.writesSkippedHeavyLoad,
             " #writes skipped heavy io load:", LLU, SDBG_VALUE),
    SDBG_ROW(15, _DevQuery, pellorinCounters.writesSkippedStuckIo, " #write skipped stuck io:", LLU,
             SDBG_VALUE),
    SDBG_ROW(16, _DevQuery, pellorinCounters.writesSkippedLowResources,
             "   #write skipped low resources:", LLU, SDBG_VALUE),
    SDBG_ROW(16, _DevQuery, pellorinCounters.writesSkippedInternalError,
             " #write skipped internal error:", LLU, SDBG_VALUE),
    SDBG_ROW(16, _DevQuery, pellorinCounters.writesSkippedCacheMiss,
             " #write skipped cache miss:", LLU, SDBG_VALUE),
    SDBG_ROW(16, _DevQuery, pellorinCounters.skippedUnalignedWriteTags,
             " #write tags skipped cache miss:", LLU, SDBG_VALUE),
    // Screen lines 19 and 20; from here on the screen line is two more.
    SDBG_HOOK_ROW(18, _DevQuery, phyDev.fineDrlQuery.fineDrlSuccsefullTeethAllocsRebuild, nullptr,
                  SectionStartHook<kFineDrlSection>),
    SDBG_ROW(19, _DevQuery, phyDev.fineDrlQuery.fineDrlFailedTeethAllocsRebuild,
             "   Failed Tooth objects allocations in rebuild:", U, SDBG_VALUE),
    SDBG_ROW(20, _DevQuery, phyDev.fineDrlQuery.fineDrlCurrentTeethAllocsRebuild,
             "   Current allocated Tooth objects in rebuild:", U, SDBG_VALUE),
    SDBG_ROW(21, _DevQuery, phyDev.fineDrlQuery.fineDrlMaximalNumberOfTeeth,
             "   Maximal number of teeth to be allocated:", U, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(22, _DevQuery, phyDev.fineDrlQuery.fineDrlGranularity,
                           "   Granularity:", ElementHook<PrintGranularity>),
    // Screen lines 26 and 27; from here on the screen line is three more.
    SDBG_HOOK_ROW(24, _DevQuery, contDev.numCombs, nullptr, SectionStartHook<kContDevSection>),
    SDBG_ROW(25, _DevQuery, contDev.numRaidScannerLoops, "   # finished raid scanner loops:", U,
             SDBG_VALUE),
    SDBG_ROW(25, _DevQuery, contDev.numScannedCombs, "   # scanned combs:", U, SDBG_VALUE),
    SDBG_ROW(25, _DevQuery, contDev.numScannedTeeth, "   # scanned teeth:", U, SDBG_VALUE),
    SDBG_ROW(25, _DevQuery, contDev.totalMBsScannedCounter, "   # total MBs scanned:", U,
             SDBG_VALUE),
    SDBG_ROW(25, _DevQuery, contDev.compareErrors, "   # compare errors:", U, SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.persistentChecksumEnabled, "   Persistent checksum:", U,
             SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.numCombsWithPersistentChecksum, "  #Protected combs:", U,
             SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.debugChecksumNumOfTeethDone, "  #Protected teeth:", U,
             SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.debugChecksumEnablerIterationsCounter,
             "  #Enabler iterations:", U, SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.debugChecksumNumOfErrors, "  #Errors occurred:", U, SDBG_VALUE),
    SDBG_ROW(26, _DevQuery, contDev.queryStatisticsTicks, "  Query Stats Ticks:", LLU, SDBG_VALUE),
    SDBG_ROW(27, _DevQuery, contDev.queueDepth, "  Queue depth:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kDevUnread[] = {
    SDBG_UNREAD(_DevQuery, phyDev.reserved1),  SDBG_UNREAD(_DevQuery, phyDev.reserved2),
    SDBG_UNREAD(_DevQuery, phyDev.reserved3),  SDBG_UNREAD(_DevQuery, contDev.reserved1),
    SDBG_UNREAD(_DevQuery, contDev.reserved2), SDBG_UNREAD(_DevQuery, reserved),
};

// ---- File ----

constexpr const char *kIoClassNames[kFileIoClasses] = {
    "GENERAL",
    "BM",
    "COMB_MAP",
    "TOOTH_MAP",
    "HEADER_AND_COUNTERS",
    "IO",
    "ALLOW_DURING_SUSPENSION",
};

// One counter of an I/O class entry: its text, element, field and the
// shift that turns LBs into MBs.
struct IoClassItem {
    const char *pText;
    const char *pXml;
    uint32_t offset;
    uint32_t shift;
};

constexpr IoClassItem kIoClassItems[] = {
    {"  Writes: ", "Writes", offsetof(FileIoClassCounters, writes), 0},
    {" Lbs: ", "Write_Lbs", offsetof(FileIoClassCounters, writeLbs), 0},
    {" MBs: ", "Write_MBs", offsetof(FileIoClassCounters, writeLbs), 11},
    {" Errors: ", "Write_Errors", offsetof(FileIoClassCounters, writeErrors), 0},
    {"  Reads: ", "Reads", offsetof(FileIoClassCounters, reads), 0},
    {" Lbs: ", "Read_Lbs", offsetof(FileIoClassCounters, readLbs), 0},
    {" MBs: ", "Read_MBs", offsetof(FileIoClassCounters, readLbs), 11},
    {" Errors: ", "Read_Errors", offsetof(FileIoClassCounters, readErrors), 0},
};
constexpr uint32_t kIoClassItemsPerLine = 4;

uint64_t IoClassValue(const uint8_t *pEntry, const IoClassItem &item) {
    return ReadWire<uint64_t>(pEntry, item.offset) >> item.shift;
}

void PrintIoCounters(Sdbg_LogicalView &view, const uint8_t *pEntries) {
    view.PrintStr("Io Counters:", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.NewLine();
    for (uint32_t i = 0; i < kFileIoClasses; ++i) {
        const uint8_t *pEntry = pEntries + i * sizeof(FileIoClassCounters);
        view.PrintStr(" ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintStr(kIoClassNames[i], SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.NewLine();
        for (uint32_t k = 0; k < std::size(kIoClassItems); ++k) {
            view.PrintStr(kIoClassItems[k].pText, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
            view.PrintUInt64(IoClassValue(pEntry, kIoClassItems[k]), SDBG_COLOR_VALUE,
                             SDBG_COLOR_KEEP);
            if ((k + 1) % kIoClassItemsPerLine == 0) {
                view.NewLine();
            }
        }
    }
}

// "<name>" value "</name>" at the given tabs, the tags VALUE on VALUE.
void PrintTaggedUInt64(Sdbg_LogicalView &view, uint32_t tabs, const char *pName, uint64_t value) {
    char tag[64];
    view.PutTabs(tabs);
    mos_Snprintf(tag, sizeof(tag), "<%s>", pName);
    view.PrintStr(tag, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    view.PrintUInt64(value, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    mos_Snprintf(tag, sizeof(tag), "</%s>", pName);
    view.PrintStr(tag, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
}

void PrintIoClassTag(Sdbg_LogicalView &view, const char *pOpen, const char *pName) {
    view.PrintStr(pOpen, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    view.PrintStr(pName, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PrintStr(">", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
}

void PrintIoCounters_xml(Sdbg_LogicalView &view, const uint8_t *pEntries) {
    Sdbg_PrintOpenTag(view, 2, "ioCounters");
    view.NewLine();
    for (uint32_t i = 0; i < kFileIoClasses; ++i) {
        const uint8_t *pEntry = pEntries + i * sizeof(FileIoClassCounters);
        view.PutTabs(3);
        PrintIoClassTag(view, "<", kIoClassNames[i]);
        view.NewLine();
        for (const IoClassItem &item : kIoClassItems) {
            PrintTaggedUInt64(view, 4, item.pXml, IoClassValue(pEntry, item));
            view.NewLine();
        }
        view.PutTabs(3);
        PrintIoClassTag(view, "</", kIoClassNames[i]);
        view.NewLine();
    }
    view.PutTabs(2);
    Sdbg_PrintCloseTag(view, "ioCounters");
}

void IoCountersHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    if (bXml) {
        PrintIoCounters_xml(view, pWire + row.offset);
    } else {
        PrintIoCounters(view, pWire + row.offset);
    }
}

constexpr Sdbg_ViewRow kFileRows[] = {
    // Screen lines 1 to 22.
    SDBG_HOOK_ROW(1, _FileQuery, ioCounters, nullptr, IoCountersHook),
    // Screen lines 23 to 25.
    SDBG_ROW(1, _FileQuery, raw.name, " Dev path:", Str, SDBG_VALUE),
    SDBG_ROW(1, _FileQuery, devQuery.raw.name, " Actual dev path:", Str, SDBG_VALUE),
    SDBG_ROW(1, _FileQuery, raw.fileSizeInLbs, " Size(lbs):", LLU, SDBG_VALUE),
    SDBG_ROW(1, _FileQuery, devQuery.raw.fileSizeInLbs, " Actual size(lbs):", LLU, SDBG_VALUE),
    SDBG_ROW(1, _FileQuery, devQuery.raw.sampleGrn, " Time grn:", U, SDBG_VALUE),
    SDBG_ROW(2, _FileQuery, devQuery.writeSizeBwc, " Bwc-Writes:", Bwc, SDBG_VALUE),
    SDBG_ROW(2, _FileQuery, devQuery.writeLatencyBwc, " Latency:", LatencyBwc, SDBG_VALUE),
    SDBG_ROW(3, _FileQuery, devQuery.readSizeBwc, " Bwc-Read:", Bwc, SDBG_VALUE),
    SDBG_ROW(3, _FileQuery, devQuery.readLatencyBwc, " Latency:", LatencyBwc, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kFileUnread[] = {
    SDBG_UNREAD(_FileQuery, reserved),
    SDBG_UNREAD(_FileQuery, devQuery.raw.reserved),
};

} // namespace

SDBG_DEFINE_VIEW(kTgtIohView, _IohQuery, kIohRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtDevView, _DevQuery, kDevRows, kDevUnread, 1);
SDBG_DEFINE_VIEW_GAPS(kTgtFileView, _FileQuery, kFileRows, kFileUnread, 1);
