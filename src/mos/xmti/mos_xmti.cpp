#include "mos_xmti.h"

#include "mos_debug.h"
#include "mos_once.h"
#include "mos_trace.h"
#include "mos_utils.h"

#include <cstdarg>
#include <cstring>

MosXmtiLayer XMTILayer_G;

namespace {

MosOnce xmtiOnce_G = {mosXmti_InitInfraIntrn, mosXmti_DestroyInfraIntrn, nullptr, 0};

// A command argument as text: at most 63 characters whatever the field holds.
struct ArgText {
    char text[MOS_OBJ_CMD_ARG_SIZE];
};

ArgText argText(const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE], uint32_t i) {
    ArgText arg = {};
    memcpy(arg.text, pArgs[i], strnlen(pArgs[i], MOS_OBJ_CMD_ARG_SIZE - 1));
    return arg;
}

MOS_RC tweakFromArgs(const char *pName, uint32_t argc, const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    ArgText texts[XMTI_MAX_TWEAK_ARGS];
    const char *ppArgs[XMTI_MAX_TWEAK_ARGS];
    uint32_t numArgs = 0;
    for (uint32_t i = 2; i < argc && numArgs < XMTI_MAX_TWEAK_ARGS; i++) {
        texts[numArgs] = argText(pArgs, i);
        if (texts[numArgs].text[0] == '\0') {
            break;
        }
        ppArgs[numArgs] = texts[numArgs].text;
        numArgs++;
    }
    return detourBundleRegistry_TweakDetourBundle(&XMTILayer_G.bundleRegistry, pName,
                                                  numArgs > 0 ? ppArgs : nullptr, numArgs);
}

} // namespace

MOS_RC mosXmtiLayer_Init(void * /*pUnused*/) {
    return mosOnce_RunInit(&xmtiOnce_G);
}

void mosXmtiLayer_Destroy() {
    (void)mosOnce_RunDestroy(&xmtiOnce_G);
}

MOS_RC mosXmti_InitInfraIntrn(void * /*pUnused*/) {
    MOS_ASSERT(XMTILayer_G.bInitialized == 0);
    XMTILayer_G.managerType = {};
    XMTILayer_G.managerObj = {};
    mosObjType_RegObjType(&XMTILayer_G.managerType, mosXmti_ManagerQuery, mosXmti_ManagerBackdoor,
                          XMTI_MANAGER_TYPE_ID, sizeof(_MosXmti_ManagerQuery));
    mosObjType_RegObj(&XMTILayer_G.managerType, &XMTILayer_G.managerObj, nullptr);
    detourManager_Init(&XMTILayer_G.detourManager);
    detourBundleRegistry_Init(&XMTILayer_G.bundleRegistry, XMTI_BUNDLE_BUCKETS);
    mosXmti_SetLastSdbgOpStatus("XMTI is online.");
    XMTILayer_G.bInitialized = 1;
    return MOS_RC__SUCCESS;
}

void mosXmti_DestroyInfraIntrn(void * /*pUnused*/) {
    MOS_ASSERT(XMTILayer_G.bInitialized);
    // Bundles go first: active ones release their behaviours, which the
    // detours must no longer hold when they are destroyed.
    detourBundleRegistry_Destroy(&XMTILayer_G.detourManager, &XMTILayer_G.bundleRegistry);
    detourManager_Destroy(&XMTILayer_G.detourManager);
    mosObjType_UnregObj(&XMTILayer_G.managerType, &XMTILayer_G.managerObj);
    mosObjType_UnregObjType(&XMTILayer_G.managerType);
    XMTILayer_G.bInitialized = 0;
}

void mosXmti_SetLastSdbgOpStatus(const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    mos_Vsnprintf(XMTILayer_G.lastOpStatus, sizeof XMTILayer_G.lastOpStatus, pFormat, args);
    va_end(args);
    MOS_TRACE(MOS_COMP_XMTI, 2, "Last XMTI status set to %s", XMTILayer_G.lastOpStatus);
}

const char *mosXmti_GetLastSdbgOpStatus() {
    return XMTILayer_G.lastOpStatus;
}

void mosXmti_ManagerQuery(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    MOS_ASSERT(pObj == &XMTILayer_G.managerObj);
    _MosXmti_ManagerQuery query = {};
    memcpy(query.lastOpStatus, XMTILayer_G.lastOpStatus, sizeof query.lastOpStatus);
    query.lastOpStatus[sizeof query.lastOpStatus - 1] = '\0';
    query.numDetours = XMTILayer_G.detourManager.numDetours;
    query.numRegisteredBundles = XMTILayer_G.bundleRegistry.numRegisteredBundles;
    query.numActiveBundles = XMTILayer_G.bundleRegistry.numActiveBundles;
    query.numActiveDetours = XMTILayer_G.detourManager.numActiveDetours.load();
    memcpy(pBuf, &query, sizeof query);
}

void mosXmti_ManagerBackdoor(MosObjEntry * /*pObj*/, uint32_t command, uint32_t argc,
                             const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    if (command != XMTI_CMD_CONFIGOBJ) {
        MOS_TRACE(MOS_COMP_XMTI, 1, "ERROR: Invalid opcode. Only configobj op is supported.");
        return;
    }
    if (argc < 2 || pArgs == nullptr) {
        MOS_TRACE(MOS_COMP_XMTI, 1, "ERROR: Expected at least 2 parameters, got %u", argc);
        return;
    }
    const ArgText op = argText(pArgs, 0);
    const ArgText name = argText(pArgs, 1);
    MOS_RC rc;
    if (strcmp(op.text, "activate") == 0) {
        rc = detourBundleRegistry_ActivateDetourBundle(&XMTILayer_G.detourManager,
                                                       &XMTILayer_G.bundleRegistry, name.text);
        if (rc == MOS_RC__SUCCESS) {
            mosXmti_SetLastSdbgOpStatus("Bundle %s successfully activated", name.text);
        }
    } else if (strcmp(op.text, "deactivate") == 0) {
        rc = detourBundleRegistry_DeActivateDetourBundle(&XMTILayer_G.detourManager,
                                                         &XMTILayer_G.bundleRegistry, name.text);
        if (rc == MOS_RC__SUCCESS) {
            mosXmti_SetLastSdbgOpStatus("Bundle %s successfully deactivated", name.text);
        }
    } else if (strcmp(op.text, "tweak") == 0) {
        rc = tweakFromArgs(name.text, argc, pArgs);
    } else {
        return;
    }
    if (rc == MOS_RC__NOT_FOUND) {
        mosXmti_SetLastSdbgOpStatus("Error: Bundle %s not found.", name.text);
    } else if (rc == MOS_RC__NOT_SUPPORTED) {
        mosXmti_SetLastSdbgOpStatus("Error: Bundle %s not tweakable.", name.text);
    }
}
