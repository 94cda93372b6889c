// Process environment variables.
#pragma once

// Sets (pValue non-null) or removes (null) a variable of the calling
// process (SetEnvironmentVariable and the C runtime's copy; setenv).
void osEnv_Set(const char *pName, const char *pValue);
