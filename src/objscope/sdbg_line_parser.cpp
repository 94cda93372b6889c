#include "sdbg_line_parser.h"

#include "sdbg_exception.h"

#include <string>

Sdbg_Token::~Sdbg_Token() = default;

SDbg_StrToken::SDbg_StrToken(const char *pDefault) : text(pDefault != nullptr ? pDefault : "") {}

bool SDbg_StrToken::Parse(Sdbg_LineParser &parser) {
    // A failed extraction (nothing left) leaves the text as it was.
    parser.Stream() >> text;
    return !text.empty();
}

Sdbg_IntToken::Sdbg_IntToken(uint64_t defaultValue) : value(defaultValue) {}

bool Sdbg_IntToken::Parse(Sdbg_LineParser &parser) {
    unsigned long long parsed = value;
    parser.Stream() >> parsed;
    value = parsed;
    return !parser.Stream().fail();
}

Sdbg_LineParser::Sdbg_LineParser(const char *pText)
    : stream(std::string(pText != nullptr ? pText : ""), std::ios::in | std::ios::out) {}

void Sdbg_LineParser::NextWord(std::string &word) {
    word.clear();
    stream >> word;
    ++wordCount;
}

// Whether the line holds nothing but blanks from here on. Taken before a
// token reads, so that a number that runs out of range at the very end of
// the line is reported as a bad parameter, not as a missing one.
bool Sdbg_LineParser::NothingLeft() {
    if (stream.fail()) {
        return true;
    }
    stream >> std::ws;
    return stream.eof();
}

uint32_t Sdbg_LineParser::ParseParams(uint32_t n, uint32_t k,
                                      const std::vector<Sdbg_Token *> &tokens, uint32_t *pbMore) {
    for (uint32_t i = 0; i < n; ++i) {
        const bool bNothingLeft = NothingLeft();
        if (tokens.at(i)->Parse(*this)) {
            ++wordCount;
            continue;
        }
        if (bNothingLeft) {
            if (i >= n - k) {
                return i;
            }
            throw Sdbg_LineParserException("Not enough parameters");
        }
        const std::string text = "Error parsing parameter " + std::to_string(wordCount);
        throw Sdbg_LineParserException(text.c_str());
    }
    if (pbMore != nullptr) {
        *pbMore = 0;
        if (!NothingLeft()) {
            std::string word;
            NextWord(word);
            *pbMore = word.empty() ? 0 : 1;
        }
    }
    return n;
}
