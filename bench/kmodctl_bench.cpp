// One device I/O control through the device stand-in beside a raw
// Unix-socket ping-pong of the same size, and a whole
// "kmodctl --query_vols --tech" over 8,192 volumes of the emulator.
//
// The stand-in's device side here echoes the request bytes as the reply,
// so the figures are the transport's own: framing, copies and the two
// socket hops, nothing a driver would compute.
#include "os_devintf.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kSmall = 8;
constexpr int64_t kLarge = 8 + 20 + 8192 * 264; // the v3.00 volume list frame

bool readAll(int fd, void *pBuf, size_t size) {
    auto *p = static_cast<char *>(pBuf);
    while (size > 0) {
        ssize_t n = recv(fd, p, size, 0);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const void *pBuf, size_t size) {
    const auto *p = static_cast<const char *>(pBuf);
    while (size > 0) {
        ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string scratchDir() {
    char tmpl[] = "/tmp/kmodctl-bench-XXXXXX";
    return mkdtemp(tmpl);
}

int listenAt(const std::string &path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 ||
        listen(fd, 1) != 0) {
        abort();
    }
    return fd;
}

// Reads one request frame into buf (header, then the input from 12 on;
// buf holds the largest frame), taking whatever has arrived in one call
// and the rest after.
bool readRequest(int fd, std::vector<uint8_t> &buf) {
    size_t got = 0;
    while (got < 12) {
        ssize_t n = recv(fd, buf.data() + got, buf.size() - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<size_t>(n);
    }
    uint32_t inLen;
    memcpy(&inLen, buf.data() + 4, 4);
    return 12 + size_t{inLen} <= buf.size() &&
           (got >= 12 + size_t{inLen} || readAll(fd, buf.data() + got, 12 + inLen - got));
}

// The device side of the stand-in: grant, then echo every request, the
// reply header and bytes in one send where they fit.
void echoDevice(int listenFd) {
    int fd = accept(listenFd, nullptr, nullptr);
    uint32_t grant = 0;
    writeAll(fd, &grant, 4);
    std::vector<uint8_t> buf(12 + kLarge);
    while (readRequest(fd, buf)) {
        uint32_t head[3];
        memcpy(head, buf.data(), sizeof(head));
        uint32_t reply[2] = {0, head[1] < head[2] ? head[1] : head[2]};
        iovec iov[2] = {{reply, sizeof(reply)}, {buf.data() + 12, reply[1]}};
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = 2;
        ssize_t sent = sendmsg(fd, &msg, MSG_NOSIGNAL);
        auto total = static_cast<ssize_t>(sizeof(reply) + reply[1]);
        if (sent < static_cast<ssize_t>(sizeof(reply)) ||
            (sent < total &&
             !writeAll(fd, buf.data() + 12 + (sent - sizeof(reply)), total - sent))) {
            break;
        }
    }
    close(fd);
}

void BM_StandInIoctl(benchmark::State &state) {
    std::string dir = scratchDir();
    std::string path = dir + "/dev";
    int listenFd = listenAt(path);
    std::thread device(echoDevice, listenFd);
    OsDev *pDev = nullptr;
    if (osDev_Open(path.c_str(), &pDev) != OS_ERR_SUCCESS) {
        state.SkipWithError("open failed");
    }
    auto size = static_cast<uint32_t>(state.range(0));
    std::vector<uint8_t> frame(size, 0x5A);
    for (auto _ : state) {
        uint32_t returned = 0;
        if (osDev_Ioctl(pDev, 0x4D038, frame.data(), size, frame.data(), size, &returned) != 0 ||
            returned != size) {
            state.SkipWithError("ioctl failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
    osDev_Close(pDev);
    device.join();
    close(listenFd);
    unlink(path.c_str());
    rmdir(dir.c_str());
}
BENCHMARK(BM_StandInIoctl)->Arg(kSmall)->Arg(kLarge);

// The peer: the same bytes out and back over a connected stream socket.
void BM_RawUnixPingPong(benchmark::State &state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("socketpair failed");
        return;
    }
    auto size = static_cast<size_t>(state.range(0));
    std::thread echo([fd = fds[1], size] {
        std::vector<uint8_t> buf(size);
        while (readAll(fd, buf.data(), size) && writeAll(fd, buf.data(), size)) {
        }
    });
    std::vector<uint8_t> buf(size, 0x5A);
    for (auto _ : state) {
        if (!writeAll(fds[0], buf.data(), size) || !readAll(fds[0], buf.data(), size)) {
            state.SkipWithError("ping-pong failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
    shutdown(fds[0], SHUT_RDWR);
    close(fds[0]);
    echo.join();
    close(fds[1]);
}
BENCHMARK(BM_RawUnixPingPong)->Arg(kSmall)->Arg(kLarge);

pid_t spawn(const char *pExe, std::vector<std::string> args, const std::string &root) {
    pid_t pid = fork();
    if (pid == 0) {
        int nullFd = open("/dev/null", O_WRONLY);
        dup2(nullFd, 1);
        setenv("MOS_DEVINTF_ROOT", root.c_str(), 1);
        std::vector<char *> argv = {const_cast<char *>(pExe)};
        for (std::string &arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(pExe, argv.data());
        _exit(127);
    }
    return pid;
}

void BM_QueryVolsTech8192(benchmark::State &state) {
    std::string root = scratchDir();
    pid_t emulator =
        spawn(EMULATOR_EXE,
              {"--root", root, "--gen", "vector", "--vector", "13=3", "--vols", "8192"}, root);
    std::string socket = root + "/{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}/qorni0";
    struct stat st;
    for (int i = 0; i < 500 && stat(socket.c_str(), &st) != 0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (auto _ : state) {
        int status = 0;
        pid_t pid = spawn(KMODCTL_EXE, {"--query_vols", "--tech"}, root);
        if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("kmodctl failed");
            break;
        }
    }
    kill(emulator, SIGTERM);
    waitpid(emulator, nullptr, 0);
    std::string cmd = "rm -rf '" + root + "'";
    if (system(cmd.c_str()) != 0) {
        state.SkipWithError("cleanup failed");
    }
}
BENCHMARK(BM_QueryVolsTech8192)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
