// The timer request record alone, for records that embed one (the
// user-mode thread) without pulling in the timer layer's header.
#pragma once

#include "mos_list.h"

#include <cstdint>

enum : uint32_t {
    MOS_TIMER_REQ_STATE__IDLE = 0x11223344,
    MOS_TIMER_REQ_STATE__ACTIVE = 0x7FADACEB,
};

struct MosTimerReq;
typedef void (*MosTimerCK)(MosTimerReq *pReq);

// A request; memory owned by the caller. Armed at most once at a time; the
// callback runs on the poll thread with the request idle again, so it may
// re-arm it.
struct MosTimerReq {
    struct {
        MosListNode node;
    } asyncObj;
    MosTimerCK pCK;
    uint64_t expiry; // ticks
    uint32_t state;
    uint16_t qSetId; // written when armed; 0 before
    uint16_t qId;
};
