// The shared-memory protocol decoders and the manifest reader over
// arbitrary bytes: requests of both protocols, replies of both, received
// names, and a manifest's text as another process may have left it.
// Every name handed on must be terminated and 1 to 128 characters long
// (what a manifest record holds), and nothing may be read past the input.
// A V20 request or reply built from the input (op byte 0, flags byte 1,
// size and code bytes 2-9, the name from byte 10) decodes to what was
// built: the op, the flags V20 carries, the size and the lower-cased name.
#include "mos_shm_layer.h"
#include "mos_shm_proto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void checkName(const char *pName, void * /*pArg*/) {
    size_t len = strlen(pName);
    if (len == 0 || len > 128) {
        abort();
    }
}

void decodeMessages(const uint8_t *pData, size_t size) {
    MosShmServerReq req;
    if (size >= sizeof(MosShmReqMsg) && mosShmProto_ParseReq(pData, &req) == MOS_RC__SUCCESS) {
        mosShmProto_NormalizeName(req.name);
        if (strnlen(req.name, sizeof(req.name)) >= sizeof(req.name)) {
            abort();
        }
    }
    if (size >= sizeof(MosShmMsgV20)) {
        mosShmProto_ParseReqV20(pData, &req);
        if ((req.flags & MOS_SHM_FLAG__OPEN_ONLY) != 0) {
            abort(); // V20 cannot ask for open-only
        }
    }
    uint64_t replySize = 0;
    uint32_t rc = 0;
    if (size >= sizeof(MosShmRespMsg)) {
        (void)mosShmProto_ParseResp(pData, &replySize, &rc);
    }
    if (size >= sizeof(MosShmMsgV20)) {
        mosShmProto_ParseRespV20(pData, &replySize, &rc);
    }
}

void checkV20RoundTrip(const uint8_t *pData, size_t size) {
    if (size < 10) {
        return;
    }
    uint64_t value = 0;
    memcpy(&value, pData + 2, sizeof(value));
    std::string name(reinterpret_cast<const char *>(pData + 10), size - 10);
    name = name.c_str();
    MosShmMsgV20 msg;
    if (mosShmProto_BuildReqV20(&msg, pData[0], pData[1], name.c_str(), value) == MOS_RC__SUCCESS) {
        MosShmServerReq req;
        mosShmProto_ParseReqV20(&msg, &req);
        char expected[MOS_SHM_NAME_SIZE];
        mosShmProto_CopyName(expected, sizeof(expected), name.c_str());
        const uint8_t kV20Flags =
            MOS_SHM_FLAG__EXCLUSIVE | MOS_SHM_FLAG__CREATE | MOS_SHM_FLAG__SUBSTRING;
        if (req.op != pData[0] || req.flags != (pData[1] & kV20Flags) || req.size != value ||
            memcmp(req.name, expected, sizeof(expected)) != 0) {
            abort();
        }
    } else if (value <= UINT32_MAX && pData[0] <= MOS_SHM_OP__DELETE) {
        abort(); // a request V20 can carry was refused
    }
    MosShmServerResp resp = {};
    resp.size = value & UINT32_MAX;
    resp.rc = static_cast<uint32_t>(value >> 32);
    mosShmProto_BuildRespV20(&resp, &msg);
    uint64_t replySize = 0;
    uint32_t replyRc = 0;
    mosShmProto_ParseRespV20(&msg, &replySize, &replyRc);
    if (replySize != resp.size || replyRc != resp.rc) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    decodeMessages(pData, size);
    checkV20RoundTrip(pData, size);
    // An exact-size copy, so a read past the manifest's end is caught.
    std::vector<char> text(pData, pData + size);
    mosShmLayer_ForEachManifestName(text.data(), text.size(), checkName, nullptr);
    return 0;
}
