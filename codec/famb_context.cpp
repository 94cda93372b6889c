// Family B operations over the shared stream machinery: create, reset,
// and the single-buffer and piece-list encode and decode protocols.
#include "famb_context.h"

#include <cstring>

#include "famb_match.h"
#include "tezl_decoder.h"

namespace {

// ---- encoder -----------------------------------------------------------

void resetEncoder(FambEncoderContext *pEnc) {
    tezl_ResetStreams(&pEnc->base);
    std::memset(pEnc->retained, 0, sizeof pEnc->retained);
    pEnc->capped = {};
    pEnc->block.literalCount = 0;
    pEnc->pieceStatus = 0;
    pEnc->runStatus = -1;
}

bool nextEncoderOutput(void *self, uint8_t **pCursor, uint8_t **pEnd) {
    auto *pEnc = static_cast<FambEncoderContext *>(self);
    return tezl_NextOutputPiece(&pEnc->base.output, pCursor, pEnd);
}

famb::Window inputWindow(FambEncoderContext *pEnc) {
    const TezlStream &in = pEnc->base.input;
    return {pEnc->retained, in.retainedCount, in.newestIndex,
            in.pieceSize,   in.pieceSizeLog2, in.wrapped};
}

// Tokens of the input piece from the cursor to the piece end.
bool encodePiece(FambEncoderContext *pEnc, famb::TokenSink &sink) {
    TezlStream &in = pEnc->base.input;
    famb::PieceSpan span{in.cursor, in.piece.end, in.cursor};
    size_t length = static_cast<size_t>(span.end - span.start);
    int32_t level = pEnc->base.level;
    static constexpr unsigned kFirstDepth[3] = {2, 16, 128};
    static constexpr unsigned kHistoryDepth[3] = {1, 8, 16};
    bool bOk = true;
    if (length > 8 && in.newestIndex != 0) {
        famb::Window window = inputWindow(pEnc);
        if (level == 5) {
            bOk = length < 12 || famb::findFastHistory(sink, span, window, pEnc->pHashHeads);
        } else {
            bOk = famb::findChainedHistory(sink, span, window, pEnc->pHashHeads, pEnc->pChain,
                                           kHistoryDepth[level - 6]);
        }
    } else if (length > 8) {
        std::memset(pEnc->pHashHeads, 0, famb::kHashHeads * sizeof(uint16_t));
        if (level == 5) {
            bOk = length <= 12 || famb::findFast(sink, span, pEnc->pHashHeads);
        } else {
            std::memset(pEnc->pChain, 0, famb::kChainLinks * sizeof(uint16_t));
            bOk = famb::findChained(sink, span, pEnc->pHashHeads, pEnc->pChain,
                                    kFirstDepth[level - 6]);
        }
    }
    bOk = bOk && sink.literals(span.literalStart, span.end);
    in.cursor = const_cast<uint8_t *>(span.end);
    return bOk;
}

// Runs every input piece through the finder and the block writer; the
// stream is complete (alignment and last bits stored) on success.
int32_t encodeRun(FambEncoderContext *pEnc) {
    TezlStream &in = pEnc->base.input;
    TezlStream &out = pEnc->base.output;
    famb::initTrees(&pEnc->block);
    famb::BitWriter writer{out.cursor, out.piece.end, out.bitBuffer, out.bitCount};
    famb::EncodePort port{pEnc, nextEncoderOutput};
    famb::TokenSink sink(pEnc->block, pEnc->pTokenStart, writer, port);
    sink.startBlock();
    bool bOk = true;
    while (bOk && (in.cursor < in.piece.end ||
                   tezl_NextCappedInputPiece(&in, &pEnc->capped, pEnc->retained, TEZL_LIMITS_AB))) {
        pEnc->pieceStatus = 0;
        bOk = encodePiece(pEnc, sink);
    }
    int32_t rc = 0;
    if (!bOk) {
        rc = TEZL_ERR_OUTPUT;
    } else if (!in.piece.end) {
        rc = tezl_NoPieceResult(pEnc->retained, TEZL_ERR_INPUT);
    } else if (!writer.end || (sink.hasTokens() && !sink.flush()) || !sink.finish()) {
        rc = TEZL_ERR_OUTPUT;
    }
    out.cursor = writer.cursor;
    out.bitBuffer = 0;
    out.bitCount = 0;
    return rc;
}

bool encoderReady(const FambEncoderContext *pEnc) {
    return pEnc->pHashHeads && pEnc->pChain && pEnc->pTokenStart;
}

int32_t encodeBuffer(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                     uint8_t *destination, uint32_t capacity) {
    auto *pEnc = reinterpret_cast<FambEncoderContext *>(pContext);
    resetEncoder(pEnc);
    if (!encoderReady(pEnc)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = tezl_SetBuffers(pContext, source, sourceLength, destination, capacity);
        rc != 0) {
        return rc;
    }
    tezl_CapCurrentPiece(&pContext->input, &pEnc->capped, TEZL_LIMITS_AB);
    if (int32_t rc = encodeRun(pEnc); rc != 0) {
        pContext->input.cursor = nullptr;
        return rc;
    }
    return tezl_SingleBufferResult(&pContext->output);
}

int32_t encodeList(TezlContext *pContext, const TezlPiece *sourcePieces, uint32_t sourceCount,
                   const TezlPiece *destinationPieces, uint32_t destinationCount) {
    auto *pEnc = reinterpret_cast<FambEncoderContext *>(pContext);
    resetEncoder(pEnc);
    TezlPieceList sourceList;
    TezlPieceList destinationList;
    if (int32_t rc = tezl_SetPieceLists(pContext, &sourceList, sourcePieces, sourceCount,
                                        &destinationList, destinationPieces, destinationCount);
        rc != 0) {
        return rc;
    }
    if (int32_t rc = tezl_StartEncodeList(pContext, &pEnc->capped, pEnc->retained, TEZL_LIMITS_AB);
        rc != 0) {
        if (rc != TEZL_ERR_CORRUPT) {
            resetEncoder(pEnc);
        }
        return rc;
    }
    if (!encoderReady(pEnc)) {
        return TEZL_ERR_CORRUPT;
    }
    if (int32_t rc = encodeRun(pEnc); rc != 0) {
        pEnc->runStatus = -2;
        return rc;
    }
    return tezl_FinishEncodeList(pContext, &pEnc->capped, pEnc->retained, TEZL_LIMITS_AB);
}

// ---- decoder -----------------------------------------------------------

void resetDecoder(FambDecoderContext *pDec) {
    tezl_ResetStreams(&pDec->base);
    pDec->scratch.pLitLen = pDec->scratch.pDist = pDec->scratch.pTableEnd = nullptr;
    std::memset(pDec->retained, 0, sizeof pDec->retained);
}

bool nextDecoderInput(void *self, const uint8_t **pCursor, const uint8_t **pEnd) {
    TezlStream &in = static_cast<FambDecoderContext *>(self)->base.input;
    bool bTaken = tezl_NextInputPiece(&in);
    *pCursor = in.cursor;
    *pEnd = in.piece.end;
    return bTaken;
}

int nextDecoderOutput(void *self, famb::Output *pOut) {
    auto *pDec = static_cast<FambDecoderContext *>(self);
    TezlStream &out = pDec->base.output;
    out.cursor = pOut->cursor;
    bool bTaken = pDec->advance(&out, pDec->retained, &pDec->staging);
    *pOut = {out.cursor, out.piece.start, out.piece.end};
    return bTaken ? 0 : TEZL_ERR_OUTPUT;
}

// Copies a match whose source starts before the current output piece:
// the shared copy reads the retained pieces (or staging blocks) and moves
// on to the next output piece as each one fills.
int copyFromHistory(void *self, famb::Output *pOut, uint32_t distance, uint32_t length) {
    auto *pDec = static_cast<FambDecoderContext *>(self);
    TezlStream &out = pDec->base.output;
    out.cursor = pOut->cursor;
    int rc = tezl_CopyMatch(&out, pDec->retained, &pDec->staging, pDec->advance, distance, length);
    *pOut = {out.cursor, out.piece.start, out.piece.end};
    return rc;
}

// The block loop over the context's streams, with the end-of-input checks.
int32_t decodeRun(FambDecoderContext *pDec) {
    TezlStream &in = pDec->base.input;
    TezlStream &out = pDec->base.output;
    famb::BitReader reader{in.cursor, in.piece.end, in.bitBuffer, in.bitCount};
    famb::Output output{out.cursor, out.piece.start, out.piece.end};
    famb::DecodePort port{pDec, nextDecoderInput, nextDecoderOutput, copyFromHistory};
    int rc = famb::decodeBlocks(&pDec->scratch, pDec->tables, &reader, &output, &port);
    in.cursor = const_cast<uint8_t *>(reader.cursor);
    in.bitBuffer = 0;
    in.bitCount = 0;
    out.cursor = output.cursor;
    if (!out.piece.end) {
        return tezl_NoPieceResult(pDec->retained, rc != 0 ? rc : TEZL_ERR_OUTPUT);
    }
    if (rc != 0) {
        return rc;
    }
    return out.cursor > out.piece.end ? TEZL_ERR_OUTPUT : 0;
}

TezlContext *createEncoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes, int32_t level) {
    if (contextBytes < FAMB_ENCODER_CONTEXT_BYTES || !workMemory ||
        workBytes < FAMB_ENCODER_WORK_BYTES) {
        return nullptr;
    }
    auto *pEnc = static_cast<FambEncoderContext *>(contextMemory);
    pEnc->base.level = level;
    resetEncoder(pEnc);
    pEnc->pHashHeads = reinterpret_cast<uint16_t *>(workMemory + FAMB_WORK_HEADS_OFFSET);
    pEnc->pChain = reinterpret_cast<uint16_t *>(workMemory + FAMB_WORK_CHAIN_OFFSET);
    pEnc->pTokenStart = reinterpret_cast<famb::Token *>(workMemory + FAMB_WORK_TOKENS_OFFSET);
    pEnc->pTokenWrite = pEnc->pTokenStart;
    pEnc->pTokenLimit = pEnc->pTokenStart + famb::kTokenCapacity;
    pEnc->block.hashShift = famb::kHashShift;
    tezl_InitSlots(&pEnc->base);
    pEnc->base.encode = encodeBuffer;
    pEnc->base.encodeList = encodeList;
    return &pEnc->base;
}

TezlContext *createDecoder(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                           uint32_t workBytes, int32_t level) {
    bool bStaging = level == -3;
    if (contextBytes < FAMB_DECODER_CONTEXT_BYTES ||
        (bStaging && (!workMemory || workBytes < FAMB_STAGING_WORK_BYTES))) {
        return nullptr;
    }
    auto *pDec = static_cast<FambDecoderContext *>(contextMemory);
    pDec->base.level = -2;
    resetDecoder(pDec);
    pDec->advance = bStaging ? tezl_StagingAdvance : tezl_RetainAdvanceAB;
    tezl_ResetStaging(&pDec->staging, bStaging ? workMemory : nullptr);
    tezl_InitSlots(&pDec->base);
    pDec->base.decode = tezl_DecodeBuffer<FambDecoderContext, resetDecoder, decodeRun>;
    pDec->base.decodeList = tezl_DecodeList<FambDecoderContext, resetDecoder, decodeRun>;
    return &pDec->base;
}

} // namespace

TezlContext *tezlB_Create(void *contextMemory, uint32_t contextBytes, uint8_t *workMemory,
                          uint32_t workBytes, int32_t level) {
    if (level >= 5 && level <= 8) {
        return createEncoder(contextMemory, contextBytes, workMemory, workBytes, level);
    }
    if (level == -2 || level == -3) {
        return createDecoder(contextMemory, contextBytes, workMemory, workBytes, level);
    }
    return nullptr;
}
