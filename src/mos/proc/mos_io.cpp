#include "mos_io.h"

#include "mos_assert_text.h"
#include "mos_mem.h"
#include "mos_memory_pinning.h"
#include "mos_sys_utils.h"
#include "mos_trace.h"

#include <cstring>

MosIOLayer ioLayer_G;

MOS_RC mosIOLayer_Create(void * /*pUnused*/) {
    return mosIOLayer_CreateWith(mosMemPinning_EnableManageVolumePrivilege);
}

MOS_RC mosIOLayer_CreateWith(MosIOPrivilegeFn pEnablePrivilege) {
    // The privilege only serves the storage processes' file extension; a
    // user without it must still be able to run the tools.
    const MOS_RC privilegeRc = pEnablePrivilege();
    if (privilegeRc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "mosIOLayer_Create: SeManageVolumePrivilege not enabled, rc %s; going on "
                  "without it\n",
                  mos_RcName(privilegeRc));
    }
    void *pBuf = mos_MemAllocPages(MOS_IO_ZERO_BUF_SIZE);
    if (pBuf == nullptr) {
        return MOS_RC__NO_RESOURCES;
    }
    (void)mosMemPinning_Pin(pBuf, MOS_IO_ZERO_BUF_SIZE, nullptr, nullptr, false);
    memset(pBuf, 0, MOS_IO_ZERO_BUF_SIZE);
    mos_MarkRegionReadOnly(pBuf, MOS_IO_ZERO_BUF_SIZE);
    ioLayer_G.pZeroBuf = pBuf;
    return MOS_RC__SUCCESS;
}

void mosIOLayer_Destroy() {
    MOS_ASSERT_TEXT(ioLayer_G.pZeroBuf != nullptr, "(ioLayer_G.pZeroBuf) != ((void *)0)");
    mos_MarkRegionReadWrite(ioLayer_G.pZeroBuf, MOS_IO_ZERO_BUF_SIZE);
    mos_MemFreePages(ioLayer_G.pZeroBuf);
    ioLayer_G.pZeroBuf = nullptr;
}
