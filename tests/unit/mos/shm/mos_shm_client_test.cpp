// The shared-memory client and its segment operations over real shared
// memory, against the servers the same process starts.
#include "mos_shm_client.h"

#include "../core_layers.h"
#include "../shm_test_support.h"
#include "../trace_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using mostest::ShmName;

class ShmClientTest : public mostest::ShmTest {
  protected:
    void TearDown() override {
        if (m_bStarted) {
            mosShmLayer_DestroyOs();
        }
        mosShmClient_SetFramedPort(0);
    }
    void choosePorts() {
        m_port = mostest::FreeTcpPort();
        m_portV20 = mostest::FreeTcpPort();
    }
    // Client and, with bServers, both servers on free ports.
    void start(bool bServers, bool bPortsChosen = false) {
        if (!bPortsChosen) {
            choosePorts();
        }
        mosShmClient_SetFramedPort(m_port);
        MosShmParams params = {bServers ? 1u : 0u, m_portV20, nullptr, 0};
        ASSERT_EQ(mosShmClient_Create(&params), MOS_RC__SUCCESS);
        m_bStarted = true;
    }

    // Both servers go and come back empty; the segments live on through the
    // client's handles. Both go because the client may have reached the V20
    // server first at start; the framed one comes back first, so the
    // reconnecting client finds it.
    void restartServers() {
        mosShmServer_Destroy(&shmLayerNT_G.serverV20);
        mosShmServer_Destroy(&shmLayerNT_G.server);
        mosShmLayer_CloseServerShms();
        ASSERT_EQ(mosShmServer_Create(&shmLayerNT_G.server, m_port, mosShmServer_recvReq,
                                      mosShmServer_sendResp),
                  MOS_RC__SUCCESS);
        ASSERT_EQ(mosShmServer_Create(&shmLayerNT_G.serverV20, m_portV20, mosShmServer_recvReqV20,
                                      mosShmServer_sendRespV20),
                  MOS_RC__SUCCESS);
    }
    // The first request after a restart may meet the old, broken
    // connection; the client then reconnects and the second one goes.
    static MOS_RC openAfterRestart(MosShm *pShm, const std::string &name, uint64_t size) {
        MOS_RC rc = mosShmUmt_CreateOs(pShm, name.c_str(), size, 1, 0);
        return rc == MOS_RC__SUCCESS ? rc : mosShmUmt_CreateOs(pShm, name.c_str(), size, 1, 0);
    }

    // A server played by the test: listens on the framed port (or, with
    // bV20, on the V20 port only), then the client starts and connects.
    MosSocket startAgainstTestServer(MosSocket *pConn, bool bV20 = false) {
        choosePorts();
        MosSocket listener = MOS_INVALID_SOCKET;
        EXPECT_EQ(osNet_Socket(&listener, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        NetAddress addr;
        EXPECT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", bV20 ? m_portV20 : m_port),
                  MOS_RC__SUCCESS);
        EXPECT_TRUE(osNet_BindAddr(listener, &addr));
        EXPECT_TRUE(osNet_Listen(listener));
        start(false, true);
        *pConn = osNet_Accept(listener);
        return listener;
    }
    // The next request that is not a keep-alive (those may come any time).
    static void recvRequest(MosSocket conn, MosShmReqMsg *pReq) {
        do {
            ASSERT_EQ(osNet_RecvAll(conn, pReq, sizeof(*pReq)), MOS_RC__SUCCESS);
        } while (pReq->op == MOS_SHM_OP__KEEP_ALIVE);
    }
    static void reply(MosSocket conn, uint64_t size, uint32_t rc) {
        MosShmServerResp resp = {};
        resp.size = size;
        resp.rc = rc;
        MosShmRespMsg msg;
        mosShmProto_BuildResp(&resp, &msg);
        ASSERT_EQ(osNet_SendAll(conn, &msg, sizeof(msg)), MOS_RC__SUCCESS);
    }

    uint16_t m_port = 0;
    uint16_t m_portV20 = 0;
    bool m_bStarted = false;
};

TEST_F(ShmClientTest, CreatedSegmentIsSharedBetweenThreads) {
    start(true);
    std::string name = ShmName("Cli_Shared");
    MosShm writer;
    ASSERT_EQ(mosShmUmt_CreateOs(&writer, name.c_str(), 4096, 1, 0), MOS_RC__SUCCESS);
    EXPECT_NE(writer.shmFD, nullptr);
    EXPECT_EQ(mosShmClient_GetNumShms(), 1u);
    ASSERT_EQ(mosShm_Map(&writer), MOS_RC__SUCCESS);
    strcpy(static_cast<char *>(writer.pMem) + 100, "across threads");

    std::string seen;
    uint64_t seenSize = 0;
    std::thread reader([&] {
        MosShm other;
        // Mixed case finds the same, lower-cased, segment.
        ASSERT_EQ(mosShmUmt_CreateOs(&other, name.c_str(), 0, 0, 0), MOS_RC__SUCCESS);
        seenSize = other.memSize;
        ASSERT_EQ(mosShm_Map(&other), MOS_RC__SUCCESS);
        seen = static_cast<const char *>(other.pMem) + 100;
        mosShm_CloseOs(&other);
    });
    reader.join();
    EXPECT_EQ(seenSize, 4096u);
    EXPECT_EQ(seen, "across threads");
    mosShmUmt_DestroyOs(&writer);
    EXPECT_EQ(writer.shmFD, nullptr);
    EXPECT_EQ(mosShmClient_GetNumShms(), 0u);

    MosShm again;
    EXPECT_EQ(mosShmUmt_CreateOs(&again, name.c_str(), 0, 0, 0), MOS_RC__NOT_FOUND);
    EXPECT_EQ(again.shmFD, nullptr);
}

TEST_F(ShmClientTest, ServerRefusalsReachTheCaller) {
    start(true);
    std::string name = ShmName("cli_refusals");
    MosShm shm;
    EXPECT_EQ(mosShmUmt_CreateOs(&shm, ShmName("cli_unknown").c_str(), 0, 0, 0), MOS_RC__NOT_FOUND);
    ASSERT_EQ(mosShmUmt_CreateOs(&shm, name.c_str(), 4096, 1, 0), MOS_RC__SUCCESS);
    MosShm second;
    EXPECT_EQ(mosShmUmt_CreateOs(&second, name.c_str(), 4096, 1, 1), MOS_RC__ALREADY_EXISTS);
    EXPECT_EQ(second.shmFD, nullptr);
    // Bigger than held: refused; the client reconnects and goes on.
    EXPECT_EQ(mosShmUmt_CreateOs(&second, name.c_str(), 8192, 0, 0), MOS_RC__NOT_SUPPORTED);
    EXPECT_EQ(mosShmUmt_CreateOs(&second, name.c_str(), 0, 0, 0), MOS_RC__SUCCESS);
    mosShm_CloseOs(&second);
    mosShm_CloseOs(&shm);
}

TEST_F(ShmClientTest, NoServerCompletesEveryRequestWithoutHandle) {
    // Capturing first: the client thread traces as soon as it runs.
    mostest::TraceCapture capture;
    start(false);
    auto begin = std::chrono::steady_clock::now();
    MosShm shm;
    EXPECT_EQ(mosShmUmt_CreateOs(&shm, ShmName("cli_alone").c_str(), 4096, 1, 0), MOS_RC__ILLEGAL);
    EXPECT_EQ(mosShmUmt_CreateOs(&shm, ShmName("cli_alone").c_str(), 4096, 1, 0), MOS_RC__ILLEGAL);
    auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - begin)
                         .count();
    EXPECT_EQ(shm.shmFD, nullptr);
    // Each request ends with its retry round, not when a server appears: a
    // deadline far above one round tells the two apart under any load.
    EXPECT_LT(elapsedMs, 60000);
    std::string out = capture.Stop();
    size_t first = out.find("Failed to connect to shared memory server.Will start retry loop of "
                            "500 millis interval until connection is successful");
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("Failed to connect", first + 1), std::string::npos) << "traced once";
}

TEST_F(ShmClientTest, FallsBackToTheV20Server) {
    choosePorts();
    MosShmServer v20;
    // Capturing before any thread starts, and until every one has ended.
    mostest::TraceCapture capture;
    ASSERT_EQ(
        mosShmServer_Create(&v20, m_portV20, mosShmServer_recvReqV20, mosShmServer_sendRespV20),
        MOS_RC__SUCCESS);
    start(false, true);
    MosShm shm;
    MOS_RC rc = mosShmUmt_CreateOs(&shm, ShmName("cli_v20").c_str(), 4096, 1, 0);
    EXPECT_EQ(rc, MOS_RC__SUCCESS);
    if (rc == MOS_RC__SUCCESS) {
        mosShm_CloseOs(&shm);
    }
    // V20 cannot carry 4 GiB: refused unsent, then the client reconnects.
    EXPECT_EQ(mosShmUmt_CreateOs(&shm, ShmName("cli_v20_big").c_str(), 0x100000000ULL, 1, 0),
              MOS_RC__ILLEGAL);
    EXPECT_EQ(shmLayerNT_G.serverShms.counter, 1u);
    ASSERT_EQ(mosShmUmt_CreateOs(&shm, ShmName("cli_v20_next").c_str(), 4096, 1, 0),
              MOS_RC__SUCCESS);
    mosShm_CloseOs(&shm);
    mosShmServer_Destroy(&v20);
    mosShmLayer_CloseServerShms();
    mosShmLayer_DestroyOs();
    m_bStarted = false;
    std::string out = capture.Stop();
    EXPECT_NE(out.find("Successfully connected to shared memory server."), std::string::npos)
        << out;
}

// The framed server goes away while the client holds three segments; a
// new one learns all three before the next request.
TEST_F(ShmClientTest, NewServerIsResynchronised) {
    start(true);
    MosShm shms[3];
    for (int i = 0; i < 3; i++) {
        std::string name = ShmName(("cli_sync" + std::to_string(i)).c_str());
        ASSERT_EQ(mosShmUmt_CreateOs(&shms[i], name.c_str(), 4096, 1, 0), MOS_RC__SUCCESS);
    }
    restartServers();
    MosShm later;
    ASSERT_EQ(openAfterRestart(&later, ShmName("cli_later"), 4096), MOS_RC__SUCCESS);
    ASSERT_EQ(shmLayerNT_G.serverShms.counter, 4u);
    MosListNode *pNode = shmLayerNT_G.serverShms.pFirst;
    for (int i = 0; i < 3; i++, pNode = mosList_Next(pNode)) {
        auto *pEntry = mosShmEntry_OfNode(pNode);
        EXPECT_STREQ(pEntry->name, shms[i].name);
    }
    mosShm_CloseOs(&later);
    for (MosShm &shm : shms) {
        mosShm_CloseOs(&shm);
    }
}

// A segment another process made and this one opened without a size is
// handed to a new server with the size it has.
TEST_F(ShmClientTest, SegmentOpenedWithoutSizeIsResynchronisedWithItsSize) {
    start(true);
    std::string name = ShmName("cli_other");
    MosSocket s = mostest::ShmConnect(m_port);
    ASSERT_EQ(mostest::ShmAsk(s, MOS_SHM_OP__CREATE, MOS_SHM_FLAG__CREATE, name, 8192).rc,
              MOS_RC__SUCCESS);
    osNet_Close(s);
    MosShm opened;
    ASSERT_EQ(mosShmUmt_CreateOs(&opened, name.c_str(), 0, 0, 0), MOS_RC__SUCCESS);
    EXPECT_EQ(opened.memSize, 8192u);
    restartServers();
    MosShm again;
    ASSERT_EQ(openAfterRestart(&again, name, 0), MOS_RC__SUCCESS);
    EXPECT_EQ(again.memSize, 8192u);
    ASSERT_EQ(mosShm_Map(&again), MOS_RC__SUCCESS);
    mosShm_CloseOs(&again);
    mosShm_CloseOs(&opened);
}

// A framed server played by the test: it sees the client's keep-alive
// after a second of quiet, and answers creations with a wrong magic and
// with a cut reply; each fails the request and makes the client reconnect.
TEST_F(ShmClientTest, BadRepliesFailTheRequestAndTheConnection) {
    MosSocket conn = MOS_INVALID_SOCKET;
    MosSocket listener = startAgainstTestServer(&conn);
    MosShmReqMsg req;
    ASSERT_EQ(osNet_RecvAll(conn, &req, sizeof(req)), MOS_RC__SUCCESS);
    EXPECT_EQ(req.magic, MOS_SHM_MSG_MAGIC);
    EXPECT_EQ(req.op, MOS_SHM_OP__KEEP_ALIVE);
    MosShmServerResp resp = {};
    resp.rc = MOS_RC__SUCCESS;
    MosShmRespMsg reply;
    mosShmProto_BuildResp(&resp, &reply);
    ASSERT_EQ(osNet_SendAll(conn, &reply, sizeof(reply)), MOS_RC__SUCCESS);

    // Last: a grant of 0 bytes for a size-0 open cannot be mapped; it is
    // refused and the connection stays.
    struct {
        uint32_t magic;
        uint32_t replyBytes;
        uint64_t sizeAsked;
        uint64_t sizeGranted;
        MOS_RC expected;
    } const cases[] = {
        {0x11111111, sizeof(MosShmRespMsg), 4096, 4096, MOS_RC__INVALID},
        {MOS_SHM_MSG_MAGIC, 100, 4096, 4096, MOS_RC__CLOSED},
        {MOS_SHM_MSG_MAGIC, sizeof(MosShmRespMsg), 0, 0, MOS_RC__INVALID},
    };
    for (const auto &c : cases) {
        MOS_RC rc = MOS_RC__SUCCESS;
        MosShm shm;
        std::thread caller([&] { rc = mosShmUmt_CreateOs(&shm, "bad", c.sizeAsked, 1, 0); });
        recvRequest(conn, &req);
        EXPECT_EQ(req.op, MOS_SHM_OP__CREATE);
        EXPECT_EQ(req.flags, MOS_SHM_FLAG__CREATE);
        resp.size = c.sizeGranted;
        mosShmProto_BuildResp(&resp, &reply);
        reply.magic = c.magic;
        ASSERT_EQ(osNet_SendAll(conn, &reply, c.replyBytes), MOS_RC__SUCCESS);
        if (c.replyBytes < sizeof(reply)) {
            osNet_Close(conn);
        }
        caller.join();
        EXPECT_EQ(rc, c.expected);
        EXPECT_EQ(shm.shmFD, nullptr);
        if (c.magic == MOS_SHM_MSG_MAGIC && c.replyBytes == sizeof(reply)) {
            break; // the connection stands
        }
        if (c.replyBytes == sizeof(reply)) {
            osNet_Close(conn);
        }
        conn = osNet_Accept(listener); // the client comes back
        ASSERT_NE(conn, MOS_INVALID_SOCKET);
    }
    // Still the same connection: a keep-alive or nothing, never a new one.
    ASSERT_EQ(osNet_RecvAll(conn, &req, sizeof(req)), MOS_RC__SUCCESS);
    EXPECT_EQ(req.op, MOS_SHM_OP__KEEP_ALIVE);
    osNet_Close(conn);
    osNet_Close(listener);
}

// The server grants a segment that cannot be opened here. Only a segment
// the request certainly made (an exclusive create) is deleted again; an
// open, or a create that may have found the segment in use, must not take
// it from the processes that hold it.
TEST_F(ShmClientTest, FailedLocalOpenUndoesOnlyAnExclusiveCreate) {
    MosSocket conn = MOS_INVALID_SOCKET;
    MosSocket listener = startAgainstTestServer(&conn);
    ASSERT_NE(conn, MOS_INVALID_SOCKET);
    const std::string ghost = ShmName("cli_ghost"); // no such mapping here
    const std::string marker = ShmName("cli_marker");
    struct {
        uint32_t bCreate;
        uint32_t bExclusive;
        bool bUndone;
    } const cases[] = {
        {0, 0, false},
        {1, 0, false},
        {1, 1, true},
    };
    for (const auto &c : cases) {
        MOS_RC rc = MOS_RC__SUCCESS;
        MosShm shm;
        std::thread caller(
            [&] { rc = mosShmUmt_CreateOs(&shm, ghost.c_str(), 4096, c.bCreate, c.bExclusive); });
        MosShmReqMsg req;
        recvRequest(conn, &req);
        EXPECT_EQ(req.op, MOS_SHM_OP__CREATE);
        reply(conn, 4096, MOS_RC__SUCCESS);
        // A request queued now is served right after this one: the server
        // sees an undo first, or else the marker.
        std::thread next([&] { mosShmClient_DestroyShmInServer(marker.c_str()); });
        recvRequest(conn, &req);
        const bool bUndone = req.op == MOS_SHM_OP__DELETE && std::string(req.name) == ghost;
        if (bUndone) {
            reply(conn, 0, MOS_RC__SUCCESS);
            recvRequest(conn, &req);
        }
        EXPECT_EQ(bUndone, c.bUndone) << c.bCreate << c.bExclusive;
        EXPECT_EQ(std::string(req.name), marker);
        reply(conn, 0, MOS_RC__NOT_FOUND);
        caller.join();
        next.join();
        EXPECT_EQ(rc, MOS_RC__ERROR) << c.bCreate << c.bExclusive;
        EXPECT_EQ(shm.shmFD, nullptr);
    }
    EXPECT_EQ(mosShmClient_GetNumShms(), 0u);
    osNet_Close(conn);
    osNet_Close(listener);
}

// Over V20 every size up to the largest 32-bit one goes out in the size
// field; one past it is refused unsent and the connection is dropped.
TEST_F(ShmClientTest, V20CarriesEvery32BitSize) {
    MosSocket conn = MOS_INVALID_SOCKET;
    MosSocket listener = startAgainstTestServer(&conn, true);
    ASSERT_NE(conn, MOS_INVALID_SOCKET);
    struct {
        uint64_t size;
        MOS_RC expected;
    } const cases[] = {
        {0, MOS_RC__NOT_FOUND},
        {0xFFFFFFFEULL, MOS_RC__NOT_FOUND},
        {0xFFFFFFFFULL, MOS_RC__NOT_FOUND},
        {0x100000000ULL, MOS_RC__ILLEGAL},
    };
    for (const auto &c : cases) {
        MOS_RC rc = MOS_RC__SUCCESS;
        MosShm shm;
        std::thread caller([&] { rc = mosShmUmt_CreateOs(&shm, "v20size", c.size, 1, 0); });
        MosShmMsgV20 msg;
        const MOS_RC received = osNet_RecvAll(conn, &msg, sizeof(msg));
        if (c.expected != MOS_RC__ILLEGAL) {
            EXPECT_EQ(received, MOS_RC__SUCCESS) << c.size;
            EXPECT_EQ(msg.size, c.size);
            EXPECT_EQ(msg.isCreate, 1u);
            MosShmServerResp resp = {};
            resp.rc = MOS_RC__NOT_FOUND;
            mosShmProto_BuildRespV20(&resp, &msg);
            EXPECT_EQ(osNet_SendAll(conn, &msg, sizeof(msg)), MOS_RC__SUCCESS);
        } else {
            EXPECT_EQ(received, MOS_RC__CLOSED) << "nothing sent, the connection dropped";
        }
        caller.join();
        EXPECT_EQ(rc, c.expected) << c.size;
    }
    osNet_Close(conn);
    osNet_Close(listener);
}

} // namespace
