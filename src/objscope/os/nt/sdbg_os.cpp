// Windows side of the viewer's operating-system layer.
#include "sdbg_os.h"

#include "sdbg_exception.h"

#include <windows.h>
#include <winsock2.h>

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

uint32_t SdbgOs_GetLastError() {
    return GetLastError();
}

uint32_t SdbgOs_GetLastSocketError() {
    return static_cast<uint32_t>(WSAGetLastError());
}
