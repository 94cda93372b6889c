// Query structures of the cluster: repository, balancing, voting, failure domains, users, gateways,
// as the views read them (little-endian, byte-packed, offsets checked). Bytes that no view reads
// are kept as named reserve so every record is laid out whole.
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

// ---- Metadata manager: repository, balancing, capacity ----

// One kind of sub-object of a repository type.
struct RepType_SubObjQuery {
    uint32_t size;
    uint32_t num;
    uint32_t startPage;
};
static_assert(sizeof(RepType_SubObjQuery) == 12);

inline constexpr uint32_t REP_TYPE_SUB_OBJS = 4;

struct RepType_Query { // type 74
    uint32_t typeID;
    uint32_t typeIndex;
    uint32_t subObjNum; // not a bound: all four records are always shown
    uint32_t reserved;
    uint32_t bmStartPage;
    RepType_SubObjQuery subObjs[REP_TYPE_SUB_OBJS];
};
static_assert(sizeof(RepType_Query) == 68);
static_assert(offsetof(RepType_Query, bmStartPage) == 16);
static_assert(offsetof(RepType_Query, subObjs) == 20);

struct RepExtent_Query { // type 75
    uint32_t maxBatch;
    int32_t bWork;
    uint32_t lastBatch;
    uint32_t numPages;
    uint32_t numWaiter;
    uint32_t startPage;
    uint32_t plugCnt;
};
static_assert(sizeof(RepExtent_Query) == 28);
static_assert(offsetof(RepExtent_Query, plugCnt) == 24);

struct RepSummary_Query { // type 76
    uint32_t pagesPerExtent;
    uint32_t workingExtents;
    uint32_t waitForExtent;
    uint32_t workingTypes;
    uint32_t waitForType;
    uint32_t numTypes;
    uint32_t uniqSignature;
    uint32_t maxBatch;
    uint32_t startBmPage;
    uint32_t startDataPage;
    uint32_t numExtents;
    int32_t receivedHeader;
    int32_t receivedBM;
    Sdbg_BwcRecord repWriteBwc;
};
static_assert(sizeof(RepSummary_Query) == 72);
static_assert(offsetof(RepSummary_Query, numExtents) == 40);
static_assert(offsetof(RepSummary_Query, repWriteBwc) == 52);

// The migration plan of one multihead; an entry whose id is 0 is unused.
struct MigrationMultiheadPlan_Query {
    uint32_t id;
    uint32_t rowsInProcess;
    uint32_t rowInMigrateMhListCnt;
    uint32_t rowNotInMigrateMhListCnt;
    uint32_t retryCounter;
};
static_assert(sizeof(MigrationMultiheadPlan_Query) == 20);

inline constexpr uint32_t BALANCE_PLAN_ENTRIES = 3072;

struct BalanceExecutor_Query { // type 77
    uint32_t highPriorityEventsCnt;
    uint32_t lowPriorityEventsCnt;
    int32_t bIsIdle;
    int32_t bRebalanceOnNextIdle;
    uint32_t timeFromLastEventSec;
    uint32_t numMMDevs;
    uint32_t numStuckDevs;
    uint32_t numPlugs;
    uint32_t flow;
    uint32_t degradedRowsCnt;
    MigrationMultiheadPlan_Query mhMigrationPlan[BALANCE_PLAN_ENTRIES];
};
static_assert(sizeof(BalanceExecutor_Query) == 61480);
static_assert(offsetof(BalanceExecutor_Query, degradedRowsCnt) == 36);
static_assert(offsetof(BalanceExecutor_Query, mhMigrationPlan) == 40);

inline constexpr uint32_t CAP_MGR_THIN_FACTORS = 3; // physical, logical, octets

struct CapMgr_Query { // type 78
    uint64_t totalNumMbs;
    uint64_t clusterMbs;
    uint64_t availableMbs;
    uint64_t nonSpareAvailableMbs;
    uint64_t minSpareMbs;
    uint64_t usedSpareMbs;
    uint64_t rmMbsInProgress;
    uint64_t reservedMbs;
    uint64_t layoutOverheadMbs;
    uint64_t potentialMbs;
    uint64_t thickMigrateMb;
    uint64_t quiescedThickMigrateMb;
    uint64_t minAvailMbDeviceId;
    uint32_t sparePercent;
    uint32_t numStuckDevices;
    uint32_t chunkSize;
    uint32_t unreducedAllocationThreshold;
    uint32_t minAvailableMbByDev;
    uint32_t minAvailLessReservedForSpares;
    uint32_t adjustedChunkSize;
    uint32_t reserved1;
    uint64_t bookedMbs;
    int32_t bBookedMbsDirty;
    uint32_t thinFactorMultBy10[CAP_MGR_THIN_FACTORS];
    uint32_t numDevsInsufficientAir;
    uint32_t reserved2;
};
static_assert(sizeof(CapMgr_Query) == 168);
static_assert(offsetof(CapMgr_Query, minAvailMbDeviceId) == 96);
static_assert(offsetof(CapMgr_Query, sparePercent) == 104);
static_assert(offsetof(CapMgr_Query, adjustedChunkSize) == 128);
static_assert(offsetof(CapMgr_Query, bookedMbs) == 136);
static_assert(offsetof(CapMgr_Query, thinFactorMultBy10) == 148);
static_assert(offsetof(CapMgr_Query, numDevsInsufficientAir) == 160);

struct MhRowTimer_Query { // type 79
    uint32_t lastBatchReleased;
    uint32_t maxBatchReleased;
    uint32_t totalEnqueue;
};
static_assert(sizeof(MhRowTimer_Query) == 12);

// ---- Metadata manager: voting, synchronisation, connectivity matrix ----

struct Voter_Query { // type 87
    char state[32];
    uint64_t voterID;
    uint64_t clsUniqueID;
    uint64_t degradedGen;
    uint64_t actorID;
    uint64_t actorGen;
    int32_t bDegraded;
    uint8_t numOOSActors;
    char oosActors[103];
    int32_t ticksToExpiration;
    uint32_t verifyFailureCount;
    uint32_t reserved;
};
static_assert(sizeof(Voter_Query) == 192);
static_assert(offsetof(Voter_Query, numOOSActors) == 76);
static_assert(offsetof(Voter_Query, oosActors) == 77);
static_assert(offsetof(Voter_Query, ticksToExpiration) == 180);

// One remote metadata manager as an actor sees it.
struct ActorRemoteMdm_Query {
    uint64_t actorID;
    int32_t bDegraded;
    char loopTrigger[36];
};
static_assert(sizeof(ActorRemoteMdm_Query) == 48);

// The extent locks an actor holds towards one remote manager.
struct ActorExtLock_Query {
    uint64_t totalExtentsLb;
    uint32_t reserved1;
    uint32_t chunkSizeLb;
    uint32_t numActiveReaders;
    uint32_t numActiveWriters;
    uint32_t numBlocked;
    uint32_t maxChunkReaders;
    uint32_t numChunksRead;
    uint32_t numReadWaiters;
    uint32_t numWriteWaiters;
    uint32_t reserved2;
};
static_assert(sizeof(ActorExtLock_Query) == 48);
static_assert(offsetof(ActorExtLock_Query, chunkSizeLb) == 12);
static_assert(offsetof(ActorExtLock_Query, numWriteWaiters) == 40);

inline constexpr uint32_t ACTOR_REMOTE_MDMS = 2;

struct Actor_Query { // type 88
    char clsState[32];
    char masterState[32];
    uint64_t clsUniqueID;
    uint64_t degradedGen;
    uint64_t actorID;
    uint32_t numRemoteMDMs; // bounds both arrays; may exceed their capacity
    uint32_t reserved1;
    ActorRemoteMdm_Query remoteMDMs[ACTOR_REMOTE_MDMS];
    ActorExtLock_Query extLocks[ACTOR_REMOTE_MDMS];
    uint64_t actorGen;
    uint64_t loopHighestVote;
    int32_t cedeRemainingTicks;
    uint32_t voterNum;
    uint32_t loopOurVoters;
    char loopVotersOwnedByOther[32];
    char remoteActorsOwned[36];
    int32_t bActorHasQuorum;
    int32_t bCede;
    int32_t bHandlingTrigger;
    uint32_t reserved2;
};
static_assert(sizeof(Actor_Query) == 400);
static_assert(offsetof(Actor_Query, numRemoteMDMs) == 88);
static_assert(offsetof(Actor_Query, remoteMDMs) == 96);
static_assert(offsetof(Actor_Query, extLocks) == 192);
static_assert(offsetof(Actor_Query, actorGen) == 288);
static_assert(offsetof(Actor_Query, voterNum) == 308);
static_assert(offsetof(Actor_Query, remoteActorsOwned) == 348);
static_assert(offsetof(Actor_Query, bActorHasQuorum) == 384);

struct ActorVoter_Query { // type 89
    uint32_t numHostNames;
    char hostNames[260];
    uint64_t voterID;
    uint64_t lastRspActorID;
    uint64_t highestDegradedGen;
    uint64_t ticksLastSend;
    uint32_t numMeMasterNotifSent;
    uint32_t numMeMasterRsp;
    int32_t ticksExpiration;
    uint32_t reserved1;
    uint32_t pendingSends;
    uint32_t pendingRcvs;
    uint32_t actorVoterType;
    uint32_t reserved2;
    uint64_t ticksLastRsp;
    uint32_t lastRspRC;
    uint32_t failureCount;
    char oosActorsForHighestGen[48];
    int32_t bHasLease;
    char lastRspVoteState[36];
};
static_assert(sizeof(ActorVoter_Query) == 432);
static_assert(offsetof(ActorVoter_Query, voterID) == 264);
static_assert(offsetof(ActorVoter_Query, ticksExpiration) == 304);
static_assert(offsetof(ActorVoter_Query, actorVoterType) == 320);
static_assert(offsetof(ActorVoter_Query, ticksLastRsp) == 328);
static_assert(offsetof(ActorVoter_Query, oosActorsForHighestGen) == 344);
static_assert(offsetof(ActorVoter_Query, bHasLease) == 392);

struct SyncerSlave_Query { // type 90
    uint64_t remoteActorID;
    char syncerSlaveState[32];
    uint32_t lastRspRC;
    uint32_t failureCount;
};
static_assert(sizeof(SyncerSlave_Query) == 48);

struct Syncer_Query { // type 91
    uint64_t remoteActorID;
    char syncerState[32];
    char replState[32];
    char degradorCurState[32];
    char degradorNextState[36];
    int32_t bDegradedComing;
    int32_t bForwardIO;
    uint32_t lastRspRC;
    uint32_t failureCount;
    uint32_t reserved;
};
static_assert(sizeof(Syncer_Query) == 160);
static_assert(offsetof(Syncer_Query, bDegradedComing) == 140);

struct _ConMatrix_Query { // type 146
    uint64_t fdId;
    char curPolicy[32];
    char curIssueType[32];
    uint64_t issueDetectTicks;
    char bCooloffStarted[32]; // a text, despite its name
    uint64_t cooloffStartTicks;
    uint16_t nMaxRows;
    uint16_t nActiveRows;
    uint16_t nKnownTgts;
    uint16_t reserved1;
    uint32_t matrixGenNum;
    uint32_t reserved2;
};
static_assert(sizeof(_ConMatrix_Query) == 136);
static_assert(offsetof(_ConMatrix_Query, cooloffStartTicks) == 112);
static_assert(offsetof(_ConMatrix_Query, nMaxRows) == 120);
static_assert(offsetof(_ConMatrix_Query, matrixGenNum) == 128);

// ---- Metadata manager: failure domains, pools, fault sets ----

struct FailureDomainMgr_Query { // type 92
    uint32_t numFDs;
};
static_assert(sizeof(FailureDomainMgr_Query) == 4);

struct FailureDomain_Query { // type 93
    uint64_t fdId;
    char fdName[32];
    uint32_t objState;
    uint32_t operationalState;
    uint32_t shutdownGeneration;
    uint32_t numTgts;
    uint32_t potentialNumVols;
    uint32_t sdsRebalanceNetworkBWLimitKbps;
    uint32_t sdsRebuildNetworkBWLimitKbps;
    uint32_t sdsVtreeMigrationNetworkBWLimitKbps;
    uint32_t sdsOverallNetworkBWLimitKbps;
    uint32_t pellorinEnabled;
    uint32_t pellorinPageSizeKb;
    uint32_t pellorinMaxIoSizeKb;
    uint32_t pellorinOperationalMode;
    uint32_t reserved1;
    uint64_t pellorinAccPoolId;
    int32_t bDynThrotInflightMBsActive;
    int32_t bDynThrotInflightReqsActive;
    uint8_t reserved2[8];
};
static_assert(sizeof(FailureDomain_Query) == 120);
static_assert(offsetof(FailureDomain_Query, objState) == 40);
static_assert(offsetof(FailureDomain_Query, sdsRebalanceNetworkBWLimitKbps) == 60);
static_assert(offsetof(FailureDomain_Query, pellorinOperationalMode) == 88);
static_assert(offsetof(FailureDomain_Query, pellorinAccPoolId) == 96);
static_assert(offsetof(FailureDomain_Query, bDynThrotInflightReqsActive) == 108);

struct StoragePool_Query { // type 94
    uint64_t spId;
    uint64_t fdId;
    char spName[32];
    uint32_t spNumVTrees;
    uint32_t spNumMigratingVTrees;
    uint32_t spNumDevs;
    uint32_t sparePct;
    uint32_t capUsageState;
    uint32_t numParallelRebuildRebalanceJobsPerDev;
    int32_t bRebuildEnabled;
    uint8_t rebuildConcurrentIOLimit;
    uint8_t reserved1[3];
    uint32_t rebuildPolicy;
    uint32_t rebuildMaxBwKB;
    uint32_t rebuildQuietPeriodMs;
    uint32_t rebuildAppBwPerDeviceThresholdKB;
    uint32_t rebuildAppIopsPerDeviceThreshold;
    int32_t bRebalanceEnabled;
    uint8_t rebalanceConcurrentIOLimit;
    uint8_t reserved2[3];
    uint32_t rebalancePolicy;
    uint32_t rebalanceMaxBwKB;
    uint32_t rebalanceQuietPeriodMs;
    uint32_t rebalanceAppBwPerDeviceThresholdKB;
    uint32_t rebalanceAppIopsPerDeviceThreshold;
    int32_t bVTreeMigrationEnabled;
    uint8_t vtreeMigrationConcurrentIOLimit;
    uint8_t reserved3[3];
    uint32_t vtreeMigrationPolicy;
    uint32_t vtreeMigrationMaxBwKB;
    uint32_t vtreeMigrationQuietPeriodMs;
    uint32_t vtreeMigrationAppBwPerDeviceThresholdKB;
    uint32_t vtreeMigrationAppIopsPerDeviceThreshold;
    int32_t bZeroPadEnabled;
    int32_t bUseCache;
    uint32_t rmcacheWriteMode;
    int32_t bUsePellorin;
    uint32_t dataIntegrityScannerMode;
    uint32_t dataIntegrityScannerBWLimitKBps;
    int32_t bHasNewDataCompareErrors;
    uint32_t capacityAlertHighThreshold;
    uint32_t capacityAlertCriticalThreshold;
    char checksumMode[32];
    char checksumBlockSize[32];
    uint32_t checksumCalculationRateKbps;
    uint32_t reserved4;
    uint64_t checksumAccPoolId;
    uint8_t reserved5[10];
    char checksumConfigState[34];
    uint32_t numActiveSpTransferSequencerJobs;
    char spTransferSequencerCurrentRunningJobType[32];
    uint16_t inflightIOsProvisioningPct;
    uint16_t inflightBWProvisioningPct;
    int32_t mediaType;
    int32_t externalAccelerationType;
    char dataLayout[32];
    char compressionMethod[36];
    uint64_t spefAccPoolId;
    uint16_t fglNvramWriteCacheSize;
    uint16_t fglNvramMetadataAmortization_X100;
    uint16_t fglMetadataSize_X100;
    uint16_t fglOctetsFactor_X10;
    uint8_t fglExtraCapacity;
    uint8_t fglOverProvisioningFactor;
    uint16_t fglWriteAtomicitySize;
    uint8_t fglMaxCompressionRatio;
    uint8_t fglPerfProfile;
    uint16_t reserved6;
};
static_assert(sizeof(StoragePool_Query) == 456);
static_assert(offsetof(StoragePool_Query, bRebuildEnabled) == 72);
static_assert(offsetof(StoragePool_Query, rebuildPolicy) == 80);
static_assert(offsetof(StoragePool_Query, rebalancePolicy) == 108);
static_assert(offsetof(StoragePool_Query, vtreeMigrationPolicy) == 136);
static_assert(offsetof(StoragePool_Query, bZeroPadEnabled) == 156);
static_assert(offsetof(StoragePool_Query, capacityAlertCriticalThreshold) == 188);
static_assert(offsetof(StoragePool_Query, checksumCalculationRateKbps) == 256);
static_assert(offsetof(StoragePool_Query, checksumAccPoolId) == 264);
static_assert(offsetof(StoragePool_Query, checksumConfigState) == 282);
static_assert(offsetof(StoragePool_Query, numActiveSpTransferSequencerJobs) == 316);
static_assert(offsetof(StoragePool_Query, inflightIOsProvisioningPct) == 352);
static_assert(offsetof(StoragePool_Query, dataLayout) == 364);
static_assert(offsetof(StoragePool_Query, spefAccPoolId) == 432);
static_assert(offsetof(StoragePool_Query, fglExtraCapacity) == 448);
static_assert(offsetof(StoragePool_Query, fglPerfProfile) == 453);

struct AccelerationPool_Query { // type 95
    uint64_t accPoolId;
    uint64_t fdId;
    char accPoolName[32];
    uint32_t numDevs;
    char accPoolType[8];
    int32_t isPellorin;
};
static_assert(sizeof(AccelerationPool_Query) == 64);
static_assert(offsetof(AccelerationPool_Query, accPoolType) == 52);

struct SpSds_Query { // type 96
    uint64_t tgtId;
    uint64_t spId;
    uint64_t spSdsId;
    uint16_t reserved1;
    uint16_t inflightIOsProvisioningPct;
    uint16_t inflightBWProvisioningPct;
    uint16_t reserved2;
};
static_assert(sizeof(SpSds_Query) == 32);
static_assert(offsetof(SpSds_Query, inflightIOsProvisioningPct) == 26);

struct FaultSet_Query { // type 101
    uint64_t fsId;
    uint64_t fdId;
    char fsName[32];
    char fsStateStr[20];
    char fasonStateStr[20];
    uint32_t tgtsCount;
    uint32_t reserved;
};
static_assert(sizeof(FaultSet_Query) == 96);
static_assert(offsetof(FaultSet_Query, fasonStateStr) == 68);
static_assert(offsetof(FaultSet_Query, tgtsCount) == 88);

// ---- Metadata manager: users, sessions, directory services ----

struct UserMgr_Query { // type 97
    char username[32];
    uint64_t userId;
    char userRole[16];
    uint32_t badLogins;
    int32_t bPasswordChangeRequired;
};
static_assert(sizeof(UserMgr_Query) == 64);
static_assert(offsetof(UserMgr_Query, badLogins) == 56);

struct SessionMgr_Query { // type 98
    uint64_t userId;
    char auditUsername[32];
    uint64_t globalTimeout;
    uint64_t hardenedTimeout;
    uint64_t accessTimeout;
    char openerVersion[32];
    uint32_t openerComponentType;
    uint32_t authMethod;
    uint32_t permissionsMask;
    int32_t commandsAllowedDuringUpgrade;
};
static_assert(sizeof(SessionMgr_Query) == 112);
static_assert(offsetof(SessionMgr_Query, openerVersion) == 64);
static_assert(offsetof(SessionMgr_Query, authMethod) == 100);

struct LdapServiceMgr_Query { // type 99
    uint64_t ldapServiceId;
    char fqdn[256];
    char baseDn[256];
    char ldapServiceUri[128];
    uint32_t badLogins;
    uint32_t reserved;
};
static_assert(sizeof(LdapServiceMgr_Query) == 656);
static_assert(offsetof(LdapServiceMgr_Query, ldapServiceUri) == 520);
static_assert(offsetof(LdapServiceMgr_Query, badLogins) == 648);

struct LdapGroupMgr_Query { // type 100
    uint64_t ldapGroupId;
    uint64_t ldapServiceId;
    char groupDn[256];
    uint32_t role;
    uint32_t reserved;
};
static_assert(sizeof(LdapGroupMgr_Query) == 280);
static_assert(offsetof(LdapGroupMgr_Query, role) == 272);

// ---- Data server: I/O gateway ----

struct _IoGatorLayer_Query { // type 58
    uint64_t aggBlockSize;
    uint32_t nActiveIoGators;
    uint32_t nTotalReadSubmits;
    uint32_t nTotalWriteSubmits;
    uint32_t nTotalBlockReadReqs;
    uint32_t nTotalBlockWriteReqs;
    uint32_t nTotalGetCacheFails;
    uint32_t nTotalReqFails;
    uint32_t nTotalBlockReadOps;
    uint32_t nTotalBlockWriteOps;
    uint32_t nNonAggregatedCommits;
    uint32_t maxAggregation;
    uint32_t nCacheHits;
    uint32_t cacheMempoolSize;
    uint32_t blockMempoolSize;
    uint32_t requestMempoolSize;
    uint32_t nUsedCaches;
    uint32_t nUsedBlocks;
    uint32_t nPendingRequests;
    uint32_t nFreeCaches;
    uint32_t nFreeBlocks;
    uint32_t nFreeRequests;
    uint32_t nReqAndCacheBlocks;
    uint32_t nReqOnlyBlocks;
    uint32_t nCacheOnlyBlocks;
};
static_assert(sizeof(_IoGatorLayer_Query) == 104);
static_assert(offsetof(_IoGatorLayer_Query, cacheMempoolSize) == 56);
static_assert(offsetof(_IoGatorLayer_Query, nFreeCaches) == 80);

struct _IoGator_Query { // type 59
    char name[32];
    uint32_t generation;
    uint32_t nTotalReadSubmits;
    uint32_t nTotalWriteSubmits;
    uint32_t nTotalBlockReadReqs;
    uint32_t nTotalBlockWriteReqs;
    uint32_t nTotalGetCacheFails;
    uint32_t nTotalReqFails;
    uint32_t nTotalBlockReadOps;
    uint32_t nTotalBlockWriteOps;
    uint32_t nWaitForCommitByOther;
    uint32_t nNonAggregatedCommits;
    uint32_t maxAggregation;
    uint32_t nCacheHits;
    uint32_t nUsedCaches;
    uint32_t nUsedBlocks;
    uint32_t nPendingRequests;
};
static_assert(sizeof(_IoGator_Query) == 96);
static_assert(offsetof(_IoGator_Query, nWaitForCommitByOther) == 68);
static_assert(offsetof(_IoGator_Query, nUsedCaches) == 84);

} // namespace sdbg_wire

#pragma pack(pop)
