// The three code tables, built at compile time from mos_rc.def and never
// written at run time.
#include "mos_rc.h"

namespace {

struct RcTables {
    std::array<const char *, MOS_RC_TABLE_SIZE> names{};
    std::array<const char *, MOS_RC_TABLE_SIZE> descs{};
    std::array<uint32_t, MOS_RC_TABLE_SIZE> kinds{};
};

consteval RcTables buildTables() {
    RcTables t;
    t.names.fill("");
    t.descs.fill("");
    t.kinds.fill(MOS_RC_KIND__UNDEFINED);
#define MOS_RC_DEF(code, name, kind, desc)                                                         \
    t.names[code] = #name;                                                                         \
    t.descs[code] = desc;                                                                          \
    t.kinds[code] = kind;
#include "mos_rc.def"
#undef MOS_RC_DEF
    return t;
}

constexpr RcTables kTables = buildTables();

} // namespace

constinit const std::array<const char *, MOS_RC_TABLE_SIZE> mosRc_NameTable = kTables.names;
constinit const std::array<const char *, MOS_RC_TABLE_SIZE> mosRc_DescTable = kTables.descs;
constinit const std::array<uint32_t, MOS_RC_TABLE_SIZE> mosRc_KindTable = kTables.kinds;
