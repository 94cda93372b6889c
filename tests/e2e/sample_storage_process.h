// The sample storage process as a child of an end-to-end test: started on
// a free loopback port as a given module, talked to through its standard
// input and output, stopped with "exit".
#pragma once

#include "e2e_os.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace e2e {

class SampleStorageProcess {
  public:
    // Starts the process and waits for its "ready <port> <module>" line.
    void Start(const char *pExe, const std::string &module) {
        port_ = FreePort();
        const std::string portText = std::to_string(port_);
        ASSERT_TRUE(child_.Start(pExe, {portText, module})) << pExe;
        bRunning_ = true;
        ASSERT_EQ(Line().rfind("ready " + portText + " " + module, 0), 0u);
    }

    // Sends "exit" and expects the process to say "bye" and end with 0.
    void Stop() {
        if (!bRunning_) {
            return;
        }
        EXPECT_EQ(Command("exit"), "bye");
        EXPECT_EQ(child_.Wait(), 0);
        bRunning_ = false;
    }

    // The next line the process prints, without its newline ("" at the end).
    std::string Line() {
        char buf[4096] = {};
        if (fgets(buf, sizeof(buf), child_.Out()) == nullptr) {
            return "";
        }
        std::string text(buf);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }

    // Sends one command line and returns the process's answer.
    std::string Command(const std::string &text) {
        fprintf(child_.In(), "%s\n", text.c_str());
        fflush(child_.In());
        return Line();
    }

    uint16_t Port() const { return port_; }

  private:
    uint16_t port_ = 0;
    bool bRunning_ = false;
    ChildProcess child_;
};

} // namespace e2e
