#include "mos_bits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FindNextSetBitMsb, CountsFromTheMostSignificantBitOfEachByte) {
    struct Case {
        std::vector<uint8_t> bitmap;
        uint32_t first;
        uint32_t last;
        uint32_t expected;
    };
    const Case cases[] = {
        {{0x20}, 0, 7, 2},
        {{0x00}, 0, 7, MOS_BIT_NOT_FOUND},
        {{0x80}, 0, 0, 0},
        {{0x01}, 0, 7, 7},
        {{0x01}, 0, 6, MOS_BIT_NOT_FOUND},           // last index excludes the bit
        {{0xA0}, 1, 7, 2},                           // first index skips bit 0
        {{0x00, 0x00, 0x40}, 0, 23, 17},             // zero bytes skipped whole
        {{0x00, 0x00, 0x40}, 3, 23, 17},             // from inside a zero byte
        {{0xFF, 0x00, 0x00, 0x01}, 8, 31, 31},       // last bit of the last word
        {{0x80, 0x00, 0x00, 0x00, 0x80}, 1, 32, 32}, // first bit after a word
        {{0x00, 0x00, 0x00, 0x00, 0x80}, 0, 31, MOS_BIT_NOT_FOUND},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mos_FindNextSetBitMsb(c.bitmap.data(), c.first, c.last), c.expected)
            << c.first << ".." << c.last;
    }
}

TEST(FindNextSetBitMsb, EmptyRangeDoesNotReadTheBitmap) {
    EXPECT_EQ(mos_FindNextSetBitMsb(nullptr, 8, 7), MOS_BIT_NOT_FOUND);
}

// A range that ends at the last index there is: the search stops there
// instead of wrapping round to index 0 and running on. Only the last two
// bytes of the (notional) 512 MiB bitmap are read, so only they exist.
TEST(FindNextSetBitMsb, RangeEndingAtTheLastIndexTerminates) {
    const uint32_t firstIdx = 0xFFFFFFF0;
    for (uint8_t lastByte : {uint8_t{0x00}, uint8_t{0x40}}) { // 0x40: index 0xFFFFFFF9
        const uint8_t tail[2] = {0x00, lastByte};
        // The address the bitmap would start at (computed as a number: no
        // array of that size exists).
        const auto *pBitmap =
            reinterpret_cast<const uint8_t *>(reinterpret_cast<uintptr_t>(tail) - firstIdx / 8);
        EXPECT_EQ(mos_FindNextSetBitMsb(pBitmap, firstIdx, 0xFFFFFFFF),
                  lastByte ? 0xFFFFFFF9u : MOS_BIT_NOT_FOUND);
    }
}

TEST(CountSetBits, SumsEveryByte) {
    struct Case {
        uint32_t value;
        uint32_t expected;
    };
    for (Case c :
         {Case{0, 0}, Case{1, 1}, Case{256, 1}, Case{0x80000001, 2}, Case{0xFF, 8},
          Case{0xFFFFFFFF, 32}, Case{0x00010000, 1}, Case{0x01000000, 1}, Case{0x12345678, 13}}) {
        EXPECT_EQ(mos_CountSetBits(c.value), c.expected) << std::hex << c.value;
    }
}

} // namespace
