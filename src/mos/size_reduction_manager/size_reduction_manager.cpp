// The size-reduction manager and its pattern matching.

#include "size_reduction_manager.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_once.h"
#include "mos_trace.h"
#include "mos_umt.h"

#include <cstring>

namespace {

constexpr uint32_t kMinStackLeftBytes = 8192;

uint32_t g_bInitialized = 0;
uint8_t maxConfigurations_G = 0;
MosOnce srmOnce_G = {sizeReductionManager_InitIntrn, sizeReductionManager_DestroyIntrn, nullptr, 0};

bool BytesMatchLinear(const uint8_t *pBlock, uint32_t size, uint8_t b) {
    uint32_t i = 1;
    for (; i < 8 && i < size; ++i) {
        if (pBlock[i] != b) {
            return false;
        }
    }
    const uint64_t pattern = b * 0x0101010101010101ull;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, pBlock + i, sizeof(word));
        if (word != pattern) {
            return false;
        }
    }
    for (; i < size; ++i) {
        if (pBlock[i] != b) {
            return false;
        }
    }
    return true;
}

// Middle byte first, then the left half, then the right half.
bool BytesMatchHalves(const uint8_t *pBlock, uint32_t size, uint8_t b) {
    if (size == 0) {
        return true;
    }
    if (size == 1) {
        return pBlock[0] == b;
    }
    const uint32_t half = size / 2;
    return pBlock[half] == b && BytesMatchHalves(pBlock, half, b) &&
           BytesMatchHalves(pBlock + half, size - half, b);
}

void WritePatternForm(SizeReductionRequest *pRequest, uint8_t b) {
    const uint8_t form[SRM_PATTERN_REDUCED_BYTES] = {1, 0, 0, 0, b};
    std::memcpy(pRequest->reducedDataBuffer, form, sizeof(form));
    pRequest->reducedDataSizeBytes = SRM_PATTERN_REDUCED_BYTES;
}

void CheckStackLeft() {
    if (umtTls_G.pUmt == nullptr) {
        return;
    }
    const uint64_t left = mosUmt_GetStackSpaceLeftInBs();
    if (left < kMinStackLeftBytes) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: DEBUG ASSERT");
        MOS_TRACE(MOS_COMP_SRM, 1, "ERROR: Stack size left is too small (%lld)",
                  static_cast<long long>(left));
    }
}

// The pattern-matching method of a configuration, or 0 when it has none.
MOS_RC PatternMethodOf(uint64_t confHandle, SizeReductionConfig word, uint32_t *pMethod) {
    *pMethod = SRM_PATTERN_MATCHING_METHOD__NONE;
    if (sizeReductionConfig_IsTechniqueSet(word, SRM_TECHNIQUE__PATTERN_MATCHING) == 0) {
        return MOS_RC__SUCCESS;
    }
    uint64_t value = 0;
    const MOS_RC rc = sizeReductionConfManager_GetTechniqueConfig(
        confHandle, SRM_TECHNIQUE__PATTERN_MATCHING, &value);
    if (rc == MOS_RC__ERROR) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "ERROR: SRM: sizeReductionManager_Shrink failed due failure getting "
                  "thetechnique specific config (Pattern Matching)! confHandle: %llu",
                  static_cast<unsigned long long>(confHandle));
        return rc;
    }
    MOS_ASSERT_TEXT(rc == MOS_RC__SUCCESS, "65 == (rc)");
    *pMethod = static_cast<uint32_t>(value);
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC patternMatchingEngine_Shrink(SizeReductionRequest *pRequest, uint32_t method) {
    MOS_ASSERT_TEXT(pRequest != nullptr, "(pRequest) != NULL");
    MOS_ASSERT(SRM_PATTERN_MATCHING_METHOD__NONE < method &&
               SRM_PATTERN_MATCHING_METHOD__LAST > method);
    MOS_ASSERT(0 < SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(pRequest));
    const uint32_t size = SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(pRequest);
    const uint8_t *pBlock = pRequest->unreducedDataBuffer;
    const uint8_t b = pBlock[0];
    const bool bZerosOnly = method == SRM_PATTERN_MATCHING_METHOD__ZEROS_LINEAR ||
                            method == SRM_PATTERN_MATCHING_METHOD__ZEROS_HALVES;
    const bool bLinear = method == SRM_PATTERN_MATCHING_METHOD__ZEROS_LINEAR ||
                         method == SRM_PATTERN_MATCHING_METHOD__BYTE_LINEAR;
    if ((bZerosOnly && b != 0) ||
        !(bLinear ? BytesMatchLinear(pBlock, size, b) : BytesMatchHalves(pBlock, size, b))) {
        pRequest->reducedDataSizeBytes = 0;
        return MOS_RC__BLOCK_WAS_NOT_SHRINKED;
    }
    WritePatternForm(pRequest, b);
    return b == 0 ? MOS_RC__IO_ZERO_BUF : MOS_RC__SUCCESS;
}

MOS_RC sizeReductionManager_ShrinkBlockIntrn(SizeReductionRequest *pRequest,
                                             CompressionEngine *pEngine, uint32_t method) {
    MOS_ASSERT_TEXT(pRequest->unreducedDataBuffer != nullptr,
                    "(pRequest->unreducedDataBuffer) != NULL");
    MOS_ASSERT_TEXT(pRequest->reducedDataBuffer != nullptr,
                    "(pRequest->reducedDataBuffer) != NULL");
    const uint32_t unreducedSizeBytes =
        SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(pRequest);
    MOS_ASSERT(0 < unreducedSizeBytes);
    CheckStackLeft();
    const SizeReductionConfig confWord = pRequest->config;
    sizeReductionConfig_Clear(&pRequest->config);
    MOS_RC rc = MOS_RC__BLOCK_WAS_NOT_SHRINKED;
    if (method != SRM_PATTERN_MATCHING_METHOD__NONE) {
        rc = patternMatchingEngine_Shrink(pRequest, method);
        if (rc == MOS_RC__IO_ZERO_BUF || rc == MOS_RC__SUCCESS) {
            sizeReductionConfig_GetTechniqueExtShiftAndMask(
                confWord, SRM_TECHNIQUE__PATTERN_MATCHING, &pRequest->config);
            MOS_TRACE(MOS_COMP_SRM, 3,
                      "SRM: Block was shrinked by PatternMatching Unreduced size: %u, Reduced "
                      "size:%u ",
                      unreducedSizeBytes, pRequest->reducedDataSizeBytes);
            return rc;
        }
        if (rc != MOS_RC__BLOCK_WAS_NOT_SHRINKED) {
            MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: ASSERT condition (%s) failed.", "2020 == rc");
        }
    }
    if (pEngine == nullptr) {
        return rc;
    }
    rc = compressionEngine_Compress(pEngine, pRequest);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    sizeReductionConfig_GetTechniqueExtShiftAndMask(confWord, SRM_TECHNIQUE__COMPRESSION,
                                                    &pRequest->config);
    MOS_TRACE(MOS_COMP_SRM, 3,
              "SRM: Block was shrinked by CompressionUnreduced size: %u, Reduced size:%u ",
              unreducedSizeBytes, pRequest->reducedDataSizeBytes);
    return MOS_RC__SUCCESS;
}

MOS_RC sizeReductionManager_ShrinkBlock(uint64_t confHandle, SizeReductionRequest *pRequest) {
    MOS_ASSERT(1 == g_bInitialized);
    MOS_ASSERT_TEXT(pRequest != nullptr, "(pRequest) != ((void *)0)");
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "ERROR: SRM: sizeReductionManager_Shrink failed due to invalid confHandle: %llu",
                  static_cast<unsigned long long>(confHandle));
        return MOS_RC__INVALID_ARG;
    }
    SizeReductionConfig word = 0;
    MOS_RC rc = sizeReductionConfManager_GetSizeReductionConfig(confHandle, &word);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "ERROR: SRM: sizeReductionManager_Shrink failed due failure getting "
                  "theSizeReductionConfig! confHandle: %llu",
                  static_cast<unsigned long long>(confHandle));
        return rc;
    }
    uint32_t method = 0;
    if ((rc = PatternMethodOf(confHandle, word, &method)) != MOS_RC__SUCCESS) {
        return rc;
    }
    mosUmt_SetNonSuspendable();
    CompressionEngine *pEngine = nullptr;
    if (sizeReductionConfig_IsTechniqueSet(word, SRM_TECHNIQUE__COMPRESSION) != 0) {
        rc = compressionEngineAllocator_GetOSThreadCompressionEngine(&pEngine, confHandle);
        if (rc != MOS_RC__SUCCESS) {
            MOS_TRACE(MOS_COMP_SRM, 1,
                      "ERROR: SRM: sizeReductionManager_Shrink failed due failure getting the "
                      "matching Compression Engine! confHandle: %llu",
                      static_cast<unsigned long long>(confHandle));
            mosUmt_SetSuspendable();
            return rc;
        }
    }
    sizeReductionConfig_Copy(&pRequest->config, &word);
    rc = sizeReductionManager_ShrinkBlockIntrn(pRequest, pEngine, method);
    mosUmt_SetSuspendable();
    return rc;
}

MOS_RC sizeReductionManager_InitIntrn(void *pArg) {
    MOS_ASSERT_TEXT(pArg != nullptr, "(pArg) != ((void *)0)");
    if (g_bInitialized != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: DEBUG ASSERT");
        return MOS_RC__SUCCESS;
    }
    auto *pInitParams = static_cast<SizeReductionManagerInitParams *>(pArg);
    MOS_ASSERT(0 < pInitParams->maxConfigurations);
    maxConfigurations_G = pInitParams->maxConfigurations;
    MOS_RC rc = sizeReductionConfManager_Init(pInitParams->maxConfigurations);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "WARNING: SRM: Failed to create the SRM conf managerat function: %s, Line:%u, "
                  "rc: %s",
                  __func__, __LINE__, mos_RcName(rc));
    } else if ((rc = compressionEngineAllocator_Init(pInitParams->maxConfigurations,
                                                     pInitParams->maxOSThreads)) ==
               MOS_RC__SUCCESS) {
        g_bInitialized = 1;
    } else {
        sizeReductionConfManager_Destroy();
    }
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_SRM, 1,
                  "ERROR: SRM: SRM creation failed!!!  SizeReductionManager, pSched: %p, numUmts: "
                  "%u ,maxConfigurations: %u maxOSThreads: %u, rc:%s",
                  pInitParams->pSched, pInitParams->numUmts, pInitParams->maxConfigurations,
                  pInitParams->maxOSThreads, mos_RcName(rc));
        return rc;
    }
    MOS_TRACE(MOS_COMP_SRM, 2,
              "SRM: SRM was created successfully pSched: %p, numUmts: %u ,maxConfigurations: %u "
              ", maxOSThreads: %u.",
              pInitParams->pSched, pInitParams->numUmts, pInitParams->maxConfigurations,
              pInitParams->maxOSThreads);
    return MOS_RC__SUCCESS;
}

void sizeReductionManager_DestroyIntrn(void * /*pArg*/) {
    if (g_bInitialized == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: DEBUG ASSERT");
        return;
    }
    for (uint64_t handle = 1; handle <= maxConfigurations_G; ++handle) {
        (void)sizeReductionManager_FreeConf(handle);
    }
    sizeReductionConfManager_Destroy();
    compressionEngineAllocator_Destroy();
    g_bInitialized = 0;
    MOS_TRACE(MOS_COMP_SRM, 2, "SRM: SRM was destroyed%s", "");
}

MOS_RC sizeReductionManager_Init(SizeReductionManagerInitParams *pParams) {
    srmOnce_G.pUserData = pParams;
    return mosOnce_RunInit(&srmOnce_G);
}

void sizeReductionManager_Destroy() {
    (void)mosOnce_RunDestroy(&srmOnce_G);
}

MOS_RC sizeReductionManager_AllocateConf(const SizeReductionConfParams *pParams,
                                         uint64_t *pConfHandle) {
    MOS_ASSERT(1 == g_bInitialized);
    MOS_RC rc = sizeReductionConfManager_AllocateConf(pParams, pConfHandle);
    if (rc != MOS_RC__SUCCESS ||
        sizeReductionConfig_IsTechniqueSet(pParams->config, SRM_TECHNIQUE__COMPRESSION) == 0) {
        return rc;
    }
    rc = compressionEngineAllocator_InitConfData(*pConfHandle, &pParams->compression,
                                                 pParams->maxInputBufferSizeInBytes);
    if (rc != MOS_RC__SUCCESS) {
        sizeReductionConfManager_FreeConf(*pConfHandle);
        *pConfHandle = 0;
    }
    return rc;
}

MOS_RC sizeReductionManager_FreeConf(uint64_t confHandle) {
    MOS_ASSERT(1 == g_bInitialized);
    SizeReductionConf *pConf = nullptr;
    const bool bHeld =
        sizeReductionConfManager_GetConf(confHandle, &pConf) == MOS_RC__SUCCESS && pConf != nullptr;
    const bool bEngines =
        bHeld && sizeReductionConfig_IsTechniqueSet(pConf->config, SRM_TECHNIQUE__COMPRESSION) != 0;
    sizeReductionConfManager_FreeConf(confHandle);
    // A configuration that does not compress never had engines: freeing
    // it succeeds without them.
    if (bHeld && !bEngines) {
        return MOS_RC__SUCCESS;
    }
    return compressionEngineAllocator_DestroyConfData(confHandle);
}
