#include "sdbg_exception.h"
#include "sdbg_line_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A line after its command word, parsed into one integer token (default 7).
struct IntCase {
    const char *pLine;
    bool bParsed;
    uint64_t value;
    const char *pNextWord; // what a word token reads next ("" for nothing)
};

class IntTokenTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntTokenTest, ReadsLikeAFormattedStreamExtraction) {
    const IntCase &c = GetParam();
    Sdbg_LineParser parser(c.pLine);
    std::string command;
    parser.NextWord(command);
    Sdbg_IntToken number(7);
    EXPECT_EQ(number.Parse(parser), c.bParsed);
    EXPECT_EQ(number.GetInt(), c.value);
    EXPECT_EQ(number.GetStr(), nullptr);
    if (c.bParsed) {
        std::string next;
        parser.NextWord(next);
        EXPECT_EQ(next, c.pNextWord);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IntTokenTest,
    ::testing::Values(IntCase{"x 12", true, 12, ""}, IntCase{"x   \t 12  ", true, 12, ""},
                      IntCase{"x +5", true, 5, ""}, IntCase{"x 12abc", true, 12, "abc"},
                      IntCase{"x 0x10", true, 0, "x10"}, IntCase{"x -1", true, UINT64_MAX, ""},
                      IntCase{"x -2", true, UINT64_MAX - 1, ""},
                      IntCase{"x 18446744073709551615", true, UINT64_MAX, ""},
                      IntCase{"x 4294967296", true, 4294967296ull, ""}, IntCase{"x", false, 7, ""},
                      IntCase{"x    ", false, 7, ""}, IntCase{"x abc", false, 0, ""},
                      IntCase{"x -", false, 0, ""},
                      IntCase{"x 18446744073709551616", false, UINT64_MAX, ""},
                      IntCase{"x 99999999999999999999 y", false, UINT64_MAX, ""}));

TEST(StrTokenTest, KeepsItsTextWhenNoWordIsLeft) {
    Sdbg_LineParser parser("cmd first");
    std::string command;
    parser.NextWord(command);
    SDbg_StrToken word("default");
    EXPECT_TRUE(word.Parse(parser));
    EXPECT_STREQ(word.GetStr(), "first");
    EXPECT_TRUE(word.Parse(parser)); // nothing left: text kept, still non-empty
    EXPECT_STREQ(word.GetStr(), "first");
    EXPECT_EQ(word.GetInt(), 0u);
    SDbg_StrToken empty("");
    EXPECT_FALSE(empty.Parse(parser));
}

// ParseParams over a whole line: (n, k) tokens of the given kinds, the
// count read or the exact message of the exception.
struct ParamsCase {
    const char *pLine;
    const char *pKinds; // 'w' word, 'i' integer, in order
    uint32_t optional;
    uint32_t expectedRead;
    const char *pMessage; // null when no exception
};

class ParseParamsTest : public ::testing::TestWithParam<ParamsCase> {};

TEST_P(ParseParamsTest, ReadsOrReportsTheFailingParameter) {
    const ParamsCase &c = GetParam();
    std::vector<SDbg_StrToken> words;
    std::vector<Sdbg_IntToken> numbers;
    words.reserve(16);
    numbers.reserve(16);
    std::vector<Sdbg_Token *> tokens;
    for (const char *p = c.pKinds; *p != '\0'; ++p) {
        if (*p == 'w') {
            tokens.push_back(&words.emplace_back(""));
        } else {
            tokens.push_back(&numbers.emplace_back(0));
        }
    }
    Sdbg_LineParser parser(c.pLine);
    std::string command;
    parser.NextWord(command);
    const uint32_t n = static_cast<uint32_t>(tokens.size());
    if (c.pMessage == nullptr) {
        EXPECT_EQ(parser.ParseParams(n, c.optional, tokens), c.expectedRead);
        return;
    }
    try {
        (void)parser.ParseParams(n, c.optional, tokens);
        ADD_FAILURE() << "no exception for " << c.pLine;
    } catch (const Sdbg_LineParserException &failure) {
        EXPECT_STREQ(failure.GetText(), c.pMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseParamsTest,
    ::testing::Values(ParamsCase{"setrefreshrate", "i", 0, 0, "Not enough parameters"},
                      ParamsCase{"setrefreshrate abc", "i", 0, 0, "Error parsing parameter 1"},
                      ParamsCase{"setrefreshrate 5", "i", 0, 1, nullptr},
                      ParamsCase{"showobj 12", "iw", 0, 0, "Not enough parameters"},
                      ParamsCase{"showobj x vol", "iw", 0, 0, "Error parsing parameter 1"},
                      ParamsCase{"dumpobj 5", "iw", 0, 0, "Not enough parameters"},
                      ParamsCase{"c mdm", "wwi", 2, 1, nullptr},
                      ParamsCase{"c mdm 10.0.0.1", "wwi", 2, 2, nullptr},
                      ParamsCase{"c\tmdm   10.0.0.1 \t 25640", "wwi", 2, 3, nullptr},
                      ParamsCase{"c mdm host port", "wwi", 2, 0, "Error parsing parameter 3"},
                      ParamsCase{"c", "wwi", 2, 0, "Not enough parameters"},
                      // A number out of range is a bad parameter even at the line's end.
                      ParamsCase{"setrefreshrate 99999999999999999999", "i", 0, 0,
                                 "Error parsing parameter 1"},
                      ParamsCase{"x 1 2 z", "iii", 0, 0, "Error parsing parameter 3"}));

TEST(ParseParamsMoreTest, ReportsOneMoreWord) {
    struct Case {
        const char *pLine;
        uint32_t bMore;
    };
    for (const Case &c : {Case{"cfg a b", 0}, Case{"cfg a b   ", 0}, Case{"cfg a b c", 1}}) {
        Sdbg_LineParser parser(c.pLine);
        std::string command;
        parser.NextWord(command);
        SDbg_StrToken first("");
        SDbg_StrToken second("");
        uint32_t bMore = 7;
        EXPECT_EQ(parser.ParseParams(2, 2, {&first, &second}, &bMore), 2u) << c.pLine;
        EXPECT_EQ(bMore, c.bMore) << c.pLine;
    }
}

TEST(LineParserTest, CountsEveryWordReadAndBlankLinesGiveAnEmptyWord) {
    Sdbg_LineParser parser("   \t  ");
    std::string word = "stale";
    parser.NextWord(word);
    EXPECT_EQ(word, "");
    EXPECT_EQ(parser.WordCount(), 1u);
}

} // namespace
