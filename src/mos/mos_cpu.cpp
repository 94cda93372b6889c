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

// Twelve characters from three register words, in the order given.
void vendorText(uint32_t first, uint32_t second, uint32_t third, char text[13]) {
    memcpy(text + 0, &first, 4);
    memcpy(text + 4, &second, 4);
    memcpy(text + 8, &third, 4);
    text[12] = '\0';
}

} // namespace

void mosCpu_VendorText(const MosCpuIdRegs &leaf0, char text[13]) {
    vendorText(leaf0.ebx, leaf0.edx, leaf0.ecx, text);
}

void mosCpu_HypervisorVendorText(const MosCpuIdRegs &leaf, char text[13]) {
    vendorText(leaf.ebx, leaf.ecx, leaf.edx, text);
}

MOS_RC mosCpu_Init(void * /*pUnused*/) {
    mosCpu_VendorText(cpuid(0), cpuInfo_G.vendor);
    // Read whether or not a hypervisor is present; without one the leaf
    // holds whatever the processor answers for an unknown leaf.
    cpuInfo_G.hypervisorLeaf = cpuid(0x40000000);
    mosCpu_HypervisorVendorText(cpuInfo_G.hypervisorLeaf, cpuInfo_G.hypervisorVendor);
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
