// The shared-memory layer over the servers of the same process: the index,
// the manifests and their records.
#include "mos_shm_layer.h"

#include "core_layers.h"
#include "shm_test_support.h"
#include "trace_capture.h"
#include "usr/mos_shm_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ShmLayerTest : public mostest::ShmTest {
  protected:
    void TearDown() override {
        mosShmLayer_Destroy();
        mosShmClient_SetFramedPort(0);
    }
    MOS_RC start(const std::string &prefix, uint32_t bServers = 1, uint32_t bNoIndex = 0) {
        mosShmClient_SetFramedPort(mostest::ShmFreePort());
        m_prefix = prefix;
        MosShmParams params = {bServers, mostest::ShmFreePort(), m_prefix.c_str(), bNoIndex};
        return mosShmLayer_Create(&params);
    }
    static const uint8_t *index() {
        return static_cast<const uint8_t *>(mosShmLayer_G.indexShm.pMem);
    }
    static int32_t activeManifest() {
        int32_t active = -1;
        memcpy(&active, index() + 77, 4);
        return active;
    }
    static std::vector<std::string> records() {
        std::vector<std::string> names;
        for (MosListNode *p = mosShmLayer_G.objList.pFirst; p != nullptr; p = mosList_Next(p)) {
            names.emplace_back(reinterpret_cast<MosShmGCObj *>(p)->name);
        }
        return names;
    }
    // Replaces the text of a manifest segment (a page, zero after text).
    static void writeManifest(const char *pName, const std::string &text) {
        MosShm shm;
        ASSERT_EQ(mosShmUmt_CreateOs(&shm, pName, 0, 0, 0), MOS_RC__SUCCESS);
        ASSERT_EQ(mosShm_Map(&shm), MOS_RC__SUCCESS);
        ASSERT_LE(text.size(), shm.memSize);
        memset(shm.pMem, 0, shm.memSize);
        memcpy(shm.pMem, text.data(), text.size());
        mosShm_CloseOs(&shm);
    }
    static std::string readManifest(const char *pName) {
        MosShm shm;
        EXPECT_EQ(mosShmUmt_CreateOs(&shm, pName, 0, 0, 0), MOS_RC__SUCCESS);
        EXPECT_EQ(mosShm_Map(&shm), MOS_RC__SUCCESS);
        std::string text(static_cast<const char *>(shm.pMem),
                         strnlen(static_cast<const char *>(shm.pMem), shm.memSize));
        mosShm_CloseOs(&shm);
        return text;
    }

    std::string m_prefix;
};

TEST_F(ShmLayerTest, WithoutPrefixNothingStarts) {
    EXPECT_EQ(mosShmLayer_Create(nullptr), MOS_RC__SUCCESS);
    MosShmParams params = {1, 0, "", 0};
    EXPECT_EQ(mosShmLayer_Create(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosShmLayer_G.prefix[0], '\0');
    EXPECT_EQ(mosShmLayer_G.indexShm.shmFD, nullptr);
}

TEST_F(ShmLayerTest, NoIndexStartsOnlyClientAndServers) {
    ASSERT_EQ(start(mostest::ShmName("noidx"), 1, 1), MOS_RC__SUCCESS);
    EXPECT_EQ(shmLayerNT_G.bServersStarted, 1u);
    EXPECT_EQ(shmLayerNT_G.serverShms.counter, 0u);
    EXPECT_EQ(mosShmLayer_G.indexShm.shmFD, nullptr);
}

TEST_F(ShmLayerTest, FirstStartBuildsIndexAndEmptyManifests) {
    mostest::TraceCapture capture;
    ASSERT_EQ(start(mostest::ShmName("first")), MOS_RC__SUCCESS);
    std::string out = capture.Stop();
    EXPECT_NE(out.find("SHM Index is missing"), std::string::npos) << out;
    EXPECT_EQ(out.find("magic is invalid"), std::string::npos);
    EXPECT_EQ(memcmp(index(), MOS_SHM_GC_MAGIC, 44), 0);
    EXPECT_EQ(activeManifest(), 0);
    uint64_t stamp = 0;
    memcpy(&stamp, index() + 666, 8);
    EXPECT_EQ(stamp, mosShmLayer_G.timestamp);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(shmLayerNT_G.serverShms.counter, 3u); // index and two manifests
    EXPECT_EQ(readManifest(mosShmLayer_G.manifestBName), "");
}

TEST_F(ShmLayerTest, LongPrefixIsCutTo32InEveryName) {
    std::string prefix = mostest::ShmName("") + std::string(40, 'p');
    ASSERT_EQ(start(prefix), MOS_RC__SUCCESS);
    std::string cut = prefix.substr(0, 32);
    EXPECT_EQ(std::string(mosShmLayer_G.indexName), cut + "_INDEX");
    EXPECT_EQ(std::string(mosShmLayer_G.manifestAName), cut + "_MANIFEST_A");
    EXPECT_EQ(std::string(mosShmLayer_G.manifestBName), cut + "_MANIFEST_B");
}

TEST_F(ShmLayerTest, ManifestLinesBecomeRecords) {
    ASSERT_EQ(start(mostest::ShmName("parse")), MOS_RC__SUCCESS);
    std::string longLine(200, 'n');
    struct {
        std::string text;
        std::vector<std::string> names;
    } const cases[] = {
        {"one\ntwo\n", {"one", "two"}},
        {"", {}},
        {"a\n\nb", {"a", "b"}}, // empty line skipped; last line without line feed
        {longLine + "\nlost\n", {longLine.substr(0, 127)}},
        {"dup\ndup\n", {"dup", "dup"}},
    };
    for (const auto &c : cases) {
        writeManifest(mosShmLayer_G.manifestAName, c.text);
        mosShmLayer_DestroyAllGCObjs();
        ASSERT_EQ(mosShmLayer_ParseManifest(), MOS_RC__SUCCESS);
        EXPECT_EQ(records(), c.names) << c.text;
    }
    EXPECT_EQ(mosShmLayer_DestroyGCObj("dup"), MOS_RC__SUCCESS);
    EXPECT_EQ(mosShmLayer_DestroyGCObj("dup"), MOS_RC__SUCCESS);
    EXPECT_EQ(mosShmLayer_DestroyGCObj("dup"), MOS_RC__NOT_FOUND);
}

TEST_F(ShmLayerTest, MissingCurrentManifestIsCreatedEmpty) {
    ASSERT_EQ(start(mostest::ShmName("nomani")), MOS_RC__SUCCESS);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestAName);
    mostest::TraceCapture capture;
    ASSERT_EQ(mosShmLayer_ParseManifest(), MOS_RC__SUCCESS);
    EXPECT_NE(capture.Stop().find("Shm have valid index but no valid manifest, so create it"),
              std::string::npos);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(readManifest(mosShmLayer_G.manifestAName), "");
}

// Names of 128 characters fill more than 128 bytes per line: the written
// manifest still holds every one.
TEST_F(ShmLayerTest, UpdateWritesTheOtherManifestAndFlips) {
    ASSERT_EQ(start(mostest::ShmName("update")), MOS_RC__SUCCESS);
    std::string expected;
    for (int i = 0; i < 32; i++) {
        std::string name = std::to_string(100 + i) + std::string(125, 'x');
        (void)mosShmLayer_CreateGCObj(name.c_str());
        expected += name + "\n";
    }
    ASSERT_EQ(mosShmLayer_UpdateIndex(), MOS_RC__SUCCESS);
    EXPECT_EQ(activeManifest(), 1);
    EXPECT_EQ(readManifest(mosShmLayer_G.manifestBName), expected);
}

TEST_F(ShmLayerTest, UpdateLeavesAnIndexAnotherProcessClaimed) {
    ASSERT_EQ(start(mostest::ShmName("claimed")), MOS_RC__SUCCESS);
    uint64_t other = mosShmLayer_G.timestamp + 1;
    memcpy(static_cast<uint8_t *>(mosShmLayer_G.indexShm.pMem) + 666, &other, 8);
    mostest::TraceCapture capture;
    EXPECT_EQ(mosShmLayer_UpdateIndex(), MOS_RC__ERROR);
    std::string out = capture.Stop();
    EXPECT_NE(out.find("SHM Index timestamp is invalid, timestamp should be: " +
                       std::to_string(mosShmLayer_G.timestamp) +
                       ", but is: " + std::to_string(other) + ", shm_prefix is: " + m_prefix +
                       ", seed is: 18446744073709551615"),
              std::string::npos)
        << out;
    EXPECT_EQ(activeManifest(), 0);
}

uint32_t keepNamesStartingWithK(const char *pName, void * /*pUserData*/) {
    return pName[0] == 'k' ? 1 : 0;
}

TEST_F(ShmLayerTest, CollectionDeletesUnclaimedSegmentsAndTheFamily) {
    ASSERT_EQ(start(mostest::ShmName("gc")), MOS_RC__SUCCESS);
    for (const char *pName : {"kept_seg", "drop_seg", "used_seg"}) {
        MosShm shm;
        ASSERT_EQ(mosShmUmt_CreateOs(&shm, pName, 4096, 1, 0), MOS_RC__SUCCESS);
        mosShm_CloseOs(&shm);
        MosShmGCObj *pObj = mosShmLayer_CreateGCObj(pName);
        pObj->useCount = strcmp(pName, "used_seg") == 0 ? 1 : 0;
    }
    MosShmKeepCKEntry keep = {nullptr, keepNamesStartingWithK, nullptr};
    mosShmLayer_AddKeepCK(&keep);
    mosShmLayer_SetGarbageCollect(1);
    ASSERT_EQ(shmLayerNT_G.serverShms.counter, 6u);
    mosShmUmt_GarbageCollect();
    EXPECT_EQ(records(), (std::vector<std::string>{"kept_seg", "used_seg"}));
    std::vector<std::string> held;
    for (MosListNode *p = shmLayerNT_G.serverShms.pFirst; p != nullptr; p = mosList_Next(p)) {
        held.emplace_back(mosShmEntry_OfNode(p)->name);
    }
    EXPECT_EQ(held, (std::vector<std::string>{"kept_seg", "used_seg"}));
    EXPECT_EQ(mosShmLayer_G.indexShm.shmFD, nullptr);
}

TEST_F(ShmLayerTest, NoServerFailsTheStartWithoutCrash) {
    mostest::TraceCapture capture;
    EXPECT_EQ(start(mostest::ShmName("alone"), 0), MOS_RC__ILLEGAL);
    std::string out = capture.Stop();
    EXPECT_NE(out.find("Shm ResetIndex could not create new Index shm file"), std::string::npos)
        << out;
    EXPECT_EQ(mosShmLayer_G.prefix[0], '\0'); // undone
}

TEST(ShmLayerStampTest, MicrosecondsWithoutOverflow) {
    EXPECT_EQ(mosShmLayer_CountToUs(123, 0), 0u);
    EXPECT_EQ(mosShmLayer_CountToUs(10000000, 10000000), 1000000u);
    EXPECT_EQ(mosShmLayer_CountToUs(15, 10), 1500000u);
    // A month of uptime at a nanosecond counter overflows count * 10^6.
    int64_t count = int64_t{2592000} * 1000000000 + 999;
    EXPECT_EQ(mosShmLayer_CountToUs(count, 1000000000), uint64_t{2592000} * 1000000);
    // The counter of both targets: 100-ns ticks, a year of uptime.
    int64_t yearTicks = int64_t{31536000} * 10000000 + 15;
    EXPECT_EQ(mosShmLayer_CountToUs(yearTicks, 10000000), uint64_t{31536000} * 1000000 + 1);
}

} // namespace
