// Helpers shared by the family B tests: a bit writer for hand-made streams
// and generated sample data (contexts come from codec_test_util.h).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codec_test_util.h"
#include "famb_context.h"
#include "famb_tables.h"
#include "tezl.h"

namespace famb_test {

using Bytes = std::vector<uint8_t>;

using codec_test::Codec;

// Builds a stream bit by bit, least significant bit first.
class BitSink {
  public:
    void put(uint32_t value, unsigned bits) {
        for (unsigned i = 0; i < bits; ++i) {
            putBit((value >> i) & 1u);
        }
    }
    // A Huffman code, most significant code bit first.
    void putCode(uint32_t code, unsigned length) {
        for (unsigned i = length; i-- > 0;) {
            putBit((code >> i) & 1u);
        }
    }
    void alignWithMarker() {
        if (bitPos_ % 8 != 0) {
            put(1, 1);
            while (bitPos_ % 8 != 0) {
                put(0, 1);
            }
        }
    }
    unsigned bitPos() const { return bitPos_; }
    const Bytes &bytes() const { return bytes_; }

  private:
    void putBit(unsigned bit) {
        if (bitPos_ % 8 == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() = uint8_t(bytes_.back() | (bit << (bitPos_ % 8)));
        ++bitPos_;
    }
    Bytes bytes_;
    unsigned bitPos_ = 0;
};

// Canonical codes of a set of code lengths (0: unused).
inline std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t> &lengths) {
    uint32_t counts[16] = {};
    for (uint8_t len : lengths) {
        counts[len]++;
    }
    counts[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (unsigned bits = 1; bits < 16; ++bits) {
        code = (code + counts[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i) {
        if (lengths[i]) {
            codes[i] = next[lengths[i]]++;
        }
    }
    return codes;
}

// Writes a Huffman block header whose code lengths are sent one plain
// code-length symbol each (a complete code-length code of 4 and 5 bits).
// Returns the literal/length and distance codes for the data that follows.
struct BlockCodes {
    std::vector<uint8_t> litLenLengths;
    std::vector<uint32_t> litLen;
    std::vector<uint8_t> distLengths;
    std::vector<uint32_t> dist;
};
// One code-length symbol (0..18) and the value of its extra bits.
struct CodeLengthSymbol {
    unsigned symbol;
    unsigned extra;
};

// Writes a Huffman block header up to its code lengths: the flag, a
// complete code-length code of 4 and 5 bits, the given HLIT and HDIST (none
// when negative), then the code-length symbols as given, each with its
// extra bits.
inline void writeHeaderSymbols(BitSink &sink, unsigned hlit, int hdist,
                               const std::vector<CodeLengthSymbol> &symbols) {
    std::vector<uint8_t> clLengths(19, 4);
    for (unsigned sym = 13; sym < 19; ++sym) {
        clLengths[sym] = 5; // 13 codes of 4 bits and 6 of 5 bits fill the space
    }
    std::vector<uint32_t> clCodes = canonicalCodes(clLengths);
    sink.put(0, 1);
    sink.put(15, 4);
    for (uint8_t sym : famb::kCodeLenOrder) {
        sink.put(clLengths[sym], 3);
    }
    sink.put(hlit, 5);
    if (hdist >= 0) {
        sink.put(unsigned(hdist), 6);
    }
    static constexpr unsigned kExtraBits[3] = {2, 3, 7};
    for (const CodeLengthSymbol &s : symbols) {
        sink.putCode(clCodes[s.symbol], clLengths[s.symbol]);
        if (s.symbol >= 16) {
            sink.put(s.extra, kExtraBits[s.symbol - 16]);
        }
    }
}

inline BlockCodes writeHeader(BitSink &sink, const std::vector<uint8_t> &litLenLengths,
                              const std::vector<uint8_t> &distLengths) {
    std::vector<CodeLengthSymbol> symbols;
    for (uint8_t len : litLenLengths) {
        symbols.push_back({len, 0});
    }
    for (uint8_t len : distLengths) {
        symbols.push_back({len, 0});
    }
    writeHeaderSymbols(sink, unsigned(litLenLengths.size() - 257),
                       litLenLengths.size() != 257 ? int(distLengths.size() - 1) : -1, symbols);
    return {litLenLengths, canonicalCodes(litLenLengths), distLengths, canonicalCodes(distLengths)};
}

// Sample data: words with repeats (text), structured records (binary),
// log-like lines (trace), and noise.
inline Bytes textData(size_t size, uint32_t seed) {
    static const char *const kWords[] = {"the ",     "block ",  "storage ", "cluster ", "volume ",
                                         "target ",  "data ",   "server ",  "of ",      "and ",
                                         "manager ", "driver ", "query ",   "object ",  "\n"};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const char *w = kWords[rng() % 15];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(size);
    return out;
}
inline Bytes binaryData(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    uint32_t counter = 0;
    while (out.size() < size) {
        uint32_t record[4] = {counter++, uint32_t(rng() % 16), 0x10000u + (counter % 7),
                              rng() % 3 == 0 ? uint32_t(rng()) : 0u};
        const auto *p = reinterpret_cast<const uint8_t *>(record);
        out.insert(out.end(), p, p + sizeof record);
    }
    out.resize(size);
    return out;
}
inline Bytes noiseData(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto &b : out) {
        b = uint8_t(rng());
    }
    return out;
}

} // namespace famb_test
