// System error codes with their Windows values on both targets, named
// KS_<Windows name> so that they never meet the platform's own macros.
#pragma once

#include <cstdint>

enum WinError : uint32_t {
#define KS_WIN_ERROR(name, value, text) KS_##name = value,
#include "win_errors.def"
#undef KS_WIN_ERROR
};
