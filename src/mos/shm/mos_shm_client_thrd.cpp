// The "shm_client" thread: connects (framed server first, then V20), then
// serves the queue one request at a time until the connection breaks or
// the client stops. All socket traffic of the client happens here.
#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_net_sock.h"
#include "mos_shm_client_intrn.h"
#include "mos_trace.h"

#include <cstring>

namespace {

constexpr uint32_t CONNECT_TIMEOUT_MS = 500;
constexpr int32_t IDLE_WAIT_MS = 1000;

void reopenSocket(MosShmClient *pClient) {
    if (pClient->sock != MOS_INVALID_SOCKET) {
        osNet_Close(pClient->sock);
    }
    MOS_ASSERT_TEXT(osNet_Socket(&pClient->sock, NET_SOCKET_TYPE__IPV4) == MOS_RC__SUCCESS,
                    "65 == (osNet_Socket(&pClient->sock, NET_SOCKET_TYPE__IPV4))");
}

bool isStopped(MosShmClient *pClient) {
    mosFastlockBase_Acquire(&pClient->lock);
    bool bStop = pClient->bStop != 0;
    mosFastlockBase_Release(&pClient->lock);
    return bStop;
}

// Waits on the condition for up to timeoutMs unless a request or the stop
// is there already. The caller holds the lock; MOS_RC__TIMEOUT when the
// time ran out.
MOS_RC waitIdle(MosShmClient *pClient, int32_t timeoutMs) MOS_REQUIRES(pClient->lock) {
    if (pClient->bStop != 0 || pClient->reqs.pFirst != nullptr) {
        return MOS_RC__SUCCESS;
    }
    return mosOSWCond_TimedWait(&pClient->cond, &pClient->lock.slimLock, timeoutMs);
}

// mosShmClient_Connect: false when stopped first.
bool connectServer(MosShmClient *pClient, const NetAddress *pFramed, const NetAddress *pV20,
                   bool *pbV20) {
    bool bRetryTraced = false;
    for (;;) {
        if (isStopped(pClient)) {
            return false;
        }
        if (osNet_BlockConnect(pClient->sock, pFramed, CONNECT_TIMEOUT_MS)) {
            MOS_TRACE(MOS_COMP_MOS, 1, "Successfully connected to new shared memory server.");
            mosShmClient_SyncServer(pClient);
            *pbV20 = false;
            return true;
        }
        reopenSocket(pClient);
        if (osNet_BlockConnect(pClient->sock, pV20, CONNECT_TIMEOUT_MS)) {
            MOS_TRACE(MOS_COMP_MOS, 1, "Successfully connected to shared memory server.");
            *pbV20 = true;
            return true;
        }
        reopenSocket(pClient);
        if (!bRetryTraced) {
            MOS_TRACE(MOS_COMP_MOS, 1,
                      "Failed to connect to shared memory server.Will start retry loop of %d "
                      "millis interval until connection is successful",
                      static_cast<int>(CONNECT_TIMEOUT_MS));
            bRetryTraced = true;
        }
        mosShmClient_FreeAllReqs(pClient);
        mosFastlockBase_Acquire(&pClient->lock);
        (void)waitIdle(pClient, IDLE_WAIT_MS);
        mosFastlockBase_Release(&pClient->lock);
    }
}

// The next request, or null when stopped. Idle seconds on the framed
// protocol queue keep-alives.
MosShmClientReq *nextReq(MosShmClient *pClient, bool bV20) {
    mosFastlockBase_Acquire(&pClient->lock);
    while (pClient->bStop == 0 && pClient->reqs.pFirst == nullptr) {
        if (waitIdle(pClient, IDLE_WAIT_MS) == MOS_RC__TIMEOUT && !bV20 &&
            pClient->reqs.pFirst == nullptr) {
            mosShmClient_KeepAlive(pClient);
        }
    }
    MosShmClientReq *pReq = nullptr;
    if (pClient->bStop == 0) {
        MosListNode *pNode = pClient->reqs.pFirst;
        mosShmList_Unlink(&pClient->reqs, pNode);
        pReq = reinterpret_cast<MosShmClientReq *>(pNode);
    }
    mosFastlockBase_Release(&pClient->lock);
    return pReq;
}

bool keepsConnection(MOS_RC rc) {
    return rc == MOS_RC__SUCCESS || rc == MOS_RC__NOT_FOUND || rc == MOS_RC__ALREADY_EXISTS;
}

// False when stopped; true when the connection broke.
bool serve(MosShmClient *pClient, bool bV20) {
    for (;;) {
        MosShmClientReq *pReq = nextReq(pClient, bV20);
        if (pReq == nullptr) {
            return false;
        }
        if (!keepsConnection(mosShmClient_DoOneReq(pClient, pReq, bV20))) {
            reopenSocket(pClient);
            return true;
        }
    }
}

MOS_RC exchangeV20(MosShmClient *pClient, const MosShmClientReq *pReq, uint8_t flags,
                   uint64_t *pReplySize, uint32_t *pReplyRc) {
    if (pReq->op == MOS_SHM_OP__KEEP_ALIVE) {
        *pReplyRc = MOS_RC__SUCCESS;
        return MOS_RC__SUCCESS;
    }
    MosShmMsgV20 msg;
    if (mosShmProto_BuildReqV20(&msg, static_cast<uint8_t>(pReq->op), flags, pReq->name,
                                pReq->size) != MOS_RC__SUCCESS) {
        return MOS_RC__ILLEGAL;
    }
    MOS_RC rc = osNet_SendAll(pClient->sock, &msg, sizeof(msg));
    if (rc == MOS_RC__SUCCESS) {
        rc = osNet_RecvAll(pClient->sock, &msg, sizeof(msg));
    }
    if (rc == MOS_RC__SUCCESS) {
        mosShmProto_ParseRespV20(&msg, pReplySize, pReplyRc);
    }
    return rc;
}

MOS_RC exchangeFramed(MosShmClient *pClient, const MosShmClientReq *pReq, uint8_t flags,
                      uint64_t *pReplySize, uint32_t *pReplyRc) {
    MosShmReqMsg req;
    mosShmProto_BuildReq(&req, static_cast<uint8_t>(pReq->op), flags, pReq->name, pReq->size);
    MOS_RC rc = osNet_SendAll(pClient->sock, &req, sizeof(req));
    uint8_t reply[sizeof(MosShmRespMsg)];
    if (rc == MOS_RC__SUCCESS) {
        rc = osNet_RecvAll(pClient->sock, reply, sizeof(reply));
    }
    return rc == MOS_RC__SUCCESS ? mosShmProto_ParseResp(reply, pReplySize, pReplyRc) : rc;
}

MOS_RC sendRecvReq(MosShmClient *pClient, const MosShmClientReq *pReq, bool bV20,
                   uint64_t *pReplySize, uint32_t *pReplyRc) {
    uint8_t flags = static_cast<uint8_t>((pReq->bExclusive != 0 ? MOS_SHM_FLAG__EXCLUSIVE : 0) |
                                         (pReq->bCreate != 0 ? MOS_SHM_FLAG__CREATE : 0) |
                                         (pReq->bSubstring != 0 ? MOS_SHM_FLAG__SUBSTRING : 0) |
                                         (pReq->bOpenOnly != 0 ? MOS_SHM_FLAG__OPEN_ONLY : 0));
    return bV20 ? exchangeV20(pClient, pReq, flags, pReplySize, pReplyRc)
                : exchangeFramed(pClient, pReq, flags, pReplySize, pReplyRc);
}

// Only an exclusive create proves that the server made the segment for this
// request; any other grant may have opened a segment others use.
bool grantCreatedTheSegment(const MosShmClientReq *pReq) {
    return pReq->bCreate != 0 && pReq->bExclusive != 0;
}

// The segment was made in the server but cannot be opened here: have the
// server drop it again. Returns the exchange's code for the connection.
MOS_RC undoCreate(MosShmClient *pClient, MosShmClientReq *pReq, bool bV20) {
    pReq->op = MOS_SHM_OP__DELETE;
    pReq->bCreate = 0;
    pReq->bExclusive = 0;
    pReq->bSubstring = 0;
    pReq->bOpenOnly = 0;
    uint64_t replySize = 0;
    uint32_t replyRc = 0;
    return sendRecvReq(pClient, pReq, bV20, &replySize, &replyRc);
}

// The local effect of a granted create or open. *pResult is the request's
// result; the return is the connection's verdict.
MOS_RC openGranted(MosShmClient *pClient, MosShmClientReq *pReq, bool bV20, uint64_t replySize,
                   MOS_RC *pResult) {
    MosShm *pShm = pReq->pShm;
    if (pReq->size == 0 && pShm != nullptr) {
        pShm->memSize = replySize;
    } else if (pReq->size != 0 && replySize < pReq->size) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Fail shared memory because size %d too big (Max %d):",
                  static_cast<int>(pReq->size), static_cast<int>(replySize));
        *pResult = MOS_RC__NOT_SUPPORTED;
        return MOS_RC__SUCCESS;
    }
    if (pReq->bOpenOnly != 0 || pShm == nullptr) {
        *pResult = MOS_RC__SUCCESS;
        return MOS_RC__SUCCESS;
    }
    if (pShm->memSize == 0) {
        // A grant of nothing cannot be mapped; refuse it rather than hand
        // the caller a record that cannot be used.
        *pResult = MOS_RC__INVALID;
        return MOS_RC__SUCCESS;
    }
    OsShmHandle handle = nullptr;
    if (osShm_OpenMapping(pReq->name, &handle) != 0) {
        *pResult = MOS_RC__ERROR;
        // Deleting a segment this request did not make would take it from
        // the processes that use it.
        return grantCreatedTheSegment(pReq) ? undoCreate(pClient, pReq, bV20) : MOS_RC__SUCCESS;
    }
    pShm->shmFD = handle;
    // The size granted, not the size asked: an open with size 0 must not
    // resynchronise a later server with a segment of 0 bytes.
    mosShmClient_RegisterShmHandle(pClient, pReq->name, pShm->memSize, handle);
    *pResult = MOS_RC__SUCCESS;
    return MOS_RC__SUCCESS;
}

void deleteGranted(MosShmClient *pClient, MosShmClientReq *pReq) {
    MosShm *pShm = pReq->pShm;
    if (pShm != nullptr && pShm->shmFD != nullptr) {
        (void)osShm_CloseHandle(pShm->shmFD);
        pShm->shmFD = nullptr;
    }
    mosShmClient_UnRegisterShmHandle(pClient, pReq->name, pReq->bSubstring != 0);
}

} // namespace

MOS_RC mosShmClient_DoOneReq(MosShmClient *pClient, MosShmClientReq *pReq, bool bV20) {
    uint64_t replySize = 0;
    uint32_t replyRc = 0;
    MOS_RC verdict = sendRecvReq(pClient, pReq, bV20, &replySize, &replyRc);
    MOS_RC result = verdict;
    if (verdict == MOS_RC__SUCCESS && replyRc != MOS_RC__SUCCESS) {
        verdict = replyRc;
        result = replyRc;
    } else if (verdict == MOS_RC__SUCCESS && pReq->op == MOS_SHM_OP__DELETE) {
        deleteGranted(pClient, pReq);
    } else if (verdict == MOS_RC__SUCCESS && pReq->op == MOS_SHM_OP__CREATE) {
        verdict = openGranted(pClient, pReq, bV20, replySize, &result);
    }
    pReq->result = result;
    pReq->doneCK(pReq);
    return verdict;
}

void mosShmClient_Thrd(void *pArg) {
    auto *pClient = static_cast<MosShmClient *>(pArg);
    NetAddress framedAddr;
    NetAddress v20Addr;
    MOS_ASSERT_TEXT(netAddress_BuildFromIpv4(&framedAddr, MOS_SHM_LOOPBACK_IPV4, pClient->port) ==
                        MOS_RC__SUCCESS,
                    "netAddress_BuildFromIpv4");
    MOS_ASSERT_TEXT(netAddress_BuildFromIpv4(&v20Addr, MOS_SHM_LOOPBACK_IPV4, pClient->portV20) ==
                        MOS_RC__SUCCESS,
                    "netAddress_BuildFromIpv4");
    bool bV20 = false;
    while (connectServer(pClient, &framedAddr, &v20Addr, &bV20) && serve(pClient, bV20)) {
    }
    // Nobody may be left waiting for a client that is gone.
    mosShmClient_FreeAllReqs(pClient);
}
