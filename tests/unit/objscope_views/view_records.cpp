// The records the expected-output test prints every view from; see
// view_records.h.

#include "view_records.h"

#include "sdbg_view_table.h"
#include "sdbg_wires.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

using namespace sdbg_wire;

namespace {

bool IsInteger(Sdbg_FieldKind kind) {
    return kind != Sdbg_FieldKind::Text && kind != Sdbg_FieldKind::Record &&
           kind != Sdbg_FieldKind::F64;
}

void PutLe(uint8_t *p, uint64_t value, uint32_t width) {
    for (uint32_t b = 0; b < width; ++b) {
        p[b] = static_cast<uint8_t>(value >> (8 * b));
    }
}

// A number of the width that reads as its offset in decimal and has its
// top bit set.
uint64_t OffsetValue(uint32_t offset, uint32_t width) {
    switch (width) {
        case 1:
            return 0x80u | (offset & 0x7Fu);
        case 2:
            return offset < 25000 ? 40000u + offset : 0x8000u | (offset & 0x7FFFu);
        case 4:
            return 3000000000ull + offset;
        default:
            return 10000000000000000000ull + offset;
    }
}

// The field at offset (size bytes, of kind) made to tell its offset.
void MarkField(uint8_t *pWire, uint32_t offset, uint32_t size, Sdbg_FieldKind kind) {
    uint8_t *pField = pWire + offset;
    if (kind == Sdbg_FieldKind::F64) {
        const double value = 3000000000.0 + offset + 0.25;
        std::memcpy(pField, &value, sizeof(value));
    } else if (kind == Sdbg_FieldKind::Text) {
        char text[16];
        int length = mos_Snprintf(text, sizeof(text), "s%u", offset);
        std::memcpy(pField, text, std::min<uint32_t>(static_cast<uint32_t>(length) + 1, size));
    } else if (IsInteger(kind)) {
        PutLe(pField, OffsetValue(offset, size), size);
    }
}

// An IPv4 address 10.0.x.y and a port that both tell the offset.
void MarkAddress(uint8_t *pWire, uint32_t offset) {
    NetAddress address{};
    address.address[0] = 10;
    address.address[2] = static_cast<uint8_t>(offset >> 8);
    address.address[3] = static_cast<uint8_t>(offset);
    address.type = NET_ADDRESS_TYPE__IPV4;
    address.port = static_cast<uint16_t>(OffsetValue(offset, 2));
    std::memcpy(pWire + offset, &address, sizeof(address));
}

// Members named by their wire struct, marked or set (a count) as a row of
// their kind would be.
#define MARK_AT(base, Wire, member)                                                                \
    MarkField(pWire, (base) + static_cast<uint32_t>(offsetof(Wire, member)),                       \
              static_cast<uint32_t>(sizeof(SDBG_MEMBER_TYPE(Wire, member))),                       \
              Sdbg_KindOf<SDBG_MEMBER_TYPE(Wire, member)>())
#define MARK(Wire, member) MARK_AT(0, Wire, member)
#define SET_AT(base, Wire, member, value)                                                          \
    PutLe(pWire + (base) + offsetof(Wire, member), value,                                          \
          static_cast<uint32_t>(sizeof(SDBG_MEMBER_TYPE(Wire, member))))
#define SET(Wire, member, value) SET_AT(0, Wire, member, value)

// Lists of nested records get this many entries filled; counts say 2, so
// the entry after the last counted one is filled too and must not show.
constexpr uint32_t kListEntries = 3;
constexpr uint32_t kListCount = 2;

// ---- records the statistics printers read ----

void FillBwc(uint8_t *pWire, uint32_t base) {
    MARK_AT(base, Sdbg_BwcRecord, count);
    MARK_AT(base, Sdbg_BwcRecord, total);
    MARK_AT(base, Sdbg_BwcRecord, max);
    MARK_AT(base, Sdbg_BwcRecord, min);
    MARK_AT(base, Sdbg_BwcRecord, windowSeconds);
}

void FillAvgEvent8(uint8_t *pWire, uint32_t base) {
    MARK_AT(base, Sdbg_AvgEvent8Record, count);
    MARK_AT(base, Sdbg_AvgEvent8Record, total);
    MARK_AT(base, Sdbg_AvgEvent8Record, windowCount);
}

void FillSampleStats(uint8_t *pWire, uint32_t base) {
    using S = Sdbg_SampleStatsRecord;
    MARK_AT(base, S, samples);
    MARK_AT(base, S, max);
    MARK_AT(base, S, overflows);
    MARK_AT(base, S, sumOfSquares);
    MARK_AT(base, S, total);
    MARK_AT(base, S, discards);
    MARK_AT(base, S, limit);
}

void FillSlotThrottle(uint8_t *pWire, uint32_t base) {
    using S = Sdbg_SlotThrottleRecord;
    MARK_AT(base, S, curSlot);
    MARK_AT(base, S, waiters);
    MARK_AT(base, S, slotUsage);
    MARK_AT(base, S, dynTokens);
    MARK_AT(base, S, loanUsage);
    MARK_AT(base, S, avgPerSlot);
    MARK_AT(base, S, slotMax);
    MARK_AT(base, S, slotTicks);
}

// A distribution of kListCount buckets (kListEntries filled).
void FillDistribution(uint8_t *pWire, uint32_t base) {
    using D = Sdbg_DistributionRecord;
    SET_AT(base, D, bucketCount, kListCount);
    MARK_AT(base, D, samples);
    MARK_AT(base, D, min);
    MARK_AT(base, D, max);
    MARK_AT(base, D, expectedMin);
    MARK_AT(base, D, expectedMax);
    MARK_AT(base, D, outOfRange);
    for (uint32_t i = 0; i < kListEntries; ++i) {
        const uint32_t bucket =
            base + static_cast<uint32_t>(offsetof(D, buckets) + i * sizeof(Sdbg_HistogramBucket));
        MARK_AT(bucket, Sdbg_HistogramBucket, lowBound);
        MARK_AT(bucket, Sdbg_HistogramBucket, highBound);
        MARK_AT(bucket, Sdbg_HistogramBucket, count);
    }
}

void FillPerfStage(uint8_t *pWire, uint32_t base) {
    using S = Sdbg_PerfStageRecord;
    FillDistribution(pWire, base + offsetof(S, histogram));
    FillSampleStats(pWire, base + offsetof(S, stats));
    MARK_AT(base, S, name);
    MARK_AT(base, S, samplesStarted);
    MARK_AT(base, S, samplesFinished);
}

void FillPerfStack(uint8_t *pWire, uint32_t base) {
    using S = MosPerfStack_Query;
    SET_AT(base, S, numStages, kListCount);
    for (uint32_t i = 0; i < kListEntries; ++i) {
        FillPerfStage(pWire, base + static_cast<uint32_t>(offsetof(S, stages) +
                                                          i * sizeof(Sdbg_PerfStageRecord)));
    }
    FillPerfStage(pWire, base + offsetof(S, totalStage));
    FillSampleStats(pWire, base + offsetof(S, ctxSwitchStat));
    MARK_AT(base, S, contextDescription);
}

// ---- the rows of a view table ----

// The rows of table over the record at wire offset base.
void FillRows(const Sdbg_ViewTable &table, uint8_t *pWire, uint32_t base) {
    for (uint32_t r = 0; r < table.rowCount; ++r) {
        const Sdbg_ViewRow &row = table.pRows[r];
        const uint32_t offset = base + row.offset;
        if (row.pNested != nullptr) {
            const Sdbg_ViewTable &nested = *row.pNested;
            const uint32_t entries = row.size / nested.wireSize;
            if (entries > 1) {
                std::memset(pWire + offset, 0, row.size);
            }
            for (uint32_t i = 0; i < entries && i < kListEntries; ++i) {
                FillRows(nested, pWire, offset + i * nested.wireSize);
            }
        } else if (row.format == Sdbg_Format::Count) {
            PutLe(pWire + offset, kListCount, row.size);
        } else if (row.format == Sdbg_Format::NetAddr) {
            MarkAddress(pWire, offset);
        } else if (row.format == Sdbg_Format::Bwc || row.format == Sdbg_Format::LatencyBwc ||
                   row.format == Sdbg_Format::AvgEvent) {
            FillBwc(pWire, offset);
        } else if (row.format == Sdbg_Format::AvgEvent8) {
            FillAvgEvent8(pWire, offset);
        } else if (row.format == Sdbg_Format::SampleStats) {
            FillSampleStats(pWire, offset);
        } else if (row.format == Sdbg_Format::SlotThrottle) {
            FillSlotThrottle(pWire, offset);
        } else if (row.format == Sdbg_Format::PerfStage) {
            FillPerfStage(pWire, offset);
        } else if (row.format == Sdbg_Format::Hook && row.kind == Sdbg_FieldKind::Record) {
            // A record only its hook knows: most are arrays of u32.
            for (uint32_t word = 0; word + 4 <= row.size; word += 4) {
                MarkField(pWire, offset + word, 4, Sdbg_FieldKind::U32);
            }
        } else {
            MarkField(pWire, offset, row.size, row.kind);
        }
    }
}

// ---- fixtures: lists, names and records that only a hook knows ----

void FillLockStats(uint8_t *pWire) {
    using A = MosLockStatsAvgMax_Query;
    for (size_t record : {offsetof(_MosLockStats_Query, locksHeldOnAcquire),
                          offsetof(_MosLockStats_Query, waitersOnRelease),
                          offsetof(_MosLockStats_Query, waitTimeNanos),
                          offsetof(_MosLockStats_Query, holdTimeNanos)}) {
        const uint32_t base = static_cast<uint32_t>(record);
        MARK_AT(base, A, avgCount);
        MARK_AT(base, A, overflows);
        MARK_AT(base, A, maxCount);
        SET_AT(base, A, numBtSymbols, kListCount);
        for (uint32_t i = 0; i < kListEntries; ++i) {
            MARK_AT(base + i * sizeof(A::btSymArr[0]), A, btSymArr[0]);
        }
    }
}

void FillNetPerf(uint8_t *pWire) {
    using T = NetPerfTimeArray;
    const uint32_t base = offsetof(_NetPerfTestSum, timeArray);
    for (uint32_t i = 0; i < kListCount; ++i) {
        MARK_AT(base + i * 8, T, sum[0]);
        MARK_AT(base + i * 8, T, max[0]);
        MARK_AT(base + i * 8, T, lastTotal[0]);
        MARK_AT(base + i * 8, T, last[0]);
        MARK_AT(base + i * 4, T, numSamples[0]);
    }
    // The check points end at the first without a sum.
    SET_AT(base + kListCount * 8, T, sum[0], 0);
}

void FillNetCon(uint8_t *pWire) {
    for (uint32_t i = 0; i < kListEntries; ++i) {
        MARK_AT(i * NET_CON_HOST_NAME_SIZE, _NetConQuery, peerHostNames[0]);
    }
}

void FillNetChan(uint8_t *pWire) {
    using T = NetChanThrottler_Query;
    const uint32_t base = offsetof(NetChan_Query, throttler);
    SET_AT(base, T, volGroupsCurrNum, kListCount);
    for (uint32_t i = 0; i < kListEntries; ++i) {
        const uint32_t group =
            base + static_cast<uint32_t>(offsetof(T, volGroups) + i * sizeof(NetChanVolGroup));
        MARK_AT(group, NetChanVolGroup, volGroupId);
        MARK_AT(group, NetChanVolGroup, inflightReqs);
        MARK_AT(group, NetChanVolGroup, inflightMBs);
        MARK_AT(group, NetChanVolGroup, pendingReqs);
        MARK_AT(group, NetChanVolGroup, pendingMBs);
        MARK_AT(group, NetChanVolGroup, inflightReqLimit);
        MARK_AT(group, NetChanVolGroup, inflightMBLimit);
        MARK_AT(group, NetChanVolGroup, reqAsk);
        MARK_AT(group, NetChanVolGroup, mbAsk);
        MARK_AT(group, NetChanVolGroup, waitersNum);
    }
}

void FillSnapshotPolicy(uint8_t *pWire) {
    using V = SnapshotPolicyVolumes;
    const uint32_t base = offsetof(SnapshotPolicy_Query, volumes);
    SET_AT(base, V, numIdsHeld, kListCount);
    for (uint32_t i = 0; i < kListEntries; ++i) {
        MARK_AT(base + i * 8, V, volIds[0]);
    }
}

void FillUmtClass(uint8_t *pWire) {
    MARK(MosUmtClassQuery, counter.name);
    MARK(MosUmtClassQuery, counter.value);
    MARK(MosUmtClassQuery, statsEntries[0].name);
    MARK(MosUmtClassQuery, statsEntries[1].name);
    FillSampleStats(pWire, offsetof(MosUmtClassQuery, statsEntries[0].stats));
    FillSampleStats(pWire, offsetof(MosUmtClassQuery, statsEntries[1].stats));
}

void FillBundle(uint8_t *pWire) {
    using B = _MosXmti_BundleQuery;
    SET(B, numContainedBundles, kListCount);
    SET(B, numDetours, kListCount);
    for (uint32_t i = 0; i < kListEntries; ++i) {
        MARK_AT(i * sizeof(B::containedBundleNames[0]), B, containedBundleNames[0]);
        MARK_AT(i * sizeof(B::detourFuncNames[0]), B, detourFuncNames[0]);
    }
}

void FillPerfContainer(uint8_t *pWire) {
    using C = PerfContainerStacks;
    const uint32_t base = offsetof(_PerfContainerQuery, stacks);
    // Stack 1 alone is valid: the listing skips stack 0.
    std::memset(pWire + base + offsetof(C, validFlags), 0, sizeof(C::validFlags));
    SET_AT(base, C, validFlags[1], 1);
    FillPerfStack(pWire,
                  base + static_cast<uint32_t>(offsetof(C, stacks) + sizeof(MosPerfStack_Query)));
}

// The distributions of the device statistics, at their wire offsets.
void FillSpefDevice(uint8_t *pWire) {
    for (uint32_t offset :
         {1039u, 209u, 9546u, 5950u, 6770u, 7906u, 8726u, 5033u, 3317u, 4137u, 2425u}) {
        FillDistribution(pWire, offset);
    }
}

void FillChangeLog(uint8_t *pWire) {
    FillDistribution(pWire, offsetof(_SpefChangeLogQuery, changelogSetUtilizationPercentageHist));
}

void FillNvHash(uint8_t *pWire) {
    FillDistribution(pWire, offsetof(_NvHashQuery, bucketOccupancyHist));
}

void FillPerfStackObject(uint8_t *pWire) {
    FillPerfStack(pWire, 0);
}

// The u64 counters of every I/O class of a device file.
void FillFileIoCounters(uint8_t *pWire) {
    using C = FileIoClassCounters;
    for (uint32_t i = 0; i < kFileIoClasses; ++i) {
        const uint32_t base =
            static_cast<uint32_t>(offsetof(_FileQuery, ioCounters) + i * sizeof(C));
        MARK_AT(base, C, writes);
        MARK_AT(base, C, reads);
        MARK_AT(base, C, writeErrors);
        MARK_AT(base, C, readErrors);
        MARK_AT(base, C, writeLbs);
        MARK_AT(base, C, readLbs);
    }
}

void FillVtreeDurations(uint8_t *pWire) {
    for (uint32_t i = 0; i < kListEntries; ++i) {
        MARK_AT(i * 8, _VtreeQuery, lastRenameScanDurationsSec[0]);
        MARK_AT(i * 8, _VtreeQuery, lastRenameOverallDurationsSec[0]);
    }
}

void FillSpefInstance(uint8_t *pWire) {
    using D = SpefInstanceDiagnosticsInfo_Debug;
    const uint32_t base = offsetof(_SpefInstanceQuery, diagnostics);
    for (uint32_t i = 0; i < 2; ++i) {
        MARK_AT(base + i * 8, D, avgProcessingLatencyForCompressedEntriesInUsec[0]);
        MARK_AT(base + i * 8, D, avgProcessingLatencyForNonCompressedEntriesInUsec[0]);
        MARK_AT(base + i * 8, D, avgProcessingLatencyForDecompressionInUsec[0]);
    }
    MARK_AT(base, D, cugMempoolErrorCnt);
    MARK_AT(base, D, invalidParametersErrorCnt);
    MARK_AT(base, D, inflightChecksumMismatchErrorCnt);
    MARK_AT(base, D, allocatedShmBs);
}

struct Fixture {
    uint32_t typeId;
    void (*fill)(uint8_t *pWire);
};

constexpr Fixture kFixtures[] = {
    {6, FillLockStats},       {18, FillNetPerf},        {22, FillNetCon},
    {51, FillFileIoCounters}, {54, FillVtreeDurations}, {68, FillSnapshotPolicy},
    {72, FillNetChan},        {145, FillUmtClass},      {151, FillPerfStackObject},
    {165, FillPerfContainer}, {166, FillSpefDevice},    {167, FillSpefInstance},
    {170, FillChangeLog},     {173, FillBundle},        {175, FillNvHash},
};

#undef MARK_AT
#undef MARK
#undef SET_AT
#undef SET

} // namespace

void viewsexpected::FillOffsets(uint32_t typeId, uint8_t *pWire, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) {
        pWire[i] = static_cast<uint8_t>(0x80u | ((i * 2654435761u) >> 25));
    }
    FillRows(*Sdbg_FindViewTable(typeId), pWire, 0);
    for (const Fixture &fixture : kFixtures) {
        if (fixture.typeId == typeId) {
            fixture.fill(pWire);
        }
    }
}
