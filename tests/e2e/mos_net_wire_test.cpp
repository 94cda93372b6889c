// Raw-byte conversations with the sample storage process over its debug
// port on 127.0.0.1. The client here is written from the protocol's byte
// layout alone (offsets and numbers below), sharing nothing with the
// server's code, so that a layout error on either side shows.
#include "sample_storage_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMagic = 0x8DB9ABDE;
constexpr uint32_t kListEnd = 0x0FFFFFF0;
// A 72-byte type that the runtime itself does not register.
constexpr uint32_t kSpareType = 57;
constexpr int kReplyTimeoutMs = 5000;

Bytes words(std::initializer_list<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    return out;
}

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes ff(size_t n) {
    return Bytes(n, 0xFF);
}

Bytes slice(const Bytes &b, size_t from, size_t count) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count));
}

Bytes request(const Bytes &payload, uint32_t expected) {
    return words({kMagic, static_cast<uint32_t>(payload.size()), expected}) + payload;
}

// One raw TCP connection to the debug port, over IPv4 or IPv6 loopback.
class Client {
  public:
    explicit Client(uint16_t port, bool bIpv6 = false) : conn_(port, bIpv6) {}
    bool connected() const { return conn_.Connected(); }
    void send(const Bytes &bytes) const { ASSERT_TRUE(conn_.Send(bytes.data(), bytes.size())); }
    // Up to count bytes, stopping early at end of stream or after timeoutMs
    // without data.
    Bytes read(size_t count, int timeoutMs = kReplyTimeoutMs) const {
        Bytes out;
        while (out.size() < count) {
            if (!conn_.Readable(timeoutMs)) {
                break;
            }
            uint8_t buf[65536];
            size_t want = std::min(sizeof(buf), count - out.size());
            long n = conn_.Recv(buf, want);
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    // True when the server has closed the connection (no further bytes).
    bool closedByPeer() const {
        if (!conn_.Readable(kReplyTimeoutMs)) {
            return false;
        }
        uint8_t b;
        return conn_.Recv(&b, 1) <= 0;
    }
    Bytes ask(const Bytes &payload, uint32_t expected) const {
        send(request(payload, expected));
        return read(expected);
    }

  private:
    e2e::Connection conn_;
};

// The sample storage process, started as a data server (tgt).
class SampleStorage : public testing::Test {
  protected:
    void SetUp() override {
        process_.Start(SAMPLE_STORAGE_PATH, "tgt");
        port_ = process_.Port();
    }
    void TearDown() override { process_.Stop(); }
    std::string line() { return process_.Line(); }
    std::string command(const std::string &text) { return process_.Command(text); }
    // Adds count objects of typeId whose record is `record`.
    void addObjects(uint32_t typeId, const Bytes &record, uint32_t count) {
        std::string path = testing::TempDir() + "rec_" + std::to_string(typeId) + "_" +
                           std::to_string(e2e::ProcessId()) + ".bin";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(record.data()),
                   static_cast<std::streamsize>(record.size()));
        std::string reply =
            command("add " + std::to_string(typeId) + " " + path + " " + std::to_string(count));
        ASSERT_EQ(reply.rfind("ok ", 0), 0u) << reply;
        std::remove(path.c_str());
    }
    // The server answers a fresh client: it survived whatever came before.
    void expectServing() {
        Client c(port_);
        ASSERT_TRUE(c.connected());
        EXPECT_EQ(c.ask(words({3}), 8), words({1, 2}));
    }

    static Bytes record(size_t size, uint8_t seed) {
        Bytes r(size);
        for (size_t i = 0; i < size; ++i) {
            r[i] = static_cast<uint8_t>(seed + i * 7);
        }
        return r;
    }

    e2e::SampleStorageProcess process_;
    uint16_t port_ = 0;
};

} // namespace

TEST_F(SampleStorage, ServerTypeCountsAndTheRuntimesOwnObjects) {
    Client c(port_);
    ASSERT_TRUE(c.connected());
    EXPECT_EQ(c.ask(words({3}), 8), words({1, 2}));
    EXPECT_EQ(c.ask(words({3}), 12), words({1, 2}) + ff(4));
    // The runtime's own type 164 is registered without objects.
    EXPECT_EQ(c.ask(words({1, 164}), 8), words({1, 0}));
    EXPECT_EQ(c.ask(words({2, 164}), 20), words({1, 0, kListEnd, 0, 0}));
    // Type 2 has its one object of 56 bytes.
    EXPECT_EQ(c.ask(words({1, 2}), 8), words({1, 1}));
    Bytes all = c.ask(words({2, 2}), 1 * (56 + 12) + 20);
    ASSERT_EQ(all.size(), 88u);
    EXPECT_EQ(slice(all, 0, 20), words({1, 1, 2, 0, 56}));
    EXPECT_EQ(slice(all, 76, 12), words({kListEnd, 1, 0}));
}

TEST_F(SampleStorage, ListsRecordsWithHeadersTrailerAndExactPadding) {
    const Bytes rec = record(72, 3);
    addObjects(kSpareType, rec, 3);
    Client c(port_);
    const uint32_t fullSize = 3 * (72 + 12) + 20;
    Bytes all = c.ask(words({2, kSpareType}), fullSize + 5);
    ASSERT_EQ(all.size(), fullSize + 5);
    EXPECT_EQ(slice(all, 0, 8), words({1, 3}));
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(slice(all, 8 + i * 84, 12), words({kSpareType, i, 72}));
        EXPECT_EQ(slice(all, 20 + i * 84, 72), rec);
    }
    EXPECT_EQ(slice(all, 8 + 3 * 84, 12), words({kListEnd, 3, 0}));
    EXPECT_EQ(slice(all, fullSize, 5), ff(5));
    EXPECT_EQ(c.ask(words({2, kSpareType}), fullSize - 1), words({3}) + ff(fullSize - 5));
    EXPECT_EQ(c.ask(words({1, kSpareType}), 8), words({1, 3}));
}

TEST_F(SampleStorage, ObjectsByIndexFollowChangesAndDrops) {
    addObjects(kSpareType, record(72, 1), 2);
    addObjects(24, record(32, 9), 1); // 32-byte records
    ASSERT_EQ(command("set " + std::to_string(kSpareType) + " 1 0 abcdef"), "ok");
    Client c(port_);
    Bytes changed = record(72, 1);
    changed[0] = 0xAB, changed[1] = 0xCD, changed[2] = 0xEF;
    const uint32_t size = 16 + 2 * 12 + 72 + 32;
    EXPECT_EQ(c.ask(words({4, 2, kSpareType, 1, 24, 0}), size),
              words({1, kSpareType, 1, 72}) + changed + words({24, 0, 32}) + record(32, 9) +
                  words({kListEnd, 2, 0}));
    ASSERT_EQ(command("drop " + std::to_string(kSpareType) + " 0"), "ok");
    // The changed object moved to index 0; index 1 is past the end now.
    EXPECT_EQ(c.ask(words({4, 1, kSpareType, 0}), 16 + 12 + 72),
              words({1, kSpareType, 0, 72}) + changed + words({kListEnd, 1, 0}));
    c.send(request(words({4, 2, kSpareType, 0, kSpareType, 1}), 16 + 24 + 144));
    EXPECT_EQ(c.read(200, 1000), words({1, kSpareType, 0, 72}) + changed);
    EXPECT_TRUE(c.closedByPeer());
    expectServing();
}

TEST_F(SampleStorage, StatusesInTheServersCheckOrder) {
    addObjects(kSpareType, record(72, 5), 1);
    struct Case {
        const char *pName;
        Bytes payload;
        uint32_t expected;
        Bytes response;
    };
    const Case cases[] = {
        {"unsupported", words({5}), 4, words({4})},
        {"unknown type 7", words({7}), 8, words({2}) + ff(4)},
        {"unknown type 0", words({0}), 4, words({2})},
        {"count too small", words({1, kSpareType}), 4, words({3})},
        {"count unknown id", words({1, 99}), 8, words({4}) + ff(4)},
        {"all unknown id", words({2, 99}), 4, words({4})},
        {"server type too small", words({3}), 7, words({3}) + ff(3)},
        {"by index n 0", words({4, 0}), 4, words({6})},
        {"by index n 11", words({4, 11}), 8, words({6}) + ff(4)},
        {"by index too small", words({4, 1, kSpareType, 0}), 99, words({3}) + ff(95)},
        {"command 11 arguments", words({6, 1, kSpareType, 0, 11}), 4, words({4})},
        {"command unknown object", words({6, 1, kSpareType, 5, 0}), 4, words({4})},
    };
    Client c(port_);
    for (const Case &k : cases) {
        EXPECT_EQ(c.ask(k.payload, k.expected), k.response) << k.pName;
    }
}

TEST_F(SampleStorage, CommandsReachTheObjectWithArgumentsCut) {
    addObjects(kSpareType, record(72, 5), 1);
    Client c(port_);
    Bytes payload = words({6, 2, kSpareType, 0, 2});
    Bytes arg0(64, 0), arg1(64, 0);
    memset(arg0.data(), 'x', 64); // fills the field: no NUL
    memcpy(arg1.data(), "level", 5);
    // The viewer sends all ten argument fields; the rest is ignored.
    EXPECT_EQ(c.ask(payload + arg0 + arg1 + Bytes(64 * 8, 0), 4), words({1}));
    EXPECT_EQ(line(),
              "command " + std::to_string(kSpareType) + ".0 2 " + std::string(63, 'x') + " level");
}

TEST_F(SampleStorage, BadInputEndsOnlyThatConnection) {
    struct Case {
        const char *pName;
        Bytes bytes;
    };
    const Case cases[] = {
        {"bad magic", words({0x12345678, 4, 8, 3})},
        {"no room for a status", request(words({1, 8}), 3)},
        {"short count request", request(words({1}), 8)},
        {"short by-index request", request(words({4, 2, 8, 0}), 100)},
        {"short command request", request(words({6, 1, 8}), 4)},
        {"oversized request", words({kMagic, 100000, 8}) + Bytes(2000, 0)},
        {"empty payload", words({kMagic, 0, 8})},
    };
    for (const Case &k : cases) {
        Client c(port_);
        c.send(k.bytes);
        EXPECT_TRUE(c.closedByPeer()) << k.pName;
        expectServing();
    }
}

TEST_F(SampleStorage, ClientsThatLeaveEarlyOrSayNothing) {
    { Client silent(port_); }
    {
        Client halfway(port_);
        halfway.send(words({kMagic, 8, 8, 1}));
    }
    expectServing();
}

TEST_F(SampleStorage, AListTooLargeFor32BitsIsTooSmallNotWrapped) {
    // 5712 records of 752,008 bytes would need 4,295,538,260 bytes; cut to
    // 32 bits that is 570,964, which a server computing in 32 bits would
    // take as fitting.
    addObjects(165, record(752008, 0), 5712);
    const uint32_t wrapped = static_cast<uint32_t>(5712ull * (752008 + 12) + 20);
    ASSERT_EQ(wrapped, 570964u);
    {
        Client c(port_);
        EXPECT_EQ(c.ask(words({2, 165}), wrapped), words({3}) + ff(wrapped - 4));
    }
    expectServing();
}

TEST_F(SampleStorage, OneClientAtATime) {
    std::optional<Client> first(std::in_place, port_);
    ASSERT_EQ(first->ask(words({3}), 8), words({1, 2}));
    Client second(port_);
    ASSERT_TRUE(second.connected()); // accepted into the backlog
    second.send(request(words({3}), 8));
    EXPECT_TRUE(second.read(8, 300).empty());
    EXPECT_EQ(first->ask(words({1, 164}), 8), words({1, 0}));
    first.reset();
    EXPECT_EQ(second.read(8), words({1, 2}));
}

TEST_F(SampleStorage, OneListenerServesIpv6AndIpv4Clients) {
    {
        Client v6(port_, true);
        if (!v6.connected()) {
            GTEST_SKIP() << "no IPv6 loopback on this host";
        }
        EXPECT_EQ(v6.ask(words({3}), 8), words({1, 2}));
    }
    expectServing();
}

TEST_F(SampleStorage, SampleCommandsRefuseWhatTheyCannotServe) {
    std::string path = testing::TempDir() + "rec_bad_" + std::to_string(e2e::ProcessId()) + ".bin";
    std::ofstream(path, std::ios::binary) << std::string(71, 'x');
    EXPECT_EQ(command("add 57 " + path), "error: record of 71 bytes, type 57 takes 72");
    EXPECT_EQ(command("add 176 " + path), "error: record of 71 bytes, type 176 takes 0");
    std::remove(path.c_str());
    addObjects(kSpareType, record(72, 1), 1);
    EXPECT_EQ(command("set 57 0 71 aabb"), "error: past the end of the record");
    EXPECT_EQ(command("set 57 1 0 aa"), "error: no object 57/1");
    EXPECT_EQ(command("drop 9 0"), "error: no object 9/0");
    std::string own = testing::TempDir() + "rec_own_" + std::to_string(e2e::ProcessId()) + ".bin";
    std::ofstream(own, std::ios::binary) << std::string(56, 'x');
    EXPECT_EQ(command("add 2 " + own), "error: type 2 belongs to the runtime");
    std::remove(own.c_str());
    EXPECT_EQ(command("frobnicate"), "error: unknown command frobnicate");
    expectServing();
}
