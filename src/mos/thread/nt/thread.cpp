// Threads on Win32.
#include "os_thread.h"

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

// Fiber-local slots call back through a WINAPI function of their own; one
// per key, each handing the value to the key's callback.
constexpr uint32_t kMaxKeys = 4;
OsThreadExitCK keyExitCKs_G[kMaxKeys];
uint32_t numKeys_G = 0;

template <uint32_t I> VOID WINAPI flsExit(PVOID pValue) {
    OsThreadExitCK pExitCK = __atomic_load_n(&keyExitCKs_G[I], __ATOMIC_ACQUIRE);
    if (pValue != nullptr && pExitCK != nullptr) {
        pExitCK(pValue);
    }
}

constexpr PFLS_CALLBACK_FUNCTION kFlsExits[kMaxKeys] = {flsExit<0>, flsExit<1>, flsExit<2>,
                                                        flsExit<3>};

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

MOS_RC osThread_KeyCreate(OsThreadKey *pKey, OsThreadExitCK pExitCK) {
    const uint32_t i = __atomic_fetch_add(&numKeys_G, 1, __ATOMIC_RELAXED);
    if (i >= kMaxKeys) {
        return MOS_RC__NO_RESOURCES;
    }
    __atomic_store_n(&keyExitCKs_G[i], pExitCK, __ATOMIC_RELEASE);
    const DWORD index = FlsAlloc(kFlsExits[i]);
    if (index == FLS_OUT_OF_INDEXES) {
        return MOS_RC__NO_RESOURCES;
    }
    *pKey = index;
    return MOS_RC__SUCCESS;
}

void *osThread_KeyGet(OsThreadKey key) {
    return FlsGetValue(static_cast<DWORD>(key));
}

void osThread_KeySet(OsThreadKey key, void *pValue) {
    const BOOL bSet = FlsSetValue(static_cast<DWORD>(key), pValue);
    MOS_ASSERT(bSet);
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
