// Family C contexts: creation and the single-buffer and piece-list
// protocols around the encoder and decoder runs.
#include "famc.h"
#include "tezl_encoder.h"
#include "tezl_families.h"

#include <cstring>

namespace {

void resetDecoder(TezlCDecoder *pDecoder) {
    tezl_ResetStreams(&pDecoder->base);
    std::memset(pDecoder->retained, 0, sizeof pDecoder->retained);
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
    if (int32_t rc = tezl_StartDecodeList(pContext, pDecoder->retained, TEZL_LIMITS_C,
                                          tezl_RetainAdvanceC, nullptr)) {
        if (rc != TEZL_ERR_CORRUPT) {
            resetDecoder(pDecoder);
        }
        return rc;
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
    tezl_InitEncoder(pEncoder, 10, workMemory, workBytes);
    pEncoder->base.encode = tezl_EncodeBuffer<TezlCEncoder, tezlC_EncodeStream, TEZL_LIMITS_C>;
    pEncoder->base.encodeList = tezl_EncodeList<TezlCEncoder, tezlC_EncodeStream, TEZL_LIMITS_C>;
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
