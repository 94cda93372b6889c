// Linux stand-in for the Win32 clocks: boot-time milliseconds, a 10 MHz
// performance counter, the thread's user time, FILETIME-based system time
// and local time from the C library's time-zone rules.
#include "os_time.h"

#include <cstdint>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr uint64_t kUnixEpochIn100ns = 116444736000000000ull; // 1601 -> 1970

} // namespace

uint64_t osTime_GetTickCount64() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

void osTime_QueryPerformanceCounter(int64_t *pCount, int64_t *pFrequency) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    *pFrequency = 10000000;
    *pCount = static_cast<int64_t>(now.tv_sec) * 10000000 + now.tv_nsec / 100;
}

bool osTime_GetThreadUserTime(uint64_t *pTime100ns) {
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) != 0) {
        return false;
    }
    *pTime100ns = static_cast<uint64_t>(usage.ru_utime.tv_sec) * 10000000 +
                  static_cast<uint64_t>(usage.ru_utime.tv_usec) * 10;
    return true;
}

uint64_t osTime_GetSystemTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return kUnixEpochIn100ns + static_cast<uint64_t>(now.tv_sec) * 10000000 +
           static_cast<uint64_t>(now.tv_nsec) / 100;
}

OsLocalTimeResult osTime_ToLocalDetails(uint64_t systemTime, OsTimeDetails *pOut) {
    if (systemTime > static_cast<uint64_t>(INT64_MAX)) {
        return OsLocalTimeResult::LocalFileTimeFailed; // FileTimeToLocalFileTime refuses it too
    }
    // Floor division, so that times before 1970 keep a positive remainder.
    int64_t rel = static_cast<int64_t>(systemTime) - static_cast<int64_t>(kUnixEpochIn100ns);
    int64_t seconds = rel / 10000000;
    int64_t rem = rel % 10000000;
    if (rem < 0) {
        seconds -= 1;
        rem += 10000000;
    }
    time_t when = static_cast<time_t>(seconds);
    tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return OsLocalTimeResult::SystemTimeFailed;
    }
    *pOut = {local.tm_year + 1900,
             local.tm_mon + 1,
             local.tm_mday,
             local.tm_hour,
             local.tm_min,
             local.tm_sec,
             static_cast<int32_t>(rem / 10000)};
    return OsLocalTimeResult::Ok;
}

void osTime_RefreshTimeZone() {
    tzset();
}

int64_t osTime_GetCalendarSeconds() {
    return static_cast<int64_t>(time(nullptr));
}
