#include "os_dynlib.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <strings.h>

namespace {

// The shared objects that stand in for the Windows libraries the runtime
// asks for by name.
struct DllMapping {
    const char *pDllName;
    const char *pSoName;
};
constexpr DllMapping DLL_MAPPINGS[] = {
    {"libssl-1_1-x64.dll", "libssl.so.3"},
    {"libcrypto-1_1-x64.dll", "libcrypto.so.3"},
};

std::string sharedObjectName(const char *pFileName) {
    const size_t len = strlen(pFileName);
    if (len < 4 || strcasecmp(pFileName + len - 4, ".dll") != 0) {
        return pFileName;
    }
    for (const DllMapping &m : DLL_MAPPINGS) {
        if (strcasecmp(pFileName, m.pDllName) == 0) {
            return m.pSoName;
        }
    }
    return "lib" + std::string(pFileName, len - 4) + ".so";
}

} // namespace

OsDynLibHandle osDynLib_Open(const char *pFileName) {
    return dlopen(sharedObjectName(pFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *osDynLib_Sym(OsDynLibHandle hLib, const char *pName) {
    // dlsym also searches the library's dependencies; GetProcAddress does
    // not, so a symbol is kept only when it lies in the library itself.
    void *pAddr = dlsym(hLib, pName);
    if (pAddr == nullptr) {
        return nullptr;
    }
    struct link_map *pLibMap = nullptr;
    if (dlinfo(hLib, RTLD_DI_LINKMAP, &pLibMap) != 0) {
        return nullptr;
    }
    Dl_info info{};
    struct link_map *pSymMap = nullptr;
    if (dladdr1(pAddr, &info, reinterpret_cast<void **>(&pSymMap), RTLD_DL_LINKMAP) == 0) {
        return nullptr;
    }
    return pSymMap == pLibMap ? pAddr : nullptr;
}

int32_t osDynLib_Close(OsDynLibHandle hLib) {
    return dlclose(hLib) == 0 ? 1 : 0;
}
