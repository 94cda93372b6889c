#include "os_crash.h"

#include "mos_utils.h"

#include <atomic>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};
std::atomic<OsCrashFilterCK> pFilter_G{nullptr};
thread_local void *pAltStack_G = nullptr;

uint32_t toExceptionCode(int sig, int siCode) {
    switch (sig) {
        case SIGSEGV:
        case SIGBUS:
            return 0xC0000005u; // access violation
        case SIGILL:
            return 0xC000001Du; // illegal instruction
        case SIGTRAP:
            return 0x80000003u; // breakpoint
        case SIGFPE:
            if (siCode == FPE_INTDIV) {
                return 0xC0000094u;
            }
            if (siCode == FPE_INTOVF) {
                return 0xC0000095u;
            }
            return siCode == FPE_FLTDIV ? 0xC000008Eu : 0xC0000090u;
        default:
            return 0xC0000005u;
    }
}

void restoreDefault(int sig) {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

void crashHandler(int sig, siginfo_t *pSigInfo, void *pContext) {
    OsCrashInfo info{};
    info.code = toExceptionCode(sig, pSigInfo->si_code);
    info.signalNumber = sig;
    info.pContext = pContext;
    const auto *pUc = static_cast<const ucontext_t *>(pContext);
    info.pIp = reinterpret_cast<void *>(pUc->uc_mcontext.gregs[REG_RIP]);
    // A fault just below the stack pointer is the stack running out, which
    // Windows reports under its own code.
    auto sp = static_cast<uintptr_t>(pUc->uc_mcontext.gregs[REG_RSP]);
    auto faultAddr = reinterpret_cast<uintptr_t>(pSigInfo->si_addr);
    constexpr uintptr_t STACK_FAULT_SPAN = 64 * 1024;
    if (sig == SIGSEGV && faultAddr < sp + STACK_FAULT_SPAN && faultAddr + STACK_FAULT_SPAN > sp) {
        info.code = 0xC00000FDu; // stack overflow
    }
    OsCrashFilterCK pFilter = pFilter_G.load();
    if (pFilter == nullptr || pFilter(&info)) {
        // Passed on: the default action runs when the instruction repeats.
        restoreDefault(sig);
    }
}

void writeAll(int fd, const char *pText, size_t len) {
    while (len > 0) {
        ssize_t n = write(fd, pText, len);
        if (n <= 0) {
            return;
        }
        pText += n;
        len -= static_cast<size_t>(n);
    }
}

// Runs inside the signal handler: the runtime's own formatter, not printf.
void writeFormat(int fd, const char *pFormat, ...) __attribute__((format(printf, 2, 3)));
void writeFormat(int fd, const char *pFormat, ...) {
    char buf[512];
    va_list args;
    va_start(args, pFormat);
    int len = mos_SafeVsnprintf(buf, sizeof(buf), pFormat, args);
    va_end(args);
    writeAll(fd, buf, static_cast<size_t>(len));
}

void writeRegisters(int fd, const ucontext_t *pUc) {
    static const struct {
        const char *pName;
        int index;
    } regs[] = {{"rip", REG_RIP}, {"rsp", REG_RSP}, {"rbp", REG_RBP}, {"rax", REG_RAX},
                {"rbx", REG_RBX}, {"rcx", REG_RCX}, {"rdx", REG_RDX}, {"rsi", REG_RSI},
                {"rdi", REG_RDI}, {"r8", REG_R8},   {"r9", REG_R9},   {"r10", REG_R10},
                {"r11", REG_R11}, {"r12", REG_R12}, {"r13", REG_R13}, {"r14", REG_R14},
                {"r15", REG_R15}, {"efl", REG_EFL}};
    writeFormat(fd, "Registers:\n");
    for (const auto &r : regs) {
        writeFormat(fd, "  %-4s 0x%016llx\n", r.pName,
                    static_cast<unsigned long long>(pUc->uc_mcontext.gregs[r.index]));
    }
}

void copyMemoryMap(int fd) {
    writeFormat(fd, "Memory map:\n");
    int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0) {
        return;
    }
    char buf[4096];
    ssize_t n;
    while ((n = read(maps, buf, sizeof(buf))) > 0) {
        writeAll(fd, buf, static_cast<size_t>(n));
    }
    close(maps);
}

} // namespace

bool osCrash_FilterRunsInSignalHandler() {
    return true;
}

void osCrash_InstallFilter(OsCrashFilterCK pFilter) {
    pFilter_G.store(pFilter);
    osCrash_PrepareThread();
    // The first backtrace loads the unwinder, which allocates: done here,
    // so that the crash path's backtrace does not.
    void *frames[4];
    (void)backtrace(frames, 4);
    struct sigaction sa {};
    sa.sa_sigaction = crashHandler;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : CRASH_SIGNALS) {
        sigaction(sig, &sa, nullptr);
    }
}

void osCrash_RemoveFilter() {
    for (int sig : CRASH_SIGNALS) {
        restoreDefault(sig);
    }
    pFilter_G.store(nullptr);
}

void osCrash_PrepareThread() {
    if (pAltStack_G != nullptr) {
        return;
    }
    // Large enough for the filter's formatting and the panic path.
    constexpr size_t ALT_STACK_BYTES = 256 * 1024;
    pAltStack_G = malloc(ALT_STACK_BYTES);
    if (pAltStack_G == nullptr) {
        return;
    }
    stack_t ss{};
    ss.ss_sp = pAltStack_G;
    ss.ss_size = ALT_STACK_BYTES;
    if (sigaltstack(&ss, nullptr) != 0) {
        free(pAltStack_G);
        pAltStack_G = nullptr;
    }
}

void osCrash_ReleaseThread() {
    if (pAltStack_G == nullptr) {
        return;
    }
    stack_t ss{};
    ss.ss_flags = SS_DISABLE;
    sigaltstack(&ss, nullptr);
    free(pAltStack_G);
    pAltStack_G = nullptr;
}

MOS_RC osCrash_WriteDump(const char *pPath, uint32_t kind, const OsCrashInfo *pInfo) {
    int fd = open(pPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return MOS_RC__ERROR;
    }
    writeFormat(fd, "MOS crash dump\nKind: %u\nProcess: %d\nThread: %llu\n", kind,
                static_cast<int>(getpid()), static_cast<unsigned long long>(osCrash_GetThreadId()));
    if (pInfo != nullptr) {
        writeFormat(fd, "Signal: %d\nException code: 0x%x\nIP: %p\n", pInfo->signalNumber,
                    pInfo->code, pInfo->pIp);
        if (pInfo->pContext != nullptr) {
            writeRegisters(fd, static_cast<const ucontext_t *>(pInfo->pContext));
        }
    } else {
        writeFormat(fd, "Signal: 0\n");
    }
    copyMemoryMap(fd);
    return close(fd) == 0 ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}

void osCrash_WriteBacktrace(int fd) {
    void *frames[64];
    int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
}

uint64_t osCrash_GetThreadId() {
    return static_cast<uint64_t>(syscall(SYS_gettid));
}
