// Reference-counted one-time initialisation. The first user to run a
// MosOnce calls its init; later users only count themselves in. The last
// user to leave calls its destroy. A failed init leaves it unrun, so the
// next user tries again. All MosOnce records share one lock, held while
// the callbacks run: a callback must not run a once itself.
#pragma once

#include "mos_fastlock.h"
#include "mos_rc.h"

#include <cstdint>

typedef MOS_RC (*MosOnceInitFn)(void *pUserData);
typedef void (*MosOnceDestroyFn)(void *pUserData);

struct MosOnce {
    MosOnceInitFn pInit;
    MosOnceDestroyFn pDestroy;
    void *pUserData;
    uint32_t ref; // users that ran the init successfully and have not left
};

// Creates / destroys the shared once lock (a process layer).
[[nodiscard]] MOS_RC mosOnceLayer_Create(void *pArg);
void mosOnceLayer_Destroy();

// Runs the init unless it already ran; returns its code (MOS_RC__SUCCESS
// when it ran before).
[[nodiscard]] MOS_RC mosOnce_RunInit(MosOnce *pOnce);

// Counts a user out; the last one runs the destroy. Leaving a once that
// nobody entered is a broken invariant.
MOS_RC mosOnce_RunDestroy(MosOnce *pOnce);

// Remote-syslog state: zero-filled, with its lock created. Nothing else
// of remote syslog exists in these programs.
struct MosRSyslogState {
    MosFastlock lock;
    uint32_t bEnabled;
};
extern MosRSyslogState mosRSyslog_G;
[[nodiscard]] MOS_RC mosRSyslog_InitOnce();
