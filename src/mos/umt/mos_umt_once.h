// The user-mode-thread once layer (a process layer): owns one
// user-mode-thread mutex for the process's life, and registers the object
// types of the schedulers (13) and user-mode-thread classes (145) so the
// debug port serves them.
#pragma once

#include "mos_rc.h"
#include "mos_umt_semaphore.h"

[[nodiscard]] MOS_RC mosUmtOnceLayer_Create(void *pArg);
void mosUmtOnceLayer_Destroy();
const MosUmtMutex *mosUmtOnceLayer_GetMutex();
