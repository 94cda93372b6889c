// The Linux stand-in of the sockets seam: errno translation, calls that a
// signal interrupts, and the debug-port listener on a host without IPv6.
#include "dport_server_conn.h"
#include "mos_net_sock.h"
#include "posix/net_errno.h"

#include "../../core_layers.h"
#include "../../loopback.h"
#include "../../net_trace_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <vector>

namespace {

// Every errno the socket calls can return, and the Windows error it must
// read as above the seam.
TEST(NetErrnoMap, EveryErrnoOfTheSocketCallsHasItsWindowsError) {
    struct Row {
        int err;
        uint32_t wsa;
    };
    const Row rows[] = {
        {EINTR, 10004},        {EBADF, 10038},           {EPERM, 10013},
        {EACCES, 10013},       {EFAULT, 10014},          {EINVAL, 10022},
        {EMFILE, 10024},       {ENFILE, 10024},          {EAGAIN, 10035},
        {EINPROGRESS, 10035},  {EALREADY, 10037},        {ENOTSOCK, 10038},
        {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
        {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
        {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10047},    {EAFNOSUPPORT, 10047},
        {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
        {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},
        {ECONNRESET, 10054},   {EPIPE, 10054},           {ENOBUFS, 10055},
        {ENOMEM, 10055},       {EISCONN, 10056},         {ENOTCONN, 10057},
        {ESHUTDOWN, 10058},    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
        {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(osNetPosix_WsaFromErrno(row.err), row.wsa) << "errno " << row.err;
        char text[256];
        mosNet_ErrorText(row.wsa, text, sizeof(text));
        EXPECT_EQ(std::string(text).find("Unknown error"), std::string::npos) << row.wsa;
    }
}

std::atomic<int> signalsSeen_G{0};

void countSignal(int) {
    signalsSeen_G.fetch_add(1);
}

// SIGUSR1 with a handler that does not restart calls: a blocked receive
// or send then returns EINTR, as any signal the process takes would do.
class Interrupted : public testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS); }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }

    void SetUp() override {
        struct sigaction action = {};
        action.sa_handler = countSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ASSERT_EQ(sigaction(SIGUSR1, &action, &old_), 0);
        ASSERT_NO_FATAL_FAILURE(mostest::ListenAndConnect(&listener_, &client_));
        peer_ = osNet_Accept(listener_);
        ASSERT_NE(peer_, MOS_INVALID_SOCKET);
    }
    void TearDown() override {
        for (MosSocket s : {client_, peer_, listener_}) {
            if (s != MOS_INVALID_SOCKET) {
                osNet_Close(s);
            }
        }
        sigaction(SIGUSR1, &old_, nullptr);
    }

    // Signals the thread until it has taken a good number of signals, so
    // some of them land while it is blocked in the call under test, or
    // until the call has ended.
    static void pester(std::thread &target, const std::atomic<bool> &bDone) {
        signalsSeen_G.store(0);
        while (signalsSeen_G.load() < 40 && !bDone.load()) {
            pthread_kill(target.native_handle(), SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    struct sigaction old_ = {};
    MosSocket listener_ = MOS_INVALID_SOCKET;
    MosSocket client_ = MOS_INVALID_SOCKET;
    MosSocket peer_ = MOS_INVALID_SOCKET;
};

TEST_F(Interrupted, ReceiveGoesOnAfterASignal) {
    char buf[5] = {};
    MOS_RC rc = MOS_RC__ERROR;
    std::atomic<bool> bDone{false};
    std::thread receiver([&] {
        rc = osNet_RecvAll(client_, buf, 4);
        bDone.store(true);
    });
    pester(receiver, bDone);
    ASSERT_EQ(osNet_SendAll(peer_, "data", 4), MOS_RC__SUCCESS);
    receiver.join();
    EXPECT_EQ(rc, MOS_RC__SUCCESS);
    EXPECT_STREQ(buf, "data");
}

TEST_F(Interrupted, SendGoesOnAfterASignal) {
    // More than the socket buffers hold: the send blocks until the peer reads.
    std::vector<uint8_t> data(8 << 20);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 16));
    }
    MOS_RC rc = MOS_RC__ERROR;
    std::atomic<bool> bDone{false};
    std::thread sender([&] {
        rc = osNet_SendAll(client_, data.data(), static_cast<uint32_t>(data.size()));
        if (rc != MOS_RC__SUCCESS) {
            osNet_Shutdown(client_); // the reader below must not wait for the rest
        }
        bDone.store(true);
    });
    pester(sender, bDone);
    std::vector<uint8_t> got(data.size());
    (void)osNet_RecvAll(peer_, got.data(), static_cast<uint32_t>(got.size()));
    sender.join();
    EXPECT_EQ(rc, MOS_RC__SUCCESS);
    EXPECT_TRUE(got == data);
}

// A connect with a time limit that signals keep interrupting waits out its
// time and reports failure; the process lives.
TEST_F(Interrupted, TimedConnectWaitsThroughSignals) {
    // A listener whose accept queue is full drops further connection
    // requests, so a new connect stays pending.
    MosSocket full = MOS_INVALID_SOCKET;
    ASSERT_EQ(osNet_Socket(&full, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    ASSERT_TRUE(osNet_BindPort(full, 0, NET_SOCKET_TYPE__IPV4));
    uint16_t port = 0;
    ASSERT_EQ(osNetSys_GetLocalPort(full, &port), 0u);
    ASSERT_EQ(osNetSys_Listen(full, 0), 0u);
    NetAddress addr;
    ASSERT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", port), MOS_RC__SUCCESS);
    std::vector<MosSocket> queued;
    for (int i = 0; i < 2; ++i) {
        MosSocket s = MOS_INVALID_SOCKET;
        ASSERT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        (void)osNet_BlockConnect(s, &addr, 200);
        queued.push_back(s);
    }
    MosSocket s = MOS_INVALID_SOCKET;
    ASSERT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    bool bConnected = true;
    uint32_t err = 0;
    std::atomic<bool> bDone{false};
    std::thread connector([&] {
        bConnected = osNet_BlockConnect(s, &addr, 500);
        err = mosNet_GetLastError();
        bDone.store(true);
    });
    pester(connector, bDone);
    connector.join();
    EXPECT_FALSE(bConnected);
    EXPECT_EQ(err, NET_WSAETIMEDOUT);
    for (MosSocket q : queued) {
        osNet_Close(q);
    }
    osNet_Close(s);
    osNet_Close(full);
}

// Makes socket(AF_INET6, ...) fail with err in this process, as on a
// kernel built or booted without IPv6. False when filters are not allowed.
bool refuseIpv6Sockets(int err) {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET6, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<uint32_t>(err) & 0xFFFF)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog prog = {static_cast<unsigned short>(sizeof(filter) / sizeof(filter[0])), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

// The exit code of the child: 0 when the listener came up on IPv4.
int listenerFallsBackToIpv4(int err) {
    if (!refuseIpv6Sockets(err)) {
        return 2;
    }
    mostest::NetTraceCapture capture;
    SdbgListener listener = {};
    if (sdbgConn_InitListener(&listener, 0) != MOS_RC__SUCCESS) {
        return 3;
    }
    sockaddr_storage addr = {};
    socklen_t len = sizeof(addr);
    getsockname(static_cast<int>(listener.socketFd), reinterpret_cast<sockaddr *>(&addr), &len);
    sdbgConn_CloseListener(&listener, false);
    return addr.ss_family == AF_INET ? 0 : 4;
}

TEST(NetNoIpv6, DebugPortFallsBackToIpv4WhenTheFamilyIsMissing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mostest::EnsureCoreLayers();
    ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
    for (int err : {EAFNOSUPPORT, EPFNOSUPPORT, EPROTONOSUPPORT}) {
        SCOPED_TRACE(err);
        EXPECT_EXIT(std::_Exit(listenerFallsBackToIpv4(err)), testing::ExitedWithCode(0), "");
    }
    osNetLayer_Destroy();
}

} // namespace
