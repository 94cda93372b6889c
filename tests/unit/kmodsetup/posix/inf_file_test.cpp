#include "posix/inf_file.h"

#include "win_errors.h"

#include <gtest/gtest.h>

namespace {

constexpr char kSample[] = "; leading comment\r\n"
                           "[Version]\r\n"
                           "Signature = \"$WINDOWS NT$\"\r\n"
                           "Class=SCSIAdapter ; trailing comment\r\n"
                           "ClassGUID = {4D36E97B-E325-11CE-BFC1-08002BE10318}\r\n"
                           "\r\n"
                           "[ Models.NTamd64 ]\r\n"
                           "%Desc% = Install, root\\qorni, \"a;b\"\r\n"
                           "[Install.Services]\n"
                           "AddService = qorni, , Svc\n"
                           "[Svc]\n"
                           "ServiceBinary = %12%\\qorni.sys\n"
                           "plainline\n"
                           "Percent = 100%%\n"
                           "[Strings]\n"
                           "Desc = \"SCSI adapter, sample\"\n";

TEST(InfFile, ReadsSectionsKeysValuesAndStrings) {
    InfFile inf;
    uint32_t error = 0;
    ASSERT_TRUE(infFile_Parse(kSample, &inf, &error));
    EXPECT_EQ(infFile_Value(inf, "version", "CLASS", 0), "SCSIAdapter");
    EXPECT_EQ(infFile_Value(inf, "Version", "Signature", 0), "$WINDOWS NT$");
    EXPECT_EQ(infFile_Value(inf, "Version", "ClassGUID", 0),
              "{4D36E97B-E325-11CE-BFC1-08002BE10318}");
    const InfSection *pModels = infFile_Section(inf, "models.ntamd64");
    ASSERT_NE(pModels, nullptr);
    ASSERT_EQ(pModels->lines.size(), 1u);
    const InfLine &model = pModels->lines[0];
    EXPECT_EQ(model.key, "SCSI adapter, sample");
    EXPECT_EQ(model.values, (std::vector<std::string>{"Install", "root\\qorni", "a;b"}));
    EXPECT_EQ(infFile_Value(inf, "Install.Services", "AddService", 1), "");
    EXPECT_EQ(infFile_Value(inf, "Install.Services", "AddService", 2), "Svc");
    // Unknown strings stay as written; "%%" is one percent sign.
    EXPECT_EQ(infFile_Value(inf, "Svc", "ServiceBinary", 0), "%12%\\qorni.sys");
    EXPECT_EQ(infFile_Value(inf, "Svc", "Percent", 0), "100%");
    const InfSection *pSvc = infFile_Section(inf, "Svc");
    ASSERT_NE(pSvc, nullptr);
    EXPECT_EQ(pSvc->lines[1].key, "");
    EXPECT_EQ(pSvc->lines[1].values, (std::vector<std::string>{"plainline"}));
}

TEST(InfFile, MissingPiecesReadAsEmpty) {
    InfFile inf;
    uint32_t error = 0;
    ASSERT_TRUE(infFile_Parse("[A]\nk = v\n", &inf, &error));
    EXPECT_EQ(infFile_Section(inf, "B"), nullptr);
    EXPECT_EQ(infFile_Value(inf, "A", "k", 1), "");
    EXPECT_EQ(infFile_Value(inf, "A", "other", 0), "");
    EXPECT_EQ(infFile_Value(inf, "B", "k", 0), "");
}

struct ValueCase {
    const char *pWhat;
    const char *text;
    const char *section;
    const char *key;
    size_t index;
    const char *expected;
};

TEST(InfFile, ReadsNamesAndValuesAsTheInstallerDoes) {
    const char kTabs[] = "[\tTabbed\t]\n\tKey\t=\tvalue\t,\tsecond\t\n";
    const char kQuoted[] = "[A]\n\"k = v\", w\nk = plain\n";
    const char kTwice[] = "[A]\nk = %Name%\n[Strings]\nName = \"first\"\nName = \"second\"\n";
    const char kBrackets[] = "[A] x]\nk = v\n[B]]\nk = w\n";
    const ValueCase cases[] = {
        {"tab before a value", kTabs, "Tabbed", "Key", 0, "value"},
        {"tab after the last value", kTabs, "Tabbed", "Key", 1, "second"},
        {"a quoted line is values without a key", kQuoted, "A", "", 0, "k = v"},
        {"a quoted line's next value", kQuoted, "A", "", 1, "w"},
        {"the key of a quoted line is not a key", kQuoted, "A", "k", 0, "plain"},
        {"a string defined twice keeps its first value", kTwice, "A", "k", 0, "first"},
        {"a header ends at its first bracket", kBrackets, "A", "k", 0, "v"},
        {"a header of two closing brackets", kBrackets, "B", "k", 0, "w"},
    };
    for (const ValueCase &c : cases) {
        SCOPED_TRACE(c.pWhat);
        InfFile inf;
        uint32_t error = 0;
        ASSERT_TRUE(infFile_Parse(c.text, &inf, &error));
        EXPECT_EQ(infFile_Value(inf, c.section, c.key, c.index), c.expected);
    }
}

struct ModelsCase {
    const char *pWhat;
    const char *models; // model sections after the [Manufacturer] line
    const char *expected;
};

TEST(InfFile, InstallSectionComesFromTheMostSpecificModelsSection) {
    const char kNt[] = "[Models.NT]\nD = InstallNt, root\\qorni\n";
    const char kAmd64[] = "[Models.NTamd64]\nD = InstallAmd64, ROOT\\QORNI\n";
    const char kPlain[] = "[Models]\nD = InstallPlain, other, root\\qorni\n";
    const std::string all = std::string(kPlain) + kNt + kAmd64;
    const std::string noAmd64 = std::string(kNt) + kPlain;
    const ModelsCase cases[] = {
        {"every decoration", all.c_str(), "InstallAmd64"},
        {"no x64 section", noAmd64.c_str(), "InstallNt"},
        {"undecorated only", kPlain, "InstallPlain"},
        {"x64 section without the ID", "[Models.NTamd64]\nD = X, root\\other\n", ""},
    };
    for (const ModelsCase &c : cases) {
        SCOPED_TRACE(c.pWhat);
        const std::string text = std::string("[Manufacturer]\n%M% = Models, NTamd64\n") + c.models;
        InfFile inf;
        uint32_t error = 0;
        ASSERT_TRUE(infFile_Parse(text, &inf, &error));
        EXPECT_EQ(infFile_FindInstallSection(inf, "root\\qorni"), c.expected);
    }
}

struct BadInfCase {
    const char *text;
    uint32_t error;
};

TEST(InfFile, RefusesMalformedSectionLines) {
    const BadInfCase cases[] = {
        {"[Version\nClass=x\n", KS_ERROR_BAD_SECTION_NAME_LINE},
        {"Class = x\n[Version]\n", KS_ERROR_EXPECTED_SECTION_NAME},
    };
    for (const BadInfCase &c : cases) {
        InfFile inf;
        uint32_t error = 0;
        EXPECT_FALSE(infFile_Parse(c.text, &inf, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(InfFile, MissingFileIsFileNotFound) {
    InfFile inf;
    uint32_t error = 0;
    EXPECT_FALSE(infFile_Load("/nonexistent/dir/x.inf", &inf, &error));
    EXPECT_EQ(error, KS_ERROR_FILE_NOT_FOUND);
}

} // namespace
