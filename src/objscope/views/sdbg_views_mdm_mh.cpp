// Views of the metadata manager's multiheads: the multihead manager with
// its row counts per row state, and one record per multihead with its block
// usage, comb sizes and spread over the data servers.

#include "sdbg_views_mdm.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kMultiHeadMgrRows[] = {
    SDBG_ROW(1, MultiHeadMgr_Query, numMultiHeads, " #MultiHeads:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MultiHeadMgr_Query, totalCapacityBlocks, " #CapBlocks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MultiHeadMgr_Query, freeCapacityBlocks, " Free Capacity:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MultiHeadMgr_Query, genNum, " Gen Num:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MultiHeadMgr_Query, numRowsNormal, " NumRowsPerState: NORM: ", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MultiHeadMgr_Query, numRowsDegraded, "    DEG:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MultiHeadMgr_Query, numRowsUNA, "    UNA:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MultiHeadMgr_Query, numRowsRebuild, " REB:", U, SDBG_NONZERO_ALERT),
    // 18 blanks: " NumRowsPerState: " is as wide, so the states line up.
    SDBG_ROW(3, MultiHeadMgr_Query, numRowsMMNorm, "                  MM_NORM:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, MultiHeadMgr_Query, numRowsMMDeg, " MM_DEG:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, MultiHeadMgr_Query, numRowsMMDiffSync, " MM_DIFF_SYNC:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MultiHeadMgr_Query, numRowsMMUnaSync, "                  MM_UNA_SYNC:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MultiHeadMgr_Query, numRowsMMUnaDiff, " MM_UNA_DIFF:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MultiHeadMgr_Query, numRowsNI, " NI:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MultiHeadMgr_Query, numRowsDelete, " DELETE:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kMultiHeadMgrUnread[] = {SDBG_UNREAD(MultiHeadMgr_Query, reserved68)};

// An f64 as "%.2f". Under nonzero-alert the stored value is compared with
// 0.0 exactly: only 0.0 itself is the value colour (a NaN is not).
void DoubleHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml) {
    double value;
    std::memcpy(&value, pWire + row.offset, sizeof(value));
    int32_t fg = SDBG_COLOR_VALUE;
    if (row.rule == Sdbg_Rule::NonzeroAlert && !(value == 0.0)) {
        fg = SDBG_COLOR_ALERT;
    }
    Mdm_PrintInElement(view, row, bXml, 2, [&] { view.PrintDouble(value, fg, SDBG_COLOR_KEEP); });
}

// An f64 row with a colour rule (SDBG_VALUE or SDBG_NONZERO_ALERT), labelled
// like any field.
#define MDM_DOUBLE_ROW(line, Wire, member, label, rule)                                            \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::Hook, rule, false, false,  \
            DoubleHook, nullptr                                                                    \
    }

constexpr Sdbg_ViewRow kMultiHeadRows[] = {
    SDBG_ROW(1, MultiHead_Query, id, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MultiHead_Query, multiHeadState, " State:", Str, SDBG_VALUE),
    SDBG_ROW(1, MultiHead_Query, genNum, " GenNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MultiHead_Query, mgrGenNumOnGenChange, " MgrGenNumOnGenChange:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, MultiHead_Query, usedThickBlocks, " used-thick-blocks:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MultiHead_Query, usedThinBlocks, " used-thin-blocks:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MultiHead_Query, freeBlocks, " free-blocks:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, maxPhyCombSizeMb, " (max,min)-mb: phy-comb-size:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, minPhyCombSizeMb, ",", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, maxCombWeightMb, " comb-weight:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, minCombWeightMb, ",", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, maxLogicalCombSizeMb, " logical-comb-size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, minLogicalCombSizeMb, ",", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, maxProvisionedChunksCombSizeMb, " octets-comb-size:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, MultiHead_Query, minProvisionedChunksCombSizeMb, ",", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, MultiHead_Query, maxUsedTgt, " max-used-TGT:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, MultiHead_Query, minUsedTgt, " min-used-TGT:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, MultiHead_Query, emptyTgts, " non-used-TGTs:", U, SDBG_VALUE),
    MDM_DOUBLE_ROW(4, MultiHead_Query, usedAvg, " Used average:", SDBG_NONZERO_ALERT),
    MDM_DOUBLE_ROW(4, MultiHead_Query, usedStddev, " used-TGTs-stddev:", SDBG_VALUE),
    SDBG_ROW(5, MultiHead_Query, maxTgtPrimary, " max-primary-TGT:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, MultiHead_Query, minTgtPrimary, " min-primary-TGT:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(5, MultiHead_Query, tgtNoPrimary, " non-primary-TGTs:", U, SDBG_NONZERO_ALERT),
    MDM_DOUBLE_ROW(5, MultiHead_Query, primaryAvg, " Primary average:", SDBG_NONZERO_ALERT),
    MDM_DOUBLE_ROW(5, MultiHead_Query, primaryStddev, " primary-TGTs-stddev:", SDBG_VALUE),
};
constexpr Sdbg_ByteRange kMultiHeadUnread[] = {
    SDBG_UNREAD(MultiHead_Query, reserved60),
    SDBG_UNREAD(MultiHead_Query, phyCombSizeMid),
    SDBG_UNREAD(MultiHead_Query, combWeightMid),
    SDBG_UNREAD(MultiHead_Query, logicalCombSizeMid),
    SDBG_UNREAD(MultiHead_Query, provisionedChunksCombSizeMid),
    SDBG_UNREAD(MultiHead_Query, reserved172),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kMultiHeadMgrView, MultiHeadMgr_Query, kMultiHeadMgrRows, kMultiHeadMgrUnread,
                      0);
SDBG_DEFINE_VIEW_GAPS(kMultiHeadView, MultiHead_Query, kMultiHeadRows, kMultiHeadUnread, 0);
