// dumpscreen of a screen holding 10,000 "vol" objects (352-byte query
// structures) served by the sample storage process on 127.0.0.1: the
// refresh alone (count and one list of 10,000 records over TCP), and the
// whole dump (refresh, print into the page buffer, render).
#include "sdbg_device.h"
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_server_link.h"
#include "sdbg_worker.h"

#include "mos_loader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr uint32_t kObjects = 10000;
constexpr uint32_t kVolType = 64;
constexpr uint32_t kMdm = 3;
constexpr uint16_t kPort = 26931;

class NullOutput : public Sdbg_OutputDev {
  public:
    void Write(const char *, uint32_t length, const Sdbg_Attr *) override { written += length; }
    void GotoXY(uint32_t, uint32_t) override {}
    bool SetTitle(const char *) override { return true; }
    void ClearLines(uint32_t, uint32_t) override {}
    void NewFrame() override {}
    void GetSize(uint32_t &width, uint32_t &height) override {
        width = 300;
        height = 2 * kObjects;
    }
    void GetMaxSize(uint32_t &width, uint32_t &height) override { GetSize(width, height); }
    void SetAttr(const Sdbg_Attr &) override {}
    uint64_t written = 0;
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

struct Viewer {
    // The debug port serves one client at a time: only one viewer links.
    explicit Viewer(bool bLink) : view(&output, 2 * kObjects, 0, 0) {
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
    NullOutput output;
    Sdbg_LogicalView view;
    SDbg_Worker worker;
    uint32_t screen = 0;
};

void BM_DumpScreen10k(benchmark::State &state) {
    StartSampleOnce();
    Viewer viewer(true);
    for (auto _ : state) {
        viewer.worker.DumpScreen(viewer.view, viewer.screen, state.range(0) != 0);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kObjects);
}
BENCHMARK(BM_DumpScreen10k)->Arg(0)->Arg(1)->ArgNames({"xml"})->Unit(benchmark::kMillisecond);

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
