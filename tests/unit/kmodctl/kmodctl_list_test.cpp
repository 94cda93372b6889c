// The reply check of the growing list queries: what a reply of each size
// and count leads to.
#include "kmodctl_list.h"

#include "ioctl_interface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A list of 12-byte header (u32 count at 8) or 16-byte header (u64 count
// at 8), entries of 10 bytes.
const KmodctlListShape kNarrow = {"LIST32", 12, 8, 4, 10};
const KmodctlListShape kWide = {"LIST64", 16, 8, 8, 10};

struct CheckCase {
    const char *pWhat;
    const KmodctlListShape *pShape;
    MOS_RC rc;
    uint64_t count;  // written at the count field
    size_t returned; // record bytes the driver wrote
    MOS_RC result;
    uint64_t expCount; // entries to print
    uint64_t growTo;
    const char *pErr;
};

const CheckCase kCases[] = {
    {"driver failure passes unchanged", &kNarrow, 80, 1, 100, 80, 0, 0, ""},
    {"fits", &kNarrow, MOS_RC__SUCCESS, 3, 42, MOS_RC__SUCCESS, 3, 0, ""},
    {"empty", &kWide, MOS_RC__SUCCESS, 0, 16, MOS_RC__SUCCESS, 0, 0, ""},
    {"more than the capacity asks again", &kWide, MOS_RC__SUCCESS, 5, 16, MOS_RC__SUCCESS, 0, 5,
     ""},
    {"count not returned", &kNarrow, MOS_RC__SUCCESS, 3, 11, MOS_RC__SDC_IOCTL_ERROR, 0, 0,
     "Error: LIST32 returned 11 bytes, fewer than the 12 that hold its count\n"},
    {"entries not returned", &kNarrow, MOS_RC__SUCCESS, 3, 41, MOS_RC__SDC_IOCTL_ERROR, 0, 0,
     "Error: LIST32 returned 41 bytes, fewer than the 42 its count needs\n"},
    {"count no reply can hold", &kWide, MOS_RC__SUCCESS, 0xFFFFFFFFFFFFFFFFull, 16,
     MOS_RC__SDC_IOCTL_ERROR, 0, 0,
     "Error: LIST64 reports 18446744073709551615 entries, more than one reply can hold\n"},
};

TEST(KmodctlListTest, ReplyCheckBoundsEveryCountByTheReply) {
    qorniIntf_SetVerbose(true);
    const uint64_t capacity = 4;
    for (const CheckCase &c : kCases) {
        SCOPED_TRACE(c.pWhat);
        std::vector<uint8_t> record(c.pShape->headerSize + capacity * c.pShape->entrySize, 0);
        memcpy(record.data() + c.pShape->countOffset, &c.count, c.pShape->countWidth);
        uint64_t count = 99;
        uint64_t growTo = 99;
        testing::internal::CaptureStderr();
        MOS_RC result = kmodctlList_CheckReply(*c.pShape, c.rc, record.data(), c.returned, capacity,
                                               &count, &growTo);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.pErr);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(count, c.expCount);
        EXPECT_EQ(growTo, c.growTo);
    }
}

TEST(KmodctlListTest, LargestCapacityFitsOneIoControl) {
    uint64_t max = kmodctlList_MaxCapacity(kWide);
    EXPECT_LE(8 + kWide.headerSize + max * kWide.entrySize, 0xFFFFFFFFull);
    EXPECT_GT(8 + kWide.headerSize + (max + 1) * kWide.entrySize, 0xFFFFFFFFull);
}

TEST(KmodctlListTest, ReadsFieldsOfBothWidthsLittleEndian) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(kmodctl_ReadUnsigned(bytes, 4), 0x04030201u);
    EXPECT_EQ(kmodctl_ReadUnsigned(bytes, 8), 0x0807060504030201ull);
}

} // namespace
