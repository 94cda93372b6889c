// Process environment variables.
#pragma once

#include <cstdint>

// Sets (pValue non-null) or removes (null) a variable of the calling
// process (SetEnvironmentVariable and the C runtime's copy; setenv).
void osEnv_Set(const char *pName, const char *pValue);

// The system's memory page size in bytes.
uint32_t osEnv_GetPageSize();
