// The compressed trace sink: its buffers, files, life cycle and the data
// path once active.

#include "mos_compressed_trace.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_trace.h"
#include "os_time.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint64_t kAllocMaxSize = 80ull * 1024 * 1024;
constexpr const char *kTag = "mosCompressedTrace_Init";
constexpr size_t kRescuePrefixChars = 25;
constexpr uint32_t kLineBytes = MOS_COMPRESSED_TRACE_LINE_BYTES;
constexpr uint32_t kBlockOverhead =
    MOS_COMPRESSED_TRACE_BLOCK_HEAD + MOS_COMPRESSED_TRACE_BLOCK_TAIL;
constexpr uint8_t kCompressionExtShift = 5;
constexpr uint16_t kCompressionExtMask = 0xE0;

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

uint8_t *RawSlice(const MosCompressedTrace *pTrace, uint32_t i) {
    return pTrace->pRawArea + uint64_t{i} * pTrace->sliceBytes;
}

uint8_t *ReducedSlice(const MosCompressedTrace *pTrace, uint32_t i) {
    return pTrace->pReducedArea + uint64_t{i} * pTrace->sliceBytes;
}

void InitBuffers(MosCompressedTrace *pTrace) {
    mosFastlock_Create(&pTrace->lock);
    for (uint32_t i = 0; i < pTrace->numBuffers; ++i) {
        MosCompressedTraceBuf &buf = pTrace->buffers[i];
        buf.state = MOS_CTRC_BUF__FREE;
        buf.index = i;
        buf.request.unreducedDataBuffer = RawSlice(pTrace, i) + MOS_COMPRESSED_TRACE_BLOCK_HEAD;
        buf.request.reducedDataBuffer = ReducedSlice(pTrace, i) + MOS_COMPRESSED_TRACE_BLOCK_HEAD;
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

// A size the key admits but a block cannot hold, or buffers that together
// exceed what one allocation may take, refuse the sink (the allocator
// would otherwise end the process).
bool AreSettingsUsable(uint32_t bufferSize, uint32_t numBuffers) {
    if (numBuffers == 0 || !IsValidBufferSize(bufferSize)) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "ERROR: compressed trace buffer size %u is not a multiple of 4096 below 1 MiB",
                  bufferSize);
        return false;
    }
    const uint64_t areaBytes = (uint64_t{bufferSize} + kBlockOverhead) * numBuffers;
    if (areaBytes > kAllocMaxSize) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "ERROR: compressed trace buffers need %llu bytes (%u buffers of %u bytes), above "
                  "the limit of %llu",
                  static_cast<unsigned long long>(areaBytes), numBuffers, bufferSize,
                  static_cast<unsigned long long>(kAllocMaxSize));
        return false;
    }
    return true;
}

uint32_t StateOf(const MosCompressedTraceBuf *pBuf) {
    return __atomic_load_n(&pBuf->state, __ATOMIC_ACQUIRE);
}

void SetState(MosCompressedTraceBuf *pBuf, uint32_t state) {
    __atomic_store_n(&pBuf->state, state, __ATOMIC_RELEASE);
}

// The raw data's room: a buffer is full once less than a line would fit.
uint32_t DataBytes(const MosCompressedTrace *pTrace) {
    return pTrace->bufferSize;
}

// Under the buffer's lock: no line goes into it any more; the next buffer
// becomes current.
void MarkFull(MosCompressedTrace *pTrace, MosCompressedTraceBuf *pBuf) MOS_REQUIRES(pBuf->lock) {
    SetState(pBuf, MOS_CTRC_BUF__FULL);
    __atomic_sub_fetch(&pTrace->numFree, 1, __ATOMIC_ACQ_REL);
    uint32_t expected = pBuf->index;
    (void)__atomic_compare_exchange_n(&pTrace->current, &expected,
                                      (pBuf->index + 1) % pTrace->numBuffers, false,
                                      __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
}

// Frames data already in place after a slice's head.
void FrameBlock(MosCompressedTraceBuf *pBuf, uint8_t *pSlice, uint16_t technique,
                uint32_t reducedSizeBytes, uint32_t rawSizeBytes) {
    const MosCompressedTraceBlockHead head = {MOS_COMPRESSED_TRACE_START_MAGIC, technique,
                                              reducedSizeBytes, rawSizeBytes};
    const MosCompressedTraceBlockTail tail = {reducedSizeBytes, MOS_COMPRESSED_TRACE_END_MAGIC};
    std::memcpy(pSlice, &head, sizeof(head));
    std::memcpy(pSlice + sizeof(head) + reducedSizeBytes, &tail, sizeof(tail));
    pBuf->pBlock = pSlice;
    pBuf->blockBytes = reducedSizeBytes + kBlockOverhead;
}

// Under the buffer's second lock. A full buffer is reduced and framed in
// its reduced slice; one the manager did not reduce is framed as it is in
// its raw slice (technique 0), so that no line is lost.
void Reduce(MosCompressedTrace *pTrace, MosCompressedTraceBuf *pBuf)
    MOS_REQUIRES(pBuf->reduceLock) {
    if (StateOf(pBuf) != MOS_CTRC_BUF__FULL) {
        return; // reduced already, or written out and filled anew
    }
    const uint32_t rawSizeBytes = pBuf->writePos;
    std::memset(pBuf->request.unreducedDataBuffer + rawSizeBytes, 0,
                DataBytes(pTrace) - rawSizeBytes);
    pBuf->request.reducedDataSizeBytes = 0;
    const MOS_RC rc = sizeReductionManager_ShrinkBlock(pTrace->confHandle, &pBuf->request);
    const uint32_t reducedSizeBytes = pBuf->request.reducedDataSizeBytes;
    if ((rc == MOS_RC__SUCCESS || rc == MOS_RC__IO_ZERO_BUF) && reducedSizeBytes != 0 &&
        reducedSizeBytes <= DataBytes(pTrace)) {
        FrameBlock(pBuf, ReducedSlice(pTrace, pBuf->index), pBuf->request.config, reducedSizeBytes,
                   rawSizeBytes);
    } else {
        FrameBlock(pBuf, RawSlice(pTrace, pBuf->index), 0, rawSizeBytes, rawSizeBytes);
    }
    SetState(pBuf, MOS_CTRC_BUF__READY);
}

// Appends the buffer's block and frees the buffer. The caller holds the
// control lock and the buffer's lock.
void WriteOut(MosCompressedTrace *pTrace, MosCompressedTraceBuf *pBuf)
    MOS_REQUIRES(pTrace->lock, pBuf->lock) {
    mosCyclicFile_WriteBytes(&pTrace->file, pBuf->pBlock, pBuf->blockBytes, false, true);
    pBuf->writePos = 0;
    pBuf->numLines = 0;
    pBuf->pBlock = nullptr;
    pBuf->blockBytes = 0;
    SetState(pBuf, MOS_CTRC_BUF__FREE);
    __atomic_add_fetch(&pTrace->numFree, 1, __ATOMIC_ACQ_REL);
    pTrace->nextToWrite = (pBuf->index + 1) % pTrace->numBuffers;
}

// Writes out the reduced buffers next in order, without waiting for any
// lock: a buffer or control lock that is taken means another thread is
// at work and writes them out when it is done.
void WriteOutReady(MosCompressedTrace *pTrace) {
    for (;;) {
        if (mosFastlockBase_TryAcquire(&pTrace->lock) == 0) {
            return;
        }
        MosCompressedTraceBuf *pBuf = &pTrace->buffers[pTrace->nextToWrite];
        bool bWritten = false;
        if (mosFastlockBase_TryAcquire(&pBuf->lock) != 0) {
            if (StateOf(pBuf) == MOS_CTRC_BUF__READY) {
                WriteOut(pTrace, pBuf);
                bWritten = true;
            }
            mosFastlockBase_Release(&pBuf->lock);
        }
        mosFastlockBase_Release(&pTrace->lock);
        if (!bWritten) {
            return;
        }
    }
}

uint32_t TakeSkipped(MosCompressedTrace *pTrace) {
    const uint32_t skipped = __atomic_exchange_n(&pTrace->skipped, 0, __ATOMIC_ACQ_REL);
    if (skipped != 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "-----Skipped %u traces-----", skipped);
    }
    return skipped;
}

// Formats a line: room for the timestamp, the prefix, the message cut to
// the buffer, a newline and a NUL. Returns its length without the NUL.
MOS_PRINTF_LIKE(6, 0)
uint32_t FormatLine(char *pText, bool bTimestamp, bool bPrefix, const char *pFunc, uint32_t line,
                    const char *pFormat, va_list args) {
    uint32_t pos = bTimestamp ? MOS_TIMESTAMP_LEN : 0;
    if (bTimestamp) {
        std::memset(pText, ' ', MOS_TIMESTAMP_LEN);
    }
    if (bPrefix) {
        pos += static_cast<uint32_t>(
            mosCyclicFile_FormatLinePrefix(pText + pos, kLineBytes - pos, pFunc, line));
    }
    const int length = std::vsnprintf(pText + pos, kLineBytes - pos, pFormat, args);
    pos += length < 0 ? 0 : static_cast<uint32_t>(length);
    pos = std::min(pos, kLineBytes - 2);
    pText[pos++] = '\n';
    pText[pos] = '\0';
    return pos;
}

// Claims room for the line in the current buffer and returns that buffer
// with its lock held and the line's place, or null when no buffer is free.
// A lock handed over with the returned buffer is beyond the analysis.
MosCompressedTraceBuf *ClaimLine(MosCompressedTrace *pTrace, uint32_t length,
                                 uint32_t *pPos) MOS_NO_THREAD_SAFETY_ANALYSIS {
    for (;;) {
        const uint32_t idx = __atomic_load_n(&pTrace->current, __ATOMIC_ACQUIRE);
        MosCompressedTraceBuf *pBuf = &pTrace->buffers[idx];
        mosFastlockBase_Acquire(&pBuf->lock);
        const uint32_t state = StateOf(pBuf);
        if (idx == __atomic_load_n(&pTrace->current, __ATOMIC_ACQUIRE) &&
            (state == MOS_CTRC_BUF__FREE || state == MOS_CTRC_BUF__FILLING)) {
            *pPos = pBuf->writePos;
            pBuf->writePos += length;
            pBuf->numWriters++;
            pBuf->numLines++;
            SetState(pBuf, MOS_CTRC_BUF__FILLING);
            if (DataBytes(pTrace) - pBuf->writePos < kLineBytes) {
                MarkFull(pTrace, pBuf);
            }
            return pBuf;
        }
        mosFastlockBase_Release(&pBuf->lock);
        if (__atomic_load_n(&pTrace->numFree, __ATOMIC_ACQUIRE) == 0) {
            return nullptr;
        }
    }
}

// Holds the buffer ClaimLine returned locked, and the reduce lock from one
// branch to the matching later one: beyond the analysis.
void WriteActive(MosCompressedTrace *pTrace, char *pText, uint32_t length,
                 bool bTimestamp) MOS_NO_THREAD_SAFETY_ANALYSIS {
    uint32_t pos = 0;
    MosCompressedTraceBuf *pBuf = ClaimLine(pTrace, length, &pos);
    if (pBuf == nullptr) {
        // Writing out what is ready lets the next line find room.
        WriteOutReady(pTrace);
        __atomic_add_fetch(&pTrace->skipped, 1, __ATOMIC_ACQ_REL);
        return;
    }
    if (bTimestamp) {
        // Taken under the buffer's lock, so a buffer's lines keep their order.
        char stamp[MOS_TIMESTAMP_LEN + 1];
        (void)mosCyclicFile_FormatTimestamp(stamp);
        std::memcpy(pText, stamp, MOS_TIMESTAMP_LEN);
    }
    mosFastlockBase_Release(&pBuf->lock);
    std::memcpy(pBuf->request.unreducedDataBuffer + pos, pText, length);
    mosFastlockBase_Acquire(&pBuf->lock);
    pBuf->numWriters--;
    const bool bReduce =
        pBuf->numWriters == 0 && (StateOf(pBuf) == MOS_CTRC_BUF__FULL || pBuf->bHandOver != 0);
    if (bReduce) {
        if (StateOf(pBuf) == MOS_CTRC_BUF__FILLING) {
            MarkFull(pTrace, pBuf); // a dump handed it over
        }
        pBuf->bHandOver = 0;
        mosFastlockBase_Acquire(&pBuf->reduceLock);
    }
    mosFastlockBase_Release(&pBuf->lock);
    if (bReduce) {
        Reduce(pTrace, pBuf);
        mosFastlockBase_Release(&pBuf->reduceLock);
        WriteOutReady(pTrace);
        (void)TakeSkipped(pTrace);
    }
}

// What a dump has done, for its closing line.
struct DumpState {
    uint64_t startMs;
    uint32_t timeoutMs;
    uint32_t numLocked;
    uint32_t numWritten;

    bool IsTimeUp() const {
        return timeoutMs != 0 && osTime_GetTickCount64() - startMs >= timeoutMs;
    }
    uint32_t MsLeft() const {
        const uint64_t spent = osTime_GetTickCount64() - startMs;
        return timeoutMs == 0 || spent >= timeoutMs ? 0 : static_cast<uint32_t>(timeoutMs - spent);
    }
    // Waits for a file's asynchronous dump in the time left, and flushes it.
    void WaitFor(MosCyclicFile *pFile) const {
        const uint32_t leftMs = MsLeft();
        if (timeoutMs == 0 || leftMs != 0) {
            mosCyclicFile_WaitDump(pFile, leftMs);
        }
        mosCyclicFile_Flush(pFile);
    }
};

// With the control lock and the first numLocked buffer locks (from the
// next to write) held: writes out the reduced buffers next in order.
// The buffer locks are a counted run picked by index, which the analysis
// cannot name.
void WriteOutLocked(MosCompressedTrace *pTrace, uint32_t first, DumpState *pDump)
    MOS_REQUIRES(pTrace->lock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    for (;;) {
        const uint32_t offset =
            (pTrace->nextToWrite + pTrace->numBuffers - first) % pTrace->numBuffers;
        MosCompressedTraceBuf *pBuf = &pTrace->buffers[pTrace->nextToWrite];
        if (offset >= pDump->numLocked || StateOf(pBuf) != MOS_CTRC_BUF__READY) {
            return;
        }
        WriteOut(pTrace, pBuf);
        pDump->numWritten++;
    }
}

// With the buffer's lock held by the dump: a buffer nobody is copying into
// is reduced when it holds lines; one in use is handed over to the last
// writer that leaves it.
void ReduceForDump(MosCompressedTrace *pTrace, MosCompressedTraceBuf *pBuf)
    MOS_REQUIRES(pBuf->lock) {
    if (pBuf->numWriters != 0) {
        return;
    }
    const uint32_t state = StateOf(pBuf);
    if (state == MOS_CTRC_BUF__FILLING) {
        MarkFull(pTrace, pBuf);
    } else if (state != MOS_CTRC_BUF__FULL) {
        return;
    }
    mosFastlockBase_Acquire(&pBuf->reduceLock);
    Reduce(pTrace, pBuf);
    mosFastlockBase_Release(&pBuf->reduceLock);
}

// Takes a counted run of buffer locks, released by ReleaseDumpLocks: the
// analysis cannot name them.
void DumpLocked(MosCompressedTrace *pTrace, DumpState *pDump)
    MOS_REQUIRES(pTrace->lock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    const uint32_t first = pTrace->nextToWrite;
    for (uint32_t k = 0; k < pTrace->numBuffers && !pDump->IsTimeUp(); ++k) {
        MosCompressedTraceBuf *pBuf = &pTrace->buffers[(first + k) % pTrace->numBuffers];
        mosFastlockBase_Acquire(&pBuf->lock);
        pDump->numLocked++;
        if (pBuf->numWriters != 0) {
            pBuf->bHandOver = 1;
        }
    }
    WriteOutLocked(pTrace, first, pDump);
    for (uint32_t k = 0; k < pDump->numLocked && !pDump->IsTimeUp(); ++k) {
        ReduceForDump(pTrace, &pTrace->buffers[(first + k) % pTrace->numBuffers]);
        WriteOutLocked(pTrace, first, pDump);
    }
    pDump->WaitFor(&pTrace->file);
}

void ReleaseDumpLocks(MosCompressedTrace *pTrace, uint32_t first, uint32_t numLocked)
    MOS_REQUIRES(pTrace->lock) MOS_NO_THREAD_SAFETY_ANALYSIS {
    for (uint32_t k = 0; k < numLocked; ++k) {
        mosFastlockBase_Release(&pTrace->buffers[(first + k) % pTrace->numBuffers].lock);
    }
}

} // namespace

MosCompressedTrace *mosCompressedTrace_Init(const MosTrcParams *pParams) {
    const uint32_t numBuffers = pParams->trc_compressed_num_buffers;
    const uint32_t bufferSize = pParams->trc_compressed_buffer_size;
    if (!AreSettingsUsable(bufferSize, numBuffers)) {
        return nullptr;
    }
    const uint64_t recordBytes =
        sizeof(MosCompressedTrace) + sizeof(MosCompressedTraceBuf) * (numBuffers - 1);
    auto *pTrace = static_cast<MosCompressedTrace *>(AllocPinned(recordBytes));
    pTrace->numBuffers = numBuffers;
    pTrace->numFree = numBuffers;
    pTrace->bufferSize = bufferSize;
    pTrace->sliceBytes = bufferSize + kBlockOverhead;
    const uint64_t areaBytes = uint64_t{pTrace->sliceBytes} * numBuffers;
    pTrace->pRawArea = static_cast<uint8_t *>(AllocPinned(areaBytes));
    pTrace->pReducedArea = static_cast<uint8_t *>(AllocPinned(areaBytes));
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

MOS_RC mosCompressedTrace_Activate(MosCompressedTrace *pTrace,
                                   SizeReductionManagerInitParams *pManagerParams,
                                   const SizeReductionConfParams *pConfParams) {
    if (pTrace == nullptr || pManagerParams == nullptr || pConfParams == nullptr) {
        return MOS_RC__INVALID_ARG;
    }
    SizeReductionConfParams conf = *pConfParams;
    const bool bCompression =
        sizeReductionConfig_IsTechniqueSet(conf.config, SRM_TECHNIQUE__COMPRESSION) != 0;
    // A share above the whole block would let a reduced block overrun its
    // slice.
    if (bCompression && (conf.compression.maxCompressedPercentage == 0 ||
                         conf.compression.maxCompressedPercentage > 100)) {
        return MOS_RC__INVALID_ARG;
    }
    if (__atomic_load_n(&pTrace->bActive, __ATOMIC_ACQUIRE) != 0) {
        return MOS_RC__ALREADY_EXISTS;
    }
    conf.maxInputBufferSizeInBytes = pTrace->bufferSize;
    if (bCompression) {
        conf.config = static_cast<SizeReductionConfig>(
            (conf.config & ~kCompressionExtMask) |
            ((conf.compression.method << kCompressionExtShift) & kCompressionExtMask));
    }
    MOS_RC rc = sizeReductionManager_Init(pManagerParams);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    rc = sizeReductionManager_AllocateConf(&conf, &pTrace->confHandle);
    if (rc != MOS_RC__SUCCESS) {
        pTrace->confHandle = 0;
        sizeReductionManager_Destroy();
        return rc;
    }
    pTrace->bHoldsManager = 1;
    __atomic_store_n(&pTrace->bActive, 1, __ATOMIC_RELEASE);
    return MOS_RC__SUCCESS;
}

void mosCompressedTrace_Destroy(MosCompressedTrace *pTrace, uint32_t bFlush) {
    if (pTrace == nullptr) {
        return;
    }
    if (bFlush != 0) {
        mosCompressedTrace_DumpNow(pTrace, 0);
    }
    __atomic_store_n(&pTrace->bActive, 0, __ATOMIC_RELEASE);
    if (pTrace->confHandle != 0) {
        const MOS_RC rc = sizeReductionManager_FreeConf(pTrace->confHandle);
        MOS_ASSERT_TEXT(rc == MOS_RC__SUCCESS, "65 == (rc)");
        pTrace->confHandle = 0;
    }
    // Only a reference this sink took is given back.
    if (pTrace->bHoldsManager != 0) {
        sizeReductionManager_Destroy();
        pTrace->bHoldsManager = 0;
    }
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
    FreeAreas(pTrace);
}

void mosCompressedTrace_DumpNow(MosCompressedTrace *pTrace, uint32_t timeoutMs) {
    if (pTrace == nullptr || __atomic_load_n(&pTrace->bActive, __ATOMIC_ACQUIRE) == 0) {
        return;
    }
    DumpState dump = {osTime_GetTickCount64(), timeoutMs, 0, 0};
    const uint32_t skipped = TakeSkipped(pTrace);
    if (pTrace->bRescuePresent != 0) {
        mosCyclicFile_WriteLine(&pTrace->rescueFile, true, true, true, __func__, __LINE__,
                                "Compressed Trace dump starting, milis %u", timeoutMs);
    }
    // The control lock keeps other dumps and writers' write-outs away.
    mosFastlockBase_Acquire(&pTrace->lock);
    const uint32_t first = pTrace->nextToWrite;
    DumpLocked(pTrace, &dump);
    if (pTrace->bRescuePresent != 0) {
        mosCyclicFile_WriteLine(&pTrace->rescueFile, true, true, true, __func__, __LINE__,
                                "Compressed Trace dump finished, %u listed as skipped and might "
                                "have been rescued. Flushed %u buffers to disk out of %u locked, "
                                "milis remain %u",
                                skipped, dump.numWritten, dump.numLocked, dump.MsLeft());
        dump.WaitFor(&pTrace->rescueFile);
    }
    ReleaseDumpLocks(pTrace, first, dump.numLocked);
    pTrace->bDumped = 1;
    mosFastlockBase_Release(&pTrace->lock);
}

void mosCompressedTrace_PrintSkippedLinesIfNeeded(MosCompressedTrace *pTrace) {
    (void)TakeSkipped(pTrace);
}

void mosCompressedTrace_Write(MosCompressedTrace *pTrace, bool bTimestamp, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, ...) {
    char text[kLineBytes];
    va_list args;
    va_start(args, pFormat);
    const uint32_t length = FormatLine(text, bTimestamp, bPrefix, pFunc, line, pFormat, args);
    va_end(args);
    if (__atomic_load_n(&pTrace->bActive, __ATOMIC_ACQUIRE) != 0) {
        WriteActive(pTrace, text, length, bTimestamp);
        return;
    }
    // An inactive sink keeps the line in the rescue file when there is one.
    __atomic_add_fetch(&pTrace->skipped, 1, __ATOMIC_ACQ_REL);
    if (pTrace->bRescuePresent != 0) {
        const uint32_t start = bTimestamp ? MOS_TIMESTAMP_LEN : 0;
        mosCyclicFile_WriteLine(&pTrace->rescueFile, bTimestamp, true, false, pFunc, line, "%s",
                                text + start);
    }
}
