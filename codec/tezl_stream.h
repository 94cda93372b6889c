// Stream machinery shared by every codec family: moving a stream from piece
// to piece, the retained-piece window that lets matches reach into earlier
// pieces, capped input sub-pieces, staging of decoder output through work
// memory, and the pieces of the single-buffer and piece-list protocols.
//
// Internal to the library; families include it, callers do not.
#pragma once

#include "tezl.h"

// Per-family constants of the retained-piece window and of capped input.
struct TezlWindowLimits {
    uint32_t subPieceBytes; // input pieces longer than this are worked in sub-pieces
    uint32_t ringPieces;    // at most this many retained pieces
    uint32_t windowBytes;   // at most this many bytes of retained pieces
    uint32_t minPieceBytes; // usable window piece sizes: powers of two from here...
    uint32_t maxPieceBytes; // ...up to here (inclusive)
};
inline constexpr TezlWindowLimits TEZL_LIMITS_AB{0x10000, 32, 0x10000, 2048, 0xFFFF};
inline constexpr TezlWindowLimits TEZL_LIMITS_C{2048, 64, 0x20000, 2048, 131071};

// State of an input piece being worked in sub-pieces.
struct TezlCappedState {
    uint8_t *next;       // start of the next sub-piece (null: not capping)
    uint8_t *savedStart; // bounds of the long piece
    uint8_t *savedEnd;
};

// Moves a decoder's output to its next piece: the retained-piece advance or
// the staging advance. Answers false when there is no further piece.
using TezlAdvanceFn = bool (*)(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging);

// Floor of log2 for a nonzero value; -1 for 0.
[[nodiscard]] int32_t tezl_Log2(uint32_t value);

// Moves a stream to its next piece without keeping the old one as history.
// Answers true when a non-empty piece was taken.
[[nodiscard]] bool tezl_NextInputPiece(TezlStream *pStream);
// As tezl_NextInputPiece, and hands the new cursor and piece end back to the
// caller's own copies (bit writers and readers keep them in registers).
[[nodiscard]] bool tezl_NextOutputPiece(TezlStream *pStream, uint8_t **pCursor, uint8_t **pEnd);
// Tells the supplier the current piece is no longer needed; clears it.
void tezl_ReleasePiece(TezlStream *pStream);

// Points both streams at single buffers served by tezl_SupplyBuffer.
// Returns 0, TEZL_ERR_INPUT or TEZL_ERR_OUTPUT.
[[nodiscard]] int32_t tezl_SetBuffers(TezlContext *pContext, const uint8_t *source,
                                      uint32_t sourceLength, uint8_t *destination,
                                      uint32_t capacity);
// Points both streams at piece lists (records owned by the operation's
// frame); both start with no piece. Returns 0, TEZL_ERR_INPUT or
// TEZL_ERR_OUTPUT.
[[nodiscard]] int32_t tezl_SetPieceLists(TezlContext *pContext, TezlPieceList *pSourceList,
                                         const TezlPiece *sourcePieces, uint32_t sourceCount,
                                         TezlPieceList *pDestinationList,
                                         const TezlPiece *destinationPieces,
                                         uint32_t destinationCount);

// Makes a single-buffer decode's destination the only retained piece.
void tezl_InitOutputWindow(TezlStream *pOut, uint8_t **retained, uint32_t capacity);

// Moves a stream to its next piece while keeping earlier equal-size pieces
// as history (retained[] holds their starts). Answers false when there is
// no further piece, and also when the new piece overlaps a retained one:
// then the piece is cleared and retained[0] holds the offending start.
[[nodiscard]] bool tezl_RetainNextPiece(TezlStream *pStream, uint8_t **retained,
                                        const TezlWindowLimits &limits);
// tezl_RetainNextPiece with family A/B limits, in TezlAdvanceFn shape.
[[nodiscard]] bool tezl_RetainAdvanceAB(TezlStream *pOut, uint8_t **retained, TezlStaging *);
// The same with family C limits.
[[nodiscard]] bool tezl_RetainAdvanceC(TezlStream *pOut, uint8_t **retained, TezlStaging *);
// Releases every retained piece (or, with an active staging record, the
// caller's current output piece and the staging state) and zeroes the
// window bookkeeping.
void tezl_ReleaseRetained(TezlStream *pStream, uint8_t **retained, const TezlWindowLimits &limits,
                          TezlStaging *pStaging);

// Zeroes the retained-window bookkeeping of a stream (not its table).
void tezl_ZeroWindow(TezlStream *pStream);

// Takes the next input piece, working pieces longer than the family's
// sub-piece size as consecutive sub-pieces. Answers false at the end.
[[nodiscard]] bool tezl_NextCappedInputPiece(TezlStream *pIn, TezlCappedState *pCapped,
                                             uint8_t **retained, const TezlWindowLimits &limits);
// Cuts the current input piece to its first sub-piece when it is long.
void tezl_CapCurrentPiece(TezlStream *pIn, TezlCappedState *pCapped,
                          const TezlWindowLimits &limits);
// Puts a capped piece's saved bounds back (before the input is released).
void tezl_RestoreCapped(TezlStream *pIn, TezlCappedState *pCapped);

// Clears a staging record and sets its work base.
void tezl_ResetStaging(TezlStaging *pStaging, uint8_t *workMemory);
// Staging advance (TezlAdvanceFn shape): copies what the decoder wrote into
// the current work window out to the caller's pieces and hands out the next
// window; with the flush flag set it copies out and closes the caller's
// piece. retained[] holds the work blocks as the output's history.
[[nodiscard]] bool tezl_StagingAdvance(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging);

// Locates the byte `distance` back from the output cursor when it lies
// before the current piece, in the retained pieces. On success *ppSource
// is that byte and *pContiguous the bytes that follow it in the same piece.
// Fails when the window does not hold it or its piece size is unusable.
[[nodiscard]] bool tezl_LocateHistory(const TezlStream *pOut, uint8_t *const *retained,
                                      uint32_t distance, uint8_t **ppSource, uint32_t *pContiguous);

// Copies a match of `length` bytes from `distance` back, forward byte by
// byte in effect, across output pieces (taken with `advance`) and from the
// retained pieces. Returns 0; TEZL_ERR_OUTPUT when no further output piece
// comes; TEZL_ERR_CORRUPT when the source lies outside the window.
[[nodiscard]] int32_t tezl_CopyMatch(TezlStream *pOut, uint8_t **retained, TezlStaging *pStaging,
                                     TezlAdvanceFn advance, uint32_t distance, uint32_t length);

// Zeroes both stream records of a context (first step of every operation).
void tezl_ResetStreams(TezlContext *pContext);
// Start of a piece-list encode once the lists are set: takes the first
// output piece and the first (capped) input piece and checks both streams.
// Returns 0, TEZL_ERR_OUTPUT or TEZL_ERR_INPUT (the caller then resets the
// context), or TEZL_ERR_CORRUPT for an incomplete stream.
[[nodiscard]] int32_t tezl_StartEncodeList(TezlContext *pContext, TezlCappedState *pCapped,
                                           uint8_t **retained, const TezlWindowLimits &limits);
// Start of a piece-list decode likewise: the first output piece through
// `advance`, the first input piece.
[[nodiscard]] int32_t tezl_StartDecodeList(TezlContext *pContext, uint8_t **retained,
                                           const TezlWindowLimits &limits, TezlAdvanceFn advance,
                                           TezlStaging *pStaging);
// Result of a coder whose stream was left without a piece: a piece that
// overlapped the window (the advance left its start in retained[0], which
// is cleared) gives TEZL_ERR_CORRUPT, anything else `noPieceResult`.
[[nodiscard]] int32_t tezl_NoPieceResult(uint8_t **retained, int32_t noPieceResult);
// Finish of a successful piece-list encode: releases the input, hands the
// partly written output piece back and releases the output. Returns the
// bytes written over all output pieces.
[[nodiscard]] int32_t tezl_FinishEncodeList(TezlContext *pContext, TezlCappedState *pCapped,
                                            uint8_t **retained, const TezlWindowLimits &limits);
// Finish of a successful piece-list decode without staging, likewise.
[[nodiscard]] int32_t tezl_FinishDecodeList(TezlContext *pContext, uint8_t **retained,
                                            const TezlWindowLimits &limits);

// True when the stream has everything an operation needs to run.
[[nodiscard]] bool tezl_StreamReady(const TezlStream *pStream);
// Closes the current output piece at the cursor and hands it to the
// supplier (adding its written bytes to the total) when bytes were written.
void tezl_HandBackOutput(TezlStream *pOut);
// Result of a single-buffer operation from its output stream: the bytes
// written, counting a destination that filled exactly (the supplier's
// "no more" answer then stands the cursor back at its start).
[[nodiscard]] int32_t tezl_SingleBufferResult(const TezlStream *pOut);
// Result of a piece-list operation: the output total, or TEZL_ERR_OUTPUT
// when it does not fit the result.
[[nodiscard]] int32_t tezl_ListResult(const TezlStream *pOut);

// The operation every slot a context does not support holds.
[[nodiscard]] int32_t tezl_UnsupportedBuffer(TezlContext *, const uint8_t *, uint32_t, uint8_t *,
                                             uint32_t);
[[nodiscard]] int32_t tezl_UnsupportedList(TezlContext *, const TezlPiece *, uint32_t,
                                           const TezlPiece *, uint32_t);
// Fills every slot with the unsupported operation (families then set theirs).
void tezl_InitSlots(TezlContext *pContext);
