// Views of how the metadata managers agree on a master and keep in step:
// the voter, the actor with its remote managers and extent locks, the
// actor's link to each voter, the synchronisation master and slave, and
// the connectivity matrix of a failure domain.

#include "sdbg_views_cluster.h"

#include <cstring>

using namespace sdbg_wire;

namespace {

constexpr Sdbg_ViewRow kVoterRows[] = {
    SDBG_ROW(1, Voter_Query, voterID, " voter-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, Voter_Query, clsUniqueID, " cluster-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Voter_Query, actorID, "   actor-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Voter_Query, actorGen, " actor-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Voter_Query, degradedGen, "   degraded-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Voter_Query, bDegraded, " is-degraded:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Voter_Query, numOOSActors, " #oos:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Voter_Query, oosActors, " oos:", Str, SDBG_VALUE),
    SDBG_ROW(4, Voter_Query, state, "  state:", Str, SDBG_VALUE),
    SDBG_ROW(4, Voter_Query, ticksToExpiration, " ticks-to-expiration:", D, SDBG_VALUE),
    SDBG_ROW(4, Voter_Query, verifyFailureCount, " verify-failure-count:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kVoterUnread[] = {SDBG_UNREAD(Voter_Query, reserved)};

// ---- Actor ----

constexpr Sdbg_ViewRow kRemoteMdmRows[] = {
    SDBG_ROW(1, ActorRemoteMdm_Query, actorID, " actor-id:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, ActorRemoteMdm_Query, bDegraded, " is-degraded:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(1, ActorRemoteMdm_Query, loopTrigger, " loop-trigger:", Str, SDBG_VALUE),
};
constexpr Sdbg_ViewTable kRemoteMdmTable = SDBG_SUB_TABLE(ActorRemoteMdm_Query, kRemoteMdmRows);

// An entry writes line breaks after its first and second lines only, so
// the next entry continues its third line.
constexpr Sdbg_ViewRow kExtLockRows[] = {
    SDBG_ROW(1, ActorExtLock_Query, totalExtentsLb, " total-extents-lb:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(1, ActorExtLock_Query, chunkSizeLb, " chunk-size-lb:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, ActorExtLock_Query, numActiveReaders, "     #active-readers:", U,
             SDBG_NONZERO_ALERT),
    SDBG_ROW(2, ActorExtLock_Query, numActiveWriters, " #active-writers:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, ActorExtLock_Query, numBlocked, "   #blocked:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, ActorExtLock_Query, maxChunkReaders, " #max-chunk-readers:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, ActorExtLock_Query, numChunksRead, " #chunks-read:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, ActorExtLock_Query, numReadWaiters, " #read-waiters:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, ActorExtLock_Query, numWriteWaiters, " #write-waiters:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ViewTable kExtLockTable = SDBG_SUB_TABLE(ActorExtLock_Query, kExtLockRows);

// The entries in use of the actor's two parallel arrays: the count comes
// from the remote side and may exceed the arrays' capacity, which bounds it.
uint32_t ActorEntriesInUse(const uint8_t *pWire) {
    uint32_t count;
    std::memcpy(&count, pWire + offsetof(Actor_Query, numRemoteMDMs), sizeof(count));
    return count < ACTOR_REMOTE_MDMS ? count : ACTOR_REMOTE_MDMS;
}

// One list of the actor, in its text form in both views; XML puts it
// between its element's tags.
void PrintActorList(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml, const char *pEntryLabel) {
    const Sdbg_ViewTable &entry = *row.pNested;
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    uint32_t count = ActorEntriesInUse(pWire);
    for (uint32_t i = 0; i < count; ++i) {
        if (pEntryLabel != nullptr) {
            view.NewLine();
            view.PrintStr(pEntryLabel, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
        }
        Sdbg_ClusterSubText(view, entry, pWire + row.offset + i * entry.wireSize);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

// Each remote manager on a line of its own.
void RemoteMdmsHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                    bool bXml) {
    PrintActorList(view, pWire, row, bXml, "   remote-mdm");
}

void ExtLocksHook(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                  bool bXml) {
    PrintActorList(view, pWire, row, bXml, nullptr);
}

constexpr Sdbg_ViewRow kActorRows[] = {
    SDBG_ROW(1, Actor_Query, clsState, " cluster-state:", Str, SDBG_VALUE),
    SDBG_ROW(1, Actor_Query, masterState, " master-state:", Str, SDBG_VALUE),
    SDBG_ROW(1, Actor_Query, clsUniqueID, " cluster-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Actor_Query, actorID, "   actor-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Actor_Query, actorGen, " actor-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Actor_Query, voterNum, " #voters:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(2, Actor_Query, degradedGen, " degraded-gen:", LLU, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Actor_Query, bCede, "   cede:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Actor_Query, cedeRemainingTicks, " cede-ticks-left:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, Actor_Query, bHandlingTrigger, "   loop-handle-trigger:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, Actor_Query, bActorHasQuorum, " has-quorum:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(4, Actor_Query, remoteActorsOwned, " has-remote-actors:", Str, SDBG_VALUE),
    SDBG_ROW(5, Actor_Query, loopHighestVote, "   loop-highest-voter:", LLU, SDBG_VALUE),
    SDBG_ROW(5, Actor_Query, loopOurVoters, " our-voters:", U, SDBG_VALUE),
    SDBG_ROW(5, Actor_Query, loopVotersOwnedByOther, " owned-by-other:", Str, SDBG_VALUE),
    SDBG_LABELLED_NESTED_ROW(6, Actor_Query, remoteMDMs, " Remote MDMs:", RemoteMdmsHook,
                             kRemoteMdmTable),
    SDBG_LABELLED_NESTED_ROW(7, Actor_Query, extLocks, "   extent-locks", ExtLocksHook,
                             kExtLockTable),
    SDBG_COUNT_ROW(Actor_Query, numRemoteMDMs),
};
constexpr Sdbg_ByteRange kActorUnread[] = {SDBG_UNREAD(Actor_Query, reserved1),
                                           SDBG_UNREAD(Actor_Query, reserved2)};

constexpr Sdbg_ViewRow kActorVoterRows[] = {
    SDBG_ROW(1, ActorVoter_Query, voterID, " voter-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, ActorVoter_Query, hostNames, " host-names:", Str, SDBG_VALUE),
    SDBG_ROW(1, ActorVoter_Query, actorVoterType, " type:", U, SDBG_VALUE),
    SDBG_ROW(2, ActorVoter_Query, numHostNames, "   #host-names:", U, SDBG_VALUE),
    SDBG_ROW(2, ActorVoter_Query, pendingSends, " #pend-sends:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, ActorVoter_Query, pendingRcvs, " #pend-recvs:", U, SDBG_NONZERO_ALERT),
    SDBG_ROW(2, ActorVoter_Query, highestDegradedGen, " highest-degraded-gen:", LLU,
             SDBG_ZERO_ALERT),
    SDBG_ROW(3, ActorVoter_Query, bHasLease, "   has-lease-actor:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(3, ActorVoter_Query, lastRspVoteState, " lastRspVoteState:", Str, SDBG_VALUE),
    SDBG_ROW(4, ActorVoter_Query, numMeMasterNotifSent, "   #sent:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, ActorVoter_Query, numMeMasterRsp, " #rsp:", U, SDBG_ZERO_ALERT),
    SDBG_ROW(4, ActorVoter_Query, lastRspActorID, " last-actor-id:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(4, ActorVoter_Query, oosActorsForHighestGen, " oos:", Str, SDBG_VALUE),
    SDBG_ROW(5, ActorVoter_Query, ticksLastRsp, "   ticks-from-last-rc:", LLU, SDBG_VALUE),
    SDBG_ROW(5, ActorVoter_Query, ticksExpiration, " lease-expire-ticks:", D, SDBG_VALUE),
    SDBG_ROW(5, ActorVoter_Query, ticksLastSend, " ticks-from-last-send:", LLU, SDBG_VALUE),
    SDBG_ROW(6, ActorVoter_Query, lastRspRC, "   last-rc:", U, SDBG_VALUE),
    SDBG_ROW(6, ActorVoter_Query, failureCount, " failure-count:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kActorVoterUnread[] = {SDBG_UNREAD(ActorVoter_Query, reserved1),
                                                SDBG_UNREAD(ActorVoter_Query, reserved2)};

constexpr Sdbg_ViewRow kSyncerSlaveRows[] = {
    SDBG_ROW(1, SyncerSlave_Query, remoteActorID, " remote-actor:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, SyncerSlave_Query, syncerSlaveState, " state:", Str, SDBG_VALUE),
    SDBG_ROW(1, SyncerSlave_Query, lastRspRC, " last-rc:", U, SDBG_VALUE),
    SDBG_ROW(1, SyncerSlave_Query, failureCount, " failure-count:", U, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kSyncerRows[] = {
    SDBG_ROW(1, Syncer_Query, remoteActorID, " remote-actor:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, Syncer_Query, syncerState, " state:", Str, SDBG_VALUE),
    SDBG_ROW(1, Syncer_Query, replState, " replication-state:", Str, SDBG_VALUE),
    SDBG_ROW(2, Syncer_Query, degradorCurState, "   degrador-state:", Str, SDBG_VALUE),
    SDBG_ROW(2, Syncer_Query, degradorNextState, " degrador-next-state:", Str, SDBG_VALUE),
    SDBG_ROW(2, Syncer_Query, bDegradedComing, " degraded-coming:", D, SDBG_NONZERO_ALERT),
    SDBG_ROW(3, Syncer_Query, bForwardIO, "   forward-io:", D, SDBG_ZERO_ALERT),
    SDBG_ROW(3, Syncer_Query, lastRspRC, " last-rc:", U, SDBG_VALUE),
    SDBG_ROW(3, Syncer_Query, failureCount, " failure-count:", U, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kSyncerUnread[] = {SDBG_UNREAD(Syncer_Query, reserved)};

constexpr Sdbg_ViewRow kConMatrixRows[] = {
    SDBG_ROW(1, _ConMatrix_Query, fdId, " FailureDomainID: ", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(2, _ConMatrix_Query, curPolicy, " Current Policy: ", Str, SDBG_VALUE),
    SDBG_ROW(2, _ConMatrix_Query, matrixGenNum, " Matrix Generation: ", U, SDBG_VALUE),
    SDBG_ROW(3, _ConMatrix_Query, curIssueType, " Current Issue: ", Str, SDBG_VALUE),
    SDBG_ROW(3, _ConMatrix_Query, issueDetectTicks, " Detect Time: ", LLU, SDBG_NONZERO_ALERT),
    SDBG_ROW(4, _ConMatrix_Query, bCooloffStarted, " Cooloff Started: ", Str, SDBG_VALUE),
    SDBG_ROW(4, _ConMatrix_Query, cooloffStartTicks, " Cooloff Start Time: ", LLU, SDBG_VALUE),
    SDBG_ROW(5, _ConMatrix_Query, nMaxRows, " Max Rows: ", D, SDBG_ZERO_ALERT),
    SDBG_ROW(5, _ConMatrix_Query, nActiveRows, " Active Rows: ", D, SDBG_VALUE),
    SDBG_ROW(5, _ConMatrix_Query, nKnownTgts, " Assigned Rows: ", D, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kConMatrixUnread[] = {SDBG_UNREAD(_ConMatrix_Query, reserved1),
                                               SDBG_UNREAD(_ConMatrix_Query, reserved2)};

} // namespace

SDBG_DEFINE_VIEW_GAPS(kVoterView, Voter_Query, kVoterRows, kVoterUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kActorView, Actor_Query, kActorRows, kActorUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kActorVoterView, ActorVoter_Query, kActorVoterRows, kActorVoterUnread, 0);
SDBG_DEFINE_VIEW(kSyncerSlaveView, SyncerSlave_Query, kSyncerSlaveRows, 0);
SDBG_DEFINE_VIEW_GAPS(kSyncerView, Syncer_Query, kSyncerRows, kSyncerUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kConMatrixView, _ConMatrix_Query, kConMatrixRows, kConMatrixUnread, 1);
