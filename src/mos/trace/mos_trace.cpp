#include "mos_trace.h"

#include "mos_compressed_trace.h"

#include "mos_cyclic_file.h"
#include "mos_debug.h"
#include "mos_trace_bin.h"
#include "mos_umt.h"
#include "os_logfile.h"
#include "os_proc.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

const char *const mosTrace_CompNames[MOS_COMP_LAST + 1] = {
#define MOS_TRACE_COMP(id, name, freq) #name,
#include "mos_trace_comps.def"
#undef MOS_TRACE_COMP
    "LAST",
};

const char *const mosTrace_FreqNames[4] = {"None", "Low", "Medium", "High"};

namespace {

constexpr int32_t defaultFreqs_G[MOS_COMP_LAST] = {
#define MOS_TRACE_COMP(id, name, freq) freq,
#include "mos_trace_comps.def"
#undef MOS_TRACE_COMP
};

constexpr char TRACE_PREFIX[] = "TVX_TRACE";
constexpr uint32_t TRACE_PREFIX_LEN = sizeof(TRACE_PREFIX) - 1;
constexpr uint32_t MAP_TEXT_LEN = 64;
constexpr uint32_t MAP_BYTES = 32;

// Sinks of the trace layer; plain words written only at start-up.
struct TraceLayer {
    MosCyclicFile trcFile;
    MosCyclicFile binFile;
    MosCyclicFile errFile;
    MosCompressedTrace *pCompressed; // null unless the compressed trace is on
    uint32_t binFileTag;
    bool bUp;
    bool bStdout;
    bool bTrcActive;
    bool bBinActive;
    bool bErrActive;
};

TraceLayer trcLayer_G;
uint32_t bModifyAllowed_G = 1;

void binHeaderWriter(FILE *pFile) {
    MosTraceBinFileHeader header;
    mosTrace_BuildBinFileHeader(&header, trcLayer_G.binFileTag);
    fwrite(&header, 1, sizeof(header), pFile);
}

MOS_PRINTF_LIKE(3, 0)
void writeStdout(const char *pFunc, uint32_t line, const char *pFormat, va_list args) {
    char head[MOS_TIMESTAMP_LEN + 256];
    head[0] = '\n';
    int len = 1 + mosCyclicFile_FormatTimestamp(head + 1);
    len += mosCyclicFile_FormatLinePrefix(head + len, sizeof(head) - len, pFunc, line);
    // One piece on the stream: another thread's line, or a formatted print
    // that the C runtime writes in parts, cannot land inside this one.
    osLogFile_LockStream(stdout);
    fwrite(head, 1, static_cast<size_t>(len), stdout);
    vfprintf(stdout, pFormat, args);
    osLogFile_UnlockStream(stdout);
}

void writeBinary(uint32_t msgId, const char *pFunc, uint32_t line, const char *pFormat,
                 va_list args) {
    MosLocalTime now{};
    osLogFile_GetLocalTime(&now);
    MosTraceBinMsg msg;
    uint32_t length = mosTrace_BuildBinMsg(&msg, &now, mosUmt_GetCurrentHandle(), msgId, pFunc,
                                           line, pFormat, args);
    mosCyclicFile_WriteBytes(&trcLayer_G.binFile, &msg, length, false, true);
}

// Creates one sink's file when its record asks for it; false on failure.
bool createSink(MosCyclicFile *pFile, const MosCyclicFileParams &params, bool bWanted,
                bool *pActive) {
    if (!bWanted || params.history == 0) {
        return true;
    }
    if (mosCyclicFile_Create(pFile, &params) != MOS_RC__SUCCESS) {
        return false;
    }
    *pActive = true;
    return true;
}

// Closes every file created so far (a start that stops half-way must not
// leave asynchronous files behind for the cyclic-file layer).
void closeSinks() {
    auto &layer = trcLayer_G;
    if (layer.bTrcActive) {
        mosCyclicFile_WaitDump(&layer.trcFile, 0);
        mosCyclicFile_Destroy(&layer.trcFile);
    }
    if (layer.bErrActive) {
        mosCyclicFile_WaitDump(&layer.errFile, 0);
        mosCyclicFile_Destroy(&layer.errFile);
    }
    if (layer.bBinActive) {
        mosCyclicFile_WaitDump(&layer.binFile, 0);
        mosCyclicFile_Destroy(&layer.binFile);
    }
    layer.bTrcActive = layer.bBinActive = layer.bErrActive = false;
    mosCompressedTrace_Destroy(layer.pCompressed, 1);
    layer.pCompressed = nullptr;
}

void resetLayer() {
    auto &layer = trcLayer_G;
    layer.binFileTag = 0;
    layer.pCompressed = nullptr;
    layer.bUp = layer.bStdout = false;
    layer.bTrcActive = layer.bBinActive = layer.bErrActive = false;
}

} // namespace

int32_t mosTraceConf_CompFreq_G[MOS_COMP_LAST] = {
#define MOS_TRACE_COMP(id, name, freq) freq,
#include "mos_trace_comps.def"
#undef MOS_TRACE_COMP
};

void mosTraceConf_BadComponent(const char *pFunc, int line) {
    mosDbg_Panic("", __FILE__, pFunc, "comp < MOS_COMP_LAST", "", line);
    mosDbg_AssertExit();
}

void mosTraceConf_SetComponentFreq(int32_t comp, int32_t freq) {
    if (bModifyAllowed_G != 0 && comp >= 0 && comp < MOS_COMP_LAST) {
        mosTraceConf_CompFreq_G[comp] = freq;
    }
}

void mosTraceConf_ResetDefaults() {
    memcpy(mosTraceConf_CompFreq_G, defaultFreqs_G, sizeof(defaultFreqs_G));
    bModifyAllowed_G = 1;
}

MOS_RC mosTraceConf_StringToMap(const char *pText, uint32_t length, uint8_t pMap[32]) {
    if (length != MAP_TEXT_LEN) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Expected %u sized string, got %u", MAP_TEXT_LEN + 1, length);
        return MOS_RC__INVALID_ARG;
    }
    memset(pMap, 0, MAP_BYTES);
    for (uint32_t i = 0; i < MAP_TEXT_LEN; i++) {
        auto code = static_cast<unsigned char>(pText[i]);
        if (code < 'A') {
            return MOS_RC__INVALID_ARG;
        }
        uint32_t nibble = code - 'A';
        pMap[i / 2] = static_cast<uint8_t>(pMap[i / 2] | (i % 2 == 0 ? nibble : nibble << 4));
    }
    return MOS_RC__SUCCESS;
}

MOS_RC mosTraceConf_SetFromdZipped(const uint8_t pMap[32]) {
    if (bModifyAllowed_G == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Ignoring trace freq modification");
        return MOS_RC__SUCCESS;
    }
    for (int32_t j = 0; j < MOS_COMP_LAST; j++) {
        mosTraceConf_CompFreq_G[j] = (pMap[j / 4] >> (2 * (j % 4))) & 3;
    }
    MOS_TRACE(MOS_COMP_MOS, 2, "Trace frequencies configured from map.");
    return MOS_RC__SUCCESS;
}

MOS_RC mosTraceConf_SetFromdString(const char *pText, uint32_t length) {
    uint8_t map[MAP_BYTES];
    MOS_RC rc = mosTraceConf_StringToMap(pText, length, map);
    if (rc != MOS_RC__SUCCESS) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Failed to parse string map, error %d (%s)",
                  static_cast<int>(rc), mos_RcName(rc));
        return rc;
    }
    return mosTraceConf_SetFromdZipped(map);
}

void mosTraceConf_SetModifyMode(uint32_t bAllow) {
    MOS_TRACE(MOS_COMP_MOS, 1, "Setting modify mode to %d", static_cast<int>(bAllow));
    bModifyAllowed_G = bAllow;
}

void mosTrace_Do(int32_t /*comp*/, int32_t /*level*/, uint32_t msgId, const char *pFormat,
                 const char *pFunc, uint32_t line, ...) {
    if (strncmp(pFormat, TRACE_PREFIX, TRACE_PREFIX_LEN) != 0) {
        mosDbg_Panic("", __FILE__, __func__,
                     "!(strncmp((pFormat), (\"TVX_TRACE\"), "
                     "(((UINT32)strlen(\"TVX_TRACE\")))))",
                     "", __LINE__);
        mosDbg_AssertExit();
    }
    const char *pText = pFormat + TRACE_PREFIX_LEN;
    const auto &layer = trcLayer_G;
    // The text after the prefix is the literal the call site's format
    // check has already seen.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    va_list args;
    va_start(args, line);
    if (layer.bUp && layer.bBinActive) {
        va_list copy;
        va_copy(copy, args);
        writeBinary(msgId, pFunc, line, pText, copy);
        va_end(copy);
    }
    if (layer.bUp && layer.bTrcActive) {
        va_list copy;
        va_copy(copy, args);
        mosCyclicFile_VWriteLine(&trcLayer_G.trcFile, true, true, true, pFunc, line, pText, copy);
        va_end(copy);
    }
    if (layer.bStdout) {
        writeStdout(pFunc, line, pText, args);
    }
#pragma GCC diagnostic pop
    va_end(args);
}

void mosTrace_DoErrFile(int32_t /*comp*/, int32_t /*level*/, const char *pFormat, ...) {
    if (!trcLayer_G.bErrActive) {
        return;
    }
    va_list args;
    va_start(args, pFormat);
    mosCyclicFile_VWriteLine(&trcLayer_G.errFile, true, true, false, "", 0, pFormat, args);
    va_end(args);
}

void mosTrace_Flush(uint32_t timeoutMs) {
    if (!trcLayer_G.bUp) {
        return;
    }
    if (trcLayer_G.bTrcActive) {
        mosCyclicFile_WaitDump(&trcLayer_G.trcFile, timeoutMs);
    }
    if (trcLayer_G.bBinActive) {
        mosCyclicFile_WaitDump(&trcLayer_G.binFile, timeoutMs);
    }
    // The error file is written through a ring as well: without this wait
    // the last errors before an exit would never reach the disk.
    if (trcLayer_G.bErrActive) {
        mosCyclicFile_WaitDump(&trcLayer_G.errFile, timeoutMs);
    }
    mosCompressedTrace_DumpNow(trcLayer_G.pCompressed, timeoutMs);
}

MosCompressedTrace *mosTrcLayer_GetCompressedTrace() {
    return trcLayer_G.pCompressed;
}

MOS_RC mosTrcLayer_Create(void *pTrcParams) {
    auto &layer = trcLayer_G;
    resetLayer();
    const auto *pParams = static_cast<const MosTrcParams *>(pTrcParams);
    if (pParams == nullptr) {
        return MOS_RC__SUCCESS;
    }
    layer.bStdout = pParams->trc_stdout == 1 ||
                    (pParams->trc_stdout != 0 && getenv("MOS_TRACE__TO_STDOUT") != nullptr);
    layer.binFileTag = pParams->binFileTag;
    // A text or binary trace that cannot be created leaves file tracing
    // off without failing the start.
    if (!createSink(&layer.trcFile, pParams->trcFile, pParams->trcFile.bEnabled == 1,
                    &layer.bTrcActive)) {
        return MOS_RC__SUCCESS;
    }
    MosCyclicFileParams binParams = pParams->trcBinFile;
    binParams.bBinary = 1;
    binParams.pHeaderWriterCK = binHeaderWriter;
    if (!createSink(&layer.binFile, binParams, binParams.bEnabled == 1, &layer.bBinActive)) {
        closeSinks();
        return MOS_RC__SUCCESS;
    }
    // An error file that cannot be created is left out; the others go on.
    (void)createSink(&layer.errFile, pParams->errFile, pParams->errFile.bEnabled != 0,
                     &layer.bErrActive);
    if (pParams->bCompressedEnabled != 0 && pParams->trcCompressedFile.history != 0 &&
        (layer.pCompressed = mosCompressedTrace_Init(pParams)) == nullptr) {
        closeSinks();
        return MOS_RC__ERROR;
    }
    layer.bUp = true;
    if ((layer.bBinActive || layer.bTrcActive) &&
        mosTraceConf_GetComponentFreq(MOS_COMP_MOS) >= 1) {
        MOS_TRACE(MOS_COMP_MOS, 1, "---------- Process started. Version %s. PID %d ----------",
                  mos_GetVersionString(), osProc_GetCurrentProcessId());
    }
    mosTrace_DoErrFile(MOS_COMP_MOS, 1,
                       "---------- Process started. Version %s. PID %d ----------\n",
                       mos_GetVersionString(), osProc_GetCurrentProcessId());
    return MOS_RC__SUCCESS;
}

void mosTrcLayer_Destroy() {
    if (!trcLayer_G.bUp) {
        return;
    }
    trcLayer_G.bUp = false;
    closeSinks();
}

const char *mos_GetVersionString() {
    return "private Tarnvox R3_0.1000.208_Release Sep 12 2019";
}
