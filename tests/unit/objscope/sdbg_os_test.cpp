// The viewer's operating-system layer: what the views print from it must
// read the same on both targets.
#include "os_time.h"
#include "sdbg_os.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct GuidCase {
    uint8_t bytes[16];
    const char *pText;
};

// Data1..Data3 are little-endian words, Data4 eight bytes in order; the
// Windows build asks the system, the Linux build formats it itself.
const GuidCase kGuidCases[] = {
    {{0}, "{00000000-0000-0000-0000-000000000000}"},
    {{0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD,
      0xEF},
     "{12345678-9ABC-DEF0-0123-456789ABCDEF}"},
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF},
     "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
    {{0x0a, 0, 0, 0, 0x0b, 0, 0x0c, 0, 0xd0, 0x0e, 0, 0, 0, 0, 0, 0x01},
     "{0000000A-000B-000C-D00E-000000000001}"},
};

TEST(SdbgOsGuidText, RegistryFormUpperCaseBraced) {
    for (const GuidCase &c : kGuidCases) {
        char text[kSdbgGuidTextSize];
        SdbgOs_GuidText(c.bytes, text);
        EXPECT_EQ(std::string(text), c.pText);
        EXPECT_EQ(std::string(text).size(), 38u);
    }
}

// The viewer turns a process's ticks into time with the counter frequency
// the runtime's processes count with: 10 MHz on both targets, so that a
// Windows viewer reads a Linux process's histograms in the right unit.
TEST(SdbgOsPerfFrequency, IsTheRuntimesTenMegahertzCounter) {
    const double saved = SdbgOs_PerfFrequency;
    SdbgOs_Init();
    int64_t count = 0;
    int64_t frequency = 0;
    osTime_QueryPerformanceCounter(&count, &frequency);
    EXPECT_EQ(SdbgOs_PerfFrequency, static_cast<double>(frequency));
    EXPECT_EQ(SdbgOs_PerfFrequency, 10000000.0);
    SdbgOs_PerfFrequency = saved;
}

} // namespace
