#include "mos_cyclic_file.h"
#include "mos_timer.h"
#include "mos_trace.h"
#include "mos_trace_bin.h"
#include "mos_umt_sched.h"
#include "os_logfile.h"
#include "thread_names.h"
#include "trace_fixture.h"
#include "umt/umt_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using mostest::LogDirFixture;

// The part of a text line after the 22-character timestamp.
std::string afterTimestamp(const std::string &line) {
    return line.size() >= MOS_TIMESTAMP_LEN ? line.substr(MOS_TIMESTAMP_LEN) : line;
}

bool looksLikeTimestamp(const std::string &s) {
    // "dd/mm hh:mm:ss.uuuuuu "
    const char *pShape = "00/00 00:00:00.000000 ";
    if (s.size() < MOS_TIMESTAMP_LEN) {
        return false;
    }
    for (size_t i = 0; i < MOS_TIMESTAMP_LEN; i++) {
        bool bDigit = pShape[i] == '0';
        if (bDigit ? !isdigit(static_cast<unsigned char>(s[i])) : s[i] != pShape[i]) {
            return false;
        }
    }
    return true;
}

class TraceTest : public LogDirFixture {};

TEST_F(TraceTest, TextLineHasTimestampThreadFunctionAndLine) {
    MosTrcParams params = TextTraceParams(false);
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    int line = __LINE__ + 1;
    MOS_TRACE(MOS_COMP_MOS, 1, "hello %d %s", 42, "world");
    mosTrcLayer_Destroy();
    auto lines = ReadLines("trc.0");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(looksLikeTimestamp(lines[0])) << lines[0];
    EXPECT_NE(lines[0].find("---------- Process started. Version private Tarnvox "
                            "R3_0.1000.208_Release Sep 12 2019. PID "),
              std::string::npos);
    char expected[256];
    snprintf(expected, sizeof(expected), "0000000000000000:%s:%05d: hello 42 world", __func__,
             line);
    EXPECT_TRUE(looksLikeTimestamp(lines[1])) << lines[1];
    EXPECT_EQ(afterTimestamp(lines[1]), expected);
}

TEST_F(TraceTest, FrequencyGatesTheTraceButNotTheErrorFile) {
    MosTrcParams params = TextTraceParams(false);
    params.errFile = FileParams("err", false);
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    mosTraceConf_SetComponentFreq(MOS_COMP_NET, 1);
    MOS_TRACE(MOS_COMP_NET, 2, "info not shown");
    MOS_TRACE(MOS_COMP_NET, 1, "low shown");
    mosTraceConf_SetComponentFreq(MOS_COMP_NET, 0);
    int line = __LINE__ + 1;
    MOS_TRACE(MOS_COMP_NET, 1, "ERROR: bad %d", 7);
    MOS_TRACE(MOS_COMP_NET, 1, "WARNING: careful\n");
    mosTrcLayer_Destroy();
    auto trc = ReadLines("trc.0");
    ASSERT_EQ(trc.size(), 2u);
    EXPECT_NE(trc[1].find("low shown"), std::string::npos);
    auto err = ReadLines("err.0");
    ASSERT_EQ(err.size(), 4u); // start line, error, warning, the warning's empty line
    EXPECT_NE(err[0].find("---------- Process started."), std::string::npos);
    char expected[256];
    snprintf(expected, sizeof(expected), "%s:%05d: ERROR: bad 7", __func__, line);
    EXPECT_EQ(afterTimestamp(err[1]), expected);
    snprintf(expected, sizeof(expected), "%s:%05d: WARNING: careful", __func__, line + 1);
    EXPECT_EQ(afterTimestamp(err[2]), expected);
    EXPECT_EQ(err[3], "");
}

TEST_F(TraceTest, StandardOutputFollowsSettingAndEnvironment) {
    struct Case {
        uint32_t trcStdout;
        bool bEnv;
        bool bShown;
    };
    const Case cases[] = {{0, true, false}, {1, false, true}, {2, false, false}, {2, true, true}};
    for (const auto &c : cases) {
        SetEnv("MOS_TRACE__TO_STDOUT", c.bEnv);
        MosTrcParams params{};
        params.trc_stdout = c.trcStdout;
        ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        testing::internal::CaptureStdout();
        int line = __LINE__ + 1;
        MOS_TRACE(MOS_COMP_MOS, 1, "to stdout %d", 5);
        std::string out = testing::internal::GetCapturedStdout();
        mosTrcLayer_Destroy();
        char expected[256];
        snprintf(expected, sizeof(expected), "0000000000000000:%s:%05d: to stdout 5", __func__,
                 line);
        // Other threads (a starting dump thread) may print beside it.
        size_t at = out.find(expected);
        if (!c.bShown) {
            EXPECT_EQ(at, std::string::npos) << c.trcStdout << c.bEnv;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << out;
        ASSERT_GE(at, 1 + MOS_TIMESTAMP_LEN);
        std::string head = out.substr(at - 1 - MOS_TIMESTAMP_LEN, 1 + MOS_TIMESTAMP_LEN);
        EXPECT_EQ(head[0], '\n');
        EXPECT_TRUE(looksLikeTimestamp(head.substr(1))) << head;
    }
    SetEnv("MOS_TRACE__TO_STDOUT", false);
}

TEST_F(TraceTest, TextTraceThatCannotBeCreatedLeavesOnlyStandardOutput) {
    MosTrcParams params = TextTraceParams(true);
    std::string longPrefix(33, 't');
    params.trcFile.prefix = longPrefix.c_str();
    params.errFile = FileParams("err", false);
    params.trc_stdout = 1;
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    testing::internal::CaptureStdout();
    MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: still on stdout %d", 1);
    std::string out = testing::internal::GetCapturedStdout();
    mosTrcLayer_Destroy();
    EXPECT_NE(out.find("ERROR: still on stdout 1"), std::string::npos) << out;
    EXPECT_TRUE(FilesStartingWith("t").empty());
    EXPECT_FALSE(Exists("err.0")); // nothing further was set up
}

// Every line names the trace call's source line: the one after the next.
constexpr int kTraceWholeLine = __LINE__ + 2;
void traceWhole(int thread, int index) {
    MOS_TRACE(MOS_COMP_MOS, 1, "whole %d %d", thread, index);
}

// A standard-output line is written in two parts (its head, then the
// formatted message, which the Windows C runtime writes in pieces of its
// own); another thread's line must not land between them.
TEST_F(TraceTest, LinesOfSeveralThreadsReachStandardOutputWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 2000;
    MosTrcParams params{};
    params.trc_stdout = 1;
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    std::atomic<int> started{0};
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([t, &started] {
            // All at once, so that the lines meet.
            started++;
            while (started.load() < kThreads) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kLines; i++) {
                traceWhole(t, i);
            }
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    std::string out = testing::internal::GetCapturedStdout();
    mosTrcLayer_Destroy();
    char prefix[64];
    snprintf(prefix, sizeof(prefix), "0000000000000000:traceWhole:%05d: whole ", kTraceWholeLine);
    std::set<std::pair<int, int>> seen;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = std::min(out.find('\n', start), out.size());
        std::string line = out.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back(); // Windows text mode
        }
        if (line.find("whole") == std::string::npos) {
            continue; // another thread of the process
        }
        // The whole line: timestamp, prefix, and the two numbers alone.
        std::string rest = afterTimestamp(line);
        int t = -1;
        int i = -1;
        char tail = 0;
        bool bWhole = looksLikeTimestamp(line) && rest.rfind(prefix, 0) == 0 &&
                      sscanf(rest.c_str() + strlen(prefix), "%d %d%c", &t, &i, &tail) == 2;
        ASSERT_TRUE(bWhole) << "broken line: " << line;
        EXPECT_TRUE(seen.insert({t, i}).second) << line;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

TEST_F(TraceTest, FailedLaterSinkClosesEarlierFiles) {
    // Text trace asynchronous, then a sink that cannot start: the layer
    // must not leave the text trace's ring registered behind it.
    MosTrcParams params = TextTraceParams(true);
    params.bCompressedEnabled = 1;
    params.trcCompressedFile = FileParams("trc.z", true);
    EXPECT_EQ(mosTrcLayer_Create(&params), MOS_RC__ERROR);
    // The fixture's teardown destroys the cyclic-file layer, which asserts
    // that no asynchronous file is left.
}

TEST(TraceConf, FrequencyMap) {
    struct Case {
        std::string map;
        bool bAllow;
        MOS_RC expectedRc;
        int32_t expectedFirst; // frequency of component 0 afterwards
        int32_t expectedLast;  // of component 114
    };
    std::string allA(64, 'A');
    std::string allP(64, 'P');
    std::string mixed = std::string("B") + std::string(63, 'A'); // component 0 -> 1
    std::string withDigit = std::string(63, 'P') + "1";
    const Case cases[] = {
        {allA, true, MOS_RC__SUCCESS, 0, 0},
        {allP, true, MOS_RC__SUCCESS, 3, 3},
        {mixed, true, MOS_RC__SUCCESS, 1, 0},
        {std::string(63, 'P'), true, MOS_RC__INVALID_ARG, 2, 2},
        {std::string(65, 'P'), true, MOS_RC__INVALID_ARG, 2, 2},
        {withDigit, true, MOS_RC__INVALID_ARG, 2, 2},
        {allP, false, MOS_RC__SUCCESS, 2, 2}, // changes forbidden
    };
    for (const auto &c : cases) {
        mosTraceConf_ResetDefaults();
        if (!c.bAllow) {
            mosTraceConf_SetModifyMode(0);
        }
        EXPECT_EQ(mosTraceConf_SetFromdString(c.map.c_str(), static_cast<uint32_t>(c.map.size())),
                  c.expectedRc)
            << c.map;
        EXPECT_EQ(mosTraceConf_GetComponentFreq(0), c.expectedFirst) << c.map;
        EXPECT_EQ(mosTraceConf_GetComponentFreq(114), c.expectedLast) << c.map;
    }
    mosTraceConf_ResetDefaults();
}

TEST(TraceConf, BuiltInFrequenciesAndNames) {
    mosTraceConf_ResetDefaults();
    EXPECT_EQ(mosTraceConf_GetComponentFreq(MOS_COMP_MOS), 2);
    EXPECT_EQ(mosTraceConf_GetComponentFreq(MOS_COMP_SDC_IOCTL), 1);
    EXPECT_EQ(mosTraceConf_GetComponentFreq(MOS_COMP_TGT_SPEF_DIT), 0);
    EXPECT_EQ(mosTraceConf_GetComponentFreq(MOS_COMP_TGT_OBJ_REF_COUNT), 1);
    EXPECT_STREQ(mosTrace_CompNames[MOS_COMP_TGT_SPEF_PERSISTENT_OBJ_ARRAY],
                 "TGT_SPEF_PERSISTENT_OBJ_ARRAY");
    EXPECT_STREQ(mosTrace_CompNames[MOS_COMP_LAST], "LAST");
    EXPECT_STREQ(mosTrace_FreqNames[3], "High");
}

TEST(TraceConfDeathTest, ComponentOutOfRangeIsABrokenInvariant) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            (void)mosTraceConf_GetComponentFreq(MOS_COMP_LAST);
        },
        mostest::ExitedWithMinusOne, "Panic Expression comp < MOS_COMP_LAST");
}

// Encodes through a variadic front so the va_list is a real one.
uint32_t encode(uint8_t *pDst, uint32_t capacity, uint8_t *pNum, const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    uint32_t n = mosTrace_EncodeBinArgs(pDst, capacity, pFormat, args, pNum);
    va_end(args);
    return n;
}

TEST(TraceBin, ArgumentEncoding) {
    uint8_t buf[64];
    uint8_t num = 0;
    uint32_t n = encode(buf, sizeof(buf), &num, "%d %s", 300, "ab");
    const uint8_t expected[] = {0x00, 0xAC, 0x02, 0x02, 0x03, 'a', 'b', 0x00};
    ASSERT_EQ(n, sizeof(expected));
    EXPECT_EQ(num, 2);
    EXPECT_EQ(memcmp(buf, expected, n), 0);

    // Width from the arguments, 64-bit ll, a character, a null string, a
    // double and "%%" (which consumes nothing).
    n = encode(buf, sizeof(buf), &num, "%*u %% %llx %c %s %f", 5, 1u, 1ull << 40, 'z',
               static_cast<const char *>(nullptr), 1.5);
    uint8_t dbl[8];
    double v = 1.5;
    memcpy(dbl, &v, 8);
    std::vector<uint8_t> want = {0x80, 0x05, 0x01, 0x00, 0x80, 0x80, 0x80, 0x80, 0x80, 0x20, 0x01,
                                 'z',  0x02, 0x07, '(',  'n',  'u',  'l',  'l',  ')',  0x00, 0x03};
    want.insert(want.end(), dbl, dbl + 8);
    ASSERT_EQ(n, want.size());
    EXPECT_EQ(num, 5);
    EXPECT_EQ(memcmp(buf, want.data(), n), 0);
}

TEST(TraceBin, LongStringIsCutAndRecordStaysWithinArea) {
    std::string big(3000, 'x');
    uint8_t buf[MOS_TRACE_BIN_ARGS_CAPACITY];
    uint8_t num = 0;
    uint32_t n = encode(buf, sizeof(buf), &num, "%s %d", big.c_str(), 9);
    EXPECT_EQ(n, MOS_TRACE_BIN_ARGS_CAPACITY);
    EXPECT_EQ(num, 1); // the integer after the string no longer fits
    EXPECT_EQ(buf[0], MOS_TRACE_ARG_STRING);
    EXPECT_EQ(buf[n - 1], 0); // the cut string keeps its NUL
}

TEST(TraceBinDeathTest, UnsupportedConversionIsABrokenInvariant) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            uint8_t buf[16];
            uint8_t num = 0;
            int *pCount = nullptr;
            (void)encode(buf, sizeof(buf), &num, "%n", pCount);
        },
        mostest::ExitedWithMinusOne, "unsupported format in MOS_TRACE");
}

TEST(TraceBin, RecordGoldenBytes) {
    MosLocalTime when{2026, 12, 10, 13, 45, 30, 123};
    MosTraceBinMsg msg;
    uint32_t len = [&](const char *pFormat, ...) {
        va_list args;
        va_start(args, pFormat);
        uint32_t l = mosTrace_BuildBinMsg(&msg, &when, 0x1122334455667788ull, 0xC9B4C048u, "fn",
                                          300, pFormat, args);
        va_end(args);
        return l;
    }("v=%d", 300);
    const uint8_t expectedTail[] = {
        0x00,                                           // kind
        39,   0x00,                                     // length 36 + 3
        0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, // thread handle
        0xEA, 0x07,                                     // 2026
        0xAC, 0x1A,                                     // month 12, day 10, hour 13
        0xAD, 0x07,                                     // minute 45, second 30
        0x78, 0xE0, 0x01, 0x00,                         // 123,000 us
        0x48, 0xC0, 0xB4, 0xC9,                         // message id
    };
    ASSERT_EQ(len, 39u);
    uint8_t raw[39];
    memcpy(raw, &msg, len);
    EXPECT_EQ(memcmp(raw + 4, expectedTail, sizeof(expectedTail)), 0);
    uint32_t funcId = mosCrc32c_Software("fn", 2);
    EXPECT_EQ(memcmp(raw + 29, &funcId, 4), 0);
    EXPECT_EQ(raw[33], 0x2C); // line 300
    EXPECT_EQ(raw[34], 0x01);
    EXPECT_EQ(raw[35], 1); // one argument
    const uint8_t arg[] = {0x00, 0xAC, 0x02};
    EXPECT_EQ(memcmp(raw + 36, arg, 3), 0);
    uint32_t storedCrc;
    memcpy(&storedCrc, raw, 4);
    memset(raw, 0, 4);
    EXPECT_EQ(storedCrc, mosCrc32c_Software(raw, len));
}

TEST(TraceBin, FileHeaderGoldenBytes) {
    MosTraceBinFileHeader header;
    mosTrace_BuildBinFileHeader(&header, 0xA1B2C3D4u);
    uint8_t raw[35];
    memcpy(raw, &header, sizeof(raw));
    const uint8_t expected[] = {0x01, 35,  0x00, 0xD4, 0xC3, 0xB2, 0xA1, '3', '.', '0', '.',
                                '1',  '0', '0',  '0',  '.',  '2',  '0',  '8', 0,   0,   0,
                                0,    0,   0,    0,    0,    0,    0,    0,   0};
    EXPECT_EQ(memcmp(raw + 4, expected, sizeof(expected)), 0);
    uint32_t storedCrc;
    memcpy(&storedCrc, raw, 4);
    memset(raw, 0, 4);
    EXPECT_EQ(storedCrc, mosCrc32c_Software(raw, sizeof(raw)));
}

} // namespace

namespace {

class TraceFlushTest : public mostest::LogDirFixture {};

// The exit path flushes the traces and then ends the process without
// closing the files: every asynchronous sink, the error file included,
// must be on disk after the flush alone.
TEST_F(TraceFlushTest, FlushWritesEveryAsynchronousSink) {
    MosTrcParams params = TextTraceParams(true);
    params.errFile = FileParams("err", true);
    params.trcBinFile = FileParams("bin", true);
    params.trcFile.dumpThreadSleepMs = 10000;
    params.errFile.dumpThreadSleepMs = 10000;
    params.trcBinFile.dumpThreadSleepMs = 10000;
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: disk %s failed", "d1");
    mosTrace_Flush(5000);
    EXPECT_NE(ReadFile("trc.0").find("ERROR: disk d1 failed"), std::string::npos);
    EXPECT_NE(ReadFile("err.0").find(": ERROR: disk d1 failed"), std::string::npos);
    std::string bin = ReadFile("bin.0");
    // The file header, then the start line and the error as records.
    ASSERT_GE(bin.size(), sizeof(MosTraceBinFileHeader) + 2 * 36);
    EXPECT_EQ(bin[4], MOS_TRACE_BIN_KIND_HEADER);
    EXPECT_EQ(bin[sizeof(MosTraceBinFileHeader) + 4], MOS_TRACE_BIN_KIND_MSG);
    EXPECT_NE(bin.find("d1"), std::string::npos);
}

} // namespace

namespace {

class UuidTraceTest : public mostest::LogDirFixture {};

TEST_F(UuidTraceTest, MalformedUuidIsTracedAsAnError) {
    MosTrcParams params{};
    params.trc_stdout = 1;
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    uint8_t uuid[16];
    testing::internal::CaptureStdout();
    EXPECT_EQ(mos_StrToUuidNoAssert("CC9BA7B0-6D22-4016-81C5-3369F0A163C4", uuid), MOS_RC__SUCCESS);
    EXPECT_EQ(mos_StrToUuidNoAssert("CC9BA7B0x6D22", uuid), MOS_RC__INVALID);
    EXPECT_EQ(mos_StrToUuidNoAssert("zz", uuid), MOS_RC__INVALID);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(":mos_StrToUuidNoAssert:"), std::string::npos) << out;
    EXPECT_NE(out.find(": Invalid UUID CC9BA7B0x6D22"), std::string::npos) << out;
    EXPECT_NE(out.find(": Invalid UUID zz"), std::string::npos) << out;
    EXPECT_EQ(out.find("Invalid UUID CC9BA7B0-"), std::string::npos) << out;
}

} // namespace

namespace {

// Traces written on a user-mode thread carry its handle in every sink;
// those of an operating-system thread carry 0.
class TraceUmtTest : public mostest::LogDirFixture {
  protected:
    void SetUp() override {
        LogDirFixture::SetUp();
        ASSERT_EQ(mosTimer_Init(nullptr), MOS_RC__SUCCESS);
        MosUmtSchedParams params = {"trace-sched", "RR", 1, 0, 0};
        ASSERT_EQ(mosUmtSched_Create(&m_sched, &params), MOS_RC__SUCCESS);
        // Each new thread traces its start; that must be over before a test
        // sets the trace layer up.
        ASSERT_EQ(mostest::WaitForThreadsNamed("mosTimer", 1), 1u);
        ASSERT_EQ(mostest::WaitForThreadsNamed(m_sched.pThrds[0].name, 1), 1u);
    }
    void TearDown() override {
        mosUmtSched_Destroy(&m_sched);
        mosTimer_Destroy();
        LogDirFixture::TearDown();
    }
    // Runs fn in a user-mode thread and returns that thread's handle.
    uint64_t RunInUmt(std::function<void()> fn) {
        uint64_t handle = 0;
        std::function<void()> body = [&] {
            handle = reinterpret_cast<uintptr_t>(mosUmt_GetUThreadHdl());
            fn();
        };
        MosUmtCreateParams params = {nullptr, 0, MOS_UMT_NO_THRD, 1, 0, nullptr};
        MosUmt *pUmt = nullptr;
        EXPECT_EQ(mosUmt_Create(&m_sched, mostest::RunLambda, &body, &params, &pUmt),
                  MOS_RC__SUCCESS);
        mosUmt_Join(pUmt);
        return handle;
    }
    // The thread handle of each binary record whose message id is msgId.
    std::vector<uint64_t> BinHandles(uint32_t msgId) const {
        const std::string bin = ReadFile("bin.0");
        std::vector<uint64_t> handles;
        size_t at = sizeof(MosTraceBinFileHeader);
        while (at + 36 <= bin.size()) {
            uint16_t length = 0;
            uint64_t handle = 0;
            uint32_t id = 0;
            memcpy(&length, bin.data() + at + 5, 2);
            memcpy(&handle, bin.data() + at + 7, 8);
            memcpy(&id, bin.data() + at + 25, 4);
            if (length < 36) {
                break;
            }
            if (id == msgId) {
                handles.push_back(handle);
            }
            at += length;
        }
        return handles;
    }
    MosUmtSched m_sched = {};
};

TEST_F(TraceUmtTest, EverySinkCarriesTheCurrentUserModeThread) {
    for (bool bAsync : {false, true}) {
        SCOPED_TRACE(bAsync ? "asynchronous files" : "synchronous files");
        MosTrcParams params = TextTraceParams(bAsync);
        params.trcBinFile = FileParams("bin", bAsync);
        params.trc_stdout = 1;
        ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        testing::internal::CaptureStdout();
        const uint64_t handle = RunInUmt([] { MOS_TRACE(MOS_COMP_MOS, 1, "in a umt %d", 1); });
        MOS_TRACE(MOS_COMP_MOS, 1, "on an os thread %d", 2);
        const std::string out = testing::internal::GetCapturedStdout();
        mosTrcLayer_Destroy();
        ASSERT_NE(handle, 0u);
        char umtText[32];
        snprintf(umtText, sizeof umtText, "%016llX:", static_cast<unsigned long long>(handle));
        const std::string umtPrefix = umtText;
        const std::string osPrefix = "0000000000000000:";
        std::string umtLine, osLine;
        for (const std::string &line : ReadLines("trc.0")) {
            if (line.find("in a umt 1") != std::string::npos) {
                umtLine = afterTimestamp(line);
            }
            if (line.find("on an os thread 2") != std::string::npos) {
                osLine = afterTimestamp(line);
            }
        }
        EXPECT_EQ(umtLine.rfind(umtPrefix, 0), 0u) << umtLine;
        EXPECT_EQ(osLine.rfind(osPrefix, 0), 0u) << osLine;
        EXPECT_NE(out.find(umtPrefix + "operator():"), std::string::npos) << out;
        EXPECT_NE(out.find(osPrefix + "TestBody:"), std::string::npos) << out;
        EXPECT_EQ(BinHandles(MOS_TRACE_FORMAT_ID("in a umt %d")), std::vector<uint64_t>{handle});
        EXPECT_EQ(BinHandles(MOS_TRACE_FORMAT_ID("on an os thread %d")), std::vector<uint64_t>{0});
        std::error_code ec;
        std::filesystem::remove(Path("trc.0"), ec);
        std::filesystem::remove(Path("bin.0"), ec);
    }
}

} // namespace
