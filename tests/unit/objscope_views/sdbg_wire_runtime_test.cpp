// The views keep their own copy of each runtime query structure; here the
// two are held together, field by field, so a layout change on either side
// fails the build of the tests instead of showing wrong numbers.

#include "sdbg_wire_runtime.h"

#include "mos_blocking.h"
#include "mos_cpu.h"
#include "mos_diag_counters.h"
#include "mos_ds_hash.h"
#include "mos_memory_tracker.h"
#include "mos_mempool.h"
#include "mos_oscillation_counters.h"
#include "mos_perf.h"
#include "mos_timer.h"
#include "usr/mos_os_thread.h"
#include "usr/sdbg/server/sdbg_server.h"

#include <cstddef>

#define SDBG_SAME_SIZE(S) static_assert(sizeof(::S) == sizeof(sdbg_wire::S), #S)
#define SDBG_SAME_FIELD(S, f)                                                                      \
    static_assert(offsetof(::S, f) == offsetof(sdbg_wire::S, f), #S "." #f);                       \
    static_assert(sizeof(static_cast<::S *>(nullptr)->f) ==                                        \
                      sizeof(static_cast<sdbg_wire::S *>(nullptr)->f),                             \
                  #S "." #f " width")

SDBG_SAME_SIZE(MosOsThrdLayer_Query);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, yielders);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, pendingTimedActions);
SDBG_SAME_SIZE(MosOsThrd_Query);
SDBG_SAME_FIELD(MosOsThrd_Query, tid);
SDBG_SAME_FIELD(MosOsThrd_Query, numMallocs);
SDBG_SAME_SIZE(MosCpuLayer_Query);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailPCLMULQDQ);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailHypervisor);
SDBG_SAME_SIZE(MosTimerQ_Query);
SDBG_SAME_FIELD(MosTimerQ_Query, name);
SDBG_SAME_FIELD(MosTimerQ_Query, ticksToExpiration);
SDBG_SAME_FIELD(MosTimerQ_Query, numAborts);
SDBG_SAME_SIZE(MosTimerQSet_Query);
SDBG_SAME_FIELD(MosTimerQSet_Query, maxDiffTicks);
SDBG_SAME_FIELD(MosTimerQSet_Query, reqCount);
SDBG_SAME_SIZE(MosHash_Query);
SDBG_SAME_FIELD(MosHash_Query, bEnumActive);
SDBG_SAME_FIELD(MosHash_Query, hashName);
SDBG_SAME_SIZE(MosMemPool_Query);
SDBG_SAME_FIELD(MosMemPool_Query, bGuardPage);
SDBG_SAME_FIELD(MosMemPool_Query, numTimesExhausted);
SDBG_SAME_SIZE(MosBlocking_Query);
SDBG_SAME_FIELD(MosBlocking_Query, numRunningThreads);
SDBG_SAME_FIELD(MosBlocking_Query, waiters);
SDBG_SAME_SIZE(MosDynamic_Array__Query);
SDBG_SAME_FIELD(MosDynamic_Array__Query, blockSizeInBytes);
SDBG_SAME_SIZE(MosDynamicMemPool_Query);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, numBlocks);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, waiters);
SDBG_SAME_SIZE(_MosMemoryTracker_Query);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, numAllocationsFailed);
SDBG_SAME_SIZE(MosPerfStack_Query);
SDBG_SAME_FIELD(MosPerfStack_Query, totalStage);
SDBG_SAME_FIELD(MosPerfStack_Query, ctxSwitchStat);
SDBG_SAME_FIELD(MosPerfStack_Query, contextDescription);
SDBG_SAME_FIELD(MosPerfStack_Query, numStages);
SDBG_SAME_SIZE(MosMemAllocator_Query);
SDBG_SAME_FIELD(MosMemAllocator_Query, flBitmap);
SDBG_SAME_FIELD(MosMemAllocator_Query, waitersNum);
SDBG_SAME_SIZE(MosDiagCounterExtEntry);
SDBG_SAME_FIELD(MosDiagCounterExtEntry, countExtData);
SDBG_SAME_FIELD(MosDiagCounterExtEntry, lastCountTimeMilli);
SDBG_SAME_SIZE(MosOscCntEntry);
SDBG_SAME_FIELD(MosOscCntEntry, remoteObjId);
SDBG_SAME_FIELD(MosOscCntEntry, longWindowCurrentCount);
SDBG_SAME_FIELD(MosOscCntEntry, mediumWindow);
SDBG_SAME_FIELD(MosOscCntEntry, longWindow.maxFailuresTime);
