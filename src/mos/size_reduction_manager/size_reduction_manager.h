// The size-reduction manager: reduces one block at a time, first by
// pattern matching (a block of one repeated byte becomes five bytes), then
// by compression on the calling thread's engine, as the block's
// configuration enables. A block is 4 KiB to 1020 KiB in whole 4 KiB units.
//
// Pattern-matching reduced form: u32 1 (little-endian), then the byte.
#pragma once

#include "compression_engine.h"
#include "size_reduction_config.h"
#include "size_reduction_request.h"

#include <cstdint>

struct SizeReductionManagerInitParams {
    void *pSched;              // traced only
    uint8_t numUmts;           // traced only
    uint8_t maxConfigurations; // at least 1
    uint8_t maxOSThreads;      // at least 1
};

enum : uint32_t {
    SRM_PATTERN_MATCHING_METHOD__NONE = 0,
    SRM_PATTERN_MATCHING_METHOD__ZEROS_LINEAR = 1,
    SRM_PATTERN_MATCHING_METHOD__ZEROS_HALVES = 2,
    SRM_PATTERN_MATCHING_METHOD__BYTE_LINEAR = 3,
    SRM_PATTERN_MATCHING_METHOD__BYTE_HALVES = 4,
    SRM_PATTERN_MATCHING_METHOD__LAST = 5,
};

inline constexpr uint32_t SRM_PATTERN_REDUCED_BYTES = 5;

// Takes a reference on the manager, initialising it on the first one;
// every successful call is balanced by sizeReductionManager_Destroy.
[[nodiscard]] MOS_RC sizeReductionManager_Init(SizeReductionManagerInitParams *pParams);
// Releases a reference; the last one frees every configuration and engine.
void sizeReductionManager_Destroy();
[[nodiscard]] MOS_RC sizeReductionManager_InitIntrn(void *pArg);
void sizeReductionManager_DestroyIntrn(void *pArg);

// A configuration and, when it compresses, its engine pool.
[[nodiscard]] MOS_RC sizeReductionManager_AllocateConf(const SizeReductionConfParams *pParams,
                                                       uint64_t *pConfHandle);
// Frees a configuration with its engines: MOS_RC__SUCCESS, or
// MOS_RC__INVALID_ARG for a handle without a configuration.
[[nodiscard]] MOS_RC sizeReductionManager_FreeConf(uint64_t confHandle);

// MOS_RC__SUCCESS (compressed, or one non-zero byte repeated),
// MOS_RC__IO_ZERO_BUF (a zero block), MOS_RC__BLOCK_WAS_NOT_SHRINKED, or a
// failure code. The request's technique word says which technique won.
[[nodiscard]] MOS_RC sizeReductionManager_ShrinkBlock(uint64_t confHandle,
                                                      SizeReductionRequest *pRequest);
[[nodiscard]] MOS_RC sizeReductionManager_ShrinkBlockIntrn(SizeReductionRequest *pRequest,
                                                           CompressionEngine *pEngine,
                                                           uint32_t method);
[[nodiscard]] MOS_RC patternMatchingEngine_Shrink(SizeReductionRequest *pRequest, uint32_t method);
