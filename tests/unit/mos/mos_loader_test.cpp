#include "mos_loader.h"
#include "trace_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> calls_G;

template <int N, MOS_RC RC> MOS_RC fakeInit(void *pArg) {
    calls_G.push_back("init" + std::to_string(N) + (pArg != nullptr ? "+arg" : ""));
    return RC;
}
template <int N> void fakeDestroy() {
    calls_G.push_back("destroy" + std::to_string(N));
}

TEST(Loader, FailingEntryUnwindsTheEarlierOnesLastFirst) {
    int arg = 0;
    MosLoaderEntry table[] = {
        {fakeInit<0, MOS_RC__SUCCESS>, &arg, fakeDestroy<0>},
        {fakeInit<1, MOS_RC__SUCCESS>, nullptr, fakeDestroy<1>},
        {fakeInit<2, MOS_RC__ERROR>, nullptr, fakeDestroy<2>},
        {fakeInit<3, MOS_RC__SUCCESS>, nullptr, fakeDestroy<3>},
    };
    calls_G.clear();
    MosTrcParams params{};
    params.trc_stdout = 1;
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    testing::internal::CaptureStdout();
    EXPECT_EQ(mosLoader_Load(table, 4), MOS_RC__ERROR);
    std::string out = testing::internal::GetCapturedStdout();
    mosTrcLayer_Destroy();
    EXPECT_EQ(calls_G,
              (std::vector<std::string>{"init0+arg", "init1", "init2", "destroy1", "destroy0"}));
    EXPECT_NE(out.find("mosLoader_Load-failed to run 2.Status 1(ERROR)\n"), std::string::npos)
        << out;
}

TEST(Loader, EmptyTableAndUnload) {
    calls_G.clear();
    EXPECT_EQ(mosLoader_Load(nullptr, 0), MOS_RC__SUCCESS);
    EXPECT_TRUE(calls_G.empty());
    MosLoaderEntry table[] = {
        {fakeInit<0, MOS_RC__SUCCESS>, nullptr, fakeDestroy<0>},
        {fakeInit<1, MOS_RC__SUCCESS>, nullptr, nullptr},
        {fakeInit<2, MOS_RC__SUCCESS>, nullptr, fakeDestroy<2>},
    };
    EXPECT_EQ(mosLoader_Load(table, 3), MOS_RC__SUCCESS);
    mosLoader_Unload(table, 3);
    EXPECT_EQ(calls_G,
              (std::vector<std::string>{"init0", "init1", "init2", "destroy2", "destroy0"}));
}

TEST(Loader, LockSettingsKeepWhatAZeroFieldDoesNotReplace) {
    MosLockSettings before = mosLockSettings_Get();
    EXPECT_EQ(mosLockSettings_Init(nullptr), MOS_RC__SUCCESS);
    MosLockSettings same = mosLockSettings_Get();
    EXPECT_EQ(same.periodLog2, before.periodLog2);
    MosLockParams params{};
    params.instrumented_lock_max_contention = 77;
    params.lock_use_spinlock = 1;
    EXPECT_EQ(mosLockSettings_Init(&params), MOS_RC__SUCCESS);
    MosLockSettings after = mosLockSettings_Get();
    EXPECT_EQ(after.periodLog2, before.periodLog2);
    EXPECT_EQ(after.maxContention, 77u);
    EXPECT_EQ(after.maxLatencyCycles, before.maxLatencyCycles);
    EXPECT_EQ(after.bUseSpinlock, 1u);
}

// A start without a parameter block brings every layer up with its
// defaults and writes nothing anywhere. It runs in a child process, whose
// layers are never unloaded, as in the programs. The child starts afresh
// rather than as a copy of this process, in which earlier tests may have
// started layers already (a second start would leak the first one's
// records, and the leak check at the child's exit would report them).
TEST(LoaderDeathTest, InitWithoutBlockStartsEveryLayerQuietly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MOS_RC rc = mos_Init(nullptr);
            MOS_TRACE(MOS_COMP_MOS, 1, "nobody hears this");
            fprintf(stderr, "rc=%u\n", rc);
            exit(rc == MOS_RC__SUCCESS ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^rc=65\n$");
}

} // namespace
