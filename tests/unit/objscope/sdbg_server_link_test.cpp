#include "scripted_link.h"
#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_server_link.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using objscopetest::ScriptedLink;

constexpr uint32_t kTgt = 2;
constexpr uint32_t kMdm = 3;
constexpr uint32_t kLockStatsMgr = 5; // query structure of 4 bytes
constexpr uint32_t kTimerQ = 7;       // query structure of 80 bytes

uint32_t WordAt(const std::vector<uint8_t> &bytes, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

TEST(SdbgLinkTest, BufferSizeIsTheLargerOfRequestAndResponse) {
    ScriptedLink link;
    EXPECT_EQ(link.BufferSize(8, 20), 20u);
    EXPECT_EQ(link.BufferSize(8, 8), 20u);
    EXPECT_EQ(link.BufferSize(0, 0), 12u);
}

TEST(SdbgLinkTest, SocketLinkTakesNumericAddressesOnly) {
    EXPECT_THROW(Sdbg_SockLink("localhost", 25640), Sdbg_SockLinkException);
    EXPECT_THROW(Sdbg_SockLink("127.0.0.1.5", 25640), Sdbg_SockLinkException);
    const Sdbg_SockLink v4("127.0.0.1", 25640);
    EXPECT_STREQ(v4.GetName(), "127.0.0.1");
    EXPECT_EQ(v4.GetPort(), 25640);
}

// A server link over a scripted transport, linked as a data server.
struct ServerLinkFixture : public ::testing::Test {
    void SetUp() override { Sdbg_ObjTypeRegistry::Init(); }

    Sdbg_ServerLink &Linked(uint32_t moduleType = kTgt) {
        auto pOwned = std::make_unique<ScriptedLink>();
        pScript = pOwned.get();
        pScript->ReplyWords({SDBG_STATUS__OK, moduleType});
        pServer = std::make_unique<Sdbg_ServerLink>(moduleType, std::move(pOwned));
        return *pServer;
    }
    // One record {type, id, size} and its data bytes.
    static void AddRecord(std::vector<uint8_t> &reply, uint32_t typeId, uint32_t objId,
                          const std::vector<uint8_t> &data) {
        const uint32_t header[3] = {typeId, objId, static_cast<uint32_t>(data.size())};
        const auto *pHeader = reinterpret_cast<const uint8_t *>(header);
        reply.insert(reply.end(), pHeader, pHeader + sizeof(header));
        reply.insert(reply.end(), data.begin(), data.end());
    }
    static void AddWords(std::vector<uint8_t> &reply, std::initializer_list<uint32_t> words) {
        for (uint32_t word : words) {
            const auto *pWord = reinterpret_cast<const uint8_t *>(&word);
            reply.insert(reply.end(), pWord, pWord + 4);
        }
    }

    ScriptedLink *pScript = nullptr;
    std::unique_ptr<Sdbg_ServerLink> pServer;
};

TEST_F(ServerLinkFixture, ServerTypeIsChecked) {
    Sdbg_ServerLink &server = Linked();
    EXPECT_EQ(server.GetServerType(), kTgt);
    ASSERT_EQ(pScript->sent.size(), 1u);
    const std::vector<uint8_t> &request = pScript->sent[0];
    ASSERT_EQ(request.size(), 16u);
    EXPECT_EQ(WordAt(request, 0), SDBG_MSG_MAGIC);
    EXPECT_EQ(WordAt(request, 4), 4u);
    EXPECT_EQ(WordAt(request, 8), 8u);
    EXPECT_EQ(WordAt(request, 12), SDBG_REQ_TYPE__SERVER_TYPE);

    auto pWrong = std::make_unique<ScriptedLink>();
    pWrong->ReplyWords({SDBG_STATUS__OK, kMdm});
    try {
        Sdbg_ServerLink wrong(kTgt, std::move(pWrong));
        FAIL() << "a metadata manager was accepted as a data server";
    } catch (const Sdbg_Exception &failure) {
        EXPECT_STREQ(failure.GetText(), "Server type is mdm not tgt");
    }
    auto pUnknown = std::make_unique<ScriptedLink>();
    pUnknown->ReplyWords({SDBG_STATUS__OK, 77});
    try {
        Sdbg_ServerLink unknown(kMdm, std::move(pUnknown));
        FAIL() << "an unknown module type was accepted";
    } catch (const Sdbg_Exception &failure) {
        EXPECT_STREQ(failure.GetText(), "Server type is Undefined module type not mdm");
    }
    auto pClosed = std::make_unique<ScriptedLink>();
    pClosed->bOpenSucceeds = false;
    try {
        Sdbg_ServerLink closed(kTgt, std::move(pClosed));
        FAIL() << "a link that did not open was accepted";
    } catch (const Sdbg_Exception &failure) {
        EXPECT_STREQ(failure.GetText(), "Link to server failed");
    }
}

TEST_F(ServerLinkFixture, RequestSizesAndPayloads) {
    Sdbg_ServerLink &server = Linked();
    pScript->ReplyWords({SDBG_STATUS__OK, 3});
    uint32_t count = 0;
    EXPECT_EQ(server.GetObjCount(kTimerQ, &count), SDBG_STATUS__OK);
    EXPECT_EQ(count, 3u);
    const std::vector<uint8_t> &countReq = pScript->sent.back();
    ASSERT_EQ(countReq.size(), 20u);
    EXPECT_EQ(WordAt(countReq, 4), 8u);
    EXPECT_EQ(WordAt(countReq, 8), 8u);
    EXPECT_EQ(WordAt(countReq, 12), SDBG_REQ_TYPE__OBJ_COUNT);
    EXPECT_EQ(WordAt(countReq, 16), kTimerQ);

    pScript->ReplyWords({SDBG_STATUS__OK, 0});
    uint32_t received = 99;
    auto nowhere = [](uint32_t, uint32_t) { return Sdbg_RecordDest{nullptr, 0}; };
    EXPECT_EQ(server.GetAllObjs(kTimerQ, 3, nowhere, &received), SDBG_STATUS__OK);
    EXPECT_EQ(received, 0u);
    const std::vector<uint8_t> &allReq = pScript->sent.back();
    EXPECT_EQ(WordAt(allReq, 8), 3u * (80 + 12) + 20);
    EXPECT_EQ(WordAt(allReq, 12), SDBG_REQ_TYPE__ALL_OBJS);

    pScript->ReplyWords({SDBG_STATUS__NOT_FOUND});
    EXPECT_EQ(server.DoOperation(2, kTimerQ, 41, 0, nullptr), SDBG_STATUS__NOT_FOUND);
    const std::vector<uint8_t> &opReq = pScript->sent.back();
    ASSERT_EQ(opReq.size(), 12u + 660);
    EXPECT_EQ(WordAt(opReq, 8), 4u);
    const uint32_t expectedWords[] = {SDBG_REQ_TYPE__OBJ_COMMAND, 2, kTimerQ, 41, 0};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(WordAt(opReq, 12 + 4 * i), expectedWords[i]) << "word " << i;
    }
}

TEST_F(ServerLinkFixture, CommandArgumentsFillTheirFields) {
    Sdbg_ServerLink &server = Linked();
    char args[10][64] = {};
    std::memcpy(args[0], "short", 5);
    std::memset(args[1], 'x', sizeof(args[1])); // 64 characters, no NUL
    pScript->ReplyWords({SDBG_STATUS__OK});
    EXPECT_EQ(server.DoOperation(2, kTimerQ, 1, 10, args), SDBG_STATUS__OK);
    const std::vector<uint8_t> &request = pScript->sent.back();
    ASSERT_EQ(request.size(), 12u + 1300);
    EXPECT_EQ(WordAt(request, 4), 1300u);
    EXPECT_EQ(WordAt(request, 12 + 16), 10u);
    const uint8_t *pFields = request.data() + 12 + 20;
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(pFields)), "short");
    EXPECT_EQ(std::vector<uint8_t>(pFields + 5, pFields + 64), std::vector<uint8_t>(59, 0));
    EXPECT_EQ(std::vector<uint8_t>(pFields + 64, pFields + 128), std::vector<uint8_t>(64, 'x'));
    EXPECT_THROW((void)server.DoOperation(2, kTimerQ, 1, 11, args), Sdbg_Exception);
}

TEST_F(ServerLinkFixture, AllObjectsSkipEmptyRecordsAndPackFromTheFront) {
    Sdbg_ServerLink &server = Linked();
    std::vector<uint8_t> reply;
    AddWords(reply, {SDBG_STATUS__OK, 3});
    AddRecord(reply, kLockStatsMgr, 10, {1, 2, 3, 4});
    AddRecord(reply, kLockStatsMgr, 11, {});
    AddRecord(reply, kLockStatsMgr, 12, {5, 6, 7, 8});
    AddWords(reply, {SDBG_OBJ_LIST_END, 3, 0});
    pScript->replies.push_back(reply);

    std::array<std::array<uint8_t, 4>, 3> data{};
    std::array<uint32_t, 3> ids{};
    auto pick = [&](uint32_t k, uint32_t objId) {
        ids[k] = objId;
        return Sdbg_RecordDest{data[k].data(), 4};
    };
    uint32_t received = 0;
    EXPECT_EQ(server.GetAllObjs(kLockStatsMgr, 3, pick, &received), SDBG_STATUS__OK);
    EXPECT_EQ(received, 2u);
    EXPECT_EQ(ids[0], 10u);
    EXPECT_EQ(ids[1], 12u);
    EXPECT_EQ(data[0], (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(data[1], (std::array<uint8_t, 4>{5, 6, 7, 8}));
}

// A hostile or broken server: records announcing more data than the
// object holds, or more than the response carries.
TEST_F(ServerLinkFixture, RecordCopiesAreBounded) {
    Sdbg_ServerLink &server = Linked();
    std::vector<uint8_t> reply;
    AddWords(reply, {SDBG_STATUS__OK, 2});
    AddRecord(reply, kLockStatsMgr, 1, {9, 9, 9, 9, 9, 9, 9, 9}); // 8 bytes for a 4-byte object
    AddWords(reply, {kLockStatsMgr, 2, 0x7FFFFFFF});              // runs past the response
    pScript->replies.push_back(reply);

    std::array<uint8_t, 8> guarded{};
    guarded.fill(0xAA);
    auto pick = [&](uint32_t, uint32_t) { return Sdbg_RecordDest{guarded.data(), 4}; };
    uint32_t received = 0;
    // The response length of two 4-byte objects is 52 bytes: the first
    // record (20 bytes) fits, the second's announced size does not.
    EXPECT_EQ(server.GetAllObjs(kLockStatsMgr, 2, pick, &received), SDBG_STATUS__OK);
    EXPECT_EQ(received, 1u);
    EXPECT_EQ(guarded, (std::array<uint8_t, 8>{9, 9, 9, 9, 0xAA, 0xAA, 0xAA, 0xAA}));

    // A record shorter than the object leaves no stale bytes behind.
    std::vector<uint8_t> shortReply;
    AddWords(shortReply, {SDBG_STATUS__OK, 1});
    AddRecord(shortReply, kLockStatsMgr, 1, {7});
    AddWords(shortReply, {SDBG_OBJ_LIST_END, 1, 0});
    pScript->replies.push_back(shortReply);
    EXPECT_EQ(server.GetAllObjs(kLockStatsMgr, 1, pick, &received), SDBG_STATUS__OK);
    EXPECT_EQ(guarded, (std::array<uint8_t, 8>{7, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA}));
}

TEST_F(ServerLinkFixture, ObjectCountIsCappedToOneBoundedResponse) {
    Sdbg_ServerLink &server = Linked();
    pScript->ReplyWords({SDBG_STATUS__OK, 0xFFFFFFF0});
    uint32_t count = 0;
    EXPECT_EQ(server.GetObjCount(kTimerQ, &count), SDBG_STATUS__OK);
    EXPECT_EQ(count, (Sdbg_Request::kMaxResponseSize - 20) / (80 + 12));
    pScript->ReplyWords({SDBG_STATUS__RESPONSE_TOO_SMALL});
    uint32_t received = 0;
    std::vector<uint8_t> sink(80);
    auto pick = [&](uint32_t, uint32_t) { return Sdbg_RecordDest{sink.data(), 80}; };
    EXPECT_EQ(server.GetAllObjs(kTimerQ, count, pick, &received), SDBG_STATUS__RESPONSE_TOO_SMALL);
    EXPECT_LE(WordAt(pScript->sent.back(), 8), Sdbg_Request::kMaxResponseSize);
    EXPECT_THROW((void)server.GetAllObjs(kTimerQ, count + 1, pick, &received), Sdbg_Exception);
}

TEST_F(ServerLinkFixture, ChosenObjectsSetFoundBitsInRequestOrder) {
    Sdbg_ServerLink &server = Linked();
    std::vector<uint8_t> reply;
    AddWords(reply, {SDBG_STATUS__OK});
    AddRecord(reply, kLockStatsMgr, 1, {1, 1, 1, 1});
    AddRecord(reply, kLockStatsMgr, 2, {});
    AddRecord(reply, kLockStatsMgr, 3, {3, 3, 3, 3});
    AddWords(reply, {SDBG_OBJ_LIST_END, 3, 0});
    pScript->replies.push_back(reply);
    const uint32_t typeIds[] = {kLockStatsMgr, kLockStatsMgr, kLockStatsMgr};
    const uint32_t objIds[] = {1, 2, 3};
    std::array<std::array<uint8_t, 4>, 3> data{};
    auto pick = [&](uint32_t i) { return Sdbg_RecordDest{data[i].data(), 4}; };
    std::vector<bool> found(3, false);
    EXPECT_EQ(server.GetObjsById(3, typeIds, objIds, pick, found), SDBG_STATUS__OK);
    EXPECT_EQ(found, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(data[2], (std::array<uint8_t, 4>{3, 3, 3, 3}));
    const std::vector<uint8_t> &request = pScript->sent.back();
    EXPECT_EQ(WordAt(request, 4), 8u + 8 * 3);
    EXPECT_EQ(WordAt(request, 8), 12u * 3 + 16 + 3 * 4);
    EXPECT_EQ(WordAt(request, 12 + 4), 3u);
    EXPECT_EQ(WordAt(request, 12 + 8 + 8), kLockStatsMgr);
    EXPECT_EQ(WordAt(request, 12 + 12 + 8), 2u);
}

// One request carries at most ten objects, or ten command arguments:
// nine and ten go out whole, eleven are refused before anything is sent.
struct RequestLimitCase {
    uint32_t count;
    bool bSent;
};

void PrintTo(const RequestLimitCase &c, std::ostream *pOut) {
    *pOut << c.count << (c.bSent ? " sent" : " refused");
}

class RequestLimitTest : public ServerLinkFixture,
                         public ::testing::WithParamInterface<RequestLimitCase> {};

TEST_P(RequestLimitTest, ChosenObjects) {
    const RequestLimitCase &c = GetParam();
    Sdbg_ServerLink &server = Linked();
    std::vector<uint32_t> typeIds(c.count, kLockStatsMgr);
    std::vector<uint32_t> objIds(c.count);
    std::vector<uint8_t> reply;
    AddWords(reply, {SDBG_STATUS__OK});
    for (uint32_t i = 0; i < c.count; ++i) {
        objIds[i] = 100 + i;
        AddRecord(reply, kLockStatsMgr, objIds[i], {static_cast<uint8_t>(i), 0, 0, 0});
    }
    AddWords(reply, {SDBG_OBJ_LIST_END, c.count, 0});
    pScript->replies.push_back(reply);
    std::vector<std::array<uint8_t, 4>> data(c.count);
    auto pick = [&](uint32_t i) { return Sdbg_RecordDest{data[i].data(), 4}; };
    std::vector<bool> found(c.count, false);
    const size_t sentBefore = pScript->sent.size();
    if (!c.bSent) {
        EXPECT_THROW((void)server.GetObjsById(c.count, typeIds.data(), objIds.data(), pick, found),
                     Sdbg_Exception);
        EXPECT_EQ(pScript->sent.size(), sentBefore);
        return;
    }
    ASSERT_EQ(server.GetObjsById(c.count, typeIds.data(), objIds.data(), pick, found),
              SDBG_STATUS__OK);
    ASSERT_EQ(pScript->sent.size(), sentBefore + 1);
    EXPECT_EQ(found, std::vector<bool>(c.count, true));
    EXPECT_EQ(data.back()[0], c.count - 1);
    const std::vector<uint8_t> &request = pScript->sent.back();
    ASSERT_EQ(request.size(), 12u + 8 + 8 * c.count);
    EXPECT_EQ(WordAt(request, 4), 8u + 8 * c.count);
    EXPECT_EQ(WordAt(request, 8), 12u * c.count + 16 + 4 * c.count);
    EXPECT_EQ(WordAt(request, 12 + 4), c.count);
    EXPECT_EQ(WordAt(request, 12 + 12 + 8 * (c.count - 1)), objIds.back());
}

TEST_P(RequestLimitTest, CommandArguments) {
    const RequestLimitCase &c = GetParam();
    Sdbg_ServerLink &server = Linked();
    std::vector<std::array<char, 64>> args(c.count);
    for (uint32_t i = 0; i < c.count; ++i) {
        args[i].fill('\0');
        args[i][0] = static_cast<char>('a' + i);
    }
    const auto *pArgs = reinterpret_cast<const char(*)[64]>(args.data());
    const size_t sentBefore = pScript->sent.size();
    if (!c.bSent) {
        EXPECT_THROW((void)server.DoOperation(2, kTimerQ, 1, c.count, pArgs), Sdbg_Exception);
        EXPECT_EQ(pScript->sent.size(), sentBefore);
        return;
    }
    pScript->ReplyWords({SDBG_STATUS__OK});
    EXPECT_EQ(server.DoOperation(2, kTimerQ, 1, c.count, pArgs), SDBG_STATUS__OK);
    const std::vector<uint8_t> &request = pScript->sent.back();
    ASSERT_EQ(request.size(), 12u + 660 + 64 * c.count);
    EXPECT_EQ(WordAt(request, 12 + 16), c.count);
    EXPECT_EQ(request[12 + 20 + 64 * (c.count - 1)], 'a' + c.count - 1);
}

INSTANTIATE_TEST_SUITE_P(NineTenEleven, RequestLimitTest,
                         ::testing::Values(RequestLimitCase{1, true}, RequestLimitCase{9, true},
                                           RequestLimitCase{10, true},
                                           RequestLimitCase{11, false}));

TEST_F(ServerLinkFixture, TransportFailuresPassThroughAndRelinkReopens) {
    Sdbg_ServerLink &server = Linked();
    uint32_t count = 5;
    EXPECT_THROW((void)server.GetObjCount(kTimerQ, &count), Sdbg_LinkException);
    EXPECT_EQ(count, 5u);
    EXPECT_TRUE(server.Relink());
    EXPECT_EQ(pScript->opens, 2u);
    pScript->bOpenSucceeds = false;
    EXPECT_FALSE(server.Relink());
}

} // namespace
