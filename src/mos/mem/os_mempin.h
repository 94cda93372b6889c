// Operating-system seam of memory pinning: locking pages into physical
// memory and the privilege a process needs to manage volumes.
#pragma once

#include "mos_rc.h"

#include <cstdint>

// VirtualLock of [pMem, pMem + size): true when every page is now resident
// and locked. On Linux mlock, bounded by the process's locked-memory
// limit just as the working-set quota bounds it on Windows.
[[nodiscard]] bool osMemPin_Lock(void *pMem, uint64_t size);

// Enables "SeManageVolumePrivilege" in the process token: open the token
// for adjusting and querying privileges, look the privilege up, adjust the
// token with it enabled, close the token. MOS_RC__SUCCESS, or MOS_RC__ERROR
// when any step fails. The Linux stand-in succeeds when the process holds
// the capability that governs block devices (CAP_SYS_ADMIN) and fails
// otherwise, as an unprivileged Windows token does.
[[nodiscard]] MOS_RC osMemPin_EnableManageVolumePrivilege();
