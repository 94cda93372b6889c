// Operating-system seam of user-mode-thread contexts: saving and restoring
// the machine context of a cooperative thread, preparing the context of a
// new one on its own stack, and telling the sanitizers (on Linux) which
// stack runs now.
//
// The save area keeps the callee-saved general registers of the Windows
// x64 convention in ten slots (rbx, stack pointer at the save call's
// entry, rbp, r12-r15, the address the save call returns to, rdi, rsi);
// the Windows side also keeps xmm6-xmm15 and the thread block's stack
// bounds, which that convention and its unwinder rely on.
#pragma once

#include <cstddef>
#include <cstdint>

struct MosUmtSaveArea {
    uint64_t regs[10];
    uint64_t ext[22]; // Windows: xmm6-xmm15, stack base, stack limit
};
static_assert(sizeof(MosUmtSaveArea) == 256);
static_assert(offsetof(MosUmtSaveArea, ext) == 80);

extern "C" {
// setjmp-like: 0 after saving; 1 when mosUmt_RestoreContext resumed it.
// The caller's frame must still be live when the area is restored.
__attribute__((returns_twice)) uint32_t mosUmt_SaveContext(MosUmtSaveArea *pArea);
// Continues where pArea was saved (or prepared). Never returns.
[[noreturn]] void mosUmt_RestoreContext(const MosUmtSaveArea *pArea);
// The caller's stack pointer.
uintptr_t mosUmt_GetStackPointer();
}

typedef void (*OsUmtEntry)(void *pArg);

// Prepares pArea so that restoring it runs pEntry(pArg) on the stack
// [pStackLow, pStackLow + stackBytes). pEntry must never return.
void osUmtCtx_Prepare(MosUmtSaveArea *pArea, void *pStackLow, size_t stackBytes, OsUmtEntry pEntry,
                      void *pArg);

// What the sanitizers need to know of one stack that contexts run on.
struct OsUmtFiber {
    void *pFakeStack;        // address sanitizer's state while switched out
    void *pTsanFiber;        // thread sanitizer's fiber
    const void *pStackLow;   // lowest address of the stack
    size_t stackBytes;       // its size
    uint32_t bOwnsTsanFiber; // created here, destroyed by osUmtFiber_Destroy
};

// A fiber for a stack of our own (a new user-mode thread).
void osUmtFiber_InitForStack(OsUmtFiber *pFiber, const void *pStackLow, size_t stackBytes);
// The fiber of the calling operating-system thread's own stack.
void osUmtFiber_InitForThread(OsUmtFiber *pFiber);
// Called after the last switch away from it; also clears what the
// sanitizers marked on its stack, so the memory can be reused.
void osUmtFiber_Destroy(OsUmtFiber *pFiber);
// Right before restoring a context of pTo: bFromEnds when the stack being
// left will never run again.
void osUmtFiber_Leave(OsUmtFiber *pFrom, const OsUmtFiber *pTo, bool bFromEnds);
// First thing after a context of pSelf was restored.
void osUmtFiber_Arrive(OsUmtFiber *pSelf);
