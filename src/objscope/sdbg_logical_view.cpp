#include "sdbg_logical_view.h"

#include "sdbg_device.h"

#include "mos_utils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace {

// Decimal text of a value, as "%llu" (or "%lld" with bNegative) writes it,
// built backwards in the caller's buffer: integers are most of what a page
// shows, and this is several times cheaper than a formatted print.
struct DecimalText {
    char digits[24];
    const char *pText;
};

DecimalText Decimal(uint64_t magnitude, bool bNegative) {
    DecimalText number;
    char *p = number.digits + sizeof(number.digits);
    *--p = '\0';
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (bNegative) {
        *--p = '-';
    }
    number.pText = p;
    return number;
}

// Lower-case hexadecimal text, as "%s%llx" writes it with the prefix.
DecimalText Hex(uint64_t value, bool bPrefix) {
    DecimalText number;
    char *p = number.digits + sizeof(number.digits);
    *--p = '\0';
    do {
        *--p = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    if (bPrefix) {
        *--p = 'x';
        *--p = '0';
    }
    number.pText = p;
    return number;
}

DecimalText Signed(int64_t value) {
    // The magnitude is taken in unsigned arithmetic so INT64_MIN works.
    const uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return Decimal(magnitude, value < 0);
}

} // namespace

Sdbg_Attr Sdbg_AttrRuns::operator[](size_t position) const {
    if (position >= count) {
        return Sdbg_Attr{};
    }
    const auto after =
        std::upper_bound(runs.begin(), runs.end(), position, [](size_t pos, const Run &run) {
            return pos < static_cast<size_t>(run.start);
        });
    return std::prev(after)->attr;
}

void Sdbg_AttrRuns::Append(uint32_t to, const Sdbg_Attr &attr) {
    if (runs.empty() || !(runs.back().attr == attr)) {
        runs.push_back(Run{count, attr});
    }
    count = to;
}

void Sdbg_AttrRuns::Grow(uint32_t n) {
    if (n > count) {
        Append(n, Sdbg_Attr{});
    }
}

// Rewriting entries already there (a view that moved its column back) is
// rare: the runs are rebuilt around the range, then neighbours merged.
void Sdbg_AttrRuns::Overwrite(uint32_t from, uint32_t to, const Sdbg_Attr &attr) {
    const Sdbg_Attr after = (*this)[to];
    const bool bTail = to < count;
    auto byStart = [](const Run &run, uint32_t pos) { return run.start < pos; };
    const auto first = std::lower_bound(runs.begin(), runs.end(), from, byStart);
    const auto last = std::lower_bound(first, runs.end(), to, byStart);
    const bool bRunAtTo = last != runs.end() && last->start == to;
    const std::ptrdiff_t at = runs.erase(first, last) - runs.begin();
    if (bTail && !bRunAtTo) {
        runs.insert(runs.begin() + at, Run{to, after});
    }
    runs.insert(runs.begin() + at, Run{from, attr});
    runs.erase(std::unique(runs.begin(), runs.end(),
                           [](const Run &a, const Run &b) { return a.attr == b.attr; }),
               runs.end());
}

void Sdbg_AttrRuns::Fill(uint32_t from, uint32_t to, const Sdbg_Attr &attr) {
    Grow(from);
    if (to <= from) {
        return;
    }
    if (from == count) {
        Append(to, attr); // the common case: text written at the line's end
        return;
    }
    Grow(to);
    Overwrite(from, to, attr);
}

// Entries past the end read {0, 0} as cleared ones do, so dropping them
// changes nothing drawn, and the next period's text is appended again.
void Sdbg_AttrRuns::Reset() {
    runs.clear(); // keeps the storage: no allocation next period
    count = 0;
}

Sdbg_ViewLine::Sdbg_ViewLine() : text(1, '\0') {}

void Sdbg_ViewLine::PutText(const char *pText, uint32_t length, uint32_t column,
                            const Sdbg_Attr &attr) {
    const size_t end = static_cast<size_t>(column) + length;
    if (text.size() < end) {
        text.resize(end, ' ');
    }
    if (length > 0) {
        std::memcpy(&text[column], pText, length);
    }
    attrs.Fill(column, static_cast<uint32_t>(end), attr);
}

void Sdbg_ViewLine::Clear() {
    text.assign(1, '\0'); // keeps the capacity: no allocation next period
    attrs.Reset();
}

uint32_t Sdbg_ViewLine::VisibleLength() const {
    return static_cast<uint32_t>(strnlen(text.c_str(), text.size()));
}

Sdbg_LogicalView::Sdbg_LogicalView(Sdbg_OutputDev *pDevice, uint32_t height, uint32_t foreground,
                                   uint32_t background)
    : currentAttr{foreground, background}, pDev(pDevice), lineCount(height), pageHeight(height) {}

const Sdbg_ViewLine &Sdbg_LogicalView::Line(uint32_t index) const {
    static const Sdbg_ViewLine kEmptyLine;
    if (index >= lineCount) {
        throw std::out_of_range("Sdbg_LogicalView::Line");
    }
    if (index == currentLine) {
        return pending;
    }
    return index < LinesMade() ? Made(index) : kEmptyLine;
}

Sdbg_ViewLine &Sdbg_LogicalView::Current() {
    return pending;
}

// The finished line is copied into its place at its exact size: one
// allocation per line at most, none once a line has held as much before.
void Sdbg_LogicalView::StoreCurrent() {
    while (LinesMade() <= currentLine) {
        lineBlocks.push_back(std::make_unique<Sdbg_ViewLine[]>(kLinesPerBlock));
    }
    Sdbg_ViewLine &stored = Made(currentLine);
    stored.text.assign(pending.text);
    stored.attrs = pending.attrs;
    pending.Clear();
}

Sdbg_Attr Sdbg_LogicalView::Merge(int32_t fg, int32_t bg) const {
    Sdbg_Attr attr = currentAttr;
    if (fg != SDBG_COLOR_KEEP) {
        attr.foreground = static_cast<uint32_t>(fg);
    }
    if (bg != SDBG_COLOR_KEEP) {
        attr.background = static_cast<uint32_t>(bg);
    }
    return attr;
}

void Sdbg_LogicalView::PutInAttr(const char *pText, uint32_t length, const Sdbg_Attr &attr) {
    Current().PutText(pText, length, column, attr);
    column += length;
}

Sdbg_LogicalView &Sdbg_LogicalView::PutStr(const char *pText) {
    PutInAttr(pText, static_cast<uint32_t>(std::strlen(pText)), currentAttr);
    return *this;
}

Sdbg_LogicalView &Sdbg_LogicalView::PutUInt(uint32_t value) {
    return PutStr(Decimal(value, false).pText);
}

void Sdbg_LogicalView::PutTabs(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        PutInAttr("\t", 1, currentAttr);
    }
}

void Sdbg_LogicalView::PadToColumn(uint32_t c) {
    if (column >= c) {
        return;
    }
    Sdbg_ViewLine &line = Current();
    if (line.text[0] == '\0') {
        line.text[0] = ' '; // the blanks must be visible, not hidden behind a NUL
    }
    if (line.text.size() < c + 1u) {
        line.text.resize(c + 1u, ' ');
    }
    line.attrs.Grow(c + 1u);
    column = c;
}

void Sdbg_LogicalView::NewLine() {
    Current().PutText("", 0, column, currentAttr);
    StoreCurrent();
    linesUsed = std::max(linesUsed, currentLine + 1);
    if (currentLine + 1 >= lineCount) {
        lineCount = 2 * (static_cast<size_t>(currentLine) + 1);
    }
    ++currentLine;
    column = 0;
}

void Sdbg_LogicalView::PrintStr(const char *pText, int32_t fg, int32_t bg, uint32_t /*unused*/) {
    PutInAttr(pText, static_cast<uint32_t>(std::strlen(pText)), Merge(fg, bg));
}

void Sdbg_LogicalView::PrintInt(int32_t value, int32_t fg, int32_t bg) {
    PrintStr(Signed(value).pText, fg, bg);
}

void Sdbg_LogicalView::PrintUInt(uint32_t value, int32_t fg, int32_t bg) {
    PrintStr(Decimal(value, false).pText, fg, bg);
}

void Sdbg_FormatFixed2(char *pBuf, size_t bufSize, double value) {
    if (std::isnan(value)) {
        (void)mos_Snprintf(pBuf, bufSize, "%s", "nan");
    } else if (std::isinf(value)) {
        (void)mos_Snprintf(pBuf, bufSize, "%s", value < 0 ? "-inf" : "inf");
    } else {
        (void)mos_Snprintf(pBuf, bufSize, "%.2f", value);
    }
}

void Sdbg_LogicalView::PrintDouble(double value, int32_t fg, int32_t bg) {
    char text[64];
    Sdbg_FormatFixed2(text, sizeof(text), value);
    PrintStr(text, fg, bg);
}

void Sdbg_LogicalView::PrintInt64(int64_t value, int32_t fg, int32_t bg) {
    PrintStr(Signed(value).pText, fg, bg);
}

void Sdbg_LogicalView::PrintUInt64(uint64_t value, int32_t fg, int32_t bg) {
    PrintStr(Decimal(value, false).pText, fg, bg);
}

void Sdbg_LogicalView::PrintHex8(uint8_t value, int32_t fg, int32_t bg, uint32_t bPrefix) {
    PrintHex32(value, fg, bg, bPrefix);
}

void Sdbg_LogicalView::PrintHex32(uint32_t value, int32_t fg, int32_t bg, uint32_t bPrefix) {
    PrintStr(Hex(value, bPrefix != 0).pText, fg, bg);
}

void Sdbg_LogicalView::PrintHex64(uint64_t value, int32_t fg, int32_t bg, uint32_t bPrefix) {
    PrintStr(Hex(value, bPrefix != 0).pText, fg, bg);
}

void Sdbg_LogicalView::PrintFraction(const uint64_t pPair[2], int32_t fg, int32_t bg) {
    uint64_t pair[2];
    std::memcpy(pair, pPair, sizeof(pair)); // the pair may sit unaligned in a wire struct
    PrintStr("(", fg, bg);
    PrintUInt64(pair[0], fg, bg);
    PrintStr("/", fg, bg);
    PrintUInt64(pair[1], fg, bg);
    PrintStr(")", fg, bg);
}

void Sdbg_LogicalView::Clear() {
    column = 0;
    currentLine = 0;
    linesUsed = 0;
    pending.Clear();
    for (const std::unique_ptr<Sdbg_ViewLine[]> &pBlock : lineBlocks) {
        for (size_t i = 0; i < kLinesPerBlock; ++i) {
            pBlock[i].Clear();
        }
    }
}

void Sdbg_LogicalView::PageDown() {
    // Only when the next page holds at least one line.
    if (linesUsed > static_cast<uint64_t>(pageHeight) * (page + 1)) {
        ++page;
    }
}

void Sdbg_LogicalView::PageUp(bool bToFirst) {
    if (bToFirst) {
        page = 0;
    } else if (page != 0) {
        --page;
    }
}

void Sdbg_LogicalView::SetPageHeight(uint32_t height) {
    if (lineCount < height) {
        lineCount = 2 * static_cast<size_t>(height);
    }
    pageHeight = height;
}

void Sdbg_LogicalView::RenderLine(const Sdbg_ViewLine &line, uint32_t row, uint32_t width) {
    const uint32_t length = line.VisibleLength();
    const uint32_t limit = std::min(length, width);
    // Positions past the attribute entries were never written: {0, 0}, one
    // run with a {0, 0} run before them.
    const uint32_t attrCount = std::min(length, static_cast<uint32_t>(line.attrs.size()));
    const std::vector<Sdbg_AttrRuns::Run> &runs = line.attrs.Runs();
    size_t run = 0;
    uint32_t start = 0;
    while (start < limit) {
        Sdbg_Attr attr{};
        uint32_t end = length;
        if (start < attrCount) {
            attr = runs[run].attr;
            const uint32_t next = run + 1 < runs.size() ? runs[run + 1].start : attrCount;
            end = std::min(next, attrCount);
            if (end >= attrCount && attr == Sdbg_Attr{}) {
                end = length;
            }
            ++run;
        }
        const uint32_t runLength = std::min(end, width) - start;
        pDev->WriteAt(start, row, line.text.data() + start, runLength, &attr);
        start = end;
    }
}

void Sdbg_LogicalView::RenderRows(uint64_t first, uint64_t end, bool bNewFrame) {
    const uint32_t width = pDev->GetWidth();
    if (bNewFrame) {
        pDev->NewFrame();
    }
    uint32_t row = 0;
    for (uint64_t index = first; index < end && index <= currentLine && index < lineCount;
         ++index) {
        if (index == currentLine) {
            RenderLine(pending, row, width);
        } else if (index < LinesMade()) {
            RenderLine(Made(index), row, width);
        }
        ++row;
    }
    pDev->ShowFrame();
}

void Sdbg_LogicalView::Render(bool bNewFrame) {
    const uint64_t first = static_cast<uint64_t>(page) * pageHeight;
    RenderRows(first, first + pageHeight, bNewFrame);
}

void Sdbg_LogicalView::RenderAll(bool bNewFrame) {
    RenderRows(0, uint64_t{currentLine} + 1, bNewFrame);
}
