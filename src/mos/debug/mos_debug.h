// The debug layer: how a program built on the runtime ends.
//
// Orderly through mos_Exit; on a broken invariant through mosDbg_Panic
// followed by mosDbg_AssertExit (exit code -1); on a planned crash with
// exit code 254; on an unexpected processor exception through the
// exception filter (exit code -1). On the way out the traces are flushed
// when configured, the panic text goes to the exception file (standard
// output when there is none), and a crash dump or the backtraces are
// written when configured. Two threads ending the process at once: the
// second ends it with -1 after the double-exit wait.
#pragma once

#include "mos_rc.h"

#include <cstdint>

struct MosCyclicFile;
struct OsCrashInfo;

// Writes the panic record "%sPanic in file %s, line %d, function %s, PID
// %d.Panic Expression %s %s.\n", then a crash dump or the backtraces when
// configured. Returns to its caller, which then ends the process.
void mosDbg_Panic(const char *pPrefix, const char *pFile, const char *pFunc, const char *pExpr,
                  const char *pExtra, int line);

// Ends the process with exit code -1. Never returns.
[[noreturn]] void mosDbg_AssertExit();

// The debug layer (process layer): a null slice leaves it down (panic
// texts then go to standard output). Installs the exception filter.
[[nodiscard]] MOS_RC mosDbgLayer_Init(void *pDbgParams);
void mosDbgLayer_Destroy();

// Flushes the traces when configured and guards against a second exit
// running at the same time (which ends the process with -1).
void mosDbg_PrepareToExit();

// mosDbg_PrepareToExit, then the process's normal exit with exitCode.
[[noreturn]] void mos_Exit(int exitCode);

// Traces the reason, prepares to exit and ends the process with 254.
[[noreturn]] void mosDbg_PlannedCrashModuleWithDesc(const char *pReason);

// The exception filter: passes on language-level exceptions, debug-output
// notifications and anything raised on the cyclic-file dump thread or
// under its lock; for anything else writes "Unhandled exception caught.
// Exception code 0x%x. IP %p\n", panics and ends the process with -1.
bool mosDbg_ExceptionFilter(const OsCrashInfo *pInfo);

// Whether a dump of the estimated size leaves at least the minimum free on
// a volume with freeBytes available.
bool mosDbg_CoreDumpFits(uint64_t freeBytes, uint64_t estimateBytes, uint64_t minFreeBytes);

// Accessors for other modules.
MosCyclicFile *mosDbg_GetExpFile(); // null while no exception file is open
bool mosDbg_IsLayerUp();
const char *mosDbg_GetCoreDumpPath(uint32_t *pKind);
void mosDbg_FlushExpFile();
void mosDbg_SleepMs(uint32_t ms);

// The log directory given on the command line ("" without one); set by
// the environment start-up before the layers start.
void mosDbg_SetLogDir(const char *pLogDir);
const char *mosDbg_GetLogDir();

#define MOS_ASSERT_MSG(expr, extra)                                                                \
    do {                                                                                           \
        if (!(expr)) {                                                                             \
            mosDbg_Panic("", __FILE__, __func__, #expr, (extra), __LINE__);                        \
            mosDbg_AssertExit();                                                                   \
        }                                                                                          \
    } while (0)

#define MOS_ASSERT(expr) MOS_ASSERT_MSG(expr, "")

#define ALWAYS_ASSERT()                                                                            \
    do {                                                                                           \
        mosDbg_Panic("", __FILE__, __func__, "ALWAYS_ASSERT", "", __LINE__);                       \
        mosDbg_AssertExit();                                                                       \
    } while (0)
