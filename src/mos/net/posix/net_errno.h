// The Linux stand-in's translation of errno into the Windows socket error
// numbers seen above the sockets seam (os_net.h), through the table of
// Windows errors (os_win_errors.def); defined beside the Win32
// translation in sys/posix/sys.cpp.
#pragma once

#include <cstdint>

// The Windows socket error for errno err; WSAEINVAL for one no row of the
// table names (one the socket calls never return).
uint32_t osNetPosix_WsaFromErrno(int err);
