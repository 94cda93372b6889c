// Binary trace records and the binary trace file header (little-endian,
// packed). A reader recovers the message from its id, the function from
// the CRC of its name and the arguments from their tagged encoding.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

inline constexpr uint32_t MOS_TRACE_BIN_ARGS_CAPACITY = 1017;
inline constexpr uint8_t MOS_TRACE_BIN_KIND_MSG = 0;
inline constexpr uint8_t MOS_TRACE_BIN_KIND_HEADER = 1;
inline constexpr char MOS_TRACE_BUILD_TEXT[] = "3.0.1000.208";

// Argument tags: bits 0-1 the value type, bit 7 a width from the arguments.
enum : uint8_t {
    MOS_TRACE_ARG_INT = 0,
    MOS_TRACE_ARG_CHAR = 1,
    MOS_TRACE_ARG_STRING = 2,
    MOS_TRACE_ARG_DOUBLE = 3,
    MOS_TRACE_ARG_HAS_WIDTH = 0x80,
};

#pragma pack(push, 1)
struct MosTraceBinMsg {
    uint32_t crc; // CRC-32C of the whole record with this field 0
    uint8_t kind;
    uint16_t length; // 36 + argument bytes
    uint64_t umtHandle;
    uint16_t year;
    uint16_t monthDayHour; // bits 0-3 month, 4-8 day, 9-13 hour
    uint16_t minuteSecond; // bits 0-5 minute, 6-11 second
    uint32_t microseconds; // bits 0-19
    uint32_t msgId;
    uint32_t funcId;
    uint16_t lineNum;
    uint8_t numArgs;
    uint8_t args[MOS_TRACE_BIN_ARGS_CAPACITY];
};

struct MosTraceBinFileHeader {
    uint32_t crc; // CRC-32C of the 35 bytes with this field 0
    uint8_t kind;
    uint16_t length; // 35
    uint32_t tag;
    char build[24];
};
#pragma pack(pop)

static_assert(offsetof(MosTraceBinMsg, kind) == 4);
static_assert(offsetof(MosTraceBinMsg, length) == 5);
static_assert(offsetof(MosTraceBinMsg, umtHandle) == 7);
static_assert(offsetof(MosTraceBinMsg, year) == 15);
static_assert(offsetof(MosTraceBinMsg, monthDayHour) == 17);
static_assert(offsetof(MosTraceBinMsg, minuteSecond) == 19);
static_assert(offsetof(MosTraceBinMsg, microseconds) == 21);
static_assert(offsetof(MosTraceBinMsg, msgId) == 25);
static_assert(offsetof(MosTraceBinMsg, funcId) == 29);
static_assert(offsetof(MosTraceBinMsg, lineNum) == 33);
static_assert(offsetof(MosTraceBinMsg, numArgs) == 35);
static_assert(offsetof(MosTraceBinMsg, args) == 36);
static_assert(sizeof(MosTraceBinMsg) == 36 + MOS_TRACE_BIN_ARGS_CAPACITY);
static_assert(offsetof(MosTraceBinFileHeader, tag) == 7);
static_assert(offsetof(MosTraceBinFileHeader, build) == 11);
static_assert(sizeof(MosTraceBinFileHeader) == 35);

struct MosLocalTime;

// Encodes the arguments of pFormat (without its "TVX_TRACE" prefix) into
// pDst; returns the bytes used and stores the count in *pNumArgs. A string
// that does not fit is cut (its NUL kept); an argument whose tag no longer
// fits ends the encoding. A conversion outside d i o u x X p c s a A e E f
// F g G (and %%) is a broken invariant.
uint32_t mosTrace_EncodeBinArgs(uint8_t *pDst, uint32_t dstCapacity, const char *pFormat,
                                va_list args, uint8_t *pNumArgs);

// Builds a complete record for the given time and thread; returns its
// length. The trace call passes the current local time.
uint32_t mosTrace_BuildBinMsg(MosTraceBinMsg *pMsg, const MosLocalTime *pTime, uint64_t umtHandle,
                              uint32_t msgId, const char *pFunc, uint32_t line, const char *pFormat,
                              va_list args);

// Fills the 35-byte header with the given tag.
void mosTrace_BuildBinFileHeader(MosTraceBinFileHeader *pHeader, uint32_t tag);
