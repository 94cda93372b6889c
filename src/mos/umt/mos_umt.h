// User-mode threads: cooperative threads that run on the operating-system
// threads of a scheduler (umt/mos_umt_sched.h). A user-mode thread runs
// until it suspends itself on a lock, yields or ends; it is switched by
// saving and restoring its machine context (os_umt_context.h).
//
// This header holds the record, its state machine, the current-thread
// queries, suspend, resume, yield and deletion, the policies that choose a
// scheduler thread, and the forwarding of user contexts. It also carries
// the non-suspendable bracket that every fast-lock acquisition enters: on a
// thread that runs no user-mode thread (umtTls_G.pUmt null) it does
// nothing.
#pragma once

#include "mos_list.h"
#include "mos_lock_annotations.h"
#include "mos_timer_req.h"
#include "os_umt_context.h"

#include <cstdint>

enum MosUmtState : uint32_t {
    MOS_UMT_STATE__RUNNING = 2,
    MOS_UMT_STATE__READY = 3,
    MOS_UMT_STATE__SUSPENDING = 4,
    MOS_UMT_STATE__SUSPENDED = 5,
    MOS_UMT_STATE__PREPARE_TO_DELETE = 6,
    MOS_UMT_STATE__YIELDING = 7,
    MOS_UMT_STATE__DELETED = 8,
};

inline constexpr uint32_t MOS_UMT_NO_THRD = 0xFFFFFFFF;

struct MOS_CAPABILITY("mutex") MosFastlock;
struct MosUmt;
struct MosUmtCond;
struct MosUmtClass;
struct MosUmtSched;
struct MosUmtSchedThrd;

// Owner operations: the second entry runs when the thread is deleted (on
// another context than its own); it may free the record.
struct MosUmtOwnerOps {
    void *pReserved;
    void (*pDeleteDoneCK)(const MosUmtOwnerOps *pOps, MosUmt *pUmt);
};

// Scheduler-thread operations: enqueue by the scheduler's policy, and
// (optional, may be null) enqueue on the given scheduler thread.
struct MosUmtSchedThrdOps {
    void (*pEnqueueCK)(const MosUmtSchedThrdOps *pOps, MosUmt *pUmt, uint32_t thrdIdx);
    void (*pEnqueueOnThrdCK)(const MosUmtSchedThrdOps *pOps, MosUmt *pUmt, uint32_t thrdIdx);
};

// An operating-system event a joiner waits on (pJoinerSem with bit 0 set).
struct MosUmtOsEvent;

// Link of a thread in its class's list.
struct MosUmtClassRefNode {
    MosListNode node;
    MosUmtClass *pClass;
};

// The record; memory owned by the scheduler that creates it.
struct MosUmt {
    uint32_t nonSuspendable; // fast locks held by this user-mode thread
    uint32_t bAlwaysSuspendable;
    MosListNode waitNode; // in a condition's waiters list
    void *pClearedAtDeletion;
    MosUmtCond *pWaitCond;  // the condition it waits on
    MosFastlock *pWaitLock; // the lock it held when it began to wait
    uint32_t wakeState;     // MOS_UMT_WAKE__*
    uint32_t weightWanted;  // weight still wanted by its wait
    uint64_t waitId;        // 0: none
    const MosUmtOwnerOps *pOwnerOps;
    const MosUmtSchedThrdOps *pSchedThrdOps;
    MosTimerReq timerReq;      // of a timed wait
    MosFastlock *pSuspendLock; // while suspending or suspended
    uintptr_t stackLow;        // lowest address of its stack
    MosUmtSaveArea *pSavedContext;
    void *pJoinerSem; // MosUmtSem, or (bit 0 set) a MosUmtOsEvent
    uint32_t joinerCount;
    uint32_t state;
    uint32_t suspendCount;
    uint32_t bMustMove;
    uint64_t runStartTicks;
    MosListNode activeUmtListNode;
    MosUmtClassRefNode classRefNode;
    uint32_t preferredThrdIdx;
    uint32_t assignedThrdIdx; // MOS_UMT_NO_THRD for none
    uint64_t readySinceMs;
    // Kept by the scheduler that runs it.
    MosUmtSched *pSched;
    MosListNode readyNode; // in its scheduler thread's ready queue
    OsUmtFiber fiber;
    MosUmtSaveArea startContext; // the prepared context of its first run
};

struct MosUmtTls {
    MosUmt *pUmt;                   // the user-mode thread running on this thread, or null
    MosUmtSched *pCurSched;         // null: the default scheduler
    MosUmtSchedThrd *pCurSchedThrd; // null on threads of no scheduler
};

extern thread_local constinit MosUmtTls umtTls_G;

// Raises the running user-mode thread's nonSuspendable count; nothing when
// the thread runs none. Inline: every fast-lock acquisition passes here.
inline void mosUmt_SetNonSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        pUmt->nonSuspendable++;
    }
}

// A release with a count of 0: a broken invariant.
[[noreturn]] void mosUmt_SuspendableUnderflow();

// Lowers it again; a count of 0 is a broken invariant.
inline void mosUmt_SetSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        if (pUmt->nonSuspendable == 0) {
            mosUmt_SuspendableUnderflow();
        }
        pUmt->nonSuspendable--;
    }
}

// Fast-lock acquisition and release for code that may suspend in between.
// A user-mode thread may resume on another operating-system thread, and a
// compiler may keep the address of a thread-local variable in a register
// across a call; these are out of line, so every call computes the
// addresses afresh on the thread that runs it. Code that suspends between
// taking and releasing a lock (the lock is the suspend lock) uses these in
// place of the inline operations.
void mosUmt_AcquireLock(MosFastlock *pLock) MOS_ACQUIRE(pLock);
void mosUmt_ReleaseLock(MosFastlock *pLock) MOS_RELEASE(pLock);

// ---- the current user-mode thread ----

// The running user-mode thread's handle as trace lines and records carry
// it; 0 on a thread that runs none.
inline uint64_t mosUmt_GetCurrentHandle() {
    return reinterpret_cast<uintptr_t>(umtTls_G.pUmt);
}

// The current user-mode thread; none is a broken invariant.
MosUmt *mosUmt_GetUThreadHdl();
// 1 when the current user-mode thread (which must exist) is running.
uint32_t mosUmt_IsRunning();
// 0 when a current thread, not always suspendable, holds a fast lock.
uint32_t mosUmt_IsSuspendable();
// mosUmt_IsSuspendable as a broken invariant.
void mosUmt_AssertSuspendable();
// Bytes between the caller's stack position and the stack's low end.
uint64_t mosUmt_GetStackSpaceLeftInBs();
MosUmtSched *mosUmt_GetCurSched();
MosUmtSchedThrd *mosUmt_GetCurSchedThrd();
MosUmtSched *mosUmtSched_GetDefault();

// ---- switching ----

// Waiter kinds are those of the thread layer (MOS_OS_THRD_WAIT_*). The
// caller holds exactly pSuspendLock (unless always suspendable); it holds it
// again on return, after another context resumed the thread.
void mosUmt_SuspendUThread(MosFastlock *pSuspendLock, uint32_t waiterKind);
// Finishes the switch-out of the thread that ran before on this thread.
void mosUmt_FinalizeSuspend();
// The thread must be suspended; makes it ready.
void mosUmt_ResumeUThread(MosUmt *pUmt);
void mosUmt_Sched(MosUmt *pUmt);
// Goes to the back of the ready queue.
void mosUmt_Yield();
// For a thread that ended: wakes its joiner, or (no joiners left) deletes it.
void mosUmt_DeleteDone(MosUmt *pUmt);
// Link into / out of the manager's active list, under its lock.
void mosUmt_AddToActiveList(MosUmt *pUmt);
void mosUmt_RmvFromActiveList(MosUmt *pUmt);
uint32_t mosUmt_GetMustMove(const MosUmt *pUmt);

// ---- choosing a scheduler thread ----

typedef MosUmtSchedThrd *(*MosUmtSchedThrdPolicyFn)(MosUmtSched *pSched, MosUmt *pUmt);
struct MosUmtSchedThrdPolicy {
    const char *pName;
    MosUmtSchedThrdPolicyFn pFunc;
};
inline constexpr uint32_t MOS_UMT_SCHED_POLICIES = 4;
extern const MosUmtSchedThrdPolicy mosUmtSchedThrdPolicies_G[MOS_UMT_SCHED_POLICIES];
// The policy of that name, or null.
const MosUmtSchedThrdPolicy *mosUmtSchedThrd_FindPolicy(const char *pName);

MosUmtSchedThrd *mosUmtSchedThrd_LeastQDepth(MosUmtSched *pSched, MosUmt *pUmt);
MosUmtSchedThrd *mosUmtSchedThrd_RoundRobin(MosUmtSched *pSched, MosUmt *pUmt);
MosUmtSchedThrd *mosUmtSchedThrd_SoftAffinity(MosUmtSched *pSched, MosUmt *pUmt);

// ---- user contexts, forwarded to the scheduler (null: the default) ----

typedef void (*MosUserContextCleanupCK)(uint32_t contextMagic, uint64_t value);

[[nodiscard]] uint32_t mosUmtSched_SetUserContext(MosUmtSched *pSched, uint32_t contextMagic,
                                                  uint64_t *pValue,
                                                  MosUserContextCleanupCK pCleanupCK);
[[nodiscard]] uint32_t mosUmtSched_GetUserContext(MosUmtSched *pSched, uint32_t contextMagic,
                                                  uint64_t *pValue);
[[nodiscard]] uint32_t mosUmtSched_ClearUserContext(MosUmtSched *pSched, uint32_t contextMagic,
                                                    uint32_t bDeferred);
[[nodiscard]] uint32_t mosUmt_SetUserContext(uint32_t contextMagic, uint64_t *pValue,
                                             MosUserContextCleanupCK pCleanupCK);
[[nodiscard]] uint32_t mosUmt_GetUserContext(uint32_t contextMagic, uint64_t *pValue);
[[nodiscard]] uint32_t mosUmt_ClearUserContext(uint32_t contextMagic, uint32_t bDeferred);

// ---- backtraces ----

void mosUmt_SetBacktraceMode(uint32_t bEnabled);
// Walks the active list; backtraces of other stacks are not supported on
// this platform, so nothing is printed.
void mosUmt_PrintAllBacktraces();
