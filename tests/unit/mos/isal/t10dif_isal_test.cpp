// Our T10-DIF guards against an independent implementation.
#include "mos_cpu.h"
#include "mos_t10dif.h"

#include <gtest/gtest.h>
#include <isa-l/crc.h>

#include <random>
#include <vector>

namespace {

TEST(T10DifReference, BothFormsMatchIsal) {
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    bool clmul = mosCpu_HasPclmul(mosCpu_Info().processorInfoAndFeatureBits);
    std::mt19937 rng(5);
    std::vector<uint8_t> data(4096 + (1u << 20));
    for (auto &b : data) {
        b = static_cast<uint8_t>(rng());
    }
    for (size_t len = 0; len <= 4096; len++) {
        auto seed = static_cast<uint16_t>(rng());
        uint16_t expected = crc16_t10dif(seed, data.data(), len);
        ASSERT_EQ(mos_generic_t10dif_crc(seed, data.data(), len), expected) << len;
        if (clmul) {
            ASSERT_EQ(mosT10Dif_CrcPclmul(seed, data.data(), len), expected) << len;
        }
    }
    uint16_t expected = crc16_t10dif(0, data.data() + 4096, 1u << 20);
    EXPECT_EQ(mos_generic_t10dif_crc(0, data.data() + 4096, 1u << 20), expected);
    if (clmul) {
        EXPECT_EQ(mosT10Dif_CrcPclmul(0, data.data() + 4096, 1u << 20), expected);
    }
}

} // namespace
