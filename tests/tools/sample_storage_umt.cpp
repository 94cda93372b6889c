#include "sample_storage_umt.h"

#include "mos_umt_sched.h"
#include "mos_umt_semaphore.h"
#include "os_thread.h"

#include <deque>

namespace {

struct SampleSched {
    MosUmtSched sched;
    MosUmtClass umtClass;
    MosUmtSem sem;
    std::string name;
};

// Never destroyed: the process ends with its waiters still waiting.
std::deque<SampleSched> scheds_G;

void waitForever(void *pArg) {
    (void)mosUmtSem_DecTimed(static_cast<MosUmtSem *>(pArg), 1, 0);
}

uint32_t numWaiting(MosUmtSem *pSem) {
    mosFastlockBase_Acquire(&pSem->lock);
    uint32_t n = pSem->cond.waitersList.counter;
    mosFastlockBase_Release(&pSem->lock);
    return n;
}

// Every waiter queued and every scheduler thread idle again.
bool settled(SampleSched &s, uint32_t numWaiters) {
    if (numWaiting(&s.sem) != numWaiters) {
        return false;
    }
    for (uint32_t i = 0; i < s.sched.numThrds; ++i) {
        if (__atomic_load_n(&s.sched.pThrds[i].pRunningUmt, __ATOMIC_RELAXED) != nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string sampleUmt_Command(std::istringstream &args) {
    std::string name;
    std::string policy;
    uint32_t numThrds = 0;
    uint32_t numWaiters = 0;
    if (!(args >> name >> policy >> numThrds >> numWaiters)) {
        return "error: umt <name> <policy> <threads> <waiters>";
    }
    SampleSched &s = scheds_G.emplace_back();
    s.name = name;
    MosUmtSchedParams params = {s.name.c_str(), policy.c_str(), numThrds, 0, 0};
    MOS_RC rc = mosUmtSched_Create(&s.sched, &params);
    if (rc != MOS_RC__SUCCESS) {
        scheds_G.pop_back();
        return "error: scheduler not started, rc " + std::to_string(rc);
    }
    mosUmtClass_Init(&s.umtClass, (name + "-class").c_str());
    mosUmtSem_Init(&s.sem);
    MosUmtCreateParams create = {&s.umtClass, 0, MOS_UMT_NO_THRD, 0, 0};
    for (uint32_t i = 0; i < numWaiters; ++i) {
        if (mosUmt_Create(&s.sched, waitForever, &s.sem, &create, nullptr) != MOS_RC__SUCCESS) {
            return "error: user-mode thread not created";
        }
    }
    while (!settled(s, numWaiters)) {
        osThread_SleepMs(1);
    }
    return "ok";
}
