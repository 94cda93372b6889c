// CPUID is an instruction, not an operating-system call: the same code
// serves both targets.
#include "mos_cpu.h"

#include "mos_trace.h"

#include <cpuid.h>

#include <cstring>

namespace {

MosCpuInfo cpuInfo_G;

struct CpuLayer {
    MosObjType type;
    MosObjEntry obj;
};
CpuLayer cpuLayer_G;

MosCpuIdRegs cpuid(uint32_t leaf) {
    MosCpuIdRegs r{};
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

} // namespace

MOS_RC mosCpu_Init(void * /*pUnused*/) {
    MosCpuIdRegs leaf0 = cpuid(0);
    memcpy(cpuInfo_G.vendor + 0, &leaf0.ebx, 4);
    memcpy(cpuInfo_G.vendor + 4, &leaf0.edx, 4);
    memcpy(cpuInfo_G.vendor + 8, &leaf0.ecx, 4);
    cpuInfo_G.vendor[12] = '\0';
    // Read whether or not a hypervisor is present; without one the leaf
    // holds whatever the processor answers for an unknown leaf.
    cpuInfo_G.hypervisorLeaf = cpuid(0x40000000);
    memcpy(cpuInfo_G.hypervisorVendor + 0, &cpuInfo_G.hypervisorLeaf.ebx, 4);
    memcpy(cpuInfo_G.hypervisorVendor + 4, &cpuInfo_G.hypervisorLeaf.ecx, 4);
    memcpy(cpuInfo_G.hypervisorVendor + 8, &cpuInfo_G.hypervisorLeaf.edx, 4);
    cpuInfo_G.hypervisorVendor[12] = '\0';
    const MosCpuIdRegs &h = cpuInfo_G.hypervisorLeaf;
    MOS_TRACE(MOS_COMP_MOS, 1, "eax=%08x, ebx=%08x, ecx=%08x, edx=%08x", h.eax, h.ebx, h.ecx,
              h.edx);
    cpuInfo_G.processorInfoAndFeatureBits = cpuid(1);
    return MOS_RC__SUCCESS;
}

const MosCpuInfo &mosCpu_Info() {
    return cpuInfo_G;
}

void mosCpu_FillQuery(const MosCpuIdRegs &leaf1, MosCpuLayer_Query *pQuery) {
    pQuery->eax = leaf1.eax;
    pQuery->ebx = leaf1.ebx;
    pQuery->ecx = leaf1.ecx;
    pQuery->edx = leaf1.edx;
    pQuery->bIsAvailPCLMULQDQ = (leaf1.ecx >> 1) & 1;
    pQuery->bIsAvailSSE42 = (leaf1.ecx >> 20) & 1;
    pQuery->bIsAvailAES = (leaf1.ecx >> 25) & 1;
    pQuery->bIsAvailAVX = (leaf1.ecx >> 28) & 1;
    pQuery->bIsAvailHypervisor = (leaf1.ecx >> 31) & 1;
}

void mosCpu_SdbgQuery(MosObjEntry * /*pEntry*/, const char * /*pName*/, void *pBuf) {
    mosCpu_FillQuery(cpuInfo_G.processorInfoAndFeatureBits, static_cast<MosCpuLayer_Query *>(pBuf));
}

MOS_RC mosCpuLayer_Init(void * /*pUnused*/) {
    cpuLayer_G.type = MosObjType{};
    cpuLayer_G.obj = MosObjEntry{};
    mosObjType_RegObjType(&cpuLayer_G.type, mosCpu_SdbgQuery, nullptr, MOS_OBJ_TYPE_CPU,
                          sizeof(MosCpuLayer_Query));
    mosObjType_RegObj(&cpuLayer_G.type, &cpuLayer_G.obj, "Mos CPU");
    return MOS_RC__SUCCESS;
}

void mosCpuLayer_Destroy() {
    mosObjType_UnregObj(&cpuLayer_G.type, &cpuLayer_G.obj);
    mosObjType_UnregObjType(&cpuLayer_G.type);
}
