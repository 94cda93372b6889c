// Wire records that many query structures embed and the statistics
// printers read. All little-endian and byte-packed, as they arrive from
// the debug port; a view may hand any of them at any byte offset.
#pragma once

#include "mos_net.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Bandwidth counter. As a size counter: count of I/Os and total in 512-byte
// units; as a latency counter: samples and summed latency in microseconds.
struct Sdbg_BwcRecord {
    uint32_t count;
    uint32_t total;
    uint32_t max;
    uint32_t min;
    uint32_t windowSeconds;
};
static_assert(sizeof(Sdbg_BwcRecord) == 20);
static_assert(offsetof(Sdbg_BwcRecord, total) == 4);
static_assert(offsetof(Sdbg_BwcRecord, windowSeconds) == 16);

// Short average record: count and total over a number of windows.
struct Sdbg_AvgEvent8Record {
    uint32_t count;
    uint32_t total;
    uint8_t windowCount;
};
static_assert(sizeof(Sdbg_AvgEvent8Record) == 9);
static_assert(offsetof(Sdbg_AvgEvent8Record, windowCount) == 8);

// Running sample statistics.
struct Sdbg_SampleStatsRecord {
    uint64_t samples;
    uint64_t max;
    uint64_t overflows;
    uint64_t sumOfSquares;
    uint64_t total;
    uint64_t discards;
    uint64_t limit; // not printed
};
static_assert(sizeof(Sdbg_SampleStatsRecord) == 56);
static_assert(offsetof(Sdbg_SampleStatsRecord, sumOfSquares) == 24);
static_assert(offsetof(Sdbg_SampleStatsRecord, discards) == 40);

struct Sdbg_HistogramBucket {
    uint64_t lowBound;
    uint64_t highBound;
    uint64_t count;
};
static_assert(sizeof(Sdbg_HistogramBucket) == 24);

// Distribution (histogram) record; as a time histogram its values are
// performance-counter ticks. bucketCount comes from the remote side and
// may exceed the capacity: readers never go beyond kHistogramBuckets.
inline constexpr uint32_t kHistogramBuckets = 32;
struct Sdbg_DistributionRecord {
    uint32_t bucketCount;
    uint64_t samples; // total valid samples
    uint64_t min;
    uint64_t max;
    uint64_t expectedMin;
    uint64_t expectedMax;
    uint64_t outOfRange; // discarded samples
    Sdbg_HistogramBucket buckets[kHistogramBuckets];
};
static_assert(sizeof(Sdbg_DistributionRecord) == 820);
static_assert(offsetof(Sdbg_DistributionRecord, samples) == 4);
static_assert(offsetof(Sdbg_DistributionRecord, max) == 20);
static_assert(offsetof(Sdbg_DistributionRecord, outOfRange) == 44);
static_assert(offsetof(Sdbg_DistributionRecord, buckets) == 52);

// One stage of a performance stack.
inline constexpr uint32_t kStageNameSize = 64;
struct Sdbg_PerfStageRecord {
    Sdbg_DistributionRecord histogram;
    Sdbg_SampleStatsRecord stats;
    char name[kStageNameSize]; // NUL-terminated within its 64 bytes, or not at all
    uint64_t samplesStarted;
    uint64_t samplesFinished;
};
static_assert(sizeof(Sdbg_PerfStageRecord) == 956);
static_assert(offsetof(Sdbg_PerfStageRecord, stats) == 820);
static_assert(offsetof(Sdbg_PerfStageRecord, name) == 876);

struct Sdbg_SlotThrottleRecord {
    uint64_t curSlot;
    uint32_t waiters;
    uint32_t slotUsage;
    uint32_t dynTokens;
    uint32_t loanUsage;
    uint32_t avgPerSlot;
    uint32_t slotMax;
    uint32_t slotTicks;
    uint32_t reserved; // not printed
};
static_assert(sizeof(Sdbg_SlotThrottleRecord) == 40);
static_assert(offsetof(Sdbg_SlotThrottleRecord, waiters) == 8);
static_assert(offsetof(Sdbg_SlotThrottleRecord, avgPerSlot) == 24);
static_assert(offsetof(Sdbg_SlotThrottleRecord, slotTicks) == 32);

#pragma pack(pop)

// Mean and standard deviation of a statistics record; both 0 without
// samples. A variance that comes out negative (inconsistent remote
// figures) counts as 0, so the deviation is never NaN.
void mosStat_GetAvgAndStdDev(const Sdbg_SampleStatsRecord &stats, double &mean, double &stdDev);

// The port of a runtime-library address (host order).
uint16_t netAddress_GetPort(const NetAddress *pAddr);
