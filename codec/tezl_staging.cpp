// Decoder history: staging of output through work memory, and locating a
// match source in the retained pieces.
//
// A staging decoder writes into a ring of nine 8 KiB work blocks, so that
// its history never depends on how the caller cut the destination; each
// advance copies the window just filled out to the caller's pieces. The
// output stream's piece always starts at the current block, so the bytes
// already written in the block stay reachable as history.
#include "tezl_stream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kBlockBytes = TEZL_STAGING_BLOCK_BYTES;

void clearStaging(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging) {
    retained[0] = nullptr;
    pOut->piece = {nullptr, nullptr};
    pOut->cursor = nullptr;
    tezl_ZeroWindow(pOut);
    tezl_ResetStaging(pStaging, pStaging->workBase);
}

// Takes the caller's next output piece, handing the old one back.
bool nextCallerPiece(TezlStream *pOut, TezlStaging *pStaging) {
    TezlPiece pair{pStaging->callerStart, pStaging->callerEnd};
    uint8_t *finished = pair.start && pair.start < pair.end ? pair.start : nullptr;
    pOut->supplier(pOut->supplierContext, &pair, finished, 0);
    if (!pair.start || pair.start >= pair.end) {
        pStaging->callerStart = pStaging->callerEnd = pStaging->callerCursor = nullptr;
        return false;
    }
    pStaging->callerStart = pStaging->callerCursor = pair.start;
    pStaging->callerEnd = pair.end;
    return true;
}

// Closes the caller's piece at its cursor and hands it back.
void closeCallerPiece(TezlStream *pOut, TezlStaging *pStaging) {
    if (!pStaging->callerStart) {
        return;
    }
    TezlPiece pair{pStaging->callerStart, pStaging->callerCursor};
    uint8_t *finished = pair.start < pair.end ? pair.start : nullptr;
    pOut->supplier(pOut->supplierContext, &pair, finished, 0);
    if (pair.start && pair.start < pair.end) {
        pOut->supplier(pOut->supplierContext, nullptr, pair.start, 0);
    }
    pStaging->callerStart = pStaging->callerEnd = pStaging->callerCursor = nullptr;
}

// Hands the decoder the window from the staging position to the end of the
// block or of the caller's room, whichever comes first.
void openWindow(TezlStream *pOut, TezlStaging *pStaging) {
    uint32_t blockRoom = uint32_t(pStaging->currentBlock + kBlockBytes - pStaging->stagingPos);
    uint32_t callerRoom = uint32_t(pStaging->callerEnd - pStaging->callerCursor);
    uint32_t windowBytes = std::min(blockRoom, callerRoom);
    pOut->piece = {pStaging->currentBlock, pStaging->stagingPos + windowBytes};
    pOut->cursor = pStaging->stagingPos;
    pOut->currentLength = uint32_t(pOut->piece.end - pOut->piece.start);
    pStaging->stagingLength = windowBytes;
}

// Moves to the next work block of the ring, as the retained window would.
void nextBlock(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging) {
    uint32_t position;
    if (!pOut->wrapped && pOut->retainedCount < TEZL_STAGING_BLOCKS) {
        position = pOut->retainedCount;
        pOut->newestIndex = position;
    } else {
        if (!pOut->wrapped) {
            pOut->wrapped = 1;
            pOut->newestIndex = TEZL_STAGING_BLOCKS - 1;
            pOut->retainedCount = 0;
        }
        position = pOut->retainedCount > pOut->newestIndex ? 0 : pOut->retainedCount;
    }
    pStaging->currentBlock = pStaging->workBase + size_t(position) * kBlockBytes;
    pStaging->stagingPos = pStaging->currentBlock;
    retained[position] = pStaging->currentBlock;
    pOut->retainedCount = position + 1;
}

bool startStaging(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging) {
    if (!nextCallerPiece(pOut, pStaging)) {
        clearStaging(pOut, retained, pStaging);
        return false;
    }
    pOut->retainedCount = 1;
    pOut->newestIndex = 0;
    pOut->wrapped = 0;
    pOut->pieceSize = kBlockBytes;
    pOut->pieceSizeLog2 = 13;
    pStaging->currentBlock = pStaging->stagingPos = pStaging->workBase;
    retained[0] = pStaging->workBase;
    openWindow(pOut, pStaging);
    return true;
}

} // namespace

void tezl_ResetStaging(TezlStaging *pStaging, uint8_t *workMemory) {
    *pStaging = {};
    pStaging->workBase = workMemory;
    pStaging->currentBlock = workMemory;
}

bool tezl_StagingAdvance(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging) {
    if (!pOut->piece.start) {
        if (pStaging->bFlush) {
            closeCallerPiece(pOut, pStaging);
            clearStaging(pOut, retained, pStaging);
            return false;
        }
        return startStaging(pOut, retained, pStaging);
    }
    uint8_t *written = std::min(pOut->cursor, pOut->piece.end);
    if (written < pStaging->stagingPos ||
        uint32_t(written - pStaging->stagingPos) > pStaging->stagingLength) {
        if (pStaging->callerStart && pStaging->callerStart < pStaging->callerEnd) {
            pOut->supplier(pOut->supplierContext, nullptr, pStaging->callerStart, 0);
        }
        pStaging->callerStart = pStaging->callerEnd = pStaging->callerCursor = nullptr;
        clearStaging(pOut, retained, pStaging);
        return false;
    }
    uint32_t copyBytes = uint32_t(written - pStaging->stagingPos);
    std::memcpy(pStaging->callerCursor, pStaging->stagingPos, copyBytes);
    pStaging->callerCursor += copyBytes;
    pStaging->stagingPos += copyBytes;
    pOut->total += copyBytes;
    if (copyBytes < pStaging->stagingLength || pStaging->bFlush) {
        closeCallerPiece(pOut, pStaging);
        clearStaging(pOut, retained, pStaging);
        return false;
    }
    if (pStaging->stagingPos == pStaging->currentBlock + kBlockBytes) {
        nextBlock(pOut, retained, pStaging);
    }
    if (pStaging->callerCursor == pStaging->callerEnd && !nextCallerPiece(pOut, pStaging)) {
        clearStaging(pOut, retained, pStaging);
        return false;
    }
    openWindow(pOut, pStaging);
    return true;
}

bool tezl_LocateHistory(const TezlStream *pOut, uint8_t *const *retained, uint32_t distance,
                        uint8_t **ppSource, uint32_t *pContiguous) {
    uint32_t pieceSize = pOut->pieceSize;
    if (pieceSize == 0 || (pieceSize & (pieceSize - 1)) != 0 || !pOut->cursor) {
        return false;
    }
    uint64_t written = uint64_t(pOut->cursor - pOut->piece.start);
    uint64_t windowEnd = uint64_t(pieceSize) * pOut->newestIndex + written;
    if (distance == 0 || distance > windowEnd) {
        return false;
    }
    // Offsets count from the start of the oldest retained piece; after the
    // ring wrapped the oldest one sits just past the current position.
    uint64_t offset = windowEnd - distance;
    uint32_t ringSize = pOut->newestIndex + 1;
    uint32_t current = pOut->retainedCount ? pOut->retainedCount - 1 : 0;
    uint32_t oldest = pOut->wrapped ? (current + 1) % ringSize : 0;
    uint32_t logical = uint32_t(offset >> pOut->pieceSizeLog2);
    uint32_t position = (oldest + logical) % ringSize;
    uint32_t inPiece = uint32_t(offset & (pieceSize - 1));
    uint8_t *pieceStart = retained[position];
    if (!pieceStart) {
        return false;
    }
    *ppSource = pieceStart + inPiece;
    *pContiguous = logical == pOut->newestIndex ? uint32_t(written) - inPiece : pieceSize - inPiece;
    return true;
}

int32_t tezl_CopyMatch(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging,
                       TezlAdvanceFn advance, uint32_t distance, uint32_t length) {
    while (length > 0) {
        if (pOut->cursor == pOut->piece.end && !advance(pOut, retained, pStaging)) {
            return TEZL_ERR_OUTPUT;
        }
        uint32_t room = uint32_t(pOut->piece.end - pOut->cursor);
        uint32_t written = uint32_t(pOut->cursor - pOut->piece.start);
        uint32_t step;
        if (distance <= written) {
            step = std::min(length, room);
            const uint8_t *source = pOut->cursor - distance;
            if (distance >= step) {
                std::memcpy(pOut->cursor, source, step);
            } else {
                for (uint32_t i = 0; i < step; ++i) {
                    pOut->cursor[i] = source[i];
                }
            }
        } else {
            uint8_t *source = nullptr;
            uint32_t contiguous = 0;
            if (!tezl_LocateHistory(pOut, retained, distance, &source, &contiguous)) {
                return TEZL_ERR_CORRUPT;
            }
            step = std::min({length, room, contiguous});
            std::memmove(pOut->cursor, source, step);
        }
        pOut->cursor += step;
        length -= step;
    }
    return 0;
}
