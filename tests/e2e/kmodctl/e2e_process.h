// Programs under test as child processes: the driver emulator serving a
// private device root, and one kmodctl run with its output captured.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

struct RunResult {
    int exitCode = -1000; // the low 8 bits, as a shell sees them
    std::string out;
    std::string err;
};

// Runs pExe with args under MOS_DEVINTF_ROOT=root and waits for it.
RunResult run(const char *pExe, const std::vector<std::string> &args, const std::string &root);

// One I/O control as the emulator's journal recorded it.
struct JournalEntry {
    uint32_t session;
    uint32_t ioctlCode;
    uint32_t outCapacity;
    uint32_t win32Error;
    std::vector<uint8_t> input;
    std::vector<uint8_t> reply;
    uint32_t frameCode() const; // bytes 0-3 of the input
    uint64_t inputU64(size_t offset) const;
};

// A scratch device root, with the emulator serving it when started.
class Emulator {
  public:
    Emulator();
    ~Emulator();
    // Starts the emulator with args and waits for its interface.
    void start(const std::vector<std::string> &args);
    void stop();
    const std::string &root() const { return m_root; }
    std::string socketPath() const;
    std::vector<JournalEntry> journal() const;

  private:
    std::string m_root;
    pid_t m_pid = -1;
};

} // namespace e2e
