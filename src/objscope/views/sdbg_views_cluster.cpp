// Views of the metadata manager's users, sessions and directory services,
// and of the data server's I/O gateway; and the pieces every cluster view
// file shares (sub-records, enumerations).

#include "sdbg_views_cluster.h"

#include <cstring>

using namespace sdbg_wire;

void Sdbg_ClusterSubText(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub,
                         const uint8_t *pRecord) {
    Sdbg_RenderText(view, sub, pRecord);
}

void Sdbg_ClusterSubFields(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub,
                           const uint8_t *pRecord, uint32_t tabs) {
    for (uint32_t i = 0; i < sub.rowCount; ++i) {
        const Sdbg_ViewRow &row = sub.pRows[i];
        Sdbg_PrintOpenTag(view, tabs, row.pXml);
        Sdbg_PrintValue(view, row, pRecord);
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

void Sdbg_ClusterSubElement(Sdbg_LogicalView &view, const Sdbg_ViewTable &sub,
                            const uint8_t *pRecord) {
    char tag[96];
    view.NewLine();
    view.PutTabs(2);
    mos_Snprintf(tag, sizeof(tag), "<%s>", sub.pWireName);
    view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
    Sdbg_ClusterSubFields(view, sub, pRecord, 3);
    view.NewLine();
    view.PutTabs(2);
    mos_Snprintf(tag, sizeof(tag), "</%s>", sub.pWireName);
    view.PrintStr(tag, SDBG_COLOR_KEEP, SDBG_COLOR_KEEP);
}

void Sdbg_ClusterPrintEnum(Sdbg_LogicalView &view, const uint8_t *pWire, const Sdbg_ViewRow &row,
                           bool bXml, const Sdbg_EnumWords &words) {
    uint32_t value;
    std::memcpy(&value, pWire + row.offset, sizeof(value));
    const Sdbg_EnumWord *pWord = &words.other;
    for (uint32_t i = 0; i < words.count; ++i) {
        if (words.pWords[i].value == value) {
            pWord = &words.pWords[i];
            break;
        }
    }
    if (bXml) {
        Sdbg_PrintOpenTag(view, 2, row.pXml);
    }
    if (pWord->pWord != nullptr) {
        view.PrintStr(pWord->pWord, pWord->fg, pWord->bg);
    }
    if (bXml) {
        Sdbg_PrintCloseTag(view, row.pXml);
    }
}

namespace {

// ---- Users, sessions, directory services ----

constexpr Sdbg_ViewRow kUserMgrRows[] = {
    SDBG_ROW(1, UserMgr_Query, username, " Name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, UserMgr_Query, userId, " User ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, UserMgr_Query, userRole, " Role:", Str, SDBG_VALUE),
    SDBG_ROW(1, UserMgr_Query, bPasswordChangeRequired, " Password change required:", D,
             SDBG_VALUE),
    SDBG_ROW(1, UserMgr_Query, badLogins, " Bad logins:", U, SDBG_NONZERO_ALERT),
};

constexpr Sdbg_ViewRow kSessionMgrRows[] = {
    SDBG_ROW(1, SessionMgr_Query, userId, " Parent ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, SessionMgr_Query, auditUsername, " Name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, SessionMgr_Query, authMethod, " Authentication Method:", U, SDBG_VALUE),
    SDBG_ROW(1, SessionMgr_Query, permissionsMask, " Session Permission Mask:", Hex0x, SDBG_VALUE),
    SDBG_ROW(1, SessionMgr_Query, globalTimeout, " Global Timeout:", LLU, SDBG_VALUE),
    SDBG_ROW(1, SessionMgr_Query, hardenedTimeout, " Hardened:", LLU, SDBG_VALUE),
    SDBG_ROW(1, SessionMgr_Query, accessTimeout, " Access Timeout:", LLU, SDBG_VALUE),
    SDBG_ROW(2, SessionMgr_Query, openerVersion, " Version:", Str, SDBG_VALUE),
    SDBG_ROW(2, SessionMgr_Query, openerComponentType, " Component Type:", U, SDBG_VALUE),
    SDBG_ROW(2, SessionMgr_Query, commandsAllowedDuringUpgrade, " commandsAllowedDuringUpgrade:", D,
             SDBG_VALUE),
};

constexpr Sdbg_ViewRow kLdapServiceMgrRows[] = {
    SDBG_ROW(1, LdapServiceMgr_Query, ldapServiceId, " LDAP service ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, LdapServiceMgr_Query, baseDn, " Base DN:", Str, SDBG_VALUE),
    SDBG_ROW(1, LdapServiceMgr_Query, ldapServiceUri, " LDAP service URI:", Str, SDBG_VALUE),
    SDBG_ROW(1, LdapServiceMgr_Query, fqdn, " FQDN of the service:", Str, SDBG_VALUE),
    SDBG_ROW(1, LdapServiceMgr_Query, badLogins, " Bad logins:", U, SDBG_NONZERO_ALERT),
};
constexpr Sdbg_ByteRange kLdapServiceMgrUnread[] = {SDBG_UNREAD(LdapServiceMgr_Query, reserved)};

constexpr Sdbg_ViewRow kLdapGroupMgrRows[] = {
    SDBG_ROW(1, LdapGroupMgr_Query, ldapGroupId, " LDAP group ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, LdapGroupMgr_Query, ldapServiceId, " LDAP service ID:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, LdapGroupMgr_Query, role, " LDAP group role:", Hex0x, SDBG_ZERO_ALERT),
    SDBG_ROW(1, LdapGroupMgr_Query, groupDn, " LDAP group DN:", Str, SDBG_VALUE),
};
constexpr Sdbg_ByteRange kLdapGroupMgrUnread[] = {SDBG_UNREAD(LdapGroupMgr_Query, reserved)};

// ---- I/O gateway ----

constexpr Sdbg_ViewRow kIoGatorLayerRows[] = {
    SDBG_ROW(1, _IoGatorLayer_Query, aggBlockSize, "agg-block-size:", LLU, SDBG_VALUE),
    SDBG_ROW(1, _IoGatorLayer_Query, nActiveIoGators, " #iogator:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGatorLayer_Query, cacheMempoolSize, "cache-mempool-size:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGatorLayer_Query, blockMempoolSize, "   block-mempool-size:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGatorLayer_Query, requestMempoolSize, "   request-mempool-size:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nFreeCaches, "#free-cache:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nUsedCaches, " #used-cache:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nFreeBlocks, "   #free-blocks:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nUsedBlocks, " #used-blocks:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nFreeRequests, "   #free-request:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGatorLayer_Query, nPendingRequests, " #pending-requests:", U, SDBG_VALUE),
    SDBG_ROW(4, _IoGatorLayer_Query, nReqAndCacheBlocks, "eviction queues: #req+cache:", U,
             SDBG_VALUE),
    SDBG_ROW(4, _IoGatorLayer_Query, nReqOnlyBlocks, " #req-only:", U, SDBG_VALUE),
    SDBG_ROW(4, _IoGatorLayer_Query, nCacheOnlyBlocks, " #cache-only:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGatorLayer_Query, nTotalReadSubmits, "#read-submits:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGatorLayer_Query, nTotalBlockReadReqs, " #block-read-submits:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGatorLayer_Query, nTotalBlockReadOps, " #block-read-ops:", U, SDBG_VALUE),
    SDBG_ROW(6, _IoGatorLayer_Query, nTotalWriteSubmits, "#write-submits:", U, SDBG_VALUE),
    SDBG_ROW(6, _IoGatorLayer_Query, nTotalBlockWriteReqs, " #block-write-submits:", U, SDBG_VALUE),
    SDBG_ROW(6, _IoGatorLayer_Query, nTotalBlockWriteOps, " #block-write-ops:", U, SDBG_VALUE),
    SDBG_ROW(7, _IoGatorLayer_Query, nTotalReqFails, "#failed-requests:", U, SDBG_VALUE),
    SDBG_ROW(7, _IoGatorLayer_Query, nTotalGetCacheFails, " #failed-get-cache:", U, SDBG_VALUE),
    SDBG_ROW(7, _IoGatorLayer_Query, nNonAggregatedCommits, " #non-agg-commits:", U, SDBG_VALUE),
    SDBG_ROW(7, _IoGatorLayer_Query, maxAggregation, " #max-aggregation:", U, SDBG_VALUE),
    SDBG_ROW(7, _IoGatorLayer_Query, nCacheHits, " #cache-hits:", U, SDBG_VALUE),
};

constexpr Sdbg_ViewRow kIoGatorRows[] = {
    SDBG_ROW(1, _IoGator_Query, name, "Name:", Str, SDBG_HIGHLIGHT),
    SDBG_ROW(1, _IoGator_Query, generation, " current-generation:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGator_Query, nUsedCaches, "#used-cache:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGator_Query, nUsedBlocks, " #used-blocks:", U, SDBG_VALUE),
    SDBG_ROW(2, _IoGator_Query, nPendingRequests, " #pending-requests:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGator_Query, nTotalReadSubmits, "#read-submits:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGator_Query, nTotalBlockReadReqs, " #block-read-submits:", U, SDBG_VALUE),
    SDBG_ROW(3, _IoGator_Query, nTotalBlockReadOps, " #block-read-ops:", U, SDBG_VALUE),
    SDBG_ROW(4, _IoGator_Query, nTotalWriteSubmits, "#write-submits:", U, SDBG_VALUE),
    SDBG_ROW(4, _IoGator_Query, nTotalBlockWriteReqs, " #block-write-submits:", U, SDBG_VALUE),
    SDBG_ROW(4, _IoGator_Query, nTotalBlockWriteOps, " #block-write-ops:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, nTotalGetCacheFails, "#failed-get-cache:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, nTotalReqFails, " #failed-requests:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, nWaitForCommitByOther, " #wait-for-busy-block:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, nNonAggregatedCommits, " #non-agg-commits:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, maxAggregation, " #max-aggregation:", U, SDBG_VALUE),
    SDBG_ROW(5, _IoGator_Query, nCacheHits, " #cache-hits:", U, SDBG_VALUE),
};

} // namespace

SDBG_DEFINE_VIEW(kUserMgrView, UserMgr_Query, kUserMgrRows, 0);
SDBG_DEFINE_VIEW(kSessionMgrView, SessionMgr_Query, kSessionMgrRows, 0);
SDBG_DEFINE_VIEW_GAPS(kLdapServiceMgrView, LdapServiceMgr_Query, kLdapServiceMgrRows,
                      kLdapServiceMgrUnread, 0);
SDBG_DEFINE_VIEW_GAPS(kLdapGroupMgrView, LdapGroupMgr_Query, kLdapGroupMgrRows, kLdapGroupMgrUnread,
                      0);
SDBG_DEFINE_VIEW(kIoGatorLayerView, _IoGatorLayer_Query, kIoGatorLayerRows, 1);
SDBG_DEFINE_VIEW(kIoGatorView, _IoGator_Query, kIoGatorRows, 0);
