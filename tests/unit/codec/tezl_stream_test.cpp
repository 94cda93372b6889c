// Shared stream machinery: suppliers, piece moves, the retained window,
// capped pieces, create limits and context identity.
#include "codec_test_util.h"
#include "tezl_stream.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace codec_test;

namespace {

TEST(SupplyBuffer, AnswersNoMoreInTwoSteps) {
    uint8_t buffer[8];
    TezlPiece pair{buffer, buffer + 8};
    tezl_SupplyBuffer(nullptr, &pair, buffer, 0);
    EXPECT_EQ(pair.start, buffer);
    EXPECT_EQ(pair.end, buffer);
    tezl_SupplyBuffer(nullptr, &pair, nullptr, 0);
    EXPECT_EQ(pair.start, nullptr);
    EXPECT_EQ(pair.end, nullptr);
    tezl_SupplyBuffer(nullptr, &pair, nullptr, 0);
    EXPECT_EQ(pair.start, nullptr);
    tezl_SupplyBuffer(nullptr, nullptr, buffer, 8); // a release does nothing
}

TEST(SupplyFromList, SkipsEmptyEntriesThenAnswersLikeBuffer) {
    uint8_t a[4], b[4];
    TezlPiece entries[] = {{a, a}, {a, a + 4}, {nullptr, nullptr}, {b + 4, b}, {b, b + 2}};
    TezlPieceList list{entries, 5};
    TezlPiece pair{};
    tezl_SupplyFromList(&list, &pair, nullptr, 0);
    EXPECT_EQ(pair.start, a);
    tezl_SupplyFromList(&list, &pair, a, 0);
    EXPECT_EQ(pair.start, b);
    EXPECT_EQ(pair.end, b + 2);
    tezl_SupplyFromList(&list, &pair, b, 0);
    EXPECT_EQ(pair.start, b);
    EXPECT_EQ(pair.end, b);
    tezl_SupplyFromList(&list, &pair, nullptr, 0);
    EXPECT_EQ(pair.start, nullptr);
}

TEST(Log2, FloorsAndAnswersMinusOneForZero) {
    EXPECT_EQ(tezl_Log2(0), -1);
    EXPECT_EQ(tezl_Log2(1), 0);
    EXPECT_EQ(tezl_Log2(6000), 12);
    EXPECT_EQ(tezl_Log2(0x80000000u), 31);
}

// A stream over a list of pieces, with its own retained table.
struct ListStream {
    explicit ListStream(std::vector<TezlPiece> pieces) : entries(std::move(pieces)) {
        list = {entries.data(), uint32_t(entries.size())};
        stream.supplier = tezl_SupplyFromList;
        stream.supplierContext = &list;
        stream.pieceSizeLog2 = -1;
    }
    bool next() { return tezl_RetainNextPiece(&stream, retained, TEZL_LIMITS_AB); }
    std::vector<TezlPiece> entries;
    TezlPieceList list{};
    TezlStream stream{};
    uint8_t *retained[32] = {};
};

TEST(RetainNextPiece, EqualPowerOfTwoPiecesJoinTheWindowAndWrap) {
    static uint8_t data[16384 * 6];
    ListStream s(cutPieces(data, sizeof data, {16384}));
    ASSERT_TRUE(s.next());
    EXPECT_EQ(s.stream.pieceSize, 16384u);
    EXPECT_EQ(s.stream.pieceSizeLog2, 14);
    for (uint32_t i = 1; i < 4; ++i) {
        ASSERT_TRUE(s.next());
        EXPECT_EQ(s.stream.newestIndex, i);
        EXPECT_EQ(s.stream.retainedCount, i + 1);
        EXPECT_EQ(s.retained[i], data + 16384 * i);
    }
    ASSERT_TRUE(s.next()); // 64 KiB are full: the ring wraps to position 0
    EXPECT_EQ(s.stream.wrapped, 1u);
    EXPECT_EQ(s.stream.newestIndex, 3u);
    EXPECT_EQ(s.stream.retainedCount, 1u);
    EXPECT_EQ(s.retained[0], data + 16384 * 4);
    ASSERT_TRUE(s.next());
    EXPECT_EQ(s.retained[1], data + 16384 * 5);
    EXPECT_EQ(s.stream.total, 16384u * 5);
    EXPECT_FALSE(s.next()); // list used up: an empty piece, window kept
    EXPECT_EQ(s.stream.piece.start, s.stream.piece.end);
    EXPECT_FALSE(s.next()); // then no piece at all: everything released
    EXPECT_EQ(s.stream.cursor, nullptr);
    EXPECT_EQ(s.retained[0], nullptr);
    EXPECT_EQ(s.stream.pieceSize, 0u);
}

TEST(RetainNextPiece, UnusableOrUnequalSizesKeepOnlyTheNewPiece) {
    static uint8_t data[20000];
    ListStream odd(cutPieces(data, 6000, {3000}));
    ASSERT_TRUE(odd.next());
    ASSERT_TRUE(odd.next());
    EXPECT_EQ(odd.stream.newestIndex, 0u);
    EXPECT_EQ(odd.retained[0], data + 3000);
    ListStream growing({{data, data + 2048}, {data + 2048, data + 2048 + 4096}});
    ASSERT_TRUE(growing.next());
    ASSERT_TRUE(growing.next());
    EXPECT_EQ(growing.stream.pieceSize, 4096u);
    EXPECT_EQ(growing.stream.retainedCount, 1u);
}

TEST(RetainNextPiece, APieceOverlappingTheWindowEndsTheStream) {
    static uint8_t data[2048 * 3];
    for (size_t overlapStart : {size_t(0), size_t(2048), size_t(1000)}) {
        ListStream s({{data, data + 2048},
                      {data + 2048, data + 4096},
                      {data + overlapStart, data + overlapStart + 2048}});
        ASSERT_TRUE(s.next());
        ASSERT_TRUE(s.next());
        EXPECT_FALSE(s.next()) << overlapStart;
        EXPECT_EQ(s.stream.piece.start, nullptr);
        EXPECT_EQ(s.retained[0], data + overlapStart); // the offending piece
        EXPECT_EQ(s.retained[1], nullptr);
    }
}

TEST(CappedInput, LongPiecesAreWorkedInSubPieces) {
    static uint8_t data[0x10001 + 10];
    ListStream s({{data, data + 0x10001}, {data + 0x10001, data + 0x10001 + 10}});
    TezlCappedState capped{};
    ASSERT_TRUE(tezl_NextCappedInputPiece(&s.stream, &capped, s.retained, TEZL_LIMITS_AB));
    EXPECT_EQ(s.stream.piece.end - s.stream.piece.start, 0x10000);
    ASSERT_TRUE(tezl_NextCappedInputPiece(&s.stream, &capped, s.retained, TEZL_LIMITS_AB));
    EXPECT_EQ(s.stream.piece.start, data + 0x10000);
    EXPECT_EQ(s.stream.piece.end - s.stream.piece.start, 1);
    ASSERT_TRUE(tezl_NextCappedInputPiece(&s.stream, &capped, s.retained, TEZL_LIMITS_AB));
    EXPECT_EQ(s.stream.piece.start, data + 0x10001);
    EXPECT_EQ(s.stream.total, 0x10001u);
    EXPECT_FALSE(tezl_NextCappedInputPiece(&s.stream, &capped, s.retained, TEZL_LIMITS_AB));
}

struct CreateCase {
    int32_t level;
    uint32_t contextBytes;
    uint32_t workBytes;
    bool bCreated;
};

TEST(Create, LevelsAndMinimums) {
    const CreateCase cases[] = {
        {4, 8192, 0x60000, false},  {9, 8192, 0x60000, false},  {-4, 8192, 0x60000, false},
        {11, 8192, 0x60000, false}, {-6, 8192, 0x60000, false}, {1, 575, 4096, false},
        {1, 576, 4096, true},       {1, 576, 4095, false},      {2, 576, 4096, true},
        {3, 576, 4096, true},       {0, 591, 0, false},         {0, 592, 0, true},
        {-1, 592, 0x12000, true},   {-1, 592, 0x11FFF, false},  {-1, 592, 0, false},
        {1, 0, 4096, false},        {10, 823, 4096, false},     {10, 824, 4096, true},
        {10, 824, 4095, false},     {10, 824, 0, false},        {-5, 783, 0, false},
        {-5, 784, 0, true},
    };
    std::vector<uint64_t> context(1024);
    std::vector<uint64_t> work(0x60000 / 8);
    for (const CreateCase &c : cases) {
        TezlContext *p = tezl_Create(context.data(), c.contextBytes,
                                     c.workBytes ? work.data() : nullptr, c.workBytes, c.level);
        EXPECT_EQ(p != nullptr, c.bCreated) << "level " << c.level << " " << c.contextBytes;
    }
    EXPECT_EQ(tezl_Create(nullptr, 8192, work.data(), 4096, 1), nullptr);
    EXPECT_EQ(
        tezl_Create(reinterpret_cast<uint8_t *>(context.data()) + 1, 4096, work.data(), 4096, 1),
        nullptr);
}

TEST(Create, TableSizeAndShiftFollowTheWorkSize) {
    std::vector<uint64_t> context(1024);
    std::vector<uint64_t> work(6000 / 8 + 1);
    ASSERT_NE(tezl_Create(context.data(), 576, work.data(), 6000, 1), nullptr);
    struct Probe {
        TezlContext base;
        uint8_t *work;
        uint32_t tableBytes;
        uint32_t hashShift;
    };
    Probe probe;
    std::memcpy(&probe, context.data(), sizeof probe);
    EXPECT_EQ(probe.tableBytes, 4096u);
    EXPECT_EQ(probe.hashShift, 21u);
}

TEST(EntryPoints, RefuseForeignContextsAndWrongDirections) {
    uint8_t in[4] = {0x20, 0x41, 0, 0};
    uint8_t out[16];
    EXPECT_EQ(tezl_Encode(nullptr, in, 2, out, 16), TEZL_ERR_CORRUPT);
    EXPECT_EQ(tezl_Decode(nullptr, in, 2, out, 16), TEZL_ERR_CORRUPT);
    std::vector<uint64_t> zeroed(1024, 0);
    auto *pZeroed = reinterpret_cast<TezlContext *>(zeroed.data());
    EXPECT_EQ(tezl_Encode(pZeroed, in, 2, out, 16), TEZL_ERR_CORRUPT);
    EXPECT_EQ(tezl_Decode(pZeroed, in, 2, out, 16), TEZL_ERR_CORRUPT);
    Codec encoder(1);
    Codec decoder(0);
    ASSERT_NE(encoder.get(), nullptr);
    ASSERT_NE(decoder.get(), nullptr);
    EXPECT_EQ(tezl_Decode(encoder.get(), in, 2, out, 16), TEZL_ERR_CORRUPT);
    EXPECT_EQ(tezl_Encode(decoder.get(), in, 2, out, 16), TEZL_ERR_CORRUPT);
    EXPECT_EQ(encoder.get()->lastOperation, TezlOperation::Decode);
    for (TezlBufferOp slot : encoder.get()->reserved) {
        EXPECT_EQ(slot(encoder.get(), in, 2, out, 16), TEZL_ERR_CORRUPT);
    }
    // A copy of a context's text elsewhere is not a context of ours.
    std::vector<uint64_t> copy(1024);
    char text[] = "C-TEZL_2_0_51_DEV";
    ASSERT_STREQ(text, tezl_VersionTag);
    const char *pText = text;
    std::memcpy(copy.data(), decoder.get(), 600);
    std::memcpy(copy.data(), &pText, sizeof pText);
    EXPECT_EQ(tezl_Decode(reinterpret_cast<TezlContext *>(copy.data()), in, 2, out, 16),
              TEZL_ERR_CORRUPT);
}

TEST(EntryPoints, RecreatingOverAnOldContextWorks) {
    std::vector<uint64_t> context(1024);
    ASSERT_NE(tezl_Create(context.data(), 592, nullptr, 0, 0), nullptr);
    TezlContext *p = tezl_Create(context.data(), 592, nullptr, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tag, tezl_VersionTag);
    EXPECT_EQ(p->lastOperation, TezlOperation::Create);
    EXPECT_EQ(p->level, 0);
}

} // namespace
