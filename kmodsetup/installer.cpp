#include "installer.h"

#include "installer_log.h"
#include "section_line.h"
#include "setup_error.h"
#include "win_errors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kClassNameCapacity = 32;
constexpr uint32_t kHardwareIdCapacity = 256;
constexpr uint32_t kDriverNameCapacity = 256;
constexpr uint32_t kDriverListSlack = 20;
constexpr char kSysExtension[] = ".sys";

DevInfoData emptyDevInfo() {
    DevInfoData device{};
    device.cbSize = sizeof device;
    return device;
}

void copyName(const char *src, char *dst, uint32_t dstCapacity) {
    std::snprintf(dst, dstCapacity, "%s", src);
}

// Steps of the client install that create and register the root device.
void registerClientDevice(const SetupGuid &classGuid, const char *className) {
    DevInfoSet set = osSetup_CreateDeviceInfoList(&classGuid);
    if (set == nullptr) {
        failWithSetupError("SetupDiCreateDeviceInfoList", osSetup_GetLastError());
    }
    DevInfoData device = emptyDevInfo();
    if (!osSetup_CreateDeviceInfo(set, className, &classGuid, &device)) {
        failWithSetupError("SetupDiCreateDeviceInfo", osSetup_GetLastError());
    }
    if (!osSetup_SetHardwareId(set, &device, kClientHardwareId, sizeof kClientHardwareId)) {
        failWithSetupError("SetupDiSetDeviceRegistryProperty", osSetup_GetLastError());
    }
    if (!osSetup_RegisterDevice(set, &device)) {
        failWithSetupError("SetupDiCallClassInstaller", osSetup_GetLastError());
    }
    (void)osSetup_DestroyDeviceInfoList(set);
}

[[noreturn]] void undoClientInstall(const char *infPath, const char *sysName) {
    char serviceName[kOemNameCapacity];
    copyName(sysName, serviceName, sizeof serviceName);
    const size_t nameLength = std::strlen(serviceName);
    const size_t extLength = sizeof kSysExtension - 1;
    if (nameLength > extLength) {
        serviceName[nameLength - extLength] = '\0';
    }
    printSetupError("ERROR update plug and play. ", osSetup_GetLastError());
    installerLog_Write("Update with inf %s failed\n", infPath);
    printSetupError("ERROR update plug and play. ", osSetup_GetLastError());
    installerLog_Write("Undoing install operation\n");
    uninstallClientDriver(infPath, serviceName);
    installerLog_EndProcess(1);
}

// Removes the element when it carries the client hardware ID; true when
// it was deleted from the set (so the later elements moved down).
bool removeIfClientDevice(DevInfoSet set, DevInfoData *pDevice) {
    // Fresh and one byte longer than the call may fill, so that a failed
    // read compares as an empty ID (never a stale one) and every ID ends.
    char hardwareId[kHardwareIdCapacity + 1] = {};
    if (!osSetup_GetHardwareId(set, pDevice, hardwareId, kHardwareIdCapacity)) {
        printSetupError("Uninstall-SetupDiGetDeviceRegistryProperty failed",
                        osSetup_GetLastError());
        hardwareId[0] = '\0';
    }
    if (std::strcmp(hardwareId, kClientHardwareId) != 0) {
        installerLog_Write("hardware ID %s doesn't match, skipping\n", hardwareId);
        return false;
    }
    installerLog_Write("hardware ID %s matches\n", hardwareId);
    if (osSetup_RemoveDevice(set, pDevice)) {
        installerLog_Write("Successfully removed device\n");
    } else {
        printSetupError("Error in SetupDiRemoveDevice", osSetup_GetLastError());
    }
    if (!osSetup_DeleteDeviceInfo(set, pDevice)) {
        printSetupError("Error in SetupDiDeleteDevice", osSetup_GetLastError());
        return false;
    }
    installerLog_Write("Successfully deleted device information\n");
    return true;
}

void removeClientDevices(DevInfoSet set) {
    uint32_t memberIndex = 0;
    for (;;) {
        DevInfoData device = emptyDevInfo();
        if (!osSetup_EnumDeviceInfo(set, memberIndex, &device)) {
            return;
        }
        // After a deletion the next element sits at the same index.
        if (!removeIfClientDevice(set, &device)) {
            ++memberIndex;
        }
    }
}

void removeOemCopy(const char *infPath) {
    char oemName[kOemNameCapacity];
    if (!findOemInf(infPath, oemName, sizeof oemName)) {
        return;
    }
    if (osSetup_UninstallOemInf(oemName, kUninstallForceDelete)) {
        installerLog_Write("Successfully removed OEM file %s\n", oemName);
    } else {
        printSetupError("SetupUninstallOEMInf failure", osSetup_GetLastError());
    }
}

void deleteDriverService(const char *serviceName) {
    ScHandle manager = osSetup_OpenScManager(kScManagerAllAccess);
    if (manager == nullptr) {
        printSetupError("Open service manager failed", osSetup_GetLastError());
        return;
    }
    ScHandle service = osSetup_OpenService(manager, serviceName, kServiceDeleteAccess);
    if (service == nullptr) {
        printSetupError("OpenService failed", osSetup_GetLastError());
    } else {
        if (osSetup_DeleteService(service)) {
            installerLog_Write("Service deleted successfully\n");
        } else {
            printSetupError("DeleteService failed", osSetup_GetLastError());
        }
        (void)osSetup_CloseServiceHandle(service);
    }
    (void)osSetup_CloseServiceHandle(manager);
}

bool isDriverLoaded(const char *sysName) {
    uint32_t bytesNeeded = 0;
    if (!osSetup_EnumDeviceDrivers(nullptr, 0, &bytesNeeded)) {
        return false;
    }
    // Room for drivers loaded between the two calls.
    const uint32_t bufferBytes =
        std::min<uint64_t>(uint64_t{bytesNeeded} + kDriverListSlack, UINT32_MAX);
    void **imageBases = static_cast<void **>(osSetup_Alloc(size_t{bufferBytes} * sizeof(void *)));
    if (imageBases == nullptr) {
        failWithSetupError("Failed to allocate memory for driver array", osSetup_GetLastError());
    }
    bool bLoaded = false;
    uint32_t bytesListed = 0;
    if (osSetup_EnumDeviceDrivers(imageBases, bufferBytes, &bytesListed)) {
        // The count reported is that of the whole list, which may have
        // grown past what the buffer received.
        const uint32_t count = std::min(bytesListed, bufferBytes) / sizeof(void *);
        for (uint32_t i = 0; i < count && !bLoaded; ++i) {
            char baseName[kDriverNameCapacity + 1] = {};
            bLoaded =
                osSetup_GetDeviceDriverBaseName(imageBases[i], baseName, kDriverNameCapacity) > 0 &&
                equalsIgnoringCase(baseName, sysName);
        }
    }
    osSetup_Free(imageBases);
    return bLoaded;
}

} // namespace

bool equalsIgnoringCase(const char *a, const char *b) {
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (lower(*a) != lower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

bool findOemInf(const char *infPath, char *oemName, uint32_t oemNameCapacity) {
    char destName[kOemNameCapacity] = {};
    char *filePart = nullptr;
    if (osSetup_CopyOemInf(infPath, kCopyReplaceOnly, destName, sizeof destName, &filePart)) {
        copyName(filePart != nullptr ? filePart : destName, oemName, oemNameCapacity);
        return true;
    }
    const uint32_t error = osSetup_GetLastError();
    if (error == KS_ERROR_FILE_EXISTS) {
        copyName(filePart != nullptr ? filePart : destName, oemName, oemNameCapacity);
        installerLog_Write("Found OEM %s\n", oemName);
        return true;
    }
    printSetupError("Error in SetupCopyOEMInf", error);
    return false;
}

bool isDriverInstalled(const char *infPath, const char *sysName) {
    char oemName[kOemNameCapacity];
    return findOemInf(infPath, oemName, sizeof oemName) || isDriverLoaded(sysName);
}

void installClientDriver(const char *infPath, const char *sysName) {
    if (isDriverInstalled(infPath, sysName)) {
        installerLog_Write("Driver is installed, aborting\n");
        installerLog_EndProcess(2);
    }
    SetupGuid classGuid{};
    char className[kClassNameCapacity] = {};
    if (!osSetup_GetInfClass(infPath, &classGuid, className, sizeof className)) {
        failWithSetupError("SetupDiGetINFClass", osSetup_GetLastError());
    }
    installerLog_Write("Found class %s\n", className);
    registerClientDevice(classGuid, className);
    installerLog_Write("Doing update with inf %s\n", infPath);
    if (!osSetup_UpdateDriverForPnpDevices(kClientHardwareId, infPath, kInstallFlagForce,
                                           nullptr)) {
        undoClientInstall(infPath, sysName);
    }
    installerLog_Write("Successfully installed driver\n");
}

void uninstallClientDriver(const char *infPath, const char *serviceName) {
    DevInfoSet set = osSetup_GetClassDevs(&kScsiAdapterClassGuid);
    if (set == nullptr) {
        failWithSetupError("Error getting class devices", osSetup_GetLastError());
    }
    removeClientDevices(set);
    (void)osSetup_DestroyDeviceInfoList(set);
    removeOemCopy(infPath);
    deleteDriverService(serviceName);
    installerLog_Write("Uninstall finished\n");
}

void installFromInf(const char *infPath, bool bSkipInstalledCheck, const char *sysName,
                    bool bForceReboot) {
    const SectionKind kind = bForceReboot ? SectionKind::InstallForceReboot : SectionKind::Install;
    char16_t sectionLine[kSectionLineCapacity];
    if (!buildSectionLine(kind, infPath, sectionLine)) {
        failWithSetupError(kSectionLineTooLongText, KS_ERROR_FILENAME_EXCED_RANGE);
    }
    if (!bSkipInstalledCheck && isDriverInstalled(infPath, sysName)) {
        installerLog_Write("Driver is installed, aborting\n");
        installerLog_EndProcess(2);
    }
    requireInfSection(infPath, kind);
    installerLog_Write("%s%s", sectionLinePrefix(kind), infPath);
    osSetup_InstallHinfSection(sectionLine, 0);
    installerLog_Write("installFromInf: Driver installed\n");
}

void requireInfSection(const char *infPath, SectionKind kind) {
    InfHandle inf = osSetup_OpenInfFile(infPath);
    if (inf == nullptr) {
        failWithSetupError("SetupOpenInfFile", osSetup_GetLastError());
    }
    const bool bFound = osSetup_FindFirstLine(inf, sectionName(kind));
    const uint32_t error = osSetup_GetLastError();
    osSetup_CloseInfFile(inf);
    if (!bFound) {
        failWithSetupError("SetupFindFirstLine", error);
    }
}
