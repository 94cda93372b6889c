// Network addresses as the tools take them: numeric text (command lines,
// configuration) and 24-byte records as another process or the wire may
// hold them. Input: byte 0 selects the text buffer size (0 to 64) used
// for printing, bytes 1-2 the port, bytes 3-26 a raw record, the rest the
// text.
//
// It must never crash or write past a caller's buffer. A text accepted is
// a valid IPv4 or IPv6 address carrying the port; its printed form parses
// back to an equal address, and its socket address has the family's
// length. A printed record is terminated within its buffer, and equality
// of built records (IPv4 or IPv6) is symmetric.
#include "mos_net.h"
#include "mos_net_sock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void checkPrinted(const NetAddress *pAddr, uint32_t bufSize, bool bNoMapped) {
    // An exact-size buffer, so a write past it is caught.
    std::vector<char> buf(bufSize == 0 ? 1 : bufSize, 'x');
    MOS_RC rc = netAddress_ToStrCopyBuf(pAddr, buf.data(), bufSize, bNoMapped);
    if (bufSize != 0 && memchr(buf.data(), '\0', bufSize) == nullptr) {
        abort(); // every outcome leaves a terminated text
    }
    if (rc == MOS_RC__SUCCESS && !netAddress_IsValid(pAddr)) {
        abort();
    }
}

void checkSockAddr(const NetAddress *pAddr, bool bValidate) {
    uint8_t sockAddr[NET_SOCKADDR_STORAGE_SIZE];
    uint32_t len = 0;
    if (NetAddress_ToSockAddr(pAddr, sockAddr, &len, bValidate) != MOS_RC__SUCCESS) {
        return;
    }
    uint16_t family = static_cast<uint16_t>(sockAddr[0] | sockAddr[1] << 8);
    if (!((family == NET_AF_INET && len == 16) || (family == NET_AF_INET6 && len == 28))) {
        abort();
    }
    uint16_t port = static_cast<uint16_t>(sockAddr[2] << 8 | sockAddr[3]);
    if (port != pAddr->port) {
        abort();
    }
}

void checkText(const std::string &text, uint16_t port) {
    NetAddress addr;
    netAddress_Init(&addr);
    if (netAddress_BuildFromString(&addr, text.c_str(), port) != MOS_RC__SUCCESS) {
        return;
    }
    uint32_t type = netAddress_GetType(&addr);
    if ((type != NET_ADDRESS_TYPE__IPV4 && type != NET_ADDRESS_TYPE__IPV6) || addr.port != port ||
        !netAddress_IsValid(&addr)) {
        abort();
    }
    char printed[NET_ADDRESS_STR_SIZE];
    if (netAddress_ToStrCopyBuf(&addr, printed, sizeof(printed), true) != MOS_RC__SUCCESS) {
        abort(); // a parsed address always prints
    }
    NetAddress again;
    netAddress_Init(&again);
    if (netAddress_BuildFromString(&again, printed, port) != MOS_RC__SUCCESS ||
        !netAddress_IsEqual(&addr, &again)) {
        abort();
    }
    checkSockAddr(&addr, true);
    PackedNetAddress packed;
    if (buildAddrFromString(&packed, text.c_str(), 0, true, false) == MOS_RC__SUCCESS) {
        uint32_t len = packed.type == NET_ADDRESS_TYPE__IPV4 ? 4 : 16;
        if (packed.type != type || memcmp(packed.address, addr.address, len) != 0) {
            abort(); // both forms hold the same address
        }
    }
}

void checkRecord(const uint8_t *pBytes, uint32_t bufSize) {
    NetAddress a;
    memcpy(&a, pBytes, sizeof(a));
    NetAddress b;
    netAddress_Init(&b);
    b.type = a.type;
    b.port = a.port;
    memcpy(b.address, a.address, sizeof(b.address));
    b.address[15] ^= 1;
    // Only built addresses (IPv4 or IPv6) are compared.
    bool bBuilt = a.type == NET_ADDRESS_TYPE__IPV4 || a.type == NET_ADDRESS_TYPE__IPV6;
    if (bBuilt && netAddress_IsEqual(&a, &b) != netAddress_IsEqual(&b, &a)) {
        abort();
    }
    checkPrinted(&a, bufSize, false);
    checkPrinted(&a, bufSize, true);
    checkSockAddr(&a, false);
    checkSockAddr(&a, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    constexpr size_t kHead = 3 + sizeof(NetAddress);
    if (size < kHead) {
        return 0;
    }
    uint32_t bufSize = pData[0] % (NET_ADDRESS_STR_SIZE + 1);
    uint16_t port = static_cast<uint16_t>(pData[1] | pData[2] << 8);
    checkRecord(pData + 3, bufSize);
    // Text as a C string: it ends at the first zero byte.
    std::string text(reinterpret_cast<const char *>(pData + kHead), size - kHead);
    text = text.c_str();
    checkText(text, port);
    return 0;
}
