// The viewer's failure reports: one class tree rooted in Sdbg_Exception.
//
// Every exception carries a text of at most 255 characters, fixed when it
// is made. The command dispatcher catches the whole tree, prints the text
// as one line and counts the failure. Classes for operating-system failures
// take their text from the system's message for the calling thread's last
// error, so they must be made directly after the failing call.
#pragma once

#include <cstdint>

class Sdbg_Exception {
  public:
    // Copies at most 255 characters of pText (null counts as empty).
    explicit Sdbg_Exception(const char *pText);
    Sdbg_Exception(const Sdbg_Exception &other);
    Sdbg_Exception &operator=(const Sdbg_Exception &other);
    virtual ~Sdbg_Exception();

    const char *GetText() const { return message; }

    static constexpr uint32_t kMessageSize = 256;

  protected:
    Sdbg_Exception(); // empty text; the system classes fill it

    char message[kMessageSize];
};

class Sdbg_LineParserException : public Sdbg_Exception {
  public:
    using Sdbg_Exception::Sdbg_Exception;
};

class Sdbg_MemoryRsrcException : public Sdbg_Exception {
  public:
    using Sdbg_Exception::Sdbg_Exception;
};

class SDbg_WorkerException : public Sdbg_Exception {
  public:
    using Sdbg_Exception::Sdbg_Exception;
};

class Sdbg_FEException : public Sdbg_Exception {
  public:
    using Sdbg_Exception::Sdbg_Exception;
};

// An operating-system failure; the text is the system's message for the
// last error of the calling thread at construction (empty when the system
// has none).
class Sdbg_SystemException : public Sdbg_Exception {
  public:
    Sdbg_SystemException();
    Sdbg_SystemException(const Sdbg_SystemException &other) = default;
    // The calling thread's last error now (not stored in the exception).
    virtual uint32_t GetErrorCode() const;

  protected:
    explicit Sdbg_SystemException(const char *pText) : Sdbg_Exception(pText) {}
};

class Sdbg_LinkException : public Sdbg_SystemException {
  public:
    Sdbg_LinkException() = default;
    uint32_t GetErrorCode() const override;

  protected:
    explicit Sdbg_LinkException(const char *pText) : Sdbg_SystemException(pText) {}
};

// A failed socket transfer or link set-up: the text is the system's
// message for the Windows socket error the socket layer reported.
class Sdbg_SockLinkException : public Sdbg_LinkException {
  public:
    // The socket layer's last error on the calling thread.
    Sdbg_SockLinkException();
    explicit Sdbg_SockLinkException(uint32_t wsaError);
    uint32_t GetErrorCode() const override;

  private:
    uint32_t errorCode;
};

// A failed device transfer: the text is the system's message for the
// Win32 error the device call returned.
class Sdbg_IoctlLinkException : public Sdbg_LinkException {
  public:
    explicit Sdbg_IoctlLinkException(uint32_t win32Error);
    uint32_t GetErrorCode() const override;

  private:
    uint32_t errorCode;
};

class Sdbg_IOException : public Sdbg_SystemException {};
class Sdbg_TtyException : public Sdbg_IOException {};
class Sdbg_TtyInputException : public Sdbg_TtyException {};
class Sdbg_TtyOutputException : public Sdbg_TtyException {};
class SDbg_FileException : public Sdbg_IOException {};
