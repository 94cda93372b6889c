// The installer's operating-system seam: the device-installation, driver
// update, INF-section, service-control, loaded-driver and message calls
// kmodsetup makes, each in the shape of the Windows call it stands for.
//
// nt/setup_api.cpp calls the Win32 functions named in each contract;
// posix/setup_api.cpp is the Linux stand-in, which keeps installed
// devices, the driver store, services and loaded drivers as files in a
// state directory (see posix/standin_state.h).
//
// Every function that can fail reports it as Win32 does: a false, null
// or zero result, with the reason in osSetup_GetLastError() (Windows
// values on both targets, see win_errors.h).
#pragma once

#include <cstddef>
#include <cstdint>

// GUID in its Windows layout.
struct SetupGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(SetupGuid) == 16);

// SP_DEVINFO_DATA on x64: the caller sets cbSize to sizeof(DevInfoData)
// before each call that fills it; devInst names the element in its set.
struct DevInfoData {
    uint32_t cbSize;
    SetupGuid classGuid;
    uint32_t devInst;
    uintptr_t reserved;
};
static_assert(sizeof(DevInfoData) == 32);
static_assert(offsetof(DevInfoData, classGuid) == 4);
static_assert(offsetof(DevInfoData, devInst) == 20);
static_assert(offsetof(DevInfoData, reserved) == 24);

// HDEVINFO, SC_HANDLE and HINF; null stands for a failed open on both
// targets.
using DevInfoSet = void *;
using ScHandle = void *;
using InfHandle = void *;

// Flag values of the calls, as the platform defines them.
inline constexpr uint32_t kInstallFlagForce = 0x1;        // INSTALLFLAG_FORCE
inline constexpr uint32_t kCopyReplaceOnly = 0x2;         // SP_COPY_REPLACEONLY
inline constexpr uint32_t kCopyNoOverwrite = 0x8;         // SP_COPY_NOOVERWRITE
inline constexpr uint32_t kUninstallForceDelete = 0x1;    // SUOI_FORCEDELETE
inline constexpr uint32_t kScManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
inline constexpr uint32_t kServiceDeleteAccess = 0x10000; // DELETE

// The last error of the calling thread, as GetLastError().
[[nodiscard]] uint32_t osSetup_GetLastError();

// SetupDiGetINFClassA: the install class of the INF at infPath from its
// [Version] section; className receives at most classNameCapacity bytes
// including the terminator.
[[nodiscard]] bool osSetup_GetInfClass(const char *infPath, SetupGuid *pClassGuid, char *className,
                                       uint32_t classNameCapacity);

// SetupDiCreateDeviceInfoList(class, no window): an empty set for the class.
[[nodiscard]] DevInfoSet osSetup_CreateDeviceInfoList(const SetupGuid *pClassGuid);

// SetupDiCreateDeviceInfoA(set, className, class, no description, no
// window, DICD_GENERATE_ID): a new root-enumerated element, not yet
// registered; pDevice (cbSize set) receives it.
[[nodiscard]] bool osSetup_CreateDeviceInfo(DevInfoSet set, const char *className,
                                            const SetupGuid *pClassGuid, DevInfoData *pDevice);

// SetupDiSetDeviceRegistryPropertyA(SPDRP_HARDWAREID): pValue is a
// multi-string of valueSize bytes.
[[nodiscard]] bool osSetup_SetHardwareId(DevInfoSet set, DevInfoData *pDevice, const char *pValue,
                                         uint32_t valueSize);

// SetupDiCallClassInstaller(DIF_REGISTERDEVICE): makes the element a
// device of the system.
[[nodiscard]] bool osSetup_RegisterDevice(DevInfoSet set, DevInfoData *pDevice);

// SetupDiDestroyDeviceInfoList.
[[nodiscard]] bool osSetup_DestroyDeviceInfoList(DevInfoSet set);

// SetupDiGetClassDevsA(class, no enumerator, no window, flags 0): every
// device of the class, present or not.
[[nodiscard]] DevInfoSet osSetup_GetClassDevs(const SetupGuid *pClassGuid);

// SetupDiEnumDeviceInfo: the element at memberIndex; ERROR_NO_MORE_ITEMS
// past the end. Deleting an element shifts the later ones down by one.
[[nodiscard]] bool osSetup_EnumDeviceInfo(DevInfoSet set, uint32_t memberIndex,
                                          DevInfoData *pDevice);

// SetupDiGetDeviceRegistryPropertyA(SPDRP_HARDWAREID) into bufferSize bytes.
[[nodiscard]] bool osSetup_GetHardwareId(DevInfoSet set, DevInfoData *pDevice, char *pBuffer,
                                         uint32_t bufferSize);

// SetupDiRemoveDevice: removes the device from the system.
[[nodiscard]] bool osSetup_RemoveDevice(DevInfoSet set, DevInfoData *pDevice);

// SetupDiDeleteDeviceInfo: drops the element from the set.
[[nodiscard]] bool osSetup_DeleteDeviceInfo(DevInfoSet set, DevInfoData *pDevice);

// UpdateDriverForPlugAndPlayDevicesA(no window, hardwareId, infPath,
// installFlags, pbRebootRequired or null).
[[nodiscard]] bool osSetup_UpdateDriverForPnpDevices(const char *hardwareId, const char *infPath,
                                                     uint32_t installFlags, bool *pbRebootRequired);

// SetupCopyOEMInfA(infPath, no source media, SPOST_NONE, copyStyle,
// destName of destCapacity bytes, no required size, *ppFilePart set to
// the file-name part of destName). On ERROR_FILE_EXISTS destName still
// names the copy already in the store.
[[nodiscard]] bool osSetup_CopyOemInf(const char *infPath, uint32_t copyStyle, char *destName,
                                      uint32_t destCapacity, char **ppFilePart);

// SetupUninstallOEMInfA(oemName, flags).
[[nodiscard]] bool osSetup_UninstallOemInf(const char *oemName, uint32_t flags);

// SetupOpenInfFileA(infPath, no class, INF_STYLE_WIN4, no error line).
[[nodiscard]] InfHandle osSetup_OpenInfFile(const char *infPath);

// SetupFindFirstLineA(inf, section, no key): true when the section has a
// line; ERROR_LINE_NOT_FOUND when it has none or is not there.
[[nodiscard]] bool osSetup_FindFirstLine(InfHandle inf, const char *section);

// SetupCloseInfFile.
void osSetup_CloseInfFile(InfHandle inf);

// InstallHinfSectionW(no window, no instance, cmdLine, showMode); the
// call reports nothing back.
void osSetup_InstallHinfSection(const char16_t *cmdLine, int showMode);

// MultiByteToWideChar(CP_ACP) of a terminated string: the number of
// UTF-16 units written including the terminator, or with dstCapacity 0
// the number needed; 0 on failure.
[[nodiscard]] int osSetup_MultiByteToWide(const char *src, char16_t *dst, int dstCapacity);

// OpenSCManagerA(local machine, default database, access).
[[nodiscard]] ScHandle osSetup_OpenScManager(uint32_t access);
// OpenServiceA(manager, name, access).
[[nodiscard]] ScHandle osSetup_OpenService(ScHandle manager, const char *serviceName,
                                           uint32_t access);
// DeleteService.
[[nodiscard]] bool osSetup_DeleteService(ScHandle service);
// CloseServiceHandle.
[[nodiscard]] bool osSetup_CloseServiceHandle(ScHandle handle);

// K32EnumDeviceDrivers: load addresses of the loaded kernel drivers into
// pImageBases (bufferBytes bytes; may be null with 0); *pBytesNeeded is
// the size of the whole list.
[[nodiscard]] bool osSetup_EnumDeviceDrivers(void **pImageBases, uint32_t bufferBytes,
                                             uint32_t *pBytesNeeded);

// K32GetDeviceDriverBaseNameA: the characters copied, 0 on failure.
[[nodiscard]] uint32_t osSetup_GetDeviceDriverBaseName(void *imageBase, char *baseName,
                                                       uint32_t capacity);

// HeapAlloc from the process heap (null on failure) and HeapFree.
[[nodiscard]] void *osSetup_Alloc(size_t sizeBytes);
void osSetup_Free(void *p);

// FormatMessageA(FROM_SYSTEM | IGNORE_INSERTS, messageId, default
// language) into buffer: the characters written (the system text keeps
// its own line ending), 0 when the system has no text.
[[nodiscard]] uint32_t osSetup_FormatSystemMessage(uint32_t messageId, char *buffer,
                                                   uint32_t capacity);
