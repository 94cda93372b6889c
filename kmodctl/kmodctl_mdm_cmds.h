// MDM commands of kmodctl: adding MDM addresses to the driver, replacing
// an MDM's address list, and listing the MDMs the driver knows, at
// protocol versions 1.30, 2.00 and 2.01; and the address-list printer
// that the target commands share.
#pragma once

#include "mos_net.h"
#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t QORNI_MDM_IPS_V200 = 8;
inline constexpr uint32_t QORNI_MDM_IPS_V201 = 16;

#pragma pack(push, 1)

// An address list of N entries; entries past numIps are not filled.
template <uint32_t N> struct QorniMdmIpList {
    uint8_t reserved[8];
    NetAddress ips[N];
    uint32_t numIps;
};
static_assert(sizeof(QorniMdmIpList<8>) == 204);
static_assert(sizeof(QorniMdmIpList<16>) == 396);
static_assert(offsetof(QorniMdmIpList<8>, ips) == 8);
static_assert(offsetof(QorniMdmIpList<8>, numIps) == 200);
static_assert(offsetof(QorniMdmIpList<16>, numIps) == 392);

template <uint32_t N> struct QorniAddMdmRecord {
    QorniCmdRecordHeader hdr;
    QorniMdmIpList<N> mdmIps;
};
static_assert(sizeof(QorniAddMdmRecord<8>) == 212);
static_assert(sizeof(QorniAddMdmRecord<16>) == 404);

template <uint32_t N> struct QorniModMdmRecord {
    QorniCmdRecordHeader hdr;
    QorniMdmIpList<N> oldIps; // entry 0: the MDM's current address
    QorniMdmIpList<N> newIps;
};
static_assert(sizeof(QorniModMdmRecord<8>) == 416);
static_assert(sizeof(QorniModMdmRecord<16>) == 800);
static_assert(offsetof(QorniModMdmRecord<8>, newIps) == 212);
static_assert(offsetof(QorniModMdmRecord<16>, newIps) == 404);

// v1.30: IPv4 addresses as their four bytes in network order.
struct QorniModMdmRecordV130 {
    uint32_t oldIpv4[8];
    uint32_t numOldIps;
    uint32_t newIpv4[8];
    uint32_t numNewIps;
};
static_assert(sizeof(QorniModMdmRecordV130) == 72);
static_assert(offsetof(QorniModMdmRecordV130, numOldIps) == 32);
static_assert(offsetof(QorniModMdmRecordV130, newIpv4) == 36);
static_assert(offsetof(QorniModMdmRecordV130, numNewIps) == 68);

// QUERY_MDMS: this header, then capacity entries.
struct QorniMdmListHeader {
    QorniCmdRecordHeader hdr;
    uint32_t numMdms; // in: capacity; out: the driver's count
};
static_assert(sizeof(QorniMdmListHeader) == 12);

template <uint32_t N> struct QorniMdmInfo {
    uint8_t reserved[8];
    uint64_t mdmId;
    uint64_t sdcId;
    uint64_t installationId;
    int32_t numIps;
    uint8_t reserved2[4];
    NetAddress ips[N];
};
static_assert(sizeof(QorniMdmInfo<8>) == 232);
static_assert(sizeof(QorniMdmInfo<16>) == 424);
static_assert(offsetof(QorniMdmInfo<8>, mdmId) == 8);
static_assert(offsetof(QorniMdmInfo<8>, numIps) == 32);
static_assert(offsetof(QorniMdmInfo<8>, ips) == 40);

// QUERY_MDMS_V130 answer: u32 numMdms, then capacity of these.
struct QorniMdmInfoV130 {
    uint64_t mdmId;
    uint64_t sdcId;
    uint64_t installationId;
    int32_t numIps;
    uint8_t reserved[4];
    uint32_t ipv4[8];
};
static_assert(sizeof(QorniMdmInfoV130) == 64);
static_assert(offsetof(QorniMdmInfoV130, numIps) == 24);
static_assert(offsetof(QorniMdmInfoV130, ipv4) == 32);

// The state of one address of a connection.
struct QorniIpConnInfo {
    uint8_t reserved[8];
    uint32_t state; // 0 Dead, 1 Connecting, 2 OK, 3 Disconnecting
    uint32_t inflightBytes;
    uint32_t numConnectedSocks;
    uint32_t numSocks;
};
static_assert(sizeof(QorniIpConnInfo) == 24);
static_assert(offsetof(QorniIpConnInfo, state) == 8);

#pragma pack(pop)

// ADD_MDM handlers: the addresses to add (count of them).
[[nodiscard]] MOS_RC addMdmV200(const NetAddress *pAddresses, uint32_t count);
[[nodiscard]] MOS_RC addMdmV201(const NetAddress *pAddresses, uint32_t count);

// MOD_MDM handlers: the MDM's current address and its new addresses.
// The v1.30 one takes IPv4 addresses only (else MOS_RC__NOT_SUPPORTED,
// nothing sent).
[[nodiscard]] MOS_RC modMdmIpV130(const NetAddress *pCurrent, const NetAddress *pNew,
                                  uint32_t count);
[[nodiscard]] MOS_RC modMdmIpV200(const NetAddress *pCurrent, const NetAddress *pNew,
                                  uint32_t count);
[[nodiscard]] MOS_RC modMdmIpV201(const NetAddress *pCurrent, const NetAddress *pNew,
                                  uint32_t count);

// QUERY_MDMS handlers: list and print the driver's MDMs.
[[nodiscard]] MOS_RC queryMdmsV130();
[[nodiscard]] MOS_RC queryMdmsV200();
[[nodiscard]] MOS_RC queryMdmsV201();

// Prints count addresses (NetAddress records at pAddresses, possibly
// unaligned) as "[i]-address "; with bShowState each is followed by its
// state line from the QorniIpConnInfo records at pStates.
void printAllIPs(const uint8_t *pAddresses, int32_t count, const uint8_t *pStates, bool bShowState);

// Prints the MDM entries of a checked QUERY_MDMS reply: count entries of
// capacity N addresses (8 or 16) at pEntries; for v1.30, QorniMdmInfoV130
// entries.
void queryMdms_Print(const uint8_t *pEntries, uint64_t count, uint32_t ipCapacity);
void queryMdms_PrintV130(const uint8_t *pEntries, uint64_t count);
