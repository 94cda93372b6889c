// Mixed inputs and whole-family round trips, shared by the codec unit tests
// and the structured round-trip fuzz target (no test framework here).
//
// A recipe is a list of runs (text, random bytes, a repeat of an earlier
// span, zeros, a short period), each with a length and a seed, expanded
// into one input. A family round trip encodes that input at one level, as a
// single buffer and as piece lists, and decodes each stream with every
// decoder of the level's family, as a single buffer and as piece lists,
// comparing every byte.
#pragma once

#include "codec_test_util.h"
#include "tezl.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace codec_mixed {

using Bytes = std::vector<uint8_t>;

enum class RunKind : uint8_t { Text, Random, Repeat, Zeros, Period };
inline constexpr unsigned kRunKinds = 5;
inline constexpr size_t kMaxRunBytes = size_t(256) << 10;
inline constexpr size_t kMaxInputBytes = size_t(4) << 20;

struct Run {
    RunKind kind;
    size_t length; // at most kMaxRunBytes
    uint32_t seed;
};

// A small deterministic generator (xorshift32); never yields 0.
class Rng {
  public:
    explicit Rng(uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {
        if (m_state == 0) {
            m_state = 1;
        }
    }
    uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }

  private:
    uint32_t m_state;
};

// Appends one run. Text runs take slices of `text` when it is given, else
// words of a small vocabulary; a repeat copies from up to 70,000 bytes back
// (further than any window, so that some repeats cannot be matched).
inline void appendRun(Bytes &out, const Run &run, const Bytes &text) {
    static const char *const kWords[] = {
        "the ",     "of ",      "and ",     "to ",       "a ",     "in ",        "License ",
        "program ", "work ",    "covered ", "you ",      "may ",   "any ",       "copy ",
        "source ",  "code ",    "terms ",   "software ", "free ",  "rights ",    "this ",
        "GNU ",     "General ", "Public ",  "version ",  "that ",  "or ",        "not ",
        "with ",    ", ",       ". ",       ".\n",       "\n\n  ", "conveying ", "modify "};
    constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];
    Rng rng(run.seed);
    size_t end = std::min(out.size() + run.length, kMaxInputBytes);
    switch (run.kind) {
        case RunKind::Text:
            if (!text.empty()) {
                size_t at = rng.next() % text.size();
                while (out.size() < end) {
                    size_t n = std::min(end - out.size(), text.size() - at);
                    out.insert(out.end(), text.begin() + long(at), text.begin() + long(at + n));
                    at = 0;
                }
            }
            while (out.size() < end) {
                const char *word = kWords[rng.next() % kWordCount];
                size_t n = std::min(end - out.size(), std::strlen(word));
                out.insert(out.end(), word, word + n);
            }
            break;
        case RunKind::Random:
            while (out.size() < end) {
                out.push_back(uint8_t(rng.next() >> 13));
            }
            break;
        case RunKind::Repeat: {
            if (out.empty()) {
                out.resize(end, 0);
                break;
            }
            size_t distance = 1 + rng.next() % std::min<size_t>(out.size(), 70000);
            while (out.size() < end) {
                out.push_back(out[out.size() - distance]);
            }
            break;
        }
        case RunKind::Zeros:
            out.resize(end, 0);
            break;
        case RunKind::Period: {
            uint8_t pattern[16];
            size_t period = 1 + rng.next() % 16;
            for (uint8_t &b : pattern) {
                b = uint8_t(rng.next() >> 7);
            }
            for (size_t i = 0; out.size() < end; ++i) {
                out.push_back(pattern[i % period]);
            }
            break;
        }
    }
}

inline Bytes expand(const std::vector<Run> &runs, const Bytes &text = {}) {
    size_t total = 0;
    for (const Run &run : runs) {
        total += run.length;
    }
    Bytes out;
    out.reserve(std::min(total, kMaxInputBytes));
    for (const Run &run : runs) {
        appendRun(out, run, text);
    }
    return out;
}

// How the piece-list operations cut their buffers.
struct Layout {
    size_t inPieceBytes;     // encoder input pieces
    size_t streamPieceBytes; // encoder output and decoder input pieces
    size_t outPieceBytes;    // decoder output pieces of the staging decoders
};

inline constexpr int32_t kEncoderLevels[] = {1, 2, 3, 5, 6, 7, 8, 10};

// The decoders of the family an encoder level belongs to.
inline std::vector<int32_t> decodersOf(int32_t encoderLevel) {
    if (encoderLevel >= 1 && encoderLevel <= 3) {
        return {0, -1};
    }
    if (encoderLevel >= 5 && encoderLevel <= 8) {
        return {-2, -3};
    }
    return {-5};
}

// A heap block of exactly `size` bytes, so that a sanitizer sees any access
// past it.
class ExactBytes {
  public:
    explicit ExactBytes(size_t size) : m_bytes(new uint8_t[size ? size : 1]), m_size(size) {}
    ExactBytes(const uint8_t *data, size_t size) : ExactBytes(size) {
        if (size != 0) {
            std::memcpy(m_bytes.get(), data, size);
        }
    }
    uint8_t *data() const { return m_bytes.get(); }
    size_t size() const { return m_size; }

  private:
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size;
};

inline std::vector<TezlPiece> cut(uint8_t *data, size_t size, size_t pieceBytes) {
    return codec_test::cutPieces(data, size, {pieceBytes});
}

// Output pieces a non-staging decoder can keep as history for a stream
// whose matches reach at most 65,535 bytes back: 2 KiB pieces hold a
// window of 64 KiB, unless the encoder's input pieces formed a window of
// their own size, which the output then repeats.
inline size_t windowPieceBytes(int32_t encoderLevel, size_t encoderPieceBytes) {
    bool bPowerOfTwo = (encoderPieceBytes & (encoderPieceBytes - 1)) == 0;
    if (encoderLevel != 10 && bPowerOfTwo && encoderPieceBytes >= 2048 &&
        encoderPieceBytes <= 32768) {
        return encoderPieceBytes;
    }
    return 2048;
}

// Decodes `stream` with one decoder as a single buffer and as piece lists
// into `out` (exactly the expected size). Returns "" or what went wrong.
inline std::string decodeAll(int32_t decoderLevel, const ExactBytes &stream,
                             const uint8_t *expected, const ExactBytes &out, size_t windowBytes,
                             const Layout &layout) {
    size_t size = out.size();
    codec_test::Codec decoder(decoderLevel);
    if (!decoder.get()) {
        return "cannot create decoder " + std::to_string(decoderLevel);
    }
    TezlContext *p = decoder.get();
    bool bStaging = decoderLevel == -1 || decoderLevel == -3;
    auto check = [&](const char *how, int32_t rc) -> std::string {
        if (rc != int32_t(size)) {
            return std::string(how) + " result " + std::to_string(rc);
        }
        if (std::memcmp(out.data(), expected, size) != 0) {
            return std::string(how) + " bytes differ";
        }
        return "";
    };
    std::string prefix = "dec " + std::to_string(decoderLevel) + " ";
    int32_t rc = tezl_Decode(p, stream.data(), uint32_t(stream.size()), out.data(), uint32_t(size));
    if (std::string fault = check("single buffer", rc); !fault.empty()) {
        return prefix + fault;
    }
    for (size_t outPiece : {bStaging ? layout.outPieceBytes : windowBytes, size}) {
        std::memset(out.data(), 0, size);
        std::vector<TezlPiece> in = cut(stream.data(), stream.size(), layout.streamPieceBytes);
        std::vector<TezlPiece> dst = cut(out.data(), size, outPiece);
        rc = p->decodeList(p, in.data(), uint32_t(in.size()), dst.data(), uint32_t(dst.size()));
        std::string how =
            "pieces " + std::to_string(layout.streamPieceBytes) + "/" + std::to_string(outPiece);
        if (std::string fault = check(how.c_str(), rc); !fault.empty()) {
            return prefix + fault;
        }
    }
    return "";
}

// Encodes data at one level as a single buffer and, with bPieceLists, as
// piece lists too, and decodes each stream with every decoder of the
// family. Returns "" or what went wrong.
inline std::string roundTrip(int32_t encoderLevel, const uint8_t *data, size_t size,
                             const Layout &layout, bool bPieceLists = true) {
    codec_test::Codec encoder(encoderLevel);
    if (!encoder.get() || size == 0) {
        return "nothing to encode at level " + std::to_string(encoderLevel);
    }
    TezlContext *p = encoder.get();
    ExactBytes input(data, size);
    size_t capacity = size + size / 8 + 4096;
    ExactBytes room(capacity);
    ExactBytes output(size); // one block for every decode: fresh memory is slow to touch
    for (bool bList : {false, true}) {
        if (bList && !bPieceLists) {
            break;
        }
        int32_t length;
        if (bList) {
            std::vector<TezlPiece> in = cut(input.data(), size, layout.inPieceBytes);
            std::vector<TezlPiece> out = cut(room.data(), capacity, layout.streamPieceBytes);
            length =
                p->encodeList(p, in.data(), uint32_t(in.size()), out.data(), uint32_t(out.size()));
        } else {
            length = tezl_Encode(p, input.data(), uint32_t(size), room.data(), uint32_t(capacity));
        }
        std::string prefix = "enc " + std::to_string(encoderLevel) +
                             (bList ? " pieces " + std::to_string(layout.inPieceBytes) : "") + ": ";
        if (length <= 0) {
            return prefix + "result " + std::to_string(length);
        }
        ExactBytes stream(room.data(), size_t(length));
        size_t windowBytes = windowPieceBytes(encoderLevel, bList ? layout.inPieceBytes : 0);
        for (int32_t decoderLevel : decodersOf(encoderLevel)) {
            std::string fault = decodeAll(decoderLevel, stream, data, output, windowBytes, layout);
            if (!fault.empty()) {
                return prefix + fault;
            }
        }
    }
    return "";
}

} // namespace codec_mixed
