#include "setup_error.h"

#include "installer_log.h"
#include "setup_api.h"

#include <cstdio>

namespace {
constexpr uint32_t kSetupApiErrorBits = 0xE0000000;
constexpr uint32_t kSetupApiFacility = 0x800F0000;
constexpr uint32_t kWin32Facility = 0x80070000;
constexpr uint32_t kSystemTextCapacity = 1000;
// The longest caller text plus the system text and the frame.
constexpr uint32_t kLineCapacity = 1400;
} // namespace

uint32_t setupErrorToMessageId(uint32_t code) {
    if ((code & kSetupApiErrorBits) == kSetupApiErrorBits) {
        return kSetupApiFacility | (code & 0xFFFF);
    }
    if (static_cast<int32_t>(code) > 0) {
        return kWin32Facility | (code & 0xFFFF);
    }
    return code;
}

void formatSetupErrorLine(const char *text, uint32_t code, char *line, uint32_t lineCapacity) {
    char systemText[kSystemTextCapacity + 1] = {};
    const uint32_t textLength =
        osSetup_FormatSystemMessage(setupErrorToMessageId(code), systemText, kSystemTextCapacity);
    systemText[textLength < kSystemTextCapacity ? textLength : kSystemTextCapacity] = '\0';
    std::snprintf(line, lineCapacity, "Error (0x%x):%s,%s\n", static_cast<unsigned>(code), text,
                  systemText);
}

void printSetupError(const char *text, uint32_t code) {
    char line[kLineCapacity];
    formatSetupErrorLine(text, code, line, sizeof line);
    installerLog_Write("%s", line);
}

void failWithSetupError(const char *text, uint32_t code) {
    printSetupError(text, code);
    installerLog_EndProcess(1);
}
