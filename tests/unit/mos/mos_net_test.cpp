#include "mos_net.h"

#include "mos_net_sock.h"
#include "net_trace_capture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

IPV4 ipv4Of(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    IPV4 ipv4;
    memcpy(&ipv4, bytes, sizeof(ipv4));
    return ipv4;
}

const uint8_t kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const uint8_t kZero6[16] = {};
const uint8_t kMapped6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 10, 1, 2, 3};
const uint8_t kDoc6[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x42};

NetAddress v4(IPV4 ipv4, uint16_t port) {
    NetAddress addr;
    (void)netAddress_BuildFromIpv4(&addr, ipv4, port);
    return addr;
}

NetAddress v6(const uint8_t *pBytes, uint16_t port) {
    NetAddress addr;
    EXPECT_EQ(netAddress_BuildFromIpv6(&addr, pBytes, port), MOS_RC__SUCCESS);
    return addr;
}

class NetAddressText : public testing::Test {
  protected:
    // inet_ntop needs the sockets interface started on Windows.
    static void SetUpTestSuite() { ASSERT_EQ(osNetLayer_Create(), MOS_RC__SUCCESS); }
    static void TearDownTestSuite() { osNetLayer_Destroy(); }
};

} // namespace

TEST(NetAddressBuild, RecordBytesAreTheWireLayout) {
    NetAddress addr = v4(ipv4Of(127, 0, 0, 1), 25640);
    const uint8_t expected[24] = {0x7F, 0, 0, 1, 0, 0, 0, 0, 0,    0,    0, 0,
                                  0,    0, 0, 0, 1, 0, 0, 0, 0x28, 0x64, 0, 0};
    EXPECT_EQ(memcmp(&addr, expected, sizeof(expected)), 0);
}

TEST(NetAddressBuild, ZeroIpv4IsRefusedAndLeavesAZeroedRecord) {
    NetAddress addr;
    memset(&addr, 0xAB, sizeof(addr));
    EXPECT_EQ(netAddress_BuildFromIpv4(&addr, 0, 80), MOS_RC__INVALID);
    const NetAddress zero = {};
    EXPECT_EQ(memcmp(&addr, &zero, sizeof(addr)), 0);
    EXPECT_FALSE(netAddress_IsValid(&addr));
}

TEST(NetAddressBuild, AllZeroIpv6IsValidButNotAsPacked) {
    NetAddress addr = v6(kZero6, 1);
    EXPECT_TRUE(netAddress_IsValid(&addr));
    PackedNetAddress packed;
    EXPECT_EQ(packedNetAddress_BuildFromIpv6(&packed, kZero6), MOS_RC__INVALID);
    EXPECT_EQ(packed.type, 0);
    EXPECT_EQ(packedNetAddress_BuildFromIpv6(&packed, kLoopback6), MOS_RC__SUCCESS);
    EXPECT_EQ(packed.type, 2);
    EXPECT_EQ(memcmp(packed.address, kLoopback6, 16), 0);
}

TEST(NetAddressBuild, PackedIpv4) {
    PackedNetAddress packed;
    EXPECT_EQ(packedNetAddress_BuildFromIpv4(&packed, 0), MOS_RC__INVALID);
    EXPECT_EQ(packed.type, 0);
    EXPECT_EQ(packedNetAddress_BuildFromIpv4(&packed, ipv4Of(10, 0, 0, 9)), MOS_RC__SUCCESS);
    EXPECT_EQ(packed.type, 1);
    EXPECT_EQ(packed.address[3], 9);
}

TEST(NetAddressBuild, AnyAddrKeepsOtherBytesAndRefusesUnknownTypes) {
    NetAddress addr = v6(kDoc6, 7);
    EXPECT_EQ(netAddress_BuildAnyAddr(&addr, NET_ADDRESS_TYPE__IPV4, 99), MOS_RC__SUCCESS);
    EXPECT_EQ(addr.type, NET_ADDRESS_TYPE__IPV4);
    EXPECT_EQ(addr.port, 99);
    EXPECT_EQ(memcmp(addr.address, kZero6, 4), 0);
    EXPECT_EQ(addr.address[15], 0x42); // not significant for IPv4, left as it was

    EXPECT_EQ(netAddress_BuildAnyAddr(&addr, NET_ADDRESS_TYPE__IPV6, 5), MOS_RC__SUCCESS);
    EXPECT_EQ(memcmp(addr.address, kZero6, 16), 0);

    NetAddress before = addr;
    mostest::NetTraceCapture capture;
    EXPECT_EQ(netAddress_BuildAnyAddr(&addr, 3, 1), MOS_RC__INVALID);
    EXPECT_NE(capture.Take().find("WARNING: Unexpected address type 3"), std::string::npos);
    EXPECT_EQ(memcmp(&addr, &before, sizeof(addr)), 0);
}

TEST(NetAddressCompare, Table) {
    struct Case {
        const char *pName;
        NetAddress a;
        NetAddress b;
        bool bEqual;
    };
    NetAddress v4WithJunk = v4(ipv4Of(1, 2, 3, 4), 80);
    v4WithJunk.address[9] = 0x55; // beyond the four significant bytes
    const Case cases[] = {
        {"same v4", v4(ipv4Of(1, 2, 3, 4), 80), v4(ipv4Of(1, 2, 3, 4), 80), true},
        {"other port", v4(ipv4Of(1, 2, 3, 4), 80), v4(ipv4Of(1, 2, 3, 4), 81), false},
        {"other v4", v4(ipv4Of(1, 2, 3, 4), 80), v4(ipv4Of(1, 2, 3, 5), 80), false},
        {"v4 compares four bytes", v4(ipv4Of(1, 2, 3, 4), 80), v4WithJunk, true},
        {"same v6", v6(kDoc6, 1), v6(kDoc6, 1), true},
        {"other v6", v6(kDoc6, 1), v6(kLoopback6, 1), false},
        {"v4 against mapped v6", v4(ipv4Of(10, 1, 2, 3), 1), v6(kMapped6, 1), false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(netAddress_IsEqual(&c.a, &c.b), c.bEqual) << c.pName;
        EXPECT_EQ(netAddress_IsEqual(&c.b, &c.a), c.bEqual) << c.pName;
    }
    NetAddress a = v4(ipv4Of(1, 1, 1, 1), 1);
    EXPECT_TRUE(netAddress_IsEqual(&a, &a));
    EXPECT_FALSE(netAddress_IsEqual(&a, nullptr));
    EXPECT_FALSE(netAddress_IsEqual(nullptr, &a));
}

TEST(NetAddressAccess, MappedIpv6AndLengths) {
    NetAddress mapped = v6(kMapped6, 0);
    EXPECT_TRUE(netAddress_IsIPv4MappedIpv6Addr(&mapped));
    EXPECT_EQ(netAddress_GetInnerIPv4MappedAddr(&mapped), mapped.address + 12);
    NetAddress doc = v6(kDoc6, 0);
    EXPECT_FALSE(netAddress_IsIPv4MappedIpv6Addr(&doc));
    NetAddress plain = v4(ipv4Of(10, 1, 2, 3), 0);
    EXPECT_FALSE(netAddress_IsIPv4MappedIpv6Addr(&plain));
    EXPECT_EQ(netAddress_GetAddrLen(NET_ADDRESS_TYPE__IPV4), 4u);
    EXPECT_EQ(netAddress_GetAddrLen(NET_ADDRESS_TYPE__IPV6), 16u);
    EXPECT_FALSE(netAddress_IsValid(nullptr));
    NetAddress none;
    netAddress_Init(&none);
    EXPECT_FALSE(netAddress_IsValid(&none));
}

TEST(NetAddressMapping, TwoRowsInEveryDirection) {
    EXPECT_EQ(netAddress_AddressTypeToSocketType(1), 1u);
    EXPECT_EQ(netAddress_AddressTypeToSocketType(2), 2u);
    EXPECT_EQ(netAddress_AddressTypeToAddressFamily(1), 2);
    EXPECT_EQ(netAddress_AddressTypeToAddressFamily(2), 23);
    EXPECT_EQ(netAddress_SocketTypeToAddressFamily(1), 2);
    EXPECT_EQ(netAddress_SocketTypeToAddressFamily(2), 23);
    EXPECT_EQ(netAddress_SocketTypeToAddressType(1), 1u);
    EXPECT_EQ(netAddress_SocketTypeToAddressType(2), 2u);
    EXPECT_EQ(netAddress_AddressFamilyToSocketType(2), 1u);
    EXPECT_EQ(netAddress_AddressFamilyToSocketType(23), 2u);
}

TEST(NetAddressDeathTest, InputsOutsideTheMappingsEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char *pFunc;
        uint32_t (*pCall)(uint32_t);
        uint32_t input;
    };
    const Case cases[] = {
        {"netAddress_GetAddrLen", netAddress_GetAddrLen, 0},
        {"netAddress_AddressTypeToSocketType", netAddress_AddressTypeToSocketType, 3},
        {"netAddress_AddressTypeToAddressFamily",
         [](uint32_t v) -> uint32_t { return netAddress_AddressTypeToAddressFamily(v); }, 0},
        {"netAddress_SocketTypeToAddressFamily",
         [](uint32_t v) -> uint32_t { return netAddress_SocketTypeToAddressFamily(v); }, 3},
        {"netAddress_SocketTypeToAddressType", netAddress_SocketTypeToAddressType, 0},
        {"netAddress_AddressFamilyToSocketType", netAddress_AddressFamilyToSocketType, 10},
    };
    for (const Case &c : cases) {
        EXPECT_EXIT((mostest::StdoutToStderr(), c.pCall(c.input)), mostest::ExitedWithMinusOne,
                    std::string("function ") + c.pFunc + ", .*Panic Expression ALWAYS_ASSERT")
            << c.pFunc;
    }
}

TEST(NetAddressSockAddr, WindowsLayoutWithPortInNetworkOrder) {
    uint8_t storage[NET_SOCKADDR_STORAGE_SIZE];
    uint32_t len = 99;
    NetAddress a4 = v4(ipv4Of(127, 0, 0, 1), 0x1234);
    ASSERT_EQ(NetAddress_ToSockAddr(&a4, storage, &len, true), MOS_RC__SUCCESS);
    EXPECT_EQ(len, 16u);
    const uint8_t expected4[8] = {2, 0, 0x12, 0x34, 0x7F, 0, 0, 1};
    EXPECT_EQ(memcmp(storage, expected4, sizeof(expected4)), 0);

    NetAddress a6 = v6(kDoc6, 0x0102);
    ASSERT_EQ(NetAddress_ToSockAddr(&a6, storage, &len, true), MOS_RC__SUCCESS);
    EXPECT_EQ(len, 28u);
    const uint8_t expected6[8] = {23, 0, 0x01, 0x02, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(storage, expected6, sizeof(expected6)), 0);
    EXPECT_EQ(memcmp(storage + 8, kDoc6, 16), 0);
    EXPECT_EQ(storage[24] | storage[25] | storage[26] | storage[27], 0);
}

TEST(NetAddressSockAddr, ValidationRefusesPortZeroAndZeroIpv4) {
    uint8_t storage[NET_SOCKADDR_STORAGE_SIZE];
    uint32_t len = 0;
    NetAddress noPort = v4(ipv4Of(127, 0, 0, 1), 0);
    NetAddress zeroV4;
    ASSERT_EQ(netAddress_BuildAnyAddr(&zeroV4, NET_ADDRESS_TYPE__IPV4, 80), MOS_RC__SUCCESS);
    zeroV4.reserved[0] = zeroV4.reserved[1] = 0;

    mostest::NetTraceCapture capture;
    EXPECT_EQ(NetAddress_ToSockAddr(&noPort, storage, &len, true), MOS_RC__INVALID);
    EXPECT_EQ(NetAddress_ToSockAddr(&zeroV4, storage, &len, true), MOS_RC__INVALID);
    EXPECT_EQ(NetAddress_ToSockAddr(nullptr, storage, &len, true), MOS_RC__INVALID);
    std::string messages = capture.Take();
    EXPECT_NE(messages.find("ERROR: Invalid address (port 0)"), std::string::npos);
    EXPECT_NE(messages.find("ERROR: Invalid address (port 80)"), std::string::npos);

    EXPECT_EQ(NetAddress_ToSockAddr(&noPort, storage, &len, false), MOS_RC__SUCCESS);
    EXPECT_EQ(NetAddress_ToSockAddr(&zeroV4, storage, &len, false), MOS_RC__SUCCESS);
    EXPECT_EQ(NetAddress_ToSockAddr(&noPort, nullptr, &len, false), MOS_RC__INVALID);
    EXPECT_EQ(NetAddress_ToSockAddr(&noPort, storage, nullptr, false), MOS_RC__INVALID);
}

TEST_F(NetAddressText, Table) {
    struct Case {
        NetAddress addr;
        bool bNoMappedIpv4;
        const char *pText;
        MOS_RC rc;
    };
    NetAddress zeroed;
    netAddress_Init(&zeroed);
    const Case cases[] = {
        {v4(ipv4Of(127, 0, 0, 1), 25640), false, "127.0.0.1", MOS_RC__SUCCESS},
        {v6(kMapped6, 1), false, "10.1.2.3", MOS_RC__SUCCESS},
        {v6(kMapped6, 1), true, "::ffff:10.1.2.3", MOS_RC__SUCCESS},
        {v6(kDoc6, 1), false, "2001:db8::42", MOS_RC__SUCCESS},
        {v6(kZero6, 1), false, "::", MOS_RC__SUCCESS},
        {zeroed, false, "INVALID", MOS_RC__INVALID},
    };
    for (const Case &c : cases) {
        char buf[NET_ADDRESS_STR_SIZE];
        EXPECT_EQ(netAddress_ToStrCopyBuf(&c.addr, buf, sizeof(buf), c.bNoMappedIpv4), c.rc);
        EXPECT_STREQ(buf, c.pText);
        if (!c.bNoMappedIpv4) {
            EXPECT_STREQ(netAddress_ToStr(&c.addr), c.pText);
        }
    }
}

TEST_F(NetAddressText, SmallBuffers) {
    NetAddress addr = v6(kDoc6, 1);
    char buf[4];
    mostest::NetTraceCapture capture;
    EXPECT_EQ(netAddress_ToStrCopyBuf(&addr, buf, sizeof(buf), false), MOS_RC__ERROR);
    EXPECT_NE(capture.Take().find("ERROR: Failed to translate network address with error"),
              std::string::npos);
    EXPECT_STREQ(buf, "INV");
    NetAddress zeroed;
    netAddress_Init(&zeroed);
    EXPECT_EQ(netAddress_ToStrCopyBuf(&zeroed, buf, sizeof(buf), false), MOS_RC__INVALID);
    EXPECT_STREQ(buf, "INV");
}
