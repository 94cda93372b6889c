// Public interface of the tezl codec library.
//
// Three LZ-family codecs chosen by level at create time:
//   family A (levels 1..3 encode, 0 and -1 decode): byte-aligned LZ77 tokens;
//   family B (levels 5..8 encode, -2 and -3 decode): LZ77 with Huffman coding;
//   family C (level 10 encode, -5 decode): LZS-style bit stream.
//
// Contract shared by every entry point:
//   - The library allocates nothing, takes no lock, keeps no mutable global
//     state and calls nothing outside itself. Contexts and work memory are
//     caller memory, owned by the caller for the context's whole life and
//     aligned to at least 8 bytes.
//   - A context serves one operation at a time; separate contexts may be
//     used on separate threads at once.
//   - Every operation returns a signed 32-bit result: a length (0 or more)
//     on success; TEZL_ERR_CORRUPT (-1) for a bad context, an unsupported
//     operation, corrupt input, an unset stream field or overlapping pieces;
//     TEZL_ERR_INPUT (-2) for missing or truncated input; TEZL_ERR_OUTPUT
//     (-3) for missing or exhausted output space.
//   - Output written before a failure stays in the destination but must not
//     be used. A decoder may write scratch bytes past the returned length
//     (never past the destination).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t TEZL_ERR_CORRUPT = -1;
inline constexpr int32_t TEZL_ERR_INPUT = -2;
inline constexpr int32_t TEZL_ERR_OUTPUT = -3;

// The library's version text; every context's first word points at this
// very array (identity, not a text comparison, decides a context's origin).
extern const char tezl_VersionTag[];

// A byte range [start, end). A piece with start not below end is empty.
// Input pieces are never written through.
struct TezlPiece {
    uint8_t *start;
    uint8_t *end;
};

// Supplier of the pieces of a stream.
//   Advance (pPair not null): pPair is the stream's own {pieceStart,
//     pieceEnd}; the supplier overwrites it with the next piece. A null start
//     or an empty piece means no further piece. finishedStart is the start
//     of the piece being left when that piece was not empty and is handed
//     back, else null (a piece kept as history is not handed back).
//   Release (pPair null): the library no longer needs the piece that begins
//     at finishedStart; releaseBytes is that piece's size when known, else 0.
using TezlSupplyFn = void (*)(void *supplierContext, TezlPiece *pPair, uint8_t *finishedStart,
                              uint32_t releaseBytes);

// A caller's array of pieces, walked by tezl_SupplyFromList.
struct TezlPieceList {
    const TezlPiece *next;
    uint32_t remaining;
};

// One direction of an operation: where the codec reads or writes, piece by
// piece, and the bookkeeping of the pieces it keeps as history.
struct TezlStream {
    uint8_t *cursor; // next byte to read or write
    TezlPiece piece; // current piece {pieceStart, pieceEnd}
    void *supplierContext;
    TezlSupplyFn supplier;
    uint32_t total;     // summed lengths of the pieces already left behind
    uint32_t bitBuffer; // bit accumulator of the bit-stream families
    uint32_t bitCount;  // bits held in bitBuffer
    // Retained-piece window (history across pieces).
    uint32_t retainedCount; // retained pieces; after wrapping: ring position of the next piece
    uint32_t newestIndex;   // index of the newest piece; after wrapping: highest index in use
    uint32_t pieceSize;     // length of the pieces in the window (0 while none)
    int32_t pieceSizeLog2;  // floor(log2(pieceSize)); -1 for 0
    uint32_t currentLength; // length of the current piece
    uint32_t wrapped;       // 1 once the ring has wrapped
};
static_assert(sizeof(TezlStream) == 80);
static_assert(offsetof(TezlStream, total) == 40);
static_assert(offsetof(TezlStream, retainedCount) == 52);

// Decoder output staged through a ring of nine 8 KiB work blocks, copied out
// to the caller's pieces (levels -1 and -3).
struct TezlStaging {
    uint8_t *callerCursor;
    uint8_t *callerStart;
    uint8_t *callerEnd;
    uint8_t *workBase;
    uint8_t *currentBlock;
    uint8_t *stagingPos;    // first byte not yet copied out
    uint32_t stagingLength; // size of the window last handed to the decoder
    uint32_t bFlush;        // the operation is finishing: copy out and close
};
static_assert(sizeof(TezlStaging) == 56);
inline constexpr uint32_t TEZL_STAGING_BLOCK_BYTES = 0x2000;
inline constexpr uint32_t TEZL_STAGING_BLOCKS = 9;

struct TezlContext;
using TezlBufferOp = int32_t (*)(TezlContext *pContext, const uint8_t *source,
                                 uint32_t sourceLength, uint8_t *destination, uint32_t capacity);
using TezlListOp = int32_t (*)(TezlContext *pContext, const TezlPiece *sourcePieces,
                               uint32_t sourceCount, const TezlPiece *destinationPieces,
                               uint32_t destinationCount);

enum class TezlOperation : uint32_t { None = 0, Create = 1, Encode = 2, Decode = 3 };

inline constexpr uint32_t TEZL_RESERVED_SLOTS = 5;

// The header every family's context begins with (caller memory).
struct TezlContext {
    const char *tag; // tezl_VersionTag once created
    TezlStream input;
    TezlStream output;
    TezlBufferOp reserved[TEZL_RESERVED_SLOTS]; // always the unsupported operation
    TezlBufferOp decode;
    TezlListOp decodeList;
    TezlBufferOp encode;
    TezlListOp encodeList;
    TezlOperation lastOperation; // written by the entry points, read by nothing
    int32_t level;               // family A: encoder level 1..3, or 0 for decoders
};
static_assert(sizeof(TezlContext) == 248);
static_assert(offsetof(TezlContext, input) == 8);
static_assert(offsetof(TezlContext, output) == 88);
static_assert(offsetof(TezlContext, decode) == 208);
static_assert(offsetof(TezlContext, level) == 244);

// Creates an encoder or decoder of the family that `level` selects in
// contextMemory (at least tezl_ContextBytes(level) bytes, 8-byte aligned)
// with workMemory (at least tezl_WorkBytes(level) bytes where the level
// needs it). Returns contextMemory as a context, or null when the level is
// unknown or a minimum is not met. Re-creating over an old context is fine.
[[nodiscard]] TezlContext *tezl_Create(void *contextMemory, uint32_t contextBytes, void *workMemory,
                                       uint32_t workBytes, int32_t level);

// Compresses source into destination (capacity bytes) with an encoder
// context: the compressed length, or a negative result.
[[nodiscard]] int32_t tezl_Encode(TezlContext *pContext, const uint8_t *source,
                                  uint32_t sourceLength, uint8_t *destination, uint32_t capacity);

// Decompresses source into destination with a decoder context: the
// decompressed length, or a negative result.
[[nodiscard]] int32_t tezl_Decode(TezlContext *pContext, const uint8_t *source,
                                  uint32_t sourceLength, uint8_t *destination, uint32_t capacity);

// Minimum context bytes and work bytes of a level (0 for an unknown level,
// and work 0 where the level takes no work memory).
[[nodiscard]] uint32_t tezl_ContextBytes(int32_t level);
[[nodiscard]] uint32_t tezl_WorkBytes(int32_t level);

// The two suppliers that come with the library (see TezlSupplyFn).
// tezl_SupplyBuffer: there is no further piece, answered in two steps: a
// non-empty pair becomes empty at the same place, an empty one becomes null.
void tezl_SupplyBuffer(void *supplierContext, TezlPiece *pPair, uint8_t *finishedStart,
                       uint32_t releaseBytes);
// tezl_SupplyFromList: supplierContext is a TezlPieceList; yields its
// non-empty entries in order, then answers like tezl_SupplyBuffer.
void tezl_SupplyFromList(void *supplierContext, TezlPiece *pPair, uint8_t *finishedStart,
                         uint32_t releaseBytes);
