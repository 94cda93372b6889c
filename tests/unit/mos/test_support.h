// Helpers shared by the runtime library's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace mostest {

// True when a death test's child ended with exit code -1, as the platform
// reports it: 255 from a POSIX wait status, -1 from a Windows exit code.
inline bool ExitedWithMinusOne(int status) {
    return testing::ExitedWithCode(255)(status) || testing::ExitedWithCode(-1)(status);
}

// Panic texts go to standard output while no exception file is open;
// death tests read standard error, so a death statement starts with this.
inline void StdoutToStderr() {
    fflush(stdout);
    dup2(fileno(stderr), fileno(stdout));
}

} // namespace mostest
