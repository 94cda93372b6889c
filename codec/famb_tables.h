// Family B constant tables: match-length and distance alphabets, the
// encoder's symbol lookups, the order of the code-length-code lengths and
// the byte bit-reversal table. All read-only and computed at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace famb {

inline constexpr unsigned kLitLenSymbols = 286; // 0..255, 256 end, 257..285
inline constexpr unsigned kLengthSymbols = 29;
inline constexpr unsigned kDistSymbols = 34;
inline constexpr unsigned kCodeLenSymbols = 19;
inline constexpr unsigned kEndOfBlock = 256;
inline constexpr unsigned kMinMatch = 4;
inline constexpr unsigned kMaxMatch = 260;
inline constexpr unsigned kMaxCodeBits = 15;
inline constexpr unsigned kMaxCodeLenBits = 7;
inline constexpr unsigned kMaxStoredLen = 32768;

// One row of the length or distance alphabet: base value and extra bits.
struct SymbolRange {
    uint16_t base;
    uint8_t extraBits;
};

inline constexpr std::array<SymbolRange, kLengthSymbols> kLengthRanges = {{
    {4, 0},  {5, 0},  {6, 0},   {7, 0},   {8, 0},   {9, 0},   {10, 0},  {11, 0},  {12, 1},  {14, 1},
    {16, 1}, {18, 1}, {20, 2},  {24, 2},  {28, 2},  {32, 2},  {36, 3},  {44, 3},  {52, 3},  {60, 3},
    {68, 4}, {84, 4}, {100, 4}, {116, 4}, {132, 5}, {164, 5}, {196, 5}, {228, 5}, {260, 0},
}};

inline constexpr std::array<SymbolRange, kDistSymbols> kDistRanges = {{
    {1, 0},      {2, 0},      {3, 0},      {4, 0},      {5, 1},      {7, 1},      {9, 2},
    {13, 2},     {17, 3},     {25, 3},     {33, 4},     {49, 4},     {65, 5},     {97, 5},
    {129, 6},    {193, 6},    {257, 7},    {385, 7},    {513, 8},    {769, 8},    {1025, 9},
    {1537, 9},   {2049, 10},  {3073, 10},  {4097, 11},  {6145, 11},  {8193, 12},  {12289, 12},
    {16385, 13}, {24577, 13}, {32769, 13}, {40961, 13}, {49153, 13}, {57345, 13},
}};

// Order in which the code-length-code lengths appear in a block header.
inline constexpr std::array<uint8_t, kCodeLenSymbols> kCodeLenOrder = {
    18, 17, 16, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Match length minus 4 (0..256) -> length symbol minus 257.
inline constexpr std::array<uint8_t, 257> kLengthCode = [] {
    std::array<uint8_t, 257> table{};
    for (unsigned sym = 0; sym < kLengthSymbols; ++sym) {
        unsigned first = kLengthRanges[sym].base - kMinMatch;
        unsigned count = 1u << kLengthRanges[sym].extraBits;
        for (unsigned i = 0; i < count && first + i < table.size(); ++i) {
            table[first + i] = static_cast<uint8_t>(sym);
        }
    }
    return table;
}();

// Distance minus 1: entry d-1 below 256, else 256 + ((d-1) >> 7).
inline constexpr std::array<uint8_t, 768> kDistCode = [] {
    std::array<uint8_t, 768> table{};
    for (unsigned sym = 0; sym < kDistSymbols; ++sym) {
        unsigned first = kDistRanges[sym].base - 1u;
        unsigned count = 1u << kDistRanges[sym].extraBits;
        for (unsigned d = first; d < first + count; ++d) {
            if (d < 256) {
                table[d] = static_cast<uint8_t>(sym);
            } else {
                table[256 + (d >> 7)] = static_cast<uint8_t>(sym);
            }
        }
    }
    table[256] = 0; // never read: distances 1..256 use the direct part
    table[257] = 0;
    return table;
}();

[[nodiscard]] constexpr unsigned distSymbol(unsigned distance) {
    unsigned d = distance - 1u;
    return d < 256 ? kDistCode[d] : kDistCode[256 + (d >> 7)];
}

inline constexpr std::array<uint32_t, 256> kBitReverse = [] {
    std::array<uint32_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < 8; ++b) {
            r |= ((i >> b) & 1u) << (7 - b);
        }
        table[i] = r;
    }
    return table;
}();

// Reverses the low `bits` bits of `code` (1..15).
[[nodiscard]] constexpr unsigned reverseBits(unsigned code, unsigned bits) {
    if (bits <= 8) {
        return kBitReverse[code & 0xFF] >> (8 - bits);
    }
    unsigned wide = (kBitReverse[code & 0xFF] << 8) | kBitReverse[(code >> 8) & 0xFF];
    return wide >> (16 - bits);
}

} // namespace famb
