// The viewer's line parser over arbitrary lines and parameter lists: it
// must only ever answer a count or one of its two messages.
#include "sdbg_exception.h"
#include "sdbg_line_parser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 2) {
        return 0;
    }
    // Byte 0: token kinds (bit i set: integer); byte 1: count and optional
    // count; the rest is the line, cut like the command loop's buffer.
    const uint8_t kinds = pData[0];
    const uint32_t n = pData[1] % 9;
    const uint32_t k = (pData[1] >> 4) % (n + 1);
    char line[256] = {};
    std::memcpy(line, pData + 2, std::min<size_t>(size - 2, sizeof(line) - 1));

    std::vector<SDbg_StrToken> words(n, SDbg_StrToken(""));
    std::vector<Sdbg_IntToken> numbers(n, Sdbg_IntToken(3));
    std::vector<Sdbg_Token *> tokens;
    for (uint32_t i = 0; i < n; ++i) {
        tokens.push_back((kinds >> i & 1u) != 0 ? static_cast<Sdbg_Token *>(&numbers[i])
                                                : static_cast<Sdbg_Token *>(&words[i]));
    }
    Sdbg_LineParser parser(line);
    std::string command;
    parser.NextWord(command);
    try {
        uint32_t bMore = 0;
        const uint32_t readCount = parser.ParseParams(n, k, tokens, &bMore);
        if (readCount > n || readCount < n - k || bMore > 1) {
            std::abort();
        }
    } catch (const Sdbg_LineParserException &failure) {
        const char *pText = failure.GetText();
        if (std::strcmp(pText, "Not enough parameters") != 0 &&
            std::strncmp(pText, "Error parsing parameter ", 24) != 0) {
            std::abort();
        }
    }
    return 0;
}
