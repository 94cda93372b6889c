// A listener on a free IPv4 loopback port and a client connected to it,
// for tests of the socket layer and the connections built on it; the
// caller accepts the server side in the way it tests.
#pragma once

#include "mos_net.h"
#include "mos_net_sock.h"

#include <gtest/gtest.h>

namespace mostest {

inline void ListenAndConnect(MosSocket *pListener, MosSocket *pClient) {
    ASSERT_EQ(osNet_Socket(pListener, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    ASSERT_TRUE(osNet_BindPort(*pListener, 0, NET_SOCKET_TYPE__IPV4));
    uint16_t port = 0;
    ASSERT_EQ(osNetSys_GetLocalPort(*pListener, &port), 0u);
    ASSERT_TRUE(osNet_Listen(*pListener));
    ASSERT_EQ(osNet_Socket(pClient, NET_SOCKET_TYPE__IPV4), MOS_RC__SUCCESS);
    NetAddress addr;
    ASSERT_EQ(netAddress_BuildFromString(&addr, "127.0.0.1", port), MOS_RC__SUCCESS);
    ASSERT_EQ(mosNet_Connect(*pClient, &addr), MOS_RC__SUCCESS);
}

} // namespace mostest
