// User-mode-thread contexts on Windows x64: the ten-slot save and restore,
// plus what the x64 convention and the system's unwinder expect to survive
// a switch: the callee-saved xmm6-xmm15 and the thread block's stack base
// and limit (gs:0x08, gs:0x10), which must describe the stack that runs.
#include "os_umt_context.h"

asm(R"(
    .text
    .globl mosUmt_SaveContext
    .def mosUmt_SaveContext; .scl 2; .type 32; .endef
mosUmt_SaveContext:
    movq %rbx, 0(%rcx)
    movq %rsp, 8(%rcx)
    movq %rbp, 16(%rcx)
    movq %r12, 24(%rcx)
    movq %r13, 32(%rcx)
    movq %r14, 40(%rcx)
    movq %r15, 48(%rcx)
    movq (%rsp), %rax
    movq %rax, 56(%rcx)
    movq %rdi, 64(%rcx)
    movq %rsi, 72(%rcx)
    movdqu %xmm6, 80(%rcx)
    movdqu %xmm7, 96(%rcx)
    movdqu %xmm8, 112(%rcx)
    movdqu %xmm9, 128(%rcx)
    movdqu %xmm10, 144(%rcx)
    movdqu %xmm11, 160(%rcx)
    movdqu %xmm12, 176(%rcx)
    movdqu %xmm13, 192(%rcx)
    movdqu %xmm14, 208(%rcx)
    movdqu %xmm15, 224(%rcx)
    movq %gs:8, %rax
    movq %rax, 240(%rcx)
    movq %gs:16, %rax
    movq %rax, 248(%rcx)
    xorl %eax, %eax
    ret

    .globl mosUmt_RestoreContext
    .def mosUmt_RestoreContext; .scl 2; .type 32; .endef
mosUmt_RestoreContext:
    movq 240(%rcx), %rax
    movq %rax, %gs:8
    movq 248(%rcx), %rax
    movq %rax, %gs:16
    movdqu 80(%rcx), %xmm6
    movdqu 96(%rcx), %xmm7
    movdqu 112(%rcx), %xmm8
    movdqu 128(%rcx), %xmm9
    movdqu 144(%rcx), %xmm10
    movdqu 160(%rcx), %xmm11
    movdqu 176(%rcx), %xmm12
    movdqu 192(%rcx), %xmm13
    movdqu 208(%rcx), %xmm14
    movdqu 224(%rcx), %xmm15
    movq 0(%rcx), %rbx
    movq 8(%rcx), %rsp
    addq $8, %rsp
    movq 16(%rcx), %rbp
    movq 24(%rcx), %r12
    movq 32(%rcx), %r13
    movq 40(%rcx), %r14
    movq 48(%rcx), %r15
    movq 64(%rcx), %rdi
    movq 72(%rcx), %rsi
    movq 56(%rcx), %r11
    movl $1, %eax
    jmp *%r11

    .globl mosUmt_GetStackPointer
    .def mosUmt_GetStackPointer; .scl 2; .type 32; .endef
mosUmt_GetStackPointer:
    leaq 8(%rsp), %rax
    ret

    .def mosUmt_Trampoline; .scl 3; .type 32; .endef
mosUmt_Trampoline:
    movq %rbx, %rcx
    andq $-16, %rsp
    subq $32, %rsp
    callq *%r12
    ud2
)");

extern "C" void mosUmt_Trampoline();

void osUmtCtx_Prepare(MosUmtSaveArea *pArea, void *pStackLow, size_t stackBytes, OsUmtEntry pEntry,
                      void *pArg) {
    *pArea = {};
    uintptr_t low = reinterpret_cast<uintptr_t>(pStackLow);
    uintptr_t top = (low + stackBytes) & ~uintptr_t{15};
    pArea->regs[0] = reinterpret_cast<uintptr_t>(pArg);
    pArea->regs[1] = top - 16;
    pArea->regs[3] = reinterpret_cast<uintptr_t>(pEntry);
    pArea->regs[7] = reinterpret_cast<uintptr_t>(&mosUmt_Trampoline);
    pArea->ext[20] = top; // stack base
    pArea->ext[21] = low; // stack limit
}

// No sanitizer runs in the Windows build: the fiber records only keep the
// stack bounds.
void osUmtFiber_InitForStack(OsUmtFiber *pFiber, const void *pStackLow, size_t stackBytes) {
    *pFiber = {};
    pFiber->pStackLow = pStackLow;
    pFiber->stackBytes = stackBytes;
}

void osUmtFiber_InitForThread(OsUmtFiber *pFiber) {
    *pFiber = {};
}

void osUmtFiber_Destroy(OsUmtFiber *pFiber) {
    *pFiber = {};
}

void osUmtFiber_Leave(OsUmtFiber * /*pFrom*/, const OsUmtFiber * /*pTo*/, bool /*bFromEnds*/) {}

void osUmtFiber_Arrive(OsUmtFiber * /*pSelf*/) {}
