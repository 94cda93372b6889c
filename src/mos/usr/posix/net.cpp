// Linux stand-in for the Windows Sockets seam: BSD sockets, with errno
// and resolution errors turned into Windows socket error numbers and
// socket addresses, families, option names and poll bits translated
// between the Windows values used above the seam and Linux's.
#include "usr/os_net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct ErrnoMap {
    int err;
    uint32_t wsaErr;
};

// The one place where errno becomes a Windows socket error number.
constexpr ErrnoMap kErrnoMap[] = {
    {EINTR, NET_WSAEINTR},
    {EBADF, NET_WSAENOTSOCK},
    {EACCES, NET_WSAEACCES},
    {EFAULT, NET_WSAEFAULT},
    {EINVAL, NET_WSAEINVAL},
    {EMFILE, NET_WSAEMFILE},
    {ENFILE, NET_WSAEMFILE},
    {EAGAIN, NET_WSAEWOULDBLOCK},
    {EINPROGRESS, NET_WSAEWOULDBLOCK}, // a pending connect reads so on Windows
    {EALREADY, NET_WSAEALREADY},
    {ENOTSOCK, NET_WSAENOTSOCK},
    {EMSGSIZE, NET_WSAEMSGSIZE},
    {ENOPROTOOPT, NET_WSAENOPROTOOPT},
    {EPROTONOSUPPORT, NET_WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, NET_WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, NET_WSAEOPNOTSUPP},
    {EAFNOSUPPORT, NET_WSAEAFNOSUPPORT},
    {EADDRINUSE, NET_WSAEADDRINUSE},
    {EADDRNOTAVAIL, NET_WSAEADDRNOTAVAIL},
    {ENETDOWN, NET_WSAENETDOWN},
    {ENETUNREACH, NET_WSAENETUNREACH},
    {ECONNABORTED, NET_WSAECONNABORTED},
    {ECONNRESET, NET_WSAECONNRESET},
    {EPIPE, NET_WSAECONNRESET},
    {ENOBUFS, NET_WSAENOBUFS},
    {ENOMEM, NET_WSAENOBUFS},
    {EISCONN, NET_WSAEISCONN},
    {ENOTCONN, NET_WSAENOTCONN},
    {ESHUTDOWN, NET_WSAESHUTDOWN},
    {ETIMEDOUT, NET_WSAETIMEDOUT},
    {ECONNREFUSED, NET_WSAECONNREFUSED},
    {EHOSTUNREACH, NET_WSAEHOSTUNREACH},
};

uint32_t wsaFromErrno(int err) {
    for (const ErrnoMap &row : kErrnoMap) {
        if (row.err == err) {
            return row.wsaErr;
        }
    }
    return NET_WSAEINVAL;
}

uint32_t lastError() {
    return wsaFromErrno(errno);
}

// Moves a new descriptor above the standard streams. A process whose stdin
// is closed would get descriptor 0, which Windows never hands out and the
// callers hold for a broken invariant.
int awayFromStdio(int fd) {
    if (fd < 0 || fd > 2) {
        return fd;
    }
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    int savedErrno = errno;
    close(fd);
    errno = savedErrno;
    return moved;
}

int fdOf(MosSocket socketFd) {
    return static_cast<int>(socketFd);
}

int familyToLinux(uint16_t family) {
    if (family == 2) {
        return AF_INET;
    }
    return family == 23 ? AF_INET6 : -1;
}

// Copies a Windows-layout socket address and puts Linux's family number
// in its first word; the rest of sockaddr_in/sockaddr_in6 is laid out
// alike on both systems.
bool toLinuxSockAddr(const void *pSockAddr, uint32_t addrLen, sockaddr_storage *pOut) {
    if (addrLen < 2 || addrLen > sizeof(*pOut)) {
        return false;
    }
    memset(pOut, 0, sizeof(*pOut));
    memcpy(pOut, pSockAddr, addrLen);
    uint16_t family = 0;
    memcpy(&family, pSockAddr, sizeof(family));
    int linuxFamily = familyToLinux(family);
    if (linuxFamily < 0) {
        return false;
    }
    pOut->ss_family = static_cast<sa_family_t>(linuxFamily);
    return true;
}

struct OptMap {
    int32_t winLevel;
    int32_t winOption;
    int level;
    int option;
};

constexpr OptMap kOptMap[] = {
    {NET_SOL_SOCKET, NET_SO_REUSEADDR, SOL_SOCKET, SO_REUSEADDR},
    {NET_IPPROTO_TCP, NET_TCP_NODELAY, IPPROTO_TCP, TCP_NODELAY},
    {NET_IPPROTO_IPV6, NET_IPV6_V6ONLY, IPPROTO_IPV6, IPV6_V6ONLY},
};

struct GaiMap {
    int gaiErr;
    uint32_t wsaErr;
    const char *pText; // what the Windows message table says for it
};

constexpr GaiMap kGaiMap[] = {
    {EAI_AGAIN, NET_WSATRY_AGAIN,
     "This is usually a temporary error during hostname resolution and means that the local "
     "server did not receive a response from an authoritative server. "},
    {EAI_NONAME, NET_WSAHOST_NOT_FOUND, "No such host is known. "},
    {EAI_FAIL, NET_WSANO_RECOVERY, "A non-recoverable error occurred during a database lookup. "},
    {EAI_NODATA, NET_WSANO_DATA,
     "The requested name is valid, but no data of the requested type was found. "},
    {EAI_FAMILY, NET_WSAEAFNOSUPPORT,
     "An address incompatible with the requested protocol was used. "},
    {EAI_MEMORY, NET_WSAENOBUFS,
     "An operation on a socket could not be performed because the system lacked sufficient "
     "buffer space or because a queue was full. "},
};

uint32_t wsaFromGai(int gaiErr) {
    if (gaiErr == EAI_SYSTEM) {
        return lastError();
    }
    for (const GaiMap &row : kGaiMap) {
        if (row.gaiErr == gaiErr) {
            return row.wsaErr;
        }
    }
    return NET_WSANO_RECOVERY;
}

} // namespace

uint32_t osNetSys_Startup(uint16_t *pGrantedVersion) {
    *pGrantedVersion = 0x0202;
    return 0;
}

void osNetSys_Cleanup() {}

uint32_t osNetSys_Socket(uint16_t family, MosSocket *pSocket) {
    *pSocket = MOS_INVALID_SOCKET;
    int linuxFamily = familyToLinux(family);
    if (linuxFamily < 0) {
        return NET_WSAEAFNOSUPPORT;
    }
    int fd = awayFromStdio(socket(linuxFamily, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd < 0) {
        return lastError();
    }
    *pSocket = static_cast<MosSocket>(fd);
    return 0;
}

uint32_t osNetSys_Close(MosSocket socketFd) {
    return close(fdOf(socketFd)) == 0 ? 0 : lastError();
}

uint32_t osNetSys_Shutdown(MosSocket socketFd) {
    return shutdown(fdOf(socketFd), SHUT_RDWR) == 0 ? 0 : lastError();
}

uint32_t osNetSys_WakeBlocked(MosSocket socketFd, bool *pbClosed) {
    *pbClosed = false;
    // A blocked accept or receive returns once the socket is shut down;
    // closing it under them would leave the descriptor number to be
    // reused while they still hold it.
    return shutdown(fdOf(socketFd), SHUT_RDWR) == 0 ? 0 : lastError();
}

uint32_t osNetSys_SetNonBlocking(MosSocket socketFd, bool bNonBlocking) {
    int flags = fcntl(fdOf(socketFd), F_GETFL);
    if (flags < 0) {
        return lastError();
    }
    flags = bNonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(fdOf(socketFd), F_SETFL, flags) == 0 ? 0 : lastError();
}

uint32_t osNetSys_SetSockOpt(MosSocket socketFd, int32_t level, int32_t option, int32_t value) {
    for (const OptMap &row : kOptMap) {
        if (row.winLevel == level && row.winOption == option) {
            int rc = setsockopt(fdOf(socketFd), row.level, row.option, &value, sizeof(value));
            return rc == 0 ? 0 : lastError();
        }
    }
    return NET_WSAENOPROTOOPT;
}

uint32_t osNetSys_Bind(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen) {
    sockaddr_storage addr;
    if (!toLinuxSockAddr(pSockAddr, addrLen, &addr)) {
        return NET_WSAEFAULT;
    }
    int rc = bind(fdOf(socketFd), reinterpret_cast<sockaddr *>(&addr), addrLen);
    return rc == 0 ? 0 : lastError();
}

uint32_t osNetSys_Listen(MosSocket socketFd, int32_t backlog) {
    return listen(fdOf(socketFd), backlog) == 0 ? 0 : lastError();
}

uint32_t osNetSys_Accept(MosSocket socketFd, MosSocket *pNewSocket) {
    *pNewSocket = MOS_INVALID_SOCKET;
    int fd;
    do {
        fd = accept4(fdOf(socketFd), nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    fd = awayFromStdio(fd);
    if (fd < 0) {
        return lastError();
    }
    *pNewSocket = static_cast<MosSocket>(fd);
    return 0;
}

uint32_t osNetSys_Connect(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen) {
    sockaddr_storage addr;
    if (!toLinuxSockAddr(pSockAddr, addrLen, &addr)) {
        return NET_WSAEFAULT;
    }
    int rc = connect(fdOf(socketFd), reinterpret_cast<sockaddr *>(&addr), addrLen);
    return rc == 0 ? 0 : lastError();
}

uint32_t osNetSys_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount) {
    *pCount = 0;
    ssize_t n;
    do {
        n = recv(fdOf(socketFd), pBuf, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return lastError();
    }
    *pCount = static_cast<uint32_t>(n);
    return 0;
}

uint32_t osNetSys_Send(MosSocket socketFd, const void *pData, uint32_t size, uint32_t *pCount) {
    *pCount = 0;
    ssize_t n;
    // MSG_NOSIGNAL: a peer that is gone gives an error, as on Windows,
    // instead of ending the process with SIGPIPE.
    do {
        n = send(fdOf(socketFd), pData, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return lastError();
    }
    *pCount = static_cast<uint32_t>(n);
    return 0;
}

uint32_t osNetSys_GetLocalPort(MosSocket socketFd, uint16_t *pPort) {
    sockaddr_storage addr = {};
    socklen_t len = sizeof(addr);
    if (getsockname(fdOf(socketFd), reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        return lastError();
    }
    // sin_port and sin6_port share their offset.
    *pPort = ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
    return 0;
}

uint32_t osNetSys_PollWrite(MosSocket socketFd, int32_t timeoutMs, int32_t *pNumReady,
                            uint16_t *pRevents) {
    pollfd entry = {fdOf(socketFd), POLLOUT, 0};
    int n = poll(&entry, 1, timeoutMs);
    *pNumReady = n < 0 ? -1 : n;
    *pRevents = 0;
    if (n < 0) {
        return lastError();
    }
    uint16_t revents = 0;
    revents |= (entry.revents & POLLOUT) ? NET_POLLWRNORM : 0;
    revents |= (entry.revents & POLLERR) ? NET_POLLERR : 0;
    revents |= (entry.revents & POLLHUP) ? NET_POLLHUP : 0;
    revents |= (entry.revents & POLLNVAL) ? NET_POLLNVAL : 0;
    *pRevents = revents;
    return 0;
}

uint32_t osNetSys_GetAddrInfo(const char *pHost, int32_t flags, bool *pbHasResult,
                              uint16_t *pFamily, uint8_t pAddrBytes[16]) {
    *pbHasResult = false;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags =
        ((flags & NET_AI_ALL) ? AI_ALL : 0) | ((flags & NET_AI_NUMERICHOST) ? AI_NUMERICHOST : 0);
    addrinfo *pInfo = nullptr;
    int rc = getaddrinfo(pHost, nullptr, &hints, &pInfo);
    if (rc != 0) {
        return wsaFromGai(rc);
    }
    if (pInfo != nullptr) {
        *pbHasResult = true;
        if (pInfo->ai_family == AF_INET) {
            *pFamily = 2;
            memcpy(pAddrBytes, &reinterpret_cast<sockaddr_in *>(pInfo->ai_addr)->sin_addr, 4);
        } else if (pInfo->ai_family == AF_INET6) {
            *pFamily = 23;
            memcpy(pAddrBytes, &reinterpret_cast<sockaddr_in6 *>(pInfo->ai_addr)->sin6_addr, 16);
        } else {
            *pFamily = static_cast<uint16_t>(pInfo->ai_family);
        }
        freeaddrinfo(pInfo);
    }
    return 0;
}

void osNetSys_ErrorText(uint32_t err, char *pBuf, uint32_t bufSize) {
    for (const GaiMap &row : kGaiMap) {
        if (row.wsaErr == err) {
            snprintf(pBuf, bufSize, "%s", row.pText);
            return;
        }
    }
    snprintf(pBuf, bufSize, "Unknown error %u ", err);
}

uint32_t osNetSys_Ntop(uint16_t family, const void *pAddrBytes, char *pBuf, uint32_t bufSize) {
    int linuxFamily = familyToLinux(family);
    if (linuxFamily < 0) {
        return NET_WSAEAFNOSUPPORT;
    }
    if (inet_ntop(linuxFamily, pAddrBytes, pBuf, bufSize) == nullptr) {
        return lastError();
    }
    return 0;
}
