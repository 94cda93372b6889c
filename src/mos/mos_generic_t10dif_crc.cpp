// Table-driven T10-DIF CRC: one lookup per byte.
#include "mos_t10dif.h"

#include <array>

namespace {

constexpr uint16_t kPoly = 0x8BB7;

constexpr std::array<uint16_t, 256> makeTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; i++) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; bit++) {
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ kPoly : crc << 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = makeTable();
static_assert(kTable[1] == 0x8BB7);

} // namespace

uint16_t mos_generic_t10dif_crc(uint16_t seed, const uint8_t *pData, size_t length) {
    uint16_t crc = seed;
    for (size_t i = 0; i < length; i++) {
        crc = static_cast<uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ pData[i]) & 0xFF]);
    }
    return crc;
}
