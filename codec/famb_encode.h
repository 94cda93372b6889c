// Family B encoder core: token gathering, per-block canonical Huffman code
// construction and the bit writer. The match finders (famb_match.h) feed
// tokens through a TokenSink; the sink flushes a block whenever the token
// buffer fills and at the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "famb_tables.h"

namespace famb {

// Tree node: for a leaf, frequency then bit-reversed code in the first
// word, parent then code length in the second.
struct TreeNode {
    uint16_t freqOrCode;
    uint16_t parentOrLength;
};
static_assert(sizeof(TreeNode) == 4);

struct TreeDesc {
    TreeNode *pTree;
    uint16_t leafCount;
    uint16_t maxBits;
};

struct Token {
    uint16_t distance; // 0 for a literal
    uint16_t value;    // the literal byte, or the match length minus 4

    bool operator==(const Token &) const = default;
};
static_assert(sizeof(Token) == 4);

inline constexpr unsigned kHeapSize = 2 * kLitLenSymbols + 2; // 574
inline constexpr unsigned kTokenCapacity = 32768;

// Code-construction scratch and block statistics kept in the context.
struct BlockState {
    uint16_t heap[kHeapSize];
    uint16_t depth[kHeapSize];
    int32_t heapLength;
    int32_t heapTop;
    uint32_t hashShift;
    uint32_t literalCount;
    TreeNode litLenTree[kHeapSize];
    TreeNode distTree[2 * kDistSymbols + 2];
    TreeNode codeLenTree[2 * kCodeLenSymbols + 1];
    TreeDesc codeLenDesc;
    TreeDesc distDesc;
    TreeDesc litLenDesc;
};

struct BitWriter {
    uint8_t *cursor;
    uint8_t *end;
    uint64_t bits;
    unsigned count;
};

struct EncodePort {
    void *self;
    // Moves the output to its next piece; false when there is none.
    bool (*nextOutput)(void *self, uint8_t **pCursor, uint8_t **pEnd);
};

// Fills in the three tree descriptors.
void initTrees(BlockState *pState);

// Gathers tokens into the caller's token buffer and writes blocks.
class TokenSink {
  public:
    TokenSink(BlockState &state, Token *pTokens, BitWriter &out, const EncodePort &port)
        : state_(state), pTokens_(pTokens), pWrite_(pTokens), out_(out), port_(port) {}

    void startBlock();
    [[nodiscard]] bool literal(uint8_t value) {
        if (pWrite_ == pTokens_ + kTokenCapacity && !flush()) {
            return false;
        }
        *pWrite_++ = {0, value};
        ++state_.litLenTree[value].freqOrCode;
        ++state_.literalCount;
        return true;
    }
    [[nodiscard]] bool literals(const uint8_t *pFrom, const uint8_t *pTo) {
        for (; pFrom < pTo; ++pFrom) {
            if (!literal(*pFrom)) {
                return false;
            }
        }
        return true;
    }
    // One match token: distance 1..65535, length 4..260.
    [[nodiscard]] bool match(uint32_t distance, uint32_t length);
    // Emits the pending literals [*ppLiteralStart, pMatch), then a match of
    // `length` bytes as tokens of at most 260; a rest below 4 stays pending.
    // Advances *ppLiteralStart past what was emitted.
    [[nodiscard]] bool matchRun(const uint8_t **ppLiteralStart, const uint8_t *pMatch,
                                uint32_t distance, uint32_t length);
    // Writes the gathered tokens as one block (or stored blocks) and
    // starts the next block. False when the output ran out.
    [[nodiscard]] bool flush();
    [[nodiscard]] bool hasTokens() const { return pWrite_ != pTokens_; }
    [[nodiscard]] size_t tokenCount() const { return size_t(pWrite_ - pTokens_); }
    // Ends the stream at a byte boundary (alignment marker when needed) and
    // stores the last bits. False when the output ran out.
    [[nodiscard]] bool finish();

  private:
    [[nodiscard]] bool storedBlocks();
    [[nodiscard]] bool huffmanBlock();
    void buildTree(TreeDesc &desc, int *pMaxCode);
    void siftDown(const uint32_t *pKeys, int k);
    void generateLengths(TreeDesc &desc, int maxCode, uint16_t *pLengthCounts);
    void scanLengths(const TreeNode *pTree, int count);
    void sendLengths(const TreeNode *pTree, int count);
    void putBits(uint32_t value, unsigned bits) {
        out_.bits |= uint64_t{value} << out_.count;
        out_.count += bits;
        if (out_.count >= 32) {
            storeWord();
        }
    }
    void putCode(const TreeNode &node) { putBits(node.freqOrCode, node.parentOrLength); }
    void storeWord();
    void alignToByte();
    void storeByte(uint8_t value);

    BlockState &state_;
    Token *pTokens_;
    Token *pWrite_;
    BitWriter &out_;
    const EncodePort &port_;
    bool bFailed_ = false;
};

} // namespace famb
