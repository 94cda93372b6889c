// The installer's running account: standard output, or a log file opened
// for appending. Chosen once at start and used for every message.
#pragma once

#include <cstdio>

// Makes logPath the log: on success writes the header (a dashed line, the
// local time in asctime layout, a dashed line); when the file cannot be
// opened says so on standard output and keeps standard output.
void installerLog_Open(const char *logPath);

// Writes one printf-style message to the log.
void installerLog_Write(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Flushes the log and ends the process with exitCode.
[[noreturn]] void installerLog_EndProcess(int exitCode);

// The current log stream; tests point it at a file of their own.
[[nodiscard]] FILE *installerLog_Stream();
void installerLog_SetStream(FILE *stream);
