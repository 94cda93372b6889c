// The command-FIFO handler's start and stop.
#include "../core_layers.h"
#include "mos_fifo.h"
#include "mos_init_params.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FifoHandler, RunsOnlyWhenConfigured) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosFifo_StartFifoHandler(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(mosFifo_G.bRunning, 0u);
    mosFifo_StopFifoHandler(); // nothing to stop

    MosFifoParams off = {0, "/tmp/mos.fifo"};
    ASSERT_EQ(mosFifo_StartFifoHandler(&off), MOS_RC__SUCCESS);
    EXPECT_EQ(mosFifo_G.bRunning, 0u);
    EXPECT_STREQ(mosFifo_G.fileName, "");

    const uint32_t threadsBefore = mosOsThrd_GetNumThreads();
    MosFifoParams on = {1, "/tmp/mos.fifo"};
    ASSERT_EQ(mosFifo_StartFifoHandler(&on), MOS_RC__SUCCESS);
    EXPECT_EQ(mosFifo_G.bRunning, 1u);
    EXPECT_STREQ(mosFifo_G.fileName, "/tmp/mos.fifo");
    mosFifo_StopFifoHandler(); // joins the thread, which ended at once
    EXPECT_EQ(mosFifo_G.bRunning, 0u);
    EXPECT_EQ(mosOsThrd_GetNumThreads(), threadsBefore);
}

TEST(FifoHandler, LongOrMissingNamesAreBounded) {
    mostest::EnsureCoreLayers();
    const std::string longName(400, 'f');
    MosFifoParams params = {1, longName.c_str()};
    ASSERT_EQ(mosFifo_StartFifoHandler(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(std::string(mosFifo_G.fileName), longName.substr(0, 256));
    mosFifo_StopFifoHandler();
    params.fifo_filename = nullptr;
    ASSERT_EQ(mosFifo_StartFifoHandler(&params), MOS_RC__SUCCESS);
    EXPECT_STREQ(mosFifo_G.fileName, "");
    mosFifo_StopFifoHandler();
}

} // namespace
