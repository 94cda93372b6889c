// Views of the metadata manager's data servers: the data-server manager,
// the command train, the unique-id manager and one record per data server
// with its keepalive and message-counter sections. Also the section
// printers the metadata manager's views share.

#include "sdbg_views_mdm.h"

#include <cstring>
#include <iterator>

using namespace sdbg_wire;

void Mdm_PrintSection(Sdbg_LogicalView &view, const Sdbg_ViewTable &section,
                      const uint8_t *pRecord) {
    Sdbg_RenderText(view, section, pRecord);
}

void Mdm_PrintSection_xml(Sdbg_LogicalView &view, const Sdbg_ViewTable &section,
                          const uint8_t *pRecord) {
    char tag[96];
    view.NewLine();
    view.PutTabs(2);
    mos_Snprintf(tag, sizeof(tag), "<%s>", section.pWireName);
    view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    for (uint32_t i = 0; i < section.rowCount; ++i) {
        const Sdbg_ViewRow &row = section.pRows[i];
        if (row.bTextOnly || row.pXml == nullptr) {
            continue;
        }
        if (row.format == Sdbg_Format::Hook) {
            row.hook(view, pRecord, row, true);
            continue;
        }
        Sdbg_PrintOpenTag(view, 3, row.pXml);
        Sdbg_PrintValue(view, row, pRecord);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
    view.NewLine();
    view.PutTabs(2);
    mos_Snprintf(tag, sizeof(tag), "</%s>", section.pWireName);
    view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
}

void Mdm_SectionHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                     bool bXml) {
    if (bXml) {
        Mdm_PrintSection_xml(view, *row.pNested, pWire + row.offset);
    } else {
        Mdm_PrintSection(view, *row.pNested, pWire + row.offset);
    }
}

namespace {

constexpr Sdbg_ViewRow kTgtMgrRows[] = {
    SDBG_ROW(1, TgtMgr_Query, numTgts, " Num tgts:", U, SDBG_VALUE),
    SDBG_ROW(1, TgtMgr_Query, totalDegraded, " degraded-MB:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtMgr_Query, totalCapacityMB, " total-MB:", LLU, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kTgtMgrUnread[] = {SDBG_UNREAD(TgtMgr_Query, reserved12)};

constexpr Sdbg_ViewRow kTgtTrainRows[] = {
    SDBG_ROW(1, TgtTrain_Query, bActive, "Active:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtTrain_Query, totalCmdProcessed, " #cmds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtTrain_Query, totalVolumesProcessed, " #Vols:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtTrain_Query, totalMergedCmds, " #Merge-cmds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtTrain_Query, totalFailedCmds, " #Failed-cmds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, TgtTrain_Query, cmdsInCurTrain, " #cur-cmds:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numUpdateVols, " #Update-Vols:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numLuResets, " #lu-resets:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numScsi2Reserve, " #scsi2-reserve:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numScsi2Release, " #scsi2-release:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numScsi3Reserve, " #scsi3-reserve-mod:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, TgtTrain_Query, numRegUnreg, " #scsi3-reg-mod:", U, SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kMgrObjRows[] = {
    SDBG_ROW(1, MgrObj_Query, objName, "Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, MgrObj_Query, nextExtrnUniqID, " Next available uniqID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MgrObj_Query, uniqIDRep, " Unique ID rep:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MgrObj_Query, maxUniqID, " max unique ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MgrObj_Query, genNum, " genNum:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MgrObj_Query, maxGenNum, " max genNum:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MgrObj_Query, bLocked, " doing rep IO:", D, SDBG_NONZERO_ALERT),
};

// A word of an enumerated field, with its own colour pair.
struct EnumWord {
    const char *pWord;
    int32_t fg;
    int32_t bg;
};

constexpr EnumWord kTgtStateWords[] = {{"FREE", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
                                       {"CREATE INPROGRESS", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
                                       {"NORMAL", SDBG_COLOR_OK, SDBG_COLOR_OK},
                                       {"REMOVE_PEND", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT}};
constexpr EnumWord kTgtUpDownWords[] = {{"UP", SDBG_COLOR_OK, SDBG_COLOR_OK},
                                        {"DOWN", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
                                        {"UP INPROGRESS", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
                                        {"DOWN INPROGRESS", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT}};
constexpr EnumWord kTgtQuiesceWords[] = {
    {"NONE", SDBG_COLOR_OK, SDBG_COLOR_OK},
    {"INFORM TGT IN-PROGRESS", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
    {"QUIESCED", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
    {"INFORM TGT STOP IN PROGRESS", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT}};

// The word of a u32 field; a value outside the list prints nothing, in
// XML an empty element.
template <size_t N>
void PrintEnumRow(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml,
                  const EnumWord (&words)[N]) {
    uint32_t value;
    std::memcpy(&value, pWire + row.offset, sizeof(value));
    Mdm_PrintInElement(view, row, bXml, 2, [&] {
        if (value < N) {
            view.PrintStr(words[value].pWord, words[value].fg, words[value].bg);
        }
    });
}

void TgtStateHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                  bool bXml) {
    PrintEnumRow(view, pWire, row, bXml, kTgtStateWords);
}

void TgtUpDownHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    PrintEnumRow(view, pWire, row, bXml, kTgtUpDownWords);
}

void TgtQuiesceHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    PrintEnumRow(view, pWire, row, bXml, kTgtQuiesceWords);
}

// The keepalive fields; the text view prints them inline after
// "  keepalive-Tgt".
constexpr Sdbg_ViewRow kKeepaliveTgtRows[] = {
    SDBG_ROW(6, KeepaliveTgt_Query, lastKeepAliveMsgRecvTimeTicks, " LastRcvTime:", LLU,
             SDBG_VALUE),
    SDBG_ROW(6, KeepaliveTgt_Query, lastKeepAliveMsgTgtTimeTicks, " LastMsgTime:", LLU, SDBG_VALUE),
    SDBG_ROW(6, KeepaliveTgt_Query, state, " keepalive state:", D, SDBG_VALUE),
    SDBG_ROW(6, KeepaliveTgt_Query, numFencedKeepalive, " #Fenced:", U, SDBG_VALUE),
};
constexpr Sdbg_ViewTable kKeepaliveTgtSection =
    SDBG_SUB_TABLE(KeepaliveTgt_Query, kKeepaliveTgtRows);

// The message counters on two lines after "  MsgStats: ".
constexpr Sdbg_ViewRow kTgtStatsRows[] = {
    SDBG_ROW(7, TgtStats, numAddMdm, " #AddMdm:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numReconfStart, " #ReconfStart:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numReconfDone, " #ReconfDone:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numAddDevices, " #AddDev:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numRemDevs, " #RemDev:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numAddTgts, " #AddTgts:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numRemTgts, " #RemTgts:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numAddVol, " #AddVol:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numUpdateVol, " #UpdateVol:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numRemVol, " #RemVol:", D, SDBG_VALUE),
    SDBG_ROW(7, TgtStats, numAddCombArray, " #AddCombArray:", D, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numAddComb, " #AddComb:", U, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numFreeComb, " #FreeComb:", U, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numSetCombState, " #SetCombState:", U, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numStartMigrate, " #StartMigrate:", U, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numEndMigrate, " #EndMigrate:", D, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numAbortMigrate, " #AbortMigrate:", D, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numRestart, " #Restart:", D, SDBG_VALUE),
    SDBG_ROW(8, TgtStats, numTgtUpdateCombState, " #TgtUpdateCombState:", U, SDBG_VALUE),
};
constexpr Sdbg_ViewTable kTgtStatsSection = SDBG_SUB_TABLE(TgtStats, kTgtStatsRows);

constexpr Sdbg_ViewRow kTgtRows[] = {
    SDBG_ROW(1, Tgt_Query, tgtId, " ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, Tgt_Query, tgtName, " Name:", Str, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(1, Tgt_Query, state, " State:", TgtStateHook),
    SDBG_LABELLED_HOOK_ROW(1, Tgt_Query, tgtUpDownState, " UpDownState: ", TgtUpDownHook),
    SDBG_ROW(1, Tgt_Query, numDevErr, " #DevErr: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, Tgt_Query, pellorinErrors, " pellorin-errors:", U, SDBG_VALUE),
    SDBG_ROW(1, Tgt_Query, refCount, " refCount:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, Tgt_Query, genNum, " genNum:", LLU, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(1, Tgt_Query, quiesceState, " QuiesceState: ", TgtQuiesceHook),
    SDBG_ROW(1, Tgt_Query, ip, " IP:", Str, SDBG_VALUE),
    SDBG_ROW(1, Tgt_Query, version, " Version:", Str, SDBG_VALUE),
    SDBG_ROW(2, Tgt_Query, bIsUpPending, " UpPend:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, bReconstructInProgress, " Reconst:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, bWasDown, " wasDown:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, bDRLHardened, " IsDrlHardened:", D, SDBG_VALUE),
    SDBG_ROW(2, Tgt_Query, bTgtPermanentlyDown, " IsPermanentlyDown:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, numReconfig, " #Reconfig:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, numReconfigFail, " #ReconfigFail:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, numDown, " #Down:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, numUp, " #Up:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, Tgt_Query, lastAuthenticationTime, " lastAuthenticationTime:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, Tgt_Query, lastUpgradeTime, " Last Upgrade Time:", LLU, SDBG_VALUE),
    SDBG_ROW(3, Tgt_Query, numRestarts, " #Restarts:", U, SDBG_VALUE),
    SDBG_ROW(4, Tgt_Query, capacityMbs, " #MB:", U, SDBG_VALUE),
    SDBG_ROW(4, Tgt_Query, totalUsedMbs, " Used-MB:", U, SDBG_VALUE),
    SDBG_ROW(4, Tgt_Query, totalRmPendingMbs, " RM-Pending-Combs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, Tgt_Query, devNum, " #devs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, Tgt_Query, devQuiesced, " #quiesced-devs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinValid, " Pellorin: Valid:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinMaxIoSize, " MaxIoSize(KB):", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinOpmode, " OpMode:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinPageSize, " PageSize(KB):", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinCacheDevListSize, " #cacheDevs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, pellorinSourceDevListSize, " #sourceDevs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, bDynThrotInflightMBsActive, " bDynThrotInflightMBsActive:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(5, Tgt_Query, bDynThrotInflightReqsActive, " bDynThrotInflightReqsActive:", D,
             SDBG_ZERO_ALERT),
    SDBG_NESTED_ROW(6, Tgt_Query, keepalive, "  keepalive-Tgt", Mdm_SectionHook,
                    kKeepaliveTgtSection),
    SDBG_NESTED_ROW(7, Tgt_Query, tgtStats, "  MsgStats: ", Mdm_SectionHook, kTgtStatsSection),
};
constexpr Sdbg_ByteRange kTgtUnread[] = {
    SDBG_UNREAD(Tgt_Query, reserved144), SDBG_UNREAD(Tgt_Query, reserved150),
    SDBG_UNREAD(Tgt_Query, reserved182), SDBG_UNREAD(Tgt_Query, reserved232),
    SDBG_UNREAD(Tgt_Query, reserved293), SDBG_UNREAD(Tgt_Query, reserved344),
    SDBG_UNREAD(Tgt_Query, reserved364),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kTgtMgrView, TgtMgr_Query, kTgtMgrRows, kTgtMgrUnread, 0);
SDBG_DEFINE_VIEW(kTgtTrainView, TgtTrain_Query, kTgtTrainRows, 0);
SDBG_DEFINE_VIEW(kMgrObjView, MgrObj_Query, kMgrObjRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtView, Tgt_Query, kTgtRows, kTgtUnread, 0);
