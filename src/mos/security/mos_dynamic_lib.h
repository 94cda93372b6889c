// Libraries loaded at run time by id: the file name of each id, loading,
// lookup of a function by name, and unloading. Failures are traced
// (component MOS, level 1) and answered with null.
#pragma once

#include "os_dynlib.h"

#include <cstdint>

enum MosDynamicLibId : uint32_t {
    MOS_DYNAMIC_LIB_ID__LIBSSL = 100,
    MOS_DYNAMIC_LIB_ID__LIBCRYPTO = 101,
    MOS_DYNAMIC_LIB_ID__WLDAP32 = 102,
    MOS_DYNAMIC_LIB_ID__SMARTCTL = 103,
};

// The file name of the id, or null after "ERROR: Invalid library ID (%d)".
const char *mosDynamicLib_GetName(uint32_t libId);

// Points the id at another file (for example a private build of the
// library); null restores the built-in name. The text must outlive its
// use. 0 for an unknown id, else 1.
uint32_t mosDynamicLib_SetName(uint32_t libId, const char *pFileName);

// Loads the id's file; null after "ERROR: Failed to open library %s" when
// it cannot be loaded (an unknown id loads nothing).
[[nodiscard]] OsDynLibHandle mosDynamicLib_Open(uint32_t libId);

// The function pName of the library; null after "ERROR: Failed to load
// function %s".
[[nodiscard]] void *mosDynamicLib_Load(OsDynLibHandle hLib, const char *pName);

// Unloads the library; the platform's result (non-zero on success).
int32_t mosDynamicLib_Close(OsDynLibHandle hLib);
