// Family B encoder round trip: arbitrary data, cut into window-shaped or
// odd input pieces, encoded at levels 5 to 8 and decoded back; the decoded
// bytes must equal the input. The first byte picks the level and the piece
// shape; the input lives in an exact-size heap buffer.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "famb_context.h"
#include "tezl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 2) {
        return 0;
    }
    int32_t level = 5 + (pData[0] & 3);
    unsigned shape = pData[0] >> 2; // 0..63
    size_t length = size - 1;
    std::unique_ptr<uint8_t[]> source(new uint8_t[length]);
    std::memcpy(source.get(), pData + 1, length);
    size_t pieceBytes = shape < 32 ? size_t(2048) << (shape & 3) : size_t(shape) * 37 + 1;
    std::vector<TezlPiece> pieces;
    for (size_t off = 0; off < length; off += pieceBytes) {
        size_t n = length - off < pieceBytes ? length - off : pieceBytes;
        pieces.push_back({source.get() + off, source.get() + off + n});
    }

    static std::vector<uint64_t> encoderMemory(FAMB_ENCODER_CONTEXT_BYTES / 8);
    static std::vector<uint64_t> decoderMemory(FAMB_DECODER_CONTEXT_BYTES / 8);
    static std::vector<uint8_t> work(FAMB_ENCODER_WORK_BYTES);
    TezlContext *pEncoder = tezl_Create(encoderMemory.data(), FAMB_ENCODER_CONTEXT_BYTES,
                                        work.data(), uint32_t(work.size()), level);
    TezlContext *pDecoder =
        tezl_Create(decoderMemory.data(), FAMB_DECODER_CONTEXT_BYTES, nullptr, 0, -2);
    if (!pEncoder || !pDecoder) {
        __builtin_trap();
    }
    std::vector<uint8_t> packed(length + length / 8 + 64);
    TezlPiece out{packed.data(), packed.data() + packed.size()};
    int32_t packedSize =
        pEncoder->encodeList(pEncoder, pieces.data(), uint32_t(pieces.size()), &out, 1);
    if (packedSize < 3) {
        __builtin_trap();
    }
    std::unique_ptr<uint8_t[]> back(new uint8_t[length]);
    int32_t rc =
        tezl_Decode(pDecoder, packed.data(), uint32_t(packedSize), back.get(), uint32_t(length));
    if (rc != int32_t(length) || std::memcmp(back.get(), source.get(), length) != 0) {
        __builtin_trap();
    }
    return 0;
}
