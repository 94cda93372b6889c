#include "mos_debug.h"
#include "trace_fixture.h"
#include "usr/mos_os_thread.h"
#include "usr/os_crash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
                &thrd,
                [](void *) {
                    volatile uintptr_t badAddress = 16; // hidden from the optimiser
                    *reinterpret_cast<volatile int *>(badAddress) = 1;
                },
                nullptr);
            mosOsThrd_Destroy(&thrd);
            exit(0);
        },
        mostest::ExitedWithMinusOne, "");
    auto lines = ReadLines("exp.0");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]
                  .substr(MOS_TIMESTAMP_LEN)
                  .find("Unhandled exception caught. Exception code 0xc0000005. IP "),
              0u)
        << lines[0];
    EXPECT_NE(lines[1].find("function mosDbg_ExceptionFilter, PID "), std::string::npos);
    EXPECT_NE(lines[1].find(".Panic Expression 0 ."), std::string::npos);
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
        mostest::ExitedWithMinusOne, "");
    auto lines = ReadLines("exp.0");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]
                  .substr(MOS_TIMESTAMP_LEN)
                  .find("Unhandled exception caught. Exception code 0xc00000fd. IP "),
              0u)
        << lines[0];
}

// Panics with crash dumps enabled and the given free-space minimum.
class CrashDumpTest : public DebugLayerTest {
  protected:
    void PanicWithCoreEnabled(uint64_t minFreeBytes) {
        EXPECT_EXIT(
            {
                MosDbgParams p = Params(true, false);
                p.dbg_enable_core = 1;
                p.dbg_core_type = 1;
                p.coreMinFreeDiskBytes = minFreeBytes;
                Start(p);
                ALWAYS_ASSERT();
            },
            mostest::ExitedWithMinusOne, "");
    }
};

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
