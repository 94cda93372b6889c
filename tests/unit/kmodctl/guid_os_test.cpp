// The operating system's GUID generation as kmodctl uses it: new random
// GUIDs of version 4 in Windows storage order.
#include "kmodctl_guid.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GuidOsTest, NewGuidsDifferAndCarryVersionAndVariant) {
    uint8_t first[QORNI_GUID_BYTES] = {};
    uint8_t second[QORNI_GUID_BYTES] = {};
    uint32_t osError = 1;
    ASSERT_EQ(osGuid_Create(first, &osError), MOS_RC__SUCCESS);
    EXPECT_EQ(osError, 0u);
    ASSERT_EQ(osGuid_Create(second, &osError), MOS_RC__SUCCESS);
    EXPECT_NE(memcmp(first, second, sizeof(first)), 0);
    for (const uint8_t *pGuid : {first, second}) {
        EXPECT_EQ(pGuid[7] >> 4, 4) << "version 4 in the high nibble of the little-endian Data3";
        EXPECT_EQ(pGuid[8] >> 6, 2) << "the standard variant";
    }
}

} // namespace
