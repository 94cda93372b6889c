#include "mos_cyclic_file.h"

#include "mos_diag_counters.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_trace.h"
#include "mos_umt.h"
#include "os_logfile.h"

#include "mos_condvar.h"
#include "mos_fastlock.h"
#include "mos_os_thread.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t DEFAULT_RING_BYTES = 5242880;
constexpr uint32_t DEFAULT_DUMP_PERCENT = 10;
constexpr uint32_t DEFAULT_DUMP_PERIOD_MS = 1000;
constexpr uint32_t DEFAULT_DUMP_IO_MIB = 20;
constexpr uint32_t WRAP_LINE_BREAK_EVERY = 160;

// One lock covers every cyclic file; the fast lock records its owner, so
// that the exit path can tell whether the calling thread would wait for
// itself.
// The rings of the asynchronous files are the lock's too.
struct CyclicFileLayer {
    MosFastlock lock;
    std::atomic<uint32_t> lockOwnerTid; // read by other threads on the exit path
    MosOSWCond cond;
    MosOSWCond startedCond; // the dump thread is running
    MosOsThrd dumpThread;
    std::atomic<uint32_t> dumpThreadTid;
    MosCyclicFile *pFirst MOS_GUARDED_BY(lock); // asynchronous files
    MosCyclicFile *pLast MOS_GUARDED_BY(lock);
    uint32_t asyncCount MOS_GUARDED_BY(lock);
    uint32_t minPeriodMs MOS_GUARDED_BY(lock);
    uint64_t passSeq MOS_GUARDED_BY(lock); // dump passes started
    bool bStop MOS_GUARDED_BY(lock);
    bool bWakePending MOS_GUARDED_BY(lock); // a wake-up that came while the thread was busy
    bool bUp;                               // changed by the layer's create and destroy only
    std::atomic<bool> bStopWriting;
};

// Never destroyed: threads may still write while the process exits.
CyclicFileLayer &cyclicFileLayer_G = *new CyclicFileLayer{};

// The layer lock with its owner noted, taken and given back by hand where
// a function lets it go for a while.
void layerLock() MOS_ACQUIRE(cyclicFileLayer_G.lock) {
    (void)mosFastlockBase_Acquire(&cyclicFileLayer_G.lock);
    cyclicFileLayer_G.lockOwnerTid.store(mosOsThrd_GetCurrentTid());
}

void layerUnlock() MOS_RELEASE(cyclicFileLayer_G.lock) {
    cyclicFileLayer_G.lockOwnerTid.store(0);
    mosFastlockBase_Release(&cyclicFileLayer_G.lock);
}

class MOS_SCOPED_CAPABILITY LayerLock {
  public:
    LayerLock() MOS_ACQUIRE(cyclicFileLayer_G.lock) { lock(); }
    ~LayerLock() MOS_RELEASE() {
        if (m_bHeld) {
            unlock();
        }
    }
    LayerLock(const LayerLock &) = delete;
    LayerLock &operator=(const LayerLock &) = delete;
    void unlock() MOS_RELEASE() {
        m_bHeld = false;
        layerUnlock();
    }
    void lock() MOS_ACQUIRE() {
        layerLock();
        m_bHeld = true;
    }
    // Waits on a condition variable (timeoutMs 0: no limit); the layer
    // lock is free during the wait and held again on return.
    void wait(MosOSWCond *pCond, uint32_t timeoutMs) MOS_REQUIRES(cyclicFileLayer_G.lock) {
        cyclicFileLayer_G.lockOwnerTid.store(0);
        mosFastlockBase_ReleaseImplicit(&cyclicFileLayer_G.lock);
        (void)mosOSWCond_TimedWait(pCond, &cyclicFileLayer_G.lock.slimLock,
                                   timeoutMs == 0 ? -1 : static_cast<int32_t>(timeoutMs));
        mosFastlockBase_AcquireImplicit(&cyclicFileLayer_G.lock);
        cyclicFileLayer_G.lockOwnerTid.store(mosOsThrd_GetCurrentTid());
    }

  private:
    bool m_bHeld = false;
};

uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool isWrapped(const MosCyclicRing &ring) {
    return ring.writePos < ring.readPos;
}

uint32_t usedBytes(const MosCyclicRing &ring) {
    if (isWrapped(ring)) {
        return ring.wrapEnd - ring.readPos + ring.writePos;
    }
    return ring.writePos - ring.readPos;
}

void formatPath(char *pBuf, size_t bufSize, const MosCyclicFile *pFile, uint32_t number) {
    mos_Snprintf(pBuf, bufSize, "%s/%s.%u", pFile->dir, pFile->prefix, number);
}

// Makes pStream (or none) the file's open stream, its descriptor first.
void publishStream(MosCyclicFile *pFile, FILE *pStream) {
    pFile->fd.store(osLogFile_Descriptor(pStream));
    pFile->pFile.store(pStream);
}

// Takes the open stream away from the file; the caller closes it.
FILE *takeStream(MosCyclicFile *pFile) {
    FILE *pStream = pFile->pFile.exchange(nullptr);
    pFile->fd.store(-1);
    return pStream;
}

FILE *openNumberZero(MosCyclicFile *pFile, bool bAppend) {
    char path[512];
    formatPath(path, sizeof(path), pFile, 0);
    FILE *pStream = osLogFile_Open(path, pFile->bBinary, bAppend);
    if (pStream != nullptr && bAppend) {
        // The size check reads the position, which an appending stream
        // reports only once it was moved to the end.
        fseek(pStream, 0, SEEK_END);
    }
    if (pStream != nullptr && pFile->pHeaderWriterCK != nullptr) {
        pFile->pHeaderWriterCK(pStream);
        // On disk at once: the crash path writes past the stream's buffer.
        fflush(pStream);
    }
    return pStream;
}

// Fills the unused tail after a wrap so that a reader of the ring's memory
// sees why it holds no data; the tail itself is never written to the file.
void markWrapTail(MosCyclicRing &ring) {
    uint32_t tailLen = ring.size - ring.writePos;
    ring.wrapEnd = ring.writePos;
    if (tailLen == 0) {
        ring.wrapEnd = ring.size;
        return;
    }
    char *pTail = ring.pData + ring.writePos;
    memset(pTail, '*', tailLen);
    int stored = mos_SnprintfClipped(pTail, tailLen,
                                     "\n***********************************Skipped %d bytes due "
                                     "to wrapping***********************************",
                                     static_cast<int>(tailLen));
    for (uint32_t i = stored < 0 ? 0 : static_cast<uint32_t>(stored); i < tailLen;
         i += WRAP_LINE_BREAK_EVERY) {
        pTail[i] = '\n';
    }
    ring.pData[ring.size - 1] = '\n';
}

// Reserves `need` contiguous bytes at the write position, wrapping to the
// ring's start when the end has no room. Null when the ring is too full.
char *reserve(MosCyclicRing &ring, uint32_t need) {
    uint32_t room = isWrapped(ring) ? ring.readPos - 1 - ring.writePos : ring.size - ring.writePos;
    if (room >= need) {
        return ring.pData + ring.writePos;
    }
    uint32_t startRoom = ring.readPos == 0 ? 0 : ring.readPos - 1;
    if (isWrapped(ring) || startRoom < need) {
        return nullptr;
    }
    markWrapTail(ring);
    ring.writePos = 0;
    return ring.pData;
}

bool dumpDue(const MosCyclicRing &ring, bool bForce, uint64_t now) {
    if (ring.pFlushWaiter != nullptr && ring.skipped != 0) {
        return true;
    }
    uint32_t used = usedBytes(ring);
    if (used != 0 && static_cast<uint64_t>(used) * 100 >=
                         static_cast<uint64_t>(ring.dumpUsedPercent) * ring.size) {
        return true;
    }
    bool bPeriodOver = bForce && now - ring.lastDumpMs >= ring.dumpPeriodMs;
    if (used == 0) {
        // Drops alone still deserve their line once a period is over.
        return bPeriodOver && ring.skipped != 0;
    }
    return ring.pFlushWaiter != nullptr || bPeriodOver;
}

void writeChunked(MosCyclicFile *pFile, FILE *pStream, const char *pBytes, uint32_t length) {
    while (length > 0) {
        size_t chunk = length < pFile->dumpIoBytes ? length : pFile->dumpIoBytes;
        size_t written = fwrite(pBytes, 1, chunk, pStream);
        if (written == 0) {
            return;
        }
        pBytes += written;
        length -= static_cast<uint32_t>(written);
    }
}

struct DumpWork {
    uint32_t readPos;
    uint32_t writePos;
    uint32_t wrapEnd;
    uint32_t skipped;
};

// Writes one file's noted ring bytes; runs without the layer lock.
void dumpOne(MosCyclicFile *pFile, const DumpWork &work) {
    FILE *pStream = pFile->pFile.load();
    const char *pData = pFile->ring.pData;
    if (work.writePos < work.readPos) {
        writeChunked(pFile, pStream, pData + work.readPos, work.wrapEnd - work.readPos);
        writeChunked(pFile, pStream, pData, work.writePos);
    } else {
        writeChunked(pFile, pStream, pData + work.readPos, work.writePos - work.readPos);
    }
    (void)mosCyclicFile_RecycleIfNeeded(pFile);
    if (work.skipped != 0) {
        mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__SKIPPED_TRACES_EVENTS);
        if (pFile->bBinary) {
            MOS_TRACE(MOS_COMP_MOS, 1, "-----Skipped %d traces-----",
                      static_cast<int>(work.skipped));
        } else {
            mosCyclicFile_Printf(pFile, true, false, false, "-----Skipped %d traces-----\n",
                                 static_cast<int>(work.skipped));
        }
    }
    FILE *pCurrent = pFile->pFile.load();
    if (pCurrent != nullptr) {
        fflush(pCurrent);
    }
    osLogFile_RefreshTimeZone();
}

void finishDump(MosCyclicRing &ring, const DumpWork &work) {
    ring.readPos = work.writePos;
    if (ring.readPos == ring.size) {
        ring.readPos = 0;
        if (ring.writePos == ring.size) {
            ring.writePos = 0;
        }
    }
    ring.lastDumpMs = nowMs();
}

// A flush waiter is woken only by a pass that started after it came: a
// pass already running noted its positions before, and would leave the
// waiter's last lines in the ring.
void dumpPass() MOS_REQUIRES(cyclicFileLayer_G.lock) {
    const uint64_t seq = ++cyclicFileLayer_G.passSeq;
    uint64_t now = nowMs();
    for (MosCyclicFile *pFile = cyclicFileLayer_G.pFirst; pFile != nullptr; pFile = pFile->pNext) {
        MosCyclicRing &ring = pFile->ring;
        if (ring.bClosing || pFile->pFile.load() == nullptr || !dumpDue(ring, true, now)) {
            continue;
        }
        DumpWork work{ring.readPos, ring.writePos, ring.wrapEnd, ring.skipped};
        ring.skipped = 0;
        ring.bDumping = true;
        layerUnlock();
        dumpOne(pFile, work);
        layerLock();
        finishDump(ring, work);
    }
    for (MosCyclicFile *pFile = cyclicFileLayer_G.pFirst; pFile != nullptr; pFile = pFile->pNext) {
        if (pFile->ring.pFlushWaiter != nullptr && pFile->ring.waiterPassSeq < seq) {
            mosOSWCond_Broadcast(static_cast<MosOSWCond *>(pFile->ring.pFlushWaiter));
            pFile->ring.pFlushWaiter = nullptr;
        }
        pFile->ring.bDumping = false;
    }
}

void dumpThreadMain(void * /*pArg*/) {
    LayerLock guard;
    cyclicFileLayer_G.dumpThreadTid.store(mosOsThrd_GetCurrentTid());
    mosOSWCond_Broadcast(&cyclicFileLayer_G.startedCond);
    while (!cyclicFileLayer_G.bStop) {
        if (!cyclicFileLayer_G.bWakePending) {
            guard.wait(&cyclicFileLayer_G.cond,
                       cyclicFileLayer_G.asyncCount != 0 ? cyclicFileLayer_G.minPeriodMs : 0);
        }
        cyclicFileLayer_G.bWakePending = false;
        if (cyclicFileLayer_G.bStop) {
            break;
        }
        dumpPass();
    }
}

void wakeDumpThread() MOS_REQUIRES(cyclicFileLayer_G.lock) {
    cyclicFileLayer_G.bWakePending = true;
    mosOSWCond_Broadcast(&cyclicFileLayer_G.cond);
}

void wakeDumpThreadIfDue(MosCyclicFile *pFile) MOS_REQUIRES(cyclicFileLayer_G.lock) {
    if (!pFile->ring.bDumping && dumpDue(pFile->ring, false, nowMs())) {
        wakeDumpThread();
    }
}

void initRing(MosCyclicRing &ring, const MosCyclicFileParams *pParams, char *pData, uint32_t size) {
    ring.pData = pData;
    ring.size = size;
    ring.dumpUsedPercent = pParams->dumpUsedBufPercent >= 1 && pParams->dumpUsedBufPercent <= 99
                               ? pParams->dumpUsedBufPercent
                               : DEFAULT_DUMP_PERCENT;
    ring.dumpPeriodMs =
        pParams->dumpThreadSleepMs != 0 ? pParams->dumpThreadSleepMs : DEFAULT_DUMP_PERIOD_MS;
    ring.lastDumpMs = nowMs();
}

void linkAsync(MosCyclicFile *pFile) MOS_EXCLUDES(cyclicFileLayer_G.lock) {
    LayerLock guard;
    pFile->pPrev = cyclicFileLayer_G.pLast;
    pFile->pNext = nullptr;
    (cyclicFileLayer_G.pLast != nullptr ? cyclicFileLayer_G.pLast->pNext
                                        : cyclicFileLayer_G.pFirst) = pFile;
    cyclicFileLayer_G.pLast = pFile;
    cyclicFileLayer_G.asyncCount++;
    if (cyclicFileLayer_G.minPeriodMs == 0 ||
        pFile->ring.dumpPeriodMs < cyclicFileLayer_G.minPeriodMs) {
        cyclicFileLayer_G.minPeriodMs = pFile->ring.dumpPeriodMs;
    }
    if (cyclicFileLayer_G.asyncCount == 1) {
        wakeDumpThread();
    }
}

void unlinkAsync(MosCyclicFile *pFile) MOS_REQUIRES(cyclicFileLayer_G.lock) {
    (pFile->pPrev != nullptr ? pFile->pPrev->pNext : cyclicFileLayer_G.pFirst) = pFile->pNext;
    (pFile->pNext != nullptr ? pFile->pNext->pPrev : cyclicFileLayer_G.pLast) = pFile->pPrev;
    pFile->pNext = pFile->pPrev = nullptr;
    cyclicFileLayer_G.asyncCount--;
}

// Writes a line straight to the file.
MOS_PRINTF_LIKE(7, 0)
void writeLineSync(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bPrefix,
                   const char *pFunc, uint32_t line, const char *pFormat, va_list args)
    MOS_REQUIRES(cyclicFileLayer_G.lock) {
    FILE *pStream = pFile->pFile.load();
    if (pStream == nullptr) {
        return;
    }
    char head[MOS_CYCLIC_FILE_SLOT_SIZE];
    int headLen = 0;
    if (bTimestamp) {
        headLen += mosCyclicFile_FormatTimestamp(head);
    }
    if (bPrefix) {
        headLen +=
            mosCyclicFile_FormatLinePrefix(head + headLen, sizeof(head) - headLen, pFunc, line);
    }
    fwrite(head, 1, static_cast<size_t>(headLen), pStream);
    vfprintf(pStream, pFormat, args);
    if (bPrefix) {
        fputc('\n', pStream);
    }
    // Nothing waits in the stream's buffer: a crash path ends the process
    // without flushing streams.
    fflush(pStream);
    if (bRecycle) {
        (void)mosCyclicFile_RecycleIfNeeded(pFile);
    }
}

// Formats a line as the ring stores it: at most one slot, and a cut line
// ends with a line break in the slot's last byte. Runs without the lock.
MOS_PRINTF_LIKE(6, 0)
uint32_t formatSlot(char *pSlot, bool bTimestamp, bool bPrefix, const char *pFunc, uint32_t line,
                    const char *pFormat, va_list args) {
    uint32_t used = 0;
    if (bTimestamp) {
        used += static_cast<uint32_t>(mosCyclicFile_FormatTimestamp(pSlot));
    }
    if (bPrefix) {
        used += static_cast<uint32_t>(mosCyclicFile_FormatLinePrefix(
            pSlot + used, MOS_CYCLIC_FILE_SLOT_SIZE - used, pFunc, line));
    }
    uint32_t avail = MOS_CYCLIC_FILE_SLOT_SIZE - used;
    int len = mos_Vsnprintf(pSlot + used, avail, pFormat, args);
    if (len < 0) {
        len = 0;
    }
    if (static_cast<uint32_t>(len) >= avail) {
        pSlot[MOS_CYCLIC_FILE_SLOT_SIZE - 1] = '\n';
        return MOS_CYCLIC_FILE_SLOT_SIZE;
    }
    used += static_cast<uint32_t>(len);
    if (bPrefix) {
        pSlot[used++] = '\n';
    }
    return used;
}

// The dump thread writes and rotates a file without the layer lock; this
// waits, holding the lock between looks, until it is done with pFile.
void waitWhileDumping(const MosCyclicFile *pFile) MOS_REQUIRES(cyclicFileLayer_G.lock) {
    while (pFile->bAsync && pFile->ring.bDumping) {
        layerUnlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        layerLock();
    }
}

// Copies a formatted line into the ring. Room for a whole slot is asked,
// whatever the line's length.
void storeLineInRing(MosCyclicFile *pFile, const char *pLine, uint32_t length)
    MOS_REQUIRES(cyclicFileLayer_G.lock) {
    MosCyclicRing &ring = pFile->ring;
    if (pFile->pFile.load() == nullptr && !pFile->bRotating.load()) {
        ring.skipped++;
        return;
    }
    char *pSlot = reserve(ring, MOS_CYCLIC_FILE_SLOT_SIZE);
    if (pSlot == nullptr) {
        ring.skipped++;
        return;
    }
    memcpy(pSlot, pLine, length);
    ring.writePos += length;
}

} // namespace

MOS_RC mosCyclicFileLayer_Create(void * /*pUnused*/) {
    mosFastlock_Create(&cyclicFileLayer_G.lock);
    mosOSWCond_Init(&cyclicFileLayer_G.cond);
    mosOSWCond_Init(&cyclicFileLayer_G.startedCond);
    {
        LayerLock guard;
        cyclicFileLayer_G.pFirst = cyclicFileLayer_G.pLast = nullptr;
        cyclicFileLayer_G.asyncCount = 0;
        cyclicFileLayer_G.minPeriodMs = 0;
        cyclicFileLayer_G.bStop = false;
        cyclicFileLayer_G.bWakePending = false;
    }
    cyclicFileLayer_G.bStopWriting.store(false);
    MOS_RC rc =
        mosOsThrd_Create(&cyclicFileLayer_G.dumpThread, dumpThreadMain, nullptr, "mosAsyncTrace");
    if (rc != MOS_RC__SUCCESS) {
        mosOSWCond_Destroy(&cyclicFileLayer_G.startedCond);
        mosOSWCond_Destroy(&cyclicFileLayer_G.cond);
        return rc;
    }
    // Running before the layer counts as up, so that the exit path can
    // recognise the thread from the first write on.
    {
        LayerLock guard;
        while (cyclicFileLayer_G.dumpThreadTid.load() == 0) {
            guard.wait(&cyclicFileLayer_G.startedCond, 0);
        }
    }
    cyclicFileLayer_G.bUp = true;
    return MOS_RC__SUCCESS;
}

void mosCyclicFileLayer_Destroy() {
    if (!cyclicFileLayer_G.bUp) {
        return;
    }
    {
        LayerLock guard;
        MOS_ASSERT_TEXT(cyclicFileLayer_G.asyncCount == 0,
                        "(((&cyclicFileLayer_G.asyncFiles)->counter) == 0)");
        cyclicFileLayer_G.bStop = true;
        wakeDumpThread();
    }
    mosOsThrd_Destroy(&cyclicFileLayer_G.dumpThread);
    cyclicFileLayer_G.dumpThreadTid.store(0);
    mosOSWCond_Destroy(&cyclicFileLayer_G.startedCond);
    mosOSWCond_Destroy(&cyclicFileLayer_G.cond);
    cyclicFileLayer_G.bUp = false;
}

MOS_RC mosCyclicFile_Create(MosCyclicFile *pFile, const MosCyclicFileParams *pParams) {
    pFile->pNext = pFile->pPrev = nullptr;
    pFile->ring = MosCyclicRing{};
    publishStream(pFile, nullptr);
    pFile->bRotating.store(false);
    MOS_ASSERT(pParams->history != 0);
    size_t prefixLen = pParams->prefix != nullptr ? strlen(pParams->prefix) : 0;
    size_t dirLen = pParams->dirPath != nullptr ? strlen(pParams->dirPath) : 0;
    if (prefixLen > MOS_CYCLIC_FILE_MAX_PREFIX ||
        dirLen + prefixLen > MOS_CYCLIC_FILE_MAX_DIR_AND_PREFIX) {
        return MOS_RC__NO_RESOURCES;
    }
    mos_Snprintf(pFile->prefix, sizeof(pFile->prefix), "%s", prefixLen ? pParams->prefix : "");
    mos_Snprintf(pFile->dir, sizeof(pFile->dir), "%s", dirLen ? pParams->dirPath : "");
    pFile->maxFileSize = pParams->maxFileSize;
    pFile->history = pParams->history;
    pFile->dumpIoBytes =
        static_cast<uint64_t>(pParams->dumpIoSize != 0 ? pParams->dumpIoSize : DEFAULT_DUMP_IO_MIB)
        << 20;
    pFile->bAsync = pParams->bAsync != 0;
    pFile->bBinary = pParams->bBinary != 0;
    pFile->pHeaderWriterCK = pParams->pHeaderWriterCK;
    FILE *pStream = openNumberZero(pFile, true);
    if (pStream == nullptr) {
        return MOS_RC__ERROR;
    }
    publishStream(pFile, pStream);
    MOS_RC rc = mosCyclicFile_RecycleIfNeeded(pFile);
    if (rc != MOS_RC__SUCCESS) {
        FILE *pCurrent = takeStream(pFile);
        if (pCurrent != nullptr) {
            fclose(pCurrent);
        }
        return rc;
    }
    if (!pFile->bAsync) {
        return MOS_RC__SUCCESS;
    }
    uint32_t size = pParams->asyncBufSize != 0 ? pParams->asyncBufSize : DEFAULT_RING_BYTES;
    auto *pData = static_cast<char *>(
        mos_MemMallocBare(size, MOS_MEM_NO_LIMIT, "mosAsyncTrace_CreateCyclicBuf", true));
    if (pData == nullptr) {
        fclose(takeStream(pFile));
        return MOS_RC__NO_RESOURCES;
    }
    initRing(pFile->ring, pParams, pData, size);
    linkAsync(pFile);
    return MOS_RC__SUCCESS;
}

void mosCyclicFile_Destroy(MosCyclicFile *pFile) {
    if (pFile->bAsync && pFile->ring.pData != nullptr) {
        LayerLock guard;
        pFile->ring.bClosing = true;
        waitWhileDumping(pFile);
        unlinkAsync(pFile);
        guard.unlock();
        mos_MemFreeBare(pFile->ring.pData);
        pFile->ring.pData = nullptr;
    }
    FILE *pStream = takeStream(pFile);
    if (pStream != nullptr) {
        fclose(pStream);
    }
}

MOS_RC mosCyclicFile_RecycleIfNeeded(MosCyclicFile *pFile) {
    FILE *pStream = pFile->pFile.load();
    if (pStream == nullptr) {
        return MOS_RC__ERROR;
    }
    long pos = ftell(pStream);
    if (pos < 0) {
        return MOS_RC__ERROR;
    }
    if (static_cast<uint64_t>(pos) < pFile->maxFileSize) {
        return MOS_RC__SUCCESS;
    }
    pFile->bRotating.store(true);
    (void)takeStream(pFile);
    // A synchronous writer rotates under the layer lock, which the trace
    // would need again for its own line.
    if (fclose(pStream) != 0 &&
        cyclicFileLayer_G.lockOwnerTid.load() != mosOsThrd_GetCurrentTid()) {
        MOS_TRACE(MOS_COMP_MOS, 1, "fclose failed with errno: %d", errno);
    }
    char from[512];
    char to[512];
    formatPath(from, sizeof(from), pFile, pFile->history - 1);
    (void)remove(from);
    for (uint32_t k = pFile->history - 1; k-- > 0;) {
        formatPath(from, sizeof(from), pFile, k);
        formatPath(to, sizeof(to), pFile, k + 1);
        (void)rename(from, to);
    }
    pStream = openNumberZero(pFile, false);
    publishStream(pFile, pStream);
    pFile->bRotating.store(false);
    return pStream != nullptr ? MOS_RC__SUCCESS : MOS_RC__ERROR;
}

void mosCyclicFile_VWriteLine(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bPrefix,
                              const char *pFunc, uint32_t line, const char *pFormat, va_list args) {
    if (cyclicFileLayer_G.bStopWriting.load(std::memory_order_relaxed)) {
        return;
    }
    if (pFile->bAsync) {
        // Formatting happens before the lock, so writers hold it only for
        // the copy.
        char slot[MOS_CYCLIC_FILE_SLOT_SIZE];
        uint32_t length = formatSlot(slot, bTimestamp, bPrefix, pFunc, line, pFormat, args);
        LayerLock guard;
        storeLineInRing(pFile, slot, length);
        return;
    }
    LayerLock guard;
    writeLineSync(pFile, bTimestamp, bRecycle, bPrefix, pFunc, line, pFormat, args);
}

void mosCyclicFile_WriteLine(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bPrefix,
                             const char *pFunc, uint32_t line, const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    mosCyclicFile_VWriteLine(pFile, bTimestamp, bRecycle, bPrefix, pFunc, line, pFormat, args);
    va_end(args);
}

void mosCyclicFile_WriteBytes(MosCyclicFile *pFile, const void *pBytes, uint32_t length,
                              bool bTimestamp, bool bRecycle) {
    if (cyclicFileLayer_G.bStopWriting.load(std::memory_order_relaxed)) {
        return;
    }
    char stamp[MOS_TIMESTAMP_LEN + 1];
    uint32_t stampLen =
        bTimestamp ? static_cast<uint32_t>(mosCyclicFile_FormatTimestamp(stamp)) : 0;
    LayerLock guard;
    if (!pFile->bAsync) {
        FILE *pStream = pFile->pFile.load();
        if (pStream != nullptr) {
            fwrite(stamp, 1, stampLen, pStream);
            fwrite(pBytes, 1, length, pStream);
            fflush(pStream);
            if (bRecycle) {
                (void)mosCyclicFile_RecycleIfNeeded(pFile);
            }
        }
        return;
    }
    MosCyclicRing &ring = pFile->ring;
    char *pDst = reserve(ring, length + stampLen);
    if (pDst == nullptr) {
        ring.skipped++;
    } else {
        memcpy(pDst, stamp, stampLen);
        memcpy(pDst + stampLen, pBytes, length);
        ring.writePos += length + stampLen;
    }
    wakeDumpThreadIfDue(pFile);
}

namespace {

MOS_PRINTF_LIKE(4, 0)
void printfToStream(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, const char *pFormat,
                    va_list args) {
    FILE *pStream = pFile->pFile.load();
    if (pStream != nullptr) {
        if (bTimestamp) {
            char stamp[MOS_TIMESTAMP_LEN + 1];
            fwrite(stamp, 1, static_cast<size_t>(mosCyclicFile_FormatTimestamp(stamp)), pStream);
        }
        vfprintf(pStream, pFormat, args);
        if (bRecycle) {
            (void)mosCyclicFile_RecycleIfNeeded(pFile);
        }
    }
}

} // namespace

void mosCyclicFile_Printf(MosCyclicFile *pFile, bool bTimestamp, bool bRecycle, bool bLock,
                          const char *pFormat, ...) {
    if (cyclicFileLayer_G.bStopWriting.load(std::memory_order_relaxed)) {
        return;
    }
    va_list args;
    va_start(args, pFormat);
    if (bLock) {
        LayerLock guard;
        printfToStream(pFile, bTimestamp, bRecycle, pFormat, args);
    } else {
        printfToStream(pFile, bTimestamp, bRecycle, pFormat, args);
    }
    va_end(args);
}

void mosCyclicFile_Flush(MosCyclicFile *pFile) {
    if (cyclicFileLayer_G.bStopWriting.load(std::memory_order_relaxed)) {
        return;
    }
    // A rotation closes the stream under the lock (or, for an asynchronous
    // file, on the dump thread): flushing without it could touch a closed
    // stream.
    LayerLock guard;
    waitWhileDumping(pFile);
    FILE *pStream = pFile->pFile.load();
    if (pStream != nullptr) {
        fflush(pStream);
    }
}

void mosCyclicFile_WaitDump(MosCyclicFile *pFile, uint32_t timeoutMs) {
    if (cyclicFileLayer_G.bStopWriting.load() || !pFile->bAsync || pFile->ring.pData == nullptr) {
        return;
    }
    LayerLock guard;
    MosCyclicRing &ring = pFile->ring;
    if (ring.pFlushWaiter != nullptr || (usedBytes(ring) == 0 && ring.skipped == 0)) {
        return;
    }
    MosOSWCond waiter;
    mosOSWCond_Init(&waiter);
    ring.pFlushWaiter = &waiter;
    ring.waiterPassSeq = cyclicFileLayer_G.passSeq;
    // Also while the thread is dumping: it then starts the next pass at once.
    wakeDumpThread();
    const uint64_t deadline = nowMs() + timeoutMs;
    for (uint64_t now = nowMs(); ring.pFlushWaiter == &waiter && (timeoutMs == 0 || now < deadline);
         now = nowMs()) {
        guard.wait(&waiter, timeoutMs == 0 ? 0 : static_cast<uint32_t>(deadline - now));
    }
    ring.pFlushWaiter = nullptr;
    guard.unlock();
    mosOSWCond_Destroy(&waiter);
}

namespace {

// Takes the layer lock when it is free and the dump thread is not inside a
// pass, trying until the deadline; never waits on the lock itself.
bool tryLockIdleLayer(uint64_t deadlineMs) MOS_TRY_ACQUIRE(true, cyclicFileLayer_G.lock) {
    for (;;) {
        if (mosFastlockBase_TryAcquire(&cyclicFileLayer_G.lock) != 0) {
            bool bDumping = false;
            for (MosCyclicFile *p = cyclicFileLayer_G.pFirst; p != nullptr; p = p->pNext) {
                bDumping = bDumping || p->ring.bDumping;
            }
            if (!bDumping) {
                cyclicFileLayer_G.lockOwnerTid.store(mosOsThrd_GetCurrentTid());
                return true;
            }
            mosFastlockBase_Release(&cyclicFileLayer_G.lock);
        }
        if (nowMs() >= deadlineMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Writes one ring's valid bytes and its skipped-lines note to the file's
// descriptor; no dump is under way, so the stream's buffer is empty.
void drainRing(MosCyclicFile *pFile) MOS_REQUIRES(cyclicFileLayer_G.lock) {
    MosCyclicRing &ring = pFile->ring;
    const int fd = pFile->fd.load();
    if (ring.pData == nullptr || ring.bClosing || fd < 0) {
        return;
    }
    if (isWrapped(ring)) {
        (void)osLogFile_WriteRaw(fd, ring.pData + ring.readPos, ring.wrapEnd - ring.readPos);
        (void)osLogFile_WriteRaw(fd, ring.pData, ring.writePos);
    } else {
        (void)osLogFile_WriteRaw(fd, ring.pData + ring.readPos, ring.writePos - ring.readPos);
    }
    if (ring.skipped != 0 && !pFile->bBinary) {
        char line[MOS_TIMESTAMP_LEN + 64];
        MosLocalTime now{};
        osLogFile_GetLocalTimeInSignal(&now);
        int len = mosCyclicFile_FormatTimestampOf(line, now);
        len += mos_SafeSnprintf(line + len, sizeof(line) - len, "-----Skipped %d traces-----\n",
                                static_cast<int>(ring.skipped));
        (void)osLogFile_WriteRaw(fd, line, static_cast<size_t>(len));
    }
    ring.readPos = ring.writePos;
    ring.skipped = 0;
}

} // namespace

// The layer lock is taken here and kept for the rest of the process, which
// the analysis cannot take as anything but a lock left held.
void mosCyclicFile_DrainInSignal(uint32_t timeoutMs) MOS_NO_THREAD_SAFETY_ANALYSIS {
    if (!cyclicFileLayer_G.bUp || mosCyclicFile_IsDumpThreadOrLockOwner() ||
        !tryLockIdleLayer(nowMs() + timeoutMs)) {
        return;
    }
    for (MosCyclicFile *pFile = cyclicFileLayer_G.pFirst; pFile != nullptr; pFile = pFile->pNext) {
        drainRing(pFile);
    }
}

void mosCyclicFile_StopWriting() {
    cyclicFileLayer_G.bStopWriting.store(true);
}

bool mosCyclicFile_IsWritingStopped() {
    return cyclicFileLayer_G.bStopWriting.load();
}

bool mosCyclicFile_IsDumpThreadOrLockOwner() {
    uint32_t self = mosOsThrd_GetCurrentTid();
    uint32_t dumpTid = cyclicFileLayer_G.dumpThreadTid.load();
    return (dumpTid != 0 && dumpTid == self) || cyclicFileLayer_G.lockOwnerTid.load() == self;
}

namespace {

// Writes value in exactly `digits` decimal digits (the lowest ones).
char *putDigits(char *p, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; i--) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + digits;
}

} // namespace

// Both formatters below run on every trace line; they write their fixed
// layouts directly instead of going through printf.
int mosCyclicFile_FormatTimestamp(char *pBuf) {
    MosLocalTime now{};
    osLogFile_GetLocalTime(&now);
    return mosCyclicFile_FormatTimestampOf(pBuf, now);
}

int mosCyclicFile_FormatTimestampOf(char *pBuf, const MosLocalTime &now) {
    // "%02d/%02d %02d:%02d:%02d.%06d "
    char *p = putDigits(pBuf, static_cast<uint32_t>(now.day), 2);
    *p++ = '/';
    p = putDigits(p, static_cast<uint32_t>(now.month), 2);
    *p++ = ' ';
    p = putDigits(p, static_cast<uint32_t>(now.hour), 2);
    *p++ = ':';
    p = putDigits(p, static_cast<uint32_t>(now.minute), 2);
    *p++ = ':';
    p = putDigits(p, static_cast<uint32_t>(now.second), 2);
    *p++ = '.';
    p = putDigits(p, static_cast<uint32_t>(now.millisecond) * 1000, 6);
    *p++ = ' ';
    *p = '\0';
    return static_cast<int>(p - pBuf);
}

int mosCyclicFile_FormatLinePrefix(char *pBuf, size_t bufSize, const char *pFunc, uint32_t line) {
    // The handle is printed the way the Windows C library prints a pointer
    // (16 upper-case hex digits).
    constexpr size_t HANDLE_DIGITS = 16;
    const uint64_t umtHandle = mosUmt_GetCurrentHandle();
    size_t funcLen = strlen(pFunc);
    int lineDigits = 5;
    for (uint32_t v = line / 100000; v != 0; v /= 10) {
        lineDigits++;
    }
    size_t total = HANDLE_DIGITS + 1 + funcLen + 1 + lineDigits + 2;
    if (total >= bufSize) {
        return mos_SnprintfClipped(pBuf, bufSize,
                                   "%016llX:%s:%05u: ", static_cast<unsigned long long>(umtHandle),
                                   pFunc, line);
    }
    char *p = pBuf;
    for (size_t i = 0; i < HANDLE_DIGITS; i++) {
        p[i] = "0123456789ABCDEF"[(umtHandle >> (4 * (HANDLE_DIGITS - 1 - i))) & 0xF];
    }
    p += HANDLE_DIGITS;
    *p++ = ':';
    memcpy(p, pFunc, funcLen);
    p += funcLen;
    *p++ = ':';
    p = putDigits(p, line, lineDigits);
    *p++ = ':';
    *p++ = ' ';
    *p = '\0';
    return static_cast<int>(p - pBuf);
}
