// The environment start-up of a program built on the runtime: the
// runtime's long options ("--conf_file", "--log_dir", "--help",
// "--version", before the program's own words), the configuration file
// with the runtime's 96 keys (plus the application's own tables), the
// initialisation-parameter block, mos_Init, the trace-frequency map, the
// report of unknown keys and the printout of the configuration.
#pragma once

#include "mos_conf_file.h"
#include "mos_init_params.h"
#include "mos_rc.h"

#include <cstdint>

inline constexpr uint32_t MOS_ENV_CONF_KEYS = 96;
inline constexpr uint64_t MOS_CONF_NO_LIMIT = UINT64_MAX;

// The values of the runtime's keys, one member per key of the table.
struct MosEnvConf {
#define MOS_CONF_BOOL(name, def, when, landing)                uint32_t name;
#define MOS_CONF_NUM(name, def, min, max, step, when, landing) uint64_t name;
#define MOS_CONF_STR(name, def, len, when, landing)            char name[len];
#include "mos_conf_keys.def"
#undef MOS_CONF_BOOL
#undef MOS_CONF_NUM
#undef MOS_CONF_STR
};

// Called with the filled block before mos_Init; its result is ignored.
typedef int (*MosInitParamsCK)(MosInitParams *pParams);

// ppTables and pCounts have numTables slots; the last one receives the
// runtime's table. "--help" and "--version" answer and end the process
// with exit code 0; a zero table count or a configuration that cannot be
// read ends it with exit code 1. Otherwise returns mos_Init's result.
[[nodiscard]] MOS_RC mosEnv_Init(int argc, char *argv[], MosConfEntry **ppTables, uint32_t *pCounts,
                                 uint32_t numTables, uint16_t defaultPort,
                                 MosInitParamsCK pCallback);

// Builds the runtime's table over pValues (the page size and defaultPort
// fill the entries that depend on them).
void mosEnv_BuildConfTable(MosEnvConf *pValues, MosConfEntry pTable[MOS_ENV_CONF_KEYS],
                           uint16_t defaultPort);

// Fills a zeroed block from the values: the fields every start fills, and
// with a log directory (non-null) the file records and the rest.
void mosEnv_FillInitParams(MosEnvConf *pValues, const char *pLogDir, MosInitParams *pParams);

// The log directory of "--log_dir" ("" without one).
const char *mosEnv_GetLogDir();
