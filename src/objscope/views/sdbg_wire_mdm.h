// Query structures of the metadata manager's views of data servers, clients, volumes, snapshots,
// multihead, as the views read them (little-endian, byte-packed, offsets checked).
#pragma once

#include "sdbg_stat_records.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

namespace sdbg_wire {} // namespace sdbg_wire

#pragma pack(pop)
