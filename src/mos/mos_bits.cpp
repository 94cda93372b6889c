#include "mos_bits.h"

#include <array>

namespace {

constexpr std::array<uint8_t, 256> makePopCountTable() {
    std::array<uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; v++) {
        table[v] = static_cast<uint8_t>((v & 1) + table[v / 2]);
    }
    return table;
}

constexpr std::array<uint8_t, 256> popCountTable_G = makePopCountTable();

} // namespace

uint32_t mos_FindNextSetBitMsb(const uint8_t *pBitmap, uint32_t firstIdx, uint32_t lastIdx) {
    // 64-bit index so that lastIdx 0xFFFFFFFF cannot wrap the loop.
    uint64_t idx = firstIdx;
    while (idx <= lastIdx) {
        if (pBitmap[idx / 8] == 0) {
            idx = (idx / 8 + 1) * 8;
            continue;
        }
        if (pBitmap[idx / 8] & (0x80u >> (idx % 8))) {
            return static_cast<uint32_t>(idx);
        }
        idx++;
    }
    return MOS_BIT_NOT_FOUND;
}

uint32_t mos_CountSetBits(uint32_t value) {
    uint32_t count = 0;
    for (int i = 0; i < 4 && value != 0; i++) {
        count += popCountTable_G[value & 0xFF];
        value >>= 8;
    }
    return count;
}
