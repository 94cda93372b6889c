// Memory pools, timers, blocking workers and T10-DIF guards beside their
// peers: glibc malloc/free, a std::priority_queue timer and ISA-L.
#include "mos_blocking.h"
#include "mos_cpu.h"
#include "mos_ds_hash.h"
#include "mos_fastlock.h"
#include "mos_mem.h"
#include "mos_mempool.h"
#include "mos_obj.h"
#include "mos_os_thread.h"
#include "mos_t10dif.h"
#include "mos_ticks.h"
#include "mos_timer.h"

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>

#include <atomic>
#include <cstdlib>
#include <queue>
#include <random>
#include <vector>

namespace {

void ensureLayers() {
    static const bool bUp = [] {
        bool bOk = mosUtilsLayer_Init(nullptr) == MOS_RC__SUCCESS &&
                   mosObjLayer_Init(nullptr) == MOS_RC__SUCCESS &&
                   mosHashLayer_Init(nullptr) == MOS_RC__SUCCESS &&
                   mosOsThrdLayer_Create(nullptr) == MOS_RC__SUCCESS &&
                   mosTicksLayer_Init(nullptr) == MOS_RC__SUCCESS &&
                   mosMemPoolLayer_Init(nullptr) == MOS_RC__SUCCESS &&
                   mosBlocking_LayerInit(nullptr) == MOS_RC__SUCCESS &&
                   mosCpu_Init(nullptr) == MOS_RC__SUCCESS;
        MosTimerParams timerParams{0, 1, 1}; // no poll thread: nothing fires meanwhile
        bOk = bOk && mosTimer_Init(&timerParams) == MOS_RC__SUCCESS;
        if (!bOk) {
            abort();
        }
        return true;
    }();
    (void)bUp;
}

// ---- pool allocate + free, against malloc + free ----

MosMemPool *benchPool() {
    static MosMemPool *pPool = [] {
        ensureLayers();
        static MosMemPool pool;
        if (mosMemPool_CreateEx(&pool, "bench", 664, 1024, 0, MOS_MEMPOOL_FLAG__FREE_LIST, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) != MOS_RC__SUCCESS) {
            abort();
        }
        return &pool;
    }();
    return pPool;
}

void BM_PoolAllocFree(benchmark::State &state) {
    MosMemPool *pPool = benchPool();
    for (auto _ : state) {
        void *pBlock = nullptr;
        if (mosMemPool_Alloc(pPool, &pBlock) != MOS_RC__SUCCESS) {
            state.SkipWithError("pool exhausted");
            break;
        }
        benchmark::DoNotOptimize(pBlock);
        mosMemPool_Free(pPool, pBlock);
    }
}
BENCHMARK(BM_PoolAllocFree)->Threads(1)->Threads(8);

void BM_MallocFree(benchmark::State &state) {
    for (auto _ : state) {
        void *pBlock = malloc(664);
        benchmark::DoNotOptimize(pBlock);
        free(pBlock);
    }
}
BENCHMARK(BM_MallocFree)->Threads(1)->Threads(8);

// The floor under a pool round trip: allocate and free each take the
// pool's fast lock once.
void BM_FastlockPair(benchmark::State &state) {
    ensureLayers();
    static MosFastlock lock;
    mosFastlock_Create(&lock);
    for (auto _ : state) {
        (void)mosFastlockBase_Acquire(&lock);
        mosFastlockBase_Release(&lock);
    }
}
BENCHMARK(BM_FastlockPair);

// ---- arm and abort 1,000,000 timer requests ----

constexpr size_t kTimerRequests = 1000000;

void noFire(MosTimerReq * /*pReq*/) {}

void BM_TimerArmAbort(benchmark::State &state) {
    ensureLayers();
    std::vector<MosTimerReq> reqs(kTimerRequests);
    for (MosTimerReq &r : reqs) {
        mosTimerReq_Init(&r, noFire);
    }
    for (auto _ : state) {
        for (MosTimerReq &r : reqs) {
            (void)mosTimerReq_AddByQ(&r, MOS_TIMER_QUEUE_ID__5MIN);
        }
        for (MosTimerReq &r : reqs) {
            benchmark::DoNotOptimize(mosTimerReq_Abort(&r));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kTimerRequests));
}
BENCHMARK(BM_TimerArmAbort)->Unit(benchmark::kMillisecond);

// The usual heap timer: a min-heap of (expiry, id) with abort by marking
// the id and dropping marked entries as they surface.
void BM_PriorityQueueArmAbort(benchmark::State &state) {
    using Entry = std::pair<uint64_t, uint32_t>;
    std::vector<uint8_t> aborted(kTimerRequests);
    for (auto _ : state) {
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap;
        uint64_t now = 1;
        for (uint32_t id = 0; id < kTimerRequests; id++) {
            heap.emplace(now++ + 300000, id);
            aborted[id] = 0;
        }
        for (uint32_t id = 0; id < kTimerRequests; id++) {
            aborted[id] = 1;
        }
        while (!heap.empty()) {
            benchmark::DoNotOptimize(aborted[heap.top().second]);
            heap.pop();
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kTimerRequests));
}
BENCHMARK(BM_PriorityQueueArmAbort)->Unit(benchmark::kMillisecond);

// ---- blocking worker: submit to completion callback ----

struct LatencyReq {
    MosBlockingReq req;
    std::atomic<int> done{0};
};

uint32_t nothing(void * /*pUserData*/, uint32_t * /*pFlowControl*/) {
    return 0;
}

void markDone(MosBlockingReq *pReq) {
    reinterpret_cast<LatencyReq *>(pReq)->done.store(1, std::memory_order_release);
}

void BM_BlockingSubmitToCallback(benchmark::State &state) {
    ensureLayers();
    LatencyReq r;
    for (auto _ : state) {
        mosBlockingReq_Init(&r.req, nothing, nullptr, markDone);
        r.done.store(0, std::memory_order_relaxed);
        (void)mosBlocking_SubmitWaitEx(nullptr, &r.req);
        while (r.done.load(std::memory_order_acquire) == 0) {
        }
    }
}
BENCHMARK(BM_BlockingSubmitToCallback)->UseRealTime();

// ---- T10-DIF guards ----

const std::vector<uint8_t> &randomData() {
    static const std::vector<uint8_t> data = [] {
        std::vector<uint8_t> d(1 << 20);
        std::mt19937 rng(7);
        for (uint8_t &b : d) {
            b = static_cast<uint8_t>(rng());
        }
        return d;
    }();
    return data;
}

template <uint16_t (*Fn)(uint16_t, const uint8_t *, size_t)>
void BM_T10Dif(benchmark::State &state) {
    ensureLayers();
    const auto &data = randomData();
    const auto length = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Fn(0, data.data(), length));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}

uint16_t isal(uint16_t seed, const uint8_t *pData, size_t length) {
    return crc16_t10dif(seed, pData, length);
}

BENCHMARK(BM_T10Dif<mos_generic_t10dif_crc>)
    ->Name("T10Dif_Table")
    ->Arg(512)
    ->Arg(4096)
    ->Arg(1 << 20);
BENCHMARK(BM_T10Dif<mosT10Dif_CrcPclmul>)->Name("T10Dif_Clmul")->Arg(512)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_T10Dif<isal>)->Name("T10Dif_Isal")->Arg(512)->Arg(4096)->Arg(1 << 20);

} // namespace

BENCHMARK_MAIN();
