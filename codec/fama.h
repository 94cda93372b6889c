// Family A: byte-aligned LZ77 tokens (encoder levels 1..3, decoders 0, -1).
#pragma once

#include "tezl_stream.h"

inline constexpr uint32_t TEZLA_RING_PIECES = 32;

// Encoder context (levels 1, 2, 3).
struct TezlAEncoder {
    TezlContext base;
    uint8_t *work;                        // the hash table: 16-bit entries
    uint32_t tableBytes;                  // largest power of two not above the work size
    uint32_t hashShift;                   // 32 - log2(entries)
    uint8_t *retained[TEZLA_RING_PIECES]; // input pieces kept as history
    TezlCappedState capped;
    int32_t pieceStatus; // 0 as each piece starts; read by nothing
    int32_t runStatus;   // -1 after a reset, -2 after a failed list encode
};
static_assert(sizeof(TezlAEncoder) <= 576);
static_assert(alignof(TezlAEncoder) == 8);

// Decoder context (levels 0 and -1; the level word holds 0 for both).
struct TezlADecoder {
    TezlContext base;
    uint8_t *retained[TEZLA_RING_PIECES]; // output pieces kept as history
    TezlStaging staging;
    TezlAdvanceFn advance; // retained-piece advance, or staging at level -1
};
static_assert(sizeof(TezlADecoder) <= 592);

// Decodes the prepared streams of a reset decoder context.
// Returns 0, TEZL_ERR_CORRUPT, TEZL_ERR_INPUT or TEZL_ERR_OUTPUT.
[[nodiscard]] int32_t tezlA_DecodeStream(TezlADecoder *pDecoder);

// Encodes the prepared streams of a reset encoder context.
// Returns 0 or a negative result (in practice TEZL_ERR_OUTPUT).
[[nodiscard]] int32_t tezlA_EncodeStream(TezlAEncoder *pEncoder);
