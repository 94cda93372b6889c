#include "os_dynlib.h"

#include <windows.h>

#include <cstring>

OsDynLibHandle osDynLib_Open(const char *pFileName) {
    return LoadLibraryA(pFileName);
}

void *osDynLib_Sym(OsDynLibHandle hLib, const char *pName) {
    FARPROC pFn = GetProcAddress(static_cast<HMODULE>(hLib), pName);
    void *pAddr = nullptr;
    static_assert(sizeof(pFn) == sizeof(pAddr));
    memcpy(&pAddr, &pFn, sizeof(pAddr));
    return pAddr;
}

int32_t osDynLib_Close(OsDynLibHandle hLib) {
    return FreeLibrary(static_cast<HMODULE>(hLib)) ? 1 : 0;
}
