#include "mos_conf_file.h"

#include "mos_debug.h"
#include "mos_trace.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *KEY_DELIMS = "= \t\r\n";

bool isKeyDelim(char c) {
    return c != '\0' && strchr(KEY_DELIMS, c) != nullptr;
}

bool isValueEnd(char c) {
    return c == '\0' || c == '\t' || c == '\r' || c == '\n';
}

bool sameKey(const char *pA, const char *pB) {
    for (; *pA != '\0' && *pB != '\0'; pA++, pB++) {
        if (tolower(static_cast<unsigned char>(*pA)) != tolower(static_cast<unsigned char>(*pB))) {
            return false;
        }
    }
    return *pA == *pB;
}

// Finds the line's first token; returns its start (NUL-terminated in
// place) and sets *ppRest just after its ending delimiter. Null for a line
// without a token or a comment.
char *splitKey(char *pLine, char **ppRest) {
    char *p = pLine;
    while (isKeyDelim(*p)) {
        p++;
    }
    if (*p == '\0' || *p == '#') {
        return nullptr;
    }
    char *pKey = p;
    while (*p != '\0' && !isKeyDelim(*p)) {
        p++;
    }
    if (*p != '\0') {
        *p++ = '\0'; // the one delimiter that ends the key
    }
    *ppRest = p;
    return pKey;
}

// The value after the key, or null when the line holds none.
char *extractValue(char *p) {
    while (*p == '\t' || *p == '\r' || *p == '\n') {
        p++;
    }
    if (*p == '\0') {
        return nullptr;
    }
    char *pEnd = p;
    while (!isValueEnd(*pEnd)) {
        pEnd++;
    }
    *pEnd = '\0';
    while (*p == '=' || isspace(static_cast<unsigned char>(*p))) {
        p++;
    }
    while (pEnd > p && isspace(static_cast<unsigned char>(pEnd[-1]))) {
        *--pEnd = '\0';
    }
    return p;
}

void readNumber(const MosConfEntry *pEntry, const char *pValue) {
    uint64_t value = pEntry->numberDefault;
    if (pValue != nullptr) {
        value = strtoull(pValue, nullptr, 10);
        uint64_t step = pEntry->step != 0 ? pEntry->step : 1;
        bool bBad = value % step != 0 || value > pEntry->max || value < pEntry->minOrDefaultOrLen;
        if (value != pEntry->numberDefault && bBad) {
            value = pEntry->numberDefault;
        }
    }
    *static_cast<uint64_t *>(pEntry->pValue) = value;
}

void readBool(const MosConfEntry *pEntry, const char *pValue) {
    long long value = static_cast<long long>(pEntry->minOrDefaultOrLen);
    if (pValue != nullptr) {
        long long read = strtoll(pValue, nullptr, 10);
        if (read <= 1) {
            value = read;
        }
    }
    *static_cast<uint32_t *>(pEntry->pValue) = static_cast<uint32_t>(value);
}

void readString(const MosConfEntry *pEntry, const char *pValue) {
    size_t bufLen = pEntry->minOrDefaultOrLen;
    const char *pText = pEntry->defaultText != nullptr ? pEntry->defaultText : "";
    if (pValue != nullptr && strlen(pValue) < bufLen) {
        pText = pValue;
    }
    auto *pDst = static_cast<char *>(pEntry->pValue);
    size_t len = strlen(pText);
    if (len >= bufLen) {
        len = bufLen - 1; // a default longer than its buffer is cut
    }
    memcpy(pDst, pText, len);
    memset(pDst + len, 0, bufLen - len);
}

bool anyTableKnows(const char *pKey, MosConfEntry *const *ppTables, const uint32_t *pCounts,
                   uint32_t numTables) {
    for (uint32_t t = 0; t < numTables; t++) {
        for (uint32_t i = 0; i < pCounts[t]; i++) {
            if (sameKey(pKey, ppTables[t][i].name)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

char *mosConf_FindValue(const char *pKey, FILE *pFile, char *pLine) {
    rewind(pFile);
    while (fgets(pLine, MOS_CONF_LINE_SIZE, pFile) != nullptr) {
        char *pRest = nullptr;
        char *pToken = splitKey(pLine, &pRest);
        if (pToken == nullptr || !sameKey(pToken, pKey)) {
            continue;
        }
        char *pValue = extractValue(pRest);
        if (pValue != nullptr) {
            return pValue;
        }
    }
    return nullptr;
}

MOS_RC mosConf_ReadEntry(const MosConfEntry *pEntry, FILE *pFile) {
    char line[MOS_CONF_LINE_SIZE];
    const char *pValue = pFile != nullptr ? mosConf_FindValue(pEntry->name, pFile, line) : nullptr;
    switch (pEntry->type) {
        case MOS_CONF_TYPE__NUMBER:
            readNumber(pEntry, pValue);
            return MOS_RC__SUCCESS;
        case MOS_CONF_TYPE__BOOL:
            readBool(pEntry, pValue);
            return MOS_RC__SUCCESS;
        case MOS_CONF_TYPE__STRING:
            readString(pEntry, pValue);
            return MOS_RC__SUCCESS;
        default:
            return MOS_RC__INVALID;
    }
}

MOS_RC mosConf_ReadTables(const char *pPath, MosConfEntry *const *ppTables, const uint32_t *pCounts,
                          uint32_t numTables) {
    FILE *pFile = pPath != nullptr ? fopen(pPath, "r") : nullptr;
    MOS_RC rc = MOS_RC__SUCCESS;
    for (uint32_t t = 0; t < numTables && rc == MOS_RC__SUCCESS; t++) {
        for (uint32_t i = 0; i < pCounts[t] && rc == MOS_RC__SUCCESS; i++) {
            rc = mosConf_ReadEntry(&ppTables[t][i], pFile);
        }
    }
    if (pFile != nullptr) {
        fclose(pFile);
    }
    return rc;
}

void mosConf_ValidateConfFile(const char *pPath, MosConfEntry *const *ppTables,
                              const uint32_t *pCounts, uint32_t numTables) {
    FILE *pFile = fopen(pPath, "r");
    if (pFile == nullptr) {
        return;
    }
    char line[MOS_CONF_LINE_SIZE];
    while (fgets(line, sizeof(line), pFile) != nullptr) {
        char *pRest = nullptr;
        char *pToken = splitKey(line, &pRest);
        if (pToken != nullptr && !anyTableKnows(pToken, ppTables, pCounts, numTables)) {
            MOS_TRACE(MOS_COMP_MOS, 2, "Unknown token %s", pToken);
        }
    }
    fclose(pFile);
}

void mosConf_Trace(const MosConfEntry *pTable, uint32_t count, uint32_t detailed) {
    for (uint32_t i = 0; i < count; i++) {
        const MosConfEntry &e = pTable[i];
        if (strstr(e.name, "password") != nullptr || strstr(e.name, "token") != nullptr) {
            MOS_TRACE(MOS_COMP_MOS, 1, "Skipping printout of %s", e.name);
            continue;
        }
        switch (e.type) {
            case MOS_CONF_TYPE__NUMBER: {
                auto value = static_cast<unsigned long long>(*static_cast<uint64_t *>(e.pValue));
                if (detailed == 1 || value != e.numberDefault) {
                    MOS_TRACE(MOS_COMP_MOS, 1, "Conf: %s = %llu (%llu)", e.name, value,
                              static_cast<unsigned long long>(e.numberDefault));
                }
                break;
            }
            case MOS_CONF_TYPE__BOOL: {
                uint32_t value = *static_cast<uint32_t *>(e.pValue);
                auto def = static_cast<uint32_t>(e.minOrDefaultOrLen);
                if (detailed == 1 || value != def) {
                    MOS_TRACE(MOS_COMP_MOS, 1, "Conf: %s = %u (%u)", e.name, value, def);
                }
                break;
            }
            case MOS_CONF_TYPE__STRING: {
                const auto *pValue = static_cast<const char *>(e.pValue);
                if (detailed == 1 || strcmp(pValue, e.defaultText) != 0) {
                    MOS_TRACE(MOS_COMP_MOS, 1, "Conf: %s = %s (%s)", e.name, pValue, e.defaultText);
                }
                break;
            }
            default:
                ALWAYS_ASSERT();
        }
    }
}
