// What kmodctl's command line gave, shared by the front end's parts.
#pragma once

#include "mos_rc.h"

#include <cstdint>
#include <cstring>

// The value the option parser returns for each option.
enum KmodctlOptionValue : int32_t {
#define KMODCTL_OPT(name, arg, value, kind) OPT__##name = value,
#include "kmodctl_options.def"
#undef KMODCTL_OPT
};

inline constexpr int32_t KMODCTL_NUM_VALUES = 64;

// Given-flags and texts by option value (texts point into argv), and the
// converted numbers.
struct KmodctlArgs {
    bool given[KMODCTL_NUM_VALUES] = {};
    const char *pText[KMODCTL_NUM_VALUES] = {};
    uint64_t mdmId = 0;
    uint64_t volId = 0;
    uint64_t startLb = 0;
    uint64_t ioSize = 512;
    int32_t paramValue = 0;
};

// Prints the usage text and ends the run with exit code 1.
[[noreturn]] void exitWithUsage();

// Copies pText into a record's text field of width bytes, zero-padded; a
// text of width characters or more fills the field without a terminating
// zero.
inline void kmodctl_CopyTextField(char *pField, size_t width, const char *pText) {
    size_t len = strnlen(pText, width);
    memcpy(pField, pText, len);
    memset(pField + len, 0, width - len);
}
