#include "dport_server.h"

#include "dport_proto.h"
#include "dport_server_conn.h"
#include "mos_debug.h"
#include "mos_fastlock.h"
#include "mos_os_thread.h"
#include "mos_trace.h"

#include <atomic>
#include <cstring>

namespace {

struct SdbgServerEnv {
    std::atomic<uint32_t> startCount;
};

struct SdbgServer {
    SdbgServerConf conf;
    SdbgClientConn conn;
    SdbgListener listener;
    bool bListening; // the listener (and clientLock) exist
    MosOsThrd thread;
    bool bThreadRunning;
    std::atomic<bool> bStopping;
    // Guards activeClient. The destroy path wakes a receive blocked on an
    // idle client through it; where waking closed the socket, it marks the
    // client none so that the thread does not close it again.
    MosFastlock clientLock;
    MosSocket activeClient MOS_GUARDED_BY(clientLock);
    SdbgServerEnv env;
};

SdbgServer sdbgServerLayer_G;
MosObjType memAllocatorType_G;

uint32_t mosAtomic_AddUint32(std::atomic<uint32_t> *pValue, uint32_t add) {
    return pValue->fetch_add(add);
}

void setActiveClient(SdbgServer *pServer, MosSocket socketFd) MOS_EXCLUDES(pServer->clientLock) {
    (void)mosFastlockBase_Acquire(&pServer->clientLock);
    pServer->activeClient = socketFd;
    mosFastlockBase_Release(&pServer->clientLock);
}

// False when the destroy path has already taken (and closed) the socket.
bool releaseActiveClient(SdbgServer *pServer) MOS_EXCLUDES(pServer->clientLock) {
    (void)mosFastlockBase_Acquire(&pServer->clientLock);
    bool bMine = pServer->activeClient != MOS_INVALID_SOCKET;
    pServer->activeClient = MOS_INVALID_SOCKET;
    mosFastlockBase_Release(&pServer->clientLock);
    return bMine;
}

void serveClient(SdbgServer *pServer) {
    SdbgClientConn *pConn = &pServer->conn;
    for (;;) {
        if (sdbgConn_GetNextRequest(pConn) != MOS_RC__SUCCESS) {
            return;
        }
        if (sdbgConn_HandleRequest(pConn, sdbgReq_MosObjRegistry(), pServer->conf.moduleType) !=
            MOS_RC__SUCCESS) {
            return;
        }
    }
}

void serverThread(void *pArg) {
    auto *pServer = static_cast<SdbgServer *>(pArg);
    memset(&pServer->conn, 0, sizeof(pServer->conn));
    // The listener record stays as it is until this thread has been joined.
    while (!pServer->bStopping.load()) {
        if (sdbgConn_Accept(&pServer->listener, &pServer->conn) != MOS_RC__SUCCESS) {
            return;
        }
        setActiveClient(pServer, pServer->conn.socketFd);
        if (!pServer->bStopping.load()) {
            serveClient(pServer);
        }
        if (!releaseActiveClient(pServer)) {
            pServer->conn.socketFd = MOS_INVALID_SOCKET; // closed by the destroy path
        }
        sdbgConn_Close(&pServer->conn);
    }
}

void startThread(SdbgServer *pServer) {
    MOS_ASSERT_MSG(mosAtomic_AddUint32(&pServer->env.startCount, 1) == 0,
                   "Double start of SDBG server!");
    pServer->bStopping.store(false);
    if (mosOsThrd_Create(&pServer->thread, serverThread, pServer, "sdbgServer") !=
        MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to create sdbg server thread.");
        return;
    }
    pServer->bThreadRunning = true;
}

} // namespace

MOS_RC sdbgServer_Init(void *pConf) {
    SdbgServer *pServer = &sdbgServerLayer_G;
    pServer->listener.socketFd = MOS_INVALID_SOCKET;
    if (pConf != nullptr) {
        pServer->conf = *static_cast<const SdbgServerConf *>(pConf);
    } else {
        pServer->conf = {SDBG_MODULE_TYPE__NONE, SDBG_DEFAULT_PORT, 0};
    }
    if (pServer->conf.moduleType == SDBG_MODULE_TYPE__NONE ||
        (pServer->conf.flags & SDBG_SERVER_FLAG__OFF) != 0) {
        return MOS_RC__SUCCESS;
    }
    if (sdbgConn_InitListener(&pServer->listener, pServer->conf.port) != MOS_RC__SUCCESS) {
        return MOS_RC__SUCCESS;
    }
    mosFastlock_Create(&pServer->clientLock);
    setActiveClient(pServer, MOS_INVALID_SOCKET);
    pServer->bListening = true;
    startThread(pServer);
    return MOS_RC__SUCCESS;
}

void sdbgServer_Destroy() {
    SdbgServer *pServer = &sdbgServerLayer_G;
    if (!pServer->bListening) {
        return;
    }
    pServer->bListening = false;
    pServer->bStopping.store(true);
    (void)mosFastlockBase_Acquire(&pServer->clientLock);
    if (pServer->activeClient != MOS_INVALID_SOCKET && mosNet_WakeBlocked(pServer->activeClient)) {
        pServer->activeClient = MOS_INVALID_SOCKET;
    }
    mosFastlockBase_Release(&pServer->clientLock);
    // The listener is closed only once the thread has left accept, so its
    // descriptor cannot be reused under it.
    bool bListenerClosed = sdbgConn_WakeListener(&pServer->listener);
    if (pServer->bThreadRunning) {
        pServer->bThreadRunning = false;
        mosOsThrd_Destroy(&pServer->thread);
    }
    sdbgConn_CloseListener(&pServer->listener, bListenerClosed);
    mosFastlockBase_Destroy(&pServer->clientLock);
    // The layer can be started again once it has been destroyed.
    pServer->env.startCount.store(0);
}

uint32_t sdbgServer_GetModuleType() {
    return sdbgServerLayer_G.conf.moduleType;
}

bool sdbgServer_IsRunning() {
    return sdbgServerLayer_G.bThreadRunning;
}

MOS_RC mosMemAllocatorLayer_Init(void * /*pArg*/) {
    memset(&memAllocatorType_G, 0, sizeof(memAllocatorType_G));
    mosObjType_RegObjType(&memAllocatorType_G, mosMemAllocator_SdbgQuery, nullptr,
                          MOS_OBJ_TYPE_MEM_ALLOCATOR, sizeof(MosMemAllocator_Query));
    return MOS_RC__SUCCESS;
}

void mosMemAllocatorLayer_Destroy() {
    mosObjType_UnregObjType(&memAllocatorType_G);
}

void mosMemAllocatorLayer_RegObj(MosMemAllocatorObj *pAllocator, const char *pName) {
    mosObjType_RegObj(&memAllocatorType_G, &pAllocator->objEntry, pName);
}

void mosMemAllocatorLayer_UnregObj(MosMemAllocatorObj *pAllocator) {
    mosObjType_UnregObj(&memAllocatorType_G, &pAllocator->objEntry);
}

void mosMemAllocator_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf) {
    const auto *pAllocator = reinterpret_cast<const MosMemAllocatorObj *>(
        reinterpret_cast<const uint8_t *>(pEntry) - offsetof(MosMemAllocatorObj, objEntry));
    MosMemAllocator_Query query = {};
    if (pName != nullptr) {
        // NUL-padded; a name of 32 characters or more fills the field.
        memcpy(query.name, pName, strnlen(pName, sizeof(query.name)));
    }
    query.sizeBytes = pAllocator->sizeBytes;
    query.maxMemChunkSizeBytes = pAllocator->maxMemChunkSizeBytes;
    query.numAllocatedBlocks = pAllocator->numAllocatedBlocks;
    query.allocatedBytes = pAllocator->allocatedBytes;
    query.flBitmap = pAllocator->flBitmap;
    query.numMemChunks = pAllocator->numMemChunks;
    query.waitersNum = pAllocator->waitersNum;
    memcpy(pBuf, &query, sizeof(query));
}
