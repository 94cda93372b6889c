// The client thread serves one request at a time in queue order. Callers
// that wait embed their request in a record with a one-shot event (lock,
// condition and flag): the user-mode-thread semaphore's role, since no
// user-mode scheduler runs in these programs.
#include "mos_shm_client.h"

#include "mos_shm_client_intrn.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_net_sock.h"
#include "mos_trace.h"

#include <cstring>

MosShmLayerNT shmLayerNT_G;

namespace {

uint16_t framedPort_G = MOS_SHM_PORT_FRAMED;

struct ShmSyncReq {
    MosShmClientReq req; // first: doneCK gets it back from the request
    MosFastlock lock;
    MosOSWCond cond;
    uint32_t bDone;
};

MosShmClientReq *reqOf(MosListNode *pNode) {
    return reinterpret_cast<MosShmClientReq *>(pNode); // asyncObj.node is first
}

void syncDoneCK(MosShmClientReq *pReq) {
    auto *pSync = reinterpret_cast<ShmSyncReq *>(pReq);
    mosFastlockBase_Acquire(&pSync->lock);
    pSync->bDone = 1;
    mosOSWCond_Broadcast(&pSync->cond);
    mosFastlockBase_Release(&pSync->lock);
}

void freeReqCK(MosShmClientReq *pReq) {
    mos_MemFreeBare(pReq);
}

void queueReq(MosShmClient *pClient, MosShmClientReq *pReq) {
    mosFastlockBase_Acquire(&pClient->lock);
    MOS_ASSERT_TEXT(pReq->asyncObj.node.pPrev == nullptr,
                    "(&pReq->asyncObj.node)->pPrev == ((void *)0)");
    mosShmList_Append(&pClient->reqs, &pReq->asyncObj.node);
    mosOSWCond_Signal(&pClient->cond);
    mosFastlockBase_Release(&pClient->lock);
}

void newReq(MosShmClient *pClient, MosShm *pShm, MosShmClientReq *pReq, MosShmClientDoneCK doneCK,
            const char *pName, uint64_t size, uint32_t op, uint32_t flags) {
    pReq->op = op;
    pReq->bExclusive = (flags & MOS_SHM_FLAG__EXCLUSIVE) != 0 ? 1 : 0;
    pReq->bCreate = (flags & MOS_SHM_FLAG__CREATE) != 0 ? 1 : 0;
    pReq->bSubstring = (flags & MOS_SHM_FLAG__SUBSTRING) != 0 ? 1 : 0;
    pReq->bOpenOnly = (flags & MOS_SHM_FLAG__OPEN_ONLY) != 0 ? 1 : 0;
    pReq->doneCK = doneCK;
    mosShmProto_CopyName(pReq->name, sizeof(pReq->name), pName);
    pReq->size = size;
    pReq->pShm = pShm;
    queueReq(pClient, pReq);
}

// Queues the request and blocks until the client thread completed it.
uint32_t runSync(MosShm *pShm, const char *pName, uint64_t size, uint32_t op, uint32_t flags) {
    ShmSyncReq sync;
    memset(&sync, 0, sizeof(sync));
    mosFastlock_Create(&sync.lock);
    mosOSWCond_Init(&sync.cond);
    newReq(&shmLayerNT_G.client, pShm, &sync.req, syncDoneCK, pName, size, op, flags);
    mosFastlockBase_Acquire(&sync.lock);
    while (sync.bDone == 0) {
        mosOSWCond_Wait(&sync.cond, &sync.lock);
    }
    // The lock taken after the completion orders the record and the result
    // written by the client thread before these reads.
    mosFastlockBase_Release(&sync.lock);
    mosOSWCond_Destroy(&sync.cond);
    mosFastlockBase_Destroy(&sync.lock);
    return sync.req.result;
}

uint32_t flagsOf(uint32_t bCreate, uint32_t bExclusive) {
    return (bCreate != 0 ? uint32_t{MOS_SHM_FLAG__CREATE} : 0u) |
           (bExclusive != 0 ? uint32_t{MOS_SHM_FLAG__EXCLUSIVE} : 0u);
}

} // namespace

// ---- client internals

void mosShmClient_FreeAllReqs(MosShmClient *pClient) {
    mosFastlockBase_Acquire(&pClient->lock);
    MosListAnchor detached = pClient->reqs;
    memset(&pClient->reqs, 0, sizeof(pClient->reqs));
    mosFastlockBase_Release(&pClient->lock);
    for (MosListNode *p = detached.pFirst; p != nullptr;) {
        MosListNode *pNext = mosList_Next(p);
        p->pNext = nullptr;
        p->pPrev = nullptr;
        MosShmClientReq *pReq = reqOf(p);
        pReq->doneCK(pReq);
        p = pNext;
    }
}

void mosShmClient_UnRegisterShmHandle(MosShmClient *pClient, const char *pName, bool bSubstring) {
    mosFastlockBase_Acquire(&pClient->lock);
    MosListNode *p = pClient->shms.pFirst;
    while (p != nullptr) {
        MosListNode *pNext = mosList_Next(p);
        MosShmEntry *pEntry = mosShmEntry_OfNode(p);
        if (bSubstring ? strstr(pEntry->name, pName) != nullptr
                       : strcmp(pEntry->name, pName) == 0) {
            mosShmList_Unlink(&pClient->shms, p);
            mos_MemFreeBare(pEntry);
        }
        p = pNext;
    }
    mosFastlockBase_Release(&pClient->lock);
}

void mosShmClient_RegisterShmHandle(MosShmClient *pClient, const char *pName, uint64_t size,
                                    OsShmHandle handle) {
    auto *pEntry = static_cast<MosShmEntry *>(mos_MemCallocBare(
        sizeof(MosShmEntry), MOS_MEM_MAX_SIZE, "mosShmClient_RegisterShmHandle", true));
    if (pEntry == nullptr) {
        return;
    }
    mosShmProto_CopyName(pEntry->name, sizeof(pEntry->name), pName);
    pEntry->size = size;
    pEntry->shmFD = handle;
    mosFastlockBase_Acquire(&pClient->lock);
    mosShmList_Append(&pClient->shms, &pEntry->node);
    mosFastlockBase_Release(&pClient->lock);
}

// Queues, ahead of everything already queued, one open-only request per
// registered segment, so a new server holds them before anything else.
void mosShmClient_SyncServer(MosShmClient *pClient) {
    mosFastlockBase_Acquire(&pClient->lock);
    MosListAnchor waiting = pClient->reqs;
    memset(&pClient->reqs, 0, sizeof(pClient->reqs));
    for (MosListNode *p = pClient->shms.pFirst; p != nullptr; p = mosList_Next(p)) {
        auto *pReq = static_cast<MosShmClientReq *>(mos_MemCallocBare(
            sizeof(MosShmClientReq), MOS_MEM_MAX_SIZE, "mosShmClient_SyncServer", true));
        if (pReq == nullptr) {
            continue;
        }
        MosShmEntry *pEntry = mosShmEntry_OfNode(p);
        pReq->doneCK = freeReqCK;
        mosShmProto_CopyName(pReq->name, sizeof(pReq->name), pEntry->name);
        pReq->size = pEntry->size;
        pReq->op = MOS_SHM_OP__CREATE;
        pReq->bOpenOnly = 1;
        mosShmList_Append(&pClient->reqs, &pReq->asyncObj.node);
    }
    for (MosListNode *p = waiting.pFirst; p != nullptr;) {
        MosListNode *pNext = mosList_Next(p);
        p->pNext = nullptr;
        p->pPrev = nullptr;
        mosShmList_Append(&pClient->reqs, p);
        p = pNext;
    }
    mosFastlockBase_Release(&pClient->lock);
}

void mosShmClient_KeepAlive(MosShmClient *pClient) {
    auto *pReq = static_cast<MosShmClientReq *>(mos_MemCallocBare(
        sizeof(MosShmClientReq), MOS_MEM_MAX_SIZE, "mosShmClient_KeepAlive", true));
    if (pReq != nullptr) {
        pReq->doneCK = freeReqCK;
        pReq->op = MOS_SHM_OP__KEEP_ALIVE;
        mosShmList_Append(&pClient->reqs, &pReq->asyncObj.node); // the caller holds lock
    }
}

// ---- start and stop

void mosShmClient_SetFramedPort(uint16_t port) {
    framedPort_G = port != 0 ? port : MOS_SHM_PORT_FRAMED;
}

void mosShmClient_Destroy(MosShmClient *pClient) {
    if (pClient->bThreadStarted != 0) {
        mosFastlockBase_Acquire(&pClient->lock);
        pClient->bStop = 1;
        mosOSWCond_Broadcast(&pClient->cond);
        mosFastlockBase_Release(&pClient->lock);
        mosOsThrd_Destroy(&pClient->thread);
        pClient->bThreadStarted = 0;
    }
    if (pClient->sock != MOS_INVALID_SOCKET) {
        osNet_Close(pClient->sock);
        pClient->sock = MOS_INVALID_SOCKET;
    }
    // The handles belong to the callers' records.
    mosFastlockBase_Acquire(&pClient->lock);
    while (pClient->shms.pFirst != nullptr) {
        MosListNode *p = pClient->shms.pFirst;
        mosShmList_Unlink(&pClient->shms, p);
        mos_MemFreeBare(mosShmEntry_OfNode(p));
    }
    mosFastlockBase_Release(&pClient->lock);
    mosOSWCond_Destroy(&pClient->cond);
    mosFastlockBase_Destroy(&pClient->lock);
}

namespace {

void destroyServersAndClient() {
    if (shmLayerNT_G.bServersStarted != 0) {
        mosShmServer_Destroy(&shmLayerNT_G.serverV20);
        mosShmServer_Destroy(&shmLayerNT_G.server);
        shmLayerNT_G.bServersStarted = 0;
    }
    mosShmClient_Destroy(&shmLayerNT_G.client);
}

MOS_RC startServers(MosShmClient *pClient) {
    mosFastlock_Create(&shmLayerNT_G.serverShmsLock);
    MOS_RC rc = mosShmServer_Create(&shmLayerNT_G.serverV20, pClient->portV20,
                                    mosShmServer_recvReqV20, mosShmServer_sendRespV20);
    if (rc != MOS_RC__SUCCESS) {
        mosShmClient_Destroy(pClient);
        return rc;
    }
    rc = mosShmServer_Create(&shmLayerNT_G.server, pClient->port, mosShmServer_recvReq,
                             mosShmServer_sendResp);
    if (rc != MOS_RC__SUCCESS) {
        mosShmServer_Destroy(&shmLayerNT_G.serverV20);
        mosShmClient_Destroy(pClient);
        return rc;
    }
    shmLayerNT_G.bServersStarted = 1;
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC mosShmClient_Create(const MosShmParams *pParams) {
    memset(&shmLayerNT_G, 0, sizeof(shmLayerNT_G));
    MosShmClient *pClient = &shmLayerNT_G.client;
    mosFastlock_Create(&pClient->lock);
    mosOSWCond_Init(&pClient->cond);
    pClient->portV20 = pParams != nullptr && pParams->shm_server_port != 0
                           ? static_cast<uint16_t>(pParams->shm_server_port)
                           : MOS_SHM_PORT_V20_DEFAULT;
    pClient->port = framedPort_G;
    if (osNet_Socket(&pClient->sock, NET_SOCKET_TYPE__IPV4) != MOS_RC__SUCCESS) {
        pClient->sock = MOS_INVALID_SOCKET;
        mosShmClient_Destroy(pClient);
        return MOS_RC__NO_RESOURCES;
    }
    MOS_RC rc = mosOsThrd_Create(&pClient->thread, mosShmClient_Thrd, pClient, "shm_client");
    if (rc != MOS_RC__SUCCESS) {
        mosShmClient_Destroy(pClient);
        return rc;
    }
    pClient->bThreadStarted = 1;
    if (pParams == nullptr || pParams->shm_server_on == 0) {
        return MOS_RC__SUCCESS;
    }
    return startServers(pClient);
}

void mosShmLayer_CloseServerShms() {
    mosFastlockBase_Acquire(&shmLayerNT_G.serverShmsLock);
    while (shmLayerNT_G.serverShms.pFirst != nullptr) {
        MosShmEntry *pEntry = mosShmEntry_OfNode(shmLayerNT_G.serverShms.pFirst);
        mosShmList_Unlink(&shmLayerNT_G.serverShms, &pEntry->node);
        mosShmServer_DeleteShmUnlocked(pEntry, pEntry->name, false, false);
    }
    mosFastlockBase_Release(&shmLayerNT_G.serverShmsLock);
}

void mosShmLayer_DestroyOs() {
    destroyServersAndClient();
    mosShmLayer_CloseServerShms();
}

// ---- segment operations

MOS_RC mosShmUmt_CreateOs(MosShm *pShm, const char *pName, uint64_t size, uint32_t bCreate,
                          uint32_t bExclusive) {
    memset(pShm, 0, sizeof(*pShm));
    mosShmProto_CopyName(pShm->name, sizeof(pShm->name), pName);
    pShm->memSize = size;
    MOS_TRACE(MOS_COMP_MOS, 1, "Shared memory create size %llu name %s. bCreate %d bExclusive %d",
              static_cast<unsigned long long>(size), pShm->name, static_cast<int>(bCreate),
              static_cast<int>(bExclusive));
    uint32_t result =
        runSync(pShm, pShm->name, size, MOS_SHM_OP__CREATE, flagsOf(bCreate, bExclusive));
    MOS_TRACE(MOS_COMP_MOS, 1,
              "Shared memory create done size %llu name %s. bCreate %d bExclusive %d. shmFD %p.",
              static_cast<unsigned long long>(pShm->memSize), pShm->name, static_cast<int>(bCreate),
              static_cast<int>(bExclusive), pShm->shmFD);
    return pShm->shmFD != nullptr ? MOS_RC__SUCCESS : result;
}

MOS_RC mosShm_Map(MosShm *pShm) {
    MOS_ASSERT((pShm->pMem) == ((void *)0));
    MOS_ASSERT(pShm->memSize != 0);
    MOS_ASSERT(pShm->shmFD != ((void *)0));
    void *pMem = nullptr;
    if (osShm_MapView(pShm->shmFD, pShm->memSize, &pMem) != 0) {
        return MOS_RC__ERROR;
    }
    pShm->pMem = pMem;
    return MOS_RC__SUCCESS;
}

void mosShm_Unmap(MosShm *pShm) {
    if (pShm->pMem == nullptr) {
        return;
    }
    MOS_ASSERT(pShm->memSize != 0);
    bool bRC = osShm_UnmapView(pShm->pMem, pShm->memSize);
    MOS_ASSERT(bRC);
    pShm->pMem = nullptr;
    pShm->memSize = 0;
}

void mosShm_CloseOs(MosShm *pShm) {
    mosShm_Unmap(pShm);
    mosShmClient_UnRegisterShmHandle(&shmLayerNT_G.client, pShm->name, false);
    MOS_ASSERT(pShm->shmFD != ((void *)0));
    bool bRC = osShm_CloseHandle(pShm->shmFD);
    MOS_ASSERT(bRC);
    pShm->shmFD = nullptr;
}

void mosShmClient_DestroyShmInServer(const char *pName) {
    if (pName == nullptr || pName[0] == '\0') {
        return;
    }
    MosShm local;
    memset(&local, 0, sizeof(local));
    mosShmProto_CopyName(local.name, sizeof(local.name), pName);
    (void)runSync(&local, local.name, 0, MOS_SHM_OP__DELETE, 0);
}

void mosShmUmt_DestroyOs(MosShm *pShm) {
    mosShmClient_DestroyShmInServer(pShm->name);
    mosShm_Unmap(pShm);
    if (pShm->shmFD != nullptr) {
        mosShmClient_UnRegisterShmHandle(&shmLayerNT_G.client, pShm->name, false);
        bool bRC = osShm_CloseHandle(pShm->shmFD);
        MOS_ASSERT(bRC);
    }
    memset(pShm, 0, sizeof(*pShm));
}

uint32_t mosShmClient_GetNumShms() {
    mosFastlockBase_Acquire(&shmLayerNT_G.client.lock);
    uint32_t count = shmLayerNT_G.client.shms.counter;
    mosFastlockBase_Release(&shmLayerNT_G.client.lock);
    return count;
}
