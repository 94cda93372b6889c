// Child processes for the end-to-end tests.
#include "e2e_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {
namespace {

constexpr const char *kClassDir = "/{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}";

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

uint32_t le32(const uint8_t *p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

pid_t spawn(const char *pExe, const std::vector<std::string> &args, const std::string &root,
            const std::string &outPath, const std::string &errPath) {
    pid_t pid = fork();
    if (pid == 0) {
        int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(outFd, 1);
        dup2(errFd, 2);
        setenv("MOS_DEVINTF_ROOT", root.c_str(), 1);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(pExe));
        for (const std::string &arg : args) {
            argv.push_back(const_cast<char *>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(pExe, argv.data());
        _exit(127);
    }
    return pid;
}

} // namespace

uint32_t JournalEntry::frameCode() const {
    return input.size() >= 4 ? le32(input.data()) : 0;
}

uint64_t JournalEntry::inputU64(size_t offset) const {
    if (input.size() < offset + 8) {
        return 0;
    }
    return le32(input.data() + offset) |
           (static_cast<uint64_t>(le32(input.data() + offset + 4)) << 32);
}

RunResult run(const char *pExe, const std::vector<std::string> &args, const std::string &root) {
    std::string base = root + "/run";
    pid_t pid = spawn(pExe, args, root, base + ".out", base + ".err");
    RunResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = readFile(base + ".out");
    result.err = readFile(base + ".err");
    return result;
}

Emulator::Emulator() {
    char tmpl[] = "/tmp/kmodctl-e2e-XXXXXX";
    m_root = mkdtemp(tmpl);
}

Emulator::~Emulator() {
    stop();
    std::string cmd = "rm -rf '" + m_root + "'";
    if (system(cmd.c_str()) != 0) {
        fprintf(stderr, "could not remove %s\n", m_root.c_str());
    }
}

std::string Emulator::socketPath() const {
    return m_root + kClassDir + "/qorni0";
}

void Emulator::start(const std::vector<std::string> &args) {
    std::vector<std::string> all = {"--root", m_root, "--journal", m_root + "/journal"};
    all.insert(all.end(), args.begin(), args.end());
    m_pid = spawn(EMULATOR_EXE, all, m_root, m_root + "/emu.out", m_root + "/emu.err");
    struct stat st;
    for (int i = 0; i < 500 && stat(socketPath().c_str(), &st) != 0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(stat(socketPath().c_str(), &st), 0) << readFile(m_root + "/emu.err");
}

void Emulator::stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

std::vector<JournalEntry> Emulator::journal() const {
    std::string bytes = readFile(m_root + "/journal");
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.data());
    std::vector<JournalEntry> entries;
    for (size_t pos = 0; pos + 28 <= bytes.size();) {
        uint32_t size = le32(p + pos);
        uint32_t inLen = le32(p + pos + 12);
        uint32_t returned = le32(p + pos + 24);
        if (size != 28 + inLen + returned || pos + size > bytes.size()) {
            ADD_FAILURE() << "journal entry at " << pos << " is malformed";
            break;
        }
        JournalEntry e;
        e.session = le32(p + pos + 4);
        e.ioctlCode = le32(p + pos + 8);
        e.outCapacity = le32(p + pos + 16);
        e.win32Error = le32(p + pos + 20);
        e.input.assign(p + pos + 28, p + pos + 28 + inLen);
        e.reply.assign(p + pos + 28 + inLen, p + pos + size);
        entries.push_back(std::move(e));
        pos += size;
    }
    return entries;
}

} // namespace e2e
