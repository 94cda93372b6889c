// Transports under the viewer's requests to a remote debug server: one
// framed request out, one response of a length fixed in advance back.
//
// Sdbg_SockLink is a TCP connection to a storage process's debug port;
// Sdbg_IoctlLink passes the same frame through the storage-client driver's
// device with one I/O control.
// A link has no lock: it is used under the worker's lock, one request in
// flight at a time.
#pragma once

#include "mos_net_sock.h"

#include <cstdint>

class Sdbg_Link {
  public:
    static constexpr uint32_t kNameSize = 256;
    static constexpr uint32_t kErrorTextSize = 256;

    // Keeps at most 255 characters of pName.
    explicit Sdbg_Link(const char *pName);
    virtual ~Sdbg_Link();
    Sdbg_Link(const Sdbg_Link &) = delete;
    Sdbg_Link &operator=(const Sdbg_Link &) = delete;

    // True when the transport is ready; never throws.
    virtual bool Open() = 0;
    // Ends the transport so a following Open starts afresh.
    virtual bool Close() = 0;
    // Writes the request header at the start of pBuffer (which holds the
    // payload after the header and has BufferSize(reqSize, respSize)
    // bytes), sends header and payload, and receives exactly respSize
    // bytes into pBuffer from its start. Returns respSize; throws a
    // Sdbg_LinkException on any transport failure.
    virtual uint32_t Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) = 0;
    // The larger of reqSize + ReqHeaderSize() and respSize + RespHeaderSize().
    uint32_t BufferSize(uint32_t reqSize, uint32_t respSize) const;
    virtual uint32_t ReqHeaderSize() const;  // 12, the message header
    virtual uint32_t RespHeaderSize() const; // 0: responses carry no header
    // The system's text for the transport's last error (kErrorTextSize bytes).
    virtual void GetErrorText(char *pBuf) const = 0;

    const char *GetName() const { return name; }

  protected:
    // Writes the message header (magic, sizes) at the start of pBuffer.
    static void WriteHeader(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize);

  private:
    char name[kNameSize];
};

class Sdbg_SockLink : public Sdbg_Link {
  public:
    // How long one send or receive may wait for the server before the
    // transfer fails (WSAETIMEDOUT) and the caller relinks: 30 seconds.
    // The environment variable OBJSCOPE_LINK_TIME_LIMIT_MS (a positive
    // number of milliseconds) replaces it, so tests need not wait that long.
    static constexpr uint32_t kTimeLimitMs = 30000;
    static uint32_t TimeLimitMs();

    // Numeric IPv4 or IPv6 text (cut to 63 characters), no name
    // resolution. Throws Sdbg_SockLinkException when the address is not
    // numeric text or no socket can be made.
    Sdbg_SockLink(const char *pHost, uint16_t port);
    ~Sdbg_SockLink() override;

    bool Open() override;
    bool Close() override;
    // A link that is not connected (its last Open failed, or a transfer
    // failed and left the stream at an unknown point) is closed and opened
    // again first; when that fails, the connect's error is thrown.
    uint32_t Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) override;
    void GetErrorText(char *pBuf) const override;

    bool IsConnected() const { return bConnected; }
    uint16_t GetPort() const { return port; }
    const NetAddress &GetAddress() const { return address; }

  private:
    // Holds the sockets interface started for as long as the link lives
    // (the start is counted, so links and other users may overlap).
    struct NetStart {
        NetStart();
        ~NetStart();
        NetStart(const NetStart &) = delete;
        NetStart &operator=(const NetStart &) = delete;
    };

    // A fresh blocking stream socket with small-packet delay off and the
    // transfer time limits set; false (socket invalid) when it cannot be made.
    bool CreateSocket();
    // Marks the link broken with the socket layer's last error and throws it.
    [[noreturn]] void Fail();

    NetStart netStart; // first: outlives the socket
    MosSocket sock = MOS_INVALID_SOCKET;
    uint16_t port;
    NetAddress address{};
    bool bConnected = false;
    uint32_t lastError = 0; // Windows socket error of the last failure
};

struct OsDev;

class Sdbg_IoctlLink : public Sdbg_Link {
  public:
    // The debug pass-through command of the client driver.
    static constexpr uint32_t kSdbgRequestCommand = 0xEA7FCE30;
    static constexpr uint32_t kProbeCommand = 0xEA7FCE48;

    Sdbg_IoctlLink(const char *pName, uint32_t commandCode);
    ~Sdbg_IoctlLink() override;

    // Opens the first present device of the driver's interface class that
    // answers the probe; prints why on standard output when none does.
    bool Open() override;
    bool Close() override;
    // Throws Sdbg_IoctlLinkException when the call fails or reports fewer
    // than the 8 command bytes and respSize response bytes; respSize bytes
    // of the reply are copied back.
    uint32_t Transact(uint8_t *pBuffer, uint32_t reqSize, uint32_t respSize) override;
    void GetErrorText(char *pBuf) const override;

  private:
    // Opens interface memberIndex and probes it; false to try the next.
    bool TryInterface(void *pList, uint32_t memberIndex, bool *pbStop);

    uint32_t command;
    OsDev *pDevice = nullptr;
    uint32_t lastError = 0; // Win32 error of the last failed transfer
};
