// Views of the data server's read cache, its network buffer pools, and the
// Pellorin flash cache with its cache devices.

#include "sdbg_views_tgt_hooks.h"

using namespace sdbg_wire;
using namespace sdbg_tgt;

namespace {

// ---- Read cache ----

struct AllocStateWord {
    const char *pWord;
    int32_t fg;
    int32_t bg;
};

// By the state's value; any other value prints no word.
constexpr AllocStateWord kAllocStateWords[] = {
    {"INVALID", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
    {"PENDING", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE},
    {"SUCCESSFUL", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE},
    {"FAILED", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
    {"RMCACHE_DISABLED", SDBG_COLOR_ALERT, SDBG_COLOR_ALERT},
};

void PrintAllocState(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    uint8_t state = ReadWire<uint8_t>(pWire, row.offset);
    if (state < std::size(kAllocStateWords)) {
        const AllocStateWord &word = kAllocStateWords[state];
        view.PrintStr(word.pWord, word.fg, word.bg);
    }
}

constexpr uint32_t kRcacheFirstRangeKb = 4;

// Text: the title's line ends, then one line per range. XML: one element
// per range, named by its bound.
void RangeListHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                   bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    view.NewLine();
    char text[32];
    for (uint32_t i = 0; i < kRcacheRanges; ++i) {
        uint32_t boundKb = kRcacheFirstRangeKb << i;
        uint32_t count = ReadWire<uint32_t>(pWire, row.offset + i * sizeof(uint32_t));
        if (bXml) {
            view.PutTabs(3);
            mos_Snprintf(text, sizeof(text), "<KB%u>", boundKb);
        } else {
            mos_Snprintf(text, sizeof(text), "%uKB:   ", boundKb);
        }
        view.PrintStr(text, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        view.PrintUInt(count, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        if (bXml) {
            mos_Snprintf(text, sizeof(text), "</KB%u>", boundKb);
            view.PrintStr(text, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
        }
        view.NewLine();
    }
    if (bXml) {
        view.PutTabs(2);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kRcacheRows[] = {
    SDBG_ROW(1, _RcacheQuery, sizeInKb, " Size(KB):", U, SDBG_VALUE),
    SDBG_ROW(1, _RcacheQuery, sizeInUseInKb, " Size in use(KB):", U, SDBG_VALUE),
    SDBG_ROW(1, _RcacheQuery, freeCountDIFCoalescePool, " Free DIF Coalesce buffers:", U,
             SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(1, _RcacheQuery, memoryAllocState,
                           " Memory Allocation State:", ElementHook<PrintAllocState>),
    SDBG_ROW(2, _RcacheQuery, bDisabled, " Disabled:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, _RcacheQuery, bFrozen, " Frozen:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, _RcacheQuery, entryEvictionCount, " UD Evictions:", U, SDBG_VALUE),
    SDBG_ROW(3, _RcacheQuery, entryEvictionCountInKb, " UD Evictions(KB):", LLU, SDBG_VALUE),
    SDBG_ROW(3, _RcacheQuery, mdEntryEvictionCount, " MD Evictions(KB):", U, SDBG_VALUE),
    SDBG_ROW(4, _RcacheQuery, bigBlockEvictionCountInKb, " Big block evictions(KB):", LLU,
             SDBG_VALUE),
    SDBG_ROW(4, _RcacheQuery, noEvictionCount, " No evictions:", U, SDBG_VALUE),
    SDBG_ROW(4, _RcacheQuery, inProgressCountInKb, " In progress(KB):", U, SDBG_VALUE),
    SDBG_ROW(5, _RcacheQuery, skipCountLargeIo, " Large IO skips:", U, SDBG_VALUE),
    SDBG_ROW(5, _RcacheQuery, skipCountUnaligned4kbIo, " 4KB unaligned skips:", U, SDBG_VALUE),
    SDBG_ROW(5, _RcacheQuery, skipCountCacheAllBusy, " All busy skips:", U, SDBG_NONZERO_ALERT),
    // Screen lines 6 to 19; each list ends its own last line.
    SDBG_LABELLED_HOOK_ROW(6, _RcacheQuery, entryCount,
                           " Number of entries in range 4-128(KB):", RangeListHook),
    SDBG_LABELLED_HOOK_ROW(6, _RcacheQuery, totalEntryCount,
                           " Accumalated number of entries in range 4-128(KB):", RangeListHook),
};
constexpr Sdbg_ByteRange kRcacheUnread[] = {
    SDBG_UNREAD(_RcacheQuery, reserved1),
    SDBG_UNREAD(_RcacheQuery, reserved2),
    SDBG_UNREAD(_RcacheQuery, reserved3),
    SDBG_UNREAD(_RcacheQuery, reserved4),
};

// ---- Network buffers ----

// The five pools' numbers on one line, each followed by a blank; an
// alerting list shows a number that is not 0 in ALERT.
template <bool kAlert>
void PrintPoolList(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row) {
    for (uint32_t i = 0; i < kNetBufPools; ++i) {
        uint32_t value = ReadWire<uint32_t>(pWire, row.offset + i * sizeof(uint32_t));
        int32_t fg = kAlert && value != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE;
        view.PrintUInt(value, fg, SDBG_COLOR_VALUE);
        view.PrintStr(" ", SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    }
}

constexpr const char *kDynamicAllocatorTitle = " Dynamic Allocator  ";

// The dynamic allocator's title opens its line in text; in XML it
// follows the element before, then the field is an element as any other.
void DynamicAllocatorHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                          bool bXml) {
    if (bXml) {
        view.PrintStr(kDynamicAllocatorTitle, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    } else {
        view.PrintStr(" Total size in Lbs:", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
    view.PrintUInt(ReadWire<uint32_t>(pWire, row.offset), SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kNetBufRows[] = {
    SDBG_ROW(1, _RcacheNetBufQuery, poolName, " Info for RcacheNetBuf pool:", Str, SDBG_VALUE),
    SDBG_ROW(2, _RcacheNetBufQuery, numOfAllocations, " Allocated:", U, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(
        2, _RcacheNetBufQuery, perPoolNumOfAllocations,
        " Allocated per pool [16k,64k,256k,512k,1024k]:", ElementHook<PrintPoolList<false>>),
    SDBG_ROW(3, _RcacheNetBufQuery, currentAllocatedInLbs, " Allocated in Lbs:", U, SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(
        3, _RcacheNetBufQuery, perPoolCurrentAllocatedInLbs,
        " Allocated in Lbs per pool [16k,64k,256k,512k,1024k]:", ElementHook<PrintPoolList<false>>),
    SDBG_ROW(4, _RcacheNetBufQuery, poolsTotalSizeInLbs, " Total size in Lbs of pools:", U,
             SDBG_VALUE),
    SDBG_LABELLED_HOOK_ROW(4, _RcacheNetBufQuery, perPoolTotalSizeInLbs,
                           " Total size in Lbs per pool [16k,64k,256k,512k,1024k]:",
                           ElementHook<PrintPoolList<false>>),
    SDBG_ROW(5, _RcacheNetBufQuery, numOfFailedReq, " Failed requests:", U, SDBG_NONZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(
        5, _RcacheNetBufQuery, perPoolNumOfFailedReq,
        " Failed requests per pool [16k,64k,256k,512k,1024k]:", ElementHook<PrintPoolList<true>>),
    SDBG_ROW(6, _RcacheNetBufQuery, bCacheFull, " Cache is full:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(6, _RcacheNetBufQuery, numOfCacheFull, " Cache got full:", U, SDBG_NONZERO_ALERT),
    SDBG_LABELLED_HOOK_ROW(
        6, _RcacheNetBufQuery, perPoolNumOfCacheFull,
        " Cache got full per pool [16k,64k,256k,512k,1024k]:", ElementHook<PrintPoolList<true>>),
    SDBG_HOOK_ROW(7, _RcacheNetBufQuery, dynamicAllocatorTotalSizeInLbs, kDynamicAllocatorTitle,
                  DynamicAllocatorHook),
    SDBG_ROW(7, _RcacheNetBufQuery, dynamicAllocatorAllocatedLbs, " Allocated Lbs:", U, SDBG_VALUE),
    SDBG_ROW(7, _RcacheNetBufQuery, dynamicMemAllocatorNumOfAlloc, " Total Allocations#:", U,
             SDBG_VALUE),
    SDBG_ROW(7, _RcacheNetBufQuery, dynamicAllocatorNumOfFailedReq, " Failed allocations#:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(7, _RcacheNetBufQuery, dynamicAllocatorWaitersNum, " Waiters#:", U,
             SDBG_NONZERO_ALERT),
};

// ---- Pellorin ----

constexpr Sdbg_ViewRow kPellorinRows[] = {
    SDBG_ROW(1, _PellorinQuery, driverCacheHandle, " cache handle:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _PellorinQuery, cacheDriverPath, " driver path:", Str, SDBG_VALUE),
    SDBG_ROW(1, _PellorinQuery, bConfBusy, " conf busy:", D, SDBG_VALUE),
    SDBG_ROW(1, _PellorinQuery, bEnable, " enabled:", D, SDBG_VALUE),
    SDBG_ROW(2, _PellorinQuery, globalCacheErrors, "   cache errors:", U, SDBG_VALUE),
    SDBG_ROW(2, _PellorinQuery, bInErrorState, " error state:", D, SDBG_VALUE),
    SDBG_ROW(2, _PellorinQuery, poolCounters.lowResourcesInitiatedPassthroughMode,
             " low resources initiated passthrough mode:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _PellorinQuery, poolCounters.isEmergencyPoolInuse, " in low memory condition:", LLU,
             SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.numSrcDevs, "   #source devices:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.numCacheDevs, " #cache devices:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.poolSize, " pool size:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.pageSize, " page size:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.opmode, " operation mode:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinQuery, poolCounters.maxIoSize, " max io size:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinQuery, poolCounters.cachePages, "   #cache pages:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinQuery, poolCounters.pagesInuse, " #cache pages in use:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinQuery, poolCounters.evictions, " #cache pages evications:", LLU,
             SDBG_VALUE),
    SDBG_ROW(5, _PellorinQuery, poolCounters.iosOutstanding, "   #outstanding ios:", LLU,
             SDBG_VALUE),
    SDBG_ROW(5, _PellorinQuery, poolCounters.readHit, " #read hit:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinQuery, poolCounters.readMiss, " #read miss:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinQuery, poolCounters.writeHit, " #write hit:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinQuery, poolCounters.writeMiss, " #write miss:", LLU, SDBG_VALUE),
    SDBG_ROW(6, _PellorinQuery, poolCounters.continuousMem, "   continuous mem alloc:", LLU,
             SDBG_VALUE),
    SDBG_ROW(6, _PellorinQuery, poolCounters.numOfDriverThreads, " #kernel threads:", LLU,
             SDBG_VALUE),
    SDBG_ROW(6, _PellorinQuery, poolCounters.suspendedRequestsRredundantSearches,
             " #suspended request redundant searches:", LLU, SDBG_VALUE),
    SDBG_ROW(6, _PellorinQuery, poolCounters.suspendedRequests, " #suspended ios:", LLU,
             SDBG_VALUE),
    SDBG_ROW(6, _PellorinQuery, poolCounters.suspendedRequestsMax,
             " max num of suspended ios:", LLU, SDBG_VALUE),
    SDBG_ROW(7, _PellorinQuery, poolCounters.ioTimeG1min, "   #io time greater than 1 sec:", LLU,
             SDBG_VALUE),
    SDBG_ROW(7, _PellorinQuery, poolCounters.lockTimeG1sec, " #lock time greater than 1 sec:", LLU,
             SDBG_VALUE),
    SDBG_ROW(8, _PellorinQuery, poolCounters.readsPending,
             "   #reads waiting for tag to be unlock:", LLU, SDBG_VALUE),
    SDBG_ROW(8, _PellorinQuery, poolCounters.readPendingG1sec, " #read pending time g1sec:", LLU,
             SDBG_VALUE),
    SDBG_ROW(8, _PellorinQuery, poolCounters.readPendingG10milli,
             " #read pending time g10milli:", LLU, SDBG_VALUE),
    SDBG_ROW(8, _PellorinQuery, poolCounters.readPendingG1milli,
             " #read pending time g1milli:", LLU, SDBG_VALUE),
    SDBG_ROW(8, _PellorinQuery, poolCounters.readPendingG500micro,
             " #read pending time g500micro:", LLU, SDBG_VALUE),
    SDBG_ROW(9, _PellorinQuery, poolCounters.writePending,
             "   #writes waiting for tag to be unlock:", LLU, SDBG_VALUE),
    SDBG_ROW(9, _PellorinQuery, poolCounters.writePendingG1sec, " #write pending time g1sec:", LLU,
             SDBG_VALUE),
    SDBG_ROW(9, _PellorinQuery, poolCounters.writePendingG10milli,
             " #write pending time g10milli:", LLU, SDBG_VALUE),
    SDBG_ROW(9, _PellorinQuery, poolCounters.writePendingG1milli,
             " #write pending time g1milli:", LLU, SDBG_VALUE),
    SDBG_ROW(9, _PellorinQuery, poolCounters.writePendingG500micro,
             " #write pending time g500micro:", LLU, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kPellorinUnread[] = {
    SDBG_UNREAD(_PellorinQuery, poolCounters.reserved1),
    SDBG_UNREAD(_PellorinQuery, poolCounters.reserved2),
};

constexpr Sdbg_ViewRow kPellorinDevRows[] = {
    SDBG_ROW(1, _PellorinDevQuery, pellorinDriverHandle, " driver device handle:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _PellorinDevQuery, cacheDevPath, " device path:", Str, SDBG_VALUE),
    SDBG_ROW(1, _PellorinDevQuery, devSize, " device size:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _PellorinDevQuery, tgtCacheDevId, " tgt DevId:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _PellorinDevQuery, pellorinErr, "   device errors:", U, SDBG_VALUE),
    SDBG_ROW(2, _PellorinDevQuery, pellorinCacheDevCounters.ioErrors, " #io errors:", LLU,
             SDBG_VALUE),
    SDBG_ROW(2, _PellorinDevQuery, pellorinCacheDevCounters.monitorErrOutstandingLimit,
             " io outstanding limit:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _PellorinDevQuery, pellorinCacheDevCounters.monitorErrStuckIo, " stuck io:", LLU,
             SDBG_VALUE),
    SDBG_ROW(3, _PellorinDevQuery, pellorinCacheDevCounters.readsReceived,
             "   #reads received:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinDevQuery, pellorinCacheDevCounters.writesReceived,
             " #writes received:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _PellorinDevQuery, pellorinCacheDevCounters.inflightReads, " inflight reads:", LLU,
             SDBG_VALUE),
    SDBG_ROW(3, _PellorinDevQuery, pellorinCacheDevCounters.inflightWrites,
             " inflight writes:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinDevQuery, pellorinCacheDevCounters.readTimeG500milli,
             "   #read io time greater than 500 milliseconds:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinDevQuery, pellorinCacheDevCounters.readTimeG1sec,
             " #read io time greater than 1 second:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _PellorinDevQuery, pellorinCacheDevCounters.readTimeG1min,
             " #read io time greater than 1 minute:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinDevQuery, pellorinCacheDevCounters.writeTimeG500milli,
             "   #write io time greater than 500 milliseconds:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinDevQuery, pellorinCacheDevCounters.writeTimeG1sec,
             " #write io time greater than 1 second:", LLU, SDBG_VALUE),
    SDBG_ROW(5, _PellorinDevQuery, pellorinCacheDevCounters.writeTimeG1min,
             " #write io time greater than 1 minute:", LLU, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kPellorinDevUnread[] = {
    SDBG_UNREAD(_PellorinDevQuery, reserved1),
    SDBG_UNREAD(_PellorinDevQuery, pellorinCacheDevCounters.reserved1),
    SDBG_UNREAD(_PellorinDevQuery, pellorinCacheDevCounters.reserved2),
    SDBG_UNREAD(_PellorinDevQuery, pellorinCacheDevCounters.reserved3),
    SDBG_UNREAD(_PellorinDevQuery, reserved2),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kTgtRcacheView, _RcacheQuery, kRcacheRows, kRcacheUnread, 0);
SDBG_DEFINE_VIEW(kTgtNetBufView, _RcacheNetBufQuery, kNetBufRows, 0);
SDBG_DEFINE_VIEW_GAPS(kTgtPellorinView, _PellorinQuery, kPellorinRows, kPellorinUnread, 1);
SDBG_DEFINE_VIEW_GAPS(kTgtPellorinDevView, _PellorinDevQuery, kPellorinDevRows, kPellorinDevUnread,
                      1);
