// The log-file services of the operating-system seam that the crash path
// relies on.
#include "os_logfile.h"

#include "os_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The signal handler's local time against the ordinary one: same fields
// (taken again until both fall into one second).
void expectSameLocalTime() {
    for (int attempt = 0; attempt < 100; attempt++) {
        MosLocalTime before{}, inSignal{}, after{};
        osLogFile_GetLocalTime(&before);
        osLogFile_GetLocalTimeInSignal(&inSignal);
        osLogFile_GetLocalTime(&after);
        if (before.second != after.second) {
            continue; // a second boundary fell in between
        }
        EXPECT_EQ(inSignal.year, before.year);
        EXPECT_EQ(inSignal.month, before.month);
        EXPECT_EQ(inSignal.day, before.day);
        EXPECT_EQ(inSignal.hour, before.hour);
        EXPECT_EQ(inSignal.minute, before.minute);
        EXPECT_EQ(inSignal.second, before.second);
        EXPECT_GE(inSignal.millisecond, before.millisecond);
        EXPECT_LE(inSignal.millisecond, after.millisecond);
        return;
    }
    FAIL() << "no two readings within one second";
}

// Also in a zone half an hour off the hour (given by rule, no zone file
// needed), once the zone was read again. Each check runs on a thread of
// its own: a thread keeps the current second's conversion.
TEST(LogFileSeam, LocalTimeInSignalMatchesTheOrdinaryOne) {
    {
        SCOPED_TRACE("zone as found");
        std::thread(expectSameLocalTime).join();
    }
    const char *pZone = getenv("TZ");
    const std::string savedZone = pZone != nullptr ? pZone : "";
    osEnv_Set("TZ", "XST-5:30");
    osLogFile_RefreshTimeZone();
    {
        SCOPED_TRACE("zone XST-5:30");
        std::thread(expectSameLocalTime).join();
    }
    osEnv_Set("TZ", pZone != nullptr ? savedZone.c_str() : nullptr);
    osLogFile_RefreshTimeZone();
}

// Raw writes go to the file at once, ahead of what the stream still holds.
TEST(LogFileSeam, RawWritesPassTheStreamsBuffer) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "mos_logfile_seam_raw.log").string();
    FILE *pFile = osLogFile_Open(path.c_str(), true, false);
    ASSERT_NE(pFile, nullptr);
    const int fd = osLogFile_Descriptor(pFile);
    ASSERT_GE(fd, 0);
    fputs("buffered", pFile);
    EXPECT_TRUE(osLogFile_WriteRaw(fd, "raw,", 4));
    EXPECT_TRUE(osLogFile_WriteRaw(fd, "", 0));
    fclose(pFile);
    std::stringstream ss;
    {
        std::ifstream in(path, std::ios::binary);
        ss << in.rdbuf();
    }
    EXPECT_EQ(ss.str(), "raw,buffered");
    std::filesystem::remove(path);
    EXPECT_EQ(osLogFile_Descriptor(nullptr), -1);
}

// The estimate's base: what the process has committed, which grows with
// memory it touches.
TEST(LogFileSeam, CommittedBytesFollowTouchedMemory) {
    uint64_t before = 0;
    ASSERT_EQ(osLogFile_GetCommittedBytes(&before), MOS_RC__SUCCESS);
    EXPECT_GT(before, 0u);
    std::vector<char> block(64u << 20);
    memset(block.data(), 1, block.size());
    uint64_t after = 0;
    ASSERT_EQ(osLogFile_GetCommittedBytes(&after), MOS_RC__SUCCESS);
    EXPECT_GE(after, before + (32u << 20)) << before;
    EXPECT_EQ(block[block.size() - 1], 1);
}

} // namespace
