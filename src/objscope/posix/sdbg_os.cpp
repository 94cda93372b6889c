// Linux side of the viewer's operating-system layer.
#include "sdbg_os.h"

#include "os_time.h"
#include "sdbg_exception.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

double SdbgOs_PerfFrequency = 2000000000.0;

namespace {

// Console control events of the Windows console and the signals that
// stand for them here: Ctrl+C, Ctrl+Break, closing the console, shut-down.
constexpr int kCtrlSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};

void CtrlSignalCK(int signalNo) {
    SdbgOs_ConsoleCtrlHandler(static_cast<uint32_t>(signalNo));
}

} // namespace

void SdbgOs_Init() {
    // The runtime's stand-in counter, which the processes the viewer links
    // to count their ticks with.
    int64_t count = 0;
    int64_t frequency = 0;
    osTime_QueryPerformanceCounter(&count, &frequency);
    SdbgOs_PerfFrequency = static_cast<double>(frequency);
    struct sigaction action {};
    action.sa_handler = CtrlSignalCK;
    sigemptyset(&action.sa_mask);
    for (int signalNo : kCtrlSignals) {
        if (sigaction(signalNo, &action, nullptr) != 0) {
            throw Sdbg_SystemException();
        }
    }
}

void SdbgOs_ConsoleCtrlHandler(uint32_t /*ctrlType*/) {
    SdbgOs_RestoreConsole();
    _exit(1);
}

uint32_t SdbgOs_FormatSystemMessage(uint32_t errorCode, uint32_t bufSize, char *pBuf) {
    if (bufSize == 0) {
        return 0;
    }
    pBuf[0] = '\0';
    // GNU strerror_r may answer a static text instead of filling pBuf.
    const char *pText = strerror_r(static_cast<int>(errorCode), pBuf, bufSize);
    if (pText == nullptr) {
        return 0;
    }
    if (pText != pBuf) {
        const size_t length = strnlen(pText, bufSize - 1);
        std::memcpy(pBuf, pText, length);
        pBuf[length] = '\0';
    }
    return static_cast<uint32_t>(std::strlen(pBuf));
}

bool SdbgOs_WriteStdout(const char *pData, size_t size) {
    while (size > 0) {
        const ssize_t written = write(STDOUT_FILENO, pData, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        pData += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

uint32_t SdbgOs_GetLastError() {
    return static_cast<uint32_t>(errno);
}

// The same text COM forms: Data1 (u32), Data2 and Data3 (u16) little-endian,
// then the eight bytes of Data4 as they stand.
void SdbgOs_GuidText(const uint8_t guid[16], char pText[kSdbgGuidTextSize]) {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::memcpy(&data1, guid, sizeof(data1));
    std::memcpy(&data2, guid + 4, sizeof(data2));
    std::memcpy(&data3, guid + 6, sizeof(data3));
    const uint8_t *d4 = guid + 8;
    std::snprintf(pText, kSdbgGuidTextSize, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  data1, data2, data3, d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7]);
}

// The device stand-in reports Win32 errors; these are the ones it returns.
uint32_t SdbgOs_FormatDeviceError(uint32_t win32Error, uint32_t bufSize, char *pBuf) {
    struct Mapping {
        uint32_t win32Error;
        int errnoValue;
    };
    static constexpr Mapping kMappings[] = {
        {0, 0},        {2, ENOENT}, {3, ENOTDIR}, {5, EACCES},    {8, ENOMEM},
        {13, EBADMSG}, {31, EIO},   {87, EINVAL}, {122, ENOBUFS}, {1167, ENODEV},
    };
    int errnoValue = EIO;
    for (const Mapping &mapping : kMappings) {
        if (mapping.win32Error == win32Error) {
            errnoValue = mapping.errnoValue;
        }
    }
    return SdbgOs_FormatSystemMessage(static_cast<uint32_t>(errnoValue), bufSize, pBuf);
}
