// Pieces the data server's view tables share: a hook row whose label is a
// label like any other, and the hook that wraps a computed value in its
// field's element.
#pragma once

#include "sdbg_view_catalog.h"

#include <cstring>

namespace sdbg_tgt {

template <typename T> T ReadWire(const uint8_t *pWire, uint32_t offset) {
    T value;
    std::memcpy(&value, pWire + offset, sizeof(value));
    return value;
}

// Prints a row's value where a format cannot say it.
using ValuePrinter = void (*)(Sdbg_LogicalView &view, const uint8_t *pWire,
                              const Sdbg_ViewRow &row);

// Text: the value after the label; XML: the value inside the field's element.
template <ValuePrinter kPrint>
void ElementHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row, bool bXml) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    kPrint(view, pWire, row);
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

} // namespace sdbg_tgt
