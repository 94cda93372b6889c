// Process identity, the same on every platform.
#pragma once

// The operating system's id of the calling process (GetCurrentProcessId,
// getpid).
int osProc_GetCurrentProcessId();
