// The cost of a trace call, filtered out and written through the
// asynchronous text trace, side by side with spdlog's asynchronous file
// logger; and CRC-32C throughput of each implementation.
//
// The text trace drops lines when its ring is full instead of blocking the
// caller, so its time per call is only comparable together with the share
// of calls that reached the file: every asynchronous row reports "kept"
// (that share) and "kept/s" (lines kept per second). spdlog is measured
// with both of its overflow policies: block keeps every line, overrun_oldest
// drops the oldest queued ones.
//
// Every asynchronous sink is warmed up before it is measured: the ring and
// spdlog's queue are written through once, so that no first touch of their
// pages is counted in the first repetitions.
#include "mos_crc32c.h"
#include "mos_cyclic_file.h"
#include "mos_loader.h"
#include "mos_trace.h"

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string benchDir_G;

constexpr uint32_t RING_BYTES = 64u << 20;
constexpr double WARM_UP_SECONDS = 0.5;

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
    f.asyncBufSize = RING_BYTES;
    f.dumpThreadSleepMs = 100;
    if (mos_Init(&params) != MOS_RC__SUCCESS) {
        fprintf(stderr, "runtime did not start\n");
        exit(1);
    }
}

// Lines of the measured text the trace file gained since the last call,
// once the ring is written.
uint64_t newTraceLinesOnDisk() {
    static long offset = 0;
    mosTrace_Flush(0);
    std::string path = benchDir_G + "/trc.0";
    FILE *pFile = fopen(path.c_str(), "r");
    if (pFile == nullptr || fseek(pFile, offset, SEEK_SET) != 0) {
        return 0;
    }
    uint64_t lines = 0;
    char line[1024];
    while (fgets(line, sizeof(line), pFile) != nullptr) {
        lines += strstr(line, " of volume vol1 completed") != nullptr ? 1 : 0;
    }
    offset = ftell(pFile);
    fclose(pFile);
    return lines;
}

// Writes the whole ring once, a share at a time with a dump in between so
// that nothing is dropped: every page of the ring has been touched before
// the first measured call.
void warmUpRing() {
    constexpr int LINES_PER_MIB = (1 << 20) / 64;
    for (uint32_t mib = 0; mib <= RING_BYTES >> 20; mib++) {
        for (int i = 0; i < LINES_PER_MIB; i++) {
            MOS_TRACE(MOS_COMP_MOS, 1, "warm-up line %d", i);
        }
        mosTrace_Flush(0);
    }
    (void)newTraceLinesOnDisk();
}

void setKept(benchmark::State &state, uint64_t kept) {
    const double calls = static_cast<double>(state.iterations()) * state.threads();
    state.counters["kept"] = static_cast<double>(kept) / calls;
    state.counters["kept/s"] =
        benchmark::Counter(static_cast<double>(kept), benchmark::Counter::kIsRate);
}

// The rows of every asynchronous sink: 1 to 8 writing threads, wall time.
void asyncRows(benchmark::internal::Benchmark *pBench) {
    pBench->Threads(1)->Threads(2)->Threads(4)->Threads(8)->UseRealTime()->MinWarmUpTime(
        WARM_UP_SECONDS);
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
    if (state.thread_index() == 0) {
        (void)newTraceLinesOnDisk();
    }
    int i = 0;
    for (auto _ : state) {
        MOS_TRACE(MOS_COMP_MOS, 1, "request %d of volume %s completed", i++, "vol1");
    }
    // Every thread has left its loop here (the loop's end is a barrier).
    if (state.thread_index() == 0) {
        setKept(state, newTraceLinesOnDisk());
    }
}
BENCHMARK(BM_TraceAsyncFile)->Apply(asyncRows);

constexpr int SPDLOG_QUEUE_SLOTS = 8192 * 16;

std::shared_ptr<spdlog::logger> makeSpdlog(const char *pName, bool bBlock) {
    static bool bPool = false;
    if (!bPool) {
        spdlog::init_thread_pool(SPDLOG_QUEUE_SLOTS, 1);
        bPool = true;
    }
    std::string path = benchDir_G + "/" + pName + ".log";
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, true);
    auto logger = std::make_shared<spdlog::async_logger>(
        pName, sink, spdlog::thread_pool(),
        bBlock ? spdlog::async_overflow_policy::block
               : spdlog::async_overflow_policy::overrun_oldest);
    logger->set_pattern("%d/%m %H:%M:%S.%f %t:%!:%#: %v");
    // Once through the queue before the first measured call.
    for (int i = 0; i < SPDLOG_QUEUE_SLOTS; i++) {
        logger->info("warm-up line {}", i);
    }
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
    static size_t overrunsBefore;
    if (state.thread_index() == 0) {
        overrunsBefore = spdlog::thread_pool()->overrun_counter();
    }
    int i = 0;
    for (auto _ : state) {
        pLogger->info("request {} of volume {} completed", i++, "vol1");
    }
    if (state.thread_index() == 0) {
        // A line not overrun in the queue reaches the file. Overruns are
        // counted per queue, not per row: a row's last lines overrun in the
        // next row count there (at most the queue's size, against millions
        // of calls).
        const auto calls = static_cast<uint64_t>(state.iterations()) * state.threads();
        setKept(state, calls - (spdlog::thread_pool()->overrun_counter() - overrunsBefore));
        pLogger->flush();
    }
}
BENCHMARK_CAPTURE(BM_SpdlogAsyncFile, block, true)->Apply(asyncRows);
BENCHMARK_CAPTURE(BM_SpdlogAsyncFile, overrun_oldest, false)->Apply(asyncRows);

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
    warmUpRing();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    spdlog::shutdown();
    std::filesystem::remove_all(benchDir_G);
    return 0;
}
