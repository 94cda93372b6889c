// Hand-written goldens of representative views, one per shape: plain
// numbers, text fields, arrays with counts, nested records, counters and a
// performance stack. Lines are marked "<fg,bg>" wherever the colour pair
// changes, so the colour of every character is part of the golden.

#include "views_test_support.h"

#include <gtest/gtest.h>

using viewstest::Make;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

TEST(ViewGoldens, HashNumbersOnTwoLinesInTextAndXml) {
    auto pHash = Make<Sdbg_TMosHash_Query>();
    MosHash_Query &w = pHash->wire;
    std::strcpy(w.hashName, "h1");
    w.numOfRecordsInHash = 3;
    w.numOfEmptyBuckets = 7;
    w.mostLoadedIndex = 1;
    w.mostLoadedCount = 2;
    w.bEnumActive = 1;
    Rendered text = Render(*pHash, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4>Hash name:<5,0>h1<4,4> Total records:<1,0>3<4,4> Total buckets:<2,0>0"
                     "<4,4> Empty buckets:<1,0>7",
                     "<4,4> Bucket most loaded:<1,0>1<4,4> Max record in bucket:<1,0>2"
                     "<4,4> Bucket least loaded:<1,0>0<4,4> Min record in bucket:<1,0>0"
                     "<4,4> In-Enum:<2,0>1<4,4> EnumEnd:<2,0>0"}));
    EXPECT_EQ(text.currentLine, 1u);
    Rendered xml = Render(*pHash, true);
    EXPECT_EQ(xml.lines, (Lines{
                             "",
                             "<0,0>\t\t<4,4><hashName><5,0>h1<4,4></hashName>",
                             "<0,0>\t\t<4,4><numOfRecordsInHash><1,0>3<4,4></numOfRecordsInHash>",
                             "<0,0>\t\t<4,4><numOfBucketsInHash><2,0>0<4,4></numOfBucketsInHash>",
                             "<0,0>\t\t<4,4><numOfEmptyBuckets><1,0>7<4,4></numOfEmptyBuckets>",
                             "<0,0>\t\t<4,4><mostLoadedIndex><1,0>1<4,4></mostLoadedIndex>",
                             "<0,0>\t\t<4,4><mostLoadedCount><1,0>2<4,4></mostLoadedCount>",
                             "<0,0>\t\t<4,4><leastLoadedIndex><1,0>0<4,4></leastLoadedIndex>",
                             "<0,0>\t\t<4,4><leastLoadedCount><1,0>0<4,4></leastLoadedCount>",
                             "<0,0>\t\t<4,4><bEnumActive><2,0>1<4,4></bEnumActive>",
                             "<0,0>\t\t<4,4><bEnumEnd><2,0>0<4,4></bEnumEnd>",
                         }));
}

TEST(ViewGoldens, TimerQueueNameFillingItsFieldStopsAtItsWidth) {
    auto pQueue = Make<Sdbg_TMosTimerQ_Query>();
    MosTimerQ_Query &w = pQueue->wire;
    std::memcpy(w.name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);
    w.ticks = 0x41; // a printable byte right after the name
    w.reqCount = 4;
    w.ticksToExpiration = -5;
    w.maxDiffTicks = 9;
    EXPECT_EQ(Render(*pQueue, false).lines,
              (Lines{"<4,4>Q name:<5,0>ABCDEFGHIJKLMNOPQRSTUVWXYZ012345<4,4> ticks:<1,0>65"
                     "<4,4> millis:<2,0>0<4,4> #waiters:<1,0>0<4,4> #Requests:<2,0>4"
                     "<4,4> #Expirations:<1,0>0<4,4> #Aborts:<1,0>0"
                     "<4,4> #ticks-to-expire:<1,0>-5<4,4> max-diff:<1,0>9"}));
}

TEST(ViewGoldens, TextValuesAreWrittenUnchangedInXml) {
    auto pPool = Make<Sdbg_TMosMemPool_Query>();
    std::strcpy(pPool->wire.name, "a<b&c");
    Rendered xml = Render(*pPool, true);
    ASSERT_GE(xml.lines.size(), 2u);
    EXPECT_EQ(xml.lines[1], "<0,0>\t\t<4,4><name><4,0>a<b&c<4,4></name>");
}

TEST(ViewGoldens, SyslogWriterPointerAndWidenedFacility) {
    auto pWriter = Make<Sdbg_TMosRSyslogWriterQuery>();
    pWriter->wire.facility = 200;
    std::string text = Render(*pWriter, false).lines.at(0);
    EXPECT_NE(text.find("<4,4> pWriter:<2,0>0x0<4,4> state:"), std::string::npos) << text;
    EXPECT_NE(text.find(" state: facility:<4,0>200<4,4> bSignaled:"), std::string::npos) << text;
    pWriter->wire.pWriter = 0xABC0;
    text = Render(*pWriter, false).lines.at(0);
    EXPECT_NE(text.find("<4,4> pWriter:<1,0>0xabc0<4,4>"), std::string::npos) << text;
}

void FillBundle(_MosXmti_BundleQuery &w, uint32_t numContained) {
    std::strcpy(w.bundleName, "bun");
    std::strcpy(w.bundleStatus, "N/A");
    w.isDirectlyActivated = 1;
    w.referencedByOtherCount = 2;
    w.numContainedBundles = numContained;
    for (uint32_t i = 0; i < MOS_XMTI_BUNDLE_NAMES; ++i) {
        mos_Snprintf(w.containedBundleNames[i], 48, "b%u", i);
    }
    w.numDetours = 1;
    std::strcpy(w.detourFuncNames[0], "d0");
}

TEST(ViewGoldens, BundleListsStopAtTheirCountAndCapacity) {
    struct Case {
        uint32_t numContained;
        uint32_t nameLines;
        bool bMore;
    };
    for (const Case &c : {Case{9, 8, true}, Case{8, 8, false}, Case{0, 0, false}}) {
        auto pBundle = Make<Sdbg_TMosXmti_BundleQuery>();
        FillBundle(pBundle->wire, c.numContained);
        Lines expected{
            "<4,4>Bundle name:<5,0>bun",
            "<4,4>Bundle status:<5,0>N/A",
            "<4,4>Is directly activated:<5,0>1<4,4> # Activations by other:<5,0>0"
            "<4,4> # References by other:<5,0>2",
            "<4,4> # Contained bundles:<5,0>" + std::to_string(c.numContained),
        };
        for (uint32_t i = 0; i < c.nameLines; ++i) {
            expected.push_back("<0,0>  b" + std::to_string(i));
        }
        if (c.bMore) {
            expected.push_back("<0,0>..and more..");
        }
        expected.push_back("<4,4> # Detours:<5,0>1");
        expected.push_back("<0,0>  d0");
        Rendered text = Render(*pBundle, false);
        EXPECT_EQ(text.lines, expected) << c.numContained;
        EXPECT_EQ(text.currentLine, expected.size()) << "ends with a line break";
    }
}

TEST(ViewGoldens, BundleXmlNameListsAreTextLinesInsideTheirElements) {
    auto pBundle = Make<Sdbg_TMosXmti_BundleQuery>();
    FillBundle(pBundle->wire, 0);
    Rendered xml = Render(*pBundle, true);
    EXPECT_NE(xml.plain.find("\n\t\t<containedBundleNames></containedBundleNames>\n\t\t"
                             "<numDetours>1</numDetours>\n\t\t<detourFuncNames>  d0\n"
                             "</detourFuncNames>"),
              std::string::npos)
        << xml.plain;
}

void FillLockStats(_MosLockStats_Query &w) {
    std::strcpy(w.typeName, "mtx");
    std::strcpy(w.fileName, "f.c");
    std::strcpy(w.funcName, "fn");
    w.lineNum = 12;
    w.numInstances = 1;
    w.numAcquired = 5;
}

TEST(ViewGoldens, LockStatsRecordsInPrintOrderEachFollowedByAnEmptyLine) {
    auto pStats = Make<Sdbg_TMosLockStats_Query>();
    FillLockStats(pStats->wire);
    pStats->wire.holdTimeNanos.maxCount = 3;
    const std::string values = "<4,4>Average: <5,0>0<4,4> Max: <1,0>0<4,4> Overflows: <5,0>0";
    Rendered text = Render(*pStats, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4>Type: <5,0>mtx<4,4> Creating file: <5,0>f.c<4,4> Creating func: "
                     "<5,0>fn<4,4> Line number: <5,0>12",
                     "<4,4>Instances: <5,0>1<4,4> Acquisitions: <5,0>5<4,4> Acquisitions blocked: "
                     "<1,0>0<4,4> Acquisitions blocked promil: <1,0>0",
                     "<0,0>Wait time (nanos):  " + values, "",
                     "<0,0>Hold time (nanos):  <4,4>Average: <5,0>0<4,4> Max: <2,0>3"
                     "<4,4> Overflows: <5,0>0",
                     "", "<0,0>Locks held on acquire:  " + values, "",
                     "<0,0>Waiters on release:  " + values, ""}));
    EXPECT_EQ(text.currentLine, 10u);
}

TEST(ViewGoldens, LockStatsXmlNestsEachRecordAfterItsLabel) {
    auto pStats = Make<Sdbg_TMosLockStats_Query>();
    FillLockStats(pStats->wire);
    pStats->wire.waitTimeNanos.numBtSymbols = 1;
    std::strcpy(pStats->wire.waitTimeNanos.btSymArr[0], "sym");
    Rendered xml = Render(*pStats, true);
    ASSERT_GE(xml.lines.size(), 16u);
    EXPECT_EQ(xml.lines[8],
              "<0,0>\t\t<4,4><blockedPromil><1,0>0<4,4></blockedPromil><0,0>Wait time (nanos):  ");
    EXPECT_EQ(xml.lines[9], "<0,0>\t\t<MosLockStatsAvgMax_Query>");
    EXPECT_EQ(xml.lines[10], "<0,0>\t\t\t<4,4><avgCount><5,0>0<4,4></avgCount>");
    EXPECT_EQ(xml.lines[11], "<0,0>\t\t\t<4,4><maxCount><1,0>0<4,4></maxCount>");
    EXPECT_EQ(xml.lines[12], "<0,0>\t\t\t<4,4><overflows><5,0>0<4,4></overflows>");
    EXPECT_EQ(xml.lines[13], "<0,0>\t\t\t<4,4><btSymArr><0,0>  sym");
    EXPECT_EQ(xml.lines[14], "<4,4></btSymArr>");
    EXPECT_EQ(xml.lines[15], "<0,0>\t\t</MosLockStatsAvgMax_Query>Hold time (nanos):  ");
    // A record without symbols closes its list on the same line.
    EXPECT_EQ(xml.lines[20], "<0,0>\t\t\t<4,4><btSymArr></btSymArr>");
}

TEST(ViewGoldens, LockStatsSymbolsStopAtTheArrayAndSayMoreWhenFull) {
    struct Case {
        uint64_t count;
        uint32_t symbolLines;
        bool bMore;
    };
    for (const Case &c : {Case{23, 23, false}, Case{24, 24, true}, Case{1000, 24, true}}) {
        auto pStats = Make<Sdbg_TMosLockStats_Query>();
        pStats->wire.waitTimeNanos.numBtSymbols = c.count;
        Rendered text = Render(*pStats, false);
        // Lines 0-2, the symbols, "..more..", the empty line, three more records.
        EXPECT_EQ(text.currentLine, 10u + c.symbolLines + (c.bMore ? 1 : 0)) << c.count;
        EXPECT_EQ(text.plain.find("..more..") != std::string::npos, c.bMore) << c.count;
    }
}

TEST(ViewGoldens, CpuFeatureWordsOneLineEachWithNestedXmlNames) {
    auto pCpu = Make<Sdbg_TMosCpuLayer_Query>();
    pCpu->wire.processorInfoAndFeatureBits.ecx = 0x80000000u;
    pCpu->wire.bIsAvailHypervisor = 1;
    Rendered text = Render(*pCpu, false);
    ASSERT_EQ(text.lines.size(), 9u);
    EXPECT_EQ(text.lines[2], "<4,4>Page 1:(ECX):<1,0>2147483648");
    EXPECT_EQ(text.lines[5], "<4,4>IsAvailSSE4.2:<1,0>0");
    EXPECT_EQ(text.lines[8], "<4,4>bIsAvailHypervisor:<1,0>1");
    Rendered xml = Render(*pCpu, true);
    EXPECT_EQ(xml.lines[3], "<0,0>\t\t<4,4><processorInfoAndFeatureBits.ecx><1,0>2147483648"
                            "<4,4></processorInfoAndFeatureBits.ecx>");
}

TEST(ViewGoldens, DiagnosticCountersFullAndShort) {
    auto pFull = Make<Sdbg_TMosDiagCounterEntry_MOS>();
    std::strcpy(pFull->wire.base.name, "cnt");
    pFull->wire.base.value = 3;
    EXPECT_EQ(
        Render(*pFull, false).lines,
        (Lines{"<1,0>cnt<4,4>: <2,0>3<4,4> extData: <1,0>0<4,4> lastCountTimeMilli: <1,0>0"}));
    auto pShort = Make<Sdbg_TMosDiagCounterEntry_INI_DEV>();
    pShort->wire = pFull->wire;
    pShort->wire.countExtData = 9;
    EXPECT_EQ(Render(*pShort, false).lines, (Lines{"<1,0>cnt<4,4>: <2,0>3"}));
    EXPECT_EQ(Render(*pShort, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><base.name><1,0>cnt<4,4></base.name>",
                     "<0,0>\t\t<4,4><base.value><2,0>3<4,4></base.value>"}));
}

// The three windows of one figure: label, then "," between the windows.
std::string Windows(const char *pLabel, const char *pShort, const char *pMedium,
                    const char *pLong) {
    return std::string("<4,4>") + pLabel + pShort + "<4,4>," + pMedium + "<4,4>," + pLong;
}

TEST(ViewGoldens, OscillatingCountersNetworkAndOther) {
    auto pNet = Make<Sdbg_TOscCntEntry_MDM_SDS_NETWORK_DISCONNECTIONS>();
    MosOscCntEntry &w = pNet->wire;
    std::strcpy(w.addrStr, "10.0.0.1");
    w.shortWindowCurrentCount = 1;
    w.shortWindow.threshold = 5;
    w.longWindow.windowSizeInSec = 60;
    w.mediumWindow.lastOscillationTime = 1234567890123ULL;
    w.longWindow.maxFailuresCount = 2;
    const std::string tail = Windows(" count: ", "<2,0>1", "<1,0>0", "<1,0>0") +
                             Windows(" threshold: ", "<2,0>5", "<1,0>0", "<1,0>0") +
                             Windows(" size: ", "<1,0>0", "<1,0>0", "<2,0>60") +
                             Windows(" last count: ", "<1,0>0", "<1,0>0", "<1,0>0") +
                             Windows(" time: ", "<1,0>0", "<2,0>1234567890123", "<1,0>0") +
                             Windows(" max count: ", "<1,0>0", "<1,0>0", "<2,0>2") +
                             Windows(" time: ", "<1,0>0", "<1,0>0", "<1,0>0");
    EXPECT_EQ(Render(*pNet, false).lines, (Lines{"<1,0>10.0.0.1<4,4> obj ID: <1,0>0x0" + tail}));
    w.remoteObjId = 0x1f;
    EXPECT_EQ(Render(*pNet, false).lines, (Lines{"<1,0>10.0.0.1<4,4> obj ID: <2,0>0x1f" + tail}));

    auto pOther = Make<Sdbg_TOscCntEntry_DEVICE_LONG_IO_OPERATIONS>();
    pOther->wire = w;
    EXPECT_EQ(Render(*pOther, false).lines, (Lines{tail}));
    Rendered xml = Render(*pOther, true);
    ASSERT_GE(xml.lines.size(), 3u);
    EXPECT_EQ(xml.lines[1],
              "<0,0>\t\t<4,4><shortWindowCurrentCount><2,0>1<4,4></shortWindowCurrentCount>");
    EXPECT_EQ(xml.lines[4], "<0,0>\t\t<4,4><shortWindow.threshold><2,0>5"
                            "<4,4></shortWindow.threshold>");
}

TEST(ViewGoldens, DeviceEndsWithTwoLineBreaksAndBwcElements) {
    auto pDev = Make<Sdbg_TMosDevQuery>();
    std::strcpy(pDev->wire.raw.name, "/dev/x");
    pDev->wire.raw.fileSizeInLbs = 8;
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.currentLine, 4u);
    EXPECT_EQ(text.lines.at(0),
              "<4,4> Dev path:<1,0>/dev/x<4,4> Size(lbs):<1,0>8<4,4> Time grn:<1,0>0");
    EXPECT_EQ(text.lines.at(1), "<4,4> Bwc-Writes:<1,0>0 bytes/s<4,4> Latency:<1,0>0 Micro/io");
    EXPECT_EQ(text.lines.at(2), "<4,4> Bwc-Read:<1,0>0 bytes/s<4,4> Latency:<1,0>0 Micro/io");
    Rendered xml = Render(*pDev, true);
    EXPECT_EQ(xml.lines.at(4), "<0,0>\t\t<4,4><writeSizeBwc><1,0>0 bytes/s<4,4></writeSizeBwc>");
    EXPECT_EQ(xml.currentLine, 7u) << "no line break at the end";
}

TEST(ViewGoldens, UmtClassNamedEntriesAndTheirXmlElementNames) {
    auto pClass = Make<Sdbg_TMosUmtClassQuery>();
    MosUmtClassQuery &w = pClass->wire;
    std::strcpy(w.className, "io");
    std::strcpy(w.counter.name, "ctx switches");
    w.counter.value = 7;
    std::strcpy(w.statsEntries[1].name, "wait time (us)");
    std::strcpy(w.statsEntries[0].name, "run");
    Rendered text = Render(*pClass, false);
    ASSERT_EQ(text.lines.size(), 4u);
    EXPECT_EQ(text.lines[0], "<4,4>Name:<1,0>io");
    EXPECT_EQ(text.lines[1], "<5,4>ctx switches: <1,1>7");
    EXPECT_EQ(text.lines[2].substr(0, 27), "<5,4>wait time (us): <4,4> ");
    EXPECT_EQ(text.lines[3].substr(0, 16), "<5,4>run: <4,4> ");
    EXPECT_EQ(text.currentLine, 4u);
    Rendered xml = Render(*pClass, true);
    EXPECT_EQ(xml.lines[2], "<0,0>\t\t<4,4><Counters>");
    EXPECT_EQ(xml.lines[3], "<0,0>\t\t\t<5,4><ctx-switches><1,1>7<5,4></ctx-switches>");
    EXPECT_NE(xml.plain.find("\t\t\t<wait-time-us>"), std::string::npos);
    EXPECT_NE(xml.plain.find("</wait-time-us>\n\t\t\t<run>"), std::string::npos);
    EXPECT_EQ(xml.plain.substr(xml.plain.size() - 20), "</run>\n\t\t</Counters>");
}

TEST(ViewGoldens, PerfStackTotalStageThenTheCountedStages) {
    auto pStack = Make<Sdbg_TMosPerfStack_Query>();
    MosPerfStack_Query &w = pStack->wire;
    std::strcpy(w.contextDescription, "ctx");
    std::strcpy(w.totalStage.name, "total");
    std::strcpy(w.stages[0].name, "s0");
    std::strcpy(w.stages[1].name, "s1");
    struct Case {
        uint32_t numStages;
        uint32_t shown;
    };
    for (const Case &c : {Case{0, 0}, Case{1, 1}, Case{1000, 22}}) {
        w.numStages = c.numStages;
        Rendered text = Render(*pStack, false);
        ASSERT_GE(text.lines.size(), 3u);
        EXPECT_EQ(text.lines[0].substr(0, 45), "<4,4>Description: <1,0>ctx<4,4> #context swit");
        EXPECT_EQ(text.lines[1], "") << "the total stage begins after an empty line";
        EXPECT_EQ(text.lines[2], "<4,4>Stage Description: <5,4>total");
        // Every stage takes six line breaks; one more precedes the stages.
        EXPECT_EQ(text.currentLine, 8u + 6u * c.shown) << c.numStages;
        if (c.shown > 0) {
            EXPECT_EQ(text.lines[9], "<4,4>Stage Description: <5,4>s0");
        }
    }
}

} // namespace

namespace {

// One value of a record and the colour its rule gives it.
TEST(ViewGoldens, EdgeValuesTakeTheColoursOfTheirRules) {
    struct Case {
        uint32_t typeId;
        uint32_t offset;
        uint64_t value; // written little-endian over width bytes
        uint32_t width;
        const char *pExpected; // a piece of the text view's first line
    };
    const Case cases[] = {
        {4, 24, ~0ULL, 8, "<4,4> #malloc-free:<2,0>-1"},
        {17, 60, 0, 4, "<4,4> num of waiters:<2,0>0"},
        {10, 12, 0, 4, "<4,4> Waiters:<1,0>0"},
        {164, 56, 0, 4, "<4,4> firstLevelBitmap:<2,0>0x0"},
        {164, 56, 0xF0, 4, "<4,4> firstLevelBitmap:<1,0>0xf0"},
        {147, 40, 0, 8, "<4,4> #total FAILED allocs: <1,0>0"},
        {7, 56, 0, 4, "<4,4> millis:<2,0>0"},
        {7, 56, 1, 4, "<4,4> millis:<1,0>1"},
        {9, 28, 0xFFFFFFFF, 4, "<4,4> In-Enum:<2,0>-1"},
    };
    for (const Case &c : cases) {
        auto pObj = CreateSrvObj(c.typeId);
        uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
        for (uint32_t b = 0; b < c.width; ++b) {
            pWire[c.offset + b] = static_cast<uint8_t>(c.value >> (8 * b));
        }
        std::string text;
        for (const std::string &line : Render(*pObj, false).lines) {
            text += line + "\n";
        }
        EXPECT_NE(text.find(c.pExpected), std::string::npos) << c.typeId << ": " << text;
    }
}

} // namespace

namespace {

#pragma pack(push, 1)
struct FormatsWire {
    uint8_t guid[16];
    uint8_t flags;
    Sdbg_AvgEvent8Record avg8;
};
#pragma pack(pop)

constexpr Sdbg_ViewRow kFormatsRows[] = {
    SDBG_ROW(1, FormatsWire, guid, "GUID:", Guid, SDBG_VALUE),
    SDBG_ROW(1, FormatsWire, flags, " Flags:", Hex8, SDBG_ZERO_ALERT),
    SDBG_ROW(2, FormatsWire, avg8, " Avg:", AvgEvent8, SDBG_VALUE),
};
constexpr Sdbg_ViewTable kFormatsTable = {
    "FormatsWire", sizeof(FormatsWire), kFormatsRows, 3, nullptr, 0, 0};

// The record formats a row names print through the viewer's printers: a
// GUID as its braced text, one byte in hex under its colour rule.
TEST(ViewGoldens, GuidAndByteRowsInTextAndXml) {
    FormatsWire w{};
    const uint8_t guid[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                              0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    std::memcpy(w.guid, guid, sizeof(guid));
    Sdbg_LogicalView text(nullptr, 10, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    Sdbg_RenderText(text, kFormatsTable, reinterpret_cast<const uint8_t *>(&w));
    EXPECT_EQ(objscopetest::MarkedLines(text)[0],
              "<4,4>GUID:<1,0>{12345678-9ABC-DEF0-0123-456789ABCDEF}<4,4> Flags:<2,0>0x0");
    Sdbg_LogicalView xml(nullptr, 10, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    Sdbg_RenderXml(xml, kFormatsTable, reinterpret_cast<const uint8_t *>(&w));
    EXPECT_EQ(objscopetest::MarkedLines(xml)[1],
              "<0,0>\t\t<4,4><guid><1,0>{12345678-9ABC-DEF0-0123-456789ABCDEF}<4,4></guid>");
}

} // namespace
