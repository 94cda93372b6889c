// The runtime's own objects of pools, counters, workers, CPU and
// performance records, read raw from the sample storage process's debug
// port. Offsets and numbers below come from the records' byte layout; the
// test shares no header with the server.
#include "sample_storage_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMagic = 0x8DB9ABDE;
constexpr uint32_t kListEnd = 0x0FFFFFF0;
constexpr uint32_t kStatusOk = 1;

void putWord(Bytes *pOut, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        pOut->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint32_t u32At(const Bytes &b, size_t off) {
    uint32_t v = 0;
    memcpy(&v, b.data() + off, 4);
    return v;
}

std::string textAt(const Bytes &b, size_t off, size_t width) {
    const char *p = reinterpret_cast<const char *>(b.data() + off);
    return std::string(p, strnlen(p, width));
}

// One object of a list: its index and its query structure.
struct Obj {
    uint32_t index;
    Bytes record;
};

class SampleStorage : public testing::Test {
  protected:
    void SetUp() override {
        process_.Start(SAMPLE_STORAGE_PATH, "tgt");
        port_ = process_.Port();
        conn_ = std::make_unique<e2e::Connection>(port_, false);
        ASSERT_TRUE(conn_->Connected());
    }
    void TearDown() override {
        conn_.reset();
        process_.Stop();
    }

    Bytes Ask(const std::vector<uint32_t> &payloadWords, const Bytes &extra, uint32_t expected) {
        Bytes msg;
        putWord(&msg, kMagic);
        putWord(&msg, static_cast<uint32_t>(payloadWords.size() * 4 + extra.size()));
        putWord(&msg, expected);
        for (uint32_t w : payloadWords) {
            putWord(&msg, w);
        }
        msg.insert(msg.end(), extra.begin(), extra.end());
        EXPECT_TRUE(conn_->Send(msg.data(), msg.size()));
        Bytes out;
        while (out.size() < expected) {
            if (!conn_->Readable(5000)) {
                break;
            }
            uint8_t buf[65536];
            long n = conn_->Recv(buf, std::min(sizeof buf, expected - out.size()));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    uint32_t Count(uint32_t typeId) {
        Bytes reply = Ask({1, typeId}, {}, 8);
        EXPECT_EQ(reply.size(), 8u);
        EXPECT_EQ(u32At(reply, 0), kStatusOk) << typeId;
        return u32At(reply, 4);
    }

    // Every object of the type, each record of querySize bytes.
    std::vector<Obj> List(uint32_t typeId, uint32_t querySize) {
        const uint32_t n = Count(typeId);
        const uint32_t size = 8 + n * (12 + querySize) + 12;
        Bytes reply = Ask({2, typeId}, {}, size);
        std::vector<Obj> objs;
        EXPECT_EQ(reply.size(), size);
        if (reply.size() != size) {
            return objs;
        }
        EXPECT_EQ(u32At(reply, 0), kStatusOk);
        EXPECT_EQ(u32At(reply, 4), n);
        for (uint32_t i = 0; i < n; i++) {
            const size_t off = 8 + i * (12 + querySize);
            EXPECT_EQ(u32At(reply, off), typeId);
            EXPECT_EQ(u32At(reply, off + 8), querySize);
            objs.push_back({u32At(reply, off + 4),
                            Bytes(reply.begin() + static_cast<long>(off + 12),
                                  reply.begin() + static_cast<long>(off + 12 + querySize))});
        }
        EXPECT_EQ(u32At(reply, size - 12), kListEnd);
        return objs;
    }

    e2e::SampleStorageProcess process_;
    uint16_t port_ = 0;
    std::unique_ptr<e2e::Connection> conn_;
};

} // namespace

TEST_F(SampleStorage, SmallIoVectorPoolFromTheConfigurationDefaults) {
    // The process starts from the configuration defaults: the pool is on,
    // with 30,000 blocks of 664 bytes, none handed out.
    std::vector<Obj> pools = List(11, 72);
    ASSERT_EQ(pools.size(), 1u);
    EXPECT_EQ(textAt(pools[0].record, 0, 32), "SmallIOVPool");
    EXPECT_EQ(u32At(pools[0].record, 32), 664u);   // objSize
    EXPECT_EQ(u32At(pools[0].record, 36), 30000u); // objNum
    EXPECT_EQ(u32At(pools[0].record, 40), 30000u); // objFree
    EXPECT_EQ(u32At(pools[0].record, 44), 0u);     // objAcquired
    EXPECT_EQ(u32At(pools[0].record, 52), 0u);     // bGuardPage
    EXPECT_EQ(Count(16), 0u);
    EXPECT_EQ(Count(17), 0u);
}

TEST_F(SampleStorage, TimerQueuesAndSets) {
    EXPECT_EQ(Count(7), 142u);
    EXPECT_EQ(Count(8), 11u);
    EXPECT_EQ(List(8, 72).size(), 11u);
}

TEST_F(SampleStorage, DiagnosticCounterFamilies) {
    const std::pair<uint32_t, uint32_t> families[] = {{104, 51}, {103, 56}, {102, 25},
                                                      {106, 16}, {105, 13}, {107, 43},
                                                      {108, 13}, {109, 9},  {110, 21}};
    for (auto [typeId, count] : families) {
        EXPECT_EQ(Count(typeId), count) << typeId;
    }
    std::vector<Obj> mos = List(102, 64);
    ASSERT_EQ(mos.size(), 25u);
    for (uint32_t i = 0; i < 25; i++) {
        EXPECT_EQ(mos[i].index, i);
        EXPECT_EQ(textAt(mos[i].record, 8, 8), "MOS");
    }
    EXPECT_EQ(textAt(mos[0].record, 16, 32), "SECONDS_FROM_UP_TIME");
    EXPECT_EQ(textAt(mos[23].record, 16, 32), "MEMORY_PINNING_FAILED_QUEUE");
    EXPECT_EQ(textAt(mos[24].record, 16, 32), "SKIPPED_TRACES_EVENTS");
    EXPECT_EQ(u32At(mos[1].record, 4), 0u); // PHY_IO_ERROR: exceeded once counted
}

TEST_F(SampleStorage, CpuBlockerTrackerAndPerformanceObjects) {
    std::vector<Obj> cpu = List(3, 36);
    ASSERT_EQ(cpu.size(), 1u);
    EXPECT_EQ(cpu[0].index, 0u);
    const uint32_t ecx = u32At(cpu[0].record, 8);
    EXPECT_EQ(u32At(cpu[0].record, 16), (ecx >> 1) & 1);  // PCLMULQDQ
    EXPECT_EQ(u32At(cpu[0].record, 20), (ecx >> 20) & 1); // SSE4.2

    std::vector<Obj> blockers = List(15, 44);
    ASSERT_GE(blockers.size(), 1u);
    EXPECT_EQ(textAt(blockers[0].record, 0, 32), "Default blocker");
    EXPECT_EQ(u32At(blockers[0].record, 32), 1u);

    std::vector<Obj> tracker = List(147, 48);
    ASSERT_EQ(tracker.size(), 1u);
    EXPECT_EQ(tracker[0].record, Bytes(48, 0));
    Bytes dumpArgs(64 * 10, 0);
    EXPECT_EQ(Ask({6, 0, 147, 0, 1}, dumpArgs, 4), Bytes({1, 0, 0, 0}));

    EXPECT_EQ(Count(151), 0u);
    for (uint32_t typeId = 111; typeId <= 144; typeId++) {
        EXPECT_EQ(Count(typeId), 0u) << typeId;
    }
}

TEST_F(SampleStorage, UserModeThreadSchedulerAndClass) {
    EXPECT_EQ(Count(13), 0u);
    EXPECT_EQ(Count(145), 0u);
    // Four scheduler threads, three user-mode threads waiting on a
    // semaphore: all three were made ready from outside the scheduler.
    ASSERT_EQ(process_.Command("umt wire-sched SOFT_AFFINITY 4 3"), "ok");
    std::vector<Obj> scheds = List(13, 96);
    ASSERT_EQ(scheds.size(), 1u);
    const Bytes &s = scheds[0].record;
    EXPECT_EQ(textAt(s, 0, 32), "wire-sched");
    EXPECT_EQ(textAt(s, 32, 32), "SOFT_AFFINITY");
    const uint32_t expected[8] = {4, 0, 0, 0, 3, 0, 3, 0}; // from offset 64
    for (uint32_t i = 0; i < 8; i++) {
        EXPECT_EQ(u32At(s, 64 + 4 * i), expected[i]) << "offset " << 64 + 4 * i;
    }
    // The scheduler's own class (no thread of it) and the waiters' class.
    std::vector<Obj> classes = List(145, 352);
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(textAt(classes[0].record, 0, 64), "wire-sched");
    EXPECT_EQ(textAt(classes[1].record, 0, 64), "wire-sched-class");
    uint64_t created = 0;
    memcpy(&created, classes[1].record.data() + 64, 8);
    EXPECT_EQ(created, 3u);
    EXPECT_EQ(textAt(classes[1].record, 72, 56), "umts_created");
    EXPECT_EQ(textAt(classes[1].record, 184, 56), "run_time_ms");
    EXPECT_EQ(textAt(classes[1].record, 296, 56), "first_ready_wait_ms");
    EXPECT_EQ(process_.Command("umt bad FIFO 1 0"), "error: scheduler not started, rc 11");
}

namespace {

// Command fields of 64 bytes each, as the viewer's "configobj" sends them.
Bytes commandArgs(const std::vector<std::string> &args) {
    Bytes fields(args.size() * 64, 0);
    for (size_t i = 0; i < args.size(); i++) {
        memcpy(fields.data() + i * 64, args[i].data(), std::min<size_t>(args[i].size(), 64));
    }
    return fields;
}

} // namespace

TEST_F(SampleStorage, FaultInjectionManagerAndDetours) {
    std::vector<Obj> manager = List(171, 272);
    ASSERT_EQ(manager.size(), 1u);
    EXPECT_EQ(textAt(manager[0].record, 0, 256), "XMTI is online.");
    EXPECT_EQ(u32At(manager[0].record, 256), 326u); // numDetours
    EXPECT_EQ(u32At(manager[0].record, 260), 0u);   // numRegisteredBundles
    EXPECT_EQ(u32At(manager[0].record, 268), 0u);   // numActiveDetours
    EXPECT_EQ(Count(173), 0u);

    std::vector<Obj> detours = List(172, 152);
    ASSERT_EQ(detours.size(), 326u);
    for (uint32_t i = 0; i < 326; i++) {
        EXPECT_EQ(detours[i].index, i);
        EXPECT_EQ(textAt(detours[i].record, 48, 48), "<No detour>") << i;
        EXPECT_EQ(textAt(detours[i].record, 104, 48), "") << i;
    }
    EXPECT_EQ(textAt(detours[0].record, 0, 48), "AFS_Create_Detour");
    EXPECT_EQ(textAt(detours[183].record, 0, 48), "mosAsyncIOV_DoIOSyncEx_Post_IO_Detour");
    EXPECT_EQ(textAt(detours[325].record, 0, 48), "xmtiUnitTestDetourables_StrNCmpDetour");
}

TEST_F(SampleStorage, FaultInjectionCommandsReportThroughTheStatus) {
    // Request type 6: command, type id, object index, argument count.
    const Bytes ok = {1, 0, 0, 0};
    EXPECT_EQ(Ask({6, 1, 171, 0, 2}, commandArgs({"activate", "b1"}), 4), ok);
    EXPECT_EQ(textAt(List(171, 272)[0].record, 0, 256), "XMTI is online.");

    EXPECT_EQ(Ask({6, 2, 171, 0, 2}, commandArgs({"activate", "noSuchBundle"}), 4), ok);
    std::vector<Obj> manager = List(171, 272);
    ASSERT_EQ(manager.size(), 1u);
    EXPECT_EQ(textAt(manager[0].record, 0, 256), "Error: Bundle noSuchBundle not found.");
    EXPECT_EQ(u32At(manager[0].record, 264), 0u); // numActiveBundles

    EXPECT_EQ(Ask({6, 2, 171, 0, 3}, commandArgs({"tweak", "knob", "1"}), 4), ok);
    EXPECT_EQ(textAt(List(171, 272)[0].record, 0, 256), "Error: Bundle knob not found.");
}

TEST_F(SampleStorage, ProcessLayerTypesServedWithoutObjects) {
    // Asynchronous I/O contexts and files, and devices: the types are up,
    // the storage process creates none of them.
    for (uint32_t typeId : {10u, 12u, 52u}) {
        EXPECT_EQ(Count(typeId), 0u) << typeId;
        const Bytes reply = Ask({2, typeId}, {}, 20);
        ASSERT_EQ(reply.size(), 20u) << typeId;
        EXPECT_EQ(u32At(reply, 0), kStatusOk);
        EXPECT_EQ(u32At(reply, 4), 0u);
        EXPECT_EQ(u32At(reply, 8), kListEnd);
    }
}
