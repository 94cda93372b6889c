// Brings up, once per test process, the runtime layers the tests of the
// core modules stand on: utilities, object registry, hash-table type,
// operating-system threads and ticks. Like the programs, the tests never
// unload them.
#pragma once

#include "mos_ds_hash.h"
#include "mos_mem.h"
#include "mos_obj.h"
#include "mos_os_thread.h"
#include "mos_ticks.h"
#include "os_crash.h"

#include <gtest/gtest.h>

namespace mostest {

inline void EnsureCoreLayers() {
    static const bool bUp = [] {
        EXPECT_EQ(mosUtilsLayer_Init(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosObjLayer_Init(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosHashLayer_Init(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosOsThrdLayer_Create(nullptr), MOS_RC__SUCCESS);
        EXPECT_EQ(mosTicksLayer_Init(nullptr), MOS_RC__SUCCESS);
        // The thread layer hands crashes to the debug layer's filter; here
        // each test decides that itself (the debug-layer tests install it).
        osCrash_RemoveFilter();
        return true;
    }();
    (void)bUp;
}

} // namespace mostest
