// kmodctl's driver commands end to end against the driver emulator: what
// each prints, its exit code, the frames it sent (from the journal), the
// emulator's state that set-commands change, and hostile replies.
#include "e2e_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using Args = std::vector<std::string>;

constexpr uint32_t kAddMdm = 0xEA7FCE24;
constexpr uint32_t kSetGuid = 0xEA7FCE2C;
constexpr uint32_t kModMdm = 0xEA7FCE38;
constexpr uint32_t kQueryMdms = 0xEA7FCE3C;
constexpr uint32_t kSetParam = 0xEA7FCE50;
constexpr uint32_t kQueryParams = 0xEA7FCE4C;
constexpr uint32_t kLbaInfo = 0xEA7FCE54;
constexpr uint32_t kTgtInfo = 0xEA7FCE58;
constexpr uint32_t kQueryDiag = 0xEA7FCE60;
constexpr uint32_t kSetTrace = 0xEA7FCE68;
constexpr uint32_t kQueryTrace = 0xEA7FCE6C;
constexpr uint32_t kModMdmV130 = 0xEA7FFE98;
constexpr uint32_t kQueryMdmsV130 = 0xEA7FFE9C;

struct Case {
    const char *pWhat;
    Args emuArgs;
    Args args;
    std::string out;
    std::string err;
    int exitCode;
};

// The usage text the tool prints, from the golden file.
std::string usage() {
    FILE *pFile = fopen(USAGE_GOLDEN, "rb");
    std::string text;
    char buf[4096];
    size_t n = 0;
    while (pFile != nullptr && (n = fread(buf, 1, sizeof(buf), pFile)) > 0) {
        text.append(buf, n);
    }
    if (pFile != nullptr) {
        fclose(pFile);
    }
    return text;
}

void runCases(const Case *pCases, size_t count) {
    for (size_t i = 0; i < count; i++) {
        const Case &c = pCases[i];
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, c.args, device.root());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
}

// The journal entries of one frame code.
std::vector<e2e::JournalEntry> framesOf(const e2e::Emulator &device, uint32_t code) {
    std::vector<e2e::JournalEntry> frames;
    for (const e2e::JournalEntry &e : device.journal()) {
        if (e.frameCode() == code) {
            frames.push_back(e);
        }
    }
    return frames;
}

uint32_t in32(const e2e::JournalEntry &e, size_t offset) {
    uint32_t value = 0;
    if (e.input.size() >= offset + 4) {
        memcpy(&value, e.input.data() + offset, 4);
    }
    return value;
}

std::string inText(const e2e::JournalEntry &e, size_t offset, size_t width) {
    const char *p = reinterpret_cast<const char *>(e.input.data() + offset);
    return std::string(p, strnlen(p, width));
}

const char kV130ProbeErrors[] =
    "Error: IOCTL 0xea7fce48 returned 0 (last error=1), Retrieved 0 bytes out of minimal of 8 "
    "bytes\nError: IOCTL 0xea7fce5c returned 0 (last error=1), Retrieved 0 bytes out of "
    "minimal of 8 bytes\n";

std::string mismatch(const char *pCommand) {
    return std::string(kV130ProbeErrors) + "Command \"" + pCommand +
           "\" cannot be sent to the driver due to version mismatch.\nkmodctl version: BorlQen "
           "Tarnvox Version: R3_0.1000.208\nSDC driver version: qorni 3.0.0 (emulated)\n";
}

const char kMdmLine0[] =
    "MDM-ID 000000000000a000 SDC ID 0000000000005dc0 INSTALLATION ID 000000001a57c0de IPs ";
const char kMdmLine1[] =
    "MDM-ID 000000000000a001 SDC ID 0000000000005dc1 INSTALLATION ID 000000001a57c0de IPs ";

std::string sixteenAddresses(int mdm) {
    std::string text;
    for (int j = 0; j < 16; j++) {
        text += "[" + std::to_string(j) + "]-10." + std::to_string(mdm) + ".0." +
                std::to_string(j + 1) + " ";
    }
    return text;
}

TEST(KmodctlMdmE2eTest, QueryMdmsAtEveryVersion) {
    const std::string twoMdms = std::string("Retrieved 2 mdm(s)\n") + kMdmLine0 +
                                "[0]-10.0.0.1 \n" + kMdmLine1 + "[0]-10.1.0.1 [1]-10.1.0.2 \n";
    const Case cases[] = {
        {"v2.00", {"--gen", "vector", "--mdms", "2"}, {"--query_mdms"}, twoMdms, "", 0},
        {"v2.01",
         {"--gen", "vector", "--vector", "5=2", "--mdms", "2"},
         {"--query_mdms"},
         twoMdms,
         "",
         0},
        {"v1.30", {"--gen", "v130", "--mdms", "2"}, {"--query_mdms"}, twoMdms, kV130ProbeErrors, 0},
        {"no MDMs", {"--gen", "vector"}, {"--query_mdms"}, "Retrieved 0 mdm(s)\n", "", 0},
        {"more addresses than an entry holds print the ones it holds",
         {"--gen", "vector", "--vector", "5=2", "--mdms", "1", "--mdm-num-ips", "20"},
         {"--query_mdms"},
         std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 + sixteenAddresses(0) + "\n",
         "",
         0},
        {"a negative address count prints none",
         {"--gen", "vector", "--mdms", "1", "--mdm-num-ips", "-3"},
         {"--query_mdms"},
         std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 + "\n",
         "",
         0},
        {"driver failure prints no MDM",
         {"--gen", "vector", "--mdms", "2", "--fail", "QUERY_MDMS:rc=80"},
         {"--query_mdms"},
         "",
         "Failed to execute QUERY_MDMS: Could not find the SDC\n",
         1},
        {"reply shorter than its count",
         {"--gen", "vector", "--mdms", "2", "--fail", "QUERY_MDMS:short=300"},
         {"--query_mdms"},
         "",
         "Error: QUERY_MDMS returned 292 bytes, fewer than the 476 its count needs\n",
         1},
        {"v1.30 reply shorter than its count",
         {"--gen", "v130", "--mdms", "2", "--fail", "QUERY_MDMS_V130:short=80"},
         {"--query_mdms"},
         "",
         std::string(kV130ProbeErrors) +
             "Error: QUERY_MDMS_V130 returned 72 bytes, fewer than the 132 its count needs\n",
         1},
        {"failed v1.30 call prints nothing",
         {"--gen", "v130", "--mdms", "2", "--fail", "QUERY_MDMS_V130:call"},
         {"--query_mdms"},
         "",
         kV130ProbeErrors,
         1},
        {"slot without a handler",
         {"--gen", "vector", "--vector", "5=3"},
         {"--query_mdms"},
         "",
         "Command \"QUERY_MDMS\" cannot be sent to the driver due to version mismatch.\nkmodctl "
         "version: BorlQen Tarnvox Version: R3_0.1000.208\nSDC driver version: qorni 3.0.0 "
         "(emulated)\n",
         1},
        {"count that never stops growing",
         {"--gen", "vector", "--fail", "QUERY_MDMS:grow"},
         {"--query_mdms"},
         "",
         "Too many query iterations. Already at 40960 MDMs\n",
         1},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlMdmE2eTest, QueryMdmsDoublesItsCapacityAndSendsTheVersionsRecord) {
    struct {
        Args emuArgs;
        uint32_t code;
        std::vector<size_t> sizes;
    } cases[] = {
        {{"--gen", "vector", "--mdms", "20"}, kQueryMdms, {8 + 12 + 20 * 232}},
        {{"--gen", "vector", "--mdms", "21"}, kQueryMdms, {8 + 12 + 20 * 232, 8 + 12 + 40 * 232}},
        {{"--gen", "vector", "--vector", "5=2", "--mdms", "21"},
         kQueryMdms,
         {8 + 12 + 20 * 424, 8 + 12 + 40 * 424}},
        {{"--gen", "v130", "--mdms", "21"}, kQueryMdmsV130, {8 + 4, 8 + 4}},
    };
    for (const auto &c : cases) {
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_mdms"}, device.root());
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind("Retrieved " + c.emuArgs.back() + " mdm(s)\n", 0), 0u) << r.out;
        device.stop();
        auto frames = framesOf(device, c.code);
        ASSERT_EQ(frames.size(), c.sizes.size());
        for (size_t i = 0; i < frames.size(); i++) {
            EXPECT_EQ(frames[i].input.size(), c.sizes[i]);
            EXPECT_EQ(in32(frames[i], 8 + (c.code == kQueryMdmsV130 ? 0 : 8)), 20u << i);
        }
    }
}

TEST(KmodctlMdmE2eTest, AddMdmSendsTheListAndTheDriverKnowsTheMdmAfterwards) {
    struct {
        Args emuArgs;
        size_t recordSize;
        size_t numIpsOffset;
    } cases[] = {
        {{"--gen", "vector"}, 212, 8 + 8 + 8 * 24},
        {{"--gen", "vector", "--vector", "3=2,5=2"}, 404, 8 + 8 + 16 * 24},
    };
    for (const auto &c : cases) {
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r =
            e2e::run(KMODCTL_EXE, {"--add_mdm", "--ip=10.7.0.1,10.7.0.2"}, device.root());
        EXPECT_EQ(r.out, "Calling kernel module to connect to MDM (10.7.0.1,10.7.0.2)\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        r = e2e::run(KMODCTL_EXE, {"--query_mdms"}, device.root());
        EXPECT_EQ(r.out,
                  std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 + "[0]-10.7.0.1 [1]-10.7.0.2 \n");
        device.stop();
        auto frames = framesOf(device, kAddMdm);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].input.size(), 8 + c.recordSize);
        EXPECT_EQ(in32(frames[0], 8 + c.numIpsOffset), 2u);
        const uint8_t kFirst[] = {10, 7, 0, 1};
        EXPECT_EQ(memcmp(frames[0].input.data() + 8 + 16, kFirst, 4), 0);
        EXPECT_EQ(in32(frames[0], 8 + 16 + 16), 1u); // IPv4
    }
}

TEST(KmodctlMdmE2eTest, ModMdmIpReplacesTheAddressesOfTheMdm) {
    struct {
        const char *pWhat;
        Args emuArgs;
        uint32_t code;
        size_t inputSize;
    } cases[] = {
        {"v2.00", {"--gen", "vector", "--mdms", "1"}, kModMdm, 8 + 416},
        {"v2.01", {"--gen", "vector", "--vector", "4=2", "--mdms", "1"}, kModMdm, 8 + 800},
        {"v1.30", {"--gen", "v130", "--mdms", "1"}, kModMdmV130, 8 + 72},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start(c.emuArgs);
        e2e::RunResult r = e2e::run(
            KMODCTL_EXE, {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=10.9.0.1,10.9.0.2"},
            device.root());
        EXPECT_EQ(r.out, "Calling kernel module to modify MDM IP from (10.0.0.1) to "
                         "(10.9.0.1,10.9.0.2)\nSuccessfully notified kernel module on new IP\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        r = e2e::run(KMODCTL_EXE, {"--query_mdms"}, device.root());
        EXPECT_EQ(r.out,
                  std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 + "[0]-10.9.0.1 [1]-10.9.0.2 \n");
        device.stop();
        auto frames = framesOf(device, c.code);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].input.size(), c.inputSize);
        if (c.code == kModMdmV130) {
            EXPECT_EQ(frames[0].outCapacity, 8u); // no output
            EXPECT_EQ(in32(frames[0], 8 + 32), 1u);
            EXPECT_EQ(in32(frames[0], 8 + 68), 2u);
        }
    }
}

// With a configuration file named, the driver takes the change first; the
// file part (not supported here) follows only a change the driver took.
TEST(KmodctlMdmE2eTest, ModMdmIpWithAFileCallsTheDriverFirst) {
    const Case cases[] = {
        {"the driver takes the change",
         {"--gen", "vector", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=10.9.0.1", "--file=m.cfg"},
         "Calling kernel module to modify MDM IP from (10.0.0.1) to (10.9.0.1)\n"
         "Successfully notified kernel module on new IP\n"
         "Updating file m.cfg: MDM (10.0.0.1) to (10.9.0.1)\nNot supported\n",
         "",
         255},
        {"the driver refuses the change",
         {"--gen", "vector", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.5.0.1", "--new_mdm_ip=10.9.0.1", "--file=m.cfg"},
         "Calling kernel module to modify MDM IP from (10.5.0.1) to (10.9.0.1)\n",
         "Failed to execute MOD_MDM_IP: SDC command failed\n",
         1},
    };
    runCases(cases, std::size(cases));

    e2e::Emulator device;
    device.start({"--gen", "vector", "--mdms", "1"});
    e2e::RunResult r = e2e::run(
        KMODCTL_EXE, {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=10.9.0.1", "--file=m.cfg"},
        device.root());
    EXPECT_EQ(r.exitCode, 255);
    r = e2e::run(KMODCTL_EXE, {"--query_mdms"}, device.root());
    EXPECT_EQ(r.out, std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 + "[0]-10.9.0.1 \n");
}

// n addresses 1.0.0.1, 1.0.0.2, ... as the command line gives them and as
// the MDM list prints them.
std::string addressList(int n) {
    std::string text;
    for (int i = 1; i <= n; i++) {
        text += (i > 1 ? "," : "") + std::string("1.0.0.") + std::to_string(i);
    }
    return text;
}
std::string printedAddresses(int n) {
    std::string text;
    for (int i = 0; i < n; i++) {
        text += "[" + std::to_string(i) + "]-1.0.0." + std::to_string(i + 1) + " ";
    }
    return text;
}

// The largest list each protocol version takes reaches the driver whole,
// and the driver then shows every address of it.
TEST(KmodctlMdmE2eTest, EachVersionTakesItsLargestAddressList) {
    struct {
        const char *pWhat;
        Args emuArgs;
        bool bAdd; // add_mdm, else mod_mdm_ip of the seeded MDM's 10.0.0.1
        int count;
    } cases[] = {
        {"add at v2.00", {"--gen", "vector"}, true, 8},
        {"add at v2.01", {"--gen", "vector", "--vector", "3=2,5=2"}, true, 16},
        {"change at v2.00", {"--gen", "vector", "--mdms", "1"}, false, 8},
        {"change at v2.01", {"--gen", "vector", "--vector", "4=2,5=2", "--mdms", "1"}, false, 16},
        {"change at v1.30", {"--gen", "v130", "--mdms", "1"}, false, 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pWhat);
        e2e::Emulator device;
        device.start(c.emuArgs);
        const std::string list = addressList(c.count);
        Args args = c.bAdd ? Args{"--add_mdm", "--ip=" + list}
                           : Args{"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=" + list};
        e2e::RunResult r = e2e::run(KMODCTL_EXE, args, device.root());
        EXPECT_EQ(r.out, c.bAdd ? "Calling kernel module to connect to MDM (" + list + ")\n"
                                : "Calling kernel module to modify MDM IP from (10.0.0.1) to (" +
                                      list + ")\nSuccessfully notified kernel module on new IP\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        r = e2e::run(KMODCTL_EXE, {"--query_mdms"}, device.root());
        EXPECT_EQ(r.out, std::string("Retrieved 1 mdm(s)\n") + kMdmLine0 +
                             printedAddresses(c.count) + "\n");
    }
}

TEST(KmodctlMdmE2eTest, AddressesTheDriverVersionCannotTakeAreRefusedUnsent) {
    const std::string nine =
        "1.0.0.1,1.0.0.2,1.0.0.3,1.0.0.4,1.0.0.5,1.0.0.6,1.0.0.7,1.0.0.8,1.0.0.9";
    const Case cases[] = {
        {"nine addresses at v2.00",
         {"--gen", "vector"},
         {"--add_mdm", "--ip=" + nine},
         "Calling kernel module to connect to MDM (" + nine + ")\n",
         "Error: this driver version takes at most 8 MDM addresses, 9 given\n",
         1},
        {"IPv6 at v1.30",
         {"--gen", "v130", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=10.9.0.1,fe80::1,10.9.0.3"},
         "Calling kernel module to modify MDM IP from (10.0.0.1) to "
         "(10.9.0.1,fe80::1,10.9.0.3)\nIPV6 address not supported in version 1.3x\n",
         kV130ProbeErrors,
         1},
        {"no add at v1.30",
         {"--gen", "v130"},
         {"--add_mdm", "--ip=10.0.0.1"},
         "Calling kernel module to connect to MDM (10.0.0.1)\n",
         mismatch("ADD_MDM"),
         1},
        {"v1.30 driver refuses the change",
         {"--gen", "v130", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.5.0.1", "--new_mdm_ip=10.9.0.1"},
         "Calling kernel module to modify MDM IP from (10.5.0.1) to (10.9.0.1)\n",
         std::string(kV130ProbeErrors) +
             "Error: Retrieved 0 bytes in IOCTL ea7ffe98 which is less than the minimal 8\n",
         1},
        {"unknown current address",
         {"--gen", "vector", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.5.0.1", "--new_mdm_ip=10.9.0.1"},
         "Calling kernel module to modify MDM IP from (10.5.0.1) to (10.9.0.1)\n",
         "Failed to execute MOD_MDM_IP: SDC command failed\n",
         1},
        {"seventeen new addresses",
         {"--gen", "vector", "--vector", "4=2", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=" + addressList(17)},
         usage(),
         "Illegal number of addresses, 16 allowed\n",
         1},
        {"nine new addresses at v2.00",
         {"--gen", "vector", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=" + addressList(9)},
         "Calling kernel module to modify MDM IP from (10.0.0.1) to (" + addressList(9) + ")\n",
         "Error: this driver version takes at most 8 MDM addresses, 9 given\n",
         1},
        {"nine new addresses at v1.30",
         {"--gen", "v130", "--mdms", "1"},
         {"--mod_mdm_ip", "--ip=10.0.0.1", "--new_mdm_ip=" + addressList(9)},
         "Calling kernel module to modify MDM IP from (10.0.0.1) to (" + addressList(9) + ")\n",
         std::string(kV130ProbeErrors) +
             "Error: this driver version takes at most 8 MDM addresses, 9 given\n",
         1},
    };
    runCases(cases, std::size(cases));
}

} // namespace

namespace {

const char kTgt0[] = "TGT-ID 0x0000000000070000 MDM-ID 0x0000000000007a11 ";

TEST(KmodctlTargetsE2eTest, QueryTgts) {
    const std::string stateLines =
        "Total InflightIOs 1000, Total  bytesInflight 2000 \n"
        "ChannelID 17, channel establish required 1, #channel establish failures 22, #IOs "
        "waiting for channel establish  26\n"
        "[0]-192.168.0.1 State Dead, inflightBytes 100, numConnectedSocks 0, numSocks 1\n"
        "[1]-192.168.0.2 State Connecting, inflightBytes 101, numConnectedSocks 1, numSocks 2\n"
        "[2]-192.168.0.3 State OK, inflightBytes 102, numConnectedSocks 2, numSocks 3\n"
        "[3]-192.168.0.4 State Disconnecting, inflightBytes 103, numConnectedSocks 3, numSocks "
        "4\n"
        "[4]-192.168.0.5 State Unknown, inflightBytes 104, numConnectedSocks 4, numSocks 5\n";
    const Case cases[] = {
        {"plain",
         {"--gen", "vector", "--tgts", "2"},
         {"--query_tgts"},
         std::string("Retrieved 2 tgt(s)\n") + kTgt0 +
             "Tgt IPs : [0]-192.168.0.1 [1]-192.168.0.2 \n" +
             "TGT-ID 0x0000000000070001 MDM-ID 0x0000000000007a11 Tgt IPs : [0]-192.168.1.1 "
             "[1]-192.168.1.2 \n",
         "",
         0},
        {"with state",
         {"--gen", "vector", "--tgts", "1", "--tgt-num-ips", "5"},
         {"--query_tgts", "--tech"},
         std::string("Retrieved 1 tgt(s)\n") + kTgt0 + stateLines,
         "",
         0},
        {"no targets", {"--gen", "vector"}, {"--query_tgts"}, "Retrieved 0 tgt(s)\n", "", 0},
        {"nine addresses end the run",
         {"--gen", "vector", "--tgts", "1", "--tgt-num-ips", "9"},
         {"--query_tgts"},
         std::string("Retrieved 1 tgt(s)\n") + kTgt0 + "ilegal number of Tgt IPs 9",
         "",
         1},
        {"short reply",
         {"--gen", "vector", "--tgts", "2", "--fail", "GET_TGT_INFO:short=500"},
         {"--query_tgts"},
         "",
         "Error: IOCTL_BLK__GET_TGT_INFO returned 492 bytes, fewer than the 904 its count needs\n",
         1},
        {"v1.30 has none", {"--gen", "v130"}, {"--query_tgts"}, "", mismatch("QUERY_TGTS"), 1},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlTargetsE2eTest, QueryTgtsGrowsAndSendsTheExtendedFlag) {
    e2e::Emulator device;
    device.start({"--gen", "vector", "--tgts", "1025"});
    e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_tgts", "--tech"}, device.root());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    device.stop();
    auto frames = framesOf(device, kTgtInfo);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].inputU64(16), 1024u);
    EXPECT_EQ(frames[1].inputU64(16), 1025u);
    EXPECT_EQ(frames[1].input.size(), 8 + 20 + 1025 * 442u);
    EXPECT_EQ(in32(frames[1], 24), 1u);
}

std::string lbaChunk(int i, int lba, int tgtLast) {
    char text[512];
    snprintf(text, sizeof(text),
             "%d. Information for LBA %d (0x%x MB) volID 0x0000000000000002:\nComb "
             "0x0000000000028c0%d\nComb Gen 7\nTgtID 0x000000000000700%d\nTgt IPs : "
             "[0]-192.168.0.1 [1]-192.168.0.2 \nTgt start-LBA %d\nMulti-head ID 0x5\nMulti-head "
             "Gen 9\nRow index %d\nHead index 3\n====================\n",
             i, lba, lba / 2048, tgtLast, tgtLast, tgtLast * 2048, tgtLast);
    return text;
}

TEST(KmodctlTargetsE2eTest, QueryLbInfoAsksOncePerMegabyteChunk) {
    const Args lb = {"--query_lb_info", "--mdm_id=1", "--vol_id=2"};
    auto with = [&](std::initializer_list<std::string> more) {
        Args args = lb;
        args.insert(args.end(), more);
        return args;
    };
    const char kFailedChunk[] = "0. Information for LBA 0 (0x0 MB) volID 0x0000000000000002:\n"
                                "IOCTL failed!\n====================\n";
    const Case cases[] = {
        {"default size", {"--gen", "vector"}, with({"--start_lb=0"}), lbaChunk(0, 0, 0), "", 0},
        {"two chunks",
         {"--gen", "vector"},
         with({"--start_lb=2047", "--size_in_bytes=1024"}),
         lbaChunk(0, 2047, 0) + lbaChunk(1, 2048, 1),
         "",
         0},
        {"empty range on a boundary",
         {"--gen", "vector"},
         with({"--start_lb=4096", "--size_in_bytes=0"}),
         "",
         "",
         0},
        {"range at the end of the block space stays one chunk",
         {"--gen", "vector", "--fail", "GET_LBA_INFO:rc=11"},
         with({"--start_lb=18446744073709551615", "--size_in_bytes=1"}),
         "0. Information for LBA 18446744073709551615 (0x1fffffffffffff MB) volID "
         "0x0000000000000002:\nIOCTL failed!\n====================\n",
         "Failed to execute IOCTL_BLK__GET_LBA_INFO: SDC command failed\nFailure reason: Either "
         "the block index is out of range or the relevant volume is in error state\n",
         1},
        {"driver refuses the block",
         {"--gen", "vector", "--fail", "GET_LBA_INFO:rc=11"},
         with({"--start_lb=0"}),
         kFailedChunk,
         "Failed to execute IOCTL_BLK__GET_LBA_INFO: SDC command failed\nFailure reason: Either "
         "the block index is out of range or the relevant volume is in error state\n",
         1},
        {"short reply",
         {"--gen", "vector", "--fail", "GET_LBA_INFO:short=100"},
         with({"--start_lb=0"}),
         kFailedChunk,
         "Error: IOCTL_BLK__GET_LBA_INFO returned 92 bytes, fewer than the 280 of its reply\n",
         1},
    };
    runCases(cases, std::size(cases));

    e2e::Emulator device;
    device.start({"--gen", "vector"});
    ASSERT_EQ(
        e2e::run(KMODCTL_EXE, with({"--start_lb=2047", "--size_in_bytes=1024"}), device.root())
            .exitCode,
        0);
    device.stop();
    auto frames = framesOf(device, kLbaInfo);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].input.size(), 8 + 280u);
    EXPECT_EQ(frames[0].inputU64(16), 1u);
    EXPECT_EQ(frames[0].inputU64(24), 2u);
    EXPECT_EQ(frames[0].inputU64(32), 2047u);
    EXPECT_EQ(frames[1].inputU64(32), 2048u);
}

// The volume id goes behind "0x" in decimal digits, so one whose two
// forms differ shows which was printed; chunk 1023 carries the largest
// row index the comb's ten bits hold.
TEST(KmodctlTargetsE2eTest, QueryLbInfoPrintsTheVolumeIdsDecimalDigitsAndTheWholeRowIndex) {
    e2e::Emulator device;
    device.start({"--gen", "vector"});
    e2e::RunResult r = e2e::run(
        KMODCTL_EXE, {"--query_lb_info", "--mdm_id=1", "--vol_id=1f", "--start_lb=2095104"},
        device.root());
    EXPECT_EQ(r.out, "0. Information for LBA 2095104 (0x3ff MB) volID 0x0000000000000031:\n"
                     "Comb 0x0000000000028fff\nComb Gen 7\nTgtID 0x00000000000073ff\n"
                     "Tgt IPs : [0]-192.168.0.1 [1]-192.168.0.2 \nTgt start-LBA 2095104\n"
                     "Multi-head ID 0x5\nMulti-head Gen 9\nRow index 1023\nHead index 3\n"
                     "====================\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    device.stop();
    auto frames = framesOf(device, kLbaInfo);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].inputU64(24), 0x1fu);
}

} // namespace

namespace {

const char kGuid[] = "00112233-4455-6677-8899-AABBCCDDEEFF\n";
const char kNetId[] =
    "Network identification:\n\tMagic number: 12648430\n\tTime stamp: 1700000000\n";

TEST(KmodctlGuidE2eTest, GuidCommands) {
    const std::string bad = "0011223-4455-6677-8899-aabbccddeeff";
    const Case cases[] = {
        {"query", {"--gen", "vector"}, {"--query_guid"}, kGuid, "", 0},
        {"query with identification",
         {"--gen", "vector"},
         {"--query_guid", "--tech"},
         std::string(kGuid) + kNetId,
         "",
         0},
        {"query at v1.30",
         {"--gen", "v130"},
         {"--query_guid", "--tech"},
         std::string(kGuid) + kNetId,
         kV130ProbeErrors,
         0},
        {"short reply",
         {"--gen", "vector", "--fail", "QUERY_GUID:short=20"},
         {"--query_guid"},
         "",
         "Error: QUERY_GUID returned 12 bytes, fewer than the 32 of its reply\n",
         1},
        {"short v1.30 reply",
         {"--gen", "v130", "--fail", "QUERY_GUID_V130:short=20"},
         {"--query_guid"},
         "",
         std::string(kV130ProbeErrors) +
             "Error: QUERY_GUID_V130 returned 12 bytes, fewer than the 24 of its reply\n",
         1},
        {"driver refuses the GUID",
         {"--gen", "vector", "--fail", "SET_INI_GUID:rc=80"},
         {"--set_guid", "--guid=00112233-4455-6677-8899-aabbccddeeff"},
         "Calling kernel module to set UUID (00112233-4455-6677-8899-AABBCCDDEEFF)\nFailed "
         "setting GUID 00112233-4455-6677-8899-AABBCCDDEEFF\n",
         "Failed to execute SET_INI_GUID: Could not find the SDC\n",
         1},
        {"GUID that does not parse",
         {"--gen", "vector"},
         {"--set_guid", "--guid=" + bad},
         usage(),
         "Error (11) parsing GUID " + bad + "\n",
         1},
        {"configuration file",
         {"--gen", "vector"},
         {"--set_guid", "--file=g.cfg"},
         "Not supported\n",
         "",
         255},
        {"only the configuration, without a file",
         {"--gen", "vector"},
         {"--set_guid", "--only_cfg"},
         usage(),
         "Requested to only modify config file, but file name wasn't given.\n",
         1},
        {"v1.30 cannot set",
         {"--gen", "v130"},
         {"--set_guid", "--guid=" + std::string(kGuid, 36)},
         "Calling kernel module to set UUID (00112233-4455-6677-8899-AABBCCDDEEFF)\n",
         mismatch("SET_GUID"),
         1},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlGuidE2eTest, SetGuidSendsTheBytesInTextOrderAndTheDriverKeepsThem) {
    e2e::Emulator device;
    device.start({"--gen", "vector"});
    e2e::RunResult r =
        e2e::run(KMODCTL_EXE, {"--set_guid", "--guid", "ffeeddcc-bbaa-9988-7766-554433221100"},
                 device.root());
    EXPECT_EQ(r.out, "Calling kernel module to set UUID (FFEEDDCC-BBAA-9988-7766-554433221100)\n"
                     "Successfully set GUID FFEEDDCC-BBAA-9988-7766-554433221100\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--query_guid"}, device.root()).out,
              "FFEEDDCC-BBAA-9988-7766-554433221100\n");
    // A generated GUID is announced, sent and set with one text.
    r = e2e::run(KMODCTL_EXE, {"--set_guid"}, device.root());
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.rfind("Generating new UUID ", 0), 0u) << r.out;
    std::string text = r.out.substr(20, 36);
    EXPECT_EQ(r.out, "Generating new UUID " + text + "\nCalling kernel module to set UUID (" +
                         text + ")\nSuccessfully set GUID " + text + "\n");
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--query_guid"}, device.root()).out, text + "\n");
    device.stop();
    auto frames = framesOf(device, kSetGuid);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].input.size(), 8 + 32u);
    const uint8_t kBytes[] = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88,
                              0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00};
    EXPECT_EQ(memcmp(frames[0].input.data() + 16, kBytes, 16), 0);
    EXPECT_NE(memcmp(frames[0].input.data() + 16, frames[1].input.data() + 16, 16), 0);
}

TEST(KmodctlParamsE2eTest, DynamicParameters) {
    const std::string name60(60, 'n');
    const Case cases[] = {
        {"list",
         {"--gen", "vector", "--params", "3"},
         {"--query_dynamic_parameters"},
         "Retrieved 3 parameter(s)\nParameter MDM-ID 0x0000000000000000 name param_0 value 0\n"
         "Parameter MDM-ID 0x0000000000007a11 name param_1 value 10\nParameter MDM-ID "
         "0x0000000000000000 name param_2 value 20\n",
         "",
         0},
        {"a name filling its field prints no further",
         {"--gen", "vector", "--param", name60 + "=5"},
         {"--query_dynamic_parameters"},
         "Retrieved 1 parameter(s)\nParameter MDM-ID 0x0000000000000000 name " +
             std::string(56, 'n') + " value 5\n",
         "",
         0},
        {"short reply",
         {"--gen", "vector", "--params", "2", "--fail", "QUERY_ALL_DYN_PARAMS:short=100"},
         {"--query_dynamic_parameters"},
         "",
         "Error: QUERY_ALL_DYN_PARAMS returned 92 bytes, fewer than the 168 its count needs\n",
         1},
        {"count that never stops growing",
         {"--gen", "vector", "--fail", "QUERY_ALL_DYN_PARAMS:grow"},
         {"--query_dynamic_parameters"},
         "",
         "Too many query iterations. Already at 75 parameters\n",
         1},
        {"driver refuses a value",
         {"--gen", "vector", "--fail", "SET_DYN_PARAM:rc=80"},
         {"--set_dynamic_parameter", "--dynamic_parameter_name=x", "--dynamic_parameter_value=1"},
         "",
         "Failed to execute SET_DYN_PARAM: Could not find the SDC\n",
         1},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlParamsE2eTest, SetDynamicParameterSendsTheRecordAndTheListShowsIt) {
    e2e::Emulator device;
    device.start({"--gen", "vector", "--params", "65"});
    Args set = {"--set_dynamic_parameter", "--dynamic_parameter_name=rate",
                "--dynamic_parameter_value=-1", "--mdm_id=7a11"};
    EXPECT_EQ(e2e::run(KMODCTL_EXE, set, device.root()).exitCode, 0);
    set = {"--set_dynamic_parameter", "--dynamic_parameter_name=" + std::string(55, 'a'),
           "--dynamic_parameter_value=3"};
    EXPECT_EQ(e2e::run(KMODCTL_EXE, set, device.root()).exitCode, 0);
    set[1] = "--dynamic_parameter_name=" + std::string(57, 'b');
    EXPECT_EQ(e2e::run(KMODCTL_EXE, set, device.root()).exitCode, 0);
    e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_dynamic_parameters"}, device.root());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Retrieved 68 parameter(s)\n"), std::string::npos);
    EXPECT_NE(r.out.find("Parameter MDM-ID 0x0000000000007a11 name rate value 4294967295\n"),
              std::string::npos);
    device.stop();
    auto frames = framesOf(device, kSetParam);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].input.size(), 8 + 76u);
    EXPECT_EQ(frames[0].inputU64(16), 0x7a11u);
    EXPECT_EQ(inText(frames[0], 24, 56), "rate");
    EXPECT_EQ(in32(frames[0], 80), 0xFFFFFFFFu);
    EXPECT_EQ(frames[1].inputU64(16), 0u) << "no --mdm_id: driver-wide";
    EXPECT_EQ(frames[1].input[24 + 55], 0) << "55 characters keep their terminating zero";
    EXPECT_EQ(inText(frames[2], 24, 56), std::string(56, 'b')) << "cut to the field";
    auto lists = framesOf(device, kQueryParams);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].inputU64(16), 64u);
    EXPECT_EQ(lists[1].inputU64(16), 68u);
}

std::string traceTable(const std::vector<std::pair<std::string, std::string>> &rows,
                       const std::string &map) {
    const std::string rule(74, '=');
    std::string text = "Trace Configuration:\n" + rule +
                       "\n| Component                   | "
                       "Frequency                                |\n" +
                       rule;
    char line[256];
    for (const auto &[comp, freq] : rows) {
        snprintf(line, sizeof(line), "\n| %-28s| %-41s|", comp.c_str(), freq.c_str());
        text += line;
    }
    snprintf(line, sizeof(line), "\n| %-28s| %-41s|", "Configuration map:", map.c_str());
    return text + "\n" + rule + "\n" + line + "\n" + rule + "\n";
}

TEST(KmodctlTraceE2eTest, TraceFrequencies) {
    const Case cases[] = {
        {"table",
         {"--gen", "vector"},
         {"--query_trace_freq"},
         traceTable({{"MOS", "LOW"}, {"NET", "HIGH"}, {"SDC_IOCTL", "MEDIUM"}}, "0123456789abcdef"),
         "",
         0},
        {"no components",
         {"--gen", "vector", "--trace-comps", "0"},
         {"--query_trace_freq"},
         traceTable({}, "0123456789abcdef"),
         "",
         0},
        {"count that never stops growing",
         {"--gen", "vector", "--fail", "QUERY_TRACE_FREQUENCY:grow"},
         {"--query_trace_freq"},
         "Failed to query the trace frequencies: no room for 123 components\n",
         "",
         1},
        {"unknown component",
         {"--gen", "vector"},
         {"--set_trace_component_freq", "--trace_component=BOGUS", "--trace_freq=LOW"},
         "",
         "Failed to execute IOCTL__SET_TRACE_FREQUENCY: SDC command failed\n",
         1},
        {"v1.30 has none",
         {"--gen", "v130"},
         {"--set_all_trace_components_freq", "--trace_freq=LOW"},
         "",
         mismatch("SET_ALL_TRACE_FREQ"),
         1},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlTraceE2eTest, SetCommandsSendTheirModeAndTheTableShowsTheChange) {
    e2e::Emulator device;
    device.start({"--gen", "vector"});
    const char kDone[] = "Trace frequency were successfully set\n";
    EXPECT_EQ(e2e::run(KMODCTL_EXE,
                       {"--set_all_trace_components_freq", "--trace_freq=ABCDEFGHIJKLMNOP"},
                       device.root())
                  .out,
              kDone);
    EXPECT_EQ(e2e::run(KMODCTL_EXE,
                       {"--set_trace_component_freq", "--trace_component=NET", "--trace_freq=LOW"},
                       device.root())
                  .out,
              kDone);
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--set_trace_freq_map", "--freq_map=abc"}, device.root()).out,
              kDone);
    // A frequency that fills its field is printed no further than the field.
    EXPECT_EQ(
        e2e::run(KMODCTL_EXE, {"--query_trace_freq"}, device.root()).out,
        traceTable({{"MOS", "ABCDEFGHIJKLMNOP"}, {"NET", "LOW"}, {"SDC_IOCTL", "ABCDEFGHIJKLMNOP"}},
                   "abc"));
    device.stop();
    auto frames = framesOf(device, kSetTrace);
    ASSERT_EQ(frames.size(), 3u);
    for (const auto &f : frames) {
        EXPECT_EQ(f.input.size(), 8 + 125u);
    }
    EXPECT_EQ(in32(frames[0], 16), 2u);
    EXPECT_EQ(inText(frames[0], 8 + 109, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(in32(frames[1], 16), 1u);
    EXPECT_EQ(inText(frames[1], 8 + 12, 32), "NET");
    EXPECT_EQ(inText(frames[1], 8 + 109, 16), "LOW");
    EXPECT_EQ(in32(frames[2], 16), 0u);
    EXPECT_EQ(inText(frames[2], 8 + 44, 65), "abc");
    auto queries = framesOf(device, kQueryTrace);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].input.size(), 8 + 81 + 115 * 48u);
}

const char kDiagHead[] = "DIAGNOSTIC COUNTERS\n\tComponent::  Counter                          ::  "
                         "Value               :: ExtData               :: Last Counted(Ms)    \n";

std::string diagRow(int i, int value, int ext, int ms) {
    char text[256];
    snprintf(text, sizeof(text), "\tNET      ::  diag_counter_%-20d::  %-20d:: 0x%-20x:: %-20d\n",
             i, value, ext, ms);
    return text;
}

TEST(KmodctlStatsE2eTest, DiagnosticCounters) {
    const Case cases[] = {
        {"exceeded only",
         {"--gen", "vector", "--diag", "4"},
         {"--query_diag_counters"},
         kDiagHead + diagRow(1, 201, 0xe0, 0) + diagRow(3, 203, 0xe1, 1000),
         "",
         0},
        {"all",
         {"--gen", "vector", "--diag", "2"},
         {"--query_diag_counters", "--tech"},
         kDiagHead + diagRow(0, 10, 0xe0, 0) + diagRow(1, 201, 0xe1, 1000),
         "",
         0},
        {"count that never stops growing",
         {"--gen", "vector", "--fail", "QUERY_DIAG_COUNTERS:grow"},
         {"--query_diag_counters"},
         "",
         "Error allocating memory for sending QUERY_DIAG_COUNTERS ioctl\n",
         1},
        {"reset",
         {"--gen", "vector"},
         {"--reset_diag_counters"},
         "Diagnostics counters were successfully reset\n",
         "",
         0},
        {"reset refused",
         {"--gen", "vector", "--fail", "RESET_DIAG_COUNTERS:rc=80"},
         {"--reset_diag_counters"},
         "",
         "Failed to execute IOCTL__RESET_DIAG_COUNTERS: Could not find the SDC\n",
         1},
    };
    runCases(cases, std::size(cases));

    e2e::Emulator device;
    device.start({"--gen", "vector", "--diag", "4"});
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--query_diag_counters", "--tech"}, device.root()).exitCode,
              0);
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--reset_diag_counters"}, device.root()).exitCode, 0);
    EXPECT_EQ(e2e::run(KMODCTL_EXE, {"--query_diag_counters"}, device.root()).out, kDiagHead);
    device.stop();
    auto frames = framesOf(device, kQueryDiag);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].input.size(), 8 + 32 + 247 * 64u);
    EXPECT_EQ(in32(frames[0], 16), 247u);
    EXPECT_EQ(in32(frames[0], 20), 0u) << "--tech: every counter";
    EXPECT_EQ(in32(frames[1], 20), 1u) << "only the exceeded";
}

const char kPerf[] =
    "==============================================\n"
    "contextDescription qorni I/O path, numStages 2\n"
    "ctxSwitchStat: avg 0, sampleNum 0, max 3, total 99, overflows 0, totalPow2 0\n"
    "-----------------------------------------\n"
    "0. stage_0. 11 Sample started, 10 sample finished\n"
    "min 1, max 50, 100 valid sample\n"
    "avg 30, sampleNum 10, max 40, total 300, overflows 0, totalPow2 1000\n"
    "-----------------------------------------\n"
    "1. stage_1. 12 Sample started, 11 sample finished\n"
    "min 2, max 51, 101 valid sample\n"
    "avg 27, sampleNum 11, max 41, total 307, overflows 1, totalPow2 1001\n"
    "-----------------------------------------\n"
    "Total: total. 31 Sample started, 30 sample finished\n"
    "min 21, max 70, 120 valid sample\n"
    "avg 14, sampleNum 30, max 60, total 440, overflows 20, totalPow2 1020\n"
    "==============================================\n";

TEST(KmodctlStatsE2eTest, PerformanceStatistics) {
    const Case cases[] = {
        {"query", {"--gen", "vector"}, {"--query_performace"}, kPerf, "", 0},
        {"more stages than the record holds",
         {"--gen", "vector", "--perf-stages", "23"},
         {"--query_performace"},
         "",
         "Error: QUERY_PERF reports 23 stages, more than the 22 its record holds\n",
         1},
        {"driver failure",
         {"--gen", "vector", "--fail", "QUERY_PERF:rc=80"},
         {"--query_performace"},
         "Failed to query SDC for performance, Status INI_NOT_FOUND(80)\n",
         "Failed to execute QUERY_PERF: Could not find the SDC\n",
         1},
        {"short reply",
         {"--gen", "vector", "--fail", "QUERY_PERF:short=22000"},
         {"--query_performace"},
         "Failed to query SDC for performance, Status SDC_IOCTL_ERROR(434)\n",
         "Error: QUERY_PERF returned 21992 bytes, fewer than the 22120 of its reply\n",
         1},
        {"reset",
         {"--gen", "vector"},
         {"--reset_performace"},
         "Performance statistics were successfully reset\n",
         "",
         0},
    };
    runCases(cases, std::size(cases));
}

TEST(KmodctlPeE2eTest, PesAndVvols) {
    const char kRule[] = "=============================================================\n\n";
    const char kPeRule[] = "\n-------------------------------------------------------\n\n";
    const Case cases[] = {
        {"PEs",
         {"--gen", "vector", "--pes", "2"},
         {"--query_pe"},
         std::string("Retrieved 2 PEs(s)\n") + kRule +
             "0000. PE-ID 00000000000010000000000000002000 T000:L001, 2 VVols\n" + kPeRule +
             "0001. PE-ID 00000000000010010000000000002001 T001:L002, 2 VVols\n" + kPeRule,
         "",
         0},
        {"no PEs",
         {"--gen", "vector"},
         {"--query_pe"},
         std::string("Retrieved 0 PEs(s)\n") + kRule,
         "",
         0},
        {"257 PEs",
         {"--gen", "vector", "--pes", "257"},
         {"--query_pe"},
         "",
         "numPEs invalid, exiting\n",
         1},
        {"short PE reply",
         {"--gen", "vector", "--pes", "2", "--fail", "QUERY_PEs:short=60"},
         {"--query_pe"},
         "",
         "Error: QUERY_PEs returned 52 bytes, fewer than the 96 its count needs\n",
         1},
        {"VVols",
         {"--gen", "vector", "--vvols", "2"},
         {"--query_vvols"},
         std::string("Retrieved 2 VVol(s)\n") + kRule +
             "\n0000. PE-ID 00000000000010000000000000002000 VVol-ID 0000000000009000 "
             "T001:L000\nblockNum 0, inflight 0, bChecksumActive 1, bThinProvisioning 0\n"
             "\n0001. PE-ID 00000000000010000000000000002000 VVol-ID 0000000000009001 "
             "T001:L001\nblockNum 4096, inflight 1, bChecksumActive 1, bThinProvisioning 1\n",
         "",
         0},
        {"8193 VVols",
         {"--gen", "vector", "--vvols", "8193"},
         {"--query_vvols"},
         "",
         "numVVols invalid, exiting\n",
         1},
        {"v1.30 has none", {"--gen", "v130"}, {"--query_vvols"}, "", mismatch("QUERY_VVOLS"), 1},
    };
    runCases(cases, std::size(cases));

    e2e::Emulator device;
    device.start({"--gen", "vector", "--pes", "256", "--vvols", "8192"});
    e2e::RunResult r = e2e::run(KMODCTL_EXE, {"--query_pe"}, device.root());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("0255. PE-ID 00000000000010ff00000000000020ff T255:L256, 2 VVols\n"),
              std::string::npos);
    r = e2e::run(KMODCTL_EXE, {"--query_vvols"}, device.root());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3 + 3 * 8192);
}

TEST(KmodctlMiscE2eTest, DataFreeCommands) {
    const Case cases[] = {
        {"rescan",
         {"--gen", "vector"},
         {"--rescan"},
         "Calling kernel module to refresh MDM configuration information\nSuccessfully completed "
         "the rescan operation\n",
         "",
         0},
        {"rescan refused",
         {"--gen", "vector", "--fail", "RESCAN_ALL:rc=80"},
         {"--rescan"},
         "Calling kernel module to refresh MDM configuration information\n",
         "Failed to execute RESCAN_ALL: Could not find the SDC\n",
         1},
        {"dump",
         {"--gen", "vector"},
         {"--dump_mem_tracker"},
         "Memory tracker contents successfully written to log\n",
         "",
         0},
        {"dump fails",
         {"--gen", "vector", "--fail", "DUMP_MEMORY_TRACKER:call"},
         {"--dump_mem_tracker"},
         "",
         "Error: IOCTL 0xea7fce70 returned 0 (last error=31), Retrieved 0 bytes out of minimal of "
         "8 bytes\n",
         1},
        {"reset",
         {"--gen", "vector"},
         {"--reset_mem_tracker"},
         "Memory tracker contents successfully reset\n",
         "",
         0},
        {"reset at v1.30",
         {"--gen", "v130"},
         {"--reset_mem_tracker"},
         "",
         mismatch("RESET_MEM_TRACKER"),
         1},
    };
    runCases(cases, std::size(cases));
}

} // namespace
