// Records the storage client's query structures nest: sockets, the last
// failed RPC, the channel layer's counters, the channel throttler, the
// map-object header and the block device; and their one printer.

#include "sdbg_views_client.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kNetSocketQueryRows[] = {
    SDBG_ROW(1, NetSocketQuery, socket, " Socket:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(1, NetSocketQuery, peerAddr, " Peer Addr:", NetAddr, SDBG_VALUE),
    SDBG_ROW(1, NetSocketQuery, localPort, " Local Port:", D, SDBG_VALUE),
    SDBG_ROW(1, NetSocketQuery, state, " state:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(1, NetSocketQuery, noDelay, " No Delay:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(1, NetSocketQuery, quickAck, " quick ack:", U, SDBG_VALUE),
    SDBG_ROW(1, NetSocketQuery, recvBuffer, " Recv buffer:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(1, NetSocketQuery, sendBuffer, " Send buffer:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(2, NetSocketQuery, sendCalls, " #sends:", U, SDBG_VALUE),
    SDBG_ROW(2, NetSocketQuery, rcvCalls, " #recvs:", U, SDBG_VALUE),
    SDBG_ROW(2, NetSocketQuery, failedSends, " #failed-sends:", U, SDBG_VALUE),
    SDBG_ROW(2, NetSocketQuery, failedRcvs, " #failed-recvs:", U, SDBG_VALUE),
    SDBG_ROW(2, NetSocketQuery, brokenRcvs, " #broken-recvs:", U, SDBG_VALUE),
    SDBG_ROW(2, NetSocketQuery, brokenSends, " #broken-sends:", U, SDBG_VALUE),
    SDBG_ROW(3, NetSocketQuery, sendBytes, " send bytes:", SampleStats, SDBG_VALUE),
    SDBG_ROW(4, NetSocketQuery, rcvBytes, " receive bytes:", SampleStats, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kNetSocketQueryUnread[] = {
    SDBG_UNREAD(NetSocketQuery, reserved1),
    SDBG_UNREAD(NetSocketQuery, reserved2),
};

constexpr Sdbg_ViewRow kNetSockRows[] = {
    SDBG_ROW(1, NetSock_Query, peerAddr, "IP:", NetAddr, SDBG_VALUE),
    SDBG_ROW(1, NetSock_Query, rcvReady, " rcvReady:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, sendReady, " sendReady:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, stateReady, " stateReady:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, sendWaiters, " sendWaiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, bReceiver, " rcvPending:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, bSendAbort, " sendAbort:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, bRcvAbort, " RcvAbort:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetSock_Query, activeSenderPtr, " sender_ptr:", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, sockBrokenSnds, "#broken-sends:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, sockBrokenRcvs, " #broken-recvs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, sendBrokenVecs, " #broken-sends-vec:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, rcvBrokenVecs, " #broken-recv-vec:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, sockMaxSend, " sock-max-send-buf:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetSock_Query, sockMaxRcv, " sock-max-recv-buf:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(3, NetSock_Query, sockSends, "non-block-send-latency:", SampleStats, SDBG_VALUE),
    SDBG_ROW(4, NetSock_Query, sockRecvs, "non-block-recv-latency:", SampleStats, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kNetSockUnread[] = {
    SDBG_UNREAD(NetSock_Query, reserved1),
    SDBG_UNREAD(NetSock_Query, reserved2),
};

constexpr Sdbg_ViewRow kNetRpcRows[] = {
    SDBG_ROW(1, NetRPC_Query, rpcID, " rpcID:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetRPC_Query, bSendDone, " send_done:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bRecvStarted, " rcv_started:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bRecvDone, " rcv_done:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bSendErr, " send_err:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bRecvErr, " recv_err:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bTimeout, " timeout:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bTimeoutAborted, " timeout-aborted:", D, SDBG_VALUE),
    SDBG_ROW(1, NetRPC_Query, bFailedAbortTimeout, " failed-timeout-aborted:", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kNetRpcUnread[] = {
    SDBG_UNREAD(NetRPC_Query, reserved1),
    SDBG_UNREAD(NetRPC_Query, reserved2),
};

constexpr Sdbg_ViewRow kNetConLayerRows[] = {
    SDBG_ROW(1, NetConLayer_Query, kaAllocFailed, " #failed-KA-allocations:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetConLayer_Query, kaSent, " #KA:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetConLayer_Query, numRegPaths, " #reg-paths:", U, SDBG_ZERO_ALERT),
};

constexpr Sdbg_ViewRow kNetChanDbgRows[] = {
    SDBG_ROW(1, NetChanLayer_Dbg, failedMallocs, " #failed-mallocs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetChanLayer_Dbg, disconnectPolls, " #disconnect-polls:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetChanLayer_Dbg, totalConnects, " #connects:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetChanLayer_Dbg, totalDisconnects, " #disconnects:", U, SDBG_NONZERO_ALERT),
};

// The volume-group list the record holds is printed after the record by
// the channel's own view.
constexpr Sdbg_ViewRow kNetChanThrottlerRows[] = {
    SDBG_ROW(1, NetChanThrottler_Query, volGroupsCurrNum, " #volume-groups:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetChanThrottler_Query, throttledReqs, " #throttled-reqs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, NetChanThrottler_Query, waitersNum, " #reqs-waiting-for-cond:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChanThrottler_Query, bFlowCtrlIOsEnabled, " flow-control-IOs-enabled:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetChanThrottler_Query, inflightIOsLimit, " inflight-IO-limit:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetChanThrottler_Query, inflightIOsNum, " #inflight-IO:", U, SDBG_VALUE),
    SDBG_ROW(2, NetChanThrottler_Query, inflightIOsAvailUnauthorized, " #avail-unauthorized-IO:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, NetChanThrottler_Query, bFlowCtrlMBsEnabled, " flow-control-MBs-enabled:", D,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, NetChanThrottler_Query, inflightMBsLimit, " inflight-MB-limit:", U,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, NetChanThrottler_Query, inflightMBsNum, " inflight-MB:", U, SDBG_VALUE),
    SDBG_ROW(3, NetChanThrottler_Query, throttledMBs, " throttled-MB:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChanThrottler_Query, inflightMBsAvailUnauthorized, " avail-unauthorized-MB:", U,
             SDBG_ZERO_ALERT),
};
constexpr Sdbg_ByteRange kNetChanThrottlerUnread[] = {
    SDBG_UNREAD(NetChanThrottler_Query, reserved),
};

constexpr Sdbg_ViewRow kMapObjRows[] = {
    SDBG_ROW(1, MapObj_Query, objID, "ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapObj_Query, refCnt, " Ref:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MapObj_Query, lastScanID, " last-scan-ID:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, MapObj_Query, bZombie, " Zombie:", D, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kMapObjUnread[] = {SDBG_UNREAD(MapObj_Query, reserved)};

constexpr Sdbg_ViewRow kBlkDevRows[] = {
    SDBG_ROW(1, BlkDev_Query, devName, " Device name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, BlkDev_Query, majorNum, " Major:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, BlkDev_Query, minorNum, " Minor:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, BlkDev_Query, bDying, " Removing:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, BlkDev_Query, devUsers, " Device users:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, BlkDev_Query, inflightReads, " Inflight reads:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, BlkDev_Query, inflightWrites, " Inflight writes:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, BlkDev_Query, splits, " Splits:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, BlkDev_Query, splitFailAlloc, " Split-fail-alloc:", U, SDBG_NONZERO_ALERT),
};

// A field of a nested record in XML: the records that break their XML
// form onto lines of their own get the XML flag, the rest print as in text.
void PrintNestedXmlValue(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pRecord) {
    if (row.format == Sdbg_Format::NetAddr) {
        NetAddress address;
        std::memcpy(&address, pRecord + row.offset, sizeof(address));
        view.PrintNetAddress(address, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP, 1);
    } else if (row.format == Sdbg_Format::SampleStats) {
        Sdbg_SampleStatsRecord stats;
        std::memcpy(&stats, pRecord + row.offset, sizeof(stats));
        view.PrintSampleStats(stats, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP, 1);
    } else {
        Sdbg_PrintValue(view, row, pRecord);
    }
}

void PrintWrapperTag(Sdbg_LogicalView &view, const char *pOpen, const char *pTag) {
    view.PrintStr(pOpen, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    view.PrintStr(pTag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    view.PrintStr(">", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
}

} // namespace

void SdbgClient_PrintNested(Sdbg_LogicalView &view, const Sdbg_ViewTable &record,
                            const uint8_t *pRecord, bool bXml) {
    if (!bXml) {
        Sdbg_RenderText(view, record, pRecord);
        return;
    }
    view.NewLine();
    view.PutTabs(2);
    PrintWrapperTag(view, "<", record.pWireName);
    for (uint32_t i = 0; i < record.rowCount; ++i) {
        const Sdbg_ViewRow &row = record.pRows[i];
        Sdbg_PrintOpenTag(view, 3, row.pXml);
        PrintNestedXmlValue(view, row, pRecord);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
    view.NewLine();
    view.PutTabs(2);
    PrintWrapperTag(view, "</", record.pWireName);
}

void SdbgClient_NestedHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml) {
    SdbgClient_PrintNested(view, *row.pNested, pWire + row.offset, bXml);
}

SDBG_DEFINE_VIEW_GAPS(kNetSocketQueryRecord, NetSocketQuery, kNetSocketQueryRows,
                      kNetSocketQueryUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kNetSockRecord, NetSock_Query, kNetSockRows, kNetSockUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kNetRpcRecord, NetRPC_Query, kNetRpcRows, kNetRpcUnread, 0);
SDBG_DEFINE_VIEW(kNetConLayerRecord, NetConLayer_Query, kNetConLayerRows, 0);
SDBG_DEFINE_VIEW(kNetChanDbgRecord, NetChanLayer_Dbg, kNetChanDbgRows, 0);
SDBG_DEFINE_VIEW_GAPS(kNetChanThrottlerRecord, NetChanThrottler_Query, kNetChanThrottlerRows,
                      kNetChanThrottlerUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kMapObjRecord, MapObj_Query, kMapObjRows, kMapObjUnread, 0);
SDBG_DEFINE_VIEW(kBlkDevRecord, BlkDev_Query, kBlkDevRows, 0);
