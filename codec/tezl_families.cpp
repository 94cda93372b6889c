// Level dispatch.
//
// How a family registers: declare its create function in tezl_families.h
// and add one row below with the levels it serves. Rows are tested in order
// (family A, then B, then C); a level no row accepts creates nothing.
// The create checks its minimums (tezl_ContextBytes, tezl_WorkBytes from
// tezl_levels.def), fills its context and slots (tezl_InitSlots first); the
// protocols around its coders come from tezl_decoder.h and tezl_encoder.h,
// the stream machinery from tezl_stream.h.
#include "tezl_families.h"

namespace {

struct FamilyRow {
    int32_t lowLevel; // the levels lowLevel..highLevel belong to the family
    int32_t highLevel;
    TezlCreateFn create;
};

constexpr FamilyRow kFamilies[] = {
    {-1, 3, tezlA_Create},  {-3, -2, tezlB_Create}, {5, 8, tezlB_Create},
    {-5, -5, tezlC_Create}, {10, 10, tezlC_Create},
};

} // namespace

TezlCreateFn tezl_FindFamily(int32_t level) {
    for (const FamilyRow &row : kFamilies) {
        if (level >= row.lowLevel && level <= row.highLevel) {
            return row.create;
        }
    }
    return nullptr;
}
