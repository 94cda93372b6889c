// Portable part of the viewer's operating-system layer: the lock and the
// event the worker shares with its display thread, the display thread's
// start and its sleep, all built on the runtime library.
#include "sdbg_os.h"

#include "sdbg_exception.h"

#include "mos_sys_utils.h"

#include <chrono>
#include <climits>

namespace {
// Creator lines recorded with the locks, for the runtime's diagnostics.
constexpr uint32_t kMutexCreatorLine = 45;
constexpr uint32_t kEventCreatorLine = 82;
} // namespace

void Sdbg_Mutex::Init(Sdbg_Mutex *pMutex) {
    mosFastlockBase_AdaptiveCreateInternal(&pMutex->lock, __FILE__, __FILE__, kMutexCreatorLine);
}

void Sdbg_Mutex::Destroy(Sdbg_Mutex *pMutex) {
    mosFastlockBase_Destroy(&pMutex->lock);
}

void Sdbg_Mutex::Lock(Sdbg_Mutex *pMutex) {
    (void)mosFastlockBase_Acquire(&pMutex->lock);
}

void Sdbg_Mutex::Unlock(Sdbg_Mutex *pMutex) {
    mosFastlockBase_Release(&pMutex->lock);
}

void Sdbg_Event::Init(Sdbg_Event *pEvent) {
    pEvent->bSignalled = 0;
    mosFastlockBase_AdaptiveCreateInternal(&pEvent->lock, __FILE__, __FILE__, kEventCreatorLine);
    mosOSWCond_Init(&pEvent->cond);
}

void Sdbg_Event::Destroy(Sdbg_Event *pEvent) {
    mosFastlockBase_Destroy(&pEvent->lock);
    mosOSWCond_Destroy(&pEvent->cond);
}

void Sdbg_Event::Set(Sdbg_Event *pEvent) {
    (void)mosFastlockBase_Acquire(&pEvent->lock);
    pEvent->bSignalled = 1;
    mosOSWCond_Broadcast(&pEvent->cond);
    mosFastlockBase_Release(&pEvent->lock);
}

void Sdbg_Event::Reset(Sdbg_Event *pEvent) {
    (void)mosFastlockBase_Acquire(&pEvent->lock);
    pEvent->bSignalled = 0;
    mosFastlockBase_Release(&pEvent->lock);
}

void Sdbg_Event::Wait(Sdbg_Event *pEvent) {
    (void)mosFastlockBase_Acquire(&pEvent->lock);
    // The flag is re-checked under the lock: a wake-up without it set is
    // absorbed here.
    while (pEvent->bSignalled == 0) {
        mosOSWCond_WaitBase(&pEvent->cond, &pEvent->lock.slimLock);
    }
    mosFastlockBase_Release(&pEvent->lock);
}

bool Sdbg_Event::WaitFor(Sdbg_Event *pEvent, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    (void)mosFastlockBase_Acquire(&pEvent->lock);
    // Woken early, spuriously or by a timed-out step: wait out the rest.
    for (Clock::time_point now = Clock::now(); pEvent->bSignalled == 0 && now < deadline;
         now = Clock::now()) {
        const auto leftMs = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const int32_t stepMs = leftMs > INT32_MAX ? INT32_MAX : static_cast<int32_t>(leftMs);
        (void)mosOSWCond_TimedWait(&pEvent->cond, &pEvent->lock.slimLock, stepMs);
    }
    const bool bSet = pEvent->bSignalled != 0;
    mosFastlockBase_Release(&pEvent->lock);
    return bSet;
}

void SdbgOs_Sleep(uint32_t ms) {
    mos_NanoSleep(static_cast<uint64_t>(ms) * 1000000u);
}

Sdbg_ThrdRunnable::~Sdbg_ThrdRunnable() = default;

void SdbgOs_ThreadEntry(void *pArg) {
    static_cast<Sdbg_ThrdRunnable *>(pArg)->Run();
}

void SdbgOs_StartThread(Sdbg_ThrdRunnable *pRunnable) {
    if (mosOsThrd_Create(&pRunnable->thread, SdbgOs_ThreadEntry, pRunnable) != MOS_RC__SUCCESS) {
        throw Sdbg_SystemException();
    }
}
