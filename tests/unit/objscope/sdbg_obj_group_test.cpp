#include "scripted_link.h"
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_screen.h"
#include "sdbg_server_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using objscopetest::ScriptedLink;

constexpr uint32_t kLockStatsMgr = 5; // "mos-lock-stats-mgr", 4-byte objects

// A screen over a scripted server linked as a data server.
struct GroupFixture : public ::testing::Test {
    void SetUp() override {
        Sdbg_ObjTypeRegistry::Init();
        auto pOwned = std::make_unique<ScriptedLink>();
        pScript = pOwned.get();
        pScript->ReplyWords({SDBG_STATUS__OK, 2});
        pServer = std::make_unique<Sdbg_ServerLink>(2, std::move(pOwned));
    }
    void ReplyCount(uint32_t count) { pScript->ReplyWords({SDBG_STATUS__OK, count}); }
    // An all-objects answer with the ids first, first + 1, ...
    void ReplyObjects(uint32_t count, uint32_t firstId) {
        std::vector<uint8_t> reply;
        auto add = [&reply](uint32_t word) {
            const auto *p = reinterpret_cast<const uint8_t *>(&word);
            reply.insert(reply.end(), p, p + 4);
        };
        add(SDBG_STATUS__OK);
        add(count);
        for (uint32_t i = 0; i < count; ++i) {
            add(kLockStatsMgr);
            add(firstId + i);
            add(4);
            add(0xABCD0000 + i);
        }
        add(SDBG_OBJ_LIST_END);
        add(count);
        add(0);
        pScript->replies.push_back(reply);
    }
    std::vector<std::string> Printed(Sdbg_Screen &screen, bool bXml) {
        Sdbg_LogicalView view(nullptr, 100, 0, 0);
        screen.Print(view, bXml);
        std::vector<std::string> lines;
        for (uint32_t i = 0; i <= view.GetCurrentLine() && i < view.LineCount(); ++i) {
            lines.push_back(view.Line(i).text.substr(0, view.Line(i).VisibleLength()));
        }
        return lines;
    }

    ScriptedLink *pScript = nullptr;
    std::unique_ptr<Sdbg_ServerLink> pServer;
};

TEST_F(GroupFixture, HeaderListsUpToTwentyIds) {
    struct Case {
        uint32_t count;
        std::string idsText;
    };
    std::string twenty;
    for (uint32_t id = 100; id < 120; ++id) {
        twenty += " " + std::to_string(id);
    }
    const Case cases[] = {{0, " [ ]"}, {20, " [" + twenty + " ]"}, {21, " [" + twenty + "... ]"}};
    for (const Case &c : cases) {
        Sdbg_Screen screen("s", "Lock stats", "all");
        const uint32_t typeId = kLockStatsMgr;
        screen.AddGroup(&typeId, 0, nullptr);
        ReplyCount(c.count);
        if (c.count != 0) {
            ReplyObjects(c.count, 100);
        }
        screen.Refresh(*pServer);
        const std::vector<std::string> lines = Printed(screen, false);
        ASSERT_GE(lines.size(), 2u) << c.count;
        EXPECT_EQ(lines[0], "Screen: Lock stats");
        // The name is longer than both pad columns, so nothing is padded.
        EXPECT_EQ(lines[1],
                  "mos-lock-stats-mgr (" + std::to_string(c.count) + " objects)" + c.idsText);
        EXPECT_EQ(lines.size(), 2u + c.count + 1) << c.count; // one line per object, then the end
        if (c.count != 0) {
            EXPECT_EQ(lines[2], "100:");
        }
    }
}

TEST_F(GroupFixture, MoreObjectsThanAskedForAreCountedAgain) {
    Sdbg_Screen screen("s", "t", "all");
    const uint32_t typeId = kLockStatsMgr;
    screen.AddGroup(&typeId, 0, nullptr);
    ReplyCount(1);
    ReplyObjects(1, 7);
    screen.Refresh(*pServer);
    pScript->ReplyWords({SDBG_STATUS__RESPONSE_TOO_SMALL});
    ReplyCount(3);
    ReplyObjects(3, 7);
    screen.Refresh(*pServer);
    EXPECT_TRUE(pScript->replies.empty());
    const std::vector<std::string> lines = Printed(screen, false);
    EXPECT_EQ(lines[1], "mos-lock-stats-mgr (3 objects) [ 7 8 9 ]");
}

TEST_F(GroupFixture, XmlUsesTheTitleAndTypeNamesAsElements) {
    Sdbg_Screen screen("net", "Net paths", "all");
    const uint32_t typeId = kLockStatsMgr;
    screen.AddGroup(&typeId, 0, nullptr);
    ReplyCount(1);
    ReplyObjects(1, 4);
    screen.Refresh(*pServer);
    const std::vector<std::string> lines = Printed(screen, true);
    const std::vector<std::string> expected = {"<Net_paths>", "\t<mos-lock-stats-mgr id=\"4\">",
                                               "\t</mos-lock-stats-mgr>", "</Net_paths>"};
    EXPECT_EQ(lines, expected);
}

TEST_F(GroupFixture, AFailedRefreshShowsOneErrorPage) {
    Sdbg_Screen screen("s", "Lock stats", "all");
    const uint32_t typeId = kLockStatsMgr;
    screen.AddGroup(&typeId, 0, nullptr);
    EXPECT_THROW(screen.Refresh(*pServer), Sdbg_LinkException); // no reply: connection lost
    const std::vector<std::string> failed = Printed(screen, false);
    EXPECT_EQ(failed, (std::vector<std::string>{"Screen: Lock stats",
                                                "Error linking to remote server", ""}));
    ReplyCount(0);
    screen.Refresh(*pServer);
    EXPECT_EQ(Printed(screen, false).at(1).substr(0, 18), "mos-lock-stats-mgr");
}

TEST_F(GroupFixture, ChosenObjectsShowOnlyWhatTheServerFound) {
    Sdbg_Screen screen("", "", "all");
    const uint32_t typeIds[] = {kLockStatsMgr, kLockStatsMgr};
    const uint32_t objIds[] = {3, 9};
    screen.AddGroup(typeIds, 2, objIds);
    std::vector<uint8_t> reply;
    for (uint32_t word :
         std::initializer_list<uint32_t>{SDBG_STATUS__OK, kLockStatsMgr, 3u, 0u, kLockStatsMgr, 9u,
                                         4u, 1u, SDBG_OBJ_LIST_END, 2u, 0u}) {
        const auto *p = reinterpret_cast<const uint8_t *>(&word);
        reply.insert(reply.end(), p, p + 4);
    }
    pScript->replies.push_back(reply);
    screen.Refresh(*pServer);
    EXPECT_EQ(Printed(screen, false), (std::vector<std::string>{"Screen: ", "", "9:", ""}));
    pScript->ReplyWords({SDBG_STATUS__BAD_OBJ_COUNT});
    EXPECT_THROW(screen.Refresh(*pServer), Sdbg_LinkException);
}

} // namespace
