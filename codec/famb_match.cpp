#include "famb_match.h"

#include <cstring>

namespace famb {
namespace {

uint32_t load32(const uint8_t *p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

uint64_t load64(const uint8_t *p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace

uint32_t matchLength(const uint8_t *p, const uint8_t *c, const uint8_t *end) {
    const uint8_t *const pStart = p;
    while (end - p >= 8) {
        uint64_t diff = load64(p) ^ load64(c);
        if (diff != 0) {
            return static_cast<uint32_t>(p - pStart) +
                   static_cast<uint32_t>(__builtin_ctzll(diff) >> 3); // little-endian loads
        }
        p += 8;
        c += 8;
    }
    while (p < end && *p == *c) {
        ++p;
        ++c;
    }
    return static_cast<uint32_t>(p - pStart);
}

bool findFast(TokenSink &sink, PieceSpan &span, uint16_t *pHeads) {
    const uint8_t *const pStart = span.start;
    const uint8_t *const pLimit = span.end - 12; // no match starts in the last 12 bytes
    auto enter = [&](const uint8_t *p) { pHeads[hash4(p)] = static_cast<uint16_t>(p - pStart); };
    auto probe = [&](const uint8_t *p) { // candidate of p; p becomes the head
        uint32_t h = hash4(p);
        const uint8_t *c = pStart + pHeads[h];
        pHeads[h] = static_cast<uint16_t>(p - pStart);
        return c;
    };
    const uint8_t *p = pStart + 1;
    for (;;) {
        const uint8_t *c = nullptr;
        for (unsigned skip = 16;; ++skip) {
            const uint8_t *pNext = p + (skip >> 4);
            if (pNext > pLimit) {
                return true;
            }
            c = probe(p);
            if (load32(c) == load32(p)) {
                break;
            }
            p = pNext;
        }
        if (c > pStart && c[-1] == p[-1]) {
            --c;
            --p;
        }
        for (;;) {
            uint32_t length = matchLength(p, c, span.end);
            enter(p + 1);
            enter(p + 2);
            if (!sink.matchRun(&span.literalStart, p, static_cast<uint32_t>(p - c), length)) {
                return false;
            }
            p = span.literalStart;
            if (p >= pLimit) {
                return true;
            }
            enter(p - 3);
            enter(p - 2);
            enter(p - 1);
            c = probe(p);
            if (load32(c) != load32(p)) {
                break;
            }
        }
        ++p;
    }
}

namespace {

// Chain search state of one piece (first-piece form: positions are the
// offset plus one, 0 meaning none).
class ChainSearch {
  public:
    ChainSearch(PieceSpan &span, uint16_t *pHeads, uint16_t *pChain, unsigned depth)
        : span_(span), pHeads_(pHeads), pChain_(pChain), depth_(depth) {}

    void enter(const uint8_t *p) { (void)insert(p); }

    // Enters p and walks its chain; a candidate replaces the best (m, o)
    // when it is longer and extends back at least as far. True when one did.
    bool walk(const uint8_t *p) {
        unsigned candidate = insert(p);
        bool bTaken = false;
        for (unsigned i = 0; i < depth_ && candidate != 0; ++i) {
            const uint8_t *c = span_.start + candidate - 1;
            candidate = pChain_[candidate - 1];
            if (load32(c + best_ - 3) != load32(p + best_ - 3)) {
                continue;
            }
            uint32_t length = matchLength(p, c, span_.end);
            if (length > best_) {
                uint32_t back = backExtension(p, c);
                if (back >= backExt_) {
                    best_ = length;
                    backExt_ = back;
                    pBestSource_ = c;
                    bTaken = true;
                }
            }
            if (p + best_ >= span_.end) {
                break;
            }
        }
        return bTaken;
    }

    void reset() {
        best_ = 3;
        backExt_ = 0;
    }
    uint32_t best() const { return best_; }
    uint32_t backExt() const { return backExt_; }
    const uint8_t *source() const { return pBestSource_; }

  private:
    unsigned insert(const uint8_t *p) {
        uint32_t h = hash4(p);
        unsigned position = static_cast<unsigned>(p - span_.start) + 1;
        unsigned old = pHeads_[h];
        pChain_[position - 1] = static_cast<uint16_t>(old);
        pHeads_[h] = static_cast<uint16_t>(position);
        return old;
    }
    uint32_t backExtension(const uint8_t *p, const uint8_t *c) const {
        uint32_t back = 0;
        while (p - back > span_.literalStart && c - back > span_.start &&
               p[-1 - static_cast<long>(back)] == c[-1 - static_cast<long>(back)]) {
            ++back;
        }
        return back;
    }

    PieceSpan &span_;
    uint16_t *pHeads_;
    uint16_t *pChain_;
    unsigned depth_;
    uint32_t best_ = 3;
    uint32_t backExt_ = 0;
    const uint8_t *pBestSource_ = nullptr;
};

} // namespace

bool findChained(TokenSink &sink, PieceSpan &span, uint16_t *pHeads, uint16_t *pChain,
                 unsigned chainDepth) {
    ChainSearch search(span, pHeads, pChain, chainDepth);
    const uint8_t *const pEnd = span.end;
    search.enter(span.start);
    const uint8_t *p = span.start + 1;
    for (;;) {
        search.reset();
        for (unsigned skip = 128; !search.walk(p); ++skip) {
            p += skip >> 7;
            if (p > pEnd - 4) {
                return true;
            }
        }
        const uint8_t *pLastEntered = p;
        while (p + 1 < pEnd - search.best()) {
            pLastEntered = p + 1;
            if (!search.walk(p + 1)) {
                break;
            }
            ++p;
        }
        uint32_t back = search.backExt();
        if (!sink.matchRun(&span.literalStart, p - back, static_cast<uint32_t>(p - search.source()),
                           search.best() + back)) {
            return false;
        }
        if (span.literalStart > pEnd - 4) {
            return true;
        }
        for (const uint8_t *q = pLastEntered + 1; q < span.literalStart; ++q) {
            search.enter(q);
        }
        p = span.literalStart;
    }
}

} // namespace famb
