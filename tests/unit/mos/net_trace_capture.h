// Collects the messages of the network modules written while it lives:
// the trace layer is brought up with standard output on, the NET
// component raised to the given frequency, and standard output captured.
#pragma once

#include "mos_init_params.h"
#include "mos_trace.h"

#include <gtest/gtest.h>

#include <string>

namespace mostest {

class NetTraceCapture {
  public:
    explicit NetTraceCapture(int32_t netFreq = MOS_TRACE_FREQ_MEDIUM) {
        mosTraceConf_ResetDefaults();
        mosTraceConf_SetComponentFreq(MOS_COMP_NET, netFreq);
        MosTrcParams params{};
        params.trc_stdout = 1;
        EXPECT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        testing::internal::CaptureStdout();
    }
    ~NetTraceCapture() {
        if (!m_bTaken) {
            (void)Take();
        }
    }
    // Stops capturing and returns what was written.
    std::string Take() {
        m_bTaken = true;
        std::string out = testing::internal::GetCapturedStdout();
        mosTrcLayer_Destroy();
        mosTraceConf_ResetDefaults();
        return out;
    }

  private:
    bool m_bTaken = false;
};

} // namespace mostest
