// Windows Sockets 2 side of the sockets seam. Error numbers, families,
// option names and poll bits are Windows' own, so the calls pass through.
#include "os_net.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

namespace {

SOCKET sockOf(MosSocket socketFd) {
    return static_cast<SOCKET>(socketFd);
}

uint32_t lastError() {
    return static_cast<uint32_t>(WSAGetLastError());
}

} // namespace

uint32_t osNetSys_Startup(uint16_t *pGrantedVersion) {
    WSADATA data = {};
    int rc = WSAStartup(MAKEWORD(2, 2), &data);
    *pGrantedVersion = data.wVersion;
    return static_cast<uint32_t>(rc);
}

void osNetSys_Cleanup() {
    (void)WSACleanup();
}

uint32_t osNetSys_Socket(uint16_t family, MosSocket *pSocket) {
    SOCKET s = socket(family, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        *pSocket = MOS_INVALID_SOCKET;
        return lastError();
    }
    *pSocket = static_cast<MosSocket>(s);
    return 0;
}

uint32_t osNetSys_Close(MosSocket socketFd) {
    return closesocket(sockOf(socketFd)) == 0 ? 0 : lastError();
}

uint32_t osNetSys_Shutdown(MosSocket socketFd) {
    return shutdown(sockOf(socketFd), SD_BOTH) == 0 ? 0 : lastError();
}

uint32_t osNetSys_WakeBlocked(MosSocket socketFd, bool *pbClosed) {
    // Shutting down does not end a blocked accept or receive here;
    // closing the handle does.
    (void)shutdown(sockOf(socketFd), SD_BOTH);
    *pbClosed = true;
    return closesocket(sockOf(socketFd)) == 0 ? 0 : lastError();
}

uint32_t osNetSys_SetNonBlocking(MosSocket socketFd, bool bNonBlocking) {
    u_long mode = bNonBlocking ? 1 : 0;
    return ioctlsocket(sockOf(socketFd), FIONBIO, &mode) == 0 ? 0 : lastError();
}

uint32_t osNetSys_SetSockOpt(MosSocket socketFd, int32_t level, int32_t option, int32_t value) {
    int rc = setsockopt(sockOf(socketFd), level, option, reinterpret_cast<const char *>(&value),
                        sizeof(value));
    return rc == 0 ? 0 : lastError();
}

uint32_t osNetSys_Bind(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen) {
    int rc =
        bind(sockOf(socketFd), static_cast<const sockaddr *>(pSockAddr), static_cast<int>(addrLen));
    return rc == 0 ? 0 : lastError();
}

uint32_t osNetSys_Listen(MosSocket socketFd, int32_t backlog) {
    return listen(sockOf(socketFd), backlog) == 0 ? 0 : lastError();
}

uint32_t osNetSys_Accept(MosSocket socketFd, MosSocket *pNewSocket) {
    SOCKET s = accept(sockOf(socketFd), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        *pNewSocket = MOS_INVALID_SOCKET;
        return lastError();
    }
    *pNewSocket = static_cast<MosSocket>(s);
    return 0;
}

uint32_t osNetSys_Connect(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen) {
    int rc = connect(sockOf(socketFd), static_cast<const sockaddr *>(pSockAddr),
                     static_cast<int>(addrLen));
    return rc == 0 ? 0 : lastError();
}

uint32_t osNetSys_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount) {
    int n = recv(sockOf(socketFd), static_cast<char *>(pBuf), static_cast<int>(size), 0);
    if (n == SOCKET_ERROR) {
        *pCount = 0;
        return lastError();
    }
    *pCount = static_cast<uint32_t>(n);
    return 0;
}

uint32_t osNetSys_Send(MosSocket socketFd, const void *pData, uint32_t size, uint32_t *pCount) {
    int n = send(sockOf(socketFd), static_cast<const char *>(pData), static_cast<int>(size), 0);
    if (n == SOCKET_ERROR) {
        *pCount = 0;
        return lastError();
    }
    *pCount = static_cast<uint32_t>(n);
    return 0;
}

uint32_t osNetSys_GetLocalPort(MosSocket socketFd, uint16_t *pPort) {
    sockaddr_storage addr = {};
    int len = sizeof(addr);
    if (getsockname(sockOf(socketFd), reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        return lastError();
    }
    // sin_port and sin6_port share their offset.
    *pPort = ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
    return 0;
}

uint32_t osNetSys_PollWrite(MosSocket socketFd, int32_t timeoutMs, int32_t *pNumReady,
                            uint16_t *pRevents) {
    WSAPOLLFD entry = {};
    entry.fd = sockOf(socketFd);
    entry.events = POLLWRNORM;
    int n = WSAPoll(&entry, 1, timeoutMs);
    *pNumReady = n;
    *pRevents = n < 0 ? 0 : static_cast<uint16_t>(entry.revents);
    return n < 0 ? lastError() : 0;
}

uint32_t osNetSys_GetAddrInfo(const char *pHost, int32_t flags, bool *pbHasResult,
                              uint16_t *pFamily, uint8_t pAddrBytes[16]) {
    *pbHasResult = false;
    ADDRINFOA hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    ADDRINFOA *pInfo = nullptr;
    int rc = getaddrinfo(pHost, nullptr, &hints, &pInfo);
    if (rc != 0) {
        return static_cast<uint32_t>(rc);
    }
    if (pInfo != nullptr) {
        *pbHasResult = true;
        *pFamily = static_cast<uint16_t>(pInfo->ai_family);
        if (pInfo->ai_family == AF_INET) {
            memcpy(pAddrBytes, &reinterpret_cast<sockaddr_in *>(pInfo->ai_addr)->sin_addr, 4);
        } else if (pInfo->ai_family == AF_INET6) {
            memcpy(pAddrBytes, &reinterpret_cast<sockaddr_in6 *>(pInfo->ai_addr)->sin6_addr, 16);
        }
        freeaddrinfo(pInfo);
    }
    return 0;
}

void osNetSys_ErrorText(uint32_t err, char *pBuf, uint32_t bufSize) {
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, err, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), pBuf, bufSize, nullptr);
    if (n == 0) {
        snprintf(pBuf, bufSize, "Unknown error %u ", err);
    }
}

uint32_t osNetSys_Ntop(uint16_t family, const void *pAddrBytes, char *pBuf, uint32_t bufSize) {
    if (inet_ntop(family, pAddrBytes, pBuf, bufSize) == nullptr) {
        return lastError();
    }
    return 0;
}
