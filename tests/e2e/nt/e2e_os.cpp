// The end-to-end tests' system calls on Windows: Winsock 2, CreateProcess
// with inherited pipe ends.
#include "e2e_os.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace e2e {

namespace {

// Winsock is started once, before any test runs.
struct WinsockStart {
    WinsockStart() {
        WSADATA data;
        (void)WSAStartup(MAKEWORD(2, 2), &data);
    }
} winsock_G;

SOCKET AsSocket(intptr_t value) {
    return static_cast<SOCKET>(value);
}

// Quotes one argument for the child's command line.
std::string Quoted(const std::string &word) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

} // namespace

uint16_t FreePort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof(addr);
    if (bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        addr.sin_port = 0;
    }
    closesocket(s);
    return ntohs(addr.sin_port);
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

Connection::Connection(uint16_t port, bool bIpv6) {
    SOCKET s = socket(bIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    socket_ = static_cast<intptr_t>(s);
    if (bIpv6) {
        sockaddr_in6 addr{};
        addr.sin6_family = AF_INET6;
        addr.sin6_port = htons(port);
        addr.sin6_addr = in6addr_loopback;
        bConnected_ = connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0;
    } else {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bConnected_ = connect(s, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0;
    }
}

Connection::~Connection() {
    closesocket(AsSocket(socket_));
}

bool Connection::Send(const uint8_t *pData, size_t size) const {
    size_t sent = 0;
    while (sent < size) {
        const int n = send(AsSocket(socket_), reinterpret_cast<const char *>(pData + sent),
                           static_cast<int>(size - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool Connection::Readable(int timeoutMs) const {
    WSAPOLLFD p{};
    p.fd = AsSocket(socket_);
    p.events = POLLRDNORM;
    return WSAPoll(&p, 1, timeoutMs) > 0;
}

long Connection::Recv(uint8_t *pData, size_t size) const {
    return recv(AsSocket(socket_), reinterpret_cast<char *>(pData), static_cast<int>(size), 0);
}

ChildProcess::~ChildProcess() {
    if (handle_ != 0) {
        (void)Wait();
    }
}

bool ChildProcess::Start(const std::string &program, const std::vector<std::string> &args) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr, ourIn = nullptr, ourOut = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &ourIn, &inherit, 0) ||
        !CreatePipe(&ourOut, &childOut, &inherit, 0)) {
        return false;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(ourIn, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ourOut, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = Quoted(program);
    for (const std::string &arg : args) {
        commandLine += " " + Quoted(arg);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL bStarted = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr,
                                         TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!bStarted) {
        CloseHandle(ourIn);
        CloseHandle(ourOut);
        return false;
    }
    CloseHandle(process.hThread);
    handle_ = reinterpret_cast<intptr_t>(process.hProcess);
    in_ = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(ourIn), _O_WRONLY | _O_BINARY), "wb");
    out_ = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(ourOut), _O_RDONLY | _O_TEXT), "rt");
    return in_ != nullptr && out_ != nullptr;
}

int ChildProcess::Wait() {
    if (in_ != nullptr) {
        fclose(in_);
    }
    if (out_ != nullptr) {
        fclose(out_);
    }
    in_ = out_ = nullptr;
    HANDLE process = reinterpret_cast<HANDLE>(handle_);
    handle_ = 0;
    DWORD code = 0;
    if (process == nullptr || WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process, &code)) {
        return -1;
    }
    CloseHandle(process);
    return static_cast<int>(code);
}

} // namespace e2e
