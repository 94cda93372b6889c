#include "sdbg_device.h"
#include "sdbg_exception.h"

#include <gtest/gtest.h>

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
        input.ReadLine(buffer, sizeof(buffer));
        EXPECT_STREQ(buffer, pLine);
        EXPECT_FALSE(input.IsAtEnd()) << pLine;
    }
    input.ReadLine(buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(input.IsAtEnd());
}

TEST(FileInputTest, ATooLongLineFillsTheBufferAndEndsTheInput) {
    std::istringstream lines(std::string(300, 'a') + "\nnext\n");
    SDbg_FileInput input(lines);
    char buffer[256];
    input.ReadLine(buffer, sizeof(buffer));
    EXPECT_EQ(std::string(buffer), std::string(255, 'a'));
    input.ReadLine(buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(input.IsAtEnd());
}

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
    io.ReadLine(buffer, sizeof(buffer));
    io.PrintLine(buffer);
    io.Print("x");
    EXPECT_EQ(text.str(), "typed\nx");
    EXPECT_EQ(io.GetHeight(), 99999u);
}

} // namespace
