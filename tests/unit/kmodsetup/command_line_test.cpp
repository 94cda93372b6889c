#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct WordsCase {
    std::vector<const char *> words; // after the program name
    bool bValid;
    DriverKind driver;
    const char *logPath;
    bool bForceReboot;
};

bool parse(const std::vector<const char *> &words, InstallerRequest *pRequest) {
    std::vector<const char *> argv = {"kmodsetup"};
    argv.insert(argv.end(), words.begin(), words.end());
    return parseInstallerWords(static_cast<int>(argv.size()), argv.data(), pRequest);
}

TEST(ParseInstallerWords, AcceptsTheFourFormsAndRefusesTheRest) {
    const DriverKind C = DriverKind::Client;
    const DriverKind R = DriverKind::ReadCache;
    const WordsCase cases[] = {
        {{"install", "qorni", "a.inf"}, true, C, nullptr, false},
        {{"install", "anything", "a.inf"}, true, C, nullptr, false},
        {{"update", "qorni", "a.inf", "log.txt"}, true, C, "log.txt", false},
        {{"install", "frelok", "a.inf"}, true, R, nullptr, false},
        {{"install", "Frelok", "a.inf"}, true, C, nullptr, false}, // case-sensitive
        {{"install", "frelok", "a.inf", "forceReboot", "1"}, true, R, nullptr, true},
        {{"install", "frelok", "a.inf", "forceReboot", "true"}, true, R, nullptr, false},
        {{"install", "frelok", "a.inf", "forceReboot", "01"}, true, R, nullptr, false},
        {{"update", "frelok", "a.inf", "l.txt", "forceReboot", "1"}, true, R, "l.txt", true},
        {{"update", "frelok", "a.inf", "l.txt", "forceReboot", "0"}, true, R, "l.txt", false},
        {{"bogus", "qorni", "a.inf"}, true, C, nullptr, false}, // the word is checked later
        {{"install", "qorni", "a.inf", "forceReboot", "1"}, false, C, nullptr, false},
        {{"install", "frelok", "a.inf", "forcereboot", "1"}, false, R, nullptr, false},
        {{"update", "qorni", "a.inf", "l.txt", "forceReboot", "1"}, false, C, nullptr, false},
        {{"update", "frelok", "a.inf", "l.txt", "reboot", "1"}, false, R, nullptr, false},
        {{}, false, C, nullptr, false},
        {{"install"}, false, C, nullptr, false},
        {{"install", "qorni"}, false, C, nullptr, false},
        {{"a", "frelok", "c", "d", "forceReboot", "1", "g"}, false, R, nullptr, false},
        // Seven and eight words whose last two are the reboot pair.
        {{"install", "frelok", "a.inf", "l.txt", "x", "forceReboot", "1"},
         false,
         R,
         nullptr,
         false},
        {{"update", "frelok", "a.inf", "l", "x", "y", "forceReboot", "1"},
         false,
         R,
         nullptr,
         false},
    };
    for (const WordsCase &c : cases) {
        InstallerRequest request{};
        const bool bValid = parse(c.words, &request);
        ASSERT_EQ(bValid, c.bValid) << c.words.size() << " words";
        if (!bValid) {
            continue;
        }
        EXPECT_STREQ(request.command, c.words[0]);
        EXPECT_STREQ(request.infPath, c.words[2]);
        EXPECT_EQ(request.driver, c.driver);
        EXPECT_EQ(request.bForceReboot, c.bForceReboot);
        if (c.logPath == nullptr) {
            EXPECT_EQ(request.logPath, nullptr);
        } else {
            EXPECT_STREQ(request.logPath, c.logPath);
        }
    }
}

} // namespace
