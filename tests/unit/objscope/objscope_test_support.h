// Helpers shared by the viewer core's tests: an output device that records
// what it is asked to draw, and a readable form of page-buffer lines with
// the colours of every character.
#pragma once

#include "sdbg_device.h"
#include "sdbg_logical_view.h"

#include <cstdint>
#include <string>
#include <vector>

namespace objscopetest {

// Records every call as a line of text: "W(text)<fg,bg>", "G(x,y)", "N",
// "S", "A<fg,bg>", "T(title)".
class RecordingOutput : public Sdbg_OutputDev {
  public:
    RecordingOutput(uint32_t widthChars, uint32_t heightRows)
        : width(widthChars), height(heightRows) {}

    // Calls are built by appending: GCC 12 at -O3 misreads a literal
    // prepended to a temporary string as an overlapping copy.
    void Write(const char *pText, uint32_t length, const Sdbg_Attr *pAttr) override {
        std::string call("W(");
        call.append(pText, length).append(")");
        if (pAttr != nullptr) {
            call.append(Pair(*pAttr));
        }
        calls.push_back(call);
    }
    void GotoXY(uint32_t column, uint32_t row) override {
        std::string call("G(");
        call.append(std::to_string(column)).append(",").append(std::to_string(row)).append(")");
        calls.push_back(call);
    }
    bool SetTitle(const char *pText) override {
        std::string call("T(");
        call.append(pText).append(")");
        calls.push_back(call);
        return true;
    }
    void ClearLines(uint32_t, uint32_t) override {}
    void NewFrame() override { calls.push_back("N"); }
    void GetSize(uint32_t &w, uint32_t &h) override {
        w = width;
        h = height;
    }
    void GetMaxSize(uint32_t &w, uint32_t &h) override { GetSize(w, h); }
    void SetAttr(const Sdbg_Attr &attr) override {
        calls.push_back(std::string("A").append(Pair(attr)));
    }
    void ShowFrame() override { calls.push_back("S"); }

    // "<fg,bg>"
    static std::string Pair(const Sdbg_Attr &attr) {
        std::string text("<");
        text.append(std::to_string(attr.foreground)).append(",");
        return text.append(std::to_string(attr.background)).append(">");
    }

    uint32_t width;
    uint32_t height;
    std::vector<std::string> calls;
};

// One page-buffer line as text with a "<fg,bg>" mark wherever the colour
// pair changes (and before the first character).
inline std::string Marked(const Sdbg_ViewLine &line) {
    std::string out;
    Sdbg_Attr previous{0xFFFFFFFFu, 0xFFFFFFFFu};
    const uint32_t length = line.VisibleLength();
    for (uint32_t i = 0; i < length; ++i) {
        const Sdbg_Attr attr = i < line.attrs.size() ? line.attrs[i] : Sdbg_Attr{};
        if (!(attr == previous)) {
            out += RecordingOutput::Pair(attr);
            previous = attr;
        }
        out += line.text[i];
    }
    return out;
}

// Every line written so far (up to the current one, when it holds text).
inline std::vector<std::string> MarkedLines(const Sdbg_LogicalView &view) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i <= view.GetCurrentLine(); ++i) {
        if (i == view.GetCurrentLine() && view.Line(i).VisibleLength() == 0) {
            break;
        }
        out.push_back(Marked(view.Line(i)));
    }
    return out;
}

} // namespace objscopetest
