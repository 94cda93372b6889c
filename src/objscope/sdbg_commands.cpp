// The command handlers. Each builds its parameter tokens, has the current
// line's parser fill them, and reports failures as Sdbg_Exception texts
// that the dispatcher prints and counts.
#include "sdbg_application.h"
#include "sdbg_exception.h"
#include "sdbg_line_parser.h"
#include "sdbg_obj_type_registry.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t kDumpObjOperation = 1;
constexpr uint32_t kConfigObjOperation = 2;
constexpr uint32_t kConfigArgCount = 10;
constexpr uint32_t kDefaultRefreshRate = 2;

uint32_t Low32(const Sdbg_Token &token) {
    return static_cast<uint32_t>(token.GetInt());
}

void PrintLabelled(Sdbg_Application &app, const char *pLabel, uint32_t value,
                   const char *pUnit = "") {
    std::ostringstream stream;
    stream << pLabel << value << pUnit;
    app.PrintStream(stream);
}

void CmdConnect(Sdbg_Application &app) {
    SDbg_StrToken moduleWord("");
    SDbg_StrToken destination("");
    Sdbg_IntToken port(0);
    const uint32_t readCount = app.pParser->ParseParams(3, 2, {&moduleWord, &destination, &port});
    const uint32_t moduleId = Sdbg_ObjTypeRegistry::GetModuleId(moduleWord.GetStr());
    if (moduleId == SDBG_UNDEFINED_ID) {
        throw Sdbg_FEException("Invalid module type");
    }
    app.worker.Link(moduleId, readCount >= 2 ? destination.GetStr() : nullptr,
                    static_cast<uint16_t>(port.GetInt()));
    app.ShowScreens();
    const std::string message = std::string("Linked successfully to ") + moduleWord.GetStr();
    app.io.PrintLine(message.c_str());
}

void CmdExit(Sdbg_Application &app) {
    app.quit = 1;
}

void CmdDisconnect(Sdbg_Application &app) {
    app.worker.Unlink();
    app.ShowScreens();
    app.io.PrintLine("unlinked successfully");
}

void CmdScreens(Sdbg_Application &app) {
    app.ShowScreens();
}

void CmdSetRefreshRate(Sdbg_Application &app) {
    Sdbg_IntToken rate(kDefaultRefreshRate);
    (void)app.pParser->ParseParams(1, 0, {&rate});
    if (Low32(rate) == 0) {
        throw Sdbg_FEException("refreshrate cannot be zero");
    }
    app.refreshSeconds = Low32(rate);
    PrintLabelled(app, "refresh rate was changed to ", app.refreshSeconds, " seconds");
}

void CmdGetRefreshRate(Sdbg_Application &app) {
    PrintLabelled(app, "Current refresh rate is ", app.refreshSeconds, " seconds");
}

// After a dump the console is handed back clean for the next output.
void ResetAfterDump(Sdbg_Application &app) {
    app.io.NewFrame();
    app.io.GotoXY(0, 0);
    app.io.SetAttr(Sdbg_Attr{});
    app.view.Clear();
}

void CmdDumpScreen(Sdbg_Application &app) {
    SDbg_StrToken screen("");
    SDbg_StrToken mode("");
    (void)app.pParser->ParseParams(2, 1, {&screen, &mode});
    const uint32_t index = app.worker.FindScreen(screen.GetStr());
    const bool bXml = std::strcmp(mode.GetStr(), "xml") == 0;
    app.SetTitleText(app.worker.GetScreen(index)->GetTitle().c_str());
    app.worker.DumpScreen(app.view, index, bXml);
    ResetAfterDump(app);
}

void CmdDumpAllScreens(Sdbg_Application &app) {
    SDbg_StrToken mode("");
    (void)app.pParser->ParseParams(1, 1, {&mode});
    const bool bXml = std::strcmp(mode.GetStr(), "xml") == 0;
    app.worker.Lock();
    try {
        for (uint32_t index = 0; index < app.worker.ScreenCount(); ++index) {
            app.SetTitleText(app.worker.GetScreen(index)->GetTitle().c_str());
            app.worker.DumpScreenLocked(app.view, index, bXml);
            ResetAfterDump(app);
        }
    } catch (...) {
        app.worker.Unlock();
        throw;
    }
    app.worker.Unlock();
}

void CmdDisplay(Sdbg_Application &app) {
    SDbg_StrToken screen("");
    (void)app.pParser->ParseParams(1, 0, {&screen});
    app.Display(app.worker.FindScreen(screen.GetStr()));
}

void CmdSetLogicalHeight(Sdbg_Application &app) {
    Sdbg_IntToken height(app.view.GetPageHeight());
    (void)app.pParser->ParseParams(1, 0, {&height});
    const uint32_t newHeight = Low32(height);
    // Refusals here are advice, not failures: nothing is counted.
    if (newHeight == 0) {
        app.io.PrintLine("Height cannot be zero");
        return;
    }
    if (newHeight > app.io.GetHeight()) {
        app.io.PrintLine("Height too big");
        return;
    }
    app.view.SetPageHeight(newHeight);
    PrintLabelled(app, "New height is set to ", newHeight);
}

void CmdGetLogicalHeight(Sdbg_Application &app) {
    PrintLabelled(app, "Current logical View height ", app.view.GetPageHeight());
}

void CmdShowObj(Sdbg_Application &app) {
    uint32_t objId = 0;
    uint32_t typeId = 0;
    app.ParseObjRef(objId, typeId);
    app.ShowObject(&typeId, &objId, 1);
}

void CmdDumpObj(Sdbg_Application &app) {
    uint32_t objId = 0;
    uint32_t typeId = 0;
    app.ParseObjRef(objId, typeId);
    app.worker.RemoteOperation(kDumpObjOperation, typeId, objId, 0, nullptr);
    app.io.PrintLine("Dump obj command finished successfully");
}

void CmdConfigObj(Sdbg_Application &app) {
    uint32_t objId = 0;
    uint32_t typeId = 0;
    char args[kConfigArgCount][64];
    app.ParseObjRefAndArgs(objId, typeId, args, kConfigArgCount);
    app.worker.RemoteOperation(kConfigObjOperation, typeId, objId, kConfigArgCount, args);
    app.io.PrintLine("Configure obj command finished successfully");
}

void CmdHelp(Sdbg_Application &app) {
    for (const auto &[word, command] : app.commands) {
        app.io.PrintLine(word.c_str());
    }
}

void CmdHelpCmd(Sdbg_Application &app) {
    SDbg_StrToken word("");
    (void)app.pParser->ParseParams(1, 0, {&word});
    const auto found = app.commands.find(word.GetStr());
    if (found == app.commands.end()) {
        throw SDbg_WorkerException("Unknown command parameter");
    }
    const std::string cmdLine = std::string("Cmd: ") + found->first;
    const std::string descriptionLine = "Description: " + found->second.description;
    const std::string syntaxLine = "Syntax: " + found->first + " " + found->second.syntax;
    app.io.PrintLine(cmdLine.c_str());
    app.io.PrintLine(descriptionLine.c_str());
    app.io.PrintLine(syntaxLine.c_str());
}

void CmdObjTypes(Sdbg_Application &app) {
    for (const auto &[name, id] : Sdbg_ObjTypeRegistry::ObjTypeTable) {
        app.io.PrintLine(name.c_str());
    }
}

void CmdServers(Sdbg_Application &app) {
    for (const auto &[name, id] : Sdbg_ObjTypeRegistry::ModuleTable) {
        app.io.PrintLine(name.c_str());
    }
}

void CmdShortcuts(Sdbg_Application &app) {
    for (const auto &[key, command] : Sdbg_ObjTypeRegistry::ShortcutTable) {
        const std::string text = std::string("ShortCut: ") + key + " Command: " + command;
        app.io.PrintLine(text.c_str());
    }
}

} // namespace

void Sdbg_Application::RegisterCommands() {
#define SDBG_COMMAND(word, handler, description, syntax)                                           \
    commands.emplace(word, Sdbg_Command{handler, description, syntax});
#include "sdbg_commands.def"
#undef SDBG_COMMAND
}
