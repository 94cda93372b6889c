// The 174 query classes, one per object type id, generated from the object
// type table (sdbg_obj_types.def): each class Sdbg_T<Name>... derives from
// <Class>_Auto, which derives from SDbg_SrvGenObj over the type's wire
// struct. A type whose wire struct is not laid out here yet holds its
// bytes as Sdbg_RawWire of the table's size, and prints nothing.
#pragma once

#include "sdbg_srv_obj_factory.h"
#include "sdbg_wires.h"

#include <cstdint>

// The bytes of a query structure whose fields no view reads yet.
template <uint32_t Size> struct Sdbg_RawWire { uint8_t bytes[Size]; };

// The wire struct of a type id: the raw bytes unless a line below names it.
template <uint32_t Id, uint32_t Size> struct Sdbg_WireOf { using type = Sdbg_RawWire<Size>; };

#define SDBG_VIEW_WIRE(id, Wire)                                                                   \
    template <uint32_t Size> struct Sdbg_WireOf<id, Size> { using type = sdbg_wire::Wire; };
#include "sdbg_view_wires.def"
#undef SDBG_VIEW_WIRE

// Prints the object's view from its type's table; a type without a table
// prints nothing.
void Sdbg_PrintObject(Sdbg_LogicalView &view, uint32_t objTypeId, const void *pWire, bool bXml);

#define SDBG_OBJ_TYPE(id, name, queryClass, querySize)                                             \
    class queryClass##_Auto : public SDbg_SrvGenObj<Sdbg_WireOf<id, querySize>::type> {            \
      public:                                                                                      \
        static constexpr uint32_t kObjType = id;                                                   \
        uint32_t GetObjType() override { return id; }                                              \
    };                                                                                             \
    static_assert(sizeof(Sdbg_WireOf<id, querySize>::type) == querySize,                           \
                  "wire struct size differs from the object type table");                          \
    class queryClass final : public queryClass##_Auto {                                            \
      public:                                                                                      \
        void Print(Sdbg_LogicalView &view) override { Sdbg_PrintObject(view, id, &wire, false); }  \
        void Print_xml(Sdbg_LogicalView &view) override {                                          \
            Sdbg_PrintObject(view, id, &wire, true);                                               \
        }                                                                                          \
    };
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
