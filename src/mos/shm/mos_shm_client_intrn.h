// The client's internals shared by its segment operations
// (mos_shm_client.cpp) and its thread (mos_shm_client_thrd.cpp).
#pragma once

#include "mos_shm_client.h"

// Completes every queued request unserved (result untouched, so a waiting
// caller sees 0); allocated requests free themselves.
void mosShmClient_FreeAllReqs(MosShmClient *pClient);
// Drops every registration whose name equals pName (or contains it, with
// bSubstring); the handles are not closed.
void mosShmClient_UnRegisterShmHandle(MosShmClient *pClient, const char *pName, bool bSubstring);
// Registers an opened segment; without memory it stays unregistered.
void mosShmClient_RegisterShmHandle(MosShmClient *pClient, const char *pName, uint64_t size,
                                    OsShmHandle handle);
// Queues one open-only request per registered segment ahead of the queue.
void mosShmClient_SyncServer(MosShmClient *pClient);
// Queues a keep-alive; the caller holds the client's lock.
void mosShmClient_KeepAlive(MosShmClient *pClient);
// The "shm_client" thread.
void mosShmClient_Thrd(void *pArg);
// One exchange and its local effect; stores the result and calls doneCK.
// Returns the code that decides the connection's fate: MOS_RC__SUCCESS,
// MOS_RC__NOT_FOUND and MOS_RC__ALREADY_EXISTS keep it.
[[nodiscard]] MOS_RC mosShmClient_DoOneReq(MosShmClient *pClient, MosShmClientReq *pReq, bool bV20);
