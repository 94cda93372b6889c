// Views of the data server's volumes, VTrees, heads, RAID records, combs,
// RAID layer and RAID synchronisation pool.

#include "sdbg_views_tgt_hooks.h"

using namespace sdbg_wire;
using namespace sdbg_tgt;

namespace {

// ---- Volume, VTree, head ----

constexpr Sdbg_ViewRow kVolRows[] = {
    SDBG_ROW(1, _VolQuery, volId, " VolId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _VolQuery, volGenNum, " Generation number:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _VolQuery, vtreeId, " VtreeId:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _VolQuery, scsiGenNum, " Scsi Generation number:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _VolQuery, bQuiesced, " bQuiesced:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _VolQuery, bBlockIo, " bBlockIo:", D, SDBG_NONZERO_ALERT),
};

// A list of the latest rename durations, bounded by its count.
struct DurationList {
    const char *pEmpty;
    const char *pAverage;
    uint32_t countOffset;
};

constexpr DurationList kScanDurations{
    "No rename-scans were completed yet.",
    "Average rename scan duration: ", offsetof(_VtreeQuery, numLastRenameScanDurations)};
constexpr DurationList kOverallDurations{
    "No renames fully completed yet.",
    "Average rename overall duration: ", offsetof(_VtreeQuery, numLastRenameOverallDurations)};

// The items, an empty line and their average; ends without a line break.
// The count comes from the record: it never reaches past the five slots.
void PrintDurations(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    const DurationList &list) {
    uint32_t count = ReadWire<uint32_t>(pWire, list.countOffset);
    count = count < kVtreeRenameDurations ? count : kVtreeRenameDurations;
    if (count == 0) {
        view.PrintStr(list.pEmpty, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        return;
    }
    uint64_t sumSec = 0;
    view.NewLine();
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t durationSec = ReadWire<uint64_t>(pWire, row.offset + i * sizeof(uint64_t));
        sumSec += durationSec;
        view.PrintUInt(i, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
        view.PrintStr(": ", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
        view.PrintUInt64(durationSec, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        view.PrintStr("sec", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        view.NewLine();
    }
    view.NewLine();
    view.PrintStr(list.pAverage, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintUInt64(sumSec / count, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    view.PrintStr("sec", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
}

template <const DurationList &kList>
void DurationsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    PrintDurations(view, pWire, row, kList);
    view.NewLine();
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kVtreeRows[] = {
    SDBG_ROW(1, _VtreeQuery, vtreeId, " VtreeId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _VtreeQuery, time, " Time:", U, SDBG_VALUE),
    SDBG_ROW(1, _VtreeQuery, bEncryption, " Encryption:", D, SDBG_VALUE),
    SDBG_ROW(2, _VtreeQuery, complementRmwCount, " Complement read-modify-writes:", LLU,
             SDBG_VALUE),
    SDBG_ROW(3, _VtreeQuery, doneSnapRenameGeneration, " Done rename generation:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _VtreeQuery, doneSnapDelGeneration, " Done delete generation:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _VtreeQuery, newSnapDelGeneration, " New delete generatio:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _VtreeQuery, vtreeUsageMB, " Vtree usage MB:", U, SDBG_VALUE),
    SDBG_ROW(3, _VtreeQuery, baseVolUsageMB, " Base vol usage MB:", U, SDBG_VALUE),
    SDBG_ROW(4, _VtreeQuery, renamesStartedInMyPresence, " renames started in my presence:", LLU,
             SDBG_VALUE),
    SDBG_ROW(4, _VtreeQuery, renamesFinishedInMyPresence, " renames finished in my presence:", LLU,
             SDBG_VALUE),
    SDBG_ROW(5, _VtreeQuery, renameState, " rename state:", U, SDBG_VALUE),
    SDBG_ROW(5, _VtreeQuery, vOld, " vOld:", U, SDBG_VALUE),
    SDBG_ROW(5, _VtreeQuery, vNew, " vNew:", U, SDBG_VALUE),
    SDBG_ROW(5, _VtreeQuery, thresholdTime, " rename's thresholdTime (original time of vNew):", U,
             SDBG_VALUE),
    SDBG_ROW(6, _VtreeQuery, bCreateInitialTooth, " may create initial teeth? :", D, SDBG_VALUE),
    // Each list ends its own last line.
    SDBG_LABELLED_HOOK_ROW(
        7, _VtreeQuery, lastRenameScanDurationsSec,
        " Latest rename scan durations (0 is latest):", DurationsHook<kScanDurations>),
    SDBG_COUNT_ROW(_VtreeQuery, numLastRenameScanDurations),
    SDBG_LABELLED_HOOK_ROW(
        7, _VtreeQuery, lastRenameOverallDurationsSec,
        " Latest rename overall durations (0 is latest):", DurationsHook<kOverallDurations>),
    SDBG_COUNT_ROW(_VtreeQuery, numLastRenameOverallDurations),
};
constexpr Sdbg_ByteRange kVtreeUnread[] = {SDBG_UNREAD(_VtreeQuery, reserved)};

constexpr Sdbg_ViewRow kHeadRows[] = {
    SDBG_ROW(1, _HeadQuery, headId, " HeadId:", Hex0x, SDBG_VALUE),
};

// ---- RAID and combs ----

constexpr Sdbg_ViewRow kRaidRows[] = {
    SDBG_ROW(1, _RaidQuery, combId, " Comb ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _RaidQuery, raidTgtId, " Raid tgt Id:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _RaidQuery, migrateTgtId, " Mig tgt Id:", Hex0x, SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.count, " Num of rebuilds: ", U, SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.sizeCopiedLbs, " Total rebuild - size copied (lbs):", U,
             SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.lastSizeCopiedLbs, " Last rebuild - size copied (lbs):", U,
             SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.progress, " Progress:", U, SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.lastRebuildCopyTimeMillis, " Last rebuild time(ms): ", U,
             SDBG_VALUE),
};
// The generation numbers are the comb view's to print.
constexpr Sdbg_ByteRange kRaidUnread[] = {
    SDBG_UNREAD(_RaidQuery, reserved1),        SDBG_UNREAD(_RaidQuery, genNum),
    SDBG_UNREAD(_RaidQuery, reserved2),        SDBG_UNREAD(_RaidQuery, tgtCombCmdGenNum),
    SDBG_UNREAD(_RaidQuery, mdmRestartGenNum),
};

// The records nested in the comb, over their own offsets; their elements
// are named within the record.
constexpr Sdbg_ViewRow kElockRows[] = {
    SDBG_ROW(1, CombElockQuery, pendIos, " Pend IOs:", U, SDBG_VALUE),
    SDBG_ROW(1, CombElockQuery, inProgIos, " In progress IOs:", U, SDBG_VALUE),
    SDBG_ROW(1, CombElockQuery, ioCount, " IO count:", U, SDBG_VALUE),
};
constexpr Sdbg_ViewTable kElockTable = SDBG_SUB_TABLE(CombElockQuery, kElockRows);

// The comb's copy of its RAID record: the generation numbers and the
// rebuild statistics, not the ids the RAID view prints.
constexpr Sdbg_ViewRow kCombRaidRows[] = {
    SDBG_ROW(1, _RaidQuery, genNum, " Gen Number:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _RaidQuery, tgtCombCmdGenNum, " TGT comb command Gen number:", D, SDBG_VALUE),
    SDBG_ROW(1, _RaidQuery, mdmRestartGenNum, " MDM restart Gen number:", D, SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.count, " Num of rebuilds: ", U, SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.sizeCopiedLbs, " Total rebuild - size copied (lbs):", U,
             SDBG_VALUE),
    SDBG_ROW(2, _RaidQuery, rebuildStat.lastSizeCopiedLbs, " Last rebuild - size copied (lbs):", U,
             SDBG_VALUE),
    SDBG_ROW(3, _RaidQuery, rebuildStat.lastRebuildCopyTimeMillis, " Last rebuild time(ms): ", U,
             SDBG_VALUE),
};
constexpr Sdbg_ViewTable kCombRaidTable = SDBG_SUB_TABLE(_RaidQuery, kCombRaidRows);

// Text: the fields inline, on the lines their rows say. XML: the record's
// element (tags in the colours in force) around one element per field.
void PrintNestedRecord(Sdbg_LogicalView &view, const uint8_t *pRecord, const Sdbg_ViewTable &table,
                       const char *pName, bool bXml) {
    char tag[64];
    if (bXml) {
        mos_Snprintf(tag, sizeof(tag), "<%s>", pName);
        view.NewLine();
        view.PutTabs(2);
        view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    }
    uint16_t line = table.pRows[0].line;
    for (uint32_t i = 0; i < table.rowCount; ++i) {
        const Sdbg_ViewRow &row = table.pRows[i];
        if (bXml) {
            Sdbg_PrintOpenTag(view, 3, row.pXml);
        } else {
            for (; line < row.line; ++line) {
                view.NewLine();
            }
            view.PrintStr(row.pLabel, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        }
        Sdbg_PrintValue(view, row, pRecord);
        if (bXml) {
            Sdbg_PrintCloseTag(view, row.pXml);
        }
    }
    if (bXml) {
        mos_Snprintf(tag, sizeof(tag), "</%s>", pName);
        view.NewLine();
        view.PutTabs(2);
        view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    }
}

void NestedRecordHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                      bool bXml) {
    PrintNestedRecord(view, pWire + row.offset, *row.pNested, row.pXml, bXml);
}

constexpr Sdbg_ViewRow kCombRows[] = {
    SDBG_NESTED_ROW(1, _CombQuery, ElockQuery, "Elock", NestedRecordHook, kElockTable),
    SDBG_NESTED_ROW(1, _CombQuery, RaidQuery, " Raid", NestedRecordHook, kCombRaidTable),
    // Screen line 3.
    SDBG_ROW(1, _CombQuery, combId, " Comb ID:", Hex0x, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kCombUnread[] = {SDBG_UNREAD(_CombQuery, reserved)};

constexpr Sdbg_ViewRow kRaidLayerRows[] = {
    SDBG_ROW(1, RaidLayerQuery, asyncWriteSec, " Number of A-Sync WriteSec inflight:", U,
             SDBG_VALUE),
    SDBG_ROW(2, RaidLayerQuery, syncWriteSec, " Number of Sync WriteSec inflight:", U, SDBG_VALUE),
};

constexpr uint32_t kRebuildRangeKb = 128;

// Eight ranges of 128KB, then the ninth slot labelled by its bound alone.
void PrintRebuildSizeRanges(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    char range[48];
    for (uint32_t i = 0; i < kRaidRebuildSizeRanges; ++i) {
        if (i + 1 < kRaidRebuildSizeRanges) {
            mos_Snprintf(range, sizeof(range), "  %u-%uKB ", kRebuildRangeKb * i,
                         kRebuildRangeKb * (i + 1));
        } else {
            mos_Snprintf(range, sizeof(range), "  %dKB ", static_cast<int>(kRebuildRangeKb * i));
        }
        view.PrintStr(range, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintUInt(ReadWire<uint32_t>(pWire, row.offset + i * sizeof(uint32_t)),
                       SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    }
}

void RebuildSizeRangesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml) {
    if (!bXml) {
        PrintRebuildSizeRanges(view, pWire, row);
        return;
    }
    Sdbg_PrintOpenTag(view, 2, row.pXml);
    PrintRebuildSizeRanges(view, pWire, row);
    view.NewLine();
    Sdbg_PrintCloseTag(view, row.pXml);
}

constexpr Sdbg_ViewRow kRaidPoolRows[] = {
    SDBG_ROW(1, _RaidSyncPoolQuery, numOfMigrations, " Number of migrations:", U, SDBG_VALUE),
    SDBG_ROW(1, _RaidSyncPoolQuery, numOfRebuilds, " Number of rebuilds:", U, SDBG_VALUE),
    SDBG_ROW(1, _RaidSyncPoolQuery, numOfChunkMigrations, " Number of chunk migrations:", U,
             SDBG_VALUE),
    SDBG_ROW(2, _RaidSyncPoolQuery, numOfRebuildIOs, " Number of total IOs in the rebuild:", U,
             SDBG_VALUE),
    SDBG_ROW(3, _RaidSyncPoolQuery, sizeOfRebuildIOs, " Size in LB of total IOs in the rebuild:", U,
             SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(4, _RaidSyncPoolQuery, rebuildsPerIOsSize,
                           " Total IOs per size range in the rebuild:", RebuildSizeRangesHook),
};

} // namespace

SDBG_DEFINE_VIEW(kTgtVolView, _VolQuery, kVolRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtVtreeView, _VtreeQuery, kVtreeRows, kVtreeUnread, 0);
SDBG_DEFINE_VIEW(kTgtHeadView, _HeadQuery, kHeadRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtRaidView, _RaidQuery, kRaidRows, kRaidUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtCombView, _CombQuery, kCombRows, kCombUnread, 0);
SDBG_DEFINE_VIEW(kTgtRaidLayerView, RaidLayerQuery, kRaidLayerRows, 0);
SDBG_DEFINE_VIEW(kTgtRaidPoolView, _RaidSyncPoolQuery, kRaidPoolRows, 1);
