// Views of the storage client's maps: its MDM cluster (the MDM map and
// the MDM/SDC mapping) and the objects it received from the MDM
// (multi-heads, volumes, data servers, SCSI initiators, VTrees, ITL links
// and volume groups).

#include "sdbg_views_client.h"

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kMapMdmRows[] = {
    SDBG_ROW(1, MapMdm_Query, iniID, " ini ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapMdm_Query, tgtsGenerationNum, " TGT Gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapMdm_Query, volsGenerationNum, " VOL Gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapMdm_Query, headsGlobalGenNum, " HEADS Gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapMdm_Query, volGroupsGenNum, " VOL-GROUPS Gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapMdm_Query, replicationGenNum, " RPL Gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MapMdm_Query, numReaders, " DB readers(I/Os):", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapMdm_Query, failedIos, " wait-failed-ios:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapMdm_Query, addr, " Address:", NetAddr, SDBG_VALUE),
    SDBG_ROW(3, MapMdm_Query, queries, " Update-Queries:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MapMdm_Query, lastUpdateTicks, " Last-update-ticks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MapMdm_Query, ticksToWake, " Next-wake-ticks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MapMdm_Query, curTicks, " Curr-ticks:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(4, MapMdm_Query, bVolInfoBuf, " vol-buf-alloc:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MapMdm_Query, notifBufSize, " notif-buf-size:", U, SDBG_VALUE),
    SDBG_ROW(4, MapMdm_Query, failedMallocs, " #failed-allocs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MapMdm_Query, serializeFails, " #serialize-fails:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MapMdm_Query, failedSends, " #failed-sends:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, MapMdm_Query, emptySends, " #empty-sends:", U, SDBG_VALUE),
    SDBG_ROW(5, MapMdm_Query, volsLastSend, " #vol-last-send:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, MapMdm_Query, emptyMsgs, " #empty-msgs:", U, SDBG_VALUE),
    SDBG_ROW(5, MapMdm_Query, bLastMsgEmpty, " #last-msg-empty:", D, SDBG_VALUE),
    SDBG_ROW(5, MapMdm_Query, bVolMitActive, " #vol-mit-active:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, MapMdm_Query, goodSends, " #good-sends:", U, SDBG_VALUE),
    SDBG_ROW(6, MapMdm_Query, remotePerMdmGenNum, " Perf Params-MDM config Gen:", LLU, SDBG_VALUE),
    SDBG_ROW(6, MapMdm_Query, kmodctlPerMdmGenNum, " Kmodctl per MDM Gen:", LLU, SDBG_VALUE),
    SDBG_ROW(6, MapMdm_Query, kmodctlGlobalGenNum, " Kmodctl global Gen:", LLU, SDBG_VALUE),
    SDBG_ROW(7, MapMdm_Query, sockSndBufSize, " Perf Params-socket send buf size:", U, SDBG_VALUE),
    SDBG_ROW(7, MapMdm_Query, sockRcvBufSize, " socket recv buf size:", U, SDBG_VALUE),
    SDBG_ROW(7, MapMdm_Query, sockQuickAckMode, " socket quick ack mode:", U, SDBG_VALUE),
    SDBG_ROW(8, MapMdm_Query, conMaxConIdleMillis, " Perf Params-connection max idle millis:", U,
             SDBG_VALUE),
    SDBG_ROW(8, MapMdm_Query, conKaFreqMillis, " KA polls frequency in millis:", U, SDBG_VALUE),
    SDBG_ROW(8, MapMdm_Query, conMilliToReconnect, " retry connect millis:", U, SDBG_VALUE),
    SDBG_ROW(8, MapMdm_Query, conConnectTimeoutMillis, " connect TO in millis:", U, SDBG_VALUE),
    SDBG_ROW(9, MapMdm_Query, chanMaxMBInflight, " Perf Params-max MB in-flight per TGT:", U,
             SDBG_VALUE),
    SDBG_ROW(9, MapMdm_Query, chanMaxReqInflight, " max requests in-flight per TGT:", U,
             SDBG_VALUE),
    SDBG_ROW(9, MapMdm_Query, chanReqTooLongMillis, " long request millis thresh:", U, SDBG_VALUE),
    SDBG_ROW(9, MapMdm_Query, tgtMaxConPerIP, " #sockets per TGT:", U, SDBG_VALUE),
    SDBG_ROW(10, MapMdm_Query, chanFlowCtrlMaxMBInflight,
             " Perf Params-I/O Flow Control-Default in-flight MBs limit per VG:", U, SDBG_VALUE),
    SDBG_ROW(10, MapMdm_Query, chanFlowCtrlMaxReqInflight,
             " Default in-flight requests limit per VG:", U, SDBG_VALUE),
    SDBG_ROW(10, MapMdm_Query, chanFlowCtrlHistoryWeight, " History weight:", U, SDBG_VALUE),
    SDBG_ROW(11, MapMdm_Query, chanFlowCtrlMaxTotalMBInflight,
             " Perf Params-I/O Flow Control-Default in-flight MBs in total limit:", U, SDBG_VALUE),
    SDBG_ROW(11, MapMdm_Query, chanFlowCtrlMaxTotalReqInflight,
             " Default in-flight requests in total limit:", U, SDBG_VALUE),
    SDBG_ROW(12, MapMdm_Query, volIoRetries, " Perf Params-#retries per IO:", U, SDBG_VALUE),
    SDBG_ROW(12, MapMdm_Query, volFastEagerZeroEnabled, " fast eager zero support enabled:", U,
             SDBG_VALUE),
    SDBG_ROW(12, MapMdm_Query, mdmMilliBetweenVolNotif, " volume notifications TO millis:", U,
             SDBG_VALUE),
    SDBG_ROW(13, MapMdm_Query, rpcTimeOutMillis, " Perf Params-RPC TO in millis:", U, SDBG_VALUE),
    SDBG_ROW(13, MapMdm_Query, blockUnmapMaxBlocks, " max unmap MB:", U, SDBG_VALUE),
    SDBG_ROW(13, MapMdm_Query, iniMaxNumThreads, " #INI threads:", U, SDBG_VALUE),
    SDBG_ROW(13, MapMdm_Query, conMaxNumThreads, " #NET threads:", U, SDBG_VALUE),
    SDBG_ROW(14, MapMdm_Query, blkDevEnableHostScsi, " Perf Params-host SCSI enabled:", U,
             SDBG_VALUE),
    SDBG_ROW(14, MapMdm_Query, volLongIoMillis, " long IO millis:", U, SDBG_VALUE),
    SDBG_ROW(14, MapMdm_Query, volLogErrors, " log IO errors:", U, SDBG_VALUE),
    SDBG_ROW(14, MapMdm_Query, volMillisOnFault, " #sleep millis on IO fault:", U, SDBG_VALUE),
    SDBG_ROW(15, MapMdm_Query, volMillisOnSnapFault,
             " Perf Params-#sleep millis on snapshot IO fault:", U, SDBG_VALUE),
    SDBG_ROW(15, MapMdm_Query, volIoSnapRetries, " #snapshot IO retries:", U, SDBG_VALUE),
    SDBG_ROW(16, MapMdm_Query, secBetweenConnUpdate,
             " Perf Params-min seconds between connectivity updates:", U, SDBG_VALUE),
    SDBG_ROW(16, MapMdm_Query, maxSecBetweenConnUpdate,
             " max seconds between connectivity updates:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kMapMdmUnread[] = {
    SDBG_UNREAD(MapMdm_Query, reserved1),
    SDBG_UNREAD(MapMdm_Query, reserved2),
};

constexpr Sdbg_ViewRow kMapMdmSdcRows[] = {
    SDBG_ROW(1, MapMdmSdc_Query, iniGUID, "GUID:", Guid, SDBG_VALUE),
    SDBG_ROW(1, MapMdmSdc_Query, numMdms, " Mdm Num:", U, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kMapMdmSdcUnread[] = {SDBG_UNREAD(MapMdmSdc_Query, reserved)};

// The header line of every map object: its label in the colours in force.
#define MAP_OBJ_ROW(line, Wire)                                                                    \
    SDBG_NESTED_ROW(line, Wire, mapObj, "map-obj ", SdbgClient_NestedHook, kMapObjRecord)

constexpr Sdbg_ViewRow kMapMHRows[] = {
    MAP_OBJ_ROW(1, MapMH_Query),
    SDBG_ROW(2, MapMH_Query, generationNum, " gen-num:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MapMH_Query, emptyRows, " #empty-rows:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kMapMHUnread[] = {SDBG_UNREAD(MapMH_Query, reserved)};

// The block device takes two lines; every later row starts the line after.
constexpr Sdbg_ViewRow kMapVolRows[] = {
    SDBG_NESTED_ROW(1, MapVol_Query, blkDev, "blk-dev ", SdbgClient_NestedHook, kBlkDevRecord),
    MAP_OBJ_ROW(2, MapVol_Query),
    SDBG_ROW(3, MapVol_Query, volState, "State:", Str, SDBG_VALUE),
    SDBG_ROW(3, MapVol_Query, generationNum, " gen-num:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MapVol_Query, resetGenNum, " reset-gen-num:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, MapVol_Query, requestedCapacityMB, " volume-size-MB:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, MapVol_Query, bVolInfoNeeded, " mdm-info-needed:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, MapVol_Query, bStopCreate, " stop-create:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, MapVol_Query, bNotifyOsOnSizeChange, " Os-change-size-pending:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MapVol_Query, lastTgtFault, " last-fault:", Str, SDBG_VALUE),
    SDBG_ROW(4, MapVol_Query, lastBadRC, " last-bad-status:", Str, SDBG_VALUE),
    SDBG_ROW(4, MapVol_Query, lastFaultedComb, " last-faulted-comb:", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, MapVol_Query, numTgtFaults, " #faults:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(5, MapVol_Query, lastFaultedCombGen, " last-faulted-comb-gen:", Hex0x,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(5, MapVol_Query, lastFaultedGenNum, " last-faulted-gen-num:", Hex0x,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(6, MapVol_Query, lastFaultedTgt, " last-faulted-tgt:", NetAddr, SDBG_VALUE),
    SDBG_ROW(6, MapVol_Query, lastErrTgt, " last-err-tgt:", NetAddr, SDBG_VALUE),
    SDBG_ROW(6, MapVol_Query, numTgtErrs, " #errors:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(7, MapVol_Query, scsiReserveType, "scsi-reserve-type:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(7, MapVol_Query, reserverKey, " scsi3-reserve-key:", Hex0x, SDBG_VALUE),
    SDBG_ROW(7, MapVol_Query, sdcRegKey, " sdc-reg-key:", Hex0x, SDBG_VALUE),
    SDBG_ROW(7, MapVol_Query, bChecksumActive, " chksm-active:", D, SDBG_VALUE),
    SDBG_ROW(7, MapVol_Query, checksumGranularityLB, " chksm-granularity-lb:", D, SDBG_VALUE),
    SDBG_ROW(8, MapVol_Query, bDirectBufferMapping, "direct-buffer-mapping:", D, SDBG_VALUE),
    SDBG_ROW(8, MapVol_Query, bUseReplVTree, " replication-vtree:", D, SDBG_VALUE),
    SDBG_ROW(8, MapVol_Query, trimGranularityLB, " trim-granularity-lb:", D, SDBG_VALUE),
    SDBG_ROW(9, MapVol_Query, iopsQuery, "iops-limiter:", SlotThrottle, SDBG_VALUE),
    SDBG_ROW(10, MapVol_Query, bandwidthQuery, "bandwidth-limiter:", SlotThrottle, SDBG_VALUE),
    SDBG_ROW(11, MapVol_Query, readIoStat, "READ-IO Stat:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(12, MapVol_Query, writeIoStat, "WRITE-IO Stat:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(13, MapVol_Query, trimIoStat, "TRIM-IO Stat:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(14, MapVol_Query, readIoLatencyStat, "READ-IO LatencyStat:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(15, MapVol_Query, writeIoLatencyStat, "WRITE-IO LatencyStat:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(16, MapVol_Query, trimIoLatencyStat, "TRIM-IO LatencyStat:", AvgEvent, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kMapVolUnread[] = {
    SDBG_UNREAD(MapVol_Query, reserved1),
    SDBG_UNREAD(MapVol_Query, reserved2),
    SDBG_UNREAD(MapVol_Query, reserved3),
};

constexpr Sdbg_ViewRow kMapTgtRows[] = {
    MAP_OBJ_ROW(1, MapTgt_Query),
    SDBG_ROW(2, MapTgt_Query, addr, " ip:", NetAddr, SDBG_VALUE),
    SDBG_ROW(2, MapTgt_Query, totalLongIos, " #long-IO:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapTgt_Query, lastLongIoComb, " #last-long-IO-comb:", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapTgt_Query, lastLongIoSizeLb, " #last-long-IO-size-lb:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapTgt_Query, refCnt, " refCnt:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kMapTgtUnread[] = {SDBG_UNREAD(MapTgt_Query, reserved)};

// The map-object header is printed first although it ends the record.
constexpr Sdbg_ViewRow kMapScsiIniRows[] = {
    MAP_OBJ_ROW(1, MapScsiIni_Query),
    SDBG_ROW(2, MapScsiIni_Query, iqn, " iqn:", Str, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kMapVTreeRows[] = {
    MAP_OBJ_ROW(1, MapVTree_Query),
    SDBG_ROW(2, MapVTree_Query, blockNum, " #blocks:", U, SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kMapVTreeUnread[] = {SDBG_UNREAD(MapVTree_Query, reserved)};

constexpr Sdbg_ViewRow kMapITLRows[] = {
    MAP_OBJ_ROW(1, MapITL_Query),
    SDBG_ROW(2, MapITL_Query, volID, "volID:", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapITL_Query, mappedLun, " lun:", LLU, SDBG_VALUE),
    SDBG_ROW(2, MapITL_Query, scsiIniID, " scsiIniID:", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapITL_Query, genNum, " genNum:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, MapITL_Query, resetGenNum, " reset-gen-num:", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, MapITL_Query, linkCount, " #links:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kMapITLUnread[] = {SDBG_UNREAD(MapITL_Query, reserved)};

constexpr Sdbg_ViewRow kMapVolGroupRows[] = {
    MAP_OBJ_ROW(1, MapVolGroup_Query),
};

#undef MAP_OBJ_ROW

} // namespace

SDBG_DEFINE_VIEW_GAPS(kMapMdmView, MapMdm_Query, kMapMdmRows, kMapMdmUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapMdmSdcView, MapMdmSdc_Query, kMapMdmSdcRows, kMapMdmSdcUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapMHView, MapMH_Query, kMapMHRows, kMapMHUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapVolView, MapVol_Query, kMapVolRows, kMapVolUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapTgtView, MapTgt_Query, kMapTgtRows, kMapTgtUnread, 0);
SDBG_DEFINE_VIEW(kMapScsiIniView, MapScsiIni_Query, kMapScsiIniRows, 0);
SDBG_DEFINE_VIEW_GAPS(kMapVTreeView, MapVTree_Query, kMapVTreeRows, kMapVTreeUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapITLView, MapITL_Query, kMapITLRows, kMapITLUnread, 0);
SDBG_DEFINE_VIEW(kMapVolGroupView, MapVolGroup_Query, kMapVolGroupRows, 0);
