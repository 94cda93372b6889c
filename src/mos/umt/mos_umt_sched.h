// The scheduler of user-mode threads: a fixed set of operating-system
// threads ("scheduler threads"), each with a ready queue, that run
// user-mode threads until they suspend, yield or end. A thread is placed on
// a scheduler thread by the scheduler's policy (mos_umt.h) or on the thread
// it is assigned to; it stays there until it suspends again.
//
// Each scheduler thread loops: take the next ready user-mode thread (or
// sleep until there is one) and switch to it. A user-mode thread that
// switches out hands the thread directly to the next ready one, or back to
// the loop when none is ready.
//
// Each scheduler is an object of type 13 on the debug port while the
// user-mode-thread object types are registered.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_os_thread.h"
#include "mos_rc.h"
#include "mos_umt.h"
#include "mos_umt_class.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OBJ_TYPE_UMT_SCHED_THRD = 13;
inline constexpr uint32_t MOS_UMT_SCHED_MAX_THRDS = 64;
inline constexpr uint32_t MOS_UMT_SCHED_NAME_SIZE = 32;
inline constexpr uint32_t MOS_UMT_DEFAULT_STACK_BYTES = 256 * 1024;

// The manager: every user-mode thread not yet deleted.
struct MosUmtMgr {
    MosFastlock lock;
    MosListAnchor activeList; // through MosUmt::activeUmtListNode
    MosUmtSched *pDefaultSched;
};
extern MosUmtMgr umtMgr_G;

// What an operating-system thread joining a user-mode thread waits on.
struct MosUmtSem;

struct MosUmtOsEvent {
    MosOSWCond cond;
    MosFastlock lock;
    uint32_t bSignalled;
};

struct MosUmtSchedThrdConf {
    uint32_t mode; // 1: the thread it runs counts in its depth
};

struct MosUmtSchedThrd {
    uint32_t bExcluded; // never chosen by a policy
    MosUmt *pRunningUmt;
    MosUmtSchedThrdConf *pConf;
    uint32_t qDepth[2]; // [0] ready queue; [1] unused here
    // Kept by the scheduler.
    MosUmtSched *pSched;
    uint32_t index;
    uint32_t bStop;
    uint32_t bIdle;
    MosFastlock lock; // guards readyList, qDepth, bIdle, bStop
    MosOSWCond cond;  // the loop sleeps here while nothing is ready
    MosListAnchor readyList;
    MosUmtSaveArea loopContext; // where a switch with nothing ready goes
    OsUmtFiber loopFiber;
    MosOsThrd osThrd;
    uint64_t localScheds;  // made ready by a thread of this scheduler thread
    uint64_t remoteScheds; // made ready from elsewhere
    uint64_t switches;
    char name[MOS_UMT_SCHED_NAME_SIZE];
};

typedef uint32_t (*MosUmtSetUserContextCK)(MosUmtSched *pSched, uint32_t contextMagic,
                                           uint64_t *pValue, MosUserContextCleanupCK pCleanupCK);
typedef uint32_t (*MosUmtGetUserContextCK)(MosUmtSched *pSched, uint32_t contextMagic,
                                           uint64_t *pValue);
typedef uint32_t (*MosUmtClearUserContextCK)(MosUmtSched *pSched, uint32_t contextMagic,
                                             uint32_t bDeferred);

// The scheduler's operations; the second entry switches the calling
// scheduler thread away from its current user-mode thread (never returns
// to the caller: the thread is resumed later through its saved context).
struct MosUmtSchedOps {
    void *pReserved;
    void (*pSwitchCK)(MosUmtSched *pSched);
};

struct MosUmtSched {
    const MosUmtSchedOps *pOps;
    MosUmtSchedThrd *pThrds;
    uint32_t numThrds;
    uint32_t depthThreshold;
    uint32_t rrCursor;
    MosUmtSetUserContextCK pSetUserContextCK;
    MosUmtGetUserContextCK pGetUserContextCK;
    MosUmtClearUserContextCK pClearUserContextCK;
    // Kept by the scheduler.
    const MosUmtSchedThrdPolicy *pPolicy;
    char name[MOS_UMT_SCHED_NAME_SIZE];
    MosUmtClass defaultClass; // of threads created without a class
    MosFastlock lock;         // guards numUmts
    MosOSWCond idleCond;      // broadcast when numUmts drops to 0
    uint32_t numUmts;         // created and not yet deleted
    uint32_t stackBytes;
    MosObjEntry objEntry; // type 13
};

#pragma pack(push, 1)
struct MosUmtSchedThrd_Query {
    char name[32];
    char schedPolicy[32];
    uint32_t numThrds;
    uint32_t numActiveThrds; // scheduler threads running a user-mode thread now
    uint32_t maxActive;      // deepest ready queue
    uint32_t minActive;      // shallowest ready queue
    uint32_t remoteScheds;   // made ready from outside the thread they were queued on
    uint32_t localSched;     // made ready by the thread they were queued on
    uint32_t remoteWaiters;  // user-mode threads of the scheduler not running nor ready
    uint32_t localWaiters;   // ready user-mode threads, all queues
};
#pragma pack(pop)
static_assert(sizeof(MosUmtSchedThrd_Query) == 96);
static_assert(offsetof(MosUmtSchedThrd_Query, numThrds) == 64);
static_assert(offsetof(MosUmtSchedThrd_Query, remoteScheds) == 80);
static_assert(offsetof(MosUmtSchedThrd_Query, remoteWaiters) == 88);

struct MosUmtSchedParams {
    const char *pName;       // at most 31 characters kept
    const char *pPolicyName; // "LEAST_Q_DEPTH", "LEAST_Q_DEPTH_FULL", "RR", "SOFT_AFFINITY"
    uint32_t numThrds;       // 1 to MOS_UMT_SCHED_MAX_THRDS
    uint32_t depthThreshold; // least-queue-depth: a thread this deep or less is good enough
    uint32_t stackBytes;     // of each user-mode thread; 0: MOS_UMT_DEFAULT_STACK_BYTES
};

// Starts the scheduler threads. MOS_RC__INVALID for an unknown policy, a
// thread count out of range or a stack under 16 KiB; MOS_RC__NO_RESOURCES
// when a thread or memory cannot be had (nothing is left running).
[[nodiscard]] MOS_RC mosUmtSched_Create(MosUmtSched *pSched, const MosUmtSchedParams *pParams);
// Waits until every user-mode thread of the scheduler has been deleted,
// then stops and joins its threads. Must not run on one of them.
void mosUmtSched_Destroy(MosUmtSched *pSched);
// Waits until no user-mode thread of the scheduler is left.
void mosUmtSched_WaitIdle(MosUmtSched *pSched);
uint32_t mosUmtSched_GetNumUmts(MosUmtSched *pSched);
// Excludes a scheduler thread from the policies' choices (or admits it
// again). At least one must stay admitted.
void mosUmtSched_SetExcluded(MosUmtSched *pSched, uint32_t thrdIdx, uint32_t bExcluded);

typedef void (*MosUmtRoutine)(void *pArg);

struct MosUmtCreateParams {
    MosUmtClass *pClass;       // null: the scheduler's default class
    uint32_t preferredThrdIdx; // start of the soft-affinity search
    uint32_t assignedThrdIdx;  // MOS_UMT_NO_THRD: chosen by policy
    uint32_t bJoinable;        // kept after it ends until mosUmt_Join
    uint32_t bMustMove;
    MosUmtSem *pJoinerSem; // joinable by a user-mode thread: incremented when it ends
};

// Creates a user-mode thread running pRoutine(pArg) and makes it ready.
// pParams may be null (no class, no assignment, not joinable). *ppUmt (may
// be null) is the handle, valid until the thread is deleted (for a
// joinable thread: until mosUmt_Join returns). MOS_RC__NO_RESOURCES when
// memory for it cannot be had; MOS_RC__INVALID for an assigned thread
// index out of range.
[[nodiscard]] MOS_RC mosUmt_Create(MosUmtSched *pSched, MosUmtRoutine pRoutine, void *pArg,
                                   const MosUmtCreateParams *pParams, MosUmt **ppUmt);
// Waits for a joinable thread to end and deletes it: on its semaphore when
// it was created with one (the caller must then be a user-mode thread),
// else on an event (the caller must be an operating-system thread that is
// not a scheduler thread).
void mosUmt_Join(MosUmt *pUmt);

// Registers / unregisters the object types 13 and 145.
void mosUmtSched_RegisterTypes();
void mosUmtSched_UnregisterTypes();
void mosUmtSched_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
