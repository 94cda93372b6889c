#include "mos_net_trace.h"

#include <cstdarg>
#include <cstdio>

void mosNet_TraceWrite(int32_t component, int32_t level, const char *pFunc, uint32_t line,
                       const char *pFormat, ...) {
    (void)component;
    if (level > 2) {
        return;
    }
    char text[1024];
    va_list args;
    va_start(args, pFormat);
    (void)mos_Vsnprintf(text, sizeof(text), pFormat, args);
    va_end(args);
    // One write per message keeps lines of concurrent threads whole.
    fprintf(stderr, "%s:%05u: %s\n", pFunc, line, text);
}
