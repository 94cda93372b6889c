#include "setup_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct MessageIdCase {
    uint32_t code;
    uint32_t messageId;
};

TEST(SetupErrorToMessageId, MapsDeviceInstallationAndWin32CodesAsThePlatformDoes) {
    const MessageIdCase cases[] = {
        {0x00000000, 0x00000000},                           // success stays
        {0x00000002, 0x80070002},                           // Win32 code
        {0x000000CE, 0x800700CE}, {0x0001ABCD, 0x8007ABCD}, // only the low word is kept
        {0x7FFFFFFF, 0x8007FFFF},                           // largest positive
        {0xE000020B, 0x800F020B},                           // device-installation code
        {0xE0000228, 0x800F0228}, {0xE0010005, 0x800F0005},
        {0xFFFFFFFF, 0x800FFFFF}, // -1 has the top three bits set
        {0x80070005, 0x80070005}, // negative: used as it is
        {0xC0000005, 0xC0000005}, // negative, two top bits only
        {0xA0000001, 0xA0000001},
    };
    for (const MessageIdCase &c : cases) {
        EXPECT_EQ(setupErrorToMessageId(c.code), c.messageId) << std::hex << c.code;
    }
}

TEST(FormatSetupErrorLine, FramesCodeTextAndSystemText) {
    char line[1400];
    formatSetupErrorLine("SetupDiGetINFClass", 2, line, sizeof line);
    const std::string text = line;
    const std::string prefix = "Error (0x2):SetupDiGetINFClass,";
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    // The system's own text follows with its own line ending, then ours.
    EXPECT_GT(text.size(), prefix.size() + 3);
    EXPECT_EQ(text.substr(text.size() - 3), "\r\n\n");
}

TEST(FormatSetupErrorLine, PrintsTheCodeItselfNotTheMessageNumber) {
    char line[1400];
    formatSetupErrorLine("x", 0xE000020B, line, sizeof line);
    EXPECT_EQ(std::strncmp(line, "Error (0xe000020b):x,", 21), 0) << line;
}

TEST(FormatSetupErrorLine, CodeWithoutSystemTextLeavesItEmpty) {
    char line[1400];
    formatSetupErrorLine("no text", 0x0000FFFE, line, sizeof line);
    EXPECT_STREQ(line, "Error (0xfffe):no text,\n");
}

TEST(FormatSetupErrorLine, CutsAtTheCapacityAndStaysTerminated) {
    char line[16];
    std::memset(line, 'x', sizeof line);
    formatSetupErrorLine("a long caller text", 2, line, sizeof line);
    EXPECT_EQ(std::strlen(line), sizeof line - 1);
}

} // namespace
