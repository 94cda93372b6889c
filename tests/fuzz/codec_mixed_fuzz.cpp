// Structured round-trip fuzz target: the input is a recipe of runs (text,
// random bytes, a repeat of an earlier span, zeros, a short period), each
// up to 256 KiB with a seed of its own, expanded into up to 4 MiB. The
// expansion is encoded at every level as a single buffer, and at one level
// (picked by the recipe) as piece lists too; each stream is decoded by every
// decoder of its family, as a single buffer and as piece lists of odd
// sizes; every byte must come back.
//
// Recipe: byte 0 picks the piece layout and the level encoded as piece
// lists (the eight levels in turn); then 6 bytes per run: the kind
// (low 3 bits, modulo 5) and a scale (top 3 bits: the length field is
// shifted right by it, so that most mutated runs stay short), the length
// (3 bytes, little-endian, modulo 256 KiB + 1), the seed (2 bytes).
#include "codec_mixed.h"

#include <cstdio>

namespace {

constexpr size_t kRunBytes = 6;

std::vector<codec_mixed::Run> parseRecipe(const uint8_t *data, size_t size) {
    std::vector<codec_mixed::Run> runs;
    size_t total = 0;
    for (size_t at = 0; at + kRunBytes <= size && total < codec_mixed::kMaxInputBytes;
         at += kRunBytes) {
        const uint8_t *r = data + at;
        size_t field = size_t(r[1]) | size_t(r[2]) << 8 | size_t(r[3]) << 16;
        size_t length = (field >> (r[0] >> 5)) % (codec_mixed::kMaxRunBytes + 1);
        runs.push_back({codec_mixed::RunKind((r[0] & 7) % codec_mixed::kRunKinds), length,
                        uint32_t(r[4]) | uint32_t(r[5]) << 8});
        total += length;
    }
    return runs;
}

// Odd and window-sized pieces; never so small that a list of several MiB
// needs more than some thousands of pieces.
codec_mixed::Layout layoutOf(uint8_t selector, size_t size) {
    static constexpr size_t kIn[8] = {2048, 4096, 32768, 65536, 1, 1001, 16385, 60001};
    static constexpr size_t kStream[4] = {1, 13, 4093, 65535};
    static constexpr size_t kOut[8] = {1, 7, 999, 8191, 8193, 65537, 3, 100003};
    size_t floor = size / 4096 | 1;
    return {std::max(kIn[selector & 7], floor), std::max(kStream[(selector >> 3) & 3], floor),
            std::max(kOut[selector >> 5], floor)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 + kRunBytes) {
        return 0;
    }
    codec_mixed::Bytes input = codec_mixed::expand(parseRecipe(data + 1, size - 1));
    if (input.empty()) {
        return 0;
    }
    codec_mixed::Layout layout = layoutOf(data[0], input.size());
    constexpr size_t kLevels = sizeof codec_mixed::kEncoderLevels / sizeof(int32_t);
    int32_t listLevel = codec_mixed::kEncoderLevels[data[0] % kLevels];
    for (int32_t level : codec_mixed::kEncoderLevels) {
        std::string fault =
            codec_mixed::roundTrip(level, input.data(), input.size(), layout, level == listLevel);
        if (!fault.empty()) {
            std::fprintf(stderr, "round trip of %zu bytes failed: %s\n", input.size(),
                         fault.c_str());
            __builtin_trap();
        }
    }
    return 0;
}
