// The I/O layer: a 1 MiB buffer of zeros, read-only while the layer lives,
// for writers of zeros to devices and files.
#pragma once

#include "mos_rc.h"

#include <cstdint>

inline constexpr uint64_t MOS_IO_ZERO_BUF_SIZE = 0x100000;

struct MosIOLayer {
    void *pZeroBuf;
};
extern MosIOLayer ioLayer_G;

typedef MOS_RC (*MosIOPrivilegeFn)();

// Enables the volume-management privilege, then allocates the zero buffer,
// offers it to memory pinning and marks it read-only. A process that may
// not hold the privilege still starts: the failure is traced and the layer
// comes up without it. MOS_RC__NO_RESOURCES when the buffer cannot be had.
[[nodiscard]] MOS_RC mosIOLayer_Create(void *pUnused);
// As mosIOLayer_Create with the given privilege step.
[[nodiscard]] MOS_RC mosIOLayer_CreateWith(MosIOPrivilegeFn pEnablePrivilege);
// The buffer must exist; it is made writable again and freed.
void mosIOLayer_Destroy();
