// The emulated driver's configuration commands and queries: MDMs,
// targets, LBA information, GUID, dynamic parameters, trace frequencies,
// diagnostic counters, performance, memory tracker, rescan, PEs, VVols.
// Records are read and written at explicit offsets from the frame's start
// (the 8-byte command code, then the record at kRec).
#include "emu.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace emu {
namespace {

constexpr size_t kRec = 8;
constexpr size_t kAddr = 24; // a network address record
constexpr uint64_t kBadPointer = 0xFFFF800012345678ull;

enum : uint32_t {
    kAddMdm = 0xEA7FCE24,
    kSetGuid = 0xEA7FCE2C,
    kRescan = 0xEA7FCE34,
    kModMdm = 0xEA7FCE38,
    kQueryMdms = 0xEA7FCE3C,
    kQueryGuid = 0xEA7FCE44,
    kQueryParams = 0xEA7FCE4C,
    kSetParam = 0xEA7FCE50,
    kLbaInfo = 0xEA7FCE54,
    kTgtInfo = 0xEA7FCE58,
    kQueryDiag = 0xEA7FCE60,
    kResetDiag = 0xEA7FCE64,
    kSetTrace = 0xEA7FCE68,
    kQueryTrace = 0xEA7FCE6C,
    kDumpMemTracker = 0xEA7FCE70,
    kResetMemTracker = 0xEA7FCE74,
    kQueryPes = 0xEA7FDC30,
    kQueryVvols = 0xEA7FDC34,
    kQueryPerf = 0xEA7FDC3C,
    kResetPerf = 0xEA7FDC40,
    kModMdmV130 = 0xEA7FFE98,
    kQueryMdmsV130 = 0xEA7FFE9C,
    kQueryGuidV130 = 0xEA7FFEA4,
};

// Command indices whose slot decides a record's size.
constexpr uint32_t kAddMdmIndex = 3;
constexpr uint32_t kModMdmIndex = 4;
constexpr uint32_t kQueryMdmsIndex = 5;

using Addr = std::array<uint8_t, kAddr>;

struct Mdm {
    uint64_t id;
    std::vector<Addr> ips;
    int32_t numIpsReported; // may exceed what an entry holds
};
struct Param {
    uint64_t mdmId;
    std::string name;
    uint32_t value;
};
struct TraceComp {
    std::string name;
    std::string freq;
};
struct Counter {
    uint32_t value;
    uint32_t threshold;
    std::string name;
};

struct DriverState {
    bool bReady = false;
    std::vector<Mdm> mdms;
    std::array<uint8_t, 16> guid{};
    std::vector<Param> params;
    std::vector<TraceComp> trace;
    std::string traceMap;
    std::vector<Counter> counters;
    bool bPerfReset = false;
};

Addr ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    Addr addr{};
    addr[0] = a, addr[1] = b, addr[2] = c, addr[3] = d;
    addr[16] = 1;                  // IPv4
    addr[20] = 6611 & 0xFF;        // port, host order
    addr[21] = (6611 >> 8) & 0xFF; // (little-endian here)
    return addr;
}

std::string textAt(const std::vector<uint8_t> &buf, size_t offset, size_t width) {
    const char *p = reinterpret_cast<const char *>(buf.data() + offset);
    return std::string(p, strnlen(p, width));
}

// Writes text into a field of width bytes, zero-padded; a text as long
// as the field fills it without a terminating zero.
void putText(std::vector<uint8_t> &buf, size_t offset, size_t width, const std::string &text) {
    std::fill(buf.begin() + offset, buf.begin() + offset + width, 0);
    memcpy(buf.data() + offset, text.data(), std::min(text.size(), width));
}

void seedState(const DriverSeed &seed, DriverState *pState) {
    for (uint32_t i = 0; i < seed.numMdms; i++) {
        int32_t n = seed.bMdmNumIps ? seed.mdmNumIps : static_cast<int32_t>(i % 3 + 1);
        Mdm mdm{0xA000 + i, {}, n};
        for (int32_t j = 0; j < std::min(n, 16); j++) {
            mdm.ips.push_back(ipv4(10, static_cast<uint8_t>(i), 0, static_cast<uint8_t>(j + 1)));
        }
        pState->mdms.push_back(mdm);
    }
    for (size_t i = 0; i < 16 && 2 * i + 1 < seed.guidHex.size(); i++) {
        pState->guid[i] =
            static_cast<uint8_t>(std::stoul(seed.guidHex.substr(2 * i, 2), nullptr, 16));
    }
    for (uint32_t i = 0; i < seed.numParams; i++) {
        pState->params.push_back({i % 2 ? 0x7A11u : 0u, "param_" + std::to_string(i), 10 * i});
    }
    for (const auto &[name, value] : seed.params) {
        pState->params.push_back({0, name, value});
    }
    const TraceComp kFirst[] = {{"MOS", "LOW"}, {"NET", "HIGH"}, {"SDC_IOCTL", "MEDIUM"}};
    for (uint32_t i = 0; i < seed.numTraceComps; i++) {
        pState->trace.push_back(i < 3 ? kFirst[i] : TraceComp{"comp_" + std::to_string(i), "NONE"});
    }
    pState->traceMap = seed.traceMap;
    for (uint32_t i = 0; i < seed.numDiagCounters; i++) {
        pState->counters.push_back(
            {i % 2 ? 200 + i : 10 + i, 100, "diag_counter_" + std::to_string(i)});
    }
}

DriverState &state(const Scenario &scenario) {
    static DriverState s;
    if (!s.bReady) {
        seedState(scenario.seed, &s);
        s.bReady = true;
    }
    return s;
}

size_t recordSize(const Reply *pReply) {
    return pReply->bytes.size() - kRec;
}

// A list record of header bytes with its count at countOffset (width 4
// or 8) and entries of entrySize: false (rc 11 answered) unless its size
// is exactly that of the capacity it carries.
bool listCapacity(Reply *pReply, size_t header, size_t countOffset, size_t width, size_t entrySize,
                  uint64_t *pCapacity) {
    size_t size = recordSize(pReply);
    std::vector<uint8_t> &out = pReply->bytes;
    uint64_t cap = 0;
    if (size >= header) {
        cap = width == 4 ? get32(out, kRec + countOffset) : get64(out, kRec + countOffset);
    }
    if (size < header || cap > (size - header) / entrySize || header + cap * entrySize != size) {
        answerRecord(pReply, kRcInvalid, 8);
        return false;
    }
    *pCapacity = cap;
    return true;
}

void putCount(std::vector<uint8_t> &out, size_t offset, size_t width, uint64_t count) {
    if (width == 4) {
        put32(out, kRec + offset, static_cast<uint32_t>(count));
    } else {
        put64(out, kRec + offset, count);
    }
}

// Answers the count: true when count entries fit the capacity and are to
// be written; otherwise the header alone goes back with the count the
// driver needs (capacity + 1 under an injected "grow").
bool listFits(const Scenario &scenario, uint32_t code, Reply *pReply, size_t header,
              size_t countOffset, size_t width, uint64_t count, uint64_t capacity) {
    if (findInjected(scenario, code, Failure::Grow) != nullptr) {
        count = capacity + 1;
    }
    putCount(pReply->bytes, countOffset, width, count);
    if (count > capacity) {
        answerRecord(pReply, kRcSuccess, header);
        return false;
    }
    return true;
}

void putMdmEntry(std::vector<uint8_t> &out, size_t base, const Mdm &mdm, size_t ipCapacity) {
    put64(out, base + 8, mdm.id);
    put64(out, base + 16, 0x5DC0 + (mdm.id & 0xFF));
    put64(out, base + 24, 0x1A57C0DE);
    put32(out, base + 32, static_cast<uint32_t>(mdm.numIpsReported));
    for (size_t j = 0; j < std::min(mdm.ips.size(), ipCapacity); j++) {
        memcpy(out.data() + base + 40 + j * kAddr, mdm.ips[j].data(), kAddr);
    }
}

size_t mdmIpCapacity(const Scenario &scenario, uint32_t index) {
    uint32_t slot = slotOf(scenario, index);
    return slot == 1 ? 8 : slot == 2 ? 16 : 0;
}

void queryMdms(const Scenario &scenario, Reply *pReply) {
    size_t ipCap = mdmIpCapacity(scenario, kQueryMdmsIndex);
    size_t entrySize = 40 + ipCap * kAddr;
    uint64_t cap = 0;
    const std::vector<Mdm> &mdms = state(scenario).mdms;
    if (ipCap == 0 || !listCapacity(pReply, 12, 8, 4, entrySize, &cap) ||
        !listFits(scenario, kQueryMdms, pReply, 12, 8, 4, mdms.size(), cap)) {
        return;
    }
    for (size_t i = 0; i < mdms.size(); i++) {
        putMdmEntry(pReply->bytes, kRec + 12 + i * entrySize, mdms[i], ipCap);
    }
    answerRecord(pReply, kRcSuccess, 12 + mdms.size() * entrySize);
}

std::vector<Addr> readIpList(const std::vector<uint8_t> &buf, size_t listBase, size_t ipCap) {
    uint32_t n = std::min<uint32_t>(get32(buf, listBase + 8 + ipCap * kAddr), ipCap);
    std::vector<Addr> ips(n);
    for (uint32_t j = 0; j < n; j++) {
        memcpy(ips[j].data(), buf.data() + listBase + 8 + j * kAddr, kAddr);
    }
    return ips;
}

bool sameAddress(const Addr &a, const Addr &b) {
    return memcmp(a.data(), b.data(), 20) == 0; // address and type
}

void addMdm(const Scenario &scenario, Reply *pReply) {
    size_t ipCap = mdmIpCapacity(scenario, kAddMdmIndex);
    if (ipCap == 0 || recordSize(pReply) != 8 + 12 + ipCap * kAddr) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::vector<Mdm> &mdms = state(scenario).mdms;
    std::vector<Addr> ips = readIpList(pReply->bytes, kRec + 8, ipCap);
    mdms.push_back({0xA000 + mdms.size(), ips, static_cast<int32_t>(ips.size())});
    answerRecord(pReply, kRcSuccess, 8);
}

void modMdm(const Scenario &scenario, Reply *pReply) {
    size_t ipCap = mdmIpCapacity(scenario, kModMdmIndex);
    size_t listSize = 12 + ipCap * kAddr;
    if (ipCap == 0 || recordSize(pReply) != 8 + 2 * listSize) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::vector<Addr> oldIps = readIpList(pReply->bytes, kRec + 8, ipCap);
    std::vector<Addr> newIps = readIpList(pReply->bytes, kRec + 8 + listSize, ipCap);
    for (Mdm &mdm : state(scenario).mdms) {
        for (const Addr &ip : mdm.ips) {
            if (oldIps.size() == 1 && sameAddress(ip, oldIps[0])) {
                mdm.ips = newIps;
                mdm.numIpsReported = static_cast<int32_t>(newIps.size());
                answerRecord(pReply, kRcSuccess, 8);
                return;
            }
        }
    }
    answerRecord(pReply, kRcInvalid, 8);
}

void putConn(std::vector<uint8_t> &out, size_t base, uint64_t i) {
    put32(out, base + 8, static_cast<uint32_t>(1000 + i));
    put32(out, base + 12, static_cast<uint32_t>(2000 + i));
    put32(out, base + 17, 17);
    out[base + 21] = 1;
    put32(out, base + 22, 22);
    put32(out, base + 26, 26);
    for (uint32_t j = 0; j < 8; j++) {
        size_t ip = base + 30 + j * 24;
        put32(out, ip + 8, j % 5); // 4 is no state the tool knows
        put32(out, ip + 12, 100 + j);
        put32(out, ip + 16, j);
        put32(out, ip + 20, j + 1);
    }
}

// count addresses 192.168.x.(j+1), at most 8 written.
void putTgtIps(std::vector<uint8_t> &out, size_t base, uint32_t count, uint8_t x) {
    for (uint32_t j = 0; j < std::min<uint32_t>(count, 8); j++) {
        Addr a = ipv4(192, 168, x, static_cast<uint8_t>(j + 1));
        memcpy(out.data() + base + j * kAddr, a.data(), kAddr);
    }
}

void queryTgts(const Scenario &scenario, Reply *pReply) {
    uint64_t cap = 0;
    uint64_t count = scenario.seed.numTgts;
    if (!listCapacity(pReply, 20, 8, 8, 442, &cap)) {
        return;
    }
    if (!isFlag(get32(pReply->bytes, kRec + 16))) { // extended
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    if (!listFits(scenario, kTgtInfo, pReply, 20, 8, 8, count, cap)) {
        return;
    }
    std::vector<uint8_t> &out = pReply->bytes;
    for (uint64_t i = 0; i < count; i++) {
        size_t base = kRec + 20 + i * 442;
        put64(out, base + 8, 0x7A11);
        put64(out, base + 16, 0x70000 + i);
        put32(out, base + 24, scenario.seed.tgtNumIps);
        putTgtIps(out, base + 28, scenario.seed.tgtNumIps, static_cast<uint8_t>(i));
        putConn(out, base + 220, i);
    }
    answerRecord(pReply, kRcSuccess, 20 + count * 442);
}

void lbaInfo(const Scenario &scenario, Reply *pReply) {
    std::vector<uint8_t> &out = pReply->bytes;
    // The tool asks only about a volume it names: MDM id 0 or volume id 0
    // is no volume.
    if (recordSize(pReply) != 280 || get64(out, kRec + 8) == 0 || get64(out, kRec + 16) == 0) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    uint64_t chunk = get64(out, kRec + 24) / 2048;
    put64(out, kRec + 48, 0x7000 + chunk);
    put64(out, kRec + 56, (uint64_t{5} << 15) | (3 << 10) | (chunk % 1024)); // mh 5, head 3
    put64(out, kRec + 64, 7);
    put64(out, kRec + 72, 9);
    put32(out, kRec + 80, static_cast<uint32_t>(chunk * 2048));
    putTgtIps(out, kRec + 84, scenario.seed.tgtNumIps, 0);
    put32(out, kRec + 276, scenario.seed.tgtNumIps);
    answerRecord(pReply, kRcSuccess, 280);
}

void guid(const Scenario &scenario, uint32_t code, Reply *pReply) {
    if (recordSize(pReply) != 32) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::array<uint8_t, 16> &g = state(scenario).guid;
    std::vector<uint8_t> &out = pReply->bytes;
    if (code == kSetGuid) {
        memcpy(g.data(), out.data() + kRec + 8, 16);
    } else {
        memcpy(out.data() + kRec + 8, g.data(), 16);
        put32(out, kRec + 24, 0xC0FFEE);
        put32(out, kRec + 28, 1700000000);
    }
    answerRecord(pReply, kRcSuccess, 32);
}

void setParam(const Scenario &scenario, Reply *pReply) {
    if (recordSize(pReply) != 76) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    const std::vector<uint8_t> &in = pReply->bytes;
    Param p{get64(in, kRec + 8), textAt(in, kRec + 16, 56), get32(in, kRec + 72)};
    std::vector<Param> &params = state(scenario).params;
    auto it = std::find_if(params.begin(), params.end(),
                           [&](const Param &q) { return q.mdmId == p.mdmId && q.name == p.name; });
    if (it != params.end()) {
        it->value = p.value;
    } else {
        params.push_back(p);
    }
    answerRecord(pReply, kRcSuccess, 8);
}

void queryParams(const Scenario &scenario, Reply *pReply) {
    const std::vector<Param> &params = state(scenario).params;
    uint64_t cap = 0;
    if (!listCapacity(pReply, 16, 8, 8, 76, &cap) ||
        !listFits(scenario, kQueryParams, pReply, 16, 8, 8, params.size(), cap)) {
        return;
    }
    for (size_t i = 0; i < params.size(); i++) {
        size_t base = kRec + 16 + i * 76;
        put64(pReply->bytes, base + 8, params[i].mdmId);
        putText(pReply->bytes, base + 16, 56, params[i].name);
        put32(pReply->bytes, base + 72, params[i].value);
    }
    answerRecord(pReply, kRcSuccess, 16 + params.size() * 76);
}

void setTrace(const Scenario &scenario, Reply *pReply) {
    if (recordSize(pReply) != 125) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    DriverState &s = state(scenario);
    const std::vector<uint8_t> &in = pReply->bytes;
    uint32_t mode = get32(in, kRec + 8);
    std::string freq = textAt(in, kRec + 109, 16);
    uint32_t rc = kRcSuccess;
    if (mode == 0) {
        s.traceMap = textAt(in, kRec + 44, 65);
    } else if (mode == 2) {
        for (TraceComp &c : s.trace) {
            c.freq = freq;
        }
    } else if (mode == 1) {
        std::string name = textAt(in, kRec + 12, 32);
        auto it = std::find_if(s.trace.begin(), s.trace.end(),
                               [&](const TraceComp &c) { return c.name == name; });
        rc = it != s.trace.end() ? kRcSuccess : kRcInvalid;
        if (it != s.trace.end()) {
            it->freq = freq;
        }
    } else {
        rc = kRcInvalid;
    }
    answerRecord(pReply, rc, 8);
}

void queryTrace(const Scenario &scenario, Reply *pReply) {
    const DriverState &s = state(scenario);
    uint64_t cap = 0;
    if (!listCapacity(pReply, 81, 8, 8, 48, &cap) ||
        !listFits(scenario, kQueryTrace, pReply, 81, 8, 8, s.trace.size(), cap)) {
        return;
    }
    putText(pReply->bytes, kRec + 16, 65, s.traceMap);
    for (size_t i = 0; i < s.trace.size(); i++) {
        putText(pReply->bytes, kRec + 81 + i * 48, 32, s.trace[i].name);
        putText(pReply->bytes, kRec + 81 + i * 48 + 32, 16, s.trace[i].freq);
    }
    answerRecord(pReply, kRcSuccess, 81 + s.trace.size() * 48);
}

void queryDiag(const Scenario &scenario, Reply *pReply) {
    uint64_t cap = 0;
    if (!listCapacity(pReply, 32, 8, 4, 64, &cap)) {
        return;
    }
    // The tool asks for every component (an empty filter) and says 0 or 1.
    const uint8_t *pFilter = pReply->bytes.data() + kRec + 16;
    if (!isFlag(get32(pReply->bytes, kRec + 12)) ||
        std::any_of(pFilter, pFilter + 8, [](uint8_t b) { return b != 0; })) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    bool bOnlyExceeded = get32(pReply->bytes, kRec + 12) != 0;
    std::vector<Counter> chosen;
    for (const Counter &c : state(scenario).counters) {
        if (!bOnlyExceeded || c.value > c.threshold) {
            chosen.push_back(c);
        }
    }
    put64(pReply->bytes, kRec + 24, kBadPointer); // the driver's own pointer
    if (!listFits(scenario, kQueryDiag, pReply, 32, 8, 4, chosen.size(), cap)) {
        return;
    }
    for (size_t i = 0; i < chosen.size(); i++) {
        size_t base = kRec + 32 + i * 64;
        put32(pReply->bytes, base, chosen[i].value);
        put32(pReply->bytes, base + 4, chosen[i].threshold);
        putText(pReply->bytes, base + 8, 8, "NET");
        putText(pReply->bytes, base + 16, 32, chosen[i].name);
        put64(pReply->bytes, base + 48, 0xE0 + i);
        put64(pReply->bytes, base + 56, 1000 * i);
    }
    answerRecord(pReply, kRcSuccess, 32 + chosen.size() * 64);
}

// A stage record at base: histogram, statistics, name, counters; all
// counts 0 after a reset.
void putStage(std::vector<uint8_t> &out, size_t base, const std::string &name, uint64_t i,
              bool bZero) {
    uint64_t k = bZero ? 0 : 1;
    put64(out, base + 4, k * (100 + i));
    put64(out, base + 12, k * (1 + i));
    put64(out, base + 20, k * (50 + i));
    const uint64_t stats[] = {10 + i, 40 + i, i, 1000 + i, 300 + 7 * i};
    for (size_t f = 0; f < std::size(stats); f++) {
        put64(out, base + 820 + 8 * f, k * stats[f]);
    }
    putText(out, base + 876, 64, name);
    put64(out, base + 940, k * (11 + i));
    put64(out, base + 948, k * (10 + i));
}

void queryPerf(const Scenario &scenario, Reply *pReply) {
    if (recordSize(pReply) != 22120) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::vector<uint8_t> &out = pReply->bytes;
    const size_t perf = kRec + 8; // the performance stack follows the record header
    bool bZero = state(scenario).bPerfReset;
    uint32_t n = scenario.seed.perfStages;
    for (uint32_t i = 0; i < std::min<uint32_t>(n, 22); i++) {
        putStage(out, perf + i * 956, "stage_" + std::to_string(i), i, bZero);
    }
    putStage(out, perf + 21032, "total", 20, bZero);
    put64(out, perf + 21988 + 32, bZero ? 0 : 99); // ctxSwitchStat: total without samples
    put64(out, perf + 21988 + 8, bZero ? 0 : 3);
    putText(out, perf + 22044, 64, "qorni I/O path");
    put32(out, perf + 22108, n);
    answerRecord(pReply, kRcSuccess, 22120);
}

void queryPes(const Scenario &scenario, Reply *pReply) {
    if (recordSize(pReply) != 10256) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::vector<uint8_t> &out = pReply->bytes;
    put64(out, kRec + 8, scenario.seed.numPes);
    for (uint64_t i = 0; i < std::min<uint64_t>(scenario.seed.numPes, 256); i++) {
        size_t base = kRec + 16 + i * 40;
        put64(out, base, 0x1000 + i);
        put64(out, base + 8, 0x2000 + i);
        put64(out, base + 16, i);
        put64(out, base + 24, i + 1);
        put64(out, base + 32, 2);
    }
    answerRecord(pReply, kRcSuccess, 10256);
}

void queryVvols(const Scenario &scenario, Reply *pReply) {
    if (recordSize(pReply) != 720912) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    std::vector<uint8_t> &out = pReply->bytes;
    put64(out, kRec + 8, scenario.seed.numVvols);
    for (uint64_t i = 0; i < std::min<uint64_t>(scenario.seed.numVvols, 8192); i++) {
        size_t base = kRec + 16 + i * 88;
        const uint64_t fields[] = {0x1000, 0x9000 + i, 0x2000, 1, i};
        for (size_t f = 0; f < std::size(fields); f++) {
            put64(out, base + 8 * f, fields[f]);
        }
        put64(out, base + 56, 4096 * i);
        put64(out, base + 64, i % 3);
        put64(out, base + 72, i % 2);
        put64(out, base + 80, 1);
    }
    answerRecord(pReply, kRcSuccess, 720912);
}

// The commands that carry the record header alone.
void headerOnly(const Scenario &scenario, uint32_t code, Reply *pReply) {
    if (recordSize(pReply) != 8) {
        answerRecord(pReply, kRcInvalid, 8);
        return;
    }
    DriverState &s = state(scenario);
    if (code == kResetDiag) {
        for (Counter &c : s.counters) {
            c.value = 0;
        }
    } else if (code == kResetPerf) {
        s.bPerfReset = true;
    }
    answerRecord(pReply, kRcSuccess, 8);
}

// The driver's commands of the current protocol by code.
struct DriverCmd {
    uint32_t code;
    void (*answer)(const Scenario &scenario, uint32_t code, Reply *pReply);
};

const DriverCmd kDriverCmds[] = {
    {kAddMdm, [](const Scenario &s, uint32_t, Reply *p) { addMdm(s, p); }},
    {kModMdm, [](const Scenario &s, uint32_t, Reply *p) { modMdm(s, p); }},
    {kQueryMdms, [](const Scenario &s, uint32_t, Reply *p) { queryMdms(s, p); }},
    {kTgtInfo, [](const Scenario &s, uint32_t, Reply *p) { queryTgts(s, p); }},
    {kLbaInfo, [](const Scenario &s, uint32_t, Reply *p) { lbaInfo(s, p); }},
    {kSetGuid, guid},
    {kQueryGuid, guid},
    {kSetParam, [](const Scenario &s, uint32_t, Reply *p) { setParam(s, p); }},
    {kQueryParams, [](const Scenario &s, uint32_t, Reply *p) { queryParams(s, p); }},
    {kSetTrace, [](const Scenario &s, uint32_t, Reply *p) { setTrace(s, p); }},
    {kQueryTrace, [](const Scenario &s, uint32_t, Reply *p) { queryTrace(s, p); }},
    {kQueryDiag, [](const Scenario &s, uint32_t, Reply *p) { queryDiag(s, p); }},
    {kQueryPerf, [](const Scenario &s, uint32_t, Reply *p) { queryPerf(s, p); }},
    {kQueryPes, [](const Scenario &s, uint32_t, Reply *p) { queryPes(s, p); }},
    {kQueryVvols, [](const Scenario &s, uint32_t, Reply *p) { queryVvols(s, p); }},
    {kRescan, headerOnly},
    {kResetDiag, headerOnly},
    {kDumpMemTracker, headerOnly},
    {kResetMemTracker, headerOnly},
    {kResetPerf, headerOnly},
};

const DriverCmd *findDriverCommand(uint32_t code) {
    for (const DriverCmd &cmd : kDriverCmds) {
        if (cmd.code == code) {
            return &cmd;
        }
    }
    return nullptr;
}

} // namespace

bool isDriverCommand(uint32_t code) {
    return findDriverCommand(code) != nullptr;
}

bool driverCommand(const Scenario &scenario, uint32_t code, Reply *pReply) {
    const DriverCmd *pCmd = findDriverCommand(code);
    if (pCmd == nullptr) {
        return false;
    }
    pCmd->answer(scenario, code, pReply);
    return true;
}

namespace {

void queryMdmsV130(const Scenario &scenario, size_t inLen, Reply *pReply) {
    std::vector<uint8_t> &out = pReply->bytes;
    size_t outCap = out.size() - kRec;
    uint32_t cap = inLen == 4 ? get32(out, kRec) : 0;
    const std::vector<Mdm> &mdms = state(scenario).mdms;
    if (inLen != 4 || outCap != 4 + 64 * static_cast<uint64_t>(cap)) {
        out.resize(kRec); // nothing answered
        return;
    }
    uint64_t count = findInjected(scenario, kQueryMdmsV130, Failure::Grow) ? cap + 1u : mdms.size();
    put32(out, kRec, static_cast<uint32_t>(count));
    if (count > cap) {
        out.resize(kRec + 4);
        return;
    }
    for (size_t i = 0; i < mdms.size(); i++) {
        size_t base = kRec + 4 + i * 64;
        put64(out, base, mdms[i].id);
        put64(out, base + 8, 0x5DC0 + (mdms[i].id & 0xFF));
        put64(out, base + 16, 0x1A57C0DE);
        put32(out, base + 24, static_cast<uint32_t>(mdms[i].numIpsReported));
        for (size_t j = 0; j < std::min<size_t>(mdms[i].ips.size(), 8); j++) {
            memcpy(out.data() + base + 32 + 4 * j, mdms[i].ips[j].data(), 4);
        }
    }
    out.resize(kRec + 4 + mdms.size() * 64);
}

// 72 bytes in, nothing out: the current address's MDM takes the new list.
void modMdmV130(const Scenario &scenario, Reply *pReply) {
    std::vector<uint8_t> &buf = pReply->bytes;
    bool bDone = false;
    if (get32(buf, kRec + 32) == 1) {
        Addr old = ipv4(buf[kRec], buf[kRec + 1], buf[kRec + 2], buf[kRec + 3]);
        std::vector<Addr> ips;
        for (uint32_t j = 0; j < std::min<uint32_t>(get32(buf, kRec + 68), 8); j++) {
            size_t at = kRec + 36 + 4 * j;
            ips.push_back(ipv4(buf[at], buf[at + 1], buf[at + 2], buf[at + 3]));
        }
        for (Mdm &mdm : state(scenario).mdms) {
            if (!bDone && std::any_of(mdm.ips.begin(), mdm.ips.end(),
                                      [&](const Addr &a) { return sameAddress(a, old); })) {
                mdm.ips = ips;
                mdm.numIpsReported = static_cast<int32_t>(ips.size());
                bDone = true;
            }
        }
    }
    buf.resize(bDone ? kRec : 0); // under 8 bytes back is a failed command
}

} // namespace

bool driverCommandV130(const Scenario &scenario, uint32_t code, size_t inLen, size_t outLen,
                       Reply *pReply) {
    // The lengths each command is sent with: 72 bytes in and none out to
    // change an MDM's addresses, none in and 24 out for the GUID.
    if ((code == kModMdmV130 && (inLen != 72 || outLen != 0)) ||
        (code == kQueryGuidV130 && (inLen != 0 || outLen != 24))) {
        pReply->win32Error = kErrInvalidParameter;
    } else if (code == kQueryMdmsV130) {
        queryMdmsV130(scenario, inLen, pReply);
    } else if (code == kModMdmV130) {
        modMdmV130(scenario, pReply);
    } else if (code == kQueryGuidV130) {
        const std::array<uint8_t, 16> &g = state(scenario).guid;
        memcpy(pReply->bytes.data() + kRec, g.data(), 16);
        put32(pReply->bytes, kRec + 16, 0xC0FFEE);
        put32(pReply->bytes, kRec + 20, 1700000000);
        pReply->bytes.resize(kRec + 24);
    } else {
        return false;
    }
    return true;
}

} // namespace emu
