// T10-DIF CRC by carry-less multiplication, and the start-up choice
// between it and the table form.
//
// Data is taken 16 bytes at a time as a 128-bit polynomial whose first
// byte holds the highest coefficients. A block A followed by a block B
// stands for A*x^128 + B, and A*x^128 is congruent (mod P) to
// A.hi*(x^192 mod P) + A.lo*(x^128 mod P), which is at most 80 bits long:
// so blocks fold into one running 128-bit remainder. Long inputs fold
// eight independent lanes 128 bytes at a time to keep the multiplier busy.
// The guard is (seed*x^(8n) + M*x^16) mod P; the seed enters as the top
// 16 bits of the first block, and a Barrett reduction gives the last step.
#include "mos_t10dif.h"

#include "mos_trace.h"

#include "mos_cpu.h"
#include "mos_debug.h"

#include <immintrin.h>

#include <array>

namespace {

constexpr uint32_t kPolyFull = 0x18BB7;

// x^k mod P, as a 16-bit value.
constexpr uint64_t xPowModP(unsigned k) {
    uint32_t r = 1;
    for (unsigned i = 0; i < k; i++) {
        r <<= 1;
        if (r & 0x10000) {
            r ^= kPolyFull;
        }
    }
    return r;
}

// floor(x^32 / P): the Barrett constant, 17 bits.
constexpr uint64_t barrettMu() {
    uint64_t rem = uint64_t{1} << 32, quot = 0;
    for (int bit = 32; bit >= 16; bit--) {
        if (rem & (uint64_t{1} << bit)) {
            quot |= uint64_t{1} << (bit - 16);
            rem ^= uint64_t{kPolyFull} << (bit - 16);
        }
    }
    return quot;
}

constexpr uint64_t kFold16Hi = xPowModP(192);
constexpr uint64_t kFold16Lo = xPowModP(128);
constexpr uint64_t kFold128Hi = xPowModP(1024 + 64);
constexpr uint64_t kFold128Lo = xPowModP(1024);
constexpr uint64_t kX64 = xPowModP(64);
constexpr uint64_t kX48 = xPowModP(48);
constexpr uint64_t kX32 = xPowModP(32);
constexpr uint64_t kMu = barrettMu();

#define MOS_T10DIF_TARGET __attribute__((target("pclmul,ssse3,sse4.1")))

MOS_T10DIF_TARGET inline __m128i loadBlock(const uint8_t *p) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), reverse);
}

// a*x^(distance) folded onto the block that follows it.
MOS_T10DIF_TARGET inline __m128i fold(__m128i a, __m128i next, __m128i constants) {
    __m128i hi = _mm_clmulepi64_si128(a, constants, 0x11);
    __m128i lo = _mm_clmulepi64_si128(a, constants, 0x00);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

MOS_T10DIF_TARGET inline uint64_t clmul(uint64_t a, uint64_t b) {
    __m128i r = _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(a)),
                                     _mm_cvtsi64_si128(static_cast<long long>(b)), 0x00);
    return static_cast<uint64_t>(_mm_cvtsi128_si64(r));
}

// (r * x^16) mod P for the 128-bit remainder r.
MOS_T10DIF_TARGET uint16_t finalGuard(__m128i r) {
    uint64_t hi = static_cast<uint64_t>(_mm_extract_epi64(r, 1));
    uint64_t lo = static_cast<uint64_t>(_mm_extract_epi64(r, 0));
    // r = hi*x^64 + lo; the product hi*(x^64 mod P) reaches past bit 63,
    // so fold twice to stay within 64 bits.
    __m128i prod = _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(hi)),
                                        _mm_cvtsi64_si128(static_cast<long long>(kX64)), 0x00);
    uint64_t over = static_cast<uint64_t>(_mm_extract_epi64(prod, 1));
    uint64_t v = static_cast<uint64_t>(_mm_extract_epi64(prod, 0)) ^ lo ^ clmul(over, kX64);
    // v*x^16 = (v>>32)*x^48 + (v & 0xffffffff)*x^16
    uint64_t s = clmul(v >> 32, kX48) ^ ((v & 0xFFFFFFFFu) << 16);
    uint64_t w = clmul(s >> 32, kX32) ^ (s & 0xFFFFFFFFu);
    uint64_t q = clmul(w >> 16, kMu) >> 16;
    return static_cast<uint16_t>((w ^ clmul(q, kPolyFull)) & 0xFFFF);
}

MOS_T10DIF_TARGET __m128i foldLanes(__m128i acc, const uint8_t *&p, size_t &blocks) {
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Hi), static_cast<long long>(kFold128Lo));
    const __m128i k16 =
        _mm_set_epi64x(static_cast<long long>(kFold16Hi), static_cast<long long>(kFold16Lo));
    __m128i lane[8];
    lane[0] = acc;
    for (int i = 1; i < 8; i++) {
        lane[i] = loadBlock(p + 16 * i);
    }
    p += 128;
    blocks -= 8;
    while (blocks >= 8) {
        for (int i = 0; i < 8; i++) {
            lane[i] = fold(lane[i], loadBlock(p + 16 * i), k128);
        }
        p += 128;
        blocks -= 8;
    }
    acc = lane[0];
    for (int i = 1; i < 8; i++) {
        acc = fold(acc, lane[i], k16);
    }
    return acc;
}

} // namespace

MOS_T10DIF_TARGET uint16_t mosT10Dif_CrcPclmul(uint16_t seed, const uint8_t *pData, size_t length) {
    size_t blocks = length / 16;
    if (blocks == 0) {
        return mos_generic_t10dif_crc(seed, pData, length);
    }
    const uint8_t *p = pData;
    __m128i acc =
        _mm_xor_si128(loadBlock(p), _mm_set_epi64x(static_cast<long long>(seed) << 48, 0));
    if (blocks >= 16) {
        // The first block is lane 0 of the wide fold.
        acc = foldLanes(acc, p, blocks);
    } else {
        p += 16;
        blocks--;
    }
    const __m128i k16 =
        _mm_set_epi64x(static_cast<long long>(kFold16Hi), static_cast<long long>(kFold16Lo));
    for (; blocks > 0; blocks--, p += 16) {
        acc = fold(acc, loadBlock(p), k16);
    }
    // The bytes after the last whole block continue from the guard so far.
    return mos_generic_t10dif_crc(finalGuard(acc), p, length - static_cast<size_t>(p - pData));
}

namespace {

using T10DifFn = uint16_t (*)(uint16_t, const uint8_t *, size_t);
T10DifFn t10difFn_G = mos_generic_t10dif_crc;

void mosT10Dif_VerifyZeroBlockGuard() {
    static const uint8_t kZeros[512] = {};
    uint16_t checksum = t10difFn_G(0, kZeros, sizeof kZeros);
    MOS_ASSERT(checksum == t10dif_ZeroBufGuard_G);
}

} // namespace

MOS_RC mosT10Dif_Init(void * /*pUnused*/) {
    if (mosCpu_HasPclmul(mosCpu_Info().processorInfoAndFeatureBits)) {
        t10difFn_G = mosT10Dif_CrcPclmul;
        MOS_TRACE(MOS_COMP_T10DIF, 1, "(T10DIF) T10DIF layer using CPU (PCLMUL) acceleration !!!");
    } else {
        t10difFn_G = mos_generic_t10dif_crc;
        MOS_TRACE(MOS_COMP_T10DIF, 1,
                  "(T10DIF) T10DIF layer built with CPU (PCLMUL) acceleration,  using generic impl "
                  "!!!");
    }
    mosT10Dif_VerifyZeroBlockGuard();
    return MOS_RC__SUCCESS;
}

uint16_t mosT10Dif_Crc(uint16_t seed, const uint8_t *pData, size_t length) {
    return t10difFn_G(seed, pData, length);
}
