// kmodctl's front end: its long options, the one main command of a run,
// the interface set-up with the tool's handler tables, and the ways a run
// ends.
#pragma once

#include "ioctl_interface.h"
#include "mos_rc.h"
#include "mos_utils.h"

#include <cstdint>

// The option table: 46 rows in the documented order, then the end row.
extern const MosLongOption kmodctl_Options[];
inline constexpr int32_t KMODCTL_NUM_OPTIONS = 46;

// Sets up the driver command interface for kmodctl: qorniIntf_Init, the
// 28 handler tables and the built-in v1.30 and v2.00 vectors.
void kmodctl_SetUpInterface();

// Parses argv from mos_optind on, insists on exactly one main command,
// opens the driver (unless "only_cfg"), runs the command and closes the
// driver. Returns the command's result; usage and validation failures
// and unsupported features end the process instead (exit 1 or -1).
[[nodiscard]] MOS_RC parseOptionsAndExecute(int32_t argc, char *argv[]);

// Prints the usage text on standard output.
void printUsage();

// Reports "Not supported" and ends the process with exit code -1.
[[noreturn]] void notSupported();

// Ends the process with the given exit code through the runtime's exit.
[[noreturn]] void kmodctl_Exit(int32_t code);

// Handlers without a driver command: BOOT_WAIT at v2.00 succeeds without
// sending; QUERY_BLK_DEV_ID is a feature this platform does not support.
[[nodiscard]] MOS_RC stub_ReturnSuccess();
[[noreturn]] void unsupportedFeature();

// The handler of a command index at the negotiated slot, typed back to
// the index's one signature; MOS_RC__NOT_SUPPORTED after the
// version-mismatch messages.
template <typename Fn> [[nodiscard]] MOS_RC kmodctl_GetHandler(QorniCmdIndex index, Fn *pFn) {
    QorniHandlerFn handler = nullptr;
    MOS_RC rc = qorniIntf_GetHandlerFunc(index, &handler);
    if (rc == MOS_RC__SUCCESS) {
        *pFn = reinterpret_cast<Fn>(handler);
    }
    return rc;
}
