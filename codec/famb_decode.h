// Family B decoder core: decoding-table construction and the block loop.
// It reads through a BitReader and writes through an Output; a DecodePort
// moves either one to its next piece and resolves matches whose source
// lies before the current output piece. A single-buffer caller passes a
// port without hooks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace famb {

// Decoding-table entry: operation, bits consumed, value. The bits of a
// length or distance entry count its code and its extra bits.
struct DecEntry {
    uint8_t op;
    uint8_t bits;
    uint16_t val;
};
static_assert(sizeof(DecEntry) == 4);

inline constexpr uint8_t kOpLiteral = 0;  // val = byte
inline constexpr uint8_t kOpMaxLink = 15; // 1..15: sub-table of op bits
inline constexpr uint8_t kOpBase = 64;    // 64 + code bits: val = base
inline constexpr uint8_t kOpInvalid = 96;
inline constexpr uint8_t kOpEndOfBlock = 112;
// 128 + n (n = 1..15): two literals in one root entry, the first of n code
// bits; bits = both codes, val = first byte | second byte << 8.
inline constexpr uint8_t kOpLiteralPair = 128;

// Worst case of one literal/length table (286 codes, root 9, up to 15
// bits) plus one distance table (34 codes, root 6, up to 15 bits).
inline constexpr unsigned kTableEntries = 1448;
inline constexpr unsigned kLitLenRootBits = 9;
inline constexpr unsigned kDistRootBits = 6;
// Wider roots, used when the block's tables fit the area with them.
inline constexpr unsigned kLitLenWideRootBits = 10;
inline constexpr unsigned kDistWideRootBits = 8;
inline constexpr unsigned kCodeLenRootBits = 7;
inline constexpr unsigned kMaxCodeLengths = 320;

enum class CodeKind { CodeLength, LitLen, Distance };

// Builds the canonical decoding table of `count` code lengths into
// table[0..capacity). *pRootBits holds the requested root width and
// receives the one used. Returns the entries used, or -1 when the code is
// empty, over-subscribed, incomplete (except a single one-bit literal/length
// or distance code) or does not fit.
[[nodiscard]] int buildTable(CodeKind kind, const uint8_t *pLengths, unsigned count,
                             DecEntry *pTable, unsigned capacity, unsigned *pRootBits);

struct BitReader {
    const uint8_t *cursor;
    const uint8_t *end;
    uint64_t bits;  // bits above `count` are either zero or the next input bytes
    unsigned count; // valid bits in `bits`
};

struct Output {
    uint8_t *cursor;
    uint8_t *start; // start of the current piece
    uint8_t *end;
};

struct DecodePort {
    void *self;
    // Moves to the next non-empty input piece; false when there is none.
    bool (*nextInput)(void *self, const uint8_t **pCursor, const uint8_t **pEnd);
    // Moves to the next output piece; 0 or a negative result.
    int (*nextOutput)(void *self, Output *pOut);
    // Copies `length` bytes from `distance` back where the source starts
    // before pOut->start; 0 or a negative result.
    int (*copyFar)(void *self, Output *pOut, uint32_t distance, uint32_t length);
};

// Per-operation scratch held in the decoder context.
struct DecodeScratch {
    DecEntry *pLitLen;
    DecEntry *pDist; // null-sized when the block has no distance code
    DecEntry *pTableEnd;
    int32_t litLenRootBits;
    int32_t distRootBits;
    uint8_t lengths[kMaxCodeLengths];
};

// Decodes blocks until the input is exhausted. Returns 0 or a negative
// result (-1 corrupt, -2 truncated, -3 no room).
[[nodiscard]] int decodeBlocks(DecodeScratch *pScratch, DecEntry *pTableArea, BitReader *pIn,
                               Output *pOut, const DecodePort *pPort);

} // namespace famb
