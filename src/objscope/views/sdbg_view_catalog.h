// The view tables of every object type whose view is built, and the macros
// the table files define them with.
#pragma once

#include "sdbg_view_table.h"
#include "sdbg_wires.h"

#include <iterator>

// A view whose rows read every byte of Wire but for the listed gaps.
#define SDBG_DEFINE_VIEW_GAPS(name, Wire, rows, gaps, trailingNewLines)                            \
    extern const Sdbg_ViewTable name;                                                              \
    const Sdbg_ViewTable name = {#Wire,                                                            \
                                 static_cast<uint32_t>(sizeof(Wire)),                              \
                                 rows,                                                             \
                                 static_cast<uint32_t>(std::size(rows)),                           \
                                 gaps,                                                             \
                                 static_cast<uint32_t>(std::size(gaps)),                           \
                                 trailingNewLines}
#define SDBG_DEFINE_VIEW(name, Wire, rows, trailingNewLines)                                       \
    extern const Sdbg_ViewTable name;                                                              \
    const Sdbg_ViewTable name = {#Wire,                                                            \
                                 static_cast<uint32_t>(sizeof(Wire)),                              \
                                 rows,                                                             \
                                 static_cast<uint32_t>(std::size(rows)),                           \
                                 nullptr,                                                          \
                                 0,                                                                \
                                 trailingNewLines}

// The rows of a record nested in a query structure (offsets within the
// record) as a table of its own, named after the record's struct.
template <size_t N>
constexpr Sdbg_ViewTable Sdbg_SubTable(const char *pWireName, size_t wireSize,
                                       const Sdbg_ViewRow (&rows)[N]) {
    return {pWireName, static_cast<uint32_t>(wireSize), rows, static_cast<uint32_t>(N), nullptr, 0,
            0};
}
#define SDBG_SUB_TABLE(Wire, rows) Sdbg_SubTable(#Wire, sizeof(Wire), rows)

#define SDBG_VIEW_TYPE(id, table) extern const Sdbg_ViewTable table;
#include "sdbg_view_types.def"
#undef SDBG_VIEW_TYPE
