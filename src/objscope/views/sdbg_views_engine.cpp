// Views of the data server's performance parameters, its Stmp and Zmp
// pools and its execution-statistics container, of the storage engine's
// mock-up, and of the AFS file layer's devices and files.

#include "sdbg_view_catalog.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kPerfParamsRows[] = {
    SDBG_ROW(1, _PerfParamsQuery, numOfSocketsPerIpSdsToSds,
             " Num of sockets per IP SDS to SDS:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, keepaliveTimeMs, " Keepalive time in MS:", U, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, numNetWorkerThreads, " Num of net worker threads:", D,
             SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, recvBufferInKb, " Recv buffer in KB:", U, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, sendBufferInKb, " Send buffer in KB:", U, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, maxReqPerAsyncFile, " Max requests per async file:", U,
             SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadIniIo, " Thread INI IO:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadTgtIoMain, " Thread TGT IO main:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadTgtIoDuringMigrate, " Thread TGT IO during migration:", D,
             SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadTgtIoCopy, " Thread TGT IO copy:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadTgtControl, " Thread TGT Control:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadTgtIoMigrate, " Thread TGT IO migrate:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, threadCopyIo, " Thread copy IO:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, umtOsThrds, " UMT OS threads:", D, SDBG_VALUE),
    SDBG_ROW(1, _PerfParamsQuery, numIoBuffs, " Num of IO buffers:", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kPerfParamsUnread[] = {
    SDBG_UNREAD(_PerfParamsQuery, reserved0),
    SDBG_UNREAD(_PerfParamsQuery, reserved1),
    SDBG_UNREAD(_PerfParamsQuery, reserved2),
    SDBG_UNREAD(_PerfParamsQuery, reserved3),
};

constexpr Sdbg_ViewRow kStmpRows[] = {
    SDBG_ROW(1, _StmpQuery, numOfAllocations, " Allocated:", U, SDBG_VALUE),
    SDBG_ROW(1, _StmpQuery, numOfAllocated, " Total Allocated:", U, SDBG_VALUE),
    SDBG_ROW(1, _StmpQuery, numOfWaitings, " # Waiters:", U, SDBG_VALUE),
    SDBG_ROW(1, _StmpQuery, currentAllocatedInLbs, " Allocated in Lbs:", U, SDBG_VALUE),
    SDBG_ROW(1, _StmpQuery, maxAllocatedInLbs, " max allocated in Lbs:", U, SDBG_VALUE),
    SDBG_ROW(1, _StmpQuery, totalSizeInLbs, " Total size:", U, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kZmpRows[] = {
    SDBG_ROW(1, _ZmpQuery, numOfAllocations, " Allocated:", U, SDBG_VALUE),
    SDBG_ROW(1, _ZmpQuery, numOfAllocated, " Total Allocated:", U, SDBG_VALUE),
    SDBG_ROW(1, _ZmpQuery, totalSizeOfBuffers, " Num of buffers:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kZmpUnread[] = {SDBG_UNREAD(_ZmpQuery, reserved)};

// One valid stack of the container: its name, its context-switch
// statistics and its stages, bounded by the record's stage capacity.
void PrintContainerStack(Sdbg_LogicalView &view, const uint8_t *pStack) {
    constexpr int32_t LABEL = SDBG_COLOR_LABEL;
    view.NewLine();
    view.NewLine();
    view.PrintStr("Stack name: ", LABEL, LABEL);
    Sdbg_PrintText(
        view,
        reinterpret_cast<const char *>(pStack + offsetof(MosPerfStack_Query, contextDescription)),
        sizeof(MosPerfStack_Query::contextDescription), SDBG_COLOR_HIGHLIGHT, LABEL);
    view.NewLine();
    view.PrintStr("Stack statistics: ", LABEL, LABEL);
    Sdbg_SampleStatsRecord stats;
    std::memcpy(&stats, pStack + offsetof(MosPerfStack_Query, ctxSwitchStat), sizeof(stats));
    view.PrintSampleStats(stats, LABEL, LABEL, 0);
    view.NewLine();
    view.NewLine();
    view.PrintStr("Stack stages: ", LABEL, LABEL);
    view.NewLine();
    view.PrintStr("------------- ", LABEL, LABEL);
    uint32_t numStages;
    std::memcpy(&numStages, pStack + offsetof(MosPerfStack_Query, numStages), sizeof(numStages));
    for (uint32_t j = 0; j < numStages && j < MOS_PERF_STACK_STAGES; ++j) {
        Sdbg_PerfStageRecord stage;
        std::memcpy(&stage, pStack + j * sizeof(stage), sizeof(stage));
        view.PrintStr("    ", LABEL, LABEL);
        view.PrintPerfStage(stage, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE, 0);
    }
    view.PrintStr("*********************************", LABEL, LABEL);
}

// The listing of the valid stacks is text in both views; XML wraps it.
void ContainerStacksHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                         bool bXml) {
    const uint8_t *pStacks = pWire + row.offset;
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    for (uint32_t k = 0; k < TGT_PERF_CONTAINER_STACKS; ++k) {
        uint32_t bValid;
        std::memcpy(&bValid,
                    pStacks + offsetof(PerfContainerStacks, validFlags) + k * sizeof(bValid),
                    sizeof(bValid));
        if (bValid != 0) {
            PrintContainerStack(view, pStacks + k * sizeof(MosPerfStack_Query));
        }
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

constexpr Sdbg_ViewRow kPerfContainerRows[] = {
    SDBG_ROW(1, _PerfContainerQuery, containerDescription, " ", Str, SDBG_VALUE),
    SDBG_HOOK_ROW(1, _PerfContainerQuery, stacks, nullptr, ContainerStacksHook),
};
constexpr Sdbg_ByteRange kPerfContainerUnread[] = {SDBG_UNREAD(_PerfContainerQuery, reserved)};

// The mock-up has nothing to show but the command that makes it fail a
// read; its bytes are not read.
constexpr char kMockupCommand[] = "\nconfigobj 0 SpefMockup "
                                  "read_checksum_error"
                                  " ["
                                  "comb_data"
                                  "(default)|"
                                  "meta_data"
                                  "|"
                                  "device_data"
                                  "]";

void SpefMockupHook(Sdbg_LogicalView &view, const uint8_t * /*pWire*/, const Sdbg_ViewRow &row,
                    bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
        view.PrintStr(kMockupCommand, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
        Sdbg_PrintCloseTag(view, row.pXml);
        return;
    }
    view.NewLine();
    view.NewLine();
    view.PrintStr("To generate a read checksum error from SPEF(mockup): (command syntax in main "
                  "screen)",
                  SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PrintStr(kMockupCommand, SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
}

constexpr Sdbg_ViewRow kSpefMockupRows[] = {
    SDBG_HOOK_ROW(1, SpefMockup_Query, dummy, nullptr, SpefMockupHook),
};

constexpr Sdbg_ViewRow kAfsRows[] = {
    SDBG_ROW(1, _AfsQuery, userId, " userId:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _AfsQuery, numAllDevices, " #Devices:", U, SDBG_VALUE),
    SDBG_ROW(1, _AfsQuery, numAllFiles, " #Files:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsQuery, default1MPool, " 1MPool:", Hex0x, SDBG_VALUE),
    SDBG_ROW(2, _AfsQuery, default4KPool, " 4KPool:", Hex0x, SDBG_VALUE),
    SDBG_ROW(3, _AfsQuery, waitersList1MPoolSize, " #waiters1MPool:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsQuery, waitersList4KPoolSize, " #waiters4KPool:", U, SDBG_VALUE),
    SDBG_ROW(4, _AfsQuery, fileGenNum, " fileGenNum:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsUnread[] = {SDBG_UNREAD(_AfsQuery, reserved)};

constexpr Sdbg_ViewRow kGenericDeviceRows[] = {
    SDBG_ROW(1, _GenericDeviceQuery, devId, " devId:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _GenericDeviceQuery, backendId, " backendId:", U, SDBG_VALUE),
    SDBG_ROW(1, _GenericDeviceQuery, refCount, " refCount:", U, SDBG_VALUE),
    SDBG_ROW(1, _GenericDeviceQuery, devState, " devState:", U, SDBG_VALUE),
    SDBG_ROW(1, _GenericDeviceQuery, devBlockSizeInBytes, " blockSizeInBytes:", U, SDBG_VALUE),
    SDBG_ROW(2, _GenericDeviceQuery, readSizeBwc, " readSizeBwc:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(3, _GenericDeviceQuery, writeSizeBwc, " writeSizeBwc:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(4, _GenericDeviceQuery, readLatencyBwc, " readLatencyBwc:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(5, _GenericDeviceQuery, writeLatencyBwc, " writeLatencyBwc:", AvgEvent, SDBG_VALUE),
    SDBG_ROW(6, _GenericDeviceQuery, submittedIosCount, " submittedIosCount:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kGenericDeviceUnread[] = {SDBG_UNREAD(_GenericDeviceQuery, reserved)};

constexpr Sdbg_ViewRow kAfsGenericFileRows[] = {
    SDBG_ROW(1, _AfsGenericFileQuery, featId, " featId:", U, SDBG_VALUE),
    SDBG_ROW(1, _AfsGenericFileQuery, fileId, " fileId:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsGenericFileQuery, nativeDevId, " nativeDevId:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsGenericFileQuery, nativeDevBlockSize, " nativeDevBlockSize:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsGenericFileQuery, migDevId, " migDevId:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _AfsGenericFileQuery, migDevBlockSize, " migDevBlockSize:", U, SDBG_VALUE),
    SDBG_ROW(4, _AfsGenericFileQuery, fileState, " fileState:", U, SDBG_VALUE),
    SDBG_ROW(4, _AfsGenericFileQuery, sizeInBytes, " sizeInBytes:", LLU, SDBG_VALUE),
    SDBG_ROW(4, _AfsGenericFileQuery, numWriters, " numWriters:", U, SDBG_VALUE),
    SDBG_ROW(4, _AfsGenericFileQuery, migFlags, " migFlags:", U, SDBG_VALUE),
    SDBG_ROW(5, _AfsGenericFileQuery, p1MBouncePool, " p1MBouncePool:", Hex0x, SDBG_VALUE),
    SDBG_ROW(5, _AfsGenericFileQuery, p4KBouncePool, " p4KBouncePool:", Hex0x, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsGenericFileUnread[] = {SDBG_UNREAD(_AfsGenericFileQuery, reserved)};

constexpr Sdbg_ViewRow kAfsNafsDevRows[] = {
    SDBG_ROW(1, _AfsNafsDevQuery, devId, " devId:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _AfsNafsDevQuery, backendId, " backendId:", U, SDBG_VALUE),
    SDBG_ROW(1, _AfsNafsDevQuery, devPath, " devPath:", Str, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsDevQuery, journalAddSemCounter, " journalAddSemCounter:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsDevQuery, journalRmvSemCounter, " journalRmvSemCounter:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsNafsDevUnread[] = {SDBG_UNREAD(_AfsNafsDevQuery, reserved)};

constexpr Sdbg_ViewRow kAfsNafsFileRows[] = {
    SDBG_ROW(1, _AfsNafsFileQuery, featId, " featId:", U, SDBG_VALUE),
    SDBG_ROW(1, _AfsNafsFileQuery, fileId, " fileId:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsFileQuery, sizeInBytes, "sizeInBytes: ", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsFileQuery, genNum, " genNum:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsFileQuery, devId, " devId:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsNafsFileQuery, inodeIdx, " inodeIdx:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsNafsFileQuery, fileCacheRefCount, " fileCacheRefCount:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsNafsFileQuery, fileFlags, " fileFlags:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsNafsFileQuery, intervals, " intervalsNum:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsNafsFileUnread[] = {SDBG_UNREAD(_AfsNafsFileQuery, reserved)};

constexpr Sdbg_ViewRow kAfsNvramDevRows[] = {
    SDBG_ROW(1, _AfsNvramDevQuery, devId, " devId:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _AfsNvramDevQuery, devPath, " devPath:", Str, SDBG_VALUE),
    SDBG_ROW(1, _AfsNvramDevQuery, numOfFreeMbs, " #FreeMbs:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramDevQuery, usableSizeInMb, " usableSizeInMb:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramDevQuery, numFiles, " #Files:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramDevQuery, maxNumFiles, " maxFiles:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsNvramDevUnread[] = {SDBG_UNREAD(_AfsNvramDevQuery, reserved)};

constexpr Sdbg_ViewRow kAfsNvramFileRows[] = {
    SDBG_ROW(1, _AfsNvramFileQuery, featId, " featId:", U, SDBG_VALUE),
    SDBG_ROW(1, _AfsNvramFileQuery, fileId, " fileId:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramFileQuery, devId, " devId:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramFileQuery, sizeInBytes, " sizeInBytes:", LLU, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramFileQuery, genNum, " genNum:", U, SDBG_VALUE),
    SDBG_ROW(2, _AfsNvramFileQuery, fileFlags, " fileFlags:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsNvramFileQuery, nvBufId, " nvBufId:", LLU, SDBG_VALUE),
    SDBG_ROW(3, _AfsNvramFileQuery, dictIdx, " dictIdx:", U, SDBG_VALUE),
    SDBG_ROW(3, _AfsNvramFileQuery, bIsOpen, " bIsOpen:", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kAfsNvramFileUnread[] = {SDBG_UNREAD(_AfsNvramFileQuery, reserved)};

// The null and OSFS devices share one view of their one field.
static_assert(sizeof(_AfsNullDevsQuery) == sizeof(_AfsOsfsDevsQuery) &&
              offsetof(_AfsNullDevsQuery, devId) == offsetof(_AfsOsfsDevsQuery, devId));
constexpr Sdbg_ViewRow kAfsDevIdRows[] = {
    SDBG_ROW(1, _AfsNullDevsQuery, devId, " devId:", LLU, SDBG_VALUE),
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kPerfParamsView, _PerfParamsQuery, kPerfParamsRows, kPerfParamsUnread, 0);
SDBG_DEFINE_VIEW(kStmpView, _StmpQuery, kStmpRows, 0);
SDBG_DEFINE_VIEW_GAPS(kZmpView, _ZmpQuery, kZmpRows, kZmpUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kPerfContainerView, _PerfContainerQuery, kPerfContainerRows,
                      kPerfContainerUnread, 0);
SDBG_DEFINE_VIEW(kSpefMockupView, SpefMockup_Query, kSpefMockupRows, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsView, _AfsQuery, kAfsRows, kAfsUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kGenericDeviceView, _GenericDeviceQuery, kGenericDeviceRows,
                      kGenericDeviceUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsGenericFileView, _AfsGenericFileQuery, kAfsGenericFileRows,
                      kAfsGenericFileUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsNafsDevView, _AfsNafsDevQuery, kAfsNafsDevRows, kAfsNafsDevUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsNafsFileView, _AfsNafsFileQuery, kAfsNafsFileRows, kAfsNafsFileUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsNvramDevView, _AfsNvramDevQuery, kAfsNvramDevRows, kAfsNvramDevUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kAfsNvramFileView, _AfsNvramFileQuery, kAfsNvramFileRows, kAfsNvramFileUnread,
                      0);
SDBG_DEFINE_VIEW(kAfsNullDevView, _AfsNullDevsQuery, kAfsDevIdRows, 0);
SDBG_DEFINE_VIEW(kAfsOsfsDevView, _AfsOsfsDevsQuery, kAfsDevIdRows, 0);
