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
