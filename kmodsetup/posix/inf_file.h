// A reader of INF files for the Linux stand-in: sections of
// "key = value, value" lines, ';' comments, quoted values and %string%
// substitutions from [Strings]. Names compare without case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct InfLine {
    std::string key; // empty for a line without '='
    std::vector<std::string> values;
};

struct InfSection {
    std::string name;
    std::vector<InfLine> lines;
};

struct InfFile {
    std::vector<InfSection> sections;
};

// Parses text into pInf. Fails with ERROR_GENERAL_SYNTAX-style codes:
// a section header without its closing bracket gives
// KS_ERROR_BAD_SECTION_NAME_LINE, a line before any section
// KS_ERROR_EXPECTED_SECTION_NAME (both in *pError).
[[nodiscard]] bool infFile_Parse(std::string_view text, InfFile *pInf, uint32_t *pError);

// Reads and parses the file at path; a file that cannot be read gives
// KS_ERROR_FILE_NOT_FOUND.
[[nodiscard]] bool infFile_Load(const char *path, InfFile *pInf, uint32_t *pError);

// The section of that name, or null.
[[nodiscard]] const InfSection *infFile_Section(const InfFile &inf, std::string_view name);

// The first line of the section with that key, or null.
[[nodiscard]] const InfLine *infFile_Line(const InfSection &section, std::string_view key);

// The value at valueIndex of the first line with key in sectionName, or
// an empty string.
[[nodiscard]] std::string infFile_Value(const InfFile &inf, std::string_view sectionName,
                                        std::string_view key, size_t valueIndex);

[[nodiscard]] bool infFile_NamesEqual(std::string_view a, std::string_view b);

// The install section of the first model line that lists hardwareId, or
// "": for each [Manufacturer] line, its models section as x64 chooses it,
// the most specific decoration first (".NTamd64", ".NT", none).
[[nodiscard]] std::string infFile_FindInstallSection(const InfFile &inf,
                                                     std::string_view hardwareId);
