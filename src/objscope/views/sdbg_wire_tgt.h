// Query structures of the data server: devices, files, I/O handlers, volumes, RAID, caches, peers,
// pools, as the views read them (little-endian, byte-packed, offsets checked).
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {} // namespace sdbg_wire

#pragma pack(pop)
