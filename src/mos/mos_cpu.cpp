// CPUID is an instruction, not an operating-system call: the same code
// serves both targets.
#include "mos_cpu.h"

#include <cpuid.h>

#include <cstring>

namespace {

MosCpuInfo cpuInfo_G;

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
