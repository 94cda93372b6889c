// The panic path. Until the debug layer owns an exception file, every
// panic record goes to standard output.
#include "mos_debug.h"

#include "usr/os_proc.h"

#include <cstdio>
#include <cstdlib>

void mosDbg_Panic(const char *pPrefix, const char *pFile, const char *pFunc, const char *pExpr,
                  const char *pExtra, int line) {
    fprintf(stdout, "%sPanic in file %s, line %d, function %s, PID %d.Panic Expression %s %s.\n",
            pPrefix, pFile, line, pFunc, osProc_GetCurrentProcessId(), pExpr, pExtra);
    fflush(stdout);
}

void mosDbg_AssertExit() {
    fflush(nullptr);
    // -1 as the process's exit code, whatever the platform makes of it.
    _Exit(-1);
}
