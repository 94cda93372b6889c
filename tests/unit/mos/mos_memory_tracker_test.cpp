#include "mos_memory_tracker.h"

#include "core_layers.h"
#include "test_support.h"
#include "trace_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class MemTrackerTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosMemTrackerLayer_Init(nullptr), MOS_RC__SUCCESS);
        ASSERT_EQ(mosMemTrackerObjLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        mosMemTrackerObjLayer_Destroy();
        mosMemTrackerLayer_Destroy();
    }
    static std::string Dump(uint32_t command) {
        mostest::TraceCapture trace;
        mos_TrackMemDump(&memoryTrackerLayer_G.obj, command, 0, nullptr);
        return trace.Stop();
    }
};

TEST_F(MemTrackerTest, EmptyTrackerQueriesZerosAndDumpsHeaderOnly) {
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_MEMORY_TRACKER);
    ASSERT_NE(pType, nullptr);
    EXPECT_EQ(mosObjType_GetNumObjs(pType), 1u);
    _MosMemoryTracker_Query q;
    memset(&q, 0xAB, sizeof q);
    mosObj_Query(&memoryTrackerLayer_G.obj, pType, &q);
    const _MosMemoryTracker_Query zeros{};
    EXPECT_EQ(memcmp(&q, &zeros, sizeof q), 0);
    const std::string out = Dump(MOS_MEM_TRACKER_CMD_DUMP);
    EXPECT_NE(
        out.find("Dumping memory tracker contents - allocated blocks 0, allocated memory 0MB, "
                 "allocated shm memory 0MB\n total num success allocations 0, total num "
                 "freed allocations 0, total num failed allocations 0\n"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("Finished dumping memory tracker contents\n"), std::string::npos);
    EXPECT_EQ(out.find("Memory 0x"), std::string::npos);
    EXPECT_EQ(Dump(2), ""); // other command codes do nothing
}

TEST_F(MemTrackerTest, TrackedBlocksAreCountedAndDumped) {
    void *pBig = mosMemTracker_Alloc(3u << 20, false, "big.cpp", 10);
    void *pShm = mosMemTracker_Alloc(2u << 20, true, "shm.cpp", 20);
    void *pSmall = mosMemTracker_Alloc(100, false, "small.cpp", 30);
    ASSERT_TRUE(pBig != nullptr && pShm != nullptr && pSmall != nullptr);
    mosMemTracker_Free(pSmall);
    _MosMemoryTracker_Query q{};
    mos_TrackMemQuery(&q);
    EXPECT_EQ(q.numAllocatedMemoryBlocks, 2u);
    EXPECT_EQ(q.totalAllocatedMemorySizeMB, 5u);
    EXPECT_EQ(q.totalShmAllocatedMemorySizeMB, 2u);
    EXPECT_EQ(q.numAllocationsSucceeded, 3u);
    EXPECT_EQ(q.numAllocationsFreed, 1u);
    const std::string out = Dump(MOS_MEM_TRACKER_CMD_DUMP);
    EXPECT_NE(out.find("allocated at big.cpp:10 time "), std::string::npos) << out;
    EXPECT_NE(out.find("size 2097152 bytes\n"), std::string::npos);
    EXPECT_EQ(out.find("small.cpp"), std::string::npos);
    mosMemTracker_Free(pBig);
    mosMemTracker_Free(pShm);
}

void leakAtDestroy() {
    mostest::StdoutToStderr();
    mostest::EnsureCoreLayers();
    (void)mosMemTrackerLayer_Init(nullptr);
    (void)mosMemTracker_Alloc(64, false, "leaky.cpp", 7);
    mosMemTrackerLayer_Destroy();
}

TEST(MemTrackerDeathTest, LeakEndsTheProcessAtDestroy) {
    EXPECT_EXIT(leakAtDestroy(), mostest::ExitedWithMinusOne, "ALWAYS_ASSERT");
}

} // namespace
