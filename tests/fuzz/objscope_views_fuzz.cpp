// The object views over arbitrary reply records: byte 0 picks the object
// type, the rest is copied into its wire struct as the server link does
// (at most the wire size; a shorter record leaves zeros). Both views must
// print without reading outside the object.
#include "sdbg_query_classes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint32_t objTypeId = 2 + pData[0] % 174;
    std::unique_ptr<SDbg_SrvObj> pObj = CreateSrvObj(objTypeId);
    if (pObj == nullptr) {
        return 0;
    }
    std::memcpy(pObj->GetData(), pData + 1, std::min<size_t>(size - 1, pObj->wireSize));
    Sdbg_LogicalView view(nullptr, 50, SDBG_COLOR_DEFAULT, SDBG_COLOR_DEFAULT);
    pObj->Print(view);
    view.NewLine();
    pObj->Print_xml(view);
    return 0;
}
