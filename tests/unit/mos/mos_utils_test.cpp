#include "mos_utils.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
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

// The signal-safe formatter against the C library's, conversion by
// conversion (both see the same literal format).
#define EXPECT_SAFE_AS_SNPRINTF(...)                                                               \
    do {                                                                                           \
        char safe[96];                                                                             \
        char libc[96];                                                                             \
        const int len = mos_SafeSnprintf(safe, sizeof safe, __VA_ARGS__);                          \
        snprintf(libc, sizeof libc, __VA_ARGS__);                                                  \
        EXPECT_STREQ(safe, libc);                                                                  \
        EXPECT_EQ(len, static_cast<int>(strlen(libc))) << libc;                                    \
    } while (0)

TEST(Formatting, SafeFormatterMatchesTheCLibrary) {
    EXPECT_SAFE_AS_SNPRINTF("plain text, 100%% sure");
    EXPECT_SAFE_AS_SNPRINTF("%s:%05u: %s", "fn", 7u, "");
    EXPECT_SAFE_AS_SNPRINTF("%d %d %d %i", 0, -1, 2147483647, -2147483647 - 1);
    EXPECT_SAFE_AS_SNPRINTF("%u %x %X %x", 4294967295u, 0xc0000005u, 0xc0000005u, 0u);
    EXPECT_SAFE_AS_SNPRINTF("%ld %lu %lx", -5L, 5UL, 0xABCUL);
    EXPECT_SAFE_AS_SNPRINTF("%lld %llu %llx", -9223372036854775807LL - 1, 18446744073709551615ULL,
                            0x1122334455667788ULL);
    EXPECT_SAFE_AS_SNPRINTF("[%5d][%-5d][%05d][%05d][%2d]", 42, 42, 42, -42, 12345);
    EXPECT_SAFE_AS_SNPRINTF("[%8s][%-8s][%3s][%c%c]", "ab", "ab", "abcdef", 'x', 'y');
    EXPECT_SAFE_AS_SNPRINTF("%016llX:%s:%05u: ", 0x7FF6ABCDULL, "fn", 123456u);
    EXPECT_SAFE_AS_SNPRINTF("(Estimated size: %lluMB, Available: %lluMB)", 200ULL, 0ULL);
}

TEST(Formatting, SafeFormatterPointersNullsAndLimits) {
    char buf[32];
    int fortyTwo = 42;
    EXPECT_EQ(mos_SafeSnprintf(buf, sizeof buf, "IP %p", reinterpret_cast<void *>(0x1234)), 9);
    EXPECT_STREQ(buf, "IP 0x1234");
    const char *volatile pNoText = nullptr; // hidden from the format check
    (void)mos_SafeSnprintf(buf, sizeof buf, "%p|%s", static_cast<void *>(nullptr), pNoText);
    EXPECT_STREQ(buf, "(nil)|(null)");
    (void)mos_SafeSnprintf(buf, sizeof buf, "%p", static_cast<void *>(&fortyTwo));
    EXPECT_EQ(std::string(buf).rfind("0x", 0), 0u);
    EXPECT_EQ(mos_SafeSnprintf(buf, 6, "%s-%d", "abcdef", 1), 5); // cut, terminated
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(mos_SafeSnprintf(buf, 1, "%d", 7), 0);
    EXPECT_STREQ(buf, "");
    // Conversions it does not know are copied, and take no argument.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    EXPECT_EQ(mos_SafeSnprintf(buf, sizeof buf, "%d %q %d %", 1, 2), 8);
#pragma GCC diagnostic pop
    EXPECT_STREQ(buf, "1 %q 2 %");
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
