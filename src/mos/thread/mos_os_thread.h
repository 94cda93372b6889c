// Operating-system threads of the runtime library.
//
// Every thread the runtime or the viewer starts is created here into a
// caller-owned MosOsThrd. The layer keeps the list of running threads,
// lets components hook every thread's start and end, counts per thread the
// allocations and the waits of its user-mode threads, and publishes one
// object per running thread (type 4) and one with the totals (type 2).
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"
#include "mos_rc.h"
#include "mos_user_context.h"
#include "os_thread.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OS_THRD_NAME_SIZE = 32; // 31 characters and NUL
inline constexpr uint32_t MOS_OS_THRD_STACK_BYTES = 0x100000;
inline constexpr uint32_t MOS_OBJ_TYPE_OS_THRD_LAYER = 2;
inline constexpr uint32_t MOS_OBJ_TYPE_OS_THRD = 4;

// Kinds of wait of a user-mode thread, indexes of MosOsThrd::waiters.
enum MosOsThrdWaiterKind : uint32_t {
    MOS_OS_THRD_WAIT_COND = 0,
    MOS_OS_THRD_WAIT_READ_LOCK = 1,
    MOS_OS_THRD_WAIT_WRITE_LOCK = 2,
    MOS_OS_THRD_WAIT_YIELD = 3,
    MOS_OS_THRD_WAIT_EVENT = 4,
    MOS_OS_THRD_WAIT_KINDS = 5,
};

typedef void (*MosOsThrdRoutine)(void *pArg);

// One created thread; memory owned by the creator until mosOsThrd_Destroy
// returns.
struct MosOsThrd {
    MosObjEntry objEntry; // registered under type 4 while the thread runs
    OsThreadHandle hThread;
    MosOsThrdRoutine pRoutine;
    void *pArg;
    uint32_t tid;              // written by the new thread before anything else runs
    uint64_t numLocksAcquires; // nothing advances them here
    uint64_t numLocksContentions;
    uint64_t numMallocs; // allocations minus frees made by the thread
    uint64_t waiters[MOS_OS_THRD_WAIT_KINDS];
    MosListNode activeListNode;
    MosFastlock lock;
    char name[MOS_OS_THRD_NAME_SIZE];
    // The thread's user contexts: set up when it starts, cleared (their
    // clean-up callbacks run) when its routine returns. The shared dummy
    // record's array is locked, since every foreign thread uses it.
    MosUserContextArr userContexts;
    MosUserContextSlot userContextSlots[MOS_USER_CONTEXT_THRD_SLOTS];
};

// The record of the calling thread; threads this layer did not start point
// at one shared dummy record.
extern thread_local constinit MosOsThrd *pTlsThrd_G;
extern MosOsThrd thrdDummy_G;

typedef void (*MosOsThrdCK)(void *pUserData);

// Start and stop hooks of a component (memory owned by it). They run with
// the callbacks lock held: they must not register containers nor wait for
// a thread that is starting or ending.
struct MosOsThrdCKs {
    MosListNode node;
    MosOsThrdCK pStartCK; // may be null
    MosOsThrdCK pStopCK;  // may be null
    void *pUserData;
};

// Layer settings: a slice of the initialisation-parameter block.
struct MosOsThrdParams {
    int64_t numa_affinity; // processor group of the initialising thread; -1: leave it
    uint32_t numa_memory_affinity;
    uint32_t config_oom_killer;
    uint32_t dbg_enable_core;
};

struct MosOsThrdLayer {
    MosObjType thrdObjType;  // type 4
    MosObjType layerObjType; // type 2
    MosObjEntry layerObj;
    uint64_t defaultAffinityMask;
    MosFastlock activeListLock;
    MosListAnchor activeList;
    uint32_t OSThreadCounter; // threads inside their start routine
    MosListAnchor CKsList;
    MosFastlock CKsLock;
};

extern MosOsThrdLayer mosOsThrdLayer_G;

#pragma pack(push, 1)
struct MosOsThrd_Query {
    uint64_t tid;
    uint64_t numLocksAcquires;
    uint64_t numLocksContentions;
    uint64_t numMallocs;
};
struct MosOsThrdLayer_Query {
    uint64_t yielders;
    uint64_t readWaiters;
    uint64_t writeWaiters;
    uint64_t eventWaiters;
    uint64_t condWaiters;
    uint64_t mallocs;
    uint64_t pendingTimedActions;
};
#pragma pack(pop)
static_assert(sizeof(MosOsThrd_Query) == 32);
static_assert(offsetof(MosOsThrd_Query, numMallocs) == 24);
static_assert(sizeof(MosOsThrdLayer_Query) == 56);
static_assert(offsetof(MosOsThrdLayer_Query, condWaiters) == 32);
static_assert(offsetof(MosOsThrdLayer_Query, pendingTimedActions) == 48);

// Layer start (pParams: a MosOsThrdParams or null); always succeeds.
[[nodiscard]] MOS_RC mosOsThrdLayer_Create(void *pParams);
void mosOsThrdLayer_Destroy();

// Zero-fills the record and starts pRoutine(pArg) on a new thread with a
// 1 MiB stack, named by pName (at most 31 characters kept; null: no name).
// MOS_RC__NO_RESOURCES when the platform cannot create the thread.
[[nodiscard]] MOS_RC mosOsThrd_Create(MosOsThrd *pThrd, MosOsThrdRoutine pRoutine, void *pArg,
                                      const char *pName = nullptr);

// Waits until the thread has ended and closes its handle. Must not be
// called by the thread itself.
void mosOsThrd_Destroy(MosOsThrd *pThrd);

void mosOsThrd_RegisterCKs(MosOsThrdCKs *pContainer);
void mosOsThrd_UnRegisterCKs(MosOsThrdCKs *pContainer);

uint32_t mosOsThrd_GetNumThreads();
uint32_t mosOsThrd_IsCurrent(const MosOsThrd *pThrd);
uint32_t mosOsThrd_GetCurrentTid();

// 1 unless intr_violation_crash is set and the calling thread is inside a
// no-interrupt section.
uint32_t mosOsThrd_NoIntrViolation();

// Move the calling thread's allocation count.
void mosOsThrd_IncMallocs();
void mosOsThrd_DecMallocs();

// Adds 1 (bEntering) or subtracts 1 to the calling thread's waiter count.
void mosOsThrd_UpdateWaiters(uint32_t kind, bool bEntering);

// The query functions of types 4 and 2.
void mosOsThrd_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
void mosOsThrdLayer_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
