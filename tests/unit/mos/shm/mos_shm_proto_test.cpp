// The shared-memory request records: layout, encoding and the checks on
// what comes from the other side.
#include "mos_shm_proto.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ShmProtoTest, FramedRequestCarriesItsFieldsAtTheirOffsets) {
    MosShmReqMsg msg;
    mosShmProto_BuildReq(&msg, MOS_SHM_OP__CREATE, MOS_SHM_FLAG__CREATE | MOS_SHM_FLAG__OPEN_ONLY,
                         "Seg-ABC", 4096);
    const auto *pBytes = reinterpret_cast<const uint8_t *>(&msg);
    const uint8_t magic[4] = {0x76, 0x38, 0x3C, 0x5F};
    EXPECT_EQ(memcmp(pBytes, magic, 4), 0);
    EXPECT_STREQ(reinterpret_cast<const char *>(pBytes + 4), "seg-abc");
    uint64_t size = 0;
    memcpy(&size, pBytes + 260, 8);
    EXPECT_EQ(size, 4096u);
    EXPECT_EQ(pBytes[268], MOS_SHM_OP__CREATE);
    EXPECT_EQ(pBytes[269], 0x0A);
    EXPECT_EQ(pBytes[270] | pBytes[271] | pBytes[272], 0);

    MosShmServerReq req;
    ASSERT_EQ(mosShmProto_ParseReq(&msg, &req), MOS_RC__SUCCESS);
    EXPECT_STREQ(req.name, "seg-abc");
    EXPECT_EQ(req.size, 4096u);
    EXPECT_EQ(req.flags, MOS_SHM_FLAG__CREATE | MOS_SHM_FLAG__OPEN_ONLY);
}

TEST(ShmProtoTest, WrongMagicIsRefusedOnBothSides) {
    MosShmReqMsg msg;
    mosShmProto_BuildReq(&msg, MOS_SHM_OP__DELETE, 0, "x", 0);
    msg.magic ^= 1;
    MosShmServerReq req;
    memset(&req, 0xAB, sizeof(req));
    EXPECT_EQ(mosShmProto_ParseReq(&msg, &req), MOS_RC__ILLEGAL);
    EXPECT_EQ(req.name[0], 0); // nothing of the bad message is taken

    MosShmServerResp resp = {};
    resp.size = 8192;
    resp.rc = MOS_RC__ALREADY_EXISTS;
    MosShmRespMsg reply;
    mosShmProto_BuildResp(&resp, &reply);
    uint64_t size = 0;
    uint32_t rc = 0;
    ASSERT_EQ(mosShmProto_ParseResp(&reply, &size, &rc), MOS_RC__SUCCESS);
    EXPECT_EQ(size, 8192u);
    EXPECT_EQ(rc, MOS_RC__ALREADY_EXISTS);
    reply.magic = 0;
    EXPECT_EQ(mosShmProto_ParseResp(&reply, &size, &rc), MOS_RC__INVALID);
}

TEST(ShmProtoTest, V20RequestCarriesNoOpenOnlyAndNoLargeSize) {
    MosShmMsgV20 msg;
    ASSERT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__CREATE,
                                      MOS_SHM_FLAG__EXCLUSIVE | MOS_SHM_FLAG__CREATE |
                                          MOS_SHM_FLAG__OPEN_ONLY,
                                      "v", 100),
              MOS_RC__SUCCESS);
    EXPECT_EQ(msg.size, 100u);
    EXPECT_EQ(msg.isCreate, 1u);
    EXPECT_EQ(msg.bExclusive, 1u);
    EXPECT_EQ(msg.bCreate, 1u);
    EXPECT_EQ(msg.bSubstring, 0u);
    MosShmServerReq req;
    mosShmProto_ParseReqV20(&msg, &req);
    EXPECT_EQ(req.op, MOS_SHM_OP__CREATE);
    EXPECT_EQ(req.flags, MOS_SHM_FLAG__EXCLUSIVE | MOS_SHM_FLAG__CREATE);

    EXPECT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__CREATE, 0, "v", 0x100000000ULL),
              MOS_RC__ILLEGAL);
    EXPECT_EQ(mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__KEEP_ALIVE, 0, "v", 0), MOS_RC__ILLEGAL);
}

// The V20 size field holds every 32-bit size, the largest one included;
// only a size past 32 bits is refused.
TEST(ShmProtoTest, V20SizeFieldTakesEvery32BitSize) {
    struct {
        uint64_t size;
        MOS_RC expected;
    } const cases[] = {
        {0, MOS_RC__SUCCESS},
        {0xFFFFFFFEULL, MOS_RC__SUCCESS},
        {0xFFFFFFFFULL, MOS_RC__SUCCESS},
        {0x100000000ULL, MOS_RC__ILLEGAL},
    };
    for (const auto &c : cases) {
        MosShmMsgV20 msg;
        memset(&msg, 0xAB, sizeof(msg));
        ASSERT_EQ(
            mosShmProto_BuildReqV20(&msg, MOS_SHM_OP__CREATE, MOS_SHM_FLAG__CREATE, "v", c.size),
            c.expected)
            << c.size;
        if (c.expected == MOS_RC__SUCCESS) {
            uint32_t field = 0;
            memcpy(&field, reinterpret_cast<const uint8_t *>(&msg) + 256, 4);
            EXPECT_EQ(field, c.size);
            MosShmServerReq req;
            mosShmProto_ParseReqV20(&msg, &req);
            EXPECT_EQ(req.size, c.size);
        }
    }
}

TEST(ShmProtoTest, V20FlagsReadOnlyTheirLowBitAndIsCreateZeroIsDelete) {
    MosShmMsgV20 msg = {};
    msg.isCreate = 0;
    msg.bExclusive = 2; // only bit 0 counts
    msg.bSubstring = 3;
    msg.rc = 77; // a request's rc is not read
    MosShmServerReq req;
    mosShmProto_ParseReqV20(&msg, &req);
    EXPECT_EQ(req.op, MOS_SHM_OP__DELETE);
    EXPECT_EQ(req.flags, MOS_SHM_FLAG__SUBSTRING);

    MosShmServerResp resp = {};
    resp.size = 0x1234567890ULL;
    resp.rc = MOS_RC__NOT_FOUND;
    mosShmProto_BuildRespV20(&resp, &msg);
    uint64_t size = 0;
    uint32_t rc = 0;
    mosShmProto_ParseRespV20(&msg, &size, &rc);
    EXPECT_EQ(size, 0x34567890u); // the low 32 bits
    EXPECT_EQ(rc, MOS_RC__NOT_FOUND);
}

TEST(ShmProtoTest, NamesAreLowerCasedAndBounded) {
    std::string longName(400, 'Q');
    MosShmReqMsg msg;
    mosShmProto_BuildReq(&msg, MOS_SHM_OP__CREATE, 0, longName.c_str(), 1);
    EXPECT_EQ(strnlen(msg.name, sizeof(msg.name)), 255u);
    EXPECT_EQ(msg.name[0], 'q');

    // A received field without a terminator is cut at its last byte.
    char field[MOS_SHM_NAME_SIZE];
    memset(field, 'Z', sizeof(field));
    mosShmProto_NormalizeName(field);
    EXPECT_EQ(std::string(field), std::string(255, 'z'));
}

} // namespace
