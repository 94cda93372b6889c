// The I/O layer's read-only zero buffer.
#include "../core_layers.h"
#include "../test_support.h"
#include "mos_io.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MOS_RC privilegeRefused() {
    return MOS_RC__ERROR;
}

MOS_RC privilegeGranted() {
    return MOS_RC__SUCCESS;
}

bool allZero(const void *p, size_t size) {
    const auto *pBytes = static_cast<const uint8_t *>(p);
    for (size_t i = 0; i < size; i++) {
        if (pBytes[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(IOLayer, ZeroBufferLivesWithTheLayer) {
    mostest::EnsureCoreLayers();
    // A process without the privilege still comes up.
    for (MosIOPrivilegeFn pFn : {privilegeGranted, privilegeRefused}) {
        ASSERT_EQ(mosIOLayer_CreateWith(pFn), MOS_RC__SUCCESS);
        ASSERT_NE(ioLayer_G.pZeroBuf, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(ioLayer_G.pZeroBuf) % mos_GetPageSize(), 0u);
        EXPECT_TRUE(allZero(ioLayer_G.pZeroBuf, MOS_IO_ZERO_BUF_SIZE));
        mosIOLayer_Destroy();
        EXPECT_EQ(ioLayer_G.pZeroBuf, nullptr);
    }
}

TEST(IOLayerDeathTest, BufferIsReadOnlyAndMustExistAtDestroy) {
    mostest::EnsureCoreLayers();
    EXPECT_EXIT((mostest::StdoutToStderr(), mosIOLayer_Destroy()), mostest::ExitedWithMinusOne,
                "\\(ioLayer_G.pZeroBuf\\) != \\(\\(void \\*\\)0\\)");
    EXPECT_DEATH(
        {
            if (mosIOLayer_CreateWith(privilegeGranted) == MOS_RC__SUCCESS) {
                static_cast<volatile uint8_t *>(ioLayer_G.pZeroBuf)[100] = 1;
            }
        },
        "");
}

} // namespace
