// Exact room, every family, both directions, every fast path: encoders and
// decoders write into destinations of exactly the size needed, one byte
// more, and every size up to some hundreds of bytes less (so that each
// wide copy meets the end of the room at every offset), with guard bytes
// behind the destination that must stay untouched. Inputs sit in
// exact-size heap blocks (each input piece in a block of its own), so that
// a sanitizer sees any read past them. Hand-built streams run each
// decoder's fast paths right up to the end; hand-built headers wrong by one
// are refused with the right result.
#include "codec_mixed.h"
#include "codec_test_util.h"
#include "famb_tables.h"
#include "famb_test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using codec_mixed::ExactBytes;
using codec_mixed::Run;
using codec_mixed::RunKind;
using codec_test::Bytes;
using codec_test::Codec;
using codec_test::fromHex;

constexpr size_t kGuardBytes = 32;
constexpr uint8_t kGuard = 0xA5;

// A destination of `capacity` bytes followed by guard bytes.
class Guarded {
  public:
    explicit Guarded(size_t capacity)
        : m_bytes(capacity + kGuardBytes, kGuard), m_capacity(capacity) {}
    uint8_t *data() { return m_bytes.data(); }
    bool guardIntact() const {
        for (size_t i = m_capacity; i < m_bytes.size(); ++i) {
            if (m_bytes[i] != kGuard) {
                return false;
            }
        }
        return true;
    }
    Bytes prefix(size_t n) const { return Bytes(m_bytes.begin(), m_bytes.begin() + long(n)); }

  private:
    Bytes m_bytes;
    size_t m_capacity;
};

// The input of one operation: one exact block, or pieces of `pieceBytes`
// each in an exact block of its own.
class Input {
  public:
    Input(const Bytes &data, size_t pieceBytes) {
        for (size_t at = 0; at < data.size(); at += pieceBytes) {
            size_t n = std::min(pieceBytes, data.size() - at);
            m_blocks.push_back(std::make_unique<ExactBytes>(data.data() + at, n));
            m_pieces.push_back({m_blocks.back()->data(), m_blocks.back()->data() + n});
        }
    }
    const std::vector<TezlPiece> &pieces() const { return m_pieces; }

  private:
    std::vector<std::unique_ptr<ExactBytes>> m_blocks;
    std::vector<TezlPiece> m_pieces;
};

enum class Way { SingleBuffer, PieceLists };

// One operation into a guarded destination of `capacity` bytes: through
// the single-buffer entry point with the input in one block, or through
// the piece-list slot with the input in pieces of 7 bytes and the
// destination as one piece (so that every decoder keeps its history).
struct Outcome {
    int32_t rc;
    bool bGuardIntact;
    Bytes written;
};

Outcome runInto(TezlContext *p, bool bEncode, const Bytes &data, size_t capacity, Way way) {
    Guarded out(capacity);
    int32_t rc;
    if (way == Way::SingleBuffer) {
        ExactBytes in(data.data(), data.size());
        rc = bEncode
                 ? tezl_Encode(p, in.data(), uint32_t(in.size()), out.data(), uint32_t(capacity))
                 : tezl_Decode(p, in.data(), uint32_t(in.size()), out.data(), uint32_t(capacity));
    } else {
        Input in(data, 7);
        TezlPiece dst{out.data(), out.data() + capacity};
        TezlListOp op = bEncode ? p->encodeList : p->decodeList;
        rc = op(p, in.pieces().data(), uint32_t(in.pieces().size()), &dst, 1);
    }
    return {rc, out.guardIntact(), out.prefix(rc > 0 ? size_t(rc) : 0)};
}

// Runs one operation at every capacity from `below` bytes under the needed
// size up to one byte over it: exactly enough and more give the needed
// size and the expected bytes, less gives -3; the guard always holds. A
// decoder is expected to give `plain`; an encoder what it writes with ample
// room the same way.
void sweepCapacities(TezlContext *p, bool bEncode, const Bytes &data, const Bytes &plain,
                     size_t below, const std::string &what) {
    for (Way way : {Way::SingleBuffer, Way::PieceLists}) {
        const char *wayName = way == Way::SingleBuffer ? "single buffer" : "piece lists";
        Bytes expected =
            bEncode ? runInto(p, true, data, data.size() * 2 + 1024, way).written : plain;
        ASSERT_FALSE(expected.empty()) << what << ", " << wayName;
        size_t needed = expected.size();
        size_t low = needed > below ? needed - below : 1;
        for (size_t capacity = low; capacity <= needed + 1; ++capacity) {
            Outcome o = runInto(p, bEncode, data, capacity, way);
            bool bFits = capacity >= needed;
            ASSERT_EQ(o.rc, bFits ? int32_t(needed) : -3)
                << what << ", " << wayName << ", capacity " << capacity << " of " << needed;
            ASSERT_TRUE(o.bGuardIntact)
                << what << ", " << wayName << ", capacity " << capacity << " of " << needed;
            if (bFits) {
                ASSERT_EQ(o.written, expected)
                    << what << ", " << wayName << ", capacity " << capacity;
            }
        }
    }
}

// Inputs shaped so that each encoder's paths run up to the end: literal
// runs of every length class, matches, zeros across a sub-piece border,
// short periods and a mix.
struct Shape {
    const char *name;
    Bytes data;
};

std::vector<Shape> shapes() {
    std::vector<Shape> out;
    for (size_t n : {1, 15, 16, 31, 32, 33, 64, 65, 66, 100, 3000}) {
        out.push_back({"random", codec_mixed::expand({{RunKind::Random, n, uint32_t(n)}})});
    }
    out.push_back({"text", codec_mixed::expand({{RunKind::Text, 3000, 1}})});
    out.push_back({"short text", codec_mixed::expand({{RunKind::Text, 40, 2}})});
    out.push_back({"zeros", Bytes(70000, 0)});
    out.push_back({"period 3", codec_mixed::expand({{RunKind::Period, 1000, 2}})});
    out.push_back({"mixed", codec_mixed::expand({{RunKind::Text, 2000, 3},
                                                 {RunKind::Random, 500, 4},
                                                 {RunKind::Repeat, 1000, 5},
                                                 {RunKind::Zeros, 300, 6},
                                                 {RunKind::Text, 20, 7}})});
    return out;
}

std::string shapeName(const Shape &shape) {
    return std::string(shape.name) + " " + std::to_string(shape.data.size());
}

class ExactFitEncode : public ::testing::TestWithParam<int32_t> {};

TEST_P(ExactFitEncode, NeededRoomOneLessOneMore) {
    Codec encoder(GetParam());
    for (const Shape &shape : shapes()) {
        // The encoders' widest store is a 33-byte literal run.
        sweepCapacities(encoder.get(), true, shape.data, {}, 40, shapeName(shape));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, ExactFitEncode,
                         ::testing::ValuesIn(codec_mixed::kEncoderLevels),
                         [](const ::testing::TestParamInfo<int32_t> &param) {
                             return "enc" + std::to_string(param.param);
                         });

// Decoders, over the streams of every encoder of their family. The widest
// fast-path copies reach 276 bytes past a symbol's start (family B).
constexpr size_t kDecodeSweep = 300;

class ExactFitDecode : public ::testing::TestWithParam<int32_t> {};

TEST_P(ExactFitDecode, EncodedStreams) {
    int32_t encoderLevel = GetParam();
    Codec encoder(encoderLevel);
    for (const Shape &shape : shapes()) {
        Bytes stream;
        ASSERT_GT(encoder.encode(shape.data, &stream), 0);
        for (int32_t decoderLevel : codec_mixed::decodersOf(encoderLevel)) {
            Codec decoder(decoderLevel);
            sweepCapacities(decoder.get(), false, stream, shape.data, kDecodeSweep,
                            shapeName(shape) + ", decoder " + std::to_string(decoderLevel));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, ExactFitDecode,
                         ::testing::ValuesIn(codec_mixed::kEncoderLevels),
                         [](const ::testing::TestParamInfo<int32_t> &param) {
                             return "enc" + std::to_string(param.param);
                         });

// ---- hand-built family A streams --------------------------------------

// Builds a family A stream token by token with the bytes it decodes to.
class StreamA {
  public:
    explicit StreamA(int format) : m_format(format) {}

    StreamA &literals(size_t count) {
        while (count > 0) {
            size_t n = std::min<size_t>(count, m_format == 1 ? 32 : 31);
            m_stream.push_back(uint8_t(m_format == 1 ? 0x20 | (n - 1) : 0xC0 | n));
            for (size_t i = 0; i < n; ++i) {
                uint8_t b = uint8_t('a' + m_plain.size() * 7 % 26);
                m_stream.push_back(b);
                m_plain.push_back(b);
            }
            count -= n;
        }
        return *this;
    }
    // One match token of the given length and distance.
    StreamA &match(uint32_t distance, uint32_t length) {
        m_format == 1 ? tokenF1(distance, length) : tokenF2(distance, length);
        for (uint32_t i = 0; i < length; ++i) {
            m_plain.push_back(m_plain[m_plain.size() - distance]);
        }
        return *this;
    }
    const Bytes &stream() const { return m_stream; }
    const Bytes &plain() const { return m_plain; }

  private:
    void bigEndian(uint32_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            m_stream.push_back(uint8_t(value >> (8 * i)));
        }
    }
    void tokenF1(uint32_t distance, uint32_t length) {
        uint32_t u = distance - 1;
        if (distance <= 4096 && length <= 11) {
            bigEndian((0x80 + (length - 4) * 16 + (u >> 8)) << 8 | (u & 0xFF), 2);
        } else if (distance <= 4096 && length <= 267) {
            bigEndian((length - 12 + 256) * 16384 + u, 3);
        } else if (distance > 4096 && distance <= 16384 && length <= 259) {
            bigEndian((length - 4 + 256) * 16384 + u, 3);
        } else {
            uint32_t bias = distance <= 4096 ? 268 : distance <= 16384 ? 260 : 4;
            bigEndian((length - bias + 4096) * 65536 + u, 4);
        }
    }
    void tokenF2(uint32_t distance, uint32_t length) {
        if (distance < 4096 && length <= 11) {
            m_stream.push_back(uint8_t(distance & 0x7F));
            m_stream.push_back(uint8_t((distance >> 7) << 3 | (length - 4)));
        } else if (distance < 16384 && length < 256) {
            m_stream.push_back(uint8_t(0x80 | (distance & 0x3F)));
            m_stream.push_back(uint8_t(distance >> 6));
            m_stream.push_back(uint8_t(length));
        } else {
            bigEndian(0xF0000000u | length << 16 | distance, 4);
        }
    }

    int m_format;
    Bytes m_stream;
    Bytes m_plain;
};

struct HandStream {
    std::string name;
    Bytes stream;
    Bytes plain;
};

// Each stream keeps one fast path busy to its last token: short matches
// (one 16-byte store each), literal runs (32-byte stores), longer matches
// at distances of 16 and more, 8 to 15 and below 8 (wide copies and
// pattern widening), long tokens, and format 2's tokens.
std::vector<HandStream> familyAStreams() {
    std::vector<HandStream> out;
    // A last one-byte literal run: the fast loop, which needs four input
    // bytes to spare, decodes every token before it.
    auto add = [&out](const char *name, StreamA &s) {
        s.literals(1);
        out.push_back({name, s.stream(), s.plain()});
    };
    StreamA shortMatches(1);
    shortMatches.literals(16);
    for (uint32_t i = 0; i < 60; ++i) {
        shortMatches.match(16, 4 + i % 8);
    }
    add("format 1 short matches", shortMatches);
    StreamA literalRuns(1);
    for (size_t n = 1; n <= 32; ++n) {
        literalRuns.literals(n);
    }
    add("format 1 literal runs", literalRuns);
    // A literal run with 32 input bytes left from its start, or 31, or 33:
    // the wide copy of its bytes reads up to 33 bytes from there.
    for (uint32_t left : {31u, 32u, 33u}) {
        for (uint32_t run : {1u, 9u, 20u, 26u}) {
            StreamA nearEnd(1);
            nearEnd.literals(40);
            nearEnd.literals(run);
            uint32_t tail = left - (run + 1) - 2; // matches after the run, before the last literal
            for (; tail % 2 != 0; tail -= 3) {
                nearEnd.match(30, 32); // a 3-byte token
            }
            for (; tail > 0; tail -= 2) {
                nearEnd.match(30, 4);
            }
            add("format 1 literal run near the input end", nearEnd);
        }
    }
    for (uint32_t distance : {16u, 23u, 15u, 12u, 8u, 11u, 1u, 3u, 7u}) {
        StreamA longer(1);
        longer.literals(32);
        longer.match(distance, 300); // a 4-byte token
        for (uint32_t i = 0; i < 32; ++i) {
            longer.match(distance, 12 + i * 13 % 32); // every length modulo 16
        }
        add(distance >= 16  ? "format 1 matches, distance 16 and more"
            : distance >= 8 ? "format 1 matches, distance 8 to 15"
                            : "format 1 matches, distance below 8",
            longer);
    }
    StreamA f2(2);
    f2.literals(20);
    for (uint32_t i = 0; i < 40; ++i) {
        f2.match(i % 3 == 0 ? 16 : i % 3 == 1 ? 5 : 9, i % 2 ? 4 + i % 8 : 12 + i % 30);
    }
    f2.match(18, 300);
    f2.match(16, 4);
    add("format 2 matches", f2);
    StreamA f2Literals(2);
    for (size_t n = 1; n <= 31; ++n) {
        f2Literals.literals(n);
    }
    add("format 2 literal runs", f2Literals);
    return out;
}

TEST(ExactFitDecodeA, FastPathsToTheEnd) {
    for (const HandStream &s : familyAStreams()) {
        for (int32_t level : {0, -1}) {
            Codec decoder(level);
            sweepCapacities(decoder.get(), false, s.stream, s.plain, s.plain.size(),
                            s.name + ", decoder " + std::to_string(level));
        }
    }
}

// ---- hand-built family B streams --------------------------------------

// Builds one Huffman block with a complete code over every literal/length
// symbol (226 of 8 bits, 60 of 9) and every distance symbol (30 of 5 bits,
// 4 of 6), with the bytes it decodes to.
class StreamB {
  public:
    StreamB() : m_litLen(286, 8), m_dist(34, 5) {
        std::fill(m_litLen.begin() + 226, m_litLen.end(), 9);
        std::fill(m_dist.begin() + 30, m_dist.end(), 6);
        m_codes = famb_test::writeHeader(m_sink, m_litLen, m_dist);
    }
    StreamB &literals(size_t count) {
        for (size_t i = 0; i < count; ++i) {
            uint8_t b = uint8_t('A' + m_plain.size() * 5 % 26);
            putSymbol(b);
            m_plain.push_back(b);
        }
        return *this;
    }
    StreamB &match(uint32_t distance, uint32_t length) {
        unsigned lengthSymbol = famb::kLengthCode[length - famb::kMinMatch];
        const famb::SymbolRange &lengthRange = famb::kLengthRanges[lengthSymbol];
        putSymbol(257 + lengthSymbol);
        m_sink.put(length - lengthRange.base, lengthRange.extraBits);
        unsigned distSymbol = famb::distSymbol(distance);
        m_sink.putCode(m_codes.dist[distSymbol], m_dist[distSymbol]);
        m_sink.put(distance - famb::kDistRanges[distSymbol].base,
                   famb::kDistRanges[distSymbol].extraBits);
        for (uint32_t i = 0; i < length; ++i) {
            m_plain.push_back(m_plain[m_plain.size() - distance]);
        }
        return *this;
    }
    // Ends the block, then the stream with a block of one literal whose
    // header is long: the fast loop, which needs input to spare, decodes
    // this block right up to its last symbol.
    HandStream finish(const std::string &name) {
        putSymbol(famb::kEndOfBlock);
        std::vector<uint8_t> lastLengths(257, 0);
        lastLengths['Z'] = 1;
        lastLengths[famb::kEndOfBlock] = 1;
        auto last = famb_test::writeHeader(m_sink, lastLengths, {});
        m_sink.putCode(last.litLen['Z'], 1);
        m_sink.putCode(last.litLen[famb::kEndOfBlock], 1);
        m_sink.alignWithMarker();
        m_plain.push_back('Z');
        return {name, m_sink.bytes(), m_plain};
    }

  private:
    void putSymbol(unsigned symbol) { m_sink.putCode(m_codes.litLen[symbol], m_litLen[symbol]); }

    std::vector<uint8_t> m_litLen;
    std::vector<uint8_t> m_dist;
    famb_test::BitSink m_sink;
    famb_test::BlockCodes m_codes;
    Bytes m_plain;
};

// Long matches copied in 16-byte chunks (distance 16 and more), in 8-byte
// chunks (8 to 15) and byte by byte (below 8), and literals decoded two at
// a time, each up to the end of the stream.
std::vector<HandStream> familyBStreams() {
    std::vector<HandStream> out;
    for (uint32_t distance : {16u, 40u, 8u, 15u, 1u, 6u}) {
        StreamB s;
        s.literals(40);
        for (uint32_t i = 0; i < 6; ++i) {
            s.match(distance, 257 + i % 4);
            s.match(distance, 4 + i * 7 % 30);
        }
        out.push_back(s.finish("matches at distance " + std::to_string(distance)));
    }
    StreamB literalsOnly;
    literalsOnly.literals(700);
    out.push_back(literalsOnly.finish("literals"));
    return out;
}

TEST(ExactFitDecodeB, FastPathsToTheEnd) {
    for (const HandStream &s : familyBStreams()) {
        for (int32_t level : {-2, -3}) {
            Codec decoder(level);
            sweepCapacities(decoder.get(), false, s.stream, s.plain, s.plain.size(),
                            s.name + ", decoder " + std::to_string(level));
        }
    }
}

// ---- headers wrong by one ---------------------------------------------

struct HeaderCase {
    const char *name;
    std::vector<int32_t> decoders;
    Bytes stream;
    uint32_t capacity;
    int32_t expected;
};

Bytes withBytes(const char *hex, size_t count, uint8_t value) {
    Bytes b = fromHex(hex);
    b.insert(b.end(), count, value);
    return b;
}

// Family B streams whose header counts are one off.
Bytes storedBlock(uint32_t declared, const Bytes &data) {
    Bytes b(2 + data.size());
    b[0] = uint8_t(1 | (declared - 1) << 1);
    b[1] = uint8_t((declared - 1) >> 7);
    std::copy(data.begin(), data.end(), b.begin() + 2);
    return b;
}

Bytes literalBlock(size_t litLenCount, size_t distCount) {
    famb_test::BitSink sink;
    std::vector<uint8_t> litLen(litLenCount, 0);
    litLen['z'] = 1;
    litLen[256] = 1;
    std::vector<uint8_t> dist(distCount, 0);
    if (distCount != 0) {
        dist[0] = dist[distCount - 1] = 1;
    }
    auto codes = famb_test::writeHeader(sink, litLen, dist);
    sink.putCode(codes.litLen['z'], 1);
    sink.putCode(codes.litLen[256], 1);
    sink.alignWithMarker();
    return sink.bytes();
}

// Family C: a literal 'x' (9 bits) then the given bits, packed MSB first.
Bytes familyC(const std::string &bits) {
    return codec_test::fromBits("0 01111000 " + bits);
}

TEST(ExactFitHeaders, CountsWrongByOne) {
    const std::vector<int32_t> a = {0, -1};
    const std::vector<int32_t> b = {-2, -3};
    const std::vector<int32_t> c = {-5};
    Bytes markerCut = familyC("11 0000000");
    markerCut.pop_back();
    const HeaderCase cases[] = {
        {"A long literal run of its count", a, withBytes("01 00 00", 65, 'q'), 100, 65},
        {"A long literal run one byte short", a, withBytes("01 00 00", 64, 'q'), 100, -2},
        {"A medium match reaching the first byte", a, fromHex("20 41 40 00 00"), 100, 13},
        {"A medium match one byte before it", a, fromHex("20 41 40 00 01"), 100, -1},
        {"A long match reaching the first byte", a, fromHex("20 41 10 00 00 00"), 300, 269},
        {"A long match one byte before it", a, fromHex("20 41 10 00 00 01"), 300, -1},
        {"A format 2 match reaching the first byte", a, fromHex("C1 61 01 00"), 100, 5},
        {"A format 2 match one byte before it", a, fromHex("C1 61 02 00"), 100, -1},
        {"A zero run into its room", a, fromHex("02 00"), 5, 5},
        {"A zero run one past its room", a, fromHex("02 00"), 4, -3},
        {"B stored block of its length", b, storedBlock(4, fromHex("61 62 63 64")), 10, 4},
        {"B stored block one byte short", b, storedBlock(4, fromHex("61 62 63")), 10, -2},
        {"B stored block one byte long", b, storedBlock(2, fromHex("61 62 78")), 10, -2},
        {"B 286 literal/length codes", b, literalBlock(286, 2), 10, 1},
        {"B 34 distance codes", b, literalBlock(258, 34), 10, 1},
        {"B literal block without distance code", b, literalBlock(257, 0), 10, 1},
        {"C short offset to the first byte", c, familyC("11 0000001 00 11 0000000"), 10, 3},
        {"C short offset one before it", c, familyC("11 0000010 00 11 0000000"), 10, -1},
        {"C long offset to the first byte", c, familyC("10 00000000001 00 11 0000000"), 10, 3},
        {"C long offset one before it", c, familyC("10 00000000010 00 11 0000000"), 10, -1},
        {"C end marker one byte short", c, markerCut, 10, -2},
        {"C stream cut inside a length code", c, familyC("11 0000001 11 11 1111 1111 11"), 100, -2},
    };
    for (const HeaderCase &hc : cases) {
        for (int32_t level : hc.decoders) {
            Codec decoder(level);
            Outcome o = runInto(decoder.get(), false, hc.stream, hc.capacity, Way::SingleBuffer);
            EXPECT_EQ(o.rc, hc.expected) << hc.name << ", decoder " << level;
            EXPECT_TRUE(o.bGuardIntact) << hc.name << ", decoder " << level;
        }
    }
}

} // namespace
