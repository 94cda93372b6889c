// Request handling against the real object registry, with a response
// sink that collects the bytes (or fails after a given number of them).
#include "dport_request.h"

#include "../core_layers.h"
#include "../test_support.h"
#include "mos_obj.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct TestObj {
    MosObjEntry entry; // first member: the query function reaches the object from it
    uint8_t fill;
};

void fillQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *pObj = reinterpret_cast<const TestObj *>(pEntry);
    auto *pBytes = static_cast<uint8_t *>(pBuf);
    // 32 bytes, none of them 0 or 0xFF; a larger structure keeps the zero
    // fill the server gives it.
    for (uint32_t i = 0; i < 32; ++i) {
        pBytes[i] = static_cast<uint8_t>(pObj->fill + i);
    }
}

std::string lastCommand_G;

void recordCommand(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                   const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    lastCommand_G = std::string(pEntry->pName) + " " + std::to_string(command);
    for (uint32_t i = 0; i < argc; ++i) {
        lastCommand_G += std::string(" ") + pArgs[i];
    }
}

void putU32(Bytes &out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

Bytes words(std::initializer_list<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values) {
        putU32(out, v);
    }
    return out;
}

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes pad(size_t count) {
    return Bytes(count, 0xFF);
}

Bytes queryOf(uint8_t fill, size_t size) {
    Bytes out(size, 0);
    for (uint32_t i = 0; i < 32; ++i) {
        out[i] = static_cast<uint8_t>(fill + i);
    }
    return out;
}

struct Sink {
    Bytes bytes;
    size_t failAfter = SIZE_MAX;

    static MOS_RC write(void *pCtx, const void *pData, uint32_t size) {
        auto *pSink = static_cast<Sink *>(pCtx);
        if (pSink->bytes.size() + size > pSink->failAfter) {
            return MOS_RC__CLOSED;
        }
        const auto *p = static_cast<const uint8_t *>(pData);
        pSink->bytes.insert(pSink->bytes.end(), p, p + size);
        return MOS_RC__SUCCESS;
    }
};

// Types 25 (36-byte records, objects "first" and "second"), 24 (32 bytes,
// three objects), 164 (no objects), 171 with a command function and 157
// without one. The runtime's own layers register none of these ids.
class SdbgRequest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        types_.resize(5);
        mosObjType_RegObjType(&types_[0], fillQuery, recordCommand, 25, 36);
        mosObjType_RegObjType(&types_[1], fillQuery, nullptr, 24, 32);
        mosObjType_RegObjType(&types_[2], fillQuery, nullptr, 164, 72);
        mosObjType_RegObjType(&types_[3], fillQuery, recordCommand, 171, 272);
        mosObjType_RegObjType(&types_[4], fillQuery, nullptr, 157, 48);
        objs_.resize(7);
        addObj(0, 0, "first", 0x10);
        addObj(1, 0, "second", 0x40);
        addObj(2, 1, "a", 1);
        addObj(3, 1, "b", 2);
        addObj(4, 1, "c", 3);
        addObj(5, 3, "manager", 4);
        addObj(6, 4, "tracker", 5);
        lastCommand_G.clear();
    }
    void TearDown() override {
        for (size_t i = 0; i < objs_.size(); ++i) {
            mosObjType_UnregObj(&types_[objTypes_[i]], &objs_[i].entry);
        }
        for (MosObjType &type : types_) {
            mosObjType_UnregObjType(&type);
        }
    }
    void addObj(size_t objIndex, size_t typeIndex, const char *pName, uint8_t fill) {
        objs_[objIndex].fill = fill;
        objTypes_.push_back(typeIndex);
        mosObjType_RegObj(&types_[typeIndex], &objs_[objIndex].entry, pName);
    }
    // Answers a payload; the bytes written land in sink_.
    MOS_RC ask(const Bytes &payload, uint32_t expectedSize) {
        sink_.bytes.clear();
        SdbgResponse resp = {{Sink::write, &sink_}, expectedSize, 0};
        MOS_RC rc = sdbgReq_Handle(sdbgReq_MosObjRegistry(), 2, payload.data(),
                                   static_cast<uint32_t>(payload.size()), &resp);
        EXPECT_EQ(resp.positionInResponse, sink_.bytes.size());
        return rc;
    }

    std::vector<MosObjType> types_;
    std::vector<TestObj> objs_;
    std::vector<size_t> objTypes_;
    Sink sink_;
};

Bytes commandPayload(uint32_t command, uint32_t typeId, uint32_t index,
                     const std::vector<std::string> &args, uint32_t argc) {
    Bytes out = words({6, command, typeId, index, argc});
    for (const std::string &arg : args) {
        Bytes field(64, 0);
        memcpy(field.data(), arg.data(), std::min<size_t>(arg.size(), 64));
        out = out + field;
    }
    return out;
}

} // namespace

TEST_F(SdbgRequest, AnswersInTheServersCheckOrder) {
    struct Case {
        const char *pName;
        Bytes payload;
        uint32_t expectedSize;
        MOS_RC rc;
        Bytes response;
    };
    const Bytes record3First = words({25, 0, 36}) + queryOf(0x10, 36);
    const Bytes record3Second = words({25, 1, 36}) + queryOf(0x40, 36);
    const Case cases[] = {
        {"count", words({1, 24}), 8, MOS_RC__SUCCESS, words({1, 3})},
        {"count padded", words({1, 164}), 11, MOS_RC__SUCCESS, words({1, 0}) + pad(3)},
        {"count too small", words({1, 24}), 4, MOS_RC__SUCCESS, words({3})},
        {"count too small before unknown id", words({1, 99}), 7, MOS_RC__SUCCESS,
         words({3}) + pad(3)},
        {"count no room for a status", words({1, 24}), 3, MOS_RC__ERROR, {}},
        {"count unknown id", words({1, 99}), 8, MOS_RC__SUCCESS, words({4}) + pad(4)},
        {"all of a type without objects", words({2, 164}), 24, MOS_RC__SUCCESS,
         words({1, 0, SDBG_OBJ_LIST_END, 0, 0}) + pad(4)},
        {"all objects", words({2, 25}), 116, MOS_RC__SUCCESS,
         words({1, 2}) + record3First + record3Second + words({SDBG_OBJ_LIST_END, 2, 0})},
        {"all objects one byte short", words({2, 25}), 115, MOS_RC__SUCCESS, words({3}) + pad(111)},
        {"all of an unknown type", words({2, 5}), 8, MOS_RC__SUCCESS, words({4}) + pad(4)},
        {"all of an unknown type, no room", words({2, 5}), 2, MOS_RC__ERROR, {}},
        {"server type", words({3}), 8, MOS_RC__SUCCESS, words({1, 2})},
        {"server type too small", words({3}), 7, MOS_RC__SUCCESS, words({3}) + pad(3)},
        {"by index", words({4, 3, 25, 1, 24, 2, 25, 0}), 164, MOS_RC__SUCCESS,
         words({1}) + record3Second + words({24, 2, 32}) + queryOf(3, 32) + record3First +
             words({SDBG_OBJ_LIST_END, 3, 0}) + pad(8)},
        {"by index one byte short", words({4, 2, 25, 1, 24, 0}), 107, MOS_RC__SUCCESS,
         words({3}) + pad(103)},
        {"by index too small", words({4, 1, 25, 0}), 63, MOS_RC__SUCCESS, words({3}) + pad(59)},
        {"by index count 0", words({4, 0}), 8, MOS_RC__SUCCESS, words({6}) + pad(4)},
        {"by index count 11", words({4, 11}), 8, MOS_RC__SUCCESS, words({6}) + pad(4)},
        {"by index, second past the end", words({4, 2, 25, 0, 25, 2}), 200, MOS_RC__NOT_FOUND,
         words({1}) + record3First},
        {"by index, unknown type", words({4, 1, 5, 0}), 200, MOS_RC__NOT_FOUND, words({1})},
        {"unsupported", words({5}), 4, MOS_RC__SUCCESS, words({4})},
        {"unknown type 7", words({7}), 6, MOS_RC__SUCCESS, words({2}) + pad(2)},
        {"unknown type 0", words({0}), 4, MOS_RC__SUCCESS, words({2})},
        {"command", commandPayload(1, 25, 1, {}, 0), 4, MOS_RC__SUCCESS, words({1})},
        {"command, no command function", commandPayload(1, 157, 0, {}, 0), 4, MOS_RC__SUCCESS,
         words({1})},
        {"command, index past the end", commandPayload(1, 25, 2, {}, 0), 8, MOS_RC__SUCCESS,
         words({4}) + pad(4)},
        {"command, unknown type", commandPayload(1, 9, 0, {}, 0), 4, MOS_RC__SUCCESS, words({4})},
        {"command, 11 arguments", words({6, 1, 25, 0, 11}), 4, MOS_RC__SUCCESS, words({4})},
        {"command, no room", commandPayload(1, 25, 0, {}, 0), 3, MOS_RC__ERROR, {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ask(c.payload, c.expectedSize), c.rc) << c.pName;
        EXPECT_EQ(sink_.bytes, c.response) << c.pName;
    }
}

TEST_F(SdbgRequest, ShortPayloadsCloseTheConnectionWithoutAByte) {
    const Bytes payloads[] = {
        words({1}),
        words({2}),
        Bytes{1, 0},
        words({4, 3, 25, 0, 25}),            // three pairs announced, one and a half present
        words({6, 1, 25, 0}),                // fixed fields cut short
        commandPayload(2, 171, 0, {"x"}, 2), // two arguments announced, one present
    };
    for (const Bytes &payload : payloads) {
        EXPECT_EQ(ask(payload, 1000), MOS_RC__INTERFACE_ERROR);
        EXPECT_TRUE(sink_.bytes.empty());
    }
    EXPECT_TRUE(lastCommand_G.empty());
}

TEST_F(SdbgRequest, CommandArgumentsAreCutTo63Characters) {
    std::vector<std::string> args = {std::string(100, 'x'), "level", std::string(64, 'y')};
    // The viewer sends the fixed ten argument fields; the excess is ignored.
    Bytes payload = commandPayload(2, 171, 0, args, 3) + Bytes(64 * 7, 0);
    ASSERT_EQ(ask(payload, 4), MOS_RC__SUCCESS);
    EXPECT_EQ(sink_.bytes, words({1}));
    EXPECT_EQ(lastCommand_G,
              "manager 2 " + std::string(63, 'x') + " level " + std::string(63, 'y'));
}

TEST_F(SdbgRequest, ASinkFailureEndsTheAnswer) {
    sink_.failAfter = 8;
    sink_.bytes.clear();
    SdbgResponse resp = {{Sink::write, &sink_}, 116, 0};
    Bytes payload = words({2, 25});
    EXPECT_EQ(sdbgReq_Handle(sdbgReq_MosObjRegistry(), 2, payload.data(), 8, &resp),
              MOS_RC__CLOSED);
    EXPECT_EQ(sink_.bytes, words({1, 2}));
    // The list's lock was let go: the type can take a new object.
    TestObj extra{};
    mosObjType_RegObj(&types_[0], &extra.entry, "extra");
    mosObjType_UnregObj(&types_[0], &extra.entry);
}

TEST_F(SdbgRequest, AListWhoseSizeWouldWrapIsTooSmall) {
    // 5712 records of 752,008 bytes need 4,295,538,260 bytes: past 32 bits.
    MosObjType big{};
    mosObjType_RegObjType(&big, fillQuery, nullptr, 165, 752008);
    std::vector<TestObj> many(5712);
    for (TestObj &obj : many) {
        mosObjType_RegObj(&big, &obj.entry, "big");
    }
    const uint32_t wrapped = static_cast<uint32_t>(5712ull * (752008 + 12) + 20);
    EXPECT_EQ(ask(words({2, 165}), wrapped), MOS_RC__SUCCESS);
    ASSERT_EQ(sink_.bytes.size(), wrapped);
    EXPECT_EQ(Bytes(sink_.bytes.begin(), sink_.bytes.begin() + 4), words({3}));
    uint32_t id = 165;
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__ALL_OBJS, &id, 5712), UINT32_MAX);
    for (TestObj &obj : many) {
        mosObjType_UnregObj(&big, &obj.entry);
    }
    mosObjType_UnregObjType(&big);
}

TEST_F(SdbgRequest, WholeMessagesAndHeaderChecks) {
    struct Case {
        const char *pName;
        Bytes msg;
        MOS_RC rc;
        Bytes response;
    };
    const Case cases[] = {
        {"server type", words({SDBG_MSG_MAGIC, 4, 8, 3}), MOS_RC__SUCCESS, words({1, 2})},
        {"bad magic", words({0x8DB9ABDF, 4, 8, 3}), MOS_RC__INTERFACE_ERROR, {}},
        {"payload missing", words({SDBG_MSG_MAGIC, 8, 8, 3}), MOS_RC__INTERFACE_ERROR, {}},
        {"header cut", words({SDBG_MSG_MAGIC, 4}), MOS_RC__INTERFACE_ERROR, {}},
        {"oversized request",
         words({SDBG_MSG_MAGIC, 1301, 8}) + Bytes(1301, 0),
         MOS_RC__BUF_TOO_SMALL,
         {}},
        {"largest request", words({SDBG_MSG_MAGIC, 1300, 8, 3}) + Bytes(1296, 0), MOS_RC__SUCCESS,
         words({1, 2})},
    };
    for (const Case &c : cases) {
        sink_.bytes.clear();
        EXPECT_EQ(sdbgReq_HandleMessage(sdbgReq_MosObjRegistry(), 2, c.msg.data(),
                                        static_cast<uint32_t>(c.msg.size()), {Sink::write, &sink_}),
                  c.rc)
            << c.pName;
        EXPECT_EQ(sink_.bytes, c.response) << c.pName;
    }
}
