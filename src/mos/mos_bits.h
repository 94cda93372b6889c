// Bit helpers: the next set bit of a bitmap numbered from the most
// significant bit of each byte, and a population count.
#pragma once

#include <cstdint>

inline constexpr uint32_t MOS_BIT_NOT_FOUND = 0xFFFFFFFF;

// The lowest index in firstIdx .. lastIdx (both included) whose bit is set;
// index i is bit 7 - (i % 8) of byte i / 8. MOS_BIT_NOT_FOUND when none is
// set, or when firstIdx > lastIdx (the bitmap is then not read).
uint32_t mos_FindNextSetBitMsb(const uint8_t *pBitmap, uint32_t firstIdx, uint32_t lastIdx);

// The number of set bits of value.
uint32_t mos_CountSetBits(uint32_t value);
