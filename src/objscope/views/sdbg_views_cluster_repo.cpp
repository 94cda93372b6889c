// Views of the metadata manager's repository (types, extents, summary),
// its balance executor with the per-multihead migration plan, its
// capacity manager and its multihead row timer.

#include "sdbg_views_cluster.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

// ---- Repository ----

constexpr Sdbg_ViewRow kSubObjRows[] = {
    SDBG_ROW(1, RepType_SubObjQuery, size, "size:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepType_SubObjQuery, num, " num:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepType_SubObjQuery, startPage, " start-page:", U, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ViewTable kSubObjTable = SDBG_SUB_TABLE(RepType_SubObjQuery, kSubObjRows);

// One sub-object record: a line after its "sub-obj" label, or an element.
void SubObjHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml) {
    if (bXml) {
        Sdbg_ClusterSubElement(view, *row.pNested, pWire + row.offset);
    } else {
        Sdbg_ClusterSubText(view, *row.pNested, pWire + row.offset);
    }
}

// The four records are shown whatever subObjNum says, one line each.
constexpr Sdbg_ViewRow kRepTypeRows[] = {
    SDBG_ROW(1, RepType_Query, typeID, "typeID:", U, SDBG_VALUE),
    SDBG_ROW(1, RepType_Query, typeIndex, " index:", U, SDBG_VALUE),
    SDBG_ROW(1, RepType_Query, bmStartPage, " BM-Start-page:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepType_Query, subObjNum, " subObjTypes:", U, SDBG_ZERO_ALERT),
    SDBG_NESTED_ROW(2, RepType_Query, subObjs[0], "sub-obj", SubObjHook, kSubObjTable),
    SDBG_NESTED_ROW(3, RepType_Query, subObjs[1], "sub-obj", SubObjHook, kSubObjTable),
    SDBG_NESTED_ROW(4, RepType_Query, subObjs[2], "sub-obj", SubObjHook, kSubObjTable),
    SDBG_NESTED_ROW(5, RepType_Query, subObjs[3], "sub-obj", SubObjHook, kSubObjTable),
};
constexpr Sdbg_ByteRange kRepTypeUnread[] = {SDBG_UNREAD(RepType_Query, reserved)};

constexpr Sdbg_ViewRow kRepExtentRows[] = {
    SDBG_ROW(1, RepExtent_Query, bWork, " working:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, numWaiter, " waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, numPages, " pages:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, startPage, " start-page:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, maxBatch, " max-batch:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, lastBatch, " last-batch:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepExtent_Query, plugCnt, " Plugs:", U, SDBG_NONZERO_ALERT),
};

// Both waiter counts and both receive flags share a text label; only
// their XML elements tell them apart.
constexpr Sdbg_ViewRow kRepSummaryRows[] = {
    SDBG_ROW(1, RepSummary_Query, numTypes, "type-num:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepSummary_Query, uniqSignature, " sig:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepSummary_Query, pagesPerExtent, " pages-per-extent:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepSummary_Query, startBmPage, " start-bm-page:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepSummary_Query, startDataPage, " start-data-page:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, RepSummary_Query, numExtents, " extent-num:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, RepSummary_Query, maxBatch, " max-batch:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, RepSummary_Query, workingExtents, " working-extents:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, RepSummary_Query, waitForExtent, " extents-waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, RepSummary_Query, workingTypes, " working-types:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, RepSummary_Query, waitForType, " extents-waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, RepSummary_Query, receivedHeader, " received-header:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, RepSummary_Query, receivedBM, " received-header:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, RepSummary_Query, repWriteBwc, " Rep-Write:", Bwc, SDBG_PAIR(1, -1)),
};

// ---- Balance executor ----

// A counter whose "good" state is shown in the ok colour: when it is not 0
// (bOkWhenZero false) or when it is 0; otherwise in the value colour.
void PrintOkColoured(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                     bool bXml, bool bOkWhenZero) {
    uint32_t bits;
    std::memcpy(&bits, pWire + row.offset, sizeof(bits));
    bool bOk = (bits == 0) == bOkWhenZero;
    int32_t fg = bOk ? SDBG_COLOR_OK : SDBG_COLOR_VALUE;
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    if (row.kind == Sdbg_FieldKind::I32) {
        view.PrintInt(static_cast<int32_t>(bits), fg, SDBG_COLOR_KEEP);
    } else {
        view.PrintUInt(bits, fg, SDBG_COLOR_KEEP);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

void OkWhenNonzeroHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                       bool bXml) {
    PrintOkColoured(view, pWire, row, bXml, false);
}

void OkWhenZeroHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    PrintOkColoured(view, pWire, row, bXml, true);
}

constexpr Sdbg_ViewRow kPlanRows[] = {
    SDBG_ROW(1, MigrationMultiheadPlan_Query, id, " multihead-id:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, MigrationMultiheadPlan_Query, rowsInProcess, " rows:", U, SDBG_VALUE),
    SDBG_ROW(1, MigrationMultiheadPlan_Query, rowInMigrateMhListCnt, " in-migrate:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MigrationMultiheadPlan_Query, rowNotInMigrateMhListCnt, " pending-migrate:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MigrationMultiheadPlan_Query, retryCounter, " retry-counter:", U,
             SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ViewTable kPlanTable = SDBG_SUB_TABLE(MigrationMultiheadPlan_Query, kPlanRows);

// Every entry of the array whose id is not 0, in index order: in text a
// line each; in XML an element each inside the plan's element, which is
// written even when no entry is used.
void MigrationPlanHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                       bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    const Sdbg_ViewTable &plan = *row.pNested;
    for (uint32_t i = 0; i < row.size / plan.wireSize; ++i) {
        const uint8_t *pEntry = pWire + row.offset + i * plan.wireSize;
        uint32_t id;
        std::memcpy(&id, pEntry + offsetof(MigrationMultiheadPlan_Query, id), sizeof(id));
        if (id == 0) {
            continue;
        }
        if (bXml) {
            Sdbg_ClusterSubElement(view, plan, pEntry);
        } else {
            view.NewLine();
            Sdbg_ClusterSubText(view, plan, pEntry);
        }
    }
    if (bXml) {
        view.NewLine();
        view.PutTabs(2);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kBalanceExecutorRows[] = {
    SDBG_ROW(1, BalanceExecutor_Query, highPriorityEventsCnt, "high-priority-events:", U,
             SDBG_NONZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(1, BalanceExecutor_Query, lowPriorityEventsCnt,
                           " low-priority-events:", OkWhenNonzeroHook),
    SDBG_LABELLED_HOOK_ROW(1, BalanceExecutor_Query, bIsIdle, " is-idle:", OkWhenZeroHook),
    SDBG_ROW(1, BalanceExecutor_Query, bRebalanceOnNextIdle, " rebalance-pending:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, BalanceExecutor_Query, timeFromLastEventSec, " last-event:", U, SDBG_VALUE),
    SDBG_ROW(1, BalanceExecutor_Query, degradedRowsCnt, " degraded-rows:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, BalanceExecutor_Query, numMMDevs, " mm-devs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, BalanceExecutor_Query, numStuckDevs, " stuck-devs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, BalanceExecutor_Query, flow, " plan-state:", U, SDBG_VALUE),
    SDBG_ROW(1, BalanceExecutor_Query, numPlugs, " num-plugs:", U, SDBG_NONZERO_ALERT),
    SDBG_NESTED_ROW(1, BalanceExecutor_Query, mhMigrationPlan, nullptr, MigrationPlanHook,
                    kPlanTable),
};

// ---- Capacity manager ----

// The three thin-to-effective factors after their words, which keep the
// current colours; in XML all inside one element.
void ThinFactorsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                     bool bXml) {
    static constexpr const char *kWords[CAP_MGR_THIN_FACTORS] = {
        " PHYSICAL:", " LOGICAL:", " OCTETS:"};
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    for (uint32_t i = 0; i < CAP_MGR_THIN_FACTORS; ++i) {
        uint32_t factor;
        std::memcpy(&factor, pWire + row.offset + i * sizeof(factor), sizeof(factor));
        view.PrintStr(kWords[i], SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        view.PrintUInt(factor, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kCapMgrRows[] = {
    SDBG_ROW(1, CapMgr_Query, clusterMbs, "Cluster-Mbs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, CapMgr_Query, totalNumMbs, " Active-Mbs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, CapMgr_Query, availableMbs, " avail-MBs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, CapMgr_Query, nonSpareAvailableMbs, " ud-avail-MBs:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, CapMgr_Query, rmMbsInProgress, " MB-rm-progress:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, CapMgr_Query, sparePercent, " spare%:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, CapMgr_Query, minSpareMbs, " min-spares:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, CapMgr_Query, usedSpareMbs, " used-spares:", LLU, SDBG_NONZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(2, CapMgr_Query, thinFactorMultBy10,
                           "  thin-to-effective-factor-x10:", ThinFactorsHook),
    SDBG_ROW(3, CapMgr_Query, reservedMbs, " reserved-MBs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, CapMgr_Query, layoutOverheadMbs, " layout-overhead-MBs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, CapMgr_Query, potentialMbs, " potential-MBs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, CapMgr_Query, bookedMbs, " booked-MBs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, CapMgr_Query, bBookedMbsDirty, " booked-MBs-dirty:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, CapMgr_Query, numStuckDevices, " stuck-devs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, CapMgr_Query, thickMigrateMb, " thick-migrate-MBs:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, CapMgr_Query, quiescedThickMigrateMb, " quiesced-thick-migrate-MBs:", LLU,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(5, CapMgr_Query, chunkSize, " configured-chunk:", U, SDBG_VALUE),
    SDBG_ROW(5, CapMgr_Query, adjustedChunkSize, " adjusted-chunk-MBs:", U, SDBG_VALUE),
    SDBG_ROW(5, CapMgr_Query, unreducedAllocationThreshold, " unreduced-allocation-threshold:", U,
             SDBG_VALUE),
    SDBG_ROW(5, CapMgr_Query, numDevsInsufficientAir, " devs-no-primary-write:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(6, CapMgr_Query, minAvailableMbByDev, " min-dev-avail-MBs:", U, SDBG_VALUE),
    SDBG_ROW(6, CapMgr_Query, minAvailLessReservedForSpares, " min-dev-less-spares:", U,
             SDBG_VALUE),
    SDBG_ROW(6, CapMgr_Query, minAvailMbDeviceId, " Device ID:", Hex0x, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kCapMgrUnread[] = {SDBG_UNREAD(CapMgr_Query, reserved1),
                                            SDBG_UNREAD(CapMgr_Query, reserved2)};

constexpr Sdbg_ViewRow kMhRowTimerRows[] = {
    SDBG_ROW(1, MhRowTimer_Query, lastBatchReleased, "last-batch:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MhRowTimer_Query, maxBatchReleased, " max-batch:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MhRowTimer_Query, totalEnqueue, " total-waiters:", U, SDBG_NONZERO_ALERT),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kRepTypeView, RepType_Query, kRepTypeRows, kRepTypeUnread, 1);
SDBG_DEFINE_VIEW(kRepExtentView, RepExtent_Query, kRepExtentRows, 0);
SDBG_DEFINE_VIEW(kRepSummaryView, RepSummary_Query, kRepSummaryRows, 0);
SDBG_DEFINE_VIEW(kBalanceExecutorView, BalanceExecutor_Query, kBalanceExecutorRows, 0);
SDBG_DEFINE_VIEW_GAPS(kCapMgrView, CapMgr_Query, kCapMgrRows, kCapMgrUnread, 0);
SDBG_DEFINE_VIEW(kMhRowTimerView, MhRowTimer_Query, kMhRowTimerRows, 0);
