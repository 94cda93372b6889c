// The storage client's views: hand-written goldens of each shape (lists
// with counts, enum words, nested records, check-point lines, map-object
// headers), the colour rules that hang on a value, the bounds every list
// keeps whatever its count says, and the table properties of the nested
// records that the generic checks do not reach.

#include "sdbg_views_client.h"
#include "views_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using viewstest::Make;
using viewstest::MakeObject;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

std::string Joined(const Lines &lines) {
    std::string all;
    for (const std::string &line : lines) {
        all += line;
        all += '\n';
    }
    return all;
}

// Zero-sample statistics as the text view prints them after a label
// (whose colours its first label continues).
const std::string kZeroStatsText = " #samples:<1,0>0<4,4> max:<1,0>0.00<4,4> #overflows:<1,0>0"
                                   "<4,4> #discards:<1,0>0<4,4> total:<1,0>0<0,0> avg/stddev:"
                                   "<1,0>0.00<0,0>/<1,0>0.00";

TEST(ClientViews, PathManagerRulesInTextAndXml) {
    auto pMgr = Make<Sdbg_TNetPathMgr_Query>();
    pMgr->wire.kaSent = 3;
    pMgr->wire.memWaiters = 2;
    EXPECT_EQ(Render(*pMgr, false).lines,
              (Lines{"<4,4>#Reg-Paths:<2,0>0<4,4> #KA-sent:<1,0>3<4,4> #memory-waiters:<2,0>2"}));
    EXPECT_EQ(Render(*pMgr, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><numRegPaths><2,0>0<4,4></numRegPaths>",
                     "<0,0>\t\t<4,4><kaSent><1,0>3<4,4></kaSent>",
                     "<0,0>\t\t<4,4><memWaiters><2,0>2<4,4></memWaiters>"}));
}

// One field set in an otherwise zero record: its label is followed by the
// value in the rule's foreground.
struct RuleCase {
    uint32_t typeId;
    uint32_t offset;
    uint32_t size;
    uint64_t value;
    const char *pLabel;
    const char *pText;
    int fg;
};

const RuleCase kRuleCases[] = {
    {20, 0, 4, 0, "#Reg-Paths:", "0", 2},
    {20, 0, 4, 1, "#Reg-Paths:", "1", 1},
    {20, 8, 4, 0, " #memory-waiters:", "0", 1},
    {25, 0, 4, 0, "#Workers:", "0", 2},
    {25, 4, 4, 1, " #Active-Workers:", "1", 2},
    {25, 8, 4, 1, " #Most-loaded:", "1", 2},
    {25, 12, 4, 1, " #Least-loaded:", "1", 2},
    {25, 16, 4, 0, " #remote-sched:", "0", 1},
    {26, 0, 4, 0, " RPC timeout (Millis):", "0", 2},
    {26, 0, 4, 30000, " RPC timeout (Millis):", "30000", 1},
    {21, 200, 4, 0, " Connected:", "0", 2},
    {21, 204, 4, 1, " Dying:", "1", 2},
    {21, 208, 4, 1, " KA-Send:", "1", 2},
    {21, 212, 4, 1, " KA-Rcv:", "1", 2},
    {21, 28, 2, 65535, " Local Port:", "65535", 1},
    {21, 228, 4, 0x1000, " ownerType:", "4096", 5},
    {27, 64, 8, 0, " ini ID:", "0x0", 2},
    {27, 0, 8, 0, " TGT Gen:", "0", 2},
    {27, 32, 8, 0, " RPL Gen:", "0", 2},
    {27, 104, 4, 1, " DB readers(I/Os):", "1", 2},
    {27, 152, 4, 1, " #vol-mit-active:", "1", 2},
    {27, 184, 4, 0, " Perf Params-socket send buf size:", "0", 1},
    {27, 308, 4, 7, " #INI threads:", "7", 1},
    {28, 16, 4, 0, " Mdm Num:", "0", 2},
    {71, 16, 4, 1, " #failed-KA-allocations:", "1", 2},
    {71, 8, 4, 0, " #connects:", "0", 2},
    {72, 0, 4, 1, " channelID:", "1", 2},
    {72, 36, 1, 0, " #Dead-portals:", "0", 2},
    {72, 37, 1, 0, " #OK-portals:", "0", 2},
    {72, 40, 1, 1, " #Active-portals:", "1", 2},
    {72, 40, 1, 255, " #Active-portals:", "255", 2},
    {73, 368, 4, 0, " connected:", "0", 2},
    {73, 376, 4, 0, " blockedForSend:", "0", 2},
    {73, 376, 4, 1, " blockedForSend:", "1", 1},
    {73, 136, 8, 0xabc, " sender_ptr:", "0xabc", 2},
    {80, 0, 8, 0, "ID:", "0x0", 2},
    {80, 8, 4, 1, " Ref:", "1", 2},
    {80, 12, 4, 0, " last-scan-ID:", "0", 2},
    {80, 16, 4, 1, " Zombie:", "1", 2},
    {80, 24, 8, 0x10, " gen-num:", "0x10", 1},
    {85, 24, 8, 1, "volID:", "0x1", 2},
    {85, 32, 8, 1, " scsiIniID:", "0x1", 2},
    {85, 40, 8, 0, " genNum:", "0", 2},
    {85, 40, 8, 9, " genNum:", "9", 1},
    {81, 536, 2, 65535, " trim-granularity-lb:", "65535", 1},
    {81, 552, 1, 255, " chksm-granularity-lb:", "255", 1},
    {81, 384, 8, 3, " reset-gen-num:", "3", 2},
    {84, 24, 4, 0, " #blocks:", "0", 2},
    {82, 64, 4, 0, " refCnt:", "0", 1},
};

TEST(ClientViews, EachValueTakesTheColourItsRuleGives) {
    for (const RuleCase &c : kRuleCases) {
        auto pObj = MakeObject(c.typeId, [&](uint8_t *p, uint32_t n) {
            std::memset(p, 0, n);
            std::memcpy(p + c.offset, &c.value, c.size);
        });
        std::string text = Joined(Render(*pObj, false).lines);
        std::string expected =
            std::string("<4,4>") + c.pLabel + "<" + std::to_string(c.fg) + ",0>" + c.pText;
        size_t at = text.find(expected);
        ASSERT_NE(at, std::string::npos) << c.typeId << " " << c.pLabel << "\n" << text;
        char after = text[at + expected.size()];
        EXPECT_TRUE(after == '<' || after == '\n') << c.typeId << " " << c.pLabel;
    }
}

TEST(ClientViews, PerfSummaryWithoutSamplesPrintsItsHeaderAndAnEmptyTimeArray) {
    auto pPerf = Make<Sdbg_TNetPerfQuery>();
    std::strcpy(pPerf->wire.testname, "t1");
    pPerf->wire.timeArray.sum[0] = 10; // not shown: no samples
    Rendered text = Render(*pPerf, false);
    EXPECT_EQ(text.lines, (Lines{"<4,4>Name:<5,0>t1<4,4> Samples:<5,0>0"}));
    EXPECT_EQ(text.currentLine, 1u); // the line break before the check points
    EXPECT_EQ(Render(*pPerf, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><testname><5,0>t1<4,4></testname>",
                     "<0,0>\t\t<4,4><numOfSamples><5,0>0<4,4></numOfSamples>",
                     "<0,0>\t\t<4,4><timeArray></timeArray>"}));
}

TEST(ClientViews, PerfCheckPointsStopAtTheFirstZeroSumAndGuardTheAverage) {
    auto pPerf = Make<Sdbg_TNetPerfQuery>();
    _NetPerfTestSum &w = pPerf->wire;
    std::memcpy(w.testname, "0123456789abcdefXYZ", 16); // fills the field, no NUL
    w.numOfSamples = 5;
    NetPerfTimeArray &t = w.timeArray;
    t.sum[0] = 100;
    t.numSamples[0] = 4;
    t.max[0] = 9;
    t.lastTotal[0] = 50;
    t.last[0] = 7;
    t.sum[1] = 30; // a sum without samples: no average to take
    t.sum[3] = 99; // after the zero sum of interval 2: not shown
    t.numSamples[3] = 1;
    Rendered text = Render(*pPerf, false);
    const Lines expectedLines = {
        "<4,4>Name:<5,0>0123456789abcdef<4,4> Samples:<5,0>5",
        "<1,0>Check Point 0 - 1\t:  Avg: 25 Samples: 4 Max: 9 Last total: 50 Last: 7",
        "<1,0>Check Point 1 - 2\t:  Avg: 0 Samples: 0 Max: 0 Last total: 0 Last: 0",
    };
    EXPECT_EQ(text.lines, expectedLines);
    EXPECT_EQ(text.currentLine, 3u);
    Rendered xml = Render(*pPerf, true);
    ASSERT_EQ(xml.lines.size(), 6u);
    EXPECT_EQ(xml.lines[3], "<0,0>\t\t<4,4><timeArray>" + expectedLines[1]);
    EXPECT_EQ(xml.lines[4], expectedLines[2]);
    EXPECT_EQ(xml.lines[5], "<4,4></timeArray>");
}

TEST(ClientViews, PerfCheckPointsEndAtTheSixteenthInterval) {
    auto pPerf = Make<Sdbg_TNetPerfQuery>();
    pPerf->wire.numOfSamples = 1;
    for (uint32_t i = 0; i < NET_PERF_CHECK_POINTS; ++i) {
        pPerf->wire.timeArray.sum[i] = 2;
        pPerf->wire.timeArray.numSamples[i] = 1;
    }
    Rendered text = Render(*pPerf, false);
    ASSERT_EQ(text.lines.size(), 17u);
    EXPECT_EQ(text.lines[16], "<1,0>Check Point 15 - 16\t:  Avg: 2 Samples: 1 Max: 0 Last total: 0 "
                              "Last: 0");
}

TEST(ClientViews, PollerFieldsKeepTheirLineOrder) {
    auto pPoll = Make<Sdbg_TNetPollQuery>();
    _NetPollQuery &w = pPoll->wire;
    w.numOfDummyWakeup = 1;
    w.numOfGoodWakeup = 2;
    w.numOfFdSet = 3;
    w.numOfWakeup = 4;
    w.numOfDelay = 5;
    w.numOfSockets = 6;
    w.numOfSocketsInArray = 7;
    EXPECT_EQ(Render(*pPoll, false).lines,
              (Lines{"<4,4> Good polls:<5,0>2<4,4> Fd set:<5,0>3<4,4> Socket listed in poll:<5,0>6",
                     "<4,4> Socket in poll array:<5,0>7<4,4> Dummy polls:<5,0>1<4,4> Wakeups:"
                     "<5,0>4<4,4> Poll delays:<5,0>5"}));
}

void SetIPv4(NetAddress &address, uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) {
    std::memset(&address, 0, sizeof(address));
    address.address[0] = a;
    address.address[1] = b;
    address.address[2] = c;
    address.address[3] = d;
    address.type = NET_ADDRESS_TYPE__IPV4;
    address.port = port;
}

TEST(ClientViews, PathPrintsItsSocketFirstAndEndsWithALineBreak) {
    auto pPath = Make<Sdbg_TNetPath_Query>();
    NetPath_Query &w = pPath->wire;
    w.socketQuery.socket = 7;
    SetIPv4(w.socketQuery.peerAddr, 10, 0, 0, 1, 80);
    w.socketQuery.localPort = 65535;
    w.socketQuery.sendCalls = 3;
    w.bConnected = 1;
    w.ownerType = 2;
    Rendered text = Render(*pPath, false);
    EXPECT_EQ(text.lines,
              (Lines{
                  "<0,0> socket<4,4> Socket:<5,0>7<4,4> Peer Addr:<1,0>Address: 10.0.0.1 Port: 80"
                  "<4,4> Local Port:<1,0>65535<4,4> state:<5,0>0<4,4> No Delay:<5,0>0"
                  "<4,4> quick ack:<1,0>0<4,4> Recv buffer:<5,0>0<4,4> Send buffer:<5,0>0",
                  "<4,4> #sends:<1,0>3<4,4> #recvs:<1,0>0<4,4> #failed-sends:<1,0>0"
                  "<4,4> #failed-recvs:<1,0>0<4,4> #broken-recvs:<1,0>0<4,4> #broken-sends:<1,0>0",
                  "<4,4> send bytes:" + kZeroStatsText,
                  "<4,4> receive bytes:" + kZeroStatsText,
                  "<4,4> ownerType:<5,0>2<4,4> Connected:<1,0>1<4,4> Dying:<1,0>0"
                  "<4,4> KA-Send:<1,0>0<4,4> KA-Rcv:<1,0>0<4,4> timeStamp:<5,0>0"
                  "<4,4> magicNumber:<5,0>0<4,4> version:<5,0>0",
              }));
    EXPECT_EQ(text.currentLine, 5u);
}

TEST(ClientViews, PathXmlWrapsItsSocketRecord) {
    auto pPath = Make<Sdbg_TNetPath_Query>();
    SetIPv4(pPath->wire.socketQuery.peerAddr, 10, 0, 0, 1, 80);
    Lines xml = Render(*pPath, true).lines;
    ASSERT_GT(xml.size(), 12u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<NetSocketQuery>");
    EXPECT_EQ(xml[2], "<0,0>\t\t\t<4,4><socket><5,0>0<4,4></socket>");
    EXPECT_EQ(xml[3], "<0,0>\t\t\t<4,4><peerAddr>");
    EXPECT_EQ(xml[4], "<1,0>\t\t\t<Address>10.0.0.1</Address>");
    EXPECT_EQ(xml[5], "<1,0>\t\t\t<Port>80</Port>");
    EXPECT_EQ(xml[6], "<1,0>\t\t<4,4></peerAddr>");
    EXPECT_EQ(xml[7], "<0,0>\t\t\t<4,4><localPort><1,0>0<4,4></localPort>");
    // The wrapper closes after the last socket field; the path's own
    // fields follow at two tabs, ownerType first.
    auto close = std::find(xml.begin(), xml.end(), "<0,0>\t\t</NetSocketQuery>");
    ASSERT_NE(close, xml.end());
    ASSERT_NE(close + 1, xml.end());
    EXPECT_EQ(*(close + 1), "<0,0>\t\t<4,4><ownerType><5,0>0<4,4></ownerType>");
    EXPECT_EQ(xml.back(), "<0,0>\t\t<4,4><remoteVersion><5,0>0<4,4></remoteVersion>");
    std::string all = Joined(xml);
    EXPECT_EQ(all.find(" socket"), std::string::npos);
}

struct OwnerCase {
    uint32_t code;
    const char *pWord;
};

TEST(ClientViews, ConnectionOwnerTypeWords) {
    const OwnerCase cases[] = {
        {0x1000, " Tgt"},   {0x2000, " Ini"},   {0x3000, " Mdm"},       {0x4000, " Sim"},
        {0x5000, " Cli"},   {0x6000, " Cls"},   {0x8000, " Mdm sec"},   {0, " Error"},
        {0x7000, " Error"}, {0x1001, " Error"}, {0xFFFFFFFF, " Error"},
    };
    for (const OwnerCase &c : cases) {
        auto pCon = Make<Sdbg_TNetConQuery>();
        pCon->wire.ownerType = c.code;
        std::string text = Joined(Render(*pCon, false).lines);
        EXPECT_NE(text.find(std::string("<4,4> Owner Type:<5,4>") + c.pWord + "<4,4> State:"),
                  std::string::npos)
            << c.code;
        std::string xml = Joined(Render(*pCon, true).lines);
        EXPECT_NE(xml.find(std::string("<ownerType><5,4>") + c.pWord + "<4,4></ownerType>"),
                  std::string::npos)
            << c.code;
    }
}

TEST(ClientViews, ConnectionGoldenWithTwoHostNames) {
    auto pCon = Make<Sdbg_TNetConQuery>();
    _NetConQuery &w = pCon->wire;
    w.conId = 0x1f;
    w.conType = 3;
    w.numPeerHostNames = 2;
    std::strcpy(w.peerHostNames[0], "alpha");
    std::strcpy(w.peerHostNames[1], "beta");
    std::strcpy(w.peerHostNames[2], "gamma"); // beyond the count
    w.ownerType = 0x2000;
    w.conState = -1;
    w.pathNum = 2;
    EXPECT_EQ(Render(*pCon, false).lines,
              (Lines{
                  "<4,4> Con Id:<5,0>0x1f<4,4> Con Type:<5,0>3",
                  "<4,4> Ip addr :<5,4>alpha   beta   ",
                  "<4,4> Owner Type:<5,4> Ini<4,4> State:<5,0>-1<4,4> #paths:<5,0>2",
                  "<4,4> Bwc-Send:<5,0>0 bytes/s<4,4> Latency:<5,0>0 Micro/io",
                  "<4,4> sendWaiters:<5,0>0<4,4> Recv messages:<5,0>0<4,4> Send messages:<5,0>0"
                  "<4,4> Usage count:<5,0>0<4,4> Rem In Progress:<5,0>0",
                  "<4,4> ChannelSend:<5,0>0<4,4> channelRecv:<5,0>0<4,4> timeStamp:<5,0>0"
                  "<4,4> magicNumber:<5,0>0<4,4> version:<5,0>0",
              }));
    Lines xml = Render(*pCon, true).lines;
    ASSERT_GE(xml.size(), 8u);
    EXPECT_EQ(xml[3], "<0,0>\t\t<4,4><peerHostNames>");
    EXPECT_EQ(xml[4], "<0,0>\t\t\t<4,4><peerHostName><5,4>alpha<4,4></peerHostName>");
    EXPECT_EQ(xml[5], "<0,0>\t\t\t<4,4><peerHostName><5,4>beta<4,4></peerHostName>");
    EXPECT_EQ(xml[6], "<0,0>\t\t<4,4></peerHostNames>");
    EXPECT_EQ(xml[7], "<0,0>\t\t<4,4><ownerType><5,4> Ini<4,4></ownerType>");
}

TEST(ClientViews, ConnectionHostNameCountIsHeldToItsEightSlots) {
    struct Case {
        uint32_t count;
        uint32_t shown;
    };
    for (Case c : {Case{0, 0}, Case{8, 8}, Case{9, 8}, Case{0xFFFFFFFF, 8}}) {
        auto pCon = Make<Sdbg_TNetConQuery>();
        pCon->wire.numPeerHostNames = c.count;
        std::memset(pCon->wire.peerHostNames, 'h', sizeof(pCon->wire.peerHostNames));
        Lines text = Render(*pCon, false).lines;
        ASSERT_GE(text.size(), 2u);
        std::string names;
        for (uint32_t i = 0; i < c.shown; ++i) {
            names += std::string(NET_CON_HOST_NAME_SIZE, 'h') + "   ";
        }
        EXPECT_EQ(text[1], "<4,4> Ip addr :" + (c.shown ? "<5,4>" + names : std::string()))
            << c.count;
        Lines xml = Render(*pCon, true).lines;
        ASSERT_GE(xml.size(), 5u + c.shown);
        EXPECT_EQ(xml[3], "<0,0>\t\t<4,4><peerHostNames>");
        EXPECT_EQ(xml[4 + c.shown], "<0,0>\t\t<4,4></peerHostNames>") << c.count;
    }
}

TEST(ClientViews, MdmMapPrintsSixteenLinesAndFiftyEightElements) {
    auto pMdm = Make<Sdbg_TMapMdm_Query>();
    MapMdm_Query &w = pMdm->wire;
    w.iniID = 0xab;
    w.tgtsGenerationNum = 1;
    SetIPv4(w.addr, 192, 168, 1, 2, 6611);
    w.tgtMaxConPerIP = 4;
    w.conMaxNumThreads = 8;
    Rendered text = Render(*pMdm, false);
    ASSERT_EQ(text.lines.size(), 16u);
    EXPECT_EQ(text.currentLine, 15u);
    EXPECT_EQ(text.lines[0],
              "<4,4> ini ID:<1,0>0xab<4,4> TGT Gen:<1,0>1<4,4> VOL Gen:<2,0>0"
              "<4,4> HEADS Gen:<2,0>0<4,4> VOL-GROUPS Gen:<2,0>0<4,4> RPL Gen:<2,0>0");
    EXPECT_EQ(text.lines[1], "<4,4> DB readers(I/Os):<1,0>0<4,4> wait-failed-ios:<1,0>0"
                             "<4,4> Address:<1,0>Address: 192.168.1.2 Port: 6611");
    EXPECT_EQ(text.lines[8],
              "<4,4> Perf Params-max MB in-flight per TGT:<1,0>0"
              "<4,4> max requests in-flight per TGT:<1,0>0"
              "<4,4> long request millis thresh:<1,0>0<4,4> #sockets per TGT:<1,0>4");
    EXPECT_EQ(text.lines[12], "<4,4> Perf Params-RPC TO in millis:<1,0>0<4,4> max unmap MB:<1,0>0"
                              "<4,4> #INI threads:<1,0>0<4,4> #NET threads:<1,0>8");
    Lines xml = Render(*pMdm, true).lines;
    // 58 elements, the address taking four lines of its own.
    EXPECT_EQ(xml.size(), 1u + 58u + 3u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<4,4><iniID><1,0>0xab<4,4></iniID>");
    EXPECT_EQ(xml[9], "<0,0>\t\t<4,4><addr>");
    EXPECT_EQ(xml[10], "<1,0>\t\t\t<Address>192.168.1.2</Address>");
    EXPECT_EQ(xml.back(),
              "<0,0>\t\t<4,4><maxSecBetweenConnUpdate><1,0>0<4,4></maxSecBetweenConnUpdate>");
}

TEST(ClientViews, MdmSdcGuidInBracedUpperCaseForm) {
    auto pSdc = Make<Sdbg_TMapMdmSdc_Query>();
    EXPECT_EQ(Render(*pSdc, false).lines,
              (Lines{"<4,4>GUID:<1,0>{00000000-0000-0000-0000-000000000000}<4,4> Mdm Num:<2,0>0"}));
    for (uint8_t i = 0; i < 16; ++i) {
        pSdc->wire.iniGUID.bytes[i] = static_cast<uint8_t>(0xA0 + i);
    }
    pSdc->wire.numMdms = 3;
    EXPECT_EQ(Render(*pSdc, true).lines,
              (Lines{"",
                     "<0,0>\t\t<4,4><iniGUID><1,0>{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}"
                     "<4,4></iniGUID>",
                     "<0,0>\t\t<4,4><numMdms><1,0>3<4,4></numMdms>"}));
}

TEST(ClientViews, ChannelLayerGoldenInTextAndXml) {
    auto pLayer = Make<Sdbg_TNetChanLayer_Query>();
    NetChanLayer_Query &w = pLayer->wire;
    w.conLayer.kaSent = 5;
    w.dbg.totalConnects = 2;
    w.connectWaiters = 1;
    EXPECT_EQ(Render(*pLayer, false).lines,
              (Lines{"<0,0>Con-Layer<4,4> #failed-KA-allocations:<1,0>0<4,4> #KA:<1,0>5"
                     "<4,4> #reg-paths:<2,0>0",
                     "<0,0>DBG<4,4> #failed-mallocs:<1,0>0<4,4> #disconnect-polls:<1,0>0"
                     "<4,4> #connects:<1,0>2<4,4> #disconnects:<1,0>0",
                     "<4,4>#wait-to-disconnect:<1,0>0<4,4> #wait-to-connect:<2,0>1"
                     "<4,4> #being-connected:<1,0>0"}));
    EXPECT_EQ(Render(*pLayer, true).lines,
              (Lines{
                  "",
                  "<0,0>\t\t<NetConLayer_Query>",
                  "<0,0>\t\t\t<4,4><kaAllocFailed><1,0>0<4,4></kaAllocFailed>",
                  "<0,0>\t\t\t<4,4><kaSent><1,0>5<4,4></kaSent>",
                  "<0,0>\t\t\t<4,4><numRegPaths><2,0>0<4,4></numRegPaths>",
                  "<0,0>\t\t</NetConLayer_Query>",
                  "<0,0>\t\t<NetChanLayer_Dbg>",
                  "<0,0>\t\t\t<4,4><failedMallocs><1,0>0<4,4></failedMallocs>",
                  "<0,0>\t\t\t<4,4><disconnectPolls><1,0>0<4,4></disconnectPolls>",
                  "<0,0>\t\t\t<4,4><totalConnects><1,0>2<4,4></totalConnects>",
                  "<0,0>\t\t\t<4,4><totalDisconnects><1,0>0<4,4></totalDisconnects>",
                  "<0,0>\t\t</NetChanLayer_Dbg>",
                  "<0,0>\t\t<4,4><disconnectWaiters><1,0>0<4,4></disconnectWaiters>",
                  "<0,0>\t\t<4,4><connectWaiters><2,0>1<4,4></connectWaiters>",
                  "<0,0>\t\t<4,4><beingConnected><1,0>0<4,4></beingConnected>",
              }));
}

const std::string kThrottlerLines[] = {
    "<0,0>I/O Throttler:<4,4> #volume-groups:<1,0>2<4,4> #throttled-reqs:<1,0>0"
    "<4,4> #reqs-waiting-for-cond:<1,0>0",
    "<4,4> flow-control-IOs-enabled:<1,0>1<4,4> inflight-IO-limit:<2,0>0<4,4> #inflight-IO:<1,0>0"
    "<4,4> #avail-unauthorized-IO:<2,0>0",
    "<4,4> flow-control-MBs-enabled:<1,0>1<4,4> inflight-MB-limit:<2,0>0<4,4> inflight-MB:<1,0>0"
    "<4,4> throttled-MB:<1,0>0<4,4> avail-unauthorized-MB:<2,0>0",
};

std::unique_ptr<Sdbg_TNetChan_Query> ChannelWithGroups(uint32_t count, uint8_t bIOs, uint8_t bMBs) {
    auto pChan = Make<Sdbg_TNetChan_Query>();
    NetChanThrottler_Query &t = pChan->wire.throttler;
    t.volGroupsCurrNum = count;
    t.bFlowCtrlIOsEnabled = bIOs;
    t.bFlowCtrlMBsEnabled = bMBs;
    for (uint32_t i = 0; i < NET_CHAN_VOL_GROUPS; ++i) {
        NetChanVolGroup &g = t.volGroups[i];
        g.volGroupId = 0x100 + i;
        g.waitersNum = i; // 0 for the first group, then not
        g.inflightReqLimit = 10;
        g.inflightReqs = 1;
        g.pendingReqs = i;
        g.reqAsk = 2;
        g.inflightMBLimit = 20;
        g.inflightMBs = 3;
        g.pendingMBs = 0;
        g.mbAsk = 4;
    }
    return pChan;
}

TEST(ClientViews, ChannelGoldenWithBothFlowControlsOn) {
    auto pChan = ChannelWithGroups(2, 1, 1);
    pChan->wire.channelID = 0;
    SetIPv4(pChan->wire.firstIP, 10, 1, 2, 3, 7072);
    pChan->wire.okPortals = 2;
    Rendered text = Render(*pChan, false);
    EXPECT_EQ(text.lines,
              (Lines{
                  "<4,4>IP:<1,0>Address: 10.1.2.3 Port: 7072<4,4> channelID:<1,0>0",
                  "<4,4>#max-portal-bytes:<1,0>0<4,4> #min-portal-bytes:<1,0>0"
                  "<4,4> #Active-portals:<1,0>0<4,4> #OK-portals:<1,0>2<4,4> #Dead-portals:<2,0>0"
                  "<4,4> #disconnecting-portals:<1,0>0<4,4> #connecting-portals:<1,0>0",
                  "<4,4> chan-establish-required:<1,0>0<4,4> #chan-establish-fails:<1,0>0"
                  "<4,4> #chan-establish-wait-reqs:<1,0>0",
                  kThrottlerLines[0],
                  kThrottlerLines[1],
                  kThrottlerLines[2],
                  "<5,4>volume-group-id: <1,1>0x100<5,4> #reqs-waiting-for-cond: <1,1>0",
                  "<5,4> inflight-req-limit: <1,1>10<5,4> #inflight-req: <1,1>1"
                  "<5,4> #pending-req: <1,1>0<5,4> IO-req-ask: <1,1>2",
                  "<5,4> inflight-MB-limit: <1,1>20<5,4> #inflight-MB: <1,1>3"
                  "<5,4> #pending-MB: <1,1>0<5,4> MB-ask: <1,1>4",
                  "<5,4>volume-group-id: <1,1>0x101<5,4> #reqs-waiting-for-cond: <2,2>1",
                  "<5,4> inflight-req-limit: <1,1>10<5,4> #inflight-req: <1,1>1"
                  "<5,4> #pending-req: <2,2>1<5,4> IO-req-ask: <1,1>2",
                  "<5,4> inflight-MB-limit: <1,1>20<5,4> #inflight-MB: <1,1>3"
                  "<5,4> #pending-MB: <1,1>0<5,4> MB-ask: <1,1>4",
              }));
    EXPECT_EQ(text.currentLine, 12u);
}

TEST(ClientViews, ChannelVolumeGroupLinesFollowTheFlowControlFlags) {
    struct Case {
        uint32_t count;
        uint8_t bIOs;
        uint8_t bMBs;
        uint32_t groupLines;
    };
    const Case cases[] = {
        {2, 0, 0, 2}, {2, 1, 0, 4},   {2, 0, 1, 4},   {2, 1, 1, 6},
        {0, 1, 1, 0}, {64, 0, 0, 64}, {65, 0, 0, 64}, {0xFFFFFFFF, 1, 1, 192},
        {3, 7, 0, 6},
    };
    for (const Case &c : cases) {
        auto pChan = ChannelWithGroups(c.count, c.bIOs, c.bMBs);
        Rendered text = Render(*pChan, false);
        // Three channel lines and three throttler lines come first; the
        // view ends on the empty line after them.
        EXPECT_EQ(text.lines.size(), 6u + c.groupLines) << c.count;
        EXPECT_EQ(text.currentLine, 6u + c.groupLines) << c.count;
    }
}

TEST(ClientViews, ChannelXmlWrapsTheThrottlerAndListsGroupsInsideVolGroups) {
    auto pEmpty = ChannelWithGroups(0, 1, 1);
    Lines xml = Render(*pEmpty, true).lines;
    EXPECT_EQ(xml.back(), "<0,0>\t\t<4,4><volGroups></volGroups>");
    EXPECT_EQ(xml[xml.size() - 2], "<0,0>\t\t</NetChanThrottler_Query>");
    EXPECT_EQ(xml[xml.size() - 3], "<0,0>\t\t\t<4,4><inflightMBsAvailUnauthorized><2,0>0"
                                   "<4,4></inflightMBsAvailUnauthorized>");
    auto open = std::find(xml.begin(), xml.end(), "<0,0>\t\t<NetChanThrottler_Query>");
    ASSERT_NE(open, xml.end());
    EXPECT_EQ(*(open - 1), "<0,0>\t\t<4,4><numChanEstablishWaitIOs><1,0>0"
                           "<4,4></numChanEstablishWaitIOs>");
    EXPECT_EQ(xml.end() - open, 15); // wrapper, twelve fields, close, volGroups

    auto pOne = ChannelWithGroups(1, 0, 0);
    Lines one = Render(*pOne, true).lines;
    ASSERT_GE(one.size(), 2u);
    EXPECT_EQ(one[one.size() - 2], "<0,0>\t\t<4,4><volGroups><5,4>volume-group-id: <1,1>0x100"
                                   "<5,4> #reqs-waiting-for-cond: <1,1>0");
    EXPECT_EQ(one.back(), "<4,4></volGroups>");
}

TEST(ClientViews, ConnectionWithoutSamplesPrintsZeroStatistics) {
    auto pCon = Make<Sdbg_TNetCon_Query>();
    NetCon_Query &w = pCon->wire;
    SetIPv4(w.sock.peerAddr, 10, 0, 0, 9, 7072);
    w.sock.sockMaxSend = 4096;
    w.lastFailedRpc.rpcID = 77;
    w.lastFailedRpc.bTimeout = 1;
    w.iniID = 0x5;
    w.bConnected = 1;
    w.maxSendKaItr = 6;
    Rendered text = Render(*pCon, false);
    EXPECT_EQ(
        text.lines,
        (Lines{
            "<0,0>Sock<4,4>IP:<1,0>Address: 10.0.0.9 Port: 7072<4,4> rcvReady:<2,0>0"
            "<4,4> sendReady:<2,0>0<4,4> stateReady:<2,0>0<4,4> sendWaiters:<1,0>0"
            "<4,4> rcvPending:<1,0>0<4,4> sendAbort:<1,0>0<4,4> RcvAbort:<1,0>0"
            "<4,4> sender_ptr:<1,0>0x0",
            "<4,4>#broken-sends:<1,0>0<4,4> #broken-recvs:<1,0>0<4,4> #broken-sends-vec:<1,0>0"
            "<4,4> #broken-recv-vec:<1,0>0<4,4> sock-max-send-buf:<1,0>4096"
            "<4,4> sock-max-recv-buf:<2,0>0",
            "<4,4>non-block-send-latency:" + kZeroStatsText,
            "<4,4>non-block-recv-latency:" + kZeroStatsText,
            "<0,0>lastFailedRPC:<4,4> rpcID:<1,0>77<4,4> send_done:<1,0>0"
            "<4,4> rcv_started:<1,0>0<4,4> rcv_done:<1,0>0<4,4> send_err:<1,0>0"
            "<4,4> recv_err:<1,0>0<4,4> timeout:<1,0>1<4,4> timeout-aborted:<1,0>0"
            "<4,4> failed-timeout-aborted:<1,0>0",
            "<4,4>rpc-latencies:" + kZeroStatsText,
            "<4,4> iniID:<1,0>0x5<4,4> inflight-sends:<1,0>0<4,4> inflight-bytes:<1,0>0"
            "<4,4> connected:<1,0>1<4,4> blockedForSend:<2,0>0<4,4> dying:<1,0>0"
            "<4,4> KA-RCV-ITR:<1,0>0<4,4> KA-SND-ITR:<1,0>0<4,4> RCV-KA:<1,0>0"
            "<4,4> SEND-KA:<1,0>6",
        }));
    EXPECT_EQ(text.currentLine, 6u);
}

TEST(ClientViews, ConnectionXmlHoldsTwoWrappersThenItsOwnFields) {
    auto pCon = Make<Sdbg_TNetCon_Query>();
    Lines xml = Render(*pCon, true).lines;
    ASSERT_GT(xml.size(), 2u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<NetSock_Query>");
    EXPECT_EQ(xml[2], "<0,0>\t\t\t<4,4><peerAddr>");
    auto sockClose = std::find(xml.begin(), xml.end(), "<0,0>\t\t</NetSock_Query>");
    ASSERT_NE(sockClose, xml.end());
    EXPECT_EQ(*(sockClose + 1), "<0,0>\t\t<NetRPC_Query>");
    EXPECT_EQ(*(sockClose + 2), "<0,0>\t\t\t<4,4><rpcID><2,0>0<4,4></rpcID>");
    EXPECT_EQ(*(sockClose + 11), "<0,0>\t\t</NetRPC_Query>");
    EXPECT_EQ(*(sockClose + 12), "<0,0>\t\t<4,4><rpcLatency>");
    EXPECT_EQ(*(sockClose + 13), "<0,0>\t\t\t\t<4,4><samples><1,0>0<4,4></samples>");
    EXPECT_EQ(xml.back(), "<0,0>\t\t<4,4><maxSendKaItr><1,0>0<4,4></maxSendKaItr>");
    std::string all = Joined(xml);
    EXPECT_EQ(all.find("Sock<"), std::string::npos);
    EXPECT_EQ(all.find("lastFailedRPC:"), std::string::npos);
}

// The map-object header as text and as its XML wrapper.
std::string MapObjText(const char *pId, int idFg) {
    return std::string("<0,0>map-obj <4,4>ID:<") + std::to_string(idFg) + ",0>" + pId +
           "<4,4> Ref:<1,0>0<4,4> last-scan-ID:<2,0>0<4,4> Zombie:<1,0>0";
}

Lines MapObjXml(const char *pId, int idFg) {
    return {"<0,0>\t\t<MapObj_Query>",
            std::string("<0,0>\t\t\t<4,4><objID><") + std::to_string(idFg) + ",0>" + pId +
                "<4,4></objID>",
            "<0,0>\t\t\t<4,4><refCnt><1,0>0<4,4></refCnt>",
            "<0,0>\t\t\t<4,4><lastScanID><2,0>0<4,4></lastScanID>",
            "<0,0>\t\t\t<4,4><bZombie><1,0>0<4,4></bZombie>",
            "<0,0>\t\t</MapObj_Query>"};
}

TEST(ClientViews, VolumeGroupIsTheMapObjectHeaderAlone) {
    auto pGroup = Make<Sdbg_TMapVolGroup_Query>();
    EXPECT_EQ(Render(*pGroup, false).lines, (Lines{MapObjText("0x0", 2)}));
    Lines expected = {""};
    for (const std::string &line : MapObjXml("0x0", 2)) {
        expected.push_back(line);
    }
    EXPECT_EQ(Render(*pGroup, true).lines, expected);
}

TEST(ClientViews, ScsiInitiatorHeaderComesFirstAndItsIqnStopsAtTheField) {
    auto pIni = Make<Sdbg_TMapScsiIni_Query>();
    std::memset(pIni->wire.iqn, 'q', sizeof(pIni->wire.iqn));
    pIni->wire.mapObj.objID = 0x7; // right after the iqn: a NUL would end nothing
    Rendered text = Render(*pIni, false);
    EXPECT_EQ(text.lines, (Lines{MapObjText("0x7", 1), "<4,4> iqn:<1,0>" + std::string(232, 'q')}));
    Lines xml = Render(*pIni, true).lines;
    ASSERT_EQ(xml.size(), 8u);
    EXPECT_EQ(xml[1], MapObjXml("0x7", 1)[0]);
    EXPECT_EQ(xml[7], "<0,0>\t\t<4,4><iqn><1,0>" + std::string(232, 'q') + "<4,4></iqn>");
}

TEST(ClientViews, DataServerXmlHoldsBothReferenceCounts) {
    auto pTgt = Make<Sdbg_TMapTgt_Query>();
    pTgt->wire.mapObj.objID = 1;
    pTgt->wire.refCnt = 9;
    pTgt->wire.totalLongIos = 2;
    SetIPv4(pTgt->wire.addr, 10, 0, 0, 3, 7072);
    EXPECT_EQ(Render(*pTgt, false).lines,
              (Lines{MapObjText("0x1", 1),
                     "<4,4> ip:<1,0>Address: 10.0.0.3 Port: 7072<4,4> #long-IO:<2,0>2"
                     "<4,4> #last-long-IO-comb:<1,0>0x0<4,4> #last-long-IO-size-lb:<1,0>0"
                     "<4,4> refCnt:<1,0>9"}));
    std::string xml = Joined(Render(*pTgt, true).lines);
    EXPECT_NE(xml.find("\t\t\t<4,4><refCnt><1,0>0<4,4></refCnt>"), std::string::npos);
    EXPECT_NE(xml.find("\n<0,0>\t\t<4,4><refCnt><1,0>9<4,4></refCnt>"), std::string::npos);
}

TEST(ClientViews, MultiHeadVTreeAndItlSecondLines) {
    auto pMH = Make<Sdbg_TMapMH_Query>();
    pMH->wire.emptyRows = 1;
    EXPECT_EQ(Render(*pMH, false).lines,
              (Lines{MapObjText("0x0", 2), "<4,4> gen-num:<2,0>0x0<4,4> #empty-rows:<2,0>1"}));
    auto pTree = Make<Sdbg_TMapVTree_Query>();
    pTree->wire.blockNum = 12;
    EXPECT_EQ(Render(*pTree, false).lines, (Lines{MapObjText("0x0", 2), "<4,4> #blocks:<1,0>12"}));
    auto pItl = Make<Sdbg_TMapITL_Query>();
    pItl->wire.mappedLun = 3;
    pItl->wire.genNum = 4;
    pItl->wire.linkCount = 1;
    EXPECT_EQ(Render(*pItl, false).lines,
              (Lines{MapObjText("0x0", 2),
                     "<4,4>volID:<1,0>0x0<4,4> lun:<1,0>3<4,4> scsiIniID:<1,0>0x0"
                     "<4,4> genNum:<1,0>4<4,4> reset-gen-num:<1,0>0<4,4> #links:<2,0>1"}));
    Lines xml = Render(*pItl, true).lines;
    ASSERT_EQ(xml.size(), 13u);
    EXPECT_EQ(xml[6], "<0,0>\t\t</MapObj_Query>");
    EXPECT_EQ(xml[7], "<0,0>\t\t<4,4><volID><1,0>0x0<4,4></volID>");
}

TEST(ClientViews, VolumeGolden) {
    auto pVol = Make<Sdbg_TMapVol_Query>();
    MapVol_Query &w = pVol->wire;
    w.mapObj.objID = 0x2a;
    std::strcpy(w.blkDev.devName, "scinia");
    w.blkDev.majorNum = 251;
    w.blkDev.devUsers = 1;
    std::strcpy(w.volState, "OK");
    w.generationNum = 0x11;
    w.requestedCapacityMB = 8192;
    std::strcpy(w.lastTgtFault, "none");
    std::strcpy(w.lastBadRC, "SUCCESS");
    SetIPv4(w.lastFaultedTgt, 10, 0, 0, 4, 7072);
    w.reserverKey = 0xbeef;
    w.checksumGranularityLB = 8;
    w.trimGranularityLB = 16;
    w.iopsQuery.avgPerSlot = 5;
    w.readIoStat = {100, 2000, 0, 0, 10};
    w.writeIoLatencyStat = {7, 70, 0, 0, 0}; // window 0: nothing to divide by
    Rendered text = Render(*pVol, false);
    const std::string zeroLimiter =
        "<4,4> slot-max:<2,0>0<4,4> slot-ticks:<2,0>0<4,4> cur-slot:<2,0>0<4,4> waiters:<1,0>0"
        "<4,4> slot-usage:<1,0>0<4,4> loan-usage:<1,0>0<4,4> dyn-tokens:<1,0>0";
    EXPECT_EQ(text.lines,
              (Lines{
                  "<0,0>blk-dev <4,4> Device name:<5,0>scinia<4,4> Major:<1,0>251"
                  "<4,4> Minor:<1,0>0<4,4> Removing:<1,0>0",
                  "<4,4> Device users:<1,0>1<4,4> Inflight reads:<1,0>0<4,4> Inflight writes:<1,0>0"
                  "<4,4> Splits:<1,0>0<4,4> Split-fail-alloc:<1,0>0",
                  MapObjText("0x2a", 1),
                  "<4,4>State:<1,0>OK<4,4> gen-num:<1,0>0x11<4,4> reset-gen-num:<1,0>0"
                  "<4,4> volume-size-MB:<1,0>8192<4,4> mdm-info-needed:<1,0>0"
                  "<4,4> stop-create:<1,0>0<4,4> Os-change-size-pending:<1,0>0",
                  "<4,4> last-fault:<1,0>none<4,4> last-bad-status:<1,0>SUCCESS"
                  "<4,4> last-faulted-comb:<1,0>0x0<4,4> #faults:<1,0>0",
                  "<4,4> last-faulted-comb-gen:<1,0>0x0<4,4> last-faulted-gen-num:<1,0>0x0",
                  "<4,4> last-faulted-tgt:<1,0>Address: 10.0.0.4 Port: 7072"
                  "<4,4> last-err-tgt:<1,0>Address: INVALID Port: 0<4,4> #errors:<1,0>0",
                  "<4,4>scsi-reserve-type:<1,0>0<4,4> scsi3-reserve-key:<1,0>0xbeef"
                  "<4,4> sdc-reg-key:<1,0>0x0<4,4> chksm-active:<1,0>0"
                  "<4,4> chksm-granularity-lb:<1,0>8",
                  "<4,4>direct-buffer-mapping:<1,0>0<4,4> replication-vtree:<1,0>0"
                  "<4,4> trim-granularity-lb:<1,0>16",
                  "<4,4>iops-limiter: avg-per-slot:<1,0>5" + zeroLimiter,
                  "<4,4>bandwidth-limiter: avg-per-slot:<2,0>0" + zeroLimiter,
                  "<4,4>READ-IO Stat: Average:<1,0>200<4,4> Event:<1,0>10",
                  "<4,4>WRITE-IO Stat: Average:<1,0>0<4,4> Event:<1,0>0",
                  "<4,4>TRIM-IO Stat: Average:<1,0>0<4,4> Event:<1,0>0",
                  "<4,4>READ-IO LatencyStat: Average:<1,0>0<4,4> Event:<1,0>0",
                  "<4,4>WRITE-IO LatencyStat: Average:<1,0>0<4,4> Event:<1,0>0",
                  "<4,4>TRIM-IO LatencyStat: Average:<1,0>0<4,4> Event:<1,0>0",
              }));
    EXPECT_EQ(text.currentLine, 16u);
}

TEST(ClientViews, VolumeXmlOrderIsBlockDeviceMapObjectThenFields) {
    auto pVol = Make<Sdbg_TMapVol_Query>();
    Lines xml = Render(*pVol, true).lines;
    ASSERT_GT(xml.size(), 20u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<BlkDev_Query>");
    EXPECT_EQ(xml[2], "<0,0>\t\t\t<4,4><devName></devName>");
    EXPECT_EQ(xml[11], "<0,0>\t\t</BlkDev_Query>");
    EXPECT_EQ(xml[12], "<0,0>\t\t<MapObj_Query>");
    EXPECT_EQ(xml[18], "<0,0>\t\t<4,4><volState></volState>");
    EXPECT_EQ(xml.back(), "<0,0>\t\t<4,4><trimIoLatencyStat> Average:<1,0>0<4,4> Event:"
                          "<1,0>0<4,4></trimIoLatencyStat>");
    std::string all = Joined(xml);
    EXPECT_EQ(all.find("blk-dev"), std::string::npos);
    EXPECT_EQ(all.find("map-obj"), std::string::npos);
    EXPECT_NE(all.find("<iopsQuery>\n<0,0>\t\t\t<4,4><avg-per-slot>"), std::string::npos);
}

// The records nested in the client's query structures, where each one
// lies in its host structure.
struct NestedRecord {
    const Sdbg_ViewTable *pTable;
    uint32_t typeId;
    uint32_t offset;
    std::vector<Sdbg_ByteRange> printedElsewhere; // bytes the host's own list prints
};

std::vector<NestedRecord> NestedRecords() {
    return {
        {&kNetSocketQueryRecord, 21, 0, {}},
        {&kNetSockRecord, 73, 0, {}},
        {&kNetRpcRecord, 73, 216, {}},
        {&kNetConLayerRecord, 71, 16, {}},
        {&kNetChanDbgRecord, 71, 0, {}},
        {&kNetChanThrottlerRecord, 72, 56, {{0, sizeof(NetChanVolGroup) * NET_CHAN_VOL_GROUPS}}},
        {&kMapObjRecord, 80, 0, {}},
        {&kMapObjRecord, 83, 232, {}},
        {&kBlkDevRecord, 81, 24, {}},
    };
}

TEST(ClientViews, NestedRecordRowsTileTheirRecords) {
    for (const NestedRecord &nested : NestedRecords()) {
        const Sdbg_ViewTable &table = *nested.pTable;
        std::vector<Sdbg_ByteRange> ranges = nested.printedElsewhere;
        for (uint32_t i = 0; i < table.rowCount; ++i) {
            ranges.push_back({table.pRows[i].offset, table.pRows[i].size});
            EXPECT_NE(table.pRows[i].pXml, nullptr) << table.pWireName;
        }
        ranges.insert(ranges.end(), table.pUnread, table.pUnread + table.unreadCount);
        std::sort(ranges.begin(), ranges.end(),
                  [](const auto &a, const auto &b) { return a.offset < b.offset; });
        uint32_t next = 0;
        for (const Sdbg_ByteRange &range : ranges) {
            EXPECT_EQ(range.offset, next) << table.pWireName << ": gap or overlap";
            next = range.offset + range.size;
        }
        EXPECT_EQ(next, table.wireSize) << table.pWireName;
    }
}

TEST(ClientViews, NestedNumberRowsPrintTheirOwnBytes) {
    std::vector<uint8_t> record(4096);
    for (size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    for (const NestedRecord &nested : NestedRecords()) {
        const Sdbg_ViewTable &table = *nested.pTable;
        for (uint32_t r = 0; r < table.rowCount; ++r) {
            const Sdbg_ViewRow &row = table.pRows[r];
            if (row.kind == Sdbg_FieldKind::Text || row.kind == Sdbg_FieldKind::Record) {
                continue;
            }
            uint64_t bits = 0;
            for (uint32_t b = row.size; b-- > 0;) {
                bits = (bits << 8) | record[row.offset + b];
            }
            bool bSigned = row.kind == Sdbg_FieldKind::I32;
            char expected[32];
            if (row.format == Sdbg_Format::Hex0x) {
                mos_Snprintf(expected, sizeof(expected), "0x%llx",
                             static_cast<unsigned long long>(bits));
            } else if (bSigned) {
                mos_Snprintf(expected, sizeof(expected), "%d",
                             static_cast<int32_t>(static_cast<uint32_t>(bits)));
            } else {
                mos_Snprintf(expected, sizeof(expected), "%llu",
                             static_cast<unsigned long long>(bits));
            }
            Sdbg_LogicalView view(nullptr, 5, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
            Sdbg_PrintValue(view, row, record.data());
            EXPECT_EQ(view.Line(0).text.substr(0, view.Line(0).VisibleLength()), expected)
                << table.pWireName << " row " << r;
        }
    }
}

TEST(ClientViews, NestedBytesNoRowReadsDoNotChangeTheOutput) {
    std::mt19937 random(5);
    for (const NestedRecord &nested : NestedRecords()) {
        auto pObj = MakeObject(nested.typeId, [&](uint8_t *p, uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = static_cast<uint8_t>(random());
            }
        });
        std::string before = Render(*pObj, false).plain + Render(*pObj, true).plain;
        uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
        const Sdbg_ViewTable &table = *nested.pTable;
        for (uint32_t g = 0; g < table.unreadCount; ++g) {
            for (uint32_t i = 0; i < table.pUnread[g].size; ++i) {
                pWire[nested.offset + table.pUnread[g].offset + i] ^= 0x5A;
            }
        }
        EXPECT_EQ(Render(*pObj, false).plain + Render(*pObj, true).plain, before)
            << table.pWireName << " in " << nested.typeId;
    }
}

} // namespace
