#include "mos_shm_layer.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_shm_client.h"
#include "mos_trace.h"
#include "os_time.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

MosShmLayer mosShmLayer_G;

namespace {

constexpr uint32_t GC_HASH_BUCKETS = 1024;
constexpr uint32_t MANIFEST_BYTES_PER_RECORD = 128;
// The longest name the writer records, and its line with the line feed.
constexpr uint32_t MANIFEST_NAME_MAX = 128;
constexpr uint32_t MANIFEST_LINE_SCAN = MANIFEST_NAME_MAX + 1;

MosShmGCObj *gcObjOfList(MosListNode *pNode) {
    return reinterpret_cast<MosShmGCObj *>(pNode); // listNode is the first field
}

uint64_t keyOf(const char *pName) {
    return reinterpret_cast<uint64_t>(pName);
}

uint8_t *indexBytes() {
    return static_cast<uint8_t *>(mosShmLayer_G.indexShm.pMem);
}

int32_t readActiveManifest() {
    int32_t active = 0;
    memcpy(&active, indexBytes() + offsetof(MosShmIndexHeader, activeManifest), sizeof(active));
    return active;
}

void writeActiveManifest(int32_t active) {
    memcpy(indexBytes() + offsetof(MosShmIndexHeader, activeManifest), &active, sizeof(active));
}

uint64_t readIndexStamp() {
    uint64_t stamp = 0;
    memcpy(&stamp, indexBytes() + offsetof(MosShmIndexHeader, timestamp), sizeof(stamp));
    return stamp;
}

const char *manifestName(int32_t active) {
    return active == 0 ? mosShmLayer_G.manifestAName : mosShmLayer_G.manifestBName;
}

uint64_t nowStampUs() {
    int64_t count = 0;
    int64_t frequency = 0;
    osTime_QueryPerformanceCounter(&count, &frequency);
    return mosShmLayer_CountToUs(count, frequency);
}

// Creates or opens a segment and maps it; "Shm index mapping failed" when
// the map fails.
MOS_RC openMapped(MosShm *pShm, const char *pName, uint64_t size, uint32_t bCreate) {
    MOS_RC rc = mosShmUmt_CreateOs(pShm, pName, size, bCreate, 0);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    rc = mosShm_Map(pShm);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Shm index mapping failed");
        mosShm_CloseOs(pShm);
    }
    return rc;
}

bool isIndexMagicValid() {
    if (strncmp(reinterpret_cast<const char *>(indexBytes()), MOS_SHM_GC_MAGIC,
                sizeof(MOS_SHM_GC_MAGIC)) == 0) {
        return true;
    }
    char found[sizeof(MOS_SHM_GC_MAGIC) + 1] = {};
    memcpy(found, indexBytes(), sizeof(MOS_SHM_GC_MAGIC));
    MOS_TRACE(MOS_COMP_MOS, 1, "SHM Index magic is invalid, magic should be: %s, but is: %s",
              MOS_SHM_GC_MAGIC, found);
    return false;
}

// mosShmLayer_ExistsValidIndex with mosShmLayer_OpenIndex: the index is
// open, mapped and carries the magic.
bool existsValidIndex() {
    MosShm *pIndex = &mosShmLayer_G.indexShm;
    if (openMapped(pIndex, mosShmLayer_G.indexName, 0, 0) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "SHM Index is missing");
        return false;
    }
    if (pIndex->memSize < sizeof(MosShmIndexHeader)) {
        // Too small to hold the index at all: rebuilt like a bad magic.
        mosShm_CloseOs(pIndex);
        return false;
    }
    if (!isIndexMagicValid()) {
        mosShm_CloseOs(pIndex);
        return false;
    }
    return true;
}

MOS_RC createEmptyManifest(const char *pName) {
    MosShm manifest;
    MOS_RC rc = openMapped(&manifest, pName, mos_GetPageSize(), 1);
    if (rc == MOS_RC__SUCCESS) {
        mosShm_CloseOs(&manifest);
    }
    return rc;
}

void recordName(const char *pName, void * /*pArg*/) {
    (void)mosShmLayer_CreateGCObj(pName);
}

void freeGCObj(MosShmGCObj *pObj) {
    (void)mosHash_DeleteRecordByKeyAndPtr(&mosShmLayer_G.gcHash, keyOf(pObj->name),
                                          &pObj->hashNode);
    mosShmList_Unlink(&mosShmLayer_G.objList, &pObj->listNode);
    mos_MemFreeBare(pObj);
}

uint64_t manifestSize(uint32_t numRecords) {
    uint64_t pageSize = mos_GetPageSize();
    // Room for the longest names with their line feeds and the final zero.
    uint64_t need = uint64_t{numRecords} * (MANIFEST_BYTES_PER_RECORD + 1) + 1;
    return std::max(pageSize, (need + pageSize - 1) / pageSize * pageSize);
}

void writeManifestText(char *pText, uint64_t size) {
    uint64_t pos = 0;
    for (MosListNode *p = mosShmLayer_G.objList.pFirst; p != nullptr; p = mosList_Next(p)) {
        int written = snprintf(pText + pos, size - pos, "%s\n", gcObjOfList(p)->name);
        pos += std::min<uint64_t>(static_cast<uint64_t>(written), size - pos - 1);
    }
}

bool keptByCallback(const char *pName) {
    for (MosShmKeepCKEntry *p = mosShmLayer_G.keepCKs; p != nullptr; p = p->pNext) {
        if (p->callback(pName, p->pUserData) != 0) {
            return true;
        }
    }
    return false;
}

} // namespace

void mosShmUmt_GarbageCollect() {
    mosFastlockBase_Acquire(&mosShmLayer_G.lock);
    MosListNode *p = mosShmLayer_G.objList.pFirst;
    while (p != nullptr) {
        MosListNode *pNext = mosList_Next(p);
        MosShmGCObj *pObj = gcObjOfList(p);
        if (pObj->useCount == 0 && !keptByCallback(pObj->name)) {
            mosShmClient_DestroyShmInServer(pObj->name);
            freeGCObj(pObj);
        }
        p = pNext;
    }
    MOS_RC rc = mosShmLayer_UpdateIndex();
    mosFastlockBase_Release(&mosShmLayer_G.lock);
    // mosShmUmt_CollectIndexAndManifests
    if (rc != MOS_RC__SUCCESS) {
        // Another process owns the family now (or the survivors could not
        // be written): its index and manifests are left alone.
        mosShm_CloseOs(&mosShmLayer_G.indexShm);
        return;
    }
    MOS_ASSERT(mosShmLayer_G.prefix != ((void *)0) && ((uint32_t)strlen(mosShmLayer_G.prefix)) > 0);
    mosShmUmt_DestroyOs(&mosShmLayer_G.indexShm);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestAName);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestBName);
}

namespace {

MOS_RC openIndexAndRecords(const MosShmParams *pShmParams) {
    if (!mosHash_Create(&mosShmLayer_G.gcHash, GC_HASH_BUCKETS, MOS_HASH_METHOD_STR_NOCASE, 0,
                        nullptr, nullptr)) {
        mosShmLayer_DestroyOs();
        return MOS_RC__NO_RESOURCES;
    }
    memset(&mosShmLayer_G.objList, 0, sizeof(mosShmLayer_G.objList));
    mosFastlock_Create(&mosShmLayer_G.lock);
    MOS_ASSERT(pShmParams && pShmParams->prefix);
    snprintf(mosShmLayer_G.prefix, sizeof(mosShmLayer_G.prefix), "%s", pShmParams->prefix);
    snprintf(mosShmLayer_G.indexName, sizeof(mosShmLayer_G.indexName), "%s_%s",
             mosShmLayer_G.prefix, "INDEX");
    snprintf(mosShmLayer_G.manifestAName, sizeof(mosShmLayer_G.manifestAName), "%s_%s",
             mosShmLayer_G.prefix, "MANIFEST_A");
    snprintf(mosShmLayer_G.manifestBName, sizeof(mosShmLayer_G.manifestBName), "%s_%s",
             mosShmLayer_G.prefix, "MANIFEST_B");
    return existsValidIndex() ? mosShmLayer_ParseManifest() : mosShmLayer_ResetIndexAndManifests();
}

} // namespace

uint64_t mosShmLayer_CountToUs(int64_t count, int64_t frequency) {
    if (frequency <= 0) {
        return 0;
    }
    constexpr int64_t US_PER_S = 1000000;
    // Whole seconds and the remainder apart, so a long uptime cannot
    // overflow the product.
    int64_t us = count / frequency * US_PER_S + count % frequency * US_PER_S / frequency;
    return static_cast<uint64_t>(us);
}

void mosShmLayer_ForEachManifestName(const char *pText, uint64_t size, MosShmManifestNameFn pNameFn,
                                     void *pArg) {
    uint64_t pos = 0;
    while (pos < size && pText[pos] != '\0') {
        uint64_t limit = std::min<uint64_t>(size - pos, MANIFEST_LINE_SCAN);
        uint64_t len = 0;
        while (len < limit && pText[pos + len] != '\0' && pText[pos + len] != '\n') {
            len++;
        }
        bool bLineFeed = len < limit && pText[pos + len] == '\n';
        if (!bLineFeed && len == limit) {
            // No line feed near: the line runs to the text's end.
            while (pos + len < size && pText[pos + len] != '\0') {
                len++;
            }
        }
        uint64_t nameLen = std::min<uint64_t>(len, MANIFEST_NAME_MAX);
        if (nameLen > 0) { // an empty line names nothing
            char name[MANIFEST_NAME_MAX + 1] = {};
            memcpy(name, pText + pos, nameLen);
            pNameFn(name, pArg);
        }
        if (!bLineFeed) {
            return;
        }
        pos += len + 1;
    }
}

MOS_RC mosShmLayer_Create(void *pParams) {
    memset(&mosShmLayer_G, 0, sizeof(mosShmLayer_G));
    const auto *pShmParams = static_cast<const MosShmParams *>(pParams);
    if (pShmParams == nullptr || pShmParams->prefix == nullptr || pShmParams->prefix[0] == '\0') {
        return MOS_RC__SUCCESS;
    }
    MOS_RC rc = mosShmClient_Create(pShmParams);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    mosShmLayer_G.bNoIndex = pShmParams->bNoIndex;
    if (mosShmLayer_G.bNoIndex != 0) {
        snprintf(mosShmLayer_G.prefix, sizeof(mosShmLayer_G.prefix), "%s", pShmParams->prefix);
        return MOS_RC__SUCCESS;
    }
    mosShmLayer_G.bGarbageCollect = 0;
    rc = openIndexAndRecords(pShmParams);
    if (rc == MOS_RC__NO_RESOURCES && mosShmLayer_G.prefix[0] == '\0') {
        return rc; // no hash: client and servers are stopped already
    }
    if (rc != MOS_RC__SUCCESS) {
        mosShmLayer_Destroy();
        return rc;
    }
    mosShmLayer_G.timestamp = nowStampUs();
    memcpy(indexBytes() + offsetof(MosShmIndexHeader, timestamp), &mosShmLayer_G.timestamp,
           sizeof(mosShmLayer_G.timestamp));
    return MOS_RC__SUCCESS;
}

void mosShmLayer_Destroy() {
    if (mosShmLayer_G.prefix[0] == '\0') {
        return;
    }
    if (mosShmLayer_G.bNoIndex == 0) {
        if (mosShmLayer_G.bGarbageCollect != 0 && mosShmLayer_G.indexShm.pMem != nullptr) {
            mosShmUmt_GarbageCollect();
        } else if (mosShmLayer_G.indexShm.shmFD != nullptr) {
            mosShm_CloseOs(&mosShmLayer_G.indexShm);
        }
        mosShmLayer_DestroyAllGCObjs();
        mosFastlockBase_Destroy(&mosShmLayer_G.lock);
        mosHash_Clear(&mosShmLayer_G.gcHash);
        mosHash_Delete(&mosShmLayer_G.gcHash);
    }
    mosShmLayer_DestroyOs();
    memset(&mosShmLayer_G, 0, sizeof(mosShmLayer_G));
}

MOS_RC mosShmLayer_ResetIndexAndManifests() {
    mosShmClient_DestroyShmInServer(mosShmLayer_G.indexName);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestAName);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestBName);
    MOS_RC rc = openMapped(&mosShmLayer_G.indexShm, mosShmLayer_G.indexName, mos_GetPageSize(), 1);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Shm ResetIndex could not create new Index shm file");
        return rc;
    }
    for (const char *pName : {mosShmLayer_G.manifestAName, mosShmLayer_G.manifestBName}) {
        rc = createEmptyManifest(pName);
        if (rc != MOS_RC__SUCCESS) {
            MOS_TRACE(MOS_COMP_MOS, 1, "Shm ResetIndex could not create new Manifest shm file");
            return rc;
        }
    }
    memcpy(indexBytes(), MOS_SHM_GC_MAGIC, sizeof(MOS_SHM_GC_MAGIC));
    writeActiveManifest(0);
    return MOS_RC__SUCCESS;
}

MOS_RC mosShmLayer_ParseManifest() {
    const char *pName = manifestName(readActiveManifest());
    MosShm manifest;
    if (openMapped(&manifest, pName, 0, 0) != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Shm have valid index but no valid manifest, so create it");
        MOS_RC rc = openMapped(&manifest, pName, mos_GetPageSize(), 1);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
    }
    mosShmLayer_ForEachManifestName(static_cast<const char *>(manifest.pMem), manifest.memSize,
                                    recordName, nullptr);
    mosShm_CloseOs(&manifest);
    return MOS_RC__SUCCESS;
}

MosShmGCObj *mosShmLayer_CreateGCObj(const char *pName) {
    size_t nameLen = strnlen(pName, 129);
    MOS_ASSERT(128 >= nameLen && 0 < nameLen);
    auto *pObj = static_cast<MosShmGCObj *>(
        mos_MemCallocBare(sizeof(MosShmGCObj), MOS_MEM_MAX_SIZE, "mosShmLayer_CreateGCObj", true));
    if (pObj == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Shm GCObj malloc faild");
        ALWAYS_ASSERT();
    }
    (void)mosMemPinning_Pin(pObj, sizeof(*pObj), nullptr, nullptr, false);
    memcpy(pObj->name, pName, nameLen);
    mosHash_Add(&mosShmLayer_G.gcHash, &pObj->hashNode, keyOf(pObj->name), pObj);
    mosShmList_Append(&mosShmLayer_G.objList, &pObj->listNode);
    return pObj;
}

MOS_RC mosShmLayer_DestroyGCObj(const char *pName) {
    void *pValue = nullptr;
    if (mosHash_GetRecordByKey(&mosShmLayer_G.gcHash, keyOf(pName), 0, &pValue) == nullptr) {
        return MOS_RC__NOT_FOUND;
    }
    freeGCObj(static_cast<MosShmGCObj *>(pValue));
    return MOS_RC__SUCCESS;
}

void mosShmLayer_DestroyAllGCObjs() {
    while (mosShmLayer_G.objList.pFirst != nullptr) {
        freeGCObj(gcObjOfList(mosShmLayer_G.objList.pFirst));
    }
}

MOS_RC mosShmLayer_UpdateIndex() {
    int32_t active = readActiveManifest();
    const char *pOther = manifestName(active == 0 ? 1 : 0);
    mosShmClient_DestroyShmInServer(pOther);
    MosShm manifest;
    MOS_RC rc = openMapped(&manifest, pOther, manifestSize(mosShmLayer_G.objList.counter), 1);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    writeManifestText(static_cast<char *>(manifest.pMem), manifest.memSize);
    mosShm_CloseOs(&manifest);
    // mosShmLayer_IsIndexTimestampValid
    uint64_t found = readIndexStamp();
    if (found != mosShmLayer_G.timestamp) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "SHM Index timestamp is invalid, timestamp should be: %llu, but is: %llu, "
                  "shm_prefix is: %s, seed is: %llu",
                  static_cast<unsigned long long>(mosShmLayer_G.timestamp),
                  static_cast<unsigned long long>(found), mosShmLayer_G.prefix, ~0ULL);
        return MOS_RC__ERROR;
    }
    writeActiveManifest(active == 0 ? 1 : 0);
    return MOS_RC__SUCCESS;
}

void mosShmLayer_SetGarbageCollect(uint32_t bGarbageCollect) {
    mosShmLayer_G.bGarbageCollect = bGarbageCollect;
}

void mosShmLayer_AddKeepCK(MosShmKeepCKEntry *pEntry) {
    MosShmKeepCKEntry **ppLast = &mosShmLayer_G.keepCKs;
    while (*ppLast != nullptr) {
        ppLast = &(*ppLast)->pNext;
    }
    pEntry->pNext = nullptr;
    *ppLast = pEntry;
}
