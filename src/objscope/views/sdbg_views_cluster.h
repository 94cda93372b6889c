// Pieces the cluster's view tables share: sub-records printed from a table
// of their own, and fields printed as words chosen by their value.
#pragma once

#include "sdbg_view_catalog.h"

#include <cstdint>

// The sub-record at pRecord as the text of its table (lines as its rows
// say, no line break at its end).
void Sdbg_ClusterSubText(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub, const uint8_t *pRecord);
// The sub-record's fields as elements at tabs' indent, without tags of the
// record itself.
void Sdbg_ClusterSubFields(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub,
                           const uint8_t *pRecord, uint32_t tabs);
// The sub-record as an element of its own: "\n" + two tabs + "<Wire>", its
// fields at three tabs, "\n" + two tabs + "</Wire>"; both tags in the
// current colours.
void Sdbg_ClusterSubElement(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub,
                            const uint8_t *pRecord);

// The word of one value of an enumerated field, with its colour pair.
struct Sdbg_EnumWord {
    uint32_t value;
    const char *pWord;
    int8_t fg;
    int8_t bg;
};

// An enumeration: its words, and what any other value prints (pWord
// nullptr: nothing).
struct Sdbg_EnumWords {
    const Sdbg_EnumWord *pWords;
    uint32_t count;
    Sdbg_EnumWord other;
};

// Prints the u32 field of the row as its word: in text after its label,
// in XML inside the field's element.
void Sdbg_ClusterPrintEnum(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml, const Sdbg_EnumWords &words);

// The hook of a row whose field is printed by the enumeration kWords.
template <const Sdbg_EnumWords &kWords>
void Sdbg_ClusterEnumHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                          bool bXml) {
    Sdbg_ClusterPrintEnum(view, pWire, row, bXml, kWords);
}
