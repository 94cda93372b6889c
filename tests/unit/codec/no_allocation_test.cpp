// The library allocates nothing and shares no mutable state: counts the
// allocations made while coding, and codes on two threads at once.
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

using namespace codec_test;

namespace {

std::atomic<bool> bCounting_G{false};
std::atomic<int> allocations_G{0};

void *countedAllocate(std::size_t size) {
    if (bCounting_G.load()) {
        ++allocations_G;
    }
    if (void *p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

} // namespace

// Replaced for the whole test binary; only the window around coding counts.
void *operator new(std::size_t size) {
    return countedAllocate(size);
}
void *operator new[](std::size_t size) {
    return countedAllocate(size);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    std::free(p);
}

namespace {

Bytes sampleText(size_t size) {
    Bytes b(size);
    uint32_t x = 5;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245 + 12345;
        b[i] = (x >> 24) % 5 == 0 ? uint8_t(x >> 16) : uint8_t("allocation free "[i % 16]);
    }
    return b;
}

TEST(NoAllocation, CodingAllocatesNothing) {
    Bytes data = sampleText(100000);
    Bytes stream(data.size() * 2);
    Bytes back(data.size());
    std::vector<TezlPiece> in = cutPieces(data.data(), data.size(), {4096});
    std::vector<TezlPiece> out = cutPieces(stream.data(), stream.size(), {1000});
    const std::pair<int32_t, int32_t> pairs[] = {{1, 0},   {2, -1}, {3, 0},
                                                 {10, -5}, {5, -2}, {8, -3}};
    for (auto [encoderLevel, decoderLevel] : pairs) {
        Codec encoder(encoderLevel);
        Codec decoder(decoderLevel);
        allocations_G = 0;
        bCounting_G = true;
        int32_t length = tezl_Encode(encoder.get(), data.data(), uint32_t(data.size()),
                                     stream.data(), uint32_t(stream.size()));
        int32_t decoded = tezl_Decode(decoder.get(), stream.data(), uint32_t(length), back.data(),
                                      uint32_t(back.size()));
        int32_t listed = encoder.get()->encodeList(encoder.get(), in.data(), uint32_t(in.size()),
                                                   out.data(), uint32_t(out.size()));
        bCounting_G = false;
        EXPECT_GT(length, 0);
        EXPECT_EQ(decoded, int32_t(data.size()));
        EXPECT_GT(listed, 0);
        EXPECT_EQ(allocations_G.load(), 0) << encoderLevel;
    }
}

TEST(NoAllocation, TwoThreadsCodeOnSeparateContexts) {
    Bytes data = sampleText(200000);
    auto work = [&data](int32_t encoderLevel, int32_t decoderLevel, bool *pOk) {
        Codec encoder(encoderLevel);
        Codec decoder(decoderLevel);
        Bytes stream;
        Bytes back;
        *pOk = true;
        for (int round = 0; round < 20 && *pOk; ++round) {
            *pOk = encoder.encode(data, &stream) > 0 &&
                   decoder.decode(stream, &back, uint32_t(data.size())) == int32_t(data.size()) &&
                   back == data;
        }
    };
    bool bFirst = false;
    bool bSecond = false;
    std::thread first(work, 1, 0, &bFirst);
    std::thread second(work, 10, -5, &bSecond);
    first.join();
    second.join();
    EXPECT_TRUE(bFirst);
    EXPECT_TRUE(bSecond);
}

} // namespace
