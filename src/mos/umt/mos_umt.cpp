#include "umt/mos_umt.h"

#include "mos_debug.h"

thread_local constinit MosUmtTls umtTls_G = {nullptr};

void mosUmt_SetNonSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        pUmt->nonSuspendable++;
    }
}

void mosUmt_SetSuspendable() {
    MosUmt *pUmt = umtTls_G.pUmt;
    if (pUmt != nullptr) {
        MOS_ASSERT(0 < pUmt->nonSuspendable);
        pUmt->nonSuspendable--;
    }
}
