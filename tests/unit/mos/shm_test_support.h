// Helpers of the shared-memory tests: free loopback ports, names unique to
// the test process, raw framed exchanges.
#pragma once

#include "../free_port.h"
#include "core_layers.h"
#include "mos_net_sock.h"
#include "mos_shm_proto.h"
#include "os_proc.h"

#include <gtest/gtest.h>

#include <string>

namespace mostest {

// Base of the shared-memory test fixtures: core layers and sockets up.
class ShmTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        EnsureCoreLayers();
        ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS);
    }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }
};

// A segment name no other test process uses.
inline std::string ShmName(const char *pBase) {
    return "t" + std::to_string(osProc_GetCurrentProcessId()) + "_" + pBase;
}

inline MosSocket ShmConnect(uint16_t port) {
    MosSocket s = MOS_INVALID_SOCKET;
    EXPECT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr;
    EXPECT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", port), MOS_RC__SUCCESS);
    EXPECT_TRUE(osNet_BlockConnect(s, &addr, 2000));
    return s;
}

struct ShmReply {
    MOS_RC transport;
    uint64_t size;
    uint32_t rc;
};

// One framed request and its reply.
inline ShmReply ShmAsk(MosSocket s, uint8_t op, uint8_t flags, const std::string &name,
                       uint64_t size) {
    MosShmReqMsg req;
    mosShmProto_BuildReq(&req, op, flags, name.c_str(), size);
    ShmReply reply = {osNet_SendAll(s, &req, sizeof(req)), 0, 0};
    MosShmRespMsg resp;
    if (reply.transport == MOS_RC__SUCCESS) {
        reply.transport = osNet_RecvAll(s, &resp, sizeof(resp));
    }
    if (reply.transport == MOS_RC__SUCCESS) {
        reply.transport = mosShmProto_ParseResp(&resp, &reply.size, &reply.rc);
    }
    return reply;
}

} // namespace mostest
