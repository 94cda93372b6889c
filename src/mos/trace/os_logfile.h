// Log-file services of the operating system: local time, opening a log
// file restricted to its owner, free disk space.
#pragma once

#include "mos_rc.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct MosLocalTime {
    int year;
    int month; // 1..12
    int day;   // 1..31
    int hour;
    int minute;
    int second;
    int millisecond;
};

// The current local time (GetLocalTime; clock_gettime + localtime_r).
void osLogFile_GetLocalTime(MosLocalTime *pTime);

// Reads the process's time-zone settings again (_tzset; tzset), so that a
// long-running process follows a change of zone or daylight saving.
void osLogFile_RefreshTimeZone();

// The current local time for a signal handler: no lock, no allocation
// (GetLocalTime; clock_gettime and the zone offset that the last local-time
// conversion of any thread found, UTC before the first one).
void osLogFile_GetLocalTimeInSignal(MosLocalTime *pTime);

// Opens a log file for writing, shared for reading and writing with other
// processes, and restricts its access: Administrators and SYSTEM on
// Windows, the owner alone (mode 0600) on Linux. bAppend keeps the content
// ("a"/"ab"), else the file starts empty ("w"/"wb"). Null on failure.
FILE *osLogFile_Open(const char *pPath, bool bBinary, bool bAppend);

// The descriptor beneath a log file's stream (_fileno; fileno); -1 for
// none.
int osLogFile_Descriptor(FILE *pFile);

// Hold and release a stream's own lock (_lock_file; flockfile), so that
// several writes reach the stream as one piece between other threads'
// writes.
void osLogFile_LockStream(FILE *pFile);
void osLogFile_UnlockStream(FILE *pFile);

// Writes all the bytes to a descriptor straight, past any stream buffer,
// with no lock and no allocation (_write; write): usable inside a signal
// handler. False when a write fails.
bool osLogFile_WriteRaw(int fd, const void *pBytes, size_t length);

// Free bytes available to the caller on the volume holding pDir
// (GetDiskFreeSpaceExA; statvfs). MOS_RC__ERROR on failure.
[[nodiscard]] MOS_RC osLogFile_GetFreeDiskBytes(const char *pDir, uint64_t *pFreeBytes);

// Bytes of memory the process has committed privately (the page-file
// usage on Windows; resident anonymous plus swapped bytes on Linux, read
// with plain system calls so that a signal handler may ask).
[[nodiscard]] MOS_RC osLogFile_GetCommittedBytes(uint64_t *pBytes);

// True when only the owner (Linux: mode 0600) or only Administrators and
// SYSTEM (Windows: the file's DACL) may access the file.
bool osLogFile_IsRestricted(const char *pPath);

// False where the file system does not keep the access lists set above
// (Wine derives them from Unix modes), so a restriction cannot be checked.
bool osLogFile_AccessListsKept();
