// OPENSSL_Applink as the TLS library finds it: by name among the program's
// exports, a table of 22 entries that reach this program's C runtime.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

using ApplinkFn = void **(*)();
using StreamFn = FILE *(*)();
using FilenoFn = int (*)(FILE *);
using SetModeFn = int (*)(FILE *, char);

void **applinkTable() {
    // As the TLS library finds it: by name among the program's exports.
    void *proc =
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(nullptr), "OPENSSL_Applink"));
    return proc != nullptr ? reinterpret_cast<ApplinkFn>(proc)() : nullptr;
}

TEST(ApplinkTest, ProgramExportsTheTableOfItsRuntime) {
    void **table = applinkTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(table[0]), 22u);
    for (int i = 1; i <= 22; i++) {
        EXPECT_NE(table[i], nullptr) << "entry " << i;
    }
    EXPECT_EQ(reinterpret_cast<StreamFn>(table[1])(), stdin);
    EXPECT_EQ(reinterpret_cast<StreamFn>(table[2])(), stdout);
    EXPECT_EQ(reinterpret_cast<StreamFn>(table[3])(), stderr);
    EXPECT_EQ(reinterpret_cast<FilenoFn>(table[17])(stderr), _fileno(stderr));
}

TEST(ApplinkTest, FileCallsWorkOnTheProgramsStreams) {
    void **table = applinkTable();
    ASSERT_NE(table, nullptr);
    using OpenFn = FILE *(*)(const char *, const char *);
    using WriteFn = size_t (*)(const void *, size_t, size_t, FILE *);
    using CloseFn = int (*)(FILE *);
    char path[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof path, path), 0u);
    strcat_s(path, "applink_test.bin");
    FILE *pFile = reinterpret_cast<OpenFn>(table[11])(path, "w");
    ASSERT_NE(pFile, nullptr);
    // Binary mode keeps the line feed a line feed.
    EXPECT_NE(reinterpret_cast<SetModeFn>(table[8])(pFile, 'b'), -1);
    EXPECT_EQ(reinterpret_cast<WriteFn>(table[7])("a\n", 1, 2, pFile), 2u);
    EXPECT_EQ(reinterpret_cast<CloseFn>(table[10])(pFile), 0);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path, GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 2u);
    DeleteFileA(path);
}

} // namespace
