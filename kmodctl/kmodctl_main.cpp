// kmodctl: one storage-client driver command per run.
#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "mos_trace.h"

int main(int argc, char *argv[]) {
    qorniIntf_SetVerbose(true);
    kmodctl_SetUpInterface();
    MOS_TRACE(MOS_COMP_SDC_IOCTL, 2, "Starting kmodctl.");
    mos_optind = 1;
    mos_opterr = 1;
    MOS_RC rc = parseOptionsAndExecute(argc, argv);
    kmodctl_Exit(rc == MOS_RC__SUCCESS ? 0 : 1);
}
