#include "mos_ds_hash.h"

#include "mos_assert_text.h"
#include "mos_bits.h"
#include "mos_mem.h"
#include "mos_obj.h"

#include <cctype>
#include <cstring>

namespace {

MosObjType hashObjType_G;

MosHashRecord *recordEnd() {
    return reinterpret_cast<MosHashRecord *>(~uintptr_t{0});
}

MosHashRecord *nextRecord(const MosHashRecord *pRecord) {
    return pRecord->pNext == recordEnd() ? nullptr : pRecord->pNext;
}

void appendRecord(MosHashBucket *pBucket, MosHashRecord *pRecord) {
    MosHashAnchorData &anchor = pBucket->anchorData;
    pRecord->pNext = recordEnd();
    pRecord->pPrev = anchor.pLast == nullptr ? recordEnd() : anchor.pLast;
    if (anchor.pLast == nullptr) {
        anchor.pFirst = pRecord;
    } else {
        anchor.pLast->pNext = pRecord;
    }
    anchor.pLast = pRecord;
    anchor.counter++;
}

uint32_t sumLowerCase(const char *pText) {
    uint32_t sum = 0;
    for (; *pText != '\0'; pText++) {
        sum += static_cast<uint32_t>(tolower(static_cast<unsigned char>(*pText)));
    }
    return sum;
}

bool keysMatch(const MosDsHash *pHash, uint64_t recordKey, uint64_t key) {
    if (pHash->pCompareFunc != nullptr) {
        return pHash->pCompareFunc(recordKey, key, pHash->hashingMethodParm) != 0;
    }
    if (pHash->hashingMethod == MOS_HASH_METHOD_STR_NOCASE) {
        return strcmp(reinterpret_cast<const char *>(recordKey),
                      reinterpret_cast<const char *>(key)) == 0;
    }
    return recordKey == key;
}

void checkNotEnumerated(const MosHashBucket *pBucket) {
    MOS_ASSERT_TEXT(pBucket->anchorData.bEnumActive == 0, "(pBucket)->anchorData.bEnumActive == 0");
}

} // namespace

bool mosHash_IsPowerOf2(uint32_t value) {
    return mos_CountSetBits(value) == 1;
}

bool mosHash_CreateIntrn(MosDsHash *pHash, uint32_t numOfBuckets, uint32_t hashingMethod,
                         uint64_t hashingMethodParm, MosHashingFn pHashingFunc,
                         MosHashCompareFn pCompareFunc, uint32_t lockClass) {
    (void)lockClass; // lock classes are not read on this platform
    MOS_ASSERT((pHash) != ((void *)0));
    MOS_ASSERT(numOfBuckets != 0);
    if (hashingMethod == MOS_HASH_METHOD_USER) {
        MOS_ASSERT_TEXT(pHashingFunc != nullptr, "(pHashingFunc) != ((void *)0)");
    } else if (hashingMethod == MOS_HASH_METHOD_MASK ||
               hashingMethod == MOS_HASH_METHOD_STR_NOCASE) {
        MOS_ASSERT_TEXT(pHashingFunc == nullptr, "(pHashingFunc) == ((void *)0)");
        MOS_ASSERT(hashingMethodParm == 0);
        MOS_ASSERT(mosHash_IsPowerOf2(numOfBuckets));
        hashingMethodParm = numOfBuckets - 1;
    } else {
        ALWAYS_ASSERT();
    }
    memset(pHash, 0, sizeof *pHash);
    pHash->pBuckets = static_cast<MosHashBucket *>(mos_MemCallocBare(
        uint64_t{numOfBuckets} * sizeof(MosHashBucket), MOS_MEM_MAX_SIZE, __func__, false));
    if (pHash->pBuckets == nullptr) {
        return false;
    }
    mosFastlock_Create(&pHash->lock);
    for (uint32_t i = 0; i < numOfBuckets; i++) {
        mosFastlock_Create(&pHash->pBuckets[i].anchorData.lock);
    }
    pHash->numOfBuckets = numOfBuckets;
    pHash->hashingMethod = hashingMethod;
    pHash->hashingMethodParm = hashingMethodParm;
    pHash->enumBucket = ~uint32_t{0};
    pHash->enumRecord = 0;
    pHash->pCompareFunc = pCompareFunc;
    pHash->pHashingFunc = pHashingFunc;
    return true;
}

bool mosHash_Create(MosDsHash *pHash, uint32_t numOfBuckets, uint32_t hashingMethod,
                    uint64_t hashingMethodParm, MosHashingFn pHashingFunc,
                    MosHashCompareFn pCompareFunc) {
    return mosHash_CreateIntrn(pHash, numOfBuckets, hashingMethod, hashingMethodParm, pHashingFunc,
                               pCompareFunc, 1);
}

MosHashBucket *mosHash_GetBucketPtrByKey(MosDsHash *pHash, uint64_t key) {
    MOS_ASSERT((pHash->pBuckets) != ((void *)0));
    uint64_t hashIndex = 0;
    switch (pHash->hashingMethod) {
        case MOS_HASH_METHOD_USER:
            hashIndex = pHash->pHashingFunc(key, pHash->hashingMethodParm);
            break;
        case MOS_HASH_METHOD_MASK:
            hashIndex = key & pHash->hashingMethodParm;
            break;
        case MOS_HASH_METHOD_STR_NOCASE:
            hashIndex =
                sumLowerCase(reinterpret_cast<const char *>(key)) & pHash->hashingMethodParm;
            break;
        default:
            ALWAYS_ASSERT();
    }
    MOS_ASSERT(hashIndex < pHash->numOfBuckets);
    return &pHash->pBuckets[hashIndex];
}

void mosHash_Add(MosDsHash *pHash, MosHashRecord *pRecord, uint64_t key, void *pValue) {
    MOS_ASSERT((pHash) != ((void *)0));
    MosHashBucket *pBucket = mosHash_GetBucketPtrByKey(pHash, key);
    checkNotEnumerated(pBucket);
    mosFastlockBase_Acquire(&pBucket->anchorData.lock);
    MOS_ASSERT((pRecord) != ((void *)0));
    MOS_ASSERT_TEXT(pRecord->pPrev == nullptr, "(pRecord)->pPrev == ((void *)0)");
    pRecord->key = key;
    pRecord->pValue = pValue;
    appendRecord(pBucket, pRecord);
    mosFastlockBase_Release(&pBucket->anchorData.lock);
}

void mosHash_RemoveRecord(MosDsHash *pHash, MosHashBucket *pBucket, MosHashRecord *pRecord) {
    (void)pHash;
    MosHashAnchorData &anchor = pBucket->anchorData;
    MOS_ASSERT_TEXT(pRecord->pPrev != nullptr, "(pRecord)->pPrev != ((void *)0)");
    MOS_ASSERT_TEXT(pRecord->pNext != nullptr, "(pRecord)->pNext != ((void *)0)");
    if (pRecord->pPrev == recordEnd()) {
        MOS_ASSERT_TEXT(anchor.pFirst == pRecord, "(pBucket)->pFirst == (pRecord)");
        anchor.pFirst = nextRecord(pRecord);
    } else {
        pRecord->pPrev->pNext = pRecord->pNext;
    }
    if (pRecord->pNext == recordEnd()) {
        MOS_ASSERT_TEXT(anchor.pLast == pRecord, "(pBucket)->pLast == (pRecord)");
        anchor.pLast = pRecord->pPrev == recordEnd() ? nullptr : pRecord->pPrev;
    } else {
        pRecord->pNext->pPrev = pRecord->pPrev;
    }
    anchor.counter--;
    pRecord->pNext = nullptr;
    pRecord->pPrev = nullptr;
}

MosHashRecord *mosHash_GetRecordByKey(MosDsHash *pHash, uint64_t key, uint32_t flags,
                                      void **ppValue) {
    MosHashBucket *pBucket = mosHash_GetBucketPtrByKey(pHash, key);
    mosFastlockBase_Acquire(&pBucket->anchorData.lock);
    MosHashRecord *pFound = nullptr;
    for (MosHashRecord *pRecord = pBucket->anchorData.pFirst; pRecord != nullptr;
         pRecord = nextRecord(pRecord)) {
        MOS_ASSERT_TEXT(pRecord->pPrev != nullptr, "(pRecord)->pPrev != ((void *)0)");
        if (keysMatch(pHash, pRecord->key, key)) {
            pFound = pRecord;
            break;
        }
    }
    if (pFound != nullptr) {
        *ppValue = pFound->pValue;
        if (flags & MOS_HASH_FLAG_REMOVE) {
            checkNotEnumerated(pBucket);
            mosHash_RemoveRecord(pHash, pBucket, pFound);
        }
    }
    mosFastlockBase_Release(&pBucket->anchorData.lock);
    return pFound;
}

bool mosHash_GetValueByKey(MosDsHash *pHash, uint64_t key, uint32_t flags, void **ppValue) {
    return mosHash_GetRecordByKey(pHash, key, flags, ppValue) != nullptr;
}

bool mosHash_DeleteRecordByKeyAndPtr(MosDsHash *pHash, uint64_t key, MosHashRecord *pRecord) {
    MosHashBucket *pBucket = mosHash_GetBucketPtrByKey(pHash, key);
    checkNotEnumerated(pBucket);
    mosFastlockBase_Acquire(&pBucket->anchorData.lock);
    bool bRemoved = false;
    for (MosHashRecord *pCur = pBucket->anchorData.pFirst; pCur != nullptr;
         pCur = nextRecord(pCur)) {
        if (pCur == pRecord) {
            mosHash_RemoveRecord(pHash, pBucket, pRecord);
            bRemoved = true;
            break;
        }
    }
    mosFastlockBase_Release(&pBucket->anchorData.lock);
    return bRemoved;
}

void mosHash_Clear(MosDsHash *pHash) {
    MOS_ASSERT((pHash) != ((void *)0));
    MOS_ASSERT((pHash->pBuckets) != ((void *)0));
    for (uint32_t i = 0; i < pHash->numOfBuckets; i++) {
        MosHashBucket *pBucket = &pHash->pBuckets[i];
        MosHashAnchorData &anchor = pBucket->anchorData;
        while (anchor.pFirst != nullptr) {
            MosHashRecord *pRecord = anchor.pFirst;
            MOS_ASSERT_TEXT(pRecord->pNext != nullptr, "((pRecord)->pNext) != ((void *)0)");
            MOS_ASSERT_TEXT(anchor.counter > 0, "(pBucket)->counter>0");
            if (pRecord->pNext == recordEnd()) {
                MOS_ASSERT_TEXT(anchor.counter < 2, "(pBucket)->counter<2");
                anchor.pFirst = nullptr;
                anchor.pLast = nullptr;
            } else {
                anchor.pFirst = pRecord->pNext;
                anchor.pFirst->pPrev = recordEnd();
            }
            anchor.counter--;
            pRecord->pNext = nullptr;
            pRecord->pPrev = nullptr;
        }
    }
}

uint32_t mosHash_GetRecNum(const MosDsHash *pHash) {
    uint32_t total = 0;
    for (uint32_t i = 0; i < pHash->numOfBuckets; i++) {
        total += pHash->pBuckets[i].anchorData.counter;
    }
    return total;
}

void mosHash_Delete(MosDsHash *pHash) {
    MOS_ASSERT((pHash->pBuckets) != ((void *)0));
    MOS_ASSERT(mosHash_GetRecNum(pHash) == 0);
    if (mosList_IsLinked(&pHash->objEntry.node)) {
        mosObjType_UnregObj(&hashObjType_G, &pHash->objEntry);
    }
    for (uint32_t i = 0; i < pHash->numOfBuckets; i++) {
        mosFastlockBase_Destroy(&pHash->pBuckets[i].anchorData.lock);
    }
    mosFastlockBase_Destroy(&pHash->lock);
    mos_MemFreeBare(pHash->pBuckets);
    pHash->pBuckets = nullptr;
}

void mosHash_RegSdbgObj(MosDsHash *pHash, const char *pName) {
    mosObjType_RegObj(&hashObjType_G, &pHash->objEntry, pName);
}

void mosHash_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf) {
    const MosDsHash *pHash = reinterpret_cast<const MosDsHash *>(
        reinterpret_cast<const uint8_t *>(pEntry) - offsetof(MosDsHash, objEntry));
    MosHash_Query query = {};
    query.numOfBucketsInHash = pHash->numOfBuckets;
    for (uint32_t i = 0; i < pHash->numOfBuckets; i++) {
        uint32_t count = pHash->pBuckets[i].anchorData.counter;
        query.numOfRecordsInHash += count;
        if (count == 0) {
            query.numOfEmptyBuckets++;
            continue;
        }
        if (count > query.mostLoadedCount) {
            query.mostLoadedCount = count;
            query.mostLoadedIndex = i;
        }
        if (query.leastLoadedCount == 0 || count < query.leastLoadedCount) {
            query.leastLoadedCount = count;
            query.leastLoadedIndex = i;
        }
    }
    query.bEnumActive = pHash->bEnumActive;
    query.bEnumEnd = pHash->bEnumEnd;
    if (pName != nullptr) {
        strncpy(query.hashName, pName, sizeof query.hashName - 1);
    }
    memcpy(pBuf, &query, sizeof query);
}

MOS_RC mosHashLayer_Init(void *pArg) {
    (void)pArg;
    memset(static_cast<void *>(&hashObjType_G), 0, sizeof hashObjType_G);
    mosObjType_RegObjType(&hashObjType_G, mosHash_SdbgQuery, nullptr, MOS_OBJ_TYPE_HASH,
                          sizeof(MosHash_Query));
    return MOS_RC__SUCCESS;
}

void mosHashLayer_Destroy() {
    mosObjType_UnregObjType(&hashObjType_G);
}
