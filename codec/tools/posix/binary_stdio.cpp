// POSIX streams carry bytes as they are: nothing to switch.
#include "../binary_stdio.h"

#include <cstdlib>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

void osTezlTool_SetBinaryStdio() {}

bool osTezlTool_InputFileSize(uint64_t *pBytes) {
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        return false;
    }
    *pBytes = uint64_t(st.st_size);
    return true;
}

namespace {
constexpr size_t kLargePage = size_t(2) << 20;
}

uint8_t *osTezlTool_AllocateBuffer(size_t bytes) {
    if (bytes < kLargePage) {
        return static_cast<uint8_t *>(std::malloc(bytes ? bytes : 1));
    }
    // Whole aligned large pages, so that every page of the buffer can be one.
    size_t rounded = (bytes + kLargePage - 1) & ~(kLargePage - 1);
    void *p = std::aligned_alloc(kLargePage, rounded);
    if (p) {
        (void)madvise(p, rounded, MADV_HUGEPAGE); // a hint: refused, the buffer still works
    }
    return static_cast<uint8_t *>(p);
}

void osTezlTool_FreeBuffer(uint8_t *pBuffer) {
    std::free(pBuffer);
}
