// Views as data. Each object type's view is one table of rows in print
// order; one text renderer and one XML renderer walk it. A row names the
// bytes it reads (offset and size, taken from the wire struct itself), the
// text label, the XML element (the field's own name), the number format and
// the colour rule. A row that a table cannot express names a hook, which
// prints that row in both forms.
//
// Adding the views of more types (a developer writes rows and hooks only):
//  1. the wire struct, packed, with static_asserts on its size and offsets,
//     in its subsystem's sdbg_wire_<subsystem>.h, and one
//     SDBG_VIEW_WIRE(id, Wire) line per type id in
//     sdbg_view_wires_<subsystem>.def (the factory then holds that struct; its size
//     must equal the object type table's, or the build fails);
//  2. in a table file of its own, one constexpr row array per view with
//     SDBG_ROW / SDBG_HOOK_ROW / SDBG_COUNT_ROW, in print order, the gaps no
//     row reads with SDBG_UNREAD, and SDBG_DEFINE_VIEW(_GAPS) per table;
//  3. a hook for each row a table cannot express (a list, a nested element
//     with tags of its own), in the same file, each with a golden test; a
//     record nested in the struct gets a table of its own (SDBG_SUB_TABLE),
//     named on its row with SDBG_NESTED_ROW, which its hook prints it by;
//  4. one SDBG_VIEW_TYPE(id, table) line per type id in
//     sdbg_view_types_<subsystem>.def; the table checks (tiling, widths,
//     unread bytes, clean prints, balanced XML) then cover it, and the
//     expected-output test prints it (its expected file is written anew
//     and read against the type's table).
#pragma once

#include "sdbg_logical_view.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

// What a row's bytes are: the width and sign of an integer, a double, a
// text of size bytes, or a record handed whole to a printer or hook.
enum class Sdbg_FieldKind : uint8_t { U8, U16, U32, U64, I8, I16, I32, I64, F64, Text, Record };

enum class Sdbg_Format : uint8_t {
    U,            // %u
    D,            // %d, narrow fields widened by their own sign
    LLU,          // %llu
    LLD,          // %lld
    Hex0x,        // "0x" and lower-case hex digits, no leading zeros
    Str,          // text up to its first NUL, never more than its size
    Bwc,          // bandwidth counter as a size rate
    LatencyBwc,   // bandwidth counter as a latency
    SampleStats,  // sample-statistics record
    PerfStage,    // stage record of a performance stack
    AvgEvent,     // bandwidth counter as an average event
    AvgEvent8,    // short average record
    SlotThrottle, // slot-throttle record
    NetAddr,      // the runtime's 24-byte network address
    Guid,         // 16-byte GUID as its braced registry text
    Hex8,         // one byte as "0x" and lower-case hex digits
    Hook,         // printed by the row's hook
    Count,        // read by another row (a list bound); printed by none
};

enum class Sdbg_Rule : uint8_t { Value, ZeroAlert, NonzeroAlert, Highlight, Pair };

struct Sdbg_ViewRow;
struct Sdbg_ViewTable;

// Prints one row: in text after the renderer wrote its label, in XML the
// whole row (elements, tags and any label the XML view repeats).
using Sdbg_ViewHook = void (*)(Sdbg_LogicalView &view, const uint8_t *pWire,
                               const Sdbg_ViewRow &row, bool bXml);

struct Sdbg_ViewRow {
    uint16_t line;   // text line; a higher line than the row before writes line breaks
    uint32_t offset; // wire offset of the bytes the row reads
    uint32_t size;   // how many bytes it reads
    Sdbg_FieldKind kind;
    const char *pXml;   // element name; nullptr: left out of the XML view
    const char *pLabel; // text label; nullptr: none (text only rows: also XML)
    Sdbg_Format format;
    Sdbg_Rule rule;
    int8_t fg; // the pair of Sdbg_Rule::Pair
    int8_t bg;
    bool bLabelCurrentColours; // label in the current colours, not LABEL on LABEL
    bool bTextOnly;            // left out of the XML view
    Sdbg_ViewHook hook;
    // The table of the record the row's bytes hold (of each record, when
    // they hold an array of them), which the row's hook prints them by;
    // nullptr when the hook reads the bytes itself.
    const Sdbg_ViewTable *pNested;
};

struct Sdbg_ByteRange {
    uint32_t offset;
    uint32_t size;
};

struct Sdbg_ViewTable {
    const char *pWireName;
    uint32_t wireSize;
    const Sdbg_ViewRow *pRows;
    uint32_t rowCount;
    const Sdbg_ByteRange *pUnread; // bytes no row reads
    uint32_t unreadCount;
    uint32_t textTrailingNewLines; // line breaks the text view ends with
};

// The table of an object type id; nullptr for a type whose view is not
// built yet.
const Sdbg_ViewTable *Sdbg_FindViewTable(uint32_t objTypeId);

// The two renderers. pWire holds the table's wireSize bytes.
void Sdbg_RenderText(Sdbg_LogicalView &view, const Sdbg_ViewTable &table, const uint8_t *pWire);
void Sdbg_RenderXml(Sdbg_LogicalView &view, const Sdbg_ViewTable &table, const uint8_t *pWire);

// Pieces the hooks share with the renderers.
void Sdbg_PrintValue(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pWire);
// A text field of capacity bytes, up to its first NUL.
void Sdbg_PrintText(Sdbg_LogicalView &view, const char *pText, uint32_t capacity, int32_t fg,
                    int32_t bg);
// "\n" + tabs + "<name>" (LABEL on LABEL); and "</name>".
void Sdbg_PrintOpenTag(Sdbg_LogicalView &view, uint32_t tabs, const char *pName);
void Sdbg_PrintCloseTag(Sdbg_LogicalView &view, const char *pName);

// Deduces a row's kind from the wire struct's member type.
template <typename T> constexpr Sdbg_FieldKind Sdbg_KindOf() {
    if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, char>) {
        return Sdbg_FieldKind::Text;
    } else if constexpr (std::is_same_v<T, uint8_t>) {
        return Sdbg_FieldKind::U8;
    } else if constexpr (std::is_same_v<T, uint16_t>) {
        return Sdbg_FieldKind::U16;
    } else if constexpr (std::is_same_v<T, uint32_t>) {
        return Sdbg_FieldKind::U32;
    } else if constexpr (std::is_same_v<T, uint64_t>) {
        return Sdbg_FieldKind::U64;
    } else if constexpr (std::is_same_v<T, int8_t>) {
        return Sdbg_FieldKind::I8;
    } else if constexpr (std::is_same_v<T, int16_t>) {
        return Sdbg_FieldKind::I16;
    } else if constexpr (std::is_same_v<T, int32_t>) {
        return Sdbg_FieldKind::I32;
    } else if constexpr (std::is_same_v<T, int64_t>) {
        return Sdbg_FieldKind::I64;
    } else if constexpr (std::is_same_v<T, double>) {
        return Sdbg_FieldKind::F64;
    } else {
        return Sdbg_FieldKind::Record;
    }
}

#define SDBG_MEMBER_TYPE(Wire, member)                                                             \
    std::remove_cvref_t<decltype(static_cast<Wire *>(nullptr)->member)>
#define SDBG_FIELD_AT(Wire, member)                                                                \
    static_cast<uint32_t>(offsetof(Wire, member)),                                                 \
        static_cast<uint32_t>(sizeof(SDBG_MEMBER_TYPE(Wire, member))),                             \
        Sdbg_KindOf<SDBG_MEMBER_TYPE(Wire, member)>()

// Colour rules: SDBG_VALUE, ... or SDBG_PAIR(fg, bg) (-1 keeps).
#define SDBG_VALUE         Sdbg_Rule::Value, -1, -1
#define SDBG_ZERO_ALERT    Sdbg_Rule::ZeroAlert, -1, -1
#define SDBG_NONZERO_ALERT Sdbg_Rule::NonzeroAlert, -1, -1
#define SDBG_HIGHLIGHT     Sdbg_Rule::Highlight, -1, -1
#define SDBG_PAIR(fg, bg)  Sdbg_Rule::Pair, fg, bg

// A field row: its XML element is the member's own name.
#define SDBG_ROW(line, Wire, member, label, format, rule)                                          \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::format, rule, false,       \
            false, nullptr, nullptr                                                                \
    }
// A row printed by a hook; the label is written in the current colours.
#define SDBG_HOOK_ROW(line, Wire, member, label, hookFn)                                           \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::Hook, SDBG_VALUE, true,    \
            false, hookFn, nullptr                                                                 \
    }
// A row printed by a hook whose label is written LABEL on LABEL, like a
// plain row's.
#define SDBG_LABELLED_HOOK_ROW(line, Wire, member, label, hookFn)                                  \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::Hook, SDBG_VALUE, false,   \
            false, hookFn, nullptr                                                                 \
    }
// A row whose bytes hold one record of the table nested, or an array of
// them; its hook prints them through row.pNested. The label is written in
// the current colours (SDBG_NESTED_ROW) or LABEL on LABEL
// (SDBG_LABELLED_NESTED_ROW).
#define SDBG_NESTED_ROW(line, Wire, member, label, hookFn, nested)                                 \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::Hook, SDBG_VALUE, true,    \
            false, hookFn, &nested                                                                 \
    }
#define SDBG_LABELLED_NESTED_ROW(line, Wire, member, label, hookFn, nested)                        \
    Sdbg_ViewRow {                                                                                 \
        line, SDBG_FIELD_AT(Wire, member), #member, label, Sdbg_Format::Hook, SDBG_VALUE, false,   \
            false, hookFn, &nested                                                                 \
    }
// A count that bounds another row's list and is printed by none.
#define SDBG_COUNT_ROW(Wire, member)                                                               \
    Sdbg_ViewRow {                                                                                 \
        0, SDBG_FIELD_AT(Wire, member), nullptr, nullptr, Sdbg_Format::Count, SDBG_VALUE, false,   \
            true, nullptr, nullptr                                                                 \
    }
#define SDBG_UNREAD(Wire, member)                                                                  \
    Sdbg_ByteRange {                                                                               \
        static_cast<uint32_t>(offsetof(Wire, member)),                                             \
            static_cast<uint32_t>(sizeof(SDBG_MEMBER_TYPE(Wire, member)))                          \
    }
