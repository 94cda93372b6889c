#include "sdbg_link.h"

#include "sdbg_exception.h"
#include "sdbg_os.h"

#include "os_devintf.h"

#include "dport_proto.h"
#include "mos_utils.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
        throw Sdbg_SockLinkException(lastError);
    }
}

Sdbg_SockLink::~Sdbg_SockLink() {
    if (sock != MOS_INVALID_SOCKET) {
        osNet_Close(sock);
    }
}

uint32_t Sdbg_SockLink::TimeLimitMs() {
    const char *pText = std::getenv("OBJSCOPE_LINK_TIME_LIMIT_MS");
    if (pText == nullptr || *pText == '\0') {
        return kTimeLimitMs;
    }
    char *pEnd = nullptr;
    const unsigned long value = std::strtoul(pText, &pEnd, 10);
    if (*pEnd != '\0' || value == 0 || value > 0x7FFFFFFFul) {
        return kTimeLimitMs;
    }
    return static_cast<uint32_t>(value);
}

bool Sdbg_SockLink::CreateSocket() {
    const uint32_t socketType = netAddress_AddressTypeToSocketType(netAddress_GetType(&address));
    if (osNet_Socket(&sock, socketType) != MOS_RC__SUCCESS) {
        lastError = mosNet_GetLastError();
        sock = MOS_INVALID_SOCKET;
        return false;
    }
    // A refresh is a chain of small request/response exchanges; waiting to
    // coalesce small packets would stall every one of them.
    osNet_SetSockOpt(sock, NET_IPPROTO_TCP, NET_TCP_NODELAY, 1);
    // A server that stops answering must not hold the viewer (and, in a
    // display, its lock) for ever: the transfer fails and the link is mended.
    const auto limit = static_cast<int32_t>(TimeLimitMs());
    osNet_SetSockOpt(sock, NET_SOL_SOCKET, NET_SO_RCVTIMEO, limit);
    osNet_SetSockOpt(sock, NET_SOL_SOCKET, NET_SO_SNDTIMEO, limit);
    return true;
}

bool Sdbg_SockLink::Open() {
    bConnected = sock != MOS_INVALID_SOCKET && mosNet_Connect(sock, &address) == MOS_RC__SUCCESS;
    if (!bConnected && sock != MOS_INVALID_SOCKET) {
        lastError = mosNet_GetLastError();
    }
    return bConnected;
}

bool Sdbg_SockLink::Close() {
    bConnected = false;
    if (sock != MOS_INVALID_SOCKET) {
        osNet_Shutdown(sock);
        osNet_Close(sock);
        sock = MOS_INVALID_SOCKET;
    }
    return CreateSocket();
}

void Sdbg_SockLink::Fail() {
    lastError = mosNet_GetLastError();
    bConnected = false;
    throw Sdbg_SockLinkException(lastError);
}

uint32_t Sdbg_SockLink::Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) {
    if (!bConnected && !(Close() && Open())) {
        throw Sdbg_SockLinkException(lastError);
    }
    WriteHeader(pBuffer, reqSize, respSize);
    if (osNet_SendAll(sock, pBuffer, reqSize + ReqHeaderSize()) != MOS_RC__SUCCESS) {
        Fail();
    }
    if (osNet_RecvAll(sock, pBuffer, respSize + RespHeaderSize()) != MOS_RC__SUCCESS) {
        Fail();
    }
    return respSize;
}

void Sdbg_SockLink::GetErrorText(char *pBuf) const {
    pBuf[0] = '\0';
    mosNet_ErrorText(lastError, pBuf, kErrorTextSize);
}

// --- the client driver's device -------------------------------------------------

namespace {

constexpr uint32_t kCommandHeaderSize = 8;

void PutCommand(uint8_t *pFrame, uint32_t command) {
    // The command code travels sign-extended to 64 bits.
    const int64_t wide = static_cast<int32_t>(command);
    std::memcpy(pFrame, &wide, sizeof(wide));
}

} // namespace

Sdbg_IoctlLink::Sdbg_IoctlLink(const char *pName, uint32_t commandCode)
    : Sdbg_Link(pName), command(commandCode) {}

Sdbg_IoctlLink::~Sdbg_IoctlLink() {
    (void)Close();
}

bool Sdbg_IoctlLink::TryInterface(void *pListArg, uint32_t memberIndex, bool *pbStop) {
    auto *pList = static_cast<OsDevIntfList *>(pListArg);
    size_t required = 0;
    uint32_t err = osDevIntf_GetPath(pList, memberIndex, nullptr, 0, &required);
    if (err != OS_ERR_INSUFFICIENT_BUFFER && err != OS_ERR_SUCCESS) {
        std::printf("SetupDiGetDeviceInterfaceDetail failed with error 0x%x\n", err);
        *pbStop = true;
        return false;
    }
    std::string path(required, '\0');
    err = osDevIntf_GetPath(pList, memberIndex, path.data(), path.size(), &required);
    if (err != OS_ERR_SUCCESS) {
        std::printf("SetupDiGetDeviceInterfaceDetail failed with error 0x%x\n", err);
        *pbStop = true;
        return false;
    }
    OsDev *pDev = nullptr;
    err = osDev_Open(path.c_str(), &pDev);
    if (err != OS_ERR_SUCCESS) {
        std::printf("Failed to open %s. Code 0x%x\n", path.c_str(), err);
        return false;
    }
    uint8_t probe[kCommandHeaderSize];
    PutCommand(probe, kProbeCommand);
    uint32_t returned = 0;
    if (osDev_Ioctl(pDev, QORNI_IOCTL_CODE, probe, sizeof(probe), probe, sizeof(probe),
                    &returned) != OS_ERR_SUCCESS) {
        osDev_Close(pDev);
        return false;
    }
    pDevice = pDev;
    return true;
}

bool Sdbg_IoctlLink::Open() {
    (void)Close();
    OsDevIntfList *pList = nullptr;
    bool bOpened = false;
    if (osDevIntf_GetClassDevs(QORNI_INTERFACE_GUID, &pList) == OS_ERR_SUCCESS) {
        bool bStop = false;
        for (uint32_t index = 0; !bOpened && !bStop && osDevIntf_Enum(pList, index) == 0; ++index) {
            bOpened = TryInterface(pList, index, &bStop);
        }
    }
    osDevIntf_Destroy(pList);
    if (!bOpened) {
        std::printf("Failed to open kernel Dev\n");
    }
    std::fflush(stdout);
    return bOpened;
}

bool Sdbg_IoctlLink::Close() {
    if (pDevice != nullptr) {
        osDev_Close(pDevice);
        pDevice = nullptr;
    }
    return true;
}

uint32_t Sdbg_IoctlLink::Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) {
    const uint32_t total = BufferSize(reqSize, respSize);
    std::vector<uint8_t> frame(uint64_t{total} + kCommandHeaderSize, 0);
    PutCommand(frame.data(), command);
    WriteHeader(pBuffer, reqSize, respSize);
    std::memcpy(frame.data() + kCommandHeaderSize, pBuffer, uint64_t{reqSize} + ReqHeaderSize());
    uint32_t returned = 0;
    lastError = pDevice == nullptr ? OS_ERR_DEVICE_NOT_CONNECTED
                                   : osDev_Ioctl(pDevice, QORNI_IOCTL_CODE, frame.data(),
                                                 static_cast<uint32_t>(frame.size()), frame.data(),
                                                 static_cast<uint32_t>(frame.size()), &returned);
    if (lastError == OS_ERR_SUCCESS && returned < kCommandHeaderSize + respSize) {
        // A short reply would leave the request's own bytes to be read as
        // the response: it counts as a failed transfer.
        lastError = OS_ERR_INVALID_DATA;
    }
    if (lastError != OS_ERR_SUCCESS) {
        throw Sdbg_IoctlLinkException(lastError);
    }
    // A device that reports more than was asked for is cut to the response
    // length: the caller's buffer holds no more.
    std::memcpy(pBuffer, frame.data() + kCommandHeaderSize, respSize);
    return respSize;
}

void Sdbg_IoctlLink::GetErrorText(char *pBuf) const {
    pBuf[0] = '\0';
    (void)SdbgOs_FormatDeviceError(lastError, kErrorTextSize, pBuf);
}
