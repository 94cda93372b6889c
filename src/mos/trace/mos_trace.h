// The trace facility: every diagnostic message goes through MOS_TRACE.
//
//   MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: open %s failed, rc %d", pPath, rc);
//
// A message belongs to a component and has a level (1 errors, warnings
// and important events; 2 information; 3 detail). It is emitted when the
// component's frequency (0 None .. 3 High) is at least the level: into the
// text trace, the binary trace and standard output, as the trace layer set
// them up. A message whose text begins "ERROR: " or "WARNING: " (always
// level 1) also goes to the error file, whatever the frequency. Below its
// component's frequency a message costs one table read: nothing is
// formatted and its id is a constant of the call site.
#pragma once

#include "mos_crc32c.h"
#include "mos_init_params.h"
#include "mos_rc.h"
#include "mos_utils.h"

#include <cstdint>

enum MosTraceComp : int32_t {
#define MOS_TRACE_COMP(id, name, freq) MOS_COMP_##name = id,
#include "mos_trace_comps.def"
#undef MOS_TRACE_COMP
    MOS_COMP_LAST = 115,
};

enum MosTraceFreq : int32_t {
    MOS_TRACE_FREQ_NONE = 0,
    MOS_TRACE_FREQ_LOW = 1,
    MOS_TRACE_FREQ_MEDIUM = 2,
    MOS_TRACE_FREQ_HIGH = 3,
};

// Name tables: component names end with "LAST"; frequency names are
// "None", "Low", "Medium", "High".
extern const char *const mosTrace_CompNames[MOS_COMP_LAST + 1];
extern const char *const mosTrace_FreqNames[4];

// The process-wide frequency table, read without a lock by the macro.
extern int32_t mosTraceConf_CompFreq_G[MOS_COMP_LAST];

// Ends the process through the assertion handler ("comp < MOS_COMP_LAST").
[[noreturn]] void mosTraceConf_BadComponent(const char *pFunc, int line);

// The component's current frequency; a component outside 0..114 is a
// broken invariant.
inline int32_t mosTraceConf_GetComponentFreq(int32_t comp) {
    if (static_cast<uint32_t>(comp) >= static_cast<uint32_t>(MOS_COMP_LAST)) [[unlikely]] {
        mosTraceConf_BadComponent(__func__, __LINE__);
    }
    return mosTraceConf_CompFreq_G[comp];
}

// Sets one component's frequency (tests and tools); ignored while changes
// are forbidden.
void mosTraceConf_SetComponentFreq(int32_t comp, int32_t freq);
// Restores the built-in frequencies and allows changes again.
void mosTraceConf_ResetDefaults();

// Applies a frequency map of 64 letters (two per byte, 'A' + nibble, low
// nibble first; component j takes bits 2*(j%4) of byte j/4).
// MOS_RC__INVALID_ARG for a wrong length or a character below 'A';
// MOS_RC__SUCCESS also when changes are forbidden (nothing changes then).
[[nodiscard]] MOS_RC mosTraceConf_SetFromdString(const char *pText, uint32_t length);
[[nodiscard]] MOS_RC mosTraceConf_StringToMap(const char *pText, uint32_t length, uint8_t pMap[32]);
[[nodiscard]] MOS_RC mosTraceConf_SetFromdZipped(const uint8_t pMap[32]);
// 0 forbids later map changes, anything else allows them.
void mosTraceConf_SetModifyMode(uint32_t bAllow);

// The message id: CRC-32C of the text (without the "TVX_TRACE" prefix).
inline uint32_t mosTrace_GetFormatId(const char *pText) {
    size_t len = 0;
    while (pText[len] != '\0') {
        len++;
    }
    return mos_Crc32c(pText, len);
}

// Emits one message to the sinks that are on. pFormat must begin with
// "TVX_TRACE" (a broken invariant otherwise); comp and level are not used
// (the macro has filtered).
void mosTrace_Do(int32_t comp, int32_t level, uint32_t msgId, const char *pFormat,
                 const char *pFunc, uint32_t line, ...) MOS_PRINTF_LIKE(4, 7);

// Appends "timestamp + formatted text" to the error file when it is active.
void mosTrace_DoErrFile(int32_t comp, int32_t level, const char *pFormat, ...)
    MOS_PRINTF_LIKE(3, 4);

// Waits up to timeoutMs for the text trace's ring, then as long again for
// the binary trace's and for the error file's, to reach the disk; then
// dumps the compressed trace (when active) with the same limit.
void mosTrace_Flush(uint32_t timeoutMs);

// The trace layer (process layer). A null slice leaves every sink off.
[[nodiscard]] MOS_RC mosTrcLayer_Create(void *pTrcParams);
void mosTrcLayer_Destroy();
// The compressed trace the layer set up (mos_compressed_trace.h), or null.
struct MosCompressedTrace;
MosCompressedTrace *mosTrcLayer_GetCompressedTrace();

// "private Tarnvox R3_0.1000.208_Release Sep 12 2019"
const char *mos_GetVersionString();

// True when a message text is an error or a warning for the error file.
constexpr bool mosTrace_IsErrOrWarning(const char *pText) {
    const char *pErr = "ERROR: ";
    const char *pWarn = "WARNING: ";
    bool bErr = true;
    for (int i = 0; pErr[i] != '\0'; i++) {
        if (pText[i] != pErr[i]) {
            bErr = false;
            break;
        }
    }
    if (bErr) {
        return true;
    }
    for (int i = 0; pWarn[i] != '\0'; i++) {
        if (pText[i] != pWarn[i]) {
            return false;
        }
    }
    return true;
}

// The message id of a literal text, computed by the compiler.
#define MOS_TRACE_FORMAT_ID(text)                                                                  \
    ([]() constexpr {                                                                              \
        constexpr uint32_t mosTraceMsgId_ = mosCrc32c_Const(text, sizeof(text) - 1);               \
        return mosTraceMsgId_;                                                                     \
    }())

#define MOS_TRACE(comp, level, text, ...)                                                          \
    do {                                                                                           \
        if (mosTraceConf_GetComponentFreq(comp) >= (level)) [[unlikely]] {                         \
            mosTrace_Do((comp), (level), MOS_TRACE_FORMAT_ID(text), "TVX_TRACE" text, __func__,    \
                        __LINE__ __VA_OPT__(, ) __VA_ARGS__);                                      \
        }                                                                                          \
        if constexpr (mosTrace_IsErrOrWarning(text)) {                                             \
            mosTrace_DoErrFile((comp), (level), "%s:%05u: " text "\n", __func__,                   \
                               static_cast<unsigned>(__LINE__) __VA_OPT__(, ) __VA_ARGS__);        \
        }                                                                                          \
    } while (0)
