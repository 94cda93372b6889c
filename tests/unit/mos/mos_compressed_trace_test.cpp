// The compressed trace sink: its files, buffers and the lines it cannot
// take while inactive.

#include "mos_compressed_trace.h"

#include "trace_fixture.h"

#include <gtest/gtest.h>

namespace {

class CompressedTraceTest : public mostest::LogDirFixture {
  protected:
    MosTrcParams Params(const char *pPrefix, uint32_t bufferSize, uint32_t bRescue) const {
        MosTrcParams p{};
        p.trcCompressedFile = FileParams(pPrefix, false);
        p.bCompressedEnabled = 1;
        p.trc_compressed_buffer_size = bufferSize;
        p.trc_compressed_num_buffers = 4;
        p.trc_compressed_use_rescue = bRescue;
        return p;
    }
};

TEST_F(CompressedTraceTest, BuffersSliceTheAreasBehindTheBlockHead) {
    const MosTrcParams params = Params("trc.z", 8192, 1);
    MosCompressedTrace *pTrace = mosCompressedTrace_Init(&params);
    ASSERT_NE(pTrace, nullptr);
    EXPECT_EQ(pTrace->numBuffers, 4u);
    EXPECT_EQ(pTrace->numFree, 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        const MosCompressedTraceBuf &buf = pTrace->buffers[i];
        EXPECT_EQ(buf.index, i);
        EXPECT_EQ(buf.state, MOS_CTRC_BUF__FREE);
        EXPECT_EQ(buf.request.unreducedDataBuffer, pTrace->pRawArea + i * 8192 + 14);
        EXPECT_EQ(buf.request.reducedDataBuffer, pTrace->pReducedArea + i * 8192 + 14);
        EXPECT_EQ(SizeReductionRequestAdapter_GetUnreducedDataSizeBytes(&buf.request), 8192u);
    }
    EXPECT_EQ(pTrace->bActive, 0u);
    EXPECT_EQ(pTrace->confHandle, 0u);
    mosCompressedTrace_Destroy(pTrace, 1);
    EXPECT_TRUE(Exists("trc.z.0"));
    EXPECT_EQ(ReadFile("trc.z.0"), "");
}

// An inactive sink counts every line as skipped and keeps it in the
// rescue file; the count is reported once.
TEST_F(CompressedTraceTest, LinesGoToTheRescueFileAndAreCounted) {
    const MosTrcParams params = Params("abcdefghijklmnopqrstuvwxyz0123", 4096, 1);
    MosCompressedTrace *pTrace = mosCompressedTrace_Init(&params);
    ASSERT_NE(pTrace, nullptr);
    mosCompressedTrace_Write(pTrace, false, false, __func__, __LINE__, "line %d", 1);
    mosCompressedTrace_Write(pTrace, false, false, __func__, __LINE__, "line %d", 2);
    EXPECT_EQ(pTrace->skipped, 2u);
    mosCompressedTrace_PrintSkippedLinesIfNeeded(pTrace);
    EXPECT_EQ(pTrace->skipped, 0u);
    mosCompressedTrace_Destroy(pTrace, 1);
    EXPECT_EQ(ReadLines("abcdefghijklmnopqrstuvwxy.rescue.0"),
              (std::vector<std::string>{"line 1", "line 2"}));
}

TEST_F(CompressedTraceTest, WithoutRescueLinesAreOnlyCounted) {
    const MosTrcParams params = Params("trc.z", 4096, 0);
    MosCompressedTrace *pTrace = mosCompressedTrace_Init(&params);
    ASSERT_NE(pTrace, nullptr);
    mosCompressedTrace_Write(pTrace, false, false, __func__, __LINE__, "lost");
    EXPECT_EQ(pTrace->skipped, 1u);
    mosCompressedTrace_Destroy(pTrace, 0);
    EXPECT_FALSE(Exists("trc.z.rescue.0"));
}

// The key admits multiples of 1 KiB up to 2 MiB; a block holds whole 4 KiB
// units below 1 MiB.
TEST_F(CompressedTraceTest, BufferSizesABlockCannotHoldRefuseTheSink) {
    for (uint32_t size : {1024u, 5120u, 1048576u, 2097152u}) {
        const MosTrcParams params = Params("trc.z", size, 1);
        EXPECT_EQ(mosCompressedTrace_Init(&params), nullptr) << size;
    }
    EXPECT_FALSE(Exists("trc.z.0"));
}

} // namespace
