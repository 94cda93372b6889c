// The storage-client driver's command protocol: the one device I/O
// control, its frame, the record header of the current protocol, the
// command codes and the command indices with their version slots.
//
// One buffer is input and output of the I/O control: an 8-byte command
// header (the 32-bit code sign-extended to 64 bits) followed by the
// command's record. All fields are little-endian; records are packed.
#pragma once

#include <cstddef>
#include <cstdint>

// IOCTL_MINIPORT_PROCESS_SERVICE_IRP: the control code every command uses.
inline constexpr uint32_t QORNI_IOCTL_CODE = 0x4D038;

// The device-interface class of the driver:
// {CC9BA7B0-6D22-4016-81C5-3369F0A163C4}.
struct QorniGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
inline constexpr QorniGuid QORNI_INTERFACE_GUID = {
    0xCC9BA7B0, 0x6D22, 0x4016, {0x81, 0xC5, 0x33, 0x69, 0xF0, 0xA1, 0x63, 0xC4}};

enum QorniCode : uint32_t {
#define QORNI_CODE(name, code, requestName) QORNI_CODE__##name = code,
#include "qorni_codes.def"
#undef QORNI_CODE
};

// The request name of a code (null for codes sent without one or unknown).
const char *qorni_CodeRequestName(uint32_t code);

// Command indices; QORNI_NUM_CMDS of them.
enum QorniCmdIndex : uint32_t {
#define QORNI_CMD(index, name, text, slots, v130, v200) QORNI_CMD__##name = index,
#include "qorni_cmds.def"
#undef QORNI_CMD
};
inline constexpr uint32_t QORNI_NUM_CMDS = 28;

// Version slots of a handler table and entries of a command-version vector.
inline constexpr uint32_t QORNI_SLOT_V130 = 0;
inline constexpr uint32_t QORNI_SLOT_V200 = 1;
inline constexpr uint32_t QORNI_SLOT_V201 = 2;
inline constexpr uint32_t QORNI_SLOT_V300 = 3;
inline constexpr uint32_t QORNI_SLOT_NONE = 0xFFFFFFFFu;

// Per index: the name the version-mismatch message prints, the number of
// slots and the built-in v1.30 and v2.00 vector entries.
struct QorniCmdInfo {
    const char *pName;
    uint32_t slotCount;
    uint32_t builtinV130;
    uint32_t builtinV200;
};
// Null for an index of QORNI_NUM_CMDS or more.
const QorniCmdInfo *qorni_CmdInfo(uint32_t index);

// Driver version texts are at most this many characters, NUL included.
inline constexpr size_t QORNI_VERSION_TEXT_SIZE = 50;

#pragma pack(push, 1)

// Bytes 0-7 of every frame.
struct QorniIoctlHeader {
    int64_t code; // the 32-bit command code, sign-extended
};
static_assert(sizeof(QorniIoctlHeader) == 8);

// Bytes 0-7 of every current-protocol record.
struct QorniCmdRecordHeader {
    uint32_t rc;       // preset to MOS_RC__SUCCESS, written by the driver
    uint32_t reserved; // sent as the caller set it
};
static_assert(sizeof(QorniCmdRecordHeader) == 8);
static_assert(offsetof(QorniCmdRecordHeader, rc) == 0);

struct QorniQueryVersionRecord {
    QorniCmdRecordHeader hdr;
    char version[QORNI_VERSION_TEXT_SIZE];
};
static_assert(sizeof(QorniQueryVersionRecord) == 58);
static_assert(offsetof(QorniQueryVersionRecord, version) == 8);

// QUERY_CMD_VECTOR: this header, then u32 entries[capacity].
struct QorniCmdVectorRecord {
    QorniCmdRecordHeader hdr;
    uint32_t count; // in: capacity; out: the driver's vector length
};
static_assert(sizeof(QorniCmdVectorRecord) == 12);
static_assert(offsetof(QorniCmdVectorRecord, count) == 8);

#pragma pack(pop)

// The frame's command header: the code sign-extended to 64 bits.
inline int64_t qorni_FrameCode(uint32_t code) {
    return static_cast<int64_t>(static_cast<int32_t>(code));
}
