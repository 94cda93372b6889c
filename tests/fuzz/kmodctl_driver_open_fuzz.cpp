// The driver interface's opening of a device as kmodctl runs it: discovery,
// the probe, the version query of either protocol, the command-vector
// negotiation (with its second query at the driver's length), then the
// version command through the negotiated handler and each command's
// slot. The fuzzer plays the device seam (os_devintf.h): byte 0 gives the
// number of present interfaces (1 to 3); each I/O control then takes from
// the input a status byte (0: success, else a Win32 failure), a 16-bit
// little-endian count of bytes returned, and those bytes. A device that
// claims more than the caller's buffer is refused as the Linux stand-in
// refuses it.
//
// It must never crash, read past a reply or a request, or hand on a slot
// the handler tables do not hold; a version text is always terminated
// within its 50 bytes.
#include "fake_devintf.h"
#include "ioctl_interface.h"
#include "kmodctl_handlers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Script {
    const uint8_t *pData;
    size_t size;
    size_t pos;
    uint8_t Byte() { return pos < size ? pData[pos++] : 0; }
};
Script script_G;

uint32_t scriptedIoctl(uint32_t /*ioctlCode*/, const uint8_t * /*pIn*/, uint32_t /*inSize*/,
                       uint8_t *pOut, uint32_t outCapacity, uint32_t *pReturned) {
    uint8_t status = script_G.Byte();
    uint32_t returned = script_G.Byte();
    returned |= uint32_t{script_G.Byte()} << 8;
    if (returned > outCapacity) {
        script_G.pos += returned;
        return OS_ERR_INVALID_DATA;
    }
    for (uint32_t i = 0; i < returned; i++) {
        pOut[i] = script_G.Byte();
    }
    *pReturned = returned;
    return status == 0 ? OS_ERR_SUCCESS : OS_ERR_GEN_FAILURE;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    (void)!freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    script_G = {pData, size, 0};
    fakeDev_Set(1u + script_G.Byte() % 3u, scriptedIoctl);
    kmodctl_SetUpInterface();
    MOS_RC rc = qorniIntf_Open();
    if (rc == MOS_RC__SUCCESS) {
        for (uint32_t index = 0; index < QORNI_NUM_CMDS; index++) {
            uint32_t slot = QORNI_SLOT_NONE;
            if (qorniIntf_GetHandlerSlot(index, &slot) != MOS_RC__SUCCESS) {
                continue;
            }
            if (slot >= qorni_CmdInfo(index)->slotCount ||
                (kmodctl_HandlerSlotMask(index) & (1u << slot)) == 0) {
                abort(); // a slot without a handler would be called
            }
        }
        KmodctlHandler<QORNI_CMD__QUERY_VERSION> handler = nullptr;
        if (kmodctl_GetHandler<QORNI_CMD__QUERY_VERSION>(&handler) == MOS_RC__SUCCESS) {
            char text[QORNI_VERSION_TEXT_SIZE + 1];
            memset(text, 'x', sizeof(text));
            (void)handler(text);
            if (memchr(text, '\0', QORNI_VERSION_TEXT_SIZE) == nullptr) {
                abort();
            }
        }
    }
    (void)qorniIntf_Close();
    if (fakeDev_OpenCount() != 0) {
        abort(); // every device opened was closed again
    }
    return 0;
}
