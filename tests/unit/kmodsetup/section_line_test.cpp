#include "section_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string widenAscii(const std::string &text) {
    return {text.begin(), text.end()};
}

TEST(SectionLine, PrefixesNameSectionAndRebootMode) {
    EXPECT_STREQ(sectionLinePrefix(SectionKind::Install), "DefaultInstall 128 ");
    EXPECT_STREQ(sectionLinePrefix(SectionKind::InstallForceReboot), "DefaultInstall 129 ");
    EXPECT_STREQ(sectionLinePrefix(SectionKind::Uninstall), "DefaultUninstall 132 ");
}

TEST(SectionLine, BuildsPrefixAndPath) {
    char16_t line[kSectionLineCapacity];
    ASSERT_TRUE(buildSectionLine(SectionKind::Uninstall, "C:\\drv\\frelok.inf", line));
    EXPECT_EQ(std::u16string(line), widenAscii("DefaultUninstall 132 C:\\drv\\frelok.inf"));
}

struct FitCase {
    SectionKind kind;
    size_t pathLength;
    bool bFits;
};

TEST(SectionLine, RefusesAPathThatDoesNotFitTheLine) {
    // 128 units: prefix + path + terminator.
    const size_t installRoom = kSectionLineCapacity - 19 - 1;
    const size_t uninstallRoom = kSectionLineCapacity - 21 - 1;
    const FitCase cases[] = {
        {SectionKind::Install, installRoom, true},
        {SectionKind::Install, installRoom + 1, false},
        {SectionKind::InstallForceReboot, installRoom, true},
        {SectionKind::InstallForceReboot, 4000, false},
        {SectionKind::Uninstall, uninstallRoom, true},
        {SectionKind::Uninstall, uninstallRoom + 1, false},
        {SectionKind::Install, 0, true},
    };
    for (const FitCase &c : cases) {
        const std::string path(c.pathLength, 'p');
        char16_t line[kSectionLineCapacity];
        EXPECT_EQ(buildSectionLine(c.kind, path.c_str(), line), c.bFits) << c.pathLength;
        if (c.bFits) {
            EXPECT_EQ(std::u16string(line), widenAscii(sectionLinePrefix(c.kind) + path));
        } else {
            EXPECT_EQ(line[0], u'\0');
        }
    }
}

} // namespace
