// The cost of a trace call, filtered out and written through the
// asynchronous text trace, side by side with spdlog's asynchronous file
// logger; and CRC-32C throughput of each implementation.
//
// The text trace drops lines when its ring is full instead of blocking the
// caller; the counter "kept" says which share of the calls reached the
// file. spdlog is measured with both of its overflow policies.
#include "mos_crc32c.h"
#include "mos_cyclic_file.h"
#include "mos_loader.h"
#include "mos_trace.h"

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string benchDir_G;
std::atomic<int64_t> callsMade_G{0};

constexpr const char *LINE_TEXT = "request %d of volume %s completed";

void startRuntime() {
    benchDir_G = (std::filesystem::temp_directory_path() / "mos_trace_bench").string();
    std::filesystem::remove_all(benchDir_G);
    std::filesystem::create_directories(benchDir_G);
    static MosInitParams params{};
    MosCyclicFileParams &f = params.trc.trcFile;
    f.bEnabled = 1;
    f.bAsync = 1;
    f.dirPath = benchDir_G.c_str();
    f.prefix = "trc";
    f.history = 2;
    f.maxFileSize = 1u << 30;
    f.asyncBufSize = 64u << 20;
    f.dumpThreadSleepMs = 100;
    if (mos_Init(&params) != MOS_RC__SUCCESS) {
        fprintf(stderr, "runtime did not start\n");
        exit(1);
    }
}

uint64_t traceLinesOnDisk() {
    mosTrace_Flush(10000);
    std::string path = benchDir_G + "/trc.0";
    uint64_t lines = 0;
    FILE *pFile = fopen(path.c_str(), "r");
    if (pFile == nullptr) {
        return 0;
    }
    char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), pFile)) > 0) {
        for (size_t i = 0; i < n; i++) {
            lines += buf[i] == '\n';
        }
    }
    fclose(pFile);
    return lines;
}

void BM_TraceFiltered(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        // Level 3 under the built-in frequency 2: never formatted.
        MOS_TRACE(MOS_COMP_MOS, 3, "request %d of volume %s completed", i++, "vol1");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TraceFiltered);

void BM_TraceAsyncFile(benchmark::State &state) {
    static uint64_t linesBefore;
    if (state.thread_index() == 0) {
        linesBefore = traceLinesOnDisk();
        callsMade_G = 0;
    }
    int i = 0;
    for (auto _ : state) {
        MOS_TRACE(MOS_COMP_MOS, 1, "request %d of volume %s completed", i++, "vol1");
    }
    callsMade_G += static_cast<int64_t>(state.iterations());
    if (state.thread_index() == 0) {
        // Other threads may still be finishing; the share is approximate.
        uint64_t kept = traceLinesOnDisk() - linesBefore;
        state.counters["kept"] =
            static_cast<double>(kept) / static_cast<double>(callsMade_G.load() + 1);
    }
}
BENCHMARK(BM_TraceAsyncFile)->Threads(1)->Threads(2)->Threads(4)->Threads(8)->UseRealTime();

std::shared_ptr<spdlog::logger> makeSpdlog(const char *pName, bool bBlock) {
    static bool bPool = false;
    if (!bPool) {
        spdlog::init_thread_pool(8192 * 16, 1);
        bPool = true;
    }
    std::string path = benchDir_G + "/" + pName + ".log";
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, true);
    auto logger = std::make_shared<spdlog::async_logger>(
        pName, sink, spdlog::thread_pool(),
        bBlock ? spdlog::async_overflow_policy::block
               : spdlog::async_overflow_policy::overrun_oldest);
    logger->set_pattern("%d/%m %H:%M:%S.%f %t:%!:%#: %v");
    return logger;
}

void BM_SpdlogAsyncFile(benchmark::State &state, bool bBlock) {
    static std::shared_ptr<spdlog::logger> blockLogger;
    static std::shared_ptr<spdlog::logger> overrunLogger;
    if (state.thread_index() == 0) {
        auto &logger = bBlock ? blockLogger : overrunLogger;
        if (!logger) {
            logger = makeSpdlog(bBlock ? "spd_block" : "spd_overrun", bBlock);
        }
    }
    // All threads start together after thread 0's set-up.
    auto *pLogger = (bBlock ? blockLogger : overrunLogger).get();
    int i = 0;
    for (auto _ : state) {
        pLogger->info("request {} of volume {} completed", i++, "vol1");
    }
    if (state.thread_index() == 0) {
        pLogger->flush();
    }
}
BENCHMARK_CAPTURE(BM_SpdlogAsyncFile, block, true)
    ->Threads(1)
    ->Threads(2)
    ->Threads(4)
    ->Threads(8)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SpdlogAsyncFile, overrun_oldest, false)
    ->Threads(1)
    ->Threads(2)
    ->Threads(4)
    ->Threads(8)
    ->UseRealTime();

void BM_Crc32c(benchmark::State &state, uint32_t (*pFn)(const void *, size_t)) {
    if (pFn != mosCrc32c_Software && !mosCrc32c_HasHardware()) {
        state.SkipWithError("no SSE4.2 on this processor");
        return;
    }
    std::vector<uint8_t> data(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pFn(data.data(), data.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK_CAPTURE(BM_Crc32c, software, mosCrc32c_Software)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(BM_Crc32c, hw32, mosCrc32c_Hw32)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(BM_Crc32c, hw64, mosCrc32c_Hw64)->Arg(64)->Arg(1024)->Arg(1 << 20);

// The peer: ISA-L's CRC-32C, which picks its own instructions at run time.
void BM_Crc32cIsal(benchmark::State &state) {
    std::vector<uint8_t> data(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            crc32_iscsi(data.data(), static_cast<int>(data.size()), MOS_CRC32C_INIT));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32cIsal)->Arg(64)->Arg(1024)->Arg(1 << 20);

} // namespace

int main(int argc, char **argv) {
    startRuntime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    spdlog::shutdown();
    std::filesystem::remove_all(benchDir_G);
    return 0;
}
