// The debug ("sdbg") port protocol: the records on the wire and the two
// size tables that client and server share.
//
// All integers are u32 little-endian with no gaps. A request is an
// SdbgMsgHeader followed by sizeOfRequestMsg payload bytes starting with
// the request type. A response has no header: a status word, the body,
// then 0xFF bytes up to exactly sizeOfExpectedResponseMsg.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t SDBG_MSG_MAGIC = 0x8DB9ABDE;
inline constexpr uint32_t SDBG_OBJ_LIST_END = 0x0FFFFFF0;
inline constexpr uint32_t SDBG_MAX_REQ_OBJS = 10;
inline constexpr uint32_t SDBG_MAX_CMD_ARGS = 10;
inline constexpr uint32_t SDBG_CMD_ARG_SIZE = 64;
inline constexpr uint32_t SDBG_PAD_BYTE = 0xFF;

enum : uint32_t {
    SDBG_REQ_TYPE__OBJ_COUNT = 1,
    SDBG_REQ_TYPE__ALL_OBJS = 2,
    SDBG_REQ_TYPE__SERVER_TYPE = 3,
    SDBG_REQ_TYPE__OBJS_BY_INDEX = 4,
    SDBG_REQ_TYPE__UNSUPPORTED = 5,
    SDBG_REQ_TYPE__OBJ_COMMAND = 6,
};

enum : uint32_t {
    SDBG_STATUS__OK = 1,
    SDBG_STATUS__UNKNOWN_REQ_TYPE = 2,
    SDBG_STATUS__RESPONSE_TOO_SMALL = 3,
    SDBG_STATUS__NOT_FOUND = 4,
    SDBG_STATUS__BAD_OBJ_COUNT = 6,
};

#pragma pack(push, 1)
struct SdbgMsgHeader {
    uint32_t magic;
    uint32_t sizeOfRequestMsg;          // payload bytes after this header
    uint32_t sizeOfExpectedResponseMsg; // exact response length the client reads
};

struct SdbgObjRecordHeader {
    uint32_t typeId;
    uint32_t index;
    uint32_t size; // query-structure bytes that follow
};

struct SdbgObjListTrailer {
    uint32_t listEnd; // SDBG_OBJ_LIST_END
    uint32_t numRecords;
    uint32_t zero;
};

// Payload of SDBG_REQ_TYPE__OBJ_COMMAND before its argument fields.
struct SdbgObjCommandReq {
    uint32_t reqType;
    uint32_t command;
    uint32_t typeId;
    uint32_t index;
    uint32_t argc;
};
#pragma pack(pop)

static_assert(sizeof(SdbgMsgHeader) == 12);
static_assert(offsetof(SdbgMsgHeader, sizeOfExpectedResponseMsg) == 8);
static_assert(sizeof(SdbgObjRecordHeader) == 12);
static_assert(sizeof(SdbgObjListTrailer) == 12);
static_assert(sizeof(SdbgObjCommandReq) == 20);
static_assert(offsetof(SdbgObjCommandReq, argc) == 16);

// The largest request payload a client sends: the command request as the
// viewer builds it, a fixed body of 660 bytes (five words and ten argument
// fields) plus one more field per argument. Every other request is
// smaller; the server refuses payloads above this.
inline constexpr uint32_t SDBG_MAX_REQ_SIZE =
    sizeof(SdbgObjCommandReq) + 2 * SDBG_MAX_CMD_ARGS * SDBG_CMD_ARG_SIZE;
static_assert(SDBG_MAX_REQ_SIZE == 1300);

// Query-structure size of an object type id; 0 outside 2..175.
uint32_t sdbg_GetObjQuerySize(uint32_t typeId);

// Response bytes a full answer needs, as a 64-bit value that cannot wrap:
// types 1 and 3: 8; type 2: count x (query size of pTypeIds[0] + 12) + 20;
// type 4: 16 + 12 x count + the query sizes of the count ids; types 5 and
// 6: 4; any other type 0.
uint64_t sdbg_GetResponseSize64(uint32_t reqType, const uint32_t *pTypeIds, uint32_t count);

// The same as a u32. A size beyond 32 bits reads as 0xFFFFFFFF rather
// than wrapping to a small number: a client that asks for it is then told
// the response is too small instead of being sent a list that does not fit.
uint32_t sdbg_GetResponseSize(uint32_t reqType, const uint32_t *pTypeIds, uint32_t count);
