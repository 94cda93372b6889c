#include "mos_os_thread.h"

#include "../core_layers.h"
#include "../test_support.h"
#include "mos_sys_utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What a started thread saw of itself while it ran.
struct Seen {
    uint32_t tid = 0;
    uint32_t numThreads = 0;
    uint32_t bIsCurrent = 0;
    bool bRegistered = false;
    bool bInActiveList = false;
    std::string name;
};

struct Probe {
    MosOsThrd *pThrd;
    Seen seen;
};

bool isRegistered(MosOsThrd *pThrd) {
    bool bFound = false;
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_OS_THRD);
    mosObjType_EnumStart(pType);
    for (MosObjEntry *pObj = mosObjType_EnumGetNextObj(pType); pObj != nullptr;
         pObj = mosObjType_EnumGetNextObj(pType)) {
        bFound |= pObj == &pThrd->objEntry;
    }
    mosObjType_EnumEnd(pType);
    return bFound;
}

bool isActive(MosOsThrd *pThrd) {
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.activeListLock);
    bool bFound = false;
    for (MosListNode *pNode = mosOsThrdLayer_G.activeList.pFirst; pNode != nullptr;
         pNode = mosList_Next(pNode)) {
        bFound |= pNode == &pThrd->activeListNode;
    }
    mosFastlockBase_Release(&mosOsThrdLayer_G.activeListLock);
    return bFound;
}

void probeRoutine(void *pArg) {
    auto *pProbe = static_cast<Probe *>(pArg);
    pProbe->seen.tid = mosOsThrd_GetCurrentTid();
    pProbe->seen.numThreads = mosOsThrd_GetNumThreads();
    pProbe->seen.bIsCurrent = mosOsThrd_IsCurrent(pProbe->pThrd);
    pProbe->seen.bRegistered = isRegistered(pProbe->pThrd);
    pProbe->seen.bInActiveList = isActive(pProbe->pThrd);
    pProbe->seen.name = pProbe->pThrd->name;
}

class OsThrdTest : public testing::Test {
  protected:
    void SetUp() override { mostest::EnsureCoreLayers(); }
};

TEST_F(OsThrdTest, RunningThreadIsListedCountedAndQueryable) {
    const uint32_t threadsBefore = mosOsThrd_GetNumThreads();
    MosOsThrd thrd;
    Probe probe{&thrd, {}};
    ASSERT_EQ(mosOsThrd_Create(&thrd, probeRoutine, &probe, "prober"), MOS_RC__SUCCESS);
    mosOsThrd_Destroy(&thrd);
    EXPECT_NE(probe.seen.tid, 0u);
    EXPECT_NE(probe.seen.tid, mosOsThrd_GetCurrentTid());
    EXPECT_EQ(thrd.tid, probe.seen.tid);
    EXPECT_EQ(probe.seen.numThreads, threadsBefore + 1);
    EXPECT_EQ(probe.seen.bIsCurrent, 1u);
    EXPECT_TRUE(probe.seen.bRegistered);
    EXPECT_TRUE(probe.seen.bInActiveList);
    EXPECT_EQ(probe.seen.name, "prober");
    EXPECT_EQ(mosOsThrd_IsCurrent(&thrd), 0u);
    EXPECT_EQ(mosOsThrd_GetNumThreads(), threadsBefore);
    EXPECT_FALSE(isRegistered(&thrd));
    EXPECT_FALSE(isActive(&thrd));
}

TEST_F(OsThrdTest, NamesAreCutTo31Characters) {
    struct Case {
        const char *pName;
        const char *pExpected;
    };
    for (Case c :
         {Case{"0123456789012345678901234567890123456789", "0123456789012345678901234567890"},
          Case{nullptr, ""}, Case{"", ""}}) {
        MosOsThrd thrd;
        Probe probe{&thrd, {}};
        ASSERT_EQ(mosOsThrd_Create(&thrd, probeRoutine, &probe, c.pName), MOS_RC__SUCCESS);
        mosOsThrd_Destroy(&thrd);
        EXPECT_EQ(probe.seen.name, c.pExpected);
    }
}

struct Hooks {
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
};

void onStart(void *pUserData) {
    static_cast<Hooks *>(pUserData)->starts++;
}

void onStop(void *pUserData) {
    static_cast<Hooks *>(pUserData)->stops++;
}

struct Gate {
    std::atomic<bool> bRunning{false};
    std::atomic<bool> bRelease{false};
};

void gatedRoutine(void *pArg) {
    auto *pGate = static_cast<Gate *>(pArg);
    pGate->bRunning = true;
    while (!pGate->bRelease) {
        mos_NanoSleep(1000000);
    }
}

// A container registered while a thread runs sees that thread's end but
// not its start; threads started later hit both.
TEST_F(OsThrdTest, CallbacksSeeOnlyThreadsStartedAfterRegistration) {
    Hooks hooks;
    MosOsThrdCKs container{};
    container.pStartCK = onStart;
    container.pStopCK = onStop;
    container.pUserData = &hooks;

    Gate gate;
    MosOsThrd early;
    ASSERT_EQ(mosOsThrd_Create(&early, gatedRoutine, &gate), MOS_RC__SUCCESS);
    while (!gate.bRunning) {
        mos_NanoSleep(1000000);
    }
    mosOsThrd_RegisterCKs(&container);
    gate.bRelease = true;
    mosOsThrd_Destroy(&early);
    EXPECT_EQ(hooks.starts, 0);
    EXPECT_EQ(hooks.stops, 1);

    MosOsThrd later;
    Probe probe{&later, {}};
    ASSERT_EQ(mosOsThrd_Create(&later, probeRoutine, &probe), MOS_RC__SUCCESS);
    mosOsThrd_Destroy(&later);
    EXPECT_EQ(hooks.starts, 1);
    EXPECT_EQ(hooks.stops, 2);
    mosOsThrd_UnRegisterCKs(&container);

    MosOsThrd after;
    ASSERT_EQ(mosOsThrd_Create(&after, probeRoutine, &probe), MOS_RC__SUCCESS);
    mosOsThrd_Destroy(&after);
    EXPECT_EQ(hooks.starts, 1);
}

struct CountingWork {
    void *kept[2] = {};
    Gate gate;
};

// Leaves two allocations and some waits counted, then holds at the gate
// so that its record stays registered while the test reads the queries.
void countingRoutine(void *pArg) {
    auto *pWork = static_cast<CountingWork *>(pArg);
    pWork->kept[0] = mos_MemMallocBare(10, MOS_MEM_MAX_SIZE, "countingRoutine", false);
    pWork->kept[1] = mos_MemMallocBare(10, MOS_MEM_MAX_SIZE, "countingRoutine", false);
    mos_MemFreeBare(mos_MemMallocBare(10, MOS_MEM_MAX_SIZE, "countingRoutine", false));
    mosOsThrd_UpdateWaiters(MOS_OS_THRD_WAIT_YIELD, true);
    mosOsThrd_UpdateWaiters(MOS_OS_THRD_WAIT_COND, true);
    mosOsThrd_UpdateWaiters(MOS_OS_THRD_WAIT_COND, true);
    mosOsThrd_UpdateWaiters(MOS_OS_THRD_WAIT_COND, false);
    mosOsThrd_UpdateWaiters(MOS_OS_THRD_WAIT_EVENT, true);
    gatedRoutine(&pWork->gate);
}

MosOsThrdLayer_Query queryTotals() {
    MosObjType *pLayerType = mosObjType_GetById(MOS_OBJ_TYPE_OS_THRD_LAYER);
    MosObjEntry *pLayerObj = mosObjType_EnumStartAtIndex(pLayerType, 0);
    EXPECT_NE(pLayerObj, nullptr);
    mosObjType_EnumEnd(pLayerType);
    MosOsThrdLayer_Query totals;
    memset(&totals, 0xEE, sizeof totals);
    mosObj_Query(pLayerObj, pLayerType, &totals);
    return totals;
}

TEST_F(OsThrdTest, QueriesCountPerThreadAndTotalOnlyCreatedThreads) {
    MosObjType *pThrdType = mosObjType_GetById(MOS_OBJ_TYPE_OS_THRD);
    ASSERT_NE(pThrdType, nullptr);
    ASSERT_NE(mosObjType_GetById(MOS_OBJ_TYPE_OS_THRD_LAYER), nullptr);
    EXPECT_EQ(mosObjType_GetQueryDataSize(mosObjType_GetById(MOS_OBJ_TYPE_OS_THRD_LAYER)), 56u);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pThrdType), 32u);

    const uint64_t mainBefore = thrdDummy_G.numMallocs;
    void *pMainBlock = mos_MemMallocBare(10, MOS_MEM_MAX_SIZE, "main", false);
    EXPECT_EQ(thrdDummy_G.numMallocs, mainBefore + 1);
    MosOsThrdLayer_Query totals = queryTotals();
    const MosOsThrdLayer_Query zero{};
    EXPECT_EQ(memcmp(&totals, &zero, sizeof totals), 0) << "the main thread is in no total";

    CountingWork work;
    MosOsThrd thrd;
    ASSERT_EQ(mosOsThrd_Create(&thrd, countingRoutine, &work), MOS_RC__SUCCESS);
    while (!work.gate.bRunning) {
        mos_NanoSleep(1000000);
    }
    MosOsThrd_Query one;
    mosObj_Query(&thrd.objEntry, pThrdType, &one);
    EXPECT_EQ(one.tid, thrd.tid);
    EXPECT_EQ(one.numMallocs, 2u);
    EXPECT_EQ(one.numLocksAcquires + one.numLocksContentions, 0u);
    totals = queryTotals();
    EXPECT_EQ(totals.mallocs, 2u);
    EXPECT_EQ(totals.yielders, 1u);
    EXPECT_EQ(totals.condWaiters, 1u);
    EXPECT_EQ(totals.eventWaiters, 1u);
    EXPECT_EQ(totals.readWaiters + totals.writeWaiters + totals.pendingTimedActions, 0u);
    work.gate.bRelease = true;
    mosOsThrd_Destroy(&thrd);
    totals = queryTotals();
    EXPECT_EQ(totals.mallocs, 0u);
    mos_MemFreeBare(work.kept[0]);
    mos_MemFreeBare(work.kept[1]);
    mos_MemFreeBare(pMainBlock);
}

TEST_F(OsThrdTest, NoInterruptSectionsNeverViolateHere) {
    EXPECT_EQ(mosOsThrd_NoIntrViolation(), 1u);
}

// Writes into a page that allows no access.
void crashByFaultingWrite() {
    auto *pPage = static_cast<volatile uint8_t *>(mos_VirtualAllocLarge(4096));
    mos_MarkPageNotAvailable(const_cast<uint8_t *>(pPage));
    pPage[0] = 1;
}

// From the thread layer's start on, a crash reaches the debug layer's
// filter, which reports it and ends the process with -1.
TEST(OsThrdDeathTest, LayerHandsCrashesToTheExceptionFilter) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    EXPECT_EXIT((mostest::StdoutToStderr(), mosOsThrdLayer_Destroy(),
                 (void)mosOsThrdLayer_Create(nullptr), crashByFaultingWrite()),
                mostest::ExitedWithMinusOne, "Unhandled exception caught\\. Exception code ");
}

TEST(OsThrdDeathTest, BrokenInvariantsStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    MosOsThrdCKs container{};
    EXPECT_EXIT((mostest::StdoutToStderr(), mosOsThrd_UnRegisterCKs(&container)),
                mostest::ExitedWithMinusOne,
                "Expression \\(&pContainer->node\\)->pPrev != \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosOsThrd_RegisterCKs(&container),
                 mosOsThrd_RegisterCKs(&container)),
                mostest::ExitedWithMinusOne,
                "Expression \\(&pContainer->node\\)->pPrev == \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT(
        (mostest::StdoutToStderr(), mosOsThrd_RegisterCKs(&container), mosOsThrdLayer_Destroy()),
        mostest::ExitedWithMinusOne,
        "Expression \\(\\(&mosOsThrdLayer_G\\.CKsList\\)->counter\\) == 0 \\.");
}

} // namespace

#include "../trace_fixture.h"

namespace {

class OsThrdTraceTest : public mostest::LogDirFixture {};

TEST_F(OsThrdTraceTest, StartOfEveryThreadIsTracedWithNameAndId) {
    MosTrcParams params = TextTraceParams(false);
    ASSERT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
    uint32_t tids[2] = {};
    for (int i = 0; i < 2; i++) {
        MosOsThrd thrd;
        Probe probe{&thrd, {}};
        ASSERT_EQ(mosOsThrd_Create(&thrd, probeRoutine, &probe, i == 0 ? "tracer" : nullptr),
                  MOS_RC__SUCCESS);
        mosOsThrd_Destroy(&thrd);
        tids[i] = thrd.tid;
    }
    mosTrcLayer_Destroy();
    const std::string text = ReadFile("trc.0");
    EXPECT_NE(text.find("mosOsThrd_StartFunc:"), std::string::npos) << text;
    EXPECT_NE(text.find("Starting thread (tracer) tid " + std::to_string(tids[0]) + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Starting thread () tid " + std::to_string(tids[1]) + "\n"),
              std::string::npos)
        << text;
}

} // namespace
