// The "offsets" record of the expected-output test: a query structure in
// which every field a view reads says where it was read from.
//
//  - Each field of a view row (nested tables' rows included) holds a value
//    made from its own wire offset with its top bit set: u8 128 + offset
//    modulo 128, u16 40000 + offset, u32 3000000000 + offset, u64
//    10000000000000000000 + offset, f64 3000000000.25 + offset, text "s"
//    and the offset (cut to the field), network address 10.0.x.y with port
//    40000 + offset. A value read from another offset, at another width or
//    as signed therefore changes the text.
//  - Records the statistics printers read get the same marks per member;
//    a record only a hook knows gets them per u32 word, and fixtures mark
//    the lists and names hooks read (lock symbols, bundle names, stages,
//    distributions, ...).
//  - Counts of lists are 2 and three entries are filled, so an entry past
//    the count is there and must not show.
//  - Bytes no row describes hold a fixed pattern with every top bit set.
#pragma once

#include <cstdint>

namespace viewsexpected {

// Fills the size bytes at pWire, the query structure of typeId, whose view
// table must be built.
void FillOffsets(uint32_t typeId, uint8_t *pWire, uint32_t size);

} // namespace viewsexpected
