#include "sdbg_application.h"

#include "sdbg_exception.h"
#include "sdbg_line_parser.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_tty.h"

#include "mos_utils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kInitialPageHeight = 100;
constexpr uint32_t kConsoleMinColumns = 300;
constexpr uint32_t kConsoleMinRows = 25;
// Rows kept below the screen list for the help block and the prompt.
constexpr uint32_t kHelpRows = 12;
constexpr uint32_t kLargestExitCode = 255;

constexpr const char *kHelpBlock[] = {
    "Basic commands:",
    "c (tgt | mdm | ini) [ip sdbgport] <==> connect to tgt/mdm/ini",
    "(Examples: c tgt | c tgt 127.0.0.1 | c tgt 127.0.0.1 25640 | c mdm | c ini)",
    "d #screen <==> display screen with id #screen",
    "+ - <==> Within a screen, scroll up & down",
    "q <==> Within a screen, go back to list of screens",
    "screens <==> Print all available screens",
    "exit <==> leave sdbg",
};

std::unique_ptr<Sdbg_InputDev> MakeStdInput() {
    if (Sdbg_StdinIsConsole()) {
        return std::make_unique<Sdbg_TtyInput>();
    }
    return std::make_unique<SDbg_FileInput>();
}

std::unique_ptr<Sdbg_OutputDev> MakeStdOutput() {
    if (Sdbg_StdoutIsConsole()) {
        return std::make_unique<Sdbg_TtyOutput>(kConsoleMinColumns, kConsoleMinRows);
    }
    return std::make_unique<SDbg_FileOutput>();
}

constexpr const char *kLineTooLong = "Line too long";

enum class FileLine { kRead, kTooLong, kEnd };

// Reads one command-file line into pLine (size bytes). A line that does not
// fit is read to its end and dropped (pLine empty); the file reads on.
FileLine ReadFileLine(std::FILE *pFile, char *pLine, uint32_t size) {
    if (std::fgets(pLine, static_cast<int>(size), pFile) == nullptr) {
        return FileLine::kEnd;
    }
    size_t length = std::strlen(pLine);
    if (length > 0 && pLine[length - 1] == '\n') {
        pLine[--length] = '\0';
    } else {
        int next = std::fgetc(pFile);
        if (next == '\r') {
            next = std::fgetc(pFile); // a full buffer, then a Windows line end?
        }
        if (next != EOF && next != '\n') {
            while (next != EOF && next != '\n') {
                next = std::fgetc(pFile);
            }
            pLine[0] = '\0';
            return FileLine::kTooLong;
        }
    }
    if (length > 0 && pLine[length - 1] == '\r') {
        pLine[length - 1] = '\0'; // a line end written on Windows
    }
    return FileLine::kRead;
}

} // namespace

Sdbg_Application::Sdbg_Application() : view(nullptr, kInitialPageHeight, 0, 0) {
    pInput = MakeStdInput();
    pOutput = MakeStdOutput();
    Construct();
}

Sdbg_Application::Sdbg_Application(std::unique_ptr<Sdbg_InputDev> pIn,
                                   std::unique_ptr<Sdbg_OutputDev> pOut)
    : pInput(std::move(pIn)), pOutput(std::move(pOut)), view(nullptr, kInitialPageHeight, 0, 0) {
    Construct();
}

Sdbg_Application::~Sdbg_Application() = default;

void Sdbg_Application::Construct() {
    io.SetDevices(pInput.get(), pOutput.get());
    view.SetDevice(pOutput.get());
    view.SetPageHeight(pOutput->GetHeight());
    RegisterCommands();
    BuildScreens();
    worker.SortScreens();
    SetTitleText(SDBG_VERSION_TEXT);
}

void Sdbg_Application::BuildScreens() {
#define SDBG_SCREEN(name, title, modules, ...)                                                     \
    {                                                                                              \
        const uint32_t typeIds[] = {__VA_ARGS__};                                                  \
        const uint32_t index = worker.AddScreen(name, title, modules);                             \
        for (const uint32_t &typeId : typeIds) {                                                   \
            worker.AddGroup(index, &typeId, 0, nullptr);                                           \
        }                                                                                          \
    }
#include "screens.def"
#undef SDBG_SCREEN
}

int Sdbg_Application::Run(int argc, char **argv) {
    if (argc > 1) {
        RunCommandFile(argv[1]);
    }
    if (quit != 0) {
        io.Flush();
        return static_cast<int>(ExitCode());
    }
    ShowScreens();
    while (quit == 0) {
        io.Write(">", 1, nullptr);
        io.Flush(); // everything before the prompt, and the prompt, are out
        if (pendingCommand != 0) {
            pendingCommand = 0;
        } else {
            if (!io.ReadLine(line, kLineSize)) {
                ReportLineTooLong();
                continue;
            }
            if (line[0] == '\0' && io.IsAtEnd()) {
                quit = 1; // the end of the input acts as exit
                break;
            }
        }
        Dispatch();
    }
    io.Flush();
    return static_cast<int>(ExitCode());
}

uint32_t Sdbg_Application::ExitCode() const {
    return std::min(errorCount, kLargestExitCode);
}

void Sdbg_Application::RunCommandFile(const char *pPath) {
    std::FILE *pFile = std::fopen(pPath, "r");
    if (pFile == nullptr) {
        const std::string message = std::string("Error opening input file ") + pPath;
        io.PrintLine(message.c_str());
        return;
    }
    for (FileLine read = ReadFileLine(pFile, line, kLineSize); read != FileLine::kEnd;
         read = ReadFileLine(pFile, line, kLineSize)) {
        io.Write(">", 1, nullptr);
        if (read == FileLine::kTooLong) {
            ReportLineTooLong();
        } else {
            io.PrintLine(line);
            Dispatch();
        }
        io.PrintLine("");
        io.PrintLine("");
        io.PrintLine("-----------------------------");
    }
    std::fclose(pFile);
}

void Sdbg_Application::ReportLineTooLong() {
    ++errorCount;
    io.PrintLine(kLineTooLong);
}

void Sdbg_Application::Dispatch() {
    // What the output device holds goes out before the command runs: some
    // commands' messages reach standard output directly (the driver link's).
    io.Flush();
    pParser = std::make_unique<Sdbg_LineParser>(line);
    std::string word;
    pParser->NextWord(word);
    const auto found = commands.find(word);
    if (found == commands.end()) {
        if (!word.empty()) {
            ++errorCount;
            io.PrintLine("Unrecognized command");
        }
        pParser.reset();
        return;
    }
    try {
        found->second.handler(*this);
    } catch (const Sdbg_Exception &failure) {
        ++errorCount;
        io.PrintLine(failure.GetText());
    }
    pParser.reset();
    SetTitleText(SDBG_VERSION_TEXT);
}

void Sdbg_Application::SetTitleText(const char *pText) {
    const uint32_t serverType = worker.GetServerType();
    const char *pModule = serverType == SDBG_UNDEFINED_ID
                              ? "Not linked"
                              : Sdbg_ObjTypeRegistry::GetModuleName(serverType);
    char title[256];
    (void)mos_Snprintf(title, sizeof(title), "%s (%s)", pModule, pText);
    (void)io.SetTitle(title);
}

void Sdbg_Application::PrintStream(const std::ostringstream &stream) {
    io.PrintLine(stream.str().c_str());
}

void Sdbg_Application::PrintScreenList(uint32_t width, uint32_t height) {
    // On a window lower than the help block the list stays in one column.
    const bool bTwoColumns = height > kHelpRows;
    for (uint32_t i = 0; i < worker.ScreenCount(); ++i) {
        const Sdbg_Screen *pScreen = worker.GetScreen(i);
        const uint32_t n = i + 1;
        if (bTwoColumns && n > height - kHelpRows) {
            io.GotoXY(width / 2, n - (height - kHelpRows + 1));
        }
        char text[128];
        (void)mos_Snprintf(text, sizeof(text), "%3u: %s  (%s)", n, pScreen->GetTitle().c_str(),
                           pScreen->GetName().c_str());
        io.PrintLine(text);
    }
}

void Sdbg_Application::ShowScreens() {
    uint32_t width = 0;
    uint32_t height = 0;
    worker.Lock();
    try {
        io.NewFrame();
        io.GetSize(width, height);
        io.GotoXY(0, 0);
        PrintScreenList(width, height);
    } catch (...) {
        worker.Unlock();
        throw;
    }
    worker.Unlock();
    if (height > kHelpRows) {
        io.GotoXY(0, height - kHelpRows);
    }
    for (const char *pHelpLine : kHelpBlock) {
        io.PrintLine(pHelpLine);
    }
}

void Sdbg_Application::ParseObjRef(uint32_t &objId, uint32_t &typeId) {
    Sdbg_IntToken id(0);
    SDbg_StrToken typeName("");
    (void)pParser->ParseParams(2, 0, {&id, &typeName});
    objId = static_cast<uint32_t>(id.GetInt());
    typeId = Sdbg_ObjTypeRegistry::GetObjTypeId(typeName.GetStr());
    if (typeId == SDBG_UNDEFINED_ID) {
        throw SDbg_WorkerException("Invalid obj type");
    }
}

void Sdbg_Application::ParseObjRefAndArgs(uint32_t &objId, uint32_t &typeId, char (*pArgs)[64],
                                          uint32_t argCount) {
    std::vector<SDbg_StrToken> words(argCount, SDbg_StrToken(""));
    std::vector<Sdbg_Token *> tokens;
    for (SDbg_StrToken &word : words) {
        tokens.push_back(&word);
    }
    ParseObjRef(objId, typeId);
    uint32_t bMore = 0;
    if (pParser->ParseParams(argCount, argCount, tokens, &bMore) == argCount && bMore != 0) {
        throw SDbg_WorkerException("Invalid number of parameters.");
    }
    for (uint32_t i = 0; i < argCount; ++i) {
        // The first 64 characters; a word of 64 or more fills the field
        // with no terminator.
        std::memset(pArgs[i], 0, sizeof(pArgs[i]));
        const char *pWord = words[i].GetStr();
        std::memcpy(pArgs[i], pWord, strnlen(pWord, sizeof(pArgs[i])));
    }
}

void Sdbg_Application::Display(uint32_t screenIndex) {
    io.NewFrame();
    SetTitleText(worker.GetScreen(screenIndex)->GetTitle().c_str());
    // A rate beyond 49 days of milliseconds is held there, not wrapped.
    const uint64_t refreshMs = std::min<uint64_t>(uint64_t{refreshSeconds} * 1000u, UINT32_MAX);
    worker.StartDisplay(view, screenIndex, static_cast<uint32_t>(refreshMs));
    RunDisplayKeys();
    io.NewFrame();
    io.GotoXY(0, 0);
    io.SetAttr(Sdbg_Attr{});
    view.Clear();
    ShowScreens();
}

void Sdbg_Application::RunDisplayKeys() {
    for (;;) {
        char key = 0;
        if (!io.GetKey(key)) {
            continue;
        }
        if (key == ' ' || key == 'q') {
            worker.StopDisplay();
            return;
        }
        if (key == '+' || key == 'j') {
            worker.PageDown();
        } else if (key == '-' || key == 'k') {
            worker.PageUp();
        } else {
            const auto shortcut = Sdbg_ObjTypeRegistry::ShortcutTable.find(key);
            if (shortcut != Sdbg_ObjTypeRegistry::ShortcutTable.end()) {
                worker.StopDisplay();
                std::memset(line, 0, sizeof(line));
                std::memcpy(line, shortcut->second.c_str(),
                            std::min<size_t>(shortcut->second.size(), kLineSize - 1));
                pendingCommand = 1;
                return;
            }
        }
    }
}

void Sdbg_Application::ShowObject(const uint32_t *pTypeIds, const uint32_t *pObjIds,
                                  uint32_t count) {
    const uint32_t index = worker.AddScreen("", "", "all");
    try {
        worker.AddGroup(index, pTypeIds, count, pObjIds);
        Display(index);
    } catch (const Sdbg_Exception &) {
        worker.DeleteLastScreen();
        throw;
    }
    worker.DeleteLastScreen();
}

int Sdbg_ReportRuntimeStart(MOS_RC rc) {
    if (rc == MOS_RC__SUCCESS) {
        return 0;
    }
    std::printf("Error %s (%d) starting up MOS\n", mos_RcName(rc), static_cast<int>(rc));
    std::fflush(stdout);
    return 1;
}
