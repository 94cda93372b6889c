#include "famb_decode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "famb_tables.h"
#include "tezl_copy.h"

namespace famb {
namespace {

using tezl_copy::copyWide;
using tezl_copy::load64;
using tezl_copy::store64;

inline void store16(uint8_t *p, uint16_t value) {
    std::memcpy(p, &value, 2);
}

DecEntry symbolEntry(CodeKind kind, unsigned symbol) {
    if (kind == CodeKind::CodeLength || (kind == CodeKind::LitLen && symbol < kEndOfBlock)) {
        return {kOpLiteral, 0, static_cast<uint16_t>(symbol)};
    }
    if (kind == CodeKind::LitLen && symbol == kEndOfBlock) {
        return {kOpEndOfBlock, 0, 0};
    }
    const SymbolRange &range =
        kind == CodeKind::LitLen ? kLengthRanges[symbol - 257] : kDistRanges[symbol];
    return {kOpBase, range.extraBits, range.base}; // bits: the extra bits until placed
}

// The entry of a symbolEntry() for a code of `codeBits` bits in its table.
// A length or distance keeps its code's bits in the op and counts its
// extra bits in `bits` too, so that a decoder takes both in one shift and
// masks the extra value out of the bits it took.
DecEntry placed(DecEntry entry, unsigned codeBits) {
    if (entry.op == kOpBase) {
        return {static_cast<uint8_t>(kOpBase + codeBits),
                static_cast<uint8_t>(codeBits + entry.bits), entry.val};
    }
    entry.bits = static_cast<uint8_t>(codeBits);
    return entry;
}

bool isValueOp(unsigned op) {
    return op >= kOpBase && op < kOpInvalid;
}

// Bits of the code itself, and of the extra bits that follow it.
unsigned codeBitsOf(const DecEntry &entry) {
    return isValueOp(entry.op) ? entry.op - kOpBase : entry.bits;
}
unsigned extraBitsOf(const DecEntry &entry) {
    return isValueOp(entry.op) ? entry.bits - (entry.op - kOpBase) : 0u;
}

// Width of the sub-table opened by a code of `length` bits: grows while
// the codes not yet placed would overflow it.
unsigned subTableBits(unsigned length, unsigned rootBits, unsigned maxLength,
                      const uint16_t *pRemaining) {
    unsigned width = length - rootBits;
    int room = 1 << width;
    while (width + rootBits < maxLength) {
        room -= pRemaining[width + rootBits];
        if (room <= 0) {
            break;
        }
        ++width;
        room <<= 1;
    }
    return width;
}

// Counts per code length, and the checks that decide whether a set of
// code lengths makes a usable code. Fills *pShape; false when it does not.
struct CodeShape {
    uint16_t perLength[kMaxCodeBits + 1];
    unsigned minLength;
    unsigned maxLength;
    unsigned rootBits;
    bool bIncomplete;
};

bool shapeOf(CodeKind kind, const uint8_t *pLengths, unsigned count, unsigned requestedRoot,
             CodeShape *pShape) {
    *pShape = {};
    for (unsigned i = 0; i < count; ++i) {
        ++pShape->perLength[pLengths[i]];
    }
    unsigned maxLength = kMaxCodeBits;
    while (maxLength > 0 && pShape->perLength[maxLength] == 0) {
        --maxLength;
    }
    if (maxLength == 0) {
        return false; // no code at all
    }
    unsigned minLength = 1;
    while (pShape->perLength[minLength] == 0) {
        ++minLength;
    }
    int left = 1;
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
        left = 2 * left - pShape->perLength[len];
        if (left < 0) {
            return false; // over-subscribed
        }
    }
    if (left > 0 && (kind == CodeKind::CodeLength || maxLength != 1)) {
        return false; // incomplete, other than a single one-bit code
    }
    unsigned rootBits = requestedRoot > maxLength ? maxLength : requestedRoot;
    pShape->rootBits = rootBits < minLength ? minLength : rootBits;
    pShape->minLength = minLength;
    pShape->maxLength = maxLength;
    pShape->bIncomplete = left > 0;
    return true;
}

// Symbols with a code, ordered by code length, then by symbol value.
void sortByLength(const uint8_t *pLengths, unsigned count, const uint16_t *perLength,
                  uint16_t *pSorted) {
    uint16_t offsets[kMaxCodeBits + 2] = {};
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
        offsets[len + 1] = static_cast<uint16_t>(offsets[len] + perLength[len]);
    }
    for (unsigned sym = 0; sym < count; ++sym) {
        if (pLengths[sym] != 0) {
            pSorted[offsets[pLengths[sym]]++] = static_cast<uint16_t>(sym);
        }
    }
}

} // namespace

// Canonical codes are handed out in (length, symbol) order; codes longer
// than the root open sub-tables behind the root table. One loop assigns the
// codes and fills root and sub-tables: the open sub-table is its state.
// The root table grows with the code length: a code of `len` bits takes one
// entry of the first 2^len, and before the next length those entries are
// copied once behind themselves, which repeats each code wherever its bits
// are followed by any others.
int buildTable(CodeKind kind, const uint8_t *pLengths, unsigned count, DecEntry *pTable,
               unsigned capacity, unsigned *pRootBits) {
    CodeShape shape;
    if (!shapeOf(kind, pLengths, count, *pRootBits, &shape) || (1u << shape.rootBits) > capacity) {
        return -1;
    }
    const unsigned rootBits = shape.rootBits;
    const uint16_t *perLength = shape.perLength;
    uint16_t sorted[kMaxCodeLengths];
    sortByLength(pLengths, count, perLength, sorted);

    unsigned used = 1u << rootBits;
    // The one accepted incomplete code leaves its other pattern invalid;
    // of a complete code every entry is overwritten.
    pTable[0] = {kOpInvalid, 1, 0};
    unsigned filledBits = 0; // the root table's first 2^filledBits entries are built
    auto growTo = [pTable, &filledBits](unsigned bits) {
        for (; filledBits < bits; ++filledBits) {
            std::memcpy(pTable + (1u << filledBits), pTable, sizeof(DecEntry) << filledBits);
        }
    };
    uint16_t remaining[kMaxCodeBits + 1];
    std::memcpy(remaining, perLength, sizeof remaining);
    unsigned coded = count - perLength[0];
    unsigned code = 0;
    unsigned prevLength = 0;
    unsigned openLow = ~0u;
    DecEntry *pSub = nullptr;
    unsigned subBits = 0;
    for (unsigned n = 0; n < coded; ++n) {
        unsigned sym = sorted[n];
        unsigned len = pLengths[sym];
        code <<= (len - prevLength);
        prevLength = len;
        unsigned reversed = reverseBits(code, len);
        if (len <= rootBits) {
            growTo(len);
            pTable[reversed] = placed(symbolEntry(kind, sym), len);
        } else {
            growTo(rootBits);
            unsigned low = reversed & ((1u << rootBits) - 1);
            if (low != openLow) {
                subBits = subTableBits(len, rootBits, shape.maxLength, remaining);
                if (used + (1u << subBits) > capacity) {
                    return -1;
                }
                pTable[low] = {static_cast<uint8_t>(subBits), static_cast<uint8_t>(rootBits),
                               static_cast<uint16_t>(used)};
                pSub = pTable + used;
                used += 1u << subBits;
                openLow = low;
            }
            const DecEntry entry = placed(symbolEntry(kind, sym), len - rootBits);
            for (unsigned i = reversed >> rootBits; i < (1u << subBits);
                 i += 1u << (len - rootBits)) {
                pSub[i] = entry;
            }
        }
        --remaining[len];
        ++code;
    }
    growTo(rootBits);
    *pRootBits = rootBits;
    return static_cast<int>(used);
}

namespace {

constexpr uint64_t lowMask(unsigned bits) {
    return (uint64_t{1} << bits) - 1;
}

// Room the fast loop needs in the output: the longest match plus the
// 32-byte overrun of its chunked copy.
constexpr ptrdiff_t kFastOutputRoom = kMaxMatch + 32;

// Copies a match in whole words; writes up to 31 bytes past the match end.
// From a distance of 8 every 8-byte word's source lies wholly before its
// destination, so one path serves them all: 32 bytes, then the rest 32
// bytes a step (most matches end within the first 32). Only the rare
// matches closer than 8 jump to the pattern copy; with 16-byte words those
// from 8 to 15 jumped too, and the decoder ran 2 to 4 % slower.
inline void copy32(uint8_t *dst, const uint8_t *src) {
    for (uint32_t i = 0; i < 32; i += 8) {
        store64(dst + i, load64(src + i));
    }
}
inline void copyMatchWords(uint8_t *dst, uint32_t distance, uint32_t length) {
    if (distance < 8) {
        copyWide(dst, distance, length);
        return;
    }
    const uint8_t *src = dst - distance;
    copy32(dst, src);
    for (uint32_t i = 32; i < length; i += 32) {
        copy32(dst + i, src + i);
    }
}
constexpr ptrdiff_t kFastInputRoom = 16;

// Root widths of the literal/length and distance tables, tried in order.
struct RootBits {
    unsigned litLen;
    unsigned dist;
};
// Input left in the piece from which a block's tables take the wide roots
// and literal pairs.
constexpr ptrdiff_t kWideTableInput = 8192;

constexpr RootBits kRootChoices[] = {
    {kLitLenWideRootBits, kDistWideRootBits},
    {kLitLenWideRootBits, kDistRootBits},
    {kLitLenRootBits, kDistRootBits},
};

// Codes of each length among all literal/length symbols and among the
// literals alone (below the end of block): what deciding on and making
// literal pairs needs, counted once.
struct LitLenCounts {
    unsigned all[kMaxCodeBits + 1] = {};
    unsigned literals[kMaxCodeBits + 1] = {};
};

LitLenCounts countLitLen(const uint8_t *pLengths, unsigned count) {
    LitLenCounts counts;
    for (unsigned sym = 0; sym < count; ++sym) {
        ++counts.all[pLengths[sym]];
    }
    for (unsigned sym = 0; sym < kEndOfBlock; ++sym) {
        ++counts.literals[pLengths[sym]];
    }
    return counts;
}

// Makes every root entry of a literal whose following root bits hold a
// whole literal code a pair of both. The entries of a first literal code
// of `len` bits lie at its reversed code plus every multiple of 2^len, and
// the entry at (reversed | k << len) finds its second literal at entry k:
// so a walk over the literal codes visits only the entries that may pair,
// reading the second entries in order. An entry k made a pair before it is
// read still holds its first literal (op and value's low byte). Out of
// line: inlined, it changed the symbol loop's code around it, 1 % slower
// also on blocks without pairs.
// perLength: the codes of each length among all literal/length symbols.
[[gnu::noinline]] void pairLiterals(DecEntry *pTable, unsigned rootBits, const uint8_t *pLengths,
                                    const unsigned *perLength) {
    static_assert(kOpLiteral == 0);
    unsigned nextCode[kMaxCodeBits + 1];
    unsigned code = 0;
    nextCode[1] = 0;
    for (unsigned len = 2; len <= kMaxCodeBits; ++len) {
        code = (code + perLength[len - 1]) << 1;
        nextCode[len] = code;
    }
    for (unsigned sym = 0; sym < kEndOfBlock; ++sym) {
        const unsigned len = pLengths[sym];
        if (len == 0) {
            continue;
        }
        const unsigned firstCode = nextCode[len]++;
        if (len >= rootBits) {
            continue;
        }
        const unsigned reversed = reverseBits(firstCode, len);
        const unsigned room = rootBits - len; // bits left for the second code
        // Pair words: op kOpLiteralPair + first bits, bits of both, the
        // first byte, then the second.
        const uint32_t single = (len << 8) | (sym << 16);
        const uint32_t base = single + kOpLiteralPair + len;
        for (unsigned k = 0; k < (1u << room); ++k) {
            uint32_t second;
            std::memcpy(&second, &pTable[k], sizeof second);
            const uint32_t secondOp = second & 0xFF;
            // A pair read back is its first literal again.
            const uint32_t secondBits =
                secondOp >= kOpLiteralPair ? secondOp - kOpLiteralPair : (second >> 8) & 0xFF;
            const bool bPair = (secondOp == 0 || secondOp > kOpLiteralPair) && secondBits <= room;
            // Stored either way, the single literal unchanged: a jump
            // would follow no pattern a predictor learns.
            const uint32_t word =
                bPair ? base + (secondBits << 8) + ((second & 0xFF0000) << 8) : single;
            std::memcpy(&pTable[reversed | (k << len)], &word, sizeof word);
        }
    }
}

// Root entries that pairLiterals() would make pairs: for every two literal
// code lengths that fit the root together, the codes of one times the codes
// of the other times the repeats of both. perLength: the literals' codes
// of each length.
unsigned pairEntries(const unsigned *perLength, unsigned rootBits) {
    unsigned entries = 0;
    for (unsigned first = 1; first < rootBits; ++first) {
        for (unsigned second = 1; first + second <= rootBits; ++second) {
            entries += (perLength[first] * perLength[second]) << (rootBits - first - second);
        }
    }
    return entries;
}

// A pass over the root table pays where pairs are at least this share of
// it (one in 32): with long literal codes, as in machine code, they are
// almost none.
constexpr unsigned kPairShareLog2 = 5;

bool isLink(const DecEntry &entry) {
    return static_cast<unsigned>(entry.op - 1) < kOpMaxLink;
}

// One decoding operation over the caller's reader, output and port.
class BlockDecoder {
  public:
    BlockDecoder(DecodeScratch &scratch, DecEntry *pArea, BitReader &in, Output &out,
                 const DecodePort &port)
        : scratch_(scratch), pArea_(pArea), in_(in), out_(out), port_(port) {}

    [[nodiscard]] int run() {
        for (;;) {
            if (in_.count < 8 && in_.cursor == in_.end && !nextInput()) {
                return 0; // what is left in the last byte is padding
            }
            bool bByteStart = (in_.count & 7) == 0;
            unsigned flag = 0;
            if (int rc = read(1, &flag); rc != 0) {
                return rc;
            }
            int rc = 0;
            if (flag == 0) {
                rc = huffmanBlock();
            } else if (bByteStart) {
                rc = storedBlock();
            } else {
                drop(in_.count & 7); // alignment marker: the rest of its byte is padding
            }
            if (rc != 0) {
                return rc;
            }
        }
    }

  private:
    bool nextInput() {
        return port_.nextInput != nullptr && port_.nextInput(port_.self, &in_.cursor, &in_.end);
    }
    int nextOutput() {
        return port_.nextOutput == nullptr ? -3 : port_.nextOutput(port_.self, &out_);
    }

    // Buffers at least `bits` bits (at most 32); false when the input ends first.
    bool pull(unsigned bits) {
        while (in_.count < bits) {
            if (in_.cursor == in_.end && !nextInput()) {
                return false;
            }
            in_.bits |= uint64_t{*in_.cursor++} << in_.count;
            in_.count += 8;
        }
        return true;
    }
    void refillFast() {
        uint64_t word;
        std::memcpy(&word, in_.cursor, sizeof word);
        in_.bits |= word << in_.count;
        in_.cursor += (63 - in_.count) >> 3;
        in_.count |= 56;
    }
    // The fast refill leaves bits of the bytes at the cursor above the
    // count. Before the cursor moves by a byte copy they must go: the next
    // pull ORs the bytes that follow into those places.
    void discardReadAhead() { in_.bits &= lowMask(in_.count); }
    void drop(unsigned bits) {
        in_.bits >>= bits;
        in_.count -= bits;
    }
    [[nodiscard]] int read(unsigned bits, unsigned *pValue) {
        if (!pull(bits)) {
            return -2;
        }
        *pValue = static_cast<unsigned>(in_.bits & lowMask(bits));
        drop(bits);
        return 0;
    }

    // Table lookup that never reads past the input: a code longer than the
    // bits that remain is a truncated stream.
    [[nodiscard]] int decodeCareful(const DecEntry *pTable, unsigned rootBits, DecEntry *pEntry) {
        (void)pull(rootBits);
        DecEntry entry = pTable[in_.bits & lowMask(rootBits)];
        unsigned need = codeBitsOf(entry);
        if (isLink(entry)) {
            (void)pull(rootBits + entry.op);
            entry = pTable[entry.val + ((in_.bits >> rootBits) & lowMask(entry.op))];
            need = rootBits + codeBitsOf(entry);
        }
        if (entry.op >= kOpLiteralPair) { // one literal at a time here
            entry = {kOpLiteral, static_cast<uint8_t>(entry.op - kOpLiteralPair),
                     static_cast<uint16_t>(entry.val & 0xFF)};
            need = entry.bits;
        }
        if (need > in_.count) {
            return -2;
        }
        drop(need);
        entry.bits = static_cast<uint8_t>(extraBitsOf(entry)); // the bits still to read
        *pEntry = entry;
        return 0;
    }

    [[nodiscard]] int huffmanBlock();
    [[nodiscard]] int readHeader();
    [[nodiscard]] int buildCodeTables(const RootBits &roots, unsigned litLenCount,
                                      unsigned distCount, bool bPairs);
    [[nodiscard]] int readCodeLengths(unsigned total, unsigned rootBits);
    [[nodiscard]] int storedBlock();
    template <bool HasDist> [[nodiscard]] int fastSymbols();
    [[nodiscard]] int carefulSymbol(bool bHasDist);
    [[nodiscard]] int copyMatch(uint32_t distance, uint32_t length);
    [[nodiscard]] int writeByte(uint8_t value) {
        if (out_.cursor == out_.end) {
            if (int rc = nextOutput(); rc != 0) {
                return rc;
            }
        }
        *out_.cursor++ = value;
        return 0;
    }

    DecodeScratch &scratch_;
    DecEntry *pArea_;
    BitReader &in_;
    Output &out_;
    const DecodePort &port_;
};

int BlockDecoder::storedBlock() {
    unsigned header = 0;
    if (int rc = read(15, &header); rc != 0) {
        return rc;
    }
    if ((in_.count & 7) != 0) {
        return -1;
    }
    uint32_t left = header + 1;
    while (left > 0 && in_.count >= 8) { // whole bytes still in the bit buffer
        if (int rc = writeByte(static_cast<uint8_t>(in_.bits)); rc != 0) {
            return rc;
        }
        drop(8);
        --left;
    }
    discardReadAhead();
    while (left > 0) {
        if (in_.cursor == in_.end && !nextInput()) {
            return -2;
        }
        if (out_.cursor == out_.end) {
            if (int rc = nextOutput(); rc != 0) {
                return rc;
            }
        }
        size_t n = left;
        n = n < static_cast<size_t>(in_.end - in_.cursor)
                ? n
                : static_cast<size_t>(in_.end - in_.cursor);
        n = n < static_cast<size_t>(out_.end - out_.cursor)
                ? n
                : static_cast<size_t>(out_.end - out_.cursor);
        std::memcpy(out_.cursor, in_.cursor, n);
        out_.cursor += n;
        in_.cursor += n;
        left -= static_cast<uint32_t>(n);
    }
    return 0;
}

int BlockDecoder::readCodeLengths(unsigned total, unsigned rootBits) {
    uint8_t *pLengths = scratch_.lengths;
    unsigned n = 0;
    while (n < total) {
        DecEntry entry;
        if (int rc = decodeCareful(pArea_, rootBits, &entry); rc != 0) {
            return rc;
        }
        unsigned symbol = entry.val;
        if (symbol < 16) {
            pLengths[n++] = static_cast<uint8_t>(symbol);
            continue;
        }
        if (symbol == 16 && n == 0) {
            return -1;
        }
        static constexpr uint8_t kExtraBits[3] = {2, 3, 7};
        static constexpr uint8_t kMinRun[3] = {3, 3, 11};
        unsigned extra = 0;
        if (int rc = read(kExtraBits[symbol - 16], &extra); rc != 0) {
            return rc;
        }
        unsigned run = kMinRun[symbol - 16] + extra;
        if (run > total - n) {
            return -1;
        }
        std::memset(pLengths + n, symbol == 16 ? pLengths[n - 1] : 0, run);
        n += run;
    }
    return 0;
}

int BlockDecoder::readHeader() {
    unsigned codeLenCount = 0;
    if (int rc = read(4, &codeLenCount); rc != 0) {
        return rc;
    }
    uint8_t *pLengths = scratch_.lengths;
    std::memset(pLengths, 0, kCodeLenSymbols);
    for (unsigned i = 0; i < codeLenCount + 4; ++i) {
        unsigned len = 0;
        if (int rc = read(3, &len); rc != 0) {
            return rc;
        }
        pLengths[kCodeLenOrder[i]] = static_cast<uint8_t>(len);
    }
    unsigned litLenCount = 0;
    unsigned distCount = 0;
    if (int rc = read(5, &litLenCount); rc != 0) {
        return rc;
    }
    litLenCount += 257;
    if (litLenCount != 257) {
        if (int rc = read(6, &distCount); rc != 0) {
            return rc;
        }
        distCount += 1;
        if (litLenCount > kLitLenSymbols || distCount > kDistSymbols) {
            return -1;
        }
    }
    unsigned rootBits = kCodeLenRootBits;
    if (buildTable(CodeKind::CodeLength, pLengths, kCodeLenSymbols, pArea_, kTableEntries,
                   &rootBits) < 0) {
        return -1;
    }
    if (int rc = readCodeLengths(litLenCount + distCount, rootBits); rc != 0) {
        return rc;
    }
    if (pLengths[kEndOfBlock] == 0) {
        return -1;
    }
    // With much input left, wider roots first, so that fewer codes take a
    // second lookup; filling them costs more than a short block saves. The
    // worst case of the narrow roots always fits the table area.
    bool bWide = in_.end - in_.cursor >= kWideTableInput;
    for (const RootBits &roots : kRootChoices) {
        if ((bWide || roots.litLen == kLitLenRootBits) &&
            buildCodeTables(roots, litLenCount, distCount, bWide) == 0) {
            return 0;
        }
    }
    return -1;
}

// Builds the literal/length table and, when the block has one, the
// distance table behind it. -1 when either code is unusable or the
// tables do not fit the area with these roots.
int BlockDecoder::buildCodeTables(const RootBits &roots, unsigned litLenCount, unsigned distCount,
                                  bool bPairs) {
    const uint8_t *pLengths = scratch_.lengths;
    unsigned litRoot = roots.litLen;
    int used = buildTable(CodeKind::LitLen, pLengths, litLenCount, pArea_, kTableEntries, &litRoot);
    if (used < 0) {
        return -1;
    }
    if (bPairs) {
        const LitLenCounts counts = countLitLen(pLengths, litLenCount);
        if ((pairEntries(counts.literals, litRoot) << kPairShareLog2) >= (1u << litRoot)) {
            pairLiterals(pArea_, litRoot, pLengths, counts.all);
        }
    }
    scratch_.pLitLen = pArea_;
    scratch_.litLenRootBits = static_cast<int32_t>(litRoot);
    scratch_.pDist = pArea_ + used;
    scratch_.pTableEnd = scratch_.pDist;
    scratch_.distRootBits = 0;
    if (distCount != 0) {
        unsigned distRoot = roots.dist;
        int distUsed =
            buildTable(CodeKind::Distance, pLengths + litLenCount, distCount, scratch_.pDist,
                       kTableEntries - static_cast<unsigned>(used), &distRoot);
        if (distUsed < 0) {
            return -1;
        }
        scratch_.distRootBits = static_cast<int32_t>(distRoot);
        scratch_.pTableEnd = scratch_.pDist + distUsed;
    }
    return 0;
}

int BlockDecoder::huffmanBlock() {
    if (int rc = readHeader(); rc != 0) {
        return rc;
    }
    bool bHasDist = scratch_.pTableEnd != scratch_.pDist;
    for (;;) {
        int rc = bHasDist ? fastSymbols<true>() : fastSymbols<false>();
        if (rc == 0) {
            rc = carefulSymbol(bHasDist);
        }
        if (rc != 0) {
            return rc > 0 ? 0 : rc; // 1: end of block
        }
    }
}

// Masks of the low 0 to 31 bits, by count: one load instead of a shift
// and a subtraction on the way to the next table lookup.
constexpr std::array<uint32_t, 32> kLowMasks = [] {
    std::array<uint32_t, 32> masks{};
    for (unsigned n = 0; n < 32; ++n) {
        masks[n] = (1u << n) - 1;
    }
    return masks;
}();

// The fast loop reads each entry as one word (op in the low byte, then
// bits, then the value): one register per entry instead of three, which
// leaves it the registers to hold two looked-up entries at once.
static_assert(std::endian::native == std::endian::little);
static_assert(offsetof(DecEntry, op) == 0 && offsetof(DecEntry, bits) == 1 &&
              offsetof(DecEntry, val) == 2);
inline uint32_t wordAt(const DecEntry *pTable, uint64_t index) {
    uint32_t word;
    std::memcpy(&word, pTable + index, sizeof word);
    return word;
}
inline unsigned wordOp(uint32_t word) {
    return word & 0xFF;
}
inline unsigned wordBits(uint32_t word) {
    return (word >> 8) & 0xFF;
}
inline unsigned wordValue(uint32_t word) {
    return word >> 16;
}
// One literal or a pair of them.
inline bool wordIsLiteral(uint32_t word) {
    return static_cast<uint8_t>(word - 1) >= kOpLiteralPair - 1;
}
// A length or a distance: a base and extra bits.
inline bool wordIsValue(uint32_t word) {
    return static_cast<uint8_t>(word - kOpBase) < kOpInvalid - kOpBase;
}
// A sub-table's root entry, as isLink().
inline bool wordIsLink(uint32_t word) {
    return static_cast<uint8_t>(word - 1) < kOpMaxLink;
}
// The extra value of a length or distance entry from the bits that held
// its code: the entry's bits masked, shifted past the code (the op is 64
// plus the code's bits, and a shift counts modulo 64).
static_assert(kOpBase == 64 && kOpInvalid - kOpBase > kMaxCodeBits);
inline uint32_t wordExtraValue(uint64_t saved, uint32_t word) {
    return static_cast<uint32_t>((saved & kLowMasks[wordBits(word)]) >> (word & 63u));
}

// Decodes symbols while the input piece holds 16 bytes and the output piece
// room for a whole match and its word overrun. Long on purpose: the hot
// loop keeps the reader and output state in registers, which a split into
// calls would spill; it works on local copies so that byte stores cannot
// alias them. Each round refills to 56 bits or more: a whole length and
// distance pair (48 bits at most), or up to three literals of root codes.
// Returns 0 to continue carefully, 1 at the end of the block, or a
// negative result.
template <bool HasDist> int BlockDecoder::fastSymbols() {
    const DecEntry *const pLit = scratch_.pLitLen;
    const DecEntry *const pDist = scratch_.pDist;
    const uint64_t litMask = lowMask(static_cast<unsigned>(scratch_.litLenRootBits));
    const uint64_t distMask = lowMask(static_cast<unsigned>(scratch_.distRootBits));
    const uint8_t *in = in_.cursor;
    uint64_t bits = in_.bits;
    unsigned count = in_.count;
    uint8_t *out = out_.cursor;
    uint8_t *const outStart = out_.start;
    // The loop runs while both cursors are below these limits (16 input
    // bytes: the refill's word and the next one, loaded ahead;
    // kFastOutputRoom bytes of room); a cursor that starts above its
    // limit's distance stops it at once.
    const uint8_t *const inLimit = in_.end - std::min(in_.end - in, kFastInputRoom - 1);
    uint8_t *const outLimit = out_.end - std::min(out_.end - out, kFastOutputRoom - 1);
    int rc = 0;
    // The word at the cursor is loaded at the refill before the one that
    // uses it: so its load is issued ahead of the jumps on the entries in
    // between, and a path the predictor got wrong does not wait for it.
    uint64_t word = 0;
    auto refill = [&in, &bits, &count, &word] {
        bits |= word << count;
        in += (63 - count) >> 3;
        count |= 56;
        std::memcpy(&word, in, sizeof word);
    };
    if (in < inLimit) {
        std::memcpy(&word, in, sizeof word);
        refill();
    }
    // The next literal/length entry is looked up before the refill that
    // precedes its use, so that the load of the refill word is off the
    // path from one lookup to the next. Its root bits are there already:
    // a refill makes 64 bits valid (the bits above the count are the next
    // input bytes, which the refill ORs in again), and a round takes at
    // most 48 of them.
    uint32_t entry = wordAt(pLit, bits & litMask);
    // One literal entry (a single literal writes its byte and a scratch
    // byte, a pair both), then the next entry looked up.
    auto putLiterals = [&] {
        bits >>= wordBits(entry);
        count -= wordBits(entry);
        store16(out, wordValue(entry));
        out += 1 + (wordOp(entry) >> 7);
        entry = wordAt(pLit, bits & litMask);
    };
    while (in < inLimit && out < outLimit) {
        refill();
        // Every kind of entry consumes its bits here; `saved` keeps them
        // for the extra bits of a length.
        uint64_t saved = bits;
        bits >>= wordBits(entry);
        count -= wordBits(entry);
        // Both entries that may come next, looked up before the test for a
        // literal: that test follows no pattern a predictor learns, and the
        // path it was wrong about finds its next entry loaded. (With the
        // entries held as three registers each the second lookup spilled
        // the table masks and cost more than it saved.)
        const uint32_t nextLit = wordAt(pLit, bits & litMask);
        uint32_t nextDist = HasDist ? wordAt(pDist, bits & distMask) : 0u;
        if (wordIsLiteral(entry)) {
            store16(out, wordValue(entry));
            out += 1 + (wordOp(entry) >> 7);
            entry = nextLit;
            // Root entries of at most 10 bits: two more fit the bits left.
            if (wordIsLiteral(entry)) {
                putLiterals();
                if (wordIsLiteral(entry)) {
                    putLiterals();
                }
            }
            continue; // entry is the next one
        }
        if (!wordIsValue(entry)) { // a sub-table, the end of the block or an invalid code
            if (!wordIsLink(entry)) {
                rc = wordOp(entry) == kOpEndOfBlock ? 1 : -1;
                break;
            }
            saved = bits;
            entry = wordAt(pLit, wordValue(entry) + (bits & kLowMasks[wordOp(entry)]));
            bits >>= wordBits(entry);
            count -= wordBits(entry);
            if (wordOp(entry) == kOpLiteral) {
                *out++ = static_cast<uint8_t>(wordValue(entry));
                entry = wordAt(pLit, bits & litMask);
                continue;
            }
            if (!wordIsValue(entry)) {
                rc = wordOp(entry) == kOpEndOfBlock ? 1 : -1;
                break;
            }
            if (HasDist) {
                nextDist = wordAt(pDist, bits & distMask); // after the longer code
            }
        }
        if (!HasDist) {
            rc = -1;
            break;
        }
        // A length or distance entry's bits hold its code and its extra
        // bits: one shift takes both, off the path to the extra value.
        uint32_t length = wordValue(entry) + wordExtraValue(saved, entry);
        entry = nextDist;
        saved = bits;
        bits >>= wordBits(entry);
        count -= wordBits(entry);
        if (!wordIsValue(entry)) { // a sub-table or an invalid code
            if (!wordIsLink(entry)) {
                rc = -1;
                break;
            }
            saved = bits;
            entry = wordAt(pDist, wordValue(entry) + (bits & kLowMasks[wordOp(entry)]));
            bits >>= wordBits(entry);
            count -= wordBits(entry);
            if (!wordIsValue(entry)) {
                rc = -1;
                break;
            }
        }
        uint32_t distance = wordValue(entry) + wordExtraValue(saved, entry);
        if (distance > static_cast<uint32_t>(out - outStart)) {
            uint8_t *const outEnd = out_.end;
            in_ = {in, in_.end, bits, count};
            out_.cursor = out;
            rc = copyMatch(distance, length);
            out = out_.cursor;
            if (rc != 0 || out_.end != outEnd || out_.start != outStart) {
                return rc; // the copy moved to another piece: go on carefully
            }
            entry = wordAt(pLit, bits & litMask);
            continue;
        }
        // Whole words; the overrun past the match end is overwritten later.
        copyMatchWords(out, distance, length);
        out += length;
        entry = wordAt(pLit, bits & litMask);
    }
    in_.cursor = in;
    in_.bits = bits;
    in_.count = count;
    out_.cursor = out;
    return rc;
}

int BlockDecoder::carefulSymbol(bool bHasDist) {
    DecEntry entry;
    if (int rc =
            decodeCareful(scratch_.pLitLen, static_cast<unsigned>(scratch_.litLenRootBits), &entry);
        rc != 0) {
        return rc;
    }
    if (entry.op == kOpLiteral) {
        return writeByte(static_cast<uint8_t>(entry.val));
    }
    if (entry.op == kOpEndOfBlock) {
        return 1;
    }
    if (entry.op == kOpInvalid || !bHasDist) {
        return -1;
    }
    unsigned extra = 0;
    if (int rc = read(entry.bits, &extra); rc != 0) {
        return rc;
    }
    uint32_t length = entry.val + extra;
    if (int rc =
            decodeCareful(scratch_.pDist, static_cast<unsigned>(scratch_.distRootBits), &entry);
        rc != 0) {
        return rc;
    }
    if (entry.op == kOpInvalid) {
        return -1;
    }
    if (int rc = read(entry.bits, &extra); rc != 0) {
        return rc;
    }
    return copyMatch(entry.val + extra, length);
}

// Byte-exact copy with piece changes; a source before the current output
// piece goes to the port.
int BlockDecoder::copyMatch(uint32_t distance, uint32_t length) {
    while (length > 0) {
        if (out_.cursor == out_.end) {
            if (int rc = nextOutput(); rc != 0) {
                return rc;
            }
        }
        if (distance > static_cast<uint32_t>(out_.cursor - out_.start)) {
            if (port_.copyFar == nullptr) {
                return -1;
            }
            return port_.copyFar(port_.self, &out_, distance, length);
        }
        uint32_t room = static_cast<uint32_t>(out_.end - out_.cursor);
        uint32_t n = length < room ? length : room;
        uint8_t *pDst = out_.cursor;
        const uint8_t *pSrc = pDst - distance;
        if (distance == 1) {
            std::memset(pDst, *pSrc, n);
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                pDst[i] = pSrc[i];
            }
        }
        out_.cursor += n;
        length -= n;
    }
    return 0;
}

} // namespace

int decodeBlocks(DecodeScratch *pScratch, DecEntry *pTableArea, BitReader *pIn, Output *pOut,
                 const DecodePort *pPort) {
    BlockDecoder decoder(*pScratch, pTableArea, *pIn, *pOut, *pPort);
    return decoder.run();
}

} // namespace famb
