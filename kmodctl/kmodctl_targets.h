// Target and LBA information queries of kmodctl: the targets the driver
// is connected to, with their addresses and (extended) connection state,
// and which target and comb serve each 1 MB chunk of a block range.
#pragma once

#include "kmodctl_mdm_cmds.h"
#include "mos_net.h"
#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t QORNI_TGT_MAX_IPS = 8;

#pragma pack(push, 1)

// IOCTL_BLK__GET_TGT_INFO: this header, then capacity QorniTgtInfo.
struct QorniTgtListHeader {
    QorniCmdRecordHeader hdr;
    uint64_t numTgts;  // in: capacity; out: the driver's count
    uint32_t extended; // 1 with --tech
};
static_assert(sizeof(QorniTgtListHeader) == 20);
static_assert(offsetof(QorniTgtListHeader, numTgts) == 8);
static_assert(offsetof(QorniTgtListHeader, extended) == 16);

struct QorniTgtConnInfo {
    uint8_t reserved[8];
    uint32_t totalInflightIOs;
    uint32_t totalBytesInflight;
    uint8_t reserved2;
    uint32_t channelId;
    uint8_t channelEstablishRequired;
    uint32_t channelEstablishFailures;
    uint32_t iosWaitingForChannel;
    QorniIpConnInfo ipConn[QORNI_TGT_MAX_IPS];
};
static_assert(sizeof(QorniTgtConnInfo) == 222);
static_assert(offsetof(QorniTgtConnInfo, channelId) == 17);
static_assert(offsetof(QorniTgtConnInfo, channelEstablishRequired) == 21);
static_assert(offsetof(QorniTgtConnInfo, channelEstablishFailures) == 22);
static_assert(offsetof(QorniTgtConnInfo, iosWaitingForChannel) == 26);
static_assert(offsetof(QorniTgtConnInfo, ipConn) == 30);

struct QorniTgtInfo {
    uint8_t reserved[8];
    uint64_t mdmId;
    uint64_t tgtId;
    uint32_t numIps;
    NetAddress ips[QORNI_TGT_MAX_IPS];
    QorniTgtConnInfo conn;
};
static_assert(sizeof(QorniTgtInfo) == 442);
static_assert(offsetof(QorniTgtInfo, numIps) == 24);
static_assert(offsetof(QorniTgtInfo, ips) == 28);
static_assert(offsetof(QorniTgtInfo, conn) == 220);

// IOCTL_BLK__GET_LBA_INFO.
struct QorniLbaInfo {
    QorniCmdRecordHeader hdr;
    uint64_t mdmId; // in
    uint64_t volId; // in
    uint64_t lba;   // in: 512-byte block
    uint8_t reserved[16];
    uint64_t tgtId;        // out
    uint64_t comb;         // out: bits 0-9 row, 10-14 head, 15 and up multi-head id
    uint64_t combGen;      // out
    uint64_t multiHeadGen; // out
    uint32_t tgtStartLba;  // out
    NetAddress tgtIps[QORNI_TGT_MAX_IPS];
    uint32_t numTgtIps;
};
static_assert(sizeof(QorniLbaInfo) == 280);
static_assert(offsetof(QorniLbaInfo, lba) == 24);
static_assert(offsetof(QorniLbaInfo, tgtId) == 48);
static_assert(offsetof(QorniLbaInfo, tgtStartLba) == 80);
static_assert(offsetof(QorniLbaInfo, tgtIps) == 84);
static_assert(offsetof(QorniLbaInfo, numTgtIps) == 276);

#pragma pack(pop)

// QUERY_TGTS at v2.00; extended is 1 with --tech.
[[nodiscard]] MOS_RC queryTgtsV200(uint32_t extended);

// The most chunks one LBA information query walks: the count must fit in
// 32 bits.
inline constexpr uint32_t QORNI_LB_INFO_MAX_CHUNKS = 0xFFFFFFFFu;

// QUERY_LB_INFO at v2.00: every 1 MB chunk that [startLba, startLba +
// ioSizeBytes in blocks) touches. MOS_RC__SUCCESS when every chunk
// succeeded, else the code of the last failed chunk; a range of more than
// QORNI_LB_INFO_MAX_CHUNKS chunks is refused unsent (MOS_RC__INVALID_ARG).
[[nodiscard]] MOS_RC queryLbInfoV200(uint64_t mdmId, uint64_t volId, uint64_t startLba,
                                     uint64_t ioSizeBytes);

// The number of 2048-block chunks the range touches (the start's chunk
// counts even for an empty range that starts inside it).
[[nodiscard]] uint64_t queryLbInfo_NumChunks(uint64_t startLba, uint64_t ioSizeBytes);

// The chunk count into *pChunks; a count beyond QORNI_LB_INFO_MAX_CHUNKS
// is reported and gives MOS_RC__INVALID_ARG.
[[nodiscard]] MOS_RC queryLbInfo_CountChunks(uint64_t startLba, uint64_t ioSizeBytes,
                                             uint64_t *pChunks);

// Prints a target's address list; pConn (a QorniTgtConnInfo, possibly
// unaligned) is read only when extended. More than 8 addresses end the
// run with exit code 1.
void printAllTgtsIPs(const uint8_t *pAddresses, uint32_t count, const uint8_t *pConn,
                     bool bExtended);

// Prints the targets of a checked reply: count QorniTgtInfo at pEntries.
void queryTgts_Print(const uint8_t *pEntries, uint64_t count, uint32_t extended);
