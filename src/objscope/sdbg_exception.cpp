#include "sdbg_exception.h"

#include "sdbg_os.h"

#include "mos_net_sock.h"

#include <cctype>

#include <cstring>

namespace {

// Copies at most kMessageSize - 1 characters; the rest stays NUL.
void CopyText(char (&message)[Sdbg_Exception::kMessageSize], const char *pText) {
    std::memset(message, 0, sizeof(message));
    if (pText != nullptr) {
        std::memcpy(message, pText, strnlen(pText, sizeof(message) - 1));
    }
}

} // namespace

Sdbg_Exception::Sdbg_Exception() {
    std::memset(message, 0, sizeof(message));
}

Sdbg_Exception::Sdbg_Exception(const char *pText) {
    CopyText(message, pText);
}

Sdbg_Exception::Sdbg_Exception(const Sdbg_Exception &other) : Sdbg_Exception(other.message) {}

Sdbg_Exception &Sdbg_Exception::operator=(const Sdbg_Exception &other) {
    if (this != &other) {
        CopyText(message, other.message);
    }
    return *this;
}

Sdbg_Exception::~Sdbg_Exception() = default;

Sdbg_SystemException::Sdbg_SystemException() {
    // The code is read first: nothing may run between the failing call and
    // this read that could change the thread's last error.
    const uint32_t code = SdbgOs_GetLastError();
    (void)SdbgOs_FormatSystemMessage(code, kMessageSize, message);
    message[kMessageSize - 1] = '\0';
}

uint32_t Sdbg_SystemException::GetErrorCode() const {
    return SdbgOs_GetLastError();
}

uint32_t Sdbg_LinkException::GetErrorCode() const {
    return 0;
}

namespace {

// The socket layer's one-line text, without the blank it ends with.
struct SocketErrorText {
    char text[Sdbg_Exception::kMessageSize];
    explicit SocketErrorText(uint32_t wsaError) {
        text[0] = '\0';
        mosNet_ErrorText(wsaError, text, sizeof(text));
        size_t length = strnlen(text, sizeof(text) - 1);
        while (length > 0 && std::isspace(static_cast<unsigned char>(text[length - 1])) != 0) {
            --length;
        }
        text[length] = '\0';
    }
};

} // namespace

Sdbg_SockLinkException::Sdbg_SockLinkException() : Sdbg_SockLinkException(mosNet_GetLastError()) {}

Sdbg_SockLinkException::Sdbg_SockLinkException(uint32_t wsaError)
    : Sdbg_LinkException(SocketErrorText(wsaError).text), errorCode(wsaError) {}

uint32_t Sdbg_SockLinkException::GetErrorCode() const {
    return errorCode;
}

namespace {

struct DeviceErrorText {
    char text[Sdbg_Exception::kMessageSize];
    explicit DeviceErrorText(uint32_t win32Error) {
        text[0] = '\0';
        (void)SdbgOs_FormatDeviceError(win32Error, sizeof(text), text);
    }
};

} // namespace

Sdbg_IoctlLinkException::Sdbg_IoctlLinkException(uint32_t win32Error)
    : Sdbg_LinkException(DeviceErrorText(win32Error).text), errorCode(win32Error) {}

uint32_t Sdbg_IoctlLinkException::GetErrorCode() const {
    return errorCode;
}
