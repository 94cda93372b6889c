// The test-hook conditions and actions, and their tables by number.
#include "core_layers.h"
#include "mos_diag_counters.h"
#include "mos_fastlock.h"
#include "mos_ut.h"
#include "test_support.h"
#include "umt/umt_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TEST(MosUtThresh, ConditionsAgainstTheirParameter) {
    struct Case {
        MosUtThreshFn pFn;
        uint64_t param;
        uint64_t value;
        bool bExpected;
    };
    const Case cases[] = {
        {mosUtThresh_Always, 0, 0, true},
        {mosUtThresh_EqualsTo, 5, 5, true},
        {mosUtThresh_EqualsTo, 5, 6, false},
        {mosUtThresh_BiggerThan, 5, 6, true},
        {mosUtThresh_BiggerThan, 5, 5, false},
        {mosUtThresh_SmallerThan, 5, 4, true},
        {mosUtThresh_SmallerThan, 5, 5, false},
        {mosUtThresh_DifferentThan, 5, 4, true},
        {mosUtThresh_DifferentThan, 5, 5, false},
        {mosUtThresh_RandOneOf, 0, 9, true},
        {mosUtThresh_RandOneOf, 1, 9, true},
        {mosUtThresh_IsEven, 0, 4, true},
        {mosUtThresh_IsEven, 0, 7, false},
        {mosUtThresh_IsOdd, 0, 7, true},
        {mosUtThresh_IsOdd, 0, ~uint64_t{0} - 1, false},
        {mosUtThresh_CountTimes, 0, 0, false},
    };
    for (const Case &c : cases) {
        MosUtThresh thresh = {c.param};
        EXPECT_EQ(c.pFn(&thresh, c.value), c.bExpected) << c.param << " " << c.value;
    }
}

TEST(MosUtThresh, CountTimesFiresTheFirstNTimes) {
    MosUtThresh thresh = {3};
    std::string fired;
    for (int i = 0; i < 5; i++) {
        fired += mosUtThresh_CountTimes(&thresh, 0) ? 'T' : 'F';
    }
    EXPECT_EQ(fired, "TTTFF");
}

TEST(MosUtThresh, RandOneOfFiresNowAndThen) {
    MosUtThresh thresh = {4};
    int fired = 0;
    for (int i = 0; i < 4000; i++) {
        fired += mosUtThresh_RandOneOf(&thresh, 0) ? 1 : 0;
    }
    EXPECT_GT(fired, 0);
    EXPECT_LT(fired, 4000);
}

uint64_t sumArgs(MosUtAction *pAction, uint64_t a0, uint64_t a1, uint64_t a2) {
    return pAction->param + a0 + a1 + a2;
}

TEST(MosUtAction, ActionsReturnTheirResults) {
    mostest::EnsureCoreLayers();
    int ctx = 0;
    MosUtAction constant = {42, nullptr, {}};
    EXPECT_EQ(mosUtAction_ReturnConstant(&constant, nullptr), 42u);
    EXPECT_EQ(mosUtAction_ReturnUserCtx(&constant, &ctx), reinterpret_cast<uintptr_t>(&ctx));
    MosUtAction limited = {10, nullptr, {}};
    EXPECT_LT(mosUtAction_ReturnRandLimited(&limited, nullptr), 10u);
    MosUtAction unlimited = {0, nullptr, {}};
    EXPECT_EQ(mosUtAction_ReturnRandLimited(&unlimited, nullptr), 0u);
    MosUtAction spin = {1000, nullptr, {}};
    EXPECT_EQ(mosUtAction_SpinInPlace(&spin, nullptr), 1000u);
    MosUtAction call = {1, sumArgs, {10, 100, 1000}};
    EXPECT_EQ(mosUtAction_CallCk(&call, nullptr), 1111u);
    MosUtAction noCall = {1, nullptr, {10, 100, 1000}};
    EXPECT_EQ(mosUtAction_CallCk(&noCall, nullptr), 0u);
}

TEST(MosUtAction, DelaysLastTheirMilliseconds) {
    mostest::EnsureCoreLayers();
    MosUtAction delay = {20, nullptr, {}};
    const uint64_t start = mosTicks_GetCurrent();
    EXPECT_EQ(mosUtAction_DelayThread(&delay, nullptr), 20u);
    EXPECT_GE(mosTicks_MillisSince(start), 20u);
    // Exit weight 0 never exits, whatever the delay weight (0 included).
    for (uint32_t delayWeight : {0u, 1u, 1000u}) {
        MosUtAction exitOrDelay = {mosUt_ExitOrDelayParam(0, delayWeight, 5), nullptr, {}};
        const uint64_t t0 = mosTicks_GetCurrent();
        EXPECT_EQ(mosUtAction_ExitOrDelay(&exitOrDelay, nullptr), 0u);
        EXPECT_GE(mosTicks_MillisSince(t0), 5u);
    }
}

uint32_t counterNamed(const char *pName) {
    static MosDiagCounterEntry entries[MOS_DIAG_COUNTER__LAST];
    MosDiagCountersQuery query = {MOS_DIAG_COUNTER__LAST, 0, {}, entries};
    EXPECT_EQ(mosDiagCounters_QueryExt(&query, false), MOS_RC__SUCCESS);
    for (uint32_t i = 0; i < query.count; i++) {
        if (std::string(entries[i].name) == pName) {
            return entries[i].value;
        }
    }
    ADD_FAILURE() << "no counter " << pName;
    return 0;
}

uint32_t crazySpins() {
    return counterNamed("CRAZY_SCHED_SPIN");
}

uint32_t crazyYields() {
    return counterNamed("CRAZY_SCHED_UMT_YIELD");
}

TEST(MosUtAction, CrazySchedCountsItsSpins) {
    mostest::EnsureCoreLayers();
    MosUtAction never = {0, nullptr, {}};
    MosUtAction always = {1, nullptr, {}};
    const uint32_t before = crazySpins();
    EXPECT_EQ(mosUtAction_CrazySched(&never, nullptr), 0u);
    EXPECT_EQ(mosUtAction_CrazySched(&always, nullptr), 0u);
    EXPECT_EQ(mosUtAction_CrazySched(&always, nullptr), 0u);
    EXPECT_EQ(crazySpins() - before, 2u);
}

// On a user-mode thread that may be switched out, a turn without a spin
// yields: the other thread queued on the same scheduler thread runs first.
// A thread holding a fast lock, or one that spun, does not yield.
class CrazySchedUmtTest : public mostest::UmtTest {};

TEST_F(CrazySchedUmtTest, YieldsAUserModeThreadThatMaySwitch) {
    StartSched("RR", 2);
    MosUtAction never = {0, nullptr, {}};
    MosUtAction always = {1, nullptr, {}};
    MosFastlock lock;
    mosFastlock_Create(&lock);
    std::string order;
    std::function<void()> a = [&] {
        order += 'a';
        mosFastlockBase_Acquire(&lock);
        EXPECT_EQ(mosUtAction_CrazySched(&never, nullptr), 0u); // holds a lock: no yield
        mosFastlockBase_Release(&lock);
        order += 'A';
        EXPECT_EQ(mosUtAction_CrazySched(&always, nullptr), 0u); // spins instead
        order += 's';
        EXPECT_EQ(mosUtAction_CrazySched(&never, nullptr), 0u); // yields to b
        order += 'y';
    };
    std::function<void()> b = [&] { order += 'b'; };
    const uint32_t spinsBefore = crazySpins();
    const uint32_t yieldsBefore = crazyYields();
    RunQueuedTogether({&a, &b});
    EXPECT_EQ(order, "aAsby");
    EXPECT_EQ(crazySpins() - spinsBefore, 1u);
    EXPECT_EQ(crazyYields() - yieldsBefore, 1u);
    // On an operating-system thread there is nothing to yield.
    EXPECT_EQ(mosUtAction_CrazySched(&never, nullptr), 0u);
    EXPECT_EQ(crazyYields() - yieldsBefore, 1u);
    mosFastlockBase_Destroy(&lock);
}

TEST(MosUt, TablesByNumber) {
    EXPECT_STREQ(mosUt_ThreshName(0), "None");
    EXPECT_STREQ(mosUt_ThreshName(1), "mosUtThresh_Always");
    EXPECT_STREQ(mosUt_ThreshName(9), "mosUtThresh_CountTimes");
    EXPECT_STREQ(mosUt_ThreshName(10), "INVALID");
    EXPECT_STREQ(mosUt_ThreshName(1000), "INVALID");
    EXPECT_STREQ(mosUt_ActionName(0), "None");
    EXPECT_STREQ(mosUt_ActionName(10), "mosUtAction_CrazySched");
    EXPECT_STREQ(mosUt_ActionName(11), "INVALID");
    EXPECT_EQ(mosUt_ThreshFn(0), nullptr);
    EXPECT_EQ(mosUt_ThreshFn(3), mosUtThresh_BiggerThan);
    EXPECT_EQ(mosUt_ThreshFn(10), nullptr);
    EXPECT_EQ(mosUt_ActionFn(9), mosUtAction_CallCk);
    EXPECT_EQ(mosUt_ActionFn(11), nullptr);
}

TEST(MosUtActionDeathTest, CrashAndExitEndTheProcess) {
    MosUtAction action = {0, nullptr, {}};
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosUtAction_Crash(&action, nullptr)),
                mostest::ExitedWithMinusOne, "ALWAYS_ASSERT");
    EXPECT_EXIT((void)mosUtAction_Exit(&action, nullptr), mostest::ExitedWithMinusOne, "");
    MosUtAction alwaysExit = {mosUt_ExitOrDelayParam(1, 0, 0), nullptr, {}};
    EXPECT_EXIT((void)mosUtAction_ExitOrDelay(&alwaysExit, nullptr), mostest::ExitedWithMinusOne,
                "");
}

} // namespace
