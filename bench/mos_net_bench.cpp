// Debug-port round trips against the runtime's server on 127.0.0.1, side
// by side with a raw loopback TCP ping-pong moving the same bytes:
//   ServerType: a 16-byte request answered by 8 bytes;
//   List1000x72: a 20-byte request answered by 1,000 records of 72 bytes
//                (84,020 bytes).
// Two more servers show what the response path costs when every word and
// padding byte is its own send: with Nagle's algorithm on, and with
// TCP_NODELAY.
#include "dport_request.h"
#include "dport_server.h"
#include "mos_loader.h"
#include "mos_net_sock.h"
#include "mos_obj.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kListTypeId = 155; // 72-byte query structures
constexpr uint32_t kListCount = 1000;
constexpr uint32_t kListResponse = kListCount * (72 + 12) + 20;

struct BenchObj {
    MosObjEntry entry;
    uint8_t record[72];
};

MosObjType listType_G;
std::vector<BenchObj> listObjs_G(kListCount);

void queryBench(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    memcpy(pBuf, reinterpret_cast<BenchObj *>(pEntry)->record, 72);
}

uint16_t localPort(MosSocket s) {
    uint16_t port = 0;
    (void)osNetSys_GetLocalPort(s, &port);
    return port;
}

MosSocket listenAnyPort() {
    MosSocket s = MOS_INVALID_SOCKET;
    (void)osNet_Socket(&s, NET_SOCKET_TYPE__IPV4);
    (void)osNet_BindPort(s, 0, NET_SOCKET_TYPE__IPV4);
    (void)osNet_Listen(s);
    return s;
}

MosSocket connectTo(uint16_t port) {
    MosSocket s = MOS_INVALID_SOCKET;
    (void)osNet_Socket(&s, NET_SOCKET_TYPE__IPV4);
    NetAddress addr;
    (void)netAddress_BuildFromString(&addr, "127.0.0.1", port);
    (void)osNet_BlockConnect(s, &addr, 2000);
    osNet_SetSockOpt(s, NET_IPPROTO_TCP, NET_TCP_NODELAY, 1);
    return s;
}

std::vector<uint8_t> request(std::initializer_list<uint32_t> payload, uint32_t expected) {
    std::vector<uint32_t> words = {0x8DB9ABDE, static_cast<uint32_t>(payload.size() * 4), expected};
    words.insert(words.end(), payload);
    std::vector<uint8_t> bytes(words.size() * 4);
    memcpy(bytes.data(), words.data(), bytes.size());
    return bytes;
}

void roundTrips(benchmark::State &state, uint16_t port, const std::vector<uint8_t> &req,
                uint32_t responseSize) {
    MosSocket s = connectTo(port);
    std::vector<uint8_t> resp(responseSize);
    for (auto _ : state) {
        if (osNet_SendAll(s, req.data(), static_cast<uint32_t>(req.size())) != MOS_RC__SUCCESS ||
            osNet_RecvAll(s, resp.data(), responseSize) != MOS_RC__SUCCESS) {
            state.SkipWithError("transfer failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    osNet_Close(s);
}

// The peer: reads a request of the given size, answers with a buffer of the
// response size in one send.
struct PingPongServer {
    MosSocket listener = listenAnyPort();
    std::thread thread;
    PingPongServer(uint32_t requestSize, uint32_t responseSize) {
        thread = std::thread([this, requestSize, responseSize] {
            MosSocket s = osNet_Accept(listener);
            osNet_SetSockOpt(s, NET_IPPROTO_TCP, NET_TCP_NODELAY, 1);
            std::vector<uint8_t> req(requestSize), resp(responseSize, 0xFF);
            while (osNet_RecvAll(s, req.data(), requestSize) == MOS_RC__SUCCESS &&
                   osNet_SendAll(s, resp.data(), responseSize) == MOS_RC__SUCCESS) {
            }
            osNet_Close(s);
        });
    }
    ~PingPongServer() {
        thread.join();
        osNet_Close(listener);
    }
};

MOS_RC sendEachPiece(void *pCtx, const void *pData, uint32_t size) {
    return osNet_SendAll(*static_cast<MosSocket *>(pCtx), pData, size);
}

// The same request handling with every piece sent on its own, padding one
// byte at a time as well (the handler pads in chunks, so the sink splits).
MOS_RC sendEachByteOfPadding(void *pCtx, const void *pData, uint32_t size) {
    const auto *p = static_cast<const uint8_t *>(pData);
    bool bPadding = size > 4 && p[0] == 0xFF && p[size - 1] == 0xFF;
    if (!bPadding) {
        return sendEachPiece(pCtx, pData, size);
    }
    for (uint32_t i = 0; i < size; ++i) {
        MOS_RC rc = sendEachPiece(pCtx, p + i, 1);
        if (rc != MOS_RC__SUCCESS) {
            return rc;
        }
    }
    return MOS_RC__SUCCESS;
}

struct UnbufferedServer {
    MosSocket listener = listenAnyPort();
    std::thread thread;
    explicit UnbufferedServer(bool bNoDelay) {
        thread = std::thread([this, bNoDelay] {
            MosSocket s = osNet_Accept(listener);
            osNet_SetSockOpt(s, NET_IPPROTO_TCP, NET_TCP_NODELAY, bNoDelay ? 1 : 0);
            uint8_t msg[12 + 64];
            SdbgMsgHeader header;
            while (osNet_RecvAll(s, &header, sizeof(header)) == MOS_RC__SUCCESS &&
                   header.sizeOfRequestMsg <= 64 &&
                   osNet_RecvAll(s, msg, header.sizeOfRequestMsg) == MOS_RC__SUCCESS) {
                SdbgResponse resp = {
                    {sendEachByteOfPadding, &s}, header.sizeOfExpectedResponseMsg, 0};
                if (sdbgReq_Handle(sdbgReq_MosObjRegistry(), 2, msg, header.sizeOfRequestMsg,
                                   &resp) != MOS_RC__SUCCESS) {
                    break;
                }
            }
            osNet_Close(s);
        });
    }
    ~UnbufferedServer() {
        thread.join();
        osNet_Close(listener);
    }
};

uint16_t serverPort_G;

struct MemorySink {
    std::vector<uint8_t> bytes;
    uint32_t used = 0;
};

MOS_RC toMemory(void *pCtx, const void *pData, uint32_t size) {
    auto *pSink = static_cast<MemorySink *>(pCtx);
    memcpy(pSink->bytes.data() + pSink->used, pData, size);
    pSink->used += size;
    return MOS_RC__SUCCESS;
}

// The request handling alone, into memory: the server's own share of a
// list round trip.
void BM_Handle_List1000x72(benchmark::State &state) {
    const uint32_t payload[2] = {2, kListTypeId};
    MemorySink out;
    out.bytes.resize(kListResponse);
    for (auto _ : state) {
        out.used = 0;
        SdbgResponse resp = {{toMemory, &out}, kListResponse, 0};
        if (sdbgReq_Handle(sdbgReq_MosObjRegistry(), 2, reinterpret_cast<const uint8_t *>(payload),
                           sizeof(payload), &resp) != MOS_RC__SUCCESS) {
            state.SkipWithError("handling failed");
            break;
        }
    }
}

void BM_Sdbg_ServerType(benchmark::State &state) {
    roundTrips(state, serverPort_G, request({3}, 8), 8);
}
void BM_Sdbg_List1000x72(benchmark::State &state) {
    roundTrips(state, serverPort_G, request({2, kListTypeId}, kListResponse), kListResponse);
}
void BM_PingPong_8(benchmark::State &state) {
    PingPongServer peer(16, 8);
    roundTrips(state, localPort(peer.listener), request({3}, 8), 8);
}
void BM_PingPong_84020(benchmark::State &state) {
    PingPongServer peer(20, kListResponse);
    roundTrips(state, localPort(peer.listener), request({2, kListTypeId}, kListResponse),
               kListResponse);
}
void BM_PerWordSends(benchmark::State &state, bool bNoDelay, bool bList) {
    UnbufferedServer server(bNoDelay);
    if (bList) {
        roundTrips(state, localPort(server.listener), request({2, kListTypeId}, kListResponse),
                   kListResponse);
    } else {
        // Padded to 16 bytes: the padding's single-byte sends meet Nagle.
        roundTrips(state, localPort(server.listener), request({3}, 16), 16);
    }
}

} // namespace

BENCHMARK(BM_Sdbg_ServerType)->Name("ServerType/sdbg_server")->UseRealTime();
BENCHMARK(BM_PingPong_8)->Name("ServerType/raw_tcp_pingpong")->UseRealTime();
BENCHMARK(BM_Sdbg_List1000x72)->Name("List1000x72/sdbg_server")->UseRealTime();
BENCHMARK(BM_PingPong_84020)->Name("List1000x72/raw_tcp_pingpong")->UseRealTime();
BENCHMARK(BM_Handle_List1000x72)->Name("List1000x72/handler_to_memory")->UseRealTime();
BENCHMARK_CAPTURE(BM_PerWordSends, nagle, false, false)
    ->Name("ServerTypePadded16/per_word_sends_nagle")
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PerWordSends, nodelay, true, false)
    ->Name("ServerTypePadded16/per_word_sends_nodelay")
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PerWordSends, nagle, false, true)
    ->Name("List1000x72/per_word_sends_nagle")
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PerWordSends, nodelay, true, true)
    ->Name("List1000x72/per_word_sends_nodelay")
    ->UseRealTime();

int main(int argc, char **argv) {
    // The runtime starts with its debug-port server off; the benchmark
    // starts one of its own on a free port below.
    if (mos_Init(nullptr) != MOS_RC__SUCCESS) {
        return 1;
    }
    mosObjType_RegObjType(&listType_G, queryBench, nullptr, kListTypeId, 72);
    for (BenchObj &obj : listObjs_G) {
        memset(obj.record, 0x5A, sizeof(obj.record));
        mosObjType_RegObj(&listType_G, &obj.entry, "bench");
    }
    MosSocket probe = listenAnyPort();
    serverPort_G = localPort(probe);
    osNet_Close(probe);
    SdbgServerConf conf = {2, serverPort_G, 0};
    if (sdbgServer_Init(&conf) != MOS_RC__SUCCESS || !sdbgServer_IsRunning()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sdbgServer_Destroy();
    return 0;
}
