// Family A encoder: single-probe hash matcher writing token format 1.
//
// The output bytes are part of the format's contract (other encoders and
// tests compare them), so the hash, the search step, the table updates and
// the lazy step below are fixed; changing any of them changes the stream.
#include "fama.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHashMultiplier = 0x1E35A7BD;
constexpr ptrdiff_t kTailBytes = 15; // the search stops this far before a piece end
constexpr uint32_t kMaxLiteralRun = 65536;

inline uint32_t read32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v; // little-endian targets only
}

inline uint64_t read64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Equal bytes from a and b, at most maxBytes (b may trail a in one buffer).
inline uint32_t countEqual(const uint8_t *a, const uint8_t *b, size_t maxBytes) {
    size_t n = 0;
    while (n + 8 <= maxBytes) {
        uint64_t diff = read64(a + n) ^ read64(b + n);
        if (diff) {
            return uint32_t(n + size_t(__builtin_ctzll(diff) >> 3));
        }
        n += 8;
    }
    while (n < maxBytes && a[n] == b[n]) {
        ++n;
    }
    return uint32_t(n);
}

// Miss counter start and its shift to the search step, by level.
template <int Level> constexpr uint32_t kMissStart = Level == 1 ? 16 : Level == 2 ? 32 : 64;
template <int Level> constexpr uint32_t kMissShift = Level == 1 ? 4 : Level == 2 ? 5 : 6;

// A match candidate: where it is and which retained piece holds it.
struct Candidate {
    uint8_t *at;
    uint8_t *pieceStart; // start of the piece that holds it (bounds backward extension)
    uint32_t index;      // ring position of that piece
};

template <int Level> class Coder {
  public:
    explicit Coder(TezlAEncoder *pEncoder)
        : m_pEncoder(pEncoder), m_in(pEncoder->base.input), m_out(pEncoder->base.output),
          m_table(reinterpret_cast<uint16_t *>(pEncoder->work)), m_shift(pEncoder->hashShift),
          m_base(m_in.piece.start), m_end(m_in.piece.end),
          m_limit(m_end - std::min(kTailBytes, m_end - m_base)) {}

    void firstPiece();
    void historyPiece();
    bool emitLiterals(const uint8_t *from, uint32_t count);

  private:
    uint32_t hashAt(const uint8_t *p) const { return (read32(p) * kHashMultiplier) >> m_shift; }
    void enter(const uint8_t *p) { m_table[hashAt(p)] = uint16_t(p - m_base); }
    uint16_t windowValue(const uint8_t *p) const {
        return uint16_t(m_in.pieceSize * (m_in.retainedCount - 1) + uint32_t(p - m_base));
    }
    void enterWindow(const uint8_t *p) { m_table[hashAt(p)] = windowValue(p); }
    void enterWindowRange(const uint8_t *from) {
        for (const uint8_t *p = std::max<const uint8_t *>(from, m_base); p <= m_end - 4; ++p) {
            enterWindow(p);
        }
    }
    // Probes p in a piece with history: enters it, answers its candidate.
    bool probeHistory(const uint8_t *p, Candidate *pCandidate);
    uint32_t historyLength(const uint8_t *p, const Candidate &candidate) const;
    uint32_t historyDistance(const uint8_t *p, const Candidate &candidate) const;
    void extendBack(uint8_t **pp, Candidate *pCandidate, const uint8_t *anchor) const;
    void extendBack(uint8_t **pp, uint8_t **pCandidate, const uint8_t *anchor) const {
        Candidate candidate{*pCandidate, m_base, 0};
        extendBack(pp, &candidate, anchor);
        *pCandidate = candidate.at;
    }

    bool put(const uint8_t *bytes, size_t count);
    bool writeMatch(uint32_t distance, uint32_t length, uint32_t *pLeftover);
    void stop(uint8_t *cursor) { m_in.cursor = cursor; }

    TezlAEncoder *m_pEncoder;
    TezlStream &m_in;
    TezlStream &m_out;
    uint16_t *m_table;
    uint32_t m_shift;
    uint8_t *m_base;
    uint8_t *m_end;
    uint8_t *m_limit;
};

// Writes bytes to the output, moving to the next output piece as each
// fills. On exhaustion the input cursor is set to null.
template <int Level> bool Coder<Level>::put(const uint8_t *bytes, size_t count) {
    size_t room = size_t(m_out.piece.end - m_out.cursor);
    if (m_out.cursor && room >= count) {
        std::memcpy(m_out.cursor, bytes, count);
        m_out.cursor += count;
        return true;
    }
    while (count > 0) {
        if (!m_out.cursor || m_out.cursor == m_out.piece.end) {
            if (!tezl_NextInputPiece(&m_out)) {
                m_in.cursor = nullptr;
                return false;
            }
        }
        size_t step = std::min(count, size_t(m_out.piece.end - m_out.cursor));
        std::memcpy(m_out.cursor, bytes, step);
        m_out.cursor += step;
        bytes += step;
        count -= step;
    }
    return true;
}

template <int Level> bool Coder<Level>::emitLiterals(const uint8_t *from, uint32_t count) {
    if (count == 0) {
        return true;
    }
    // Short runs go out in two 16-byte words when both pieces have the room.
    if (count <= 32 && m_out.cursor && m_out.piece.end - m_out.cursor >= 33 && m_end - from >= 32) {
        uint8_t *op = m_out.cursor;
        op[0] = uint8_t(0x20 | (count - 1));
        std::memcpy(op + 1, from, 16);
        std::memcpy(op + 17, from + 16, 16);
        m_out.cursor = op + 1 + count;
        return true;
    }
    uint8_t header[3];
    if (count <= 32) {
        header[0] = uint8_t(0x20 | (count - 1));
        return put(header, 1) && put(from, count);
    }
    if (count <= 64) {
        header[0] = 0x3F;
        header[1] = uint8_t(0x20 | (count - 33));
        return put(header, 1) && put(from, 32) && put(header + 1, 1) && put(from + 32, count - 32);
    }
    header[0] = 0x01;
    header[1] = uint8_t((count - 65) >> 8);
    header[2] = uint8_t(count - 65);
    return put(header, 3) && put(from, count);
}

// Writes a match as format 1 tokens. A remainder of 1 to 3 bytes after
// maximal long tokens is not written: *pLeftover hands it back as literals.
template <int Level>
bool Coder<Level>::writeMatch(uint32_t distance, uint32_t length, uint32_t *pLeftover) {
    uint32_t u = distance - 1;
    uint32_t maxLength = distance <= 4096 ? 4363 : distance <= 16384 ? 4355 : 4099;
    uint8_t token[4];
    while (length > maxLength) {
        token[0] = 0x1F;
        token[1] = 0xFF;
        token[2] = uint8_t(u >> 8);
        token[3] = uint8_t(u);
        if (!put(token, 4)) {
            return false;
        }
        length -= maxLength;
    }
    *pLeftover = length < 4 ? length : 0;
    if (length < 4) {
        return true;
    }
    uint32_t v;
    size_t bytes;
    if (distance <= 4096 && length <= 11) {
        token[0] = uint8_t(0x80 + (length - 4) * 16 + (u >> 8));
        token[1] = uint8_t(u);
        if (m_out.cursor && m_out.piece.end - m_out.cursor >= 2) {
            m_out.cursor[0] = token[0];
            m_out.cursor[1] = token[1];
            m_out.cursor += 2;
            return true;
        }
        return put(token, 2);
    }
    if (distance <= 4096) {
        bytes = length <= 267 ? 3 : 4;
        v = length <= 267 ? (length - 12 + 256) * 16384 + u : (length - 268 + 4096) * 65536 + u;
    } else if (distance <= 16384) {
        bytes = length <= 259 ? 3 : 4;
        v = length <= 259 ? (length - 4 + 256) * 16384 + u : (length - 260 + 4096) * 65536 + u;
    } else {
        bytes = 4;
        v = (length - 4 + 4096) * 65536 + u;
    }
    for (size_t i = 0; i < bytes; ++i) {
        token[i] = uint8_t(v >> (8 * (bytes - 1 - i)));
    }
    return put(token, bytes);
}

// First-piece coder: a piece without history, table cleared, entries are
// offsets from the piece start. One long function on purpose: the search,
// the lazy step and the match loop share their cursors, which stay in
// registers only while they live in one frame.
template <int Level> void Coder<Level>::firstPiece() {
    uint8_t *anchor = m_in.cursor;
    uint8_t *p = anchor + 1;
    uint16_t *const table = m_table;
    uint8_t *const base = m_base;
    uint8_t *const limit = m_limit;
    const uint32_t shift = m_shift;
    for (;;) {
        uint32_t misses = kMissStart<Level>;
        uint8_t *candidate;
        for (;;) {
            uint32_t step = misses >> kMissShift<Level>;
            if (step > size_t(limit - p)) { // p never passes the limit
                return stop(anchor);
            }
            uint32_t word = read32(p);
            uint32_t h = (word * kHashMultiplier) >> shift;
            candidate = base + table[h];
            table[h] = uint16_t(p - base);
            if (word == read32(candidate)) {
                break;
            }
            ++misses;
            p += step;
        }
        uint8_t *lastProbe = p;
        extendBack(&p, &candidate, anchor);
        uint32_t length = countEqual(p, candidate, size_t(m_end - p));
        if (Level == 3) {
            // One-step lazy evaluation: take the match at the next position
            // when it runs longer.
            for (uint8_t *p0 = lastProbe;
                 m_end - (p0 + 1) > std::max<ptrdiff_t>(length, kTailBytes);) {
                uint8_t *next = p0 + 1;
                uint32_t h = hashAt(next);
                uint8_t *nextCandidate = m_base + m_table[h];
                m_table[h] = uint16_t(next - m_base);
                lastProbe = next;
                if (read32(nextCandidate + length - 3) != read32(next + length - 3)) {
                    break;
                }
                uint32_t forward = countEqual(next, nextCandidate, size_t(m_end - next));
                if (forward <= length) {
                    break;
                }
                uint8_t *start = next;
                extendBack(&start, &nextCandidate, anchor);
                p = start;
                candidate = nextCandidate;
                length = uint32_t(next - start) + forward;
                p0 = next;
            }
        }
        if (!emitLiterals(anchor, uint32_t(p - anchor))) {
            return;
        }
        for (;;) {
            if (Level == 3) {
                enter(lastProbe + 2);
            } else {
                enter(p + 1);
                if (Level == 2) {
                    enter(p + 2);
                }
            }
            uint32_t leftover = 0;
            if (!writeMatch(uint32_t(p - candidate), length, &leftover)) {
                return;
            }
            anchor = p + length - leftover;
            if (anchor >= m_limit) {
                return stop(anchor);
            }
            if (Level == 1) {
                enter(anchor - 2);
            } else {
                enter(anchor - 3);
                enter(anchor - 2);
                enter(anchor - 1);
            }
            if (Level == 3) {
                p = anchor;
                break;
            }
            // Levels 1 and 2 try the match end itself before searching on.
            uint32_t h = hashAt(anchor);
            candidate = m_base + m_table[h];
            m_table[h] = uint16_t(anchor - m_base);
            if (read32(anchor) != read32(candidate)) {
                p = anchor + 1;
                break;
            }
            p = anchor;
            length = countEqual(p, candidate, size_t(m_end - p));
        }
    }
}

template <int Level> bool Coder<Level>::probeHistory(const uint8_t *p, Candidate *pCandidate) {
    uint32_t h = hashAt(p);
    uint32_t entry = m_table[h];
    uint32_t value = windowValue(p);
    m_table[h] = uint16_t(value);
    uint32_t index = entry >> m_in.pieceSizeLog2;
    uint32_t offset = entry & (m_in.pieceSize - 1);
    uint32_t current = m_in.retainedCount - 1;
    if (index == current) {
        if (entry >= value) {
            return false;
        }
        *pCandidate = {m_base + offset, m_base, index};
    } else {
        uint8_t *pieceStart = index <= m_in.newestIndex ? m_pEncoder->retained[index] : nullptr;
        if (!pieceStart) {
            return false;
        }
        *pCandidate = {pieceStart + offset, pieceStart, index};
    }
    return read32(pCandidate->at) == read32(p);
}

// Match length from a candidate in any retained piece: the comparison runs
// on into the following retained pieces.
template <int Level>
uint32_t Coder<Level>::historyLength(const uint8_t *p, const Candidate &candidate) const {
    uint32_t current = m_in.retainedCount - 1;
    uint32_t ringSize = m_in.newestIndex + 1;
    const uint8_t *source = candidate.at;
    const uint8_t *sourceEnd =
        candidate.index == current ? m_end : candidate.pieceStart + m_in.pieceSize;
    uint32_t index = candidate.index;
    uint32_t length = 0;
    for (;;) {
        size_t span = std::min(size_t(m_end - p), size_t(sourceEnd - source));
        uint32_t equal = countEqual(p, source, span);
        length += equal;
        p += equal;
        if (equal < span || p == m_end) {
            return length;
        }
        index = (index + 1) % ringSize;
        source = index == current ? m_base : m_pEncoder->retained[index];
        sourceEnd = index == current ? m_end : source + m_in.pieceSize;
    }
}

template <int Level>
uint32_t Coder<Level>::historyDistance(const uint8_t *p, const Candidate &candidate) const {
    if (candidate.pieceStart == m_base) {
        return uint32_t(p - candidate.at);
    }
    uint32_t ringSize = m_in.newestIndex + 1;
    uint32_t age = (m_in.retainedCount - 1 + ringSize - candidate.index) % ringSize;
    return age * m_in.pieceSize + uint32_t(p - m_base) -
           uint32_t(candidate.at - candidate.pieceStart);
}

template <int Level>
void Coder<Level>::extendBack(uint8_t **pp, Candidate *pCandidate, const uint8_t *anchor) const {
    uint8_t *p = *pp;
    while (p > anchor && pCandidate->at > pCandidate->pieceStart && p[-1] == pCandidate->at[-1]) {
        --p;
        --pCandidate->at;
        if (Level < 3) {
            break;
        }
    }
    *pp = p;
}

// History coder: a piece that follows retained equal-size pieces; entries
// are window values (ring position times piece size plus offset). Long for
// the same reason as the first-piece coder, whose shape it follows.
template <int Level> void Coder<Level>::historyPiece() {
    uint8_t *anchor = m_in.cursor;
    uint8_t *p = anchor;
    const uint8_t *lastProbe = p; // set by every probe before it is read
    const uint8_t *unentered = p; // first position after the last probe
    for (;;) {
        uint32_t misses = kMissStart<Level>;
        Candidate candidate;
        for (;;) {
            uint32_t step = misses >> kMissShift<Level>;
            if (step > size_t(m_limit - p)) {
                enterWindowRange(unentered);
                return stop(anchor);
            }
            lastProbe = p;
            unentered = p + 1;
            if (probeHistory(p, &candidate)) {
                break;
            }
            ++misses;
            p += step;
        }
        extendBack(&p, &candidate, anchor);
        uint32_t length = historyLength(p, candidate);
        if (Level == 3) {
            for (const uint8_t *p0 = lastProbe;
                 m_end - (p0 + 1) > std::max<ptrdiff_t>(length, kTailBytes);) {
                uint8_t *next = const_cast<uint8_t *>(p0) + 1;
                Candidate nextCandidate;
                lastProbe = next;
                if (!probeHistory(next, &nextCandidate)) {
                    break;
                }
                uint32_t forward = historyLength(next, nextCandidate);
                if (forward <= length) {
                    break;
                }
                uint8_t *start = next;
                extendBack(&start, &nextCandidate, anchor);
                p = start;
                candidate = nextCandidate;
                length = uint32_t(next - start) + forward;
                p0 = next;
            }
        }
        if (!emitLiterals(anchor, uint32_t(p - anchor))) {
            return;
        }
        for (;;) {
            if (Level == 2) {
                enterWindow(p + 1);
                enterWindow(p + 2);
                enterWindow(p + 3);
            } else if (Level == 3) {
                enterWindow(lastProbe + 1);
                enterWindow(lastProbe + 2);
            }
            uint32_t leftover = 0;
            if (!writeMatch(historyDistance(p, candidate), length, &leftover)) {
                return;
            }
            anchor = p + length - leftover;
            if (anchor >= m_limit) {
                enterWindowRange(anchor - (Level == 1 ? 1 : 3));
                return stop(anchor);
            }
            for (uint8_t *e = anchor - (Level == 1 ? 1 : 3); e < anchor; ++e) {
                enterWindow(e);
            }
            if (Level == 3) {
                p = anchor;
                unentered = anchor;
                break;
            }
            lastProbe = anchor;
            unentered = anchor + 1;
            if (!probeHistory(anchor, &candidate)) {
                p = anchor + 1;
                break;
            }
            p = anchor;
            length = historyLength(p, candidate);
        }
    }
}

template <int Level> bool codePiece(TezlAEncoder *pEncoder) {
    TezlStream &in = pEncoder->base.input;
    Coder<Level> coder(pEncoder);
    if (in.piece.end - in.cursor > kTailBytes) {
        if (in.newestIndex == 0) {
            std::memset(pEncoder->work, 0, pEncoder->tableBytes);
            coder.firstPiece();
        } else {
            coder.historyPiece();
        }
    }
    if (!in.cursor) {
        return false;
    }
    // The bytes the search did not reach go out as literals.
    uint32_t tail = uint32_t(in.piece.end - in.cursor);
    for (uint32_t done = 0; done < tail;) {
        uint32_t run = std::min(tail - done, kMaxLiteralRun);
        if (!coder.emitLiterals(in.cursor + done, run)) {
            return false;
        }
        done += run;
    }
    in.cursor = in.piece.end;
    return true;
}

bool codePieceAtLevel(TezlAEncoder *pEncoder) {
    switch (pEncoder->base.level) {
        case 1:
            return codePiece<1>(pEncoder);
        case 2:
            return codePiece<2>(pEncoder);
        default:
            return codePiece<3>(pEncoder);
    }
}

} // namespace

int32_t tezlA_EncodeStream(TezlAEncoder *pEncoder) {
    TezlStream &in = pEncoder->base.input;
    TezlStream &out = pEncoder->base.output;
    for (;;) {
        if (in.cursor >= in.piece.end &&
            !tezl_NextCappedInputPiece(&in, &pEncoder->capped, pEncoder->retained,
                                       TEZL_LIMITS_AB)) {
            break;
        }
        pEncoder->pieceStatus = 0;
        if (!codePieceAtLevel(pEncoder)) {
            return TEZL_ERR_OUTPUT;
        }
    }
    if (!in.piece.end) {
        return tezl_NoPieceResult(pEncoder->retained, TEZL_ERR_INPUT);
    }
    return out.piece.end ? 0 : TEZL_ERR_OUTPUT;
}
