#include "mos_env.h"

#include "mos_debug.h"
#include "mos_loader.h"
#include "mos_trace.h"
#include "mos_utils.h"
#include "os_env.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *USAGE_TEXT =
    "Usage:\nconf_file\nThe name of the configuration file. This name must include full "
    "path.\n\nlog_dir\nThe directory to which log information is written.\n\nversion\nOutput the "
    "module version and exits the process.\n\nhelp\nPrint this help message\n";
constexpr const char *VERSION_TEXT = "BorlQen Tarnvox Version: R3_0.1000.208";
constexpr uint32_t FREQ_MAP_LEN = 64;

enum : int32_t { OPT_CONF_FILE = 0, OPT_LOG_DIR = 1, OPT_HELP = 2, OPT_VERSION = 3 };

const MosLongOption envOptions_G[] = {
    {"conf_file", MOS_REQUIRED_ARGUMENT, nullptr, OPT_CONF_FILE},
    {"log_dir", MOS_REQUIRED_ARGUMENT, nullptr, OPT_LOG_DIR},
    {"help", MOS_NO_ARGUMENT, nullptr, OPT_HELP},
    {"version", MOS_NO_ARGUMENT, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

MosEnvConf envConf_G;
MosConfEntry envTable_G[MOS_ENV_CONF_KEYS];
MosInitParams envParams_G;
const char *pLogDir_G = "";

enum MosConfWhen { WHEN_ALWAYS, WHEN_LOGDIR, WHEN_STARTUP };

bool fillWanted(MosConfWhen when, bool bLogDir) {
    return when == WHEN_ALWAYS || (when == WHEN_LOGDIR && bLogDir);
}

struct EnvOptions {
    const char *pConfFile = nullptr;
    const char *pLogDir = nullptr;
};

EnvOptions parseOptions(int argc, char *argv[]) {
    EnvOptions opts;
    int32_t index = 0;
    for (;;) {
        int32_t c = mos_GetoptLong(argc, argv, "", envOptions_G, &index);
        if (c == -1) {
            break;
        }
        switch (c) {
            case OPT_CONF_FILE:
                opts.pConfFile = mos_optarg;
                break;
            case OPT_LOG_DIR:
                opts.pLogDir = mos_optarg;
                break;
            case OPT_HELP:
                fputs(USAGE_TEXT, stdout);
                exit(0);
            case OPT_VERSION:
                printf("%s\n", VERSION_TEXT);
                exit(0);
            default:
                break; // unknown options and missing values are skipped
        }
    }
    return opts;
}

// Empty directory keys take D\..\<word>\ from the log directory D.
void deriveDirKeys(MosEnvConf *pValues, const char *pLogDir) {
    struct {
        char *pBuf;
        size_t size;
        const char *pWord;
    } keys[] = {{pValues->cfg_dir_path, sizeof(pValues->cfg_dir_path), "cfg"},
                {pValues->bin_dir_path, sizeof(pValues->bin_dir_path), "bin"},
                {pValues->diag_dir_path, sizeof(pValues->diag_dir_path), "diag"},
                {pValues->rep_dir_path, sizeof(pValues->rep_dir_path), "rep"}};
    for (auto &k : keys) {
        if (k.pBuf[0] == '\0') {
            mos_Snprintf(k.pBuf, k.size, "%s%s..%s%s%s", pLogDir, "\\", "\\", k.pWord, "\\");
        }
    }
}

void applyFrequencyMap(const MosEnvConf *pValues) {
    const char *pMap = pValues->trc_frequency_str_map;
    size_t len = strlen(pMap);
    if (len == 0) {
        return;
    }
    if (len != FREQ_MAP_LEN) {
        printf("Unexpected trc_frequency_str_map string length. Expected %d, received %d",
               static_cast<int>(FREQ_MAP_LEN + 1), static_cast<int>(len + 1));
    } else {
        (void)mosTraceConf_SetFromdString(pMap, FREQ_MAP_LEN);
    }
    if (pValues->trc_frequency_allow_modify == 0) {
        mosTraceConf_SetModifyMode(0);
    }
}

} // namespace

void mosEnv_BuildConfTable(MosEnvConf *pValues, MosConfEntry pTable[MOS_ENV_CONF_KEYS],
                           uint16_t defaultPort) {
    const uint64_t MOS_CONF_PAGE_SIZE = osEnv_GetPageSize();
    const uint64_t MOS_CONF_CALLER_PORT = defaultPort;
    uint32_t i = 0;
#define MOS_CONF_BOOL(name, def, when, landing)                                                    \
    pTable[i++] = {#name, MOS_CONF_TYPE__BOOL, &pValues->name, nullptr, def, 1, 0, def};
#define MOS_CONF_NUM(name, def, min, max, step, when, landing)                                     \
    pTable[i++] = {#name, MOS_CONF_TYPE__NUMBER, &pValues->name, nullptr, min, max, step, def};
#define MOS_CONF_STR(name, def, len, when, landing)                                                \
    pTable[i++] = {#name, MOS_CONF_TYPE__STRING, pValues->name, def, len, 0, 0, 0};
#include "mos_conf_keys.def"
#undef MOS_CONF_BOOL
#undef MOS_CONF_NUM
#undef MOS_CONF_STR
}

void mosEnv_FillInitParams(MosEnvConf *pValues, const char *pLogDir, MosInitParams *pParams) {
    MosInitParams &P = *pParams;
    bool bLogDir = pLogDir != nullptr;
#define U32(x) static_cast<uint32_t>(x)
#define MOS_CONF_BOOL(name, def, when, landing)                                                    \
    if (fillWanted(WHEN_##when, bLogDir)) {                                                        \
        uint32_t V = pValues->name;                                                                \
        landing;                                                                                   \
    }
#define MOS_CONF_NUM(name, def, min, max, step, when, landing)                                     \
    if (fillWanted(WHEN_##when, bLogDir)) {                                                        \
        uint64_t V = pValues->name;                                                                \
        landing;                                                                                   \
    }
#define MOS_CONF_STR(name, def, len, when, landing)                                                \
    if (fillWanted(WHEN_##when, bLogDir)) {                                                        \
        const char *V = pValues->name;                                                             \
        landing;                                                                                   \
    }
#include "mos_conf_keys.def"
#undef MOS_CONF_BOOL
#undef MOS_CONF_NUM
#undef MOS_CONF_STR
#undef U32
    if (bLogDir) {
        for (MosCyclicFileParams *pFile :
             {&P.dbg.expFile, &P.dbg.umtFile, &P.trc.trcFile, &P.trc.trcBinFile, &P.trc.errFile,
              &P.trc.trcCompressedFile}) {
            pFile->dirPath = pLogDir;
        }
    }
}

MOS_RC mosEnv_Init(int argc, char *argv[], MosConfEntry **ppTables, uint32_t *pCounts,
                   uint32_t numTables, uint16_t defaultPort, MosInitParamsCK pCallback) {
    MOS_ASSERT(pCallback != nullptr);
    mosEnv_BuildConfTable(&envConf_G, envTable_G, defaultPort);
    if (numTables == 0) {
        printf("Array of configuration entries vector is 0. Cannot load\n");
        exit(1);
    }
    EnvOptions opts = parseOptions(argc, argv);
    ppTables[numTables - 1] = envTable_G;
    pCounts[numTables - 1] = MOS_ENV_CONF_KEYS;
    MOS_RC rc = mosConf_ReadTables(opts.pConfFile, ppTables, pCounts, numTables);
    if (rc != MOS_RC__SUCCESS) {
        printf("Error loading configuration file %s. Status %s(%d)\n",
               opts.pConfFile != nullptr ? opts.pConfFile : "unknown", mos_RcName(rc),
               static_cast<int>(rc));
        exit(1);
    }
    if (opts.pLogDir != nullptr) {
        deriveDirKeys(&envConf_G, opts.pLogDir);
        pLogDir_G = opts.pLogDir;
        mosDbg_SetLogDir(opts.pLogDir);
    }
    memset(&envParams_G, 0, sizeof(envParams_G));
    mosEnv_FillInitParams(&envConf_G, opts.pLogDir, &envParams_G);
    (void)pCallback(&envParams_G);
    MOS_RC initRc = mos_Init(&envParams_G);
    applyFrequencyMap(&envConf_G);
    if (opts.pConfFile != nullptr && initRc == MOS_RC__SUCCESS) {
        mosConf_ValidateConfFile(opts.pConfFile, ppTables, pCounts, numTables);
    }
    if (envConf_G.print_conf != 0) {
        for (uint32_t t = 0; t < numTables; t++) {
            mosConf_Trace(ppTables[t], pCounts[t], envConf_G.print_detailed_conf);
        }
    }
    return initRc;
}

const char *mosEnv_GetLogDir() {
    return pLogDir_G;
}
