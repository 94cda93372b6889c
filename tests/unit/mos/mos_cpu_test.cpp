#include "mos_cpu.h"

#include "core_layers.h"
#include "mos_t10dif.h"
#include "trace_capture.h"

#include <gtest/gtest.h>

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
