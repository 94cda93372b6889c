// Helpers shared by the codec tests: hex text, contexts by level, piece
// layouts.
#pragma once

#include "tezl.h"

#include <cstdint>
#include <string>
#include <vector>

namespace codec_test {

using Bytes = std::vector<uint8_t>;

inline Bytes fromHex(const std::string &hex) {
    Bytes out;
    int high = -1;
    for (char c : hex) {
        int v = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (v < 0) {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(uint8_t(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

inline std::string toHex(const uint8_t *data, size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        if (i) {
            out += ' ';
        }
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
    return out;
}
inline std::string toHex(const Bytes &b) {
    return toHex(b.data(), b.size());
}

// Bit string ("0"/"1", blanks ignored) packed MSB first, zero padded.
inline Bytes fromBits(const std::string &bits) {
    Bytes out;
    int count = 0;
    for (char c : bits) {
        if (c != '0' && c != '1') {
            continue;
        }
        if (count % 8 == 0) {
            out.push_back(0);
        }
        if (c == '1') {
            out.back() = uint8_t(out.back() | 0x80 >> (count % 8));
        }
        ++count;
    }
    return out;
}

inline Bytes fromText(const std::string &text) {
    return Bytes(text.begin(), text.end());
}

// A context of one level with its own context and work memory.
class Codec {
  public:
    explicit Codec(int32_t level, uint32_t workBytes = 0)
        : m_context(8192 / 8), m_work((workBytes ? workBytes : tezl_WorkBytes(level)) / 8 + 1) {
        uint32_t work = workBytes ? workBytes : tezl_WorkBytes(level);
        m_pContext = tezl_Create(m_context.data(), tezl_ContextBytes(level),
                                 work ? m_work.data() : nullptr, work, level);
    }
    TezlContext *get() const { return m_pContext; }

    int32_t encode(const Bytes &in, Bytes *pOut, uint32_t capacity = 0) const {
        pOut->assign(capacity ? capacity : in.size() * 2 + 64, 0);
        int32_t rc = tezl_Encode(m_pContext, in.data(), uint32_t(in.size()), pOut->data(),
                                 uint32_t(pOut->size()));
        pOut->resize(rc > 0 ? size_t(rc) : 0);
        return rc;
    }
    int32_t decode(const Bytes &in, Bytes *pOut, uint32_t capacity) const {
        pOut->assign(capacity, 0);
        int32_t rc =
            tezl_Decode(m_pContext, in.data(), uint32_t(in.size()), pOut->data(), capacity);
        pOut->resize(rc > 0 ? size_t(rc) : 0);
        return rc;
    }

  private:
    std::vector<uint64_t> m_context;
    std::vector<uint64_t> m_work;
    TezlContext *m_pContext = nullptr;
};

// Cuts [data, data + size) into pieces of the given sizes (the last size
// repeats); returns the pieces.
inline std::vector<TezlPiece> cutPieces(uint8_t *data, size_t size,
                                        const std::vector<size_t> &sizes) {
    std::vector<TezlPiece> pieces;
    size_t at = 0;
    for (size_t i = 0; at < size; ++i) {
        size_t n = sizes[std::min(i, sizes.size() - 1)];
        n = std::min(n, size - at);
        pieces.push_back({data + at, data + at + n});
        at += n;
    }
    return pieces;
}

} // namespace codec_test
