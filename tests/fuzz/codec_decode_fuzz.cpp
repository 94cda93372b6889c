// Fuzz target body shared by the codec decoders: decodes the input (exact
// size heap copy) into exact-size heap destinations of several capacities,
// as a single buffer and as piece lists. Any crash, or a read or write
// outside the buffers, is a failure.
#include "tezl.h"

#include <cstdint>
#include <cstring>
#include <vector>

#ifndef CODEC_FUZZ_LEVEL
#error "CODEC_FUZZ_LEVEL names the decoder level"
#endif

namespace {

std::vector<TezlPiece> cut(uint8_t *data, size_t size, size_t pieceBytes) {
    std::vector<TezlPiece> pieces;
    for (size_t at = 0; at < size; at += pieceBytes) {
        pieces.push_back({data + at, data + std::min(size, at + pieceBytes)});
    }
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0 || size > (1 << 20)) {
        return 0;
    }
    const int32_t level = CODEC_FUZZ_LEVEL;
    std::vector<uint64_t> context(tezl_ContextBytes(level) / 8 + 1);
    uint32_t workBytes = tezl_WorkBytes(level);
    std::vector<uint64_t> work(workBytes / 8 + 1);
    TezlContext *pContext = tezl_Create(context.data(), tezl_ContextBytes(level),
                                        workBytes ? work.data() : nullptr, workBytes, level);
    if (!pContext) {
        __builtin_trap();
    }
    // Exact-size heap copies so that the sanitizer sees every overrun.
    uint8_t *source = new uint8_t[size];
    std::memcpy(source, data, size);
    for (size_t capacity : {size_t(1), size, size * 4 + 7, size_t(70000)}) {
        uint8_t *destination = new uint8_t[capacity];
        int32_t rc = tezl_Decode(pContext, source, uint32_t(size), destination, uint32_t(capacity));
        if (rc > int32_t(capacity) || rc < -3) {
            __builtin_trap();
        }
        std::vector<TezlPiece> in = cut(source, size, 3 + size % 5);
        std::vector<TezlPiece> out = cut(destination, capacity, capacity > 4096 ? 2048 : 5);
        rc = pContext->decodeList(pContext, in.data(), uint32_t(in.size()), out.data(),
                                  uint32_t(out.size()));
        if (rc > int32_t(capacity) || rc < -3) {
            __builtin_trap();
        }
        delete[] destination;
    }
    delete[] source;
    return 0;
}
