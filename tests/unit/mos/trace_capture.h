// Captures the trace lines a block of code writes, through the trace
// layer's standard-output sink.
#pragma once

#include "mos_init_params.h"
#include "mos_trace.h"

#include <gtest/gtest.h>

#include <string>

namespace mostest {

class TraceCapture {
  public:
    TraceCapture() {
        MosTrcParams params{};
        params.trc_stdout = 1;
        EXPECT_EQ(mosTrcLayer_Create(&params), MOS_RC__SUCCESS);
        testing::internal::CaptureStdout();
    }
    // The text written since the start; the capture ends.
    std::string Stop() {
        if (!m_bStopped) {
            m_text = testing::internal::GetCapturedStdout();
            mosTrcLayer_Destroy();
            m_bStopped = true;
        }
        return m_text;
    }
    ~TraceCapture() { Stop(); }

  private:
    bool m_bStopped = false;
    std::string m_text;
};

// Captures standard output only, for tests whose threads trace while
// captures begin and end: the trace layer's standard-output sink is made
// once, before those threads start, and is left up (making it afresh
// under a tracing thread would race with that thread).
class StdoutCapture {
  public:
    StdoutCapture() { testing::internal::CaptureStdout(); }
    // The text written since the start; the capture ends.
    std::string Stop() {
        if (!m_bStopped) {
            m_text = testing::internal::GetCapturedStdout();
            m_bStopped = true;
        }
        return m_text;
    }
    ~StdoutCapture() { Stop(); }

  private:
    bool m_bStopped = false;
    std::string m_text;
};

} // namespace mostest
