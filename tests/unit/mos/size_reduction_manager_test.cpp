// The size-reduction manager: pattern matching, compression engines, the
// per-thread engine allocator and whole requests.

#include "size_reduction_manager.h"

#include "mos_os_thread.h"
#include "srm_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kBlock = 4096;

struct Block {
    std::vector<uint8_t> data;
    std::vector<uint8_t> reduced;
    SizeReductionRequest request{};

    Block(uint32_t size, uint8_t fill) : data(size, fill), reduced(size + 64, 0xEE) {
        request.unreducedDataBuffer = data.data();
        request.reducedDataBuffer = reduced.data();
        SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(&request, size);
    }
};

// Half random bytes, half zeros: compresses to a little over half.
void FillHalfRandom(std::vector<uint8_t> *pData) {
    std::mt19937 random(7);
    for (size_t i = 0; i < pData->size() / 2; ++i) {
        (*pData)[i] = static_cast<uint8_t>(random());
    }
}

class SrmLayers : public testing::Test {
  protected:
    static void SetUpTestSuite() { mostest::StartSrmLayers(); }
    static void TearDownTestSuite() { mostest::StopSrmLayers(); }
};

struct PatternCase {
    uint8_t fill;
    bool bLastByteOne;
    MOS_RC expected[4]; // methods 1..4
};

TEST(PatternMatchingTest, OneByteBlocksByMethod) {
    const MOS_RC kZero = MOS_RC__IO_ZERO_BUF;
    const MOS_RC kNot = MOS_RC__BLOCK_WAS_NOT_SHRINKED;
    const MOS_RC kOk = MOS_RC__SUCCESS;
    const PatternCase kCases[] = {
        {0x00, false, {kZero, kZero, kZero, kZero}},
        {0x41, false, {kNot, kNot, kOk, kOk}},
        {0x00, true, {kNot, kNot, kNot, kNot}},
        {0x41, true, {kNot, kNot, kNot, kNot}},
    };
    for (const PatternCase &c : kCases) {
        for (uint32_t method = 1; method <= 4; ++method) {
            Block block(kBlock, c.fill);
            if (c.bLastByteOne) {
                block.data.back() = 1;
            }
            EXPECT_EQ(patternMatchingEngine_Shrink(&block.request, method), c.expected[method - 1])
                << int{c.fill} << " method " << method;
            if (c.expected[method - 1] == kNot) {
                EXPECT_EQ(block.request.reducedDataSizeBytes, 0u);
            } else {
                EXPECT_EQ(block.request.reducedDataSizeBytes, 5u);
                const std::vector<uint8_t> form = {1, 0, 0, 0, c.fill};
                EXPECT_EQ(std::vector<uint8_t>(block.reduced.begin(), block.reduced.begin() + 5),
                          form);
            }
        }
    }
}

// Every position of a single differing byte is found by both checks.
TEST(PatternMatchingTest, AnyDifferingByteIsFound) {
    for (uint32_t position : {1u, 7u, 8u, 2047u, 2048u, 4000u, 4095u}) {
        for (uint32_t method : {3u, 4u}) {
            Block block(kBlock, 0x5A);
            block.data[position] = 0x5B;
            EXPECT_EQ(patternMatchingEngine_Shrink(&block.request, method),
                      MOS_RC__BLOCK_WAS_NOT_SHRINKED)
                << position << " method " << method;
        }
    }
}

TEST(PatternMatchingDeathTest, MethodsOutsideOneToFourAndBadSizesAreFatal) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            Block block(kBlock, 0);
            (void)patternMatchingEngine_Shrink(&block.request, 5);
        },
        mostest::ExitedWithMinusOne, "SRM_PATTERN_MATCHING_METHOD__LAST > method");
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            SizeReductionRequest request{};
            SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(&request, 4097);
        },
        mostest::ExitedWithMinusOne, "sizeBytes");
}

TEST(CompressionEngineAllocatorDeathTest, UseBeforeInitIsFatalAndNamesTheFlag) {
    EXPECT_EXIT((mostest::StdoutToStderr(), compressionEngineAllocator_Destroy()),
                mostest::ExitedWithMinusOne, "Expression g_bInitialized \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)compressionEngineAllocator_DestroyConfData(1)),
                mostest::ExitedWithMinusOne, "Expression 1 == g_bInitialized \\.");
}

TEST(CompressionEngineTest, SizesByMethod) {
    EXPECT_EQ(compressionEngine_GetEncoderSizeInBytes(1), 576u);
    EXPECT_EQ(compressionEngine_GetDecoderSizeInBytes(1), 592u);
    EXPECT_EQ(compressionEngine_GetScaratchPadSize(1, 65536), 131072u);
    EXPECT_EQ(compressionEngine_GetEncoderSizeInBytes(2), 5696u);
    EXPECT_EQ(compressionEngine_GetDecoderSizeInBytes(2), 6720u);
    EXPECT_EQ(compressionEngine_GetScaratchPadSize(2, 65536), 0x50000u);
    EXPECT_EQ(compressionEngine_GetEncoderSizeInBytes(3), 5696u); // built as method 2
}

class EngineTest : public SrmLayers {
  protected:
    MOS_RC Create(uint32_t method, uint8_t percentage, uint32_t maxInput) {
        conf = {method, percentage};
        const SizeReductionCompressionConf sizing = {method <= 4 ? method : 2, percentage};
        memory.assign(compressionEngine_GetBlockSizeInBytes(&sizing, maxInput) + 64, 0);
        pEngine = reinterpret_cast<CompressionEngine *>(
            (reinterpret_cast<uintptr_t>(memory.data()) + 63) & ~uintptr_t{63});
        return compressionEngine_Create(pEngine, maxInput, &conf);
    }
    SizeReductionCompressionConf conf{};
    std::vector<uint8_t> memory;
    CompressionEngine *pEngine = nullptr;
};

TEST_F(EngineTest, CreationByMethodAndBlockSize) {
    EXPECT_EQ(Create(1, 50, 65536), MOS_RC__SUCCESS);
    EXPECT_EQ(pEngine->scratchPadSize, 131072u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pEngine->pEncoder) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pEngine->pDecoder) % 64, 0u);
    EXPECT_EQ(Create(1, 50, 1024), MOS_RC__ERROR); // 2 KiB of work memory is too little
    EXPECT_EQ(Create(5, 50, kBlock), MOS_RC__INVALID_ARG);
    EXPECT_EQ(Create(3, 50, kBlock), MOS_RC__SUCCESS);
    EXPECT_EQ(pEngine->encoderLevel, 5);
    EXPECT_EQ(pEngine->decoderLevel, -2);
}

// The reduced form may take the configured share of the block, cut to
// whole 8-byte words: 50 % of 4 KiB is 2048 bytes, 90 % is 3680.
TEST_F(EngineTest, CompressionFitsTheConfiguredShareAndRoundTrips) {
    for (uint32_t method : {1u, 2u}) {
        ASSERT_EQ(Create(method, 50, kBlock), MOS_RC__SUCCESS);
        Block block(kBlock, 0);
        FillHalfRandom(&block.data);
        EXPECT_EQ(compressionEngine_Compress(pEngine, &block.request),
                  MOS_RC__BLOCK_WAS_NOT_SHRINKED)
            << method;
        EXPECT_EQ(block.request.reducedDataSizeBytes, 0u);
        ASSERT_EQ(Create(method, 90, kBlock), MOS_RC__SUCCESS);
        ASSERT_EQ(compressionEngine_Compress(pEngine, &block.request), MOS_RC__SUCCESS) << method;
        EXPECT_GT(block.request.reducedDataSizeBytes, 2048u);
        EXPECT_LE(block.request.reducedDataSizeBytes, 3680u);
        const std::vector<uint8_t> original = block.data;
        std::fill(block.data.begin(), block.data.end(), 0xCC);
        EXPECT_EQ(compressionEngine_ExecuteOP(pEngine, &block.request,
                                              COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS),
                  MOS_RC__SUCCESS);
        EXPECT_EQ(block.data, original);
        EXPECT_EQ(SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(&block.request), kBlock);
    }
}

// 90 % of 4 KiB is 3686 bytes; the reduced form may take only 3680 of them
// (whole 8-byte words). Blocks whose reduced form lands on either side of
// that cut are found by measuring with a share of 100 %: random bytes,
// then zeros with a few lone bytes in them, so that every reduced size
// near the cut occurs.
TEST_F(EngineTest, CapacityIsTheShareCutToWholeWords) {
    std::mt19937 random(11);
    std::vector<uint8_t> noise(kBlock);
    for (uint8_t &b : noise) {
        b = static_cast<uint8_t>(random());
    }
    for (uint32_t method : {1u, 2u}) {
        ASSERT_EQ(Create(method, 100, kBlock), MOS_RC__SUCCESS);
        std::map<uint32_t, std::vector<uint8_t>> blockOfReducedSize;
        for (uint32_t randomBytes = 3300; randomBytes < 3700; ++randomBytes) {
            for (uint32_t loneBytes = 0; loneBytes < 8; ++loneBytes) {
                Block block(kBlock, 0);
                std::copy(noise.begin(), noise.begin() + randomBytes, block.data.begin());
                for (uint32_t j = 0; j < loneBytes; ++j) {
                    block.data[randomBytes + 40 * (j + 1)] = noise[j] | 1;
                }
                if (compressionEngine_Compress(pEngine, &block.request) == MOS_RC__SUCCESS) {
                    blockOfReducedSize.emplace(block.request.reducedDataSizeBytes, block.data);
                }
            }
        }
        ASSERT_EQ(Create(method, 90, kBlock), MOS_RC__SUCCESS);
        uint32_t fitting = 0;
        uint32_t cut = 0;
        for (const auto &[reducedSize, data] : blockOfReducedSize) {
            if (reducedSize < 3670 || reducedSize > 3686) {
                continue;
            }
            Block block(kBlock, 0);
            block.data = data;
            block.request.unreducedDataBuffer = block.data.data();
            const bool bFits = reducedSize <= 3680;
            EXPECT_EQ(compressionEngine_Compress(pEngine, &block.request),
                      bFits ? MOS_RC__SUCCESS : MOS_RC__BLOCK_WAS_NOT_SHRINKED)
                << "method " << method << ", reduced size " << reducedSize;
            (bFits ? fitting : cut)++;
        }
        EXPECT_GT(fitting, 0u) << method;
        EXPECT_GT(cut, 0u) << method;
    }
}

TEST_F(EngineTest, DecompressingDamagedInputIsNotExpanded) {
    ASSERT_EQ(Create(2, 90, kBlock), MOS_RC__SUCCESS);
    Block block(kBlock, 0);
    FillHalfRandom(&block.data);
    ASSERT_EQ(compressionEngine_Compress(pEngine, &block.request), MOS_RC__SUCCESS);
    block.request.reducedDataSizeBytes /= 2; // cut short
    EXPECT_EQ(compressionEngine_ExecuteOP(pEngine, &block.request,
                                          COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS),
              MOS_RC__BLOCK_WAS_NOT_EXPANDED);
}

class ManagerTest : public SrmLayers {
  protected:
    void SetUp() override {
        SizeReductionManagerInitParams params = {nullptr, 0, 4, 4};
        ASSERT_EQ(sizeReductionManager_Init(&params), MOS_RC__SUCCESS);
    }
    void TearDown() override { sizeReductionManager_Destroy(); }

    static uint64_t Allocate(SizeReductionConfig word, uint32_t patternMethod) {
        SizeReductionConfParams params{};
        params.config = word;
        params.maxInputBufferSizeInBytes = 16 * kBlock;
        params.compression = {SRM_COMPRESSION_METHOD__LZ, 90};
        params.otherConf = patternMethod;
        uint64_t handle = 0;
        EXPECT_EQ(sizeReductionManager_AllocateConf(&params, &handle), MOS_RC__SUCCESS);
        return handle;
    }
};

// The request's word names the technique that reduced the block, with that
// technique's extension bits from the configuration.
TEST_F(ManagerTest, PatternFirstThenCompressionWithTheirExtensionBits) {
    const uint64_t handle = Allocate(0x03E6, 3);
    Block zeros(kBlock, 0);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(handle, &zeros.request), MOS_RC__IO_ZERO_BUF);
    EXPECT_EQ(zeros.request.config, 0x0304);
    Block half(kBlock, 0);
    FillHalfRandom(&half.data);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(handle, &half.request), MOS_RC__SUCCESS);
    EXPECT_EQ(half.request.config, 0x00E2);
    std::vector<uint8_t> noise(kBlock);
    std::mt19937 random(3);
    for (uint8_t &b : noise) {
        b = static_cast<uint8_t>(random());
    }
    Block random4k(kBlock, 0);
    random4k.data = noise;
    random4k.request.unreducedDataBuffer = random4k.data.data();
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(handle, &random4k.request),
              MOS_RC__BLOCK_WAS_NOT_SHRINKED);
    EXPECT_EQ(random4k.request.config, 0);
    EXPECT_EQ(random4k.request.reducedDataSizeBytes, 0u);
    EXPECT_EQ(random4k.data, noise);
}

TEST_F(ManagerTest, InvalidHandlesAndMissingConfigurations) {
    Block block(kBlock, 0);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(0, &block.request), MOS_RC__INVALID_ARG);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(5, &block.request), MOS_RC__INVALID_ARG);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(2, &block.request), MOS_RC__INVALID_ARG);
}

TEST_F(ManagerTest, AThreadKeepsItsEngineAndAnotherThreadGetsItsOwn) {
    const uint64_t handle = Allocate(SRM_TECHNIQUE__COMPRESSION, 0);
    CompressionEngine *pFirst = nullptr;
    CompressionEngine *pAgain = nullptr;
    ASSERT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pFirst, handle),
              MOS_RC__SUCCESS);
    ASSERT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pAgain, handle),
              MOS_RC__SUCCESS);
    EXPECT_EQ(pFirst, pAgain);
    struct Other {
        uint64_t handle;
        CompressionEngine *pEngine;
        MOS_RC rc;
        MOS_RC shrinkRc;
    } other = {handle, nullptr, MOS_RC__ERROR, MOS_RC__ERROR};
    MosOsThrd thread;
    ASSERT_EQ(mosOsThrd_Create(
                  &thread,
                  [](void *pArg) {
                      auto *p = static_cast<Other *>(pArg);
                      p->rc = compressionEngineAllocator_GetOSThreadCompressionEngine(&p->pEngine,
                                                                                      p->handle);
                      Block block(kBlock, 0);
                      FillHalfRandom(&block.data);
                      p->shrinkRc = sizeReductionManager_ShrinkBlock(p->handle, &block.request);
                  },
                  &other, "srm-test"),
              MOS_RC__SUCCESS);
    mosOsThrd_Destroy(&thread);
    EXPECT_EQ(other.rc, MOS_RC__SUCCESS);
    EXPECT_EQ(other.shrinkRc, MOS_RC__SUCCESS);
    EXPECT_NE(other.pEngine, pFirst);
    // Each thread's engines go back with its user context when it ends: more
    // threads than the allocator's four one after the other all get one.
    for (int i = 0; i < 6; ++i) {
        MosOsThrd next;
        other.pEngine = nullptr;
        other.rc = MOS_RC__ERROR;
        ASSERT_EQ(mosOsThrd_Create(
                      &next,
                      [](void *pArg) {
                          auto *p = static_cast<Other *>(pArg);
                          p->rc = compressionEngineAllocator_GetOSThreadCompressionEngine(
                              &p->pEngine, p->handle);
                      },
                      &other, "srm-test-n"),
                  MOS_RC__SUCCESS);
        mosOsThrd_Destroy(&next);
        EXPECT_EQ(other.rc, MOS_RC__SUCCESS) << i;
        EXPECT_NE(other.pEngine, nullptr) << i;
    }
}

TEST_F(ManagerTest, AFreedConfigurationTakesItsEnginesAlong) {
    const uint64_t handle = Allocate(SRM_TECHNIQUE__COMPRESSION, 0);
    CompressionEngine *pEngine = nullptr;
    ASSERT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, handle),
              MOS_RC__SUCCESS);
    EXPECT_EQ(sizeReductionManager_FreeConf(handle), MOS_RC__SUCCESS);
    EXPECT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, handle),
              MOS_RC__INVALID_ARG);
    EXPECT_EQ(Allocate(SRM_TECHNIQUE__COMPRESSION, 0), handle); // the handle is free again
    ASSERT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, handle),
              MOS_RC__SUCCESS);
}

// Freeing gives back every configuration, with engines or without; a
// handle that holds none is refused.
TEST_F(ManagerTest, FreeingAConfigurationSucceedsWithOrWithoutEngines) {
    const uint64_t compressing = Allocate(SRM_TECHNIQUE__COMPRESSION, 0);
    const uint64_t patternOnly = Allocate(SRM_TECHNIQUE__PATTERN_MATCHING, 3);
    EXPECT_EQ(sizeReductionManager_FreeConf(patternOnly), MOS_RC__SUCCESS);
    EXPECT_EQ(sizeReductionManager_FreeConf(compressing), MOS_RC__SUCCESS);
    EXPECT_EQ(sizeReductionManager_FreeConf(compressing), MOS_RC__INVALID_ARG);
    EXPECT_EQ(Allocate(SRM_TECHNIQUE__PATTERN_MATCHING, 3), compressing); // lowest free again
}

// An engine that cannot be built (family A needs 4 KiB of work memory, a
// 1 KiB configuration gives it 2 KiB) leaves its thread's slot empty: every
// request fails alike rather than getting a half-made engine.
TEST_F(ManagerTest, AnEngineThatCannotBeBuiltLeavesItsSlotEmpty) {
    SizeReductionConfParams params{};
    params.config = SRM_TECHNIQUE__COMPRESSION;
    params.maxInputBufferSizeInBytes = 1024;
    params.compression = {SRM_COMPRESSION_METHOD__LZ, 90};
    uint64_t handle = 0;
    ASSERT_EQ(sizeReductionManager_AllocateConf(&params, &handle), MOS_RC__SUCCESS);
    // More attempts than the configuration's pool has engines: none is
    // kept by a failed build.
    for (int attempt = 0; attempt < 6; ++attempt) {
        CompressionEngine *pEngine = nullptr;
        EXPECT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, handle),
                  MOS_RC__ERROR)
            << attempt;
        EXPECT_EQ(pEngine, nullptr) << attempt;
    }
    Block block(kBlock, 0);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(handle, &block.request), MOS_RC__ERROR);
}

// Threads the runtime did not start share one thread record; each still
// gets an engine of its own, never one another thread uses.
TEST_F(ManagerTest, ThreadsTheRuntimeDidNotStartGetEnginesOfTheirOwn) {
    const uint64_t handle = Allocate(SRM_TECHNIQUE__COMPRESSION, 0);
    CompressionEngine *pMain = nullptr;
    ASSERT_EQ(compressionEngineAllocator_GetOSThreadCompressionEngine(&pMain, handle),
              MOS_RC__SUCCESS);
    CompressionEngine *pEngines[2] = {};
    MOS_RC rcs[2] = {MOS_RC__ERROR, MOS_RC__ERROR};
    // Both threads hold their engines until both have one.
    std::mutex lock;
    std::condition_variable cond;
    int numGot = 0;
    auto getEngine = [&](int i) {
        rcs[i] = compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngines[i], handle);
        std::unique_lock<std::mutex> guard(lock);
        numGot++;
        cond.notify_all();
        cond.wait(guard, [&] { return numGot == 2; });
    };
    std::thread first(getEngine, 0);
    std::thread second(getEngine, 1);
    first.join();
    second.join();
    EXPECT_EQ(rcs[0], MOS_RC__SUCCESS);
    EXPECT_EQ(rcs[1], MOS_RC__SUCCESS);
    EXPECT_NE(pEngines[0], nullptr);
    EXPECT_NE(pEngines[0], pEngines[1]);
    EXPECT_NE(pEngines[0], pMain);
    EXPECT_NE(pEngines[1], pMain);
    // Their engines went back when they ended: two more threads get one.
    for (int i = 0; i < 2; ++i) {
        std::thread([&] {
            rcs[i] = compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngines[i], handle);
        }).join();
        EXPECT_EQ(rcs[i], MOS_RC__SUCCESS);
    }
}

// Heap churn at a thread's end: allocates blocks of every small size,
// zero-fills them and frees them again. Made after the thread's engine, its
// destructor runs before the thread's engine cleanup.
struct ExitChurn {
    ~ExitChurn() {
        std::vector<void *> blocks;
        for (size_t size = 8; size <= 2048; size += 8) {
            for (int copy = 0; copy < 4; ++copy) {
                void *p = std::malloc(size);
                if (p != nullptr) {
                    std::memset(p, 0, size);
                    blocks.push_back(p);
                }
            }
        }
        for (void *p : blocks) {
            std::free(p);
        }
    }
};
thread_local ExitChurn tlsExitChurn;

// A thread the runtime did not start gives its engine back when it ends,
// whatever its other thread-local objects do with the heap as it ends:
// three times as many threads as the allocator has arrays for threads each
// get one in turn (a kept one would run the pool dry).
TEST_F(ManagerTest, EndingThreadsGiveEnginesBackWhileTheirExitChurnsTheHeap) {
    const uint64_t handle = Allocate(SRM_TECHNIQUE__COMPRESSION, 0);
    for (int i = 0; i < 3 * 4; ++i) {
        MOS_RC rc = MOS_RC__ERROR;
        CompressionEngine *pEngine = nullptr;
        std::thread([&] {
            rc = compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, handle);
            (void)&tlsExitChurn;
        }).join();
        EXPECT_EQ(rc, MOS_RC__SUCCESS) << i;
        EXPECT_NE(pEngine, nullptr) << i;
    }
}

// Init and destroy stay balanced: a second reference keeps the manager.
TEST_F(ManagerTest, ReferencesAreCounted) {
    SizeReductionManagerInitParams params = {nullptr, 0, 4, 4};
    ASSERT_EQ(sizeReductionManager_Init(&params), MOS_RC__SUCCESS);
    sizeReductionManager_Destroy();
    const uint64_t handle = Allocate(SRM_TECHNIQUE__PATTERN_MATCHING, 1);
    Block zeros(kBlock, 0);
    EXPECT_EQ(sizeReductionManager_ShrinkBlock(handle, &zeros.request), MOS_RC__IO_ZERO_BUF);
}

// The allocator made and destroyed again and again while another thread
// keeps running and asks each new allocator for an engine: the slots the
// old allocators used on that thread are free again, so its four slots
// never run out.
class EngineAllocatorTest : public SrmLayers {};

TEST_F(EngineAllocatorTest, DestroyFreesTheSlotOfEveryThread) {
    struct Worker {
        std::mutex lock;
        std::condition_variable cond;
        uint64_t handle = 0;
        int round = 0; // set by the test: ask in this round
        int done = 0;  // set by the worker: asked in this round
        std::vector<MOS_RC> rcs;
    } worker;
    constexpr int kRounds = 2 * MOS_USER_CONTEXT_THRD_SLOTS;
    MosOsThrd thread;
    ASSERT_EQ(mosOsThrd_Create(
                  &thread,
                  [](void *pArg) {
                      auto *p = static_cast<Worker *>(pArg);
                      for (int round = 1; round <= kRounds; ++round) {
                          std::unique_lock<std::mutex> guard(p->lock);
                          p->cond.wait(guard, [&] { return p->round == round; });
                          CompressionEngine *pEngine = nullptr;
                          p->rcs.push_back(compressionEngineAllocator_GetOSThreadCompressionEngine(
                              &pEngine, p->handle));
                          p->done = round;
                          p->cond.notify_all();
                      }
                  },
                  &worker, "srm-slots"),
              MOS_RC__SUCCESS);
    for (int round = 1; round <= kRounds; ++round) {
        SizeReductionManagerInitParams params = {nullptr, 0, 2, 4};
        ASSERT_EQ(sizeReductionManager_Init(&params), MOS_RC__SUCCESS);
        SizeReductionConfParams conf{};
        conf.config = SRM_TECHNIQUE__COMPRESSION;
        conf.maxInputBufferSizeInBytes = kBlock;
        conf.compression = {SRM_COMPRESSION_METHOD__LZ, 90};
        uint64_t handle = 0;
        EXPECT_EQ(sizeReductionManager_AllocateConf(&conf, &handle), MOS_RC__SUCCESS);
        {
            std::unique_lock<std::mutex> guard(worker.lock);
            worker.handle = handle;
            worker.round = round;
            worker.cond.notify_all();
            worker.cond.wait(guard, [&] { return worker.done == round; });
        }
        sizeReductionManager_Destroy();
    }
    mosOsThrd_Destroy(&thread);
    EXPECT_EQ(worker.rcs, std::vector<MOS_RC>(kRounds, MOS_RC__SUCCESS));
}

} // namespace
