// kmodctl run as a user runs it, against the driver emulator: negotiation
// at every driver generation, version mismatches, volume queries with
// their growth, driver failures of every kind, and the command line.
#include "e2e_process.h"
#include "ioctl_interface.h"
#include "os_devintf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

using Args = std::vector<std::string>;

constexpr uint32_t kIsQorni = 0xEA7FCE48;
constexpr uint32_t kQueryVersion = 0xEA7FCE5C;
constexpr uint32_t kQueryCmdVector = 0xEA7FCE78;
constexpr uint32_t kQueryVolsV200 = 0xEA7FCE40;
constexpr uint32_t kQueryVolsV201 = 0xEA7FCE7C;
constexpr uint32_t kIsQorniV130 = 0xEA7FFEA8;
constexpr uint32_t kQueryVersionV130 = 0xEA7FFEBC;

const char kVersion[] = "qorni 3.0.0 (emulated)\n";
const char kMismatch[] =
    "Command \"QUERY_VOLS\" cannot be sent to the driver due to version mismatch.\n"
    "kmodctl version: BorlQen Tarnvox Version: R3_0.1000.208\n"
    "SDC driver version: qorni 3.0.0 (emulated)\n";

std::string usage() {
    std::ifstream in(USAGE_GOLDEN, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string ioctlError(uint32_t code, int result, int lastError, int returned) {
    char text[160];
    snprintf(text, sizeof(text),
             "Error: IOCTL 0x%x returned %d (last error=%d), Retrieved %d bytes out of minimal "
             "of 8 bytes\n",
             code, result, lastError, returned);
    return text;
}

std::vector<uint32_t> frameCodes(const std::vector<e2e::JournalEntry> &journal) {
    std::vector<uint32_t> codes;
    for (const e2e::JournalEntry &e : journal) {
        EXPECT_EQ(e.ioctlCode, 0x4D038u);
        EXPECT_EQ(e.inputU64(0) >> 32, 0xFFFFFFFFu) << "the code travels sign-extended";
        codes.push_back(e.frameCode());
    }
    return codes;
}

class KmodctlE2eTest : public ::testing::Test {
  protected:
    e2e::RunResult kmodctl(const Args &args) { return e2e::run(KMODCTL_EXE, args, emu.root()); }
    e2e::Emulator emu;
};

struct NegotiationCase {
    const char *pWhat;
    Args emuArgs;
    std::string err;
    std::vector<uint32_t> codes;
};

TEST_F(KmodctlE2eTest, QueryVersionNegotiatesAtEveryGeneration) {
    const NegotiationCase cases[] = {
        {"v1.30 driver",
         {"--gen", "v130"},
         ioctlError(kIsQorni, 0, 1, 0) + ioctlError(kQueryVersion, 0, 1, 0),
         {kIsQorni, kIsQorniV130, kQueryVersion, kQueryVersionV130, kQueryVersionV130}},
        {"v2.00 driver without a vector",
         {"--gen", "v200"},
         ioctlError(kQueryCmdVector, 0, 1, 0),
         {kIsQorni, kQueryVersion, kQueryCmdVector, kQueryVersion}},
        {"driver vector",
         {"--gen", "vector"},
         "",
         {kIsQorni, kQueryVersion, kQueryCmdVector, kQueryVersion}},
        {"vector that grows once",
         {"--gen", "growing", "--vector-counts", "40,28"},
         "",
         {kIsQorni, kQueryVersion, kQueryCmdVector, kQueryCmdVector, kQueryVersion}},
        {"vector that keeps growing",
         {"--gen", "growing", "--vector-counts", "40,50"},
         "Too many query iterations for commands vector.",
         {kIsQorni, kQueryVersion, kQueryCmdVector, kQueryCmdVector, kQueryVersion}},
        {"vector count beyond any driver's, not asked for",
         {"--gen", "growing", "--vector-counts", "1000000,28"},
         "Error allocating memory commands vector",
         {kIsQorni, kQueryVersion, kQueryCmdVector, kQueryVersion}},
    };
    for (const NegotiationCase &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_version"}, device.root());
        EXPECT_EQ(r.out, kVersion);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, 0);
        device.stop();
        auto journal = device.journal();
        EXPECT_EQ(frameCodes(journal), c.codes);
        if (c.codes.size() == 5 && c.codes[3] == kQueryCmdVector) {
            // capacity 32, then the driver's larger count
            EXPECT_EQ(static_cast<uint32_t>(journal[2].inputU64(16)), 32u);
            EXPECT_EQ(static_cast<uint32_t>(journal[3].inputU64(16)), 40u);
            EXPECT_EQ(journal[3].input.size(), 8u + 12 + 4 * 40);
        }
    }
}

// The driver's vector at the lengths around the first query's capacity of
// 32: it is taken when its reply holds every entry its count names, and
// a second query is made only for a vector longer than the capacity.
TEST_F(KmodctlE2eTest, DriverVectorIsTakenWhenItsReplyHoldsItWhole) {
    struct {
        const char *pWhat;
        Args emuArgs;
        std::vector<uint32_t> capacities; // of the vector queries, in turn
        std::string err;
        uint32_t volsCode; // QUERY_VOLS at the driver's slot 2, or the built-in slot 1
    } cases[] = {
        {"31 entries", {"--vector-len", "31"}, {32}, "", kQueryVolsV201},
        {"32 entries fill the capacity", {"--vector-len", "32"}, {32}, "", kQueryVolsV201},
        {"33 entries ask again", {"--vector-len", "33"}, {32, 33}, "", kQueryVolsV201},
        {"a reply one entry short",
         {"--fail", "QUERY_CMD_VECTOR:short=128"},
         {32},
         "Error: QUERY_CMD_VECTOR returned 120 bytes, fewer than the 124 its count needs\n",
         kQueryVolsV200},
        {"a reply one byte short",
         {"--fail", "QUERY_CMD_VECTOR:short=131"},
         {32},
         "Error: QUERY_CMD_VECTOR returned 123 bytes, fewer than the 124 its count needs\n",
         kQueryVolsV200},
        {"a reply of 32 entries one entry short",
         {"--vector-len", "32", "--fail", "QUERY_CMD_VECTOR:short=144"},
         {32},
         "Error: QUERY_CMD_VECTOR returned 136 bytes, fewer than the 140 its count needs\n",
         kQueryVolsV200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        Args emuArgs = {"--gen", "vector", "--vector", "13=2"};
        emuArgs.insert(emuArgs.begin(), c.emuArgs.begin(), c.emuArgs.end());
        device.start(emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_vols"}, device.root());
        EXPECT_EQ(r.out, "Retrieved 0 volume(s)\n");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, 0);
        device.stop();
        std::vector<uint32_t> capacities;
        for (const e2e::JournalEntry &e : device.journal()) {
            if (e.frameCode() == kQueryCmdVector) {
                capacities.push_back(static_cast<uint32_t>(e.inputU64(16)));
                EXPECT_EQ(e.input.size(), 8 + 12 + 4 * size_t{capacities.back()});
            }
        }
        EXPECT_EQ(capacities, c.capacities);
        EXPECT_EQ(device.journal().back().frameCode(), c.volsCode);
    }
}

TEST_F(KmodctlE2eTest, ProbePresetsSuccessInAnEightByteRecord) {
    emu.start({"--gen", "vector"});
    ASSERT_EQ(kmodctl({"--query_version"}).exitCode, 0);
    auto journal = emu.journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0].input.size(), 16u);
    EXPECT_EQ(journal[0].outCapacity, 16u);
    EXPECT_EQ(static_cast<uint32_t>(journal[0].inputU64(8)), 65u); // rc preset
    EXPECT_EQ(journal[1].input.size(), 8u + 58);                   // QUERY_VERSION record
}

TEST_F(KmodctlE2eTest, CommandWithoutHandlerForTheSlotIsAMismatchAndSendsNothing) {
    const std::pair<const char *, Args> cases[] = {
        {"v1.30 has no volume query", {"--gen", "v130"}},
        {"slot beyond the handler table", {"--gen", "vector", "--vector", "13=4"}},
        {"vector shorter than the index", {"--gen", "vector", "--vector-len", "10"}},
        {"vector exactly as long as the index", {"--gen", "vector", "--vector-len", "13"}},
        {"command not offered", {"--gen", "vector", "--vector", "13=none"}},
        {"slot without a handler, no fallback", {"--gen", "vector", "--vector", "13=0"}},
    };
    for (const auto &[pWhat, emuArgs] : cases) {
        SCOPED_TRACE(pWhat);
        e2e::Emulator device;
        device.start(emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_vols"}, device.root());
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(kMismatch), std::string::npos) << r.err;
        EXPECT_EQ(r.exitCode, 1);
        device.stop();
        for (uint32_t code : frameCodes(device.journal())) {
            EXPECT_NE(code, kQueryVolsV200);
            EXPECT_NE(code, kQueryVolsV201);
        }
    }
}

const char kTwoVolumes[] = "Retrieved 2 volume(s)\n"
                           "VOL-ID 00000000c0de0000 MDM-ID 0000000000007a11\n"
                           "VOL-ID 00000000c0de0001 MDM-ID 0000000000007a12\n";

TEST_F(KmodctlE2eTest, QueryVolsUsesTheNegotiatedSlotsCodeAndEntrySize) {
    struct {
        const char *pWhat;
        Args emuArgs;
        uint32_t code;
        size_t entrySize;
    } cases[] = {
        {"v2.00 built-in vector", {"--gen", "v200"}, kQueryVolsV200, 28},
        {"v2.00 from the driver", {"--gen", "vector"}, kQueryVolsV200, 28},
        {"v2.01", {"--gen", "vector", "--vector", "13=2"}, kQueryVolsV201, 208},
        {"v3.00", {"--gen", "vector", "--vector", "13=3"}, kQueryVolsV201, 264},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        Args emuArgs = c.emuArgs;
        emuArgs.insert(emuArgs.end(), {"--vols", "2"});
        device.start(emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_vols"}, device.root());
        EXPECT_EQ(r.out, kTwoVolumes);
        EXPECT_EQ(r.exitCode, 0);
        device.stop();
        e2e::JournalEntry last = device.journal().back();
        EXPECT_EQ(last.frameCode(), c.code);
        EXPECT_EQ(last.input.size(), 8 + 20 + 8192 * c.entrySize);
        EXPECT_EQ(last.inputU64(16), 8192u);                     // capacity
        EXPECT_EQ(static_cast<uint32_t>(last.inputU64(24)), 0u); // not extended
        EXPECT_EQ(last.reply.size(), 8 + 20 + 2 * c.entrySize);
    }
}

TEST_F(KmodctlE2eTest, QueryVolsTechAtV300PrintsTheAixBlockOfAnAixVolume) {
    emu.start({"--gen", "vector", "--vector", "13=3", "--vols", "5"});
    e2e::RunResult r = kmodctl({"--query_vols", "--tech"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(static_cast<uint32_t>(emu.journal().back().inputU64(24)), 1u); // extended
    // Volume 4 is the emulator's AIX volume; each field holds its offset.
    const char kAixVolume[] = "VOL-ID 00000000c0de0004 MDM-ID 0000000000007a12\n";
    const char kAixTail[] = "\tosType=AIX\n\tbThinProvisioning=TRUE\n"
                            "\tblkDevRefCnt=208\n\tscsiId=224\n\tlunId=216\n"
                            "\tinflightIORefCnt=212\n\tnumScsiStart=232\n\tbIsDiagState=236\n"
                            "\tbIsSingleMode=240\n\tbRetainReservation=244\n\tbIsReserved=248\n"
                            "\tbIsPreventReservation=252\n\tbIsInMiddleOfReservation=256\n"
                            "\tbIsInMiddleOfRelease=260\n";
    size_t at = r.out.find(kAixVolume);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(kAixTail, at), std::string::npos) << r.out.substr(at);
    EXPECT_EQ(r.out.rfind(kAixTail), r.out.find(kAixTail)) << "only the AIX volume has it";
}

TEST_F(KmodctlE2eTest, QueryVolsGrowsToTheDriversCount) {
    emu.start({"--gen", "v200", "--vols", "8193"});
    e2e::RunResult r = kmodctl({"--query_vols"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Retrieved 8193 volume(s)\n", 0), 0u);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 8194);
    std::vector<e2e::JournalEntry> vols;
    for (const auto &e : emu.journal()) {
        if (e.frameCode() == kQueryVolsV200) {
            vols.push_back(e);
        }
    }
    ASSERT_EQ(vols.size(), 2u);
    EXPECT_EQ(vols[0].inputU64(16), 8192u);
    EXPECT_EQ(vols[1].inputU64(16), 8193u);
    EXPECT_EQ(vols[1].input.size(), 8 + 20 + 8193 * 28u);
}

TEST_F(KmodctlE2eTest, QueryVolsGivesUpOnACountThatNeverStopsGrowing) {
    emu.start({"--gen", "vector", "--fail", "QUERY_ALL_BLK_DEVS:grow"});
    e2e::RunResult r = kmodctl({"--query_vols"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Too many query iterations. Already at 8203 VOLs\n");
    EXPECT_EQ(r.exitCode, 1);
    auto codes = frameCodes(emu.journal());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kQueryVolsV200), 12);
}

TEST_F(KmodctlE2eTest, DriverFailuresOfEveryKindFailTheCommand) {
    struct {
        const char *pFail;
        std::string out;
        std::string err;
    } cases[] = {
        {"rc=80", "", "Failed to execute QUERY_ALL_BLK_DEVS: Could not find the SDC\n"},
        {"rc=11", "", "Failed to execute QUERY_ALL_BLK_DEVS: SDC command failed\n"},
        {"rc=127", "", "Failed to execute QUERY_ALL_BLK_DEVS with bad error type 127\n"},
        {"rc=5000", "", "Failed to execute QUERY_ALL_BLK_DEVS with bad error type 5000\n"},
        {"call", "", ioctlError(kQueryVolsV200, 0, 31, 0)},
        {"short=4", "", ioctlError(kQueryVolsV200, 1, 0, 4)},
        {"rc=700", "", "Failed to execute QUERY_ALL_BLK_DEVS: SDC command failed\n"},
        {"short=8", "",
         "Error: QUERY_ALL_BLK_DEVS returned 0 bytes, fewer than the 16 that hold its count\n"},
        {"short=30", "",
         "Error: QUERY_ALL_BLK_DEVS returned 22 bytes, fewer than the 76 its count needs\n"},
        {"short=56", "",
         "Error: QUERY_ALL_BLK_DEVS returned 48 bytes, fewer than the 76 its count needs\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pFail);
        e2e::Emulator device;
        device.start({"--gen", "vector", "--vols", "2", "--fail",
                      std::string("QUERY_ALL_BLK_DEVS:") + c.pFail});
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_vols"}, device.root());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, 1);
    }
}

TEST_F(KmodctlE2eTest, OpeningFailsWithoutAnAnsweringDevice) {
    // No emulator: the class has no interface.
    e2e::RunResult none = kmodctl({"--query_vols"});
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Failed to open kernel device\n");
    EXPECT_EQ(none.exitCode, 1);

    e2e::Emulator silent;
    silent.start({"--fail", "IS_QORNI:call", "--fail", "IS_QORNI_V130:call"});
    e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_vols"}, silent.root());
    EXPECT_EQ(r.err, ioctlError(kIsQorni, 0, 31, 0) + "Failed to open kernel device\n");
    EXPECT_EQ(r.exitCode, 1);

    e2e::Emulator mute;
    mute.start({"--fail", "QUERY_VERSION:call", "--fail", "QUERY_VERSION_V130:call"});
    r = e2e::run(KMODCTL_EXE, {"--query_version"}, mute.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, ioctlError(kQueryVersion, 0, 31, 0) + "Error querying version.");
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(KmodctlE2eTest, DeviceIsOpenedExclusively) {
    emu.start({"--gen", "vector"});
    OsDev *pHolder = nullptr;
    ASSERT_EQ(osDev_Open(emu.socketPath().c_str(), &pHolder), OS_ERR_SUCCESS);
    e2e::RunResult r = kmodctl({"--query_version"});
    EXPECT_EQ(r.err, "Failed to open " + emu.socketPath() + ". Code 0x5\n" +
                         "Failed to open kernel device\n");
    EXPECT_EQ(r.exitCode, 1);
    osDev_Close(pHolder);
}

struct FrontEndCase {
    const char *pWhat;
    Args args;
    std::string out;
    std::string err;
    int exitCode;
    bool bOpensDriver;
};

TEST_F(KmodctlE2eTest, CommandLine) {
    const std::string u = usage();
    const FrontEndCase cases[] = {
        {"no main command", {}, u, "Error: No main command given\n", 1, false},
        {"two main commands",
         {"--query_vols", "--query_version"},
         u,
         "Error: Too many main commands (2) received.\n",
         1,
         false},
        {"unknown option",
         {"--query_vols", "--bogus=1"},
         "unrecognized option --bogus=1\n" + u,
         "",
         1,
         false},
        {"configuration file named to the tool",
         {"--conf_file=/tmp/x.conf", "--query_version"},
         "unrecognized option --conf_file=/tmp/x.conf\n" + u,
         "",
         1,
         false},
        {"required value missing at the end", {"--query_vols", "--ip"}, u, "", 1, false},
        {"runtime version",
         {"--version", "--query_vols"},
         "BorlQen Tarnvox Version: R3_0.1000.208\n",
         "",
         0,
         false},
        {"tool help after a value word",
         {"--query_vols", "--ip", "10.0.0.1", "--help"},
         u,
         "",
         0,
         false},
        {"a stray word ends the parse",
         {"--query_version", "stray", "--query_vols"},
         kVersion,
         "",
         0,
         true},
        {"log directory is skipped",
         {"--log_dir", "/tmp", "--query_version"},
         kVersion,
         "",
         0,
         true},
        {"out-of-range hexadecimal goes on",
         {"--query_version", "--mdm_id=FFFFFFFFFFFFFFFFF"},
         kVersion,
         "Error: Numerical result out of range\n",
         0,
         true},
        {"boot_wait with a trailing letter",
         {"--boot_wait", "--seconds=5x"},
         u,
         "Cannot execute boot_wait. Wait parameter must be a positive number.\n",
         1,
         true},
        {"boot_wait of zero",
         {"--boot_wait", "--seconds", "0"},
         u,
         "Cannot execute boot_wait. Wait parameter must be a positive number\n",
         1,
         true},
        {"boot_wait default",
         {"--boot_wait"},
         "Executing boot_wait command. Waiting for 12 seconds\nNot supported\n",
         "",
         255,
         true},
        {"boot_wait given",
         {"--boot_wait", "--seconds= 30"},
         "Executing boot_wait command. Waiting for 30 seconds\nNot supported\n",
         "",
         255,
         true},
        {"load_cfg_file",
         {"--load_cfg_file", "/etc/mdms.cfg"},
         "Loading MDMs from configuration file /etc/mdms.cfg\nNot supported\n",
         "",
         255,
         true},
        {"block device id without a device",
         {"--query_block_device_id"},
         "",
         "Missing block device name\n",
         1,
         true},
        {"block device id",
         {"--query_block_device_id", "--block_device=sda"},
         "Not supported\n",
         "",
         255,
         true},
        {"add_mdm without addresses",
         {"--add_mdm"},
         u,
         "No IP given to add_mdm command\n",
         1,
         true},
        {"only_cfg without a file",
         {"--add_mdm", "--ip=10.0.0.1", "--only_cfg"},
         u,
         "Requested to only modify config file, but file name wasn't given.\n",
         1,
         false},
        {"duplicate address",
         {"--add_mdm", "--ip", "10.0.0.1,10.0.0.2,10.0.0.1"},
         u,
         "Duplicate address 10.0.0.1 found\n",
         1,
         true},
        {"seventeen addresses",
         {"--add_mdm", "--ip=1.0.0.1,1.0.0.2,1.0.0.3,1.0.0.4,1.0.0.5,1.0.0.6,1.0.0.7,1.0.0.8,"
                       "1.0.0.9,1.0.0.10,1.0.0.11,1.0.0.12,1.0.0.13,1.0.0.14,1.0.0.15,1.0.0.16,"
                       "1.0.0.17"},
         u,
         "Illegal number of addresses, 16 allowed\n",
         1,
         true},
        {"no address in the list", {"--add_mdm", "--ip=,,"}, u, "Bad IP format ,,\n", 1, true},
        {"add_mdm to a configuration file",
         {"--add_mdm", "--ip=10.0.0.1,,fe80::1", "--file=m.cfg"},
         "Not supported\n",
         "",
         255,
         true},
        {"add_mdm",
         {"--add_mdm", "--ip=10.0.0.1"},
         "Calling kernel module to connect to MDM (10.0.0.1)\n",
         "",
         0,
         true},
        {"mod_mdm_ip without the new list",
         {"--mod_mdm_ip", "--ip=10.0.0.1"},
         u,
         "Either the current MDM ip or the new MDM IP parameters weren't specified\n",
         1,
         true},
        {"mod_mdm_ip only in a configuration file",
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=10.0.0.3,10.0.0.4", "--only_cfg",
          "--file=m.cfg"},
         "Updating file m.cfg: MDM (10.0.0.1) to (10.0.0.3,10.0.0.4)\nNot supported\n",
         "",
         255,
         false},
        {"only_cfg leaves the driver closed and no vector current",
         {"--query_vols", "--only_cfg"},
         "",
         "Command \"QUERY_VOLS\" cannot be sent to the driver due to version mismatch.\n"
         "kmodctl version: \nSDC driver version: \n",
         1,
         false},
        {"MDM list of a driver without MDMs",
         {"--query_mdms"},
         "Retrieved 0 mdm(s)\n",
         "",
         0,
         true},
        {"LB information needs three numbers",
         {"--query_lb_info", "--mdm_id=1", "--vol_id=2"},
         "All 3 parameters must be supplied: mdmID, volID, StartLB [, SizeInBytes]\n",
         "",
         1,
         true},
        {"LB information of MDM 0",
         {"--query_lb_info", "--mdm_id=0", "--vol_id=2", "--start_lb=0"},
         "Invalid mdmID\n",
         "",
         1,
         true},
        {"LB information of volume 0",
         {"--query_lb_info", "--mdm_id=a", "--vol_id=0", "--start_lb=0"},
         "Invalid volID\n",
         "",
         1,
         true},
        {"dynamic parameter without a value",
         {"--set_dynamic_parameter", "--dynamic_parameter_name=x"},
         "",
         "dynamic_parameter_value option is missing\n",
         1,
         true},
        {"trace component without a frequency",
         {"--set_trace_component_freq"},
         "",
         "Missing trace frequency\n",
         1,
         true},
        {"trace frequency without a component",
         {"--set_trace_component_freq", "--trace_freq=LOW"},
         "",
         "Missing trace component\n",
         1,
         true},
        {"negative LB information size",
         {"--query_lb_info", "--mdm_id=1", "--vol_id=2", "--start_lb=0", "--size_in_bytes=-5"},
         "",
         "Error: Numerical result out of range\nError: 18446744073709551615 bytes from LBA 0 "
         "span 17592186044416 chunks of 1 MB, more than 4294967295\n",
         1,
         true},
        {"negative LB information size after blanks",
         {"--query_lb_info", "--mdm_id=1", "--vol_id=2", "--start_lb=0", "--size_in_bytes= \t-1"},
         "",
         "Error: Numerical result out of range\nError: 18446744073709551615 bytes from LBA 0 "
         "span 17592186044416 chunks of 1 MB, more than 4294967295\n",
         1,
         true},
        {"negative ids and start go on as the range error's value",
         {"--query_version", "--mdm_id=-1", "--vol_id=-0", "--start_lb=-7"},
         kVersion,
         "Error: Numerical result out of range\nError: Numerical result out of range\n"
         "Error: Numerical result out of range\n",
         0,
         true},
    };
    for (const FrontEndCase &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start({"--gen", "vector"});
        e2e::RunResult r = e2e::run(KMODCTL_EXE, c.args, device.root());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, c.exitCode);
        device.stop();
        EXPECT_EQ(!device.journal().empty(), c.bOpensDriver);
    }
}

TEST_F(KmodctlE2eTest, InvalidAddressesEndTheRunWithUsage) {
    // The runtime's address parser may trace its own line first; the
    // tool's message ends standard error.
    const std::pair<Args, std::string> cases[] = {
        {{"--add_mdm", "--ip=10.0.0.1,10.0.0.300"},
         "Invalid address 10.0.0.300 found, rc INVALID\n"},
        {{"--mod_mdm_ip", "--ip=10.0.0.1,10.0.0.2", "--new_mdm_ip=10.0.0.3"},
         "Invalid address 10.0.0.1,10.0.0.2\n"},
    };
    emu.start({"--gen", "vector"});
    for (const auto &[args, message] : cases) {
        SCOPED_TRACE(message);
        e2e::RunResult r = kmodctl(args);
        EXPECT_EQ(r.out, usage());
        ASSERT_GE(r.err.size(), message.size());
        EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message);
        EXPECT_EQ(r.exitCode, 1);
    }
}

TEST_F(KmodctlE2eTest, RuntimeAnswersHelpBeforeAnyWordThatIsNotAnOption) {
    e2e::RunResult r = kmodctl({"--query_vols", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out, usage());
    EXPECT_NE(r.out.find("conf_file"), std::string::npos) << r.out;
}

} // namespace

namespace {

// Everything the runtime wrote under a log directory, concatenated.
std::string logText(const std::string &dir) {
    std::string text;
    for (const char *pName : {"trc.0", "trc.1", "err.0"}) {
        std::ifstream in(dir + "/" + pName, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        text += ss.str();
    }
    return text;
}

TEST_F(KmodctlE2eTest, ReportsAreTracedUnderTheDriverIoctlComponent) {
    std::string logDir = emu.root() + "/logs";
    mkdir(logDir.c_str(), 0755);
    e2e::RunResult r = kmodctl({"--log_dir=" + logDir, "--query_vols"});
    EXPECT_EQ(r.err, "Failed to open kernel device\n");
    EXPECT_EQ(r.exitCode, 1);
    std::string text = logText(logDir);
    EXPECT_NE(text.find(":qorniIntf_OpenDevice:"), std::string::npos) << text;
    EXPECT_NE(text.find(": ERROR: Failed to open kernel device\n"), std::string::npos) << text;
}

} // namespace

namespace {

TEST_F(KmodctlE2eTest, ReplyOfTheFrameHeaderAloneLeavesTheRecordAsSent) {
    // The preset success stands: the probe accepts and the open goes on.
    // The version the command prints must come from the driver, so a reply
    // without the text fails instead of printing an empty line.
    emu.start({"--gen", "vector", "--fail", "IS_QORNI:short=8", "--fail", "QUERY_VERSION:short=8"});
    e2e::RunResult r = kmodctl({"--query_version"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: QUERY_VERSION returned 0 bytes, fewer than the 58 of its reply\n"
                     "Failed (434) to query SDC version\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(frameCodes(emu.journal()),
              (std::vector<uint32_t>{kIsQorni, kQueryVersion, kQueryCmdVector, kQueryVersion}));
}

TEST_F(KmodctlE2eTest, VersionReplyWithoutTheWholeTextPrintsNothing) {
    const struct {
        const char *pWhat;
        Args emuArgs;
        std::string err;
    } cases[] = {
        {"one byte short",
         {"--gen", "vector", "--fail", "QUERY_VERSION:short=65@2"},
         "Error: QUERY_VERSION returned 57 bytes, fewer than the 58 of its reply\n"},
        {"v1.30 one byte short",
         {"--gen", "v130", "--fail", "QUERY_VERSION_V130:short=57@2"},
         ioctlError(kIsQorni, 0, 1, 0) + ioctlError(kQueryVersion, 0, 1, 0) +
             "Error: QUERY_VERSION_V130 returned 49 bytes, fewer than the 50 of its reply\n"},
        {"v1.30 header alone",
         {"--gen", "v130", "--fail", "QUERY_VERSION_V130:short=8@2"},
         ioctlError(kIsQorni, 0, 1, 0) + ioctlError(kQueryVersion, 0, 1, 0) +
             "Error: QUERY_VERSION_V130 returned 0 bytes, fewer than the 50 of its reply\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_version"}, device.root());
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err + "Failed (434) to query SDC version\n");
        EXPECT_EQ(r.exitCode, 1);
    }
}

} // namespace

namespace {

// The emulator itself: a volume record sized for another slot's entries
// is refused, so a tool that negotiates one slot and sends another's
// record cannot pass.
TEST_F(KmodctlE2eTest, EmulatorRefusesARecordSizedForAnotherSlot) {
    emu.start({"--gen", "vector", "--vector", "13=2"});
    OsDev *pDev = nullptr;
    ASSERT_EQ(osDev_Open(emu.socketPath().c_str(), &pDev), OS_ERR_SUCCESS);
    for (size_t entrySize : {264u, 208u}) {
        SCOPED_TRACE(entrySize);
        std::vector<uint8_t> frame(8 + 20 + entrySize, 0);
        int64_t code = static_cast<int32_t>(kQueryVolsV201);
        memcpy(frame.data(), &code, 8);
        uint32_t preset = 65;
        memcpy(frame.data() + 8, &preset, 4);
        uint64_t capacity = 1;
        memcpy(frame.data() + 16, &capacity, 8);
        uint32_t returned = 0;
        ASSERT_EQ(osDev_Ioctl(pDev, 0x4D038, frame.data(), static_cast<uint32_t>(frame.size()),
                              frame.data(), static_cast<uint32_t>(frame.size()), &returned),
                  OS_ERR_SUCCESS);
        uint32_t rc = 0;
        memcpy(&rc, frame.data() + 8, 4);
        EXPECT_EQ(rc, entrySize == 208 ? 65u : 11u);
    }
    osDev_Close(pDev);
}

} // namespace

namespace {

// One raw request to the emulator: the frame's code, its input and output
// lengths after the 8-byte header, and the fields written at record
// offsets ({offset, width, value}).
struct RawField {
    size_t offset;
    size_t width;
    uint64_t value;
};
struct RawRequest {
    uint32_t code;
    size_t inLen;
    size_t outLen;
    std::vector<RawField> fields;
};
struct RawAnswer {
    uint32_t win32Error;
    uint32_t returned;
    uint32_t rc; // the record's first word, when one came back
};

RawAnswer sendRaw(OsDev *pDev, const RawRequest &request) {
    size_t size = std::max(request.inLen, request.outLen);
    for (const RawField &f : request.fields) {
        size = std::max(size, f.offset + f.width); // written, whether sent or not
    }
    std::vector<uint8_t> frame(8 + size, 0);
    int64_t code = static_cast<int32_t>(request.code);
    memcpy(frame.data(), &code, 8);
    for (const RawField &f : request.fields) {
        memcpy(frame.data() + 8 + f.offset, &f.value, f.width);
    }
    RawAnswer answer = {};
    answer.win32Error =
        osDev_Ioctl(pDev, 0x4D038, frame.data(), static_cast<uint32_t>(8 + request.inLen),
                    frame.data(), static_cast<uint32_t>(8 + request.outLen), &answer.returned);
    if (answer.returned >= 12) {
        memcpy(&answer.rc, frame.data() + 8, 4);
    }
    return answer;
}

struct RefusalCase {
    const char *pWhat;
    RawRequest accepted; // as the tools send it
    RawRequest refused;  // one field or length as a request-building fault leaves it
};

constexpr uint32_t kTgtInfo = 0xEA7FCE58;
constexpr uint32_t kLbaInfo = 0xEA7FCE54;
constexpr uint32_t kQueryDiag = 0xEA7FCE60;
constexpr uint32_t kQueryGuidV130 = 0xEA7FFEA4;
constexpr uint32_t kModMdmV130 = 0xEA7FFE98;
constexpr uint64_t kOk = 65;

// A current-protocol record of size bytes with its rc preset and fields.
RawRequest record(uint32_t code, size_t size, std::vector<RawField> fields) {
    fields.insert(fields.begin(), RawField{0, 4, kOk});
    return {code, size, size, fields};
}

// The v1.30 change of MDM 0's one address 10.0.0.1 to itself: 72 bytes
// in, and as often as need be.
RawRequest modMdmV130(size_t inLen, size_t outLen) {
    return {kModMdmV130,
            inLen,
            outLen,
            {{0, 4, 0x0100000A}, {32, 4, 1}, {36, 4, 0x0100000A}, {68, 4, 1}}};
}

const RefusalCase kRefusals[] = {
    {"volume query's extended flag", record(kQueryVolsV200, 20 + 28, {{8, 8, 1}, {16, 4, 1}}),
     record(kQueryVolsV200, 20 + 28, {{8, 8, 1}, {16, 4, 2}})},
    {"target query's extended flag", record(kTgtInfo, 20 + 442, {{8, 8, 1}, {16, 4, 0}}),
     record(kTgtInfo, 20 + 442, {{8, 8, 1}, {16, 4, 0x100}})},
    {"LBA query without an MDM id", record(kLbaInfo, 280, {{8, 8, 1}, {16, 8, 2}}),
     record(kLbaInfo, 280, {{8, 8, 0}, {16, 8, 2}})},
    {"LBA query without a volume id", record(kLbaInfo, 280, {{8, 8, 1}, {16, 8, 2}}),
     record(kLbaInfo, 280, {{8, 8, 1}, {16, 8, 0}})},
    {"diagnostic counters of one component",
     record(kQueryDiag, 32 + 3 * 64, {{8, 4, 3}, {12, 4, 1}}),
     record(kQueryDiag, 32 + 3 * 64, {{8, 4, 3}, {12, 4, 1}, {23, 1, 'T'}})},
    {"diagnostic counters' only-exceeded flag",
     record(kQueryDiag, 32 + 3 * 64, {{8, 4, 3}, {12, 4, 0}}),
     record(kQueryDiag, 32 + 3 * 64, {{8, 4, 3}, {12, 4, 7}})},
    {"probe without the preset success", record(kIsQorni, 8, {}), {kIsQorni, 8, 8, {{0, 4, 0}}}},
    {"version query without the preset success",
     record(kQueryVersion, 58, {}),
     {kQueryVersion, 58, 58, {{0, 4, 11}}}},
    {"IS_QORNI_V130 with input", {kIsQorniV130, 0, 0, {}}, {kIsQorniV130, 4, 0, {}}},
    {"IS_QORNI_V130 with output", {kIsQorniV130, 0, 0, {}}, {kIsQorniV130, 0, 4, {}}},
    {"QUERY_VERSION_V130 with input",
     {kQueryVersionV130, 0, 50, {}},
     {kQueryVersionV130, 4, 50, {}}},
    {"QUERY_VERSION_V130 with room for more",
     {kQueryVersionV130, 0, 50, {}},
     {kQueryVersionV130, 0, 64, {}}},
    {"QUERY_GUID_V130 with input", {kQueryGuidV130, 0, 24, {}}, {kQueryGuidV130, 8, 24, {}}},
    {"QUERY_GUID_V130 with room for more",
     {kQueryGuidV130, 0, 24, {}},
     {kQueryGuidV130, 0, 32, {}}},
    {"MOD_MDM_IP_V130 with output", modMdmV130(72, 0), modMdmV130(72, 8)},
    {"MOD_MDM_IP_V130 one address short", modMdmV130(72, 0), modMdmV130(68, 0)},
};

bool isV130(uint32_t code) {
    return code >= 0xEA7FFE98u && code <= 0xEA7FFEBCu;
}

// A request-building fault must fail a test: the emulator refuses every
// field and length the tools never send (the current protocol with rc
// 11, the v1.30 one with a failed call) and accepts the request as sent.
TEST_F(KmodctlE2eTest, EmulatorRefusesFieldsTheToolsNeverSend) {
    emu.start({"--gen", "vector", "--mdms", "1"});
    OsDev *pDev = nullptr;
    ASSERT_EQ(osDev_Open(emu.socketPath().c_str(), &pDev), OS_ERR_SUCCESS);
    for (const RefusalCase &c : kRefusals) {
        SCOPED_TRACE(c.pWhat);
        RawAnswer refused = sendRaw(pDev, c.refused);
        RawAnswer accepted = sendRaw(pDev, c.accepted);
        EXPECT_EQ(accepted.win32Error, OS_ERR_SUCCESS);
        if (isV130(c.refused.code)) {
            EXPECT_EQ(refused.win32Error, OS_ERR_INVALID_PARAMETER);
            EXPECT_EQ(refused.returned, 0u);
            EXPECT_EQ(accepted.returned, 8 + c.accepted.outLen);
        } else {
            EXPECT_EQ(refused.win32Error, OS_ERR_SUCCESS);
            EXPECT_EQ(refused.rc, 11u);
            EXPECT_EQ(accepted.rc, 65u);
        }
    }
    osDev_Close(pDev);
}

} // namespace

namespace {

// A second open without a close is refused and leaves the first handle
// working: the device admits one handle, so a second would be lost.
TEST_F(KmodctlE2eTest, SecondOpenIsRefusedAndTheFirstHandleStays) {
    emu.start({"--gen", "vector"});
    setenv("MOS_DEVINTF_ROOT", emu.root().c_str(), 1);
    qorniIntf_SetVerbose(true);
    qorniIntf_Init("kmodctl", true);
    ASSERT_EQ(qorniIntf_Open(), MOS_RC__SUCCESS);
    testing::internal::CaptureStderr();
    EXPECT_EQ(qorniIntf_Open(), MOS_RC__IGNORE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "SDC opened already.");
    char text[QORNI_VERSION_TEXT_SIZE];
    EXPECT_EQ(queryVersionV200(text), MOS_RC__SUCCESS);
    EXPECT_STREQ(text, "qorni 3.0.0 (emulated)");
    EXPECT_EQ(qorniIntf_Close(), MOS_RC__SUCCESS);
    unsetenv("MOS_DEVINTF_ROOT");
    emu.stop();
    // One connection in the journal: the second open reached no device.
    std::vector<uint32_t> codes = frameCodes(emu.journal());
    EXPECT_EQ(codes,
              (std::vector<uint32_t>{kIsQorni, kQueryVersion, kQueryCmdVector, kQueryVersion}));
}

} // namespace
