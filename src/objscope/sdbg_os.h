// The viewer's thin operating-system layer.
//
// Portable code of the viewer reaches the system only through this header
// and the console devices (sdbg_tty.h). nt/ calls Win32; posix/ is
// the Linux stand-in with the same functions and the same observable
// behaviour.
#pragma once

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_os_thread.h"

#include <cstddef>
#include <cstdint>

// Performance-counter ticks per second; 2,000,000,000.0 until SdbgOs_Init
// reads the real value (kept when the system cannot give it).
extern double SdbgOs_PerfFrequency;

// Reads the performance-counter frequency and installs the console control
// handler, after which every console control event (Ctrl+C, Ctrl+Break,
// closing the console; on Linux SIGINT, SIGQUIT, SIGHUP and SIGTERM) ends
// the process with exit code 1 and the console restored. Throws
// Sdbg_SystemException when the handler cannot be installed. Called once.
void SdbgOs_Init();

// Ends the process with exit code 1 for any console control event; the
// console is put back as it was found first.
[[noreturn]] void SdbgOs_ConsoleCtrlHandler(uint32_t ctrlType);

// Puts the console back as the program found it (colours, raw input mode,
// the second screen buffer). Safe to call from a signal handler and more
// than once.
void SdbgOs_RestoreConsole();

// Writes the system's message for errorCode into pBuf (bufSize bytes,
// NUL-terminated) exactly as the system words it. Returns the number of
// characters written, 0 when the system has no message.
uint32_t SdbgOs_FormatSystemMessage(uint32_t errorCode, uint32_t bufSize, char *pBuf);

// The 38-character registry text of a 16-byte GUID ("{" 8-4-4-4-12 "}",
// upper-case hex), as the system's COM library forms it, each character
// narrowed to one byte. pText receives it NUL-terminated.
inline constexpr uint32_t kSdbgGuidTextSize = 40;
void SdbgOs_GuidText(const uint8_t guid[16], char pText[kSdbgGuidTextSize]);

// Writes the system's message for a Win32 error that a device call
// returned (the device stand-in on Linux words it as the C library does
// the nearest errno). Returns the characters written.
uint32_t SdbgOs_FormatDeviceError(uint32_t win32Error, uint32_t bufSize, char *pBuf);

// Writes size bytes to the process's standard output as they are, in as
// few system calls as the system allows (one, unless it takes part of
// them), through the C runtime on Windows so its text mode still applies.
// False when the stream refused them; nothing is retried then.
bool SdbgOs_WriteStdout(const char *pData, size_t size);

// The calling thread's last error (GetLastError; errno on Linux).
uint32_t SdbgOs_GetLastError();

// The worker's lock: one runtime-library fast lock.
struct Sdbg_Mutex {
    static void Init(Sdbg_Mutex *pMutex);
    static void Destroy(Sdbg_Mutex *pMutex);
    static void Lock(Sdbg_Mutex *pMutex);
    static void Unlock(Sdbg_Mutex *pMutex);

    MosFastlock lock;
};

// A manual-reset event: once set it stays set until reset; Set wakes every
// waiter; Wait returns at once on a set event and leaves it set.
struct Sdbg_Event {
    static void Init(Sdbg_Event *pEvent);
    static void Destroy(Sdbg_Event *pEvent);
    static void Set(Sdbg_Event *pEvent);
    static void Reset(Sdbg_Event *pEvent);
    static void Wait(Sdbg_Event *pEvent);
    // Waits until the event is set or timeoutMs have passed; true when set.
    static bool WaitFor(Sdbg_Event *pEvent, uint32_t timeoutMs);

    MosFastlock lock;
    MosOSWCond cond;
    uint32_t bSignalled;
};

// Sleeps the calling thread for ms milliseconds; 0 only gives up the rest
// of the time slice.
void SdbgOs_Sleep(uint32_t ms);

// The body of a thread started by SdbgOs_StartThread; the thread's record
// lives in the runnable, which must outlive the thread.
class Sdbg_ThrdRunnable {
  public:
    virtual ~Sdbg_ThrdRunnable();
    virtual void Run() = 0;

    MosOsThrd thread{};
};

// Starts a thread (1 MiB stack, unnamed) that calls pRunnable->Run and
// ends when it returns; the layer never joins it. Throws
// Sdbg_SystemException when the thread cannot be created.
void SdbgOs_StartThread(Sdbg_ThrdRunnable *pRunnable);

// The start routine of those threads: runs the runnable given as pArg.
void SdbgOs_ThreadEntry(void *pArg);
