#include "dport_server_conn.h"

#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_trace.h"

#include <cstring>

namespace {

void freeRequest(SdbgClientConn *pConn) {
    mos_MemFreeBare(pConn->pRequest);
    pConn->pRequest = nullptr;
}

MOS_RC flushSendBuf(SdbgClientConn *pConn) {
    if (pConn->sendBufUsed == 0) {
        return MOS_RC__SUCCESS;
    }
    uint32_t size = pConn->sendBufUsed;
    pConn->sendBufUsed = 0;
    return osNet_SendAll(pConn->socketFd, pConn->pSendBuf, size);
}

// Makes the send buffer large enough for a whole response of
// responseSize bytes, within SDBG_SEND_BUF_MAX. A buffer that cannot
// grow stays as it is; responses are then sent in more parts.
void growSendBuf(SdbgClientConn *pConn, uint32_t responseSize) {
    uint32_t want = responseSize < SDBG_SEND_BUF_SIZE ? SDBG_SEND_BUF_SIZE : responseSize;
    want = want > SDBG_SEND_BUF_MAX ? SDBG_SEND_BUF_MAX : want;
    if (want <= pConn->sendBufSize) {
        return;
    }
    auto *pBuf = static_cast<uint8_t *>(
        mos_MemMallocBare(want, MOS_MEM_NO_LIMIT, "sdbgConn_SendBuffer", true));
    if (pBuf == nullptr) {
        return;
    }
    mos_MemFreeBare(pConn->pSendBuf);
    pConn->pSendBuf = pBuf;
    pConn->sendBufSize = want;
}

// Responses are mostly u32 words and 12-byte record headers: copies of a
// size known here are inlined, where a general copy costs a library call
// for every piece.
inline void copyPiece(uint8_t *pDst, const void *pSrc, uint32_t size) {
    if (size == 4) {
        memcpy(pDst, pSrc, 4);
    } else if (size == 12) {
        memcpy(pDst, pSrc, 12);
    } else {
        memcpy(pDst, pSrc, size);
    }
}

// Gathers response bytes; sends when the buffer is full. A piece as large
// as the buffer goes out directly, after the bytes buffered before it.
MOS_RC writeToSocket(void *pCtx, const void *pData, uint32_t size) {
    auto *pConn = static_cast<SdbgClientConn *>(pCtx);
    if (size == 0) {
        return MOS_RC__SUCCESS;
    }
    if (size > pConn->sendBufSize - pConn->sendBufUsed) {
        MOS_RC rc = flushSendBuf(pConn);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
        if (size >= pConn->sendBufSize) {
            rc = osNet_SendAll(pConn->socketFd, pData, size);
            if (rc == MOS_RC__SUCCESS) {
                pConn->positionInResponse += size;
            }
            return rc;
        }
    }
    copyPiece(pConn->pSendBuf + pConn->sendBufUsed, pData, size);
    pConn->sendBufUsed += size;
    pConn->positionInResponse += size;
    return MOS_RC__SUCCESS;
}

MOS_RC openListenerOfType(SdbgListener *pListener, uint32_t socketType, uint16_t port) {
    MOS_RC rc = osNet_Socket(&pListener->socketFd, socketType);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    osNet_SetSockOpt(pListener->socketFd, NET_SOL_SOCKET, NET_SO_REUSEADDR, 1);
    if (socketType == NET_SOCKET_TYPE__IPV6) {
        osNet_SetSockOpt_NoIpv6Only(pListener->socketFd);
    }
    if (!osNet_BindPort(pListener->socketFd, port, socketType)) {
        return MOS_RC__ERROR;
    }
    (void)osNet_Listen(pListener->socketFd);
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC sdbgConn_InitListener(SdbgListener *pListener, uint16_t port) {
    pListener->socketFd = MOS_INVALID_SOCKET;
    MOS_RC rc = MOS_RC__ERROR;
    for (uint32_t socketType : {NET_SOCKET_TYPE__IPV6, NET_SOCKET_TYPE__IPV4}) {
        rc = openListenerOfType(pListener, socketType, port);
        if (rc != MOS_RC__NOT_SUPPORTED) {
            break;
        }
    }
    if (rc == MOS_RC__SUCCESS) {
        return MOS_RC__SUCCESS;
    }
    MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: sdbg server failed to start on port %u",
              static_cast<uint32_t>(port));
    if (pListener->socketFd != MOS_INVALID_SOCKET) {
        osNet_Close(pListener->socketFd);
        pListener->socketFd = MOS_INVALID_SOCKET;
    }
    return MOS_RC__NO_RESOURCES;
}

bool sdbgConn_WakeListener(SdbgListener *pListener) {
    return pListener->socketFd != MOS_INVALID_SOCKET && mosNet_WakeBlocked(pListener->socketFd);
}

void sdbgConn_CloseListener(SdbgListener *pListener, bool bClosed) {
    if (pListener->socketFd != MOS_INVALID_SOCKET && !bClosed) {
        osNet_Close(pListener->socketFd);
    }
    pListener->socketFd = MOS_INVALID_SOCKET;
}

MOS_RC sdbgConn_Accept(SdbgListener *pListener, SdbgClientConn *pConn) {
    memset(pConn, 0, sizeof(*pConn));
    pConn->socketFd = osNet_Accept(pListener->socketFd);
    if (pConn->socketFd == MOS_INVALID_SOCKET) {
        return MOS_RC__ERROR;
    }
    // Each response leaves in as few segments as it takes, without waiting
    // for the acknowledgement of the previous one.
    osNet_SetSockOpt(pConn->socketFd, NET_IPPROTO_TCP, NET_TCP_NODELAY, 1);
    return MOS_RC__SUCCESS;
}

MOS_RC sdbgConn_GetNextRequest(SdbgClientConn *pConn) {
    freeRequest(pConn);
    pConn->sizeOfRequestMsg = 0;
    pConn->sizeOfExpectedResponseMsg = 0;
    pConn->positionInResponse = 0;
    SdbgMsgHeader header;
    MOS_RC rc = osNet_RecvAll(pConn->socketFd, &header, sizeof(header));
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    rc = sdbgReq_CheckHeader(&header);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    pConn->sizeOfRequestMsg = header.sizeOfRequestMsg;
    pConn->sizeOfExpectedResponseMsg = header.sizeOfExpectedResponseMsg;
    pConn->pRequest = static_cast<uint8_t *>(
        mos_MemCallocBare(pConn->sizeOfRequestMsg == 0 ? 1 : pConn->sizeOfRequestMsg,
                          MOS_MEM_NO_LIMIT, "sdbgConn_GetNextRequest", true));
    if (pConn->pRequest == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    // Advisory: pinning may be off or the buffer below its threshold.
    (void)mosMemPinning_Pin(pConn->pRequest, pConn->sizeOfRequestMsg, nullptr, nullptr, false);
    rc = osNet_RecvAll(pConn->socketFd, pConn->pRequest, pConn->sizeOfRequestMsg);
    if (rc != MOS_RC__SUCCESS) {
        freeRequest(pConn);
    }
    return rc;
}

MOS_RC sdbgConn_HandleRequest(SdbgClientConn *pConn, const SdbgRegistry *pRegistry,
                              uint32_t moduleType) {
    growSendBuf(pConn, pConn->sizeOfExpectedResponseMsg);
    pConn->sendBufUsed = 0;
    SdbgResponse resp = {{writeToSocket, pConn}, pConn->sizeOfExpectedResponseMsg, 0};
    MOS_RC rc =
        sdbgReq_Handle(pRegistry, moduleType, pConn->pRequest, pConn->sizeOfRequestMsg, &resp);
    // A partial answer (a missing by-index element) still reaches the
    // client before the connection is closed.
    MOS_RC flushRc = flushSendBuf(pConn);
    freeRequest(pConn);
    return rc == MOS_RC__SUCCESS ? flushRc : rc;
}

void sdbgConn_Close(SdbgClientConn *pConn) {
    if (pConn->socketFd != MOS_INVALID_SOCKET) {
        osNet_Close(pConn->socketFd);
    }
    freeRequest(pConn);
    mos_MemFreeBare(pConn->pSendBuf);
    memset(pConn, 0, sizeof(*pConn));
}
