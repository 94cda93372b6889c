// Family A decoder: token formats 1 and 2 over the stream records.
//
// The hot loops work on local copies of the cursors. Far from the ends of
// both pieces, format 1 goes in steps of a match and the literal run after
// it, without a jump on the token kinds and with whole-word copies
// (pairStep); near the ends, and for the other kinds, each token is checked
// against the room left (nearTokenF1, and fastRun for format 2).
// Everything else (tokens split across input pieces, copies across output
// pieces or from retained history, zero runs) goes through the slow paths,
// which work on the stream records themselves.
#include "fama.h"
#include "tezl_copy.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using tezl_copy::copyWide;
using tezl_copy::loadBigEndian32;

enum class Stop { None, End, Truncated, Corrupt, OutputFull };

enum class Kind { Literal, Match, Zeros, StopToken, Invalid };

struct Token {
    Kind kind;
    uint32_t length;
    uint32_t distance;
};

// Header bytes of a token by its first byte; 0 for an invalid first byte.
uint32_t headerBytesF1(uint8_t b0) {
    if (b0 >= 0x80) {
        return 2;
    }
    if (b0 >= 0x40) {
        return 3;
    }
    if (b0 >= 0x20) {
        return 1;
    }
    if (b0 >= 0x10) {
        return 4;
    }
    static constexpr uint8_t kLow[4] = {0, 3, 2, 3};
    return b0 < 4 ? kLow[b0] : 0;
}

uint32_t headerBytesF2(uint8_t b0) {
    if (b0 < 0x80) {
        return 2;
    }
    if (b0 < 0xC0) {
        return 3;
    }
    if (b0 < 0xE0) {
        return 1;
    }
    if (b0 == 0xE0) {
        return 3;
    }
    return b0 >= 0xF0 ? 4 : 0;
}

uint32_t longMatchBias(uint32_t distance) {
    return distance <= 4096 ? 268 : distance <= 16384 ? 260 : 4;
}

Token parseF1(const uint8_t *b) {
    uint8_t b0 = b[0];
    if (b0 >= 0x80) {
        return {Kind::Match, ((b0 >> 4) & 7u) + 4, ((b0 & 0x0Fu) << 8 | b[1]) + 1};
    }
    if (b0 >= 0x40) {
        uint32_t v = (b0 & 0x3Fu) << 16 | uint32_t(b[1]) << 8 | b[2];
        uint32_t distance = (v & 0x3FFF) + 1;
        return {Kind::Match, (v >> 14) + (distance <= 4096 ? 12 : 4), distance};
    }
    if (b0 >= 0x20) {
        return {Kind::Literal, (b0 & 0x1Fu) + 1, 0};
    }
    if (b0 >= 0x10) {
        uint32_t distance = (uint32_t(b[2]) << 8 | b[3]) + 1;
        return {Kind::Match, ((b0 & 0x0Fu) << 8 | b[1]) + longMatchBias(distance), distance};
    }
    switch (b0) {
        case 1: {
            uint32_t length = (uint32_t(b[1]) << 8 | b[2]) + 65;
            return {length > 65536 ? Kind::Invalid : Kind::Literal, length, 0};
        }
        case 2:
            return {Kind::Zeros, uint32_t(b[1]) + 5, 0};
        case 3:
            return {Kind::Zeros, (uint32_t(b[1]) << 8 | b[2]) + 260, 0};
        default:
            return {Kind::Invalid, 0, 0};
    }
}

Token matchOrStop(uint32_t length, uint32_t distance) {
    return length < 4 || distance == 0 ? Token{Kind::StopToken, 0, 0}
                                       : Token{Kind::Match, length, distance};
}

Token parseF2(const uint8_t *b) {
    uint8_t b0 = b[0];
    if (b0 < 0x80) {
        return matchOrStop((b[1] & 7u) + 4, (b[1] >> 3) * 128u + b0);
    }
    if (b0 < 0xC0) {
        return matchOrStop(b[2], b[1] * 64u + (b0 & 0x3Fu));
    }
    uint32_t literals = 0;
    if (b0 < 0xE0) {
        literals = b0 & 0x1Fu;
    } else if (b0 == 0xE0) {
        literals = uint32_t(b[1]) << 8 | b[2];
    } else if (b0 >= 0xF0) {
        return matchOrStop((b0 & 0x0Fu) << 8 | b[1], uint32_t(b[2]) << 8 | b[3]);
    } else {
        return {Kind::Invalid, 0, 0};
    }
    return literals ? Token{Kind::Literal, literals, 0} : Token{Kind::StopToken, 0, 0};
}

// Copies a match forward inside one output piece. `room` is the space from
// dst to the piece end: with 15 bytes of slack past the match the copy
// goes in words, else byte-exact.
inline void copyMatch(uint8_t *dst, uint32_t distance, uint32_t length, size_t room) {
    if (room >= size_t(length) + 15) {
        copyWide(dst, distance, length);
        return;
    }
    const uint8_t *src = dst - distance;
    if (distance >= length) {
        std::memcpy(dst, src, length);
    } else {
        for (uint32_t i = 0; i < length; ++i) {
            dst[i] = src[i];
        }
    }
}

class Decoder {
  public:
    explicit Decoder(TezlADecoder *pDecoder)
        : m_pDecoder(pDecoder), m_in(pDecoder->base.input), m_out(pDecoder->base.output) {}

    Stop run() {
        Stop stop = afterToken();
        if (stop != Stop::None) {
            return stop;
        }
        // The first byte picks the token format for the whole call.
        return *m_in.cursor >= 0x80 ? loop<2>() : loop<1>();
    }

  private:
    bool advanceOutput() {
        return m_pDecoder->advance(&m_out, m_pDecoder->retained, &m_pDecoder->staging);
    }

    template <int Format> Stop loop();
    template <int Format> void fastRun();
    void fastRunF1();
    template <int Format> Stop readToken(Token *pToken);
    Stop execute(const Token &token);
    Stop afterToken();
    Stop copyLiterals(uint32_t length);
    Stop copyMatchSlow(uint32_t distance, uint32_t length);
    Stop writeZeros(uint32_t length);
    Stop endAfterStopToken();

    TezlADecoder *m_pDecoder;
    TezlStream &m_in;
    TezlStream &m_out;
};

// Decodes, in place, the tokens that fit entirely in the current pieces;
// stops before a token that needs the slow path or at a piece border.
template <int Format> void Decoder::fastRun() {
    if (Format == 1) {
        return fastRunF1();
    }
    uint8_t *ip = m_in.cursor;
    uint8_t *iend = m_in.piece.end;
    uint8_t *op = m_out.cursor;
    uint8_t *oend = m_out.piece.end;
    uint8_t *ostart = m_out.piece.start;
    while (iend - ip >= 4 && op < oend) {
        uint32_t header = headerBytesF2(ip[0]);
        if (header == 0) {
            break;
        }
        Token token = parseF2(ip);
        if (token.kind == Kind::Literal) {
            if (size_t(iend - ip) - header < token.length || size_t(oend - op) < token.length) {
                break;
            }
            std::memcpy(op, ip + header, token.length);
            ip += header + token.length;
            op += token.length;
        } else if (token.kind == Kind::Match) {
            if (token.distance > size_t(op - ostart) || token.length > size_t(oend - op)) {
                break;
            }
            copyMatch(op, token.distance, token.length, size_t(oend - op));
            ip += header;
            op += token.length;
        } else {
            break;
        }
    }
    m_in.cursor = ip;
    m_out.cursor = op;
}

// Far from the ends of both pieces the pair loop below runs in steps that
// need no check of their own: a step reads at most 37 bytes (a long match
// token, then a literal run of 32 with its header byte) and writes at most
// 64 (a match and a literal run, each as two 16-byte words), but for a
// match longer than 32 bytes, which checks its own room.
constexpr size_t kStepInput = 37;
constexpr size_t kStepOutput = 64;

// The longest distance of a short or medium match: with that much output
// before the cursor the pair loop need not check their distances.
constexpr size_t kPairHistory = 16384;

// Per first byte, where the distance of a short or medium match lies in
// the token's first four bytes (big-endian): (header >> shift) & mask,
// plus one.
struct MatchDistance {
    uint16_t mask;
    uint8_t shift;
    uint8_t unused; // four bytes an entry: the index scales in the load
};

constexpr std::array<MatchDistance, 256> kMatchDistances = [] {
    std::array<MatchDistance, 256> table{};
    for (uint32_t b0 = 0x40; b0 < 0x100; ++b0) {
        table[b0] = b0 < 0x80 ? MatchDistance{0x3FFF, 8, 0} : MatchDistance{0x0FFF, 16, 0};
    }
    return table;
}();

// The length of a short or medium match by the token's first twelve bits
// (header >> 20): for a medium match they hold the whole length field and
// the distance's top two bits, which pick the length base. Every other
// kind, and a length over 32, reads kNotPair, more than any distance, so
// that one test (length over distance) sends them, and the copies that
// overlap, past the pair step's two word copies.
constexpr uint16_t kNotPair = 0xFFFF;

constexpr std::array<uint16_t, 4096> kMatchLengths = [] {
    std::array<uint16_t, 4096> table{};
    for (uint32_t index = 0; index < 4096; ++index) {
        uint32_t b0 = index >> 4;
        uint32_t length = kNotPair;
        if (b0 >= 0x80) {
            length = ((b0 >> 4) & 7) + 4;
        } else if (b0 >= 0x40) {
            uint32_t field = (b0 & 0x3F) << 2 | (index & 0xF) >> 2;
            length = field + ((index & 3) == 0 ? 12 : 4);
        }
        table[index] = uint16_t(length <= 32 ? length : kNotPair);
    }
    return table;
}();

// 32 bytes copied as two 16-byte words, both loaded before either is
// stored: a match at a distance below 32 reads in its second word bytes
// its first word writes, and a load that overlaps a store still in flight
// waits until that store reaches the cache. The pair step copies no more
// than the distance, so the bytes its second load reads early are ones
// the copy does not keep.
inline void copy32(uint8_t *dst, const uint8_t *src) {
    uint8_t low[16];
    uint8_t high[16];
    std::memcpy(low, src, 16);
    std::memcpy(high, src + 16, 16);
    std::memcpy(dst, low, 16);
    std::memcpy(dst + 16, high, 16);
}

// A match the pair step's two word copies do not cover: a long token, a
// match over 32 bytes or a pattern (distance below 16, length over it),
// copied in words when it and the pair step's literal copy after it fit
// in the output piece; *pNext is then the token after it. False, with
// nothing done, for any other token.
inline bool wideMatch(const uint8_t *ip, uint8_t **pOp, const uint8_t *ostart, const uint8_t *oend,
                      const uint8_t **pNext) {
    Token token = parseF1(ip);
    uint8_t *op = *pOp;
    if (token.kind != Kind::Match || token.distance > size_t(op - ostart) ||
        token.length > size_t(oend - op) - kStepOutput) {
        return false;
    }
    copyWide(op, token.distance, token.length);
    *pOp = op + token.length;
    *pNext = ip + headerBytesF1(ip[0]);
    return true;
}

// The input (header byte and data) and output of the literal run whose
// first byte is b0 (0x20 or more), or none when b0 starts a match. Picked
// by conditional moves: the compilers make a jump of the plain choice,
// which the mix of matches and literal runs mispredicts, and the choice
// lies on the path from one step's first byte to the next step's.
inline void literalAfterMatch(uint32_t b0, size_t *pAdvance, size_t *pLength) {
    uint64_t advance = b0 - 0x1E;
    uint64_t length = b0 - 0x1F;
#if defined(__x86_64__)
    uint64_t zero = 0;
    asm("cmpl $0x40, %k[b0]\n\t"
        "cmovae %[zero], %[advance]\n\t"
        "cmovae %[zero], %[length]"
        : [advance] "+r"(advance), [length] "+r"(length)
        : [b0] "r"(b0), [zero] "r"(zero)
        : "cc");
#else
    advance = b0 < 0x40 ? advance : 0;
    length = b0 < 0x40 ? length : 0;
#endif
    *pAdvance = advance;
    *pLength = length;
}

// One step of the pair loop: a short or medium match, then the literal run
// that follows it, if one does. The first byte of the token after the
// match is the third or fourth byte of the match, loaded with it, so that
// the next step's position waits on one load, not on two, and the usual
// pair of a match and a literal run takes one step. A match of up to 32
// bytes that needs no pattern copy, and the literal run, are copied as
// two 16-byte words each, the literal run's even when there is none:
// those bytes land where the next token writes. Other matches go through
// wideMatch, which sets *pSteps to 1 (their output is not in the step
// count: the caller counts anew). False, with nothing done, when the
// token at *pIp is not a match that fits.
template <bool kCheckHistory>
inline bool pairStep(const uint8_t **pIp, uint8_t **pOp, const uint8_t *ostart, const uint8_t *oend,
                     size_t *pSteps) {
    const uint8_t *ip = *pIp;
    uint8_t *op = *pOp;
    uint32_t b0 = ip[0];
    const MatchDistance &entry = kMatchDistances[b0];
    uint32_t header = loadBigEndian32(ip);
    size_t distance = ((header >> entry.shift) & entry.mask) + 1;
    size_t length = kMatchLengths[header >> 20];
    const uint8_t *next = ip + 3 - (b0 >> 7);
    uint32_t third = ip[2];
    uint32_t fourth = ip[3];
    uint32_t n0 = b0 < 0x80 ? fourth : third;
    if (length > distance || (kCheckHistory && distance > size_t(op - ostart))) [[unlikely]] {
        if (!wideMatch(ip, &op, ostart, oend, &next)) {
            return false;
        }
        n0 = next[0];
        *pSteps = 1;
    } else {
        copy32(op, op - distance);
        op += length;
    }
    copy32(op, next + 1);
    if (n0 < 0x20) [[unlikely]] {
        // Neither a match nor a literal run: the next step stops on it.
        *pIp = next;
        *pOp = op;
        return true;
    }
    size_t literalAdvance;
    size_t literalLength;
    literalAfterMatch(n0, &literalAdvance, &literalLength);
    *pIp = next + literalAdvance;
    *pOp = op + literalLength;
    return true;
}

// Runs pair steps until `steps` are done (true) or a token stops them
// (false, the cursors on that token).
template <bool kCheckHistory>
inline bool pairRun(const uint8_t **pIp, uint8_t **pOp, const uint8_t *ostart, const uint8_t *oend,
                    size_t steps) {
    const uint8_t *ip = *pIp;
    uint8_t *op = *pOp;
    bool ranOut = false;
    while (pairStep<kCheckHistory>(&ip, &op, ostart, oend, &steps)) {
        if (--steps == 0) {
            ranOut = true;
            break;
        }
    }
    *pIp = ip;
    *pOp = op;
    return ranOut;
}

// A literal run of up to 32 bytes where a pair step stopped (the start of
// the input, after another literal run or a token the pair loop leaves),
// copied as two 16-byte words within one step's room. False for any other
// token.
inline bool farLiteral(const uint8_t **pIp, uint8_t **pOp) {
    const uint8_t *ip = *pIp;
    uint8_t *op = *pOp;
    uint32_t b0 = ip[0];
    if (b0 - 0x20 >= 0x20) {
        return false;
    }
    copy32(op, ip + 1);
    *pIp = ip + b0 - 0x1E;
    *pOp = op + b0 - 0x1F;
    return true;
}

// One token decoded in place with checks against the room left in both
// pieces: the kinds the far loop leaves, and every kind near the ends.
// False, with the cursors unchanged, for a token the slow path must take
// (split across input pieces, a zero run, an invalid byte, a match into
// earlier pieces or one that does not fit).
inline bool nearTokenF1(const uint8_t **pIp, uint8_t **pOp, const uint8_t *iend, uint8_t *oend,
                        const uint8_t *ostart) {
    const uint8_t *ip = *pIp;
    uint8_t *op = *pOp;
    if (iend - ip < 4 || op == oend) {
        return false;
    }
    uint32_t b0 = ip[0];
    uint32_t length;
    uint32_t distance;
    uint32_t header;
    if (b0 >= 0x80) {
        length = ((b0 >> 4) & 7) + 4;
        distance = ((b0 & 0x0F) << 8 | ip[1]) + 1;
        header = 2;
    } else if (b0 >= 0x40) {
        uint32_t v = (b0 & 0x3F) << 16 | uint32_t(ip[1]) << 8 | ip[2];
        distance = (v & 0x3FFF) + 1;
        length = (v >> 14) + (distance <= 4096 ? 12 : 4);
        header = 3;
    } else if (b0 >= 0x20 || b0 == 0x01) {
        uint32_t count = b0 >= 0x20 ? (b0 & 0x1F) + 1 : (uint32_t(ip[1]) << 8 | ip[2]) + 65;
        header = b0 >= 0x20 ? 1 : 3;
        if (count > 65536 || size_t(iend - ip) - header < count || size_t(oend - op) < count) {
            return false;
        }
        std::memcpy(op, ip + header, count);
        *pIp = ip + header + count;
        *pOp = op + count;
        return true;
    } else if (b0 >= 0x10) {
        distance = (uint32_t(ip[2]) << 8 | ip[3]) + 1;
        length = ((b0 & 0x0F) << 8 | ip[1]) + longMatchBias(distance);
        header = 4;
    } else {
        return false;
    }
    size_t room = size_t(oend - op);
    if (distance > size_t(op - ostart) || length > room) {
        return false;
    }
    copyMatch(op, distance, length, room);
    *pIp = ip + header;
    *pOp = op + length;
    return true;
}

// The format the encoder writes. Far from the ends of both pieces the
// pair loop decodes without bounds checks, as many steps at a time as the
// room left allows at the most a step takes; every other token, and every
// token near the ends, goes through nearTokenF1. Kept in one function so
// that the cursors stay in registers.
void Decoder::fastRunF1() {
    const uint8_t *ip = m_in.cursor;
    uint8_t *op = m_out.cursor;
    const uint8_t *const iend = m_in.piece.end;
    uint8_t *const oend = m_out.piece.end;
    uint8_t *const ostart = m_out.piece.start;
    for (;;) {
        size_t steps = std::min(size_t(iend - ip) / kStepInput, size_t(oend - op) / kStepOutput);
        if (steps != 0) {
            bool ranOut = size_t(op - ostart) >= kPairHistory
                              ? pairRun<false>(&ip, &op, ostart, oend, steps)
                              : pairRun<true>(&ip, &op, ostart, oend, steps);
            // A literal run where the pair loop stopped takes one of the
            // steps left.
            if (ranOut || farLiteral(&ip, &op)) {
                continue;
            }
        }
        if (!nearTokenF1(&ip, &op, iend, oend, ostart)) {
            break;
        }
    }
    m_in.cursor = const_cast<uint8_t *>(ip);
    m_out.cursor = op;
}

template <int Format> Stop Decoder::loop() {
    for (;;) {
        fastRun<Format>();
        Stop stop = afterToken();
        if (stop == Stop::None) {
            Token token;
            stop = readToken<Format>(&token);
            if (stop == Stop::None) {
                stop = execute(token);
            }
            if (stop == Stop::None) {
                stop = afterToken();
            }
        }
        if (stop != Stop::None) {
            return stop;
        }
    }
}

// Gathers one token's header byte by byte across input pieces.
template <int Format> Stop Decoder::readToken(Token *pToken) {
    uint8_t header[4] = {};
    uint32_t need = 1;
    for (uint32_t got = 0; got < need; ++got) {
        while (m_in.cursor == m_in.piece.end) {
            if (!tezl_NextInputPiece(&m_in)) {
                m_in.cursor = nullptr;
                return Stop::Truncated;
            }
        }
        header[got] = *m_in.cursor;
        if (got == 0) {
            need = Format == 1 ? headerBytesF1(header[0]) : headerBytesF2(header[0]);
            if (need == 0) {
                return Stop::Corrupt; // the cursor stays on the invalid byte
            }
        }
        ++m_in.cursor;
    }
    *pToken = Format == 1 ? parseF1(header) : parseF2(header);
    return Stop::None;
}

Stop Decoder::execute(const Token &token) {
    switch (token.kind) {
        case Kind::Literal:
            return copyLiterals(token.length);
        case Kind::Match:
            return copyMatchSlow(token.distance, token.length);
        case Kind::Zeros:
            return writeZeros(token.length);
        case Kind::StopToken:
            return endAfterStopToken();
        case Kind::Invalid:
            break;
    }
    return Stop::Corrupt;
}

// After a token: an exhausted input piece is followed by the next one (none
// is the normal end), a full output by the output advance.
Stop Decoder::afterToken() {
    if (m_in.cursor == m_in.piece.end && !tezl_NextInputPiece(&m_in)) {
        return Stop::End;
    }
    if (m_out.cursor == m_out.piece.end && !advanceOutput()) {
        return Stop::OutputFull;
    }
    return Stop::None;
}

// A stop token ends decoding well only when nothing follows it.
Stop Decoder::endAfterStopToken() {
    if (m_in.cursor == m_in.piece.end && !tezl_NextInputPiece(&m_in)) {
        return Stop::End;
    }
    return Stop::Corrupt;
}

Stop Decoder::copyLiterals(uint32_t length) {
    while (length > 0) {
        if (m_in.cursor == m_in.piece.end && !tezl_NextInputPiece(&m_in)) {
            m_in.cursor = nullptr;
            return Stop::Truncated;
        }
        if (m_out.cursor == m_out.piece.end && !advanceOutput()) {
            return Stop::OutputFull;
        }
        uint32_t step = std::min({length, uint32_t(m_in.piece.end - m_in.cursor),
                                  uint32_t(m_out.piece.end - m_out.cursor)});
        std::memcpy(m_out.cursor, m_in.cursor, step);
        m_in.cursor += step;
        m_out.cursor += step;
        length -= step;
    }
    return Stop::None;
}

Stop Decoder::copyMatchSlow(uint32_t distance, uint32_t length) {
    int32_t rc = tezl_CopyMatch(&m_out, m_pDecoder->retained, &m_pDecoder->staging,
                                m_pDecoder->advance, distance, length);
    return rc == 0 ? Stop::None : rc == TEZL_ERR_OUTPUT ? Stop::OutputFull : Stop::Corrupt;
}

Stop Decoder::writeZeros(uint32_t length) {
    while (length > 0) {
        if (m_out.cursor == m_out.piece.end && !advanceOutput()) {
            return Stop::OutputFull;
        }
        uint32_t step = std::min(length, uint32_t(m_out.piece.end - m_out.cursor));
        std::memset(m_out.cursor, 0, step);
        m_out.cursor += step;
        length -= step;
    }
    return Stop::None;
}

} // namespace

int32_t tezlA_DecodeStream(TezlADecoder *pDecoder) {
    TezlStream &out = pDecoder->base.output;
    Stop stop = Decoder(pDecoder).run();
    if (stop == Stop::Truncated) {
        return TEZL_ERR_INPUT;
    }
    if (!out.piece.end) {
        return tezl_NoPieceResult(pDecoder->retained, TEZL_ERR_OUTPUT);
    }
    if (stop == Stop::End) {
        return 0;
    }
    return out.cursor == out.piece.end ? TEZL_ERR_OUTPUT : TEZL_ERR_CORRUPT;
}
