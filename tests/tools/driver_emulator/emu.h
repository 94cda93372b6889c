// The driver emulator: a stand-in storage-client driver behind the device
// stand-in's socket. It keeps its own view of the command protocol: every
// record is read and written at explicit byte offsets, with no record
// declarations in common with the tools it serves, so a layout error on
// either side shows instead of cancelling out.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emu {

// Win32 errors the emulated device answers with.
inline constexpr uint32_t kErrInvalidFunction = 1;
inline constexpr uint32_t kErrAccessDenied = 5;
inline constexpr uint32_t kErrGenFailure = 31;
inline constexpr uint32_t kErrInvalidParameter = 87;

// Return codes the emulated driver writes.
inline constexpr uint32_t kRcSuccess = 65;
inline constexpr uint32_t kRcInvalid = 11;

inline constexpr uint32_t kIoctlCode = 0x4D038;
inline constexpr uint32_t kVectorNone = 0xFFFFFFFFu;
inline constexpr uint32_t kQueryVolsIndex = 13;

// Which driver generation the emulator plays.
enum class Generation {
    V130,    // v1.30 only: the current protocol's codes fail
    V200,    // current protocol without QUERY_CMD_VECTOR
    Vector,  // answers QUERY_CMD_VECTOR with the configured vector
    Growing, // QUERY_CMD_VECTOR reports the configured counts in turn
};

// A failure injected into the requests of one command code: every one, or
// only the nth over the emulator's life (sessions included), so a client's
// recovery from a single failure can be watched.
struct Failure {
    enum Kind { Call, Rc, Short, Grow } kind;
    uint32_t code;
    uint32_t value;   // Rc: the rc; Short: total bytes returned
    uint32_t nth = 0; // 1-based request of that code; 0: every request
};

// The driver's configuration and statistics as the emulator starts with
// them (command line); set-commands change the emulator's copy, which
// outlives sessions, so a later query shows the change.
struct DriverSeed {
    uint32_t numMdms = 0;
    bool bMdmNumIps = false; // true: every MDM reports mdmNumIps addresses (even < 0)
    int32_t mdmNumIps = 0;   // otherwise MDM i has i % 3 + 1
    uint32_t numTgts = 0;
    uint32_t tgtNumIps = 2;
    std::string guidHex = "00112233445566778899AABBCCDDEEFF"; // 16 bytes in storage order
    uint32_t numParams = 0;
    std::vector<std::pair<std::string, uint32_t>> params; // driver-wide, after the generated
    uint32_t numTraceComps = 3;
    std::string traceMap = "0123456789abcdef";
    uint32_t numDiagCounters = 3;
    uint32_t perfStages = 2;
    uint64_t numPes = 0;
    uint64_t numVvols = 0;
};

struct Scenario {
    Generation generation = Generation::V200;
    DriverSeed seed;
    std::string versionText = "qorni 3.0.0 (emulated)";
    std::vector<uint32_t> vector;       // the command-version vector
    std::vector<uint32_t> vectorCounts; // Growing: the counts in turn
    uint64_t numVols = 0;
    std::vector<Failure> failures;
};

// One I/O control's answer.
struct Reply {
    uint32_t win32Error = 0;
    std::vector<uint8_t> bytes; // what the device writes into the output
};

// Requests seen per command code over the emulator's life.
struct EmulatorLife {
    std::map<uint32_t, uint32_t> requestsByCode;
};

// Answers one device I/O control. pState counts the session's vector
// queries and, through pLife, every request by code.
struct DeviceState {
    uint32_t vectorQueries = 0;
    EmulatorLife *pLife = nullptr;
};
Reply handleIoctl(const Scenario &scenario, DeviceState *pState, uint32_t ioctlCode,
                  const std::vector<uint8_t> &input, uint32_t outCapacity);

// Little-endian accessors at explicit offsets.
inline void put32(std::vector<uint8_t> &buf, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; i++) {
        buf[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}
inline void put64(std::vector<uint8_t> &buf, size_t offset, uint64_t value) {
    for (int i = 0; i < 8; i++) {
        buf[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}
inline uint32_t get32(const std::vector<uint8_t> &buf, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; i--) {
        value = (value << 8) | buf[offset + i];
    }
    return value;
}
inline uint64_t get64(const std::vector<uint8_t> &buf, size_t offset) {
    return get32(buf, offset) | (static_cast<uint64_t>(get32(buf, offset + 4)) << 32);
}

// A boolean field of a request: the tools send 0 or 1, nothing else.
inline bool isFlag(uint32_t value) {
    return value <= 1;
}

// The driver's own commands (emu_driver_cmds.cpp): false for a code they
// do not cover. driverCommand answers current-protocol records in place
// (pReply->bytes holds the frame as sent, sized to the output capacity);
// driverCommandV130 answers v1.30 frames of inLen input bytes and outLen
// output bytes (a malformed one with a Win32 error).
bool driverCommand(const Scenario &scenario, uint32_t code, Reply *pReply);
// True for a code driverCommand answers.
bool isDriverCommand(uint32_t code);
bool driverCommandV130(const Scenario &scenario, uint32_t code, size_t inLen, size_t outLen,
                       Reply *pReply);

// Writes a reply's rc and cuts it to recordBytes record bytes.
void answerRecord(Reply *pReply, uint32_t rc, size_t recordBytes);
// The failure of the given kind injected for code, if any.
const Failure *findInjected(const Scenario &scenario, uint32_t code, Failure::Kind kind);
// The version slot the driver serves a command index at (kVectorNone: not
// offered).
uint32_t slotOf(const Scenario &scenario, uint32_t index);

// The debug pass-through (emu_sdbg.cpp): starts the runtime library whose
// registered objects the pass-through serves, and answers one pass-through
// frame (command header, then a debug-port request) into pReply; false
// when the request is refused.
inline constexpr uint32_t kSdbgRequest = 0xEA7FCE30;
bool startRuntime();
bool sdbgPassThrough(const std::vector<uint8_t> &input, Reply *pReply);

} // namespace emu
