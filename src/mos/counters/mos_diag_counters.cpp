// The diagnostic counter table and its three readers.
#include "mos_diag_counters.h"

#include "mos_debug.h"
#include "mos_obj.h"
#include "mos_sys_utils.h"
#include "mos_ticks.h"
#include "mos_trace.h"
#include "os_time.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

struct DiagCounter {
    std::atomic<uint32_t> value;
    uint32_t threshold;
    char component[8];
    char name[32];
    uint64_t extData;
    uint64_t lastCountTick; // 0: never counted
};

DiagCounter counters_G[MOS_DIAG_COUNTER__LAST] = {
#define MOS_DIAG_COUNTER(id, name, kind, thr) {0, thr, #kind, #name, 0, 0},
#include "mos_diag_counters.def"
#undef MOS_DIAG_COUNTER
};

// The nine kinds in the order their object types are registered.
struct DiagKind {
    const char *pName;
    uint32_t typeId;
    MosObjType type;
};
DiagKind kinds_G[] = {
    {"NET", 104, {}},     {"IO", 103, {}},  {"MOS", 102, {}},
    {"INI_DEV", 106, {}}, {"MDM", 105, {}}, {"T10DIF", 107, {}},
    {"CMATRIX", 108, {}}, {"SDS", 109, {}}, {"SPEF", 110, {}},
};

struct DiagCountersLayer {
    bool bActive;
    uint64_t startTick;                       // system tick at layer start: the uptime base
    MosObjEntry objs[MOS_DIAG_COUNTER__LAST]; // by counter id
};
DiagCountersLayer diagCountersLayer_G;

MosObjType *typeOfKind(const char *pComponent) {
    for (DiagKind &k : kinds_G) {
        if (strcmp(k.pName, pComponent) == 0) {
            return &k.type;
        }
    }
    return nullptr;
}

void refreshUpTime() {
    counters_G[MOS_DIAG_COUNTER__SECONDS_FROM_UP_TIME].value.store(
        static_cast<uint32_t>(mosTicks_MillisSince(diagCountersLayer_G.startTick) / 1000),
        std::memory_order_relaxed);
}

void fillEntry(uint32_t id, MosDiagCounterEntry *pEntry) {
    const DiagCounter &c = counters_G[id];
    pEntry->value = c.value.load(std::memory_order_relaxed);
    pEntry->threshold = c.threshold;
    memset(pEntry->component, 0, sizeof pEntry->component);
    memset(pEntry->name, 0, sizeof pEntry->name);
    memcpy(pEntry->component, c.component, strnlen(c.component, sizeof pEntry->component - 1));
    memcpy(pEntry->name, c.name, strnlen(c.name, sizeof pEntry->name - 1));
}

void fillExtEntry(uint32_t id, MosDiagCounterExtEntry *pEntry) {
    fillEntry(id, &pEntry->base);
    const DiagCounter &c = counters_G[id];
    pEntry->countExtData = c.extData;
    pEntry->lastCountTimeMilli = c.lastCountTick == 0 ? 0 : mosTicks_MillisSince(c.lastCountTick);
}

bool isSelected(uint32_t id, const MosDiagCountersQuery &query) {
    const DiagCounter &c = counters_G[id];
    if (query.bOnlyExceeded && c.value.load(std::memory_order_relaxed) <= c.threshold) {
        return false;
    }
    return query.component[0] == '\0' ||
           strncmp(query.component, c.component, sizeof query.component) == 0;
}

} // namespace

void mosDiagCounters_CountAddValExt(uint32_t counter) {
    MOS_ASSERT(counter < MOS_DIAG_COUNTER__LAST);
    counters_G[counter].lastCountTick = osTime_GetTickCount64();
    counters_G[counter].extData = 0xFFFFFFFF;
    counters_G[counter].value.fetch_add(1, std::memory_order_relaxed);
}

uint32_t mosDiagCounters_GetNumOfCounters() {
    return MOS_DIAG_COUNTER__LAST;
}

MOS_RC mosDiagCounters_QueryExt(MosDiagCountersQuery *pQuery, bool bExt) {
    refreshUpTime();
    uint32_t filled = 0;
    for (uint32_t id = 0; id < MOS_DIAG_COUNTER__LAST; id++) {
        if (!isSelected(id, *pQuery)) {
            continue;
        }
        if (filled == pQuery->count) {
            MOS_TRACE(MOS_COMP_MOS, 2, "Given array size (%u) is too small, may need (%u)",
                      pQuery->count, static_cast<uint32_t>(MOS_DIAG_COUNTER__LAST));
            pQuery->count = MOS_DIAG_COUNTER__LAST;
            return MOS_RC__NO_RESOURCES;
        }
        if (bExt) {
            fillExtEntry(id, static_cast<MosDiagCounterExtEntry *>(pQuery->pEntries) + filled);
        } else {
            fillEntry(id, static_cast<MosDiagCounterEntry *>(pQuery->pEntries) + filled);
        }
        filled++;
    }
    pQuery->count = filled;
    return MOS_RC__SUCCESS;
}

namespace {

// Title and prefix are printed only while component MOS traces at all,
// whichever output is chosen.
bool mosCompOn() {
    return mosTraceConf_GetComponentFreq(MOS_COMP_MOS) >= 1;
}

void printPrefix(const char *pPrefix, bool bToTrace) {
    if (pPrefix == nullptr || !mosCompOn()) {
        return;
    }
    if (bToTrace) {
        MOS_TRACE(MOS_COMP_MOS, 1, "%s", pPrefix);
    } else {
        printf("%s", pPrefix);
    }
}

void printHeader(bool bToTrace) {
    if (bToTrace) {
        MOS_TRACE(MOS_COMP_MOS, 1, "%-9s::  %-33s::  %-20s:: %-22s:: %-20s", "Component", "Counter",
                  "Value", "ExtData", "Last Counted(Ms)");
    } else {
        mos_ColorPrintf(0, "%-*s::  %-*s::  %-*s:: %-*s:: %-*s\n", 9, "Component", 33, "Counter",
                        20, "Value", 22, "ExtData", 20, "Last Counted(Ms)");
    }
}

// Entries may come from outside (the client driver's reply): their texts
// are printed from terminated copies, never read past their fields.
template <size_t N> void copyField(char (&dst)[N + 1], const char (&src)[N]) {
    memcpy(dst, src, strnlen(src, N));
    dst[strnlen(src, N)] = '\0';
}

void printRow(const MosDiagCounterExtEntry &e, bool bToTrace) {
    const auto extData = static_cast<unsigned long long>(e.countExtData);
    const auto lastMs = static_cast<unsigned long long>(e.lastCountTimeMilli);
    char component[sizeof e.base.component + 1];
    char name[sizeof e.base.name + 1];
    copyField(component, e.base.component);
    copyField(name, e.base.name);
    if (bToTrace) {
        MOS_TRACE(MOS_COMP_MOS, 1, "%-9s::  %-33s::  %-20u:: 0x%-20llx:: %-20llu", component, name,
                  e.base.value, extData, lastMs);
    } else {
        mos_ColorPrintf(e.base.value > e.base.threshold ? 1 : 0,
                        "%-*s::  %-*s::  %-*u:: 0x%-*llx:: %-*llu\n", 9, component, 33, name, 20,
                        e.base.value, 20, extData, 20, lastMs);
    }
}

} // namespace

void mosDiagCounters_PrintQuery(const MosDiagCountersQuery *pQuery, const char *pTitle,
                                const char *pPrefix, bool bToTrace) {
    if (pTitle != nullptr && mosCompOn()) {
        if (bToTrace) {
            MOS_TRACE(MOS_COMP_MOS, 1, "%s\n", pTitle);
        } else {
            printf("%s\n", pTitle);
        }
        printPrefix(pPrefix, bToTrace);
    }
    printHeader(bToTrace);
    const auto *pEntries = static_cast<const MosDiagCounterExtEntry *>(pQuery->pEntries);
    for (uint32_t i = 0; i < pQuery->count; i++) {
        printPrefix(pPrefix, bToTrace);
        printRow(pEntries[i], bToTrace);
    }
}

void mosDiagCounters_PrintExceeded(bool bToTrace) {
    static MosDiagCounterExtEntry entries[MOS_DIAG_COUNTER__LAST];
    MosDiagCountersQuery query{};
    query.count = MOS_DIAG_COUNTER__LAST;
    query.bOnlyExceeded = 1;
    query.pEntries = entries;
    if (mosDiagCounters_QueryExt(&query, true) == MOS_RC__SUCCESS) {
        mosDiagCounters_PrintQuery(&query, "DIAGNOSTIC COUNTERS", "\t", bToTrace);
    }
}

void mosDiagCounters_SdbgQueryFunc(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    // The entry's place in the array is the counter id.
    const auto idx = static_cast<uint32_t>(pEntry - diagCountersLayer_G.objs);
    MOS_ASSERT(idx < mosDiagCounters_GetNumOfCounters());
    if (idx == MOS_DIAG_COUNTER__SECONDS_FROM_UP_TIME) {
        refreshUpTime();
    }
    fillExtEntry(idx, static_cast<MosDiagCounterExtEntry *>(pBuf));
}

MOS_RC mosDiagCountersLayer_Init(void * /*pUnused*/) {
    diagCountersLayer_G.startTick = osTime_GetTickCount64();
    for (DiagKind &k : kinds_G) {
        k.type = MosObjType{};
        mosObjType_RegObjType(&k.type, mosDiagCounters_SdbgQueryFunc, nullptr, k.typeId,
                              sizeof(MosDiagCounterExtEntry));
    }
    for (uint32_t id = 0; id < MOS_DIAG_COUNTER__LAST; id++) {
        diagCountersLayer_G.objs[id] = MosObjEntry{};
        mosObjType_RegObj(typeOfKind(counters_G[id].component), &diagCountersLayer_G.objs[id],
                          counters_G[id].name);
    }
    diagCountersLayer_G.bActive = true;
    return MOS_RC__SUCCESS;
}

void mosDiagCountersLayer_Destroy() {
    if (!diagCountersLayer_G.bActive) {
        return;
    }
    for (uint32_t id = 0; id < MOS_DIAG_COUNTER__LAST; id++) {
        mosObjType_UnregObj(typeOfKind(counters_G[id].component), &diagCountersLayer_G.objs[id]);
    }
    for (DiagKind &k : kinds_G) {
        mosObjType_UnregObjType(&k.type);
    }
    diagCountersLayer_G.bActive = false;
}

uint32_t mosDiagCounters_GetKindTypeId(const char *pKind) {
    for (const DiagKind &k : kinds_G) {
        if (strcmp(k.pName, pKind) == 0) {
            return k.typeId;
        }
    }
    return 0;
}
