// Stream machinery shared by every codec family.
#include "tezl_stream.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t pieceLength(const TezlPiece &piece) {
    return piece.start && piece.end > piece.start ? uint32_t(piece.end - piece.start) : 0;
}

bool isEmpty(const TezlPiece &piece) {
    return !piece.start || piece.start >= piece.end;
}

void releaseTo(TezlStream *pStream, uint8_t *start, uint32_t bytes) {
    if (start && pStream->supplier) {
        pStream->supplier(pStream->supplierContext, nullptr, start, bytes);
    }
}

// Asks the supplier for the next piece; finishedStart as TezlSupplyFn says.
void askSupplier(TezlStream *pStream, uint8_t *finishedStart) {
    if (!pStream->supplier) {
        pStream->piece = {nullptr, nullptr};
        return;
    }
    pStream->supplier(pStream->supplierContext, &pStream->piece, finishedStart, 0);
}

} // namespace

void tezl_ZeroWindow(TezlStream *pStream) {
    pStream->retainedCount = 0;
    pStream->newestIndex = 0;
    pStream->pieceSize = 0;
    pStream->pieceSizeLog2 = -1;
    pStream->currentLength = 0;
    pStream->wrapped = 0;
}

namespace {

// Makes the stream's (non-empty) current piece the only retained one.
void retainOnly(TezlStream *pStream, uint8_t **retained) {
    uint32_t length = pieceLength(pStream->piece);
    pStream->retainedCount = 1;
    pStream->newestIndex = 0;
    pStream->wrapped = 0;
    pStream->currentLength = length;
    pStream->pieceSize = length;
    pStream->pieceSizeLog2 = tezl_Log2(length);
    retained[0] = pStream->piece.start;
}

bool usableSize(uint32_t size, const TezlWindowLimits &limits) {
    return size >= limits.minPieceBytes && size <= limits.maxPieceBytes && (size & (size - 1)) == 0;
}

bool overlaps(const TezlPiece &piece, const uint8_t *start, uint32_t bytes) {
    return piece.start < start + bytes && start < piece.end;
}

// A new piece may not overlap any piece that stays in the window: the
// decoder would overwrite history a later match reads, and the supplier
// would be told twice about the same memory.
bool overlapsWindow(const TezlStream *pStream, uint8_t *const *retained, uint32_t ringSize,
                    uint32_t reusedPosition) {
    for (uint32_t i = 0; i < ringSize; ++i) {
        if (i != reusedPosition && retained[i] &&
            overlaps(pStream->piece, retained[i], pStream->pieceSize)) {
            return true;
        }
    }
    return false;
}

// Joins a full-size successor to the window (ring position chosen as the
// window limits say). Answers false after an overlap.
bool joinWindow(TezlStream *pStream, uint8_t **retained, const TezlWindowLimits &limits) {
    uint32_t length = pieceLength(pStream->piece);
    uint32_t ringSize = pStream->wrapped ? pStream->newestIndex + 1 : pStream->retainedCount;
    uint32_t position;
    if (!pStream->wrapped && pStream->retainedCount < limits.ringPieces &&
        uint64_t(length) + uint64_t(pStream->pieceSize) * pStream->retainedCount <=
            limits.windowBytes) {
        position = pStream->retainedCount;
    } else {
        if (!pStream->wrapped) {
            pStream->wrapped = 1;
            pStream->newestIndex = pStream->retainedCount - 1;
            pStream->retainedCount = 0;
        }
        position = pStream->retainedCount > pStream->newestIndex ? 0 : pStream->retainedCount;
    }
    if (overlapsWindow(pStream, retained, ringSize,
                       position < ringSize ? position : limits.ringPieces)) {
        uint8_t *offending = pStream->piece.start;
        tezl_ReleaseRetained(pStream, retained, limits, nullptr);
        releaseTo(pStream, offending, length);
        retained[0] = offending;
        pStream->piece = {nullptr, nullptr};
        pStream->cursor = nullptr;
        return false;
    }
    if (position < ringSize) {
        releaseTo(pStream, retained[position], pStream->pieceSize);
    }
    if (!pStream->wrapped) {
        pStream->newestIndex = position;
    }
    retained[position] = pStream->piece.start;
    pStream->currentLength = length;
    pStream->retainedCount = position + 1;
    return true;
}

enum class Supplied { None, Empty, Piece };

// Adds the old piece to the total, asks for the next one and normalises the
// answer: no piece clears the cursor, an empty one stands at its start.
Supplied takeNext(TezlStream *pStream, uint8_t *finishedStart) {
    pStream->total += pieceLength(pStream->piece);
    askSupplier(pStream, finishedStart);
    if (!pStream->piece.start) {
        pStream->piece.end = nullptr;
        pStream->cursor = nullptr;
        return Supplied::None;
    }
    pStream->cursor = pStream->piece.start;
    if (pStream->piece.start >= pStream->piece.end) {
        pStream->piece.end = pStream->piece.start;
        return Supplied::Empty;
    }
    return Supplied::Piece;
}

} // namespace

int32_t tezl_Log2(uint32_t value) {
    return value ? 31 - __builtin_clz(value) : -1;
}

bool tezl_NextInputPiece(TezlStream *pStream) {
    uint8_t *finished = isEmpty(pStream->piece) ? nullptr : pStream->piece.start;
    return takeNext(pStream, finished) == Supplied::Piece;
}

bool tezl_NextOutputPiece(TezlStream *pStream, uint8_t **pCursor, uint8_t **pEnd) {
    bool bTaken = tezl_NextInputPiece(pStream);
    *pCursor = pStream->cursor;
    *pEnd = pStream->piece.end;
    return bTaken;
}

void tezl_ReleasePiece(TezlStream *pStream) {
    if (!isEmpty(pStream->piece)) {
        releaseTo(pStream, pStream->piece.start, 0);
    }
    pStream->piece = {nullptr, nullptr};
    pStream->cursor = nullptr;
}

int32_t tezl_SetBuffers(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                        uint8_t *destination, uint32_t capacity) {
    if (!source || sourceLength == 0) {
        return TEZL_ERR_INPUT;
    }
    if (!destination || capacity == 0) {
        return TEZL_ERR_OUTPUT;
    }
    // The library never writes through an input piece.
    auto *in = const_cast<uint8_t *>(source);
    pContext->output.cursor = destination;
    pContext->output.piece = {destination, destination + capacity};
    pContext->output.supplier = tezl_SupplyBuffer;
    pContext->output.supplierContext = nullptr;
    pContext->input.cursor = in;
    pContext->input.piece = {in, in + sourceLength};
    pContext->input.supplier = tezl_SupplyBuffer;
    pContext->input.supplierContext = nullptr;
    return 0;
}

int32_t tezl_SetPieceLists(TezlContext *pContext, TezlPieceList *pSourceList,
                           const TezlPiece *sourcePieces, uint32_t sourceCount,
                           TezlPieceList *pDestinationList, const TezlPiece *destinationPieces,
                           uint32_t destinationCount) {
    if (!sourcePieces || sourceCount == 0) {
        return TEZL_ERR_INPUT;
    }
    if (!destinationPieces || destinationCount == 0) {
        return TEZL_ERR_OUTPUT;
    }
    *pSourceList = {sourcePieces, sourceCount};
    *pDestinationList = {destinationPieces, destinationCount};
    pContext->input.supplier = tezl_SupplyFromList;
    pContext->input.supplierContext = pSourceList;
    pContext->output.supplier = tezl_SupplyFromList;
    pContext->output.supplierContext = pDestinationList;
    return 0;
}

void tezl_InitOutputWindow(TezlStream *pOut, uint8_t **retained, uint32_t capacity) {
    pOut->retainedCount = 1;
    pOut->newestIndex = 0;
    pOut->wrapped = 0;
    pOut->pieceSize = capacity;
    pOut->currentLength = capacity;
    pOut->pieceSizeLog2 = tezl_Log2(capacity);
    retained[0] = pOut->piece.start;
}

bool tezl_RetainNextPiece(TezlStream *pStream, uint8_t **retained, const TezlWindowLimits &limits) {
    // The old piece stays in use as history: it is not handed back.
    Supplied supplied = takeNext(pStream, nullptr);
    if (supplied == Supplied::None) {
        tezl_ReleaseRetained(pStream, retained, limits, nullptr);
        return false;
    }
    if (supplied == Supplied::Empty) {
        return false;
    }
    uint32_t length = pieceLength(pStream->piece);
    if (pStream->pieceSize == 0) {
        retainOnly(pStream, retained);
        return true;
    }
    if (!usableSize(pStream->pieceSize, limits)) {
        releaseTo(pStream, retained[0], pStream->pieceSize);
        retained[0] = nullptr;
        retainOnly(pStream, retained);
        return true;
    }
    if (pStream->currentLength == pStream->pieceSize && length <= pStream->pieceSize) {
        return joinWindow(pStream, retained, limits);
    }
    TezlPiece next = pStream->piece;
    tezl_ReleaseRetained(pStream, retained, limits, nullptr);
    pStream->piece = next;
    retainOnly(pStream, retained);
    return true;
}

bool tezl_RetainAdvanceAB(TezlStream *pOut, uint8_t **retained, TezlStaging *) {
    return tezl_RetainNextPiece(pOut, retained, TEZL_LIMITS_AB);
}

bool tezl_RetainAdvanceC(TezlStream *pOut, uint8_t **retained, TezlStaging *) {
    return tezl_RetainNextPiece(pOut, retained, TEZL_LIMITS_C);
}

void tezl_ReleaseRetained(TezlStream *pStream, uint8_t **retained, const TezlWindowLimits &limits,
                          TezlStaging *pStaging) {
    if (pStaging && pStaging->workBase) {
        if (pStaging->callerStart && pStaging->callerStart < pStaging->callerEnd) {
            releaseTo(pStream, pStaging->callerStart, 0);
        }
        tezl_ResetStaging(pStaging, pStaging->workBase);
        std::fill(retained, retained + limits.ringPieces, nullptr);
    } else {
        uint32_t count = pStream->wrapped ? pStream->newestIndex + 1 : pStream->retainedCount;
        for (uint32_t i = std::min(count, limits.ringPieces); i-- > 0;) {
            releaseTo(pStream, retained[i], pStream->pieceSize);
            retained[i] = nullptr;
        }
    }
    tezl_ZeroWindow(pStream);
}

void tezl_CapCurrentPiece(TezlStream *pIn, TezlCappedState *pCapped,
                          const TezlWindowLimits &limits) {
    if (pieceLength(pIn->piece) <= limits.subPieceBytes) {
        return;
    }
    pCapped->savedStart = pIn->piece.start;
    pCapped->savedEnd = pIn->piece.end;
    pIn->piece.end = pIn->piece.start + limits.subPieceBytes;
    pCapped->next = pIn->piece.end;
}

void tezl_RestoreCapped(TezlStream *pIn, TezlCappedState *pCapped) {
    if (pCapped->next) {
        pIn->piece = {pCapped->savedStart, pCapped->savedEnd};
    }
    *pCapped = {};
}

bool tezl_NextCappedInputPiece(TezlStream *pIn, TezlCappedState *pCapped, uint8_t **retained,
                               const TezlWindowLimits &limits) {
    if (pCapped->next) {
        if (pCapped->next < pCapped->savedEnd) {
            uint8_t *start = pCapped->next;
            uint32_t length = std::min(uint32_t(pCapped->savedEnd - start), limits.subPieceBytes);
            pIn->piece = {start, start + length};
            pIn->cursor = start;
            pCapped->next = start + length;
            return true;
        }
        tezl_RestoreCapped(pIn, pCapped);
    }
    if (!tezl_RetainNextPiece(pIn, retained, limits)) {
        return false;
    }
    tezl_CapCurrentPiece(pIn, pCapped, limits);
    return true;
}
