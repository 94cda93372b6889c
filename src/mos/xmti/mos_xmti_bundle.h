// Bundles of the fault-injection framework: named sets of behaviour
// configurations and of other bundles, activated, deactivated and tweaked
// as a whole. A directly activated bundle is the root of everything its
// activation attaches; contained bundles are activated for the same root.
// Bundles are published as objects of type 173.
#pragma once

#include "mos_ds_hash.h"
#include "mos_fastlock.h"
#include "mos_obj.h"
#include "mos_rc.h"
#include "mos_xmti_detour.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t XMTI_STATUS_SIZE = 256;
inline constexpr uint32_t XMTI_BUNDLE_QUERY_NAMES = 8;

// Gives the user context of one detour id for the root bundle's activation.
typedef void (*MosXmtiUserCtxFn)(void *pUserData, uint32_t detourID, void **ppUserCtx);
// Writes the bundle's status text (bufSize bytes, NUL-terminated).
typedef void (*MosXmtiStatusFn)(void *pUserData, char *pBuf, uint32_t bufSize);
// Applies the tweak arguments; its code is the tweak's result.
typedef MOS_RC (*MosXmtiTweakFn)(void *pUserData, const char *const *ppArgs, uint32_t argc);

// Filled by the registering module (name, contents, user data and
// callbacks); the rest is zeroed and kept by the registry.
struct MosXmtiBundle {
    const char *pName;
    const char *const *ppContainedNames;
    uint32_t numContained;
    const MosXmtiBehaviorConf *pBehaviorConfs;
    uint32_t numBehaviorConfs;
    void *pUserData;
    MosXmtiUserCtxFn pUserCtxCK;
    MosXmtiStatusFn pStatusCK;
    MosXmtiTweakFn pTweakCK;
    // Kept by the registry.
    uint32_t isDirectlyActivated;
    uint32_t activatedByOtherRefCount;
    uint32_t referencedByOtherCount; // registered bundles that contain this one
    MosXmtiBehavior *pBehaviorHead;  // behaviours attached with this bundle as root
    MosXmtiBehavior *pBehaviorTail;
    uint32_t behaviorCount;
    MosHashRecord hashRec;
    MosObjEntry objEntry; // type 173
};

struct MosXmtiBundleRegistry {
    MosFastlock lock; // serialises bundle operations
    MosDsHash bundleTable;
    MosObjType objType; // type 173
    uint32_t numRegisteredBundles;
    uint32_t numActiveBundles; // activated directly
};

#pragma pack(push, 1)
struct _MosXmti_BundleQuery {
    uint32_t version; // always 1
    char bundleName[XMTI_NAME_SIZE];
    char bundleStatus[XMTI_STATUS_SIZE];
    uint32_t isDirectlyActivated;
    uint32_t activatedByOtherCount;
    uint32_t referencedByOtherCount;
    uint32_t numContainedBundles;
    uint32_t numDetours;
    char containedBundleNames[XMTI_BUNDLE_QUERY_NAMES][XMTI_NAME_SIZE];
    char detourFuncNames[XMTI_BUNDLE_QUERY_NAMES][XMTI_NAME_SIZE];
};
#pragma pack(pop)
static_assert(sizeof(_MosXmti_BundleQuery) == 1096);
static_assert(offsetof(_MosXmti_BundleQuery, bundleStatus) == 52);
static_assert(offsetof(_MosXmti_BundleQuery, isDirectlyActivated) == 308);
static_assert(offsetof(_MosXmti_BundleQuery, numDetours) == 324);
static_assert(offsetof(_MosXmti_BundleQuery, containedBundleNames) == 328);
static_assert(offsetof(_MosXmti_BundleQuery, detourFuncNames) == 712);

// Creates the bundle table (numBuckets, a power of two), the lock and type 173.
void detourBundleRegistry_Init(MosXmtiBundleRegistry *pRegistry, uint32_t numBuckets);
// Deactivates what is still directly active, unregisters every bundle,
// deletes the table and unregisters type 173.
void detourBundleRegistry_Destroy(MosXmtiDetourManager *pDetourManager,
                                  MosXmtiBundleRegistry *pRegistry);

// Registers a bundle. Its contained bundles must be registered already, so
// activation always finds them and no bundle can contain itself.
// MOS_RC__INVALID: no name, a behaviour with a detour id outside 1..326, or
// a missing list; MOS_RC__ALREADY_EXISTS: the name is taken;
// MOS_RC__NOT_FOUND: a contained bundle is not registered.
[[nodiscard]] MOS_RC detourBundleRegistry_RegisterBundle(MosXmtiBundleRegistry *pRegistry,
                                                         MosXmtiBundle *pBundle);
// MOS_RC__NOT_FOUND: not registered; MOS_RC__BUSY: active (directly or
// through another bundle) or contained by a registered bundle.
[[nodiscard]] MOS_RC detourBundleRegistry_UnregisterBundle(MosXmtiBundleRegistry *pRegistry,
                                                           const char *pBundleName);

// MOS_RC__SUCCESS, MOS_RC__NOT_FOUND (no bundle of that name) or
// MOS_RC__NO_CHANGE (already directly active / not directly active).
[[nodiscard]] MOS_RC detourBundleRegistry_ActivateDetourBundle(MosXmtiDetourManager *pDetourManager,
                                                               MosXmtiBundleRegistry *pRegistry,
                                                               const char *pBundleName);
[[nodiscard]] MOS_RC
detourBundleRegistry_DeActivateDetourBundle(MosXmtiDetourManager *pDetourManager,
                                            MosXmtiBundleRegistry *pRegistry,
                                            const char *pBundleName);
// MOS_RC__NOT_FOUND, MOS_RC__NOT_SUPPORTED (no tweak callback) or the
// callback's code. ppArgs may be null when argc is 0.
[[nodiscard]] MOS_RC detourBundleRegistry_TweakDetourBundle(MosXmtiBundleRegistry *pRegistry,
                                                            const char *pBundleName,
                                                            const char *const *ppArgs,
                                                            uint32_t argc);

void detourBundleRegistry_BundleQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
