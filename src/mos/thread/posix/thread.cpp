// Linux stand-in for Win32 threads over pthreads. Thread ids are the
// kernel's (gettid), cached per thread because the fast lock reads the id
// on every acquisition and Windows answers that without a system call.
#include "os_thread.h"

#include "mos_debug.h"

#include <ctime>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct StartBlock {
    OsThreadRoutine pRoutine;
    void *pArg;
};

void *trampoline(void *pParam) {
    StartBlock block = *static_cast<StartBlock *>(pParam);
    delete static_cast<StartBlock *>(pParam);
    block.pRoutine(block.pArg);
    return nullptr;
}

// A forked child's only thread has a new id; drop the parent's.
void forgetTidInChild() {
    osThread_tlsTid_G = 0;
}

const int atforkRegistered = pthread_atfork(nullptr, nullptr, forgetTidInChild);

} // namespace

thread_local constinit uint32_t osThread_tlsTid_G = 0;

uint32_t osThread_GetCurrentId() {
    if (osThread_tlsTid_G == 0) {
        (void)atforkRegistered;
        osThread_tlsTid_G = static_cast<uint32_t>(syscall(SYS_gettid));
    }
    return osThread_tlsTid_G;
}

MOS_RC osThread_Create(OsThreadHandle *pHandle, OsThreadRoutine pRoutine, void *pArg,
                       uint32_t stackBytes) {
    auto *pBlock = new (std::nothrow) StartBlock{pRoutine, pArg};
    if (pBlock == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    int err = pthread_create(&thread, &attr, trampoline, pBlock);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        delete pBlock;
        return MOS_RC__NO_RESOURCES;
    }
    *pHandle = static_cast<OsThreadHandle>(thread);
    return MOS_RC__SUCCESS;
}

MOS_RC osThread_KeyCreate(OsThreadKey *pKey, OsThreadExitCK pExitCK) {
    pthread_key_t key;
    if (pthread_key_create(&key, pExitCK) != 0) {
        return MOS_RC__NO_RESOURCES;
    }
    *pKey = key;
    return MOS_RC__SUCCESS;
}

void *osThread_KeyGet(OsThreadKey key) {
    return pthread_getspecific(static_cast<pthread_key_t>(key));
}

void osThread_KeySet(OsThreadKey key, void *pValue) {
    const int err = pthread_setspecific(static_cast<pthread_key_t>(key), pValue);
    MOS_ASSERT(err == 0);
}

void osThread_Join(OsThreadHandle handle) {
    int waitRC = pthread_join(static_cast<pthread_t>(handle), nullptr);
    if (waitRC != 0) {
        mosDbg_Panic("", __FILE__, "mosOsThrd_Destroy", "waitRC == ((((DWORD )0x00000000L) ) + 0 )",
                     "", __LINE__);
        mosDbg_AssertExit();
    }
}

void osThread_SleepMs(uint32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec rest{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0) {
    }
}
