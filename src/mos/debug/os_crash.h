// Crash handling of the operating system: the process-wide exception
// filter, crash dumps, backtraces and thread identity.
//
// Exception codes are Windows codes on every platform: the Linux side
// translates signals (SIGSEGV and SIGBUS: 0xC0000005, SIGSEGV next to the
// stack pointer: 0xC00000FD, SIGILL: 0xC000001D,
// SIGFPE: 0xC0000094/0xC0000095/0xC000008E/0xC0000090, SIGTRAP:
// 0x80000003).
#pragma once

#include "mos_rc.h"

#include <cstdint>
#include <cstdio>

struct OsCrashInfo {
    uint32_t code;        // Windows exception code
    void *pIp;            // instruction address
    int signalNumber;     // Linux signal, 0 on Windows
    const void *pContext; // the platform's register context, or null
};

// Returns true to pass the exception on to the next handler; a filter
// that handles it ends the process and does not return.
typedef bool (*OsCrashFilterCK)(const OsCrashInfo *pInfo);

// True where the filter runs inside a signal handler (Linux): it may then
// call async-signal-safe functions only. False on Windows, whose vectored
// handler runs as ordinary code on the faulting thread.
bool osCrash_FilterRunsInSignalHandler();

// Installs the filter behind any other handlers (AddVectoredExceptionHandler
// last; sigaction on SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGTRAP running on
// an alternate stack). A second call replaces the filter.
void osCrash_InstallFilter(OsCrashFilterCK pFilter);
// Removes the filter installed above (handlers go back to the default).
void osCrash_RemoveFilter();
// Gives the calling thread an alternate signal stack (Windows: a stack
// guarantee for the handler), so that a stack overflow still reaches the
// filter; osCrash_ReleaseThread takes it back before the thread ends.
void osCrash_PrepareThread();
void osCrash_ReleaseThread();

// Writes a crash dump of the current process to pPath: MiniDumpWriteDump
// on Windows with the kind (1 normal, 2 data segments, 3 data segments and
// private read-write memory, 4..6 full memory); on Linux a text dump of
// our own (process and thread ids, signal, registers, memory map), written
// with async-signal-safe calls only. pInfo may be null (no exception).
// MOS_RC__ERROR when the file cannot be created or written.
[[nodiscard]] MOS_RC osCrash_WriteDump(const char *pPath, uint32_t kind, const OsCrashInfo *pInfo);

// Writes the calling thread's call stack, one frame a line, straight to a
// descriptor (osLogFile_Descriptor); on Linux without allocating (the
// unwinder is loaded when the filter is installed), so a signal handler
// may call it.
void osCrash_WriteBacktrace(int fd);

// The operating system's id of the calling thread.
uint64_t osCrash_GetThreadId();
