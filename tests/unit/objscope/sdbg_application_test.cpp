#include "objscope_test_support.h"
#include "sdbg_application.h"
#include "sdbg_line_parser.h"
#include "sdbg_obj_type_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using objscopetest::RecordingOutput;

// An application on stream devices: typed lines from `typed`, output
// gathered in `printed`.
struct StreamApp {
    explicit StreamApp(const std::string &input = "") : typed(input) {
        Sdbg_ObjTypeRegistry::Init();
        app = std::make_unique<Sdbg_Application>(std::make_unique<SDbg_FileInput>(typed),
                                                 std::make_unique<SDbg_FileOutput>(printed));
    }
    // Dispatches one line; returns what it printed.
    std::string Run(const char *pLine) {
        printed.str("");
        std::memset(app->line, 0, sizeof(app->line));
        std::strncpy(app->line, pLine, sizeof(app->line) - 1);
        app->Dispatch();
        return printed.str();
    }

    std::istringstream typed;
    std::ostringstream printed;
    std::unique_ptr<Sdbg_Application> app;
};

struct DispatchCase {
    const char *pLine;
    const char *pPrinted;
    uint32_t errors; // added to the error count
};

// Named by the line, so the test's name stays the same from build to build.
void PrintTo(const DispatchCase &c, std::ostream *pOut) {
    *pOut << '"' << c.pLine << '"';
}

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

// An application drawing on a recording device of the given size.
struct RecordingApp {
    RecordingApp(uint32_t width, uint32_t height) {
        Sdbg_ObjTypeRegistry::Init();
        auto pOwnedDevice = std::make_unique<RecordingOutput>(width, height);
        pDevice = pOwnedDevice.get();
        app = std::make_unique<Sdbg_Application>(std::make_unique<SDbg_FileInput>(none),
                                                 std::move(pOwnedDevice));
    }
    std::istringstream none;
    RecordingOutput *pDevice = nullptr;
    std::unique_ptr<Sdbg_Application> app;
};

TEST_P(DispatchTest, PrintsAndCounts) {
    const DispatchCase &c = GetParam();
    StreamApp stream;
    EXPECT_EQ(stream.Run(c.pLine), c.pPrinted) << c.pLine;
    EXPECT_EQ(stream.app->errorCount, c.errors) << c.pLine;
    EXPECT_EQ(stream.app->pParser, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Unlinked, DispatchTest,
    ::testing::Values(
        DispatchCase{"", "", 0}, DispatchCase{" \t  ", "", 0}, DispatchCase{"exit", "", 0},
        DispatchCase{"foo", "Unrecognized command\n", 1},
        DispatchCase{"C mdm", "Unrecognized command\n", 1},
        DispatchCase{"c foo", "Invalid module type\n", 1},
        DispatchCase{"connect", "Not enough parameters\n", 1},
        DispatchCase{"c mdm 10.0.0.1 port", "Error parsing parameter 3\n", 1},
        DispatchCase{"c mdm", "Link to server failed\n", 1},
        DispatchCase{"disconnect", "Client is not linked\n", 1},
        DispatchCase{"setrefreshrate", "Not enough parameters\n", 1},
        DispatchCase{"setrefreshrate abc", "Error parsing parameter 1\n", 1},
        DispatchCase{"setrefreshrate 0", "refreshrate cannot be zero\n", 1},
        DispatchCase{"setrefreshrate 0x10", "refreshrate cannot be zero\n", 1},
        DispatchCase{"setrefreshrate 5", "refresh rate was changed to 5 seconds\n", 0},
        DispatchCase{"setrefreshrate -1", "refresh rate was changed to 4294967295 seconds\n", 0},
        DispatchCase{"setrefreshrate 1", "refresh rate was changed to 1 seconds\n", 0},
        DispatchCase{"setrefreshrate 4294967297", "refresh rate was changed to 1 seconds\n", 0},
        DispatchCase{"setrefreshrate 4294967296", "refreshrate cannot be zero\n", 1},
        DispatchCase{"getrefreshrate", "Current refresh rate is 1 seconds\n", 0},
        DispatchCase{"getrefreshrate and more", "Current refresh rate is 1 seconds\n", 0},
        DispatchCase{"slh 0", "Height cannot be zero\n", 0},
        DispatchCase{"slh 100000", "Height too big\n", 0},
        DispatchCase{"slh 99999", "New height is set to 99999\n", 0},
        DispatchCase{"slh 1", "New height is set to 1\n", 0},
        DispatchCase{"slh 4294967296", "Height cannot be zero\n", 0},
        DispatchCase{"slh 4294967297", "New height is set to 1\n", 0},
        DispatchCase{"setlogicalheight 50", "New height is set to 50\n", 0},
        DispatchCase{"slh", "Not enough parameters\n", 1},
        DispatchCase{"getlogicalheight", "Current logical View height 99999\n", 0},
        DispatchCase{"showobj 12", "Not enough parameters\n", 1},
        DispatchCase{"showobj x vol", "Error parsing parameter 1\n", 1},
        DispatchCase{"showobj 3 foo", "Invalid obj type\n", 1},
        DispatchCase{"showobj 3 Vol", "Invalid obj type\n", 1},
        DispatchCase{"showobj 3 MOS Diagnostics Counters", "Invalid obj type\n", 1},
        DispatchCase{"showobj 3 vol", "\nClient isn't linked to server\n", 1},
        DispatchCase{"dumpobj 5", "Not enough parameters\n", 1},
        DispatchCase{"dumpobj 3 foo", "Invalid obj type\n", 1},
        DispatchCase{"dumpobj 3 vol", "Client isn't linked to server\n", 1},
        DispatchCase{"configobj 1 vol", "Client isn't linked to server\n", 1},
        DispatchCase{"configobj 1 vol a b c d e f g h i", "Client isn't linked to server\n", 1},
        DispatchCase{"configobj 1 vol a b c d e f g h i j", "Client isn't linked to server\n", 1},
        DispatchCase{"configobj 1 vol a b c d e f g h i j   ", "Client isn't linked to server\n",
                     1},
        DispatchCase{"configobj 1 vol a b c d e f g h i j k", "Invalid number of parameters.\n", 1},
        DispatchCase{"dumpscreen", "Not enough parameters\n", 1},
        DispatchCase{"dumpscreen mos xml", "Client isn't linked to server\n", 1},
        DispatchCase{"dumpscreen 52", "Client isn't linked to server\n", 1},
        DispatchCase{"dumpscreen 0", "Cannot find screen\n", 1},
        DispatchCase{"dumpscreen 53", "Cannot find screen\n", 1},
        DispatchCase{"dumpscreen nosuch", "Cannot find screen\n", 1},
        DispatchCase{"dumpallscreens", "Client isn't linked to server\n", 1},
        DispatchCase{"dumpallscreens xml", "Client isn't linked to server\n", 1},
        DispatchCase{"d", "Not enough parameters\n", 1},
        DispatchCase{"d 1", "\nClient isn't linked to server\n", 1},
        DispatchCase{"display nv", "\nClient isn't linked to server\n", 1},
        DispatchCase{"d 99", "\nCannot find screen\n", 1},
        DispatchCase{"d nosuch", "Cannot find screen\n", 1},
        DispatchCase{"helpcmd", "Not enough parameters\n", 1},
        DispatchCase{"helpcmd nope", "Unknown command parameter\n", 1},
        DispatchCase{"helpcmd d",
                     "Cmd: d\nDescription: View a selected obj screen\nSyntax: d <Screen number>\n",
                     0},
        DispatchCase{"helpcmd c",
                     "Cmd: c\nDescription: Link to a remote server\nSyntax: c <Module ID> "
                     "<Destination> <port> \n",
                     0},
        DispatchCase{"helpcmd configobj",
                     "Cmd: configobj\nDescription: Configure an object.\nSyntax: configobj "
                     "<objID> <Object type> <parameter0> .. <parameter6>\n",
                     0},
        DispatchCase{"Servers", "ini\nmdm\ntgt\nvoter\n", 0},
        DispatchCase{"shortcuts",
                     "ShortCut: 1 Command: d 1\nShortCut: 2 Command: d 2\nShortCut: 3 Command: d "
                     "3\nShortCut: 4 Command: d 4\nShortCut: 5 Command: d 5\nShortCut: 6 Command: "
                     "d 6\nShortCut: 7 Command: d 7\nShortCut: 8 Command: d 8\nShortCut: 9 "
                     "Command: d 9\n",
                     0},
        DispatchCase{"help",
                     "Servers\nc\nconfigobj\nconnect\nd\ndisconnect\ndisplay\ndumpallscreens\n"
                     "dumpobj\ndumpscreen\nexit\ngetlogicalheight\ngetrefreshrate\nhelp\nhelpcmd\n"
                     "objtypes\nscreens\nsetlogicalheight\nsetrefreshrate\nshortcuts\nshowobj\n"
                     "slh\n",
                     0}));

TEST(CommandStateTest, SettingsHoldAcrossCommandsAndFailures) {
    StreamApp stream;
    stream.Run("setrefreshrate 5");
    stream.Run("setrefreshrate 0");
    EXPECT_EQ(stream.Run("getrefreshrate"), "Current refresh rate is 5 seconds\n");
    stream.Run("slh 40");
    stream.Run("slh 0");
    EXPECT_EQ(stream.Run("getlogicalheight"), "Current logical View height 40\n");
    EXPECT_EQ(stream.app->errorCount, 1u);
    stream.Run("exit");
    EXPECT_EQ(stream.app->quit, 1u);
}

// configobj's words go into 64-byte fields: a shorter word is NUL-padded,
// a word of 64 characters or more fills its field with no terminator.
TEST(CommandStateTest, ObjectCommandWordsFillTheirFields) {
    struct Case {
        size_t length;
        size_t kept;
    };
    for (const Case &c : {Case{1, 1}, Case{63, 63}, Case{64, 64}, Case{65, 64}, Case{100, 64}}) {
        StreamApp stream;
        Sdbg_Application &app = *stream.app;
        const std::string word(c.length, 'w');
        const std::string line = "configobj 7 vol " + word + " second";
        std::strcpy(app.line, line.c_str());
        app.pParser = std::make_unique<Sdbg_LineParser>(app.line);
        std::string command;
        app.pParser->NextWord(command);
        char args[10][64];
        std::memset(args, 'z', sizeof(args));
        uint32_t objId = 0;
        uint32_t typeId = 0;
        app.ParseObjRefAndArgs(objId, typeId, args, 10);
        EXPECT_EQ(objId, 7u);
        EXPECT_EQ(std::string(args[0], 64), word.substr(0, c.kept) + std::string(64 - c.kept, '\0'))
            << c.length;
        EXPECT_EQ(std::string(args[1], 64), "second" + std::string(58, '\0')) << c.length;
        EXPECT_EQ(std::string(args[9], 64), std::string(64, '\0')) << c.length;
    }
}

// The logical height may reach the output device's height, not pass it;
// a refused height leaves the one set before.
TEST(CommandStateTest, LogicalHeightUpToTheDevicesHeight) {
    struct Case {
        const char *pLine;
        const char *pPrinted;
        uint32_t heightAfter;
    };
    RecordingApp recording(120, 40);
    Sdbg_Application &app = *recording.app;
    for (const Case &c :
         {Case{"slh 39", "New height is set to 39", 39},
          Case{"slh 40", "New height is set to 40", 40}, Case{"slh 41", "Height too big", 40},
          Case{"slh 0", "Height cannot be zero", 40}, Case{"slh 1", "New height is set to 1", 1},
          Case{"slh 4294967296", "Height cannot be zero", 1}}) {
        recording.pDevice->calls.clear();
        std::strcpy(app.line, c.pLine);
        app.Dispatch();
        const std::vector<std::string> &calls = recording.pDevice->calls;
        EXPECT_NE(std::find(calls.begin(), calls.end(), std::string("W(") + c.pPrinted + ")<0,0>"),
                  calls.end())
            << c.pLine;
        EXPECT_EQ(app.view.GetPageHeight(), c.heightAfter) << c.pLine;
    }
    EXPECT_EQ(app.errorCount, 0u);
}

TEST(CommandStateTest, ObjectTypesInByteOrder) {
    StreamApp stream;
    const std::string printed = stream.Run("objtypes");
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 174);
    EXPECT_EQ(printed.rfind("AFS NULL devices\nAFS singleton\nAction Functions\n", 0), 0u);
    EXPECT_EQ(printed.substr(printed.size() - std::strlen("vol_mgr\nvtree\n")), "vol_mgr\nvtree\n");
}

TEST(CommandStateTest, AShowobjOnAnUnlinkedViewerLeavesNoScreenBehind) {
    StreamApp stream;
    const uint32_t before = stream.app->worker.ScreenCount();
    stream.Run("showobj 3 vol");
    EXPECT_EQ(stream.app->worker.ScreenCount(), before);
}

TEST(RunTest, TheEndOfTheInputActsAsExit) {
    StreamApp stream("getrefreshrate\nfoo");
    EXPECT_EQ(stream.app->Run(1, nullptr), 1);
    const std::string printed = stream.printed.str();
    const std::string tail = "exit <==> leave sdbg\n>Current refresh rate is 1 seconds\n"
                             ">Unrecognized command\n>";
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail);
}

TEST(RunTest, TheExitCodeStopsAt255) {
    std::string lines;
    for (int i = 0; i < 300; ++i) {
        lines += "nosuchcommand\n";
    }
    StreamApp stream(lines);
    EXPECT_EQ(stream.app->Run(1, nullptr), 255);
    EXPECT_EQ(stream.app->errorCount, 300u);
}

// A command file of its own for each run: test processes of other builds
// may run beside this one.
std::string CommandFilePath(const char *pStem) {
    return ::testing::TempDir() + pStem + "_" + std::to_string(std::random_device{}()) + ".cmds";
}

// "getrefreshrate" padded with blanks to `length` characters.
std::string PaddedCommand(size_t length) {
    std::string text = "getrefreshrate";
    text.resize(length, ' ');
    return text;
}

// A line of `length` characters, then an unknown word: a line that fits
// runs; a longer one is reported, counted and skipped, and the lines after
// it still run, typed or read from a command file alike. `pEnd` ends the
// last line (a command file's last line may have none).
struct LineLengthCase {
    size_t length;
    const char *pEnd;
    bool bFits;
};

void PrintTo(const LineLengthCase &c, std::ostream *pOut) {
    *pOut << c.length << " characters" << (*c.pEnd == '\0' ? ", no final line end" : "");
}

class LineLengthTest : public ::testing::TestWithParam<LineLengthCase> {
  protected:
    std::string Lines() const {
        const LineLengthCase &c = GetParam();
        return PaddedCommand(c.length) + "\nfoo" + c.pEnd;
    }
    // What the long line printed, then the unknown word's answer.
    std::string Answers() const {
        return (GetParam().bFits ? "Current refresh rate is 1 seconds\n" : "Line too long\n");
    }
    uint32_t Errors() const { return GetParam().bFits ? 1u : 2u; }
};

TEST_P(LineLengthTest, TypedLines) {
    StreamApp stream(Lines());
    EXPECT_EQ(stream.app->Run(1, nullptr), static_cast<int>(Errors()));
    const std::string printed = stream.printed.str();
    const std::string tail = "exit <==> leave sdbg\n>" + Answers() + ">Unrecognized command\n>";
    ASSERT_GE(printed.size(), tail.size());
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail);
}

TEST_P(LineLengthTest, CommandFileLines) {
    const std::string path = CommandFilePath("objscope_line_length");
    {
        std::ofstream file(path, std::ios::binary);
        file << Lines();
    }
    StreamApp stream;
    stream.app->RunCommandFile(path.c_str());
    std::remove(path.c_str());
    const char *pSeparator = "\n\n-----------------------------\n";
    const std::string echo = GetParam().bFits ? ">" + PaddedCommand(GetParam().length) + "\n" : ">";
    EXPECT_EQ(stream.printed.str(),
              echo + Answers() + pSeparator + ">foo\nUnrecognized command\n" + pSeparator);
    EXPECT_EQ(stream.app->errorCount, Errors());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LineLengthTest,
    ::testing::Values(LineLengthCase{254, "\n", true}, LineLengthCase{255, "\n", true},
                      LineLengthCase{256, "\n", false}, LineLengthCase{100000, "\n", false},
                      LineLengthCase{255, "", true}, LineLengthCase{100000, "", false}));

// A line that fills the buffer exactly fits with either line end; one
// character more does not, whatever ends it.
TEST(CommandFileTest, AFullLineFitsWithAWindowsLineEnd) {
    struct Case {
        size_t length;
        const char *pEnd;
        bool bFits;
    };
    const std::string path = CommandFilePath("objscope_full_line");
    for (const Case &c : {Case{255, "\r\n", true}, Case{254, "\r\n", true},
                          Case{256, "\r\n", false}, Case{255, "\rx\n", false}}) {
        {
            std::ofstream file(path, std::ios::binary);
            file << PaddedCommand(c.length) << c.pEnd << "exit\n";
        }
        StreamApp stream;
        stream.app->RunCommandFile(path.c_str());
        const std::string printed = stream.printed.str();
        EXPECT_EQ(printed.find("Current refresh rate is 1 seconds") != std::string::npos, c.bFits)
            << c.length << " " << std::strlen(c.pEnd);
        EXPECT_EQ(stream.app->errorCount, c.bFits ? 0u : 1u) << c.length;
        EXPECT_EQ(stream.app->quit, 1u) << c.length;
    }
    std::remove(path.c_str());
}

TEST(CommandFileTest, TheLastLineRunsWithoutALineEnd) {
    const std::string path = CommandFilePath("objscope_last_line");
    for (const char *pEnd : {"", "\n", "\r\n"}) {
        {
            std::ofstream file(path, std::ios::binary);
            file << "getrefreshrate\nexit" << pEnd;
        }
        StreamApp stream;
        stream.app->RunCommandFile(path.c_str());
        EXPECT_EQ(stream.app->quit, 1u) << "line end " << std::strlen(pEnd);
        EXPECT_NE(stream.printed.str().find(">exit\n\n\n-----"), std::string::npos);
    }
    std::remove(path.c_str());
}

// Input lines handed out one at a time, each read noting what the output
// had written by then.
class NotingInput : public Sdbg_InputDev {
  public:
    NotingInput(std::vector<std::string> typed, const std::string &written)
        : lines(std::move(typed)), out(written) {}
    bool ReadLine(char *pBuf, uint32_t bufSize) override {
        seenAtRead.push_back(out);
        pBuf[0] = '\0';
        if (next < lines.size()) {
            std::strncpy(pBuf, lines[next++].c_str(), bufSize - 1);
            pBuf[bufSize - 1] = '\0';
        } else {
            bAtEnd = true;
        }
        return true;
    }
    bool GetKey(char &key) override {
        key = ' ';
        return true;
    }
    bool PollKey(char &) override { return false; }
    bool IsAtEnd() override { return bAtEnd; }

    std::vector<std::string> lines;
    const std::string &out;
    std::vector<std::string> seenAtRead;
    size_t next = 0;
    bool bAtEnd = false;
};

// A block-buffered stream output holds text back, but never past a prompt:
// each read finds everything up to its prompt written, and leaving (at
// the end of the input or by exit in the command file) writes the rest.
TEST(RunTest, BufferedOutputIsOutAtEachPromptAndAtTheEnd) {
    Sdbg_ObjTypeRegistry::Init();
    std::string written;
    Sdbg_BlockStreamBuf buffer([&written](const char *pData, size_t size) {
        written.append(pData, size);
        return true;
    });
    std::ostream stream(&buffer);
    struct Case {
        bool bCommandFile;
        const char *pTail; // the end of everything written when Run returns
    };
    const Case cases[] = {{false, ">Current refresh rate is 1 seconds\n>Unrecognized command\n>"},
                          {true, ">exit\n\n\n-----------------------------\n"}};
    for (const Case &c : cases) {
        written.clear();
        auto pOwnedInput = std::make_unique<NotingInput>(
            std::vector<std::string>{"getrefreshrate", "foo"}, written);
        NotingInput *pInput = pOwnedInput.get();
        Sdbg_Application app(std::move(pOwnedInput), std::make_unique<SDbg_FileOutput>(stream));
        const std::string path = ::testing::TempDir() + "objscope_flush_test.cmds";
        std::FILE *pFile = std::fopen(path.c_str(), "w");
        ASSERT_NE(pFile, nullptr);
        std::fputs("getrefreshrate\nexit\n", pFile);
        std::fclose(pFile);
        char program[] = "objscope";
        char *argv[] = {program, const_cast<char *>(path.c_str())};
        (void)app.Run(c.bCommandFile ? 2 : 1, argv);
        ASSERT_GE(written.size(), std::strlen(c.pTail)) << c.bCommandFile;
        EXPECT_EQ(written.substr(written.size() - std::strlen(c.pTail)), c.pTail);
        for (const std::string &seen : pInput->seenAtRead) {
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(seen.back(), '>') << seen.substr(seen.size() > 80 ? seen.size() - 80 : 0);
        }
        EXPECT_EQ(pInput->seenAtRead.size(), c.bCommandFile ? 0u : 3u);
        std::remove(path.c_str());
    }
}

// The screen list on a 200 x 40 console: 28 rows in the first column, the
// rest from row 0 at column 100, the help block from row 28.
TEST(ScreenListTest, SecondColumnOnA40RowWindow) {
    RecordingApp recording(200, 40);
    RecordingOutput &device = *recording.pDevice;
    device.calls.clear();
    recording.app->ShowScreens();
    const std::vector<std::string> &calls = device.calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "N");
    EXPECT_EQ(calls[1], "G(0,0)");
    EXPECT_EQ(calls[2], "W(  1: Mos objects  (mos))<0,0>");
    EXPECT_EQ(calls[3], "W(\n)<0,0>");
    const auto at = [&](const std::string &call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto s28 = at("W( 28: TGT Storage Pools  (tgt-sp))<0,0>");
    EXPECT_EQ(calls[s28 + 2], "G(100,0)");
    EXPECT_EQ(calls[s28 + 3], "W( 29: TGT Initiators  (tgt-ini))<0,0>");
    EXPECT_EQ(calls[at("W( 52: MDM VTree Migration Controller  (mdm-vtree-mig))<0,0>") - 1],
              "G(100,23)");
    EXPECT_EQ(calls[at("W( 10: Execution Statistics (Deprecated)  ())<0,0>") - 1], "W(\n)<0,0>");
    const auto help = at("W(Basic commands:)<0,0>");
    EXPECT_EQ(calls[help - 1], "G(0,28)");
    EXPECT_EQ(calls.back(), "W(\n)<0,0>");
    EXPECT_EQ(calls[calls.size() - 2], "W(exit <==> leave sdbg)<0,0>");
}

// The first column takes height - 12 rows: a window of 64 rows holds all 52
// screens in it, one of 63 puts the 52nd at the top of the second column.
// A window no higher than the help block keeps a single column.
TEST(ScreenListTest, TheSecondColumnBeginsOnePastAFullFirstColumn) {
    struct Case {
        uint32_t height;
        uint32_t firstColumn; // screens in the first column
    };
    for (const Case &c : {Case{64, 52}, Case{63, 51}, Case{40, 28}, Case{13, 1}, Case{12, 52}}) {
        RecordingApp recording(200, c.height);
        const std::vector<std::string> &calls = recording.pDevice->calls;
        recording.pDevice->calls.clear();
        recording.app->ShowScreens();
        std::vector<size_t> moves; // calls that start a second-column line
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].rfind("G(100,", 0) == 0) {
                moves.push_back(i);
            }
        }
        ASSERT_EQ(moves.size(), 52u - c.firstColumn) << c.height;
        if (!moves.empty()) {
            EXPECT_EQ(calls[moves[0]], "G(100,0)") << c.height;
            char first[16];
            std::snprintf(first, sizeof(first), "W(%3u: ", c.firstColumn + 1);
            EXPECT_EQ(calls[moves[0] + 1].rfind(first, 0), 0u) << c.height;
            EXPECT_EQ(calls[moves.back()], "G(100," + std::to_string(51 - c.firstColumn) + ")");
        }
        const auto help = std::find(calls.begin(), calls.end(), "W(Basic commands:)<0,0>");
        ASSERT_NE(help, calls.end());
        EXPECT_EQ(*(help - 1),
                  c.height > 12 ? "G(0," + std::to_string(c.height - 12) + ")" : "W(\n)<0,0>")
            << c.height;
    }
}

TEST(TitleTest, NotLinkedAndTheVersionAfterEveryRecognisedCommand) {
    RecordingApp recording(120, 30);
    RecordingOutput &device = *recording.pDevice;
    Sdbg_Application &app = *recording.app;
    const std::string versionTitle =
        "T(Not linked (private Tarnvox R3_0.1000.208_Release Sep 12 2019))";
    EXPECT_EQ(device.calls.back(), versionTitle);
    device.calls.clear();
    std::strcpy(app.line, "nosuch");
    app.Dispatch();
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), versionTitle), 0);
    std::strcpy(app.line, "dumpscreen nv");
    app.Dispatch();
    EXPECT_EQ(
        std::count(device.calls.begin(), device.calls.end(), "T(Not linked (NV data-structs))"), 1);
    EXPECT_EQ(device.calls.back(), versionTitle);
}

} // namespace

namespace {

TEST(RuntimeStartTest, AFailureIsReportedWithTheCodesNameAndNumber) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Sdbg_ReportRuntimeStart(MOS_RC__NO_RESOURCES), 1);
    EXPECT_EQ(Sdbg_ReportRuntimeStart(MOS_RC__SUCCESS), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error NO_RESOURCES (67) starting up MOS\n");
}

} // namespace
