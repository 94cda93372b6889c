// The factory over the object type table: one class per id 2 to 175, the
// wire size of the table, the memory form of a query object, and the
// interface defaults.

#include "sdbg_query_classes.h"

#include "dport_proto.h"
#include "objscope_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct TypeRow {
    uint32_t id;
    uint32_t size;
};

constexpr TypeRow kTypeTable[] = {
#define SDBG_OBJ_TYPE(id, name, queryClass, querySize) {id, querySize},
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
};

TEST(SrvObjFactory, EveryTypeIdOnceAndEachObjectAnswersItsIdAndSize) {
    ASSERT_EQ(std::size(kTypeTable), 174u);
    bool seen[176] = {};
    for (const TypeRow &row : kTypeTable) {
        ASSERT_GE(row.id, 2u);
        ASSERT_LE(row.id, 175u);
        EXPECT_FALSE(seen[row.id]) << row.id;
        seen[row.id] = true;
        std::unique_ptr<SDbg_SrvObj> pObj = CreateSrvObj(row.id);
        ASSERT_NE(pObj, nullptr) << row.id;
        EXPECT_EQ(pObj->GetObjType(), row.id);
        EXPECT_EQ(pObj->wireSize, row.size) << row.id;
        EXPECT_EQ(pObj->objId, 0u);
        // The wire struct follows the table pointer, size and object id.
        EXPECT_EQ(static_cast<uint8_t *>(pObj->GetData()) - reinterpret_cast<uint8_t *>(pObj.get()),
                  16);
    }
}

// The viewer's classes and the debug port's size table must agree, or a
// reply record would be cut short or overrun into the next one.
TEST(SrvObjFactory, WireSizesEqualTheDebugPortQuerySizes) {
    for (uint32_t id = 0; id <= 177; ++id) {
        std::unique_ptr<SDbg_SrvObj> pObj = CreateSrvObj(id);
        EXPECT_EQ(pObj == nullptr ? 0u : pObj->wireSize, sdbg_GetObjQuerySize(id)) << id;
    }
}

TEST(SrvObjFactory, IdsOutsideTheTableGiveNoObject) {
    for (uint32_t id : {0u, 1u, 176u, 0xFFFFFFFFu}) {
        EXPECT_EQ(CreateSrvObj(id), nullptr) << id;
    }
}

TEST(SrvObjFactory, ObjectStorageIsWirePlusSixteenPaddedToEight) {
    EXPECT_EQ(sizeof(Sdbg_TMosHash_Query), 88u);
    EXPECT_EQ(sizeof(Sdbg_TMosLockStats_Query), 4936u);
    EXPECT_EQ(sizeof(Sdbg_TNvDListQuery), 120u); // 98 bytes of wire
    EXPECT_EQ(CreateSrvObj(6)->wireSize, 4920u);
    EXPECT_EQ(CreateSrvObj(165)->wireSize, 752008u);
    EXPECT_EQ(CreateSrvObj(64)->wireSize, 352u);
}

TEST(SrvObjFactory, ClassesOfTheirIds) {
    EXPECT_NE(dynamic_cast<Sdbg_TVol_Query *>(CreateSrvObj(64).get()), nullptr);
    EXPECT_NE(dynamic_cast<Sdbg_TMosMemPool_Query *>(CreateSrvObj(11).get()), nullptr);
    EXPECT_NE(dynamic_cast<Sdbg_TOscCntEntry_SDS_NET_PAUSE_TOGGLE *>(CreateSrvObj(144).get()),
              nullptr);
}

TEST(SrvObjFactory, ResizeLengthensWithNewObjectsAndNeverShrinks) {
    std::vector<std::unique_ptr<SDbg_SrvObj>> objects;
    ResizeSrvObjVector(11, 3, objects);
    ASSERT_EQ(objects.size(), 3u);
    for (const auto &pObj : objects) {
        ASSERT_NE(dynamic_cast<Sdbg_TMosMemPool_Query *>(pObj.get()), nullptr);
    }
    SDbg_SrvObj *pFirst = objects[0].get();
    ResizeSrvObjVector(11, 5, objects);
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0].get(), pFirst);
    ASSERT_NE(objects[4], nullptr);
    ResizeSrvObjVector(11, 2, objects);
    EXPECT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0].get(), pFirst);
}

TEST(SrvObjFactory, ViewDefaultsWriteTheirFixedTextWithoutLineBreak) {
    Sdbg_LogicalView view(nullptr, 10, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    Sdbg_TMosHash_Query hash;
    hash.View(view);
    hash.View_xml(view);
    EXPECT_EQ(view.GetCurrentLine(), 0u);
    EXPECT_EQ(view.Line(0).text.substr(0, view.Line(0).VisibleLength()),
              "View not supported yetView_xml not supported yet");
}

} // namespace
