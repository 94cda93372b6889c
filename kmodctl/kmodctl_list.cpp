// The growing list queries: the reply check and the query loop.
#include "kmodctl_list.h"

#include "ioctl_interface.h"
#include "kmodctl_frontend.h"
#include "qorni_protocol.h"

#include <cstdlib>
#include <cstring>

uint64_t kmodctl_ReadUnsigned(const uint8_t *p, size_t width) {
    if (width == 4) {
        uint32_t value;
        memcpy(&value, p, sizeof(value));
        return value;
    }
    uint64_t value;
    memcpy(&value, p, sizeof(value));
    return value;
}

uint64_t kmodctlList_MaxCapacity(const KmodctlListShape &shape) {
    return (0xFFFFFFFFull - sizeof(QorniIoctlHeader) - shape.headerSize) / shape.entrySize;
}

MOS_RC kmodctlList_CheckReply(const KmodctlListShape &shape, MOS_RC rc, const uint8_t *pRecord,
                              size_t recordReturned, uint64_t capacity, uint64_t *pCount,
                              uint64_t *pGrowTo) {
    *pCount = 0;
    *pGrowTo = 0;
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    size_t countEnd = shape.countOffset + shape.countWidth;
    if (recordReturned < countEnd) {
        qorniIntf_ReportShortReply(shape.pRequestName, recordReturned, countEnd,
                                   QorniShortReply::Count);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    uint64_t count = kmodctl_ReadUnsigned(pRecord + shape.countOffset, shape.countWidth);
    if (count > capacity) {
        if (count > kmodctlList_MaxCapacity(shape)) {
            QORNI_REPORT_ERROR("Error: %s reports %llu entries, more than one reply can hold\n",
                               shape.pRequestName, static_cast<unsigned long long>(count));
            return MOS_RC__SDC_IOCTL_ERROR;
        }
        *pGrowTo = count;
        return MOS_RC__SUCCESS;
    }
    // count <= capacity here, so the product cannot overflow.
    size_t needed = shape.headerSize + static_cast<size_t>(count) * shape.entrySize;
    if (recordReturned < needed) {
        qorniIntf_ReportShortReply(shape.pRequestName, recordReturned, needed,
                                   QorniShortReply::Entries);
        return MOS_RC__SDC_IOCTL_ERROR;
    }
    *pCount = count;
    return MOS_RC__SUCCESS;
}

KmodctlList::~KmodctlList() {
    free(pRecord);
}

namespace {

MOS_RC sendCurrent(const KmodctlListQuery &query, uint8_t *pRecord, size_t recordSize,
                   size_t *pReturned) {
    return qorniIntf_SendIoctlEx(query.code, pRecord, recordSize, query.shape.pRequestName,
                                 pReturned);
}

// One record of the list's capacity, sent; false when it cannot be
// allocated.
bool sendOnce(const KmodctlListQuery &query, KmodctlList *pList, MOS_RC *pRc, size_t *pReturned) {
    const KmodctlListShape &shape = query.shape;
    size_t recordSize = shape.headerSize + static_cast<size_t>(pList->capacity) * shape.entrySize;
    free(pList->pRecord);
    pList->pRecord = static_cast<uint8_t *>(calloc(1, recordSize));
    if (pList->pRecord == nullptr) {
        return false;
    }
    uint64_t capacity = pList->capacity;
    memcpy(pList->pRecord + shape.countOffset, &capacity, shape.countWidth); // little-endian
    if (query.pFill != nullptr) {
        query.pFill(pList->pRecord, query.pContext);
    }
    KmodctlListSendFn send = query.pSend != nullptr ? query.pSend : sendCurrent;
    *pRc = send(query, pList->pRecord, recordSize, pReturned);
    return true;
}

} // namespace

MOS_RC kmodctlList_Run(const KmodctlListQuery &query, KmodctlList *pList) {
    pList->capacity = query.startCapacity;
    for (uint32_t queries = 1;; queries++) {
        MOS_RC rc = MOS_RC__SUCCESS;
        size_t returned = 0;
        if (!sendOnce(query, pList, &rc, &returned)) {
            pList->bNoMemory = true;
            return MOS_RC__ERROR;
        }
        uint64_t growTo = 0;
        rc = kmodctlList_CheckReply(query.shape, rc, pList->pRecord, returned, pList->capacity,
                                    &pList->count, &growTo);
        if (rc != MOS_RC__SUCCESS || growTo == 0) {
            return rc;
        }
        if (queries >= query.maxQueries) {
            pList->bTooManyQueries = true;
            return MOS_RC__ERROR;
        }
        uint64_t next = query.bDoubles ? pList->capacity * 2 : growTo;
        pList->capacity = next <= kmodctlList_MaxCapacity(query.shape) ? next : growTo;
    }
}

void kmodctlList_ExitAtLimits(const KmodctlList &list, const char *pNoun, const char *pFunc) {
    auto capacity = static_cast<unsigned>(list.capacity);
    if (list.bNoMemory) {
        qorniIntf_Report(true, pFunc, __LINE__, "Error allocating memory for %u %s\n", capacity,
                         pNoun);
        kmodctl_Exit(1);
    }
    if (list.bTooManyQueries) {
        qorniIntf_Report(true, pFunc, __LINE__, "Too many query iterations. Already at %u %s\n",
                         capacity, pNoun);
        kmodctl_Exit(1);
    }
}

MOS_RC kmodctlList_RunAndPrint(const KmodctlListQuery &query, const char *pNoun, const char *pFunc,
                               KmodctlListPrintFn print) {
    KmodctlList list;
    MOS_RC rc = kmodctlList_Run(query, &list);
    kmodctlList_ExitAtLimits(list, pNoun, pFunc);
    if (rc == MOS_RC__SUCCESS) {
        print(list.entry(query.shape, 0), list.count, query.pContext);
    }
    return rc;
}

MOS_RC kmodctl_RequireReply(const char *pRequestName, size_t recordReturned, size_t recordNeeded) {
    if (recordReturned >= recordNeeded) {
        return MOS_RC__SUCCESS;
    }
    qorniIntf_ReportShortReply(pRequestName, recordReturned, recordNeeded, QorniShortReply::Record);
    return MOS_RC__SDC_IOCTL_ERROR;
}
