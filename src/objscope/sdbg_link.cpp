#include "sdbg_link.h"

#include "sdbg_exception.h"
#include "sdbg_os.h"

#include "mos_utils.h"
#include "usr/sdbg/server/sdbg_proto.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kHostTextSize = 64;
} // namespace

Sdbg_Link::Sdbg_Link(const char *pName) {
    std::memset(name, 0, sizeof(name));
    if (pName != nullptr) {
        std::memcpy(name, pName, strnlen(pName, sizeof(name) - 1));
    }
}

Sdbg_Link::~Sdbg_Link() = default;

uint32_t Sdbg_Link::BufferSize(uint32_t reqSize, uint32_t respSize) const {
    return std::max(reqSize + ReqHeaderSize(), respSize + RespHeaderSize());
}

uint32_t Sdbg_Link::ReqHeaderSize() const {
    return sizeof(SdbgMsgHeader);
}

uint32_t Sdbg_Link::RespHeaderSize() const {
    return 0;
}

void Sdbg_Link::WriteHeader(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) {
    const SdbgMsgHeader header{SDBG_MSG_MAGIC, reqSize, respSize};
    std::memcpy(pBuffer, &header, sizeof(header));
}

Sdbg_SockLink::NetStart::NetStart() {
    if (osNetLayer_Create() != MOS_RC__SUCCESS) {
        throw Sdbg_SockLinkException();
    }
}

Sdbg_SockLink::NetStart::~NetStart() {
    osNetLayer_Destroy();
}

Sdbg_SockLink::Sdbg_SockLink(const char *pHost, uint16_t portNumber)
    : Sdbg_Link(pHost), port(portNumber) {
    char host[kHostTextSize];
    (void)mos_SnprintfClipped(host, sizeof(host), "%s", pHost);
    if (netAddress_BuildFromString(&address, host, port) != MOS_RC__SUCCESS) {
        throw Sdbg_SockLinkException();
    }
    if (!CreateSocket()) {
        throw Sdbg_SockLinkException();
    }
}

Sdbg_SockLink::~Sdbg_SockLink() {
    if (sock != MOS_INVALID_SOCKET) {
        osNet_Close(sock);
    }
}

bool Sdbg_SockLink::CreateSocket() {
    const uint32_t socketType = netAddress_AddressTypeToSocketType(netAddress_GetType(&address));
    if (osNet_Socket(&sock, socketType) != MOS_RC__SUCCESS) {
        sock = MOS_INVALID_SOCKET;
        return false;
    }
    // A refresh is a chain of small request/response exchanges; waiting to
    // coalesce small packets would stall every one of them.
    osNet_SetSockOpt(sock, NET_IPPROTO_TCP, NET_TCP_NODELAY, 1);
    return true;
}

bool Sdbg_SockLink::Open() {
    return mosNet_Connect(sock, &address) == MOS_RC__SUCCESS;
}

bool Sdbg_SockLink::Close() {
    if (sock != MOS_INVALID_SOCKET) {
        osNet_Shutdown(sock);
        osNet_Close(sock);
        sock = MOS_INVALID_SOCKET;
    }
    return CreateSocket();
}

uint32_t Sdbg_SockLink::Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) {
    WriteHeader(pBuffer, reqSize, respSize);
    if (osNet_SendAll(sock, pBuffer, reqSize + ReqHeaderSize()) != MOS_RC__SUCCESS) {
        throw Sdbg_SockLinkException();
    }
    if (osNet_RecvAll(sock, pBuffer, respSize + RespHeaderSize()) != MOS_RC__SUCCESS) {
        throw Sdbg_SockLinkException();
    }
    return respSize;
}

void Sdbg_SockLink::GetErrorText(char *pBuf) const {
    pBuf[0] = '\0';
    (void)SdbgOs_FormatSystemMessage(SdbgOs_GetLastSocketError(), kErrorTextSize, pBuf);
}
