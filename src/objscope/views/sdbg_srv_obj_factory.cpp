// The factory: one selection on the type id over the object type table.

#include "sdbg_query_classes.h"

std::unique_ptr<SDbg_SrvObj> CreateSrvObj(uint32_t objTypeId) {
    std::unique_ptr<SDbg_SrvObj> pObj;
    switch (objTypeId) {
#define SDBG_OBJ_TYPE(id, name, queryClass, querySize)                                             \
    case id:                                                                                       \
        pObj = std::make_unique<queryClass>();                                                     \
        pObj->wireSize = querySize;                                                                \
        break;
#include "sdbg_obj_types.def"
#undef SDBG_OBJ_TYPE
        default:
            break;
    }
    return pObj;
}

void ResizeSrvObjVector(uint32_t objTypeId, uint32_t n,
                        std::vector<std::unique_ptr<SDbg_SrvObj>> &objects) {
    size_t oldSize = objects.size();
    if (oldSize >= n) {
        return;
    }
    objects.resize(n);
    for (size_t i = oldSize; i < n; ++i) {
        objects[i] = CreateSrvObj(objTypeId);
    }
}
