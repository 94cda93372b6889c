// Starts the runtime library once per test process, as the program does
// once: suites that need its threads and locks share the one start.
#pragma once

#include "mos_loader.h"

namespace objscopetest {

inline MOS_RC EnsureRuntime() {
    static const MOS_RC rc = mos_Init(nullptr);
    return rc;
}

} // namespace objscopetest
