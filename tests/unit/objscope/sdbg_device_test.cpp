#include "sdbg_device.h"
#include "sdbg_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <sstream>
#include <string>

namespace {

struct FileOutputFixture : public ::testing::Test {
    std::ostringstream text;
    SDbg_FileOutput output{text};
};

TEST_F(FileOutputFixture, PlacesRunsWithBlanksAndRowsWithLineFeeds) {
    output.NewFrame();
    output.GotoXY(4, 0);
    output.Write("ab", 2, nullptr);
    output.GotoXY(0, 2);
    output.Write("c", 1, nullptr);
    output.GotoXY(1, 2); // the column is already there: nothing
    output.Write("d", 1, nullptr);
    EXPECT_EQ(text.str(), "\n    ab\n\ncd");
}

TEST_F(FileOutputFixture, ARowAboveTheCurrentOneStartsANewPageSilently) {
    output.PrintLine("one");
    output.PrintLine("two");
    output.PrintLine("three");
    output.GotoXY(0, 0);
    output.Write("x", 1, nullptr);
    EXPECT_EQ(text.str(), "one\ntwo\nthree\nx");
}

TEST_F(FileOutputFixture, HasNoWidthLimitAndAPageOf99999Rows) {
    uint32_t width = 0;
    uint32_t height = 0;
    output.GetSize(width, height);
    EXPECT_EQ(width, 0xFFFFFFFFu);
    EXPECT_EQ(height, 99999u);
    EXPECT_TRUE(output.SetTitle("ignored"));
    output.SetAttr(Sdbg_Attr{1, 5});
    output.Write("", 0, nullptr);
    EXPECT_EQ(text.str(), "");
}

TEST(FileInputTest, ReadsLinesAndSignalsTheEnd) {
    std::istringstream lines("first\n\nlast");
    SDbg_FileInput input(lines);
    char buffer[256];
    const char *expected[] = {"first", "", "last"};
    for (const char *pLine : expected) {
        EXPECT_TRUE(input.ReadLine(buffer, sizeof(buffer)));
        EXPECT_STREQ(buffer, pLine);
        EXPECT_FALSE(input.IsAtEnd()) << pLine;
    }
    EXPECT_TRUE(input.ReadLine(buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(input.IsAtEnd());
}

// A line of `length` characters, then "next" (with or without its line
// feed): a line that fits is read whole; a longer one is dropped whole and
// the stream reads on with the next line.
struct LongLineCase {
    size_t length;
    const char *pAfter;
    bool bFits;
};

void PrintTo(const LongLineCase &c, std::ostream *pOut) {
    *pOut << c.length << " characters, then " << std::strlen(c.pAfter) << " more";
}

class FileInputLongLineTest : public ::testing::TestWithParam<LongLineCase> {};

TEST_P(FileInputLongLineTest, ALineThatDoesNotFitIsDroppedAndReadingGoesOn) {
    const LongLineCase &c = GetParam();
    std::istringstream lines(std::string(c.length, 'a') + c.pAfter);
    SDbg_FileInput input(lines);
    char buffer[256];
    std::memset(buffer, 'z', sizeof(buffer));
    EXPECT_EQ(input.ReadLine(buffer, sizeof(buffer)), c.bFits);
    EXPECT_EQ(std::string(buffer), c.bFits ? std::string(c.length, 'a') : std::string());
    EXPECT_FALSE(input.IsAtEnd());
    if (std::strlen(c.pAfter) > 1) {
        EXPECT_TRUE(input.ReadLine(buffer, sizeof(buffer)));
        EXPECT_STREQ(buffer, "next");
        EXPECT_FALSE(input.IsAtEnd());
    }
    EXPECT_TRUE(input.ReadLine(buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(input.IsAtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FileInputLongLineTest,
    ::testing::Values(LongLineCase{254, "\nnext\n", true}, LongLineCase{255, "\nnext\n", true},
                      LongLineCase{256, "\nnext\n", false}, LongLineCase{300, "\nnext", false},
                      LongLineCase{100000, "\nnext\n", false}, LongLineCase{255, "", true},
                      LongLineCase{256, "", false}, LongLineCase{100000, "\n", false}));

TEST(FileInputTest, KeysAreABlankAtOnceAndPollingIsAnError) {
    std::istringstream lines("q\n");
    SDbg_FileInput input(lines);
    char key = 'x';
    EXPECT_TRUE(input.GetKey(key));
    EXPECT_EQ(key, ' ');
    EXPECT_THROW(input.PollKey(key), SDbg_FileException);
}

TEST(IOTest, ForwardsToBothDevices) {
    std::istringstream lines("typed\n");
    std::ostringstream text;
    SDbg_FileInput input(lines);
    SDbg_FileOutput output(text);
    Sdbg_IO io;
    io.SetDevices(&input, &output);
    char buffer[16];
    EXPECT_TRUE(io.ReadLine(buffer, sizeof(buffer)));
    io.PrintLine(buffer);
    io.Print("x");
    EXPECT_EQ(text.str(), "typed\nx");
    EXPECT_EQ(io.GetHeight(), 99999u);
}

} // namespace
