// The page buffer: everything the viewer shows is printed into it.
//
// A growing list of text lines in which every character carries its own
// colour pair (held as runs of equal pairs), a write position, and a page
// window of a fixed number of lines that Render draws on an output device. Screens and object views
// print through the put and print methods below and through the statistics
// printers (sdbg_stat_printers.cpp); those formats are the interface every
// view relies on. Lines and their buffers are reused across Clear, so a
// steady refresh allocates nothing once the lines have grown.
#pragma once

#include "sdbg_attr.h"
#include "sdbg_stat_records.h"

#include "mos_utils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Sdbg_OutputDev;

// The colour pairs of one line, held as runs. It reads as one pair per
// position: entries [0, size()) hold what was written ({0, 0} where
// nothing was), later positions read {0, 0}. A run holds the pair from
// its start up to the next run's start; neighbouring runs never hold the
// same pair (both halves compared), so the runs are what Render writes.
class Sdbg_AttrRuns {
  public:
    struct Run {
        uint32_t start;
        Sdbg_Attr attr;
    };

    size_t size() const { return count; }
    Sdbg_Attr operator[](size_t position) const;
    // Grows to n entries, the new ones {0, 0}; never shrinks.
    void Grow(uint32_t n);
    // Entries [from, to) take attr; the entries grow to at least to.
    void Fill(uint32_t from, uint32_t to, const Sdbg_Attr &attr);
    // Every entry reads {0, 0} again; the runs' storage is kept.
    void Reset();
    const std::vector<Run> &Runs() const { return runs; }

  private:
    void Append(uint32_t to, const Sdbg_Attr &attr);
    void Overwrite(uint32_t from, uint32_t to, const Sdbg_Attr &attr);

    std::vector<Run> runs;
    uint32_t count = 0;
};

struct Sdbg_ViewLine {
    Sdbg_ViewLine();

    // Writes length characters at column in attr, first extending the text
    // with blanks to column + length and the attributes with {0, 0}.
    void PutText(const char *pText, uint32_t length, uint32_t column, const Sdbg_Attr &attr);
    void Clear();
    // The length up to the first NUL: an empty line is a single NUL.
    uint32_t VisibleLength() const;

    std::string text;
    Sdbg_AttrRuns attrs;
    uint32_t renderPos = 0;
    uint32_t renderLength = 0;
};

// value as "%.2f" into pBuf. A NaN prints "nan" and an infinity "inf" or
// "-inf" on every target: C libraries differ there (one prints "-nan" for
// a NaN whose sign bit is set, another "nan").
void Sdbg_FormatFixed2(char *pBuf, size_t bufSize, double value);

class Sdbg_LogicalView {
  public:
    Sdbg_LogicalView(Sdbg_OutputDev *pDevice, uint32_t pageHeight, uint32_t foreground,
                     uint32_t background);

    void SetDevice(Sdbg_OutputDev *pDevice) { pDev = pDevice; }
    Sdbg_OutputDev *GetDevice() const { return pDev; }

    // Writing primitives: at the current column, advancing it.
    Sdbg_LogicalView &PutStr(const char *pText);
    Sdbg_LogicalView &PutUInt(uint32_t value);
    void PutTabs(uint32_t count);
    // Pads the current line with blanks ({0, 0}) so the column becomes c.
    void PadToColumn(uint32_t c);
    void NewLine();
    // Moves the write column (later text overwrites, or blanks fill up).
    void SetColumn(uint32_t c) { column = c; }

    // Coloured print methods: a code other than SDBG_COLOR_KEEP replaces
    // that half of the current pair for this call only.
    // Views may pass a fourth argument; it is not used.
    void PrintStr(const char *pText, int32_t fg, int32_t bg, uint32_t unused = 0);
    void PrintInt(int32_t value, int32_t fg, int32_t bg);
    void PrintUInt(uint32_t value, int32_t fg, int32_t bg);
    void PrintDouble(double value, int32_t fg, int32_t bg);
    void PrintInt64(int64_t value, int32_t fg, int32_t bg);
    void PrintUInt64(uint64_t value, int32_t fg, int32_t bg);
    void PrintHex8(uint8_t value, int32_t fg, int32_t bg, uint32_t bPrefix);
    void PrintHex32(uint32_t value, int32_t fg, int32_t bg, uint32_t bPrefix);
    void PrintHex64(uint64_t value, int32_t fg, int32_t bg, uint32_t bPrefix);
    // "(" a "/" b ")" of two consecutive u64 values.
    void PrintFraction(const uint64_t pPair[2], int32_t fg, int32_t bg);

    // Statistics printers (sdbg_stat_printers.cpp). Every divisor taken
    // from a remote record is checked: a zero or wrapped one prints a
    // defined value, and bucket walks stop at the record's capacity.
    void PrintBwc(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg);
    void PrintLatencyBwc(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg);
    void PrintAvgEvent(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg, uint32_t bXml = 0);
    void PrintAvgEvent8(const Sdbg_AvgEvent8Record &record, int32_t fg, int32_t bg);
    void PrintDistribution(const char *pName, const char *pSubtitle,
                           const Sdbg_DistributionRecord &record);
    void PrintTimeHistogram(const Sdbg_DistributionRecord &record, int32_t fg, int32_t bg,
                            uint32_t bXml);
    void PrintSampleStats(const Sdbg_SampleStatsRecord &stats, int32_t fg, int32_t bg,
                          uint32_t bXml);
    void PrintPerfStage(const Sdbg_PerfStageRecord &stage, int32_t fg, int32_t bg, uint32_t bXml);
    // "Address: <text> Port: <port>" or the two XML elements, all in the
    // given colours; an address that cannot be converted reads "INVALID".
    void PrintNetAddress(const NetAddress &address, int32_t fg, int32_t bg, uint32_t bXml);
    void PrintSlotThrottle(const Sdbg_SlotThrottleRecord &record, int32_t fg, int32_t bg,
                           uint32_t bXml);

    // Page operations.
    void Clear();
    // To the next page when it holds at least one used line.
    void PageDown();
    // To the previous page (none before the first), or to the first.
    void PageUp(bool bToFirst);
    void SetPageHeight(uint32_t height);
    // Draws the current page on the device, a run of equally coloured
    // characters per write, each line cut at the device's width.
    void Render(bool bNewFrame);
    // Draws every line up to the current one, from row 0 on, whatever the
    // page: a dump on a device without a window (a stream) is whole.
    void RenderAll(bool bNewFrame);

    uint32_t GetPageHeight() const { return pageHeight; }
    uint32_t GetPage() const { return page; }
    uint32_t GetLinesUsed() const { return linesUsed; }
    uint32_t GetColumn() const { return column; }
    uint32_t GetCurrentLine() const { return currentLine; }
    size_t LineCount() const { return lineCount; }
    // Throws std::out_of_range at or beyond LineCount().
    const Sdbg_ViewLine &Line(uint32_t index) const;

    Sdbg_Attr currentAttr; // colours of the plain put methods

  private:
    Sdbg_Attr Merge(int32_t fg, int32_t bg) const;
    void PutInAttr(const char *pText, uint32_t length, const Sdbg_Attr &attr);
    void RenderLine(const Sdbg_ViewLine &line, uint32_t row, uint32_t width);
    void RenderRows(uint64_t first, uint64_t end, bool bNewFrame);
    Sdbg_ViewLine &Current();
    void PrintTimeHistogramXml(const Sdbg_DistributionRecord &record, int32_t fg, int32_t bg);
    void PrintBucketShares(const Sdbg_DistributionRecord &record, int32_t fg, int32_t bg);
    void PrintDistributionBars(const Sdbg_DistributionRecord &record, uint64_t scale);
    void PrintXmlElement(uint32_t tabs, const char *pTag, const char *pValue, int32_t fg,
                         int32_t bg);

    Sdbg_OutputDev *pDev;
    // Lines are made in blocks as they are first written, so a line never
    // moves and growing costs no copy; the lines after the last block, up
    // to lineCount, are empty and take no memory until they are written.
    static constexpr size_t kLinesPerBlock = 4096;
    size_t LinesMade() const { return lineBlocks.size() * kLinesPerBlock; }
    Sdbg_ViewLine &Made(size_t index) const {
        return lineBlocks[index / kLinesPerBlock][index % kLinesPerBlock];
    }

    void StoreCurrent();

    std::vector<std::unique_ptr<Sdbg_ViewLine[]>> lineBlocks;
    // The current line is written here, then stored by NewLine.
    Sdbg_ViewLine pending;
    size_t lineCount;
    uint32_t column = 0;
    uint32_t currentLine = 0;
    uint32_t linesUsed = 0;
    uint32_t page = 0;
    uint32_t pageHeight;
};
