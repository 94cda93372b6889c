// Fuzz target: whatever the data, every encoder's stream (single buffer and
// piece list) decodes back to it. The first two bytes pick the level pair
// and the input piece size.
#include "tezl.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Pair {
    int32_t encoderLevel;
    int32_t decoderLevel;
};
constexpr Pair kPairs[] = {{1, 0}, {2, 0}, {3, -1}, {10, -5}, {5, -2}, {6, -3}, {7, -2}, {8, -3}};

struct Context {
    explicit Context(int32_t level)
        : memory(tezl_ContextBytes(level) / 8 + 1), work(tezl_WorkBytes(level) / 8 + 1) {
        uint32_t workBytes = tezl_WorkBytes(level);
        p = tezl_Create(memory.data(), tezl_ContextBytes(level), workBytes ? work.data() : nullptr,
                        workBytes, level);
        if (!p) {
            __builtin_trap();
        }
    }
    std::vector<uint64_t> memory;
    std::vector<uint64_t> work;
    TezlContext *p;
};

void expectRoundTrip(Context &decoder, const uint8_t *stream, int32_t length, const uint8_t *data,
                     size_t size) {
    if (length <= 0) {
        __builtin_trap();
    }
    std::vector<uint8_t> back(size);
    if (tezl_Decode(decoder.p, stream, uint32_t(length), back.data(), uint32_t(size)) !=
            int32_t(size) ||
        std::memcmp(back.data(), data, size) != 0) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3 || size > (1 << 18)) {
        return 0;
    }
    const Pair pair = kPairs[data[0] % (sizeof kPairs / sizeof kPairs[0])];
    size_t pieceBytes = size_t(1) << (data[1] % 17); // 1 byte to 64 KiB
    data += 2;
    size -= 2;
    Context encoder(pair.encoderLevel);
    Context decoder(pair.decoderLevel);
    std::vector<uint8_t> input(data, data + size); // exact-size heap copy
    std::vector<uint8_t> stream(size * 2 + 64);
    int32_t length = tezl_Encode(encoder.p, input.data(), uint32_t(size), stream.data(),
                                 uint32_t(stream.size()));
    expectRoundTrip(decoder, stream.data(), length, input.data(), size);
    std::vector<TezlPiece> pieces;
    for (size_t at = 0; at < size; at += pieceBytes) {
        pieces.push_back({input.data() + at, input.data() + std::min(size, at + pieceBytes)});
    }
    TezlPiece out{stream.data(), stream.data() + stream.size()};
    length = encoder.p->encodeList(encoder.p, pieces.data(), uint32_t(pieces.size()), &out, 1);
    expectRoundTrip(decoder, stream.data(), length, input.data(), size);
    return 0;
}
