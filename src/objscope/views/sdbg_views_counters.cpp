// Views of the diagnostic counters and the oscillating counters. Several
// type ids share each table; the "short" and "other" tables are the first
// rows, and all but the first two rows, of their full tables.

#include "sdbg_view_catalog.h"

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kDiagCounterRows[] = {
    SDBG_ROW(1, MosDiagCounterExtEntry, base.name, nullptr, Str, SDBG_VALUE),
    SDBG_ROW(1, MosDiagCounterExtEntry, base.value, ": ", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosDiagCounterExtEntry, countExtData, " extData: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosDiagCounterExtEntry, lastCountTimeMilli, " lastCountTimeMilli: ", LLU,
             SDBG_NONZERO_ALERT),
};
constexpr uint32_t kDiagCounterShortRows = 2;
constexpr Sdbg_ByteRange kDiagCounterUnread[] = {
    SDBG_UNREAD(MosDiagCounterExtEntry, base.threshold),
    SDBG_UNREAD(MosDiagCounterExtEntry, base.component),
};
constexpr Sdbg_ByteRange kDiagCounterShortUnread[] = {
    SDBG_UNREAD(MosDiagCounterExtEntry, base.threshold),
    SDBG_UNREAD(MosDiagCounterExtEntry, base.component),
    SDBG_UNREAD(MosDiagCounterExtEntry, countExtData),
    SDBG_UNREAD(MosDiagCounterExtEntry, lastCountTimeMilli),
};

// The three windows of one figure, separated by "," (LABEL on LABEL).
#define SDBG_OSC_WINDOWS(label, field, format)                                                     \
    SDBG_ROW(1, MosOscCntEntry, shortWindow.field, label, format, SDBG_NONZERO_ALERT),             \
        SDBG_ROW(1, MosOscCntEntry, mediumWindow.field, ",", format, SDBG_NONZERO_ALERT),          \
        SDBG_ROW(1, MosOscCntEntry, longWindow.field, ",", format, SDBG_NONZERO_ALERT)

constexpr Sdbg_ViewRow kOscCounterRows[] = {
    SDBG_ROW(1, MosOscCntEntry, addrStr, nullptr, Str, SDBG_VALUE),
    SDBG_ROW(1, MosOscCntEntry, remoteObjId, " obj ID: ", Hex0x, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOscCntEntry, shortWindowCurrentCount, " count: ", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOscCntEntry, mediumWindowCurrentCount, ",", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, MosOscCntEntry, longWindowCurrentCount, ",", U, SDBG_NONZERO_ALERT),
    SDBG_OSC_WINDOWS(" threshold: ", threshold, U),
    SDBG_OSC_WINDOWS(" size: ", windowSizeInSec, U),
    SDBG_OSC_WINDOWS(" last count: ", lastOscillationCount, U),
    SDBG_OSC_WINDOWS(" time: ", lastOscillationTime, LLU),
    SDBG_OSC_WINDOWS(" max count: ", maxFailuresCount, U),
    SDBG_OSC_WINDOWS(" time: ", maxFailuresTime, LLU),
};
constexpr uint32_t kOscPeerRows = 2; // the peer's address and object id

#define SDBG_OSC_WINDOW_GAPS                                                                       \
    SDBG_UNREAD(MosOscCntEntry, shortWindow.reserved1),                                            \
        SDBG_UNREAD(MosOscCntEntry, shortWindow.reserved2),                                        \
        SDBG_UNREAD(MosOscCntEntry, mediumWindow.reserved1),                                       \
        SDBG_UNREAD(MosOscCntEntry, mediumWindow.reserved2),                                       \
        SDBG_UNREAD(MosOscCntEntry, longWindow.reserved1),                                         \
        SDBG_UNREAD(MosOscCntEntry, longWindow.reserved2)

constexpr Sdbg_ByteRange kOscNetworkUnread[] = {SDBG_OSC_WINDOW_GAPS};
constexpr Sdbg_ByteRange kOscOtherUnread[] = {
    SDBG_UNREAD(MosOscCntEntry, addrStr),
    SDBG_UNREAD(MosOscCntEntry, remoteObjId),
    SDBG_OSC_WINDOW_GAPS,
};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kDiagCounterView, MosDiagCounterExtEntry, kDiagCounterRows,
                      kDiagCounterUnread, 0);
extern const Sdbg_ViewTable kDiagCounterShortView;
const Sdbg_ViewTable kDiagCounterShortView = {"MosDiagCounterExtEntry",
                                              sizeof(MosDiagCounterExtEntry),
                                              kDiagCounterRows,
                                              kDiagCounterShortRows,
                                              kDiagCounterShortUnread,
                                              std::size(kDiagCounterShortUnread),
                                              0};
SDBG_DEFINE_VIEW_GAPS(kOscNetworkView, MosOscCntEntry, kOscCounterRows, kOscNetworkUnread, 0);
extern const Sdbg_ViewTable kOscOtherView;
const Sdbg_ViewTable kOscOtherView = {"MosOscCntEntry",
                                      sizeof(MosOscCntEntry),
                                      kOscCounterRows + kOscPeerRows,
                                      std::size(kOscCounterRows) - kOscPeerRows,
                                      kOscOtherUnread,
                                      std::size(kOscOtherUnread),
                                      0};
