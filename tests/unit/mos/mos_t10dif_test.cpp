#include "mos_cpu.h"
#include "mos_t10dif.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

bool haveClmul() {
    EXPECT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    return mosCpu_HasPclmul(mosCpu_Info().processorInfoAndFeatureBits);
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto &b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

using CrcFn = uint16_t (*)(uint16_t, const uint8_t *, size_t);

class T10DifForms : public testing::TestWithParam<CrcFn> {
  protected:
    void SetUp() override {
        if (GetParam() == mosT10Dif_CrcPclmul && !haveClmul()) {
            GTEST_SKIP() << "processor has no PCLMULQDQ";
        }
    }
};

TEST_P(T10DifForms, KnownValues) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(GetParam()(0, check, sizeof check), 0xD0DB);
    std::vector<uint8_t> zeros(4096);
    for (size_t len : {0, 1, 16, 17, 512, 4096}) {
        EXPECT_EQ(GetParam()(0, zeros.data(), len), 0) << len;
    }
    EXPECT_EQ(GetParam()(0x1234, nullptr, 0), 0x1234); // nothing to add
}

TEST_P(T10DifForms, ContinuesFromASeed) {
    auto data = randomBytes(3000, 7);
    for (size_t split : {0, 1, 15, 16, 17, 255, 256, 1000, 2999, 3000}) {
        uint16_t first = GetParam()(0, data.data(), split);
        EXPECT_EQ(GetParam()(first, data.data() + split, data.size() - split),
                  GetParam()(0, data.data(), data.size()))
            << split;
    }
}

INSTANTIATE_TEST_SUITE_P(Both, T10DifForms,
                         testing::Values(&mos_generic_t10dif_crc, &mosT10Dif_CrcPclmul));

TEST(T10Dif, FormsAgreeAtEveryLengthAndAlignment) {
    if (!haveClmul()) {
        GTEST_SKIP() << "processor has no PCLMULQDQ";
    }
    auto data = randomBytes(4096 + 16, 11);
    std::mt19937 rng(3);
    for (size_t len = 0; len <= 4096; len++) {
        size_t offset = len % 16;
        auto seed = static_cast<uint16_t>(rng());
        ASSERT_EQ(mosT10Dif_CrcPclmul(seed, data.data() + offset, len),
                  mos_generic_t10dif_crc(seed, data.data() + offset, len))
            << "length " << len << " seed " << seed;
    }
}

TEST(T10Dif, FormsAgreeOnLargeBuffers) {
    if (!haveClmul()) {
        GTEST_SKIP() << "processor has no PCLMULQDQ";
    }
    for (uint32_t round = 0; round < 3; round++) {
        auto data = randomBytes((1u << 20) + round * 7, round);
        EXPECT_EQ(mosT10Dif_CrcPclmul(0, data.data(), data.size()),
                  mos_generic_t10dif_crc(0, data.data(), data.size()));
    }
}

TEST(T10Dif, TableFormTakesWhatTheOtherFormTakes) {
    // Longer than the 1,048,577 bytes the table form once stopped at.
    std::vector<uint8_t> zeros((1u << 20) + 2);
    EXPECT_EQ(mos_generic_t10dif_crc(0, zeros.data(), zeros.size()), 0);
}

TEST(T10Dif, InitSelectsAFormThatPassesTheZeroBlock) {
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    ASSERT_EQ(mosT10Dif_Init(nullptr), MOS_RC__SUCCESS);
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(mosT10Dif_Crc(0, check, sizeof check), 0xD0DB);
}

TEST(Cpu, QueryRecordFromFeatureBits) {
    MosCpuIdRegs leaf1{0x11, 0x22, (1u << 1) | (1u << 25) | (1u << 31), 0x44};
    MosCpuLayer_Query q{};
    mosCpu_FillQuery(leaf1, &q);
    EXPECT_EQ(q.eax, 0x11u);
    EXPECT_EQ(q.ecx, leaf1.ecx);
    EXPECT_EQ(q.edx, 0x44u);
    EXPECT_EQ(q.bIsAvailPCLMULQDQ, 1u);
    EXPECT_EQ(q.bIsAvailSSE42, 0u);
    EXPECT_EQ(q.bIsAvailAES, 1u);
    EXPECT_EQ(q.bIsAvailAVX, 0u);
    EXPECT_EQ(q.bIsAvailHypervisor, 1u);
}

TEST(Cpu, VendorTextsAreTerminated) {
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(strlen(mosCpu_Info().vendor), 12u);
    EXPECT_LE(strlen(mosCpu_Info().hypervisorVendor), 12u);
}

} // namespace
