// Size-reduction configurations: technique words, the handle table and
// its look-ups.

#include "size_reduction_config.h"

#include "core_layers.h"
#include "mos_mempool.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct MaskCase {
    SizeReductionConfig src;
    uint32_t technique;
    SizeReductionConfig dstBefore;
    SizeReductionConfig dstAfter;
};

TEST(SizeReductionConfigTest, ExtensionBitsAreOredUnderTheTechniquesMask) {
    const MaskCase kCases[] = {
        {0x03E6, 2, 0, 0x00E2}, {0x03E6, 4, 0, 0x0304},      {0x03E6, 0, 0x11, 0x11},
        {0x1C08, 8, 0, 0x1C08}, {0xFFFF, 1, 0x8000, 0x8301}, {0x03E6, 8, 0, 0},
    };
    for (const MaskCase &c : kCases) {
        SizeReductionConfig dst = c.dstBefore;
        sizeReductionConfig_GetTechniqueExtShiftAndMask(c.src, c.technique, &dst);
        EXPECT_EQ(dst, c.dstAfter) << std::hex << c.src << " technique " << c.technique;
    }
}

TEST(SizeReductionConfigDeathTest, AnUnknownTechniqueHasNoMask) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            SizeReductionConfig dst = 0;
            sizeReductionConfig_GetTechniqueExtShiftAndMask(0x03E6, 3, &dst);
        },
        mostest::ExitedWithMinusOne, "ALWAYS_ASSERT");
}

TEST(SizeReductionConfigTest, TechniqueSetAndNoTechnique) {
    EXPECT_EQ(sizeReductionConfig_IsTechniqueSet(0x0040, 0), 1u);
    EXPECT_EQ(sizeReductionConfig_IsTechniqueSet(0x0041, 0), 0u);
    EXPECT_EQ(sizeReductionConfig_IsTechniqueSet(0x0006, 4), 1u);
    EXPECT_EQ(sizeReductionConfig_IsTechniqueSet(0x0006, 8), 0u);
    SizeReductionConfig word = 0x1234;
    SizeReductionConfig copy = 0;
    sizeReductionConfig_Copy(&copy, &word);
    EXPECT_EQ(copy, 0x1234);
    sizeReductionConfig_Clear(&copy);
    EXPECT_EQ(copy, 0);
}

class SizeReductionConfManagerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosMemPoolLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() { mosMemPoolLayer_Destroy(); }
    void SetUp() override { ASSERT_EQ(sizeReductionConfManager_Init(4), MOS_RC__SUCCESS); }
    void TearDown() override { sizeReductionConfManager_Destroy(); }

    static uint64_t Allocate(SizeReductionConfig word, uint64_t otherConf = 0) {
        SizeReductionConfParams params{};
        params.config = word;
        params.maxInputBufferSizeInBytes = 64 * 1024;
        params.compression = {SRM_COMPRESSION_METHOD__LZH, 75};
        params.technique8Conf = 0x88;
        params.otherConf = otherConf;
        uint64_t handle = 0;
        EXPECT_EQ(sizeReductionConfManager_AllocateConf(&params, &handle), MOS_RC__SUCCESS);
        return handle;
    }
};

TEST_F(SizeReductionConfManagerTest, HandlesOneToMaxAreValid) {
    const uint32_t kValid[] = {0, 1, 1, 1, 1, 0};
    for (uint64_t handle = 0; handle <= 5; ++handle) {
        EXPECT_EQ(sizeReductionConfManager_IsConfHandleValid(handle), kValid[handle]) << handle;
    }
    SizeReductionConfig word = 0x7777;
    EXPECT_EQ(sizeReductionConfManager_GetSizeReductionConfig(5, &word), MOS_RC__INVALID_ARG);
    EXPECT_EQ(word, 0);
    word = 0x7777; // a valid handle without a configuration
    EXPECT_EQ(sizeReductionConfManager_GetSizeReductionConfig(1, &word), MOS_RC__INVALID_ARG);
    EXPECT_EQ(word, 0);
    SizeReductionConf *pConf = reinterpret_cast<SizeReductionConf *>(1);
    EXPECT_EQ(sizeReductionConfManager_GetConf(2, &pConf), MOS_RC__SUCCESS);
    EXPECT_EQ(pConf, nullptr);
    EXPECT_EQ(sizeReductionConfManager_GetConf(0, &pConf), MOS_RC__INVALID_ARG);
}

TEST_F(SizeReductionConfManagerTest, TechniquesAndTheirSlots) {
    const uint64_t handle = Allocate(0x00E6 | SRM_TECHNIQUE__8 | SRM_TECHNIQUE__16, 3);
    ASSERT_EQ(handle, 1u);
    SizeReductionConfig word = 0;
    EXPECT_EQ(sizeReductionConfManager_GetSizeReductionConfig(handle, &word), MOS_RC__SUCCESS);
    EXPECT_EQ(word, 0x00E6 | 8 | 16);
    for (uint32_t technique : {2u, 4u, 8u, 16u}) {
        EXPECT_EQ(sizeReductionConfManager_IsTechniqueEnabled(handle, technique), 1u) << technique;
    }
    for (uint32_t technique : {0u, 1u, 6u, 32u, 64u}) {
        EXPECT_EQ(sizeReductionConfManager_IsTechniqueEnabled(handle, technique), 0u) << technique;
    }
    uint64_t value = 99;
    ASSERT_EQ(sizeReductionConfManager_GetTechniqueConfig(handle, 2, &value), MOS_RC__SUCCESS);
    const auto *pCompression =
        reinterpret_cast<const SizeReductionCompressionConf *>(static_cast<uintptr_t>(value));
    EXPECT_EQ(pCompression->method, SRM_COMPRESSION_METHOD__LZH);
    EXPECT_EQ(pCompression->maxCompressedPercentage, 75);
    EXPECT_EQ(sizeReductionConfManager_GetTechniqueConfig(handle, 4, &value), MOS_RC__SUCCESS);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(sizeReductionConfManager_GetTechniqueConfig(handle, 8, &value), MOS_RC__SUCCESS);
    EXPECT_EQ(value, 0x88u);
    // Technique 16 has no slot, even when enabled; a disabled one neither.
    value = 99;
    EXPECT_EQ(sizeReductionConfManager_GetTechniqueConfig(handle, 16, &value), MOS_RC__INVALID_ARG);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(sizeReductionConfManager_GetTechniqueConfig(handle, 1, &value), MOS_RC__INVALID_ARG);
    EXPECT_EQ(sizeReductionConfManager_GetTechniqueConfig(3, 2, &value), MOS_RC__INVALID_ARG);
}

TEST_F(SizeReductionConfManagerTest, FreedHandlesAreReusedAndTheTableFills) {
    for (uint64_t expected = 1; expected <= 4; ++expected) {
        EXPECT_EQ(Allocate(SRM_TECHNIQUE__COMPRESSION), expected);
    }
    SizeReductionConfParams params{};
    params.config = SRM_TECHNIQUE__PATTERN_MATCHING;
    uint64_t handle = 7;
    EXPECT_EQ(sizeReductionConfManager_AllocateConf(&params, &handle), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(handle, 0u);
    sizeReductionConfManager_FreeConf(2);
    SizeReductionConfig word = 0;
    EXPECT_EQ(sizeReductionConfManager_GetSizeReductionConfig(2, &word), MOS_RC__INVALID_ARG);
    EXPECT_EQ(sizeReductionConfManager_AllocateConf(&params, &handle), MOS_RC__SUCCESS);
    EXPECT_EQ(handle, 2u);
    // Destroy (in TearDown) takes back what is still held.
}

TEST_F(SizeReductionConfManagerTest, ConfigurationsNeedATechniqueAndACompressionLimit) {
    SizeReductionConfParams params{};
    uint64_t handle = 0;
    params.config = 0x00E0; // extension bits only
    EXPECT_EQ(sizeReductionConfManager_AllocateConf(&params, &handle), MOS_RC__INVALID_ARG);
    params.config = SRM_TECHNIQUE__COMPRESSION; // percentage 0
    EXPECT_EQ(sizeReductionConfManager_AllocateConf(&params, &handle), MOS_RC__INVALID_ARG);
}

TEST(SizeReductionConfManagerDeathTest, LifeCycleMisuseIsFatal) {
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)sizeReductionConfManager_Init(0)),
                mostest::ExitedWithMinusOne, "0 < maxConfigurations");
    EXPECT_EXIT((mostest::StdoutToStderr(), sizeReductionConfManager_Destroy()),
                mostest::ExitedWithMinusOne, "1 == g_bSRCMInitialized");
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            mostest::EnsureCoreLayers();
            (void)mosMemPoolLayer_Init(nullptr);
            (void)sizeReductionConfManager_Init(2);
            (void)sizeReductionConfManager_IsTechniqueEnabled(1, 2);
        },
        mostest::ExitedWithMinusOne, "!= pConf");
}

} // namespace
