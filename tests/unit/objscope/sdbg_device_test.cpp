#include "sdbg_device.h"
#include "sdbg_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

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

// What a block-buffered stream hands to its writer: the calls and the bytes.
struct CountingWriter {
    Sdbg_BlockStreamBuf::Writer Bind() {
        return [this](const char *pData, size_t size) {
            sizes.push_back(size);
            bytes.append(pData, size);
            return true;
        };
    }
    std::vector<size_t> sizes;
    std::string bytes;
};

// A page of many short runs reaches the writer in whole 64 KiB blocks; the
// rest waits for a flush, and nothing is lost or reordered.
TEST(BlockStreamTest, OneWritePerBlockAndTheRestOnFlush) {
    constexpr size_t kBlock = Sdbg_BlockStreamBuf::kBlockSize;
    CountingWriter writer;
    Sdbg_BlockStreamBuf buffer(writer.Bind());
    std::ostream stream(&buffer);
    SDbg_FileOutput output(stream);
    std::string expected = "\n";
    output.NewFrame();
    for (uint32_t row = 0; row < 20000; ++row) {
        output.GotoXY(3, row); // a line feed, then three blanks
        output.Write("run", 3, nullptr);
        output.Write(std::string(row % 13, 'x').c_str(), row % 13, nullptr);
        expected += (row == 0 ? "" : "\n") + std::string("   run") + std::string(row % 13, 'x');
    }
    output.Write(std::string(3 * kBlock, 'L').c_str(), 3 * kBlock, nullptr); // one long run
    expected += std::string(3 * kBlock, 'L');
    ASSERT_GT(expected.size(), 5 * kBlock);
    EXPECT_EQ(writer.sizes.size(), expected.size() / kBlock);
    for (size_t size : writer.sizes) {
        EXPECT_EQ(size, kBlock);
    }
    output.Flush();
    EXPECT_EQ(writer.sizes.size(), expected.size() / kBlock + 1);
    EXPECT_EQ(writer.bytes, expected);
    output.Flush(); // nothing held: no call
    EXPECT_EQ(writer.sizes.size(), expected.size() / kBlock + 1);
}

// The device's destruction hands on what it still holds.
TEST(BlockStreamTest, DestructionWritesWhatIsHeld) {
    CountingWriter writer;
    {
        Sdbg_BlockStreamBuf buffer(writer.Bind());
        std::ostream stream(&buffer);
        SDbg_FileOutput output(stream);
        output.PrintLine("last words");
        EXPECT_TRUE(writer.bytes.empty());
    }
    EXPECT_EQ(writer.bytes, "last words\n");
}

} // namespace
