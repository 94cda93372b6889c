// Network addresses: the one value type for an IPv4 or IPv6 endpoint, a
// port-less packed form, and the mappings between address types, socket
// types and the (Windows-numbered) address families.
//
// Records hold Windows values wherever they reach a wire or a file: the
// address family AF_INET6 is 23 on both targets. The port is kept in host
// order in the record; only the socket-address form carries it in network
// order. No function here allocates.
#pragma once

#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct NetAddress {
    uint8_t address[16]; // IPv4 in bytes 0-3 (network order); IPv6 in all 16
    uint32_t type;       // 0 none, NET_ADDRESS_TYPE__IPV4, NET_ADDRESS_TYPE__IPV6
    uint16_t port;       // host order; 0 = none
    uint8_t reserved[2]; // zero after netAddress_Init
};

struct PackedNetAddress {
    uint8_t address[16];
    uint8_t type; // 1 or 2; 0 after a failed build
};
#pragma pack(pop)

static_assert(sizeof(NetAddress) == 24);
static_assert(offsetof(NetAddress, type) == 16);
static_assert(offsetof(NetAddress, port) == 20);
static_assert(sizeof(PackedNetAddress) == 17);
static_assert(offsetof(PackedNetAddress, type) == 16);

// An IPv4 address as four bytes in network order held in one u32
// (127.0.0.1 is the bytes 7F 00 00 01 in memory).
typedef uint32_t IPV4;

enum : uint32_t {
    NET_ADDRESS_TYPE__NONE = 0,
    NET_ADDRESS_TYPE__IPV4 = 1,
    NET_ADDRESS_TYPE__IPV6 = 2,
};

enum : uint32_t {
    NET_SOCKET_TYPE__IPV4 = 1,
    NET_SOCKET_TYPE__IPV6 = 2,
};

// Address families as Windows numbers them (also on Linux).
enum : uint16_t {
    NET_AF_INET = 2,
    NET_AF_INET6 = 23,
};

// Size of the socket-address storage NetAddress_ToSockAddr fills.
inline constexpr uint32_t NET_SOCKADDR_STORAGE_SIZE = 128;
// Size of the text buffer of netAddress_ToStrBuf and netAddress_ToStr.
inline constexpr uint32_t NET_ADDRESS_STR_SIZE = 64;

// --- Construction ---------------------------------------------------------

// Zeroes all 24 bytes. pAddr must not be null.
void netAddress_Init(NetAddress *pAddr);
// Initialises the record; a zero ipv4 gives MOS_RC__INVALID and leaves it
// zeroed, otherwise type IPv4 with the port.
[[nodiscard]] MOS_RC netAddress_BuildFromIpv4(NetAddress *pAddr, IPV4 ipv4, uint16_t port);
// Initialises the record and copies the 16 bytes (the all-zero address is
// accepted). pIpv6 must not be null.
[[nodiscard]] MOS_RC netAddress_BuildFromIpv6(NetAddress *pAddr, const uint8_t *pIpv6,
                                              uint16_t port);
// The wildcard address of addressType with the port, written over the
// record; another type warns and returns MOS_RC__INVALID untouched.
[[nodiscard]] MOS_RC netAddress_BuildAnyAddr(NetAddress *pAddr, uint32_t addressType,
                                             uint16_t port);
// Zeroes the 17 bytes; zero ipv4 gives MOS_RC__INVALID.
[[nodiscard]] MOS_RC packedNetAddress_BuildFromIpv4(PackedNetAddress *pPacked, IPV4 ipv4);
// Zeroes the 17 bytes; an all-zero IPv6 address gives MOS_RC__INVALID.
[[nodiscard]] MOS_RC packedNetAddress_BuildFromIpv6(PackedNetAddress *pPacked,
                                                    const uint8_t *pIpv6);

// --- Access ---------------------------------------------------------------

uint32_t netAddress_GetType(const NetAddress *pAddr);
// 4 for IPv4, 16 for IPv6; any other type is a broken invariant.
uint32_t netAddress_GetAddrLen(uint32_t addressType);
const uint8_t *netAddress_GetAddrPtr(const NetAddress *pAddr);
// The 16 bytes of an IPv6 address (the type must be IPv6).
const uint8_t *netAddress_GetIpv6(const NetAddress *pAddr);
// True for ::ffff:a.b.c.d.
bool netAddress_IsIPv4MappedIpv6Addr(const NetAddress *pAddr);
// Bytes 12-15 of an IPv4-mapped IPv6 address (it must be one).
const uint8_t *netAddress_GetInnerIPv4MappedAddr(const NetAddress *pIpv6Addr);
// False for null; IPv4: address not zero; IPv6: always; other types false.
bool netAddress_IsValid(const NetAddress *pAddr);
// Same pointer: true; a null: false; else type, port and the significant
// address bytes. Compare only built addresses.
bool netAddress_IsEqual(const NetAddress *pA, const NetAddress *pB);

// --- Mappings (an input outside the two rows is a broken invariant) ------

uint32_t netAddress_AddressTypeToSocketType(uint32_t addressType);
uint16_t netAddress_AddressTypeToAddressFamily(uint32_t addressType);
uint16_t netAddress_SocketTypeToAddressFamily(uint32_t socketType);
uint32_t netAddress_SocketTypeToAddressType(uint32_t socketType);
uint32_t netAddress_AddressFamilyToSocketType(uint32_t family);

// --- Conversions ----------------------------------------------------------

// Fills a 128-byte socket-address storage (Windows layout and family
// numbers) and its length: 16 for IPv4, 28 for IPv6. With bValidate the
// address must be valid with a non-zero port.
[[nodiscard]] MOS_RC NetAddress_ToSockAddr(const NetAddress *pAddr, void *pSockAddr, uint32_t *pLen,
                                           bool bValidate);

// Writes the address (never the port) into buf. An invalid address gives
// "INVALID" and MOS_RC__INVALID. Unless bNoMappedIpv4, an IPv4-mapped IPv6
// address prints as its inner IPv4 address.
[[nodiscard]] MOS_RC netAddress_ToStrCopyBuf(const NetAddress *pAddr, char *buf, uint32_t size,
                                             bool bNoMappedIpv4);
// netAddress_ToStrCopyBuf into a caller buffer of NET_ADDRESS_STR_SIZE.
[[nodiscard]] MOS_RC netAddress_ToStrBuf(const NetAddress *pAddr, char *buf);
// The same into a per-thread buffer, valid until the thread's next call.
const char *netAddress_ToStr(const NetAddress *pAddr);
