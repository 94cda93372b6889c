#include "mos_shm_server.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_net_sock.h"
#include "mos_shm_client.h"
#include "mos_time.h"
#include "mos_trace.h"

#include <cstring>

namespace {

constexpr uint64_t SIZE_ALL_ONES = ~uint64_t{0};

MosShmServerConn *connOf(MosListNode *pNode) {
    return reinterpret_cast<MosShmServerConn *>(pNode); // node is the first field
}

void closeEntry(MosShmEntry *pEntry) {
    if (pEntry->shmFD != nullptr) {
        MOS_ASSERT_TEXT(osShm_CloseHandle(pEntry->shmFD), "bRC");
    }
    mos_MemFreeBare(pEntry);
}

// Delete with bSubstring matches the first name containing the request's;
// every other op the first equal name.
MosShmEntry *findEntry(const char *pName, bool bSubstring)
    MOS_REQUIRES(shmLayerNT_G.serverShmsLock) {
    for (MosListNode *p = shmLayerNT_G.serverShms.pFirst; p != nullptr; p = mosList_Next(p)) {
        MosShmEntry *pEntry = mosShmEntry_OfNode(p);
        if (bSubstring ? strstr(pEntry->name, pName) != nullptr
                       : strcmp(pEntry->name, pName) == 0) {
            return pEntry;
        }
    }
    return nullptr;
}

// Large pages for a size of at least half the platform's minimum, raised
// to a whole number of large pages; retried once without them.
OsShmHandle makeMapping(const char *pName, uint64_t size, bool bOpenOnly) {
    OsShmHandle handle = nullptr;
    if (bOpenOnly) {
        return osShm_OpenMapping(pName, &handle) == 0 ? handle : nullptr;
    }
    uint64_t largeMin = osShm_GetLargePageMinimum();
    if (largeMin != 0 && size >= largeMin / 2) {
        uint64_t maxSize = (size + largeMin - 1) / largeMin * largeMin;
        if (osShm_CreateMapping(pName, maxSize,
                                OS_SHM_SEC_LARGE_PAGES | OS_SHM_SEC_COMMIT | OS_SHM_PAGE_READWRITE,
                                &handle) == 0) {
            return handle;
        }
        return osShm_CreateMapping(pName, size, OS_SHM_SEC_COMMIT | OS_SHM_PAGE_READWRITE,
                                   &handle) == 0
                   ? handle
                   : nullptr;
    }
    return osShm_CreateMapping(pName, size, OS_SHM_PAGE_READWRITE, &handle) == 0 ? handle : nullptr;
}

MOS_RC createNew(const MosShmServerReq *pReq, MosShmServerResp *pResp) {
    bool bOpenOnly = (pReq->flags & MOS_SHM_FLAG__OPEN_ONLY) != 0;
    MosShmEntry *pEntry = nullptr;
    OsShmHandle handle = nullptr;
    if (pReq->size != SIZE_ALL_ONES) {
        pEntry = static_cast<MosShmEntry *>(mos_MemCallocBare(
            sizeof(MosShmEntry), MOS_MEM_MAX_SIZE, "mosShmServer_CreateShmUnlocked", true));
    }
    if (pEntry != nullptr) {
        handle = makeMapping(pReq->name, pReq->size, bOpenOnly);
    }
    if (handle == nullptr) {
        mos_MemFreeBare(pEntry);
        // A resynchronising client learns nothing from a refusal here and
        // would only reconnect and ask again.
        pResp->size = pReq->size;
        return bOpenOnly ? MOS_RC__SUCCESS : MOS_RC__NO_RESOURCES;
    }
    memcpy(pEntry->name, pReq->name, sizeof(pEntry->name));
    pEntry->size = pReq->size;
    pEntry->shmFD = handle;
    mosShmList_Append(&shmLayerNT_G.serverShms, &pEntry->node);
    pResp->size = pReq->size;
    return MOS_RC__SUCCESS;
}

MOS_RC createOrOpen(const MosShmServerReq *pReq, MosShmServerResp *pResp, MosShmEntry *pEntry) {
    if (pEntry == nullptr) {
        if ((pReq->flags & (MOS_SHM_FLAG__CREATE | MOS_SHM_FLAG__OPEN_ONLY)) == 0) {
            return MOS_RC__NOT_FOUND;
        }
        return createNew(pReq, pResp);
    }
    uint64_t effectiveSize = pReq->size != 0 ? pReq->size : pEntry->size;
    const uint8_t exclusiveCreate = MOS_SHM_FLAG__EXCLUSIVE | MOS_SHM_FLAG__CREATE;
    if ((pReq->flags & exclusiveCreate) == exclusiveCreate) {
        return MOS_RC__ALREADY_EXISTS;
    }
    if (effectiveSize > pEntry->size) {
        return MOS_RC__NOT_SUPPORTED;
    }
    pEntry->size = effectiveSize;
    pResp->size = effectiveSize;
    return MOS_RC__SUCCESS;
}

MOS_RC createShmUnlocked(const MosShmServerReq *pReq, MosShmServerResp *pResp)
    MOS_REQUIRES(shmLayerNT_G.serverShmsLock) {
    bool bSubstring = (pReq->flags & MOS_SHM_FLAG__SUBSTRING) != 0;
    if (pReq->op == MOS_SHM_OP__KEEP_ALIVE) {
        return MOS_RC__SUCCESS;
    }
    MosShmEntry *pEntry = findEntry(pReq->name, pReq->op == MOS_SHM_OP__DELETE && bSubstring);
    if (pEntry != nullptr) {
        pResp->size = pEntry->size;
    }
    if (pReq->op == MOS_SHM_OP__CREATE) {
        return createOrOpen(pReq, pResp, pEntry);
    }
    if (pEntry == nullptr) {
        return MOS_RC__NOT_FOUND;
    }
    mosShmServer_DeleteShmUnlocked(pEntry, pReq->name, true, bSubstring);
    return MOS_RC__SUCCESS;
}

void clientThrd(void *pArg) {
    auto *pConn = static_cast<MosShmServerConn *>(pArg);
    MosShmServer *pServer = pConn->pServer;
    MOS_TRACE(MOS_COMP_MOS, 1, "Started to handle new connection");
    MosShmServerReq req;
    while (pServer->recvReqCK(pConn, &req) == MOS_RC__SUCCESS) {
        mosShmProto_NormalizeName(req.name);
        MosShmServerResp resp;
        memset(&resp, 0, sizeof(resp));
        resp.rc = mosShmServer_ServeReq(&req, &resp);
        if (pServer->sendRespCK(pConn, &resp) != MOS_RC__SUCCESS) {
            break;
        }
    }
    mosFastlockBase_Acquire(&pServer->lock);
    if (pConn->sock != MOS_INVALID_SOCKET) {
        osNet_Close(pConn->sock);
        pConn->sock = MOS_INVALID_SOCKET;
    }
    mosShmList_Unlink(&pServer->clientList, &pConn->node);
    mosShmList_Append(&pServer->clientsToRem, &pConn->node);
    mosFastlockBase_Release(&pServer->lock);
}

void reapClients(MosShmServer *pServer) {
    mosFastlockBase_Acquire(&pServer->lock);
    while (pServer->clientsToRem.pFirst != nullptr) {
        MosShmServerConn *pConn = connOf(pServer->clientsToRem.pFirst);
        mosShmList_Unlink(&pServer->clientsToRem, &pConn->node);
        mosFastlockBase_Release(&pServer->lock);
        mosOsThrd_Destroy(&pConn->thread);
        mos_MemFreeBare(pConn);
        mosFastlockBase_Acquire(&pServer->lock);
    }
    mosFastlockBase_Release(&pServer->lock);
}

void newClient(MosShmServer *pServer, MosSocket sock) {
    auto *pConn = static_cast<MosShmServerConn *>(mos_MemCallocBare(
        sizeof(MosShmServerConn), MOS_MEM_MAX_SIZE, "mosShmServer_NewClient", true));
    if (pConn != nullptr) {
        (void)mosMemPinning_Pin(pConn, sizeof(*pConn), nullptr, nullptr, false);
        pConn->pServer = pServer;
        pConn->sock = sock;
        mosFastlockBase_Acquire(&pServer->lock);
        mosShmList_Append(&pServer->clientList, &pConn->node);
        mosFastlockBase_Release(&pServer->lock);
        if (mosOsThrd_Create(&pConn->thread, clientThrd, pConn) == MOS_RC__SUCCESS) {
            return;
        }
    }
    osNet_Close(sock);
    if (pConn != nullptr) {
        mosFastlockBase_Acquire(&pServer->lock);
        mosShmList_Unlink(&pServer->clientList, &pConn->node);
        mosFastlockBase_Release(&pServer->lock);
        mos_MemFreeBare(pConn);
    }
}

void acceptThrd(void *pArg) {
    auto *pServer = static_cast<MosShmServer *>(pArg);
    for (;;) {
        MosSocket sock = osNet_Accept(pServer->listenSock);
        reapClients(pServer);
        if (sock == MOS_INVALID_SOCKET) {
            return;
        }
        newClient(pServer, sock);
    }
}

MOS_RC listenOn(MosShmServer *pServer) {
    if (osNet_Socket(&pServer->listenSock, NET_SOCKET_TYPE__IPV4) != MOS_RC__SUCCESS) {
        pServer->listenSock = MOS_INVALID_SOCKET;
        return MOS_RC__NO_RESOURCES;
    }
    osNet_SetSockOpt(pServer->listenSock, NET_SOL_SOCKET, NET_SO_REUSEADDR, 1);
    NetAddress addr;
    if (netAddress_BuildFromIpv4(&addr, MOS_SHM_LOOPBACK_IPV4, pServer->port) != MOS_RC__SUCCESS ||
        !osNet_BindAddr(pServer->listenSock, &addr)) {
        return MOS_RC__NO_RESOURCES;
    }
    (void)osNet_Listen(pServer->listenSock);
    return MOS_RC__SUCCESS;
}

// Closes the sockets of every live connection so their threads end; on
// Linux the wake shuts the socket down and its thread closes it.
void wakeConnections(MosShmServer *pServer) {
    mosFastlockBase_Acquire(&pServer->lock);
    for (MosListNode *p = pServer->clientList.pFirst; p != nullptr; p = mosList_Next(p)) {
        MosShmServerConn *pConn = connOf(p);
        if (pConn->sock != MOS_INVALID_SOCKET && mosNet_WakeBlocked(pConn->sock)) {
            pConn->sock = MOS_INVALID_SOCKET;
        }
    }
    mosFastlockBase_Release(&pServer->lock);
}

bool allReaped(MosShmServer *pServer) {
    mosFastlockBase_Acquire(&pServer->lock);
    bool bEmpty = pServer->clientList.counter == 0 && pServer->clientsToRem.counter == 0;
    mosFastlockBase_Release(&pServer->lock);
    return bEmpty;
}

} // namespace

MOS_RC mosShmServer_Create(MosShmServer *pServer, uint16_t port, MosShmRecvReqCK recvReqCK,
                           MosShmSendRespCK sendRespCK) {
    memset(pServer, 0, sizeof(*pServer));
    pServer->port = port;
    pServer->recvReqCK = recvReqCK;
    pServer->sendRespCK = sendRespCK;
    pServer->listenSock = MOS_INVALID_SOCKET;
    mosFastlock_Create(&pServer->lock);
    MOS_RC rc = listenOn(pServer);
    if (rc == MOS_RC__SUCCESS) {
        rc = mosOsThrd_Create(&pServer->acceptThread, acceptThrd, pServer, "shm_server");
    }
    if (rc == MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "shm server started on port %d", static_cast<int>(port));
        return MOS_RC__SUCCESS;
    }
    if (pServer->listenSock != MOS_INVALID_SOCKET) {
        osNet_Close(pServer->listenSock);
        pServer->listenSock = MOS_INVALID_SOCKET;
    }
    mosFastlockBase_Destroy(&pServer->lock);
    return rc;
}

void mosShmServer_Destroy(MosShmServer *pServer) {
    bool bClosed = mosNet_WakeBlocked(pServer->listenSock);
    mosOsThrd_Destroy(&pServer->acceptThread);
    if (!bClosed) {
        osNet_Close(pServer->listenSock);
    }
    pServer->listenSock = MOS_INVALID_SOCKET;
    wakeConnections(pServer);
    for (;;) {
        reapClients(pServer);
        if (allReaped(pServer)) {
            break;
        }
        mosDbg_SleepMs(1);
    }
    MOS_ASSERT(((&pServer->clientsToRem)->counter) == 0);
    MOS_ASSERT(((&pServer->clientList)->counter) == 0);
    mosFastlockBase_Destroy(&pServer->lock);
}

MOS_RC mosShmServer_ServeReq(const MosShmServerReq *pReq, MosShmServerResp *pResp) {
    MOS_RC rc = MOS_RC__INVALID;
    if (pReq->op <= MOS_SHM_OP__KEEP_ALIVE) {
        mosFastlockBase_Acquire(&shmLayerNT_G.serverShmsLock);
        rc = createShmUnlocked(pReq, pResp);
        mosFastlockBase_Release(&shmLayerNT_G.serverShmsLock);
    }
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "SHM operation (name=%s, op=%d, bOpenOnly=%d ended in error %s (%d)", pReq->name,
                  static_cast<int>(pReq->op), (pReq->flags & MOS_SHM_FLAG__OPEN_ONLY) != 0 ? 1 : 0,
                  mos_RcName(rc), static_cast<int>(rc));
    }
    return rc;
}

void mosShmServer_DeleteShmUnlocked(MosShmEntry *pEntry, const char *pName, bool bUnlink,
                                    bool bSubstring) {
    MosListNode *pNext = bSubstring ? mosList_Next(&pEntry->node) : nullptr;
    if (bUnlink) {
        mosShmList_Unlink(&shmLayerNT_G.serverShms, &pEntry->node);
    }
    closeEntry(pEntry);
    while (pNext != nullptr) {
        MosShmEntry *pLater = mosShmEntry_OfNode(pNext);
        pNext = mosList_Next(pNext);
        if (strstr(pLater->name, pName) != nullptr) {
            mosShmList_Unlink(&shmLayerNT_G.serverShms, &pLater->node);
            closeEntry(pLater);
        }
    }
}

MOS_RC mosShmServer_recvReq(MosShmServerConn *pConn, MosShmServerReq *pReq) {
    memset(pReq, 0, sizeof(*pReq));
    uint8_t buf[sizeof(MosShmReqMsg)];
    MOS_RC rc = osNet_RecvAll(pConn->sock, buf, sizeof(buf));
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Failed to recv request from user: %s(%d)", mos_RcName(rc),
                  static_cast<int>(rc));
        return rc;
    }
    return mosShmProto_ParseReq(buf, pReq);
}

MOS_RC mosShmServer_sendResp(MosShmServerConn *pConn, const MosShmServerResp *pResp) {
    MosShmRespMsg msg;
    mosShmProto_BuildResp(pResp, &msg);
    return osNet_SendAll(pConn->sock, &msg, sizeof(msg));
}

MOS_RC mosShmServer_recvReqV20(MosShmServerConn *pConn, MosShmServerReq *pReq) {
    memset(pReq, 0, sizeof(*pReq));
    uint8_t buf[sizeof(MosShmMsgV20)];
    MOS_RC rc = osNet_RecvAll(pConn->sock, buf, sizeof(buf));
    if (rc == MOS_RC__SUCCESS) {
        mosShmProto_ParseReqV20(buf, pReq);
    }
    return rc;
}

MOS_RC mosShmServer_sendRespV20(MosShmServerConn *pConn, const MosShmServerResp *pResp) {
    MosShmMsgV20 msg;
    mosShmProto_BuildRespV20(pResp, &msg);
    return osNet_SendAll(pConn->sock, &msg, sizeof(msg));
}
