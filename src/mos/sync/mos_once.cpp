#include "mos_once.h"

#include "mos_debug.h"

#include <cstring>

MosRSyslogState mosRSyslog_G;

namespace {

MosFastlock onceLock_G;

} // namespace

MOS_RC mosOnceLayer_Create(void *pArg) {
    (void)pArg;
    mosFastlock_Create(&onceLock_G);
    return MOS_RC__SUCCESS;
}

void mosOnceLayer_Destroy() {
    mosFastlockBase_Destroy(&onceLock_G);
}

MOS_RC mosOnce_RunInit(MosOnce *pOnce) {
    mosFastlockBase_Acquire(&onceLock_G);
    MOS_RC rc = MOS_RC__SUCCESS;
    if (pOnce->ref > 0) {
        pOnce->ref++;
    } else {
        rc = pOnce->pInit(pOnce->pUserData);
        if (rc == MOS_RC__SUCCESS) {
            pOnce->ref = 1;
        }
    }
    mosFastlockBase_Release(&onceLock_G);
    return rc;
}

MOS_RC mosOnce_RunDestroy(MosOnce *pOnce) {
    mosFastlockBase_Acquire(&onceLock_G);
    MOS_ASSERT(pOnce->ref != 0);
    pOnce->ref--;
    if (pOnce->ref == 0) {
        pOnce->pDestroy(pOnce->pUserData);
    }
    mosFastlockBase_Release(&onceLock_G);
    return MOS_RC__SUCCESS;
}

MOS_RC mosRSyslog_InitOnce() {
    memset(static_cast<void *>(&mosRSyslog_G), 0, sizeof mosRSyslog_G);
    mosFastlock_Create(&mosRSyslog_G.lock);
    return MOS_RC__SUCCESS;
}
