// Runtime-library core against its standard peers:
// - lock and unlock of the fast lock, pthread_mutex and std::mutex, alone
//   and with 2, 4 and 8 threads on one lock;
// - creating and joining an operating-system thread record against
//   std::thread;
// - insert, lookup and erase of the intrusive hash table against
//   std::unordered_map.
#include "mos_ds_hash.h"
#include "mos_fastlock.h"
#include "mos_mem.h"
#include "mos_obj.h"
#include "mos_os_thread.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

MosFastlock fastlock_G;
pthread_mutex_t pthreadMutex_G = PTHREAD_MUTEX_INITIALIZER;
std::mutex stdMutex_G;
uint64_t guarded_G = 0; // written only under the lock being measured

struct FastlockOps {
    static void lock() { mosFastlockBase_Acquire(&fastlock_G); }
    static void unlock() { mosFastlockBase_Release(&fastlock_G); }
};

struct PthreadOps {
    static void lock() { pthread_mutex_lock(&pthreadMutex_G); }
    static void unlock() { pthread_mutex_unlock(&pthreadMutex_G); }
};

struct StdMutexOps {
    static void lock() { stdMutex_G.lock(); }
    static void unlock() { stdMutex_G.unlock(); }
};

template <typename Ops> void BM_LockUnlock(benchmark::State &state) {
    for (auto _ : state) {
        Ops::lock();
        guarded_G++;
        Ops::unlock();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(BM_LockUnlock, FastlockOps)->Name("Lock/fastlock")->ThreadRange(1, 8);
BENCHMARK_TEMPLATE(BM_LockUnlock, PthreadOps)->Name("Lock/pthread_mutex")->ThreadRange(1, 8);
BENCHMARK_TEMPLATE(BM_LockUnlock, StdMutexOps)->Name("Lock/std_mutex")->ThreadRange(1, 8);

void emptyRoutine(void *) {}

void BM_ThreadCreateJoin_mosOsThrd(benchmark::State &state) {
    MosOsThrd thrd;
    for (auto _ : state) {
        if (mosOsThrd_Create(&thrd, emptyRoutine, nullptr, "bench") != MOS_RC__SUCCESS) {
            state.SkipWithError("thread creation failed");
            break;
        }
        mosOsThrd_Destroy(&thrd);
    }
}
BENCHMARK(BM_ThreadCreateJoin_mosOsThrd)->Name("ThreadCreateJoin/mosOsThrd")->UseRealTime();

void BM_ThreadCreateJoin_stdThread(benchmark::State &state) {
    for (auto _ : state) {
        std::thread([] {}).join();
    }
}
BENCHMARK(BM_ThreadCreateJoin_stdThread)->Name("ThreadCreateJoin/std_thread")->UseRealTime();

struct Item {
    MosHashRecord rec;
    uint64_t payload;
};

// Keys spread like object ids: consecutive numbers scaled by a stride.
uint64_t keyOf(int64_t i) {
    return static_cast<uint64_t>(i) * 7919;
}

// One round: insert n keys, look each up, erase each.
void BM_Hash_mosHash(benchmark::State &state) {
    const int64_t n = state.range(0);
    std::vector<Item> items(static_cast<size_t>(n));
    MosDsHash hash{};
    if (!mosHash_Create(&hash, static_cast<uint32_t>(n), MOS_HASH_METHOD_MASK, 0, nullptr,
                        nullptr)) {
        state.SkipWithError("no buckets");
        return;
    }
    for (auto _ : state) {
        for (int64_t i = 0; i < n; i++) {
            mosHash_Add(&hash, &items[i].rec, keyOf(i), &items[i]);
        }
        for (int64_t i = 0; i < n; i++) {
            void *pValue = nullptr;
            benchmark::DoNotOptimize(mosHash_GetValueByKey(&hash, keyOf(i), 0, &pValue));
        }
        for (int64_t i = 0; i < n; i++) {
            void *pValue = nullptr;
            benchmark::DoNotOptimize(
                mosHash_GetRecordByKey(&hash, keyOf(i), MOS_HASH_FLAG_REMOVE, &pValue));
        }
    }
    state.SetItemsProcessed(state.iterations() * n * 3);
    mosHash_Delete(&hash);
}
BENCHMARK(BM_Hash_mosHash)->Name("HashInsertLookupErase/mosHash")->Arg(1024)->Arg(65536);

void BM_Hash_unorderedMap(benchmark::State &state) {
    const int64_t n = state.range(0);
    std::vector<Item> items(static_cast<size_t>(n));
    std::unordered_map<uint64_t, Item *> map;
    map.reserve(static_cast<size_t>(n));
    for (auto _ : state) {
        for (int64_t i = 0; i < n; i++) {
            map.emplace(keyOf(i), &items[i]);
        }
        for (int64_t i = 0; i < n; i++) {
            benchmark::DoNotOptimize(map.find(keyOf(i)));
        }
        for (int64_t i = 0; i < n; i++) {
            benchmark::DoNotOptimize(map.erase(keyOf(i)));
        }
    }
    state.SetItemsProcessed(state.iterations() * n * 3);
}
BENCHMARK(BM_Hash_unorderedMap)
    ->Name("HashInsertLookupErase/std_unordered_map")
    ->Arg(1024)
    ->Arg(65536);

} // namespace

int main(int argc, char **argv) {
    // The layers a program brings up before it creates threads.
    if (mosUtilsLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosObjLayer_Init(nullptr) != MOS_RC__SUCCESS ||
        mosOsThrdLayer_Create(nullptr) != MOS_RC__SUCCESS) {
        return 1;
    }
    mosFastlock_Create(&fastlock_G);
    // The C library takes cheaper paths in a process that has never had a
    // second thread; every row is measured as the programs run, after one.
    std::thread([] {}).join();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
