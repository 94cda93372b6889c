// The shared-memory protocol decoders and the manifest reader over
// arbitrary bytes: requests of both protocols, framed replies, received
// names, and a manifest's text as another process may have left it.
// Every name handed on must be terminated and 1 to 128 characters long
// (what a manifest record holds), and nothing may be read past the input.
#include "mos_shm_layer.h"
#include "usr/mos_shm_proto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    decodeMessages(pData, size);
    // An exact-size copy, so a read past the manifest's end is caught.
    std::vector<char> text(pData, pData + size);
    mosShmLayer_ForEachManifestName(text.data(), text.size(), checkName, nullptr);
    return 0;
}
