// Family C: exact bit streams, length codes, offsets, end markers, piece
// lists.
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace {

std::string literalBits(char c) {
    std::string bits = "0";
    for (int i = 7; i >= 0; --i) {
        bits += (uint8_t(c) >> i & 1) ? '1' : '0';
    }
    return bits;
}

const std::string kEnd = " 11 0000000";

TEST(FamilyC, ExactStreams) {
    struct Case {
        Bytes input;
        const char *expectedHex;
    };
    std::string abc8;
    for (int i = 0; i < 8; ++i) {
        abc8 += "abc";
    }
    const Case cases[] = {
        {fromText("abcabcabcabc"), "30 98 8C 66 13 11 8C C2 62 31 98 4C 46 3C 00"},
        {fromText(abc8), "30 98 8C 78 3F DC 00"},
    };
    Codec encoder(10);
    Codec decoder(-5);
    for (const Case &c : cases) {
        Bytes out;
        ASSERT_GT(encoder.encode(c.input, &out), 0);
        EXPECT_EQ(toHex(out), toHex(fromHex(c.expectedHex)));
        Bytes back;
        EXPECT_EQ(decoder.decode(out, &back, uint32_t(c.input.size())), int32_t(c.input.size()));
        EXPECT_EQ(back, c.input);
    }
    Bytes out;
    EXPECT_EQ(encoder.encode(Bytes{0x41}, &out), 3); // 18 bits
    EXPECT_EQ(toHex(out), toHex(fromBits(literalBits('A') + kEnd)));
    EXPECT_EQ(tezl_Encode(encoder.get(), out.data(), 0, out.data(), 4), -2);
}

TEST(FamilyC, LengthCodesAndOffsetForms) {
    // 'a' then a match of the given length at offset 1.
    struct Case {
        uint32_t length;
        const char *lengthBits;
    };
    const Case cases[] = {
        {2, "00"},
        {3, "01"},
        {4, "10"},
        {5, "1100"},
        {6, "1101"},
        {7, "1110"},
        {8, "1111 0000"},
        {22, "1111 1110"},
        {23, "1111 1111 0000"},
        {37, "1111 1111 1110"},
        {38, "1111 1111 1111 0000"},
    };
    Codec decoder(-5);
    for (const Case &c : cases) {
        Bytes stream = fromBits(literalBits('a') + " 11 0000001 " + c.lengthBits + kEnd);
        Bytes out;
        EXPECT_EQ(decoder.decode(stream, &out, 100), int32_t(c.length + 1)) << c.length;
        EXPECT_EQ(out, Bytes(c.length + 1, 'a')) << c.length;
    }
    // Offset 127 in the short form, 128 in the long form (encoder side).
    for (uint32_t offset : {127u, 128u}) {
        Bytes data(offset, 0);
        for (uint32_t i = 0; i < offset; ++i) {
            data[i] = uint8_t(i * 37 + 11);
        }
        Bytes twice = data;
        twice.insert(twice.end(), data.begin(), data.end());
        Codec encoder(10);
        Bytes out;
        ASSERT_GT(encoder.encode(twice, &out), 0);
        Bytes back;
        EXPECT_EQ(decoder.decode(out, &back, uint32_t(twice.size())), int32_t(twice.size()));
        EXPECT_EQ(back, twice);
        // The same match written by hand in the form the offset needs.
        std::string bits;
        for (uint32_t i = 0; i < offset; ++i) {
            bits += literalBits(char(data[i]));
        }
        std::string offsetBits;
        for (int b = offset < 128 ? 6 : 10; b >= 0; --b) {
            offsetBits += (offset >> b & 1) ? '1' : '0';
        }
        bits += (offset < 128 ? " 11 " : " 10 ") + offsetBits + " 10" + kEnd;
        EXPECT_EQ(decoder.decode(fromBits(bits), &back, 1000), int32_t(offset + 4));
        EXPECT_EQ(Bytes(back.begin() + offset, back.end()), Bytes(data.begin(), data.begin() + 4));
    }
}

TEST(FamilyC, DecoderResults) {
    struct Case {
        const char *name;
        Bytes stream;
        uint32_t capacity;
        int32_t result;
    };
    const Case cases[] = {
        {"end marker only", fromBits(kEnd), 8, 0},
        {"bytes after the marker are ignored",
         [] {
             Bytes b = fromBits(literalBits('x') + kEnd);
             b.push_back(0xFF);
             b.push_back(0x00);
             return b;
         }(),
         8, 1},
        {"no end marker", fromBits(literalBits('x')), 8, -2},
        {"cut inside a literal", Bytes{0x3C}, 8, -2},
        {"long offset 0", fromBits(literalBits('x') + " 10 00000000000 00" + kEnd), 8, -1},
        {"offset before start", fromBits(literalBits('x') + " 11 0000010 00" + kEnd), 8, -1},
        {"exact fit after literal", fromBits(literalBits('x') + literalBits('y') + kEnd), 2, 2},
        {"exact fit after match", fromBits(literalBits('x') + " 11 0000001 10" + kEnd), 5, 5},
        {"too small", fromBits(literalBits('x') + " 11 0000001 10" + kEnd), 4, -3},
        {"literal after full", fromBits(literalBits('x') + literalBits('y') + kEnd), 1, -3},
    };
    Codec decoder(-5);
    for (const Case &c : cases) {
        Bytes out;
        EXPECT_EQ(decoder.decode(c.stream, &out, c.capacity), c.result) << c.name;
    }
}

TEST(FamilyC, PiecesOfTwoKilobytesAreCodedAlone) {
    Bytes block(2048);
    uint32_t x = 99;
    for (auto &v : block) {
        x = x * 1103515245 + 12345;
        v = uint8_t(x >> 16);
    }
    Bytes twice = block;
    twice.insert(twice.end(), block.begin(), block.end());
    Codec encoder(10);
    Bytes one;
    Bytes two;
    ASSERT_GT(encoder.encode(block, &one), 0);
    ASSERT_GT(encoder.encode(twice, &two), 0);
    // Each half costs the same bits; only the single end marker is shared.
    EXPECT_GE(two.size() + 2, one.size() * 2 - 2);
}

TEST(FamilyC, PieceListsRoundTrip) {
    std::string text;
    for (int i = 0; i < 600; ++i) {
        text += "entry " + std::to_string(i % 23) + " of the table; ";
    }
    Bytes data = fromText(text);
    Codec encoder(10);
    Codec decoder(-5);
    Bytes single;
    ASSERT_GT(encoder.encode(data, &single), 0);
    for (const auto &inSizes : std::vector<std::vector<size_t>>{{data.size()}, {2048}, {1000, 7}}) {
        Bytes listed(data.size() * 2);
        std::vector<TezlPiece> in = cutPieces(data.data(), data.size(), inSizes);
        std::vector<TezlPiece> out = cutPieces(listed.data(), listed.size(), {5, 3000});
        int32_t rc = encoder.get()->encodeList(encoder.get(), in.data(), uint32_t(in.size()),
                                               out.data(), uint32_t(out.size()));
        ASSERT_GT(rc, 0);
        listed.resize(size_t(rc));
        if (inSizes[0] >= 2048) {
            EXPECT_EQ(listed, single);
        }
        Bytes back(data.size());
        std::vector<TezlPiece> src = cutPieces(listed.data(), listed.size(), {3});
        std::vector<TezlPiece> dst = cutPieces(back.data(), back.size(), {2048});
        EXPECT_EQ(decoder.get()->decodeList(decoder.get(), src.data(), uint32_t(src.size()),
                                            dst.data(), uint32_t(dst.size())),
                  int32_t(data.size()));
        EXPECT_EQ(back, data);
    }
}

} // namespace

namespace {

// Input pieces may each hold a whole stream (with bytes after its end
// marker, which are skipped): decoding goes on from the next piece into
// the same output, and the result counts every stream. The output has
// exactly the room needed, one byte less and one more.
TEST(FamilyC, PiecesHoldingSeveralStreams) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "row " + std::to_string(i % 17) + "; ";
    }
    const Bytes parts[] = {fromText("first stream, first stream, first stream"), Bytes(1, 'x'),
                           fromText(text), Bytes(300, 0)};
    Codec encoder(10);
    Codec decoder(-5);
    std::vector<Bytes> streams;
    Bytes expected;
    for (const Bytes &part : parts) {
        Bytes stream;
        ASSERT_GT(encoder.encode(part, &stream), 0);
        stream.push_back(0xFF); // after the end marker: skipped with the rest of the piece
        streams.push_back(stream);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    std::vector<TezlPiece> in;
    for (Bytes &stream : streams) {
        in.push_back({stream.data(), stream.data() + stream.size()});
    }
    for (size_t capacity : {expected.size() - 1, expected.size(), expected.size() + 1}) {
        Bytes out(capacity + 16, 0xA5);
        std::vector<TezlPiece> dst = cutPieces(out.data(), capacity, {2048});
        int32_t rc = decoder.get()->decodeList(decoder.get(), in.data(), uint32_t(in.size()),
                                               dst.data(), uint32_t(dst.size()));
        bool bFits = capacity >= expected.size();
        EXPECT_EQ(rc, bFits ? int32_t(expected.size()) : -3) << capacity;
        if (bFits) {
            EXPECT_EQ(Bytes(out.begin(), out.begin() + long(expected.size())), expected);
        }
        EXPECT_EQ(Bytes(out.begin() + long(capacity), out.end()), Bytes(16, 0xA5)) << capacity;
    }
}

} // namespace
