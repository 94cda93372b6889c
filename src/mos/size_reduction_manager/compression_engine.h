// Compression engines: a codec encoder and decoder pair with the memory
// they need, for one configuration and one operating-system thread, and
// the allocator that makes one per thread and configuration on first use.
//
// An engine is one block: its fields, the scratch pad (the encoder's work
// memory), then the encoder context on the first 64-byte boundary after
// it and the decoder context right after that.
#pragma once

#include "mos_mempool.h"
#include "size_reduction_config.h"
#include "size_reduction_request.h"

#include "tezl.h"

#include <cstdint>

struct CompressionEngine {
    void *pEncoderContext;
    void *pDecoderContext;
    TezlContext *pEncoder;
    TezlContext *pDecoder;
    uint32_t maxInputBufferSizeInBytes;
    int32_t encoderLevel;
    int32_t decoderLevel;
    uint32_t scratchPadSize;
    uint8_t maxCompressedPercentage;
    // the scratch pad and both contexts follow
};

enum : uint32_t {
    COMPRESSION_ENGINE_OP_TYPE__COMPRESS = 1,
    COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS = 2,
};

uint32_t compressionEngine_GetEncoderSizeInBytes(uint32_t method);
uint32_t compressionEngine_GetDecoderSizeInBytes(uint32_t method);
uint32_t compressionEngine_GetScaratchPadSize(uint32_t method, uint32_t maxInputBufferSizeInBytes);
// The block an engine of this configuration needs, alignment slack included.
uint32_t compressionEngine_GetBlockSizeInBytes(const SizeReductionCompressionConf *pConf,
                                               uint32_t maxInputBufferSizeInBytes);

// Builds an engine in pEngine (compressionEngine_GetBlockSizeInBytes bytes):
// MOS_RC__SUCCESS, MOS_RC__INVALID_ARG for a method outside 1..4, or
// MOS_RC__ERROR when the codec pair cannot be made.
[[nodiscard]] MOS_RC compressionEngine_Create(CompressionEngine *pEngine,
                                              uint32_t maxInputBufferSizeInBytes,
                                              const SizeReductionCompressionConf *pConf);
// Compress: MOS_RC__SUCCESS, or MOS_RC__BLOCK_WAS_NOT_SHRINKED when the
// block does not fit the configured share. Decompress: MOS_RC__SUCCESS, or
// MOS_RC__BLOCK_WAS_NOT_EXPANDED unless exactly the block's size came back.
[[nodiscard]] MOS_RC compressionEngine_ExecuteOP(CompressionEngine *pEngine,
                                                 SizeReductionRequest *pRequest, uint32_t opType);
[[nodiscard]] MOS_RC compressionEngine_Compress(CompressionEngine *pEngine,
                                                SizeReductionRequest *pRequest);

// The allocator (inside the manager's init and destroy).
[[nodiscard]] MOS_RC compressionEngineAllocator_Init(uint8_t maxConfigurations,
                                                     uint8_t maxOSThreads);
void compressionEngineAllocator_Destroy();
// Makes a configuration's engine pool: one engine per thread that may use it.
[[nodiscard]] MOS_RC
compressionEngineAllocator_InitConfData(uint64_t confHandle,
                                        const SizeReductionCompressionConf *pConf,
                                        uint32_t maxInputBufferSizeInBytes);
// Drops every thread's engine of one configuration and its pool.
[[nodiscard]] MOS_RC compressionEngineAllocator_DestroyConfData(uint64_t confHandle);
// The calling thread's engine for a configuration, made on first use.
[[nodiscard]] MOS_RC
compressionEngineAllocator_GetOSThreadCompressionEngine(CompressionEngine **ppEngine,
                                                        uint64_t confHandle);
// Clean-up of a thread's user context: returns the thread's engines.
void compressionEngineAllocator_OSTContextDestroyedCK(uint32_t contextKey, uint64_t value);
