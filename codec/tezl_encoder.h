// The single-buffer and piece-list protocols of the hash-table encoders
// (families A and C), shared over their context types. An encoder context
// has: base, work, tableBytes, retained[], capped.
#pragma once

#include "tezl_stream.h"

#include <cstring>

inline constexpr uint32_t TEZL_MIN_TABLE_BYTES = 4096;

// Every operation starts here: streams, retained table and capped state.
template <class Encoder> void tezl_ResetEncoder(Encoder *pEncoder) {
    tezl_ResetStreams(&pEncoder->base);
    std::memset(pEncoder->retained, 0, sizeof pEncoder->retained);
    pEncoder->capped = {};
}

template <class Encoder> bool tezl_HasTable(const Encoder *pEncoder) {
    return pEncoder->work && pEncoder->tableBytes >= TEZL_MIN_TABLE_BYTES;
}

// Sets the work memory: the table is the largest power of two in it.
template <class Encoder>
void tezl_InitEncoder(Encoder *pEncoder, int32_t level, uint8_t *workMemory, uint32_t workBytes) {
    std::memset(pEncoder, 0, sizeof *pEncoder);
    pEncoder->base.level = level;
    tezl_ResetEncoder(pEncoder);
    pEncoder->work = workMemory;
    pEncoder->tableBytes = 1u << tezl_Log2(workBytes);
    pEncoder->hashShift = uint32_t(32 - tezl_Log2(pEncoder->tableBytes / 2));
    tezl_InitSlots(&pEncoder->base);
}

// Single-buffer encode around the family's run; a source longer than the
// family's sub-piece size is worked in sub-pieces.
template <class Encoder, int32_t (*Run)(Encoder *), const TezlWindowLimits &Limits>
int32_t tezl_EncodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                          uint8_t *destination, uint32_t capacity) {
    auto *pEncoder = reinterpret_cast<Encoder *>(pContext);
    tezl_ResetEncoder(pEncoder);
    if (!tezl_HasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_CapCurrentPiece(&pContext->input, &pEncoder->capped, Limits);
    if (int32_t rc = Run(pEncoder)) {
        pContext->input.cursor = nullptr;
        return rc;
    }
    return tezl_SingleBufferResult(&pContext->output);
}

// Piece-list encode around the family's run.
template <class Encoder, int32_t (*Run)(Encoder *), const TezlWindowLimits &Limits>
int32_t tezl_EncodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                        const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pEncoder = reinterpret_cast<Encoder *>(pContext);
    tezl_ResetEncoder(pEncoder);
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                    &destinationList, destinationPieces, destinationCount);
    if (rc) {
        return rc;
    }
    rc = tezl_StartEncodeList(pContext, &pEncoder->capped, pEncoder->retained, Limits);
    if (rc == TEZL_ERR_OUTPUT || rc == TEZL_ERR_INPUT) {
        tezl_ResetEncoder(pEncoder);
        return rc;
    }
    if (rc || !tezl_HasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    // A failing run returns at once: its pieces are neither handed back nor
    // released, the result tells the supplier.
    if ((rc = Run(pEncoder)) != 0) {
        return rc;
    }
    return tezl_FinishEncodeList(pContext, &pEncoder->capped, pEncoder->retained, Limits);
}
