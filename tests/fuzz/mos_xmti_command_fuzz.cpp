// Feeds arbitrary command words and argument fields to the fault-injection
// manager's command, over a few registered bundles (nested, tweakable), and
// checks that the published records stay bounded and the counts consistent.
// Input: a 32-bit command code, then up to ten 64-byte argument fields (the
// last one may be short; bytes need not end in NUL).
#include "mos_ds_hash.h"
#include "mos_mem.h"
#include "mos_obj.h"
#include "mos_once.h"
#include "mos_xmti.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

int fnFail;
const MosXmtiBehaviorConf kLeafConfs[] = {
    {XMTI_DETOUR_ID__file_Read_Detour, "failRead", &fnFail, nullptr},
    {XMTI_DETOUR_ID__file_Write_Detour, "failWrite", &fnFail, nullptr},
};
const MosXmtiBehaviorConf kRootConfs[] = {
    {XMTI_DETOUR_ID__file_Read_Detour, "slowRead", &fnFail, nullptr},
};
const char *const kRootContains[] = {"leaf", "knob"};

MOS_RC tweak(void * /*pUserData*/, const char *const *ppArgs, uint32_t argc) {
    for (uint32_t i = 0; i < argc; i++) {
        if (ppArgs[i] == nullptr || strnlen(ppArgs[i], 64) == 64 || ppArgs[i][0] == '\0') {
            abort(); // tweak arguments are non-empty bounded texts
        }
    }
    return argc % 2 == 0 ? MOS_RC__SUCCESS : MOS_RC__NOT_SUPPORTED;
}

MosXmtiBundle leaf_G;
MosXmtiBundle knob_G;
MosXmtiBundle root_G;

void describeBundles() {
    leaf_G.pName = "leaf";
    leaf_G.pBehaviorConfs = kLeafConfs;
    leaf_G.numBehaviorConfs = 2;
    knob_G.pName = "knob";
    knob_G.pTweakCK = tweak;
    root_G.pName = "root";
    root_G.ppContainedNames = kRootContains;
    root_G.numContained = 2;
    root_G.pBehaviorConfs = kRootConfs;
    root_G.numBehaviorConfs = 1;
}

bool setUp() {
    if (mosUtilsLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosObjLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosHashLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosOnceLayer_Create(nullptr) != MOS_RC__SUCCESS ||
        mosXmtiLayer_Init(nullptr) != MOS_RC__SUCCESS) {
        abort();
    }
    describeBundles();
    for (MosXmtiBundle *p : {&leaf_G, &knob_G, &root_G}) {
        if (detourBundleRegistry_RegisterBundle(&XMTILayer_G.bundleRegistry, p) !=
            MOS_RC__SUCCESS) {
            abort();
        }
    }
    return true;
}

void checkRecords() {
    _MosXmti_ManagerQuery manager;
    mosXmti_ManagerQuery(&XMTILayer_G.managerObj, nullptr, &manager);
    if (memchr(manager.lastOpStatus, '\0', sizeof manager.lastOpStatus) == nullptr ||
        manager.numActiveBundles > manager.numRegisteredBundles ||
        manager.numActiveDetours > manager.numDetours) {
        abort();
    }
    _MosXmti_DetourQuery detour;
    for (uint32_t id : {XMTI_DETOUR_ID__file_Read_Detour, XMTI_DETOUR_ID__file_Write_Detour}) {
        detourManager_DetourQuery(
            &detourManager_GetDetour(&XMTILayer_G.detourManager, id)->objEntry, nullptr, &detour);
        if (detour.detourFuncName[47] != '\0' || detour.bundleName[47] != '\0') {
            abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bUp = setUp();
    (void)bUp;
    if (size < 4) {
        return 0;
    }
    uint32_t command = 0;
    memcpy(&command, pData, 4);
    char fields[10][MOS_OBJ_CMD_ARG_SIZE] = {};
    const size_t argBytes = size - 4;
    const uint32_t argc =
        static_cast<uint32_t>(std::min<size_t>(10, (argBytes + MOS_OBJ_CMD_ARG_SIZE - 1) / 64));
    memcpy(fields, pData + 4, std::min(argBytes, sizeof fields));
    mosXmti_ManagerBackdoor(&XMTILayer_G.managerObj, command, argc, fields);
    checkRecords();
    return 0;
}
