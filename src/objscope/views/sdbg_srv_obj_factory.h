// The views' query objects: the level that holds each type's wire struct,
// and the factory that makes an object of the class of a type id.
#pragma once

#include "sdbg_logical_view.h"
#include "sdbg_srv_obj.h"

#include <cstdint>
#include <memory>
#include <vector>

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
