// Messages of the network and debug-port modules.
//
// NET_TRACE(component, level, format, ...) has the shape of the runtime's
// trace macro: level 1 errors, warnings and important events, 2
// information, 3 detail. Until the trace facility is linked into this
// library, messages of level 1 and 2 go to standard error as one line
// "<function>:<line>: <text>"; level 3 is dropped.
#pragma once

#include "mos_utils.h"

#include <cstdint>

enum : int32_t {
    NET_TRACE_COMP_MOS = 0,
    NET_TRACE_COMP_NET = 1,
};

void mosNet_TraceWrite(int32_t component, int32_t level, const char *pFunc, uint32_t line,
                       const char *pFormat, ...) MOS_PRINTF_LIKE(5, 6);

#define NET_TRACE(component, level, ...)                                                           \
    mosNet_TraceWrite((component), (level), __func__, __LINE__, __VA_ARGS__)
