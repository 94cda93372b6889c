#include "mos_mempool.h"

#include "core_layers.h"
#include "mos_sys_utils.h"
#include "test_support.h"
#include "trace_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class MemPoolTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosMemPoolLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() { mosMemPoolLayer_Destroy(); }

    void TearDown() override {
        if (bCreated_) {
            mosMemPool_Destroy(&pool_);
        }
    }
    void Create(uint32_t blockSize, uint32_t numBlocks, uint32_t alignment, uint32_t flags) {
        MOS_RC rc = mosMemPool_CreateEx(&pool_, "testPool", blockSize, numBlocks, alignment, flags,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_EQ(rc, MOS_RC__SUCCESS);
        bCreated_ = true;
    }
    uint8_t *Block(uint32_t index) {
        return static_cast<uint8_t *>(mosMemPool_MemByIndex(&pool_, index));
    }
    std::vector<uint32_t> AllocAll() {
        std::vector<uint32_t> order;
        void *pBlock = nullptr;
        while (mosMemPool_Alloc(&pool_, &pBlock) == MOS_RC__SUCCESS) {
            order.push_back(mosMemPool_IndexFromMem(&pool_, pBlock));
        }
        return order;
    }
    void FreeAll() {
        for (uint32_t i = 0; i < pool_.numBlocks; i++) {
            mosMemPool_Free(&pool_, Block(i));
        }
    }
    MosMemPool_Query Query() {
        MosMemPool_Query q{};
        mosMemPool_SdbgQuery(&pool_.objEntry, pool_.name, &q);
        return q;
    }

    MosMemPool pool_{};
    bool bCreated_ = false;
};

TEST_F(MemPoolTest, Geometry) {
    const uint32_t page = mos_GetSystemPageSize();
    struct Case {
        uint32_t blockSize, numBlocks, alignment, flags;
        uint32_t stride, nGuardPages, tailFiller, poolAlignment;
        uint64_t mallocSize;
    };
    const Case cases[] = {
        {24, 3, 0, MOS_MEMPOOL_FLAG__FREE_LIST, 24, 0, 0, 0, 72},
        {24, 3, 1, MOS_MEMPOOL_FLAG__FREE_LIST, 24, 0, 0, 0, 72}, // 1 reads as no alignment
        {24, 3, 64, MOS_MEMPOOL_FLAG__FREE_STACK, 64, 0, 0, 64, 256},
        {100, 3, 16, MOS_MEMPOOL_FLAG__GUARD_PAGE | MOS_MEMPOOL_FLAG__FREE_LIST, 2 * page, 1,
         page - 100, page, 8ull * page},
        {page, 2, 0, MOS_MEMPOOL_FLAG__GUARD_PAGE | MOS_MEMPOOL_FLAG__FREE_STACK, 2 * page, 1, 0,
         page, 6ull * page},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.blockSize << "/" << c.alignment << "/" << c.flags);
        Create(c.blockSize, c.numBlocks, c.alignment, c.flags);
        EXPECT_EQ(pool_.allocPerBlock, c.stride);
        EXPECT_EQ(pool_.nGuardPages, c.nGuardPages);
        EXPECT_EQ(pool_.tailFillerLen, c.tailFiller);
        EXPECT_EQ(pool_.alignment, c.poolAlignment);
        EXPECT_EQ(pool_.mallocSize, c.mallocSize);
        if (c.poolAlignment != 0) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(pool_.pMemAlignedStart) % c.poolAlignment, 0u);
        }
        EXPECT_EQ(pool_.pMemEnd - pool_.pMemAlignedStart, int64_t{c.stride} * c.numBlocks);
        for (uint32_t i = 0; i < pool_.tailFillerLen; i++) {
            ASSERT_EQ(Block(1)[c.blockSize + i], MOS_MEMPOOL_FILLER);
        }
        mosMemPool_Destroy(&pool_);
        bCreated_ = false;
    }
}

TEST_F(MemPoolTest, ListHandsOutInAddressOrderThenMostRecentlyFreed) {
    Create(24, 3, 0, MOS_MEMPOOL_FLAG__FREE_LIST);
    std::vector<uint32_t> order = AllocAll();
    EXPECT_EQ(order, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(pool_.numTimesExhausted, 1u);
    memset(Block(1), 0x77, 24);
    mosMemPool_Free(&pool_, Block(1));
    void *pBlock = nullptr;
    ASSERT_EQ(mosMemPool_Alloc(&pool_, &pBlock), MOS_RC__SUCCESS);
    EXPECT_EQ(pBlock, Block(1));
    uint64_t link = 1;
    memcpy(&link, pBlock, sizeof link);
    EXPECT_EQ(link, 0u);                                // the link word is cleared
    EXPECT_EQ(static_cast<uint8_t *>(pBlock)[8], 0x77); // the rest is as the user left it
    FreeAll();
}

TEST_F(MemPoolTest, StackHandsOutHighestBlockFirst) {
    Create(24, 3, 0, MOS_MEMPOOL_FLAG__FREE_STACK);
    EXPECT_EQ(AllocAll(), (std::vector<uint32_t>{2, 1, 0}));
    mosMemPool_Free(&pool_, Block(0));
    void *pBlock = nullptr;
    ASSERT_EQ(mosMemPool_Alloc(&pool_, &pBlock), MOS_RC__SUCCESS);
    EXPECT_EQ(pBlock, Block(0));
    FreeAll();
}

TEST_F(MemPoolTest, IndexFromAnyByteOfABlock) {
    Create(24, 3, 0, MOS_MEMPOOL_FLAG__FREE_LIST);
    EXPECT_EQ(mosMemPool_IndexFromMem(&pool_, Block(2) + 23), 2u);
    EXPECT_EQ(mosMemPool_IndexFromMem(&pool_, Block(1)), 1u);
    EXPECT_EQ(mosMemPool_IndexFromMem(&pool_, Block(0) + 23), 0u);
}

// The last block is the boundary for both lookups, whatever the layout.
TEST_F(MemPoolTest, LastBlockIsTheBoundaryOfBothLookups) {
    for (uint32_t flags :
         {uint32_t{MOS_MEMPOOL_FLAG__FREE_LIST}, uint32_t{MOS_MEMPOOL_FLAG__FREE_STACK},
          uint32_t{MOS_MEMPOOL_FLAG__GUARD_PAGE | MOS_MEMPOOL_FLAG__FREE_LIST}}) {
        SCOPED_TRACE(testing::Message() << "flags " << flags);
        Create(100, 3, 16, flags);
        EXPECT_EQ(Block(2), pool_.pMemEnd - pool_.allocPerBlock);
        EXPECT_EQ(mosMemPool_IndexFromMem(&pool_, pool_.pMemEnd - 1), 2u);
        EXPECT_EQ(mosMemPool_IndexFromMem(&pool_, pool_.pMemAlignedStart), 0u);
        mosMemPool_Destroy(&pool_);
        bCreated_ = false;
    }
}

TEST_F(MemPoolTest, QueryCountsBlocksAndExhaustion) {
    Create(100, 3, 16, MOS_MEMPOOL_FLAG__GUARD_PAGE | MOS_MEMPOOL_FLAG__FREE_LIST);
    MosMemPool_Query q = Query();
    EXPECT_STREQ(q.name, "testPool");
    EXPECT_EQ(q.objSize, 100u);
    EXPECT_EQ(q.objNum, 3u);
    EXPECT_EQ(q.objFree, 3u);
    EXPECT_EQ(q.bGuardPage, 1u);
    EXPECT_EQ(q.millisSinceLastExhausted, 0u);
    EXPECT_EQ(AllocAll().size(), 3u);
    q = Query();
    EXPECT_EQ(q.objFree, 0u);
    EXPECT_EQ(q.objAcquired, 3u);
    EXPECT_EQ(q.numTimesExhausted, 1u);
    EXPECT_LT(q.millisSinceLastExhausted, 10000u);
    FreeAll();
}

TEST_F(MemPoolTest, PoolRegistersUnderTypeElevenUntilDestroyed) {
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_MEMPOOL);
    ASSERT_NE(pType, nullptr);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 72u);
    const uint32_t before = mosObjType_GetNumObjs(pType);
    Create(24, 3, 0, MOS_MEMPOOL_FLAG__FREE_LIST);
    EXPECT_EQ(mosObjType_GetNumObjs(pType), before + 1);
    mosMemPool_Destroy(&pool_);
    bCreated_ = false;
    EXPECT_EQ(mosObjType_GetNumObjs(pType), before);
}

TEST_F(MemPoolTest, RefusedPoolsLeaveNothingRegistered) {
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_MEMPOOL);
    const uint32_t before = mosObjType_GetNumObjs(pType);
    mostest::TraceCapture trace;
    EXPECT_EQ(mosMemPool_CreateEx(&pool_, "empty", 24, 0, 0, MOS_MEMPOOL_FLAG__FREE_LIST, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr),
              MOS_RC__INVALID);
    const std::string out = trace.Stop();
    EXPECT_NE(out.find("Empty memory pool "), std::string::npos) << out;
    EXPECT_NE(out.find(" (empty)"), std::string::npos) << out;
    mosMemPool_Destroy(&pool_); // leaves an empty pool alone
    // 65,537 blocks of 64 KiB: the block area's 32-bit size would wrap to
    // 64 KiB; the pool is refused rather than built over it.
    EXPECT_EQ(mosMemPool_CreateEx(&pool_, "huge", 0x10000, 0x10001, 0,
                                  MOS_MEMPOOL_FLAG__FREE_LIST | MOS_MEMPOOL_FLAG__MAY_FAIL, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr),
              MOS_RC__INVALID);
    EXPECT_EQ(pool_.pMem, nullptr);
    EXPECT_EQ(mosObjType_GetNumObjs(pType), before);
}

struct Counts {
    uint32_t inits = 0;
    uint32_t destroys = 0;
    uint32_t hooks = 0;
    std::vector<void *> initBlocks;
};

TEST_F(MemPoolTest, BlockCallbacksRunAtCreationAndDestruction) {
    Counts counts;
    auto init = [](void *pUser, void *pBlock, uint32_t size) {
        auto *c = static_cast<Counts *>(pUser);
        c->inits++;
        c->initBlocks.push_back(pBlock);
        EXPECT_EQ(size, 32u);
    };
    auto destroy = [](void *pUser, void *) { static_cast<Counts *>(pUser)->destroys++; };
    static Counts *pHookCounts = nullptr;
    pHookCounts = &counts;
    auto hook = [](MosMemPool *, uint32_t) { pHookCounts->hooks++; };
    ASSERT_EQ(mosMemPool_CreateEx(&pool_, "cb", 32, 4, 0, MOS_MEMPOOL_FLAG__FREE_LIST, init,
                                  destroy, &counts, hook, nullptr, nullptr),
              MOS_RC__SUCCESS);
    EXPECT_EQ(counts.inits, 4u);
    EXPECT_EQ(counts.initBlocks.front(), Block(0));
    EXPECT_EQ(counts.initBlocks.back(), Block(3));
    mosMemPool_Destroy(&pool_);
    EXPECT_EQ(counts.destroys, 4u);
    EXPECT_EQ(counts.hooks, 8u);
}

// Death tests bring their layers and pool up in the child only: a
// death-test suite runs before the others and must leave the parent's
// process untouched.
MosMemPool *childPool(uint32_t blockSize, uint32_t flags) {
    mostest::StdoutToStderr();
    mostest::EnsureCoreLayers();
    (void)mosMemPoolLayer_Init(nullptr);
    static MosMemPool pool;
    (void)mosMemPool_CreateEx(&pool, "deathPool", blockSize, 3, 16, flags, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
    return &pool;
}

constexpr uint32_t GUARD_LIST = MOS_MEMPOOL_FLAG__GUARD_PAGE | MOS_MEMPOOL_FLAG__FREE_LIST;

void overrunThenFree() {
    MosMemPool *pPool = childPool(100, GUARD_LIST);
    void *pBlock = nullptr;
    (void)mosMemPool_Alloc(pPool, &pBlock);
    static_cast<uint8_t *>(pBlock)[100] = 0; // one byte past the block
    mosMemPool_Free(pPool, pBlock);
}

TEST(MemPoolDeathTest, OverrunIsCaughtAtFree) {
    EXPECT_EXIT(overrunThenFree(), mostest::ExitedWithMinusOne, "\\*p == \\(\\(CHAR_A\\)0x42\\)");
}

void writeAt(int64_t offsetFromBlock0) {
    MosMemPool *pPool = childPool(100, GUARD_LIST);
    volatile uint8_t *p =
        static_cast<uint8_t *>(mosMemPool_MemByIndex(pPool, 0)) + offsetFromBlock0;
    *p = 1;
    fprintf(stderr, "survived\n");
    std::_Exit(0); // no leak scan: it would trip over the pool's guard pages
}

TEST(MemPoolDeathTest, WriteIntoGuardPageEndsTheProcess) {
    const int64_t page = mos_GetSystemPageSize();
    auto diedAbnormally = [](int status) { return !testing::ExitedWithCode(0)(status); };
    EXPECT_EXIT(writeAt(page), diedAbnormally, ""); // the guard page behind block 0
    EXPECT_EXIT(writeAt(-1), diedAbnormally, "");   // the page ahead of block 0
    EXPECT_EXIT(writeAt(page - 1), testing::ExitedWithCode(0), "survived"); // the filler
}

void destroyWithBlockOut() {
    MosMemPool *pPool = childPool(24, MOS_MEMPOOL_FLAG__FREE_LIST);
    void *pBlock = nullptr;
    (void)mosMemPool_Alloc(pPool, &pBlock);
    mosMemPool_Destroy(pPool);
}

TEST(MemPoolDeathTest, DestroyWithABlockOutEndsTheProcess) {
    EXPECT_EXIT(destroyWithBlockOut(), mostest::ExitedWithMinusOne, "ALWAYS_ASSERT");
}

void indexOfForeignAddress() {
    MosMemPool *pPool = childPool(24, MOS_MEMPOOL_FLAG__FREE_STACK);
    static int outside = 0;
    (void)mosMemPool_IndexFromMem(pPool, &outside);
}

void freeToFullStack() {
    MosMemPool *pPool = childPool(24, MOS_MEMPOOL_FLAG__FREE_STACK);
    mosMemPool_Free(pPool, mosMemPool_MemByIndex(pPool, 0)); // nothing is out
}

void freeTwiceToList() {
    MosMemPool *pPool = childPool(24, MOS_MEMPOOL_FLAG__FREE_LIST);
    void *pBlock = nullptr;
    (void)mosMemPool_Alloc(pPool, &pBlock);
    mosMemPool_Free(pPool, pBlock);
    mosMemPool_Free(pPool, pBlock);
}

void createWithBothFreeKinds() {
    childPool(24, MOS_MEMPOOL_FLAG__FREE_LIST | MOS_MEMPOOL_FLAG__FREE_STACK);
}

void blockByIndex(uint32_t flags, uint32_t index) {
    MosMemPool *pPool = childPool(100, flags);
    (void)mosMemPool_MemByIndex(pPool, index);
    fprintf(stderr, "survived\n");
    std::_Exit(0);
}

void indexOfAddress(uint32_t flags, int64_t offsetFromEnd) {
    MosMemPool *pPool = childPool(100, flags);
    (void)mosMemPool_IndexFromMem(pPool, pPool->pMemEnd + offsetFromEnd);
    fprintf(stderr, "survived\n");
    std::_Exit(0);
}

// One past the last block is outside the pool for both lookups: the block
// count as an index, and the end of the block area as an address.
TEST(MemPoolDeathTest, OnePastTheLastBlockIsFatal) {
    for (uint32_t flags : {uint32_t{MOS_MEMPOOL_FLAG__FREE_LIST},
                           uint32_t{MOS_MEMPOOL_FLAG__FREE_STACK}, GUARD_LIST}) {
        EXPECT_EXIT(blockByIndex(flags, 2), testing::ExitedWithCode(0), "survived") << flags;
        EXPECT_EXIT(blockByIndex(flags, 3), mostest::ExitedWithMinusOne,
                    "mosMemPool_IsValidObjIndex")
            << flags;
        EXPECT_EXIT(indexOfAddress(flags, -1), testing::ExitedWithCode(0), "survived") << flags;
        EXPECT_EXIT(indexOfAddress(flags, 0), mostest::ExitedWithMinusOne, "pMem < pPool->pMemEnd")
            << flags;
    }
}

TEST(MemPoolDeathTest, MisuseIsFatal) {
    EXPECT_EXIT(indexOfForeignAddress(), mostest::ExitedWithMinusOne,
                "pMem >= pPool->pMemAlignedStart");
    EXPECT_EXIT(freeToFullStack(), mostest::ExitedWithMinusOne, "ALWAYS_ASSERT");
    EXPECT_EXIT(freeTwiceToList(), mostest::ExitedWithMinusOne,
                "block returned twice to the free list");
    EXPECT_EXIT(createWithBothFreeKinds(), mostest::ExitedWithMinusOne, "flags & \\(1 << 3\\)");
}

TEST(SmallIovPool, LayerMakesThePoolAsConfigured) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosSmallIovPoolLayer_Init(nullptr), MOS_RC__SUCCESS);
    MosMemPool *pPool = mosSmallIovPool_Get();
    ASSERT_NE(pPool, nullptr);
    EXPECT_STREQ(pPool->name, "SmallIOVPool");
    EXPECT_EQ(pPool->blockSizeInBytes, 664u);
    EXPECT_EQ(pPool->numBlocks, 1000u);
    mosSmallIovPoolLayer_Destroy();
    EXPECT_EQ(mosSmallIovPool_Get(), nullptr);

    MosSmallIovParams params{0, 50};
    ASSERT_EQ(mosSmallIovPoolLayer_Init(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosSmallIovPool_Get(), nullptr);
    mosSmallIovPoolLayer_Destroy();
    params = {1, 50};
    ASSERT_EQ(mosSmallIovPoolLayer_Init(&params), MOS_RC__SUCCESS);
    ASSERT_NE(mosSmallIovPool_Get(), nullptr);
    EXPECT_EQ(mosSmallIovPool_Get()->numBlocks, 50u);
    mosSmallIovPoolLayer_Destroy();
}

} // namespace
