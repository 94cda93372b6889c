// Memory on Win32: the process heap and the virtual-memory calls.
#include "os_mem.h"

#include <windows.h>

void *osMem_HeapAlloc(size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void *osMem_HeapCalloc(size_t size) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void osMem_HeapFree(void *pMem) {
    if (pMem != nullptr) {
        HeapFree(GetProcessHeap(), 0, pMem);
    }
}

void *osMem_PagesAlloc(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void *osMem_LargePagesAlloc(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES, PAGE_READWRITE);
}

size_t osMem_GetLargePageMinimum() {
    return GetLargePageMinimum();
}

void osMem_PagesFree(void *pMem) {
    VirtualFree(pMem, 0, MEM_RELEASE);
}

bool osMem_Protect(void *pMem, size_t size, OsMemProt prot) {
    DWORD newProt = prot == OsMemProt::NoAccess   ? PAGE_NOACCESS
                    : prot == OsMemProt::ReadOnly ? PAGE_READONLY
                                                  : PAGE_READWRITE;
    DWORD oldProt = 0;
    return VirtualProtect(pMem, size, newProt, &oldProt) != 0;
}

uint32_t osMem_GetPageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}
