// Family A contexts: creation and the single-buffer and piece-list
// protocols around the encoder and decoder runs.
#include "fama.h"
#include "tezl_encoder.h"
#include "tezl_families.h"

#include <cstring>

namespace {

void resetDecoder(TezlADecoder *pDecoder) {
    tezl_ResetStreams(&pDecoder->base);
    std::memset(pDecoder->retained, 0, sizeof pDecoder->retained);
}

int32_t decodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                     uint8_t *destination, uint32_t capacity) {
    auto *pDecoder = reinterpret_cast<TezlADecoder *>(pContext);
    resetDecoder(pDecoder);
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_InitOutputWindow(&pContext->output, pDecoder->retained, capacity);
    // One destination is its own history: no staging, so a destination that
    // fills exactly with complete input succeeds at level -1 too.
    TezlAdvanceFn saved = pDecoder->advance;
    pDecoder->advance = tezl_RetainAdvanceAB;
    int32_t rc = tezlA_DecodeStream(pDecoder);
    pDecoder->advance = saved;
    return rc ? rc : tezl_SingleBufferResult(&pContext->output);
}

// The piece-list decode once the streams are set; the caller restores the
// output advance and staging state.
int32_t decodePieces(TezlADecoder *pDecoder, TezlStaging *pStaging) {
    TezlContext *pContext = &pDecoder->base;
    if (int32_t rc = tezl_StartDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_AB,
                                          pDecoder->advance, &pDecoder->staging)) {
        if (rc != TEZL_ERR_CORRUPT) {
            resetDecoder(pDecoder);
        }
        return rc;
    }
    if (int32_t rc = tezlA_DecodeStream(pDecoder)) {
        if (pStaging) {
            tezl_ResetStaging(pStaging, pStaging->workBase);
        }
        return rc;
    }
    if (!pStaging) {
        return tezl_FinishDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_AB);
    }
    tezl_ReleasePiece(&pContext->input);
    pStaging->bFlush = 1;
    (void)tezl_StagingAdvance(&pContext->output, pDecoder->retained, pStaging);
    tezl_ReleaseRetained(&pContext->output, pDecoder->retained, TEZL_LIMITS_AB, pStaging);
    return tezl_ListResult(&pContext->output);
}

int32_t decodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pDecoder = reinterpret_cast<TezlADecoder *>(pContext);
    resetDecoder(pDecoder);
    TezlAdvanceFn savedAdvance = pDecoder->advance;
    uint8_t *savedWork = pDecoder->staging.workBase;
    bool bStaging = savedAdvance == tezl_StagingAdvance;
    if (bStaging && destinationCount == 1) {
        // One destination piece holds its own history: decode straight in.
        pDecoder->advance = tezl_RetainAdvanceAB;
        tezl_ResetStaging(&pDecoder->staging, nullptr);
        bStaging = false;
    }
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                    &destinationList, destinationPieces, destinationCount);
    if (rc == 0) {
        rc = decodePieces(pDecoder, bStaging ? &pDecoder->staging : nullptr);
    }
    pDecoder->advance = savedAdvance;
    if (pDecoder->staging.workBase != savedWork) {
        tezl_ResetStaging(&pDecoder->staging, savedWork);
    }
    return rc;
}

int32_t encodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                     uint8_t *destination, uint32_t capacity) {
    reinterpret_cast<TezlAEncoder *>(pContext)->runStatus = -1;
    return tezl_EncodeBuffer<TezlAEncoder, tezlA_EncodeStream, TEZL_LIMITS_AB>(
        pContext, source, sourceLength, destination, capacity);
}

int32_t encodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pEncoder = reinterpret_cast<TezlAEncoder *>(pContext);
    pEncoder->runStatus = -1;
    int32_t rc = tezl_EncodeList<TezlAEncoder, tezlA_EncodeStream, TEZL_LIMITS_AB>(
        pContext, sourcePieces, sourceCount, destinationPieces, destinationCount);
    if (rc < 0) {
        pEncoder->runStatus = -2;
    }
    return rc;
}

TezlContext *createEncoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes, int32_t level) {
    if (contextBytes < tezl_ContextBytes(level) || !workMemory ||
        workBytes < tezl_WorkBytes(level)) {
        return nullptr;
    }
    auto *pEncoder = static_cast<TezlAEncoder *>(contextMemory);
    tezl_InitEncoder(pEncoder, level, workMemory, workBytes);
    pEncoder->runStatus = -1;
    pEncoder->base.encode = encodeBuffer;
    pEncoder->base.encodeList = encodeList;
    return &pEncoder->base;
}

TezlContext *createDecoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes, int32_t level) {
    bool bStaging = level == -1;
    if (contextBytes < tezl_ContextBytes(level) ||
        (bStaging && (!workMemory || workBytes < tezl_WorkBytes(level)))) {
        return nullptr;
    }
    auto *pDecoder = static_cast<TezlADecoder *>(contextMemory);
    std::memset(pDecoder, 0, sizeof *pDecoder);
    pDecoder->base.level = 0;
    resetDecoder(pDecoder);
    pDecoder->advance = bStaging ? tezl_StagingAdvance : tezl_RetainAdvanceAB;
    tezl_ResetStaging(&pDecoder->staging, bStaging ? workMemory : nullptr);
    tezl_InitSlots(&pDecoder->base);
    pDecoder->base.decode = decodeBuffer;
    pDecoder->base.decodeList = decodeList;
    return &pDecoder->base;
}

} // namespace

TezlContext *tezlA_Create(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                          uint32_t workBytes, int32_t level) {
    return level >= 1 ? createEncoder(contextMemory, contextBytes, workMemory, workBytes, level)
                      : createDecoder(contextMemory, contextBytes, workMemory, workBytes, level);
}
