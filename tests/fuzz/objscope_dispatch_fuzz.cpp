// The viewer's command dispatcher over whole command lines, as typed or
// read from a command file: each input line (cut at line feeds, at most
// 255 characters as the command loop reads them) goes through the real
// command table and its handlers' argument parsing, on a stream input and
// a console-sized window, with no server linked, so every command that
// needs one fails with its message. The connect commands ("connect", "c")
// are withheld: they would resolve and reach hosts named by the input.
//
// It must never crash or let an exception other than the viewer's own
// escape; each line counts at most one failure, leaves no parser behind
// and leaves the viewer unlinked.
#include "sdbg_application.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_screen.h"
#include "sdbg_srv_obj_factory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

namespace {

// A window of a console's size that keeps nothing: the stream device's
// 99,999 rows would make every run build as many page lines.
class WindowOutput : public Sdbg_OutputDev {
  public:
    void Write(const char *pText, uint32_t length, const Sdbg_Attr *) override {
        volatile char sum = 0;
        for (uint32_t i = 0; i < length; i++) {
            sum = static_cast<char>(sum + pText[i]); // every character is readable
        }
    }
    void GotoXY(uint32_t, uint32_t) override {}
    bool SetTitle(const char *pText) override { return strlen(pText) < 256; }
    void ClearLines(uint32_t, uint32_t) override {}
    void NewFrame() override {}
    void GetSize(uint32_t &width, uint32_t &height) override {
        width = 120;
        height = 50;
    }
    void GetMaxSize(uint32_t &width, uint32_t &height) override { GetSize(width, height); }
    void SetAttr(const Sdbg_Attr &) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bReady = [] {
        Sdbg_ObjTypeRegistry::Init();
        Sdbg_SetSrvObjFactory(CreateSrvObj);
        return true;
    }();
    (void)bReady;
    if (size > 4096) {
        return 0;
    }
    std::istringstream typed("");
    Sdbg_Application app(std::make_unique<SDbg_FileInput>(typed), std::make_unique<WindowOutput>());
    app.commands.erase("connect");
    app.commands.erase("c");
    size_t pos = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && pData[end] != '\n') {
            end++;
        }
        size_t length = std::min<size_t>(end - pos, Sdbg_Application::kLineSize - 1);
        memset(app.line, 0, sizeof(app.line));
        memcpy(app.line, pData + pos, length);
        pos = end + 1;
        const uint32_t errorsBefore = app.errorCount;
        app.Dispatch();
        if (app.errorCount > errorsBefore + 1 || app.pParser != nullptr ||
            app.worker.GetServerType() != SDBG_UNDEFINED_ID) {
            abort();
        }
        if (app.quit != 0) {
            break; // "exit" ends the command loop
        }
    }
    return 0;
}
