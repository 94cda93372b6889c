// Family A contexts: creation and the single-buffer and piece-list
// protocols around the encoder and decoder runs.
#include "fama.h"
#include "tezl_families.h"

#include <cstring>

namespace {

constexpr uint32_t kMinTableBytes = 4096;

void resetDecoder(TezlADecoder *pDecoder) {
    tezl_ResetStreams(&pDecoder->base);
    std::memset(pDecoder->retained, 0, sizeof pDecoder->retained);
}

void resetEncoder(TezlAEncoder *pEncoder) {
    tezl_ResetStreams(&pEncoder->base);
    std::memset(pEncoder->retained, 0, sizeof pEncoder->retained);
    pEncoder->capped = {};
    pEncoder->pieceStatus = 0;
    pEncoder->runStatus = -1;
}

bool hasTable(const TezlAEncoder *pEncoder) {
    return pEncoder->work && pEncoder->tableBytes >= kMinTableBytes;
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
    if (!pDecoder->advance(&pContext->output, pDecoder->retained, &pDecoder->staging)) {
        resetDecoder(pDecoder);
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextInputPiece(&pContext->input)) {
        tezl_ReleaseRetained(&pContext->output, pDecoder->retained, TEZL_LIMITS_AB, pStaging);
        resetDecoder(pDecoder);
        return TEZL_ERR_INPUT;
    }
    if (!tezl_StreamReady(&pContext->input) || !tezl_StreamReady(&pContext->output)) {
        return TEZL_ERR_CORRUPT;
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
    auto *pEncoder = reinterpret_cast<TezlAEncoder *>(pContext);
    resetEncoder(pEncoder);
    if (!hasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_CapCurrentPiece(&pContext->input, &pEncoder->capped, TEZL_LIMITS_AB);
    if (int32_t rc = tezlA_EncodeStream(pEncoder)) {
        pContext->input.cursor = nullptr;
        return rc;
    }
    return tezl_SingleBufferResult(&pContext->output);
}

int32_t encodePieces(TezlAEncoder *pEncoder) {
    TezlContext *pContext = &pEncoder->base;
    if (!tezl_NextInputPiece(&pContext->output)) {
        resetEncoder(pEncoder);
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextCappedInputPiece(&pContext->input, &pEncoder->capped, pEncoder->retained,
                                   TEZL_LIMITS_AB)) {
        tezl_ReleasePiece(&pContext->output);
        resetEncoder(pEncoder);
        return TEZL_ERR_INPUT;
    }
    if (!tezl_StreamReady(&pContext->input) || !tezl_StreamReady(&pContext->output) ||
        !hasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezlA_EncodeStream(pEncoder)) {
        pEncoder->runStatus = -2;
        return rc;
    }
    return tezl_FinishEncodeList(pContext, &pEncoder->capped, pEncoder->retained, TEZL_LIMITS_AB);
}

int32_t encodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pEncoder = reinterpret_cast<TezlAEncoder *>(pContext);
    resetEncoder(pEncoder);
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    if (int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                        &destinationList, destinationPieces, destinationCount)) {
        return rc;
    }
    return encodePieces(pEncoder);
}

TezlContext *createEncoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes, int32_t level) {
    if (contextBytes < tezl_ContextBytes(level) || !workMemory ||
        workBytes < tezl_WorkBytes(level)) {
        return nullptr;
    }
    auto *pEncoder = static_cast<TezlAEncoder *>(contextMemory);
    std::memset(pEncoder, 0, sizeof *pEncoder);
    pEncoder->base.level = level;
    resetEncoder(pEncoder);
    pEncoder->work = workMemory;
    pEncoder->tableBytes = 1u << tezl_Log2(workBytes);
    pEncoder->hashShift = uint32_t(32 - tezl_Log2(pEncoder->tableBytes / 2));
    tezl_InitSlots(&pEncoder->base);
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
