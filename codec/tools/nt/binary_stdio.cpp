// The C runtime opens the standard streams in text mode (CR LF and ^Z
// translation); compressed data needs them binary.
#include "../binary_stdio.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

void osTezlTool_SetBinaryStdio() {
    (void)_setmode(_fileno(stdin), _O_BINARY);
    (void)_setmode(_fileno(stdout), _O_BINARY);
}

bool osTezlTool_InputFileSize(uint64_t *pBytes) {
    struct _stat64 st {};
    if (_fstat64(_fileno(stdin), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG ||
        st.st_size < 0) {
        return false;
    }
    *pBytes = uint64_t(st.st_size);
    return true;
}

// Large pages need a privilege a user rarely holds: plain heap memory.
uint8_t *osTezlTool_AllocateBuffer(size_t bytes) {
    return static_cast<uint8_t *>(std::malloc(bytes ? bytes : 1));
}

void osTezlTool_FreeBuffer(uint8_t *pBuffer) {
    std::free(pBuffer);
}
