// Blocking objects: a fixed set of operating-system worker threads that
// run submitted requests one by one, off the submitter's thread. The
// runtime keeps one, "Default blocker" with one worker; modules may create
// their own. Every blocking object is an object of type 15.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_os_thread.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OBJ_TYPE_BLOCKING = 15;
inline constexpr uint32_t MOS_BLOCKING_NAME_SIZE = 64;

// Flow-control words a request function leaves behind.
enum : uint32_t {
    MOS_BLOCKING__DONE = 1,     // preset: the completion callback follows
    MOS_BLOCKING__RESUBMIT = 2, // queue the request again, no callback yet
};

struct MosBlockingReq;
typedef void (*MosBlockingDoneCK)(MosBlockingReq *pReq);
typedef uint32_t (*MosBlockingFn)(void *pUserData, uint32_t *pFlowControl);

// A request; memory owned by the submitter until its completion callback.
struct MosBlockingReq {
    struct {
        MosListNode node; // unlinked (null) while not queued
    } asyncObj;
    MosBlockingDoneCK pDoneCK; // may be null
    MosBlockingFn pFunc;
    void *pUserData;
    uint32_t result; // the request function's last return value
};

struct MosBlocking {
    MosFastlock lock;
    MosListAnchor waiters; // queued requests, oldest first
    MosOSWCond cond;       // idle workers wait here
    MosOsThrd *pThreads;
    uint32_t numThreads; // started
    uint32_t numRunning; // running a request now
    MosObjEntry objEntry;
    char name[MOS_BLOCKING_NAME_SIZE];
    uint32_t bStop;
};

#pragma pack(push, 1)
struct MosBlocking_Query {
    char name[32]; // not terminated when 32 long
    uint32_t numBlockingThreads;
    uint32_t numRunningThreads;
    uint32_t waiters;
};
#pragma pack(pop)
static_assert(sizeof(MosBlocking_Query) == 44);
static_assert(offsetof(MosBlocking_Query, waiters) == 40);

// Prepares a request for its first submission.
void mosBlockingReq_Init(MosBlockingReq *pReq, MosBlockingFn pFunc, void *pUserData,
                         MosBlockingDoneCK pDoneCK);

// Starts numThreads (above 0) workers, each an OS thread named pName.
// MOS_RC__NO_RESOURCES when the worker records cannot be had; a worker
// that cannot start fails the creation with its code after tearing down
// what was built.
[[nodiscard]] MOS_RC mosBlocking_Create(MosBlocking *pBlocking, const char *pName,
                                        uint32_t numThreads);

// Stops and joins the workers; requests still queued run neither their
// function nor their callback.
void mosBlocking_Destroy(MosBlocking *pBlocking);

// Queues the request on pBlocking (null: "Default blocker") and wakes an
// idle worker: MOS_RC__PENDING. Submitting a request that is still queued
// is a broken invariant.
[[nodiscard]] MOS_RC mosBlocking_SubmitWaitEx(MosBlocking *pBlocking, MosBlockingReq *pReq);

void mosBlocking_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Layer: object type 15 and "Default blocker".
[[nodiscard]] MOS_RC mosBlocking_LayerInit(void *pUnused);
void mosBlocking_LayerDestroy();
MosBlocking *mosBlocking_GetDefault();
