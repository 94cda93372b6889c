// Family C encoder: single-probe hash search over pieces of at most 2 KiB,
// each on its own, written as an MSB-first bit stream.
//
// The output bits are part of the format's contract: the hash, the skip
// counter and the table updates below are fixed.
#include "famc.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHashMultiplier = 0x1E35A7BD;
constexpr ptrdiff_t kTailBytes = 15;

inline uint32_t read32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// MSB-first bit writer over the output stream; whole bytes go out as soon
// as they are complete, the partial byte waits in the stream's bitBuffer.
class BitWriter {
  public:
    explicit BitWriter(TezlStream &out) : m_out(out) {}

    bool put(uint32_t value, uint32_t bits) {
        uint64_t acc = uint64_t(m_out.bitBuffer) << bits | value;
        uint32_t count = m_out.bitCount + bits;
        while (count >= 8) {
            count -= 8;
            if (!putByte(uint8_t(acc >> count))) {
                return false;
            }
        }
        m_out.bitBuffer = uint32_t(acc & ((1u << count) - 1));
        m_out.bitCount = count;
        return true;
    }
    // Pads the last partial byte with zero bits and writes it.
    bool flush() {
        if (m_out.bitCount == 0) {
            return true;
        }
        return put(0, 8 - m_out.bitCount);
    }

  private:
    bool putByte(uint8_t byte) {
        if (m_out.cursor == m_out.piece.end) {
            uint8_t *cursor;
            uint8_t *end;
            if (!tezl_NextOutputPiece(&m_out, &cursor, &end)) {
                return false;
            }
        }
        *m_out.cursor++ = byte;
        return true;
    }
    TezlStream &m_out;
};

bool putLength(BitWriter &writer, uint32_t length) {
    if (length <= 4) {
        return writer.put(length - 2, 2);
    }
    if (length <= 7) {
        return writer.put(0xC | (length - 5), 4);
    }
    if (!writer.put(0xF, 4)) {
        return false;
    }
    for (length -= 8; length >= 15; length -= 15) {
        if (!writer.put(0xF, 4)) {
            return false;
        }
    }
    return writer.put(length, 4);
}

bool putMatch(BitWriter &writer, uint32_t offset, uint32_t length) {
    bool bOk = offset < 128 ? writer.put(0x180 | offset, 9) : writer.put(0x1000 | offset, 13);
    return bOk && putLength(writer, length);
}

bool putLiterals(BitWriter &writer, const uint8_t *from, const uint8_t *to) {
    for (; from < to; ++from) {
        if (!writer.put(*from, 9)) {
            return false;
        }
    }
    return true;
}

class PieceCoder {
  public:
    PieceCoder(TezlCEncoder *pEncoder, BitWriter &writer)
        : m_table(reinterpret_cast<uint16_t *>(pEncoder->work)), m_shift(pEncoder->hashShift),
          m_writer(writer), m_start(pEncoder->base.input.cursor),
          m_end(pEncoder->base.input.piece.end), m_limit(m_end - kTailBytes) {}

    // Runs the search over [start, end); answers where the literal tail
    // starts, or null when the output ran out.
    const uint8_t *search();

  private:
    uint32_t hashAt(const uint8_t *p) const { return (read32(p) * kHashMultiplier) >> m_shift; }
    const uint8_t *lookupAndEnter(const uint8_t *p) {
        uint32_t h = hashAt(p);
        const uint8_t *candidate = m_start + m_table[h];
        m_table[h] = uint16_t(p - m_start);
        return candidate;
    }

    uint16_t *m_table;
    uint32_t m_shift;
    BitWriter &m_writer;
    const uint8_t *m_start;
    const uint8_t *m_end;
    const uint8_t *m_limit;
};

const uint8_t *PieceCoder::search() {
    const uint8_t *literalStart = m_start;
    const uint8_t *p = m_start + 1;
    uint32_t skip = 16;
    for (;;) {
        const uint8_t *candidate;
        for (;;) {
            if ((skip >> 4) > size_t(m_limit - p)) {
                return literalStart;
            }
            candidate = lookupAndEnter(p);
            ++skip;
            if (read32(candidate) == read32(p)) {
                break;
            }
            p += (skip - 1) >> 4;
        }
        if (candidate > m_start && candidate[-1] == p[-1]) {
            --candidate;
            --p;
        }
        if (!putLiterals(m_writer, literalStart, p)) {
            return nullptr;
        }
        for (;;) {
            uint32_t length = 0;
            while (p + length < m_end && p[length] == candidate[length]) {
                ++length;
            }
            m_table[hashAt(p + 1)] = uint16_t(p + 1 - m_start);
            if (!putMatch(m_writer, uint32_t(p - candidate), length)) {
                return nullptr;
            }
            literalStart = p += length;
            if (p >= m_limit) {
                return literalStart;
            }
            m_table[hashAt(p - 2)] = uint16_t(p - 2 - m_start);
            candidate = lookupAndEnter(p);
            if (read32(candidate) != read32(p)) {
                break;
            }
        }
        p += 1;
        skip = 16;
    }
}

} // namespace

int32_t tezlC_EncodeStream(TezlCEncoder *pEncoder) {
    TezlStream &in = pEncoder->base.input;
    TezlStream &out = pEncoder->base.output;
    BitWriter writer(out);
    for (;;) {
        if (in.cursor >= in.piece.end &&
            !tezl_NextCappedInputPiece(&in, &pEncoder->capped, pEncoder->retained, TEZL_LIMITS_C)) {
            break;
        }
        const uint8_t *tail = in.cursor;
        if (in.piece.end - in.cursor > kTailBytes) {
            std::memset(pEncoder->work, 0, pEncoder->tableBytes);
            tail = PieceCoder(pEncoder, writer).search();
        }
        if (!tail || !putLiterals(writer, tail, in.piece.end)) {
            in.cursor = nullptr;
            return TEZL_ERR_OUTPUT;
        }
        in.cursor = in.piece.end;
    }
    if (!in.piece.end) {
        return tezl_NoPieceResult(pEncoder->retained, TEZL_ERR_INPUT);
    }
    // End marker, then the last partial byte padded with zero bits.
    if (!out.piece.end || !writer.put(0x180, 9) || !writer.flush()) {
        return TEZL_ERR_OUTPUT;
    }
    return 0;
}
