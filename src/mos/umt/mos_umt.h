// The current user-mode thread of each operating-system thread, and the
// non-suspendable bracket that fast locks move.
//
// Only what the locks need is here: the record's nonSuspendable count and
// the thread-local pointer to the running user-mode thread. No scheduler
// runs in these programs, so the pointer stays null and the bracket does
// nothing; the scheduler extends the record when it lands.
#pragma once

#include <cstdint>

struct MosUmt {
    uint32_t nonSuspendable; // fast locks held by this user-mode thread
};

struct MosUmtTls {
    MosUmt *pUmt; // the user-mode thread running on this thread, or null
};

extern thread_local constinit MosUmtTls umtTls_G;

// Raises the running user-mode thread's nonSuspendable count; nothing when
// the thread runs none. Inline: every fast-lock acquisition passes here.
inline void mosUmt_SetNonSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        pUmt->nonSuspendable++;
    }
}

// A release with a count of 0: a broken invariant.
[[noreturn]] void mosUmt_SuspendableUnderflow();

// Lowers it again; a count of 0 is a broken invariant.
inline void mosUmt_SetSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        if (pUmt->nonSuspendable == 0) {
            mosUmt_SuspendableUnderflow();
        }
        pUmt->nonSuspendable--;
    }
}
