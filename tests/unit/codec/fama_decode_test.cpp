// Family A decoder: both token formats, every result, piece lists and
// staging.
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>

using namespace codec_test;

namespace {

struct DecodeCase {
    const char *name;
    const char *streamHex;
    uint32_t capacity;
    int32_t result;
    const char *expectedHex; // decoded bytes when result >= 0 (null: not checked)
};

Bytes repeat(uint8_t value, size_t count) {
    return Bytes(count, value);
}

class FamilyADecode : public ::testing::TestWithParam<int32_t> {};

TEST_P(FamilyADecode, TokenTable) {
    const DecodeCase cases[] = {
        {"format 1 abc x4", "22 61 62 63 D0 02", 64, 12, "616263616263616263616263"},
        {"format 2 abc x4", "C3 61 62 63 03 05", 64, 12, "616263616263616263616263"},
        {"exact fit", "22 61 62 63 D0 02", 12, 12, "616263616263616263616263"},
        {"one byte short", "22 61 62 63 D0 02", 11, -3, nullptr},
        {"zero run 0x02", "20 41 02 05", 64, 11, "41 00000000000000000000"},
        {"distance 1 repeats", "20 41 80 00", 64, 5, "4141414141"},
        {"invalid 0x00", "22 61 62 63 00", 64, -1, nullptr},
        {"invalid 0x0F", "22 61 62 63 0F 00 00 00", 64, -1, nullptr},
        {"cut match", "22 61 62 63 D0", 64, -2, nullptr},
        {"cut literal run", "22 61 62", 64, -2, nullptr},
        {"cut long literal", "01 00", 64, -2, nullptr},
        {"final stop token", "C3 61 62 63 00 00", 64, 3, "616263"},
        {"stop token inside", "C3 61 62 63 00 00 C1 61", 64, -1, nullptr},
        {"stop token only", "C0", 64, 0, ""},
        {"format 2 E0 stop", "E0 00 00", 64, 0, ""},
        {"format 2 invalid E5", "C1 61 E5", 64, -1, nullptr},
        {"format 2 medium", "C1 61 81 00 05", 64, 6, "616161616161"},
        {"format 2 medium stop", "C1 61 81 00 03", 64, 1, "61"},
        {"format 2 long", "C1 61 F0 04 00 01", 64, 5, "6161616161"},
        {"format 2 E0 literals", "E0 00 02 61 62", 64, 2, "6162"},
        {"distance before start", "20 41 80 01", 64, -1, nullptr},
        {"long literal too long", "01 FF C0", 64, -1, nullptr},
        {"empty destination full then token", "20 41 20 42", 1, -3, nullptr},
    };
    Codec decoder(GetParam());
    ASSERT_NE(decoder.get(), nullptr);
    for (const DecodeCase &c : cases) {
        Bytes out;
        EXPECT_EQ(decoder.decode(fromHex(c.streamHex), &out, c.capacity), c.result) << c.name;
        if (c.result >= 0 && c.expectedHex) {
            EXPECT_EQ(toHex(out), toHex(fromHex(c.expectedHex))) << c.name;
        }
    }
}

TEST_P(FamilyADecode, LongTokensAndRuns) {
    Codec decoder(GetParam());
    Bytes out;
    EXPECT_EQ(decoder.decode(fromHex("20 41 03 00 00"), &out, 1000), 261);
    EXPECT_EQ(out, [] {
        Bytes b = repeat(0, 261);
        b[0] = 0x41;
        return b;
    }());
    EXPECT_EQ(decoder.decode(fromHex("20 41 10 00 00 00"), &out, 1000), 269);
    EXPECT_EQ(out, repeat(0x41, 269));
    EXPECT_EQ(decoder.decode(fromHex("20 41 40 00 00"), &out, 1000), 13);
    EXPECT_EQ(out, repeat(0x41, 13));
    Bytes longRun = fromHex("01 FF BF");
    Bytes payload(65536);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = uint8_t(i * 7);
    }
    longRun.insert(longRun.end(), payload.begin(), payload.end());
    EXPECT_EQ(decoder.decode(longRun, &out, 65536), 65536);
    EXPECT_EQ(out, payload);
}

TEST_P(FamilyADecode, MissingBuffers) {
    Codec decoder(GetParam());
    uint8_t in[2] = {0x20, 0x41};
    uint8_t out[4];
    EXPECT_EQ(tezl_Decode(decoder.get(), in, 0, out, 4), -2);
    EXPECT_EQ(tezl_Decode(decoder.get(), nullptr, 2, out, 4), -2);
    EXPECT_EQ(tezl_Decode(decoder.get(), in, 2, out, 0), -3);
    EXPECT_EQ(tezl_Decode(decoder.get(), in, 2, nullptr, 4), -3);
}

// Decodes a stream through piece lists of the given layouts.
int32_t decodeList(TezlContext *p, Bytes stream, const std::vector<size_t> &inSizes, Bytes *pOut,
                   size_t outBytes, const std::vector<size_t> &outSizes) {
    pOut->assign(outBytes, 0);
    std::vector<TezlPiece> in = cutPieces(stream.data(), stream.size(), inSizes);
    std::vector<TezlPiece> out = cutPieces(pOut->data(), pOut->size(), outSizes);
    int32_t rc = p->decodeList(p, in.data(), uint32_t(in.size()), out.data(), uint32_t(out.size()));
    pOut->resize(rc > 0 ? size_t(rc) : 0);
    return rc;
}

TEST_P(FamilyADecode, PieceListsAcrossLayouts) {
    // Literals, near and far matches and a zero run, so that tokens and
    // copies cross every kind of piece border.
    Bytes stream = fromHex("22 61 62 63 D0 02 02 05 20 7A 4F 00 0B 20 7A");
    Codec decoder(GetParam());
    Bytes single;
    int32_t singleRc = decoder.decode(stream, &single, 4096);
    ASSERT_EQ(singleRc, 12 + 10 + 1 + 72 + 1);
    std::vector<std::vector<size_t>> outLayouts = {{4096}, {96}};
    if (GetParam() == -1) {
        // Staging keeps history whatever the caller's layout.
        outLayouts.insert(outLayouts.end(), {{1}, {7}, {3, 5}, {95, 1}});
    }
    for (const auto &inSizes : std::vector<std::vector<size_t>>{{1000}, {1}, {2}, {3, 1}, {5, 7}}) {
        for (const auto &outSizes : outLayouts) {
            Bytes out;
            EXPECT_EQ(decodeList(decoder.get(), stream, inSizes, &out, 96, outSizes), singleRc)
                << inSizes[0] << " " << outSizes[0];
            EXPECT_EQ(out, single);
        }
    }
    Bytes out;
    EXPECT_EQ(decodeList(decoder.get(), stream, {1000}, &out, 95, {95}), -3);
    EXPECT_EQ(decodeList(decoder.get(), stream, {1000}, &out, 0, {1}), -3);
    EXPECT_EQ(decodeList(decoder.get(), {}, {1}, &out, 16, {16}), -2);
    if (GetParam() == 0) {
        // Without staging, small pieces keep no history: the far match fails.
        EXPECT_EQ(decodeList(decoder.get(), stream, {1000}, &out, 96, {7}), -1);
    }
}

// Writes format 1 tokens of every kind, each in the form its length and
// distance call for, beside the bytes they decode to: long streams of
// them go through the decoder's fast loops, far from the buffer ends.
class TokenWriter {
  public:
    explicit TokenWriter(uint32_t seed) : m_random(seed) {}

    const Bytes &stream() const { return m_stream; }
    const Bytes &expected() const { return m_expected; }

    void literals(uint32_t count) {
        if (count <= 32) {
            m_stream.push_back(uint8_t(0x20 | (count - 1)));
        } else {
            put({0x01, uint8_t((count - 65) >> 8), uint8_t(count - 65)});
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t byte = uint8_t(m_random());
            m_stream.push_back(byte);
            m_expected.push_back(byte);
        }
    }
    void zeros(uint32_t count) {
        if (count <= 260) {
            put({0x02, uint8_t(count - 5)});
        } else {
            put({0x03, uint8_t((count - 260) >> 8), uint8_t(count - 260)});
        }
        m_expected.insert(m_expected.end(), count, 0);
    }
    void shortMatch(uint32_t distance, uint32_t length) { // 1..4096, 4..11
        put({uint8_t(0x80 | (length - 4) << 4 | (distance - 1) >> 8), uint8_t(distance - 1)});
        copy(distance, length);
    }
    void mediumMatch(uint32_t distance, uint32_t length) { // 1..16384; 12..267, or 4..259 past 4096
        uint32_t v = (length - (distance <= 4096 ? 12 : 4)) << 14 | (distance - 1);
        put({uint8_t(0x40 | v >> 16), uint8_t(v >> 8), uint8_t(v)});
        copy(distance, length);
    }
    void longMatch(uint32_t distance, uint32_t field) { // 1..65536, field 0..4095
        uint32_t bias = distance <= 4096 ? 268 : distance <= 16384 ? 260 : 4;
        put({uint8_t(0x10 | field >> 8), uint8_t(field), uint8_t((distance - 1) >> 8),
             uint8_t(distance - 1)});
        copy(distance, field + bias);
    }
    // Any token but a fault, picked at random: mostly short and medium
    // matches and literal runs, as the encoder writes them, and among them
    // the kinds the fast loops leave to other paths.
    void anyToken() {
        uint32_t history = uint32_t(m_expected.size());
        uint32_t pick = pickUpTo(99);
        if (history == 0 || pick < 30) {
            literals(pick % 10 == 0 ? 65 + pickUpTo(200) : 1 + pickUpTo(31));
        } else if (pick < 60) {
            shortMatch(1 + pickUpTo(std::min(history, distanceLimit(4096)) - 1), 4 + pickUpTo(7));
        } else if (pick < 85) {
            uint32_t distance = 1 + pickUpTo(std::min(history, distanceLimit(16384)) - 1);
            uint32_t base = distance <= 4096 ? 12 : 4;
            mediumMatch(distance, base + pickUpTo(pick < 80 ? 30 : 255));
        } else if (pick < 93) {
            longMatch(1 + pickUpTo(std::min(history, distanceLimit(65536)) - 1), pickUpTo(300));
        } else {
            zeros(5 + pickUpTo(pick < 98 ? 255 : 600));
        }
    }
    void put(std::initializer_list<uint8_t> bytes) {
        m_stream.insert(m_stream.end(), bytes.begin(), bytes.end());
    }

  private:
    uint32_t pickUpTo(uint32_t most) { return uint32_t(m_random() % (uint64_t(most) + 1)); }
    // Short distances a third of the time: overlapping copies and patterns.
    uint32_t distanceLimit(uint32_t most) { return pickUpTo(2) == 0 ? 40 : most; }
    void copy(uint32_t distance, uint32_t length) {
        if (distance > m_expected.size()) {
            return; // a fault: the decoder stops on it
        }
        for (uint32_t i = 0; i < length; ++i) {
            m_expected.push_back(m_expected[m_expected.size() - distance]);
        }
    }

    std::mt19937 m_random;
    Bytes m_stream;
    Bytes m_expected;
};

TEST_P(FamilyADecode, LongStreamsOfEveryTokenKind) {
    Codec decoder(GetParam());
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        TokenWriter writer(seed);
        while (writer.expected().size() < 100000) {
            writer.anyToken();
        }
        uint32_t size = uint32_t(writer.expected().size());
        for (uint32_t capacity : {size, size + 100}) {
            Bytes out;
            ASSERT_EQ(decoder.decode(writer.stream(), &out, capacity), int32_t(size)) << seed;
            ASSERT_EQ(out, writer.expected()) << seed;
        }
        Bytes out;
        EXPECT_EQ(decoder.decode(writer.stream(), &out, size - 1), -3) << seed;
    }
}

// A fault far from both buffer ends stops the decoder there, within the
// first 16 KiB of output (every distance checked) and past it.
TEST_P(FamilyADecode, FaultsFarFromTheEnds) {
    struct Fault {
        const char *name;
        uint32_t at; // output bytes before the fault
        void (*write)(TokenWriter *pWriter, uint32_t history);
    };
    const Fault faults[] = {
        {"short match before the start", 3000,
         [](TokenWriter *w, uint32_t history) {
             w->put({0x8F, 0xFF});
             (void)history;
         }},
        {"medium match before the start", 9000,
         [](TokenWriter *w, uint32_t history) { w->mediumMatch(history + 1, 8); }},
        {"long match before the start", 30000,
         [](TokenWriter *w, uint32_t history) { w->longMatch(history + 1, 0); }},
        {"invalid byte after a match", 20000,
         [](TokenWriter *w, uint32_t) {
             w->shortMatch(5, 4);
             w->put({0x05});
         }},
        {"long literal run over 65536", 20000,
         [](TokenWriter *w, uint32_t) {
             w->put({0x01, 0xFF, 0xC0});
         }},
    };
    Codec decoder(GetParam());
    for (const Fault &fault : faults) {
        TokenWriter writer(7);
        writer.literals(32);
        while (writer.expected().size() < fault.at) {
            writer.anyToken();
        }
        fault.write(&writer, uint32_t(writer.expected().size()));
        while (writer.stream().size() < fault.at + 70000) {
            writer.literals(32);
        }
        Bytes out;
        EXPECT_EQ(decoder.decode(writer.stream(), &out, 200000), -1) << fault.name;
    }
}

// A valid stream that decodes to nothing answers 0, not the capacity (the
// cursor then stands at the destination's start, as after an exact fill).
TEST(FamilyADecodeFaults, ZeroByteDecodeAnswersZero) {
    for (int32_t level : {0, -1}) {
        Codec decoder(level);
        Bytes out;
        for (const char *stream : {"C0", "E0 00 00", "80 00 00", "F0 00 00 00", "F0 04 00 00"}) {
            EXPECT_EQ(decoder.decode(fromHex(stream), &out, 100), 0) << stream;
        }
    }
    Codec familyC(-5);
    Bytes out;
    EXPECT_EQ(familyC.decode(fromHex("C0 00"), &out, 100), 0);
}

// A staging decoder decodes a single buffer straight into it: a destination
// that fills exactly with complete input succeeds.
TEST(FamilyADecodeFaults, StagingDecoderSingleBufferExactFit) {
    Codec encoder(1);
    Codec staging(-1);
    for (size_t size : {size_t(12), size_t(0x2000), size_t(0x2001), size_t(100000)}) {
        Bytes data(size);
        for (size_t i = 0; i < size; ++i) {
            data[i] = uint8_t(i % 251 ^ i / 300);
        }
        Bytes stream;
        ASSERT_GT(encoder.encode(data, &stream), 0);
        Bytes out;
        EXPECT_EQ(staging.decode(stream, &out, uint32_t(size)), int32_t(size)) << size;
        EXPECT_EQ(out, data);
    }
}

// A stop token ends the stream only when nothing follows it, also when what
// follows comes in a further input piece.
TEST(FamilyADecodeFaults, StopTokenFollowedByAnotherPieceIsAnError) {
    Codec decoder(0);
    Bytes first = fromHex("C3 61 62 63 00 00");
    Bytes second = fromHex("C1 61");
    Bytes out(64);
    TezlPiece in[] = {{first.data(), first.data() + first.size()},
                      {second.data(), second.data() + second.size()}};
    TezlPiece dst{out.data(), out.data() + out.size()};
    EXPECT_EQ(decoder.get()->decodeList(decoder.get(), in, 2, &dst, 1), -1);
    EXPECT_EQ(decoder.get()->decodeList(decoder.get(), in, 1, &dst, 1), 3);
}

TEST(FamilyADecodeList, OutputPiecesOverlappingTheWindowFail) {
    // 2048 literal bytes in 64 runs of 32, then a far match: three pieces.
    Bytes stream;
    for (int run = 0; run < 64; ++run) {
        stream.push_back(0x3F);
        for (int i = 0; i < 32; ++i) {
            stream.push_back(uint8_t(run * 32 + i));
        }
    }
    for (int i = 0; i < 10; ++i) { // 10 x 268 bytes at distance 2048
        Bytes token = fromHex("10 00 07 FF");
        stream.insert(stream.end(), token.begin(), token.end());
    }
    Codec decoder(0);
    Bytes buffer(3 * 2048);
    TezlPiece in{stream.data(), stream.data() + stream.size()};
    uint8_t *b = buffer.data();
    TezlPiece good[] = {{b, b + 2048}, {b + 2048, b + 4096}, {b + 4096, b + 6144}};
    EXPECT_EQ(decoder.get()->decodeList(decoder.get(), &in, 1, good, 3), 2048 + 10 * 268);
    EXPECT_EQ(Bytes(buffer.begin() + 2048, buffer.begin() + 2048 + 268),
              Bytes(buffer.begin(), buffer.begin() + 268));
    // A third piece over the first, or over the one just before it.
    for (uint8_t *again : {b, b + 2048, b + 1024}) {
        TezlPiece bad[] = {{b, b + 2048}, {b + 2048, b + 4096}, {again, again + 2048}};
        EXPECT_EQ(decoder.get()->decodeList(decoder.get(), &in, 1, bad, 3), -1) << again - b;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, FamilyADecode, ::testing::Values(0, -1));

} // namespace
