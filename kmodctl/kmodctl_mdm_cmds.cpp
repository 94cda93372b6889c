// MDM commands: the ADD_MDM, MOD_MDM and QUERY_MDMS handlers and the
// address-list printer.
#include "kmodctl_mdm_cmds.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_list.h"

#include <cstring>

namespace {

constexpr uint64_t kStartCapacity = 20;
constexpr uint32_t kMaxQueries = 12;

const char *stateName(uint32_t state) {
    static const char *const kNames[] = {"Dead", "Connecting", "OK", "Disconnecting"};
    return state < std::size(kNames) ? kNames[state] : "Unknown";
}

// Fills a list of capacity N; false (after the report) when more
// addresses were given than this driver version's list holds.
template <uint32_t N>
bool fillIpList(QorniMdmIpList<N> *pList, const NetAddress *pAddresses, uint32_t count) {
    if (count > N) {
        QORNI_REPORT_ERROR("Error: this driver version takes at most %u MDM addresses, %u given\n",
                           N, count);
        return false;
    }
    memcpy(pList->ips, pAddresses, count * sizeof(NetAddress));
    pList->numIps = count;
    return true;
}

template <uint32_t N> MOS_RC addMdm(const NetAddress *pAddresses, uint32_t count) {
    QorniAddMdmRecord<N> record = {};
    if (!fillIpList(&record.mdmIps, pAddresses, count)) {
        return MOS_RC__NOT_SUPPORTED;
    }
    return qorniIntf_SendIoctl(QORNI_CODE__ADD_MDM, &record, sizeof(record), "ADD_MDM");
}

template <uint32_t N>
MOS_RC modMdmIp(const NetAddress *pCurrent, const NetAddress *pNew, uint32_t count) {
    QorniModMdmRecord<N> record = {};
    if (netAddress_IsValid(pCurrent)) {
        record.oldIps.ips[0] = *pCurrent;
    } else {
        netAddress_Init(&record.oldIps.ips[0]);
    }
    record.oldIps.numIps = 1;
    if (!fillIpList(&record.newIps, pNew, count)) {
        return MOS_RC__NOT_SUPPORTED;
    }
    return qorniIntf_SendIoctl(QORNI_CODE__MOD_MDM_IP, &record, sizeof(record), "MOD_MDM_IP");
}

// The four address bytes of an IPv4 address; false (after the report)
// for any other type.
bool ipv4Bytes(const NetAddress *pAddress, uint32_t *pIpv4) {
    if (pAddress->type != NET_ADDRESS_TYPE__IPV4) {
        qorniIntf_Report(false, "modMdmIpV130", __LINE__,
                         "IPV6 address not supported in version 1.3x\n");
        return false;
    }
    memcpy(pIpv4, pAddress->address, sizeof(*pIpv4));
    return true;
}

template <uint32_t N> void printMdms(const uint8_t *pEntries, uint64_t count, const void *) {
    queryMdms_Print(pEntries, count, N);
}

template <uint32_t N> MOS_RC queryMdms(const char *pFunc) {
    const KmodctlListQuery query = {
        .shape = {"QUERY_MDMS", sizeof(QorniMdmListHeader), offsetof(QorniMdmListHeader, numMdms),
                  sizeof(uint32_t), sizeof(QorniMdmInfo<N>)},
        .code = QORNI_CODE__QUERY_MDMS,
        .startCapacity = kStartCapacity,
        .maxQueries = kMaxQueries,
        .bDoubles = true,
    };
    return kmodctlList_RunAndPrint(query, "MDMs", pFunc, printMdms<N>);
}

MOS_RC sendV130(const KmodctlListQuery &query, uint8_t *pRecord, size_t recordSize,
                size_t *pReturned) {
    int32_t result = qorniIntf_SendIoctlEx_v130(query.code, pRecord, sizeof(uint32_t),
                                                static_cast<uint32_t>(recordSize), pReturned);
    return result == 0 ? MOS_RC__SUCCESS : MOS_RC__SDC_IOCTL_ERROR;
}

} // namespace

MOS_RC addMdmV200(const NetAddress *pAddresses, uint32_t count) {
    return addMdm<QORNI_MDM_IPS_V200>(pAddresses, count);
}

MOS_RC addMdmV201(const NetAddress *pAddresses, uint32_t count) {
    return addMdm<QORNI_MDM_IPS_V201>(pAddresses, count);
}

MOS_RC modMdmIpV200(const NetAddress *pCurrent, const NetAddress *pNew, uint32_t count) {
    return modMdmIp<QORNI_MDM_IPS_V200>(pCurrent, pNew, count);
}

MOS_RC modMdmIpV201(const NetAddress *pCurrent, const NetAddress *pNew, uint32_t count) {
    return modMdmIp<QORNI_MDM_IPS_V201>(pCurrent, pNew, count);
}

MOS_RC modMdmIpV130(const NetAddress *pCurrent, const NetAddress *pNew, uint32_t count) {
    QorniModMdmRecordV130 record = {};
    if (!ipv4Bytes(pCurrent, &record.oldIpv4[0])) {
        return MOS_RC__NOT_SUPPORTED;
    }
    record.numOldIps = 1;
    if (count > std::size(record.newIpv4)) {
        QORNI_REPORT_ERROR("Error: this driver version takes at most %u MDM addresses, %u given\n",
                           static_cast<unsigned>(std::size(record.newIpv4)), count);
        return MOS_RC__NOT_SUPPORTED;
    }
    for (uint32_t i = 0; i < count; i++) {
        if (!ipv4Bytes(&pNew[i], &record.newIpv4[i])) {
            return MOS_RC__NOT_SUPPORTED;
        }
    }
    record.numNewIps = count;
    return qorniIntf_SendIoctl_v130(QORNI_CODE__MOD_MDM_IP_V130, &record, sizeof(record), 0) == 0
               ? MOS_RC__SUCCESS
               : MOS_RC__SDC_IOCTL_ERROR;
}

MOS_RC queryMdmsV200() {
    return queryMdms<QORNI_MDM_IPS_V200>(__func__);
}

MOS_RC queryMdmsV201() {
    return queryMdms<QORNI_MDM_IPS_V201>(__func__);
}

MOS_RC queryMdmsV130() {
    const KmodctlListQuery query = {
        .shape = {"QUERY_MDMS_V130", sizeof(uint32_t), 0, sizeof(uint32_t),
                  sizeof(QorniMdmInfoV130)},
        .code = QORNI_CODE__QUERY_MDMS_V130,
        .startCapacity = kStartCapacity,
        .maxQueries = kMaxQueries,
        .bDoubles = true,
        .pSend = sendV130,
    };
    return kmodctlList_RunAndPrint(query, "MDMs", __func__,
                                   [](const uint8_t *pEntries, uint64_t count, const void *) {
                                       queryMdms_PrintV130(pEntries, count);
                                   });
}

void printAllIPs(const uint8_t *pAddresses, int32_t count, const uint8_t *pStates,
                 bool bShowState) {
    for (int32_t i = 0; i < count; i++) {
        NetAddress address;
        memcpy(&address, pAddresses + i * sizeof(NetAddress), sizeof(address));
        qorniIntf_Report(false, "printAllIPs", __LINE__, "[%d]-%s ", i, netAddress_ToStr(&address));
        if (bShowState) {
            QorniIpConnInfo state;
            memcpy(&state, pStates + i * sizeof(QorniIpConnInfo), sizeof(state));
            qorniIntf_Report(false, "printExtInfo", __LINE__,
                             "State %s, inflightBytes %u, numConnectedSocks %u, numSocks %u\n",
                             stateName(state.state), state.inflightBytes, state.numConnectedSocks,
                             state.numSocks);
        }
    }
}

// An entry's address count bounded by what the entry holds: a larger
// count prints the addresses there are, a negative one none.
static int32_t boundedIps(int32_t numIps, uint32_t capacity) {
    return numIps < 0 ? 0 : static_cast<uint32_t>(numIps) > capacity ? capacity : numIps;
}

void queryMdms_Print(const uint8_t *pEntries, uint64_t count, uint32_t ipCapacity) {
    qorniIntf_Report(false, "queryMdms", __LINE__, "Retrieved %u mdm(s)\n",
                     static_cast<unsigned>(count));
    size_t entrySize = offsetof(QorniMdmInfo<8>, ips) + ipCapacity * sizeof(NetAddress);
    for (uint64_t i = 0; i < count; i++) {
        const uint8_t *pEntry = pEntries + i * entrySize;
        QorniMdmInfo<1> head; // the fields before the addresses
        memcpy(&head, pEntry, offsetof(QorniMdmInfo<1>, ips));
        qorniIntf_Report(false, "queryMdms", __LINE__,
                         "MDM-ID %.16llx SDC ID %.16llx INSTALLATION ID %.16llx IPs ",
                         static_cast<unsigned long long>(head.mdmId),
                         static_cast<unsigned long long>(head.sdcId),
                         static_cast<unsigned long long>(head.installationId));
        printAllIPs(pEntry + offsetof(QorniMdmInfo<1>, ips), boundedIps(head.numIps, ipCapacity),
                    nullptr, false);
        qorniIntf_Report(false, "queryMdms", __LINE__, "\n");
    }
}

void queryMdms_PrintV130(const uint8_t *pEntries, uint64_t count) {
    qorniIntf_Report(false, "queryMdmsV130", __LINE__, "Retrieved %u mdm(s)\n",
                     static_cast<unsigned>(count));
    for (uint64_t i = 0; i < count; i++) {
        QorniMdmInfoV130 e;
        memcpy(&e, pEntries + i * sizeof(e), sizeof(e));
        qorniIntf_Report(false, "queryMdmsV130", __LINE__,
                         "MDM-ID %.16llx SDC ID %.16llx INSTALLATION ID %.16llx IPs ",
                         static_cast<unsigned long long>(e.mdmId),
                         static_cast<unsigned long long>(e.sdcId),
                         static_cast<unsigned long long>(e.installationId));
        int32_t numIps = boundedIps(e.numIps, std::size(e.ipv4));
        for (int32_t j = 0; j < numIps; j++) {
            uint8_t b[4];
            memcpy(b, &e.ipv4[j], sizeof(b));
            qorniIntf_Report(false, "printAllIPs_v130", __LINE__, "[%d]-%d.%d.%d.%d ", j, b[0],
                             b[1], b[2], b[3]);
        }
        qorniIntf_Report(false, "queryMdmsV130", __LINE__, "\n");
    }
}
