#include "kmodsetup_main.h"

#include "command_line.h"
#include "installer.h"
#include "installer_log.h"
#include "section_line.h"
#include "setup_error.h"
#include "win_errors.h"

#include <cstring>

namespace {

int runInstall(const InstallerRequest &request) {
    installerLog_Write("Called to install with inf %s\n", request.infPath);
    if (request.driver == DriverKind::ReadCache) {
        installFromInf(request.infPath, false, kReadCacheSysName, request.bForceReboot);
    } else {
        installClientDriver(request.infPath, kClientSysName);
    }
    return 0;
}

int uninstallReadCache(const char *infPath) {
    char16_t sectionLine[kSectionLineCapacity];
    if (!buildSectionLine(SectionKind::Uninstall, infPath, sectionLine)) {
        failWithSetupError(kSectionLineTooLongText, KS_ERROR_FILENAME_EXCED_RANGE);
    }
    if (!isDriverInstalled(infPath, kReadCacheSysName)) {
        installerLog_Write("Driver isn't installed, aborting\n");
        return 2;
    }
    requireInfSection(infPath, SectionKind::Uninstall);
    installerLog_Write("%s%s", sectionLinePrefix(SectionKind::Uninstall), infPath);
    osSetup_InstallHinfSection(sectionLine, 0);
    return 0;
}

int runUninstall(const InstallerRequest &request) {
    installerLog_Write("Called to uninstall with inf %s\n", request.infPath);
    if (request.driver == DriverKind::ReadCache) {
        return uninstallReadCache(request.infPath);
    }
    uninstallClientDriver(request.infPath, kClientServiceName);
    return 0;
}

int updateClient(const char *infPath) {
    if (!isDriverInstalled(infPath, kClientSysName)) {
        installerLog_Write("Driver is not installed, aborting\n");
        return 2;
    }
    installerLog_Write("Doing update with inf %s\n", infPath);
    bool bRebootRequired = false;
    if (!osSetup_UpdateDriverForPnpDevices(kClientHardwareId, infPath, kInstallFlagForce,
                                           &bRebootRequired)) {
        const uint32_t error = osSetup_GetLastError();
        installerLog_Write("Update with inf %s failed\n", infPath);
        printSetupError("ERROR update plug and play. ", error);
        return 1;
    }
    installerLog_Write("Successfully updated driver. Reboot needed %d\n", bRebootRequired ? 1 : 0);
    return 0;
}

int runUpdate(const InstallerRequest &request) {
    installerLog_Write("Called to update with inf %s\n", request.infPath);
    if (request.driver == DriverKind::ReadCache) {
        installFromInf(request.infPath, true, kReadCacheSysName, request.bForceReboot);
        return 0;
    }
    return updateClient(request.infPath);
}

} // namespace

int kmodsetupMain(int argc, const char *const *argv) {
    InstallerRequest request{};
    if (!parseInstallerWords(argc, argv, &request)) {
        printInstallUsage();
        return 1;
    }
    if (request.logPath != nullptr) {
        installerLog_Open(request.logPath);
    }
    if (std::strcmp(request.command, "install") == 0) {
        return runInstall(request);
    }
    if (std::strcmp(request.command, "uninstall") == 0) {
        return runUninstall(request);
    }
    if (std::strcmp(request.command, "update") == 0) {
        return runUpdate(request);
    }
    installerLog_Write("Unknown option %s\n", request.command);
    return 1;
}
