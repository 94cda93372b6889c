// One block handed to the size-reduction manager, with what it did to it.
#pragma once

#include "size_reduction_config.h"

#include <cstdint>

inline constexpr uint32_t SRM_UNIT_BYTES = 4 * 1024;

struct SizeReductionRequest {
    uint8_t *unreducedDataBuffer;  // the block
    uint8_t *reducedDataBuffer;    // where its reduced form goes
    uint32_t reducedDataSizeBytes; // 0 when the block was not reduced
    SizeReductionConfig config;    // on return: the technique that reduced it
    uint8_t unreducedSizeUnits;    // the block's size in 4 KiB units
};

inline uint32_t
SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(const SizeReductionRequest *pRequest) {
    return uint32_t{pRequest->unreducedSizeUnits} * SRM_UNIT_BYTES;
}

// Stores a whole number of 4 KiB units below 1 MiB; anything else is a
// broken invariant.
void SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(SizeReductionRequest *pRequest,
                                                           uint32_t sizeBytes);
