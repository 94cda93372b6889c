// Bundle registration, activation through contained bundles, and the
// detour lists and records that activation changes.
#include "../test_support.h"
#include "xmti_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string text(const char *pField, size_t size) {
    return std::string(pField, strnlen(pField, size));
}

int fnA;
int fnB;
int fnC;
int ctxDefault;
int ctxFromRoot;

constexpr uint32_t kId1 = XMTI_DETOUR_ID__mos_MemMalloc_Detour;
constexpr uint32_t kId2 = XMTI_DETOUR_ID__file_Write_Detour;
constexpr uint32_t kId3 = XMTI_DETOUR_ID__tryCrashDetour;

const MosXmtiBehaviorConf kInnerConfs[] = {
    {kId1, "failMalloc", &fnA, &ctxDefault},
    {kId2, "failWrite", &fnB, &ctxDefault},
};
const MosXmtiBehaviorConf kOuterConfs[] = {
    {kId3, "crashNow", &fnC, nullptr},
};
const char *const kOuterContains[] = {"inner"};

void contextFromRoot(void * /*pUserData*/, uint32_t detourID, void **ppUserCtx) {
    *ppUserCtx = detourID == kId1 ? &ctxFromRoot : nullptr;
}

void writeStatus(void *pUserData, char *pBuf, uint32_t bufSize) {
    mos_Snprintf(pBuf, bufSize, "armed %d", *static_cast<int *>(pUserData));
}

class XmtiBundleTest : public mostest::XmtiFixture {
  protected:
    void SetUp() override {
        XmtiFixture::SetUp();
        inner_.pName = "inner";
        inner_.pBehaviorConfs = kInnerConfs;
        inner_.numBehaviorConfs = 2;
        outer_.pName = "outer";
        outer_.ppContainedNames = kOuterContains;
        outer_.numContained = 1;
        outer_.pBehaviorConfs = kOuterConfs;
        outer_.numBehaviorConfs = 1;
        outer_.pUserCtxCK = contextFromRoot;
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(Registry(), &inner_), MOS_RC__SUCCESS);
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(Registry(), &outer_), MOS_RC__SUCCESS);
    }
    static MosXmtiBundleRegistry *Registry() { return &XMTILayer_G.bundleRegistry; }
    static MosXmtiDetourManager *Detours() { return &XMTILayer_G.detourManager; }
    static MOS_RC Activate(const char *pName) {
        return detourBundleRegistry_ActivateDetourBundle(Detours(), Registry(), pName);
    }
    static MOS_RC Deactivate(const char *pName) {
        return detourBundleRegistry_DeActivateDetourBundle(Detours(), Registry(), pName);
    }
    // The behaviours on a detour, first to last, as {root name, context}.
    static std::vector<std::pair<std::string, void *>> Behaviors(uint32_t id) {
        std::vector<std::pair<std::string, void *>> out;
        MosXmtiDetour *pDetour = detourManager_GetDetour(Detours(), id);
        for (MosListNode *p = pDetour->behaviorList.pFirst; p != nullptr; p = mosList_Next(p)) {
            auto *pB = reinterpret_cast<MosXmtiBehavior *>(reinterpret_cast<char *>(p) -
                                                           offsetof(MosXmtiBehavior, detourNode));
            out.emplace_back(pB->pRootBundle != nullptr ? pB->pRootBundle->pName : "",
                             pB->pUserCtx);
        }
        return out;
    }
    MosXmtiBundle inner_ = {};
    MosXmtiBundle outer_ = {};
};

TEST_F(XmtiBundleTest, RegistrationRefusesWhatActivationCouldNotHandle) {
    const MosXmtiBehaviorConf badId0[] = {{0, "f", &fnA, nullptr}};
    const MosXmtiBehaviorConf badId327[] = {{327, "f", &fnA, nullptr}};
    const char *const missing[] = {"nowhere"};
    const char *const self[] = {"self"};
    struct Case {
        const char *pName;
        const char *const *ppContained;
        uint32_t numContained;
        const MosXmtiBehaviorConf *pConfs;
        uint32_t numConfs;
        MOS_RC rc;
    };
    const Case cases[] = {
        {nullptr, nullptr, 0, nullptr, 0, MOS_RC__INVALID},
        {"x", nullptr, 1, nullptr, 0, MOS_RC__INVALID},
        {"x", nullptr, 0, nullptr, 1, MOS_RC__INVALID},
        {"x", nullptr, 0, badId0, 1, MOS_RC__INVALID},
        {"x", nullptr, 0, badId327, 1, MOS_RC__INVALID},
        {"inner", nullptr, 0, nullptr, 0, MOS_RC__ALREADY_EXISTS},
        {"x", missing, 1, nullptr, 0, MOS_RC__NOT_FOUND},
        {"self", self, 1, nullptr, 0, MOS_RC__NOT_FOUND},
    };
    for (const Case &c : cases) {
        MosXmtiBundle bundle = {};
        bundle.pName = c.pName;
        bundle.ppContainedNames = c.ppContained;
        bundle.numContained = c.numContained;
        bundle.pBehaviorConfs = c.pConfs;
        bundle.numBehaviorConfs = c.numConfs;
        EXPECT_EQ(detourBundleRegistry_RegisterBundle(Registry(), &bundle), c.rc)
            << (c.pName != nullptr ? c.pName : "(null)");
    }
    EXPECT_EQ(Manager().numRegisteredBundles, 2u);
    EXPECT_EQ(mosObjType_GetNumObjs(mosObjType_GetById(173)), 2u);
}

TEST_F(XmtiBundleTest, ActivationAttachesContainedBundlesForTheRoot) {
    ASSERT_EQ(Activate("outer"), MOS_RC__SUCCESS);
    EXPECT_EQ(inner_.activatedByOtherRefCount, 1u);
    EXPECT_EQ(inner_.isDirectlyActivated, 0u);
    EXPECT_EQ(outer_.behaviorCount, 3u);
    // The root's provider gives the contexts; none given: the default.
    using B = std::vector<std::pair<std::string, void *>>;
    EXPECT_EQ(Behaviors(kId1), (B{{"outer", &ctxFromRoot}}));
    EXPECT_EQ(Behaviors(kId2), (B{{"outer", &ctxDefault}}));
    EXPECT_EQ(Behaviors(kId3), (B{{"outer", nullptr}}));
    const _MosXmti_ManagerQuery m = Manager();
    EXPECT_EQ(m.numActiveBundles, 1u);
    EXPECT_EQ(m.numActiveDetours, 3u);
    const _MosXmti_DetourQuery d = Detour(kId1);
    EXPECT_EQ(text(d.detourFuncName, 48), "failMalloc");
    EXPECT_EQ(text(d.bundleName, 48), "outer");

    // The contained bundle activated directly adds its own behaviours.
    ASSERT_EQ(Activate("inner"), MOS_RC__SUCCESS);
    EXPECT_EQ(Behaviors(kId1), (B{{"outer", &ctxFromRoot}, {"inner", &ctxDefault}}));
    EXPECT_EQ(Manager().numActiveDetours, 3u);
    EXPECT_EQ(Activate("inner"), MOS_RC__NO_CHANGE);

    ASSERT_EQ(Deactivate("outer"), MOS_RC__SUCCESS);
    EXPECT_EQ(inner_.activatedByOtherRefCount, 0u);
    EXPECT_EQ(outer_.behaviorCount, 0u);
    EXPECT_EQ(Behaviors(kId1), (B{{"inner", &ctxDefault}}));
    EXPECT_EQ(Behaviors(kId3), B{});
    EXPECT_EQ(text(Detour(kId1).bundleName, 48), "inner");
    EXPECT_EQ(text(Detour(kId3).detourFuncName, 48), "<No detour>");
    EXPECT_EQ(Manager().numActiveDetours, 2u);
    EXPECT_EQ(Deactivate("outer"), MOS_RC__NO_CHANGE);

    ASSERT_EQ(Deactivate("inner"), MOS_RC__SUCCESS);
    EXPECT_EQ(Manager().numActiveDetours, 0u);
    EXPECT_EQ(Manager().numActiveBundles, 0u);
    EXPECT_EQ(text(Detour(kId1).bundleName, 48), "");
}

TEST_F(XmtiBundleTest, UnregisteringRefusesBundlesInUse) {
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "nosuch"), MOS_RC__NOT_FOUND);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), nullptr), MOS_RC__NOT_FOUND);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "inner"), MOS_RC__BUSY);
    ASSERT_EQ(Activate("outer"), MOS_RC__SUCCESS);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "outer"), MOS_RC__BUSY);
    ASSERT_EQ(Deactivate("outer"), MOS_RC__SUCCESS);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "outer"), MOS_RC__SUCCESS);
    EXPECT_EQ(inner_.referencedByOtherCount, 0u);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "inner"), MOS_RC__SUCCESS);
    EXPECT_EQ(Manager().numRegisteredBundles, 0u);
    EXPECT_EQ(Activate("inner"), MOS_RC__NOT_FOUND);
    EXPECT_EQ(mosObjType_GetNumObjs(mosObjType_GetById(173)), 0u);
}

TEST_F(XmtiBundleTest, BundleRecordShowsItsContents) {
    int armed = 7;
    std::vector<std::string> names;
    std::vector<const char *> contained;
    for (int i = 0; i < 10; i++) {
        names.push_back("c" + std::to_string(i));
    }
    std::vector<MosXmtiBundle> leaves(10);
    for (size_t i = 0; i < names.size(); i++) {
        leaves[i].pName = names[i].c_str();
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(Registry(), &leaves[i]), MOS_RC__SUCCESS);
        contained.push_back(names[i].c_str());
    }
    MosXmtiBundle big = {};
    big.pName = "big";
    big.ppContainedNames = contained.data();
    big.numContained = 10;
    big.pBehaviorConfs = kInnerConfs;
    big.numBehaviorConfs = 2;
    big.pUserData = &armed;
    big.pStatusCK = writeStatus;
    ASSERT_EQ(detourBundleRegistry_RegisterBundle(Registry(), &big), MOS_RC__SUCCESS);
    ASSERT_EQ(Activate("big"), MOS_RC__SUCCESS);

    const auto q = Read<_MosXmti_BundleQuery>(173, 12); // registration order
    EXPECT_EQ(q.version, 1u);
    EXPECT_EQ(text(q.bundleName, 48), "big");
    EXPECT_EQ(text(q.bundleStatus, 256), "armed 7");
    EXPECT_EQ(q.isDirectlyActivated, 1u);
    EXPECT_EQ(q.numContainedBundles, 10u);
    EXPECT_EQ(q.numDetours, 2u);
    EXPECT_EQ(text(q.containedBundleNames[7], 48), "c7");
    EXPECT_EQ(text(q.detourFuncNames[1], 48), "failWrite");
    EXPECT_EQ(text(q.detourFuncNames[2], 48), "");

    const auto leaf = Read<_MosXmti_BundleQuery>(173, 2);
    EXPECT_EQ(text(leaf.bundleName, 48), "c0");
    EXPECT_EQ(text(leaf.bundleStatus, 256), "N/A");
    EXPECT_EQ(leaf.activatedByOtherCount, 1u);
    EXPECT_EQ(leaf.referencedByOtherCount, 1u);
    ASSERT_EQ(Deactivate("big"), MOS_RC__SUCCESS);
    EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), "big"), MOS_RC__SUCCESS);
    for (const std::string &name : names) {
        EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), name.c_str()), MOS_RC__SUCCESS);
    }
}

// Bundles nested three levels below the root, one of them reached twice:
// deactivating the root lowers every inner count back to where it was,
// however deep and however often each bundle was reached.
TEST_F(XmtiBundleTest, DeactivationLowersCountsAtEveryDepth) {
    const MosXmtiBehaviorConf leafConfs[] = {{kId3, "deepCrash", &fnC, nullptr}};
    const char *const topHolds[] = {"l1", "side"};
    const char *const l1Holds[] = {"l2"};
    const char *const l3Held[] = {"l3"};
    MosXmtiBundle l3 = {}, l2 = {}, side = {}, l1 = {}, top = {};
    const struct {
        MosXmtiBundle *pBundle;
        const char *pName;
        const char *const *ppHolds;
        uint32_t numHolds;
    } tree[] = {{&l3, "l3", nullptr, 0},
                {&l2, "l2", l3Held, 1},
                {&side, "side", l3Held, 1},
                {&l1, "l1", l1Holds, 1},
                {&top, "top", topHolds, 2}};
    for (const auto &node : tree) {
        node.pBundle->pName = node.pName;
        node.pBundle->ppContainedNames = node.ppHolds;
        node.pBundle->numContained = node.numHolds;
    }
    l3.pBehaviorConfs = leafConfs;
    l3.numBehaviorConfs = 1;
    for (const auto &node : tree) {
        ASSERT_EQ(detourBundleRegistry_RegisterBundle(Registry(), node.pBundle), MOS_RC__SUCCESS)
            << node.pName;
    }
    const std::pair<MosXmtiBundle *, uint32_t> reached[] = {
        {&l1, 1}, {&side, 1}, {&l2, 1}, {&l3, 2}};
    for (int round = 0; round < 2; round++) {
        ASSERT_EQ(Activate("top"), MOS_RC__SUCCESS);
        for (const auto &[pBundle, count] : reached) {
            EXPECT_EQ(pBundle->activatedByOtherRefCount, count) << pBundle->pName;
        }
        EXPECT_EQ(Behaviors(kId3).size(), 2u); // l3's behaviour once per path
        ASSERT_EQ(Deactivate("top"), MOS_RC__SUCCESS);
        for (const auto &[pBundle, count] : reached) {
            EXPECT_EQ(pBundle->activatedByOtherRefCount, 0u) << pBundle->pName << " " << round;
        }
        EXPECT_TRUE(Behaviors(kId3).empty());
    }
    // A directly active inner bundle keeps its own contribution.
    ASSERT_EQ(Activate("l2"), MOS_RC__SUCCESS);
    ASSERT_EQ(Activate("top"), MOS_RC__SUCCESS);
    ASSERT_EQ(Deactivate("top"), MOS_RC__SUCCESS);
    EXPECT_EQ(l2.activatedByOtherRefCount, 0u);
    EXPECT_EQ(l3.activatedByOtherRefCount, 1u);
    ASSERT_EQ(Deactivate("l2"), MOS_RC__SUCCESS);
    EXPECT_EQ(l3.activatedByOtherRefCount, 0u);
    EXPECT_EQ(Manager().numActiveBundles, 0u);
    for (const char *pName : {"top", "l1", "side", "l2", "l3"}) {
        EXPECT_EQ(detourBundleRegistry_UnregisterBundle(Registry(), pName), MOS_RC__SUCCESS)
            << pName;
    }
}

TEST_F(XmtiBundleTest, BehaviorsOutsideBundles) {
    const MosXmtiBehaviorConf conf = {kId2, "loose", &fnA, &ctxDefault};
    const MosXmtiBehaviorConf noFn = {kId2, "unused", nullptr, nullptr};
    MosXmtiBehavior *pFirst =
        detourManager_ActivateDetourBehavior(Detours(), &noFn, nullptr, nullptr);
    MosXmtiBehavior *pSecond =
        detourManager_ActivateDetourBehavior(Detours(), &conf, nullptr, nullptr);
    // A first behaviour without a function shows as none.
    EXPECT_EQ(text(Detour(kId2).detourFuncName, 48), "<No detour>");
    EXPECT_EQ(Manager().numActiveDetours, 1u);
    EXPECT_EQ(detourManager_DeActivateDetourBehavior(Detours(), &noFn, nullptr), pFirst);
    EXPECT_EQ(text(Detour(kId2).detourFuncName, 48), "loose");
    // Found by function and context.
    EXPECT_EQ(detourManager_DeActivateDetourBehavior(Detours(), &conf, nullptr), pSecond);
    EXPECT_EQ(Manager().numActiveDetours, 0u);
    mos_MemFreeBare(pFirst);
    mos_MemFreeBare(pSecond);
}

using XmtiBundleDeathTest = XmtiBundleTest;

TEST_F(XmtiBundleDeathTest, BrokenInvariants) {
    const MosXmtiBehaviorConf badId = {0, "f", &fnA, nullptr};
    const MosXmtiBehaviorConf absent = {kId1, "f", &fnC, nullptr};
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)detourManager_GetDetour(Detours(), 327)),
                mostest::ExitedWithMinusOne,
                "XMTI_DETOUR_ID__NONE < detourID && XMTI_DETOUR_ID__LAST > detourID");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)detourManager_ActivateDetourBehavior(Detours(), &badId, nullptr, nullptr)),
                mostest::ExitedWithMinusOne,
                "XMTI_DETOUR_ID__NONE < pDetourBehaviorConf->detourID");
    EXPECT_EXIT((mostest::StdoutToStderr(),
                 (void)detourManager_DeActivateDetourBehavior(Detours(), &absent, nullptr)),
                mostest::ExitedWithMinusOne, "pRemoveNode");
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)Activate(nullptr)), mostest::ExitedWithMinusOne,
                "\\(pBundleName\\) != \\(\\(void \\*\\)0\\)");
}

} // namespace
