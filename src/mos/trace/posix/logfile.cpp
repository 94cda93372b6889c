#include "os_logfile.h"

#include "mos_time.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The zone's offset from UTC in seconds as the last conversion found it,
// for the signal handler's local time.
std::atomic<long> utcOffsetSec_G{0};

void convert(const time_t *pWhen, tm *pLocal) {
    localtime_r(pWhen, pLocal);
    utcOffsetSec_G.store(pLocal->tm_gmtoff, std::memory_order_relaxed);
}

} // namespace

void osLogFile_GetLocalTime(MosLocalTime *pTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // localtime_r takes the C library's time-zone lock; every trace line
    // asks for the time, so the broken-down second is kept per thread.
    thread_local time_t cachedSecond = -1;
    thread_local tm local{};
    if (now.tv_sec != cachedSecond) {
        convert(&now.tv_sec, &local);
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
    const time_t now = time(nullptr);
    tm local{};
    convert(&now, &local);
}

void osLogFile_GetLocalTimeInSignal(MosLocalTime *pTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t localSeconds =
        static_cast<int64_t>(now.tv_sec) + utcOffsetSec_G.load(std::memory_order_relaxed);
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    mosTime_SplitSeconds(localSeconds, &year, &month, &day, &hour, &minute, &second);
    *pTime = {year, month, day, hour, minute, second, static_cast<int>(now.tv_nsec / 1000000)};
}

int osLogFile_Descriptor(FILE *pFile) {
    return pFile != nullptr ? fileno(pFile) : -1;
}

void osLogFile_LockStream(FILE *pFile) {
    flockfile(pFile);
}

void osLogFile_UnlockStream(FILE *pFile) {
    funlockfile(pFile);
}

bool osLogFile_WriteRaw(int fd, const void *pBytes, size_t length) {
    const auto *p = static_cast<const char *>(pBytes);
    while (length > 0) {
        const ssize_t n = write(fd, p, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
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

namespace {

// The kB value of a "Name: value kB" line of /proc/self/status, if the
// line is that field.
bool statusField(const char *pLine, const char *pName, uint64_t *pKb) {
    const size_t nameLen = strlen(pName);
    if (strncmp(pLine, pName, nameLen) != 0) {
        return false;
    }
    const char *p = pLine + nameLen;
    while (*p == ' ' || *p == '\t') {
        p++;
    }
    uint64_t kb = 0;
    bool bDigits = false;
    for (; *p >= '0' && *p <= '9'; p++) {
        kb = kb * 10 + static_cast<uint64_t>(*p - '0');
        bDigits = true;
    }
    *pKb = kb;
    return bDigits;
}

} // namespace

// The crash path asks from inside a signal handler: open, read and our own
// parsing, no stream and no allocation.
MOS_RC osLogFile_GetCommittedBytes(uint64_t *pBytes) {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return MOS_RC__ERROR;
    }
    char text[8192];
    size_t used = 0;
    ssize_t n = 0;
    while (used < sizeof(text) - 1 && (n = read(fd, text + used, sizeof(text) - 1 - used)) > 0) {
        used += static_cast<size_t>(n);
    }
    close(fd);
    text[used] = '\0';
    uint64_t totalKb = 0;
    bool bFound = false;
    for (char *pLine = text; pLine != nullptr && *pLine != '\0';) {
        char *pNext = strchr(pLine, '\n');
        if (pNext != nullptr) {
            *pNext++ = '\0';
        }
        uint64_t kb = 0;
        if (statusField(pLine, "RssAnon:", &kb) || statusField(pLine, "VmSwap:", &kb)) {
            totalKb += kb;
            bFound = true;
        }
        pLine = pNext;
    }
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
