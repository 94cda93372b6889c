// The sample storage process as a child of an end-to-end test: started on
// a free loopback port as a given module, talked to through its standard
// input and output, stopped with "exit".
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {

// A loopback TCP port that nothing listens on right now.
inline uint16_t freePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr));
    socklen_t len = sizeof(addr);
    getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

class SampleStorageProcess {
  public:
    // Starts the process and waits for its "ready <port> <module>" line.
    void Start(const char *pExe, const std::string &module) {
        port_ = freePort();
        int toChild[2], fromChild[2];
        ASSERT_EQ(pipe(toChild), 0);
        ASSERT_EQ(pipe(fromChild), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::string portText = std::to_string(port_);
        char *argv[] = {const_cast<char *>(pExe), portText.data(),
                        const_cast<char *>(module.c_str()), nullptr};
        ASSERT_EQ(posix_spawn(&pid_, pExe, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in_ = fdopen(toChild[1], "w");
        out_ = fdopen(fromChild[0], "r");
        ASSERT_EQ(Line().rfind("ready " + portText + " " + module, 0), 0u);
    }

    // Sends "exit" and expects the process to say "bye" and end with 0.
    void Stop() {
        if (in_ == nullptr) {
            return;
        }
        EXPECT_EQ(Command("exit"), "bye");
        int status = 0;
        waitpid(pid_, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        fclose(in_);
        fclose(out_);
        in_ = out_ = nullptr;
    }

    // The next line the process prints, without its newline ("" at the end).
    std::string Line() {
        char buf[4096] = {};
        if (fgets(buf, sizeof(buf), out_) == nullptr) {
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
        fprintf(in_, "%s\n", text.c_str());
        fflush(in_);
        return Line();
    }

    uint16_t Port() const { return port_; }

  private:
    uint16_t port_ = 0;
    pid_t pid_ = 0;
    FILE *in_ = nullptr;
    FILE *out_ = nullptr;
};

} // namespace e2e
