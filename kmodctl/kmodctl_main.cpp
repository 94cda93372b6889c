// kmodctl: one storage-client driver command per run.
#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_handlers.h"
#include "mos_debug.h"
#include "mos_env.h"
#include "mos_trace.h"

#include <cstdio>

namespace {

// kmodctl serves no debug port and writes its text trace synchronously:
// the run is short and ends through mos_Exit.
int initParamsCallback(MosInitParams *pParams) {
    pParams->sdbg.moduleType = 6;
    pParams->trc.trcFile.bAsync = 0;
    pParams->trc.binFileTag = 0;
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    qorniIntf_SetVerbose(true);
    // The runtime reads its own options first and must not complain about
    // the tool's.
    mos_opterr = 0;
    MosConfEntry *pTables[1] = {nullptr};
    uint32_t counts[1] = {0};
    MOS_RC rc = mosEnv_Init(argc, argv, pTables, counts, 1, 0, initParamsCallback);
    if (rc != MOS_RC__SUCCESS) {
        const char *pName = rc < MOS_RC_TABLE_SIZE ? mos_RcName(rc) : "MOS_RC__UNKNOWN";
        printf("Failed to initialize MOS environment. Status %s\n", pName);
        MOS_TRACE(MOS_COMP_SDC_IOCTL, 1, "Failed to initialize MOS environment. Status %s\n",
                  pName);
        return 1;
    }
    kmodctl_SetUpInterface();
    MOS_TRACE(MOS_COMP_SDC_IOCTL, 2, "Starting kmodctl.");
    mos_optind = 1;
    mos_opterr = 1;
    rc = parseOptionsAndExecute(argc, argv);
    kmodctl_Exit(rc == MOS_RC__SUCCESS ? 0 : 1);
}
