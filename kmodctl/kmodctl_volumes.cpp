// Volume queries: the list query with its capacity growth, and the
// printers of each entry version.
#include "kmodctl_volumes.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "kmodctl_list.h"

#include <cstdlib>
#include <cstring>

const QorniVolQuery queryVolumes_V200 = {QORNI_CODE__QUERY_ALL_BLK_DEVS, "QUERY_ALL_BLK_DEVS",
                                         sizeof(QorniVolInfo), queryVolumes_PrintDevInfoLegacy};
const QorniVolQuery queryVolumes_V201 = {QORNI_CODE__QUERY_ALL_BLK_DEVS_V201,
                                         "QUERY_ALL_BLK_DEVS_V201", sizeof(QorniVolInfoV201),
                                         queryVolumes_PrintDevInfoV201};
const QorniVolQuery queryVolumes_V300 = {QORNI_CODE__QUERY_ALL_BLK_DEVS_V201,
                                         "IOCTL__QUERY_ALL_BLK_DEVS__V300",
                                         sizeof(QorniVolInfoV300), queryVolumes_PrintDevInfoV300};

namespace {

constexpr uint64_t kStartCapacity = 8192;
constexpr int kMaxQueries = 12;

const char *boolText(uint32_t value) {
    return value != 0 ? "TRUE" : "FALSE";
}

const char *osTypeName(uint32_t osType) {
    switch (osType) {
        case QORNI_VOL_OS__LINUX:
            return "LINUX";
        case QORNI_VOL_OS__WINDOWS:
            return "WINDOWS";
        case QORNI_VOL_OS__ESX:
            return "ESX";
        case QORNI_VOL_OS__AIX:
            return "AIX";
        default:
            return "UNKNOWN";
    }
}

void printLimiterAndState(const QorniVolInfoV201 &v) {
    const QorniVolLimiter &bw = v.bandwithLbLimit;
    const QorniVolLimiter &io = v.iopsLimiter;
    QORNI_REPORT_INFO(
        "\tbandwithLbLimit.slotUsage=%u\n\tbandwithLbLimit.loanToOldSlots=%u\n\tbandwithLbLimit."
        "avgSlotMax=%u\n\tbandwithLbLimit.slotMax=%u\n\tbandwithLbLimit.currSlot=%llu\n\tbandwit"
        "hLbLimit.tickInSlot=%u\n\tbandwithLbLimit.bTimerActive=%s\n\tbandwithLbLimit.bLastPopWa"
        "sEmpty=%s\n\tiopsLimiter.slotUsage=%u\n\tiopsLimiter.loanToOldSlots=%u\n\tiopsLimiter."
        "avgSlotMax=%u\n\tiopsLimiter.slotMax=%u\n\tiopsLimiter.currSlot=%llu\n\tiopsLimiter.tic"
        "kInSlot=%u\n\tiopsLimiter.bTimerActive=%s\n\tiopsLimiter.bLastPopWasEmpty=%s\n\treadIoAv"
        "gWeight=%u\n\treadIoAvgOccur=%u\n\twriteIoAvgWeight=%u\n\twriteIoAvgOccur=%u\n\tgenerati"
        "onNum=%llu\n\tresetGenerationNum=%llu\n\tbDeleteAComing=%s\n\tbNotifyOsOnSizeChange=%s\n"
        "\tinflightReserves=%d\n\tbVolInfoNeeded=%s\n\tbChecksumActive=%s\n\tbDirectBufferMappin"
        "g=%s\n\tbIgnoreReservation=%s\n\tbResourcesInitialized=%s\n\tosType=%s\n\tbThinProvisio"
        "ning=%s\n",
        bw.slotUsage, bw.loanToOldSlots, bw.avgSlotMax, bw.slotMax,
        static_cast<unsigned long long>(bw.currSlot), bw.tickInSlot, boolText(bw.bTimerActive),
        boolText(bw.bLastPopWasEmpty), io.slotUsage, io.loanToOldSlots, io.avgSlotMax, io.slotMax,
        static_cast<unsigned long long>(io.currSlot), io.tickInSlot, boolText(io.bTimerActive),
        boolText(io.bLastPopWasEmpty), v.readIoAvgWeight, v.readIoAvgOccur, v.writeIoAvgWeight,
        v.writeIoAvgOccur, static_cast<unsigned long long>(v.generationNum),
        static_cast<unsigned long long>(v.resetGenerationNum), boolText(v.bDeleteAComing),
        boolText(v.bNotifyOsOnSizeChange), v.inflightReserves, boolText(v.bVolInfoNeeded),
        boolText(v.bChecksumActive), boolText(v.bDirectBufferMapping),
        boolText(v.bIgnoreReservation), boolText(v.bResourcesInitialized), osTypeName(v.osType),
        boolText(v.bThinProvisioning));
}

// Traced under the printer's name, as the state block is.
void printOsPart(const QorniVolInfoV201 &v, const char *pFunc) {
    QorniVolOsLinux lnx;
    QorniVolOsEsx esx;
    memcpy(&lnx, v.osPart, sizeof(lnx));
    memcpy(&esx, v.osPart, sizeof(esx));
    switch (v.osType) {
        case QORNI_VOL_OS__LINUX:
            qorniIntf_Report(false, pFunc, __LINE__,
                             "\tdevUsers=%d\n\tinflightReads=%d\n\tinflightWrites=%d\n\tsplits=%d\n"
                             "\tsplitFailAlloc=%d\n",
                             lnx.devUsers, lnx.inflightReads, lnx.inflightWrites, lnx.splits,
                             lnx.splitFailAlloc);
            break;
        case QORNI_VOL_OS__WINDOWS:
            qorniIntf_Report(false, pFunc, __LINE__, "\tsizeLb=%llu\n",
                             static_cast<unsigned long long>(esx.sizeLb));
            break;
        case QORNI_VOL_OS__ESX:
            qorniIntf_Report(
                false, pFunc, __LINE__, "\tsizeLb=%llu\n\ttargetID=%d\n\tlunID=%d\n\tqDepth=%d\n",
                static_cast<unsigned long long>(esx.sizeLb), esx.targetID, esx.lunID, esx.qDepth);
            break;
        default:
            break;
    }
}

} // namespace

void queryVolumes_PrintDevInfoLegacy(const uint8_t *pEntry, uint32_t extended) {
    QorniVolInfo v;
    memcpy(&v, pEntry, sizeof(v));
    QORNI_REPORT_INFO(
        "VOL-ID %.16llx MDM-ID %.16llx%s\n", static_cast<unsigned long long>(v.volId),
        static_cast<unsigned long long>(v.mdmId),
        extended != 0 && v.bBypassScsiReservations != 0 ? " ByPassing SCSI reservations" : "");
}

void queryVolumes_PrintDevInfoV201(const uint8_t *pEntry, uint32_t extended) {
    queryVolumes_PrintDevInfoLegacy(pEntry, extended);
    if (extended == 0) {
        return;
    }
    QorniVolInfoV201 v;
    memcpy(&v, pEntry, sizeof(v));
    printLimiterAndState(v);
    printOsPart(v, __func__);
}

void queryVolumes_PrintDevInfoV300(const uint8_t *pEntry, uint32_t extended) {
    queryVolumes_PrintDevInfoV201(pEntry, extended);
    QorniVolInfoV300 v;
    memcpy(&v, pEntry, sizeof(v));
    if (extended == 0 || v.v201.osType != QORNI_VOL_OS__AIX) {
        return;
    }
    QORNI_REPORT_INFO("\tblkDevRefCnt=%d\n\tscsiId=%llu\n\tlunId=%llu\n\tinflightIORefCnt=%d\n\tn"
                      "umScsiStart=%d\n\tbIsDiagState=%d\n\tbIsSingleMode=%d\n\tbRetainReservatio"
                      "n=%d\n\tbIsReserved=%d\n\tbIsPreventReservation=%d\n\tbIsInMiddleOfReserva"
                      "tion=%d\n\tbIsInMiddleOfRelease=%d\n",
                      v.blkDevRefCnt, static_cast<unsigned long long>(v.scsiId),
                      static_cast<unsigned long long>(v.lunId), v.inflightIORefCnt, v.numScsiStart,
                      v.bIsDiagState, v.bIsSingleMode, v.bRetainReservation, v.bIsReserved,
                      v.bIsPreventReservation, v.bIsInMiddleOfReservation, v.bIsInMiddleOfRelease);
}

namespace {

KmodctlListShape listShape(const QorniVolQuery &query) {
    return {query.pRequestName, sizeof(QorniVolListHeader), offsetof(QorniVolListHeader, numVols),
            sizeof(uint64_t), query.entrySize};
}

} // namespace

uint64_t queryVolumes_MaxCapacity(const QorniVolQuery &query) {
    return kmodctlList_MaxCapacity(listShape(query));
}

MOS_RC queryVolumes_HandleReply(const QorniVolQuery &query, MOS_RC rc, const uint8_t *pRecord,
                                size_t recordReturned, uint64_t capacity, uint32_t extended,
                                uint64_t *pGrowTo) {
    // The whole reply is checked before its first line is printed.
    uint64_t numVols = 0;
    rc = kmodctlList_CheckReply(listShape(query), rc, pRecord, recordReturned, capacity, &numVols,
                                pGrowTo);
    if (rc != MOS_RC__SUCCESS || *pGrowTo != 0) {
        return rc;
    }
    QORNI_REPORT_INFO("Retrieved %llu volume(s)\n", static_cast<unsigned long long>(numVols));
    for (uint64_t i = 0; i < numVols; i++) {
        query.pPrint(pRecord + sizeof(QorniVolListHeader) + i * query.entrySize, extended);
    }
    return MOS_RC__SUCCESS;
}

namespace {

MOS_RC queryVolumes(const QorniVolQuery &query, uint32_t extended) {
    uint64_t capacity = kStartCapacity;
    for (int queries = 1;; queries++) {
        size_t recordSize =
            sizeof(QorniVolListHeader) + static_cast<size_t>(capacity) * query.entrySize;
        auto *pRecord = static_cast<uint8_t *>(calloc(1, recordSize));
        if (pRecord == nullptr) {
            QORNI_REPORT_ERROR("Error allocating memory for %d VOLs\n", static_cast<int>(capacity));
            kmodctl_Exit(1);
        }
        memcpy(pRecord + offsetof(QorniVolListHeader, numVols), &capacity, sizeof(capacity));
        memcpy(pRecord + offsetof(QorniVolListHeader, extended), &extended, sizeof(extended));
        size_t returned = 0;
        MOS_RC rc =
            qorniIntf_SendIoctlEx(query.code, pRecord, recordSize, query.pRequestName, &returned);
        uint64_t growTo = 0;
        rc = queryVolumes_HandleReply(query, rc, pRecord, returned, capacity, extended, &growTo);
        free(pRecord);
        if (rc != MOS_RC__SUCCESS || growTo == 0) {
            return rc;
        }
        if (queries == kMaxQueries) {
            QORNI_REPORT_ERROR("Too many query iterations. Already at %d VOLs\n",
                               static_cast<int>(capacity));
            kmodctl_Exit(1);
        }
        capacity = growTo;
    }
}

} // namespace

MOS_RC queryVolumesV200(uint32_t extended) {
    return queryVolumes(queryVolumes_V200, extended);
}

MOS_RC queryVolumesV201(uint32_t extended) {
    return queryVolumes(queryVolumes_V201, extended);
}

MOS_RC queryVolumesV300(uint32_t extended) {
    return queryVolumes(queryVolumes_V300, extended);
}
