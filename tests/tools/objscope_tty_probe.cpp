// Drives the viewer's console devices the way a display does, so the
// terminal tests can watch them: the title, a coloured frame on the
// second screen, a single raw key, the way back, and a Ctrl+C while raw.
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_os.h"
#include "sdbg_tty.h"

#include <cstdio>
#include <string>

namespace {

void DrawColouredPage(Sdbg_TtyOutput &output, const char *pPrompt) {
    Sdbg_LogicalView view(&output, 10, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    view.PutStr("plain ");
    view.PrintStr("VALUE", SDBG_COLOR_VALUE, SDBG_COLOR_KEEP);
    view.PutStr(" ");
    view.PrintStr("ALERT", SDBG_COLOR_ALERT, SDBG_COLOR_KEEP);
    view.PutStr(" ");
    view.PrintStr("OK", SDBG_COLOR_OK, SDBG_COLOR_KEEP);
    view.PutStr(" ");
    view.PrintStr("LABEL", SDBG_COLOR_LABEL, SDBG_COLOR_LABEL);
    view.PutStr(" ");
    view.PrintStr("HIGH", SDBG_COLOR_HIGHLIGHT, SDBG_COLOR_HIGHLIGHT);
    view.NewLine();
    view.PutStr(pPrompt);
    view.NewLine();
    view.Render(true);
}

} // namespace

int main() {
    try {
        SdbgOs_Init();
        Sdbg_TtyInput input;
        Sdbg_TtyOutput output(300, 25);
        output.SetTitle("probe title");
        output.SetFullScreen(true);
        DrawColouredPage(output, "press a key");
        char key = 0;
        const bool bGotKey = input.GetKey(key);
        output.SetFullScreen(false);
        output.PrintLine((std::string("key: ") + (bGotKey ? key : '?')).c_str());
        output.PrintLine("press another key");
        (void)input.GetKey(key);
        output.SetFullScreen(true);
        DrawColouredPage(output, "press Ctrl+C");
        (void)input.GetKey(key);
        return 0;
    } catch (const Sdbg_Exception &failure) {
        std::fprintf(stderr, "probe: %s\n", failure.GetText());
        return 2;
    }
}
