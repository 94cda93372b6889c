// A loopback port for a test's server, shared by the runtime's and the
// viewer's tests.
#pragma once

#include "mos_net_sock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mostest {

// A port nothing listens on at the moment, as the system hands it out.
// Not one worked out from the process id: two test runs at once (Wine
// prefixes number their processes alike) would pick the same one.
inline uint16_t FreeTcpPort() {
    MosSocket s = MOS_INVALID_SOCKET;
    EXPECT_EQ(osNet_Socket(&s, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    EXPECT_TRUE(osNet_BindPort(s, 0, NET_SOCKET_TYPE__IPV4));
    uint16_t port = 0;
    EXPECT_EQ(osNetSys_GetLocalPort(s, &port), 0u);
    osNet_Close(s);
    return port;
}

} // namespace mostest
