#include "os_proc.h"

#include <windows.h>

int osProc_GetCurrentProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}
