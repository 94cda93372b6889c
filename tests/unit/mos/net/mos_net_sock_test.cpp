#include "mos_net_sock.h"

#include "../net_trace_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

NetAddress loopback(uint16_t port) {
    NetAddress addr;
    EXPECT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", port), MOS_RC__SUCCESS);
    return addr;
}

// A listening socket on 127.0.0.1 at a port the system picks.
class Loopback : public testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS); }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }

    void SetUp() override {
        ASSERT_EQ(osNet_Socket(&listener_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        NetAddress any = loopback(0);
        ASSERT_TRUE(osNet_BindAddr(listener_, &any));
        ASSERT_EQ(osNetSys_GetLocalPort(listener_, &port_), 0u);
        ASSERT_TRUE(osNet_Listen(listener_));
    }
    void TearDown() override {
        for (MosSocket s : {client_, peer_, listener_}) {
            if (s != MOS_INVALID_SOCKET) {
                osNet_Close(s);
            }
        }
    }
    // Connects client_ and accepts peer_.
    void connectPair() {
        ASSERT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        NetAddress addr = loopback(port_);
        ASSERT_EQ(mosNet_Connect(client_, &addr), MOS_RC__SUCCESS);
        peer_ = osNet_Accept(listener_);
        ASSERT_NE(peer_, MOS_INVALID_SOCKET);
    }
    void closePeer() {
        osNet_Close(peer_);
        peer_ = MOS_INVALID_SOCKET;
    }

    MosSocket listener_ = MOS_INVALID_SOCKET;
    MosSocket client_ = MOS_INVALID_SOCKET;
    MosSocket peer_ = MOS_INVALID_SOCKET;
    uint16_t port_ = 0;
};

class NetResolve : public Loopback {};

} // namespace

TEST_F(NetResolve, NumericTextOnly) {
    struct Case {
        const char *pHost;
        MOS_RC rc;
        uint32_t type;
    };
    const Case cases[] = {
        {"127.0.0.1", MOS_RC__SUCCESS, NET_ADDRESS_TYPE__IPV4},
        {"::1", MOS_RC__SUCCESS, NET_ADDRESS_TYPE__IPV6},
        {"::", MOS_RC__SUCCESS, NET_ADDRESS_TYPE__IPV6},
        {"0.0.0.0", MOS_RC__INVALID, NET_ADDRESS_TYPE__NONE},
        {"localhost", MOS_RC__INVALID, NET_ADDRESS_TYPE__NONE},
        {"1.2.3.4.5", MOS_RC__INVALID, NET_ADDRESS_TYPE__NONE},
    };
    for (const Case &c : cases) {
        NetAddress addr = {};
        EXPECT_EQ(netAddress_BuildFromString(&addr, c.pHost, 25640), c.rc) << c.pHost;
        EXPECT_EQ(addr.type, c.type) << c.pHost;
    }
    NetAddress addr;
    ASSERT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", 25640), MOS_RC__SUCCESS);
    const uint8_t bytes[4] = {0x7F, 0, 0, 1};
    EXPECT_EQ(memcmp(addr.address, bytes, 4), 0);
    EXPECT_EQ(addr.port, 25640);
}

TEST_F(NetResolve, HostNameFailsAfterOneAttemptWithTheSystemText) {
    NetAddress addr;
    mostest::NetTraceCapture capture;
    EXPECT_EQ(netAddress_BuildFromString(&addr, "localhost", 1), MOS_RC__INVALID);
    std::string messages = capture.Take();
    EXPECT_NE(messages.find("Failed to get address info for host(localhost) due to "),
              std::string::npos)
        << messages;
    EXPECT_NE(messages.find(". retryCount(2)"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("retryCount(1)"), std::string::npos) << messages;
}

TEST_F(NetResolve, PackedAndResolvedNames) {
    PackedNetAddress packed;
    ASSERT_EQ(buildAddrFromString(&packed, "::1", 0, true, false), MOS_RC__SUCCESS);
    EXPECT_EQ(packed.type, 2);
    EXPECT_EQ(packed.address[15], 1);
    EXPECT_EQ(buildAddrFromString(&packed, "0.0.0.0", 0, true, false), MOS_RC__INVALID);
    NetAddress addr;
    ASSERT_EQ(buildAddrFromString(&addr, "localhost", 7, false, true), MOS_RC__SUCCESS);
    EXPECT_TRUE(netAddress_IsValid(&addr));
    EXPECT_EQ(addr.port, 7);
}

TEST_F(Loopback, BindOnAHeldPortRetriesForAboutTwoSecondsThenWarns) {
    MosSocket second = MOS_INVALID_SOCKET;
    ASSERT_EQ(osNet_Socket(&second, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    auto start = std::chrono::steady_clock::now();
    mostest::NetTraceCapture capture;
    EXPECT_FALSE(osNet_BindPort(second, port_, NET_SOCKET_TYPE__IPV4));
    std::string messages = capture.Take();
    auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    osNet_Close(second);
    EXPECT_GE(elapsedMs, 1900);
    EXPECT_NE(messages.find("Errno 10048. Iter 19"), std::string::npos);
    EXPECT_NE(messages.find("WARNING: Binding port " + std::to_string(port_) +
                            " failed (errno 10048), loop ended"),
              std::string::npos)
        << messages;
}

TEST_F(Loopback, BindErrorOtherThanInUseStopsAtOnce) {
    MosSocket second = MOS_INVALID_SOCKET;
    ASSERT_EQ(osNet_Socket(&second, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress foreign = loopback(0);
    ASSERT_EQ(netAddress_BuildFromString(&foreign, "192.0.2.1", 0), MOS_RC__SUCCESS);
    mostest::NetTraceCapture capture;
    EXPECT_FALSE(osNet_BindAddr(second, &foreign));
    std::string messages = capture.Take();
    osNet_Close(second);
    EXPECT_NE(messages.find("WARNING: Bind error 10049"), std::string::npos) << messages;
    EXPECT_NE(messages.find("Iter 0"), std::string::npos);
    EXPECT_EQ(messages.find("Iter 1"), std::string::npos);
}

TEST_F(Loopback, PeerClosingMidTransferLeavesThePartReceived) {
    connectPair();
    ASSERT_EQ(osNet_SendAll(peer_, "abc", 3), MOS_RC__SUCCESS);
    closePeer();
    char buf[8] = {};
    EXPECT_EQ(osNet_RecvAll(client_, buf, sizeof(buf)), MOS_RC__CLOSED);
    EXPECT_STREQ(buf, "abc");
}

TEST_F(Loopback, ZeroLengthTransfersReadAsClosed) {
    connectPair();
    char buf[1];
    EXPECT_EQ(osNet_SendAll(client_, buf, 0), MOS_RC__CLOSED);
    EXPECT_EQ(osNet_RecvAll(client_, buf, 0), MOS_RC__CLOSED);
}

TEST_F(Loopback, SendingToAClosedPeerReportsClosedAndTheProcessLives) {
    connectPair();
    closePeer();
    std::vector<uint8_t> chunk(1 << 16, 0x5A);
    MOS_RC rc = MOS_RC__SUCCESS;
    // The first sends may still be buffered; the reset arrives within a few.
    for (int i = 0; i < 200 && rc == MOS_RC__SUCCESS; ++i) {
        rc = osNet_SendAll(client_, chunk.data(), static_cast<uint32_t>(chunk.size()));
    }
    EXPECT_EQ(rc, MOS_RC__CLOSED);
}

TEST_F(Loopback, NonBlockingReceiveIsNotReady) {
    connectPair();
    osNet_ChangeBlockMode(client_, true);
    uint32_t count = 7;
    char buf[4];
    EXPECT_EQ(osNet_Recv(client_, buf, sizeof(buf), &count), MOS_RC__NOT_READY);
    EXPECT_EQ(count, 0u);
    osNet_ChangeBlockMode(client_, false);
}

TEST_F(Loopback, BlockConnectWithTimeLimitLeavesTheSocketBlocking) {
    ASSERT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr = loopback(port_);
    ASSERT_TRUE(osNet_BlockConnect(client_, &addr, 2000));
    peer_ = osNet_Accept(listener_);
    ASSERT_NE(peer_, MOS_INVALID_SOCKET);
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        (void)osNet_SendAll(peer_, "late", 4);
    });
    char buf[5] = {};
    // A socket left non-blocking would answer NOT_READY here.
    EXPECT_EQ(osNet_RecvAll(client_, buf, 4), MOS_RC__SUCCESS);
    late.join();
    EXPECT_STREQ(buf, "late");
}

TEST_F(Loopback, BlockConnectToAClosedPortFails) {
    // Free the listener's port: nothing listens there afterwards.
    osNet_Close(listener_);
    listener_ = MOS_INVALID_SOCKET;
    NetAddress addr = loopback(port_);
    for (uint32_t timeoutMs : {0u, 1000u}) {
        MosSocket s = MOS_INVALID_SOCKET;
        ASSERT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        mostest::NetTraceCapture capture;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(osNet_BlockConnect(s, &addr, timeoutMs)) << timeoutMs;
        (void)capture.Take();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
        osNet_Close(s);
    }
}

TEST_F(Loopback, ConnectRefusesAnAddressWithoutPort) {
    ASSERT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr = loopback(0);
    mostest::NetTraceCapture capture;
    EXPECT_EQ(mosNet_Connect(client_, &addr), MOS_RC__INVALID);
    EXPECT_NE(capture.Take().find("Failed to build the socket address"), std::string::npos);
}

TEST_F(Loopback, DualStackListenerAcceptsIpv4Peers) {
    MosSocket listener6 = MOS_INVALID_SOCKET;
    MOS_RC rc = osNet_Socket(&listener6, NET_SOCKET_TYPE__IPV6);
    if (rc == MOS_RC__NOT_SUPPORTED) {
        GTEST_SKIP() << "no IPv6 on this host";
    }
    ASSERT_EQ(rc, MOS_RC__SUCCESS);
    osNet_SetSockOpt_NoIpv6Only(listener6);
    ASSERT_TRUE(osNet_BindPort(listener6, 0, NET_SOCKET_TYPE__IPV6));
    uint16_t port = 0;
    ASSERT_EQ(osNetSys_GetLocalPort(listener6, &port), 0u);
    ASSERT_TRUE(osNet_Listen(listener6));
    ASSERT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr = loopback(port);
    EXPECT_TRUE(osNet_BlockConnect(client_, &addr, 2000));
    peer_ = osNet_Accept(listener6);
    EXPECT_NE(peer_, MOS_INVALID_SOCKET);
    osNet_Close(listener6);
}

// Each failure leaves its own Windows socket error for whoever reports it,
// on both targets; nothing falls back on an unrelated system error.
TEST_F(Loopback, EachFailureLeavesItsOwnSocketError) {
    struct Case {
        const char *pName;
        std::function<MOS_RC()> run;
        MOS_RC rc;
        uint32_t err;
    };
    const Case cases[] = {
        {"address that is no address",
         [] {
             NetAddress addr;
             return netAddress_BuildFromString(&addr, "999.999.999.999", 1);
         },
         MOS_RC__INVALID, NET_WSAHOST_NOT_FOUND},
        {"wildcard as a peer",
         [] {
             NetAddress addr;
             return netAddress_BuildFromString(&addr, "0.0.0.0", 1);
         },
         MOS_RC__INVALID, NET_WSAEADDRNOTAVAIL},
        {"connect to a port nobody listens on",
         [this] {
             MosSocket spare = MOS_INVALID_SOCKET;
             EXPECT_EQ(osNet_Socket(&spare, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
             EXPECT_TRUE(osNet_BindPort(spare, 0, NET_SOCKET_TYPE__IPV4));
             uint16_t port = 0;
             EXPECT_EQ(osNetSys_GetLocalPort(spare, &port), 0u);
             osNet_Close(spare); // bound once, never listened: refused
             EXPECT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
             NetAddress addr = loopback(port);
             return mosNet_Connect(client_, &addr);
         },
         MOS_RC__ERROR, NET_WSAECONNREFUSED},
        {"connect without a port",
         [this] {
             EXPECT_EQ(osNet_Socket(&client_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
             NetAddress addr = loopback(0);
             return mosNet_Connect(client_, &addr);
         },
         MOS_RC__INVALID, NET_WSAEADDRNOTAVAIL},
        {"peer closes after one byte",
         [this] {
             connectPair();
             EXPECT_EQ(osNet_SendAll(peer_, "x", 1), MOS_RC__SUCCESS);
             closePeer();
             char buf[8];
             return osNet_RecvAll(client_, buf, sizeof(buf));
         },
         MOS_RC__CLOSED, NET_WSAEDISCON},
        {"peer that stops answering, receive time limit",
         [this] {
             connectPair();
             osNet_SetSockOpt(client_, NET_SOL_SOCKET, NET_SO_RCVTIMEO, 50);
             char buf[8];
             return osNet_RecvAll(client_, buf, sizeof(buf));
         },
         MOS_RC__CLOSED, NET_WSAETIMEDOUT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pName);
        MOS_RC rc = MOS_RC__SUCCESS;
        uint32_t err = 0;
        {
            mostest::NetTraceCapture capture; // the layer's own messages stay out of the log
            rc = c.run();
            err = mosNet_GetLastError();
        }
        EXPECT_EQ(rc, c.rc);
        EXPECT_EQ(err, c.err); // its text: the system's (checked on Linux, net_posix_test)
        TearDown();
        client_ = peer_ = listener_ = MOS_INVALID_SOCKET;
        SetUp();
    }
}

// A peer that reads slowly makes a non-blocking socket accept a part of
// each send; the rest must follow, in order.
TEST_F(Loopback, ShortSendsAreFinished) {
    connectPair();
    osNet_SetSockOpt(client_, NET_SOL_SOCKET, NET_SO_SNDBUF, 4096);
    osNet_ChangeBlockMode(client_, true);
    std::vector<uint8_t> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 13 + (i >> 12));
    }
    std::vector<uint8_t> got(data.size());
    std::thread reader([&] {
        uint32_t at = 0;
        while (at < got.size()) {
            uint32_t count = 0;
            uint32_t want = std::min<uint32_t>(1000, static_cast<uint32_t>(got.size()) - at);
            if (osNet_Recv(peer_, got.data() + at, want, &count) != MOS_RC__SUCCESS) {
                break;
            }
            at += count;
        }
    });
    EXPECT_EQ(osNet_SendAll(client_, data.data(), static_cast<uint32_t>(data.size())),
              MOS_RC__SUCCESS);
    reader.join();
    osNet_ChangeBlockMode(client_, false);
    EXPECT_TRUE(got == data);
}
