// The Linux stand-ins' translation of errno into Win32 error numbers:
// the table's rows, each use's own answers where it always differed, and
// an errno no row names.
#include "posix/net_errno.h"
#include "posix/sys_errno.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

struct Case {
    int err;
    uint32_t file;
    uint32_t sharedMemory;
    uint32_t device;
};

// Windows numbers: 2 FILE_NOT_FOUND, 3 PATH_NOT_FOUND, 5 ACCESS_DENIED,
// 8 NOT_ENOUGH_MEMORY, 31 GEN_FAILURE, 87 INVALID_PARAMETER,
// 206 FILENAME_EXCED_RANGE, 1167 DEVICE_NOT_CONNECTED.
constexpr int kUnknownErrno = EDOM;
const Case kCases[] = {
    {ENOENT, 2, 2, 2},          {EACCES, 5, 5, 5},    {EPERM, 5, 5, 5},
    {ENOMEM, 8, 8, 8},          {ENOTDIR, 3, 8, 3},   {ENAMETOOLONG, 206, 206, 3},
    {EINVAL, 87, 87, 31},       {EROFS, 5, 8, 31},    {ENOBUFS, 31, 8, 8},
    {ECONNREFUSED, 31, 8, 2},   {EPIPE, 31, 8, 1167}, {ECONNRESET, 31, 8, 1167},
    {kUnknownErrno, 31, 8, 31},
};

TEST(SysErrnoMap, EachUseReadsErrnoAsItsWin32Error) {
    for (const Case &c : kCases) {
        EXPECT_EQ(osSysPosix_Win32FromErrno(c.err, OsErrnoUse::File), c.file) << "errno " << c.err;
        EXPECT_EQ(osSysPosix_Win32FromErrno(c.err, OsErrnoUse::SharedMemory), c.sharedMemory)
            << "errno " << c.err;
        EXPECT_EQ(osSysPosix_Win32FromErrno(c.err, OsErrnoUse::Device), c.device)
            << "errno " << c.err;
    }
}

TEST(SysErrnoMap, AnErrnoNoSocketRowNamesReadsAsWsaeinval) {
    EXPECT_EQ(osNetPosix_WsaFromErrno(kUnknownErrno), 10022u);
    EXPECT_EQ(osNetPosix_WsaFromErrno(ENOENT), 10022u);
}

} // namespace
