// Statistics printers of the page buffer: records that recur in many query
// structures, printed the same way by every view, as text or XML. The
// records come from a remote process; every count used as a divisor or a
// loop bound is checked here, not trusted.
#include "sdbg_logical_view.h"
#include "sdbg_os.h"

#include "mos_utils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int32_t LABEL = SDBG_COLOR_LABEL;
constexpr int32_t VALUE = SDBG_COLOR_VALUE;
constexpr int32_t ALERT = SDBG_COLOR_ALERT;
constexpr int32_t KEEP = SDBG_COLOR_KEEP;

int32_t AlertWhenSet(uint64_t value) {
    return value != 0 ? ALERT : VALUE;
}

int32_t AlertWhenZero(uint64_t value) {
    return value == 0 ? ALERT : VALUE;
}

double TicksToMicros(uint64_t ticks) {
    return static_cast<double>(ticks) * 1000000.0 / SdbgOs_PerfFrequency;
}

uint32_t BucketsHeld(const Sdbg_DistributionRecord &record) {
    return std::min<uint32_t>(record.bucketCount, kHistogramBuckets);
}

// count * 60 / scale without overflow: remote counts may use all 64 bits.
uint64_t BarLength(uint64_t count, uint64_t scale) {
    __extension__ typedef unsigned __int128 Wide;
    const Wide length = static_cast<Wide>(count) * 60u / scale;
    return length > 61u ? 61u : static_cast<uint64_t>(length);
}

} // namespace

void mosStat_GetAvgAndStdDev(const Sdbg_SampleStatsRecord &stats, double &mean, double &stdDev) {
    mean = 0.0;
    stdDev = 0.0;
    const uint64_t samples = stats.samples;
    if (samples == 0) {
        return;
    }
    mean = static_cast<double>(stats.total) / static_cast<double>(samples);
    const double variance =
        static_cast<double>(stats.sumOfSquares) / static_cast<double>(samples) - mean * mean;
    stdDev = variance > 0.0 ? std::sqrt(variance) : 0.0;
}

void Sdbg_LogicalView::PrintBwc(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg) {
    const uint32_t count = counter.count;
    const uint32_t total = counter.total;
    const uint32_t seconds = counter.windowSeconds;
    if (seconds == 0) {
        PrintInt(0, fg, bg);
        PrintStr(" bytes/s", fg, bg);
        return;
    }
    // The doubled window and count are taken in 64 bits: in 32 bits a value
    // of 2^31 or more would double to 0 or to a wrong small divisor.
    const uint64_t rateKBs = total / (2 * static_cast<uint64_t>(seconds));
    if (rateKBs > 4095) {
        PrintUInt64(rateKBs >> 10, fg, bg);
        PrintStr(" MB/s ", fg, bg);
    } else {
        PrintUInt64(rateKBs, fg, bg);
        PrintStr(" KB/s ", fg, bg);
    }
    PrintUInt(count / seconds, fg, bg);
    PrintStr(" IO/s ", fg, bg);
    if (count == 0) {
        return;
    }
    PrintStr("Avg Io size: ", LABEL, LABEL);
    PrintUInt(static_cast<uint32_t>(total / (2 * static_cast<uint64_t>(count))), fg, bg);
    PrintStr(" KB", fg, bg);
}

void Sdbg_LogicalView::PrintLatencyBwc(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg) {
    const uint32_t count = counter.count;
    if (count == 0) {
        PrintInt(0, fg, bg);
    } else {
        PrintUInt(counter.total / count, fg, bg);
        PrintStr(" Min-", fg, bg);
        PrintUInt(counter.min, fg, bg);
        PrintStr(" Max-", fg, bg);
        PrintUInt(counter.max, fg, bg);
    }
    PrintStr(" Micro/io", fg, bg);
}

void Sdbg_LogicalView::PrintAvgEvent(const Sdbg_BwcRecord &counter, int32_t fg, int32_t bg,
                                     uint32_t /*bXml*/) {
    const uint32_t seconds = counter.windowSeconds;
    PrintStr(" Average:", LABEL, LABEL);
    if (seconds == 0) {
        PrintInt(0, fg, bg);
    } else {
        PrintUInt(counter.total / seconds, fg, bg);
    }
    PrintStr(" Event:", LABEL, LABEL);
    if (seconds == 0) {
        PrintInt(0, fg, bg);
    } else {
        PrintUInt(counter.count / seconds, fg, bg);
    }
}

void Sdbg_LogicalView::PrintAvgEvent8(const Sdbg_AvgEvent8Record &record, int32_t fg, int32_t bg) {
    Sdbg_BwcRecord asCounter{};
    asCounter.count = record.count;
    asCounter.total = record.total;
    asCounter.windowSeconds = record.windowCount;
    PrintAvgEvent(asCounter, fg, bg);
}

void Sdbg_LogicalView::PrintDistributionBars(const Sdbg_DistributionRecord &record,
                                             uint64_t scale) {
    static const char kBar[] = "+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++";
    for (uint32_t i = 0; i < BucketsHeld(record); ++i) {
        const Sdbg_HistogramBucket bucket = record.buckets[i];
        PrintUInt64(bucket.lowBound, VALUE, KEEP);
        PutStr("-");
        PrintUInt64(bucket.highBound, VALUE, KEEP);
        column = 14; // a bound text that reached here is overwritten
        PutStr("|");
        if (bucket.count != 0) {
            const uint64_t length = BarLength(bucket.count, scale);
            const uint64_t shown = std::clamp<uint64_t>(length, 1, 60);
            PutInAttr(kBar, static_cast<uint32_t>(shown), Merge(length > 60 ? ALERT : VALUE, KEEP));
        }
        PutStr("(");
        PrintUInt64(bucket.count, VALUE, KEEP);
        PutStr(")");
        NewLine();
    }
}

void Sdbg_LogicalView::PrintDistribution(const char *pName, const char *pSubtitle,
                                         const Sdbg_DistributionRecord &record) {
    const uint64_t min = record.min;
    const uint64_t max = record.max;
    const uint64_t expectedMin = record.expectedMin;
    const uint64_t expectedMax = record.expectedMax;
    PutStr("       ").PutStr(pName).PutStr(" - Distribution:");
    NewLine();
    PutStr("              Min: ");
    PrintUInt64(min, VALUE, KEEP);
    PutStr(" (expected: ");
    PrintUInt64(expectedMin, min < expectedMin ? ALERT : VALUE, KEEP);
    PutStr(")  Max: ");
    PrintUInt64(max, VALUE, KEEP);
    PutStr(" (expected: ");
    PrintUInt64(expectedMax, max > expectedMax ? ALERT : VALUE, KEEP);
    PutStr(")");
    NewLine();
    PutStr("              Total valid Samples: ");
    PrintUInt64(record.samples, VALUE, KEEP);
    PutStr("   Out of Range Samples: ");
    PrintUInt64(record.outOfRange, AlertWhenSet(record.outOfRange), KEEP);
    NewLine();
    // Without a total the bars are scaled by the sum of the bucket counts; a
    // sum that wraps to 0 falls into the "cannot display" branch.
    uint64_t scale = record.samples;
    if (scale == 0) {
        for (uint32_t i = 0; i < BucketsHeld(record); ++i) {
            scale += record.buckets[i].count;
        }
    }
    if (max == min || scale == 0) {
        PrintStr("              =Cannot display statistics details at this time=", ALERT, KEEP);
        NewLine();
        return;
    }
    if (pSubtitle != nullptr) {
        PutStr(pSubtitle);
        NewLine();
    }
    PrintDistributionBars(record, scale);
}

void Sdbg_LogicalView::PrintXmlElement(uint32_t tabs, const char *pTag, const char *pValue,
                                       int32_t fg, int32_t bg) {
    char tag[64];
    PutTabs(tabs);
    (void)mos_Snprintf(tag, sizeof(tag), "<%s>", pTag);
    PrintStr(tag, LABEL, LABEL);
    PrintStr(pValue, fg, bg);
    (void)mos_Snprintf(tag, sizeof(tag), "</%s>", pTag);
    PrintStr(tag, LABEL, LABEL);
}

namespace {

struct NumberText {
    char text[32];
};

NumberText U64Text(uint64_t value) {
    NumberText number;
    (void)mos_Snprintf(number.text, sizeof(number.text), "%llu",
                       static_cast<unsigned long long>(value));
    return number;
}

NumberText U32Text(uint32_t value) {
    NumberText number;
    (void)mos_Snprintf(number.text, sizeof(number.text), "%u", value);
    return number;
}

NumberText DoubleText(double value) {
    NumberText number;
    Sdbg_FormatFixed2(number.text, sizeof(number.text), value);
    return number;
}

} // namespace

void Sdbg_LogicalView::PrintBucketShares(const Sdbg_DistributionRecord &record, int32_t fg,
                                         int32_t bg) {
    const uint64_t samples = record.samples;
    if (samples == 0) {
        return; // no share can be computed; listing none is the defined answer
    }
    const uint32_t held = BucketsHeld(record);
    for (uint32_t i = 0; i < held; ++i) {
        const Sdbg_HistogramBucket bucket = record.buckets[i];
        if (bucket.count == 0) {
            continue;
        }
        const double share =
            static_cast<double>(bucket.count) / static_cast<double>(samples) * 100.0;
        if (share < 1.0) {
            continue;
        }
        NewLine();
        PrintStr("    [", LABEL, LABEL);
        PrintDouble(TicksToMicros(bucket.lowBound), LABEL, LABEL);
        PrintStr(", ", LABEL, LABEL);
        if (i == held - 1) {
            PrintStr("MAX_UINT64", LABEL, LABEL);
        } else {
            PrintDouble(TicksToMicros(bucket.highBound), LABEL, LABEL);
        }
        PrintStr("): ", LABEL, LABEL);
        PrintDouble(share, fg, bg);
        PrintStr("%", fg, bg);
    }
}

void Sdbg_LogicalView::PrintTimeHistogramXml(const Sdbg_DistributionRecord &record, int32_t fg,
                                             int32_t bg) {
    NewLine();
    PrintXmlElement(4, "samples", U64Text(record.samples).text, fg, bg);
    NewLine();
    if (record.outOfRange != 0) {
        PrintXmlElement(4, "discarded-samples", U64Text(record.outOfRange).text, ALERT, KEEP);
        NewLine();
    }
    PrintXmlElement(4, "min-sample-micros", DoubleText(TicksToMicros(record.min)).text, fg, bg);
    NewLine();
    PrintXmlElement(4, "max-sample-micros", DoubleText(TicksToMicros(record.max)).text, fg, bg);
    NewLine();
    PutTabs(3);
}

void Sdbg_LogicalView::PrintTimeHistogram(const Sdbg_DistributionRecord &record, int32_t fg,
                                          int32_t bg, uint32_t bXml) {
    if (bXml != 0) {
        PrintTimeHistogramXml(record, fg, bg);
        return;
    }
    PrintStr(" #samples: ", LABEL, LABEL);
    PrintUInt64(record.samples, fg, bg);
    if (record.outOfRange != 0) {
        PrintStr(" #discarded-samples: ", LABEL, LABEL);
        PrintUInt64(record.outOfRange, ALERT, KEEP);
    }
    PrintStr(" min-sample (micros): ", LABEL, LABEL);
    PrintDouble(TicksToMicros(record.min), fg, bg);
    PrintStr(" max-sample (micros): ", LABEL, LABEL);
    PrintDouble(TicksToMicros(record.max), fg, bg);
    NewLine();
    PrintStr("Samples distribution (in micros): ", LABEL, LABEL);
    PrintBucketShares(record, fg, bg);
    NewLine();
}

void Sdbg_LogicalView::PrintSampleStats(const Sdbg_SampleStatsRecord &stats, int32_t /*fg*/,
                                        int32_t /*bg*/, uint32_t bXml) {
    double mean = 0.0;
    double stdDev = 0.0;
    mosStat_GetAvgAndStdDev(stats, mean, stdDev);
    struct Field {
        const char *pLabel;
        const char *pTag;
        NumberText value;
        int32_t fg;
    };
    const Field fields[] = {
        {" #samples:", "samples", U64Text(stats.samples), AlertWhenSet(stats.samples)},
        {" max:", "max", DoubleText(static_cast<double>(stats.max)), AlertWhenSet(stats.max)},
        {" #overflows:", "overflows", U64Text(stats.overflows), AlertWhenSet(stats.overflows)},
        {" #discards:", "discards", U64Text(stats.discards), AlertWhenSet(stats.discards)},
        {" total:", "total", U64Text(stats.total), AlertWhenSet(stats.total)},
    };
    if (bXml != 0) {
        NewLine();
        for (const Field &field : fields) {
            PrintXmlElement(4, field.pTag, field.value.text, field.fg, KEEP);
            NewLine();
        }
        PrintXmlElement(4, "avg", DoubleText(mean).text, VALUE, KEEP);
        NewLine();
        PrintXmlElement(4, "stddev", DoubleText(stdDev).text, VALUE, KEEP);
        NewLine();
        PutTabs(3);
        return;
    }
    for (const Field &field : fields) {
        PrintStr(field.pLabel, LABEL, LABEL);
        PrintStr(field.value.text, field.fg, KEEP);
    }
    PutStr(" avg/stddev:");
    PrintDouble(mean, VALUE, KEEP);
    PutStr("/");
    PrintDouble(stdDev, VALUE, KEEP);
}

void Sdbg_LogicalView::PrintPerfStage(const Sdbg_PerfStageRecord &stage, int32_t fg, int32_t bg,
                                      uint32_t bXml) {
    // The name is NUL-terminated within its 64 bytes only if the sender
    // kept to that; never read past the field.
    char name[kStageNameSize + 1];
    std::memcpy(name, stage.name, kStageNameSize);
    name[kStageNameSize] = '\0';
    NewLine();
    if (bXml == 0) {
        PrintStr("Stage Description: ", LABEL, LABEL);
        PrintStr(name, SDBG_COLOR_HIGHLIGHT, LABEL);
        NewLine();
        PrintStr("Statistics: ", LABEL, LABEL);
        PrintSampleStats(stage.stats, LABEL, LABEL, 0);
        NewLine();
        PrintStr("Histogram: ", LABEL, LABEL);
        PrintTimeHistogram(stage.histogram, fg, bg, 0);
        NewLine();
        return;
    }
    PutTabs(3);
    PrintStr("<Stage-name>", LABEL, LABEL);
    PrintStr(name, SDBG_COLOR_HIGHLIGHT, LABEL);
    PrintStr("</Stage-name>", LABEL, LABEL);
    NewLine();
    PutTabs(3);
    PrintStr("<Statistics>", LABEL, LABEL);
    PrintSampleStats(stage.stats, LABEL, LABEL, 1);
    PrintStr("</Statistics>", LABEL, LABEL);
    NewLine();
    PutTabs(3);
    PrintStr("<Histogram>", LABEL, LABEL);
    PrintTimeHistogram(stage.histogram, fg, bg, 1);
    PrintStr("</Histogram>", LABEL, LABEL);
    NewLine();
    PutTabs(2);
}

void Sdbg_LogicalView::PrintSlotThrottle(const Sdbg_SlotThrottleRecord &record, int32_t /*fg*/,
                                         int32_t /*bg*/, uint32_t bXml) {
    struct Field {
        const char *pName;
        NumberText value;
        int32_t fg;
    };
    const uint32_t loanUsage = record.loanUsage;
    const uint32_t slotUsage = record.slotUsage;
    // The text view warns on dyn-tokens when tokens are on loan, the XML
    // view when slots are in use; both forms are what readers know.
    const int32_t dynTokensFg = AlertWhenSet(bXml != 0 ? slotUsage : loanUsage);
    const Field avgPerSlot{"avg-per-slot", U32Text(record.avgPerSlot),
                           AlertWhenZero(record.avgPerSlot)};
    const Field slotMax{"slot-max", U32Text(record.slotMax), AlertWhenZero(record.slotMax)};
    const Field slotTicks{"slot-ticks", U32Text(record.slotTicks), AlertWhenZero(record.slotTicks)};
    const Field curSlot{"cur-slot", U64Text(record.curSlot), AlertWhenZero(record.curSlot)};
    const Field waiters{"waiters", U32Text(record.waiters), AlertWhenSet(record.waiters)};
    const Field usage{"slot-usage", U32Text(slotUsage), AlertWhenSet(slotUsage)};
    const Field loan{"loan-usage", U32Text(loanUsage), AlertWhenSet(loanUsage)};
    const Field dynTokens{"dyn-tokens", U32Text(record.dynTokens), dynTokensFg};
    if (bXml != 0) {
        NewLine();
        for (const Field *pField :
             {&avgPerSlot, &slotMax, &slotTicks, &curSlot, &waiters, &usage, &dynTokens, &loan}) {
            PrintXmlElement(3, pField->pName, pField->value.text, pField->fg, KEEP);
            NewLine();
        }
        PutTabs(2);
        return;
    }
    for (const Field *pField :
         {&avgPerSlot, &slotMax, &slotTicks, &curSlot, &waiters, &usage, &loan, &dynTokens}) {
        char label[32];
        (void)mos_Snprintf(label, sizeof(label), " %s:", pField->pName);
        PrintStr(label, LABEL, LABEL);
        PrintStr(pField->value.text, pField->fg, KEEP);
    }
}

uint16_t netAddress_GetPort(const NetAddress *pAddr) {
    uint16_t port = 0;
    std::memcpy(&port, reinterpret_cast<const uint8_t *>(pAddr) + offsetof(NetAddress, port),
                sizeof(port));
    return port;
}

void Sdbg_LogicalView::PrintNetAddress(const NetAddress &address, int32_t fg, int32_t bg,
                                       uint32_t bXml) {
    const char *pText = netAddress_ToStr(&address);
    const int32_t port = netAddress_GetPort(&address);
    if (bXml == 0) {
        PrintStr("Address: ", fg, bg);
        PrintStr(pText, fg, bg);
        PrintStr(" Port: ", fg, bg);
        PrintInt(port, fg, bg);
        return;
    }
    NewLine();
    PrintStr("\t\t\t<Address>", fg, bg);
    PrintStr(pText, fg, bg);
    PrintStr("</Address>", fg, bg);
    NewLine();
    PrintStr("\t\t\t<Port>", fg, bg);
    PrintInt(port, fg, bg);
    PrintStr("</Port>", fg, bg);
    NewLine();
    PrintStr("\t\t", fg, bg);
}
