#include "sdbg_application.h"
#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

struct CatalogueFixture : public ::testing::Test {
    std::istringstream none;
    std::ostringstream printed;
    Sdbg_Application app{std::make_unique<SDbg_FileInput>(none),
                         std::make_unique<SDbg_FileOutput>(printed)};
    SDbg_Worker &worker = app.worker;

    std::string TitleOf(const char *pText) {
        return worker.GetScreen(worker.FindScreen(pText))->GetTitle();
    }
};

TEST_F(CatalogueFixture, UnlinkedNumbering) {
    EXPECT_EQ(worker.ScreenCount(), 52u);
    EXPECT_EQ(TitleOf("1"), "Mos objects");
    EXPECT_EQ(TitleOf("15"), "INI_MDM objects");
    EXPECT_EQ(TitleOf("38"), "MDM TGT objects");
    EXPECT_EQ(TitleOf("10"), "Execution Statistics (Deprecated)");
    EXPECT_EQ(TitleOf("nv"), "NV data-structs");
    EXPECT_EQ(worker.FindScreen("mos"), 0u);
    EXPECT_EQ(worker.FindScreen("12abc"), 11u);
    EXPECT_EQ(worker.FindScreen("0"), 0xFFFFFFFFu);
    EXPECT_THROW(worker.GetScreen(worker.FindScreen("0")), SDbg_WorkerException);
    EXPECT_THROW(worker.GetScreen(52), SDbg_WorkerException);
    EXPECT_THROW(worker.FindScreen("x1"), SDbg_WorkerException);
}

TEST_F(CatalogueFixture, GroupsKeepTheirCatalogueOrder) {
    const auto &groups = worker.GetScreen(worker.FindScreen("mdm-mgr"))->Groups();
    ASSERT_EQ(groups.size(), 5u);
    const uint32_t expected[] = {31, 63, 29, 69, 78};
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].typeIds.at(0), expected[i]);
        EXPECT_TRUE(groups[i].objIds.empty());
    }
}

TEST_F(CatalogueFixture, SelectingAModuleRenumbers) {
    worker.SelectScreens(3); // mdm
    EXPECT_EQ(worker.ScreenCount(), 29u);
    EXPECT_EQ(TitleOf("15"), "MDM TGT objects");
    EXPECT_THROW(worker.GetScreen(worker.FindScreen("30")), SDbg_WorkerException);
    worker.SelectScreens(4); // voter: the "all" screens only
    EXPECT_EQ(worker.ScreenCount(), 14u);
    EXPECT_EQ(TitleOf("14"), "NV data-structs");
}

TEST_F(CatalogueFixture, TheLastScreenCanBeDeletedOnce) {
    const uint32_t temporary = worker.AddScreen("", "", "all");
    EXPECT_EQ(temporary, 52u);
    worker.DeleteLastScreen();
    EXPECT_EQ(worker.ScreenCount(), 52u);
}

TEST(ScreenTest, ModuleListsAndCuts) {
    struct Case {
        const char *pModules;
        uint32_t mask;
    };
    for (const Case &c : {Case{"tgt, mdm", 12}, Case{"all", 63}, Case{"ini lia", 34},
                          Case{"foo", 0}, Case{"ini,\tvoter\n", 18}, Case{"", 0}}) {
        EXPECT_EQ(Sdbg_Screen("n", "t", c.pModules).GetModuleMask(), c.mask) << c.pModules;
    }
    const Sdbg_Screen longOne(std::string(30, 'n').c_str(), std::string(60, 't').c_str(), "all");
    EXPECT_EQ(longOne.GetName().size(), 19u);
    EXPECT_EQ(longOne.GetTitle().size(), 49u);
}

TEST(RegistryTest, Lookups) {
    Sdbg_ObjTypeRegistry::Init();
    Sdbg_ObjTypeRegistry::Init(); // a second run changes nothing
    EXPECT_EQ(Sdbg_ObjTypeRegistry::ObjTypeTable.size(), 174u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetModuleId("mdm"), 3u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetModuleId("MDM"), SDBG_UNDEFINED_ID);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetObjTypeId("vol"), 64u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetObjTypeId("tgt"), 32u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetObjTypeId("Pellorin"), 42u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetObjTypeId("NV-Hash"), 175u);
    EXPECT_EQ(Sdbg_ObjTypeRegistry::GetObjTypeId("Vol"), SDBG_UNDEFINED_ID);
    EXPECT_STREQ(Sdbg_ObjTypeRegistry::GetObjTypeName(1), "Undefined obj type");
    EXPECT_STREQ(Sdbg_ObjTypeRegistry::GetObjTypeName(176), "Undefined obj type");
    EXPECT_STREQ(Sdbg_ObjTypeRegistry::GetObjTypeName(64), "vol");
    EXPECT_STREQ(Sdbg_ObjTypeRegistry::GetModuleName(5), "Undefined module type");
    EXPECT_STREQ(Sdbg_ObjTypeRegistry::GetModuleName(4), "voter");
}

} // namespace
