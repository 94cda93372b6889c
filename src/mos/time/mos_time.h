// Local time for trace lines and log files.
#pragma once

#include <cstddef>
#include <cstdint>

// System time: 100-ns units since 1601-01-01 UTC (the Win32 FILETIME).
typedef uint64_t MosTimeVal;

// Length of the timestamp text "dd/mm hh:mm:ss.uuuuuu " (with its blank).
inline constexpr int MOS_TIMESTAMP_LEN = 22;

// Converts a system time to local time and fills the outputs given
// (null ones are skipped); microseconds are the milliseconds times 1,000.
// A failed conversion is a broken invariant.
void mosTimeVal_GetDetails(const MosTimeVal *pTimeVal, int32_t *pYear, int32_t *pMonth,
                           int32_t *pDay, int32_t *pHour, int32_t *pMinute, int32_t *pSecond,
                           int32_t *pMicroseconds);

// The current local time's details; returns its milliseconds.
uint32_t mosTime_GetLocalDetails(int32_t *pYear, int32_t *pMonth, int32_t *pDay, int32_t *pHour,
                                 int32_t *pMinute, int32_t *pSecond, int32_t *pMicroseconds);

// Writes the timestamp text of the given local-time fields; returns the
// length written, or 0 with an empty buffer when nothing fits.
int mosTime_FormatTimestampOf(char *pBuf, size_t bufSize, int32_t day, int32_t month, int32_t hour,
                              int32_t minute, int32_t second, int32_t microseconds);

// The timestamp text of the current local time (buffers of 23 bytes hold
// it whole).
int mosTime_FormatTimestamp(char *pBuf, size_t bufSize);

// Splits seconds since 1970-01-01 00:00 (local seconds when the caller has
// added the zone's offset) into calendar fields, by arithmetic alone: a
// signal handler may call it.
void mosTime_SplitSeconds(int64_t seconds, int32_t *pYear, int32_t *pMonth, int32_t *pDay,
                          int32_t *pHour, int32_t *pMinute, int32_t *pSecond);

// Reloads the process's time-zone information.
void mosTime_RefreshTimeZone();

// Stores the calendar time, the system tick count and the system time of
// start-up.
void mosTime_RecordProcessStart();

struct MosProcessStart {
    int64_t calendarSeconds;
    uint64_t tickCount;
    MosTimeVal systemTime;
};
extern MosProcessStart mosTime_ProcessStart_G;
