// What the end-to-end test programs need of the operating system: loopback
// TCP connections, a child process on pipes, the process id. One
// implementation per target (posix/, nt/), so the tests run on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

// A loopback TCP port that nothing listens on right now.
uint16_t FreePort();

// This process's id, to name its temporary files.
unsigned long ProcessId();

// One TCP connection to 127.0.0.1 (or ::1) at a port.
class Connection {
  public:
    Connection(uint16_t port, bool bIpv6);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool Connected() const { return bConnected_; }
    // Sends all the bytes; false when the connection would not take them.
    bool Send(const uint8_t *pData, size_t size) const;
    // Waits up to timeoutMs for bytes or the end of the stream.
    bool Readable(int timeoutMs) const;
    // Up to size bytes; 0 at the end of the stream, negative on an error.
    long Recv(uint8_t *pData, size_t size) const;

  private:
    intptr_t socket_;
    bool bConnected_ = false;
};

// A child process whose standard input and output are pipes of ours;
// its output is read as text (line ends as the C library writes them).
class ChildProcess {
  public:
    ~ChildProcess();
    // Starts the program with the arguments; false when it could not start.
    bool Start(const std::string &program, const std::vector<std::string> &args);
    FILE *In() const { return in_; }
    FILE *Out() const { return out_; }
    // Closes our ends of the pipes and waits for the exit; its exit code,
    // or -1 when it did not exit normally.
    int Wait();

  private:
    FILE *in_ = nullptr;
    FILE *out_ = nullptr;
    intptr_t handle_ = 0;
};

} // namespace e2e
