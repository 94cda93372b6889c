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
            size_t step = skip >> 4;
            if (step > static_cast<size_t>(pLimit - p)) { // p never passes pLimit here
                return true;
            }
            const uint8_t *pNext = p + step;
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

// Positions of a piece that stands alone: the offset plus one (chain
// finder) or the offset (level 5); a candidate is a pointer into the piece.
class PieceSpace {
  public:
    using Candidate = const uint8_t *;

    explicit PieceSpace(const PieceSpan &span) : span_(span) {}

    uint32_t value(const uint8_t *p) const { return static_cast<uint32_t>(p - span_.start); }
    bool resolve(uint32_t value, const uint8_t *, Candidate *pCandidate) const {
        *pCandidate = span_.start + value;
        return true;
    }
    bool quickTest(Candidate c, const uint8_t *p, uint32_t best) const {
        return load32(c + best - 3) == load32(p + best - 3);
    }
    uint32_t length(const uint8_t *p, Candidate c) const { return matchLength(p, c, span_.end); }
    uint32_t backExtension(const uint8_t *p, Candidate c) const {
        uint32_t back = 0;
        while (p - back > span_.literalStart && c - back > span_.start &&
               *(p - back - 1) == *(c - back - 1)) {
            ++back;
        }
        return back;
    }
    uint32_t distance(const uint8_t *p, Candidate c) const { return static_cast<uint32_t>(p - c); }

  private:
    const PieceSpan &span_;
};

// Positions of a piece inside the retained window: window values, whose
// high bits pick the ring entry and low bits the offset in it.
class WindowSpace {
  public:
    struct Candidate {
        const uint8_t *at;
        const uint8_t *pieceStart;
        const uint8_t *pieceEnd; // the current piece ends at the span's end
        uint32_t index;
        uint32_t value;
    };

    WindowSpace(const PieceSpan &span, const Window &window)
        : span_(span), window_(window), base_((window.retainedCount - 1) * window.pieceSize) {}

    uint32_t value(const uint8_t *p) const {
        return base_ + static_cast<uint32_t>(p - span_.start);
    }

    // A candidate names a retained byte: in the current piece only below p.
    bool resolve(uint32_t value, const uint8_t *p, Candidate *pCandidate) const {
        uint32_t index = value >> window_.pieceSizeLog2;
        if (index > window_.newestIndex || window_.retained[index] == nullptr) {
            return false;
        }
        const uint8_t *pStart = window_.retained[index];
        uint32_t offset = value & (window_.pieceSize - 1);
        if (pStart == span_.start) {
            if (value >= this->value(p)) {
                return false;
            }
            *pCandidate = {pStart + offset, pStart, span_.end, index, value};
        } else {
            *pCandidate = {pStart + offset, pStart, pStart + window_.pieceSize, index, value};
        }
        return true;
    }
    // Moves a candidate that reached its piece end to the following piece.
    bool follow(Candidate *pCandidate) const {
        uint32_t index = pCandidate->index + 1;
        if (window_.wrapped) {
            index &= window_.newestIndex;
        }
        if (index > window_.newestIndex || window_.retained[index] == nullptr) {
            return false;
        }
        const uint8_t *pStart = window_.retained[index];
        const uint8_t *pEnd = pStart == span_.start ? span_.end : pStart + window_.pieceSize;
        *pCandidate = {pStart, pStart, pEnd, index, 0};
        return true;
    }
    // The quick test is only a filter: a candidate it cannot read within
    // its piece is measured in full.
    bool quickTest(const Candidate &c, const uint8_t *p, uint32_t best) const {
        if (best + 1 > static_cast<size_t>(c.pieceEnd - c.at)) {
            return true;
        }
        return load32(c.at + best - 3) == load32(p + best - 3);
    }
    bool equal4(Candidate c, const uint8_t *p) const { return length4(c, p) == 4; }
    uint32_t length(const uint8_t *p, Candidate c) const {
        uint32_t total = 0;
        while (p < span_.end) {
            if (c.at == c.pieceEnd && !follow(&c)) {
                break;
            }
            size_t chunk = static_cast<size_t>(span_.end - p);
            size_t left = static_cast<size_t>(c.pieceEnd - c.at);
            chunk = chunk < left ? chunk : left;
            uint32_t n = matchLength(p, c.at, p + chunk);
            total += n;
            if (n < chunk) {
                break;
            }
            p += n;
            c.at += n;
        }
        return total;
    }
    uint32_t backExtension(const uint8_t *p, const Candidate &c) const {
        uint32_t back = 0;
        while (p - back > span_.literalStart && c.at - back > c.pieceStart &&
               *(p - back - 1) == *(c.at - back - 1)) {
            ++back;
        }
        return back;
    }
    uint32_t distance(const uint8_t *p, const Candidate &c) const {
        uint32_t d = (value(p) - c.value) & 0xFFFF;
        return d == 0 ? 65536 : d;
    }
    // Window value of the piece end minus `distance`, when its four
    // bytes lie inside its piece.
    bool sourceEnd(uint32_t distance, uint32_t *pValue, const uint8_t **ppBytes) const {
        uint32_t v = (value(span_.end) - distance) & 0xFFFF;
        uint32_t index = v >> window_.pieceSizeLog2;
        if (index > window_.newestIndex || window_.retained[index] == nullptr) {
            return false;
        }
        const uint8_t *pStart = window_.retained[index];
        uint32_t offset = v & (window_.pieceSize - 1);
        bool bInside = pStart == span_.start ? distance >= 4 : offset + 4 <= window_.pieceSize;
        *pValue = v;
        *ppBytes = pStart + offset;
        return bInside;
    }

  private:
    uint32_t length4(Candidate c, const uint8_t *p) const {
        uint32_t n = 0;
        for (; n < 4; ++n, ++c.at) {
            if (c.at == c.pieceEnd && !follow(&c)) {
                break;
            }
            if (*c.at != p[n]) {
                break;
            }
        }
        return n;
    }

    const PieceSpan &span_;
    const Window &window_;
    uint32_t base_;
};

// Chain search of one piece over either position space. Chain positions
// are values plus one, 0 meaning none.
template <typename Space> class ChainSearch {
  public:
    using Candidate = typename Space::Candidate;

    ChainSearch(const Space &space, const uint8_t *pEnd, uint16_t *pHeads, uint16_t *pChain,
                unsigned depth)
        : space_(space), pEnd_(pEnd), pHeads_(pHeads), pChain_(pChain), depth_(depth) {}

    void enter(const uint8_t *p) { (void)insert(hash4(p), space_.value(p)); }
    void enterValue(const uint8_t *pBytes, uint32_t value) { (void)insert(hash4(pBytes), value); }

    // Enters p and walks its chain; a candidate replaces the best (m, o)
    // when it is longer and extends back at least as far. True when one did.
    bool walk(const uint8_t *p) {
        unsigned position = insert(hash4(p), space_.value(p));
        bool bTaken = false;
        for (unsigned i = 0; i < depth_ && position != 0; ++i) {
            Candidate c;
            bool bValid = space_.resolve(position - 1, p, &c);
            position = pChain_[position - 1];
            if (!bValid || !space_.quickTest(c, p, best_)) {
                continue;
            }
            uint32_t length = space_.length(p, c);
            if (length > best_) {
                uint32_t back = space_.backExtension(p, c);
                if (back >= backExt_) {
                    best_ = length;
                    backExt_ = back;
                    distance_ = space_.distance(p, c);
                    bTaken = true;
                }
            }
            if (best_ >= static_cast<size_t>(pEnd_ - p)) {
                break; // the match reaches the piece end
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
    uint32_t distance() const { return distance_; }

  private:
    unsigned insert(uint32_t hash, uint32_t value) {
        unsigned old = pHeads_[hash];
        pChain_[value] = static_cast<uint16_t>(old);
        pHeads_[hash] = static_cast<uint16_t>(value + 1);
        return old;
    }

    const Space &space_;
    const uint8_t *pEnd_;
    uint16_t *pHeads_;
    uint16_t *pChain_;
    unsigned depth_;
    uint32_t best_ = 3;
    uint32_t backExt_ = 0;
    uint32_t distance_ = 0;
};

// Searches from p onwards (lazy evaluation, then emission) until the piece
// is done. Returns false when a flush failed; *pbEndedOnMatch tells whether
// the piece ended exactly at the end of an emitted match.
template <typename Space>
bool chainLoop(TokenSink &sink, PieceSpan &span, ChainSearch<Space> &search, const uint8_t *p,
               uint32_t *pLastDistance, bool *pbEndedOnMatch) {
    const uint8_t *const pEnd = span.end;
    *pbEndedOnMatch = false;
    for (;;) {
        search.reset();
        for (unsigned skip = 128; !search.walk(p); ++skip) {
            size_t step = skip >> 7;
            if (step > static_cast<size_t>(pEnd - 4 - p)) { // p stays at or before pEnd - 4
                return true;
            }
            p += step;
        }
        const uint8_t *pLastEntered = p;
        while (search.best() + 1 < static_cast<size_t>(pEnd - p)) {
            pLastEntered = p + 1;
            if (!search.walk(p + 1)) {
                break;
            }
            ++p;
        }
        uint32_t back = search.backExt();
        *pLastDistance = search.distance();
        if (!sink.matchRun(&span.literalStart, p - back, search.distance(), search.best() + back)) {
            return false;
        }
        if (span.literalStart > pEnd - 4) {
            *pbEndedOnMatch = span.literalStart == pEnd;
            return true;
        }
        for (const uint8_t *q = pLastEntered + 1; q < span.literalStart; ++q) {
            search.enter(q);
        }
        p = span.literalStart;
    }
}

} // namespace

bool findChained(TokenSink &sink, PieceSpan &span, uint16_t *pHeads, uint16_t *pChain,
                 unsigned chainDepth) {
    PieceSpace space(span);
    ChainSearch<PieceSpace> search(space, span.end, pHeads, pChain, chainDepth);
    search.enter(span.start);
    uint32_t lastDistance = 0;
    bool bEndedOnMatch = false;
    return chainLoop(sink, span, search, span.start + 1, &lastDistance, &bEndedOnMatch);
}

bool findChainedHistory(TokenSink &sink, PieceSpan &span, const Window &window, uint16_t *pHeads,
                        uint16_t *pChain, unsigned chainDepth) {
    WindowSpace space(span, window);
    ChainSearch<WindowSpace> search(space, span.end, pHeads, pChain, chainDepth);
    uint32_t lastDistance = 0;
    bool bEndedOnMatch = false;
    if (!chainLoop(sink, span, search, span.start, &lastDistance, &bEndedOnMatch)) {
        return false;
    }
    // Let a search in the next piece continue the same repeat.
    uint32_t value = 0;
    const uint8_t *pBytes = nullptr;
    if (bEndedOnMatch && space.sourceEnd(lastDistance, &value, &pBytes)) {
        search.enterValue(pBytes, value);
    }
    return true;
}

bool findFastHistory(TokenSink &sink, PieceSpan &span, const Window &window, uint16_t *pHeads) {
    WindowSpace space(span, window);
    const uint8_t *const pLimit = span.end - 12;
    auto enter = [&](const uint8_t *p) {
        pHeads[hash4(p)] = static_cast<uint16_t>(space.value(p));
    };
    // Candidate of p (p becomes the head); true when its 4 bytes match.
    auto probe = [&](const uint8_t *p, WindowSpace::Candidate *pCandidate) {
        uint32_t h = hash4(p);
        uint32_t old = pHeads[h];
        pHeads[h] = static_cast<uint16_t>(space.value(p));
        return space.resolve(old, p, pCandidate) && space.equal4(*pCandidate, p);
    };
    const uint8_t *p = span.start;
    for (;;) {
        WindowSpace::Candidate c;
        for (unsigned skip = 16;; ++skip) {
            size_t step = skip >> 4;
            if (step > static_cast<size_t>(pLimit - p)) { // p never passes pLimit here
                return true;
            }
            const uint8_t *pNext = p + step;
            if (probe(p, &c)) {
                break;
            }
            p = pNext;
        }
        while (p > span.literalStart && c.at > c.pieceStart && p[-1] == c.at[-1]) {
            --p;
            --c.at;
            --c.value;
        }
        for (;;) {
            uint32_t length = space.length(p, c);
            uint32_t distance = space.distance(p, c);
            enter(p + 1);
            enter(p + 2);
            if (!sink.matchRun(&span.literalStart, p, distance, length)) {
                return false;
            }
            p = span.literalStart;
            if (p >= pLimit) {
                return true;
            }
            enter(p - 1);
            if (!probe(p, &c)) {
                break;
            }
        }
        ++p;
    }
}

} // namespace famb
