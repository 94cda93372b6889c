// Family B encoder: exact streams of the worked examples, stored blocks,
// token choices of the finders, round trips over single buffers and piece
// lists at every level, and the ordering of the levels' output sizes.
#include "famb_encode.h"

#include <gtest/gtest.h>

#include <cstring>

#include "famb_match.h"
#include "famb_test_util.h"

namespace {

using famb_test::Bytes;
using famb_test::Codec;

constexpr int32_t kEncoderLevels[] = {5, 6, 7, 8};

Bytes repeatText(const char *text, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) {
        out.insert(out.end(), text, text + strlen(text));
    }
    return out;
}

class FambEncodeLevels : public ::testing::TestWithParam<int32_t> {};

TEST_P(FambEncodeLevels, WorkedExamples) {
    Codec codec(GetParam());
    ASSERT_NE(codec.get(), nullptr);
    Bytes out;
    EXPECT_EQ(codec.encode(repeatText("abc", 8), &out), 18);
    EXPECT_EQ(out, (Bytes{0x5C, 0xC0, 0x00, 0x00, 0x00, 0x20, 0x08, 0x6B, 0x42, 0x56, 0xA1, 0x7F,
                          0x07, 0x0A, 0xF8, 0x7D, 0xF8, 0x16}));
    EXPECT_EQ(codec.encode({0x41}, &out), 3);
    EXPECT_EQ(out, (Bytes{0x01, 0x00, 0x41}));
    if (GetParam() == 5) { // no match search on 12 bytes at level 5: one stored block
        EXPECT_EQ(codec.encode(repeatText("abc", 4), &out), 14);
        EXPECT_EQ(out,
                  (Bytes{0x17, 0x00, 'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c'}));
    }
    Bytes eight = repeatText("abab", 2);
    EXPECT_EQ(codec.encode(eight, &out), 10);
    EXPECT_EQ(out[0], 0x0F); // stored, 8 bytes
    EXPECT_EQ(out[1], 0x00);
}

TEST_P(FambEncodeLevels, BlocksWithoutMatchesAreStored) {
    Codec codec(GetParam());
    Bytes noise = famb_test::noiseData(32768 + 100, 7), out;
    ASSERT_EQ(codec.encode(noise, &out), int32_t(noise.size() + 4));
    EXPECT_EQ(out[0], 0xFF); // 32768 bytes
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_TRUE(std::equal(noise.begin(), noise.begin() + 32768, out.begin() + 2));
    EXPECT_EQ(out[32770], 0x01 | (99 << 1)); // then the remaining 100
    EXPECT_EQ(out[32771], 0x00);
}

TEST_P(FambEncodeLevels, CapacityTooSmallAndExact) {
    Codec codec(GetParam());
    Bytes text = famb_test::textData(5000, 3), out;
    int32_t size = codec.encode(text, &out);
    ASSERT_GT(size, 0);
    Bytes exact = out;
    EXPECT_EQ(codec.encode(text, &out, size_t(size)), size);
    EXPECT_EQ(out, exact);
    EXPECT_EQ(codec.encode(text, &out, size_t(size - 1)), -3);
    EXPECT_EQ(codec.encode(text, &out, 1), -3);
    EXPECT_EQ(tezl_Encode(codec.get(), nullptr, 5, out.data(), 10), -2);
    EXPECT_EQ(tezl_Encode(codec.get(), text.data(), 0, out.data(), 10), -2);
    EXPECT_EQ(tezl_Encode(codec.get(), text.data(), 5, nullptr, 10), -3);
    EXPECT_EQ(tezl_Decode(codec.get(), exact.data(), uint32_t(exact.size()), out.data(), 10), -1);
}

// Round trips through both decoder levels, sizes around every boundary.
TEST_P(FambEncodeLevels, RoundTripsSingleBuffer) {
    Codec encoder(GetParam());
    Codec decoders[] = {Codec(-2), Codec(-3)};
    const size_t sizes[] = {1, 8, 9, 12, 13, 100, 4096, 32768, 32769, 65535, 65536, 65537, 200000};
    for (size_t size : sizes) {
        for (int kind = 0; kind < 4; ++kind) {
            Bytes src = kind == 0   ? famb_test::textData(size, uint32_t(size))
                        : kind == 1 ? famb_test::binaryData(size, uint32_t(size))
                        : kind == 2 ? famb_test::noiseData(size, uint32_t(size))
                                    : Bytes(size, uint8_t(kind));
            Bytes packed, back;
            ASSERT_GT(encoder.encode(src, &packed), 0) << size << " kind " << kind;
            for (const Codec &decoder : decoders) {
                ASSERT_EQ(decoder.decode(packed, &back, src.size()), int32_t(src.size()))
                    << size << " kind " << kind;
                ASSERT_EQ(back, src) << size << " kind " << kind;
                if (size > 1) {
                    EXPECT_EQ(decoder.decode(packed, &back, src.size() - 1), -3) << size;
                }
            }
        }
    }
}

// Sub-pieces of a long buffer start with cleared tables: the second copy
// of 64 KiB of noise finds nothing of the first.
TEST_P(FambEncodeLevels, NoMatchAcrossSubPieces) {
    Codec codec(GetParam());
    Bytes noise = famb_test::noiseData(65536, 11);
    Bytes twice = noise;
    twice.insert(twice.end(), noise.begin(), noise.end());
    Bytes out;
    EXPECT_EQ(codec.encode(twice, &out), int32_t(twice.size() + 8)); // 4 stored blocks
}

INSTANTIATE_TEST_SUITE_P(Levels, FambEncodeLevels, ::testing::ValuesIn(kEncoderLevels));

// Minimum context and work memory of each family B level.
TEST(FambCreate, Limits) {
    std::vector<uint64_t> context(1000);
    std::vector<uint8_t> work(FAMB_ENCODER_WORK_BYTES);
    struct Case {
        int32_t level;
        uint32_t contextBytes;
        bool bWork;
        uint32_t workBytes;
        bool bCreated;
    } cases[] = {
        {5, 5696, true, 0x50000, true},   {5, 5695, true, 0x50000, false},
        {6, 5696, true, 0x4FFFF, false},  {7, 5696, false, 0x50000, false},
        {8, 5696, true, 0x50000, true},   {-2, 6720, false, 0, true},
        {-2, 6719, false, 0, false},      {-3, 6720, true, 0x12000, true},
        {-3, 6720, true, 0x11FFF, false}, {-3, 6720, false, 0x12000, false},
        {4, 8000, true, 0x50000, false},  {9, 8000, true, 0x50000, false},
        {-4, 8000, true, 0x50000, false},
    };
    for (const Case &c : cases) {
        TezlContext *pContext = tezl_Create(context.data(), c.contextBytes,
                                            c.bWork ? work.data() : nullptr, c.workBytes, c.level);
        EXPECT_EQ(pContext != nullptr, c.bCreated) << c.level << " " << c.contextBytes;
        if (pContext && c.level < 0) {
            EXPECT_EQ(pContext->level, -2);
            uint8_t byte = 0;
            EXPECT_EQ(tezl_Encode(pContext, &byte, 1, &byte, 1), -1);
        }
    }
}

// Piece lists: the encoder's history window reaches into earlier pieces of
// one power-of-two size; the stream then decodes as one buffer and through
// destination pieces at both decoder levels.
struct PieceCase {
    size_t sourcePiece;
    size_t destinationPiece;
};

std::vector<TezlPiece> cut(Bytes &data, size_t pieceBytes) {
    return codec_test::cutPieces(data.data(), data.size(), {pieceBytes});
}

class FambPieceLists : public ::testing::TestWithParam<int32_t> {};

TEST_P(FambPieceLists, RoundTrips) {
    Codec encoder(GetParam());
    const PieceCase cases[] = {{4096, 4096}, {2048, 2048},  {32768, 32768},
                               {1000, 777},  {65536, 8192}, {4096, 200000}};
    for (const PieceCase &c : cases) {
        for (int kind = 0; kind < 2; ++kind) {
            Bytes src =
                kind == 0 ? famb_test::textData(150000, 5) : famb_test::binaryData(150000, 6);
            Bytes packed(src.size() + src.size() / 8 + 1024);
            auto sourcePieces = cut(src, c.sourcePiece);
            auto packedPieces = cut(packed, 5000);
            int32_t packedSize = encoder.get()->encodeList(
                encoder.get(), sourcePieces.data(), uint32_t(sourcePieces.size()),
                packedPieces.data(), uint32_t(packedPieces.size()));
            ASSERT_GT(packedSize, 0) << c.sourcePiece;
            packed.resize(size_t(packedSize));
            Bytes single;
            ASSERT_EQ(Codec(-2).decode(packed, &single, src.size()), int32_t(src.size()));
            ASSERT_EQ(single, src) << c.sourcePiece;
            for (int32_t level : {-2, -3}) {
                if (level == -2 && c.destinationPiece != c.sourcePiece &&
                    c.destinationPiece < src.size()) {
                    continue; // level -2 history needs pieces of the encoder's window shape
                }
                Codec decoder(level);
                Bytes back(src.size());
                auto outPieces = cut(back, c.destinationPiece);
                auto inPieces = cut(packed, 333);
                int32_t rc = decoder.get()->decodeList(decoder.get(), inPieces.data(),
                                                       uint32_t(inPieces.size()), outPieces.data(),
                                                       uint32_t(outPieces.size()));
                ASSERT_EQ(rc, int32_t(src.size())) << c.sourcePiece << " level " << level;
                ASSERT_EQ(back, src) << c.sourcePiece << " level " << level;
            }
        }
    }
}

// Matches reach into earlier pieces: a repeat of the first piece in the
// second costs little.
TEST_P(FambPieceLists, HistoryReachesEarlierPieces) {
    Codec encoder(GetParam());
    Bytes noise = famb_test::noiseData(4096, 21);
    Bytes src = noise;
    src.insert(src.end(), noise.begin(), noise.end());
    auto pieces = cut(src, 4096);
    Bytes packed(10000);
    TezlPiece out{packed.data(), packed.data() + packed.size()};
    int32_t size = encoder.get()->encodeList(encoder.get(), pieces.data(), 2, &out, 1);
    ASSERT_GT(size, 0);
    EXPECT_LT(size, 4096 + 200);
    packed.resize(size_t(size));
    Bytes back;
    ASSERT_EQ(Codec(-3).decode(packed, &back, src.size()), int32_t(src.size()));
    EXPECT_EQ(back, src);
}

// Output pieces of a few bytes: the bit writer stores byte by byte across
// them; the pieces concatenated are the single-buffer stream.
TEST_P(FambPieceLists, TinyOutputPieces) {
    Codec encoder(GetParam());
    Bytes src = famb_test::textData(20000, 8);
    Bytes single;
    int32_t singleSize = encoder.encode(src, &single);
    ASSERT_GT(singleSize, 0);
    for (size_t pieceBytes : {1u, 3u, 7u}) {
        Bytes packed(static_cast<size_t>(singleSize));
        auto outPieces = cut(packed, pieceBytes);
        TezlPiece in{src.data(), src.data() + src.size()};
        EXPECT_EQ(encoder.get()->encodeList(encoder.get(), &in, 1, outPieces.data(),
                                            uint32_t(outPieces.size())),
                  singleSize)
            << pieceBytes;
        EXPECT_EQ(packed, single) << pieceBytes;
        auto shortPieces = cut(packed, pieceBytes);
        shortPieces.pop_back();
        EXPECT_EQ(encoder.get()->encodeList(encoder.get(), &in, 1, shortPieces.data(),
                                            uint32_t(shortPieces.size())),
                  -3)
            << pieceBytes;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, FambPieceLists, ::testing::ValuesIn(kEncoderLevels));

// On a corpus, each level's total output is no larger than the level below.
TEST(FambEncodeRatio, HigherLevelsNeverLarger) {
    std::vector<Bytes> corpus;
    for (uint32_t seed = 0; seed < 4; ++seed) {
        corpus.push_back(famb_test::textData(40000 + seed * 9000, seed));
        corpus.push_back(famb_test::binaryData(30000 + seed * 7000, seed));
    }
    size_t previous = SIZE_MAX;
    for (int32_t level : kEncoderLevels) {
        Codec codec(level);
        size_t total = 0;
        for (const Bytes &src : corpus) {
            Bytes out;
            int32_t rc = codec.encode(src, &out);
            ASSERT_GT(rc, 0);
            total += size_t(rc);
        }
        EXPECT_LE(total, previous) << "level " << level;
        previous = total;
    }
}

// Finder token choices over the core, without the context layer.
class FinderTokens : public ::testing::Test {
  protected:
    std::vector<famb::Token> run(const Bytes &src, int level) {
        famb::initTrees(&state_);
        Bytes out(src.size() * 2 + 64);
        famb::BitWriter writer{out.data(), out.data() + out.size(), 0, 0};
        famb::EncodePort port{};
        famb::TokenSink sink(state_, tokens_.data(), writer, port);
        sink.startBlock();
        famb::PieceSpan span{src.data(), src.data() + src.size(), src.data()};
        std::fill(heads_.begin(), heads_.end(), 0);
        std::fill(chain_.begin(), chain_.end(), 0);
        bool bOk = level == 5 ? famb::findFast(sink, span, heads_.data())
                              : famb::findChained(sink, span, heads_.data(), chain_.data(), 128);
        EXPECT_TRUE(bOk);
        EXPECT_TRUE(sink.literals(span.literalStart, span.end));
        return {tokens_.begin(), tokens_.begin() + long(sink.tokenCount())};
    }
    famb::BlockState state_{};
    std::vector<famb::Token> tokens_ = std::vector<famb::Token>(famb::kTokenCapacity);
    std::vector<uint16_t> heads_ = std::vector<uint16_t>(famb::kHashHeads);
    std::vector<uint16_t> chain_ = std::vector<uint16_t>(famb::kChainLinks);
};

TEST_F(FinderTokens, EqualBytesAtLevel5) {
    auto tokens = run(Bytes(1000, 'e'), 5);
    std::vector<famb::Token> expected = {{0, 'e'}, {1, 256}, {1, 256}, {1, 256}, {1, 215}};
    EXPECT_EQ(tokens, expected);
}

TEST_F(FinderTokens, RestOfTwoBytesBecomesLiterals) {
    // 262 repeated bytes after the first: one token of 260, then 2 literals
    // (no match starts in the last 12 bytes at level 5).
    auto tokens = run(Bytes(263, 'r'), 5);
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[1], (famb::Token{1, 256}));
    EXPECT_EQ(tokens[2], (famb::Token{0, 'r'}));
    EXPECT_EQ(tokens[3], (famb::Token{0, 'r'}));
}

TEST_F(FinderTokens, NoMatchInTheLastBytes) {
    // "wxyz" repeated only at the very end: level 5 leaves the last 12
    // bytes alone, the chain finder the last 3.
    Bytes src = {'w', 'x', 'y', 'z'};
    for (int i = 0; i < 20; ++i) {
        src.push_back(uint8_t('a' + i));
    }
    src.insert(src.end(), {'w', 'x', 'y', 'z'});
    auto fast = run(src, 5);
    EXPECT_EQ(fast.size(), src.size());
    auto chained = run(src, 8);
    EXPECT_EQ(chained.size(), src.size() - 3);
    EXPECT_EQ(chained.back(), (famb::Token{24, 0}));
}

} // namespace
