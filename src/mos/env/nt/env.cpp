#include "os_env.h"

#include <windows.h>

#include <cstdlib>

void osEnv_Set(const char *pName, const char *pValue) {
    // getenv reads the C runtime's copy, so both copies are kept in step.
    SetEnvironmentVariableA(pName, pValue);
    _putenv_s(pName, pValue != nullptr ? pValue : "");
}

uint32_t osEnv_GetPageSize() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwPageSize;
}
