// Query structures of the storage client: network layer, MDM map, channels, connections, device
// map, as the views read them (little-endian, byte-packed, offsets checked). Bytes no view reads
// are kept as named reserve so every record is laid out whole.
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {

// ---- Network layer ----

inline constexpr uint32_t NET_PERF_CHECK_POINTS = 16;

// The check-point intervals of a performance test, one array per measure.
struct NetPerfTimeArray {
    uint64_t sum[NET_PERF_CHECK_POINTS];
    uint64_t max[NET_PERF_CHECK_POINTS];
    uint64_t lastTotal[NET_PERF_CHECK_POINTS];
    uint64_t last[NET_PERF_CHECK_POINTS];
    uint32_t numSamples[NET_PERF_CHECK_POINTS];
};
static_assert(sizeof(NetPerfTimeArray) == 576);
static_assert(offsetof(NetPerfTimeArray, max) == 128);
static_assert(offsetof(NetPerfTimeArray, lastTotal) == 256);
static_assert(offsetof(NetPerfTimeArray, last) == 384);
static_assert(offsetof(NetPerfTimeArray, numSamples) == 512);

struct _NetPerfTestSum { // type 18
    NetPerfTimeArray timeArray;
    char testname[16];
    uint32_t numOfSamples;
    uint8_t reserved[4];
};
static_assert(sizeof(_NetPerfTestSum) == 600);
static_assert(offsetof(_NetPerfTestSum, testname) == 576);
static_assert(offsetof(_NetPerfTestSum, numOfSamples) == 592);

struct _NetPollQuery { // type 19
    uint32_t numOfDummyWakeup;
    uint32_t numOfGoodWakeup;
    uint32_t numOfFdSet;
    uint32_t numOfWakeup;
    uint32_t numOfDelay;
    uint32_t numOfSockets;
    uint32_t numOfSocketsInArray;
};
static_assert(sizeof(_NetPollQuery) == 28);
static_assert(offsetof(_NetPollQuery, numOfSockets) == 20);

struct NetPathMgr_Query { // type 20
    uint32_t numRegPaths;
    uint32_t kaSent;
    uint32_t memWaiters;
};
static_assert(sizeof(NetPathMgr_Query) == 12);

// A path's socket.
struct NetSocketQuery {
    uint32_t socket;
    NetAddress peerAddr;
    uint16_t localPort;
    uint8_t reserved1[2];
    uint32_t quickAck;
    int32_t noDelay;
    int32_t recvBuffer;
    int32_t sendBuffer;
    Sdbg_SampleStatsRecord sendBytes;
    Sdbg_SampleStatsRecord rcvBytes;
    uint32_t sendCalls;
    uint32_t rcvCalls;
    uint32_t failedSends;
    uint32_t failedRcvs;
    uint32_t state;
    uint32_t brokenSends;
    uint32_t brokenRcvs;
    uint8_t reserved2[12];
};
static_assert(sizeof(NetSocketQuery) == 200);
static_assert(offsetof(NetSocketQuery, peerAddr) == 4);
static_assert(offsetof(NetSocketQuery, localPort) == 28);
static_assert(offsetof(NetSocketQuery, quickAck) == 32);
static_assert(offsetof(NetSocketQuery, sendBytes) == 48);
static_assert(offsetof(NetSocketQuery, rcvBytes) == 104);
static_assert(offsetof(NetSocketQuery, sendCalls) == 160);
static_assert(offsetof(NetSocketQuery, state) == 176);
static_assert(offsetof(NetSocketQuery, brokenRcvs) == 184);

struct NetPath_Query { // type 21
    NetSocketQuery socketQuery;
    int32_t bConnected;
    int32_t bDie;
    uint32_t kaSendItr;
    uint32_t kaRcvItr;
    uint32_t remoteTimeStamp;
    uint32_t remoteMagicNumber;
    uint32_t remoteVersion;
    uint32_t ownerType;
};
static_assert(sizeof(NetPath_Query) == 232);
static_assert(offsetof(NetPath_Query, bConnected) == 200);
static_assert(offsetof(NetPath_Query, ownerType) == 228);

inline constexpr uint32_t NET_CON_HOST_NAMES = 8;
inline constexpr uint32_t NET_CON_HOST_NAME_SIZE = 64;

struct _NetConQuery { // type 22
    uint8_t reserved1[4];
    uint32_t numPeerHostNames;
    uint8_t reserved2[16];
    char peerHostNames[NET_CON_HOST_NAMES][NET_CON_HOST_NAME_SIZE];
    Sdbg_BwcRecord sendSizeBwc;
    Sdbg_BwcRecord sendLatencyBwc;
    uint64_t recvMsg;
    uint64_t sendMsg;
    uint32_t usage;
    int32_t bRemInProgress;
    uint32_t conType;
    uint32_t ownerType;
    int32_t conState;
    uint8_t reserved3[4];
    uint32_t chanSendNum;
    uint32_t chanRecvNum;
    uint32_t pathNum;
    uint8_t reserved4[4];
    uint64_t conId;
    uint32_t remoteTimeStamp;
    uint32_t remoteMagicNumber;
    uint32_t remoteVersion;
    uint32_t sendWaiters;
};
static_assert(sizeof(_NetConQuery) == 656);
static_assert(offsetof(_NetConQuery, numPeerHostNames) == 4);
static_assert(offsetof(_NetConQuery, peerHostNames) == 24);
static_assert(offsetof(_NetConQuery, sendSizeBwc) == 536);
static_assert(offsetof(_NetConQuery, sendLatencyBwc) == 556);
static_assert(offsetof(_NetConQuery, recvMsg) == 576);
static_assert(offsetof(_NetConQuery, conType) == 600);
static_assert(offsetof(_NetConQuery, ownerType) == 604);
static_assert(offsetof(_NetConQuery, chanSendNum) == 616);
static_assert(offsetof(_NetConQuery, pathNum) == 624);
static_assert(offsetof(_NetConQuery, conId) == 632);
static_assert(offsetof(_NetConQuery, sendWaiters) == 652);

struct _NetConManagerQuery { // type 23
    uint32_t numOfCons;
    uint32_t numOfReq;
};
static_assert(sizeof(_NetConManagerQuery) == 8);

struct _NetRecvGroupQuery { // type 24
    uint64_t numOfReqPending;
    uint64_t numOfReqInProgress;
    uint64_t numOfReqDroppedDisabled;
    int32_t bEnabled;
    uint8_t reserved[4];
};
static_assert(sizeof(_NetRecvGroupQuery) == 32);
static_assert(offsetof(_NetRecvGroupQuery, bEnabled) == 24);

struct _NetWorkGroupQuery { // type 25
    uint32_t numUmts;
    uint32_t numActiveUmts;
    uint32_t maxActiveUmt;
    uint32_t minActiveUmt;
    uint32_t remoteScheds;
    uint32_t localScheds;
    uint32_t priorityScheds;
    uint32_t remoteMitWaiters;
    uint32_t localMitWaiters;
};
static_assert(sizeof(_NetWorkGroupQuery) == 36);
static_assert(offsetof(_NetWorkGroupQuery, localMitWaiters) == 32);

struct NetRPCLayer_Query { // type 26
    uint32_t rpcTimeoutMillis;
};
static_assert(sizeof(NetRPCLayer_Query) == 4);

// ---- MDM map ----

struct MapMdm_Query { // type 27
    uint64_t tgtsGenerationNum;
    uint64_t volsGenerationNum;
    uint64_t headsGlobalGenNum;
    uint64_t volGroupsGenNum;
    uint64_t replicationGenNum;
    uint64_t lastUpdateTicks;
    uint64_t ticksToWake;
    uint64_t curTicks;
    uint64_t iniID;
    uint8_t reserved1[8];
    NetAddress addr;
    uint32_t numReaders;
    uint32_t queries;
    uint32_t failedIos;
    int32_t bVolInfoBuf;
    uint32_t notifBufSize;
    uint32_t failedMallocs;
    uint32_t goodSends;
    uint32_t failedSends;
    uint32_t serializeFails;
    uint32_t emptySends;
    uint32_t emptyMsgs;
    uint32_t volsLastSend;
    int32_t bVolMitActive;
    int32_t bLastMsgEmpty;
    uint64_t kmodctlPerMdmGenNum;
    uint64_t kmodctlGlobalGenNum;
    uint64_t remotePerMdmGenNum;
    uint32_t sockSndBufSize;
    uint32_t sockRcvBufSize;
    uint32_t sockQuickAckMode;
    uint32_t conMaxConIdleMillis;
    uint32_t conKaFreqMillis;
    uint32_t conMilliToReconnect;
    uint32_t conConnectTimeoutMillis;
    uint32_t conMaxNumThreads;
    uint32_t chanMaxMBInflight;
    uint32_t chanMaxReqInflight;
    uint32_t chanReqTooLongMillis;
    uint32_t chanFlowCtrlMaxMBInflight;
    uint32_t chanFlowCtrlMaxReqInflight;
    uint32_t chanFlowCtrlHistoryWeight;
    uint32_t chanFlowCtrlMaxTotalMBInflight;
    uint32_t chanFlowCtrlMaxTotalReqInflight;
    uint32_t volIoRetries;
    uint32_t volFastEagerZeroEnabled;
    uint32_t blkDevEnableHostScsi;
    uint32_t volLongIoMillis;
    uint32_t volLogErrors;
    uint32_t volMillisOnFault;
    uint32_t volMillisOnSnapFault;
    uint32_t volIoSnapRetries;
    uint8_t reserved2[4];
    uint32_t mdmMilliBetweenVolNotif;
    uint32_t secBetweenConnUpdate;
    uint32_t maxSecBetweenConnUpdate;
    uint32_t rpcTimeOutMillis;
    uint32_t blockUnmapMaxBlocks;
    uint32_t tgtMaxConPerIP;
    uint32_t iniMaxNumThreads;
};
static_assert(sizeof(MapMdm_Query) == 312);
static_assert(offsetof(MapMdm_Query, iniID) == 64);
static_assert(offsetof(MapMdm_Query, addr) == 80);
static_assert(offsetof(MapMdm_Query, numReaders) == 104);
static_assert(offsetof(MapMdm_Query, goodSends) == 128);
static_assert(offsetof(MapMdm_Query, bLastMsgEmpty) == 156);
static_assert(offsetof(MapMdm_Query, kmodctlPerMdmGenNum) == 160);
static_assert(offsetof(MapMdm_Query, remotePerMdmGenNum) == 176);
static_assert(offsetof(MapMdm_Query, conMaxNumThreads) == 212);
static_assert(offsetof(MapMdm_Query, chanFlowCtrlMaxMBInflight) == 228);
static_assert(offsetof(MapMdm_Query, volIoRetries) == 248);
static_assert(offsetof(MapMdm_Query, volIoSnapRetries) == 276);
static_assert(offsetof(MapMdm_Query, mdmMilliBetweenVolNotif) == 284);
static_assert(offsetof(MapMdm_Query, rpcTimeOutMillis) == 296);
static_assert(offsetof(MapMdm_Query, iniMaxNumThreads) == 308);

struct SdbgGuid {
    uint8_t bytes[16];
};
static_assert(sizeof(SdbgGuid) == 16);

struct MapMdmSdc_Query { // type 28
    SdbgGuid iniGUID;
    uint32_t numMdms;
    uint8_t reserved[4];
};
static_assert(sizeof(MapMdmSdc_Query) == 24);
static_assert(offsetof(MapMdmSdc_Query, numMdms) == 16);

// ---- Channels and connections ----

struct NetChanLayer_Dbg {
    uint32_t failedMallocs;
    uint32_t disconnectPolls;
    uint32_t totalConnects;
    uint32_t totalDisconnects;
};
static_assert(sizeof(NetChanLayer_Dbg) == 16);

struct NetConLayer_Query {
    uint32_t kaAllocFailed;
    uint32_t kaSent;
    uint32_t numRegPaths;
};
static_assert(sizeof(NetConLayer_Query) == 12);

struct NetChanLayer_Query { // type 71
    NetChanLayer_Dbg dbg;
    NetConLayer_Query conLayer;
    uint32_t disconnectWaiters;
    uint32_t connectWaiters;
    uint32_t beingConnected;
};
static_assert(sizeof(NetChanLayer_Query) == 40);
static_assert(offsetof(NetChanLayer_Query, conLayer) == 16);
static_assert(offsetof(NetChanLayer_Query, disconnectWaiters) == 28);

// One volume group of a channel's throttler.
struct NetChanVolGroup {
    uint64_t volGroupId;
    uint32_t inflightReqs;
    uint32_t inflightMBs;
    uint32_t pendingReqs;
    uint32_t pendingMBs;
    uint32_t inflightReqLimit;
    uint32_t inflightMBLimit;
    uint32_t reqAsk;
    uint32_t mbAsk;
    uint32_t waitersNum;
    uint8_t reserved[4];
};
static_assert(sizeof(NetChanVolGroup) == 48);
static_assert(offsetof(NetChanVolGroup, pendingReqs) == 16);
static_assert(offsetof(NetChanVolGroup, inflightReqLimit) == 24);
static_assert(offsetof(NetChanVolGroup, reqAsk) == 32);
static_assert(offsetof(NetChanVolGroup, waitersNum) == 40);

inline constexpr uint32_t NET_CHAN_VOL_GROUPS = 64;

struct NetChanThrottler_Query {
    NetChanVolGroup volGroups[NET_CHAN_VOL_GROUPS];
    uint32_t inflightIOsLimit;
    uint32_t inflightMBsLimit;
    uint32_t inflightIOsNum;
    uint32_t inflightMBsNum;
    uint32_t throttledReqs;
    uint32_t throttledMBs;
    uint32_t volGroupsCurrNum;
    uint8_t bFlowCtrlIOsEnabled;
    uint8_t bFlowCtrlMBsEnabled;
    uint8_t reserved[2];
    uint32_t inflightIOsAvailUnauthorized;
    uint32_t inflightMBsAvailUnauthorized;
    uint32_t waitersNum;
};
static_assert(sizeof(NetChanThrottler_Query) == 3116);
static_assert(offsetof(NetChanThrottler_Query, inflightIOsLimit) == 3072);
static_assert(offsetof(NetChanThrottler_Query, throttledReqs) == 3088);
static_assert(offsetof(NetChanThrottler_Query, volGroupsCurrNum) == 3096);
static_assert(offsetof(NetChanThrottler_Query, bFlowCtrlIOsEnabled) == 3100);
static_assert(offsetof(NetChanThrottler_Query, bFlowCtrlMBsEnabled) == 3101);
static_assert(offsetof(NetChanThrottler_Query, inflightIOsAvailUnauthorized) == 3104);
static_assert(offsetof(NetChanThrottler_Query, waitersNum) == 3112);

struct NetChan_Query { // type 72
    uint32_t channelID;
    NetAddress firstIP;
    uint32_t maxPortalBytes;
    uint32_t minPortalBytes;
    uint8_t deadPortals;
    uint8_t okPortals;
    uint8_t disconnectingPortals;
    uint8_t connectingPortals;
    uint8_t activePortals;
    uint8_t bChannelEstablishRequired;
    uint8_t reserved1[2];
    uint32_t numChanEstablishFails;
    uint32_t numChanEstablishWaitIOs;
    uint8_t reserved2[4];
    NetChanThrottler_Query throttler;
    uint8_t reserved3[4];
};
static_assert(sizeof(NetChan_Query) == 3176);
static_assert(offsetof(NetChan_Query, firstIP) == 4);
static_assert(offsetof(NetChan_Query, maxPortalBytes) == 28);
static_assert(offsetof(NetChan_Query, deadPortals) == 36);
static_assert(offsetof(NetChan_Query, activePortals) == 40);
static_assert(offsetof(NetChan_Query, numChanEstablishFails) == 44);
static_assert(offsetof(NetChan_Query, throttler) == 56);

struct NetSock_Query {
    Sdbg_SampleStatsRecord sockSends;
    Sdbg_SampleStatsRecord sockRecvs;
    uint64_t sendReady;
    uint64_t rcvReady;
    uint64_t stateReady;
    uint64_t activeSenderPtr;
    uint32_t sockMaxSend;
    uint8_t reserved1[4];
    uint32_t sockMaxRcv;
    uint32_t sockBrokenRcvs;
    uint32_t sockBrokenSnds;
    uint32_t sendBrokenVecs;
    uint32_t rcvBrokenVecs;
    NetAddress peerAddr;
    uint32_t sendWaiters;
    int32_t bReceiver;
    int32_t bSendAbort;
    int32_t bRcvAbort;
    uint8_t reserved2[4];
};
static_assert(sizeof(NetSock_Query) == 216);
static_assert(offsetof(NetSock_Query, sockRecvs) == 56);
static_assert(offsetof(NetSock_Query, sendReady) == 112);
static_assert(offsetof(NetSock_Query, activeSenderPtr) == 136);
static_assert(offsetof(NetSock_Query, sockMaxRcv) == 152);
static_assert(offsetof(NetSock_Query, rcvBrokenVecs) == 168);
static_assert(offsetof(NetSock_Query, peerAddr) == 172);
static_assert(offsetof(NetSock_Query, sendWaiters) == 196);
static_assert(offsetof(NetSock_Query, bRcvAbort) == 208);

// A connection's last failed RPC.
struct NetRPC_Query {
    uint64_t rpcID;
    uint8_t reserved1[8];
    int32_t bSendDone;
    int32_t bRecvDone;
    int32_t bRecvStarted;
    int32_t bSendErr;
    int32_t bRecvErr;
    int32_t bTimeout;
    int32_t bTimeoutAborted;
    int32_t bFailedAbortTimeout;
    uint8_t reserved2[8];
};
static_assert(sizeof(NetRPC_Query) == 56);
static_assert(offsetof(NetRPC_Query, bSendDone) == 16);
static_assert(offsetof(NetRPC_Query, bRecvStarted) == 24);
static_assert(offsetof(NetRPC_Query, bFailedAbortTimeout) == 44);

struct NetCon_Query { // type 73
    NetSock_Query sock;
    NetRPC_Query lastFailedRpc;
    Sdbg_SampleStatsRecord rpcLatency;
    uint64_t iniID;
    uint8_t reserved1[8];
    uint32_t inflightSends;
    uint32_t inflightBytes;
    uint32_t sendItr;
    uint32_t rcvItr;
    uint32_t maxRcvKaItr;
    uint32_t maxSendKaItr;
    int32_t bConnected;
    int32_t bDie;
    int32_t bBLockedForSend;
    uint8_t reserved2[4];
};
static_assert(sizeof(NetCon_Query) == 384);
static_assert(offsetof(NetCon_Query, lastFailedRpc) == 216);
static_assert(offsetof(NetCon_Query, rpcLatency) == 272);
static_assert(offsetof(NetCon_Query, iniID) == 328);
static_assert(offsetof(NetCon_Query, inflightSends) == 344);
static_assert(offsetof(NetCon_Query, maxSendKaItr) == 364);
static_assert(offsetof(NetCon_Query, bConnected) == 368);
static_assert(offsetof(NetCon_Query, bBLockedForSend) == 376);

// ---- Device map ----

// The record every map object begins with (type 83: ends with).
struct MapObj_Query {
    uint64_t objID;
    uint32_t refCnt;
    uint32_t lastScanID;
    int32_t bZombie;
    uint8_t reserved[4];
};
static_assert(sizeof(MapObj_Query) == 24);
static_assert(offsetof(MapObj_Query, bZombie) == 16);

struct MapMH_Query { // type 80
    MapObj_Query mapObj;
    uint64_t generationNum;
    uint32_t emptyRows;
    uint8_t reserved[4];
};
static_assert(sizeof(MapMH_Query) == 40);
static_assert(offsetof(MapMH_Query, emptyRows) == 32);

// A volume's block device.
struct BlkDev_Query {
    uint32_t devUsers;
    int32_t bDying;
    uint32_t minorNum;
    uint32_t majorNum;
    uint32_t inflightReads;
    uint32_t inflightWrites;
    uint32_t splits;
    uint32_t splitFailAlloc;
    char devName[32];
};
static_assert(sizeof(BlkDev_Query) == 64);
static_assert(offsetof(BlkDev_Query, majorNum) == 12);
static_assert(offsetof(BlkDev_Query, splitFailAlloc) == 28);
static_assert(offsetof(BlkDev_Query, devName) == 32);

struct MapVol_Query { // type 81
    MapObj_Query mapObj;
    BlkDev_Query blkDev;
    Sdbg_SlotThrottleRecord iopsQuery;
    Sdbg_SlotThrottleRecord bandwidthQuery;
    Sdbg_BwcRecord readIoStat;
    Sdbg_BwcRecord writeIoStat;
    Sdbg_BwcRecord trimIoStat;
    Sdbg_BwcRecord readIoLatencyStat;
    Sdbg_BwcRecord writeIoLatencyStat;
    Sdbg_BwcRecord trimIoLatencyStat;
    char volState[32];
    char lastBadRC[32];
    char lastTgtFault[32];
    uint64_t resetGenNum;
    uint64_t generationNum;
    uint64_t lastFaultedComb;
    uint64_t lastFaultedCombGen;
    uint64_t lastFaultedGenNum;
    uint8_t reserved1[16];
    uint64_t reserverKey;
    uint64_t sdcRegKey;
    uint64_t requestedCapacityMB;
    NetAddress lastFaultedTgt;
    NetAddress lastErrTgt;
    int32_t bVolInfoNeeded;
    int32_t bStopCreate;
    int32_t bNotifyOsOnSizeChange;
    uint32_t scsiReserveType;
    uint32_t numTgtFaults;
    uint32_t numTgtErrs;
    uint16_t trimGranularityLB;
    uint8_t reserved2[2];
    int32_t bChecksumActive;
    int32_t bDirectBufferMapping;
    int32_t bUseReplVTree;
    uint8_t checksumGranularityLB;
    uint8_t reserved3[7];
};
static_assert(sizeof(MapVol_Query) == 560);
static_assert(offsetof(MapVol_Query, blkDev) == 24);
static_assert(offsetof(MapVol_Query, iopsQuery) == 88);
static_assert(offsetof(MapVol_Query, bandwidthQuery) == 128);
static_assert(offsetof(MapVol_Query, readIoStat) == 168);
static_assert(offsetof(MapVol_Query, trimIoLatencyStat) == 268);
static_assert(offsetof(MapVol_Query, volState) == 288);
static_assert(offsetof(MapVol_Query, lastBadRC) == 320);
static_assert(offsetof(MapVol_Query, lastTgtFault) == 352);
static_assert(offsetof(MapVol_Query, resetGenNum) == 384);
static_assert(offsetof(MapVol_Query, lastFaultedGenNum) == 416);
static_assert(offsetof(MapVol_Query, reserverKey) == 440);
static_assert(offsetof(MapVol_Query, requestedCapacityMB) == 456);
static_assert(offsetof(MapVol_Query, lastFaultedTgt) == 464);
static_assert(offsetof(MapVol_Query, lastErrTgt) == 488);
static_assert(offsetof(MapVol_Query, bVolInfoNeeded) == 512);
static_assert(offsetof(MapVol_Query, scsiReserveType) == 524);
static_assert(offsetof(MapVol_Query, trimGranularityLB) == 536);
static_assert(offsetof(MapVol_Query, bChecksumActive) == 540);
static_assert(offsetof(MapVol_Query, checksumGranularityLB) == 552);

struct MapTgt_Query { // type 82
    MapObj_Query mapObj;
    uint64_t lastLongIoComb;
    NetAddress addr;
    uint32_t lastLongIoSizeLb;
    uint32_t totalLongIos;
    uint32_t refCnt;
    uint8_t reserved[4];
};
static_assert(sizeof(MapTgt_Query) == 72);
static_assert(offsetof(MapTgt_Query, addr) == 32);
static_assert(offsetof(MapTgt_Query, lastLongIoSizeLb) == 56);
static_assert(offsetof(MapTgt_Query, refCnt) == 64);

inline constexpr uint32_t MAP_SCSI_INI_IQN_SIZE = 232;

struct MapScsiIni_Query { // type 83
    char iqn[MAP_SCSI_INI_IQN_SIZE];
    MapObj_Query mapObj;
};
static_assert(sizeof(MapScsiIni_Query) == 256);
static_assert(offsetof(MapScsiIni_Query, mapObj) == 232);

struct MapVTree_Query { // type 84
    MapObj_Query mapObj;
    uint32_t blockNum;
    uint8_t reserved[4];
};
static_assert(sizeof(MapVTree_Query) == 32);
static_assert(offsetof(MapVTree_Query, blockNum) == 24);

struct MapITL_Query { // type 85
    MapObj_Query mapObj;
    uint64_t volID;
    uint64_t scsiIniID;
    uint64_t genNum;
    uint64_t resetGenNum;
    uint64_t mappedLun;
    uint32_t linkCount;
    uint8_t reserved[4];
};
static_assert(sizeof(MapITL_Query) == 72);
static_assert(offsetof(MapITL_Query, mappedLun) == 56);
static_assert(offsetof(MapITL_Query, linkCount) == 64);

struct MapVolGroup_Query { // type 86
    MapObj_Query mapObj;
};
static_assert(sizeof(MapVolGroup_Query) == 24);

} // namespace sdbg_wire

#pragma pack(pop)
