#include "mos_cyclic_buffer.h"

#include "core_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

class CyclicBufferTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosCyclicBuffer_Create(&cyc_, 32), MOS_RC__SUCCESS);
    }
    void TearDown() override { mosCyclicBuffer_Destroy(&cyc_); }
    MosCyclicBuffer cyc_{};
};

TEST_F(CyclicBufferTest, HoldsExactlyItsCapacity) {
    std::vector<uint8_t> in(32), out(32);
    std::iota(in.begin(), in.end(), 1);
    EXPECT_EQ(cyc_.size, 33u);
    EXPECT_EQ(mosCyclicBuffer_Write(&cyc_, in.data(), 32), MOS_RC__SUCCESS);
    EXPECT_EQ(mosCyclicBuffer_GetUsedBytes(&cyc_), 32u);
    EXPECT_EQ(mosCyclicBuffer_Write(&cyc_, in.data(), 1), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(mosCyclicBuffer_Read(&cyc_, out.data(), 32), MOS_RC__SUCCESS);
    EXPECT_EQ(out, in);
    EXPECT_EQ(mosCyclicBuffer_GetUsedBytes(&cyc_), 0u);
}

TEST_F(CyclicBufferTest, FailedCallsChangeNothing) {
    uint8_t bytes[40] = {};
    ASSERT_EQ(mosCyclicBuffer_Write(&cyc_, bytes, 10), MOS_RC__SUCCESS);
    const MosCyclicBuffer before = cyc_;
    EXPECT_EQ(mosCyclicBuffer_Read(&cyc_, bytes, 11), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(mosCyclicBuffer_Write(&cyc_, bytes, 23), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(cyc_.readOffset, before.readOffset);
    EXPECT_EQ(cyc_.writeOffset, before.writeOffset);
}

// Writes and reads that straddle the end of the storage in every split.
TEST_F(CyclicBufferTest, WrapsAroundInOrder) {
    uint8_t next = 0, expect = 0;
    for (uint64_t chunk : {5u, 13u, 32u, 1u, 31u, 20u, 17u}) {
        std::vector<uint8_t> in(chunk), out(chunk);
        for (auto &b : in) {
            b = next++;
        }
        ASSERT_EQ(mosCyclicBuffer_Write(&cyc_, in.data(), chunk), MOS_RC__SUCCESS) << chunk;
        ASSERT_EQ(mosCyclicBuffer_GetUsedBytes(&cyc_), chunk);
        ASSERT_EQ(mosCyclicBuffer_Read(&cyc_, out.data(), chunk), MOS_RC__SUCCESS);
        for (uint8_t b : out) {
            EXPECT_EQ(b, expect++);
        }
        EXPECT_LT(cyc_.readOffset, cyc_.size);
    }
}

TEST(CyclicBufferDeathTest, CapacityAboveTheAllocatorLimitStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    MosCyclicBuffer cyc{};
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosCyclicBuffer_Create(&cyc, MOS_MEM_MAX_SIZE)),
                mostest::ExitedWithMinusOne,
                "Calloc: mosCyclicBuffer_Create size 83886081!!!!!!!!! SIZE TOO LARGE");
}

} // namespace
