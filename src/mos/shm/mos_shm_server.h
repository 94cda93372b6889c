// Shared-memory servers: a listening socket on 127.0.0.1, an accept thread
// "shm_server" and one thread per connection. A server creates named
// segments for its clients, opens segments others created, holds their
// handles so the segments outlive the clients, and deletes them on
// request. The servers of a process share one table of held segments
// (serverShms of shmLayerNT_G, mos_shm_client.h) under one lock; a
// server's protocol is its pair of receive and send functions.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_os_thread.h"
#include "mos_rc.h"
#include "mos_shm_proto.h"
#include "os_net.h"

#include <cstdint>

struct MosShmServerConn;

// Receives one request into a zero-filled request: MOS_RC__SUCCESS or the
// code that ends the connection (without a reply).
typedef MOS_RC (*MosShmRecvReqCK)(MosShmServerConn *pConn, MosShmServerReq *pReq);
// Sends one reply: MOS_RC__SUCCESS or the code that ends the connection.
typedef MOS_RC (*MosShmSendRespCK)(MosShmServerConn *pConn, const MosShmServerResp *pResp);

struct MosShmServer {
    MosFastlock lock; // guards the two lists
    MosSocket listenSock;
    uint16_t port;
    MosListAnchor clientList MOS_GUARDED_BY(lock);   // live connections
    MosListAnchor clientsToRem MOS_GUARDED_BY(lock); // finished connections still to be joined
    MosOsThrd acceptThread;
    MosShmRecvReqCK recvReqCK;
    MosShmSendRespCK sendRespCK;
};

struct MosShmServerConn {
    MosListNode node;
    MosShmServer *pServer;
    MosOsThrd thread;
    MosSocket sock;
};

// Listens on 127.0.0.1:port and starts the accept thread. MOS_RC__SUCCESS
// (trace "shm server started on port %d"); MOS_RC__NO_RESOURCES when no
// socket or no bind (after the bind's retries); the thread start's code.
// On failure nothing is left open.
[[nodiscard]] MOS_RC mosShmServer_Create(MosShmServer *pServer, uint16_t port,
                                         MosShmRecvReqCK recvReqCK, MosShmSendRespCK sendRespCK);
// Stops accepting, ends every connection and joins every thread. The held
// segments stay in the table.
void mosShmServer_Destroy(MosShmServer *pServer);

// Serves one received request against the held segments: takes the table's
// lock, creates, opens or deletes, fills the reply and returns its code.
// An op other than create, delete and keep-alive answers MOS_RC__INVALID.
[[nodiscard]] MOS_RC mosShmServer_ServeReq(const MosShmServerReq *pReq, MosShmServerResp *pResp);

// Closes the entry's handle and frees it; with bUnlink takes it off the
// table first; with bSubstring then also every later entry whose name
// contains pName. The caller holds the table's lock, or the servers are
// stopped.
void mosShmServer_DeleteShmUnlocked(MosShmEntry *pEntry, const char *pName, bool bUnlink,
                                    bool bSubstring);

// The protocol functions: framed (magic-checked, 273-byte requests,
// 272-byte replies) and V20 (280 bytes both ways).
[[nodiscard]] MOS_RC mosShmServer_recvReq(MosShmServerConn *pConn, MosShmServerReq *pReq);
[[nodiscard]] MOS_RC mosShmServer_sendResp(MosShmServerConn *pConn, const MosShmServerResp *pResp);
[[nodiscard]] MOS_RC mosShmServer_recvReqV20(MosShmServerConn *pConn, MosShmServerReq *pReq);
[[nodiscard]] MOS_RC mosShmServer_sendRespV20(MosShmServerConn *pConn,
                                              const MosShmServerResp *pResp);
