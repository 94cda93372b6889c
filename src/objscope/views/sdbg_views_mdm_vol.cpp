// Views of the metadata manager's clients and volumes: the client manager
// with its scanner and disconnections sections, clients, the volume
// manager, volumes with their counters and policy flags, snapshots,
// VTrees, VTrees in migration, snapshot policies and volume blocks.

#include "sdbg_views_mdm.h"

#include <cstring>
#include <iterator>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kIniRescanRows[] = {
    SDBG_ROW(2, IniRescan_Query, wakeNum, " #wakes:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, IniRescan_Query, numNotifs, " #notifs:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ViewTable kIniRescanSection = SDBG_SUB_TABLE(IniRescan_Query, kIniRescanRows);

constexpr Sdbg_ViewRow kIniDisconnectionsMgrRows[] = {
    SDBG_ROW(3, IniDisconnectionsMgr_Query, coolOffTimeMillis, " CoolOffTimeMillis:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, IniDisconnectionsMgr_Query, numDisconnectedInis, " #Disconnected Inis:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, IniDisconnectionsMgr_Query, disconnectedIniId, " Disconnected Ini:", Hex0x,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, IniDisconnectionsMgr_Query, numDisconnectedTgts, " #Disconnected Tgts:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(4, IniDisconnectionsMgr_Query, disconnectedTgtId, " Disconnected Tgt:", Hex0x,
             SDBG_ZERO_ALERT),
    SDBG_ROW(4, IniDisconnectionsMgr_Query, disconnectedTgtIp, " Disconnected Tgt IP:", Str,
             SDBG_VALUE),
    SDBG_ROW(4, IniDisconnectionsMgr_Query, bAllTgtIps, " All TGT IPs:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, IniDisconnectionsMgr_Query, connectivityStatus, " Connectivity Status:", D,
             SDBG_VALUE),
};
constexpr Sdbg_ViewTable kIniDisconnectionsMgrSection =
    SDBG_SUB_TABLE(IniDisconnectionsMgr_Query, kIniDisconnectionsMgrRows);

constexpr Sdbg_ViewRow kIniMgrRows[] = {
    SDBG_ROW(1, IniMgr_Query, numInitiators, " #INIs:", U, SDBG_ZERO_ALERT),
    SDBG_NESTED_ROW(2, IniMgr_Query, iniRescan, "UMT-scanner", Mdm_SectionHook, kIniRescanSection),
    SDBG_NESTED_ROW(3, IniMgr_Query, disconnectionsMgr, "Disconnections Mgr:", Mdm_SectionHook,
                    kIniDisconnectionsMgrSection),
};
constexpr Sdbg_ByteRange kIniMgrUnread[] = {SDBG_UNREAD(IniMgr_Query, reserved116),
                                            SDBG_UNREAD(IniMgr_Query, reserved124)};

constexpr Sdbg_ViewRow kIniRows[] = {
    SDBG_ROW(1, Ini_Query, iniId, " Ini ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Ini_Query, name, " Name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, Ini_Query, state, " State:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Ini_Query, hostName, " hostName:", Str, SDBG_VALUE),
    SDBG_ROW(1, Ini_Query, guid, " GUID:", Guid, SDBG_VALUE),
    SDBG_ROW(2, Ini_Query, osType, " OS Type:", D, SDBG_VALUE),
    SDBG_ROW(2, Ini_Query, loadedVersion, " Loaded Version:", Str, SDBG_VALUE),
    SDBG_ROW(2, Ini_Query, installedVersion, " Installed Version:", Str, SDBG_VALUE),
    SDBG_ROW(2, Ini_Query, kernelVersion, " Kernel Version:", Str, SDBG_VALUE),
    SDBG_ROW(2, Ini_Query, kernelBuildNumber, " Kernel Build Number:", Str, SDBG_VALUE),
    SDBG_ROW(3, Ini_Query, mapGenNum, " MapGenNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, hardenGenNum, " harden-map-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, vtreesGenNum, " VTreesGenNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, hardenVTreesGenNum, " harden-vtrees-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, hardenMapRef, " harden-map-ref:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Ini_Query, hardenVtreeRef, " harden-vtree-ref:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Ini_Query, bNotify, " notify-ini:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Ini_Query, bPlugged, " plugged:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Ini_Query, numUpdateMsgs, " #UpdateMsgs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, avgNumMHsInUpdateMsg, " avgMHsInUpdateMsgs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, avgNumRowsInUpdateMsg, " avgRowsInUpdateMsgs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, lastUpdateMsgRC, " lastUpdateMsgRC:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Ini_Query, bApproved, " approved:", D, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kIniUnread[] = {SDBG_UNREAD(Ini_Query, reserved68)};

constexpr Sdbg_ViewRow kVolMgrRows[] = {
    SDBG_ROW(1, VolMgr_Query, numSnaps, " Num Snapshots:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolMgr_Query, numVols, " Num Vols:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolMgr_Query, numVTrees, " Num VTrees:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolMgr_Query, numSnapPolicies, " Num Snapshot Policies:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolMgr_Query, numVolsInDeletion, " Num Vols in Deletion:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, VolMgr_Query, updateGeneration, " Update Gen:", LLU, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kVolMgrUnread[] = {SDBG_UNREAD(VolMgr_Query, reserved20)};

// A label-coloured piece on the kept background (4/-).
void PrintLabelPiece(Sdbg_LogicalView &view, const char *pText) {
    view.PrintStr(pText, SDBG_COLOR_LABEL, SDBG_COLOR_KEEP);
}

// " Locked: yes Expired: no Belongs to Intervals: 1,-,-,1,-,-".
void PrintVolPolicyFlags(Sdbg_LogicalView &view, uint8_t flags) {
    PrintLabelPiece(view, " Locked: ");
    view.PrintStr((flags & MDM_VOL_POLICY_LOCKED) != 0 ? "yes" : "no", SDBG_COLOR_VALUE,
                  SDBG_COLOR_KEEP);
    PrintLabelPiece(view, " Expired: ");
    view.PrintStr((flags & MDM_VOL_POLICY_EXPIRED) != 0 ? "yes" : "no", SDBG_COLOR_VALUE,
                  SDBG_COLOR_KEEP);
    PrintLabelPiece(view, " Belongs to Intervals: ");
    for (uint32_t i = 0; i < MDM_VOL_POLICY_INTERVALS; ++i) {
        if (i > 0) {
            PrintLabelPiece(view, ",");
        }
        if ((flags & (MDM_VOL_POLICY_FIRST_INTERVAL << i)) != 0) {
            view.PrintStr("1", SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        } else {
            PrintLabelPiece(view, "-");
        }
    }
}

void VolPolicyFlagsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                        bool bXml) {
    Mdm_PrintInElement(view, row, bXml, 2, [&] { PrintVolPolicyFlags(view, pWire[row.offset]); });
}

constexpr Sdbg_ViewRow kVolRows[] = {
    SDBG_ROW(1, Vol_Query, volId, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Vol_Query, volName, " Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, Vol_Query, state, " State:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Vol_Query, genNum, " genNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Vol_Query, scsiGenNum, " scsiGenNum:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, Vol_Query, updateGenNum, " updateGenNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Vol_Query, readBwcLbs, " Read BWC:", Bwc, SDBG_VALUE),
    SDBG_ROW(2, Vol_Query, writeBwcLbs, " Write BWC:", Bwc, SDBG_VALUE),
    SDBG_ROW(2, Vol_Query, trimBwcLbs, " Trim BWC:", Bwc, SDBG_VALUE),
    SDBG_ROW(3, Vol_Query, readLatencyBwc, " Read Latency:", LatencyBwc, SDBG_VALUE),
    SDBG_ROW(3, Vol_Query, writeLatencyBwc, " Write Latency:", LatencyBwc, SDBG_VALUE),
    SDBG_ROW(3, Vol_Query, trimLatencyBwc, " Trim Latency:", LatencyBwc, SDBG_VALUE),
    SDBG_ROW(4, Vol_Query, vtreeId, " VTreeID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(4, Vol_Query, snapshotId, " SnapshotID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(4, Vol_Query, snapGroupId, " Snap-Group-ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, bScsi2Reserve, " scsi2-reserved:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, Vol_Query, reserverSdcId, " SdcId-reserver:", Hex0x, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, regKey, " SCSI-reserver-key:", Hex0x, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, refCount, " RefCount:", U, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, bUseCache, " Use of RAM Read Cache:", D, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, managedBy, " Volume Managed By:", D, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, visualParentId, " Visual Parent ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(5, Vol_Query, visualParentType, " Visual Parent Type:", Str, SDBG_VALUE),
    SDBG_ROW(6, Vol_Query, sourceVolumePolicyId, " Source Volume for Policy:", Hex0x, SDBG_VALUE),
    SDBG_ROW(6, Vol_Query, recoveryType, " Volume recovery type:", Hex8, SDBG_VALUE),
    SDBG_ROW(6, Vol_Query, snapshotPolicyId, " Auto Snapshot for Policy:", Hex0x, SDBG_VALUE),
    SDBG_ROW(6, Vol_Query, autoSnapGroupId, " Auto Snapshot Group:", Hex0x, SDBG_VALUE),
    SDBG_ROW(6, Vol_Query, sourceVolId, " Parent Source Volume:", Hex0x, SDBG_VALUE),
    SDBG_ROW(7, Vol_Query, tickerCreated, " Ticker Created:", U, SDBG_VALUE),
    SDBG_ROW(7, Vol_Query, tickerExpiry, " Ticker Expiry:", U, SDBG_VALUE),
    SDBG_HOOK_ROW(7, Vol_Query, policyFlags, nullptr, VolPolicyFlagsHook),
};
constexpr Sdbg_ByteRange kVolUnread[] = {SDBG_UNREAD(Vol_Query, reserved164),
                                         SDBG_UNREAD(Vol_Query, reserved177),
                                         SDBG_UNREAD(Vol_Query, reserved345)};

constexpr Sdbg_ViewRow kSnapRows[] = {
    SDBG_ROW(1, Snap_Query, snapshotId, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Snap_Query, parentSnapId, " parentSnapID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Snap_Query, state, " State:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Snap_Query, allocatedCapacityMB, " AllocatedCapacityMB:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Snap_Query, requestedCapacityMB, " RequestedCapacityMB:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Snap_Query, vtreeId, " VTreeID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(2, Snap_Query, vto_v, " VTO_ID:", LLU, SDBG_VALUE),
    SDBG_ROW(2, Snap_Query, vto_t, " VTO_TIME:", LLU, SDBG_VALUE),
    SDBG_ROW(2, Snap_Query, refCount, " RefCount:", U, SDBG_VALUE),
    SDBG_ROW(3, Snap_Query, creationTime, " Creation time:", LLU, SDBG_VALUE),
    SDBG_ROW(3, Snap_Query, deletionState, " Deletion State:", Str, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kSnapUnread[] = {SDBG_UNREAD(Snap_Query, reserved0),
                                          SDBG_UNREAD(Snap_Query, reserved44),
                                          SDBG_UNREAD(Snap_Query, reserved80)};

constexpr Sdbg_ViewRow kVTreeRows[] = {
    SDBG_ROW(1, VTree_Query, vtreeId, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VTree_Query, vtreeName, " Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, VTree_Query, spId, " SP ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, VTree_Query, numVols, " NumberOfVolumes:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VTree_Query, state, " State:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VTree_Query, isThin, " IsThin:", D, SDBG_VALUE),
    SDBG_ROW(1, VTree_Query, genNum, " genNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VTree_Query, compressionMethod, " Compression Method:", Str, SDBG_VALUE),
    SDBG_ROW(2, VTree_Query, maxVolCapacityMB, " MaxVolCapacityMB:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTree_Query, physicalBaseVolCapacityKB, " physicalBaseVolCapacityKB:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTree_Query, physicalVTreeCapacityKB, " physicalVTreeCapacityKB:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTree_Query, logicalBaseVolCapacityKB, " logicalBaseVolCapacityKB:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTree_Query, logicalVTreeCapacityKB, " logicalVTreeCapacityKB:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTree_Query, trimmedCapacityKB, " TrimmedKB:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, VTree_Query, snapshotTime, " SnapshotTime:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, VTree_Query, snapDelGeneration, " snapDelGeneration:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, VTree_Query, deletionInProgress, " deletionInProgress:", D, SDBG_VALUE),
    SDBG_ROW(3, VTree_Query, refCount, " RefCount:", U, SDBG_VALUE),
    SDBG_ROW(4, VTree_Query, snapRenameState, " Snapshot rename state:", Str, SDBG_VALUE),
    SDBG_ROW(4, VTree_Query, delSnapId, " Deleting snapshot:", LLU, SDBG_VALUE),
    SDBG_ROW(4, VTree_Query, mrgSnapId, " Merging snapshot:", LLU, SDBG_VALUE),
    SDBG_ROW(4, VTree_Query, bRemoveInitialTeeth, " Remove initial teeth:", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kVTreeUnread[] = {SDBG_UNREAD(VTree_Query, reserved44),
                                           SDBG_UNREAD(VTree_Query, reserved72),
                                           SDBG_UNREAD(VTree_Query, reserved140)};

constexpr Sdbg_ViewRow kVTreesInMigrationRows[] = {
    SDBG_ROW(1, VTreesInMigration_Query, vtreeId, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VTreesInMigration_Query, migrationState, " Migration State:", Str, SDBG_VALUE),
    SDBG_ROW(1, VTreesInMigration_Query, spId, " SP ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, VTreesInMigration_Query, destSpId, " Dest SP ID:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, VTreesInMigration_Query, thicknessConversionType, " Conversion Type:", Str,
             SDBG_VALUE),
    SDBG_ROW(2, VTreesInMigration_Query, isReversed, " Is Reversed:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, VTreesInMigration_Query, isActiveMigration, " Is Active Migration:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTreesInMigration_Query, migrationProgress, " Migration Progress:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, VTreesInMigration_Query, migrationQueuePosition, " Queue Position:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kVTreesInMigrationUnread[] = {
    SDBG_UNREAD(VTreesInMigration_Query, reserved100)};

// " Policy Levels:" and the six levels: the value, or "-" for 0.
void PrintPolicyLevels(Sdbg_LogicalView &view, const uint8_t *pLevels) {
    PrintLabelPiece(view, " Policy Levels:");
    for (uint32_t i = 0; i < MDM_SNAP_POLICY_LEVELS; ++i) {
        uint32_t level;
        std::memcpy(&level, pLevels + i * sizeof(level), sizeof(level));
        if (i > 0) {
            PrintLabelPiece(view, ",");
        }
        if (level != 0) {
            view.PrintUInt(level, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        } else {
            PrintLabelPiece(view, "-");
        }
    }
}

void PolicyLevelsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                      bool bXml) {
    Mdm_PrintInElement(view, row, bXml, 2, [&] { PrintPolicyLevels(view, pWire + row.offset); });
}

// The source volumes: their number, the number of ids shown when fewer,
// then the ids eight to a line, up to the first 0. A held count beyond the
// list's capacity shows the capacity: no id past the list is read.
void PrintPolicyVolumes(Sdbg_LogicalView &view, const SnapshotPolicyVolumes &volumes) {
    uint32_t numShown =
        volumes.numIdsHeld < MDM_SNAP_POLICY_VOL_IDS ? volumes.numIdsHeld : MDM_SNAP_POLICY_VOL_IDS;
    PrintLabelPiece(view, " Source Volume IDs: ");
    view.PrintUInt(volumes.numSourceVols, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    if (numShown < volumes.numSourceVols) {
        view.PrintStr(" (displaying only ", SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.PrintUInt(numShown, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.PrintStr(")", SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    }
    for (uint32_t i = 0; i < numShown; ++i) {
        if (volumes.volIds[i] == 0) {
            break;
        }
        if (i > 0) {
            PrintLabelPiece(view, ",");
        }
        if (i % 8 == 0) {
            view.NewLine();
            PrintLabelPiece(view, "    ");
        }
        view.PrintHex64(volumes.volIds[i], SDBG_COLOR_VALUE, SDBG_COLOR_KEEP, 1);
    }
}

void PolicyVolumesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                       bool bXml) {
    SnapshotPolicyVolumes volumes;
    std::memcpy(&volumes, pWire + row.offset, sizeof(volumes));
    Mdm_PrintInElement(view, row, bXml, 2, [&] { PrintPolicyVolumes(view, volumes); });
}

constexpr Sdbg_ViewRow kSnapshotPolicyRows[] = {
    SDBG_ROW(1, SnapshotPolicy_Query, policyId, " Policy ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, SnapshotPolicy_Query, state, " State:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, SnapshotPolicy_Query, refCount, " RefCount:", U, SDBG_VALUE),
    SDBG_ROW(2, SnapshotPolicy_Query, policyName, " Name:", Str, SDBG_VALUE),
    SDBG_HOOK_ROW(2, SnapshotPolicy_Query, levels, nullptr, PolicyLevelsHook),
    SDBG_ROW(2, SnapshotPolicy_Query, paused, " Paused:", D, SDBG_VALUE),
    SDBG_ROW(3, SnapshotPolicy_Query, modifyInProgress, " Modify in Progress:", D, SDBG_VALUE),
    SDBG_ROW(3, SnapshotPolicy_Query, lastModifyTimeStr, " lastModifyTime:", Str, SDBG_VALUE),
    SDBG_ROW(3, SnapshotPolicy_Query, lastModifyPTicks, " lastModifyPTicks:", U, SDBG_VALUE),
    SDBG_ROW(3, SnapshotPolicy_Query, lastFailureTimeStr, " lastFailureTime:", Str, SDBG_VALUE),
    SDBG_ROW(3, SnapshotPolicy_Query, lastFailureReasonStr, " lastFailureReason:", Str, SDBG_VALUE),
    SDBG_HOOK_ROW(4, SnapshotPolicy_Query, volumes, nullptr, PolicyVolumesHook),
};
constexpr Sdbg_ByteRange kSnapshotPolicyUnread[] = {SDBG_UNREAD(SnapshotPolicy_Query, reserved40)};

constexpr Sdbg_ViewRow kVolumeBlockRows[] = {
    SDBG_ROW(1, VolumeBlock_Query, destSpId, " destSpId:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolumeBlock_Query, vtreeId, " vtreeId:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolumeBlock_Query, volBlkIndex, " volBlkIndex:", U, SDBG_VALUE),
    SDBG_ROW(1, VolumeBlock_Query, srcMultiHeadId, " srcMultiHeadId:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolumeBlock_Query, srcOffsetBlocks, " srcOffsetBlocks:", U, SDBG_VALUE),
    SDBG_ROW(1, VolumeBlock_Query, dstMultiHeadId, " dstMultiHeadId:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, VolumeBlock_Query, dstOffsetBlocks, " dstOffsetBlocks:", U, SDBG_VALUE),
    SDBG_ROW(1, VolumeBlock_Query, bDstIsThinProvisioned, " bDstIsThinProvisioned:", D, SDBG_VALUE),
    SDBG_ROW(2, VolumeBlock_Query, task, " task:", Str, SDBG_VALUE),
    SDBG_ROW(2, VolumeBlock_Query, step, " step:", Str, SDBG_VALUE),
    SDBG_ROW(2, VolumeBlock_Query, numFinishedRows, " numFinishedRows:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, VolumeBlock_Query, bHasTgtResends, " bHasTgtResends:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, VolumeBlock_Query, bBusy, " bBusy:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, VolumeBlock_Query, bHasWork, " bHasWork:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, VolumeBlock_Query, bHasPendingAbortTrigger, " bHasPendingAbortTrigger:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, VolumeBlock_Query, bTransferRequestFromSrc, " bTransferRequestFromSrc:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, VolumeBlock_Query, bHasSequencerApproval, " bHasSequencerApproval:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, VolumeBlock_Query, bHasApprovalFromFirstSequencer,
             " bHasApprovalFromFirstSequencer:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(4, VolumeBlock_Query, startTime, " startTime:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(4, VolumeBlock_Query, bIsFragDefrag, " bIsFragDefrag:", D, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kVolumeBlockUnread[] = {SDBG_UNREAD(VolumeBlock_Query, reserved172)};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kIniMgrView, IniMgr_Query, kIniMgrRows, kIniMgrUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kIniView, Ini_Query, kIniRows, kIniUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kVolMgrView, VolMgr_Query, kVolMgrRows, kVolMgrUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kVolView, Vol_Query, kVolRows, kVolUnread, 0);
// A snapshot ends its last line itself: an empty line follows it on screen.
SDBG_DEFINE_VIEW_GAPS(kSnapView, Snap_Query, kSnapRows, kSnapUnread, 1);
SDBG_DEFINE_VIEW_GAPS(kVTreeView, VTree_Query, kVTreeRows, kVTreeUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kVTreesInMigrationView, VTreesInMigration_Query, kVTreesInMigrationRows,
                      kVTreesInMigrationUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kSnapshotPolicyView, SnapshotPolicy_Query, kSnapshotPolicyRows,
                      kSnapshotPolicyUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kVolumeBlockView, VolumeBlock_Query, kVolumeBlockRows, kVolumeBlockUnread, 0);
