// Family C contexts: creation and the single-buffer and piece-list
// protocols around the encoder and decoder runs.
#include "famc.h"
#include "tezl_families.h"

#include <cstring>

namespace {

constexpr uint32_t kMinTableBytes = 4096;

void resetEncoder(TezlCEncoder *pEncoder) {
    tezl_ResetStreams(&pEncoder->base);
    std::memset(pEncoder->retained, 0, sizeof pEncoder->retained);
    pEncoder->capped = {};
}

void resetDecoder(TezlCDecoder *pDecoder) {
    tezl_ResetStreams(&pDecoder->base);
    std::memset(pDecoder->retained, 0, sizeof pDecoder->retained);
}

bool hasTable(const TezlCEncoder *pEncoder) {
    return pEncoder->work && pEncoder->tableBytes >= kMinTableBytes;
}

int32_t encodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                     uint8_t *destination, uint32_t capacity) {
    auto *pEncoder = reinterpret_cast<TezlCEncoder *>(pContext);
    resetEncoder(pEncoder);
    if (!hasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_CapCurrentPiece(&pContext->input, &pEncoder->capped, TEZL_LIMITS_C);
    if (int32_t rc = tezlC_EncodeStream(pEncoder)) {
        return rc;
    }
    return tezl_SingleBufferResult(&pContext->output);
}

int32_t encodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pEncoder = reinterpret_cast<TezlCEncoder *>(pContext);
    resetEncoder(pEncoder);
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    if (int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                        &destinationList, destinationPieces, destinationCount)) {
        return rc;
    }
    if (!tezl_NextInputPiece(&pContext->output)) {
        resetEncoder(pEncoder);
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextCappedInputPiece(&pContext->input, &pEncoder->capped, pEncoder->retained,
                                   TEZL_LIMITS_C)) {
        tezl_ReleasePiece(&pContext->output);
        resetEncoder(pEncoder);
        return TEZL_ERR_INPUT;
    }
    if (!tezl_StreamReady(&pContext->input) || !tezl_StreamReady(&pContext->output) ||
        !hasTable(pEncoder)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezlC_EncodeStream(pEncoder)) {
        return rc;
    }
    return tezl_FinishEncodeList(pContext, &pEncoder->capped, pEncoder->retained, TEZL_LIMITS_C);
}

int32_t decodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                     uint8_t *destination, uint32_t capacity) {
    auto *pDecoder = reinterpret_cast<TezlCDecoder *>(pContext);
    resetDecoder(pDecoder);
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity)) {
        return rc;
    }
    tezl_InitOutputWindow(&pContext->output, pDecoder->retained, capacity);
    int32_t rc = tezlC_DecodeStream(pDecoder);
    return rc ? rc : tezl_SingleBufferResult(&pContext->output);
}

int32_t decodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pDecoder = reinterpret_cast<TezlCDecoder *>(pContext);
    resetDecoder(pDecoder);
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    if (int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                        &destinationList, destinationPieces, destinationCount)) {
        return rc;
    }
    if (!tezl_RetainAdvanceC(&pContext->output, pDecoder->retained, nullptr)) {
        resetDecoder(pDecoder);
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextInputPiece(&pContext->input)) {
        tezl_ReleaseRetained(&pContext->output, pDecoder->retained, TEZL_LIMITS_C, nullptr);
        resetDecoder(pDecoder);
        return TEZL_ERR_INPUT;
    }
    if (!tezl_StreamReady(&pContext->input) || !tezl_StreamReady(&pContext->output)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezlC_DecodeStream(pDecoder)) {
        return rc;
    }
    return tezl_FinishDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_C);
}

TezlContext *createEncoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes) {
    if (contextBytes < tezl_ContextBytes(10) || !workMemory || workBytes < tezl_WorkBytes(10)) {
        return nullptr;
    }
    auto *pEncoder = static_cast<TezlCEncoder *>(contextMemory);
    std::memset(pEncoder, 0, sizeof *pEncoder);
    pEncoder->base.level = 10;
    resetEncoder(pEncoder);
    pEncoder->work = workMemory;
    pEncoder->tableBytes = 1u << tezl_Log2(workBytes);
    pEncoder->hashShift = uint32_t(32 - tezl_Log2(pEncoder->tableBytes / 2));
    tezl_InitSlots(&pEncoder->base);
    pEncoder->base.encode = encodeBuffer;
    pEncoder->base.encodeList = encodeList;
    return &pEncoder->base;
}

TezlContext *createDecoder(void *contextMemory, uint32_t contextBytes) {
    if (contextBytes < tezl_ContextBytes(-5)) {
        return nullptr;
    }
    auto *pDecoder = static_cast<TezlCDecoder *>(contextMemory);
    std::memset(pDecoder, 0, sizeof *pDecoder);
    pDecoder->base.level = -5;
    resetDecoder(pDecoder);
    tezl_InitSlots(&pDecoder->base);
    pDecoder->base.decode = decodeBuffer;
    pDecoder->base.decodeList = decodeList;
    return &pDecoder->base;
}

} // namespace

TezlContext *tezlC_Create(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                          uint32_t workBytes, int32_t level) {
    return level == 10 ? createEncoder(contextMemory, contextBytes, workMemory, workBytes)
                       : createDecoder(contextMemory, contextBytes);
}
