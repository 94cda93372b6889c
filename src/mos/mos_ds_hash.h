// The intrusive hash table: a power-of-two array of buckets, each a locked
// doubly linked list of records that callers embed in their own
// structures. Keys are 64-bit values: a number, or a pointer to text.
// Adding, finding and removing take only the key's bucket lock.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

// Hashing methods.
enum : uint32_t {
    MOS_HASH_METHOD_USER = 1,       // the caller's hashing function
    MOS_HASH_METHOD_MASK = 2,       // key & (numOfBuckets - 1)
    MOS_HASH_METHOD_STR_NOCASE = 3, // sum of the lower-cased text bytes & mask
};

// Bucket index of a key (method 1); parm is the table's method parameter.
typedef uint32_t (*MosHashingFn)(uint64_t key, uint64_t parm);
// Non-zero when a record's key matches the key looked for.
typedef uint32_t (*MosHashCompareFn)(uint64_t recordKey, uint64_t key, uint64_t parm);

struct MosHashRecord {
    MosHashRecord *pNext;
    MosHashRecord *pPrev;
    uint64_t key;
    void *pValue;
};

struct MosHashAnchorData {
    MosHashRecord *pFirst;
    MosHashRecord *pLast;
    uint32_t counter;
    MosFastlock lock;
    uint32_t bEnumActive;
};

struct MosHashBucket {
    MosHashAnchorData anchorData;
};

struct MosDsHash {
    MosFastlock lock; // for whole-table work; the operations below do not take it
    MosHashBucket *pBuckets;
    MosObjEntry objEntry; // listed under object type 9 when named
    uint32_t numOfBuckets;
    uint32_t hashingMethod;
    uint64_t hashingMethodParm;
    uint32_t bEnumActive;
    uint32_t bEnumEnd;
    uint32_t enumBucket; // all ones after creation
    uint64_t enumRecord;
    MosHashCompareFn pCompareFunc;
    MosHashingFn pHashingFunc;
};

// Flags of mosHash_GetRecordByKey.
inline constexpr uint32_t MOS_HASH_FLAG_REMOVE = 1;

// Creates a table of numOfBuckets buckets. Methods 2 and 3 need a power of
// two, no hashing function and a parameter of 0 (the mask is derived);
// method 1 needs a hashing function. Violations are broken invariants.
// False when no bucket array could be obtained.
[[nodiscard]] bool mosHash_CreateIntrn(MosDsHash *pHash, uint32_t numOfBuckets,
                                       uint32_t hashingMethod, uint64_t hashingMethodParm,
                                       MosHashingFn pHashingFunc, MosHashCompareFn pCompareFunc,
                                       uint32_t lockClass);
[[nodiscard]] bool mosHash_Create(MosDsHash *pHash, uint32_t numOfBuckets, uint32_t hashingMethod,
                                  uint64_t hashingMethodParm, MosHashingFn pHashingFunc,
                                  MosHashCompareFn pCompareFunc);

MosHashBucket *mosHash_GetBucketPtrByKey(MosDsHash *pHash, uint64_t key);

// Appends an unlinked record under key with value. Equal keys are not
// detected: a later record is found only after the earlier one is gone.
void mosHash_Add(MosDsHash *pHash, MosHashRecord *pRecord, uint64_t key, void *pValue);

// Finds the first record matching key; with MOS_HASH_FLAG_REMOVE also
// unlinks it. Stores its value in *ppValue (untouched when none matched).
MosHashRecord *mosHash_GetRecordByKey(MosDsHash *pHash, uint64_t key, uint32_t flags,
                                      void **ppValue);

// As mosHash_GetRecordByKey; the value only. True when found.
bool mosHash_GetValueByKey(MosDsHash *pHash, uint64_t key, uint32_t flags, void **ppValue);

// Removes exactly this record if it is in the key's bucket.
bool mosHash_DeleteRecordByKeyAndPtr(MosDsHash *pHash, uint64_t key, MosHashRecord *pRecord);

// Unlinks a record from its bucket; the caller holds the bucket lock.
void mosHash_RemoveRecord(MosDsHash *pHash, MosHashBucket *pBucket, MosHashRecord *pRecord);

// Empties every bucket without locks; the caller excludes other users.
void mosHash_Clear(MosDsHash *pHash);

uint32_t mosHash_GetRecNum(const MosDsHash *pHash);

// Deletes an empty table (a non-empty one is a broken invariant); a table
// listed under object type 9 is unlisted first.
void mosHash_Delete(MosDsHash *pHash);

// Lists the table under object type 9 with a name (owned by the caller).
void mosHash_RegSdbgObj(MosDsHash *pHash, const char *pName);

#pragma pack(push, 1)
struct MosHash_Query {
    uint32_t numOfRecordsInHash;
    uint32_t numOfBucketsInHash;
    uint32_t numOfEmptyBuckets;
    uint32_t mostLoadedIndex;
    uint32_t mostLoadedCount;
    uint32_t leastLoadedIndex;
    uint32_t leastLoadedCount;
    uint32_t bEnumActive;
    uint32_t bEnumEnd;
    char hashName[32];
};
#pragma pack(pop)
static_assert(sizeof(MosHash_Query) == 68);
static_assert(offsetof(MosHash_Query, leastLoadedCount) == 24);
static_assert(offsetof(MosHash_Query, hashName) == 36);

inline constexpr uint32_t MOS_OBJ_TYPE_HASH = 9;

// Fills a MosHash_Query of the table that owns pEntry.
void mosHash_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Registers / unregisters object type 9.
[[nodiscard]] MOS_RC mosHashLayer_Init(void *pArg);
void mosHashLayer_Destroy();

bool mosHash_IsPowerOf2(uint32_t value);
