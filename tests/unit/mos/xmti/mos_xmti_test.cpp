// The framework's layer, its manager object and the manager's command.
#include "../test_support.h"
#include "xmti_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using mostest::XmtiFixture;

std::string text(const char *pField, size_t size) {
    return std::string(pField, strnlen(pField, size));
}

class XmtiLayerTest : public XmtiFixture {};

TEST_F(XmtiLayerTest, PublishesTheManagerAndEveryDetour) {
    EXPECT_EQ(mosObjType_GetNumObjs(mosObjType_GetById(171)), 1u);
    EXPECT_EQ(mosObjType_GetNumObjs(mosObjType_GetById(172)), 326u);
    EXPECT_EQ(mosObjType_GetNumObjs(mosObjType_GetById(173)), 0u);
    const _MosXmti_ManagerQuery manager = Manager();
    EXPECT_EQ(text(manager.lastOpStatus, 256), "XMTI is online.");
    EXPECT_EQ(manager.numDetours, 326u);
    EXPECT_EQ(manager.numRegisteredBundles, 0u);
    EXPECT_EQ(manager.numActiveBundles, 0u);
    EXPECT_EQ(manager.numActiveDetours, 0u);
}

TEST_F(XmtiLayerTest, DetourRecordsCarryTheirNames) {
    struct Case {
        uint32_t id;
        const char *pName;
    };
    const Case cases[] = {
        {1, "AFS_Create_Detour"},
        {184, "mosAsyncIOV_DoIOSyncEx_Post_IO_Detour"},
        {326, "xmtiUnitTestDetourables_StrNCmpDetour"},
        // Longer names are cut to 47 characters.
        {47, "L2PGateway_Inter_AcquirePageHandleRefForLogical"},
    };
    for (const Case &c : cases) {
        const _MosXmti_DetourQuery q = Detour(c.id);
        EXPECT_EQ(text(q.detourableFuncName, 48), c.pName) << c.id;
        EXPECT_EQ(q.detourableFuncName[47], '\0');
        EXPECT_EQ(text(q.detourFuncName, 48), "<No detour>");
        EXPECT_EQ(q.reserved, 0u);
        EXPECT_EQ(text(q.bundleName, 48), "");
    }
    EXPECT_STREQ(mosXmti_DetourName(0), "N/A");
    EXPECT_STREQ(mosXmti_DetourName(327), "N/A");
    EXPECT_STREQ(mosXmti_DetourName(XMTI_DETOUR_ID__tryCrashDetour), "tryCrashDetour");
}

TEST_F(XmtiLayerTest, SecondUserOnlyCountsItselfIn) {
    ASSERT_EQ(mosXmtiLayer_Init(nullptr), MOS_RC__SUCCESS);
    mosXmtiLayer_Destroy(); // the fixture's user remains
    EXPECT_NE(mosObjType_GetById(171), nullptr);
}

TEST_F(XmtiLayerTest, StatusTextIsBounded) {
    const std::string longName(400, 'x');
    mosXmti_SetLastSdbgOpStatus("%s", longName.c_str());
    EXPECT_EQ(std::string(mosXmti_GetLastSdbgOpStatus()), longName.substr(0, 255));
    EXPECT_EQ(text(Manager().lastOpStatus, 256), longName.substr(0, 255));
}

// A bundle with one behaviour that can be tweaked and one that cannot.
struct TweakSeen {
    std::vector<std::string> args;
    MOS_RC rc = MOS_RC__SUCCESS;
};

MOS_RC recordTweak(void *pUserData, const char *const *ppArgs, uint32_t argc) {
    auto *pSeen = static_cast<TweakSeen *>(pUserData);
    pSeen->args.assign(ppArgs, ppArgs + argc);
    return pSeen->rc;
}

int detourTarget;
const MosXmtiBehaviorConf kConfs[] = {
    {XMTI_DETOUR_ID__file_Read_Detour, "failRead", &detourTarget, nullptr},
};

class XmtiCommandTest : public XmtiFixture {
  protected:
    void SetUp() override {
        XmtiFixture::SetUp();
        plain_.pName = "plain";
        plain_.pBehaviorConfs = kConfs;
        plain_.numBehaviorConfs = 1;
        tweakable_.pName = "knobs";
        tweakable_.pUserData = &seen_;
        tweakable_.pTweakCK = recordTweak;
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(&XMTILayer_G.bundleRegistry, &plain_),
                  MOS_RC__SUCCESS);
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(&XMTILayer_G.bundleRegistry, &tweakable_),
                  MOS_RC__SUCCESS);
    }
    MosXmtiBundle plain_ = {};
    MosXmtiBundle tweakable_ = {};
    TweakSeen seen_;
};

TEST_F(XmtiCommandTest, CommandsSetTheStatusText) {
    struct Case {
        uint32_t command;
        std::vector<std::string> args;
        const char *pStatus; // null: unchanged
        uint32_t numActiveBundles;
    };
    const Case cases[] = {
        {1, {"activate", "plain"}, nullptr, 0},
        {2, {}, nullptr, 0},
        {2, {"activate"}, nullptr, 0},
        {2, {"activate", "nosuch"}, "Error: Bundle nosuch not found.", 0},
        {2, {"deactivate", "nosuch"}, "Error: Bundle nosuch not found.", 0},
        {2, {"tweak", "nosuch"}, "Error: Bundle nosuch not found.", 0},
        {2, {"reboot", "plain"}, nullptr, 0},
        {2, {"Activate", "plain"}, nullptr, 0},
        {2, {"deactivate", "plain"}, nullptr, 0}, // not active: no change
        {2, {"activate", "plain"}, "Bundle plain successfully activated", 1},
        {2, {"activate", "plain"}, nullptr, 1}, // already active: no change
        {2, {"tweak", "plain", "1"}, "Error: Bundle plain not tweakable.", 1},
        {2, {"deactivate", "plain"}, "Bundle plain successfully deactivated", 0},
        {2, {"activate", "PLAIN"}, "Error: Bundle PLAIN not found.", 0},
    };
    std::string status = "XMTI is online.";
    for (const Case &c : cases) {
        mosXmti_SetLastSdbgOpStatus("%s", status.c_str());
        Command(c.command, c.args);
        if (c.pStatus != nullptr) {
            status = c.pStatus;
        }
        const _MosXmti_ManagerQuery q = Manager();
        const std::string what = std::to_string(c.command) + " " +
                                 (c.args.empty() ? "" : c.args[0]) + " " +
                                 (c.args.size() > 1 ? c.args[1] : "");
        EXPECT_EQ(text(q.lastOpStatus, 256), status) << what;
        EXPECT_EQ(q.numActiveBundles, c.numActiveBundles) << what;
        EXPECT_EQ(q.numRegisteredBundles, 2u);
    }
}

TEST_F(XmtiCommandTest, TweakPassesArgumentsUpToTheFirstEmptyOne) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> passed;
    };
    const Case cases[] = {
        {{"tweak", "knobs"}, {}},
        {{"tweak", "knobs", "a", "b", "", "d"}, {"a", "b"}},
        {{"tweak", "knobs", "", "b"}, {}},
        {{"tweak", "knobs", "1", "2", "3", "4", "5", "6", "7", "8"},
         {"1", "2", "3", "4", "5", "6", "7", "8"}},
    };
    for (const Case &c : cases) {
        seen_.args = {"stale"};
        Command(2, c.args);
        EXPECT_EQ(seen_.args, c.passed) << c.args.size();
    }
    // The callback's code is the result: only "not found" and "not
    // supported" change the status.
    mosXmti_SetLastSdbgOpStatus("before");
    seen_.rc = MOS_RC__NOT_SUPPORTED;
    Command(2, {"tweak", "knobs", "x"});
    EXPECT_EQ(text(Manager().lastOpStatus, 256), "Error: Bundle knobs not tweakable.");
    mosXmti_SetLastSdbgOpStatus("before");
    seen_.rc = MOS_RC__ERROR;
    Command(2, {"tweak", "knobs", "x"});
    EXPECT_EQ(text(Manager().lastOpStatus, 256), "before");
}

TEST_F(XmtiCommandTest, ArgumentsWithoutTerminatorAreCut) {
    // A full 64-byte field is read as its first 63 characters.
    const std::string name(64, 'n');
    Command(2, {"activate", name});
    EXPECT_EQ(text(Manager().lastOpStatus, 256),
              "Error: Bundle " + name.substr(0, 63) + " not found.");
}

TEST_F(XmtiCommandTest, DestroyReleasesBundlesStillActive) {
    Command(2, {"activate", "plain"});
    EXPECT_EQ(Manager().numActiveDetours, 1u);
    mosXmtiLayer_Destroy();
    ASSERT_EQ(mosXmtiLayer_Init(nullptr), MOS_RC__SUCCESS);
    const _MosXmti_ManagerQuery q = Manager();
    EXPECT_EQ(q.numActiveDetours, 0u);
    EXPECT_EQ(q.numRegisteredBundles, 0u);
    EXPECT_EQ(text(Detour(XMTI_DETOUR_ID__file_Read_Detour).detourFuncName, 48), "<No detour>");
}

using XmtiLayerDeathTest = XmtiLayerTest;

TEST_F(XmtiLayerDeathTest, InitialisingTwiceIsABrokenInvariant) {
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosXmti_InitInfraIntrn(nullptr)),
                mostest::ExitedWithMinusOne, "XMTILayer_G.bInitialized == 0");
}

TEST_F(XmtiLayerDeathTest, QueryOfAnotherObjectIsABrokenInvariant) {
    MosObjEntry other = {};
    char buf[272];
    EXPECT_EXIT((mostest::StdoutToStderr(), mosXmti_ManagerQuery(&other, nullptr, buf)),
                mostest::ExitedWithMinusOne, "pObj == &XMTILayer_G.managerObj");
}

} // namespace
