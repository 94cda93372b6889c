// Views of the storage engine's instance, volumes, VTrees and change logs,
// and of the non-volatile lists and hashes: the views that print nested
// diagnostic records and distribution records.

#include "sdbg_view_catalog.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr int32_t LABEL = SDBG_COLOR_LABEL;
constexpr int32_t KEEP = SDBG_COLOR_KEEP;

// A distribution record as a block of its own lines; in XML inside its
// element, the block's first line continuing the open tag's line and the
// close tag at the start of the line after it.
void PrintDistributionRow(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                          bool bXml, const char *pTitle, const char *pCaption) {
    Sdbg_DistributionRecord record;
    std::memcpy(&record, pWire + row.offset, sizeof(record));
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    view.PrintDistribution(pTitle, pCaption, record);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

// A field whose text line opens with a lead text (the row's label, which
// the text renderer writes in the current colours): the text view then
// writes the field's own label and value; the XML view writes the lead
// text after the element before and then the field's element.
void PrintLedField(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml,
                   const char *pFieldLabel, Sdbg_Format format) {
    Sdbg_ViewRow valueRow = row;
    valueRow.format = format;
    if (bXml) {
        view.PrintStr(row.pLabel, KEEP, KEEP);
        Sdbg_PrintOpenTag(view, 2, row.pXml);
        Sdbg_PrintValue(view, valueRow, pWire);
        Sdbg_PrintCloseTag(view, row.pXml);
        return;
    }
    view.PrintStr(pFieldLabel, LABEL, LABEL);
    Sdbg_PrintValue(view, valueRow, pWire);
}

// One element of a nested record, indented by three tabs.
void PrintNestedU32(Sdbg_LogicalView &view, const char *pName, uint32_t value) {
    Sdbg_PrintOpenTag(view, 3, pName);
    view.PrintUInt(value, SDBG_COLOR_VALUE, KEEP);
    Sdbg_PrintCloseTag(view, pName);
}

void PrintNestedU64(Sdbg_LogicalView &view, const char *pName, uint64_t value, int32_t fg) {
    Sdbg_PrintOpenTag(view, 3, pName);
    view.PrintUInt64(value, fg, KEEP);
    Sdbg_PrintCloseTag(view, pName);
}

void PrintNestedFraction(Sdbg_LogicalView &view, const char *pName, const uint64_t pPair[2]) {
    Sdbg_PrintOpenTag(view, 3, pName);
    view.PrintFraction(pPair, SDBG_COLOR_VALUE, KEEP);
    Sdbg_PrintCloseTag(view, pName);
}

// The nested record's tags, in the current colours.
void PrintNestedTag(Sdbg_LogicalView &view, const char *pTag) {
    view.NewLine();
    view.PutTabs(2);
    view.PrintStr(pTag, KEEP, KEEP);
}

int32_t NonzeroAlert(uint64_t value) {
    return value != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE;
}

void PrintInstanceDiagnosticsText(Sdbg_LogicalView &view,
                                  const SpefInstanceDiagnosticsInfo_Debug &d) {
    view.NewLine();
    view.NewLine();
    view.PrintStr("Debug counters ", KEEP, KEEP);
    view.NewLine();
    view.PrintStr("Average Processing Latency Due to compression features:", KEEP, KEEP);
    view.NewLine();
    view.PrintStr("  Compressed enrties[usec]: ", LABEL, LABEL);
    view.PrintFraction(d.avgProcessingLatencyForCompressedEntriesInUsec, SDBG_COLOR_VALUE, KEEP);
    view.NewLine();
    view.PrintStr("  Non Compressed entries[usec]: ", LABEL, LABEL);
    view.PrintFraction(d.avgProcessingLatencyForNonCompressedEntriesInUsec, SDBG_COLOR_VALUE, KEEP);
    view.NewLine();
    view.PrintStr("  Decompressing entries[usec]: ", LABEL, LABEL);
    view.PrintFraction(d.avgProcessingLatencyForDecompressionInUsec, SDBG_COLOR_VALUE, KEEP);
    view.PrintStr("    CUG Mempool errors: ", LABEL, LABEL);
    view.PrintUInt64(d.cugMempoolErrorCnt, NonzeroAlert(d.cugMempoolErrorCnt), KEEP);
    view.NewLine();
    view.PrintStr("    Invalid Parameter Errors: ", LABEL, LABEL);
    view.PrintUInt64(d.invalidParametersErrorCnt, NonzeroAlert(d.invalidParametersErrorCnt), KEEP);
    view.NewLine();
    view.PrintStr("    InflightChecksum failures: ", LABEL, LABEL);
    view.PrintUInt64(d.inflightChecksumMismatchErrorCnt,
                     NonzeroAlert(d.inflightChecksumMismatchErrorCnt), KEEP);
    view.NewLine();
    view.PrintStr("    Allocated Shm in Bytes: ", LABEL, LABEL);
    view.PrintUInt64(d.allocatedShmBs, SDBG_COLOR_VALUE, KEEP);
    view.NewLine();
}

void PrintInstanceDiagnosticsXml(Sdbg_LogicalView &view,
                                 const SpefInstanceDiagnosticsInfo_Debug &d) {
    PrintNestedTag(view, "<SpefInstanceDiagnosticsInfo_Debug>");
    PrintNestedFraction(view, "avgProcessingLatencyForCompressedEntriesInUsec",
                        d.avgProcessingLatencyForCompressedEntriesInUsec);
    PrintNestedFraction(view, "avgProcessingLatencyForNonCompressedEntriesInUsec",
                        d.avgProcessingLatencyForNonCompressedEntriesInUsec);
    PrintNestedFraction(view, "avgProcessingLatencyForDecompressionInUsec",
                        d.avgProcessingLatencyForDecompressionInUsec);
    PrintNestedU64(view, "cugMempoolErrorCnt", d.cugMempoolErrorCnt,
                   NonzeroAlert(d.cugMempoolErrorCnt));
    PrintNestedU64(view, "invalidParametersErrorCnt", d.invalidParametersErrorCnt,
                   NonzeroAlert(d.invalidParametersErrorCnt));
    PrintNestedU64(view, "inflightChecksumMismatchErrorCnt", d.inflightChecksumMismatchErrorCnt,
                   NonzeroAlert(d.inflightChecksumMismatchErrorCnt));
    PrintNestedU64(view, "allocatedShmBs", d.allocatedShmBs, SDBG_COLOR_VALUE);
    PrintNestedTag(view, "</SpefInstanceDiagnosticsInfo_Debug>");
}

void InstanceDiagnosticsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                             bool bXml) {
    SpefInstanceDiagnosticsInfo_Debug diagnostics;
    std::memcpy(&diagnostics, pWire + row.offset, sizeof(diagnostics));
    if (bXml) {
        PrintInstanceDiagnosticsXml(view, diagnostics);
    } else {
        PrintInstanceDiagnosticsText(view, diagnostics);
    }
}

constexpr Sdbg_ViewRow kSpefInstanceRows[] = {
    SDBG_HOOK_ROW(1, _SpefInstanceQuery, diagnostics, nullptr, InstanceDiagnosticsHook),
};
constexpr Sdbg_ByteRange kSpefInstanceUnread[] = {SDBG_UNREAD(_SpefInstanceQuery, reserved)};

// The volume's capacity-reclaim counters: a second text line, or a nested
// element.
void VolumeDiagnosticsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml) {
    SpefVolumeDiagnosticsInfo_Debug d;
    std::memcpy(&d, pWire + row.offset, sizeof(d));
    if (bXml) {
        PrintNestedTag(view, "<SpefVolumeDiagnosticsInfo_Debug>");
        PrintNestedU32(view, "craAssociatedOctetsCnt", d.craAssociatedOctetsCnt);
        PrintNestedU32(view, "craMaxAssociatedL2pPagesCnt", d.craMaxAssociatedL2pPagesCnt);
        PrintNestedU32(view, "craProcessedL2pPagesCnt", d.craProcessedL2pPagesCnt);
        PrintNestedTag(view, "</SpefVolumeDiagnosticsInfo_Debug>");
        return;
    }
    view.NewLine();
    view.PrintStr("   Associated Octets: ", LABEL, LABEL);
    view.PrintUInt(d.craAssociatedOctetsCnt, SDBG_COLOR_VALUE, KEEP);
    view.PrintStr("  Max associate L2P pages: ", LABEL, LABEL);
    view.PrintUInt(d.craMaxAssociatedL2pPagesCnt, SDBG_COLOR_VALUE, KEEP);
    view.PrintStr("  Total Processed L2P pages: ", LABEL, LABEL);
    view.PrintUInt(d.craProcessedL2pPagesCnt, SDBG_COLOR_VALUE, KEEP);
}

constexpr Sdbg_ViewRow kSpefVolumeRows[] = {
    SDBG_ROW(1, _SpefVolumeQuery, volumeId, "Volume ID:", U, SDBG_HIGHLIGHT),
    SDBG_HOOK_ROW(1, _SpefVolumeQuery, diagnostics, " CRA information:", VolumeDiagnosticsHook),
};
constexpr Sdbg_ByteRange kSpefVolumeUnread[] = {SDBG_UNREAD(_SpefVolumeQuery, reserved)};

constexpr Sdbg_ViewRow kSpefVTreeRows[] = {
    SDBG_ROW(1, _SpefVTreeQuery, vTreeId, "VTree Id: ", Hex0x, SDBG_HIGHLIGHT),
};
constexpr Sdbg_ByteRange kSpefVTreeUnread[] = {SDBG_UNREAD(_SpefVTreeQuery, reserved)};

void AuRecordLimitsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                        bool bXml) {
    PrintLedField(view, pWire, row, bXml, "Minimum (CentiRecords): ", Sdbg_Format::D);
}

void SetUtilizationHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                        bool bXml) {
    PrintDistributionRow(view, pWire, row, bXml, "Set Utiliziation", "Utilization / num of sets");
}

constexpr Sdbg_ViewRow kSpefChangeLogRows[] = {
    SDBG_ROW(1, _SpefChangeLogQuery, devId, "device id: ", Hex0x, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _SpefChangeLogQuery, spefAfsSubComponentStr, " SubComponent: ", Str,
             SDBG_HIGHLIGHT),
    SDBG_ROW(2, _SpefChangeLogQuery, numberOfAus, "Num of Aus: ", U, SDBG_VALUE),
    SDBG_ROW(2, _SpefChangeLogQuery, recordSizeInBytes, " Record size (Bytes): ", D, SDBG_VALUE),
    SDBG_ROW(2, _SpefChangeLogQuery, changelogAccDevFilesCnt, " AccDev files: ", D, SDBG_VALUE),
    SDBG_HOOK_ROW(3, _SpefChangeLogQuery, auMinRecordCountInCentiRecords, "Au Records limits - ",
                  AuRecordLimitsHook),
    SDBG_ROW(3, _SpefChangeLogQuery, auOptimumRecordCount, " Optimum(records): ", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, _SpefChangeLogQuery, auRecordLimitCount, " Maximum(records): ", D, SDBG_ZERO_ALERT),
    SDBG_ROW(4, _SpefChangeLogQuery, bWriteThrough, "WriteThrough: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, _SpefChangeLogQuery, totalChangelogWriteThroughDueToOverallCongestionCnt,
             " Writethrough's due to congestion: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, _SpefChangeLogQuery, totalChangelogWriteThroughDueToAuLimitCnt,
             " due to Au limit: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, _SpefChangeLogQuery, totalChangelogInsertsCnt, "Total inserts: ", LLU, SDBG_VALUE),
    SDBG_ROW(5, _SpefChangeLogQuery, totalChangelogDestageBwc, " Total num. destages: ", LLU,
             SDBG_VALUE),
    SDBG_ROW(5, _SpefChangeLogQuery, avgChangelogRecordsPerInsertCnt,
             " Avg. records per insert: ", D, SDBG_VALUE),
    SDBG_ROW(5, _SpefChangeLogQuery, avgChangelogRecordsPerDestageCnt,
             " Avg. records per destage: ", D, SDBG_VALUE),
    SDBG_HOOK_ROW(6, _SpefChangeLogQuery, changelogSetUtilizationPercentageHist, nullptr,
                  SetUtilizationHook),
};
constexpr Sdbg_ByteRange kSpefChangeLogUnread[] = {
    SDBG_UNREAD(_SpefChangeLogQuery, reserved0),
    SDBG_UNREAD(_SpefChangeLogQuery, reserved1),
    SDBG_UNREAD(_SpefChangeLogQuery, reserved2),
};

constexpr Sdbg_ViewRow kNvDListRows[] = {
    SDBG_ROW(1, _NvDListQuery, ListTypeName, "List type: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NvDListQuery, DataTypeName, " Data type: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NvDListQuery, bNoDataList, " list type no data: ", D, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NvDListQuery, ListState, " State: ", Str, SDBG_VALUE),
    SDBG_ROW(1, _NvDListQuery, offsetSizeInBytes, " Offset size (Bytes): ", D, SDBG_VALUE),
    SDBG_ROW(2, _NvDListQuery, numNodes, "Num used nodes: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _NvDListQuery, maxNodes, " Max nodes: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _NvDListQuery, headOffset, " head offset: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _NvDListQuery, tailOffset, " tail offset: ", LLU, SDBG_VALUE),
};

void DataSizesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    PrintLedField(view, pWire, row, bXml, "Total metadata: ", Sdbg_Format::LLU);
}

void BucketOccupancyHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                         bool bXml) {
    PrintDistributionRow(view, pWire, row, bXml, "Bucket Occupancy",
                         "Entries in bucket / Number of histogram buckets");
}

constexpr Sdbg_ViewRow kNvHashRows[] = {
    SDBG_ROW(1, _NvHashQuery, HashTypeName, "Hash Type: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NvHashQuery, HashName, " Hash Name: ", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NvHashQuery, numBuckets, " Num buckets: ", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _NvHashQuery, ValueTypeName, "Value Type: ", Str, SDBG_VALUE),
    SDBG_ROW(2, _NvHashQuery, KeyTypeName, " Key Type: ", Str, SDBG_VALUE),
    SDBG_ROW(2, _NvHashQuery, offsetSizeInBytes, " Offset size(bytes): ", D, SDBG_VALUE),
    SDBG_ROW(3, _NvHashQuery, bKeylessHash, " Keyless hash: ", D, SDBG_HIGHLIGHT),
    SDBG_ROW(3, _NvHashQuery, bIsRestricted, " Is Restricted hash type: ", D, SDBG_HIGHLIGHT),
    SDBG_ROW(4, _NvHashQuery, numElements, "Num elements:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _NvHashQuery, maxNumElements, " Max elements: ", LLU, SDBG_VALUE),
    SDBG_ROW(4, _NvHashQuery, headOffset, " Head offset: ", LLU, SDBG_VALUE),
    SDBG_ROW(4, _NvHashQuery, tailOffset, " Tail offset: ", LLU, SDBG_VALUE),
    SDBG_HOOK_ROW(5, _NvHashQuery, metadataSizeInBytes, "Data sizes in bytes: ", DataSizesHook),
    SDBG_ROW(5, _NvHashQuery, bucketsControlSizeInBytes, " Bucket control: ", U, SDBG_VALUE),
    SDBG_ROW(5, _NvHashQuery, controlSizeInBytes, " Control: ", U, SDBG_VALUE),
    SDBG_ROW(5, _NvHashQuery, tspSizeInBytes, " Tsp: ", U, SDBG_VALUE),
    SDBG_HOOK_ROW(6, _NvHashQuery, bucketOccupancyHist, nullptr, BucketOccupancyHook),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kSpefInstanceView, _SpefInstanceQuery, kSpefInstanceRows, kSpefInstanceUnread,
                      0);
SDBG_DEFINE_VIEW_GAPS(kSpefVolumeView, _SpefVolumeQuery, kSpefVolumeRows, kSpefVolumeUnread, 1);
SDBG_DEFINE_VIEW_GAPS(kSpefVTreeView, _SpefVTreeQuery, kSpefVTreeRows, kSpefVTreeUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kSpefChangeLogView, _SpefChangeLogQuery, kSpefChangeLogRows,
                      kSpefChangeLogUnread, 0);
SDBG_DEFINE_VIEW(kNvDListView, _NvDListQuery, kNvDListRows, 0);
SDBG_DEFINE_VIEW(kNvHashView, _NvHashQuery, kNvHashRows, 0);
