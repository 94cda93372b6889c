// OPENSSL_Applink: the table through which the TLS library, built with a
// C runtime of its own, reaches this program's standard streams, FILE
// calls and file descriptors (a FILE of one runtime means nothing to
// another). The library looks the table up by name among the program's
// exports, so every program that may load the library links this file
// into its executable (see src/mos/CMakeLists.txt). Windows only: other
// systems share one C runtime.
//
// Entry 0 holds the number of entries after it; entries 1 to 22 are the
// functions below, in the order the library expects.
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

FILE *appStdin() {
    return stdin;
}

FILE *appStdout() {
    return stdout;
}

FILE *appStderr() {
    return stderr;
}

// 'b' puts the stream's descriptor in binary mode, anything else in text
// mode.
int appSetMode(FILE *pFile, char mode) {
    return _setmode(_fileno(pFile), mode == 'b' ? _O_BINARY : _O_TEXT);
}

// feof, ferror, clearerr and fileno may be macros: the table needs
// functions.
int appEof(FILE *pFile) {
    return feof(pFile);
}

int appError(FILE *pFile) {
    return ferror(pFile);
}

void appClearErr(FILE *pFile) {
    clearerr(pFile);
}

int appFileno(FILE *pFile) {
    return _fileno(pFile);
}

template <typename Fn> void *entry(Fn *fn) {
    return reinterpret_cast<void *>(fn);
}

constexpr uintptr_t kApplinkEntries = 22;

} // namespace

extern "C" __declspec(dllexport) void **OPENSSL_Applink() {
    static void *table[kApplinkEntries + 1] = {
        reinterpret_cast<void *>(kApplinkEntries),
        entry(appStdin),    // 1
        entry(appStdout),   // 2
        entry(appStderr),   // 3
        entry(fprintf),     // 4
        entry(fgets),       // 5
        entry(fread),       // 6
        entry(fwrite),      // 7
        entry(appSetMode),  // 8
        entry(appEof),      // 9
        entry(fclose),      // 10
        entry(fopen),       // 11
        entry(fseek),       // 12
        entry(ftell),       // 13
        entry(fflush),      // 14
        entry(appError),    // 15
        entry(appClearErr), // 16
        entry(appFileno),   // 17
        entry(_open),       // 18
        entry(_read),       // 19
        entry(_write),      // 20
        entry(_lseek),      // 21
        entry(_close),      // 22
    };
    return table;
}
