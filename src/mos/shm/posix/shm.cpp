// Linux stand-in for Win32 named file mappings, over POSIX shared memory
// under the name prefix "/mos_shm.".
//
// Windows deletes a named mapping with its last handle. The stand-in keeps
// that rule with flock: every handle holds a shared lock on its own open
// of the object; a closing handle that can turn its lock exclusive is the
// last one and unlinks the name. An opener that raced with such a close
// finds the name gone or replaced and tries again.
#include "os_shm.h"

#include "os_mem.h"
#include "os_sys.h"
#include "posix/sys_errno.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t POSIX_NAME_MAX = 255;

struct PosixShm {
    int fd;
    char path[POSIX_NAME_MAX + 1];
};

// "/mos_shm." and the name with every byte outside [a-z0-9._-] as %XX, so
// any Windows object name maps to one valid POSIX name.
bool buildPath(const char *pName, char *pPath) {
    size_t len = static_cast<size_t>(snprintf(pPath, POSIX_NAME_MAX + 1, "/mos_shm."));
    for (const char *p = pName; *p != '\0'; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        bool bPlain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
                      c == '-' || (c >= 'A' && c <= 'Z');
        size_t need = bPlain ? 1 : 3;
        if (len + need > POSIX_NAME_MAX) {
            return false;
        }
        if (bPlain) {
            pPath[len++] = static_cast<char>(c);
        } else {
            len += static_cast<size_t>(snprintf(pPath + len, 4, "%%%02X", c));
        }
    }
    pPath[len] = '\0';
    return true;
}

bool sameObject(int fd, const char *pPath) {
    int fdNow = shm_open(pPath, O_RDWR, 0);
    if (fdNow < 0) {
        return false;
    }
    struct stat held = {};
    struct stat now = {};
    bool bSame = fstat(fd, &held) == 0 && fstat(fdNow, &now) == 0 && held.st_ino == now.st_ino;
    close(fdNow);
    return bSame;
}

// Opens (or creates) the object and takes the handle's shared lock.
uint32_t openLocked(const char *pName, int flags, int *pFd, char *pPath) {
    if (!buildPath(pName, pPath)) {
        return OS_ERR_FILENAME_EXCED_RANGE;
    }
    for (int attempt = 0; attempt < 100; attempt++) {
        int fd = shm_open(pPath, flags, 0600);
        if (fd < 0) {
            return osSysPosix_Win32FromErrno(errno, OsErrnoUse::SharedMemory);
        }
        if (flock(fd, LOCK_SH) == 0 && sameObject(fd, pPath)) {
            *pFd = fd;
            return 0;
        }
        close(fd); // a last close unlinked it meanwhile
    }
    return OS_ERR_ACCESS_DENIED;
}

uint32_t newHandle(int fd, const char *pPath, OsShmHandle *pHandle) {
    auto *pShm = static_cast<PosixShm *>(osMem_HeapCalloc(sizeof(PosixShm)));
    if (pShm == nullptr) {
        close(fd);
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    pShm->fd = fd;
    memcpy(pShm->path, pPath, sizeof(pShm->path));
    *pHandle = pShm;
    return 0;
}

} // namespace

uint32_t osShm_CreateMapping(const char *pName, uint64_t maxSize, uint32_t protect,
                             OsShmHandle *pHandle) {
    *pHandle = nullptr;
    if (maxSize == 0 || maxSize > static_cast<uint64_t>(INT64_MAX)) {
        return OS_ERR_INVALID_PARAMETER;
    }
    if ((protect & OS_SHM_SEC_LARGE_PAGES) != 0) {
        return OS_ERR_PRIVILEGE_NOT_HELD;
    }
    char path[POSIX_NAME_MAX + 1];
    int fd = -1;
    uint32_t err = openLocked(pName, O_RDWR | O_CREAT, &fd, path);
    if (err != 0) {
        return err;
    }
    struct stat st = {};
    // A new object has size 0; an existing one keeps its size, as Windows
    // opens an existing mapping with its own.
    if (fstat(fd, &st) != 0 ||
        (st.st_size == 0 && ftruncate(fd, static_cast<off_t>(maxSize)) != 0)) {
        err = osSysPosix_Win32FromErrno(errno, OsErrnoUse::SharedMemory);
        close(fd);
        return err;
    }
    return newHandle(fd, path, pHandle);
}

uint32_t osShm_OpenMapping(const char *pName, OsShmHandle *pHandle) {
    *pHandle = nullptr;
    char path[POSIX_NAME_MAX + 1];
    int fd = -1;
    uint32_t err = openLocked(pName, O_RDWR, &fd, path);
    return err != 0 ? err : newHandle(fd, path, pHandle);
}

uint32_t osShm_MapView(OsShmHandle handle, uint64_t size, void **ppMem) {
    *ppMem = nullptr;
    const auto *pShm = static_cast<const PosixShm *>(handle);
    struct stat st = {};
    if (fstat(pShm->fd, &st) != 0) {
        return osSysPosix_Win32FromErrno(errno, OsErrnoUse::SharedMemory);
    }
    if (size == 0 || size > static_cast<uint64_t>(st.st_size)) {
        return OS_ERR_ACCESS_DENIED;
    }
    void *pMem = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, pShm->fd, 0);
    if (pMem == MAP_FAILED) {
        return osSysPosix_Win32FromErrno(errno, OsErrnoUse::SharedMemory);
    }
    *ppMem = pMem;
    return 0;
}

bool osShm_UnmapView(void *pMem, uint64_t size) {
    return munmap(pMem, size) == 0;
}

bool osShm_CloseHandle(OsShmHandle handle) {
    auto *pShm = static_cast<PosixShm *>(handle);
    if (pShm == nullptr) {
        return false;
    }
    if (flock(pShm->fd, LOCK_EX | LOCK_NB) == 0) {
        shm_unlink(pShm->path);
    }
    bool bClosed = close(pShm->fd) == 0;
    osMem_HeapFree(pShm);
    return bClosed;
}

size_t osShm_GetLargePageMinimum() {
    return osMem_GetLargePageMinimum();
}
