#include "posix/inf_file.h"

#include "os/win_errors.h"

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
