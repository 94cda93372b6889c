// Text, option and identifier helpers shared by every module and program.
#pragma once

#include "mos_rc.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define MOS_PRINTF_LIKE(fmtArg, firstArg) __attribute__((format(printf, fmtArg, firstArg)))
#else
#define MOS_PRINTF_LIKE(fmtArg, firstArg)
#endif

// Formats into pBuf (bufSize >= 1), truncating and always NUL-terminating.
// Returns the length of the complete text whether or not it fitted, or -1
// when formatting fails.
int mos_Vsnprintf(char *pBuf, size_t bufSize, const char *pFormat, va_list args)
    MOS_PRINTF_LIKE(3, 0);
int mos_Snprintf(char *pBuf, size_t bufSize, const char *pFormat, ...) MOS_PRINTF_LIKE(3, 4);

// Like mos_Snprintf, but returns the number of characters actually stored
// (at most bufSize - 1; a negative result passes through), so callers can
// advance a write position without passing the buffer's end.
int mos_SnprintfClipped(char *pBuf, size_t bufSize, const char *pFormat, ...) MOS_PRINTF_LIKE(3, 4);

// Formats without the C library's printf (no allocation, no lock, no
// locale), for code inside a signal handler. Handles %%, %c, %s (null
// prints "(null)"), %d, %i, %u, %x and %X with the length modifiers l and
// ll, the flags 0 and -, a decimal width, and %p the way the Linux C
// library prints it ("0x" and lower-case digits, "(nil)" for null); any
// other conversion is copied as it stands. Truncates and always
// NUL-terminates (bufSize >= 1); returns the characters stored.
int mos_SafeVsnprintf(char *pBuf, size_t bufSize, const char *pFormat, va_list args)
    MOS_PRINTF_LIKE(3, 0);
int mos_SafeSnprintf(char *pBuf, size_t bufSize, const char *pFormat, ...) MOS_PRINTF_LIKE(3, 4);

// The first position of ch among the first maxStrLen bytes of pStrIn,
// stopping at the text's NUL; null when absent (searching for NUL gives
// null). pStrIn must not be null and maxStrLen must not be 0.
const char *mos_StrChr(const char *pStrIn, size_t maxStrLen, char ch);

// One row of a long-option table; a row with a null name ends the table.
struct MosLongOption {
    const char *name;
    int32_t has_arg; // 0 none, 1 required, 2 optional
    int32_t *flag;   // where to store val, or null to return it
    int32_t val;
};

inline constexpr int32_t MOS_NO_ARGUMENT = 0;
inline constexpr int32_t MOS_REQUIRED_ARGUMENT = 1;
inline constexpr int32_t MOS_OPTIONAL_ARGUMENT = 2;

// Parser state shared by every caller of mos_GetoptLong. They are the
// runtime's own, apart from the C library's optind/opterr/optarg.
extern int32_t mos_optind; // next word to look at; starts at 1
extern int32_t mos_opterr; // non-zero: report unknown options on stdout
extern char *mos_optarg;   // the current option's argument, or null

// Parses the next word of argv as a long option "--name", "--name=value"
// or "--name value". Returns -1 when the words are exhausted or the next
// word is not a long option (parsing stops there; nothing is reordered),
// '?' for an unknown option or a missing required argument, 0 when the
// matched row has a flag (val stored there), else the row's val. The
// matched row's index is written to *pIndex. pShortOpts is ignored.
int32_t mos_GetoptLong(int32_t argc, char *const argv[], const char *pShortOpts,
                       const MosLongOption *pOptions, int32_t *pIndex);

// Parses the 36-character text form of a UUID into 16 bytes in text
// order. MOS_RC__SUCCESS, or MOS_RC__INVALID for a malformed text (bytes
// already parsed stay in pUuid).
[[nodiscard]] MOS_RC mos_StrToUuidNoAssert(const char *pText, uint8_t pUuid[16]);
