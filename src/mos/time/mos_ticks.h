// Time in ticks from one replaceable tick source, conversions between
// ticks and milliseconds, and comparisons of tick values that may wrap.
// On this platform one tick is one millisecond (factor 1, no fixed point).
#pragma once

#include "mos_rc.h"

#include <cstdint>

typedef uint64_t (*MosTickSourceFn)();

// Tick settings: a slice of the initialisation-parameter block.
struct MosTicksParams {
    uint32_t platformWord; // handed to a step that does nothing here
    uint32_t use_real_thread_ticks;
};

struct MosTicksLayer {
    MosTickSourceFn pTickSource;
    uint64_t factor; // 0 while the layer is down
    uint32_t bShift; // factor is 32.32 fixed point
};

extern MosTicksLayer mosTicksLayer_G;

// Selects the tick source (the calling thread's user time when
// use_real_thread_ticks is set, else the system tick count) and the rate.
[[nodiscard]] MOS_RC mosTicksLayer_Init(void *pParams);
void mosTicksLayer_Destroy();

uint64_t mosTicks_GetCurrent();

// The calling thread's user-mode processor time in milliseconds, rounded
// up. A failure to read it is a broken invariant.
uint64_t mosTicks_GetCurrentUsrRunThreadTick();

// Milliseconds from startTick to the current system tick count; a
// non-zero distance never gives 0.
uint64_t mosTicks_MillisSince(uint64_t startTick);

// Milliseconds (capped at 4,294,967,295) to ticks; non-zero never gives 0.
// The layer must be up.
uint64_t mosTicks_MillisToTicks(uint64_t millis);

// Ticks to milliseconds; non-zero never gives 0.
uint64_t mosTicks_TicksToMillis(uint64_t ticks);

// Circular distance of two values: the shorter way round the 2^64 circle.
uint64_t mosTicks_Distance(uint64_t a, uint64_t b);

// True when a lies strictly after b on the circle (less than 2^63 ahead).
bool mosTicks_IsAfter(uint64_t a, uint64_t b);

bool mosTicks_IsReady();
