// The debug-port server's socket side: the dual-stack listener and one
// client connection, whose requests are read from the socket and
// answered by the transport-free handler of dport_request.h.
#pragma once

#include "dport_request.h"
#include "mos_net_sock.h"
#include "mos_rc.h"

#include <cstdint>

// Response bytes gathered before one send. Responses are built word by
// word; sending each word alone costs a system call apiece and, with
// Nagle's algorithm, a delayed-acknowledgement stall per response. The
// buffer starts at SDBG_SEND_BUF_SIZE and grows, once per connection, to
// hold a whole response of up to SDBG_SEND_BUF_MAX bytes, so that most
// responses leave in one send; longer ones go out in buffer-sized parts.
inline constexpr uint32_t SDBG_SEND_BUF_SIZE = 16384;
inline constexpr uint32_t SDBG_SEND_BUF_MAX = 1u << 20;

struct SdbgListener {
    MosSocket socketFd; // MOS_INVALID_SOCKET when none
};

struct SdbgClientConn {
    MosSocket socketFd;
    uint8_t *pRequest; // payload of the current request, owned
    uint32_t sizeOfRequestMsg;
    uint32_t sizeOfExpectedResponseMsg;
    uint32_t positionInResponse; // response bytes handed to the socket side
    uint8_t *pSendBuf;           // owned; none until the first response
    uint32_t sendBufSize;        // 0 while there is none: every piece is sent alone
    uint32_t sendBufUsed;
};

// Opens the listener on the port: an IPv6 socket that also takes IPv4
// peers, or IPv4 where IPv6 is not supported. MOS_RC__NO_RESOURCES (after
// the warning "WARNING: sdbg server failed to start on port %u") when it
// cannot; the socket is then none.
[[nodiscard]] MOS_RC sdbgConn_InitListener(SdbgListener *pListener, uint16_t port);
// Wakes a blocked accept on the listener. True when that closed it.
bool sdbgConn_WakeListener(SdbgListener *pListener);
// Closes the listener (unless bClosed) and marks it none.
void sdbgConn_CloseListener(SdbgListener *pListener, bool bClosed);

// Accepts one client into pConn (zeroed first). MOS_RC__ERROR when the
// accept fails.
[[nodiscard]] MOS_RC sdbgConn_Accept(SdbgListener *pListener, SdbgClientConn *pConn);

// Reads one request. MOS_RC__SUCCESS, or what ends the connection: a
// receive failure (a client that closes reads as MOS_RC__CLOSED), a bad
// magic (MOS_RC__INTERFACE_ERROR), a payload larger than any valid request
// (MOS_RC__BUF_TOO_SMALL) or a failed allocation (MOS_RC__NO_RESOURCES).
[[nodiscard]] MOS_RC sdbgConn_GetNextRequest(SdbgClientConn *pConn);

// Answers the current request and sends every byte of it before
// returning. MOS_RC__SUCCESS when the whole response went out; anything
// else ends the connection (see sdbgReq_Handle).
[[nodiscard]] MOS_RC sdbgConn_HandleRequest(SdbgClientConn *pConn, const SdbgRegistry *pRegistry,
                                            uint32_t moduleType);

// Closes the socket (no shutdown), frees the payload and the send buffer,
// zeroes the record.
void sdbgConn_Close(SdbgClientConn *pConn);
