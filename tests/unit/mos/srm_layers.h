// The layers the size-reduction manager stands on (pools, once records,
// user contexts), for the test suites of the manager and of its users.
#pragma once

#include "core_layers.h"
#include "mos_mempool.h"
#include "mos_once.h"
#include "mos_user_context.h"

#include <gtest/gtest.h>

namespace mostest {

inline void StartSrmLayers() {
    EnsureCoreLayers();
    ASSERT_EQ(mosMemPoolLayer_Init(nullptr), MOS_RC__SUCCESS);
    ASSERT_EQ(mosOnceLayer_Create(nullptr), MOS_RC__SUCCESS);
    ASSERT_EQ(mosUserContext_LayerInit(nullptr), MOS_RC__SUCCESS);
}

inline void StopSrmLayers() {
    mosOnceLayer_Destroy();
    mosMemPoolLayer_Destroy();
}

} // namespace mostest
