// Type id to view table, and the one print path of every query class.

#include "sdbg_view_catalog.h"

#include "sdbg_query_classes.h"

const Sdbg_ViewTable *Sdbg_FindViewTable(uint32_t objTypeId) {
    switch (objTypeId) {
#define SDBG_VIEW_TYPE(id, table)                                                                  \
    case id:                                                                                       \
        return &table;
#include "sdbg_view_types.def"
#undef SDBG_VIEW_TYPE
        default:
            return nullptr;
    }
}

void Sdbg_PrintObject(Sdbg_LogicalView &view, uint32_t objTypeId, const void *pWire, bool bXml) {
    const Sdbg_ViewTable *pTable = Sdbg_FindViewTable(objTypeId);
    if (pTable == nullptr) {
        return;
    }
    const uint8_t *pBytes = static_cast<const uint8_t *>(pWire);
    if (bXml) {
        Sdbg_RenderXml(view, *pTable, pBytes);
    } else {
        Sdbg_RenderText(view, *pTable, pBytes);
    }
}
