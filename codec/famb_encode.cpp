#include "famb_encode.h"

#include <cstring>

namespace famb {
namespace {

// Heap order key: a lower frequency first, then the lesser depth; equal
// keys keep the node being sifted above (a node comes before another when
// its frequency is lower, or equal with a depth not greater).
uint32_t heapKey(unsigned freq, unsigned depth) {
    return (freq << 8) | depth;
}

} // namespace

void initTrees(BlockState *pState) {
    pState->codeLenDesc = {pState->codeLenTree, kCodeLenSymbols, kMaxCodeLenBits};
    pState->distDesc = {pState->distTree, kDistSymbols, kMaxCodeBits};
    pState->litLenDesc = {pState->litLenTree, kLitLenSymbols, kMaxCodeBits};
}

void TokenSink::startBlock() {
    for (unsigned i = 0; i < kLitLenSymbols; ++i) {
        state_.litLenTree[i].freqOrCode = 0;
    }
    for (unsigned i = 0; i < kDistSymbols; ++i) {
        state_.distTree[i].freqOrCode = 0;
    }
    for (unsigned i = 0; i < kCodeLenSymbols; ++i) {
        state_.codeLenTree[i].freqOrCode = 0;
    }
    state_.litLenTree[kEndOfBlock].freqOrCode = 1;
    state_.literalCount = 0;
    pWrite_ = pTokens_;
}

bool TokenSink::match(uint32_t distance, uint32_t length) {
    if (pWrite_ == pTokens_ + kTokenCapacity && !flush()) {
        return false;
    }
    uint32_t value = length - kMinMatch;
    *pWrite_++ = {static_cast<uint16_t>(distance), static_cast<uint16_t>(value)};
    ++state_.litLenTree[257 + kLengthCode[value]].freqOrCode;
    ++state_.distTree[distSymbol(distance)].freqOrCode;
    return true;
}

bool TokenSink::matchRun(const uint8_t **ppLiteralStart, const uint8_t *pMatch, uint32_t distance,
                         uint32_t length) {
    if (!literals(*ppLiteralStart, pMatch)) {
        return false;
    }
    for (; length > kMaxMatch; length -= kMaxMatch, pMatch += kMaxMatch) {
        if (!match(distance, kMaxMatch)) {
            return false;
        }
    }
    if (length >= kMinMatch) {
        if (!match(distance, length)) {
            return false;
        }
        pMatch += length;
    }
    *ppLiteralStart = pMatch;
    return true;
}

// ---- bit output -----------------------------------------------------

void TokenSink::storeByte(uint8_t value) {
    if (bFailed_) {
        return;
    }
    if (out_.cursor == out_.end &&
        (port_.nextOutput == nullptr || !port_.nextOutput(port_.self, &out_.cursor, &out_.end))) {
        bFailed_ = true;
        return;
    }
    *out_.cursor++ = value;
}

void TokenSink::storeWord() {
    uint32_t word = static_cast<uint32_t>(out_.bits);
    if (out_.end - out_.cursor >= 4) {
        std::memcpy(out_.cursor, &word, 4); // the stream is little-endian on every target
        out_.cursor += 4;
    } else {
        for (unsigned i = 0; i < 4; ++i) {
            storeByte(static_cast<uint8_t>(word >> (8 * i)));
        }
    }
    out_.bits >>= 32;
    out_.count -= 32;
}

void TokenSink::alignToByte() {
    if ((out_.count & 7) != 0) {
        putBits(1, 1); // alignment marker; the rest of its byte is zero
        putBits(0, (8 - (out_.count & 7)) & 7);
    }
    while (out_.count > 0) {
        storeByte(static_cast<uint8_t>(out_.bits));
        out_.bits >>= 8;
        out_.count -= 8;
    }
}

bool TokenSink::finish() {
    alignToByte();
    return !bFailed_;
}

// ---- blocks ---------------------------------------------------------

bool TokenSink::flush() {
    bool bAllLiterals = state_.literalCount == static_cast<uint32_t>(pWrite_ - pTokens_);
    bool bOk = bAllLiterals ? storedBlocks() : huffmanBlock();
    startBlock();
    return bOk && !bFailed_;
}

bool TokenSink::storedBlocks() {
    alignToByte();
    for (const Token *pToken = pTokens_; pToken < pWrite_;) {
        size_t run = static_cast<size_t>(pWrite_ - pToken);
        run = run < kMaxStoredLen ? run : kMaxStoredLen;
        uint32_t header = 1u | static_cast<uint32_t>((run - 1) << 1);
        storeByte(static_cast<uint8_t>(header));
        storeByte(static_cast<uint8_t>(header >> 8));
        for (const Token *pEnd = pToken + run; pToken < pEnd && !bFailed_;) {
            if (out_.cursor == out_.end) {
                storeByte(static_cast<uint8_t>((pToken++)->value));
                continue;
            }
            size_t n = static_cast<size_t>(pEnd - pToken);
            size_t room = static_cast<size_t>(out_.end - out_.cursor);
            n = n < room ? n : room;
            for (size_t i = 0; i < n; ++i) {
                out_.cursor[i] = static_cast<uint8_t>(pToken[i].value);
            }
            out_.cursor += n;
            pToken += n;
        }
        if (bFailed_) {
            return false;
        }
    }
    return true;
}

bool TokenSink::huffmanBlock() {
    putBits(0, 1);
    int litMax = 0;
    int distMax = -1;
    buildTree(state_.litLenDesc, &litMax);
    scanLengths(state_.litLenTree, litMax + 1);
    buildTree(state_.distDesc, &distMax);
    scanLengths(state_.distTree, distMax + 1);
    int codeLenMax = 0;
    buildTree(state_.codeLenDesc, &codeLenMax);
    int last = static_cast<int>(kCodeLenSymbols) - 1;
    while (last > 3 && state_.codeLenTree[kCodeLenOrder[last]].parentOrLength == 0) {
        --last;
    }
    putBits(static_cast<uint32_t>(last - 3), 4);
    for (int i = 0; i <= last; ++i) {
        putBits(state_.codeLenTree[kCodeLenOrder[i]].parentOrLength, 3);
    }
    putBits(static_cast<uint32_t>(litMax + 1 - 257), 5);
    putBits(static_cast<uint32_t>(distMax), 6);
    sendLengths(state_.litLenTree, litMax + 1);
    sendLengths(state_.distTree, distMax + 1);
    for (const Token *pToken = pTokens_; pToken < pWrite_ && !bFailed_; ++pToken) {
        if (pToken->distance == 0) {
            putCode(state_.litLenTree[pToken->value]);
            continue;
        }
        unsigned lengthCode = kLengthCode[pToken->value];
        putCode(state_.litLenTree[257 + lengthCode]);
        const SymbolRange &lengthRange = kLengthRanges[lengthCode];
        putBits(pToken->value + kMinMatch - lengthRange.base, lengthRange.extraBits);
        unsigned distCode = distSymbol(pToken->distance);
        putCode(state_.distTree[distCode]);
        const SymbolRange &distRange = kDistRanges[distCode];
        putBits(pToken->distance - distRange.base, distRange.extraBits);
    }
    putCode(state_.litLenTree[kEndOfBlock]);
    return !bFailed_;
}

// ---- code construction ----------------------------------------------

void TokenSink::siftDown(const uint32_t *pKeys, int k) {
    uint16_t *pHeap = state_.heap;
    const int heapLength = state_.heapLength;
    unsigned v = pHeap[k];
    uint32_t key = pKeys[v];
    int j = k << 1;
    while (j <= heapLength) {
        if (j < heapLength && pKeys[pHeap[j + 1]] <= pKeys[pHeap[j]]) {
            ++j;
        }
        if (key <= pKeys[pHeap[j]]) {
            break;
        }
        pHeap[k] = pHeap[j];
        k = j;
        j <<= 1;
    }
    pHeap[k] = static_cast<uint16_t>(v);
}

// Huffman tree of the leaves' frequencies, lengths limited to the
// descriptor's maximum, canonical codes stored bit-reversed. The heap and
// its keys are shared by the three steps (heap, merge, codes), hence one
// function.
void TokenSink::buildTree(TreeDesc &desc, int *pMaxCode) {
    TreeNode *pTree = desc.pTree;
    uint16_t *pHeap = state_.heap;
    uint16_t *pDepth = state_.depth;
    uint32_t keys[kHeapSize];
    int maxCode = -1;
    state_.heapLength = 0;
    state_.heapTop = static_cast<int32_t>(kHeapSize);
    for (int n = 0; n < desc.leafCount; ++n) {
        if (pTree[n].freqOrCode != 0) {
            pHeap[++state_.heapLength] = static_cast<uint16_t>(n);
            maxCode = n;
            pDepth[n] = 0;
            keys[n] = heapKey(pTree[n].freqOrCode, 0);
        } else {
            pTree[n].parentOrLength = 0;
        }
    }
    while (state_.heapLength < 2) {
        int node = maxCode < 2 ? ++maxCode : 0;
        pHeap[++state_.heapLength] = static_cast<uint16_t>(node);
        pTree[node].freqOrCode = 1;
        pDepth[node] = 0;
        keys[node] = heapKey(1, 0);
    }
    for (int n = state_.heapLength / 2; n >= 1; --n) {
        siftDown(keys, n);
    }
    int node = desc.leafCount;
    do {
        unsigned n = pHeap[1];
        pHeap[1] = pHeap[state_.heapLength--];
        siftDown(keys, 1);
        unsigned m = pHeap[1];
        pHeap[--state_.heapTop] = static_cast<uint16_t>(n);
        pHeap[--state_.heapTop] = static_cast<uint16_t>(m);
        pTree[node].freqOrCode = static_cast<uint16_t>(pTree[n].freqOrCode + pTree[m].freqOrCode);
        unsigned deeper = pDepth[n] >= pDepth[m] ? pDepth[n] : pDepth[m];
        pDepth[node] = static_cast<uint16_t>((deeper + 1) & 0xFF);
        keys[node] = heapKey(pTree[node].freqOrCode, pDepth[node]);
        pTree[n].parentOrLength = pTree[m].parentOrLength = static_cast<uint16_t>(node);
        pHeap[1] = static_cast<uint16_t>(node++);
        siftDown(keys, 1);
    } while (state_.heapLength >= 2);
    pHeap[--state_.heapTop] = pHeap[1];

    uint16_t lengthCounts[kMaxCodeBits + 1] = {};
    generateLengths(desc, maxCode, lengthCounts);
    uint16_t nextCode[kMaxCodeBits + 1] = {};
    unsigned code = 0;
    for (unsigned bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = (code + lengthCounts[bits - 1]) << 1;
        nextCode[bits] = static_cast<uint16_t>(code);
    }
    for (int n = 0; n <= maxCode; ++n) {
        unsigned len = pTree[n].parentOrLength;
        if (len != 0) {
            pTree[n].freqOrCode = static_cast<uint16_t>(reverseBits(nextCode[len]++, len));
        }
    }
    *pMaxCode = maxCode;
}

void TokenSink::generateLengths(TreeDesc &desc, int maxCode, uint16_t *pLengthCounts) {
    TreeNode *pTree = desc.pTree;
    const uint16_t *pHeap = state_.heap;
    const unsigned maxBits = desc.maxBits;
    int overflow = 0;
    pTree[pHeap[state_.heapTop]].parentOrLength = 0; // the root
    int h = state_.heapTop + 1;
    for (; h < static_cast<int>(kHeapSize); ++h) {
        unsigned n = pHeap[h];
        unsigned bits = pTree[pTree[n].parentOrLength].parentOrLength + 1u;
        if (bits > maxBits) {
            bits = maxBits;
            ++overflow;
        }
        pTree[n].parentOrLength = static_cast<uint16_t>(bits);
        if (static_cast<int>(n) <= maxCode) {
            ++pLengthCounts[bits];
        }
    }
    if (overflow == 0) {
        return;
    }
    do {
        unsigned bits = maxBits - 1;
        while (pLengthCounts[bits] == 0) {
            --bits;
        }
        --pLengthCounts[bits];
        pLengthCounts[bits + 1] = static_cast<uint16_t>(pLengthCounts[bits + 1] + 2);
        --pLengthCounts[maxBits];
        overflow -= 2;
    } while (overflow > 0);
    for (unsigned bits = maxBits; bits != 0; --bits) {
        unsigned n = pLengthCounts[bits];
        while (n != 0) {
            unsigned m = pHeap[--h];
            if (static_cast<int>(m) > maxCode) {
                continue;
            }
            pTree[m].parentOrLength = static_cast<uint16_t>(bits);
            --n;
        }
    }
}

namespace {

// Run-length walk over one sequence of code lengths, shared by the
// statistics pass and the writing pass. `emit(symbol, extraValue)`
// receives code-length symbols 0..18.
template <typename Emit> void walkLengths(const TreeNode *pTree, int count, Emit emit) {
    int prevLength = -1;
    int nextLength = count > 0 ? pTree[0].parentOrLength : 0;
    int run = 0;
    int maxRun = nextLength == 0 ? 138 : 7;
    int minRun = nextLength == 0 ? 3 : 4;
    for (int n = 0; n < count; ++n) {
        int length = nextLength;
        nextLength = n + 1 < count ? pTree[n + 1].parentOrLength : 0xFFFF;
        if (++run < maxRun && length == nextLength) {
            continue;
        }
        if (run < minRun) {
            for (; run > 0; --run) {
                emit(length, 0);
            }
        } else if (length != 0) {
            if (length != prevLength) {
                emit(length, 0);
                --run;
            }
            emit(16, run - 3);
        } else if (run <= 10) {
            emit(17, run - 3);
        } else {
            emit(18, run - 11);
        }
        run = 0;
        prevLength = length;
        if (nextLength == 0) {
            maxRun = 138;
            minRun = 3;
        } else if (length == nextLength) {
            maxRun = 6;
            minRun = 3;
        } else {
            maxRun = 7;
            minRun = 4;
        }
    }
}

} // namespace

void TokenSink::scanLengths(const TreeNode *pTree, int count) {
    TreeNode *pCodeLen = state_.codeLenTree;
    walkLengths(pTree, count, [pCodeLen](int symbol, int) { ++pCodeLen[symbol].freqOrCode; });
}

void TokenSink::sendLengths(const TreeNode *pTree, int count) {
    static constexpr uint8_t kRepeatBits[3] = {2, 3, 7};
    walkLengths(pTree, count, [this](int symbol, int extra) {
        putCode(state_.codeLenTree[symbol]);
        if (symbol >= 16) {
            putBits(static_cast<uint32_t>(extra), kRepeatBits[symbol - 16]);
        }
    });
}

} // namespace famb
