// Family A decoder: token formats 1 and 2 over the stream records.
//
// The hot loop works on local copies of the cursors while at least four
// input bytes remain in the current piece and the token's copy fits the
// current output piece; everything else (tokens split across input pieces,
// copies across output pieces or from retained history, zero runs) goes
// through the slow paths, which work on the stream records themselves.
#include "fama.h"

#include <algorithm>
#include <cstring>

namespace {

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

inline uint64_t load64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void store64(uint8_t *p, uint64_t v) {
    std::memcpy(p, &v, 8);
}
// 16 bytes loaded before any is stored, so source and destination may overlap.
inline void copy16(uint8_t *dst, const uint8_t *src) {
    uint64_t a = load64(src);
    uint64_t b = load64(src + 8);
    store64(dst, a);
    store64(dst + 8, b);
}

// Copies a match forward inside one output piece, repeating the last
// `distance` bytes when they overlap the bytes being written. `room` is the
// space from dst to the piece end: with 15 bytes of slack past the match
// the copy goes in words and may write scratch bytes into that slack.
inline void copyMatch(uint8_t *dst, uint32_t distance, uint32_t length, size_t room) {
    const uint8_t *src = dst - distance;
    if (room < size_t(length) + 15) {
        if (distance >= length) {
            std::memcpy(dst, src, length);
        } else {
            for (uint32_t i = 0; i < length; ++i) {
                dst[i] = src[i];
            }
        }
        return;
    }
    if (distance >= 16 || (distance >= length && length <= 16)) {
        for (uint32_t i = 0; i < length; i += 16) {
            copy16(dst + i, src + i);
        }
    } else if (distance >= 8) {
        for (uint32_t i = 0; i < length; i += 8) {
            store64(dst + i, load64(src + i));
        }
    } else {
        // Lay down one 8-byte period of the pattern, then step by the
        // largest multiple of the distance that fits a word.
        uint8_t pattern[8];
        for (uint32_t i = 0; i < 8; ++i) {
            pattern[i] = src[i % distance];
        }
        std::memcpy(dst, pattern, 8);
        uint32_t step = 8 - 8 % distance;
        for (uint32_t i = step; i < length; i += step) {
            store64(dst + i, load64(dst + i - step));
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

// The format the encoder writes, decoded with the token tests in order of
// frequency; zero runs, long literal runs and invalid bytes go the slow way.
// Kept in one function so that the five cursors stay in registers.
void Decoder::fastRunF1() {
    uint8_t *ip = m_in.cursor;
    uint8_t *iend = m_in.piece.end;
    uint8_t *op = m_out.cursor;
    uint8_t *oend = m_out.piece.end;
    uint8_t *ostart = m_out.piece.start;
    while (iend - ip >= 4 && op < oend) {
        uint32_t b0 = ip[0];
        uint32_t length;
        uint32_t distance;
        uint32_t header;
        if (b0 >= 0x80) {
            length = ((b0 >> 4) & 7) + 4;
            distance = ((b0 & 0x0F) << 8 | ip[1]) + 1;
            header = 2;
            // The most frequent token: one 16-byte word when nothing overlaps.
            if (distance >= length && distance <= size_t(op - ostart) && oend - op >= 16) {
                copy16(op, op - distance);
                ip += 2;
                op += length;
                continue;
            }
        } else if (b0 >= 0x40) {
            uint32_t v = (b0 & 0x3F) << 16 | uint32_t(ip[1]) << 8 | ip[2];
            distance = (v & 0x3FFF) + 1;
            length = (v >> 14) + (distance <= 4096 ? 12 : 4);
            header = 3;
        } else if (b0 >= 0x20) {
            uint32_t count = (b0 & 0x1F) + 1;
            if (iend - ip >= 33 && oend - op >= 32) {
                copy16(op, ip + 1);
                copy16(op + 16, ip + 17);
            } else if (size_t(iend - ip) - 1 >= count && size_t(oend - op) >= count) {
                std::memcpy(op, ip + 1, count);
            } else {
                break;
            }
            ip += 1 + count;
            op += count;
            continue;
        } else if (b0 >= 0x10) {
            distance = (uint32_t(ip[2]) << 8 | ip[3]) + 1;
            length = ((b0 & 0x0F) << 8 | ip[1]) + longMatchBias(distance);
            header = 4;
        } else {
            break;
        }
        size_t room = size_t(oend - op);
        if (distance > size_t(op - ostart) || length > room) {
            break;
        }
        copyMatch(op, distance, length, room);
        ip += header;
        op += length;
    }
    m_in.cursor = ip;
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
