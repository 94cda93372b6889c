#include "mos_utils.h"

#include "mos_debug.h"
#include "mos_trace.h"

#include <cstdio>
#include <cstring>

int mos_Vsnprintf(char *pBuf, size_t bufSize, const char *pFormat, va_list args) {
    int len = vsnprintf(pBuf, bufSize, pFormat, args);
    // Some C libraries leave the buffer unterminated on truncation or on an
    // encoding error; the caller is promised a terminated text either way.
    pBuf[bufSize - 1] = '\0';
    if (len < 0) {
        pBuf[0] = '\0';
        return -1;
    }
    return len;
}

int mos_Snprintf(char *pBuf, size_t bufSize, const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    int len = mos_Vsnprintf(pBuf, bufSize, pFormat, args);
    va_end(args);
    return len;
}

int mos_SnprintfClipped(char *pBuf, size_t bufSize, const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    int len = mos_Vsnprintf(pBuf, bufSize, pFormat, args);
    va_end(args);
    if (len < 0 || static_cast<size_t>(len) < bufSize - 1) {
        return len;
    }
    return static_cast<int>(bufSize - 1);
}

namespace {

// Output of the safe formatter: characters beyond the room are dropped.
struct SafeOut {
    char *p;
    size_t room; // characters still fitting, the NUL excluded
    int stored;
    void put(char c) {
        if (room > 0) {
            *p++ = c;
            room--;
            stored++;
        }
    }
    void put(const char *pText, size_t len) {
        for (size_t i = 0; i < len; i++) {
            put(pText[i]);
        }
    }
};

struct SafeSpec {
    bool bLeft;
    bool bZero;
    unsigned width;
    int longs; // number of l modifiers
};

// Writes the digits of v in base 10 or 16 ending just before pEnd;
// returns where they start.
char *safeDigits(char *pEnd, uint64_t v, unsigned base, bool bUpper) {
    const char *pSet = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        *--pEnd = pSet[v % base];
        v /= base;
    } while (v != 0);
    return pEnd;
}

// A converted field padded to the width; zeros go after the sign or the
// "0x" of pSign.
void safeField(SafeOut &out, const SafeSpec &spec, const char *pSign, const char *pText,
               size_t len) {
    const size_t signLen = strlen(pSign);
    const size_t pad = spec.width > signLen + len ? spec.width - signLen - len : 0;
    const bool bZeros = spec.bZero && !spec.bLeft;
    for (size_t i = 0; !spec.bLeft && !bZeros && i < pad; i++) {
        out.put(' ');
    }
    out.put(pSign, signLen);
    for (size_t i = 0; bZeros && i < pad; i++) {
        out.put('0');
    }
    out.put(pText, len);
    for (size_t i = 0; spec.bLeft && i < pad; i++) {
        out.put(' ');
    }
}

uint64_t safeUnsignedArg(va_list &args, int longs) {
    if (longs >= 2) {
        return va_arg(args, unsigned long long);
    }
    return longs == 1 ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
}

int64_t safeSignedArg(va_list &args, int longs) {
    if (longs >= 2) {
        return va_arg(args, long long);
    }
    return longs == 1 ? va_arg(args, long) : va_arg(args, int);
}

// One conversion at *pConv (the character after the flags, width and
// length); false when it is none the formatter knows.
bool safeConvert(SafeOut &out, const SafeSpec &spec, char conv, va_list &args) {
    char digits[24];
    char *pEnd = digits + sizeof digits;
    switch (conv) {
        case '%':
            out.put('%');
            return true;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            safeField(out, spec, "", &c, 1);
            return true;
        }
        case 's': {
            const char *pText = va_arg(args, const char *);
            pText = pText != nullptr ? pText : "(null)";
            safeField(out, spec, "", pText, strlen(pText));
            return true;
        }
        case 'd':
        case 'i': {
            const int64_t v = safeSignedArg(args, spec.longs);
            const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : v;
            char *pStart = safeDigits(pEnd, magnitude, 10, false);
            safeField(out, spec, v < 0 ? "-" : "", pStart, pEnd - pStart);
            return true;
        }
        case 'u':
        case 'x':
        case 'X': {
            char *pStart = safeDigits(pEnd, safeUnsignedArg(args, spec.longs),
                                      conv == 'u' ? 10 : 16, conv == 'X');
            safeField(out, spec, "", pStart, pEnd - pStart);
            return true;
        }
        case 'p': {
            const auto v = reinterpret_cast<uintptr_t>(va_arg(args, void *));
            if (v == 0) {
                safeField(out, spec, "", "(nil)", 5);
            } else {
                char *pStart = safeDigits(pEnd, v, 16, false);
                safeField(out, spec, "0x", pStart, pEnd - pStart);
            }
            return true;
        }
        default:
            return false;
    }
}

} // namespace

int mos_SafeVsnprintf(char *pBuf, size_t bufSize, const char *pFormat, va_list args) {
    SafeOut out{pBuf, bufSize - 1, 0};
    va_list ap;
    va_copy(ap, args);
    for (const char *f = pFormat; *f != '\0'; f++) {
        if (*f != '%') {
            out.put(*f);
            continue;
        }
        const char *pStart = f++;
        SafeSpec spec{false, false, 0, 0};
        for (; *f == '-' || *f == '0'; f++) {
            (*f == '-' ? spec.bLeft : spec.bZero) = true;
        }
        for (; *f >= '0' && *f <= '9'; f++) {
            spec.width = spec.width * 10 + static_cast<unsigned>(*f - '0');
        }
        for (; *f == 'l'; f++) {
            spec.longs++;
        }
        if (*f == '\0') {
            out.put(pStart, static_cast<size_t>(f - pStart));
            break;
        }
        if (!safeConvert(out, spec, *f, ap)) {
            out.put(pStart, static_cast<size_t>(f + 1 - pStart));
        }
    }
    va_end(ap);
    *out.p = '\0';
    return out.stored;
}

int mos_SafeSnprintf(char *pBuf, size_t bufSize, const char *pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    int len = mos_SafeVsnprintf(pBuf, bufSize, pFormat, args);
    va_end(args);
    return len;
}

const char *mos_StrChr(const char *pStrIn, size_t maxStrLen, char ch) {
    MOS_ASSERT((pStrIn) != ((void *)0));
    MOS_ASSERT(maxStrLen != 0);
    for (size_t i = 0; i < maxStrLen && pStrIn[i] != '\0'; i++) {
        if (pStrIn[i] == ch) {
            return pStrIn + i;
        }
    }
    return nullptr;
}

int32_t mos_optind = 1;
int32_t mos_opterr = 1;
char *mos_optarg = nullptr;

namespace {

const MosLongOption *findOption(const MosLongOption *pOptions, const char *pName, size_t nameLen,
                                int32_t *pIndex) {
    for (int32_t i = 0; pOptions[i].name != nullptr; i++) {
        if (strlen(pOptions[i].name) == nameLen && strncmp(pOptions[i].name, pName, nameLen) == 0) {
            *pIndex = i;
            return &pOptions[i];
        }
    }
    return nullptr;
}

} // namespace

int32_t mos_GetoptLong(int32_t argc, char *const argv[], const char * /*pShortOpts*/,
                       const MosLongOption *pOptions, int32_t *pIndex) {
    if (mos_optind >= argc) {
        return -1;
    }
    const char *pWord = argv[mos_optind++];
    if (pWord == nullptr || strlen(pWord) < 4 || pWord[0] != '-' || pWord[1] != '-') {
        mos_optind--;
        return -1;
    }
    const char *pName = pWord + 2;
    const char *pEquals = strchr(pName, '=');
    size_t nameLen = pEquals ? static_cast<size_t>(pEquals - pName) : strlen(pName);
    const MosLongOption *pOpt = findOption(pOptions, pName, nameLen, pIndex);
    if (pOpt == nullptr) {
        if (mos_opterr) {
            fprintf(stdout, "unrecognized option --%s\n", pName);
        }
        return '?';
    }
    if (pOpt->has_arg != MOS_NO_ARGUMENT) {
        if (pEquals) {
            mos_optarg = const_cast<char *>(pEquals + 1);
        } else if (mos_optind < argc) {
            mos_optarg = argv[mos_optind++];
        } else {
            mos_optarg = nullptr;
            if (pOpt->has_arg == MOS_REQUIRED_ARGUMENT) {
                return '?';
            }
        }
    }
    if (pOpt->flag != nullptr) {
        *pOpt->flag = pOpt->val;
        return 0;
    }
    return pOpt->val;
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

MOS_RC mos_StrToUuidNoAssert(const char *pText, uint8_t pUuid[16]) {
    const char *p = pText;
    for (int i = 0; i < 16; i++) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (*p != '-') {
                MOS_TRACE(MOS_COMP_MOS, 1, "Invalid UUID %s", pText);
                return MOS_RC__INVALID;
            }
            p++;
        }
        int hi = hexValue(p[0]);
        int lo = hi < 0 ? -1 : hexValue(p[1]);
        if (lo < 0) {
            MOS_TRACE(MOS_COMP_MOS, 1, "Invalid UUID %s", pText);
            return MOS_RC__INVALID;
        }
        pUuid[i] = static_cast<uint8_t>(hi << 4 | lo);
        p += 2;
    }
    return MOS_RC__SUCCESS;
}
