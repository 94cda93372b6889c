// Linux stand-in for the Windows Sockets seam: BSD sockets, with errno
// (through the table of Windows errors, sys/posix/sys.cpp) and
// resolution errors turned into Windows socket error numbers and
// socket addresses, families, option names and poll bits translated
// between the Windows values used above the seam and Linux's.
#include "net_errno.h"
#include "os_net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

uint32_t lastError() {
    return osNetPosix_WsaFromErrno(errno);
}

bool isBlocking(int socketFd) {
    int flags = fcntl(socketFd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) == 0;
}

// A blocking transfer that ran into its time limit answers EAGAIN here;
// Windows reports WSAETIMEDOUT, and "would block" must stay reserved for
// non-blocking sockets (callers retry it at once).
uint32_t transferError(int socketFd) {
    int err = errno;
    if ((err == EAGAIN || err == EWOULDBLOCK) && isBlocking(socketFd)) {
        return NET_WSAETIMEDOUT;
    }
    return osNetPosix_WsaFromErrno(err);
}

// A blocking connect interrupted by a signal goes on in the background
// (calling connect again would only answer EALREADY): wait for it to end
// and take its result.
uint32_t finishInterruptedConnect(int socketFd) {
    pollfd entry = {socketFd, POLLOUT, 0};
    int n;
    do {
        n = poll(&entry, 1, -1);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return lastError();
    }
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
        return lastError();
    }
    return err == 0 ? 0 : osNetPosix_WsaFromErrno(err);
}

int64_t monotonicMs() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
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
    {NET_SOL_SOCKET, NET_SO_SNDBUF, SOL_SOCKET, SO_SNDBUF},
    {NET_IPPROTO_TCP, NET_TCP_NODELAY, IPPROTO_TCP, TCP_NODELAY},
    {NET_IPPROTO_IPV6, NET_IPV6_V6ONLY, IPPROTO_IPV6, IPV6_V6ONLY},
};

struct GaiMap {
    int gaiErr;
    uint32_t wsaErr;
};

constexpr GaiMap kGaiMap[] = {
    {EAI_AGAIN, NET_WSATRY_AGAIN},     {EAI_NONAME, NET_WSAHOST_NOT_FOUND},
    {EAI_FAIL, NET_WSANO_RECOVERY},    {EAI_NODATA, NET_WSANO_DATA},
    {EAI_FAMILY, NET_WSAEAFNOSUPPORT}, {EAI_MEMORY, NET_WSAENOBUFS},
    {EAI_BADFLAGS, NET_WSAEINVAL},     {EAI_SOCKTYPE, NET_WSAESOCKTNOSUPPORT},
};

struct WsaText {
    uint32_t wsaErr;
    const char *pText; // what the Windows message table says, on one line
};

constexpr WsaText kWsaTexts[] = {
    {NET_WSAEINTR, "A blocking operation was interrupted by a call to WSACancelBlockingCall. "},
    {NET_WSAEACCES,
     "An attempt was made to access a socket in a way forbidden by its access permissions. "},
    {NET_WSAEFAULT, "The system detected an invalid pointer address in attempting to use a "
                    "pointer argument in a call. "},
    {NET_WSAEINVAL, "An invalid argument was supplied. "},
    {NET_WSAEMFILE, "Too many open sockets. "},
    {NET_WSAEWOULDBLOCK, "A non-blocking socket operation could not be completed immediately. "},
    {NET_WSAEALREADY, "An operation was attempted on a non-blocking socket that already had an "
                      "operation in progress. "},
    {NET_WSAEINPROGRESS, "A blocking operation is currently executing. "},
    {NET_WSAENOTSOCK, "An operation was attempted on something that is not a socket. "},
    {NET_WSAEDESTADDRREQ, "A required address was omitted from an operation on a socket. "},
    {NET_WSAEMSGSIZE, "A message sent on a datagram socket was larger than the internal message "
                      "buffer or some other network limit, or the buffer used to receive a "
                      "datagram into was smaller than the datagram itself. "},
    {NET_WSAEPROTOTYPE, "A protocol was specified in the socket function call that does not "
                        "support the semantics of the socket type requested. "},
    {NET_WSAENOPROTOOPT, "An unknown, invalid, or unsupported option or level was specified in a "
                         "getsockopt or setsockopt call. "},
    {NET_WSAEPROTONOSUPPORT, "The requested protocol has not been configured into the system, or "
                             "no implementation for it exists. "},
    {NET_WSAESOCKTNOSUPPORT,
     "The support for the specified socket type does not exist in this address family. "},
    {NET_WSAEOPNOTSUPP,
     "The attempted operation is not supported for the type of object referenced. "},
    {NET_WSAEAFNOSUPPORT, "An address incompatible with the requested protocol was used. "},
    {NET_WSAEADDRINUSE, "Only one usage of each socket address (protocol/network address/port) "
                        "is normally permitted. "},
    {NET_WSAEADDRNOTAVAIL, "The requested address is not valid in its context. "},
    {NET_WSAENETDOWN, "A socket operation encountered a dead network. "},
    {NET_WSAENETUNREACH, "A socket operation was attempted to an unreachable network. "},
    {NET_WSAENETRESET, "The connection has been broken due to keep-alive activity detecting a "
                       "failure while the operation was in progress. "},
    {NET_WSAECONNABORTED,
     "An established connection was aborted by the software in your host machine. "},
    {NET_WSAECONNRESET, "An existing connection was forcibly closed by the remote host. "},
    {NET_WSAENOBUFS, "An operation on a socket could not be performed because the system lacked "
                     "sufficient buffer space or because a queue was full. "},
    {NET_WSAEISCONN, "A connect request was made on an already connected socket. "},
    {NET_WSAENOTCONN,
     "A request to send or receive data was disallowed because the socket is not connected and "
     "(when sending on a datagram socket using a sendto call) no address was supplied. "},
    {NET_WSAESHUTDOWN, "A request to send or receive data was disallowed because the socket had "
                       "already been shut down in that direction with a previous shutdown call. "},
    {NET_WSAETIMEDOUT,
     "A connection attempt failed because the connected party did not properly respond after a "
     "period of time, or established connection failed because connected host has failed to "
     "respond. "},
    {NET_WSAECONNREFUSED,
     "No connection could be made because the target machine actively refused it. "},
    {NET_WSAEHOSTDOWN, "A socket operation failed because the destination host was down. "},
    {NET_WSAEHOSTUNREACH, "A socket operation was attempted to an unreachable host. "},
    {NET_WSAEDISCON, "A graceful shutdown is in progress. "},
    {NET_WSATRY_AGAIN,
     "This is usually a temporary error during hostname resolution and means that the local "
     "server did not receive a response from an authoritative server. "},
    {NET_WSAHOST_NOT_FOUND, "No such host is known. "},
    {NET_WSANO_RECOVERY, "A non-recoverable error occurred during a database lookup. "},
    {NET_WSANO_DATA, "The requested name is valid, but no data of the requested type was found. "},
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
    if (level == NET_SOL_SOCKET && (option == NET_SO_RCVTIMEO || option == NET_SO_SNDTIMEO)) {
        // Windows takes milliseconds in a DWORD, Linux a timeval.
        timeval limit = {value / 1000, (value % 1000) * 1000};
        int name = option == NET_SO_RCVTIMEO ? SO_RCVTIMEO : SO_SNDTIMEO;
        int rc = setsockopt(fdOf(socketFd), SOL_SOCKET, name, &limit, sizeof(limit));
        return rc == 0 ? 0 : lastError();
    }
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
    int fd = fdOf(socketFd);
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), addrLen) == 0) {
        return 0;
    }
    if (errno == EINTR) {
        return finishInterruptedConnect(fd);
    }
    // A blocking connect that ran into the send time limit answers
    // EINPROGRESS; Windows would say it timed out.
    if (errno == EINPROGRESS && isBlocking(fd)) {
        return NET_WSAETIMEDOUT;
    }
    return lastError();
}

uint32_t osNetSys_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount) {
    *pCount = 0;
    ssize_t n;
    do {
        n = recv(fdOf(socketFd), pBuf, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return transferError(fdOf(socketFd));
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
        return transferError(fdOf(socketFd));
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
    // A signal does not end the wait early: it goes on for the time left.
    const int64_t deadline = monotonicMs() + timeoutMs;
    int n;
    for (int32_t left = timeoutMs;; left = static_cast<int32_t>(deadline - monotonicMs())) {
        n = poll(&entry, 1, timeoutMs < 0 ? -1 : (left < 0 ? 0 : left));
        if (n >= 0 || errno != EINTR) {
            break;
        }
    }
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
    for (const WsaText &row : kWsaTexts) {
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
