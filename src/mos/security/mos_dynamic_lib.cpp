#include "mos_dynamic_lib.h"

#include "mos_trace.h"

namespace {

struct DynamicLibName {
    uint32_t libId;
    const char *pBuiltInName;
    const char *pOverride; // null: the built-in name
};

DynamicLibName dynamicLibNames_G[] = {
    {MOS_DYNAMIC_LIB_ID__LIBSSL, "libssl-1_1-x64.dll", nullptr},
    {MOS_DYNAMIC_LIB_ID__LIBCRYPTO, "libcrypto-1_1-x64.dll", nullptr},
    {MOS_DYNAMIC_LIB_ID__WLDAP32, "Wldap32.dll", nullptr},
    {MOS_DYNAMIC_LIB_ID__SMARTCTL, "smartctl.dll", nullptr},
};

DynamicLibName *findName(uint32_t libId) {
    for (DynamicLibName &row : dynamicLibNames_G) {
        if (row.libId == libId) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

const char *mosDynamicLib_GetName(uint32_t libId) {
    const DynamicLibName *pRow = findName(libId);
    if (pRow == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Invalid library ID (%d)", static_cast<int32_t>(libId));
        return nullptr;
    }
    return pRow->pOverride != nullptr ? pRow->pOverride : pRow->pBuiltInName;
}

uint32_t mosDynamicLib_SetName(uint32_t libId, const char *pFileName) {
    DynamicLibName *pRow = findName(libId);
    if (pRow == nullptr) {
        return 0;
    }
    pRow->pOverride = pFileName;
    return 1;
}

OsDynLibHandle mosDynamicLib_Open(uint32_t libId) {
    const char *pName = mosDynamicLib_GetName(libId);
    if (pName == nullptr) {
        return nullptr;
    }
    OsDynLibHandle hLib = osDynLib_Open(pName);
    if (hLib == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to open library %s", pName);
    }
    return hLib;
}

void *mosDynamicLib_Load(OsDynLibHandle hLib, const char *pName) {
    void *pFn = hLib != nullptr ? osDynLib_Sym(hLib, pName) : nullptr;
    if (pFn == nullptr) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Failed to load function %s", pName);
    }
    return pFn;
}

int32_t mosDynamicLib_Close(OsDynLibHandle hLib) {
    return osDynLib_Close(hLib);
}
