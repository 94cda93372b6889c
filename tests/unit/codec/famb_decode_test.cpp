// Family B decoder: hand-made streams (stored, Huffman, markers), every
// reject case, truncation, and the worst-case decoding-table size.
#include "famb_decode.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "famb_tables.h"
#include "famb_test_util.h"

namespace {

using famb_test::BitSink;
using famb_test::Bytes;
using famb_test::Codec;

const Bytes kWorkedExample = {0x5C, 0xC0, 0x00, 0x00, 0x00, 0x20, 0x08, 0x6B, 0x42,
                              0x56, 0xA1, 0x7F, 0x07, 0x0A, 0xF8, 0x7D, 0xF8, 0x16};

Bytes repeatText(const char *text, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) {
        out.insert(out.end(), text, text + strlen(text));
    }
    return out;
}

// Literal-only block (no distance code): the given bytes, then end of
// block. Code: one of 1 bit and 256 of 9 bits (complete).
void literalOnlyBlock(BitSink &sink, const Bytes &data) {
    std::vector<uint8_t> lengths(257, 9);
    lengths[0] = 1;
    auto codes = famb_test::writeHeader(sink, lengths, {});
    for (uint8_t b : data) {
        sink.putCode(codes.litLen[b], codes.litLenLengths[b]);
    }
    sink.putCode(codes.litLen[256], codes.litLenLengths[256]);
}

struct StreamCase {
    const char *name;
    Bytes stream;
    uint32_t capacity;
    int32_t expected;
    Bytes output;
};

class FambDecodeStreams : public ::testing::TestWithParam<int32_t> {};

TEST_P(FambDecodeStreams, ExamplesAndEdges) {
    Codec codec(GetParam());
    ASSERT_NE(codec.get(), nullptr);
    Bytes abc = repeatText("abc", 8);
    BitSink afterMarker;
    literalOnlyBlock(afterMarker, {'x', 'y'});
    afterMarker.alignWithMarker();
    afterMarker.put(0x0001 | (2u << 1), 16); // stored, 3 bytes
    afterMarker.put('p', 8);
    afterMarker.put('q', 8);
    afterMarker.put('r', 8);
    BitSink garbageMarker;
    literalOnlyBlock(garbageMarker, {'z'});
    Bytes garbage = garbageMarker.bytes();
    unsigned used = garbageMarker.bitPos() % 8;
    ASSERT_NE(used, 0u);
    garbage.back() = uint8_t(garbage.back() | (1u << used) | 0xFFu << (used + 1));
    garbage.insert(garbage.end(), {0x01, 0x00, 'w'});
    BitSink unmarked; // the last block ends inside its byte, zero padding, no marker
    literalOnlyBlock(unmarked, {'u', 'v'});
    Bytes stored32k(32770, 'k');
    stored32k[0] = 0xFF;
    stored32k[1] = 0xFF;

    std::vector<StreamCase> cases = {
        {"worked example", kWorkedExample, 24, 24, abc},
        {"worked example one short", kWorkedExample, 23, -3, {}},
        {"worked example roomy", kWorkedExample, 100, 24, abc},
        {"one stored byte", {0x01, 0x00, 0x41}, 10, 1, {0x41}},
        {"stored header only", {0x01, 0x00}, 10, -2, {}},
        {"stored 32768", stored32k, 32768, 32768, Bytes(32768, 'k')},
        {"stored after marker", afterMarker.bytes(), 10, 5, {'x', 'y', 'p', 'q', 'r'}},
        {"marker padding ignored", garbage, 10, 2, {'z', 'w'}},
        {"padding without marker ignored", unmarked.bytes(), 10, 2, {'u', 'v'}},
        {"trailing byte is a new block",
         [] {
             Bytes s = {0x01, 0x00, 0x41, 0x00};
             return s;
         }(),
         10,
         -2,
         {}},
        {"empty source", {}, 10, -2, {}},
    };
    for (const StreamCase &c : cases) {
        Bytes out;
        int32_t rc = c.stream.empty() ? tezl_Decode(codec.get(), nullptr, 0, out.data(), c.capacity)
                                      : codec.decode(c.stream, &out, c.capacity);
        EXPECT_EQ(rc, c.expected) << c.name;
        if (c.expected > 0) {
            EXPECT_EQ(out, c.output) << c.name;
        }
    }
}

TEST_P(FambDecodeStreams, EveryPrefixOfABlockIsTruncated) {
    Codec codec(GetParam());
    for (size_t n = 1; n < kWorkedExample.size(); ++n) {
        Bytes prefix(kWorkedExample.begin(), kWorkedExample.begin() + long(n)), out;
        EXPECT_EQ(codec.decode(prefix, &out, 64), -2) << n;
    }
}

TEST_P(FambDecodeStreams, DistanceLimits) {
    // Literal 'a' then a match of length 4 at distance d.
    for (uint32_t distance : {1u, 2u}) {
        BitSink sink;
        std::vector<uint8_t> lit(258, 0);
        lit['a'] = 2;
        lit[256] = 2;
        lit[257] = 1; // length 4
        auto codes = famb_test::writeHeader(sink, lit, {1, 1});
        sink.putCode(codes.litLen['a'], 2);
        sink.putCode(codes.litLen[257], 1);
        sink.putCode(codes.dist[distance - 1], 1);
        sink.putCode(codes.litLen[256], 2);
        Codec codec(GetParam());
        Bytes out;
        if (distance == 1) {
            EXPECT_EQ(codec.decode(sink.bytes(), &out, 16), 5);
            EXPECT_EQ(out, Bytes(5, 'a'));
        } else {
            EXPECT_EQ(codec.decode(sink.bytes(), &out, 16), -1);
        }
    }
}

// Distance 65536 (symbol 33, extra value 8191) reaches the first byte of
// 64 KiB of earlier output.
TEST_P(FambDecodeStreams, LongestDistance) {
    famb_test::Bytes plain = famb_test::noiseData(65536, 9);
    BitSink sink;
    for (size_t off = 0; off < plain.size(); off += 32768) {
        sink.put(1u | (32767u << 1), 16);
        for (size_t i = 0; i < 32768; ++i) {
            sink.put(plain[off + i], 8);
        }
    }
    std::vector<uint8_t> lit(258, 0);
    lit[256] = 1;
    lit[257] = 1; // length 4
    std::vector<uint8_t> dist(34, 0);
    dist[0] = 1;
    dist[33] = 1;
    auto codes = famb_test::writeHeader(sink, lit, dist);
    sink.putCode(codes.litLen[257], 1);
    sink.putCode(codes.dist[33], 1);
    sink.put(8191, 13);
    sink.putCode(codes.litLen[256], 1);
    Codec codec(GetParam());
    Bytes out;
    ASSERT_EQ(codec.decode(sink.bytes(), &out, 65540), 65540);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin()));
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 4, out.begin() + 65536));
}

// A Huffman block decoded by the fast loop leaves read-ahead bits in the
// reader; a stored block that follows copies its bytes straight from the
// input, and the block after it must be read from the bytes that follow,
// not from what was read ahead. Literal counts move the block end through
// every bit position; the stored bytes vary what was read ahead.
TEST_P(FambDecodeStreams, StoredBlockAfterFastDecodedBlock) {
    Codec codec(GetParam());
    for (uint8_t fill : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0xA5)}) {
        for (size_t literals = 1; literals <= 24; ++literals) {
            Bytes head(literals, 'a');
            BitSink sink;
            literalOnlyBlock(sink, head);
            sink.alignWithMarker();
            sink.put(0x0001 | (15u << 1), 16); // stored, 16 bytes
            for (int i = 0; i < 16; ++i) {
                sink.put(fill, 8);
            }
            sink.put(0x0001 | (2u << 1), 16); // stored, 3 bytes
            for (uint8_t c : {'p', 'q', 'r'}) {
                sink.put(c, 8);
            }
            literalOnlyBlock(sink, {'s'});
            sink.alignWithMarker();
            Bytes expected = head;
            expected.insert(expected.end(), 16, fill);
            expected.insert(expected.end(), {'p', 'q', 'r', 's'});
            Bytes out;
            ASSERT_EQ(codec.decode(sink.bytes(), &out, 1024), int32_t(expected.size()))
                << int(fill) << " " << literals;
            EXPECT_EQ(out, expected) << int(fill) << " " << literals;
        }
    }
}

// A literal-only block of `count` literals from 'a' to 'e' on the given
// code lengths (end of block included), then a marker: long enough for the
// decoder's wide tables. *pData receives the decoded bytes.
Bytes pairedLiteralStream(const std::vector<uint8_t> &lengths, size_t count, Bytes *pData) {
    BitSink sink;
    auto codes = famb_test::writeHeader(sink, lengths, {});
    uint32_t state = 1;
    pData->clear();
    for (size_t i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        uint8_t b = uint8_t("aabbccde"[(state >> 16) & 7]);
        pData->push_back(b);
        sink.putCode(codes.litLen[b], lengths[b]);
    }
    sink.putCode(codes.litLen[256], lengths[256]);
    sink.alignWithMarker();
    return sink.bytes();
}

// Paired literals meet the end of the destination and of the input at
// every offset: a destination short by a byte or more is filled with the
// right bytes and gives -3 (also when only the first of a pair fits); an
// input cut short gives -2. Two codes: literals of 2, 2, 2, 3 and 4 bits
// with the end of block on 4 (a 4-bit root holding two 2-bit literals in
// one entry), and the same literals with longer codes up to 10 bits, so
// that the 10-bit root holds up to five 2-bit literals in an entry and
// only the first two may pair.
TEST_P(FambDecodeStreams, LiteralPairsToTheEnd) {
    std::vector<uint8_t> shortRoot(257, 0);
    shortRoot['a'] = shortRoot['b'] = shortRoot['c'] = 2;
    shortRoot['d'] = 3;
    shortRoot['e'] = shortRoot[256] = 4;
    std::vector<uint8_t> wideRoot = shortRoot;
    uint8_t len = 5;
    for (unsigned sym : {'f', 'g', 'h', 'i', 'j', 'k'}) {
        wideRoot[sym] = len;
        len = std::min<uint8_t>(uint8_t(len + 1), 10);
    }
    wideRoot[256] = 10;
    for (const auto *pLengths : {&shortRoot, &wideRoot}) {
        SCOPED_TRACE(pLengths == &shortRoot ? "4-bit root" : "10-bit root");
        Bytes data;
        Bytes stream = pairedLiteralStream(*pLengths, 40000, &data);
        ASSERT_GT(stream.size(), 8192u);
        Codec codec(GetParam());
        Bytes out;
        ASSERT_EQ(codec.decode(stream, &out, uint32_t(data.size())), int32_t(data.size()));
        EXPECT_EQ(out, data);
        for (size_t less = 1; less <= 64; ++less) {
            uint32_t capacity = uint32_t(data.size() - less);
            Bytes room(capacity);
            ASSERT_EQ(tezl_Decode(codec.get(), stream.data(), uint32_t(stream.size()), room.data(),
                                  capacity),
                      -3)
                << less;
            EXPECT_TRUE(std::equal(room.begin(), room.end(), data.begin())) << less;
        }
        for (size_t cut = 1; cut <= 16; ++cut) {
            Bytes prefix(stream.begin(), stream.end() - long(cut));
            EXPECT_EQ(codec.decode(prefix, &out, uint32_t(data.size())), -2) << cut;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, FambDecodeStreams, ::testing::Values(-2, -3));

// Header and code errors: each stream is corrupt (-1).
TEST(FambDecodeRejects, CorruptHeadersAndCodes) {
    auto header = [](unsigned hlit, int hdist) {
        BitSink sink;
        sink.put(0, 1);
        sink.put(0, 4);
        for (int i = 0; i < 4; ++i) {
            sink.put(1, 3); // 18, 17, 16, 0 of one bit each: over-subscribed
        }
        sink.put(hlit, 5);
        if (hdist >= 0) {
            sink.put(unsigned(hdist), 6);
        }
        return sink.bytes();
    };
    auto withLengths = [](const std::vector<uint8_t> &lit, const std::vector<uint8_t> &dist) {
        BitSink sink;
        (void)famb_test::writeHeader(sink, lit, dist);
        sink.put(0, 32);
        return sink.bytes();
    };
    std::vector<uint8_t> complete(286, 0);
    complete[256] = 1;
    complete[257] = 1;
    std::vector<uint8_t> noEnd = complete;
    noEnd[256] = 0;
    noEnd[0] = 1;
    std::vector<uint8_t> over = complete;
    over[0] = 1;
    std::vector<uint8_t> incomplete = complete;
    incomplete[256] = 2;
    incomplete[257] = 2;
    incomplete[0] = 2;
    std::vector<uint8_t> lit258(258, 0);
    lit258[256] = 1;
    lit258[257] = 1;

    // A code-length sequence that starts with a repeat (symbol 16).
    BitSink repeatFirst;
    repeatFirst.put(0, 1);
    repeatFirst.put(0, 4);
    for (unsigned len : {1u, 0u, 1u, 0u}) { // 18:1, 17:0, 16:1, 0:0 -> codes 0 (16), 1 (18)
        repeatFirst.put(len, 3);
    }
    repeatFirst.put(1, 5);
    repeatFirst.put(0, 6);
    repeatFirst.putCode(0, 1); // 16 with no previous length
    repeatFirst.put(0, 32);
    // A run past the end: 18 with 138 zeros, then again, then 18 again.
    BitSink runPast;
    runPast.put(0, 1);
    runPast.put(0, 4);
    for (unsigned len : {1u, 0u, 0u, 1u}) { // 18 and 0, one bit each
        runPast.put(len, 3);
    }
    runPast.put(0, 5); // 257 lengths, no distance code
    for (int i = 0; i < 3; ++i) {
        runPast.putCode(1, 1); // symbol 18 (codes: 0 -> symbol 0, 1 -> symbol 18)
        runPast.put(127, 7);   // 138 zeros: 414 > 257
    }

    struct Case {
        const char *name;
        Bytes stream;
    } cases[] = {
        {"HLIT 30", header(30, 0)},
        {"HLIT 31", header(31, 0)},
        {"HDIST 34", header(1, 34)},
        {"HDIST 63", header(1, 63)},
        {"over-subscribed code-length code", header(1, 0)},
        {"repeat with no previous length", repeatFirst.bytes()},
        {"run past the end", runPast.bytes()},
        {"end of block without a code", withLengths(noEnd, {1, 1})},
        {"over-subscribed literal/length code", withLengths(over, {1, 1})},
        {"incomplete literal/length code", withLengths(incomplete, {1, 1})},
        {"incomplete distance code", withLengths(lit258, {2, 2, 2})},
        {"empty distance code", withLengths(lit258, {0, 0})},
    };
    Codec codec(-2);
    for (const Case &c : cases) {
        Bytes out;
        EXPECT_EQ(codec.decode(c.stream, &out, 1024), -1) << c.name;
    }
}

// Runs of the code-length code that end exactly at the declared count are
// read; one more length than declared is a corrupt header (and would write
// past the lengths). Literal/length code: symbol 0 one bit, end of block
// and length 4 two bits each (HLIT 1, 258 lengths); the runs under test
// write the tail of the distance lengths.
TEST(FambDecodeRejects, CodeLengthRunsEndingAtAndPastTheCount) {
    using famb_test::CodeLengthSymbol;
    const std::vector<CodeLengthSymbol> litLen = {{1, 0}, {18, 127}, {18, 106}, {2, 0}, {2, 0}};
    struct Case {
        const char *name;
        unsigned distCount;
        std::vector<CodeLengthSymbol> dist; // after litLen
        int32_t expected;
    } cases[] = {
        {"16 ends at the count", 4, {{2, 0}, {16, 0}}, 5},
        {"16 one past the count", 4, {{2, 0}, {16, 1}}, -1},
        {"17 ends at the count", 7, {{1, 0}, {1, 0}, {17, 2}}, 5},
        {"17 one past the count", 7, {{1, 0}, {1, 0}, {17, 3}}, -1},
        {"18 ends at the count", 14, {{1, 0}, {1, 0}, {18, 1}}, 5},
        {"18 one past the count", 14, {{1, 0}, {1, 0}, {18, 2}}, -1},
    };
    for (const Case &c : cases) {
        std::vector<CodeLengthSymbol> symbols = litLen;
        symbols.insert(symbols.end(), c.dist.begin(), c.dist.end());
        BitSink sink;
        famb_test::writeHeaderSymbols(sink, 1, int(c.distCount - 1), symbols);
        // Literal 0 (code 0), length 4 (code 11) at distance 1 (code 00 or
        // 0), end of block (code 10).
        sink.putCode(0, 1);
        sink.putCode(3, 2);
        sink.putCode(0, c.distCount == 4 ? 2 : 1);
        sink.putCode(2, 2);
        sink.alignWithMarker();
        Codec codec(-2);
        Bytes out;
        EXPECT_EQ(codec.decode(sink.bytes(), &out, 64), c.expected) << c.name;
        if (c.expected > 0) {
            EXPECT_EQ(out, Bytes(size_t(c.expected), 0)) << c.name;
        }
    }
}

// A literal/length code of one single one-bit code (here: end of block
// alone) is accepted; its unused pattern is corrupt when met.
TEST(FambDecodeRejects, SingleOneBitCode) {
    std::vector<uint8_t> lit(257, 0);
    lit[256] = 1;
    for (unsigned pattern : {0u, 1u}) {
        BitSink sink;
        (void)famb_test::writeHeader(sink, lit, {});
        sink.put(pattern, 1);
        sink.alignWithMarker();
        Codec codec(-2);
        Bytes out;
        EXPECT_EQ(codec.decode(sink.bytes(), &out, 16), pattern == 0 ? 0 : -1) << pattern;
    }
}

// Length sets that need the most decoding-table entries: 852 for 286
// literal/length codes (root 9), 596 for 34 distance codes (root 6).
std::vector<uint8_t> lengthsFromCounts(std::initializer_list<int> counts) {
    std::vector<uint8_t> lengths;
    uint8_t len = 1;
    for (int count : counts) {
        lengths.insert(lengths.end(), size_t(count), len++);
    }
    return lengths;
}
const std::vector<uint8_t> kWorstLitLen =
    lengthsFromCounts({1, 1, 1, 0, 0, 0, 0, 0, 0, 61, 89, 65, 33, 33, 2});
const std::vector<uint8_t> kWorstDist =
    lengthsFromCounts({1, 1, 1, 0, 0, 0, 8, 15, 1, 1, 1, 1, 1, 1, 2});

TEST(FambDecodeTables, WorstCaseFitsTheTableArea) {
    ASSERT_EQ(kWorstLitLen.size(), 286u);
    ASSERT_EQ(kWorstDist.size(), 34u);
    std::vector<famb::DecEntry> area(4096);
    unsigned root = famb::kLitLenRootBits;
    EXPECT_EQ(famb::buildTable(famb::CodeKind::LitLen, kWorstLitLen.data(), 286, area.data(),
                               unsigned(area.size()), &root),
              852);
    root = famb::kDistRootBits;
    EXPECT_EQ(famb::buildTable(famb::CodeKind::Distance, kWorstDist.data(), 34, area.data(),
                               unsigned(area.size()), &root),
              596);
    EXPECT_GE(famb::kTableEntries, 852u + 596u);
    root = famb::kDistRootBits;
    EXPECT_EQ(
        famb::buildTable(famb::CodeKind::Distance, kWorstDist.data(), 34, area.data(), 595, &root),
        -1);
}

// Every root entry of a built table holds the code whose bits (read from
// the lowest) end its index: a literal, the end of block, or a length or
// distance with its code's bits and extra bits; an index that starts a
// longer code links to a sub-table. Codes are canonical: by length, then by
// symbol.
TEST(FambDecodeTables, RootEntriesFollowTheCanonicalCodes) {
    struct Case {
        const char *name;
        famb::CodeKind kind;
        std::vector<uint8_t> lengths;
        unsigned root;
    };
    std::vector<uint8_t> shortLit(257, 9); // complete: one of 1 bit, 256 of 9
    shortLit[256] = 1;
    const Case cases[] = {
        {"worst literal/length, root 9", famb::CodeKind::LitLen, kWorstLitLen, 9},
        {"worst literal/length, root 10", famb::CodeKind::LitLen, kWorstLitLen, 10},
        {"worst distance, root 6", famb::CodeKind::Distance, kWorstDist, 6},
        {"worst distance, root 8", famb::CodeKind::Distance, kWorstDist, 8},
        {"end of block on 1 bit", famb::CodeKind::LitLen, shortLit, 10},
        {"distances of 2 and 3 bits", famb::CodeKind::Distance, {2, 3, 2, 3, 2}, 8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<famb::DecEntry> area(4096);
        unsigned root = c.root;
        ASSERT_GT(famb::buildTable(c.kind, c.lengths.data(), unsigned(c.lengths.size()),
                                   area.data(), unsigned(area.size()), &root),
                  0);
        unsigned maxLength = *std::max_element(c.lengths.begin(), c.lengths.end());
        ASSERT_EQ(root, std::min(c.root, maxLength));
        // Canonical codes, each reversed to the order the bits are read in.
        unsigned perLength[16] = {};
        for (uint8_t len : c.lengths) {
            ++perLength[len];
        }
        unsigned next[16] = {};
        for (unsigned len = 2; len <= 15; ++len) {
            next[len] = (next[len - 1] + perLength[len - 1]) << 1;
        }
        std::vector<unsigned> reversed(c.lengths.size());
        for (size_t sym = 0; sym < c.lengths.size(); ++sym) {
            unsigned len = c.lengths[sym];
            unsigned code = len ? next[len]++ : 0;
            for (unsigned b = 0; b < len; ++b) {
                reversed[sym] |= ((code >> b) & 1u) << (len - 1 - b);
            }
        }
        for (unsigned index = 0; index < (1u << root); ++index) {
            const famb::DecEntry &entry = area[index];
            SCOPED_TRACE(index);
            size_t sym = 0;
            while (sym < c.lengths.size() &&
                   (c.lengths[sym] == 0 || c.lengths[sym] > root ||
                    (index & ((1u << c.lengths[sym]) - 1)) != reversed[sym])) {
                ++sym;
            }
            if (sym == c.lengths.size()) { // the start of a longer code
                EXPECT_TRUE(entry.op >= 1 && entry.op <= famb::kOpMaxLink);
                EXPECT_EQ(entry.bits, root);
                continue;
            }
            unsigned len = c.lengths[sym];
            if (c.kind == famb::CodeKind::LitLen && sym < 256) {
                EXPECT_EQ(entry.op, famb::kOpLiteral);
                EXPECT_EQ(entry.bits, len);
                EXPECT_EQ(entry.val, sym);
            } else if (c.kind == famb::CodeKind::LitLen && sym == 256) {
                EXPECT_EQ(entry.op, famb::kOpEndOfBlock);
                EXPECT_EQ(entry.bits, len);
            } else {
                const famb::SymbolRange &range = c.kind == famb::CodeKind::LitLen
                                                     ? famb::kLengthRanges[sym - 257]
                                                     : famb::kDistRanges[sym];
                EXPECT_EQ(entry.op, famb::kOpBase + len);
                EXPECT_EQ(entry.bits, len + range.extraBits);
                EXPECT_EQ(entry.val, range.base);
            }
        }
    }
}

// A valid stream whose two codes together need all 1,448 entries: a
// smaller table area would reject it as corrupt.
TEST(FambDecodeTables, StreamNeedingTheWorstCaseDecodes) {
    // Put the end of block and a literal on short codes: symbol order
    // decides which symbol gets which length, not the table size.
    std::vector<uint8_t> lit = kWorstLitLen;
    std::swap(lit[0], lit[256]); // end of block: 1 bit
    std::swap(lit[1], lit['m']); // 'm': 2 bits
    std::swap(lit[2], lit[257]); // length 4: 3 bits
    BitSink sink;
    auto codes = famb_test::writeHeader(sink, lit, kWorstDist);
    sink.putCode(codes.litLen['m'], lit['m']);
    sink.putCode(codes.litLen[257], lit[257]);
    sink.putCode(codes.dist[0], kWorstDist[0]); // distance 1
    sink.putCode(codes.litLen[256], lit[256]);
    sink.alignWithMarker();
    Codec codec(-2);
    Bytes out;
    EXPECT_EQ(codec.decode(sink.bytes(), &out, 16), 5);
    EXPECT_EQ(out, Bytes(5, 'm'));
}

// The worst-case block with much input after it: the wide tables do not
// fit the area, and the narrow ones that always fit are used instead.
TEST(FambDecodeTables, WorstCaseWithMuchInputAfterItDecodes) {
    std::vector<uint8_t> lit = kWorstLitLen;
    std::swap(lit[0], lit[256]);
    std::swap(lit[1], lit['m']);
    std::swap(lit[2], lit[257]);
    BitSink sink;
    auto codes = famb_test::writeHeader(sink, lit, kWorstDist);
    sink.putCode(codes.litLen['m'], lit['m']);
    sink.putCode(codes.litLen[257], lit[257]);
    sink.putCode(codes.dist[0], kWorstDist[0]);
    sink.putCode(codes.litLen[256], lit[256]);
    sink.alignWithMarker();
    Bytes stream = sink.bytes();
    Bytes expected(5, 'm');
    for (int block = 0; block < 3; ++block) { // stored blocks of 4000 bytes
        uint32_t header = 1u | (4000u - 1) << 1;
        stream.push_back(uint8_t(header));
        stream.push_back(uint8_t(header >> 8));
        for (uint32_t i = 0; i < 4000; ++i) {
            stream.push_back(uint8_t(i * 7 + block));
            expected.push_back(uint8_t(i * 7 + block));
        }
    }
    Codec codec(-2);
    Bytes out;
    EXPECT_EQ(codec.decode(stream, &out, uint32_t(expected.size())), int32_t(expected.size()));
    EXPECT_EQ(out, expected);
}

// Matches whose length and distance codes both lie in sub-tables (15-bit
// codes), each followed by literals on short codes, in a block long enough
// for the fast loop and the wide tables: the distance entry of a length
// found in a sub-table is looked up after the whole length code. The last
// match and literal meet the end of the destination: exact room decodes,
// a byte or more short gives -3 with the bytes that fit.
TEST(FambDecodeTables, MatchesOnSubTableCodesThenLiterals) {
    std::vector<uint8_t> lit = kWorstLitLen;
    std::swap(lit[1], lit['m']);   // 'm': 2 bits; byte 0 keeps 1 bit
    std::swap(lit[260], lit[285]); // length 7: 15 bits
    std::swap(lit[268], lit[284]); // lengths 18 and 19: 15 bits, 1 extra bit
    std::vector<uint8_t> dist = kWorstDist;
    std::swap(dist[4], dist[33]); // distances 5 and 6: 15 bits, 1 extra bit
    std::swap(dist[6], dist[32]); // distances 9 to 12: 15 bits, 2 extra bits
    BitSink sink;
    auto codes = famb_test::writeHeader(sink, lit, dist);
    Bytes expected;
    auto literal = [&](uint8_t b) {
        sink.putCode(codes.litLen[b], lit[b]);
        expected.push_back(b);
    };
    auto match = [&](unsigned lengthSymbol, unsigned lengthExtra, unsigned distSymbol,
                     unsigned distExtra) {
        sink.putCode(codes.litLen[lengthSymbol], lit[lengthSymbol]);
        sink.put(lengthExtra, famb::kLengthRanges[lengthSymbol - 257].extraBits);
        sink.putCode(codes.dist[distSymbol], dist[distSymbol]);
        sink.put(distExtra, famb::kDistRanges[distSymbol].extraBits);
        unsigned length = famb::kLengthRanges[lengthSymbol - 257].base + lengthExtra;
        unsigned distance = famb::kDistRanges[distSymbol].base + distExtra;
        for (unsigned i = 0; i < length; ++i) {
            expected.push_back(expected[expected.size() - distance]);
        }
    };
    for (int i = 0; i < 16; ++i) {
        literal(i % 2 ? 'm' : 0);
    }
    for (unsigned i = 0; i < 3000; ++i) {
        if (i % 2) {
            match(260, 0, i % 3 ? 6 : 4, i % 3 ? i % 4 : i / 2 % 2);
        } else {
            match(268, i / 2 % 2, i % 3 ? 6 : 4, i % 3 ? i % 4 : i / 2 % 2);
        }
        literal('m');
        if (i % 5 == 0) {
            literal(0);
        }
    }
    sink.putCode(codes.litLen[256], lit[256]);
    sink.alignWithMarker();
    ASSERT_GT(sink.bytes().size(), 8192u);
    for (int32_t level : {-2, -3}) {
        Codec codec(level);
        Bytes out;
        ASSERT_EQ(codec.decode(sink.bytes(), &out, uint32_t(expected.size())),
                  int32_t(expected.size()))
            << level;
        EXPECT_EQ(out, expected) << level;
        for (size_t less = 1; less <= 24; ++less) {
            uint32_t capacity = uint32_t(expected.size() - less);
            Bytes room(capacity);
            ASSERT_EQ(tezl_Decode(codec.get(), sink.bytes().data(), uint32_t(sink.bytes().size()),
                                  room.data(), capacity),
                      -3)
                << level << " " << less;
            EXPECT_TRUE(std::equal(room.begin(), room.end(), expected.begin()))
                << level << " " << less;
        }
    }
}

} // namespace
