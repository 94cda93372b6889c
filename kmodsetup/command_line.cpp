#include "command_line.h"

#include "installer_log.h"

#include <cstring>

namespace {
bool isWord(const char *word, const char *expected) {
    return std::strcmp(word, expected) == 0;
}
} // namespace

bool parseInstallerWords(int argc, const char *const *argv, InstallerRequest *pRequest) {
    const int wordCount = argc - 1;
    if (wordCount < 3 || wordCount > 6) {
        return false;
    }
    const char *const *words = argv + 1;
    pRequest->command = words[0];
    pRequest->driver = isWord(words[1], "frelok") ? DriverKind::ReadCache : DriverKind::Client;
    pRequest->infPath = words[2];
    pRequest->logPath = nullptr;
    pRequest->bForceReboot = false;
    if (wordCount == 4 || wordCount == 6) {
        pRequest->logPath = words[3];
    }
    if (wordCount >= 5) {
        const char *keyword = words[wordCount - 2];
        if (pRequest->driver != DriverKind::ReadCache || !isWord(keyword, "forceReboot")) {
            return false;
        }
        pRequest->bForceReboot = isWord(words[wordCount - 1], "1");
    }
    return true;
}

void printInstallUsage() {
    installerLog_Write("Usage qorni driver:\n install qorni inf_file\n uninstall qorni inf_file\n"
                       " update qorni inf_file [logFileLocation]\n");
    installerLog_Write(
        "Usage frelok driver:\n install frelok inf_file\n uninstall frelok inf_file\n"
        " update frelok inf_file [logFileLocation] [forceReboot 1]\n");
}
