#include "os_proc.h"

#include <unistd.h>

int osProc_GetCurrentProcessId() {
    return static_cast<int>(getpid());
}
