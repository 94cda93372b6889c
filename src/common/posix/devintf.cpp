// Linux stand-in for SetupAPI discovery, CreateFileA and DeviceIoControl
// on the driver's device: a class directory of Unix-domain sockets, one
// request and one reply frame per I/O control (see os_devintf.h).
#include "os_devintf.h"

#include "posix/sys_errno.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <new>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

struct OsDevIntfList {
    std::vector<std::string> paths;
};

struct OsDev {
    int fd;
};

namespace {

constexpr const char *kRootEnv = "MOS_DEVINTF_ROOT";
constexpr const char *kDefaultRoot = "/run/mos-devintf";

std::string classDir(const QorniGuid &guid) {
    const char *pRoot = getenv(kRootEnv);
    char guidText[40];
    snprintf(guidText, sizeof(guidText), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
             guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
             guid.data4[6], guid.data4[7]);
    return std::string(pRoot != nullptr && pRoot[0] != '\0' ? pRoot : kDefaultRoot) + "/" +
           guidText;
}

// 0 or the errno of the failure; a peer that closes midway reads as
// ECONNRESET.
int readAll(int fd, void *pBuf, size_t size) {
    char *p = static_cast<char *>(pBuf);
    while (size > 0) {
        ssize_t n = recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ECONNRESET;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int discard(int fd, size_t size) {
    char scratch[4096];
    while (size > 0) {
        size_t chunk = std::min(size, sizeof(scratch));
        if (int err = readAll(fd, scratch, chunk)) {
            return err;
        }
        size -= chunk;
    }
    return 0;
}

// Sends the iovecs whole: one system call in the usual case.
int sendAllV(int fd, iovec *pIov, int iovCount) {
    while (iovCount > 0) {
        msghdr msg{};
        msg.msg_iov = pIov;
        msg.msg_iovlen = static_cast<size_t>(iovCount);
        ssize_t n = sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EPIPE;
        }
        auto left = static_cast<size_t>(n);
        while (iovCount > 0 && left >= pIov->iov_len) {
            left -= pIov->iov_len;
            pIov++;
            iovCount--;
        }
        if (iovCount > 0) {
            pIov->iov_base = static_cast<char *>(pIov->iov_base) + left;
            pIov->iov_len -= left;
        }
    }
    return 0;
}

// Reads the reply header and, in the same call, as much of the body as
// has arrived (at most outCapacity bytes into pOut): one system call in
// the usual case. *pBodyRead gets the body bytes read.
int readReplyStart(int fd, uint8_t *pHeader, void *pOut, uint32_t outCapacity, size_t *pBodyRead) {
    size_t got = 0;
    while (got < 8) {
        iovec iov[2] = {{pHeader + got, 8 - got}, {pOut, outCapacity}};
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = outCapacity > 0 ? 2 : 1;
        ssize_t n = recvmsg(fd, &msg, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ECONNRESET;
        }
        size_t headerPart = static_cast<size_t>(n) < 8 - got ? static_cast<size_t>(n) : 8 - got;
        got += headerPart;
        *pBodyRead = static_cast<size_t>(n) - headerPart;
    }
    return 0;
}

void putLe32(uint8_t *p, uint32_t value) {
    for (int i = 0; i < 4; i++) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t getLe32(const uint8_t *p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

uint32_t osDevIntf_GetClassDevs(const QorniGuid &classGuid, OsDevIntfList **ppList) {
    auto *pList = new (std::nothrow) OsDevIntfList;
    if (pList == nullptr) {
        return OS_ERR_NOT_ENOUGH_MEMORY;
    }
    // A class with no directory has no present interfaces, as on Windows.
    std::string dir = classDir(classGuid);
    if (DIR *pDir = opendir(dir.c_str())) {
        while (const dirent *pEntry = readdir(pDir)) {
            std::string path = dir + "/" + pEntry->d_name;
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
                pList->paths.push_back(path);
            }
        }
        closedir(pDir);
    }
    std::sort(pList->paths.begin(), pList->paths.end());
    *ppList = pList;
    return OS_ERR_SUCCESS;
}

uint32_t osDevIntf_Enum(OsDevIntfList *pList, uint32_t memberIndex) {
    return memberIndex < pList->paths.size() ? OS_ERR_SUCCESS : OS_ERR_NO_MORE_ITEMS;
}

uint32_t osDevIntf_GetPath(OsDevIntfList *pList, uint32_t memberIndex, char *pPath,
                           size_t pathCapacity, size_t *pRequiredSize) {
    if (memberIndex >= pList->paths.size()) {
        return OS_ERR_NO_MORE_ITEMS;
    }
    const std::string &path = pList->paths[memberIndex];
    *pRequiredSize = path.size() + 1;
    if (pPath == nullptr || pathCapacity < path.size() + 1) {
        return OS_ERR_INSUFFICIENT_BUFFER;
    }
    memcpy(pPath, path.c_str(), path.size() + 1);
    return OS_ERR_SUCCESS;
}

void osDevIntf_Destroy(OsDevIntfList *pList) {
    delete pList;
}

uint32_t osDev_Open(const char *pPath, OsDev **ppDev) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (strlen(pPath) >= sizeof(addr.sun_path)) {
        return OS_ERR_PATH_NOT_FOUND;
    }
    strcpy(addr.sun_path, pPath);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return osSysPosix_Win32FromErrno(errno, OsErrnoUse::Device);
    }
    uint8_t grant[4];
    int err = connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr)) == 0
                  ? readAll(fd, grant, sizeof(grant))
                  : errno;
    uint32_t winErr =
        err != 0 ? osSysPosix_Win32FromErrno(err, OsErrnoUse::Device) : getLe32(grant);
    auto *pDev = winErr == OS_ERR_SUCCESS ? new (std::nothrow) OsDev{fd} : nullptr;
    if (pDev == nullptr) {
        close(fd);
        return winErr != OS_ERR_SUCCESS ? winErr : OS_ERR_NOT_ENOUGH_MEMORY;
    }
    *ppDev = pDev;
    return OS_ERR_SUCCESS;
}

uint32_t osDev_Ioctl(OsDev *pDev, uint32_t ioctlCode, const void *pIn, uint32_t inSize, void *pOut,
                     uint32_t outCapacity, uint32_t *pReturned) {
    *pReturned = 0;
    if (pDev == nullptr) {
        return OS_ERR_INVALID_PARAMETER;
    }
    uint8_t request[12];
    putLe32(request, ioctlCode);
    putLe32(request + 4, inSize);
    putLe32(request + 8, outCapacity);
    iovec requestIov[2] = {{request, sizeof(request)}, {const_cast<void *>(pIn), inSize}};
    int err = sendAllV(pDev->fd, requestIov, inSize > 0 ? 2 : 1);
    uint8_t reply[8];
    size_t bodyRead = 0;
    if (err == 0) {
        err = readReplyStart(pDev->fd, reply, pOut, outCapacity, &bodyRead);
    }
    if (err != 0) {
        return osSysPosix_Win32FromErrno(err, OsErrnoUse::Device);
    }
    uint32_t winErr = getLe32(reply);
    uint32_t returned = getLe32(reply + 4);
    // A device never writes past the caller's buffer; a reply that claims
    // to is drained so the stream stays in step, and refused.
    if (returned > outCapacity || bodyRead > returned) {
        err = returned > bodyRead ? discard(pDev->fd, returned - bodyRead) : 0;
        return err != 0 ? osSysPosix_Win32FromErrno(err, OsErrnoUse::Device) : OS_ERR_INVALID_DATA;
    }
    err = readAll(pDev->fd, static_cast<uint8_t *>(pOut) + bodyRead, returned - bodyRead);
    if (err != 0) {
        return osSysPosix_Win32FromErrno(err, OsErrnoUse::Device);
    }
    *pReturned = returned;
    return winErr;
}

void osDev_Close(OsDev *pDev) {
    if (pDev != nullptr) {
        close(pDev->fd);
        delete pDev;
    }
}
