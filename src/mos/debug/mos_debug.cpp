#include "mos_debug.h"

#include "mos_diag_counters.h"

#include "mos_cyclic_file.h"
#include "mos_init_params.h"
#include "mos_os_thread.h"
#include "mos_trace.h"
#include "mos_utils.h"
#include "os_crash.h"
#include "os_logfile.h"
#include "os_proc.h"

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t EXCEPTION_LANGUAGE_MSVC = 0xE06D7363u;
// mingw-w64 raises its C++ exceptions under three codes ending in "GCC"
// (throw 0x20474343, unwind 0x21474343, forced unwind 0x22474343); like
// the one above they are the language's own business, not a crash.
constexpr uint32_t EXCEPTION_LANGUAGE_GCC_MASK = 0x00FFFFFFu;
constexpr uint32_t EXCEPTION_LANGUAGE_GCC = 0x00474343u;

bool isLanguageException(uint32_t code) {
    uint32_t gccKind = code >> 24;
    return code == EXCEPTION_LANGUAGE_MSVC ||
           ((code & EXCEPTION_LANGUAGE_GCC_MASK) == EXCEPTION_LANGUAGE_GCC && gccKind >= 0x20 &&
            gccKind <= 0x22);
}
constexpr uint32_t EXCEPTION_DEBUG_OUTPUT = 0x40010006u;
// Its wide-text form and the thread-naming notification are likewise
// messages to a debugger that the raiser continues after.
constexpr uint32_t EXCEPTION_DEBUG_OUTPUT_WIDE = 0x4001000Au;
constexpr uint32_t EXCEPTION_THREAD_NAME = 0x406D1388u;
constexpr uint64_t DUMP_ESTIMATE_EXTRA_BYTES = 200ull << 20;
constexpr uint32_t PATH_CHARS = 256;

struct DbgLayer {
    MosCyclicFile expFile;
    MosCyclicFile umtFile;
    bool bUp;
    bool bExpActive;
    bool bUmtActive;
    uint32_t dbg_enable_core;
    uint32_t dbg_enable_backtrace;
    uint32_t exp_dump_traces;
    uint32_t dbg_core_type;
    uint32_t exp_milli_wait_dump_traces;
    uint32_t doubleExitWaitMs;
    uint32_t backtraceTimeSec;
    uint64_t coreMinFreeDiskBytes;
    char corePath[PATH_CHARS];
    std::chrono::steady_clock::time_point startTime;
};

DbgLayer dbgLayer_G;

void prepareThreadCK(void * /*pUserData*/) {
    osCrash_PrepareThread();
}
void releaseThreadCK(void * /*pUserData*/) {
    osCrash_ReleaseThread();
}

// Every runtime thread gets its alternate signal stack as it starts.
MosOsThrdCKs threadCKs_G = {{}, prepareThreadCK, releaseThreadCK, nullptr};
bool bThreadCKs_G = false;
std::atomic<int32_t> exitCounter_G{0};
std::atomic<std::thread::id> firstExitThread_G;
const char *pLogDir_G = "";
const OsCrashInfo *pCrashInfo_G = nullptr;
// Standard output's descriptor, for the crash path of a signal handler.
std::atomic<int> stdoutFd_G{1};

// The longest the crash path of a signal handler waits to write the trace
// rings out when the settings ask for no limit: another thread it waits on
// may itself wait for the crashed one.
constexpr uint32_t SIGNAL_DRAIN_MAX_MS = 2000;

bool isDebuggerNotification(uint32_t code) {
    return code == EXCEPTION_DEBUG_OUTPUT || code == EXCEPTION_DEBUG_OUTPUT_WIDE ||
           code == EXCEPTION_THREAD_NAME;
}

// Writes of the exception text: the ordinary one below, and the one for a
// signal handler.
typedef void (*ExpTextWriter)(const char *pFormat, ...) MOS_PRINTF_LIKE(1, 2);

// Writes to the exception file with a timestamp when it is open, else to
// standard output (also when the layer is up without that file, and when
// file writes were stopped because this thread holds the file lock).
void writeExpText(const char *pFormat, ...) MOS_PRINTF_LIKE(1, 2);
void writeExpText(const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    if (dbgLayer_G.bUp && dbgLayer_G.bExpActive && !mosCyclicFile_IsWritingStopped()) {
        mosCyclicFile_VWriteLine(&dbgLayer_G.expFile, true, false, false, "", 0, pFormat, args);
    } else {
        vfprintf(stdout, pFormat, args);
        fflush(stdout);
    }
    va_end(args);
}

// writeExpText from a signal handler: the same bytes, formatted without
// the C library's printf and written past the streams, straight to the
// descriptors taken when they opened, so that neither a lock the crashed
// thread holds nor the allocator is needed.
void writeExpTextInSignal(const char *pFormat, ...) MOS_PRINTF_LIKE(1, 2);
void writeExpTextInSignal(const char *pFormat, ...) {
    char text[1024];
    int len = 0;
    const int expFd = dbgLayer_G.expFile.fd.load();
    const bool bFile = dbgLayer_G.bUp && dbgLayer_G.bExpActive && expFd >= 0;
    if (bFile) {
        MosLocalTime now{};
        osLogFile_GetLocalTimeInSignal(&now);
        len = mosCyclicFile_FormatTimestampOf(text, now);
    }
    va_list args;
    va_start(args, pFormat);
    len += mos_SafeVsnprintf(text + len, sizeof(text) - static_cast<size_t>(len), pFormat, args);
    va_end(args);
    (void)osLogFile_WriteRaw(bFile ? expFd : stdoutFd_G.load(), text, static_cast<size_t>(len));
}

void formatCorePath() {
    const char *pDir = pLogDir_G[0] != '\0' ? pLogDir_G : ".";
    mos_Snprintf(dbgLayer_G.corePath, sizeof(dbgLayer_G.corePath), "%s/core-%d.dmp", pDir,
                 osProc_GetCurrentProcessId());
}

// Whether the log directory's volume has room for a dump; the reasons
// against go through pWrite.
bool coreSpaceAllows(ExpTextWriter pWrite) {
    const auto &layer = dbgLayer_G;
    if (layer.dbg_enable_core == 0) {
        return false;
    }
    if (layer.coreMinFreeDiskBytes == 0) {
        return true;
    }
    if (pLogDir_G[0] == '\0') {
        pWrite("Failed to get current directory for core dump");
        return false;
    }
    uint64_t freeBytes = 0;
    if (osLogFile_GetFreeDiskBytes(pLogDir_G, &freeBytes) != MOS_RC__SUCCESS) {
        pWrite("Failed to get available disk space for core dump");
        return false;
    }
    uint64_t committed = 0;
    if (osLogFile_GetCommittedBytes(&committed) != MOS_RC__SUCCESS) {
        pWrite("Failed to get estimated size of the core dump");
        return false;
    }
    uint64_t estimate = committed + DUMP_ESTIMATE_EXTRA_BYTES;
    if (mosDbg_CoreDumpFits(freeBytes, estimate, layer.coreMinFreeDiskBytes)) {
        return true;
    }
    pWrite("Insufficient disk space for a core dump (Estimated size: %lluMB, Available: "
           "%lluMB, Minimum Space: %lluMB)\n",
           static_cast<unsigned long long>(estimate >> 20),
           static_cast<unsigned long long>(freeBytes >> 20),
           static_cast<unsigned long long>(layer.coreMinFreeDiskBytes >> 20));
    return false;
}

void dumpWriter() {
    uint32_t kind = 0;
    const char *pPath = mosDbg_GetCoreDumpPath(&kind);
    if (kind == 0 || kind > 6) {
        return;
    }
    (void)osCrash_WriteDump(pPath, kind, pCrashInfo_G);
}

void writeDumpOnThread() {
    try {
        std::thread writer(dumpWriter);
        writer.join();
    } catch (const std::exception &) {
        // A dump that cannot be started is skipped.
    }
}

constexpr char BACKTRACES_START[] = "************************** BACKTRACES START "
                                    "*****************************\n";
constexpr char BACKTRACES_END[] = "************************** BACKTRACES END "
                                  "*******************************\n\n";

// The backtraces of the user-mode threads between their marker lines. No
// user-mode thread runs in these programs; the calling thread's own stack
// is what shows where the process ended.
void writeBacktraces() {
    auto &layer = dbgLayer_G;
    if (!layer.bUp || !layer.bUmtActive || mosCyclicFile_IsWritingStopped()) {
        return;
    }
    MosCyclicFile *pFile = &layer.umtFile;
    mosCyclicFile_Printf(pFile, false, false, true, "%s", BACKTRACES_START);
    // The stack goes straight to the descriptor, after what the stream holds.
    mosCyclicFile_Flush(pFile);
    const int fd = pFile->fd.load();
    if (fd >= 0) {
        osCrash_WriteBacktrace(fd);
    }
    mosCyclicFile_Printf(pFile, false, false, true, "%s", BACKTRACES_END);
    mosCyclicFile_Flush(pFile);
}

// writeBacktraces from a signal handler, straight to the descriptor.
void writeBacktracesInSignal() {
    const auto &layer = dbgLayer_G;
    const int fd = layer.umtFile.fd.load();
    if (!layer.bUp || !layer.bUmtActive || fd < 0) {
        return;
    }
    (void)osLogFile_WriteRaw(fd, BACKTRACES_START, sizeof(BACKTRACES_START) - 1);
    osCrash_WriteBacktrace(fd);
    (void)osLogFile_WriteRaw(fd, BACKTRACES_END, sizeof(BACKTRACES_END) - 1);
}

// Stops the writes that would wait for the calling thread itself.
void stopWritingIfHoldingTheFiles() {
    if (mosCyclicFile_IsDumpThreadOrLockOwner()) {
        mosCyclicFile_StopWriting();
    }
}

// Counts this thread into the exit path; a thread that comes second ends
// the process with -1, at once when it is the first one entering again,
// else after the double-exit wait.
void enterExitPath(bool bInSignal) {
    if (exitCounter_G.fetch_add(1) == 0) {
        firstExitThread_G.store(std::this_thread::get_id());
        return;
    }
    if (firstExitThread_G.load() != std::this_thread::get_id()) {
        mosDbg_SleepMs(dbgLayer_G.doubleExitWaitMs != 0 ? dbgLayer_G.doubleExitWaitMs : 1000);
    }
    if (!bInSignal) {
        fflush(stdout);
    }
    _Exit(-1);
}

// A processor exception met inside a signal handler: the record, the
// flush of the trace rings and the dump or backtraces of the ordinary
// path below, with async-signal-safe calls only, so that a fault inside
// the allocator or the C library, or one under the cyclic-file lock, still
// ends with its record. The diagnostic counters, which go through the
// trace, are left out.
[[noreturn]] void exceptionInSignal(const OsCrashInfo *pInfo) {
    writeExpTextInSignal("Unhandled exception caught. Exception code 0x%x. IP %p\n", pInfo->code,
                         pInfo->pIp);
    stopWritingIfHoldingTheFiles();
    enterExitPath(true);
    const auto &layer = dbgLayer_G;
    if (layer.exp_dump_traces != 0) {
        const uint32_t waitMs = layer.exp_milli_wait_dump_traces;
        mosCyclicFile_DrainInSignal(waitMs != 0 ? waitMs : SIGNAL_DRAIN_MAX_MS);
    }
    writeExpTextInSignal(
        "%sPanic in file %s, line %d, function %s, PID %d.Panic Expression %s %s.\n", "", __FILE__,
        __LINE__, "mosDbg_ExceptionFilter", osProc_GetCurrentProcessId(), "0", "");
    if (coreSpaceAllows(writeExpTextInSignal)) {
        if (layer.corePath[0] != '\0' && layer.dbg_core_type != 0 && layer.dbg_core_type <= 6) {
            (void)osCrash_WriteDump(layer.corePath, layer.dbg_core_type, pInfo);
        }
    } else if (layer.dbg_enable_backtrace != 0) {
        writeBacktracesInSignal();
    }
    _Exit(-1);
}

void copySettings(const MosDbgParams *p) {
    auto &layer = dbgLayer_G;
    layer.dbg_enable_core = p->dbg_enable_core;
    layer.dbg_enable_backtrace = p->dbg_enable_backtrace;
    layer.exp_dump_traces = p->exp_dump_traces;
    layer.dbg_core_type = p->dbg_core_type;
    layer.exp_milli_wait_dump_traces = p->exp_milli_wait_dump_traces;
    layer.doubleExitWaitMs = p->debug_double_exp_wait_sec * 1000;
    layer.backtraceTimeSec = p->dbg_backtrace_time_sec;
    layer.coreMinFreeDiskBytes = p->coreMinFreeDiskBytes;
}

bool fileEnabled(const MosCyclicFileParams &p) {
    return p.bEnabled != 0 && p.history != 0;
}

// Creates one file synchronously; false on failure.
bool createSyncFile(MosCyclicFile *pFile, const MosCyclicFileParams &params) {
    MosCyclicFileParams sync = params;
    sync.bAsync = 0;
    return mosCyclicFile_Create(pFile, &sync) == MOS_RC__SUCCESS;
}

void closeFiles() {
    auto &layer = dbgLayer_G;
    if (layer.bExpActive) {
        mosCyclicFile_Destroy(&layer.expFile);
    }
    if (layer.bUmtActive) {
        mosCyclicFile_Destroy(&layer.umtFile);
    }
    layer.bExpActive = layer.bUmtActive = false;
}

void openFiles(const MosDbgParams *p) {
    auto &layer = dbgLayer_G;
    bool bExp = fileEnabled(p->expFile);
    bool bUmt = fileEnabled(p->umtFile);
    if (!bExp && !bUmt) {
        return;
    }
    if (bExp && !(layer.bExpActive = createSyncFile(&layer.expFile, p->expFile))) {
        return;
    }
    if (bUmt && !(layer.bUmtActive = createSyncFile(&layer.umtFile, p->umtFile))) {
        closeFiles(); // the layer stays down, with nothing left open
        return;
    }
    layer.bUp = true;
}

} // namespace

MOS_RC mosDbgLayer_Init(void *pDbgParams) {
    auto &layer = dbgLayer_G;
    layer.bUp = layer.bExpActive = layer.bUmtActive = false;
    layer.dbg_enable_core = layer.dbg_enable_backtrace = layer.exp_dump_traces = 0;
    layer.dbg_core_type = layer.exp_milli_wait_dump_traces = 0;
    layer.doubleExitWaitMs = layer.backtraceTimeSec = 0;
    layer.coreMinFreeDiskBytes = 0;
    layer.corePath[0] = '\0';
    layer.startTime = std::chrono::steady_clock::now();
    const auto *p = static_cast<const MosDbgParams *>(pDbgParams);
    if (p != nullptr) {
        copySettings(p);
        formatCorePath();
    }
    if (layer.doubleExitWaitMs == 0) {
        layer.doubleExitWaitMs = 1000;
    }
    if (layer.backtraceTimeSec == 0) {
        layer.backtraceTimeSec = 1;
    }
    osCrash_InstallFilter(mosDbg_ExceptionFilter);
    // What the crash path of a signal handler cannot look up there.
    stdoutFd_G.store(osLogFile_Descriptor(stdout));
    MosLocalTime now{};
    osLogFile_GetLocalTime(&now); // notes the zone's offset
    if (!bThreadCKs_G) {
        mosOsThrd_RegisterCKs(&threadCKs_G);
        bThreadCKs_G = true;
    }
    if (p != nullptr) {
        openFiles(p);
    }
    return MOS_RC__SUCCESS;
}

void mosDbgLayer_Destroy() {
    osCrash_RemoveFilter();
    if (bThreadCKs_G) {
        mosOsThrd_UnRegisterCKs(&threadCKs_G);
        bThreadCKs_G = false;
    }
    if (!dbgLayer_G.bUp) {
        return;
    }
    dbgLayer_G.bUp = false;
    closeFiles();
}

void mosDbg_PrepareToExit() {
    stopWritingIfHoldingTheFiles();
    enterExitPath(false);
    if (dbgLayer_G.exp_dump_traces != 0) {
        mosTrace_Flush(dbgLayer_G.exp_milli_wait_dump_traces);
    }
}

void mos_Exit(int exitCode) {
    mosDbg_PrepareToExit();
    exit(exitCode);
}

void mosDbg_PlannedCrashModuleWithDesc(const char *pReason) {
    MOS_TRACE(MOS_COMP_MOS, 1, "---Planned crash, reason: %s ---\n", pReason);
    mosDbg_PrepareToExit();
    fflush(nullptr);
    _Exit(254);
}

void mosDbg_Panic(const char *pPrefix, const char *pFile, const char *pFunc, const char *pExpr,
                  const char *pExtra, int line) {
    // Before the counters' lines: they go through the trace files, whose
    // lock this thread may hold.
    stopWritingIfHoldingTheFiles();
    mosDiagCounters_PrintExceeded(true);
    mosDbg_PrepareToExit();
    writeExpText("%sPanic in file %s, line %d, function %s, PID %d.Panic Expression %s %s.\n",
                 pPrefix, pFile, line, pFunc, osProc_GetCurrentProcessId(), pExpr, pExtra);
    mosDbg_FlushExpFile();
    bool bDump = coreSpaceAllows(writeExpText);
    mosDbg_FlushExpFile();
    if (bDump) {
        writeDumpOnThread();
    } else if (dbgLayer_G.dbg_enable_backtrace != 0) {
        writeBacktraces();
    }
}

void mosDbg_AssertExit() {
    fflush(nullptr);
    // -1 as the process's exit code, whatever the platform makes of it.
    _Exit(-1);
}

bool mosDbg_ExceptionFilter(const OsCrashInfo *pInfo) {
    if (isLanguageException(pInfo->code)) {
        return true;
    }
    if (osCrash_FilterRunsInSignalHandler()) {
        if (isDebuggerNotification(pInfo->code)) {
            return true; // raised by no signal; passed on without a trace
        }
        exceptionInSignal(pInfo);
    }
    if (mosCyclicFile_IsDumpThreadOrLockOwner()) {
        return true;
    }
    if (isDebuggerNotification(pInfo->code)) {
        if (mosTraceConf_GetComponentFreq(MOS_COMP_MOS) == 3) {
            MOS_TRACE(MOS_COMP_MOS, 3, "Exception is ignored: 0x%x, IP %p", pInfo->code,
                      pInfo->pIp);
        }
        return true;
    }
    writeExpText("Unhandled exception caught. Exception code 0x%x. IP %p\n", pInfo->code,
                 pInfo->pIp);
    mosDbg_FlushExpFile();
    pCrashInfo_G = pInfo;
    mosDbg_Panic("", __FILE__, "mosDbg_ExceptionFilter", "0", "", __LINE__);
    mosDbg_AssertExit();
}

bool mosDbg_CoreDumpFits(uint64_t freeBytes, uint64_t estimateBytes, uint64_t minFreeBytes) {
    // Compared without adding, which could wrap for a huge minimum.
    return freeBytes >= estimateBytes && freeBytes - estimateBytes >= minFreeBytes;
}

MosCyclicFile *mosDbg_GetExpFile() {
    return dbgLayer_G.bUp && dbgLayer_G.bExpActive ? &dbgLayer_G.expFile : nullptr;
}

bool mosDbg_IsLayerUp() {
    return dbgLayer_G.bUp;
}

const char *mosDbg_GetCoreDumpPath(uint32_t *pKind) {
    if (dbgLayer_G.corePath[0] == '\0') {
        formatCorePath();
    }
    *pKind = dbgLayer_G.dbg_core_type;
    return dbgLayer_G.corePath;
}

void mosDbg_FlushExpFile() {
    if (dbgLayer_G.bUp && dbgLayer_G.bExpActive) {
        mosCyclicFile_Flush(&dbgLayer_G.expFile);
    }
}

void mosDbg_SleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void mosDbg_SetLogDir(const char *pLogDir) {
    pLogDir_G = pLogDir != nullptr ? pLogDir : "";
}

const char *mosDbg_GetLogDir() {
    return pLogDir_G;
}
