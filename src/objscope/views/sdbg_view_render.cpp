// The generic text and XML renderers over a type's view table.

#include "sdbg_view_table.h"

#include "sdbg_attr.h"
#include "sdbg_os.h"

#include <cstring>

namespace {

template <typename T> T ReadAt(const uint8_t *pWire, uint32_t offset) {
    T value;
    std::memcpy(&value, pWire + offset, sizeof(value));
    return value;
}

// The field as an unsigned value of its own width (for the zero tests) and
// as the signed value that %d / %lld print.
struct FieldNumber {
    uint64_t bits;
    int64_t asSigned;
};

FieldNumber ReadNumber(const Sdbg_ViewRow &row, const uint8_t *pWire) {
    switch (row.kind) {
        case Sdbg_FieldKind::U8: {
            uint8_t v = ReadAt<uint8_t>(pWire, row.offset);
            return {v, v};
        }
        case Sdbg_FieldKind::U16: {
            uint16_t v = ReadAt<uint16_t>(pWire, row.offset);
            return {v, v};
        }
        case Sdbg_FieldKind::U32: {
            uint32_t v = ReadAt<uint32_t>(pWire, row.offset);
            return {v, static_cast<int32_t>(v)};
        }
        case Sdbg_FieldKind::I8: {
            int8_t v = ReadAt<int8_t>(pWire, row.offset);
            return {static_cast<uint8_t>(v), v};
        }
        case Sdbg_FieldKind::I16: {
            int16_t v = ReadAt<int16_t>(pWire, row.offset);
            return {static_cast<uint16_t>(v), v};
        }
        case Sdbg_FieldKind::I32: {
            int32_t v = ReadAt<int32_t>(pWire, row.offset);
            return {static_cast<uint32_t>(v), v};
        }
        case Sdbg_FieldKind::U64:
        case Sdbg_FieldKind::I64: {
            uint64_t v = ReadAt<uint64_t>(pWire, row.offset);
            return {v, static_cast<int64_t>(v)};
        }
        default:
            return {0, 0};
    }
}

int32_t RuleForeground(const Sdbg_ViewRow &row, uint64_t bits) {
    switch (row.rule) {
        case Sdbg_Rule::Value:
            return SDBG_COLOR_VALUE;
        case Sdbg_Rule::ZeroAlert:
            return bits == 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE;
        case Sdbg_Rule::NonzeroAlert:
            return bits != 0 ? SDBG_COLOR_ALERT : SDBG_COLOR_VALUE;
        case Sdbg_Rule::Highlight:
            return SDBG_COLOR_HIGHLIGHT;
        case Sdbg_Rule::Pair:
            break;
    }
    return row.fg;
}

int32_t RuleBackground(const Sdbg_ViewRow &row) {
    return row.rule == Sdbg_Rule::Pair ? static_cast<int32_t>(row.bg)
                                       : static_cast<int32_t>(SDBG_COLOR_KEEP);
}

void PrintNumber(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pWire) {
    FieldNumber number = ReadNumber(row, pWire);
    int32_t fg = RuleForeground(row, number.bits);
    int32_t bg = RuleBackground(row);
    switch (row.format) {
        case Sdbg_Format::U:
            view.PrintUInt(static_cast<uint32_t>(number.bits), fg, bg);
            break;
        case Sdbg_Format::D:
            view.PrintInt(static_cast<int32_t>(number.asSigned), fg, bg);
            break;
        case Sdbg_Format::LLU:
            view.PrintUInt64(number.bits, fg, bg);
            break;
        case Sdbg_Format::LLD:
            view.PrintInt64(number.asSigned, fg, bg);
            break;
        case Sdbg_Format::Hex8:
            view.PrintHex8(static_cast<uint8_t>(number.bits), fg, bg, 1);
            break;
        case Sdbg_Format::Hex0x:
            if (row.kind == Sdbg_FieldKind::U64 || row.kind == Sdbg_FieldKind::I64) {
                view.PrintHex64(number.bits, fg, bg, 1);
            } else {
                view.PrintHex32(static_cast<uint32_t>(number.bits), fg, bg, 1);
            }
            break;
        default:
            break;
    }
}

void PrintRecord(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pWire, bool bXml) {
    int32_t fg = RuleForeground(row, 1);
    int32_t bg = RuleBackground(row);
    switch (row.format) {
        case Sdbg_Format::Bwc:
            view.PrintBwc(ReadAt<Sdbg_BwcRecord>(pWire, row.offset), fg, bg);
            break;
        case Sdbg_Format::LatencyBwc:
            view.PrintLatencyBwc(ReadAt<Sdbg_BwcRecord>(pWire, row.offset), fg, bg);
            break;
        case Sdbg_Format::SampleStats:
            view.PrintSampleStats(ReadAt<Sdbg_SampleStatsRecord>(pWire, row.offset), fg, bg,
                                  bXml ? 1 : 0);
            break;
        case Sdbg_Format::PerfStage:
            view.PrintPerfStage(ReadAt<Sdbg_PerfStageRecord>(pWire, row.offset), fg, bg,
                                bXml ? 1 : 0);
            break;
        case Sdbg_Format::AvgEvent:
            view.PrintAvgEvent(ReadAt<Sdbg_BwcRecord>(pWire, row.offset), fg, bg, bXml ? 1 : 0);
            break;
        case Sdbg_Format::AvgEvent8:
            view.PrintAvgEvent8(ReadAt<Sdbg_AvgEvent8Record>(pWire, row.offset), fg, bg);
            break;
        case Sdbg_Format::SlotThrottle:
            view.PrintSlotThrottle(ReadAt<Sdbg_SlotThrottleRecord>(pWire, row.offset), fg, bg,
                                   bXml ? 1 : 0);
            break;
        case Sdbg_Format::NetAddr:
            view.PrintNetAddress(ReadAt<NetAddress>(pWire, row.offset), fg, bg, bXml ? 1 : 0);
            break;
        case Sdbg_Format::Guid: {
            char text[kSdbgGuidTextSize];
            SdbgOs_GuidText(pWire + row.offset, text);
            view.PrintStr(text, fg, bg);
            break;
        }
        default:
            break;
    }
}

void PrintRowValue(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pWire,
                   bool bXml) {
    if (row.format == Sdbg_Format::Str) {
        Sdbg_PrintText(view, reinterpret_cast<const char *>(pWire + row.offset), row.size,
                       RuleForeground(row, 1), RuleBackground(row));
    } else if (row.kind == Sdbg_FieldKind::Record) {
        PrintRecord(view, row, pWire, bXml);
    } else {
        PrintNumber(view, row, pWire);
    }
}

void PrintLabel(Sdbg_LogicalView &view, const Sdbg_ViewRow &row) {
    if (row.pLabel == nullptr) {
        return;
    }
    if (row.bLabelCurrentColours) {
        view.PrintStr(row.pLabel, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    } else {
        view.PrintStr(row.pLabel, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    }
}

} // namespace

void Sdbg_PrintValue(Sdbg_LogicalView &view, const Sdbg_ViewRow &row, const uint8_t *pWire) {
    PrintRowValue(view, row, pWire, false);
}

void Sdbg_PrintText(Sdbg_LogicalView &view, const char *pText, uint32_t capacity, int32_t fg,
                    int32_t bg) {
    // A field may fill its capacity without a NUL: print it in NUL-ended
    // pieces from a bounded copy, never reading past the field.
    char piece[128];
    uint32_t length = static_cast<uint32_t>(strnlen(pText, capacity));
    uint32_t done = 0;
    do {
        uint32_t pieceLength =
            length - done < sizeof(piece) - 1 ? length - done : sizeof(piece) - 1;
        std::memcpy(piece, pText + done, pieceLength);
        piece[pieceLength] = '\0';
        view.PrintStr(piece, fg, bg);
        done += pieceLength;
    } while (done < length);
}

namespace {

// pOpen, the name and ">" in a 160-byte buffer, cut at 159 characters as
// a formatted print into it would be; every XML field has two of these.
void TagText(char (&tag)[160], const char *pOpen, const char *pName) {
    size_t length = 0;
    for (const char *pPiece : {pOpen, pName, ">"}) {
        while (*pPiece != '\0' && length < sizeof(tag) - 1) {
            tag[length++] = *pPiece++;
        }
    }
    tag[length] = '\0';
}

} // namespace

void Sdbg_PrintOpenTag(Sdbg_LogicalView &view, uint32_t tabs, const char *pName) {
    char tag[160];
    TagText(tag, "<", pName);
    view.NewLine();
    view.PutTabs(tabs);
    view.PrintStr(tag, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
}

void Sdbg_PrintCloseTag(Sdbg_LogicalView &view, const char *pName) {
    char tag[160];
    TagText(tag, "</", pName);
    view.PrintStr(tag, SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
}

void Sdbg_RenderText(Sdbg_LogicalView &view, const Sdbg_ViewTable &table, const uint8_t *pWire) {
    uint32_t line = table.rowCount > 0 ? table.pRows[0].line : 0;
    for (uint32_t i = 0; i < table.rowCount; ++i) {
        const Sdbg_ViewRow &row = table.pRows[i];
        if (row.format == Sdbg_Format::Count) {
            continue;
        }
        for (; line < row.line; ++line) {
            view.NewLine();
        }
        PrintLabel(view, row);
        if (row.format == Sdbg_Format::Hook) {
            row.hook(view, pWire, row, false);
        } else {
            PrintRowValue(view, row, pWire, false);
        }
    }
    for (uint32_t i = 0; i < table.textTrailingNewLines; ++i) {
        view.NewLine();
    }
}

void Sdbg_RenderXml(Sdbg_LogicalView &view, const Sdbg_ViewTable &table, const uint8_t *pWire) {
    for (uint32_t i = 0; i < table.rowCount; ++i) {
        const Sdbg_ViewRow &row = table.pRows[i];
        if (row.bTextOnly || row.pXml == nullptr) {
            continue;
        }
        if (row.format == Sdbg_Format::Hook) {
            row.hook(view, pWire, row, true);
            continue;
        }
        Sdbg_PrintOpenTag(view, 2, row.pXml);
        PrintRowValue(view, row, pWire, true);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}
