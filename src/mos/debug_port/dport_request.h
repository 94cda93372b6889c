// Answering one debug-port request, apart from any transport.
//
// The handler reads a request payload from memory, looks objects up
// through an SdbgRegistry (the runtime's object registry, or any other
// source of objects such as the driver emulator's), and writes the
// response through an SdbgResponse, whose sink is a socket for the
// debug-port server and a reply buffer for the driver's pass-through.
#pragma once

#include "dport_proto.h"
#include "mos_obj.h"
#include "mos_rc.h"

#include <cstdint>

// Access to registered objects. Every function is required. The default
// table (sdbgReq_MosObjRegistry) calls the object registry of mos_obj.h.
struct SdbgRegistry {
    MosObjType *(*pGetById)(uint32_t typeId);
    uint32_t (*pGetNumObjs)(const MosObjType *pType);
    uint32_t (*pGetQueryDataSize)(const MosObjType *pType);
    // Enumeration of the whole list under the type's lock.
    void (*pEnumStart)(MosObjType *pType);
    MosObjEntry *(*pEnumGetNextObj)(MosObjType *pType);
    void (*pEnumEnd)(MosObjType *pType);
    // Locks and returns the object at index; null (and unlocked) past the end.
    MosObjEntry *(*pEnumStartAtIndex)(MosObjType *pType, uint32_t index);
    void (*pQuery)(MosObjEntry *pObj, MosObjType *pType, void *pBuf);
    void (*pCommand)(MosObjEntry *pObj, MosObjType *pType, uint32_t command, uint32_t argc,
                     const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);
};

// The registry table over mos_obj.h.
const SdbgRegistry *sdbgReq_MosObjRegistry();

// Where response bytes go. pWriteCK sends or stores size bytes and
// returns MOS_RC__SUCCESS or the failure that ends the connection.
struct SdbgResponseSink {
    MOS_RC (*pWriteCK)(void *pCtx, const void *pData, uint32_t size);
    void *pCtx;
};

// One response being written: never more than sizeOfExpectedResponseMsg
// bytes (a broken invariant otherwise).
struct SdbgResponse {
    SdbgResponseSink sink;
    uint32_t sizeOfExpectedResponseMsg;
    uint32_t positionInResponse; // bytes written so far
};

// Answers one request payload of payloadSize bytes. MOS_RC__SUCCESS when
// the whole response (padding included) was written; otherwise the
// connection must be closed: MOS_RC__ERROR when not even a status word
// fits, MOS_RC__INTERFACE_ERROR when the payload is shorter than its
// fields, MOS_RC__NOT_FOUND for a missing element of a by-index request,
// MOS_RC__NO_RESOURCES when a query buffer cannot be had there, or the
// sink's failure. moduleType answers the server-type request.
[[nodiscard]] MOS_RC sdbgReq_Handle(const SdbgRegistry *pRegistry, uint32_t moduleType,
                                    const uint8_t *pPayload, uint32_t payloadSize,
                                    SdbgResponse *pResp);

// Checks a request header read from a peer: MOS_RC__INTERFACE_ERROR for a
// bad magic, MOS_RC__BUF_TOO_SMALL for a payload larger than any valid
// request (SDBG_MAX_REQ_SIZE), else MOS_RC__SUCCESS.
[[nodiscard]] MOS_RC sdbgReq_CheckHeader(const SdbgMsgHeader *pHeader);

// Answers a whole message held in memory (header then payload), as the
// driver's pass-through carries it: the header is checked, the payload
// must be complete. Returns sdbgReq_Handle's code, or the header check's.
[[nodiscard]] MOS_RC sdbgReq_HandleMessage(const SdbgRegistry *pRegistry, uint32_t moduleType,
                                           const uint8_t *pMsg, uint32_t msgSize,
                                           SdbgResponseSink sink);

// Response pieces, each checked against the room left.
[[nodiscard]] MOS_RC sdbgResp_AddData(SdbgResponse *pResp, const void *pData, uint32_t size);
[[nodiscard]] MOS_RC sdbgResp_AddU32(SdbgResponse *pResp, uint32_t value);
// 0xFF bytes up to the expected size.
[[nodiscard]] MOS_RC sdbgResp_Finish(SdbgResponse *pResp);
