// The size-reduction manager's block paths: decompressing a reduced block
// as another party may have stored it, with either engine (family A or
// B), and reducing a block by pattern matching and compression together.
// Input: byte 0 the engine (bit 0) and the pattern method (bits 1-3,
// modulo 5); byte 1 the block size in 4 KiB units (1 to 16); byte 2 the
// compressed share in percent (1 to 100); bytes 3-5 the test block (fill
// byte, one other byte at a position); the rest a reduced block.
//
// It must never crash or write past the block or the reduced buffer. A
// decompression reports success only with the whole block back and never
// records a size above the block's; a block reduced by compression fits
// its share and decompresses to itself; a block reduced by pattern
// matching is one repeated byte (zero for the zero-only methods) and its
// five-byte form names it.
#include "compression_engine.h"
#include "size_reduction_manager.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kMaxUnits = 16;
constexpr uint32_t kMaxBlock = kMaxUnits * SRM_UNIT_BYTES;

// One engine per method and share, made once: engines are reused across
// blocks, as each thread's engine is.
CompressionEngine *engineFor(uint32_t method, uint8_t percentage) {
    static std::unique_ptr<uint8_t[]> blocks[2][101];
    std::unique_ptr<uint8_t[]> &block = blocks[method - 1][percentage];
    if (!block) {
        SizeReductionCompressionConf conf = {method, percentage};
        uint32_t bytes = compressionEngine_GetBlockSizeInBytes(&conf, kMaxBlock);
        block.reset(new uint8_t[bytes]);
        if (compressionEngine_Create(reinterpret_cast<CompressionEngine *>(block.get()), kMaxBlock,
                                     &conf) != MOS_RC__SUCCESS) {
            abort();
        }
    }
    return reinterpret_cast<CompressionEngine *>(block.get());
}

// Decompresses reduced into a block of units; returns the code.
MOS_RC expand(CompressionEngine *pEngine, const uint8_t *pReduced, uint32_t reducedSize,
              uint8_t units, std::vector<uint8_t> *pBlock) {
    pBlock->assign(uint32_t{units} * SRM_UNIT_BYTES, 0);
    std::vector<uint8_t> reduced(pReduced, pReduced + reducedSize); // exact size
    SizeReductionRequest request{};
    request.unreducedDataBuffer = pBlock->data();
    request.reducedDataBuffer = reduced.data();
    request.reducedDataSizeBytes = reducedSize;
    request.unreducedSizeUnits = units;
    MOS_RC rc =
        compressionEngine_ExecuteOP(pEngine, &request, COMPRESSION_ENGINE_OP_TYPE__DECOMPRESS);
    if (request.unreducedSizeUnits > units) {
        abort(); // a size the block buffer does not have
    }
    if (rc == MOS_RC__SUCCESS && request.unreducedSizeUnits != units) {
        abort();
    }
    return rc;
}

bool isOneByte(const std::vector<uint8_t> &block, uint8_t b) {
    for (uint8_t v : block) {
        if (v != b) {
            return false;
        }
    }
    return true;
}

void checkShrink(const std::vector<uint8_t> &block, uint8_t units, CompressionEngine *pEngine,
                 uint8_t percentage, uint32_t patternMethod) {
    std::vector<uint8_t> copy(block);
    std::vector<uint8_t> reduced(block.size()); // the block's size, no more
    SizeReductionRequest request{};
    request.unreducedDataBuffer = copy.data();
    request.reducedDataBuffer = reduced.data();
    request.unreducedSizeUnits = units;
    request.config = 0xFFFF;
    MOS_RC rc = sizeReductionManager_ShrinkBlockIntrn(&request, pEngine, patternMethod);
    if (copy != block) {
        abort(); // reducing never changes the block
    }
    const uint8_t b = block[0];
    const bool bOneByte = isOneByte(block, b);
    const bool bZerosOnly = patternMethod == SRM_PATTERN_MATCHING_METHOD__ZEROS_LINEAR ||
                            patternMethod == SRM_PATTERN_MATCHING_METHOD__ZEROS_HALVES;
    if (rc == MOS_RC__IO_ZERO_BUF ||
        (rc == MOS_RC__SUCCESS && request.reducedDataSizeBytes == SRM_PATTERN_REDUCED_BYTES &&
         (request.config & SRM_TECHNIQUE__PATTERN_MATCHING))) {
        const uint8_t form[SRM_PATTERN_REDUCED_BYTES] = {1, 0, 0, 0, b};
        if (patternMethod == SRM_PATTERN_MATCHING_METHOD__NONE || !bOneByte ||
            (bZerosOnly && b != 0) || (rc == MOS_RC__IO_ZERO_BUF) != (b == 0) ||
            memcmp(reduced.data(), form, sizeof(form)) != 0) {
            abort();
        }
        return;
    }
    if (patternMethod != SRM_PATTERN_MATCHING_METHOD__NONE && bOneByte && !(bZerosOnly && b != 0)) {
        abort(); // a one-byte block the method takes was missed
    }
    if (rc != MOS_RC__SUCCESS) {
        return;
    }
    if (pEngine == nullptr || (request.config & SRM_TECHNIQUE__COMPRESSION) == 0 ||
        request.reducedDataSizeBytes > percentage * block.size() / 100) {
        abort();
    }
    std::vector<uint8_t> back;
    if (expand(pEngine, reduced.data(), request.reducedDataSizeBytes, units, &back) !=
            MOS_RC__SUCCESS ||
        back != block) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 6) {
        return 0;
    }
    const uint32_t method = (pData[0] & 1u) + 1u;
    const uint32_t patternMethod = (pData[0] >> 1 & 7u) % SRM_PATTERN_MATCHING_METHOD__LAST;
    const uint8_t units = static_cast<uint8_t>(1 + pData[1] % kMaxUnits);
    const uint8_t percentage = static_cast<uint8_t>(1 + pData[2] % 100);
    CompressionEngine *pEngine = engineFor(method, percentage);

    std::vector<uint8_t> block;
    (void)expand(pEngine, pData + 6, static_cast<uint32_t>(size - 6), units, &block);

    // A test block: one repeated byte, perhaps with one other byte.
    block.assign(uint32_t{units} * SRM_UNIT_BYTES, pData[3]);
    if ((pData[4] & 1) != 0) {
        block[(uint32_t{pData[4]} << 8 | pData[5]) * 16 % block.size()] ^= 0x5A;
    }
    checkShrink(block, units, (pData[4] & 2) != 0 ? pEngine : nullptr, percentage, patternMethod);
    // The reduced bytes as a block, compressed and expanded.
    if (size - 6 >= block.size()) {
        block.assign(pData + 6, pData + 6 + block.size());
        checkShrink(block, units, pEngine, percentage, patternMethod);
    }
    return 0;
}
