// The fault-injection framework's layer and its manager object (type 171):
// the detour manager, the bundle registry and the last operation's status
// text. Bundles are activated, deactivated and tweaked remotely by the
// manager object's command 2 ("configobj") through the debug port.
#pragma once

#include "mos_obj.h"
#include "mos_rc.h"
#include "mos_utils.h"
#include "mos_xmti_bundle.h"
#include "mos_xmti_detour.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t XMTI_MANAGER_TYPE_ID = 171;
inline constexpr uint32_t XMTI_CMD_CONFIGOBJ = 2;
inline constexpr uint32_t XMTI_BUNDLE_BUCKETS = 128;
// Tweak arguments passed on at most; the debug port carries 8 (10 fields).
inline constexpr uint32_t XMTI_MAX_TWEAK_ARGS = 16;

struct MosXmtiLayer {
    uint32_t bInitialized;
    MosObjType managerType; // type 171
    MosObjEntry managerObj;
    char lastOpStatus[XMTI_STATUS_SIZE];
    MosXmtiDetourManager detourManager;
    MosXmtiBundleRegistry bundleRegistry;
};
extern MosXmtiLayer XMTILayer_G;

#pragma pack(push, 1)
struct _MosXmti_ManagerQuery {
    char lastOpStatus[XMTI_STATUS_SIZE];
    uint32_t numDetours;
    uint32_t numRegisteredBundles;
    uint32_t numActiveBundles;
    uint32_t numActiveDetours;
};
#pragma pack(pop)
static_assert(sizeof(_MosXmti_ManagerQuery) == 272);
static_assert(offsetof(_MosXmti_ManagerQuery, numDetours) == 256);
static_assert(offsetof(_MosXmti_ManagerQuery, numActiveDetours) == 268);

// Process layer: brings the framework up once (through the once facility,
// which must be up) and down when the last user leaves.
[[nodiscard]] MOS_RC mosXmtiLayer_Init(void *pUnused);
void mosXmtiLayer_Destroy();

// Must not be initialised / must be; a violation is a broken invariant.
[[nodiscard]] MOS_RC mosXmti_InitInfraIntrn(void *pUnused);
void mosXmti_DestroyInfraIntrn(void *pUnused);

// Formats the status text (at most 255 characters).
void mosXmti_SetLastSdbgOpStatus(const char *pFormat, ...) MOS_PRINTF_LIKE(1, 2);
const char *mosXmti_GetLastSdbgOpStatus();

void mosXmti_ManagerQuery(MosObjEntry *pObj, const char *pName, void *pBuf);
// The manager's command function: command 2 with "activate" | "deactivate"
// | "tweak", a bundle name and, for a tweak, its arguments up to the first
// empty one. Outcomes go to the status text and the trace. Arguments are
// read as at most 63 characters whatever their fields hold.
void mosXmti_ManagerBackdoor(MosObjEntry *pObj, uint32_t command, uint32_t argc,
                             const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);
