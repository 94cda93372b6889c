// Install, update and uninstall of the storage-client driver (a
// root-enumerated SCSI adapter) and of the read-cache driver "frelok",
// through the seam of setup_api.h. Every step is written to the log;
// the functions that "end the process" do so with the exit code named.
#pragma once

#include <cstdint>

#include "section_line.h"
#include "setup_api.h"

// Hardware ID of the client driver's device.
inline constexpr char kClientHardwareId[] = "root\\qorni";
inline constexpr char kClientSysName[] = "qorni.sys";
inline constexpr char kClientServiceName[] = "qorni";
inline constexpr char kReadCacheSysName[] = "frelok.sys";

// Setup class of SCSI adapters, {4D36E97B-E325-11CE-BFC1-08002BE10318}.
inline constexpr SetupGuid kScsiAdapterClassGuid = {
    0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// Capacity of an OEM INF name (MAX_PATH).
inline constexpr uint32_t kOemNameCapacity = 260;

// Registers the client's root device and installs the driver on it from
// infPath. Returns on success; ends the process with 2 when the driver
// is installed already, with 1 on a failed step (a failed driver update
// first undoes the install).
void installClientDriver(const char *infPath, const char *sysName);

// Runs the INF's default install section for the read-cache driver.
// Unless bSkipInstalledCheck, ends the process with 2 when the driver is
// installed already; ends it with 1 when the INF path does not fit the
// section command line (before any other call), or when the INF does not
// open or lacks the section (requireInfSection).
void installFromInf(const char *infPath, bool bSkipInstalledCheck, const char *sysName,
                    bool bForceReboot);

// Opens the INF and finds the line of the section an INF section call is
// to run: the section call itself reports nothing, so a missing INF or
// section would pass for success. On failure writes the error line of the
// failed call and ends the process with exit code 1.
void requireInfSection(const char *infPath, SectionKind kind);

// Removes every device with the client hardware ID, the INF's copy in the
// driver store and the service serviceName. Only a failure to list the
// class's devices ends the process (with 1); the other failures are
// logged and the uninstall goes on.
void uninstallClientDriver(const char *infPath, const char *serviceName);

// True when the INF has a copy in the driver store or a loaded kernel
// driver's base name equals sysName (ignoring case).
[[nodiscard]] bool isDriverInstalled(const char *infPath, const char *sysName);

// The name of the INF's copy in the driver store into oemName; false
// (after an error line) when the store holds none.
[[nodiscard]] bool findOemInf(const char *infPath, char *oemName, uint32_t oemNameCapacity);

// ASCII comparison ignoring case.
[[nodiscard]] bool equalsIgnoringCase(const char *a, const char *b);
