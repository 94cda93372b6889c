// The end-to-end tests' system calls on Linux: BSD sockets, posix_spawn.
#include "e2e_os.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {

uint16_t FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        addr.sin_port = 0;
    }
    close(fd);
    return ntohs(addr.sin_port);
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}

Connection::Connection(uint16_t port, bool bIpv6) {
    const int fd = socket(bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    socket_ = fd;
    if (bIpv6) {
        sockaddr_in6 addr{};
        addr.sin6_family = AF_INET6;
        addr.sin6_port = htons(port);
        addr.sin6_addr = in6addr_loopback;
        bConnected_ = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0;
    } else {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bConnected_ = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0;
    }
}

Connection::~Connection() {
    close(static_cast<int>(socket_));
}

bool Connection::Send(const uint8_t *pData, size_t size) const {
    return send(static_cast<int>(socket_), pData, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

bool Connection::Readable(int timeoutMs) const {
    pollfd p = {static_cast<int>(socket_), POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

long Connection::Recv(uint8_t *pData, size_t size) const {
    return recv(static_cast<int>(socket_), pData, size, 0);
}

ChildProcess::~ChildProcess() {
    if (handle_ != 0) {
        (void)Wait();
    }
}

bool ChildProcess::Start(const std::string &program, const std::vector<std::string> &args) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (rc != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    handle_ = pid;
    in_ = fdopen(toChild[1], "w");
    out_ = fdopen(fromChild[0], "r");
    return true;
}

int ChildProcess::Wait() {
    if (in_ != nullptr) {
        fclose(in_);
    }
    if (out_ != nullptr) {
        fclose(out_);
    }
    in_ = out_ = nullptr;
    int status = 0;
    const pid_t pid = static_cast<pid_t>(handle_);
    handle_ = 0;
    if (pid == 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace e2e
