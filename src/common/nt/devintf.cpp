// Device interfaces and device I/O control through SetupAPI, CreateFileA
// and DeviceIoControl.
#include "os_devintf.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <setupapi.h>

struct OsDevIntfList {
    HDEVINFO hDevInfo;
    GUID classGuid;
};

struct OsDev {
    HANDLE hDevice;
};

namespace {

GUID toGuid(const QorniGuid &guid) {
    GUID out;
    static_assert(sizeof(out) == sizeof(guid));
    memcpy(&out, &guid, sizeof(out));
    return out;
}

// The interface record of memberIndex; 0 or the last error.
uint32_t enumInterface(OsDevIntfList *pList, uint32_t memberIndex,
                       SP_DEVICE_INTERFACE_DATA *pData) {
    memset(pData, 0, sizeof(*pData));
    pData->cbSize = sizeof(*pData);
    if (!SetupDiEnumDeviceInterfaces(pList->hDevInfo, nullptr, &pList->classGuid, memberIndex,
                                     pData)) {
        return GetLastError();
    }
    return OS_ERR_SUCCESS;
}

} // namespace

uint32_t osDevIntf_GetClassDevs(const QorniGuid &classGuid, OsDevIntfList **ppList) {
    auto *pList = new (std::nothrow) OsDevIntfList;
    if (pList == nullptr) {
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    pList->classGuid = toGuid(classGuid);
    pList->hDevInfo = SetupDiGetClassDevsA(&pList->classGuid, nullptr, nullptr,
                                           DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (pList->hDevInfo == INVALID_HANDLE_VALUE) {
        uint32_t err = GetLastError();
        delete pList;
        return err;
    }
    *ppList = pList;
    return OS_ERR_SUCCESS;
}

uint32_t osDevIntf_Enum(OsDevIntfList *pList, uint32_t memberIndex) {
    SP_DEVICE_INTERFACE_DATA data;
    return enumInterface(pList, memberIndex, &data);
}

uint32_t osDevIntf_GetPath(OsDevIntfList *pList, uint32_t memberIndex, char *pPath,
                           size_t pathCapacity, size_t *pRequiredSize) {
    SP_DEVICE_INTERFACE_DATA data;
    if (uint32_t err = enumInterface(pList, memberIndex, &data)) {
        return err;
    }
    DWORD requiredSize = 0;
    SetupDiGetDeviceInterfaceDetailA(pList->hDevInfo, &data, nullptr, 0, &requiredSize, nullptr);
    uint32_t err = GetLastError();
    if (requiredSize == 0) {
        return err;
    }
    // The detail record is a size field followed by the path text.
    size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    *pRequiredSize = requiredSize > pathOffset ? requiredSize - pathOffset : 1;
    if (pPath == nullptr || pathCapacity < *pRequiredSize) {
        return OS_ERR_INSUFFICIENT_BUFFER;
    }
    auto *pDetail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(malloc(requiredSize));
    if (pDetail == nullptr) {
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    err = OS_ERR_SUCCESS;
    if (!SetupDiGetDeviceInterfaceDetailA(pList->hDevInfo, &data, pDetail, requiredSize, nullptr,
                                          nullptr)) {
        err = GetLastError();
    } else {
        strncpy(pPath, pDetail->DevicePath, pathCapacity - 1);
        pPath[pathCapacity - 1] = '\0';
    }
    free(pDetail);
    return err;
}

void osDevIntf_Destroy(OsDevIntfList *pList) {
    if (pList != nullptr) {
        SetupDiDestroyDeviceInfoList(pList->hDevInfo);
        delete pList;
    }
}

uint32_t osDev_Open(const char *pPath, OsDev **ppDev) {
    HANDLE hDevice = CreateFileA(pPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
    if (hDevice == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    auto *pDev = new (std::nothrow) OsDev{hDevice};
    if (pDev == nullptr) {
        CloseHandle(hDevice);
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    *ppDev = pDev;
    return OS_ERR_SUCCESS;
}

uint32_t osDev_Ioctl(OsDev *pDev, uint32_t ioctlCode, const void *pIn, uint32_t inSize, void *pOut,
                     uint32_t outCapacity, uint32_t *pReturned) {
    *pReturned = 0;
    if (pDev == nullptr) {
        return OS_ERR_INVALID_PARAMETER;
    }
    // The handle is opened for overlapped use, where a call without an
    // OVERLAPPED record may return before the driver has finished: the call
    // gets one and is waited for, so it completes before this returns.
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        return GetLastError();
    }
    DWORD returned = 0;
    uint32_t err = OS_ERR_SUCCESS;
    if (!DeviceIoControl(pDev->hDevice, ioctlCode, const_cast<void *>(pIn), inSize, pOut,
                         outCapacity, &returned, &overlapped)) {
        err = GetLastError();
        if (err == ERROR_IO_PENDING) {
            err = GetOverlappedResult(pDev->hDevice, &overlapped, &returned, TRUE) ? OS_ERR_SUCCESS
                                                                                   : GetLastError();
        }
    }
    CloseHandle(overlapped.hEvent);
    *pReturned = returned;
    return err;
}

void osDev_Close(OsDev *pDev) {
    if (pDev != nullptr) {
        CloseHandle(pDev->hDevice);
        delete pDev;
    }
}
