// The viewer's one application object: devices, page buffer, worker with
// its screens, the command table and the state of the command loop.
//
// Every prompt, echo, message and command result goes through io. The
// process's exit code is the number of commands that failed or were not
// recognised (capped at 255, the largest code every platform keeps).
#pragma once

#include "sdbg_device.h"
#include "sdbg_logical_view.h"
#include "sdbg_worker.h"

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "mos_rc.h"

class Sdbg_Application;
class Sdbg_LineParser;

struct Sdbg_Command {
    void (*handler)(Sdbg_Application &app);
    std::string description;
    std::string syntax;
};

inline constexpr const char *SDBG_VERSION_TEXT =
    "private Tarnvox R3_0.1000.208_Release Sep 12 2019";

class Sdbg_Application {
  public:
    static constexpr uint32_t kLineSize = 256;

    // The standard devices: a console device for each standard handle that
    // is the console, a stream device otherwise. Throws Sdbg_Exception when
    // a console device cannot be set up.
    Sdbg_Application();
    // Given devices (owned from now on); used by tests and harnesses.
    Sdbg_Application(std::unique_ptr<Sdbg_InputDev> pInput,
                     std::unique_ptr<Sdbg_OutputDev> pOutput);
    ~Sdbg_Application();
    Sdbg_Application(const Sdbg_Application &) = delete;
    Sdbg_Application &operator=(const Sdbg_Application &) = delete;

    // Runs the command file, shows the screen list and runs the prompt loop
    // until exit or the end of the input. Returns the exit code. Expects
    // the runtime library, the OS layer and the name tables to be up.
    int Run(int argc, char **argv);

    // Each line echoed after ">" and dispatched, then two empty lines and a
    // line of 29 dashes. A file that cannot be opened is reported and
    // otherwise ignored. A line of 256 or more characters is not run: it
    // counts as a failed command and the file goes on with the next line.
    void RunCommandFile(const char *pPath);
    // Runs the line held in `line`.
    void Dispatch();
    // The screen list and the help block.
    void ShowScreens();
    void SetTitleText(const char *pText);
    void PrintStream(const std::ostringstream &stream);

    // Parses "<object id> <type name>" from the current line.
    void ParseObjRef(uint32_t &objId, uint32_t &typeId);
    // As ParseObjRef, then up to argCount further words into pArgs (64-byte
    // fields, NUL-padded, absent ones empty; a word of 64 characters or more
    // fills its field with no NUL); a word beyond them is an error.
    void ParseObjRefAndArgs(uint32_t &objId, uint32_t &typeId, char (*pArgs)[64],
                            uint32_t argCount);
    // Shows one screen until its leaving key.
    void Display(uint32_t screenIndex);
    // Shows chosen objects on a temporary screen.
    void ShowObject(const uint32_t *pTypeIds, const uint32_t *pObjIds, uint32_t count);

    uint32_t ExitCode() const;

    std::unique_ptr<Sdbg_InputDev> pInput;
    std::unique_ptr<Sdbg_OutputDev> pOutput;
    Sdbg_IO io;
    Sdbg_LogicalView view;
    SDbg_Worker worker;
    std::map<std::string, Sdbg_Command> commands;
    char line[kLineSize] = {};
    std::unique_ptr<Sdbg_LineParser> pParser;
    uint32_t refreshSeconds = 1;
    uint32_t errorCount = 0;
    uint32_t pendingCommand = 0;
    uint32_t quit = 0;

  private:
    void Construct();
    void RegisterCommands();
    void BuildScreens();
    void PrintScreenList(uint32_t width, uint32_t height);
    // A line too long for `line`, typed or read from the command file: it
    // is not run, and it counts as a failed command.
    void ReportLineTooLong();
    // The display's key loop: paging, shortcut keys, leaving.
    void RunDisplayKeys();
};

// The outcome of the runtime library's start: 0 on success; otherwise
// "Error %s (%d) starting up MOS\n" (the code's name and number) goes
// straight to standard output and the result is 1, the exit code.
int Sdbg_ReportRuntimeStart(MOS_RC rc);
