// The compressed trace sink: its buffers, files and life cycle.

#include "mos_compressed_trace.h"

#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_trace.h"
#include "usr/mos_memory_pinning.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint64_t kAllocMaxSize = 80ull * 1024 * 1024;
constexpr const char *kTag = "mosCompressedTrace_Init";
constexpr size_t kRescuePrefixChars = 25;
constexpr size_t kLineBytes = 1024;

bool IsValidBufferSize(uint32_t sizeBytes) {
    return sizeBytes != 0 &&
           (sizeBytes & ((SRM_UNIT_BYTES - 1) | ~((SRM_UNIT_BYTES << 8) - 1))) == 0;
}

void *AllocPinned(uint64_t bytes) {
    void *p = mos_MemCallocBare(bytes, kAllocMaxSize, kTag, false);
    (void)mosMemPinning_Pin(p, bytes, nullptr, nullptr, false);
    return p;
}

void FreeAreas(MosCompressedTrace *pTrace) {
    mos_MemFreeBare(pTrace->pRawArea);
    mos_MemFreeBare(pTrace->pReducedArea);
    mos_MemFreeBare(pTrace);
}

void InitBuffers(MosCompressedTrace *pTrace) {
    mosFastlock_Create(&pTrace->lock);
    for (uint32_t i = 0; i < pTrace->numBuffers; ++i) {
        MosCompressedTraceBuf &buf = pTrace->buffers[i];
        buf.state = MOS_CTRC_BUF__FREE;
        buf.index = i;
        const uint64_t slice = uint64_t{i} * pTrace->bufferSize;
        buf.request.unreducedDataBuffer =
            pTrace->pRawArea + slice + MOS_COMPRESSED_TRACE_BLOCK_HEAD;
        buf.request.reducedDataBuffer =
            pTrace->pReducedArea + slice + MOS_COMPRESSED_TRACE_BLOCK_HEAD;
        SizeReductionRequestAdapter_SetUnreducedDataSizeBytes(&buf.request, pTrace->bufferSize);
        mosFastlock_Create(&buf.lock);
        mosFastlock_Create(&buf.reduceLock);
    }
}

// The rescue file sits beside the compressed file: same directory, history
// and size, its prefix cut to 25 characters and ".rescue" added. A rescue
// file that cannot be made leaves the sink without one.
void CreateRescueFile(MosCompressedTrace *pTrace, const MosCyclicFileParams &compressed) {
    const std::string prefix = std::string(compressed.prefix != nullptr ? compressed.prefix : "")
                                   .substr(0, kRescuePrefixChars) +
                               ".rescue";
    MosCyclicFileParams params = compressed;
    params.bAsync = 0;
    params.bBinary = 0;
    params.pHeaderWriterCK = nullptr;
    params.prefix = prefix.c_str();
    if (mosCyclicFile_Create(&pTrace->rescueFile, &params) == MOS_RC__SUCCESS) {
        pTrace->bRescuePresent = 1;
    } else {
        MOS_TRACE(MOS_COMP_MOS, 1, "WARNING: compressed trace goes on without its rescue file %s",
                  prefix.c_str());
    }
}

} // namespace

MosCompressedTrace *mosCompressedTrace_Init(const MosTrcParams *pParams) {
    const uint32_t numBuffers = pParams->trc_compressed_num_buffers;
    const uint32_t bufferSize = pParams->trc_compressed_buffer_size;
    // The key admits any multiple of 1 KiB up to 2 MiB; a block holds whole
    // 4 KiB units below 1 MiB, so another size refuses the sink.
    if (numBuffers == 0 || !IsValidBufferSize(bufferSize)) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "ERROR: compressed trace buffer size %u is not a multiple of 4096 below 1 MiB",
                  bufferSize);
        return nullptr;
    }
    const uint64_t recordBytes =
        sizeof(MosCompressedTrace) + sizeof(MosCompressedTraceBuf) * (numBuffers - 1);
    auto *pTrace = static_cast<MosCompressedTrace *>(AllocPinned(recordBytes));
    pTrace->numBuffers = numBuffers;
    pTrace->numFree = numBuffers;
    pTrace->bufferSize = bufferSize;
    pTrace->pRawArea = static_cast<uint8_t *>(AllocPinned(uint64_t{bufferSize} * numBuffers));
    pTrace->pReducedArea = static_cast<uint8_t *>(AllocPinned(uint64_t{bufferSize} * numBuffers));
    MosCyclicFileParams fileParams = pParams->trcCompressedFile;
    fileParams.bBinary = 1;
    if (mosCyclicFile_Create(&pTrace->file, &fileParams) != MOS_RC__SUCCESS) {
        FreeAreas(pTrace);
        return nullptr;
    }
    InitBuffers(pTrace);
    if (pParams->trc_compressed_use_rescue != 0) {
        CreateRescueFile(pTrace, pParams->trcCompressedFile);
    }
    return pTrace;
}

void mosCompressedTrace_Destroy(MosCompressedTrace *pTrace, uint32_t bFlush) {
    if (pTrace == nullptr) {
        return;
    }
    if (bFlush != 0) {
        mosCompressedTrace_DumpNow(pTrace, 0);
    }
    pTrace->bActive = 0;
    for (uint32_t i = 0; i < pTrace->numBuffers; ++i) {
        mosFastlockBase_Destroy(&pTrace->buffers[i].lock);
        mosFastlockBase_Destroy(&pTrace->buffers[i].reduceLock);
    }
    mosFastlockBase_Destroy(&pTrace->lock);
    if (pTrace->bRescuePresent != 0) {
        mosCyclicFile_WaitDump(&pTrace->rescueFile, 0);
        mosCyclicFile_Destroy(&pTrace->rescueFile);
    }
    mosCyclicFile_WaitDump(&pTrace->file, 0);
    mosCyclicFile_Destroy(&pTrace->file);
    // The sink never holds a size-reduction configuration nor a reference
    // on the manager, so it has none to give back.
    FreeAreas(pTrace);
}

void mosCompressedTrace_DumpNow(MosCompressedTrace *pTrace, uint32_t /*timeoutMs*/) {
    // Nothing makes the sink active here, so its buffers never hold a line
    // and there is nothing to write out.
    MOS_ASSERT(pTrace == nullptr || pTrace->bActive == 0);
}

void mosCompressedTrace_PrintSkippedLinesIfNeeded(MosCompressedTrace *pTrace) {
    const uint32_t skipped = __atomic_exchange_n(&pTrace->skipped, 0, __ATOMIC_ACQ_REL);
    if (skipped != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "-----Skipped %u traces-----", skipped);
    }
}

void mosCompressedTrace_Write(MosCompressedTrace *pTrace, bool bTimestamp, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, ...) {
    // Only an inactive sink exists here: the line is counted as skipped and
    // kept in the rescue file when there is one.
    __atomic_add_fetch(&pTrace->skipped, 1, __ATOMIC_ACQ_REL);
    if (pTrace->bRescuePresent == 0) {
        return;
    }
    // A line is at most 1,024 bytes with its new line.
    char text[kLineBytes];
    va_list args;
    va_start(args, pFormat);
    const int length = std::vsnprintf(text, sizeof(text) - 1, pFormat, args);
    va_end(args);
    const size_t used = length < 0 ? 0 : std::min<size_t>(length, sizeof(text) - 2);
    text[used] = '\n';
    text[used + 1] = '\0';
    mosCyclicFile_WriteLine(&pTrace->rescueFile, bTimestamp, true, bPrefix, pFunc, line, "%s",
                            text);
}
