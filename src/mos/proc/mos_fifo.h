// The command-FIFO handler: when configured, a thread that serves commands
// written to a named file. On this platform the handler has no commands to
// serve: its thread ends at once and the stop only joins it.
#pragma once

#include "mos_os_thread.h"
#include "mos_rc.h"

#include <cstdint>

inline constexpr uint32_t MOS_FIFO_NAME_SIZE = 257; // 256 characters and a NUL

struct MosFifoHandler {
    char fileName[MOS_FIFO_NAME_SIZE];
    MosOsThrd thrd;
    uint32_t bRunning;
};
extern MosFifoHandler mosFifo_G;

// pParams: a MosFifoParams {use, file name} or null. Null or use 0: nothing
// runs, MOS_RC__SUCCESS. Otherwise the name is kept (a longer one is cut at
// 256 characters; a null one is empty) and the handler thread started; the
// thread creation's code is returned.
[[nodiscard]] MOS_RC mosFifo_StartFifoHandler(void *pParams);
// Stops and joins the handler when it runs.
void mosFifo_StopFifoHandler();
