// Views of how the cluster's capacity is grouped: the failure-domain
// manager, failure domains, storage pools, acceleration pools, the link of
// a storage pool to a data server, and fault sets.

#include "sdbg_views_cluster.h"

using namespace sdbg_wire;

namespace {

// ---- Failure domains ----

constexpr Sdbg_ViewRow kFailureDomainMgrRows[] = {
    SDBG_ROW(1, FailureDomainMgr_Query, numFDs, " #FDs:", U, SDBG_ZERO_ALERT),
};

// Values without a word print nothing; the next label follows directly.
constexpr Sdbg_EnumWord kObjStateWords[] = {
    {0, "FREE", 2, 2},
    {1, "CREATE INPROGRESS", 2, 2},
    {2, "NORMAL", 3, 3},
    {3, "REMOVE_PEND", 2, 2},
};
constexpr Sdbg_EnumWords kObjState = {kObjStateWords, std::size(kObjStateWords), {}};

constexpr Sdbg_EnumWord kOperationalStateWords[] = {
    {0, "Invalid", 2, 2},
    {1, "Active", 3, 3},
    {2, "Shutdown-in-progress", 2, 2},
    {3, "Shutdown", 2, 2},
    {4, "Activation-in-progress", 2, 2},
};
constexpr Sdbg_EnumWords kOperationalState = {
    kOperationalStateWords, std::size(kOperationalStateWords), {}};

constexpr Sdbg_EnumWord kPellorinModeWords[] = {
    {0, "Invalid", 2, 2},  {1, "PT-None", 3, 2},           {2, "PT-Read", 2, 3},
    {3, "PT-Write", 2, 3}, {4, "PT-Read-and-Write", 2, 3}, {5, "PT-Write-Miss", 2, 3},
};
constexpr Sdbg_EnumWords kPellorinMode = {kPellorinModeWords, std::size(kPellorinModeWords), {}};

constexpr Sdbg_ViewRow kFailureDomainRows[] = {
    SDBG_ROW(1, FailureDomain_Query, fdId, " ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FailureDomain_Query, fdName, " Name:", Str, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(1, FailureDomain_Query, objState,
                           " State:", Sdbg_ClusterEnumHook<kObjState>),
    SDBG_LABELLED_HOOK_ROW(1, FailureDomain_Query, operationalState,
                           " OperationalState:", Sdbg_ClusterEnumHook<kOperationalState>),
    SDBG_ROW(1, FailureDomain_Query, shutdownGeneration, " ShutdownGen:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FailureDomain_Query, numTgts, " #TGTs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FailureDomain_Query, potentialNumVols, " potentialNumVols:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, FailureDomain_Query, sdsRebuildNetworkBWLimitKbps, "   NetBWLimit: Rebuild: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, FailureDomain_Query, sdsRebalanceNetworkBWLimitKbps, " Rebalance: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, FailureDomain_Query, sdsVtreeMigrationNetworkBWLimitKbps, " VTree Migration: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, FailureDomain_Query, sdsOverallNetworkBWLimitKbps, " Overall: ", U,
             SDBG_ZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(3, FailureDomain_Query, pellorinOperationalMode,
                           "   Pellorin OpMode:", Sdbg_ClusterEnumHook<kPellorinMode>),
    SDBG_ROW(3, FailureDomain_Query, pellorinEnabled, " Enabled: ", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, FailureDomain_Query, pellorinPageSizeKb, " Page size: ", U, SDBG_VALUE),
    SDBG_ROW(3, FailureDomain_Query, pellorinMaxIoSizeKb, " Max IO: ", U, SDBG_VALUE),
    SDBG_ROW(3, FailureDomain_Query, pellorinAccPoolId, " Pellorin Acceleration Pool ID:", Hex0x,
             SDBG_VALUE),
    SDBG_ROW(3, FailureDomain_Query, bDynThrotInflightMBsActive, " bDynThrotInflightMBsActive:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, FailureDomain_Query, bDynThrotInflightReqsActive,
             " bDynThrotInflightReqsActive:", D, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kFailureDomainUnread[] = {SDBG_UNREAD(FailureDomain_Query, reserved1),
                                                   SDBG_UNREAD(FailureDomain_Query, reserved2)};

// ---- Storage pools ----

constexpr Sdbg_EnumWord kWriteModeWords[] = {
    {0, "Invalid", 1, 1},
    {1, "Passthrough", 1, 1},
    {2, "Cached", 1, 1},
};
constexpr Sdbg_EnumWords kWriteMode = {
    kWriteModeWords, std::size(kWriteModeWords), {0, "Unknown", 2, 2}};

constexpr Sdbg_EnumWord kScannerModeWords[] = {
    {0, "Invalid", 2, 1},
    {1, "Off", 1, 1},
    {2, "Read", 1, 1},
    {3, "Read&Compare", 1, 1},
};
constexpr Sdbg_EnumWords kScannerMode = {
    kScannerModeWords, std::size(kScannerModeWords), {0, "Unknown", 2, 2}};

// One decoding for the rebuild, rebalance and tree-migration policies; 0
// falls to "Unknown" with every value above 4.
constexpr Sdbg_EnumWord kPolicyWords[] = {
    {1, "Unlimited", 2, 2},
    {2, "Limit concurrent io", 1, 1},
    {3, "Favor App IO", 1, 1},
    {4, "Dynamic BW throttle", 1, 1},
};
constexpr Sdbg_EnumWords kPolicy = {kPolicyWords, std::size(kPolicyWords), {0, "Unknown", 2, 2}};

// "   SP Transfer Sequencer:" in the current colours opens the line of the
// running job type; in XML it stands as loose text before its element.
void TransferSequencerHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml) {
    view.PrintStr("   SP Transfer Sequencer:", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    } else {
        view.PrintStr(" runningJobType:", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
    Sdbg_PrintText(view, reinterpret_cast<const char *>(pWire + row.offset), row.size,
                   SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

// The text row that TransferSequencerHook prints, label and all.
#define SDBG_CLUSTER_SEQUENCER_ROW(line, Wire, member)                                             \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, nullptr, Sdbg_Format::Hook, SDBG_VALUE, false, \
            false, TransferSequencerHook, nullptr                                                  \
    }

constexpr Sdbg_ViewRow kStoragePoolRows[] = {
    SDBG_ROW(1, StoragePool_Query, fdId, " FD ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, spId, " SP ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, spName, " Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, StoragePool_Query, spNumVTrees, " #VTrees:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, spNumMigratingVTrees, " #MigratingVTrees:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, spNumDevs, " #Devs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, sparePct, " SpareNeeded%:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, capUsageState, " Capacity Usage state:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, StoragePool_Query, numParallelRebuildRebalanceJobsPerDev, " ParallelJobLimit: ", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, StoragePool_Query, bZeroPadEnabled, "   Zero pad enabled:", D, SDBG_VALUE),
    SDBG_ROW(2, StoragePool_Query, bUseCache, "   Use of RAM Read Cache:", D, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(2, StoragePool_Query, rmcacheWriteMode,
                           "   Write Mode:", Sdbg_ClusterEnumHook<kWriteMode>),
    SDBG_ROW(2, StoragePool_Query, bUsePellorin, "   Use of Read Flash Read Cache:", D, SDBG_VALUE),
    SDBG_ROW(3, StoragePool_Query, capacityAlertHighThreshold, "   High Threshold:", U, SDBG_VALUE),
    SDBG_ROW(3, StoragePool_Query, capacityAlertCriticalThreshold, "   Critical Threshold:", U,
             SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(3, StoragePool_Query, dataIntegrityScannerMode,
                           "   Scanner Mode:", Sdbg_ClusterEnumHook<kScannerMode>),
    SDBG_ROW(3, StoragePool_Query, dataIntegrityScannerBWLimitKBps, "   Scanner BW(KBps):", U,
             SDBG_VALUE),
    SDBG_ROW(3, StoragePool_Query, bHasNewDataCompareErrors, " Has new data compare errors:", D,
             SDBG_VALUE),
    SDBG_ROW(4, StoragePool_Query, bRebuildEnabled, "   Rebuild:   Enabled:", D, SDBG_ZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(4, StoragePool_Query, rebuildPolicy,
                           " Policy:", Sdbg_ClusterEnumHook<kPolicy>),
    SDBG_ROW(4, StoragePool_Query, rebuildConcurrentIOLimit, " concurrentIOLimit:", D, SDBG_VALUE),
    SDBG_ROW(4, StoragePool_Query, rebuildMaxBwKB, " MaxBwKB:", U, SDBG_VALUE),
    SDBG_ROW(4, StoragePool_Query, rebuildQuietPeriodMs, " QuietPeriodMs:", U, SDBG_VALUE),
    SDBG_ROW(4, StoragePool_Query, rebuildAppBwPerDeviceThresholdKB, " AppBwThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(4, StoragePool_Query, rebuildAppIopsPerDeviceThreshold, " AppIopsThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(5, StoragePool_Query, bRebalanceEnabled, "   Rebalance: Enabled:", D, SDBG_ZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(5, StoragePool_Query, rebalancePolicy,
                           " Policy:", Sdbg_ClusterEnumHook<kPolicy>),
    SDBG_ROW(5, StoragePool_Query, rebalanceConcurrentIOLimit, " concurrentIOLimit:", D,
             SDBG_VALUE),
    SDBG_ROW(5, StoragePool_Query, rebalanceMaxBwKB, " MaxBwKB:", U, SDBG_VALUE),
    SDBG_ROW(5, StoragePool_Query, rebalanceQuietPeriodMs, " QuietPeriodMs:", U, SDBG_VALUE),
    SDBG_ROW(5, StoragePool_Query, rebalanceAppBwPerDeviceThresholdKB, " AppBwThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(5, StoragePool_Query, rebalanceAppIopsPerDeviceThreshold, " AppIopsThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, checksumConfigState, " Config State:", Str, SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, bVTreeMigrationEnabled, "   VTree Migration: Enabled:", D,
             SDBG_ZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(6, StoragePool_Query, vtreeMigrationPolicy,
                           " Policy:", Sdbg_ClusterEnumHook<kPolicy>),
    SDBG_ROW(6, StoragePool_Query, vtreeMigrationConcurrentIOLimit, " concurrentIOLimit:", D,
             SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, vtreeMigrationMaxBwKB, " MaxBwKB:", U, SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, vtreeMigrationQuietPeriodMs, " QuietPeriodMs:", U, SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, vtreeMigrationAppBwPerDeviceThresholdKB, " AppBwThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(6, StoragePool_Query, vtreeMigrationAppIopsPerDeviceThreshold, " AppIopsThreshold:", U,
             SDBG_VALUE),
    SDBG_ROW(7, StoragePool_Query, checksumMode, "   Checksum Mode:", Str, SDBG_VALUE),
    SDBG_ROW(7, StoragePool_Query, checksumBlockSize, " Checksum Block Size:", Str, SDBG_VALUE),
    SDBG_ROW(7, StoragePool_Query, checksumCalculationRateKbps,
             " Checksum Calculation Rate KBPS:", U, SDBG_VALUE),
    SDBG_ROW(7, StoragePool_Query, checksumAccPoolId, " Acceleration Pool for Checksum:", Hex0x,
             SDBG_VALUE),
    SDBG_ROW(8, StoragePool_Query, mediaType, "  Media Type:", D, SDBG_VALUE),
    SDBG_ROW(8, StoragePool_Query, externalAccelerationType, " External Acceleration Type:", D,
             SDBG_VALUE),
    SDBG_ROW(8, StoragePool_Query, inflightIOsProvisioningPct, " inflightIOsProvisioningPct:", D,
             SDBG_VALUE),
    SDBG_ROW(8, StoragePool_Query, inflightBWProvisioningPct, " inflightBWProvisioningPct:", D,
             SDBG_VALUE),
    SDBG_CLUSTER_SEQUENCER_ROW(9, StoragePool_Query, spTransferSequencerCurrentRunningJobType),
    SDBG_ROW(9, StoragePool_Query, numActiveSpTransferSequencerJobs, " numActiveJobs:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(10, StoragePool_Query, dataLayout, "   Data Layout:", Str, SDBG_VALUE),
    SDBG_ROW(10, StoragePool_Query, compressionMethod, " Compression Method:", Str, SDBG_VALUE),
    SDBG_ROW(10, StoragePool_Query, spefAccPoolId, " SPEF Acceleration Pool:", Hex0x, SDBG_VALUE),
    SDBG_ROW(11, StoragePool_Query, fglNvramWriteCacheSize, " FGL params: nvramWriteCacheSize:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(11, StoragePool_Query, fglNvramMetadataAmortization_X100,
             " nvramMetadataAmortization:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(11, StoragePool_Query, fglMetadataSize_X100, " metadataSize:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(11, StoragePool_Query, fglExtraCapacity, " extraCapacity:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(11, StoragePool_Query, fglOverProvisioningFactor, " overProvisioningFactor:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(11, StoragePool_Query, fglOctetsFactor_X10, " octetsFactor:", D, SDBG_VALUE),
    SDBG_ROW(12, StoragePool_Query, fglWriteAtomicitySize, "   writeAtomicitySize:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(12, StoragePool_Query, fglMaxCompressionRatio, " maxCompressionRatio:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(12, StoragePool_Query, fglPerfProfile, " perfProfile:", D, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kStoragePoolUnread[] = {
    SDBG_UNREAD(StoragePool_Query, reserved1), SDBG_UNREAD(StoragePool_Query, reserved2),
    SDBG_UNREAD(StoragePool_Query, reserved3), SDBG_UNREAD(StoragePool_Query, reserved4),
    SDBG_UNREAD(StoragePool_Query, reserved5), SDBG_UNREAD(StoragePool_Query, reserved6),
};

// ---- Acceleration pools, pool-to-server links, fault sets ----

constexpr Sdbg_ViewRow kAccelerationPoolRows[] = {
    SDBG_ROW(1, AccelerationPool_Query, fdId, " FD ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, AccelerationPool_Query, accPoolId, " accPool ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, AccelerationPool_Query, accPoolName, " Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, AccelerationPool_Query, accPoolType, " Type:", Str, SDBG_VALUE),
    SDBG_ROW(1, AccelerationPool_Query, isPellorin, " Is Pellorin:", D, SDBG_VALUE),
    SDBG_ROW(1, AccelerationPool_Query, numDevs, " #Devs:", U, SDBG_ZERO_ALERT),
};

constexpr Sdbg_ViewRow kSpSdsRows[] = {
    SDBG_ROW(1, SpSds_Query, spSdsId, " SP-SDS ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, SpSds_Query, tgtId, " TGT ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, SpSds_Query, spId, " SP ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, SpSds_Query, inflightIOsProvisioningPct, " inflightIOsProvisioningPct:", D,
             SDBG_VALUE),
    SDBG_ROW(2, SpSds_Query, inflightBWProvisioningPct, " inflightBWProvisioningPct:", D,
             SDBG_VALUE),
};
constexpr Sdbg_ByteRange kSpSdsUnread[] = {SDBG_UNREAD(SpSds_Query, reserved1),
                                           SDBG_UNREAD(SpSds_Query, reserved2)};

constexpr Sdbg_ViewRow kFaultSetRows[] = {
    SDBG_ROW(1, FaultSet_Query, fdId, " FD ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FaultSet_Query, fsId, " FS ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FaultSet_Query, tgtsCount, " #TGTs:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, FaultSet_Query, fsName, " Name:", Str, SDBG_VALUE),
    SDBG_ROW(1, FaultSet_Query, fsStateStr, " State:", Str, SDBG_VALUE),
    SDBG_ROW(1, FaultSet_Query, fasonStateStr, " Fason State:", Str, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kFaultSetUnread[] = {SDBG_UNREAD(FaultSet_Query, reserved)};

} // namespace

SDBG_DEFINE_VIEW(kFailureDomainMgrView, FailureDomainMgr_Query, kFailureDomainMgrRows, 0);
SDBG_DEFINE_VIEW_GAPS(kFailureDomainView, FailureDomain_Query, kFailureDomainRows,
                      kFailureDomainUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kStoragePoolView, StoragePool_Query, kStoragePoolRows, kStoragePoolUnread, 0);
SDBG_DEFINE_VIEW(kAccelerationPoolView, AccelerationPool_Query, kAccelerationPoolRows, 0);
SDBG_DEFINE_VIEW_GAPS(kSpSdsView, SpSds_Query, kSpSdsRows, kSpSdsUnread, 1);
SDBG_DEFINE_VIEW_GAPS(kFaultSetView, FaultSet_Query, kFaultSetRows, kFaultSetUnread, 0);
