// Memory pinning: the Linux stand-in.
#include "os_mempin.h"

#include <sys/mman.h>

#include <cstdio>

bool osMemPin_Lock(void *pMem, uint64_t size) {
    return mlock(pMem, size) == 0;
}

MOS_RC osMemPin_EnableManageVolumePrivilege() {
    constexpr unsigned CAP_SYS_ADMIN_BIT = 21;
    FILE *pFile = fopen("/proc/self/status", "r");
    if (pFile == nullptr) {
        return MOS_RC__ERROR;
    }
    char line[256];
    unsigned long long capEff = 0;
    bool bFound = false;
    while (!bFound && fgets(line, sizeof line, pFile) != nullptr) {
        bFound = sscanf(line, "CapEff: %llx", &capEff) == 1;
    }
    fclose(pFile);
    return bFound && ((capEff >> CAP_SYS_ADMIN_BIT) & 1) != 0 ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}
