// Feeds arbitrary configuration files to the key reader: every key of the
// runtime's table is looked up, the values land in the parameter block,
// and each value must respect its entry's rules.
#include "mos_conf_file.h"
#include "mos_env.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void checkEntry(const MosConfEntry &e) {
    switch (e.type) {
        case MOS_CONF_TYPE__NUMBER: {
            uint64_t v = *static_cast<uint64_t *>(e.pValue);
            uint64_t step = e.step != 0 ? e.step : 1;
            bool bValid = v >= e.minOrDefaultOrLen && v <= e.max && v % step == 0;
            if (!bValid && v != e.numberDefault) {
                abort();
            }
            break;
        }
        case MOS_CONF_TYPE__BOOL: {
            auto v = static_cast<int32_t>(*static_cast<uint32_t *>(e.pValue));
            if (v > 1) {
                abort();
            }
            break;
        }
        default: {
            const auto *p = static_cast<const char *>(e.pValue);
            if (memchr(p, '\0', e.minOrDefaultOrLen) == nullptr) {
                abort(); // a string must end inside its buffer
            }
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    static MosEnvConf values;
    static MosConfEntry table[MOS_ENV_CONF_KEYS];
    mosEnv_BuildConfTable(&values, table, 6611);
    FILE *pFile = tmpfile();
    if (pFile == nullptr) {
        return 0;
    }
    fwrite(pData, 1, size, pFile);
    for (const auto &entry : table) {
        if (mosConf_ReadEntry(&entry, pFile) != MOS_RC__SUCCESS) {
            abort();
        }
        checkEntry(entry);
    }
    fclose(pFile);
    MosInitParams params{};
    mosEnv_FillInitParams(&values, "/logs", &params);
    mosConf_Trace(table, MOS_ENV_CONF_KEYS, 1);
    return 0;
}
