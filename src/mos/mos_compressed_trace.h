// The compressed trace: a fourth trace sink that gathers text lines in
// fixed-size buffers, each to be reduced by the size-reduction manager and
// appended as one framed block to a rotating binary file, with a plain
// rescue file beside it for lines the buffers cannot take.
//
// The sink is created and destroyed with the trace layer. It is not made
// active in these programs (nothing creates a size-reduction configuration
// for it), so its files stay empty and every line offered to it is counted
// as skipped and, when a rescue file exists, written there instead.
//
// Block format once active, little-endian: u32 0xEFB05891, u16 technique
// word, u32 reduced length R, u32 raw length, R bytes, u32 R, u32
// 0x7A21338C (R + 22 bytes).
#pragma once

#include "mos_cyclic_file.h"
#include "mos_init_params.h"
#include "mos_utils.h"
#include "usr/mos_fastlock.h"
#include "usr/size_reduction_manager/size_reduction_request.h"

#include <cstdarg>
#include <cstdint>

inline constexpr uint32_t MOS_COMPRESSED_TRACE_BLOCK_HEAD = 14;
inline constexpr uint32_t MOS_COMPRESSED_TRACE_START_MAGIC = 0xEFB05891;
inline constexpr uint32_t MOS_COMPRESSED_TRACE_END_MAGIC = 0x7A21338C;

enum MosCompressedTraceBufState : uint32_t {
    MOS_CTRC_BUF__FREE = 0,
    MOS_CTRC_BUF__FILLING = 1,
    MOS_CTRC_BUF__FULL = 2,
    MOS_CTRC_BUF__READY = 3, // reduced, waiting to be written
};

struct MosCompressedTraceBuf {
    MosFastlock lock;
    MosFastlock reduceLock;
    uint32_t state;
    SizeReductionRequest request;
    uint32_t index;
    uint32_t writePos;
    uint32_t numLines;
    uint32_t bHandOver;
};

struct MosCompressedTrace {
    MosCyclicFile file;
    MosCyclicFile rescueFile;
    MosFastlock lock;
    uint32_t bufferSize;
    uint64_t confHandle; // 0: none
    uint8_t *pRawArea;
    uint8_t *pReducedArea;
    uint32_t skipped;
    uint32_t numBuffers;
    uint32_t numFree;
    uint32_t nextToWrite;
    uint32_t bActive;
    uint32_t bDumped;
    uint32_t bRescuePresent;
    uint32_t current;
    MosCompressedTraceBuf buffers[1]; // numBuffers records
};

// Creates the sink and its files; null when the compressed file cannot be
// created or the buffer size is not a whole number of 4 KiB below 1 MiB.
MosCompressedTrace *mosCompressedTrace_Init(const MosTrcParams *pParams);
// Flushes first when bFlush, then closes both files and frees everything.
void mosCompressedTrace_Destroy(MosCompressedTrace *pTrace, uint32_t bFlush);
// Writes out what the buffers hold; nothing while the sink is not active.
void mosCompressedTrace_DumpNow(MosCompressedTrace *pTrace, uint32_t timeoutMs);
// Traces "-----Skipped %u traces-----" once for the lines skipped so far.
void mosCompressedTrace_PrintSkippedLinesIfNeeded(MosCompressedTrace *pTrace);
// Offers one line to the sink.
void mosCompressedTrace_Write(MosCompressedTrace *pTrace, bool bTimestamp, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, ...)
    MOS_PRINTF_LIKE(6, 7);
