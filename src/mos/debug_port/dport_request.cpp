#include "dport_request.h"

#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the wire words are little-endian");

namespace {

// Query structures up to this size are filled on the stack.
constexpr uint32_t kStackQueryBufSize = 128;
constexpr uint32_t kStatusSize = 4;

// A payload field: false when the payload ends before it.
bool readU32(const uint8_t *pPayload, uint32_t payloadSize, uint32_t offset, uint32_t *pValue) {
    if (uint64_t{offset} + sizeof(uint32_t) > payloadSize) {
        return false;
    }
    memcpy(pValue, pPayload + offset, sizeof(uint32_t));
    return true;
}

// An error status then padding; no response at all (and the connection
// closed) when the expected size cannot hold the status word.
MOS_RC answerStatus(SdbgResponse *pResp, uint32_t status) {
    if (pResp->sizeOfExpectedResponseMsg < kStatusSize) {
        return MOS_RC__ERROR;
    }
    MOS_RC rc = sdbgResp_AddU32(pResp, status);
    return rc == MOS_RC__SUCCESS ? sdbgResp_Finish(pResp) : rc;
}

// Status OK, one word, then padding.
MOS_RC answerOkWord(SdbgResponse *pResp, uint32_t value) {
    MOS_RC rc = sdbgResp_AddU32(pResp, SDBG_STATUS__OK);
    if (rc == MOS_RC__SUCCESS) {
        rc = sdbgResp_AddU32(pResp, value);
    }
    return rc == MOS_RC__SUCCESS ? sdbgResp_Finish(pResp) : rc;
}

// The registered type named by the payload word at offset 4. False when
// the payload ends before it (the connection must close); otherwise
// *ppType is the type or null.
bool findPayloadType(const SdbgRegistry *pRegistry, const uint8_t *pPayload, uint32_t payloadSize,
                     uint32_t *pTypeId, MosObjType **ppType) {
    if (!readU32(pPayload, payloadSize, 4, pTypeId)) {
        return false;
    }
    *ppType = pRegistry->pGetById(*pTypeId);
    return true;
}

void assertRoom(const SdbgResponse *pClientConn, uint64_t sizeOfBuf) {
    MOS_ASSERT(pClientConn->positionInResponse + sizeOfBuf <=
               pClientConn->sizeOfExpectedResponseMsg);
}

MOS_RC addRecordHeader(SdbgResponse *pResp, uint32_t typeId, uint32_t index, uint32_t size) {
    const SdbgObjRecordHeader header = {typeId, index, size};
    return sdbgResp_AddData(pResp, &header, sizeof(header));
}

MOS_RC addListTrailer(SdbgResponse *pResp, uint32_t numRecords) {
    const SdbgObjListTrailer trailer = {SDBG_OBJ_LIST_END, numRecords, 0};
    return sdbgResp_AddData(pResp, &trailer, sizeof(trailer));
}

// Fills one object's query structure at the moment it is sent.
MOS_RC addObj(SdbgResponse *pResp, const SdbgRegistry *pRegistry, MosObjEntry *pObj,
              MosObjType *pType, uint32_t size) {
    assertRoom(pResp, size);
    uint8_t stackBuf[kStackQueryBufSize];
    uint8_t *pBuf = stackBuf;
    if (size > kStackQueryBufSize) {
        pBuf = static_cast<uint8_t *>(
            mos_MemCallocBare(size, MOS_MEM_NO_LIMIT, "sdbgConn_AddDataToResponseByObj", true));
        if (pBuf == nullptr) {
            return MOS_RC__NO_RESOURCES;
        }
        // Advisory: pinning may be off or the buffer below its threshold.
        (void)mosMemPinning_Pin(pBuf, size, nullptr, nullptr, false);
    } else {
        memset(stackBuf, 0, size);
    }
    pRegistry->pQuery(pObj, pType, pBuf);
    MOS_RC rc = sdbgResp_AddData(pResp, pBuf, size);
    if (pBuf != stackBuf) {
        mos_MemFreeBare(pBuf);
    }
    return rc;
}

MOS_RC answerObjCount(const SdbgRegistry *pRegistry, const uint8_t *pPayload, uint32_t payloadSize,
                      SdbgResponse *pResp) {
    if (pResp->sizeOfExpectedResponseMsg < 8) {
        return answerStatus(pResp, SDBG_STATUS__RESPONSE_TOO_SMALL);
    }
    uint32_t typeId = 0;
    MosObjType *pType = nullptr;
    if (!findPayloadType(pRegistry, pPayload, payloadSize, &typeId, &pType)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    if (pType == nullptr) {
        return answerStatus(pResp, SDBG_STATUS__NOT_FOUND);
    }
    return answerOkWord(pResp, pRegistry->pGetNumObjs(pType));
}

// The records of a locked type's list and the trailer. A query buffer
// that cannot be had ends the list with the status word 3 where it stopped.
MOS_RC addAllRecords(SdbgResponse *pResp, const SdbgRegistry *pRegistry, MosObjType *pType,
                     uint32_t typeId, uint32_t count) {
    uint32_t querySize = pRegistry->pGetQueryDataSize(pType);
    uint32_t sent = 0;
    for (MosObjEntry *pObj = pRegistry->pEnumGetNextObj(pType); pObj != nullptr && sent < count;
         pObj = pRegistry->pEnumGetNextObj(pType)) {
        MOS_RC rc = addRecordHeader(pResp, typeId, sent, querySize);
        if (rc == MOS_RC__SUCCESS) {
            rc = addObj(pResp, pRegistry, pObj, pType, querySize);
        }
        if (rc == MOS_RC__NO_RESOURCES) {
            return sdbgResp_AddU32(pResp, SDBG_STATUS__RESPONSE_TOO_SMALL);
        }
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
        ++sent;
    }
    return addListTrailer(pResp, sent);
}

MOS_RC answerAllObjs(const SdbgRegistry *pRegistry, const uint8_t *pPayload, uint32_t payloadSize,
                     SdbgResponse *pResp) {
    uint32_t typeId = 0;
    MosObjType *pType = nullptr;
    if (!findPayloadType(pRegistry, pPayload, payloadSize, &typeId, &pType)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    if (pType == nullptr) {
        return answerStatus(pResp, SDBG_STATUS__NOT_FOUND);
    }
    // The list stays locked for the whole answer: the count cannot change.
    pRegistry->pEnumStart(pType);
    uint32_t count = pRegistry->pGetNumObjs(pType);
    if (sdbg_GetResponseSize64(SDBG_REQ_TYPE__ALL_OBJS, &typeId, count) >
        pResp->sizeOfExpectedResponseMsg) {
        pRegistry->pEnumEnd(pType);
        return answerStatus(pResp, SDBG_STATUS__RESPONSE_TOO_SMALL);
    }
    MOS_RC rc = sdbgResp_AddU32(pResp, SDBG_STATUS__OK);
    if (rc == MOS_RC__SUCCESS) {
        rc = sdbgResp_AddU32(pResp, count);
    }
    if (rc == MOS_RC__SUCCESS) {
        rc = addAllRecords(pResp, pRegistry, pType, typeId, count);
    }
    pRegistry->pEnumEnd(pType);
    return rc == MOS_RC__SUCCESS ? sdbgResp_Finish(pResp) : rc;
}

MOS_RC answerServerType(uint32_t moduleType, SdbgResponse *pResp) {
    if (pResp->sizeOfExpectedResponseMsg < 8) {
        return answerStatus(pResp, SDBG_STATUS__RESPONSE_TOO_SMALL);
    }
    return answerOkWord(pResp, moduleType);
}

// One element of a by-index answer; the type is locked only while its
// object is found, filled and sent.
MOS_RC addIndexedObj(SdbgResponse *pResp, const SdbgRegistry *pRegistry, uint32_t typeId,
                     uint32_t index) {
    MosObjType *pType = pRegistry->pGetById(typeId);
    if (pType == nullptr) {
        return MOS_RC__NOT_FOUND;
    }
    MosObjEntry *pObj = pRegistry->pEnumStartAtIndex(pType, index);
    if (pObj == nullptr) {
        return MOS_RC__NOT_FOUND;
    }
    uint32_t querySize = pRegistry->pGetQueryDataSize(pType);
    MOS_RC rc = addRecordHeader(pResp, typeId, index, querySize);
    if (rc == MOS_RC__SUCCESS) {
        rc = addObj(pResp, pRegistry, pObj, pType, querySize);
    }
    pRegistry->pEnumEnd(pType);
    return rc;
}

MOS_RC answerObjsByIndex(const SdbgRegistry *pRegistry, const uint8_t *pPayload,
                         uint32_t payloadSize, SdbgResponse *pResp) {
    uint32_t count = 0;
    if (!readU32(pPayload, payloadSize, 4, &count)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    if (count == 0 || count > SDBG_MAX_REQ_OBJS) {
        return answerStatus(pResp, SDBG_STATUS__BAD_OBJ_COUNT);
    }
    uint32_t typeIds[SDBG_MAX_REQ_OBJS];
    uint32_t indexes[SDBG_MAX_REQ_OBJS];
    for (uint32_t i = 0; i < count; ++i) {
        if (!readU32(pPayload, payloadSize, 8 + 8 * i, &typeIds[i]) ||
            !readU32(pPayload, payloadSize, 12 + 8 * i, &indexes[i])) {
            return MOS_RC__INTERFACE_ERROR;
        }
    }
    if (sdbg_GetResponseSize64(SDBG_REQ_TYPE__OBJS_BY_INDEX, typeIds, count) >
        pResp->sizeOfExpectedResponseMsg) {
        return answerStatus(pResp, SDBG_STATUS__RESPONSE_TOO_SMALL);
    }
    MOS_RC rc = sdbgResp_AddU32(pResp, SDBG_STATUS__OK);
    for (uint32_t i = 0; i < count && rc == MOS_RC__SUCCESS; ++i) {
        rc = addIndexedObj(pResp, pRegistry, typeIds[i], indexes[i]);
    }
    if (rc == MOS_RC__SUCCESS) {
        rc = addListTrailer(pResp, count);
    }
    return rc == MOS_RC__SUCCESS ? sdbgResp_Finish(pResp) : rc;
}

MOS_RC answerObjCommand(const SdbgRegistry *pRegistry, const uint8_t *pPayload,
                        uint32_t payloadSize, SdbgResponse *pResp) {
    SdbgObjCommandReq req;
    if (payloadSize < sizeof(req)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    memcpy(&req, pPayload, sizeof(req));
    if (req.argc > SDBG_MAX_CMD_ARGS) {
        return answerStatus(pResp, SDBG_STATUS__NOT_FOUND);
    }
    if (sizeof(req) + uint64_t{req.argc} * SDBG_CMD_ARG_SIZE > payloadSize) {
        return MOS_RC__INTERFACE_ERROR;
    }
    char args[SDBG_MAX_CMD_ARGS][MOS_OBJ_CMD_ARG_SIZE] = {};
    for (uint32_t i = 0; i < req.argc; ++i) {
        const char *pField =
            reinterpret_cast<const char *>(pPayload) + sizeof(req) + size_t{i} * SDBG_CMD_ARG_SIZE;
        // At most 63 characters and a NUL, whatever the field holds.
        size_t len = strnlen(pField, SDBG_CMD_ARG_SIZE - 1);
        memcpy(args[i], pField, len);
    }
    if (pResp->sizeOfExpectedResponseMsg < kStatusSize) {
        return MOS_RC__ERROR;
    }
    MosObjType *pType = pRegistry->pGetById(req.typeId);
    MosObjEntry *pObj = pType == nullptr ? nullptr : pRegistry->pEnumStartAtIndex(pType, req.index);
    if (pObj == nullptr) {
        return answerStatus(pResp, SDBG_STATUS__NOT_FOUND);
    }
    pRegistry->pCommand(pObj, pType, req.command, req.argc, args);
    pRegistry->pEnumEnd(pType);
    return answerStatus(pResp, SDBG_STATUS__OK);
}

} // namespace

MOS_RC sdbgResp_AddData(SdbgResponse *pResp, const void *pData, uint32_t size) {
    assertRoom(pResp, size);
    MOS_RC rc = pResp->sink.pWriteCK(pResp->sink.pCtx, pData, size);
    if (rc == MOS_RC__SUCCESS) {
        pResp->positionInResponse += size;
    }
    return rc;
}

MOS_RC sdbgResp_AddU32(SdbgResponse *pResp, uint32_t value) {
    return sdbgResp_AddData(pResp, &value, sizeof(value));
}

MOS_RC sdbgResp_Finish(SdbgResponse *pResp) {
    uint8_t padding[256];
    memset(padding, SDBG_PAD_BYTE, sizeof(padding));
    while (pResp->positionInResponse < pResp->sizeOfExpectedResponseMsg) {
        uint32_t left = pResp->sizeOfExpectedResponseMsg - pResp->positionInResponse;
        uint32_t chunk = left < sizeof(padding) ? left : static_cast<uint32_t>(sizeof(padding));
        MOS_RC rc = sdbgResp_AddData(pResp, padding, chunk);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
    }
    return MOS_RC__SUCCESS;
}

MOS_RC sdbgReq_Handle(const SdbgRegistry *pRegistry, uint32_t moduleType, const uint8_t *pPayload,
                      uint32_t payloadSize, SdbgResponse *pResp) {
    uint32_t reqType = 0;
    if (!readU32(pPayload, payloadSize, 0, &reqType)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    switch (reqType) {
        case SDBG_REQ_TYPE__OBJ_COUNT:
            return answerObjCount(pRegistry, pPayload, payloadSize, pResp);
        case SDBG_REQ_TYPE__ALL_OBJS:
            return answerAllObjs(pRegistry, pPayload, payloadSize, pResp);
        case SDBG_REQ_TYPE__SERVER_TYPE:
            return answerServerType(moduleType, pResp);
        case SDBG_REQ_TYPE__OBJS_BY_INDEX:
            return answerObjsByIndex(pRegistry, pPayload, payloadSize, pResp);
        case SDBG_REQ_TYPE__UNSUPPORTED:
            return answerStatus(pResp, SDBG_STATUS__NOT_FOUND);
        case SDBG_REQ_TYPE__OBJ_COMMAND:
            return answerObjCommand(pRegistry, pPayload, payloadSize, pResp);
        default:
            return answerStatus(pResp, SDBG_STATUS__UNKNOWN_REQ_TYPE);
    }
}

MOS_RC sdbgReq_CheckHeader(const SdbgMsgHeader *pHeader) {
    if (pHeader->magic != SDBG_MSG_MAGIC) {
        return MOS_RC__INTERFACE_ERROR;
    }
    if (pHeader->sizeOfRequestMsg > SDBG_MAX_REQ_SIZE) {
        return MOS_RC__BUF_TOO_SMALL;
    }
    return MOS_RC__SUCCESS;
}

MOS_RC sdbgReq_HandleMessage(const SdbgRegistry *pRegistry, uint32_t moduleType,
                             const uint8_t *pMsg, uint32_t msgSize, SdbgResponseSink sink) {
    SdbgMsgHeader header;
    if (msgSize < sizeof(header)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    memcpy(&header, pMsg, sizeof(header));
    MOS_RC rc = sdbgReq_CheckHeader(&header);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    if (header.sizeOfRequestMsg > msgSize - sizeof(header)) {
        return MOS_RC__INTERFACE_ERROR;
    }
    SdbgResponse resp = {sink, header.sizeOfExpectedResponseMsg, 0};
    return sdbgReq_Handle(pRegistry, moduleType, pMsg + sizeof(header), header.sizeOfRequestMsg,
                          &resp);
}

const SdbgRegistry *sdbgReq_MosObjRegistry() {
    static const SdbgRegistry registry = {
        mosObjType_GetById,
        mosObjType_GetNumObjs,
        mosObjType_GetQueryDataSize,
        mosObjType_EnumStart,
        mosObjType_EnumGetNextObj,
        mosObjType_EnumEnd,
        mosObjType_EnumStartAtIndex,
        mosObj_Query,
        mosObj_Command,
    };
    return &registry;
}
