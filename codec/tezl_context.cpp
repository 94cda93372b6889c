// Entry points, the version tag, the suppliers and the protocol helpers
// every family shares.
#include "tezl_families.h"
#include "tezl_stream.h"

#include <climits>
#include <cstring>

const char tezl_VersionTag[] = "C-TEZL_2_0_51_DEV";
static_assert(sizeof(tezl_VersionTag) == 18);

namespace {

struct LevelRow {
    int32_t level;
    uint32_t contextBytes;
    uint32_t workBytes;
};

constexpr LevelRow kLevels[] = {
#define TEZL_LEVEL(level, family, bEncoder, contextBytes, workBytes)                               \
    {level, contextBytes, workBytes},
#include "tezl_levels.def"
#undef TEZL_LEVEL
};

const LevelRow *findLevel(int32_t level) {
    for (const LevelRow &row : kLevels) {
        if (row.level == level) {
            return &row;
        }
    }
    return nullptr;
}

bool isOurs(const TezlContext *pContext) {
    return pContext && pContext->tag == tezl_VersionTag;
}

} // namespace

uint32_t tezl_ContextBytes(int32_t level) {
    const LevelRow *row = findLevel(level);
    return row ? row->contextBytes : 0;
}

uint32_t tezl_WorkBytes(int32_t level) {
    const LevelRow *row = findLevel(level);
    return row ? row->workBytes : 0;
}

TezlContext *tezl_Create(void *contextMemory, uint32_t contextBytes, void *workMemory,
                         uint32_t workBytes, int32_t level) {
    if (!contextMemory || contextBytes == 0) {
        return nullptr;
    }
    // Contexts hold pointers and the hash tables 16-bit words: memory that
    // is not aligned for them is refused rather than misused.
    if (reinterpret_cast<uintptr_t>(contextMemory) % alignof(TezlContext) != 0 ||
        reinterpret_cast<uintptr_t>(workMemory) % 8 != 0) {
        return nullptr;
    }
    TezlCreateFn create = tezl_FindFamily(level);
    if (!create) {
        return nullptr;
    }
    TezlContext *pContext =
        create(contextMemory, contextBytes, static_cast<uint8_t *>(workMemory), workBytes, level);
    if (pContext) {
        pContext->tag = tezl_VersionTag;
        pContext->lastOperation = TezlOperation::Create;
    }
    return pContext;
}

int32_t tezl_Encode(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                    uint8_t *destination, uint32_t capacity) {
    if (!isOurs(pContext)) {
        return TEZL_ERR_CORRUPT;
    }
    pContext->lastOperation = TezlOperation::Encode;
    return pContext->encode(pContext, source, sourceLength, destination, capacity);
}

int32_t tezl_Decode(TezlContext *pContext, const uint8_t *source, uint32_t sourceLength,
                    uint8_t *destination, uint32_t capacity) {
    if (!isOurs(pContext)) {
        return TEZL_ERR_CORRUPT;
    }
    pContext->lastOperation = TezlOperation::Decode;
    return pContext->decode(pContext, source, sourceLength, destination, capacity);
}

void tezl_SupplyBuffer(void *, TezlPiece *pPair, uint8_t *, uint32_t) {
    if (!pPair) {
        return;
    }
    if (pPair->start && pPair->start < pPair->end) {
        pPair->end = pPair->start;
    } else {
        *pPair = {nullptr, nullptr};
    }
}

void tezl_SupplyFromList(void *supplierContext, TezlPiece *pPair, uint8_t *finishedStart,
                         uint32_t releaseBytes) {
    if (!pPair) {
        return;
    }
    auto *pList = static_cast<TezlPieceList *>(supplierContext);
    while (pList && pList->remaining > 0) {
        TezlPiece entry = *pList->next++;
        --pList->remaining;
        if (entry.start && entry.start < entry.end) {
            *pPair = entry;
            return;
        }
    }
    tezl_SupplyBuffer(nullptr, pPair, finishedStart, releaseBytes);
}

int32_t tezl_UnsupportedBuffer(TezlContext *, const uint8_t *, uint32_t, uint8_t *, uint32_t) {
    return TEZL_ERR_CORRUPT;
}

int32_t tezl_UnsupportedList(TezlContext *, const TezlPiece *, uint32_t, const TezlPiece *,
                             uint32_t) {
    return TEZL_ERR_CORRUPT;
}

void tezl_InitSlots(TezlContext *pContext) {
    for (TezlBufferOp &slot : pContext->reserved) {
        slot = tezl_UnsupportedBuffer;
    }
    pContext->decode = pContext->encode = tezl_UnsupportedBuffer;
    pContext->decodeList = pContext->encodeList = tezl_UnsupportedList;
}

bool tezl_StreamReady(const TezlStream *pStream) {
    return pStream->supplierContext && pStream->supplier && pStream->piece.start &&
           pStream->piece.end && pStream->cursor;
}

void tezl_HandBackOutput(TezlStream *pOut) {
    if (pOut->cursor && pOut->piece.start && pOut->cursor > pOut->piece.start) {
        pOut->piece.end = pOut->cursor;
        (void)tezl_NextInputPiece(pOut);
    }
}

int32_t tezl_SingleBufferResult(const TezlStream *pOut) {
    if (!pOut->cursor || !pOut->piece.start || pOut->cursor < pOut->piece.start) {
        return TEZL_ERR_OUTPUT;
    }
    // The total counts a destination left behind after it filled exactly;
    // a decode that wrote nothing therefore answers 0, not the capacity.
    uint64_t written = uint64_t(pOut->total) + uint64_t(pOut->cursor - pOut->piece.start);
    return written > uint64_t(INT32_MAX) ? TEZL_ERR_OUTPUT : int32_t(written);
}

int32_t tezl_ListResult(const TezlStream *pOut) {
    return pOut->total > uint32_t(INT32_MAX) ? TEZL_ERR_OUTPUT : int32_t(pOut->total);
}

void tezl_ResetStreams(TezlContext *pContext) {
    std::memset(&pContext->input, 0, sizeof pContext->input);
    std::memset(&pContext->output, 0, sizeof pContext->output);
    pContext->input.pieceSizeLog2 = pContext->output.pieceSizeLog2 = -1;
}

int32_t tezl_FinishEncodeList(TezlContext *pContext, TezlCappedState *pCapped, uint8_t **retained,
                              const TezlWindowLimits &limits) {
    tezl_RestoreCapped(&pContext->input, pCapped);
    tezl_ReleaseRetained(&pContext->input, retained, limits, nullptr);
    pContext->input.piece = {nullptr, nullptr};
    pContext->input.cursor = nullptr;
    tezl_HandBackOutput(&pContext->output);
    tezl_ReleasePiece(&pContext->output);
    return tezl_ListResult(&pContext->output);
}

int32_t tezl_FinishDecodeList(TezlContext *pContext, uint8_t **retained,
                              const TezlWindowLimits &limits) {
    tezl_ReleasePiece(&pContext->input);
    tezl_HandBackOutput(&pContext->output);
    tezl_ReleaseRetained(&pContext->output, retained, limits, nullptr);
    return tezl_ListResult(&pContext->output);
}

int32_t tezl_StartEncodeList(TezlContext *pContext, TezlCappedState *pCapped, uint8_t **retained,
                             const TezlWindowLimits &limits) {
    if (!tezl_NextInputPiece(&pContext->output)) {
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextCappedInputPiece(&pContext->input, pCapped, retained, limits)) {
        tezl_ReleasePiece(&pContext->output);
        return TEZL_ERR_INPUT;
    }
    return tezl_StreamReady(&pContext->input) && tezl_StreamReady(&pContext->output)
               ? 0
               : TEZL_ERR_CORRUPT;
}

int32_t tezl_StartDecodeList(TezlContext *pContext, uint8_t **retained,
                             const TezlWindowLimits &limits, TezlAdvanceFn advance,
                             TezlStaging *pStaging) {
    if (!advance(&pContext->output, retained, pStaging)) {
        return TEZL_ERR_OUTPUT;
    }
    if (!tezl_NextInputPiece(&pContext->input)) {
        tezl_ReleaseRetained(&pContext->output, retained, limits, pStaging);
        return TEZL_ERR_INPUT;
    }
    return tezl_StreamReady(&pContext->input) && tezl_StreamReady(&pContext->output)
               ? 0
               : TEZL_ERR_CORRUPT;
}

int32_t tezl_NoPieceResult(uint8_t **retained, int32_t noPieceResult) {
    if (!retained[0]) {
        return noPieceResult;
    }
    retained[0] = nullptr;
    return TEZL_ERR_CORRUPT;
}
