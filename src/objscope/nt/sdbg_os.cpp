// Windows side of the viewer's operating-system layer.
#include "sdbg_os.h"

#include "sdbg_exception.h"

#include <windows.h>
#include <winsock2.h>

#include <objbase.h>

#include <cstdio>
#include <cstring>

double SdbgOs_PerfFrequency = 2000000000.0;

namespace {

BOOL WINAPI ConsoleCtrlCK(DWORD ctrlType) {
    SdbgOs_ConsoleCtrlHandler(ctrlType);
}

} // namespace

void SdbgOs_Init() {
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency)) {
        SdbgOs_PerfFrequency = static_cast<double>(frequency.QuadPart);
    }
    if (!SetConsoleCtrlHandler(ConsoleCtrlCK, TRUE)) {
        throw Sdbg_SystemException();
    }
}

void SdbgOs_ConsoleCtrlHandler(uint32_t /*ctrlType*/) {
    SdbgOs_RestoreConsole();
    ExitProcess(1);
}

uint32_t SdbgOs_FormatSystemMessage(uint32_t errorCode, uint32_t bufSize, char *pBuf) {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, errorCode, 0, pBuf, bufSize,
                          nullptr);
}

bool SdbgOs_WriteStdout(const char *pData, size_t size) {
    // The C runtime's stream, not WriteFile: a line feed becomes the line
    // end of a text-mode stream, as every other line the program prints.
    const bool bWritten = std::fwrite(pData, 1, size, stdout) == size;
    return std::fflush(stdout) == 0 && bWritten;
}

uint32_t SdbgOs_GetLastError() {
    return GetLastError();
}

void SdbgOs_GuidText(const uint8_t guid[16], char pText[kSdbgGuidTextSize]) {
    GUID value;
    std::memcpy(&value, guid, sizeof(value));
    pText[0] = '\0';
    LPOLESTR pWide = nullptr;
    if (StringFromCLSID(value, &pWide) != S_OK || pWide == nullptr) {
        return;
    }
    uint32_t i = 0;
    for (; i + 1 < kSdbgGuidTextSize && pWide[i] != 0; ++i) {
        pText[i] = static_cast<char>(pWide[i] & 0xFF);
    }
    pText[i] = '\0';
    CoTaskMemFree(pWide);
}

uint32_t SdbgOs_FormatDeviceError(uint32_t win32Error, uint32_t bufSize, char *pBuf) {
    return SdbgOs_FormatSystemMessage(win32Error, bufSize, pBuf);
}
