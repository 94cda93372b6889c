#include "usr/os_logfile.h"

#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

void osLogFile_GetLocalTime(MosLocalTime *pTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // localtime_r takes the C library's time-zone lock; every trace line
    // asks for the time, so the broken-down second is kept per thread.
    thread_local time_t cachedSecond = -1;
    thread_local tm local{};
    if (now.tv_sec != cachedSecond) {
        localtime_r(&now.tv_sec, &local);
        cachedSecond = now.tv_sec;
    }
    pTime->year = local.tm_year + 1900;
    pTime->month = local.tm_mon + 1;
    pTime->day = local.tm_mday;
    pTime->hour = local.tm_hour;
    pTime->minute = local.tm_min;
    pTime->second = local.tm_sec;
    pTime->millisecond = static_cast<int>(now.tv_nsec / 1000000);
}

void osLogFile_RefreshTimeZone() {
    tzset();
}

FILE *osLogFile_Open(const char *pPath, bool bBinary, bool bAppend) {
    (void)bBinary; // no text translation on this platform
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (bAppend ? O_APPEND : O_TRUNC);
    int fd = open(pPath, flags, 0600);
    if (fd < 0) {
        return nullptr;
    }
    // An existing file keeps its old mode through open(); narrow it too.
    (void)fchmod(fd, 0600);
    FILE *pFile = fdopen(fd, bAppend ? "a" : "w");
    if (pFile == nullptr) {
        close(fd);
    }
    return pFile;
}

MOS_RC osLogFile_GetFreeDiskBytes(const char *pDir, uint64_t *pFreeBytes) {
    struct statvfs vfs {};
    if (statvfs(pDir, &vfs) != 0) {
        return MOS_RC__ERROR;
    }
    *pFreeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    return MOS_RC__SUCCESS;
}

MOS_RC osLogFile_GetCommittedBytes(uint64_t *pBytes) {
    FILE *pStatus = fopen("/proc/self/status", "r");
    if (pStatus == nullptr) {
        return MOS_RC__ERROR;
    }
    char line[256];
    uint64_t totalKb = 0;
    bool bFound = false;
    while (fgets(line, sizeof(line), pStatus) != nullptr) {
        unsigned long long kb = 0;
        if (sscanf(line, "RssAnon: %llu kB", &kb) == 1 ||
            sscanf(line, "VmSwap: %llu kB", &kb) == 1) {
            totalKb += kb;
            bFound = true;
        }
    }
    fclose(pStatus);
    if (!bFound) {
        return MOS_RC__ERROR;
    }
    *pBytes = totalKb * 1024;
    return MOS_RC__SUCCESS;
}

bool osLogFile_IsRestricted(const char *pPath) {
    struct stat st {};
    if (stat(pPath, &st) != 0) {
        return false;
    }
    return (st.st_mode & 0777) == 0600;
}

bool osLogFile_AccessListsKept() {
    return true;
}
