#include "mos_umt_once.h"

#include "mos_umt_sched.h"

namespace {
MosUmtMutex umtOnceMutex_G;
}

MOS_RC mosUmtOnceLayer_Create(void * /*pArg*/) {
    mosUmtMutex_InitWithFuncLine(&umtOnceMutex_G, __FILE__, "mosUmtOnceLayer_Create", __LINE__);
    mosUmtSched_RegisterTypes();
    return MOS_RC__SUCCESS;
}

void mosUmtOnceLayer_Destroy() {
    mosUmtSched_UnregisterTypes();
    mosUmtMutex_Destroy(&umtOnceMutex_G);
}

const MosUmtMutex *mosUmtOnceLayer_GetMutex() {
    return &umtOnceMutex_G;
}
