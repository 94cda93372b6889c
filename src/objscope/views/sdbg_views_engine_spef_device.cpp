// The storage engine's device view: the device id, then the engine's
// statistics of the device as one fixed text report (in XML too). The
// report is a table of lines read at their offsets in _SpefDeviceQuery.

#include "sdbg_view_catalog.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr int32_t DEFAULT = SDBG_COLOR_DEFAULT;
constexpr int32_t VALUE = SDBG_COLOR_VALUE;
constexpr int32_t ALERT = SDBG_COLOR_ALERT;
constexpr int32_t KEEP = SDBG_COLOR_KEEP;
constexpr uint32_t kValueColumn = 65;

enum class Line : uint8_t {
    Title,        // section title, HIGHLIGHT
    U64,          // label, value at the value column, suffix
    U32,          //
    U16,          // printed %d
    U8,           // printed %d
    Fraction,     // "(" u64 "/" next u64 ")"
    Hundredths,   // u64 hundredths as %.2f
    Average,      // u64 total / u64 count (offset2) as %.2f, 0 without count
    Distribution, // its own lines; suffix is the bucket caption
    AvgEvent,     // bandwidth counter as average and event rates
    UnImplemented,
    DeletePair,  // label, u64, second label (suffix), u64 (offset2); no column
    Unnecessary, // the unnecessary deletions: pages and octets
    SubHeading,  // alone on its line, current colours
    Merges,      // the ten page-merge lines
    Inflight,    // inflight writes in Lbs and VTOs
    Components,  // disk access by component, then the closing line
};

struct StatLine {
    Line kind;
    uint32_t offset;
    const char *pLabel;
    const char *pSuffix;
    bool bAlert; // nonzero-alert, else VALUE
    uint32_t offset2;
};

constexpr StatLine Title(const char *pText) {
    return {Line::Title, 0, pText, nullptr, false, 0};
}
constexpr StatLine Num(Line kind, uint32_t offset, const char *pLabel, const char *pSuffix) {
    return {kind, offset, pLabel, pSuffix, false, 0};
}
constexpr StatLine Err(Line kind, uint32_t offset, const char *pLabel, const char *pSuffix) {
    return {kind, offset, pLabel, pSuffix, true, 0};
}
constexpr StatLine Dist(uint32_t offset, const char *pTitle, const char *pCaption = nullptr) {
    return {Line::Distribution, offset, pTitle, pCaption, false, 0};
}

// The report in print order; offsets in _SpefDeviceQuery.
constexpr StatLine kStatLines[] = {
    Title("Compression Manager:"),
    Num(Line::Fraction, 100, "       All Zero entries on device (ratio): ", "  "),
    Num(Line::Hundredths, 1031, "       Avg Compression for UD: ", " %"),
    Err(Line::U64, 1859, "       Total Unreduced UD entries Due to compression errors: ", " "),
    Dist(1039, "User Data Compression percentage", "Data compression ratio / num entries"),
    Title("Capacity Manager:"),
    Num(Line::U64, 16, "       Fully Unreduced Disk Pages Capacity: ", " [KB]"),
    Num(Line::U64, 84, "       Total Uncompressed data size: ", " [KB]"),
    Num(Line::U64, 92, "       Total Compressed data size: ", " [KB]"),
    Num(Line::U16, 1029, "       Pending Volume deletion jobs: ", "  "),
    Dist(209, "Log occupancy (in KB)"),
    Dist(9546, "Uncompressed blocks in Log"),
    Err(Line::U64, 10366, "       Log allocation failures: ", "  "),
    Err(Line::U64, 10374, "       L2P Page allocation failures: ", "  "),
    Num(Line::U64, 10446, "       Volume deletions progress: ", " [Octets]"),
    Num(Line::U64, 10462, "       VTree deletions progress: ", " [Octets]"),
    Num(Line::U64, 10454, "       Volume deletions progress: ", " [L2P Pages]"),
    Num(Line::U64, 10470, "       VTree deletions progress: ", " [L2P Pages]"),
    {Line::DeletePair, 10478, "       Total Successfull Vtrees deleted: ",
     "   Total Failed Vtrees deletions: ", true, 10486},
    {Line::DeletePair, 10494, "       Total Successfull Volumes deleted: ",
     "   Total Failed Volumes deletions: ", true, 10502},
    {Line::Unnecessary, 10510,
     "       Deletion - total unnecessary :                            ", nullptr, false, 10518},
    Num(Line::U64, 10526, "       Total Volume ownership transfers on deletion: ", "  "),
    Num(Line::U64, 10534, "       Total Volume deletion invoked for busy Vtree: ", "  "),
    Num(Line::U32, 10542, "       Avg VTree deletion duration: ", " [msecs]"),
    Num(Line::U32, 10546, "       Avg Volume deletion duration: ", " [msecs]"),
    Num(Line::U32, 10550, "       Avg Volume deletion delay: ", " [msecs]"),
    Title("CRA - Capacity Reclaim Agent stats:"),
    Num(Line::U64, 10382, "       L2P pages BM inflight reads: ", "  "),
    Num(Line::U64, 10390, "       L2P pages BM inflight writes: ", "  "),
    Num(Line::U64, 10398, "       L2P pages BM reads: ", "  "),
    Num(Line::U64, 10406, "       L2P pages BM writes: ", "  "),
    Num(Line::U64, 10414, "       OOBM inflight reads: ", "  "),
    Num(Line::U64, 10422, "       OOBM inflight writes: ", "  "),
    Num(Line::U64, 10430, "       OOBM reads: ", "  "),
    Num(Line::U64, 10438, "       OOBM writes: ", "  "),
    Title("Data Integrity (DI) Background Verification:"),
    Num(Line::U64, 24, "       Scanned disk capacity: ", " [Lbs]"),
    Num(Line::U64, 10562, "       Scanned disk capacity in cycle: ", " [Lbs]"),
    Num(Line::U64, 10570, "       Scanned units: ", " "),
    Num(Line::U64, 10578, "       Scanned units in cycle: ", " "),
    Num(Line::U64, 10586, "       Cycles performed: ", " "),
    Num(Line::U32, 32, "       Scan duration: ", " [sec]"),
    Err(Line::U64, 36, "       Hard IO errors: ", " "),
    Err(Line::U64, 44, "       Errors found in background scan: ", " "),
    Title("L2P Gateway:"),
    Num(Line::U64, 52, "       Used MD disk capacity: ", " [KB]"),
    Num(Line::U64, 60, "       Maximum MD disk capacity: ", " [KB]"),
    Num(Line::U64, 8, "       Total trimmed size: ", " [KB]"),
    Num(Line::U64, 170, "       Maximum utilized capacity excess: ", " [KB]"),
    Num(Line::U64, 178, "       L2P changelog size: ", " [KB]"),
    Num(Line::U8, 186, "       Avg. changelog amortization rate: ", " "),
    Num(Line::U16, 187, "       Avg. changelog records per Aggregation unit: ", " "),
    Num(Line::U16, 189, "       Avg. changelog records per insert: ", " "),
    Num(Line::U16, 191, "       Avg. changelog records per set: ", " "),
    Num(Line::U16, 193, "       Total L2P changelog pending de-stage: ", " "),
    Err(Line::U64, 195, "       L2P Page Contention: ", " "),
    Num(Line::UnImplemented, 0, "       Total overwrite rate: ", " [%]"),
    Num(Line::UnImplemented, 0, "       Avg overwrite delta: ", " [KB]"),
    Num(Line::U64, 5922, "       Total L2P page de-stage Piggyback: ", " "),
    Num(Line::U64, 5942, "       Total L2P page read avoided due to page in RAM: ", " "),
    Num(Line::U32, 68, "       Total Octets allocated: ", " "),
    Num(Line::U32, 72, "       Total Octets provisioned: ", " "),
    Num(Line::U32, 5930, "       Total Octet search-boost engaged: ", " "),
    Num(Line::U32, 5934, "       Total Octet search-boost disengaged: ", " "),
    Num(Line::U16, 5938, "       Avg L2P pages per Octet: ", " "),
    Num(Line::U16, 5940, "       Avg L2P pages per Tooth: ", " "),
    Title("L2P Storage Manager (SM):"),
    Num(Line::U16, 203, "       Avg VTOs per L2P page: ", " "),
    Err(Line::U16, 205, "       L2P page split errors: ", " "),
    Err(Line::U16, 207, "       L2P page checksum errors: ", " "),
    Dist(5950, "VTOs per L2P page"),
    Dist(6770, "Rows per L2P page"),
    Num(Line::U64, 7590, "       Total Successfull L2P page Split: ", " "),
    {Line::SubHeading, 0, "       L2P SM page Merges statistics:", nullptr, false, 0},
    {Line::Merges, 0, nullptr, nullptr, false, 0},
    Num(Line::U64, 7758, "       Total L2P UA split evaluations: ", " "),
    Num(Line::U64, 7766, "       Total L2P UA ReShuffle evaluations: ", " "),
    Num(Line::U64, 7774, "       Total L2P UA Merge evaluations: ", " "),
    Num(Line::U64, 7782, "       Total L2P Formatter ReShuffle evaluations: ", " "),
    Num(Line::U64, 7790, "       Total L2P Formatter Merge evaluations: ", " "),
    Num(Line::U64, 7798, "       Total L2P Formatter Splits done: ", " "),
    Num(Line::U64, 7806, "       Total L2P Formatter ReShuffles done: ", " "),
    Num(Line::U64, 7814, "       Total L2P Formatter Merges done: ", " "),
    Num(Line::U16, 7822, "       Avg L2P Page merge evaluation window size: ", " [KB]"),
    Num(Line::U16, 7824, "       Avg L2P Page merge execution window size: ", " [KB]"),
    Num(Line::U64, 7826, "       Total Volume ownership transfers: ", " "),
    Err(Line::U64, 7834, "       Total L2P Formatter logical address range errors: ", " "),
    Err(Line::U64, 7842, "       Total L2P Formatter parsing errors: ", " "),
    Err(Line::U64, 7850, "       Total L2P Formatter mismatching L2P pages errors: ", " "),
    Err(Line::U64, 7858, "       Total L2P Formatter allocation errors: ", " "),
    Err(Line::U64, 7866, "       Total L2P Formatter construction failures: ", " "),
    Err(Line::U64, 7874, "       Total L2P Formatter destruction failures: ", " "),
    Err(Line::U64, 7882, "       Total L2P Formatter mismatching checksum errors: ", " "),
    Err(Line::U64, 7890, "       Total L2P Formatter missing row errors: ", " "),
    Err(Line::U64, 7898, "       Total L2P Formatter unsorted rows in queries: ", " "),
    Dist(7906, "Expected page occupancy post re-shuffle after page evaluation"),
    Dist(8726, "Expected page occupancy post re-shuffle after page evaluation with formatter"),
    Title("User Data Storage Management (UDSM):"),
    Num(Line::U64, 76, "       Total User Data written to device: ", " [Lbs]"),
    Num(Line::AvgEvent, 150, "       Log deactivation write to device: ", " "),
    Err(Line::U64, 132, "       Log utilization discrepancy errors: ", " "),
    Err(Line::U64, 140, "       User data entry logical address mismatch errors: ", " "),
    Num(Line::U16, 148, "       Average UD read from device per UD entry: ", " [Lbs]"),
    Num(Line::AvgEvent, 4993, "       User requests read from device (in window): ", " "),
    Num(Line::AvgEvent, 5013, "       log activation read from device (in window): ", " "),
    Dist(5033, "User Data entries per Log upon de-activation"),
    Num(Line::U64, 5853, "       Total active log allocation latency: ", " [usec]"),
    Err(Line::U64, 5861, "       Total active log allocation latency exceeding 10ms: ", " "),
    Num(Line::U64, 5869, "       Total active log allocation Timeouts: ", " "),
    Num(Line::U64, 5877, "       Total log Activations: ", " "),
    Num(Line::U64, 5893, "       Total log DeActivations: ", " "),
    Num(Line::U64, 5885, "       Total log Activation Latency: ", " [usec]"),
    Num(Line::U64, 5901, "       Total log DeActivation latency: ", " [usec]"),
    {Line::Average, 5885, "       Avg. log Activation latency: ", " [usec]", false, 5877},
    {Line::Average, 5901, "       Avg. log DeActivation latency: ", " [usec]", false, 5893},
    Num(Line::U16, 5909, "       Avg. Log Activation read size: ", " [Lbs]"),
    Num(Line::U16, 5911, "       Avg. Destaging write size: ", " [Lbs]"),
    Num(Line::U16, 5913, "       Avg. log wastage: ", " [Bytes]"),
    Err(Line::U16, 5915, "       Physical checksum mismatch errors: ", " "),
    Err(Line::U16, 5917, "       Logical checksum mismatch errors - external vs. embedded: ", " "),
    Title("DRL:"),
    Num(Line::U64, 116, "       Sync read BWC: ", " "),
    Num(Line::U64, 124, "       Sync write BWC: ", " "),
    Num(Line::U64, 3283, "       False positive on fine DRL access: ", " "),
    Num(Line::U64, 3291, "       True positive on fine DRL access: ", " "),
    Num(Line::U64, 3299, "       Fine DRL accesses avoided: ", " "),
    Err(Line::U64, 3307, "       Missing VTO on volume DRL setting: ", " "),
    Title("IO path (SPEF frontend):"),
    Dist(3317, "Ongoing IO's per module"),
    Dist(4137, "Total IO's per module"),
    Num(Line::U16, 3315, "       Avg. User Trim size: ", " [Lbs]"),
    Err(Line::U64, 4957, "       PCRM reclaim failures: ", " "),
    Err(Line::U64, 4965, "       Unrecoverable IO errors: ", " "),
    Err(Line::U64, 4973, "       Metadata corruption errors: ", " "),
    Err(Line::U32, 4981, "       Unreduced data logical checksum mismatch: ", " "),
    {Line::Inflight, 4985, "       Inflight writes:", nullptr, false, 4989},
    Title("Phy CRM:"),
    Num(Line::U64, 10554, "       Total requests blocked by semaphore: ", " "),
    Title("ChangeLog:"),
    Dist(2425, "Set utilization (in %)"),
    Num(Line::U64, 3245, "       Total changelog inserts: ", " "),
    Num(Line::U16, 3253, "       Avg. changelog records per insert: ", " "),
    Num(Line::U16, 3255, "       Avg. changelog records per destage: ", " "),
    Num(Line::U64, 3257, "       Total changelog destage BWC: ", " "),
    Num(Line::U16, 3265, "       Changelog Acceleration device files: ", " "),
    Err(Line::U64, 3267, "       Total changlog write-throughs due to congestion: ", " "),
    Err(Line::U64, 3275, "       Total changlog write-throughs due to Au limit: ", " "),
    Title("Disk Access by Component:"),
    {Line::Components, 0, nullptr, nullptr, false, 0},
};

// Disk reads and writes of each engine component, as short average
// records indexed by the component table; the flagged ones are shown.
constexpr uint32_t kSpefComponents = 31;
constexpr uint32_t kDiskReadsOffset = 1867;
constexpr uint32_t kDiskWritesOffset = 2146;
struct SpefComponent {
    const char *pName;
    bool bPrint;
};
constexpr SpefComponent kSpefComponentTable[kSpefComponents] = {
    {"DEVICE_PRINTER", false},
    {"SIZE_REDUCTION_CONF_HANDLE_ARRAY", false},
    {"DEVICE_PROPERTIES", true},
    {"SPEF_FILE_MODULE", false},
    {"SPEF_FILE", false},
    {"CL_GLOBAL_UTHREAD_POOLS", false},
    {"CL_DEVICE_Q", false},
    {"FRONT_END_IO", false},
    {"FRONT_END_IO_DEV", false},
    {"FRONT_END_MIRROR_SYNC", false},
    {"L2P_GATEWAY", true},
    {"L2P_GATEWAY_GLOBAL_INSTANCE", false},
    {"L2P_RESOLVER_GLOBAL_INSTANCE", false},
    {"L2P_DIRECTORY", true},
    {"L2P_RCACHE", true},
    {"DIRTY_REGION_LOG_CACHE", true},
    {"CAPACITY_MANAGEMENT", false},
    {"CAPACITY_ALLOCATOR", false},
    {"CAPACITY_RECLAIM_AGENT", true},
    {"PHYSICAL_CAPACITY_RECLAIM_MANAGER", true},
    {"PHYSICAL_CAPACITY_RECLAIM_MANAGER_SMALL_TXS", false},
    {"PHYSICAL_ADDRESS_ALLOCATOR", false},
    {"CAPACITY_UTILIZATION_GAUGE", true},
    {"USER_DATA_STORAGE_MANAGEMENT", true},
    {"USER_DATA_STORAGE_MANAGEMENT_MEMORY_POOLS", false},
    {"L2P_STORAGE_MANAGEMENT", false},
    {"VTREE_DB", false},
    {"L2P_UTILIZATION_AGENT", false},
    {"L2P_FORMATTER_MODULE", false},
    {"DUMMY_PHYDEV", false},
    {"CHANGE_LOG", true},
};

// Successful and failed L2P page merges, one counter per merge kind.
constexpr uint32_t kMergeKinds = 10;
constexpr uint32_t kMergeSuccessOffset = 7598;
constexpr uint32_t kMergeFailedOffset = 7678;
constexpr const char *kMergeKindNames[kMergeKinds] = {"2to1", "3to1", "3to2", "4to1", "4to2",
                                                      "4to3", "5to1", "5to2", "5to3", "5to4"};

// Every line reads inside the statistics block.
constexpr uint32_t LineBytes(const StatLine &line) {
    switch (line.kind) {
        case Line::U64:
            return 8;
        case Line::U32:
            return 4;
        case Line::U16:
            return 2;
        case Line::U8:
            return 1;
        case Line::Fraction:
            return 16;
        case Line::Hundredths:
        case Line::Average:
        case Line::DeletePair:
        case Line::Unnecessary:
            return 8;
        case Line::Inflight:
            return 4;
        case Line::Distribution:
            return sizeof(Sdbg_DistributionRecord);
        case Line::AvgEvent:
            return sizeof(Sdbg_BwcRecord);
        default:
            return 0;
    }
}
constexpr bool AllLinesInsideTheBlock() {
    constexpr uint32_t kEnd = SPEF_DEVICE_STATS_OFFSET + SPEF_DEVICE_STATS_SIZE;
    for (const StatLine &line : kStatLines) {
        if (line.offset + LineBytes(line) > kEnd || line.offset2 + 8 > kEnd) {
            return false;
        }
        if (line.kind != Line::Title && line.kind != Line::UnImplemented &&
            line.kind != Line::SubHeading && line.kind != Line::Merges &&
            line.kind != Line::Components && line.offset < SPEF_DEVICE_STATS_OFFSET) {
            return false;
        }
    }
    return true;
}
static_assert(AllLinesInsideTheBlock());
static_assert(kDiskReadsOffset + kSpefComponents * sizeof(Sdbg_AvgEvent8Record) <=
              kDiskWritesOffset);
static_assert(kMergeFailedOffset + kMergeKinds * 8 <=
              SPEF_DEVICE_STATS_OFFSET + SPEF_DEVICE_STATS_SIZE);

template <typename T> T ReadAt(const uint8_t *pRecord, uint32_t offset) {
    T value;
    std::memcpy(&value, pRecord + offset, sizeof(value));
    return value;
}

// Moves to a column; text that already reached it is never overwritten
// (a long value keeps one blank before the next piece instead).
void MoveToColumn(Sdbg_LogicalView &view, uint32_t column) {
    if (view.GetColumn() < column) {
        view.PadToColumn(column);
    } else if (view.GetColumn() > column) {
        view.PrintStr(" ", KEEP, KEEP);
    }
}

int32_t AlertWhenSet(bool bAlert, uint64_t value) {
    return bAlert && value != 0 ? ALERT : VALUE;
}

// The value of a column line, on the DEFAULT background; returns its
// foreground for the suffix.
int32_t PrintColumnValue(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    uint64_t value = 0;
    switch (line.kind) {
        case Line::U64:
            value = ReadAt<uint64_t>(pRecord, line.offset);
            view.PrintUInt64(value, AlertWhenSet(line.bAlert, value), DEFAULT);
            break;
        case Line::U32:
            value = ReadAt<uint32_t>(pRecord, line.offset);
            view.PrintUInt(static_cast<uint32_t>(value), AlertWhenSet(line.bAlert, value), DEFAULT);
            break;
        case Line::U16:
            value = ReadAt<uint16_t>(pRecord, line.offset);
            view.PrintInt(static_cast<int32_t>(value), AlertWhenSet(line.bAlert, value), DEFAULT);
            break;
        case Line::U8:
            value = ReadAt<uint8_t>(pRecord, line.offset);
            view.PrintInt(static_cast<int32_t>(value), AlertWhenSet(line.bAlert, value), DEFAULT);
            break;
        case Line::Fraction: {
            uint64_t pair[2];
            std::memcpy(pair, pRecord + line.offset, sizeof(pair));
            view.PrintFraction(pair, VALUE, DEFAULT);
            break;
        }
        case Line::Hundredths:
            view.PrintDouble(static_cast<double>(ReadAt<uint64_t>(pRecord, line.offset)) / 100.0,
                             VALUE, DEFAULT);
            break;
        case Line::Average: {
            const uint64_t count = ReadAt<uint64_t>(pRecord, line.offset2);
            const double total = static_cast<double>(ReadAt<uint64_t>(pRecord, line.offset));
            view.PrintDouble(count == 0 ? 0.0 : total / static_cast<double>(count), VALUE, DEFAULT);
            break;
        }
        case Line::AvgEvent:
            view.PrintAvgEvent(ReadAt<Sdbg_BwcRecord>(pRecord, line.offset), VALUE, DEFAULT);
            break;
        default: // UnImplemented
            view.PrintStr("UnImplemented", VALUE, DEFAULT);
            break;
    }
    return AlertWhenSet(line.bAlert, value);
}

void PrintColumnLine(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    view.PrintStr(line.pLabel, DEFAULT, KEEP);
    MoveToColumn(view, kValueColumn);
    const int32_t fg = PrintColumnValue(view, line, pRecord);
    view.PrintStr(line.pSuffix, fg, KEEP);
    view.NewLine();
}

void PrintDeletePair(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    const uint64_t failed = ReadAt<uint64_t>(pRecord, line.offset2);
    view.PrintStr(line.pLabel, KEEP, KEEP);
    view.PrintUInt64(ReadAt<uint64_t>(pRecord, line.offset), VALUE, KEEP);
    view.PrintStr(line.pSuffix, KEEP, KEEP);
    view.PrintUInt64(failed, AlertWhenSet(true, failed), KEEP);
    view.NewLine();
}

void PrintUnnecessary(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    view.PrintStr(line.pLabel, KEEP, KEEP);
    MoveToColumn(view, kValueColumn);
    view.PrintUInt64(ReadAt<uint64_t>(pRecord, line.offset), VALUE, DEFAULT);
    view.PrintStr(" [Pages]", VALUE, KEEP);
    view.PrintStr(", ", KEEP, KEEP);
    view.PrintUInt64(ReadAt<uint64_t>(pRecord, line.offset2), VALUE, KEEP);
    view.PrintStr(" [Octets]", VALUE, KEEP);
    view.NewLine();
}

void PrintMerges(Sdbg_LogicalView &view, const uint8_t *pRecord) {
    for (uint32_t k = 0; k < kMergeKinds; ++k) {
        const uint64_t failed = ReadAt<uint64_t>(pRecord, kMergeFailedOffset + k * 8);
        view.PrintStr("              ", KEEP, KEEP);
        view.PrintStr(kMergeKindNames[k], KEEP, KEEP);
        view.PrintStr(" page merge:", KEEP, KEEP);
        MoveToColumn(view, 45);
        view.PrintUInt64(ReadAt<uint64_t>(pRecord, kMergeSuccessOffset + k * 8), VALUE, KEEP);
        view.PrintStr(" Success", KEEP, KEEP);
        MoveToColumn(view, kValueColumn);
        view.PrintUInt64(failed, AlertWhenSet(true, failed), KEEP);
        view.PrintStr(" Failed", KEEP, KEEP);
        view.NewLine();
    }
}

void PrintInflight(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    view.PrintStr(line.pLabel, KEEP, KEEP);
    MoveToColumn(view, 48);
    view.PrintUInt(ReadAt<uint32_t>(pRecord, line.offset), VALUE, KEEP);
    view.PrintStr(" [Lbs]", VALUE, KEEP);
    MoveToColumn(view, kValueColumn);
    view.PrintUInt(ReadAt<uint32_t>(pRecord, line.offset2), VALUE, KEEP);
    view.PrintStr(" [VTOs]", VALUE, KEEP);
    view.NewLine();
}

void PrintComponentAccess(Sdbg_LogicalView &view, const char *pLabel, const uint8_t *pRecord,
                          uint32_t offset) {
    view.PrintStr(pLabel, DEFAULT, KEEP);
    MoveToColumn(view, kValueColumn);
    view.PrintAvgEvent8(ReadAt<Sdbg_AvgEvent8Record>(pRecord, offset), VALUE, DEFAULT);
    view.PrintStr(" [IO/sec]", VALUE, KEEP);
    view.NewLine();
}

void PrintComponents(Sdbg_LogicalView &view, const uint8_t *pRecord) {
    for (uint32_t i = 0; i < kSpefComponents; ++i) {
        if (!kSpefComponentTable[i].bPrint) {
            continue;
        }
        view.PrintStr("       ", DEFAULT, KEEP);
        view.PrintStr(kSpefComponentTable[i].pName, DEFAULT, KEEP);
        view.PrintStr(":", DEFAULT, KEEP);
        view.NewLine();
        const uint32_t recordOffset = i * static_cast<uint32_t>(sizeof(Sdbg_AvgEvent8Record));
        PrintComponentAccess(view, "          Rd: ", pRecord, kDiskReadsOffset + recordOffset);
        PrintComponentAccess(view, "          Wr: ", pRecord, kDiskWritesOffset + recordOffset);
        view.NewLine();
    }
    view.PrintStr(
        "================================================================================",
        SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_OK);
}

void PrintStatLine(Sdbg_LogicalView &view, const StatLine &line, const uint8_t *pRecord) {
    switch (line.kind) {
        case Line::Title:
            view.PrintStr(line.pLabel, SDBG_COLOR_HIGHLIGHT, KEEP);
            view.NewLine();
            break;
        case Line::Distribution:
            view.PrintDistribution(line.pLabel, line.pSuffix,
                                   ReadAt<Sdbg_DistributionRecord>(pRecord, line.offset));
            break;
        case Line::DeletePair:
            PrintDeletePair(view, line, pRecord);
            break;
        case Line::Unnecessary:
            PrintUnnecessary(view, line, pRecord);
            break;
        case Line::SubHeading:
            view.PrintStr(line.pLabel, KEEP, KEEP);
            view.NewLine();
            break;
        case Line::Merges:
            PrintMerges(view, pRecord);
            break;
        case Line::Inflight:
            PrintInflight(view, line, pRecord);
            break;
        case Line::Components:
            PrintComponents(view, pRecord);
            break;
        default:
            PrintColumnLine(view, line, pRecord);
            break;
    }
}

// The whole statistics block of a _SpefDeviceQuery record, from the current
// position; every colour it sets lasts for one piece, and the block's last
// line has no line end.
void PrintSpefDeviceStats(Sdbg_LogicalView &view, const uint8_t *pRecord) {
    for (const StatLine &line : kStatLines) {
        PrintStatLine(view, line, pRecord);
    }
}

// The same block in both views; XML puts it on a line of its own.
void SpefDeviceStatsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow & /*row*/,
                         bool bXml) {
    if (bXml) {
        view.NewLine();
        view.PutTabs(2);
    }
    PrintSpefDeviceStats(view, pWire);
}

constexpr Sdbg_ViewRow kSpefDeviceRows[] = {
    SDBG_ROW(1, _SpefDeviceQuery, devId, "Device:", Hex0x, SDBG_HIGHLIGHT),
    SDBG_HOOK_ROW(2, _SpefDeviceQuery, stats, nullptr, SpefDeviceStatsHook),
};
constexpr Sdbg_ByteRange kSpefDeviceUnread[] = {SDBG_UNREAD(_SpefDeviceQuery, reserved)};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kSpefDeviceView, _SpefDeviceQuery, kSpefDeviceRows, kSpefDeviceUnread, 0);
