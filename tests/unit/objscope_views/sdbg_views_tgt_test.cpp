// Goldens of the data server's views, one per shape: histograms, sections,
// I/O-class counters, duration lists, nested records, range and pool lists,
// enum words and the initiator's pool entries; and the edges where a record
// from the server could make a view read too far or divide by zero. Lines
// are marked "<fg,bg>" wherever the colour pair changes.

#include "views_test_support.h"

#include <gtest/gtest.h>

using viewstest::Make;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

Lines Slice(const Lines &lines, size_t first, size_t count) {
    if (first + count > lines.size()) {
        return {};
    }
    return Lines(lines.begin() + first, lines.begin() + first + count);
}

// ---- I/O handler ----

TEST(TgtViews, IohHistogramsThreeBucketsToALineEachFollowedByAnEmptyLine) {
    auto pIoh = Make<Sdbg_TIohQuery>();
    _IohQuery &w = pIoh->wire;
    for (uint32_t i = 0; i < kIohSizeBuckets; ++i) {
        w.ioCount[i] = i + 1;
    }
    w.ioLatRead[0] = 3;
    w.ioLatRead[11] = 1;
    w.readCountPri = 2;
    w.readCountSec = 2;
    w.totalInLbs = 5 << 11;
    w.ioFlow.sendRsp = 7;
    Rendered text = Render(*pIoh, false);
    EXPECT_EQ(text.lines.at(0), "<4,4> Small Ios:<1,0>0<4,4> Total:<1,1>5MB");
    EXPECT_EQ(Slice(text.lines, 6, 5),
              (Lines{"<4,4>Io Count:", "<4,4>  4KB <1,0>1<4,4>  8KB <1,0>2<4,4>  16KB <1,0>3",
                     "<4,4>  32KB <1,0>4<4,4>  64KB <1,0>5<4,4>  128KB <1,0>6",
                     "<4,4>  256KB <1,0>7<4,4>  512KB <1,0>8<4,4>  1024KB <1,0>9", ""}));
    EXPECT_EQ(
        Slice(text.lines, 11, 6),
        (Lines{"<4,4>Read Io Latency:",
               "<4,4>  64usec <1,0>3<4,4>  128usec <1,0>0<4,4>  256usec <1,0>0",
               "<4,4>  512usec <1,0>0<4,4>  1024usec <1,0>0<4,4>  2048usec <1,0>0",
               "<4,4>  4096usec <1,0>0<4,4>  8192usec <1,0>0<4,4>  16384usec <1,0>0",
               "<4,4>  32768usec <1,0>0<4,4>  65536usec <1,0>0<4,4>  131072usec <1,0>1", ""}));
    // 3 of 4 reads is 75%, 1 of 4 is 25%.
    EXPECT_EQ(Slice(text.lines, 23, 2),
              (Lines{"<4,4>Io Latency Percent:",
                     "<4,4>  64% <1,0>75<4,4>  128% <1,0>0<4,4>  256% <1,0>0"}));
    EXPECT_EQ(text.lines.at(27), "<4,4>  32768% <1,0>0<4,4>  65536% <1,0>0<4,4>  131072% <1,0>25");
    EXPECT_EQ(text.lines.at(29), "<4,4>Read Cache Latency:");
    EXPECT_EQ(text.currentLine, 35u) << "ends on its last line, without a line break";
    EXPECT_EQ(text.lines.at(35).substr(0, 32), "<4,4>Io operations - Allocated:<");
    EXPECT_NE(text.lines.at(35).find("<4,4> Sending Rsp:<1,0>7"), std::string::npos);
}

TEST(TgtViews, IohXmlHistogramsAreContainersOfBucketElements) {
    auto pIoh = Make<Sdbg_TIohQuery>();
    pIoh->wire.ioCount[0] = 4;
    pIoh->wire.totalInLbs = 4096;
    Rendered xml = Render(*pIoh, true);
    EXPECT_EQ(xml.lines.at(2), "<0,0>\t\t<4,4><totalInLbs><1,1>2MB<4,4></totalInLbs>");
    EXPECT_EQ(Slice(xml.lines, 24, 3),
              (Lines{"<0,0>\t\t<4,4><ioCount>", "<0,0>\t\t\t<4,4><KB4><1,0>4<4,4></KB4>",
                     "<0,0>\t\t\t<4,4><KB8><1,0>0<4,4></KB8>"}));
    EXPECT_EQ(xml.lines.at(34), "<0,0>\t\t<4,4></ioCount>");
    std::string all = xml.plain;
    EXPECT_NE(all.find("\t\t<ioLatPercent>\n\t\t\t<percent64>0</percent64>\n"), std::string::npos);
    EXPECT_NE(all.find("<percent131072>0</percent131072>\n\t\t</ioLatPercent>\n\t\t"
                       "<ioLatReadCache>\n"),
              std::string::npos);
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4><ioFlow.sendRsp><1,0>0<4,4></ioFlow.sendRsp>");
}

// The read count is the 32-bit sum of the primary and secondary reads.
TEST(TgtViews, IohLatencyPercentagesAreGuardedAndBounded) {
    struct Case {
        uint32_t readCountPri;
        uint32_t readCountSec;
        uint32_t bucket;
        const char *pPercent;
    };
    const Case cases[] = {
        {0, 0, 50, "0"},                   // no reads: every share 0
        {0xFFFFFFFFu, 1, 50, "0"},         // the sum wraps to 0: still no division
        {3, 0, 1, "33"},                   // truncated toward zero
        {1, 0, 0xFFFFFFFFu, "4294967295"}, // more than 100%: held within a u32
    };
    for (const Case &c : cases) {
        auto pIoh = Make<Sdbg_TIohQuery>();
        pIoh->wire.readCountPri = c.readCountPri;
        pIoh->wire.readCountSec = c.readCountSec;
        for (uint32_t &bucket : pIoh->wire.ioLatRead) {
            bucket = c.bucket;
        }
        Rendered text = Render(*pIoh, false);
        std::string share = std::string("<1,0>") + c.pPercent;
        EXPECT_EQ(text.lines.at(24),
                  "<4,4>  64% " + share + "<4,4>  128% " + share + "<4,4>  256% " + share)
            << c.readCountPri;
        EXPECT_NE(Render(*pIoh, true).plain.find(std::string("<percent131072>") + c.pPercent),
                  std::string::npos);
    }
}

// ---- Device ----

TEST(TgtViews, DeviceSectionsTitlesOnLinesOfTheirOwnAndEmptyElements) {
    auto pDev = Make<Sdbg_TDevQuery>();
    _DevQuery &w = pDev->wire;
    w.devId = 0xAB;
    w.numOfInflights = 0xFFFF;
    w.pellorinCounters.avgRdTime = 11;
    w.phyDev.fineDrlQuery.fineDrlSuccsefullTeethAllocsRebuild = 12;
    w.phyDev.fineDrlQuery.fineDrlGranularity = 64;
    w.contDev.numCombs = 13;
    w.contDev.persistentChecksumEnabled = 1;
    w.contDev.queueDepth = 14;
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.lines.at(0).substr(0, 35), "<4,4> DevId:<1,0>0xab<4,4> Comb off");
    EXPECT_NE(text.lines.at(0).find("(SPEF only):<1,0>65535"), std::string::npos);
    EXPECT_EQ(Slice(text.lines, 7, 3),
              (Lines{"", "<4,4>Pellorin Counters:",
                     "<4,4>   average read time:<1,0>11<4,4> average write time:<1,0>0"
                     "<4,4> #read ios issued down to the device:<1,0>0"
                     "<4,4> #write ios issued down to the device:<1,0>0"}));
    EXPECT_EQ(Slice(text.lines, 17, 3),
              (Lines{"", "<4,4>fine DRL Counters:",
                     "<4,4>   Succesfull Tooth objects allocations in rebuild:<1,0>12"}));
    EXPECT_EQ(text.lines.at(23), "<4,4>   Granularity:<1,0>64<4,4>KB ");
    EXPECT_EQ(Slice(text.lines, 24, 3),
              (Lines{"", "<4,4>Cont Dev:", "<4,4>   Current # combs:<1,0>13"}));
    EXPECT_EQ(text.lines.at(28).substr(0, 40), "<4,4>   Persistent checksum:<1,0>1<4,4> ");
    EXPECT_EQ(text.lines.at(29), "<4,4>  Queue depth:<1,0>14");
    EXPECT_EQ(text.currentLine, 30u) << "ends with its own line break";

    std::string xml = Render(*pDev, true).plain;
    EXPECT_NE(xml.find("</phyDev.toothArrayHardenMaxInLbs>\n\t\t<pellorinCounters>"
                       "</pellorinCounters>\n\t\t<pellorinCounters.avgRdTime>11<"),
              std::string::npos);
    EXPECT_NE(xml.find("<fineDrlCounters></fineDrlCounters>\n\t\t"
                       "<phyDev.fineDrlQuery.fineDrlSuccsefullTeethAllocsRebuild>12<"),
              std::string::npos);
    EXPECT_NE(xml.find("<phyDev.fineDrlQuery.fineDrlGranularity>64KB </"), std::string::npos);
    EXPECT_NE(xml.find("<ContDev></ContDev>\n\t\t<contDev.numCombs>13</contDev.numCombs>"),
              std::string::npos);
}

TEST(TgtViews, DeviceZeroAveragesAreGuardedInTextAndXml) {
    struct Case {
        uint32_t zeroCount;
        uint32_t zeroIOSize;
        uint32_t zeroOverhead;
        const char *pSize;
        const char *pOverhead;
    };
    const Case cases[] = {
        {0, 100, 40, "0", "0"},
        {5, 100, 40, "10", "4"},
        {0x80000000u, 100, 40, "0", "0"}, // the doubled count is 0 in 32 bits
        {0x80000001u, 100, 40, "50", "20"},
    };
    for (const Case &c : cases) {
        auto pDev = Make<Sdbg_TDevQuery>();
        pDev->wire.phyDev.zeroCount = c.zeroCount;
        pDev->wire.phyDev.zeroIOSize = c.zeroIOSize;
        pDev->wire.phyDev.zeroOverhead = c.zeroOverhead;
        Rendered text = Render(*pDev, false);
        EXPECT_EQ(text.lines.at(4), "<4,4> Zero Io Count:<1,0>" + std::to_string(c.zeroCount) +
                                        "<4,4> Avg IO size (KB):<1,1>" + c.pSize +
                                        "<4,4> Zero overhead (KB):<1,1>" + c.pOverhead);
        Rendered xml = Render(*pDev, true);
        EXPECT_EQ(xml.lines.at(16), std::string("<0,0>\t\t<4,4><phyDev.zeroIOSize><1,1>") +
                                        c.pSize + "<4,4></phyDev.zeroIOSize>");
        EXPECT_EQ(xml.lines.at(17), std::string("<0,0>\t\t<4,4><phyDev.zeroOverhead><1,1>") +
                                        c.pOverhead + "<4,4></phyDev.zeroOverhead>");
    }
}

// ---- File ----

TEST(TgtViews, FileIoClassCountersThenPathsAndBandwidth) {
    auto pFile = Make<Sdbg_TFileQuery>();
    _FileQuery &w = pFile->wire;
    w.ioCounters[0].writes = 1;
    w.ioCounters[0].writeLbs = 4096;
    w.ioCounters[0].writeErrors = 2;
    w.ioCounters[0].reads = 3;
    w.ioCounters[0].readLbs = 2047;
    w.ioCounters[6].readErrors = 9;
    std::memset(w.raw.name, 'p', sizeof(w.raw.name)); // no NUL within 64 bytes
    w.raw.fileSizeInLbs = 0x4141414141414141ULL;
    std::strcpy(w.devQuery.raw.name, "/dev/sdb");
    w.devQuery.raw.sampleGrn = 5;
    Rendered text = Render(*pFile, false);
    EXPECT_EQ(Slice(text.lines, 0, 4),
              (Lines{"<4,4>Io Counters:", "<4,4> GENERAL",
                     "<4,4>  Writes: <1,0>1<4,4> Lbs: <1,0>4096<4,4> MBs: <1,0>2"
                     "<4,4> Errors: <1,0>2",
                     "<4,4>  Reads: <1,0>3<4,4> Lbs: <1,0>2047<4,4> MBs: <1,0>0"
                     "<4,4> Errors: <1,0>0"}));
    EXPECT_EQ(text.lines.at(19), "<4,4> ALLOW_DURING_SUSPENSION");
    EXPECT_EQ(text.lines.at(21).substr(text.lines.at(21).size() - 15), " Errors: <1,0>9");
    EXPECT_EQ(text.lines.at(22), "<4,4> Dev path:<1,0>" + std::string(64, 'p') +
                                     "<4,4> Actual dev path:<1,0>/dev/sdb"
                                     "<4,4> Size(lbs):<1,0>4702111234474983745"
                                     "<4,4> Actual size(lbs):<1,0>0<4,4> Time grn:<1,0>5");
    EXPECT_EQ(text.lines.at(23), "<4,4> Bwc-Writes:<1,0>0 bytes/s<4,4> Latency:<1,0>0 Micro/io");
    EXPECT_EQ(text.lines.at(24), "<4,4> Bwc-Read:<1,0>0 bytes/s<4,4> Latency:<1,0>0 Micro/io");
    EXPECT_EQ(text.currentLine, 25u) << "ends with its own line break";

    std::memset(w.devQuery.raw.name, 'q', sizeof(w.devQuery.raw.name));
    w.devQuery.raw.sampleGrn = 0x41; // a printable byte right after the name
    std::string line = Render(*pFile, false).lines.at(22);
    EXPECT_NE(line.find(" Actual dev path:<1,0>" + std::string(64, 'q') + "<4,4> Size(lbs):"),
              std::string::npos)
        << line;
}

TEST(TgtViews, FileXmlIoClassEntriesAtFourTabsThenFields) {
    auto pFile = Make<Sdbg_TFileQuery>();
    pFile->wire.ioCounters[0].writeLbs = 6144;
    std::strcpy(pFile->wire.raw.name, "a<b&c");
    Rendered xml = Render(*pFile, true);
    EXPECT_EQ(Slice(xml.lines, 0, 6),
              (Lines{"", "<0,0>\t\t<4,4><ioCounters>", "<0,0>\t\t\t<1,1><<4,4>GENERAL<1,1>>",
                     "<0,0>\t\t\t\t<1,1><Writes><1,0>0<1,1></Writes>",
                     "<0,0>\t\t\t\t<1,1><Write_Lbs><1,0>6144<1,1></Write_Lbs>",
                     "<0,0>\t\t\t\t<1,1><Write_MBs><1,0>3<1,1></Write_MBs>"}));
    EXPECT_EQ(xml.lines.at(11), "<0,0>\t\t\t<1,1></<4,4>GENERAL<1,1>>");
    // 7 entries of 10 lines after the opening line.
    EXPECT_EQ(xml.lines.at(72), "<0,0>\t\t<4,4></ioCounters>");
    EXPECT_EQ(xml.lines.at(73), "<0,0>\t\t<4,4><raw.name><1,0>a<b&c<4,4></raw.name>");
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4><devQuery.readLatencyBwc><1,0>0 Micro/io<4,4>"
                                "</devQuery.readLatencyBwc>");
}

// ---- Volume, VTree, head ----

TEST(TgtViews, VolumeFlagsAlertWhenSetAndVtreeIdIsDecimal) {
    auto pVol = Make<Sdbg_TVolQuery>();
    pVol->wire.volId = 0x10;
    pVol->wire.vtreeId = 0x10;
    pVol->wire.bBlockIo = -1;
    EXPECT_EQ(Render(*pVol, false).lines,
              (Lines{"<4,4> VolId:<1,0>0x10<4,4> Generation number:<1,0>0<4,4> VtreeId:<1,0>16"
                     "<4,4> Scsi Generation number:<1,0>0<4,4> bQuiesced:<1,0>0"
                     "<4,4> bBlockIo:<2,0>-1"}));
    auto pHead = Make<Sdbg_THeadQuery>();
    pHead->wire.headId = 0xBEEF;
    Rendered head = Render(*pHead, false);
    EXPECT_EQ(head.lines, (Lines{"<4,4> HeadId:<1,0>0xbeef"}));
    EXPECT_EQ(head.currentLine, 0u);
}

TEST(TgtViews, VtreeDurationListsEmptyOneAndBeyondTheirSlots) {
    auto pVtree = Make<Sdbg_TVtreeQuery>();
    _VtreeQuery &w = pVtree->wire;
    Rendered empty = Render(*pVtree, false);
    EXPECT_EQ(Slice(empty.lines, 6, 2),
              (Lines{"<4,4> Latest rename scan durations (0 is latest):"
                     "<1,1>No rename-scans were completed yet.",
                     "<4,4> Latest rename overall durations (0 is latest):"
                     "<1,1>No renames fully completed yet."}));
    EXPECT_EQ(empty.currentLine, 8u) << "ends with its own line break";
    Rendered emptyXml = Render(*pVtree, true);
    EXPECT_EQ(Slice(emptyXml.lines, 17, 4),
              (Lines{"<0,0>\t\t<4,4><lastRenameScanDurationsSec><1,1>No rename-scans were "
                     "completed yet.",
                     "<4,4></lastRenameScanDurationsSec>",
                     "<0,0>\t\t<4,4><lastRenameOverallDurationsSec><1,1>No renames fully "
                     "completed yet.",
                     "<4,4></lastRenameOverallDurationsSec>"}));

    w.numLastRenameScanDurations = 1;
    w.lastRenameScanDurationsSec[0] = 42;
    w.lastRenameScanDurationsSec[1] = 1000; // not counted
    EXPECT_EQ(Slice(Render(*pVtree, false).lines, 6, 5),
              (Lines{"<4,4> Latest rename scan durations (0 is latest):", "<5,4>0: <1,1>42sec", "",
                     "<5,4>Average rename scan duration: <1,1>42sec",
                     "<4,4> Latest rename overall durations (0 is latest):"
                     "<1,1>No renames fully completed yet."}));

    // A count beyond the five slots lists the five and averages them.
    w.numLastRenameOverallDurations = 1000000;
    for (uint32_t i = 0; i < kVtreeRenameDurations; ++i) {
        w.lastRenameOverallDurationsSec[i] = 10 * (i + 1);
    }
    Rendered text = Render(*pVtree, false);
    EXPECT_EQ(text.lines.at(11), "<5,4>0: <1,1>10sec");
    EXPECT_EQ(text.lines.at(15), "<5,4>4: <1,1>50sec");
    EXPECT_EQ(text.lines.at(17), "<5,4>Average rename overall duration: <1,1>30sec");
    EXPECT_EQ(text.currentLine, 18u);
    Rendered xml = Render(*pVtree, true);
    EXPECT_EQ(Slice(xml.lines, 17, 6),
              (Lines{"<0,0>\t\t<4,4><lastRenameScanDurationsSec>", "<5,4>0: <1,1>42sec", "",
                     "<5,4>Average rename scan duration: <1,1>42sec",
                     "<4,4></lastRenameScanDurationsSec>",
                     "<0,0>\t\t<4,4><lastRenameOverallDurationsSec>"}));
    EXPECT_EQ(xml.lines.back(), "<4,4></lastRenameOverallDurationsSec>");
}

// ---- RAID and combs ----

_RaidQuery SampleRaid() {
    _RaidQuery raid{};
    raid.rebuildStat = {1, 2, 3, 4, 5};
    raid.migrateTgtId = 0x6;
    raid.raidTgtId = 0x7;
    raid.genNum = 8;
    raid.combId = 0x9;
    raid.tgtCombCmdGenNum = 0xFFFF;
    raid.mdmRestartGenNum = 11;
    return raid;
}

TEST(TgtViews, RaidAndCombShowEachTheirOwnFieldsOfTheRecord) {
    auto pRaid = Make<Sdbg_TRaidQuery>();
    pRaid->wire = SampleRaid();
    EXPECT_EQ(Render(*pRaid, false).lines,
              (Lines{"<4,4> Comb ID:<1,0>0x9<4,4> Raid tgt Id:<1,0>0x7<4,4> Mig tgt Id:<1,0>0x6",
                     "<4,4> Num of rebuilds: <1,0>4<4,4> Total rebuild - size copied (lbs):<1,0>1"
                     "<4,4> Last rebuild - size copied (lbs):<1,0>2<4,4> Progress:<1,0>5"
                     "<4,4> Last rebuild time(ms): <1,0>3"}));

    auto pComb = Make<Sdbg_TCombQuery>();
    pComb->wire.ElockQuery = {20, 21, 22};
    pComb->wire.RaidQuery = SampleRaid();
    pComb->wire.combId = 0xC0;
    Rendered text = Render(*pComb, false);
    EXPECT_EQ(text.lines,
              (Lines{"<0,0>Elock<4,4> Pend IOs:<1,0>20<4,4> In progress IOs:<1,0>21"
                     "<4,4> IO count:<1,0>22<0,0> Raid<4,4> Gen Number:<1,0>8"
                     "<4,4> TGT comb command Gen number:<1,0>65535"
                     "<4,4> MDM restart Gen number:<1,0>11",
                     "<4,4> Num of rebuilds: <1,0>4<4,4> Total rebuild - size copied (lbs):<1,0>1"
                     "<4,4> Last rebuild - size copied (lbs):<1,0>2",
                     "<4,4> Last rebuild time(ms): <1,0>3<4,4> Comb ID:<1,0>0xc0"}));
    EXPECT_EQ(text.currentLine, 2u);
    EXPECT_EQ(Render(*pComb, true).lines,
              (Lines{"", "<0,0>\t\t<ElockQuery>", "<0,0>\t\t\t<4,4><pendIos><1,0>20<4,4></pendIos>",
                     "<0,0>\t\t\t<4,4><inProgIos><1,0>21<4,4></inProgIos>",
                     "<0,0>\t\t\t<4,4><ioCount><1,0>22<4,4></ioCount>", "<0,0>\t\t</ElockQuery>",
                     "<0,0>\t\t<RaidQuery>", "<0,0>\t\t\t<4,4><genNum><1,0>8<4,4></genNum>",
                     "<0,0>\t\t\t<4,4><tgtCombCmdGenNum><1,0>65535<4,4></tgtCombCmdGenNum>",
                     "<0,0>\t\t\t<4,4><mdmRestartGenNum><1,0>11<4,4></mdmRestartGenNum>",
                     "<0,0>\t\t\t<4,4><rebuildStat.count><1,0>4<4,4></rebuildStat.count>",
                     "<0,0>\t\t\t<4,4><rebuildStat.sizeCopiedLbs><1,0>1<4,4>"
                     "</rebuildStat.sizeCopiedLbs>",
                     "<0,0>\t\t\t<4,4><rebuildStat.lastSizeCopiedLbs><1,0>2<4,4>"
                     "</rebuildStat.lastSizeCopiedLbs>",
                     "<0,0>\t\t\t<4,4><rebuildStat.lastRebuildCopyTimeMillis><1,0>3<4,4>"
                     "</rebuildStat.lastRebuildCopyTimeMillis>",
                     "<0,0>\t\t</RaidQuery>", "<0,0>\t\t<4,4><combId><1,0>0xc0<4,4></combId>"}));
}

TEST(TgtViews, RaidLayerAsynchronousCountFirstAndPoolSizeRanges) {
    auto pLayer = Make<Sdbg_TRaidLayerQuery>();
    pLayer->wire.syncWriteSec = 1;
    pLayer->wire.asyncWriteSec = 2;
    EXPECT_EQ(Render(*pLayer, false).lines,
              (Lines{"<4,4> Number of A-Sync WriteSec inflight:<1,0>2",
                     "<4,4> Number of Sync WriteSec inflight:<1,0>1"}));
    EXPECT_EQ(Render(*pLayer, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><asyncWriteSec><1,0>2<4,4></asyncWriteSec>",
                     "<0,0>\t\t<4,4><syncWriteSec><1,0>1<4,4></syncWriteSec>"}));

    auto pPool = Make<Sdbg_TRaidSyncPoolQuery>();
    for (uint32_t i = 0; i < kRaidRebuildSizeRanges; ++i) {
        pPool->wire.rebuildsPerIOsSize[i] = 10 + i;
    }
    const std::string ranges = "<4,4>  0-128KB <1,0>10<4,4>  128-256KB <1,0>11"
                               "<4,4>  256-384KB <1,0>12<4,4>  384-512KB <1,0>13"
                               "<4,4>  512-640KB <1,0>14<4,4>  640-768KB <1,0>15"
                               "<4,4>  768-896KB <1,0>16<4,4>  896-1024KB <1,0>17"
                               "<4,4>  1024KB <1,0>18";
    Rendered text = Render(*pPool, false);
    EXPECT_EQ(text.lines.at(3),
              "<4,4> Total IOs per size range in the rebuild:" + ranges.substr(5));
    EXPECT_EQ(text.currentLine, 4u) << "ends with its own line break";
    Rendered xml = Render(*pPool, true);
    EXPECT_EQ(Slice(xml.lines, 6, 2),
              (Lines{"<0,0>\t\t<4,4><rebuildsPerIOsSize>" + ranges.substr(5),
                     "<4,4></rebuildsPerIOsSize>"}));
}

// ---- Read cache and Pellorin ----

TEST(TgtViews, ReadCacheAllocationStateWordsAndNoneBeyondThem) {
    struct Case {
        uint8_t state;
        const char *pMarked; // the word with its colours, or nothing
    };
    const Case cases[] = {
        {0, "<2,2>INVALID"}, {1, "<1,1>PENDING"},          {2, "<1,1>SUCCESSFUL"},
        {3, "<2,2>FAILED"},  {4, "<2,2>RMCACHE_DISABLED"}, {5, ""},
        {255, ""},
    };
    for (const Case &c : cases) {
        auto pCache = Make<Sdbg_TRcacheQuery>();
        pCache->wire.memoryAllocState = c.state;
        std::string line = Render(*pCache, false).lines.at(0);
        std::string label = "<4,4> Memory Allocation State:";
        EXPECT_EQ(line.substr(line.find(label)), label + c.pMarked) << int(c.state);
        std::string element = *c.pMarked != '\0' ? std::string(c.pMarked) + "<4,4>" : "";
        EXPECT_EQ(Render(*pCache, true).lines.at(4),
                  "<0,0>\t\t<4,4><memoryAllocState>" + element + "</memoryAllocState>")
            << int(c.state);
    }
}

TEST(TgtViews, ReadCacheRangeListsOneLinePerRange) {
    auto pCache = Make<Sdbg_TRcacheQuery>();
    for (uint32_t i = 0; i < kRcacheRanges; ++i) {
        pCache->wire.entryCount[i] = i;
        pCache->wire.totalEntryCount[i] = 100 + i;
    }
    pCache->wire.bFrozen = 1;
    Rendered text = Render(*pCache, false);
    EXPECT_EQ(text.lines.at(1), "<4,4> Disabled:<1,0>0<4,4> Frozen:<2,0>1");
    EXPECT_EQ(
        Slice(text.lines, 5, 8),
        (Lines{"<4,4> Number of entries in range 4-128(KB):", "<1,1>4KB:   0", "<1,1>8KB:   1",
               "<1,1>16KB:   2", "<1,1>32KB:   3", "<1,1>64KB:   4", "<1,1>128KB:   5",
               "<4,4> Accumalated number of entries in range 4-128(KB):"}));
    EXPECT_EQ(text.lines.at(18), "<1,1>128KB:   105");
    EXPECT_EQ(text.currentLine, 19u) << "ends with its own line break";
    Rendered xml = Render(*pCache, true);
    EXPECT_EQ(Slice(xml.lines, 16, 3),
              (Lines{"<0,0>\t\t<4,4><entryCount>", "<0,0>\t\t\t<1,1><KB4>0</KB4>",
                     "<0,0>\t\t\t<1,1><KB8>1</KB8>"}));
    EXPECT_EQ(Slice(xml.lines, 23, 3),
              (Lines{"<0,0>\t\t<4,4></entryCount>", "<0,0>\t\t<4,4><totalEntryCount>",
                     "<0,0>\t\t\t<1,1><KB4>100</KB4>"}));
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4></totalEntryCount>");
}

TEST(TgtViews, NetBufPoolListsAlertOnlyWhereTheyShouldAndTheDynamicAllocatorTitle) {
    auto pBuf = Make<Sdbg_TRcacheNetBufQuery>();
    _RcacheNetBufQuery &w = pBuf->wire;
    std::memcpy(w.poolName, "ABCDEFGHIJKLMNOPQRST", sizeof(w.poolName)); // no NUL
    w.perPoolNumOfAllocations[4] = 3;
    w.perPoolNumOfFailedReq[1] = 7;
    w.dynamicAllocatorTotalSizeInLbs = 64;
    Rendered text = Render(*pBuf, false);
    EXPECT_EQ(text.lines.at(0), "<4,4> Info for RcacheNetBuf pool:<1,0>ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(text.lines.at(1), "<4,4> Allocated:<1,0>0"
                                "<4,4> Allocated per pool [16k,64k,256k,512k,1024k]:"
                                "<1,1>0 0 0 0 3 ");
    EXPECT_EQ(text.lines.at(4), "<4,4> Failed requests:<1,0>0"
                                "<4,4> Failed requests per pool [16k,64k,256k,512k,1024k]:"
                                "<1,1>0 <2,1>7<1,1> 0 0 0 ");
    EXPECT_EQ(text.lines.at(5), "<4,4> Cache is full:<1,0>0<4,4> Cache got full:<1,0>0"
                                "<4,4> Cache got full per pool [16k,64k,256k,512k,1024k]:"
                                "<1,1>0 0 0 0 0 ");
    EXPECT_EQ(text.lines.at(6), "<0,0> Dynamic Allocator  <4,4> Total size in Lbs:<1,0>64"
                                "<4,4> Allocated Lbs:<1,0>0<4,4> Total Allocations#:<1,0>0"
                                "<4,4> Failed allocations#:<1,0>0<4,4> Waiters#:<1,0>0");
    EXPECT_EQ(text.currentLine, 6u);
    Rendered xml = Render(*pBuf, true);
    EXPECT_EQ(Slice(xml.lines, 12, 2),
              (Lines{"<0,0>\t\t<4,4><perPoolNumOfCacheFull><1,1>0 0 0 0 0 <4,4>"
                     "</perPoolNumOfCacheFull><0,0> Dynamic Allocator  ",
                     "<0,0>\t\t<4,4><dynamicAllocatorTotalSizeInLbs><1,0>64<4,4>"
                     "</dynamicAllocatorTotalSizeInLbs>"}));
}

TEST(TgtViews, PellorinPathsFillingTheirFieldsStopAtTheirWidth) {
    auto pCache = Make<Sdbg_TPellorinQuery>();
    std::memset(pCache->wire.cacheDriverPath, 'd', sizeof(pCache->wire.cacheDriverPath));
    pCache->wire.bConfBusy = 1; // its bytes follow the path: must not be read as text
    pCache->wire.poolCounters.ioTimeG1min = 5;
    Rendered text = Render(*pCache, false);
    EXPECT_EQ(text.lines.at(0), "<4,4> cache handle:<1,0>0<4,4> driver path:<1,0>" +
                                    std::string(64, 'd') +
                                    "<4,4> conf busy:<1,0>1<4,4> enabled:<1,0>0");
    EXPECT_EQ(text.lines.at(6), "<4,4>   #io time greater than 1 sec:<1,0>5"
                                "<4,4> #lock time greater than 1 sec:<1,0>0");
    EXPECT_EQ(text.currentLine, 9u) << "ends with its own line break";

    auto pDev = Make<Sdbg_TPellorinDevQuery>();
    std::memset(pDev->wire.cacheDevPath, 'x', sizeof(pDev->wire.cacheDevPath));
    pDev->wire.devSize = 77;
    text = Render(*pDev, false);
    EXPECT_EQ(text.lines.at(0), "<4,4> driver device handle:<1,0>0<4,4> device path:<1,0>" +
                                    std::string(64, 'x') +
                                    "<4,4> device size:<1,0>77<4,4> tgt DevId:<1,0>0");
    EXPECT_EQ(text.currentLine, 5u) << "ends with its own line break";
}

// ---- Peers, initiators, pools ----

TEST(TgtViews, PeerTextsFillingTheirFieldsStopAtTheirWidth) {
    auto pTgt = Make<Sdbg_TTgtQuery>();
    std::memset(pTgt->wire.remoteHost, 'h', sizeof(pTgt->wire.remoteHost));
    pTgt->wire.numOfChannelSyncs = 3;
    EXPECT_EQ(
        Render(*pTgt, false).lines,
        (Lines{"<4,4> TgtId:<1,0>0x0<4,4> State:<1,0>0<4,4> Client:<1,0>0"
               "<4,4> bNotReachable:<1,0>0<4,4> numOfChannelSyncs:<1,0>3<4,4> Host Name:<1,0>" +
               std::string(64, 'h')}));

    auto pVae = Make<Sdbg_TContVaeQuery>();
    std::memset(pVae->wire.state, 's', sizeof(pVae->wire.state));
    pVae->wire.srcHeadId = 0xA;
    pVae->wire.dstVaeIndex = 0xFFFF;
    EXPECT_EQ(Render(*pVae, false).lines,
              (Lines{"<4,4> vtreeID:<1,0>0x0<4,4> vaeGenNum:<1,0>0",
                     "<4,4>   sourceHeadId:<1,0>0xa<4,4> sourceVaeIndex:<1,0>0",
                     "<4,4>   destinationHeadId:<1,0>0x0<4,4> destinationVaeIndex:<1,0>65535",
                     "<4,4>   vaeState:<1,0>" + std::string(68, 's'),
                     "<4,4>   totalNumOfChunks:<1,0>0<4,4> numOfUncompletedChunks:<1,0>0"
                     "<4,4> numCurrentlyInError:<1,0>0<4,4> numOfTeethSent:<1,0>0"}));
}

TEST(TgtViews, KeepaliveMonitorAndMdmLinks) {
    auto pKalive = Make<Sdbg_TKaliveQuery>();
    pKalive->wire.bBlocked = 1;
    EXPECT_EQ(Render(*pKalive, false).lines,
              (Lines{"<4,4> TgtId:<1,0>0x0<4,4> Blocked:<2,0>1<4,4> Stopped:<1,0>0"
                     "<4,4> Messages sent:<1,0>0<4,4> Messages recieved:<1,0>0"
                     "<4,4> Messages accepted:<1,0>0"}));
    auto pMonitor = Make<Sdbg_TConMonitorQuery>();
    pMonitor->wire.startTicks = 9;
    EXPECT_EQ(Render(*pMonitor, false).lines,
              (Lines{"<4,4> TgtId:<1,0>0x0<4,4> Stopped: <1,0>0",
                     "<4,4> Initialization time: <1,0>0<4,4> Start time: <1,0>9",
                     "<4,4> Last good send time: <1,0>0<4,4> Messages sent:<1,0>0"
                     "<4,4> Messages accepted:<1,0>0"}));
    auto pMdm = Make<Sdbg_TMdmQuery>();
    pMdm->wire.stage = 0x1F;
    EXPECT_EQ(Render(*pMdm, false).lines,
              (Lines{"<4,4> TgtId:<1,0>0x0<4,4> MdmId:<1,0>0x0<4,4> Stage:<1,0>0x1f"}));
}

const std::string kSpTitle = "<0,0>Requested and allowed IOs and MBs to and from all SPs: ";

void FillSpEntry(IniSpStats &entry, uint32_t i) {
    entry.spId = 0x100 + i;
    entry.requestedInflightIOs = 1;
    entry.allowedInflightIOs = 2;
    entry.requestedInflightMBs = 3;
    entry.allowedInflightMBs = 0xFFFF;
    entry.inflightIOCount = 5;
    entry.latestsRequestTime = 6;
    entry.misbehaveRankIO = -7;
    entry.misbehaveRankMB = 8;
}

TEST(TgtViews, InitiatorEntriesTwoLinesEachInTextAndXml) {
    auto pIni = Make<Sdbg_TIniQuery>();
    pIni->wire.iniId = 0x5;
    pIni->wire.currentTimeTicks = 12;
    FillSpEntry(pIni->wire.spStats[0], 0);
    FillSpEntry(pIni->wire.spStats[1], 1); // beyond the count
    pIni->wire.numSpStats = 1;
    const Lines entry{
        "<5,4>SP ID: 0x100    requestedInflightIOs: <1,1>1<5,4>    allowedInflightIOs: <1,1>2"
        "<5,4>    requestedInflightMBs: <1,1>3<5,4>    allowedInflightMBs: <1,1>65535"
        "<5,4>    inflightIOCount: <1,1>5<5,4>    latestsRequestTime: <1,1>6",
        "<5,4>       misbehaveRankIO: <1,1>-7<5,4>    misbehaveRankMB: <1,1>8"};
    Rendered text = Render(*pIni, false);
    EXPECT_EQ(text.lines, (Lines{"<4,4>Initiator ID: <1,0>0x5<4,4> The current time in MOS "
                                 "ticks: <1,0>12",
                                 kSpTitle, entry[0], entry[1]}));
    EXPECT_EQ(text.currentLine, 4u) << "ends with its own line break";
    Rendered xml = Render(*pIni, true);
    EXPECT_EQ(xml.lines,
              (Lines{"", "<0,0>\t\t<4,4><iniId><1,0>0x5<4,4></iniId>",
                     "<0,0>\t\t<4,4><currentTimeTicks><1,0>12<4,4></currentTimeTicks>",
                     "<0,0>\t\t<4,4><spStats>", kSpTitle, entry[0], entry[1], "<4,4></spStats>"}));
}

TEST(TgtViews, InitiatorEntryCountIsBoundedByTheRecord) {
    struct Case {
        int16_t count;
        uint32_t entries;
    };
    for (const Case &c : {Case{0, 0}, Case{-1, 0}, Case{-32768, 0}, Case{2, 2}, Case{65, 65},
                          Case{66, 65}, Case{32767, 65}}) {
        auto pIni = Make<Sdbg_TIniQuery>();
        for (uint32_t i = 0; i < kIniSpEntries; ++i) {
            FillSpEntry(pIni->wire.spStats[i], i);
        }
        pIni->wire.numSpStats = c.count;
        Rendered text = Render(*pIni, false);
        EXPECT_EQ(text.currentLine, 2 + 2 * c.entries) << c.count;
        EXPECT_EQ(text.lines.at(0),
                  "<4,4>Initiator ID: <2,0>0x0<4,4> The current time in MOS ticks: <2,0>0");
        EXPECT_EQ(text.lines.at(1), kSpTitle);
        Rendered xml = Render(*pIni, true);
        EXPECT_EQ(xml.lines.at(4), kSpTitle);
        EXPECT_EQ(xml.lines.back(), "<4,4></spStats>");
        EXPECT_EQ(xml.currentLine, 5 + 2 * c.entries) << c.count;
    }
}

TEST(TgtViews, StoragePoolTokenCountsInTheirOrderAlertingAtZero) {
    auto pSp = Make<Sdbg_TSpQuery>();
    pSp->wire.spId = 0x77;
    pSp->wire.spIndex = 0;
    pSp->wire.totalAllowedIOTokens = 1;
    pSp->wire.totalRequestedIOTokens = 2;
    pSp->wire.totalAllowedMBTokens = 0;
    pSp->wire.totalRequestedMBTokens = 4;
    EXPECT_EQ(Render(*pSp, false).lines, (Lines{"<4,4>SP ID: <1,0>0x77<4,4>    SP Index: <1,0>0"
                                                "<4,4>    Total available IO tokens: <1,0>1"
                                                "<4,4>    Total requested IO tokens: <1,0>2"
                                                "<4,4>    Total available MB tokens: <2,0>0"
                                                "<4,4>    Total requested MB tokens: <1,0>4"}));
    EXPECT_EQ(Render(*pSp, true).lines.at(4),
              "<0,0>\t\t<4,4><totalRequestedIOTokens><1,0>2<4,4></totalRequestedIOTokens>");
}

} // namespace
