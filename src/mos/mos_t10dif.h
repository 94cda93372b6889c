// T10-DIF guard checksums: CRC-16 with polynomial 0x8BB7, not reflected,
// no final inversion, seeded with 0 for a fresh guard or with an earlier
// guard to continue over further bytes ("123456789" gives 0xD0DB).
#pragma once

#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

// The guard of a zero block with seed 0; checked at start-up.
inline constexpr uint16_t t10dif_ZeroBufGuard_G = 0;

// Table-driven form.
uint16_t mos_generic_t10dif_crc(uint16_t seed, const uint8_t *pData, size_t length);

// Carry-less-multiplication form; the processor must have PCLMULQDQ and
// SSE4.1. Gives the table form's result for every input.
uint16_t mosT10Dif_CrcPclmul(uint16_t seed, const uint8_t *pData, size_t length);

// Selects the form (carry-less when CPUID leaf 1 reports PCLMULQDQ),
// traces the choice and checks it on a zero block.
[[nodiscard]] MOS_RC mosT10Dif_Init(void *pUnused);

// The selected form; the table form until mosT10Dif_Init has run.
uint16_t mosT10Dif_Crc(uint16_t seed, const uint8_t *pData, size_t length);
