// Goldens of the metadata manager's views, one per shape: plain rows, enum
// words, sections (inline in text, elements of their own in XML), flag
// words, GUID text, bandwidth counters, policy levels and id lists, and
// averages coloured by an exact zero test. Lines are marked "<fg,bg>"
// wherever the colour pair changes.

#include "views_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using viewstest::Make;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

// Builds a marked line the way the goldens mark it: a "<fg,bg>" mark only
// where the pair changes, none for empty pieces.
class Marked {
  public:
    Marked &Put(int fg, int bg, const std::string &text) {
        if (text.empty()) {
            return *this;
        }
        std::string mark = "<" + std::to_string(fg) + "," + std::to_string(bg) + ">";
        if (mark != m_mark) {
            m_text += mark;
            m_mark = mark;
        }
        m_text += text;
        return *this;
    }
    // A label (4/4) and a value in fg on the default background.
    Marked &Field(const std::string &label, int fg, const std::string &value) {
        return Put(4, 4, label).Put(fg, 0, value);
    }
    std::string Str() const { return m_text; }

  private:
    std::string m_text;
    std::string m_mark;
};

constexpr int V = 1; // value colour
constexpr int A = 2; // alert colour

TEST(MdmViews, DataServerManagerPlainRowsInTextAndXml) {
    auto pMgr = Make<Sdbg_TTgtMgr_Query>();
    pMgr->wire.numTgts = 3;
    pMgr->wire.totalDegraded = 2;
    pMgr->wire.totalCapacityMB = 100;
    EXPECT_EQ(Render(*pMgr, false).lines, (Lines{Marked()
                                                     .Field(" Num tgts:", V, "3")
                                                     .Field(" degraded-MB:", A, "2")
                                                     .Field(" total-MB:", V, "100")
                                                     .Str()}));
    EXPECT_EQ(Render(*pMgr, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><numTgts><1,0>3<4,4></numTgts>",
                     "<0,0>\t\t<4,4><totalDegraded><2,0>2<4,4></totalDegraded>",
                     "<0,0>\t\t<4,4><totalCapacityMB><1,0>100<4,4></totalCapacityMB>"}));
}

void FillTgt(Tgt_Query &w) {
    w.tgtId = 0x1a;
    std::strcpy(w.tgtName, "t1");
    w.state = 7; // outside the list: no word
    w.tgtUpDownState = 1;
    w.numDevErr = 65535;
    w.genNum = 5;
    w.quiesceState = 0;
    std::strcpy(w.ip, "10.0.0.1");
    w.keepalive.lastKeepAliveMsgRecvTimeTicks = 7;
    w.keepalive.state = 2;
    w.keepalive.numFencedKeepalive = 1;
    w.tgtStats.numAddMdm = 1;
    w.tgtStats.numRemDevs = 9;
}

TEST(MdmViews, DataServerEnumWordsAndSectionsInText) {
    auto pTgt = Make<Sdbg_TTgt_Query>();
    FillTgt(pTgt->wire);
    Rendered text = Render(*pTgt, false);
    Lines expected{
        Marked()
            .Field(" ID:", V, "0x1a")
            .Field(" Name:", V, "t1")
            .Put(4, 4, " State:")
            .Put(4, 4, " UpDownState: ")
            .Put(2, 2, "DOWN")
            .Field(" #DevErr: ", A, "65535")
            .Field(" pellorin-errors:", V, "0")
            .Field(" refCount:", V, "0")
            .Field(" genNum:", V, "5")
            .Put(4, 4, " QuiesceState: ")
            .Put(3, 3, "NONE")
            .Field(" IP:", V, "10.0.0.1")
            .Put(4, 4, " Version:")
            .Str(),
        Marked()
            .Field(" UpPend:", V, "0")
            .Field(" Reconst:", V, "0")
            .Field(" wasDown:", A, "0")
            .Field(" IsDrlHardened:", V, "0")
            .Field(" IsPermanentlyDown:", V, "0")
            .Field(" #Reconfig:", V, "0")
            .Field(" #ReconfigFail:", V, "0")
            .Field(" #Down:", V, "0")
            .Field(" #Up:", V, "0")
            .Field(" lastAuthenticationTime:", A, "0")
            .Str(),
        Marked().Field(" Last Upgrade Time:", V, "0").Field(" #Restarts:", V, "0").Str(),
        Marked()
            .Field(" #MB:", V, "0")
            .Field(" Used-MB:", V, "0")
            .Field(" RM-Pending-Combs:", V, "0")
            .Field(" #devs:", A, "0")
            .Field(" #quiesced-devs:", V, "0")
            .Str(),
        Marked()
            .Field(" Pellorin: Valid:", A, "0")
            .Field(" MaxIoSize(KB):", A, "0")
            .Field(" OpMode:", A, "0")
            .Field(" PageSize(KB):", A, "0")
            .Field(" #cacheDevs:", A, "0")
            .Field(" #sourceDevs:", A, "0")
            .Field(" bDynThrotInflightMBsActive:", A, "0")
            .Field(" bDynThrotInflightReqsActive:", A, "0")
            .Str(),
        Marked()
            .Put(0, 0, "  keepalive-Tgt")
            .Field(" LastRcvTime:", V, "7")
            .Field(" LastMsgTime:", V, "0")
            .Field(" keepalive state:", V, "2")
            .Field(" #Fenced:", V, "1")
            .Str(),
        Marked()
            .Put(0, 0, "  MsgStats: ")
            .Field(" #AddMdm:", V, "1")
            .Field(" #ReconfStart:", V, "0")
            .Field(" #ReconfDone:", V, "0")
            .Field(" #AddDev:", V, "0")
            .Field(" #RemDev:", V, "9")
            .Field(" #AddTgts:", V, "0")
            .Field(" #RemTgts:", V, "0")
            .Field(" #AddVol:", V, "0")
            .Field(" #UpdateVol:", V, "0")
            .Field(" #RemVol:", V, "0")
            .Field(" #AddCombArray:", V, "0")
            .Str(),
        Marked()
            .Field(" #AddComb:", V, "0")
            .Field(" #FreeComb:", V, "0")
            .Field(" #SetCombState:", V, "0")
            .Field(" #StartMigrate:", V, "0")
            .Field(" #EndMigrate:", V, "0")
            .Field(" #AbortMigrate:", V, "0")
            .Field(" #Restart:", V, "0")
            .Field(" #TgtUpdateCombState:", V, "0")
            .Str(),
    };
    EXPECT_EQ(text.lines, expected);
    EXPECT_EQ(text.currentLine, 7u) << "the last line stays open";
}

TEST(MdmViews, DataServerEnumWordsAndSectionsInXml) {
    auto pTgt = Make<Sdbg_TTgt_Query>();
    FillTgt(pTgt->wire);
    Rendered xml = Render(*pTgt, true);
    EXPECT_NE(xml.plain.find("\n\t\t<tgtName>t1</tgtName>\n\t\t<state></state>\n\t\t"
                             "<tgtUpDownState>DOWN</tgtUpDownState>\n\t\t<numDevErr>65535"),
              std::string::npos)
        << xml.plain;
    const std::string tail =
        "\n\t\t<bDynThrotInflightReqsActive>0</bDynThrotInflightReqsActive>"
        "\n\t\t<KeepaliveTgt_Query>"
        "\n\t\t\t<lastKeepAliveMsgRecvTimeTicks>7</lastKeepAliveMsgRecvTimeTicks>"
        "\n\t\t\t<lastKeepAliveMsgTgtTimeTicks>0</lastKeepAliveMsgTgtTimeTicks>"
        "\n\t\t\t<state>2</state>"
        "\n\t\t\t<numFencedKeepalive>1</numFencedKeepalive>"
        "\n\t\t</KeepaliveTgt_Query>"
        "\n\t\t<TgtStats>"
        "\n\t\t\t<numAddMdm>1</numAddMdm>"
        "\n\t\t\t<numReconfStart>0</numReconfStart>"
        "\n\t\t\t<numReconfDone>0</numReconfDone>"
        "\n\t\t\t<numAddDevices>0</numAddDevices>"
        "\n\t\t\t<numRemDevs>9</numRemDevs>"
        "\n\t\t\t<numAddTgts>0</numAddTgts>"
        "\n\t\t\t<numRemTgts>0</numRemTgts>"
        "\n\t\t\t<numAddVol>0</numAddVol>"
        "\n\t\t\t<numUpdateVol>0</numUpdateVol>"
        "\n\t\t\t<numRemVol>0</numRemVol>"
        "\n\t\t\t<numAddCombArray>0</numAddCombArray>"
        "\n\t\t\t<numAddComb>0</numAddComb>"
        "\n\t\t\t<numFreeComb>0</numFreeComb>"
        "\n\t\t\t<numSetCombState>0</numSetCombState>"
        "\n\t\t\t<numStartMigrate>0</numStartMigrate>"
        "\n\t\t\t<numEndMigrate>0</numEndMigrate>"
        "\n\t\t\t<numAbortMigrate>0</numAbortMigrate>"
        "\n\t\t\t<numRestart>0</numRestart>"
        "\n\t\t\t<numTgtUpdateCombState>0</numTgtUpdateCombState>"
        "\n\t\t</TgtStats>";
    ASSERT_GE(xml.plain.size(), tail.size());
    EXPECT_EQ(xml.plain.substr(xml.plain.size() - tail.size()), tail);
    EXPECT_EQ(xml.plain.find("keepalive-Tgt"), std::string::npos);
    EXPECT_EQ(xml.plain.find("MsgStats"), std::string::npos);
    // Section tags in the current colours, their fields one tab deeper.
    std::vector<std::string> sectionLines;
    for (const std::string &line : xml.lines) {
        if (line.find("KeepaliveTgt_Query>") != std::string::npos ||
            line.find("<numFencedKeepalive>") != std::string::npos ||
            line.find("<tgtUpDownState>") != std::string::npos) {
            sectionLines.push_back(line);
        }
    }
    EXPECT_EQ(sectionLines,
              (Lines{"<0,0>\t\t<4,4><tgtUpDownState><2,2>DOWN<4,4></tgtUpDownState>",
                     "<0,0>\t\t<KeepaliveTgt_Query>",
                     "<0,0>\t\t\t<4,4><numFencedKeepalive><1,0>1<4,4></numFencedKeepalive>",
                     "<0,0>\t\t</KeepaliveTgt_Query>"}));
}

TEST(MdmViews, DataServerEnumWordsTakeTheirOwnColours) {
    struct Case {
        uint32_t state;
        uint32_t upDown;
        uint32_t quiesce;
        std::string words;
    };
    for (const Case &c : {
             Case{0, 0, 1, "<2,2>FREE<4,4> UpDownState: <3,3>UP"},
             Case{1, 2, 2, "<2,2>CREATE INPROGRESS<4,4> UpDownState: <2,2>UP INPROGRESS"},
             Case{2, 3, 3, "<3,3>NORMAL<4,4> UpDownState: <2,2>DOWN INPROGRESS"},
             Case{3, 4, 4, "<2,2>REMOVE_PEND<4,4> UpDownState:  #DevErr: "},
         }) {
        auto pTgt = Make<Sdbg_TTgt_Query>();
        pTgt->wire.state = c.state;
        pTgt->wire.tgtUpDownState = c.upDown;
        pTgt->wire.quiesceState = c.quiesce;
        std::string line = Render(*pTgt, false).lines.at(0);
        EXPECT_NE(line.find(" State:" + c.words), std::string::npos) << line;
        static const char *const kQuiesce[] = {"<3,3>NONE", "<2,2>INFORM TGT IN-PROGRESS",
                                               "<2,2>QUIESCED", "<2,2>INFORM TGT STOP IN PROGRESS",
                                               " IP:"};
        EXPECT_NE(line.find(std::string(" QuiesceState: ") + kQuiesce[c.quiesce]),
                  std::string::npos)
            << line;
    }
}

TEST(MdmViews, ManagerObjectNameFillsTheRecordToItsEnd) {
    auto pObj = Make<Sdbg_TMgrObj_Query>();
    std::memset(pObj->wire.objName, 'N', sizeof(pObj->wire.objName));
    pObj->wire.genNum = 0xab;
    pObj->wire.bLocked = 1;
    EXPECT_EQ(Render(*pObj, false).lines, (Lines{Marked()
                                                     .Field("Name:", V, std::string(36, 'N'))
                                                     .Field(" Next available uniqID:", A, "0x0")
                                                     .Field(" Unique ID rep:", A, "0x0")
                                                     .Field(" max unique ID:", A, "0x0")
                                                     .Field(" genNum:", V, "0xab")
                                                     .Field(" max genNum:", A, "0x0")
                                                     .Field(" doing rep IO:", A, "1")
                                                     .Str()}));
}

void FillTgtDev(TgtDev_Query &w, uint32_t quiesceFlags) {
    w.tgtID = 0x10;
    w.queueDepth = 65535;
    w.usedCombs = 0;
    w.snapReservedCapacityMB = 0;
    w.capMgrDev.bookedThickMbs = 3;
    w.capMgrDev.bookedThinMbs[0] = 1;
    w.capMgrDev.bookedThinMbs[1] = 2;
    w.capMgrDev.bookedThinMbs[2] = 3;
    w.capMgrDev.quiesceState = quiesceFlags;
    w.multiHeadDev.numPendingMigrate = 4;
    w.multiHeadDev.numWaitingMigrate = 65535;
}

TEST(MdmViews, DeviceLinesWithEmptyLineAndSectionsInText) {
    auto pDev = Make<Sdbg_TTgtDev_Query>();
    FillTgtDev(pDev->wire, 0x41);
    Rendered text = Render(*pDev, false);
    ASSERT_EQ(text.lines.size(), 17u);
    EXPECT_EQ(text.currentLine, 17u) << "every device is followed by an empty line";
    EXPECT_NE(text.lines[2].find(Marked().Field(" Queue Depth:", V, "65535").Str()),
              std::string::npos);
    EXPECT_NE(text.lines[6].find(Marked().Field(" usedCombs:", A, "0").Str()), std::string::npos);
    EXPECT_EQ(text.lines[8], Marked()
                                 .Field(" layout-overhead--mbs:", V, "0")
                                 .Field(" reserved-mbs:", V, "0")
                                 .Field(" unused-res-mbs:", A, "0")
                                 .Field(" unused-res-state:", V, "0")
                                 .Str());
    EXPECT_EQ(text.lines[9], "") << "line 10 is always empty";
    EXPECT_EQ(text.lines[12], Marked()
                                  .Put(0, 0, "  capMgr-Dev")
                                  .Field(" Total-MBs:", V, "0")
                                  .Field(" Used-MBs:", V, "0")
                                  .Field(" Dest-Total-MBs:", V, "0")
                                  .Field(" Used-Combs:", A, "0")
                                  .Str());
    EXPECT_EQ(text.lines[14], Marked()
                                  .Field(" thick-migrate-MBs:", V, "0")
                                  .Put(0, 0, "  Booked-MBs:")
                                  .Field(" Thick:", A, "3")
                                  .Field(" Reserved:", V, "0")
                                  .Put(0, 0, " (")
                                  .Put(4, 4, "Thin:")
                                  .Put(0, 0, " PHYSICAL:")
                                  .Put(1, 0, "1")
                                  .Put(0, 0, " LOGICAL:")
                                  .Put(1, 0, "2")
                                  .Put(0, 0, " OCTETS:")
                                  .Put(1, 0, "3")
                                  .Put(0, 0, ")")
                                  .Str());
    EXPECT_EQ(text.lines[15], "<4,4> Quiesce:<2,0> DOWN DELAYED");
    EXPECT_EQ(text.lines[16], Marked()
                                  .Put(0, 0, "  MH-Dev")
                                  .Field(" Pend: #Migrate: ", A, "4")
                                  .Field(" #Reb: ", V, "0")
                                  .Field(" #FwdReb: ", V, "0")
                                  .Field(" Active #Mig: ", V, "0")
                                  .Field(" #Reb: ", V, "0")
                                  .Field(" #Migrate: ", V, "0")
                                  .Field(" #Rebuilds: ", V, "0")
                                  .Field(" #FwdReb: ", V, "0")
                                  .Field(" #OptimizeProtTimeAborts ", V, "0")
                                  .Field(" #numWaitingMigrate ", A, "65535")
                                  .Str());
}

TEST(MdmViews, DeviceQuiesceFlagWordsInTextAndXml) {
    struct Case {
        uint32_t flags;
        std::string words;
    };
    for (const Case &c : {Case{0, ""}, Case{0x41, " DOWN DELAYED"}, Case{0x80, ""},
                          Case{0x7F, " DOWN MM REMOVE REDUCE DEV_ERROR DEV_WARNING DELAYED"},
                          Case{0xFFFFFF3E, " MM REMOVE REDUCE DEV_ERROR DEV_WARNING"}}) {
        auto pDev = Make<Sdbg_TTgtDev_Query>();
        FillTgtDev(pDev->wire, c.flags);
        Rendered text = Render(*pDev, false);
        ASSERT_EQ(text.lines.size(), 17u);
        EXPECT_EQ(text.lines[15], Marked().Put(4, 4, " Quiesce:").Put(2, 0, c.words).Str())
            << c.flags;
        std::string xml = Render(*pDev, true).plain;
        EXPECT_NE(xml.find("\n\t\t\t<quiesceState>" + c.words +
                           "</quiesceState>\n\t\t"
                           "</CapMgrDev_Query>"),
                  std::string::npos)
            << xml;
    }
}

TEST(MdmViews, DeviceXmlSectionsFollowTheSpefFields) {
    auto pDev = Make<Sdbg_TTgtDev_Query>();
    FillTgtDev(pDev->wire, 0x1);
    std::string xml = Render(*pDev, true).plain;
    const std::string tail = "\n\t\t<recoverySpefNvramSizeMB>0</recoverySpefNvramSizeMB>"
                             "\n\t\t<CapMgrDev_Query>"
                             "\n\t\t\t<totalMbs>0</totalMbs>"
                             "\n\t\t\t<usedMbs>0</usedMbs>"
                             "\n\t\t\t<destTotalMbs>0</destTotalMbs>"
                             "\n\t\t\t<usedCombs>0</usedCombs>"
                             "\n\t\t\t<potentialMbs>0</potentialMbs>"
                             "\n\t\t\t<rmPendingMbs>0</rmPendingMbs>"
                             "\n\t\t\t<cntInboundMigrations>0</cntInboundMigrations>"
                             "\n\t\t\t<bIsFull>0</bIsFull>"
                             "\n\t\t\t<bIsStuck>0</bIsStuck>"
                             "\n\t\t\t<thickMigrateMbs>0</thickMigrateMbs>"
                             "\n\t\t\t<bookedThickMbs>3</bookedThickMbs>"
                             "\n\t\t\t<bookedReservedMbs>0</bookedReservedMbs>"
                             "\n\t\t\t<bookedThinMbs> PHYSICAL:1 LOGICAL:2 OCTETS:3</bookedThinMbs>"
                             "\n\t\t\t<quiesceState> DOWN</quiesceState>"
                             "\n\t\t</CapMgrDev_Query>"
                             "\n\t\t<MultiHead_DevQuery>"
                             "\n\t\t\t<numPendingMigrate>4</numPendingMigrate>"
                             "\n\t\t\t<numPendingRebuild>0</numPendingRebuild>"
                             "\n\t\t\t<numPendingFwdRebuild>0</numPendingFwdRebuild>"
                             "\n\t\t\t<numActiveMigrate>0</numActiveMigrate>"
                             "\n\t\t\t<numActiveRebuild>0</numActiveRebuild>"
                             "\n\t\t\t<totalNumMigrations>0</totalNumMigrations>"
                             "\n\t\t\t<totalNumRebuilds>0</totalNumRebuilds>"
                             "\n\t\t\t<totalNumFwdRebuilds>0</totalNumFwdRebuilds>"
                             "\n\t\t\t<numOptimizeProtTimeAborts>0</numOptimizeProtTimeAborts>"
                             "\n\t\t\t<numWaitingMigrate>65535</numWaitingMigrate>"
                             "\n\t\t</MultiHead_DevQuery>";
    ASSERT_GE(xml.size(), tail.size());
    EXPECT_EQ(xml.substr(xml.size() - tail.size()), tail);
    Rendered marked = Render(*pDev, true);
    std::vector<std::string> found;
    for (const std::string &line : marked.lines) {
        if (line.find("bookedThinMbs>") != std::string::npos ||
            line.find("quiesceState>") != std::string::npos) {
            found.push_back(line);
        }
    }
    EXPECT_EQ(found, (Lines{"<0,0>\t\t\t<4,4><bookedThinMbs><0,0> PHYSICAL:<1,0>1<0,0> LOGICAL:"
                            "<1,0>2<0,0> OCTETS:<1,0>3<4,4></bookedThinMbs>",
                            "<0,0>\t\t\t<4,4><quiesceState><2,0> DOWN<4,4></quiesceState>"}));
}

// The table checks flip the gaps of each record's own table; these are
// the gaps inside its sections.
TEST(MdmViews, BytesNoSectionRowReadsDoNotChangeTheOutput) {
    struct Case {
        uint32_t id;
        std::vector<Sdbg_ByteRange> gaps;
    };
    const uint32_t capMgr = offsetof(TgtDev_Query, capMgrDev);
    const uint32_t disc = offsetof(IniMgr_Query, disconnectionsMgr);
    for (const Case &c : {Case{34, {{capMgr + offsetof(CapMgrDev_Query, reserved16), 8}}},
                          Case{61,
                               {{disc + offsetof(IniDisconnectionsMgr_Query, reserved2), 6},
                                {disc + offsetof(IniDisconnectionsMgr_Query, reserved18), 6}}}}) {
        auto pObj = viewstest::MakeObject(c.id, [](uint8_t *p, uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                p[i] = static_cast<uint8_t>(i * 13 + 1);
            }
        });
        const std::string before = Render(*pObj, false).plain + Render(*pObj, true).plain;
        uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
        for (const Sdbg_ByteRange &gap : c.gaps) {
            for (uint32_t i = 0; i < gap.size; ++i) {
                pWire[gap.offset + i] ^= 0xA5;
            }
        }
        EXPECT_EQ(Render(*pObj, false).plain + Render(*pObj, true).plain, before) << c.id;
    }
}

TEST(MdmViews, ReadCacheDeviceIsOneLine) {
    auto pDev = Make<Sdbg_TTgtPellorinDev_Query>();
    pDev->wire.tgtPort = 65535;
    std::strcpy(pDev->wire.pellorinDevName, "nv0");
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.lines, (Lines{Marked()
                                     .Field(" Pellorin Device ID:", A, "0x0")
                                     .Field(" Tgt ID:", A, "0x0")
                                     .Put(4, 4, " Tgt IP:")
                                     .Field(" Tgt port:", V, "65535")
                                     .Field(" dev-name:", V, "nv0")
                                     .Put(4, 4, " mdm-path: tgt-path:")
                                     .Field(" Dev-Size(B):", A, "0")
                                     .Field(" pellorin-errors:", V, "0")
                                     .Str()}));
}

TEST(MdmViews, ClientManagerSectionsInTextAndXml) {
    auto pMgr = Make<Sdbg_TIniMgr_Query>();
    IniMgr_Query &w = pMgr->wire;
    w.numInitiators = 4;
    w.iniRescan.wakeNum = 1;
    w.disconnectionsMgr.numDisconnectedInis = 65535;
    w.disconnectionsMgr.disconnectedTgtId = 0xab;
    std::strcpy(w.disconnectionsMgr.disconnectedTgtIp, "1.2.3.4");
    w.disconnectionsMgr.connectivityStatus = -1;
    Rendered text = Render(*pMgr, false);
    EXPECT_EQ(text.lines, (Lines{
                              Marked().Field(" #INIs:", V, "4").Str(),
                              Marked()
                                  .Put(0, 0, "UMT-scanner")
                                  .Field(" #wakes:", A, "1")
                                  .Field(" #notifs:", V, "0")
                                  .Str(),
                              Marked()
                                  .Put(0, 0, "Disconnections Mgr:")
                                  .Field(" CoolOffTimeMillis:", V, "0")
                                  .Field(" #Disconnected Inis:", A, "65535")
                                  .Field(" Disconnected Ini:", A, "0x0")
                                  .Field(" #Disconnected Tgts:", V, "0")
                                  .Str(),
                              Marked()
                                  .Field(" Disconnected Tgt:", V, "0xab")
                                  .Field(" Disconnected Tgt IP:", V, "1.2.3.4")
                                  .Field(" All TGT IPs:", V, "0")
                                  .Field(" Connectivity Status:", V, "-1")
                                  .Str(),
                          }));
    EXPECT_EQ(text.currentLine, 3u);
    EXPECT_EQ(Render(*pMgr, true).plain, "\n\t\t<numInitiators>4</numInitiators>"
                                         "\n\t\t<IniRescan_Query>"
                                         "\n\t\t\t<wakeNum>1</wakeNum>"
                                         "\n\t\t\t<numNotifs>0</numNotifs>"
                                         "\n\t\t</IniRescan_Query>"
                                         "\n\t\t<IniDisconnectionsMgr_Query>"
                                         "\n\t\t\t<coolOffTimeMillis>0</coolOffTimeMillis>"
                                         "\n\t\t\t<numDisconnectedInis>65535</numDisconnectedInis>"
                                         "\n\t\t\t<disconnectedIniId>0x0</disconnectedIniId>"
                                         "\n\t\t\t<numDisconnectedTgts>0</numDisconnectedTgts>"
                                         "\n\t\t\t<disconnectedTgtId>0xab</disconnectedTgtId>"
                                         "\n\t\t\t<disconnectedTgtIp>1.2.3.4</disconnectedTgtIp>"
                                         "\n\t\t\t<bAllTgtIps>0</bAllTgtIps>"
                                         "\n\t\t\t<connectivityStatus>-1</connectivityStatus>"
                                         "\n\t\t</IniDisconnectionsMgr_Query>");
}

TEST(MdmViews, ClientGuidIsItsRegistryTextInBothViews) {
    struct Case {
        uint8_t bytes[16];
        std::string text;
    };
    for (const Case &c : {Case{{}, "{00000000-0000-0000-0000-000000000000}"},
                          Case{{0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56, 0x9a, 0xbc, 0xde,
                                0xf0, 0x01, 0x02, 0x03, 0x04},
                               "{12345678-1234-5678-9ABC-DEF001020304}"}}) {
        auto pIni = Make<Sdbg_TIni_Query>();
        std::memcpy(pIni->wire.guid, c.bytes, sizeof(c.bytes));
        std::strcpy(pIni->wire.name, "ini-a");
        std::string line = Render(*pIni, false).lines.at(0);
        EXPECT_NE(line.find(Marked().Field(" Name:", 5, "ini-a").Str()), std::string::npos);
        EXPECT_NE(line.find(" GUID:<1,0>" + c.text), std::string::npos) << line;
        EXPECT_EQ(c.text.size(), 38u);
        EXPECT_NE(Render(*pIni, true).plain.find("\n\t\t<guid>" + c.text + "</guid>"),
                  std::string::npos);
    }
}

TEST(MdmViews, VolumeCountersAtOddOffsetsAndZeroWindows) {
    auto pVol = Make<Sdbg_TVol_Query>();
    Vol_Query &w = pVol->wire;
    w.writeBwcLbs = {4, 8, 0, 0, 2}; // 8 units over 2 s: 2 KB/s, 2 IO/s, 1 KB each
    w.writeLatencyBwc = {2, 30, 20, 10, 0};
    Rendered text = Render(*pVol, false);
    ASSERT_EQ(text.lines.size(), 7u);
    EXPECT_EQ(text.lines[1], "<4,4> Read BWC:<1,0>0 bytes/s<4,4> Write BWC:<1,0>2 KB/s 2 IO/s "
                             "<4,4>Avg Io size: <1,0>1 KB<4,4> Trim BWC:<1,0>0 bytes/s");
    EXPECT_EQ(text.lines[2], "<4,4> Read Latency:<1,0>0 Micro/io<4,4> Write Latency:<1,0>15 "
                             "Min-10 Max-20 Micro/io<4,4> Trim Latency:<1,0>0 Micro/io");
    EXPECT_NE(text.lines[5].find(Marked().Field(" Volume recovery type:", V, "0x0").Str()),
              std::string::npos);
    EXPECT_NE(Render(*pVol, true)
                  .plain.find("\n\t\t<writeLatencyBwc>15 Min-10 Max-20 Micro/io</writeLatencyBwc>"),
              std::string::npos);
}

TEST(MdmViews, VolumePolicyFlagsTailInTextAndXml) {
    struct Case {
        uint8_t flags;
        std::string tail;
    };
    const std::string intervals = "<4,0> Belongs to Intervals: ";
    for (const Case &c : {
             Case{0, "<4,0> Locked: <1,0>no<4,0> Expired: <1,0>no" + intervals + "-,-,-,-,-,-"},
             Case{0xFF, "<4,0> Locked: <1,0>yes<4,0> Expired: <1,0>yes" + intervals +
                            "<1,0>1<4,0>,<1,0>1<4,0>,<1,0>1<4,0>,<1,0>1<4,0>,<1,0>1<4,0>,<1,0>1"},
             Case{0x25, "<4,0> Locked: <1,0>yes<4,0> Expired: <1,0>no" + intervals +
                            "<1,0>1<4,0>,-,-,<1,0>1<4,0>,-,-"},
         }) {
        auto pVol = Make<Sdbg_TVol_Query>();
        pVol->wire.policyFlags = c.flags;
        pVol->wire.tickerExpiry = 3;
        Rendered text = Render(*pVol, false);
        ASSERT_EQ(text.lines.size(), 7u);
        EXPECT_EQ(
            text.lines[6],
            Marked().Field(" Ticker Created:", V, "0").Field(" Ticker Expiry:", V, "3").Str() +
                c.tail)
            << int(c.flags);
        EXPECT_EQ(text.currentLine, 6u);
        Rendered xml = Render(*pVol, true);
        EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4><policyFlags>" + c.tail + "<4,4></policyFlags>");
    }
}

TEST(MdmViews, SnapshotEndsItsLastLineItself) {
    auto pSnap = Make<Sdbg_TSnap_Query>();
    pSnap->wire.snapshotId = 0x5;
    std::memcpy(pSnap->wire.deletionState, std::string(36, 'D').data(), 36);
    Rendered text = Render(*pSnap, false);
    ASSERT_EQ(text.lines.size(), 3u);
    EXPECT_EQ(text.currentLine, 3u) << "an empty line follows each snapshot";
    EXPECT_EQ(text.lines[2], Marked()
                                 .Field(" Creation time:", V, "0")
                                 .Field(" Deletion State:", V, std::string(36, 'D'))
                                 .Str());
    const std::string tail = "\n\t\t<deletionState>" + std::string(36, 'D') + "</deletionState>";
    std::string xml = Render(*pSnap, true).plain;
    ASSERT_GE(xml.size(), tail.size());
    EXPECT_EQ(xml.substr(xml.size() - tail.size()), tail) << "no line break at the end";
}

TEST(MdmViews, PolicyLevelsShowDashesForZeroInLabelColour) {
    auto pPolicy = Make<Sdbg_TSnapshotPolicy_Query>();
    std::strcpy(pPolicy->wire.policyName, "pol");
    const uint32_t levels[6] = {1, 0, 0, 7, 0, 0};
    std::memcpy(pPolicy->wire.levels, levels, sizeof(levels));
    Rendered text = Render(*pPolicy, false);
    ASSERT_GE(text.lines.size(), 2u);
    EXPECT_EQ(text.lines[1], "<4,4> Name:<1,0>pol<4,0> Policy Levels:<1,0>1<4,0>,-,-,<1,0>7"
                             "<4,0>,-,-<4,4> Paused:<1,0>0");
    EXPECT_NE(Render(*pPolicy, true)
                  .plain.find("\n\t\t<levels> Policy Levels:1,-,-,7,-,-</levels>\n\t\t<paused>"),
              std::string::npos);
}

void FillPolicyIds(SnapshotPolicy_Query &w, uint32_t numSource, uint32_t numHeld,
                   uint32_t numNonZero) {
    w.volumes.numSourceVols = numSource;
    w.volumes.numIdsHeld = numHeld;
    for (uint32_t i = 0; i < numNonZero && i < MDM_SNAP_POLICY_VOL_IDS; ++i) {
        w.volumes.volIds[i] = i + 1;
    }
}

std::string IdRun(uint32_t first, uint32_t last, bool bTrailingComma) {
    std::string run = "    ";
    for (uint32_t id = first; id <= last; ++id) {
        char hex[24];
        mos_Snprintf(hex, sizeof(hex), "0x%x", id);
        run += hex;
        if (id < last || bTrailingComma) {
            run += ",";
        }
    }
    return run;
}

TEST(MdmViews, PolicySourceVolumeIdsEightToALine) {
    struct Case {
        uint32_t numSource, numHeld, numNonZero;
        Lines idLines; // plain text from line 4 (index 3) on
    };
    const Lines full16 = [] {
        Lines lines{" Source Volume IDs: 1000 (displaying only 128)"};
        for (uint32_t l = 0; l < 16; ++l) {
            lines.push_back(IdRun(l * 8 + 1, l * 8 + 8, l < 15));
        }
        return lines;
    }();
    for (const Case &c : {
             Case{10, 3, 3, {" Source Volume IDs: 10 (displaying only 3)", IdRun(1, 3, false)}},
             Case{9, 9, 9, {" Source Volume IDs: 9", IdRun(1, 8, true), IdRun(9, 9, false)}},
             Case{5, 5, 2, {" Source Volume IDs: 5", IdRun(1, 2, false)}},
             Case{4, 0, 4, {" Source Volume IDs: 4 (displaying only 0)"}},
             Case{0, 0, 0, {" Source Volume IDs: 0"}},
             Case{1000, 1000, 1000, full16},
             Case{5, 0xFFFFFFFF, 128, {" Source Volume IDs: 5", IdRun(1, 8, false)}},
         }) {
        auto pPolicy = Make<Sdbg_TSnapshotPolicy_Query>();
        FillPolicyIds(pPolicy->wire, c.numSource, c.numHeld, c.numNonZero);
        if (c.numHeld == 0xFFFFFFFF) {
            pPolicy->wire.volumes.volIds[8] = 0; // a zero id ends the list
        }
        Rendered text = Render(*pPolicy, false);
        std::vector<std::string> plainLines;
        std::string::size_type start = 0;
        for (;;) {
            auto end = text.plain.find('\n', start);
            plainLines.push_back(text.plain.substr(start, end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
        ASSERT_GE(plainLines.size(), 3u);
        EXPECT_EQ(Lines(plainLines.begin() + 3, plainLines.end()), c.idLines) << c.numHeld;
        std::string body;
        for (size_t i = 0; i < c.idLines.size(); ++i) {
            body += (i > 0 ? "\n" : "") + c.idLines[i];
        }
        Rendered xml = Render(*pPolicy, true);
        EXPECT_EQ(xml.plain.substr(xml.plain.find("\n\t\t<volumes>")),
                  "\n\t\t<volumes>" + body + "</volumes>");
    }
}

TEST(MdmViews, PolicyIdColoursAndCountsOnTheirLine) {
    auto pPolicy = Make<Sdbg_TSnapshotPolicy_Query>();
    FillPolicyIds(pPolicy->wire, 10, 3, 3);
    Rendered text = Render(*pPolicy, false);
    ASSERT_EQ(text.lines.size(), 5u);
    EXPECT_EQ(text.lines[3], "<4,0> Source Volume IDs: <1,0>10 (displaying only 3)");
    EXPECT_EQ(text.lines[4], "<4,0>    <1,0>0x1<4,0>,<1,0>0x2<4,0>,<1,0>0x3");
}

TEST(MdmViews, MultiHeadManagerRowStatesLineUp) {
    auto pMgr = Make<Sdbg_TMultiHeadMgr_Query>();
    MultiHeadMgr_Query &w = pMgr->wire;
    w.numMultiHeads = 2;
    w.totalCapacityBlocks = 100;
    w.freeCapacityBlocks = 50;
    w.genNum = 9;
    w.numRowsDegraded = 1;
    Rendered text = Render(*pMgr, false);
    EXPECT_EQ(text.lines, (Lines{
                              Marked()
                                  .Field(" #MultiHeads:", V, "2")
                                  .Field(" #CapBlocks:", V, "100")
                                  .Field(" Free Capacity:", V, "50")
                                  .Field(" Gen Num:", V, "9")
                                  .Str(),
                              Marked()
                                  .Field(" NumRowsPerState: NORM: ", V, "0")
                                  .Field("    DEG:", A, "1")
                                  .Field("    UNA:", V, "0")
                                  .Field(" REB:", V, "0")
                                  .Str(),
                              Marked()
                                  .Field("                  MM_NORM:", V, "0")
                                  .Field(" MM_DEG:", V, "0")
                                  .Field(" MM_DIFF_SYNC:", V, "0")
                                  .Str(),
                              Marked()
                                  .Field("                  MM_UNA_SYNC:", V, "0")
                                  .Field(" MM_UNA_DIFF:", V, "0")
                                  .Field(" NI:", V, "0")
                                  .Field(" DELETE:", V, "0")
                                  .Str(),
                          }));
    auto lineStart = text.plain.find('\n') + 1;
    auto line3Start = text.plain.find('\n', lineStart) + 1;
    EXPECT_EQ(text.plain.find("NORM:", lineStart) - lineStart,
              text.plain.find("MM_NORM:", line3Start) - line3Start);
}

TEST(MdmViews, MultiHeadAveragesAreAlertUnlessExactlyZero) {
    struct Case {
        double avg;
        int fg;
    };
    for (const Case &c : {Case{0.0, V}, Case{0.004, A}, Case{-0.0, V}, Case{2.5, A},
                          Case{std::numeric_limits<double>::quiet_NaN(), A}}) {
        auto pMh = Make<Sdbg_TMultiHead_Query>();
        pMh->wire.usedAvg = c.avg;
        pMh->wire.primaryAvg = c.avg;
        pMh->wire.usedStddev = c.avg;
        Rendered text = Render(*pMh, false);
        ASSERT_EQ(text.lines.size(), 5u);
        const std::string avgMark = "<4,4> Used average:<" + std::to_string(c.fg) + ",0>";
        EXPECT_NE(text.lines[3].find(avgMark), std::string::npos) << text.lines[3];
        EXPECT_NE(text.lines[3].find("<4,4> used-TGTs-stddev:<1,0>"), std::string::npos);
        EXPECT_NE(text.lines[4].find("<4,4> Primary average:<" + std::to_string(c.fg) + ",0>"),
                  std::string::npos);
        if (!std::isnan(c.avg)) {
            char number[32];
            mos_Snprintf(number, sizeof(number), "%.2f", c.avg);
            EXPECT_NE(text.lines[3].find(avgMark + number + "<4,4>"), std::string::npos);
            EXPECT_NE(Render(*pMh, true)
                          .plain.find(std::string("\n\t\t<usedAvg>") + number + "</usedAvg>"),
                      std::string::npos);
        }
    }
}

TEST(MdmViews, MultiHeadCombSizesOfZeroAreAlerts) {
    auto pMh = Make<Sdbg_TMultiHead_Query>();
    pMh->wire.phyCombSizeMid = 77; // the middle words are not shown
    Rendered text = Render(*pMh, false);
    ASSERT_EQ(text.lines.size(), 5u);
    EXPECT_EQ(text.lines[2], Marked()
                                 .Field(" (max,min)-mb: phy-comb-size:", A, "0")
                                 .Field(",", A, "0")
                                 .Field(" comb-weight:", A, "0")
                                 .Field(",", A, "0")
                                 .Field(" logical-comb-size:", A, "0")
                                 .Field(",", A, "0")
                                 .Field(" octets-comb-size:", A, "0")
                                 .Field(",", A, "0")
                                 .Str());
}

TEST(MdmViews, VolumeBlockStartTimeIsHighlighted) {
    auto pBlock = Make<Sdbg_TVolumeBlock_Query>();
    pBlock->wire.srcMultiHeadId = 0xbeef;
    std::strcpy(pBlock->wire.startTime, "12:00");
    Rendered text = Render(*pBlock, false);
    ASSERT_EQ(text.lines.size(), 4u);
    EXPECT_NE(text.lines[0].find(Marked().Field(" srcMultiHeadId:", V, "0xbeef").Str()),
              std::string::npos);
    EXPECT_EQ(text.lines[3],
              Marked().Field(" startTime:", 5, "12:00").Field(" bIsFragDefrag:", V, "0").Str());
}

} // namespace
