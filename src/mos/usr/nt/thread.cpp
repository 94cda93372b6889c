// Threads on Win32.
#include "usr/os_thread.h"

#include "mos_debug.h"

#include <windows.h>

#include <new>

namespace {

struct StartBlock {
    OsThreadRoutine pRoutine;
    void *pArg;
};

DWORD WINAPI trampoline(LPVOID pParam) {
    StartBlock block = *static_cast<StartBlock *>(pParam);
    delete static_cast<StartBlock *>(pParam);
    block.pRoutine(block.pArg);
    return 0;
}

} // namespace

thread_local constinit uint32_t osThread_tlsTid_G = 0;

uint32_t osThread_GetCurrentId() {
    uint32_t tid = static_cast<uint32_t>(GetCurrentThreadId());
    osThread_tlsTid_G = tid;
    return tid;
}

MOS_RC osThread_Create(OsThreadHandle *pHandle, OsThreadRoutine pRoutine, void *pArg,
                       uint32_t stackBytes) {
    auto *pBlock = new (std::nothrow) StartBlock{pRoutine, pArg};
    if (pBlock == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    HANDLE hThread = CreateThread(nullptr, stackBytes, trampoline, pBlock,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (hThread == nullptr) {
        delete pBlock;
        return MOS_RC__NO_RESOURCES;
    }
    *pHandle = reinterpret_cast<OsThreadHandle>(hThread);
    return MOS_RC__SUCCESS;
}

void osThread_Join(OsThreadHandle handle) {
    HANDLE hThread = reinterpret_cast<HANDLE>(handle);
    DWORD waitRC = WaitForSingleObject(hThread, INFINITE);
    if (waitRC != WAIT_OBJECT_0) {
        mosDbg_Panic("", __FILE__, "mosOsThrd_Destroy", "waitRC == ((((DWORD )0x00000000L) ) + 0 )",
                     "", __LINE__);
        mosDbg_AssertExit();
    }
    CloseHandle(hThread);
}

void osThread_SleepMs(uint32_t ms) {
    Sleep(ms);
}
