// Feeds arbitrary command lines to the long-option parser and arbitrary
// texts to the UUID parser. Words are split at NUL bytes.
#include "mos_utils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

const MosLongOption kOptions[] = {
    {"conf_file", MOS_REQUIRED_ARGUMENT, nullptr, 'c'},
    {"log_dir", MOS_REQUIRED_ARGUMENT, nullptr, 'l'},
    {"help", MOS_NO_ARGUMENT, nullptr, 'h'},
    {"opt", MOS_OPTIONAL_ARGUMENT, nullptr, 'o'},
    {nullptr, 0, nullptr, 0},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    std::string text(reinterpret_cast<const char *>(pData), size);
    std::vector<std::string> words{"prog"};
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); i++) {
        if (i == text.size() || text[i] == '\0') {
            words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    std::vector<char *> argv;
    for (auto &w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    mos_optind = 1;
    mos_opterr = 0;
    int32_t index = 0;
    int32_t argc = static_cast<int32_t>(words.size());
    while (mos_GetoptLong(argc, argv.data(), "", kOptions, &index) != -1) {
        if (mos_optind > argc) {
            __builtin_trap();
        }
    }

    uint8_t uuid[16];
    (void)mos_StrToUuidNoAssert(text.c_str(), uuid);
    return 0;
}
