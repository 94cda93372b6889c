// Configuration files: "key value" lines read into tables of keys.
//
// "#" starts a comment line; a key is separated from its value by "=", a
// blank or a tab; the value runs to the next tab or the line's end (blanks
// inside belong to it); keys compare without case; the first line of a key
// that has a value wins. An invalid or missing value takes the default.
#pragma once

#include "mos_rc.h"

#include <cstdint>
#include <cstdio>

enum MosConfType : uint32_t {
    MOS_CONF_TYPE__NUMBER = 1, // destination: uint64_t
    MOS_CONF_TYPE__BOOL = 2,   // destination: uint32_t
    MOS_CONF_TYPE__STRING = 3, // destination: char[minOrDefaultOrLen]
};

inline constexpr uint32_t MOS_CONF_LINE_SIZE = 256;

struct MosConfEntry {
    const char *name;
    uint32_t type;
    void *pValue;
    const char *defaultText;    // string default
    uint64_t minOrDefaultOrLen; // number: minimum; bool: default; string: buffer length
    uint64_t max;
    uint64_t step;
    uint64_t numberDefault;
};

// Fills every entry's destination from the file (or its default when the
// path is null or cannot be opened). MOS_RC__INVALID for an entry of
// unknown type.
[[nodiscard]] MOS_RC mosConf_ReadTables(const char *pPath, MosConfEntry *const *ppTables,
                                        const uint32_t *pCounts, uint32_t numTables);

// The value of the first line of pKey that has one, inside pLine (a
// MOS_CONF_LINE_SIZE buffer); null when no line has a value.
char *mosConf_FindValue(const char *pKey, FILE *pFile, char *pLine);

// Traces "Unknown token %s" (MOS, level 2) for every key of the file that
// no table knows.
void mosConf_ValidateConfFile(const char *pPath, MosConfEntry *const *ppTables,
                              const uint32_t *pCounts, uint32_t numTables);

// Traces the table's values (MOS, level 1): all of them when detailed is
// 1, else those that differ from their default.
void mosConf_Trace(const MosConfEntry *pTable, uint32_t count, uint32_t detailed);

// Reads one entry's value from the file (null: no file) into its
// destination. MOS_RC__INVALID for an unknown type.
[[nodiscard]] MOS_RC mosConf_ReadEntry(const MosConfEntry *pEntry, FILE *pFile);
