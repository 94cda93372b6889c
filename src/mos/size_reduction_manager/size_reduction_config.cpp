// Size-reduction configurations and their handle table.

#include "size_reduction_config.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_mempool.h"
#include "mos_trace.h"

#include <cstring>

namespace {

constexpr uint64_t kTableMaxSize = 0x5000000;
constexpr uint32_t kPoolFlags = MOS_MEMPOOL_FLAG__MAY_FAIL | MOS_MEMPOOL_FLAG__FREE_LIST;

uint32_t g_bSRCMInitialized = 0;

struct ConfManager {
    uint8_t maxConfigurations;
    SizeReductionConf **ppConfs; // entry h - 1 for handle h; null when free
    MosMemPool confsPool;
    MosMemPool compressionConfsPool;
};
ConfManager manager_G;

bool IsSingleTechnique(uint32_t technique) {
    return technique != 0 && technique < 32 && (technique & (technique - 1)) == 0;
}

uint32_t SlotOf(uint32_t technique) {
    if (technique == SRM_TECHNIQUE__COMPRESSION) {
        return SRM_SLOT__COMPRESSION;
    }
    return technique == SRM_TECHNIQUE__8 ? SRM_SLOT__TECHNIQUE_8 : SRM_SLOT__OTHER;
}

void FreeTable() {
    mos_MemFreeBare(manager_G.ppConfs);
    manager_G.ppConfs = nullptr;
}

} // namespace

void sizeReductionConfig_Clear(SizeReductionConfig *pConfig) {
    *pConfig = 0;
}

void sizeReductionConfig_Copy(SizeReductionConfig *pDst, const SizeReductionConfig *pSrc) {
    *pDst = *pSrc;
}

void sizeReductionConfig_GetTechniqueExtShiftAndMask(SizeReductionConfig src, uint32_t technique,
                                                     SizeReductionConfig *pDst) {
    uint16_t mask = 0;
    switch (technique) {
        case SRM_TECHNIQUE__NONE:
            break;
        case SRM_TECHNIQUE__1:
        case SRM_TECHNIQUE__PATTERN_MATCHING:
            mask = static_cast<uint16_t>(technique | 0x300);
            break;
        case SRM_TECHNIQUE__COMPRESSION:
            mask = SRM_TECHNIQUE__COMPRESSION | 0xE0;
            break;
        case SRM_TECHNIQUE__8:
            mask = SRM_TECHNIQUE__8 | 0x1C00;
            break;
        default:
            ALWAYS_ASSERT();
    }
    *pDst = static_cast<SizeReductionConfig>(*pDst | (src & mask));
}

uint32_t sizeReductionConfig_IsTechniqueSet(SizeReductionConfig config, uint32_t technique) {
    if (technique == SRM_TECHNIQUE__NONE) {
        return (config & SRM_TECHNIQUE__ALL_BITS) == 0 ? 1 : 0;
    }
    return (config & technique) != 0 ? 1 : 0;
}

MOS_RC sizeReductionConfManager_Init(uint8_t maxConfigurations) {
    MOS_ASSERT(0 < maxConfigurations);
    MOS_ASSERT(0 == g_bSRCMInitialized);
    const uint64_t tableBytes = sizeof(SizeReductionConf *) * maxConfigurations;
    manager_G.ppConfs = static_cast<SizeReductionConf **>(
        mos_MemCallocBare(tableBytes, kTableMaxSize, "sizeReductionConfManager_Init", true));
    if (manager_G.ppConfs == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    (void)mosMemPinning_Pin(manager_G.ppConfs, tableBytes, nullptr, nullptr, false);
    manager_G.maxConfigurations = maxConfigurations;
    if (mosMemPool_CreateEx(&manager_G.confsPool, "SRMconfsMemPool", sizeof(SizeReductionConf),
                            maxConfigurations, 0, kPoolFlags, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) != MOS_RC__SUCCESS) {
        FreeTable();
        return MOS_RC__NO_RESOURCES;
    }
    if (mosMemPool_CreateEx(&manager_G.compressionConfsPool, "SRMcompressiontechniqueConfs",
                            sizeof(SizeReductionCompressionConf), maxConfigurations, 0, kPoolFlags,
                            nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr) != MOS_RC__SUCCESS) {
        mosMemPool_Destroy(&manager_G.confsPool);
        FreeTable();
        return MOS_RC__NO_RESOURCES;
    }
    g_bSRCMInitialized = 1;
    return MOS_RC__SUCCESS;
}

void sizeReductionConfManager_Destroy() {
    MOS_ASSERT(1 == g_bSRCMInitialized);
    // Configurations still held go with their pools; their blocks are
    // handed back first so the pools' accounting closes.
    for (uint32_t i = 0; i < manager_G.maxConfigurations; ++i) {
        if (manager_G.ppConfs[i] != nullptr) {
            sizeReductionConfManager_FreeConf(uint64_t{i} + 1);
        }
    }
    FreeTable();
    mosMemPool_Destroy(&manager_G.confsPool);
    mosMemPool_Destroy(&manager_G.compressionConfsPool);
    g_bSRCMInitialized = 0;
}

uint32_t sizeReductionConfManager_IsConfHandleValid(uint64_t confHandle) {
    return confHandle >= 1 && confHandle <= manager_G.maxConfigurations ? 1 : 0;
}

MOS_RC sizeReductionConfManager_GetConf(uint64_t confHandle, SizeReductionConf **ppConf) {
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0) {
        return MOS_RC__INVALID_ARG;
    }
    *ppConf = manager_G.ppConfs[confHandle - 1];
    return MOS_RC__SUCCESS;
}

MOS_RC sizeReductionConfManager_GetSizeReductionConfig(uint64_t confHandle,
                                                       SizeReductionConfig *pConfig) {
    SizeReductionConf *pConf = nullptr;
    if (sizeReductionConfManager_GetConf(confHandle, &pConf) != MOS_RC__SUCCESS ||
        pConf == nullptr) {
        sizeReductionConfig_Clear(pConfig);
        return MOS_RC__INVALID_ARG;
    }
    sizeReductionConfig_Copy(pConfig, &pConf->config);
    return MOS_RC__SUCCESS;
}

uint32_t sizeReductionConfManager_IsTechniqueEnabled(uint64_t confHandle, uint32_t technique) {
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0 ||
        !IsSingleTechnique(technique)) {
        return 0;
    }
    const SizeReductionConf *pConf = manager_G.ppConfs[confHandle - 1];
    MOS_ASSERT_TEXT(pConf != nullptr, "((void *)0) != pConf");
    return sizeReductionConfig_IsTechniqueSet(pConf->config, technique);
}

MOS_RC sizeReductionConfManager_GetTechniqueConfig(uint64_t confHandle, uint32_t technique,
                                                   uint64_t *pTechniqueConfig) {
    MOS_ASSERT_TEXT(pTechniqueConfig != nullptr, "(pPTechniqueConfig) != NULL");
    *pTechniqueConfig = 0;
    if (sizeReductionConfManager_IsConfHandleValid(confHandle) == 0 ||
        manager_G.ppConfs[confHandle - 1] == nullptr || technique == SRM_TECHNIQUE__16 ||
        sizeReductionConfManager_IsTechniqueEnabled(confHandle, technique) == 0) {
        return MOS_RC__INVALID_ARG;
    }
    const SizeReductionConf *pConf = manager_G.ppConfs[confHandle - 1];
    if (pConf == nullptr) {
        return MOS_RC__ERROR; // freed meanwhile
    }
    *pTechniqueConfig = pConf->techniqueConfs[SlotOf(technique)];
    return MOS_RC__SUCCESS;
}

void sizeReductionConfManager_FreeConf(uint64_t confHandle) {
    MOS_ASSERT(1 == g_bSRCMInitialized);
    MOS_ASSERT(1 == sizeReductionConfManager_IsConfHandleValid(confHandle));
    SizeReductionConf *pConf = manager_G.ppConfs[confHandle - 1];
    if (pConf == nullptr) {
        return;
    }
    if (sizeReductionConfig_IsTechniqueSet(pConf->config, SRM_TECHNIQUE__COMPRESSION) != 0) {
        void *pCompression = reinterpret_cast<void *>(
            static_cast<uintptr_t>(pConf->techniqueConfs[SRM_SLOT__COMPRESSION]));
        if (pCompression == nullptr) {
            MOS_TRACE(MOS_COMP_MOS, 1, "ASSERT condition (%s) failed.",
                      "((void *)0) != pCompressionTechniqueSpecificConfig");
        } else {
            mosMemPool_Free(&manager_G.compressionConfsPool, pCompression);
        }
    }
    manager_G.ppConfs[confHandle - 1] = nullptr;
    mosMemPool_Free(&manager_G.confsPool, pConf);
}

MOS_RC sizeReductionConfManager_AllocateConf(const SizeReductionConfParams *pParams,
                                             uint64_t *pConfHandle) {
    MOS_ASSERT(1 == g_bSRCMInitialized);
    *pConfHandle = 0;
    const bool bCompression =
        sizeReductionConfig_IsTechniqueSet(pParams->config, SRM_TECHNIQUE__COMPRESSION) != 0;
    if (sizeReductionConfig_IsTechniqueSet(pParams->config, SRM_TECHNIQUE__NONE) != 0 ||
        (bCompression && pParams->compression.maxCompressedPercentage == 0)) {
        return MOS_RC__INVALID_ARG;
    }
    uint32_t index = 0;
    while (index < manager_G.maxConfigurations && manager_G.ppConfs[index] != nullptr) {
        ++index;
    }
    void *pBlock = nullptr;
    if (index == manager_G.maxConfigurations ||
        mosMemPool_Alloc(&manager_G.confsPool, &pBlock) != MOS_RC__SUCCESS) {
        return MOS_RC__NO_RESOURCES;
    }
    auto *pConf = static_cast<SizeReductionConf *>(pBlock);
    std::memset(pConf, 0, sizeof(*pConf));
    if (bCompression) {
        void *pCompression = nullptr;
        if (mosMemPool_Alloc(&manager_G.compressionConfsPool, &pCompression) != MOS_RC__SUCCESS) {
            mosMemPool_Free(&manager_G.confsPool, pConf);
            return MOS_RC__NO_RESOURCES;
        }
        std::memcpy(pCompression, &pParams->compression, sizeof(pParams->compression));
        pConf->techniqueConfs[SRM_SLOT__COMPRESSION] = reinterpret_cast<uintptr_t>(pCompression);
    }
    pConf->techniqueConfs[SRM_SLOT__TECHNIQUE_8] = pParams->technique8Conf;
    pConf->techniqueConfs[SRM_SLOT__OTHER] = pParams->otherConf;
    pConf->maxInputBufferSizeInBytes = pParams->maxInputBufferSizeInBytes;
    pConf->config = pParams->config;
    manager_G.ppConfs[index] = pConf;
    *pConfHandle = uint64_t{index} + 1;
    return MOS_RC__SUCCESS;
}
