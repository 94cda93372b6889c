#include "sdbg_server_link.h"

#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kIniModule = 1;
constexpr uint32_t kTgtModule = 2;
constexpr uint32_t kMdmModule = 3;
constexpr uint32_t kVoterModule = 4;

uint16_t DefaultPort(uint32_t moduleType) {
    switch (moduleType) {
        case kTgtModule:
            return 25640;
        case kMdmModule:
            return 25620;
        case kVoterModule:
            return 25600;
        default:
            return 0;
    }
}

std::unique_ptr<Sdbg_Link> MakeLink(uint32_t moduleType, const char *pHost, uint16_t port) {
    if (moduleType == kIniModule) {
        return std::make_unique<Sdbg_IoctlLink>("/dev/qorni", Sdbg_IoctlLink::kSdbgRequestCommand);
    }
    return std::make_unique<Sdbg_SockLink>(pHost != nullptr ? pHost : "127.0.0.1",
                                           port != 0 ? port : DefaultPort(moduleType));
}

} // namespace

// --- Sdbg_Request -----------------------------------------------------------

Sdbg_Request::Sdbg_Request(Sdbg_Link *pTransport) : pLink(pTransport) {}

uint32_t Sdbg_Request::BodySize(uint32_t reqType, uint32_t count) {
    switch (reqType) {
        case SDBG_REQ_TYPE__OBJ_COUNT:
        case SDBG_REQ_TYPE__ALL_OBJS:
            return 8;
        case SDBG_REQ_TYPE__SERVER_TYPE:
            return 4;
        case SDBG_REQ_TYPE__OBJS_BY_INDEX:
            return 8 + 8 * count;
        case SDBG_REQ_TYPE__OBJ_COMMAND:
            // five words and ten argument fields
            return sizeof(SdbgObjCommandReq) + SDBG_MAX_CMD_ARGS * SDBG_CMD_ARG_SIZE;
        default:
            return 0;
    }
}

void Sdbg_Request::PutWord(uint32_t offset, uint32_t value) {
    std::memcpy(buffer.get() + pLink->ReqHeaderSize() + offset, &value, sizeof(value));
}

uint32_t Sdbg_Request::ReadWord(uint32_t offset) const {
    uint32_t value = 0;
    if (offset + sizeof(value) <= responseLength) {
        std::memcpy(&value, buffer.get() + offset, sizeof(value));
    }
    return value;
}

uint32_t Sdbg_Request::Build(uint32_t reqType, const uint32_t *pTypeIds, const uint32_t *pObjIds,
                             uint32_t count, uint32_t operation, uint32_t argCount,
                             const char (*pArgs)[64]) {
    if (reqType == SDBG_REQ_TYPE__OBJS_BY_INDEX && count > SDBG_MAX_REQ_OBJS) {
        throw Sdbg_Exception("Too many objects in one request");
    }
    if (argCount > SDBG_MAX_CMD_ARGS) {
        throw Sdbg_Exception("Too many arguments in one request");
    }
    const uint32_t reqSize = BodySize(reqType, count) + SDBG_CMD_ARG_SIZE * argCount;
    const uint32_t respSize = sdbg_GetResponseSize(reqType, pTypeIds, count);
    if (respSize > kMaxResponseSize) {
        throw Sdbg_Exception("Response too large");
    }
    const uint32_t needed = pLink->BufferSize(reqSize, respSize);
    if (bufferCapacity < needed) {
        buffer.reset(new uint8_t[needed]);
        bufferCapacity = needed;
    }
    // The request's bytes are all defined: nothing of an earlier response
    // or of uninitialised memory goes to the server.
    std::memset(buffer.get(), 0, uint64_t{pLink->ReqHeaderSize()} + reqSize);
    PutWord(0, reqType);
    if (reqType == SDBG_REQ_TYPE__OBJ_COUNT || reqType == SDBG_REQ_TYPE__ALL_OBJS) {
        PutWord(4, pTypeIds[0]);
    } else if (reqType == SDBG_REQ_TYPE__OBJS_BY_INDEX) {
        PutWord(4, count);
        for (uint32_t i = 0; i < count; ++i) {
            PutWord(8 + 8 * i, pTypeIds[i]);
            PutWord(12 + 8 * i, pObjIds[i]);
        }
    } else if (reqType == SDBG_REQ_TYPE__OBJ_COMMAND) {
        PutWord(4, operation);
        PutWord(8, pTypeIds[0]);
        PutWord(12, pObjIds[0]);
        PutWord(16, argCount);
        uint8_t *pFields = buffer.get() + pLink->ReqHeaderSize() + sizeof(SdbgObjCommandReq);
        for (uint32_t i = 0; i < argCount; ++i) {
            uint8_t *pField = pFields + SDBG_CMD_ARG_SIZE * i;
            std::memset(pField, 0, SDBG_CMD_ARG_SIZE);
            std::memcpy(pField, pArgs[i], strnlen(pArgs[i], SDBG_CMD_ARG_SIZE));
        }
    }
    lastRequestType = reqType;
    requestLength = reqSize;
    responseLength = respSize;
    return respSize;
}

uint32_t Sdbg_Request::Send() {
    (void)pLink->Transact(buffer.get(), requestLength, responseLength);
    return ReadWord(0);
}

void Sdbg_Request::Rewind() {
    if (lastRequestType == SDBG_REQ_TYPE__ALL_OBJS) {
        recordCursor = 8; // after status and count
    } else if (lastRequestType == SDBG_REQ_TYPE__OBJS_BY_INDEX) {
        recordCursor = 4; // after status
    }
}

const uint8_t *Sdbg_Request::NextRecord(uint32_t *pTypeId, uint32_t *pObjId, uint32_t *pSize) {
    *pTypeId = SDBG_OBJ_LIST_END;
    *pObjId = 0;
    *pSize = 0;
    const uint64_t dataStart = uint64_t{recordCursor} + sizeof(SdbgObjRecordHeader);
    if (dataStart > responseLength) {
        return nullptr; // not even a header left: as if the trailer had come
    }
    SdbgObjRecordHeader header{};
    std::memcpy(&header, buffer.get() + recordCursor, sizeof(header));
    if (header.typeId == SDBG_OBJ_LIST_END || dataStart + header.size > responseLength) {
        return nullptr;
    }
    *pTypeId = header.typeId;
    *pObjId = header.index;
    *pSize = header.size;
    recordCursor = static_cast<uint32_t>(dataStart + header.size);
    return buffer.get() + dataStart;
}

uint32_t Sdbg_Request::GetReplyValue() const {
    return ReadWord(4);
}

// --- Sdbg_ServerLink --------------------------------------------------------

Sdbg_ServerLink::Sdbg_ServerLink(uint32_t moduleType, const char *pHost, uint16_t port)
    : pLink(MakeLink(moduleType, pHost, port)), serverType(moduleType) {
    Connect(moduleType);
}

Sdbg_ServerLink::Sdbg_ServerLink(uint32_t moduleType, std::unique_ptr<Sdbg_Link> pTransport)
    : pLink(std::move(pTransport)), serverType(moduleType) {
    Connect(moduleType);
}

Sdbg_ServerLink::~Sdbg_ServerLink() = default;

void Sdbg_ServerLink::Connect(uint32_t moduleType) {
    if (!pLink->Open()) {
        throw Sdbg_Exception("Link to server failed");
    }
    pRequest = std::make_unique<Sdbg_Request>(pLink.get());
    (void)pRequest->Build(SDBG_REQ_TYPE__SERVER_TYPE, nullptr, nullptr, 0, 0, 0, nullptr);
    (void)pRequest->Send(); // the status is not examined, only the module word
    const uint32_t remoteType = pRequest->GetReplyValue();
    if (remoteType != moduleType) {
        const std::string text = std::string("Server type is ") +
                                 Sdbg_ObjTypeRegistry::GetModuleName(remoteType) + " not " +
                                 Sdbg_ObjTypeRegistry::GetModuleName(moduleType);
        throw Sdbg_Exception(text.c_str());
    }
}

uint32_t Sdbg_ServerLink::GetObjCount(uint32_t typeId, uint32_t *pCount) {
    (void)pRequest->Build(SDBG_REQ_TYPE__OBJ_COUNT, &typeId, nullptr, 0, 0, 0, nullptr);
    const uint32_t status = pRequest->Send();
    if (status == SDBG_STATUS__OK) {
        // A count whose list would not fit one bounded response is cut; the
        // server then answers "too small" and the group shows what it had.
        const uint64_t recordSize = uint64_t{sdbg_GetObjQuerySize(typeId)} + 12;
        const uint64_t fitting = (Sdbg_Request::kMaxResponseSize - 20) / recordSize;
        *pCount = static_cast<uint32_t>(std::min<uint64_t>(pRequest->GetReplyValue(), fitting));
    }
    return status;
}

bool Sdbg_ServerLink::Relink() {
    if (!pLink->Close()) {
        return false;
    }
    return pLink->Open();
}

uint32_t Sdbg_ServerLink::DoOperation(uint32_t operation, uint32_t typeId, uint32_t objId,
                                      uint32_t argCount, const char (*pArgs)[64]) {
    (void)pRequest->Build(SDBG_REQ_TYPE__OBJ_COMMAND, &typeId, &objId, 0, operation, argCount,
                          pArgs);
    return pRequest->Send();
}

void Sdbg_ServerLink::CopyRecord(const Sdbg_RecordDest &dest, const uint8_t *pSrc,
                                 uint32_t srcSize) {
    const uint32_t copied = std::min(srcSize, dest.capacity);
    std::memcpy(dest.pData, pSrc, copied);
    std::memset(dest.pData + copied, 0, dest.capacity - copied);
}
