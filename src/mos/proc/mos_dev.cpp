#include "mos_dev.h"

#include "mos_debug.h"
#include "mos_init_params.h"
#include "mos_trace.h"

#include <cstring>

MosDevLayer mosDevLayer_G;

namespace {

MOS_RC queryWindow(MosPerfWindow *pWindow, MosPerfWindowResult *pResult) {
    mosFastlockBase_Acquire(&pWindow->lock);
    const MOS_RC rc = mosPerfWindow_Query(pWindow, pResult);
    mosFastlockBase_Release(&pWindow->lock);
    return rc;
}

} // namespace

MOS_RC mosDevLayer_Create(void *pParams) {
    mosDevLayer_G.devType = {};
    mosObjType_RegObjType(&mosDevLayer_G.devType, mosDev_SdbgQuery, nullptr, 52,
                          sizeof(_MosDevQuery));
    mosDevLayer_G.numTestJobs = MOS_DEV_DEFAULT_TEST_JOBS;
    if (pParams != nullptr) {
        mosDevLayer_G.numTestJobs =
            static_cast<const MosDevParams *>(pParams)->mos_dev_test_num_jobs;
    }
    if (mosDevLayer_G.numTestJobs == 0) {
        mosDevLayer_G.numTestJobs = 1;
        MOS_TRACE(MOS_COMP_TGT_PHY, 2, "Overriding number of disk test jobs to minimum = %d.", 1);
    }
    return MOS_RC__SUCCESS;
}

void mosDevLayer_Destroy() {
    mosObjType_UnregObjType(&mosDevLayer_G.devType);
}

MOS_RC mosDev_Query(MosObjEntry *pObj, const char * /*pName*/, void *pBuf) {
    MOS_ASSERT(!(!pObj));
    MOS_ASSERT(!(!pBuf));
    MosDev *pDev =
        reinterpret_cast<MosDev *>(reinterpret_cast<char *>(pObj) - offsetof(MosDev, objEntry));
    MOS_ASSERT(!(!pDev));
    _MosDevQuery query;
    memcpy(&query, pBuf, sizeof query); // the caller's zero-filled record
    query.raw = pDev->raw;
    (void)queryWindow(&pDev->writeSizeBwc, &query.writeSizeBwc);
    (void)queryWindow(&pDev->writeLatencyBwc, &query.writeLatencyBwc);
    (void)queryWindow(&pDev->readSizeBwc, &query.readSizeBwc);
    const MOS_RC rc = queryWindow(&pDev->readLatencyBwc, &query.readLatencyBwc);
    memcpy(pBuf, &query, sizeof query);
    return rc;
}

void mosDev_SdbgQuery(MosObjEntry *pObj, const char *pName, void *pBuf) {
    (void)mosDev_Query(pObj, pName, pBuf);
}
