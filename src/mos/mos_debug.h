// Assertions and the panic path of the runtime library.
//
// A broken invariant calls mosDbg_Panic with the source file, function,
// expression text and an extra text, then mosDbg_AssertExit, which ends
// the process with exit code -1. The panic text goes to the exception
// file when the debug layer is up, else to standard output.
#pragma once

// Writes the panic record: "%sPanic in file %s, line %d, function %s, PID
// %d.Panic Expression %s %s.\n". Returns to its caller, which then ends
// the process.
void mosDbg_Panic(const char *pPrefix, const char *pFile, const char *pFunc, const char *pExpr,
                  const char *pExtra, int line);

// Ends the process with exit code -1. Never returns.
[[noreturn]] void mosDbg_AssertExit();

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
