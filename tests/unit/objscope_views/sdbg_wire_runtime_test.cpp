// The views keep their own copy of each runtime query structure; here the
// two are held together, field by field, so a layout change on either side
// fails the build of the tests instead of showing wrong numbers.

#include "sdbg_wire_runtime.h"

#include "dport_server.h"
#include "mos_async_io.h"
#include "mos_blocking.h"
#include "mos_cpu.h"
#include "mos_dev.h"
#include "mos_diag_counters.h"
#include "mos_ds_hash.h"
#include "mos_memory_tracker.h"
#include "mos_mempool.h"
#include "mos_os_thread.h"
#include "mos_oscillation_counters.h"
#include "mos_perf.h"
#include "mos_timer.h"
#include "mos_umt_class.h"
#include "mos_umt_sched.h"
#include "mos_xmti.h"
#include "mos_xmti_bundle.h"
#include "mos_xmti_detour.h"

#include <cstddef>

#define SDBG_SAME_SIZE(S) static_assert(sizeof(::S) == sizeof(sdbg_wire::S), #S)
// Where the two sides name a record or a member differently.
#define SDBG_SAME_SIZE_AS(Server, Wire)                                                            \
    static_assert(sizeof(::Server) == sizeof(sdbg_wire::Wire), #Wire)
#define SDBG_SAME_FIELD_AS(Server, sf, Wire, wf)                                                   \
    static_assert(offsetof(::Server, sf) == offsetof(sdbg_wire::Wire, wf), #Wire "." #wf);         \
    static_assert(sizeof(static_cast<::Server *>(nullptr)->sf) ==                                  \
                      sizeof(static_cast<sdbg_wire::Wire *>(nullptr)->wf),                         \
                  #Wire "." #wf " width")
#define SDBG_SAME_FIELD(S, f) SDBG_SAME_FIELD_AS(S, f, S, f)

SDBG_SAME_SIZE(MosOsThrdLayer_Query);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, yielders);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, readWaiters);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, writeWaiters);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, eventWaiters);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, condWaiters);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, mallocs);
SDBG_SAME_FIELD(MosOsThrdLayer_Query, pendingTimedActions);

SDBG_SAME_SIZE_AS(MosCpuIdRegs, MosCpuIdPage);
SDBG_SAME_FIELD_AS(MosCpuIdRegs, eax, MosCpuIdPage, eax);
SDBG_SAME_FIELD_AS(MosCpuIdRegs, ebx, MosCpuIdPage, ebx);
SDBG_SAME_FIELD_AS(MosCpuIdRegs, ecx, MosCpuIdPage, ecx);
SDBG_SAME_FIELD_AS(MosCpuIdRegs, edx, MosCpuIdPage, edx);

SDBG_SAME_SIZE(MosCpuLayer_Query);
SDBG_SAME_FIELD_AS(MosCpuLayer_Query, eax, MosCpuLayer_Query, processorInfoAndFeatureBits.eax);
SDBG_SAME_FIELD_AS(MosCpuLayer_Query, ebx, MosCpuLayer_Query, processorInfoAndFeatureBits.ebx);
SDBG_SAME_FIELD_AS(MosCpuLayer_Query, ecx, MosCpuLayer_Query, processorInfoAndFeatureBits.ecx);
SDBG_SAME_FIELD_AS(MosCpuLayer_Query, edx, MosCpuLayer_Query, processorInfoAndFeatureBits.edx);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailPCLMULQDQ);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailSSE42);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailAES);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailAVX);
SDBG_SAME_FIELD(MosCpuLayer_Query, bIsAvailHypervisor);

SDBG_SAME_SIZE(MosOsThrd_Query);
SDBG_SAME_FIELD(MosOsThrd_Query, tid);
SDBG_SAME_FIELD(MosOsThrd_Query, numLocksAcquires);
SDBG_SAME_FIELD(MosOsThrd_Query, numLocksContentions);
SDBG_SAME_FIELD(MosOsThrd_Query, numMallocs);

SDBG_SAME_SIZE(MosTimerQ_Query);
SDBG_SAME_FIELD(MosTimerQ_Query, name);
SDBG_SAME_FIELD(MosTimerQ_Query, ticks);
SDBG_SAME_FIELD(MosTimerQ_Query, ticksToExpiration);
SDBG_SAME_FIELD(MosTimerQ_Query, maxDiffTicks);
SDBG_SAME_FIELD(MosTimerQ_Query, millis);
SDBG_SAME_FIELD(MosTimerQ_Query, numWaiters);
SDBG_SAME_FIELD(MosTimerQ_Query, reqCount);
SDBG_SAME_FIELD(MosTimerQ_Query, numExpirations);
SDBG_SAME_FIELD(MosTimerQ_Query, numAborts);

SDBG_SAME_SIZE(MosTimerQSet_Query);
SDBG_SAME_FIELD(MosTimerQSet_Query, name);
SDBG_SAME_FIELD(MosTimerQSet_Query, ticks);
SDBG_SAME_FIELD(MosTimerQSet_Query, millis);
SDBG_SAME_FIELD(MosTimerQSet_Query, numWaiters);
SDBG_SAME_FIELD(MosTimerQSet_Query, numExpirations);
SDBG_SAME_FIELD(MosTimerQSet_Query, numAborts);
SDBG_SAME_FIELD(MosTimerQSet_Query, maxDiffTicks);
SDBG_SAME_FIELD(MosTimerQSet_Query, reqCount);

SDBG_SAME_SIZE(MosHash_Query);
SDBG_SAME_FIELD(MosHash_Query, numOfRecordsInHash);
SDBG_SAME_FIELD(MosHash_Query, numOfBucketsInHash);
SDBG_SAME_FIELD(MosHash_Query, numOfEmptyBuckets);
SDBG_SAME_FIELD(MosHash_Query, mostLoadedIndex);
SDBG_SAME_FIELD(MosHash_Query, mostLoadedCount);
SDBG_SAME_FIELD(MosHash_Query, leastLoadedIndex);
SDBG_SAME_FIELD(MosHash_Query, leastLoadedCount);
SDBG_SAME_FIELD(MosHash_Query, bEnumActive);
SDBG_SAME_FIELD(MosHash_Query, bEnumEnd);
SDBG_SAME_FIELD(MosHash_Query, hashName);

SDBG_SAME_SIZE(MosAsyncIO_Query);
SDBG_SAME_FIELD(MosAsyncIO_Query, bDie);
SDBG_SAME_FIELD(MosAsyncIO_Query, inflights);
SDBG_SAME_FIELD(MosAsyncIO_Query, maxInflights);
SDBG_SAME_FIELD(MosAsyncIO_Query, waiters);
SDBG_SAME_FIELD(MosAsyncIO_Query, thrdNum);
SDBG_SAME_FIELD(MosAsyncIO_Query, krnLowRsrc);

SDBG_SAME_SIZE(MosMemPool_Query);
SDBG_SAME_FIELD(MosMemPool_Query, name);
SDBG_SAME_FIELD(MosMemPool_Query, objSize);
SDBG_SAME_FIELD(MosMemPool_Query, objNum);
SDBG_SAME_FIELD(MosMemPool_Query, objFree);
SDBG_SAME_FIELD(MosMemPool_Query, objAcquired);
SDBG_SAME_FIELD(MosMemPool_Query, waiters);
SDBG_SAME_FIELD(MosMemPool_Query, bGuardPage);
SDBG_SAME_FIELD(MosMemPool_Query, millisSinceLastExhausted);
SDBG_SAME_FIELD(MosMemPool_Query, numTimesExhausted);

SDBG_SAME_SIZE(MosAsyncIOFile_Query);
SDBG_SAME_FIELD(MosAsyncIOFile_Query, fd);
SDBG_SAME_FIELD(MosAsyncIOFile_Query, inflights);
SDBG_SAME_FIELD(MosAsyncIOFile_Query, maxInflights);
SDBG_SAME_FIELD(MosAsyncIOFile_Query, waiters);
SDBG_SAME_FIELD(MosAsyncIOFile_Query, maxIoSizeBytes);

SDBG_SAME_SIZE(MosUmtSchedThrd_Query);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, name);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, schedPolicy);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, numThrds);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, numActiveThrds);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, maxActive);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, minActive);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, remoteScheds);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, localSched);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, remoteWaiters);
SDBG_SAME_FIELD(MosUmtSchedThrd_Query, localWaiters);

SDBG_SAME_SIZE(MosBlocking_Query);
SDBG_SAME_FIELD(MosBlocking_Query, name);
SDBG_SAME_FIELD(MosBlocking_Query, numBlockingThreads);
SDBG_SAME_FIELD(MosBlocking_Query, numRunningThreads);
SDBG_SAME_FIELD(MosBlocking_Query, waiters);

SDBG_SAME_SIZE(MosDynamic_Array__Query);
SDBG_SAME_FIELD(MosDynamic_Array__Query, name);
SDBG_SAME_FIELD(MosDynamic_Array__Query, arraySize);
SDBG_SAME_FIELD(MosDynamic_Array__Query, blockSizeInBytes);
SDBG_SAME_FIELD(MosDynamic_Array__Query, allocationSize);

SDBG_SAME_SIZE(MosDynamicMemPool_Query);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, name);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, unitSize);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, alignedUnitSize);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, allocedNumBlocks);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, allowedNumBlocks);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, minNumBlocks);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, numBlocks);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, numUnitsInBlock);
SDBG_SAME_FIELD(MosDynamicMemPool_Query, waiters);

SDBG_SAME_SIZE(MosDevRaw);
SDBG_SAME_FIELD(MosDevRaw, fileSizeInLbs);
SDBG_SAME_FIELD(MosDevRaw, name);
SDBG_SAME_FIELD(MosDevRaw, sampleGrn);

SDBG_SAME_SIZE(_MosDevQuery);
SDBG_SAME_FIELD(_MosDevQuery, readSizeBwc);
SDBG_SAME_FIELD(_MosDevQuery, writeSizeBwc);
SDBG_SAME_FIELD(_MosDevQuery, readLatencyBwc);
SDBG_SAME_FIELD(_MosDevQuery, writeLatencyBwc);
SDBG_SAME_FIELD(_MosDevQuery, raw);

SDBG_SAME_SIZE(MosUmtClassCounter);
SDBG_SAME_FIELD(MosUmtClassCounter, value);
SDBG_SAME_FIELD(MosUmtClassCounter, name);

SDBG_SAME_SIZE_AS(MosUmtClassStatsEntry, MosUmtClassStats);
SDBG_SAME_FIELD_AS(MosUmtClassStatsEntry, stats, MosUmtClassStats, stats);
SDBG_SAME_FIELD_AS(MosUmtClassStatsEntry, name, MosUmtClassStats, name);

SDBG_SAME_SIZE(MosUmtClassQuery);
SDBG_SAME_FIELD(MosUmtClassQuery, className);
SDBG_SAME_FIELD(MosUmtClassQuery, counter);
SDBG_SAME_FIELD_AS(MosUmtClassQuery, stats, MosUmtClassQuery, statsEntries);

SDBG_SAME_SIZE(_MosMemoryTracker_Query);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, numAllocatedMemoryBlocks);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, totalAllocatedMemorySizeMB);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, totalShmAllocatedMemorySizeMB);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, numAllocationsSucceeded);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, numAllocationsFreed);
SDBG_SAME_FIELD(_MosMemoryTracker_Query, numAllocationsFailed);

SDBG_SAME_SIZE(MosPerfStack_Query);
SDBG_SAME_FIELD(MosPerfStack_Query, stages);
SDBG_SAME_FIELD(MosPerfStack_Query, totalStage);
SDBG_SAME_FIELD(MosPerfStack_Query, ctxSwitchStat);
SDBG_SAME_FIELD(MosPerfStack_Query, contextDescription);
SDBG_SAME_FIELD(MosPerfStack_Query, numStages);

SDBG_SAME_SIZE(MosMemAllocator_Query);
SDBG_SAME_FIELD(MosMemAllocator_Query, name);
SDBG_SAME_FIELD(MosMemAllocator_Query, sizeBytes);
SDBG_SAME_FIELD(MosMemAllocator_Query, maxMemChunkSizeBytes);
SDBG_SAME_FIELD(MosMemAllocator_Query, numAllocatedBlocks);
SDBG_SAME_FIELD(MosMemAllocator_Query, allocatedBytes);
SDBG_SAME_FIELD(MosMemAllocator_Query, flBitmap);
SDBG_SAME_FIELD(MosMemAllocator_Query, numMemChunks);
SDBG_SAME_FIELD(MosMemAllocator_Query, waitersNum);

SDBG_SAME_SIZE(_MosXmti_ManagerQuery);
SDBG_SAME_FIELD(_MosXmti_ManagerQuery, lastOpStatus);
SDBG_SAME_FIELD(_MosXmti_ManagerQuery, numDetours);
SDBG_SAME_FIELD(_MosXmti_ManagerQuery, numRegisteredBundles);
SDBG_SAME_FIELD(_MosXmti_ManagerQuery, numActiveBundles);
SDBG_SAME_FIELD(_MosXmti_ManagerQuery, numActiveDetours);

SDBG_SAME_SIZE(_MosXmti_DetourQuery);
SDBG_SAME_FIELD(_MosXmti_DetourQuery, detourableFuncName);
SDBG_SAME_FIELD(_MosXmti_DetourQuery, detourFuncName);
SDBG_SAME_FIELD(_MosXmti_DetourQuery, bundleName);

SDBG_SAME_SIZE(_MosXmti_BundleQuery);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, version);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, bundleName);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, bundleStatus);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, isDirectlyActivated);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, activatedByOtherCount);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, referencedByOtherCount);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, numContainedBundles);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, numDetours);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, containedBundleNames);
SDBG_SAME_FIELD(_MosXmti_BundleQuery, detourFuncNames);

SDBG_SAME_SIZE_AS(MosDiagCounterEntry, MosDiagCounterBase);
SDBG_SAME_FIELD_AS(MosDiagCounterEntry, value, MosDiagCounterBase, value);
SDBG_SAME_FIELD_AS(MosDiagCounterEntry, threshold, MosDiagCounterBase, threshold);
SDBG_SAME_FIELD_AS(MosDiagCounterEntry, component, MosDiagCounterBase, component);
SDBG_SAME_FIELD_AS(MosDiagCounterEntry, name, MosDiagCounterBase, name);

SDBG_SAME_SIZE(MosDiagCounterExtEntry);
SDBG_SAME_FIELD(MosDiagCounterExtEntry, base);
SDBG_SAME_FIELD(MosDiagCounterExtEntry, countExtData);
SDBG_SAME_FIELD(MosDiagCounterExtEntry, lastCountTimeMilli);

SDBG_SAME_SIZE_AS(MosOscCntWindowQuery, MosOscCntWindow);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, threshold, MosOscCntWindow, threshold);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, windowSizeInSec, MosOscCntWindow, windowSizeInSec);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, lastOscillationCount, MosOscCntWindow,
                   lastOscillationCount);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, lastOscillationTime, MosOscCntWindow, lastOscillationTime);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, maxFailuresCount, MosOscCntWindow, maxFailuresCount);
SDBG_SAME_FIELD_AS(MosOscCntWindowQuery, maxFailuresTime, MosOscCntWindow, maxFailuresTime);

SDBG_SAME_SIZE(MosOscCntEntry);
SDBG_SAME_FIELD(MosOscCntEntry, addrStr);
SDBG_SAME_FIELD(MosOscCntEntry, remoteObjId);
SDBG_SAME_FIELD(MosOscCntEntry, shortWindowCurrentCount);
SDBG_SAME_FIELD(MosOscCntEntry, mediumWindowCurrentCount);
SDBG_SAME_FIELD(MosOscCntEntry, longWindowCurrentCount);
SDBG_SAME_FIELD(MosOscCntEntry, shortWindow);
SDBG_SAME_FIELD(MosOscCntEntry, mediumWindow);
SDBG_SAME_FIELD(MosOscCntEntry, longWindow);
SDBG_SAME_FIELD(MosOscCntEntry, longWindow.maxFailuresTime);

// Types 5, 6, 14 and 148 to 150 have no structure in the runtime library:
// their layouts are held by the offsets asserted beside them and by the
// views' expected output.
