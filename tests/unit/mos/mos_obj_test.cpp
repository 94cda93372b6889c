#include "mos_obj.h"

#include "core_layers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Widget {
    MosObjEntry entry;
    uint32_t value;
};

void queryWidget(MosObjEntry *pEntry, const char *pName, void *pBuf) {
    auto *pWidget = reinterpret_cast<Widget *>(pEntry);
    memcpy(pBuf, &pWidget->value, sizeof pWidget->value);
    memcpy(static_cast<char *>(pBuf) + 4, pName, strlen(pName) + 1);
}

std::string lastCommand_G;

void commandWidget(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                   const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]) {
    lastCommand_G = std::string(pEntry->pName) + ":" + std::to_string(command) + ":" +
                    std::to_string(argc) + ":" + pArgs[0];
}

constexpr uint32_t kTypeId = 150;

class ObjTest : public testing::Test {
  protected:
    void SetUp() override {
        mostest::EnsureCoreLayers();
        mosObjType_RegObjType(&type_, queryWidget, commandWidget, kTypeId, 20);
        for (uint32_t i = 0; i < 3; i++) {
            widgets_[i].value = i + 1;
            mosObjType_RegObj(&type_, &widgets_[i].entry, names_[i]);
        }
    }
    void TearDown() override {
        for (Widget &widget : widgets_) {
            mosObjType_UnregObj(&type_, &widget.entry);
        }
        mosObjType_UnregObjType(&type_);
        EXPECT_EQ(mosObjType_GetById(kTypeId), nullptr);
    }
    std::vector<const char *> walk() {
        std::vector<const char *> names;
        mosObjType_EnumStart(&type_);
        for (MosObjEntry *pObj = mosObjType_EnumGetNextObj(&type_); pObj != nullptr;
             pObj = mosObjType_EnumGetNextObj(&type_)) {
            names.push_back(pObj->pName);
        }
        EXPECT_EQ(mosObjType_EnumGetNextObj(&type_), nullptr); // stays at the end
        mosObjType_EnumEnd(&type_);
        return names;
    }
    const char *nameAt(uint32_t index) {
        MosObjEntry *pObj = mosObjType_EnumStartAtIndex(&type_, index);
        if (pObj == nullptr) {
            return nullptr;
        }
        mosObjType_EnumEnd(&type_);
        return pObj->pName;
    }
    MosObjType type_{};
    Widget widgets_[3]{};
    const char *names_[3] = {"first", "second", "third"};
};

TEST_F(ObjTest, TypeIsFoundByIdAndObjectsEnumerateInRegistrationOrder) {
    EXPECT_EQ(mosObjType_GetById(kTypeId), &type_);
    EXPECT_EQ(mosObjType_GetById(kTypeId + 64), nullptr); // same bucket, other id
    EXPECT_EQ(mosObjType_GetNumObjs(&type_), 3u);
    EXPECT_EQ(walk(), (std::vector<const char *>{names_[0], names_[1], names_[2]}));
    EXPECT_EQ(type_.objList.pFirst->pPrev, mosList_End());
    EXPECT_EQ(type_.objList.pLast->pNext, mosList_End());
}

TEST_F(ObjTest, IndexLookupFollowsUnregistrationEvenWhenCached) {
    EXPECT_STREQ(nameAt(1), "second");
    EXPECT_STREQ(nameAt(1), "second"); // from the cache
    mosObjType_UnregObj(&type_, &widgets_[0].entry);
    EXPECT_STREQ(nameAt(1), "third");
    EXPECT_STREQ(nameAt(0), "second");
    EXPECT_EQ(nameAt(2), nullptr);
    // The lock was released by the failed start: enumeration works.
    EXPECT_EQ(walk().size(), 2u);
}

// A walk that starts at an index goes on from there, whether the start
// object came from the cache or not.
TEST_F(ObjTest, WalkFromAnIndexContinuesAfterIt) {
    for (int pass = 0; pass < 2; pass++) {
        MosObjEntry *pStart = mosObjType_EnumStartAtIndex(&type_, 1);
        ASSERT_NE(pStart, nullptr);
        EXPECT_STREQ(pStart->pName, "second");
        MosObjEntry *pNext = mosObjType_EnumGetNextObj(&type_);
        ASSERT_NE(pNext, nullptr) << pass;
        EXPECT_STREQ(pNext->pName, "third") << pass;
        mosObjType_EnumEnd(&type_);
    }
}

TEST_F(ObjTest, UnregisteringIsSafeForStrangersAndEmptiesTheList) {
    Widget stranger{};
    mosObjType_UnregObj(&type_, &stranger.entry);
    EXPECT_EQ(mosObjType_GetNumObjs(&type_), 3u);
    for (Widget &widget : widgets_) {
        mosObjType_UnregObj(&type_, &widget.entry);
        mosObjType_UnregObj(&type_, &widget.entry); // twice: nothing happens
    }
    EXPECT_EQ(mosObjType_GetNumObjs(&type_), 0u);
    EXPECT_EQ(type_.objList.pFirst, nullptr);
    EXPECT_EQ(type_.objList.pLast, nullptr);
    EXPECT_EQ(walk().size(), 0u);
    EXPECT_EQ(nameAt(0), nullptr);
}

TEST_F(ObjTest, QueryAndCommandReachTheObject) {
    char buf[20] = {};
    mosObj_Query(&widgets_[2].entry, &type_, buf);
    uint32_t value = 0;
    memcpy(&value, buf, sizeof value);
    EXPECT_EQ(value, 3u);
    EXPECT_STREQ(buf + 4, "third");
    char args[2][MOS_OBJ_CMD_ARG_SIZE] = {"on", "x"};
    mosObj_Command(&widgets_[0].entry, &type_, 7, 2, args);
    EXPECT_EQ(lastCommand_G, "first:7:2:on");

    MosObjType quiet{};
    mosObjType_RegObjType(&quiet, queryWidget, nullptr, kTypeId + 1, 20);
    lastCommand_G.clear();
    mosObj_Command(&widgets_[0].entry, &quiet, 1, 0, nullptr);
    EXPECT_EQ(lastCommand_G, "");
    mosObjType_UnregObjType(&quiet);
}

TEST_F(ObjTest, BrokenInvariantsStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MosObjType duplicate{};
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 mosObjType_RegObjType(&duplicate, queryWidget, nullptr, kTypeId, 4)),
                mostest::ExitedWithMinusOne,
                "function mosObjType_RegObjType, PID .*Expression \\(pTypeInHash\\) == "
                "\\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosObjType_UnregObjType(&type_)),
                mostest::ExitedWithMinusOne,
                "Expression \\(\\(&pType->objList\\)->counter\\) == 0 \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosObjType_RegObj(&type_, &widgets_[0].entry, "x")),
                mostest::ExitedWithMinusOne,
                "Expression \\(&pObj->node\\)->pPrev == \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosObjType_EnumStart(&type_),
                 (void)mosObjType_EnumGetNextObj(&type_), mosObjType_EnumEnd(&type_),
                 type_.pEnumObj = &widgets_[0].entry, mosObjType_EnumStart(&type_)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pType->pEnumObj\\) == \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mosObjLayer_Destroy()), mostest::ExitedWithMinusOne,
                "function mosObjLayer_Destroy, PID .*Expression objNum == 0 \\.");
    MosObjType noQuery{};
    noQuery.queryDataSize = 4;
    EXPECT_EXIT((mostest::StdoutToStderr(), mosObj_Query(&widgets_[0].entry, &noQuery, nullptr)),
                mostest::ExitedWithMinusOne,
                "Expression \\(pType->pFunc\\) != \\(\\(void \\*\\)0\\) \\.");
}

} // namespace
