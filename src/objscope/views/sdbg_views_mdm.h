// Pieces the metadata manager's view tables share: sections (a nested
// record with rows of its own, printed inline in text and as an element of
// its own in XML) and a hook row whose label is a label.
#pragma once

#include "sdbg_view_catalog.h"

#include <cstdint>

// A section is a nested record's table (SDBG_SUB_TABLE): its rows over
// the record's own offsets, its XML tag the record's struct name.
//
// Text: the section's rows from the current column on, with a line break
// wherever their line changes; the last line stays open.
void Mdm_PrintSection(Sdbg_LogicalView &view, const Sdbg_ViewTable &section,
                      const uint8_t *pRecord);
// XML: line break, two tabs, "<tag>" in the current colours; each row as an
// element after a line break and three tabs (a hook row prints its own
// element at that depth); line break, two tabs, "</tag>".
void Mdm_PrintSection_xml(Sdbg_LogicalView &view, const Sdbg_ViewTable &section,
                          const uint8_t *pRecord);
// The hook of a row that nests a section (SDBG_NESTED_ROW).
void Mdm_SectionHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                     bool bXml);

// A hook's value: in text as printValue() writes it, in XML between the
// row's tags after a line break and tabs.
template <typename PrintFn>
void Mdm_PrintInElement(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, bool bXml, uint32_t tabs,
                        PrintFn printValue) {
    if (bXml) {
        Sdbg_PrintOpenTag(view, tabs, row.pXml);
    }
    printValue();
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}
