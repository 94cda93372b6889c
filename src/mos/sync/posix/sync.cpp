// Linux stand-in for slim locks and condition variables, on futexes.
//
// The slim lock is one word (see os_fastlock_ops.h): 0 free, 1 held, 2
// held with sleepers. The condition variable is one sequence word: a
// waiter reads it, releases the lock and sleeps only while the word is
// unchanged, so a signal between the release and the sleep is not lost;
// signal and broadcast advance it and wake one or all sleepers. Timed
// waits run on the monotonic clock, so a change of the wall clock cannot
// stretch or cut them. Wake-ups may be spurious, as on Windows.
#include "os_sync.h"

#include "os_fastlock_ops.h"

static_assert(sizeof(uint32_t) <= sizeof(OsSlimLock));
static_assert(sizeof(uint32_t) <= sizeof(OsCondVar));

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

long futex(uint32_t *pWord, int op, uint32_t value, const timespec *pTimeout) {
    return syscall(SYS_futex, pWord, op, value, pTimeout, nullptr, FUTEX_BITSET_MATCH_ANY);
}

uint32_t *condWord(OsCondVar *pCond) {
    return reinterpret_cast<uint32_t *>(pCond->bytes);
}

} // namespace

void osSlimLock_AcquireSlow(uint32_t *pWord) {
    // Mark the lock as having sleepers before every sleep, so that the
    // holder's release wakes one.
    while (__atomic_exchange_n(pWord, 2, __ATOMIC_ACQUIRE) != 0) {
        futex(pWord, FUTEX_WAIT_PRIVATE, 2, nullptr);
    }
}

void osSlimLock_WakeOne(uint32_t *pWord) {
    futex(pWord, FUTEX_WAKE_PRIVATE, 1, nullptr);
}

void osSlimLock_Init(OsSlimLock *pLock) {
    memset(pLock->bytes, 0, sizeof pLock->bytes);
}

bool osSlimLock_TryAcquire(OsSlimLock *pLock) {
    return osSlimLock_TryAcquireInline(osSlimLock_Word(pLock));
}

void osSlimLock_Acquire(OsSlimLock *pLock) {
    if (!osSlimLock_TryAcquireInline(osSlimLock_Word(pLock))) {
        osSlimLock_AcquireSlow(osSlimLock_Word(pLock));
    }
}

void osSlimLock_Release(OsSlimLock *pLock) {
    osSlimLock_ReleaseInline(osSlimLock_Word(pLock));
}

void osCondVar_Init(OsCondVar *pCond) {
    memset(pCond->bytes, 0, sizeof pCond->bytes);
}

void osCondVar_Signal(OsCondVar *pCond) {
    __atomic_add_fetch(condWord(pCond), 1, __ATOMIC_RELEASE);
    futex(condWord(pCond), FUTEX_WAKE_PRIVATE, 1, nullptr);
}

void osCondVar_Broadcast(OsCondVar *pCond) {
    __atomic_add_fetch(condWord(pCond), 1, __ATOMIC_RELEASE);
    futex(condWord(pCond), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr);
}

MOS_RC osCondVar_Wait(OsCondVar *pCond, OsSlimLock *pLock, int32_t timeoutMs) {
    uint32_t *pSeq = condWord(pCond);
    const uint32_t seq = __atomic_load_n(pSeq, __ATOMIC_ACQUIRE);
    timespec deadline{};
    if (timeoutMs >= 0) {
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
    }
    osSlimLock_Release(pLock);
    MOS_RC rc = MOS_RC__SUCCESS;
    for (;;) {
        // FUTEX_WAIT_BITSET takes an absolute monotonic deadline.
        long result =
            futex(pSeq, FUTEX_WAIT_BITSET_PRIVATE, seq, timeoutMs >= 0 ? &deadline : nullptr);
        if (result == 0 || errno == EAGAIN) {
            break; // woken, or the sequence moved before we slept
        }
        if (errno == ETIMEDOUT) {
            rc = MOS_RC__TIMEOUT;
            break;
        }
        if (errno != EINTR) {
            rc = MOS_RC__INVALID;
            break;
        }
        if (__atomic_load_n(pSeq, __ATOMIC_ACQUIRE) != seq) {
            break;
        }
    }
    osSlimLock_Acquire(pLock);
    return rc;
}
