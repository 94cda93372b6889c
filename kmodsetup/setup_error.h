// Error lines of the installer: a failed call's code with the caller's
// text and the system's message for it.
#pragma once

#include <cstdint>

// The system message number for a call's error code, as the platform's
// HRESULT_FROM_SETUPAPI and HRESULT_FROM_WIN32 make it: a code with its
// three top bits set (a device-installation error) becomes
// 0x800F0000 | low word, any other positive code 0x80070000 | low word;
// 0 and negative codes stay as they are.
[[nodiscard]] uint32_t setupErrorToMessageId(uint32_t code);

// Formats "Error (0x<code>):<text>,<system text>\n" into line (always
// terminated; cut at lineCapacity). The system text is empty when the
// system has none for the code.
void formatSetupErrorLine(const char *text, uint32_t code, char *line, uint32_t lineCapacity);

// Writes the error line to the log.
void printSetupError(const char *text, uint32_t code);

// Writes the error line and ends the process with exit code 1.
[[noreturn]] void failWithSetupError(const char *text, uint32_t code);
