// kmodctl's handler tables: which version slots of each command index
// hold a handler, against the documented table, and that the interface
// offers only those slots.
#include "kmodctl_handlers.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t V130 = 1u << QORNI_SLOT_V130;
constexpr uint32_t V200 = 1u << QORNI_SLOT_V200;
constexpr uint32_t V201 = 1u << QORNI_SLOT_V201;
constexpr uint32_t V300 = 1u << QORNI_SLOT_V300;

// Bit v: the index has a handler at slot v.
constexpr uint32_t kExpectedMasks[QORNI_NUM_CMDS] = {
    V130 | V200,        // QUERY_VERSION
    V200,               // SET_GUID
    V130 | V200,        // QUERY_GUID
    V200 | V201,        // ADD_MDM
    V130 | V200 | V201, // MOD_MDM
    V130 | V200 | V201, // QUERY_MDMS
    V200,               // RESCAN
    V200,               // BOOT_WAIT
    V200,               // SET_DYN_PARAM
    V200,               // QUERY_DYN_PARAMS
    V130 | V200,        // QUERY_BLK_DEV_ID
    V200,               // QUERY_LB_INFO
    V200,               // QUERY_TGTS
    V200 | V201 | V300, // QUERY_VOLS
    V200,               // QUERY_PES
    V200,               // QUERY_VVOLS
    0,                  // DESTROY_PE
    V200,               // RESET_DIAG_COUNTERS
    V200,               // QUERY_DIAG_COUNTERS
    V200,               // SET_TRACE_FREQ_MAP
    V200,               // SET_ALL_TRACE_FREQ
    V200,               // SET_TRACE_FREQ
    V200,               // QUERY_TRACE_FREQ
    V200,               // RESET_MEM_TRACKER
    V200,               // DUMP_MEM_TRACKER
    V200,               // QUERY_PERF
    V200,               // RESET_PERF
    0,                  // GET_TRACE_BUFFER
};

TEST(HandlerTableTest, EachIndexHasHandlersAtItsDocumentedSlotsOnly) {
    for (uint32_t index = 0; index < QORNI_NUM_CMDS; index++) {
        SCOPED_TRACE(qorni_CmdInfo(index)->pName);
        EXPECT_EQ(kmodctl_HandlerSlotMask(index), kExpectedMasks[index]);
        // No handler sits where the interface never looks.
        EXPECT_EQ(kmodctl_HandlerSlotMask(index) >> qorni_CmdInfo(index)->slotCount, 0u);
    }
    EXPECT_EQ(kmodctl_HandlerSlotMask(QORNI_NUM_CMDS), 0u);
}

} // namespace
