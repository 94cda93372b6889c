// The terminal as the viewer's console (Linux stand-in for the console
// API): the alternate screen plays the second screen buffer, a frame in
// full-screen mode is composed in memory and written with one write(),
// keys are read raw with signals still live so Ctrl+C ends the program.
#include "sdbg_tty.h"

#include "sdbg_exception.h"
#include "sdbg_os.h"

#include "mos_utils.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What the program changed on the terminal, kept where the signal handler
// can undo it without allocating.
struct TermState {
    volatile sig_atomic_t bTermiosSaved = 0;
    volatile sig_atomic_t bAltScreen = 0;
    volatile sig_atomic_t bColoured = 0;
    struct termios savedTermios {};
};
TermState term_G;

// Console attribute of each foreground code, as an SGR sequence; the
// background code 5 adds a blue background.
struct ColourRow {
    uint32_t code;
    const char *pSgr;
};
constexpr ColourRow kForegrounds[] = {
    {SDBG_COLOR_VALUE, "93"},     // yellow
    {SDBG_COLOR_ALERT, "91"},     // light red
    {SDBG_COLOR_OK, "33"},        // dark yellow
    {SDBG_COLOR_HIGHLIGHT, "92"}, // light green
};
constexpr const char *kGreySgr = "37";
constexpr const char *kBlueBackgroundSgr = ";44";

const char *ForegroundSgr(uint32_t code) {
    for (const ColourRow &row : kForegrounds) {
        if (row.code == code) {
            return row.pSgr;
        }
    }
    return kGreySgr;
}

void WriteAll(int fd, const char *pData, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, pData, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return; // the terminal is gone; nothing left to show it on
        }
        pData += written;
        size -= static_cast<size_t>(written);
    }
}

void WriteText(const char *pText) {
    WriteAll(STDOUT_FILENO, pText, std::strlen(pText));
}

// Switches the terminal's line discipline for one read; signals stay on.
void SetInputMode(bool bLineMode, cc_t minChars) {
    struct termios mode = term_G.savedTermios;
    if (bLineMode) {
        mode.c_lflag |= ICANON | ECHO | ISIG;
    } else {
        mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        mode.c_lflag |= ISIG;
        mode.c_cc[VMIN] = minChars;
        mode.c_cc[VTIME] = 0;
    }
    if (tcsetattr(STDIN_FILENO, TCSANOW, &mode) != 0) {
        throw Sdbg_TtyInputException();
    }
}

void RestoreInputMode() {
    if (term_G.bTermiosSaved) {
        (void)tcsetattr(STDIN_FILENO, TCSANOW, &term_G.savedTermios);
    }
}

// Reads and drops what is left of a typed line, its line end included
// (still in line mode). Ends early at the end of input or on an error.
void DropRestOfLine() {
    char rest[256];
    ssize_t readSize = 0;
    do {
        readSize = read(STDIN_FILENO, rest, sizeof(rest));
    } while ((readSize > 0 && rest[readSize - 1] != '\n') || (readSize < 0 && errno == EINTR));
}

} // namespace

void SdbgOs_RestoreConsole() {
    if (term_G.bAltScreen) {
        WriteText("\x1b[?1049l");
        term_G.bAltScreen = 0;
    }
    if (term_G.bColoured) {
        WriteText("\x1b[0m");
        term_G.bColoured = 0;
    }
    RestoreInputMode();
}

bool Sdbg_StdinIsConsole() {
    return isatty(STDIN_FILENO) == 1;
}

bool Sdbg_StdoutIsConsole() {
    return isatty(STDOUT_FILENO) == 1;
}

struct Sdbg_TtyInput::State {
    bool bAtEnd = false;
};

Sdbg_TtyInput::Sdbg_TtyInput() : pState(std::make_unique<State>()) {
    if (isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &term_G.savedTermios) != 0) {
        throw Sdbg_TtyInputException();
    }
    term_G.bTermiosSaved = 1;
    if (tcflush(STDIN_FILENO, TCIFLUSH) != 0) {
        throw Sdbg_TtyInputException();
    }
}

Sdbg_TtyInput::~Sdbg_TtyInput() {
    RestoreInputMode();
}

bool Sdbg_TtyInput::ReadLine(char *pBuf, uint32_t bufSize) {
    if (bufSize == 0) {
        return true;
    }
    pBuf[0] = '\0';
    SetInputMode(true, 1);
    // The whole buffer may take a line and its line feed: the feed's place
    // then takes the NUL.
    ssize_t readSize = read(STDIN_FILENO, pBuf, bufSize);
    const int readErrno = errno;
    const bool bTooLong = readSize == static_cast<ssize_t>(bufSize) && pBuf[readSize - 1] != '\n';
    if (bTooLong) {
        DropRestOfLine();
    }
    RestoreInputMode();
    if (readSize < 0) {
        errno = readErrno;
        throw Sdbg_TtyInputException();
    }
    if (readSize == 0) {
        pState->bAtEnd = true; // end of input typed at the start of a line
        return true;
    }
    if (bTooLong) {
        pBuf[0] = '\0';
        return false;
    }
    if (pBuf[readSize - 1] == '\n') {
        readSize -= (readSize >= 2 && pBuf[readSize - 2] == '\r') ? 2 : 1;
    }
    // (A shorter read without a line end is text sent with Ctrl+D: kept.)
    pBuf[readSize] = '\0';
    return true;
}

bool Sdbg_TtyInput::GetKey(char &key) {
    SetInputMode(false, 1);
    char readKey = 0;
    ssize_t readSize;
    do {
        readSize = read(STDIN_FILENO, &readKey, 1);
    } while (readSize < 0 && errno == EINTR);
    RestoreInputMode();
    if (readSize != 1) {
        pState->bAtEnd = readSize == 0;
        return false;
    }
    key = readKey;
    return true;
}

bool Sdbg_TtyInput::PollKey(char &key) {
    int pending = 0;
    if (ioctl(STDIN_FILENO, FIONREAD, &pending) != 0) {
        throw Sdbg_TtyInputException();
    }
    if (pending <= 0) {
        return false;
    }
    SetInputMode(false, 0);
    char firstKey = 0;
    const ssize_t readSize = read(STDIN_FILENO, &firstKey, 1);
    (void)tcflush(STDIN_FILENO, TCIFLUSH);
    RestoreInputMode();
    if (readSize != 1) {
        return false;
    }
    key = firstKey;
    return true;
}

bool Sdbg_TtyInput::IsAtEnd() {
    return pState->bAtEnd;
}

struct Sdbg_TtyOutput::State {
    bool bFullScreen = false;
    std::string frame; // what a full-screen frame has drawn so far

    // Outside full-screen mode every call goes out at once; inside it the
    // frame goes out whole at ShowFrame.
    void Emit(const char *pData, size_t size) {
        frame.append(pData, size);
        if (!bFullScreen) {
            Flush();
        }
    }
    void Emit(const char *pText) { Emit(pText, std::strlen(pText)); }
    void Flush() {
        WriteAll(STDOUT_FILENO, frame.data(), frame.size());
        frame.clear();
    }
};

Sdbg_TtyOutput::Sdbg_TtyOutput(uint32_t /*minColumns*/, uint32_t /*minRows*/)
    : pState(std::make_unique<State>()) {
    // A terminal's size is the user's; there is no buffer to enlarge.
    struct winsize size {};
    if (isatty(STDOUT_FILENO) != 1 || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) {
        throw Sdbg_TtyOutputException();
    }
}

Sdbg_TtyOutput::~Sdbg_TtyOutput() {
    pState->bFullScreen = false;
    pState->Flush();
    SdbgOs_RestoreConsole();
}

void Sdbg_TtyOutput::Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) {
    if (pAttr != nullptr) {
        SetAttr(*pAttr);
    }
    pState->Emit(pText, length);
}

void Sdbg_TtyOutput::GotoXY(uint32_t column, uint32_t row) {
    if (row + 1 > GetHeight()) {
        NewFrame();
        row = 0;
        column = 0;
    }
    char sequence[32];
    (void)mos_Snprintf(sequence, sizeof(sequence), "\x1b[%u;%uH", row + 1, column + 1);
    pState->Emit(sequence);
}

bool Sdbg_TtyOutput::SetTitle(const char *pText) {
    std::string sequence = "\x1b]0;";
    sequence += pText;
    sequence += '\x07';
    pState->Emit(sequence.data(), sequence.size());
    return true;
}

void Sdbg_TtyOutput::ClearLines(uint32_t fromRow, uint32_t toRow) {
    std::string sequence = "\x1b[0m\x1b[s";
    char oneRow[32];
    for (uint32_t row = fromRow; row <= toRow && row < GetHeight(); ++row) {
        (void)mos_Snprintf(oneRow, sizeof(oneRow), "\x1b[%u;1H\x1b[2K", row + 1);
        sequence += oneRow;
    }
    sequence += "\x1b[u";
    pState->Emit(sequence.data(), sequence.size());
    SetAttr(Sdbg_Attr{});
}

void Sdbg_TtyOutput::NewFrame() {
    if (pState->bFullScreen) {
        pState->frame.clear(); // an unshown frame is replaced whole
    }
    pState->Emit("\x1b[0m\x1b[2J\x1b[H");
}

void Sdbg_TtyOutput::GetSize(uint32_t &width, uint32_t &height) {
    struct winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) {
        throw Sdbg_TtyOutputException();
    }
    width = size.ws_col;
    height = size.ws_row;
}

void Sdbg_TtyOutput::GetMaxSize(uint32_t &width, uint32_t &height) {
    GetSize(width, height);
}

void Sdbg_TtyOutput::SetAttr(const Sdbg_Attr &attr) {
    char sequence[32];
    (void)mos_Snprintf(sequence, sizeof(sequence), "\x1b[0;%s%sm", ForegroundSgr(attr.foreground),
                       attr.background == SDBG_COLOR_HIGHLIGHT ? kBlueBackgroundSgr : "");
    term_G.bColoured = 1;
    pState->Emit(sequence);
}

void Sdbg_TtyOutput::ShowFrame() {
    if (pState->bFullScreen) {
        pState->Flush();
    }
}

void Sdbg_TtyOutput::SetFullScreen(bool bOn) {
    if (bOn == pState->bFullScreen) {
        return;
    }
    pState->Flush();
    if (bOn) {
        term_G.bAltScreen = 1;
        WriteText("\x1b[?1049h");
    } else {
        WriteText("\x1b[?1049l");
        term_G.bAltScreen = 0;
    }
    pState->bFullScreen = bOn;
}
