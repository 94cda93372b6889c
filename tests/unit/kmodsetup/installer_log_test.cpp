#include "installer_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>

namespace {

class InstallerLogTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (installerLog_Stream() != stdout) {
            std::fclose(installerLog_Stream());
        }
        installerLog_SetStream(nullptr);
        std::remove(path_.c_str());
    }

    std::string readLog() {
        std::fflush(installerLog_Stream());
        std::ifstream file(path_, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Unique per run: other test processes may share the temporary directory.
    std::string path_ = ::testing::TempDir() + "kmodsetup_log_test_" +
                        std::to_string(std::random_device{}()) + ".txt";
};

TEST_F(InstallerLogTest, OpensForAppendingWithTheTimeHeader) {
    {
        std::ofstream earlier(path_, std::ios::binary);
        earlier << "earlier run\n";
    }
    installerLog_Open(path_.c_str());
    installerLog_Write("Called to %s with inf %s\n", "install", "a.inf");
    // Text mode on Windows writes each newline as CR LF.
    const std::regex expected(
        "earlier run\\r?\\n"
        "-{28}\\r?\\n"
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\\r?\\n"
        "-{28}\\r?\\n"
        "Called to install with inf a\\.inf\\r?\\n");
    const std::string text = readLog();
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST_F(InstallerLogTest, FileThatCannotOpenLeavesStandardOutput) {
    const std::string badPath = ::testing::TempDir() + "no-such-dir/sub/log.txt";
    ::testing::internal::CaptureStdout();
    installerLog_Open(badPath.c_str());
    installerLog_Write("after\n");
    std::fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(installerLog_Stream(), stdout);
    EXPECT_EQ(out, "Failed to create log file " + badPath + ". Using stdout\nafter\n");
}

} // namespace
