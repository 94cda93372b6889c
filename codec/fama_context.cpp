// Family A contexts: creation and the single-buffer and piece-list
// protocols around the encoder and decoder runs.
#include "fama.h"
#include "tezl_decoder.h"
#include "tezl_encoder.h"
#include "tezl_families.h"

#include <cstring>

namespace {

void resetDecoder(TezlADecoder *pDecoder) {
    tezl_ResetStreams(&pDecoder->base);
    std::memset(pDecoder->retained, 0, sizeof pDecoder->retained);
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
    pDecoder->base.decode = tezl_DecodeBuffer<TezlADecoder, resetDecoder, tezlA_DecodeStream>;
    pDecoder->base.decodeList = tezl_DecodeList<TezlADecoder, resetDecoder, tezlA_DecodeStream>;
    return &pDecoder->base;
}

} // namespace

TezlContext *tezlA_Create(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                          uint32_t workBytes, int32_t level) {
    return level >= 1 ? createEncoder(contextMemory, contextBytes, workMemory, workBytes, level)
                      : createDecoder(contextMemory, contextBytes, workMemory, workBytes, level);
}
