#include "mos_utils.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

TEST(Formatting, SnprintfReportsFullLengthAndTruncates) {
    char buf[10];
    EXPECT_EQ(mos_Snprintf(buf, sizeof buf, "%s", "01234567890123456789"), 20);
    EXPECT_STREQ(buf, "012345678");
    EXPECT_EQ(mos_Snprintf(buf, sizeof buf, "%d", 12345), 5);
    EXPECT_STREQ(buf, "12345");
}

TEST(Formatting, ClippedReturnsWhatWasStored) {
    char buf[10];
    EXPECT_EQ(mos_SnprintfClipped(buf, sizeof buf, "%s", "01234567890123456789"), 9);
    EXPECT_STREQ(buf, "012345678");
    EXPECT_EQ(mos_SnprintfClipped(buf, sizeof buf, "%s", "012345678"), 9); // exactly fits
    EXPECT_EQ(mos_SnprintfClipped(buf, sizeof buf, "%s", "01234567"), 8);
    EXPECT_EQ(mos_SnprintfClipped(buf, sizeof buf, "%s", ""), 0);
}

TEST(Formatting, OneByteBufferHoldsOnlyTheTerminator) {
    char buf[1] = {'x'};
    EXPECT_EQ(mos_Snprintf(buf, sizeof buf, "abc"), 3);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(mos_SnprintfClipped(buf, sizeof buf, "abc"), 0);
}

TEST(Formatting, ConversionsThePrintersUse) {
    char buf[128];
    mos_Snprintf(buf, sizeof buf, "%05u|%x|%lld|%llu|%llx|%-4s|%.2s", 42u, 255u, -5ll,
                 18446744073709551615ull, 0xABCull, "ab", "xyz");
    EXPECT_STREQ(buf, "00042|ff|-5|18446744073709551615|abc|ab  |xy");
}

TEST(StrChr, StopsAtTheBoundAndAtTheTerminator) {
    const char *text = "abc";
    EXPECT_EQ(mos_StrChr(text, 2, 'a'), text);
    EXPECT_EQ(mos_StrChr(text, 2, 'b'), text + 1);
    EXPECT_EQ(mos_StrChr(text, 2, 'c'), nullptr);
    EXPECT_EQ(mos_StrChr(text, 100, 'c'), text + 2);
    EXPECT_EQ(mos_StrChr("a\0b", 3, 'b'), nullptr);
    EXPECT_EQ(mos_StrChr(text, 4, '\0'), nullptr);
}

TEST(StrChrDeathTest, NullTextAndZeroLengthAreBrokenInvariants) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((mostest::StdoutToStderr(), mos_StrChr(nullptr, 3, 'a')),
                mostest::ExitedWithMinusOne,
                "Panic in file .*, line .*, function mos_StrChr, PID .*\\.Panic "
                "Expression \\(pStrIn\\) != \\(\\(void \\*\\)0\\) \\.");
    EXPECT_EXIT((mostest::StdoutToStderr(), mos_StrChr("abc", 0, 'a')), mostest::ExitedWithMinusOne,
                "function mos_StrChr, .*Panic Expression maxStrLen != 0 \\.");
}

// A long-option parse over a word list, as a program's main sees it.
class GetoptLong : public testing::Test {
  protected:
    void SetUp() override {
        mos_optind = 1;
        mos_opterr = 1;
        mos_optarg = nullptr;
    }
    // Starts a fresh parse of the given words and returns the first result.
    int32_t parse(std::vector<std::string> words) {
        SetUp();
        words_ = std::move(words);
        argv_.clear();
        argv_.push_back(const_cast<char *>("prog"));
        for (auto &w : words_) {
            argv_.push_back(w.data());
        }
        argv_.push_back(nullptr);
        return next();
    }
    int32_t next() {
        return mos_GetoptLong(static_cast<int32_t>(argv_.size() - 1), argv_.data(), "", kOptions,
                              &index_);
    }
    std::string arg() const { return mos_optarg ? mos_optarg : "<null>"; }

    static inline int32_t flagValue_ = 0;
    static constexpr MosLongOption kOptions[] = {
        {"log_dir", MOS_REQUIRED_ARGUMENT, nullptr, 'l'},
        {"ab", MOS_NO_ARGUMENT, nullptr, 'a'},
        {"opt", MOS_OPTIONAL_ARGUMENT, nullptr, 'o'},
        {"flag", MOS_NO_ARGUMENT, &flagValue_, 7},
        {nullptr, 0, nullptr, 0},
    };
    std::vector<std::string> words_;
    std::vector<char *> argv_;
    int32_t index_ = -1;
};

TEST_F(GetoptLong, ValueAfterEqualsOrAfterABlank) {
    EXPECT_EQ(parse({"--log_dir=/tmp"}), 'l');
    EXPECT_EQ(arg(), "/tmp");
    EXPECT_EQ(index_, 0);
    EXPECT_EQ(parse({"--log_dir", "/tmp"}), 'l');
    EXPECT_EQ(arg(), "/tmp");
    EXPECT_EQ(mos_optind, 3);
}

TEST_F(GetoptLong, MissingRequiredValueIsQuietError) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(parse({"--log_dir"}), '?');
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(mos_optarg, nullptr);
}

TEST_F(GetoptLong, UnknownOptionIsReportedWithItsValue) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(parse({"--log=x"}), '?'); // a prefix of log_dir is not a match
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "unrecognized option --log=x\n");
    mos_opterr = 0;
    testing::internal::CaptureStdout();
    mos_optind = 1;
    EXPECT_EQ(next(), '?');
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(GetoptLong, StopsAtTheFirstWordThatIsNoLongOption) {
    struct Case {
        std::vector<std::string> words;
        int32_t firstResult;
        int32_t optindAfter;
    };
    const Case cases[] = {
        {{"--a"}, -1, 1},          // too short to be an option
        {{"-x"}, -1, 1},           // short options do not exist
        {{"word", "--ab"}, -1, 1}, // words are never reordered
        {{}, -1, 1},               // exhausted
        {{"--ab", "-x"}, 'a', 2},  // 4 characters is long enough
    };
    for (const Case &c : cases) {
        EXPECT_EQ(parse(c.words), c.firstResult);
        EXPECT_EQ(mos_optind, c.optindAfter);
    }
    EXPECT_EQ(next(), -1); // then "-x" stops the parse
    EXPECT_EQ(mos_optind, 2);
}

TEST_F(GetoptLong, OptionalArgumentTakesTheNextWordWhateverItIs) {
    EXPECT_EQ(parse({"--opt", "--ab"}), 'o');
    EXPECT_EQ(arg(), "--ab");
    EXPECT_EQ(parse({"--opt"}), 'o');
    EXPECT_EQ(mos_optarg, nullptr);
}

TEST_F(GetoptLong, FlagRowsStoreTheirValue) {
    flagValue_ = 0;
    EXPECT_EQ(parse({"--flag=ignored"}), 0);
    EXPECT_EQ(flagValue_, 7);
    EXPECT_EQ(index_, 3);
    EXPECT_EQ(mos_optarg, nullptr); // a value for an argument-less option is ignored
}

TEST(Uuid, ParsesTheTextForm) {
    uint8_t out[16] = {};
    ASSERT_EQ(mos_StrToUuidNoAssert("01234567-89ab-cdef-0123-456789ABCDEF", out), MOS_RC__SUCCESS);
    const uint8_t expected[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                  0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(0, memcmp(out, expected, 16));
    EXPECT_EQ(mos_StrToUuidNoAssert("01234567-89ab-cdef-0123-456789abcdefTRAILING", out),
              MOS_RC__SUCCESS);
}

TEST(Uuid, MalformedTextsAreInvalidAndKeepParsedBytes) {
    const char *bad[] = {
        "0123456789ABCDEF0123456789abcdef0123", // no dashes: fails at byte 4
        "01234567-89ab-cdef-0123-456789abcde",  // one digit short
        "01234567-89ab-cdef-0123_456789abcdef", // wrong separator
        "0123456g-89ab-cdef-0123-456789abcdef", // not a hex digit
        "",
    };
    for (const char *text : bad) {
        uint8_t out[16] = {};
        EXPECT_EQ(mos_StrToUuidNoAssert(text, out), MOS_RC__INVALID) << text;
    }
    uint8_t out[16] = {};
    ASSERT_EQ(mos_StrToUuidNoAssert(bad[0], out), MOS_RC__INVALID);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[3], 0x67);
    EXPECT_EQ(out[4], 0x00);
}

} // namespace
