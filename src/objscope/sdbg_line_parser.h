// Splitting a command line into words and typed parameters.
//
// The dispatcher makes one Sdbg_LineParser per line and reads the command
// word with NextWord; a handler then describes its parameters as a list of
// tokens (a word or an unsigned 64-bit integer, each with a default) and
// has them filled in order by ParseParams. A missing or malformed
// parameter raises Sdbg_LineParserException with the message the user
// sees.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

class Sdbg_LineParser;

class Sdbg_Token {
  public:
    virtual ~Sdbg_Token();
    // Reads the token's value from the parser's stream; true on success.
    virtual bool Parse(Sdbg_LineParser &parser) = 0;
    virtual uint64_t GetInt() const = 0;
    virtual const char *GetStr() const = 0;
};

// A white-space delimited word. Parse answers whether the text is
// non-empty afterwards; when no word is left the text keeps its value.
class SDbg_StrToken : public Sdbg_Token {
  public:
    explicit SDbg_StrToken(const char *pDefault = "");
    bool Parse(Sdbg_LineParser &parser) override;
    uint64_t GetInt() const override { return 0; }
    const char *GetStr() const override { return text.c_str(); }

  private:
    std::string text;
};

// An unsigned decimal integer read as a formatted stream extraction reads
// one: leading blanks skipped, an optional sign ("-" negates modulo 2^64),
// digits up to the first non-digit. With the line exhausted the value
// keeps its default; on text that is no number it becomes 0, and out of
// range the largest value. Callers take the low 32 or 16 bits.
class Sdbg_IntToken : public Sdbg_Token {
  public:
    explicit Sdbg_IntToken(uint64_t defaultValue = 0);
    bool Parse(Sdbg_LineParser &parser) override;
    uint64_t GetInt() const override { return value; }
    const char *GetStr() const override { return nullptr; }

  private:
    uint64_t value;
};

class Sdbg_LineParser {
  public:
    // Works on a copy of the text up to its NUL.
    explicit Sdbg_LineParser(const char *pText);

    // Reads the next word (empty when none is left); counts it either way.
    void NextWord(std::string &word);

    // Fills tokens[0..n) in order; the last k are optional and may be
    // missing at the end of the line, in which case the count read so far
    // is returned. A missing mandatory token throws "Not enough
    // parameters"; a token that finds text it cannot read throws "Error
    // parsing parameter N", N its 1-based position on the line. When all n
    // were read and pbMore is given, *pbMore tells whether one more word
    // follows (reading it). Returns the number of tokens read.
    uint32_t ParseParams(uint32_t n, uint32_t k, const std::vector<Sdbg_Token *> &tokens,
                         uint32_t *pbMore = nullptr);

    std::istream &Stream() { return stream; }
    uint32_t WordCount() const { return wordCount; }

  private:
    bool NothingLeft();

    std::stringstream stream;
    uint32_t wordCount = 0;
};
