#include "mos_crc32c.h"
#include "mos_trace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(Crc32c, KnownValues) {
    struct Case {
        const char *pText;
        uint32_t expected;
    };
    const Case cases[] = {
        {"", 0xFFFFFFFFu},
        {"abc", 0xC9B4C048u},
    };
    for (const auto &c : cases) {
        size_t len = strlen(c.pText);
        EXPECT_EQ(mosCrc32c_Software(c.pText, len), c.expected) << c.pText;
        EXPECT_EQ(mos_Crc32c(c.pText, len), c.expected) << c.pText;
        EXPECT_EQ(mosTrace_GetFormatId(c.pText), c.expected) << c.pText;
        EXPECT_EQ(mosCrc32c_Const(c.pText, len), c.expected) << c.pText;
        if (mosCrc32c_HasHardware()) {
            EXPECT_EQ(mosCrc32c_Hw32(c.pText, len), c.expected) << c.pText;
            EXPECT_EQ(mosCrc32c_Hw64(c.pText, len), c.expected) << c.pText;
        }
    }
    static_assert(MOS_TRACE_FORMAT_ID("abc") == 0xC9B4C048u);
}

// The slicing loop, the alignment prologue and the hardware tails each
// cover a different span of a buffer; every length and start must agree.
TEST(Crc32c, ImplementationsAgreeAtEveryAlignmentAndLength) {
    if (!mosCrc32c_HasHardware()) {
        GTEST_SKIP() << "processor without SSE4.2: only the software form runs";
    }
    std::vector<uint8_t> data(4096 + 8);
    uint32_t seed = 12345;
    for (auto &b : data) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    for (size_t offset = 0; offset < 8; offset++) {
        for (size_t len = 0; len <= 4096; len++) {
            const uint8_t *p = data.data() + offset;
            uint32_t sw = mosCrc32c_Software(p, len);
            ASSERT_EQ(mosCrc32c_Hw32(p, len), sw) << "offset " << offset << " len " << len;
            ASSERT_EQ(mosCrc32c_Hw64(p, len), sw) << "offset " << offset << " len " << len;
        }
    }
}

TEST(Crc32c, SelectHonoursTheChoice) {
    struct Case {
        uint32_t crcImpl;
        uint32_t expectedWithHw;
    };
    const Case cases[] = {
        {MOS_CRC_IMPL__SOFTWARE, MOS_CRC_IMPL__SOFTWARE},
        {MOS_CRC_IMPL__HW32, MOS_CRC_IMPL__HW32},
        {MOS_CRC_IMPL__HW64, MOS_CRC_IMPL__HW64},
        {0, MOS_CRC_IMPL__HW64}, // 0 keeps the stored choice (3 from the row before)
        {7, MOS_CRC_IMPL__HW64}, // outside 1..3: automatic
    };
    for (const auto &c : cases) {
        MosCrcParams params{c.crcImpl};
        ASSERT_EQ(mosCrc32c_Select(&params), MOS_RC__SUCCESS);
        uint32_t expected = mosCrc32c_HasHardware() ? c.expectedWithHw : MOS_CRC_IMPL__SOFTWARE;
        EXPECT_EQ(mosCrc32c_InUse(), expected) << c.crcImpl;
        EXPECT_EQ(mos_Crc32c("abc", 3), 0xC9B4C048u);
    }
    ASSERT_EQ(mosCrc32c_Select(nullptr), MOS_RC__SUCCESS);
}

// A later selection with default settings (none, or 0) keeps every stored
// choice; only a non-zero choice replaces it.
TEST(Crc32c, DefaultSettingsKeepTheStoredChoice) {
    if (!mosCrc32c_HasHardware()) {
        GTEST_SKIP() << "processor without SSE4.2: every choice uses the software form";
    }
    for (uint32_t choice : {MOS_CRC_IMPL__SOFTWARE, MOS_CRC_IMPL__HW32, MOS_CRC_IMPL__HW64}) {
        MosCrcParams params{choice};
        ASSERT_EQ(mosCrc32c_Select(&params), MOS_RC__SUCCESS);
        MosCrcParams defaults{0};
        ASSERT_EQ(mosCrc32c_Select(&defaults), MOS_RC__SUCCESS);
        EXPECT_EQ(mosCrc32c_InUse(), choice) << "after 0, stored " << choice;
        ASSERT_EQ(mosCrc32c_Select(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosCrc32c_InUse(), choice) << "after none, stored " << choice;
        EXPECT_EQ(mos_Crc32c("abc", 3), 0xC9B4C048u);
    }
    // Back to the automatic choice for the tests that follow.
    MosCrcParams automatic{MOS_CRC_IMPL__HW64 + 1};
    ASSERT_EQ(mosCrc32c_Select(&automatic), MOS_RC__SUCCESS);
    EXPECT_EQ(mosCrc32c_InUse(), MOS_CRC_IMPL__HW64);
}

} // namespace
