// Goldens of the storage-engine, AFS, NV and data-server performance views:
// one per shape, with the colour of every character ("<fg,bg>" marks), and
// the cases where remote counts, texts and divisors are hostile.

#include "views_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using viewstest::Make;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

size_t CountOf(const std::string &text, const std::string &piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// ---- AFS ------------------------------------------------------------------

TEST(EngineViews, AfsSingletonPoolsInHexAndZeroAsZeroX0) {
    auto pAfs = Make<Sdbg_TAfsQuery>();
    _AfsQuery &w = pAfs->wire;
    w.userId = 7;
    w.numAllDevices = 2;
    w.numAllFiles = 3;
    w.default1MPool = 0xABCDEF0;
    w.waitersList4KPoolSize = 5;
    w.fileGenNum = 9;
    w.reserved = 0x41414141;
    EXPECT_EQ(Render(*pAfs, false).lines,
              (Lines{"<4,4> userId:<1,0>7<4,4> #Devices:<1,0>2<4,4> #Files:<1,0>3",
                     "<4,4> 1MPool:<1,0>0xabcdef0<4,4> 4KPool:<1,0>0x0",
                     "<4,4> #waiters1MPool:<1,0>0<4,4> #waiters4KPool:<1,0>5",
                     "<4,4> fileGenNum:<1,0>9"}));
    Rendered xml = Render(*pAfs, true);
    EXPECT_EQ(xml.lines.at(4), "<0,0>\t\t<4,4><default1MPool><1,0>0xabcdef0<4,4></default1MPool>");
    EXPECT_EQ(xml.lines.size(), 9u) << "eight elements after the leading line break";
}

// A window of 0 seconds prints 0 for both rates instead of dividing.
TEST(EngineViews, GenericDeviceCountersAsAveragesInTextAndXml) {
    auto pDev = Make<Sdbg_TGenericDeviceQuery>();
    _GenericDeviceQuery &w = pDev->wire;
    w.devId = 1;
    w.devBlockSizeInBytes = 4096;
    w.readSizeBwc = {100, 4000, 0, 0, 10};
    w.writeSizeBwc = {100, 4000, 0, 0, 0};
    w.submittedIosCount = 3;
    const Lines text{
        "<4,4> devId:<1,0>1<4,4> backendId:<1,0>0<4,4> refCount:<1,0>0<4,4> devState:<1,0>0"
        "<4,4> blockSizeInBytes:<1,0>4096",
        "<4,4> readSizeBwc: Average:<1,0>400<4,4> Event:<1,0>10",
        "<4,4> writeSizeBwc: Average:<1,0>0<4,4> Event:<1,0>0",
        "<4,4> readLatencyBwc: Average:<1,0>0<4,4> Event:<1,0>0",
        "<4,4> writeLatencyBwc: Average:<1,0>0<4,4> Event:<1,0>0",
        "<4,4> submittedIosCount:<1,0>3"};
    Rendered out = Render(*pDev, false);
    EXPECT_EQ(out.lines, text);
    EXPECT_EQ(out.currentLine, 5u) << "no line end after the view";
    Rendered xml = Render(*pDev, true);
    EXPECT_EQ(xml.lines.at(6),
              "<0,0>\t\t<4,4><readSizeBwc> Average:<1,0>400<4,4> Event:<1,0>10<4,4></readSizeBwc>");
    EXPECT_EQ(xml.lines.at(5),
              "<0,0>\t\t<4,4><devBlockSizeInBytes><1,0>4096<4,4></devBlockSizeInBytes>");
}

TEST(EngineViews, AfsFileViewsInTheirPrintOrder) {
    auto pNafs = Make<Sdbg_TAfsNafsFileQuery>();
    pNafs->wire.featId = 1;
    pNafs->wire.fileId = 2;
    pNafs->wire.sizeInBytes = 3;
    pNafs->wire.intervals = 4;
    EXPECT_EQ(Render(*pNafs, false).lines,
              (Lines{"<4,4> featId:<1,0>1<4,4> fileId:<1,0>2",
                     "<4,4>sizeInBytes: <1,0>3<4,4> genNum:<1,0>0<4,4> devId:<1,0>0"
                     "<4,4> inodeIdx:<1,0>0",
                     "<4,4> fileCacheRefCount:<1,0>0<4,4> fileFlags:<1,0>0"
                     "<4,4> intervalsNum:<1,0>4"}));
    EXPECT_EQ(Render(*pNafs, true).lines.back(),
              "<0,0>\t\t<4,4><intervals><1,0>4<4,4></intervals>");

    auto pGeneric = Make<Sdbg_TAfsGenericFileQuery>();
    pGeneric->wire.p4KBouncePool = 0x10;
    pGeneric->wire.migFlags = 6;
    Lines generic = Render(*pGeneric, false).lines;
    ASSERT_EQ(generic.size(), 5u);
    EXPECT_EQ(generic[3], "<4,4> fileState:<1,0>0<4,4> sizeInBytes:<1,0>0<4,4> numWriters:<1,0>0"
                          "<4,4> migFlags:<1,0>6");
    EXPECT_EQ(generic[4], "<4,4> p1MBouncePool:<1,0>0x0<4,4> p4KBouncePool:<1,0>0x10");

    auto pNvram = Make<Sdbg_TAfsNvramFileQuery>();
    pNvram->wire.bIsOpen = 0xFFFFFFFF;
    pNvram->wire.nvBufId = 8;
    EXPECT_EQ(Render(*pNvram, false).lines.at(2),
              "<4,4> nvBufId:<1,0>8<4,4> dictIdx:<1,0>0<4,4> bIsOpen:<1,0>-1");
}

// A device path filling its 64 bytes prints exactly 64 characters.
TEST(EngineViews, DevicePathsStopAtTheirWidth) {
    const std::string path64(64, 'p');
    auto pNafs = Make<Sdbg_TAfsNafsDevQuery>();
    std::memcpy(pNafs->wire.devPath, path64.data(), 64);
    pNafs->wire.journalAddSemCounter = 0x41; // a printable byte right after the path
    pNafs->wire.backendId = 2;
    EXPECT_EQ(Render(*pNafs, false).lines,
              (Lines{"<4,4> devId:<1,0>0<4,4> backendId:<1,0>2<4,4> devPath:<1,0>" + path64,
                     "<4,4> journalAddSemCounter:<1,0>65<4,4> journalRmvSemCounter:<1,0>0"}));

    auto pNvram = Make<Sdbg_TAfsNvramDevQuery>();
    std::memcpy(pNvram->wire.devPath, path64.data(), 64);
    pNvram->wire.numOfFreeMbs = 0x42;
    EXPECT_EQ(Render(*pNvram, false).lines.at(0),
              "<4,4> devId:<1,0>0<4,4> devPath:<1,0>" + path64 + "<4,4> #FreeMbs:<1,0>66");
    EXPECT_EQ(Render(*pNvram, true).lines.at(2),
              "<0,0>\t\t<4,4><devPath><1,0>" + path64 + "<4,4></devPath>");
}

TEST(EngineViews, NullAndOsfsDevicesShareTheirIdView) {
    for (uint32_t id : {160u, 161u}) {
        auto pDev = viewstest::MakeObject(id, [](uint8_t *p, uint32_t n) {
            std::memset(p, 0, n);
            p[0] = 0x2a;
            p[7] = 0x01;
        });
        EXPECT_EQ(Render(*pDev, false).lines, (Lines{"<4,4> devId:<1,0>72057594037927978"})) << id;
        EXPECT_EQ(Render(*pDev, true).lines,
                  (Lines{"", "<0,0>\t\t<4,4><devId><1,0>72057594037927978<4,4></devId>"}))
            << id;
    }
}

// ---- Data-server performance parameters and pools ----------------------

TEST(EngineViews, PerfParamsOnOneLineWithNarrowFieldsAsNumbers) {
    auto pParams = Make<Sdbg_TPerfParamsQuery>();
    _PerfParamsQuery &w = pParams->wire;
    w.numOfSocketsPerIpSdsToSds = 200;
    w.keepaliveTimeMs = 1000;
    w.threadTgtIoDuringMigrate = 65535;
    w.threadTgtControl = 4;
    w.numIoBuffs = 9;
    std::memset(w.reserved2, 0x55, sizeof(w.reserved2));
    Rendered text = Render(*pParams, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4> Num of sockets per IP SDS to SDS:<1,0>200<4,4> Keepalive time in MS:"
                     "<1,0>1000<4,4> Num of net worker threads:<1,0>0<4,4> Recv buffer in KB:"
                     "<1,0>0<4,4> Send buffer in KB:<1,0>0<4,4> Max requests per async file:"
                     "<1,0>0<4,4> Thread INI IO:<1,0>0<4,4> Thread TGT IO main:<1,0>0"
                     "<4,4> Thread TGT IO during migration:<1,0>65535<4,4> Thread TGT IO copy:"
                     "<1,0>0<4,4> Thread TGT Control:<1,0>4<4,4> Thread TGT IO migrate:<1,0>0"
                     "<4,4> Thread copy IO:<1,0>0<4,4> UMT OS threads:<1,0>0"
                     "<4,4> Num of IO buffers:<1,0>9"}));
    EXPECT_EQ(Render(*pParams, true).lines.at(11),
              "<0,0>\t\t<4,4><threadTgtControl><1,0>4<4,4></threadTgtControl>");
}

TEST(EngineViews, StmpAndZmpPoolLines) {
    auto pStmp = Make<Sdbg_TStmpQuery>();
    pStmp->wire = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Render(*pStmp, false).lines,
              (Lines{"<4,4> Allocated:<1,0>1<4,4> Total Allocated:<1,0>4<4,4> # Waiters:<1,0>5"
                     "<4,4> Allocated in Lbs:<1,0>2<4,4> max allocated in Lbs:<1,0>3"
                     "<4,4> Total size:<1,0>6"}));
    auto pZmp = Make<Sdbg_TZmpQuery>();
    pZmp->wire = {1, 2, 3, 4};
    EXPECT_EQ(
        Render(*pZmp, false).lines,
        (Lines{"<4,4> Allocated:<1,0>1<4,4> Total Allocated:<1,0>2<4,4> Num of buffers:<1,0>4"}));
    EXPECT_EQ(Render(*pZmp, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><numOfAllocations><1,0>1<4,4></numOfAllocations>",
                     "<0,0>\t\t<4,4><numOfAllocated><1,0>2<4,4></numOfAllocated>",
                     "<0,0>\t\t<4,4><totalSizeOfBuffers><1,0>4<4,4></totalSizeOfBuffers>"}));
}

// ---- Execution-statistics container ------------------------------------

TEST(EngineViews, ContainerWithoutValidStacksPrintsOnlyItsDescription) {
    auto pContainer = Make<Sdbg_TPerfContainerQuery>();
    std::strcpy(pContainer->wire.containerDescription, "tgt perf");
    std::strcpy(pContainer->wire.stacks.stacks[3].contextDescription, "not valid");
    EXPECT_EQ(Render(*pContainer, false).lines, (Lines{"<4,4> <1,0>tgt perf"}));
    EXPECT_EQ(
        Render(*pContainer, true).lines,
        (Lines{"", "<0,0>\t\t<4,4><containerDescription><1,0>tgt perf<4,4></containerDescription>",
               "<0,0>\t\t<4,4><stacks></stacks>"}));
}

// A valid stack without stages: name, statistics, headings and the stars.
TEST(EngineViews, ContainerStackWithoutStagesAndANameFillingItsField) {
    auto pContainer = Make<Sdbg_TPerfContainerQuery>();
    const std::string name64(64, 'n');
    MosPerfStack_Query &stack = pContainer->wire.stacks.stacks[32];
    std::memcpy(stack.contextDescription, name64.data(), 64);
    stack.numStages = 0;
    pContainer->wire.stacks.validFlags[32] = 1;
    const Lines stackLines{
        "",
        "<4,4>Stack name: <5,4>" + name64,
        "<4,4>Stack statistics:  #samples:<1,0>0<4,4> max:<1,0>0.00<4,4> #overflows:<1,0>0"
        "<4,4> #discards:<1,0>0<4,4> total:<1,0>0<0,0> avg/stddev:<1,0>0.00<0,0>/<1,0>0.00",
        "",
        "<4,4>Stack stages: ",
        "<4,4>------------- *********************************"};
    Lines expected{"<4,4> "};
    expected.insert(expected.end(), stackLines.begin(), stackLines.end());
    EXPECT_EQ(Render(*pContainer, false).lines, expected);

    Lines xml = Render(*pContainer, true).lines;
    ASSERT_EQ(xml.size(), 9u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<4,4><containerDescription></containerDescription>");
    EXPECT_EQ(xml[2], "<0,0>\t\t<4,4><stacks>");
    EXPECT_EQ(xml[3], "");
    EXPECT_EQ(xml[4], stackLines[1]);
    EXPECT_EQ(xml[8], "<4,4>------------- *********************************</stacks>");
}

// Stages are bounded by the record's 22 even when the count says more; a
// stage whose buckets all hold under 1 % lists no bucket line.
TEST(EngineViews, ContainerStagesStopAtTheRecordsCapacity) {
    auto pContainer = Make<Sdbg_TPerfContainerQuery>();
    MosPerfStack_Query &stack = pContainer->wire.stacks.stacks[0];
    std::strcpy(stack.contextDescription, "io");
    for (uint32_t j = 0; j < MOS_PERF_STACK_STAGES; ++j) {
        mos_Snprintf(stack.stages[j].name, kStageNameSize, "st%u", j);
        stack.stages[j].histogram.bucketCount = 2;
        stack.stages[j].histogram.samples = 1000;
        stack.stages[j].histogram.buckets[0].count = 5;
        stack.stages[j].histogram.buckets[1].count = 9;
    }
    pContainer->wire.stacks.validFlags[0] = 7;
    for (uint32_t numStages : {1u, 22u, 23u, 0xFFFFFFFFu}) {
        stack.numStages = numStages;
        Rendered text = Render(*pContainer, false);
        const uint32_t shown = std::min(numStages, MOS_PERF_STACK_STAGES);
        EXPECT_EQ(CountOf(text.plain, "Stage Description: "), shown) << numStages;
        EXPECT_EQ(CountOf(text.plain, "Samples distribution (in micros): \n"), shown);
        EXPECT_EQ(CountOf(text.plain, "    ["), 0u) << "no bucket reaches 1 %";
        EXPECT_NE(text.plain.find("-------------     \nStage Description: st0\n"),
                  std::string::npos);
        EXPECT_EQ(text.plain.substr(text.plain.size() - 34), "\n*********************************");
    }
}

// ---- Mock-up ------------------------------------------------------------

TEST(EngineViews, MockupPrintsTheSameCommandWhateverItsBytes) {
    const std::string command = "\nconfigobj 0 SpefMockup read_checksum_error "
                                "[comb_data(default)|meta_data|device_data]";
    for (uint32_t bytes : {0u, 0xFFFFFFFFu}) {
        auto pMockup = Make<Sdbg_TSpefMockup_Query>();
        pMockup->wire.dummy = bytes;
        Rendered text = Render(*pMockup, false);
        EXPECT_EQ(text.lines,
                  (Lines{"", "",
                         "<4,4>To generate a read checksum error from SPEF(mockup): (command "
                         "syntax in main screen)<1,0>" +
                             command}));
        EXPECT_EQ(text.currentLine, 2u) << "no line end after the command";
        Rendered xml = Render(*pMockup, true);
        EXPECT_EQ(xml.lines, (Lines{"", "<0,0>\t\t<4,4><dummy><1,0>" + command + "<4,4></dummy>"}));
        EXPECT_EQ(xml.currentLine, 1u);
    }
}

// ---- Storage-engine instance, volume, VTree, change log --------------------

TEST(EngineViews, InstanceDiagnosticsAfterTwoEmptyLines) {
    auto pInstance = Make<Sdbg_TSpefInstanceQuery>();
    SpefInstanceDiagnosticsInfo_Debug &d = pInstance->wire.diagnostics;
    d.avgProcessingLatencyForCompressedEntriesInUsec[0] = 10;
    d.avgProcessingLatencyForCompressedEntriesInUsec[1] = 2;
    d.avgProcessingLatencyForDecompressionInUsec[1] = 3;
    d.allocatedShmBs = 4096;
    std::memset(pInstance->wire.reserved, 0x7F, sizeof(pInstance->wire.reserved));
    Lines expected{"",
                   "",
                   "<0,0>Debug counters ",
                   "<0,0>Average Processing Latency Due to compression features:",
                   "<4,4>  Compressed enrties[usec]: <1,0>(10/2)",
                   "<4,4>  Non Compressed entries[usec]: <1,0>(0/0)",
                   "<4,4>  Decompressing entries[usec]: <1,0>(0/3)<4,4>    CUG Mempool errors: "
                   "<1,0>0",
                   "<4,4>    Invalid Parameter Errors: <1,0>0",
                   "<4,4>    InflightChecksum failures: <1,0>0",
                   "<4,4>    Allocated Shm in Bytes: <1,0>4096"};
    Rendered text = Render(*pInstance, false);
    EXPECT_EQ(text.lines, expected);
    EXPECT_EQ(text.currentLine, 10u) << "an empty line follows the object";

    d.cugMempoolErrorCnt = 1;
    EXPECT_EQ(Render(*pInstance, false).lines.at(6),
              "<4,4>  Decompressing entries[usec]: <1,0>(0/3)<4,4>    CUG Mempool errors: <2,0>1");

    Rendered xml = Render(*pInstance, true);
    EXPECT_EQ(
        xml.lines,
        (Lines{"", "<0,0>\t\t<SpefInstanceDiagnosticsInfo_Debug>",
               "<0,0>\t\t\t<4,4><avgProcessingLatencyForCompressedEntriesInUsec><1,0>(10/2)"
               "<4,4></avgProcessingLatencyForCompressedEntriesInUsec>",
               "<0,0>\t\t\t<4,4><avgProcessingLatencyForNonCompressedEntriesInUsec><1,0>(0/0)"
               "<4,4></avgProcessingLatencyForNonCompressedEntriesInUsec>",
               "<0,0>\t\t\t<4,4><avgProcessingLatencyForDecompressionInUsec><1,0>(0/3)"
               "<4,4></avgProcessingLatencyForDecompressionInUsec>",
               "<0,0>\t\t\t<4,4><cugMempoolErrorCnt><2,0>1<4,4></cugMempoolErrorCnt>",
               "<0,0>\t\t\t<4,4><invalidParametersErrorCnt><1,0>0<4,4></invalidParametersErrorCnt>",
               "<0,0>\t\t\t<4,4><inflightChecksumMismatchErrorCnt><1,0>0"
               "<4,4></inflightChecksumMismatchErrorCnt>",
               "<0,0>\t\t\t<4,4><allocatedShmBs><1,0>4096<4,4></allocatedShmBs>",
               "<0,0>\t\t</SpefInstanceDiagnosticsInfo_Debug>"}));
    EXPECT_EQ(xml.currentLine, 9u) << "no line end after the close tag";
}

TEST(EngineViews, VolumeCountersOnASecondLineOrNested) {
    auto pVolume = Make<Sdbg_TSpefVolumeQuery>();
    pVolume->wire.volumeId = 12;
    pVolume->wire.diagnostics = {1, 2, 3};
    Rendered text = Render(*pVolume, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4>Volume ID:<5,0>12<0,0> CRA information:",
                     "<4,4>   Associated Octets: <1,0>1<4,4>  Max associate L2P pages: <1,0>2"
                     "<4,4>  Total Processed L2P pages: <1,0>3"}));
    EXPECT_EQ(text.currentLine, 2u) << "line 2 ends with a line end";
    EXPECT_EQ(
        Render(*pVolume, true).lines,
        (Lines{"", "<0,0>\t\t<4,4><volumeId><5,0>12<4,4></volumeId>",
               "<0,0>\t\t<SpefVolumeDiagnosticsInfo_Debug>",
               "<0,0>\t\t\t<4,4><craAssociatedOctetsCnt><1,0>1<4,4></craAssociatedOctetsCnt>",
               "<0,0>\t\t\t<4,4><craMaxAssociatedL2pPagesCnt><1,0>2"
               "<4,4></craMaxAssociatedL2pPagesCnt>",
               "<0,0>\t\t\t<4,4><craProcessedL2pPagesCnt><1,0>3<4,4></craProcessedL2pPagesCnt>",
               "<0,0>\t\t</SpefVolumeDiagnosticsInfo_Debug>"}));
}

TEST(EngineViews, VTreeIdZeroKeepsItsPrefix) {
    auto pVTree = Make<Sdbg_TSpefVTreeQuery>();
    Rendered text = Render(*pVTree, false);
    EXPECT_EQ(text.lines, (Lines{"<4,4>VTree Id: <5,0>0x0"}));
    EXPECT_EQ(text.currentLine, 0u);
    pVTree->wire.vTreeId = 0xFEDCBA9876543210ULL;
    EXPECT_EQ(Render(*pVTree, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><vTreeId><5,0>0xfedcba9876543210<4,4></vTreeId>"}));
}

void FillChangeLog(_SpefChangeLogQuery &w) {
    w.devId = 0x2a;
    std::memcpy(w.spefAfsSubComponentStr, std::string(48, 's').data(), 48);
    w.numberOfAus = 0x41; // the bytes right after the name
    w.recordSizeInBytes = 64;
    w.changelogAccDevFilesCnt = 2;
    w.auMinRecordCountInCentiRecords = 150;
    w.auOptimumRecordCount = 0;
    w.auRecordLimitCount = 9;
    w.bWriteThrough = 1;
    w.totalChangelogInsertsCnt = 1000;
    w.totalChangelogDestageBwc = 7;
    w.avgChangelogRecordsPerInsertCnt = 3;
    w.changelogSetUtilizationPercentageHist.min = 5;
    w.changelogSetUtilizationPercentageHist.max = 5;
    w.changelogSetUtilizationPercentageHist.expectedMax = 100;
}

// Equal minimum and maximum: the three summary lines, then "cannot display".
TEST(EngineViews, ChangeLogTextWithItsDistributionBlock) {
    auto pLog = Make<Sdbg_TSpefChangeLogQuery>();
    FillChangeLog(pLog->wire);
    Rendered text = Render(*pLog, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4>device id: <5,0>0x2a<4,4> SubComponent: <5,0>" + std::string(48, 's'),
                     "<4,4>Num of Aus: <1,0>65<4,4> Record size (Bytes): <1,0>64"
                     "<4,4> AccDev files: <1,0>2",
                     "<0,0>Au Records limits - <4,4>Minimum (CentiRecords): <1,0>150"
                     "<4,4> Optimum(records): <2,0>0<4,4> Maximum(records): <1,0>9",
                     "<4,4>WriteThrough: <2,0>1<4,4> Writethrough's due to congestion: <1,0>0"
                     "<4,4> due to Au limit: <1,0>0",
                     "<4,4>Total inserts: <1,0>1000<4,4> Total num. destages: <1,0>7"
                     "<4,4> Avg. records per insert: <1,0>3<4,4> Avg. records per destage: <1,0>0",
                     "<0,0>       Set Utiliziation - Distribution:",
                     "<0,0>              Min: <1,0>5<0,0> (expected: <1,0>0<0,0>)  Max: <1,0>5"
                     "<0,0> (expected: <1,0>100<0,0>)",
                     "<0,0>              Total valid Samples: <1,0>0<0,0>   Out of Range Samples: "
                     "<1,0>0",
                     "<2,0>              =Cannot display statistics details at this time="}));
    EXPECT_EQ(text.currentLine, 9u) << "an empty line follows the object";
}

TEST(EngineViews, ChangeLogXmlLeadTextAndDistributionElement) {
    auto pLog = Make<Sdbg_TSpefChangeLogQuery>();
    FillChangeLog(pLog->wire);
    pLog->wire.changelogSetUtilizationPercentageHist.max = 6;
    pLog->wire.changelogSetUtilizationPercentageHist.bucketCount = 1;
    pLog->wire.changelogSetUtilizationPercentageHist.buckets[0] = {5, 6, 4};
    Lines xml = Render(*pLog, true).lines;
    ASSERT_EQ(xml.size(), 22u);
    EXPECT_EQ(xml[5], "<0,0>\t\t<4,4><changelogAccDevFilesCnt><1,0>2<4,4></changelogAccDevFilesCnt>"
                      "<0,0>Au Records limits - ");
    EXPECT_EQ(xml[6], "<0,0>\t\t<4,4><auMinRecordCountInCentiRecords><1,0>150"
                      "<4,4></auMinRecordCountInCentiRecords>");
    EXPECT_EQ(xml[7], "<0,0>\t\t<4,4><auOptimumRecordCount><2,0>0<4,4></auOptimumRecordCount>");
    EXPECT_EQ(xml[16], "<0,0>\t\t<4,4><changelogSetUtilizationPercentageHist><0,0>       Set "
                       "Utiliziation - Distribution:");
    EXPECT_EQ(xml[19], "<0,0>Utilization / num of sets");
    EXPECT_EQ(xml[20], "<1,0>5<0,0>-<1,0>6<0,0>           |<1,0>" + std::string(60, '+') +
                           "<0,0>(<1,0>4<0,0>)");
    EXPECT_EQ(xml[21], "<4,4></changelogSetUtilizationPercentageHist>");
}

// ---- NV lists and hashes --------------------------------------------------

TEST(EngineViews, NvListNamesStopAtTwentyCharacters) {
    auto pList = Make<Sdbg_TNvDListQuery>();
    _NvDListQuery &w = pList->wire;
    std::memcpy(w.ListTypeName, "ABCDEFGHIJKLMNOPQRST", 20);
    std::strcpy(w.DataTypeName, "Rec");
    std::memcpy(w.ListState, "OKOKOKOKOKOKOKOKOKOK", 20); // no NUL, then offsetSizeInBytes
    w.offsetSizeInBytes = 0x4141;
    w.bNoDataList = 1;
    w.numNodes = 3;
    w.maxNodes = 10;
    w.headOffset = 64;
    w.tailOffset = 128;
    Rendered text = Render(*pList, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4>List type: <5,0>ABCDEFGHIJKLMNOPQRST<4,4> Data type: <5,0>Rec"
                     "<4,4> list type no data: <5,0>1<4,4> State: <1,0>OKOKOKOKOKOKOKOKOKOK"
                     "<4,4> Offset size (Bytes): <1,0>16705",
                     "<4,4>Num used nodes: <1,0>3<4,4> Max nodes: <1,0>10<4,4> head offset: "
                     "<1,0>64<4,4> tail offset: <1,0>128"}));
    EXPECT_EQ(text.currentLine, 1u);
    Lines xml = Render(*pList, true).lines;
    ASSERT_EQ(xml.size(), 10u);
    EXPECT_EQ(xml[1], "<0,0>\t\t<4,4><ListTypeName><5,0>ABCDEFGHIJKLMNOPQRST<4,4></ListTypeName>");
    EXPECT_EQ(xml[9], "<0,0>\t\t<4,4><tailOffset><1,0>128<4,4></tailOffset>");
}

TEST(EngineViews, NvHashTextAndXmlWithItsOccupancyBlock) {
    auto pHash = Make<Sdbg_TNvHashQuery>();
    _NvHashQuery &w = pHash->wire;
    std::strcpy(w.HashTypeName, "HT");
    std::strcpy(w.HashName, "names");
    std::strcpy(w.ValueTypeName, "V");
    std::memcpy(w.KeyTypeName, "KKKKKKKKKKKKKKKKKKKK", 20); // no NUL, then HashName
    w.numBuckets = 16;
    w.offsetSizeInBytes = 4;
    w.bIsRestricted = 1;
    w.numElements = 5;
    w.metadataSizeInBytes = 4096;
    w.tspSizeInBytes = 8;
    w.bucketOccupancyHist.expectedMax = 3; // min = max = 0: cannot display
    Rendered text = Render(*pHash, false);
    ASSERT_EQ(text.lines.size(), 9u);
    EXPECT_EQ(text.lines[0], "<4,4>Hash Type: <5,0>HT<4,4> Hash Name: <5,0>names"
                             "<4,4> Num buckets: <5,0>16");
    EXPECT_EQ(text.lines[1], "<4,4>Value Type: <1,0>V<4,4> Key Type: <1,0>KKKKKKKKKKKKKKKKKKKK"
                             "<4,4> Offset size(bytes): <1,0>4");
    EXPECT_EQ(text.lines[2], "<4,4> Keyless hash: <5,0>0<4,4> Is Restricted hash type: <5,0>1");
    EXPECT_EQ(text.lines[3], "<4,4>Num elements:<1,0>5<4,4> Max elements: <1,0>0"
                             "<4,4> Head offset: <1,0>0<4,4> Tail offset: <1,0>0");
    EXPECT_EQ(text.lines[4], "<0,0>Data sizes in bytes: <4,4>Total metadata: <1,0>4096"
                             "<4,4> Bucket control: <1,0>0<4,4> Control: <1,0>0<4,4> Tsp: <1,0>8");
    EXPECT_EQ(text.lines[5], "<0,0>       Bucket Occupancy - Distribution:");
    EXPECT_EQ(text.lines[8], "<2,0>              =Cannot display statistics details at this time=");
    EXPECT_EQ(text.currentLine, 9u);

    Lines xml = Render(*pHash, true).lines;
    ASSERT_EQ(xml.size(), 22u);
    EXPECT_EQ(xml[12],
              "<0,0>\t\t<4,4><tailOffset><1,0>0<4,4></tailOffset><0,0>Data sizes in bytes: ");
    EXPECT_EQ(xml[13], "<0,0>\t\t<4,4><metadataSizeInBytes><1,0>4096<4,4></metadataSizeInBytes>");
    EXPECT_EQ(xml[17], "<0,0>\t\t<4,4><bucketOccupancyHist><0,0>       Bucket Occupancy - "
                       "Distribution:");
    EXPECT_EQ(xml[21], "<4,4></bucketOccupancyHist>");
}

// ---- Storage-engine device statistics block -------------------------------

template <typename T> void Put(_SpefDeviceQuery &w, uint32_t offset, T value) {
    std::memcpy(reinterpret_cast<uint8_t *>(&w) + offset, &value, sizeof(value));
}

// The text line whose plain text starts with prefix.
std::string LineStarting(const Rendered &out, const std::string &prefix) {
    size_t index = 0;
    size_t start = 0;
    while (start <= out.plain.size()) {
        size_t end = out.plain.find('\n', start);
        if (out.plain.compare(start, prefix.size(), prefix) == 0) {
            return out.lines.at(index);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
        ++index;
    }
    return "(no line starting with " + prefix + ")";
}

std::string At65(const std::string &label) {
    return "<0,0>" + label + std::string(label.size() < 65 ? 65 - label.size() : 0, ' ');
}

// Zeros: every counter 0 in VALUE, the averages 0.00, every distribution
// "cannot display" (the only ALERT), and the closing line without line end.
TEST(EngineViews, DeviceStatsOfAZeroRecord) {
    auto pDev = Make<Sdbg_TSpefDeviceQuery>();
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.lines.at(0), "<4,4>Device:<5,0>0x0");
    EXPECT_EQ(text.lines.at(1), "<5,0>Compression Manager:");
    EXPECT_EQ(text.lines.at(2),
              At65("       All Zero entries on device (ratio): ") + "<1,0>(0/0)  ");
    EXPECT_EQ(text.lines.at(3), At65("       Avg Compression for UD: ") + "<1,0>0.00 %");
    EXPECT_EQ(text.lines.back(), "<5,3>" + std::string(80, '='));
    EXPECT_EQ(text.currentLine, 231u);
    for (const std::string &line : text.lines) {
        if (line.find("<2,") != std::string::npos) {
            EXPECT_EQ(line, "<2,0>              =Cannot display statistics details at this time=");
        }
    }
    EXPECT_EQ(CountOf(text.plain, "=Cannot display statistics details at this time="), 11u);
    EXPECT_EQ(LineStarting(text, "       Avg. log Activation latency:"),
              At65("       Avg. log Activation latency: ") + "<1,0>0.00 [usec]");
    EXPECT_EQ(LineStarting(text, "       Logical checksum"),
              "<0,0>       Logical checksum mismatch errors - external vs. embedded: <1,0>0 ");
    EXPECT_EQ(LineStarting(text, "       Total overwrite rate:"),
              At65("       Total overwrite rate: ") + "<1,0>UnImplemented [%]");
    EXPECT_EQ(LineStarting(text, "       Total Successfull Vtrees deleted: "),
              "<0,0>       Total Successfull Vtrees deleted: <1,0>0<0,0>   Total Failed Vtrees "
              "deletions: <1,0>0");
    EXPECT_EQ(LineStarting(text, "       Deletion - total unnecessary :"),
              "<0,0>       Deletion - total unnecessary :                            <1,0>0 "
              "[Pages]<0,0>, <1,0>0 [Octets]");
    EXPECT_EQ(LineStarting(text, "       Inflight writes:"),
              "<0,0>       Inflight writes:" + std::string(25, ' ') + "<1,0>0 [Lbs]<0,0>" +
                  std::string(10, ' ') + "<1,0>0 [VTOs]");
    EXPECT_EQ(LineStarting(text, "              2to1 page merge:"),
              "<0,0>              2to1 page merge:" + std::string(15, ' ') + "<1,0>0<0,0> Success" +
                  std::string(11, ' ') + "<1,0>0<0,0> Failed");
    EXPECT_EQ(LineStarting(text, "       Log deactivation write"),
              At65("       Log deactivation write to device: ") +
                  "<4,4> Average:<1,0>0<4,4> Event:<1,0>0 ");
}

// Values in their places and colours; alerts only where a counter is set.
TEST(EngineViews, DeviceStatsValuesAndAlerts) {
    auto pDev = Make<Sdbg_TSpefDeviceQuery>();
    _SpefDeviceQuery &w = pDev->wire;
    w.devId = 0xd0;
    Put<uint64_t>(w, 100, 3);
    Put<uint64_t>(w, 108, 8);
    Put<uint64_t>(w, 1031, 1234);
    Put<uint64_t>(w, 36, 7);           // hard IO errors
    Put<uint64_t>(w, 5885, 10);        // activation latency
    Put<uint64_t>(w, 5877, 4);         // activations
    Put<uint16_t>(w, 205, 65535);      // split errors, printed %d of a u16
    Put<uint8_t>(w, 186, 200);         // amortization rate
    Put<uint64_t>(w, 7678 + 3 * 8, 5); // failed 4to1 merges
    Put<uint64_t>(w, 7598 + 3 * 8, 6); // successful 4to1 merges
    Put<uint64_t>(w, 10486, 2);        // failed VTree deletions
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.lines.at(0), "<4,4>Device:<5,0>0xd0");
    EXPECT_EQ(text.lines.at(2),
              At65("       All Zero entries on device (ratio): ") + "<1,0>(3/8)  ");
    EXPECT_EQ(text.lines.at(3), At65("       Avg Compression for UD: ") + "<1,0>12.34 %");
    EXPECT_EQ(LineStarting(text, "       Hard IO errors:"),
              At65("       Hard IO errors: ") + "<2,0>7 ");
    EXPECT_EQ(LineStarting(text, "       Errors found in background scan:"),
              At65("       Errors found in background scan: ") + "<1,0>0 ");
    EXPECT_EQ(LineStarting(text, "       Avg. log Activation latency:"),
              At65("       Avg. log Activation latency: ") + "<1,0>2.50 [usec]");
    EXPECT_EQ(LineStarting(text, "       L2P page split errors:"),
              At65("       L2P page split errors: ") + "<2,0>65535 ");
    EXPECT_EQ(LineStarting(text, "       Avg. changelog amortization rate:"),
              At65("       Avg. changelog amortization rate: ") + "<1,0>200 ");
    EXPECT_EQ(LineStarting(text, "              4to1 page merge:"),
              "<0,0>              4to1 page merge:" + std::string(15, ' ') + "<1,0>6<0,0> Success" +
                  std::string(11, ' ') + "<2,0>5<0,0> Failed");
    EXPECT_EQ(LineStarting(text, "              4to2 page merge:").find("<2,"), std::string::npos);
    EXPECT_EQ(LineStarting(text, "       Total Successfull Vtrees deleted: "),
              "<0,0>       Total Successfull Vtrees deleted: <1,0>0<0,0>   Total Failed Vtrees "
              "deletions: <2,0>2");
}

// A value longer than the room before the next column is not overwritten.
TEST(EngineViews, DeviceStatsLongValuesKeepTheirDigits) {
    auto pDev = Make<Sdbg_TSpefDeviceQuery>();
    Put<uint64_t>(pDev->wire, 7598, ~0ULL);
    Put<uint64_t>(pDev->wire, 7678, 1);
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(LineStarting(text, "              2to1 page merge:"),
              "<0,0>              2to1 page merge:" + std::string(15, ' ') +
                  "<1,0>18446744073709551615<0,0> Success <2,0>1<0,0> Failed");
}

// Rates of the flagged components only; a window count of 0 prints 0.
TEST(EngineViews, DeviceStatsDiskAccessByComponent) {
    auto pDev = Make<Sdbg_TSpefDeviceQuery>();
    const Sdbg_AvgEvent8Record reads{30, 60, 3};
    const Sdbg_AvgEvent8Record noWindow{30, 60, 0};
    Put(pDev->wire, 1867 + 2 * 9, reads);     // DEVICE_PROPERTIES
    Put(pDev->wire, 2146 + 30 * 9, noWindow); // CHANGE_LOG writes
    Rendered before = Render(*pDev, false);
    Put(pDev->wire, 1867 + 0 * 9, reads);  // DEVICE_PRINTER: not shown
    Put(pDev->wire, 2146 + 29 * 9, reads); // DUMMY_PHYDEV: not shown
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(text.lines, before.lines);
    const std::string rd = At65("          Rd: ");
    const std::string wr = At65("          Wr: ");
    const Lines expected{
        "<0,0>       DEVICE_PROPERTIES:", rd + "<4,4> Average:<1,0>20<4,4> Event:<1,0>10 [IO/sec]",
        wr + "<4,4> Average:<1,0>0<4,4> Event:<1,0>0 [IO/sec]", ""};
    auto it = std::find(text.lines.begin(), text.lines.end(), expected[0]);
    ASSERT_NE(it, text.lines.end());
    EXPECT_EQ(Lines(it, it + 4), expected);
    EXPECT_EQ(text.lines.at(text.lines.size() - 3),
              wr + "<4,4> Average:<1,0>0<4,4> Event:<1,0>0 [IO/sec]");
    EXPECT_EQ(CountOf(text.plain, "          Rd: "), 10u);
    for (const char *pName :
         {"DEVICE_PROPERTIES", "L2P_GATEWAY", "L2P_DIRECTORY", "L2P_RCACHE",
          "DIRTY_REGION_LOG_CACHE", "CAPACITY_RECLAIM_AGENT", "PHYSICAL_CAPACITY_RECLAIM_MANAGER",
          "CAPACITY_UTILIZATION_GAUGE", "USER_DATA_STORAGE_MANAGEMENT", "CHANGE_LOG"}) {
        EXPECT_EQ(CountOf(text.plain, std::string("\n       ") + pName + ":\n"), 1u) << pName;
    }
}

// A bucket count beyond the record's 32 buckets shows the 32 it holds.
TEST(EngineViews, DeviceStatsDistributionStopsAtItsBuckets) {
    auto pDev = Make<Sdbg_TSpefDeviceQuery>();
    Sdbg_DistributionRecord record{};
    record.bucketCount = 0xFFFFFFFF;
    record.samples = 10;
    record.max = 9;
    for (uint32_t i = 0; i < kHistogramBuckets; ++i) {
        record.buckets[i] = {i, i + 1, 1};
    }
    Put(pDev->wire, 1039, record);
    Rendered text = Render(*pDev, false);
    EXPECT_EQ(LineStarting(text, "Data compression ratio / num entries"),
              "<0,0>Data compression ratio / num entries");
    EXPECT_EQ(CountOf(text.plain, "|"), 32u);
    EXPECT_NE(text.plain.find("\n31-32         |++++++(1)\nCapacity Manager:"), std::string::npos);
}

// The same block in both views; in XML after the devId element and two tabs.
TEST(EngineViews, DeviceStatsAreTheSameTextInXml) {
    uint32_t seed = 5;
    auto pDev = viewstest::MakeObject(166, [&](uint8_t *p, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            p[i] = static_cast<uint8_t>(seed >> 16);
        }
    });
    Rendered text = Render(*pDev, false);
    Rendered xml = Render(*pDev, true);
    ASSERT_EQ(xml.lines.size(), text.lines.size() + 1);
    EXPECT_EQ(xml.lines[0], "");
    EXPECT_EQ(xml.lines[1].substr(0, 21), "<0,0>\t\t<4,4><devId><5");
    EXPECT_EQ(xml.lines[2], "<0,0>\t\t" + text.lines[1]);
    EXPECT_TRUE(std::equal(text.lines.begin() + 2, text.lines.end(), xml.lines.begin() + 3));
}

} // namespace
