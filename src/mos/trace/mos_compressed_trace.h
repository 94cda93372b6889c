// The compressed trace: a fourth trace sink that gathers text lines in
// fixed-size buffers, reduces each full buffer with the size-reduction
// manager and appends it as one framed block to a rotating binary file,
// with a plain rescue file beside it.
//
// The sink is created and destroyed with the trace layer and starts
// inactive: every line offered to it is counted as skipped and, when a
// rescue file exists, written there instead. mosCompressedTrace_Activate
// makes it active with a size-reduction configuration; nothing activates
// it on its own, and the trace call does not feed it.
//
// Once active, writers format a line on their own stack, claim its bytes
// in the current buffer under that buffer's lock and copy them without
// it. The writer that leaves a full buffer last reduces it (under the
// buffer's second lock) and writes out every reduced buffer that is next
// in order. Buffers are written in the order they were filled. When every
// buffer is full or waiting to be written, a line is counted as skipped;
// the count is traced as "-----Skipped %u traces-----".
//
// Each buffer owns a slice of the raw area and one of the reduced area,
// both its buffer size plus 22 bytes: the block head (14 bytes), the data
// and the block tail (8 bytes). Block format: docs/compressed-trace-format.md.
#pragma once

#include "mos_cyclic_file.h"
#include "mos_fastlock.h"
#include "mos_init_params.h"
#include "mos_utils.h"
#include "size_reduction_manager.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_COMPRESSED_TRACE_BLOCK_HEAD = 14;
inline constexpr uint32_t MOS_COMPRESSED_TRACE_BLOCK_TAIL = 8;
inline constexpr uint32_t MOS_COMPRESSED_TRACE_START_MAGIC = 0xEFB05891;
inline constexpr uint32_t MOS_COMPRESSED_TRACE_END_MAGIC = 0x7A21338C;
// A line is at most this long with its newline and terminating NUL.
inline constexpr uint32_t MOS_COMPRESSED_TRACE_LINE_BYTES = 1024;

#pragma pack(push, 1)
struct MosCompressedTraceBlockHead {
    uint32_t startMagic;       // MOS_COMPRESSED_TRACE_START_MAGIC
    uint16_t technique;        // the technique word of the block; 0: stored as is
    uint32_t reducedSizeBytes; // R: bytes of data after the head
    uint32_t rawSizeBytes;     // bytes of text the block holds
};
struct MosCompressedTraceBlockTail {
    uint32_t reducedSizeBytes; // R again
    uint32_t endMagic;         // MOS_COMPRESSED_TRACE_END_MAGIC
};
#pragma pack(pop)
static_assert(sizeof(MosCompressedTraceBlockHead) == MOS_COMPRESSED_TRACE_BLOCK_HEAD);
static_assert(offsetof(MosCompressedTraceBlockHead, technique) == 4);
static_assert(offsetof(MosCompressedTraceBlockHead, reducedSizeBytes) == 6);
static_assert(offsetof(MosCompressedTraceBlockHead, rawSizeBytes) == 10);
static_assert(sizeof(MosCompressedTraceBlockTail) == MOS_COMPRESSED_TRACE_BLOCK_TAIL);

enum MosCompressedTraceBufState : uint32_t {
    MOS_CTRC_BUF__FREE = 0,
    MOS_CTRC_BUF__FILLING = 1,
    MOS_CTRC_BUF__FULL = 2,
    MOS_CTRC_BUF__READY = 3, // reduced, waiting to be written
};

struct MosCompressedTraceBuf {
    MosFastlock lock;       // write position, writers, lines, hand-over
    MosFastlock reduceLock; // held while the buffer is reduced
    uint32_t state;         // MosCompressedTraceBufState; read and written atomically
    SizeReductionRequest request;
    uint32_t index;
    uint32_t writePos; // bytes of text claimed in the raw data
    uint32_t numLines;
    uint32_t bHandOver MOS_GUARDED_BY(lock);  // a dump found writers in it: the last one reduces it
    uint32_t numWriters MOS_GUARDED_BY(lock); // writers copying their line into it
    uint8_t *pBlock;                          // once reduced: the framed block and its size
    uint32_t blockBytes;
};

struct MosCompressedTrace {
    MosCyclicFile file;
    MosCyclicFile rescueFile;
    MosFastlock lock; // control: writing out buffers, one dump at a time
    uint32_t bufferSize;
    uint32_t sliceBytes; // per buffer in each area: head, data, tail
    uint64_t confHandle; // 0: none
    uint8_t *pRawArea;
    uint8_t *pReducedArea;
    uint32_t skipped;
    uint32_t numBuffers;
    uint32_t numFree; // buffers free or filling
    uint32_t nextToWrite MOS_GUARDED_BY(lock);
    uint32_t bActive;
    uint32_t bDumped;
    uint32_t bRescuePresent;
    uint32_t bHoldsManager;           // a reference on the size-reduction manager
    uint32_t current;                 // the buffer being filled
    MosCompressedTraceBuf buffers[1]; // numBuffers records
};

// Creates the sink and its files; null (after an error trace) when the
// compressed file cannot be created, the buffer size is not a whole number
// of 4 KiB below 1 MiB, or the buffers would not fit one allocation.
MosCompressedTrace *mosCompressedTrace_Init(const MosTrcParams *pParams);
// Makes the sink active: takes a reference on the size-reduction manager
// (started with pManagerParams when nobody runs it yet) and a
// configuration that reduces whole buffers as pConfParams says (its block
// size is the sink's; with compression, the method goes into the
// configuration's compression extension bits, so that every block names
// its decoder). MOS_RC__INVALID_ARG for a null sink or settings, or a
// compression share outside 1..100 %; MOS_RC__ALREADY_EXISTS when active;
// otherwise the manager's code.
[[nodiscard]] MOS_RC mosCompressedTrace_Activate(MosCompressedTrace *pTrace,
                                                 SizeReductionManagerInitParams *pManagerParams,
                                                 const SizeReductionConfParams *pConfParams);
// Dumps first when bFlush, then gives back the configuration and the
// manager reference, closes both files and frees everything.
void mosCompressedTrace_Destroy(MosCompressedTrace *pTrace, uint32_t bFlush);
// Writes out what the buffers hold, waiting for the compressed file's
// dump, and notes start and end in the rescue file; at most timeoutMs (0:
// no limit). Nothing while the sink is not active.
void mosCompressedTrace_DumpNow(MosCompressedTrace *pTrace, uint32_t timeoutMs);
// Traces "-----Skipped %u traces-----" once for the lines skipped so far.
void mosCompressedTrace_PrintSkippedLinesIfNeeded(MosCompressedTrace *pTrace);
// Offers one line: the 22-character timestamp when bTimestamp, the prefix
// "%p:%s:%05u: " when bPrefix, the message and a newline, at most 1,023
// bytes in all.
void mosCompressedTrace_Write(MosCompressedTrace *pTrace, bool bTimestamp, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, ...)
    MOS_PRINTF_LIKE(6, 7);
