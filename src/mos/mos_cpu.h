// The processor's identification, read once at start-up.
#pragma once

#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

struct MosCpuIdRegs {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
};

struct MosCpuInfo {
    char vendor[13];           // CPUID leaf 0: ebx, edx, ecx
    char hypervisorVendor[13]; // CPUID leaf 0x40000000: ebx, ecx, edx
    MosCpuIdRegs hypervisorLeaf;
    MosCpuIdRegs processorInfoAndFeatureBits; // CPUID leaf 1
};

// The debug port's record of the one "Mos CPU" object (type 3).
#pragma pack(push, 1)
struct MosCpuLayer_Query {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
    uint32_t bIsAvailPCLMULQDQ;
    uint32_t bIsAvailSSE42;
    uint32_t bIsAvailAES;
    uint32_t bIsAvailAVX;
    uint32_t bIsAvailHypervisor;
};
#pragma pack(pop)
static_assert(sizeof(MosCpuLayer_Query) == 36);
static_assert(offsetof(MosCpuLayer_Query, bIsAvailPCLMULQDQ) == 16);
static_assert(offsetof(MosCpuLayer_Query, bIsAvailHypervisor) == 32);

inline constexpr uint32_t MOS_OBJ_TYPE_CPU = 3;

// Reads CPUID leaves 0, 0x40000000 and 1 into the process-wide record and
// traces the hypervisor leaf's registers.
[[nodiscard]] MOS_RC mosCpu_Init(void *pUnused);

// The vendor texts (12 characters and a NUL) of CPUID leaf 0 (ebx, edx,
// ecx) and of the hypervisor leaf 0x40000000 (ebx, ecx, edx).
void mosCpu_VendorText(const MosCpuIdRegs &leaf0, char text[13]);
void mosCpu_HypervisorVendorText(const MosCpuIdRegs &leaf, char text[13]);

// The record mosCpu_Init filled (all zero before it ran).
const MosCpuInfo &mosCpu_Info();

// Layer: object type 3 (query size 36) and its one object "Mos CPU".
[[nodiscard]] MOS_RC mosCpuLayer_Init(void *pUnused);
void mosCpuLayer_Destroy();
void mosCpu_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Fills the query record from leaf 1.
void mosCpu_FillQuery(const MosCpuIdRegs &leaf1, MosCpuLayer_Query *pQuery);

// Feature bits of CPUID leaf 1 ecx.
inline bool mosCpu_HasPclmul(const MosCpuIdRegs &leaf1) {
    return (leaf1.ecx >> 1) & 1;
}
inline bool mosCpu_HasSse42(const MosCpuIdRegs &leaf1) {
    return (leaf1.ecx >> 20) & 1;
}
