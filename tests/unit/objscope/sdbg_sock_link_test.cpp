// The socket link against servers that misbehave: each failure names its
// own cause, a stalled server costs at most the link's time limit, and the
// link mends itself for the next request once the server is back.
#include "runtime_once.h"
#include "sdbg_application.h"
#include "sdbg_exception.h"
#include "sdbg_link.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_server_link.h"

#include "../free_port.h"
#include "dport_proto.h"
#include "mos_loader.h"
#include "mos_net_sock.h"
#include "os_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kTgt = 2;
constexpr uint32_t kTimerQ = 7;
// Short enough for a test, long enough for any honest answer on loopback.
constexpr const char *kTestTimeLimitMs = "500";
// Hang guard only: a stop that takes this long never ends.
constexpr auto kHangGuard = std::chrono::seconds(60);

// What one accepted connection does: answer this many requests, then act.
struct ConnScript {
    enum Then { kKeepAnswering, kSendOneByteAndClose, kStall, kClose };
    uint32_t answers;
    Then then;
};

// A debug server on 127.0.0.1 that follows one script per connection (the
// last script repeats). Answers carry status OK and the module type for a
// server-type request, 0 otherwise, padded with 0xFF.
class FakeServer {
  public:
    FakeServer(std::vector<ConnScript> scripts, uint16_t port = 0) : scripts_(std::move(scripts)) {
        EXPECT_EQ(osNet_Socket(&listener_, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
        osNet_SetSockOpt(listener_, NET_SOL_SOCKET, NET_SO_REUSEADDR, 1);
        EXPECT_TRUE(osNet_BindPort(listener_, port, NET_SOCKET_TYPE__IPV4));
        EXPECT_EQ(osNetSys_GetLocalPort(listener_, &port_), 0u);
        EXPECT_TRUE(osNet_Listen(listener_));
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeServer() { Stop(); }

    uint16_t Port() const { return port_; }
    uint32_t Stalled() const { return stalled_.load(); }

    // Ends every connection (a stalled one too) and the server.
    void Stop() {
        if (!thread_.joinable()) {
            return;
        }
        {
            std::lock_guard<std::mutex> hold(lock_);
            bStop_ = true;
            for (Conn &conn : conns_) {
                conn.bClosed = conn.bClosed || mosNet_WakeBlocked(conn.socketFd);
            }
        }
        const bool bListenerClosed = mosNet_WakeBlocked(listener_);
        thread_.join();
        for (Conn &conn : conns_) {
            if (!conn.bClosed) {
                osNet_Close(conn.socketFd);
            }
        }
        if (!bListenerClosed) {
            osNet_Close(listener_);
        }
    }

  private:
    struct Conn {
        MosSocket socketFd;
        bool bClosed;
    };

    void Serve() {
        for (uint32_t index = 0;; ++index) {
            MosSocket s = osNet_Accept(listener_);
            std::unique_lock<std::mutex> hold(lock_);
            if (s == MOS_INVALID_SOCKET || bStop_) {
                if (s != MOS_INVALID_SOCKET) {
                    osNet_Close(s);
                }
                return;
            }
            conns_.push_back({s, false});
            hold.unlock();
            RunScript(s, scripts_[std::min<size_t>(index, scripts_.size() - 1)]);
        }
    }

    // False when the client has gone.
    static bool ReadRequest(MosSocket s, SdbgMsgHeader *pHeader, uint32_t *pType) {
        std::vector<uint8_t> payload(4);
        if (osNet_RecvAll(s, pHeader, sizeof(*pHeader)) != MOS_RC__SUCCESS ||
            pHeader->sizeOfRequestMsg < 4 || pHeader->sizeOfRequestMsg > 4096) {
            return false;
        }
        payload.resize(pHeader->sizeOfRequestMsg);
        if (osNet_RecvAll(s, payload.data(), pHeader->sizeOfRequestMsg) != MOS_RC__SUCCESS) {
            return false;
        }
        std::memcpy(pType, payload.data(), 4);
        return true;
    }

    void RunScript(MosSocket s, const ConnScript &script) {
        for (uint32_t answered = 0;; ++answered) {
            SdbgMsgHeader header{};
            uint32_t type = 0;
            if (!ReadRequest(s, &header, &type)) {
                return;
            }
            if (answered >= script.answers && script.then != ConnScript::kKeepAnswering) {
                if (script.then == ConnScript::kSendOneByteAndClose) {
                    (void)osNet_SendAll(s, "\x01", 1);
                }
                if (script.then == ConnScript::kStall) {
                    stalled_.fetch_add(1);
                    return; // held open, never answered, until Stop
                }
                std::lock_guard<std::mutex> hold(lock_);
                conns_.back().bClosed = true;
                osNet_Close(s);
                return;
            }
            std::vector<uint8_t> reply(header.sizeOfExpectedResponseMsg, 0xFF);
            const uint32_t words[2] = {SDBG_STATUS__OK,
                                       type == SDBG_REQ_TYPE__SERVER_TYPE ? kTgt : 0};
            std::memcpy(reply.data(), words, std::min<size_t>(sizeof(words), reply.size()));
            if (reply.empty() ||
                osNet_SendAll(s, reply.data(), static_cast<uint32_t>(reply.size())) !=
                    MOS_RC__SUCCESS) {
                return;
            }
        }
    }

    std::vector<ConnScript> scripts_;
    MosSocket listener_ = MOS_INVALID_SOCKET;
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex lock_;
    bool bStop_ = false;
    std::vector<Conn> conns_;
    std::atomic<uint32_t> stalled_{0};
};

class SockLinkTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(objscopetest::EnsureRuntime(), MOS_RC__SUCCESS);
        ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
        Sdbg_ObjTypeRegistry::Init();
        osEnv_Set("OBJSCOPE_LINK_TIME_LIMIT_MS", kTestTimeLimitMs);
    }
    static void TearDownTestSuite() {
        osEnv_Set("OBJSCOPE_LINK_TIME_LIMIT_MS", nullptr);
        osNetLayer_Destroy();
    }

    // One server-type request through the link; the error it threw, 0 when none.
    static uint32_t AskServerType(Sdbg_Link &link) {
        uint8_t buffer[16] = {};
        const uint32_t type = SDBG_REQ_TYPE__SERVER_TYPE;
        std::memcpy(buffer + 12, &type, 4);
        try {
            (void)link.Transact(buffer, 4, 8);
        } catch (const Sdbg_SockLinkException &failure) {
            const std::string text = failure.GetText();
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(text.find("ioctl"), std::string::npos) << text;
            return failure.GetErrorCode();
        }
        return 0;
    }
};

} // namespace

TEST_F(SockLinkTest, EachFailureNamesItsOwnCause) {
    try {
        Sdbg_SockLink bad("999.999.999.999", 1);
        ADD_FAILURE() << "an address out of range was taken";
    } catch (const Sdbg_SockLinkException &failure) {
        EXPECT_EQ(failure.GetErrorCode(), NET_WSAHOST_NOT_FOUND);
        EXPECT_EQ(std::string(failure.GetText()).find("ioctl"), std::string::npos);
    }
    struct Case {
        const char *pName;
        std::vector<ConnScript> scripts;
        bool bServer;
        uint32_t err;
    };
    const Case cases[] = {
        {"nothing listens", {}, false, NET_WSAECONNREFUSED},
        {"one byte, then the peer closes",
         {{0, ConnScript::kSendOneByteAndClose}},
         true,
         NET_WSAEDISCON},
        {"the server stops answering", {{0, ConnScript::kStall}}, true, NET_WSAETIMEDOUT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pName);
        std::unique_ptr<FakeServer> pServer;
        if (c.bServer) {
            pServer = std::make_unique<FakeServer>(c.scripts);
        }
        Sdbg_SockLink link("127.0.0.1", pServer ? pServer->Port() : mostest::FreeTcpPort());
        EXPECT_EQ(link.Open(), c.bServer);
        EXPECT_EQ(AskServerType(link), c.err);
        char text[Sdbg_Link::kErrorTextSize];
        link.GetErrorText(text);
        EXPECT_NE(text[0], '\0');
    }
}

// A transfer that failed leaves the stream at an unknown point: the next
// request opens a fresh connection by itself and goes through.
TEST_F(SockLinkTest, TheRequestAfterAStallRelinks) {
    FakeServer server({{0, ConnScript::kStall}, {0, ConnScript::kKeepAnswering}});
    Sdbg_SockLink link("127.0.0.1", server.Port());
    ASSERT_TRUE(link.Open());
    EXPECT_EQ(AskServerType(link), NET_WSAETIMEDOUT);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(AskServerType(link), 0u);
    EXPECT_EQ(server.Stalled(), 1u);
}

// The server goes away, a relink is refused, the server comes back: the
// very next request works, without a command wasted on a dead socket.
TEST_F(SockLinkTest, TheFirstRequestAfterTheServerIsBackWorks) {
    auto pServer =
        std::make_unique<FakeServer>(std::vector<ConnScript>{{0, ConnScript::kKeepAnswering}});
    const uint16_t port = pServer->Port();
    Sdbg_ServerLink server(kTgt, "127.0.0.1", port);
    uint32_t count = 7;
    EXPECT_EQ(server.GetObjCount(kTimerQ, &count), SDBG_STATUS__OK);
    EXPECT_EQ(count, 0u);
    pServer.reset();
    EXPECT_THROW((void)server.GetObjCount(kTimerQ, &count), Sdbg_LinkException);
    EXPECT_FALSE(server.Relink());
    try {
        (void)server.GetObjCount(kTimerQ, &count);
        ADD_FAILURE() << "a request reached a server that is gone";
    } catch (const Sdbg_SockLinkException &failure) {
        EXPECT_EQ(failure.GetErrorCode(), NET_WSAECONNREFUSED);
    }
    pServer = std::make_unique<FakeServer>(std::vector<ConnScript>{{0, ConnScript::kKeepAnswering}},
                                           port);
    count = 7;
    EXPECT_EQ(server.GetObjCount(kTimerQ, &count), SDBG_STATUS__OK);
    EXPECT_EQ(count, 0u);
}

// "q" while the display thread waits on a server that stopped answering:
// the display ends once the transfer fails at the link's time limit.
TEST_F(SockLinkTest, StoppingAStalledDisplayEnds) {
    FakeServer server({{1, ConnScript::kStall}, {0, ConnScript::kKeepAnswering}});
    std::istringstream none;
    std::ostringstream printed;
    Sdbg_Application app(std::make_unique<SDbg_FileInput>(none),
                         std::make_unique<SDbg_FileOutput>(printed));
    app.worker.Link(kTgt, "127.0.0.1", server.Port());
    app.worker.StartDisplay(app.view, 0, 1000);
    const auto start = std::chrono::steady_clock::now();
    while (server.Stalled() == 0 && std::chrono::steady_clock::now() - start < kHangGuard) {
        SdbgOs_Sleep(5);
    }
    ASSERT_EQ(server.Stalled(), 1u);
    auto stopped = std::async(std::launch::async, [&app] { app.worker.StopDisplay(); });
    const bool bEnded = stopped.wait_for(kHangGuard) == std::future_status::ready;
    EXPECT_TRUE(bEnded) << "the display never let go";
    server.Stop(); // frees a display that did not
    stopped.wait();
    EXPECT_EQ(app.worker.GetState(), SDbg_Worker::kIdle);
    app.worker.Unlink();
}
