// PE and VVol queries.
#include "kmodctl_pe.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"

#include <cstdlib>
#include <memory>

namespace {

constexpr char kRule[] = "=============================================================\n\n";

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};

// Checks a fixed-capacity reply: the driver's failure unchanged; a count
// above the capacity or a reply too short for its entries is refused.
MOS_RC checkFixedReply(MOS_RC rc, const char *pRequestName, const char *pInvalid, uint64_t count,
                       uint64_t capacity, size_t returned, size_t entrySize) {
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    if (returned < 16) {
        qorniIntf_ReportShortReply(pRequestName, returned, 16, QorniShortReply::Count);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    if (count > capacity) {
        qorniIntf_Report(true, pRequestName, __LINE__, "%s", pInvalid);
        return MOS_RC__ERROR;
    }
    size_t needed = 16 + static_cast<size_t>(count) * entrySize;
    if (returned < needed) {
        qorniIntf_ReportShortReply(pRequestName, returned, needed, QorniShortReply::Entries);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    return MOS_RC__SUCCESS;
}

} // namespace

void queryPes_Print(const QorniPeInfo *pPes, uint64_t count) {
    qorniIntf_Report(false, "queryPesV200", __LINE__, "Retrieved %llu PEs(s)\n",
                     static_cast<unsigned long long>(count));
    qorniIntf_Report(false, "queryPesV200", __LINE__, "%s", kRule);
    for (uint64_t i = 0; i < count; i++) {
        const QorniPeInfo pe = pPes[i];
        qorniIntf_Report(false, "printPE", __LINE__,
                         "%04d. PE-ID %.016llx%.016llx T%03lld:L%03lld, %lld VVols\n",
                         static_cast<int>(i), static_cast<unsigned long long>(pe.peId[0]),
                         static_cast<unsigned long long>(pe.peId[1]),
                         static_cast<long long>(pe.targetNum), static_cast<long long>(pe.lunNum),
                         static_cast<long long>(pe.numVVols));
        qorniIntf_Report(false, "printPE", __LINE__,
                         "\n-------------------------------------------------------\n\n");
    }
}

void queryVvols_Print(const QorniVvolInfo *pVvols, uint64_t count) {
    qorniIntf_Report(false, "queryVvolsV200", __LINE__, "Retrieved %llu VVol(s)\n",
                     static_cast<unsigned long long>(count));
    qorniIntf_Report(false, "queryVvolsV200", __LINE__, "%s", kRule);
    for (uint64_t i = 0; i < count; i++) {
        const QorniVvolInfo v = pVvols[i];
        qorniIntf_Report(
            false, "printVVols", __LINE__,
            "\n%04d. PE-ID %.016llx%.016llx VVol-ID %.016llx T%03lld:L%03lld\nblockNum "
            "%lld, inflight %lld, bChecksumActive %lld, bThinProvisioning %lld\n",
            static_cast<int>(i), static_cast<unsigned long long>(v.peIdFirst),
            static_cast<unsigned long long>(v.peIdSecond),
            static_cast<unsigned long long>(v.vvolId), static_cast<long long>(v.targetNum),
            static_cast<long long>(v.lunNum), static_cast<long long>(v.blockNum),
            static_cast<long long>(v.inflight), static_cast<long long>(v.bChecksumActive),
            static_cast<long long>(v.bThinProvisioning));
    }
}

namespace {

// One fixed-capacity query of N entries: a zeroed record, its count set
// to N, sent once, checked and printed.
template <typename Entry, uint64_t N> struct FixedQuery {
    uint32_t code;
    const char *pRequestName;
    const char *pInvalid;
    void (*reportNoMemory)();
    void (*print)(const Entry *pEntries, uint64_t count);
};

template <typename Entry, uint64_t N> MOS_RC runFixedQuery(const FixedQuery<Entry, N> &q) {
    using Record = QorniFixedList<Entry, N>;
    std::unique_ptr<Record, FreeDeleter> pRecord(static_cast<Record *>(calloc(1, sizeof(Record))));
    if (pRecord == nullptr) {
        q.reportNoMemory();
        kmodctl_Exit(1);
    }
    pRecord->count = N;
    size_t returned = 0;
    MOS_RC rc =
        qorniIntf_SendIoctlEx(q.code, pRecord.get(), sizeof(Record), q.pRequestName, &returned);
    rc =
        checkFixedReply(rc, q.pRequestName, q.pInvalid, pRecord->count, N, returned, sizeof(Entry));
    if (rc == MOS_RC__SUCCESS) {
        q.print(pRecord->entries, pRecord->count);
    }
    return rc;
}

} // namespace

MOS_RC queryPesV200() {
    const FixedQuery<QorniPeInfo, QORNI_MAX_PES> query = {
        QORNI_CODE__QUERY_PES, "QUERY_PEs", "numPEs invalid, exiting\n",
        [] {
            qorniIntf_Report(true, "queryPesV200", __LINE__, "Error allocating memory for %d PEs\n",
                             static_cast<int>(QORNI_MAX_PES));
        },
        queryPes_Print};
    return runFixedQuery(query);
}

MOS_RC queryVvolsV200() {
    const FixedQuery<QorniVvolInfo, QORNI_MAX_VVOLS> query = {
        QORNI_CODE__QUERY_VVOLS, "QUERY_VVols", "numVVols invalid, exiting\n",
        [] {
            qorniIntf_Report(true, "queryVvolsV200", __LINE__,
                             "Error allocating memory for 1 PE and %d VOLs\n",
                             static_cast<int>(QORNI_MAX_VVOLS));
        },
        queryVvols_Print};
    return runFixedQuery(query);
}
