// Views of the runtime library's services: devices, user-mode-thread
// classes, the memory tracker, UT hooks, the execution-statistics stack,
// memory allocators and the fault-injection detours and bundles.

#include "sdbg_view_catalog.h"

#include <cstring>
#include <string>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kMosDevRows[] = {
    SDBG_ROW(1, _MosDevQuery, raw.name, " Dev path:", Str, SDBG_VALUE),
    SDBG_ROW(1, _MosDevQuery, raw.fileSizeInLbs, " Size(lbs):", LLU, SDBG_VALUE),
    SDBG_ROW(1, _MosDevQuery, raw.sampleGrn, " Time grn:", U, SDBG_VALUE),
    SDBG_ROW(2, _MosDevQuery, writeSizeBwc, " Bwc-Writes:", Bwc, SDBG_PAIR(1, -1)),
    SDBG_ROW(2, _MosDevQuery, writeLatencyBwc, " Latency:", LatencyBwc, SDBG_PAIR(1, -1)),
    SDBG_ROW(3, _MosDevQuery, readSizeBwc, " Bwc-Read:", Bwc, SDBG_PAIR(1, -1)),
    SDBG_ROW(3, _MosDevQuery, readLatencyBwc, " Latency:", LatencyBwc, SDBG_PAIR(1, -1)),
};
constexpr Sdbg_ByteRange kMosDevUnread[] = {SDBG_UNREAD(_MosDevQuery, raw.reserved)};

// The XML element of a named counter entry: the name with blanks turned
// into "-" and parentheses dropped ("wait time (us)" -> "wait-time-us").
std::string CounterElementName(const char *pName, uint32_t capacity) {
    std::string element;
    for (uint32_t i = 0; i < capacity && pName[i] != '\0'; ++i) {
        if (pName[i] == ' ') {
            element.push_back('-');
        } else if (pName[i] != '(' && pName[i] != ')') {
            element.push_back(pName[i]);
        }
    }
    return element;
}

void PrintCounterTag(Sdbg_LogicalView &view, const char *pOpen, const std::string &element) {
    view.PrintStr(pOpen, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintStr(element.c_str(), SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintStr(">", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
}

// Text: the entry's name and ": " (5/4) open its line.
void PrintEntryName(Sdbg_LogicalView &view, const char *pName, uint32_t capacity) {
    Sdbg_PrintText(view, pName, capacity, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintStr(": ", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
}

// The counter entry; in XML it opens the "<Counters>" section.
void UmtCounterHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    MosUmtClassCounter entry;
    std::memcpy(&entry, pWire + row.offset, sizeof(entry));
    if (!bXml) {
        PrintEntryName(view, entry.name, sizeof(entry.name));
        view.PrintUInt64(entry.value, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        return;
    }
    std::string element = CounterElementName(entry.name, sizeof(entry.name));
    view.NewLine();
    view.PutTabs(2);
    view.PrintStr("<Counters>", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.NewLine();
    view.PutTabs(3);
    PrintCounterTag(view, "<", element);
    view.PrintUInt64(entry.value, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    PrintCounterTag(view, "</", element);
    view.NewLine();
}

void PrintUmtStatsEntry(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                        bool bXml) {
    MosUmtClassStats entry;
    std::memcpy(&entry, pWire + row.offset, sizeof(entry));
    if (!bXml) {
        PrintEntryName(view, entry.name, sizeof(entry.name));
        view.PrintSampleStats(entry.stats, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP, 0);
        return;
    }
    std::string element = CounterElementName(entry.name, sizeof(entry.name));
    view.PutTabs(3);
    PrintCounterTag(view, "<", element);
    view.PrintSampleStats(entry.stats, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP, 1);
    PrintCounterTag(view, "</", element);
    view.NewLine();
}

void UmtStatsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                  bool bXml) {
    PrintUmtStatsEntry(view, pWire, row, bXml);
}

// The last entry of the section also closes it.
void UmtLastStatsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                      bool bXml) {
    PrintUmtStatsEntry(view, pWire, row, bXml);
    if (bXml) {
        view.PutTabs(2);
        view.PrintStr("</Counters>", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
}

constexpr Sdbg_ViewRow kUmtClassRows[] = {
    SDBG_ROW(1, MosUmtClassQuery, className, "Name:", Str, SDBG_VALUE),
    SDBG_HOOK_ROW(2, MosUmtClassQuery, counter, nullptr, UmtCounterHook),
    SDBG_HOOK_ROW(3, MosUmtClassQuery, statsEntries[1], nullptr, UmtStatsHook),
    SDBG_HOOK_ROW(4, MosUmtClassQuery, statsEntries[0], nullptr, UmtLastStatsHook),
};

constexpr Sdbg_ViewRow kMemoryTrackerRows[] = {
    SDBG_ROW(1, _MosMemoryTracker_Query, numAllocatedMemoryBlocks, " #blocks: ", LLU, SDBG_VALUE),
    SDBG_ROW(1, _MosMemoryTracker_Query, totalAllocatedMemorySizeMB, " #total alloced MB: ", LLU,
             SDBG_VALUE),
    SDBG_ROW(1, _MosMemoryTracker_Query, totalShmAllocatedMemorySizeMB,
             " #total shm alloced MB: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _MosMemoryTracker_Query, numAllocationsSucceeded, " #total success allocs: ", LLU,
             SDBG_VALUE),
    SDBG_ROW(2, _MosMemoryTracker_Query, numAllocationsFreed, " #total freed allocs: ", LLU,
             SDBG_VALUE),
    SDBG_ROW(2, _MosMemoryTracker_Query, numAllocationsFailed, " #total FAILED allocs: ", LLU,
             SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kUTConfEntryRows[] = {
    SDBG_ROW(1, _MosUTConfEntry, entryName, "Hook name::", Str, SDBG_VALUE),
    SDBG_ROW(1, _MosUTConfEntry, threshFuncName, " Threshold function:", Str, SDBG_VALUE),
    SDBG_ROW(1, _MosUTConfEntry, threshFuncParam, " threshFuncParam: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosUTConfEntry, actionFuncName, " Action function:", Str, SDBG_VALUE),
    SDBG_ROW(1, _MosUTConfEntry, actionFuncParam, " actionFuncParam: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _MosUTConfEntry, bReturnFromHook, " bReturnFromHook: ", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kUTConfEntryUnread[] = {SDBG_UNREAD(_MosUTConfEntry, reserved)};

constexpr Sdbg_ViewRow kUTFuncRows[] = {
    SDBG_ROW(1, _MosUTFuncQuery, funcName, "Function name: ", Str, SDBG_VALUE),
};

// The valid stage records, bounded by the array's capacity.
void PerfStagesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    uint32_t numStages;
    std::memcpy(&numStages, pWire + offsetof(MosPerfStack_Query, numStages), sizeof(numStages));
    uint32_t count = numStages < MOS_PERF_STACK_STAGES ? numStages : MOS_PERF_STACK_STAGES;
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    for (uint32_t i = 0; i < count; ++i) {
        Sdbg_PerfStageRecord stage;
        std::memcpy(&stage, pWire + row.offset + i * sizeof(stage), sizeof(stage));
        view.PrintPerfStage(stage, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE, bXml ? 1 : 0);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kPerfStackRows[] = {
    SDBG_ROW(1, MosPerfStack_Query, contextDescription, "Description: ", Str, SDBG_VALUE),
    SDBG_ROW(1, MosPerfStack_Query, ctxSwitchStat, " #context switches: ", SampleStats, SDBG_VALUE),
    SDBG_ROW(2, MosPerfStack_Query, totalStage, nullptr, PerfStage, SDBG_PAIR(1, -1)),
    SDBG_HOOK_ROW(3, MosPerfStack_Query, stages, nullptr, PerfStagesHook),
    SDBG_COUNT_ROW(MosPerfStack_Query, numStages),
};

constexpr Sdbg_ViewRow kMemAllocatorRows[] = {
    SDBG_ROW(1, MosMemAllocator_Query, name, "name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, MosMemAllocator_Query, sizeBytes, " sizeBytes:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosMemAllocator_Query, numMemChunks, " numMemChunks:", U, SDBG_VALUE),
    SDBG_ROW(1, MosMemAllocator_Query, maxMemChunkSizeBytes, " maxMemChunkSizeBytes:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, MosMemAllocator_Query, numAllocatedBlocks, " Allocated Blocks:", U, SDBG_VALUE),
    SDBG_ROW(1, MosMemAllocator_Query, allocatedBytes, " Allocated Bytes:", U, SDBG_VALUE),
    SDBG_ROW(1, MosMemAllocator_Query, waitersNum, " Waiters#:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosMemAllocator_Query, flBitmap, " firstLevelBitmap:", Hex0x, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kMemAllocatorUnread[] = {SDBG_UNREAD(MosMemAllocator_Query, reserved)};

constexpr Sdbg_ViewRow kXmtiManagerRows[] = {
    SDBG_ROW(1, _MosXmti_ManagerQuery, lastOpStatus, " Last command status:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosXmti_ManagerQuery, numDetours, " # Detours:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosXmti_ManagerQuery, numActiveDetours, " # Active detours:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosXmti_ManagerQuery, numRegisteredBundles, " # Registered bundles:", U,
             SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosXmti_ManagerQuery, numActiveBundles, " # Active bundles:", U, SDBG_HIGHLIGHT),
};

constexpr Sdbg_ViewRow kXmtiDetourRows[] = {
    SDBG_ROW(1, _MosXmti_DetourQuery, detourableFuncName, " Detourable:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _MosXmti_DetourQuery, detourFuncName, " Detour:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _MosXmti_DetourQuery, bundleName, " Root bundle:", Str, SDBG_HIGHLIGHT),
};
constexpr Sdbg_ByteRange kXmtiDetourUnread[] = {SDBG_UNREAD(_MosXmti_DetourQuery, reserved)};

// A name list of a bundle: the first min(count, 8) names, one per line,
// and "..and more.." when the real count exceeds what the record holds.
void PrintBundleNameList(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                         uint32_t countOffset, bool bXml) {
    uint32_t count;
    std::memcpy(&count, pWire + countOffset, sizeof(count));
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    const char *pNames = reinterpret_cast<const char *>(pWire + row.offset);
    uint32_t nameSize = row.size / MOS_XMTI_BUNDLE_NAMES;
    for (uint32_t i = 0; i < count && i < MOS_XMTI_BUNDLE_NAMES; ++i) {
        view.PrintStr("  ", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        Sdbg_PrintText(view, pNames + i * nameSize, nameSize, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        view.NewLine();
    }
    if (count > MOS_XMTI_BUNDLE_NAMES) {
        view.PrintStr("..and more..", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        view.NewLine();
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

void ContainedBundlesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                          bool bXml) {
    PrintBundleNameList(view, pWire, row, offsetof(_MosXmti_BundleQuery, numContainedBundles),
                        bXml);
}

void DetourNamesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                     bool bXml) {
    PrintBundleNameList(view, pWire, row, offsetof(_MosXmti_BundleQuery, numDetours), bXml);
}

constexpr Sdbg_ViewRow kXmtiBundleRows[] = {
    SDBG_ROW(1, _MosXmti_BundleQuery, bundleName, "Bundle name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _MosXmti_BundleQuery, bundleStatus, "Bundle status:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(3, _MosXmti_BundleQuery, isDirectlyActivated, "Is directly activated:", U,
             SDBG_HIGHLIGHT),
    SDBG_ROW(3, _MosXmti_BundleQuery, activatedByOtherCount, " # Activations by other:", U,
             SDBG_HIGHLIGHT),
    SDBG_ROW(3, _MosXmti_BundleQuery, referencedByOtherCount, " # References by other:", U,
             SDBG_HIGHLIGHT),
    SDBG_ROW(4, _MosXmti_BundleQuery, numContainedBundles, " # Contained bundles:", U,
             SDBG_HIGHLIGHT),
    SDBG_HOOK_ROW(5, _MosXmti_BundleQuery, containedBundleNames, nullptr, ContainedBundlesHook),
    SDBG_ROW(5, _MosXmti_BundleQuery, numDetours, " # Detours:", U, SDBG_HIGHLIGHT),
    SDBG_HOOK_ROW(6, _MosXmti_BundleQuery, detourFuncNames, nullptr, DetourNamesHook),
};
constexpr Sdbg_ByteRange kXmtiBundleUnread[] = {SDBG_UNREAD(_MosXmti_BundleQuery, version)};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kMosDevView, _MosDevQuery, kMosDevRows, kMosDevUnread, 2);
SDBG_DEFINE_VIEW(kUmtClassView, MosUmtClassQuery, kUmtClassRows, 1);
SDBG_DEFINE_VIEW(kMemoryTrackerView, _MosMemoryTracker_Query, kMemoryTrackerRows, 0);
SDBG_DEFINE_VIEW_GAPS(kUTConfEntryView, _MosUTConfEntry, kUTConfEntryRows, kUTConfEntryUnread, 0);
SDBG_DEFINE_VIEW(kUTFuncView, _MosUTFuncQuery, kUTFuncRows, 0);
SDBG_DEFINE_VIEW(kPerfStackView, MosPerfStack_Query, kPerfStackRows, 0);
SDBG_DEFINE_VIEW_GAPS(kMemAllocatorView, MosMemAllocator_Query, kMemAllocatorRows,
                      kMemAllocatorUnread, 0);
SDBG_DEFINE_VIEW(kXmtiManagerView, _MosXmti_ManagerQuery, kXmtiManagerRows, 0);
SDBG_DEFINE_VIEW_GAPS(kXmtiDetourView, _MosXmti_DetourQuery, kXmtiDetourRows, kXmtiDetourUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kXmtiBundleView, _MosXmti_BundleQuery, kXmtiBundleRows, kXmtiBundleUnread, 0);
