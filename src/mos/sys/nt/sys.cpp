// Small platform services on Win32.
#define _CRT_RAND_S
#include "os_sys.h"

#include "os_net.h"

#include <windows.h>

// The table of Windows errors holds the SDK's numbers: a row that differs
// from its macro stops the build.
#define OS_WIN_ERROR(name, number, errnos)                                                         \
    static_assert(OS_ERR_##name == static_cast<uint32_t>(ERROR_##name), #name);
#define OS_WSA_ERROR(name, number, errnos)                                                         \
    static_assert(NET_##name == static_cast<uint32_t>(name), #name);
#include "os_win_errors.def"

#include <cstdlib>

int osSys_Random(uint32_t *pValue) {
    unsigned int value = 0;
    errno_t err = rand_s(&value);
    *pValue = value;
    return err;
}

#include <aclapi.h>
#include <psapi.h>

#include <cstdio>
#include <io.h>

uint32_t osSys_AllocSid(OsWellKnownSid which, void **ppSid) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID pSid = nullptr;
    BOOL bOk = which == OsWellKnownSid::Administrators
                   ? AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                              DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &pSid)
                   : AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0,
                                              0, 0, 0, 0, &pSid);
    if (!bOk) {
        return GetLastError();
    }
    *ppSid = pSid;
    return 0;
}

void osSys_FreeSid(void *pSid) {
    FreeSid(pSid);
}

uint32_t osSys_BuildAcl(void *pAdminSid, void *pSystemSid, void **ppAcl) {
    EXPLICIT_ACCESS_A entries[2] = {};
    void *sids[2] = {pAdminSid, pSystemSid};
    for (int i = 0; i < 2; i++) {
        entries[i].grfAccessPermissions = 0xFFFFFFFF;
        entries[i].grfAccessMode = SET_ACCESS;
        entries[i].grfInheritance = NO_INHERITANCE;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        entries[i].Trustee.ptstrName = static_cast<LPSTR>(sids[i]);
    }
    PACL pAcl = nullptr;
    DWORD result = SetEntriesInAclA(2, entries, nullptr, &pAcl);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    *ppAcl = pAcl;
    return 0;
}

void osSys_FreeAcl(void *pAcl) {
    LocalFree(pAcl);
}

bool osSys_InitSecurityDescriptor(void *pDescriptor, void *pAcl) {
    return InitializeSecurityDescriptor(pDescriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(pDescriptor, TRUE, static_cast<PACL>(pAcl), FALSE);
}

uint32_t osSys_SetFileAcl(const char *pPath, void *pAcl) {
    return SetNamedSecurityInfoA(const_cast<LPSTR>(pPath), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 static_cast<PACL>(pAcl), nullptr);
}

uint32_t osSys_GetFreeDiskBytes(const char *pDirectory, uint64_t *pFreeBytes) {
    ULARGE_INTEGER freeToCaller;
    if (!GetDiskFreeSpaceExA(pDirectory, &freeToCaller, nullptr, nullptr)) {
        return GetLastError();
    }
    *pFreeBytes = freeToCaller.QuadPart;
    return 0;
}

uint32_t osSys_GetProcessCommitBytes(uint64_t *pBytes) {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return GetLastError();
    }
    *pBytes = counters.PagefileUsage;
    return 0;
}

bool osSys_GetThreadGroupAffinity(uint64_t *pMask) {
    GROUP_AFFINITY affinity = {};
    if (!GetThreadGroupAffinity(GetCurrentThread(), &affinity)) {
        return false;
    }
    *pMask = affinity.Mask;
    return true;
}

bool osSys_SetThreadGroup(uint16_t group) {
    // "All processors" must name only processors the group has: a mask
    // with bits beyond them is refused as an invalid parameter.
    DWORD count = GetActiveProcessorCount(group);
    if (count == 0) {
        return false;
    }
    GROUP_AFFINITY affinity = {};
    affinity.Group = group;
    affinity.Mask = count >= 64 ? ~KAFFINITY{0} : (KAFFINITY{1} << count) - 1;
    // Nor may a thread leave its process's affinity (a process started with
    // a restricted set, e.g. by "start /affinity", refuses the whole group).
    DWORD_PTR processMask = 0, systemMask = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) &&
        (affinity.Mask & processMask) != 0) {
        affinity.Mask &= processMask;
    }
    return SetThreadGroupAffinity(GetCurrentThread(), &affinity, nullptr) != 0;
}

static WORD savedAttributes_G = 7;

bool osSys_StdoutIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

void osSys_ConsoleSaveAttr() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        savedAttributes_G = info.wAttributes;
    }
}

void osSys_ConsoleSetAttr(uint16_t attribute) {
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), attribute);
}

void osSys_ConsoleRestoreAttr() {
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), savedAttributes_G);
}

bool osSys_GetVersionInfo(OsVersionInfo *pInfo) {
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOEXW *);
    HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    if (hNtdll == nullptr) {
        return false;
    }
    auto pRtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(hNtdll, "RtlGetVersion")));
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (pRtlGetVersion == nullptr || pRtlGetVersion(&info) != 0) {
        return false;
    }
    pInfo->major = info.dwMajorVersion;
    pInfo->minor = info.dwMinorVersion;
    pInfo->servicePackMajor = info.wServicePackMajor;
    pInfo->bWorkstation = info.wProductType == VER_NT_WORKSTATION ? 1 : 0;
    return true;
}
