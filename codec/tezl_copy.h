// Word-wide copies shared by the decoders: loads and stores of unaligned
// words, and the copy of a match in whole words, overlapping or not.
// Internal to the library. The streams are little-endian on every target.
#pragma once

#include <cstdint>
#include <cstring>

namespace tezl_copy {

inline uint64_t load64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline uint32_t loadBigEndian32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return __builtin_bswap32(v);
}
inline void store64(uint8_t *p, uint64_t v) {
    std::memcpy(p, &v, 8);
}
// 16 bytes loaded before any is stored, so source and destination may overlap.
inline void copy16(uint8_t *dst, const uint8_t *src) {
    uint8_t bytes[16];
    std::memcpy(bytes, src, 16);
    std::memcpy(dst, bytes, 16);
}

// The first 8 bytes of a pattern of period `distance` (1 to 7) that starts
// at src (little-endian byte order): the period's bytes, doubled until
// they fill the word. Reads 8 bytes at src.
inline uint64_t patternWord(const uint8_t *src, uint32_t distance) {
    uint64_t word = load64(src) & (~uint64_t{0} >> (64 - 8 * distance));
    for (uint32_t shift = 8 * distance; shift < 64; shift *= 2) {
        word |= word << shift;
    }
    return word;
}

// The 8 bytes that follow `word` in the same pattern (period 1 to 7): the
// pattern moved on by 8 % distance bytes.
inline uint64_t nextPatternWord(uint64_t word, uint32_t distance) {
    static constexpr uint8_t kPhase[8] = {0, 0, 0, 2, 0, 3, 2, 1}; // 8 % distance
    uint32_t phase = kPhase[distance];
    return phase == 0 ? word : word >> (8 * phase) | word << (8 * (distance - phase));
}

// Copies `length` bytes from `distance` back, repeating the last
// `distance` bytes where source and destination overlap, in whole words:
// up to 15 bytes past the match end are written with scratch.
inline void copyWide(uint8_t *dst, uint32_t distance, uint32_t length) {
    const uint8_t *src = dst - distance;
    if (distance >= 16) {
        for (uint32_t i = 0; i < length; i += 16) {
            copy16(dst + i, src + i);
        }
    } else if (distance >= 8) {
        for (uint32_t i = 0; i < length; i += 8) {
            store64(dst + i, load64(src + i));
        }
    } else {
        uint64_t word = patternWord(src, distance);
        for (uint32_t i = 0; i < length; i += 8) {
            store64(dst + i, word);
            word = nextPatternWord(word, distance);
        }
    }
}

} // namespace tezl_copy
