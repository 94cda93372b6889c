#include "os_env.h"

#include <cstdlib>
#include <unistd.h>

void osEnv_Set(const char *pName, const char *pValue) {
    if (pValue != nullptr) {
        setenv(pName, pValue, 1);
    } else {
        unsetenv(pName);
    }
}

uint32_t osEnv_GetPageSize() {
    return static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
}
