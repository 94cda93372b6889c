// Finds the runtime's running threads by name.
#pragma once

#include "mos_os_thread.h"

#include <chrono>
#include <cstddef>
#include <cstring>
#include <thread>

namespace mostest {

inline uint32_t CountThreadsNamed(const char *pName) {
    uint32_t count = 0;
    mosFastlockBase_Acquire(&mosOsThrdLayer_G.activeListLock);
    for (MosListNode *p = mosOsThrdLayer_G.activeList.pFirst; p != nullptr; p = mosList_Next(p)) {
        const auto *pThrd = reinterpret_cast<const MosOsThrd *>(
            reinterpret_cast<const char *>(p) - offsetof(MosOsThrd, activeListNode));
        count += strcmp(pThrd->name, pName) == 0 ? 1 : 0;
    }
    mosFastlockBase_Release(&mosOsThrdLayer_G.activeListLock);
    return count;
}

// Waits up to a second for a thread that is starting to show up.
inline uint32_t WaitForThreadsNamed(const char *pName, uint32_t expected) {
    for (int i = 0; i < 200 && CountThreadsNamed(pName) != expected; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return CountThreadsNamed(pName);
}

} // namespace mostest
