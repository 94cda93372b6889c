// Family C decoder: MSB-first bit stream of literals, matches and end
// markers, over the stream records.
#include "famc.h"

namespace {

enum class Stop { None, End, Truncated, Corrupt, OutputFull };

class Decoder {
  public:
    explicit Decoder(TezlCDecoder *pDecoder)
        : m_pDecoder(pDecoder), m_in(pDecoder->base.input), m_out(pDecoder->base.output) {}

    Stop run();

  private:
    // Reads `bits` bits (at most 24), pulling input bytes one at a time so
    // that nothing past the stream's end is asked for.
    bool read(uint32_t bits, uint32_t *pValue) {
        while (m_in.bitCount < bits) {
            if (m_in.cursor == m_in.piece.end) {
                uint8_t *cursor;
                uint8_t *end;
                if (!tezl_NextOutputPiece(&m_in, &cursor, &end)) {
                    m_in.cursor = nullptr;
                    return false;
                }
            }
            m_in.bitBuffer = m_in.bitBuffer << 8 | *m_in.cursor++;
            m_in.bitCount += 8;
        }
        m_in.bitCount -= bits;
        *pValue = (m_in.bitBuffer >> m_in.bitCount) & ((1u << bits) - 1);
        return true;
    }
    bool readLength(uint32_t *pLength);
    bool advanceOutput() { return tezl_RetainAdvanceC(&m_out, m_pDecoder->retained, nullptr); }
    Stop literal();
    Stop match(uint32_t offsetBits);
    Stop endMarker();

    TezlCDecoder *m_pDecoder;
    TezlStream &m_in;
    TezlStream &m_out;
};

bool Decoder::readLength(uint32_t *pLength) {
    uint32_t code;
    if (!read(2, &code)) {
        return false;
    }
    if (code < 3) {
        *pLength = code + 2;
        return true;
    }
    if (!read(2, &code)) {
        return false;
    }
    if (code < 3) {
        *pLength = code + 5;
        return true;
    }
    uint32_t length = 8;
    for (;;) {
        if (!read(4, &code)) {
            return false;
        }
        length += code;
        if (code < 15) {
            *pLength = length;
            return true;
        }
    }
}

Stop Decoder::literal() {
    uint32_t byte;
    if (!read(8, &byte)) {
        return Stop::Truncated;
    }
    if (m_out.cursor == m_out.piece.end && !advanceOutput()) {
        return Stop::OutputFull;
    }
    *m_out.cursor++ = uint8_t(byte);
    return Stop::None;
}

Stop Decoder::match(uint32_t offsetBits) {
    uint32_t offset;
    uint32_t length;
    if (!read(offsetBits, &offset)) {
        return Stop::Truncated;
    }
    if (offset == 0) {
        return offsetBits == 7 ? endMarker() : Stop::Corrupt;
    }
    if (!readLength(&length)) {
        return Stop::Truncated;
    }
    int32_t rc =
        tezl_CopyMatch(&m_out, m_pDecoder->retained, nullptr, tezl_RetainAdvanceC, offset, length);
    return rc == 0 ? Stop::None : rc == TEZL_ERR_OUTPUT ? Stop::OutputFull : Stop::Corrupt;
}

// After an end marker the rest of the input piece is padding; decoding goes
// on from the first byte of a further piece, if any.
Stop Decoder::endMarker() {
    m_in.bitBuffer = 0;
    m_in.bitCount = 0;
    m_in.cursor = m_in.piece.end;
    return tezl_NextInputPiece(&m_in) ? Stop::None : Stop::End;
}

Stop Decoder::run() {
    for (;;) {
        uint32_t flags;
        if (!read(1, &flags)) {
            return Stop::Truncated;
        }
        Stop stop;
        if (flags == 0) {
            stop = literal();
        } else if (!read(1, &flags)) {
            stop = Stop::Truncated;
        } else {
            stop = match(flags ? 7 : 11);
        }
        if (stop != Stop::None) {
            return stop;
        }
    }
}

} // namespace

int32_t tezlC_DecodeStream(TezlCDecoder *pDecoder) {
    Stop stop = Decoder(pDecoder).run();
    if (stop == Stop::Truncated) {
        return TEZL_ERR_INPUT;
    }
    if (!pDecoder->base.output.piece.end) {
        return tezl_NoPieceResult(pDecoder->retained, TEZL_ERR_OUTPUT);
    }
    return stop == Stop::End ? 0 : stop == Stop::OutputFull ? TEZL_ERR_OUTPUT : TEZL_ERR_CORRUPT;
}
