#include "mos_net.h"

#include "mos_debug.h"
#include "mos_trace.h"
#include "os_net.h"

#include <cstring>

namespace {

constexpr uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

void putU16Be(uint8_t *p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value & 0xFF);
}

void putU16Le(uint8_t *p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void copyBounded(char *buf, uint32_t size, const char *pText) {
    if (size != 0) {
        (void)mos_Snprintf(buf, size, "%s", pText);
    }
}

} // namespace

void netAddress_Init(NetAddress *pAddr) {
    MOS_ASSERT((pAddr) != ((void *)0));
    memset(pAddr, 0, sizeof(*pAddr));
}

MOS_RC netAddress_BuildFromIpv4(NetAddress *pAddr, IPV4 ipv4, uint16_t port) {
    netAddress_Init(pAddr);
    if (ipv4 == 0) {
        return MOS_RC__INVALID;
    }
    pAddr->type = NET_ADDRESS_TYPE__IPV4;
    memcpy(pAddr->address, &ipv4, sizeof(ipv4));
    pAddr->port = port;
    return MOS_RC__SUCCESS;
}

MOS_RC netAddress_BuildFromIpv6(NetAddress *pAddr, const uint8_t *pIpv6, uint16_t port) {
    netAddress_Init(pAddr);
    MOS_ASSERT((pIpv6) != ((void *)0));
    pAddr->type = NET_ADDRESS_TYPE__IPV6;
    memcpy(pAddr->address, pIpv6, sizeof(pAddr->address));
    pAddr->port = port;
    return MOS_RC__SUCCESS;
}

MOS_RC netAddress_BuildAnyAddr(NetAddress *pAddr, uint32_t addressType, uint16_t port) {
    if (addressType == NET_ADDRESS_TYPE__IPV4) {
        memset(pAddr->address, 0, 4);
    } else if (addressType == NET_ADDRESS_TYPE__IPV6) {
        memset(pAddr->address, 0, sizeof(pAddr->address));
    } else {
        MOS_TRACE(MOS_COMP_NET, 1, "WARNING: Unexpected address type %u", addressType);
        return MOS_RC__INVALID;
    }
    pAddr->type = addressType;
    pAddr->port = port;
    return MOS_RC__SUCCESS;
}

MOS_RC packedNetAddress_BuildFromIpv4(PackedNetAddress *pPacked, IPV4 ipv4) {
    MOS_ASSERT((pPacked) != ((void *)0));
    memset(pPacked, 0, sizeof(*pPacked));
    if (ipv4 == 0) {
        return MOS_RC__INVALID;
    }
    pPacked->type = NET_ADDRESS_TYPE__IPV4;
    memcpy(pPacked->address, &ipv4, sizeof(ipv4));
    return MOS_RC__SUCCESS;
}

MOS_RC packedNetAddress_BuildFromIpv6(PackedNetAddress *pPacked, const uint8_t *pIpv6) {
    MOS_ASSERT((pPacked) != ((void *)0));
    memset(pPacked, 0, sizeof(*pPacked));
    static const uint8_t kZero[16] = {};
    if (memcmp(pIpv6, kZero, sizeof(kZero)) == 0) {
        return MOS_RC__INVALID;
    }
    pPacked->type = NET_ADDRESS_TYPE__IPV6;
    memcpy(pPacked->address, pIpv6, sizeof(pPacked->address));
    return MOS_RC__SUCCESS;
}

uint32_t netAddress_GetType(const NetAddress *pAddr) {
    return pAddr->type;
}

uint32_t netAddress_GetAddrLen(uint32_t addressType) {
    if (addressType == NET_ADDRESS_TYPE__IPV4) {
        return 4;
    }
    if (addressType == NET_ADDRESS_TYPE__IPV6) {
        return 16;
    }
    ALWAYS_ASSERT();
}

const uint8_t *netAddress_GetAddrPtr(const NetAddress *pAddr) {
    return pAddr->address;
}

const uint8_t *netAddress_GetIpv6(const NetAddress *pAddr) {
    MOS_ASSERT(NET_ADDRESS_TYPE__IPV6 == netAddress_GetType(pAddr));
    return pAddr->address;
}

bool netAddress_IsIPv4MappedIpv6Addr(const NetAddress *pAddr) {
    return pAddr->type == NET_ADDRESS_TYPE__IPV6 &&
           memcmp(pAddr->address, kMappedPrefix, sizeof(kMappedPrefix)) == 0;
}

const uint8_t *netAddress_GetInnerIPv4MappedAddr(const NetAddress *pIpv6Addr) {
    MOS_ASSERT(netAddress_IsIPv4MappedIpv6Addr(pIpv6Addr));
    return pIpv6Addr->address + 12;
}

bool netAddress_IsValid(const NetAddress *pAddr) {
    if (pAddr == nullptr) {
        return false;
    }
    if (pAddr->type == NET_ADDRESS_TYPE__IPV4) {
        static const uint8_t kZero[4] = {};
        return memcmp(pAddr->address, kZero, sizeof(kZero)) != 0;
    }
    return pAddr->type == NET_ADDRESS_TYPE__IPV6;
}

bool netAddress_IsEqual(const NetAddress *pA, const NetAddress *pB) {
    if (pA == pB) {
        return true;
    }
    if (pA == nullptr || pB == nullptr) {
        return false;
    }
    return pA->type == pB->type && pA->port == pB->port &&
           memcmp(pA->address, pB->address, netAddress_GetAddrLen(pA->type)) == 0;
}

namespace {

// The two rows every mapping between the kinds of type numbers follows.
struct NetTypeRow {
    uint32_t addressType;
    uint32_t socketType;
    uint16_t family;
};
constexpr NetTypeRow kNetTypeRows[] = {
    {NET_ADDRESS_TYPE__IPV4, NET_SOCKET_TYPE__IPV4, NET_AF_INET},
    {NET_ADDRESS_TYPE__IPV6, NET_SOCKET_TYPE__IPV6, NET_AF_INET6},
};

// The row whose column matches value, or null.
template <typename T> const NetTypeRow *findTypeRow(T NetTypeRow::*pColumn, uint32_t value) {
    for (const NetTypeRow &row : kNetTypeRows) {
        if (row.*pColumn == value) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

uint32_t netAddress_AddressTypeToSocketType(uint32_t addressType) {
    const NetTypeRow *pRow = findTypeRow(&NetTypeRow::addressType, addressType);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected address type %d",
                  static_cast<int>(addressType));
        ALWAYS_ASSERT();
    }
    return pRow->socketType;
}

uint16_t netAddress_AddressTypeToAddressFamily(uint32_t addressType) {
    const NetTypeRow *pRow = findTypeRow(&NetTypeRow::addressType, addressType);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected address type %d",
                  static_cast<int>(addressType));
        ALWAYS_ASSERT();
    }
    return pRow->family;
}

uint16_t netAddress_SocketTypeToAddressFamily(uint32_t socketType) {
    const NetTypeRow *pRow = findTypeRow(&NetTypeRow::socketType, socketType);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected socket type %d",
                  static_cast<int>(socketType));
        ALWAYS_ASSERT();
    }
    return pRow->family;
}

uint32_t netAddress_SocketTypeToAddressType(uint32_t socketType) {
    const NetTypeRow *pRow = findTypeRow(&NetTypeRow::socketType, socketType);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected socket type %d",
                  static_cast<int>(socketType));
        ALWAYS_ASSERT();
    }
    return pRow->addressType;
}

uint32_t netAddress_AddressFamilyToSocketType(uint32_t family) {
    const NetTypeRow *pRow = findTypeRow(&NetTypeRow::family, family);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected address family %d", static_cast<int>(family));
        ALWAYS_ASSERT();
    }
    return pRow->socketType;
}

MOS_RC NetAddress_ToSockAddr(const NetAddress *pAddr, void *pSockAddr, uint32_t *pLen,
                             bool bValidate) {
    if (pSockAddr == nullptr || pLen == nullptr) {
        return MOS_RC__INVALID;
    }
    if (bValidate && (!netAddress_IsValid(pAddr) || pAddr->port == 0)) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Invalid address (port %u)",
                  pAddr != nullptr ? pAddr->port : 0u);
        return MOS_RC__INVALID;
    }
    if (pAddr == nullptr) {
        return MOS_RC__INVALID;
    }
    auto *pOut = static_cast<uint8_t *>(pSockAddr);
    memset(pOut, 0, NET_SOCKADDR_STORAGE_SIZE);
    *pLen = 0;
    // Windows layout: family (host order), port (network order), then the
    // address: right after the port for IPv4, after the flow word for IPv6.
    if (pAddr->type == NET_ADDRESS_TYPE__IPV4) {
        putU16Le(pOut, NET_AF_INET);
        putU16Be(pOut + 2, pAddr->port);
        memcpy(pOut + 4, pAddr->address, 4);
        *pLen = 16;
    } else if (pAddr->type == NET_ADDRESS_TYPE__IPV6) {
        putU16Le(pOut, NET_AF_INET6);
        putU16Be(pOut + 2, pAddr->port);
        memcpy(pOut + 8, pAddr->address, 16);
        *pLen = 28;
    } else {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected socket type %u", pAddr->type);
        return MOS_RC__INVALID;
    }
    return MOS_RC__SUCCESS;
}

MOS_RC netAddress_ToStrCopyBuf(const NetAddress *pAddr, char *buf, uint32_t size,
                               bool bNoMappedIpv4) {
    if (!netAddress_IsValid(pAddr)) {
        copyBounded(buf, size, "INVALID");
        return MOS_RC__INVALID;
    }
    uint16_t family = netAddress_AddressTypeToAddressFamily(pAddr->type);
    const uint8_t *pBytes = pAddr->address;
    if (!bNoMappedIpv4 && netAddress_IsIPv4MappedIpv6Addr(pAddr)) {
        family = NET_AF_INET;
        pBytes = netAddress_GetInnerIPv4MappedAddr(pAddr);
    }
    uint32_t err = osNetSys_Ntop(family, pBytes, buf, size);
    if (err == 0) {
        buf[size - 1] = '\0';
        return MOS_RC__SUCCESS;
    }
    MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Failed to translate network address with error %d",
              static_cast<int>(err));
    copyBounded(buf, size, "INVALID");
    return MOS_RC__ERROR;
}

MOS_RC netAddress_ToStrBuf(const NetAddress *pAddr, char *buf) {
    return netAddress_ToStrCopyBuf(pAddr, buf, NET_ADDRESS_STR_SIZE, false);
}

const char *netAddress_ToStr(const NetAddress *pAddr) {
    thread_local char tlsText[NET_ADDRESS_STR_SIZE];
    (void)netAddress_ToStrBuf(pAddr, tlsText);
    return tlsText;
}
