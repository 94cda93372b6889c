// A page of 10,000 lines of labels and numbers printed through the page
// buffer's printers and rendered, beside the same text made with plain
// snprintf into one buffer. The allocation counter shows that a steady
// refresh (Clear, print, render) allocates nothing.
#include "sdbg_device.h"
#include "sdbg_logical_view.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<uint64_t> allocations_G{0};

constexpr uint32_t kLines = 10000;

// Takes the frame and drops it: the cost measured is the view's own.
class NullOutput : public Sdbg_OutputDev {
  public:
    void Write(const char *, uint32_t length, const Sdbg_Attr *) override { written += length; }
    void GotoXY(uint32_t, uint32_t) override {}
    bool SetTitle(const char *) override { return true; }
    void ClearLines(uint32_t, uint32_t) override {}
    void NewFrame() override {}
    void GetSize(uint32_t &width, uint32_t &height) override {
        width = 300;
        height = kLines;
    }
    void GetMaxSize(uint32_t &width, uint32_t &height) override { GetSize(width, height); }
    void SetAttr(const Sdbg_Attr &) override {}
    uint64_t written = 0;
};

Sdbg_BwcRecord Counter(uint32_t i) {
    Sdbg_BwcRecord counter{};
    counter.count = 640 + i;
    counter.total = 40960 + 7 * i;
    counter.windowSeconds = 10;
    return counter;
}

void PrintPage(Sdbg_LogicalView &view) {
    for (uint32_t i = 0; i < kLines; ++i) {
        view.PrintStr("Object id: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintUInt(i, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.PrintStr(" reads: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintUInt64(1000000007ull * i, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.PrintStr(" ratio: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintDouble(i / 7.0, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.PrintStr(" bw: ", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
        view.PrintBwc(Counter(i), SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        view.NewLine();
    }
}

void BM_PageBufferPrintAndRender(benchmark::State &state) {
    NullOutput device;
    Sdbg_LogicalView view(&device, kLines, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    PrintPage(view); // the first period grows the lines
    view.Render(true);
    const uint64_t allocationsBefore = allocations_G;
    for (auto _ : state) {
        view.Clear();
        PrintPage(view);
        view.Render(true);
    }
    state.counters["allocs_per_refresh"] = benchmark::Counter(
        static_cast<double>(allocations_G - allocationsBefore), benchmark::Counter::kAvgIterations);
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
    benchmark::DoNotOptimize(device.written);
}
BENCHMARK(BM_PageBufferPrintAndRender)->Unit(benchmark::kMillisecond);

void BM_PageBufferPrintOnly(benchmark::State &state) {
    NullOutput device;
    Sdbg_LogicalView view(&device, kLines, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    PrintPage(view);
    const uint64_t allocationsBefore = allocations_G;
    for (auto _ : state) {
        view.Clear();
        PrintPage(view);
    }
    state.counters["allocs_per_refresh"] = benchmark::Counter(
        static_cast<double>(allocations_G - allocationsBefore), benchmark::Counter::kAvgIterations);
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PageBufferPrintOnly)->Unit(benchmark::kMillisecond);

// The peer: the same text (no colours) with snprintf into one buffer.
void BM_SnprintfPeer(benchmark::State &state) {
    std::vector<char> page(kLines * 160);
    for (auto _ : state) {
        size_t used = 0;
        for (uint32_t i = 0; i < kLines; ++i) {
            const Sdbg_BwcRecord counter = Counter(i);
            const uint32_t rate = counter.total / (counter.windowSeconds * 2);
            const int written = std::snprintf(
                page.data() + used, page.size() - used,
                "Object id: %u reads: %llu ratio: %.2f bw: %u KB/s %u IO/s Avg Io size: %u KB\n", i,
                1000000007ull * i, i / 7.0, rate, counter.count / counter.windowSeconds,
                counter.total / (counter.count * 2));
            used += static_cast<size_t>(written);
        }
        benchmark::DoNotOptimize(page.data());
        benchmark::ClobberMemory();
    }
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(kLines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SnprintfPeer)->Unit(benchmark::kMillisecond);

} // namespace

// Counts every allocation of the process, so the steady refresh can show 0.
void *operator new(size_t size) {
    ++allocations_G;
    if (void *p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

// GCC pairs the replaced new with free() here and warns; the pair is ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void *p) noexcept {
    std::free(p);
}

void operator delete(void *p, size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

BENCHMARK_MAIN();
