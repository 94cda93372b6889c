#include "mos_user_context.h"

#include "../test_support.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<uint32_t, uint64_t>> cleaned_G;

void recordCleanup(uint32_t contextMagic, uint64_t value) {
    cleaned_G.emplace_back(contextMagic, value);
}

class UserContextArrTest : public testing::TestWithParam<uint32_t> {
  protected:
    void SetUp() override {
        cleaned_G.clear();
        mosUserContextArr_Init(&arr_, slots_, MOS_USER_CONTEXT_THRD_SLOTS, GetParam());
    }
    void TearDown() override { mosUserContextArr_Destroy(&arr_); }

    MosUserContextSlot slots_[MOS_USER_CONTEXT_THRD_SLOTS] = {};
    MosUserContextArr arr_ = {};
};

TEST_P(UserContextArrTest, DeferredOnlyClearWithNothingPendingDoesNothing) {
    ASSERT_EQ(mosUserContextArr_Set(&arr_, 0x10001, 5, recordCleanup), MOS_RC__SUCCESS);
    mosUserContextArr_ClearAll(&arr_, 1);
    EXPECT_TRUE(cleaned_G.empty());
    EXPECT_EQ(slots_[0].value, 5u);
}

TEST_P(UserContextArrTest, FullClearCallsEachFilledSlotsCallbackOnce) {
    ASSERT_EQ(mosUserContextArr_Set(&arr_, 0x10001, 11, recordCleanup), MOS_RC__SUCCESS);
    ASSERT_EQ(mosUserContextArr_Set(&arr_, 0x10002, 22, recordCleanup), MOS_RC__SUCCESS);
    mosUserContextArr_ClearAll(&arr_, 0);
    std::vector<std::pair<uint32_t, uint64_t>> expected = {{0x10001, 11}, {0x10002, 22}};
    EXPECT_EQ(cleaned_G, expected);
    for (const MosUserContextSlot &slot : slots_) {
        EXPECT_EQ(slot.magic, 0u);
        EXPECT_EQ(slot.value, 0u);
        EXPECT_EQ(slot.pCleanupCK, nullptr);
    }
    EXPECT_EQ(arr_.editOpInProgress, 0u);
}

TEST_P(UserContextArrTest, DeferredClearWaitsForTheDeferredPass) {
    ASSERT_EQ(mosUserContextArr_Set(&arr_, 0x10001, 1, recordCleanup), MOS_RC__SUCCESS);
    ASSERT_EQ(mosUserContextArr_Set(&arr_, 0x10002, 2, recordCleanup), MOS_RC__SUCCESS);
    EXPECT_EQ(mosUserContextArr_Clear(&arr_, 0x10002, 1), MOS_RC__SUCCESS);
    EXPECT_EQ(mosUserContextArr_Clear(&arr_, 0x10002, 1), MOS_RC__SUCCESS); // counted once
    EXPECT_EQ(arr_.numPendingDeferredClears, 1u);
    EXPECT_TRUE(cleaned_G.empty());
    mosUserContextArr_ClearAll(&arr_, 1);
    EXPECT_EQ(cleaned_G, (std::vector<std::pair<uint32_t, uint64_t>>{{0x10002, 2}}));
    EXPECT_EQ(arr_.numPendingDeferredClears, 0u);
    uint64_t value = 0;
    EXPECT_EQ(mosUserContextArr_Get(&arr_, 0x10001, &value), MOS_RC__SUCCESS);
    EXPECT_EQ(value, 1u);
}

TEST_P(UserContextArrTest, SetGetClearAndTheirErrors) {
    struct Case {
        const char *pWhat;
        MOS_RC rc;
    };
    for (uint32_t i = 1; i <= MOS_USER_CONTEXT_THRD_SLOTS; ++i) {
        EXPECT_EQ(mosUserContextArr_Set(&arr_, 0x20000 + i, i, nullptr), MOS_RC__SUCCESS);
    }
    uint64_t value = 0;
    const Case cases[] = {
        {"full", mosUserContextArr_Set(&arr_, 0x30000, 9, nullptr)},
        {"replace", mosUserContextArr_Set(&arr_, 0x20001, 7, recordCleanup)},
        {"magic 0 set", mosUserContextArr_Set(&arr_, 0, 1, nullptr)},
        {"magic 0 get", mosUserContextArr_Get(&arr_, 0, &value)},
        {"unknown get", mosUserContextArr_Get(&arr_, 0x30000, &value)},
        {"unknown clear", mosUserContextArr_Clear(&arr_, 0x30000, 0)},
        {"clear", mosUserContextArr_Clear(&arr_, 0x20001, 0)},
        {"cleared get", mosUserContextArr_Get(&arr_, 0x20001, &value)},
    };
    const MOS_RC expected[] = {MOS_RC__NO_RESOURCES, MOS_RC__SUCCESS,   MOS_RC__INVALID,
                               MOS_RC__INVALID,      MOS_RC__NOT_FOUND, MOS_RC__NOT_FOUND,
                               MOS_RC__SUCCESS,      MOS_RC__NOT_FOUND};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].rc, expected[i]) << cases[i].pWhat;
    }
    EXPECT_EQ(cleaned_G, (std::vector<std::pair<uint32_t, uint64_t>>{{0x20001, 7}}));
}

// A retired magic frees its slots on every array at once: a full array
// takes a new magic in such a slot, and a full clear drops the retired
// slots without their callbacks.
TEST_P(UserContextArrTest, RetiredMagicsFreeTheirSlots) {
    ASSERT_EQ(mosUserContext_LayerInit(nullptr), MOS_RC__SUCCESS);
    uint32_t magics[MOS_USER_CONTEXT_THRD_SLOTS + 1];
    for (uint32_t &magic : magics) {
        magic = mosUserContext_GenerateContextMagic();
    }
    for (uint32_t i = 0; i < MOS_USER_CONTEXT_THRD_SLOTS; ++i) {
        ASSERT_EQ(mosUserContextArr_Set(&arr_, magics[i], i, recordCleanup), MOS_RC__SUCCESS);
    }
    const uint32_t fresh = magics[MOS_USER_CONTEXT_THRD_SLOTS];
    EXPECT_EQ(mosUserContextArr_Set(&arr_, fresh, 9, recordCleanup), MOS_RC__NO_RESOURCES);
    mosUserContext_RetireContextMagic(magics[1]);
    mosUserContext_RetireContextMagic(magics[3]);
    ASSERT_EQ(mosUserContextArr_Set(&arr_, fresh, 9, recordCleanup), MOS_RC__SUCCESS);
    EXPECT_EQ(static_cast<uint32_t>(slots_[1].magic), fresh);
    uint64_t value = 0;
    EXPECT_EQ(mosUserContextArr_Get(&arr_, fresh, &value), MOS_RC__SUCCESS);
    EXPECT_EQ(value, 9u);
    // Retiring again, and drawing the base again, change nothing.
    mosUserContext_RetireContextMagic(magics[3]);
    ASSERT_EQ(mosUserContext_LayerInit(nullptr), MOS_RC__SUCCESS);
    mosUserContextArr_ClearAll(&arr_, 0);
    EXPECT_EQ(cleaned_G, (std::vector<std::pair<uint32_t, uint64_t>>{
                             {magics[0], 0}, {fresh, 9}, {magics[2], 2}}));
}

INSTANTIATE_TEST_SUITE_P(LockedAndNot, UserContextArrTest, testing::Values(0u, 1u));

TEST(UserContextMagic, CarriesTheBaseAndRunsOutAtTheLimit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(mosUserContext_LayerInit(nullptr), MOS_RC__SUCCESS);
    const uint32_t base = mosUserContext_GetMagicBase();
    EXPECT_NE(base, 0u);
    EXPECT_EQ(base & 0xFFFF, 0u);
    const uint32_t magic = mosUserContext_GenerateContextMagic();
    EXPECT_EQ(magic & 0xFFFF0000, base);
    EXPECT_EQ(mosUserContext_GenerateContextMagic(), magic + 1);
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            for (;;) {
                (void)mosUserContext_GenerateContextMagic();
            }
        },
        mostest::ExitedWithMinusOne, "Expression contextIndex < 0xFFFF");
}

} // namespace
