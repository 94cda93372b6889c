// Oscillation counters: each watches one kind of recurring failure (often
// towards one peer) over a short, a medium and a long window, and counts
// as an oscillation a window in which failures reach its threshold. There
// are 34 kinds, one object type each (111 to 144); kinds 1 to 25 are net
// counters and carry the peer's address and a remote object id.
#pragma once

#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

enum MosOscCntType : uint32_t {
    MOS_OSC_CNT_TYPE__INVALID = 0,
#define MOS_OSC_CNT(counterType, objTypeId, name) MOS_OSC_CNT_TYPE__##name = counterType,
#include "mos_osc_counters.def"
#undef MOS_OSC_CNT
    MOS_OSC_CNT_TYPE__LAST
};
static_assert(MOS_OSC_CNT_TYPE__LAST == 35);

inline constexpr uint32_t MOS_OSC_CNT_LAST_NET_TYPE = 25;

#pragma pack(push, 1)
// One window as the debug port shows it (52 bytes).
struct MosOscCntWindowQuery {
    uint32_t threshold;
    uint32_t windowSizeInSec; // 0: window unused, every other field zero
    uint32_t lastOscillationCount;
    uint64_t lastOscillationTime; // milliseconds
    uint8_t reserved1[8];
    uint32_t maxFailuresCount;
    uint64_t maxFailuresTime; // milliseconds
    uint8_t reserved2[8];
    uint32_t last;
};
struct MosOscCntEntry {
    char addrStr[64];     // net counters only
    uint64_t remoteObjId; // net counters only
    uint32_t shortWindowCurrentCount;
    uint32_t mediumWindowCurrentCount;
    uint32_t longWindowCurrentCount;
    MosOscCntWindowQuery shortWindow;
    MosOscCntWindowQuery mediumWindow;
    MosOscCntWindowQuery longWindow;
};
#pragma pack(pop)
static_assert(sizeof(MosOscCntWindowQuery) == 52);
static_assert(offsetof(MosOscCntWindowQuery, lastOscillationTime) == 12);
static_assert(offsetof(MosOscCntWindowQuery, maxFailuresCount) == 28);
static_assert(offsetof(MosOscCntWindowQuery, maxFailuresTime) == 32);
static_assert(offsetof(MosOscCntWindowQuery, last) == 48);
static_assert(sizeof(MosOscCntEntry) == 240);
static_assert(offsetof(MosOscCntEntry, shortWindowCurrentCount) == 72);
static_assert(offsetof(MosOscCntEntry, shortWindow) == 84);
static_assert(offsetof(MosOscCntEntry, mediumWindow) == 136);
static_assert(offsetof(MosOscCntEntry, longWindow) == 188);

// One window as its counter keeps it; times and size in ticks.
struct MosOscCntWindow {
    uint32_t threshold;
    uint64_t windowSizeTicks;
    uint32_t lastOscillationCount;
    uint64_t lastOscillationTick;
    uint32_t maxFailuresCount;
    uint64_t maxFailuresTick;
    uint32_t last;
    uint32_t currentCount; // failures in the running window
    uint64_t windowStartTick;
};

enum : uint32_t { MOS_OSC_WIN_SHORT = 0, MOS_OSC_WIN_MEDIUM = 1, MOS_OSC_WIN_LONG = 2 };

// A counter; memory owned by the module that watches the failure.
struct MosOscCnt {
    MosObjEntry objEntry; // listed under its kind's object type
    uint32_t counterType;
    char addrStr[64]; // the peer, as text (net counters)
    uint64_t remoteObjId;
    MosOscCntWindow windows[3];
};

typedef void (*MosOscCntFailureNotifyCK)(MosOscCnt *pCnt);

// Layer: the 34 object types, in counter-type order (query size 240).
[[nodiscard]] MOS_RC mosOscCntLayer_Init(void *pUnused);
// Every failure-notification slot must be empty.
void mosOscCntLayer_Destroy();

// True for the net counter types 1 to 25; false for 0 and 26 to 34; any
// other value traces "Received an invalid counter type %u" and is false.
bool mosOscCnt_IsNetCounter(uint32_t counterType);
// Object type id of a counter type (0 for an invalid one).
uint32_t mosOscCnt_ObjTypeId(uint32_t counterType);

// Prepares a counter of a kind with its three windows (size in seconds,
// 0: unused; threshold: failures per window that make an oscillation).
void mosOscCnt_Init(MosOscCnt *pCnt, uint32_t counterType, const uint32_t windowSizeSec[3],
                    const uint32_t threshold[3]);

// Counts one failure at the current tick in every used window. A window
// whose time ran out starts afresh first. Reaching the threshold is an
// oscillation: recorded, and the kind's notification callback (if any)
// runs once per window that reached it.
void mosOscCnt_NotifyFailure(MosOscCnt *pCnt);

// Lists and unlists a counter under its kind (the layer must be up).
void mosOscCnt_Register(MosOscCnt *pCnt, const char *pName);
void mosOscCnt_Unregister(MosOscCnt *pCnt);

void mosOscCnt_FillWindowQuery(const MosOscCntWindow *pWindow, MosOscCntWindowQuery *pQuery);
void mosOscCnt_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Failure-notification callback slot of a counter type (1 to 34).
void mosOscCnt_SetFailureNotifyCK(uint32_t counterType, MosOscCntFailureNotifyCK pCK);
