#include "sdbg_exception.h"
#include "sdbg_os.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(ExceptionTest, KeepsAtMost255Characters) {
    const std::string longText(300, 'x');
    const Sdbg_Exception failure(longText.c_str());
    EXPECT_EQ(std::string(failure.GetText()), std::string(255, 'x'));
    const Sdbg_Exception copy(failure);
    EXPECT_EQ(std::strlen(copy.GetText()), 255u);
    EXPECT_STREQ(Sdbg_Exception(nullptr).GetText(), "");
}

TEST(ExceptionTest, TheWholeTreeIsCaughtAsTheRoot) {
    auto textOf = [](auto thrower) {
        try {
            thrower();
        } catch (const Sdbg_Exception &failure) {
            return std::string(failure.GetText());
        }
        return std::string("not caught");
    };
    EXPECT_EQ(textOf([] { throw Sdbg_LineParserException("p"); }), "p");
    EXPECT_EQ(textOf([] { throw SDbg_WorkerException("w"); }), "w");
    EXPECT_EQ(textOf([] { throw Sdbg_FEException("f"); }), "f");
    EXPECT_EQ(textOf([] { throw Sdbg_MemoryRsrcException("m"); }), "m");
    EXPECT_NE(textOf([] { throw Sdbg_TtyOutputException(); }), "not caught");
    EXPECT_NE(textOf([] { throw Sdbg_SockLinkException(); }), "not caught");
}

TEST(ExceptionTest, SystemTextIsTheMessageOfTheLastError) {
    std::FILE *pFile = std::fopen("no-such-directory/no-such-file", "r");
    ASSERT_EQ(pFile, nullptr);
    const uint32_t code = SdbgOs_GetLastError();
    const Sdbg_SystemException failure;
    char expected[256];
    ASSERT_NE(code, 0u);
    ASSERT_GT(SdbgOs_FormatSystemMessage(code, sizeof(expected), expected), 0u);
    EXPECT_STREQ(failure.GetText(), expected);
    EXPECT_EQ(Sdbg_LinkException().GetErrorCode(), 0u);
}

TEST(EventTest, WaitReturnsAtOnceOnASetEventAndLeavesItSet) {
    Sdbg_Event event;
    Sdbg_Event::Init(&event);
    Sdbg_Event::Set(&event);
    Sdbg_Event::Wait(&event);
    Sdbg_Event::Wait(&event);
    EXPECT_EQ(event.bSignalled, 1u);
    Sdbg_Event::Reset(&event);
    EXPECT_EQ(event.bSignalled, 0u);
    Sdbg_Event::Destroy(&event);
}

TEST(EventTest, SetWakesAWaiterOnAnotherThread) {
    Sdbg_Event event;
    Sdbg_Event::Init(&event);
    std::atomic<bool> bWoken{false};
    std::thread waiter([&] {
        Sdbg_Event::Wait(&event);
        bWoken = true;
    });
    Sdbg_Event::Set(&event);
    waiter.join();
    EXPECT_TRUE(bWoken);
    Sdbg_Event::Destroy(&event);
}

TEST(EventTest, WaitForEndsOnTheTimeOrOnSet) {
    Sdbg_Event event;
    Sdbg_Event::Init(&event);
    EXPECT_FALSE(Sdbg_Event::WaitFor(&event, 0));
    EXPECT_FALSE(Sdbg_Event::WaitFor(&event, 20));
    std::thread setter([&] { Sdbg_Event::Set(&event); });
    EXPECT_TRUE(Sdbg_Event::WaitFor(&event, 3600u * 1000u)); // an hour unless woken
    setter.join();
    EXPECT_TRUE(Sdbg_Event::WaitFor(&event, 0));
    Sdbg_Event::Destroy(&event);
}

TEST(MutexTest, ExcludesTheOtherThread) {
    Sdbg_Mutex mutex;
    Sdbg_Mutex::Init(&mutex);
    uint64_t counter = 0;
    auto add = [&] {
        for (int i = 0; i < 20000; ++i) {
            Sdbg_Mutex::Lock(&mutex);
            ++counter;
            Sdbg_Mutex::Unlock(&mutex);
        }
    };
    std::thread other(add);
    add();
    other.join();
    EXPECT_EQ(counter, 40000u);
    Sdbg_Mutex::Destroy(&mutex);
}

} // namespace

namespace {

class CountingRunnable : public Sdbg_ThrdRunnable {
  public:
    void Run() override {
        SdbgOs_Sleep(0);
        SdbgOs_Sleep(5);
        ++runs;
        Sdbg_Event::Set(&done);
    }
    std::atomic<int> runs{0};
    Sdbg_Event done{};
};

TEST(ThreadTest, StartedThreadRunsTheRunnableOnce) {
    CountingRunnable runnable;
    Sdbg_Event::Init(&runnable.done);
    SdbgOs_StartThread(&runnable);
    Sdbg_Event::Wait(&runnable.done);
    mosOsThrd_Destroy(&runnable.thread); // the viewer never joins; the test must
    EXPECT_EQ(runnable.runs, 1);
    Sdbg_Event::Destroy(&runnable.done);
}

} // namespace
