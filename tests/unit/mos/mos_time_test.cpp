#include "mos_time.h"
#include "os_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// The performance counter ticks at 10 MHz on both targets, so that ticks
// one process counts mean the same time to a viewer on the other.
TEST(Time, PerformanceCounterTicksAtTenMegahertz) {
    int64_t first = 0;
    int64_t frequency = 0;
    osTime_QueryPerformanceCounter(&first, &frequency);
    EXPECT_EQ(frequency, 10000000);
    int64_t second = 0;
    osTime_QueryPerformanceCounter(&second, &frequency);
    EXPECT_GE(second, first);
    EXPECT_GT(first, 0);
}

TEST(Time, TimestampTextIsTwentyTwoCharacters) {
    char buf[32];
    EXPECT_EQ(mosTime_FormatTimestampOf(buf, sizeof buf, 9, 3, 8, 5, 3, 42000), 22);
    EXPECT_STREQ(buf, "09/03 08:05:03.042000 ");
    char small[23];
    EXPECT_EQ(mosTime_FormatTimestamp(small, sizeof small), 22);
    EXPECT_EQ(strlen(small), 22u);
    EXPECT_EQ(small[2], '/');
    EXPECT_EQ(small[21], ' ');
    char tiny[5];
    EXPECT_EQ(mosTime_FormatTimestamp(tiny, sizeof tiny), 4);
    EXPECT_EQ(mosTime_FormatTimestamp(tiny, 0), 0);
}

// The calendar arithmetic against the standard library's civil calendar,
// over leap days, century years and both sides of 1970.
TEST(Time, SplitSecondsMatchesTheCivilCalendar) {
    using namespace std::chrono;
    std::vector<int64_t> samples = {0,           -1,           86399,      86400,
                                    951782400,   951868799,    4107542400, 4107628800,
                                    -2208988800, 253402300799, 1773043503, -62135596800};
    uint64_t seed = 88172645463325252ull;
    for (int i = 0; i < 20000; i++) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        samples.push_back(static_cast<int64_t>(seed % 20000000000ull) - 10000000000);
    }
    for (int64_t seconds : samples) {
        const sys_seconds when{std::chrono::seconds{seconds}};
        const sys_days day = floor<days>(when);
        const year_month_day ymd{day};
        const hh_mm_ss<std::chrono::seconds> hms{when - day};
        int32_t year = 0, month = 0, dayOfMonth = 0, hour = 0, minute = 0, second = 0;
        mosTime_SplitSeconds(seconds, &year, &month, &dayOfMonth, &hour, &minute, &second);
        ASSERT_EQ(year, static_cast<int>(ymd.year())) << seconds;
        ASSERT_EQ(month, static_cast<int>(static_cast<unsigned>(ymd.month()))) << seconds;
        ASSERT_EQ(dayOfMonth, static_cast<int>(static_cast<unsigned>(ymd.day()))) << seconds;
        ASSERT_EQ(hour, hms.hours().count()) << seconds;
        ASSERT_EQ(minute, hms.minutes().count()) << seconds;
        ASSERT_EQ(second, hms.seconds().count()) << seconds;
    }
}

// The system time of a known instant comes back as the C library's local
// time of the same instant.
TEST(Time, DetailsAreLocalTime) {
    const time_t when = 1773043503; // 2026-03-09 08:05:03 UTC
    const MosTimeVal timeVal =
        (static_cast<uint64_t>(when) + 11644473600ull) * 10000000ull + 420000; // .042 s
    mosTime_RefreshTimeZone();
    const tm expected = *localtime(&when);
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, microseconds = 0;
    mosTimeVal_GetDetails(&timeVal, &year, &month, &day, &hour, &minute, &second, &microseconds);
    EXPECT_EQ(year, expected.tm_year + 1900);
    EXPECT_EQ(month, expected.tm_mon + 1);
    EXPECT_EQ(day, expected.tm_mday);
    EXPECT_EQ(hour, expected.tm_hour);
    EXPECT_EQ(minute, expected.tm_min);
    EXPECT_EQ(second, expected.tm_sec);
    EXPECT_EQ(microseconds, 42000);
    int32_t onlyHour = -1;
    mosTimeVal_GetDetails(&timeVal, nullptr, nullptr, nullptr, &onlyHour, nullptr, nullptr,
                          nullptr);
    EXPECT_EQ(onlyHour, hour);
}

TEST(Time, ProcessStartIsRecorded) {
    mosTime_RecordProcessStart();
    EXPECT_GT(mosTime_ProcessStart_G.calendarSeconds, 1700000000);
    EXPECT_GT(mosTime_ProcessStart_G.systemTime, 11644473600ull * 10000000ull);
    int32_t year = 0;
    uint32_t millis =
        mosTime_GetLocalDetails(&year, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_LT(millis, 1000u);
    EXPECT_GE(year, 2024);
}

} // namespace
