// The debug-port server's socket side: what a client receives must be,
// byte for byte, what the request handler writes, whatever the sizes of
// the pieces against the send buffer.
#include "dport_server_conn.h"

#include "../core_layers.h"
#include "../loopback.h"
#include "mos_net_sock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <vector>

namespace {

// A registry of one type whose objects carry query structures of any size
// (the runtime's own table has none beyond the send buffer).
constexpr uint32_t kTypeId = 155;

struct BigObjects {
    uint32_t querySize = 0;
    uint32_t count = 0;
    uint32_t next = 0;
    MosObjType type{};
    std::vector<MosObjEntry> entries;
};
BigObjects big_G;

MosObjType *getById(uint32_t typeId) {
    return typeId == kTypeId ? &big_G.type : nullptr;
}
uint32_t getNumObjs(const MosObjType *) {
    return big_G.count;
}
uint32_t getQuerySize(const MosObjType *) {
    return big_G.querySize;
}
void enumStart(MosObjType *) {
    big_G.next = 0;
}
MosObjEntry *enumNext(MosObjType *) {
    return big_G.next < big_G.count ? &big_G.entries[big_G.next++] : nullptr;
}
void enumEnd(MosObjType *) {}
MosObjEntry *enumAt(MosObjType *, uint32_t index) {
    return index < big_G.count ? &big_G.entries[index] : nullptr;
}
// Every byte tells its object and its offset, so a misplaced piece shows.
void query(MosObjEntry *pObj, MosObjType *, void *pBuf) {
    const auto index = static_cast<uint32_t>(pObj - big_G.entries.data());
    auto *p = static_cast<uint8_t *>(pBuf);
    for (uint32_t i = 0; i < big_G.querySize; ++i) {
        p[i] = static_cast<uint8_t>(index * 31 + i * 7 + (i >> 8));
    }
}
void command(MosObjEntry *, MosObjType *, uint32_t, uint32_t,
             const char (*)[MOS_OBJ_CMD_ARG_SIZE]) {}

const SdbgRegistry kBigRegistry = {getById, getNumObjs, getQuerySize, enumStart, enumNext,
                                   enumEnd, enumAt,     query,        command};

MOS_RC toMemory(void *pCtx, const void *pData, uint32_t size) {
    auto *pOut = static_cast<std::vector<uint8_t> *>(pCtx);
    const auto *p = static_cast<const uint8_t *>(pData);
    pOut->insert(pOut->end(), p, p + size);
    return MOS_RC__SUCCESS;
}

class SdbgConnSend : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(mostest::ListenAndConnect(&listener_, &client_));
        SdbgListener listener = {listener_};
        ASSERT_EQ(sdbgConn_Accept(&listener, &conn_), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        sdbgConn_Close(&conn_);
        osNet_Close(client_);
        osNet_Close(listener_);
    }

    // Sends a list request announcing expected response bytes, lets the
    // connection answer it while this thread reads, and returns what
    // arrived. *pRc is the connection's result.
    std::vector<uint8_t> exchange(uint32_t expected, MOS_RC *pRc) {
        const uint32_t req[5] = {0x8DB9ABDE, 8, expected, 2, kTypeId};
        EXPECT_EQ(osNet_SendAll(client_, req, sizeof(req)), MOS_RC__SUCCESS);
        EXPECT_EQ(sdbgConn_GetNextRequest(&conn_), MOS_RC__SUCCESS);
        auto answer = std::async(std::launch::async, [this] {
            return sdbgConn_HandleRequest(&conn_, &kBigRegistry, 2);
        });
        std::vector<uint8_t> got(expected);
        EXPECT_EQ(osNet_RecvAll(client_, got.data(), expected), MOS_RC__SUCCESS);
        *pRc = answer.get();
        return got;
    }

    MosSocket listener_ = MOS_INVALID_SOCKET;
    MosSocket client_ = MOS_INVALID_SOCKET;
    SdbgClientConn conn_{};
};

// What the handler writes for the list request, straight into memory.
std::vector<uint8_t> reference(uint32_t expected) {
    std::vector<uint8_t> out;
    const uint32_t payload[2] = {2, kTypeId};
    SdbgResponse resp = {{toMemory, &out}, expected, 0};
    EXPECT_EQ(sdbgReq_Handle(&kBigRegistry, 2, reinterpret_cast<const uint8_t *>(payload),
                             sizeof(payload), &resp),
              MOS_RC__SUCCESS);
    return out;
}

struct SendCase {
    const char *pName;
    uint32_t querySize;
    uint32_t count;
    uint32_t padding; // bytes of 0xFF after the trailer
};

// Status and count (8), a 12-byte header per record, the 12-byte trailer.
uint32_t listSize(const SendCase &c) {
    return 8 + c.count * (c.querySize + 12) + 12 + c.padding;
}

constexpr uint32_t kOneRecordInMax = SDBG_SEND_BUF_MAX - 8 - 12 - 12;

const SendCase kSendCases[] = {
    {"many small records in one buffer", 72, 1000, 0},
    {"record as large as the first buffer", SDBG_SEND_BUF_SIZE, 1, 0},
    {"record one past the first buffer", SDBG_SEND_BUF_SIZE + 1, 3, 0},
    {"response exactly the largest buffer", kOneRecordInMax, 1, 0},
    {"response one past the largest buffer", kOneRecordInMax, 1, 1},
    {"records as large as the largest buffer", SDBG_SEND_BUF_MAX, 2, 0},
    {"records one past the largest buffer", SDBG_SEND_BUF_MAX + 1, 2, 5},
    {"small records padded past the largest buffer", 100, 3, SDBG_SEND_BUF_MAX},
};

} // namespace

TEST_F(SdbgConnSend, ResponsesArriveByteForByteWhateverThePieceSizes) {
    for (const SendCase &c : kSendCases) {
        SCOPED_TRACE(c.pName);
        big_G.querySize = c.querySize;
        big_G.count = c.count;
        big_G.entries.assign(c.count, MosObjEntry{});
        const uint32_t expected = listSize(c);
        MOS_RC rc = MOS_RC__ERROR;
        std::vector<uint8_t> got = exchange(expected, &rc);
        EXPECT_EQ(rc, MOS_RC__SUCCESS);
        std::vector<uint8_t> want = reference(expected);
        ASSERT_EQ(want.size(), expected);
        EXPECT_TRUE(got == want) << "first difference at byte "
                                 << (std::mismatch(got.begin(), got.end(), want.begin()).first -
                                     got.begin());
    }
}
