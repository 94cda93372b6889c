// Linux stand-in for the Win32 heap and virtual-memory calls. munmap needs
// the length that VirtualFree does not, so the stand-in remembers the
// length of every region it maps.
#include "os_mem.h"

#include <cstdlib>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_map>

namespace {

std::mutex regionsLock;
std::unordered_map<void *, size_t> &regions() {
    static auto *pRegions = new std::unordered_map<void *, size_t>();
    return *pRegions;
}

void *mapRegion(size_t size, int extraFlags) {
    if (size == 0) {
        return nullptr; // VirtualAlloc refuses a size of 0
    }
    void *pMem = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | extraFlags, -1, 0);
    if (pMem == MAP_FAILED) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(regionsLock);
    regions()[pMem] = size;
    return pMem;
}

} // namespace

void *osMem_HeapAlloc(size_t size) {
    return malloc(size == 0 ? 1 : size);
}

void *osMem_HeapCalloc(size_t size) {
    return calloc(1, size == 0 ? 1 : size);
}

void osMem_HeapFree(void *pMem) {
    free(pMem);
}

void *osMem_PagesAlloc(size_t size) {
    return mapRegion(size, 0);
}

void *osMem_LargePagesAlloc(size_t size) {
    return mapRegion(size, MAP_HUGETLB);
}

size_t osMem_GetLargePageMinimum() {
    return size_t{2} * 1024 * 1024; // the x86-64 huge page
}

void osMem_PagesFree(void *pMem) {
    size_t size = 0;
    {
        std::lock_guard<std::mutex> guard(regionsLock);
        auto it = regions().find(pMem);
        if (it == regions().end()) {
            return; // VirtualFree fails on an address it did not hand out
        }
        size = it->second;
        regions().erase(it);
    }
    munmap(pMem, size);
}

bool osMem_Protect(void *pMem, size_t size, OsMemProt prot) {
    int flags = prot == OsMemProt::NoAccess   ? PROT_NONE
                : prot == OsMemProt::ReadOnly ? PROT_READ
                                              : PROT_READ | PROT_WRITE;
    return mprotect(pMem, size, flags) == 0;
}

uint32_t osMem_GetPageSize() {
    return static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
}
