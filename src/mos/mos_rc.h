// Return codes of the runtime library.
//
// Every operation reports its outcome as a MOS_RC. Success is 65
// (MOS_RC__SUCCESS), not 0. Codes 0..2559 have an entry in each of three
// read-only tables: the name (without the MOS_RC__ prefix), a user-facing
// description and a kind. Undefined codes have empty texts and kind 0.
// All tables come from mos_rc.def.
#pragma once

#include <array>
#include <cstdint>

typedef uint32_t MOS_RC;

enum : MOS_RC {
#define MOS_RC_DEF(code, name, kind, desc) MOS_RC__##name = code,
#include "mos_rc.def"
#undef MOS_RC_DEF
};

// Number of entries in each code table; codes at or above it are unknown.
inline constexpr MOS_RC MOS_RC_TABLE_SIZE = 2560;

// Kinds of a code.
enum MosRcKind : uint32_t {
    MOS_RC_KIND__UNDEFINED = 0,
    MOS_RC_KIND__INTERNAL = 1,
    MOS_RC_KIND__PUBLIC = 2,
    MOS_RC_KIND__WITH_INFO = 3,
};

extern const std::array<const char *, MOS_RC_TABLE_SIZE> mosRc_NameTable;
extern const std::array<const char *, MOS_RC_TABLE_SIZE> mosRc_DescTable;
extern const std::array<uint32_t, MOS_RC_TABLE_SIZE> mosRc_KindTable;

// The code's stored name ("SUCCESS" for 65), the empty text for an
// undefined code, "MOS_RC__UNKNOWN" for a code beyond the tables.
inline const char *mos_RcName(MOS_RC rc) {
    return rc < MOS_RC_TABLE_SIZE ? mosRc_NameTable[rc] : "MOS_RC__UNKNOWN";
}

// The code's description; empty for an undefined code, "MOS_RC__UNKNOWN"
// beyond the tables.
inline const char *mos_RcDescription(MOS_RC rc) {
    return rc < MOS_RC_TABLE_SIZE ? mosRc_DescTable[rc] : "MOS_RC__UNKNOWN";
}

// The code's kind; MOS_RC_KIND__UNDEFINED beyond the tables.
inline uint32_t mos_RcKind(MOS_RC rc) {
    return rc < MOS_RC_TABLE_SIZE ? mosRc_KindTable[rc] : MOS_RC_KIND__UNDEFINED;
}
