// Debug-port request handling over arbitrary messages (header and
// payload), against a registry holding a few types: a small query
// structure, one filled in a heap buffer, and a type without objects.
// Every response must stay within its announced size (the handler
// asserts it) and nothing may be read past the message.
#include "dport_request.h"
#include "mos_ds_hash.h"
#include "mos_mem.h"
#include "mos_obj.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Responses are padded to the announced size; keep that bounded so a run
// is not spent writing gigabytes of 0xFF.
constexpr uint32_t kMaxExpected = 1 << 20;

struct FuzzObj {
    MosObjEntry entry;
};

MosObjType types_G[3];
FuzzObj objs_G[4];

void fillQuery(MosObjEntry * /*pEntry*/, const char *pName, void *pBuf) {
    memcpy(pBuf, pName, strlen(pName));
}

void noCommand(MosObjEntry * /*pEntry*/, uint32_t /*command*/, uint32_t argc,
               const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    for (uint32_t i = 0; i < argc; ++i) {
        // Each argument must be terminated within its field.
        if (memchr(pArgs[i], '\0', MOS_OBJ_CMD_ARG_SIZE) == nullptr) {
            __builtin_trap();
        }
    }
}

bool setUp() {
    if (mosUtilsLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosObjLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosHashLayer_Init(nullptr) != MOS_RC__SUCCESS) {
        __builtin_trap();
    }
    mosObjType_RegObjType(&types_G[0], fillQuery, noCommand, 25, 36);
    mosObjType_RegObjType(&types_G[1], fillQuery, noCommand, 6, 4920);
    mosObjType_RegObjType(&types_G[2], fillQuery, nullptr, 164, 72);
    mosObjType_RegObj(&types_G[0], &objs_G[0].entry, "a");
    mosObjType_RegObj(&types_G[0], &objs_G[1].entry, "b");
    mosObjType_RegObj(&types_G[0], &objs_G[2].entry, "c");
    mosObjType_RegObj(&types_G[1], &objs_G[3].entry, "big");
    return true;
}

MOS_RC discard(void *pCtx, const void * /*pData*/, uint32_t size) {
    *static_cast<uint64_t *>(pCtx) += size;
    return MOS_RC__SUCCESS;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bReady = setUp();
    (void)bReady;
    // An exact-size copy lets the sanitizer catch any read past the message.
    std::vector<uint8_t> msg(pData, pData + size);
    if (msg.size() >= 12) {
        uint32_t expected = 0;
        memcpy(&expected, msg.data() + 8, 4);
        expected %= kMaxExpected;
        memcpy(msg.data() + 8, &expected, 4);
    }
    uint64_t written = 0;
    MOS_RC rc = sdbgReq_HandleMessage(sdbgReq_MosObjRegistry(), 2, msg.data(),
                                      static_cast<uint32_t>(msg.size()), {discard, &written});
    if (rc == MOS_RC__SUCCESS && msg.size() >= 12) {
        uint32_t expected = 0;
        memcpy(&expected, msg.data() + 8, 4);
        if (written != expected) {
            __builtin_trap(); // a complete answer is exactly the announced size
        }
    }
    return 0;
}
