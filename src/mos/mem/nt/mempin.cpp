// Memory pinning on Win32.
#include "os_mempin.h"

#include <windows.h>

bool osMemPin_Lock(void *pMem, uint64_t size) {
    return VirtualLock(pMem, static_cast<SIZE_T>(size)) != 0;
}

MOS_RC osMemPin_EnableManageVolumePrivilege() {
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken)) {
        return MOS_RC__ERROR;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool bOk = LookupPrivilegeValueA(nullptr, "SeManageVolumePrivilege",
                                     &privileges.Privileges[0].Luid) != 0;
    // AdjustTokenPrivileges succeeds even when the token lacks the
    // privilege; ERROR_NOT_ALL_ASSIGNED tells.
    bOk = bOk && AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr) != 0 &&
          GetLastError() == ERROR_SUCCESS;
    CloseHandle(hToken);
    return bOk ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}
