#include "dport_server.h"

#include "../../free_port.h"
#include "../core_layers.h"
#include "../net_trace_capture.h"
#include "../test_support.h"
#include "mos_net_sock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

MosSocket connectTo(uint16_t port) {
    MosSocket s = MOS_INVALID_SOCKET;
    EXPECT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr;
    EXPECT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", port), MOS_RC__SUCCESS);
    EXPECT_TRUE(osNet_BlockConnect(s, &addr, 2000));
    return s;
}

// Asks the server type: {magic, 4, 8, 3} answered by {1, moduleType}.
uint32_t askServerType(MosSocket s) {
    const uint32_t req[4] = {0x8DB9ABDE, 4, 8, 3};
    EXPECT_EQ(osNet_SendAll(s, req, sizeof(req)), MOS_RC__SUCCESS);
    uint32_t resp[2] = {};
    EXPECT_EQ(osNet_RecvAll(s, resp, sizeof(resp)), MOS_RC__SUCCESS);
    EXPECT_EQ(resp[0], 1u);
    return resp[1];
}

class SdbgServerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }
    void TearDown() override { sdbgServer_Destroy(); }

    template <typename F> static int64_t elapsedMs(F f) {
        auto start = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }
};

} // namespace

TEST_F(SdbgServerTest, NoServerWithoutParametersOrWhenSwitchedOff) {
    ASSERT_EQ(sdbgServer_Init(nullptr), MOS_RC__SUCCESS);
    EXPECT_FALSE(sdbgServer_IsRunning());
    EXPECT_EQ(sdbgServer_GetModuleType(), 6u);
    sdbgServer_Destroy();
    SdbgServerConf conf = {2, mostest::FreeTcpPort(), SDBG_SERVER_FLAG__OFF};
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    EXPECT_FALSE(sdbgServer_IsRunning());
    sdbgServer_Destroy();
    conf = {6, mostest::FreeTcpPort(), 0};
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    EXPECT_FALSE(sdbgServer_IsRunning());
}

TEST_F(SdbgServerTest, ServesAndStopsWhileAcceptIsBlocked) {
    SdbgServerConf conf = {3, mostest::FreeTcpPort(), 0};
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    ASSERT_TRUE(sdbgServer_IsRunning());
    MosSocket s = connectTo(conf.port);
    EXPECT_EQ(askServerType(s), 3u);
    osNet_Close(s);
    // The thread is back in accept; closing the listener must wake it.
    EXPECT_LT(elapsedMs([] { sdbgServer_Destroy(); }), 2000);
    EXPECT_FALSE(sdbgServer_IsRunning());
    // Started again on the same port once destroyed.
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    s = connectTo(conf.port);
    EXPECT_EQ(askServerType(s), 3u);
    osNet_Close(s);
}

TEST_F(SdbgServerTest, StopsWithAnIdleClientConnected) {
    SdbgServerConf conf = {4, mostest::FreeTcpPort(), 0};
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    MosSocket s = connectTo(conf.port);
    EXPECT_EQ(askServerType(s), 4u);
    EXPECT_LT(elapsedMs([] { sdbgServer_Destroy(); }), 2000);
    char b;
    EXPECT_EQ(osNet_RecvAll(s, &b, 1), MOS_RC__CLOSED);
    osNet_Close(s);
}

TEST_F(SdbgServerTest, PortInUseLeavesTheProcessWithoutADebugPort) {
    MosSocket holder = MOS_INVALID_SOCKET;
    ASSERT_EQ(osNet_Socket(&holder, NET_SOCKET_TYPE__IPV6), MOS_RC__SUCCESS);
    osNet_SetSockOpt_NoIpv6Only(holder);
    ASSERT_TRUE(osNet_BindPort(holder, 0, NET_SOCKET_TYPE__IPV6));
    uint16_t port = 0;
    ASSERT_EQ(osNetSys_GetLocalPort(holder, &port), 0u);
    ASSERT_TRUE(osNet_Listen(holder));
    SdbgServerConf conf = {2, port, 0};
    mostest::NetTraceCapture capture;
    ASSERT_EQ(sdbgServer_Init(&conf), MOS_RC__SUCCESS);
    std::string messages = capture.Take();
    EXPECT_FALSE(sdbgServer_IsRunning());
    EXPECT_NE(messages.find("WARNING: sdbg server failed to start on port " + std::to_string(port)),
              std::string::npos)
        << messages;
    osNet_Close(holder);
}

TEST_F(SdbgServerTest, ADoubleStartEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SdbgServerConf conf = {2, mostest::FreeTcpPort(), 0};
    SdbgServerConf second = {2, mostest::FreeTcpPort(), 0};
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            (void)sdbgServer_Init(&conf);
            (void)sdbgServer_Init(&second);
        },
        mostest::ExitedWithMinusOne,
        "Panic Expression mosAtomic_AddUint32\\(&pServer->env\\.startCount, 1\\) == 0 Double "
        "start of SDBG server!");
}
