// Goldens of the cluster's views: repository, balancing, capacity, voting,
// failure domains and pools, users and directory services, I/O gateways.
// Lines are marked "<fg,bg>" wherever the colour pair changes.

#include "views_test_support.h"

#include <gtest/gtest.h>

using viewstest::Make;
using viewstest::Render;
using viewstest::Rendered;
using namespace sdbg_wire;
using Lines = std::vector<std::string>;

namespace {

bool Contains(const std::string &text, const std::string &piece) {
    return text.find(piece) != std::string::npos;
}

bool StartsWith(const std::string &text, const std::string &head) {
    return text.compare(0, head.size(), head) == 0;
}

std::string Joined(const Lines &lines) {
    std::string all;
    for (const std::string &line : lines) {
        all.append(line).append("\n");
    }
    return all;
}

// ---- Repository ----

TEST(ClusterViews, RepTypeAlwaysShowsItsFourSubObjectsAndEndsWithAnEmptyLine) {
    auto pType = Make<Sdbg_TRepType_Query>();
    RepType_Query &w = pType->wire;
    w.typeID = 5;
    w.typeIndex = 1;
    w.subObjs[1] = {8, 2, 3};
    const std::string zeros = "<0,0>sub-obj<4,4>size:<2,0>0<4,4> num:<2,0>0<4,4> start-page:<2,0>0";
    Rendered text = Render(*pType, false);
    EXPECT_EQ(text.lines, (Lines{"<4,4>typeID:<1,0>5<4,4> index:<1,0>1<4,4> BM-Start-page:<2,0>0"
                                 "<4,4> subObjTypes:<2,0>0",
                                 zeros,
                                 "<0,0>sub-obj<4,4>size:<1,0>8<4,4> num:<1,0>2<4,4> start-page:"
                                 "<1,0>3",
                                 zeros, zeros}));
    EXPECT_EQ(text.currentLine, 5u);

    Rendered xml = Render(*pType, true);
    ASSERT_EQ(xml.lines.size(), 25u);
    EXPECT_EQ(xml.lines[4], "<0,0>\t\t<4,4><subObjNum><2,0>0<4,4></subObjNum>");
    EXPECT_EQ(Lines(xml.lines.begin() + 10, xml.lines.begin() + 15),
              (Lines{"<0,0>\t\t<RepType_SubObjQuery>", "<0,0>\t\t\t<4,4><size><1,0>8<4,4></size>",
                     "<0,0>\t\t\t<4,4><num><1,0>2<4,4></num>",
                     "<0,0>\t\t\t<4,4><startPage><1,0>3<4,4></startPage>",
                     "<0,0>\t\t</RepType_SubObjQuery>"}));
}

TEST(ClusterViews, RepSummarySharedLabelsAndItsWriteCounter) {
    auto pSummary = Make<Sdbg_TRepSummary_Query>();
    RepSummary_Query &w = pSummary->wire;
    w.uniqSignature = 0xBEEF;
    w.waitForExtent = 1;
    w.receivedHeader = 1;
    Rendered text = Render(*pSummary, false);
    ASSERT_EQ(text.lines.size(), 4u);
    EXPECT_EQ(text.lines[0], "<4,4>type-num:<2,0>0<4,4> sig:<1,0>0xbeef<4,4> pages-per-extent:"
                             "<2,0>0<4,4> start-bm-page:<2,0>0<4,4> start-data-page:<2,0>0"
                             "<4,4> extent-num:<2,0>0");
    EXPECT_EQ(text.lines[1], "<4,4> max-batch:<2,0>0<4,4> working-extents:<1,0>0"
                             "<4,4> extents-waiters:<2,0>1<4,4> working-types:<1,0>0"
                             "<4,4> extents-waiters:<1,0>0");
    EXPECT_EQ(text.lines[2], "<4,4> received-header:<2,0>1<4,4> received-header:<1,0>0");
    EXPECT_EQ(text.lines[3], "<4,4> Rep-Write:<1,0>0 bytes/s");
    Rendered xml = Render(*pSummary, true);
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4><repWriteBwc><1,0>0 bytes/s<4,4></repWriteBwc>");
    EXPECT_TRUE(Contains(Joined(xml.lines), "<waitForType><1,0>0<4,4></waitForType>"));
    EXPECT_TRUE(Contains(Joined(xml.lines), "<receivedBM><1,0>0<4,4></receivedBM>"));
}

// A window or count of 2^31 or more must not double to a zero divisor.
TEST(ClusterViews, RepSummaryWriteCounterRatesWithHugeWindowsAndCounts) {
    struct Case {
        Sdbg_BwcRecord counter;
        const char *pExpected;
    };
    for (const Case &c :
         {Case{{10, 2048, 0, 0, 1}, "<1,0>1024 KB/s 10 IO/s <4,4>Avg Io size: <1,0>102 KB"},
          Case{{0x80000000u, 4096, 0, 0, 0x80000000u},
               "<1,0>0 KB/s 1 IO/s <4,4>Avg Io size: <1,0>0 KB"},
          Case{{0, 0xFFFFFFFFu, 0, 0, 0x80000000u}, "<1,0>0 KB/s 0 IO/s "}}) {
        auto pSummary = Make<Sdbg_TRepSummary_Query>();
        pSummary->wire.repWriteBwc = c.counter;
        Rendered text = Render(*pSummary, false);
        ASSERT_EQ(text.lines.size(), 4u);
        EXPECT_EQ(text.lines[3], std::string("<4,4> Rep-Write:") + c.pExpected);
    }
}

TEST(ClusterViews, RepExtentAndRowTimerOnOneLine) {
    auto pExtent = Make<Sdbg_TRepExtent_Query>();
    pExtent->wire.bWork = -1;
    pExtent->wire.maxBatch = 4;
    EXPECT_EQ(Render(*pExtent, false).lines,
              (Lines{"<4,4> working:<2,0>-1<4,4> waiters:<1,0>0<4,4> pages:<2,0>0"
                     "<4,4> start-page:<2,0>0<4,4> max-batch:<1,0>4<4,4> last-batch:<2,0>0"
                     "<4,4> Plugs:<1,0>0"}));
    auto pTimer = Make<Sdbg_TMhRowTimer_Query>();
    pTimer->wire.totalEnqueue = 2;
    EXPECT_EQ(Render(*pTimer, false).lines,
              (Lines{"<4,4>last-batch:<1,0>0<4,4> max-batch:<1,0>0<4,4> total-waiters:<2,0>2"}));
}

// ---- Balance executor ----

const char *const kBalanceLine0 =
    "<4,4>high-priority-events:<1,0>0<4,4> low-priority-events:<1,0>0<4,4> is-idle:<3,0>0"
    "<4,4> rebalance-pending:<1,0>0<4,4> last-event:<1,0>0<4,4> degraded-rows:<1,0>0"
    "<4,4> mm-devs:<1,0>0<4,4> stuck-devs:<1,0>0<4,4> plan-state:<1,0>0<4,4> num-plugs:<1,0>0";

TEST(ClusterViews, BalanceExecutorWithoutPlansIsOneLineAndAnEmptyPlanElement) {
    auto pExec = Make<Sdbg_TBalanceExecutor_Query>();
    Rendered text = Render(*pExec, false);
    EXPECT_EQ(text.lines, (Lines{kBalanceLine0}));
    EXPECT_EQ(text.currentLine, 0u);
    Rendered xml = Render(*pExec, true);
    ASSERT_EQ(xml.lines.size(), 13u);
    EXPECT_EQ(xml.lines[2],
              "<0,0>\t\t<4,4><lowPriorityEventsCnt><1,0>0<4,4></lowPriorityEventsCnt>");
    EXPECT_EQ(xml.lines[11], "<0,0>\t\t<4,4><mhMigrationPlan>");
    EXPECT_EQ(xml.lines[12], "<0,0>\t\t<4,4></mhMigrationPlan>");
}

TEST(ClusterViews, BalanceExecutorPrintsEveryPlanWithAnIdUpToTheLastEntry) {
    auto pExec = Make<Sdbg_TBalanceExecutor_Query>();
    BalanceExecutor_Query &w = pExec->wire;
    w.mhMigrationPlan[5] = {1, 4, 1, 0, 0};
    w.mhMigrationPlan[6] = {0, 9, 9, 9, 9}; // unused: its id is 0
    w.mhMigrationPlan[BALANCE_PLAN_ENTRIES - 1] = {0xAB, 0, 0, 0, 0};
    Rendered text = Render(*pExec, false);
    EXPECT_EQ(text.lines,
              (Lines{kBalanceLine0,
                     "<4,4> multihead-id:<1,0>0x1<4,4> rows:<1,0>4<4,4> in-migrate:<2,0>1"
                     "<4,4> pending-migrate:<1,0>0<4,4> retry-counter:<1,0>0",
                     "<4,4> multihead-id:<1,0>0xab<4,4> rows:<1,0>0<4,4> in-migrate:<1,0>0"
                     "<4,4> pending-migrate:<1,0>0<4,4> retry-counter:<1,0>0"}));
    Rendered xml = Render(*pExec, true);
    ASSERT_EQ(xml.lines.size(), 27u);
    EXPECT_EQ(Lines(xml.lines.begin() + 11, xml.lines.begin() + 19),
              (Lines{"<0,0>\t\t<4,4><mhMigrationPlan>", "<0,0>\t\t<MigrationMultiheadPlan_Query>",
                     "<0,0>\t\t\t<4,4><id><1,0>0x1<4,4></id>",
                     "<0,0>\t\t\t<4,4><rowsInProcess><1,0>4<4,4></rowsInProcess>",
                     "<0,0>\t\t\t<4,4><rowInMigrateMhListCnt><2,0>1<4,4></rowInMigrateMhListCnt>",
                     "<0,0>\t\t\t<4,4><rowNotInMigrateMhListCnt><1,0>0"
                     "<4,4></rowNotInMigrateMhListCnt>",
                     "<0,0>\t\t\t<4,4><retryCounter><1,0>0<4,4></retryCounter>",
                     "<0,0>\t\t</MigrationMultiheadPlan_Query>"}));
    EXPECT_EQ(xml.lines[19], "<0,0>\t\t<MigrationMultiheadPlan_Query>");
    EXPECT_EQ(xml.lines[20], "<0,0>\t\t\t<4,4><id><1,0>0xab<4,4></id>");
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4></mhMigrationPlan>");
}

TEST(ClusterViews, BalanceExecutorOkColours) {
    struct Case {
        uint32_t lowPriority;
        int32_t bIsIdle;
        const char *pExpected;
    };
    for (const Case &c : {Case{0, 0, " low-priority-events:<1,0>0<4,4> is-idle:<3,0>0"},
                          Case{5, 1, " low-priority-events:<3,0>5<4,4> is-idle:<1,0>1"},
                          Case{7, -1, " low-priority-events:<3,0>7<4,4> is-idle:<1,0>-1"}}) {
        auto pExec = Make<Sdbg_TBalanceExecutor_Query>();
        pExec->wire.lowPriorityEventsCnt = c.lowPriority;
        pExec->wire.bIsIdle = c.bIsIdle;
        EXPECT_TRUE(Contains(Render(*pExec, false).lines.at(0), c.pExpected)) << c.pExpected;
    }
}

// ---- Capacity manager ----

TEST(ClusterViews, CapacityThinFactorWordsKeepTheCurrentColours) {
    auto pCap = Make<Sdbg_TCapMgr_Query>();
    CapMgr_Query &w = pCap->wire;
    w.thinFactorMultBy10[0] = 10;
    w.thinFactorMultBy10[1] = 20;
    w.thinFactorMultBy10[2] = 30;
    w.minAvailMbDeviceId = 0x1234567890ULL;
    const std::string factors = "<0,0> PHYSICAL:<1,0>10<0,0> LOGICAL:<1,0>20<0,0> OCTETS:<1,0>30";
    Rendered text = Render(*pCap, false);
    ASSERT_EQ(text.lines.size(), 6u);
    EXPECT_EQ(text.lines[1], "<4,4> spare%:<2,0>0<4,4> min-spares:<2,0>0<4,4> used-spares:<1,0>0"
                             "<4,4>  thin-to-effective-factor-x10:" +
                                 factors);
    EXPECT_EQ(text.lines[5], "<4,4> min-dev-avail-MBs:<1,0>0<4,4> min-dev-less-spares:<1,0>0"
                             "<4,4> Device ID:<1,0>0x1234567890");
    Rendered xml = Render(*pCap, true);
    EXPECT_TRUE(Contains(Joined(xml.lines), "\n<0,0>\t\t<4,4><thinFactorMultBy10>" + factors +
                                                "<4,4></thinFactorMultBy10>\n"));
}

// ---- Voting ----

TEST(ClusterViews, VoterUnsignedOosCountAndStateLine) {
    auto pVoter = Make<Sdbg_TVoter_Query>();
    Voter_Query &w = pVoter->wire;
    w.numOOSActors = 255;
    std::strcpy(w.oosActors, "a1,a2");
    std::strcpy(w.state, "VOTING");
    w.ticksToExpiration = -3;
    Rendered text = Render(*pVoter, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4> voter-id:<2,0>0x0<4,4> cluster-id:<2,0>0x0",
                     "<4,4>   actor-id:<2,0>0x0<4,4> actor-gen:<2,0>0",
                     "<4,4>   degraded-gen:<2,0>0<4,4> is-degraded:<1,0>0<4,4> #oos:<2,0>255"
                     "<4,4> oos:<1,0>a1,a2",
                     "<4,4>  state:<1,0>VOTING<4,4> ticks-to-expiration:<1,0>-3"
                     "<4,4> verify-failure-count:<1,0>0"}));
}

void FillActorLists(Actor_Query &w, uint32_t count) {
    w.numRemoteMDMs = count;
    w.remoteMDMs[0].actorID = 0x10;
    w.remoteMDMs[0].bDegraded = 1;
    std::strcpy(w.remoteMDMs[0].loopTrigger, "trig");
    w.remoteMDMs[1].actorID = 0x20;
    w.extLocks[0].totalExtentsLb = 100;
    w.extLocks[0].chunkSizeLb = 8;
    w.extLocks[0].numActiveReaders = 1;
    w.extLocks[1].totalExtentsLb = 200;
}

TEST(ClusterViews, ActorWithoutRemoteManagersEndsWithAnEmptyExtentLockLine) {
    auto pActor = Make<Sdbg_TActor_Query>();
    std::strcpy(pActor->wire.clsState, "UP");
    Rendered text = Render(*pActor, false);
    ASSERT_EQ(text.lines.size(), 7u);
    EXPECT_EQ(text.lines[0], "<4,4> cluster-state:<1,0>UP<4,4> master-state: cluster-id:<2,0>0x0");
    EXPECT_EQ(text.lines[3], "<4,4>   loop-handle-trigger:<1,0>0<4,4> has-quorum:<2,0>0"
                             "<4,4> has-remote-actors:");
    EXPECT_EQ(text.lines[5], "<4,4> Remote MDMs:");
    EXPECT_EQ(text.lines[6], "<4,4>   extent-locks");
    Rendered xml = Render(*pActor, true);
    ASSERT_GE(xml.lines.size(), 3u);
    EXPECT_EQ(xml.lines[xml.lines.size() - 2], "<0,0>\t\t<4,4><remoteMDMs></remoteMDMs>");
    EXPECT_EQ(xml.lines.back(), "<0,0>\t\t<4,4><extLocks></extLocks>");
}

const Lines kActorListLines{
    "<4,4> Remote MDMs:",
    "<0,0>   remote-mdm<4,4> actor-id:<1,0>0x10<4,4> is-degraded:<2,0>1<4,4> "
    "loop-trigger:<1,0>trig",
    "<0,0>   remote-mdm<4,4> actor-id:<1,0>0x20<4,4> is-degraded:<1,0>0<4,4> loop-trigger:",
    "<4,4>   extent-locks total-extents-lb:<1,0>100<4,4> chunk-size-lb:<1,0>8",
    "<4,4>     #active-readers:<2,0>1<4,4> #active-writers:<1,0>0",
    "<4,4>   #blocked:<1,0>0<4,4> #max-chunk-readers:<1,0>0<4,4> #chunks-read:<1,0>0"
    "<4,4> #read-waiters:<1,0>0<4,4> #write-waiters:<1,0>0<4,4> total-extents-lb:<1,0>200"
    "<4,4> chunk-size-lb:<2,0>0",
    "<4,4>     #active-readers:<1,0>0<4,4> #active-writers:<1,0>0",
    "<4,4>   #blocked:<1,0>0<4,4> #max-chunk-readers:<1,0>0<4,4> #chunks-read:<1,0>0"
    "<4,4> #read-waiters:<1,0>0<4,4> #write-waiters:<1,0>0",
};

// A count beyond the two entries each array holds shows the two entries.
TEST(ClusterViews, ActorListsStopAtTheirCountAndAtTheArraysCapacity) {
    for (uint32_t count : {2u, 3u, 0xFFFFFFFFu}) {
        auto pActor = Make<Sdbg_TActor_Query>();
        FillActorLists(pActor->wire, count);
        Rendered text = Render(*pActor, false);
        ASSERT_EQ(text.lines.size(), 13u) << count;
        EXPECT_EQ(Lines(text.lines.begin() + 5, text.lines.end()), kActorListLines) << count;
        EXPECT_EQ(text.currentLine, 12u);
    }
}

TEST(ClusterViews, ActorXmlListsAreTheirTextInsideTheirElements) {
    auto pActor = Make<Sdbg_TActor_Query>();
    FillActorLists(pActor->wire, 1);
    Rendered xml = Render(*pActor, true);
    ASSERT_GE(xml.lines.size(), 6u);
    EXPECT_EQ(Lines(xml.lines.end() - 5, xml.lines.end()),
              (Lines{"<0,0>\t\t<4,4><remoteMDMs>",
                     "<0,0>   remote-mdm<4,4> actor-id:<1,0>0x10<4,4> is-degraded:<2,0>1"
                     "<4,4> loop-trigger:<1,0>trig<4,4></remoteMDMs>",
                     "<0,0>\t\t<4,4><extLocks> total-extents-lb:<1,0>100<4,4> chunk-size-lb:<1,0>8",
                     "<4,4>     #active-readers:<2,0>1<4,4> #active-writers:<1,0>0",
                     "<4,4>   #blocked:<1,0>0<4,4> #max-chunk-readers:<1,0>0<4,4> #chunks-read:"
                     "<1,0>0<4,4> #read-waiters:<1,0>0<4,4> #write-waiters:<1,0>0"
                     "<4,4></extLocks>"}));
}

// Flags and numbers whose alert is the opposite of their neighbours'.
TEST(ClusterViews, AlertWhenZeroOrWhenNotZero) {
    struct Case {
        uint32_t typeId;
        uint32_t offset;
        const char *pLabel;
        const char *pZero;
        const char *pOne;
    };
    const Case cases[] = {
        {88, offsetof(Actor_Query, bActorHasQuorum), " has-quorum:", "<2,0>0", "<1,0>1"},
        {89, offsetof(ActorVoter_Query, bHasLease), "   has-lease-actor:", "<2,0>0", "<1,0>1"},
        {91, offsetof(Syncer_Query, bForwardIO), "   forward-io:", "<2,0>0", "<1,0>1"},
        {88, offsetof(Actor_Query, bCede), "   cede:", "<1,0>0", "<2,0>1"},
        {88, offsetof(Actor_Query, bHandlingTrigger), "   loop-handle-trigger:", "<1,0>0",
         "<2,0>1"},
        {87, offsetof(Voter_Query, bDegraded), " is-degraded:", "<1,0>0", "<2,0>1"},
        {91, offsetof(Syncer_Query, bDegradedComing), " degraded-coming:", "<1,0>0", "<2,0>1"},
        {146, offsetof(_ConMatrix_Query, issueDetectTicks), " Detect Time: ", "<1,0>0", "<2,0>1"},
        {100, offsetof(LdapGroupMgr_Query, role), " LDAP group role:", "<2,0>0x0", "<1,0>0x1"},
        {98, offsetof(SessionMgr_Query, permissionsMask), " Session Permission Mask:", "<1,0>0x0",
         "<1,0>0x1"},
        {97, offsetof(UserMgr_Query, badLogins), " Bad logins:", "<1,0>0", "<2,0>1"},
    };
    for (const Case &c : cases) {
        auto pObj = CreateSrvObj(c.typeId);
        uint8_t *pWire = static_cast<uint8_t *>(pObj->GetData());
        std::string label = c.pLabel;
        EXPECT_TRUE(Contains(Joined(Render(*pObj, false).lines), label + c.pZero)) << c.pLabel;
        pWire[c.offset] = 1;
        EXPECT_TRUE(Contains(Joined(Render(*pObj, false).lines), label + c.pOne)) << c.pLabel;
    }
}

TEST(ClusterViews, ConMatrixRowCountsAreUnsignedAndTheViewEndsWithAnEmptyLine) {
    auto pMatrix = Make<Sdbg_TConMatrix_Query>();
    _ConMatrix_Query &w = pMatrix->wire;
    w.fdId = 0xF1;
    std::strcpy(w.curPolicy, "strict");
    std::strcpy(w.bCooloffStarted, "no");
    w.nMaxRows = 65535;
    w.nKnownTgts = 0x8000;
    w.matrixGenNum = 3;
    Rendered text = Render(*pMatrix, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4> FailureDomainID: <1,0>0xf1",
                     "<4,4> Current Policy: <1,0>strict<4,4> Matrix Generation: <1,0>3",
                     "<4,4> Current Issue:  Detect Time: <1,0>0",
                     "<4,4> Cooloff Started: <1,0>no<4,4> Cooloff Start Time: <1,0>0",
                     "<4,4> Max Rows: <1,0>65535<4,4> Active Rows: <1,0>0<4,4> Assigned Rows: "
                     "<1,0>32768"}));
    EXPECT_EQ(text.currentLine, 5u);
}

TEST(ClusterViews, SyncerMasterAndSlaveTexts) {
    auto pSlave = Make<Sdbg_TSyncerSlave_Query>();
    pSlave->wire.remoteActorID = 0;
    std::strcpy(pSlave->wire.syncerSlaveState, "IDLE");
    EXPECT_EQ(Render(*pSlave, false).lines,
              (Lines{"<4,4> remote-actor:<1,0>0x0<4,4> state:<1,0>IDLE<4,4> last-rc:<1,0>0"
                     "<4,4> failure-count:<1,0>0"}));
    auto pSyncer = Make<Sdbg_TSyncer_Query>();
    std::memset(pSyncer->wire.degradorNextState, 'n', sizeof(pSyncer->wire.degradorNextState));
    pSyncer->wire.bDegradedComing = 0;
    Rendered text = Render(*pSyncer, false);
    ASSERT_EQ(text.lines.size(), 3u);
    EXPECT_EQ(text.lines[1], "<4,4>   degrador-state: degrador-next-state:<1,0>" +
                                 std::string(36, 'n') + "<4,4> degraded-coming:<1,0>0");
}

// ---- Failure domains, pools, fault sets ----

TEST(ClusterViews, FailureDomainStateWordsAndValuesWithoutAWord) {
    struct Case {
        uint32_t objState;
        uint32_t operationalState;
        const char *pExpected;
    };
    for (const Case &c :
         {Case{2, 1, " State:<3,3>NORMAL<4,4> OperationalState:<3,3>Active<4,4> ShutdownGen:"},
          Case{1, 4,
               " State:<2,2>CREATE INPROGRESS<4,4> OperationalState:"
               "<2,2>Activation-in-progress<4,4> ShutdownGen:"},
          Case{7, 3, " State: OperationalState:<2,2>Shutdown<4,4> ShutdownGen:"},
          Case{3, 99, " State:<2,2>REMOVE_PEND<4,4> OperationalState: ShutdownGen:"}}) {
        auto pDomain = Make<Sdbg_TFailureDomain_Query>();
        pDomain->wire.objState = c.objState;
        pDomain->wire.operationalState = c.operationalState;
        std::string line = Render(*pDomain, false).lines.at(0);
        EXPECT_TRUE(Contains(line, c.pExpected)) << line;
    }
}

TEST(ClusterViews, FailureDomainPellorinModeWords) {
    struct Case {
        uint32_t mode;
        std::string word;
    };
    for (const Case &c :
         {Case{0, "<2,2>Invalid<4,4>"}, Case{1, "<3,2>PT-None<4,4>"}, Case{2, "<2,3>PT-Read<4,4>"},
          Case{3, "<2,3>PT-Write<4,4>"}, Case{4, "<2,3>PT-Read-and-Write<4,4>"},
          Case{5, "<2,3>PT-Write-Miss<4,4>"}, Case{6, ""}}) {
        auto pDomain = Make<Sdbg_TFailureDomain_Query>();
        pDomain->wire.pellorinOperationalMode = c.mode;
        pDomain->wire.pellorinEnabled = 1;
        Rendered text = Render(*pDomain, false);
        ASSERT_EQ(text.lines.size(), 3u);
        EXPECT_TRUE(StartsWith(text.lines[2],
                               "<4,4>   Pellorin OpMode:" + c.word + " Enabled: <1,0>1<4,4>"))
            << c.mode;
        // In XML the word stands inside the element; no word leaves it empty.
        std::string element = "<pellorinOperationalMode>" + c.word + "</pellorinOperationalMode>";
        EXPECT_TRUE(Contains(Joined(Render(*pDomain, true).lines), "<4,4>" + element)) << c.mode;
    }
}

TEST(ClusterViews, StoragePoolOfZerosShowsTheInvalidAndUnknownWords) {
    auto pPool = Make<Sdbg_TStoragePool_Query>();
    Rendered text = Render(*pPool, false);
    ASSERT_EQ(text.lines.size(), 12u);
    EXPECT_EQ(text.lines[1], "<4,4>   Zero pad enabled:<1,0>0<4,4>   Use of RAM Read Cache:<1,0>0"
                             "<4,4>   Write Mode:<1,1>Invalid<4,4>   Use of Read Flash Read Cache:"
                             "<1,0>0");
    EXPECT_TRUE(Contains(text.lines[2], "<4,4>   Scanner Mode:<2,1>Invalid<4,4>   Scanner BW"));
    const char *const kPolicyLines[] = {
        "<4,4>   Rebuild:   Enabled:<2,0>0<4,4> Policy:<2,2>Unknown",
        "<4,4>   Rebalance: Enabled:<2,0>0<4,4> Policy:<2,2>Unknown",
        "   VTree Migration: Enabled:<2,0>0<4,4> Policy:"
        "<2,2>Unknown"};
    EXPECT_TRUE(Contains(text.lines[3], kPolicyLines[0]));
    EXPECT_TRUE(Contains(text.lines[4], kPolicyLines[1]));
    EXPECT_TRUE(Contains(text.lines[5], kPolicyLines[2])) << text.lines[5];
}

TEST(ClusterViews, StoragePoolPolicyAndModeWords) {
    struct Case {
        uint32_t value;
        const char *pPolicy;
        const char *pWriteMode;
        const char *pScanner;
    };
    for (const Case &c : {Case{1, "<2,2>Unlimited", "<1,1>Passthrough", "<1,1>Off"},
                          Case{2, "<1,1>Limit concurrent io", "<1,1>Cached", "<1,1>Read"},
                          Case{3, "<1,1>Favor App IO", "<2,2>Unknown", "<1,1>Read&Compare"},
                          Case{4, "<1,1>Dynamic BW throttle", "<2,2>Unknown", "<2,2>Unknown"},
                          Case{5, "<2,2>Unknown", "<2,2>Unknown", "<2,2>Unknown"}}) {
        auto pPool = Make<Sdbg_TStoragePool_Query>();
        StoragePool_Query &w = pPool->wire;
        w.rebuildPolicy = w.rebalancePolicy = w.vtreeMigrationPolicy = c.value;
        w.rmcacheWriteMode = w.dataIntegrityScannerMode = c.value;
        std::string text = Joined(Render(*pPool, false).lines);
        for (int line = 0; line < 3; ++line) {
            size_t at = text.find(std::string(" Policy:") + c.pPolicy);
            ASSERT_NE(at, std::string::npos) << c.value << " policy " << line;
            text.erase(at, 8);
        }
        EXPECT_TRUE(Contains(text, std::string("   Write Mode:") + c.pWriteMode)) << c.value;
        EXPECT_TRUE(Contains(text, std::string("   Scanner Mode:") + c.pScanner)) << c.value;
    }
}

TEST(ClusterViews, StoragePoolChecksumStateOpensLineSixAndTheSequencerWordsStandLoose) {
    auto pPool = Make<Sdbg_TStoragePool_Query>();
    StoragePool_Query &w = pPool->wire;
    std::strcpy(w.checksumConfigState, "cs");
    std::strcpy(w.spTransferSequencerCurrentRunningJobType, "job");
    w.fglExtraCapacity = 200;
    w.fglWriteAtomicitySize = 0xFFFF;
    Rendered text = Render(*pPool, false);
    ASSERT_EQ(text.lines.size(), 12u);
    EXPECT_TRUE(
        StartsWith(text.lines[5], "<4,4> Config State:<1,0>cs<4,4>   VTree Migration: Enabled:"));
    EXPECT_EQ(text.lines[8], "<0,0>   SP Transfer Sequencer:<4,4> runningJobType:<1,0>job"
                             "<4,4> numActiveJobs:<2,0>0");
    EXPECT_TRUE(Contains(text.lines[10], "<4,4> extraCapacity:<1,0>200<4,4>"));
    EXPECT_EQ(text.lines[11], "<4,4>   writeAtomicitySize:<1,0>65535<4,4> maxCompressionRatio:"
                              "<2,0>0<4,4> perfProfile:<2,0>0");
    std::string xml = Joined(Render(*pPool, true).lines);
    EXPECT_TRUE(Contains(xml, "<4,4></inflightBWProvisioningPct><0,0>   SP Transfer Sequencer:\n"
                              "<0,0>\t\t<4,4><spTransferSequencerCurrentRunningJobType><1,0>job"
                              "<4,4></spTransferSequencerCurrentRunningJobType>\n"));
    EXPECT_TRUE(Contains(xml, "<4,4><rmcacheWriteMode><1,1>Invalid<4,4></rmcacheWriteMode>\n"));
}

TEST(ClusterViews, PoolLinksAccelerationPoolsAndFaultSets) {
    auto pLink = Make<Sdbg_TSpSds_Query>();
    pLink->wire.spSdsId = 0x5;
    pLink->wire.inflightBWProvisioningPct = 40;
    Rendered link = Render(*pLink, false);
    EXPECT_EQ(link.lines,
              (Lines{"<4,4> SP-SDS ID:<1,0>0x5<4,4> TGT ID:<2,0>0x0<4,4> SP ID:<2,0>0x0",
                     "<4,4> inflightIOsProvisioningPct:<1,0>0"
                     "<4,4> inflightBWProvisioningPct:<1,0>40"}));
    EXPECT_EQ(link.currentLine, 2u);
    auto pAcc = Make<Sdbg_TAccelerationPool_Query>();
    std::memcpy(pAcc->wire.accPoolType, "NVDIMMXX", 8); // no NUL: stops at 8
    pAcc->wire.isPellorin = 1;
    EXPECT_TRUE(
        Contains(Render(*pAcc, false).lines.at(0),
                 "<4,4> Name: Type:<1,0>NVDIMMXX<4,4> Is Pellorin:<1,0>1<4,4> #Devs:<2,0>0"));
    auto pFaultSet = Make<Sdbg_TFaultSet_Query>();
    std::strcpy(pFaultSet->wire.fsName, "fs1");
    std::strcpy(pFaultSet->wire.fsStateStr, "OK");
    EXPECT_EQ(Render(*pFaultSet, false).lines,
              (Lines{"<4,4> FD ID:<2,0>0x0<4,4> FS ID:<2,0>0x0<4,4> #TGTs:<2,0>0<4,4> Name:"
                     "<1,0>fs1<4,4> State:<1,0>OK<4,4> Fason State:"}));
    auto pMgr = Make<Sdbg_TFailureDomainMgr_Query>();
    pMgr->wire.numFDs = 2;
    EXPECT_EQ(Render(*pMgr, true).lines, (Lines{"", "<0,0>\t\t<4,4><numFDs><1,0>2<4,4></numFDs>"}));
}

// ---- Users, sessions, directory services ----

TEST(ClusterViews, UserNameInHighlightAndAnEmptyNameShowsNothing) {
    auto pUser = Make<Sdbg_TUserMgr_Query>();
    UserMgr_Query &w = pUser->wire;
    std::strcpy(w.userRole, "Monitor");
    w.userId = 0xA1;
    EXPECT_EQ(Render(*pUser, false).lines,
              (Lines{"<4,4> Name: User ID:<1,0>0xa1<4,4> Role:<1,0>Monitor"
                     "<4,4> Password change required:<1,0>0<4,4> Bad logins:<1,0>0"}));
    std::strcpy(w.username, "<admin>");
    w.bPasswordChangeRequired = 1;
    EXPECT_TRUE(Contains(Render(*pUser, false).lines.at(0), "<4,4> Name:<5,0><admin><4,4> User"));
    EXPECT_EQ(Render(*pUser, true).lines,
              (Lines{"", "<0,0>\t\t<4,4><username><5,0><admin><4,4></username>",
                     "<0,0>\t\t<4,4><userId><1,0>0xa1<4,4></userId>",
                     "<0,0>\t\t<4,4><userRole><1,0>Monitor<4,4></userRole>",
                     "<0,0>\t\t<4,4><bPasswordChangeRequired><1,0>1<4,4></bPasswordChangeRequired>",
                     "<0,0>\t\t<4,4><badLogins><1,0>0<4,4></badLogins>"}));
}

TEST(ClusterViews, SessionOnTwoLines) {
    auto pSession = Make<Sdbg_TSessionMgr_Query>();
    SessionMgr_Query &w = pSession->wire;
    w.userId = 0x77;
    std::strcpy(w.auditUsername, "ops");
    w.authMethod = 2;
    w.permissionsMask = 0xFF00;
    w.globalTimeout = 600;
    std::strcpy(w.openerVersion, "R3_0");
    w.commandsAllowedDuringUpgrade = -1;
    Rendered text = Render(*pSession, false);
    EXPECT_EQ(text.lines,
              (Lines{"<4,4> Parent ID:<1,0>0x77<4,4> Name:<5,0>ops<4,4> Authentication Method:"
                     "<1,0>2<4,4> Session Permission Mask:<1,0>0xff00<4,4> Global Timeout:<1,0>600"
                     "<4,4> Hardened:<1,0>0<4,4> Access Timeout:<1,0>0",
                     "<4,4> Version:<1,0>R3_0<4,4> Component Type:<1,0>0"
                     "<4,4> commandsAllowedDuringUpgrade:<1,0>-1"}));
    EXPECT_EQ(text.currentLine, 1u);
}

TEST(ClusterViews, LdapTextsStopAtTheirCapacity) {
    auto pService = Make<Sdbg_TLdapServiceMgr_Query>();
    LdapServiceMgr_Query &w = pService->wire;
    w.ldapServiceId = 9;
    std::strcpy(w.baseDn, "dc=x");
    std::memset(w.ldapServiceUri, 'u', sizeof(w.ldapServiceUri));
    w.badLogins = 0x41; // a printable byte right after the URI
    std::strcpy(w.fqdn, "ldap.x");
    EXPECT_EQ(Render(*pService, false).lines,
              (Lines{"<4,4> LDAP service ID:<1,0>0x9<4,4> Base DN:<1,0>dc=x<4,4> LDAP service URI:"
                     "<1,0>" +
                     std::string(128, 'u') +
                     "<4,4> FQDN of the service:<1,0>ldap.x<4,4> Bad logins:<2,0>65"}));
    auto pGroup = Make<Sdbg_TLdapGroupMgr_Query>();
    std::memset(pGroup->wire.groupDn, 'g', sizeof(pGroup->wire.groupDn));
    pGroup->wire.role = 0x41414141;
    std::string line = Render(*pGroup, false).lines.at(0);
    EXPECT_TRUE(Contains(line, "<4,4> LDAP group role:<1,0>0x41414141<4,4> LDAP group DN:<1,0>" +
                                   std::string(256, 'g')));
    EXPECT_EQ(line.size(), line.find("DN:") + 3 + 5 + 256);
}

// ---- I/O gateway ----

TEST(ClusterViews, GatewayLayerNeverAlertsAndEndsWithAnEmptyLine) {
    auto pLayer = Make<Sdbg_TIoGatorLayer_Query>();
    Rendered text = Render(*pLayer, false);
    ASSERT_EQ(text.lines.size(), 7u);
    EXPECT_EQ(text.currentLine, 7u);
    EXPECT_FALSE(Contains(Joined(text.lines), "<2,")) << Joined(text.lines);
    EXPECT_EQ(text.lines[3], "<4,4>eviction queues: #req+cache:<1,0>0<4,4> #req-only:<1,0>0"
                             "<4,4> #cache-only:<1,0>0");
    // The layer puts the request failures first, the instance the cache failures.
    EXPECT_TRUE(
        StartsWith(text.lines[6], "<4,4>#failed-requests:<1,0>0<4,4> #failed-get-cache:<1,0>0"));
    auto pGator = Make<Sdbg_TIoGator_Query>();
    pGator->wire.nTotalReqFails = 3;
    Rendered gator = Render(*pGator, false);
    ASSERT_EQ(gator.lines.size(), 5u);
    EXPECT_EQ(gator.currentLine, 4u);
    EXPECT_TRUE(
        StartsWith(gator.lines[4], "<4,4>#failed-get-cache:<1,0>0<4,4> #failed-requests:<1,0>3"));
    EXPECT_FALSE(Contains(Joined(gator.lines), "<2,"));
}

TEST(ClusterViews, GatewayNameFillingItsFieldStopsAtItsWidthInHighlight) {
    auto pGator = Make<Sdbg_TIoGator_Query>();
    std::memset(pGator->wire.name, 'N', sizeof(pGator->wire.name));
    pGator->wire.generation = 0x41;
    Rendered text = Render(*pGator, false);
    EXPECT_EQ(text.lines.at(0),
              "<4,4>Name:<5,0>" + std::string(32, 'N') + "<4,4> current-generation:<1,0>65");
    Rendered xml = Render(*pGator, true);
    EXPECT_EQ(xml.lines.at(1), "<0,0>\t\t<4,4><name><5,0>" + std::string(32, 'N') + "<4,4></name>");
}

} // namespace
