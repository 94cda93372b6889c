// Family B match finders: turn one input piece into tokens through a
// TokenSink. Level 5 probes one hash slot per position and skips ahead
// over data without repeats; levels 6 to 8 walk hash chains and evaluate
// matches lazily. Each returns false when a block flush ran out of output.
#pragma once

#include <cstdint>

#include "famb_encode.h"

namespace famb {

inline constexpr unsigned kHashHeads = 32768;
inline constexpr unsigned kChainLinks = 65536;
inline constexpr unsigned kHashShift = 17;

[[nodiscard]] inline uint32_t hash4(const uint8_t *p) {
    uint32_t word =
        uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    return (word * 0x1E35A7BDu) >> kHashShift;
}

// The piece [start, end) stands alone; the tables have been cleared.
// *ppLiteralStart is the first byte not yet turned into tokens (the piece
// start on entry); the finder leaves it at the first byte it did not cover.
struct PieceSpan {
    const uint8_t *start;
    const uint8_t *end;
    const uint8_t *literalStart;
};

// Single-probe finder of level 5 (needs more than 12 bytes).
[[nodiscard]] bool findFast(TokenSink &sink, PieceSpan &span, uint16_t *pHeads);

// Chain finder of levels 6 to 8 (needs more than 8 bytes), walking at most
// `chainDepth` candidates per position.
[[nodiscard]] bool findChained(TokenSink &sink, PieceSpan &span, uint16_t *pHeads, uint16_t *pChain,
                               unsigned chainDepth);

// The input's retained-piece window as the history forms see it: ring
// entries and bookkeeping of the input stream.
struct Window {
    uint8_t *const *retained;
    uint32_t retainedCount; // ring position of the current piece plus one
    uint32_t newestIndex;
    uint32_t pieceSize;
    int32_t pieceSizeLog2;
    uint32_t wrapped;
};

// History forms: the piece follows earlier pieces of the window, positions
// are window values and matches may reach back into those pieces.
[[nodiscard]] bool findFastHistory(TokenSink &sink, PieceSpan &span, const Window &window,
                                   uint16_t *pHeads);
[[nodiscard]] bool findChainedHistory(TokenSink &sink, PieceSpan &span, const Window &window,
                                      uint16_t *pHeads, uint16_t *pChain, unsigned chainDepth);

// Equal bytes from p and candidate c (c < p) up to `end`.
[[nodiscard]] uint32_t matchLength(const uint8_t *p, const uint8_t *c, const uint8_t *end);

} // namespace famb
