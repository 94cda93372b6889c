// Query structures of the metadata manager's views of data servers and
// their devices, clients, volumes, snapshots, VTrees, volume blocks and
// multiheads, as the views read them (little-endian, byte-packed, offsets
// checked). Bytes that no view reads are kept as named reserve so every
// record is laid out whole.
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

struct TgtMgr_Query { // type 29
    uint64_t totalCapacityMB;
    uint32_t numTgts;
    uint8_t reserved12[4];
    uint64_t totalDegraded;
};
static_assert(sizeof(TgtMgr_Query) == 24);
static_assert(offsetof(TgtMgr_Query, numTgts) == 8);
static_assert(offsetof(TgtMgr_Query, totalDegraded) == 16);

struct TgtTrain_Query { // type 30
    int32_t bActive;
    uint32_t totalCmdProcessed;
    uint32_t totalVolumesProcessed;
    uint32_t totalMergedCmds;
    uint32_t totalFailedCmds;
    uint32_t cmdsInCurTrain;
    uint32_t numScsi2Release;
    uint32_t numScsi2Reserve;
    uint32_t numScsi3Reserve;
    uint32_t numLuResets;
    uint32_t numUpdateVols;
    uint32_t numRegUnreg;
};
static_assert(sizeof(TgtTrain_Query) == 48);
static_assert(offsetof(TgtTrain_Query, numScsi2Release) == 24);
static_assert(offsetof(TgtTrain_Query, numLuResets) == 36);
static_assert(offsetof(TgtTrain_Query, numRegUnreg) == 44);

struct MgrObj_Query { // type 31
    uint64_t genNum;
    uint64_t uniqIDRep;
    uint64_t maxUniqID;
    uint64_t maxGenNum;
    uint64_t nextExtrnUniqID;
    int32_t bLocked;
    char objName[36];
};
static_assert(sizeof(MgrObj_Query) == 80);
static_assert(offsetof(MgrObj_Query, nextExtrnUniqID) == 32);
static_assert(offsetof(MgrObj_Query, objName) == 44);

// A data server's message counters, as the manager keeps them.
struct TgtStats {
    uint16_t numAddMdm;
    uint16_t numReconfStart;
    uint16_t numReconfDone;
    uint16_t numAddDevices;
    uint16_t numAddTgts;
    uint16_t numRemTgts;
    uint16_t numAddVol;
    uint16_t numUpdateVol;
    uint16_t numRemVol;
    uint16_t numAddCombArray;
    uint16_t numAbortMigrate;
    uint16_t numEndMigrate;
    uint16_t numRestart;
    uint16_t numRemDevs;
    uint32_t numAddComb;
    uint32_t numFreeComb;
    uint32_t numSetCombState;
    uint32_t numStartMigrate;
    uint32_t numTgtUpdateCombState;
};
static_assert(sizeof(TgtStats) == 48);
static_assert(offsetof(TgtStats, numRemDevs) == 26);
static_assert(offsetof(TgtStats, numAddComb) == 28);
static_assert(offsetof(TgtStats, numTgtUpdateCombState) == 44);

// The part of a data server's keepalive record that the views read.
struct KeepaliveTgt_Query {
    uint64_t lastKeepAliveMsgRecvTimeTicks;
    uint64_t lastKeepAliveMsgTgtTimeTicks;
    uint32_t numFencedKeepalive;
    uint8_t state;
};
static_assert(sizeof(KeepaliveTgt_Query) == 21);
static_assert(offsetof(KeepaliveTgt_Query, state) == 20);

struct Tgt_Query { // type 32
    char tgtName[32];
    uint64_t tgtId;
    uint64_t genNum;
    uint32_t state;
    uint32_t quiesceState;
    char ip[64];
    uint32_t capacityMbs;
    uint32_t totalUsedMbs;
    uint32_t totalRmPendingMbs;
    uint32_t devNum;
    uint32_t devQuiesced;
    uint32_t tgtUpDownState;
    uint8_t reserved144[2];
    uint16_t refCount;
    uint16_t numDevErr;
    uint8_t reserved150[2];
    int32_t bIsUpPending;
    int32_t bReconstructInProgress;
    int32_t bWasDown;
    int32_t bDRLHardened;
    int32_t bTgtPermanentlyDown;
    uint16_t numDown;
    uint16_t numUp;
    uint32_t numReconfig;
    uint16_t numReconfigFail;
    uint8_t reserved182[2];
    TgtStats tgtStats;
    uint8_t reserved232[12];
    uint32_t pellorinErrors;
    int32_t pellorinValid;
    uint32_t pellorinMaxIoSize;
    uint32_t pellorinOpmode;
    uint32_t pellorinPageSize;
    uint32_t pellorinCacheDevListSize;
    uint32_t pellorinSourceDevListSize;
    KeepaliveTgt_Query keepalive;
    uint8_t reserved293[3];
    char version[32];
    uint64_t lastAuthenticationTime;
    int32_t bDynThrotInflightMBsActive;
    int32_t bDynThrotInflightReqsActive;
    uint8_t reserved344[8];
    uint64_t lastUpgradeTime;
    uint32_t numRestarts;
    uint8_t reserved364[4];
};
static_assert(sizeof(Tgt_Query) == 368);
static_assert(offsetof(Tgt_Query, tgtId) == 32);
static_assert(offsetof(Tgt_Query, ip) == 56);
static_assert(offsetof(Tgt_Query, tgtUpDownState) == 140);
static_assert(offsetof(Tgt_Query, refCount) == 146);
static_assert(offsetof(Tgt_Query, numReconfigFail) == 180);
static_assert(offsetof(Tgt_Query, tgtStats) == 184);
static_assert(offsetof(Tgt_Query, pellorinErrors) == 244);
static_assert(offsetof(Tgt_Query, keepalive) == 272);
static_assert(offsetof(Tgt_Query, version) == 296);
static_assert(offsetof(Tgt_Query, lastAuthenticationTime) == 328);
static_assert(offsetof(Tgt_Query, lastUpgradeTime) == 352);
static_assert(offsetof(Tgt_Query, numRestarts) == 360);

struct TgtPellorinDev_Query { // type 33
    char pellorinDevName[32];
    char pellorinDevPath[64];
    char pellorinDevTgtPath[64];
    uint64_t tgtID;
    uint64_t pellorinDevID;
    uint64_t pellorinDevSizeInBytes;
    char tgtIP[64];
    uint16_t tgtPort;
    uint8_t reserved250[2];
    uint32_t pellorinErrors;
};
static_assert(sizeof(TgtPellorinDev_Query) == 256);
static_assert(offsetof(TgtPellorinDev_Query, tgtID) == 160);
static_assert(offsetof(TgtPellorinDev_Query, tgtIP) == 184);
static_assert(offsetof(TgtPellorinDev_Query, tgtPort) == 248);
static_assert(offsetof(TgtPellorinDev_Query, pellorinErrors) == 252);

inline constexpr uint32_t MDM_BOOKED_THIN_KINDS = 3; // physical, logical, octets

// A device's capacity-manager counters.
struct CapMgrDev_Query {
    uint32_t rmPendingMbs;
    uint32_t usedMbs;
    uint32_t totalMbs;
    uint32_t destTotalMbs;
    uint8_t reserved16[8];
    uint32_t usedCombs;
    uint32_t potentialMbs;
    uint32_t quiesceState;
    uint32_t thickMigrateMbs;
    uint32_t bookedThickMbs;
    uint32_t bookedReservedMbs;
    uint32_t bookedThinMbs[MDM_BOOKED_THIN_KINDS];
    uint32_t cntInboundMigrations;
    int32_t bIsFull;
    int32_t bIsStuck;
};
static_assert(sizeof(CapMgrDev_Query) == 72);
static_assert(offsetof(CapMgrDev_Query, usedCombs) == 24);
static_assert(offsetof(CapMgrDev_Query, quiesceState) == 32);
static_assert(offsetof(CapMgrDev_Query, bookedThinMbs) == 48);
static_assert(offsetof(CapMgrDev_Query, cntInboundMigrations) == 60);

// A device's multihead migration and rebuild counters.
struct MultiHead_DevQuery {
    uint32_t numPendingRebuild;
    uint32_t numPendingFwdRebuild;
    uint32_t numPendingMigrate;
    uint32_t numOptimizeProtTimeAborts;
    uint16_t numActiveMigrate;
    uint16_t numActiveRebuild;
    uint16_t totalNumMigrations;
    uint16_t totalNumRebuilds;
    uint16_t totalNumFwdRebuilds;
    uint16_t numWaitingMigrate;
};
static_assert(sizeof(MultiHead_DevQuery) == 28);
static_assert(offsetof(MultiHead_DevQuery, numActiveMigrate) == 16);
static_assert(offsetof(MultiHead_DevQuery, numWaitingMigrate) == 26);

struct TgtDev_Query { // type 34
    CapMgrDev_Query capMgrDev;
    MultiHead_DevQuery multiHeadDev;
    char devName[32];
    char devPath[64];
    char devTgtPath[64];
    uint8_t reserved260[4];
    uint64_t tgtID;
    uint64_t devID;
    uint64_t spID;
    uint64_t accPoolId;
    int32_t bInMH;
    char tgtIP[64];
    uint16_t tgtPort;
    char tgtDevState[32];
    char tgtDevTestMode[32];
    char tgtDevTestState[32];
    char tgtDevTestPattern1[32];
    char tgtDevTestPattern2[32];
    uint8_t reserved526[2];
    uint32_t tgtDevTestRc1;
    uint32_t tgtDevTestRc2;
    uint32_t testNum1;
    uint32_t testNum2;
    uint32_t numOfIos1;
    uint32_t numOfIos2;
    uint32_t millis1;
    uint32_t millis2;
    uint64_t capacityMB;
    uint64_t destCapacityMB;
    uint64_t usedSnapCapacityKB;
    uint8_t reserved584[8];
    uint64_t layoutOverheadMB;
    uint64_t usedThinCapacityKB;
    uint64_t usedProvisionedChunksKB;
    uint64_t usedPhysicalCapacityKB;
    uint64_t snapReservedCapacityMB;
    uint64_t freeAir;
    uint32_t insufficientAirIndicator;
    uint32_t usedCombs;
    uint32_t pellorinErrors;
    uint8_t reserved652[36];
    uint64_t spefAccDevId;
    uint64_t destSpefAccDevId;
    uint64_t recoverySpefAccDevId;
    uint32_t spefNvramSizeMB;
    uint32_t destSpefNvramSizeMB;
    uint32_t recoverySpefNvramSizeMB;
    int32_t bSpefInTransition;
    uint64_t accUsedCapacityMB;
    int32_t bIsLedOn;
    uint16_t queueDepth;
    uint8_t reserved742[2];
    int32_t queueDepthPresetType;
    int32_t mediaType;
    int32_t autodetectMediaType;
    int32_t externalAccelerationType;
};
static_assert(sizeof(TgtDev_Query) == 760);
static_assert(offsetof(TgtDev_Query, multiHeadDev) == 72);
static_assert(offsetof(TgtDev_Query, devName) == 100);
static_assert(offsetof(TgtDev_Query, tgtID) == 264);
static_assert(offsetof(TgtDev_Query, bInMH) == 296);
static_assert(offsetof(TgtDev_Query, tgtPort) == 364);
static_assert(offsetof(TgtDev_Query, tgtDevState) == 366);
static_assert(offsetof(TgtDev_Query, tgtDevTestPattern2) == 494);
static_assert(offsetof(TgtDev_Query, tgtDevTestRc1) == 528);
static_assert(offsetof(TgtDev_Query, capacityMB) == 560);
static_assert(offsetof(TgtDev_Query, layoutOverheadMB) == 592);
static_assert(offsetof(TgtDev_Query, insufficientAirIndicator) == 640);
static_assert(offsetof(TgtDev_Query, pellorinErrors) == 648);
static_assert(offsetof(TgtDev_Query, spefAccDevId) == 688);
static_assert(offsetof(TgtDev_Query, spefNvramSizeMB) == 712);
static_assert(offsetof(TgtDev_Query, accUsedCapacityMB) == 728);
static_assert(offsetof(TgtDev_Query, queueDepth) == 740);
static_assert(offsetof(TgtDev_Query, queueDepthPresetType) == 744);

struct IniRescan_Query {
    uint32_t wakeNum;
    uint32_t numNotifs;
};
static_assert(sizeof(IniRescan_Query) == 8);

// The part of the client disconnections manager that the views read.
struct IniDisconnectionsMgr_Query {
    uint16_t numDisconnectedInis;
    uint8_t reserved2[6];
    uint64_t disconnectedIniId;
    uint16_t numDisconnectedTgts;
    uint8_t reserved18[6];
    uint64_t disconnectedTgtId;
    int32_t bAllTgtIps;
    char disconnectedTgtIp[64];
    int32_t connectivityStatus;
    uint32_t coolOffTimeMillis;
};
static_assert(sizeof(IniDisconnectionsMgr_Query) == 108);
static_assert(offsetof(IniDisconnectionsMgr_Query, disconnectedIniId) == 8);
static_assert(offsetof(IniDisconnectionsMgr_Query, disconnectedTgtId) == 24);
static_assert(offsetof(IniDisconnectionsMgr_Query, disconnectedTgtIp) == 36);
static_assert(offsetof(IniDisconnectionsMgr_Query, coolOffTimeMillis) == 104);

struct IniMgr_Query { // type 61
    IniRescan_Query iniRescan;
    IniDisconnectionsMgr_Query disconnectionsMgr;
    uint8_t reserved116[4];
    uint32_t numInitiators;
    uint8_t reserved124[4];
};
static_assert(sizeof(IniMgr_Query) == 128);
static_assert(offsetof(IniMgr_Query, disconnectionsMgr) == 8);
static_assert(offsetof(IniMgr_Query, numInitiators) == 120);

struct Ini_Query { // type 62
    uint64_t iniId;
    uint64_t mapGenNum;
    uint64_t hardenGenNum;
    uint64_t vtreesGenNum;
    uint64_t hardenVTreesGenNum;
    uint64_t hardenMapRef;
    uint64_t hardenVtreeRef;
    int32_t bPlugged;
    int32_t bNotify;
    uint32_t state;
    uint8_t reserved68[4];
    uint8_t guid[16]; // the platform's GUID layout
    uint32_t lastUpdateMsgRC;
    uint32_t numUpdateMsgs;
    uint32_t avgNumMHsInUpdateMsg;
    uint32_t avgNumRowsInUpdateMsg;
    char hostName[64];
    char name[32];
    int32_t bApproved;
    int32_t osType;
    char loadedVersion[32];
    char installedVersion[32];
    char kernelVersion[20];
    char kernelBuildNumber[20];
};
static_assert(sizeof(Ini_Query) == 312);
static_assert(offsetof(Ini_Query, bPlugged) == 56);
static_assert(offsetof(Ini_Query, guid) == 72);
static_assert(offsetof(Ini_Query, lastUpdateMsgRC) == 88);
static_assert(offsetof(Ini_Query, hostName) == 104);
static_assert(offsetof(Ini_Query, name) == 168);
static_assert(offsetof(Ini_Query, bApproved) == 200);
static_assert(offsetof(Ini_Query, loadedVersion) == 208);
static_assert(offsetof(Ini_Query, kernelVersion) == 272);
static_assert(offsetof(Ini_Query, kernelBuildNumber) == 292);

struct VolMgr_Query { // type 63
    uint32_t numSnaps;
    uint32_t numVols;
    uint32_t numVTrees;
    uint32_t numSnapPolicies;
    uint32_t numVolsInDeletion;
    uint8_t reserved20[4];
    uint64_t updateGeneration;
};
static_assert(sizeof(VolMgr_Query) == 32);
static_assert(offsetof(VolMgr_Query, updateGeneration) == 24);

// policyFlags bits of a volume.
inline constexpr uint8_t MDM_VOL_POLICY_LOCKED = 0x01;
inline constexpr uint8_t MDM_VOL_POLICY_EXPIRED = 0x02;
inline constexpr uint8_t MDM_VOL_POLICY_FIRST_INTERVAL = 0x04; // interval 1; next ones above it
inline constexpr uint32_t MDM_VOL_POLICY_INTERVALS = 6;

struct Vol_Query { // type 64
    char volName[32];
    uint64_t volId;
    uint64_t genNum;
    uint64_t scsiGenNum;
    uint64_t updateGenNum;
    uint64_t reserverSdcId;
    uint64_t regKey;
    uint64_t vtreeId;
    uint64_t snapGroupId;
    uint64_t snapshotId;
    uint32_t state;
    uint32_t refCount;
    int32_t bScsi2Reserve;
    int32_t bUseCache;
    uint64_t visualParentId;
    char visualParentType[32];
    int32_t managedBy;
    uint8_t reserved164[4];
    uint64_t sourceVolumePolicyId;
    uint8_t recoveryType;
    uint8_t reserved177[15];
    uint64_t snapshotPolicyId;
    uint64_t autoSnapGroupId;
    uint64_t sourceVolId;
    uint32_t tickerCreated;
    uint32_t tickerExpiry;
    uint8_t policyFlags;
    Sdbg_BwcRecord readBwcLbs; // the counters sit at odd offsets: no padding
    Sdbg_BwcRecord writeBwcLbs;
    Sdbg_BwcRecord trimBwcLbs;
    Sdbg_BwcRecord readLatencyBwc;
    Sdbg_BwcRecord writeLatencyBwc;
    Sdbg_BwcRecord trimLatencyBwc;
    uint8_t reserved345[7];
};
static_assert(sizeof(Vol_Query) == 352);
static_assert(offsetof(Vol_Query, volId) == 32);
static_assert(offsetof(Vol_Query, state) == 104);
static_assert(offsetof(Vol_Query, visualParentType) == 128);
static_assert(offsetof(Vol_Query, managedBy) == 160);
static_assert(offsetof(Vol_Query, sourceVolumePolicyId) == 168);
static_assert(offsetof(Vol_Query, recoveryType) == 176);
static_assert(offsetof(Vol_Query, snapshotPolicyId) == 192);
static_assert(offsetof(Vol_Query, tickerCreated) == 216);
static_assert(offsetof(Vol_Query, policyFlags) == 224);
static_assert(offsetof(Vol_Query, readBwcLbs) == 225);
static_assert(offsetof(Vol_Query, readLatencyBwc) == 285);
static_assert(offsetof(Vol_Query, trimLatencyBwc) == 325);

struct Snap_Query { // type 65
    uint8_t reserved0[32];
    uint64_t snapshotId;
    uint32_t state;
    uint8_t reserved44[4];
    uint64_t parentSnapId;
    uint64_t allocatedCapacityMB;
    uint64_t requestedCapacityMB;
    uint64_t vtreeId;
    uint8_t reserved80[8];
    uint64_t vto_v;
    uint64_t vto_t;
    uint64_t creationTime;
    uint32_t refCount;
    char deletionState[36];
};
static_assert(sizeof(Snap_Query) == 152);
static_assert(offsetof(Snap_Query, parentSnapId) == 48);
static_assert(offsetof(Snap_Query, vto_v) == 88);
static_assert(offsetof(Snap_Query, refCount) == 112);
static_assert(offsetof(Snap_Query, deletionState) == 116);

struct VTree_Query { // type 66
    char vtreeName[32];
    uint64_t vtreeId;
    uint32_t state;
    uint8_t reserved44[4];
    uint64_t maxVolCapacityMB;
    uint64_t spId;
    uint32_t numVols;
    uint32_t snapshotTime;
    uint8_t reserved72[8];
    uint64_t snapDelGeneration;
    int32_t deletionInProgress;
    uint32_t refCount;
    uint64_t physicalBaseVolCapacityKB;
    uint64_t physicalVTreeCapacityKB;
    uint64_t logicalBaseVolCapacityKB;
    uint64_t logicalVTreeCapacityKB;
    uint64_t trimmedCapacityKB;
    int32_t isThin;
    uint8_t reserved140[4];
    uint64_t genNum;
    char snapRenameState[32];
    uint64_t delSnapId;
    uint64_t mrgSnapId;
    int32_t bRemoveInitialTeeth;
    char compressionMethod[36];
};
static_assert(sizeof(VTree_Query) == 240);
static_assert(offsetof(VTree_Query, maxVolCapacityMB) == 48);
static_assert(offsetof(VTree_Query, snapDelGeneration) == 80);
static_assert(offsetof(VTree_Query, isThin) == 136);
static_assert(offsetof(VTree_Query, snapRenameState) == 152);
static_assert(offsetof(VTree_Query, compressionMethod) == 204);

struct VTreesInMigration_Query { // type 67
    uint64_t vtreeId;
    char migrationState[32];
    uint64_t spId;
    uint64_t destSpId;
    char thicknessConversionType[32];
    uint32_t migrationQueuePosition;
    int32_t isReversed;
    int32_t isActiveMigration;
    uint8_t reserved100[4];
    uint64_t migrationProgress;
};
static_assert(sizeof(VTreesInMigration_Query) == 112);
static_assert(offsetof(VTreesInMigration_Query, thicknessConversionType) == 56);
static_assert(offsetof(VTreesInMigration_Query, migrationQueuePosition) == 88);
static_assert(offsetof(VTreesInMigration_Query, migrationProgress) == 104);

inline constexpr uint32_t MDM_SNAP_POLICY_LEVELS = 6;
inline constexpr uint32_t MDM_SNAP_POLICY_VOL_IDS = 128;

// The source volumes of a snapshot policy: how many there are, how many
// ids the record holds, and the ids (the held count may exceed the list).
struct SnapshotPolicyVolumes {
    uint32_t numSourceVols;
    uint32_t numIdsHeld;
    uint64_t volIds[MDM_SNAP_POLICY_VOL_IDS];
};
static_assert(sizeof(SnapshotPolicyVolumes) == 1032);

struct SnapshotPolicy_Query { // type 68
    char policyName[32];
    uint64_t policyId;
    uint8_t reserved40[4];
    uint32_t levels[MDM_SNAP_POLICY_LEVELS];
    int32_t paused;
    int32_t modifyInProgress;
    uint32_t lastModifyPTicks;
    char lastModifyTimeStr[32];
    char lastFailureTimeStr[32];
    char lastFailureReasonStr[32];
    uint32_t refCount;
    uint32_t state;
    SnapshotPolicyVolumes volumes;
};
static_assert(sizeof(SnapshotPolicy_Query) == 1216);
static_assert(offsetof(SnapshotPolicy_Query, levels) == 44);
static_assert(offsetof(SnapshotPolicy_Query, paused) == 68);
static_assert(offsetof(SnapshotPolicy_Query, lastModifyTimeStr) == 80);
static_assert(offsetof(SnapshotPolicy_Query, lastFailureReasonStr) == 144);
static_assert(offsetof(SnapshotPolicy_Query, refCount) == 176);
static_assert(offsetof(SnapshotPolicy_Query, volumes) == 184);

struct MultiHeadMgr_Query { // type 69
    uint64_t genNum;
    uint32_t numMultiHeads;
    uint32_t freeCapacityBlocks;
    uint64_t totalCapacityBlocks;
    uint32_t numRowsNI;
    uint32_t numRowsDelete;
    uint32_t numRowsNormal;
    uint32_t numRowsRebuild;
    uint32_t numRowsDegraded;
    uint32_t numRowsMMDeg;
    uint32_t numRowsMMNorm;
    uint32_t numRowsMMDiffSync;
    uint32_t numRowsUNA;
    uint32_t numRowsMMUnaSync;
    uint32_t numRowsMMUnaDiff;
    uint8_t reserved68[4];
};
static_assert(sizeof(MultiHeadMgr_Query) == 72);
static_assert(offsetof(MultiHeadMgr_Query, numRowsNI) == 24);
static_assert(offsetof(MultiHeadMgr_Query, numRowsUNA) == 56);
static_assert(offsetof(MultiHeadMgr_Query, numRowsMMUnaDiff) == 64);

struct MultiHead_Query { // type 70
    char multiHeadState[32];
    uint32_t id;
    uint32_t maxUsedTgt;
    uint32_t minUsedTgt;
    uint32_t emptyTgts;
    uint32_t maxTgtPrimary;
    uint32_t minTgtPrimary;
    uint32_t tgtNoPrimary;
    uint8_t reserved60[4];
    double usedStddev;
    double usedAvg;
    double primaryStddev;
    double primaryAvg;
    uint64_t genNum;
    uint64_t mgrGenNumOnGenChange;
    // Four comb-size statistics, each {max, a middle word, min}.
    uint32_t maxPhyCombSizeMb;
    uint32_t phyCombSizeMid;
    uint32_t minPhyCombSizeMb;
    uint32_t maxCombWeightMb;
    uint32_t combWeightMid;
    uint32_t minCombWeightMb;
    uint32_t maxLogicalCombSizeMb;
    uint32_t logicalCombSizeMid;
    uint32_t minLogicalCombSizeMb;
    uint32_t maxProvisionedChunksCombSizeMb;
    uint32_t provisionedChunksCombSizeMid;
    uint32_t minProvisionedChunksCombSizeMb;
    uint32_t usedThickBlocks;
    uint32_t usedThinBlocks;
    uint32_t freeBlocks;
    uint8_t reserved172[73904 - 172]; // fetched with the record, never shown
};
static_assert(sizeof(MultiHead_Query) == 73904);
static_assert(offsetof(MultiHead_Query, usedStddev) == 64);
static_assert(offsetof(MultiHead_Query, primaryAvg) == 88);
static_assert(offsetof(MultiHead_Query, genNum) == 96);
static_assert(offsetof(MultiHead_Query, maxPhyCombSizeMb) == 112);
static_assert(offsetof(MultiHead_Query, minProvisionedChunksCombSizeMb) == 156);
static_assert(offsetof(MultiHead_Query, usedThickBlocks) == 160);
static_assert(offsetof(MultiHead_Query, freeBlocks) == 168);

struct VolumeBlock_Query { // type 152
    uint64_t destSpId;
    uint64_t vtreeId;
    uint32_t volBlkIndex;
    uint32_t srcMultiHeadId;
    uint32_t srcOffsetBlocks;
    uint32_t dstMultiHeadId;
    uint32_t dstOffsetBlocks;
    int32_t bDstIsThinProvisioned;
    char task[32];
    char step[32];
    uint32_t numFinishedRows;
    int32_t bHasTgtResends;
    int32_t bBusy;
    int32_t bHasWork;
    int32_t bHasPendingAbortTrigger;
    int32_t bTransferRequestFromSrc;
    int32_t bHasSequencerApproval;
    int32_t bHasApprovalFromFirstSequencer;
    char startTime[32];
    int32_t bIsFragDefrag;
    uint8_t reserved172[4];
};
static_assert(sizeof(VolumeBlock_Query) == 176);
static_assert(offsetof(VolumeBlock_Query, task) == 40);
static_assert(offsetof(VolumeBlock_Query, numFinishedRows) == 104);
static_assert(offsetof(VolumeBlock_Query, startTime) == 136);
static_assert(offsetof(VolumeBlock_Query, bIsFragDefrag) == 168);

} // namespace sdbg_wire

#pragma pack(pop)
