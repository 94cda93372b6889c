#include "fake_devintf.h"

#include <cstdio>
#include <cstring>

struct OsDevIntfList {
    uint32_t count;
};
struct OsDev {
    uint32_t member;
};

namespace {

uint32_t interfaceCount_G = 1;
FakeDevIoctlFn ioctl_G = nullptr;
uint32_t openCount_G = 0;

} // namespace

void fakeDev_Set(uint32_t interfaceCount, FakeDevIoctlFn pIoctl) {
    interfaceCount_G = interfaceCount;
    ioctl_G = pIoctl;
}

uint32_t fakeDev_OpenCount() {
    return openCount_G;
}

uint32_t osDevIntf_GetClassDevs(const QorniGuid & /*classGuid*/, OsDevIntfList **ppList) {
    *ppList = new OsDevIntfList{interfaceCount_G};
    return OS_ERR_SUCCESS;
}

uint32_t osDevIntf_Enum(OsDevIntfList *pList, uint32_t memberIndex) {
    return memberIndex < pList->count ? OS_ERR_SUCCESS : OS_ERR_NO_MORE_ITEMS;
}

uint32_t osDevIntf_GetPath(OsDevIntfList * /*pList*/, uint32_t memberIndex, char *pPath,
                           size_t pathCapacity, size_t *pRequiredSize) {
    char path[32];
    int len = snprintf(path, sizeof(path), "fuzzdev%u", memberIndex);
    *pRequiredSize = static_cast<size_t>(len) + 1;
    if (pPath == nullptr || pathCapacity < *pRequiredSize) {
        return OS_ERR_INSUFFICIENT_BUFFER;
    }
    memcpy(pPath, path, *pRequiredSize);
    return OS_ERR_SUCCESS;
}

void osDevIntf_Destroy(OsDevIntfList *pList) {
    delete pList;
}

uint32_t osDev_Open(const char *pPath, OsDev **ppDev) {
    *ppDev = new OsDev{static_cast<uint32_t>(strlen(pPath))};
    openCount_G++;
    return OS_ERR_SUCCESS;
}

uint32_t osDev_Ioctl(OsDev *pDev, uint32_t ioctlCode, const void *pIn, uint32_t inSize, void *pOut,
                     uint32_t outCapacity, uint32_t *pReturned) {
    *pReturned = 0;
    if (pDev == nullptr || ioctl_G == nullptr) {
        return OS_ERR_INVALID_PARAMETER;
    }
    // The device reads every byte it was given before it answers (the
    // buffers may be one), so a length past the buffer is caught.
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < inSize; i++) {
        sum = static_cast<uint8_t>(sum + static_cast<const uint8_t *>(pIn)[i]);
    }
    uint32_t err = ioctl_G(ioctlCode, static_cast<const uint8_t *>(pIn), inSize,
                           static_cast<uint8_t *>(pOut), outCapacity, pReturned);
    if (*pReturned > outCapacity) {
        __builtin_trap(); // the fake itself broke the seam's contract
    }
    return err;
}

void osDev_Close(OsDev *pDev) {
    if (pDev != nullptr) {
        openCount_G--;
        delete pDev;
    }
}
