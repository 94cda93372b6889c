// The shared-memory request protocols spoken between a process's
// shared-memory client and a shared-memory server over TCP on 127.0.0.1,
// and the records both sides keep of segments.
//
// Two protocols: the framed one (every message starts with a magic number;
// requests may ask to open only; idle connections carry keep-alives) and
// the fixed-size V20 one (no magic, no keep-alive, no open-only). All
// integers are little-endian; names are lower-case text of at most 255
// characters in a 256-byte field. The functions here only encode and
// decode; they never touch a socket.
#pragma once

#include "mos_assert_text.h"
#include "mos_list.h"
#include "mos_rc.h"
#include "os_shm.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_SHM_MSG_MAGIC = 0x5F3C3876;
inline constexpr uint32_t MOS_SHM_NAME_SIZE = 256;
inline constexpr uint16_t MOS_SHM_PORT_FRAMED = 62333;
inline constexpr uint16_t MOS_SHM_PORT_V20_DEFAULT = 62332;
// 127.0.0.1 as the address bytes in memory order.
inline constexpr uint32_t MOS_SHM_LOOPBACK_IPV4 = 0x0100007F;

enum : uint8_t {
    MOS_SHM_OP__CREATE = 0, // create or open
    MOS_SHM_OP__DELETE = 1,
    MOS_SHM_OP__KEEP_ALIVE = 2,
};

// Request flag bits.
enum : uint8_t {
    MOS_SHM_FLAG__EXCLUSIVE = 0x1,
    MOS_SHM_FLAG__CREATE = 0x2,
    MOS_SHM_FLAG__SUBSTRING = 0x4,
    MOS_SHM_FLAG__OPEN_ONLY = 0x8,
};

#pragma pack(push, 1)
// Framed request (273 bytes).
struct MosShmReqMsg {
    uint32_t magic;
    char name[MOS_SHM_NAME_SIZE];
    uint64_t size; // bytes wanted, 0 = the segment's existing size
    uint8_t op;
    uint8_t flags;
    uint8_t reserved[3];
};
// Framed reply (272 bytes); the name field is not filled.
struct MosShmRespMsg {
    uint32_t magic;
    char name[MOS_SHM_NAME_SIZE];
    uint64_t size;
    uint32_t rc;
};
// V20 request and reply (280 bytes each); a reply fills size and rc only.
struct MosShmMsgV20 {
    char name[MOS_SHM_NAME_SIZE];
    uint32_t size;
    uint32_t isCreate; // 1 create or open, 0 delete
    uint32_t bExclusive;
    uint32_t bCreate;
    uint32_t bSubstring;
    uint32_t rc;
};
#pragma pack(pop)
static_assert(sizeof(MosShmReqMsg) == 273);
static_assert(offsetof(MosShmReqMsg, name) == 4);
static_assert(offsetof(MosShmReqMsg, size) == 260);
static_assert(offsetof(MosShmReqMsg, op) == 268);
static_assert(offsetof(MosShmReqMsg, flags) == 269);
static_assert(sizeof(MosShmRespMsg) == 272);
static_assert(offsetof(MosShmRespMsg, size) == 260);
static_assert(offsetof(MosShmRespMsg, rc) == 268);
static_assert(sizeof(MosShmMsgV20) == 280);
static_assert(offsetof(MosShmMsgV20, size) == 256);
static_assert(offsetof(MosShmMsgV20, isCreate) == 260);
static_assert(offsetof(MosShmMsgV20, bSubstring) == 272);
static_assert(offsetof(MosShmMsgV20, rc) == 276);

// A request as a server receives it, whichever protocol it came by.
struct MosShmServerReq {
    char name[MOS_SHM_NAME_SIZE];
    uint64_t size;
    uint8_t op;
    uint8_t flags;
    uint8_t reserved[3];
};

struct MosShmServerResp {
    char name[MOS_SHM_NAME_SIZE]; // not filled
    uint64_t size;
    uint32_t rc;
};

// One segment as a process holds it.
struct MosShm {
    char name[128];
    OsShmHandle shmFD; // the named mapping, or null
    void *pMem;        // the mapped view, or null
    uint64_t memSize;  // the size to map (asked, or learned from the server)
};

// One held segment in a list (the client's and the servers' tables).
struct MosShmEntry {
    char name[MOS_SHM_NAME_SIZE]; // lower case
    uint64_t size;
    OsShmHandle shmFD;
    MosListNode node;
};

inline MosShmEntry *mosShmEntry_OfNode(MosListNode *pNode) {
    return reinterpret_cast<MosShmEntry *>(reinterpret_cast<char *>(pNode) -
                                           offsetof(MosShmEntry, node));
}

// Appends or unlinks a node and keeps the anchor's counter; a counter that
// contradicts the links is a broken invariant.
inline void mosShmList_Append(MosListAnchor *pAnchor, MosListNode *pNode) {
    mosList_Append(pAnchor, pNode);
    pAnchor->counter++;
}
inline void mosShmList_Unlink(MosListAnchor *pAnchor, MosListNode *pNode) {
    MOS_ASSERT_TEXT(pAnchor->counter > 0, "((pAnchor)->counter) > 0");
    mosList_Unlink(pAnchor, pNode);
    pAnchor->counter--;
}

// Copies at most nameCapacity - 1 bytes of pSrc into pDst, lower-cased and
// zero-terminated (pDst zero-filled up to nameCapacity).
void mosShmProto_CopyName(char *pDst, uint32_t nameCapacity, const char *pSrc);
// Zero-terminates a received 256-byte name field and lower-cases it.
void mosShmProto_NormalizeName(char *pName);

// Client side: encodes one request of op/flags into a message.
void mosShmProto_BuildReq(MosShmReqMsg *pMsg, uint8_t op, uint8_t flags, const char *pName,
                          uint64_t size);
// V20: MOS_RC__ILLEGAL (nothing encoded) for a size above 32 bits or an op
// other than create or delete. The open-only flag is dropped: V20 has none.
[[nodiscard]] MOS_RC mosShmProto_BuildReqV20(MosShmMsgV20 *pMsg, uint8_t op, uint8_t flags,
                                             const char *pName, uint64_t size);
// Decodes a framed reply: MOS_RC__INVALID for a wrong magic.
[[nodiscard]] MOS_RC mosShmProto_ParseResp(const void *pBuf, uint64_t *pSize, uint32_t *pRc);
void mosShmProto_ParseRespV20(const void *pBuf, uint64_t *pSize, uint32_t *pRc);

// Server side: decodes a received message into a zero-filled request.
// Framed: MOS_RC__ILLEGAL for a wrong magic. Neither validates op (the
// server answers an unknown op itself).
[[nodiscard]] MOS_RC mosShmProto_ParseReq(const void *pBuf, MosShmServerReq *pReq);
void mosShmProto_ParseReqV20(const void *pBuf, MosShmServerReq *pReq);
void mosShmProto_BuildResp(const MosShmServerResp *pResp, MosShmRespMsg *pMsg);
void mosShmProto_BuildRespV20(const MosShmServerResp *pResp, MosShmMsgV20 *pMsg);
