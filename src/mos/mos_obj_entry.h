// The node by which an object is listed under its object type (see
// mos_obj.h), embedded in the object's own structure.
#pragma once

#include "mos_list.h"

struct MosObjEntry {
    MosListNode node;
    const char *pName; // owned by the object; may be null
};
