// PE and VVol queries of kmodctl: one fixed-capacity query each (256 PEs,
// 8192 VVols); a larger count is an invalid reply.
#pragma once

#include "mos_rc.h"
#include "qorni_protocol.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint64_t QORNI_MAX_PES = 256;
inline constexpr uint64_t QORNI_MAX_VVOLS = 8192;

#pragma pack(push, 1)

struct QorniPeInfo {
    uint64_t peId[2];
    uint64_t targetNum;
    uint64_t lunNum;
    uint64_t numVVols;
};
static_assert(sizeof(QorniPeInfo) == 40);
static_assert(offsetof(QorniPeInfo, targetNum) == 16);

// A list of fixed capacity N: count in: N; out: the driver's count.
template <typename Entry, uint64_t N> struct QorniFixedList {
    QorniCmdRecordHeader hdr;
    uint64_t count;
    Entry entries[N];
};

// QUERY_PEs.
using QorniPeListRecord = QorniFixedList<QorniPeInfo, QORNI_MAX_PES>;
static_assert(sizeof(QorniPeListRecord) == 10256);
static_assert(offsetof(QorniPeListRecord, count) == 8);
static_assert(offsetof(QorniPeListRecord, entries) == 16);

struct QorniVvolInfo {
    uint64_t peIdFirst;
    uint64_t vvolId;
    uint64_t peIdSecond;
    uint64_t targetNum;
    uint64_t lunNum;
    uint8_t reserved[16];
    uint64_t blockNum;
    uint64_t inflight;
    uint64_t bThinProvisioning;
    uint64_t bChecksumActive;
};
static_assert(sizeof(QorniVvolInfo) == 88);
static_assert(offsetof(QorniVvolInfo, blockNum) == 56);
static_assert(offsetof(QorniVvolInfo, bChecksumActive) == 80);

// QUERY_VVols.
using QorniVvolListRecord = QorniFixedList<QorniVvolInfo, QORNI_MAX_VVOLS>;
static_assert(sizeof(QorniVvolListRecord) == 720912);
static_assert(offsetof(QorniVvolListRecord, entries) == 16);

#pragma pack(pop)

[[nodiscard]] MOS_RC queryPesV200();
[[nodiscard]] MOS_RC queryVvolsV200();

// Print checked entries (count at most the fixed capacity).
void queryPes_Print(const QorniPeInfo *pPes, uint64_t count);
void queryVvols_Print(const QorniVvolInfo *pVvols, uint64_t count);
