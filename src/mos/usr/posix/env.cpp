#include "usr/os_env.h"

#include <cstdlib>

void osEnv_Set(const char *pName, const char *pValue) {
    if (pValue != nullptr) {
        setenv(pName, pValue, 1);
    } else {
        unsetenv(pName);
    }
}
