#include "mos_umt_class.h"

#include "../core_layers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(UmtClass, MembersComeAndGoAndTheQueryReportsThem) {
    mostest::EnsureCoreLayers();
    MosUmtClass cls;
    mosUmtClass_Init(&cls, "a-class-name-longer-than-sixty-three-characters-is-cut-at-sixty-three");
    EXPECT_EQ(strlen(cls.name), 63u);
    MosUmt a = {};
    MosUmt b = {};
    mosUmtClass_AddToClass(&cls, &a);
    mosUmtClass_AddToClass(&cls, &b);
    EXPECT_EQ(mosUmtClass_GetNumUmts(&cls), 2u);
    EXPECT_EQ(b.classRefNode.pClass, &cls);
    mosUmtClass_DelFromClass(&a.classRefNode);
    EXPECT_EQ(a.classRefNode.pClass, nullptr);
    EXPECT_EQ(mosUmtClass_GetNumUmts(&cls), 1u);
    mosUmtClass_AddSamples(&cls, 3, 4);
    mosUmtClass_AddSamples(&cls, 5, 0);

    MosUmtClassQuery q;
    mosUmtClass_SdbgQuery(&cls.objEntry, nullptr, &q);
    EXPECT_EQ(strncmp(q.className, cls.name, 64), 0);
    EXPECT_EQ(q.counter.value, 2u);
    EXPECT_STREQ(q.counter.name, "umts_created");
    EXPECT_EQ(q.stats[0].stats.samples, 2u);
    EXPECT_EQ(q.stats[0].stats.total, 8u);
    EXPECT_EQ(q.stats[0].stats.max, 5u);
    EXPECT_EQ(q.stats[0].stats.sumSquares, 34u);
    EXPECT_EQ(q.stats[1].stats.total, 4u);
    EXPECT_STREQ(q.stats[1].name, "first_ready_wait_ms");
    mosUmtClass_DelFromClass(&b.classRefNode);
    mosUmtClass_Destroy(&cls);
}

} // namespace
