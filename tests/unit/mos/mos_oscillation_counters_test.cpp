#include "mos_oscillation_counters.h"

#include "core_layers.h"
#include "test_support.h"
#include "trace_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(OscCnt, NetCountersAreTheFirstTwentyFiveKinds) {
    mostest::EnsureCoreLayers();
    const std::pair<uint32_t, bool> cases[] = {
        {0, false}, {1, true}, {25, true}, {26, false}, {34, false}};
    for (auto [type, bNet] : cases) {
        EXPECT_EQ(mosOscCnt_IsNetCounter(type), bNet) << type;
    }
    mostest::TraceCapture trace;
    EXPECT_FALSE(mosOscCnt_IsNetCounter(35));
    EXPECT_NE(trace.Stop().find("Received an invalid counter type 35"), std::string::npos);
}

TEST(OscCnt, UnusedWindowLeavesItsRecordZero) {
    mostest::EnsureCoreLayers();
    MosOscCntWindow window{};
    window.threshold = 7;
    window.maxFailuresCount = 3;
    MosOscCntWindowQuery q;
    memset(&q, 0, sizeof q);
    mosOscCnt_FillWindowQuery(&window, &q);
    const MosOscCntWindowQuery zeros{};
    EXPECT_EQ(memcmp(&q, &zeros, sizeof q), 0);
    window.windowSizeTicks = 60000;
    window.lastOscillationTick = 1234;
    window.last = 9;
    mosOscCnt_FillWindowQuery(&window, &q);
    EXPECT_EQ(q.windowSizeInSec, 60u);
    EXPECT_EQ(q.threshold, 7u);
    EXPECT_EQ(uint64_t(q.lastOscillationTime), 1234u);
    EXPECT_EQ(q.maxFailuresCount, 3u);
    EXPECT_EQ(q.last, 9u);
}

uint32_t notified_G = 0;
void onOscillation(MosOscCnt * /*pCnt*/) {
    notified_G++;
}

class OscCntLayerTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosOscCntLayer_Init(nullptr), MOS_RC__SUCCESS);
        notified_G = 0;
    }
    void TearDown() override {
        mosOscCntLayer_Destroy();
        EXPECT_EQ(mosObjType_GetById(111), nullptr);
    }
    static MosOscCntEntry Query(MosOscCnt *pCnt) {
        MosOscCntEntry q{};
        mosObj_Query(&pCnt->objEntry, mosObjType_GetById(mosOscCnt_ObjTypeId(pCnt->counterType)),
                     &q);
        return q;
    }
};

TEST_F(OscCntLayerTest, EachKindIsAnObjectType) {
    const std::pair<uint32_t, uint32_t> samples[] = {{1, 111},  {2, 117},  {25, 142},
                                                     {26, 135}, {33, 143}, {34, 144}};
    for (auto [counterType, typeId] : samples) {
        EXPECT_EQ(mosOscCnt_ObjTypeId(counterType), typeId);
    }
    for (uint32_t typeId = 111; typeId <= 144; typeId++) {
        MosObjType *pType = mosObjType_GetById(typeId);
        ASSERT_NE(pType, nullptr) << typeId;
        EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 240u);
        EXPECT_EQ(mosObjType_GetNumObjs(pType), 0u);
    }
}

TEST_F(OscCntLayerTest, QueryCarriesPeerOnlyForNetCounters) {
    const uint32_t sizes[3] = {60, 0, 3600};
    const uint32_t thresholds[3] = {3, 5, 10};
    MosOscCnt net;
    MosOscCnt local;
    mosOscCnt_Init(&net, MOS_OSC_CNT_TYPE__SDC_MDM_NETWORK_DISCONNECTIONS, sizes, thresholds);
    mosOscCnt_Init(&local, MOS_OSC_CNT_TYPE__SDS_DECOUPLED, sizes, thresholds);
    for (MosOscCnt *p : {&net, &local}) {
        strcpy(p->addrStr, "10.0.0.1:7072");
        p->remoteObjId = 0xABCD;
        mosOscCnt_Register(p, "cnt");
    }
    MosOscCntEntry q = Query(&net);
    EXPECT_STREQ(q.addrStr, "10.0.0.1:7072");
    EXPECT_EQ(uint64_t(q.remoteObjId), 0xABCDu);
    EXPECT_EQ(q.shortWindow.windowSizeInSec, 60u);
    EXPECT_EQ(q.shortWindow.threshold, 3u);
    EXPECT_EQ(q.mediumWindow.windowSizeInSec, 0u);
    EXPECT_EQ(q.mediumWindow.threshold, 0u); // unused window: nothing written
    EXPECT_EQ(q.longWindow.windowSizeInSec, 3600u);
    q = Query(&local);
    EXPECT_EQ(q.addrStr[0], '\0');
    EXPECT_EQ(uint64_t(q.remoteObjId), 0u);
    mosOscCnt_Unregister(&net);
    mosOscCnt_Unregister(&local);
}

TEST_F(OscCntLayerTest, WindowsCountFailuresOverTime) {
    const uint32_t sizes[3] = {1, 0, 60};
    const uint32_t thresholds[3] = {3, 0, 4};
    MosOscCnt cnt;
    mosOscCnt_Init(&cnt, MOS_OSC_CNT_TYPE__MEMORY_ALLOCATION_FAILURES, sizes, thresholds);
    mosOscCnt_Register(&cnt, "mem");
    mosOscCnt_SetFailureNotifyCK(cnt.counterType, onOscillation);
    for (int i = 0; i < 3; i++) {
        mosOscCnt_NotifyFailure(&cnt);
    }
    MosOscCntEntry q = Query(&cnt);
    EXPECT_EQ(q.shortWindowCurrentCount, 3u);
    EXPECT_EQ(q.shortWindow.lastOscillationCount, 3u);
    EXPECT_EQ(q.longWindowCurrentCount, 3u);
    EXPECT_EQ(q.longWindow.lastOscillationCount, 0u);
    EXPECT_EQ(notified_G, 1u);
    // The short window runs out; the long one keeps counting.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    mosOscCnt_NotifyFailure(&cnt);
    q = Query(&cnt);
    EXPECT_EQ(q.shortWindowCurrentCount, 1u);
    EXPECT_EQ(q.shortWindow.maxFailuresCount, 3u);
    EXPECT_EQ(q.longWindowCurrentCount, 4u);
    EXPECT_EQ(q.longWindow.lastOscillationCount, 4u);
    EXPECT_EQ(notified_G, 2u);
    mosOscCnt_SetFailureNotifyCK(cnt.counterType, nullptr);
    mosOscCnt_Unregister(&cnt);
}

// Each window notifies once, when its count reaches the threshold; the
// failures past it in the same window notify nothing more.
TEST_F(OscCntLayerTest, EachWindowNotifiesOnceAtItsThreshold) {
    const uint32_t sizes[3] = {3600, 3600, 3600}; // no window runs out here
    const uint32_t thresholds[3] = {2, 3, 5};
    MosOscCnt cnt;
    mosOscCnt_Init(&cnt, MOS_OSC_CNT_TYPE__SDS_LONG_OPERATIONS, sizes, thresholds);
    mosOscCnt_SetFailureNotifyCK(cnt.counterType, onOscillation);
    // Notifications seen after failure 1, 2, ...
    const uint32_t expected[] = {0, 1, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3};
    for (uint32_t i = 0; i < sizeof expected / sizeof expected[0]; i++) {
        mosOscCnt_NotifyFailure(&cnt);
        EXPECT_EQ(notified_G, expected[i]) << "after failure " << i + 1;
    }
    for (uint32_t w = 0; w < 3; w++) {
        EXPECT_EQ(cnt.windows[w].lastOscillationCount, thresholds[w]) << w;
        EXPECT_EQ(cnt.windows[w].currentCount, 12u) << w;
        EXPECT_EQ(cnt.windows[w].maxFailuresCount, 12u) << w;
    }
    mosOscCnt_SetFailureNotifyCK(cnt.counterType, nullptr);
}

void destroyWithCallbackLeft() {
    mostest::StdoutToStderr();
    mostest::EnsureCoreLayers();
    (void)mosOscCntLayer_Init(nullptr);
    mosOscCnt_SetFailureNotifyCK(3, onOscillation);
    mosOscCntLayer_Destroy();
}

TEST(OscCntDeathTest, DestroyWithACallbackLeftIsFatal) {
    EXPECT_EXIT(destroyWithCallbackLeft(), mostest::ExitedWithMinusOne,
                "mosOscCntFailureNotifyCKs\\[idx\\] == \\(\\(void \\*\\)0\\)");
}

} // namespace
