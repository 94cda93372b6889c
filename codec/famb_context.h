// Family B contexts: the encoder (levels 5..8) and decoder (levels -2 and
// -3) state that follows the shared context base, and the family's
// create function that the level dispatch calls.
#pragma once

#include "famb_decode.h"
#include "famb_encode.h"
#include "tezl_families.h"
#include "tezl_stream.h"

inline constexpr uint32_t FAMB_ENCODER_CONTEXT_BYTES = 5696;
inline constexpr uint32_t FAMB_DECODER_CONTEXT_BYTES = 6720;
inline constexpr uint32_t FAMB_ENCODER_WORK_BYTES = 0x50000;
inline constexpr uint32_t FAMB_STAGING_WORK_BYTES = 0x12000;
inline constexpr uint32_t FAMB_RETAINED_PIECES = 32;

// Work memory of an encoder: hash heads, chain links, token buffer.
inline constexpr uint32_t FAMB_WORK_HEADS_OFFSET = 0;
inline constexpr uint32_t FAMB_WORK_CHAIN_OFFSET = 65536;
inline constexpr uint32_t FAMB_WORK_TOKENS_OFFSET = 196608;

struct FambEncoderContext {
    TezlContext base;
    uint16_t *pHashHeads;
    uint16_t *pChain;
    famb::Token *pTokenStart;
    famb::Token *pTokenWrite;
    famb::Token *pTokenLimit;
    uint8_t *retained[FAMB_RETAINED_PIECES];
    TezlCappedState capped;
    famb::BlockState block;
    int32_t pieceStatus; // 0 as each piece starts; read by nothing
    int32_t runStatus;   // -1 after a reset, -2 after a failed list encode
};
static_assert(sizeof(FambEncoderContext) <= FAMB_ENCODER_CONTEXT_BYTES);

struct FambDecoderContext {
    TezlContext base;
    famb::DecodeScratch scratch;
    uint8_t *retained[FAMB_RETAINED_PIECES];
    TezlStaging staging;
    TezlAdvanceFn advance; // retained-piece advance (-2) or staging advance (-3)
    famb::DecEntry tables[famb::kTableEntries];
};
static_assert(sizeof(FambDecoderContext) <= FAMB_DECODER_CONTEXT_BYTES);
static_assert(FAMB_WORK_TOKENS_OFFSET + famb::kTokenCapacity * sizeof(famb::Token) ==
              FAMB_ENCODER_WORK_BYTES);
