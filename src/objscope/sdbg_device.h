// Input and output devices of the viewer.
//
// Commands read lines and keys from an input device and print on an output
// device. Console devices (sdbg_tty.h) drive the console; the stream
// devices here work on the standard streams when they are redirected and
// turn the same calls into plain text. Sdbg_IO forwards to one of each.
#pragma once

#include "sdbg_attr.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>

class Sdbg_IODev {
  public:
    virtual ~Sdbg_IODev();
};

class Sdbg_InputDev : public virtual Sdbg_IODev {
  public:
    // One line into pBuf (bufSize bytes), NUL-terminated, without its end.
    // False when the line did not fit: it is dropped whole (pBuf empty) and
    // the next read starts at the following line.
    [[nodiscard]] virtual bool ReadLine(char *pBuf, uint32_t bufSize) = 0;
    // Waits for one key; true when one was read.
    virtual bool GetKey(char &key) = 0;
    // The first pending key without waiting; true when there was one.
    virtual bool PollKey(char &key) = 0;
    // True once a read found the input exhausted: every later read would
    // answer an empty line, so the command loop ends as on exit.
    virtual bool IsAtEnd() = 0;
};

class Sdbg_OutputDev : public virtual Sdbg_IODev {
  public:
    // Writes length characters at the cursor, in pAttr when given.
    virtual void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) = 0;
    virtual void GotoXY(uint32_t column, uint32_t row) = 0;
    virtual bool SetTitle(const char *pText) = 0;
    virtual void ClearLines(uint32_t fromRow, uint32_t toRow) = 0;
    virtual void NewFrame() = 0;
    virtual void GetSize(uint32_t &width, uint32_t &height) = 0;
    virtual void GetMaxSize(uint32_t &width, uint32_t &height) = 0;
    virtual void SetAttr(const Sdbg_Attr &attr) = 0;
    // The text, then a line end, both in {0, 0}.
    virtual void PrintLine(const char *pText);
    // Makes the page drawn since NewFrame visible.
    virtual void ShowFrame() {}
    // Enters or leaves the mode in which frames are drawn off screen.
    virtual void SetFullScreen(bool /*bOn*/) {}
    // Hands on whatever the device holds back (the command loop calls it
    // before each prompt and command, and at exit).
    virtual void Flush() {}
    // True for a device without a window, which writes a page as lines of
    // text (a stream): a dump on it writes every row, not one page.
    virtual bool IsStream() { return false; }

    uint32_t GetWidth();
    uint32_t GetHeight();
    void WriteAt(uint32_t column, uint32_t row, const char *pText, uint32_t length,
                 const Sdbg_Attr *pAttr);
    void Print(const char *pText);
};

// Input from a stream (standard input unless another is given).
class SDbg_FileInput : public Sdbg_InputDev {
  public:
    SDbg_FileInput();
    explicit SDbg_FileInput(std::istream &input);
    // At most bufSize - 1 characters up to a line feed, which is dropped; a
    // longer line is skipped up to its line feed and answers false. Empty
    // at the end of the input.
    [[nodiscard]] bool ReadLine(char *pBuf, uint32_t bufSize) override;
    // A blank at once: a display driven from a stream stops at once.
    bool GetKey(char &key) override;
    // There are no pending keys on a stream: throws SDbg_FileException.
    bool PollKey(char &key) override;
    bool IsAtEnd() override;

  private:
    std::istream &stream;
};

// A stream buffer that gathers output in blocks of kBlockSize bytes and
// hands each full block, and on a flush whatever is gathered, to one call
// of the writer: a dump of megabytes costs one system call per block.
class Sdbg_BlockStreamBuf : public std::streambuf {
  public:
    static constexpr size_t kBlockSize = 64 * 1024;
    // Writes size bytes somewhere; false when they were refused.
    using Writer = std::function<bool(const char *pData, size_t size)>;

    explicit Sdbg_BlockStreamBuf(Writer writer);
    ~Sdbg_BlockStreamBuf() override;
    Sdbg_BlockStreamBuf(const Sdbg_BlockStreamBuf &) = delete;
    Sdbg_BlockStreamBuf &operator=(const Sdbg_BlockStreamBuf &) = delete;

  protected:
    int_type overflow(int_type ch) override;
    int sync() override;

  private:
    bool WriteGathered();

    Writer write;
    std::unique_ptr<char[]> pBlock;
};

// Output to a stream (standard output unless another is given), as plain
// text: runs are placed with blanks, rows with line feeds; no colours.
// Standard output goes through a Sdbg_BlockStreamBuf; Flush hands on what
// it holds.
class SDbg_FileOutput : public Sdbg_OutputDev {
  public:
    SDbg_FileOutput();
    explicit SDbg_FileOutput(std::ostream &output);
    ~SDbg_FileOutput() override;
    void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) override;
    void GotoXY(uint32_t column, uint32_t row) override;
    bool SetTitle(const char *pText) override;
    void ClearLines(uint32_t fromRow, uint32_t toRow) override;
    void NewFrame() override;
    // Width without limit (0xFFFFFFFF), height 99999.
    void GetSize(uint32_t &width, uint32_t &height) override;
    void GetMaxSize(uint32_t &width, uint32_t &height) override;
    void SetAttr(const Sdbg_Attr &attr) override;
    void Flush() override;
    bool IsStream() override { return true; }

    static constexpr uint32_t kHeight = 99999;

  private:
    void WriteRepeated(char ch, uint32_t count);

    std::unique_ptr<Sdbg_BlockStreamBuf> pStdoutBuf; // only over standard output
    std::unique_ptr<std::ostream> pStdout;
    std::ostream &stream;
    uint32_t column = 0; // characters since the last line start this device made
    uint32_t line = 0;   // rows emitted since the last restart
};

// Forwards input to one device and output to another (neither owned).
class Sdbg_IO : public Sdbg_InputDev, public Sdbg_OutputDev {
  public:
    void SetDevices(Sdbg_InputDev *pInput, Sdbg_OutputDev *pOutput);

    [[nodiscard]] bool ReadLine(char *pBuf, uint32_t bufSize) override;
    bool GetKey(char &key) override;
    bool PollKey(char &key) override;
    bool IsAtEnd() override;

    void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) override;
    void GotoXY(uint32_t column, uint32_t row) override;
    bool SetTitle(const char *pText) override;
    void ClearLines(uint32_t fromRow, uint32_t toRow) override;
    void NewFrame() override;
    void GetSize(uint32_t &width, uint32_t &height) override;
    void GetMaxSize(uint32_t &width, uint32_t &height) override;
    void SetAttr(const Sdbg_Attr &attr) override;
    void PrintLine(const char *pText) override;
    void Flush() override;
    bool IsStream() override;

  private:
    Sdbg_InputDev *pIn = nullptr;
    Sdbg_OutputDev *pOut = nullptr;
};
