#include "mos_ds_hash.h"

#include "core_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Item {
    MosHashRecord rec;
    int payload;
};

uint32_t modSeven(uint64_t key, uint64_t parm) {
    return static_cast<uint32_t>(key % parm);
}

uint32_t sameParity(uint64_t recordKey, uint64_t key, uint64_t) {
    return (recordKey & 1) == (key & 1);
}

class HashTest : public testing::Test {
  protected:
    void SetUp() override { mostest::EnsureCoreLayers(); }
    void TearDown() override {
        if (hash_.pBuckets != nullptr) {
            mosHash_Clear(&hash_);
            mosHash_Delete(&hash_);
        }
    }
    uint32_t bucketOf(uint64_t key) {
        return static_cast<uint32_t>(mosHash_GetBucketPtrByKey(&hash_, key) - hash_.pBuckets);
    }
    MosDsHash hash_{};
    // Records outlive each test body: TearDown clears the table.
    std::vector<Item> items_ = std::vector<Item>(1000);
};

TEST_F(HashTest, EachMethodChoosesItsBucket) {
    ASSERT_TRUE(mosHash_Create(&hash_, 64, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    EXPECT_EQ(hash_.hashingMethodParm, 63u);
    EXPECT_EQ(hash_.enumBucket, 0xFFFFFFFFu);
    EXPECT_EQ(bucketOf(65), 1u);
    EXPECT_EQ(bucketOf(128), 0u);
    mosHash_Delete(&hash_);

    ASSERT_TRUE(mosHash_Create(&hash_, 8, MOS_HASH_METHOD_STR_NOCASE, 0, nullptr, nullptr));
    const char *pUpper = "Abc";
    const char *pLower = "aBC";
    EXPECT_EQ(bucketOf(reinterpret_cast<uint64_t>(pUpper)), (97u + 98 + 99) & 7);
    EXPECT_EQ(bucketOf(reinterpret_cast<uint64_t>(pLower)), (97u + 98 + 99) & 7);
    mosHash_Delete(&hash_);

    ASSERT_TRUE(mosHash_Create(&hash_, 7, MOS_HASH_METHOD_USER, 7, modSeven, nullptr));
    EXPECT_EQ(bucketOf(20), 6u);
}

TEST_F(HashTest, TextKeysShareABucketButMatchOnlyWithTheSameCase) {
    ASSERT_TRUE(mosHash_Create(&hash_, 16, MOS_HASH_METHOD_STR_NOCASE, 0, nullptr, nullptr));
    char upper[] = "Abc";
    char sameText[] = "Abc"; // a different pointer to equal text
    Item &item = items_[0];
    mosHash_Add(&hash_, &item.rec, reinterpret_cast<uint64_t>(upper), &item);
    void *pValue = nullptr;
    EXPECT_FALSE(mosHash_GetValueByKey(&hash_, reinterpret_cast<uint64_t>("aBC"), 0, &pValue));
    EXPECT_EQ(pValue, nullptr);
    EXPECT_TRUE(mosHash_GetValueByKey(&hash_, reinterpret_cast<uint64_t>(sameText), 0, &pValue));
    EXPECT_EQ(pValue, &item);
}

TEST_F(HashTest, ChainsGrowPastTheBucketCountAndKeepEveryRecord) {
    ASSERT_TRUE(mosHash_Create(&hash_, 4, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    std::vector<Item> &items = items_;
    for (uint32_t i = 0; i < items.size(); i++) {
        items[i].payload = static_cast<int>(i);
        mosHash_Add(&hash_, &items[i].rec, i * 3u, &items[i]);
    }
    EXPECT_EQ(mosHash_GetRecNum(&hash_), 1000u);
    for (uint32_t i = 0; i < items.size(); i += 37) {
        void *pValue = nullptr;
        ASSERT_TRUE(mosHash_GetValueByKey(&hash_, i * 3u, 0, &pValue));
        EXPECT_EQ(static_cast<Item *>(pValue)->payload, static_cast<int>(i));
    }
    void *pValue = nullptr;
    EXPECT_FALSE(mosHash_GetValueByKey(&hash_, 1, 0, &pValue));
}

TEST_F(HashTest, RemovalByKeyAndByPointer) {
    ASSERT_TRUE(mosHash_Create(&hash_, 8, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    Item &first = items_[0], &second = items_[1], &third = items_[2];
    mosHash_Add(&hash_, &first.rec, 5, &first);
    mosHash_Add(&hash_, &second.rec, 5, &second); // equal keys are not detected
    mosHash_Add(&hash_, &third.rec, 13, &third);  // same bucket, other key
    void *pValue = nullptr;
    EXPECT_EQ(mosHash_GetRecordByKey(&hash_, 5, MOS_HASH_FLAG_REMOVE, &pValue), &first.rec);
    EXPECT_EQ(pValue, &first);
    EXPECT_EQ(first.rec.pNext, nullptr);
    EXPECT_EQ(first.rec.pPrev, nullptr);
    EXPECT_EQ(mosHash_GetRecordByKey(&hash_, 5, MOS_HASH_FLAG_REMOVE, &pValue), &second.rec);
    EXPECT_EQ(mosHash_GetRecordByKey(&hash_, 5, MOS_HASH_FLAG_REMOVE, &pValue), nullptr);
    EXPECT_FALSE(mosHash_DeleteRecordByKeyAndPtr(&hash_, 13, &first.rec));
    EXPECT_TRUE(mosHash_DeleteRecordByKeyAndPtr(&hash_, 13, &third.rec));
    EXPECT_EQ(mosHash_GetRecNum(&hash_), 0u);
    MosHashBucket *pBucket = mosHash_GetBucketPtrByKey(&hash_, 5);
    EXPECT_EQ(pBucket->anchorData.pFirst, nullptr);
    EXPECT_EQ(pBucket->anchorData.pLast, nullptr);
    mosHash_Add(&hash_, &first.rec, 5, &first); // an unlinked record can come back
    EXPECT_EQ(mosHash_GetRecNum(&hash_), 1u);
}

TEST_F(HashTest, ComparisonFunctionDecidesTheMatch) {
    ASSERT_TRUE(mosHash_Create(&hash_, 1, MOS_HASH_METHOD_MASK, 0, nullptr, sameParity));
    Item &odd = items_[0];
    mosHash_Add(&hash_, &odd.rec, 3, &odd);
    void *pValue = nullptr;
    EXPECT_TRUE(mosHash_GetValueByKey(&hash_, 41, 0, &pValue));
    EXPECT_FALSE(mosHash_GetValueByKey(&hash_, 4, 0, &pValue));
}

TEST_F(HashTest, ClearUnlinksEveryRecord) {
    ASSERT_TRUE(mosHash_Create(&hash_, 2, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    for (uint32_t i = 0; i < 5; i++) {
        mosHash_Add(&hash_, &items_[i].rec, i, &items_[i]);
    }
    mosHash_Clear(&hash_);
    EXPECT_EQ(mosHash_GetRecNum(&hash_), 0u);
    for (const Item &item : items_) {
        EXPECT_EQ(item.rec.pPrev, nullptr);
        EXPECT_EQ(item.rec.pNext, nullptr);
    }
}

TEST_F(HashTest, StatisticsNameTheMostAndLeastLoadedBuckets) {
    ASSERT_TRUE(mosHash_Create(&hash_, 4, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    MosHash_Query empty{};
    mosHash_SdbgQuery(&hash_.objEntry, nullptr, &empty);
    EXPECT_EQ(empty.numOfEmptyBuckets, 4u);
    EXPECT_EQ(empty.mostLoadedIndex, 0u);
    EXPECT_EQ(empty.leastLoadedCount, 0u);

    const uint64_t keys[7] = {1, 5, 9, 2, 3, 7, 11}; // buckets {0, 3, 1, 3}
    for (int i = 0; i < 7; i++) {
        mosHash_Add(&hash_, &items_[i].rec, keys[i], &items_[i]);
    }
    mosHash_RegSdbgObj(&hash_, "a name longer than thirty-one characters");
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_HASH);
    ASSERT_NE(pType, nullptr);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 68u);
    uint8_t buf[68];
    memset(buf, 0xEE, sizeof buf);
    mosObj_Query(&hash_.objEntry, pType, buf);
    MosHash_Query query;
    memcpy(&query, buf, sizeof query);
    EXPECT_EQ(query.numOfRecordsInHash, 7u);
    EXPECT_EQ(query.numOfBucketsInHash, 4u);
    EXPECT_EQ(query.numOfEmptyBuckets, 1u);
    EXPECT_EQ(query.mostLoadedIndex, 1u);
    EXPECT_EQ(query.mostLoadedCount, 3u);
    EXPECT_EQ(query.leastLoadedIndex, 2u);
    EXPECT_EQ(query.leastLoadedCount, 1u);
    EXPECT_STREQ(query.hashName, "a name longer than thirty-one c");
    EXPECT_EQ(mosObjType_GetNumObjs(pType), 1u);
    mosHash_Clear(&hash_);
    mosHash_Delete(&hash_);
    EXPECT_EQ(mosObjType_GetNumObjs(pType), 0u);
}

TEST(HashDeathTest, BrokenInvariantsStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    MosDsHash hash{};
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)mosHash_Create(&hash, 48, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr)),
                mostest::ExitedWithMinusOne, "Expression mosHash_IsPowerOf2\\(numOfBuckets\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)mosHash_Create(&hash, 0, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr)),
                mostest::ExitedWithMinusOne, "Expression numOfBuckets != 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)mosHash_Create(&hash, 8, MOS_HASH_METHOD_USER, 0, nullptr, nullptr)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pHashingFunc\\) != \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)mosHash_Create(&hash, 8, MOS_HASH_METHOD_MASK, 7, nullptr, nullptr)),
                mostest::ExitedWithMinusOne, "Expression hashingMethodParm == 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosHash_Create(&hash, 8, 4, 0, nullptr, nullptr)),
                mostest::ExitedWithMinusOne, "Expression ALWAYS_ASSERT");
    ASSERT_TRUE(mosHash_Create(&hash, 8, MOS_HASH_METHOD_MASK, 0, nullptr, nullptr));
    Item item{};
    mosHash_Add(&hash, &item.rec, 1, &item);
    EXPECT_EXIT((mostest::StdoutToStderr(), mosHash_Delete(&hash)), mostest::ExitedWithMinusOne,
                "Expression mosHash_GetRecNum\\(pHash\\) == 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosHash_Add(&hash, &item.rec, 2, &item)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pRecord\\)->pPrev == \\(\\(void \\*\\)0\\) \\.");
    mosHash_Clear(&hash);
    mosHash_Delete(&hash);
}

} // namespace
