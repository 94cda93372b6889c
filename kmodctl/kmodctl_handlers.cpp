// kmodctl's handler tables, one per command index, from
// kmodctl_handlers.def, and the built-in command-version vectors.
#include "kmodctl_handlers.h"

#include "kmodctl_frontend.h"
#include "kmodctl_guid.h"
#include "kmodctl_mdm_cmds.h"
#include "kmodctl_misc.h"
#include "kmodctl_params.h"
#include "kmodctl_pe.h"
#include "kmodctl_stats.h"
#include "kmodctl_targets.h"
#include "kmodctl_trace.h"
#include "kmodctl_volumes.h"

#include <cstddef>

namespace {

constexpr std::nullptr_t NONE = nullptr;

// Every index has exactly one row: a second row of an index would
// specialise KmodctlCmd twice.
constexpr QorniCmdIndex kIndices[] = {
#define KMODCTL_HANDLERS(name, signature, v130, v200, v201, v300) QORNI_CMD__##name,
#include "kmodctl_handlers.def"
#undef KMODCTL_HANDLERS
};
static_assert(sizeof(kIndices) / sizeof(kIndices[0]) == QORNI_NUM_CMDS);

} // namespace

#define KMODCTL_HANDLERS(name, signature, v130, v200, v201, v300)                                  \
    KmodctlCmd<QORNI_CMD__##name>::Fn *const KmodctlCmd<QORNI_CMD__##name>::kSlots[] = {           \
        v130, v200, v201, v300};
#include "kmodctl_handlers.def"
#undef KMODCTL_HANDLERS

namespace {

template <QorniCmdIndex Index> uint32_t slotMask() {
    uint32_t mask = 0;
    for (uint32_t slot = 0; slot < KMODCTL_NUM_SLOTS; slot++) {
        mask |= KmodctlCmd<Index>::kSlots[slot] != nullptr ? 1u << slot : 0u;
    }
    return mask;
}

QorniCmdHandlerTable kTables[QORNI_NUM_CMDS];

} // namespace

uint32_t kmodctl_HandlerSlotMask(uint32_t index) {
    switch (index) {
#define KMODCTL_HANDLERS(name, signature, v130, v200, v201, v300)                                  \
    case QORNI_CMD__##name:                                                                        \
        return slotMask<QORNI_CMD__##name>();
#include "kmodctl_handlers.def"
#undef KMODCTL_HANDLERS
        default:
            return 0;
    }
}

void kmodctl_SetUpInterface() {
    qorniIntf_Init("kmodctl", true);
    for (QorniCmdIndex index : kIndices) {
        const QorniCmdInfo *pInfo = qorni_CmdInfo(index);
        kTables[index] = {pInfo->slotCount, kmodctl_HandlerSlotMask(index)};
        qorniIntf_SetHandlerTable(index, &kTables[index]);
        if (pInfo->builtinV130 != QORNI_SLOT_NONE) {
            qorniIntf_SetV130CmdVersion(index, pInfo->builtinV130);
        }
        if (pInfo->builtinV200 != QORNI_SLOT_NONE) {
            qorniIntf_SetV200CmdVersion(index, pInfo->builtinV200);
        }
    }
}
