// A scheduler for the user-mode-thread tests, and a way to run a lambda
// inside a user-mode thread and wait for it.
#pragma once

#include "../core_layers.h"
#include "mos_timer.h"
#include "mos_umt_sched.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <vector>

namespace mostest {

inline void RunLambda(void *pArg) {
    (*static_cast<std::function<void()> *>(pArg))();
}

class UmtTest : public testing::Test {
  protected:
    void SetUp() override {
        EnsureCoreLayers();
        ASSERT_EQ(mosTimer_Init(nullptr), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        if (bSchedUp_) {
            mosUmtSched_Destroy(&sched_);
        }
        mosTimer_Destroy();
    }

    void StartSched(const char *pPolicy, uint32_t numThrds, uint32_t depthThreshold = 0) {
        MosUmtSchedParams params = {"test-sched", pPolicy, numThrds, depthThreshold, 0};
        ASSERT_EQ(mosUmtSched_Create(&sched_, &params), MOS_RC__SUCCESS);
        bSchedUp_ = true;
    }

    // Starts fn in a user-mode thread; the lambda must outlive it.
    MosUmt *Start(std::function<void()> *pFn, uint32_t assignedThrdIdx = MOS_UMT_NO_THRD,
                  uint32_t bJoinable = 1) {
        MosUmtCreateParams params = {nullptr, 0, assignedThrdIdx, bJoinable, 0};
        MosUmt *pUmt = nullptr;
        EXPECT_EQ(mosUmt_Create(&sched_, RunLambda, pFn, &params, &pUmt), MOS_RC__SUCCESS);
        return pUmt;
    }

    // Runs fn in a user-mode thread and waits until it has ended.
    void RunInUmt(std::function<void()> fn) { mosUmt_Join(Start(&fn)); }

    // Runs the functions in user-mode threads on scheduler thread thrdIdx,
    // all queued before any of them runs (a first thread holds the
    // scheduler thread until then), and waits until they have ended.
    void RunQueuedTogether(std::initializer_list<std::function<void()> *> fns,
                           uint32_t thrdIdx = 1) {
        std::atomic<bool> bGo{false};
        std::function<void()> blocker = [&] {
            while (!bGo.load()) {
            }
        };
        MosUmt *pBlocker = Start(&blocker, thrdIdx);
        std::vector<MosUmt *> umts;
        for (std::function<void()> *pFn : fns) {
            umts.push_back(Start(pFn, thrdIdx));
        }
        bGo = true;
        mosUmt_Join(pBlocker);
        for (MosUmt *pUmt : umts) {
            mosUmt_Join(pUmt);
        }
    }

    MosUmtSched sched_ = {};
    bool bSchedUp_ = false;
};

} // namespace mostest
