#include "dport_proto.h"

#include <gtest/gtest.h>

TEST(SdbgSizes, QuerySizesAtTheEdgesOfTheTable) {
    struct Case {
        uint32_t typeId;
        uint32_t size;
    };
    const Case cases[] = {{0, 0},     {1, 0},       {2, 56},        {3, 36},       {28, 24},
                          {29, 24},   {70, 73904},  {102, 64},      {110, 64},     {111, 240},
                          {144, 240}, {151, 22112}, {164, 72},      {165, 752008}, {174, 98},
                          {175, 966}, {176, 0},     {0xFFFFFFFF, 0}};
    for (const Case &c : cases) {
        EXPECT_EQ(sdbg_GetObjQuerySize(c.typeId), c.size) << c.typeId;
    }
    for (uint32_t id = 2; id <= 175; ++id) {
        EXPECT_NE(sdbg_GetObjQuerySize(id), 0u) << id;
    }
}

TEST(SdbgSizes, ResponseSizes) {
    const uint32_t ids[] = {3, 4};
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__OBJS_BY_INDEX, ids, 2), 108u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__ALL_OBJS, ids, 1), 68u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__ALL_OBJS, ids, 0), 20u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__OBJ_COUNT, nullptr, 0), 8u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__SERVER_TYPE, nullptr, 0), 8u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__UNSUPPORTED, nullptr, 0), 4u);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__OBJ_COMMAND, nullptr, 0), 4u);
    EXPECT_EQ(sdbg_GetResponseSize(7, nullptr, 0), 0u);
    EXPECT_EQ(sdbg_GetResponseSize(0, nullptr, 0), 0u);
    // A list past 32 bits saturates instead of wrapping to a small size.
    const uint32_t big = 165;
    EXPECT_EQ(sdbg_GetResponseSize64(SDBG_REQ_TYPE__ALL_OBJS, &big, 5712), 4295538260ull);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__ALL_OBJS, &big, 5712), 0xFFFFFFFFu);
    EXPECT_EQ(sdbg_GetResponseSize(SDBG_REQ_TYPE__ALL_OBJS, &big, 5711), 4294786240u);
}
