// The driver commands of kmodctl that carry no data: the memory tracker's
// dump and reset, and the rescan of all known MDMs.
#pragma once

#include "mos_rc.h"

// Send the header-only record; they print nothing.
[[nodiscard]] MOS_RC dumpMemTrackerV200();
[[nodiscard]] MOS_RC resetMemTrackerV200();
[[nodiscard]] MOS_RC rescanV200();

// The --reset_mem_tracker and --dump_mem_tracker commands: the handler
// for the driver's version, and its success line.
[[nodiscard]] MOS_RC resetMemoryTracker();
[[nodiscard]] MOS_RC dumpMemoryTracker();
