// A temporary log directory with the cyclic-file layer up, for tests of
// the trace, cyclic files and the debug layer.
#pragma once

#include "core_layers.h"
#include "mos_cyclic_file.h"
#include "mos_init_params.h"
#include "mos_trace.h"
#include "os_env.h"
#include "os_proc.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mostest {

class LogDirFixture : public testing::Test {
  protected:
    void SetUp() override {
        // The dump thread runs beside every test here: a death test's child
        // starts afresh instead of forking a process with a lock held.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        const auto *pInfo = testing::UnitTest::GetInstance()->current_test_info();
        // Named by the test and the process that runs it, so that runs in
        // other build trees do not meet here; a death test's child (which
        // runs SetUp again on Windows) takes its parent's name from the
        // environment and writes where its parent reads.
        std::string tag;
        if (GTEST_FLAG_GET(internal_run_death_test).empty()) {
            tag = std::to_string(osProc_GetCurrentProcessId());
            osEnv_Set("MOSTEST_LOG_DIR_TAG", tag.c_str());
        } else {
            const char *pTag = getenv("MOSTEST_LOG_DIR_TAG");
            tag = pTag != nullptr ? pTag : "child";
        }
        m_dir = std::filesystem::temp_directory_path() /
                ("mos_" + std::string(pInfo->test_suite_name()) + "_" + pInfo->name() + "_" + tag);
        std::error_code ec;
        if (GTEST_FLAG_GET(internal_run_death_test).empty()) {
            std::filesystem::remove_all(m_dir, ec); // not in a death test's child
        }
        std::filesystem::create_directories(m_dir, ec);
        m_dirText = m_dir.string();
        mosTraceConf_ResetDefaults();
        EnsureCoreLayers(); // the dump thread is a runtime thread
        const uint32_t threadsBefore = mosOsThrd_GetNumThreads();
        ASSERT_EQ(mosCyclicFileLayer_Create(nullptr), MOS_RC__SUCCESS);
        // The dump thread traces its start; let that pass before a test
        // captures standard output.
        for (int waitedMs = 0; mosOsThrd_GetNumThreads() == threadsBefore && waitedMs < 5000;
             waitedMs++) {
            osThread_SleepMs(1);
        }
    }
    void TearDown() override {
        mosTrcLayer_Destroy();
        mosCyclicFileLayer_Destroy();
        mosTraceConf_ResetDefaults();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    MosCyclicFileParams FileParams(const char *pPrefix, bool bAsync) const {
        MosCyclicFileParams p{};
        p.bEnabled = 1;
        p.bAsync = bAsync ? 1 : 0;
        p.dirPath = m_dirText.c_str();
        p.prefix = pPrefix;
        p.history = 3;
        p.maxFileSize = 1 << 20;
        p.dumpThreadSleepMs = 100;
        p.asyncBufSize = 64 * 1024;
        return p;
    }
    MosTrcParams TextTraceParams(bool bAsync) const {
        MosTrcParams p{};
        p.trcFile = FileParams("trc", bAsync);
        return p;
    }

    std::string Path(const std::string &name) const { return (m_dir / name).string(); }
    std::string ReadFile(const std::string &name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        // Text files carry CR LF on Windows.
        std::string out;
        for (size_t i = 0; i < text.size(); i++) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                out += text[i];
            }
        }
        return out;
    }
    std::vector<std::string> ReadLines(const std::string &name) const {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(name));
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(line);
        }
        return lines;
    }
    bool Exists(const std::string &name) const { return std::filesystem::exists(m_dir / name); }
    // Names of the files in the directory that start with pPrefix.
    std::vector<std::string> FilesStartingWith(const char *pPrefix) const {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(m_dir)) {
            std::string name = entry.path().filename().string();
            if (name.rfind(pPrefix, 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }
    static void SetEnv(const char *pName, bool bSet) { osEnv_Set(pName, bSet ? "1" : nullptr); }

    std::filesystem::path m_dir;
    std::string m_dirText;
};

} // namespace mostest
