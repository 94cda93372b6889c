// The layers of pools, workers, counters, performance records and the CPU
// as the runtime's start brings them up.
#include "dport_proto.h"
#include "mos_blocking.h"
#include "mos_loader.h"
#include "mos_mempool.h"
#include "mos_obj.h"
#include "mos_timed_action.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs in a child: the runtime starts once per process. Ends without the
// leak scan, which would count the layers the parent test process built.
void startAndCheck() {
    if (mos_Init(nullptr) != MOS_RC__SUCCESS) {
        fprintf(stderr, "init failed\n");
        std::_Exit(1);
    }
    const MosMemPool *pPool = mosSmallIovPool_Get();
    const uint32_t types[] = {3,   10,  11,  12,  13,  15,  16,  17,  52,  102, 103, 104, 105,
                              106, 107, 108, 109, 110, 111, 144, 145, 147, 151, 171, 172, 173};
    uint32_t missing = 0;
    for (uint32_t typeId : types) {
        // Registered, with the query size the debug port's table gives.
        MosObjType *pType = mosObjType_GetById(typeId);
        missing +=
            pType == nullptr || mosObjType_GetQueryDataSize(pType) != sdbg_GetObjQuerySize(typeId)
                ? 1
                : 0;
    }
    fprintf(stderr, "pool=%u blocker=%u missing=%u\n", pPool != nullptr ? pPool->numBlocks : 0,
            mosBlocking_GetDefault() != nullptr ? 1u : 0u, missing);
    std::_Exit(0);
}

TEST(LoaderLayersDeathTest, StartWithoutBlockBuildsTheDefaults) {
    EXPECT_EXIT(startAndCheck(), testing::ExitedWithCode(0), "pool=1000 blocker=1 missing=0");
}

} // namespace
