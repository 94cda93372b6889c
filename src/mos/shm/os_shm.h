// Operating-system seam of named shared memory: paging-file-backed file
// mappings on Windows (nt/shm.cpp), and our Linux stand-in over POSIX
// shared memory (posix/shm.cpp). Both keep the Windows lifetime rule: a
// named segment exists while some handle to it is open in any process, and
// disappears with the last one.
//
// Calls that can fail return a Win32 error number (0 on success) on both
// targets (OS_ERR_* of os_sys.h); the callers decide what to say.
// Nothing here traces.
#pragma once

#include <cstddef>
#include <cstdint>

// A handle of a named mapping; null is none.
typedef void *OsShmHandle;

// Protection values of a mapping's creation, Windows numbers.
enum : uint32_t {
    OS_SHM_PAGE_READWRITE = 0x4,
    OS_SHM_SEC_COMMIT = 0x08000000,
    OS_SHM_SEC_LARGE_PAGES = 0x80000000,
};

// CreateFileMappingA over the paging file, default security, the given
// protection and maximum size: creates the named segment, or opens it when
// it exists already (keeping its size). A size of 0 is refused. Large
// pages need a privilege the stand-in never has.
[[nodiscard]] uint32_t osShm_CreateMapping(const char *pName, uint64_t maxSize, uint32_t protect,
                                           OsShmHandle *pHandle);
// OpenFileMappingA(FILE_MAP_ALL_ACCESS, not inherited) of an existing
// segment; ERROR_FILE_NOT_FOUND when there is none.
[[nodiscard]] uint32_t osShm_OpenMapping(const char *pName, OsShmHandle *pHandle);
// MapViewOfFile(FILE_MAP_ALL_ACCESS) of size bytes from offset 0; a size
// larger than the segment fails.
[[nodiscard]] uint32_t osShm_MapView(OsShmHandle handle, uint64_t size, void **ppMem);
// UnmapViewOfFile of a view of size bytes; false on failure.
[[nodiscard]] bool osShm_UnmapView(void *pMem, uint64_t size);
// CloseHandle; the last handle of a segment deletes it. False on failure.
[[nodiscard]] bool osShm_CloseHandle(OsShmHandle handle);
// GetLargePageMinimum: 0 when large pages are unsupported.
size_t osShm_GetLargePageMinimum();
