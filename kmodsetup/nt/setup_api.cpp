// The installer's seam on Windows: each function is the Win32 call its
// contract in setup_api.h names.
#include "setup_api.h"

#include "win_errors.h"

#include <windows.h>

#include <newdev.h>
#include <psapi.h>
#include <setupapi.h>

#include <cstring>

// The seam's records and flags are the platform's own.
static_assert(sizeof(SetupGuid) == sizeof(GUID));
static_assert(sizeof(DevInfoData) == sizeof(SP_DEVINFO_DATA));
static_assert(offsetof(DevInfoData, devInst) == offsetof(SP_DEVINFO_DATA, DevInst));
static_assert(sizeof(char16_t) == sizeof(WCHAR));
static_assert(kInstallFlagForce == INSTALLFLAG_FORCE);
static_assert(kCopyReplaceOnly == SP_COPY_REPLACEONLY);
static_assert(kCopyNoOverwrite == SP_COPY_NOOVERWRITE);
static_assert(kUninstallForceDelete == SUOI_FORCEDELETE);
static_assert(kScManagerAllAccess == SC_MANAGER_ALL_ACCESS);
static_assert(kServiceDeleteAccess == DELETE);
#define KS_WIN_ERROR(name, value, text) static_assert(KS_##name == static_cast<uint32_t>(name));
#include "win_errors.def"
#undef KS_WIN_ERROR

namespace {
HDEVINFO toHdevinfo(DevInfoSet set) {
    return static_cast<HDEVINFO>(set);
}
SP_DEVINFO_DATA *toSpDevinfo(DevInfoData *pDevice) {
    return reinterpret_cast<SP_DEVINFO_DATA *>(pDevice);
}
const GUID *toGuid(const SetupGuid *pGuid) {
    return reinterpret_cast<const GUID *>(pGuid);
}
DevInfoSet fromHdevinfo(HDEVINFO set) {
    return set == INVALID_HANDLE_VALUE ? nullptr : set;
}
} // namespace

uint32_t osSetup_GetLastError() {
    return GetLastError();
}

bool osSetup_GetInfClass(const char *infPath, SetupGuid *pClassGuid, char *className,
                         uint32_t classNameCapacity) {
    return SetupDiGetINFClassA(infPath, reinterpret_cast<GUID *>(pClassGuid), className,
                               classNameCapacity, nullptr) != FALSE;
}

DevInfoSet osSetup_CreateDeviceInfoList(const SetupGuid *pClassGuid) {
    return fromHdevinfo(SetupDiCreateDeviceInfoList(toGuid(pClassGuid), nullptr));
}

bool osSetup_CreateDeviceInfo(DevInfoSet set, const char *className, const SetupGuid *pClassGuid,
                              DevInfoData *pDevice) {
    return SetupDiCreateDeviceInfoA(toHdevinfo(set), className, toGuid(pClassGuid), nullptr,
                                    nullptr, DICD_GENERATE_ID, toSpDevinfo(pDevice)) != FALSE;
}

bool osSetup_SetHardwareId(DevInfoSet set, DevInfoData *pDevice, const char *pValue,
                           uint32_t valueSize) {
    return SetupDiSetDeviceRegistryPropertyA(
               toHdevinfo(set), toSpDevinfo(pDevice), SPDRP_HARDWAREID,
               reinterpret_cast<const BYTE *>(pValue), valueSize) != FALSE;
}

bool osSetup_RegisterDevice(DevInfoSet set, DevInfoData *pDevice) {
    return SetupDiCallClassInstaller(DIF_REGISTERDEVICE, toHdevinfo(set), toSpDevinfo(pDevice)) !=
           FALSE;
}

bool osSetup_DestroyDeviceInfoList(DevInfoSet set) {
    return SetupDiDestroyDeviceInfoList(toHdevinfo(set)) != FALSE;
}

DevInfoSet osSetup_GetClassDevs(const SetupGuid *pClassGuid) {
    return fromHdevinfo(SetupDiGetClassDevsA(toGuid(pClassGuid), nullptr, nullptr, 0));
}

bool osSetup_EnumDeviceInfo(DevInfoSet set, uint32_t memberIndex, DevInfoData *pDevice) {
    return SetupDiEnumDeviceInfo(toHdevinfo(set), memberIndex, toSpDevinfo(pDevice)) != FALSE;
}

bool osSetup_GetHardwareId(DevInfoSet set, DevInfoData *pDevice, char *pBuffer,
                           uint32_t bufferSize) {
    return SetupDiGetDeviceRegistryPropertyA(
               toHdevinfo(set), toSpDevinfo(pDevice), SPDRP_HARDWAREID, nullptr,
               reinterpret_cast<BYTE *>(pBuffer), bufferSize, nullptr) != FALSE;
}

bool osSetup_RemoveDevice(DevInfoSet set, DevInfoData *pDevice) {
    return SetupDiRemoveDevice(toHdevinfo(set), toSpDevinfo(pDevice)) != FALSE;
}

bool osSetup_DeleteDeviceInfo(DevInfoSet set, DevInfoData *pDevice) {
    return SetupDiDeleteDeviceInfo(toHdevinfo(set), toSpDevinfo(pDevice)) != FALSE;
}

bool osSetup_UpdateDriverForPnpDevices(const char *hardwareId, const char *infPath,
                                       uint32_t installFlags, bool *pbRebootRequired) {
    BOOL bReboot = FALSE;
    const BOOL bDone =
        UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, infPath, installFlags,
                                           pbRebootRequired != nullptr ? &bReboot : nullptr);
    if (pbRebootRequired != nullptr) {
        *pbRebootRequired = bReboot != FALSE;
    }
    return bDone != FALSE;
}

bool osSetup_CopyOemInf(const char *infPath, uint32_t copyStyle, char *destName,
                        uint32_t destCapacity, char **ppFilePart) {
    return SetupCopyOEMInfA(infPath, nullptr, SPOST_NONE, copyStyle, destName, destCapacity,
                            nullptr, ppFilePart) != FALSE;
}

bool osSetup_UninstallOemInf(const char *oemName, uint32_t flags) {
    return SetupUninstallOEMInfA(oemName, flags, nullptr) != FALSE;
}

InfHandle osSetup_OpenInfFile(const char *infPath) {
    HINF inf = SetupOpenInfFileA(infPath, nullptr, INF_STYLE_WIN4, nullptr);
    return inf == INVALID_HANDLE_VALUE ? nullptr : inf;
}

bool osSetup_FindFirstLine(InfHandle inf, const char *section) {
    INFCONTEXT context;
    return SetupFindFirstLineA(static_cast<HINF>(inf), section, nullptr, &context) != FALSE;
}

void osSetup_CloseInfFile(InfHandle inf) {
    SetupCloseInfFile(static_cast<HINF>(inf));
}

void osSetup_InstallHinfSection(const char16_t *cmdLine, int showMode) {
    InstallHinfSectionW(nullptr, nullptr, reinterpret_cast<PCWSTR>(cmdLine), showMode);
}

int osSetup_MultiByteToWide(const char *src, char16_t *dst, int dstCapacity) {
    return MultiByteToWideChar(CP_ACP, 0, src, -1, reinterpret_cast<LPWSTR>(dst), dstCapacity);
}

ScHandle osSetup_OpenScManager(uint32_t access) {
    return OpenSCManagerA(nullptr, nullptr, access);
}

ScHandle osSetup_OpenService(ScHandle manager, const char *serviceName, uint32_t access) {
    return OpenServiceA(static_cast<SC_HANDLE>(manager), serviceName, access);
}

bool osSetup_DeleteService(ScHandle service) {
    return DeleteService(static_cast<SC_HANDLE>(service)) != FALSE;
}

bool osSetup_CloseServiceHandle(ScHandle handle) {
    return CloseServiceHandle(static_cast<SC_HANDLE>(handle)) != FALSE;
}

bool osSetup_EnumDeviceDrivers(void **pImageBases, uint32_t bufferBytes, uint32_t *pBytesNeeded) {
    DWORD bytesNeeded = 0;
    const BOOL bDone = K32EnumDeviceDrivers(pImageBases, bufferBytes, &bytesNeeded);
    *pBytesNeeded = bytesNeeded;
    return bDone != FALSE;
}

uint32_t osSetup_GetDeviceDriverBaseName(void *imageBase, char *baseName, uint32_t capacity) {
    return K32GetDeviceDriverBaseNameA(imageBase, baseName, capacity);
}

void *osSetup_Alloc(size_t sizeBytes) {
    return HeapAlloc(GetProcessHeap(), 0, sizeBytes);
}

void osSetup_Free(void *p) {
    (void)HeapFree(GetProcessHeap(), 0, p);
}

uint32_t osSetup_FormatSystemMessage(uint32_t messageId, char *buffer, uint32_t capacity) {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                          messageId, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, capacity,
                          nullptr);
}
