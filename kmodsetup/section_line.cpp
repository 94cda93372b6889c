#include "section_line.h"

#include "setup_api.h"

#include <cstring>

const char *sectionLinePrefix(SectionKind kind) {
    switch (kind) {
        case SectionKind::Install:
            return "DefaultInstall 128 ";
        case SectionKind::InstallForceReboot:
            return "DefaultInstall 129 ";
        case SectionKind::Uninstall:
            return "DefaultUninstall 132 ";
    }
    return "";
}

const char *sectionName(SectionKind kind) {
    return kind == SectionKind::Uninstall ? "DefaultUninstall" : "DefaultInstall";
}

bool buildSectionLine(SectionKind kind, const char *infPath,
                      char16_t (&line)[kSectionLineCapacity]) {
    line[0] = u'\0';
    const char *prefix = sectionLinePrefix(kind);
    const int prefixLength = static_cast<int>(std::strlen(prefix));
    const int pathUnits = osSetup_MultiByteToWide(infPath, nullptr, 0); // terminator included
    if (pathUnits <= 0 || prefixLength + pathUnits > kSectionLineCapacity) {
        return false;
    }
    for (int i = 0; i < prefixLength; ++i) {
        line[i] = static_cast<char16_t>(prefix[i]); // the prefix is ASCII
    }
    if (osSetup_MultiByteToWide(infPath, line + prefixLength, pathUnits) != pathUnits) {
        line[0] = u'\0';
        return false;
    }
    return true;
}
