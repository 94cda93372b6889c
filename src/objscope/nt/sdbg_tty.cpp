// The Windows console as the viewer's console: two extra screen buffers
// between which a display flips, attributes per write, raw key reads.
#include "sdbg_tty.h"

#include "sdbg_exception.h"
#include "sdbg_os.h"

#include <algorithm>
#include <new>
#include <vector>
#include <windows.h>

namespace {

// What the program changed on the console, for SdbgOs_RestoreConsole.
HANDLE hStdOut_G = INVALID_HANDLE_VALUE;
volatile LONG bFullScreen_G = 0;
HANDLE hStdIn_G = INVALID_HANDLE_VALUE;
DWORD savedInputMode_G = 0;
volatile LONG bInputModeSaved_G = 0;

constexpr DWORD kLineInputMode = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
constexpr DWORD kKeyInputMode = ENABLE_PROCESSED_INPUT;

// Console attribute of each foreground code; background 5 adds blue.
struct ColourRow {
    uint32_t code;
    WORD attribute;
};
constexpr ColourRow kForegrounds[] = {
    {SDBG_COLOR_VALUE, 0x0E},     // yellow
    {SDBG_COLOR_ALERT, 0x0C},     // light red
    {SDBG_COLOR_OK, 0x06},        // dark yellow
    {SDBG_COLOR_HIGHLIGHT, 0x0A}, // light green
};
constexpr WORD kGrey = 0x07;
constexpr WORD kBlueBackground = 0x10;

WORD ConsoleAttribute(const Sdbg_Attr &attr) {
    WORD attribute = kGrey;
    for (const ColourRow &row : kForegrounds) {
        if (row.code == attr.foreground) {
            attribute = row.attribute;
        }
    }
    if (attr.background == SDBG_COLOR_HIGHLIGHT) {
        attribute |= kBlueBackground;
    }
    return attribute;
}

HANDLE StdHandleOrThrow(DWORD which, bool bInput) {
    HANDLE handle = GetStdHandle(which);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        if (bInput) {
            throw Sdbg_TtyInputException();
        }
        throw Sdbg_TtyOutputException();
    }
    return handle;
}

bool IsConsoleHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    // The null device is a character device too, but no console.
    return GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

} // namespace

void SdbgOs_RestoreConsole() {
    if (bFullScreen_G && hStdOut_G != INVALID_HANDLE_VALUE) {
        (void)SetConsoleActiveScreenBuffer(hStdOut_G);
        bFullScreen_G = 0;
    }
    // A control event during a read must not leave the shell's console
    // without line editing and echo.
    if (bInputModeSaved_G) {
        (void)SetConsoleMode(hStdIn_G, savedInputMode_G);
    }
}

bool Sdbg_StdinIsConsole() {
    return IsConsoleHandle(STD_INPUT_HANDLE);
}

bool Sdbg_StdoutIsConsole() {
    return IsConsoleHandle(STD_OUTPUT_HANDLE);
}

struct Sdbg_TtyInput::State {
    HANDLE hInput = INVALID_HANDLE_VALUE;
    bool bAtEnd = false;

    // Runs one read in the given console mode and puts the mode back.
    DWORD ReadInMode(DWORD mode, char *pBuf, DWORD size) {
        DWORD savedMode = 0;
        if (!GetConsoleMode(hInput, &savedMode) || !SetConsoleMode(hInput, mode)) {
            throw Sdbg_TtyInputException();
        }
        DWORD readCount = 0;
        const BOOL bRead = ReadConsoleA(hInput, pBuf, size, &readCount, nullptr);
        const DWORD readError = GetLastError();
        (void)SetConsoleMode(hInput, savedMode);
        if (!bRead) {
            SetLastError(readError);
            throw Sdbg_TtyInputException();
        }
        return readCount;
    }
};

Sdbg_TtyInput::Sdbg_TtyInput() : pState(std::make_unique<State>()) {
    pState->hInput = StdHandleOrThrow(STD_INPUT_HANDLE, true);
    if (!FlushConsoleInputBuffer(pState->hInput)) {
        throw Sdbg_TtyInputException();
    }
    if (GetConsoleMode(pState->hInput, &savedInputMode_G)) {
        hStdIn_G = pState->hInput;
        bInputModeSaved_G = 1;
    }
}

Sdbg_TtyInput::~Sdbg_TtyInput() = default;

bool Sdbg_TtyInput::ReadLine(char *pBuf, uint32_t bufSize) {
    if (bufSize == 0) {
        return true;
    }
    const DWORD readCount = pState->ReadInMode(kLineInputMode, pBuf, bufSize);
    if (readCount == 0) {
        pState->bAtEnd = true;
    }
    if (readCount == bufSize && pBuf[readCount - 1] != '\n') {
        // The line did not fit: the console keeps the rest for the next
        // read. It is read away to its line end and the line dropped.
        char rest[256];
        DWORD restCount = 0;
        do {
            restCount = pState->ReadInMode(kLineInputMode, rest, sizeof(rest));
        } while (restCount > 0 && rest[restCount - 1] != '\n');
        pBuf[0] = '\0';
        return false;
    }
    // The text ends two characters before the end of what was read: the
    // carriage return and line feed of a complete line.
    pBuf[readCount < 2 ? 0 : readCount - 2] = '\0';
    return true;
}

bool Sdbg_TtyInput::GetKey(char &key) {
    char readKey = 0;
    if (pState->ReadInMode(kKeyInputMode, &readKey, 1) == 0) {
        return false;
    }
    key = readKey;
    return true;
}

bool Sdbg_TtyInput::PollKey(char &key) {
    DWORD pendingCount = 0;
    if (!GetNumberOfConsoleInputEvents(pState->hInput, &pendingCount)) {
        throw Sdbg_TtyInputException();
    }
    if (pendingCount == 0) {
        return false;
    }
    std::vector<INPUT_RECORD> events;
    try {
        events.resize(pendingCount);
    } catch (const std::bad_alloc &) {
        throw Sdbg_MemoryRsrcException("Allocating input events");
    }
    DWORD peekedCount = 0;
    if (!PeekConsoleInputA(pState->hInput, events.data(), pendingCount, &peekedCount)) {
        throw Sdbg_TtyInputException();
    }
    bool bFound = false;
    for (DWORD i = 0; i < peekedCount && !bFound; ++i) {
        if (events[i].EventType == KEY_EVENT) {
            key = events[i].Event.KeyEvent.uChar.AsciiChar;
            bFound = true;
        }
    }
    if (!FlushConsoleInputBuffer(pState->hInput)) {
        throw Sdbg_TtyInputException();
    }
    return bFound;
}

bool Sdbg_TtyInput::IsAtEnd() {
    return pState->bAtEnd;
}

struct Sdbg_TtyOutput::State {
    HANDLE backBuffers[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    uint32_t backIndex = 0;
    uint32_t originRow = 0;
    HANDLE current = INVALID_HANDLE_VALUE;
    HANDLE stdOut = INVALID_HANDLE_VALUE;
    bool bFullScreen = false;

    CONSOLE_SCREEN_BUFFER_INFO Info(HANDLE handle) const {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(handle, &info)) {
            throw Sdbg_TtyOutputException();
        }
        return info;
    }
    void MakeBackBuffers(DWORD mode, COORD size) {
        for (HANDLE &back : backBuffers) {
            back = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
            if (back == INVALID_HANDLE_VALUE || !SetConsoleMode(back, mode) ||
                !SetConsoleScreenBufferSize(back, size)) {
                throw Sdbg_TtyOutputException();
            }
        }
    }
};

Sdbg_TtyOutput::Sdbg_TtyOutput(uint32_t minColumns, uint32_t minRows)
    : pState(std::make_unique<State>()) {
    State &state = *pState;
    state.stdOut = StdHandleOrThrow(STD_OUTPUT_HANDLE, false);
    const CONSOLE_SCREEN_BUFFER_INFO info = state.Info(state.stdOut);
    state.originRow = static_cast<uint32_t>(info.dwCursorPosition.Y);
    COORD size = info.dwSize;
    size.X = static_cast<SHORT>(std::max<uint32_t>(static_cast<uint32_t>(size.X), minColumns));
    size.Y = static_cast<SHORT>(std::max<uint32_t>(static_cast<uint32_t>(size.Y), minRows));
    DWORD mode = 0;
    if (!GetConsoleMode(state.stdOut, &mode) ||
        !SetConsoleMode(state.stdOut, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT) ||
        !SetConsoleScreenBufferSize(state.stdOut, size)) {
        throw Sdbg_TtyOutputException();
    }
    state.MakeBackBuffers(mode, size);
    state.current = state.stdOut;
    hStdOut_G = state.stdOut;
}

Sdbg_TtyOutput::~Sdbg_TtyOutput() {
    State &state = *pState;
    try {
        if (state.bFullScreen) {
            state.backIndex = 1 - state.backIndex;
            state.current = state.backBuffers[state.backIndex];
        }
        ClearLines(state.originRow,
                   static_cast<uint32_t>(state.Info(state.stdOut).dwCursorPosition.Y));
        COORD origin{0, static_cast<SHORT>(state.originRow)};
        (void)SetConsoleCursorPosition(state.current, origin);
    } catch (const Sdbg_Exception &) {
        // The console is going away with the process; nothing to report to.
    }
    SdbgOs_RestoreConsole();
    for (HANDLE back : state.backBuffers) {
        if (back != INVALID_HANDLE_VALUE) {
            CloseHandle(back);
        }
    }
    CloseHandle(state.stdOut);
}

void Sdbg_TtyOutput::Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) {
    if (pAttr != nullptr) {
        SetAttr(*pAttr);
    }
    DWORD written = 0;
    (void)WriteConsoleA(pState->current, pText, length, &written, nullptr);
}

void Sdbg_TtyOutput::GotoXY(uint32_t column, uint32_t row) {
    if (row + 1 <= GetHeight()) {
        COORD position{static_cast<SHORT>(column), static_cast<SHORT>(pState->originRow + row)};
        (void)SetConsoleCursorPosition(pState->current, position);
        return;
    }
    NewFrame();
    COORD origin{0, static_cast<SHORT>(pState->originRow)};
    if (!SetConsoleCursorPosition(pState->current, origin)) {
        throw Sdbg_TtyOutputException();
    }
}

bool Sdbg_TtyOutput::SetTitle(const char *pText) {
    return SetConsoleTitleA(pText) != 0;
}

void Sdbg_TtyOutput::ClearLines(uint32_t fromRow, uint32_t toRow) {
    const CONSOLE_SCREEN_BUFFER_INFO info = pState->Info(pState->stdOut);
    const DWORD count = (toRow - fromRow + 1) * static_cast<DWORD>(info.dwSize.X);
    const COORD start{0, static_cast<SHORT>(fromRow)};
    DWORD written = 0;
    if (!FillConsoleOutputCharacterA(pState->current, ' ', count, start, &written) ||
        !FillConsoleOutputAttribute(pState->current, 0, count, start, &written)) {
        throw Sdbg_TtyOutputException();
    }
    SetAttr(Sdbg_Attr{});
}

void Sdbg_TtyOutput::NewFrame() {
    State &state = *pState;
    if (state.bFullScreen) {
        state.backIndex = 1 - state.backIndex;
        state.current = state.backBuffers[state.backIndex];
    }
    ClearLines(state.originRow, static_cast<uint32_t>(state.Info(state.stdOut).dwCursorPosition.Y));
}

void Sdbg_TtyOutput::GetSize(uint32_t &width, uint32_t &height) {
    const SMALL_RECT window = pState->Info(pState->current).srWindow;
    width = static_cast<uint32_t>(window.Right - window.Left + 1);
    height = static_cast<uint32_t>(window.Bottom - window.Top + 1);
}

void Sdbg_TtyOutput::GetMaxSize(uint32_t &width, uint32_t &height) {
    const COORD largest = pState->Info(pState->stdOut).dwMaximumWindowSize;
    width = static_cast<uint32_t>(largest.X);
    height = static_cast<uint32_t>(largest.Y);
}

void Sdbg_TtyOutput::SetAttr(const Sdbg_Attr &attr) {
    if (!SetConsoleTextAttribute(pState->current, ConsoleAttribute(attr))) {
        throw Sdbg_TtyOutputException();
    }
}

void Sdbg_TtyOutput::ShowFrame() {
    if (pState->bFullScreen && !SetConsoleActiveScreenBuffer(pState->current)) {
        throw Sdbg_TtyOutputException();
    }
}

void Sdbg_TtyOutput::SetFullScreen(bool bOn) {
    State &state = *pState;
    if (!bOn) {
        if (!SetConsoleActiveScreenBuffer(state.stdOut)) {
            throw Sdbg_TtyOutputException();
        }
        state.current = state.stdOut;
        state.bFullScreen = false;
        bFullScreen_G = 0;
        return;
    }
    state.backIndex = 0;
    state.current = state.backBuffers[0];
    const SMALL_RECT window = state.Info(state.stdOut).srWindow;
    for (HANDLE back : state.backBuffers) {
        if (!SetConsoleWindowInfo(back, TRUE, &window)) {
            throw Sdbg_TtyOutputException();
        }
    }
    state.bFullScreen = true;
    bFullScreen_G = 1;
}
