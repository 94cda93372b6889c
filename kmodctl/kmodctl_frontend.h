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
// sending; QUERY_BLK_DEV_ID is a feature this platform does not support
// (it ends the run, but keeps its index's signature).
[[nodiscard]] MOS_RC stub_ReturnSuccess();
[[noreturn]] MOS_RC unsupportedFeature();
