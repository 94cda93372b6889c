#include "mos_once.h"

#include "../core_layers.h"
#include "../test_support.h"

#include <gtest/gtest.h>

namespace {

struct Calls {
    int inits = 0;
    int destroys = 0;
    MOS_RC initResult = MOS_RC__SUCCESS;
};

MOS_RC countInit(void *pUserData) {
    auto *pCalls = static_cast<Calls *>(pUserData);
    pCalls->inits++;
    return pCalls->initResult;
}

void countDestroy(void *pUserData) {
    static_cast<Calls *>(pUserData)->destroys++;
}

class OnceTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(mosOnceLayer_Create(nullptr), MOS_RC__SUCCESS); }
    void TearDown() override { mosOnceLayer_Destroy(); }
    Calls calls_;
    MosOnce once_{countInit, countDestroy, &calls_, 0};
};

TEST_F(OnceTest, InitRunsOnceAndDestroyOnTheLastLeave) {
    EXPECT_EQ(mosOnce_RunInit(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(mosOnce_RunInit(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(calls_.inits, 1);
    EXPECT_EQ(once_.ref, 2u);
    EXPECT_EQ(mosOnce_RunDestroy(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(calls_.destroys, 0);
    EXPECT_EQ(mosOnce_RunDestroy(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(calls_.destroys, 1);
    EXPECT_EQ(once_.ref, 0u);
}

TEST_F(OnceTest, FailedInitIsTriedAgainByTheNextUser) {
    calls_.initResult = MOS_RC__NO_RESOURCES;
    EXPECT_EQ(mosOnce_RunInit(&once_), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(once_.ref, 0u);
    calls_.initResult = MOS_RC__SUCCESS;
    EXPECT_EQ(mosOnce_RunInit(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(calls_.inits, 2);
    EXPECT_EQ(once_.ref, 1u);
    EXPECT_EQ(mosOnce_RunDestroy(&once_), MOS_RC__SUCCESS);
}

TEST_F(OnceTest, LeavingMoreOftenThanEnteringStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EQ(mosOnce_RunInit(&once_), MOS_RC__SUCCESS);
    EXPECT_EQ(mosOnce_RunDestroy(&once_), MOS_RC__SUCCESS);
    EXPECT_EXIT((mostest::StdoutToStderr(), mosOnce_RunDestroy(&once_)),
                mostest::ExitedWithMinusOne,
                "function mosOnce_RunDestroy, PID .*Expression pOnce->ref != 0 \\.");
}

TEST(RSyslog, InitOnceLeavesAFreshState) {
    mosRSyslog_G.bEnabled = 5;
    EXPECT_EQ(mosRSyslog_InitOnce(), MOS_RC__SUCCESS);
    EXPECT_EQ(mosRSyslog_G.bEnabled, 0u);
    EXPECT_EQ(mosFastlockBase_Acquire(&mosRSyslog_G.lock), 0u);
    mosFastlockBase_Release(&mosRSyslog_G.lock);
}

} // namespace
