#include "objscope_test_support.h"
#include "sdbg_logical_view.h"
#include "sdbg_os.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using objscopetest::MarkedLines;
using objscopetest::RecordingOutput;
using Lines = std::vector<std::string>;

constexpr int32_t VAL = SDBG_COLOR_VALUE;
constexpr int32_t KEEP = SDBG_COLOR_KEEP;

struct PrinterFixture : public ::testing::Test {
    void SetUp() override {
        savedFrequency = SdbgOs_PerfFrequency;
        SdbgOs_PerfFrequency = 1000000.0; // one tick is one microsecond
    }
    void TearDown() override { SdbgOs_PerfFrequency = savedFrequency; }
    Lines Printed() const { return MarkedLines(view); }

    double savedFrequency = 0.0;
    RecordingOutput device{200, 50};
    Sdbg_LogicalView view{&device, 100, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT};
};

Sdbg_BwcRecord Bwc(uint32_t count, uint32_t total, uint32_t seconds, uint32_t max = 0,
                   uint32_t min = 0) {
    Sdbg_BwcRecord record{};
    record.count = count;
    record.total = total;
    record.max = max;
    record.min = min;
    record.windowSeconds = seconds;
    return record;
}

TEST_F(PrinterFixture, BandwidthCounter) {
    struct Case {
        Sdbg_BwcRecord counter;
        const char *pExpected;
    };
    const Case cases[] = {
        {Bwc(640, 40960, 10), "<1,0>2048 KB/s 64 IO/s <4,4>Avg Io size: <1,0>32 KB"},
        {Bwc(7, 1234, 0), "<1,0>0 bytes/s"},
        {Bwc(0, 10240, 5), "<1,0>1024 KB/s 0 IO/s "},
        {Bwc(0, 8190, 1), "<1,0>4095 KB/s 0 IO/s "},
        {Bwc(0, 8192, 1), "<1,0>4 MB/s 0 IO/s "},
        // A window and a count of 2^31 double to 0 in 32 bits; the printer
        // must neither divide by zero nor show a wrapped quotient.
        {Bwc(0x80000000u, 0xFFFFFFFFu, 0x80000000u),
         "<1,0>0 KB/s 1 IO/s <4,4>Avg Io size: <1,0>0 KB"},
        // 2^32 - 1 sectors in one second: 2,147,483,647 KB/s, shown in MB/s.
        {Bwc(0x80000000u, 0xFFFFFFFFu, 1), "<1,0>2097151 MB/s 2147483648 IO/s <4,4>Avg Io size: "
                                           "<1,0>0 KB"},
    };
    for (const Case &c : cases) {
        view.Clear();
        view.PrintBwc(c.counter, VAL, KEEP);
        EXPECT_EQ(Printed(), Lines{c.pExpected});
    }
}

TEST_F(PrinterFixture, LatencyAndAverageCounters) {
    view.PrintLatencyBwc(Bwc(0, 5, 0), VAL, KEEP);
    view.NewLine();
    view.PrintLatencyBwc(Bwc(4, 100, 0, 40, 10), VAL, KEEP);
    view.NewLine();
    view.PrintAvgEvent(Bwc(30, 600, 10), VAL, KEEP);
    view.NewLine();
    view.PrintAvgEvent(Bwc(30, 600, 0), VAL, KEEP);
    view.NewLine();
    view.PrintAvgEvent8(Sdbg_AvgEvent8Record{9, 90, 3}, VAL, KEEP);
    view.NewLine();
    view.PrintAvgEvent8(Sdbg_AvgEvent8Record{9, 90, 0}, VAL, KEEP);
    const Lines expected = {
        "<1,0>0 Micro/io",
        "<1,0>25 Min-10 Max-40 Micro/io",
        "<4,4> Average:<1,0>60<4,4> Event:<1,0>3",
        "<4,4> Average:<1,0>0<4,4> Event:<1,0>0",
        "<4,4> Average:<1,0>30<4,4> Event:<1,0>3",
        "<4,4> Average:<1,0>0<4,4> Event:<1,0>0",
    };
    EXPECT_EQ(Printed(), expected);
}

Sdbg_SampleStatsRecord Stats(uint64_t samples, uint64_t max, uint64_t sumOfSquares,
                             uint64_t total) {
    Sdbg_SampleStatsRecord stats{};
    stats.samples = samples;
    stats.max = max;
    stats.sumOfSquares = sumOfSquares;
    stats.total = total;
    return stats;
}

TEST_F(PrinterFixture, SampleStatisticsText) {
    struct Case {
        Sdbg_SampleStatsRecord stats;
        const char *pExpected;
    };
    const Case cases[] = {
        {Stats(4, 10, 200, 20),
         "<4,4> #samples:<2,0>4<4,4> max:<2,0>10.00<4,4> #overflows:<1,0>0<4,4> "
         "#discards:<1,0>0<4,4> total:<2,0>20<0,0> avg/stddev:<1,0>5.00<0,0>/<1,0>5.00"},
        {Stats(0, 0, 0, 0),
         "<4,4> #samples:<1,0>0<4,4> max:<1,0>0.00<4,4> #overflows:<1,0>0<4,4> "
         "#discards:<1,0>0<4,4> total:<1,0>0<0,0> avg/stddev:<1,0>0.00<0,0>/<1,0>0.00"},
        // Inconsistent figures: a negative variance prints a deviation of 0.
        {Stats(2, 1, 0, 10),
         "<4,4> #samples:<2,0>2<4,4> max:<2,0>1.00<4,4> #overflows:<1,0>0<4,4> "
         "#discards:<1,0>0<4,4> total:<2,0>10<0,0> avg/stddev:<1,0>5.00<0,0>/<1,0>0.00"},
    };
    for (const Case &c : cases) {
        view.Clear();
        view.PrintSampleStats(c.stats, VAL, KEEP, 0);
        EXPECT_EQ(Printed(), Lines{c.pExpected});
    }
}

TEST_F(PrinterFixture, SampleStatisticsXml) {
    Sdbg_SampleStatsRecord stats = Stats(4, 10, 200, 20);
    stats.discards = 1;
    view.PrintSampleStats(stats, VAL, KEEP, 1);
    const Lines expected = {
        "",
        "<0,0>\t\t\t\t<4,4><samples><2,0>4<4,4></samples>",
        "<0,0>\t\t\t\t<4,4><max><2,0>10.00<4,4></max>",
        "<0,0>\t\t\t\t<4,4><overflows><1,0>0<4,4></overflows>",
        "<0,0>\t\t\t\t<4,4><discards><2,0>1<4,4></discards>",
        "<0,0>\t\t\t\t<4,4><total><2,0>20<4,4></total>",
        "<0,0>\t\t\t\t<4,4><avg><1,0>5.00<4,4></avg>",
        "<0,0>\t\t\t\t<4,4><stddev><1,0>5.00<4,4></stddev>",
        "<0,0>\t\t\t",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST(StatMathTest, MeanAndDeviation) {
    double mean = -1;
    double stdDev = -1;
    mosStat_GetAvgAndStdDev(Stats(0, 0, 99, 99), mean, stdDev);
    EXPECT_EQ(mean, 0.0);
    EXPECT_EQ(stdDev, 0.0);
    mosStat_GetAvgAndStdDev(Stats(3, 0, 29, 9), mean, stdDev); // 2, 3, 4
    EXPECT_DOUBLE_EQ(mean, 3.0);
    EXPECT_DOUBLE_EQ(stdDev, std::sqrt(29.0 / 3.0 - 9.0));
}

Sdbg_DistributionRecord Distribution(uint64_t samples, uint64_t min, uint64_t max,
                                     std::vector<Sdbg_HistogramBucket> buckets) {
    Sdbg_DistributionRecord record{};
    record.bucketCount = static_cast<uint32_t>(buckets.size());
    record.samples = samples;
    record.min = min;
    record.max = max;
    for (size_t i = 0; i < buckets.size() && i < kHistogramBuckets; ++i) {
        record.buckets[i] = buckets[i];
    }
    return record;
}

TEST_F(PrinterFixture, DistributionWithBars) {
    Sdbg_DistributionRecord record =
        Distribution(10, 1, 100, {{0, 9, 5}, {10, 99, 4}, {100, 1000, 1}});
    record.expectedMin = 5;
    record.expectedMax = 50;
    view.PrintDistribution("Lat", "caption", record);
    const Lines expected = {
        "<0,0>       Lat - Distribution:",
        "<0,0>              Min: <1,0>1<0,0> (expected: <2,0>5<0,0>)  Max: <1,0>100<0,0> "
        "(expected: <2,0>50<0,0>)",
        "<0,0>              Total valid Samples: <1,0>10<0,0>   Out of Range Samples: <1,0>0",
        "<0,0>caption",
        "<1,0>0<0,0>-<1,0>9<0,0>           |<1,0>" + std::string(30, '+') + "<0,0>(<1,0>5<0,0>)",
        "<1,0>10<0,0>-<1,0>99<0,0>         |<1,0>" + std::string(24, '+') + "<0,0>(<1,0>4<0,0>)",
        "<1,0>100<0,0>-<1,0>1000<0,0>      |<1,0>" + std::string(6, '+') + "<0,0>(<1,0>1<0,0>)",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PrinterFixture, DistributionBarEdges) {
    // Scaled by the bucket sum (no total): 1 of 1000 still shows one '+',
    // a count above the total shows 60 in the alert colour, a long bound
    // text is overwritten at column 14.
    Sdbg_DistributionRecord record =
        Distribution(0, 0, 9, {{1, 2, 1}, {3, 4, 0}, {12345678, 123456789, 999}});
    view.PrintDistribution("D", nullptr, record);
    Lines printed = Printed();
    ASSERT_EQ(printed.size(), 6u);
    EXPECT_EQ(printed[3], "<1,0>1<0,0>-<1,0>2<0,0>           |<1,0>+<0,0>(<1,0>1<0,0>)");
    EXPECT_EQ(printed[4], "<1,0>3<0,0>-<1,0>4<0,0>           |(<1,0>0<0,0>)");
    EXPECT_EQ(printed[5], "<1,0>12345678<0,0>-<1,0>12345<0,0>|<1,0>" + std::string(59, '+') +
                              "<0,0>(<1,0>999<0,0>)");
    view.Clear();
    record = Distribution(2, 0, 9, {{1, 2, 3}});
    view.PrintDistribution("D", nullptr, record);
    EXPECT_EQ(Printed().at(3), "<1,0>1<0,0>-<1,0>2<0,0>           |<2,0>" + std::string(60, '+') +
                                   "<0,0>(<1,0>3<0,0>)");
}

TEST_F(PrinterFixture, DistributionThatCannotBeShown) {
    const char *pCannot = "<2,0>              =Cannot display statistics details at this time=";
    struct Case {
        Sdbg_DistributionRecord record;
    };
    // min equal to max; no samples and no counts; counts that sum to 0 mod 2^64
    const Case cases[] = {
        {Distribution(5, 7, 7, {{0, 9, 5}})},
        {Distribution(0, 1, 9, {{0, 9, 0}})},
        {Distribution(0, 1, 9, {{0, 9, 0x8000000000000000ull}, {0, 9, 0x8000000000000000ull}})},
    };
    for (const Case &c : cases) {
        view.Clear();
        view.PrintDistribution("X", "never", c.record);
        const Lines printed = Printed();
        ASSERT_EQ(printed.size(), 4u);
        EXPECT_EQ(printed[3], pCannot);
    }
}

TEST_F(PrinterFixture, DistributionNeverReadsBeyondItsBuckets) {
    std::vector<Sdbg_HistogramBucket> buckets(kHistogramBuckets, Sdbg_HistogramBucket{1, 2, 1});
    Sdbg_DistributionRecord record = Distribution(32, 1, 2, buckets);
    record.bucketCount = 0xFFFFFFFFu; // a remote count far above the capacity
    view.PrintDistribution("Big", nullptr, record);
    EXPECT_EQ(Printed().size(), 3u + kHistogramBuckets);
    view.Clear();
    view.PrintTimeHistogram(record, VAL, KEEP, 0);
    EXPECT_EQ(Printed().size(), 2u + kHistogramBuckets);
}

TEST_F(PrinterFixture, TimeHistogramText) {
    Sdbg_DistributionRecord record =
        Distribution(200, 2, 500, {{0, 10, 1}, {10, 100, 150}, {100, 1000, 49}});
    view.PrintTimeHistogram(record, VAL, KEEP, 0);
    const Lines expected = {
        "<4,4> #samples: <1,0>200<4,4> min-sample (micros): <1,0>2.00<4,4> max-sample (micros): "
        "<1,0>500.00",
        "<4,4>Samples distribution (in micros): ",
        "<4,4>    [10.00, 100.00): <1,0>75.00%",
        "<4,4>    [100.00, MAX_UINT64): <1,0>24.50%",
    };
    EXPECT_EQ(Printed(), expected);
    EXPECT_EQ(view.GetColumn(), 0u);
}

TEST_F(PrinterFixture, TimeHistogramDiscardsAndNoSamples) {
    Sdbg_DistributionRecord record = Distribution(0, 0, 0, {{0, 10, 5}});
    record.outOfRange = 3;
    view.PrintTimeHistogram(record, VAL, KEEP, 0);
    const Lines expected = {
        "<4,4> #samples: <1,0>0<4,4> #discarded-samples: <2,0>3<4,4> min-sample (micros): "
        "<1,0>0.00<4,4> max-sample (micros): <1,0>0.00",
        "<4,4>Samples distribution (in micros): ",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PrinterFixture, TimeHistogramXml) {
    Sdbg_DistributionRecord record = Distribution(200, 2, 500, {{0, 10, 200}});
    record.outOfRange = 1;
    view.PrintTimeHistogram(record, VAL, KEEP, 1);
    const Lines expected = {
        "",
        "<0,0>\t\t\t\t<4,4><samples><1,0>200<4,4></samples>",
        "<0,0>\t\t\t\t<4,4><discarded-samples><2,0>1<4,4></discarded-samples>",
        "<0,0>\t\t\t\t<4,4><min-sample-micros><1,0>2.00<4,4></min-sample-micros>",
        "<0,0>\t\t\t\t<4,4><max-sample-micros><1,0>500.00<4,4></max-sample-micros>",
        "<0,0>\t\t\t",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PrinterFixture, SlotThrottle) {
    Sdbg_SlotThrottleRecord record{};
    record.waiters = 3;
    record.dynTokens = 5;
    record.slotMax = 8;
    record.slotTicks = 2;
    record.slotUsage = 1;
    view.PrintSlotThrottle(record, VAL, KEEP, 0);
    view.NewLine();
    view.PrintSlotThrottle(record, VAL, KEEP, 1);
    const Lines expected = {
        "<4,4> avg-per-slot:<2,0>0<4,4> slot-max:<1,0>8<4,4> slot-ticks:<1,0>2<4,4> "
        "cur-slot:<2,0>0<4,4> waiters:<2,0>3<4,4> slot-usage:<2,0>1<4,4> loan-usage:<1,0>0<4,4> "
        "dyn-tokens:<1,0>5",
        "",
        "<0,0>\t\t\t<4,4><avg-per-slot><2,0>0<4,4></avg-per-slot>",
        "<0,0>\t\t\t<4,4><slot-max><1,0>8<4,4></slot-max>",
        "<0,0>\t\t\t<4,4><slot-ticks><1,0>2<4,4></slot-ticks>",
        "<0,0>\t\t\t<4,4><cur-slot><2,0>0<4,4></cur-slot>",
        "<0,0>\t\t\t<4,4><waiters><2,0>3<4,4></waiters>",
        "<0,0>\t\t\t<4,4><slot-usage><2,0>1<4,4></slot-usage>",
        "<0,0>\t\t\t<4,4><dyn-tokens><2,0>5<4,4></dyn-tokens>",
        "<0,0>\t\t\t<4,4><loan-usage><1,0>0<4,4></loan-usage>",
        "<0,0>\t\t",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PrinterFixture, PerfStageText) {
    Sdbg_PerfStageRecord stage{};
    std::memcpy(stage.name, "stageA", 7);
    view.PrintPerfStage(stage, VAL, KEEP, 0);
    const Lines expected = {
        "",
        "<4,4>Stage Description: <5,4>stageA",
        "<4,4>Statistics:  #samples:<1,0>0<4,4> max:<1,0>0.00<4,4> #overflows:<1,0>0<4,4> "
        "#discards:<1,0>0<4,4> total:<1,0>0<0,0> avg/stddev:<1,0>0.00<0,0>/<1,0>0.00",
        "<4,4>Histogram:  #samples: <1,0>0<4,4> min-sample (micros): <1,0>0.00<4,4> max-sample "
        "(micros): <1,0>0.00",
        "<4,4>Samples distribution (in micros): ",
        "",
    };
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PrinterFixture, PerfStageXmlAndAnUnterminatedName) {
    Sdbg_PerfStageRecord stage{};
    std::memset(stage.name, 'n', sizeof(stage.name));
    stage.samplesStarted = 0x5A5A5A5A5A5A5A5Aull; // must not show up after the name
    view.PrintPerfStage(stage, VAL, KEEP, 1);
    const Lines printed = Printed();
    ASSERT_GE(printed.size(), 3u);
    EXPECT_EQ(printed[1],
              "<0,0>\t\t\t<4,4><Stage-name><5,4>" + std::string(64, 'n') + "<4,4></Stage-name>");
    EXPECT_EQ(printed[2], "<0,0>\t\t\t<4,4><Statistics>");
    EXPECT_EQ(printed.back(), "<0,0>\t\t");
    EXPECT_EQ(printed[printed.size() - 2], "<0,0>\t\t\t<4,4></Histogram>");
}

// The address bytes in network order, as the record keeps them.
IPV4 IpV4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    IPV4 ipv4 = 0;
    std::memcpy(&ipv4, bytes, sizeof(ipv4));
    return ipv4;
}

TEST_F(PrinterFixture, NetworkAddress) {
    NetAddress address;
    netAddress_Init(&address);
    ASSERT_EQ(netAddress_BuildFromIpv4(&address, IpV4(10, 1, 2, 3), 25640), MOS_RC__SUCCESS);
    EXPECT_EQ(netAddress_GetPort(&address), 25640);
    view.PrintNetAddress(address, VAL, KEEP, 0);
    view.NewLine();
    view.PrintNetAddress(address, VAL, KEEP, 1);
    view.NewLine();
    NetAddress none;
    netAddress_Init(&none);
    view.PrintNetAddress(none, SDBG_COLOR_ALERT, KEEP, 0);
    const Lines expected = {
        "<1,0>Address: 10.1.2.3 Port: 25640", "",          "<1,0>\t\t\t<Address>10.1.2.3</Address>",
        "<1,0>\t\t\t<Port>25640</Port>",      "<1,0>\t\t", "<2,0>Address: INVALID Port: 0",
    };
    EXPECT_EQ(Printed(), expected);
}

} // namespace
