// CRC-32C (Castagnoli, reflected polynomial 0x82F63B78) with initial value
// 0xFFFFFFFF and no final inversion: the message ids of the trace and the
// checksums of the binary trace records.
//
// Three implementations give the same result: slicing-by-8 in software and
// the SSE4.2 CRC32 instruction in 32-bit and 64-bit steps. mos_Crc32c goes
// through the one chosen by mosCrc32c_Select.
#pragma once

#include "mos_init_params.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

enum MosCrcImpl : uint32_t {
    MOS_CRC_IMPL__AUTO = 0,     // SSE4.2 64-bit steps when present, else software
    MOS_CRC_IMPL__SOFTWARE = 1, // slicing-by-8
    MOS_CRC_IMPL__HW32 = 2,     // CRC32 instruction, 4 bytes a step
    MOS_CRC_IMPL__HW64 = 3,     // CRC32 instruction, 8 bytes a step
};

inline constexpr uint32_t MOS_CRC32C_POLY = 0x82F63B78u;
inline constexpr uint32_t MOS_CRC32C_INIT = 0xFFFFFFFFu;

// Through the selected implementation; 0xFFFFFFFF for length 0.
uint32_t mos_Crc32c(const void *pData, size_t length);

// The three forms, for callers that compare or measure them. The hardware
// forms must be called only when mosCrc32c_HasHardware() is true.
uint32_t mosCrc32c_Software(const void *pData, size_t length);
uint32_t mosCrc32c_Hw32(const void *pData, size_t length);
uint32_t mosCrc32c_Hw64(const void *pData, size_t length);
bool mosCrc32c_HasHardware();

// Main layer: a non-zero crcImpl replaces the stored choice; a stored
// choice of 0 or outside 1..3 uses the 64-bit hardware form when the
// processor reports SSE4.2, else software. Always succeeds.
[[nodiscard]] MOS_RC mosCrc32c_Select(void *pCrcParams);

// The implementation mos_Crc32c currently uses (1..3).
uint32_t mosCrc32c_InUse();

// Compile-time CRC of a text, for message ids computed at the call site.
constexpr uint32_t mosCrc32c_Const(const char *pText, size_t length) {
    uint32_t crc = MOS_CRC32C_INIT;
    for (size_t i = 0; i < length; i++) {
        crc ^= static_cast<uint8_t>(pText[i]);
        for (int bit = 0; bit < 8; bit++) {
            crc = (crc >> 1) ^ (MOS_CRC32C_POLY & (0u - (crc & 1u)));
        }
    }
    return crc;
}
