// GUID generation through COM: CoInitialize, then CoCreateGuid.
#include "kmodctl_guid.h"

#include <cstring>
#include <objbase.h>
#include <windows.h>

MOS_RC osGuid_Create(uint8_t *pGuid, uint32_t *pOsError) {
    *pOsError = 0;
    // S_FALSE (already initialised) is fine; the GUID needs no apartment.
    (void)CoInitialize(nullptr);
    GUID guid;
    HRESULT hr = CoCreateGuid(&guid);
    if (FAILED(hr)) {
        *pOsError = static_cast<uint32_t>(hr);
        return MOS_RC__ERROR;
    }
    static_assert(sizeof(guid) == QORNI_GUID_BYTES);
    memcpy(pGuid, &guid, sizeof(guid));
    return MOS_RC__SUCCESS;
}
