// The Linux stand-ins' one translation of errno into the Win32 error
// numbers seen above the seams (OS_ERR_* of os_sys.h), through the
// table of Windows errors (os_win_errors.def). Its counterpart into
// Windows socket errors, over the same table, is osNetPosix_WsaFromErrno
// (net/posix/net_errno.h).
#pragma once

#include <cstdint>

// Whose failure is translated. A few callers have always reported some
// errno values differently from the table, and keep doing so.
enum class OsErrnoUse {
    File,         // file-system calls (osSys_*); unknown: ERROR_GEN_FAILURE
    SharedMemory, // named shared memory (osShm_*); unknown: ERROR_NOT_ENOUGH_MEMORY
    Device,       // device interfaces over sockets (osDev_*); unknown: ERROR_GEN_FAILURE
};

// The Win32 error errno err reads as for that use.
uint32_t osSysPosix_Win32FromErrno(int err, OsErrnoUse use);
