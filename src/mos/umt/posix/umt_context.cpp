// User-mode-thread contexts on Linux x86-64: a small assembly save and
// restore with the same ten slots as the Windows side (rdi and rsi are not
// callee-saved here, keeping them costs two moves), and the fiber hand-offs
// the address and thread sanitizers need to follow a stack switch.
#include "os_umt_context.h"

#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__)
#define MOS_UMT_ASAN 1
#endif
#if defined(__SANITIZE_THREAD__)
#define MOS_UMT_TSAN 1
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOS_UMT_ASAN 1
#endif
#if __has_feature(thread_sanitizer)
#define MOS_UMT_TSAN 1
#endif
#endif

#if defined(MOS_UMT_ASAN)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif
#if defined(MOS_UMT_TSAN)
#include <sanitizer/tsan_interface.h>
#endif

// The restore pops the return address the save call was entered with (it
// may have been overwritten since) and jumps to the saved copy. A new
// context starts in the trampoline with its entry in r12 and argument in
// rbx.
asm(R"(
    .pushsection .text
    .globl mosUmt_SaveContext
    .type mosUmt_SaveContext, @function
mosUmt_SaveContext:
    movq %rbx, 0(%rdi)
    movq %rsp, 8(%rdi)
    movq %rbp, 16(%rdi)
    movq %r12, 24(%rdi)
    movq %r13, 32(%rdi)
    movq %r14, 40(%rdi)
    movq %r15, 48(%rdi)
    movq (%rsp), %rax
    movq %rax, 56(%rdi)
    movq %rdi, 64(%rdi)
    movq %rsi, 72(%rdi)
    xorl %eax, %eax
    ret
    .size mosUmt_SaveContext, .-mosUmt_SaveContext

    .globl mosUmt_RestoreContext
    .type mosUmt_RestoreContext, @function
mosUmt_RestoreContext:
    movq 0(%rdi), %rbx
    movq 8(%rdi), %rsp
    addq $8, %rsp
    movq 16(%rdi), %rbp
    movq 24(%rdi), %r12
    movq 32(%rdi), %r13
    movq 40(%rdi), %r14
    movq 48(%rdi), %r15
    movq 56(%rdi), %r11
    movq 72(%rdi), %rsi
    movq 64(%rdi), %rdi
    movl $1, %eax
    jmp *%r11
    .size mosUmt_RestoreContext, .-mosUmt_RestoreContext

    .globl mosUmt_GetStackPointer
    .type mosUmt_GetStackPointer, @function
mosUmt_GetStackPointer:
    leaq 8(%rsp), %rax
    ret
    .size mosUmt_GetStackPointer, .-mosUmt_GetStackPointer

    .type mosUmt_Trampoline, @function
mosUmt_Trampoline:
    movq %rbx, %rdi
    andq $-16, %rsp
    callq *%r12
    ud2
    .size mosUmt_Trampoline, .-mosUmt_Trampoline
    .popsection
)");

extern "C" void mosUmt_Trampoline();

void osUmtCtx_Prepare(MosUmtSaveArea *pArea, void *pStackLow, size_t stackBytes, OsUmtEntry pEntry,
                      void *pArg) {
    *pArea = {};
    uintptr_t top = (reinterpret_cast<uintptr_t>(pStackLow) + stackBytes) & ~uintptr_t{15};
    pArea->regs[0] = reinterpret_cast<uintptr_t>(pArg);
    pArea->regs[1] = top - 16;
    pArea->regs[3] = reinterpret_cast<uintptr_t>(pEntry);
    pArea->regs[7] = reinterpret_cast<uintptr_t>(&mosUmt_Trampoline);
}

void osUmtFiber_InitForStack(OsUmtFiber *pFiber, const void *pStackLow, size_t stackBytes) {
    *pFiber = {};
    pFiber->pStackLow = pStackLow;
    pFiber->stackBytes = stackBytes;
#if defined(MOS_UMT_TSAN)
    pFiber->pTsanFiber = __tsan_create_fiber(0);
    pFiber->bOwnsTsanFiber = 1;
#endif
}

void osUmtFiber_InitForThread(OsUmtFiber *pFiber) {
    *pFiber = {};
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        void *pLow = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attr, &pLow, &size) == 0) {
            pFiber->pStackLow = pLow;
            pFiber->stackBytes = size;
        }
        pthread_attr_destroy(&attr);
    }
#if defined(MOS_UMT_TSAN)
    pFiber->pTsanFiber = __tsan_get_current_fiber();
#endif
}

void osUmtFiber_Destroy(OsUmtFiber *pFiber) {
#if defined(MOS_UMT_ASAN)
    // Frames abandoned by the last switch leave their red zones behind.
    __asan_unpoison_memory_region(pFiber->pStackLow, pFiber->stackBytes);
#endif
#if defined(MOS_UMT_TSAN)
    if (pFiber->bOwnsTsanFiber != 0) {
        __tsan_destroy_fiber(pFiber->pTsanFiber);
    }
#endif
    *pFiber = {};
}

void osUmtFiber_Leave(OsUmtFiber *pFrom, const OsUmtFiber *pTo, bool bFromEnds) {
#if defined(MOS_UMT_ASAN)
    __sanitizer_start_switch_fiber(bFromEnds ? nullptr : &pFrom->pFakeStack, pTo->pStackLow,
                                   pTo->stackBytes);
#endif
#if defined(MOS_UMT_TSAN)
    __tsan_switch_to_fiber(pTo->pTsanFiber, 0);
#endif
    (void)pFrom;
    (void)pTo;
    (void)bFromEnds;
}

void osUmtFiber_Arrive(OsUmtFiber *pSelf) {
#if defined(MOS_UMT_ASAN)
    __sanitizer_finish_switch_fiber(pSelf->pFakeStack, nullptr, nullptr);
#endif
    (void)pSelf;
}
