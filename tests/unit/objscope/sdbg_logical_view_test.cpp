#include "objscope_test_support.h"
#include "sdbg_logical_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace {

using objscopetest::Marked;
using objscopetest::MarkedLines;
using objscopetest::RecordingOutput;

struct ViewFixture : public ::testing::Test {
    RecordingOutput device{20, 5};
    Sdbg_LogicalView view{&device, 4, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT};
};

TEST_F(ViewFixture, PadToColumnFillsWithUncolouredBlanks) {
    view.currentAttr = Sdbg_Attr{SDBG_COLOR_VALUE, SDBG_COLOR_LABEL};
    view.PutStr("ab");
    view.PadToColumn(5);
    view.PutStr("c");
    EXPECT_EQ(Marked(view.Line(0)), "<1,4>ab<0,0>   <1,4>c");
    view.NewLine();
    view.PadToColumn(3); // an empty line becomes visible blanks
    EXPECT_EQ(view.Line(1).VisibleLength(), 4u);
    view.PadToColumn(2); // already beyond: nothing
    EXPECT_EQ(view.GetColumn(), 3u);
}

TEST_F(ViewFixture, ColouredPrintsLeaveTheCurrentPairAsItWas) {
    view.currentAttr = Sdbg_Attr{SDBG_COLOR_OK, SDBG_COLOR_HIGHLIGHT};
    view.PrintStr("k", SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    view.PrintUInt(7, SDBG_COLOR_ALERT, SDBG_COLOR_KEEP);
    view.PrintInt(-3, SDBG_COLOR_KEEP, SDBG_COLOR_DEFAULT);
    view.PrintDouble(1.005, SDBG_COLOR_VALUE, SDBG_COLOR_VALUE);
    EXPECT_EQ(Marked(view.Line(0)), "<3,5>k<2,5>7<3,0>-3<1,1>1.00");
    EXPECT_EQ(view.currentAttr, (Sdbg_Attr{SDBG_COLOR_OK, SDBG_COLOR_HIGHLIGHT}));
}

TEST_F(ViewFixture, NumberFormats) {
    struct Case {
        void (*print)(Sdbg_LogicalView &);
        const char *pText;
    };
    const Case cases[] = {
        {[](Sdbg_LogicalView &v) { v.PrintHex32(255, -1, -1, 1); }, "0xff"},
        {[](Sdbg_LogicalView &v) { v.PrintHex32(255, -1, -1, 0); }, "ff"},
        {[](Sdbg_LogicalView &v) { v.PrintHex8(0x0A, -1, -1, 1); }, "0xa"},
        {[](Sdbg_LogicalView &v) { v.PrintHex64(0xDEADBEEF00ull, -1, -1, 0); }, "deadbeef00"},
        {[](Sdbg_LogicalView &v) { v.PrintInt64(-9000000000ll, -1, -1); }, "-9000000000"},
        {[](Sdbg_LogicalView &v) { v.PrintUInt64(18446744073709551615ull, -1, -1); },
         "18446744073709551615"},
        {[](Sdbg_LogicalView &v) {
             const uint64_t pair[2] = {3, 4};
             v.PrintFraction(pair, -1, -1);
         },
         "(3/4)"},
        {[](Sdbg_LogicalView &v) { v.PutUInt(4294967295u); }, "4294967295"},
        {[](Sdbg_LogicalView &v) { v.PutUInt(0); }, "0"},
        {[](Sdbg_LogicalView &v) { v.PrintInt(INT32_MIN, -1, -1); }, "-2147483648"},
        {[](Sdbg_LogicalView &v) { v.PrintInt64(INT64_MIN, -1, -1); }, "-9223372036854775808"},
        {[](Sdbg_LogicalView &v) { v.PrintUInt64(0, -1, -1); }, "0"},
        // A NaN prints one way on every target, whatever its sign bit
        // (0.0 / 0.0 sets it on x86); so do the infinities.
        {[](Sdbg_LogicalView &v) { v.PrintDouble(std::nan(""), -1, -1); }, "nan"},
        {[](Sdbg_LogicalView &v) { v.PrintDouble(-std::nan(""), -1, -1); }, "nan"},
        {[](Sdbg_LogicalView &v) { v.PrintDouble(INFINITY, -1, -1); }, "inf"},
        {[](Sdbg_LogicalView &v) { v.PrintDouble(-INFINITY, -1, -1); }, "-inf"},
        {[](Sdbg_LogicalView &v) { v.PrintDouble(-2.5, -1, -1); }, "-2.50"},
    };
    for (const Case &c : cases) {
        view.Clear();
        c.print(view);
        EXPECT_EQ(view.Line(0).text.substr(0, view.Line(0).VisibleLength()), c.pText);
    }
}

TEST_F(ViewFixture, NewLineDoublesTheLinesWhenTheLastIsReached) {
    ASSERT_EQ(view.LineCount(), 4u);
    for (int i = 0; i < 3; ++i) {
        view.NewLine();
    }
    EXPECT_EQ(view.LineCount(), 4u);
    view.NewLine(); // ends the last line of the vector
    EXPECT_EQ(view.LineCount(), 8u);
    EXPECT_EQ(view.GetLinesUsed(), 4u);
    EXPECT_EQ(view.GetCurrentLine(), 4u);
}

// Paging at the edges: a page exactly full, one line past it, two pages.
struct PagingCase {
    uint32_t pageHeight;
    uint32_t linesUsed;
    uint32_t pageDowns;
    uint32_t pageAfter;
};

void PrintTo(const PagingCase &c, std::ostream *pOut) {
    *pOut << "height " << c.pageHeight << ", " << c.linesUsed << " lines, " << c.pageDowns
          << " down";
}

class PagingTest : public ::testing::TestWithParam<PagingCase> {};

TEST_P(PagingTest, PageDownNeedsALineOnTheNextPage) {
    const PagingCase &c = GetParam();
    RecordingOutput device{20, 5};
    Sdbg_LogicalView view{&device, c.pageHeight, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT};
    for (uint32_t i = 0; i < c.linesUsed; ++i) {
        view.PutStr("x");
        view.NewLine();
    }
    for (uint32_t i = 0; i < c.pageDowns; ++i) {
        view.PageDown();
    }
    EXPECT_EQ(view.GetPage(), c.pageAfter);
    // Back up one page at a time; the first page is the floor.
    for (uint32_t expected = c.pageAfter; expected > 0; --expected) {
        view.PageUp(false);
        EXPECT_EQ(view.GetPage(), expected - 1);
    }
    view.PageUp(false);
    EXPECT_EQ(view.GetPage(), 0u);
    for (uint32_t i = 0; i < c.pageDowns; ++i) {
        view.PageDown();
    }
    view.PageUp(true);
    EXPECT_EQ(view.GetPage(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Edges, PagingTest,
                         ::testing::Values(PagingCase{100, 100, 1, 0}, PagingCase{100, 101, 1, 1},
                                           PagingCase{100, 99, 1, 0}, PagingCase{100, 0, 1, 0},
                                           PagingCase{4, 4, 1, 0}, PagingCase{4, 5, 1, 1},
                                           PagingCase{4, 8, 2, 1}, PagingCase{4, 9, 2, 2},
                                           PagingCase{4, 9, 5, 2}, PagingCase{1, 1, 1, 0},
                                           PagingCase{1, 2, 3, 1}));

TEST_F(ViewFixture, ClearKeepsThePageAndTheCurrentPair) {
    view.currentAttr = Sdbg_Attr{1, 1};
    view.PutStr("abc");
    view.NewLine();
    view.PageDown();
    view.Clear();
    EXPECT_EQ(view.Line(0).VisibleLength(), 0u);
    EXPECT_EQ(view.GetLinesUsed(), 0u);
    EXPECT_EQ(view.currentAttr, (Sdbg_Attr{1, 1}));
}

TEST_F(ViewFixture, RenderWritesOneRunPerColourCutAtTheWidth) {
    view.PutStr("ab");
    view.PrintStr("cd", SDBG_COLOR_ALERT, SDBG_COLOR_KEEP);
    view.NewLine();
    view.NewLine(); // an empty line takes a row and writes nothing
    view.PutStr(std::string(25, 'z').c_str());
    view.Render(true);
    const std::vector<std::string> expected = {"N",
                                               "G(0,0)",
                                               "W(ab)<0,0>",
                                               "G(2,0)",
                                               "W(cd)<2,0>",
                                               "G(0,2)",
                                               "W(" + std::string(20, 'z') + ")<0,0>",
                                               "S"};
    EXPECT_EQ(device.calls, expected);
}

// Lines 0 .. written - 1 hold their numbers; the page drawn must show
// every one of its lines that holds text, the last row included.
struct RenderCase {
    uint32_t written;
    uint32_t pageDowns;
    std::vector<std::string> drawn; // the numbers, one row each from row 0
};

void PrintTo(const RenderCase &c, std::ostream *pOut) {
    *pOut << c.written << " lines, " << c.pageDowns << " down";
}

class RenderPageTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderPageTest, DrawsEveryLineOfThePageAndNoOther) {
    const RenderCase &c = GetParam();
    RecordingOutput device{20, 10};
    Sdbg_LogicalView view{&device, 4, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT};
    for (uint32_t i = 0; i < c.written; ++i) {
        view.PutUInt(i);
        view.NewLine();
    }
    for (uint32_t i = 0; i < c.pageDowns; ++i) {
        view.PageDown();
    }
    view.Render(false);
    std::vector<std::string> expected;
    for (size_t row = 0; row < c.drawn.size(); ++row) {
        expected.push_back("G(0," + std::to_string(row) + ")");
        expected.push_back("W(" + c.drawn[row] + ")<0,0>");
    }
    expected.push_back("S");
    EXPECT_EQ(device.calls, expected) << c.written << " lines, page " << view.GetPage();
}

INSTANTIATE_TEST_SUITE_P(PageHeightFour, RenderPageTest,
                         ::testing::Values(RenderCase{0, 0, {}}, RenderCase{3, 0, {"0", "1", "2"}},
                                           RenderCase{4, 0, {"0", "1", "2", "3"}},
                                           RenderCase{5, 0, {"0", "1", "2", "3"}},
                                           RenderCase{5, 1, {"4"}}, RenderCase{6, 1, {"4", "5"}},
                                           RenderCase{8, 1, {"4", "5", "6", "7"}},
                                           RenderCase{9, 2, {"8"}}));

// Runs at the device's width (20): a line of exactly the width is drawn
// whole, one past it loses its last character, and a run that starts at
// the width is not drawn at all.
TEST(RenderWidthTest, LinesAreCutAtTheWidth) {
    struct Case {
        uint32_t plain;   // characters in the current colours
        uint32_t alerted; // then characters in the alert colour
        std::vector<std::string> writes;
    };
    const std::string a19(19, 'a');
    const std::string a20(20, 'a');
    for (const Case &c :
         {Case{19, 0, {"W(" + a19 + ")<0,0>"}}, Case{20, 0, {"W(" + a20 + ")<0,0>"}},
          Case{21, 0, {"W(" + a20 + ")<0,0>"}}, Case{19, 1, {"W(" + a19 + ")<0,0>", "W(b)<2,0>"}},
          Case{19, 2, {"W(" + a19 + ")<0,0>", "W(b)<2,0>"}},
          Case{20, 1, {"W(" + a20 + ")<0,0>"}}}) {
        RecordingOutput device{20, 5};
        Sdbg_LogicalView view{&device, 4, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT};
        view.PutStr(std::string(c.plain, 'a').c_str());
        view.PrintStr(std::string(c.alerted, 'b').c_str(), SDBG_COLOR_ALERT, SDBG_COLOR_KEEP);
        view.Render(false);
        std::vector<std::string> writes;
        for (const std::string &call : device.calls) {
            if (call[0] == 'W') {
                writes.push_back(call);
            }
        }
        EXPECT_EQ(writes, c.writes) << c.plain << " + " << c.alerted;
    }
}

TEST_F(ViewFixture, SetPageHeightGrowsTheLinesToTwiceTheHeight) {
    view.SetPageHeight(10);
    EXPECT_EQ(view.LineCount(), 20u);
    EXPECT_EQ(view.GetPageHeight(), 10u);
    view.SetPageHeight(3);
    EXPECT_EQ(view.LineCount(), 20u);
}

// Neighbouring characters share a run only when both halves of their pair
// are equal; the runs are the writes, wherever on the line the change is,
// and also after text was written over.
TEST_F(ViewFixture, RunsSplitWhereEitherHalfOfThePairChanges) {
    struct Piece {
        uint32_t column;
        const char *pText;
        int32_t fg;
        int32_t bg;
    };
    struct Case {
        const char *pName;
        std::vector<Piece> pieces;
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {"foreground differs", {{0, "ab", 1, 0}, {2, "cd", 2, 0}}, {"W(ab)<1,0>", "W(cd)<2,0>"}},
        {"background differs", {{0, "ab", 1, 0}, {2, "cd", 1, 5}}, {"W(ab)<1,0>", "W(cd)<1,5>"}},
        {"both the same", {{0, "ab", 1, 5}, {2, "cd", 1, 5}}, {"W(abcd)<1,5>"}},
        {"at the line's start", {{0, "x", 0, 5}, {1, "yz", 0, 0}}, {"W(x)<0,5>", "W(yz)<0,0>"}},
        {"at the line's end", {{0, "xy", 3, 0}, {2, "z", 3, 5}}, {"W(xy)<3,0>", "W(z)<3,5>"}},
        {"written over, background only",
         {{0, "abcd", 1, 0}, {1, "X", 1, 5}},
         {"W(a)<1,0>", "W(X)<1,5>", "W(cd)<1,0>"}},
        {"written over with the same pair", {{0, "abcd", 1, 5}, {1, "XY", 1, 5}}, {"W(aXYd)<1,5>"}},
        {"written over at the end, foreground only",
         {{0, "abcd", 4, 5}, {3, "Z", 2, 5}},
         {"W(abc)<4,5>", "W(Z)<2,5>"}},
    };
    for (const Case &c : cases) {
        view.Clear();
        device.calls.clear();
        for (const Piece &piece : c.pieces) {
            view.SetColumn(piece.column);
            view.PrintStr(piece.pText, piece.fg, piece.bg);
        }
        view.Render(false);
        std::vector<std::string> writes;
        for (const std::string &call : device.calls) {
            if (call[0] == 'W') {
                writes.push_back(call);
            }
        }
        EXPECT_EQ(writes, c.writes) << c.pName;
    }
}

// Every line up to the current one, from row 0, whatever page is shown.
TEST_F(ViewFixture, RenderAllDrawsEveryLineFromRowZero) {
    for (int i = 0; i < 6; ++i) {
        view.PutUInt(static_cast<uint32_t>(i));
        view.NewLine();
    }
    view.PageDown();
    view.RenderAll(true);
    std::vector<std::string> expected = {"N"};
    for (int i = 0; i < 6; ++i) {
        expected.push_back("G(0," + std::to_string(i) + ")");
        expected.push_back("W(" + std::to_string(i) + ")<0,0>");
    }
    expected.push_back("S");
    EXPECT_EQ(device.calls, expected);
    EXPECT_EQ(view.GetPage(), 1u);
}

} // namespace
