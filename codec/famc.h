// Family C: LZS-style bit stream (encoder level 10, decoder level -5).
#pragma once

#include "tezl_stream.h"

inline constexpr uint32_t TEZLC_RING_PIECES = 64;

// Encoder context (level 10).
struct TezlCEncoder {
    TezlContext base;
    uint8_t *work;       // the hash table: 16-bit entries
    uint32_t tableBytes; // largest power of two not above the work size
    uint32_t hashShift;  // 32 - log2(entries)
    uint8_t *retained[TEZLC_RING_PIECES];
    TezlCappedState capped;
};
static_assert(sizeof(TezlCEncoder) <= 824);

// Decoder context (level -5).
struct TezlCDecoder {
    TezlContext base;
    uint8_t *retained[TEZLC_RING_PIECES];
};
static_assert(sizeof(TezlCDecoder) <= 784);

// Encodes the prepared streams of a reset encoder, end marker included.
// Returns 0 or a negative result.
[[nodiscard]] int32_t tezlC_EncodeStream(TezlCEncoder *pEncoder);
// Decodes the prepared streams of a reset decoder.
// Returns 0 or a negative result.
[[nodiscard]] int32_t tezlC_DecodeStream(TezlCDecoder *pDecoder);
