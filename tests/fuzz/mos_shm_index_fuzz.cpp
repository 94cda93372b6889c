// The shared-memory layer over an index and manifests another process has
// written: the layer runs with its servers in this process; each input is
// written into the index segment (its first 674 bytes: magic, current
// manifest, stamp) and into both manifests, then the layer reads the
// current manifest into records and writes them back into the other one,
// flipping the index. Input: the index header (674 bytes, zeros past the
// input), one flag byte (bit 0: the stamp is set to this process's own, as
// when no other process has claimed the index), then the text of manifest
// A, a 0xFF byte, and the text of manifest B.
//
// It must never crash or read past a segment. Every record holds a name
// of 1 to 128 characters. The index is flipped, and only its current
// manifest word changes, exactly when it carries this process's stamp;
// the manifest written then lists the records, one per line.
#include "mos_ds_hash.h"
#include "mos_mem.h"
#include "mos_net_sock.h"
#include "mos_obj.h"
#include "mos_os_thread.h"
#include "mos_shm_client.h"
#include "mos_shm_layer.h"
#include "mos_ticks.h"
#include "os_crash.h"
#include "os_proc.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint16_t freePort() {
    MosSocket s = MOS_INVALID_SOCKET;
    uint16_t port = 0;
    if (osNet_Socket(&s, NET_SOCKET_TYPE__IPV4) != MOS_RC__SUCCESS ||
        !osNet_BindPort(s, 0, NET_SOCKET_TYPE__IPV4) || osNetSys_GetLocalPort(s, &port) != 0) {
        abort();
    }
    osNet_Close(s);
    return port;
}

std::string prefix_G;

// At the end of a run: the family's three segments go, and nothing the
// manifests named (they name whatever the input said).
void tearDown() {
    mosShmLayer_DestroyAllGCObjs();
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestAName);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestBName);
    mosShmUmt_DestroyOs(&mosShmLayer_G.indexShm);
    mosShmLayer_Destroy();
}

bool setUp() {
    (void)!freopen("/dev/null", "w", stdout);
    if (mosUtilsLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosObjLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosHashLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosOsThrdLayer_Create(nullptr) != MOS_RC__SUCCESS ||
        mosTicksLayer_Init(nullptr) != MOS_RC__SUCCESS || osNetLayer_Create() != MOS_RC__SUCCESS) {
        abort();
    }
    osCrash_RemoveFilter(); // crashes go to the fuzzer
    mosShmClient_SetFramedPort(freePort());
    prefix_G = "fz" + std::to_string(osProc_GetCurrentProcessId()) + "_idx";
    MosShmParams params = {1, freePort(), prefix_G.c_str(), 0};
    if (mosShmLayer_Create(&params) != MOS_RC__SUCCESS) {
        abort();
    }
    atexit(tearDown);
    return true;
}

// Writes text (cut to the segment) into a manifest segment, zero after it.
void writeSegment(const char *pName, const uint8_t *pText, size_t size) {
    MosShm shm;
    if (mosShmUmt_CreateOs(&shm, pName, 0, 0, 0) != MOS_RC__SUCCESS) {
        return; // a manifest the last round did not leave
    }
    if (mosShm_Map(&shm) == MOS_RC__SUCCESS) {
        memset(shm.pMem, 0, shm.memSize);
        memcpy(shm.pMem, pText, std::min<size_t>(size, shm.memSize));
    }
    mosShm_CloseOs(&shm);
}

std::string readSegment(const char *pName) {
    MosShm shm;
    std::string text;
    if (mosShmUmt_CreateOs(&shm, pName, 0, 0, 0) != MOS_RC__SUCCESS) {
        abort(); // the manifest just written
    }
    if (mosShm_Map(&shm) != MOS_RC__SUCCESS) {
        abort();
    }
    const char *p = static_cast<const char *>(shm.pMem);
    text.assign(p, strnlen(p, shm.memSize));
    mosShm_CloseOs(&shm);
    return text;
}

std::string recordLines() {
    std::string text;
    for (MosListNode *p = mosShmLayer_G.objList.pFirst; p != nullptr; p = mosList_Next(p)) {
        const char *pName = reinterpret_cast<const MosShmGCObj *>(p)->name;
        size_t len = strnlen(pName, 129);
        if (len == 0 || len > 128) {
            abort();
        }
        text.append(pName).append("\n");
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bReady = setUp();
    (void)bReady;
    constexpr size_t kHeader = sizeof(MosShmIndexHeader);
    if (size > 64 * 1024) {
        return 0;
    }
    auto *pIndex = static_cast<uint8_t *>(mosShmLayer_G.indexShm.pMem);
    memset(pIndex, 0, kHeader);
    memcpy(pIndex, pData, std::min(size, kHeader));
    uint8_t flags = size > kHeader ? pData[kHeader] : 0;
    if ((flags & 1) != 0) {
        memcpy(pIndex + offsetof(MosShmIndexHeader, timestamp), &mosShmLayer_G.timestamp, 8);
    }
    const uint8_t *pText = size > kHeader + 1 ? pData + kHeader + 1 : pData;
    size_t textSize = size > kHeader + 1 ? size - kHeader - 1 : 0;
    const uint8_t *pSplit = static_cast<const uint8_t *>(memchr(pText, 0xFF, textSize));
    size_t sizeA = pSplit != nullptr ? static_cast<size_t>(pSplit - pText) : textSize;
    writeSegment(mosShmLayer_G.manifestAName, pText, sizeA);
    if (pSplit != nullptr) {
        writeSegment(mosShmLayer_G.manifestBName, pSplit + 1, textSize - sizeA - 1);
    } else {
        writeSegment(mosShmLayer_G.manifestBName, pText, 0);
    }

    mosShmLayer_DestroyAllGCObjs();
    if (mosShmLayer_ParseManifest() != MOS_RC__SUCCESS) {
        return 0;
    }
    const std::string records = recordLines();
    std::vector<uint8_t> before(pIndex, pIndex + kHeader);
    int32_t active = 0;
    uint64_t stamp = 0;
    memcpy(&active, pIndex + offsetof(MosShmIndexHeader, activeManifest), 4);
    memcpy(&stamp, pIndex + offsetof(MosShmIndexHeader, timestamp), 8);
    MOS_RC rc = mosShmLayer_UpdateIndex();
    if ((rc == MOS_RC__SUCCESS) != (stamp == mosShmLayer_G.timestamp)) {
        abort();
    }
    if (rc != MOS_RC__SUCCESS) {
        if (memcmp(before.data(), pIndex, kHeader) != 0) {
            abort(); // an index another process claimed is left alone
        }
        return 0;
    }
    int32_t flipped = active == 0 ? 1 : 0;
    memcpy(before.data() + offsetof(MosShmIndexHeader, activeManifest), &flipped, 4);
    if (memcmp(before.data(), pIndex, kHeader) != 0) {
        abort();
    }
    const char *pWritten = active == 0 ? mosShmLayer_G.manifestBName : mosShmLayer_G.manifestAName;
    if (readSegment(pWritten) != records) {
        abort();
    }
    return 0;
}
