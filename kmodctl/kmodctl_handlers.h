// kmodctl's handler tables, typed: for each command index a type that
// holds the index's one signature and its handler at each version slot
// (from kmodctl_handlers.def), and the lookup and call of a command's
// handler at the slot the driver negotiated. A handler or a call that
// does not match its index's signature does not compile.
#pragma once

#include "ioctl_interface.h"
#include "mos_net.h"
#include "mos_rc.h"

#include <cstdint>
#include <utility>

// Version slots of a handler table: v1.30, v2.00, v2.01, v3.00.
inline constexpr uint32_t KMODCTL_NUM_SLOTS = 4;

template <QorniCmdIndex Index> struct KmodctlCmd;

#define KMODCTL_HANDLERS(name, signature, v130, v200, v201, v300)                                  \
    template <> struct KmodctlCmd<QORNI_CMD__##name> {                                             \
        using Fn = signature;                                                                      \
        static Fn *const kSlots[KMODCTL_NUM_SLOTS];                                                \
    };
#include "kmodctl_handlers.def"
#undef KMODCTL_HANDLERS

template <QorniCmdIndex Index> using KmodctlHandler = typename KmodctlCmd<Index>::Fn *;

// Bit v set when the index has a handler at slot v.
[[nodiscard]] uint32_t kmodctl_HandlerSlotMask(uint32_t index);

// Sets up the driver command interface for kmodctl: qorniIntf_Init, the
// 28 handler tables and the built-in v1.30 and v2.00 vectors.
void kmodctl_SetUpInterface();

// The handler of Index at the negotiated slot; MOS_RC__NOT_SUPPORTED
// after the version-mismatch messages.
template <QorniCmdIndex Index>
[[nodiscard]] MOS_RC kmodctl_GetHandler(KmodctlHandler<Index> *pHandler) {
    uint32_t slot = 0;
    MOS_RC rc = qorniIntf_GetHandlerSlot(Index, &slot);
    if (rc == MOS_RC__SUCCESS) {
        // The interface offers only slots whose bit kmodctl_SetUpInterface
        // set, so the entry is a handler.
        *pHandler = KmodctlCmd<Index>::kSlots[slot];
    }
    return rc;
}

// Calls the handler of Index with args; the lookup's failure otherwise.
template <QorniCmdIndex Index, typename... Args>
[[nodiscard]] MOS_RC kmodctl_CallHandler(Args &&...args) {
    KmodctlHandler<Index> handler = nullptr;
    MOS_RC rc = kmodctl_GetHandler<Index>(&handler);
    return rc == MOS_RC__SUCCESS ? handler(std::forward<Args>(args)...) : rc;
}
