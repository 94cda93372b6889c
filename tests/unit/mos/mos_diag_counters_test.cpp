#include "mos_diag_counters.h"

#include "core_layers.h"
#include "mos_obj.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<MosDiagCounterExtEntry> queryAll(const char *pKind, bool bOnlyExceeded,
                                             MOS_RC *pRc = nullptr) {
    std::vector<MosDiagCounterExtEntry> entries(MOS_DIAG_COUNTER__LAST);
    MosDiagCountersQuery query{};
    query.count = MOS_DIAG_COUNTER__LAST;
    query.bOnlyExceeded = bOnlyExceeded ? 1 : 0;
    strncpy(query.component, pKind, sizeof query.component - 1);
    query.pEntries = entries.data();
    MOS_RC rc = mosDiagCounters_QueryExt(&query, true);
    if (pRc != nullptr) {
        *pRc = rc;
    }
    entries.resize(query.count);
    return entries;
}

bool listed(const std::vector<MosDiagCounterExtEntry> &entries, const char *pName) {
    for (const auto &e : entries) {
        if (strcmp(e.base.name, pName) == 0) {
            return true;
        }
    }
    return false;
}

TEST(DiagCounters, FullQueryListsEveryCounterInIdOrder) {
    MOS_RC rc = MOS_RC__ERROR;
    auto entries = queryAll("", false, &rc);
    EXPECT_EQ(rc, MOS_RC__SUCCESS);
    ASSERT_EQ(entries.size(), 247u);
    EXPECT_STREQ(entries[0].base.name, "PRIO_SND_LIMIT_REACHED");
    EXPECT_STREQ(entries[0].base.component, "NET");
    EXPECT_EQ(entries[0].base.threshold, 0xFFFFFFFFu);
    EXPECT_STREQ(entries[1].base.name, "KA_CAUSED_DISCONNECT");
    EXPECT_EQ(entries[1].base.threshold, 0u);
    EXPECT_STREQ(entries[51].base.name, "IO_EAGER_ZEOR_WRITTEN_MB"); // kept as spelled
    EXPECT_STREQ(entries[165].base.name, "T10DIF_GEN_WR_PRI_TestAndSet");
    EXPECT_STREQ(entries[246].base.name, "SKIPPED_TRACES_EVENTS");
    EXPECT_STREQ(entries[246].base.component, "MOS");
}

TEST(DiagCounters, TooSmallArrayFillsWhatFitsAndAsksForAll) {
    std::vector<MosDiagCounterExtEntry> entries(12);
    memset(entries.data(), 0xAB, entries.size() * sizeof entries[0]);
    MosDiagCountersQuery query{};
    query.count = 10;
    query.pEntries = entries.data();
    EXPECT_EQ(mosDiagCounters_QueryExt(&query, true), MOS_RC__NO_RESOURCES);
    EXPECT_EQ(query.count, 247u);
    EXPECT_STREQ(entries[9].base.name, "SND_ERR");
    EXPECT_EQ(static_cast<uint8_t>(entries[10].base.name[0]), 0xAB); // nothing past capacity
}

struct KindCase {
    const char *pKind;
    uint32_t typeId;
    size_t count;
    const char *pFirst;
    const char *pLast;
};

TEST(DiagCounters, KindFilterSelectsEachFamily) {
    const KindCase cases[] = {
        {"NET", 104, 51, "PRIO_SND_LIMIT_REACHED", "NETSMALLIOV_LARGE"},
        {"IO", 103, 56, "IO_EXCEEDED_RETRY_QUOTA", "COMMAND_FAILED"},
        {"MOS", 102, 25, "SECONDS_FROM_UP_TIME", "SKIPPED_TRACES_EVENTS"},
        {"INI_DEV", 106, 16, "CREATED_DEVICES", "ESX_RM_PENDING_DEVICE"},
        {"MDM", 105, 13, "REP_UPGRADE_SKIPPED_WRITES", "DIFF_SYNC_STARTED"},
        {"T10DIF", 107, 43, "T10DIF_WR_PRI_WITH_DIF", "T10DIF_CONFIG_MISMATCH"},
        {"CMATRIX", 108, 13, "CMATRIX_VECTOR_NOT_SENT", "CMATRIX_STALE_ROW_IDENTIFIED"},
        {"SDS", 109, 9, "SDS_IO_VERSION_UNKNOWN", "SDS_SPEF_VTREE_DISCREPANCY"},
        {"SPEF", 110, 21, "SPEF_GET_NEIGHBORS_FAIL", "SPEF_CRA_RATE_LIMIT"},
    };
    size_t total = 0;
    for (const KindCase &c : cases) {
        SCOPED_TRACE(c.pKind);
        auto entries = queryAll(c.pKind, false);
        ASSERT_EQ(entries.size(), c.count);
        EXPECT_STREQ(entries.front().base.name, c.pFirst);
        EXPECT_STREQ(entries.back().base.name, c.pLast);
        for (const auto &e : entries) {
            EXPECT_STREQ(e.base.component, c.pKind);
        }
        EXPECT_EQ(mosDiagCounters_GetKindTypeId(c.pKind), c.typeId);
        total += entries.size();
    }
    EXPECT_EQ(total, 247u);
    EXPECT_EQ(queryAll("NOPE", false).size(), 0u);
    EXPECT_EQ(mosDiagCounters_GetKindTypeId("NOPE"), 0u);
}

TEST(DiagCounters, CountingStoresValueExtDataAndTime) {
    const auto before = queryAll("NET", false)[41];
    ASSERT_STREQ(before.base.name, "NET_SOCK_TYPE_NOT_SUPPORTED");
    mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__NET_SOCK_TYPE_NOT_SUPPORTED);
    mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__NET_SOCK_TYPE_NOT_SUPPORTED);
    const auto after = queryAll("NET", false)[41];
    EXPECT_EQ(after.base.value, before.base.value + 2);
    EXPECT_EQ(after.countExtData, 0xFFFFFFFFu);
    EXPECT_LT(after.lastCountTimeMilli, 1000u); // just counted (0 within the same millisecond)
}

TEST(DiagCounters, OnlyExceededFollowsTheThreshold) {
    // CMATRIX_VECTOR_NOT_SENT has threshold 0, CMATRIX_MATRIX_FULLY_ANALYZED
    // never exceeds; nothing else in the process counts either.
    EXPECT_FALSE(listed(queryAll("", true), "CMATRIX_VECTOR_NOT_SENT"));
    mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__CMATRIX_VECTOR_NOT_SENT);
    mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__CMATRIX_MATRIX_FULLY_ANALYZED);
    auto exceeded = queryAll("", true);
    EXPECT_TRUE(listed(exceeded, "CMATRIX_VECTOR_NOT_SENT"));
    EXPECT_FALSE(listed(exceeded, "CMATRIX_MATRIX_FULLY_ANALYZED"));
    EXPECT_EQ(queryAll("CMATRIX", true).size(), 1u);
    for (const auto &e : exceeded) {
        EXPECT_GT(e.base.value, e.base.threshold) << e.base.name;
    }
}

TEST(DiagCounters, PlainEntriesAreFortyEightBytes) {
    std::vector<MosDiagCounterEntry> entries(MOS_DIAG_COUNTER__LAST + 1);
    memset(entries.data(), 0xAB, entries.size() * sizeof entries[0]);
    MosDiagCountersQuery query{};
    query.count = static_cast<uint32_t>(entries.size());
    query.pEntries = entries.data();
    ASSERT_EQ(mosDiagCounters_QueryExt(&query, false), MOS_RC__SUCCESS);
    EXPECT_EQ(query.count, 247u);
    EXPECT_STREQ(entries[1].name, "KA_CAUSED_DISCONNECT");
    EXPECT_STREQ(entries[246].name, "SKIPPED_TRACES_EVENTS");
    EXPECT_EQ(static_cast<uint8_t>(entries[247].name[0]), 0xAB);
}

TEST(DiagCounters, PrintQueryWritesHeaderAndRows) {
    MosDiagCounterExtEntry entry{};
    entry.base.value = 3;
    entry.base.threshold = 0;
    strcpy(entry.base.component, "NET");
    strcpy(entry.base.name, "SND_ERR");
    entry.countExtData = 0xFFFFFFFF;
    entry.lastCountTimeMilli = 42;
    MosDiagCountersQuery query{};
    query.count = 1;
    query.pEntries = &entry;
    testing::internal::CaptureStdout();
    mosDiagCounters_PrintQuery(&query, "TITLE", "\t", false);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string header = "Component::  " + std::string("Counter") + std::string(26, ' ') +
                               "::  Value" + std::string(15, ' ') + ":: ExtData" +
                               std::string(15, ' ') + ":: Last Counted(Ms)    \n";
    const std::string row = "\tNET      ::  SND_ERR" + std::string(26, ' ') + "::  3" +
                            std::string(19, ' ') + ":: 0xffffffff" + std::string(12, ' ') +
                            ":: 42" + std::string(18, ' ') + "\n";
    EXPECT_EQ(out, "TITLE\n\t" + header + row);
}

TEST(DiagCounters, PrintQueryStaysWithinUnterminatedFields) {
    // An entry as a faulty driver might send it: no NUL in either text.
    MosDiagCounterExtEntry entries[2];
    memset(entries, 'A', sizeof entries);
    memset(entries[0].base.name, 'N', sizeof entries[0].base.name);
    entries[0].base.value = 1;
    entries[0].base.threshold = 0;
    MosDiagCountersQuery query{};
    query.count = 1;
    query.pEntries = entries;
    testing::internal::CaptureStdout();
    mosDiagCounters_PrintQuery(&query, nullptr, nullptr, false);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string row = out.substr(out.find('\n') + 1);
    EXPECT_EQ(row.substr(0, 8 + 5 + 32), std::string(8, 'A') + " ::  " + std::string(32, 'N'))
        << row;
    EXPECT_EQ(row.find("NNA"), std::string::npos); // the name stops at its field
}

TEST(DiagCountersDeathTest, CounterIdOutOfRangeIsFatal) {
    EXPECT_EXIT(
        {
            mostest::StdoutToStderr();
            mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__LAST);
        },
        mostest::ExitedWithMinusOne, "counter < MOS_DIAG_COUNTER__LAST");
}

class DiagCountersLayer : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        ASSERT_EQ(mosDiagCountersLayer_Init(nullptr), MOS_RC__SUCCESS);
    }
    void TearDown() override {
        mosDiagCountersLayer_Destroy();
        EXPECT_EQ(mosObjType_GetById(102), nullptr);
        mosDiagCountersLayer_Destroy(); // a second destroy does nothing
    }
};

TEST_F(DiagCountersLayer, EachKindIsAnObjectTypeOfItsCounters) {
    const std::pair<uint32_t, uint32_t> typeCounts[] = {{104, 51}, {103, 56}, {102, 25},
                                                        {106, 16}, {105, 13}, {107, 43},
                                                        {108, 13}, {109, 9},  {110, 21}};
    for (auto [typeId, count] : typeCounts) {
        MosObjType *pType = mosObjType_GetById(typeId);
        ASSERT_NE(pType, nullptr) << typeId;
        EXPECT_EQ(mosObjType_GetNumObjs(pType), count) << typeId;
        EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 64u);
    }
}

TEST_F(DiagCountersLayer, MosTypeListsItsCountersInIdOrder) {
    MosObjType *pType = mosObjType_GetById(102);
    ASSERT_NE(pType, nullptr);
    std::vector<std::string> names;
    mosObjType_EnumStart(pType);
    for (MosObjEntry *p = mosObjType_EnumGetNextObj(pType); p != nullptr;
         p = mosObjType_EnumGetNextObj(pType)) {
        names.push_back(p->pName);
    }
    mosObjType_EnumEnd(pType);
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names[0], "SECONDS_FROM_UP_TIME");
    EXPECT_EQ(names[22], "CRAZY_SCHED_UMT_YIELD");
    EXPECT_EQ(names[23], "MEMORY_PINNING_FAILED_QUEUE");
    EXPECT_EQ(names[24], "SKIPPED_TRACES_EVENTS");
}

TEST_F(DiagCountersLayer, ObjectQueryFillsTheExtendedEntry) {
    MosObjType *pType = mosObjType_GetById(103);
    ASSERT_NE(pType, nullptr);
    mosDiagCounters_CountAddValExt(MOS_DIAG_COUNTER__IO_FAILURE);
    MosObjEntry *pObj = mosObjType_EnumStartAtIndex(pType, 2); // IO_FAILURE
    ASSERT_NE(pObj, nullptr);
    mosObjType_EnumEnd(pType);
    MosDiagCounterExtEntry entry{};
    mosObj_Query(pObj, pType, &entry);
    EXPECT_STREQ(entry.base.name, "IO_FAILURE");
    EXPECT_STREQ(entry.base.component, "IO");
    EXPECT_GE(entry.base.value, 1u);
    EXPECT_EQ(entry.countExtData, 0xFFFFFFFFu);
}

} // namespace
