// kmodctl's handler tables, one per command index, from
// kmodctl_handlers.def, and the built-in command-version vectors.
#include "ioctl_interface.h"
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

template <typename Fn> QorniHandlerFn untyped(Fn fn) {
    return reinterpret_cast<QorniHandlerFn>(fn);
}
QorniHandlerFn untyped(std::nullptr_t) {
    return nullptr;
}

const QorniHandlerFn kHandlers[QORNI_NUM_CMDS][4] = {
#define KMODCTL_HANDLERS(index, v130, v200, v201, v300)                                            \
    {untyped(v130), untyped(v200), untyped(v201), untyped(v300)},
#include "kmodctl_handlers.def"
#undef KMODCTL_HANDLERS
};

QorniCmdHandlerTable kTables[QORNI_NUM_CMDS];

} // namespace

void kmodctl_SetUpInterface() {
    qorniIntf_Init("kmodctl", true);
    for (uint32_t index = 0; index < QORNI_NUM_CMDS; index++) {
        const QorniCmdInfo *pInfo = qorni_CmdInfo(index);
        kTables[index] = {kHandlers[index], pInfo->slotCount};
        qorniIntf_SetHandlerTable(index, &kTables[index]);
        if (pInfo->builtinV130 != QORNI_SLOT_NONE) {
            qorniIntf_SetV130CmdVersion(index, pInfo->builtinV130);
        }
        if (pInfo->builtinV200 != QORNI_SLOT_NONE) {
            qorniIntf_SetV200CmdVersion(index, pInfo->builtinV200);
        }
    }
}
