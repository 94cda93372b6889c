#include "scripted_link.h"
#include "sdbg_exception.h"
#include "sdbg_logical_view.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_screen.h"
#include "sdbg_server_link.h"
#include "sdbg_srv_obj_factory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

// Every allocation of this executable is counted, so a test can see how
// many objects a refresh made.
namespace {
std::atomic<uint64_t> allocations_G{0};

void *CountedAlloc(size_t size) {
    allocations_G.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

void *operator new(size_t size) {
    return CountedAlloc(size);
}
void *operator new[](size_t size) {
    return CountedAlloc(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept {
    allocations_G.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept {
    allocations_G.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, size_t) noexcept {
    std::free(p);
}

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
    void ReplyObjects(uint32_t count, uint32_t firstId) { ReplyObjects(count, count, firstId); }
    // The same with announced as the list's count word and records records.
    void ReplyObjects(uint32_t announced, uint32_t count, uint32_t firstId) {
        std::vector<uint8_t> reply;
        auto add = [&reply](uint32_t word) {
            const auto *p = reinterpret_cast<const uint8_t *>(&word);
            reply.insert(reply.end(), p, p + 4);
        };
        add(SDBG_STATUS__OK);
        add(announced);
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
            // The id, ":", then the object's own view of the data received.
            EXPECT_EQ(lines[2].rfind("100:", 0), 0u) << lines[2];
            EXPECT_NE(lines[2].find(std::to_string(0xABCD0000u)), std::string::npos) << lines[2];
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
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "<Net_paths>");
    EXPECT_EQ(lines[1], "\t<mos-lock-stats-mgr id=\"4\">");
    // The object's XML view (its fields) sits between the tags.
    EXPECT_NE(lines[2].find(std::to_string(0xABCD0000u)), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "\t</mos-lock-stats-mgr>");
    EXPECT_EQ(lines[4], "</Net_paths>");
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
    const std::vector<std::string> lines = Printed(screen, false);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Screen: ");
    EXPECT_EQ(lines[1], ""); // a chosen-objects group has an empty header
    EXPECT_EQ(lines[2].rfind("9:", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find('1'), std::string::npos) << lines[2];
    pScript->ReplyWords({SDBG_STATUS__BAD_OBJ_COUNT});
    EXPECT_THROW(screen.Refresh(*pServer), Sdbg_LinkException);
}

// A server may announce any number of objects; the viewer makes query
// objects only for the records that arrive.
TEST_F(GroupFixture, ObjectsAreMadeOnlyForRecordsReceived) {
    struct Case {
        uint32_t announced;
        uint32_t records;
    };
    const Case cases[] = {{0xFFFFFFFFu, 3}, {200000, 3}, {5, 5}, {1000, 0}};
    for (const Case &c : cases) {
        Sdbg_Screen screen("s", "Lock stats", "all");
        const uint32_t typeId = kLockStatsMgr;
        screen.AddGroup(&typeId, 0, nullptr);
        ReplyCount(c.announced);
        ReplyObjects(c.announced, c.records, 100);
        const uint64_t before = allocations_G.load();
        screen.Refresh(*pServer);
        const uint64_t made = allocations_G.load() - before;
        // The request buffer, one query object per record and the growth of
        // the vector that holds them; nothing per announced object.
        EXPECT_LE(made, 8u + 2u * c.records) << c.announced;
        const std::vector<std::string> lines = Printed(screen, false);
        EXPECT_EQ(lines.size(), 2u + c.records + 1) << c.announced;
        EXPECT_TRUE(pScript->replies.empty()) << c.announced;
    }
}

// A chosen object the server no longer answers for disappears from the
// page, whether its record comes back empty, is left out, or is cut.
TEST_F(GroupFixture, AChosenObjectThatIsGoneIsNoLongerShown) {
    auto words = [](std::initializer_list<uint32_t> list) {
        std::vector<uint8_t> bytes(list.size() * 4);
        std::memcpy(bytes.data(), std::data(list), bytes.size());
        return bytes;
    };
    const std::vector<uint8_t> both =
        words({SDBG_STATUS__OK, kLockStatsMgr, 3u, 4u, 0x33u, kLockStatsMgr, 9u, 4u, 0x99u,
               SDBG_OBJ_LIST_END, 2u, 0u});
    struct Case {
        const char *pName;
        std::vector<uint8_t> secondReply;
    };
    const Case cases[] = {
        {"empty record", words({SDBG_STATUS__OK, kLockStatsMgr, 3u, 4u, 0x34u, kLockStatsMgr, 9u,
                                0u, SDBG_OBJ_LIST_END, 2u, 0u})},
        {"list ends early",
         words({SDBG_STATUS__OK, kLockStatsMgr, 3u, 4u, 0x34u, SDBG_OBJ_LIST_END, 1u, 0u})},
        // A record that claims more data than the response holds ends the walk.
        {"record cut",
         words({SDBG_STATUS__OK, kLockStatsMgr, 3u, 4u, 0x34u, kLockStatsMgr, 9u, 0x7FFFFFFFu})},
    };
    for (const Case &c : cases) {
        Sdbg_Screen screen("", "", "all");
        const uint32_t typeIds[] = {kLockStatsMgr, kLockStatsMgr};
        const uint32_t objIds[] = {3, 9};
        screen.AddGroup(typeIds, 2, objIds);
        pScript->replies.push_back(both);
        screen.Refresh(*pServer);
        std::vector<std::string> lines = Printed(screen, false);
        ASSERT_EQ(lines.size(), 5u) << c.pName;
        EXPECT_EQ(lines[3].rfind("9:", 0), 0u) << lines[3];
        pScript->replies.push_back(c.secondReply);
        screen.Refresh(*pServer);
        lines = Printed(screen, false);
        ASSERT_EQ(lines.size(), 4u) << c.pName;
        EXPECT_EQ(lines[2].rfind("3:", 0), 0u) << c.pName << ": " << lines[2];
        EXPECT_NE(lines[2].find(std::to_string(0x34)), std::string::npos) << lines[2];
    }
}

// The groups make their query objects through the registered factory and
// nothing else: with none registered they refuse with their own message
// (never calling through a null factory), a type the factory does not know
// is an invalid type, and a registered factory is asked for each object.
std::vector<uint32_t> askedTypes_G;

std::unique_ptr<SDbg_SrvObj> RecordingFactory(uint32_t objTypeId) {
    askedTypes_G.push_back(objTypeId);
    return CreateSrvObj(objTypeId);
}

std::unique_ptr<SDbg_SrvObj> UnknowingFactory(uint32_t) {
    return nullptr;
}

// Registers a factory for one case and puts back the one before.
class FactoryScope {
  public:
    explicit FactoryScope(Sdbg_SrvObjFactory factory) : previous(Sdbg_SetSrvObjFactory(factory)) {}
    ~FactoryScope() { Sdbg_SetSrvObjFactory(previous); }
    FactoryScope(const FactoryScope &) = delete;
    FactoryScope &operator=(const FactoryScope &) = delete;

  private:
    Sdbg_SrvObjFactory previous;
};

TEST_F(GroupFixture, ObjectsComeOnlyFromTheRegisteredFactory) {
    struct Case {
        const char *pName;
        Sdbg_SrvObjFactory factory;
        const char *pFailure; // nullptr: the objects are made
    };
    const Case cases[] = {
        {"none registered", nullptr, "No object views registered"},
        {"type unknown to the factory", UnknowingFactory, "Invalid obj type"},
        {"views registered", RecordingFactory, nullptr},
    };
    for (const Case &c : cases) {
        FactoryScope scope(c.factory);
        askedTypes_G.clear();
        auto expectOutcome = [&c](const std::function<void()> &make, const char *pGroup) {
            try {
                make();
                EXPECT_EQ(c.pFailure, nullptr) << c.pName << ", " << pGroup;
            } catch (const SDbg_WorkerException &failure) {
                ASSERT_NE(c.pFailure, nullptr) << c.pName << ", " << pGroup;
                EXPECT_STREQ(failure.GetText(), c.pFailure) << c.pName << ", " << pGroup;
            }
        };
        // Chosen objects are made with the group.
        Sdbg_Screen chosen("", "", "all");
        const uint32_t typeIds[] = {kLockStatsMgr, kLockStatsMgr};
        const uint32_t objIds[] = {3, 9};
        expectOutcome([&] { chosen.AddGroup(typeIds, 2, objIds); }, "chosen objects");
        // All objects of a type are made as their records arrive.
        Sdbg_Screen all("s", "Lock stats", "all");
        const uint32_t typeId = kLockStatsMgr;
        all.AddGroup(&typeId, 0, nullptr);
        ReplyCount(1);
        ReplyObjects(1, 7);
        expectOutcome([&] { all.Refresh(*pServer); }, "all objects");
        EXPECT_TRUE(pScript->replies.empty()) << c.pName;
        if (c.factory == RecordingFactory) {
            EXPECT_EQ(askedTypes_G,
                      (std::vector<uint32_t>{kLockStatsMgr, kLockStatsMgr, kLockStatsMgr}));
            EXPECT_EQ(Printed(all, false).at(1), "mos-lock-stats-mgr (1 objects) [ 7 ]");
        }
    }
}

} // namespace
