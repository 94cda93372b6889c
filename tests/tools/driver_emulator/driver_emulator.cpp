// driver_emulator: serves one device interface of the storage-client
// driver's class through the device stand-in's socket, playing a driver
// generation chosen on the command line, with injected failures and a
// journal of every frame.
//
// Usage: driver_emulator --root DIR [--name NAME] [--gen v130|v200|vector|growing]
//          [--vector-len N] [--vector IDX=SLOT|none,...] [--vector-counts N,N,...]
//          [--vols N] [--version TEXT] [--fail CODE:call|rc=N|short=N|grow[@NTH]]...
//          [--journal FILE] [--sessions N]
//          [--mdms N] [--mdm-num-ips K] [--tgts N] [--tgt-num-ips K] [--guid HEX32]
//          [--params N] [--param NAME=VALUE]... [--trace-comps N] [--trace-map TEXT]
//          [--diag N] [--perf-stages N] [--pes N] [--vvols N]
// The last group seeds the driver's state (emu.h, DriverSeed); set-commands
// change it for the emulator's life, across sessions.
// The socket is DIR/{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}/NAME; it appears
// once the emulator accepts connections. One client at a time; another
// connection is refused with ERROR_ACCESS_DENIED. --sessions ends the
// emulator after that many clients; SIGTERM ends it at any time.
//
// A failure with @NTH hits only the NTH request of its code over the
// emulator's life; without it, every request.
//
// Journal: per I/O control, little-endian u32 {entry bytes, session,
// control code, input length, output capacity, Win32 error, bytes
// returned}, then the input bytes, then the returned bytes.
#include "emu.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char *kClassDir = "{CC9BA7B0-6D22-4016-81C5-3369F0A163C4}";
constexpr uint32_t kMaxFrameBytes = 256u << 20;

volatile sig_atomic_t bStop_G = 0;

void onSignal(int) {
    bStop_G = 1;
}

struct Options {
    std::string root;
    std::string name = "qorni0";
    std::string journal;
    long sessions = -1;
    emu::Scenario scenario;
};

[[noreturn]] void usageError(const char *pWhat) {
    fprintf(stderr, "driver_emulator: %s\n", pWhat);
    exit(2);
}

uint32_t codeByName(const std::string &name) {
    static const struct {
        const char *pName;
        uint32_t code;
    } kNames[] = {{"IS_QORNI", 0xEA7FCE48},
                  {"QUERY_VERSION", 0xEA7FCE5C},
                  {"QUERY_CMD_VECTOR", 0xEA7FCE78},
                  {"QUERY_ALL_BLK_DEVS", 0xEA7FCE40},
                  {"QUERY_ALL_BLK_DEVS_V201", 0xEA7FCE7C},
                  {"IS_QORNI_V130", 0xEA7FFEA8},
                  {"QUERY_VERSION_V130", 0xEA7FFEBC},
                  {"SDBG_REQUEST", emu::kSdbgRequest},
                  {"ADD_MDM", 0xEA7FCE24},
                  {"SET_INI_GUID", 0xEA7FCE2C},
                  {"RESCAN_ALL", 0xEA7FCE34},
                  {"MOD_MDM_IP", 0xEA7FCE38},
                  {"QUERY_MDMS", 0xEA7FCE3C},
                  {"QUERY_GUID", 0xEA7FCE44},
                  {"QUERY_ALL_DYN_PARAMS", 0xEA7FCE4C},
                  {"SET_DYN_PARAM", 0xEA7FCE50},
                  {"GET_LBA_INFO", 0xEA7FCE54},
                  {"GET_TGT_INFO", 0xEA7FCE58},
                  {"QUERY_DIAG_COUNTERS", 0xEA7FCE60},
                  {"RESET_DIAG_COUNTERS", 0xEA7FCE64},
                  {"SET_TRACE_FREQUENCY", 0xEA7FCE68},
                  {"QUERY_TRACE_FREQUENCY", 0xEA7FCE6C},
                  {"DUMP_MEMORY_TRACKER", 0xEA7FCE70},
                  {"RESET_MEMORY_TRACKER", 0xEA7FCE74},
                  {"QUERY_PEs", 0xEA7FDC30},
                  {"QUERY_VVols", 0xEA7FDC34},
                  {"QUERY_PERF", 0xEA7FDC3C},
                  {"RESET_PERF", 0xEA7FDC40},
                  {"MOD_MDM_IP_V130", 0xEA7FFE98},
                  {"QUERY_MDMS_V130", 0xEA7FFE9C},
                  {"QUERY_GUID_V130", 0xEA7FFEA4}};
    for (const auto &entry : kNames) {
        if (name == entry.pName) {
            return entry.code;
        }
    }
    return static_cast<uint32_t>(strtoul(name.c_str(), nullptr, 0));
}

emu::Failure parseFailure(const std::string &text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) {
        usageError("--fail wants CODE:KIND");
    }
    emu::Failure f{emu::Failure::Call, codeByName(text.substr(0, colon)), 0};
    std::string kind = text.substr(colon + 1);
    uint32_t nth = 0;
    if (size_t at = kind.find('@'); at != std::string::npos) {
        nth = static_cast<uint32_t>(strtoul(kind.c_str() + at + 1, nullptr, 10));
        if (nth == 0) {
            usageError("--fail @NTH counts from 1");
        }
        kind.resize(at);
    }
    if (kind.rfind("rc=", 0) == 0) {
        f = {emu::Failure::Rc, f.code,
             static_cast<uint32_t>(strtoul(kind.c_str() + 3, nullptr, 0))};
    } else if (kind.rfind("short=", 0) == 0) {
        f = {emu::Failure::Short, f.code,
             static_cast<uint32_t>(strtoul(kind.c_str() + 6, nullptr, 0))};
    } else if (kind == "grow") {
        f.kind = emu::Failure::Grow;
    } else if (kind != "call") {
        usageError("unknown failure kind");
    }
    f.nth = nth;
    return f;
}

std::vector<std::string> splitCommas(const std::string &text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return parts;
}

void setVectorEntries(emu::Scenario *pScenario, const std::string &text) {
    for (const std::string &pair : splitCommas(text)) {
        size_t eq = pair.find('=');
        if (eq == std::string::npos) {
            usageError("--vector wants IDX=SLOT pairs");
        }
        size_t index = strtoul(pair.c_str(), nullptr, 10);
        std::string slot = pair.substr(eq + 1);
        if (index >= pScenario->vector.size()) {
            usageError("--vector index beyond --vector-len");
        }
        pScenario->vector[index] = slot == "none"
                                       ? emu::kVectorNone
                                       : static_cast<uint32_t>(strtoul(slot.c_str(), nullptr, 0));
    }
}

// The options that seed the driver's state; false for another option.
bool parseSeed(const std::string &arg, const std::string &value, emu::DriverSeed *pSeed) {
    auto number = [&] { return static_cast<uint32_t>(strtoul(value.c_str(), nullptr, 0)); };
    if (arg == "--mdms") {
        pSeed->numMdms = number();
    } else if (arg == "--mdm-num-ips") {
        pSeed->bMdmNumIps = true;
        pSeed->mdmNumIps = static_cast<int32_t>(strtol(value.c_str(), nullptr, 0));
    } else if (arg == "--tgts") {
        pSeed->numTgts = number();
    } else if (arg == "--tgt-num-ips") {
        pSeed->tgtNumIps = number();
    } else if (arg == "--guid") {
        pSeed->guidHex = value;
    } else if (arg == "--params") {
        pSeed->numParams = number();
    } else if (arg == "--param") {
        size_t eq = value.rfind('=');
        if (eq == std::string::npos) {
            usageError("--param wants NAME=VALUE");
        }
        pSeed->params.emplace_back(value.substr(0, eq), static_cast<uint32_t>(strtoul(
                                                            value.c_str() + eq + 1, nullptr, 0)));
    } else if (arg == "--trace-comps") {
        pSeed->numTraceComps = number();
    } else if (arg == "--trace-map") {
        pSeed->traceMap = value;
    } else if (arg == "--diag") {
        pSeed->numDiagCounters = number();
    } else if (arg == "--perf-stages") {
        pSeed->perfStages = number();
    } else if (arg == "--pes") {
        pSeed->numPes = strtoull(value.c_str(), nullptr, 0);
    } else if (arg == "--vvols") {
        pSeed->numVvols = strtoull(value.c_str(), nullptr, 0);
    } else {
        return false;
    }
    return true;
}

Options parseArgs(int argc, char *argv[]) {
    Options opts;
    std::string vectorText;
    size_t vectorLen = 28;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (i + 1 >= argc) {
            usageError("every option takes a value");
        }
        std::string value = argv[++i];
        if (arg == "--root") {
            opts.root = value;
        } else if (arg == "--name") {
            opts.name = value;
        } else if (arg == "--journal") {
            opts.journal = value;
        } else if (arg == "--sessions") {
            opts.sessions = strtol(value.c_str(), nullptr, 10);
        } else if (arg == "--gen") {
            opts.scenario.generation = value == "v130"     ? emu::Generation::V130
                                       : value == "v200"   ? emu::Generation::V200
                                       : value == "vector" ? emu::Generation::Vector
                                       : value == "growing"
                                           ? emu::Generation::Growing
                                           : (usageError("unknown --gen"), emu::Generation::V200);
        } else if (arg == "--vector-len") {
            vectorLen = strtoul(value.c_str(), nullptr, 10);
        } else if (arg == "--vector") {
            vectorText = value;
        } else if (arg == "--vector-counts") {
            for (const std::string &count : splitCommas(value)) {
                opts.scenario.vectorCounts.push_back(
                    static_cast<uint32_t>(strtoul(count.c_str(), nullptr, 0)));
            }
        } else if (arg == "--vols") {
            opts.scenario.numVols = strtoull(value.c_str(), nullptr, 10);
        } else if (arg == "--version") {
            opts.scenario.versionText = value;
        } else if (arg == "--fail") {
            opts.scenario.failures.push_back(parseFailure(value));
        } else if (parseSeed(arg, value, &opts.scenario.seed)) {
            // seeded
        } else {
            usageError(("unknown option " + arg).c_str());
        }
    }
    if (opts.root.empty()) {
        usageError("--root is required");
    }
    // The default vector offers every command at v2.00.
    opts.scenario.vector.assign(vectorLen, 1);
    if (!vectorText.empty()) {
        setVectorEntries(&opts.scenario, vectorText);
    }
    return opts;
}

bool writeAll(int fd, const void *pBuf, size_t size) {
    const char *p = static_cast<const char *>(pBuf);
    while (size > 0) {
        ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, void *pBuf, size_t size) {
    char *p = static_cast<char *>(pBuf);
    while (size > 0) {
        ssize_t n = recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void sendWord(int fd, uint32_t value) {
    std::vector<uint8_t> word(4);
    emu::put32(word, 0, value);
    (void)writeAll(fd, word.data(), word.size());
}

void journal(FILE *pJournal, uint32_t session, const uint8_t *pHeader,
             const std::vector<uint8_t> &input, const emu::Reply &reply) {
    if (pJournal == nullptr) {
        return;
    }
    std::vector<uint8_t> head(28);
    emu::put32(head, 0, static_cast<uint32_t>(head.size() + input.size() + reply.bytes.size()));
    emu::put32(head, 4, session);
    memcpy(head.data() + 8, pHeader, 12);
    emu::put32(head, 20, reply.win32Error);
    emu::put32(head, 24, static_cast<uint32_t>(reply.bytes.size()));
    fwrite(head.data(), 1, head.size(), pJournal);
    // An empty vector's data() may be null, which fwrite must not get.
    if (!input.empty()) {
        fwrite(input.data(), 1, input.size(), pJournal);
    }
    if (!reply.bytes.empty()) {
        fwrite(reply.bytes.data(), 1, reply.bytes.size(), pJournal);
    }
    fflush(pJournal);
}

// One request and its reply; false when the client is gone or broke the
// framing (the session then ends).
bool serveOne(int fd, const Options &opts, emu::DeviceState *pState, FILE *pJournal,
              uint32_t session) {
    std::vector<uint8_t> header(12);
    if (!readAll(fd, header.data(), header.size())) {
        return false;
    }
    uint32_t ioctlCode = emu::get32(header, 0);
    uint32_t inLen = emu::get32(header, 4);
    uint32_t outCap = emu::get32(header, 8);
    if (inLen > kMaxFrameBytes || outCap > kMaxFrameBytes) {
        return false;
    }
    std::vector<uint8_t> input(inLen);
    if (!readAll(fd, input.data(), input.size())) {
        return false;
    }
    emu::Reply reply = emu::handleIoctl(opts.scenario, pState, ioctlCode, input, outCap);
    journal(pJournal, session, header.data(), input, reply);
    std::vector<uint8_t> replyHeader(8);
    emu::put32(replyHeader, 0, reply.win32Error);
    emu::put32(replyHeader, 4, static_cast<uint32_t>(reply.bytes.size()));
    return writeAll(fd, replyHeader.data(), replyHeader.size()) &&
           writeAll(fd, reply.bytes.data(), reply.bytes.size());
}

// Binds under a temporary name and renames into place, so the interface
// appears only once it accepts connections.
int listenAt(const std::string &dir, const std::string &name) {
    std::string path = dir + "/" + name;
    std::string tmpPath = dir + "/." + name + ".tmp";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (tmpPath.size() >= sizeof(addr.sun_path)) {
        usageError("socket path too long");
    }
    strcpy(addr.sun_path, tmpPath.c_str());
    unlink(tmpPath.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 ||
        listen(fd, 8) != 0 || rename(tmpPath.c_str(), path.c_str()) != 0) {
        perror("driver_emulator: listen");
        exit(1);
    }
    return fd;
}

void makeDirs(const std::string &path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0755);
        if (slash == std::string::npos) {
            break;
        }
    }
}

// Serves one client until it closes; connections meanwhile are refused.
void serveSession(int listenFd, int clientFd, const Options &opts, FILE *pJournal, uint32_t session,
                  emu::EmulatorLife *pLife) {
    sendWord(clientFd, 0);
    emu::DeviceState state;
    state.pLife = pLife;
    while (!bStop_G) {
        pollfd fds[2] = {{clientFd, POLLIN, 0}, {listenFd, POLLIN, 0}};
        if (poll(fds, 2, 200) <= 0) {
            continue;
        }
        // The client first: one that hung up and reconnected at once must
        // find its old session over, not be refused by it.
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) &&
            !serveOne(clientFd, opts, &state, pJournal, session)) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            int otherFd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (otherFd >= 0) {
                sendWord(otherFd, emu::kErrAccessDenied);
                close(otherFd);
            }
        }
    }
    close(clientFd);
}

} // namespace

int main(int argc, char *argv[]) {
    Options opts = parseArgs(argc, argv);
    if (!emu::startRuntime()) {
        fprintf(stderr, "driver_emulator: the runtime library did not start\n");
        return 1;
    }
    signal(SIGTERM, onSignal);
    signal(SIGINT, onSignal);
    signal(SIGPIPE, SIG_IGN);
    FILE *pJournal = nullptr;
    if (!opts.journal.empty() && (pJournal = fopen(opts.journal.c_str(), "wb")) == nullptr) {
        perror("driver_emulator: journal");
        return 1;
    }
    std::string dir = opts.root + "/" + kClassDir;
    makeDirs(dir);
    int listenFd = listenAt(dir, opts.name);
    emu::EmulatorLife life;
    for (uint32_t session = 0; !bStop_G && (opts.sessions < 0 || session < opts.sessions);) {
        pollfd pfd = {listenFd, POLLIN, 0};
        if (poll(&pfd, 1, 200) <= 0) {
            continue;
        }
        int clientFd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (clientFd >= 0) {
            serveSession(listenFd, clientFd, opts, pJournal, session++, &life);
        }
    }
    unlink((dir + "/" + opts.name).c_str());
    close(listenFd);
    if (pJournal != nullptr) {
        fclose(pJournal);
    }
    return 0;
}
