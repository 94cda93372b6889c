// Family A encoder: exact output of the format's examples, literal-run and
// long-match forms, output exhaustion, piece lists with history.
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codec_test;

namespace {

Bytes literalStream(const Bytes &data) {
    Codec encoder(1);
    Bytes out;
    EXPECT_GT(encoder.encode(data, &out), 0);
    return out;
}

Bytes distinctBytes(size_t count) {
    Bytes b(count);
    uint32_t x = 12345;
    for (auto &v : b) {
        x = x * 1103515245 + 12345;
        v = uint8_t(x >> 16);
    }
    return b;
}

TEST(FamilyAEncode, ExactStreams) {
    struct Case {
        int32_t level;
        uint32_t workBytes;
        Bytes input;
        const char *expectedHex;
    };
    Bytes abc12 = fromText("abcabcabcabc");
    Bytes a32(32, 0x41);
    Bytes abcdefgh3 = fromText("abcdefghabcdefghabcdefgh");
    const Case cases[] = {
        {1, 4096, abc12, "2B 616263616263616263616263"},
        {2, 4096, abc12, "2B 616263616263616263616263"},
        {3, 4096, abc12, "2B 616263616263616263616263"},
        {1, 4096, a32, "20 41 44 C0 00"},
        {2, 4096, a32, "20 41 44 C0 00"},
        {3, 4096, a32, "20 41 44 C0 00"},
        {1, 4096, abcdefgh3, "27 6162636465666768 41 00 07"},
        {1, 4096, Bytes(16, 0x41), "2F 41414141414141414141414141414141"},
    };
    for (const Case &c : cases) {
        Codec encoder(c.level, c.workBytes);
        Bytes out;
        EXPECT_GT(encoder.encode(c.input, &out), 0);
        EXPECT_EQ(toHex(out), toHex(fromHex(c.expectedHex))) << "level " << c.level;
    }
}

TEST(FamilyAEncode, LiteralRunForms) {
    // Distinct bytes of 32, 33, 64 and 65 (under 16 bytes of tail, no
    // search finds anything in random bytes this short).
    struct Case {
        size_t count;
        std::vector<std::pair<size_t, uint8_t>> headers; // offset -> header byte
        size_t headerBytes;
    };
    const Case cases[] = {
        {32, {{0, 0x3F}}, 1},
        {33, {{0, 0x3F}, {33, 0x20}}, 2},
        {64, {{0, 0x3F}, {33, 0x3F}}, 2},
        {65, {{0, 0x01}, {1, 0x00}, {2, 0x00}}, 3},
    };
    for (const Case &c : cases) {
        Bytes data = distinctBytes(c.count);
        Bytes out = literalStream(data);
        ASSERT_EQ(out.size(), c.count + c.headerBytes) << c.count;
        for (auto [offset, value] : c.headers) {
            EXPECT_EQ(out[offset], value) << c.count << " at " << offset;
        }
    }
}

TEST(FamilyAEncode, LongMatchLeavesItsRemainderAsLiterals) {
    // 4366 bytes 0x41: one literal, then a match of 4364 at distance 1
    // written as 1F FF 00 00 (4363); the one left over joins the tail.
    Bytes data(1 + 4364 + 1, 0x41);
    Codec encoder(1);
    Bytes out;
    ASSERT_GT(encoder.encode(data, &out), 0);
    EXPECT_EQ(toHex(Bytes(out.begin(), out.begin() + 6)), "20 41 1F FF 00 00");
    Codec decoder(0);
    Bytes back;
    EXPECT_EQ(decoder.decode(out, &back, uint32_t(data.size())), int32_t(data.size()));
    EXPECT_EQ(back, data);
}

TEST(FamilyAEncode, OutputExhaustionAndMissingBuffers) {
    Bytes data = fromText("the quick brown fox jumps over the lazy dog, the quick brown fox");
    for (int32_t level : {1, 2, 3}) {
        Codec encoder(level);
        Bytes out;
        int32_t full = encoder.encode(data, &out);
        ASSERT_GT(full, 0);
        EXPECT_EQ(encoder.encode(data, &out, uint32_t(full)), full);
        EXPECT_EQ(encoder.encode(data, &out, uint32_t(full - 1)), -3);
        EXPECT_EQ(encoder.encode(data, &out, 1), -3);
        uint8_t buffer[8];
        EXPECT_EQ(tezl_Encode(encoder.get(), data.data(), 0, buffer, 8), -2);
        EXPECT_EQ(tezl_Encode(encoder.get(), nullptr, 4, buffer, 8), -2);
        EXPECT_EQ(tezl_Encode(encoder.get(), data.data(), 4, buffer, 0), -3);
        EXPECT_EQ(tezl_Encode(encoder.get(), data.data(), 4, nullptr, 8), -3);
    }
}

TEST(FamilyAEncode, LevelsDifferButAllDecode) {
    static const char *const kWords[] = {"alpha", "beta", "gamma", "delta", "alphabet", "betamax",
                                         "gam",   "del",  " ",     ", ",    ".\n"};
    std::string text;
    uint32_t x = 7;
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245 + 12345;
        text += kWords[(x >> 16) % 11];
    }
    Bytes data = fromText(text);
    Bytes streams[3];
    Codec decoder(0);
    for (int32_t level = 1; level <= 3; ++level) {
        Codec encoder(level);
        ASSERT_GT(encoder.encode(data, &streams[level - 1]), 0);
        Bytes back;
        EXPECT_EQ(decoder.decode(streams[level - 1], &back, uint32_t(data.size())),
                  int32_t(data.size()));
        EXPECT_EQ(back, data);
    }
    EXPECT_NE(streams[0], streams[1]);
    EXPECT_NE(streams[1], streams[2]);
}

TEST(FamilyAEncode, LongInputIsCodedInIndependentSubPieces) {
    // 0x10001 bytes: the last byte is its own sub-piece, one literal run.
    Bytes data(0x10001, 0);
    Codec encoder(1);
    Bytes out;
    ASSERT_GT(encoder.encode(data, &out), 0);
    EXPECT_EQ(toHex(Bytes(out.end() - 2, out.end())), "20 00");
    // Two equal 64 KiB halves of random bytes: no match reaches back.
    Bytes half = distinctBytes(0x10000);
    Bytes twice = half;
    twice.insert(twice.end(), half.begin(), half.end());
    Bytes one;
    Bytes two;
    ASSERT_GT(encoder.encode(half, &one), 0);
    ASSERT_GT(encoder.encode(twice, &two), 0);
    EXPECT_EQ(two.size(), one.size() * 2);
}

int32_t encodeList(TezlContext *p, Bytes &data, const std::vector<size_t> &inSizes, Bytes *pOut,
                   size_t capacity, const std::vector<size_t> &outSizes) {
    pOut->assign(capacity, 0);
    std::vector<TezlPiece> in = cutPieces(data.data(), data.size(), inSizes);
    std::vector<TezlPiece> out = cutPieces(pOut->data(), pOut->size(), outSizes);
    return p->encodeList(p, in.data(), uint32_t(in.size()), out.data(), uint32_t(out.size()));
}

// Gathers the written bytes of a list encode (pieces are filled in order).
TEST(FamilyAEncode, PieceListsMatchSingleBufferAndUseHistory) {
    Bytes block = distinctBytes(4096);
    Bytes data;
    for (int i = 0; i < 8; ++i) {
        data.insert(data.end(), block.begin(), block.end()); // repeats only across pieces
    }
    for (int32_t level = 1; level <= 3; ++level) {
        Codec encoder(level);
        Codec decoder(0);
        // One input piece: the same stream as the single-buffer encode.
        Bytes single;
        ASSERT_GT(encoder.encode(data, &single), 0);
        for (const auto &outSizes : std::vector<std::vector<size_t>>{{1 << 20}, {1}, {7, 3}}) {
            Bytes listed;
            int32_t rc = encodeList(encoder.get(), data, {data.size()}, &listed, 1 << 16, outSizes);
            ASSERT_EQ(rc, int32_t(single.size())) << level;
            listed.resize(size_t(rc));
            EXPECT_EQ(listed, single);
        }
        // Equal 4 KiB pieces: later pieces match into earlier ones.
        Bytes history;
        int32_t rc = encodeList(encoder.get(), data, {4096}, &history, 1 << 16, {1 << 16});
        ASSERT_GT(rc, 0);
        history.resize(size_t(rc));
        Bytes alone;
        ASSERT_GT(encoder.encode(block, &alone), 0);
        EXPECT_LT(history.size() * 4, alone.size() * 8) << level;
        // A decoder with the same layout, and one single buffer, restore it.
        Bytes back(data.size());
        std::vector<TezlPiece> in{{history.data(), history.data() + history.size()}};
        std::vector<TezlPiece> out = cutPieces(back.data(), back.size(), {4096});
        EXPECT_EQ(decoder.get()->decodeList(decoder.get(), in.data(), 1, out.data(),
                                            uint32_t(out.size())),
                  int32_t(data.size()));
        EXPECT_EQ(back, data);
        Bytes flat;
        EXPECT_EQ(decoder.decode(history, &flat, uint32_t(data.size())), int32_t(data.size()));
        EXPECT_EQ(flat, data);
    }
}

TEST(FamilyAEncode, PieceListErrors) {
    Codec encoder(1);
    Bytes data(8192, 'x');
    Bytes out;
    EXPECT_EQ(encodeList(encoder.get(), data, {4096}, &out, 2, {1}), -3);
    TezlPiece none{};
    EXPECT_EQ(encoder.get()->encodeList(encoder.get(), &none, 0, &none, 1), -2);
    EXPECT_EQ(encoder.get()->encodeList(encoder.get(), &none, 1, &none, 0), -3);
    uint8_t buffer[64];
    TezlPiece dst{buffer, buffer + 64};
    EXPECT_EQ(encoder.get()->encodeList(encoder.get(), &none, 1, &dst, 1), -2);
    // An input piece that overlaps the retained window ends with -1.
    TezlPiece in[] = {{data.data(), data.data() + 2048},
                      {data.data() + 2048, data.data() + 4096},
                      {data.data(), data.data() + 2048}};
    Bytes big(1 << 14);
    TezlPiece bigOut{big.data(), big.data() + big.size()};
    EXPECT_EQ(encoder.get()->encodeList(encoder.get(), in, 3, &bigOut, 1), -1);
}

} // namespace
