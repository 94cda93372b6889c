// Operating-system seam of the sockets: thin calls over Windows Sockets 2
// (nt/net.cpp) or BSD sockets (posix/net.cpp, our stand-in).
//
// Every call that can fail returns the Windows socket error number
// (WSAE*, 0 on success) on both targets, so messages and policies above
// the seam see one set of numbers. Socket addresses passed across the
// seam are in the Windows layout with Windows family numbers (AF_INET 2,
// AF_INET6 23); option levels and names are Windows values too. No call
// here writes a message or ends the process: the callers decide.
#pragma once

#include <cstdint>

// An operating-system socket handle (64 bits); MOS_INVALID_SOCKET is none.
typedef uint64_t MosSocket;
inline constexpr MosSocket MOS_INVALID_SOCKET = ~static_cast<MosSocket>(0);

// Windows socket error numbers seen above the seam (NET_WSAE*), from the
// table of Windows errors.
enum : uint32_t {
#define OS_WSA_ERROR(name, number, errnos) NET_##name = number,
#include "os_win_errors.def"
};

// Socket option levels and names, Windows values.
enum : int32_t {
    NET_SOL_SOCKET = 0xffff,
    NET_SO_REUSEADDR = 4,
    // Send and receive time limits of a blocking socket, in milliseconds
    // (0: none). A transfer that runs into one fails with WSAETIMEDOUT.
    NET_SO_SNDTIMEO = 0x1005,
    NET_SO_RCVTIMEO = 0x1006,
    NET_SO_SNDBUF = 0x1001,
    NET_IPPROTO_TCP = 6,
    NET_TCP_NODELAY = 1,
    NET_IPPROTO_IPV6 = 41,
    NET_IPV6_V6ONLY = 27,
};

// Address-resolution flags, Windows values.
enum : int32_t {
    NET_AI_NUMERICHOST = 0x4,
    NET_AI_ALL = 0x100,
};

// Poll events, Windows values.
enum : uint16_t {
    NET_POLLERR = 0x1,
    NET_POLLHUP = 0x2,
    NET_POLLNVAL = 0x4,
    NET_POLLWRNORM = 0x10,
};

// Starts the sockets interface asking for version 2.2. Returns the start's
// error (0 on success) and the granted version as (major | minor << 8).
uint32_t osNetSys_Startup(uint16_t *pGrantedVersion);
// Stops the sockets interface again.
void osNetSys_Cleanup();

// A TCP stream socket of the family; *pSocket is MOS_INVALID_SOCKET on
// failure. On Linux a peer that is gone never raises SIGPIPE.
uint32_t osNetSys_Socket(uint16_t family, MosSocket *pSocket);
uint32_t osNetSys_Close(MosSocket socketFd);
// Shuts down both directions.
uint32_t osNetSys_Shutdown(MosSocket socketFd);
// Wakes the calls other threads have blocked on the socket. Linux wakes
// them by shutting it down and leaves it open; Windows only by closing it,
// which it does: *pbClosed tells the caller which happened.
uint32_t osNetSys_WakeBlocked(MosSocket socketFd, bool *pbClosed);
uint32_t osNetSys_SetNonBlocking(MosSocket socketFd, bool bNonBlocking);
// Sets one 4-byte option (level and name as Windows numbers them).
uint32_t osNetSys_SetSockOpt(MosSocket socketFd, int32_t level, int32_t option, int32_t value);
uint32_t osNetSys_Bind(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen);
uint32_t osNetSys_Listen(MosSocket socketFd, int32_t backlog);
// Accepts one connection without asking for the peer's address.
uint32_t osNetSys_Accept(MosSocket socketFd, MosSocket *pNewSocket);
uint32_t osNetSys_Connect(MosSocket socketFd, const void *pSockAddr, uint32_t addrLen);
// One receive / one send; *pCount is the bytes moved (0 on error).
uint32_t osNetSys_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount);
uint32_t osNetSys_Send(MosSocket socketFd, const void *pData, uint32_t size, uint32_t *pCount);
// The local port a socket is bound to (host order).
uint32_t osNetSys_GetLocalPort(MosSocket socketFd, uint16_t *pPort);
// Polls one socket for POLLWRNORM up to timeoutMs; *pNumReady is the
// number of ready sockets, *pRevents the returned events (Windows bits).
uint32_t osNetSys_PollWrite(MosSocket socketFd, int32_t timeoutMs, int32_t *pNumReady,
                            uint16_t *pRevents);

// Resolves host text (no service name, any family, stream sockets) with
// Windows AI_* flags. On success *pbHasResult tells whether a result came
// back; the first result's family (Windows number) and address bytes (4
// or 16) are returned.
uint32_t osNetSys_GetAddrInfo(const char *pHost, int32_t flags, bool *pbHasResult,
                              uint16_t *pFamily, uint8_t pAddrBytes[16]);
// The system's one-line text for a socket or resolution error number.
void osNetSys_ErrorText(uint32_t err, char *pBuf, uint32_t bufSize);
// Address to text (inet_ntop) for a Windows family into pBuf.
uint32_t osNetSys_Ntop(uint16_t family, const void *pAddrBytes, char *pBuf, uint32_t bufSize);
