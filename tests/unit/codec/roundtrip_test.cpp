// Round trips of generated data at every level pair, sizes around the
// piece and window boundaries, single buffers and piece lists.
#include "codec_mixed.h"
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace codec_test;

namespace {

Bytes generate(const std::string &kind, size_t size) {
    Bytes b(size);
    uint32_t x = uint32_t(size) * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245 + 12345;
        if (kind == "zeros") {
            b[i] = 0;
        } else if (kind == "random") {
            b[i] = uint8_t(x >> 16);
        } else if (kind == "period3") {
            b[i] = uint8_t("xyz"[i % 3]);
        } else if (kind == "period7") {
            b[i] = uint8_t(i % 7 * 31);
        } else {
            static const char kText[] =
                "The retained window lets a match reach into earlier pieces; ";
            b[i] = (x >> 20) % 29 == 0 ? uint8_t('A' + (x >> 8) % 26)
                                       : uint8_t(kText[i % (sizeof kText - 1)]);
        }
    }
    return b;
}

struct Pair {
    int32_t encoderLevel;
    int32_t decoderLevel;
};

class RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(RoundTrip, GeneratedDataAtBoundarySizes) {
    Codec encoder(GetParam().encoderLevel);
    Codec decoder(GetParam().decoderLevel);
    ASSERT_NE(encoder.get(), nullptr);
    ASSERT_NE(decoder.get(), nullptr);
    for (const char *kind : {"zeros", "random", "text", "period3", "period7"}) {
        for (size_t size : {0, 1, 2, 15, 16, 17, 2047, 2048, 2049, 65535, 65536, 65537}) {
            Bytes data = generate(kind, size);
            Bytes stream;
            int32_t rc = encoder.encode(data, &stream);
            if (size == 0) {
                EXPECT_EQ(rc, -2);
                continue;
            }
            ASSERT_GT(rc, 0) << kind << " " << size;
            Bytes back;
            ASSERT_EQ(decoder.decode(stream, &back, uint32_t(size)), int32_t(size))
                << kind << " " << size;
            EXPECT_EQ(back, data) << kind << " " << size;
            // One byte less room must fail cleanly.
            EXPECT_EQ(decoder.decode(stream, &back, uint32_t(size - 1)), -3) << kind << " " << size;
            // A cut stream never passes for a whole one.
            if (stream.size() > 1) {
                Bytes cut(stream.begin(), stream.end() - 1);
                EXPECT_LT(decoder.decode(cut, &back, uint32_t(size)), int32_t(size))
                    << kind << " " << size;
            }
        }
    }
}

TEST_P(RoundTrip, PieceListLayouts) {
    Codec encoder(GetParam().encoderLevel);
    Codec decoder(GetParam().decoderLevel);
    Bytes data = generate("text", 40000);
    const std::vector<std::vector<size_t>> layouts = {{40000}, {4096}, {2048}, {1000, 3}, {1}};
    for (const auto &inSizes : layouts) {
        Bytes stream(data.size() * 2 + 1024);
        std::vector<TezlPiece> in = cutPieces(data.data(), data.size(), inSizes);
        std::vector<TezlPiece> out = cutPieces(stream.data(), stream.size(), {777});
        int32_t rc = encoder.get()->encodeList(encoder.get(), in.data(), uint32_t(in.size()),
                                               out.data(), uint32_t(out.size()));
        ASSERT_GT(rc, 0) << inSizes[0];
        stream.resize(size_t(rc));
        // The same layout decodes through lists; a single buffer always does.
        Bytes back(data.size());
        std::vector<TezlPiece> src = cutPieces(stream.data(), stream.size(), {5});
        std::vector<TezlPiece> dst = cutPieces(back.data(), back.size(), inSizes);
        EXPECT_EQ(decoder.get()->decodeList(decoder.get(), src.data(), uint32_t(src.size()),
                                            dst.data(), uint32_t(dst.size())),
                  int32_t(data.size()))
            << inSizes[0];
        EXPECT_EQ(back, data) << inSizes[0];
        Bytes flat;
        EXPECT_EQ(decoder.decode(stream, &flat, uint32_t(data.size())), int32_t(data.size()));
        EXPECT_EQ(flat, data);
    }
}

// Near matches: each piece repeats its own random bytes of a period from 1
// to 40 for lengths that end inside and past the decoders' word copies,
// so every close distance meets its word-size boundary.
TEST_P(RoundTrip, RepeatsOfEveryNearPeriod) {
    Codec encoder(GetParam().encoderLevel);
    Codec decoder(GetParam().decoderLevel);
    Bytes data;
    uint32_t x = 12345;
    for (uint32_t period = 1; period <= 40; ++period) {
        for (uint32_t length : {3u, 7u, 9u, 17u, 31u, 33u, 65u, 258u}) {
            Bytes pattern(period);
            for (uint8_t &byte : pattern) {
                x = x * 1103515245 + 12345;
                byte = uint8_t(x >> 16);
            }
            for (uint32_t i = 0; i < period + length; ++i) {
                data.push_back(pattern[i % period]);
            }
        }
    }
    Bytes stream;
    ASSERT_GT(encoder.encode(data, &stream), 0);
    Bytes back;
    ASSERT_EQ(decoder.decode(stream, &back, uint32_t(data.size())), int32_t(data.size()));
    EXPECT_EQ(back, data);
}

INSTANTIATE_TEST_SUITE_P(Levels, RoundTrip,
                         ::testing::Values(Pair{1, 0}, Pair{2, 0}, Pair{3, 0}, Pair{1, -1},
                                           Pair{3, -1}, Pair{10, -5}, Pair{5, -2}, Pair{6, -3},
                                           Pair{7, -2}, Pair{8, -3}),
                         [](const ::testing::TestParamInfo<Pair> &param) {
                             return "enc" + std::to_string(param.param.encoderLevel) + "_dec" +
                                    (param.param.decoderLevel < 0 ? "m" : "") +
                                    std::to_string(std::abs(param.param.decoderLevel));
                         });

} // namespace

namespace {

TEST(Staging, FarMatchesThroughSmallCallerPieces) {
    // Four 64 KiB blocks whose second halves repeat their first: matches
    // reach 32 KiB back while the staging ring of nine 8 KiB blocks wraps.
    Bytes data;
    for (int block = 0; block < 4; ++block) {
        Bytes half = generate("random", 32768 + size_t(block));
        half.resize(32768);
        data.insert(data.end(), half.begin(), half.end());
        data.insert(data.end(), half.begin(), half.end());
    }
    Codec encoder(1);
    Codec staging(-1);
    Bytes stream;
    ASSERT_GT(encoder.encode(data, &stream), 0);
    ASSERT_LT(stream.size(), data.size() * 3 / 5);
    for (const auto &outSizes : std::vector<std::vector<size_t>>{{1000, 7}, {8192}, {65536}, {1}}) {
        Bytes back(data.size());
        std::vector<TezlPiece> src = cutPieces(stream.data(), stream.size(), {4096});
        std::vector<TezlPiece> dst = cutPieces(back.data(), back.size(), outSizes);
        EXPECT_EQ(staging.get()->decodeList(staging.get(), src.data(), uint32_t(src.size()),
                                            dst.data(), uint32_t(dst.size())),
                  int32_t(data.size()))
            << outSizes[0];
        EXPECT_EQ(back, data) << outSizes[0];
    }
}

} // namespace

// Mixed inputs (text broken by incompressible runs, repeats, zeros, short
// periods) and large files every Debian system has, at every encoder level,
// decoded by every decoder of the family, as single buffers and as piece
// lists.
namespace {

using codec_mixed::Layout;
using codec_mixed::Run;
using codec_mixed::RunKind;

// The whole file, or nothing when it cannot be read.
Bytes readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return file ? Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())
                : Bytes{};
}

const char kLicence[] = "/usr/share/common-licenses/GPL-3";

// `count` pairs of a text run and a random run, their lengths drawn
// between the given bounds.
std::vector<Run> interleaved(uint32_t seed, int count, size_t textLow, size_t textHigh,
                             size_t randomLow, size_t randomHigh) {
    codec_mixed::Rng rng(seed);
    std::vector<Run> runs;
    for (int i = 0; i < count; ++i) {
        runs.push_back(
            {RunKind::Text, textLow + rng.next() % (textHigh - textLow + 1), rng.next()});
        runs.push_back(
            {RunKind::Random, randomLow + rng.next() % (randomHigh - randomLow + 1), rng.next()});
    }
    return runs;
}

struct MixedCase {
    const char *name;
    std::vector<Run> runs;
    Layout layout;
};

std::vector<MixedCase> mixedCases() {
    return {
        {"licence text broken by random runs",
         interleaved(17, 12, 20000, 30000, 3000, 48000),
         {4096, 4093, 1001}},
        {"short alternation", interleaved(5, 40, 200, 3000, 100, 2000), {32768, 17, 8191}},
        {"random first, then text, repeats, zeros, period",
         {{RunKind::Random, 70000, 1},
          {RunKind::Text, 100000, 2},
          {RunKind::Repeat, 50000, 3},
          {RunKind::Zeros, 5000, 4},
          {RunKind::Period, 20000, 5},
          {RunKind::Random, 1000, 6},
          {RunKind::Repeat, 30000, 7},
          {RunKind::Text, 15, 8}},
         {60001, 65535, 7}},
        {"stored-size random runs between matches",
         {{RunKind::Period, 300, 9},
          {RunKind::Random, 32768, 10},
          {RunKind::Text, 3000, 11},
          {RunKind::Random, 32769, 12},
          {RunKind::Zeros, 70000, 13},
          {RunKind::Random, 65536, 14},
          {RunKind::Repeat, 9, 15}},
         {2048, 1, 3}},
    };
}

class FamilyRoundTrip : public ::testing::TestWithParam<int32_t> {};

TEST_P(FamilyRoundTrip, MixedRuns) {
    Bytes licence = readFile(kLicence); // generated words stand in when it is missing
    for (const MixedCase &c : mixedCases()) {
        Bytes data = codec_mixed::expand(c.runs, licence);
        EXPECT_EQ(codec_mixed::roundTrip(GetParam(), data.data(), data.size(), c.layout), "")
            << c.name << " (" << data.size() << " bytes)";
    }
}

// The largest compressed file under the documentation tree, so that every
// machine picks the same one.
std::filesystem::path largestDocGz() {
    std::filesystem::path best;
    uintmax_t bestSize = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share/doc", ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code sizeEc;
        uintmax_t size = it->is_regular_file(sizeEc) ? it->file_size(sizeEc) : 0;
        if (!sizeEc && it->path().extension() == ".gz" && size > bestSize && size <= (4u << 20)) {
            best = it->path();
            bestSize = size;
        }
    }
    return best;
}

TEST_P(FamilyRoundTrip, LargeSystemFiles) {
    std::vector<std::filesystem::path> paths = {kLicence, "/usr/lib/x86_64-linux-gnu/libc.so.6",
                                                largestDocGz()};
    int found = 0;
    for (const auto &path : paths) {
        Bytes data = path.empty() ? Bytes{} : readFile(path);
        if (data.empty()) {
            continue;
        }
        ++found;
        EXPECT_EQ(codec_mixed::roundTrip(GetParam(), data.data(), data.size(), {8192, 4099, 999}),
                  "")
            << path;
    }
    if (found == 0) {
        GTEST_SKIP() << "none of the system files is present";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, FamilyRoundTrip,
                         ::testing::ValuesIn(codec_mixed::kEncoderLevels),
                         [](const ::testing::TestParamInfo<int32_t> &param) {
                             return "enc" + std::to_string(param.param);
                         });

} // namespace
