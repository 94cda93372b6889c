// Operating-system seam of memory: the process heap, whole-page regions,
// large pages, page protection and the page size.
#pragma once

#include <cstddef>
#include <cstdint>

// HeapAlloc on the process heap (zeroing with HeapCalloc); null on failure.
void *osMem_HeapAlloc(size_t size);
void *osMem_HeapCalloc(size_t size);
// HeapFree; null does nothing.
void osMem_HeapFree(void *pMem);

// VirtualAlloc(MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE): zero-filled,
// page-aligned; null on failure.
void *osMem_PagesAlloc(size_t size);

// Commit on large pages (MEM_LARGE_PAGES); null when the platform or the
// process's rights do not allow it.
void *osMem_LargePagesAlloc(size_t size);

// GetLargePageMinimum: 0 when large pages are unsupported.
size_t osMem_GetLargePageMinimum();

// VirtualFree(MEM_RELEASE) of a whole region from either allocator.
void osMem_PagesFree(void *pMem);

enum class OsMemProt { NoAccess, ReadOnly, ReadWrite };

// VirtualProtect of the pages [pMem, pMem + size); pMem page-aligned.
[[nodiscard]] bool osMem_Protect(void *pMem, size_t size, OsMemProt prot);

// The platform page size (GetSystemInfo.dwPageSize).
uint32_t osMem_GetPageSize();
