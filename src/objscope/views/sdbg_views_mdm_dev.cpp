// Views of the metadata manager's records of data-server devices: read-cache
// devices, and storage devices with their capacity-manager and multihead
// sections.

#include "sdbg_views_mdm.h"

#include <cstring>
#include <iterator>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kTgtPellorinDevRows[] = {
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinDevID, " Pellorin Device ID:", Hex0x,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, TgtPellorinDev_Query, tgtID, " Tgt ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, TgtPellorinDev_Query, tgtIP, " Tgt IP:", Str, SDBG_VALUE),
    SDBG_ROW(1, TgtPellorinDev_Query, tgtPort, " Tgt port:", D, SDBG_VALUE),
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinDevName, " dev-name:", Str, SDBG_VALUE),
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinDevPath, " mdm-path:", Str, SDBG_VALUE),
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinDevTgtPath, " tgt-path:", Str, SDBG_VALUE),
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinDevSizeInBytes, " Dev-Size(B):", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(1, TgtPellorinDev_Query, pellorinErrors, " pellorin-errors:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kTgtPellorinDevUnread[] = {SDBG_UNREAD(TgtPellorinDev_Query, reserved250)};

uint32_t ReadU32(const uint8_t *pRecord, uint32_t offset) {
    uint32_t value;
    std::memcpy(&value, pRecord + offset, sizeof(value));
    return value;
}

// Text: " Thick:" and the value after "  Booked-MBs:" (the row's label).
void BookedThickHook(Sdbg_LogicalView &view, const uint8_t *pRecord, const Sdbg_ViewRow &row,
                     bool bXml) {
    if (!bXml) {
        view.PrintStr(" Thick:", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
    uint32_t value = ReadU32(pRecord, row.offset);
    Mdm_PrintInElement(view, row, bXml, 3, [&] {
        view.PrintUInt(value, value != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    });
}

// The three booked-thin values: " (Thin: PHYSICAL:a LOGICAL:b OCTETS:c)" in
// text (" (" is the row's label), one element of the three in XML.
void BookedThinHook(Sdbg_LogicalView &view, const uint8_t *pRecord, const Sdbg_ViewRow &row,
                    bool bXml) {
    static const char *const kKinds[MDM_BOOKED_THIN_KINDS] = {
        " PHYSICAL:", " LOGICAL:", " OCTETS:"};
    if (bXml) {
        Sdbg_PrintOpenTag(view, 3, row.pXml);
    } else {
        view.PrintStr("Thin:", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
    for (uint32_t i = 0; i < MDM_BOOKED_THIN_KINDS; ++i) {
        view.PrintStr(kKinds[i], SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        view.PrintUInt(ReadU32(pRecord, row.offset + i * sizeof(uint32_t)), SDBG_COLOR_VALUE,
                       SDBG_COLOR_KEEP);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    } else {
        view.PrintStr(")", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    }
}

// The quiesce flag words, in this order; higher bits print nothing.
constexpr const char *kQuiesceWords[] = {" DOWN",      " MM",          " REMOVE", " REDUCE",
                                         " DEV_ERROR", " DEV_WARNING", " DELAYED"};

void PrintQuiesceWords(Sdbg_LogicalView &view, uint32_t flags) {
    for (uint32_t bit = 0; bit < std::size(kQuiesceWords); ++bit) {
        if ((flags & (1u << bit)) != 0) {
            view.PrintStr(kQuiesceWords[bit], SDBG_COLOR_ALERT, SDBG_COLOR_KEEP);
        }
    }
}

// Text: the words after " Quiesce:"; XML: the words inside the element.
void QuiesceHook(Sdbg_LogicalView &view, const uint8_t *pRecord, const Sdbg_ViewRow &row,
                 bool bXml) {
    uint32_t flags = ReadU32(pRecord, row.offset);
    Mdm_PrintInElement(view, row, bXml, 3, [&] { PrintQuiesceWords(view, flags); });
}

constexpr Sdbg_ViewRow kCapMgrDevRows[] = {
    SDBG_ROW(13, CapMgrDev_Query, totalMbs, " Total-MBs:", U, SDBG_VALUE),
    SDBG_ROW(13, CapMgrDev_Query, usedMbs, " Used-MBs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(13, CapMgrDev_Query, destTotalMbs, " Dest-Total-MBs:", U, SDBG_VALUE),
    SDBG_ROW(13, CapMgrDev_Query, usedCombs, " Used-Combs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(14, CapMgrDev_Query, potentialMbs, " Potential-MB:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(14, CapMgrDev_Query, rmPendingMbs, " remove-pending-potential-MBs:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(14, CapMgrDev_Query, cntInboundMigrations, " Inbound-Combs:", U, SDBG_VALUE),
    SDBG_ROW(14, CapMgrDev_Query, bIsFull, " Device-Is-Full:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(14, CapMgrDev_Query, bIsStuck, " Device-Is-Stuck:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(15, CapMgrDev_Query, thickMigrateMbs, " thick-migrate-MBs:", U, SDBG_NONZERO_ALERT),
    SDBG_HOOK_ROW(15, CapMgrDev_Query, bookedThickMbs, "  Booked-MBs:", BookedThickHook),
    SDBG_ROW(15, CapMgrDev_Query, bookedReservedMbs, " Reserved:", U, SDBG_NONZERO_ALERT),
    SDBG_HOOK_ROW(15, CapMgrDev_Query, bookedThinMbs, " (", BookedThinHook),
    SDBG_LABELLED_HOOK_ROW(16, CapMgrDev_Query, quiesceState, " Quiesce:", QuiesceHook),
};
constexpr Sdbg_ViewTable kCapMgrDevSection = SDBG_SUB_TABLE(CapMgrDev_Query, kCapMgrDevRows);

constexpr Sdbg_ViewRow kMultiHeadDevRows[] = {
    SDBG_ROW(17, MultiHead_DevQuery, numPendingMigrate, " Pend: #Migrate: ", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numPendingRebuild, " #Reb: ", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numPendingFwdRebuild, " #FwdReb: ", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numActiveMigrate, " Active #Mig: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numActiveRebuild, " #Reb: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, totalNumMigrations, " #Migrate: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, totalNumRebuilds, " #Rebuilds: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, totalNumFwdRebuilds, " #FwdReb: ", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numOptimizeProtTimeAborts, " #OptimizeProtTimeAborts ", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(17, MultiHead_DevQuery, numWaitingMigrate, " #numWaitingMigrate ", D,
             SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ViewTable kMultiHeadDevSection =
    SDBG_SUB_TABLE(MultiHead_DevQuery, kMultiHeadDevRows);

// Line numbers after the capacity-manager section count the line breaks
// this table writes: the section writes its own three, so "  MH-Dev" on
// the device's 17th line is this table's line 14.
constexpr Sdbg_ViewRow kTgtDevRows[] = {
    SDBG_ROW(1, TgtDev_Query, tgtID, "Tgt ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, TgtDev_Query, tgtIP, " Tgt IP:", Str, SDBG_VALUE),
    SDBG_ROW(1, TgtDev_Query, tgtPort, " Tgt port:", D, SDBG_VALUE),
    SDBG_ROW(1, TgtDev_Query, bInMH, " In-MH:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(2, TgtDev_Query, devID, " Device ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, TgtDev_Query, devName, " dev-name:", Str, SDBG_VALUE),
    SDBG_ROW(2, TgtDev_Query, devPath, " mdm-path:", Str, SDBG_VALUE),
    SDBG_ROW(2, TgtDev_Query, devTgtPath, " tgt-path:", Str, SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, spID, " Storage Pool ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(3, TgtDev_Query, bIsLedOn, " Is LED ON:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(3, TgtDev_Query, queueDepth, " Queue Depth:", D, SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, queueDepthPresetType, " Queue Depth Preset type:", D, SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, mediaType, " Media Type:", D, SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, autodetectMediaType, " Autodetect Media Type:", D, SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, externalAccelerationType, " External Acceleration Type:", D,
             SDBG_VALUE),
    SDBG_ROW(3, TgtDev_Query, accPoolId, " Acceleration Pool ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(4, TgtDev_Query, tgtDevState, " Dev-State:", Str, SDBG_VALUE),
    SDBG_ROW(4, TgtDev_Query, tgtDevTestMode, " Test-Mode:", Str, SDBG_VALUE),
    SDBG_ROW(4, TgtDev_Query, tgtDevTestState, " Test-State:", Str, SDBG_VALUE),
    SDBG_ROW(4, TgtDev_Query, pellorinErrors, " pellorin-errors:", U, SDBG_VALUE),
    SDBG_ROW(5, TgtDev_Query, tgtDevTestPattern1, " Test1: Pattern:", Str, SDBG_VALUE),
    SDBG_ROW(5, TgtDev_Query, tgtDevTestRc1, " RC:", U, SDBG_VALUE),
    SDBG_ROW(5, TgtDev_Query, testNum1, " testNum:", U, SDBG_VALUE),
    SDBG_ROW(5, TgtDev_Query, numOfIos1, " numOfIos:", U, SDBG_VALUE),
    SDBG_ROW(5, TgtDev_Query, millis1, " millis:", U, SDBG_VALUE),
    SDBG_ROW(6, TgtDev_Query, tgtDevTestPattern2, " Test2: Pattern:", Str, SDBG_VALUE),
    SDBG_ROW(6, TgtDev_Query, tgtDevTestRc2, " RC:", U, SDBG_VALUE),
    SDBG_ROW(6, TgtDev_Query, testNum2, " testNum:", U, SDBG_VALUE),
    SDBG_ROW(6, TgtDev_Query, numOfIos2, " numOfIos:", U, SDBG_VALUE),
    SDBG_ROW(6, TgtDev_Query, millis2, " millis:", U, SDBG_VALUE),
    SDBG_ROW(7, TgtDev_Query, capacityMB, " CapacityMB:", LLU, SDBG_VALUE),
    SDBG_ROW(7, TgtDev_Query, destCapacityMB, " DestCapacityMB:", LLU, SDBG_VALUE),
    SDBG_ROW(7, TgtDev_Query, accUsedCapacityMB, " AccUsedCapacityMB:", LLU, SDBG_VALUE),
    SDBG_ROW(7, TgtDev_Query, usedCombs, " usedCombs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(8, TgtDev_Query, usedPhysicalCapacityKB, " physical-reserved-used--kbs:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(8, TgtDev_Query, usedSnapCapacityKB, " logical-snap-used--kbs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(8, TgtDev_Query, usedThinCapacityKB, " logical-thin-used--kbs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(8, TgtDev_Query, usedProvisionedChunksKB, " provisioned-chunks-used--kbs:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(9, TgtDev_Query, layoutOverheadMB, " layout-overhead--mbs:", LLU, SDBG_VALUE),
    SDBG_ROW(9, TgtDev_Query, snapReservedCapacityMB, " reserved-mbs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(9, TgtDev_Query, freeAir, " unused-res-mbs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(9, TgtDev_Query, insufficientAirIndicator, " unused-res-state:", U,
             SDBG_NONZERO_ALERT),
    // Line 10 stays empty.
    SDBG_ROW(11, TgtDev_Query, spefAccDevId, " SPEF Acceleration Device:", Hex0x, SDBG_VALUE),
    SDBG_ROW(11, TgtDev_Query, spefNvramSizeMB, " SPEF NVRAM Size MB:", U, SDBG_VALUE),
    SDBG_ROW(11, TgtDev_Query, destSpefAccDevId, " Destination SPEF Acceleration Device:", Hex0x,
             SDBG_VALUE),
    SDBG_ROW(11, TgtDev_Query, destSpefNvramSizeMB, " Destination SPEF NVRAM Size MB:", U,
             SDBG_VALUE),
    SDBG_ROW(12, TgtDev_Query, bSpefInTransition, " SPEF in Transition:", D, SDBG_VALUE),
    SDBG_ROW(12, TgtDev_Query, recoverySpefAccDevId, " Recovery SPEF Acceleration Device:", Hex0x,
             SDBG_VALUE),
    SDBG_ROW(12, TgtDev_Query, recoverySpefNvramSizeMB, " Recovery SPEF NVRAM Size MB:", U,
             SDBG_VALUE),
    SDBG_NESTED_ROW(13, TgtDev_Query, capMgrDev, "  capMgr-Dev", Mdm_SectionHook,
                    kCapMgrDevSection),
    SDBG_NESTED_ROW(14, TgtDev_Query, multiHeadDev, "  MH-Dev", Mdm_SectionHook,
                    kMultiHeadDevSection),
};
constexpr Sdbg_ByteRange kTgtDevUnread[] = {
    SDBG_UNREAD(TgtDev_Query, reserved260), SDBG_UNREAD(TgtDev_Query, reserved526),
    SDBG_UNREAD(TgtDev_Query, reserved584), SDBG_UNREAD(TgtDev_Query, reserved652),
    SDBG_UNREAD(TgtDev_Query, reserved742),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kMdmTgtPellorinDevView, TgtPellorinDev_Query, kTgtPellorinDevRows,
                      kTgtPellorinDevUnread, 0);
// Every device is followed by an empty line on a text screen.
SDBG_DEFINE_VIEW_GAPS(kMdmTgtDevView, TgtDev_Query, kTgtDevRows, kTgtDevUnread, 1);
