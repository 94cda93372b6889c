// User-mode threads against operating-system threads:
// - the raw save and restore of a machine context;
// - a context switch: two user-mode threads on one scheduler thread that
//   yield to each other;
// - a ping-pong over two semaphores between two user-mode threads (on one
//   scheduler thread, and on two), against two std::threads passing the
//   turn with std::mutex and std::condition_variable.
// Each figure is per round trip (two hand-offs) unless named otherwise.
#include "mos_mem.h"
#include "mos_obj.h"
#include "mos_os_thread.h"
#include "mos_ticks.h"
#include "mos_umt_sched.h"
#include "mos_umt_semaphore.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace {

void BM_SaveRestoreContext(benchmark::State &state) {
    MosUmtSaveArea area;
    for (auto _ : state) {
        if (mosUmt_SaveContext(&area) == 0) {
            mosUmt_RestoreContext(&area);
        }
    }
}
BENCHMARK(BM_SaveRestoreContext)->Name("Context/save_restore");

struct Sched {
    MosUmtSched sched = {};
    explicit Sched(uint32_t numThrds) {
        MosUmtSchedParams params = {"bench", "RR", numThrds, 0, 64 * 1024};
        if (mosUmtSched_Create(&sched, &params) != MOS_RC__SUCCESS) {
            abort();
        }
    }
    ~Sched() { mosUmtSched_Destroy(&sched); }
    void Run(MosUmtRoutine pA, MosUmtRoutine pB, void *pArg, uint32_t thrdA, uint32_t thrdB) {
        MosUmtCreateParams a = {nullptr, 0, thrdA, 0, 0};
        MosUmtCreateParams b = {nullptr, 0, thrdB, 0, 0};
        if (mosUmt_Create(&sched, pA, pArg, &a, nullptr) != MOS_RC__SUCCESS ||
            mosUmt_Create(&sched, pB, pArg, &b, nullptr) != MOS_RC__SUCCESS) {
            abort();
        }
        mosUmtSched_WaitIdle(&sched);
    }
};

void yieldLoop(void *pArg) {
    const auto n = *static_cast<int64_t *>(pArg);
    for (int64_t i = 0; i < n; i++) {
        mosUmt_Yield();
    }
}

// Each yield hands the scheduler thread to the other user-mode thread.
void BM_UmtYieldSwitch(benchmark::State &state) {
    Sched s(1);
    int64_t n = state.range(0);
    for (auto _ : state) {
        s.Run(yieldLoop, yieldLoop, &n, 0, 0);
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
    state.counters["ns_per_switch"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 2 * n),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_UmtYieldSwitch)->Name("Switch/umt_yield")->Arg(10000)->UseRealTime();

struct PingPong {
    MosUmtSem ping;
    MosUmtSem pong;
    int64_t rounds;
};

void pinger(void *pArg) {
    auto *p = static_cast<PingPong *>(pArg);
    for (int64_t i = 0; i < p->rounds; i++) {
        mosUmtSem_IncInter(&p->ping, 1, 0);
        (void)mosUmtSem_DecTimed(&p->pong, 1, 0);
    }
}

void ponger(void *pArg) {
    auto *p = static_cast<PingPong *>(pArg);
    for (int64_t i = 0; i < p->rounds; i++) {
        (void)mosUmtSem_DecTimed(&p->ping, 1, 0);
        mosUmtSem_IncInter(&p->pong, 1, 0);
    }
}

// range(0): rounds; range(1): scheduler threads (1: both on one thread).
void BM_UmtSemPingPong(benchmark::State &state) {
    const auto numThrds = static_cast<uint32_t>(state.range(1));
    Sched s(numThrds);
    PingPong p;
    mosUmtSem_Init(&p.ping);
    mosUmtSem_Init(&p.pong);
    p.rounds = state.range(0);
    for (auto _ : state) {
        s.Run(pinger, ponger, &p, 0, numThrds - 1);
    }
    mosUmtSem_Destroy(&p.ping);
    mosUmtSem_Destroy(&p.pong);
    state.SetItemsProcessed(state.iterations() * p.rounds);
}
BENCHMARK(BM_UmtSemPingPong)
    ->Name("PingPong/umt_sem")
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->UseRealTime();

// The peer: two threads passing a turn flag under a mutex and a condition
// variable.
void BM_StdThreadCondvarPingPong(benchmark::State &state) {
    const int64_t rounds = state.range(0);
    for (auto _ : state) {
        std::mutex m;
        std::condition_variable cv;
        int turn = 0;
        std::thread other([&] {
            for (int64_t i = 0; i < rounds; i++) {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return turn == 1; });
                turn = 0;
                cv.notify_one();
            }
        });
        for (int64_t i = 0; i < rounds; i++) {
            std::unique_lock<std::mutex> lock(m);
            turn = 1;
            cv.notify_one();
            cv.wait(lock, [&] { return turn == 0; });
        }
        other.join();
    }
    state.SetItemsProcessed(state.iterations() * rounds);
}
BENCHMARK(BM_StdThreadCondvarPingPong)
    ->Name("PingPong/std_thread_condvar")
    ->Arg(10000)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    // The layers a program brings up before it starts schedulers.
    if (mosUtilsLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosObjLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosOsThrdLayer_Create(nullptr) != MOS_RC__SUCCESS ||
        mosTicksLayer_Init(nullptr) != MOS_RC__SUCCESS) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
