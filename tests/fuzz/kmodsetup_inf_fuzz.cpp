// Feeds arbitrary text to the INF reader of the installer's Linux
// stand-in and looks up what the stand-in's calls look up.
#include "posix/inf_file.h"
#include "posix/standin_store.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    InfFile inf;
    uint32_t error = 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (!infFile_Parse(text, &inf, &error)) {
        return 0;
    }
    (void)infFile_Value(inf, "Version", "Class", 0);
    (void)infFile_Value(inf, "Version", "ClassGUID", 0);
    const std::string section = infFile_FindInstallSection(inf, "root\\qorni");
    (void)standinInf_FirstServiceBinary(inf, section);
    (void)standinInf_FirstServiceBinary(inf, "DefaultInstall");
    return 0;
}
