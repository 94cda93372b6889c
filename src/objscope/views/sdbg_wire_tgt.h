// Query structures of the data server: devices, files, I/O handlers, volumes, RAID, caches, peers,
// pools, as the views read them (little-endian, byte-packed, offsets checked). Bytes that no view
// reads are kept as named reserve so every record is laid out whole.
#pragma once

#include "sdbg_stat_records.h"
#include "sdbg_wire_runtime.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

// ---- I/O handler (type 37) ----

inline constexpr uint32_t kIohSizeBuckets = 9;     // 4KB to 1024KB
inline constexpr uint32_t kIohLatencyBuckets = 12; // 64us to 131072us

struct IohFlow {
    uint32_t allocBuffer;
    uint32_t startToRun;
    uint32_t read;
    uint32_t write;
    uint32_t send;
    uint32_t sendRsp;
    uint32_t cacheAlloc;
    uint32_t cacheInsert;
    uint32_t devRead;
};
static_assert(sizeof(IohFlow) == 36);

struct _IohQuery { // type 37
    IohFlow ioFlow;
    uint32_t ioCount[kIohSizeBuckets];
    uint32_t writeCountPri;
    uint32_t writeZeroCountPri;
    uint32_t writeTestAndSetCountPri;
    uint32_t trimCountPri;
    uint32_t readCountPri;
    uint32_t volMigrateWriPriDst;
    uint32_t writePriDstDurinVolMigrate;
    uint32_t writeZeroPriDstDurinVolMigrate;
    uint32_t trimPriDstDurinVolMigrate;
    uint32_t volMigrateWriPriDstSpef;
    uint32_t writePriDstDurinVolMigrateSpef;
    uint32_t writeZeroPriDstDurinVolMigrateSpef;
    uint32_t trimPriDstDurinVolMigrateSpef;
    uint32_t writeCountSec;
    uint32_t writeZeroCountSec;
    uint32_t trimCountSec;
    uint32_t writeCountSecSpef;
    uint32_t writeZeroCountSecSpef;
    uint32_t trimCountSecSpef;
    uint32_t readCountSec;
    uint32_t readCountSecSpef;
    uint32_t smallIosCount;
    uint32_t totalInLbs;
    uint32_t ioLatRead[kIohLatencyBuckets];
    uint32_t ioLatWrite[kIohLatencyBuckets];
    uint32_t ioLatReadCache[kIohLatencyBuckets];
};
static_assert(sizeof(_IohQuery) == 308);
static_assert(offsetof(_IohQuery, ioFlow.cacheAlloc) == 24);
static_assert(offsetof(_IohQuery, ioCount) == 36);
static_assert(offsetof(_IohQuery, writeCountPri) == 72);
static_assert(offsetof(_IohQuery, readCountPri) == 88);
static_assert(offsetof(_IohQuery, writeCountSec) == 124);
static_assert(offsetof(_IohQuery, readCountSec) == 148);
static_assert(offsetof(_IohQuery, smallIosCount) == 156);
static_assert(offsetof(_IohQuery, ioLatRead) == 164);
static_assert(offsetof(_IohQuery, ioLatWrite) == 212);
static_assert(offsetof(_IohQuery, ioLatReadCache) == 260);

// ---- Device (type 50) ----

struct DevFineDrlQuery {
    uint32_t fineDrlSuccsefullTeethAllocsRebuild;
    uint32_t fineDrlFailedTeethAllocsRebuild;
    uint32_t fineDrlCurrentTeethAllocsRebuild;
    uint32_t fineDrlGranularity;
    uint32_t fineDrlMaximalNumberOfTeeth;
};

struct DevPhyDev {
    uint64_t teethOffsetInLbs;
    uint64_t totalSizeInLbs;
    uint64_t combArrayHardenInLbs;
    uint64_t toothArrayHardenInLbs;
    uint64_t maxNumOfTeeth;
    uint64_t snapReservedTeeth;
    uint64_t currSnapTeeth;
    uint64_t currBaseTeeth;
    uint64_t currThinBaseTeeth;
    uint64_t currToothDevTeeth;
    uint32_t maxNumOfCombs;
    uint32_t curNumOfCombs;
    uint32_t zeroCount;
    uint32_t zeroIOSize;
    uint32_t zeroOverhead;
    uint32_t numOfCombsAddedFromRestart;
    uint32_t combArrayHardens;
    uint32_t toothArrayHardens;
    uint32_t toothArrayHardenMaxInLbs;
    uint8_t reserved1[12];
    DevFineDrlQuery fineDrlQuery;
    uint8_t reserved2[4];
    uint64_t currInitialTeeth;
    uint8_t reserved3[24];
};

struct DevPellorinCounters {
    uint64_t avgRdTime;
    uint64_t avgWrTime;
    uint64_t downReads;
    uint64_t downWrites;
    uint64_t iosOutstanding;
    uint64_t readsPending;
    uint64_t writePending;
    uint64_t readsFromCache;
    uint64_t readHit;
    uint64_t readMiss;
    uint64_t writeHit;
    uint64_t writeMiss;
    uint64_t iosSkipped;
    uint64_t readsSkipped;
    uint64_t readsSkippedAlignedSizeGMaxIoSize;
    uint64_t readsSkippedMaxIoSize;
    uint64_t readsSkippedHeavyLoad;
    uint64_t readsSkippedStuckIo;
    uint64_t readsSkippedLowResources;
    uint64_t readsSkippedInternalError;
    uint64_t readsSkippedLockIos;
    uint64_t writesSkippedMaxIoSize;
    uint64_t writesSkippedHeavyLoad;
    uint64_t writesSkippedStuckIo;
    uint64_t writesSkippedLowResources;
    uint64_t writesSkippedInternalError;
    uint64_t writesSkippedCacheMiss;
    uint64_t skippedUnalignedWriteTags;
    uint64_t ioErrors;
};

struct DevContDev {
    uint32_t numCombs;
    uint32_t persistentChecksumEnabled; // a flag; printed as its number
    uint32_t numCombsWithPersistentChecksum;
    uint32_t debugChecksumNumOfTeethDone;
    uint32_t debugChecksumNumOfErrors;
    uint32_t debugChecksumEnablerIterationsCounter;
    uint32_t queueDepth;
    uint8_t reserved1[4];
    uint64_t queryStatisticsTicks;
    uint32_t numRaidScannerLoops;
    uint32_t numScannedCombs;
    uint32_t numScannedTeeth;
    uint32_t totalMBsScannedCounter;
    uint32_t compareErrors;
    uint8_t reserved2[4];
};

struct _DevQuery { // type 50
    uint64_t devId;
    DevPhyDev phyDev;
    DevPellorinCounters pellorinCounters;
    DevContDev contDev;
    uint16_t numOfInflights;
    uint8_t reserved[6];
};
static_assert(sizeof(_DevQuery) == 496);
static_assert(offsetof(_DevQuery, phyDev.maxNumOfTeeth) == 40);
static_assert(offsetof(_DevQuery, phyDev.maxNumOfCombs) == 88);
static_assert(offsetof(_DevQuery, phyDev.zeroCount) == 96);
static_assert(offsetof(_DevQuery, phyDev.toothArrayHardenMaxInLbs) == 120);
static_assert(offsetof(_DevQuery, phyDev.fineDrlQuery) == 136);
static_assert(offsetof(_DevQuery, phyDev.fineDrlQuery.fineDrlMaximalNumberOfTeeth) == 152);
static_assert(offsetof(_DevQuery, phyDev.currInitialTeeth) == 160);
static_assert(offsetof(_DevQuery, pellorinCounters) == 192);
static_assert(offsetof(_DevQuery, pellorinCounters.ioErrors) == 416);
static_assert(offsetof(_DevQuery, contDev) == 424);
static_assert(offsetof(_DevQuery, contDev.queueDepth) == 448);
static_assert(offsetof(_DevQuery, contDev.queryStatisticsTicks) == 456);
static_assert(offsetof(_DevQuery, contDev.compareErrors) == 480);
static_assert(offsetof(_DevQuery, numOfInflights) == 488);

// ---- File (type 51) ----

inline constexpr uint32_t kFileIoClasses = 7;

// The counters of one I/O class of a device file.
struct FileIoClassCounters {
    uint64_t writes;
    uint64_t reads;
    uint64_t writeErrors;
    uint64_t readErrors;
    uint64_t writeLbs;
    uint64_t readLbs;
};
static_assert(sizeof(FileIoClassCounters) == 48);

struct FileRaw {
    char name[64];
    uint64_t fileSizeInLbs;
};

struct _FileQuery { // type 51
    FileIoClassCounters ioCounters[kFileIoClasses];
    FileRaw raw;
    uint8_t reserved[16];
    _MosDevQuery devQuery;
};
static_assert(sizeof(_FileQuery) == 584);
static_assert(offsetof(_FileQuery, raw.name) == 336);
static_assert(offsetof(_FileQuery, raw.fileSizeInLbs) == 400);
static_assert(offsetof(_FileQuery, devQuery) == 424);
static_assert(offsetof(_FileQuery, devQuery.writeSizeBwc) == 444);
static_assert(offsetof(_FileQuery, devQuery.raw.name) == 512);
static_assert(offsetof(_FileQuery, devQuery.raw.sampleGrn) == 576);

// ---- Volume, VTree, head (types 53-55) ----

struct _VolQuery { // type 53
    uint64_t volId;
    uint64_t volGenNum;
    uint64_t scsiGenNum;
    uint64_t vtreeId;
    int32_t bQuiesced;
    int32_t bBlockIo;
};
static_assert(sizeof(_VolQuery) == 40);
static_assert(offsetof(_VolQuery, vtreeId) == 24);

inline constexpr uint32_t kVtreeRenameDurations = 5;

struct _VtreeQuery { // type 54
    uint64_t vtreeId;
    uint64_t doneSnapRenameGeneration;
    uint64_t doneSnapDelGeneration;
    uint64_t newSnapDelGeneration;
    uint32_t time;
    uint32_t vtreeUsageMB;
    uint32_t baseVolUsageMB;
    int32_t bEncryption;
    uint64_t renamesStartedInMyPresence;
    uint64_t renamesFinishedInMyPresence;
    uint32_t renameState;
    uint32_t vOld;
    uint32_t vNew;
    uint32_t thresholdTime;
    uint64_t lastRenameScanDurationsSec[kVtreeRenameDurations];
    uint64_t lastRenameOverallDurationsSec[kVtreeRenameDurations];
    uint32_t numLastRenameScanDurations;    // slots in use of the scan list
    uint32_t numLastRenameOverallDurations; // slots in use of the overall list
    uint64_t complementRmwCount;
    int32_t bCreateInitialTooth;
    uint8_t reserved[4];
};
static_assert(sizeof(_VtreeQuery) == 184);
static_assert(offsetof(_VtreeQuery, bEncryption) == 44);
static_assert(offsetof(_VtreeQuery, thresholdTime) == 76);
static_assert(offsetof(_VtreeQuery, lastRenameScanDurationsSec) == 80);
static_assert(offsetof(_VtreeQuery, lastRenameOverallDurationsSec) == 120);
static_assert(offsetof(_VtreeQuery, numLastRenameScanDurations) == 160);
static_assert(offsetof(_VtreeQuery, numLastRenameOverallDurations) == 164);
static_assert(offsetof(_VtreeQuery, complementRmwCount) == 168);
static_assert(offsetof(_VtreeQuery, bCreateInitialTooth) == 176);

struct _HeadQuery { // type 55
    uint64_t headId;
};
static_assert(sizeof(_HeadQuery) == 8);

// ---- RAID and combs (types 38, 39, 56, 57) ----

struct RaidRebuildStat {
    uint32_t sizeCopiedLbs;
    uint32_t lastSizeCopiedLbs;
    uint32_t lastRebuildCopyTimeMillis;
    uint32_t count;
    uint32_t progress;
};

struct _RaidQuery { // type 57
    RaidRebuildStat rebuildStat;
    uint8_t reserved1[4];
    uint64_t migrateTgtId;
    uint64_t raidTgtId;
    uint64_t genNum;
    uint64_t combId;
    uint8_t reserved2[12];
    uint16_t tgtCombCmdGenNum;
    uint16_t mdmRestartGenNum;
};
static_assert(sizeof(_RaidQuery) == 72);
static_assert(offsetof(_RaidQuery, rebuildStat.count) == 12);
static_assert(offsetof(_RaidQuery, rebuildStat.progress) == 16);
static_assert(offsetof(_RaidQuery, migrateTgtId) == 24);
static_assert(offsetof(_RaidQuery, genNum) == 40);
static_assert(offsetof(_RaidQuery, combId) == 48);
static_assert(offsetof(_RaidQuery, tgtCombCmdGenNum) == 68);

struct CombElockQuery {
    uint32_t pendIos;
    uint32_t inProgIos;
    uint32_t ioCount;
};

struct _CombQuery { // type 56
    CombElockQuery ElockQuery;
    uint8_t reserved[4];
    _RaidQuery RaidQuery;
    uint64_t combId;
};
static_assert(sizeof(_CombQuery) == 96);
static_assert(offsetof(_CombQuery, RaidQuery) == 16);
static_assert(offsetof(_CombQuery, RaidQuery.genNum) == 56);
static_assert(offsetof(_CombQuery, RaidQuery.mdmRestartGenNum) == 86);
static_assert(offsetof(_CombQuery, combId) == 88);

struct RaidLayerQuery { // type 38
    uint32_t syncWriteSec;
    uint32_t asyncWriteSec;
};
static_assert(sizeof(RaidLayerQuery) == 8);

inline constexpr uint32_t kRaidRebuildSizeRanges = 9; // 8 ranges of 128KB, then 1024KB

struct _RaidSyncPoolQuery { // type 39
    uint32_t numOfMigrations;
    uint32_t numOfRebuilds;
    uint32_t numOfChunkMigrations;
    uint32_t numOfRebuildIOs;
    uint32_t sizeOfRebuildIOs;
    uint32_t rebuildsPerIOsSize[kRaidRebuildSizeRanges];
};
static_assert(sizeof(_RaidSyncPoolQuery) == 56);
static_assert(offsetof(_RaidSyncPoolQuery, rebuildsPerIOsSize) == 20);

// ---- Read cache and Pellorin (types 40-43) ----

inline constexpr uint32_t kRcacheRanges = 6; // 4KB to 128KB

struct _RcacheQuery { // type 40
    uint8_t reserved1[20];
    int32_t bDisabled;
    int32_t bFrozen;
    uint32_t sizeInKb;
    uint32_t sizeInUseInKb;
    uint8_t reserved2[4];
    uint64_t entryEvictionCountInKb;
    uint32_t entryEvictionCount;
    uint32_t mdEntryEvictionCount;
    uint64_t bigBlockEvictionCountInKb;
    uint8_t reserved3[4];
    uint32_t noEvictionCount;
    uint32_t skipCountLargeIo;
    uint32_t skipCountUnaligned4kbIo;
    uint32_t skipCountCacheAllBusy;
    uint32_t inProgressCountInKb;
    uint32_t entryCount[kRcacheRanges];
    uint32_t totalEntryCount[kRcacheRanges];
    uint32_t freeCountDIFCoalescePool;
    uint8_t memoryAllocState;
    uint8_t reserved4[3];
};
static_assert(sizeof(_RcacheQuery) == 144);
static_assert(offsetof(_RcacheQuery, bDisabled) == 20);
static_assert(offsetof(_RcacheQuery, entryEvictionCountInKb) == 40);
static_assert(offsetof(_RcacheQuery, bigBlockEvictionCountInKb) == 56);
static_assert(offsetof(_RcacheQuery, noEvictionCount) == 68);
static_assert(offsetof(_RcacheQuery, entryCount) == 88);
static_assert(offsetof(_RcacheQuery, totalEntryCount) == 112);
static_assert(offsetof(_RcacheQuery, memoryAllocState) == 140);

inline constexpr uint32_t kNetBufPools = 5; // 16k, 64k, 256k, 512k, 1024k

struct _RcacheNetBufQuery { // type 41
    uint32_t numOfAllocations;
    uint32_t currentAllocatedInLbs;
    uint32_t poolsTotalSizeInLbs;
    uint32_t numOfCacheFull;
    uint32_t numOfFailedReq;
    uint32_t perPoolNumOfAllocations[kNetBufPools];
    uint32_t perPoolCurrentAllocatedInLbs[kNetBufPools];
    uint32_t perPoolTotalSizeInLbs[kNetBufPools];
    uint32_t perPoolNumOfCacheFull[kNetBufPools];
    uint32_t perPoolNumOfFailedReq[kNetBufPools];
    char poolName[20];
    uint32_t dynamicAllocatorTotalSizeInLbs;
    uint32_t dynamicAllocatorAllocatedLbs;
    uint32_t dynamicMemAllocatorNumOfAlloc;
    uint32_t dynamicAllocatorNumOfFailedReq;
    uint32_t dynamicAllocatorWaitersNum;
    int32_t bCacheFull;
};
static_assert(sizeof(_RcacheNetBufQuery) == 164);
static_assert(offsetof(_RcacheNetBufQuery, perPoolNumOfAllocations) == 20);
static_assert(offsetof(_RcacheNetBufQuery, perPoolNumOfCacheFull) == 80);
static_assert(offsetof(_RcacheNetBufQuery, perPoolNumOfFailedReq) == 100);
static_assert(offsetof(_RcacheNetBufQuery, poolName) == 120);
static_assert(offsetof(_RcacheNetBufQuery, dynamicAllocatorTotalSizeInLbs) == 140);
static_assert(offsetof(_RcacheNetBufQuery, bCacheFull) == 160);

struct PellorinPoolCounters {
    uint64_t numSrcDevs;
    uint64_t numCacheDevs;
    uint64_t maxIoSize;
    uint64_t pageSize;
    uint64_t opmode;
    uint64_t poolSize;
    uint64_t iosOutstanding;
    uint64_t readsPending;
    uint64_t writePending;
    uint64_t readHit;
    uint64_t readMiss;
    uint64_t writeHit;
    uint64_t writeMiss;
    uint64_t cachePages;
    uint64_t pagesInuse;
    uint64_t evictions;
    uint8_t reserved1[8];
    uint64_t isEmergencyPoolInuse;
    uint64_t ioTimeG1min;
    uint64_t lockTimeG1sec;
    uint64_t suspendedRequests;
    uint64_t suspendedRequestsMax;
    uint64_t suspendedRequestsRredundantSearches;
    uint8_t reserved2[8];
    uint64_t continuousMem;
    uint64_t numOfDriverThreads;
    uint64_t lowResourcesInitiatedPassthroughMode;
    uint64_t readPendingG1sec;
    uint64_t readPendingG10milli;
    uint64_t readPendingG1milli;
    uint64_t readPendingG500micro;
    uint64_t writePendingG1sec;
    uint64_t writePendingG10milli;
    uint64_t writePendingG1milli;
    uint64_t writePendingG500micro;
};

struct _PellorinQuery { // type 42
    uint64_t driverCacheHandle;
    char cacheDriverPath[64];
    int32_t bConfBusy;
    int32_t bEnable;
    uint32_t globalCacheErrors;
    int32_t bInErrorState;
    PellorinPoolCounters poolCounters;
};
static_assert(sizeof(_PellorinQuery) == 368);
static_assert(offsetof(_PellorinQuery, poolCounters) == 88);
static_assert(offsetof(_PellorinQuery, poolCounters.cachePages) == 192);
static_assert(offsetof(_PellorinQuery, poolCounters.isEmergencyPoolInuse) == 224);
static_assert(offsetof(_PellorinQuery, poolCounters.continuousMem) == 280);
static_assert(offsetof(_PellorinQuery, poolCounters.readPendingG1sec) == 304);
static_assert(offsetof(_PellorinQuery, poolCounters.writePendingG500micro) == 360);

struct PellorinCacheDevCounters {
    uint64_t readsReceived;
    uint64_t writesReceived;
    uint64_t inflightReads;
    uint64_t inflightWrites;
    uint64_t readTimeG500milli;
    uint64_t readTimeG1sec;
    uint8_t reserved1[8];
    uint64_t readTimeG1min;
    uint64_t writeTimeG500milli;
    uint64_t writeTimeG1sec;
    uint8_t reserved2[8];
    uint64_t writeTimeG1min;
    uint8_t reserved3[16];
    uint64_t ioErrors;
    uint64_t monitorErrOutstandingLimit;
    uint64_t monitorErrStuckIo;
};

struct _PellorinDevQuery { // type 43
    uint8_t reserved1[8];
    PellorinCacheDevCounters pellorinCacheDevCounters;
    uint64_t devSize;
    uint64_t pellorinDriverHandle;
    uint32_t pellorinErr;
    uint8_t reserved2[4];
    uint64_t tgtCacheDevId;
    char cacheDevPath[64];
};
static_assert(sizeof(_PellorinDevQuery) == 240);
static_assert(offsetof(_PellorinDevQuery, pellorinCacheDevCounters.readTimeG1min) == 64);
static_assert(offsetof(_PellorinDevQuery, pellorinCacheDevCounters.writeTimeG1min) == 96);
static_assert(offsetof(_PellorinDevQuery, pellorinCacheDevCounters.ioErrors) == 120);
static_assert(offsetof(_PellorinDevQuery, devSize) == 144);
static_assert(offsetof(_PellorinDevQuery, pellorinErr) == 160);
static_assert(offsetof(_PellorinDevQuery, cacheDevPath) == 176);

// ---- Peers, initiators, pools (types 35, 36, 44-46, 48, 49) ----

struct _KaliveQuery { // type 35
    uint64_t myTgtId;
    int32_t bBlocked;
    int32_t bStop;
    uint32_t numOfSndMsg;
    uint32_t numOfRcvMsg;
    uint32_t numOfGoodMsg;
    uint8_t reserved[4];
};
static_assert(sizeof(_KaliveQuery) == 32);
static_assert(offsetof(_KaliveQuery, numOfGoodMsg) == 24);

struct _CmonitorQuery { // type 36
    uint64_t myTgtId;
    int32_t bStop;
    uint8_t reserved[4];
    uint64_t initTicks;
    uint64_t startTicks;
    uint64_t lastGoodTicks;
    uint32_t numMsgs;
    uint32_t numGoodMsgs;
};
static_assert(sizeof(_CmonitorQuery) == 48);
static_assert(offsetof(_CmonitorQuery, initTicks) == 16);
static_assert(offsetof(_CmonitorQuery, numMsgs) == 40);

struct _MdmQuery { // type 48
    uint64_t tgtId;
    uint64_t mdmId;
    uint32_t stage;
    uint8_t reserved[4];
};
static_assert(sizeof(_MdmQuery) == 24);
static_assert(offsetof(_MdmQuery, stage) == 16);

struct _TgtQuery { // type 49
    uint64_t tgtId;
    uint32_t state;
    int32_t bClient;
    int32_t bNotReachable;
    char remoteHost[64];
    uint32_t numOfChannelSyncs;
};
static_assert(sizeof(_TgtQuery) == 88);
static_assert(offsetof(_TgtQuery, remoteHost) == 20);
static_assert(offsetof(_TgtQuery, numOfChannelSyncs) == 84);

struct _ContVaeQuery { // type 44
    uint32_t srcHeadId;
    uint32_t dstHeadId;
    uint64_t migrationGenNum;
    uint64_t vtreeID;
    uint16_t srcVaeIndex;
    uint16_t dstVaeIndex;
    uint32_t nChunks;
    uint32_t nUncompletedChunks;
    uint32_t nChunksInError;
    uint32_t nTeethSent;
    char state[68];
};
static_assert(sizeof(_ContVaeQuery) == 112);
static_assert(offsetof(_ContVaeQuery, srcVaeIndex) == 24);
static_assert(offsetof(_ContVaeQuery, nChunks) == 28);
static_assert(offsetof(_ContVaeQuery, state) == 44);

inline constexpr uint32_t kIniSpEntries = 65;

// What one initiator asked of one storage pool and was allowed.
struct IniSpStats {
    uint16_t requestedInflightIOs;
    uint16_t requestedInflightMBs;
    uint16_t allowedInflightIOs;
    uint16_t allowedInflightMBs;
    uint32_t inflightIOCount;
    uint8_t reserved[4];
    uint64_t latestsRequestTime;
    uint64_t spId;
    int32_t misbehaveRankIO;
    int32_t misbehaveRankMB;
};
static_assert(sizeof(IniSpStats) == 40);
static_assert(offsetof(IniSpStats, spId) == 24);

struct _IniQuery { // type 45
    uint64_t iniId;
    IniSpStats spStats[kIniSpEntries];
    uint64_t currentTimeTicks;
    int16_t numSpStats; // entries in use
    uint8_t reserved[6];
};
static_assert(sizeof(_IniQuery) == 2624);
static_assert(offsetof(_IniQuery, currentTimeTicks) == 2608);
static_assert(offsetof(_IniQuery, numSpStats) == 2616);

struct _SpQuery { // type 46
    uint64_t spId;
    uint32_t spIndex;
    uint32_t totalRequestedIOTokens;
    uint32_t totalAllowedIOTokens;
    uint32_t totalRequestedMBTokens;
    uint32_t totalAllowedMBTokens;
    uint8_t reserved[4];
};
static_assert(sizeof(_SpQuery) == 32);
static_assert(offsetof(_SpQuery, totalAllowedMBTokens) == 24);

} // namespace sdbg_wire

#pragma pack(pop)
