#include "mos_cyclic_file.h"
#include "mos_diag_counters.h"
#include "os_logfile.h"
#include "trace_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

uint32_t skippedTraceEvents() {
    MosDiagCounterExtEntry entries[MOS_DIAG_COUNTER__LAST];
    MosDiagCountersQuery query{};
    query.count = MOS_DIAG_COUNTER__LAST;
    query.pEntries = entries;
    EXPECT_EQ(mosDiagCounters_QueryExt(&query, true), MOS_RC__SUCCESS);
    for (uint32_t i = 0; i < query.count; i++) {
        if (strcmp(entries[i].base.name, "SKIPPED_TRACES_EVENTS") == 0) {
            return entries[i].base.value;
        }
    }
    ADD_FAILURE() << "no SKIPPED_TRACES_EVENTS counter";
    return 0;
}

class CyclicFileTest : public mostest::LogDirFixture {
  protected:
    void TearDown() override {
        if (m_bCreated) {
            mosCyclicFile_Destroy(&m_file);
        }
        LogDirFixture::TearDown();
    }
    MOS_RC Create(const MosCyclicFileParams &params) {
        MOS_RC rc = mosCyclicFile_Create(&m_file, &params);
        m_bCreated = rc == MOS_RC__SUCCESS;
        return rc;
    }
    void Line(const std::string &text) {
        mosCyclicFile_WriteLine(&m_file, false, true, false, "", 0, "%s\n", text.c_str());
    }
    std::string AllFiles(uint32_t history) const {
        std::string all;
        for (uint32_t k = history; k-- > 0;) {
            all += ReadFile("f." + std::to_string(k));
        }
        return all;
    }

    MosCyclicFile m_file;
    bool m_bCreated = false;
};

TEST_F(CyclicFileTest, RotationKeepsHistoryFilesAndDropsTheOldest) {
    MosCyclicFileParams params = FileParams("f", false);
    params.history = 3;
    params.maxFileSize = 1024;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    // 100 lines of 50 bytes: 5,000 bytes over files of about 1 KiB.
    for (int i = 0; i < 100; i++) {
        char text[64];
        snprintf(text, sizeof(text), "line %03d %040d", i, 0);
        Line(text);
    }
    mosCyclicFile_Flush(&m_file);
    EXPECT_TRUE(Exists("f.0"));
    EXPECT_TRUE(Exists("f.1"));
    EXPECT_TRUE(Exists("f.2"));
    EXPECT_FALSE(Exists("f.3"));
    std::string all = AllFiles(3);
    EXPECT_EQ(all.find("line 000 "), std::string::npos); // the oldest lines are gone
    EXPECT_NE(all.find("line 099 "), std::string::npos);
    // What is left is the newest lines, in order and without gaps.
    size_t first = all.find("line ");
    int firstNo = std::stoi(all.substr(first + 5, 3));
    for (int i = firstNo; i < 100; i++) {
        char text[32];
        snprintf(text, sizeof(text), "line %03d", i);
        EXPECT_NE(all.find(text), std::string::npos) << text;
    }
}

TEST_F(CyclicFileTest, HistoryOfOneStartsAnEmptyFile) {
    MosCyclicFileParams params = FileParams("f", false);
    params.history = 1;
    params.maxFileSize = 1024;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    Line(std::string(1100, 'a'));
    Line("after");
    mosCyclicFile_Flush(&m_file);
    EXPECT_EQ(ReadFile("f.0"), "after\n");
    EXPECT_FALSE(Exists("f.1"));
}

TEST_F(CyclicFileTest, ExistingLargeFileRotatesAtCreation) {
    {
        MosCyclicFileParams params = FileParams("f", false);
        ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
        Line(std::string(2000, 'o'));
        mosCyclicFile_Destroy(&m_file);
        m_bCreated = false;
    }
    MosCyclicFileParams params = FileParams("f", false);
    params.maxFileSize = 1024;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    EXPECT_EQ(ReadFile("f.0"), "");
    EXPECT_EQ(ReadFile("f.1").size(), 2001u);
}

// A header writer that, once armed, holds the rotation calling it until
// released: the old stream is closed and the new one not yet published.
struct RotationGate {
    std::mutex m;
    std::condition_variable cv;
    bool bArmed = false;
    bool bInside = false;
    bool bRelease = false;
    bool bFlushed = false;
};
RotationGate gate_G;

void holdingHeaderWriter(FILE * /*pFile*/) {
    std::unique_lock<std::mutex> g(gate_G.m);
    if (!gate_G.bArmed) {
        return;
    }
    gate_G.bArmed = false;
    gate_G.bInside = true;
    gate_G.cv.notify_all();
    gate_G.cv.wait_for(g, std::chrono::seconds(10), [] { return gate_G.bRelease; });
}

// A flush that comes while a rotation is under way waits for it instead of
// touching the stream the rotation closed; both for a synchronous file
// (rotated by its writer under the layer lock) and an asynchronous one
// (rotated by the dump thread).
TEST_F(CyclicFileTest, FlushWaitsForARotationInProgress) {
    for (bool bAsync : {false, true}) {
        SCOPED_TRACE(bAsync ? "asynchronous" : "synchronous");
        MosCyclicFileParams params = FileParams("f", bAsync);
        params.maxFileSize = 64;
        params.pHeaderWriterCK = holdingHeaderWriter;
        ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
        {
            std::lock_guard<std::mutex> g(gate_G.m);
            gate_G.bArmed = true;
            gate_G.bInside = gate_G.bRelease = gate_G.bFlushed = false;
        }
        std::thread writer([&] {
            Line(std::string(100, 'w'));
            mosCyclicFile_WaitDump(&m_file, 0); // the dump thread rotates the ring's file
        });
        std::unique_lock<std::mutex> g(gate_G.m);
        ASSERT_TRUE(gate_G.cv.wait_for(g, std::chrono::seconds(10), [] { return gate_G.bInside; }));
        g.unlock();
        std::thread flusher([&] {
            mosCyclicFile_Flush(&m_file);
            std::lock_guard<std::mutex> lock(gate_G.m);
            gate_G.bFlushed = true;
            gate_G.cv.notify_all();
        });
        g.lock();
        // Correct code cannot flush before the release, so this waits the
        // whole time; it is only as short as it is to keep the test quick.
        EXPECT_FALSE(
            gate_G.cv.wait_for(g, std::chrono::milliseconds(300), [] { return gate_G.bFlushed; }));
        gate_G.bRelease = true;
        gate_G.cv.notify_all();
        g.unlock();
        writer.join();
        flusher.join();
        EXPECT_TRUE(gate_G.bFlushed);
        EXPECT_EQ(ReadFile("f.1").size(), 101u);
        mosCyclicFile_Destroy(&m_file);
        m_bCreated = false;
        std::error_code ec;
        std::filesystem::remove(Path("f.0"), ec);
        std::filesystem::remove(Path("f.1"), ec);
    }
}

TEST_F(CyclicFileTest, PrefixAndDirectoryLengthLimits) {
    struct Case {
        size_t prefixLen;
        size_t dirPad; // extra characters of directory
        MOS_RC expected;
    };
    const Case cases[] = {
        {33, 0, MOS_RC__NO_RESOURCES},
        {32, 0, MOS_RC__SUCCESS},
        {32, 300, MOS_RC__NO_RESOURCES},
    };
    char prefixChar = 'a';
    for (const auto &c : cases) {
        std::string prefix(c.prefixLen, prefixChar++);
        std::string dir = m_dirText + std::string(c.dirPad, '/');
        MosCyclicFileParams params = FileParams(prefix.c_str(), false);
        params.dirPath = dir.c_str();
        EXPECT_EQ(Create(params), c.expected) << c.prefixLen << " " << c.dirPad;
        EXPECT_EQ(Exists(prefix + ".0"), c.expected == MOS_RC__SUCCESS);
        if (m_bCreated) {
            mosCyclicFile_Destroy(&m_file);
            m_bCreated = false;
        }
    }
}

TEST_F(CyclicFileTest, FilesAreRestrictedToTheirOwner) {
    if (!osLogFile_AccessListsKept()) {
        GTEST_SKIP() << "this file system does not keep access lists (Wine derives them from "
                        "Unix modes)";
    }
    for (bool bAsync : {false, true}) {
        MosCyclicFileParams params = FileParams("f", bAsync);
        params.maxFileSize = 1024;
        ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
        EXPECT_TRUE(osLogFile_IsRestricted(Path("f.0").c_str()));
        // ... also the file that replaces number 0 after a rotation.
        mosCyclicFile_WriteLine(&m_file, false, true, false, "", 0, "%s\n",
                                std::string(1100, 'r').c_str());
        mosCyclicFile_WaitDump(&m_file, 0);
        EXPECT_TRUE(osLogFile_IsRestricted(Path("f.0").c_str()));
        EXPECT_TRUE(osLogFile_IsRestricted(Path("f.1").c_str()));
        mosCyclicFile_Destroy(&m_file);
        m_bCreated = false;
    }
}

TEST_F(CyclicFileTest, LongLineIsCutToItsSlotOnlyInTheRing) {
    std::string longText(2000, 'L');
    for (bool bAsync : {true, false}) {
        MosCyclicFileParams params = FileParams(bAsync ? "a" : "s", bAsync);
        ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
        mosCyclicFile_WriteLine(&m_file, true, true, true, "fn", 7, "%s", longText.c_str());
        mosCyclicFile_WaitDump(&m_file, 0);
        mosCyclicFile_Flush(&m_file);
        std::string text = ReadFile(bAsync ? "a.0" : "s.0");
        if (bAsync) {
            ASSERT_EQ(text.size(), MOS_CYCLIC_FILE_SLOT_SIZE);
            EXPECT_EQ(text.back(), '\n');
            EXPECT_EQ(text[text.size() - 2], 'L');
        } else {
            // timestamp, "0000000000000000:fn:00007: ", the text and a newline
            EXPECT_EQ(text.size(), MOS_TIMESTAMP_LEN + 27 + 2000 + 1);
            EXPECT_EQ(text.substr(MOS_TIMESTAMP_LEN, 27), "0000000000000000:fn:00007: ");
        }
        mosCyclicFile_Destroy(&m_file);
        m_bCreated = false;
    }
}

TEST_F(CyclicFileTest, FullRingDropsLinesAndReportsThem) {
    MosCyclicFileParams params = FileParams("f", true);
    params.asyncBufSize = 1500; // less than two slots
    params.dumpThreadSleepMs = 10000;
    params.dumpUsedBufPercent = 99; // no dump until the flush below
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    const uint32_t skipEventsBefore = skippedTraceEvents();
    std::string pad(600, '.');
    for (int i = 0; i < 50; i++) {
        mosCyclicFile_WriteLine(&m_file, false, true, false, "", 0, "flood %d %s\n", i,
                                pad.c_str());
    }
    mosCyclicFile_WaitDump(&m_file, 0);
    auto lines = ReadLines("f.0");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "flood 0 " + pad);
    EXPECT_EQ(lines[1].substr(MOS_TIMESTAMP_LEN), "-----Skipped 49 traces-----");
    EXPECT_EQ(skippedTraceEvents(), skipEventsBefore + 1); // one event per reported drop
}

TEST_F(CyclicFileTest, WriterWrapsToTheRingStartWithoutLosingOrder) {
    MosCyclicFileParams params = FileParams("f", true);
    params.asyncBufSize = 3000;
    params.dumpThreadSleepMs = 10000;
    params.dumpUsedBufPercent = 99;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    std::string expected;
    int n = 0;
    auto write = [&](int count) {
        for (int i = 0; i < count; i++, n++) {
            char text[128];
            snprintf(text, sizeof(text), "entry %03d %0100d\n", n, 0);
            expected += text;
            mosCyclicFile_WriteLine(&m_file, false, true, false, "", 0, "%s", text);
        }
    };
    write(17); // about 1,900 bytes: less than one slot left at the end
    mosCyclicFile_WaitDump(&m_file, 0);
    write(5); // wraps to the start of the ring
    mosCyclicFile_WaitDump(&m_file, 0);
    std::string text = ReadFile("f.0");
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.find('*'), std::string::npos); // the wrap filler stays in memory
}

TEST_F(CyclicFileTest, BinaryBlocksGoThroughTheRing) {
    MosCyclicFileParams params = FileParams("b", true);
    params.bBinary = 1;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    const char block[] = {'\0', '\n', 'x', '\r', '\n'};
    mosCyclicFile_WriteBytes(&m_file, block, sizeof(block), false, true);
    mosCyclicFile_WaitDump(&m_file, 0);
    std::ifstream in(Path("b.0"), std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(raw, std::string(block, sizeof(block)));
}

// A writer that wrapped and catches up with the reader stops one byte
// short of it: a ring whose write position reached the read position would
// read as empty, and everything in it would be lost without a count.
TEST_F(CyclicFileTest, WrappedWriterStopsOneByteBeforeTheReader) {
    MosCyclicFileParams params = FileParams("b", true);
    params.bBinary = 1;
    params.asyncBufSize = 1000;
    params.dumpThreadSleepMs = 3600000;
    params.dumpUsedBufPercent = 99; // at most 900 bytes are ever held: no dump unless asked
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    const uint32_t skipEventsBefore = skippedTraceEvents();
    std::string written;
    int n = 0;
    auto write = [&](int count) {
        for (int i = 0; i < count; i++, n++) {
            char block[101];
            snprintf(block, sizeof(block), "block %02d %091d", n, 0);
            written.append(block, 100);
            mosCyclicFile_WriteBytes(&m_file, block, 100, false, true);
        }
    };
    write(5); // bytes 0 to 500, then read up to 500
    mosCyclicFile_WaitDump(&m_file, 0);
    // Five more fill 500 to 1,000; four wrap to 0 to 400; the fifth would
    // end on the read position (500) and is dropped.
    write(10);
    mosCyclicFile_WaitDump(&m_file, 0);
    EXPECT_EQ(ReadFile("b.0"), written.substr(0, 14 * 100));
    EXPECT_EQ(skippedTraceEvents(), skipEventsBefore + 1);
}

// Writers on many threads share one ring: each line lands whole and once,
// or is counted as dropped (the ring is small enough that some may be).
TEST_F(CyclicFileTest, ConcurrentWritersNeitherOverwriteNorLoseLines) {
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 3000;
    MosCyclicFileParams params = FileParams("f", true);
    params.asyncBufSize = 32 * 1024;
    params.maxFileSize = 64 << 20;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; t++) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < kLinesEach; i++) {
                mosCyclicFile_WriteLine(&m_file, false, true, false, "", 0,
                                        "writer %d line %04d end\n", t, i);
            }
        });
    }
    for (auto &writer : writers) {
        writer.join();
    }
    mosCyclicFile_WaitDump(&m_file, 0);
    std::vector<int> seen(kThreads * kLinesEach, 0);
    long skipped = 0;
    std::vector<std::string> malformed;
    for (const std::string &line : ReadLines("f.0")) {
        int t = -1;
        int i = -1;
        int skippedHere = 0;
        char end[8] = {};
        if (sscanf(line.c_str(), "writer %d line %d %7s", &t, &i, end) == 3 &&
            strcmp(end, "end") == 0 && t >= 0 && t < kThreads && i >= 0 && i < kLinesEach) {
            seen[t * kLinesEach + i]++;
        } else if (line.size() > MOS_TIMESTAMP_LEN &&
                   sscanf(line.c_str() + MOS_TIMESTAMP_LEN, "-----Skipped %d traces-----",
                          &skippedHere) == 1) {
            skipped += skippedHere;
        } else {
            malformed.push_back(line);
        }
    }
    EXPECT_TRUE(malformed.empty()) << malformed.size() << " malformed, first: " << malformed[0];
    long present = 0;
    for (size_t k = 0; k < seen.size(); k++) {
        EXPECT_LE(seen[k], 1) << "writer " << k / kLinesEach << " line " << k % kLinesEach;
        present += seen[k] != 0 ? 1 : 0;
    }
    EXPECT_EQ(present + skipped, kThreads * kLinesEach) << present << " present";
}

// Holds the dump thread inside a pass: the header writer of the rotation
// that pass makes waits until the test lets it go.
struct PassGate {
    std::mutex lock;
    std::condition_variable cond;
    bool bArmed = false;
    bool bEntered = false;
    bool bReleased = false;
};
PassGate passGate_G;

void gatedHeaderWriter(FILE * /*pStream*/) {
    std::unique_lock<std::mutex> hold(passGate_G.lock);
    if (!passGate_G.bArmed) {
        return;
    }
    passGate_G.bArmed = false;
    passGate_G.bEntered = true;
    passGate_G.cond.notify_all();
    passGate_G.cond.wait_for(hold, std::chrono::seconds(60), [] { return passGate_G.bReleased; });
}

// A synchronous file's rotation calls its header writer under the layer
// lock, where a flush waiter's registration can be read without a race.
const MosCyclicFile *pWatchedFile_G = nullptr;
std::atomic<bool> bWaiterSeen_G{false};

void waiterProbeHeaderWriter(FILE * /*pStream*/) {
    if (pWatchedFile_G != nullptr && pWatchedFile_G->ring.pFlushWaiter != nullptr) {
        bWaiterSeen_G = true;
    }
}

// A flush that comes while the dump thread is writing the same ring waits
// for the lines that pass did not take.
TEST_F(CyclicFileTest, FlushDuringARunningDumpWaitsForTheNextPass) {
    MosCyclicFileParams params = FileParams("b", true);
    params.bBinary = 1;
    params.asyncBufSize = 10000;
    params.dumpUsedBufPercent = 1; // a block of 100 bytes wakes the dump thread
    params.dumpThreadSleepMs = 3600000;
    params.maxFileSize = 100; // the first dump rotates
    params.pHeaderWriterCK = gatedHeaderWriter;
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    MosCyclicFileParams probeParams = FileParams("s", false);
    probeParams.maxFileSize = 1; // every line rotates
    probeParams.pHeaderWriterCK = waiterProbeHeaderWriter;
    MosCyclicFile probe;
    ASSERT_EQ(mosCyclicFile_Create(&probe, &probeParams), MOS_RC__SUCCESS);

    passGate_G.bEntered = passGate_G.bReleased = false;
    bWaiterSeen_G = false;
    passGate_G.bArmed = true;
    const std::string first(200, 'a');
    const std::string second(50, 'b');
    mosCyclicFile_WriteBytes(&m_file, first.data(), 200, false, true);
    {
        std::unique_lock<std::mutex> hold(passGate_G.lock);
        ASSERT_TRUE(passGate_G.cond.wait_for(hold, std::chrono::seconds(60),
                                             [] { return passGate_G.bEntered; }));
    }
    // The pass noted its positions before this block and this flush.
    mosCyclicFile_WriteBytes(&m_file, second.data(), 50, false, true);
    std::thread flusher([this] { mosCyclicFile_WaitDump(&m_file, 0); });
    pWatchedFile_G = &m_file;
    for (int i = 0; !bWaiterSeen_G && i < 60000; i++) {
        mosCyclicFile_WriteLine(&probe, false, true, false, "", 0, "probe\n");
        osThread_SleepMs(1);
    }
    EXPECT_TRUE(bWaiterSeen_G.load());
    pWatchedFile_G = nullptr;
    {
        std::lock_guard<std::mutex> hold(passGate_G.lock);
        passGate_G.bReleased = true;
    }
    passGate_G.cond.notify_all();
    flusher.join();
    EXPECT_EQ(ReadFile("b.1"), first);
    EXPECT_EQ(ReadFile("b.0"), second);
    mosCyclicFile_Destroy(&probe);
}

TEST_F(CyclicFileTest, StoppedWritingDropsEverything) {
    MosCyclicFileParams params = FileParams("f", false);
    ASSERT_EQ(Create(params), MOS_RC__SUCCESS);
    EXPECT_EXIT(
        {
            mosCyclicFile_StopWriting();
            Line("never");
            mosCyclicFile_Flush(&m_file);
            exit(0);
        },
        testing::ExitedWithCode(0), "");
    Line("kept");
    mosCyclicFile_Flush(&m_file);
    EXPECT_EQ(ReadFile("f.0"), "kept\n");
}

} // namespace

namespace {

TEST(CyclicFileFormat, LinePrefixAndTimestamp) {
    struct Case {
        const char *pFunc;
        uint32_t line;
        size_t bufSize;
        const char *pExpected;
    };
    const Case cases[] = {
        {"fn", 7, 64, "0000000000000000:fn:00007: "},
        {"fn", 123456, 64, "0000000000000000:fn:123456: "},
        {"", 0, 64, "0000000000000000::00000: "},
        {"function", 7, 20, "0000000000000000:fu"}, // clipped to the buffer
    };
    for (const auto &c : cases) {
        char buf[64];
        int len = mosCyclicFile_FormatLinePrefix(buf, c.bufSize, c.pFunc, c.line);
        EXPECT_STREQ(buf, c.pExpected);
        EXPECT_EQ(len, static_cast<int>(strlen(c.pExpected)));
    }
    char stamp[MOS_TIMESTAMP_LEN + 1];
    EXPECT_EQ(mosCyclicFile_FormatTimestamp(stamp), static_cast<int>(MOS_TIMESTAMP_LEN));
    EXPECT_EQ(strlen(stamp), MOS_TIMESTAMP_LEN);
    EXPECT_EQ(stamp[2], '/');
    EXPECT_EQ(stamp[14], '.');
    EXPECT_EQ(std::string(stamp + 18), "000 "); // milliseconds times 1000
}

} // namespace
