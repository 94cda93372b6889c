// Compression engines and their per-thread allocator.

#include "compression_engine.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_os_thread.h"
#include "mos_trace.h"
#include "mos_umt.h"
#include "mos_user_context.h"
#include "mos_utils.h"
#include "os_thread.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t kContextAlignment = 64;
constexpr uint64_t kAllocMaxSize = 0x5000000;
constexpr uint32_t kPoolFlags = MOS_MEMPOOL_FLAG__MAY_FAIL | MOS_MEMPOOL_FLAG__FREE_LIST;

struct MethodSizes {
    uint32_t encoderBytes;
    uint32_t decoderBytes;
    int32_t encoderLevel;
    int32_t decoderLevel;
};

constexpr MethodSizes kLzSizes = {576, 592, 1, 0};
constexpr MethodSizes kLzhSizes = {5696, 6720, 5, -2};
constexpr uint32_t kLzhScratchPad = 0x50000;

// Methods 3 and 4 are accepted but have no engine of their own: they are
// built as method 2 after saying so.
const MethodSizes &SizesOf(uint32_t method) {
    if (method == SRM_COMPRESSION_METHOD__LZ) {
        return kLzSizes;
    }
    if (method != SRM_COMPRESSION_METHOD__LZH) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: ASSERT condition (%s) failed.",
                  "SRM_COMPRESSION_METHOD__LZH == method");
    }
    return kLzhSizes;
}

uint8_t *AlignUp(uint8_t *p) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(p);
    return p + ((kContextAlignment - value % kContextAlignment) % kContextAlignment);
}

bool IsAligned(const void *p) {
    return reinterpret_cast<uintptr_t>(p) % kContextAlignment == 0;
}

// One thread's engines: slot h - 1 for configuration handle h.
struct OstEngines {
    CompressionEngine *pPCEs[1]; // maxConfigurations entries
};

struct ConfAllocator {
    MosMemPool enginePool;
    uint32_t bInitialized;
};

// The allocator's state. Three names keep the g_ form because broken
// invariants print them ("1 == g_bInitialized" and the like).
uint32_t g_bInitialized;
uint8_t maxConfigurations_G;
uint8_t maxOSThreads_G;
uint32_t g_ostContextMagic;
ConfAllocator *pConfAllocators_G;
uint32_t *g_pBIsOSTCEsAllocated; // per block of ostcePool_G
MosMemPool ostcePool_G;          // "SRM_CEA_OSTCE_Pool"
// Guards which pool blocks serve threads and the engine slots in them: a
// thread that ends gives its block back on its own, while the allocator
// or a configuration may be going away. Zero-filled, it needs no creation.
MosFastlock ceaLock_G;

uint32_t PoolIndex(const void *pBlock) {
    const auto *p = static_cast<const uint8_t *>(pBlock);
    return static_cast<uint32_t>((p - ostcePool_G.pMemAlignedStart) / ostcePool_G.allocPerBlock);
}

OstEngines *BlockAt(uint32_t poolIdx) {
    return reinterpret_cast<OstEngines *>(ostcePool_G.pMemAlignedStart +
                                          uint64_t{poolIdx} * ostcePool_G.allocPerBlock);
}

// Returns a thread's engines to their pools and the array to its pool;
// the caller holds ceaLock_G.
void ReleaseOstEngines(OstEngines *pOstEngines) {
    for (uint32_t i = 0; i < maxConfigurations_G; ++i) {
        ConfAllocator &conf = pConfAllocators_G[i];
        if (pOstEngines->pPCEs[i] != nullptr && conf.bInitialized != 0) {
            mosMemPool_Free(&conf.enginePool, pOstEngines->pPCEs[i]);
        }
        pOstEngines->pPCEs[i] = nullptr;
    }
    g_pBIsOSTCEsAllocated[PoolIndex(pOstEngines)] = 0;
    mosMemPool_Free(&ostcePool_G, pOstEngines);
}

void FreeAllocations() {
    mos_MemFreeBare(pConfAllocators_G);
    mos_MemFreeBare(g_pBIsOSTCEsAllocated);
    pConfAllocators_G = nullptr;
    g_pBIsOSTCEsAllocated = nullptr;
}

MOS_RC AllocateState() {
    const uint64_t confBytes = sizeof(ConfAllocator) * maxConfigurations_G;
    const uint64_t flagBytes = sizeof(uint32_t) * maxOSThreads_G;
    pConfAllocators_G = static_cast<ConfAllocator *>(
        mos_MemCallocBare(confBytes, kAllocMaxSize, "compressionEngineAllocator_Init", true));
    g_pBIsOSTCEsAllocated = static_cast<uint32_t *>(
        mos_MemCallocBare(flagBytes, kAllocMaxSize, "compressionEngineAllocator_Init", true));
    if (pConfAllocators_G == nullptr || g_pBIsOSTCEsAllocated == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    (void)mosMemPinning_Pin(pConfAllocators_G, confBytes, nullptr, nullptr, false);
    (void)mosMemPinning_Pin(g_pBIsOSTCEsAllocated, flagBytes, nullptr, nullptr, false);
    const MOS_RC rc = mosMemPool_CreateEx(
        &ostcePool_G, "SRM_CEA_OSTCE_Pool", sizeof(CompressionEngine *) * maxConfigurations_G,
        maxOSThreads_G, 0, kPoolFlags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "WARNING: SRM: Failed to create the Compression Engine Allocator mempoolat "
                  "function: %s, Line:%u, rc: %s",
                  __func__, __LINE__, mos_RcName(rc));
    }
    return rc;
}

// Threads the runtime did not start share one record and its user
// contexts, but an engine must never serve two threads: each such thread
// keeps its engine array in contexts of its own, cleared (its engines
// given back) when the thread ends. The contexts are held by a
// thread-exit key rather than a thread_local object: where thread_local
// is emulated, a thread's thread_local storage may be freed (and handed
// to another allocation) before its destructors run.
struct ForeignThreadContexts {
    MosUserContextSlot slots[MOS_USER_CONTEXT_THRD_SLOTS] = {};
    MosUserContextArr arr = {};
};

void ForeignThreadEnded(void *pValue) {
    auto *pOwn = static_cast<ForeignThreadContexts *>(pValue);
    mosUserContextArr_Destroy(&pOwn->arr);
    delete pOwn;
}

OsThreadKey ForeignContextsKey() {
    static const OsThreadKey key = [] {
        OsThreadKey made = 0;
        const MOS_RC rc = osThread_KeyCreate(&made, ForeignThreadEnded);
        MOS_ASSERT_TEXT(rc == MOS_RC__SUCCESS, "MOS_RC__SUCCESS == (rc)");
        return made;
    }();
    return key;
}

// The calling operating-system thread's user contexts; nullptr when a
// thread the runtime did not start cannot get memory for its own.
MosUserContextArr *OstUserContexts() {
    if (pTlsThrd_G != &thrdDummy_G) {
        return &pTlsThrd_G->userContexts;
    }
    const OsThreadKey key = ForeignContextsKey();
    auto *pOwn = static_cast<ForeignThreadContexts *>(osThread_KeyGet(key));
    if (pOwn == nullptr) {
        pOwn = new (std::nothrow) ForeignThreadContexts{};
        if (pOwn == nullptr) {
            return nullptr;
        }
        mosUserContextArr_Init(&pOwn->arr, pOwn->slots, MOS_USER_CONTEXT_THRD_SLOTS, 0);
        osThread_KeySet(key, pOwn);
    }
    return &pOwn->arr;
}

// The calling thread's engine array, made on its first request.
MOS_RC GetOstEngines(OstEngines **ppOstEngines) {
    MosUserContextArr *pContexts = OstUserContexts();
    if (pContexts == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    uint64_t value = 0;
    MOS_RC rc = mosUserContextArr_Get(pContexts, g_ostContextMagic, &value);
    if (rc == MOS_RC__NOT_FOUND) {
        void *pBlock = nullptr;
        rc = mosMemPool_Alloc(&ostcePool_G, &pBlock);
        MOS_ASSERT_TEXT(rc == MOS_RC__SUCCESS, "MOS_RC__SUCCESS == (rc)");
        const uint32_t poolIdx = PoolIndex(pBlock);
        std::memset(pBlock, 0, sizeof(CompressionEngine *) * maxConfigurations_G);
        mosFastlockBase_Acquire(&ceaLock_G);
        MOS_ASSERT(!g_pBIsOSTCEsAllocated[poolIdx]);
        g_pBIsOSTCEsAllocated[poolIdx] = 1;
        mosFastlockBase_Release(&ceaLock_G);
        value = reinterpret_cast<uintptr_t>(pBlock);
        rc = mosUserContextArr_Set(pContexts, g_ostContextMagic, value,
                                   compressionEngineAllocator_OSTContextDestroyedCK);
        if (rc != MOS_RC__SUCCESS) {
            mosFastlockBase_Acquire(&ceaLock_G);
            ReleaseOstEngines(static_cast<OstEngines *>(pBlock));
            mosFastlockBase_Release(&ceaLock_G);
        }
    }
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1, "ERROR: SRM: Failed to get/allocate the OST context, rc:%u",
                  static_cast<uint32_t>(rc));
        return rc;
    }
    *ppOstEngines = reinterpret_cast<OstEngines *>(static_cast<uintptr_t>(value));
    return MOS_RC__SUCCESS;
}

// Makes the engine of one configuration in the thread's slot. A failed
// creation gives its block back, so the slot stays empty and a later
// request tries again rather than using a half-made engine.
MOS_RC MakeEngine(OstEngines *pOstEngines, uint64_t confHandle) {
    const uint32_t confIdx = static_cast<uint32_t>(confHandle - 1);
    SizeReductionConf *pConf = nullptr;
    MOS_RC rc = sizeReductionConfManager_GetConf(confHandle, &pConf);
    if (rc != MOS_RC__SUCCESS || pConf == nullptr) {
        return rc != MOS_RC__SUCCESS ? rc : MOS_RC__INVALID_ARG;
    }
    MOS_ASSERT_TEXT(pOstEngines->pPCEs[confIdx] == nullptr,
                    "((void *)0) == pOSTCEs->pPCEs[confIdx]");
    const auto *pTechnique = reinterpret_cast<const SizeReductionCompressionConf *>(
        static_cast<uintptr_t>(pConf->techniqueConfs[SRM_SLOT__COMPRESSION]));
    ConfAllocator &allocator = pConfAllocators_G[confIdx];
    MOS_ASSERT(allocator.bInitialized);
    void *pBlock = nullptr;
    rc = mosMemPool_Alloc(&allocator.enginePool, &pBlock);
    if (rc != MOS_RC__SUCCESS) {
        char extra[64];
        mos_Snprintf(extra, sizeof(extra), "\nErr %s", mos_RcName(rc));
        mosDbg_Panic("", __FILE__, __func__, "ALWAYS_ASSERT", extra, __LINE__);
        mosDbg_AssertExit();
    }
    auto *pEngine = static_cast<CompressionEngine *>(pBlock);
    rc = compressionEngine_Create(pEngine, pConf->maxInputBufferSizeInBytes, pTechnique);
    if (rc != MOS_RC__SUCCESS) {
        mosMemPool_Free(&allocator.enginePool, pEngine);
        return rc;
    }
    mosFastlockBase_Acquire(&ceaLock_G);
    pOstEngines->pPCEs[confIdx] = pEngine;
    mosFastlockBase_Release(&ceaLock_G);
    return MOS_RC__SUCCESS;
}

} // namespace

void SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(SizeReductionRequest *pRequest,
                                                           uint32_t sizeBytes) {
    MOS_ASSERT_TEXT(0 == (sizeBytes & ((SRM_UNIT_BYTES - 1) | ~((SRM_UNIT_BYTES << 8) - 1))),
                    "0 == (sizeBytes & (((4*(1024)) - 1) | (~(((4*(1024))<<8)-1)) ))");
    pRequest->unreducedSizeUnits = static_cast<uint8_t>(sizeBytes / SRM_UNIT_BYTES);
}

uint32_t compressionEngine_GetEncoderSizeInBytes(uint32_t method) {
    return SizesOf(method).encoderBytes;
}

uint32_t compressionEngine_GetDecoderSizeInBytes(uint32_t method) {
    return SizesOf(method).decoderBytes;
}

uint32_t compressionEngine_GetScaratchPadSize(uint32_t method, uint32_t maxInputBufferSizeInBytes) {
    if (method == SRM_COMPRESSION_METHOD__LZ) {
        return 2 * maxInputBufferSizeInBytes;
    }
    (void)SizesOf(method); // says so for a method without its own engine
    return kLzhScratchPad;
}

uint32_t compressionEngine_GetBlockSizeInBytes(const SizeReductionCompressionConf *pConf,
                                               uint32_t maxInputBufferSizeInBytes) {
    return static_cast<uint32_t>(sizeof(CompressionEngine)) +
           compressionEngine_GetScaratchPadSize(pConf->method, maxInputBufferSizeInBytes) +
           kContextAlignment + compressionEngine_GetEncoderSizeInBytes(pConf->method) +
           compressionEngine_GetDecoderSizeInBytes(pConf->method);
}

MOS_RC compressionEngine_Create(CompressionEngine *pEngine, uint32_t maxInputBufferSizeInBytes,
                                const SizeReductionCompressionConf *pConf) {
    MOS_ASSERT_TEXT(pEngine != nullptr, "(pCE) != NULL");
    MOS_ASSERT_TEXT(pConf != nullptr, "(pTechniqueSpecifiConfig) != NULL");
    MOS_ASSERT(maxInputBufferSizeInBytes > 0);
    MOS_ASSERT_TEXT(pConf->maxCompressedPercentage > 0,
                    "pTechniqueConfig->maxCompressedPercentage > 0");
    if (pConf->method < 1 || pConf->method > 4) {
        return MOS_RC__INVALID_ARG;
    }
    const MethodSizes &sizes = SizesOf(pConf->method);
    pEngine->maxInputBufferSizeInBytes = maxInputBufferSizeInBytes;
    pEngine->encoderLevel = sizes.encoderLevel;
    pEngine->decoderLevel = sizes.decoderLevel;
    pEngine->scratchPadSize =
        compressionEngine_GetScaratchPadSize(pConf->method, maxInputBufferSizeInBytes);
    pEngine->maxCompressedPercentage = pConf->maxCompressedPercentage;
    uint8_t *pScratchPad = reinterpret_cast<uint8_t *>(pEngine + 1);
    pEngine->pEncoderContext = AlignUp(pScratchPad + pEngine->scratchPadSize);
    pEngine->pDecoderContext =
        static_cast<uint8_t *>(pEngine->pEncoderContext) + sizes.encoderBytes;
    pEngine->pEncoder = tezl_Create(pEngine->pEncoderContext, sizes.encoderBytes, pScratchPad,
                                    pEngine->scratchPadSize, sizes.encoderLevel);
    pEngine->pDecoder =
        tezl_Create(pEngine->pDecoderContext, sizes.decoderBytes, nullptr, 0, sizes.decoderLevel);
    if (pEngine->pEncoder == nullptr || pEngine->pDecoder == nullptr) {
        return MOS_RC__ERROR;
    }
    MOS_ASSERT_TEXT(IsAligned(pEngine->pEncoder),
                    "(((UINTP)(pCE->pEncoder) + ((UINTP)(64)-1)) & (~((UINTP)(64)-1))) == "
                    "(UINTP)pCE->pEncoder");
    MOS_ASSERT_TEXT(IsAligned(pEngine->pDecoder),
                    "(((UINTP)(pCE->pDecoder) + ((UINTP)(64)-1)) & (~((UINTP)(64)-1))) == "
                    "(UINTP)pCE->pDecoder");
    return MOS_RC__SUCCESS;
}

MOS_RC compressionEngine_ExecuteOP(CompressionEngine *pEngine, SizeReductionRequest *pRequest,
                                   uint32_t opType) {
    MOS_ASSERT_TEXT(pEngine != nullptr, "(pCE) != NULL");
    MOS_ASSERT_TEXT(pRequest != nullptr, "(pRequest) != NULL");
    MOS_ASSERT_TEXT(opType == COMPRESSION_ENGINE_OP_TYPE__COMPRESS ||
                        opType == COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS,
                    "COMPRESSION_ENGINE_OP_TYPE__COMPRESS == opType || "
                    "COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS == opType");
    const uint32_t n = SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(pRequest);
    if (opType == COMPRESSION_ENGINE_OP_TYPE__COMPRESS) {
        // The share of the block the reduced form may take, in whole words:
        // an incompressible block fails fast on a too-small destination.
        const uint32_t capacity = (pEngine->maxCompressedPercentage * n / 100) & ~7u;
        const int32_t r = tezl_Encode(pEngine->pEncoder, pRequest->unreducedDataBuffer, n,
                                      pRequest->reducedDataBuffer, capacity);
        pRequest->reducedDataSizeBytes = r > 0 ? static_cast<uint32_t>(r) : 0;
        return r > 0 ? MOS_RC__SUCCESS : MOS_RC__BLOCK_WAS_NOT_SHRINKED;
    }
    const int32_t r = tezl_Decode(pEngine->pDecoder, pRequest->reducedDataBuffer,
                                  pRequest->reducedDataSizeBytes, pRequest->unreducedDataBuffer, n);
    if (r < 0) {
        pRequest->unreducedSizeUnits = 0;
    } else if (r > 0 && static_cast<uint32_t>(r) % SRM_UNIT_BYTES == 0 &&
               static_cast<uint32_t>(r) < (SRM_UNIT_BYTES << 8)) {
        SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(pRequest, static_cast<uint32_t>(r));
    } // another length cannot be stored: the size is left as it was
    return r > 0 && static_cast<uint32_t>(r) == n ? MOS_RC__SUCCESS
                                                  : MOS_RC__BLOCK_WAS_NOT_EXPANDED;
}

MOS_RC compressionEngine_Compress(CompressionEngine *pEngine, SizeReductionRequest *pRequest) {
    return compressionEngine_ExecuteOP(pEngine, pRequest, COMPRESSION_ENGINE_OP_TYPE__COMPRESS);
}

MOS_RC compressionEngineAllocator_Init(uint8_t maxConfigurations, uint8_t maxOSThreads) {
    MOS_ASSERT(!g_bInitialized);
    MOS_ASSERT(0 < maxConfigurations);
    MOS_ASSERT(0 < maxOSThreads);
    maxConfigurations_G = maxConfigurations;
    maxOSThreads_G = maxOSThreads;
    g_ostContextMagic = mosUserContext_GenerateContextMagic();
    MOS_TRACE(MOS_COMP_SRM, 1, "SRM: Allocated OST context magic:%u", g_ostContextMagic);
    const MOS_RC rc = AllocateState();
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "ERROR: SRM: Failed to initialize the Compression Engine Allocator, rc:%u, "
                  "maxConfigurations:%u, maxOsThreads:%u OST context magic:%u",
                  static_cast<uint32_t>(rc), maxConfigurations, maxOSThreads, g_ostContextMagic);
        FreeAllocations();
        return rc;
    }
    mosFastlockBase_Acquire(&ceaLock_G);
    g_bInitialized = 1;
    mosFastlockBase_Release(&ceaLock_G);
    MOS_TRACE(MOS_COMP_SRM, 1,
              "SRM: The Compression Engine Allocator Initializtion was successful, "
              "maxConfigurations:%u, maxOsThreads:%u OST context magic:%u",
              maxConfigurations, maxOSThreads, g_ostContextMagic);
    return MOS_RC__SUCCESS;
}

void compressionEngineAllocator_Destroy() {
    MOS_ASSERT(g_bInitialized);
    // Every thread's slot under this magic is freed at once: the arrays
    // go back to the pool below, and threads' slots must not fill up with
    // magics of allocators long gone. A thread ending meanwhile finds the
    // allocator gone.
    mosFastlockBase_Acquire(&ceaLock_G);
    mosUserContext_RetireContextMagic(g_ostContextMagic);
    for (uint32_t poolIdx = 0; poolIdx < maxOSThreads_G; ++poolIdx) {
        if (g_pBIsOSTCEsAllocated[poolIdx] != 0) {
            ReleaseOstEngines(BlockAt(poolIdx));
        }
    }
    g_bInitialized = 0;
    mosFastlockBase_Release(&ceaLock_G);
    for (uint32_t i = 0; i < maxConfigurations_G; ++i) {
        if (pConfAllocators_G[i].bInitialized != 0) {
            pConfAllocators_G[i].bInitialized = 0;
            mosMemPool_Destroy(&pConfAllocators_G[i].enginePool);
        }
    }
    FreeAllocations();
    mosMemPool_Destroy(&ostcePool_G);
    MOS_TRACE(MOS_COMP_SRM, 1,
              "SRM: The Compression Engine Allocator was destroyed maxConfigurations:%u, "
              "maxOsThreads:%u",
              maxConfigurations_G, maxOSThreads_G);
}

MOS_RC compressionEngineAllocator_InitConfData(uint64_t confHandle,
                                               const SizeReductionCompressionConf *pConf,
                                               uint32_t maxInputBufferSizeInBytes) {
    MOS_ASSERT(1 == g_bInitialized);
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0 ||
        pConfAllocators_G[confHandle - 1].bInitialized != 0) {
        return MOS_RC__INVALID_ARG;
    }
    ConfAllocator &allocator = pConfAllocators_G[confHandle - 1];
    const MOS_RC rc = mosMemPool_CreateEx(
        &allocator.enginePool, "SRM_CEA_EnginePool",
        compressionEngine_GetBlockSizeInBytes(pConf, maxInputBufferSizeInBytes), maxOSThreads_G,
        kContextAlignment, kPoolFlags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (rc != MOS_RC__SUCCESS) {
        return MOS_RC__NO_RESOURCES;
    }
    allocator.bInitialized = 1;
    return MOS_RC__SUCCESS;
}

MOS_RC compressionEngineAllocator_DestroyConfData(uint64_t confHandle) {
    MOS_ASSERT(1 == g_bInitialized);
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0 ||
        pConfAllocators_G[confHandle - 1].bInitialized == 0) {
        return MOS_RC__INVALID_ARG;
    }
    const uint32_t confIdx = static_cast<uint32_t>(confHandle - 1);
    ConfAllocator &allocator = pConfAllocators_G[confIdx];
    mosFastlockBase_Acquire(&ceaLock_G);
    for (uint32_t poolIdx = 0; poolIdx < maxOSThreads_G; ++poolIdx) {
        if (g_pBIsOSTCEsAllocated[poolIdx] == 0) {
            continue;
        }
        OstEngines *pCurrOSTCEs = BlockAt(poolIdx);
        if (pCurrOSTCEs->pPCEs[confIdx] != nullptr) {
            mosMemPool_Free(&allocator.enginePool, pCurrOSTCEs->pPCEs[confIdx]);
            pCurrOSTCEs->pPCEs[confIdx] = nullptr;
        }
    }
    allocator.bInitialized = 0;
    mosFastlockBase_Release(&ceaLock_G);
    mosMemPool_Destroy(&allocator.enginePool);
    return MOS_RC__SUCCESS;
}

MOS_RC compressionEngineAllocator_GetOSThreadCompressionEngine(CompressionEngine **ppEngine,
                                                               uint64_t confHandle) {
    MOS_ASSERT_TEXT(ppEngine != nullptr, "(pPcompressionEngine) != NULL");
    MOS_ASSERT(1 == g_bInitialized);
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0) {
        return MOS_RC__INVALID_ARG;
    }
    OstEngines *pOstEngines = nullptr;
    MOS_RC rc = GetOstEngines(&pOstEngines);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    if (pOstEngines->pPCEs[confHandle - 1] == nullptr) {
        rc = MakeEngine(pOstEngines, confHandle);
    }
    *ppEngine = pOstEngines->pPCEs[confHandle - 1];
    MOS_TRACE(MOS_COMP_SRM, 3, "SRM: Got compression engine: %p for ostId:%u, rc:%u",
              static_cast<void *>(*ppEngine), mosOsThrd_GetCurrentTid(), static_cast<uint32_t>(rc));
    return rc;
}

void compressionEngineAllocator_OSTContextDestroyedCK(uint32_t contextKey, uint64_t value) {
    MOS_TRACE(MOS_COMP_SRM, 2, "SRM: Freeing OST context magic:%u", contextKey);
    // A magic of an allocator destroyed since: its arrays went back then.
    mosFastlockBase_Acquire(&ceaLock_G);
    if (g_bInitialized != 0 && contextKey == g_ostContextMagic) {
        ReleaseOstEngines(reinterpret_cast<OstEngines *>(static_cast<uintptr_t>(value)));
    }
    mosFastlockBase_Release(&ceaLock_G);
}
