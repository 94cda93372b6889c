// Query structures of the storage engine, AFS, non-volatile lists and the
// data-server performance views, as the views read them (little-endian,
// byte-packed, offsets checked). Bytes no view reads are named reserve so
// every record is laid out whole.
#pragma once

#include "sdbg_stat_records.h"
#include "sdbg_wire_runtime.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

struct _PerfParamsQuery { // type 47
    uint8_t numOfSocketsPerIpSdsToSds;
    uint8_t reserved0[3];
    uint32_t keepaliveTimeMs;
    uint8_t numNetWorkerThreads;
    uint8_t reserved1[3];
    uint32_t recvBufferInKb;
    uint32_t sendBufferInKb;
    uint32_t maxReqPerAsyncFile;
    uint16_t threadIniIo;
    uint16_t threadTgtIoMain;
    uint16_t threadTgtIoCopy;
    uint16_t threadTgtIoMigrate;
    uint16_t threadTgtIoDuringMigrate;
    uint16_t threadCopyIo;
    uint8_t umtOsThrds;
    uint8_t numIoBuffs;
    uint8_t reserved2[10];
    uint16_t threadTgtControl;
    uint8_t reserved3[2];
};
static_assert(sizeof(_PerfParamsQuery) == 52);
static_assert(offsetof(_PerfParamsQuery, keepaliveTimeMs) == 4);
static_assert(offsetof(_PerfParamsQuery, recvBufferInKb) == 12);
static_assert(offsetof(_PerfParamsQuery, threadIniIo) == 24);
static_assert(offsetof(_PerfParamsQuery, threadTgtIoDuringMigrate) == 32);
static_assert(offsetof(_PerfParamsQuery, umtOsThrds) == 36);
static_assert(offsetof(_PerfParamsQuery, threadTgtControl) == 48);

struct SpefMockup_Query { // type 60; nothing in it is shown
    uint32_t dummy;
};
static_assert(sizeof(SpefMockup_Query) == 4);

struct _AfsQuery { // type 153
    uint64_t userId;
    uint64_t default1MPool;
    uint64_t default4KPool;
    uint32_t waitersList1MPoolSize;
    uint32_t waitersList4KPoolSize;
    uint32_t fileGenNum;
    uint32_t numAllDevices;
    uint32_t numAllFiles;
    uint32_t reserved;
};
static_assert(sizeof(_AfsQuery) == 48);
static_assert(offsetof(_AfsQuery, waitersList1MPoolSize) == 24);
static_assert(offsetof(_AfsQuery, numAllDevices) == 36);

struct _GenericDeviceQuery { // type 154
    uint64_t devId;
    uint32_t backendId;
    uint32_t refCount;
    uint32_t devState;
    uint32_t devBlockSizeInBytes;
    Sdbg_BwcRecord readSizeBwc;
    Sdbg_BwcRecord writeSizeBwc;
    Sdbg_BwcRecord readLatencyBwc;
    Sdbg_BwcRecord writeLatencyBwc;
    uint32_t submittedIosCount;
    uint32_t reserved;
};
static_assert(sizeof(_GenericDeviceQuery) == 112);
static_assert(offsetof(_GenericDeviceQuery, readSizeBwc) == 24);
static_assert(offsetof(_GenericDeviceQuery, writeLatencyBwc) == 84);
static_assert(offsetof(_GenericDeviceQuery, submittedIosCount) == 104);

struct _AfsGenericFileQuery { // type 155
    uint32_t featId;
    uint32_t fileId;
    uint64_t nativeDevId;
    uint32_t nativeDevBlockSize;
    uint32_t reserved;
    uint64_t migDevId;
    uint32_t migDevBlockSize;
    uint32_t fileState;
    uint64_t sizeInBytes;
    uint32_t numWriters;
    uint32_t migFlags;
    uint64_t p1MBouncePool;
    uint64_t p4KBouncePool;
};
static_assert(sizeof(_AfsGenericFileQuery) == 72);
static_assert(offsetof(_AfsGenericFileQuery, migDevId) == 24);
static_assert(offsetof(_AfsGenericFileQuery, sizeInBytes) == 40);
static_assert(offsetof(_AfsGenericFileQuery, p1MBouncePool) == 56);

struct _AfsNafsDevQuery { // type 156
    uint64_t devId;
    uint32_t backendId;
    char devPath[64];
    uint32_t journalAddSemCounter;
    uint32_t journalRmvSemCounter;
    uint32_t reserved;
};
static_assert(sizeof(_AfsNafsDevQuery) == 88);
static_assert(offsetof(_AfsNafsDevQuery, devPath) == 12);
static_assert(offsetof(_AfsNafsDevQuery, journalAddSemCounter) == 76);

struct _AfsNafsFileQuery { // type 157
    uint64_t sizeInBytes;
    uint32_t genNum;
    uint32_t featId;
    uint32_t fileId;
    uint32_t reserved;
    uint64_t devId;
    uint32_t inodeIdx;
    uint32_t fileCacheRefCount;
    uint32_t fileFlags;
    uint32_t intervals;
};
static_assert(sizeof(_AfsNafsFileQuery) == 48);
static_assert(offsetof(_AfsNafsFileQuery, featId) == 12);
static_assert(offsetof(_AfsNafsFileQuery, devId) == 24);
static_assert(offsetof(_AfsNafsFileQuery, intervals) == 44);

struct _AfsNvramDevQuery { // type 158
    uint64_t devId;
    char devPath[64];
    uint64_t numOfFreeMbs;
    uint32_t usableSizeInMb;
    uint32_t numFiles;
    uint32_t maxNumFiles;
    uint32_t reserved;
};
static_assert(sizeof(_AfsNvramDevQuery) == 96);
static_assert(offsetof(_AfsNvramDevQuery, numOfFreeMbs) == 72);
static_assert(offsetof(_AfsNvramDevQuery, maxNumFiles) == 88);

struct _AfsNvramFileQuery { // type 159
    uint32_t featId;
    uint32_t fileId;
    uint64_t devId;
    uint64_t sizeInBytes;
    uint32_t genNum;
    uint32_t fileFlags;
    uint64_t nvBufId;
    uint32_t dictIdx;
    uint32_t bIsOpen;
    uint8_t reserved[8];
};
static_assert(sizeof(_AfsNvramFileQuery) == 56);
static_assert(offsetof(_AfsNvramFileQuery, genNum) == 24);
static_assert(offsetof(_AfsNvramFileQuery, nvBufId) == 32);
static_assert(offsetof(_AfsNvramFileQuery, bIsOpen) == 44);

// The AFS null and OSFS devices show their id only.
struct _AfsNullDevsQuery { // type 160
    uint64_t devId;
};
static_assert(sizeof(_AfsNullDevsQuery) == 8);

struct _AfsOsfsDevsQuery { // type 161
    uint64_t devId;
};
static_assert(sizeof(_AfsOsfsDevsQuery) == 8);

struct _StmpQuery { // type 162
    uint32_t numOfAllocations;
    uint32_t currentAllocatedInLbs;
    uint32_t maxAllocatedInLbs;
    uint32_t numOfAllocated;
    uint32_t numOfWaitings;
    uint32_t totalSizeInLbs;
};
static_assert(sizeof(_StmpQuery) == 24);
static_assert(offsetof(_StmpQuery, numOfAllocated) == 12);

struct _ZmpQuery { // type 163
    uint32_t numOfAllocations;
    uint32_t numOfAllocated;
    uint32_t reserved;
    uint32_t totalSizeOfBuffers;
};
static_assert(sizeof(_ZmpQuery) == 16);
static_assert(offsetof(_ZmpQuery, totalSizeOfBuffers) == 12);

inline constexpr uint32_t TGT_PERF_CONTAINER_STACKS = 33;

// The container's stacks with their valid flags; the listing reads both.
struct PerfContainerStacks {
    MosPerfStack_Query stacks[TGT_PERF_CONTAINER_STACKS];
    uint32_t reserved;                              // not read
    uint32_t validFlags[TGT_PERF_CONTAINER_STACKS]; // stack k is shown when not 0
};

struct _PerfContainerQuery { // type 165
    char containerDescription[64];
    uint8_t reserved[22112];
    PerfContainerStacks stacks;
};
static_assert(sizeof(_PerfContainerQuery) == 752008);
static_assert(offsetof(_PerfContainerQuery, stacks) == 22176);
static_assert(offsetof(_PerfContainerQuery, stacks.reserved) == 751872);
static_assert(offsetof(_PerfContainerQuery, stacks.validFlags) == 751876);

// The engine's statistics of one device: a fixed report whose fields the
// block printer reads at their offsets in _SpefDeviceQuery.
inline constexpr uint32_t SPEF_DEVICE_STATS_OFFSET = 8;
inline constexpr uint32_t SPEF_DEVICE_STATS_SIZE = 10586;
struct _SpefDeviceQuery { // type 166
    uint64_t devId;
    uint8_t stats[SPEF_DEVICE_STATS_SIZE];
    uint8_t reserved[6];
};
static_assert(sizeof(_SpefDeviceQuery) == 10600);
static_assert(offsetof(_SpefDeviceQuery, stats) == SPEF_DEVICE_STATS_OFFSET);
static_assert(offsetof(_SpefDeviceQuery, reserved) == 10594);

struct SpefInstanceDiagnosticsInfo_Debug {
    uint64_t avgProcessingLatencyForCompressedEntriesInUsec[2];
    uint64_t avgProcessingLatencyForNonCompressedEntriesInUsec[2];
    uint64_t avgProcessingLatencyForDecompressionInUsec[2];
    uint64_t cugMempoolErrorCnt;
    uint64_t invalidParametersErrorCnt;
    uint64_t inflightChecksumMismatchErrorCnt;
    uint64_t allocatedShmBs;
};
static_assert(sizeof(SpefInstanceDiagnosticsInfo_Debug) == 80);

struct _SpefInstanceQuery { // type 167
    uint8_t reserved[24];
    SpefInstanceDiagnosticsInfo_Debug diagnostics;
};
static_assert(sizeof(_SpefInstanceQuery) == 104);
static_assert(offsetof(_SpefInstanceQuery, diagnostics.cugMempoolErrorCnt) == 72);
static_assert(offsetof(_SpefInstanceQuery, diagnostics.allocatedShmBs) == 96);

struct SpefVolumeDiagnosticsInfo_Debug {
    uint32_t craAssociatedOctetsCnt;
    uint32_t craMaxAssociatedL2pPagesCnt;
    uint32_t craProcessedL2pPagesCnt;
};

struct _SpefVolumeQuery { // type 168
    uint32_t volumeId;
    uint8_t reserved[24];
    SpefVolumeDiagnosticsInfo_Debug diagnostics;
};
static_assert(sizeof(_SpefVolumeQuery) == 40);
static_assert(offsetof(_SpefVolumeQuery, diagnostics) == 28);

struct _SpefVTreeQuery { // type 169
    uint64_t vTreeId;
    uint8_t reserved[32];
};
static_assert(sizeof(_SpefVTreeQuery) == 40);

struct _SpefChangeLogQuery { // type 170
    uint64_t devId;
    char spefAfsSubComponentStr[48];
    uint32_t numberOfAus;
    uint16_t recordSizeInBytes;
    uint16_t auRecordLimitCount;
    uint16_t auOptimumRecordCount;
    uint16_t auMinRecordCountInCentiRecords;
    uint32_t bWriteThrough;
    Sdbg_DistributionRecord changelogSetUtilizationPercentageHist;
    uint8_t reserved0[4];
    uint64_t totalChangelogInsertsCnt;
    uint16_t avgChangelogRecordsPerInsertCnt;
    uint16_t avgChangelogRecordsPerDestageCnt;
    uint8_t reserved1[4];
    uint64_t totalChangelogDestageBwc;
    uint16_t changelogAccDevFilesCnt;
    uint8_t reserved2[6];
    uint64_t totalChangelogWriteThroughDueToOverallCongestionCnt;
    uint64_t totalChangelogWriteThroughDueToAuLimitCnt;
};
static_assert(sizeof(_SpefChangeLogQuery) == 944);
static_assert(offsetof(_SpefChangeLogQuery, numberOfAus) == 56);
static_assert(offsetof(_SpefChangeLogQuery, auMinRecordCountInCentiRecords) == 66);
static_assert(offsetof(_SpefChangeLogQuery, changelogSetUtilizationPercentageHist) == 72);
static_assert(offsetof(_SpefChangeLogQuery, totalChangelogInsertsCnt) == 896);
static_assert(offsetof(_SpefChangeLogQuery, totalChangelogDestageBwc) == 912);
static_assert(offsetof(_SpefChangeLogQuery, changelogAccDevFilesCnt) == 920);
static_assert(offsetof(_SpefChangeLogQuery, totalChangelogWriteThroughDueToOverallCongestionCnt) ==
              928);

inline constexpr uint32_t NV_TYPE_NAME_SIZE = 20;

struct _NvDListQuery { // type 174
    char ListState[NV_TYPE_NAME_SIZE];
    char DataTypeName[NV_TYPE_NAME_SIZE];
    uint16_t offsetSizeInBytes;
    char ListTypeName[NV_TYPE_NAME_SIZE];
    uint64_t headOffset;
    uint64_t tailOffset;
    uint64_t numNodes;
    uint32_t bNoDataList;
    uint64_t maxNodes;
};
static_assert(sizeof(_NvDListQuery) == 98);
static_assert(offsetof(_NvDListQuery, ListTypeName) == 42);
static_assert(offsetof(_NvDListQuery, headOffset) == 62);
static_assert(offsetof(_NvDListQuery, bNoDataList) == 86);
static_assert(offsetof(_NvDListQuery, maxNodes) == 90);

struct _NvHashQuery { // type 175
    char HashTypeName[NV_TYPE_NAME_SIZE];
    char ValueTypeName[NV_TYPE_NAME_SIZE];
    char KeyTypeName[NV_TYPE_NAME_SIZE];
    char HashName[NV_TYPE_NAME_SIZE];
    Sdbg_DistributionRecord bucketOccupancyHist;
    uint64_t headOffset;
    uint64_t tailOffset;
    uint64_t numElements;
    uint64_t maxNumElements;
    uint64_t metadataSizeInBytes;
    uint32_t bucketsControlSizeInBytes;
    uint32_t controlSizeInBytes;
    uint32_t tspSizeInBytes;
    uint32_t numBuckets;
    uint32_t bKeylessHash;
    uint32_t bIsRestricted;
    uint16_t offsetSizeInBytes;
};
static_assert(sizeof(_NvHashQuery) == 966);
static_assert(offsetof(_NvHashQuery, bucketOccupancyHist) == 80);
static_assert(offsetof(_NvHashQuery, headOffset) == 900);
static_assert(offsetof(_NvHashQuery, metadataSizeInBytes) == 932);
static_assert(offsetof(_NvHashQuery, numBuckets) == 952);
static_assert(offsetof(_NvHashQuery, offsetSizeInBytes) == 964);

} // namespace sdbg_wire

#pragma pack(pop)
