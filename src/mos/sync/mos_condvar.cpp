#include "mos_condvar.h"

#include "mos_debug.h"

#include <cstring>

void mosOSWCond_Init(MosOSWCond *pCondVar) {
    MOS_ASSERT(pCondVar != ((void *)0));
    osCondVar_Init(&pCondVar->cond);
}

void mosOSWCond_Signal(MosOSWCond *pCondVar) {
    osCondVar_Signal(&pCondVar->cond);
}

void mosOSWCond_Broadcast(MosOSWCond *pCondVar) {
    osCondVar_Broadcast(&pCondVar->cond);
}

void mosOSWCond_Wait(MosOSWCond *pCondVar, MosFastlock *pLock) {
    mosFastlockBase_ReleaseImplicit(pLock);
    MOS_RC rc = osCondVar_Wait(&pCondVar->cond, &pLock->slimLock, -1);
    MOS_ASSERT(rc == 65);
    mosFastlockBase_AcquireImplicit(pLock);
}

void mosOSWCond_WaitBase(MosOSWCond *pCondVar, OsSlimLock *pSlimLock) {
    MOS_RC rc = osCondVar_Wait(&pCondVar->cond, pSlimLock, -1);
    MOS_ASSERT(rc == 65);
}

MOS_RC mosOSWCond_TimedWait(MosOSWCond *pCondVar, OsSlimLock *pSlimLock, int32_t timeoutMs) {
    return osCondVar_Wait(&pCondVar->cond, pSlimLock, timeoutMs);
}

void mosOSWCond_Destroy(MosOSWCond *pCondVar) {
    memset(pCondVar, 0x0F, sizeof *pCondVar);
}
