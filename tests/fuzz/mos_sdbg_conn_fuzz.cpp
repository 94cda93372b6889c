// The debug-port server's connection side over a byte stream as a client
// may send it: the input is written into one end of a socket pair, the
// other end is served the way the server thread serves a client
// (sdbgConn_GetNextRequest, then sdbgConn_HandleRequest, until the
// connection ends), against the runtime's own object types as mos_Init
// registers them (threads, CPU, hash tables, pools, timers, counters,
// memory tracker, performance stacks, allocators), commands included.
//
// It must never crash, read past a request, or hang on a request. Each
// answered request puts exactly its announced size on the wire, so when
// every request was answered whole, the client end reads exactly the
// sum of the announced sizes; otherwise never more than that.
#include "dport_request.h"
#include "dport_server.h"
#include "dport_server_conn.h"
#include "mos_loader.h"
#include "mos_net_sock.h"

#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Responses are padded to the size the client announces; keep that
// bounded so a run is not spent moving gigabytes of 0xFF.
constexpr uint32_t kMaxExpected = 1 << 16;
// Far below a socket pair's buffer, so the whole input is written first.
constexpr size_t kMaxInput = 32 * 1024;

bool setUp() {
    (void)!freopen("/dev/null", "w", stdout);
    if (mos_Init(nullptr) != MOS_RC__SUCCESS) {
        abort();
    }
    return true;
}

// Bounds every header's announced response size, walking the stream the
// way the server frames it (a header, then its payload).
void boundResponses(std::vector<uint8_t> *pStream) {
    size_t pos = 0;
    while (pos + sizeof(SdbgMsgHeader) <= pStream->size()) {
        SdbgMsgHeader header;
        memcpy(&header, pStream->data() + pos, sizeof(header));
        header.sizeOfExpectedResponseMsg %= kMaxExpected;
        memcpy(pStream->data() + pos, &header, sizeof(header));
        pos += sizeof(header) + header.sizeOfRequestMsg;
    }
}

uint64_t drain(int fd) {
    uint64_t total = 0;
    static char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n <= 0) {
            return total;
        }
        total += static_cast<uint64_t>(n);
    }
}

// The client's reading end, on one thread for the whole run: each input
// hands it a socket and takes back the bytes it read up to the end.
class Reader {
  public:
    Reader() : thread([this] { Loop(); }) { thread.detach(); }
    void Start(int socketFd) {
        std::lock_guard<std::mutex> guard(lock);
        fd = socketFd;
        bDone = false;
    }
    void Go() { wake.notify_all(); }
    uint64_t Wait() {
        std::unique_lock<std::mutex> guard(lock);
        wake.wait(guard, [this] { return bDone; });
        return total;
    }

  private:
    void Loop() {
        for (;;) {
            int current;
            {
                std::unique_lock<std::mutex> guard(lock);
                wake.wait(guard, [this] { return fd >= 0; });
                current = fd;
            }
            uint64_t n = drain(current);
            std::lock_guard<std::mutex> guard(lock);
            total = n;
            fd = -1;
            bDone = true;
            wake.notify_all();
        }
    }
    std::mutex lock;
    std::condition_variable wake;
    int fd = -1;
    bool bDone = true;
    uint64_t total = 0;
    std::thread thread;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static const bool bReady = setUp();
    (void)bReady;
    if (size > kMaxInput) {
        return 0;
    }
    std::vector<uint8_t> stream(pData, pData + size);
    boundResponses(&stream);

    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        abort();
    }
    if (!stream.empty() &&
        write(fds[0], stream.data(), stream.size()) != static_cast<ssize_t>(stream.size())) {
        abort();
    }
    shutdown(fds[0], SHUT_WR);
    // Never destroyed: its thread waits on it until the process ends.
    static Reader *pReader = new Reader;
    pReader->Start(fds[0]);
    pReader->Go();

    static SdbgClientConn *pConn = new SdbgClientConn{};
    memset(pConn, 0, sizeof(*pConn));
    pConn->socketFd = static_cast<MosSocket>(fds[1]);
    uint64_t announced = 0;
    bool bAllWhole = true;
    MOS_RC rc;
    while ((rc = sdbgConn_GetNextRequest(pConn)) == MOS_RC__SUCCESS) {
        if (pConn->sizeOfRequestMsg > SDBG_MAX_REQ_SIZE) {
            abort(); // the header check lets no larger payload in
        }
        announced += pConn->sizeOfExpectedResponseMsg;
        rc = sdbgConn_HandleRequest(pConn, sdbgReq_MosObjRegistry(), SDBG_MODULE_TYPE__TGT);
        if (rc != MOS_RC__SUCCESS) {
            bAllWhole = false;
            break;
        }
    }
    if (pConn->pRequest != nullptr) {
        abort(); // no payload outlives the request that ended the connection
    }
    sdbgConn_Close(pConn); // closes fds[1]: the reader sees the end
    uint64_t received = pReader->Wait();
    close(fds[0]);
    if (received > announced || (bAllWhole && received != announced)) {
        fprintf(stderr, "received %llu, announced %llu\n",
                static_cast<unsigned long long>(received),
                static_cast<unsigned long long>(announced));
        abort();
    }
    return 0;
}
