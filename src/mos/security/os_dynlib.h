// Operating-system seam of run-time-loaded libraries: LoadLibraryA,
// GetProcAddress and FreeLibrary (nt/dynlib.cpp), or our stand-in over
// dlopen, dlsym and dlclose (posix/dynlib.cpp). No call here writes a
// message: the callers decide.
#pragma once

#include <cstdint>

// A loaded library; null is none.
typedef void *OsDynLibHandle;

// Loads the library named pFileName and resolves its own imports at once.
// Null when it cannot be loaded. The Linux stand-in maps a Windows file
// name ("libssl-1_1-x64.dll") to the shared object that plays its part
// here ("libssl.so.3"; any other "<stem>.dll" to "lib<stem>.so"); other
// names are loaded as given.
[[nodiscard]] OsDynLibHandle osDynLib_Open(const char *pFileName);

// The address of the function pName exported by the library itself, or
// null. As GetProcAddress, a name that only a library it depends on
// exports is not found.
[[nodiscard]] void *osDynLib_Sym(OsDynLibHandle hLib, const char *pName);

// Unloads the library: non-zero on success, 0 on failure (FreeLibrary's
// result).
int32_t osDynLib_Close(OsDynLibHandle hLib);
