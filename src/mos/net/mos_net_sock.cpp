#include "mos_net_sock.h"

#include "mos_debug.h"
#include "mos_diag_counters.h"
#include "mos_trace.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t kResolveAttempts = 3;
constexpr uint32_t kBindAttempts = 20;
constexpr uint32_t kBindRetrySleepMs = 100;
constexpr int32_t kListenBacklog = 128;

// Text of the last resolution error; shared by all threads (a message
// may show another thread's text when two resolutions fail at once).
char resolveErrText_G[1024];

// The socket error of the calling thread's last failed call of this layer,
// as WSAGetLastError keeps it on Windows; also set where the layer itself
// decides (a peer that closed, an unusable address).
thread_local uint32_t tLastNetError = 0;

uint32_t failWith(uint32_t err) {
    tLastNetError = err;
    return err;
}

MOS_RC buildFromResult(void *pAddress, uint16_t family, const uint8_t *pBytes, uint16_t port,
                       bool bPacked) {
    uint32_t socketType = netAddress_AddressFamilyToSocketType(family);
    if (socketType == NET_SOCKET_TYPE__IPV4) {
        IPV4 ipv4;
        memcpy(&ipv4, pBytes, sizeof(ipv4));
        return bPacked
                   ? packedNetAddress_BuildFromIpv4(static_cast<PackedNetAddress *>(pAddress), ipv4)
                   : netAddress_BuildFromIpv4(static_cast<NetAddress *>(pAddress), ipv4, port);
    }
    return bPacked
               ? packedNetAddress_BuildFromIpv6(static_cast<PackedNetAddress *>(pAddress), pBytes)
               : netAddress_BuildFromIpv6(static_cast<NetAddress *>(pAddress), pBytes, port);
}

MOS_RC transferResult(MosSocket socketFd, uint32_t err, uint32_t count) {
    if (err == 0) {
        if (count != 0) {
            return MOS_RC__SUCCESS;
        }
        (void)failWith(NET_WSAEDISCON);
        return MOS_RC__CLOSED;
    }
    (void)failWith(err);
    if (err == NET_WSAEWOULDBLOCK) {
        return MOS_RC__NOT_READY;
    }
    MOS_TRACE(MOS_COMP_NET, 2, "declaring socket %u as closed due to Err %d",
              static_cast<uint32_t>(socketFd), static_cast<int>(err));
    return MOS_RC__CLOSED;
}

} // namespace

uint32_t mosNet_GetLastError() {
    return tLastNetError;
}

void mosNet_ErrorText(uint32_t err, char *pBuf, uint32_t bufSize) {
    osNetSys_ErrorText(err, pBuf, bufSize);
}

MOS_RC osNetLayer_Create() {
    uint16_t granted = 0;
    if (osNetSys_Startup(&granted) != 0) {
        return MOS_RC__INVALID;
    }
    if (granted != 0x0202) {
        osNetSys_Cleanup();
        return MOS_RC__ERROR;
    }
    return MOS_RC__SUCCESS;
}

void osNetLayer_Destroy() {
    osNetSys_Cleanup();
}

MOS_RC buildAddrFromString(void *pAddress, const char *pHost, uint16_t port, bool bPacked,
                           bool bResolveNames) {
    int32_t flags = bResolveNames ? NET_AI_ALL : (NET_AI_ALL | NET_AI_NUMERICHOST);
    bool bHasResult = false;
    uint16_t family = 0;
    uint8_t bytes[16] = {};
    for (uint32_t attempt = 1;; ++attempt) {
        uint32_t err = osNetSys_GetAddrInfo(pHost, flags, &bHasResult, &family, bytes);
        if (err == 0) {
            break;
        }
        (void)failWith(err);
        osNetSys_ErrorText(err, resolveErrText_G, sizeof(resolveErrText_G));
        MOS_TRACE(MOS_COMP_NET, 1,
                  "Failed to get address info for host(%s) due to %s. retryCount(%d)", pHost,
                  resolveErrText_G, static_cast<int>(kResolveAttempts - attempt));
        if (err != NET_WSATRY_AGAIN || attempt == kResolveAttempts) {
            return MOS_RC__INVALID;
        }
    }
    // A successful resolution always carries a result list.
    const void *pServerInfo = bHasResult ? bytes : nullptr;
    MOS_ASSERT(((void *)0) != (pServerInfo));
    MOS_RC rc = buildFromResult(pAddress, family, bytes, port, bPacked);
    if (rc != MOS_RC__SUCCESS) {
        (void)failWith(NET_WSAEADDRNOTAVAIL); // the wildcard 0.0.0.0 names no peer
    }
    return rc;
}

MOS_RC netAddress_BuildFromString(NetAddress *pAddress, const char *pHost, uint16_t port) {
    return buildAddrFromString(pAddress, pHost, port, false, false);
}

MOS_RC osNet_Socket(MosSocket *pSocketFd, uint32_t socketType) {
    uint32_t err = osNetSys_Socket(netAddress_SocketTypeToAddressFamily(socketType), pSocketFd);
    if (err == 0) {
        MOS_ASSERT(*pSocketFd != 0);
        return MOS_RC__SUCCESS;
    }
    *pSocketFd = MOS_INVALID_SOCKET;
    (void)failWith(err);
    if (err == NET_WSAEPROTONOSUPPORT || err == NET_WSAEAFNOSUPPORT) {
        MOS_TRACE(MOS_COMP_NET, 1, "WARNING: Socket type %u is not supported (errno 0x%x)",
                  socketType, err);
        mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__NET_SOCK_TYPE_NOT_SUPPORTED);
        return MOS_RC__NOT_SUPPORTED;
    }
    if (err == NET_WSAESOCKTNOSUPPORT) {
        MOS_TRACE(MOS_COMP_NET, 1, "WARNING: Network is not ready (errno 0x%x)", err);
        return MOS_RC__NOT_READY;
    }
    MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Failed to create a socket with errno 0x%x", err);
    return MOS_RC__ERROR;
}

void osNet_Close(MosSocket socketFd) {
    MOS_ASSERT(osNetSys_Close(socketFd) == 0);
}

void osNet_Shutdown(MosSocket socketFd) {
    uint32_t err = osNetSys_Shutdown(socketFd);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_NET, 3, "shutdown failed for socket %d with err %u",
                  static_cast<int>(socketFd), err);
    }
}

bool mosNet_WakeBlocked(MosSocket socketFd) {
    bool bClosed = false;
    uint32_t err = osNetSys_WakeBlocked(socketFd, &bClosed);
    if (err != 0) {
        MOS_TRACE(MOS_COMP_NET, 3, "shutdown failed for socket %d with err %u",
                  static_cast<int>(socketFd), err);
    }
    return bClosed;
}

void osNet_ChangeBlockMode(MosSocket socketFd, bool bNonBlocking) {
    MOS_ASSERT(osNetSys_SetNonBlocking(socketFd, bNonBlocking) == 0);
}

void osNet_SetSockOpt(MosSocket socketFd, int32_t level, int32_t option, int32_t optval) {
    MOS_ASSERT(osNetSys_SetSockOpt(socketFd, level, option, optval) == 0);
}

void osNet_SetSockOpt_NoIpv6Only(MosSocket socketFd) {
    MOS_ASSERT(osNetSys_SetSockOpt(socketFd, NET_IPPROTO_IPV6, NET_IPV6_V6ONLY, 0) == 0);
}

bool osNet_BindAddr(MosSocket socketFd, const NetAddress *pAddr) {
    uint8_t sockAddr[NET_SOCKADDR_STORAGE_SIZE];
    uint32_t addrLen = 0;
    (void)NetAddress_ToSockAddr(pAddr, sockAddr, &addrLen, false);
    for (uint32_t iter = 0; iter < kBindAttempts; ++iter) {
        uint32_t err = osNetSys_Bind(socketFd, sockAddr, addrLen);
        if (err == 0) {
            return true;
        }
        MOS_TRACE(MOS_COMP_NET, 2, "Errno %d. Iter %d", static_cast<int>(err),
                  static_cast<int>(iter));
        if (err != NET_WSAEADDRINUSE) {
            MOS_TRACE(MOS_COMP_NET, 1, "WARNING: Bind error %u", err);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kBindRetrySleepMs));
    }
    MOS_TRACE(MOS_COMP_NET, 1, "WARNING: Binding port %u failed (errno %d), loop ended",
              pAddr->port, static_cast<int>(NET_WSAEADDRINUSE));
    return false;
}

bool osNet_BindPort(MosSocket socketFd, uint16_t port, uint32_t socketType) {
    NetAddress addr;
    netAddress_Init(&addr);
    (void)netAddress_BuildAnyAddr(&addr, netAddress_SocketTypeToAddressType(socketType), port);
    return osNet_BindAddr(socketFd, &addr);
}

bool osNet_Listen(MosSocket socketFd) {
    if (osNetSys_Listen(socketFd, kListenBacklog) != 0) {
        mosDbg_PlannedCrashModuleWithDesc("Listen Socket failed");
    }
    return true;
}

MosSocket osNet_Accept(MosSocket socketFd) {
    MosSocket newSocket = MOS_INVALID_SOCKET;
    if (osNetSys_Accept(socketFd, &newSocket) != 0) {
        return MOS_INVALID_SOCKET;
    }
    MOS_ASSERT(newSocket != 0);
    return newSocket;
}

MOS_RC mosNet_Connect(MosSocket socketFd, const NetAddress *pAddr) {
    if (pAddr->type != NET_ADDRESS_TYPE__IPV4 && pAddr->type != NET_ADDRESS_TYPE__IPV6) {
        MOS_TRACE(MOS_COMP_NET, 1, "ERROR: Unexpected socket type %u", pAddr->type);
        ALWAYS_ASSERT();
    }
    uint8_t sockAddr[NET_SOCKADDR_STORAGE_SIZE];
    uint32_t addrLen = 0;
    MOS_RC rc = NetAddress_ToSockAddr(pAddr, sockAddr, &addrLen, true);
    if (rc != MOS_RC__SUCCESS) {
        (void)failWith(NET_WSAEADDRNOTAVAIL);
        MOS_TRACE(MOS_COMP_NET, 1, "Failed to build the socket address socket %d rc %u ",
                  static_cast<int>(socketFd), rc);
        return rc;
    }
    uint32_t err = osNetSys_Connect(socketFd, sockAddr, addrLen);
    if (err == 0) {
        return MOS_RC__SUCCESS;
    }
    (void)failWith(err);
    if (err == NET_WSAEWOULDBLOCK || err == NET_WSAEINPROGRESS) {
        return MOS_RC__PENDING;
    }
    MOS_TRACE(MOS_COMP_NET, 1, "Socket connecting error %d %d", static_cast<int>(socketFd),
              static_cast<int>(err));
    return MOS_RC__ERROR;
}

bool osNet_BlockConnect(MosSocket socketFd, const NetAddress *pAddr, uint32_t timeoutMs) {
    if (timeoutMs == 0) {
        return mosNet_Connect(socketFd, pAddr) == MOS_RC__SUCCESS;
    }
    osNet_ChangeBlockMode(socketFd, true);
    MOS_TRACE(MOS_COMP_NET, 3, "Socket connecting %d", static_cast<int>(socketFd));
    MOS_RC rc = mosNet_Connect(socketFd, pAddr);
    bool bConnected = false;
    if (rc == MOS_RC__PENDING) {
        int32_t numReady = 0;
        uint16_t revents = 0;
        (void)osNetSys_PollWrite(socketFd, static_cast<int32_t>(timeoutMs), &numReady, &revents);
        MOS_ASSERT((-1) != numReady);
        // An error or hang-up event beside POLLWRNORM means the connect failed.
        bConnected = numReady >= 1 && revents == NET_POLLWRNORM;
        if (numReady == 0) {
            (void)failWith(NET_WSAETIMEDOUT);
        }
    } else {
        bConnected = rc == MOS_RC__SUCCESS;
        MOS_TRACE(MOS_COMP_NET, 3, "Socket connecting error %d %s", static_cast<int>(socketFd),
                  mos_RcName(rc));
    }
    osNet_ChangeBlockMode(socketFd, false);
    return bConnected;
}

MOS_RC osNet_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount) {
    if (size == 0) {
        // An empty receive reads as a closed peer. Asked of the system it
        // would instead wait for data on some stacks.
        *pCount = 0;
        (void)failWith(NET_WSAEDISCON);
        return MOS_RC__CLOSED;
    }
    uint32_t err = osNetSys_Recv(socketFd, pBuf, size, pCount);
    MOS_RC rc = transferResult(socketFd, err, *pCount);
    if (rc != MOS_RC__SUCCESS) {
        *pCount = 0;
    }
    return rc;
}

MOS_RC osNet_Send(MosSocket socketFd, const void *pData, uint32_t size, uint32_t *pCount) {
    uint32_t err = osNetSys_Send(socketFd, pData, size, pCount);
    MOS_RC rc = transferResult(socketFd, err, *pCount);
    if (rc != MOS_RC__SUCCESS) {
        *pCount = 0;
    }
    return rc;
}

MOS_RC osNet_RecvAll(MosSocket socketFd, void *pBuf, uint32_t size) {
    auto *pBytes = static_cast<uint8_t *>(pBuf);
    uint32_t received = 0;
    // At least one receive: a zero-length request reads as a closed peer.
    do {
        uint32_t count = 0;
        MOS_RC rc = osNet_Recv(socketFd, pBytes + received, size - received, &count);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
        received += count;
    } while (received < size);
    return MOS_RC__SUCCESS;
}

MOS_RC osNet_SendAll(MosSocket socketFd, const void *pData, uint32_t size) {
    const auto *pBytes = static_cast<const uint8_t *>(pData);
    uint32_t sent = 0;
    do {
        uint32_t count = 0;
        MOS_RC rc = osNet_Send(socketFd, pBytes + sent, size - sent, &count);
        if (rc == MOS_RC__NOT_READY) {
            continue;
        }
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
        sent += count;
    } while (sent < size);
    return MOS_RC__SUCCESS;
}
