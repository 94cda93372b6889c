#include "mos_time.h"

#include "mos_assert_text.h"
#include "mos_utils.h"
#include "os_time.h"

MosProcessStart mosTime_ProcessStart_G;

namespace {

void setIf(int32_t *pOut, int32_t value) {
    if (pOut != nullptr) {
        *pOut = value;
    }
}

} // namespace

void mosTimeVal_GetDetails(const MosTimeVal *pTimeVal, int32_t *pYear, int32_t *pMonth,
                           int32_t *pDay, int32_t *pHour, int32_t *pMinute, int32_t *pSecond,
                           int32_t *pMicroseconds) {
    OsTimeDetails details{};
    OsLocalTimeResult result = osTime_ToLocalDetails(*pTimeVal, &details);
    MOS_ASSERT_TEXT(result != OsLocalTimeResult::LocalFileTimeFailed,
                    "0 != FileTimeToLocalFileTime(pTimeVal, &localTime)");
    MOS_ASSERT_TEXT(result != OsLocalTimeResult::SystemTimeFailed,
                    "0 != FileTimeToSystemTime(&localTime, &localSystemTime)");
    setIf(pYear, details.year);
    setIf(pMonth, details.month);
    setIf(pDay, details.day);
    setIf(pHour, details.hour);
    setIf(pMinute, details.minute);
    setIf(pSecond, details.second);
    setIf(pMicroseconds, details.milliseconds * 1000);
}

uint32_t mosTime_GetLocalDetails(int32_t *pYear, int32_t *pMonth, int32_t *pDay, int32_t *pHour,
                                 int32_t *pMinute, int32_t *pSecond, int32_t *pMicroseconds) {
    MosTimeVal now = osTime_GetSystemTime();
    int32_t microseconds = 0;
    mosTimeVal_GetDetails(&now, pYear, pMonth, pDay, pHour, pMinute, pSecond, &microseconds);
    setIf(pMicroseconds, microseconds);
    return static_cast<uint32_t>(microseconds / 1000);
}

int mosTime_FormatTimestampOf(char *pBuf, size_t bufSize, int32_t day, int32_t month, int32_t hour,
                              int32_t minute, int32_t second, int32_t microseconds) {
    if (bufSize == 0) {
        return 0;
    }
    int len = mos_SnprintfClipped(pBuf, bufSize, "%02d/%02d %02d:%02d:%02d.%06d ", day, month, hour,
                                  minute, second, microseconds);
    if (len <= 0) {
        pBuf[0] = '\0';
        return 0;
    }
    return len;
}

int mosTime_FormatTimestamp(char *pBuf, size_t bufSize) {
    int32_t month = 0, day = 0, hour = 0, minute = 0, second = 0, microseconds = 0;
    mosTime_GetLocalDetails(nullptr, &month, &day, &hour, &minute, &second, &microseconds);
    return mosTime_FormatTimestampOf(pBuf, bufSize, day, month, hour, minute, second, microseconds);
}

void mosTime_SplitSeconds(int64_t seconds, int32_t *pYear, int32_t *pMonth, int32_t *pDay,
                          int32_t *pHour, int32_t *pMinute, int32_t *pSecond) {
    constexpr int64_t SECONDS_PER_DAY = 86400;
    int64_t days = seconds / SECONDS_PER_DAY;
    int64_t rest = seconds % SECONDS_PER_DAY;
    if (rest < 0) {
        rest += SECONDS_PER_DAY;
        days--;
    }
    *pHour = static_cast<int32_t>(rest / 3600);
    *pMinute = static_cast<int32_t>(rest / 60 % 60);
    *pSecond = static_cast<int32_t>(rest % 60);
    // Days to a civil date in eras of 400 years starting on 1 March, so
    // that the leap day ends its year.
    days += 719468; // 1970-01-01 counted from 0000-03-01
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    *pDay = static_cast<int32_t>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    *pMonth = static_cast<int32_t>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    *pYear = static_cast<int32_t>(yearOfEra + era * 400 + (*pMonth <= 2 ? 1 : 0));
}

void mosTime_RefreshTimeZone() {
    osTime_RefreshTimeZone();
}

void mosTime_RecordProcessStart() {
    mosTime_ProcessStart_G.calendarSeconds = osTime_GetCalendarSeconds();
    mosTime_ProcessStart_G.tickCount = osTime_GetTickCount64();
    mosTime_ProcessStart_G.systemTime = osTime_GetSystemTime();
}
