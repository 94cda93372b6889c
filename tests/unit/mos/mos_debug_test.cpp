#include "mos_debug.h"
#include "mos_os_thread.h"
#include "mos_trace_bin.h"
#include "os_crash.h"
#include "trace_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

class DebugLayerTest : public mostest::LogDirFixture {
  protected:
    MosDbgParams Params(bool bExp, bool bUmt) const {
        MosDbgParams p{};
        if (bExp) {
            p.expFile = FileParams("exp", false);
        }
        if (bUmt) {
            p.umtFile = FileParams("umt", false);
        }
        p.dbg_enable_backtrace = 1;
        return p;
    }
    // Starts the debug layer with the settings; used inside death tests.
    void Start(MosDbgParams params) {
        m_params = params;
        mosDbg_SetLogDir(m_dirText.c_str());
        if (mosDbgLayer_Init(&m_params) != MOS_RC__SUCCESS) {
            abort();
        }
    }
    MosDbgParams m_params{};
};

int assertLine_G = 0;

// What a crashing child must not print: a report of ThreadSanitizer (a
// call that is not async-signal-safe inside the crash handler, a race).
const auto noSanitizerReport = testing::Not(testing::HasSubstr("ThreadSanitizer"));

// Ends a death test's child with exit code 42 should it hang: a crash path
// that waits for a lock it will never get fails the test instead of
// stopping the run.
void endIfStillRunningAfterAMinute() {
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(60));
        std::_Exit(42);
    }).detach();
}

// Makes a segmentation fault on the calling thread.
void segmentationFault() {
    volatile uintptr_t badAddress = 16; // hidden from the optimiser
    *reinterpret_cast<volatile int *>(badAddress) = 1;
}

// The two lines of a crash record in the exception file: the exception's
// and the panic's.
void expectCrashRecord(const std::vector<std::string> &lines, const char *pCode) {
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]
                  .substr(MOS_TIMESTAMP_LEN)
                  .find(std::string("Unhandled exception caught. ") + "Exception code " + pCode +
                        ". IP "),
              0u)
        << lines[0];
    EXPECT_NE(lines[1].find("Panic in file "), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("mos_debug.cpp, line "), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("function mosDbg_ExceptionFilter, PID "), std::string::npos);
    EXPECT_NE(lines[1].find(".Panic Expression 0 ."), std::string::npos);
}

TEST_F(DebugLayerTest, AssertionWritesOnePanicLineToTheExceptionFile) {
    EXPECT_EXIT(
        {
            Start(Params(true, true));
            assertLine_G = __LINE__ + 1;
            MOS_ASSERT(1 + 1 == 3);
        },
        mostest::ExitedWithMinusOne, "");
    auto lines = ReadLines("exp.0");
    ASSERT_EQ(lines.size(), 1u);
    std::string text = lines[0].substr(MOS_TIMESTAMP_LEN);
    EXPECT_EQ(text.find("Panic in file "), 0u) << text;
    EXPECT_NE(text.find("mos_debug_test.cpp, line "), std::string::npos) << text;
    EXPECT_NE(text.find(".Panic Expression 1 + 1 == 3 ."), std::string::npos) << text;
    // The backtrace file holds the markers around the stack of the thread.
    std::string umt = ReadFile("umt.0");
    EXPECT_EQ(umt.find("************************** BACKTRACES START "
                       "*****************************\n"),
              0u);
    EXPECT_NE(umt.find("************************** BACKTRACES END "
                       "*******************************\n\n"),
              std::string::npos);
}

// Without an exception file the panic text must reach standard output,
// also when the backtrace file alone keeps the layer up.
TEST_F(DebugLayerTest, WithoutExceptionFilePanicGoesToStandardOutput) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            Start(Params(false, true));
            ALWAYS_ASSERT();
        },
        mostest::ExitedWithMinusOne, "Panic in file .*Panic Expression ALWAYS_ASSERT \\.\n");
    EXPECT_FALSE(Exists("exp.0"));
}

TEST_F(DebugLayerTest, ExitCodes) {
    EXPECT_EXIT(
        {
            Start(Params(true, false));
            mos_Exit(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            MosTrcParams trc{};
            trc.trc_stdout = 1;
            (void)mosTrcLayer_Create(&trc);
            Start(Params(true, false));
            mosDbg_PlannedCrashModuleWithDesc("testing");
        },
        testing::ExitedWithCode(254), "---Planned crash, reason: testing ---\n");
}

void exitFromThread(void *pArg) {
    mos_Exit(*static_cast<int *>(pArg));
}

// Two threads ending the process at once: the first one's code stands
// when it finishes within the double-exit wait, else the second ends the
// process with -1 after that wait; the first thread entering again ends it
// at once with -1.
TEST_F(DebugLayerTest, TwoExitsAtOnce) {
    struct Case {
        int slowExitMs; // an exit handler of the first thread
        bool bReenter;
        bool bMinusOne;
        int exitCode;
    };
    const Case cases[] = {{0, false, false, 5}, {3000, false, true, 0}, {0, true, true, 0}};
    for (const auto &c : cases) {
        static int slowMs;
        static bool bReenter;
        slowMs = c.slowExitMs;
        bReenter = c.bReenter;
        auto body = [&] {
            Start(Params(true, false));
            atexit([] {
                if (bReenter) {
                    mos_Exit(7);
                }
                mosDbg_SleepMs(static_cast<uint32_t>(slowMs));
            });
            static int code = 5;
            MosOsThrd second;
            (void)mosOsThrd_Create(
                &second,
                [](void *) {
                    mosDbg_SleepMs(100);
                    mos_Exit(9);
                },
                nullptr);
            exitFromThread(&code);
        };
        if (c.bMinusOne) {
            EXPECT_EXIT(body(), mostest::ExitedWithMinusOne, "") << c.slowExitMs;
        } else {
            EXPECT_EXIT(body(), testing::ExitedWithCode(c.exitCode), "") << c.slowExitMs;
        }
    }
}

TEST_F(DebugLayerTest, SegmentationFaultInACreatedThread) {
    EXPECT_EXIT(
        {
            Start(Params(true, false));
            MosOsThrd thrd;
            (void)mosOsThrd_Create(
                &thrd, [](void *) { segmentationFault(); }, nullptr);
            mosOsThrd_Destroy(&thrd);
            exit(0);
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    expectCrashRecord(ReadLines("exp.0"), "0xc0000005");
}

// A fault while the faulting thread holds the cyclic-file lock (inside a
// synchronous trace line's formatting, with the trace file's stream locked
// too). Where the filter runs in a signal handler it writes the record
// without that lock; Windows passes such an exception on.
TEST_F(DebugLayerTest, FaultUnderTheTraceLockEndsWithItsRecord) {
    if (!osCrash_FilterRunsInSignalHandler()) {
        GTEST_SKIP() << "the exception filter passes on what comes under the cyclic-file lock";
    }
    EXPECT_EXIT(
        {
            endIfStillRunningAfterAMinute();
            Start(Params(true, false));
            MosTrcParams trc = TextTraceParams(false);
            (void)mosTrcLayer_Create(&trc);
            volatile uintptr_t badAddress = 16;
            MOS_TRACE(MOS_COMP_MOS, 1, "text %s", reinterpret_cast<const char *>(badAddress));
            exit(0);
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    expectCrashRecord(ReadLines("exp.0"), "0xc0000005");
    EXPECT_NE(ReadFile("trc.0").find("---------- Process started."), std::string::npos);
}

// The trace lines still in the asynchronous rings reach their files before
// the process ends, whether or not the dump thread would have come.
TEST_F(DebugLayerTest, FaultWritesTheTraceRingsOut) {
    EXPECT_EXIT(
        {
            endIfStillRunningAfterAMinute();
            MosTrcParams trc = TextTraceParams(true);
            trc.trcFile.dumpThreadSleepMs = 10000;
            trc.trcBinFile = FileParams("bin", true);
            trc.trcBinFile.dumpThreadSleepMs = 10000;
            (void)mosTrcLayer_Create(&trc);
            MosDbgParams params = Params(true, false);
            params.exp_dump_traces = 1;
            params.exp_milli_wait_dump_traces = 0; // no limit: bounded on the crash path
            Start(params);
            MOS_TRACE(MOS_COMP_MOS, 1, "last words %d", 7);
            segmentationFault();
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    expectCrashRecord(ReadLines("exp.0"), "0xc0000005");
    EXPECT_NE(ReadFile("trc.0").find("last words 7"), std::string::npos);
    const std::string bin = ReadFile("bin.0");
    EXPECT_EQ(bin[4], MOS_TRACE_BIN_KIND_HEADER); // the file's header comes first
    const uint32_t msgId = MOS_TRACE_FORMAT_ID("last words %d");
    EXPECT_NE(bin.find(std::string(reinterpret_cast<const char *>(&msgId), sizeof msgId),
                       sizeof(MosTraceBinFileHeader)),
              std::string::npos);
}

// The crash path's dump when one is configured, and no backtraces then.
TEST_F(DebugLayerTest, FaultWritesTheDump) {
    EXPECT_EXIT(
        {
            MosDbgParams params = Params(true, true);
            params.dbg_enable_core = 1;
            params.dbg_core_type = 1;
            Start(params);
            segmentationFault();
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    auto dumps = FilesStartingWith("core-");
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(m_dir / dumps[0]), 0u);
    EXPECT_TRUE(ReadFile("umt.0").empty());
}

// Without a dump, the crash path's backtraces between their markers.
TEST_F(DebugLayerTest, FaultWritesTheBacktraces) {
    EXPECT_EXIT(
        {
            Start(Params(true, true));
            segmentationFault();
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    EXPECT_TRUE(FilesStartingWith("core-").empty());
    const std::string umt = ReadFile("umt.0");
    EXPECT_EQ(umt.find("************************** BACKTRACES START "
                       "*****************************\n"),
              0u)
        << umt;
    EXPECT_NE(umt.find("************************** BACKTRACES END "
                       "*******************************\n\n"),
              std::string::npos)
        << umt;
}

// An assertion failing while its thread holds the cyclic-file lock (in a
// header writer, which rotation calls under it): the panic does not wait
// for that lock, not even for the diagnostic counters' trace lines.
int failingHeaderWrites_G = 0;
void failingHeaderWriter(FILE * /*pFile*/) {
    if (++failingHeaderWrites_G > 1) { // the first call is the creation's
        ALWAYS_ASSERT();
    }
}

TEST_F(DebugLayerTest, AssertionUnderTheTraceLockEndsTheProcess) {
    EXPECT_EXIT(
        {
            endIfStillRunningAfterAMinute();
            mostest::StdoutToStderr();
            Start(Params(true, false));
            MosTrcParams trc = TextTraceParams(false);
            (void)mosTrcLayer_Create(&trc);
            MosCyclicFileParams params = FileParams("rot", false);
            params.maxFileSize = 16;
            params.pHeaderWriterCK = failingHeaderWriter;
            static MosCyclicFile file;
            (void)mosCyclicFile_Create(&file, &params);
            mosCyclicFile_WriteLine(&file, false, true, false, "", 0, "%s\n",
                                    "more than sixteen bytes");
            exit(0);
        },
        mostest::ExitedWithMinusOne, "Panic in file .*Panic Expression ALWAYS_ASSERT");
}

// Recurses until the thread's stack runs out (the limit is never reached).
volatile int recursionLimit_G = 1 << 30;
int recurse(volatile char *pPrevious, int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    frame[4095] = pPrevious != nullptr ? pPrevious[0] : 0;
    if (depth >= recursionLimit_G) {
        return frame[0];
    }
    return recurse(frame, depth + 1) + frame[4095];
}

// The filter runs on an alternate stack, so a thread whose own stack ran
// out still reports and panics.
TEST_F(DebugLayerTest, StackOverflowInACreatedThread) {
    EXPECT_EXIT(
        {
            Start(Params(true, false));
            MosOsThrd thrd;
            (void)mosOsThrd_Create(
                &thrd, [](void *) { (void)recurse(nullptr, 0); }, nullptr);
            mosOsThrd_Destroy(&thrd);
            exit(0);
        },
        mostest::ExitedWithMinusOne, noSanitizerReport);
    expectCrashRecord(ReadLines("exp.0"), "0xc00000fd");
}

// Panics (or, with bFault, faults) with crash dumps enabled and the given
// free-space minimum.
class CrashDumpTest : public DebugLayerTest {
  protected:
    void PanicWithCoreEnabled(uint64_t minFreeBytes, bool bFault = false) {
        EXPECT_EXIT(
            {
                MosDbgParams p = Params(true, false);
                p.dbg_enable_core = 1;
                p.dbg_core_type = 1;
                p.coreMinFreeDiskBytes = minFreeBytes;
                Start(p);
                if (bFault) {
                    segmentationFault();
                }
                ALWAYS_ASSERT();
            },
            mostest::ExitedWithMinusOne, "");
    }
    void ExpectRefusedJustBelowFree(bool bFault);
};

TEST(CrashDumpSpace, DumpMustLeaveTheMinimumFree) {
    constexpr uint64_t MiB = 1ull << 20;
    constexpr uint64_t estimate = 250 * MiB;
    struct Case {
        uint64_t freeBytes;
        uint64_t minFree;
        bool bFits;
    };
    const Case cases[] = {
        {estimate + 500 * MiB, 500 * MiB, true},      // exactly enough
        {estimate + 500 * MiB - 1, 500 * MiB, false}, // one byte short
        {estimate, 0, true},
        {estimate - 1, 0, false},
        {10000 * MiB, 10000 * MiB - 1, false},          // the minimum just below what is free
        {10000 * MiB, ~uint64_t{0} - 100 * MiB, false}, // a sum that would wrap
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mosDbg_CoreDumpFits(c.freeBytes, estimate, c.minFree), c.bFits)
            << c.freeBytes << " " << c.minFree;
    }
}

TEST_F(CrashDumpTest, WrittenWithoutSpaceCheck) {
    PanicWithCoreEnabled(0);
    auto dumps = FilesStartingWith("core-");
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].find(".dmp"), std::string::npos);
    EXPECT_GT(std::filesystem::file_size(m_dir / dumps[0]), 0u);
}

TEST_F(CrashDumpTest, RefusedForDiskSpace) {
    PanicWithCoreEnabled(1ull << 62);
    EXPECT_TRUE(FilesStartingWith("core-").empty());
    std::string exp = ReadFile("exp.0");
    EXPECT_NE(exp.find("Insufficient disk space for a core dump (Estimated size: "),
              std::string::npos)
        << exp;
    EXPECT_NE(exp.find("MB, Minimum Space: 4398046511104MB)\n"), std::string::npos) << exp;
}

// A minimum set just below what the volume has: the dump's estimate (at
// least 200 MiB) cannot fit above it, so no dump is written, and the
// refusal gives the three sizes. Other programs writing meanwhile only
// make the volume fuller. (A death test's child runs the lines before the
// death statement again and so measures the volume itself.)
void CrashDumpTest::ExpectRefusedJustBelowFree(bool bFault) {
    const uint64_t available = std::filesystem::space(m_dir).available;
    ASSERT_GT(available, 128ull << 20);
    PanicWithCoreEnabled(available - (64ull << 20), bFault);
    EXPECT_TRUE(FilesStartingWith("core-").empty());
    const std::string exp = ReadFile("exp.0");
    unsigned long long estimateMb = 0, availableMb = 0, minimumMb = 0;
    const size_t at = exp.find("Insufficient disk space for a core dump (Estimated size: ");
    ASSERT_NE(at, std::string::npos) << exp;
    ASSERT_EQ(sscanf(exp.c_str() + at,
                     "Insufficient disk space for a core dump (Estimated size: %lluMB, "
                     "Available: %lluMB, Minimum Space: %lluMB)",
                     &estimateMb, &availableMb, &minimumMb),
              3)
        << exp;
    EXPECT_GE(estimateMb, 200u);
    EXPECT_GT(minimumMb, 0u);
    EXPECT_LT(availableMb, estimateMb + minimumMb);
}

TEST_F(CrashDumpTest, AssertionRefusedWithAMinimumJustBelowFree) {
    ExpectRefusedJustBelowFree(false);
}

TEST_F(CrashDumpTest, FaultRefusedWithAMinimumJustBelowFree) {
    ExpectRefusedJustBelowFree(true);
}

TEST(DebugLayer, DumpPathWithoutLogDirectory) {
    mosDbg_SetLogDir("");
    MosDbgParams p{};
    p.dbg_enable_core = 1;
    ASSERT_EQ(mosDbgLayer_Init(&p), MOS_RC__SUCCESS);
    uint32_t kind = 99;
    std::string path = mosDbg_GetCoreDumpPath(&kind);
    mosDbgLayer_Destroy();
    EXPECT_EQ(kind, 0u); // no dump is written with the default kind
    EXPECT_EQ(path.rfind("./core-", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".dmp");
    EXPECT_FALSE(mosDbg_IsLayerUp());
}

TEST(DebugLayer, FilterPassesLanguageAndDebugOutputExceptions) {
    for (uint32_t code : {0xE06D7363u, 0x20474343u, 0x21474343u, 0x22474343u, 0x40010006u,
                          0x4001000Au, 0x406D1388u}) {
        OsCrashInfo info{};
        info.code = code;
        EXPECT_TRUE(mosDbg_ExceptionFilter(&info)) << std::hex << code;
    }
}

} // namespace
