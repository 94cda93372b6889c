// The single-buffer and piece-list protocols of the decoders that may stage
// their output through work memory (families A and B), shared over their
// context types. A decoder context has: base, retained[] (the output's
// retained-piece table), staging (TezlStaging) and advance (TezlAdvanceFn:
// tezl_RetainAdvanceAB, or tezl_StagingAdvance when staging).
//
// Reset is the family's reset (streams, retained table and its own
// per-operation state); Run decodes the prepared streams and returns 0 or a
// negative result.
#pragma once

#include "tezl_stream.h"

// Single-buffer decode. One destination is its own history, so it is
// decoded straight in even by a staging decoder: a destination that fills
// exactly with complete input succeeds at every level.
template <class Decoder, void (*Reset)(Decoder *), int32_t (*Run)(Decoder *)>
int32_t tezl_DecodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                          uint8_t *destination, uint32_t capacity) {
    auto *pDecoder = reinterpret_cast<Decoder *>(pContext);
    Reset(pDecoder);
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_InitOutputWindow(&pContext->output, pDecoder->retained, capacity);
    TezlAdvanceFn saved = pDecoder->advance;
    pDecoder->advance = tezl_RetainAdvanceAB;
    int32_t rc = Run(pDecoder);
    pDecoder->advance = saved;
    return rc ? rc : tezl_SingleBufferResult(&pContext->output);
}

// The piece-list decode once the lists are set; pStaging is null when the
// operation does not stage.
template <class Decoder, void (*Reset)(Decoder *), int32_t (*Run)(Decoder *)>
int32_t tezl_DecodePieces(Decoder *pDecoder, TezlStaging *pStaging) {
    TezlContext *pContext = &pDecoder->base;
    if (int32_t rc = tezl_StartDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_AB,
                                          pDecoder->advance, &pDecoder->staging)) {
        if (rc != TEZL_ERR_CORRUPT) {
            Reset(pDecoder);
        }
        return rc;
    }
    // A failing run returns at once: its pieces are neither handed back nor
    // released, the result tells the supplier.
    if (int32_t rc = Run(pDecoder)) {
        if (pStaging) {
            tezl_ResetStaging(pStaging, pStaging->workBase);
        }
        return rc;
    }
    if (!pStaging) {
        return tezl_FinishDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_AB);
    }
    // The flush copies the last staged bytes out and closes the caller's piece.
    tezl_ReleasePiece(&pContext->input);
    pStaging->bFlush = 1;
    (void)tezl_StagingAdvance(&pContext->output, pDecoder->retained, pStaging);
    tezl_ReleaseRetained(&pContext->output, pDecoder->retained, TEZL_LIMITS_AB, pStaging);
    return tezl_ListResult(&pContext->output);
}

// Piece-list decode. With exactly one destination piece a staging decoder
// decodes straight into it; the advance and staging base are put back
// whatever the result.
template <class Decoder, void (*Reset)(Decoder *), int32_t (*Run)(Decoder *)>
int32_t tezl_DecodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                        const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pDecoder = reinterpret_cast<Decoder *>(pContext);
    Reset(pDecoder);
    TezlAdvanceFn savedAdvance = pDecoder->advance;
    uint8_t *savedWork = pDecoder->staging.workBase;
    bool bStaging = savedAdvance == tezl_StagingAdvance;
    if (bStaging && destinationCount == 1) {
        pDecoder->advance = tezl_RetainAdvanceAB;
        tezl_ResetStaging(&pDecoder->staging, nullptr);
        bStaging = false;
    }
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                    &destinationList, destinationPieces, destinationCount);
    if (rc == 0) {
        rc = tezl_DecodePieces<Decoder, Reset, Run>(pDecoder,
                                                    bStaging ? &pDecoder->staging : nullptr);
    }
    pDecoder->advance = savedAdvance;
    if (pDecoder->staging.workBase != savedWork) {
        tezl_ResetStaging(&pDecoder->staging, savedWork);
    }
    return rc;
}
