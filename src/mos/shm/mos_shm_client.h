// The shared-memory client of a process and its segment operations.
//
// A named segment exists only while some process holds a handle to it, so
// a long-lived shared-memory server creates and holds the segments
// (mos_shm_server.h). The client is one thread, "shm_client", that keeps a
// TCP connection to a server on 127.0.0.1 (the framed server first, the
// V20 server as a fall-back) and sends it the process's segment requests
// one at a time. The segment operations below may be called from any
// thread; each queues a request and blocks its caller until the client
// thread has served it.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_init_params.h"
#include "mos_list.h"
#include "mos_os_thread.h"
#include "mos_rc.h"
#include "mos_shm_proto.h"
#include "mos_shm_server.h"
#include "os_net.h"

#include <cstdint>

struct MosShmClientReq;
typedef void (*MosShmClientDoneCK)(MosShmClientReq *pReq);

// One queued request. doneCK runs exactly once, when the request was
// served or dropped unserved (result then 0, MOS_RC__ILLEGAL).
struct MosShmClientReq {
    struct {
        MosListNode node;
    } asyncObj;
    MosShmClientDoneCK doneCK;
    char name[MOS_SHM_NAME_SIZE]; // lower-cased when queued
    uint64_t size;
    MosShm *pShm; // the record to fill, or null
    uint32_t op;
    uint32_t bExclusive;
    uint32_t bCreate;
    uint32_t bSubstring;
    uint32_t bOpenOnly;
    uint32_t result;
};

struct MosShmClient {
    MosSocket sock;
    uint16_t portV20;
    uint16_t port;
    MosFastlock lock; // guards reqs, bStop and shms
    MosListAnchor reqs MOS_GUARDED_BY(lock);
    MosOsThrd thread;
    MosOSWCond cond;                         // wakes the thread for a new request and for the stop
    MosListAnchor shms MOS_GUARDED_BY(lock); // MosShmEntry: the segments opened through the client
    uint32_t bStop MOS_GUARDED_BY(lock);
    uint32_t bThreadStarted;
};

// The process's shared-memory state.
struct MosShmLayerNT {
    MosShmServer server;    // framed
    MosShmServer serverV20; // V20
    MosShmClient client;
    MosFastlock serverShmsLock;
    // MosShmEntry: the segments this process's servers hold
    MosListAnchor serverShms MOS_GUARDED_BY(serverShmsLock);
    uint32_t bServersStarted;
};
extern MosShmLayerNT shmLayerNT_G;

// The framed server's port for this process's client and servers: 62333,
// or the given port (0 restores 62333). Read at the next start.
void mosShmClient_SetFramedPort(uint16_t port);

// Starts the client and its thread and, with shm_server_on, the V20 and
// the framed servers. MOS_RC__NO_RESOURCES when no socket can be made; a
// server's or the thread's start code (nothing left running then).
[[nodiscard]] MOS_RC mosShmClient_Create(const MosShmParams *pParams);
// Stops servers and client and closes every segment the servers hold.
void mosShmLayer_DestroyOs();
// Takes every entry off serverShms and closes it.
void mosShmLayer_CloseServerShms();

// Creates (bCreate) or opens the named segment of size bytes (0: the size
// the server holds). On success the record holds the lower-case name, the
// handle and the size, and MOS_RC__SUCCESS is returned; otherwise the
// record has no handle and the request's result is returned (0 when no
// server could be reached).
[[nodiscard]] MOS_RC mosShmUmt_CreateOs(MosShm *pShm, const char *pName, uint64_t size,
                                        uint32_t bCreate, uint32_t bExclusive);
// Maps the whole segment: MOS_RC__ERROR when the view fails. Mapping a
// mapped record, or one without handle or size, is a broken invariant.
[[nodiscard]] MOS_RC mosShm_Map(MosShm *pShm);
// Unmaps the record's view when mapped.
void mosShm_Unmap(MosShm *pShm);
// Unmaps, forgets and closes the record's handle; the server keeps the
// segment.
void mosShm_CloseOs(MosShm *pShm);
// Deletes the segment in the server, then unmaps and closes it here and
// zero-fills the record.
void mosShmUmt_DestroyOs(MosShm *pShm);
// Asks the server to delete the named segment (a missing one is no error);
// what this process has mapped stays. A null or empty name does nothing.
void mosShmClient_DestroyShmInServer(const char *pName);

// Number of segments the client has registered (for diagnostics).
uint32_t mosShmClient_GetNumShms();
