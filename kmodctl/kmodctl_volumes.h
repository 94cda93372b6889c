// Volume queries of kmodctl (command index QUERY_VOLS): the driver's
// volume list at protocol versions 2.00, 2.01 and 3.00, printed one line
// per volume and, with the extended flag, the volume's internal state.
#pragma once

#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// The list record: this header, then capacity entries of the version's
// size.
struct QorniVolListHeader {
    QorniCmdRecordHeader hdr;
    uint64_t numVols;  // in: capacity; out: the number of volumes
    uint32_t extended; // 1: the driver fills the extended fields
};
static_assert(sizeof(QorniVolListHeader) == 20);
static_assert(offsetof(QorniVolListHeader, numVols) == 8);
static_assert(offsetof(QorniVolListHeader, extended) == 16);

// Version 2.00 entry; the first 28 bytes of every later entry.
struct QorniVolInfo {
    uint8_t reserved[8];
    uint64_t mdmId;
    uint64_t volId;
    uint32_t bBypassScsiReservations;
};
static_assert(sizeof(QorniVolInfo) == 28);
static_assert(offsetof(QorniVolInfo, mdmId) == 8);
static_assert(offsetof(QorniVolInfo, volId) == 16);
static_assert(offsetof(QorniVolInfo, bBypassScsiReservations) == 24);

// A slot limiter's state as the volume entry carries it.
struct QorniVolLimiter {
    uint32_t slotUsage;
    uint32_t loanToOldSlots;
    uint32_t avgSlotMax;
    uint32_t slotMax;
    uint64_t currSlot;
    uint32_t tickInSlot;
    uint32_t bTimerActive;
    uint32_t bLastPopWasEmpty;
};
static_assert(sizeof(QorniVolLimiter) == 36);

// Operating-system types of an entry.
enum QorniVolOsType : uint32_t {
    QORNI_VOL_OS__LINUX = 1,
    QORNI_VOL_OS__WINDOWS = 2,
    QORNI_VOL_OS__ESX = 3,
    QORNI_VOL_OS__AIX = 4,
};

struct QorniVolInfoV201 {
    QorniVolInfo base;
    QorniVolLimiter bandwithLbLimit;
    QorniVolLimiter iopsLimiter;
    uint32_t readIoAvgWeight;
    uint32_t readIoAvgOccur;
    uint32_t writeIoAvgWeight;
    uint32_t writeIoAvgOccur;
    uint64_t generationNum;
    uint64_t resetGenerationNum;
    uint32_t bDeleteAComing;
    uint32_t bNotifyOsOnSizeChange;
    int32_t inflightReserves;
    uint32_t bVolInfoNeeded;
    uint32_t bThinProvisioning;
    uint32_t bChecksumActive;
    uint32_t bDirectBufferMapping;
    uint32_t bIgnoreReservation;
    uint8_t reserved2[16];
    uint32_t bResourcesInitialized;
    uint32_t osType;
    uint8_t osPart[20]; // read according to osType
};
static_assert(sizeof(QorniVolInfoV201) == 208);
static_assert(offsetof(QorniVolInfoV201, bandwithLbLimit) == 28);
static_assert(offsetof(QorniVolInfoV201, iopsLimiter) == 64);
static_assert(offsetof(QorniVolInfoV201, readIoAvgWeight) == 100);
static_assert(offsetof(QorniVolInfoV201, generationNum) == 116);
static_assert(offsetof(QorniVolInfoV201, bDeleteAComing) == 132);
static_assert(offsetof(QorniVolInfoV201, inflightReserves) == 140);
static_assert(offsetof(QorniVolInfoV201, bThinProvisioning) == 148);
static_assert(offsetof(QorniVolInfoV201, bIgnoreReservation) == 160);
static_assert(offsetof(QorniVolInfoV201, bResourcesInitialized) == 180);
static_assert(offsetof(QorniVolInfoV201, osType) == 184);
static_assert(offsetof(QorniVolInfoV201, osPart) == 188);

// Offsets of the operating-system part's fields within osPart.
struct QorniVolOsLinux {
    int32_t devUsers, inflightReads, inflightWrites, splits, splitFailAlloc;
};
static_assert(sizeof(QorniVolOsLinux) == 20);
struct QorniVolOsEsx {
    uint64_t sizeLb; // also the whole of the Windows part
    int32_t targetID, lunID, qDepth;
};
static_assert(sizeof(QorniVolOsEsx) == 20);

struct QorniVolInfoV300 {
    QorniVolInfoV201 v201;
    int32_t blkDevRefCnt;
    int32_t inflightIORefCnt;
    uint64_t lunId;
    uint64_t scsiId;
    int32_t numScsiStart;
    int32_t bIsDiagState;
    int32_t bIsSingleMode;
    int32_t bRetainReservation;
    int32_t bIsReserved;
    int32_t bIsPreventReservation;
    int32_t bIsInMiddleOfReservation;
    int32_t bIsInMiddleOfRelease;
};
static_assert(sizeof(QorniVolInfoV300) == 264);
static_assert(offsetof(QorniVolInfoV300, blkDevRefCnt) == 208);
static_assert(offsetof(QorniVolInfoV300, lunId) == 216);
static_assert(offsetof(QorniVolInfoV300, scsiId) == 224);
static_assert(offsetof(QorniVolInfoV300, numScsiStart) == 232);
static_assert(offsetof(QorniVolInfoV300, bIsInMiddleOfRelease) == 260);

#pragma pack(pop)

// Handlers of QUERY_VOLS at slots v2.00, v2.01, v3.00; extended is 1 with
// --tech. A driver failure comes back unchanged; a reply that cannot hold
// what it announces is MOS_RC__SDC_IOCTL_ERROR.
[[nodiscard]] MOS_RC queryVolumesV200(uint32_t extended);
[[nodiscard]] MOS_RC queryVolumesV201(uint32_t extended);
[[nodiscard]] MOS_RC queryVolumesV300(uint32_t extended);

// The printers of one entry (pEntry may be unaligned).
void queryVolumes_PrintDevInfoLegacy(const uint8_t *pEntry, uint32_t extended);
void queryVolumes_PrintDevInfoV201(const uint8_t *pEntry, uint32_t extended);
void queryVolumes_PrintDevInfoV300(const uint8_t *pEntry, uint32_t extended);

// One version of the volume query.
struct QorniVolQuery {
    uint32_t code;
    const char *pRequestName;
    size_t entrySize;
    void (*pPrint)(const uint8_t *pEntry, uint32_t extended);
};
extern const QorniVolQuery queryVolumes_V200;
extern const QorniVolQuery queryVolumes_V201;
extern const QorniVolQuery queryVolumes_V300;

// The largest capacity whose record still fits one I/O control.
[[nodiscard]] uint64_t queryVolumes_MaxCapacity(const QorniVolQuery &query);

// Handles one reply to a query of the given capacity: pRecord is the
// whole record sent (header and capacity entries), rc the send's result
// and recordReturned the record bytes the driver wrote (at most the
// record's size). Returns the
// driver's failure unchanged; with MOS_RC__SUCCESS either *pGrowTo is 0
// and the volumes were printed, or *pGrowTo is the larger capacity to ask
// for again. A reply too short for the count or for the entries it
// announces, or with a count no reply can hold, is a failure and prints
// nothing.
[[nodiscard]] MOS_RC queryVolumes_HandleReply(const QorniVolQuery &query, MOS_RC rc,
                                              const uint8_t *pRecord, size_t recordReturned,
                                              uint64_t capacity, uint32_t extended,
                                              uint64_t *pGrowTo);
