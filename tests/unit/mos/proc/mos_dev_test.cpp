// The device layer's settings and the device record of the debug port.
#include "../core_layers.h"
#include "../test_support.h"
#include "../trace_capture.h"
#include "mos_dev.h"
#include "mos_init_params.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(DevLayer, NumberOfTestJobs) {
    mostest::EnsureCoreLayers();
    struct Case {
        bool bParams;
        uint64_t jobs;
        uint64_t expected;
        bool bTraced;
    };
    const Case cases[] = {
        {false, 0, 32, false},
        {true, 8, 8, false},
        {true, 0, 1, true},
    };
    for (const Case &c : cases) {
        MosDevParams params = {c.jobs};
        mostest::TraceCapture capture;
        ASSERT_EQ(mosDevLayer_Create(c.bParams ? &params : nullptr), MOS_RC__SUCCESS);
        const std::string traced = capture.Stop();
        EXPECT_EQ(mosDevLayer_G.numTestJobs, c.expected);
        EXPECT_EQ(traced.find("Overriding number of disk test jobs to minimum = 1.") !=
                      std::string::npos,
                  c.bTraced)
            << traced;
        ASSERT_NE(mosObjType_GetById(52), nullptr);
        mosDevLayer_Destroy();
        EXPECT_EQ(mosObjType_GetById(52), nullptr);
    }
}

void setWindow(MosPerfWindow *pWindow, uint32_t mode, uint32_t base) {
    pWindow->mode = mode;
    pWindow->periodTicks = 5000;
    const uint64_t now = mosTicks_GetCurrent();
    pWindow->windows[0] = {now - 2001, now - 1, {base, base + 1, base + 2, base + 3}};
}

TEST(DevLayer, QueryCopiesRawRecordAndWindows) {
    mostest::EnsureCoreLayers();
    ASSERT_EQ(mosDevLayer_Create(nullptr), MOS_RC__SUCCESS);
    MosDev dev = {};
    dev.raw.fileSizeInLbs = 123456789;
    strcpy(dev.raw.name, "disk0");
    dev.raw.sampleGrn = 4;
    memcpy(dev.raw.reserved, "\x01\x02\x03\x04", 4);
    setWindow(&dev.readSizeBwc, 1, 10);
    setWindow(&dev.writeSizeBwc, 1, 20);
    setWindow(&dev.readLatencyBwc, 1, 30);
    setWindow(&dev.writeLatencyBwc, 1, 40);
    _MosDevQuery q = {};
    EXPECT_EQ(mosDev_Query(&dev.objEntry, nullptr, &q), MOS_RC__SUCCESS);
    EXPECT_EQ(q.readSizeBwc.values[0], 10u);
    EXPECT_EQ(q.writeSizeBwc.values[3], 23u);
    EXPECT_EQ(q.readLatencyBwc.values[1], 31u);
    EXPECT_EQ(q.writeLatencyBwc.values[2], 42u);
    EXPECT_EQ(q.readSizeBwc.seconds, 2u);
    EXPECT_EQ(memcmp(&q.raw, &dev.raw, sizeof dev.raw), 0);

    // A read-latency window that is off: its record stays zero, and the
    // code tells; the others are filled.
    setWindow(&dev.readLatencyBwc, 0, 30);
    _MosDevQuery off = {};
    EXPECT_EQ(mosDev_Query(&dev.objEntry, nullptr, &off), MOS_RC__INVALID);
    const MosPerfWindowResult zero = {};
    EXPECT_EQ(memcmp(&off.readLatencyBwc, &zero, sizeof zero), 0);
    EXPECT_EQ(off.writeLatencyBwc.values[0], 40u);

    // Through the registry the record is sent whatever the code.
    MosObjType *pType = mosObjType_GetById(52);
    _MosDevQuery viaType = {};
    mosObj_Query(&dev.objEntry, pType, &viaType);
    EXPECT_EQ(memcmp(&viaType, &off, sizeof off), 0);
    mosDevLayer_Destroy();
}

TEST(DevLayerDeathTest, QueryNeedsItsArguments) {
    mostest::EnsureCoreLayers();
    MosDev dev = {};
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosDev_Query(nullptr, nullptr, &dev)),
                mostest::ExitedWithMinusOne, "!\\(!pObj\\)");
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosDev_Query(&dev.objEntry, nullptr, nullptr)),
                mostest::ExitedWithMinusOne, "!\\(!pBuf\\)");
}

} // namespace
