// The asynchronous I/O layer's settings and its two object types.
#include "../core_layers.h"
#include "../test_support.h"
#include "mos_async_io.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

template <typename Query> Query queryOf(uint32_t typeId, MosObjEntry *pEntry) {
    MosObjType *pType = mosObjType_GetById(typeId);
    Query q;
    memset(&q, 0, sizeof q);
    EXPECT_NE(pType, nullptr);
    if (pType != nullptr) {
        EXPECT_EQ(mosObjType_GetQueryDataSize(pType), sizeof(Query));
        mosObj_Query(pEntry, pType, &q);
    }
    return q;
}

TEST(AsyncIOLayer, TypesAlignmentAndSettings) {
    mostest::EnsureCoreLayers();
    MosAioParams params = {1, 0, 7, 500};
    ASSERT_EQ(mosAsyncIOLayer_Create(&params), MOS_RC__SUCCESS);
    EXPECT_EQ(mosAsyncIOLayer_G.ioAlignment, mos_GetPageSize());
    EXPECT_EQ(mosAsyncIOLayer_G.initParams.dbg_io_good_ios, 7u);
    EXPECT_EQ(mosAsyncIOLayer_G.initParams.dbg_io_timeout_millis, 500u);

    MosAsyncIO io = {};
    io.counters = {1, 2, 3, 4, 5, 6};
    const auto q = queryOf<MosAsyncIO_Query>(10, &io.objEntry);
    EXPECT_EQ(q.bDie, 1u);
    EXPECT_EQ(q.thrdNum, 5u);
    EXPECT_EQ(q.krnLowRsrc, 6u);
    MosAsyncIOFile file = {};
    file.counters = {9, 0, 0, 0, 1048576};
    const auto f = queryOf<MosAsyncIOFile_Query>(12, &file.objEntry);
    EXPECT_EQ(f.fd, 9u);
    EXPECT_EQ(f.maxIoSizeBytes, 1048576u);

    mosAsyncIOLayer_Destroy();
    EXPECT_EQ(mosAsyncIOLayer_G.ioAlignment, 0u);
    EXPECT_EQ(mosObjType_GetById(10), nullptr);
    EXPECT_EQ(mosObjType_GetById(12), nullptr);

    ASSERT_EQ(mosAsyncIOLayer_Create(nullptr), MOS_RC__SUCCESS);
    EXPECT_EQ(mosAsyncIOLayer_G.initParams.dbg_io_good_ios, 0u);
    mosAsyncIOLayer_Destroy();
}

TEST(AsyncIOLayerDeathTest, DirectIoCannotBeTurnedOff) {
    mostest::EnsureCoreLayers();
    MosAioParams params = {0, 1, 0, 0};
    EXPECT_EXIT((mostest::StdoutToStderr(), (void)mosAsyncIOLayer_Create(&params)),
                mostest::ExitedWithMinusOne, "!mosAsyncIOLayer_G.initParams.bDontUseDirectIo");
}

} // namespace
