// Views of the data server's keepalive and connection monitor, its links
// to metadata managers and peer data servers, VAE migrations, initiators
// and storage pools.

#include "sdbg_views_tgt_hooks.h"

using namespace sdbg_wire;
using namespace sdbg_tgt;

namespace {

constexpr Sdbg_ViewRow kKaliveRows[] = {
    SDBG_ROW(1, _KaliveQuery, myTgtId, " TgtId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _KaliveQuery, bBlocked, " Blocked:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _KaliveQuery, bStop, " Stopped:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _KaliveQuery, numOfSndMsg, " Messages sent:", U, SDBG_VALUE),
    SDBG_ROW(1, _KaliveQuery, numOfRcvMsg, " Messages recieved:", U, SDBG_VALUE),
    SDBG_ROW(1, _KaliveQuery, numOfGoodMsg, " Messages accepted:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kKaliveUnread[] = {SDBG_UNREAD(_KaliveQuery, reserved)};

constexpr Sdbg_ViewRow kConMonitorRows[] = {
    SDBG_ROW(1, _CmonitorQuery, myTgtId, " TgtId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _CmonitorQuery, bStop, " Stopped: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, _CmonitorQuery, initTicks, " Initialization time: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _CmonitorQuery, startTicks, " Start time: ", LLU, SDBG_VALUE),
    SDBG_ROW(3, _CmonitorQuery, lastGoodTicks, " Last good send time: ", LLU, SDBG_VALUE),
    SDBG_ROW(3, _CmonitorQuery, numMsgs, " Messages sent:", U, SDBG_VALUE),
    SDBG_ROW(3, _CmonitorQuery, numGoodMsgs, " Messages accepted:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kConMonitorUnread[] = {SDBG_UNREAD(_CmonitorQuery, reserved)};

constexpr Sdbg_ViewRow kMdmRows[] = {
    SDBG_ROW(1, _MdmQuery, tgtId, " TgtId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _MdmQuery, mdmId, " MdmId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _MdmQuery, stage, " Stage:", Hex0x, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kMdmUnread[] = {SDBG_UNREAD(_MdmQuery, reserved)};

constexpr Sdbg_ViewRow kTgtRows[] = {
    SDBG_ROW(1, _TgtQuery, tgtId, " TgtId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _TgtQuery, state, " State:", U, SDBG_VALUE),
    SDBG_ROW(1, _TgtQuery, bClient, " Client:", D, SDBG_VALUE),
    SDBG_ROW(1, _TgtQuery, bNotReachable, " bNotReachable:", D, SDBG_VALUE),
    SDBG_ROW(1, _TgtQuery, numOfChannelSyncs, " numOfChannelSyncs:", U, SDBG_VALUE),
    SDBG_ROW(1, _TgtQuery, remoteHost, " Host Name:", Str, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kContVaeRows[] = {
    SDBG_ROW(1, _ContVaeQuery, vtreeID, " vtreeID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _ContVaeQuery, migrationGenNum, " vaeGenNum:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _ContVaeQuery, srcHeadId, "   sourceHeadId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(2, _ContVaeQuery, srcVaeIndex, " sourceVaeIndex:", D, SDBG_VALUE),
    SDBG_ROW(3, _ContVaeQuery, dstHeadId, "   destinationHeadId:", Hex0x, SDBG_VALUE),
    SDBG_ROW(3, _ContVaeQuery, dstVaeIndex, " destinationVaeIndex:", D, SDBG_VALUE),
    SDBG_ROW(4, _ContVaeQuery, state, "   vaeState:", Str, SDBG_VALUE),
    SDBG_ROW(5, _ContVaeQuery, nChunks, "   totalNumOfChunks:", U, SDBG_VALUE),
    SDBG_ROW(5, _ContVaeQuery, nUncompletedChunks, " numOfUncompletedChunks:", U, SDBG_VALUE),
    SDBG_ROW(5, _ContVaeQuery, nChunksInError, " numCurrentlyInError:", U, SDBG_VALUE),
    SDBG_ROW(5, _ContVaeQuery, nTeethSent, " numOfTeethSent:", U, SDBG_VALUE),
};

// ---- Initiators ----

// The fields of one storage-pool entry, offsets within the entry; labels
// HIGHLIGHT on LABEL, each line ended after its last field.
constexpr Sdbg_ViewRow kSpStatsRows[] = {
    SDBG_ROW(1, IniSpStats, spId, "SP ID: ", Hex0x, SDBG_PAIR(5, 4)),
    SDBG_ROW(1, IniSpStats, requestedInflightIOs, "    requestedInflightIOs: ", D, SDBG_PAIR(1, 1)),
    SDBG_ROW(1, IniSpStats, allowedInflightIOs, "    allowedInflightIOs: ", D, SDBG_PAIR(1, 1)),
    SDBG_ROW(1, IniSpStats, requestedInflightMBs, "    requestedInflightMBs: ", D, SDBG_PAIR(1, 1)),
    SDBG_ROW(1, IniSpStats, allowedInflightMBs, "    allowedInflightMBs: ", D, SDBG_PAIR(1, 1)),
    SDBG_ROW(1, IniSpStats, inflightIOCount, "    inflightIOCount: ", U, SDBG_PAIR(1, 1)),
    SDBG_ROW(1, IniSpStats, latestsRequestTime, "    latestsRequestTime: ", LLU, SDBG_PAIR(1, 1)),
    SDBG_ROW(2, IniSpStats, misbehaveRankIO, "       misbehaveRankIO: ", D, SDBG_PAIR(1, 1)),
    SDBG_ROW(2, IniSpStats, misbehaveRankMB, "    misbehaveRankMB: ", D, SDBG_PAIR(1, 1)),
};
constexpr Sdbg_ViewTable kSpStatsTable = SDBG_SUB_TABLE(IniSpStats, kSpStatsRows);

void PrintSpEntry(Sdbg_LogicalView &view, const Sdbg_ViewTable &entry, const uint8_t *pEntry) {
    uint16_t line = entry.pRows[0].line;
    for (uint32_t i = 0; i < entry.rowCount; ++i) {
        const Sdbg_ViewRow &row = entry.pRows[i];
        if (row.line != line) {
            view.NewLine();
            line = row.line;
        }
        view.PrintStr(row.pLabel, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
        Sdbg_PrintValue(view, row, pEntry);
    }
    view.NewLine();
}

// The "Requested and allowed" line, then two lines per entry in use. The
// count comes from the record: at most the 65 entries it holds are read.
void PrintSpStats(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    const Sdbg_ViewTable &entry = *row.pNested;
    view.NewLine();
    int16_t count = ReadWire<int16_t>(pWire, offsetof(_IniQuery, numSpStats));
    uint32_t entries = count <= 0 ? 0 : static_cast<uint32_t>(count);
    entries = entries < row.size / entry.wireSize ? entries : row.size / entry.wireSize;
    for (uint32_t i = 0; i < entries; ++i) {
        PrintSpEntry(view, entry, pWire + row.offset + i * entry.wireSize);
    }
}

constexpr const char *kSpStatsTitle = "Requested and allowed IOs and MBs to and from all SPs: ";

void PrintSpStats_xml(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    Sdbg_PrintOpenTag(view, 2, row.pXml);
    view.NewLine();
    view.PrintStr(kSpStatsTitle, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    PrintSpStats(view, pWire, row);
    Sdbg_PrintCloseTag(view, row.pXml);
}

void SpStatsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml) {
    if (bXml) {
        PrintSpStats_xml(view, pWire, row);
    } else {
        PrintSpStats(view, pWire, row);
    }
}

constexpr Sdbg_ViewRow kIniRows[] = {
    SDBG_ROW(1, _IniQuery, iniId, "Initiator ID: ", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _IniQuery, currentTimeTicks, " The current time in MOS ticks: ", LLU,
             SDBG_ZERO_ALERT),
    // Ends its own last line.
    SDBG_NESTED_ROW(2, _IniQuery, spStats, kSpStatsTitle, SpStatsHook, kSpStatsTable),
    SDBG_COUNT_ROW(_IniQuery, numSpStats),
};
constexpr Sdbg_ByteRange kIniUnread[] = {SDBG_UNREAD(_IniQuery, reserved)};

constexpr Sdbg_ViewRow kSpRows[] = {
    SDBG_ROW(1, _SpQuery, spId, "SP ID: ", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, _SpQuery, spIndex, "    SP Index: ", U, SDBG_VALUE),
    SDBG_ROW(1, _SpQuery, totalAllowedIOTokens, "    Total available IO tokens: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, _SpQuery, totalRequestedIOTokens, "    Total requested IO tokens: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, _SpQuery, totalAllowedMBTokens, "    Total available MB tokens: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, _SpQuery, totalRequestedMBTokens, "    Total requested MB tokens: ", U,
             SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kSpUnread[] = {SDBG_UNREAD(_SpQuery, reserved)};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kTgtKaliveView, _KaliveQuery, kKaliveRows, kKaliveUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtConMonitorView, _CmonitorQuery, kConMonitorRows, kConMonitorUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtMdmView, _MdmQuery, kMdmRows, kMdmUnread, 0);
SDBG_DEFINE_VIEW(kTgtTgtView, _TgtQuery, kTgtRows, 0);
SDBG_DEFINE_VIEW(kTgtContVaeView, _ContVaeQuery, kContVaeRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtIniView, _IniQuery, kIniRows, kIniUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtSpView, _SpQuery, kSpRows, kSpUnread, 0);
