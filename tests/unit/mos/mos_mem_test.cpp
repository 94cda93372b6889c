#include "mos_mem.h"

#include "core_layers.h"
#include "mos_sys_utils.h"
#include "os_mem.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MosMemCagedHeader headerOf(void *pBlock) {
    MosMemCagedHeader header;
    memcpy(&header, static_cast<uint8_t *>(pBlock) - sizeof header, sizeof header);
    return header;
}

// Writes through a volatile pointer, so the write happens even when the
// compiler could prove it useless.
void poke(volatile uint8_t *pByte, uint8_t value) {
    *pByte = value;
}

class MemTest : public testing::Test {
  protected:
    void SetUp() override { mostest::EnsureCoreLayers(); }
    const uint64_t pageSize_ = osMem_GetPageSize();
};

TEST_F(MemTest, NormalModeServesUpToTheLimitAndCountsPerThread) {
    uint64_t before = thrdDummy_G.numMallocs;
    struct Case {
        uint64_t size;
        bool bZero;
    };
    for (Case c : {Case{0, false}, Case{1, true}, Case{MOS_MEM_MAX_SIZE, false},
                   Case{MOS_MEM_MAX_SIZE, true}}) {
        auto *pMem = static_cast<uint8_t *>(
            c.bZero ? mos_MemCallocBare(c.size, MOS_MEM_MAX_SIZE, "memTest", false)
                    : mos_MemMallocBare(c.size, MOS_MEM_MAX_SIZE, "memTest", false));
        ASSERT_NE(pMem, nullptr) << c.size;
        EXPECT_EQ(thrdDummy_G.numMallocs, before + 1);
        if (c.bZero && c.size > 0) {
            EXPECT_EQ(pMem[c.size - 1], 0);
        }
        mos_MemFreeBare(pMem);
        EXPECT_EQ(thrdDummy_G.numMallocs, before);
    }
    mos_MemFreeBare(nullptr);
    EXPECT_EQ(thrdDummy_G.numMallocs, before);
}

TEST_F(MemTest, PagesAreWholeAndWritable) {
    auto *pPages = static_cast<uint8_t *>(mos_MemAllocPages(3 * pageSize_ + 1));
    ASSERT_NE(pPages, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pPages) % pageSize_, 0u);
    pPages[0] = 1;
    pPages[3 * pageSize_] = 2;
    mos_MemFreePages(pPages);
}

TEST_F(MemTest, CagedSmallBlockEndsAtTheBackGuardPage) {
    auto *pBlock = static_cast<uint8_t *>(mos_MemMallocGuarded(100, false, false));
    ASSERT_NE(pBlock, nullptr);
    MosMemCagedHeader header = headerOf(pBlock);
    auto *pBase = static_cast<uint8_t *>(header.pBase);
    EXPECT_EQ(+header.magic, 0x4242);
    EXPECT_EQ(+header.size, 100u);
    EXPECT_EQ(+header.totalSize, 3 * pageSize_);
    EXPECT_EQ(+header.fillerLen, pageSize_ - 139); // 3,957 with 4 KiB pages
    EXPECT_EQ(+header.pFiller, pBase + pageSize_);
    EXPECT_EQ(pBlock, pBase + pageSize_ + +header.fillerLen + 39);
    EXPECT_EQ(pBlock + 100, pBase + 2 * pageSize_);
    memset(pBlock, 0xAB, 100);
    mos_MemFreeGuarded(pBlock);
}

TEST_F(MemTest, CagedPageAlignedBlockHasItsHeaderInTheFrontGuardPage) {
    struct Case {
        uint64_t size;
        bool bPageAligned;
        uint64_t pages;
        uint32_t fillerLen;
    };
    for (Case c : {Case{2 * pageSize_, false, 4, 0}, Case{100, true, 3, uint32_t(pageSize_ - 100)},
                   Case{0, false, 2, 0}}) {
        auto *pBlock = static_cast<uint8_t *>(mos_MemMallocGuarded(c.size, false, c.bPageAligned));
        ASSERT_NE(pBlock, nullptr);
        MosMemCagedHeader header = headerOf(pBlock);
        auto *pBase = static_cast<uint8_t *>(header.pBase);
        EXPECT_EQ(+header.totalSize, c.pages * pageSize_) << c.size;
        EXPECT_EQ(+header.fillerLen, c.fillerLen) << c.size;
        EXPECT_EQ(pBlock, pBase + pageSize_) << c.size;
        EXPECT_EQ(+header.pFiller, pBlock + c.size) << c.size;
        memset(pBlock, 0x11, c.size);
        mos_MemFreeGuarded(pBlock);
    }
}

// A non-zero flag turns its switch on; a later zero leaves it on. Numbers
// are taken as given. The layer records the page size.
TEST_F(MemTest, UtilitiesSettingsAreApplied) {
    EXPECT_EQ(mos_GetPageSize(), pageSize_);
    mosUtilsLayer_Destroy();
    MosUtilsParams params{};
    params.intr_violation_crash = 3;
    params.poll_loop_max_overshoot_factor = 7;
    ASSERT_EQ(mosUtilsLayer_Init(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosUtils_GetIntrViolationCrash(), 1u);
    EXPECT_EQ(mosUtils_GetPollLoopMaxOvershootFactor(), 7u);
    EXPECT_EQ(mosUtils_Layer_G.bDeferredFree, 0u); // not caged
    mosUtilsLayer_Destroy();
    params = MosUtilsParams{};
    ASSERT_EQ(mosUtilsLayer_Init(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosUtils_GetIntrViolationCrash(), 1u);
    EXPECT_EQ(mosUtils_GetPollLoopMaxOvershootFactor(), 0u);
    mosUtilsLayer_Destroy();
    mosUtils_Layer_G.bIntrViolationCrash = 0;
    ASSERT_EQ(mosUtilsLayer_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_NE(mos_GetRestrictedMode()->pACL, nullptr);
}

TEST(MemDeathTest, SizeAboveTheLimitStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 mos_MemMallocBare(MOS_MEM_MAX_SIZE + 1, MOS_MEM_MAX_SIZE, "myTag", true)),
                mostest::ExitedWithMinusOne,
                "!!!!!!!!!!!!!! Malloc: myTag size 83886081!!!!!!!!! SIZE TOO LARGE "
                "!!!!!!!!!!\nPanic in file .*Panic Expression 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mos_MemCallocBare(4097, 4096, "other", true)),
                mostest::ExitedWithMinusOne,
                "!!!!!!!!!!!!!! Calloc: other size 4097!!!!!!!!! SIZE TOO LARGE !!!!!!!!!!");
}

TEST(MemDeathTest, CagedBlockFaultsOnGuardPagesAndCatchesOverwrites) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto *pBlock = static_cast<volatile uint8_t *>(mos_MemMallocGuarded(100, false, false));
    EXPECT_DEATH(poke(pBlock + 100, 1), "");
    const uint32_t fillerLen = headerOf(const_cast<uint8_t *>(pBlock)).fillerLen;
    EXPECT_DEATH(poke(pBlock - 40 - fillerLen, 1), ""); // front guard page
    EXPECT_EXIT((mostest::StdoutToStderr(), poke(pBlock - 40, static_cast<uint8_t>(~pBlock[-40])),
                 mos_MemFreeGuarded(const_cast<uint8_t *>(pBlock))),
                mostest::ExitedWithMinusOne,
                "function mos_MemValidateFiller, PID .*Expression pMem\\[idx\\] == fillerByte \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), poke(pBlock - 39, 0),
                 mos_MemFreeGuarded(const_cast<uint8_t *>(pBlock))),
                mostest::ExitedWithMinusOne, "Expression pHeader->magic == \\(0x4242\\) \\.");
    mos_MemFreeGuarded(const_cast<uint8_t *>(pBlock));
}

// Caged mode with deferred free: the layer is restarted with the settings
// and, at the end, back in normal mode.
class DeferredFreeTest : public MemTest {
  protected:
    void StartCaged(uint64_t maxBytes, uint32_t maxItems) {
        mosUtilsLayer_Destroy();
        MosUtilsParams params{};
        params.caged_malloc = 1;
        params.max_caged_deferred_free_bytes = maxBytes;
        params.max_caged_deferred_free_items = maxItems;
        ASSERT_EQ(mosUtilsLayer_Init(&params), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        mosUtilsLayer_Destroy();
        EXPECT_EQ(mosUtils_Layer_G.deferredFreeItems, 0u);
        mosUtils_Layer_G.bCagedMalloc = 0;
        EXPECT_EQ(mosUtilsLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
};

TEST_F(DeferredFreeTest, QueueKeepsWithinBothLimitsByReleasingTheOldest) {
    const uint64_t region = 3 * pageSize_; // one 100-byte block
    struct Case {
        uint64_t maxBytes;
        uint32_t maxItems;
        uint32_t queuedAfterThree;
    };
    for (Case c : {Case{100 * region, 2, 2}, Case{2 * region, 100, 2}, Case{region, 100, 1},
                   Case{100 * region, 3, 3}}) {
        StartCaged(c.maxBytes, c.maxItems);
        void *blocks[3];
        for (auto &pBlock : blocks) {
            pBlock = mos_MemMallocBare(100, MOS_MEM_MAX_SIZE, "deferred", false);
            ASSERT_NE(pBlock, nullptr);
        }
        for (void *pBlock : blocks) {
            mos_MemFreeBare(pBlock);
            EXPECT_LE(mosUtils_Layer_G.deferredFreeItems, c.maxItems);
            EXPECT_LE(mosUtils_Layer_G.deferredFreeBytes, c.maxBytes);
        }
        EXPECT_EQ(mosUtils_Layer_G.deferredFreeItems, c.queuedAfterThree) << c.maxItems;
        EXPECT_EQ(mosUtils_Layer_G.deferredFreeBytes, c.queuedAfterThree * region);
        TearDown();
    }
    StartCaged(100 * region, 2);
}

TEST_F(DeferredFreeTest, BlockTooLargeForTheQueueIsFreedAtOnce) {
    StartCaged(3 * pageSize_, 8);
    void *pBig = mos_MemMallocBare(2 * pageSize_, MOS_MEM_MAX_SIZE, "big", false);
    mos_MemFreeBare(pBig);
    EXPECT_EQ(mosUtils_Layer_G.deferredFreeItems, 0u);
}

TEST_F(DeferredFreeTest, CagedModeIgnoresTheSizeLimitAndZeroes) {
    StartCaged(100 * pageSize_, 2);
    auto *pMem = static_cast<uint8_t *>(mos_MemCallocBare(5000, 16, "noLimit", false));
    ASSERT_NE(pMem, nullptr);
    EXPECT_EQ(+headerOf(pMem).magic, 0x4242);
    EXPECT_EQ(pMem[0] | pMem[4999], 0);
    mos_MemFreeBare(pMem);
}

// A free that queues the block checks its filler first, in both
// placements: the filler's last byte is the one an overrun of a page-
// aligned block reaches first, and the one just before the header of any
// other block.
TEST_F(DeferredFreeTest, QueuedFreeStillChecksTheFiller) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    StartCaged(100 * pageSize_, 4);
    struct Case {
        void *(*pAlloc)();
        void (*pFree)(void *);
    };
    const Case cases[] = {
        {[] { return mos_MemMallocBare(100, MOS_MEM_MAX_SIZE, "filler", false); }, mos_MemFreeBare},
        {[] { return mos_MemAllocPages(100); }, mos_MemFreePages},
    };
    for (const Case &c : cases) {
        auto *pBlock = static_cast<uint8_t *>(c.pAlloc());
        ASSERT_NE(pBlock, nullptr);
        MosMemCagedHeader header = headerOf(pBlock);
        ASSERT_NE(+header.fillerLen, 0u);
        uint8_t *pLastFiller = header.pFiller + header.fillerLen - 1;
        EXPECT_EXIT((mostest::StdoutToStderr(),
                     poke(pLastFiller, static_cast<uint8_t>(~header.fillerByte)), c.pFree(pBlock)),
                    mostest::ExitedWithMinusOne,
                    "function mos_MemValidateFiller, PID .*Expression pMem\\[idx\\] == "
                    "fillerByte \\.");
        c.pFree(pBlock); // untouched here: queued without complaint
    }
    EXPECT_EQ(mosUtils_Layer_G.deferredFreeItems, 2u);
}

TEST_F(DeferredFreeTest, UseAfterFreeFaults) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    StartCaged(100 * pageSize_, 4);
    auto *pBlock =
        static_cast<volatile uint8_t *>(mos_MemMallocBare(100, MOS_MEM_MAX_SIZE, "uaf", false));
    poke(pBlock, 7);
    mos_MemFreeBare(const_cast<uint8_t *>(pBlock));
    EXPECT_DEATH(poke(pBlock, 8), "");
}

} // namespace
