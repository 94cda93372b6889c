#include "mos_ticks.h"

#include "mos_debug.h"
#include "mos_sys_utils.h"
#include "os_time.h"

MosTicksLayer mosTicksLayer_G;

namespace {

constexpr uint64_t kHalfCircle = uint64_t{1} << 63;

uint64_t systemTick() {
    return osTime_GetTickCount64();
}

uint64_t applyFactor(uint64_t ticks) {
    uint64_t millis = ticks * mosTicksLayer_G.factor;
    return mosTicksLayer_G.bShift ? millis >> 32 : millis;
}

} // namespace

MOS_RC mosTicksLayer_Init(void *pParams) {
    mosTicksLayer_G = MosTicksLayer{};
    const auto *pSettings = static_cast<const MosTicksParams *>(pParams);
    bool bThreadTicks = pSettings != nullptr && pSettings->use_real_thread_ticks != 0;
    mosTicksLayer_G.pTickSource = bThreadTicks ? mosTicks_GetCurrentUsrRunThreadTick : systemTick;
    uint64_t factor = 0;
    uint32_t bFixedPoint = 0;
    MOS_RC rc = osTicks_GetRate(&factor, &bFixedPoint);
    mosTicksLayer_G.factor = factor;
    mosTicksLayer_G.bShift = bFixedPoint;
    return rc;
}

void mosTicksLayer_Destroy() {
    if (mosTicksLayer_G.factor != 0) {
        mosTicksLayer_G.factor = 0;
    }
}

uint64_t mosTicks_GetCurrent() {
    return mosTicksLayer_G.pTickSource != nullptr ? mosTicksLayer_G.pTickSource() : systemTick();
}

uint64_t mosTicks_GetCurrentUsrRunThreadTick() {
    uint64_t userTime100ns = 0;
    bool bOk = osTime_GetThreadUserTime(&userTime100ns);
    MOS_ASSERT(bOk);
    // Milliseconds, like every other tick of this platform.
    return (userTime100ns + 9999) / 10000;
}

uint64_t mosTicks_MillisSince(uint64_t startTick) {
    uint64_t distance = mosTicks_Distance(systemTick(), startTick);
    if (distance == 0) {
        return 0;
    }
    uint64_t millis = applyFactor(distance);
    return millis == 0 ? 1 : millis;
}

uint64_t mosTicks_MillisToTicks(uint64_t millis) {
    MOS_ASSERT(mosTicksLayer_G.factor != 0);
    if (millis == 0) {
        return 0;
    }
    uint64_t capped = millis > 0xFFFFFFFFull ? 0xFFFFFFFFull : millis;
    uint64_t scaled = mosTicksLayer_G.bShift ? capped << 32 : capped;
    uint64_t ticks = scaled / mosTicksLayer_G.factor;
    return ticks == 0 ? 1 : ticks;
}

uint64_t mosTicks_TicksToMillis(uint64_t ticks) {
    if (ticks == 0) {
        return 0;
    }
    uint64_t millis = applyFactor(ticks);
    return millis == 0 ? 1 : millis;
}

uint64_t mosTicks_Distance(uint64_t a, uint64_t b) {
    uint64_t forward = b < a ? a - b : b - a;
    return forward < kHalfCircle ? forward : uint64_t{0} - forward;
}

bool mosTicks_IsAfter(uint64_t a, uint64_t b) {
    if (b < a) {
        return a - b < kHalfCircle;
    }
    return b - a >= kHalfCircle;
}

bool mosTicks_IsReady() {
    return mosTicksLayer_G.factor != 0;
}
