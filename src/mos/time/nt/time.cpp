// Clocks and local time on Win32.
#include "os_time.h"

#include <windows.h>

#include <ctime>

uint64_t osTime_GetTickCount64() {
    return GetTickCount64();
}

static uint64_t fromFileTime(const FILETIME &fileTime) {
    return (uint64_t{fileTime.dwHighDateTime} << 32) | fileTime.dwLowDateTime;
}

static FILETIME toFileTime(uint64_t value) {
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(value);
    fileTime.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return fileTime;
}

void osTime_QueryPerformanceCounter(int64_t *pCount, int64_t *pFrequency) {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    *pCount = count.QuadPart;
    *pFrequency = frequency.QuadPart;
}

bool osTime_GetThreadUserTime(uint64_t *pTime100ns) {
    FILETIME creation, exitTime, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &creation, &exitTime, &kernel, &user)) {
        return false;
    }
    *pTime100ns = fromFileTime(user);
    return true;
}

uint64_t osTime_GetSystemTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return fromFileTime(now);
}

OsLocalTimeResult osTime_ToLocalDetails(uint64_t systemTime, OsTimeDetails *pOut) {
    FILETIME utc = toFileTime(systemTime);
    FILETIME localTime;
    if (FileTimeToLocalFileTime(&utc, &localTime) == 0) {
        return OsLocalTimeResult::LocalFileTimeFailed;
    }
    SYSTEMTIME localSystemTime;
    if (FileTimeToSystemTime(&localTime, &localSystemTime) == 0) {
        return OsLocalTimeResult::SystemTimeFailed;
    }
    *pOut = {localSystemTime.wYear,        localSystemTime.wMonth,  localSystemTime.wDay,
             localSystemTime.wHour,        localSystemTime.wMinute, localSystemTime.wSecond,
             localSystemTime.wMilliseconds};
    return OsLocalTimeResult::Ok;
}

void osTime_RefreshTimeZone() {
    _tzset();
}

int64_t osTime_GetCalendarSeconds() {
    return static_cast<int64_t>(time(nullptr));
}
