// Linux stand-in for slim locks and condition variables: a default pthread
// mutex (exclusive, not recursive, zero bytes mean unlocked) and a pthread
// condition waited on against the monotonic clock, so that a change of
// the wall clock cannot stretch or cut a timed wait.
#include "usr/os_sync.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <pthread.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(OsSlimLock));
static_assert(sizeof(pthread_cond_t) <= sizeof(OsCondVar));

static pthread_mutex_t *mtx(OsSlimLock *pLock) {
    return reinterpret_cast<pthread_mutex_t *>(pLock->bytes);
}

static pthread_cond_t *cond(OsCondVar *pCond) {
    return reinterpret_cast<pthread_cond_t *>(pCond->bytes);
}

void osSlimLock_Init(OsSlimLock *pLock) {
    memset(pLock->bytes, 0, sizeof pLock->bytes);
    pthread_mutex_init(mtx(pLock), nullptr);
}

bool osSlimLock_TryAcquire(OsSlimLock *pLock) {
    return pthread_mutex_trylock(mtx(pLock)) == 0;
}

void osSlimLock_Acquire(OsSlimLock *pLock) {
    pthread_mutex_lock(mtx(pLock));
}

void osSlimLock_Release(OsSlimLock *pLock) {
    pthread_mutex_unlock(mtx(pLock));
}

void osCondVar_Init(OsCondVar *pCond) {
    memset(pCond->bytes, 0, sizeof pCond->bytes);
    pthread_cond_init(cond(pCond), nullptr);
}

void osCondVar_Signal(OsCondVar *pCond) {
    pthread_cond_signal(cond(pCond));
}

void osCondVar_Broadcast(OsCondVar *pCond) {
    pthread_cond_broadcast(cond(pCond));
}

MOS_RC osCondVar_Wait(OsCondVar *pCond, OsSlimLock *pLock, int32_t timeoutMs) {
    int err;
    if (timeoutMs < 0) {
        err = pthread_cond_wait(cond(pCond), mtx(pLock));
    } else {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        err = pthread_cond_clockwait(cond(pCond), mtx(pLock), CLOCK_MONOTONIC, &deadline);
    }
    if (err == 0) {
        return MOS_RC__SUCCESS;
    }
    return err == ETIMEDOUT ? MOS_RC__TIMEOUT : MOS_RC__INVALID;
}
