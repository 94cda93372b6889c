// Views of the network layer: performance-test summaries, the poller, the
// path manager and its paths, connections and their manager, receive and
// work groups, and the client's RPC layer.

#include "sdbg_views_client.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

// The check-point lines of a performance test, all in VALUE: one line per
// interval up to the first whose sum is 0, at most the 16 the record holds.
void PrintTimeArray(Sdbg_LogicalView &view, const _NetPerfTestSum &sum) {
    if (sum.numOfSamples == 0) {
        return;
    }
    const NetPerfTimeArray &times = sum.timeArray;
    const int32_t fg = SDBG_COLOR_VALUE;
    const int32_t bg = SDBG_COLOR_KEEP;
    for (uint32_t i = 0; i < NET_PERF_CHECK_POINTS && times.sum[i] != 0; ++i) {
        // An interval with a sum but no samples has no average: 0.
        uint64_t avg = times.numSamples[i] != 0 ? times.sum[i] / times.numSamples[i] : 0;
        view.PrintStr("Check Point ", fg, bg);
        view.PrintUInt(i, fg, bg);
        view.PrintStr(" - ", fg, bg);
        view.PrintUInt(i + 1, fg, bg);
        view.PrintStr("\t: ", fg, bg);
        view.PrintStr(" Avg: ", fg, bg);
        view.PrintUInt64(avg, fg, bg);
        view.PrintStr(" Samples: ", fg, bg);
        view.PrintUInt(times.numSamples[i], fg, bg);
        view.PrintStr(" Max: ", fg, bg);
        view.PrintUInt64(times.max[i], fg, bg);
        view.PrintStr(" Last total: ", fg, bg);
        view.PrintUInt64(times.lastTotal[i], fg, bg);
        view.PrintStr(" Last: ", fg, bg);
        view.PrintUInt64(times.last[i], fg, bg);
        view.NewLine();
    }
}

// XML: the same lines inside "<timeArray>", the first on the tag's line.
void TimeArrayHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    _NetPerfTestSum sum;
    std::memcpy(&sum, pWire, sizeof(sum));
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    PrintTimeArray(view, sum);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kNetPerfRows[] = {
    SDBG_ROW(1, _NetPerfTestSum, testname, "Name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetPerfTestSum, numOfSamples, " Samples:", U, SDBG_HIGHLIGHT),
    SDBG_HOOK_ROW(2, _NetPerfTestSum, timeArray, nullptr, TimeArrayHook),
};
constexpr Sdbg_ByteRange kNetPerfUnread[] = {SDBG_UNREAD(_NetPerfTestSum, reserved)};

constexpr Sdbg_ViewRow kNetPollRows[] = {
    SDBG_ROW(1, _NetPollQuery, numOfGoodWakeup, " Good polls:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetPollQuery, numOfFdSet, " Fd set:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetPollQuery, numOfSockets, " Socket listed in poll:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _NetPollQuery, numOfSocketsInArray, " Socket in poll array:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _NetPollQuery, numOfDummyWakeup, " Dummy polls:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _NetPollQuery, numOfWakeup, " Wakeups:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, _NetPollQuery, numOfDelay, " Poll delays:", U, SDBG_HIGHLIGHT),
};

constexpr Sdbg_ViewRow kNetPathMgrRows[] = {
    SDBG_ROW(1, NetPathMgr_Query, numRegPaths, "#Reg-Paths:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, NetPathMgr_Query, kaSent, " #KA-sent:", U, SDBG_VALUE),
    SDBG_ROW(1, NetPathMgr_Query, memWaiters, " #memory-waiters:", U, SDBG_NONZERO_ALERT),
};

// The socket's four lines come first; the path's own fields take the
// line after them, and the view ends with a line break.
constexpr Sdbg_ViewRow kNetPathRows[] = {
    SDBG_NESTED_ROW(1, NetPath_Query, socketQuery, " socket", SdbgClient_NestedHook,
                    kNetSocketQueryRecord),
    SDBG_ROW(2, NetPath_Query, ownerType, " ownerType:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, NetPath_Query, bConnected, " Connected:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(2, NetPath_Query, bDie, " Dying:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetPath_Query, kaSendItr, " KA-Send:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetPath_Query, kaRcvItr, " KA-Rcv:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, NetPath_Query, remoteTimeStamp, " timeStamp:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, NetPath_Query, remoteMagicNumber, " magicNumber:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(2, NetPath_Query, remoteVersion, " version:", U, SDBG_HIGHLIGHT),
};

// Peer host names: the first n of the eight slots, n from the record but
// never past the slots it holds.
void PeerHostNamesHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                       bool bXml) {
    uint32_t count;
    std::memcpy(&count, pWire + offsetof(_NetConQuery, numPeerHostNames), sizeof(count));
    if (count > NET_CON_HOST_NAMES) {
        count = NET_CON_HOST_NAMES;
    }
    const char *pNames = reinterpret_cast<const char *>(pWire + row.offset);
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    for (uint32_t i = 0; i < count; ++i) {
        const char *pName = pNames + i * NET_CON_HOST_NAME_SIZE;
        if (bXml) {
            Sdbg_PrintOpenTag(view, 3, "peerHostName");
        }
        Sdbg_PrintText(view, pName, NET_CON_HOST_NAME_SIZE, SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
        if (bXml) {
            Sdbg_PrintCloseTag(view, "peerHostName");
        } else {
            view.PrintStr("   ", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
        }
    }
    if (bXml) {
        view.NewLine();
        view.PutTabs(2);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

struct OwnerWord {
    uint32_t code;
    const char *pWord;
};
constexpr OwnerWord kOwnerWords[] = {
    {0x1000, " Tgt"}, {0x2000, " Ini"}, {0x3000, " Mdm"},     {0x4000, " Sim"},
    {0x5000, " Cli"}, {0x6000, " Cls"}, {0x8000, " Mdm sec"},
};

const char *OwnerTypeWord(uint32_t code) {
    for (const OwnerWord &word : kOwnerWords) {
        if (word.code == code) {
            return word.pWord;
        }
    }
    return " Error";
}

void OwnerTypeHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    uint32_t code;
    std::memcpy(&code, pWire + row.offset, sizeof(code));
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    view.PrintStr(OwnerTypeWord(code), SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_LABEL);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kNetConRows[] = {
    SDBG_ROW(1, _NetConQuery, conId, " Con Id:", Hex0x, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetConQuery, conType, " Con Type:", U, SDBG_HIGHLIGHT),
    SDBG_COUNT_ROW(_NetConQuery, numPeerHostNames),
    SDBG_LABELLED_HOOK_ROW(2, _NetConQuery, peerHostNames, " Ip addr :", PeerHostNamesHook),
    SDBG_LABELLED_HOOK_ROW(3, _NetConQuery, ownerType, " Owner Type:", OwnerTypeHook),
    SDBG_ROW(3, _NetConQuery, conState, " State:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(3, _NetConQuery, pathNum, " #paths:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(4, _NetConQuery, sendSizeBwc, " Bwc-Send:", Bwc, SDBG_HIGHLIGHT),
    SDBG_ROW(4, _NetConQuery, sendLatencyBwc, " Latency:", LatencyBwc, SDBG_HIGHLIGHT),
    SDBG_ROW(5, _NetConQuery, sendWaiters, " sendWaiters:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(5, _NetConQuery, recvMsg, " Recv messages:", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(5, _NetConQuery, sendMsg, " Send messages:", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(5, _NetConQuery, usage, " Usage count:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(5, _NetConQuery, bRemInProgress, " Rem In Progress:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(6, _NetConQuery, chanSendNum, " ChannelSend:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(6, _NetConQuery, chanRecvNum, " channelRecv:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(6, _NetConQuery, remoteTimeStamp, " timeStamp:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(6, _NetConQuery, remoteMagicNumber, " magicNumber:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(6, _NetConQuery, remoteVersion, " version:", U, SDBG_HIGHLIGHT),
};
constexpr Sdbg_ByteRange kNetConUnread[] = {
    SDBG_UNREAD(_NetConQuery, reserved1),
    SDBG_UNREAD(_NetConQuery, reserved2),
    SDBG_UNREAD(_NetConQuery, reserved3),
    SDBG_UNREAD(_NetConQuery, reserved4),
};

constexpr Sdbg_ViewRow kNetConManagerRows[] = {
    SDBG_ROW(1, _NetConManagerQuery, numOfCons, " # connections:", U, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetConManagerQuery, numOfReq, " # requests:", U, SDBG_HIGHLIGHT),
};

constexpr Sdbg_ViewRow kNetRecvGroupRows[] = {
    SDBG_ROW(1, _NetRecvGroupQuery, bEnabled, " Enabled:", D, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetRecvGroupQuery, numOfReqPending, " Pend Requests:", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetRecvGroupQuery, numOfReqInProgress, " In Prog Requests:", LLU, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _NetRecvGroupQuery, numOfReqDroppedDisabled, " Dropped Requests:", LLU,
             SDBG_HIGHLIGHT),
};
constexpr Sdbg_ByteRange kNetRecvGroupUnread[] = {SDBG_UNREAD(_NetRecvGroupQuery, reserved)};

constexpr Sdbg_ViewRow kNetWorkGroupRows[] = {
    SDBG_ROW(1, _NetWorkGroupQuery, numUmts, "#Workers:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(1, _NetWorkGroupQuery, numActiveUmts, " #Active-Workers:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _NetWorkGroupQuery, maxActiveUmt, " #Most-loaded:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, _NetWorkGroupQuery, minActiveUmt, " #Least-loaded:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, _NetWorkGroupQuery, remoteScheds, " #remote-sched:", U, SDBG_VALUE),
    SDBG_ROW(2, _NetWorkGroupQuery, localScheds, " #local-sched:", U, SDBG_VALUE),
    SDBG_ROW(2, _NetWorkGroupQuery, priorityScheds, " #priority-scheds:", U, SDBG_VALUE),
    SDBG_ROW(2, _NetWorkGroupQuery, remoteMitWaiters, " #remote-mit-waiters:", U, SDBG_VALUE),
    SDBG_ROW(2, _NetWorkGroupQuery, localMitWaiters, " #local-mit-waiters:", U, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kNetRpcLayerRows[] = {
    SDBG_ROW(1, NetRPCLayer_Query, rpcTimeoutMillis, " RPC timeout (Millis):", U, SDBG_ZERO_ALERT),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kNetPerfView, _NetPerfTestSum, kNetPerfRows, kNetPerfUnread, 0);
SDBG_DEFINE_VIEW(kNetPollView, _NetPollQuery, kNetPollRows, 0);
SDBG_DEFINE_VIEW(kNetPathMgrView, NetPathMgr_Query, kNetPathMgrRows, 0);
SDBG_DEFINE_VIEW(kNetPathView, NetPath_Query, kNetPathRows, 1);
SDBG_DEFINE_VIEW_GAPS(kNetConView, _NetConQuery, kNetConRows, kNetConUnread, 0);
SDBG_DEFINE_VIEW(kNetConManagerView, _NetConManagerQuery, kNetConManagerRows, 0);
SDBG_DEFINE_VIEW_GAPS(kNetRecvGroupView, _NetRecvGroupQuery, kNetRecvGroupRows, kNetRecvGroupUnread,
                      0);
SDBG_DEFINE_VIEW(kNetWorkGroupView, _NetWorkGroupQuery, kNetWorkGroupRows, 0);
SDBG_DEFINE_VIEW(kNetRpcLayerView, NetRPCLayer_Query, kNetRpcLayerRows, 0);
