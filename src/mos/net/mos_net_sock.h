// Sockets of the runtime library: the process layer that starts the
// sockets interface, address parsing, and the policies over the
// operating-system seam (os_net.h): bind with retry while the port is
// in use, a connect with a time limit, whole-buffer transfers.
//
// Every socket is a TCP stream socket held by the caller. Every receive
// or send failure other than "would block" reads as MOS_RC__CLOSED: the
// caller treats the connection as gone and closes its socket. Messages
// carry Windows socket error numbers on both targets.
#pragma once

#include "mos_net.h"
#include "mos_rc.h"
#include "os_net.h"

#include <cstdint>

// The Windows socket error of the calling thread's last failed call of
// this layer (as WSAGetLastError): the system's own, or WSAEDISCON for a
// peer that closed its side, WSAEADDRNOTAVAIL for an address a connect
// cannot use, WSAETIMEDOUT for a time limit that ran out.
uint32_t mosNet_GetLastError();
// The system's one-line text for a socket or resolution error number.
void mosNet_ErrorText(uint32_t err, char *pBuf, uint32_t bufSize);

// Process layer: starts Windows Sockets 2.2. MOS_RC__INVALID when the
// start fails, MOS_RC__ERROR when another version is granted.
[[nodiscard]] MOS_RC osNetLayer_Create();
void osNetLayer_Destroy();

// Resolves pHost (no service) and builds pAddress (a PackedNetAddress when
// bPacked) from the first result. Without bResolveNames only numeric text
// is accepted. Up to 3 attempts while resolution answers WSATRY_AGAIN.
[[nodiscard]] MOS_RC buildAddrFromString(void *pAddress, const char *pHost, uint16_t port,
                                         bool bPacked, bool bResolveNames);
// Numeric IPv4 or IPv6 text only: MOS_RC__SUCCESS or MOS_RC__INVALID.
[[nodiscard]] MOS_RC netAddress_BuildFromString(NetAddress *pAddress, const char *pHost,
                                                uint16_t port);

// A stream socket of the socket type. MOS_RC__NOT_SUPPORTED when the
// family is not available, MOS_RC__NOT_READY when the network is not,
// else MOS_RC__ERROR; *pSocketFd is MOS_INVALID_SOCKET on failure.
[[nodiscard]] MOS_RC osNet_Socket(MosSocket *pSocketFd, uint32_t socketType);
void osNet_Close(MosSocket socketFd);
// Shuts down both directions; a failure is only traced.
void osNet_Shutdown(MosSocket socketFd);
// Wakes calls other threads have blocked on the socket. True when that
// closed the socket (on Windows): its owner must then not close it again.
bool mosNet_WakeBlocked(MosSocket socketFd);
void osNet_ChangeBlockMode(MosSocket socketFd, bool bNonBlocking);
// Sets a 4-byte option (Windows level and name numbers).
void osNet_SetSockOpt(MosSocket socketFd, int32_t level, int32_t option, int32_t optval);
// Lets an IPv6 socket accept IPv4-mapped peers too.
void osNet_SetSockOpt_NoIpv6Only(MosSocket socketFd);
// Binds, retrying every 100 ms (20 attempts) while the port is in use.
// True on success (not a return code).
bool osNet_BindAddr(MosSocket socketFd, const NetAddress *pAddr);
// osNet_BindAddr on the wildcard address of the socket type.
bool osNet_BindPort(MosSocket socketFd, uint16_t port, uint32_t socketType);
// Listens with a backlog of 128; a failure ends the process.
bool osNet_Listen(MosSocket socketFd);
// One accepted connection or MOS_INVALID_SOCKET.
MosSocket osNet_Accept(MosSocket socketFd);

// Connects: MOS_RC__SUCCESS, MOS_RC__PENDING on a non-blocking socket,
// MOS_RC__INVALID for an unusable address, else MOS_RC__ERROR.
[[nodiscard]] MOS_RC mosNet_Connect(MosSocket socketFd, const NetAddress *pAddr);
// Connects within timeoutMs (0: a plain blocking connect). True when the
// connection stands; the socket is blocking again afterwards.
bool osNet_BlockConnect(MosSocket socketFd, const NetAddress *pAddr, uint32_t timeoutMs);

// One receive or send: MOS_RC__SUCCESS with *pCount bytes, MOS_RC__CLOSED
// (also for 0 bytes moved), MOS_RC__NOT_READY on "would block".
[[nodiscard]] MOS_RC osNet_Recv(MosSocket socketFd, void *pBuf, uint32_t size, uint32_t *pCount);
[[nodiscard]] MOS_RC osNet_Send(MosSocket socketFd, const void *pData, uint32_t size,
                                uint32_t *pCount);
// Receives exactly size bytes; the first failure is returned with the
// bytes so far left in pBuf. A size of 0 reads as MOS_RC__CLOSED.
[[nodiscard]] MOS_RC osNet_RecvAll(MosSocket socketFd, void *pBuf, uint32_t size);
// Sends all size bytes, retrying "would block" at once. A size of 0 reads
// as MOS_RC__CLOSED.
[[nodiscard]] MOS_RC osNet_SendAll(MosSocket socketFd, const void *pData, uint32_t size);
