// Codec comparison benchmark. Each corpus is cut into blocks of 4 KiB or
// 64 KiB and every block is compressed and decompressed on its own, one
// thread, as the size-reduction manager uses the codec. One benchmark per
// (direction, corpus, block size, codec); at the end a table puts the
// ratio (original / compressed) and the encode and decode MB/s side by side.
//
// Corpora: text (this repository's C++ sources and documents), binary
// (this program's own executable) and trace lines (generated lines in the
// runtime library's trace text format).
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <lz4.h>
#include <lzo/lzo1x.h>
#include <snappy-c.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tezl.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kCorpusBytes = 1 << 20;

// ---- corpora ------------------------------------------------------------

Bytes readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes textCorpus() {
    std::vector<std::filesystem::path> files;
    for (const char *dir : {"codec", "src", "docs", "tests"}) {
        std::filesystem::path root = std::filesystem::path(CODEC_COMPARE_SOURCE_DIR) / dir;
        if (!std::filesystem::exists(root)) {
            continue;
        }
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
            auto ext = entry.path().extension();
            if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h" || ext == ".md")) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    Bytes out;
    for (const auto &path : files) {
        Bytes file = readFile(path);
        out.insert(out.end(), file.begin(), file.end());
        if (out.size() >= kCorpusBytes) {
            break;
        }
    }
    out.resize(std::min(out.size(), kCorpusBytes));
    return out;
}

Bytes binaryCorpus() {
    Bytes out = readFile("/proc/self/exe");
    out.resize(std::min(out.size(), kCorpusBytes));
    return out;
}

int traceMessage(char *pLine, size_t room, std::mt19937 &rng) {
    unsigned a = unsigned(rng() % 100000);
    unsigned b = unsigned(rng() % 256);
    unsigned c = unsigned(rng() % 65536);
    switch (rng() % 6) {
        case 0:
            return std::snprintf(pLine, room, "request %u from client %u done in %u us", a, b, c);
        case 1:
            return std::snprintf(pLine, room, "pool %u grew to %u entries", b, a);
        case 2:
            return std::snprintf(pLine, room, "timer %u fired late by %u ms", a, b);
        case 3:
            return std::snprintf(pLine, room, "object type %u registered with size %u", b, c);
        case 4:
            return std::snprintf(pLine, room, "socket %u connected to 10.0.%u.%u:%u", a, b, b, c);
        default:
            return std::snprintf(pLine, room, "command 0x%08x returned %u", a, b);
    }
}

Bytes traceCorpus() {
    static const char *const kFunctions[] = {"mosTimer_Poll",    "sdbgSrv_HandleRequest",
                                             "mosMemPool_Alloc", "osNet_BindAddr",
                                             "mosObj_RegObj",    "qorniIntf_SendCommand"};
    std::mt19937 rng(42);
    std::string text;
    char line[256];
    uint32_t micros = 0;
    while (text.size() < kCorpusBytes) {
        micros += rng() % 5000;
        int fn = int(rng() % 6);
        int n = std::snprintf(line, sizeof line, "10/12 13:%02u:%02u.%06u 0x%012llx:%s:%05u: ",
                              (micros / 60000000) % 60, (micros / 1000000) % 60, micros % 1000000,
                              0x7f3a10000000ull + (rng() % 8) * 0x1000ull, kFunctions[fn],
                              unsigned(100 + fn * 37 + int(rng() % 3)));
        n += traceMessage(line + n, sizeof line - size_t(n), rng);
        text.append(line, size_t(n));
        text.push_back('\n');
    }
    text.resize(kCorpusBytes);
    return Bytes(text.begin(), text.end());
}

// ---- codecs -------------------------------------------------------------

// One compressor/decompressor pair working on single blocks. Each returns
// the bytes produced, or 0 on failure.
class Codec {
  public:
    virtual ~Codec() = default;
    virtual size_t encode(const uint8_t *pSrc, size_t srcSize, uint8_t *pDst,
                          size_t dstCapacity) = 0;
    virtual size_t decode(const uint8_t *pSrc, size_t srcSize, uint8_t *pDst,
                          size_t dstCapacity) = 0;
};

class TezlCodec : public Codec {
  public:
    TezlCodec(int32_t encoderLevel, int32_t decoderLevel)
        : encContext_(tezl_ContextBytes(encoderLevel) / 8 + 1),
          decContext_(tezl_ContextBytes(decoderLevel) / 8 + 1),
          encWork_(std::max<uint32_t>(tezl_WorkBytes(encoderLevel), 1)),
          decWork_(std::max<uint32_t>(tezl_WorkBytes(decoderLevel), 1)) {
        pEnc_ = tezl_Create(encContext_.data(), tezl_ContextBytes(encoderLevel), encWork_.data(),
                            uint32_t(encWork_.size()), encoderLevel);
        pDec_ = tezl_Create(decContext_.data(), tezl_ContextBytes(decoderLevel), decWork_.data(),
                            uint32_t(decWork_.size()), decoderLevel);
    }
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        int32_t rc = tezl_Encode(pEnc_, pSrc, uint32_t(n), pDst, uint32_t(cap));
        return rc > 0 ? size_t(rc) : 0;
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        int32_t rc = tezl_Decode(pDec_, pSrc, uint32_t(n), pDst, uint32_t(cap));
        return rc > 0 ? size_t(rc) : 0;
    }

  private:
    std::vector<uint64_t> encContext_;
    std::vector<uint64_t> decContext_;
    std::vector<uint8_t> encWork_;
    std::vector<uint8_t> decWork_;
    TezlContext *pEnc_ = nullptr;
    TezlContext *pDec_ = nullptr;
};

class Lz4Codec : public Codec {
  public:
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        return size_t(
            std::max(0, LZ4_compress_default(reinterpret_cast<const char *>(pSrc),
                                             reinterpret_cast<char *>(pDst), int(n), int(cap))));
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        return size_t(
            std::max(0, LZ4_decompress_safe(reinterpret_cast<const char *>(pSrc),
                                            reinterpret_cast<char *>(pDst), int(n), int(cap))));
    }
};

class LzoCodec : public Codec {
  public:
    LzoCodec() : work_(LZO1X_1_MEM_COMPRESS) {}
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t) override {
        lzo_uint out = 0;
        return lzo1x_1_compress(pSrc, n, pDst, &out, work_.data()) == LZO_E_OK ? out : 0;
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        lzo_uint out = cap;
        return lzo1x_decompress_safe(pSrc, n, pDst, &out, nullptr) == LZO_E_OK ? out : 0;
    }

  private:
    std::vector<uint8_t> work_;
};

class SnappyCodec : public Codec {
  public:
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        size_t out = cap;
        return snappy_compress(reinterpret_cast<const char *>(pSrc), n,
                               reinterpret_cast<char *>(pDst), &out) == SNAPPY_OK
                   ? out
                   : 0;
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        size_t out = cap;
        return snappy_uncompress(reinterpret_cast<const char *>(pSrc), n,
                                 reinterpret_cast<char *>(pDst), &out) == SNAPPY_OK
                   ? out
                   : 0;
    }
};

class ZlibCodec : public Codec {
  public:
    explicit ZlibCodec(int level) {
        (void)deflateInit2(&def_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        (void)inflateInit2(&inf_, -15);
    }
    ~ZlibCodec() override {
        deflateEnd(&def_);
        inflateEnd(&inf_);
    }
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        deflateReset(&def_);
        def_.next_in = const_cast<Bytef *>(pSrc);
        def_.avail_in = uInt(n);
        def_.next_out = pDst;
        def_.avail_out = uInt(cap);
        return deflate(&def_, Z_FINISH) == Z_STREAM_END ? cap - def_.avail_out : 0;
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        inflateReset(&inf_);
        inf_.next_in = const_cast<Bytef *>(pSrc);
        inf_.avail_in = uInt(n);
        inf_.next_out = pDst;
        inf_.avail_out = uInt(cap);
        return inflate(&inf_, Z_FINISH) == Z_STREAM_END ? cap - inf_.avail_out : 0;
    }

  private:
    z_stream def_{};
    z_stream inf_{};
};

class LibdeflateCodec : public Codec {
  public:
    explicit LibdeflateCodec(int level)
        : pComp_(libdeflate_alloc_compressor(level)), pDecomp_(libdeflate_alloc_decompressor()) {}
    ~LibdeflateCodec() override {
        libdeflate_free_compressor(pComp_);
        libdeflate_free_decompressor(pDecomp_);
    }
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        return libdeflate_deflate_compress(pComp_, pSrc, n, pDst, cap);
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        size_t out = 0;
        return libdeflate_deflate_decompress(pDecomp_, pSrc, n, pDst, cap, &out) ==
                       LIBDEFLATE_SUCCESS
                   ? out
                   : 0;
    }

  private:
    libdeflate_compressor *pComp_;
    libdeflate_decompressor *pDecomp_;
};

class ZstdCodec : public Codec {
  public:
    explicit ZstdCodec(int level) : level_(level), pC_(ZSTD_createCCtx()), pD_(ZSTD_createDCtx()) {}
    ~ZstdCodec() override {
        ZSTD_freeCCtx(pC_);
        ZSTD_freeDCtx(pD_);
    }
    size_t encode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        size_t rc = ZSTD_compressCCtx(pC_, pDst, cap, pSrc, n, level_);
        return ZSTD_isError(rc) ? 0 : rc;
    }
    size_t decode(const uint8_t *pSrc, size_t n, uint8_t *pDst, size_t cap) override {
        size_t rc = ZSTD_decompressDCtx(pD_, pDst, cap, pSrc, n);
        return ZSTD_isError(rc) ? 0 : rc;
    }

  private:
    int level_;
    ZSTD_CCtx *pC_;
    ZSTD_DCtx *pD_;
};

struct CodecRow {
    std::string name;
    std::unique_ptr<Codec> (*make)();
};

template <int32_t Enc, int32_t Dec> std::unique_ptr<Codec> makeTezl() {
    return std::make_unique<TezlCodec>(Enc, Dec);
}
template <typename C, int Level> std::unique_ptr<Codec> makeLevel() {
    return std::make_unique<C>(Level);
}
template <typename C> std::unique_ptr<Codec> makePlain() {
    return std::make_unique<C>();
}

const CodecRow kCodecs[] = {
    {"tezl A1", makeTezl<1, 0>},
    {"tezl A2", makeTezl<2, 0>},
    {"tezl A3", makeTezl<3, 0>},
    {"tezl B5", makeTezl<5, -2>},
    {"tezl B6", makeTezl<6, -2>},
    {"tezl B7", makeTezl<7, -2>},
    {"tezl B8", makeTezl<8, -2>},
    {"tezl C10", makeTezl<10, -5>},
    {"lz4", makePlain<Lz4Codec>},
    {"lzo1x-1", makePlain<LzoCodec>},
    {"snappy", makePlain<SnappyCodec>},
    {"zlib 1", makeLevel<ZlibCodec, 1>},
    {"zlib 6", makeLevel<ZlibCodec, 6>},
    {"zlib 9", makeLevel<ZlibCodec, 9>},
    {"libdeflate 1", makeLevel<LibdeflateCodec, 1>},
    {"libdeflate 6", makeLevel<LibdeflateCodec, 6>},
    {"libdeflate 12", makeLevel<LibdeflateCodec, 12>},
    {"zstd 1", makeLevel<ZstdCodec, 1>},
    {"zstd 3", makeLevel<ZstdCodec, 3>},
};

// ---- benchmarks -----------------------------------------------------------

struct Corpus {
    std::string name;
    Bytes data;
};

struct Cell {
    double ratio = 0;
    double encodeMBps = 0;
    double decodeMBps = 0;
};
std::map<std::string, Cell> gCells; // key: corpus/block/codec

std::string cellKey(const std::string &corpus, size_t block, const std::string &codec) {
    return corpus + "/" + std::to_string(block / 1024) + "K/" + codec;
}

// Compressed blocks of one corpus, with their original sizes.
struct Packed {
    std::vector<Bytes> blocks;
    std::vector<size_t> plainSizes;
    size_t total = 0;
};

Packed packAll(Codec &codec, const Bytes &data, size_t blockBytes) {
    Packed packed;
    Bytes scratch(blockBytes * 2 + 1024);
    for (size_t off = 0; off < data.size(); off += blockBytes) {
        size_t n = std::min(blockBytes, data.size() - off);
        size_t out = codec.encode(data.data() + off, n, scratch.data(), scratch.size());
        packed.blocks.emplace_back(scratch.begin(), scratch.begin() + long(out));
        packed.plainSizes.push_back(n);
        packed.total += out;
    }
    return packed;
}

void encodeBench(benchmark::State &state, const Corpus *pCorpus, size_t blockBytes,
                 const CodecRow *pRow) {
    auto codec = pRow->make();
    Bytes scratch(blockBytes * 2 + 1024);
    const Bytes &data = pCorpus->data;
    size_t compressed = 0;
    for (auto _ : state) {
        compressed = 0;
        for (size_t off = 0; off < data.size(); off += blockBytes) {
            size_t n = std::min(blockBytes, data.size() - off);
            size_t out = codec->encode(data.data() + off, n, scratch.data(), scratch.size());
            if (out == 0) {
                state.SkipWithError("encode failed");
                return;
            }
            compressed += out;
        }
        benchmark::DoNotOptimize(compressed);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    double ratio = double(data.size()) / double(compressed);
    state.counters["ratio"] = ratio;
    gCells[cellKey(pCorpus->name, blockBytes, pRow->name)].ratio = ratio;
}

void decodeBench(benchmark::State &state, const Corpus *pCorpus, size_t blockBytes,
                 const CodecRow *pRow) {
    auto codec = pRow->make();
    Packed packed = packAll(*codec, pCorpus->data, blockBytes);
    Bytes out(blockBytes);
    for (auto _ : state) {
        for (size_t i = 0; i < packed.blocks.size(); ++i) {
            const Bytes &block = packed.blocks[i];
            size_t n = codec->decode(block.data(), block.size(), out.data(), packed.plainSizes[i]);
            if (n != packed.plainSizes[i]) {
                state.SkipWithError("decode failed");
                return;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pCorpus->data.size()));
}

// Collects MB/s per cell for the closing table.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            std::string name = run.benchmark_name();
            bool bEncode = name.rfind("encode/", 0) == 0;
            std::string key = name.substr(name.find('/') + 1);
            auto it = run.counters.find("bytes_per_second");
            double mbps = it == run.counters.end() ? 0 : double(it->second) / 1e6;
            (bEncode ? gCells[key].encodeMBps : gCells[key].decodeMBps) = mbps;
        }
    }
};

void printTable(const std::vector<Corpus> &corpora, const size_t *pBlocks, size_t blockCount) {
    for (const Corpus &corpus : corpora) {
        for (size_t b = 0; b < blockCount; ++b) {
            std::printf("\n%s corpus (%zu bytes), %zu KiB blocks\n", corpus.name.c_str(),
                        corpus.data.size(), pBlocks[b] / 1024);
            std::printf("| codec | ratio | encode MB/s | decode MB/s |\n|---|---|---|---|\n");
            for (const CodecRow &row : kCodecs) {
                const Cell &cell = gCells[cellKey(corpus.name, pBlocks[b], row.name)];
                std::printf("| %s | %.3f | %.0f | %.0f |\n", row.name.c_str(), cell.ratio,
                            cell.encodeMBps, cell.decodeMBps);
            }
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    if (lzo_init() != LZO_E_OK) {
        std::fprintf(stderr, "lzo_init failed\n");
        return 1;
    }
    static std::vector<Corpus> corpora = {
        {"text", textCorpus()}, {"binary", binaryCorpus()}, {"trace", traceCorpus()}};
    static const size_t kBlocks[] = {4096, 65536};
    for (const Corpus &corpus : corpora) {
        for (size_t block : kBlocks) {
            for (const CodecRow &row : kCodecs) {
                std::string key = cellKey(corpus.name, block, row.name);
                benchmark::RegisterBenchmark(("encode/" + key).c_str(), encodeBench, &corpus, block,
                                             &row)
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark(("decode/" + key).c_str(), decodeBench, &corpus, block,
                                             &row)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(corpora, kBlocks, std::size(kBlocks));
    benchmark::Shutdown();
    return 0;
}
