// Test hooks: a fixed set of conditions (does a value pass a threshold?)
// and actions (what to do when it does), combined by the product's test
// hooks. Each keeps its own 64-bit parameter in its hook record. Numbers
// and names come from mos_ut.def.
#pragma once

#include <cstdint>

struct MosUtThresh {
    uint64_t param;
};

struct MosUtAction;
typedef uint64_t (*MosUtActionCK)(MosUtAction *pAction, uint64_t arg0, uint64_t arg1,
                                  uint64_t arg2);

struct MosUtAction {
    uint64_t param;
    MosUtActionCK pCK; // for mosUtAction_CallCk
    uint64_t args[3];
};

enum MosUtThreshId : uint32_t {
    MOS_UT_THRESH__NONE = 0,
#define MOS_UT_THRESH(num, name) MOS_UT_THRESH__##name = num,
#include "mos_ut.def"
#undef MOS_UT_THRESH
    MOS_UT_THRESH__INVALID
};

enum MosUtActionId : uint32_t {
    MOS_UT_ACTION__NONE = 0,
#define MOS_UT_ACTION(num, name) MOS_UT_ACTION__##name = num,
#include "mos_ut.def"
#undef MOS_UT_ACTION
    MOS_UT_ACTION__INVALID
};

typedef bool (*MosUtThreshFn)(MosUtThresh *pThresh, uint64_t value);
typedef uint64_t (*MosUtActionFn)(MosUtAction *pAction, void *pUserCtx);

#define MOS_UT_THRESH(num, name) bool mosUtThresh_##name(MosUtThresh *pThresh, uint64_t value);
#define MOS_UT_ACTION(num, name) uint64_t mosUtAction_##name(MosUtAction *pAction, void *pUserCtx);
#include "mos_ut.def"
#undef MOS_UT_THRESH
#undef MOS_UT_ACTION

// Names by number: "None", the functions' names, then "INVALID" for any
// number past the last.
const char *mosUt_ThreshName(uint32_t threshId);
const char *mosUt_ActionName(uint32_t actionId);
// Functions by number; null for "None" and anything past the last.
MosUtThreshFn mosUt_ThreshFn(uint32_t threshId);
MosUtActionFn mosUt_ActionFn(uint32_t actionId);

// The fields of mosUtAction_ExitOrDelay's parameter.
inline uint64_t mosUt_ExitOrDelayParam(uint32_t exitWeight, uint32_t delayWeight, uint8_t delayMs) {
    return (uint64_t{delayWeight} << 32) | (uint64_t{exitWeight & 0xFFFFFF} << 8) | delayMs;
}
