// Codec benchmark: single-thread encode and decode speed and ratio of the
// tezl levels beside LZ4 (default and fast), LZO1X-1, Snappy, zlib raw
// deflate (levels 1, 6, 9), libdeflate (1, 6, 12) and zstd (1, 3), on the
// same blocks of each corpus (bench/make-corpus.sh). After the runs a table
// per corpus and block size puts ratio, encode and decode MB/s side by side.
//
// Rows are a table of codecs: a further tezl level is one more row in
// tezlRows(), a further peer one more entry in peerRows().
#include "tezl.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <lz4.h>
#include <lzo/lzo1x.h>
#include <snappy.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifndef CODEC_BENCH_CORPUS_DIR
#error "CODEC_BENCH_CORPUS_DIR names the corpus directory"
#endif

namespace {

// encode/decode: (source, size, destination, capacity) -> bytes written, 0 on failure.
using CodeFn = std::function<size_t(const uint8_t *, size_t, uint8_t *, size_t)>;

struct BenchCodec {
    std::string name;
    CodeFn encode;
    CodeFn decode;
};

// A tezl encoder/decoder pair with its own context and work memory.
struct TezlPair {
    TezlPair(int32_t encoderLevel, int32_t decoderLevel)
        : encoderMemory(tezl_ContextBytes(encoderLevel) / 8 + 1),
          decoderMemory(tezl_ContextBytes(decoderLevel) / 8 + 1),
          encoderWork(tezl_WorkBytes(encoderLevel) / 8 + 1),
          decoderWork(tezl_WorkBytes(decoderLevel) / 8 + 1) {
        pEncoder = tezl_Create(encoderMemory.data(), tezl_ContextBytes(encoderLevel),
                               encoderWork.data(), tezl_WorkBytes(encoderLevel), encoderLevel);
        pDecoder = tezl_Create(decoderMemory.data(), tezl_ContextBytes(decoderLevel),
                               tezl_WorkBytes(decoderLevel) ? decoderWork.data() : nullptr,
                               tezl_WorkBytes(decoderLevel), decoderLevel);
    }
    std::vector<uint64_t> encoderMemory, decoderMemory, encoderWork, decoderWork;
    TezlContext *pEncoder = nullptr;
    TezlContext *pDecoder = nullptr;
};

size_t positive(int32_t rc) {
    return rc > 0 ? size_t(rc) : 0;
}

BenchCodec tezlRow(const char *name, int32_t encoderLevel, int32_t decoderLevel) {
    auto pair = std::make_shared<TezlPair>(encoderLevel, decoderLevel);
    return {name,
            [pair](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                return positive(
                    tezl_Encode(pair->pEncoder, src, uint32_t(size), dst, uint32_t(capacity)));
            },
            [pair](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                return positive(
                    tezl_Decode(pair->pDecoder, src, uint32_t(size), dst, uint32_t(capacity)));
            }};
}

std::vector<BenchCodec> tezlRows() {
    return {
        tezlRow("tezl-1", 1, 0),  tezlRow("tezl-2", 2, 0),    tezlRow("tezl-3", 3, 0),
        tezlRow("tezl-5", 5, -2), tezlRow("tezl-6", 6, -2),   tezlRow("tezl-7", 7, -2),
        tezlRow("tezl-8", 8, -2), tezlRow("tezl-10", 10, -5),
    };
}

BenchCodec lz4Row(const char *name, int acceleration) {
    return {name,
            [acceleration](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                int n = LZ4_compress_fast(reinterpret_cast<const char *>(src),
                                          reinterpret_cast<char *>(dst), int(size), int(capacity),
                                          acceleration);
                return n > 0 ? size_t(n) : 0;
            },
            [](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                int n =
                    LZ4_decompress_safe(reinterpret_cast<const char *>(src),
                                        reinterpret_cast<char *>(dst), int(size), int(capacity));
                return n > 0 ? size_t(n) : 0;
            }};
}

BenchCodec lzoRow() {
    auto work = std::make_shared<std::vector<uint8_t>>(LZO1X_1_MEM_COMPRESS);
    return {
        "lzo1x-1",
        [work](const uint8_t *src, size_t size, uint8_t *dst, size_t) {
            lzo_uint n = 0;
            return lzo1x_1_compress(src, size, dst, &n, work->data()) == LZO_E_OK ? size_t(n) : 0;
        },
        [](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
            lzo_uint n = capacity;
            return lzo1x_decompress_safe(src, size, dst, &n, nullptr) == LZO_E_OK ? size_t(n) : 0;
        }};
}

BenchCodec snappyRow() {
    return {"snappy",
            [](const uint8_t *src, size_t size, uint8_t *dst, size_t) {
                size_t n = 0;
                snappy::RawCompress(reinterpret_cast<const char *>(src), size,
                                    reinterpret_cast<char *>(dst), &n);
                return n;
            },
            [](const uint8_t *src, size_t size, uint8_t *dst, size_t) {
                size_t n = 0;
                if (!snappy::GetUncompressedLength(reinterpret_cast<const char *>(src), size, &n) ||
                    !snappy::RawUncompress(reinterpret_cast<const char *>(src), size,
                                           reinterpret_cast<char *>(dst))) {
                    return size_t(0);
                }
                return n;
            }};
}

// Raw deflate (no zlib header or checksum), one stream per block.
struct ZlibStreams {
    explicit ZlibStreams(int level) {
        (void)deflateInit2(&deflater, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        (void)inflateInit2(&inflater, -15);
    }
    ~ZlibStreams() {
        deflateEnd(&deflater);
        inflateEnd(&inflater);
    }
    z_stream deflater{};
    z_stream inflater{};
};

BenchCodec zlibRow(const char *name, int level) {
    auto streams = std::make_shared<ZlibStreams>(level);
    return {name,
            [streams](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                z_stream &z = streams->deflater;
                deflateReset(&z);
                z.next_in = const_cast<Bytef *>(src);
                z.avail_in = uInt(size);
                z.next_out = dst;
                z.avail_out = uInt(capacity);
                return deflate(&z, Z_FINISH) == Z_STREAM_END ? capacity - z.avail_out : 0;
            },
            [streams](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                z_stream &z = streams->inflater;
                inflateReset(&z);
                z.next_in = const_cast<Bytef *>(src);
                z.avail_in = uInt(size);
                z.next_out = dst;
                z.avail_out = uInt(capacity);
                return inflate(&z, Z_FINISH) == Z_STREAM_END ? capacity - z.avail_out : 0;
            }};
}

BenchCodec libdeflateRow(const char *name, int level) {
    std::shared_ptr<libdeflate_compressor> compressor(libdeflate_alloc_compressor(level),
                                                      libdeflate_free_compressor);
    std::shared_ptr<libdeflate_decompressor> decompressor(libdeflate_alloc_decompressor(),
                                                          libdeflate_free_decompressor);
    return {name,
            [compressor](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                return libdeflate_deflate_compress(compressor.get(), src, size, dst, capacity);
            },
            [decompressor](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                size_t n = 0;
                return libdeflate_deflate_decompress(decompressor.get(), src, size, dst, capacity,
                                                     &n) == LIBDEFLATE_SUCCESS
                           ? n
                           : 0;
            }};
}

BenchCodec zstdRow(const char *name, int level) {
    std::shared_ptr<ZSTD_CCtx> cctx(ZSTD_createCCtx(), ZSTD_freeCCtx);
    std::shared_ptr<ZSTD_DCtx> dctx(ZSTD_createDCtx(), ZSTD_freeDCtx);
    return {name,
            [cctx, level](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                size_t n = ZSTD_compressCCtx(cctx.get(), dst, capacity, src, size, level);
                return ZSTD_isError(n) ? 0 : n;
            },
            [dctx](const uint8_t *src, size_t size, uint8_t *dst, size_t capacity) {
                size_t n = ZSTD_decompressDCtx(dctx.get(), dst, capacity, src, size);
                return ZSTD_isError(n) ? 0 : n;
            }};
}

std::vector<BenchCodec> peerRows() {
    return {lz4Row("lz4", 1),
            lz4Row("lz4-fast8", 8),
            lzoRow(),
            snappyRow(),
            zlibRow("zlib-1", 1),
            zlibRow("zlib-6", 6),
            zlibRow("zlib-9", 9),
            libdeflateRow("libdeflate-1", 1),
            libdeflateRow("libdeflate-6", 6),
            libdeflateRow("libdeflate-12", 12),
            zstdRow("zstd-1", 1),
            zstdRow("zstd-3", 3)};
}

std::vector<uint8_t> readCorpus(const std::string &name) {
    std::ifstream file(std::string(CODEC_BENCH_CORPUS_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The corpus cut into blocks, each compressed once up front for decoding.
struct BlockSet {
    std::vector<uint8_t> data;
    size_t blockBytes;
    std::vector<std::vector<uint8_t>> compressed;
    size_t compressedBytes = 0;
};

constexpr size_t kSlack = 1024;

bool prepare(const BenchCodec &codec, BlockSet *pSet) {
    for (size_t at = 0; at < pSet->data.size(); at += pSet->blockBytes) {
        size_t n = std::min(pSet->blockBytes, pSet->data.size() - at);
        std::vector<uint8_t> out(n + n / 4 + kSlack);
        size_t written = codec.encode(pSet->data.data() + at, n, out.data(), out.size());
        if (written == 0) {
            return false;
        }
        out.resize(written);
        pSet->compressedBytes += written;
        pSet->compressed.push_back(std::move(out));
    }
    return true;
}

void runEncode(benchmark::State &state, const BenchCodec &codec, std::shared_ptr<BlockSet> pSet) {
    std::vector<uint8_t> out(pSet->blockBytes + pSet->blockBytes / 4 + kSlack);
    for (auto _ : state) {
        for (size_t at = 0; at < pSet->data.size(); at += pSet->blockBytes) {
            size_t n = std::min(pSet->blockBytes, pSet->data.size() - at);
            benchmark::DoNotOptimize(
                codec.encode(pSet->data.data() + at, n, out.data(), out.size()));
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pSet->data.size()));
    state.counters["ratio"] = double(pSet->data.size()) / double(pSet->compressedBytes);
}

// Decodes every block once and compares it with the original bytes, so
// that a decoder is timed only on blocks it reproduces exactly.
bool decodesExactly(const BenchCodec &codec, const BlockSet &set, std::vector<uint8_t> &out) {
    size_t at = 0;
    for (const auto &block : set.compressed) {
        size_t n = std::min(set.blockBytes, set.data.size() - at);
        if (codec.decode(block.data(), block.size(), out.data(), set.blockBytes) != n ||
            std::memcmp(out.data(), set.data.data() + at, n) != 0) {
            return false;
        }
        at += n;
    }
    return at == set.data.size();
}

void runDecode(benchmark::State &state, const BenchCodec &codec, std::shared_ptr<BlockSet> pSet) {
    std::vector<uint8_t> out(pSet->blockBytes + kSlack);
    if (!decodesExactly(codec, *pSet, out)) {
        state.SkipWithError("decoded bytes differ from the original");
        return;
    }
    for (auto _ : state) {
        size_t total = 0;
        for (const auto &block : pSet->compressed) {
            total += codec.decode(block.data(), block.size(), out.data(), pSet->blockBytes);
        }
        if (total != pSet->data.size()) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pSet->data.size()));
    state.counters["ratio"] = double(pSet->data.size()) / double(pSet->compressedBytes);
}

// One table row: ratio and the MB/s of both directions.
struct Cell {
    double ratio = 0;
    double encodeMBps = 0;
    double decodeMBps = 0;
};

// Table key "corpus/blockK" -> codec rows in the order they ran.
std::map<std::string, std::vector<std::pair<std::string, Cell>>> table_G;

// Prints each run as the console does and keeps its figures for the
// closing side-by-side table.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    TableReporter() : ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            // With repetitions the median stands for the row; the mean,
            // spread and coefficient of variation are not speeds.
            if (run.error_occurred ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")) {
                continue;
            }
            std::string name = run.run_name.function_name; // direction/corpus/block/codec
            size_t first = name.find('/');
            size_t last = name.rfind('/');
            std::string table = name.substr(first + 1, last - first - 1);
            std::string codec = name.substr(last + 1);
            auto &rows = table_G[table];
            if (rows.empty() || rows.back().first != codec) {
                rows.emplace_back(codec, Cell{});
            }
            Cell &cell = rows.back().second;
            auto ratio = run.counters.find("ratio");
            auto speed = run.counters.find("bytes_per_second");
            cell.ratio = ratio == run.counters.end() ? 0 : double(ratio->second);
            double mbps = speed == run.counters.end() ? 0 : double(speed->second) / 1e6;
            (name.rfind("encode/", 0) == 0 ? cell.encodeMBps : cell.decodeMBps) = mbps;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto &[table, rows] : table_G) {
            std::printf(
                "\n%s\n| codec | ratio | encode MB/s | decode MB/s |\n|---|---:|---:|---:|\n",
                table.c_str());
            for (const auto &[codec, cell] : rows) {
                std::printf("| %s | %.3f | %.0f | %.0f |\n", codec.c_str(), cell.ratio,
                            cell.encodeMBps, cell.decodeMBps);
            }
        }
    }
};

void registerAll() {
    static std::vector<BenchCodec> codecs;
    codecs = tezlRows();
    for (BenchCodec &peer : peerRows()) {
        codecs.push_back(std::move(peer));
    }
    for (const char *corpus : {"text", "binary", "trace"}) {
        std::vector<uint8_t> data = readCorpus(corpus);
        if (data.empty()) {
            std::fprintf(stderr, "codec_bench: corpus %s missing in %s\n", corpus,
                         CODEC_BENCH_CORPUS_DIR);
            continue;
        }
        for (size_t blockBytes : {size_t(4096), size_t(65536)}) {
            for (const BenchCodec &codec : codecs) {
                auto pSet = std::make_shared<BlockSet>();
                pSet->data = data;
                pSet->blockBytes = blockBytes;
                if (!prepare(codec, pSet.get())) {
                    std::fprintf(stderr, "codec_bench: %s cannot encode %s\n", codec.name.c_str(),
                                 corpus);
                    continue;
                }
                std::string suffix = std::string(corpus) + "/" + std::to_string(blockBytes / 1024) +
                                     "K/" + codec.name;
                benchmark::RegisterBenchmark(("encode/" + suffix).c_str(), runEncode, codec, pSet)
                    ->MinTime(0.2);
                benchmark::RegisterBenchmark(("decode/" + suffix).c_str(), runDecode, codec, pSet)
                    ->MinTime(0.2);
            }
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    if (lzo_init() != LZO_E_OK) {
        std::fprintf(stderr, "codec_bench: lzo_init failed\n");
        return 1;
    }
    registerAll();
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
