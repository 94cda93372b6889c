#include "mos_fifo.h"

#include "mos_init_params.h"
#include "mos_trace.h"
#include "mos_utils.h"
#include "os_proc.h"

#include <cstring>

MosFifoHandler mosFifo_G;

namespace {

void fifoHandlerThread(void * /*pArg*/) {
    // Commands through a FIFO file are not served on this platform.
}

// Tells the handler to stop through its file; nothing to tell here.
MOS_RC writeStopCommand() {
    return MOS_RC__SUCCESS;
}

} // namespace

MOS_RC mosFifo_StartFifoHandler(void *pParams) {
    memset(static_cast<void *>(&mosFifo_G), 0, sizeof mosFifo_G);
    const auto *p = static_cast<const MosFifoParams *>(pParams);
    if (p == nullptr || p->use_fifo_file == 0) {
        return MOS_RC__SUCCESS;
    }
    mos_Snprintf(mosFifo_G.fileName, sizeof mosFifo_G.fileName, "%s",
                 p->fifo_filename != nullptr ? p->fifo_filename : "");
    MOS_TRACE(MOS_COMP_MOS, 3, "mosFifo_StartFifoHandler: was called. PID %d\n",
              osProc_GetCurrentProcessId());
    const MOS_RC rc = mosOsThrd_Create(&mosFifo_G.thrd, fifoHandlerThread, nullptr);
    if (rc == MOS_RC__SUCCESS) {
        mosFifo_G.bRunning = 1;
    }
    return rc;
}

void mosFifo_StopFifoHandler() {
    if (mosFifo_G.bRunning == 0) {
        return;
    }
    mosFifo_G.bRunning = 0;
    if (writeStopCommand() != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "mosFifo_StopFifoHandler: Failed to write Stop-Fifo command to File %s for PID "
                  "%d.\n",
                  mosFifo_G.fileName, osProc_GetCurrentProcessId());
    }
    mosOsThrd_Destroy(&mosFifo_G.thrd);
}
