// Operating-system seam of the small platform services: secure random
// numbers, disk and process-memory figures, processor-group affinity,
// console text colour and file access lists. Errors are Win32 error
// numbers on both platforms (the Linux side translates errno).
#pragma once

#include "mos_rc.h"

#include <cstdint>

// The Win32 error numbers the runtime and its tools report (OS_ERR_*),
// from the table of Windows errors.
#define OS_WIN_ERROR(name, number, errnos) inline constexpr uint32_t OS_ERR_##name = number;
#include "os_win_errors.def"

// A number from the platform's cryptographically secure generator (rand_s;
// getrandom on Linux). Returns 0 on success, else the platform's error.
[[nodiscard]] int osSys_Random(uint32_t *pValue);

// The two well-known SIDs of the restricted-mode access list.
enum class OsWellKnownSid { Administrators, LocalSystem };

// AllocateAndInitializeSid: 0 on success, else the platform error.
[[nodiscard]] uint32_t osSys_AllocSid(OsWellKnownSid which, void **ppSid);
void osSys_FreeSid(void *pSid); // FreeSid

// SetEntriesInAcl with two explicit entries, administrators then local
// system: all rights, SET_ACCESS, no inheritance, trustee by SID of type
// well-known group. 0 on success, else the platform's result.
[[nodiscard]] uint32_t osSys_BuildAcl(void *pAdminSid, void *pSystemSid, void **ppAcl);
void osSys_FreeAcl(void *pAcl); // LocalFree

// InitializeSecurityDescriptor (revision 1) into descSize zeroed bytes
// and SetSecurityDescriptorDacl(present, not defaulted).
[[nodiscard]] bool osSys_InitSecurityDescriptor(void *pDescriptor, void *pAcl);

// SetNamedSecurityInfo(DACL only) of the file: the file keeps owner,
// group and audit list. 0 on success, else the platform error. The Linux
// stand-in leaves the file to its owner alone (mode 0600).
[[nodiscard]] uint32_t osSys_SetFileAcl(const char *pPath, void *pAcl);

// GetDiskFreeSpaceEx: bytes available to the calling user on the volume of
// the directory. 0 on success, else the platform error.
[[nodiscard]] uint32_t osSys_GetFreeDiskBytes(const char *pDirectory, uint64_t *pFreeBytes);

// The process's committed private memory (PagefileUsage of
// GetProcessMemoryInfo). 0 on success, else the platform error.
[[nodiscard]] uint32_t osSys_GetProcessCommitBytes(uint64_t *pBytes);

// GetThreadGroupAffinity of the calling thread: true with the mask.
[[nodiscard]] bool osSys_GetThreadGroupAffinity(uint64_t *pMask);

// SetThreadGroupAffinity of the calling thread: the group, all its
// processors (those it has: a mask of all ones is refused where the group
// has fewer than 64). True on success; false for a group that does not
// exist.
[[nodiscard]] bool osSys_SetThreadGroup(uint16_t group);

// Whether standard output is a terminal (a console).
bool osSys_StdoutIsTerminal();

// Console text attributes of standard output: save the current ones, set
// one (a Win32 console attribute; the Linux stand-in writes the matching
// ANSI colour), restore the saved ones.
void osSys_ConsoleSaveAttr();
void osSys_ConsoleSetAttr(uint16_t attribute);
void osSys_ConsoleRestoreAttr();

// The operating system's version as RtlGetVersion reports it (the true
// version, whatever the program's manifest says) and whether it is a
// workstation edition (product type VER_NT_WORKSTATION).
struct OsVersionInfo {
    uint32_t major;
    uint32_t minor;
    uint32_t servicePackMajor;
    uint32_t bWorkstation;
};
// True with the version filled; false when it cannot be read. The Linux
// stand-in reports a server edition 10.0 with no service pack.
[[nodiscard]] bool osSys_GetVersionInfo(OsVersionInfo *pInfo);
