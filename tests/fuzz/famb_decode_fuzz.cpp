// Family B decoder on arbitrary streams, in exact-size heap buffers so
// that any read or write outside them is caught. The first two bytes pick
// the destination size and how the pieces are cut; the rest is the stream.
//   famb_decode_fuzz  (FAMB_STAGING 0): level -2, one destination buffer and
//                     window-shaped destination pieces
//   famb_staging_fuzz (FAMB_STAGING 1): level -3, destination pieces of any size
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "famb_context.h"
#include "tezl.h"

namespace {

struct Buffer {
    explicit Buffer(size_t size) : bytes(new uint8_t[size ? size : 1]), size(size) {}
    std::unique_ptr<uint8_t[]> bytes;
    size_t size;
};

std::vector<TezlPiece> cut(uint8_t *pData, size_t size, size_t pieceBytes) {
    std::vector<TezlPiece> pieces;
    for (size_t off = 0; off < size; off += pieceBytes) {
        size_t n = size - off < pieceBytes ? size - off : pieceBytes;
        pieces.push_back({pData + off, pData + off + n});
    }
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t capacity = size_t(pData[0]) * 64 + 1;
    unsigned shape = pData[1];
    Buffer source(size - 2);
    std::memcpy(source.bytes.get(), pData + 2, size - 2);
    Buffer destination(capacity);

    static std::vector<uint64_t> contextMemory(FAMB_DECODER_CONTEXT_BYTES / 8);
    static std::vector<uint8_t> work(FAMB_STAGING_WORK_BYTES);
    TezlContext *pContext = tezl_Create(contextMemory.data(), FAMB_DECODER_CONTEXT_BYTES,
                                        work.data(), uint32_t(work.size()), FAMB_STAGING ? -3 : -2);
    if (!pContext) {
        __builtin_trap();
    }
    int32_t rc = tezl_Decode(pContext, source.bytes.get(), uint32_t(source.size),
                             destination.bytes.get(), uint32_t(capacity));
    if (rc > int32_t(capacity) || rc < -3) {
        __builtin_trap();
    }
    // Pieces: the stream cut into 1..16-byte input pieces, the destination
    // into window pieces (2048 << k) or, when staging, into odd sizes.
    auto sourcePieces = cut(source.bytes.get(), source.size, (shape & 15) + 1);
    size_t outPiece = FAMB_STAGING ? size_t((shape >> 4) * 97 + 1) : size_t(2048) << (shape >> 6);
    auto destinationPieces = cut(destination.bytes.get(), capacity, outPiece);
    int32_t listRc =
        pContext->decodeList(pContext, sourcePieces.data(), uint32_t(sourcePieces.size()),
                             destinationPieces.data(), uint32_t(destinationPieces.size()));
    if (listRc > int32_t(capacity) || listRc < -3) {
        __builtin_trap();
    }
    return 0;
}
