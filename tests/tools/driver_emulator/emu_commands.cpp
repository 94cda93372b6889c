// The emulated driver's commands. Offsets are bytes from the start of the
// output buffer: the 8-byte command code, then the command's record.
#include "emu.h"

#include <algorithm>
#include <cstring>

namespace emu {
namespace {

constexpr uint32_t kIsQorni = 0xEA7FCE48;
constexpr uint32_t kQueryVersion = 0xEA7FCE5C;
constexpr uint32_t kQueryCmdVector = 0xEA7FCE78;
constexpr uint32_t kQueryVolsV200 = 0xEA7FCE40;
constexpr uint32_t kQueryVolsV201 = 0xEA7FCE7C;
constexpr uint32_t kIsQorniV130 = 0xEA7FFEA8;
constexpr uint32_t kQueryVersionV130 = 0xEA7FFEBC;

constexpr size_t kRec = 8;         // the record's first byte in the frame
constexpr size_t kVolHeader = 20;  // rc, reserved, u64 count, u32 extended
constexpr size_t kVersionLen = 50; // version text bytes

// Fields of a volume entry at or after 28 whose value is their offset
// (or, for the booleans, (offset / 4) % 2) so that a reader's layout error
// prints a wrong number. {offset, width in bytes (8: u64), boolean}.
struct VolField {
    uint32_t offset;
    uint32_t width;
    bool bBool;
};
constexpr VolField kV201Fields[] = {
    {28, 4, false},  {32, 4, false},  {36, 4, false},  {40, 4, false},  {44, 8, false},
    {52, 4, false},  {56, 4, true},   {60, 4, true},   {64, 4, false},  {68, 4, false},
    {72, 4, false},  {76, 4, false},  {80, 8, false},  {88, 4, false},  {92, 4, true},
    {96, 4, true},   {100, 4, false}, {104, 4, false}, {108, 4, false}, {112, 4, false},
    {116, 8, false}, {124, 8, false}, {132, 4, true},  {136, 4, true},  {140, 4, false},
    {144, 4, true},  {148, 4, true},  {152, 4, true},  {156, 4, true},  {160, 4, true},
    {180, 4, true},
};
constexpr VolField kV300Fields[] = {
    {208, 4, false}, {212, 4, false}, {216, 8, false}, {224, 8, false},
    {232, 4, false}, {236, 4, false}, {240, 4, false}, {244, 4, false},
    {248, 4, false}, {252, 4, false}, {256, 4, false}, {260, 4, false},
};

void putFields(std::vector<uint8_t> &out, size_t base, const VolField *pFields, size_t count) {
    for (size_t i = 0; i < count; i++) {
        const VolField &f = pFields[i];
        uint32_t value = f.bBool ? (f.offset / 4) % 2 : f.offset;
        if (f.width == 8) {
            put64(out, base + f.offset, value);
        } else {
            put32(out, base + f.offset, value);
        }
    }
}

// The operating-system part at 188, by the entry's osType at 184.
void putOsPart(std::vector<uint8_t> &out, size_t base, uint32_t osType) {
    if (osType == 1) {
        for (uint32_t offset = 188; offset <= 204; offset += 4) {
            put32(out, base + offset, offset);
        }
    } else if (osType == 2 || osType == 3) {
        put64(out, base + 188, 188);
    }
    if (osType == 3) {
        for (uint32_t offset = 196; offset <= 204; offset += 4) {
            put32(out, base + offset, offset);
        }
    }
}

// Volume i: mdm 0x7A11 + i % 3, volume 0xC0DE0000 + i, bypass on odd i,
// osType i % 6 (0 and 5 are unknown types).
void putVolume(std::vector<uint8_t> &out, size_t base, size_t entrySize, uint64_t i) {
    put64(out, base + 8, 0x7A11 + i % 3);
    put64(out, base + 16, 0xC0DE0000 + i);
    put32(out, base + 24, static_cast<uint32_t>(i % 2));
    if (entrySize >= 208) {
        putFields(out, base, kV201Fields, std::size(kV201Fields));
        uint32_t osType = static_cast<uint32_t>(i % 6);
        put32(out, base + 184, osType);
        putOsPart(out, base, osType);
    }
    if (entrySize >= 264) {
        putFields(out, base, kV300Fields, std::size(kV300Fields));
    }
}

// nth: which request of this code is being answered (0 when not counted).
const Failure *findFailure(const Scenario &scenario, uint32_t code, Failure::Kind kind,
                           uint32_t nth = 0) {
    for (const Failure &f : scenario.failures) {
        if (f.code == code && f.kind == kind && (f.nth == 0 || f.nth == nth)) {
            return &f;
        }
    }
    return nullptr;
}

// A current-protocol reply of recordBytes record bytes with rc set. A
// record too short for its rc grows to hold it; the frame is cut to the
// output capacity before it goes back.
void answer(Reply *pReply, uint32_t rc, size_t recordBytes) {
    pReply->bytes.resize(std::max(pReply->bytes.size(), kRec + 4));
    put32(pReply->bytes, kRec, rc);
    pReply->bytes.resize(std::min(pReply->bytes.size(), kRec + std::max<size_t>(recordBytes, 4)));
}

} // namespace

void answerRecord(Reply *pReply, uint32_t rc, size_t recordBytes) {
    answer(pReply, rc, recordBytes);
}

const Failure *findInjected(const Scenario &scenario, uint32_t code, Failure::Kind kind) {
    return findFailure(scenario, code, kind);
}

uint32_t slotOf(const Scenario &scenario, uint32_t index) {
    switch (scenario.generation) {
        case Generation::V130:
            return 0;
        case Generation::V200:
            return 1;
        default:
            return index < scenario.vector.size() ? scenario.vector[index] : kVectorNone;
    }
}

namespace {

// The entry size the driver serves a volume code with; 0 when it does not
// know the code.
size_t volEntrySize(const Scenario &scenario, uint32_t code) {
    if (code == kQueryVolsV200) {
        return 28;
    }
    bool bHasVector =
        scenario.generation == Generation::Vector || scenario.generation == Generation::Growing;
    if (code != kQueryVolsV201 || !bHasVector || scenario.vector.size() <= kQueryVolsIndex) {
        return 0;
    }
    uint32_t slot = scenario.vector[kQueryVolsIndex];
    return slot == 2 ? 208 : slot == 3 ? 264 : 0;
}

void queryVolumes(const Scenario &scenario, size_t entrySize, uint32_t code, Reply *pReply) {
    std::vector<uint8_t> &out = pReply->bytes;
    size_t recordSize = out.size() - kRec;
    uint64_t capacity = recordSize >= kVolHeader ? get64(out, kRec + 8) : 0;
    // The record must be exactly as large as the capacity it announces at
    // this version's entry size, and its extended flag 0 or 1.
    if (recordSize < kVolHeader || capacity > (recordSize - kVolHeader) / entrySize ||
        kVolHeader + capacity * entrySize != recordSize || !isFlag(get32(out, kRec + 16))) {
        answer(pReply, kRcInvalid, 8);
        return;
    }
    if (findFailure(scenario, code, Failure::Grow) != nullptr || scenario.numVols > capacity) {
        put64(out, kRec + 8,
              findFailure(scenario, code, Failure::Grow) ? capacity + 1 : scenario.numVols);
        answer(pReply, kRcSuccess, kVolHeader);
        return;
    }
    put64(out, kRec + 8, scenario.numVols);
    std::fill(out.begin() + kRec + kVolHeader, out.end(), 0);
    for (uint64_t i = 0; i < scenario.numVols; i++) {
        putVolume(out, kRec + kVolHeader + i * entrySize, entrySize, i);
    }
    answer(pReply, kRcSuccess, kVolHeader + scenario.numVols * entrySize);
}

void queryCmdVector(const Scenario &scenario, DeviceState *pState, Reply *pReply) {
    std::vector<uint8_t> &out = pReply->bytes;
    size_t recordSize = out.size() - kRec;
    uint32_t capacity = recordSize >= 12 ? get32(out, kRec + 8) : 0;
    if (recordSize < 12 || recordSize != 12 + 4 * static_cast<uint64_t>(capacity)) {
        answer(pReply, kRcInvalid, 8);
        return;
    }
    uint32_t count = static_cast<uint32_t>(scenario.vector.size());
    if (scenario.generation == Generation::Growing && !scenario.vectorCounts.empty()) {
        size_t turn = std::min<size_t>(pState->vectorQueries, scenario.vectorCounts.size() - 1);
        count = scenario.vectorCounts[turn];
    }
    pState->vectorQueries++;
    put32(out, kRec + 8, count);
    if (count > capacity) {
        answer(pReply, kRcSuccess, 12);
        return;
    }
    for (uint32_t i = 0; i < count; i++) {
        put32(out, kRec + 12 + 4 * i,
              i < scenario.vector.size() ? scenario.vector[i] : kVectorNone);
    }
    answer(pReply, kRcSuccess, 12 + 4 * size_t{count});
}

void putVersionText(const Scenario &scenario, std::vector<uint8_t> &out, size_t offset) {
    std::fill(out.begin() + offset, out.begin() + offset + kVersionLen, 0);
    memcpy(out.data() + offset, scenario.versionText.data(),
           std::min(scenario.versionText.size(), kVersionLen - 1));
}

// Whether the driver knows a code of the current protocol.
bool knowsCurrentCode(const Scenario &scenario, uint32_t code) {
    if (scenario.generation == Generation::V130) {
        return false;
    }
    return code == kIsQorni || code == kQueryVersion ||
           (code == kQueryCmdVector && scenario.generation != Generation::V200) ||
           volEntrySize(scenario, code) != 0 || isDriverCommand(code);
}

// The rc every sender presets to success; a record without it is refused
// before the command acts. A frame without a record (the viewer's probe)
// has none to check.
bool presetIsSuccess(const Reply &reply) {
    size_t recordSize = reply.bytes.size() - kRec;
    return recordSize == 0 || (recordSize >= 4 && get32(reply.bytes, kRec) == kRcSuccess);
}

// Commands of the current protocol; false for a code the driver does not
// know.
bool currentCommand(const Scenario &scenario, DeviceState *pState, uint32_t code, Reply *pReply) {
    if (!knowsCurrentCode(scenario, code)) {
        return false;
    }
    size_t recordSize = pReply->bytes.size() - kRec;
    if (!presetIsSuccess(*pReply)) {
        answer(pReply, kRcInvalid, 8);
    } else if (code == kIsQorni && recordSize == 0) {
        // The probe as the viewer sends it: the command header alone, with
        // no record to answer in; the call's success is the answer.
    } else if (code == kIsQorni) {
        answer(pReply, recordSize == 8 ? kRcSuccess : kRcInvalid, 8);
    } else if (code == kQueryVersion) {
        if (recordSize == 8 + kVersionLen) {
            putVersionText(scenario, pReply->bytes, kRec + 8);
        }
        answer(pReply, recordSize == 8 + kVersionLen ? kRcSuccess : kRcInvalid, recordSize);
    } else if (code == kQueryCmdVector) {
        queryCmdVector(scenario, pState, pReply);
    } else if (size_t entrySize = volEntrySize(scenario, code)) {
        queryVolumes(scenario, entrySize, code, pReply);
    } else {
        (void)driverCommand(scenario, code, pReply);
    }
    return true;
}

} // namespace

Reply handleIoctl(const Scenario &scenario, DeviceState *pState, uint32_t ioctlCode,
                  const std::vector<uint8_t> &input, uint32_t outCapacity) {
    Reply reply;
    if (ioctlCode != kIoctlCode) {
        reply.win32Error = kErrInvalidFunction;
        return reply;
    }
    uint64_t frameCode = input.size() >= 8 ? get64(input, 0) : 0;
    auto code = static_cast<uint32_t>(frameCode);
    bool bSignExtended =
        frameCode == static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(code)));
    if (input.size() < 8 || outCapacity < 8 || !bSignExtended) {
        reply.win32Error = kErrInvalidParameter;
        return reply;
    }
    uint32_t nth = pState->pLife != nullptr ? ++pState->pLife->requestsByCode[code] : 0;
    if (findFailure(scenario, code, Failure::Call, nth) != nullptr) {
        reply.win32Error = kErrGenFailure;
        return reply;
    }
    reply.bytes = input;
    reply.bytes.resize(std::max<size_t>(outCapacity, input.size()));
    bool bKnown = true;
    if (code == kIsQorniV130 || code == kQueryVersionV130) {
        // No input; no output, or the version text.
        size_t outLen = code == kIsQorniV130 ? 0 : kVersionLen;
        if (input.size() != 8 || outCapacity != 8 + outLen) {
            reply.bytes.clear();
            reply.win32Error = kErrInvalidParameter;
            return reply;
        }
        if (outLen != 0) {
            putVersionText(scenario, reply.bytes, kRec);
        }
        reply.bytes.resize(8 + outLen);
    } else if (driverCommandV130(scenario, code, input.size() - 8, outCapacity - 8, &reply)) {
        if (reply.win32Error != 0) {
            reply.bytes.clear();
            return reply;
        }
    } else if (input.size() != outCapacity) {
        bKnown = false; // the current protocol sends one buffer both ways
    } else if (code == kSdbgRequest) {
        bKnown = sdbgPassThrough(input, &reply);
    } else {
        bKnown = currentCommand(scenario, pState, code, &reply);
    }
    if (!bKnown) {
        reply.bytes.clear();
        reply.win32Error = kErrInvalidFunction;
        return reply;
    }
    if (const Failure *pRc = findFailure(scenario, code, Failure::Rc, nth)) {
        reply.bytes.resize(std::max<size_t>(reply.bytes.size(), kRec + 4));
        put32(reply.bytes, kRec, pRc->value);
    }
    if (const Failure *pShort = findFailure(scenario, code, Failure::Short, nth)) {
        reply.bytes.resize(std::min<size_t>(reply.bytes.size(), pShort->value));
    }
    reply.bytes.resize(std::min<size_t>(reply.bytes.size(), outCapacity));
    return reply;
}

} // namespace emu
