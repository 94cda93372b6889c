// Cyclic log files: a numbered family "%s/%s.%d" (directory, prefix,
// number) in the log directory that rotates when the current file (number
// 0) reaches its size limit, keeping `history` files.
//
// A file is written synchronously under the layer lock, or asynchronously:
// writers copy their bytes into the file's ring buffer and the layer's dump
// thread moves them to disk in large writes. A full ring drops entries,
// counts them and reports "-----Skipped %d traces-----" at the next dump.
//
// The layer (mosCyclicFileLayer_Create) must be up before an asynchronous
// file is created; synchronous files work without it.
#pragma once

#include "mos_init_params.h"
#include "mos_rc.h"
#include "mos_utils.h"
#include "os_logfile.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

inline constexpr uint32_t MOS_CYCLIC_FILE_MAX_PREFIX = 32;
inline constexpr uint32_t MOS_CYCLIC_FILE_MAX_DIR_AND_PREFIX = 236;
inline constexpr uint32_t MOS_CYCLIC_FILE_SLOT_SIZE = 1024; // ring bytes per text line
inline constexpr uint32_t MOS_TIMESTAMP_LEN = 22;

// The ring of an asynchronous file. Positions are byte offsets into pData;
// one byte always stays free between the write and the read position.
struct MosCyclicRing {
    char *pData;
    uint32_t size;
    uint32_t readPos;
    uint32_t writePos;
    uint32_t wrapEnd; // where valid data ends once the writer wrapped
    uint32_t skipped; // entries dropped for lack of room
    uint32_t dumpUsedPercent;
    uint32_t dumpPeriodMs;
    uint64_t lastDumpMs;
    void *pFlushWaiter;     // a waiter's condition variable, or null
    uint64_t waiterPassSeq; // dump passes started before the waiter came
    bool bDumping;
    bool bClosing;
};

// One cyclic file; owned by its user, filled by mosCyclicFile_Create.
struct MosCyclicFile {
    MosCyclicFile *pNext; // the layer's list of asynchronous files
    MosCyclicFile *pPrev;
    MosCyclicRing ring;
    std::atomic<FILE *> pFile;
    std::atomic<int> fd; // pFile's descriptor, -1 without one: for the crash path
    char prefix[MOS_CYCLIC_FILE_MAX_PREFIX + 1];
    char dir[MOS_CYCLIC_FILE_MAX_DIR_AND_PREFIX + 1];
    uint32_t maxFileSize;
    uint32_t history;
    uint64_t dumpIoBytes;
    bool bAsync;
    bool bBinary;
    std::atomic<bool> bRotating;
    void (*pHeaderWriterCK)(FILE *pFile);
};

// Starts the layer's dump thread. The thread layer's code when it cannot.
[[nodiscard]] MOS_RC mosCyclicFileLayer_Create(void *pUnused);
// Stops the dump thread; every asynchronous file must be destroyed before.
void mosCyclicFileLayer_Destroy();

// Opens number 0 of the family for appending and rotates it once if it is
// already too large. MOS_RC__NO_RESOURCES for a prefix over 32 characters,
// directory and prefix together over 236 or a ring that cannot be
// allocated; MOS_RC__ERROR when the file cannot be opened.
[[nodiscard]] MOS_RC mosCyclicFile_Create(MosCyclicFile *pFile, const MosCyclicFileParams *pParams);
// Discards what is still in the ring (callers flush first) and closes.
void mosCyclicFile_Destroy(MosCyclicFile *pFile);

// Rotates when the current file reached its size limit.
[[nodiscard]] MOS_RC mosCyclicFile_RecycleIfNeeded(MosCyclicFile *pFile);

// One text line: the 22-character timestamp when bTimestamp, the prefix
// "%p:%s:%05u: " (user-mode thread, function, line) and a closing newline
// when bPrefix, then the rotation check when bRecycle. An asynchronous
// file stores at most MOS_CYCLIC_FILE_SLOT_SIZE bytes of a line.
void mosCyclicFile_VWriteLine(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, va_list args)
    MOS_PRINTF_LIKE(7, 0);
void mosCyclicFile_WriteLine(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bPrefix,
                             const char *pFunc, uint32_t line, const char *pFormat, ...)
    MOS_PRINTF_LIKE(7, 8);

// A block of bytes written as one entry (binary trace records).
void mosCyclicFile_WriteBytes(MosCyclicFile *pFile, const void *pBytes, uint32_t length,
                              bool bTimestamp, bool bRecycle);

// Formats straight into the open file (bypassing the ring), under the
// layer lock when bLock.
void mosCyclicFile_Printf(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bLock,
                          const char *pFormat, ...) MOS_PRINTF_LIKE(5, 6);

// Flushes the open file's stream, under the layer lock and not while the
// dump thread writes the file; nothing once writing has been stopped.
void mosCyclicFile_Flush(MosCyclicFile *pFile);

// Waits until the dump thread has written what the file's ring held at the
// call, at most timeoutMs (0: no limit). Nothing for a synchronous file.
void mosCyclicFile_WaitDump(MosCyclicFile *pFile, uint32_t timeoutMs);

// For a signal handler on the exit path: writes what the rings of the
// asynchronous files hold straight to their descriptors, after taking the
// layer lock by trying (never by waiting on it) and waiting out the dump
// thread's pass, for at most timeoutMs in all. Async-signal-safe; nothing
// when the calling thread holds the lock or is the dump thread. The lock
// stays taken: nothing changes a ring while the process ends.
void mosCyclicFile_DrainInSignal(uint32_t timeoutMs);

// Every later write of any cyclic file returns at once (exit path).
void mosCyclicFile_StopWriting();
bool mosCyclicFile_IsWritingStopped();
// True on the dump thread and on a thread holding the layer lock.
bool mosCyclicFile_IsDumpThreadOrLockOwner();

// Writes the 22-character timestamp "%02d/%02d %02d:%02d:%02d.%06d " and a
// NUL into pBuf (at least 23 bytes); returns 22. The second form writes a
// given time without any call out (a signal handler may use it).
int mosCyclicFile_FormatTimestamp(char *pBuf);
int mosCyclicFile_FormatTimestampOf(char *pBuf, const MosLocalTime &time);

// Writes "%p:%s:%05u: " for the current user-mode thread; the handle is
// printed as 16 upper-case hex digits on every platform. Returns the
// characters stored (clipped to bufSize - 1).
int mosCyclicFile_FormatLinePrefix(char *pBuf, size_t bufSize, const char *pFunc, uint32_t line);
