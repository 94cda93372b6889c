// The viewer's client of one remote debug server: the transport chosen by
// the module type, the server-type check, and the questions the viewer
// asks (object count, all objects of a type, chosen objects, object
// commands), each one request and one response through Sdbg_Request.
//
// Remote input is bounded here: a response is read only to its announced
// length, the record walk never leaves it, a record's data is copied into
// its destination no further than the destination's capacity, and an
// object count is capped so that the response it leads to stays within
// kMaxResponseSize.
#pragma once

#include "sdbg_link.h"

#include "dport_proto.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class Sdbg_Request {
  public:
    // The largest response the viewer asks for (64 MiB).
    static constexpr uint32_t kMaxResponseSize = 64u << 20;

    explicit Sdbg_Request(Sdbg_Link *pLink);

    // Builds one request in the buffer (grown to the link's BufferSize,
    // never shrunk) and returns its response length. pTypeIds holds one id
    // for types 1 and 2 and count ids for type 4; pObjIds count ids for
    // type 4; pArgs argCount 64-byte fields for type 6.
    uint32_t Build(uint32_t reqType, const uint32_t *pTypeIds, const uint32_t *pObjIds,
                   uint32_t count, uint32_t operation, uint32_t argCount, const char (*pArgs)[64]);
    // The payload length of a request type without argument fields.
    static uint32_t BodySize(uint32_t reqType, uint32_t count);
    // Transacts the built request; returns the response's status word.
    // Link exceptions pass through.
    uint32_t Send();
    // Puts the record cursor on the first record of a list response.
    void Rewind();
    // The record at the cursor: its data (nullptr at the list's end, or
    // when the record would run past the response) and its header words;
    // *pSize is the number of data bytes inside the response.
    const uint8_t *NextRecord(uint32_t *pTypeId, uint32_t *pObjId, uint32_t *pSize);
    // The response's second word.
    uint32_t GetReplyValue() const;

    uint32_t GetRequestLength() const { return requestLength; }
    uint32_t GetResponseLength() const { return responseLength; }
    const uint8_t *GetBuffer() const { return buffer.get(); }

  private:
    uint32_t ReadWord(uint32_t offset) const;
    void PutWord(uint32_t offset, uint32_t value);

    Sdbg_Link *pLink;
    // Left uninitialised beyond the request: a response is read only after
    // the link filled all of it, and untouched pages of a large buffer cost
    // no memory until the bytes arrive.
    std::unique_ptr<uint8_t[]> buffer = std::make_unique<uint8_t[]>(1);
    uint64_t bufferCapacity = 1;
    uint32_t responseLength = 0;
    uint32_t requestLength = 0;
    uint32_t recordCursor = 0;
    uint32_t lastRequestType = 0x0FFFFFFF;
};

// Where one received record's data goes: at most capacity bytes at pData.
struct Sdbg_RecordDest {
    uint8_t *pData;
    uint32_t capacity;
};

class Sdbg_ServerLink {
  public:
    // Module type 1 (ini) goes through the client driver; 2, 3 and 4
    // through TCP to pHost (127.0.0.1 when null) on port (0: 25640 tgt,
    // 25620 mdm, 25600 voter). Throws Sdbg_Exception "Link to server
    // failed" when the transport does not open, "Server type is X not Y"
    // when the server is of another kind, or the link's exception.
    Sdbg_ServerLink(uint32_t moduleType, const char *pHost, uint16_t port);
    // Over a given transport (owned from now on); used by tests.
    Sdbg_ServerLink(uint32_t moduleType, std::unique_ptr<Sdbg_Link> pTransport);
    ~Sdbg_ServerLink();
    Sdbg_ServerLink(const Sdbg_ServerLink &) = delete;
    Sdbg_ServerLink &operator=(const Sdbg_ServerLink &) = delete;

    // On OK *pCount is the remote count, capped to what one response of
    // kMaxResponseSize can carry. Returns the status.
    uint32_t GetObjCount(uint32_t typeId, uint32_t *pCount);
    // Fetches up to count objects; the k-th record with data is copied into
    // pickDest(k, its object id). *pReceived counts those records. Returns
    // the status; nothing is touched unless it is OK.
    template <typename PickDest>
    uint32_t GetAllObjs(uint32_t typeId, uint32_t count, PickDest pickDest, uint32_t *pReceived);
    // Fetches n chosen objects; record i goes to pickDest(i) and sets
    // found[i]; on OK every other bit is cleared (an empty record, or none
    // at all). Returns the status.
    template <typename PickDest>
    uint32_t GetObjsById(uint32_t n, const uint32_t *pTypeIds, const uint32_t *pObjIds,
                         PickDest pickDest, std::vector<bool> &found);
    // Closes and reopens the transport.
    bool Relink();
    uint32_t DoOperation(uint32_t operation, uint32_t typeId, uint32_t objId, uint32_t argCount,
                         const char (*pArgs)[64]);

    uint32_t GetServerType() const { return serverType; }
    Sdbg_Link &GetLink() { return *pLink; }

    // Copies min(srcSize, dest.capacity) bytes and zeroes the rest of dest.
    static void CopyRecord(const Sdbg_RecordDest &dest, const uint8_t *pSrc, uint32_t srcSize);

  private:
    void Connect(uint32_t moduleType);

    std::unique_ptr<Sdbg_Link> pLink;
    std::unique_ptr<Sdbg_Request> pRequest;
    uint32_t serverType;
};

template <typename PickDest>
uint32_t Sdbg_ServerLink::GetAllObjs(uint32_t typeId, uint32_t count, PickDest pickDest,
                                     uint32_t *pReceived) {
    (void)pRequest->Build(SDBG_REQ_TYPE__ALL_OBJS, &typeId, nullptr, count, 0, 0, nullptr);
    const uint32_t status = pRequest->Send();
    if (status != SDBG_STATUS__OK) {
        return status;
    }
    pRequest->Rewind();
    uint32_t received = 0;
    uint32_t recType = 0;
    uint32_t objId = 0;
    uint32_t size = 0;
    for (uint32_t walked = 0; walked < count; ++walked) {
        const uint8_t *pData = pRequest->NextRecord(&recType, &objId, &size);
        if (pData == nullptr) {
            break;
        }
        if (size != 0) {
            CopyRecord(pickDest(received, objId), pData, size);
            ++received;
        }
    }
    *pReceived = received;
    return status;
}

template <typename PickDest>
uint32_t Sdbg_ServerLink::GetObjsById(uint32_t n, const uint32_t *pTypeIds, const uint32_t *pObjIds,
                                      PickDest pickDest, std::vector<bool> &found) {
    (void)pRequest->Build(SDBG_REQ_TYPE__OBJS_BY_INDEX, pTypeIds, pObjIds, n, 0, 0, nullptr);
    const uint32_t status = pRequest->Send();
    if (status != SDBG_STATUS__OK) {
        return status;
    }
    pRequest->Rewind();
    // An object the answer leaves out (the list ends early or is cut) is
    // gone as much as one answered with an empty record.
    std::fill(found.begin(), found.end(), false);
    uint32_t recType = 0;
    uint32_t objId = 0;
    uint32_t size = 0;
    for (uint32_t i = 0; i < n && i < found.size(); ++i) {
        const uint8_t *pData = pRequest->NextRecord(&recType, &objId, &size);
        if (pData == nullptr) {
            break;
        }
        found[i] = size != 0;
        if (size != 0) {
            CopyRecord(pickDest(i), pData, size);
        }
    }
    return status;
}
