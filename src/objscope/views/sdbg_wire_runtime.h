// Query structures of the runtime library's own object types, as the
// views read them: little-endian, byte-packed, with the offsets checked.
// Bytes that no view reads are kept as named reserve so every record is
// laid out whole. They live in their own namespace: the viewer reads what a
// remote process sends and keeps its own copy of each layout, apart from
// the runtime library's definitions of the same names (a test holds the
// two against each other).
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

struct MosOsThrdLayer_Query { // type 2
    uint64_t yielders;
    uint64_t readWaiters;
    uint64_t writeWaiters;
    uint64_t eventWaiters;
    uint64_t condWaiters;
    uint64_t mallocs;
    uint64_t pendingTimedActions;
};
static_assert(sizeof(MosOsThrdLayer_Query) == 56);

struct MosCpuIdPage {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
};

struct MosCpuLayer_Query { // type 3
    MosCpuIdPage processorInfoAndFeatureBits;
    uint32_t bIsAvailPCLMULQDQ;
    uint32_t bIsAvailSSE42;
    uint32_t bIsAvailAES;
    uint32_t bIsAvailAVX;
    uint32_t bIsAvailHypervisor;
};
static_assert(sizeof(MosCpuLayer_Query) == 36);
static_assert(offsetof(MosCpuLayer_Query, bIsAvailPCLMULQDQ) == 16);

struct MosOsThrd_Query { // type 4
    uint64_t tid;
    uint64_t numLocksAcquires;
    uint64_t numLocksContentions;
    int64_t numMallocs;
};
static_assert(sizeof(MosOsThrd_Query) == 32);

struct _MosLockStatsManager_Query { // type 5
    uint32_t numOfInstrumentedLocks;
};
static_assert(sizeof(_MosLockStatsManager_Query) == 4);

inline constexpr uint32_t MOS_LOCK_STATS_BT_SYMBOLS = 24;

// One distribution of a lock type, with the back trace of its worst case.
struct MosLockStatsAvgMax_Query {
    uint64_t avgCount;
    uint64_t overflows;
    uint64_t maxCount;
    uint64_t numBtSymbols; // bounds btSymArr; may exceed its capacity
    char btSymArr[MOS_LOCK_STATS_BT_SYMBOLS][48];
};
static_assert(sizeof(MosLockStatsAvgMax_Query) == 1184);
static_assert(offsetof(MosLockStatsAvgMax_Query, maxCount) == 16);
static_assert(offsetof(MosLockStatsAvgMax_Query, btSymArr) == 32);

struct _MosLockStats_Query { // type 6
    char typeName[16];
    char funcName[48];
    char fileName[80];
    uint64_t lineNum;
    uint64_t numInstances;
    uint64_t numAcquired;
    uint64_t numBlocked;
    uint64_t blockedPromil;
    MosLockStatsAvgMax_Query locksHeldOnAcquire;
    MosLockStatsAvgMax_Query waitersOnRelease;
    MosLockStatsAvgMax_Query waitTimeNanos;
    MosLockStatsAvgMax_Query holdTimeNanos;
};
static_assert(sizeof(_MosLockStats_Query) == 4920);
static_assert(offsetof(_MosLockStats_Query, fileName) == 64);
static_assert(offsetof(_MosLockStats_Query, lineNum) == 144);
static_assert(offsetof(_MosLockStats_Query, locksHeldOnAcquire) == 184);
static_assert(offsetof(_MosLockStats_Query, waitersOnRelease) == 1368);
static_assert(offsetof(_MosLockStats_Query, waitTimeNanos) == 2552);
static_assert(offsetof(_MosLockStats_Query, holdTimeNanos) == 3736);

struct MosTimerQ_Query { // type 7
    char name[32];
    uint64_t ticks;
    int64_t ticksToExpiration;
    uint64_t maxDiffTicks;
    uint32_t millis;
    uint32_t numWaiters;
    uint32_t reqCount;
    uint32_t numExpirations;
    uint32_t numAborts;
    uint8_t reserved[4];
};
static_assert(sizeof(MosTimerQ_Query) == 80);
static_assert(offsetof(MosTimerQ_Query, millis) == 56);
static_assert(offsetof(MosTimerQ_Query, numAborts) == 72);

struct MosTimerQSet_Query { // type 8
    char name[32];
    uint64_t ticks;
    uint32_t millis;
    uint32_t numWaiters;
    uint32_t numExpirations;
    uint32_t numAborts;
    uint64_t maxDiffTicks;
    uint32_t reqCount;
    uint8_t reserved[4];
};
static_assert(sizeof(MosTimerQSet_Query) == 72);
static_assert(offsetof(MosTimerQSet_Query, maxDiffTicks) == 56);
static_assert(offsetof(MosTimerQSet_Query, reqCount) == 64);

struct MosHash_Query { // type 9
    uint32_t numOfRecordsInHash;
    uint32_t numOfBucketsInHash;
    uint32_t numOfEmptyBuckets;
    uint32_t mostLoadedIndex;
    uint32_t mostLoadedCount;
    uint32_t leastLoadedIndex;
    uint32_t leastLoadedCount;
    int32_t bEnumActive;
    int32_t bEnumEnd;
    char hashName[32];
};
static_assert(sizeof(MosHash_Query) == 68);
static_assert(offsetof(MosHash_Query, hashName) == 36);

struct MosAsyncIO_Query { // type 10
    int32_t bDie;
    uint32_t inflights;
    uint32_t maxInflights;
    uint32_t waiters;
    uint32_t thrdNum;
    uint32_t krnLowRsrc;
};
static_assert(sizeof(MosAsyncIO_Query) == 24);

struct MosMemPool_Query { // type 11
    char name[32];
    uint32_t objSize;
    uint32_t objNum;
    uint32_t objFree;
    uint32_t objAcquired;
    uint32_t waiters;
    int32_t bGuardPage;
    uint64_t millisSinceLastExhausted;
    uint32_t numTimesExhausted;
    uint8_t reserved[4];
};
static_assert(sizeof(MosMemPool_Query) == 72);
static_assert(offsetof(MosMemPool_Query, millisSinceLastExhausted) == 56);

struct MosAsyncIOFile_Query { // type 12
    uint32_t fd;
    uint32_t inflights;
    uint32_t maxInflights;
    uint32_t waiters;
    uint32_t maxIoSizeBytes;
};
static_assert(sizeof(MosAsyncIOFile_Query) == 20);

struct MosUmtSchedThrd_Query { // type 13
    char name[32];
    char schedPolicy[32];
    uint32_t numThrds;
    uint32_t numActiveThrds;
    uint32_t maxActive;
    uint32_t minActive;
    uint32_t remoteScheds;
    uint32_t localSched;
    uint32_t remoteWaiters;
    uint32_t localWaiters;
};
static_assert(sizeof(MosUmtSchedThrd_Query) == 96);
static_assert(offsetof(MosUmtSchedThrd_Query, remoteScheds) == 80);

struct _MosRSyslogWriterQuery { // type 14
    int32_t bQueueActive;
    int32_t bQueueInflated;
    uint32_t overflows;
    uint32_t queueLen;
    uint32_t numOfEnqueued;
    char hostName[64];
    char resolvedHostName[64];
    int32_t port;
    int32_t socket;
    uint8_t reserved1[4];
    uint64_t pWriter;
    char state[32];
    uint8_t facility;
    uint8_t reserved2[3];
    int32_t bSignaled;
    int32_t bAttachEventCode;
    uint8_t reserved3[4];
};
static_assert(sizeof(_MosRSyslogWriterQuery) == 216);
static_assert(offsetof(_MosRSyslogWriterQuery, resolvedHostName) == 84);
static_assert(offsetof(_MosRSyslogWriterQuery, pWriter) == 160);
static_assert(offsetof(_MosRSyslogWriterQuery, facility) == 200);
static_assert(offsetof(_MosRSyslogWriterQuery, bAttachEventCode) == 208);

struct MosBlocking_Query { // type 15
    char name[32];
    uint32_t numBlockingThreads;
    uint32_t numRunningThreads;
    uint32_t waiters;
};
static_assert(sizeof(MosBlocking_Query) == 44);

struct MosDynamic_Array__Query { // type 16
    char name[32];
    uint32_t arraySize;
    uint8_t reserved[4];
    uint32_t blockSizeInBytes;
    uint32_t allocationSize;
};
static_assert(sizeof(MosDynamic_Array__Query) == 48);
static_assert(offsetof(MosDynamic_Array__Query, blockSizeInBytes) == 40);

struct MosDynamicMemPool_Query { // type 17
    char name[32];
    uint32_t unitSize;
    uint32_t alignedUnitSize;
    uint32_t allocedNumBlocks;
    uint32_t allowedNumBlocks;
    uint32_t minNumBlocks;
    uint32_t numBlocks;
    uint32_t numUnitsInBlock;
    uint32_t waiters;
};
static_assert(sizeof(MosDynamicMemPool_Query) == 64);
static_assert(offsetof(MosDynamicMemPool_Query, numBlocks) == 52);

struct MosDevRaw {
    uint64_t fileSizeInLbs;
    char name[64];
    uint32_t sampleGrn;
    uint8_t reserved[4];
};

struct _MosDevQuery { // type 52
    Sdbg_BwcRecord readSizeBwc;
    Sdbg_BwcRecord writeSizeBwc;
    Sdbg_BwcRecord readLatencyBwc;
    Sdbg_BwcRecord writeLatencyBwc;
    MosDevRaw raw;
};
static_assert(sizeof(_MosDevQuery) == 160);
static_assert(offsetof(_MosDevQuery, writeLatencyBwc) == 60);
static_assert(offsetof(_MosDevQuery, raw.name) == 88);
static_assert(offsetof(_MosDevQuery, raw.sampleGrn) == 152);

struct MosUmtClassCounter {
    uint64_t value;
    char name[56];
};

struct MosUmtClassStats {
    Sdbg_SampleStatsRecord stats;
    char name[56];
};

struct MosUmtClassQuery { // type 145
    char className[64];
    MosUmtClassCounter counter;
    MosUmtClassStats statsEntries[2];
};
static_assert(sizeof(MosUmtClassQuery) == 352);
static_assert(offsetof(MosUmtClassQuery, counter.name) == 72);
static_assert(offsetof(MosUmtClassQuery, statsEntries) == 128);
static_assert(offsetof(MosUmtClassQuery, statsEntries[1].name) == 296);

struct _MosMemoryTracker_Query { // type 147
    uint64_t numAllocatedMemoryBlocks;
    uint64_t totalAllocatedMemorySizeMB;
    uint64_t totalShmAllocatedMemorySizeMB;
    uint64_t numAllocationsSucceeded;
    uint64_t numAllocationsFreed;
    uint64_t numAllocationsFailed;
};
static_assert(sizeof(_MosMemoryTracker_Query) == 48);

struct _MosUTConfEntry { // type 148
    char entryName[64];
    char threshFuncName[64];
    uint64_t threshFuncParam;
    char actionFuncName[64];
    uint64_t actionFuncParam;
    int32_t bReturnFromHook;
    uint8_t reserved[4];
};
static_assert(sizeof(_MosUTConfEntry) == 216);
static_assert(offsetof(_MosUTConfEntry, actionFuncName) == 136);
static_assert(offsetof(_MosUTConfEntry, bReturnFromHook) == 208);

struct _MosUTFuncQuery { // types 149 and 150
    char funcName[64];
};
static_assert(sizeof(_MosUTFuncQuery) == 64);

inline constexpr uint32_t MOS_PERF_STACK_STAGES = 22;

struct MosPerfStack_Query { // type 151
    Sdbg_PerfStageRecord stages[MOS_PERF_STACK_STAGES];
    Sdbg_PerfStageRecord totalStage;
    Sdbg_SampleStatsRecord ctxSwitchStat;
    char contextDescription[64];
    uint32_t numStages; // may exceed the capacity of stages
};
static_assert(sizeof(MosPerfStack_Query) == 22112);
static_assert(offsetof(MosPerfStack_Query, totalStage) == 21032);
static_assert(offsetof(MosPerfStack_Query, ctxSwitchStat) == 21988);
static_assert(offsetof(MosPerfStack_Query, contextDescription) == 22044);
static_assert(offsetof(MosPerfStack_Query, numStages) == 22108);

struct MosMemAllocator_Query { // type 164
    char name[32];
    uint64_t sizeBytes;
    uint64_t maxMemChunkSizeBytes;
    uint32_t numAllocatedBlocks;
    uint32_t allocatedBytes;
    uint32_t flBitmap;
    uint32_t numMemChunks;
    uint32_t waitersNum;
    uint8_t reserved[4];
};
static_assert(sizeof(MosMemAllocator_Query) == 72);
static_assert(offsetof(MosMemAllocator_Query, waitersNum) == 64);

struct _MosXmti_ManagerQuery { // type 171
    char lastOpStatus[256];
    uint32_t numDetours;
    uint32_t numRegisteredBundles;
    uint32_t numActiveBundles;
    uint32_t numActiveDetours;
};
static_assert(sizeof(_MosXmti_ManagerQuery) == 272);

struct _MosXmti_DetourQuery { // type 172
    char detourableFuncName[48];
    char detourFuncName[48];
    uint8_t reserved[8];
    char bundleName[48];
};
static_assert(sizeof(_MosXmti_DetourQuery) == 152);
static_assert(offsetof(_MosXmti_DetourQuery, bundleName) == 104);

inline constexpr uint32_t MOS_XMTI_BUNDLE_NAMES = 8;

struct _MosXmti_BundleQuery { // type 173
    uint32_t version;
    char bundleName[48];
    char bundleStatus[256];
    uint32_t isDirectlyActivated;
    uint32_t activatedByOtherCount;
    uint32_t referencedByOtherCount;
    uint32_t numContainedBundles; // the real counts; the lists hold at most 8
    uint32_t numDetours;
    char containedBundleNames[MOS_XMTI_BUNDLE_NAMES][48];
    char detourFuncNames[MOS_XMTI_BUNDLE_NAMES][48];
};
static_assert(sizeof(_MosXmti_BundleQuery) == 1096);
static_assert(offsetof(_MosXmti_BundleQuery, isDirectlyActivated) == 308);
static_assert(offsetof(_MosXmti_BundleQuery, containedBundleNames) == 328);
static_assert(offsetof(_MosXmti_BundleQuery, detourFuncNames) == 712);

struct MosDiagCounterBase {
    uint32_t value;
    uint32_t threshold;
    char component[8];
    char name[32];
};

struct MosDiagCounterExtEntry { // types 102 to 110
    MosDiagCounterBase base;
    uint64_t countExtData;
    uint64_t lastCountTimeMilli;
};
static_assert(sizeof(MosDiagCounterExtEntry) == 64);
static_assert(offsetof(MosDiagCounterExtEntry, base.name) == 16);
static_assert(offsetof(MosDiagCounterExtEntry, countExtData) == 48);

struct MosOscCntWindow {
    uint32_t threshold;
    uint32_t windowSizeInSec;
    uint32_t lastOscillationCount;
    uint64_t lastOscillationTime;
    uint8_t reserved1[8];
    uint32_t maxFailuresCount;
    uint64_t maxFailuresTime;
    uint8_t reserved2[12];
};
static_assert(sizeof(MosOscCntWindow) == 52);
static_assert(offsetof(MosOscCntWindow, maxFailuresCount) == 28);

struct MosOscCntEntry { // types 111 to 144
    char addrStr[64];
    uint64_t remoteObjId;
    uint32_t shortWindowCurrentCount;
    uint32_t mediumWindowCurrentCount;
    uint32_t longWindowCurrentCount;
    MosOscCntWindow shortWindow;
    MosOscCntWindow mediumWindow;
    MosOscCntWindow longWindow;
};
static_assert(sizeof(MosOscCntEntry) == 240);
static_assert(offsetof(MosOscCntEntry, shortWindow) == 84);
static_assert(offsetof(MosOscCntEntry, mediumWindow) == 136);
static_assert(offsetof(MosOscCntEntry, longWindow) == 188);

} // namespace sdbg_wire

#pragma pack(pop)
