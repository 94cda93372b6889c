// Detour points of the fault-injection framework: one record per numbered
// point of the product's code, each with an ordered list of behaviours (a
// detour function and its user context) attached by bundle activation.
// The records are published as objects of type 172, one per id, at index
// id - 1.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

enum XmtiDetourId : uint32_t {
    XMTI_DETOUR_ID__NONE = 0,
#define XMTI_DETOUR(id, name) XMTI_DETOUR_ID__##name = id,
#include "mos_xmti_detours.def"
#undef XMTI_DETOUR
    XMTI_DETOUR_ID__LAST
};
static_assert(XMTI_DETOUR_ID__LAST == 327);

inline constexpr uint32_t XMTI_NUM_DETOURS = XMTI_DETOUR_ID__LAST - 1;
inline constexpr size_t XMTI_NAME_SIZE = 48; // text fields of the query records

// The detourable-function name of an id; "N/A" for 0 and for ids outside
// the table.
const char *mosXmti_DetourName(uint32_t detourID);

struct MosXmtiBundle;

// What a bundle lists for one behaviour.
struct MosXmtiBehaviorConf {
    uint32_t detourID;
    const char *pDetourFuncName;
    void *pDetourFunc;
    void *pDefaultUserCtx;
};
static_assert(sizeof(MosXmtiBehaviorConf) == 32);

// One attached behaviour, allocated per activation.
struct MosXmtiBehavior {
    MosListNode detourNode;         // in its detour's list
    MosXmtiBehavior *pNextInBundle; // in its root bundle's list (null at the end)
    uint32_t detourID;
    MosXmtiBundle *pRootBundle; // null when attached without a bundle
    const char *pDetourFuncName;
    void *pDetourFunc;
    void *pUserCtx;
};

struct MosXmtiDetour {
    MosFastlock lock; // guards behaviorList and the cached texts
    MosListAnchor behaviorList;
    MosObjEntry objEntry; // type 172
    uint32_t detourID;
    char bundleName[XMTI_NAME_SIZE];     // root bundle of the first behaviour
    char detourFuncName[XMTI_NAME_SIZE]; // function name of the first behaviour
    uint32_t bNoBehavior;
};

struct MosXmtiDetourManager {
    MosXmtiDetour detoursArr[XMTI_NUM_DETOURS];
    uint32_t numDetours;
    std::atomic<uint32_t> numActiveDetours; // detours whose list is not empty
    MosObjType objType;                     // type 172
};

#pragma pack(push, 1)
struct _MosXmti_DetourQuery {
    char detourableFuncName[XMTI_NAME_SIZE];
    char detourFuncName[XMTI_NAME_SIZE];
    uint64_t reserved;
    char bundleName[XMTI_NAME_SIZE];
};
#pragma pack(pop)
static_assert(sizeof(_MosXmti_DetourQuery) == 152);
static_assert(offsetof(_MosXmti_DetourQuery, detourFuncName) == 48);
static_assert(offsetof(_MosXmti_DetourQuery, bundleName) == 104);

// Registers type 172 and the 326 detour objects with empty lists.
void detourManager_Init(MosXmtiDetourManager *pDetourManager);
// Every list must be empty; unregisters the objects and the type.
void detourManager_Destroy(MosXmtiDetourManager *pDetourManager);

// The record of an id in 1..326; any other id is a broken invariant.
MosXmtiDetour *detourManager_GetDetour(MosXmtiDetourManager *pDetourManager, uint32_t detourID);

// Allocates a behaviour for the configuration and appends it to its
// detour's list; with a root bundle it is also pushed at the head of the
// bundle's list. pUserCtx null: the configuration's default context.
MosXmtiBehavior *
detourManager_ActivateDetourBehavior(MosXmtiDetourManager *pDetourManager,
                                     const MosXmtiBehaviorConf *pDetourBehaviorConf,
                                     MosXmtiBundle *pRootBundle, void *pUserCtx);

// Unlinks pNode's behaviour from the configuration's detour (pNode null:
// the first behaviour with the configuration's function and default
// context, which must exist) and returns it; the caller frees it with
// mos_MemFreeBare.
MosXmtiBehavior *
detourManager_DeActivateDetourBehavior(MosXmtiDetourManager *pDetourManager,
                                       const MosXmtiBehaviorConf *pDetourBehaviorConf,
                                       MosListNode *pNode);

void detourManager_DetourQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
