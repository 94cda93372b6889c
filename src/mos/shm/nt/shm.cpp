// Named shared memory on Win32: paging-file-backed file mappings.
#include "os_shm.h"

#include <windows.h>

namespace {

uint32_t handleOrError(HANDLE h, OsShmHandle *pHandle) {
    if (h == nullptr) {
        *pHandle = nullptr;
        return GetLastError();
    }
    *pHandle = h;
    return 0;
}

} // namespace

uint32_t osShm_CreateMapping(const char *pName, uint64_t maxSize, uint32_t protect,
                             OsShmHandle *pHandle) {
    HANDLE h =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, protect,
                           static_cast<DWORD>(maxSize >> 32), static_cast<DWORD>(maxSize), pName);
    return handleOrError(h, pHandle);
}

uint32_t osShm_OpenMapping(const char *pName, OsShmHandle *pHandle) {
    return handleOrError(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, pName), pHandle);
}

uint32_t osShm_MapView(OsShmHandle handle, uint64_t size, void **ppMem) {
    *ppMem = MapViewOfFile(handle, FILE_MAP_ALL_ACCESS, 0, 0, static_cast<SIZE_T>(size));
    return *ppMem == nullptr ? GetLastError() : 0;
}

bool osShm_UnmapView(void *pMem, uint64_t /*size*/) {
    return UnmapViewOfFile(pMem) != FALSE;
}

bool osShm_CloseHandle(OsShmHandle handle) {
    return CloseHandle(handle) != FALSE;
}

size_t osShm_GetLargePageMinimum() {
    return GetLargePageMinimum();
}
