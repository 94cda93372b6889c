// The printers of the driver commands' replies against texts written from
// the documented formats: address lists and their states, targets, MDMs,
// dynamic parameters, trace configuration, performance, PEs and VVols;
// fields that fill their width without a terminating zero are printed no
// further than the field.
#include "ioctl_interface.h"
#include "kmodctl_guid.h"
#include "kmodctl_mdm_cmds.h"
#include "kmodctl_params.h"
#include "kmodctl_pe.h"
#include "kmodctl_stats.h"
#include "kmodctl_targets.h"
#include "kmodctl_trace.h"
#include "record_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string stdoutOf(const std::function<void()> &print) {
    qorniIntf_SetVerbose(true);
    testing::internal::CaptureStdout();
    print();
    return testing::internal::GetCapturedStdout();
}

TEST(AddressPrinterTest, ListsAddressesAndTheirStates) {
    Bytes ips(3 * 24);
    ips.ipv4(0, 10, 0, 0, 1).ipv4(24, 10, 0, 0, 2); // the third stays zero: invalid
    Bytes states(3 * 24);
    states.u32(8, 2).u32(12, 7).u32(16, 1).u32(20, 3).u32(24 + 8, 9).u32(48 + 8, 3);
    EXPECT_EQ(stdoutOf([&] { printAllIPs(ips.at(0), 3, nullptr, false); }),
              "[0]-10.0.0.1 [1]-10.0.0.2 [2]-INVALID ");
    EXPECT_EQ(
        stdoutOf([&] { printAllIPs(ips.at(0), 3, states.at(0), true); }),
        "[0]-10.0.0.1 State OK, inflightBytes 7, numConnectedSocks 1, numSocks 3\n"
        "[1]-10.0.0.2 State Unknown, inflightBytes 0, numConnectedSocks 0, numSocks 0\n"
        "[2]-INVALID State Disconnecting, inflightBytes 0, numConnectedSocks 0, numSocks 0\n");
    EXPECT_EQ(stdoutOf([&] { printAllIPs(ips.at(0), 0, nullptr, false); }), "");
}

struct MdmCase {
    const char *pWhat;
    uint32_t ipCapacity;
    int32_t numIps;
    std::string addresses;
};

TEST(MdmPrinterTest, AddressCountIsBoundedByTheEntry) {
    const MdmCase cases[] = {
        {"two", 8, 2, "[0]-10.0.0.1 [1]-10.0.0.2 "},
        {"none", 8, 0, ""},
        {"negative", 8, -1, ""},
        {"more than v2.00 holds", 8, 9,
         "[0]-10.0.0.1 [1]-10.0.0.2 " +
             std::string("[2]-INVALID [3]-INVALID [4]-INVALID [5]-INVALID "
                         "[6]-INVALID [7]-INVALID ")},
    };
    for (const MdmCase &c : cases) {
        SCOPED_TRACE(c.pWhat);
        size_t entrySize = 40 + 24 * c.ipCapacity;
        Bytes e(entrySize);
        e.u64(8, 0xab).u64(16, 0xcd).u64(24, 0xef).u32(32, static_cast<uint32_t>(c.numIps));
        e.ipv4(40, 10, 0, 0, 1).ipv4(64, 10, 0, 0, 2);
        EXPECT_EQ(stdoutOf([&] { queryMdms_Print(e.at(0), 1, c.ipCapacity); }),
                  "Retrieved 1 mdm(s)\nMDM-ID 00000000000000ab SDC ID 00000000000000cd "
                  "INSTALLATION ID 00000000000000ef IPs " +
                      c.addresses + "\n");
    }
}

TEST(MdmPrinterTest, V130PrintsTheFourBytesInStorageOrder) {
    Bytes e(64);
    e.u64(0, 1).u64(8, 2).u64(16, 3).u32(24, 12);
    const uint8_t ip[] = {192, 168, 7, 9};
    memcpy(e.buf.data() + 32, ip, 4);
    EXPECT_EQ(stdoutOf([&] { queryMdms_PrintV130(e.at(0), 1); }),
              "Retrieved 1 mdm(s)\nMDM-ID 0000000000000001 SDC ID 0000000000000002 INSTALLATION "
              "ID 0000000000000003 IPs [0]-192.168.7.9 [1]-0.0.0.0 [2]-0.0.0.0 [3]-0.0.0.0 "
              "[4]-0.0.0.0 [5]-0.0.0.0 [6]-0.0.0.0 [7]-0.0.0.0 \n");
}

TEST(TargetPrinterTest, OneLineOrStateBlock) {
    Bytes t(442);
    t.u64(8, 0x11).u64(16, 0x22).u32(24, 1).ipv4(28, 1, 2, 3, 4);
    t.u32(220 + 8, 5).u32(220 + 12, 6).u32(220 + 17, 7).u32(220 + 22, 8).u32(220 + 26, 9);
    t.buf[220 + 21] = 1;
    t.u32(220 + 30 + 8, 1).u32(220 + 30 + 12, 10).u32(220 + 30 + 16, 11).u32(220 + 30 + 20, 12);
    const char kHead[] = "Retrieved 1 tgt(s)\nTGT-ID 0x0000000000000022 MDM-ID 0x0000000000000011 ";
    EXPECT_EQ(stdoutOf([&] { queryTgts_Print(t.at(0), 1, 0); }),
              std::string(kHead) + "Tgt IPs : [0]-1.2.3.4 \n");
    EXPECT_EQ(stdoutOf([&] { queryTgts_Print(t.at(0), 1, 1); }),
              std::string(kHead) +
                  "Total InflightIOs 5, Total  bytesInflight 6 \nChannelID 7, channel establish "
                  "required 1, #channel establish failures 8, #IOs waiting for channel "
                  "establish  9\n[0]-1.2.3.4 State Connecting, inflightBytes 10, "
                  "numConnectedSocks 11, numSocks 12\n");
}

struct ChunkCase {
    uint64_t startLba;
    uint64_t sizeBytes;
    uint64_t chunks;
};

TEST(LbInfoTest, ChunksTouchedByTheRange) {
    const ChunkCase cases[] = {
        {0, 512, 1},
        {0, 0, 0},
        {2047, 1024, 2},
        {4096, 0, 0},
        {4097, 0, 1},
        {0, 2048 * 512, 1},
        {0, 2048 * 512 + 1, 2},
        {1, 2048 * 512, 2},
        // No wrap at the end of the block space or of the size.
        {0xFFFFFFFFFFFFFFFFull, 512, 1},
        {0xFFFFFFFFFFFFF800ull, 2048 * 512, 1},
        {0, 0xFFFFFFFFFFFFFFFFull, (0xFFFFFFFFFFFFFFFFull / 512 + 1 + 2047) / 2048},
    };
    for (const ChunkCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.startLba << " + " << c.sizeBytes);
        EXPECT_EQ(queryLbInfo_NumChunks(c.startLba, c.sizeBytes), c.chunks);
    }
}

struct ChunkLimitCase {
    uint64_t startLba;
    uint64_t sizeBytes;
    MOS_RC rc;
};

TEST(LbInfoTest, ChunkCountMustFitThirtyTwoBits) {
    constexpr uint64_t kMb = 2048 * 512;
    const ChunkLimitCase cases[] = {
        {0, 0xFFFFFFFFull * kMb, MOS_RC__SUCCESS},         // exactly the most chunks
        {0, 0xFFFFFFFFull * kMb + 1, MOS_RC__INVALID_ARG}, // one chunk more
        {1, 0xFFFFFFFFull * kMb - 512, MOS_RC__SUCCESS},   // the start's chunk counts
        {1, 0xFFFFFFFFull * kMb, MOS_RC__INVALID_ARG},
        {0, 0xFFFFFFFFFFFFFFFBull, MOS_RC__INVALID_ARG}, // "-5" converted unchecked
    };
    qorniIntf_SetVerbose(true);
    for (const ChunkLimitCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.startLba << " + " << c.sizeBytes);
        uint64_t chunks = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(queryLbInfo_CountChunks(c.startLba, c.sizeBytes, &chunks), c.rc);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(chunks, queryLbInfo_NumChunks(c.startLba, c.sizeBytes));
        if (c.rc == MOS_RC__SUCCESS) {
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(err, "Error: " + std::to_string(c.sizeBytes) + " bytes from LBA " +
                               std::to_string(c.startLba) + " span " + std::to_string(chunks) +
                               " chunks of 1 MB, more than 4294967295\n");
        }
    }
}

TEST(GuidTextTest, BytesInStorageOrderUpperCase) {
    uint8_t guid[16];
    for (int i = 0; i < 16; i++) {
        guid[i] = static_cast<uint8_t>(0x11 * i);
    }
    char text[KMODCTL_GUID_TEXT_SIZE];
    EXPECT_EQ(guidToString(guid, text, sizeof(text)), 36);
    EXPECT_STREQ(text, "00112233-4455-6677-8899-AABBCCDDEEFF");
    char small[10];
    EXPECT_EQ(guidToString(guid, small, sizeof(small)), 9);
    EXPECT_STREQ(small, "00112233-");
}

TEST(ParamPrinterTest, NameFillingItsFieldStopsThere) {
    Bytes p(2 * 76);
    p.u64(8, 0).text(16, "short").u32(72, 7);
    p.u64(76 + 8, 0x7a11).text(76 + 16, std::string(56, 'n')).u32(76 + 72, 0xFFFFFFFFu);
    EXPECT_EQ(stdoutOf([&] { queryDynParams_Print(p.at(0), 2); }),
              "Retrieved 2 parameter(s)\nParameter MDM-ID 0x0000000000000000 name short value 7\n"
              "Parameter MDM-ID 0x0000000000007a11 name " +
                  std::string(56, 'n') + " value 4294967295\n");
}

TEST(TracePrinterTest, FieldsPrintNoFurtherThanTheirWidth) {
    Bytes r(81 + 2 * 48);
    r.text(16, std::string(65, 'm'));                                     // map without a zero
    r.text(81, std::string(32, 'c')).text(81 + 32, std::string(16, 'f')); // both full
    r.text(81 + 48, "NET").text(81 + 48 + 32, "LOW");
    const std::string rule(74, '=');
    EXPECT_EQ(stdoutOf([&] { printTraceConfiguration(r.at(0), 2); }),
              "Trace Configuration:\n" + rule +
                  "\n| Component                   | Frequency                                |\n" +
                  rule + "\n| " + std::string(32, 'c') + "| " + std::string(16, 'f') +
                  std::string(25, ' ') + "|\n| NET                         | LOW" +
                  std::string(38, ' ') + "|\n" + rule + "\n\n| Configuration map:          | " +
                  std::string(65, 'm') + "|\n" + rule + "\n");
}

// A stage record at base: valid samples, min, max, statistics, name.
void putStage(Bytes &b, size_t base, const std::string &name, uint64_t samples, uint64_t total) {
    b.u64(base + 4, 100).u64(base + 12, 1).u64(base + 20, 50);
    b.u64(base + 820, samples).u64(base + 828, 40).u64(base + 836, 2).u64(base + 844, 1000);
    b.u64(base + 852, total);
    b.text(base + 876, name).u64(base + 940, 11).u64(base + 948, 10);
}

TEST(PerfPrinterTest, StagesAverageAndBounds) {
    Bytes p(22112);
    putStage(p, 0, std::string(64, 's'), 0, 500); // name without a zero; no samples
    putStage(p, 21032, "total", 4, 10);
    p.text(22044, "ctx").u32(22108, 1);
    MosPerfStack_Query perf;
    memcpy(&perf, p.at(0), sizeof(perf));
    MOS_RC rc = MOS_RC__ERROR;
    EXPECT_EQ(
        stdoutOf([&] { rc = queryPerf_Print(perf); }),
        "==============================================\ncontextDescription ctx, numStages 1\n"
        "ctxSwitchStat: avg 0, sampleNum 0, max 0, total 0, overflows 0, totalPow2 0\n"
        "-----------------------------------------\n0. " +
            std::string(64, 's') +
            ". 11 Sample started, 10 sample finished\nmin 1, max 50, 100 valid sample\n"
            "avg 0, sampleNum 0, max 40, total 500, overflows 2, totalPow2 1000\n"
            "-----------------------------------------\nTotal: total. 11 Sample started, 10 "
            "sample finished\nmin 1, max 50, 100 valid sample\navg 2, sampleNum 4, max 40, "
            "total 10, overflows 2, totalPow2 1000\n"
            "==============================================\n");
    EXPECT_EQ(rc, MOS_RC__SUCCESS);

    perf.numStages = 23;
    testing::internal::CaptureStderr();
    EXPECT_EQ(stdoutOf([&] { rc = queryPerf_Print(perf); }), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: QUERY_PERF reports 23 stages, more than the 22 its record holds\n");
    EXPECT_EQ(rc, MOS_RC__SDC_IOCTL_ERROR);
}

TEST(PePrinterTest, IndexAndNumbersAreZeroPadded) {
    QorniPeInfo pe = {{0xab, 0xcd}, 7, 12, 3};
    EXPECT_EQ(
        stdoutOf([&] { queryPes_Print(&pe, 1); }),
        "Retrieved 1 PEs(s)\n=============================================================\n\n"
        "0000. PE-ID 00000000000000ab00000000000000cd T007:L012, 3 VVols\n\n"
        "-------------------------------------------------------\n\n");
    QorniVvolInfo vvol = {};
    vvol.peIdFirst = 1;
    vvol.vvolId = 2;
    vvol.peIdSecond = 3;
    vvol.targetNum = 4;
    vvol.lunNum = 5;
    vvol.blockNum = 6;
    vvol.inflight = 7;
    vvol.bThinProvisioning = 8;
    vvol.bChecksumActive = 9;
    EXPECT_EQ(
        stdoutOf([&] { queryVvols_Print(&vvol, 1); }),
        "Retrieved 1 VVol(s)\n=============================================================\n\n"
        "\n0000. PE-ID 00000000000000010000000000000003 VVol-ID 0000000000000002 "
        "T004:L005\nblockNum 6, inflight 7, bChecksumActive 9, bThinProvisioning 8\n");
}

} // namespace
