#include "mos_cpu.h"

#include "core_layers.h"
#include "mos_t10dif.h"
#include "trace_capture.h"

#include <gtest/gtest.h>

#include <cpuid.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

TEST(CpuTrace, InitTracesTheHypervisorLeaf) {
    mostest::TraceCapture trace;
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    const std::string out = trace.Stop();
    const MosCpuIdRegs &h = mosCpu_Info().hypervisorLeaf;
    char expected[64];
    snprintf(expected, sizeof expected, "eax=%08x, ebx=%08x, ecx=%08x, edx=%08x", h.eax, h.ebx,
             h.ecx, h.edx);
    EXPECT_NE(out.find(expected), std::string::npos) << out;
}

// The register word holding characters [at, at + 4) of a vendor text.
uint32_t wordOf(const char *pText, int at) {
    uint32_t word = 0;
    memcpy(&word, pText + at, 4);
    return word;
}

// Each text is built from its words in its own order; the texts keep
// their length whatever the order, so only their characters show it.
TEST(CpuVendor, TextsTakeTheRegisterWordsInOrder) {
    for (const char *pVendor : {"GenuineIntel", "AuthenticAMD", "HygonGenuine"}) {
        MosCpuIdRegs leaf0{0, wordOf(pVendor, 0), wordOf(pVendor, 8), wordOf(pVendor, 4)};
        char text[13];
        mosCpu_VendorText(leaf0, text);
        EXPECT_STREQ(text, pVendor);
    }
    for (const char *pVendor : {"Microsoft Hv", "VMwareVMware", "KVMKVMKVM\0\0\0"}) {
        MosCpuIdRegs leaf{0, wordOf(pVendor, 0), wordOf(pVendor, 4), wordOf(pVendor, 8)};
        char text[13];
        mosCpu_HypervisorVendorText(leaf, text);
        EXPECT_STREQ(text, pVendor);
    }
}

// The texts of this processor, read again here.
TEST(CpuVendor, InitRecordsThisProcessorsTexts) {
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(0, 0, eax, ebx, ecx, edx);
    char expected[13] = {};
    memcpy(expected + 0, &ebx, 4);
    memcpy(expected + 4, &edx, 4);
    memcpy(expected + 8, &ecx, 4);
    EXPECT_STREQ(mosCpu_Info().vendor, expected);
    __cpuid_count(0x40000000, 0, eax, ebx, ecx, edx);
    memset(expected, 0, sizeof expected);
    memcpy(expected + 0, &ebx, 4);
    memcpy(expected + 4, &ecx, 4);
    memcpy(expected + 8, &edx, 4);
    EXPECT_STREQ(mosCpu_Info().hypervisorVendor, expected);
}

TEST(CpuTrace, T10DifInitTracesTheChosenForm) {
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    mostest::TraceCapture trace;
    ASSERT_EQ(mosT10Dif_Init(nullptr), MOS_RC__SUCCESS);
    const std::string out = trace.Stop();
    const bool bPclmul = mosCpu_HasPclmul(mosCpu_Info().processorInfoAndFeatureBits);
    const char *pExpected =
        bPclmul
            ? "(T10DIF) T10DIF layer using CPU (PCLMUL) acceleration !!!"
            : "(T10DIF) T10DIF layer built with CPU (PCLMUL) acceleration,  using generic impl !!!";
    EXPECT_NE(out.find(pExpected), std::string::npos) << out;
}

TEST(CpuLayer, PublishesOneObjectNamedMosCpu) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosCpu_Init(nullptr), MOS_RC__SUCCESS);
    ASSERT_EQ(mosCpuLayer_Init(nullptr), MOS_RC__SUCCESS);
    MosObjType *pType = mosObjType_GetById(MOS_OBJ_TYPE_CPU);
    ASSERT_NE(pType, nullptr);
    EXPECT_EQ(mosObjType_GetQueryDataSize(pType), 36u);
    EXPECT_EQ(mosObjType_GetNumObjs(pType), 1u);
    MosObjEntry *pObj = mosObjType_EnumStartAtIndex(pType, 0);
    ASSERT_NE(pObj, nullptr);
    mosObjType_EnumEnd(pType);
    EXPECT_STREQ(pObj->pName, "Mos CPU");
    MosCpuLayer_Query q;
    memset(&q, 0xAB, sizeof q);
    mosObj_Query(pObj, pType, &q);
    MosCpuLayer_Query expected{};
    mosCpu_FillQuery(mosCpu_Info().processorInfoAndFeatureBits, &expected);
    EXPECT_EQ(memcmp(&q, &expected, sizeof q), 0);
    EXPECT_EQ(q.eax, mosCpu_Info().processorInfoAndFeatureBits.eax);
    mosCpuLayer_Destroy();
    EXPECT_EQ(mosObjType_GetById(MOS_OBJ_TYPE_CPU), nullptr);
}

} // namespace
