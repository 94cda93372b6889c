// Console devices: the viewer's own console, driven directly.
//
// On Windows these call the console API (screen buffers, attributes, raw
// key input, the window title). On Linux they drive the terminal: ANSI
// colours from one colour table, the alternate screen in place of the
// second screen buffer, one write per frame, raw single keys with Ctrl+C
// still live, the title by escape sequence; the terminal is put back on
// every exit path (see SdbgOs_RestoreConsole).
#pragma once

#include "sdbg_device.h"

#include <memory>

// True when standard input (output) is the console: a terminal, not any
// character device, so that the null device counts as a stream.
bool Sdbg_StdinIsConsole();
bool Sdbg_StdoutIsConsole();

class Sdbg_TtyInput : public Sdbg_InputDev {
  public:
    // Takes standard input and discards keys typed ahead. Throws
    // Sdbg_TtyInputException when it is no console.
    Sdbg_TtyInput();
    ~Sdbg_TtyInput() override;

    // A line typed with echo and line editing; the line end is dropped. A
    // line too long for the buffer is read to its end and dropped: false.
    [[nodiscard]] bool ReadLine(char *pBuf, uint32_t bufSize) override;
    // One key without echo and without waiting for Enter; Ctrl+C still
    // ends the program.
    bool GetKey(char &key) override;
    // The first pending key, if any; everything pending is then discarded.
    bool PollKey(char &key) override;
    bool IsAtEnd() override;

    struct State;

  private:
    std::unique_ptr<State> pState;
};

class Sdbg_TtyOutput : public Sdbg_OutputDev {
  public:
    // Takes standard output; the buffer is made at least minColumns x
    // minRows where the console allows it. Throws Sdbg_TtyOutputException
    // when it is no console.
    Sdbg_TtyOutput(uint32_t minColumns, uint32_t minRows);
    ~Sdbg_TtyOutput() override;

    void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) override;
    // Rows count from the row the cursor was on when the device was made;
    // a row below the window starts a new frame and writes at its top.
    void GotoXY(uint32_t column, uint32_t row) override;
    bool SetTitle(const char *pText) override;
    void ClearLines(uint32_t fromRow, uint32_t toRow) override;
    void NewFrame() override;
    void GetSize(uint32_t &width, uint32_t &height) override;
    void GetMaxSize(uint32_t &width, uint32_t &height) override;
    void SetAttr(const Sdbg_Attr &attr) override;
    void ShowFrame() override;
    void SetFullScreen(bool bOn) override;

    struct State;

  private:
    std::unique_ptr<State> pState;
};
