// The INF section command line that InstallHinfSection runs.
#pragma once

#include <cstdint>

// Capacity of the line in UTF-16 units, terminator included.
inline constexpr int kSectionLineCapacity = 128;

enum class SectionKind {
    Install,            // "DefaultInstall 128 " (no reboot)
    InstallForceReboot, // "DefaultInstall 129 " (reboot)
    Uninstall,          // "DefaultUninstall 132 " (reboot if needed)
};

// Caller text of the error line for an INF path that does not fit.
inline constexpr char kSectionLineTooLongText[] = "INF path does not fit the section command line";

// The section name and reboot mode that start the line.
[[nodiscard]] const char *sectionLinePrefix(SectionKind kind);

// The INF section the line runs: "DefaultInstall" or "DefaultUninstall".
[[nodiscard]] const char *sectionName(SectionKind kind);

// Builds prefix + infPath (converted from the multibyte code page) into
// line. False, with line untouched past its first unit, when the
// converted path does not fit the line or cannot be converted.
[[nodiscard]] bool buildSectionLine(SectionKind kind, const char *infPath,
                                    char16_t (&line)[kSectionLineCapacity]);
