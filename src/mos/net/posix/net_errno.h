// The Linux stand-in's translation of errno into the Windows socket error
// numbers seen above the sockets seam (os_net.h).
#pragma once

#include <cstdint>

// The Windows socket error for errno err; WSAEINVAL for one the socket
// calls never return.
uint32_t osNetPosix_WsaFromErrno(int err);
