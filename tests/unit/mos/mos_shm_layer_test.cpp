// The shared-memory layer over the servers of the same process: the index,
// the manifests and their records.
#include "mos_shm_layer.h"

#include "core_layers.h"
#include "mos_shm_client.h"
#include "shm_test_support.h"
#include "trace_capture.h"

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
        mosShmClient_SetFramedPort(mostest::FreeTcpPort());
        m_prefix = prefix;
        MosShmParams params = {bServers, mostest::FreeTcpPort(), m_prefix.c_str(), bNoIndex};
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
    // Stops the layer and its threads, then the capture: the trace layer
    // changes only while no other thread may trace.
    static std::string stopLayerAndCapture(mostest::TraceCapture *pCapture) {
        mosShmLayer_Destroy();
        return pCapture->Stop();
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
    // Capturing before the start: its threads trace as they begin.
    mostest::TraceCapture capture;
    ASSERT_EQ(start(mostest::ShmName("first")), MOS_RC__SUCCESS);
    EXPECT_EQ(memcmp(index(), MOS_SHM_GC_MAGIC, 44), 0);
    EXPECT_EQ(activeManifest(), 0);
    uint64_t stamp = 0;
    memcpy(&stamp, index() + 666, 8);
    EXPECT_EQ(stamp, mosShmLayer_G.timestamp);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(shmLayerNT_G.serverShms.counter, 3u); // index and two manifests
    EXPECT_EQ(readManifest(mosShmLayer_G.manifestBName), "");
    std::string out = stopLayerAndCapture(&capture);
    EXPECT_NE(out.find("SHM Index is missing"), std::string::npos) << out;
    EXPECT_EQ(out.find("magic is invalid"), std::string::npos);
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
    const std::string name127(127, 'p');
    const std::string name128(128, 'q');
    const std::string line129(129, 'r');
    struct {
        std::string text;
        std::vector<std::string> names;
    } const cases[] = {
        {"one\ntwo\n", {"one", "two"}},
        {"", {}},
        {"a\n\nb", {"a", "b"}}, // empty line skipped; last line without line feed
        {longLine + "\nlost\n", {longLine.substr(0, 128)}},
        // The longest name a record holds keeps its line and the next one;
        // a longer line has no line feed in reach and ends the text.
        {"a\n" + name127 + "\nb\n", {"a", name127, "b"}},
        {"a\n" + name128 + "\nb\n", {"a", name128, "b"}},
        {name128 + "\n" + name128 + "\n", {name128, name128}},
        {"a\n" + line129 + "\nlost\n", {"a", line129.substr(0, 128)}},
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
    mostest::TraceCapture capture;
    ASSERT_EQ(start(mostest::ShmName("nomani")), MOS_RC__SUCCESS);
    mosShmClient_DestroyShmInServer(mosShmLayer_G.manifestAName);
    ASSERT_EQ(mosShmLayer_ParseManifest(), MOS_RC__SUCCESS);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(readManifest(mosShmLayer_G.manifestAName), "");
    EXPECT_NE(stopLayerAndCapture(&capture).find(
                  "Shm have valid index but no valid manifest, so create it"),
              std::string::npos);
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
    mostest::TraceCapture capture;
    ASSERT_EQ(start(mostest::ShmName("claimed")), MOS_RC__SUCCESS);
    uint64_t other = mosShmLayer_G.timestamp + 1;
    memcpy(static_cast<uint8_t *>(mosShmLayer_G.indexShm.pMem) + 666, &other, 8);
    EXPECT_EQ(mosShmLayer_UpdateIndex(), MOS_RC__ERROR);
    EXPECT_EQ(activeManifest(), 0);
    const uint64_t stamp = mosShmLayer_G.timestamp;
    std::string out = stopLayerAndCapture(&capture);
    EXPECT_NE(out.find("SHM Index timestamp is invalid, timestamp should be: " +
                       std::to_string(stamp) + ", but is: " + std::to_string(other) +
                       ", shm_prefix is: " + m_prefix + ", seed is: 18446744073709551615"),
              std::string::npos)
        << out;
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

// Every keep callback is asked, in order, until one keeps the name.
TEST_F(ShmLayerTest, CollectionAsksEveryKeepCallback) {
    ASSERT_EQ(start(mostest::ShmName("keeps")), MOS_RC__SUCCESS);
    struct Asked {
        char keeps;
        std::string names;
    } asked[3] = {{'a', ""}, {'b', ""}, {'c', ""}};
    auto keepOwnLetter = [](const char *pName, void *pUserData) -> uint32_t {
        auto *pAsked = static_cast<Asked *>(pUserData);
        pAsked->names += pName[0];
        return pName[0] == pAsked->keeps ? 1 : 0;
    };
    MosShmKeepCKEntry entries[3];
    for (int i = 0; i < 3; i++) {
        entries[i] = {nullptr, keepOwnLetter, &asked[i]};
        mosShmLayer_AddKeepCK(&entries[i]);
    }
    for (const char *pName : {"a_seg", "b_seg", "c_seg", "d_seg"}) {
        (void)mosShmLayer_CreateGCObj(pName);
    }
    mosShmUmt_GarbageCollect();
    EXPECT_EQ(records(), (std::vector<std::string>{"a_seg", "b_seg", "c_seg"}));
    EXPECT_EQ(asked[0].names, "abcd");
    EXPECT_EQ(asked[1].names, "bcd");
    EXPECT_EQ(asked[2].names, "cd");
}

// A name of 128 characters, the longest a record holds, is written by an
// update, read back whole by the next start's parse (with the names after
// it) and its segment is the one the collection deletes.
TEST_F(ShmLayerTest, Name128SurvivesUpdateRestartAndCollection) {
    ASSERT_EQ(start(mostest::ShmName("n128")), MOS_RC__SUCCESS);
    std::string name128 = mostest::ShmName("n128_");
    name128 += std::string(128 - name128.size(), 'l');
    const std::vector<std::string> names = {"before_seg", name128, "after_seg"};
    for (const std::string &name : names) {
        MosShm shm;
        ASSERT_EQ(mosShmUmt_CreateOs(&shm, name.c_str(), 4096, 1, 0), MOS_RC__SUCCESS);
        mosShm_CloseOs(&shm);
        (void)mosShmLayer_CreateGCObj(name.c_str());
    }
    ASSERT_EQ(mosShmLayer_UpdateIndex(), MOS_RC__SUCCESS);
    // What a restart reads: the records again from the current manifest.
    mosShmLayer_DestroyAllGCObjs();
    ASSERT_EQ(mosShmLayer_ParseManifest(), MOS_RC__SUCCESS);
    EXPECT_EQ(records(), names);
    ASSERT_EQ(shmLayerNT_G.serverShms.counter, 6u);
    mosShmUmt_GarbageCollect();
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(shmLayerNT_G.serverShms.counter, 0u); // every segment, index and manifests gone
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
