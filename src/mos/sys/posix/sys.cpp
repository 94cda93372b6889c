// Linux stand-ins for the small platform services.
#include "os_net.h"
#include "os_sys.h"
#include "posix/net_errno.h"
#include "posix/sys_errno.h"

#include <cerrno>
#include <sys/random.h>

int osSys_Random(uint32_t *pValue) {
    ssize_t got = getrandom(pValue, sizeof *pValue, 0);
    if (got == static_cast<ssize_t>(sizeof *pValue)) {
        return 0;
    }
    return got < 0 ? errno : EIO;
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

struct ErrnoRule {
    int err;
    uint32_t error;
};

bool isOneOf(int err, std::initializer_list<int> errs) {
    return std::find(errs.begin(), errs.end(), err) != errs.end();
}

// The table's errno column: the error of the row that names err, or unknown.
#define OS_ERRNO_LIST(...) __VA_ARGS__
#define OS_ERRNO_ROW(number, errnos)                                                               \
    if (isOneOf(err, {OS_ERRNO_LIST errnos})) {                                                    \
        return number;                                                                             \
    }

uint32_t win32FromTable(int err, uint32_t unknown) {
#define OS_WIN_ERROR(name, number, errnos) OS_ERRNO_ROW(number, errnos)
#include "os_win_errors.def"
    return unknown;
}

uint32_t wsaFromTable(int err, uint32_t unknown) {
#define OS_WSA_ERROR(name, number, errnos) OS_ERRNO_ROW(number, errnos)
#include "os_win_errors.def"
    return unknown;
}

// Where a use has always answered otherwise than the table, it still does:
// shared memory reported everything it did not name as out of memory, and
// the device stand-in reads its socket's failures as the device's.
constexpr ErrnoRule kSharedMemoryRules[] = {
    {ENOTDIR, OS_ERR_NOT_ENOUGH_MEMORY},
    {EROFS, OS_ERR_NOT_ENOUGH_MEMORY},
};
constexpr ErrnoRule kDeviceRules[] = {
    {ECONNREFUSED, OS_ERR_FILE_NOT_FOUND}, // no one listens: no device there
    {ENAMETOOLONG, OS_ERR_PATH_NOT_FOUND}, {ENOBUFS, OS_ERR_NOT_ENOUGH_MEMORY},
    {EPIPE, OS_ERR_DEVICE_NOT_CONNECTED},  {ECONNRESET, OS_ERR_DEVICE_NOT_CONNECTED},
    {EINVAL, OS_ERR_GEN_FAILURE},          {EROFS, OS_ERR_GEN_FAILURE},
};

// The error of the first rule for err, or unknown.
template <size_t N> uint32_t lookUp(const ErrnoRule (&rules)[N], int err, uint32_t unknown) {
    for (const ErrnoRule &rule : rules) {
        if (rule.err == err) {
            return rule.error;
        }
    }
    return unknown;
}

// The Win32 error a failed file-system call on pPath reports on Windows,
// so that the numbers in messages are the same on both platforms.
uint32_t win32ErrorOf(int err, const char *pPath) {
    if (err != ENOENT) {
        return osSysPosix_Win32FromErrno(err, OsErrnoUse::File);
    }
    // Windows tells a missing file from a missing directory.
    std::string parent(pPath);
    size_t slash = parent.find_last_of('/');
    parent = slash == std::string::npos ? "." : parent.substr(0, slash + 1);
    struct stat info;
    bool bParentIsDir = stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return bParentIsDir ? OS_ERR_FILE_NOT_FOUND : OS_ERR_PATH_NOT_FOUND;
}

} // namespace

uint32_t osSysPosix_Win32FromErrno(int err, OsErrnoUse use) {
    switch (use) {
        case OsErrnoUse::SharedMemory:
            return lookUp(kSharedMemoryRules, err, win32FromTable(err, OS_ERR_NOT_ENOUGH_MEMORY));
        case OsErrnoUse::Device:
            return lookUp(kDeviceRules, err, win32FromTable(err, OS_ERR_GEN_FAILURE));
        case OsErrnoUse::File:
            break;
    }
    return win32FromTable(err, OS_ERR_GEN_FAILURE);
}

uint32_t osNetPosix_WsaFromErrno(int err) {
    return wsaFromTable(err, NET_WSAEINVAL);
}

// The stand-in's security objects are small heap records: a SID holds its
// text form, an access list the two SIDs it grants access to, and a
// descriptor (40 zeroed bytes from the caller) the list it carries.
namespace {

struct StandInAcl {
    void *pAdminSid;
    void *pSystemSid;
};

} // namespace

uint32_t osSys_AllocSid(OsWellKnownSid which, void **ppSid) {
    const char *pText = which == OsWellKnownSid::Administrators ? "S-1-5-32-544" : "S-1-5-18";
    char *pSid = strdup(pText);
    if (pSid == nullptr) {
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    *ppSid = pSid;
    return 0;
}

void osSys_FreeSid(void *pSid) {
    free(pSid);
}

uint32_t osSys_BuildAcl(void *pAdminSid, void *pSystemSid, void **ppAcl) {
    auto *pAcl = static_cast<StandInAcl *>(malloc(sizeof(StandInAcl)));
    if (pAcl == nullptr) {
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    *pAcl = StandInAcl{pAdminSid, pSystemSid};
    *ppAcl = pAcl;
    return 0;
}

void osSys_FreeAcl(void *pAcl) {
    free(pAcl);
}

bool osSys_InitSecurityDescriptor(void *pDescriptor, void *pAcl) {
    auto *pBytes = static_cast<unsigned char *>(pDescriptor);
    pBytes[0] = 1; // revision
    memcpy(pBytes + 8, &pAcl, sizeof pAcl);
    return true;
}

uint32_t osSys_SetFileAcl(const char *pPath, void *pAcl) {
    (void)pAcl;
    return chmod(pPath, S_IRUSR | S_IWUSR) == 0 ? 0 : win32ErrorOf(errno, pPath);
}

uint32_t osSys_GetFreeDiskBytes(const char *pDirectory, uint64_t *pFreeBytes) {
    struct statvfs info;
    if (statvfs(pDirectory, &info) != 0) {
        return win32ErrorOf(errno, pDirectory);
    }
    *pFreeBytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    return 0;
}

// Private writable memory of the process: the data segment and stacks
// (the "data" field of /proc/self/statm), in bytes.
uint32_t osSys_GetProcessCommitBytes(uint64_t *pBytes) {
    std::ifstream statm("/proc/self/statm");
    uint64_t sizePages = 0, residentPages = 0, sharedPages = 0, textPages = 0, libPages = 0,
             dataPages = 0;
    if (!(statm >> sizePages >> residentPages >> sharedPages >> textPages >> libPages >>
          dataPages)) {
        return OS_ERR_GEN_FAILURE;
    }
    *pBytes = dataPages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    return 0;
}

// Processor group g stands for processors 64g .. 64g+63, as on Windows.
bool osSys_GetThreadGroupAffinity(uint64_t *pMask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (pthread_getaffinity_np(pthread_self(), sizeof set, &set) != 0) {
        return false;
    }
    uint64_t mask = 0;
    for (int cpu = 0; cpu < 64; cpu++) {
        if (CPU_ISSET(cpu, &set)) {
            mask |= uint64_t{1} << cpu;
        }
    }
    *pMask = mask;
    return true;
}

bool osSys_SetThreadGroup(uint16_t group) {
    long numCpus = sysconf(_SC_NPROCESSORS_CONF);
    cpu_set_t set;
    CPU_ZERO(&set);
    for (long cpu = 64L * group; cpu < 64L * (group + 1) && cpu < numCpus && cpu < CPU_SETSIZE;
         cpu++) {
        CPU_SET(cpu, &set);
    }
    if (CPU_COUNT(&set) == 0) {
        return false; // no such group
    }
    return pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
}

bool osSys_StdoutIsTerminal() {
    return isatty(fileno(stdout)) != 0;
}

void osSys_ConsoleSaveAttr() {
    // A terminal's colour is restored by the reset sequence; nothing to read.
}

void osSys_ConsoleSetAttr(uint16_t attribute) {
    // Console attribute bits: 1 blue, 2 green, 4 red, 8 intensity. ANSI
    // bright colours 90..97 carry red as 1, green as 2, blue as 4.
    int ansi = ((attribute & 4) ? 1 : 0) | ((attribute & 2) ? 2 : 0) | ((attribute & 1) ? 4 : 0);
    printf("\x1b[%dm", (attribute & 8) ? 90 + ansi : 30 + ansi);
}

void osSys_ConsoleRestoreAttr() {
    printf("\x1b[0m");
}

bool osSys_GetVersionInfo(OsVersionInfo *pInfo) {
    *pInfo = {10, 0, 0, 0};
    return true;
}
