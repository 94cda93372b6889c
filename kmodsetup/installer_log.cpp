#include "installer_log.h"

#include <cstdarg>
#include <cstdlib>
#include <ctime>

namespace {
FILE *logStream_G = nullptr; // null means standard output

const char kHeaderRule[] = "----------------------------\n";
} // namespace

FILE *installerLog_Stream() {
    return logStream_G != nullptr ? logStream_G : stdout;
}

void installerLog_SetStream(FILE *stream) {
    logStream_G = stream;
}

void installerLog_Open(const char *logPath) {
    FILE *file = std::fopen(logPath, "a");
    if (file == nullptr) {
        std::printf("Failed to create log file %s. Using stdout\n", logPath);
        return;
    }
    logStream_G = file;
    const std::time_t now = std::time(nullptr);
    const std::tm *pLocal = std::localtime(&now);
    // asctime's text ends in a newline of its own.
    installerLog_Write("%s%s%s", kHeaderRule, pLocal != nullptr ? std::asctime(pLocal) : "\n",
                       kHeaderRule);
}

void installerLog_Write(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(installerLog_Stream(), format, args);
    va_end(args);
}

void installerLog_EndProcess(int exitCode) {
    // Error exits flush too, so that the log shows why the run ended.
    std::fflush(installerLog_Stream());
    std::exit(exitCode);
}
