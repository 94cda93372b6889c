// State of the Linux stand-in for device installation and the service
// control manager: a directory (KMODSETUP_STATE_DIR, default
// /run/kmodsetup) holding
//   devices   one line per installed device, in enumeration order:
//             instance id, class GUID, class name, hardware IDs
//             (comma-separated), service, OEM INF ("-" when none)
//   inf/      the driver store: oem<N>.inf copies of installed INFs
//   services  one line per service: name, binary file name
//   drivers   one line per loaded kernel driver: load address, base name
//   journal   one line per InstallHinfSection call with its command line
//   fail      injected failures, one per line: <call> <code> [<nth>]
//             (the nth call of that name in a process fails with the
//             code; every call of it without nth)
// Fields are separated by tabs. Missing files are empty lists.
#pragma once

#include "setup_api.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct StandinDevice {
    std::string instanceId;
    SetupGuid classGuid;
    std::string className;
    std::vector<std::string> hardwareIds;
    std::string service; // empty: no driver installed on it
    std::string oemInf;  // store copy its driver came from, or empty
};

struct StandinService {
    std::string name;
    std::string binary; // e.g. "qorni.sys"
};

struct StandinDriver {
    uint64_t address;
    std::string baseName;
};

[[nodiscard]] std::string standinState_Dir();
[[nodiscard]] std::string standinState_Path(std::string_view name);

void standinState_SetLastError(uint32_t error);
[[nodiscard]] uint32_t standinState_LastError();

// True when the fail file asks this call of callName to fail; *pError
// then holds the code, which is also made the last error.
[[nodiscard]] bool standinState_InjectedFailure(const char *callName, uint32_t *pError);

// Loads return the empty list for a missing file; saves create the
// directory and replace the file whole (false when it cannot be written).
[[nodiscard]] std::vector<StandinDevice> standinState_LoadDevices();
[[nodiscard]] bool standinState_SaveDevices(const std::vector<StandinDevice> &devices);
[[nodiscard]] std::vector<StandinService> standinState_LoadServices();
[[nodiscard]] bool standinState_SaveServices(const std::vector<StandinService> &services);
[[nodiscard]] std::vector<StandinDriver> standinState_LoadDrivers();
[[nodiscard]] bool standinState_SaveDrivers(const std::vector<StandinDriver> &drivers);
[[nodiscard]] bool standinState_AppendJournal(std::string_view line);

// GUID text in registry form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
[[nodiscard]] std::string standinGuid_Format(const SetupGuid &guid);
[[nodiscard]] bool standinGuid_Parse(std::string_view text, SetupGuid *pGuid);
[[nodiscard]] bool standinGuid_Equal(const SetupGuid &a, const SetupGuid &b);
