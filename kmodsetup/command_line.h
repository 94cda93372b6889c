// The installer's positional command-line words.
#pragma once

enum class DriverKind {
    Client,    // the storage-client driver, any driver word but "frelok"
    ReadCache, // "frelok"
};

struct InstallerRequest {
    const char *command; // "install", "uninstall", "update" or anything else
    DriverKind driver;
    const char *infPath;
    const char *logPath; // null: log to standard output
    bool bForceReboot;   // "forceReboot" followed by exactly "1"
};

// Reads argv[1..argc-1] (words compared case-sensitively):
//   command driver inf [logFile]
//   command frelok inf [logFile] forceReboot flag
// False for any other number or form of words. The command word itself
// is not checked here.
[[nodiscard]] bool parseInstallerWords(int argc, const char *const *argv,
                                       InstallerRequest *pRequest);

// Writes the usage text (two messages) to the log.
void printInstallUsage();
