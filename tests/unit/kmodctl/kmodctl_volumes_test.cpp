// The volume printers against texts written from the documented formats,
// and the reply handling of the list query against short, growing and
// oversized replies.
#include "ioctl_interface.h"
#include "kmodctl_volumes.h"
#include "record_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Volume 0x1122334455667788 of MDM 0xab, bypassing reservations; every
// numeric field of the 2.01 part holds its offset (currSlot of the
// bandwidth limiter beyond 32 bits, inflightReserves negative), the
// booleans alternate.
Bytes volumeEntry(size_t size, uint32_t osType) {
    Bytes e(size);
    e.u64(8, 0xab).u64(16, 0x1122334455667788ull).u32(24, 1);
    if (size < 208) {
        return e;
    }
    for (uint32_t off : {28, 32, 36, 40, 52, 64, 68, 72, 76, 88, 100, 104, 108, 112}) {
        e.u32(off, off);
    }
    e.u64(44, 0x10000002Cull).u64(80, 80).u64(116, 116).u64(124, 124);
    e.u32(140, static_cast<uint32_t>(-140));
    for (uint32_t off : {60, 92, 132, 148, 156, 180}) {
        e.u32(off, 1); // the others stay 0
    }
    e.u32(184, osType);
    if (osType == 1) {
        e.u32(188, 1).u32(192, 2).u32(196, 3).u32(200, 4).u32(204, static_cast<uint32_t>(-5));
    } else if (osType == 2 || osType == 3) {
        e.u64(188, 0x200000000ull).u32(196, 7).u32(200, 8).u32(204, 9);
    }
    if (size >= 264) {
        e.u32(208, 1).u32(212, 2).u64(216, 0x300000000ull).u64(224, 4).u32(232, 5);
        for (uint32_t off = 236; off <= 260; off += 4) {
            e.u32(off, off == 248 ? 1 : 0);
        }
    }
    return e;
}

const char kOneLine[] = "VOL-ID 1122334455667788 MDM-ID 00000000000000ab";

std::string stateBlock(const char *pOsType) {
    return std::string("\tbandwithLbLimit.slotUsage=28\n"
                       "\tbandwithLbLimit.loanToOldSlots=32\n"
                       "\tbandwithLbLimit.avgSlotMax=36\n"
                       "\tbandwithLbLimit.slotMax=40\n"
                       "\tbandwithLbLimit.currSlot=4294967340\n"
                       "\tbandwithLbLimit.tickInSlot=52\n"
                       "\tbandwithLbLimit.bTimerActive=FALSE\n"
                       "\tbandwithLbLimit.bLastPopWasEmpty=TRUE\n"
                       "\tiopsLimiter.slotUsage=64\n"
                       "\tiopsLimiter.loanToOldSlots=68\n"
                       "\tiopsLimiter.avgSlotMax=72\n"
                       "\tiopsLimiter.slotMax=76\n"
                       "\tiopsLimiter.currSlot=80\n"
                       "\tiopsLimiter.tickInSlot=88\n"
                       "\tiopsLimiter.bTimerActive=TRUE\n"
                       "\tiopsLimiter.bLastPopWasEmpty=FALSE\n"
                       "\treadIoAvgWeight=100\n"
                       "\treadIoAvgOccur=104\n"
                       "\twriteIoAvgWeight=108\n"
                       "\twriteIoAvgOccur=112\n"
                       "\tgenerationNum=116\n"
                       "\tresetGenerationNum=124\n"
                       "\tbDeleteAComing=TRUE\n"
                       "\tbNotifyOsOnSizeChange=FALSE\n"
                       "\tinflightReserves=-140\n"
                       "\tbVolInfoNeeded=FALSE\n"
                       "\tbChecksumActive=FALSE\n"
                       "\tbDirectBufferMapping=TRUE\n"
                       "\tbIgnoreReservation=FALSE\n"
                       "\tbResourcesInitialized=TRUE\n"
                       "\tosType=") +
           pOsType + "\n\tbThinProvisioning=TRUE\n";
}

const char kAixBlock[] = "\tblkDevRefCnt=1\n"
                         "\tscsiId=4\n"
                         "\tlunId=12884901888\n"
                         "\tinflightIORefCnt=2\n"
                         "\tnumScsiStart=5\n"
                         "\tbIsDiagState=0\n"
                         "\tbIsSingleMode=0\n"
                         "\tbRetainReservation=0\n"
                         "\tbIsReserved=1\n"
                         "\tbIsPreventReservation=0\n"
                         "\tbIsInMiddleOfReservation=0\n"
                         "\tbIsInMiddleOfRelease=0\n";

class VolumePrinterTest : public ::testing::Test {
  protected:
    void SetUp() override { qorniIntf_SetVerbose(true); }
    std::string print(void (*pPrint)(const uint8_t *, uint32_t), const Bytes &e,
                      uint32_t extended) {
        testing::internal::CaptureStdout();
        pPrint(e.buf.data(), extended);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(VolumePrinterTest, WithoutTechEveryVersionPrintsOnlyTheLineAndNoBypass) {
    std::string line = std::string(kOneLine) + "\n";
    EXPECT_EQ(print(queryVolumes_PrintDevInfoLegacy, volumeEntry(28, 0), 0), line);
    EXPECT_EQ(print(queryVolumes_PrintDevInfoV201, volumeEntry(208, 1), 0), line);
    EXPECT_EQ(print(queryVolumes_PrintDevInfoV300, volumeEntry(264, 4), 0), line);
}

TEST_F(VolumePrinterTest, LegacyWithTechShowsBypassOnlyWhenSet) {
    std::string bypass = std::string(kOneLine) + " ByPassing SCSI reservations\n";
    EXPECT_EQ(print(queryVolumes_PrintDevInfoLegacy, volumeEntry(28, 0), 1), bypass);
    EXPECT_EQ(print(queryVolumes_PrintDevInfoLegacy, volumeEntry(28, 0).u32(24, 0), 1),
              std::string(kOneLine) + "\n");
}

struct OsCase {
    uint32_t osType;
    const char *pName;
    const char *pOsBlock;
};

const OsCase kOsCases[] = {
    {0, "UNKNOWN", ""},
    {1, "LINUX",
     "\tdevUsers=1\n\tinflightReads=2\n\tinflightWrites=3\n\tsplits=4\n\tsplitFailAlloc=-5\n"},
    {2, "WINDOWS", "\tsizeLb=8589934592\n"},
    {3, "ESX", "\tsizeLb=8589934592\n\ttargetID=7\n\tlunID=8\n\tqDepth=9\n"},
    {4, "AIX", ""},
    {5, "UNKNOWN", ""},
};

TEST_F(VolumePrinterTest, V201WithTechPrintsStateAndOperatingSystemBlock) {
    for (const OsCase &c : kOsCases) {
        SCOPED_TRACE(c.osType);
        std::string expected = std::string(kOneLine) + " ByPassing SCSI reservations\n" +
                               stateBlock(c.pName) + c.pOsBlock;
        EXPECT_EQ(print(queryVolumes_PrintDevInfoV201, volumeEntry(208, c.osType), 1), expected);
    }
}

TEST_F(VolumePrinterTest, V300WithTechAddsTheAixBlockOnlyForAix) {
    for (const OsCase &c : kOsCases) {
        SCOPED_TRACE(c.osType);
        std::string expected = std::string(kOneLine) + " ByPassing SCSI reservations\n" +
                               stateBlock(c.pName) + c.pOsBlock + (c.osType == 4 ? kAixBlock : "");
        EXPECT_EQ(print(queryVolumes_PrintDevInfoV300, volumeEntry(264, c.osType), 1), expected);
    }
}

// A list record of the given capacity at 2.00: rc, count, entries.
Bytes listRecord(uint64_t capacity, uint64_t numVols) {
    Bytes r(20 + capacity * 28);
    r.u32(0, 65).u64(8, numVols);
    for (uint64_t i = 0; i < capacity; i++) {
        r.u64(20 + i * 28 + 16, 0x100 + i);
    }
    return r;
}

struct ReplyCase {
    const char *pWhat;
    MOS_RC sendRc;
    uint64_t capacity;
    uint64_t numVols;
    size_t returned; // record bytes the driver wrote
    MOS_RC expectedRc;
    uint64_t expectedGrowTo;
    const char *pStdout;
    const char *pStderr;
};

const ReplyCase kReplyCases[] = {
    {"driver failure passes unchanged, nothing printed", 434, 2, 1, 48, 434, 0, "", ""},
    {"no volumes", 65, 2, 0, 20, 65, 0, "Retrieved 0 volume(s)\n", ""},
    {"all entries", 65, 2, 2, 76, 65, 0,
     "Retrieved 2 volume(s)\nVOL-ID 0000000000000100 MDM-ID 0000000000000000\n"
     "VOL-ID 0000000000000101 MDM-ID 0000000000000000\n",
     ""},
    {"a reply of the frame header alone carries no count", 65, 2, 2, 0, 434, 0, "",
     "Error: QUERY_ALL_BLK_DEVS returned 0 bytes, fewer than the 16 that hold its count\n"},
    {"a larger count asks again", 65, 2, 3, 20, 65, 3, "", ""},
    {"a count beyond one reply is refused", 65, 2, 0xFFFFFFFFFFull, 20, 434, 0, "",
     "Error: QUERY_ALL_BLK_DEVS reports 1099511627775 entries, more than one reply can "
     "hold\n"},
    {"a reply one entry short prints nothing", 65, 2, 2, 48, 434, 0, "",
     "Error: QUERY_ALL_BLK_DEVS returned 48 bytes, fewer than the 76 its count needs\n"},
    {"a reply one byte short prints nothing", 65, 3, 3, 103, 434, 0, "",
     "Error: QUERY_ALL_BLK_DEVS returned 103 bytes, fewer than the 104 its count needs\n"},
    {"entries beyond the count are not printed", 65, 3, 1, 104, 65, 0,
     "Retrieved 1 volume(s)\nVOL-ID 0000000000000100 MDM-ID 0000000000000000\n", ""},
    {"a count that fills the capacity", 65, 3, 3, 104, 65, 0,
     "Retrieved 3 volume(s)\nVOL-ID 0000000000000100 MDM-ID 0000000000000000\n"
     "VOL-ID 0000000000000101 MDM-ID 0000000000000000\n"
     "VOL-ID 0000000000000102 MDM-ID 0000000000000000\n",
     ""},
};

TEST(VolumeReplyTest, RepliesAreBoundedByWhatTheDriverReturned) {
    qorniIntf_SetVerbose(true);
    for (const ReplyCase &c : kReplyCases) {
        SCOPED_TRACE(c.pWhat);
        Bytes record = listRecord(c.capacity, c.numVols);
        uint64_t growTo = 99;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        MOS_RC rc = queryVolumes_HandleReply(queryVolumes_V200, c.sendRc, record.buf.data(),
                                             c.returned, c.capacity, 0, &growTo);
        std::string err = testing::internal::GetCapturedStderr();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(rc, c.expectedRc);
        EXPECT_EQ(growTo, c.expectedGrowTo);
        EXPECT_EQ(out, c.pStdout);
        EXPECT_EQ(err, c.pStderr);
    }
}

TEST(VolumeReplyTest, LargestCapacityFitsOneIoControl) {
    for (const QorniVolQuery *pQuery :
         {&queryVolumes_V200, &queryVolumes_V201, &queryVolumes_V300}) {
        uint64_t maxCapacity = queryVolumes_MaxCapacity(*pQuery);
        EXPECT_LE(8 + 20 + maxCapacity * pQuery->entrySize, 0xFFFFFFFFull);
        EXPECT_GT(8 + 20 + (maxCapacity + 1) * pQuery->entrySize, 0xFFFFFFFFull);
    }
}

} // namespace
