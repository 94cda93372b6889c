// The Windows console devices against a real console: the text and
// colours that reach the screen buffer, the rows relative to where the
// device started, the flip between the two back buffers and the way back,
// the title, and keys and lines read from injected key events. The program
// needs a console of its own (CTest runs it on a pseudo-terminal).
#include "sdbg_tty.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace {

// Standard output and input set to fresh handles of the console for the
// length of a test (the output device closes the handle it takes), and
// the originals put back after it.
class ConsoleTest : public testing::Test {
  protected:
    void SetUp() override {
        savedOut_ = GetStdHandle(STD_OUTPUT_HANDLE);
        savedIn_ = GetStdHandle(STD_INPUT_HANDLE);
        ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, Open("CONOUT$")));
        ASSERT_TRUE(SetStdHandle(STD_INPUT_HANDLE, Open("CONIN$")));
        input_ = GetStdHandle(STD_INPUT_HANDLE);
    }
    void TearDown() override {
        SetStdHandle(STD_OUTPUT_HANDLE, savedOut_);
        SetStdHandle(STD_INPUT_HANDLE, savedIn_);
        CloseHandle(input_);
    }

    static HANDLE Open(const char *pName) {
        return CreateFileA(pName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    }
    // The active screen buffer: what the user sees.
    static CONSOLE_SCREEN_BUFFER_INFO ActiveInfo() {
        HANDLE active = Open("CONOUT$");
        CONSOLE_SCREEN_BUFFER_INFO info{};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(active, &info));
        CloseHandle(active);
        return info;
    }
    static std::string ActiveText(SHORT column, SHORT row, DWORD length) {
        HANDLE active = Open("CONOUT$");
        std::string text(length, '\0');
        DWORD read = 0;
        EXPECT_TRUE(ReadConsoleOutputCharacterA(active, text.data(), length, {column, row}, &read));
        CloseHandle(active);
        text.resize(read);
        return text;
    }
    static WORD ActiveAttribute(SHORT column, SHORT row) {
        HANDLE active = Open("CONOUT$");
        WORD attribute = 0;
        DWORD read = 0;
        EXPECT_TRUE(ReadConsoleOutputAttribute(active, &attribute, 1, {column, row}, &read));
        CloseHandle(active);
        return attribute;
    }
    void Type(const std::string &keys) const {
        for (char c : keys) {
            INPUT_RECORD event{};
            event.EventType = KEY_EVENT;
            event.Event.KeyEvent.bKeyDown = TRUE;
            event.Event.KeyEvent.wRepeatCount = 1;
            event.Event.KeyEvent.wVirtualKeyCode = c == '\r' ? VK_RETURN : 0;
            event.Event.KeyEvent.uChar.AsciiChar = c;
            DWORD written = 0;
            ASSERT_TRUE(WriteConsoleInputA(input_, &event, 1, &written));
            ASSERT_EQ(written, 1u);
        }
    }

    HANDLE savedOut_ = INVALID_HANDLE_VALUE;
    HANDLE savedIn_ = INVALID_HANDLE_VALUE;
    HANDLE input_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleTest, BothStandardStreamsAreTheConsole) {
    EXPECT_TRUE(Sdbg_StdoutIsConsole());
    EXPECT_TRUE(Sdbg_StdinIsConsole());
}

TEST_F(ConsoleTest, TextAndColoursLandOnTheRowsCountedFromTheStart) {
    const SHORT origin = ActiveInfo().dwCursorPosition.Y;
    Sdbg_TtyOutput out(80, 25);
    struct Case {
        uint32_t foreground;
        uint32_t background;
        WORD attribute;
    };
    const Case cases[] = {
        {SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT, 0x07},
        {SDBG_COLOR_VALUE, SDBG_COLOR_DEFAULT, 0x0E},
        {SDBG_COLOR_ALERT, SDBG_COLOR_DEFAULT, 0x0C},
        {SDBG_COLOR_OK, SDBG_COLOR_DEFAULT, 0x06},
        {SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_HIGHLIGHT, 0x1A},
        {SDBG_COLOR_LABEL, SDBG_COLOR_HIGHLIGHT, 0x17},
    };
    SHORT column = 0;
    for (const Case &c : cases) {
        const Sdbg_Attr attr{c.foreground, c.background};
        out.GotoXY(static_cast<uint32_t>(column), 1);
        out.Write("ab", 2, &attr);
        EXPECT_EQ(ActiveText(column, static_cast<SHORT>(origin + 1), 2), "ab");
        EXPECT_EQ(ActiveAttribute(column, static_cast<SHORT>(origin + 1)), c.attribute)
            << c.foreground << "/" << c.background;
        column = static_cast<SHORT>(column + 3);
    }
    out.ClearLines(static_cast<uint32_t>(origin + 1), static_cast<uint32_t>(origin + 1));
    EXPECT_EQ(ActiveText(0, static_cast<SHORT>(origin + 1), 4), "    ");
}

TEST_F(ConsoleTest, AFullScreenDisplayFlipsBuffersAndLeavesTheShellsBufferBehind) {
    HANDLE shell = Open("CONOUT$");
    const SHORT origin = ActiveInfo().dwCursorPosition.Y;
    {
        Sdbg_TtyOutput out(80, 25);
        out.SetFullScreen(true);
        for (const std::string frame : {"first frame.", "second frame"}) {
            out.NewFrame();
            out.GotoXY(0, 0);
            out.Write(frame.c_str(), static_cast<uint32_t>(frame.size()), nullptr);
            out.ShowFrame();
            EXPECT_EQ(ActiveText(0, origin, static_cast<DWORD>(frame.size())), frame);
        }
    }
    // Leaving puts the shell's buffer back in front, without the frames.
    EXPECT_NE(ActiveText(0, origin, 12), "second frame");
    const std::string marker = "shell again";
    DWORD written = 0;
    ASSERT_TRUE(
        WriteConsoleA(shell, marker.c_str(), static_cast<DWORD>(marker.size()), &written, nullptr));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(shell, &info));
    EXPECT_EQ(
        ActiveText(static_cast<SHORT>(info.dwCursorPosition.X - 11), info.dwCursorPosition.Y, 11),
        marker);
    CloseHandle(shell);
}

TEST_F(ConsoleTest, TheTitleIsTheConsoles) {
    Sdbg_TtyOutput out(80, 25);
    EXPECT_TRUE(out.SetTitle("objscope - tgt"));
    char title[64] = {};
    ASSERT_GT(GetConsoleTitleA(title, sizeof(title)), 0u);
    EXPECT_STREQ(title, "objscope - tgt");
}

TEST_F(ConsoleTest, KeysAndLinesFromTheConsolesInput) {
    Sdbg_TtyInput in; // discards what was typed ahead
    Type("q");
    char key = 0;
    ASSERT_TRUE(in.GetKey(key));
    EXPECT_EQ(key, 'q');
    // Polling answers the first pending key and drops the rest.
    Type("+-x");
    ASSERT_TRUE(in.PollKey(key));
    EXPECT_EQ(key, '+');
    EXPECT_FALSE(in.PollKey(key));
    // A line loses its carriage return and line feed.
    Type("d 1\r");
    char line[32];
    ASSERT_TRUE(in.ReadLine(line, sizeof(line)));
    EXPECT_STREQ(line, "d 1");
    EXPECT_FALSE(in.IsAtEnd());
}

TEST_F(ConsoleTest, KeysTypedBeforeTheDeviceAreDiscarded) {
    Type("zz");
    Sdbg_TtyInput in;
    char key = 0;
    EXPECT_FALSE(in.PollKey(key));
}

} // namespace
