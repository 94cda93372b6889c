// The shared-memory servers as a client on the wire sees them: raw framed
// and V20 messages against the servers a process starts.
#include "mos_shm_server.h"

#include "../core_layers.h"
#include "../shm_test_support.h"
#include "../trace_capture.h"
#include "mos_shm_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {

using mostest::ShmAsk;
using mostest::ShmName;

constexpr uint8_t CREATE = MOS_SHM_FLAG__CREATE;
constexpr uint8_t EXCL_CREATE = MOS_SHM_FLAG__CREATE | MOS_SHM_FLAG__EXCLUSIVE;

class ShmServerTest : public mostest::ShmTest {
  protected:
    void SetUp() override {
        // Capturing before the servers' threads start: they trace as they
        // begin, and the trace layer changes only while none may trace.
        m_capture.emplace();
        m_port = mostest::FreeTcpPort();
        m_portV20 = mostest::FreeTcpPort();
        mosShmClient_SetFramedPort(m_port);
        MosShmParams params = {1, m_portV20, nullptr, 0};
        ASSERT_EQ(mosShmClient_Create(&params), MOS_RC__SUCCESS);
        m_sock = mostest::ShmConnect(m_port);
    }
    void TearDown() override {
        (void)stopAndReadTraces();
        mosShmClient_SetFramedPort(0);
    }
    // Stops the servers and the client, then the capture.
    std::string stopAndReadTraces() {
        if (m_sock != MOS_INVALID_SOCKET) {
            osNet_Close(m_sock);
            m_sock = MOS_INVALID_SOCKET;
            mosShmLayer_DestroyOs();
        }
        return m_capture->Stop();
    }
    static uint32_t held() { return shmLayerNT_G.serverShms.counter; }

    std::optional<mostest::TraceCapture> m_capture;
    uint16_t m_port = 0;
    uint16_t m_portV20 = 0;
    MosSocket m_sock = MOS_INVALID_SOCKET;
};

TEST_F(ShmServerTest, CreateThenExclusiveCreateOfTheSameName) {
    std::string name = ShmName("srv_a");
    mostest::ShmReply r = ShmAsk(m_sock, MOS_SHM_OP__CREATE, CREATE, name, 4096);
    EXPECT_EQ(r.transport, MOS_RC__SUCCESS);
    EXPECT_EQ(r.rc, MOS_RC__SUCCESS);
    EXPECT_EQ(r.size, 4096u);
    EXPECT_EQ(held(), 1u);

    r = ShmAsk(m_sock, MOS_SHM_OP__CREATE, EXCL_CREATE, name, 4096);
    EXPECT_EQ(r.rc, MOS_RC__ALREADY_EXISTS);
    // The connection stays for the next request.
    EXPECT_EQ(ShmAsk(m_sock, MOS_SHM_OP__KEEP_ALIVE, 0, "", 0).rc, MOS_RC__SUCCESS);
    std::string out = stopAndReadTraces();
    EXPECT_NE(out.find("SHM operation (name=" + name +
                       ", op=0, bOpenOnly=0 ended in error ALREADY_EXISTS (7)"),
              std::string::npos)
        << out;
}

// Of the requests for a held segment, only an exclusive create is refused
// as existing: exclusive without create is an open.
TEST_F(ShmServerTest, OnlyExclusiveCreateOfAHeldSegmentIsRefused) {
    std::string name = ShmName("srv_excl");
    ASSERT_EQ(ShmAsk(m_sock, MOS_SHM_OP__CREATE, CREATE, name, 4096).rc, MOS_RC__SUCCESS);
    struct {
        uint8_t flags;
        uint32_t rc;
    } const cases[] = {
        {0, MOS_RC__SUCCESS},
        {MOS_SHM_FLAG__EXCLUSIVE, MOS_RC__SUCCESS},
        {CREATE, MOS_RC__SUCCESS},
        {MOS_SHM_FLAG__EXCLUSIVE | MOS_SHM_FLAG__OPEN_ONLY, MOS_RC__SUCCESS},
        {EXCL_CREATE, MOS_RC__ALREADY_EXISTS},
    };
    for (const auto &c : cases) {
        mostest::ShmReply r = ShmAsk(m_sock, MOS_SHM_OP__CREATE, c.flags, name, 0);
        EXPECT_EQ(r.rc, c.rc) << int{c.flags};
        EXPECT_EQ(r.size, 4096u) << int{c.flags};
    }
    // The same through the V20 server, whose exclusive flag has a field
    // of its own.
    MosSocket s = mostest::ShmConnect(m_portV20);
    for (uint8_t flags : {uint8_t{MOS_SHM_FLAG__EXCLUSIVE}, EXCL_CREATE}) {
        MosShmMsgV20 msg;
        ASSERT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__CREATE, flags, name.c_str(), 0),
                  MOS_RC__SUCCESS);
        ASSERT_EQ(osNet_SendAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
        ASSERT_EQ(osNet_RecvAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
        EXPECT_EQ(msg.rc, flags == EXCL_CREATE ? MOS_RC__ALREADY_EXISTS : MOS_RC__SUCCESS);
    }
    osNet_Close(s);
    EXPECT_EQ(held(), 1u);
}

TEST_F(ShmServerTest, HeldSizeOnlyShrinks) {
    std::string name = ShmName("srv_sizes");
    ASSERT_EQ(ShmAsk(m_sock, MOS_SHM_OP__CREATE, CREATE, name, 8192).rc, MOS_RC__SUCCESS);
    struct {
        uint64_t asked;
        uint32_t rc;
        uint64_t replied;
    } const cases[] = {
        {0, MOS_RC__SUCCESS, 8192},
        {4096, MOS_RC__SUCCESS, 4096},
        {0, MOS_RC__SUCCESS, 4096},
        {16384, MOS_RC__NOT_SUPPORTED, 4096},
    };
    for (const auto &c : cases) {
        mostest::ShmReply r = ShmAsk(m_sock, MOS_SHM_OP__CREATE, 0, name, c.asked);
        EXPECT_EQ(r.rc, c.rc) << c.asked;
        EXPECT_EQ(r.size, c.replied) << c.asked;
    }
}

TEST_F(ShmServerTest, OpenOfAnUnknownNameWithoutCreateIsNotFound) {
    EXPECT_EQ(ShmAsk(m_sock, MOS_SHM_OP__CREATE, 0, ShmName("srv_none"), 4096).rc,
              MOS_RC__NOT_FOUND);
    EXPECT_EQ(held(), 0u);
}

TEST_F(ShmServerTest, DeleteOneOrEveryNameContainingIt) {
    EXPECT_EQ(ShmAsk(m_sock, MOS_SHM_OP__DELETE, 0, ShmName("srv_gone"), 0).rc, MOS_RC__NOT_FOUND);
    for (const char *pBase : {"x_fam_1", "keep", "y_fam_2", "fam_3"}) {
        ASSERT_EQ(ShmAsk(m_sock, MOS_SHM_OP__CREATE, CREATE, ShmName(pBase), 4096).rc,
                  MOS_RC__SUCCESS);
    }
    EXPECT_EQ(ShmAsk(m_sock, MOS_SHM_OP__DELETE, MOS_SHM_FLAG__SUBSTRING, "fam_", 0).rc,
              MOS_RC__SUCCESS);
    ASSERT_EQ(held(), 1u);
    EXPECT_STREQ(mosShmEntry_OfNode(shmLayerNT_G.serverShms.pFirst)->name, ShmName("keep").c_str());
}

TEST_F(ShmServerTest, LargeSizeFallsBackToSmallPagesAndRepliesTheSizeAsked) {
    uint64_t largeMin = osShm_GetLargePageMinimum();
    if (largeMin == 0) {
        GTEST_SKIP() << "the platform has no large pages";
    }
    uint64_t size = largeMin / 2 + 4096;
    mostest::ShmReply r = ShmAsk(m_sock, MOS_SHM_OP__CREATE, CREATE, ShmName("srv_big"), size);
    EXPECT_EQ(r.rc, MOS_RC__SUCCESS);
    EXPECT_EQ(r.size, size);
}

TEST_F(ShmServerTest, UnknownOpIsAnsweredAndTheConnectionStays) {
    MosShmReqMsg req;
    mosShmProto_BuildReq(&req, MOS_SHM_OP__CREATE, 0, "x", 0);
    req.op = 9;
    ASSERT_EQ(osNet_SendAll(m_sock, &req, sizeof(req)), MOS_RC__SUCCESS);
    MosShmRespMsg resp;
    ASSERT_EQ(osNet_RecvAll(m_sock, &resp, sizeof(resp)), MOS_RC__SUCCESS);
    EXPECT_EQ(resp.rc, MOS_RC__INVALID);
    EXPECT_EQ(ShmAsk(m_sock, MOS_SHM_OP__KEEP_ALIVE, 0, "", 0).rc, MOS_RC__SUCCESS);
}

TEST_F(ShmServerTest, BadMagicOrShortRequestEndsOnlyThatConnection) {
    MosShmReqMsg req;
    mosShmProto_BuildReq(&req, MOS_SHM_OP__KEEP_ALIVE, 0, "", 0);
    req.magic = 0x12345678;
    ASSERT_EQ(osNet_SendAll(m_sock, &req, sizeof(req)), MOS_RC__SUCCESS);
    MosShmRespMsg resp;
    EXPECT_EQ(osNet_RecvAll(m_sock, &resp, sizeof(resp)), MOS_RC__CLOSED);

    MosSocket shortSock = mostest::ShmConnect(m_port);
    ASSERT_EQ(osNet_SendAll(shortSock, &req, 100), MOS_RC__SUCCESS);
    osNet_Close(shortSock);

    MosSocket next = mostest::ShmConnect(m_port);
    EXPECT_EQ(ShmAsk(next, MOS_SHM_OP__KEEP_ALIVE, 0, "", 0).rc, MOS_RC__SUCCESS);
    osNet_Close(next);
}

TEST_F(ShmServerTest, V20ServerCreatesAndDeletes) {
    MosSocket s = mostest::ShmConnect(m_portV20);
    std::string name = ShmName("srv_v20");
    MosShmMsgV20 msg;
    ASSERT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__CREATE, CREATE, name.c_str(), 4096),
              MOS_RC__SUCCESS);
    ASSERT_EQ(osNet_SendAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
    ASSERT_EQ(osNet_RecvAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
    EXPECT_EQ(msg.rc, MOS_RC__SUCCESS);
    EXPECT_EQ(msg.size, 4096u);
    EXPECT_EQ(held(), 1u);

    ASSERT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__DELETE, 0, name.c_str(), 0),
              MOS_RC__SUCCESS);
    ASSERT_EQ(osNet_SendAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
    ASSERT_EQ(osNet_RecvAll(s, &msg, sizeof(msg)), MOS_RC__SUCCESS);
    EXPECT_EQ(msg.rc, MOS_RC__SUCCESS);
    EXPECT_EQ(held(), 0u);
    osNet_Close(s);
}

} // namespace
