#include "inf_file.h"

#include "win_errors.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

std::string_view trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Cuts a ';' comment that stands outside double quotes.
std::string_view stripComment(std::string_view line) {
    bool bQuoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            bQuoted = !bQuoted;
        } else if (line[i] == ';' && !bQuoted) {
            return line.substr(0, i);
        }
    }
    return line;
}

// One comma-separated field: trimmed, with its quotes taken off.
std::string unquote(std::string_view field) {
    field = trim(field);
    std::string value;
    for (char c : field) {
        if (c != '"') {
            value.push_back(c);
        }
    }
    return value;
}

std::vector<std::string> splitValues(std::string_view text) {
    std::vector<std::string> values;
    bool bQuoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"') {
            bQuoted = !bQuoted;
        }
        if (i == text.size() || (text[i] == ',' && !bQuoted)) {
            values.push_back(unquote(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return values;
}

InfLine parseLine(std::string_view text) {
    InfLine line;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || text.front() == '"') {
        line.values = splitValues(text);
        return line;
    }
    line.key = unquote(text.substr(0, equals));
    line.values = splitValues(text.substr(equals + 1));
    return line;
}

// Replaces %name% by its [Strings] value; "%%" stands for one '%'.
std::string substitute(const std::string &value, const InfSection *pStrings) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const size_t close = value[i] == '%' ? value.find('%', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out.push_back(value[i]);
            continue;
        }
        const std::string_view name(value.data() + i + 1, close - i - 1);
        const InfLine *pLine = pStrings != nullptr ? infFile_Line(*pStrings, name) : nullptr;
        if (name.empty()) {
            out.push_back('%');
        } else if (pLine != nullptr && !pLine->values.empty()) {
            out += pLine->values[0];
        } else {
            out.append(value, i, close - i + 1);
        }
        i = close;
    }
    return out;
}

void substituteStrings(InfFile *pInf) {
    const InfSection *pStrings = infFile_Section(*pInf, "Strings");
    for (InfSection &section : pInf->sections) {
        if (&section == pStrings) {
            continue;
        }
        for (InfLine &line : section.lines) {
            line.key = substitute(line.key, pStrings);
            for (std::string &value : line.values) {
                value = substitute(value, pStrings);
            }
        }
    }
}

} // namespace

bool infFile_NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool infFile_Parse(std::string_view text, InfFile *pInf, uint32_t *pError) {
    pInf->sections.clear();
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view line = trim(stripComment(raw));
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                *pError = KS_ERROR_BAD_SECTION_NAME_LINE;
                return false;
            }
            pInf->sections.push_back({std::string(trim(line.substr(1, close - 1))), {}});
            continue;
        }
        if (pInf->sections.empty()) {
            *pError = KS_ERROR_EXPECTED_SECTION_NAME;
            return false;
        }
        pInf->sections.back().lines.push_back(parseLine(line));
    }
    substituteStrings(pInf);
    return true;
}

bool infFile_Load(const char *path, InfFile *pInf, uint32_t *pError) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *pError = KS_ERROR_FILE_NOT_FOUND;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return infFile_Parse(text.str(), pInf, pError);
}

const InfSection *infFile_Section(const InfFile &inf, std::string_view name) {
    for (const InfSection &section : inf.sections) {
        if (infFile_NamesEqual(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

const InfLine *infFile_Line(const InfSection &section, std::string_view key) {
    for (const InfLine &line : section.lines) {
        if (infFile_NamesEqual(line.key, key)) {
            return &line;
        }
    }
    return nullptr;
}

namespace {

// Decorations a model section may carry on x64, most specific first.
const char *const kModelDecorations[] = {".NTamd64", ".NT", ""};

std::string searchModels(const InfFile &inf, const std::string &models,
                         std::string_view hardwareId) {
    const InfSection *pModels = infFile_Section(inf, models);
    if (pModels == nullptr) {
        return {};
    }
    for (const InfLine &line : pModels->lines) {
        for (size_t i = 1; i < line.values.size(); ++i) {
            if (infFile_NamesEqual(line.values[i], hardwareId)) {
                return line.values[0];
            }
        }
    }
    return {};
}

} // namespace

std::string infFile_FindInstallSection(const InfFile &inf, std::string_view hardwareId) {
    const InfSection *pManufacturer = infFile_Section(inf, "Manufacturer");
    if (pManufacturer == nullptr) {
        return {};
    }
    for (const InfLine &line : pManufacturer->lines) {
        if (line.values.empty()) {
            continue;
        }
        for (const char *decoration : kModelDecorations) {
            const std::string section = searchModels(inf, line.values[0] + decoration, hardwareId);
            if (!section.empty()) {
                return section;
            }
        }
    }
    return {};
}

std::string infFile_Value(const InfFile &inf, std::string_view sectionName, std::string_view key,
                          size_t valueIndex) {
    const InfSection *pSection = infFile_Section(inf, sectionName);
    const InfLine *pLine = pSection != nullptr ? infFile_Line(*pSection, key) : nullptr;
    if (pLine == nullptr || valueIndex >= pLine->values.size()) {
        return {};
    }
    return pLine->values[valueIndex];
}
