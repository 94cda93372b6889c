// Feeds arbitrary command-line words (NUL-separated) to the installer's
// word parser.
#include "command_line.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> words = {"kmodsetup"};
    for (size_t start = 0; start <= text.size() && words.size() < 16;) {
        const size_t end = std::min(text.find('\0', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char *> argv;
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    InstallerRequest request{};
    if (parseInstallerWords(static_cast<int>(argv.size()), argv.data(), &request)) {
        // Every field the parser hands out points into the words.
        (void)std::strlen(request.command);
        (void)std::strlen(request.infPath);
        if (request.logPath != nullptr) {
            (void)std::strlen(request.logPath);
        }
    }
    return 0;
}
