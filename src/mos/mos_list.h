// Intrusive doubly linked lists: {next, previous} nodes embedded in their
// owners' records and an anchor {first, last, counter}. In a list the first
// node's pPrev and the last node's pNext hold the end marker (all bits
// set); an unlinked node has both links null, and an empty anchor has both
// ends null. Callers keep the counter and check their own invariants; the
// helpers only move links.
#pragma once

#include <cstdint>

struct MosListNode {
    MosListNode *pNext;
    MosListNode *pPrev;
};

struct MosListAnchor {
    MosListNode *pFirst;
    MosListNode *pLast;
    uint32_t counter;
};

inline MosListNode *mosList_End() {
    return reinterpret_cast<MosListNode *>(~uintptr_t{0});
}

inline bool mosList_IsLinked(const MosListNode *pNode) {
    return pNode->pPrev != nullptr;
}

inline void mosList_Append(MosListAnchor *pAnchor, MosListNode *pNode) {
    pNode->pNext = mosList_End();
    if (pAnchor->pLast == nullptr) {
        pNode->pPrev = mosList_End();
        pAnchor->pFirst = pNode;
    } else {
        pNode->pPrev = pAnchor->pLast;
        pAnchor->pLast->pNext = pNode;
    }
    pAnchor->pLast = pNode;
}

inline void mosList_Prepend(MosListAnchor *pAnchor, MosListNode *pNode) {
    pNode->pPrev = mosList_End();
    if (pAnchor->pFirst == nullptr) {
        pNode->pNext = mosList_End();
        pAnchor->pLast = pNode;
    } else {
        pNode->pNext = pAnchor->pFirst;
        pAnchor->pFirst->pPrev = pNode;
    }
    pAnchor->pFirst = pNode;
}

// Unlinks a linked node and nulls its links.
inline void mosList_Unlink(MosListAnchor *pAnchor, MosListNode *pNode) {
    if (pNode->pPrev == mosList_End()) {
        pAnchor->pFirst = pNode->pNext == mosList_End() ? nullptr : pNode->pNext;
    } else {
        pNode->pPrev->pNext = pNode->pNext;
    }
    if (pNode->pNext == mosList_End()) {
        pAnchor->pLast = pNode->pPrev == mosList_End() ? nullptr : pNode->pPrev;
    } else {
        pNode->pNext->pPrev = pNode->pPrev;
    }
    pNode->pNext = nullptr;
    pNode->pPrev = nullptr;
}

// The node after pNode in its list, or null at the end.
inline MosListNode *mosList_Next(const MosListNode *pNode) {
    return pNode->pNext == mosList_End() ? nullptr : pNode->pNext;
}

// The node before pNode in its list, or null at the start.
inline MosListNode *mosList_Prev(const MosListNode *pNode) {
    return pNode->pPrev == mosList_End() ? nullptr : pNode->pPrev;
}
