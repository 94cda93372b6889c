// The driver's debug pass-through: the frame after the 8-byte command
// header is one debug-port request, answered by the runtime library's
// request handling over the emulator's own registered objects, as the
// storage client (module type 1) would answer it.
#include "emu.h"

#include "dport_request.h"
#include "mos_loader.h"

#include <cstring>

namespace emu {
namespace {

constexpr uint32_t kIniModule = 1;
constexpr size_t kCommandHeader = 8;

struct ReplyCursor {
    std::vector<uint8_t> *pBytes;
    size_t offset;
};

MOS_RC writeReply(void *pCtx, const void *pData, uint32_t size) {
    auto *pCursor = static_cast<ReplyCursor *>(pCtx);
    if (pCursor->offset + size > pCursor->pBytes->size()) {
        return MOS_RC__BUF_TOO_SMALL; // the caller's buffer holds no more
    }
    std::memcpy(pCursor->pBytes->data() + pCursor->offset, pData, size);
    pCursor->offset += size;
    return MOS_RC__SUCCESS;
}

} // namespace

bool startRuntime() {
    return mos_Init(nullptr) == MOS_RC__SUCCESS;
}

bool sdbgPassThrough(const std::vector<uint8_t> &input, Reply *pReply) {
    ReplyCursor cursor{&pReply->bytes, kCommandHeader};
    const SdbgResponseSink sink{writeReply, &cursor};
    const MOS_RC rc =
        sdbgReq_HandleMessage(sdbgReq_MosObjRegistry(), kIniModule, input.data() + kCommandHeader,
                              static_cast<uint32_t>(input.size() - kCommandHeader), sink);
    if (rc != MOS_RC__SUCCESS) {
        return false; // a request the driver's server refuses fails the call
    }
    pReply->bytes.resize(cursor.offset);
    return true;
}

} // namespace emu
