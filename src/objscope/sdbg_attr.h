// Colour codes of the viewer's text. The page buffer gives every character
// one pair; only the output devices know what a code looks like.
#pragma once

#include <cstdint>

enum Sdbg_Color : int32_t {
    SDBG_COLOR_KEEP = -1, // as an argument: keep that half of the current pair
    SDBG_COLOR_DEFAULT = 0,
    SDBG_COLOR_VALUE = 1,
    SDBG_COLOR_ALERT = 2,
    SDBG_COLOR_OK = 3,
    SDBG_COLOR_LABEL = 4,
    SDBG_COLOR_HIGHLIGHT = 5, // as a background: blue
};

struct Sdbg_Attr {
    uint32_t foreground = SDBG_COLOR_DEFAULT;
    uint32_t background = SDBG_COLOR_DEFAULT;

    bool operator==(const Sdbg_Attr &other) const = default;
};
