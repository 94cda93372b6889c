// The shared-memory layer (a process layer): a family of named segments
// whose names begin with one configured prefix ("shm_prefix"), created and
// held by a shared-memory server and reached through the process's
// shared-memory client (mos_shm_client.h), which this layer starts.
//
// In two segments of its own it records which segments belong to the
// family: the index (prefix + "_INDEX": a magic text, which manifest is
// current and the stamp of the process that last claimed it) and two
// manifests (prefix + "_MANIFEST_A" / "_MANIFEST_B": one segment name per
// line). A writer writes the other manifest and then flips the index, and
// only while the index still carries its own stamp. The layer does nothing
// without a prefix.
#pragma once

#include "mos_ds_hash.h"
#include "mos_fastlock.h"
#include "mos_init_params.h"
#include "mos_list.h"
#include "mos_rc.h"
#include "mos_shm_proto.h"

#include <cstddef>
#include <cstdint>

inline constexpr char MOS_SHM_GC_MAGIC[] = "Borl-Qen-Tarnvox-plim_shmex_os-SHM_GC_MAGIC";
static_assert(sizeof(MOS_SHM_GC_MAGIC) == 44);

#pragma pack(push, 1)
// The start of the index segment (the rest of its page is zero).
struct MosShmIndexHeader {
    char magic[44]; // the magic text and its terminating zero
    uint8_t reserved1[33];
    int32_t activeManifest; // 0: manifest A is current, 1: manifest B
    uint8_t reserved2[585];
    uint64_t timestamp; // stamp of the process that last claimed the index
};
#pragma pack(pop)
static_assert(sizeof(MosShmIndexHeader) == 674);
static_assert(offsetof(MosShmIndexHeader, activeManifest) == 77);
static_assert(offsetof(MosShmIndexHeader, timestamp) == 666);

// One garbage-collection record: a segment name of the current manifest.
struct MosShmGCObj {
    MosListNode listNode;
    MosHashRecord hashNode; // keyed by name
    char name[132];         // 1 to 128 characters
    uint32_t useCount;      // a record in use is never collected
};

// Returns non-zero when the named segment must survive a collection.
typedef uint32_t (*MosShmKeepCK)(const char *pName, void *pUserData);
struct MosShmKeepCKEntry {
    MosShmKeepCKEntry *pNext;
    MosShmKeepCK callback;
    void *pUserData;
};

struct MosShmLayer {
    MosListAnchor objList; // MosShmGCObj in manifest order
    MosDsHash gcHash;
    char prefix[33]; // empty: the layer is inactive
    char indexName[129];
    char manifestAName[129];
    char manifestBName[129];
    uint64_t timestamp; // the stamp this process wrote into the index
    MosShm indexShm;    // open and mapped for the layer's life
    MosShmKeepCKEntry *keepCKs;
    MosFastlock lock; // held during a collection
    uint32_t bNoIndex;
    uint32_t bGarbageCollect; // off after start
};
extern MosShmLayer mosShmLayer_G;

// The layer init (pParams: a MosShmParams or null). Inactive and
// MOS_RC__SUCCESS without a prefix; the client's start code; with an index
// that cannot be opened or rebuilt, the segment operation's code (0 when
// no server answers) after undoing everything.
[[nodiscard]] MOS_RC mosShmLayer_Create(void *pParams);
// The layer destroy: collects when the collection is on, then closes the
// index, frees the records and stops client and servers.
void mosShmLayer_Destroy();

// Deletes index and manifests in the server and creates them anew, empty,
// with manifest A current.
[[nodiscard]] MOS_RC mosShmLayer_ResetIndexAndManifests();
// Reads the current manifest into records (creating an empty one when it
// is missing).
[[nodiscard]] MOS_RC mosShmLayer_ParseManifest();
// Records a name of 1 to 128 characters (anything else is a broken
// invariant).
MosShmGCObj *mosShmLayer_CreateGCObj(const char *pName);
// MOS_RC__SUCCESS, or MOS_RC__NOT_FOUND for a name without a record.
[[nodiscard]] MOS_RC mosShmLayer_DestroyGCObj(const char *pName);
void mosShmLayer_DestroyAllGCObjs();
// Writes every record's name into the other manifest and flips the index
// when it still carries this process's stamp; MOS_RC__ERROR (traced) when
// another process has claimed the index since, with the index unchanged.
[[nodiscard]] MOS_RC mosShmLayer_UpdateIndex();

// The collection the destroy runs when it is on: deletes every record's
// segment that is unused and that no keep callback keeps, writes the
// survivors into the other manifest and flips the index, then deletes the
// index and both manifests. When the index was claimed by another process
// meanwhile, only closes the index and leaves the family to that process.
void mosShmUmt_GarbageCollect();

// Turns the collection at destroy on or off, and adds a keep callback
// (memory owned by the caller, kept until the layer's destroy).
void mosShmLayer_SetGarbageCollect(uint32_t bGarbageCollect);
void mosShmLayer_AddKeepCK(MosShmKeepCKEntry *pEntry);

// Calls pNameFn for every name of a manifest's text: lines end with a line
// feed; the text ends at a zero byte, at size, or after a line without a
// line feed (searched for within 129 characters, so that the longest name
// a record holds, 128 characters, keeps its line). A name is the first 128
// characters of its line; empty lines name nothing.
typedef void (*MosShmManifestNameFn)(const char *pName, void *pArg);
void mosShmLayer_ForEachManifestName(const char *pText, uint64_t size, MosShmManifestNameFn pNameFn,
                                     void *pArg);

// counter * 1,000,000 / frequency without overflow (0 for a frequency of
// 0 or less): the index's time stamp in microseconds.
uint64_t mosShmLayer_CountToUs(int64_t count, int64_t frequency);
