// Size-reduction configurations: the 16-bit technique word, the
// configuration records and the table of configuration handles the
// size-reduction manager looks configurations up in.
//
// Technique word bits: 0x1 technique 1, 0x2 compression, 0x4 pattern
// matching, 0x8 technique 8, 0x10 technique 16; 0xE0 compression's
// extension bits, 0x300 those shared by techniques 1 and 4, 0x1C00 those of
// technique 8. A configuration's word says what it enables; a reduced
// block's word says which technique reduced it.
#pragma once

#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

typedef uint16_t SizeReductionConfig;

enum : uint16_t {
    SRM_TECHNIQUE__NONE = 0,
    SRM_TECHNIQUE__1 = 1,
    SRM_TECHNIQUE__COMPRESSION = 2,
    SRM_TECHNIQUE__PATTERN_MATCHING = 4,
    SRM_TECHNIQUE__8 = 8,
    SRM_TECHNIQUE__16 = 16,
    SRM_TECHNIQUE__ALL_BITS = 0x1F,
};

enum : uint32_t {
    SRM_COMPRESSION_METHOD__LZ = 1,  // codec family A
    SRM_COMPRESSION_METHOD__LZH = 2, // codec family B
};

// A configuration's technique-specific slots.
enum : uint32_t { SRM_SLOT__COMPRESSION = 0, SRM_SLOT__TECHNIQUE_8 = 1, SRM_SLOT__OTHER = 2 };

struct SizeReductionCompressionConf {
    uint32_t method;
    uint8_t maxCompressedPercentage; // at least 1
};
static_assert(sizeof(SizeReductionCompressionConf) == 8);

struct SizeReductionConf {
    // Slot 0: a SizeReductionCompressionConf pointer; slot 1: technique 8;
    // slot 2: every other technique (pattern matching: its method).
    uint64_t techniqueConfs[3];
    uint32_t maxInputBufferSizeInBytes;
    SizeReductionConfig config;
};
static_assert(sizeof(SizeReductionConf) == 32);
static_assert(offsetof(SizeReductionConf, maxInputBufferSizeInBytes) == 24);
static_assert(offsetof(SizeReductionConf, config) == 28);

void sizeReductionConfig_Clear(SizeReductionConfig *pConfig);
void sizeReductionConfig_Copy(SizeReductionConfig *pDst, const SizeReductionConfig *pSrc);
// ORs into *pDst the bits of src under technique's mask (0: none; 1 and 4:
// technique | 0x300; 2: 2 | 0xE0; 8: 8 | 0x1C00). Any other technique is
// a broken invariant.
void sizeReductionConfig_GetTechniqueExtShiftAndMask(SizeReductionConfig src, uint32_t technique,
                                                     SizeReductionConfig *pDst);
// Technique 0: 1 when no technique bit is set. Else whether word & technique.
uint32_t sizeReductionConfig_IsTechniqueSet(SizeReductionConfig config, uint32_t technique);

// The manager of configuration handles 1..maxConfigurations. Init and
// Destroy run inside the size-reduction manager's own; misuse of the life
// cycle is a broken invariant. Look-ups take no lock: configurations are
// not freed while requests use them.
[[nodiscard]] MOS_RC sizeReductionConfManager_Init(uint8_t maxConfigurations);
void sizeReductionConfManager_Destroy();
uint32_t sizeReductionConfManager_IsConfHandleValid(uint64_t confHandle);
[[nodiscard]] MOS_RC sizeReductionConfManager_GetConf(uint64_t confHandle,
                                                      SizeReductionConf **ppConf);
[[nodiscard]] MOS_RC sizeReductionConfManager_GetSizeReductionConfig(uint64_t confHandle,
                                                                     SizeReductionConfig *pConfig);
uint32_t sizeReductionConfManager_IsTechniqueEnabled(uint64_t confHandle, uint32_t technique);
[[nodiscard]] MOS_RC sizeReductionConfManager_GetTechniqueConfig(uint64_t confHandle,
                                                                 uint32_t technique,
                                                                 uint64_t *pTechniqueConfig);
void sizeReductionConfManager_FreeConf(uint64_t confHandle);

// What a new configuration holds.
struct SizeReductionConfParams {
    SizeReductionConfig config;
    uint32_t maxInputBufferSizeInBytes;
    SizeReductionCompressionConf compression; // read when compression is enabled
    uint64_t technique8Conf;
    uint64_t otherConf; // pattern matching: its method
};

// Fills a configuration into the lowest free handle. MOS_RC__INVALID_ARG
// for a word without a technique or compression without a percentage;
// MOS_RC__NO_RESOURCES when every handle is taken.
[[nodiscard]] MOS_RC sizeReductionConfManager_AllocateConf(const SizeReductionConfParams *pParams,
                                                           uint64_t *pConfHandle);
