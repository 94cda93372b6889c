#include "umt/mos_umt.h"

#include "mos_debug.h"

thread_local constinit MosUmtTls umtTls_G = {nullptr};

void mosUmt_SuspendableUnderflow() {
    mosDbg_Panic("", __FILE__, "mosUmt_SetSuspendable", "0 < pUmt->nonSuspendable", "", __LINE__);
    mosDbg_AssertExit();
}
