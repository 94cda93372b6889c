// The interface of a query object: one per remote object, holding the
// query structure that the remote process returned for it, exactly as
// received, and printing it into the page buffer as coloured text or as
// XML. The screens hold objects through it; the views make them (their
// factory is registered with the screens, see sdbg_screen.h).
//
// Every class has the same table of seven virtual operations, in this
// order: destructor, Print, Print_xml, GetObjType, GetData, View, View_xml.
// In memory an object is the table pointer, the wire-struct size, the
// object id and then the wire struct itself (16 bytes plus the wire size,
// padded to a multiple of 8).
#pragma once

#include <cstdint>

class Sdbg_LogicalView;

class SDbg_SrvObj {
  public:
    virtual ~SDbg_SrvObj() = default;
    // Text view: starts at the current column, ends without a line break
    // unless the type's view says otherwise.
    virtual void Print(Sdbg_LogicalView &view) = 0;
    // XML view: begins with a line break, ends without one.
    virtual void Print_xml(Sdbg_LogicalView &view) = 0;
    // The object type id of the class (2 to 175).
    virtual uint32_t GetObjType() = 0;
    // Where the received bytes go: wireSize bytes, no more.
    virtual void *GetData() = 0;

    uint32_t wireSize = 0;
    uint32_t objId = 0;
};
