// dumpscreen of a screen holding 10,000 "vol" objects (352-byte query
// structures) served by the sample storage process on 127.0.0.1: the
// refresh alone (count and one list of 10,000 records over TCP), and the
// whole dump (refresh, print into the page buffer, render every line on
// the stream device) as text and XML, cold and steady.
#include "sdbg_device.h"
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_screen.h"
#include "sdbg_server_link.h"
#include "sdbg_srv_obj_factory.h"
#include "sdbg_worker.h"

#include "mos_loader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kObjects = 10000;
constexpr uint32_t kVolType = 64;
constexpr uint32_t kMdm = 3;
constexpr uint16_t kPort = 26931;

// The stream device as the viewer makes it for redirected output, its
// blocks written to /dev/null: the whole dump goes through the same text
// placement and the same block writes as a dump into a file.
struct NullStream {
    NullStream()
        : fd(open("/dev/null", O_WRONLY)), buffer([this](const char *pData, size_t size) {
              ++writes;
              bytes += size;
              return write(fd, pData, size) == static_cast<ssize_t>(size);
          }),
          stream(&buffer) {}
    ~NullStream() { close(fd); }
    int fd;
    uint64_t writes = 0;
    uint64_t bytes = 0;
    Sdbg_BlockStreamBuf buffer;
    std::ostream stream;
};

// The sample process with 10,000 vol objects; ends with the benchmark.
struct Sample {
    Sample() {
        const std::string dir = "/tmp/objscope_bench_" + std::to_string(kPort);
        // A previous run's answers must not read as this one's.
        (void)std::system(("mkdir -p " + dir + " && rm -f " + dir + "/out.txt").c_str());
        std::ofstream(dir + "/vol.bin", std::ios::binary) << std::string(352, '\x01');
        const std::string command = std::string(SAMPLE_STORAGE_PATH) + " " + std::to_string(kPort) +
                                    " mdm > " + dir + "/out.txt";
        pPipe = popen(command.c_str(), "w");
        std::fprintf(pPipe, "add %u %s/vol.bin %u\n", kVolType, dir.c_str(), kObjects);
        std::fflush(pPipe);
        for (int tries = 0; tries < 100; ++tries) {
            std::ifstream out(dir + "/out.txt");
            std::string text((std::istreambuf_iterator<char>(out)), {});
            if (text.find("ok 0") != std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::fprintf(stderr, "the sample process did not start\n");
        std::exit(1);
    }
    ~Sample() {
        std::fprintf(pPipe, "exit\n");
        pclose(pPipe);
    }
    FILE *pPipe = nullptr;
};

void StartSampleOnce() {
    static Sample sample;
}

// A view as the application makes it: 100 lines, then the device's page.
std::unique_ptr<Sdbg_LogicalView> MakeView(Sdbg_OutputDev &output) {
    auto pView = std::make_unique<Sdbg_LogicalView>(nullptr, 100, 0, 0);
    pView->SetDevice(&output);
    pView->SetPageHeight(output.GetHeight());
    return pView;
}

struct Viewer {
    // The debug port serves one client at a time: only one viewer links.
    explicit Viewer(bool bLink) : output(sink.stream), pView(MakeView(output)) {
        const uint32_t typeId = kVolType;
        screen = worker.AddScreen("bench", "Bench", "all");
        worker.AddGroup(screen, &typeId, 0, nullptr);
        if (bLink) {
            try {
                worker.Link(kMdm, "127.0.0.1", kPort);
            } catch (const Sdbg_Exception &failure) {
                std::fprintf(stderr, "cannot link to the sample process: %s\n", failure.GetText());
                std::exit(1);
            }
        }
    }
    NullStream sink;
    SDbg_FileOutput output;
    std::unique_ptr<Sdbg_LogicalView> pView;
    SDbg_Worker worker;
    uint32_t screen = 0;
};

// The whole dump, as dumpscreen writes it into a file: refresh, print into
// the page buffer, render every line, flush. Cold: a fresh view each time
// (its making counted, its release not); steady: one view reused.
void BM_DumpScreen10k(benchmark::State &state) {
    StartSampleOnce();
    Viewer viewer(true);
    const bool bXml = state.range(0) != 0;
    const bool bCold = state.range(1) != 0;
    uint64_t lines = 0;
    for (auto _ : state) {
        if (bCold) {
            state.PauseTiming();
            viewer.pView.reset();
            state.ResumeTiming();
            viewer.pView = MakeView(viewer.output);
        }
        viewer.worker.DumpScreen(*viewer.pView, viewer.screen, bXml);
        viewer.output.Flush();
        lines = viewer.pView->GetCurrentLine() + 1u;
    }
    const double dumps = static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["bytes/dump"] = static_cast<double>(viewer.sink.bytes) / dumps;
    state.counters["writes/dump"] = static_cast<double>(viewer.sink.writes) / dumps;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kObjects);
}
BENCHMARK(BM_DumpScreen10k)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->ArgNames({"xml", "cold"})
    ->Unit(benchmark::kMillisecond);

void BM_FetchOnly10k(benchmark::State &state) {
    StartSampleOnce();
    Viewer viewer(false);
    viewer.worker.Lock();
    Sdbg_Screen *pScreen = viewer.worker.GetScreen(viewer.screen);
    Sdbg_ServerLink link(kMdm, "127.0.0.1", kPort);
    for (auto _ : state) {
        pScreen->Refresh(link);
    }
    viewer.worker.Unlock();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kObjects);
}
BENCHMARK(BM_FetchOnly10k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (mos_Init(nullptr) != MOS_RC__SUCCESS) {
        return 1;
    }
    Sdbg_ObjTypeRegistry::Init();
    Sdbg_SetSrvObjFactory(CreateSrvObj);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
