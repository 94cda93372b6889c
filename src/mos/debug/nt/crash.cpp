#include "os_crash.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <dbghelp.h>
#include <io.h>

namespace {

std::atomic<OsCrashFilterCK> pFilter_G{nullptr};
PVOID hHandler_G = nullptr;

struct FilterCall {
    OsCrashFilterCK pFilter;
    const OsCrashInfo *pInfo;
};

DWORD WINAPI filterOnOwnStack(LPVOID pArg) {
    auto *pCall = static_cast<FilterCall *>(pArg);
    pCall->pFilter(pCall->pInfo);
    return 0;
}

LONG CALLBACK vectoredHandler(EXCEPTION_POINTERS *pPointers) {
    OsCrashFilterCK pFilter = pFilter_G.load();
    if (pFilter == nullptr) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    OsCrashInfo info{};
    info.code = pPointers->ExceptionRecord->ExceptionCode;
    info.pIp = reinterpret_cast<void *>(pPointers->ContextRecord->Rip);
    info.pContext = pPointers->ContextRecord;
    if (info.code == static_cast<uint32_t>(EXCEPTION_STACK_OVERFLOW)) {
        // Too little stack is left here for the panic path: it runs on a
        // thread of its own while this one waits.
        FilterCall call{pFilter, &info};
        HANDLE hThread = CreateThread(nullptr, 0, filterOnOwnStack, &call, 0, nullptr);
        if (hThread != nullptr) {
            WaitForSingleObject(hThread, INFINITE);
            CloseHandle(hThread);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    pFilter(&info);
    return EXCEPTION_CONTINUE_SEARCH;
}

MINIDUMP_TYPE dumpType(uint32_t kind) {
    switch (kind) {
        case 1:
            return MiniDumpNormal;
        case 2:
            return MiniDumpWithDataSegs;
        case 3:
            return static_cast<MINIDUMP_TYPE>(MiniDumpWithDataSegs |
                                              MiniDumpWithPrivateReadWriteMemory);
        default:
            return MiniDumpWithFullMemory;
    }
}

} // namespace

bool osCrash_FilterRunsInSignalHandler() {
    return false;
}

void osCrash_InstallFilter(OsCrashFilterCK pFilter) {
    pFilter_G.store(pFilter);
    osCrash_PrepareThread();
    if (hHandler_G == nullptr) {
        hHandler_G = AddVectoredExceptionHandler(0, vectoredHandler);
    }
}

void osCrash_RemoveFilter() {
    if (hHandler_G != nullptr) {
        RemoveVectoredExceptionHandler(hHandler_G);
        hHandler_G = nullptr;
    }
    pFilter_G.store(nullptr);
}

void osCrash_PrepareThread() {
    // Stack kept back for the handler when the thread's stack runs out.
    ULONG guaranteeBytes = 64 * 1024;
    SetThreadStackGuarantee(&guaranteeBytes);
}

void osCrash_ReleaseThread() {}

MOS_RC osCrash_WriteDump(const char *pPath, uint32_t kind, const OsCrashInfo * /*pInfo*/) {
    HANDLE hFile = CreateFileA(pPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return MOS_RC__ERROR;
    }
    BOOL bOk = MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), hFile, dumpType(kind),
                                 nullptr, nullptr, nullptr);
    CloseHandle(hFile);
    return bOk ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}

void osCrash_WriteBacktrace(int fd) {
    void *frames[64];
    USHORT count = CaptureStackBackTrace(0, 64, frames, nullptr);
    for (USHORT i = 0; i < count; i++) {
        char line[64];
        int len = snprintf(line, sizeof(line), "#%u %p\n", static_cast<unsigned>(i), frames[i]);
        if (len > 0 && static_cast<size_t>(len) < sizeof(line)) {
            (void)_write(fd, line, static_cast<unsigned>(len));
        }
    }
}

uint64_t osCrash_GetThreadId() {
    return GetCurrentThreadId();
}
