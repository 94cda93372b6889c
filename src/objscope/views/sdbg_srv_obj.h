// Query objects: one per remote object, holding the query structure that
// the remote process returned for it, exactly as received, and printing it
// into the page buffer as coloured text or as XML.
//
// Every class has the same table of seven virtual operations, in this
// order: destructor, Print, Print_xml, GetObjType, GetData, View, View_xml.
// In memory an object is the table pointer, the wire-struct size, the
// object id and then the wire struct itself (16 bytes plus the wire size,
// padded to a multiple of 8).
#pragma once

#include "sdbg_logical_view.h"

#include <cstdint>
#include <memory>
#include <vector>

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

// The level that holds the wire struct. Wire is a packed record, so it
// starts right after the object id.
template <typename Wire> class SDbg_SrvGenObj : public SDbg_SrvObj {
  public:
    using WireType = Wire;

    void *GetData() override { return &wire; }
    // Defaults kept by every class; nothing in the viewer calls them.
    virtual void View(Sdbg_LogicalView &view) { view.PutStr("View not supported yet"); }
    virtual void View_xml(Sdbg_LogicalView &view) { view.PutStr("View_xml not supported yet"); }

    Wire wire;
};

// A new empty object of the class of objTypeId, with its wire size set;
// null for an id outside 2 to 175. The object id and the wire bytes are
// left as they are (zero here) until a reply fills them.
std::unique_ptr<SDbg_SrvObj> CreateSrvObj(uint32_t objTypeId);

// Lengthens objects to n entries, each new one made by CreateSrvObj; never
// shrinks, so objects of earlier refreshes are kept and reused.
void ResizeSrvObjVector(uint32_t objTypeId, uint32_t n,
                        std::vector<std::unique_ptr<SDbg_SrvObj>> &objects);
