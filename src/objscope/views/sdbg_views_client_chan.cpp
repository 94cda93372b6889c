// Views of the storage client's channels towards the data servers: the
// channel layer, each channel with its throttler and volume groups, and
// each connection with its socket and last failed RPC.

#include "sdbg_views_client.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kNetChanLayerRows[] = {
    SDBG_NESTED_ROW(1, NetChanLayer_Query, conLayer, "Con-Layer", SdbgClient_NestedHook,
                    kNetConLayerRecord),
    SDBG_NESTED_ROW(2, NetChanLayer_Query, dbg, "DBG", SdbgClient_NestedHook, kNetChanDbgRecord),
    SDBG_ROW(3, NetChanLayer_Query, disconnectWaiters, "#wait-to-disconnect:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChanLayer_Query, connectWaiters, " #wait-to-connect:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChanLayer_Query, beingConnected, " #being-connected:", U, SDBG_NONZERO_ALERT),
};

// A count of a volume group: ALERT on ALERT when not 0 (where the row
// alerts at all), else VALUE on VALUE; its label HIGHLIGHT on LABEL.
void PrintVolGroupCount(Sdbg_LogicalView &view, const char *pLabel, uint32_t value,
                        bool bAlertWhenSet) {
    int32_t colour = bAlertWhenSet && value != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE;
    view.PrintStr(pLabel, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintUInt(value, colour, colour);
}

void PrintVolGroup(Sdbg_LogicalView &view, const NetChanVolGroup &group, bool bIOs, bool bMBs) {
    view.PrintStr("volume-group-id: ", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    view.PrintHex64(group.volGroupId, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE, 1);
    PrintVolGroupCount(view, " #reqs-waiting-for-cond: ", group.waitersNum, true);
    if (bIOs) {
        view.NewLine();
        PrintVolGroupCount(view, " inflight-req-limit: ", group.inflightReqLimit, false);
        PrintVolGroupCount(view, " #inflight-req: ", group.inflightReqs, false);
        PrintVolGroupCount(view, " #pending-req: ", group.pendingReqs, true);
        PrintVolGroupCount(view, " IO-req-ask: ", group.reqAsk, false);
    }
    if (bMBs) {
        view.NewLine();
        PrintVolGroupCount(view, " inflight-MB-limit: ", group.inflightMBLimit, false);
        PrintVolGroupCount(view, " #inflight-MB: ", group.inflightMBs, false);
        PrintVolGroupCount(view, " #pending-MB: ", group.pendingMBs, true);
        PrintVolGroupCount(view, " MB-ask: ", group.mbAsk, false);
    }
    view.NewLine();
}

// The throttler's volume groups, each on one to three lines; the count
// comes from the record and is held to the 64 entries it has room for.
void PrintVolGroups(Sdbg_LogicalView &view, const NetChanThrottler_Query &throttler) {
    uint32_t count = throttler.volGroupsCurrNum < NET_CHAN_VOL_GROUPS ? throttler.volGroupsCurrNum
                                                                      : NET_CHAN_VOL_GROUPS;
    for (uint32_t i = 0; i < count; ++i) {
        PrintVolGroup(view, throttler.volGroups[i], throttler.bFlowCtrlIOsEnabled != 0,
                      throttler.bFlowCtrlMBsEnabled != 0);
    }
}

// Text: the throttler's three lines, a line break and the volume groups.
// XML: the throttler's wrapper, then the same lines inside "<volGroups>".
void ThrottlerHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    const uint8_t *pRecord = pWire + row.offset;
    NetChanThrottler_Query throttler;
    std::memcpy(&throttler, pRecord, sizeof(throttler));
    SdbgClient_PrintNested(view, *row.pNested, pRecord, bXml);
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, "volGroups");
    } else {
        view.NewLine();
    }
    PrintVolGroups(view, throttler);
    if (bXml) {
        Sdbg_PrintCloseTag(view, "volGroups");
    }
}

constexpr Sdbg_ViewRow kNetChanRows[] = {
    SDBG_ROW(1, NetChan_Query, firstIP, "IP:", NetAddr, SDBG_VALUE),
    SDBG_ROW(1, NetChan_Query, channelID, " channelID:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, maxPortalBytes, "#max-portal-bytes:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, minPortalBytes, " #min-portal-bytes:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, activePortals, " #Active-portals:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, okPortals, " #OK-portals:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, deadPortals, " #Dead-portals:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, disconnectingPortals, " #disconnecting-portals:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetChan_Query, connectingPortals, " #connecting-portals:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChan_Query, bChannelEstablishRequired, " chan-establish-required:", D,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChan_Query, numChanEstablishFails, " #chan-establish-fails:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(3, NetChan_Query, numChanEstablishWaitIOs, " #chan-establish-wait-reqs:", U,
             SDBG_NONZERO_ALERT),
    SDBG_NESTED_ROW(4, NetChan_Query, throttler, "I/O Throttler:", ThrottlerHook,
                    kNetChanThrottlerRecord),
};
constexpr Sdbg_ByteRange kNetChanUnread[] = {
    SDBG_UNREAD(NetChan_Query, reserved1),
    SDBG_UNREAD(NetChan_Query, reserved2),
    SDBG_UNREAD(NetChan_Query, reserved3),
};

// The socket takes four lines and the last failed RPC one; each later row
// starts the line after them.
constexpr Sdbg_ViewRow kNetConnectionRows[] = {
    SDBG_NESTED_ROW(1, NetCon_Query, sock, "Sock", SdbgClient_NestedHook, kNetSockRecord),
    SDBG_NESTED_ROW(2, NetCon_Query, lastFailedRpc, "lastFailedRPC:", SdbgClient_NestedHook,
                    kNetRpcRecord),
    SDBG_ROW(3, NetCon_Query, rpcLatency, "rpc-latencies:", SampleStats, SDBG_VALUE),
    SDBG_ROW(4, NetCon_Query, iniID, " iniID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, inflightSends, " inflight-sends:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, inflightBytes, " inflight-bytes:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, bConnected, " connected:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, bBLockedForSend, " blockedForSend:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, bDie, " dying:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, rcvItr, " KA-RCV-ITR:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, sendItr, " KA-SND-ITR:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, NetCon_Query, maxRcvKaItr, " RCV-KA:", U, SDBG_VALUE),
    SDBG_ROW(4, NetCon_Query, maxSendKaItr, " SEND-KA:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kNetConnectionUnread[] = {
    SDBG_UNREAD(NetCon_Query, reserved1),
    SDBG_UNREAD(NetCon_Query, reserved2),
};

} // namespace

SDBG_DEFINE_VIEW(kNetChanLayerView, NetChanLayer_Query, kNetChanLayerRows, 0);
SDBG_DEFINE_VIEW_GAPS(kNetChanView, NetChan_Query, kNetChanRows, kNetChanUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kNetConnectionView, NetCon_Query, kNetConnectionRows, kNetConnectionUnread,
                      0);
