// Operating-system seam of clocks and local time.
#pragma once

#include <cstdint>

// GetTickCount64: milliseconds since boot (CLOCK_BOOTTIME on Linux).
uint64_t osTime_GetTickCount64();

// User-mode processor time of the calling thread in 100-ns units
// (GetThreadTimes); false when the platform cannot tell.
[[nodiscard]] bool osTime_GetThreadUserTime(uint64_t *pTime100ns);

// QueryPerformanceCounter and QueryPerformanceFrequency. The Linux
// stand-in's counter ticks at 10 MHz (the monotonic clock in 100-ns
// units), as Windows' does: tick counts that travel to a viewer on the
// other target then stand for the same time.
void osTime_QueryPerformanceCounter(int64_t *pCount, int64_t *pFrequency);

// GetSystemTimeAsFileTime: 100-ns units since 1601-01-01 UTC.
uint64_t osTime_GetSystemTime();

struct OsTimeDetails {
    int32_t year, month, day, hour, minute, second, milliseconds;
};

// Which step of the local-time conversion failed.
enum class OsLocalTimeResult { Ok, LocalFileTimeFailed, SystemTimeFailed };

// FileTimeToLocalFileTime then FileTimeToSystemTime.
[[nodiscard]] OsLocalTimeResult osTime_ToLocalDetails(uint64_t systemTime, OsTimeDetails *pOut);

// Reloads the process's time-zone information.
void osTime_RefreshTimeZone();

// Calendar time in seconds since 1970 (time()).
int64_t osTime_GetCalendarSeconds();
