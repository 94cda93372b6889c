#include "sdbg_device.h"

#include "sdbg_exception.h"
#include "sdbg_os.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>

Sdbg_IODev::~Sdbg_IODev() = default;

void Sdbg_OutputDev::PrintLine(const char *pText) {
    const Sdbg_Attr plain{};
    Write(pText, static_cast<uint32_t>(std::strlen(pText)), &plain);
    Write("\n", 1, &plain);
}

uint32_t Sdbg_OutputDev::GetWidth() {
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    return width;
}

uint32_t Sdbg_OutputDev::GetHeight() {
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    return height;
}

void Sdbg_OutputDev::WriteAt(uint32_t column, uint32_t row, const char *pText, uint32_t length,
                             const Sdbg_Attr *pAttr) {
    GotoXY(column, row);
    Write(pText, length, pAttr);
}

void Sdbg_OutputDev::Print(const char *pText) {
    const Sdbg_Attr plain{};
    Write(pText, static_cast<uint32_t>(std::strlen(pText)), &plain);
}

SDbg_FileInput::SDbg_FileInput() : SDbg_FileInput(std::cin) {}

SDbg_FileInput::SDbg_FileInput(std::istream &input) : stream(input) {}

bool SDbg_FileInput::ReadLine(char *pBuf, uint32_t bufSize) {
    if (bufSize == 0) {
        return true;
    }
    pBuf[0] = '\0';
    stream.getline(pBuf, bufSize);
    if (!stream.fail() || stream.eof()) {
        return true;
    }
    // Failed before the end of the input: the buffer filled before the line
    // feed. The rest of the line goes too, and the stream reads on.
    stream.clear();
    stream.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    pBuf[0] = '\0';
    return false;
}

bool SDbg_FileInput::GetKey(char &key) {
    key = ' ';
    return true;
}

bool SDbg_FileInput::PollKey(char & /*key*/) {
    throw SDbg_FileException();
}

bool SDbg_FileInput::IsAtEnd() {
    return stream.fail();
}

Sdbg_BlockStreamBuf::Sdbg_BlockStreamBuf(Writer writer)
    : write(std::move(writer)), pBlock(new char[kBlockSize]) {
    setp(pBlock.get(), pBlock.get() + kBlockSize);
}

Sdbg_BlockStreamBuf::~Sdbg_BlockStreamBuf() {
    (void)WriteGathered();
}

bool Sdbg_BlockStreamBuf::WriteGathered() {
    const size_t size = static_cast<size_t>(pptr() - pbase());
    setp(pBlock.get(), pBlock.get() + kBlockSize);
    return size == 0 || write(pBlock.get(), size);
}

Sdbg_BlockStreamBuf::int_type Sdbg_BlockStreamBuf::overflow(int_type ch) {
    if (!WriteGathered()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int Sdbg_BlockStreamBuf::sync() {
    return WriteGathered() ? 0 : -1;
}

SDbg_FileOutput::SDbg_FileOutput()
    : pStdoutBuf(std::make_unique<Sdbg_BlockStreamBuf>(SdbgOs_WriteStdout)),
      pStdout(std::make_unique<std::ostream>(pStdoutBuf.get())), stream(*pStdout) {}

SDbg_FileOutput::SDbg_FileOutput(std::ostream &output) : stream(output) {}

SDbg_FileOutput::~SDbg_FileOutput() {
    Flush();
}

void SDbg_FileOutput::Flush() {
    stream.flush();
}

// Nothing here flushes: what is written is handed on in blocks, and on
// Flush (before every prompt and command, and at exit).
void SDbg_FileOutput::Write(const char *pText, uint32_t length, const Sdbg_Attr * /*pAttr*/) {
    if (length == 0) {
        return;
    }
    stream.write(pText, length);
    column += length;
    if (pText[length - 1] == '\n') {
        ++line;
    }
}

// count copies of ch, from a small stack block: a run of blanks or line
// feeds costs no allocation.
void SDbg_FileOutput::WriteRepeated(char ch, uint32_t count) {
    char chunk[256];
    std::memset(chunk, ch, sizeof(chunk));
    while (count > 0) {
        const uint32_t n = std::min<uint32_t>(count, sizeof(chunk));
        stream.write(chunk, n);
        count -= n;
    }
}

void SDbg_FileOutput::GotoXY(uint32_t x, uint32_t y) {
    if (y < line) {
        line = 0; // a new page begins
    }
    if (line < y) {
        column = 0;
        // The missing rows go out as one write: the same bytes as one line
        // feed at a time, without a system call for each of 100,000 rows.
        WriteRepeated('\n', y - line);
        line = y;
    }
    if (column < x) {
        WriteRepeated(' ', x - column);
        column = x;
    }
}

bool SDbg_FileOutput::SetTitle(const char * /*pText*/) {
    return true;
}

void SDbg_FileOutput::ClearLines(uint32_t /*fromRow*/, uint32_t /*toRow*/) {}

void SDbg_FileOutput::NewFrame() {
    column = 0;
    line = 0;
    stream.write("\n", 1);
}

void SDbg_FileOutput::GetSize(uint32_t &width, uint32_t &height) {
    width = 0xFFFFFFFFu;
    height = kHeight;
}

void SDbg_FileOutput::GetMaxSize(uint32_t &width, uint32_t &height) {
    GetSize(width, height);
}

void SDbg_FileOutput::SetAttr(const Sdbg_Attr & /*attr*/) {}

void Sdbg_IO::SetDevices(Sdbg_InputDev *pInput, Sdbg_OutputDev *pOutput) {
    pIn = pInput;
    pOut = pOutput;
}

bool Sdbg_IO::ReadLine(char *pBuf, uint32_t bufSize) {
    return pIn->ReadLine(pBuf, bufSize);
}

bool Sdbg_IO::GetKey(char &key) {
    return pIn->GetKey(key);
}

bool Sdbg_IO::PollKey(char &key) {
    return pIn->PollKey(key);
}

bool Sdbg_IO::IsAtEnd() {
    return pIn->IsAtEnd();
}

void Sdbg_IO::Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) {
    pOut->Write(pText, length, pAttr);
}

void Sdbg_IO::GotoXY(uint32_t column, uint32_t row) {
    pOut->GotoXY(column, row);
}

bool Sdbg_IO::SetTitle(const char *pText) {
    return pOut->SetTitle(pText);
}

void Sdbg_IO::ClearLines(uint32_t fromRow, uint32_t toRow) {
    pOut->ClearLines(fromRow, toRow);
}

void Sdbg_IO::NewFrame() {
    pOut->NewFrame();
}

void Sdbg_IO::GetSize(uint32_t &width, uint32_t &height) {
    pOut->GetSize(width, height);
}

void Sdbg_IO::GetMaxSize(uint32_t &width, uint32_t &height) {
    pOut->GetMaxSize(width, height);
}

void Sdbg_IO::SetAttr(const Sdbg_Attr &attr) {
    pOut->SetAttr(attr);
}

void Sdbg_IO::PrintLine(const char *pText) {
    pOut->PrintLine(pText);
}

void Sdbg_IO::Flush() {
    pOut->Flush();
}

bool Sdbg_IO::IsStream() {
    return pOut->IsStream();
}
