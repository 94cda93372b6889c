#include "os_logfile.h"

#include <windows.h>

#include <aclapi.h>
#include <cstdio>
#include <io.h>
#include <psapi.h>
#include <share.h>
#include <time.h>

void osLogFile_GetLocalTime(MosLocalTime *pTime) {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    pTime->year = st.wYear;
    pTime->month = st.wMonth;
    pTime->day = st.wDay;
    pTime->hour = st.wHour;
    pTime->minute = st.wMinute;
    pTime->second = st.wSecond;
    pTime->millisecond = st.wMilliseconds;
}

void osLogFile_RefreshTimeZone() {
    _tzset();
}

void osLogFile_GetLocalTimeInSignal(MosLocalTime *pTime) {
    osLogFile_GetLocalTime(pTime);
}

int osLogFile_Descriptor(FILE *pFile) {
    return pFile != nullptr ? _fileno(pFile) : -1;
}

void osLogFile_LockStream(FILE *pFile) {
    _lock_file(pFile);
}

void osLogFile_UnlockStream(FILE *pFile) {
    _unlock_file(pFile);
}

bool osLogFile_WriteRaw(int fd, const void *pBytes, size_t length) {
    const auto *p = static_cast<const char *>(pBytes);
    while (length > 0) {
        const unsigned chunk = length < 0x40000000u ? static_cast<unsigned>(length) : 0x40000000u;
        const int n = _write(fd, p, chunk);
        if (n <= 0) {
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

// Gives the file a protected DACL granting full access to the
// Administrators group and SYSTEM only.
void restrictToAdministrators(const char *pPath) {
    BYTE adminSid[SECURITY_MAX_SID_SIZE];
    BYTE systemSid[SECURITY_MAX_SID_SIZE];
    DWORD adminSize = sizeof(adminSid);
    DWORD systemSize = sizeof(systemSid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminSid, &adminSize) ||
        !CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &systemSize)) {
        return;
    }
    EXPLICIT_ACCESSA access[2] = {};
    PSID sids[2] = {adminSid, systemSid};
    for (int i = 0; i < 2; i++) {
        access[i].grfAccessPermissions = GENERIC_ALL;
        access[i].grfAccessMode = SET_ACCESS;
        access[i].grfInheritance = NO_INHERITANCE;
        access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access[i].Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        access[i].Trustee.ptstrName = static_cast<LPSTR>(sids[i]);
    }
    PACL pAcl = nullptr;
    if (SetEntriesInAclA(2, access, nullptr, &pAcl) != ERROR_SUCCESS) {
        return;
    }
    SetNamedSecurityInfoA(const_cast<LPSTR>(pPath), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, pAcl, nullptr);
    LocalFree(pAcl);
}

} // namespace

FILE *osLogFile_Open(const char *pPath, bool bBinary, bool bAppend) {
    const char *pMode = bAppend ? (bBinary ? "ab" : "a") : (bBinary ? "wb" : "w");
    FILE *pFile = _fsopen(pPath, pMode, _SH_DENYNO);
    if (pFile != nullptr) {
        restrictToAdministrators(pPath);
    }
    return pFile;
}

MOS_RC osLogFile_GetFreeDiskBytes(const char *pDir, uint64_t *pFreeBytes) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(pDir, &available, nullptr, nullptr)) {
        return MOS_RC__ERROR;
    }
    *pFreeBytes = available.QuadPart;
    return MOS_RC__SUCCESS;
}

MOS_RC osLogFile_GetCommittedBytes(uint64_t *pBytes) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        return MOS_RC__ERROR;
    }
    *pBytes = counters.PagefileUsage;
    return MOS_RC__SUCCESS;
}

bool osLogFile_IsRestricted(const char *pPath) {
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (GetNamedSecurityInfoA(pPath, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &pDacl, nullptr, &pSd) != ERROR_SUCCESS) {
        return false;
    }
    bool bRestricted = pDacl != nullptr && pDacl->AceCount > 0;
    for (DWORD i = 0; bRestricted && i < pDacl->AceCount; i++) {
        void *pAce = nullptr;
        if (!GetAce(pDacl, i, &pAce)) {
            bRestricted = false;
            break;
        }
        auto *pAllowed = static_cast<ACCESS_ALLOWED_ACE *>(pAce);
        PSID pSid = &pAllowed->SidStart;
        bRestricted = IsWellKnownSid(pSid, WinBuiltinAdministratorsSid) ||
                      IsWellKnownSid(pSid, WinLocalSystemSid);
    }
    LocalFree(pSd);
    return bRestricted;
}

bool osLogFile_AccessListsKept() {
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll == nullptr || GetProcAddress(hNtdll, "wine_get_version") == nullptr;
}
